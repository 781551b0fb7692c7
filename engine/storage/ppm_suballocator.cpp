#include "engine/storage/ppm_suballocator.h"

#include <new>

namespace halvex::ppm {

namespace {

// Free block header: stamp (0 while free, written only during gluing),
// size in units (gluing only) and the free-list link.
constexpr std::uint32_t kStampOffset = 0;
constexpr std::uint32_t kUnitsOffset = 4;
constexpr std::uint32_t kNextOffset = 8;

// Used blocks never start with four zero bytes: a context begins with its
// symbol count (>= 1) and a state array with a symbol and a frequency (>= 1).
constexpr std::uint32_t kUsedStamp = 1;

inline std::uint32_t UnitsOf(int index) { return kUnitTables.IndexToUnits[index]; }
inline int IndexOf(std::uint32_t nu) { return kUnitTables.UnitsToIndex[nu - 1]; }

}  // namespace

bool TSubAllocator::Allocate(std::size_t bytes) {
  // Offsets must fit in 32 bits and the arena must hold the root context.
  if (bytes < (1u << 16) || bytes > (std::size_t{1} << 31)) {
    return false;
  }
  Arena_.reset(new (std::nothrow) std::uint8_t[bytes]);
  if (!Arena_) {
    return false;
  }
  Base_ = Arena_.get();
  Size_ = static_cast<std::uint32_t>(bytes);
  Reset();
  return true;
}

void TSubAllocator::Reset() {
  for (auto& head : FreeList_) {
    head = 0;
  }
  const std::uint32_t sentinel = Size_ - kUnitSize;
  Store32(Base_ + sentinel + kStampOffset, kUsedStamp);
  HiUnit_ = sentinel;
  // Seven eighths of the arena start out as unit space, the rest is history.
  const std::uint32_t unitBytes = Size_ / 8 / kUnitSize * 7 * kUnitSize;
  UnitsStart_ = LoUnit_ = HiUnit_ - unitBytes;
  Text_ = 1;
  GlueBudget_ = 0;
}

void TSubAllocator::InsertNode(std::uint32_t node, int index) {
  Store32(Base_ + node + kNextOffset, FreeList_[index]);
  FreeList_[index] = node;
}

std::uint32_t TSubAllocator::RemoveNode(int index) {
  const std::uint32_t node = FreeList_[index];
  FreeList_[index] = Load32(Base_ + node + kNextOffset);
  return node;
}

void TSubAllocator::SplitBlock(std::uint32_t block, int oldIndex, int newIndex) {
  InsertRemainder(block + UnitsOf(newIndex) * kUnitSize, UnitsOf(oldIndex) - UnitsOf(newIndex));
}

void TSubAllocator::InsertRemainder(std::uint32_t p, std::uint32_t nu) {
  int i = IndexOf(nu);
  if (UnitsOf(i) != nu) {
    // No list of exactly this size: hand back the next smaller block and the rest.
    --i;
    const std::uint32_t k = UnitsOf(i);
    InsertNode(p, i);
    p += k * kUnitSize;
    nu -= k;
    i = IndexOf(nu);
  }
  InsertNode(p, i);
}

void TSubAllocator::GlueFreeBlocks() {
  ++GluePasses_;
  std::uint8_t* const b = Base_;

  // Gather every free block into one list and stamp it as free.
  std::uint32_t head = 0;
  for (int i = 0; i < kNumIndexes; ++i) {
    std::uint32_t node = FreeList_[i];
    while (node != 0) {
      const std::uint32_t next = Load32(b + node + kNextOffset);
      Store32(b + node + kStampOffset, 0);
      Store32(b + node + kUnitsOffset, UnitsOf(i));
      Store32(b + node + kNextOffset, head);
      head = node;
      node = next;
    }
    FreeList_[i] = 0;
  }
  // The untouched gap holds garbage; make sure merging stops at its start.
  if (LoUnit_ != HiUnit_) {
    Store32(b + LoUnit_ + kStampOffset, kUsedStamp);
  }

  // Absorb physically following free blocks; absorbed ones get a used stamp.
  for (std::uint32_t node = head; node != 0; node = Load32(b + node + kNextOffset)) {
    if (Load32(b + node + kStampOffset) != 0) {
      continue;
    }
    std::uint32_t nu = Load32(b + node + kUnitsOffset);
    for (;;) {
      const std::uint32_t follower = node + nu * kUnitSize;
      if (Load32(b + follower + kStampOffset) != 0) {
        break;
      }
      nu += Load32(b + follower + kUnitsOffset);
      Store32(b + follower + kStampOffset, kUsedStamp);
    }
    Store32(b + node + kUnitsOffset, nu);
  }

  // Relink the survivors only, so that refilling the lists below can freely
  // overwrite the absorbed headers.
  std::uint32_t survivors = 0;
  for (std::uint32_t node = head; node != 0;) {
    const std::uint32_t next = Load32(b + node + kNextOffset);
    if (Load32(b + node + kStampOffset) == 0) {
      Store32(b + node + kNextOffset, survivors);
      survivors = node;
    }
    node = next;
  }

  for (std::uint32_t node = survivors; node != 0;) {
    const std::uint32_t next = Load32(b + node + kNextOffset);
    std::uint32_t nu = Load32(b + node + kUnitsOffset);
    std::uint32_t p = node;
    while (nu > kMaxBlockUnits) {
      InsertNode(p, kNumIndexes - 1);
      p += kMaxBlockUnits * kUnitSize;
      nu -= kMaxBlockUnits;
    }
    InsertRemainder(p, nu);
    node = next;
  }
}

std::uint32_t TSubAllocator::AllocUnitsRare(int index) {
  if (GlueBudget_ == 0) {
    // Gluing is costly; after a pass allow many fallbacks before the next one.
    GlueBudget_ = 255;
    GlueFreeBlocks();
    if (FreeList_[index] != 0) {
      return RemoveNode(index);
    }
  }
  int i = index;
  do {
    if (++i == kNumIndexes) {
      const std::uint32_t bytes = UnitsOf(index) * kUnitSize;
      --GlueBudget_;
      if (UnitsStart_ - Text_ > bytes) {
        UnitsStart_ -= bytes;
        return UnitsStart_;
      }
      return 0;
    }
  } while (FreeList_[i] == 0);
  const std::uint32_t block = RemoveNode(i);
  SplitBlock(block, i, index);
  return block;
}

std::uint32_t TSubAllocator::AllocContext() {
  if (HiUnit_ != LoUnit_) {
    HiUnit_ -= kUnitSize;
    return HiUnit_;
  }
  if (FreeList_[0] != 0) {
    return RemoveNode(0);
  }
  return AllocUnitsRare(0);
}

std::uint32_t TSubAllocator::AllocUnits(std::uint32_t nu) {
  const int index = IndexOf(nu);
  if (FreeList_[index] != 0) {
    return RemoveNode(index);
  }
  const std::uint32_t bytes = UnitsOf(index) * kUnitSize;
  if (HiUnit_ - LoUnit_ >= bytes) {
    const std::uint32_t block = LoUnit_;
    LoUnit_ += bytes;
    return block;
  }
  return AllocUnitsRare(index);
}

std::uint32_t TSubAllocator::ExpandUnits(std::uint32_t block, std::uint32_t oldNu) {
  const int oldIndex = IndexOf(oldNu);
  if (oldIndex == IndexOf(oldNu + 1)) {
    return block;
  }
  const std::uint32_t moved = AllocUnits(oldNu + 1);
  if (moved != 0) {
    std::memcpy(Base_ + moved, Base_ + block, oldNu * kUnitSize);
    InsertNode(block, oldIndex);
  }
  return moved;
}

std::uint32_t TSubAllocator::ShrinkUnits(std::uint32_t block, std::uint32_t oldNu, std::uint32_t newNu) {
  const int oldIndex = IndexOf(oldNu);
  const int newIndex = IndexOf(newNu);
  if (oldIndex == newIndex) {
    return block;
  }
  if (FreeList_[newIndex] != 0) {
    const std::uint32_t moved = RemoveNode(newIndex);
    std::memcpy(Base_ + moved, Base_ + block, newNu * kUnitSize);
    InsertNode(block, oldIndex);
    return moved;
  }
  SplitBlock(block, oldIndex, newIndex);
  return block;
}

void TSubAllocator::FreeUnits(std::uint32_t block, std::uint32_t nu) { InsertNode(block, IndexOf(nu)); }

}  // namespace halvex::ppm
