// The program in this process on the real browser engine, started by its own
// start-up function on the coded test page: the first capture and its
// read-outs, a drag, a wheel zoom, saving tiles, a navigation step and the
// close that stores the settings. The first capture runs on the real clock;
// from then on the manual clock moves only between turns of the event loop,
// so the engine's answers arrive before any timer could miss them.
#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "app/ProgramStart.h"
#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "app/WebMercator.h"
#include "controls/OwTrackBar.h"
#include "formstate/NumericEdits.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "tests/app/CodedPage.h"
#include "tests/app/GdalOracle.h"
#include "tests/app/ProgramWindows.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/TempDir.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

using namespace apptest;

std::string WorldLine(const std::string& path, int index) {
  TStringList lines;
  lines.LoadFromFile(path);
  return index < lines.Count() ? lines[index] : std::string();
}

/// The number of pixels of image1.bmp that differ from the coded page at
/// zoom/lat/lon after the crop's two shifts (-1 when it cannot be read).
int WrongPixels(const std::string& path, int zoom, double lat, double lon) {
  TBitmap bmp;
  try {
    bmp.LoadFromFile(path);
  } catch (const std::exception&) {
    return -1;
  }
  if (bmp.Width() != 796 || bmp.Height() != 613) return -1;
  const TPageFrame frame = PageFrame(zoom, lat, lon, 796, 613);
  int wrong = 0;
  for (int y = 0; y < 613; ++y)
    for (int x = 0; x < 796; ++x) {
      const TRgb got = PixelAt(bmp, x, y);
      const TRgb want =
          PixelCode(frame.Gx(CaptureSource(x, 796)), frame.Gy(CaptureSource(y, 613)));
      if (std::abs(got.R - want.R) > 7 || std::abs(got.G - want.G) > 7 ||
          std::abs(got.B - want.B) > 7)
        ++wrong;
    }
  return wrong;
}

struct EndToEndTest : ::testing::Test {
  sktest::TTempDir dir{"app-e2e"};
  TFSkorvaplinth* tool = nullptr;
  TFEarth1* map = nullptr;
  std::unique_ptr<TManualTimerClock> clock;

  void SetUp() override {
    PrepareProgramFolder(dir);
    Application()->ClearTerminatedForTests();
  }
  void TearDown() override {
    clock.reset();
    // Also after a start that failed half-way: the windows are the program's.
    if (tool == nullptr) tool = dynamic_cast<TFSkorvaplinth*>(Application()->MainForm());
    if (tool != nullptr && map == nullptr) map = tool->MapWindow();
    delete map;
    delete tool;
    Application()->ClearTerminatedForTests();
    SetExeNameForTests("");
  }

  TMapCapture& Capture() { return map->Capture(); }
  std::string Jgw(int index) { return WorldLine(dir / "image1.jgw", index); }

  /// Lets the engine run for a moment, then the manual clock moves 10 ms.
  void Turn() {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
    clock->Advance(10);
  }
  /// Turns until `done` holds, at most `ms` of clock.
  bool TurnUntil(const std::function<bool()>& done, int ms = 10000) {
    for (int i = 0; i < ms / 10; ++i) {
      if (done()) return true;
      Turn();
    }
    return done();
  }
  /// The capture shows the web map's current centre, pixel for pixel.
  bool CaptureShowsTheMap() {
    return WrongPixels(dir / "image1.bmp", Capture().MapZoom, double(Capture().MapLat),
                       double(Capture().MapLon)) == 0;
  }
  /// The read-outs lag one capture: they show the current one once the
  /// viewer has shown it whole (796 pixels wide) at the current centre.
  bool ReadoutsShowThisCapture() {
    const double left = StrToFloat(tool->utmleft1->Text());
    const double right = StrToFloat(tool->utmright1->Text());
    const TGlobalPixel c = LatLonToPixel(Capture().MapZoom, Capture().MapLat, Capture().MapLon);
    return std::fabs(right - left - 796) < 1e-3 &&
           std::fabs(StrToFloat(tool->cleft1->Text()) - double(c.X)) < 1e-3;
  }
  /// The world file's line 5 and 6 for the web map's current centre.
  std::pair<std::string, std::string> ExpectedCorner() {
    const TGlobalPixel c = LatLonToPixel(Capture().MapZoom, Capture().MapLat, Capture().MapLon);
    return {GeneralNumber(c.X - 398), GeneralNumber(c.Y - 306.5L)};
  }
};

