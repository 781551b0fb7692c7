#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace halvex::ppm {

// All model records live in 12-byte units inside one arena and refer to each
// other through 32-bit offsets from the arena start; offset 0 means "none".
inline constexpr std::uint32_t kUnitSize = 12;
inline constexpr int kNumIndexes = 38;
inline constexpr std::uint32_t kMaxBlockUnits = 128;

// Byte-wise accessors keep the arena free of type punning and alignment demands.
inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, sizeof v); }
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

// Block sizes (in units) of the free lists: 1..4, 6..12, 15..24, 28..128.
struct TUnitTables {
  std::uint8_t IndexToUnits[kNumIndexes];
  std::uint8_t UnitsToIndex[kMaxBlockUnits];

  constexpr TUnitTables() : IndexToUnits{}, UnitsToIndex{} {
    std::uint32_t units = 0;
    for (int i = 0; i < kNumIndexes; ++i) {
      const std::uint32_t step = i < 4 ? 1 : i < 8 ? 2 : i < 12 ? 3 : 4;
      units += step;
      IndexToUnits[i] = static_cast<std::uint8_t>(units);
    }
    int idx = 0;
    for (std::uint32_t nu = 1; nu <= kMaxBlockUnits; ++nu) {
      if (IndexToUnits[idx] < nu) {
        ++idx;
      }
      UnitsToIndex[nu - 1] = static_cast<std::uint8_t>(idx);
    }
  }
};

inline constexpr TUnitTables kUnitTables{};
static_assert(kUnitTables.IndexToUnits[kNumIndexes - 1] == kMaxBlockUnits);

// Arena layout, low to high:
//   [0]                 reserved so that offset 0 can mean "none"
//   [1, Text)           raw history bytes, growing up
//   [UnitsStart, LoUnit) units handed out by AllocUnits, growing up
//   [LoUnit, HiUnit)    untouched space
//   [HiUnit, End - 12)  contexts handed out by AllocContext, growing down
//   [End - 12, End)     sentinel unit that stops free-block gluing
// When the unit space runs dry the units area may also eat into the history
// area from above; the model restarts once the two meet.
class TSubAllocator {
 public:
  // Reserves exactly `bytes` bytes (uninitialised); false when that fails.
  bool Allocate(std::size_t bytes);

  // Forgets every allocation; touches only a few bytes of the arena.
  void Reset();

  std::uint8_t* Base() const { return Base_; }
  std::uint32_t Size() const { return Size_; }

  // Each allocator returns an offset, or 0 when memory is exhausted.
  std::uint32_t AllocContext();
  std::uint32_t AllocUnits(std::uint32_t nu);
  // Grows a block of oldNu units to oldNu + 1 units, moving it if needed.
  std::uint32_t ExpandUnits(std::uint32_t block, std::uint32_t oldNu);
  // Shrinks a block; never fails, may move the block.
  std::uint32_t ShrinkUnits(std::uint32_t block, std::uint32_t oldNu, std::uint32_t newNu);
  void FreeUnits(std::uint32_t block, std::uint32_t nu);

  // History area: the model appends one byte at a time and checks the
  // returned position against UnitsStart itself.
  std::uint32_t& Text() { return Text_; }
  std::uint32_t UnitsStart() const { return UnitsStart_; }

  // Exposed for tests: number of times free blocks were merged.
  std::uint64_t GlueCount() const { return GluePasses_; }

 private:
  void InsertNode(std::uint32_t node, int index);
  std::uint32_t RemoveNode(int index);
  void SplitBlock(std::uint32_t block, int oldIndex, int newIndex);
  // Files nu free units at p under the lists, in at most two pieces.
  void InsertRemainder(std::uint32_t p, std::uint32_t nu);
  void GlueFreeBlocks();
  std::uint32_t AllocUnitsRare(int index);

  std::unique_ptr<std::uint8_t[]> Arena_;
  std::uint8_t* Base_ = nullptr;
  std::uint32_t Size_ = 0;
  std::uint32_t Text_ = 0;
  std::uint32_t UnitsStart_ = 0;
  std::uint32_t LoUnit_ = 0;
  std::uint32_t HiUnit_ = 0;
  std::uint32_t GlueBudget_ = 0;
  std::uint64_t GluePasses_ = 0;
  std::uint32_t FreeList_[kNumIndexes] = {};
};

}  // namespace halvex::ppm
