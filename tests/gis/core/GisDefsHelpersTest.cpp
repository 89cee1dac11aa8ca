// Units, lists, stacks, passwords, numbers.
#include <cmath>
#include <numbers>
#include <string>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace {

using GisUnits = GisCoreTest;
using GisLists = GisCoreTest;
using GisPasswords = GisCoreTest;
using GisNumbers = GisCoreTest;

TEST_F(GisUnits, EveryCodeAndItsFactor) {
  const double pi = std::numbers::pi;
  const double factors[25] = {1,
                              1,
                              1,
                              1000,
                              0.3048,
                              0.3048006096012192,
                              0.304812252984506,
                              0.3047972651150996,
                              0.30479951799004223,
                              0.20116619497596572,
                              0.20116782494375873,
                              0.20116765121552632,
                              20.116782494375872,
                              20.116765121552632,
                              0.9143985539701267,
                              0.9143984146160288,
                              1.8288,
                              1852,
                              1,
                              1,
                              0.017453292519943295,
                              pi / 10800,
                              pi / 648000,
                              0.015707963267948967,
                              0.015707963267948967};
  for (int code = 0; code <= 24; ++code) {
    TGIS_Units u;
    u.SetType(TGIS_UnitsType(code));
    EXPECT_EQ(u.Type(), code);
    if (code == 1 || code == 18) continue; // custom: factor unchanged
    EXPECT_EQ(static_cast<double>(u.Factor()), factors[code]) << code;
  }
  // The angular factors are kept in extended precision.
  TGIS_Units degree;
  degree.SetType(gisUnitsDegreeDecimal);
  EXPECT_EQ(degree.Factor(), std::numbers::pi_v<long double> / 180);

  TGIS_Units u;
  u.SetType(gisUnitsMinuteDecimal);
  u.SetType(TGIS_UnitsType(30));
  EXPECT_EQ(u.Type(), 30);
  EXPECT_EQ(static_cast<double>(u.Factor()), pi / 10800);

  const TGIS_Units half(gisUnitsAngularCustom, 0.5);
  EXPECT_EQ(half.Type(), gisUnitsAngularCustom);
  EXPECT_EQ(half.Factor(), 0.5L);
  const TGIS_Units feet(gisUnitsFoot, 99); // the factor argument is ignored
  EXPECT_EQ(static_cast<double>(feet.Factor()), 0.3048);

  TGIS_Units copy;
  copy.Assign(half);
  EXPECT_EQ(copy.Type(), half.Type());
  EXPECT_EQ(copy.Factor(), half.Factor());

  TGIS_Units keep(gisUnitsLinearCustom, 2);
  try {
    keep.SetCustom(gisUnitsLinearCustom, 0);
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (GisDefs, line 2140)");
  }
  EXPECT_EQ(keep.Factor(), 2.0L);
}

TEST_F(GisLists, PointListsAndStacks) {
  TGIS_PointList points;
  points.Add({1, 2});
  points.Add({3, 4});
  EXPECT_EQ(points.Count(), 2);
  EXPECT_TRUE(GisIsSamePoint(points.Get(1), {3, 4}));
  EXPECT_THROW(points.Get(2), EListError);
  EXPECT_THROW(points.Get(-1), EListError);
  points.Clear();
  EXPECT_EQ(points.Count(), 0);

  TGIS_Point3DList points3;
  points3.Add({1, 2, 3, 4});
  EXPECT_EQ(points3.Get(0).M, 4);
  EXPECT_THROW(points3.Get(1), EListError);

  int a = 0, b = 0;
  TGIS_Stack stack;
  EXPECT_TRUE(stack.IsEmpty());
  EXPECT_EQ(stack.Pop(), nullptr);
  EXPECT_TRUE(stack.IsEmpty());
  stack.Push(&a);
  stack.Push(&b);
  EXPECT_EQ(stack.Peek(), &b);
  TGIS_Stack other;
  other.Push(&b);
  other.Assign(stack);
  EXPECT_EQ(other.Count(), 2);
  EXPECT_EQ(stack.Pop(), &b);
  EXPECT_EQ(stack.Pop(), &a);
  EXPECT_EQ(stack.Peek(), nullptr);
  EXPECT_EQ(other.Pop(), &b); // same sequence as the source had
  EXPECT_EQ(other.Pop(), &a);

  TGIS_StackInteger ints;
  EXPECT_EQ(ints.Pop(), 0);
  ints.Push(-7);
  ints.Push(42);
  EXPECT_EQ(ints.Peek(), 42);
  EXPECT_EQ(ints.Pop(), 42);
  EXPECT_EQ(ints.Pop(), -7);
  EXPECT_EQ(ints.Peek(), 0);
}

