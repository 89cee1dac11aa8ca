// Output: RenderToBitmap, RenderToDC, metafiles, the clipboard and printing
// to PDF (checked with pdfinfo).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "gis/core/GisDefsMetafile.h"
#include "gis/viewer/GisPrinters.h"
#include "platform/forms/Clipboard.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Printer.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/viewer/ViewerTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

COLORREF SurfacePixel(TSurface* s, int x, int y) {
  const int bpp = s->BitsPerPixel() / 8;
  const std::uint8_t* p = s->Row(y) + x * bpp;
  return RGB(p[2], p[1], p[0]);
}

class ViewerOutput : public ::testing::Test {
protected:
  /// A 600 x 300 window over a 2:1 map whose left half is red.
  void Arrange() {
    layer = f.AddLayer("roads", {0, 0, 200, 100}, clRed, {0, 0, 100, 100});
    v.SetBigExtentMargin(0);
    v.SetColor(clWhite);
    v.SetVisibleExtent({0, 0, 200, 100});
    f.Pump();
  }
  TViewerForm f{600, 300};
  TGIS_ViewerWnd& v = *f.viewer;
  TTestLayer* layer = nullptr;
};

TEST_F(ViewerOutput, RenderToBitmapTakesMissingSizesFromTheExtentOrTheWindow) {
  Arrange();
  struct Row {
    int w, h, expectW, expectH;
  };
  const Row rows[] = {{0, 0, 600, 300}, {500, 0, 500, 250}, {0, 100, 200, 100}, {40, 30, 40, 30}};
  for (const Row& r : rows) {
    TBitmap bitmap;
    bitmap.SetSize(r.w, r.h);
    v.RenderToBitmap(&bitmap);
    EXPECT_EQ(bitmap.Width(), r.expectW) << r.w << "x" << r.h;
    EXPECT_EQ(bitmap.Height(), r.expectH) << r.w << "x" << r.h;
  }
  TBitmap picture;
  picture.SetSize(500, 0);
  v.RenderToBitmap(&picture);
  picture.SetPixelFormat(pf24bit);
  EXPECT_EQ(BitmapPixel(picture, 100, 100), kRed);
  EXPECT_EQ(BitmapPixel(picture, 400, 100), kWhite);
}

TEST_F(ViewerOutput, RenderToBitmapOfAnEmptyViewerUsesTheWindowSize) {
  v.SetColor(clWhite);
  TBitmap bitmap;
  bitmap.SetSize(0, 0);
  v.RenderToBitmap(&bitmap);
  EXPECT_EQ(bitmap.Width(), 600);
  EXPECT_EQ(bitmap.Height(), 300);
  bitmap.SetSize(500, 0);
  v.RenderToBitmap(&bitmap);
  EXPECT_EQ(bitmap.Width(), 500);
  EXPECT_EQ(bitmap.Height(), 300);
}

TEST_F(ViewerOutput, RenderToBitmapOfAZeroSizedWindowTakesNoAspectFromIt) {
  TViewerForm g(0, 0);
  g.AddLayer("roads", {0, 0, 200, 100}, clRed);
  const TGIS_Extent visible = g.viewer->GetVisibleExtent();
  ASSERT_EQ(visible.XMax - visible.XMin, 0); // no aspect ratio to take
  struct Row {
    int w, h, expectW, expectH;
  };
  const Row rows[] = {{0, 0, 0, 0}, {500, 0, 500, 0}, {40, 30, 40, 30}};
  for (const Row& r : rows) {
    TBitmap bitmap;
    bitmap.SetSize(r.w, r.h);
    EXPECT_NO_THROW(g.viewer->RenderToBitmap(&bitmap)) << r.w << "x" << r.h;
    EXPECT_EQ(bitmap.Width(), r.expectW) << r.w << "x" << r.h;
    EXPECT_EQ(bitmap.Height(), r.expectH) << r.w << "x" << r.h;
  }
}

TEST_F(ViewerOutput, RenderToDCRestoresTheViewExactlyAlsoWhenALayerFails) {
  Arrange();
  v.SetZoom(v.Zoom() * 1.7);
  v.SetOffsets(v.OffsetX() + 3.25, v.OffsetY() + 1.5);
  const double zoom = v.Zoom(), offX = v.OffsetX(), offY = v.OffsetY();
  const TGIS_Point centre = v.Center();
  TBitmap target(400, 400, pf24bit);
  TPoint corner;
  TGIS_Point back;
  TGIS_Extent e{0, 0, 0, 0};
  layer->DuringDraw = [&](TTestLayer* l) {
    e = l->Viewer()->GetVisibleExtent();
    corner = l->Viewer()->MapToScreen({e.XMin, e.YMax});
    back = l->Viewer()->ScreenToMap({100, 200});
  };
  double scale = 0.001;
  v.RenderToDC(target.Canvas()->Handle(), 96, scale, {0, 0, 200, 100}, TRect(100, 200, 300, 300));
  EXPECT_NEAR(scale, 0.001, 1e-9);
  EXPECT_EQ(corner, TPoint(100, 200));
  // The print offset round-trips: its pixel is the drawn extent's top-left.
  EXPECT_NEAR(back.X, e.XMin, 1e-9);
  EXPECT_NEAR(back.Y, e.YMax, 1e-9);
  EXPECT_EQ(v.Zoom(), zoom);
  EXPECT_EQ(v.OffsetX(), offX);
  EXPECT_EQ(v.OffsetY(), offY);
  EXPECT_EQ(v.Center().X, centre.X);
  EXPECT_EQ(v.Center().Y, centre.Y);
  EXPECT_EQ(v.PrintOffset(), TPoint(0, 0));
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);

  layer->DuringDraw = nullptr;
  layer->ThrowOnDraw = true;
  double none = 0;
  EXPECT_THROW(
      v.RenderToDC(target.Canvas()->Handle(), 96, none, {0, 0, 200, 100}, TRect(0, 0, 400, 400)),
      EGIS_Exception);
  EXPECT_EQ(v.Zoom(), zoom);
  EXPECT_EQ(v.OffsetX(), offX);
  EXPECT_EQ(v.OffsetY(), offY);
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);
  EXPECT_FALSE(v.IsPainting());
}

