#include "platform/rtl/Ticks.h"
#include "platform/rtl/Runtime.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

TEST(Ticks, InjectedClockAndWrappingDifferences) {
  {
    TManualClock clock(0xFFFFFF00ull);
    const Cardinal start = GetTickCount();
    EXPECT_EQ(start, 0xFFFFFF00u);
    Sleep(500);
    EXPECT_EQ(clock.Now(), 0xFFFFFF00ull + 500);
    const Cardinal now = GetTickCount();
    EXPECT_LT(now, start) << "the 32-bit value wrapped";
    EXPECT_EQ(static_cast<Cardinal>(now - start), 500u);
    EXPECT_EQ(timeGetTime(), now);
    EXPECT_EQ(GetTickCount64(), 0x1000000F4ull);
  }
  // The real clock is back and moves forward.
  const UInt64 a = GetTickCount64();
  Sleep(2);
  EXPECT_GE(GetTickCount64(), a + 1);
}

TEST(Ticks, SleepZeroAndHooks) {
  std::vector<Cardinal> slept;
  SetSleepForTests([&](Cardinal ms) { slept.push_back(ms); });
  Sleep(0);
  Sleep(250);
  EXPECT_EQ(slept, (std::vector<Cardinal>{0, 250}));
  rtl_reset_for_tests();
  Sleep(0); // the real sleep yields
  EXPECT_EQ(slept.size(), 2u);
}

TEST(Random, SeededSequencesRepeatAndStayInRange) {
  SetRandSeed(1234);
  std::vector<Integer> first;
  for (int i = 0; i < 50; ++i)
    first.push_back(Random(10));
  SetRandSeed(1234);
  std::vector<Integer> second;
  for (int i = 0; i < 50; ++i)
    second.push_back(Random(10));
  EXPECT_EQ(first, second);
  EXPECT_EQ(RandSeed(), 1234u);
  std::set<Integer> seen(first.begin(), first.end());
  EXPECT_GE(seen.size(), 8u) << "fifty draws cover most of 0..9";
  for (const Integer v : first) {
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 10);
  }
  for (int i = 0; i < 200; ++i) {
    const double d = Random();
    EXPECT_GE(d, 0.0);
    EXPECT_LT(d, 1.0);
    const Integer r = RandomRange(5, -3);
    EXPECT_GE(r, -3);
    EXPECT_LE(r, 5);
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-4), 0);
  // A private generator does not disturb the global sequence.
  SetRandSeed(99);
  const Integer expected = [] {
    TRandomGenerator copy(99);
    return copy.Next(1000);
  }();
  TRandomGenerator other(5);
  other.Next(1000);
  EXPECT_EQ(Random(1000), expected);
  rtl_reset_for_tests();
  EXPECT_EQ(RandSeed(), 0u);
}
