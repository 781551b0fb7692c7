#include "engine/access/variant.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "engine/access/value_compare.h"
#include "engine/access/value_convert.h"
#include "engine/storage/data_types.h"
#include "engine/storage/exact_io.h"
#include "engine/storage/exception.h"
#include "engine/storage/memory_manager.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/code_page.h"

namespace halvex {
namespace {

// Bytes of the fixed-width base types; 0 for text, BLOB and byte types.
std::int32_t FixedSize(std::uint8_t type) noexcept {
  if (type == 0 || type > kBaseTypeCount || IsTextBaseType(type) || IsBlobBaseType(type) || type == hbtBytes ||
      type == hbtVarBytes)
    return 0;
  return BaseTypeDataSize(type, 0);
}

std::uint8_t* NewBlock(std::int32_t size) { return static_cast<std::uint8_t*>(MemoryManager().GetMem(size)); }

[[noreturn]] void RaiseNull(std::int32_t code) { RaiseHalvex(code, THalvexMessage::ValueIsNull); }

}  // namespace

// --- lifetime ------------------------------------------------------------------

THalvexVariant::THalvexVariant(const THalvexVariant& other) : dataType_(other.dataType_) { Assign(other, 1); }

THalvexVariant& THalvexVariant::operator=(const THalvexVariant& other) {
  if (this != &other) Assign(other, 1);
  return *this;
}

THalvexVariant::THalvexVariant(THalvexVariant&& other) noexcept
    : dataType_(other.dataType_),
      dataSize_(std::exchange(other.dataSize_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      isReference_(std::exchange(other.isReference_, false)),
      isNull_(std::exchange(other.isNull_, 255)) {}

THalvexVariant& THalvexVariant::operator=(THalvexVariant&& other) noexcept {
  if (this != &other) {
    FreeData();
    dataType_ = other.dataType_;
    dataSize_ = std::exchange(other.dataSize_, 0);
    data_ = std::exchange(other.data_, nullptr);
    isReference_ = std::exchange(other.isReference_, false);
    isNull_ = std::exchange(other.isNull_, 255);
  }
  return *this;
}

THalvexVariant::~THalvexVariant() { FreeData(); }

void THalvexVariant::FreeData() noexcept {
  if (data_ != nullptr && !isReference_) {
    if (WipeEnabled() && dataSize_ > 0) std::memset(data_, 0, static_cast<std::size_t>(dataSize_));
    // Our own block with an intact guard: freeing cannot fail.
    try {
      MemoryManager().FreeAndNil(data_);
    } catch (...) {
      std::terminate();  // a value's buffer overrun is memory corruption
    }
  }
  data_ = nullptr;
  dataSize_ = 0;
  isReference_ = false;
  isNull_ = 255;
}

void THalvexVariant::Clear(std::uint8_t dataType) {
  FreeData();
  dataType_ = dataType;
}

void THalvexVariant::CheckNotNull() const {
  if (IsNull()) RaiseNull(30016);
}

// --- buffers -------------------------------------------------------------------

void THalvexVariant::SetBuffer(void* buffer, std::int32_t size) {
  if (buffer == data_ && !isReference_ && buffer != nullptr && size > 0) {
    dataSize_ = size;
    isNull_ = 0;
    return;
  }
  FreeData();
  if (buffer == nullptr || size <= 0) {
    if (buffer != nullptr) MemoryManager().FreeAndNil(buffer);
    return;
  }
  data_ = static_cast<std::uint8_t*>(buffer);
  dataSize_ = size;
  isNull_ = 0;
}

void THalvexVariant::SetSize(std::int32_t size) {
  if (size <= 0) {
    Clear(dataType_);
    return;
  }
  if (data_ == nullptr) {
    data_ = NewBlock(size);
    isReference_ = false;
  } else if (isReference_) {
    std::uint8_t* copy = NewBlock(size);
    std::memcpy(copy, data_, static_cast<std::size_t>(std::min(size, dataSize_)));
    data_ = copy;
    isReference_ = false;
  } else if (size != dataSize_) {
    void* block = data_;
    if (WipeEnabled() && size < dataSize_)
      std::memset(data_ + size, 0, static_cast<std::size_t>(dataSize_ - size));
    MemoryManager().ReallocMem(block, size, true);
    data_ = static_cast<std::uint8_t*>(block);
  }
  dataSize_ = size;
  isNull_ = 0;
}

void THalvexVariant::StoreOwned(const void* source, std::int32_t size) {
  if (size <= 0) {
    // An empty value (empty text BLOB, zero bytes) has no buffer: null.
    FreeData();
    return;
  }
  if (data_ != nullptr && !isReference_ && dataSize_ == size) {
    std::memmove(data_, source, static_cast<std::size_t>(size));
  } else {
    std::uint8_t* block = NewBlock(size);
    std::memcpy(block, source, static_cast<std::size_t>(size));
    FreeData();
    data_ = block;
    dataSize_ = size;
  }
  isReference_ = false;
  isNull_ = 0;
}

void THalvexVariant::SetData(const void* source, std::int32_t size, bool isOwn, int copyMode, std::uint8_t dataType) {
  if (copyMode == 0) {
    if (source != data_) FreeData();
    data_ = static_cast<std::uint8_t*>(const_cast<void*>(source));
    dataSize_ = source != nullptr ? size : 0;
    isReference_ = !isOwn;
  } else {
    StoreOwned(source, source != nullptr ? size : 0);
  }
  dataType_ = dataType;
  isNull_ = data_ != nullptr ? 0 : 255;
}

bool THalvexVariant::GetData(void* target, std::int32_t limit) const {
  if (IsNull()) return false;
  const std::int32_t n = limit >= 0 && limit < dataSize_ ? limit : dataSize_;
  if (n > 0) std::memcpy(target, data_, static_cast<std::size_t>(n));
  return true;
}

// --- virtual operations --------------------------------------------------------

void THalvexVariant::LoadFromStream(platform::TStream& stream) {
  Clear(0);
  std::uint8_t type = 0;
  std::uint8_t null = 0;
  ReadExact(&type, 1, stream, 10183);
  dataType_ = type;
  ReadExact(&null, 1, stream, 10184);
  if (null != 0) return;
  const std::int32_t size = ReadInt32(stream, 10185);
  const std::int64_t position = stream.Position();
  const std::int64_t remaining = stream.Size() - position;
  const std::int32_t fixed = FixedSize(type);
  if (size < 0 || size > remaining || (fixed != 0 && size != fixed)) {
    // Refused before allocating: a corrupt size must not reserve memory.
    RaiseHalvex(10186, THalvexMessage::CannotReadFromStream,
                {position, stream.Size(), size, std::int64_t{0}});
  }
  if (size == 0) return;
  THalvexMemoryBlock block(size);
  ReadExact(block.Get(), size, stream, 10186);
  data_ = static_cast<std::uint8_t*>(block.Release());
  dataSize_ = size;
  isReference_ = false;
  isNull_ = 0;
}

void THalvexVariant::SaveToStream(platform::TStream& stream) const {
  const std::uint8_t null = IsNull() ? 255 : 0;
  WriteExact(&dataType_, 1, stream, 10179);
  WriteExact(&null, 1, stream, 10180);
  if (null != 0) return;
  WriteInt32(stream, dataSize_, 10181);
  WriteExact(data_, dataSize_, stream, 10182);
}

void THalvexVariant::Assign(const THalvexVariant& source, int mode) {
  if (&source == this) return;
  if (source.IsNull()) {
    Clear(source.dataType_);
    return;
  }
  if (mode == 0) {
    FreeData();
    data_ = source.data_;
    dataSize_ = source.dataSize_;
    isReference_ = true;
    isNull_ = 0;
  } else {
    StoreOwned(source.data_, source.dataSize_);
  }
  dataType_ = source.dataType_;
}

// --- typed access ---------------------------------------------------------------

void THalvexVariant::TypedSet(std::uint8_t from, const void* data, std::int32_t size) {
  if (dataType_ == from && data_ != nullptr && !isReference_ && !IsTextBaseType(from) && size == dataSize_) {
    std::memcpy(data_, data, static_cast<std::size_t>(size));
    isNull_ = 0;
    return;
  }
  if (IsBlobBaseType(dataType_)) {
    Clear(from);
  } else {
    Clear(dataType_);
    if (dataType_ == 0) dataType_ = from;
  }
  if (dataType_ == from) {
    StoreOwned(data, size);
    return;
  }
  TValueBuffer converted;
  ConvertData(from, static_cast<const std::uint8_t*>(data), size, dataType_, converted);
  StoreOwned(converted.Data(), converted.Size());
}

template <typename T>
T THalvexVariant::TypedGet(std::uint8_t to) const {
  if (IsNull()) RaiseNull(30016);
  if (dataType_ == to) return LoadScalar<T>(data_, dataSize_);
  TValueBuffer converted;
  ConvertData(dataType_, data_, dataSize_, to, converted);
  return LoadScalar<T>(converted.Data(), converted.Size());
}

#define HALVEX_TYPED(Name, T, Type)                                       \
  T THalvexVariant::As##Name() const { return TypedGet<T>(Type); }        \
  void THalvexVariant::SetAs##Name(T v) { TypedSet(Type, &v, sizeof v); }

HALVEX_TYPED(Int8, std::int8_t, hbtInt8)
HALVEX_TYPED(Int16, std::int16_t, hbtInt16)
HALVEX_TYPED(Int32, std::int32_t, hbtInt32)
HALVEX_TYPED(Int64, std::int64_t, hbtInt64)
HALVEX_TYPED(UInt8, std::uint8_t, hbtUInt8)
HALVEX_TYPED(UInt16, std::uint16_t, hbtUInt16)
HALVEX_TYPED(UInt32, std::uint32_t, hbtUInt32)
HALVEX_TYPED(Single, float, hbtSingle)
HALVEX_TYPED(Double, double, hbtDouble)
HALVEX_TYPED(Date, std::int32_t, hbtDate)
HALVEX_TYPED(Time, std::int32_t, hbtTime)
HALVEX_TYPED(Currency, double, hbtCurrency)
#undef HALVEX_TYPED

long double THalvexVariant::AsExtended() const {
  if (IsNull()) RaiseNull(30016);
  if (dataType_ == hbtExtended) return LoadExtended(data_, dataSize_);
  TValueBuffer converted;
  ConvertData(dataType_, data_, dataSize_, hbtExtended, converted);
  return LoadExtended(converted.Data(), converted.Size());
}

void THalvexVariant::SetAsExtended(long double v) {
  std::uint8_t bytes[10];
  StoreExtended(v, bytes);
  TypedSet(hbtExtended, bytes, 10);
}

bool THalvexVariant::AsLogical() const { return TypedGet<std::int16_t>(hbtLogical) != 0; }

void THalvexVariant::SetAsLogical(bool v) {
  const std::int16_t stored = v ? -1 : 0;
  TypedSet(hbtLogical, &stored, 2);
}

std::string THalvexVariant::AsString() const {
  if (IsNull()) RaiseNull(30016);
  const std::uint8_t* data = data_;
  std::int32_t size = dataSize_;
  TValueBuffer converted;
  if (!IsNarrowTextBaseType(dataType_) && dataType_ != hbtBlob) {
    ConvertData(dataType_, data_, dataSize_, hbtVarChar, converted);
    data = converted.Data();
    size = converted.Size();
  } else if (dataType_ != hbtVarChar && dataType_ != hbtFixedChar) {
    return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));  // BLOB in full
  }
  return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(NarrowTextLength(data, size)));
}

