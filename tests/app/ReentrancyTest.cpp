// Events that arrive inside the program's nested loops, driven from the tool
// window: the page rebuild's wait, a message box held open, the viewer's
// deferred zoom and its context menu. Loads are withheld and released on the
// manual clock, so every case runs the same way each time.
#include "app/MapPage.h"
#include "controls/ImagePicker.h"
#include "controls/OwMenus.h"
#include "controls/OwTrackBar.h"
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Messages.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"
#include "tests/app/ProgramWindows.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace apptest;

/// Runs `action` once, `ms` of clock from now, from whichever loop is
/// turning then.
class TLater {
public:
  TLater(unsigned ms, std::function<void()> action) {
    timer_.SetEnabled(false);
    timer_.SetInterval(ms);
    timer_.SetOnTimer([this, action](TPersistent*) {
      timer_.SetEnabled(false);
      action();
    });
    timer_.SetEnabled(true);
  }

private:
  TTimer timer_{nullptr};
};

struct ReentrancyTest : ProgramWindows {
  TMapCapture& Capture() { return map->Capture(); }
  bool TimerOn() { return Capture().googleTimer().Enabled(); }

  /// The clock times of the next `n` ticks, from now.
  std::vector<UInt64> NextTicks(int n) {
    std::vector<UInt64> times;
    const UInt64 t0 = clock.Now();
    int count = Capture().CaptureCount();
    for (int i = 0; i < 500 && int(times.size()) < n; ++i) {
      clock.Advance(10);
      if (Capture().CaptureCount() != count) {
        count = Capture().CaptureCount();
        times.push_back(clock.Now() - t0);
      }
    }
    return times;
  }
  void Drag(int fromX, int toX, int y) {
    TestInput::MouseDown(map->gis, TMouseButton::mbLeft, fromX, y);
    TestInput::MouseMove(map->gis, toX, y, TShiftState{TShiftStateItem::ssLeft});
    TestInput::MouseUp(map->gis, TMouseButton::mbLeft, toX, y);
  }
};

TEST_F(ReentrancyTest, APickDuringTheWaitRebuildsOnceMoreAfterIt) {
  StartBoth();
  CaptureThreeTimes();
  web->withhold = true;
  const std::size_t navigations = web->navigations.size();
  const int emptied = map->Cltstanje->EmptiedCount();
  std::size_t navigationsInside = 0;
  // "VE Normal" picked while the page for "Yahoo Satelite" loads.
  TLater second(100, [&] {
    UserPicks(3);
    navigationsInside = web->navigations.size();
  });
  TLater load(200, [&] {
    web->withhold = false;
    web->Complete();
  });
  UserPicks(7);
  EXPECT_EQ(navigationsInside, navigations + 1); // no rebuild inside the wait
  ASSERT_EQ(web->navigations.size(), navigations + 2);
  EXPECT_EQ(map->Cltstanje->EmptiedCount(), emptied + 1); // one rebuild, two pages
  EXPECT_EQ(Capture().MapSource, "ve");
  EXPECT_EQ(tool->mapPick->ItemIndex(), 3) << "the picker shows the source of the page";
  const std::string page = sktest::TTempDir::Read(dir / "mapg.htm");
  EXPECT_NE(page.find("ve.type=VEMapStyle.Road;"), std::string::npos);
  EXPECT_EQ(page.find("yahoo.type="), std::string::npos);
  EXPECT_TRUE(TimerOn());
}

TEST_F(ReentrancyTest, ClosingDuringTheWaitEndsItAndTheLoop) {
  StartBoth();
  CaptureThreeTimes();
  tool->Show();
  Application()->SetMainForm(tool.get());
  Application()->ClearTerminatedForTests();
  web->withhold = true; // the page never loads
  TLater closing(100, [&] { tool->Close(); });
  const UInt64 start = clock.Now();
  UInt64 end = 0;
  QTimer::singleShot(0, [&] {
    UserPicks(3);
    end = clock.Now();
  });
  Application()->Run();
  const bool terminated = Application()->Terminated();
  Application()->SetMainForm(nullptr);
  Application()->ClearTerminatedForTests();
  EXPECT_TRUE(terminated);
  ASSERT_GT(end, 0u);
  EXPECT_LT(end - start, 1000u);
  EXPECT_FALSE(TimerOn());
  const int count = Capture().CaptureCount();
  clock.Advance(2000);
  EXPECT_EQ(Capture().CaptureCount(), count);
  EXPECT_NE(sktest::TTempDir::Read(dir / "skorvaplinth.ini").find("[TFSkorvaplinth]"),
            std::string::npos);
}

TEST_F(ReentrancyTest, ARebuildEndingWithTheButtonDownTicksOnlyAfterTheRelease) {
  StartBoth();
  CaptureThreeTimes();
  web->withhold = true;
  TLater press(100, [&] { TestInput::MouseDown(map->gis, TMouseButton::mbLeft, 398, 306); });
  TLater load(200, [&] {
    web->withhold = false;
    web->Complete();
  });
  UserPicks(3);
  EXPECT_FALSE(TimerOn());
  const int count = Capture().CaptureCount();
  clock.Advance(2000);
  EXPECT_EQ(Capture().CaptureCount(), count);
  TestInput::MouseUp(map->gis, TMouseButton::mbLeft, 398, 306);
  EXPECT_TRUE(TimerOn());
}

