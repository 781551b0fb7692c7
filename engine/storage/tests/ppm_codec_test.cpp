#include "engine/storage/ppm_codec.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include "tests/support/license_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/storage/ppm_model.h"
#include "engine/storage/ppm_suballocator.h"
#include "engine/storage/range_coder.h"

namespace halvex {
namespace {

using TBytes = std::vector<std::uint8_t>;

struct TMode {
  int Number;
  TPpmParams Params;
};

// The parameter pairs the engine uses for its compression modes 1..9.
const TMode kModes[] = {{1, {2, 2}},  {2, {3, 3}},   {3, {4, 7}},    {4, {5, 16}},  {5, {7, 30}},
                        {6, {8, 30}}, {7, {10, 45}}, {8, {13, 100}}, {9, {16, 100}}};

std::string ModeName(const TMode& mode) { return "Mode" + std::to_string(mode.Number); }

// ---------------------------------------------------------------- test data

const std::vector<std::string>& EnglishWords() {
  static const std::vector<std::string> words = {
      "the",        "of",       "and",     "to",         "in",       "a",           "is",      "that",     "for",
      "it",         "as",       "was",     "with",       "be",       "by",          "on",      "not",      "he",
      "this",       "are",      "or",      "his",        "from",     "at",          "which",   "but",      "have",
      "an",         "had",      "they",    "you",        "were",     "their",       "one",     "all",      "we",
      "can",        "her",      "has",     "there",      "been",     "if",          "more",    "when",     "will",
      "would",      "who",      "so",      "no",         "she",      "other",       "its",     "may",      "these",
      "some",       "them",     "than",    "only",       "time",     "new",         "could",   "into",     "two",
      "then",       "do",       "first",   "any",        "my",       "now",         "such",    "like",     "our",
      "over",       "man",      "me",      "even",       "most",     "made",        "after",   "also",     "did",
      "many",       "before",   "must",    "through",    "years",    "where",       "much",    "your",     "way",
      "well",       "down",     "should",  "because",    "each",     "just",        "those",   "people",   "how",
      "too",        "little",   "state",   "good",       "very",     "make",        "world",   "still",    "own",
      "see",        "men",      "work",    "long",       "get",      "here",        "between", "both",     "life",
      "being",      "under",    "never",   "day",        "same",     "another",     "know",    "while",    "last",
      "might",      "us",       "great",   "old",        "year",     "off",         "come",    "since",    "against",
      "go",         "came",     "right",   "used",       "take",     "three",       "himself", "few",      "house",
      "use",        "during",   "without", "again",      "place",    "around",      "however", "home",     "small",
      "found",      "thought",  "went",    "say",        "part",     "once",        "general", "high",     "upon",
      "school",     "every",    "does",    "got",        "united",   "left",        "number",  "course",   "war",
      "until",      "always",   "away",    "something",  "fact",     "water",       "though",  "less",     "public",
      "put",        "think",    "almost",  "hand",       "enough",   "far",         "took",    "head",     "yet",
      "government", "system",   "better",  "set",        "told",     "nothing",     "night",   "end",      "why",
      "called",     "didn't",   "eyes",    "find",       "going",    "look",        "asked",   "later",    "knew",
      "point",      "next",     "program", "city",       "business", "give",        "group",   "toward",   "young",
      "days",       "let",      "room",    "president",  "side",     "social",      "given",   "present",  "several",
      "order",      "national", "second",  "possible",   "rather",   "per",         "face",    "among",    "form",
      "important",  "often",    "things",  "looked",     "early",    "white",       "case",    "john",     "become",
      "large",      "big",      "need",    "four",       "within",   "felt",        "along",   "children", "saw",
      "best",       "church",   "ever",    "least",      "power",    "development", "light",   "thing",    "seemed",
      "family",     "interest", "want",    "members",    "mind",     "country",     "area",    "others",   "done",
      "turned",     "although", "open",    "problem",    "god",      "service",     "certain", "kind",     "different",
      "thus",       "began",    "door",    "help",       "means",    "sense",       "whole",   "matter",   "perhaps",
      "itself",     "york",     "times",   "law",        "human",    "line",        "above",   "name",     "example",
      "action",     "company",  "hands",   "local",      "show",     "whether",     "five",    "history",  "gave",
      "today",      "either",   "act",     "feet",       "across",   "taken",       "past",    "quite",    "anything",
      "having",     "seen",     "death",   "experience", "body",     "word",        "half",    "really",   "field",
      "table",      "index",    "page",    "query",      "storage",  "memory",      "record",  "value",    "column"};
  return words;
}

// Word-level chain: every word has a few favourite followers, otherwise a
// Zipf-like pick from the whole vocabulary; sentences and paragraphs vary in
// length. Close enough to prose for compression statistics.
TBytes GenerateText(const std::vector<std::string>& words, std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const std::size_t n = words.size();
  std::vector<std::vector<std::size_t>> followers(n);
  for (auto& f : followers) {
    for (int i = 0; i < 6; ++i) {
      f.push_back(rng() % n);
    }
  }
  auto zipf = [&]() {
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    return std::min(n - 1, static_cast<std::size_t>(std::pow(static_cast<double>(n), u)) - 1);
  };
  std::string out;
  std::size_t prev = 0;
  while (out.size() < size) {
    const int length = 4 + static_cast<int>(rng() % 17);
    for (int i = 0; i < length; ++i) {
      const std::size_t w = (rng() % 10 < 7) ? followers[prev][rng() % 6] : zipf();
      std::string word = words[w];
      if (i == 0 && !word.empty() && word[0] >= 'a' && word[0] <= 'z') {
        word[0] = static_cast<char>(word[0] - 'a' + 'A');
      }
      out += word;
      if (i + 1 == length) {
        out += (rng() % 8 == 0) ? "? " : ". ";
      } else if (rng() % 11 == 0) {
        out += ", ";
      } else if (rng() % 97 == 0) {
        out += "; ";
      } else {
        out += ' ';
      }
      prev = w;
    }
    if (rng() % 6 == 0) {
      out += "\n\n";
    }
  }
  out.resize(size);
  return TBytes(out.begin(), out.end());
}

TBytes EnglishProse(std::size_t size, std::uint32_t seed = 1) { return GenerateText(EnglishWords(), size, seed); }

// Hungarian letters as UTF-8 in the source, stored as windows-1250 bytes.
std::string ToWindows1250(const std::string& utf8) {
  static const std::pair<const char*, char> kMap[] = {
      {"á", '\xE1'}, {"é", '\xE9'}, {"í", '\xED'}, {"ó", '\xF3'}, {"ö", '\xF6'}, {"ő", '\xF5'},
      {"ú", '\xFA'}, {"ü", '\xFC'}, {"ű", '\xFB'}, {"Á", '\xC1'}, {"É", '\xC9'}, {"Í", '\xCD'},
      {"Ó", '\xD3'}, {"Ö", '\xD6'}, {"Ő", '\xD5'}, {"Ú", '\xDA'}, {"Ü", '\xDC'}, {"Ű", '\xDB'}};
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    bool mapped = false;
    for (const auto& [from, to] : kMap) {
      const std::size_t len = std::strlen(from);
      if (utf8.compare(i, len, from) == 0) {
        out += to;
        i += len;
        mapped = true;
        break;
      }
    }
    if (!mapped) {
      out += utf8[i++];
    }
  }
  return out;
}

const std::vector<std::string>& HungarianSentences() {
  static const std::vector<std::string> sentences = [] {
    const char* const utf8[] = {"Árvíztűrő tükörfúrógép.",
                                "Az adatbázis minden éjjel mentést készít a táblákról.",
                                "A lekérdezés gyorsan fut, mert az index a memóriában van.",
                                "Öt új felhasználó jelentkezett be ma délután.",
                                "Őszintén szólva a tömörítés hatékonysága meglepő volt.",
                                "Ügyeljünk arra, hogy a tranzakciók sorrendje ne változzon.",
                                "Íme a jelentés: az összes sor hibátlanul visszaállítható.",
                                "Úgy döntöttünk, hogy a régi lemezeket kicseréljük.",
                                "Éjfélkor a rendszer újraindul, és ellenőrzi a naplókat.",
                                "Óvatosan kell bánni a törölt rekordokkal.",
                                "Űrlapot töltött ki a könyvtáros, majd elküldte a szerkesztőnek.",
                                "A fűtés és a hűtés költségei idén jelentősen nőttek."};
    std::vector<std::string> out;
    for (const char* s : utf8) {
      out.push_back(ToWindows1250(s));
    }
    return out;
  }();
  return sentences;
}

TBytes HungarianText(std::size_t size, std::uint32_t seed = 2) {
  std::vector<std::string> words;
  for (const auto& sentence : HungarianSentences()) {
    std::string word;
    for (const char c : sentence) {
      if (c == ' ' || c == ',' || c == '.' || c == ':') {
        if (!word.empty()) {
          words.push_back(word);
        }
        word.clear();
      } else {
        word += c;
      }
    }
  }
  // Whole sentences interleaved with recombined words.
  const TBytes mixed = GenerateText(words, size, seed);
  std::mt19937 rng(seed);
  std::string out;
  std::size_t pos = 0;
  while (out.size() < size) {
    if (rng() % 3 == 0) {
      out += HungarianSentences()[rng() % HungarianSentences().size()];
      out += ' ';
    } else {
      const std::size_t take = std::min<std::size_t>(200, mixed.size() - pos);
      out.append(mixed.begin() + static_cast<std::ptrdiff_t>(pos),
                 mixed.begin() + static_cast<std::ptrdiff_t>(pos + take));
      pos = (pos + take) % (mixed.size() - 200);
    }
  }
  out.resize(size);
  return TBytes(out.begin(), out.end());
}

void PutLe(TBytes& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}

// Fixed-width rows as a storage page would hold them: increasing keys,
// slowly moving timestamps and prices, a few status codes.
TBytes BinaryRecords(std::size_t size, std::uint32_t seed = 3) {
  std::mt19937 rng(seed);
  TBytes out;
  std::uint32_t id = 1000;
  std::uint64_t ts = 1'700'000'000'000ull;
  std::int32_t price = 50'000;
  while (out.size() < size) {
    id += 1 + rng() % 3;
    ts += rng() % 5000;
    price += static_cast<std::int32_t>(rng() % 201) - 100;
    PutLe(out, id, 4);
    PutLe(out, ts, 8);
    PutLe(out, static_cast<std::uint32_t>(price), 4);
    PutLe(out, rng() % 4, 2);
    PutLe(out, rng() % 1000, 2);
  }
  out.resize(size);
  return out;
}

TBytes RandomBytes(std::size_t size, std::uint32_t seed = 4) {
  std::mt19937 rng(seed);
  TBytes out(size);
  for (auto& b : out) {
    b = static_cast<std::uint8_t>(rng());
  }
  return out;
}

TBytes RepeatedByte(std::size_t size) { return TBytes(size, 'x'); }

TBytes RepeatedPhrase(std::size_t size) {
  const std::string phrase = "All work and no play makes the storage engine a dull engine. ";
  TBytes out;
  while (out.size() < size) {
    out.insert(out.end(), phrase.begin(), phrase.end());
  }
  out.resize(size);
  return out;
}

TBytes FromString(const std::string& s) { return TBytes(s.begin(), s.end()); }

// Chunks of every kind one after another, so the model keeps meeting new
// statistics and fills its memory quickly.
TBytes MixedData(std::size_t size) {
  TBytes out;
  std::uint32_t seed = 100;
  while (out.size() < size) {
    TBytes chunk;
    switch (seed % 4) {
      case 0:
        chunk = EnglishProse(96 << 10, seed);
        break;
      case 1:
        chunk = BinaryRecords(64 << 10, seed);
        break;
      case 2:
        chunk = HungarianText(64 << 10, seed);
        break;
      default:
        chunk = RandomBytes(16 << 10, seed);
        break;
    }
    out.insert(out.end(), chunk.begin(), chunk.end());
    ++seed;
  }
  out.resize(size);
  return out;
}

using halvex::testing::LicenseTexts;

// ---------------------------------------------------------------- helpers

// Generous enough for incompressible input.
std::size_t Capacity(std::size_t n) { return n + n / 4 + 64; }

TBytes Encode(const TBytes& in, TPpmParams params) {
  TBytes out(Capacity(in.size()));
  std::size_t size = 0;
  EXPECT_TRUE(PpmEncode(in.data(), in.size(), out.data(), out.size(), size, params));
  out.resize(size);
  return out;
}

// Decodes from an exactly sized copy (so any over-read trips the sanitizer)
// into a buffer followed by guard bytes that must stay untouched.
bool DecodeGuarded(const TBytes& packed, std::size_t expectedSize, TPpmParams params, TBytes* result = nullptr) {
  constexpr std::size_t kGuard = 64;
  const TBytes in(packed);
  TBytes out(expectedSize + kGuard, 0xA5);
  const bool ok = PpmDecode(in.data(), in.size(), out.data(), expectedSize, params);
  for (std::size_t i = expectedSize; i < out.size(); ++i) {
    if (out[i] != 0xA5) {
      ADD_FAILURE() << "decoder wrote past the output at offset " << i;
      break;
    }
  }
  if (result != nullptr) {
    out.resize(expectedSize);
    *result = std::move(out);
  }
  return ok;
}

void ExpectRoundTrip(const TBytes& in, TPpmParams params) {
  const TBytes packed = Encode(in, params);
  TBytes back;
  ASSERT_TRUE(DecodeGuarded(packed, in.size(), params, &back))
      << "input " << in.size() << " bytes, packed " << packed.size();
  ASSERT_EQ(back.size(), in.size());
  const auto mismatch = std::mismatch(in.begin(), in.end(), back.begin());
  ASSERT_TRUE(mismatch.first == in.end()) << "first difference at byte " << (mismatch.first - in.begin());
}

// Runs the model directly to observe what the public calls hide.
struct TModelRun {
  std::uint64_t Restarts = 0;
  std::uint64_t Anomalies = 0;
  std::uint64_t Glues = 0;
  std::size_t ArenaBytes = 0;
};

TModelRun RunModel(const TBytes& in, TPpmParams params) {
  auto model = std::make_unique<ppm::TModel>();
  TModelRun run;
  if (!model->Init(params.Order, static_cast<std::size_t>(params.MemoryMiB) << 20)) {
    ADD_FAILURE() << "model allocation failed";
    return run;
  }
  TBytes out(Capacity(in.size()));
  ppm::TRangeEncoder rc(out.data(), out.size());
  for (const auto b : in) {
    if (!model->EncodeSymbol(rc, b)) {
      ADD_FAILURE() << "encoder hit an impossible escape";
      break;
    }
  }
  run.Restarts = model->RestartCount();
  run.Anomalies = model->AnomalyCount();
  run.Glues = model->Allocator().GlueCount();
  run.ArenaBytes = model->Allocator().Size();
  return run;
}

// ---------------------------------------------------------------- range coder

struct TCoderCase {
  const char* Name;
  std::uint32_t MaxTotal;  // totals drawn from [1, MaxTotal]
  int BitShare;            // percent of binary decisions
  std::uint32_t MinProb;   // probability range of bit 0 for binary decisions
  std::uint32_t MaxProb;
};

class RangeCoderTest : public ::testing::TestWithParam<TCoderCase> {};

TEST_P(RangeCoderTest, DecodesWhatWasEncoded) {
  const TCoderCase& c = GetParam();
  struct TEvent {
    bool Bit;
    std::uint32_t Cum, Freq, Total;
    int Value;
  };
  std::mt19937 rng(7);
  std::vector<TEvent> events;
  for (int i = 0; i < 200000; ++i) {
    TEvent e{};
    if (static_cast<int>(rng() % 100) < c.BitShare) {
      e.Bit = true;
      e.Total = c.MinProb + rng() % (c.MaxProb - c.MinProb + 1);
      e.Value = static_cast<int>(rng() % 2);
    } else {
      e.Total = 1 + rng() % c.MaxTotal;
      e.Cum = rng() % e.Total;
      e.Freq = 1 + rng() % (e.Total - e.Cum);
    }
    events.push_back(e);
  }
  TBytes buf(events.size() * 4 + 16);
  ppm::TRangeEncoder enc(buf.data(), buf.size());
  for (const auto& e : events) {
    if (e.Bit) {
      enc.EncodeBit(e.Total, e.Value);
    } else {
      enc.Encode(e.Cum, e.Freq, e.Total);
    }
  }
  enc.Flush();
  ASSERT_FALSE(enc.Overflowed());
  buf.resize(enc.Size());

  ppm::TRangeDecoder dec(buf.data(), buf.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const auto& e = events[i];
    if (e.Bit) {
      ASSERT_EQ(dec.DecodeBit(e.Total), e.Value) << "event " << i;
    } else {
      const std::uint32_t count = dec.GetFreq(e.Total);
      ASSERT_GE(count, e.Cum) << "event " << i;
      ASSERT_LT(count, e.Cum + e.Freq) << "event " << i;
      dec.Decode(e.Cum, e.Freq);
    }
    ASSERT_FALSE(dec.Failed()) << "event " << i;
  }
  EXPECT_TRUE(dec.FinishedCleanly());
}

INSTANTIATE_TEST_SUITE_P(Mixes, RangeCoderTest,
                         ::testing::Values(TCoderCase{"SmallTotals", 4, 0, 1, 1},
                                           TCoderCase{"TypicalTotals", 400, 30, 100, 16300},
                                           TCoderCase{"LargestTotals", ppm::kRcMaxTotal, 10, 1, 16383},
                                           TCoderCase{"SkewedBits", 64, 90, 16000, 16383},
                                           TCoderCase{"RareBits", 64, 90, 1, 200}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(RangeCoderTest, ReportsReadsPastTheEnd) {
  const TBytes two = {0x12, 0x34};
  ppm::TRangeDecoder dec(two.data(), two.size());
  EXPECT_TRUE(dec.Failed());
  EXPECT_FALSE(dec.FinishedCleanly());
}

// ---------------------------------------------------------------- sub-allocator

class SubAllocatorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Alloc.Allocate(1 << 20)); }

