// The engine's CRC-32: reflected EDB88320, start 0, no final inversion.

#include "engine/storage/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/tests/support/stream_doubles.h"

namespace halvex {
namespace {

// Bit by bit, straight from the definition.
std::uint32_t ReferenceCrc(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t crc = 0;
  for (const std::uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0u);
  }
  return crc;
}

TEST(Crc32Test, PinnedValues) {
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"", 0},
      {std::string(1, '\x01'), 0x77073096},
      {std::string(1, '\xFF'), 0x2D02EF8D},
      {"a", 0x3AB551CE},
      {"123456789", 0x2DFD2D88},  // the usual CRC-32 gives CBF43926
      {"The quick brown fox jumps over the lazy dog", 0xB9C60808},
      {"Hello, Halvex!", 0xE8BC8166},
      {"HALVEX", 0xD7D52EF9},
      {std::string(1000, '\0'), 0},
  };
  for (const auto& [text, crc] : cases) EXPECT_EQ(Crc32(text), crc) << text.size();
}

TEST(Crc32Test, MatchesTheBitwiseDefinitionAndContinues) {
  for (const std::size_t size : {1u, 7u, 8u, 9u, 63u, 4096u, 100003u}) {
    SCOPED_TRACE(size);
    const auto bytes = testing::PatternBytes(size, static_cast<std::uint32_t>(size), true);
    const std::uint32_t whole = Crc32(bytes.data(), bytes.size());
    EXPECT_EQ(whole, ReferenceCrc(bytes));
    const std::size_t cut = size / 3;
    EXPECT_EQ(Crc32(bytes.data() + cut, size - cut, Crc32(bytes.data(), cut)), whole);
  }
}

}  // namespace
}  // namespace halvex
