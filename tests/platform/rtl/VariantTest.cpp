#include "platform/rtl/Variant.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

TEST(VariantTest, KindsCarryThePlatformCodes) {
  const struct {
    Variant value;
    TVarType code;
  } rows[] = {
      {Variant(), 0x0000},
      {Null(), 0x0001},
      {Variant(int16_t(1)), 0x0002},
      {Variant(int32_t(1)), 0x0003},
      {Variant(1.5f), 0x0004},
      {Variant(1.5), 0x0005},
      {Variant(Currency::FromInt(1)), 0x0006},
      {Variant::FromDate(45351), 0x0007},
      {Variant(u"x"), 0x0008},
      {Variant(true), 0x000B},
      {Variant(int8_t(1)), 0x0010},
      {Variant(uint8_t(1)), 0x0011},
      {Variant(uint16_t(1)), 0x0012},
      {Variant(uint32_t(1)), 0x0013},
      {Variant(int64_t(1)), 0x0014},
      {Variant(uint64_t(1)), 0x0015},
      {Variant::FromStrArg(u"x"), 0x0048},
      {Variant("x"), 0x0100},
      {Variant(std::string_view("x")), 0x0100},
      {Variant(1.5L), 0x0005},
      {Variant(std::vector<uint8_t>{1, 2}), 0x2011},
  };
  for (const auto& row : rows)
    EXPECT_EQ(VarType(row.value), row.code) << Variant::TypeName(row.code);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsNull(Unassigned()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_TRUE(VarIsOrdinal(Variant(uint8_t(1))));
  EXPECT_FALSE(VarIsOrdinal(Variant(true)));
  EXPECT_TRUE(VarIsNumeric(Variant(Currency::FromInt(1))));
  EXPECT_TRUE(VarIsStr(Variant::FromStrArg(u"x")));
}

TEST(VariantTest, VarToStr) {
  const struct {
    Variant value;
    const char* text;
  } rows[] = {
      {Variant(), ""},
      {Null(), ""},
      {Variant(-5), "-5"},
      {Variant(std::numeric_limits<uint64_t>::max()), "18446744073709551615"},
      {Variant(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
      {Variant(8829.155555555555), "8829.15555555556"},
      {Variant(1e15), "1E15"},
      {Variant(0.1f), "0.1"}, // a Single shows its own 7 digits
      {Variant(Currency::FromRaw(15000)), "1.5"},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(u"\u00e9\u20ac"), "\xC3\xA9\xE2\x82\xAC"},
      {Variant::FromDate(45351.5), "2024-02-29 12:00:00"},
      {Variant::FromDate(45351), "2024-02-29"},
      {Variant("as is"), "as is"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(VarToStr(row.value), row.text) << row.text;
  {
    // Float keys follow the decimal separator (hash keys rely on it).
    TDecimalSeparatorGuard comma(',');
    EXPECT_EQ(VarToStr(Variant(1.5)), "1,5");
    EXPECT_EQ(VarToStr(Variant(Currency::FromRaw(15000))), "1,5");
  }
  // Explicit settings (worker threads) leave the process-wide ones alone.
  TFormatSettings german;
  german.DecimalSeparator = ',';
  german.DateSeparator = '.';
  german.ShortDateFormat = "dd/mm/yyyy";
  const struct {
    Variant value;
    const char* text;
  } withSettings[] = {
      {Variant(1.5), "1,5"},
      {Variant(0.25f), "0,25"},
      {Variant(Currency::FromRaw(-12345)), "-1,2345"},
      {Variant::FromDate(45351), "29.02.2024"},
      {Variant(7), "7"},
  };
  for (const auto& row : withSettings)
    EXPECT_EQ(VarToStr(row.value, german), row.text) << row.text;
  EXPECT_EQ(VarToStrDef(Null(), "nil", german), "nil");
  EXPECT_EQ(VarToStrDef(Variant(2.5), "nil", german), "2,5");
  EXPECT_EQ(VarToStr(Variant(1.5)), "1.5");
  EXPECT_EQ(VarToStrDef(Null(), "nil"), "nil");
  EXPECT_EQ(VarToStrDef(Variant(), "nil"), "");
  EXPECT_THROW(VarToStr(Variant(std::vector<uint8_t>{1})), EVariantError);
  EXPECT_THROW(Null().AsString(), EVariantError);
}

TEST(VariantTest, Conversions) {
  // Booleans are -1 and 0 as numbers.
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(false).AsDouble(), 0);
  // Floats become integers with halves to even.
  const struct {
    double value;
    int64_t rounded;
  } ties[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.4999, 1}, {-7.5, -8}};
  for (const auto& row : ties)
    EXPECT_EQ(Variant(row.value).AsInt64(), row.rounded) << row.value;
  EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInteger(), 2);
  EXPECT_EQ(Variant(Currency::FromRaw(35000)).AsInteger(), 4);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);
  EXPECT_EQ(Variant("-17").AsInt64(), -17);
  EXPECT_EQ(Variant("$10").AsInteger(), 16);
  EXPECT_DOUBLE_EQ(Variant(u"0.25").AsDouble(), 0.25);
  EXPECT_EQ(Variant(7).AsCurrency(), Currency::FromInt(7));
  EXPECT_EQ(Variant("1.25").AsCurrency(), Currency::FromRaw(12500));
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant("12").AsType(varInteger).VarType(), varInteger);
  EXPECT_EQ(Variant("12").AsType(varInteger).AsInteger(), 12);
  EXPECT_EQ(VarToStr(Variant(2.5).AsType(varString)), "2.5");
  EXPECT_EQ(Variant(65).AsType(varOleStr).AsOleStr(), u"65");
  EXPECT_TRUE(Variant(Null()).AsType(varNull).IsNull());
  EXPECT_DOUBLE_EQ(Variant("2024-02-29").AsDateTime(), 45351);

  // To Boolean: numbers that are not zero, or the texts True and False.
  EXPECT_TRUE(Variant(2).AsBoolean());
  EXPECT_TRUE(Variant(-0.5).AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant(u"false").AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());

  const struct {
    const char* what;
    std::function<void()> call;
    const char* message; // nullptr: any EVariantError
  } failures[] = {
      {"text to Boolean", [] { Variant("yes").AsBoolean(); },
       "Could not convert variant of type (String) into type (Boolean)"},
      {"number text to Boolean", [] { Variant("1").AsBoolean(); }, nullptr},
      {"Null to Boolean", [] { Null().AsBoolean(); },
       "Could not convert variant of type (Null) into type (Boolean)"},
      {"text to Double", [] { Variant("abc").AsDouble(); },
       "Could not convert variant of type (String) into type (Double)"},
      {"comma under '.'", [] { Variant("1,5").AsDouble(); }, nullptr},
      {"Null to Integer", [] { Null().AsInteger(); }, nullptr},
      {"too big for Integer", [] { Variant(int64_t(3000000000)).AsInteger(); },
       "Arithmetic overflow converting variant of type (Int64) into type (Integer)"},
      {"float beyond Int64", [] { Variant(1e20).AsInt64(); }, nullptr},
      {"NaN to Int64", [] { Variant(std::numeric_limits<double>::quiet_NaN()).AsInt64(); },
       nullptr},
      {"UInt64 beyond Int64", [] { Variant(std::numeric_limits<uint64_t>::max()).AsInt64(); },
       nullptr},
      {"300 to Byte", [] { Variant(300).AsType(varByte); }, nullptr},
      {"-1 to LongWord", [] { Variant(-1).AsType(varLongWord); }, nullptr},
      {"bytes to Integer", [] { Variant(std::vector<uint8_t>{1}).AsInteger(); }, nullptr},
      {"Integer to bytes", [] { Variant(1).Bytes(); }, nullptr},
      {"bad date text", [] { Variant("not a date").AsDateTime(); }, nullptr},
  };
  for (const auto& row : failures) {
    try {
      row.call();
      ADD_FAILURE() << row.what << ": no exception";
    } catch (const EVariantError& e) {
      if (row.message) {
        EXPECT_EQ(e.Message(), row.message) << row.what;
      }
    }
  }
  TDecimalSeparatorGuard comma(',');
  EXPECT_DOUBLE_EQ(Variant("1,5").AsDouble(), 1.5);
}

