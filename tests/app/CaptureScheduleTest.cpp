// The capture timer's intervals and when it may run.
#include "app/CaptureSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CaptureSchedule, IntervalsGrowBy50AfterAPositionStep) {
  TCaptureSchedule s;
  EXPECT_EQ(s.Interval(), 300u);
  ASSERT_TRUE(s.BeginRebuild());
  s.EndRebuild();
  EXPECT_EQ(s.Interval(), 300u); // the rebuild leaves the interval alone
  s.RestartAfterPosition();
  std::vector<Cardinal> intervals{s.Interval()};
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(s.BeginTick());
    s.CountCapture();
    s.EndTick();
    intervals.push_back(s.Interval());
  }
  EXPECT_EQ(intervals[0], 100u);
  EXPECT_EQ(intervals[1], 200u);
  EXPECT_EQ(intervals[2], 250u);
  EXPECT_EQ(intervals[3], 300u);
  EXPECT_EQ(intervals[20], 1150u);
}

TEST(CaptureSchedule, TheTimerRunsOnlyWhenNothingIsInProgress) {
  TCaptureSchedule s;
  EXPECT_FALSE(s.TimerMayRun()); // nothing captured before the first rebuild
  ASSERT_TRUE(s.BeginRebuild());
  EXPECT_FALSE(s.BeginRebuild()); // a rebuild inside the rebuild's wait
  EXPECT_FALSE(s.BeginTick());    // a tick inside the rebuild's wait
  s.BeginDrag();
  s.EndRebuild();
  EXPECT_FALSE(s.TimerMayRun()); // the rebuild ended mid-drag
  s.EndDrag();
  EXPECT_TRUE(s.TimerMayRun()); // the drag ended last

  ASSERT_TRUE(s.BeginTick());
  s.CountCapture();
  EXPECT_FALSE(s.BeginTick()); // a tick inside a tick's message box
  EXPECT_FALSE(s.TimerMayRun());
  s.BeginDrag();
  s.EndDrag(); // a release inside the tick
  EXPECT_FALSE(s.TimerMayRun());
  s.EndTick();
  EXPECT_TRUE(s.TimerMayRun());
  EXPECT_EQ(s.CaptureCount(), 1); // the refused tick was not counted

  s.Terminate();
  EXPECT_FALSE(s.TimerMayRun());
}

TEST(CaptureSchedule, ARebuildMayStartInsideATick) {
  TCaptureSchedule s;
  ASSERT_TRUE(s.BeginRebuild());
  s.EndRebuild();
  s.RestartAfterPosition();
  ASSERT_TRUE(s.BeginTick());
  s.CountCapture();
  s.EndTick();
  ASSERT_TRUE(s.BeginTick());
  ASSERT_TRUE(s.BeginRebuild()); // the resize rule rebuilds from a tick
  s.EndRebuild();
  EXPECT_FALSE(s.TimerMayRun());
  s.EndTick();
  EXPECT_TRUE(s.TimerMayRun());
  // A tick that rebuilds instead of capturing is not counted: the interval
  // stays where the last capture left it.
  EXPECT_EQ(s.CaptureCount(), 2);
  EXPECT_EQ(s.Interval(), 200u);
}

} // namespace
