#pragma once
// Test helpers for engine errors: Raised returns the exception an operation
// raised (failing the test when it raised none); ExpectHalvexError checks the
// native code and exactly the text before the native-error suffix.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "engine/storage/exception.h"
#include "platform/rtl/format.h"

namespace halvex::testing {

template <typename F>
EHalvexException Raised(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (const EHalvexException& e) {
    return e;
  }
  ADD_FAILURE() << "nothing raised";
  return EHalvexException(0, "");
}

template <typename Operation>
void ExpectHalvexError(std::int32_t code, const std::string& text, Operation&& operation) {
  try {
    operation();
    ADD_FAILURE() << "expected native error " << code << ": " << text;
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.NativeError(), code);
    EXPECT_EQ(e.Message(), text + " - Native error: " + platform::Format("%.5d", {code}));
  }
}

}  // namespace halvex::testing
