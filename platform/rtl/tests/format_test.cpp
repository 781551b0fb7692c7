#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/exception.h"

namespace platform {
namespace {

struct FormatCase {
  const char* format;
  std::vector<TVarRec> args;
  const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << '"' << c.format << '"'; }

class FormatCases : public ::testing::TestWithParam<FormatCase> {};

// An argument views its text; the string must outlive the case table.
const std::string kOwned = "owned";

TEST_P(FormatCases, ComposesExpectedText) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(Format(c.format, std::span<const TVarRec>(c.args)), c.expected) << c.format;
}

INSTANTIATE_TEST_SUITE_P(
    Specifiers, FormatCases,
    ::testing::Values(
        FormatCase{"plain text", {}, "plain text"},
        FormatCase{"100%%", {}, "100%"},
        FormatCase{"%d", {42}, "42"},
        FormatCase{"%d", {-42}, "-42"},
        FormatCase{"%.5d", {302}, "00302"},
        FormatCase{"%.5d", {10011}, "10011"},
        FormatCase{"%.5d", {123456}, "123456"},
        FormatCase{"%.5d", {-42}, "-00042"},
        FormatCase{"[%6d]", {42}, "[    42]"},
        FormatCase{"[%-6d]", {42}, "[42    ]"},
        FormatCase{"[%8.5d]", {42}, "[   00042]"},
        FormatCase{"%d", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
        FormatCase{"%d", {std::int64_t{5000000000}}, "5000000000"},
        FormatCase{"%u", {-1}, "4294967295"},
        FormatCase{"%u", {std::uint64_t{18446744073709551615u}}, "18446744073709551615"},
        FormatCase{"%x", {255}, "FF"},
        FormatCase{"%x", {-1}, "FFFFFFFF"},
        FormatCase{"%x", {std::int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
        FormatCase{"%.4x", {0xAC}, "00AC"},
        FormatCase{"%X", {0xACCACCACu}, "ACCACCAC"},
        FormatCase{"%f", {1.5}, "1.50"},
        FormatCase{"%.3f", {-2.0}, "-2.000"},
        FormatCase{"%.0f", {2.5}, "2"},
        FormatCase{"%8.2f", {3.14159}, "    3.14"},
        FormatCase{"%e", {1234.5}, "1.23450000000000E+003"},
        FormatCase{"%.3e", {-0.00012}, "-1.20E-004"},
        FormatCase{"%g", {1234.5}, "1234.5"},
        FormatCase{"%g", {0.1}, "0.1"},
        FormatCase{"%g", {1e20}, "1E20"},
        FormatCase{"%g", {1.5e-7}, "1.5E-7"},
        FormatCase{"%g", {0.0}, "0"},
        FormatCase{"%s", {"text"}, "text"},
        FormatCase{"%s", {kOwned}, "owned"},
        FormatCase{"%s", {'c'}, "c"},
        FormatCase{"%s", {""}, ""},
        FormatCase{"[%6s]", {"ab"}, "[    ab]"},
        FormatCase{"[%-6s]", {"ab"}, "[ab    ]"},
        FormatCase{"%.2s", {"abcdef"}, "ab"},
        FormatCase{"%*d", {5, 42}, "   42"},
        FormatCase{"%.*d", {4, 42}, "0042"},
        FormatCase{"%1:s %0:s", {"a", "b"}, "b a"},
        FormatCase{"%s = %d, %s = %d", {"FieldNo", 3, "FieldCount", 2}, "FieldNo = 3, FieldCount = 2"},
        FormatCase{"Limit = %d bytes", {std::int64_t{8589934592}}, "Limit = 8589934592 bytes"}));

TEST(Format, DecimalSeparatorIsUsedForFloats) {
  EXPECT_EQ(Format("%.2f", {1.25}, ','), "1,25");
  EXPECT_EQ(Format("%g", {0.5}, ','), "0,5");
  EXPECT_EQ(Format("%.3e", {1.5}, ','), "1,50E+000");
}

TEST(Format, NonFiniteFloats) {
  EXPECT_EQ(Format("%f", {std::numeric_limits<double>::infinity()}), "INF");
  EXPECT_EQ(Format("%g", {-std::numeric_limits<double>::infinity()}), "-INF");
  EXPECT_EQ(Format("%e", {std::numeric_limits<double>::quiet_NaN()}), "NAN");
}

struct BadFormatCase {
  const char* format;
  std::vector<TVarRec> args;
  const char* message;
};

void PrintTo(const BadFormatCase& c, std::ostream* os) { *os << '"' << c.format << '"'; }

class BadFormatCases : public ::testing::TestWithParam<BadFormatCase> {};

TEST_P(BadFormatCases, RaiseConvertError) {
  const BadFormatCase& c = GetParam();
  try {
    Format(c.format, std::span<const TVarRec>(c.args));
    FAIL() << "no error for " << c.format;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mismatches, BadFormatCases,
    ::testing::Values(BadFormatCase{"%d %d", {1}, "No argument for format '%d'"},
                      BadFormatCase{"%s", {}, "No argument for format '%s'"},
                      BadFormatCase{"%d", {"text"}, "Format '%d' invalid or incompatible with argument"},
                      BadFormatCase{"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
                      BadFormatCase{"%f", {1}, "Format '%f' invalid or incompatible with argument"},
                      BadFormatCase{"%s", {7}, "Format '%s' invalid or incompatible with argument"},
                      BadFormatCase{"%d", {true}, "Format '%d' invalid or incompatible with argument"},
                      BadFormatCase{"%q", {1}, "Format '%q' invalid or incompatible with argument"},
                      BadFormatCase{"50%", {}, "Format '%' invalid or incompatible with argument"},
                      BadFormatCase{"%5.2", {}, "Format '%5.2' invalid or incompatible with argument"},
                      BadFormatCase{"%*d", {"x", 1}, "Format '%*d' invalid or incompatible with argument"}));

TEST(Format, HugeWidthIsClampedNotOverflowed) {
  const std::string text = Format("%99999999999d", {1});
  EXPECT_EQ(text.size(), 100000u);
  EXPECT_EQ(text.back(), '1');
}

}  // namespace
}  // namespace platform
