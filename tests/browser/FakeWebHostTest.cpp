// The stand-in browser for the application's tests behaves like the real one
// where the application relies on it.
#include "tests/browser/FakeWebHost.h"

#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

TEST(FakeWebHost, CompletesAfterItsDelayAndRecordsScripts) {
  TManualTimerClock clock;
  FakeWebHost fake(3, 500);
  int completions = 0;
  fake.OnDownloadComplete = [&] { ++completions; };
  fake.ExecScript("ignored();"); // no document yet
  EXPECT_EQ(fake.Snapshot(), nullptr);
  fake.Navigate("/app/mapg.htm");
  clock.Advance(499);
  EXPECT_EQ(completions, 0);
  EXPECT_FALSE(fake.HasDocument());
  clock.Advance(1);
  EXPECT_EQ(completions, 3);
  EXPECT_TRUE(fake.HasDocument());
  clock.Advance(5000);
  EXPECT_EQ(completions, 3); // once per navigation
  fake.ExecScript("map.setCenter(new OpenLayers.LonLat(14, 46), 6 );");
  EXPECT_EQ(fake.scripts,
            std::vector<std::string>{"map.setCenter(new OpenLayers.LonLat(14, 46), 6 );"});
  EXPECT_EQ(fake.navigations, std::vector<std::string>{"/app/mapg.htm"});

  // The canned snapshot comes as a copy of the host's size.
  EXPECT_EQ(fake.Snapshot(), nullptr);
  fake.cannedSnapshot = std::make_unique<TBitmap>(826, 643, pf24bit);
  fake.SetBounds(0, 0, 826, 643);
  auto shot = fake.Snapshot();
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->Width(), 826);
  EXPECT_EQ(shot->Height(), 643);
  EXPECT_NE(shot.get(), fake.cannedSnapshot.get());
}

TEST(FakeWebHost, WithoutCompletionsNothingEverArrives) {
  TManualTimerClock clock;
  FakeWebHost fake(0, 100);
  int completions = 0;
  fake.OnDownloadComplete = [&] { ++completions; };
  fake.Navigate("/app/mapg.htm");
  clock.Advance(20000);
  EXPECT_EQ(completions, 0);
}