void THalvexVariant::SetAsString(std::string_view v) {
  // Record form: the text and its terminator. Short texts stay on the stack.
  TValueBuffer text;
  std::uint8_t* bytes = text.Reserve(static_cast<std::int32_t>(v.size()) + 1);
  if (!v.empty()) std::memcpy(bytes, v.data(), v.size());
  bytes[v.size()] = 0;
  TypedSet(hbtVarChar, bytes, text.Size());
}

std::u16string THalvexVariant::AsWideString() const {
  if (IsNull()) RaiseNull(30016);
  const std::uint8_t* data = data_;
  std::int32_t size = dataSize_;
  TValueBuffer converted;
  if (!IsWideBaseType(dataType_)) {
    ConvertData(dataType_, data_, dataSize_, hbtVarWideChar, converted);
    data = converted.Data();
    size = converted.Size();
  }
  const std::int32_t units = dataType_ == hbtWideTextBlob ? size / 2 : WideTextLength(data, size);
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  if (units > 0) std::memcpy(out.data(), data, static_cast<std::size_t>(units) * 2);
  return out;
}

void THalvexVariant::SetAsWideString(std::u16string_view v) {
  TValueBuffer text;
  const auto units = static_cast<std::int32_t>(v.size());
  std::uint8_t* bytes = text.Reserve((units + 1) * 2);
  if (units > 0) std::memcpy(bytes, v.data(), v.size() * 2);
  bytes[2 * units] = bytes[2 * units + 1] = 0;
  TypedSet(hbtVarWideChar, bytes, text.Size());
}

