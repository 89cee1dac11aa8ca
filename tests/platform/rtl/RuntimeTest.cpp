#include "platform/rtl/Runtime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ResetHooks.h"
#include "platform/rtl/Ticks.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

TEST(Runtime, ResetRestoresSettingsAndRunsRegisteredHooks) {
  int calls = 0;
  RegisterResetHook("RuntimeTest.counter", [&calls] { ++calls; });
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ShortDateFormat = "dd.mm.yyyy";
  SetRandSeed(77);
  SetTickSourceForTests([] { return UInt64(5); });
  rtl_reset_for_tests();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ThousandSeparator, ',');
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(FormatSettings().LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(RandSeed(), 0u);
  EXPECT_NE(GetTickCount64(), 5u);
  // Registering the same name again replaces the hook rather than adding one.
  RegisterResetHook("RuntimeTest.counter", [&calls] { calls += 10; });
  rtl_reset_for_tests();
  EXPECT_EQ(calls, 11);
  RegisterResetHook("RuntimeTest.counter", nullptr);
  rtl_reset_for_tests();
  EXPECT_EQ(calls, 11);
}

TEST(Runtime, RestoreNumericLocaleSetsC) {
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = current ? current : "C";
  std::setlocale(LC_NUMERIC, "");
  rtl_restore_numeric_locale();
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  std::setlocale(LC_NUMERIC, saved.c_str());
}
