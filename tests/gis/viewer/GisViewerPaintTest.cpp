// The paint pipeline: the cache, events, failing layers, Esc, blending,
// overlays and the selection.
#include <gtest/gtest.h>

#include "platform/rtl/Ticks.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

class ViewerPaint : public ::testing::Test {
protected:
  /// Fills the whole window at zoom 1: the map (0, 0, 200, 100) is the
  /// window's 200 x 100 pixels.
  TTestLayer* Fill(const std::string& name, TColor color, TGIS_Extent fill = {1, 1, -1, -1}) {
    return f.AddLayer(name, {0, 0, 200, 100}, color, fill);
  }
  void ShowAll() {
    v.SetBigExtentMargin(0);
    v.SetColor(clWhite);
    v.SetZoom(1);
  }
  /// The layer marks `rect` (pixels) as selected each time it draws, as a
  /// vector layer does for its selected shapes.
  static void SelectWhileDrawing(TTestLayer* layer, TRect rect) {
    layer->DuringDraw = [rect](TTestLayer* l) {
      TGIS_GDI* gdi = l->Viewer()->GetGDI();
      HGDIOBJ r = gdi->CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom);
      gdi->AddSelectionRegion(false, r, true);
      gdi->DeleteObject(r);
    };
  }
  /// An 8 x 8 white tile with a blue top-left pixel becomes the background.
  void UseDotTile() {
    TBitmap tile(8, 8, pf24bit);
    tile.Canvas()->Brush()->SetColor(clWhite);
    tile.Canvas()->FillRect(TRect(0, 0, 8, 8));
    tile.Canvas()->SetPixels(0, 0, clBlue);
    v.SetTilePicture(&tile);
    ASSERT_NE(v.TilePicture(), &tile); // a copy: the caller keeps its bitmap
  }
  /// A full paint through the window's paint message.
  void PaintNow() {
    InvalidateRect(v.Handle(), nullptr, false);
    UpdateWindow(v.Handle());
  }
  TViewerForm f{200, 100};
  TGIS_ViewerWnd& v = *f.viewer;
};

TEST_F(ViewerPaint, LayersDrawIntoTheCacheAndTheWindow) {
  Fill("bottom", clRed, {0, 0, 100, 100});
  Fill("top", clBlue, {50, 0, 150, 50});
  ShowAll();
  PaintNow();
  EXPECT_EQ(f.Pixel(10, 90), kRed);
  EXPECT_EQ(f.Pixel(60, 10), kRed);
  EXPECT_EQ(f.Pixel(60, 60), RGB(0, 0, 255)); // the upper layer wins
  EXPECT_EQ(f.Pixel(180, 90), kWhite);
  TBitmap* cache = v.GetCacheBitmap();
  ASSERT_EQ(cache->Width(), 200);
  EXPECT_EQ(cache->PixelFormat(), pf24bit);
  EXPECT_EQ(BitmapPixel(*cache, 10, 90), kRed);
}

TEST_F(ViewerPaint, ACachedPaintWithoutMovementRedrawsNoCachedLayer) {
  auto* cached = Fill("cached", clRed);
  auto* live = Fill("live", clBlue, {0, 0, 10, 10});
  live->SetCachedPaint(false);
  ShowAll();
  PaintNow();
  const int cachedDraws = cached->Draws, liveDraws = live->Draws;
  EXPECT_GE(cachedDraws, 1);
  PaintNow();
  EXPECT_EQ(cached->Draws, cachedDraws); // the cache is copied
  EXPECT_EQ(live->Draws, liveDraws + 1); // layers above the cached ones draw again
  EXPECT_EQ(f.Pixel(5, 95), RGB(0, 0, 255));
  v.DropCache();
  PaintNow();
  EXPECT_EQ(cached->Draws, cachedDraws + 1);
  v.SetOffsets(v.OffsetX() + 1, v.OffsetY());
  PaintNow();
  EXPECT_EQ(cached->Draws, cachedDraws + 2);
}

