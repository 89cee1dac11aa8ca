// The tool window built from its stored definition: its defaults in a fresh
// program folder, its settings file, and every button driving the map window
// over a stand-in browser.
#include "app/AppFiles.h"
#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "controls/ImagePicker.h"
#include "controls/OwPageControl.h"
#include "controls/OwPaintUtil.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"
#include "formstate/ComboEdits.h"
#include "formstate/NumericEdits.h"
#include "formstate/Placement.h"
#include "gis/core/GisKernel.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Properties.h"
#include "platform/forms/Shell.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"
#include "tests/app/CodedPage.h"
#include "tests/app/ProgramWindows.h"
#include "tests/browser/FakeWebHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

using namespace apptest;

struct ToolWindowTest : ProgramWindows {};

TEST_F(ToolWindowTest, FreshProgramFolderGivesTheDefaults) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  EXPECT_EQ(tool->Caption(), "Skorva Plinth 1.01");
  EXPECT_EQ(tool->lver->Caption(), "1.01");
  EXPECT_EQ(tool->AppDir, dir / "");
  EXPECT_EQ(tool->Egzoom->Position(), 6);
  EXPECT_EQ(tool->Egzoom->Min(), 2);
  EXPECT_EQ(tool->Egzoom->Max(), 18);
  EXPECT_EQ(tool->mapPick->ItemCountOfItems(), 9);
  EXPECT_EQ(tool->mapPick->ItemIndex(), 0);
  // One image per service: Google, VE, Yahoo.
  ASSERT_NE(tool->mapPick->Images(), nullptr);
  EXPECT_EQ(tool->mapPick->Images()->Count(), 3);
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(tool->mapPick->Items(i)->ImageIndex(), i / 3) << i;
  // The zoom bar's stored look.
  for (auto [path, text] : {std::pair{"Egzoom.Thumb.Shape", "tsPointer"},
                            {"Egzoom.Thumb.Size", "20"},
                            {"Egzoom.Slider.Rounded", "True"},
                            {"Egzoom.TickMark.Position", "tmBottomRight"},
                            {"Egzoom.TrackLabel.Position", "lpBottomCenter"},
                            {"OwPageControl1.TabOverlap", "0"},
                            {"TabSheet3.TabColor", "14342874"}})
    EXPECT_EQ(GetComponentPropText(*tool, path), text) << path;
  EXPECT_EQ(double(tool->elat->Value()), 46.0);
  EXPECT_EQ(double(tool->elon->Value()), 5.0);
  EXPECT_EQ(double(tool->Erwidth->Value()), 500.0);
  EXPECT_EQ(double(tool->Erheight->Value()), 500.0);
  EXPECT_EQ(double(tool->nx->Value()), 0.0);
  EXPECT_EQ(double(tool->ny->Value()), 0.0);
  EXPECT_EQ(tool->filep->Text(), "ym");
  EXPECT_TRUE(tool->Cstayontop->Checked());
  EXPECT_TRUE(tool->cdescr->Checked());
  EXPECT_EQ(tool->FormStyle(), TFormStyle::fsStayOnTop);
  EXPECT_EQ(tool->eloc->Text(), dir / "tmp");
  EXPECT_TRUE(DirectoryExists(dir / "tmp"));
  EXPECT_EQ(tool->Mtemplate->MemoText(), "1\r\n0\r\n0\r\n-1\r\n<#WX>\r\n<#WY>\r\n");
  ASSERT_EQ(tool->fs->StoredProps().Count(), 11);
  EXPECT_EQ(tool->fs->StoredProps()[0], "elat.Value");
  EXPECT_EQ(tool->fs->StoredProps()[10], "mapPick.ItemIndex");
  const char* pages[] = {" Map position ", " Map size ", " Navigation ", " Settings ",
                         " About "};
  ASSERT_EQ(tool->OwPageControl1->PageCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(tool->OwPageControl1->Pages(i)->Caption(), pages[i]);
  EXPECT_EQ(tool->OwPageControl1->ActivePage()->Caption(), " Navigation ");
}

TEST_F(ToolWindowTest, EveryPageTabHoldsItsCaptionWhenActive) {
  // The window's font is the active tab's face, so the tabs measured in it
  // hold the captions drawn in ActiveFont.
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  TOwPageControl* pc = tool->OwPageControl1;
  EXPECT_EQ(tool->Font()->Name(), "Tahoma");
  EXPECT_EQ(tool->Font()->Height(), -11);
  EXPECT_TRUE(pc->ParentFont());
  for (int active = 0; active < pc->PageCount(); ++active) {
    pc->SetActivePage(pc->Pages(active));
    const TRect r = pc->PageTabRect(active);
    std::string caption = pc->Pages(active)->Caption();
    while (!caption.empty() && caption.back() == ' ')
      caption.pop_back();
    int w = 0, h = 0;
    MeasureTextInFont(*pc->ActiveFont(), caption, w, h);
    EXPECT_LE(r.Left + 4 + w, r.Right) << caption;
  }
}

