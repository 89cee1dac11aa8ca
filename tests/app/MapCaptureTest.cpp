// The capture engine on a stand-in browser and the manual clock: the page
// rebuild and its wait, the position step, the ticks and what they publish,
// and the re-entrancy of the rebuild's wait.
#include "app/MapCapture.h"
#include "app/MapPage.h"
#include "app/WebMercator.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/viewer/GisViewerLayer.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "tests/app/CodedPage.h"
#include "tests/browser/FakeWebHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace apptest;

/// The capture layer as the picture layers open it: the picture's size
/// placed by its world file (whose lines 5 and 6 name the top-left pixel's
/// centre).
class TPictureLayer : public TGIS_LayerAbstract {
public:
  TPictureLayer(const std::string& name, const std::string& path) : path_(path) { SetName(name); }
  void Open() override {
    TGIS_LayerAbstract::Open();
    TJPEGImage picture;
    picture.LoadFromFile(path_);
    TStringList world;
    world.LoadFromFile(path_.substr(0, path_.size() - 3) + "jgw");
    const double x = StrToFloat(world[4]), y = StrToFloat(world[5]);
    extent_ = {x - 0.5, y + 0.5 - picture.Height(), x - 0.5 + picture.Width(), y + 0.5};
    projectedExtent_ = extent_;
  }
  bool DrawDefault() override { return true; }
  void DiscardChanges() override {}

private:
  std::string path_;
};

/// The empty layer that widens the full extent.
class TRoomLayer : public TGIS_LayerAbstract {
public:
  bool DrawDefault() override { return true; }
  void DiscardChanges() override {}
};

constexpr const char* kWorldFile = kFreshWorldFile;

struct MapCaptureTest : ::testing::Test {
  sktest::TTempDir dir{"app-capture"};
  std::string appDir = dir.Path() + "/";
  TManualTimerClock clock{1000};
  TForm* form = nullptr;
  TGIS_ViewerWnd* viewer = nullptr;
  FakeWebHost web{3, 50};
  std::vector<std::string> messages;
  std::function<void()> duringWait; // runs inside the rebuild's wait
  bool layerThrows = false;
  bool realPictureLayer = false;       // the program's JPEG layer instead of the stand-in
  bool closing = false;                // the program is closing
  std::function<void()> duringMessage; // runs while a message box is open
  int messageDepth = 0, deepestMessage = 0;
  std::unique_ptr<TMapCapture> capture;

  void SetUp() override {
    GisKernelInit();
    PrepareAppDir(dir);
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 900, 700);
    viewer = new TGIS_ViewerWnd(form);
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, 796, 613);
    viewer->Handle();
    web.SetBounds(0, 0, 826, 643);
    web.cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);

    TCaptureEnvironment env;
    env.AppDir = appDir;
    env.Web = &web;
    env.Viewer = viewer;
    env.ShowMessage = [this](const std::string& text) {
      messages.push_back(text);
      deepestMessage = std::max(deepestMessage, ++messageDepth);
      if (duringMessage) duringMessage();
      --messageDepth;
    };
    env.CreateLayer = [this](const std::string& name, const std::string& path) {
      if (layerThrows) throw Exception("bad picture");
      if (realPictureLayer) {
        auto layer = std::make_unique<TGIS_LayerJPG>();
        layer->SetName(name);
        layer->SetPath(path);
        return std::unique_ptr<TGIS_LayerAbstract>(std::move(layer));
      }
      return std::unique_ptr<TGIS_LayerAbstract>(new TPictureLayer(name, path));
    };
    env.CreateEmptyLayer = [] { return std::unique_ptr<TGIS_LayerAbstract>(new TRoomLayer); };
    env.ProcessMessages = [this] {
      if (duringWait) std::exchange(duringWait, nullptr)();
      Application()->ProcessMessages();
    };
    env.Terminated = [this] { return closing; };
    capture = std::make_unique<TMapCapture>(env);
  }
  void TearDown() override {
    capture.reset();
    delete form;
  }

  std::string Line(const std::string& file, int index) {
    TStringList lines;
    lines.LoadFromFile(appDir + file);
    return index < lines.Count() ? lines[index] : "<none>";
  }
  /// The first rebuild and the start page's position step.
  void Start() {
    capture->BtInicClick();
    capture->RecentrePending = true;
    capture->ApplyPosition();
  }
};

