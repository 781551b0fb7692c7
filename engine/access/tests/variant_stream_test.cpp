#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "engine/access/tests/variant_fixture.h"
#include "engine/storage/memory_manager.h"
#include "platform/rtl/stream.h"
#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

using namespace halvex::testing;
using ValueStream = ValueTest;

THalvexVariant RoundTrip(const THalvexVariant& value) {
  platform::TBytesStream stream;
  value.SaveToStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  stream.SetPosition(0);
  THalvexVariant loaded(hbtInt32);  // loading replaces whatever was there
  loaded.SetAsInt32(99);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  return loaded;
}

TEST_F(ValueStream, EveryBaseTypeRoundTrips) {
  const THalvexVariant values[] = {
      Text("fix", hbtFixedChar), Wide(u"w\u0151", hbtFixedWideChar), Text("var"), Wide(u"vw"),
      Int8(-8), Int16(-1600), Int32(-320000), Int64(-6400000000LL), UInt8(200), UInt16(60000),
      UInt32(4000000000u), Single(1.5f), Double(-2.25), Extended(3.125L), Date(730119), Time(45296000),
      DateTime(730119, 45296000), Bytes(std::string_view("\x00\x01\xFF", 3), hbtBlob), Bytes("memo", hbtTextBlob),
      Bytes(std::string_view("w\0", 2), hbtWideTextBlob), Logical(true), Currency(12.3456),
      Bytes("fixed bytes"), Bytes("var bytes", hbtVarBytes),
  };
  std::uint8_t type = 1;
  for (const THalvexVariant& value : values) {
    SCOPED_TRACE("base type " + std::to_string(type));
    ASSERT_EQ(value.DataType(), type);
    const THalvexVariant loaded = RoundTrip(value);
    EXPECT_EQ(loaded.DataType(), type);
    ASSERT_EQ(loaded.DataSize(), value.DataSize());
    EXPECT_EQ(std::memcmp(loaded.Data(), value.Data(), static_cast<std::size_t>(value.DataSize())), 0);
    if (type != hbtBlob && type != hbtBytes && type != hbtVarBytes) {
      EXPECT_EQ(loaded.Compare(value, true, false, false), 0);
    }

    THalvexVariant null(type);
    const THalvexVariant loadedNull = RoundTrip(null);
    EXPECT_TRUE(loadedNull.IsNull());
    EXPECT_EQ(loadedNull.DataType(), type);
    ++type;
  }
}

TEST_F(ValueStream, LayoutPinnedAgainstHandBuiltBytes) {
  platform::TBytesStream stream;
  Int16(0x1234).SaveToStream(stream);
  EXPECT_EQ(stream.Bytes(), (std::vector<std::uint8_t>{6, 0, 2, 0, 0, 0, 0x34, 0x12}));
  platform::TBytesStream nullStream;
  THalvexVariant(hbtVarChar).SaveToStream(nullStream);
  EXPECT_EQ(nullStream.Bytes(), (std::vector<std::uint8_t>{3, 255}));
  platform::TBytesStream text(std::vector<std::uint8_t>{3, 0, 3, 0, 0, 0, 'h', 'i', 0});
  THalvexVariant v;
  v.LoadFromStream(text);
  EXPECT_EQ(v.AsString(), "hi");
}

struct CorruptCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::int32_t code;
};

void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }

class CorruptValueStream : public ValueTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptValueStream, RaisesItsFieldCodeWithoutAllocating) {
  const CorruptCase& c = GetParam();
  platform::TBytesStream stream(c.bytes);
  THalvexVariant v;
  const std::int64_t before = MemoryManager().AllocatedBytes();
  const auto e = testing::Raised([&] { v.LoadFromStream(stream); });
  EXPECT_EQ(e.NativeError(), c.code) << e.Message();
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CorruptValueStream,
    ::testing::Values(CorruptCase{"empty", {}, 10183}, CorruptCase{"no_null_flag", {7}, 10184},
                      CorruptCase{"short_size", {7, 0, 4, 0}, 10185},
                      CorruptCase{"short_data", {7, 0, 4, 0, 0, 0, 1, 2}, 10186},
                      CorruptCase{"negative_size", {3, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 10186},
                      CorruptCase{"huge_size", {3, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, 10186},
                      CorruptCase{"wrong_fixed_size", {7, 0, 2, 0, 0, 0, 1, 2}, 10186}),
    [](const ::testing::TestParamInfo<CorruptCase>& info) { return std::string(info.param.name); });

TEST_F(ValueStream, ShortReadMessageNamesTheField) {
  platform::TBytesStream stream(std::vector<std::uint8_t>{7, 0, 4, 0, 0, 0, 1, 2});
  THalvexVariant v;
  const auto e = testing::Raised([&] { v.LoadFromStream(stream); });
  EXPECT_EQ(e.Message(),
            "Cannot read from stream. Position = 6, Stream size = 8, Block size = 4, Bytes Read = 0 - Native error: 10186");
}

// A stream that takes a fixed number of bytes and then refuses.
class FullStream : public platform::TStream {
 public:
  explicit FullStream(std::int64_t capacity) : capacity_(capacity) {}
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override {
    const std::int64_t n = std::min(count, capacity_ - position_);
    position_ += n;
    return n;
  }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override {
    if (origin == platform::TSeekOrigin::soBeginning) position_ = offset;
    if (origin == platform::TSeekOrigin::soCurrent) position_ += offset;
    if (origin == platform::TSeekOrigin::soEnd) position_ = capacity_ + offset;
    return position_;
  }

 private:
  std::int64_t capacity_;
  std::int64_t position_ = 0;
};

TEST_F(ValueStream, EachWrittenFieldHasItsCode) {
  const THalvexVariant value = Int32(1);
  const std::pair<std::int64_t, std::int32_t> cases[] = {{0, 10179}, {1, 10180}, {2, 10181}, {6, 10182}};
  for (const auto& [capacity, code] : cases) {
    FullStream stream(capacity);
    EXPECT_EQ(testing::Raised([&] { value.SaveToStream(stream); }).NativeError(), code) << capacity;
  }
}

}  // namespace
}  // namespace halvex
