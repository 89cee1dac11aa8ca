#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(Currency, TextBothWays) {
  struct Row {
    Int64 raw;
    const char* text;
  };
  const std::vector<Row> rows = {
      {15000, "1.5"},
      {20000, "2"},
      {-1, "-0.0001"},
      {0, "0"},
      {12345678, "1234.5678"},
      {-10000, "-1"},
      {std::numeric_limits<Int64>::max(), "922337203685477.5807"},
      {std::numeric_limits<Int64>::min(), "-922337203685477.5808"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CurrToStr(Currency::FromRaw(row.raw)), row.text);
    if (row.raw != std::numeric_limits<Int64>::min()) {
      EXPECT_EQ(StrToCurr(row.text).Raw(), row.raw) << row.text;
    }
  }
  struct ParseRow {
    const char* text;
    bool ok;
    Int64 raw;
  };
  const std::vector<ParseRow> parses = {
      {" 1.23456 ", true, 12346}, {"1.23455", true, 12346}, {"-1.23455", true, -12346},
      {"0.00005", true, 1},       {"0.000049", true, 0},    {"1e2", true, 1000000},
      {"1,5", false, 0},          {"abc", false, 0},        {"1e20", false, 0},
  };
  for (const ParseRow& row : parses) {
    Currency c;
    EXPECT_EQ(TryStrToCurr(row.text, c), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(c.Raw(), row.raw) << row.text;
    }
  }
  try {
    StrToCurr("x");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid floating point value");
  }
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(CurrToStr(Currency::FromRaw(15000), comma), "1,5");
  EXPECT_EQ(StrToCurr("2,25", comma).Raw(), 22500);
  EXPECT_EQ(StrToCurrDef("bad", Currency::FromInt(7)), Currency::FromInt(7));
  EXPECT_EQ(StrToCurrDef("1.5", Currency::FromInt(7), comma), Currency::FromInt(7));
}

TEST(Currency, ArithmeticAndConversions) {
  EXPECT_EQ(Currency::FromDouble(0.1).Raw(), 1000);
  // The nearest currency: the double 0.00005 lies just above the half, 0.00015 just below.
  EXPECT_EQ(Currency::FromDouble(0.00005).Raw(), 1);
  EXPECT_EQ(Currency::FromDouble(0.00015).Raw(), 1);
  EXPECT_EQ(Currency::FromDouble(-0.00006).Raw(), -1);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), EInvalidOp);
  EXPECT_THROW(Currency::FromDouble(1e16), EInvalidOp);
  EXPECT_EQ((Currency::FromInt(2) + Currency::FromRaw(5)).Raw(), 20005);
  EXPECT_EQ((Currency::FromInt(2) - Currency::FromInt(3)), Currency::FromInt(-1));
  EXPECT_LT(Currency::FromRaw(-1), Currency::FromRaw(0));
  EXPECT_THROW(Currency::FromRaw(std::numeric_limits<Int64>::max()) + Currency::FromRaw(1),
               EOverflow);
  EXPECT_EQ(Currency::FromRaw(25).ToDouble(), 0.0025);
  EXPECT_EQ(Currency::FromInt(-922337203685477).Raw(), -9223372036854770000);
  EXPECT_THROW(Currency::FromInt(922337203685478), EOverflow);
}

TEST(Currency, FormattingIsExact) {
  const Currency big = Currency::FromRaw(std::numeric_limits<Int64>::max());
  EXPECT_EQ(CurrToStrF(big, ffFixed, 4), "922337203685477.5807");
  EXPECT_EQ(CurrToStrF(big, ffGeneral, 0), "922337203685477.5807");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12345), ffFixed, 2), "1.23");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(12350), ffFixed, 2), "1.24");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-12345678), ffNumber, 2), "-1,234.57");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-15000), ffCurrency, 2), "($1.50)");
  EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromRaw(123456789)), "12,345.68");
  EXPECT_EQ(Format("%m|%.2f|%.1f",
                   {Currency::FromRaw(15000), Currency::FromRaw(-250), Currency::FromRaw(-250)}),
            "$1.50|-0.03|0.0");
}
