// The program used as a person uses it, through the input events of its own
// windows: the map source picker by mouse and by keyboard, positions beyond
// what the page shows, the viewer's context menu, the window order, the
// read-outs of large values, and a program folder nobody may write.
#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "app/Readouts.h"
#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "controls/ImagePicker.h"
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
#include "controls/OwPaintUtil.h"
#include "controls/zq/zqCheckCtrls.h"
#include "formstate/NumericEdits.h"
#include "formstate/Placement.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Clipboard.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"
#include "tests/app/ProgramWindows.h"
#include "tests/support/QtInput.h"
#include "tests/support/ScreenOverride.h"

#include <gtest/gtest.h>

#include <QWheelEvent>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

namespace {

using namespace apptest;

struct ProgramUseTest : ProgramWindows {
  /// Both windows shown, the map captured three times.
  void StartShown() {
    StartBoth();
    tool->Show();
    CaptureThreeTimes();
  }
  /// Turns the clock until `done` (at most 5 s of it).
  bool TurnUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i)
      clock.Advance(10);
    return done();
  }
  std::string Jgw(int line) {
    TStringList lines;
    lines.LoadFromFile(dir / "image1.jgw");
    return lines.Count() > line ? lines[line] : std::string();
  }
  int ListItemY(int i) {
    const int h = int(tool->mapPick->Perform(CB_GETITEMHEIGHT, 0, 0));
    return 1 + i * h + h / 2;
  }
  bool ListShown() {
    QWidget* w = tool->mapPick->ListWindow()->Widget();
    return w != nullptr && w->isVisible();
  }
};

// ---- the map source ----------------------------------------------------------------

TEST_F(ProgramUseTest, TheSourceChangesByMouse) {
  StartShown();
  const std::size_t navigations = web->navigations.size();
  // A click on the field opens the list (a window of its own, shown); a
  // click on an item closes it and rebuilds the page with that source.
  sktest::QtClick(tool->mapPick, 20, 8);
  ASSERT_TRUE(tool->mapPick->DroppedDown());
  EXPECT_TRUE(ListShown());
  sktest::QtClick(tool->mapPick->ListWindow(), 20, ListItemY(3));
  EXPECT_FALSE(tool->mapPick->DroppedDown());
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(tool->mapPick->ItemIndex(), 3);
  EXPECT_EQ(map->Capture().MapSource, "ve");
  EXPECT_EQ(map->Capture().MapType, "VEMapStyle.Road");
  EXPECT_EQ(web->navigations.size(), navigations + 1);
  EXPECT_NE(sktest::TTempDir::Read(dir / "mapg.htm").find("ve.type=VEMapStyle.Road;"),
            std::string::npos);
  // The arrow opens the list as well.
  sktest::QtClick(tool->mapPick, tool->mapPick->Width() - 6, 8);
  EXPECT_TRUE(ListShown());
  sktest::QtClick(tool->mapPick->ListWindow(), 20, ListItemY(7));
  EXPECT_EQ(map->Capture().MapType, "YAHOO_MAP_SAT");
  EXPECT_EQ(web->navigations.size(), navigations + 2);
  map->Hide();
  tool->Hide();
}

TEST_F(ProgramUseTest, TheSourceChangesByKeyboard) {
  StartShown();
  struct TRow {
    const char* What;
    std::function<void(TImagePicker*)> Keys;
    int Index; // the source afterwards
  };
  const TRow rows[] = {
      {"F4 opens, Down chooses",
       [](TImagePicker* p) {
         sktest::QtKey(p, Qt::Key_F4);
         EXPECT_TRUE(p->DroppedDown());
         sktest::QtKey(p, Qt::Key_Down);
       },
       1},
      {"Alt+Down opens, Down chooses",
       [](TImagePicker* p) {
         sktest::QtKey(p, Qt::Key_Down, Qt::AltModifier);
         EXPECT_TRUE(p->DroppedDown());
         sktest::QtKey(p, Qt::Key_Down);
       },
       2},
      {"Down on the closed field", [](TImagePicker* p) { sktest::QtKey(p, Qt::Key_Down); }, 3},
      {"a typed letter", [](TImagePicker* p) { sktest::QtType(p, "y"); }, 6},
      {"End", [](TImagePicker* p) { sktest::QtKey(p, Qt::Key_End); }, 8},
      {"Home", [](TImagePicker* p) { sktest::QtKey(p, Qt::Key_Home); }, 0},
  };
  for (const TRow& row : rows) {
    const std::size_t navigations = web->navigations.size();
    tool->mapPick->SetFocus();
    row.Keys(tool->mapPick);
    const TMapSourceRow& source = MapSourceRows()[std::size_t(row.Index)];
    EXPECT_EQ(tool->mapPick->ItemIndex(), row.Index) << row.What;
    EXPECT_EQ(map->Capture().MapType, source.MapType) << row.What;
    EXPECT_EQ(web->navigations.size(), navigations + 1) << row.What;
    // The choice made, the focus is on the zoom bar and no list is left open.
    EXPECT_FALSE(ListShown()) << row.What;
    EXPECT_NE(sktest::TTempDir::Read(dir / "mapg.htm").find(std::string(source.Source) + ".type=" +
                                                            source.MapType + ";"),
              std::string::npos)
        << row.What;
  }
  // Escape closes an open list and changes nothing.
  tool->mapPick->SetFocus();
  const std::size_t navigations = web->navigations.size();
  sktest::QtKey(tool->mapPick, Qt::Key_F4);
  EXPECT_TRUE(ListShown());
  sktest::QtKey(tool->mapPick, Qt::Key_Escape);
  EXPECT_FALSE(ListShown());
  EXPECT_EQ(web->navigations.size(), navigations);
  map->Hide();
  tool->Hide();
}

