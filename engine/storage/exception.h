#pragma once
// EHalvexException: the one exception class of the engine. Its message ends in
// " - Native error: " and the raise site's native code printed with at least
// five digits, so that a report names the exact check that failed.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "engine/storage/messages.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace halvex {

class EHalvexException : public platform::Exception {
 public:
  // The message is `message` followed by the native-error suffix.
  EHalvexException(std::int32_t nativeError, std::string_view message);
  // The text is `format` filled with `args`; when they do not fit, it is the
  // format followed by " Arguments are invalid!". Never throws a format error.
  EHalvexException(std::int32_t nativeError, std::string_view format, std::initializer_list<platform::TVarRec> args);

  std::int32_t NativeError() const noexcept { return nativeError_; }

 private:
  std::int32_t nativeError_;
};

// Raise helpers: look the message up and throw with the site's code.
[[noreturn]] void RaiseHalvex(std::int32_t nativeError, THalvexMessage message);
[[noreturn]] void RaiseHalvex(std::int32_t nativeError, THalvexMessage message,
                              std::initializer_list<platform::TVarRec> args);

// Runs `operation`; an EHalvexException passes unchanged, any other platform
// Exception (or an allocation failure) becomes an EHalvexException with the
// given code whose text is `wrapper` (one %s) filled with the caught message.
// Anything else thrown passes unchanged.
template <typename Operation>
decltype(auto) WrapForeignFailure(std::int32_t nativeError, THalvexMessage wrapper, Operation&& operation) {
  try {
    return std::forward<Operation>(operation)();
  } catch (const EHalvexException&) {
    throw;
  } catch (const platform::Exception& e) {
    RaiseHalvex(nativeError, wrapper, {e.Message()});
  } catch (const std::bad_alloc&) {
    RaiseHalvex(nativeError, wrapper, {"Out of memory"});
  }
}

}  // namespace halvex
