#include "platform/rtl/random.h"

#include <mutex>

#include "platform/rtl/threads.h"

namespace platform {
namespace {

std::mutex& GeneratorLock() {
  static std::mutex lock;
  return lock;
}

TRandomGenerator& Generator() {
  static TRandomGenerator generator(0);
  return generator;
}

}  // namespace

std::int32_t Random(std::int32_t range) {
  if (range <= 0) return 0;
  std::lock_guard guard(GeneratorLock());
  return Generator().Next(range);
}

double RandomFloat() {
  std::lock_guard guard(GeneratorLock());
  return Generator().NextFloat();
}

void RandSeed(std::uint32_t seed) {
  std::lock_guard guard(GeneratorLock());
  Generator().Seed(seed);
}

void Randomize() {
  std::random_device device;
  const auto seed = static_cast<std::uint32_t>(device() ^ GetTickCount64());
  RandSeed(seed);
}

}  // namespace platform
