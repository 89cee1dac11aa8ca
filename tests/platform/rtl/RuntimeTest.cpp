#include "platform/rtl/Runtime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ResetHooks.h"
#include "platform/rtl/Ticks.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

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

TEST(Runtime, NumericLocaleIsCOnceTheToolkitHasStarted) {
  const std::string savedAll = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale here";
  std::setlocale(LC_ALL, savedAll.c_str());
  const char* oldNumeric = std::getenv("LC_NUMERIC");
  const std::string savedNumeric = oldNumeric ? oldNumeric : "";
  const char* oldAll = std::getenv("LC_ALL");
  const std::string savedAllEnv = oldAll ? oldAll : "";
  unsetenv("LC_ALL");
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  {
    int argc = 1;
    char name[] = "test_rtl";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv); // takes the user's locale, as every Qt program does
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  }
  if (oldNumeric)
    setenv("LC_NUMERIC", savedNumeric.c_str(), 1);
  else
    unsetenv("LC_NUMERIC");
  if (oldAll) setenv("LC_ALL", savedAllEnv.c_str(), 1);
  std::setlocale(LC_ALL, savedAll.c_str());
}
