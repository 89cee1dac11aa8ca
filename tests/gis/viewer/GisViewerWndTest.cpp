// The viewer window: wheel zoom with the deferred timer, dragging with
// scrolling, the zoom box, the paint decision, resizing, scroll bars and
// cursors, driven through messages and synthesized input.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/forms/Properties.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

class ViewerWindow : public ::testing::Test {
protected:
  /// A map of 400 x 200 units, shown at zoom 1 in the middle of the 200 x 100
  /// window.
  void Arrange() {
    layer = f.AddLayer("a", {0, 0, 400, 200}, clRed);
    v.SetBigExtentMargin(0);
    v.SetColor(clWhite);
    v.SetZoom(1);
    v.SetCenterPoint({200, 100});
    f.Pump();
  }
  TManualTimerClock clock{100000};
  TViewerForm f{200, 100};
  TGIS_ViewerWnd& v = *f.viewer;
  TTestLayer* layer = nullptr;
};

TEST_F(ViewerWindow, AWheelBurstZoomsOnceAndKeepsThePointUnderTheCursor) {
  Arrange();
  std::vector<std::pair<int, int>> busy;
  v.OnBusy = [&](void*, int pos, int end, bool&) { busy.emplace_back(pos, end); };
  int zooms = 0;
  v.OnZoomChange = [&](TPersistent*) { ++zooms; };
  const double z0 = v.Zoom();
  const TGIS_Point under = v.ScreenToMapFloat({120, 40});
  for (int i = 0; i < 3; ++i) {
    v.ZoomBy(120, 40, 3, 1.25);
    clock.Advance(200);
    EXPECT_DOUBLE_EQ(v.Zoom(), z0); // only previews so far
  }
  EXPECT_TRUE(v.ZoomTimer()->Enabled());
  clock.Advance(600);
  EXPECT_FALSE(v.ZoomTimer()->Enabled());
  EXPECT_NEAR(v.Zoom() / z0, 1.00001 * 1.25 * 1.25 * 1.25, 1e-12);
  EXPECT_EQ(v.ZoomFactor(), 1.0);
  const TGIS_Point at = v.MapToScreenFloat(under);
  EXPECT_NEAR(at.X, 120, 1);
  EXPECT_NEAR(at.Y, 40, 1);
  EXPECT_EQ(busy, (std::vector<std::pair<int, int>>{{0, 100}, {-1, -1}}));
  EXPECT_EQ(v.BusyDepth(), 0);
  f.Pump();
  EXPECT_EQ(zooms, 1);
}

