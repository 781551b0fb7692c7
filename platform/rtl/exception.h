#pragma once
// The platform's exception hierarchy: every failure the engine or the runtime
// reports is an Exception carrying a message and a help-context number.

#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message, int helpContext = 0)
      : message_(std::move(message)), helpContext_(helpContext) {}

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  int HelpContext() const noexcept { return helpContext_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int helpContext_;
};

// A value could not be converted, or a format did not fit its arguments.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index or value outside the range its container or type allows.
class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

// Integer arithmetic overflowed.
class EIntOverflow : public Exception {
 public:
  using Exception::Exception;
};

// Division by zero.
class EZeroDivide : public Exception {
 public:
  using Exception::Exception;
};

// An operating-system call failed; ErrorCode is the system's error number.
class EOSError : public Exception {
 public:
  EOSError(std::string message, int errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_;
};

// The platform allocator could not satisfy a request.
class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace platform
