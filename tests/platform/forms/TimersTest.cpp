#include <gtest/gtest.h>

#include "platform/forms/Timers.h"
#include "platform/rtl/Strings.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

class Timers : public ::testing::Test {
protected:
  TManualTimerClock clock{1000};
  std::vector<std::string> fired;
  TTimer* make(const std::string& name, UINT interval) {
    auto* t = new TTimer(&owner);
    t->SetName(name);
    t->SetInterval(interval);
    t->SetOnTimer([this, name](TPersistent*) {
      fired.push_back(name + "@" + IntToStr(Int64(GetTickCount64())));
    });
    return t;
  }
  TComponent owner{nullptr};
};

TEST_F(Timers, FireOnTheFakeClockInDueOrder) {
  make("a", 300);
  make("b", 200);
  clock.Advance(650);
  // At 1600 both are due: the one scheduled earlier (a, at 1300) goes first.
  EXPECT_EQ(fired, (std::vector<std::string>{"b@1200", "a@1300", "b@1400", "a@1600", "b@1600"}));
  EXPECT_EQ(GetTickCount(), 1650u);
}

TEST_F(Timers, RunOnlyWithIntervalEnabledAndHandler) {
  TTimer* t = make("t", 100);
  EXPECT_TRUE(t->Running());
  t->SetEnabled(false);
  EXPECT_FALSE(t->Running());
  clock.Advance(500);
  EXPECT_TRUE(fired.empty());
  t->SetEnabled(true);
  t->SetInterval(0);
  EXPECT_FALSE(t->Running());
  t->SetInterval(100);
  t->SetOnTimer(nullptr);
  EXPECT_FALSE(t->Running());
  clock.Advance(500);
  EXPECT_TRUE(fired.empty());
  auto* plain = new TTimer(&owner); // defaults: 1000 ms, enabled, no handler
  EXPECT_EQ(plain->Interval(), 1000u);
  EXPECT_TRUE(plain->Enabled());
  EXPECT_FALSE(plain->Running());
}

TEST_F(Timers, ADifferentValueRestartsThePeriodTheSameValueDoesNot) {
  TTimer* t = make("t", 300);
  clock.Advance(200);
  t->SetInterval(300); // same value: the period goes on
  clock.Advance(100);
  EXPECT_EQ(fired, (std::vector<std::string>{"t@1300"}));
  clock.Advance(200); // 1500
  t->SetEnabled(false);
  t->SetInterval(600);
  t->SetEnabled(true); // restarts from now: due at 2100
  clock.Advance(599);
  EXPECT_EQ(fired.size(), 1u);
  clock.Advance(1);
  EXPECT_EQ(fired.back(), "t@2100");
}

TEST_F(Timers, TheTimerTagCanMarkARunningJobAndStopItself) {
  // The deferred-zoom pattern: Tag marks a running job; the handler stops
  // the timer while it works.
  TTimer* t = new TTimer(&owner);
  t->SetInterval(600);
  int runs = 0;
  t->SetOnTimer([&](TPersistent*) {
    if (t->Tag() == 1) return;
    t->SetTag(1);
    t->SetEnabled(false);
    ++runs;
    t->SetTag(0);
  });
  clock.Advance(5000);
  EXPECT_EQ(runs, 1);
}

TEST_F(Timers, SleepMovesTheClockAndDueTimersFireWhenMessagesAreProcessed) {
  make("t", 100);
  Sleep(250); // nothing fires while sleeping
  EXPECT_TRUE(fired.empty());
  EXPECT_EQ(GetTickCount(), 1250u);
  Application()->ProcessMessages(); // catches up and moves 10 ms on
  // Missed periods are not replayed: one tick, late, as a queued timer
  // message would be.
  EXPECT_EQ(fired, (std::vector<std::string>{"t@1250"}));
  EXPECT_EQ(GetTickCount(), 1260u);
}

TEST_F(Timers, AFreedTimerStopsAndWindowTimersTargetTheirWindow) {
  TTimer* t = make("t", 100);
  delete t;
  clock.Advance(1000);
  EXPECT_TRUE(fired.empty());
  std::vector<std::uintptr_t> ids;
  HWND w = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == WM_TIMER) ids.push_back(TWMTimer{m}.TimerID());
  });
  SetTimer(w, 7, 50);
  SetTimer(w, 9, 120);
  clock.Advance(130);
  EXPECT_EQ(ids, (std::vector<std::uintptr_t>{7, 7, 9}));
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));
  DeallocateHWnd(w);
  clock.Advance(500); // the dead window's timer is dropped
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_EQ(SetTimer(w, 1, 10), 0u);
}

} // namespace