platform::TDateTime THalvexVariant::AsDateTimeDate() const {
  const std::int32_t day = AsDate();
  if (day == kNoDate) RaiseHalvex(30051, THalvexMessage::CannotCast, {"DATE", "DATETIME"});
  return static_cast<double>(day) - platform::kDateDelta;
}

void THalvexVariant::SetAsDateTimeDate(platform::TDateTime v) {
  if (!std::isfinite(v) || std::fabs(v) > 3.0e6) RaiseHalvex(30051, THalvexMessage::CannotCast, {"DATETIME", "DATE"});
  SetAsDate(static_cast<std::int32_t>(std::trunc(v)) + platform::kDateDelta);
}

platform::TDateTime THalvexVariant::AsDateTimeTime() const {
  return AsTime() / static_cast<double>(platform::kMSecsPerDay);
}

void THalvexVariant::SetAsDateTimeTime(platform::TDateTime v) {
  if (!std::isfinite(v)) RaiseHalvex(30051, THalvexMessage::CannotCast, {"DATETIME", "TIME"});
  std::int64_t ms = std::llround(std::fabs(v - std::trunc(v)) * platform::kMSecsPerDay);
  if (ms >= platform::kMSecsPerDay) ms = 0;
  SetAsTime(static_cast<std::int32_t>(ms));
}

