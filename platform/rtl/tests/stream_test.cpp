#include "platform/rtl/stream.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(BytesStream, ReadWriteSeekAndGaps) {
  TBytesStream s;
  EXPECT_EQ(s.Write("abc", 3), 3);
  EXPECT_EQ(s.Position(), 3);
  s.Seek(2, TSeekOrigin::soEnd);  // past the end: the next write fills the gap
  EXPECT_EQ(s.Write("z", 1), 1);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Bytes(), (std::vector<std::uint8_t>{'a', 'b', 'c', 0, 0, 'z'}));
  s.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 5);
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_EQ(s.Read(buf, -1), 0);
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2) << "position moved back to the new end";
  EXPECT_EQ(s.Seek(-10, TSeekOrigin::soCurrent), 0) << "no negative positions";
}

TEST(Stream, DefaultSizeRestoresPosition) {
  // TStream's own GetSize seeks to the end and back.
  struct Fixed : TStream {
    std::int64_t pos = 0;
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
      pos = (origin == TSeekOrigin::soEnd ? 77 : origin == TSeekOrigin::soCurrent ? pos : 0) + offset;
      return pos;
    }
  } s;
  s.SetPosition(5);
  EXPECT_EQ(s.Size(), 77);
  EXPECT_EQ(s.Position(), 5);
}

}  // namespace
}  // namespace platform
