#include "platform/rtl/Numerics.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <vector>

TEST(Numerics, RoundHalvesToEvenTruncTowardZero) {
  struct Row {
    Extended value;
    Int64 round, trunc;
  };
  const std::vector<Row> rows = {
      {2.5L, 2, 2},
      {-2.5L, -2, -2},
      {3.5L, 4, 3},
      {49.5L, 50, 49},
      {229.5L, 230, 229},
      {0.5L, 0, 0},
      {-0.5L, 0, 0},
      {1.5L, 2, 1},
      {2.4999L, 2, 2},
      {2.5001L, 3, 2},
      {-2.7L, -3, -2},
      {0.0L, 0, 0},
      {1e18L, 1000000000000000000LL, 1000000000000000000LL},
      {-9223372036854775808.0L, std::numeric_limits<Int64>::min(),
       std::numeric_limits<Int64>::min()},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Round(row.value), row.round) << static_cast<double>(row.value);
    EXPECT_EQ(checkedRound(row.value), row.round) << static_cast<double>(row.value);
    EXPECT_EQ(Trunc(row.value), row.trunc) << static_cast<double>(row.value);
    EXPECT_EQ(checkedTrunc(row.value), row.trunc);
  }
  EXPECT_EQ(Int(-2.75L), -2.0L);
  EXPECT_EQ(Frac(-2.75L), -0.75L);
  EXPECT_EQ(Frac(2.75L), 0.75L);
}

TEST(Numerics, RoundIgnoresAChangedRoundingMode) {
  const int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(3.5L), 4);
  EXPECT_EQ(Round(2.2L), 2);
  EXPECT_EQ(Round(-2.7L), -3);
  EXPECT_EQ(std::fegetround(), FE_UPWARD) << "the mode is left alone";
  std::fesetround(saved);
}

TEST(Numerics, CheckedHelpersRaiseWhereThePlatformTrapped) {
  const std::vector<Extended> bad = {std::numeric_limits<Extended>::quiet_NaN(),
                                     std::numeric_limits<Extended>::infinity(),
                                     -std::numeric_limits<Extended>::infinity(),
                                     1e19L,
                                     -1e19L,
                                     9223372036854775808.0L};
  for (const Extended v : bad) {
    EXPECT_THROW(checkedRound(v), EInvalidOp) << static_cast<double>(v);
    EXPECT_THROW(checkedTrunc(v), EInvalidOp) << static_cast<double>(v);
  }
  // The unchecked forms never invoke undefined behaviour: they saturate.
  EXPECT_EQ(Round(std::numeric_limits<Extended>::quiet_NaN()), 0);
  EXPECT_EQ(Round(1e30L), std::numeric_limits<Int64>::max());
  EXPECT_EQ(Trunc(-1e30L), std::numeric_limits<Int64>::min());

  EXPECT_EQ(idiv(7, 2), 3);
  EXPECT_EQ(idiv(-7, 2), -3);
  EXPECT_EQ(imod(-7, 2), -1);
  EXPECT_EQ(imod(7, -2), 1);
  EXPECT_EQ(imod(std::numeric_limits<Int64>::min(), -1), 0);
  EXPECT_THROW(idiv(1, 0), EDivByZero);
  EXPECT_THROW(imod(1, 0), EDivByZero);
  EXPECT_THROW(idiv(std::numeric_limits<Int64>::min(), -1), EIntOverflow);

  EXPECT_EQ(checkedDivide(1, 4), 0.25L);
  EXPECT_THROW(checkedDivide(1, 0), EZeroDivide);
  EXPECT_THROW(checkedDivide(-1, -0.0L), EZeroDivide);
  EXPECT_THROW(checkedDivide(0, 0), EInvalidOp);
  EXPECT_THROW(checkedDivide(std::numeric_limits<Extended>::quiet_NaN(), 1), EInvalidOp);
  // Exact powers of ten give exact logarithms on every processor.
  for (int k = -22; k <= 22; ++k) {
    Extended power = 1;
    for (int i = 0; i < (k < 0 ? -k : k); ++i) power *= 10;
    const double asDouble = k < 0 ? 1.0 / static_cast<double>(power) : static_cast<double>(power);
    EXPECT_EQ(checkedLog10(asDouble), static_cast<Extended>(k)) << "10^" << k;
    if (k < 0) { EXPECT_EQ(checkedLog10(1.0L / power), static_cast<Extended>(k)) << "10^" << k; }
  }
  EXPECT_NEAR(static_cast<double>(checkedLog10(2)), 0.30102999566398120, 1e-15);
  EXPECT_EQ(checkedLn(1), 0.0L);
  EXPECT_THROW(checkedLog10(0), EZeroDivide);
  EXPECT_THROW(checkedLog10(-1), EInvalidOp);
  EXPECT_THROW(checkedLn(std::numeric_limits<Extended>::quiet_NaN()), EInvalidOp);
}

TEST(Numerics, MulDivRoundsHalvesAwayFromZero) {
  struct Row {
    Integer a, b, c, expected;
  };
  const Integer max = std::numeric_limits<Integer>::max();
  const Integer min = std::numeric_limits<Integer>::min();
  const std::vector<Row> rows = {
      {8, 20, 64, 3},       {-5, 1, 2, -3},   {5, 1, 2, 3},
      {-5, -1, 2, 3},       {5, 1, -2, -3},   {7, 1, 2, 4},
      {3, 1, 2, 2},         {1, 1, 3, 0},     {2, 1, 3, 1},
      {-2, 1, 3, -1},       {0, 5, 7, 0},     {12, -96, 72, -16},
      {max, max, max, max}, {min, 1, 1, min}, {100000, 100000, 100000, 100000},
      {1, 1, 0, -1},        {max, 2, 1, -1},  {min, -1, 1, -1},
      {min, 1, -1, -1},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MulDiv(row.a, row.b, row.c), row.expected) << row.a << "*" << row.b << "/" << row.c;
}

TEST(Numerics, ControlWordIsANoOp) {
  const Word before = Get8087CW();
  Set8087CW(0x0000); // would unmask everything on the specified platform
  EXPECT_EQ(Get8087CW(), before);
  volatile double zero = 0.0;
  EXPECT_TRUE(std::isinf(1.0 / zero)); // no trap
}
