#include "platform/rtl/Format.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct FormatRow {
  const char* fmt;
  std::vector<FormatArg> args;
  std::string expected;
};

std::string run(const FormatRow& row) {
  return FormatList(row.fmt, row.args);
}

} // namespace

TEST(Format, LettersWidthsAndPrecisions) {
  const Int64 big = 1234567890123LL;
  const std::vector<FormatRow> rows = {
      {"%d", {42}, "42"},
      {"%d", {-42}, "-42"},
      {"%D", {7}, "7"},
      {"%.3d", {7}, "007"},
      {"%.3d", {-7}, "-007"},
      {"%5d|%-5d|", {12, 12}, "   12|12   |"},
      {"%d", {big}, "1234567890123"},
      {"%d", {std::numeric_limits<Integer>::min()}, "-2147483648"},
      {"%u", {-1}, "4294967295"},
      {"%u", {Int64(-1)}, "18446744073709551615"},
      {"%u", {Cardinal(4000000000u)}, "4000000000"},
      {"%d", {Cardinal(4000000000u)}, "4000000000"},
      {"%x", {255}, "FF"},
      {"%.2x", {1}, "01"},
      {"%.2x", {31}, "1F"},
      {"%.2x", {256}, "100"},
      {"%.3x", {255}, "0FF"},
      {"$%X", {Integer(0xFF00000D)}, "$FF00000D"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%x", {Int64(-1)}, "FFFFFFFFFFFFFFFF"},
      {"%x", {Byte(200)}, "C8"},
      {"%s", {"text"}, "text"},
      {"%S", {std::string("upper letter")}, "upper letter"},
      {"%.2s", {"xyz"}, "xy"},
      {"%6s|%-6s|", {"ab", "cd"}, "    ab|cd    |"},
      {"%-3s|", {"longer"}, "longer|"},
      {"%s", {'c'}, "c"},
      {"%s", {std::string_view("view")}, "view"},
      {"%s|", {std::string("a\0b", 3)}, std::string("a\0b|", 4)},
      {"%f", {3.14159}, "3.14"},
      {"%12f", {3.14159}, "        3.14"},
      {"%.0f", {2.5}, "3"},
      {"%.0f", {-2.5}, "-3"},
      {"%.3f", {-0.0005}, "-0.001"},
      {"%.2f", {-0.001}, "0.00"},
      {"%.2f", {1.0e20}, "1E20"},
      {"%.1f", {2.25f}, "2.3"},
      {"%.1F", {2.25L}, "2.3"},
      {"%e", {-1234.5}, "-1.23450000000000E+003"},
      {"%.15e", {1.5}, "1.50000000000000E+000"},
      {"%.3e", {0.0}, "0.00E+000"},
      {"%.4E", {1.0e-310}, "1.000E-310"},
      {"%.1e", {96.0}, "1E+002"},
      {"%g", {1.0e20}, "1E20"},
      {"%g", {0.5}, "0.5"},
      {"%g", {1.5e-7}, "1.5E-7"},
      {"%.14g", {1.0 / 3.0}, "0.33333333333333"},
      {"%.3g", {12345.0}, "1.23E4"},
      {"%G", {100.0}, "100"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%.0n", {-999.5}, "-1,000"},
      {"%m", {1234.5}, "$1,234.50"},
      {"%m", {-1234.5}, "($1,234.50)"},
      {"%f|%e|%g", {std::nan(""), HUGE_VAL, -HUGE_VAL}, "NAN|INF|-INF"},
      {"%5f|", {std::nan("")}, "  NAN|"},
      {"%f", {Currency::FromRaw(12345)}, "1.23"},
      {"%.4f", {Currency::FromRaw(-12345)}, "-1.2345"},
      {"100%% %s", {"done"}, "100% done"},
      {"%%d", {}, "%d"},
      {"no placeholders", {1, 2}, "no placeholders"},
      {"%s", {"a", "left over"}, "a"},
  };
  for (const FormatRow& row : rows)
    EXPECT_EQ(run(row), row.expected) << row.fmt;
}

TEST(Format, IndexesAndStars) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
  EXPECT_EQ(Format("%*d|", {5, 42}), "   42|");
  EXPECT_EQ(Format("%-*d|", {5, 42}), "42   |");
  EXPECT_EQ(Format("%*d|", {-5, 42}), "42   |");
  EXPECT_EQ(Format("%*.*f", {8, 3, 2.0}), "   2.000");
  EXPECT_EQ(Format("%.*s", {2, "abcdef"}), "ab");
  EXPECT_EQ(Format("%1:-4s|", {"a", "b"}), "b   |");
}

TEST(Format, MismatchesRaise) {
  struct Bad {
    const char* fmt;
    std::vector<FormatArg> args;
    const char* message;
  };
  const std::vector<Bad> rows = {
      {"%d", {"x"}, "Format '%d' invalid or incompatible with argument"},
      {"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
      {"%x", {1.5}, "Format '%x' invalid or incompatible with argument"},
      {"%f", {1}, "Format '%f' invalid or incompatible with argument"},
      {"%e", {"1.5"}, "Format '%e' invalid or incompatible with argument"},
      {"%s", {5}, "Format '%s' invalid or incompatible with argument"},
      {"%p", {5}, "Format '%p' invalid or incompatible with argument"},
      {"%*d", {"w", 5}, "Format '%*d' invalid or incompatible with argument"},
      {"%q", {5}, "Format '%q' invalid or incompatible with argument"},
      {"abc %", {5}, "Format 'abc %' invalid or incompatible with argument"},
      {"%5", {5}, "Format '%5' invalid or incompatible with argument"},
      {"%d %d", {1}, "No argument for format '%d %d'"},
      {"%s", {}, "No argument for format '%s'"},
      {"%3:s", {"a", "b"}, "No argument for format '%3:s'"},
  };
  for (const Bad& row : rows) {
    try {
      FormatList(row.fmt, row.args);
      ADD_FAILURE() << row.fmt << " did not raise";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
}

TEST(Format, PointerIsSixteenHexDigits) {
  const int target = 0;
  const std::string text = Format("%p", {static_cast<const void*>(&target)});
  EXPECT_EQ(text.size(), 16u);
  EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

TEST(Format, FollowsTheProcessDecimalSeparatorAndExplicitSettings) {
  TFormatSettingsGuard keep;
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(Format("%.2f|%e|%n|%g", {2.5, 1.5, 1234.5, 0.25}),
            "2,50|1,50000000000000E+000|1.234,50|0,25");
  // An explicit settings object ignores the process-wide one.
  TFormatSettings plain;
  EXPECT_EQ(Format("%.2f|%n", {2.5, 1234.5}, plain), "2.50|1,234.50");
  TFormatSettings blank;
  blank.ThousandSeparator = ' ';
  EXPECT_EQ(Format("%.1n", {-1234567.25}, blank), "-1 234 567.3");
}

TEST(Format, DecimalSeparatorGuardRestoresOnEveryExit) {
  ASSERT_EQ(FormatSettings().DecimalSeparator, '.');
  {
    TDecimalSeparatorGuard guard(',');
    EXPECT_EQ(FloatToStr(1.5), "1,5");
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  try {
    TDecimalSeparatorGuard guard(',');
    StrToFloat("abc");
  } catch (const EConvertError&) {
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FloatToStr(1.5), "1.5");
}

TEST(Format, CurrencyLayouts) {
  TFormatSettings fs;
  fs.CurrencyString = "EUR";
  const std::vector<std::pair<int, const char*>> negative = {
      {0, "(EUR1.50)"},  {1, "-EUR1.50"},   {2, "EUR-1.50"},    {3, "EUR1.50-"},
      {4, "(1.50EUR)"},  {5, "-1.50EUR"},   {6, "1.50-EUR"},    {7, "1.50EUR-"},
      {8, "-1.50 EUR"},  {9, "-EUR 1.50"},  {10, "1.50 EUR-"},  {11, "EUR 1.50-"},
      {12, "EUR -1.50"}, {13, "1.50- EUR"}, {14, "(EUR 1.50)"}, {15, "(1.50 EUR)"},
  };
  for (const auto& [code, expected] : negative) {
    fs.NegCurrFormat = static_cast<Byte>(code);
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, fs), expected) << code;
  }
  const std::vector<std::pair<int, const char*>> positive = {
      {0, "EUR1.50"}, {1, "1.50EUR"}, {2, "EUR 1.50"}, {3, "1.50 EUR"}};
  for (const auto& [code, expected] : positive) {
    fs.CurrencyFormat = static_cast<Byte>(code);
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2, fs), expected) << code;
  }
}

TEST(Format, SeparatorGrid) {
  struct Row {
    char decimal, thousand;
    const char* number;  // %n of 1234567.25
    const char* picture; // #,##0.00 of -1234.5
    const char* fixed;   // %.3f of 0.5
  };
  const std::vector<Row> rows = {
      {'.', ',', "1,234,567.25", "-1,234.50", "0.500"},
      {',', '.', "1.234.567,25", "-1.234,50", "0,500"},
      {',', ' ', "1 234 567,25", "-1 234,50", "0,500"},
      {'.', ' ', "1 234 567.25", "-1 234.50", "0.500"},
  };
  for (const Row& row : rows) {
    TFormatSettings fs;
    fs.DecimalSeparator = row.decimal;
    fs.ThousandSeparator = row.thousand;
    EXPECT_EQ(Format("%n", {1234567.25}, fs), row.number);
    EXPECT_EQ(FloatToStrF(1234567.25, ffNumber, 15, 2, fs), row.number);
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.5, fs), row.picture);
    EXPECT_EQ(Format("%.3f", {0.5}, fs), row.fixed);
    // Fixed text reads back; grouped text never does.
    EXPECT_EQ(StrToFloat(row.fixed, fs), 0.5);
    double v;
    EXPECT_FALSE(TryStrToFloat(row.number, v, fs)) << row.number;
    EXPECT_EQ(StrToFloat(FloatToStr(-1234567.25, fs), fs), -1234567.25);
  }
}