TEST_F(MapCaptureTest, RebuildWritesThePageAndWaitsForItsDownloads) {
  capture->BtInicClick();
  ASSERT_EQ(web.navigations.size(), 1u);
  EXPECT_EQ(web.navigations[0], appDir + "mapg.htm");
  const std::string page = sktest::TTempDir::Read(appDir + "mapg.htm");
  EXPECT_NE(page.find("width: 796px; height: 613px"), std::string::npos);
  EXPECT_NE(page.find("map.setCenter(new OpenLayers.LonLat(14, 46), 6);"), std::string::npos);
  EXPECT_NE(page.find("yahoo.type=YAHOO_MAP_REG;"), std::string::npos);
  EXPECT_EQ(capture->DownloadCount, 3);
  EXPECT_FALSE(capture->BuildingPage);
  EXPECT_EQ(capture->CaptureWidth, 796);
  EXPECT_EQ(capture->CaptureHeight, 613);
  EXPECT_TRUE(capture->googleTimer().Enabled());
  EXPECT_EQ(capture->googleTimer().Interval(), 300u);
  EXPECT_TRUE(web.scripts.empty());

  capture->ApplyPosition(); // nothing pending: nothing sent
  EXPECT_TRUE(web.scripts.empty());
  capture->RecentrePending = true;
  capture->ApplyPosition();
  ASSERT_EQ(web.scripts.size(), 1u);
  EXPECT_EQ(web.scripts[0], "map.setCenter(new OpenLayers.LonLat(14, 46), 6 );");
  EXPECT_EQ(capture->CaptureCount(), 1);
  EXPECT_EQ(capture->googleTimer().Interval(), 100u);
  EXPECT_EQ(capture->SentLat, 46);
  EXPECT_FALSE(capture->RecentrePending);
}

TEST_F(MapCaptureTest, WaitEndsAfter15SecondsWithoutDownloads) {
  FakeWebHost silent{0, 0};
  silent.SetBounds(0, 0, 826, 643);
  TCaptureEnvironment env;
  env.AppDir = appDir;
  env.Web = &silent;
  env.Viewer = viewer;
  env.ProcessMessages = [] { Application()->ProcessMessages(); };
  TMapCapture quiet(env);
  const UInt64 start = clock.Now();
  quiet.BtInicClick();
  EXPECT_GE(clock.Now() - start, 15000u);
  EXPECT_LT(clock.Now() - start, 15100u);
  EXPECT_TRUE(quiet.googleTimer().Enabled());
}

TEST_F(MapCaptureTest, StartPageIsTheRegularYahooMapAtTheBarsZoom) {
  dir.Write("gmaps.htm", "<html></html>");
  capture->MapSource = "ve";
  capture->MapType = "VEMapStyle.Aerial";
  capture->OpenStartPage(9);
  ASSERT_EQ(web.navigations.size(), 2u);
  EXPECT_EQ(web.navigations[0], appDir + "gmaps.htm");
  EXPECT_EQ(web.navigations[1], appDir + "mapg.htm");
  const std::string page = sktest::TTempDir::Read(appDir + "mapg.htm");
  EXPECT_NE(page.find("yahoo.type=YAHOO_MAP_REG;"), std::string::npos);
  ASSERT_EQ(web.scripts.size(), 1u);
  EXPECT_EQ(web.scripts[0], "map.setCenter(new OpenLayers.LonLat(14, 46), 9 );");
  EXPECT_TRUE(capture->googleTimer().Enabled());
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapCaptureTest, MissingStartPageBuildsNothing) {
  capture->OpenStartPage(6);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "SDatoteka ne obstaja: gmaps.htm!");
  EXPECT_TRUE(web.navigations.empty());
  EXPECT_FALSE(std::filesystem::exists(appDir + "mapg.htm"));
  EXPECT_FALSE(capture->googleTimer().Enabled());
  EXPECT_TRUE(capture->BuildingPage);
}

