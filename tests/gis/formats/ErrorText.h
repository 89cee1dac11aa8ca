// The message of the runtime's exception an action raises ('' when it raises
// none): the readers' refusals are checked by their texts.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/Exceptions.h"

namespace fmttest {

inline std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

} // namespace fmttest
