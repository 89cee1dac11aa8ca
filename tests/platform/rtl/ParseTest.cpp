#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(StrToInt, AcceptsDecimalAndWrappingHex) {
  struct Row {
    const char* text;
    bool ok;
    Integer value;
  };
  const std::vector<Row> rows = {
      {"0", true, 0},
      {"42", true, 42},
      {"+42", true, 42},
      {"-42", true, -42},
      {"  7", true, 7},
      {"\t7", true, 7},
      {"008", true, 8},
      {"0080", true, 80},
      {"0217", true, 217},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, std::numeric_limits<Integer>::min()},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"$FF", true, 255},
      {"$ff", true, 255},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"-$10", true, -16},
      {"$FFFFFFFF", true, -1},
      {"$FF00000D", true, -16777203},
      {"$000000001", true, 1},
      {"$100000000", false, 0},
      {"7 ", false, 0},
      {"7a", false, 0},
      {"1.0", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"$G", false, 0},
      {"- 5", false, 0},
      {"++5", false, 0},
  };
  for (const Row& row : rows) {
    Integer v = 12345;
    EXPECT_EQ(TryStrToInt(row.text, v), row.ok) << '"' << row.text << '"';
    if (row.ok) {
      EXPECT_EQ(v, row.value) << row.text;
      EXPECT_EQ(StrToInt(row.text), row.value);
    } else {
      EXPECT_EQ(StrToIntDef(row.text, -99), -99);
    }
  }
  try {
    StrToInt("12x");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid integer value");
  }
}

TEST(StrToInt, SixtyFourBits) {
  struct Row {
    const char* text;
    bool ok;
    Int64 value;
  };
  const std::vector<Row> rows = {
      {"9223372036854775807", true, std::numeric_limits<Int64>::max()},
      {"-9223372036854775808", true, std::numeric_limits<Int64>::min()},
      {"9223372036854775808", false, 0},
      {"2147483648", true, 2147483648LL},
      {"0012345678901", true, 12345678901LL},
      {"$FFFFFFFF", true, 4294967295LL},
      {"$FFFFFFFFFFFFFFFF", true, -1},
      {"$1FFFFFFFFFFFFFFFF", false, 0},
      {"12 ", false, 0},
  };
  for (const Row& row : rows) {
    Int64 v = 0;
    EXPECT_EQ(TryStrToInt64(row.text, v), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(v, row.value) << row.text;
    }
    EXPECT_EQ(StrToInt64Def(row.text, 77), row.ok ? row.value : 77);
  }
  EXPECT_THROW(StrToInt64("x"), EConvertError);
}

TEST(StrToFloat, OnlyTheCurrentSeparatorIntroducesTheFraction) {
  struct Row {
    const char* text;
    char separator;
    bool ok;
    double value;
  };
  const std::vector<Row> rows = {
      {"1.5", '.', true, 1.5},
      {"1,5", ',', true, 1.5},
      {"1,5", '.', false, 0},
      {"1.5", ',', false, 0},
      {"  -2.25  ", '.', true, -2.25},
      {"\t+2.25", '.', true, 2.25},
      {"1e3", '.', true, 1000},
      {"1,5E-2", ',', true, 0.015},
      {"2.5e+2", '.', true, 250},
      {".5", '.', true, 0.5},
      {"5.", '.', true, 5},
      {"0.1", '.', true, 0.1},
      {"8829.155555555555", '.', true, 8829.155555555555},
      {"1e-400", '.', true, 0}, // below the smallest double
      {"-1e-400", '.', true, -0.0},
      {"1e5000", '.', false, 0},
      {"1.7976931348623157e308", '.', true, 1.7976931348623157e308},
      {"1,000.5", '.', false, 0},
      {"1.000,5", ',', false, 0},
      {"", '.', false, 0},
      {".", '.', false, 0},
      {"e5", '.', false, 0},
      {"1e", '.', false, 0},
      {"1e+", '.', false, 0},
      {"INF", '.', false, 0},
      {"nan", '.', false, 0},
      {"0x10", '.', false, 0},
      {"1 5", '.', false, 0},
      {"abc", '.', false, 0},
      {"1.5x", '.', false, 0},
      {"1..5", '.', false, 0},
  };
  for (const Row& row : rows) {
    TFormatSettings fs;
    fs.DecimalSeparator = row.separator;
    fs.ThousandSeparator = row.separator == ',' ? '.' : ',';
    double v = 999;
    EXPECT_EQ(TryStrToFloat(row.text, v, fs), row.ok) << '"' << row.text << "\" " << row.separator;
    if (row.ok) {
      EXPECT_EQ(v, row.value) << row.text;
    }
    long double e = 999;
    EXPECT_EQ(TryStrToFloat(row.text, e, fs), row.ok) << row.text;
    if (row.ok) {
      float f = 999;
      EXPECT_TRUE(TryStrToFloat(row.text, f, fs) || std::fabs(row.value) > 3.5e38) << row.text;
    }
    EXPECT_EQ(StrToFloatDef(row.text, -7.0, fs), row.ok ? row.value : -7.0);
  }
}

TEST(StrToFloat, ProcessSeparatorAndErrors) {
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  {
    TDecimalSeparatorGuard guard(',');
    EXPECT_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
  }
  try {
    StrToFloat("abc");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(StrToExtended("46.12346"), 46.12346L);
  EXPECT_EQ(StrToExtendedDef("x", 2.5L), 2.5L);
  EXPECT_THROW(StrToExtended("1e5000"), EConvertError);
  EXPECT_EQ(StrToExtended("1e400"), 1e400L);
  float f = 0;
  EXPECT_TRUE(TryStrToFloat("0.1", f));
  EXPECT_EQ(f, 0.1f);
  EXPECT_FALSE(TryStrToFloat("1e39", f)) << "beyond Single";
}

TEST(StrToFloat, RoundTripsFloatToStrWithinFifteenDigits) {
  const std::vector<double> values = {8829.155555555555, 1.0 / 3.0, -2.5e-7,   1e15,
                                      6.02214076e23,     0.00001,   123456.789};
  for (const double v : values) {
    const double back = StrToFloat(FloatToStr(v));
    EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-14) << v;
  }
}
