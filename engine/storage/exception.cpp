#include "engine/storage/exception.h"

namespace halvex {
namespace {

std::string WithSuffix(std::string text, std::int32_t nativeError) {
  text += " - Native error: ";
  text += platform::Format("%.5d", {nativeError});
  return text;
}

std::string Compose(std::string_view format, std::initializer_list<platform::TVarRec> args) {
  try {
    return platform::Format(format, args);
  } catch (const platform::EConvertError&) {
    // A raise site must still raise its own error, even with a broken format.
    return std::string(format) + " Arguments are invalid!";
  }
}

}  // namespace

EHalvexException::EHalvexException(std::int32_t nativeError, std::string_view message)
    : platform::Exception(WithSuffix(std::string(message), nativeError)), nativeError_(nativeError) {}

EHalvexException::EHalvexException(std::int32_t nativeError, std::string_view format,
                                   std::initializer_list<platform::TVarRec> args)
    : platform::Exception(WithSuffix(Compose(format, args), nativeError)), nativeError_(nativeError) {}

void RaiseHalvex(std::int32_t nativeError, THalvexMessage message) {
  throw EHalvexException(nativeError, LoadMessage(message));
}

void RaiseHalvex(std::int32_t nativeError, THalvexMessage message, std::initializer_list<platform::TVarRec> args) {
  throw EHalvexException(nativeError, LoadMessage(message), args);
}

}  // namespace halvex
