// The map window built from its stored definition over a stand-in browser:
// its components, its creation step and the routing of the viewer's events.
#include "app/AppFiles.h"
#include "app/Readouts.h"
#include "app/UnitFearth1.h"
#include "controls/OwGlassButton.h"
#include "controls/OwMenus.h"
#include "controls/rtflabel.h"
#include "controls/zq/zqCore.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/Clipboard.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Shell.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "tests/app/CodedPage.h"
#include "tests/browser/FakeWebHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace apptest;

/// The tool window's part in the start-up: the first page at zoom 6.
struct TFakeTool : IToolWindow {
  TFEarth1* map = nullptr;
  int starts = 0;
  std::vector<int> bar;
  TPositionReadouts last;
  void OpenStartPage(TFEarth1&) override {
    ++starts;
    TMapCapture& c = map->Capture();
    c.MapZoom = 6;
    c.BtInicClick();
    c.RecentrePending = true;
    c.ApplyPosition();
  }
  void ShowReadouts(const TPositionReadouts& r) override { last = r; }
  void SetZoomBarPosition(int position) override { bar.push_back(position); }
};

struct MapWindowTest : ::testing::Test {
  sktest::TTempDir dir{"app-window"};
  TManualTimerClock clock{1000};
  TFakeTool tool;
  FakeWebHost* web = nullptr;
  std::unique_ptr<TFEarth1> map;

  void SetUp() override {
    GisKernelInit();
    PrepareAppDir(dir);
    SetExeNameForTests(dir / "skorvaplinth");
    auto fake = std::make_unique<FakeWebHost>(3, 50);
    web = fake.get();
    web->SetBounds(0, 0, 826, 643);
    web->cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);
    // Without a tool window the creation step opens no start page; the
    // tests open it through the stand-in tool once the window exists.
    GisRasterRegisterLayers();
    map = std::make_unique<TFEarth1>(nullptr, nullptr, ProgramCaptureLayers(), std::move(fake));
    tool.map = map.get();
  }
  void TearDown() override {
    map.reset();
    SetExeNameForTests("");
  }
};

TEST_F(MapWindowTest, StoredDefinition) {
  EXPECT_EQ(map->Caption(), "Skorva plinth");
  for (const char* name : {"Panel2", "web", "gis", "panelbottom", "ezoom", "ewx", "least", "epix",
                           "p", "Hitrost1", "CopyUTMtoclipboard1", "Cltstanje"})
    EXPECT_NE(map->FindComponent(name), nullptr) << name;
  EXPECT_EQ(map->panelbottom->Height(), 27);
  EXPECT_EQ(map->gis->Mode(), gisDrag);
  EXPECT_TRUE(map->gis->RestrictedDrag());
  EXPECT_EQ(map->gis->PopupMenu(), static_cast<TPopupMenu*>(map->p));
  ASSERT_EQ(map->p->Items()->Count(), 2);
  EXPECT_EQ(map->p->Items()->Items(0)->Caption(), "Copy Lat. and Lon to clipboard");
  EXPECT_EQ(map->p->Items()->Items(1)->Caption(), "Copy UTM to clipboard");
  // Both menus are drawn by the one styler; the source menu does nothing.
  EXPECT_EQ(map->p->MenuStyler(), map->OwMenuStyler1);
  EXPECT_EQ(map->pmap->MenuStyler(), map->OwMenuStyler1);
  const char* sources[] = {"Google", "Yahoo", "VE"};
  ASSERT_EQ(map->pmap->Items()->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(map->pmap->Items()->Items(i)->Caption(), sources[i]);
    EXPECT_FALSE(map->pmap->Items()->Items(i)->OnClick) << sources[i];
  }
  EXPECT_EQ(map->OwMenuStyler1->AntiAlias(), TAntiAlias::aaNone);
  EXPECT_EQ(map->OwMenuStyler1->Font()->Name(), "Tahoma");
  EXPECT_EQ(map->OwMenuStyler1->SideBar()->Font()->Height(), -19);
  EXPECT_EQ(map->OwMenuStyler1->SideBar()->Font()->Style(), fsBold | fsItalic);
  EXPECT_EQ(map->OwMenuStyler1->NotesFont()->Height(), -8);
  for (const char* name : {"ClientDataSet1", "ClientDataSet2", "ClientDataSet3", "ClientDataSet4"})
    EXPECT_NE(dynamic_cast<TClientDataSet*>(map->FindComponent(name)), nullptr) << name;
  EXPECT_NE(dynamic_cast<TzqStyleManager*>(map->FindComponent("zqStyleManager1")), nullptr);
  EXPECT_FALSE(map->Capture().googleTimer().Enabled());
  EXPECT_EQ(map->Capture().googleTimer().Interval(), 300u);
}