THalvexDateTimeParts THalvexVariant::AsDateTimeParts() const {
  if (IsNull()) RaiseNull(30016);
  const std::uint8_t* data = data_;
  std::int32_t size = dataSize_;
  TValueBuffer converted;
  if (dataType_ != hbtDateTime) {
    ConvertData(dataType_, data_, dataSize_, hbtDateTime, converted);
    data = converted.Data();
    size = converted.Size();
  }
  return THalvexDateTimeParts{LoadScalar<std::int32_t>(data, size),
                              size >= 8 ? LoadScalar<std::int32_t>(data + 4, size - 4) : 0};
}

void THalvexVariant::SetAsDateTimeParts(THalvexDateTimeParts v) {
  std::uint8_t bytes[8];
  std::memcpy(bytes, &v.Date, 4);
  std::memcpy(bytes + 4, &v.Time, 4);
  TypedSet(hbtDateTime, bytes, 8);
}

platform::TDateTime THalvexVariant::AsDateTime() const {
  const THalvexDateTimeParts parts = AsDateTimeParts();
  if (parts.Date == kNoDate) RaiseHalvex(30051, THalvexMessage::CannotCast, {"DATETIME", "DATETIME"});
  const double day = static_cast<double>(parts.Date) - platform::kDateDelta;
  if (parts.Time == kDateOnly) return day;
  const double fraction = parts.Time / static_cast<double>(platform::kMSecsPerDay);
  return day >= 0 ? day + fraction : day - fraction;
}

void THalvexVariant::SetAsDateTime(platform::TDateTime v) {
  platform::TTimeStamp stamp{};
  try {
    stamp = platform::DateTimeToTimeStamp(v);
  } catch (const platform::Exception&) {
    RaiseHalvex(30051, THalvexMessage::CannotCast, {"DATETIME", "DATETIME"});
  }
  SetAsDateTimeParts(THalvexDateTimeParts{stamp.Date, stamp.Time});
}

// --- conversion in place --------------------------------------------------------

void THalvexVariant::CastTo(std::uint8_t dataType) {
  if (dataType == dataType_) return;
  if (IsNull()) {
    Clear(dataType);
    return;
  }
  const bool narrowPair = (dataType_ == hbtFixedChar || dataType_ == hbtVarChar) &&
                          (dataType == hbtFixedChar || dataType == hbtVarChar);
  const bool widePair = (dataType_ == hbtFixedWideChar || dataType_ == hbtVarWideChar) &&
                        (dataType == hbtFixedWideChar || dataType == hbtVarWideChar);
  if (narrowPair || widePair) {
    dataType_ = dataType;
    return;
  }
  TValueBuffer converted;
  ConvertData(dataType_, data_, dataSize_, dataType, converted);
  StoreOwned(converted.Data(), converted.Size());
  dataType_ = dataType;
}