// Output into a rectangle away from the origin (a printed page's map band):
// the selection pattern covers the whole drawn rectangle, its last rows and
// columns too.
TEST_F(ViewerOutput, TheSelectionPatternCoversARectangleAwayFromTheOrigin) {
  Arrange();
  const TRect band(100, 200, 300, 300);
  layer->DuringDraw = [&](TTestLayer* l) {
    TGIS_GDI* gdi = l->Viewer()->GetGDI();
    HGDIOBJ r = gdi->CreateRectRgn(band.Left, band.Top, band.Right, band.Bottom);
    gdi->AddSelectionRegion(false, r, true);
    gdi->DeleteObject(r);
  };
  TBitmap target(400, 400, pf24bit);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect(0, 0, 400, 400));
  double scale = 0;
  v.RenderToDC(target.Canvas()->Handle(), 96, scale, {0, 0, 200, 100}, band);
  // The default pattern: a blue diagonal every fourth pixel in each 8 x 8
  // tile. Every 8 x 8 block of the band holds some of it.
  for (int top = band.Top; top < band.Bottom; top += 8)
    for (int left = band.Left; left < band.Right; left += 8) {
      int blue = 0;
      for (int y = top; y < std::min(top + 8, int(band.Bottom)); ++y)
        for (int x = left; x < std::min(left + 8, int(band.Right)); ++x)
          if (BitmapPixel(target, x, y) == RGB(0, 0, 255)) ++blue;
      EXPECT_GT(blue, 0) << "block at " << left << "," << top;
    }
  // Nothing outside the band.
  for (auto [x, y] : {std::pair{99, 250}, {300, 250}, {200, 199}, {200, 300}, {20, 20}})
    EXPECT_NE(BitmapPixel(target, x, y), RGB(0, 0, 255)) << x << "," << y;
}

TEST_F(ViewerOutput, MetafilesReplayLikeTheBitmapAndGoToTheClipboard) {
  Arrange();
  TMetafile metafile;
  v.RenderToMetafile(&metafile);
  EXPECT_EQ(metafile.Width(), 600);
  EXPECT_GT(metafile.RecordCount(), 0);
  TBitmap replay(600, 300, pf24bit);
  metafile.Draw(replay.Canvas(), TRect(0, 0, 600, 300));
  TBitmap direct;
  direct.SetSize(600, 300);
  v.RenderToBitmap(&direct);
  direct.SetPixelFormat(pf24bit);
  for (TPoint p : {TPoint(10, 10), TPoint(290, 150), TPoint(310, 150), TPoint(590, 290)})
    EXPECT_EQ(BitmapPixel(replay, p.x, p.y), BitmapPixel(direct, p.x, p.y)) << p.x;
  TStringStream svg;
  metafile.SaveToStream(svg);
  EXPECT_NE(svg.DataString().find("<svg"), std::string::npos);

  v.CopyToClipboard();
  EXPECT_NE(Clipboard()->GetSvg().find("<svg"), std::string::npos);
}

TEST_F(ViewerOutput, MetafileCanvasIsMadeOnceWithTheTargetsSizeAndHalftone) {
  TMetafile metafile;
  TCanvas* canvas = nullptr;
  {
    TGIS_MetafileTarget target(&metafile, 320, 240);
    canvas = GisMetafileCanvas(target);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(GisMetafileCanvas(target), canvas);
    EXPECT_EQ(metafile.Width(), 320);
    EXPECT_EQ(metafile.Height(), 240);
    EXPECT_EQ(GetStretchBltMode(canvas->Handle()), HALFTONE);
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(TRect(0, 0, 320, 240));
  } // freeing the target completes the metafile
  EXPECT_GT(metafile.RecordCount(), 0);
  TBitmap replay(320, 240, pf24bit);
  metafile.Draw(replay.Canvas(), TRect(0, 0, 320, 240));
  EXPECT_EQ(BitmapPixel(replay, 100, 100), BitmapPixel(replay, 319, 239));
}