  std::uint32_t BlockBytes(std::uint32_t nu) const {
    return ppm::kUnitTables.IndexToUnits[ppm::kUnitTables.UnitsToIndex[nu - 1]] * ppm::kUnitSize;
  }

  ppm::TSubAllocator Alloc;
};

TEST_F(SubAllocatorTest, BlocksAreDisjointAndInsideTheArenaUntilExhausted) {
  std::mt19937 rng(11);
  struct TBlock {
    std::uint32_t Off, Bytes;
    std::uint8_t Fill;
  };
  std::vector<TBlock> blocks;
  for (;;) {
    const bool context = rng() % 3 == 0;
    const std::uint32_t nu = context ? 1 : 1 + rng() % ppm::kMaxBlockUnits;
    const std::uint32_t off = context ? Alloc.AllocContext() : Alloc.AllocUnits(nu);
    if (off == 0) {
      break;
    }
    // Never zero: a used block must not look like a free one.
    const TBlock b{off, BlockBytes(nu), static_cast<std::uint8_t>(1 + blocks.size() % 255)};
    std::memset(Alloc.Base() + b.Off, b.Fill, b.Bytes);
    blocks.push_back(b);
    // Free a block now and then so the free lists take part.
    if (rng() % 4 == 0) {
      const std::size_t victim = rng() % blocks.size();
      Alloc.FreeUnits(blocks[victim].Off, blocks[victim].Bytes / ppm::kUnitSize);
      blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(victim));
    }
  }
  ASSERT_GT(blocks.size(), 100u);
  std::sort(blocks.begin(), blocks.end(), [](const auto& a, const auto& b) { return a.Off < b.Off; });
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto& b = blocks[i];
    EXPECT_GE(b.Off, Alloc.UnitsStart());
    EXPECT_LE(b.Off + b.Bytes, Alloc.Size() - ppm::kUnitSize);
    if (i + 1 < blocks.size()) {
      EXPECT_LE(b.Off + b.Bytes, blocks[i + 1].Off) << "blocks overlap";
    }
    // A block handed out twice, or memory the allocator scribbled on,
    // shows up as a broken fill pattern.
    const std::uint8_t* p = Alloc.Base() + b.Off;
    for (std::uint32_t k = 0; k < b.Bytes; ++k) {
      ASSERT_EQ(p[k], b.Fill) << "block at " << b.Off;
    }
  }
}