TEST_F(GisPasswords, KeysIgnoreCaseAndEmptyValuesAreNotStored) {
  TGIS_PasswordList list;
  list.Add("Roads", "Password", "secret");
  EXPECT_EQ(list.Get("ROADS", "password"), "secret");
  list.Add("roads", "PASSWORD", "");
  EXPECT_EQ(list.Get("Roads", "Password"), "secret");
  EXPECT_EQ(list.Get("Rivers", "Password"), "");

  TGIS_PasswordList other;
  other.Add("roads", "password", "new");
  other.Add("db", "user", "admin");
  list.Merge(&other);
  list.Merge(nullptr);
  EXPECT_EQ(list.Get("roads", "password"), "new");
  EXPECT_EQ(list.Get("DB", "User"), "admin");
  EXPECT_EQ(list.Count(), 2);
  list.Clear();
  EXPECT_EQ(list.Get("db", "user"), "");

  // The process-wide list lives from start-up to shutdown; tests reset it.
  GisLayerPasswords().Add("layer", "key", "v");
  EXPECT_EQ(GisLayerPasswords().Get("LAYER", "KEY"), "v");
  GisKernelResetForTests();
  EXPECT_EQ(GisLayerPasswords().Get("LAYER", "KEY"), "");
}

TEST_F(GisNumbers, ReadWithEitherSeparatorUnderEitherSetting) {
  for (const char separator : {'.', ','}) {
    FormatSettings().DecimalSeparator = separator;
    GisKernelResetForTests(); // the remembered separator follows the settings
    EXPECT_EQ(GisRememberedDecimalSeparator(), separator);
    struct Row {
      const char* text;
      double expected;
    };
    const Row rows[] = {{"1.5", 1.5}, {"1,5", 1.5},   {" 1.5 ", 1.5}, {"1E5", 1e5},
                        {"-2", -2},   {"1e-3", 1e-3}, {"+0,25", 0.25}};
    for (const auto& r : rows)
      EXPECT_EQ(GisStrToFloat(r.text), r.expected) << r.text;
    EXPECT_THROW(GisStrToFloat("abc"), EConvertError);
    EXPECT_THROW(GisStrToFloat("1.5.5"), EConvertError);
    EXPECT_THROW(GisStrToFloat("inf"), EConvertError);
    EXPECT_EQ(FormatSettings().DecimalSeparator, separator); // never written

    struct Out {
      double value;
      const char* text;
    };
    const Out outs[] = {
        {46, "46"},         {14.25, "14.25"},   {8829.155555555555, "8829.15555555556"},
        {0.1, "0.1"},       {0.0001, "0.0001"}, {0.00001, "0.00001"},
        {0.000001, "1E-6"}, {1e15, "1E15"},     {123456789012345, "123456789012345"},
        {-0.5, "-0.5"}};
    for (const auto& o : outs)
      EXPECT_EQ(GisFloatToStr(o.value), o.text) << o.text;
  }
}

TEST_F(GisNumbers, RemembersTheSeparatorThatLastWorked) {
  FormatSettings().DecimalSeparator = '.';
  GisKernelResetForTests();
  GisStrToFloat("1.5");
  EXPECT_EQ(GisRememberedDecimalSeparator(), '.');
  GisStrToFloat("1,5");
  EXPECT_EQ(GisRememberedDecimalSeparator(), ',');
  GisStrToFloat("2,5");
  EXPECT_EQ(GisRememberedDecimalSeparator(), ',');
  GisStrToFloat("7"); // parses with the remembered one: no change
  EXPECT_EQ(GisRememberedDecimalSeparator(), ',');
  GisStrToFloat("3.5");
  EXPECT_EQ(GisRememberedDecimalSeparator(), '.');
  // After two failures the one tried second stays.
  EXPECT_THROW(GisStrToFloat("x"), EConvertError);
  EXPECT_EQ(GisRememberedDecimalSeparator(), ',');

  // A separator other than '.' and ',' is tried first, then '.'.
  FormatSettings().DecimalSeparator = ';';
  GisKernelResetForTests();
  EXPECT_EQ(GisStrToFloat("1;5"), 1.5);
  EXPECT_EQ(GisStrToFloat("1.25"), 1.25);
  EXPECT_EQ(GisRememberedDecimalSeparator(), '.');
}

} // namespace
