// Throughput of the PPM codec per engine mode, next to zlib and bzip2 on the
// same bytes. Input: 1 MiB of prose, the system license texts followed by text
// generated from their word statistics.
#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/storage/ppm_codec.h"
#include "tests/support/license_texts.h"

namespace {

constexpr std::size_t kCorpusSize = 1 << 20;

struct TMode {
  int Order;
  int MemoryMiB;
};
constexpr TMode kModes[] = {{2, 2}, {3, 3}, {4, 7}, {5, 16}, {7, 30}, {8, 30}, {10, 45}, {13, 100}, {16, 100}};

// Continues `text` with words drawn from a second-order word chain trained on
// the text itself: realistic local statistics without long verbatim repeats.
void AppendMarkovText(std::string& text, std::size_t size) {
  std::vector<std::string> words;
  {
    std::string word;
    for (const char c : text) {
      if (c == ' ' || c == '\n' || c == '\t') {
        if (!word.empty()) {
          words.push_back(word);
          word.clear();
        }
        if (c == '\n') {
          words.emplace_back("\n");
        }
      } else {
        word += c;
      }
    }
  }
  if (words.size() < 3) {
    return;
  }
  std::unordered_map<std::string, std::vector<std::uint32_t>> next;
  for (std::size_t i = 0; i + 2 < words.size(); ++i) {
    next[words[i] + ' ' + words[i + 1]].push_back(static_cast<std::uint32_t>(i + 2));
  }
  std::mt19937 rng(20240611);
  std::size_t a = 0;
  std::size_t b = 1;
  while (text.size() < size) {
    const auto it = next.find(words[a] + ' ' + words[b]);
    std::size_t c;
    if (it == next.end()) {
      c = rng() % (words.size() - 2) + 2;
    } else {
      c = it->second[rng() % it->second.size()];
    }
    text += words[c] == "\n" ? "\n" : (text.empty() || text.back() == '\n' ? "" : " ") + words[c];
    a = c - 1;
    b = c;
  }
  text.resize(size);
}

const std::vector<std::uint8_t>& Corpus() {
  static const std::vector<std::uint8_t> corpus = [] {
    std::string text;
    for (const auto& t : halvex::testing::LicenseTexts()) text.append(t.begin(), t.end());
    if (text.size() > kCorpusSize) {
      text.resize(kCorpusSize);
    }
    if (text.empty()) {
      text =
          "Data is stored in pages. Each page holds rows of a table, and every row\n"
          "carries its key, its values and the version of the transaction that wrote it.\n";
    }
    AppendMarkovText(text, kCorpusSize);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  }();
  return corpus;
}

halvex::TPpmParams ModeParams(const benchmark::State& state) {
  const TMode& m = kModes[state.range(0) - 1];
  return {m.Order, m.MemoryMiB};
}

void BM_PpmCompress(benchmark::State& state) {
  const auto& in = Corpus();
  const auto params = ModeParams(state);
  std::vector<std::uint8_t> out(in.size() * 2 + 64);
  std::size_t size = 0;
  for (auto _ : state) {
    if (!halvex::PpmEncode(in.data(), in.size(), out.data(), out.size(), size, params)) {
      state.SkipWithError("encode failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

void BM_PpmDecompress(benchmark::State& state) {
  const auto& in = Corpus();
  const auto params = ModeParams(state);
  std::vector<std::uint8_t> packed(in.size() * 2 + 64);
  std::size_t size = 0;
  if (!halvex::PpmEncode(in.data(), in.size(), packed.data(), packed.size(), size, params)) {
    state.SkipWithError("encode failed");
    return;
  }
  std::vector<std::uint8_t> back(in.size());
  for (auto _ : state) {
    if (!halvex::PpmDecode(packed.data(), size, back.data(), back.size(), params)) {
      state.SkipWithError("decode failed");
      return;
    }
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

void BM_ZlibCompress(benchmark::State& state) {
  const auto& in = Corpus();
  std::vector<Bytef> out(compressBound(in.size()));
  uLongf size = 0;
  for (auto _ : state) {
    size = out.size();
    compress2(out.data(), &size, in.data(), in.size(), 9);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

void BM_ZlibDecompress(benchmark::State& state) {
  const auto& in = Corpus();
  std::vector<Bytef> packed(compressBound(in.size()));
  uLongf size = packed.size();
  compress2(packed.data(), &size, in.data(), in.size(), 9);
  std::vector<Bytef> back(in.size());
  for (auto _ : state) {
    uLongf backSize = back.size();
    if (uncompress(back.data(), &backSize, packed.data(), size) != Z_OK) {
      state.SkipWithError("uncompress failed");
      return;
    }
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

void BM_Bzip2Compress(benchmark::State& state) {
  const auto& in = Corpus();
  std::vector<char> out(in.size() + in.size() / 100 + 600);
  unsigned int size = 0;
  for (auto _ : state) {
    size = static_cast<unsigned int>(out.size());
    BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(reinterpret_cast<const char*>(in.data())),
                             static_cast<unsigned int>(in.size()), 9, 0, 0);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

void BM_Bzip2Decompress(benchmark::State& state) {
  const auto& in = Corpus();
  std::vector<char> packed(in.size() + in.size() / 100 + 600);
  unsigned int size = static_cast<unsigned int>(packed.size());
  BZ2_bzBuffToBuffCompress(packed.data(), &size, const_cast<char*>(reinterpret_cast<const char*>(in.data())),
                           static_cast<unsigned int>(in.size()), 9, 0, 0);
  std::vector<char> back(in.size());
  for (auto _ : state) {
    unsigned int backSize = static_cast<unsigned int>(back.size());
    if (BZ2_bzBuffToBuffDecompress(back.data(), &backSize, packed.data(), size, 0, 0) != BZ_OK) {
      state.SkipWithError("bzip2 decompress failed");
      return;
    }
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.counters["compressed"] = static_cast<double>(size);
}

}  // namespace

BENCHMARK(BM_PpmCompress)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmDecompress)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bzip2Compress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bzip2Decompress)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
