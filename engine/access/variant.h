#pragma once
// THalvexVariant: the engine's value — one typed value or null, held in a
// buffer in exactly the form a record buffer stores a field of its base type
// (see engine/storage/data_types.h). Owned buffers come from the engine
// memory manager; with the wipe switch on they are zeroed before they are
// freed.
//
// Value stream format (little-endian, each field read and written with its
// own native code):
//
//   offset  width     field      write  read
//   0       1         DataType   10179  10183
//   1       1         IsNull     10180  10184   255 null, 0 value
//   2       4         DataSize   10181  10185   only when IsNull is 0
//   6       DataSize  Data       10182  10186   only when IsNull is 0
//
// Loading refuses (10186) a DataSize that is negative, larger than what the
// stream still holds, or different from the fixed size of the base type.
//
// Typed setters keep the value's type: a 32-bit integer value assigned the
// text "12" stays a 32-bit integer holding 12. Errors are EHalvexException
// with the codes named at each operation; conversions fail with
// "Cannot cast from '%s' to '%s'" (30051 when the data does not convert,
// 30052 when the types have no conversion).
//
// Not thread-safe: a value belongs to one thread at a time.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/date_time.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/variant.h"

namespace halvex {

struct THalvexDateTimeParts {
  std::int32_t Date;  // day number, or kNoDate
  std::int32_t Time;  // milliseconds, or -1 for a date without time
};

class THalvexVariant {
 public:
  // Create(type): a null value of that type (0: untyped).
  explicit THalvexVariant(std::uint8_t dataType = 0) noexcept : dataType_(dataType) {}
  // A copy owns a copy of the source's data.
  THalvexVariant(const THalvexVariant& other);
  THalvexVariant& operator=(const THalvexVariant& other);
  THalvexVariant(THalvexVariant&& other) noexcept;
  THalvexVariant& operator=(THalvexVariant&& other) noexcept;
  virtual ~THalvexVariant();

  // --- virtual operations, in slot order -------------------------------
  // Clears, then reads the value. Raises the exact-I/O errors above.
  virtual void LoadFromStream(platform::TStream& stream);
  virtual void SaveToStream(platform::TStream& stream) const;
  // mode 0: share the source's buffer as a reference (it must outlive this
  // value's use of it); mode 1: copy it.
  virtual void Assign(const THalvexVariant& source, int mode = 1);

  // --- state -------------------------------------------------------------
  std::uint8_t DataType() const noexcept { return dataType_; }
  std::int32_t DataSize() const noexcept { return dataSize_; }
  const std::uint8_t* Data() const noexcept { return data_; }
  bool IsReference() const noexcept { return isReference_; }
  bool IsNull() const noexcept { return isNull_ != 0 || data_ == nullptr; }
  // Raises "Value is Null" (30016) for a null value.
  void CheckNotNull() const;

  // Frees an owned buffer (zeroed first when wiping), forgets a referenced
  // one, leaves a null value of the type.
  void Clear(std::uint8_t dataType);
  void Clear() { Clear(dataType_); }
  // Marks the value null, keeping the buffer.
  void SetNull() noexcept { isNull_ = 255; }

  // Adopts buffer, a block of the engine memory manager, as owned data; a
  // null buffer or size 0 clears the value instead.
  void SetBuffer(void* buffer, std::int32_t size);
  // Resizes the owned buffer (a referenced one is copied first) and marks
  // the value not null; 0 makes it null.
  void SetSize(std::int32_t size);
  // copyMode 0: Data points at source (isOwn: the value adopts it as an
  // engine memory block instead of referencing it); 1: copies size bytes
  // into an owned buffer, reusing the current one when it is owned and of
  // that size. The type is set and the value marked not null.
  void SetData(const void* source, std::int32_t size, bool isOwn, int copyMode, std::uint8_t dataType);
  // Copies up to DataSize bytes (at most limit when it is not -1); false
  // for a null value.
  bool GetData(void* target, std::int32_t limit = -1) const;