TEST_F(EndToEndTest, StartCaptureDragZoomSaveAndClose) {
  tool = CreateProgramWindows();
  map = tool->MapWindow();
  ASSERT_NE(map, nullptr);

  // 1. The first capture, on the real clock: the first page fills the viewer.
  ASSERT_TRUE(sktest::WaitUntil(
      [&] { return Jgw(4) == "8431.15555555556" && Jgw(5) == "5522.30094339771"; }, 30000))
      << Jgw(4) << " " << Jgw(5);
  clock = std::make_unique<TManualTimerClock>(1000000);
  // The read-outs lag one capture; the picture may need a frame to settle.
  ASSERT_TRUE(TurnUntil([&] { return tool->utmleft1->Text() != "0" && CaptureShowsTheMap(); }));
  EXPECT_EQ(Jgw(0) + Jgw(1) + Jgw(2) + Jgw(3), "100-1");
  struct TReadout {
    TEdit* Edit;
    const char* Text;
  };
  for (const TReadout& r : {TReadout{tool->utmleft1, "8430.656"}, {tool->utmtop1, "5521.801"},
                            {tool->wleft, "50.48826"}, {tool->wtop, "5.2439"},
                            {tool->cleft1, "8829.156"}, {tool->cleft, "46"}, {tool->ctop, "14"},
                            {tool->utmright1, "9226.656"}})
    EXPECT_EQ(r.Edit->Text(), r.Text) << r.Edit->Name();
  EXPECT_EQ(tool->Ewidth->Caption(), "796");

  // 2. A drag 100 px to the left, released at once: the web map follows the
  // viewer's centre, which lies half a pixel north-west of the page's.
  TestInput::MouseDown(map->gis, TMouseButton::mbLeft, 398, 306);
  EXPECT_FALSE(Capture().googleTimer().Enabled());
  TestInput::MouseMove(map->gis, 348, 306, TShiftState{TShiftStateItem::ssLeft});
  TestInput::MouseMove(map->gis, 298, 306, TShiftState{TShiftStateItem::ssLeft});
  TestInput::MouseUp(map->gis, TMouseButton::mbLeft, 298, 306);
  EXPECT_TRUE(Capture().googleTimer().Enabled());
  EXPECT_TRUE(TurnUntil([&] {
    return Jgw(4) == "8530.65555555556" && Jgw(5) == "5521.80094339771" && CaptureShowsTheMap();
  })) << Jgw(4) << " " << Jgw(5);

  // 3. Two wheel notches toward the user at the viewer's centre: one web zoom
  // step, and the bar and the status bar follow.
  // The viewer zooms its preview at once and the view a moment later: one
  // web zoom step for the whole burst.
  TestInput::Wheel(map->gis, -120, 398, 306);
  TestInput::Wheel(map->gis, -120, 398, 306);
  EXPECT_EQ(Capture().MapZoom, 6);
  EXPECT_TRUE(TurnUntil([&] { return Capture().MapZoom != 6; }, 2000));
  EXPECT_EQ(Capture().MapZoom, 7);
  EXPECT_EQ(tool->Egzoom->Position(), 7);
  EXPECT_TRUE(TurnUntil([&] {
    const auto corner = ExpectedCorner();
    return Jgw(4) == corner.first && Jgw(5) == corner.second && CaptureShowsTheMap() &&
           map->ezoom->Caption() == "7";
  })) << Jgw(4) << " " << Jgw(5);
  // Let the read-outs catch up with this capture (the next one shows it).
  ASSERT_TRUE(TurnUntil([&] { return ReadoutsShowThisCapture(); }));

  // 4. Save: the picture as it is in this turn of the loop, and its description.
  const std::string picture = sktest::TTempDir::Read(dir / "image1.bmp");
  tool->SpeedButton15->Click();
  EXPECT_EQ(sktest::TTempDir::Read(dir / "tmp/ym_0_0.bmp"), picture);
  EXPECT_EQ(sktest::TTempDir::Read(dir / "tmp/ym_0_0.jgw"),
            "1\r\n0\r\n0\r\n-1\r\n" + tool->wleft->Text() + "\r\n" + tool->wtop->Text() + "\r\n");

  // 5. One view to the right: 796 - 4 pixels east, the counter moves on.
  const double line5 = StrToFloat(Jgw(4));
  tool->SpeedButton1->Click();
  EXPECT_EQ(double(tool->nx->Value()), 1.0);
  EXPECT_TRUE(TurnUntil([&] {
    return std::fabs(StrToFloat(Jgw(4)) - (line5 + 792)) < 1e-6 && CaptureShowsTheMap();
  })) << Jgw(4);
  // A description that places the tile in global pixels, once the read-outs
  // show this capture.
  ASSERT_TRUE(TurnUntil([&] { return ReadoutsShowThisCapture(); }));
  tool->Mtemplate->SetText("1\r\n0\r\n0\r\n-1\r\n<#UX>\r\n<#UY>\r\n");
  tool->SpeedButton15->Click();
  const std::string description = sktest::TTempDir::Read(dir / "tmp/ym_1_0.jgw");
  EXPECT_EQ(description, "1\r\n0\r\n0\r\n-1\r\n" + tool->utmleft1->Text() + "\r\n" +
                             tool->utmtop1->Text() + "\r\n");
  dir.Write("tmp/ym_1_0.wld", description); // the name gdalinfo looks for beside a .bmp
  const std::string origin = GdalOrigin(dir / "tmp/ym_1_0.bmp");
  if (!origin.empty()) {
    const std::size_t comma = origin.find(',');
    ASSERT_NE(comma, std::string::npos) << origin;
    EXPECT_NEAR(StrToFloat(origin.substr(0, comma)), StrToFloat(tool->utmleft1->Text()) - 0.5,
                1e-6);
    EXPECT_NEAR(StrToFloat(origin.substr(comma + 1)), StrToFloat(tool->utmtop1->Text()) + 0.5,
                1e-6);
  }

  // 6. Closing the tool window ends the message loop and stores the settings.
  QTimer::singleShot(0, [this] { tool->Close(); });
  Application()->Run();
  EXPECT_TRUE(Application()->Terminated());
  const std::string ini = sktest::TTempDir::Read(dir / "skorvaplinth.ini");
  EXPECT_NE(ini.find("Egzoom_Position=7\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("nx_Value=1\r\n"), std::string::npos) << ini;
}

} // namespace