TEST(VariantTest, Equality) {
  const std::vector<uint8_t> bytes{1, 2};
  const struct {
    const char* what;
    Variant a, b;
    bool equal;
  } rows[] = {
      {"Null = Null", Null(), Null(), true},
      {"Null vs Empty", Null(), Variant(), false},
      {"Null vs 0", Null(), Variant(0), false},
      {"Null vs ''", Null(), Variant(""), false},
      {"Empty = Empty", Variant(), Variant(), true},
      {"Empty = 0", Variant(), Variant(0), true},
      {"Empty = ''", Variant(), Variant(""), true},
      {"Empty = False", Variant(), Variant(false), true},
      {"Empty vs 1", Variant(), Variant(1), false},
      {"Integer = Double", Variant(1), Variant(1.0), true},
      {"Byte = Int64", Variant(uint8_t(200)), Variant(int64_t(200)), true},
      {"Int64 max vs 2^63", Variant(std::numeric_limits<int64_t>::max()),
       Variant(9223372036854775808.0), false},
      {"UInt64 max vs -1", Variant(std::numeric_limits<uint64_t>::max()), Variant(-1), false},
      {"Single 0.1 vs Double 0.1", Variant(0.1f), Variant(0.1), false},
      {"Single 0.5 = Double 0.5", Variant(0.5f), Variant(0.5), true},
      {"Currency 0.1 = Double 0.1", Variant(Currency::FromRaw(1000)), Variant(0.1), true},
      {"Currency 1 = Integer 1", Variant(Currency::FromInt(1)), Variant(1), true},
      {"Currency 1.5 vs Integer 1", Variant(Currency::FromRaw(15000)), Variant(1), false},
      {"Date = Double", Variant::FromDate(45351), Variant(45351.0), true},
      {"texts with case", Variant("abc"), Variant("ABC"), false},
      {"same texts", Variant("abc"), Variant("abc"), true},
      {"String = OleStr", Variant("\xC3\xA9"), Variant(u"\u00e9"), true},
      {"text converted to number", Variant("12"), Variant(12), true},
      {"float text", Variant(12.5), Variant("12.5"), true},
      {"text that is no number", Variant("x"), Variant(0), false},
      {"padded text", Variant(" 12"), Variant(12), true},
      {"True = -1", Variant(true), Variant(-1), true},
      {"True vs 1", Variant(true), Variant(1), false},
      {"True = 'True'", Variant(true), Variant("true"), true},
      {"False = 'False'", Variant(false), Variant("False"), true},
      {"True vs '1'", Variant(true), Variant("1"), false},
      {"bytes = bytes", Variant(bytes), Variant(bytes), true},
      {"bytes vs other bytes", Variant(bytes), Variant(std::vector<uint8_t>{1}), false},
      {"bytes vs text", Variant(bytes), Variant("\x01\x02"), false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.a == row.b, row.equal) << row.what;
    EXPECT_EQ(row.b == row.a, row.equal) << row.what << " (swapped)";
    EXPECT_EQ(row.a != row.b, !row.equal) << row.what;
  }
}
