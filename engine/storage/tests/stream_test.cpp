// Whole-stream copies of the stream base: progress, abort, failures and the
// restored positions; the 32-bit seek; Lock and Unlock.

#include "engine/storage/stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "engine/storage/memory_stream.h"
#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/exception.h"

namespace halvex {
namespace {

using platform::TBytesStream;
using platform::TSeekOrigin;
using testing::ExpectHalvexError;
using testing::PatternBytes;
using testing::TBudgetStream;

// A memory stream whose reads or writes fall short after a budget.
class TShortMemoryStream : public THalvexMemoryStream {
 public:
  std::int64_t readBudget = -1;
  std::int64_t writeBudget = -1;

  std::int64_t Read(void* buffer, std::int64_t count) override {
    return THalvexMemoryStream::Read(buffer, Take(readBudget, count));
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    return THalvexMemoryStream::Write(buffer, Take(writeBudget, count));
  }

 private:
  static std::int64_t Take(std::int64_t& budget, std::int64_t count) {
    if (budget < 0) return count;
    const std::int64_t granted = count < budget ? count : budget;
    budget -= granted;
    return granted;
  }
};

void Fill(THalvexStream& stream, const std::vector<std::uint8_t>& bytes) {
  if (!bytes.empty()) {
    ASSERT_EQ(stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size())),
              static_cast<std::int64_t>(bytes.size()));
  }
}

// Records every progress call; aborts on call number abortAt (0-based).
struct TProgressLog {
  std::vector<double> percents;
  int abortAt = -1;

  THalvexProgressEvent Event(THalvexStream* expectedSender) {
    return [this, expectedSender](THalvexStream* sender, bool& abort, double percent) {
      EXPECT_EQ(sender, expectedSender);
      if (static_cast<int>(percents.size()) == abortAt) abort = true;
      percents.push_back(percent);
    };
  }
};

void ExpectPercents(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-9) << "call " << i;
}

struct TProgressCase {
  std::int64_t size;
  std::int32_t blockSize;
  std::vector<double> percents;
};

const TProgressCase kProgressCases[] = {
    {250000, 102400, {0, 40.96, 81.92, 100, 100}},
    {102400, 102400, {0, 100, 100}},
    {1, 102400, {0, 100, 100}},
    {0, 102400, {0, 100}},
    {10, 3, {0, 30, 60, 90, 100, 100}},
};

TEST(StreamCopyTest, SaveToStreamReportsProgressAndRestoresBothPositions) {
  for (const auto& c : kProgressCases) {
    SCOPED_TRACE(c.size);
    const auto data = PatternBytes(static_cast<std::size_t>(c.size), 1);
    THalvexMemoryStream source;
    Fill(source, data);
    source.SetBlockSize(c.blockSize);
    source.Seek(std::int64_t{7}, TSeekOrigin::soBeginning);
    TBytesStream destination(std::vector<std::uint8_t>{9, 9, 9});
    destination.SetPosition(2);
    TProgressLog log;
    source.OnProgress = log.Event(&source);

    source.SaveToStream(destination);

    ExpectPercents(log.percents, c.percents);
    EXPECT_FALSE(source.Aborted());
    EXPECT_EQ(source.Position(), 7);
    EXPECT_EQ(destination.Position(), 2);
    std::vector<std::uint8_t> expected{9, 9};
    expected.insert(expected.end(), data.begin(), data.end());
    if (data.empty()) expected.push_back(9);
    EXPECT_EQ(destination.Bytes(), expected);
  }
}

TEST(StreamCopyTest, LoadFromStreamReplacesContentsAndRestoresBothPositions) {
  for (const auto& c : kProgressCases) {
    SCOPED_TRACE(c.size);
    const auto data = PatternBytes(static_cast<std::size_t>(c.size) + 5, 2);
    TBytesStream source(data);
    source.SetPosition(3);
    THalvexMemoryStream target;
    Fill(target, PatternBytes(5000, 3));
    target.Seek(std::int64_t{300}, TSeekOrigin::soBeginning);
    target.SetBlockSize(c.blockSize);
    TProgressLog log;
    target.OnProgress = log.Event(&target);

    target.LoadFromStream(source, c.size, 5);

    ExpectPercents(log.percents, c.percents);
    EXPECT_EQ(source.Position(), 3);
    EXPECT_EQ(target.Position(), 300);
    EXPECT_EQ(testing::ReadAll(target), std::vector<std::uint8_t>(data.begin() + 5, data.end()));
  }
}

TEST(StreamCopyTest, LoadFromStreamWithoutRangeTakesTheWholeSource) {
  const auto data = PatternBytes(1000, 4);
  TBytesStream source(data);
  source.SetPosition(600);
  THalvexMemoryStream target;
  target.LoadFromStream(source);
  EXPECT_EQ(testing::ReadAll(target), data);
  EXPECT_EQ(source.Position(), 600);
}

struct TAbortCase {
  int abortAt;
  std::vector<double> percents;
  std::int64_t copied;
};