TEST_F(ViewerPaint, EventsComeInOrderAndNotForAnEmptyTarget) {
  Fill("a", clRed);
  ShowAll();
  std::vector<std::string> log;
  v.OnZoomChange = [&](TPersistent*) { log.push_back("zoom"); };
  v.OnVisibleExtentChange = [&](TPersistent*) { log.push_back("extent"); };
  v.OnBeforePaint = [&](TPersistent*) { log.push_back("before"); };
  v.OnAfterPaint = [&](TPersistent*) { log.push_back("after"); };
  PaintNow();
  EXPECT_EQ(log, (std::vector<std::string>{"before", "after"}));
  log.clear();
  v.SetZoom(2); // repaints at once; the extent moved too, but only the zoom is told
  PaintNow();
  EXPECT_EQ(log, (std::vector<std::string>{"zoom", "before", "after", "before", "after"}));
  log.clear();
  v.SetOffsets(v.OffsetX() + 5, v.OffsetY());
  PaintNow();
  EXPECT_EQ(log, (std::vector<std::string>{"extent", "before", "after"}));
  v.SetBounds(0, 0, 0, 100);
  log.clear();
  v.PaintAll();
  EXPECT_TRUE(log.empty());
}

TEST_F(ViewerPaint, AFailingLayerTurnsInactiveAndTheSelectionIsStillDrawn) {
  auto* good = Fill("good", clRed);
  auto* bad = Fill("bad", clBlue);
  ShowAll();
  bad->ThrowOnDraw = true;
  v.SetSelectionColor(clGreen);
  SelectWhileDrawing(good, TRect(0, 0, 20, 20));
  v.DropCache();
  const double offX = v.OffsetX();
  EXPECT_THROW(v.PaintAll(), EGIS_Exception);
  EXPECT_FALSE(bad->Active());
  EXPECT_TRUE(good->Active());
  EXPECT_FALSE(v.IsPainting());
  EXPECT_EQ(v.OffsetX(), offX);
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 5, 5), RGB(0, 128, 0)); // the selection
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 50, 50), kRed);
  v.DropCache();
  EXPECT_NO_THROW(v.PaintAll()); // the inactive layer is skipped
}

TEST_F(ViewerPaint, EscDuringTheSecondOfFiveLayersStopsAfterIt) {
  TManualClock clock(1000);
  std::vector<TTestLayer*> layers;
  for (char c = '0'; c < '5'; ++c)
    layers.push_back(Fill(std::string("L") + c, clRed));
  ShowAll();
  std::vector<int> before;
  for (auto* l : layers)
    before.push_back(l->Draws);
  v.KeyPoll = [](HWND) { return true; }; // Esc is waiting
  layers[1]->DuringDraw = [&](TTestLayer*) { clock.Advance(1500); };
  v.DropCache();
  v.HourglassPrepare();
  v.PaintAll();
  v.HourglassRelease();
  std::vector<int> drawn;
  for (size_t i = 0; i < layers.size(); ++i)
    drawn.push_back(layers[i]->Draws - before[i]);
  EXPECT_EQ(drawn, (std::vector<int>{1, 1, 0, 0, 0}));
}

TEST_F(ViewerPaint, ALongPaintShowsItsPartialPictureEverySecond) {
  TManualClock clock(1000);
  auto* first = Fill("first", clRed, {0, 0, 100, 100});
  auto* second = Fill("second", clBlue, {100, 0, 200, 100});
  v.SetColor(clWhite);
  ShowAll();
  v.SetColor(clYellow);
  int polls = 0;
  v.KeyPoll = [&](HWND) {
    ++polls;
    return false;
  };
  COLORREF seenLeft = 0, seenRight = 0;
  first->DuringDraw = [&](TTestLayer*) { clock.Advance(1100); };
  second->DuringDraw = [&](TTestLayer*) {
    seenLeft = f.Pixel(50, 50);   // flushed after the first layer
    seenRight = f.Pixel(150, 50); // still the background at the flush
  };
  v.DropCache();
  PaintNow();
  EXPECT_EQ(polls, 1);
  EXPECT_EQ(seenLeft, kRed);
  EXPECT_EQ(seenRight, RGB(255, 255, 0));
  EXPECT_EQ(f.Pixel(150, 50), RGB(0, 0, 255));
}