// ---- positions beyond the page -------------------------------------------------------

/// The page's position as the last script sent it.
struct TSent {
  double Lon = 0, Lat = 0;
  int Zoom = 0;
};

TSent LastSent(const FakeWebHost& web) {
  TSent s;
  if (web.scripts.empty()) return s;
  std::sscanf(web.scripts.back().c_str(), "map.setCenter(new OpenLayers.LonLat(%lf, %lf), %d );",
              &s.Lon, &s.Lat, &s.Zoom);
  return s;
}

/// The top-left global pixel of a W x H capture around (lat, lon) at a zoom,
/// computed here on its own.
std::pair<double, double> TopLeftOf(double lat, double lon, int zoom, int w, int h) {
  const double size = 256.0 * std::ldexp(1.0, zoom);
  const double x = (lon + 180.0) / 360.0 * size;
  const double y = (0.5 - std::log(std::tan(std::numbers::pi / 4 + lat * std::numbers::pi / 360)) /
                              (2 * std::numbers::pi)) *
                   size;
  return {x - w / 2.0, y - h / 2.0};
}

TEST_F(ProgramUseTest, EveryWorldFileDescribesThePositionThePageShows) {
  StartShown();
  TSpeedButton* apply = tool->SpeedButton10;
  auto clickApply = [&] {
    sktest::QtClick(static_cast<TWinControl*>(apply->Parent()), apply->Left() + 5,
                    apply->Top() + 5);
  };
  TSpeedButton* east = tool->SpeedButton1;
  auto stepEast = [&] {
    sktest::QtClick(static_cast<TWinControl*>(east->Parent()), east->Left() + 5, east->Top() + 5);
  };
  auto wheel = [&](int delta, int notches) {
    QWidget* w = sktest::WidgetOf(map->gis);
    for (int i = 0; i < notches; ++i) {
      QWheelEvent e(QPointF(398, 306), w->mapToGlobal(QPointF(398, 306)), QPoint(),
                    QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(w, &e);
    }
  };
  struct TRow {
    const char* What;
    std::function<void()> Act;
  };
  const TRow rows[] = {
      {"longitude 200 applied",
       [&] {
         tool->elat->SetValue(46);
         tool->elon->SetValue(200);
         clickApply();
       }},
      {"latitude -91 applied",
       [&] {
         tool->elat->SetValue(-91);
         tool->elon->SetValue(14);
         clickApply();
       }},
      {"latitude 90 applied",
       [&] {
         tool->elat->SetValue(90);
         clickApply();
       }},
      {"sixteen steps east at zoom 6",
       [&] {
         tool->elat->SetValue(46);
         tool->elon->SetValue(170);
         clickApply();
         for (int i = 0; i < 16; ++i) {
           TurnUntil([&] { return map->Capture().Readouts.Width > 0; });
           stepEast();
           clock.Advance(400);
         }
       }},
      {"wheel in past the last level",
       [&] {
         map->Capture().MapZoom = 22; // reached by earlier wheel turns
         clickApply();
         clock.Advance(400);
         wheel(-120, 6);
       }},
      {"wheel out past level 0",
       [&] {
         map->Capture().MapZoom = 0;
         clickApply();
         clock.Advance(400);
         wheel(120, 3);
       }},
  };
  for (const TRow& row : rows) {
    row.Act();
    clock.Advance(1500);
    const TSent sent = LastSent(*web);
    // The page was sent a position it shows ...
    EXPECT_GE(sent.Lon, -180) << row.What;
    EXPECT_LT(sent.Lon, 180) << row.What;
    EXPECT_LE(std::abs(sent.Lat), 85.0511287798066) << row.What;
    EXPECT_GE(sent.Zoom, 0) << row.What;
    EXPECT_LE(sent.Zoom, 22) << row.What;
    EXPECT_EQ(map->Capture().MapZoom, sent.Zoom) << row.What;
    // ... and the next capture's world file names it.
    const auto expected = TopLeftOf(sent.Lat, sent.Lon, sent.Zoom, 796, 613);
    auto near = [](const std::string& text, double want) {
      double value = 0;
      return TryStrToFloat(text, value) &&
             std::abs(value - want) <= 1e-9 * std::max(1.0, std::abs(want));
    };
    const bool described =
        TurnUntil([&] { return near(Jgw(4), expected.first) && near(Jgw(5), expected.second); });
    EXPECT_TRUE(described) << row.What << ": " << Jgw(4) << " " << Jgw(5) << " for "
                           << web->scripts.back();
    // The read-outs show the bounded position, never an infinity.
    TurnUntil([&] { return false; });
    for (TEdit* e : {tool->cleft, tool->ctop, tool->cleft1, tool->ctop1, tool->wleft, tool->wtop,
                     tool->rleft, tool->rtop})
      EXPECT_EQ(e->Text().find("INF"), std::string::npos) << row.What << " " << e->Name();
    EXPECT_EQ(tool->cleft->Text(), FormatDegreesReadout(map->Capture().MapLat)) << row.What;
    EXPECT_EQ(map->ezoom->Caption(), IntToStr(sent.Zoom)) << row.What;
  }
  // The typed position was brought onto the page: the edits say where.
  tool->elat->SetValue(46);
  tool->elon->SetValue(200);
  clickApply();
  EXPECT_EQ(double(tool->elon->Value()), -160.0);
  map->Hide();
  tool->Hide();
}

// ---- the viewer's context menu ---------------------------------------------------------

TEST_F(ProgramUseTest, TheContextMenuWorksWithTheMouse) {
  StartShown();
  map->Show();
  struct TSeen {
    int hot = -1;
    TPoint at;
  } seen;
  int opened = 0;
  const TPoint pointer(300, 200);
  SetMenuWindowHook([&](TMenuWindow* w) {
    ++opened;
    seen.at = TPoint(w->Left(), w->Top());
    const TRect second = w->ItemRect(1);
    // The pointer over the second item highlights it; a click runs it.
    sktest::QtMove(w, second.Left + 10, second.Top + 3);
    seen.hot = w->HotIndex();
    sktest::QtPress(w, second.Left + 10, second.Top + 3);
    sktest::QtRelease(w, second.Left + 10, second.Top + 3);
  });
  Clipboard()->SetAsText("before");
  // A right click in the viewer (the mouse moved there first).
  sktest::QtMove(map->gis, pointer.x, pointer.y);
  sktest::QtPress(map->gis, pointer.x, pointer.y, Qt::RightButton);
  sktest::QtRelease(map->gis, pointer.x, pointer.y, Qt::RightButton);
  SetMenuWindowHook(nullptr);
  ASSERT_EQ(opened, 1);
  EXPECT_EQ(seen.hot, 1);
  // The menu opened at the pointer on the screen (less the styled menu's
  // own shift of one pixel left and two up).
  const QPoint screen = map->gis->Widget()->mapToGlobal(QPoint(pointer.x, pointer.y));
  EXPECT_EQ(seen.at, TPoint(screen.x() - 1, screen.y() - 2));
  EXPECT_EQ(Clipboard()->AsText(), FormatClipboardPair(map->Capture().CursorPixel.X,
                                                       map->Capture().CursorPixel.Y));
  map->Hide();
  tool->Hide();
}

// ---- window order without a window manager ---------------------------------------------

/// The order of the windows on the screen as a display without a window
/// manager keeps it: a window raised goes to the top of the stack; showing
/// one again leaves it where it was.
struct TScreenStack : QObject {
  std::vector<QWidget*> raised; // the last raised last
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::ZOrderChange) {
      auto* w = static_cast<QWidget*>(watched);
      raised.erase(std::remove(raised.begin(), raised.end(), w), raised.end());
      raised.push_back(w);
    }
    return false;
  }
  void Watch(TForm* f) { f->Widget()->installEventFilter(this); }
  bool Above(TForm* a, TForm* b) const {
    const auto ia = std::find(raised.begin(), raised.end(), a->Widget());
    const auto ib = std::find(raised.begin(), raised.end(), b->Widget());
    return ia != raised.end() && (ib == raised.end() || ia > ib);
  }
};

