#pragma once
// The engine's message table: every text the engine raises, in one place.
// A raise site names its message by identifier and passes its own native code;
// the text is looked up at the moment of raising.

#include <cstdint>
#include <string_view>

namespace halvex {

enum class THalvexMessage : std::uint16_t {
  // Shared by many subsystems
  NilPointer,
  PointerIsNil,
  NotImplemented,
  MethodNotOverrided,
  OperationNotSupported,
  InvalidFieldNumber,
  InvalidItemNumber,
  // Memory manager
  CannotAllocateZero,
  MemoryLimitExceeded,
  GetMemError,
  InvalidPointer,
  MemoryOverrun,
  FreeMemError,
  ReallocMemError,
  // Exact stream helpers
  CannotReadFromStream,
  CannotWriteToStream,
  CannotSetStreamPosition,
  // Containers
  InvalidBitNo,
  RecordIDSortError,
  InvalidHashKeySize,
  InvalidHashCount,
  // Engine streams
  StreamBlockSizeNotAllowed,
  CannotCreateFile,
  CannotOpenFile,
  CannotWriteToReadOnlyStream,
  // Compressed BLOB streams
  StreamSizeTooSmall,
  CompressBufferFailed,
  DecompressBufferFailed,
  DecompressSizeMismatch,
  DecompressChecksumMismatch,
  CannotReadReadSize,
  InvalidStreamSize,
  ErrorWritingToStream,
  // Data types and definitions
  UnknownDataType,
  UnsupportedDataType,
  DuplicateFieldName,
  ErrorGettingFieldData,
  DifferentListsLength,
  // Values
  ValueIsNull,
  CannotCast,
  NotNumericArgument,
  CannotInvert,
  DivisionError,
  UnsupportedVariantType,
  // Value comparison
  CannotCompareIncompatible,
  UnknownReturnCode,

  Count_  // keep last
};

// REQUIRES: message < Count_. Thread-safe; the text lives for the process.
std::string_view LoadMessage(THalvexMessage message) noexcept;

}  // namespace halvex
