#include "platform/rtl/Exceptions.h"

#include "platform/rtl/Strings.h"

namespace {
std::string assertionText(const std::string& text, const std::string& module, int line) {
  const std::string body = text.empty() ? std::string("Assertion failure") : text;
  return body + " (" + module + ", line " + IntToStr(line) + ")";
}
} // namespace

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& module, int line)
    : Exception(assertionText(text, module, line)) {}

void Abort() {
  throw EAbort("Operation aborted");
}

void Assert(bool condition, const std::string& text, const char* module, int line) {
  if (!condition) throw EAssertionFailed(text, module ? module : "", line);
}
