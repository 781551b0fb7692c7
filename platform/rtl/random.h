#pragma once
// A seeded pseudo-random generator, and the process-wide one behind Random().

#include <cstdint>
#include <random>

namespace platform {

// Not thread-safe: one owner, one thread. The same seed gives the same
// sequence on every machine (the draws avoid library-specific distributions).
class TRandomGenerator {
 public:
  explicit TRandomGenerator(std::uint32_t seed = 0) : engine_(seed) {}

  void Seed(std::uint32_t seed) { engine_.seed(seed); }
  // REQUIRES: range > 0. Returns a value in [0, range).
  std::int32_t Next(std::int32_t range) {
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(engine_()) * static_cast<std::uint32_t>(range)) >> 32);
  }
  // Returns a value in [0, 1).
  double NextFloat() {
    const std::uint64_t high = engine_() >> 5;  // 27 bits
    const std::uint64_t low = engine_() >> 6;   // 26 bits
    return static_cast<double>((high << 26) | low) * (1.0 / 9007199254740992.0);
  }

 private:
  std::mt19937 engine_;
};

// Process-wide generator, safe from any thread. Seeded with 0 at start, so a
// program that never calls Randomize draws the same numbers on every run.
std::int32_t Random(std::int32_t range);  // [0, range); range <= 0 gives 0
double RandomFloat();                      // [0, 1)
void RandSeed(std::uint32_t seed);
void Randomize();  // seeds from the clock

}  // namespace platform