TEST_F(ToolWindowTest, SettingsFileRoundTrips) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  tool->elat->SetValue(12.5L);
  tool->Egzoom->SetPosition(9);
  tool->filep->SetText("tile");
  tool->nx->SetValue(3);
  tool->ny->SetValue(-1);
  tool->Cstayontop->SetChecked(false);
  tool->fs->SaveState();
  tool.reset();
  const std::string ini = sktest::TTempDir::Read(dir / "skorvaplinth.ini");
  EXPECT_NE(ini.find("[TFSkorvaplinth]"), std::string::npos);
  for (const char* line : {"elat_Value=12.5\r\n", "elon_Value=5\r\n", "Egzoom_Position=9\r\n",
                           "Cstayontop_Checked=False\r\n", "filep_Text=tile\r\n",
                           "nx_Value=3\r\n", "ny_Value=-1\r\n", "mapPick_ItemIndex=0\r\n"})
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  EXPECT_LT(ini.find("elat_Value"), ini.find("mapPick_ItemIndex"));

  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  EXPECT_EQ(double(tool->elat->Value()), 12.5);
  EXPECT_EQ(tool->Egzoom->Position(), 9);
  EXPECT_EQ(tool->filep->Text(), "tile");
  EXPECT_EQ(double(tool->ny->Value()), -1.0);
  EXPECT_FALSE(tool->Cstayontop->Checked());
  // The stored state does not click the box: the window still stays on top.
  EXPECT_EQ(tool->FormStyle(), TFormStyle::fsStayOnTop);
}

TEST_F(ToolWindowTest, StartPageIsTheRegularYahooMapAtTheStoredZoom) {
  dir.Write("skorvaplinth.ini",
            "[TFSkorvaplinth]\r\nelat_Value=10\r\nEgzoom_Position=9\r\nmapPick_ItemIndex=7\r\n");
  StartBoth();
  EXPECT_EQ(tool->mapPick->ItemIndex(), 7);
  EXPECT_EQ(map->Capture().MapSource, "yahoo");
  EXPECT_EQ(map->Capture().MapType, "YAHOO_MAP_REG");
  EXPECT_EQ(map->Capture().MapZoom, 9);
  EXPECT_EQ(map->Left(), 0);
  EXPECT_EQ(map->Top(), 0);
  ASSERT_FALSE(web->scripts.empty());
  EXPECT_EQ(web->scripts.back(), "map.setCenter(new OpenLayers.LonLat(14, 46), 9 );");
  const std::string page = sktest::TTempDir::Read(dir / "mapg.htm");
  EXPECT_FALSE(page.empty());
}

// The browser starts at its stored 796x593; the map window's first showing
// reports the viewer's size, which sets the browser to the viewer + 30, so the
// first page is built at the viewer's 796x613.
TEST_F(ToolWindowTest, FirstShowingSizesTheBrowserSoTheFirstPageFillsTheViewer) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  auto fake = std::make_unique<FakeWebHost>(3, 50);
  web = fake.get();
  web->SetBounds(0, 0, 796, 593);
  web->cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);
  map = std::make_unique<TFEarth1>(nullptr, tool.get(), ProgramCaptureLayers(), std::move(fake));
  EXPECT_EQ(map->gis->Width(), 796);
  EXPECT_EQ(map->gis->Height(), 613);
  EXPECT_EQ(map->Capture().CaptureWidth, 796);
  EXPECT_EQ(map->Capture().CaptureHeight, 613);
  const std::string page = sktest::TTempDir::Read(dir / "mapg.htm");
  EXPECT_NE(page.find("width: 796px; height: 613px"), std::string::npos);
  // Until the first capture rewrites the world file (at most 5 s).
  const std::string fresh = sktest::TTempDir::Read(dir / "image1.jgw");
  for (int i = 0; i < 500 && sktest::TTempDir::Read(dir / "image1.jgw") == fresh; ++i)
    clock.Advance(10);
  TStringList lines;
  lines.LoadFromFile(dir / "image1.jgw");
  ASSERT_EQ(lines.Count(), 6);
  EXPECT_EQ(lines[4], "8431.15555555556");
  EXPECT_EQ(lines[5], "5522.30094339771");
}

