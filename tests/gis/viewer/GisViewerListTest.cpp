// The viewer's layer list, Close, Locate, repaint batching, busy and hourglass.
#include <gtest/gtest.h>

#include <functional>

#include "gis/core/GisDefsPasswords.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Ticks.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

class ViewerList : public ::testing::Test {
protected:
  TViewerForm f{200, 100};
  TGIS_ViewerWnd& v = *f.viewer;
};

TEST_F(ViewerList, LayersWithoutNamesAreNamedUniquelyFromTheirFiles) {
  const char* paths[] = {"/no/such/a.shp", "C:\\maps\\a.shp", "a"};
  for (const char* path : paths) {
    auto* layer = new TTestLayer();
    layer->SetPath(path);
    v.Add(layer);
  }
  ASSERT_EQ(v.Items(), 3);
  EXPECT_EQ(v.Item(0)->Name(), "a");
  EXPECT_EQ(v.Item(1)->Name(), "a [1]");
  EXPECT_EQ(v.Item(2)->Name(), "a [2]");
  EXPECT_EQ(v.Item(2)->Caption(), "a [2]");
  EXPECT_EQ(v.Get("A [1]"), v.Item(1));
  EXPECT_EQ(v.Get("b"), nullptr);
  EXPECT_EQ(v.Item(0)->Viewer(), &v);
}

TEST_F(ViewerList, AFailedAddLeavesTheLayerWithTheCallerAndWithoutViewer) {
  int added = 0;
  v.OnLayerAdd = [&](TPersistent*, TGIS_LayerAbstract*) { ++added; };
  f.AddLayer("roads", {0, 0, 10, 10}, clRed);

  auto duplicate = std::make_unique<TTestLayer>("ROADS");
  EXPECT_THROW(v.Add(duplicate.get()), EGIS_Exception);
  EXPECT_EQ(duplicate->Viewer(), nullptr);
  EXPECT_TRUE(duplicate->Opened()); // opened and named before the check
  EXPECT_EQ(added, 2);              // the event comes before the check

  auto failing = std::make_unique<TTestLayer>("rivers");
  failing->ThrowOnOpen = true;
  EXPECT_THROW(v.Add(failing.get()), EGIS_Exception);
  EXPECT_EQ(failing->Viewer(), nullptr);
  EXPECT_EQ(v.Items(), 1);

  // The viewer goes first; freeing the layers afterwards touches nothing of it.
  delete f.form;
  f.form = nullptr;
  duplicate.reset();
  failing.reset();
}

TEST_F(ViewerList, FreeingALayerTakesItOffTheList) {
  auto* a = f.AddLayer("a", {0, 0, 10, 10}, clRed);
  f.AddLayer("b", {0, 0, 10, 10}, clRed);
  delete a;
  ASSERT_EQ(v.Items(), 1);
  EXPECT_EQ(v.Item(0)->Name(), "b");
}

TEST_F(ViewerList, CloseFreesLayersFromTheTopAndResetsTheZoom) {
  std::vector<std::string> log;
  for (const char* name : {"bottom", "middle", "top"})
    f.AddLayer(name, {0, 0, 10, 10}, clRed)->Log = &log;
  v.OnLayerDelete = [&](TPersistent*, TGIS_LayerAbstract* l) {
    log.push_back("delete " + l->Name());
  };
  GisLayerPasswords().Add("layer", "key", "secret");
  v.SetZoom(3);
  log.clear();
  v.Close();
  EXPECT_EQ(log, (std::vector<std::string>{"delete top", "free top", "delete middle", "free middle",
                                           "delete bottom", "free bottom"}));
  EXPECT_EQ(v.Items(), 0);
  EXPECT_EQ(v.Zoom(), 1.0031415926535898);
  EXPECT_EQ(GisLayerPasswords().Count(), 0);
  EXPECT_EQ(v.Editor()->EndEditCalls(), 1);
}

TEST_F(ViewerList, LockCollectsInvalidationsIntoOneRepaintAtTheOutermostUnlock) {
  f.AddLayer("a", {0, 0, 200, 100}, clRed);
  v.SetBigExtentMargin(0);
  v.SetZoom(1); // 1 pixel per unit, the extent fills the window
  f.Pump();
  HWND h = v.Handle();
  TRect box;
  v.Lock();
  v.Lock();
  v.InvalidateExtent({10, 10, 20, 20}, false);
  v.InvalidateExtent({50, 30, 60, 40}, false);
  ValidateRect(h, nullptr);
  v.Unlock();
  EXPECT_FALSE(GetUpdateRect(h, &box, false)); // the inner unlock repaints nothing
  v.Unlock();
  ASSERT_TRUE(GetUpdateRect(h, &box, false));
  // The union (10, 10)-(60, 40) in map units, 2 pixels wider on every side.
  EXPECT_EQ(box, TRect(8, 58, 62, 92));
  v.Unlock();
  EXPECT_EQ(v.LockDepth(), 0);
  EXPECT_FALSE(v.IsLocked());
}

