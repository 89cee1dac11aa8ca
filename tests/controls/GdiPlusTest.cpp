// The anti-aliasing drawing layer and its wrapper objects: the status rule,
// colours, image formats, and drawing mixed with the DC's own calls.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/OwGDIP.h"
#include "platform/graphics/Jpeg.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Streams.h"

namespace {
std::vector<std::uint8_t> FileBytes(const std::string& name) {
  TMemoryStream s;
  s.LoadFromFile(std::string(std::getenv("SK_TEST_DATA")) + "/gppicture/" + name);
  return std::vector<std::uint8_t>(s.Memory(), s.Memory() + s.Size());
}

std::vector<std::uint8_t> GraphicBytes(TGraphic& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return std::vector<std::uint8_t>(s.Memory(), s.Memory() + s.Size());
}

/// A 40 x 40 white 32-bit surface with a DC on it.
struct TSurfaceDc {
  TMemorySurface surface{40, 40, 32, 0xFFFFFF};
  HDC dc = CreateSurfaceDC(&surface);
  ~TSurfaceDc() { DeleteDC(dc); }
  /// The stored pixel, whatever the DC's clip and origin.
  COLORREF At(int x, int y) {
    const std::uint8_t* p = surface.Row(y) + x * 4;
    return RGB(p[2], p[1], p[0]);
  }
};

struct TLiveCheck {
  int before = GdipLiveObjects();
  ~TLiveCheck() { EXPECT_EQ(GdipLiveObjects(), before) << "drawing objects left alive"; }
};
} // namespace

TEST(GdiPlus, StatusRuleKeepsTheLastFailure) {
  TLiveCheck live;
  // A failed creation: the wrapper holds the failure, later calls fail too.
  TGPGraphics bad(nullptr);
  EXPECT_EQ(bad.LastStatus(), GpInvalidParameter);
  EXPECT_EQ(bad.Native(), nullptr);
  EXPECT_EQ(bad.SetSmoothingMode(GpSmoothingAntiAlias), GpInvalidParameter);

  // A success after a failure leaves the failure in place.
  TGPGraphicsPath path;
  EXPECT_EQ(path.LastStatus(), GpOk);
  EXPECT_EQ(path.AddArc(0, 0, 0, 10, 0, 90), GpInvalidParameter);
  EXPECT_EQ(path.AddLine(0, 0, 5, 5), GpOk);
  EXPECT_EQ(path.LastStatus(), GpInvalidParameter);
}

TEST(GdiPlus, SurroundColoursFollowTheCountRules) {
  TLiveCheck live;
  TGPGraphicsPath path;
  path.AddEllipse(0, 0, 20, 10);
  const ARGB colors[3] = {0xFF000000, 0xFF00FF00, 0xFF0000FF};
  struct TRow {
    const char* name;
    const ARGB* colors;
    int count, expectCount;
    GpStatus expectStatus;
  } rows[] = {
      {"no colours", nullptr, 1, 1, GpInvalidParameter},
      {"more than the points", colors, 1000, 1000, GpInvalidParameter},
      {"one colour", colors, 1, 1, GpOk},
  };
  for (const TRow& row : rows) {
    TGPPathGradientBrush brush(path);
    ASSERT_GT(brush.GetPointCount(), 1) << row.name;
    int count = row.count;
    EXPECT_EQ(brush.SetSurroundColors(row.colors, count), row.expectStatus) << row.name;
    EXPECT_EQ(brush.LastStatus(), row.expectStatus) << row.name;
    EXPECT_EQ(count, row.expectCount) << row.name;
  }
}

TEST(GdiPlus, ColoursToArgb) {
  EXPECT_EQ(ArgbOf(128, 1, 2, 3), 0x80010203u);
  EXPECT_EQ(ArgbOfColor(0x0000FF), 0xFFFF0000u);
  EXPECT_EQ(ArgbOfColor(0x123456), 0xFF563412u);
  EXPECT_EQ(ArgbOfColor(clBtnFace), 0xFF000000u | ((ColorToRGB(clBtnFace) & 0xFF) << 16) |
                                        (ColorToRGB(clBtnFace) & 0xFF00) |
                                        ((ColorToRGB(clBtnFace) >> 16) & 0xFF));
  EXPECT_EQ(ArgbOfColor(clBtnFace), 0xFFC0C0C0u);
}