TEST_F(SubAllocatorTest, FreedBlockIsReusedForTheSameSize) {
  for (const std::uint32_t nu : {1u, 2u, 5u, 17u, 128u}) {
    const std::uint32_t a = Alloc.AllocUnits(nu);
    ASSERT_NE(a, 0u);
    Alloc.FreeUnits(a, nu);
    EXPECT_EQ(Alloc.AllocUnits(nu), a) << nu << " units";
  }
}

TEST_F(SubAllocatorTest, GluingTurnsSmallFreeBlocksIntoLargeOnes) {
  std::vector<std::uint32_t> units;
  for (std::uint32_t off; (off = Alloc.AllocUnits(1)) != 0;) {
    units.push_back(off);
  }
  ASSERT_GT(units.size(), 10000u);
  for (const auto off : units) {
    Alloc.FreeUnits(off, 1);
  }
  const std::uint64_t gluesBefore = Alloc.GlueCount();
  // Gluing runs once in a while, not on every failed request.
  int attempts = 0;
  while (Alloc.AllocUnits(ppm::kMaxBlockUnits) == 0) {
    ASSERT_LT(++attempts, 300) << "large blocks never became available";
  }
  std::size_t bigBlocks = 1;
  while (Alloc.AllocUnits(ppm::kMaxBlockUnits) != 0) {
    ++bigBlocks;
  }
  EXPECT_GT(Alloc.GlueCount(), gluesBefore);
  // Nearly all of the freed single units must come back as large blocks.
  EXPECT_GE(bigBlocks * ppm::kMaxBlockUnits, units.size() * 9 / 10);
}