TEST(StreamCopyTest, AbortStopsAfterTheCurrentChunk) {
  const TAbortCase cases[] = {
      {0, {0}, 0},
      {1, {0, 40.96}, 102400},
      {2, {0, 40.96, 81.92}, 204800},
      {3, {0, 40.96, 81.92, 100}, 250000},
  };
  const auto data = PatternBytes(250000, 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.abortAt);
    THalvexMemoryStream source;
    Fill(source, data);
    TBytesStream destination;
    TProgressLog log;
    log.abortAt = c.abortAt;
    source.OnProgress = log.Event(&source);

    source.SaveToStream(destination);

    ExpectPercents(log.percents, c.percents);
    EXPECT_TRUE(source.Aborted());
    EXPECT_EQ(destination.Size(), c.copied);

    // The next copy starts afresh.
    log = TProgressLog{};
    TBytesStream again;
    source.SaveToStream(again);
    EXPECT_FALSE(source.Aborted());
    EXPECT_EQ(again.Size(), 250000);
  }
}

TEST(StreamCopyTest, BlockSizeMustBePositive) {
  THalvexMemoryStream stream;
  Fill(stream, PatternBytes(10, 6));
  TBytesStream other(PatternBytes(10, 7));
  stream.SetBlockSize(0);
  ExpectHalvexError(10418, "Stream block size = 0 is not allowed", [&] { stream.SaveToStream(other); });
  ExpectHalvexError(10419, "Stream block size = 0 is not allowed", [&] { stream.LoadFromStream(other); });
  stream.SetBlockSize(-1);
  ExpectHalvexError(10418, "Stream block size = -1 is not allowed", [&] { stream.SaveToStream(other); });
  EXPECT_EQ(stream.Size(), 10);  // refused before anything changed
}

TEST(StreamCopyTest, ShortWriteOnSaveNamesTheDestinationAndRestoresPositions) {
  THalvexMemoryStream source;
  Fill(source, PatternBytes(250000, 8));
  source.Seek(std::int64_t{11}, TSeekOrigin::soBeginning);
  TBudgetStream destination;
  destination.writeBudget = 150000;
  ExpectHalvexError(10147,
                    "Cannot write to stream. Position = 102400, Stream size = 150000, Block size = 102400, "
                    "Bytes Write = 47600",
                    [&] { source.SaveToStream(destination); });
  EXPECT_EQ(source.Position(), 11);
  EXPECT_EQ(destination.Position(), 0);
}

TEST(StreamCopyTest, ShortReadOnSaveNamesTheSource) {
  TShortMemoryStream source;
  Fill(source, PatternBytes(1000, 9));
  source.SetBlockSize(400);
  source.readBudget = 500;
  TBytesStream destination;
  ExpectHalvexError(10146,
                    "Cannot read from stream. Position = 400, Stream size = 1000, Block size = 400, Bytes Read = 100",
                    [&] { source.SaveToStream(destination); });
  EXPECT_EQ(source.Position(), 1000);
}

TEST(StreamCopyTest, LoadFailuresUseTheirOwnCodes) {
  TBytesStream source(PatternBytes(1000, 10));
  source.SetPosition(17);
  THalvexMemoryStream target;
  ExpectHalvexError(10148,
                    "Cannot read from stream. Position = 0, Stream size = 1000, Block size = 2000, Bytes Read = 1000",
                    [&] { target.LoadFromStream(source, 2000, 0); });
  EXPECT_EQ(source.Position(), 17);
  // A start the source cannot reach would copy the wrong bytes.
  ExpectHalvexError(10148, "Cannot set stream position to -1. Position = 17, Size = 1000",
                    [&] { target.LoadFromStream(source, 10, -1); });
  EXPECT_EQ(source.Position(), 17);

  TShortMemoryStream shortTarget;
  shortTarget.writeBudget = 30;
  ExpectHalvexError(10149,
                    "Cannot write to stream. Position = 0, Stream size = 30, Block size = 1000, Bytes Write = 30",
                    [&] { shortTarget.LoadFromStream(source); });
  EXPECT_EQ(source.Position(), 17);
}

TEST(StreamSeekTest, ThirtyTwoBitSeekRefusesResultsBeyondItsRange) {
  THalvexMemoryStream stream;
  EXPECT_EQ(stream.Seek(std::int32_t{0x7FFFFFFF}, TSeekOrigin::soBeginning), 0x7FFFFFFF);
  EXPECT_THROW(stream.Seek(std::int32_t{1}, TSeekOrigin::soCurrent), platform::ERangeError);
  EXPECT_EQ(stream.Position(), 0x7FFFFFFF);
  stream.Seek(std::int64_t{3000000000}, TSeekOrigin::soBeginning);
  EXPECT_THROW(stream.Seek(std::int32_t{0}, TSeekOrigin::soCurrent), platform::ERangeError);
  EXPECT_EQ(stream.Position(), 3000000000);
  EXPECT_EQ(stream.Seek(std::int32_t{-1000000000}, TSeekOrigin::soCurrent), 2000000000);
}

TEST(StreamLockTest, WriteLockSerialisesOwnersOnSeveralThreads) {
  THalvexMemoryStream stream;
  std::int64_t counter = 0;  // guarded by the stream's lock
  auto work = [&] {
    for (int i = 0; i < 2000; ++i) {
      THalvexStreamLock hold(stream, true);
      const std::int64_t seen = counter;
      platform::ThreadYield();
      counter = seen + 1;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 4000);
}

}  // namespace
}  // namespace halvex
