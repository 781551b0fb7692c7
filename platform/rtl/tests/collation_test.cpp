#include "platform/rtl/collation.h"

#include <gtest/gtest.h>

#include <string>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/rtl/code_page.h"
#include "platform/rtl/locale.h"

namespace platform {
namespace {

struct OrderCase {
  const char* locale;
  const char* a;  // windows-1250 text
  const char* b;
  bool caseInsensitive;
  int expected;
  bool bytesDisagree;  // a plain byte comparison gets this pair wrong
};

// Test names stay ASCII: code-page bytes above 7F print as \xNN.
std::string Printable(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x80) {
      out += *p;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

void PrintTo(const OrderCase& c, std::ostream* os) {
  *os << c.locale << " '" << Printable(c.a) << "' '" << Printable(c.b) << "'";
}

class Collation : public ::testing::TestWithParam<OrderCase> {
 protected:
  void SetUp() override { SetAnsiCodePage(1250); }
  void TearDown() override {
    SetAnsiCodePage(0);
    SetUserLocale("");
  }
};

int ByteOrder(const char* a, const char* b) {
  const int r = std::strcmp(a, b);
  return r < 0 ? kCompareLess : r > 0 ? kCompareGreater : kCompareEqual;
}

TEST_P(Collation, Orders) {
  const OrderCase& c = GetParam();
  SetUserLocale(c.locale);
  EXPECT_EQ(CompareAnsiText(c.a, -1, c.b, -1, c.caseInsensitive), c.expected);
  // The reverse order and the wide form agree.
  EXPECT_EQ(CompareAnsiText(c.b, -1, c.a, -1, c.caseInsensitive), 4 - c.expected);
  const std::u16string wa = AnsiToWide(c.a), wb = AnsiToWide(c.b);
  EXPECT_EQ(CompareWideText(wa.c_str(), -1, wb.c_str(), -1, c.caseInsensitive), c.expected);
  if (c.bytesDisagree) {
    EXPECT_NE(ByteOrder(c.a, c.b), c.expected);
  }
}

constexpr int L = kCompareLess, E = kCompareEqual, G = kCompareGreater;

INSTANTIATE_TEST_SUITE_P(
    Orderings, Collation,
    ::testing::Values(
        // Hungarian: "cs" and "sz" are letters of their own, after "c" and "s".
        OrderCase{"hu_HU", "cukor", "csiga", false, L, true}, OrderCase{"hu_HU", "sz\xE9p", "s\xFCn", false, G, true},
        OrderCase{"hu_HU", "szalag", "sztr\xE1jk", false, L, false},
        OrderCase{"hu_HU", "zsemle", "zuhany", false, G, true},
        OrderCase{"hu_HU", "gyors", "gumi", false, G, false},
        // English treats them as two letters.
        OrderCase{"en_US", "cukor", "csiga", false, G, false},
        // Accented letters sort beside their base letter.
        OrderCase{"hu_HU", "\xE9let", "fa", false, L, true}, OrderCase{"en_US", "\xE9t", "eu", false, L, true},
        OrderCase{"hu_HU", "\xF6r\xF6m", "\xF5r", false, G, false},
        // Case: lower before upper of the same letter, letters before case.
        OrderCase{"en_US", "apple", "Banana", false, L, true}, OrderCase{"en_US", "a", "A", false, L, true},
        OrderCase{"hu_HU", "\xE1lom", "\xC1LOM", true, E, true},
        OrderCase{"en_US", "Apple", "apple", true, E, true},
        // Case is ignored, accents are not.
        OrderCase{"en_US", "resume", "r\xE9sum\xE9", true, L, false},
        // Punctuation orders like other characters and is never ignored.
        OrderCase{"en_US", "co-op", "coop", true, L, false}, OrderCase{"en_US", "a_b", "aB", false, L, true},
        OrderCase{"en_US", "o'neil", "Oa", false, L, true}, OrderCase{"hu_HU", "o'neil", "oneil", true, L, false},
        OrderCase{"en_US", "", "a", false, L, false}, OrderCase{"en_US", "same", "same", false, E, false}));

TEST(CollationLimits, LengthsStopAtTheLimitAndTheTerminator) {
  SetUserLocale("en_US");
  EXPECT_EQ(CompareAnsiText("abcdef", 3, "abcxyz", 3, false), kCompareEqual);
  EXPECT_EQ(CompareAnsiText("ab\0zz", 5, "ab", -1, false), kCompareEqual);
  const char16_t a[] = u"abc";
  EXPECT_EQ(CompareWideText(a, 2, u"ab", -1, false), kCompareEqual);
  EXPECT_EQ(CompareAnsiText(nullptr, -1, "", -1, false), kCompareEqual);
  // Text longer than the stack buffers compares the same way.
  const std::string longA(1000, 'a'), longB = std::string(999, 'a') + "b";
  EXPECT_EQ(CompareAnsiText(longA.c_str(), -1, longB.c_str(), -1, false), kCompareLess);
  SetUserLocale("");
  EXPECT_EQ(CollationLocale(), "root");
}

TEST(CollationThreads, SharedCollatorsGiveTheSameOrderOnEveryThread) {
  SetAnsiCodePage(1250);
  SetUserLocale("hu_HU");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&wrong] {
      for (int i = 0; i < 2000; ++i) {
        if (CompareAnsiText("cukor", -1, "csiga", -1, false) != kCompareLess) ++wrong;
        if (CompareAnsiText("\xE1lom", -1, "\xC1LOM", -1, true) != kCompareEqual) ++wrong;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  SetAnsiCodePage(0);
  SetUserLocale("");
}

}  // namespace
}  // namespace platform