TEST_F(ViewerList, BusyReportsStartStepsAndEndAndRejectsUnbalancedCalls) {
  std::vector<std::tuple<void*, int, int>> seen;
  v.OnBusy = [&](void* sender, int pos, int end, bool& abort) {
    seen.emplace_back(sender, pos, end);
    abort = pos == 5;
  };
  TTestLayer sender;
  v.BusyPrepare(&sender);
  bool abort = false;
  v.BusyShake(&sender, 5, 10, abort);
  EXPECT_TRUE(abort);
  v.BusyRelease(&sender);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_tuple(static_cast<void*>(&sender), 0, 100));
  EXPECT_EQ(seen[1], std::make_tuple(static_cast<void*>(&sender), 5, 10));
  EXPECT_EQ(seen[2], std::make_tuple(static_cast<void*>(static_cast<TGIS_Viewer*>(&v)), -1, -1));
  EXPECT_EQ(v.BusyDepth(), 0);
  EXPECT_EQ(v.HourglassDepth(), 0);

  for (auto call : {std::function<void()>([&] { v.BusyShake(&v, 1, 2, abort); }),
                    std::function<void()>([&] { v.BusyRelease(&v); }),
                    std::function<void()>([&] { v.HourglassRelease(); })}) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(std::string(e.Message()).substr(0, 4), "0006");
    }
  }
}

TEST_F(ViewerList, HourglassShowsAfterHalfASecondAndPollsKeysEverySecond) {
  TManualClock clock(10000);
  std::vector<TCursor> cursors;
  int polls = 0;
  bool esc = false;
  v.ScreenCursorHook = [&](TCursor c) { cursors.push_back(c); };
  v.KeyPoll = [&](HWND top) {
    EXPECT_EQ(top, f.form->Handle());
    ++polls;
    return esc;
  };
  EXPECT_FALSE(v.HourglassPrepare());
  clock.Advance(400);
  EXPECT_FALSE(v.HourglassShake());
  EXPECT_TRUE(cursors.empty());
  clock.Advance(200);
  v.HourglassShake();
  EXPECT_EQ(cursors, std::vector<TCursor>{crHourGlass});
  EXPECT_EQ(polls, 0);
  clock.Advance(500); // 1100 ms since the start
  v.HourglassShake();
  EXPECT_EQ(polls, 1);
  clock.Advance(500);
  v.HourglassShake();
  EXPECT_EQ(polls, 1);
  esc = true;
  clock.Advance(600);
  EXPECT_TRUE(v.HourglassShake());
  EXPECT_EQ(polls, 2);
  // Prepare and Release report the interrupt flag as it stands afterwards.
  EXPECT_TRUE(v.HourglassPrepare());
  EXPECT_TRUE(v.HourglassRelease());
  EXPECT_FALSE(v.HourglassRelease());
  EXPECT_FALSE(v.HourglassShake()); // the interrupt ends with the hourglass
  EXPECT_NE(cursors.back(), crHourGlass);
}

TEST_F(ViewerList, PrintFontsAndEditorWritersCopyIntoTheViewersOwn) {
  TFont font;
  font.SetName("Courier New");
  font.SetSize(23);
  font.SetStyle(TFontStyles{fsItalic});
  struct Property {
    const char* name;
    std::function<void(const TFont*)> write;
    std::function<TFont*()> read;
  };
  const Property properties[] = {
      {"title", [&](const TFont* f) { v.SetPrintTitleFont(f); }, [&] { return v.PrintTitleFont(); }},
      {"subtitle", [&](const TFont* f) { v.SetPrintSubtitleFont(f); },
       [&] { return v.PrintSubtitleFont(); }},
      {"footer", [&](const TFont* f) { v.SetPrintFooterFont(f); },
       [&] { return v.PrintFooterFont(); }}};
  for (const Property& p : properties) {
    SCOPED_TRACE(p.name);
    TFont* own = p.read();
    p.write(&font);
    EXPECT_EQ(p.read(), own) << "never taken over";
    EXPECT_EQ(own->Name(), "Courier New");
    EXPECT_EQ(own->Size(), 23);
    EXPECT_EQ(own->Style(), TFontStyles{fsItalic});
    p.write(nullptr);
    EXPECT_EQ(own->Size(), 23);
  }
  TGIS_Editor* own = v.Editor();
  TGIS_Editor other(&v);
  v.SetEditor(&other);
  v.SetEditor(nullptr);
  EXPECT_EQ(v.Editor(), own);
  EXPECT_EQ(v.Editor()->Viewer(), &v);
}

/// A layer answering Locate with itself at a set distance.
class TLocateLayer : public TTestLayer {
public:
  TLocateLayer(const std::string& name, double distance, bool raise = false)
      : TTestLayer(name), distance_(distance), raise_(raise) {}
  bool CanLocate() const override { return true; }
  TGIS_ShapeAbstract* LocateShape(const TGIS_Point&, double, bool, double& distance) override {
    if (raise_) throw EGIS_Exception("locate failed");
    distance = distance_;
    return reinterpret_cast<TGIS_ShapeAbstract*>(this);
  }

private:
  double distance_;
  bool raise_;
};

TEST_F(ViewerList, LocateTakesTheNearestShapeAndTheUpperLayerOnTies) {
  auto* lower = new TLocateLayer("lower", 2);
  auto* upper = new TLocateLayer("upper", 2);
  auto* broken = new TLocateLayer("broken", 0, true);
  auto* hidden = new TLocateLayer("hidden", 0.5);
  auto* plain = new TTestLayer("plain");
  for (TGIS_LayerAbstract* l :
       std::initializer_list<TGIS_LayerAbstract*>{lower, upper, broken, hidden, plain})
    v.Add(l);
  hidden->SetActive(false);
  auto shapeOf = [](TGIS_LayerAbstract* l) { return reinterpret_cast<TGIS_ShapeAbstract*>(l); };
  EXPECT_EQ(v.Locate({0, 0}, 5, true), shapeOf(upper));
  hidden->SetActive(true);
  EXPECT_EQ(v.Locate({0, 0}, 5, true), shapeOf(hidden));
}

} // namespace
