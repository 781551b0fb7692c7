#pragma once
// Sets the engine's wipe switch for the lifetime of the object.

#include "engine/storage/wipe.h"

namespace halvex::testing {

class TWipeSwitch {
 public:
  explicit TWipeSwitch(bool on) : before_(WipeEnabled()) { SetWipeEnabled(on); }
  ~TWipeSwitch() { SetWipeEnabled(before_); }
  TWipeSwitch(const TWipeSwitch&) = delete;
  TWipeSwitch& operator=(const TWipeSwitch&) = delete;

 private:
  bool before_;
};

}  // namespace halvex::testing
