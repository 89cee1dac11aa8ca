// Takes the locale from the environment before any test runs, as the
// application does at start-up, so that a run under a decimal-comma locale
// shows that no output or parsing depends on it.
#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

const bool localeTaken = [] {
  std::setlocale(LC_ALL, "");
  return true;
}();

} // namespace

TEST(Locale, CommaLocaleIsReallyInEffectWhenAsked) {
  ASSERT_TRUE(localeTaken);
  const char* expect = std::getenv("SK_EXPECT_COMMA_LOCALE");
  if (!expect || std::string(expect) != "1") GTEST_SKIP() << "not the comma-locale run";
  const std::lconv* conv = std::localeconv();
  ASSERT_NE(conv, nullptr);
  EXPECT_STREQ(conv->decimal_point, ",")
      << "the decimal-comma locale is not installed (scripts/install-deps.sh generates it)";
}

TEST(Locale, FormattingAndParsingIgnoreTheLocale) {
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(Format("%.3f|%e|%g|%n", {2.5, 1.5, 0.25, 1234.5}),
            "2.500|1.50000000000000E+000|0.25|1,234.50");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(StrToFloatDef("1,5", -1.0), -1.0);
  EXPECT_EQ(StrToExtended("2.25"), 2.25L);
}