class ViewerPrint : public ViewerOutput {
protected:
  void SetUp() override {
    printer.SetOutputFileName((dir / "out.pdf").string());
  }
  sktest::TTempDir temp{"viewer-print"};
  std::filesystem::path dir{temp.Path()};
  TPrinter printer;
};

TEST_F(ViewerPrint, AStandardPageHasTitleBandsAndTheMap) {
  Arrange();
  TGIS_Printer wrapper(&printer);
  v.PrintTitle = "Roads";
  v.PrintSubtitle = "North";
  std::vector<std::string> events;
  v.OnBeforePrint = [&](TPersistent*, TGIS_Printer* p) {
    EXPECT_EQ(p, &wrapper);
    events.push_back("before");
  };
  v.OnAfterPrint = [&](TPersistent*, TGIS_Printer*) { events.push_back("after"); };
  const TGIS_Extent visible = v.GetVisibleExtent();
  v.Print(&wrapper);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(printer.Title(), "Roads [North]");
  ASSERT_EQ(printer.PageCount(), 1);
  EXPECT_TRUE(GisIsSameExtent(v.GetVisibleExtent(), visible));
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);

  // The map starts below the two title bands: the page's middle column is
  // white above it and red in the map's left half.
  TSurface* page = printer.Page(0);
  const int w = page->Width();
  int firstRed = -1;
  for (int y = 0; y < page->Height() && firstRed < 0; ++y)
    if (SurfacePixel(page, w / 4, y) == kRed) firstRed = y;
  auto gdi = TGIS_GDI::CreateForCanvas(printer.Canvas());
  gdi->Font()->AssignFont(v.PrintTitleFont());
  const int t = gdi->TextHeight("Roads") * 110 / 100;
  gdi->Font()->AssignFont(v.PrintSubtitleFont());
  const int s = gdi->TextHeight("North") * 110 / 100;
  EXPECT_GT(t, 0);
  EXPECT_GE(firstRed, t + s);
  const std::string info = PdfInfo(printer.OutputFileName());
  EXPECT_NE(info.find("Pages:"), std::string::npos) << info;
}

TEST_F(ViewerPrint, APageHandlerDrivesThePages) {
  Arrange();
  TGIS_Printer wrapper(&printer);
  Application()->SetTitle("Map tool");
  int calls = 0;
  v.OnPrintPage = [&](TPersistent*, TGIS_Printer* p, bool& last) {
    ++calls;
    double scale = 0;
    v.RenderToPrinter(p, TRect(0, 0, 200, 100), scale, {0, 0, 200, 100});
    last = calls == 3;
  };
  v.Print(&wrapper);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(printer.PageCount(), 3);
  EXPECT_EQ(printer.Title(), "Map tool"); // no title: the application's
  const std::string info = PdfInfo(printer.OutputFileName());
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
}

TEST_F(ViewerPrint, AnEmptyViewerStartsNoJobButReportsTheEnd) {
  TGIS_Printer wrapper(&printer);
  int after = 0;
  v.OnAfterPrint = [&](TPersistent*, TGIS_Printer*) { ++after; };
  v.Print(&wrapper);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(printer.PageCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(printer.OutputFileName()));
}

/// A printer on which paths cannot become clip regions.
class TNoPathClipPrinter : public TGIS_Printer {
public:
  using TGIS_Printer::TGIS_Printer;
  bool GetPathClipping() override { return false; }
};

TEST_F(ViewerPrint, WithoutPathClippingTheJobEndsEmptyAndTheViewIsKept) {
  Arrange();
  TNoPathClipPrinter wrapper(&printer);
  v.PrintTitle = "Roads";
  int pages = 0, after = 0;
  v.OnPrintPage = [&](TPersistent*, TGIS_Printer*, bool&) { ++pages; };
  v.OnAfterPrint = [&](TPersistent*, TGIS_Printer*) { ++after; };
  const TGIS_Extent visible = v.GetVisibleExtent();
  const double zoom = v.Zoom();
  EXPECT_NO_THROW(v.Print(&wrapper));
  EXPECT_EQ(pages, 0);
  EXPECT_EQ(after, 1);
  EXPECT_FALSE(printer.Printing());
  EXPECT_TRUE(GisIsSameExtent(v.GetVisibleExtent(), visible));
  EXPECT_EQ(v.Zoom(), zoom);
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);
  // Nothing of the map reached the page.
  for (int i = 0; i < printer.PageCount(); ++i) {
    TSurface* page = printer.Page(i);
    for (int y = 0; y < page->Height(); y += 7)
      for (int x = 0; x < page->Width(); x += 7)
        ASSERT_NE(SurfacePixel(page, x, y), kRed) << x << "," << y;
  }
}

TEST_F(ViewerPrint, PrintingWithoutAPrinterRaises) {
  Arrange();
  printer.Printers().clear();
  TGIS_Printer wrapper(&printer);
  EXPECT_THROW(v.Print(&wrapper), EGIS_Exception);
  EXPECT_EQ(v.TargetKind(), gisTargetWindow);
}

} // namespace
