#pragma once
// The system's licence texts (/usr/share/common-licenses), in file-name
// order: stable real prose for compression tests and benchmarks. Empty when
// the folder is missing.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace halvex::testing {

inline std::vector<std::vector<std::uint8_t>> LicenseTexts() {
  std::vector<std::vector<std::uint8_t>> texts;
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/share/common-licenses", ec))
    if (entry.is_regular_file() && !entry.is_symlink()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return texts;
}

}  // namespace halvex::testing