void THalvexVariant::SetDataType(std::uint8_t dataType) {
  try {
    CastTo(dataType);
  } catch (const EHalvexException& e) {
    // Only a failed conversion turns into null; other failures must surface.
    if (e.NativeError() != 30051 && e.NativeError() != 30052) throw;
    Clear(dataType);
  }
}

std::int32_t THalvexVariant::TextLength() const noexcept {
  if (IsNull()) return -1;
  if (IsBlobBaseType(dataType_)) return dataSize_;
  if (dataType_ == hbtFixedChar || dataType_ == hbtVarChar) return NarrowTextLength(data_, dataSize_);
  if (dataType_ == hbtFixedWideChar || dataType_ == hbtVarWideChar) return WideTextLength(data_, dataSize_);
  return -1;
}

bool THalvexVariant::IsNumeric() const noexcept { return IsNumericBaseType(dataType_); }
bool THalvexVariant::IsInteger() const noexcept { return IsIntegerBaseType(dataType_); }
bool THalvexVariant::IsText() const noexcept { return IsTextBaseType(dataType_); }
bool THalvexVariant::IsWideText() const noexcept { return IsWideBaseType(dataType_); }
bool THalvexVariant::IsBlob() const noexcept { return IsBlobBaseType(dataType_); }
bool THalvexVariant::IsDateOrTime() const noexcept { return IsDateTimeBaseType(dataType_); }

// --- comparison and hash --------------------------------------------------------

int THalvexVariant::Compare(const THalvexVariant& other, bool rawCodes, bool lengthLimited,
                            bool caseInsensitive) const {
  // Text BLOBs compare as text bounded by their size, so no terminated copy
  // is needed.
  const std::int32_t length = lengthLimited ? other.TextLength() : -1;
  const int code = CompareValues(data_, dataSize_, other.data_, other.dataSize_, dataType_, other.dataType_,
                                 caseInsensitive, length, IsNull(), other.IsNull());
  if (rawCodes) return code;
  switch (code) {
    case kCompareFirstNull:
      return kCompareLessThan;
    case kCompareSecondNull:
      return kCompareGreaterThan;
    case kCompareBothNull:
      return kCompareEqualTo;
    default:
      return code;
  }
}

std::uint32_t THalvexVariant::Hash() const noexcept {
  // FNV-1a over the value's bytes in a canonical form.
  std::uint32_t hash = 2166136261u;
  auto mix = [&hash](const std::uint8_t* p, std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) {
      hash ^= p[i];
      hash *= 16777619u;
    }
  };
  if (IsNull()) {
    const std::uint8_t marker = 0xFF;
    mix(&marker, 1);
    return hash;
  }
  switch (dataType_) {
    case hbtFixedChar:
    case hbtVarChar:
      mix(data_, NarrowTextLength(data_, dataSize_));
      break;
    case hbtFixedWideChar:
    case hbtVarWideChar:
      mix(data_, WideTextLength(data_, dataSize_) * 2);
      break;
    case hbtLogical: {
      const std::uint8_t truth = LoadScalar<std::int16_t>(data_, dataSize_) != 0 ? 1 : 0;
      mix(&truth, 1);
      break;
    }
    case hbtSingle:
    case hbtDouble:
    case hbtCurrency:
    case hbtExtended: {
      // Equal numbers hash alike: -0 is 0, and the extended padding is ignored.
      long double v = dataType_ == hbtSingle     ? LoadScalar<float>(data_, dataSize_)
                      : dataType_ == hbtExtended ? LoadExtended(data_, dataSize_)
                                                 : LoadScalar<double>(data_, dataSize_);
      if (v == 0) v = 0;
      std::uint8_t bytes[10];
      StoreExtended(v, bytes);
      mix(bytes, 10);
      break;
    }
    default:
      mix(data_, dataSize_);
      break;
  }
  return hash;
}

}  // namespace halvex