TEST_F(ProgramUseTest, TheToolWindowStaysOnTopAfterToggling) {
  StartShown();
  TScreenStack stack;
  stack.Watch(tool.get());
  stack.Watch(map.get());
  map->Show();
  ASSERT_TRUE(stack.Above(tool.get(), map.get()));
  // "Stay on top" off: the map window comes over the tool window ...
  tool->OwPageControl1->SetActivePage(tool->OwPageControl1->Pages(3));
  sktest::QtClick(tool->Cstayontop, 5, 5);
  ASSERT_FALSE(tool->Cstayontop->Checked());
  map->Show();
  EXPECT_TRUE(stack.Above(map.get(), tool.get()));
  // ... and on again, the tool window is over it at once and stays there.
  sktest::QtClick(tool->Cstayontop, 5, 5);
  ASSERT_TRUE(tool->Cstayontop->Checked());
  EXPECT_TRUE(stack.Above(tool.get(), map.get()));
  map->Show();
  EXPECT_TRUE(stack.Above(tool.get(), map.get()));
  map->Hide();
  tool->Hide();
}

TEST_F(ProgramUseTest, WithoutTheStartFileTheToolWindowStaysOnTop) {
  std::remove((dir / "gmaps.htm").c_str());
  {
    TBoxRecorder recorder;
    StartBoth();
  }
  tool->Show();
  TScreenStack stack;
  stack.Watch(tool.get());
  map->HandleNeeded();
  stack.Watch(map.get());
  // A command that works on the map shows it.
  sktest::QtClick(tool->Panel1, 500, 30);
  EXPECT_TRUE(map->Visible());
  EXPECT_TRUE(stack.Above(tool.get(), map.get()));
  map->Hide();
  tool->Hide();
}