TEST_F(MapCaptureTest, MissingTemplateLeavesCapturingOff) {
  std::filesystem::remove(appDir + "mapgd.htm");
  capture->BtInicClick();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Script ne obstaja: mapgd.htm!");
  EXPECT_TRUE(web.navigations.empty());
  EXPECT_FALSE(capture->googleTimer().Enabled());
}

TEST_F(MapCaptureTest, TicksPublishTheCaptureAndSpaceOut) {
  Start();
  std::vector<UInt64> tickTimes;
  for (int i = 0; i < 4; ++i) {
    const int before = capture->CaptureCount();
    const UInt64 t = clock.Now();
    while (capture->CaptureCount() == before && clock.Now() - t < 5000)
      clock.Advance(10);
    tickTimes.push_back(clock.Now());
  }
  EXPECT_EQ(tickTimes[1] - tickTimes[0], 200u);
  EXPECT_EQ(tickTimes[2] - tickTimes[1], 250u);
  EXPECT_EQ(tickTimes[3] - tickTimes[2], 300u);

  EXPECT_EQ(Line("image1.jgw", 4), "8431.15555555556");
  EXPECT_EQ(Line("image1.jgw", 5), "5522.30094339771");
  EXPECT_EQ(std::filesystem::file_size(appDir + "image1.bmp"), 1463898u);
  ASSERT_EQ(viewer->Items(), 2);
  TGIS_LayerAbstract* picture = viewer->Get("image1.jpg");
  TGIS_LayerAbstract* room = viewer->Get("Ext");
  ASSERT_NE(picture, nullptr);
  ASSERT_NE(room, nullptr);
  const TGIS_Extent e = picture->Extent();
  const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
  EXPECT_DOUBLE_EQ(room->Extent().XMin, e.XMin - w);
  EXPECT_DOUBLE_EQ(room->Extent().XMax, e.XMax + 2 * w);
  EXPECT_DOUBLE_EQ(room->Extent().YMin, e.YMin - h);
  EXPECT_DOUBLE_EQ(room->Extent().YMax, e.YMax + 2 * h);
  EXPECT_NEAR(viewer->Zoom(), 1.0, 1e-9);

  // The read-outs (one capture behind) name the view's corners and centre.
  EXPECT_NEAR(static_cast<double>(capture->Readouts.TopLeft.X), 8430.655555555555, 1e-6);
  EXPECT_NEAR(static_cast<double>(capture->Readouts.TopLeft.Y), 5521.80094339771, 1e-6);
  EXPECT_NEAR(static_cast<double>(capture->Readouts.BottomRight.X), 9226.655555555555, 1e-6);
  EXPECT_EQ(capture->Readouts.Width, 796);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapCaptureTest, TheJpegLayerPlacesTheCaptureOnItsWorldFile) {
  realPictureLayer = true;
  Start();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  ASSERT_EQ(capture->CaptureCount(), 3);
  TGIS_LayerAbstract* picture = viewer->Get("image1.jpg");
  ASSERT_NE(picture, nullptr);
  const TGlobalPixel topLeft = CaptureTopLeft(6, 46, 14, 796, 613);
  EXPECT_NEAR(picture->Extent().XMin, static_cast<double>(topLeft.X) - 0.5, 1e-6);
  EXPECT_NEAR(picture->Extent().YMax, static_cast<double>(topLeft.Y) + 0.5, 1e-6);
  EXPECT_NEAR(picture->Extent().XMax - picture->Extent().XMin, 796, 1e-6);
  EXPECT_NEAR(picture->Extent().YMax - picture->Extent().YMin, 613, 1e-6);
  EXPECT_NEAR(viewer->Zoom(), 1.0, 1e-9);
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapCaptureTest, TicksWithoutASnapshotGoOnAndKeepTheOldFiles) {
  Start();
  web.cannedSnapshot.reset();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  EXPECT_EQ(capture->CaptureCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(appDir + "image1.bmp"));
  EXPECT_TRUE(capture->googleTimer().Enabled());
  EXPECT_EQ(capture->googleTimer().Interval(), 250u);

  // A viewer of no size captures nothing either.
  web.cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);
  capture->CaptureWidth = 0;
  for (int i = 0; i < 100 && capture->CaptureCount() < 4; ++i)
    clock.Advance(10);
  EXPECT_EQ(capture->CaptureCount(), 4);
  EXPECT_FALSE(std::filesystem::exists(appDir + "image1.bmp"));
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapCaptureTest, LatitudeNinetyIsKeptOnTheFrame) {
  Start();
  capture->MapLat = 90;
  capture->RecentrePending = true;
  capture->ApplyPosition();
  // The page goes to the frame's top edge, and the world file says so.
  EXPECT_EQ(capture->MapLat, kFrameLatitude);
  for (int i = 0; i < 100 && capture->CaptureCount() < 2; ++i)
    clock.Advance(10);
  EXPECT_EQ(Line("image1.jgw", 4), "8431.15555555556");
  EXPECT_EQ(Line("image1.jgw", 5), GeneralNumber(LatLonToPixel(6, kFrameLatitude, 14).Y - 306.5L));
  EXPECT_TRUE(messages.empty());
  capture->MapLat = 46;
  capture->RecentrePending = true;
  capture->ApplyPosition();
  for (int i = 0; i < 100 && capture->CaptureCount() < 2; ++i)
    clock.Advance(10);
  EXPECT_EQ(Line("image1.jgw", 4), "8431.15555555556");
}

