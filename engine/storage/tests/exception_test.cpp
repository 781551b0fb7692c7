#include "engine/storage/exception.h"

#include <gtest/gtest.h>

#include <string>

namespace halvex {
namespace {

struct ReadyMessageCase {
  std::int32_t code;
  const char* message;
  const char* expected;
};

void PrintTo(const ReadyMessageCase& c, std::ostream* os) { *os << c.code << " \"" << c.message << '"'; }

class ReadyMessage : public ::testing::TestWithParam<ReadyMessageCase> {};

TEST_P(ReadyMessage, EndsInNativeErrorSuffix) {
  const auto& c = GetParam();
  const EHalvexException e(c.code, c.message);
  EXPECT_EQ(e.Message(), c.expected);
  EXPECT_STREQ(e.what(), c.expected);
  EXPECT_EQ(e.NativeError(), c.code);
  EXPECT_EQ(e.HelpContext(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ReadyMessage,
    ::testing::Values(ReadyMessageCase{10011, "Invalid record size = 0", "Invalid record size = 0 - Native error: 10011"},
                      ReadyMessageCase{302, "Short code", "Short code - Native error: 00302"},
                      ReadyMessageCase{30286, "", " - Native error: 30286"},
                      ReadyMessageCase{123456, "Wide code", "Wide code - Native error: 123456"},
                      // A ready message is never formatted, even when it holds specifiers.
                      ReadyMessageCase{10001, "100% %d", "100% %d - Native error: 10001"}));

struct FormattedCase {
  const char* format;
  std::initializer_list<platform::TVarRec> args;
  const char* expected;
};

TEST(EHalvexException, FormatsArgumentsOrFallsBack) {
  const FormattedCase cases[] = {
      {"Invalid item number - ItemNo = %d, ItemCount = %d", {5, 3},
       "Invalid item number - ItemNo = 5, ItemCount = 3 - Native error: 11638"},
      {"Invalid item number - ItemNo = %d, ItemCount = %d", {5},
       "Invalid item number - ItemNo = %d, ItemCount = %d Arguments are invalid! - Native error: 11638"},
      {"GetMem error: %s", {42}, "GetMem error: %s Arguments are invalid! - Native error: 11638"},
      {"Ratio %f", {1.5}, "Ratio 1.50 - Native error: 11638"},
  };
  for (const auto& c : cases) {
    const EHalvexException e(11638, c.format, c.args);
    EXPECT_EQ(e.Message(), c.expected);
    EXPECT_EQ(e.NativeError(), 11638);
  }
}

TEST(RaiseHalvex, LooksUpTheMessageTable) {
  try {
    RaiseHalvex(10394, THalvexMessage::InvalidBitNo, {8, 8});
    FAIL();
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.Message(), "Invalid bit no = 8, number of bits = 8 - Native error: 10394");
  }
  try {
    RaiseHalvex(302, THalvexMessage::NilPointer);
    FAIL();
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.Message(), "Nil pointer occured - Native error: 00302");
  }
}

TEST(MessageTable, SharedMessagesHaveTheirExactTexts) {
  EXPECT_EQ(LoadMessage(THalvexMessage::NilPointer), "Nil pointer occured");
  EXPECT_EQ(LoadMessage(THalvexMessage::PointerIsNil), "Pointer is nil");
  EXPECT_EQ(LoadMessage(THalvexMessage::NotImplemented), "Not implemented yet");
  EXPECT_EQ(LoadMessage(THalvexMessage::MethodNotOverrided), "The method '%s' not overrided in class '%s'");
  EXPECT_EQ(LoadMessage(THalvexMessage::OperationNotSupported), "Error - operation is not supported");
  EXPECT_EQ(LoadMessage(THalvexMessage::InvalidFieldNumber), "Invalid field number - FieldNo = %d, FieldCount = %d");
  EXPECT_EQ(LoadMessage(THalvexMessage::Count_), "");
}

TEST(WrapForeignFailure, ReplacesPlatformErrorsKeepsEngineErrorsAndOthers) {
  // A platform error becomes an engine error with the wrapping site's code.
  try {
    WrapForeignFailure(30015, THalvexMessage::GetMemError, []() -> int { throw platform::EZeroDivide("Division by zero"); });
    FAIL();
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.NativeError(), 30015);
    EXPECT_EQ(e.Message(), "GetMem error: Division by zero - Native error: 30015");
  }
  // An engine error passes unchanged.
  try {
    WrapForeignFailure(30015, THalvexMessage::GetMemError, [] { RaiseHalvex(30286, THalvexMessage::CannotAllocateZero); });
    FAIL();
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.NativeError(), 30286);
  }
  // Anything else passes unchanged.
  EXPECT_THROW(WrapForeignFailure(30015, THalvexMessage::GetMemError, [] { throw 7; }), int);
  EXPECT_EQ(WrapForeignFailure(30015, THalvexMessage::GetMemError, [] { return 5; }), 5);
}

}  // namespace
}  // namespace halvex
