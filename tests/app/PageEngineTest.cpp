// The shipped map page and the test page on the real engine: the shipped
// page draws its offline map at every source, the test page's pixel codes
// come through a snapshot unchanged.
#include "app/MapCapture.h"
#include "app/MapPage.h"
#include "app/UnitFearth1.h"
#include "browser/WebHost.h"
#include "browser/WebHostIntf.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/StringList.h"
#include "platform/web/WebEngineHost.h"
#include "tests/app/CodedPage.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace apptest;

std::string ReadSource(const std::string& relative) {
  const char* root = std::getenv("SK_SOURCE_DIR");
  return sktest::TTempDir::Read(std::string(root ? root : ".") + "/" + relative);
}

struct PageWindow : ::testing::Test {
  sktest::TTempDir dir{"app-page"};
  std::unique_ptr<TForm> form;
  TWebHost* web = nullptr;
  int downloads = 0;

  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 900, 720);
    web = new TWebHost(form.get());
    web->SetParent(form.get());
    web->SetBounds(0, 0, 826, 643);
    web->Loaded();
    web->OnDownloadComplete = [this](TPersistent*) { ++downloads; };
    form->Show();
  }
  void TearDown() override {
    form->Hide();
    form.reset();
  }

  bool Load(const std::string& templateText, int rowIndex, Extended lat, Extended lon, int zoom) {
    const TMapSourceRow& row = MapSourceRows()[rowIndex];
    TMapPageValues values;
    values.Width = 796;
    values.Height = 613;
    values.Lat = lat;
    values.Lon = lon;
    values.MapZoom = zoom;
    values.Source = row.Source;
    values.MapType = row.MapType;
    const std::string page = dir.Write("mapg.htm", FillMapTemplate(templateText, values));
    downloads = 0;
    web->Navigate(page);
    return sktest::WaitUntil([this] { return downloads > 2; }, 15000);
  }
  std::string Eval(const std::string& script) {
    return web->Engine().EvaluateScriptAndWait(script).value_or("<none>");
  }
};

TEST_F(PageWindow, ShippedPageDrawsItsOfflineMapForEverySource) {
  const std::string page = ReadSource("resources/app/mapgd.htm");
  ASSERT_FALSE(page.empty());
  struct TCase {
    int Row;
    const char* Level; // the drawn level at MapZoom 6
  };
  for (const TCase c : {TCase{6, "6"}, TCase{0, "6"}, TCase{4, "6"}}) {
    ASSERT_TRUE(Load(page, c.Row, 46, 14, 6)) << c.Row;
    EXPECT_EQ(Eval("map.baseLayer.mapObject.level + ',' + map.baseLayer.mapObject.canvas.width + "
                   "',' + map.baseLayer.mapObject.canvas.height"),
              std::string(c.Level) + ",796,613")
        << c.Row;
    EXPECT_EQ(Eval("map.getCenter().lon + ',' + map.getCenter().lat"), "14,46") << c.Row;
    web->Engine().EvaluateScriptAndWait(PositionScript(45, 15, 6, MapSourceRows()[c.Row].Source));
    EXPECT_EQ(Eval("map.getCenter().lon + ',' + map.getCenter().lat"), "15,45") << c.Row;
  }
  // The map shows something other than the page's white.
  std::unique_ptr<TBitmap> shot;
  EXPECT_TRUE(sktest::WaitUntil([&] {
    shot = web->Snapshot();
    return shot && PixelAt(*shot, 100, 100).R != 255;
  }));
}

TEST_F(PageWindow, TestPageCodesSurviveTheSnapshot) {
  const std::string page = ReadSource("tests/data/app/mapgd.htm");
  ASSERT_FALSE(page.empty());
  ASSERT_TRUE(Load(page, 6, 46, 14, 6));
  EXPECT_EQ(Eval("JSON.stringify(window.calls)"), "[{\"lon\":14,\"lat\":46,\"zoom\":6}]");
  const TPageFrame frame = PageFrame(6, 46, 14, 796, 613);
  int wrong = -1;
  std::unique_ptr<TBitmap> shot;
  sktest::WaitUntil([&] {
    shot = web->Snapshot();
    if (!shot) return false;
    wrong = 0;
    for (int y = 0; y < 613; ++y)
      for (int x = 0; x < 796; ++x) {
        const TRgb got = PixelAt(*shot, x, y);
        const TRgb want = PixelCode(frame.Gx(x), frame.Gy(y));
        if (std::abs(got.R - want.R) > 7 || std::abs(got.G - want.G) > 7 ||
            std::abs(got.B - want.B) > 7)
          ++wrong;
      }
    return wrong == 0;
  });
  EXPECT_EQ(wrong, 0);
}

TEST_F(PageWindow, ShippedPageIsCapturedIntoTheViewer) {
  GisKernelInit();
  GisRasterRegisterLayers();
  dir.Write("mapgd.htm", ReadSource("resources/app/mapgd.htm"));
  dir.Write("image1.jgw", ReadSource("resources/app/image1.jgw"));
  auto* viewer = new TGIS_ViewerWnd(form.get());
  viewer->KeyPoll = [](HWND) { return false; };
  viewer->SetBorderStyle(TBorderStyle::bsNone);
  viewer->SetScrollBars(TScrollStyle::ssNone);
  viewer->SetParent(form.get());
  viewer->SetBounds(0, 0, 796, 613);
  TWebHostAdapter host(*web);
  const TCaptureLayers layers = ProgramCaptureLayers();
  TCaptureEnvironment env;
  env.AppDir = dir.Path() + "/";
  env.Web = &host;
  env.Viewer = viewer;
  env.CreateLayer = layers.CreateLayer;
  env.CreateEmptyLayer = layers.CreateEmptyLayer;
  env.ProcessMessages = [] { Application()->ProcessMessages(); };
  TMapCapture capture(env);
  capture.BtInicClick();
  capture.RecentrePending = true;
  capture.ApplyPosition();
  // The capture shows the grid map: its ground colour, not the page's white.
  EXPECT_TRUE(sktest::WaitUntil(
      [&] {
        TBitmap* shot = capture.CaptureBitmap();
        if (!shot || viewer->Items() != 2) return false;
        const TRgb c = PixelAt(*shot, 100, 100);
        return c.R == 0xF2 && c.G == 0xEF && c.B == 0xE6;
      },
      15000));
  EXPECT_NE(viewer->Get("image1.jpg"), nullptr);
  EXPECT_NE(viewer->Get("Ext"), nullptr);
  TStringList world;
  world.LoadFromFile(dir / "image1.jgw");
  EXPECT_EQ(world[4], "8431.15555555556");
  EXPECT_EQ(world[5], "5522.30094339771");
}

} // namespace
