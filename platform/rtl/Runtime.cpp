#include "platform/rtl/Runtime.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/ResetHooks.h"

#include <clocale>

void rtl_reset_for_tests() {
  FormatSettings() = TFormatSettings();
  RunResetHooks();
}

void rtl_restore_numeric_locale() {
  std::setlocale(LC_NUMERIC, "C");
}