TEST_F(ViewerWindow, PreviewsShowOnlyModerateFactors) {
  Arrange();
  ASSERT_EQ(f.Pixel(1, 1), kRed);
  v.ZoomBy(100, 50, 1, 0.0005); // 0.00005: no preview
  EXPECT_EQ(f.Pixel(1, 1), kRed);
  v.DeferredZoom();
  v.SetZoom(1);
  v.SetCenterPoint({200, 100});
  f.Pump();
  ASSERT_EQ(f.Pixel(1, 1), kRed);
  v.ZoomBy(100, 50, 1, 0.8); // the shrunk cache on the background colour
  EXPECT_EQ(f.Pixel(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(f.Pixel(100, 50), kRed);
  v.DeferredZoom();
}

TEST_F(ViewerWindow, AFailingDeferredZoomLeavesTheWindowUsable) {
  Arrange();
  v.SetRestrictedDrag(false);
  v.ZoomBy(50, 50, 1, 0); // factor 0: the zoom becomes 0 and scrolling then fails
  EXPECT_THROW(v.DeferredZoom(), EAssertionFailed); // what the timer would run
  EXPECT_FALSE(v.ZoomTimer()->Enabled());
  EXPECT_EQ(v.ZoomTimer()->Tag(), 0);
  EXPECT_EQ(v.BusyDepth(), 0);
  EXPECT_FALSE(v.IsLocked());
  EXPECT_EQ(v.Zoom(), 0);
  // Zooming works again.
  v.SetZoom(1);
  v.ZoomBy(50, 50, 1, 2);
  clock.Advance(600);
  EXPECT_DOUBLE_EQ(v.Zoom(), 1.00001 * 2);
}

TEST_F(ViewerWindow, DraggingScrollsTheWindowAndRepaintsOnlyTheStrip) {
  Arrange();
  layer->SetIncrementalPaint(true);
  v.SetMode(gisDrag);
  const double offX = v.OffsetX();
  const int draws = layer->Draws;
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 100, 50);
  TestInput::MouseMove(&v, 90, 50, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_DOUBLE_EQ(v.OffsetX(), offX + 10);
  f.Pump();
  ASSERT_EQ(layer->Draws, draws + 1);
  // Only the uncovered strip at the right edge was drawn.
  const TGIS_Extent strip = layer->DrawExtents.back();
  EXPECT_NEAR(strip.XMax - strip.XMin, 10, 0.5);
  EXPECT_NEAR(strip.XMax, v.GetVisibleExtent().XMax, 1e-9);
  EXPECT_EQ(f.Pixel(195, 50), kRed);
  // The full repaint waits while the mouse is held.
  clock.Advance(1000);
  EXPECT_EQ(layer->Draws, draws + 1);
  // Leaving the client area does not move the view.
  TestInput::MouseMove(&v, -5, 50, TShiftState{TShiftStateItem::ssLeft});
  TestInput::MouseMove(&v, 90, 250, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_DOUBLE_EQ(v.OffsetX(), offX + 10);
  // Resting five seconds with the button held brings the full repaint.
  clock.Advance(3900);
  EXPECT_EQ(layer->Draws, draws + 1);
  clock.Advance(600);
  ASSERT_EQ(layer->Draws, draws + 2);
  EXPECT_NEAR(layer->DrawExtents.back().XMax - layer->DrawExtents.back().XMin, 200, 1e-9);
  // The release repaints everything again.
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 90, 50);
  f.Pump();
  ASSERT_EQ(layer->Draws, draws + 3);
  const TGIS_Extent full = layer->DrawExtents.back();
  EXPECT_NEAR(full.XMax - full.XMin, 200, 1e-9);
}

TEST_F(ViewerWindow, ZoomBoxZoomsInOrOutOnlyWhenDrawn) {
  Arrange();
  v.SetMode(gisZoom);
  const double z0 = v.Zoom();
  // Smaller than 5 x 5 pixels: no band, no action.
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 10, 10);
  TestInput::MouseMove(&v, 13, 30, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_FALSE(v.BandDrawn());
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 13, 30);
  EXPECT_DOUBLE_EQ(v.Zoom(), z0);
  // Right and down: zoom in to the box.
  const TGIS_Extent box = v.ScreenToMapRect(TRect(20, 20, 120, 70));
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 20, 20);
  TestInput::MouseMove(&v, 120, 70, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_TRUE(v.BandDrawn());
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 120, 70);
  EXPECT_DOUBLE_EQ(v.Zoom(), 2 * z0);
  const TGIS_Point c = GisExtentCenter(v.GetVisibleExtent());
  EXPECT_NEAR(c.X, (box.XMin + box.XMax) / 2, 1e-9);
  EXPECT_NEAR(c.Y, (box.YMin + box.YMax) / 2, 1e-9);
  // Any other direction zooms out by the diagonal ratio.
  const double z1 = v.Zoom();
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 150, 75);
  TestInput::MouseMove(&v, 50, 25, TShiftState{TShiftStateItem::ssLeft});
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 50, 25);
  EXPECT_DOUBLE_EQ(v.Zoom(), z1 * 0.5);
}

TEST_F(ViewerWindow, ZoomExPreviewsWhileMovingAndZoomsOnRelease) {
  Arrange();
  v.SetMode(gisZoomEx);
  const double z0 = v.Zoom();
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 100, 50);
  TestInput::MouseMove(&v, 100, 60, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_DOUBLE_EQ(v.Zoom(), z0); // only the stretched cache is shown
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 100, 60);
  EXPECT_NEAR(v.Zoom() / z0, std::pow(1.1, 10), 1e-9); // (1 + 10 / 100) ^ 10
  EXPECT_EQ(v.BusyDepth(), 0);
  EXPECT_EQ(v.ZoomFactor(), 1.0);
}