// ---- cosmetics -------------------------------------------------------------------------

TEST_F(ProgramUseTest, ReadoutEditsHoldTheLargestValues) {
  tool = std::make_unique<TFSkorvaplinth>(nullptr);
  tool->Show();
  // The largest global pixel of the page's last level ("ve" counts one
  // more), and degrees.
  struct TRow {
    TEdit* Edit;
    std::string Text;
  };
  const TRow rows[] = {{tool->utmleft1, FormatPixelReadout(2147483647.999L)},
                       {tool->utmbottom1, FormatPixelReadout(2147483647.999L)},
                       {tool->rtop, FormatDegreesReadout(-179.99999L)},
                       {tool->cleft, FormatDegreesReadout(-85.05113L)}};
  for (const TRow& row : rows) {
    row.Edit->SetText(row.Text);
    int w = 0, h = 0;
    MeasureTextInFont(*row.Edit->Font(), row.Text, w, h);
    // The text and the edit's margins fit in its client area.
    EXPECT_LE(w + 4, row.Edit->ClientWidth()) << row.Edit->Name() << " " << row.Text;
  }
  tool->Hide();
}

TEST_F(ProgramUseTest, AnUnwritableFolderNamesTheMapPage) {
  StartShown();
  // The page cannot be written (its temporary file has no room).
  std::filesystem::create_directories(dir / "mapg.htm.new");
  std::vector<std::string> boxes;
  {
    TBoxRecorder recorder;
    tool->mapPick->SetFocus();
    sktest::QtKey(tool->mapPick, Qt::Key_Down); // another source: the page is rebuilt
    boxes = recorder.texts;
  }
  std::filesystem::remove_all(dir / "mapg.htm.new");
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes[0].find(dir / "mapg.htm"), std::string::npos) << boxes[0];
  EXPECT_EQ(boxes[0].find("mapg.htm.new"), std::string::npos) << boxes[0];
  map->Hide();
  tool->Hide();
}

} // namespace

namespace {

TEST_F(ProgramUseTest, SettingsFromALargerScreenKeepTheToolWindowOnThisOne) {
  const sktest::TScreenOverride screen(1280, 1024);
  struct TRow {
    const char* What;
    const char* NormPos;
    TPoint At;
  } rows[] = {
      {"saved on a 2560 x 1440 screen", "1800,323,2429,666", TPoint(651, 323)},
      {"damaged", "-5000,-5000,-4371,-4657", TPoint(0, 0)},
  };
  for (const TRow& row : rows) {
    dir.Write("skorvaplinth.ini", std::string("[TFSkorvaplinth]\r\nPixelsPerInch=") +
                                      IntToStr(Screen()->PixelsPerInch()) + "\r\nNormPos=" +
                                      row.NormPos + "\r\n");
    tool = std::make_unique<TFSkorvaplinth>(nullptr);
    tool->Show();
    EXPECT_EQ(TPoint(tool->Left(), tool->Top()), row.At) << row.What;
    // Closing stores the visible position.
    tool->fs->SaveState();
    EXPECT_NE(sktest::TTempDir::Read(dir / "skorvaplinth.ini")
                  .find("NormPos=" + IntToStr(row.At.x) + "," + IntToStr(row.At.y) + ","),
              std::string::npos)
        << row.What;
    tool->Hide();
    tool.reset();
  }
}

} // namespace