TEST_F(ViewerPaint, TheParentColourBecomesTheBackground) {
  Fill("a", clRed, {0, 0, 10, 10});
  ShowAll();
  f.form->SetColor(TColor(RGB(10, 20, 30)));
  v.SetParentColor(true);
  EXPECT_EQ(v.Color(), TColor(RGB(10, 20, 30)));
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 150, 50), RGB(10, 20, 30));
}

TEST_F(ViewerPaint, ANestedPaintKeepsTheOuterFrozenExtent) {
  auto* a = Fill("a", clRed);
  ShowAll();
  const int before = a->Draws;
  const TGIS_Extent frozen = v.GetVisibleExtent();
  bool inner = false;
  a->DuringDraw = [&](TTestLayer*) {
    if (inner) return;
    inner = true;
    v.SetOffsets(v.OffsetX() + 50, v.OffsetY());
    v.PaintAll(); // does nothing
    EXPECT_TRUE(GisIsSameExtent(v.GetVisibleExtent(), frozen));
  };
  v.DropCache();
  v.PaintAll();
  EXPECT_EQ(a->Draws, before + 1);
  EXPECT_TRUE(GisIsSameExtent(a->DrawExtents.back(), frozen));
}

TEST_F(ViewerPaint, LabelsOnTopComeAfterAllLayersOrThroughTheOverlays) {
  std::vector<std::string> log;
  auto* a = Fill("a", clRed, {0, 0, 100, 100});
  auto* b = Fill("b", clBlue, {0, 0, 200, 100});
  auto* c = Fill("c", clBlue, {150, 0, 160, 10});
  c->SetLabelsOnTop(false);
  for (auto* l : {a, b, c})
    l->Log = &log;
  ShowAll();
  // Into a device context no overlays are used: charts, then labels, after
  // all layers; a layer without LabelsOnTop draws its own right after itself.
  log.clear();
  TBitmap out(200, 100, pf24bit);
  v.RenderToBitmap(&out);
  EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b", "draw c", "charts c", "labels c",
                                           "charts a", "charts b", "labels a", "labels b"}));
  // In the window cache, layer a puts a label into the labels overlay; it is
  // merged over the upper layer b.
  a->DuringDraw = [](TTestLayer* l) {
    TGIS_Viewer* viewer = l->Viewer();
    ASSERT_TRUE(viewer->OverlaysInUse());
    const std::uint8_t previous = viewer->SwitchToLabelsOverlay();
    TGIS_GDI* gdi = viewer->GetGDI();
    gdi->Brush()->SetColor(clLime);
    gdi->FillRect(TRect(0, 0, 20, 20));
    viewer->RestoreTarget(previous);
  };
  log.clear();
  v.DropCache();
  PaintNow();
  EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b", "draw c", "charts c", "labels c"}));
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 10, 10), RGB(0, 255, 0));
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 30, 30), RGB(0, 0, 255));
  for (auto* l : {a, b, c})
    l->Log = nullptr; // the log goes before the layers
}

TEST_F(ViewerPaint, ATiledBackgroundStaysGluedToTheMap) {
  Fill("a", clRed, {1000, 1000, 1001, 1001});
  ShowAll();
  UseDotTile();
  EXPECT_EQ(v.TilePicture()->Width(), 8);
  v.SetRestrictedDrag(false);
  PaintNow();
  auto blueAt = [&](int x, int y) {
    return BitmapPixel(*v.GetCacheBitmap(), x, y) == RGB(0, 0, 255);
  };
  int firstX = -1;
  for (int x = 0; x < 8 && firstX < 0; ++x)
    for (int y = 0; y < 8; ++y)
      if (blueAt(x, y)) firstX = x;
  ASSERT_GE(firstX, 0);
  int mx = 3, my = 0;
  v.DragPixels(mx, my);
  ASSERT_EQ(mx, 3);
  PaintNow();
  int movedX = -1;
  for (int x = 0; x < 8 && movedX < 0; ++x)
    for (int y = 0; y < 8; ++y)
      if (blueAt(x, y)) movedX = x;
  EXPECT_EQ(movedX, (firstX - 3 + 8) % 8); // moved with the map
}

// ---------------------------------------------------------------- blending

