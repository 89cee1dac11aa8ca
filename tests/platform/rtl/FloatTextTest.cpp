#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(FloatToStr, GeneralFormatWithFifteenDigits) {
  struct Row {
    double value;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {46.0, "46"},
      {14.25, "14.25"},
      {8829.155555555555, "8829.15555555556"},
      {-8829.155555555555, "-8829.15555555556"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.0, "999999999999999"},
      {999999999999999.9, "1E15"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1e-6, "1E-6"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {0.0000099999999999999999, "0.00001"},
      {9.99999999999999e-6, "9.99999999999999E-6"},
      {8.5e307, "8.5E307"},
      {-1.5e-300, "-1.5E-300"},
      {5e-324, "4.94065645841247E-324"},
      {1.7976931348623157e308, "1.79769313486232E308"},
      {0.0, "0"},
      {-0.0, "0"},
      {100.0, "100"},
      {-0.5, "-0.5"},
      {std::nan(""), "NAN"},
      {HUGE_VAL, "INF"},
      {-HUGE_VAL, "-INF"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FloatToStr(row.value), row.expected) << row.expected;
  EXPECT_EQ(FloatToStr(46), "46");
  EXPECT_EQ(FloatToStr(0.25f), "0.25");
  EXPECT_EQ(FloatToStr(2.5L), "2.5");
}

// Rows computed with Python's decimal module: the exact binary value rounded to
// 18 significant digits (half even), then half away from zero at the place.
TEST(FloatText, RoundingTiesFollowTheEngine) {
  struct Row {
    double value;
    int decimals;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {0.125, 2, "0.13"},
      {2.5, 0, "3"},
      {3.5, 0, "4"},
      {-2.5, 0, "-3"},
      {0.5, 0, "1"},
      {1.5, 0, "2"},
      {2.675, 2, "2.67"},
      {1.005, 2, "1.00"},
      {1.015, 2, "1.01"},
      {1.025, 2, "1.02"},
      {1.035, 2, "1.03"},
      {1.045, 2, "1.04"},
      {0.045, 2, "0.04"},
      {8.345, 2, "8.35"},
      {-8.345, 2, "-8.35"},
      {1234.5675, 2, "1234.57"},
      {1234.5675, 3, "1234.568"},
      {0.015625, 2, "0.02"},
      {-0.015625, 2, "-0.02"},
      {0.015625, 5, "0.01563"},
      {5e-5, 4, "0.0001"},
      {0.0005, 2, "0.00"},
      {0.0005, 3, "0.001"},
      {99.995, 2, "100.00"},
      {-99.995, 2, "-100.00"},
      {9.9999995, 2, "10.00"},
      {0.285, 2, "0.28"},
      {1.255, 2, "1.25"},
      {4.35, 1, "4.3"},
      {4.45, 1, "4.5"},
      {5.55, 1, "5.5"},
      {123456789.125, 2, "123456789.13"},
      {1000000.005, 2, "1000000.01"},
      {-0.005, 2, "-0.01"},
      {2.345e-3, 2, "0.00"},
      // The 18-digit step decides these: exact rounding would give the other neighbour.
      {323.90038155667906, 14, "323.90038155667907"},
      {90.80394204253066, 15, "90.803942042530665"},
      {129.42728799648233, 14, "129.42728799648234"},
  };
  for (const Row& row : rows) {
    const std::string picture = "%." + IntToStr(row.decimals) + "f";
    EXPECT_EQ(Format(picture, {row.value}), row.expected) << picture << " " << row.expected;
    EXPECT_EQ(FloatToStrF(row.value, ffFixed, 18, row.decimals), row.expected);
    const std::string zeros = row.decimals > 0 ? "0." + std::string(row.decimals, '0') : "0";
    EXPECT_EQ(FormatFloat(zeros, row.value), row.expected) << zeros << " " << row.expected;
  }
}

TEST(FloatText, FloatToStrFFormats) {
  struct Row {
    double value;
    TFloatFormat format;
    int precision, digits;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {1234.5678, ffGeneral, 6, 0, "1234.57"},
      {1234.5678, ffGeneral, 3, 0, "1.23E3"},
      {1234.5678, ffGeneral, 3, 2, "1.23E03"},
      {0.000012, ffGeneral, 7, 0, "0.000012"},
      {0.0000012, ffGeneral, 7, 4, "1.2E-0006"},
      {46.12346, ffGeneral, 18, 0, "46.1234600000000015"},
      {1234.5678, ffExponent, 4, 2, "1.235E+03"},
      {-0.00012, ffExponent, 3, 0, "-1.20E-4"},
      {5.0, ffExponent, 1, 1, "5E+0"},
      {1234.5678, ffFixed, 15, 2, "1234.57"},
      {1.0 / 3.0, ffFixed, 5, 8, "0.33333000"},
      {0.0, ffFixed, 15, 3, "0.000"},
      {1e17, ffFixed, 15, 2, "1E17"},
      {1234567.891, ffNumber, 15, 1, "1,234,567.9"},
      {-999.0, ffNumber, 15, 0, "-999"},
      {123.0, ffNumber, 15, 2, "123.00"},
      {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FloatToStrF(row.value, row.format, row.precision, row.digits), row.expected)
        << row.expected;
}

TEST(FloatText, ExtendedKeepsEighteenAndNineteenDigits) {
  EXPECT_EQ(FloatToStrF(46.12346L, ffGeneral, 18, 0), "46.12346");
  EXPECT_EQ(FloatToStrF(46.12346L, ffGeneral, 19, 0), "46.12346");
  EXPECT_EQ(FloatToStrF(1.0L / 3.0L, ffGeneral, 19, 0), "0.3333333333333333333");
  EXPECT_EQ(FloatToStrF(1.0L / 3.0L, ffGeneral, 18, 0), "0.333333333333333333");
  EXPECT_EQ(FloatToStrF(2.0L / 3.0L, ffGeneral, 7, 0), "0.6666667");
  EXPECT_EQ(FloatToStr(8829.155555555555L), "8829.15555555556");
  EXPECT_EQ(Format("%.18e", {1.0L / 3.0L}), "3.33333333333333333E-001");
}

TEST(FloatText, FormatFloatPictures) {
  struct Row {
    const char* picture;
    double value;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"######0.###", 8829.155555, "8829.156"},
      {"######0.#####", 46.0, "46"},
      {"######0.#####", 46.25, "46.25"},
      {"0.00", 1.5, "1.50"},
      {"0.0#", 1.5, "1.5"},
      {"0.0#", 1.556, "1.56"},
      {"000", 7.0, "007"},
      {"#", 0.0, ""},
      {"0", 0.0, "0"},
      {"#.##", 0.5, ".5"},
      {"0.###", -0.0004, "0"},
      {"0.00", -0.001, "0.00"},
      {"0.00", -1.0, "-1.00"},
      {"#,##0", 1000.0, "1,000"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", -1234567.0, "-1,234,567"},
      {"#,##0", 12.0, "12"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"00.0E+0", 1234.5, "12.3E+2"},
      {"0.0e-00", 0.000123, "1.2e-04"},
      {"0.0E-0", 12.0, "1.2E1"},
      {"0.###E+000", -0.5, "-5E-001"},
      {"0.00E+00", 0.0, "0.00E+00"},
      {"0.00;(0.00)", -3.5, "(3.50)"},
      {"0.00;(0.00);zero", 0.001, "zero"},
      {"0.00;(0.00);zero", 0.0, "zero"},
      {"0.00;;zero", -2.0, "-2.00"},
      {"0.00;(0.00)", -0.001, "0.00"},
      {"0.00;(0.000)", -0.001, "(0.001)"},
      {";0.00", 1.5, "1.5"},
      {".00", 12.5, "12.50"},
      {"'$'.00", 12.5, "$12.50"},
      {"'x'0.0\"y\"", 2.25, "x2.3y"},
      {"0.0 'm;s'", 2.25, "2.3 m;s"},
      {"$#,##0.00", 1500.0, "$1,500.00"},
      {"0%", 50.0, "50%"},
      {"", 1.5, "1.5"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0.00", std::nan(""), "NAN"},
      {"0.00", -HUGE_VAL, "-INF"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatFloat(row.picture, row.value), row.expected) << row.picture;
  // The Extended nearest 2.675 lies 4e-20 below it: at 18 digits that is the tie.
  EXPECT_EQ(FormatFloat("0.00", 2.675L), "2.68");
  EXPECT_EQ(FormatFloat("0.0", 3), "3.0");
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  comma.ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, comma), "1.234,50");
}