TEST_F(ReentrancyTest, ADragReleasedDuringTheWaitIsSentOnceTheNewPageHasLoaded) {
  StartBoth();
  CaptureThreeTimes();
  web->withhold = true;
  web->scripts.clear();
  std::size_t scriptsInside = 99;
  bool timerInside = true;
  TLater drag(100, [&] {
    Drag(398, 298, 306);
    scriptsInside = web->scripts.size();
    timerInside = TimerOn();
  });
  TLater load(300, [&] {
    web->withhold = false;
    web->Complete();
  });
  UserPicks(3);
  EXPECT_EQ(scriptsInside, 0u);
  EXPECT_FALSE(timerInside);
  ASSERT_EQ(web->scripts.size(), 1u);
  EXPECT_EQ(web->scripts[0], PositionScript(Capture().MapLat, Capture().MapLon, 6, "ve"));
  EXPECT_GT(double(Capture().MapLon), 14.0); // the view moved east
  // Then the ticks: 100 ms after the position, then 200, 250 ms apart.
  EXPECT_EQ(NextTicks(3), (std::vector<UInt64>{100, 300, 550}));
  // The world file describes the centre the page was sent.
  const TGlobalPixel corner =
      CaptureTopLeft(6, Capture().MapLat, Capture().MapLon, Capture().CaptureWidth,
                     Capture().CaptureHeight);
  TStringList world;
  world.LoadFromFile(dir / "image1.jgw");
  ASSERT_EQ(world.Count(), 6);
  EXPECT_EQ(world[4], GeneralNumber(corner.X));
  EXPECT_EQ(world[5], GeneralNumber(corner.Y));
  EXPECT_EQ(Capture().SentLon, Capture().MapLon);
}

TEST_F(ReentrancyTest, ABoxHeldOpenDuringAWheelBurstNestsNothing) {
  StartBoth();
  CaptureThreeTimes();
  tool->SpeedButton1->Click(); // a step: the next tick comes 100 ms later
  web->scripts.clear();
  layerThrows = true;
  TBoxRecorder boxes(5000);
  std::string before, during;
  boxes.onFirst = [&] { before = sktest::TTempDir::Read(dir / "image1.bmp"); };
  boxes.afterFirst = [&] { during = sktest::TTempDir::Read(dir / "image1.bmp"); };
  // Two notches toward the user; the viewer zooms 600 ms later, inside the box.
  TestInput::Wheel(map->gis, -120, 398, 306);
  TestInput::Wheel(map->gis, -120, 398, 306);
  for (int i = 0; i < 100 && boxes.texts.empty(); ++i)
    clock.Advance(10);
  ASSERT_FALSE(boxes.texts.empty());
  EXPECT_EQ(boxes.texts[0], "File can't be open\rbad picture");
  EXPECT_EQ(boxes.deepest, 1);      // no tick nested in the box's tick
  EXPECT_EQ(during, before);        // and none rewrote the capture meanwhile
  ASSERT_EQ(web->scripts.size(), 1u); // the burst: one zoom step, one script
  EXPECT_EQ(web->scripts[0], PositionScript(Capture().MapLat, Capture().MapLon, 7, "yahoo"));
  EXPECT_EQ(tool->Egzoom->Position(), 7); // the bar followed without a click of its own
  // The ticks go on, and each one reports again, one box at a time.
  clock.Advance(1000);
  EXPECT_GE(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.deepest, 1);
  EXPECT_EQ(web->scripts.size(), 1u);
}

TEST_F(ReentrancyTest, AMissingTemplateInAResizeTickShowsOneBox) {
  StartBoth();
  CaptureThreeTimes();
  std::remove((dir / "mapgd.htm").c_str());
  TBoxRecorder boxes(5000);
  map->gis->SetBounds(0, 0, 700, 500);
  clock.Advance(2000);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Script ne obstaja: mapgd.htm!");
  EXPECT_EQ(boxes.deepest, 1);
  EXPECT_FALSE(TimerOn());
}

TEST_F(ReentrancyTest, ARightClickLeavesTheTicksRunningAfterItsMenu) {
  StartBoth();
  CaptureThreeTimes();
  TPopupMenu* shown = nullptr;
  SetMenuAnswerer([&](TPopupMenu* menu, TPoint) {
    shown = menu;
    return nullptr; // Escape
  });
  TestInput::MouseDown(map->gis, TMouseButton::mbRight, 398, 306);
  EXPECT_FALSE(TimerOn());
  TestInput::MouseUp(map->gis, TMouseButton::mbRight, 398, 306);
  SetMenuAnswerer(nullptr);
  EXPECT_EQ(shown, static_cast<TPopupMenu*>(map->p));
  EXPECT_TRUE(TimerOn());
  const int count = Capture().CaptureCount();
  clock.Advance(2000);
  EXPECT_GT(Capture().CaptureCount(), count);
}

} // namespace