TEST_F(ToolWindowTest, EveryButtonDrivesTheMapWindow) {
  StartBoth();
  CaptureThreeTimes();
  ASSERT_GT(map->Capture().Readouts.BottomRight.X, map->Capture().Readouts.TopLeft.X);
  EXPECT_EQ(tool->Ewidth->Caption(), "796");
  EXPECT_NE(tool->utmleft1->Text(), "0");

  std::vector<std::string> opened;
  SetShellLauncher([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  struct TRow {
    TSpeedButton* button;
    int nx, ny; // the counters after the click
  };
  // Navigation: the counters move as the direction says and the map follows.
  const TRow steps[] = {
      {tool->SpeedButton1, 1, 0},  {tool->SpeedButton2, 2, 1},  {tool->SpeedButton3, 2, 2},
      {tool->SpeedButton4, 1, 3},  {tool->SpeedButton5, 0, 3},  {tool->SpeedButton6, -1, 2},
      {tool->SpeedButton7, -1, 1}, {tool->SpeedButton8, 0, 0},  {tool->SpeedButton9, 0, 0},
  };
  for (const TRow& row : steps) {
    const std::size_t scripts = web->scripts.size();
    row.button->Click();
    EXPECT_EQ(double(tool->nx->Value()), row.nx) << row.button->Name();
    EXPECT_EQ(double(tool->ny->Value()), row.ny) << row.button->Name();
    EXPECT_EQ(web->scripts.size(), scripts + (row.button == tool->SpeedButton9 ? 0 : 1))
        << row.button->Name();
  }

  tool->elat->SetValue(45.5L);
  tool->elon->SetValue(13.25L);
  tool->SpeedButton10->Click();
  EXPECT_EQ(web->scripts.back(), "map.setCenter(new OpenLayers.LonLat(13.25, 45.5), 6 );");

  tool->Egzoom->SetPosition(8);
  tool->EgzoomClick();
  EXPECT_EQ(map->Capture().MapZoom, 8);
  EXPECT_EQ(web->scripts.back(), "map.setCenter(new OpenLayers.LonLat(13.25, 45.5), 8 );");

  tool->Erwidth->SetValue(10);
  tool->Erheight->SetValue(10);
  const std::size_t navigations = web->navigations.size();
  tool->SpeedButton13->Click();
  EXPECT_EQ(map->Width(), 18);
  EXPECT_EQ(map->Height(), 64);
  // The viewer measures 10 x 10 and, once the resize has rested, one
  // rebuild makes a page of that size.
  EXPECT_EQ(map->gis->Width(), 10);
  EXPECT_EQ(map->gis->Height(), 10);
  clock.Advance(1500);
  EXPECT_EQ(web->navigations.size(), navigations + 1);
  EXPECT_NE(sktest::TTempDir::Read(dir / "mapg.htm").find("width: 10px; height: 10px"),
            std::string::npos);

  tool->SpeedButton12->Click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], dir / "print.bmp");
  SetShellLauncher(nullptr);

  tool->nx->SetValue(3);
  tool->ny->SetValue(-1);
  tool->SpeedButton15->Click();
  EXPECT_EQ(sktest::TTempDir::Read(dir / "tmp/ym_3_-1.bmp"),
            sktest::TTempDir::Read(dir / "image1.bmp"));
  EXPECT_EQ(sktest::TTempDir::Read(dir / "tmp/ym_3_-1.jgw"),
            "1\r\n0\r\n0\r\n-1\r\n" + tool->wleft->Text() + "\r\n" + tool->wtop->Text() + "\r\n");
  EXPECT_NE(tool->lfilename->Caption().find("ym_3_-1.bmp file created at: "), std::string::npos);
  EXPECT_EQ(double(tool->nx->Value()), 3.0);

  tool->Cstayontop->SetChecked(false);
  tool->CstayontopClick();
  EXPECT_EQ(tool->FormStyle(), TFormStyle::fsNormal);
}