TEST(GdiPlus, RawFormatOfDecodedImages) {
  TLiveCheck live;
  TBitmap bmp(3, 2);
  TJPEGImage jpeg;
  jpeg.Assign(&bmp);
  struct TRow {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int format;
    unsigned w, h;
  } rows[] = {
      {"bmp", GraphicBytes(bmp), GpFormatBmp, 3, 2},
      {"png", FileBytes("thumb-24x12.png"), GpFormatPng, 24, 12},
      {"gif", FileBytes("green-2x2.gif"), GpFormatGif, 2, 2},
      {"jpeg", GraphicBytes(jpeg), GpFormatJpeg, 3, 2},
      {"garbage", FileBytes("garbage.bin"), GpFormatUndefined, 0, 0},
      {"truncated png", FileBytes("truncated.png"), GpFormatUndefined, 0, 0},
      {"huge header", FileBytes("huge-header.png"), GpFormatUndefined, 0, 0},
  };
  for (TRow& row : rows) {
    TGPImage image(row.bytes.data(), row.bytes.size());
    EXPECT_EQ(image.LastStatus(), row.format == GpFormatUndefined ? GpUnknownImageFormat : GpOk)
        << row.name;
    EXPECT_EQ(image.GetRawFormat(), row.format) << row.name;
    EXPECT_EQ(image.GetWidth(), row.w) << row.name;
    EXPECT_EQ(image.GetHeight(), row.h) << row.name;
    // Calls on a failed image record the null handle's failure.
    if (row.format == GpFormatUndefined) { EXPECT_EQ(image.LastStatus(), GpInvalidParameter); }
  }
  const std::uint8_t wmf[] = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0};
  EXPECT_EQ(GdipSniffImageFormat(wmf, sizeof wmf), GpFormatWmf);
  TGPImage notDecoded(wmf, sizeof wmf);
  EXPECT_EQ(notDecoded.GetRawFormat(), GpFormatUndefined);
}

TEST(GdiPlus, DrawingMixesWithTheDcsOwnCalls) {
  TLiveCheck live;
  TSurfaceDc s;
  HBRUSH red = CreateSolidBrush(0x0000FF);
  const TRect left(0, 0, 10, 40);
  FillRect(s.dc, &left, red);
  {
    TGPGraphics g(s.dc);
    TGPSolidBrush green(ArgbOf(255, 0, 255, 0));
    // Integer coordinates are pixel centres: 10..19 are covered.
    EXPECT_EQ(g.FillRectangle(green, 10, 0, 10, 40), GpOk);
  }
  const TRect right(20, 0, 30, 40);
  FillRect(s.dc, &right, red);
  DeleteObject(red);
  EXPECT_EQ(s.At(9, 5), 0x0000FFu);
  EXPECT_EQ(s.At(10, 5), 0x00FF00u);
  EXPECT_EQ(s.At(19, 5), 0x00FF00u);
  EXPECT_EQ(s.At(20, 5), 0x0000FFu);
  EXPECT_EQ(s.At(30, 5), 0xFFFFFFu);
}

TEST(GdiPlus, OwnClipNeverWidensTheDcClip) {
  TLiveCheck live;
  TSurfaceDc s;
  IntersectClipRect(s.dc, 0, 0, 20, 40); // the DC allows x < 20 only
  TGPGraphics g(s.dc);
  TGPGraphicsPath wide;
  wide.AddPolygon(std::vector<TGPIntPoint>{{0, 0}, {40, 0}, {40, 40}, {0, 40}}.data(), 4);
  TGPRegion region(wide);
  EXPECT_EQ(g.SetClipRegion(region, GpCombineReplace), GpOk);
  TGPSolidBrush black(0xFF000000);
  g.FillRectangle(black, 0, 0, 40, 40);
  EXPECT_EQ(s.At(19, 10), 0u);
  EXPECT_EQ(s.At(20, 10), 0xFFFFFFu);
  EXPECT_EQ(s.At(35, 10), 0xFFFFFFu);
}

