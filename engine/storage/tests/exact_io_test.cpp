#include "engine/storage/exact_io.h"

#include <gtest/gtest.h>

#include "tests/support/halvex_errors.h"

#include "engine/storage/exception.h"

namespace halvex {
namespace {

// A stream that accepts at most `room` bytes and cannot move past `limit`.
class ShortStream : public platform::TBytesStream {
 public:
  ShortStream(std::int64_t room, std::int64_t limit) : room_(room), limit_(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = std::min(count, room_);
    room_ -= n;
    return TBytesStream::Write(buffer, n);
  }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override {
    const std::int64_t p = TBytesStream::Seek(offset, origin);
    return p > limit_ ? TBytesStream::Seek(limit_, platform::TSeekOrigin::soBeginning) : p;
  }

 private:
  std::int64_t room_;
  std::int64_t limit_;
};

using halvex::testing::Raised;

TEST(ExactIO, ShortReadNamesPositionSizeCountAndBytesRead) {
  platform::TBytesStream s(std::vector<std::uint8_t>(10, 7));
  s.SetPosition(4);
  std::uint8_t buf[16];
  const auto e = Raised([&] { ReadExact(buf, 8, s, 10401); });
  EXPECT_EQ(e.Message(),
            "Cannot read from stream. Position = 4, Stream size = 10, Block size = 8, Bytes Read = 6 - Native error: 10401");
  EXPECT_NO_THROW(ReadExact(buf, 0, s, 1));
}

TEST(ExactIO, ShortWriteAndMissedSeekRaiseWithTheirCodes) {
  ShortStream s(3, 2);
  const std::uint8_t data[5] = {1, 2, 3, 4, 5};
  const auto w = Raised([&] { WriteExact(data, 5, s, 10400); });
  EXPECT_EQ(w.Message(),
            "Cannot write to stream. Position = 0, Stream size = 3, Block size = 5, Bytes Write = 3 - Native error: 10400");
  s.SetPosition(1);
  const auto k = Raised([&] { SeekExact(s, 10103, 9); });
  EXPECT_EQ(k.Message(), "Cannot set stream position to 9. Position = 1, Size = 3 - Native error: 10103");
}

TEST(ExactIO, IntegersAreLittleEndianFieldByField) {
  platform::TBytesStream s;
  WriteInt32(s, -2, 1);
  WriteInt64(s, 0x0102030405060708, 2);
  EXPECT_EQ(s.Bytes(), (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1}));
  s.SetPosition(0);
  EXPECT_EQ(ReadInt32(s, 3), -2);
  EXPECT_EQ(ReadInt64(s, 4), 0x0102030405060708);
  EXPECT_EQ(Raised([&] { ReadInt32(s, 10426); }).NativeError(), 10426);
}

}  // namespace
}  // namespace halvex