TEST_F(MapCaptureTest, AMissingOrShortWorldFileKeepsTheShownCaptureSilently) {
  Start();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  TGIS_LayerAbstract* shown = viewer->Get("image1.jpg");
  ASSERT_NE(shown, nullptr);
  for (const char* world : {"", "1\r\n0\r\n0\r\n-1\r\n0\r\n"}) {
    if (*world == 0)
      std::filesystem::remove(appDir + "image1.jgw");
    else
      dir.Write("image1.jgw", world);
    std::filesystem::remove(appDir + "image1.bmp");
    std::filesystem::remove(appDir + "image1.jpg");
    const int count = capture->CaptureCount();
    for (int i = 0; i < 100 && capture->CaptureCount() < count + 2; ++i)
      clock.Advance(10);
    EXPECT_EQ(capture->CaptureCount(), count + 2) << world;
    // The pictures are written again; the viewer keeps the capture it showed.
    EXPECT_EQ(std::filesystem::file_size(appDir + "image1.bmp"), 1463898u) << world;
    EXPECT_TRUE(std::filesystem::exists(appDir + "image1.jpg")) << world;
    EXPECT_EQ(viewer->Get("image1.jpg"), shown) << world;
    EXPECT_EQ(*world == 0, !std::filesystem::exists(appDir + "image1.jgw")) << world;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(MapCaptureTest, ALayerThatCannotOpenIsReportedOnEveryTick) {
  Start();
  layerThrows = true;
  // The box's own message loop runs for 5 s: the timers due meanwhile start
  // no tick inside the tick that shows it, and the capture is left alone.
  TBitmap* held = nullptr;
  duringMessage = [&] {
    held = capture->CaptureBitmap();
    clock.Advance(5000);
    EXPECT_EQ(capture->CaptureBitmap(), held);
  };
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "File can't be open\rbad picture");
  EXPECT_EQ(deepestMessage, 1);
  EXPECT_EQ(viewer->Get("image1.jpg"), nullptr);
}

TEST_F(MapCaptureTest, ClosingEndsTheWaitAndStartsNoTimer) {
  FakeWebHost silent{0, 0};
  silent.SetBounds(0, 0, 826, 643);
  TCaptureEnvironment env;
  env.AppDir = appDir;
  env.Web = &silent;
  env.Viewer = viewer;
  int turns = 0;
  env.ProcessMessages = [&] {
    if (++turns == 3) closing = true;
    Application()->ProcessMessages();
  };
  env.Terminated = [this] { return closing; };
  TMapCapture quiet(env);
  const UInt64 start = clock.Now();
  quiet.BtInicClick();
  EXPECT_LT(clock.Now() - start, 1000u);
  EXPECT_FALSE(quiet.googleTimer().Enabled());
  clock.Advance(2000);
  EXPECT_EQ(quiet.CaptureCount(), 0);
}

TEST_F(MapCaptureTest, PositionAskedForDuringTheWaitIsSentAfterIt) {
  capture->BtInicClick();
  capture->RecentrePending = true;
  capture->ApplyPosition();
  web.scripts.clear();
  // A drag released while the page loads.
  duringWait = [this] {
    capture->MapLat = 45;
    capture->RecentrePending = true;
    capture->ApplyPosition();
    EXPECT_TRUE(web.scripts.empty());
    EXPECT_FALSE(capture->googleTimer().Enabled());
  };
  capture->BtInicClick();
  ASSERT_EQ(web.scripts.size(), 1u);
  EXPECT_EQ(web.scripts[0], "map.setCenter(new OpenLayers.LonLat(14, 45), 6 );");
  EXPECT_EQ(capture->SentLat, 45);
}

TEST_F(MapCaptureTest, ARebuildAskedForDuringTheWaitFollowsIt) {
  capture->BtInicClick();
  web.navigations.clear();
  duringWait = [this] {
    capture->MapSource = "ve";
    capture->MapType = "VEMapStyle.Road";
    capture->BtInicClick(); // a source change while the page loads
    EXPECT_EQ(web.navigations.size(), 1u);
  };
  capture->BtInicClick();
  EXPECT_EQ(web.navigations.size(), 2u);
  EXPECT_NE(sktest::TTempDir::Read(appDir + "mapg.htm").find("ve.type=VEMapStyle.Road;"),
            std::string::npos);
  EXPECT_TRUE(capture->googleTimer().Enabled());
}

TEST_F(MapCaptureTest, ADragHoldsTheTicksUntilTheRelease) {
  Start();
  capture->BeginDrag();
  const int count = capture->CaptureCount();
  clock.Advance(2000);
  EXPECT_EQ(capture->CaptureCount(), count);
  capture->EndDrag();
  EXPECT_TRUE(capture->googleTimer().Enabled());

  // A rebuild ending mid-drag starts no tick before the release.
  capture->BeginDrag();
  capture->BtInicClick();
  EXPECT_FALSE(capture->googleTimer().Enabled());
  capture->EndDrag();
  EXPECT_TRUE(capture->googleTimer().Enabled());
}

TEST_F(MapCaptureTest, ResizesRebuildOnceWhenTheyRest) {
  Start();
  const std::size_t navigations = web.navigations.size();
  for (int i = 0; i < 40; ++i) {
    viewer->SetBounds(0, 0, 700 + i, 500 + i);
    capture->gisResize();
    clock.Advance(50);
  }
  EXPECT_EQ(web.navigations.size(), navigations);
  // The tick that rebuilds captures nothing and leaves count and interval.
  int count = capture->CaptureCount();
  Cardinal interval = capture->googleTimer().Interval();
  for (int i = 0; i < 300 && web.navigations.size() == navigations; ++i) {
    count = capture->CaptureCount();
    interval = capture->googleTimer().Interval();
    clock.Advance(5);
  }
  ASSERT_EQ(web.navigations.size(), navigations + 1);
  EXPECT_EQ(capture->CaptureCount(), count);
  EXPECT_EQ(capture->googleTimer().Interval(), interval);
  clock.Advance(1500);
  EXPECT_EQ(web.navigations.size(), navigations + 1);
  EXPECT_EQ(capture->CaptureWidth, 739);
  EXPECT_EQ(capture->CaptureHeight, 539);
  EXPECT_FALSE(capture->ResizePending);
}

TEST_F(MapCaptureTest, ZoomStepTable) {
  Start();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  std::vector<int> bar;
  struct TCase {
    double Zoom;
    int StartZoom;
    int Change;
  };
  for (const TCase c : {TCase{1.25, 6, 0}, TCase{1.5625, 6, 1}, TCase{0.8, 6, -1}, TCase{4.5, 6, 3},
                        TCase{0.4, 6, -3}, TCase{1.5625, 18, 1}}) {
    viewer->SetZoom(c.Zoom);
    capture->MapZoom = c.StartZoom;
    web.scripts.clear();
    capture->gisZoomChange();
    EXPECT_EQ(capture->MapZoom, c.StartZoom + c.Change) << c.Zoom;
    EXPECT_EQ(web.scripts.size(), c.Change == 0 ? 0u : 1u) << c.Zoom;
  }
  // Ignored while a page is being built or a resize waits.
  viewer->SetZoom(2);
  capture->MapZoom = 6;
  capture->BuildingPage = true;
  capture->gisZoomChange();
  capture->BuildingPage = false;
  capture->ResizePending = true;
  capture->gisZoomChange();
  EXPECT_EQ(capture->MapZoom, 6);
}

TEST_F(MapCaptureTest, DragReleaseRecentresOnlyRightAfterAMove) {
  Start();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  web.scripts.clear();
  const TGIS_Point centre = viewer->Center();
  const TLatLon expected = PixelToLatLon(6, centre.X, 2 * capture->CaptureTopY - centre.Y);

  capture->gisMouseDown(TMouseButton::mbLeft, 100, 100);
  EXPECT_FALSE(capture->googleTimer().Enabled());
  capture->gisMouseMove(TShiftState{TShiftStateItem::ssLeft}, 90, 100);
  clock.Advance(100);
  EXPECT_FALSE(capture->googleTimer().Enabled());
  capture->gisMouseUp(TMouseButton::mbLeft, 90, 100);
  ASSERT_EQ(web.scripts.size(), 1u);
  EXPECT_NEAR(static_cast<double>(capture->MapLat), static_cast<double>(expected.Lat), 1e-12);
  EXPECT_NEAR(static_cast<double>(capture->MapLon), static_cast<double>(expected.Lon), 1e-12);
  EXPECT_TRUE(capture->googleTimer().Enabled());

  // A release after a 600 ms rest, or a move with Shift held, sends nothing.
  capture->gisMouseDown(TMouseButton::mbLeft, 100, 100);
  capture->gisMouseMove(TShiftState{TShiftStateItem::ssLeft}, 90, 100);
  clock.Advance(600);
  capture->gisMouseMove(TShiftState{TShiftStateItem::ssLeft, TShiftStateItem::ssShift}, 80, 100);
  capture->gisMouseUp(TMouseButton::mbLeft, 80, 100);
  EXPECT_EQ(web.scripts.size(), 1u);
  EXPECT_TRUE(capture->googleTimer().Enabled());
}

TEST_F(MapCaptureTest, MouseMoveAndTwoQuickSteps) {
  Start();
  for (int i = 0; i < 100 && capture->CaptureCount() < 3; ++i)
    clock.Advance(10);
  web.scripts.clear();

  // Before the read-outs know the view, no step is taken.
  TMapCapture fresh([&] {
    TCaptureEnvironment env;
    env.Web = &web;
    env.Viewer = viewer;
    return env;
  }());
  Extended nx = 0, ny = 0;
  fresh.StepMap("r", nx, ny);
  EXPECT_EQ(nx, 0);
  EXPECT_TRUE(web.scripts.empty());

  const TGIS_Point p = viewer->ScreenToMap(TPoint(398, 306));
  const Extended gx = p.X, gy = 2 * capture->CaptureTopY - p.Y;
  capture->gisMouseMove(TShiftState{}, 398, 306);
  EXPECT_EQ(capture->CursorPixel.X, gx);
  EXPECT_EQ(capture->CursorPixel.Y, gy);

  // "r" twice within one tick: two views east, two counter steps.
  const TGlobalPixel before = LatLonToPixel(6, capture->MapLat, capture->MapLon);
  const Extended span = capture->Readouts.BottomRight.X - capture->Readouts.TopLeft.X;
  capture->StepMap("r", nx, ny);
  clock.Advance(50);
  capture->StepMap("r", nx, ny);
  const TGlobalPixel after = LatLonToPixel(6, capture->MapLat, capture->MapLon);
  EXPECT_NEAR(static_cast<double>(after.X - before.X), 2 * static_cast<double>(span - 4), 1e-6);
  EXPECT_NEAR(static_cast<double>(after.Y - before.Y), 0, 1e-6);
  EXPECT_EQ(nx, 2);
  EXPECT_EQ(web.scripts.size(), 2u);
}

} // namespace