TEST_F(MapWindowTest, HiddenGlassButtonAndEmptyRichTextLabel) {
  TOwGlassButton* bb = map->bb;
  ASSERT_EQ(bb, map->FindComponent("bb"));
  EXPECT_FALSE(bb->Visible());
  EXPECT_EQ(bb->Width(), 127);
  EXPECT_EQ(bb->Height(), 21);
  EXPECT_EQ(bb->Caption(), "podatki niso na voljo");
  EXPECT_EQ(bb->BackColor(), clSilver);
  EXPECT_EQ(bb->CornerRadius(), 8);
  EXPECT_EQ(bb->Font()->Name(), "Tahoma");
  EXPECT_EQ(bb->Font()->Height(), -11);
  EXPECT_EQ(bb->ForeColor(), clWhite);
  EXPECT_EQ(bb->GlowColor(), TColor(16760205));
  EXPECT_EQ(bb->InnerBorderColor(), clBlack);
  EXPECT_EQ(bb->OuterBorderColor(), clWhite);
  EXPECT_EQ(bb->ShineColor(), clWhite);
  EXPECT_EQ(bb->Version(), "1.0.1.0");
  EXPECT_TRUE(bb->OnClick);
  // Everything else keeps its default.
  EXPECT_EQ(bb->AntiAlias(), TAntiAlias::aaClearType);
  EXPECT_EQ(bb->Layout(), TButtonLayout::blGlyphLeft);
  EXPECT_EQ(bb->GroupIndex(), 0);
  EXPECT_FALSE(bb->TabStop());
  TRTFLabel* label = map->RTFLabel1;
  ASSERT_EQ(label, map->FindComponent("RTFLabel1"));
  EXPECT_EQ(label->Width(), 65);
  EXPECT_EQ(label->Height(), 17);
  EXPECT_FALSE(label->WordWrap());
  EXPECT_EQ(label->RichText(), "");
  EXPECT_FALSE(label->RichEdit()->Visible());
  // Shown, the window paints them without harm: the label shows only the
  // status bar's colour.
  map->Show();
  UpdateWindow(map->panelbottom->Handle());
  HDC dc = GetDC(map->panelbottom->Handle());
  for (int x = label->Left(); x < label->Left() + label->Width(); x += 8)
    EXPECT_EQ(GetPixel(dc, x, label->Top() + 8), ColorToRGB(map->panelbottom->Color())) << x;
  ReleaseDC(map->panelbottom->Handle(), dc);
}

TEST_F(MapWindowTest, StartPageCapturesAndShowsTheReadouts) {
  tool.OpenStartPage(*map);
  EXPECT_EQ(map->Cltstanje->EmptiedCount(), 1);
  ASSERT_EQ(web->scripts.size(), 1u);
  EXPECT_EQ(web->scripts[0], "map.setCenter(new OpenLayers.LonLat(14, 46), 6 );");
  map->gis->SetBounds(0, 0, 796, 613);
  map->Capture().ResizePending = false;
  map->Capture().CaptureWidth = 796;
  map->Capture().CaptureHeight = 613;
  for (int i = 0; i < 100 && map->Capture().CaptureCount() < 3; ++i)
    clock.Advance(10);
  EXPECT_EQ(map->ezoom->Caption(), "6");
  ASSERT_EQ(map->gis->Items(), 2);
  EXPECT_NE(map->gis->Get("image1.jpg"), nullptr);
  EXPECT_NE(map->gis->Get("Ext"), nullptr);

  map->Capture().gisMouseMove(TShiftState{}, 398, 306);
  EXPECT_EQ(map->least->Caption(),
            FormatStatusPixels(map->Capture().CursorPixel.X, map->Capture().CursorPixel.Y));
  EXPECT_EQ(map->epix->Caption(), "398 | 306");
  map->CopyUTMtoclipboard1Click();
  EXPECT_EQ(Clipboard()->AsText(),
            FormatClipboardPair(map->Capture().CursorPixel.X, map->Capture().CursorPixel.Y));
  map->Hitrost1Click();
  EXPECT_EQ(Clipboard()->AsText(),
            FormatClipboardPair(map->Capture().CursorLat, map->Capture().CursorLon));
}

TEST_F(MapWindowTest, OpenRendersTheViewAndHandsItToTheDesktop) {
  std::vector<std::string> opened;
  SetShellLauncher([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  map->OpenPrint(); // an empty viewer: no crash, a picture all the same
  tool.OpenStartPage(*map);
  map->gis->SetBounds(0, 0, 796, 613);
  map->Capture().ResizePending = false;
  for (int i = 0; i < 100 && map->Capture().CaptureCount() < 3; ++i)
    clock.Advance(10);
  map->OpenPrint();
  SetShellLauncher(nullptr);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1], dir / "print.bmp");
  TBitmap print;
  print.LoadFromFile(dir / "print.bmp");
  EXPECT_EQ(print.PixelFormat(), pf24bit);
  // The window's height, the width from the view's aspect: the whole view.
  EXPECT_EQ(print.Height(), 613);
  EXPECT_EQ(print.Width(), 796);
}

TEST_F(MapWindowTest, ApplyMapSizeSizesTheViewer) {
  map->ApplyMapSize(10, 10);
  EXPECT_EQ(map->Width(), 18);
  EXPECT_EQ(map->Height(), 64);
}

} // namespace