TEST_F(ViewerWindow, TheRubberBandIsDrawnWithXorAndErasedExactly) {
  // Drawing outside a paint survives the window being made anew.
  v.Handle();
  v.SetScrollBars(TScrollStyle::ssVertical);
  v.SetScrollBars(TScrollStyle::ssNone);
  Arrange();
  v.SetMode(gisZoom);
  auto column = [&](int x) {
    std::vector<COLORREF> c;
    for (int y = 0; y < 100; ++y)
      c.push_back(f.Pixel(x, y));
    return c;
  };
  const std::vector<COLORREF> before[2] = {column(99), column(119)};
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 20, 20);
  TestInput::MouseMove(&v, 120, 70, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_NE(column(119), before[1]); // the first band's right edge
  TestInput::MouseMove(&v, 100, 60, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_EQ(column(119), before[1]); // erased exactly by drawing it again
  EXPECT_NE(column(99), before[0]);  // the second band shows
}

TEST_F(ViewerWindow, AResizeKeepsTheMapAreaInView) {
  Arrange();
  v.SetZoom(2);
  f.Pump();
  const TGIS_Extent before = v.GetVisibleExtent();
  v.SetBounds(0, 0, 300, 150);
  f.Pump();
  const TGIS_Extent after = v.GetVisibleExtent();
  EXPECT_NEAR(after.XMin, before.XMin, 1e-9);
  EXPECT_NEAR(after.XMax, before.XMax, 1e-9);
  EXPECT_NEAR(after.YMin, before.YMin, 1e-9);
  EXPECT_NEAR(after.YMax, before.YMax, 1e-9);
  EXPECT_DOUBLE_EQ(v.Zoom(), 3);
}

TEST_F(ViewerWindow, PaintsAreIncrementalOnlyAfterAMoveAtTheSameZoom) {
  Arrange();
  layer->SetIncrementalPaint(true);
  const int draws = layer->Draws;
  // An erase after a move at the same zoom: incremental, then the timer
  // brings the full paint.
  int mx = 20, my = 0;
  v.DragPixels(mx, my);
  InvalidateRect(v.Handle(), nullptr, true);
  UpdateWindow(v.Handle());
  EXPECT_EQ(layer->Draws, draws + 1);
  EXPECT_TRUE(v.FullRepaintTimer()->Enabled());
  clock.Advance(300);
  EXPECT_EQ(layer->Draws, draws + 2);
  EXPECT_FALSE(v.FullRepaintTimer()->Enabled());
  // An erase without a move: a full paint at once, no timer.
  InvalidateRect(v.Handle(), nullptr, true);
  UpdateWindow(v.Handle());
  EXPECT_FALSE(v.FullRepaintTimer()->Enabled());
  // A move together with a zoom change: a full paint of the whole new view.
  const int before = layer->Draws;
  v.SetZoom(2);
  InvalidateRect(v.Handle(), nullptr, true);
  UpdateWindow(v.Handle());
  ASSERT_EQ(layer->Draws, before + 1);
  EXPECT_FALSE(v.FullRepaintTimer()->Enabled());
  const TGIS_Extent drawn = layer->DrawExtents.back();
  EXPECT_NEAR(drawn.XMax - drawn.XMin, 100, 1e-9);
}

TEST_F(ViewerWindow, ScrollBarsFollowTheViewAndNeedRestrictedDrag) {
  TViewerForm g(200, 100, true);
  TGIS_ViewerWnd& w = *g.viewer;
  g.AddLayer("a", {0, 0, 4000, 2000}, clRed);
  w.SetBigExtentMargin(0);
  w.SetZoom(1);
  HWND h = w.Handle();
  EXPECT_TRUE(IsScrollBarEnabled(h, SB_HORZ));
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(h, SB_HORZ, &info);
  EXPECT_EQ(info.nMax, 15000);
  EXPECT_EQ(info.nPage, 600u);
  // A thumb within 4.2% of the end snaps to the end.
  SendMessage(h, WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 14500), 0);
  EXPECT_NEAR(w.OffsetX(), 4000 - w.ClientWidth(), 1e-9);
  SendMessage(h, WM_HSCROLL, MakeWParam(SB_LINEUP, 0), 0);
  EXPECT_NEAR(w.OffsetX(), 4000 - w.ClientWidth() - w.ClientWidth() / 10.0, 1);
  w.SetRestrictedDrag(false);
  w.UpdateScrollBars();
  EXPECT_FALSE(IsScrollBarEnabled(h, SB_HORZ));
  EXPECT_FALSE(IsScrollBarEnabled(h, SB_VERT));
}