TEST_F(ViewerPaint, TransparencyAndAdditionBlendOnlyDrawnPixels) {
  struct Row {
    const char* name;
    TColor background;
    TColor layer;
    int transparency, addition;
    COLORREF expected;
  };
  const Row rows[] = {
      {"half over white", clWhite, TColor(RGB(255, 0, 0)), 50, 0, RGB(255, 128, 128)},
      {"opaque", clWhite, TColor(RGB(255, 0, 0)), 100, 0, RGB(255, 0, 0)},
      {"invisible", clWhite, TColor(RGB(255, 0, 0)), 0, 0, kWhite},
      {"additive", TColor(RGB(100, 100, 100)), TColor(RGB(200, 200, 200)), 100, 50,
       RGB(200, 200, 200)},
      {"additive capped", TColor(RGB(100, 100, 100)), TColor(RGB(200, 200, 200)), 100, 150,
       RGB(255, 255, 255)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    v.Close();
    auto* layer = Fill("a", r.layer, {0, 0, 100, 100});
    layer->SetTransparency(r.transparency);
    layer->SetAddition(r.addition);
    v.SetBigExtentMargin(0);
    v.SetColor(r.background);
    v.SetZoom(1);
    PaintNow();
    EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 10, 90), r.expected);
    EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 150, 50),
              RGB(GetRValue(r.background), GetGValue(r.background), GetBValue(r.background)));
  }
}

TEST_F(ViewerPaint, BlendedLayersReachADeviceContextThroughTiles) {
  Fill("a", TColor(RGB(255, 0, 0)), {0, 0, 100, 100})->SetTransparency(50);
  ShowAll();
  v.SetPrinterTileSize(128);
  std::vector<std::pair<int, int>> steps;
  v.OnBusy = [&](void*, int pos, int end, bool&) { steps.emplace_back(pos, end); };
  TBitmap out(300, 200, pf24bit);
  v.RenderToBitmap(&out);
  // 300 x 200 in tiles of 128: 3 columns, 2 rows.
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_EQ(steps.front(), std::make_pair(0, 100));
  EXPECT_EQ(steps[6], std::make_pair(6, 6));
  EXPECT_EQ(steps.back(), std::make_pair(-1, -1));
  EXPECT_EQ(v.GetCacheBitmap()->Width(), 0); // the tile bitmap is given back
  // The map (0, 0, 200, 100) fills 300 x 150 at zoom 1.5, centred vertically.
  EXPECT_EQ(BitmapPixel(out, 10, 150), RGB(255, 128, 128));
  EXPECT_EQ(BitmapPixel(out, 200, 100), kWhite);

  steps.clear();
  v.OnBusy = [&](void*, int pos, int end, bool& abort) {
    steps.emplace_back(pos, end);
    abort = pos == 2;
  };
  v.RenderToBitmap(&out);
  EXPECT_EQ(steps.size(), 4u); // start, two tiles, end
}

TEST_F(ViewerPaint, TheSelectionBlendsWithItsTransparency) {
  auto* a = Fill("a", clRed);
  ShowAll();
  v.SetSelectionColor(clGreen); // (0, 128, 0)
  v.SetSelectionTransparency(50);
  SelectWhileDrawing(a, TRect(0, 0, 20, 20));
  v.DropCache();
  PaintNow();
  // Each channel: red + f(green) - f(red) with f(i) = i * 50 div 100.
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 5, 5), RGB(128, 64, 0));
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 30, 30), kRed);
  EXPECT_EQ(v.GetGDI()->SelectionRegion(), nullptr); // freed after drawing
}