TEST(Format, LocaleSettingsAreOptIn) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const TFormatSettings german = LocaleFormatSettings();
  QLocale::setDefault(saved);
  EXPECT_EQ(german.DecimalSeparator, ',');
  EXPECT_EQ(german.ThousandSeparator, '.');
  EXPECT_EQ(german.DateSeparator, '.');
  // The process-wide settings never came from the locale.
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy-mm-dd");
}

TEST(Format, LetterByArgumentKindMatrix) {
  const int target = 0;
  const std::vector<std::pair<const char*, FormatArg>> kinds = {
      {"Integer", FormatArg(Integer(5))},
      {"Int64", FormatArg(Int64(5))},
      {"Cardinal", FormatArg(Cardinal(5))},
      {"Double", FormatArg(5.0)},
      {"Extended", FormatArg(5.0L)},
      {"Currency", FormatArg(Currency::FromInt(5))},
      {"String", FormatArg("5")},
      {"Pointer", FormatArg(static_cast<const void*>(&target))},
  };
  // Which kinds each letter accepts, in the order above.
  const std::vector<std::pair<const char*, std::string>> letters = {
      {"d", "11100000"}, {"u", "11100000"}, {"x", "11100000"}, {"e", "00011100"}, {"f", "00011100"},
      {"g", "00011100"}, {"n", "00011100"}, {"m", "00011100"}, {"s", "00000010"}, {"p", "00000001"},
  };
  for (const auto& [letter, accepts] : letters) {
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      for (const std::string& fmt :
           {std::string("%") + letter, UpperCase(std::string("%") + letter)}) {
        const std::vector<FormatArg> args = {kinds[k].second};
        bool accepted = true;
        try {
          FormatList(fmt, args);
        } catch (const EConvertError&) {
          accepted = false;
        }
        EXPECT_EQ(accepted, accepts[k] == '1') << fmt << " with " << kinds[k].first;
      }
    }
  }
}
