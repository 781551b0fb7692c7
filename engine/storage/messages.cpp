#include "engine/storage/messages.h"

#include <array>

namespace halvex {
namespace {

struct Entry {
  THalvexMessage id;
  std::string_view text;
};

// The order of rows must follow the enumeration; the check below keeps them in step.
constexpr Entry kMessages[] = {
    {THalvexMessage::NilPointer, "Nil pointer occured"},
    {THalvexMessage::PointerIsNil, "Pointer is nil"},
    {THalvexMessage::NotImplemented, "Not implemented yet"},
    {THalvexMessage::MethodNotOverrided, "The method '%s' not overrided in class '%s'"},
    {THalvexMessage::OperationNotSupported, "Error - operation is not supported"},
    {THalvexMessage::InvalidFieldNumber, "Invalid field number - FieldNo = %d, FieldCount = %d"},
    {THalvexMessage::InvalidItemNumber, "Invalid item number - ItemNo = %d, ItemCount = %d"},
    {THalvexMessage::CannotAllocateZero, "Cannot alocate 0 bytes"},
    {THalvexMessage::MemoryLimitExceeded, "Memory limit exceeded (Limit = %d bytes)"},
    {THalvexMessage::GetMemError, "GetMem error: %s"},
    {THalvexMessage::InvalidPointer, "Invalid pointer"},
    {THalvexMessage::MemoryOverrun, "Memory overrun detected"},
    {THalvexMessage::FreeMemError, "FreeAndNillMem error: %s"},
    {THalvexMessage::ReallocMemError, "ReallocMem error: %s"},
    {THalvexMessage::CannotReadFromStream,
     "Cannot read from stream. Position = %d, Stream size = %d, Block size = %d, Bytes Read = %d"},
    {THalvexMessage::CannotWriteToStream,
     "Cannot write to stream. Position = %d, Stream size = %d, Block size = %d, Bytes Write = %d"},
    {THalvexMessage::CannotSetStreamPosition, "Cannot set stream position to %d. Position = %d, Size = %d"},
    {THalvexMessage::InvalidBitNo, "Invalid bit no = %d, number of bits = %d"},
    {THalvexMessage::RecordIDSortError,
     "Sorting error in THalvexRecordIDArray: Hi = %d, Lo = %d, iHi = %d, iLo = %d, ItemCount = %d"},
    {THalvexMessage::InvalidHashKeySize,
     "Error setting Key, invalid KeySize = %d. KeySize should be >= 0 and < %d"},
    {THalvexMessage::InvalidHashCount, "Invalid count = %d, max count = %d"},
    {THalvexMessage::StreamBlockSizeNotAllowed, "Stream block size = %d is not allowed"},
    {THalvexMessage::CannotCreateFile, "Cannot create file. FileName = %s"},
    {THalvexMessage::CannotOpenFile, "Cannot open file. FileName = %s, Mode = %d"},
    {THalvexMessage::CannotWriteToReadOnlyStream, "Cannot write to read only stream"},
    {THalvexMessage::StreamSizeTooSmall, "Stream size = %d too small. Should be at least = %d"},
    {THalvexMessage::CompressBufferFailed,
     "Compress buffer failed. CompAlg = %d, CompMode = %d, InSize = %d, OutSize = %d"},
    {THalvexMessage::DecompressBufferFailed, "Decompress buffer failed. CompAlg = %d, InSize = %d, OutSize = %d"},
    {THalvexMessage::DecompressSizeMismatch, "Decompress buffer failed. UncompSize = %d, Header.UncompSize = %d"},
    {THalvexMessage::DecompressChecksumMismatch, "Decompress buffer failed. CheckSum = %d, Header.Crc32 = %d"},
    {THalvexMessage::CannotReadReadSize, "Cannot read from stream. ReadSize = %d"},
    {THalvexMessage::InvalidStreamSize, "Invalid stream size = %d. Should be = %d"},
    {THalvexMessage::ErrorWritingToStream, "Error writing to stream"},
    {THalvexMessage::UnknownDataType, "Unknown DataType: '%s'"},
    {THalvexMessage::UnsupportedDataType, "Unsuported data type '%s'"},
    {THalvexMessage::DuplicateFieldName, "Duplicate field name %s"},
    {THalvexMessage::ErrorGettingFieldData, "Error getting field data - FieldNo = %d, MemoryOffset = %d, MemoryDataSize = %d"},
    {THalvexMessage::DifferentListsLength, "Error - different lists length. L1 = %d, L2 = %d"},
    {THalvexMessage::ValueIsNull, "Value is Null"},
    {THalvexMessage::CannotCast, "Cannot cast from '%s' to '%s'"},
    {THalvexMessage::NotNumericArgument, "Not numeric argument in numeric operator '%s'"},
    {THalvexMessage::CannotInvert, "Cannot invert value with not numeric type '%s'"},
    {THalvexMessage::DivisionError, "Division error: %s"},
    {THalvexMessage::UnsupportedVariantType, "Unsupported Variant Type %s"},
    {THalvexMessage::CannotCompareIncompatible, "Cannot compare Incompatible DataTypes: '%s' and '%s'"},
    {THalvexMessage::UnknownReturnCode, "Unknown return code: %d"},
};

constexpr bool RowsFollowEnumeration() {
  if (std::size(kMessages) != static_cast<std::size_t>(THalvexMessage::Count_)) return false;
  for (std::size_t i = 0; i < std::size(kMessages); ++i)
    if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
  return true;
}
static_assert(RowsFollowEnumeration(), "message table rows out of step with THalvexMessage");

}  // namespace

std::string_view LoadMessage(THalvexMessage message) noexcept {
  const auto index = static_cast<std::size_t>(message);
  // Identifiers come from the enumeration only; the guard keeps a cast-in
  // value from reading outside the table.
  if (index >= std::size(kMessages)) return {};
  return kMessages[index].text;
}

}  // namespace halvex
