// The runtime's exception classes.
//
// Every error of the system is a C++ exception derived from `Exception`; the
// class names are kept as the system names them so that callers can catch by
// kind. `EAbort` is the silent abort: user-interface handlers never show it.
// Also here: the always-on assertion macro SK_ASSERT (EAssertionFailed), and
// TExceptionTrap, which carries an exception across a C library's callbacks.
#pragma once

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
  explicit Exception(std::string message, int helpContext = 0)
      : message_(std::move(message)), helpContext_(helpContext) {}

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  int HelpContext() const noexcept { return helpContext_; }
  void SetHelpContext(int value) noexcept { helpContext_ = value; }

  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
  int helpContext_;
};

#define SK_DECLARE_EXCEPTION(Name, Base)                                                           \
  class Name : public Base {                                                                       \
  public:                                                                                          \
    using Base::Base;                                                                              \
  };

SK_DECLARE_EXCEPTION(EAbort, Exception)
SK_DECLARE_EXCEPTION(EConvertError, Exception)
SK_DECLARE_EXCEPTION(EListError, Exception)
SK_DECLARE_EXCEPTION(EStringListError, Exception)
SK_DECLARE_EXCEPTION(EStreamError, Exception)
SK_DECLARE_EXCEPTION(EFOpenError, EStreamError)
SK_DECLARE_EXCEPTION(EFCreateError, EStreamError)
SK_DECLARE_EXCEPTION(EReadError, EStreamError)
SK_DECLARE_EXCEPTION(EWriteError, EStreamError)
SK_DECLARE_EXCEPTION(EInOutError, Exception)
SK_DECLARE_EXCEPTION(EMathError, Exception)
SK_DECLARE_EXCEPTION(EInvalidOp, EMathError)
SK_DECLARE_EXCEPTION(EZeroDivide, EMathError)
SK_DECLARE_EXCEPTION(EOverflow, EMathError)
SK_DECLARE_EXCEPTION(EIntError, Exception)
SK_DECLARE_EXCEPTION(EDivByZero, EIntError)
SK_DECLARE_EXCEPTION(ERangeError, EIntError)
SK_DECLARE_EXCEPTION(EIntOverflow, EIntError)
SK_DECLARE_EXCEPTION(EVariantError, Exception)
SK_DECLARE_EXCEPTION(EOutOfMemory, Exception)
SK_DECLARE_EXCEPTION(EOutOfResources, Exception)
SK_DECLARE_EXCEPTION(EInvalidOperation, Exception)
SK_DECLARE_EXCEPTION(EOleException, Exception)
SK_DECLARE_EXCEPTION(ENotSupportedException, Exception)

/// A picture that cannot be read. The message is the class library's text
/// ("Bitmap image is not valid"); Reason says which check refused the data
/// (empty when none is named).
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
  EInvalidGraphic(std::string message, std::string reason)
      : Exception(std::move(message)), reason_(std::move(reason)) {}
  const std::string& Reason() const noexcept { return reason_; }

private:
  std::string reason_;
};

/// An assertion failure: "<text> (<module>, line <n>)".
class EAssertionFailed : public Exception {
public:
  EAssertionFailed(const std::string& text, const std::string& module, int line);
};

/// Raises the silent abort.
[[noreturn]] void Abort();

/// Raises EAssertionFailed unless `condition` holds. Always on: NDEBUG does not
/// remove it. An empty text gives the default "Assertion failure".
void Assert(bool condition, const std::string& text, const char* module, int line);

/// SK_ASSERT(condition, "text", "Module", line): the module and the line are
/// named explicitly, since the messages carry the system's own positions.
#define SK_ASSERT(condition, text, module, line)                                                   \
  do {                                                                                             \
    if (!(condition)) ::Assert(false, (text), (module), (line));                                   \
  } while (0)

/// Carries an exception across the callback frames of a C library (expat,
/// libjpeg, zlib), which must never be unwound: the callback runs its body
/// through Guard, which keeps the exception and reports failure so that the
/// callback can tell the library to stop; once the library has returned,
/// RethrowIfAny raises the kept exception.
class TExceptionTrap {
public:
  /// Runs `body` unless an exception is already kept; false when it raised (or
  /// was skipped).
  template <typename F> bool Guard(F&& body) noexcept {
    if (pending_) return false;
    try {
      std::forward<F>(body)();
      return true;
    } catch (...) {
      pending_ = std::current_exception();
      return false;
    }
  }
  bool Pending() const noexcept { return pending_ != nullptr; }
  void RethrowIfAny() {
    if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
  }

private:
  std::exception_ptr pending_;
};