struct TResizeCase {
  std::uint32_t From, To;
};

class SubAllocatorResizeTest : public ::testing::TestWithParam<TResizeCase> {};

TEST_P(SubAllocatorResizeTest, KeepsTheContents) {
  ppm::TSubAllocator alloc;
  ASSERT_TRUE(alloc.Allocate(1 << 20));
  const auto [from, to] = GetParam();
  // A neighbour keeps an in-place resize from looking like a fresh block.
  const std::uint32_t block = alloc.AllocUnits(from);
  ASSERT_NE(alloc.AllocUnits(3), 0u);
  for (std::uint32_t i = 0; i < from * ppm::kUnitSize; ++i) {
    alloc.Base()[block + i] = static_cast<std::uint8_t>(i * 7 + 1);
  }
  std::uint32_t moved = 0;
  if (to == from + 1) {
    moved = alloc.ExpandUnits(block, from);
  } else {
    moved = alloc.ShrinkUnits(block, from, to);
  }
  ASSERT_NE(moved, 0u);
  const std::uint32_t kept = std::min(from, to) * ppm::kUnitSize;
  for (std::uint32_t i = 0; i < kept; ++i) {
    ASSERT_EQ(alloc.Base()[moved + i], static_cast<std::uint8_t>(i * 7 + 1)) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SubAllocatorResizeTest,
                         ::testing::Values(TResizeCase{1, 2}, TResizeCase{4, 5}, TResizeCase{5, 6}, TResizeCase{12, 13},
                                           TResizeCase{127, 128}, TResizeCase{128, 1}, TResizeCase{64, 30},
                                           TResizeCase{6, 5}, TResizeCase{3, 2}));

// ---------------------------------------------------------------- round trips

struct TDataCase {
  const char* Name;
  std::function<TBytes()> Make;
};

const std::vector<TDataCase>& DataCases() {
  static const std::vector<TDataCase> cases = {
      {"OneByte", [] { return FromString("Q"); }},
      {"ZeroByte", [] { return TBytes{0}; }},
      {"TwoBytes", [] { return FromString("ab"); }},
      {"ShortSentence", [] { return FromString("The quick brown fox jumps over the lazy dog."); }},
      {"AllByteValues",
       [] {
         TBytes b(256);
         for (int i = 0; i < 256; ++i) {
           b[i] = static_cast<std::uint8_t>(255 - i);
         }
         return b;
       }},
      {"EnglishProse", [] { return EnglishProse(300 << 10); }},
      {"HungarianText", [] { return HungarianText(200 << 10); }},
      {"BinaryRecords", [] { return BinaryRecords(256 << 10); }},
      {"RandomBytes", [] { return RandomBytes(256 << 10); }},
      {"OneByteRepeated", [] { return RepeatedByte(1 << 20); }},
      {"RepeatedPhrase", [] { return RepeatedPhrase(512 << 10); }},
      {"LongProse", [] { return EnglishProse(3 << 20, 9); }},
  };
  return cases;
}

const TBytes& CachedData(std::size_t index) {
  static std::vector<TBytes> cache(DataCases().size());
  static std::vector<bool> made(DataCases().size());
  if (!made[index]) {
    cache[index] = DataCases()[index].Make();
    made[index] = true;
  }
  return cache[index];
}

class PpmRoundTripTest : public ::testing::TestWithParam<std::tuple<TMode, std::size_t>> {};

TEST_P(PpmRoundTripTest, RestoresTheInput) {
  const auto& [mode, dataIndex] = GetParam();
  ExpectRoundTrip(CachedData(dataIndex), mode.Params);
}

INSTANTIATE_TEST_SUITE_P(ModesAndData, PpmRoundTripTest,
                         ::testing::Combine(::testing::ValuesIn(kModes),
                                            ::testing::Range<std::size_t>(0, DataCases().size())),
                         [](const auto& info) {
                           return ModeName(std::get<0>(info.param)) + "_" + DataCases()[std::get<1>(info.param)].Name;
                         });

TEST(PpmDataTest, HungarianTextUsesEveryAccentedLetter) {
  const TBytes text = HungarianText(200 << 10);
  for (const std::uint8_t letter :
       {0xE1, 0xE9, 0xED, 0xF3, 0xF6, 0xF5, 0xFA, 0xFC, 0xFB, 0xC1, 0xC9, 0xCD, 0xD3, 0xD6, 0xD5, 0xDA, 0xDC, 0xDB}) {
    EXPECT_NE(std::find(text.begin(), text.end(), letter), text.end()) << int(letter);
  }
}

struct TParamCase {
  const char* Name;
  TPpmParams Params;
};

class PpmExtremeParamsTest : public ::testing::TestWithParam<TParamCase> {};

TEST_P(PpmExtremeParamsTest, RoundTripsMixedData) { ExpectRoundTrip(MixedData(1 << 20), GetParam().Params); }

INSTANTIATE_TEST_SUITE_P(Bounds, PpmExtremeParamsTest,
                         ::testing::Values(TParamCase{"LowestOrderLeastMemory", {2, 1}},
                                           TParamCase{"HighestOrderLeastMemory", {16, 1}},
                                           TParamCase{"HighestOrderMostMemory", {16, 256}},
                                           TParamCase{"MiddleOrderOddMemory", {6, 5}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- model behaviour

TEST(PpmModelTest, RestartsWhenMemoryRunsOutAndStillRoundTrips) {
  const TPpmParams params{16, 1};
  const TBytes data = MixedData(4 << 20);
  const TModelRun run = RunModel(data, params);
  EXPECT_GT(run.Restarts, 0u);
  EXPECT_EQ(run.Anomalies, 0u);
  ExpectRoundTrip(data, params);
}

TEST(PpmModelTest, LargeModelDoesNotRestartOnSmallInput) {
  const TModelRun run = RunModel(EnglishProse(256 << 10), {5, 16});
  EXPECT_EQ(run.Restarts, 0u);
}

TEST(PpmModelTest, ArenaIsExactlyTheRequestedMemory) {
  for (const auto& mode : kModes) {
    const TModelRun run = RunModel(FromString("size check"), mode.Params);
    EXPECT_EQ(run.ArenaBytes, static_cast<std::size_t>(mode.Params.MemoryMiB) << 20) << ModeName(mode);
  }
}

class PpmConsistencyTest : public ::testing::TestWithParam<std::tuple<TParamCase, std::size_t>> {};

// The tree keeps invariants the coder relies on (every symbol of a context is
// present in its suffix, unbuilt successors point into the history, ...);
// the model counts any breach it has to paper over.
TEST_P(PpmConsistencyTest, TreeInvariantsHold) {
  const auto& [params, dataIndex] = GetParam();
  EXPECT_EQ(RunModel(CachedData(dataIndex), params.Params).Anomalies, 0u);
}

INSTANTIATE_TEST_SUITE_P(ModelsAndData, PpmConsistencyTest,
                         ::testing::Combine(::testing::Values(TParamCase{"Order2", {2, 2}},
                                                              TParamCase{"Order7", {7, 30}},
                                                              TParamCase{"Order16Tight", {16, 2}}),
                                            ::testing::Values<std::size_t>(5, 6, 7, 8, 9, 10)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).Name) + "_" +
                                  DataCases()[std::get<1>(info.param)].Name;
                         });

// ---------------------------------------------------------------- API contract

TEST(PpmCodecTest, SameInputGivesIdenticalBytes) {
  const TBytes data = MixedData(512 << 10);
  for (const auto& mode : kModes) {
    const TBytes first = Encode(data, mode.Params);
    const TBytes second = Encode(data, mode.Params);
    EXPECT_EQ(first, second) << ModeName(mode);
  }
}

TEST(PpmCodecTest, EmptyInput) {
  const TPpmParams params{5, 16};
  std::uint8_t out[8] = {};
  std::size_t size = 99;
  EXPECT_TRUE(PpmEncode(nullptr, 0, out, sizeof out, size, params));
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(PpmDecode(nullptr, 0, out, 0, params));
  EXPECT_FALSE(PpmDecode(out, 4, out, 0, params));
  EXPECT_FALSE(PpmDecode(nullptr, 0, out, 1, params));
}

class PpmBadParamsTest : public ::testing::TestWithParam<TParamCase> {};

TEST_P(PpmBadParamsTest, AreRejected) {
  const TPpmParams bad = GetParam().Params;
  const TBytes data = FromString("parameters out of range");
  TBytes out(256);
  std::size_t size = 0;
  EXPECT_FALSE(PpmEncode(data.data(), data.size(), out.data(), out.size(), size, bad));
  const TBytes packed = Encode(data, {5, 16});
  EXPECT_FALSE(PpmDecode(packed.data(), packed.size(), out.data(), data.size(), bad));
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, PpmBadParamsTest,
                         ::testing::Values(TParamCase{"OrderTooLow", {1, 16}}, TParamCase{"OrderTooHigh", {17, 16}},
                                           TParamCase{"OrderNegative", {-3, 16}}, TParamCase{"NoMemory", {5, 0}},
                                           TParamCase{"TooMuchMemory", {5, 257}},
                                           TParamCase{"NegativeMemory", {5, -1}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PpmCodecTest, TooSmallOutputFailsWithoutOverflow) {
  const TPpmParams params{7, 30};
  const TBytes data = EnglishProse(20 << 10);
  const TBytes packed = Encode(data, params);
  ASSERT_GT(packed.size(), 8u);
  constexpr std::size_t kGuard = 32;
  for (const std::size_t capacity : {std::size_t{0}, std::size_t{1}, std::size_t{4}, packed.size() / 2,
                                     packed.size() - 4, packed.size() - 1, packed.size()}) {
    TBytes out(capacity + kGuard, 0x5A);
    std::size_t size = 12345;
    const bool ok = PpmEncode(data.data(), data.size(), out.data(), capacity, size, params);
    EXPECT_EQ(ok, capacity >= packed.size()) << "capacity " << capacity;
    if (ok) {
      EXPECT_TRUE(std::equal(packed.begin(), packed.end(), out.begin()));
    }
    for (std::size_t i = capacity; i < out.size(); ++i) {
      ASSERT_EQ(out[i], 0x5A) << "encoder wrote past capacity " << capacity;
    }
  }
}

// ---------------------------------------------------------------- hostile input

class PpmHostileInputTest : public ::testing::TestWithParam<TMode> {};

TEST_P(PpmHostileInputTest, RandomBytesAreRejected) {
  const TPpmParams params = GetParam().Params;
  std::mt19937 rng(31);
  for (const std::size_t length : {1, 3, 4, 5, 8, 17, 100, 1000, 20000}) {
    for (const std::size_t expected : {1, 2, 10, 1000, 100000}) {
      const TBytes junk = RandomBytes(length, static_cast<std::uint32_t>(rng()));
      EXPECT_FALSE(DecodeGuarded(junk, expected, params)) << length << " random bytes decoded as " << expected;
    }
  }
}

TEST_P(PpmHostileInputTest, EveryTruncationIsRejected) {
  const TPpmParams params = GetParam().Params;
  const TBytes data = EnglishProse(1500, 5);
  const TBytes packed = Encode(data, params);
  for (std::size_t keep = 0; keep < packed.size(); ++keep) {
    const TBytes prefix(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_FALSE(DecodeGuarded(prefix, data.size(), params)) << "prefix of " << keep;
  }
}

TEST_P(PpmHostileInputTest, SingleByteCorruptionsAreSafeAndMostlyDetected) {
  const TPpmParams params = GetParam().Params;
  const TBytes data = EnglishProse(2500, 6);
  const TBytes packed = Encode(data, params);
  std::size_t detected = 0;
  for (std::size_t pos = 0; pos < packed.size(); ++pos) {
    TBytes broken = packed;
    broken[pos] ^= static_cast<std::uint8_t>(1u << (pos % 8));
    TBytes back;
    const bool ok = DecodeGuarded(broken, data.size(), params, &back);
    if (!ok) {
      ++detected;
    }
  }
  EXPECT_GT(detected * 2, packed.size()) << detected << " of " << packed.size() << " detected";
}

TEST_P(PpmHostileInputTest, WrongExpectedSizeIsRejected) {
  const TPpmParams params = GetParam().Params;
  for (const TBytes& data : {EnglishProse(5000, 7), RepeatedByte(100000), BinaryRecords(8000)}) {
    const TBytes packed = Encode(data, params);
    const std::size_t n = data.size();
    for (const std::size_t expected : {n + 1, n + 2, n + 100, 2 * n, n - 1, n - 2, n / 2, std::size_t{1}}) {
      EXPECT_FALSE(DecodeGuarded(packed, expected, params)) << n << " bytes decoded as " << expected;
    }
    EXPECT_TRUE(DecodeGuarded(packed, n, params));
  }
}

TEST_P(PpmHostileInputTest, StreamOfOtherParametersIsSafe) {
  const TPpmParams params = GetParam().Params;
  const TBytes data = EnglishProse(20000, 8);
  for (const auto& other : kModes) {
    if (other.Params.Order == params.Order) {
      continue;
    }
    const TBytes packed = Encode(data, other.Params);
    TBytes back;
    if (DecodeGuarded(packed, data.size(), params, &back)) {
      EXPECT_NE(back, data) << "decoded correctly with the wrong order";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, PpmHostileInputTest, ::testing::Values(kModes[0], kModes[4], kModes[8]),
                         [](const auto& info) { return ModeName(info.param); });

// ---------------------------------------------------------------- compression

std::size_t Bzip2Size(const TBytes& in) {
  std::vector<char> out(in.size() + in.size() / 100 + 600);
  unsigned int size = static_cast<unsigned int>(out.size());
  const int rc =
      BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(reinterpret_cast<const char*>(in.data())),
                               static_cast<unsigned int>(in.size()), 9, 0, 0);
  EXPECT_EQ(rc, BZ_OK);
  return size;
}

TEST(PpmCompressionTest, BeatsBzip2OnGeneratedProse) {
  const TBytes text = EnglishProse(400 << 10, 21);
  const std::size_t ppm = Encode(text, kModes[4].Params).size();
  const std::size_t bz = Bzip2Size(text);
  EXPECT_LT(ppm, bz) << "ppm " << ppm << " vs bzip2 " << bz;
}

TEST(PpmCompressionTest, BeatsBzip2OnLicenseTexts) {
  TBytes text;
  for (const auto& t : LicenseTexts()) {
    text.insert(text.end(), t.begin(), t.end());
  }
  if (text.size() < (64 << 10)) {
    GTEST_SKIP() << "license texts not available";
  }
  const std::size_t ppm = Encode(text, kModes[4].Params).size();
  const std::size_t bz = Bzip2Size(text);
  EXPECT_LT(ppm, bz) << "ppm " << ppm << " vs bzip2 " << bz;
  // Longer contexts must pay off on real text.
  EXPECT_LT(Encode(text, kModes[8].Params).size(), Encode(text, kModes[0].Params).size());
}

TEST(PpmCompressionTest, RedundantDataShrinksDramatically) {
  for (const auto& mode : kModes) {
    EXPECT_LT(Encode(RepeatedByte(1 << 20), mode.Params).size(), 1000u) << ModeName(mode);
    EXPECT_LT(Encode(RepeatedPhrase(512 << 10), mode.Params).size(), 20000u) << ModeName(mode);
  }
}

TEST(PpmCompressionTest, RandomDataExpandsOnlySlightly) {
  const TBytes data = RandomBytes(256 << 10);
  for (const auto& mode : kModes) {
    EXPECT_LT(Encode(data, mode.Params).size(), data.size() + data.size() / 20) << ModeName(mode);
  }
}

}  // namespace
}  // namespace halvex