TEST_F(ToolWindowTest, AUserPickRebuildsOnceAProgrammaticChoiceNever) {
  StartBoth();
  CaptureThreeTimes();
  const std::size_t navigations = web->navigations.size();
  const int emptied = map->Cltstanje->EmptiedCount();
  // Chosen by the program (a restore, say): nothing happens, even when the
  // list reports it.
  tool->SetActiveControl(nullptr);
  tool->mapPick->SetItemIndex(4);
  tool->mapPick->Perform(CN_COMMAND, MakeWParam(0, CBN_SELCHANGE), 0);
  EXPECT_EQ(web->navigations.size(), navigations);
  EXPECT_EQ(map->Capture().MapSource, "yahoo");
  // Chosen by the person: one rebuild for the selection's two changes, at
  // the web map's centre and zoom, with no position script; the focus is on
  // the zoom bar afterwards and the picker shows the choice.
  web->scripts.clear();
  UserPicks(4);
  EXPECT_EQ(web->navigations.size(), navigations + 1);
  EXPECT_EQ(map->Cltstanje->EmptiedCount(), emptied + 1);
  EXPECT_EQ(map->Capture().MapSource, "ve");
  EXPECT_EQ(map->Capture().MapType, "VEMapStyle.Aerial");
  EXPECT_TRUE(web->scripts.empty());
  const std::string page = sktest::TTempDir::Read(dir / "mapg.htm");
  EXPECT_NE(page.find("ve.type=VEMapStyle.Aerial;"), std::string::npos);
  EXPECT_NE(page.find("map.setCenter(new OpenLayers.LonLat(14, 46), 5);"), std::string::npos);
  EXPECT_EQ(tool->ActiveControl(), static_cast<TWinControl*>(tool->Egzoom));
  EXPECT_EQ(tool->mapPick->ItemIndex(), 4);
  EXPECT_TRUE(map->Capture().googleTimer().Enabled());
}

TEST_F(ToolWindowTest, StartUpRestoresTheStoredValuesThreeTimes) {
  dir.Write("skorvaplinth.ini", "[TFSkorvaplinth]\r\nelat_Value=10\r\n");
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  EXPECT_EQ(double(tool->elat->Value()), 10.0); // 1: the tool window's creation
  int restores = 1;
  tool->fs->OnRestorePlacement = [&](TPersistent*) { ++restores; };
  tool->elat->SetValue(1);
  auto fake = std::make_unique<FakeWebHost>(3, 50);
  web = fake.get();
  web->SetBounds(0, 0, 826, 643);
  web->cannedSnapshot = CodedSnapshot(6, 46, 14, 796, 613);
  map = std::make_unique<TFEarth1>(nullptr, tool.get(), Layers(), std::move(fake));
  EXPECT_EQ(restores, 2); // 2: the start page
  EXPECT_EQ(double(tool->elat->Value()), 10.0);
  tool->elat->SetValue(2);
  tool->Show();
  EXPECT_EQ(restores, 3); // 3: the first showing
  EXPECT_EQ(double(tool->elat->Value()), 10.0);
  // Neither the map window's showing nor a stay-on-top toggle restores.
  tool->elat->SetValue(3);
  map->Show();
  TestInput::Click(tool->Cstayontop, TMouseButton::mbLeft, 5, 5);
  TestInput::Click(tool->Cstayontop, TMouseButton::mbLeft, 5, 5);
  EXPECT_EQ(restores, 3);
  EXPECT_EQ(double(tool->elat->Value()), 3.0);
  map->Hide();
  tool->Hide();
}

TEST_F(ToolWindowTest, ClosingTheMapWindowOnlyHidesIt) {
  StartBoth();
  CaptureThreeTimes();
  ASSERT_TRUE(map->Visible());
  map->Close();
  EXPECT_FALSE(map->Visible());
  EXPECT_FALSE(Application()->Terminated());
  // Every command that works on the map shows it again, and capturing goes on.
  tool->SpeedButton10->Click();
  EXPECT_TRUE(map->Visible());
  const int count = map->Capture().CaptureCount();
  clock.Advance(1000);
  EXPECT_GT(map->Capture().CaptureCount(), count);
  map->Hide();
}

TEST_F(ToolWindowTest, WithoutTheStartFileAMessageAndNoMap) {
  std::remove((dir / "gmaps.htm").c_str());
  std::vector<std::string> boxes;
  {
    TBoxRecorder recorder;
    StartBoth();
    boxes = recorder.texts;
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "SDatoteka ne obstaja: gmaps.htm!");
  EXPECT_FALSE(FileExists(dir / "mapg.htm"));
  EXPECT_FALSE(map->Capture().googleTimer().Enabled());
  EXPECT_TRUE(map->Capture().BuildingPage);
}