TEST_F(ViewerPaint, ATinySelectionPatternDrawsNothing) {
  auto* a = Fill("a", clRed);
  ShowAll();
  SelectWhileDrawing(a, TRect(0, 0, 50, 50));
  TBitmap tiny(1, 1, pf24bit);
  v.SetSelectionPattern(&tiny);
  PaintNow();
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 10, 10), kRed);
  TBitmap pattern(2, 2, pf24bit);
  pattern.Canvas()->Brush()->SetColor(clBlue);
  pattern.Canvas()->FillRect(TRect(0, 0, 2, 2));
  pattern.Canvas()->SetPixels(0, 1, clWhite); // the bottom-left colour is transparent
  v.SetSelectionPattern(&pattern);
  ASSERT_NE(v.SelectionPattern(), &pattern); // a copy: the caller keeps its bitmap
  v.DropCache();
  PaintNow();
  int blue = 0;
  for (int x = 0; x < 50; ++x)
    if (BitmapPixel(*v.GetCacheBitmap(), x, 10) == RGB(0, 0, 255)) ++blue;
  EXPECT_GT(blue, 0);
  EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), 100, 80), kRed); // outside the region
}

TEST_F(ViewerPaint, TheDefaultSelectionPatternHatchesTheSelectedArea) {
  auto* a = Fill("a", clRed);
  ShowAll();
  TBitmap* pattern = v.SelectionPattern();
  ASSERT_EQ(pattern->Width(), 8);
  ASSERT_EQ(pattern->Height(), 8);
  EXPECT_TRUE(pattern->Transparent());
  SelectWhileDrawing(a, TRect(0, 0, 50, 50));
  v.DropCache();
  PaintNow();
  // The map's top-left corner is the pattern's origin: blue diagonals every
  // fourth pixel, the white between them transparent; nothing outside.
  struct Row {
    int x, y;
    COLORREF expected;
  } rows[] = {{0, 0, RGB(0, 0, 255)},
              {4, 0, RGB(0, 0, 255)},
              {3, 1, RGB(0, 0, 255)},
              {1, 0, kRed},
              {2, 1, kRed},
              {9, 10, kRed},
              {10, 10, RGB(0, 0, 255)},
              {49, 47, RGB(0, 0, 255)},
              {52, 52, kRed},
              {60, 20, kRed}};
  for (const Row& r : rows)
    EXPECT_EQ(BitmapPixel(*v.GetCacheBitmap(), r.x, r.y), r.expected) << r.x << "," << r.y;
}

} // namespace

namespace {

/// Where the tile's blue pixel falls in the cache (one of an inner tile's
/// pixels), then whether every pixel of the left and top strips follows the
/// same phase: no strip keeps pixels of an earlier paint.
void ExpectTiledStrips(TBitmap& cache, int step) {
  int bx = -1, by = -1;
  for (int y = 40; y < 48 && bx < 0; ++y)
    for (int x = 80; x < 88 && bx < 0; ++x)
      if (BitmapPixel(cache, x, y) == RGB(0, 0, 255)) bx = x, by = y;
  ASSERT_GE(bx, 0) << "step " << step;
  auto mod8 = [](int v) { return ((v % 8) + 8) % 8; };
  for (int y = 0; y < cache.Height(); ++y)
    for (int x = 0; x < cache.Width(); ++x) {
      if (x >= 16 && y >= 16) continue;
      COLORREF want = mod8(x - bx) == 0 && mod8(y - by) == 0 ? RGB(0, 0, 255) : kWhite;
      ASSERT_EQ(BitmapPixel(cache, x, y), want) << "step " << step << " at " << x << "," << y;
    }
}

TEST_F(ViewerPaint, ATiledBackgroundCoversTheWholeWindowAtNegativeOffsets) {
  Fill("a", clRed, {1000, 1000, 1001, 1001});
  ShowAll();
  UseDotTile();
  v.SetRestrictedDrag(false);
  // Pan across zero and back, in steps that are no multiple of the tile.
  const int steps[] = {5, 5, 5, -3, -3, -3, -3, -3, -3, -3, -3, -3, 7, 7};
  bool negative = false, positive = false;
  for (int i = 0; i < int(std::size(steps)); ++i) {
    int mx = steps[i], my = steps[i];
    v.DragPixels(mx, my);
    PaintNow();
    negative = negative || v.OffsetX() < 0 || v.OffsetY() < 0;
    positive = positive || v.OffsetX() > 0 || v.OffsetY() > 0;
    ExpectTiledStrips(*v.GetCacheBitmap(), i);
    if (HasFatalFailure()) return;
  }
  EXPECT_TRUE(negative);
  EXPECT_TRUE(positive);
}

} // namespace