TEST(GdiPlus, WindowOriginMovesTheDrawing) {
  TLiveCheck live;
  TSurfaceDc s;
  SetWindowOrgEx(s.dc, 5, 5, nullptr);
  TGPGraphics g(s.dc);
  TGPSolidBrush black(0xFF000000);
  g.FillRectangle(black, 5, 5, 2, 2);
  EXPECT_EQ(s.At(0, 0), 0u);
  EXPECT_EQ(s.At(1, 1), 0u);
  EXPECT_EQ(s.At(2, 2), 0xFFFFFFu);
}

TEST(GdiPlus, PathGradientPaintsOnlyInsideItsEllipse) {
  TLiveCheck live;
  TSurfaceDc s;
  TGPGraphics g(s.dc);
  TGPGraphicsPath path;
  path.AddEllipse(10, 10, 20, 20);
  TGPPathGradientBrush brush(path);
  brush.SetCenterColor(0xFFFF0000);
  ARGB surround = 0xFF0000FF;
  int count = 1;
  brush.SetSurroundColors(&surround, count);
  brush.SetCenterPoint(GPPointOf(20, 20));
  g.FillRectangle(brush, 0, 0, 40, 40);
  EXPECT_EQ(s.At(2, 2), 0xFFFFFFu);   // outside the ellipse
  EXPECT_EQ(s.At(11, 11), 0xFFFFFFu); // the box corner lies outside too
  const COLORREF centre = s.At(20, 20);
  EXPECT_GT(GetRValue(centre), 200);
  EXPECT_LT(GetBValue(centre), 55);
  const COLORREF edge = s.At(20, 11);
  EXPECT_GT(GetBValue(edge), GetRValue(edge));
}

TEST(GdiPlus, LinearGradientRunsFromFirstToSecondColour) {
  TLiveCheck live;
  TSurfaceDc s;
  TGPGraphics g(s.dc);
  TGPLinearGradientBrush brush(GPRectOf(0, 0, 40, 40), 0xFF000000, 0xFFFFFFFF, GpLinearVertical);
  g.FillRectangle(brush, 0, 0, 40, 40);
  EXPECT_LT(GetRValue(s.At(5, 1)), 30);
  EXPECT_GT(GetRValue(s.At(5, 38)), 225);
  EXPECT_EQ(s.At(5, 20), s.At(30, 20)); // constant across
}

TEST(GdiPlus, SmoothingAntiAliasesEdges) {
  TLiveCheck live;
  for (bool smooth : {false, true}) {
    TSurfaceDc s;
    TGPGraphics g(s.dc);
    if (smooth) g.SetSmoothingMode(GpSmoothingAntiAlias);
    TGPGraphicsPath path;
    path.AddEllipse(5, 5, 30, 30);
    TGPSolidBrush black(0xFF000000);
    g.FillPath(black, path);
    int grey = 0;
    for (int x = 0; x < 40; ++x)
      for (int y = 0; y < 40; ++y) {
        const COLORREF c = s.At(x, y);
        if (c != 0 && c != 0xFFFFFF) ++grey;
      }
    if (smooth)
      EXPECT_GT(grey, 20);
    else
      EXPECT_EQ(grey, 0);
  }
}

TEST(GdiPlus, WrappersComeFromTheLayersMemoryWithARestart) {
  GdipFailNextAllocs(1);
  auto* pen = new TGPPen(0xFF000000);
  EXPECT_EQ(pen->LastStatus(), GpOk);
  delete pen;
  GdipFailNextAllocs(2);
  EXPECT_THROW(new TGPSolidBrush(0xFF000000), std::bad_alloc);
  GdipFailNextAllocs(0);
}