TEST_F(ToolWindowTest, AStoreFolderThatCannotBeMadeIsReportedAndStartUpGoesOn) {
  struct TCase {
    const char* What;
    std::string Exe;     // the program's path
    bool SettingsStored; // whether the settings file can be written at the end
  };
  std::filesystem::create_directories(dir / "blocked");
  dir.Write("blocked/tmp", "a file where the store folder would be");
  const TCase cases[] = {
      {"a file in the way", dir / "blocked/skorvaplinth", true},
      {"a folder nobody may write", "/proc/skorvaplinth", false},
  };
  for (const TCase& c : cases) {
    SetExeNameForTests(c.Exe);
    TBoxRecorder recorder;
    const std::vector<std::string>& boxes = recorder.texts;
    tool = std::make_unique<TFSkorvaplinth>(nullptr);
    const std::string folder = ExtractFilePath(c.Exe);
    ASSERT_EQ(boxes.size(), 1u) << c.What;
    EXPECT_EQ(boxes[0].rfind("Exception: ", 0), 0u) << c.What;
    EXPECT_NE(boxes[0].find(folder + "tmp"), std::string::npos) << c.What;
    // The window is made all the same, with its defaults.
    EXPECT_EQ(tool->Caption(), "Skorva Plinth 1.01") << c.What;
    EXPECT_EQ(tool->eloc->Text(), folder + "tmp") << c.What;
    EXPECT_EQ(tool->Egzoom->Position(), 6) << c.What;
    // At the end the settings are stored, or the failure is reported.
    tool.reset();
    if (c.SettingsStored) {
      EXPECT_EQ(boxes.size(), 1u) << c.What;
      EXPECT_TRUE(FileExists(folder + "skorvaplinth.ini")) << c.What;
    } else {
      ASSERT_EQ(boxes.size(), 2u) << c.What;
      EXPECT_NE(boxes[1].find(folder + "skorvaplinth.ini"), std::string::npos) << c.What;
    }
  }
}

TEST_F(ToolWindowTest, AMapPageThatCannotBeWrittenIsReportedAndTheWindowsStay) {
  std::filesystem::create_directories(dir / "mapg.htm"); // no file can take its name
  std::vector<std::string> boxes;
  {
    TBoxRecorder recorder;
    StartBoth();
    boxes = recorder.texts;
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(dir / "mapg.htm"), std::string::npos) << boxes[0];
  EXPECT_EQ(map->gis->Mode(), gisDrag);
  EXPECT_FALSE(map->Capture().googleTimer().Enabled());
  clock.Advance(2000);
  EXPECT_EQ(map->Capture().CaptureCount(), 0);
}

TEST_F(ToolWindowTest, TogglingStayOnTopKeepsWhatWasTyped) {
  dir.Write("skorvaplinth.ini", "[TFSkorvaplinth]\r\nelat_Value=10\r\n");
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  tool->Show();
  tool->elat->SetValue(12.5L);
  tool->elon->SetValue(-3.25L);
  // Each toggle makes the window anew; showing it again restores nothing.
  for (bool onTop : {false, true, false}) {
    TestInput::Click(tool->Cstayontop, TMouseButton::mbLeft, 5, 5);
    ASSERT_EQ(tool->Cstayontop->Checked(), onTop);
    EXPECT_EQ(tool->FormStyle(), onTop ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
    EXPECT_TRUE(tool->Visible());
    EXPECT_EQ(double(tool->elat->Value()), 12.5);
    EXPECT_EQ(double(tool->elon->Value()), -3.25);
  }
  // Hidden and shown again, the window restores its stored state.
  tool->Hide();
  tool->Show();
  EXPECT_EQ(double(tool->elat->Value()), 10.0);
  tool->Hide();
}

TEST_F(ToolWindowTest, ClosingSavesTheStoredValues) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  tool->Show();
  tool->nx->SetValue(4);
  tool->Close();
  const std::string ini = sktest::TTempDir::Read(dir / "skorvaplinth.ini");
  EXPECT_NE(ini.find("[TFSkorvaplinth]"), std::string::npos);
  EXPECT_NE(ini.find("nx_Value=4\r\n"), std::string::npos);
}

TEST_F(ToolWindowTest, HelpOpensTheHomePage) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  std::vector<std::string> opened;
  SetShellLauncher([&](const std::string& target) {
    opened.push_back(target);
    return false; // offline: the desktop fails, quietly
  });
  tool->SpeedButton14->Click();
  // The About page's link, clicked where it lies.
  TestInput::Click(tool->OwPageControl1->Pages(4), TMouseButton::mbLeft, tool->lhome->Left() + 3,
                   tool->lhome->Top() + 3);
  SetShellLauncher(nullptr);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].rfind("https://", 0), 0u);
  EXPECT_EQ(opened[0], tool->lhome->Caption()); // the link's own text
  EXPECT_EQ(opened[1], opened[0]);
}

} // namespace
