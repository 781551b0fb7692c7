#pragma once
// THalvexSortedStringPtrArray: the pointer list that holds definition lists
// and a session's named objects. It owns nothing; its owners free the objects.

#include "platform/rtl/list.h"

namespace halvex {

class THalvexSortedStringPtrArray : public platform::TList {};

}  // namespace halvex
