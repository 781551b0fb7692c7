#pragma once
// Checks that an operation raises EHalvexException with the given native
// code and exactly the given text before the native-error suffix.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/storage/exception.h"
#include "platform/rtl/format.h"

namespace halvex::testing {

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