  // --- typed access (raise 30016 on a null value, 30051/30052 on failure) --
  std::int8_t AsInt8() const;
  void SetAsInt8(std::int8_t v);
  std::int16_t AsInt16() const;
  void SetAsInt16(std::int16_t v);
  std::int32_t AsInt32() const;
  void SetAsInt32(std::int32_t v);
  std::int64_t AsInt64() const;
  void SetAsInt64(std::int64_t v);
  std::uint8_t AsUInt8() const;
  void SetAsUInt8(std::uint8_t v);
  std::uint16_t AsUInt16() const;
  void SetAsUInt16(std::uint16_t v);
  std::uint32_t AsUInt32() const;
  void SetAsUInt32(std::uint32_t v);
  std::string AsString() const;  // narrow ANSI text
  void SetAsString(std::string_view v);
  std::u16string AsWideString() const;
  void SetAsWideString(std::u16string_view v);
  float AsSingle() const;
  void SetAsSingle(float v);
  double AsDouble() const;
  void SetAsDouble(double v);
  long double AsExtended() const;
  void SetAsExtended(long double v);
  std::int32_t AsDate() const;  // day number
  void SetAsDate(std::int32_t dayNumber);
  platform::TDateTime AsDateTimeDate() const;
  void SetAsDateTimeDate(platform::TDateTime v);
  std::int32_t AsTime() const;  // milliseconds
  void SetAsTime(std::int32_t milliseconds);
  platform::TDateTime AsDateTimeTime() const;
  void SetAsDateTimeTime(platform::TDateTime v);
  THalvexDateTimeParts AsDateTimeParts() const;
  void SetAsDateTimeParts(THalvexDateTimeParts v);
  // Raises 30051 for a value without date (no-date).
  platform::TDateTime AsDateTime() const;
  void SetAsDateTime(platform::TDateTime v);
  bool AsLogical() const;
  void SetAsLogical(bool v);
  double AsCurrency() const;
  void SetAsCurrency(double v);

  // Converts in place; a null value becomes a null value of the type.
  void CastTo(std::uint8_t dataType);
  // CastTo, but a failed conversion leaves a null value of the type.
  void SetDataType(std::uint8_t dataType);
  // Content length for BLOB types, characters up to the terminator for
  // text types, -1 otherwise or when null.
  std::int32_t TextLength() const noexcept;

  bool IsNumeric() const noexcept;
  bool IsInteger() const noexcept;
  bool IsText() const noexcept;
  bool IsWideText() const noexcept;
  bool IsBlob() const noexcept;
  bool IsDateOrTime() const noexcept;

  // Outcome code of value comparison: 0 equal, 1 less, 2 greater, and with
  // rawCodes 3 (this null), 4 (other null), 5 (both null); without them the
  // null codes read 1, 2 and 0.
  int Compare(const THalvexVariant& other, bool rawCodes, bool lengthLimited, bool caseInsensitive) const;
  // Equal values of one type hash alike (text ignores its terminator form,
  // logical values their bit pattern).
  std::uint32_t Hash() const noexcept;

  // --- operators, in place on this value (variant_ops.cpp) ----------------
  void Negate();
  void Add(const THalvexVariant& right);
  void Multiply(const THalvexVariant& right);
  void Divide(const THalvexVariant& right);
  void Abs();
  void Ceil();
  void Floor();
  void Mod(const THalvexVariant& right);
  void Power(const THalvexVariant& right);
  // right null pointer: no argument.
  void Random(const THalvexVariant* right);
  void Round(const THalvexVariant* right);
  void Trunc(const THalvexVariant* right);
  void Sign();
  void BitAnd(const THalvexVariant& right);
  void BitOr(const THalvexVariant& right);
  void BitNot();
  void ShiftLeft(const THalvexVariant& right);
  void ShiftRight(const THalvexVariant& right);
  void BitXor(const THalvexVariant& right);
  // 1: "$" prefix, 2: "0x" prefix and lower case, else none.
  void ToHex(int prefixKind);

  // --- exchange with the platform variant ----------------------------------
  // Raises "Unsupported Variant Type %s" (30113) with the variant type number.
  void FromOleVariant(const platform::TVariant& variant);
  // Raises "Unsupported Variant Type %s" (30114) with the type name.
  platform::TVariant ToOleVariant() const;
  // AssignToField(field) joins when the dataset fields exist.

 private:
  // Stores a value given in the form of type `from` by the typed-set rule.
  void TypedSet(std::uint8_t from, const void* data, std::int32_t size);
  // Copies this value's data converted to `to` into the buffer's bytes.
  template <typename T>
  T TypedGet(std::uint8_t to) const;
  void StoreOwned(const void* data, std::int32_t size);
  void FreeData() noexcept;

  std::uint8_t dataType_ = 0;
  std::int32_t dataSize_ = 0;
  // Owned (engine memory) unless isReference_; then owned by a record
  // buffer or another value that outlives this one.
  std::uint8_t* data_ = nullptr;
  bool isReference_ = false;
  std::uint8_t isNull_ = 255;
};

}  // namespace halvex