TEST_F(ViewerWindow, ModesSetTheirCursors) {
  struct Row {
    TGIS_ViewerMode mode;
    TCursor cursor;
  };
  const Row rows[] = {{gisSelect, crGisSelect},
                      {gisDrag, crGisDrag},
                      {gisZoom, crGisZoom},
                      {gisZoomEx, crGisZoom},
                      {gisEdit, crGisEdit}};
  for (const Row& r : rows) {
    v.SetMode(r.mode);
    EXPECT_EQ(v.Cursor(), r.cursor) << int(r.mode);
  }
  v.SetMode(gisDrag);
  v.SetCursorForDrag(crCross);
  EXPECT_EQ(v.Cursor(), crCross);
  v.SetMode(gisUserDefined);
  EXPECT_EQ(v.Cursor(), crCross); // left as it was
  // The mode cursors are the program's artwork.
  const std::pair<TCursor, const char*> artwork[] = {{crGisDrag, "HANDGRAB"},
                                                     {crGisSelect, "HANDPNT"},
                                                     {crGisZoom, "HANDZOOM"},
                                                     {crGisEdit, "HANDEDIT"}};
  for (const auto& [cursor, name] : artwork) {
    EXPECT_NE(Screen()->Cursors(cursor), HCURSOR(0)) << name;
    EXPECT_EQ(Screen()->Cursors(cursor), LoadCursorResource(name)) << name;
  }
}

TEST_F(ViewerWindow, PublishedPropertiesAreReadAndWrittenByName) {
  v.SetName("gis");
  SetComponentProp(*f.form, "gis.Mode", TPropValue(int(gisDrag)));
  EXPECT_EQ(v.Mode(), gisDrag);
  EXPECT_EQ(v.Cursor(), crGisDrag);
  SetComponentProp(*f.form, "gis.RestrictedDrag", TPropValue(false));
  EXPECT_FALSE(v.RestrictedDrag());
  SetComponentProp(*f.form, "gis.PrintTitle", TPropValue("Roads"));
  EXPECT_EQ(v.PrintTitle, "Roads");
  SetComponentProp(*f.form, "gis.PrinterTileSize", TPropValue(5));
  EXPECT_EQ(GetComponentProp(*f.form, "gis.PrinterTileSize").AsInteger(), 128);
  EXPECT_EQ(GetComponentProp(*f.form, "gis.ModeMouseButton").AsInteger(), 0);
  EXPECT_EQ(GetComponentPropText(*f.form, "gis.Mode"), "gisDrag");
}

TEST_F(ViewerWindow, TheRightModeButtonKeepsTheContextMenuShut) {
  Arrange();
  int menus = 0;
  TWndMethod previous = f.form->WindowProc;
  f.form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_CONTEXTMENU) ++menus;
    previous(m);
  };
  TestInput::Click(&v, TMouseButton::mbRight, 50, 50);
  EXPECT_EQ(menus, 1); // passed up to the form as usual
  v.SetModeMouseButton(TMouseButton::mbRight);
  v.SetMode(gisDrag);
  TestInput::Click(&v, TMouseButton::mbRight, 50, 50);
  EXPECT_EQ(menus, 1);
  f.form->WindowProc = previous;
}

TEST_F(ViewerWindow, MouseInputIsIgnoredWhileBusy) {
  Arrange();
  v.SetMode(gisDrag);
  const double offX = v.OffsetX();
  v.BusyPrepare(&v);
  TestInput::MouseDown(&v, TMouseButton::mbLeft, 100, 50);
  TestInput::MouseMove(&v, 50, 50, TShiftState{TShiftStateItem::ssLeft});
  TestInput::MouseUp(&v, TMouseButton::mbLeft, 50, 50);
  v.BusyRelease(&v);
  EXPECT_DOUBLE_EQ(v.OffsetX(), offX);
}

} // namespace
