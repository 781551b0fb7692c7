#pragma once
// Test helper: runs f and returns the engine exception it raised, failing the
// test when it raised none.

#include <gtest/gtest.h>

#include <utility>

#include "engine/storage/exception.h"

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

}  // namespace halvex::testing
