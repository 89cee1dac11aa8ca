// The raster base: colour-pipeline tables, grid colours, strip arithmetic,
// world files, Locate, copies and ranges, drawing in a viewer, over layers
// of the tests' own whose rows come from memory.
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/Strings.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace {

/// A 24-bit (or 1-bit) layer whose rows come from memory; counts row reads.
class TMemLayer : public TGIS_LayerPixel {
public:
  TMemLayer(int w, int h, std::vector<std::uint8_t> bgr, TGIS_Extent extent = {1, 1, -1, -1})
      : pixels(std::move(bgr)), placed(extent) {
    width_ = w;
    height_ = h;
    lineBytes_ = outLineBytes_ = w * 3;
  }
  /// A 1-bit layer: `bits` holds one byte a pixel (0 or 1), palette black/white.
  static TMemLayer* OneBit(int w, int h, const std::vector<std::uint8_t>& bits) {
    auto* l = new TMemLayer(w, h, {});
    l->bitsPerPixel_ = 1;
    l->lineBytes_ = (w + 7) / 8;
    l->packed.assign(std::size_t(l->lineBytes_) * h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (bits[std::size_t(y * w + x)])
          l->packed[std::size_t(y * l->lineBytes_ + x / 8)] |= std::uint8_t(128 >> (x % 8));
    l->info_.Info.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    l->info_.Info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
    l->outLineBytes_ = w * 3;
    return l;
  }
  void Open() override {
    if (!GisIsEmptyExtent(placed)) SetExtent(placed);
    TGIS_LayerPixel::Open();
  }
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override {
    rowsRead.push_back(row);
    if (OnRead) OnRead(row);
    const std::vector<std::uint8_t>& src = bitsPerPixel_ == 1 ? packed : pixels;
    const int rowBytes = bitsPerPixel_ == 1 ? lineBytes_ : width_ * 3;
    const int n = std::min(count, rowBytes - offset);
    if (row < 0 || row >= height_ || n <= 0) return 0;
    std::memcpy(buffer, src.data() + std::size_t(row) * rowBytes + offset, std::size_t(n));
    return n;
  }
  TGIS_ParamsPixel& Px() { return PixelParams(); }
  void SetGrid(bool on) { isGrid_ = on; }
  using TGIS_LayerPixel::ApplyPipeline;

  std::vector<std::uint8_t> pixels, packed;
  TGIS_Extent placed;
  std::vector<int> rowsRead;
  std::function<void(int)> OnRead;
};

/// A grid layer over an array of values.
class TArrayLayer : public TGIS_LayerPixel {
public:
  TArrayLayer(int w, int h, std::vector<float> v, TGIS_Extent extent) : values(std::move(v)) {
    width_ = w;
    height_ = h;
    isGrid_ = true;
    placed = extent;
    inMemoryGrid_ = std::make_unique<TGIS_GridArray>();
    for (int y = 0; y < h; ++y)
      inMemoryGrid_->emplace_back(values.begin() + y * w, values.begin() + (y + 1) * w);
    lineBytes_ = outLineBytes_ = w * 3;
  }
  void Open() override {
    SetExtent(placed);
    TGIS_LayerPixel::Open();
  }
  bool GetGridValue(const TPoint& cell, std::vector<double>& out) override {
    out.assign(1, values[std::size_t(cell.y * width_ + cell.x)]);
    return true;
  }
  std::vector<float> values;
  TGIS_Extent placed;
};

std::vector<std::uint8_t> Gradient(int w, int h) {
  std::vector<std::uint8_t> v(std::size_t(w * h * 3));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &v[std::size_t((y * w + x) * 3)];
      p[0] = std::uint8_t(x * 7 + 1), p[1] = std::uint8_t(y * 5 + 2),
      p[2] = std::uint8_t((x + y) * 3);
    }
  return v;
}

} // namespace

// ---- pure tables ----------------------------------------------------------------------------

TEST(PixelColour, AdjustChannelTable) {
  struct Row {
    int value, brightness, contrast, expected;
  };
  const Row rows[] = {
      {0, 10, 0, 25},    {100, 10, 0, 125},  {230, 10, 0, 255}, {231, 10, 0, 255},
      {100, 0, 100, 72}, {200, 0, 100, 255}, {50, -100, 0, 1},  {100, -7, 0, 83},
      {0, 0, 0, 0},      {128, 0, 100, 128}, {10, 0, 100, 1},
  };
  for (const Row& r : rows)
    EXPECT_EQ(GisAdjustChannel(r.value, r.brightness, r.contrast), r.expected)
        << r.value << " " << r.brightness << " " << r.contrast;
}

TEST(PixelColour, MapZonesRampTheirRangeAtTheirPosition) {
  struct Row {
    std::string line;
    std::vector<std::pair<int, int>> entries; // index -> value at position 2
  };
  const Row rows[] = {
      {"0,255,255,0", {{0, 0}, {1, 255}, {128, 128}, {255, 0}}},
      {"10,10,99", {{10, 99}, {9, 9}, {11, 11}}},
      {"200,100,0,100", {{100, 0}, {150, 50}, {200, 100}}},
      {"50,60,7", {{50, 7}, {55, 7}, {60, 7}}},
      {"50,60", {{50, 50}, {60, 60}}}, // two values: counted, no output range
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    TGIS_ByteTable t;
    for (int i = 0; i < 256; ++i)
      t[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    TGIS_MapZone z;
    ASSERT_TRUE(GisParseMapZone(r.line, z));
    GisApplyZoneRamp(t, 2, z);
    for (auto [index, value] : r.entries) {
      EXPECT_EQ(t[std::size_t(index)][2], value) << "entry " << index;
      EXPECT_EQ(t[std::size_t(index)][0], index) << "other positions untouched";
    }
  }
  TGIS_MapZone z;
  EXPECT_FALSE(GisParseMapZone("7", z));
  EXPECT_EQ(GisSwap32(0x11223344u), 0x44332211u);
  EXPECT_EQ(GisSwap16Pair(0x11223344u), 0x22114433u);
}

TEST(PixelStrips, StripCountTable) {
  struct Row {
    int dw, dh, sw, sh, expected;
  };
  const Row rows[] = {
      {1000, 1000, 4000, 4000, 8},    {100, 100, 100, 100, 1}, {100, 100, 100, 801, 2},
      {100, 2, 100, 100000, 2},       {10, 1, 10, 100000, 1},  {200000, 10, 200000, 10, 10},
      {1000, 5000, 1000, 100000, 16},
  };
  for (const Row& r : rows)
    EXPECT_EQ(GisComputeStripCount(r.dw, r.dh, r.sw, r.sh), r.expected)
        << r.dw << "x" << r.dh << " from " << r.sw << "x" << r.sh;
  // the bound: one strip's DIB plus a source row stays within 1,024,000
  // bytes unless the count reached 16 (or went per row)
  for (int dw : {200, 1920, 4000})
    for (int dh : {100, 1080, 3000})
      for (int rows : {300, 4000, 20000}) {
        const int n = GisComputeStripCount(dw, dh, 6000, rows);
        int t = 0, b = 0;
        GisStripRows(n, 0, 0, dh, t, b);
        const std::int64_t bytes = (std::int64_t(dw) * 3 + 4) * (b - t) + 6000 * 3 + 4;
        if (n < 16) { EXPECT_LE(bytes, 1024000) << dw << "x" << dh << " from " << rows; }
      }
  int t, b;
  GisStripRows(2, 0, 0, 1001, t, b);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(b, 501);
  GisStripRows(2, 1, 0, 1001, t, b);
  EXPECT_EQ(t, 500);
  EXPECT_EQ(b, 1001);
  // every row is covered, for every power-of-two count and height
  for (int n = 1; n <= 16; n *= 2) {
    for (int rows = 1; rows <= 2000; rows += 37) {
      std::vector<bool> covered(std::size_t(rows), false);
      for (int i = 0; i < n; ++i) {
        GisStripRows(n, i, 0, rows, t, b);
        for (int r = std::max(t, 0); r < std::min(b, rows); ++r)
          covered[std::size_t(r)] = true;
      }
      EXPECT_EQ(std::count(covered.begin(), covered.end(), false), 0) << n << " " << rows;
    }
  }
}

// ---- pipeline in a viewer
// -------------------------------------------------------------------------

class PixelLayer : public ::testing::Test {
protected:
  TMemLayer* Add(int w, int h, std::vector<std::uint8_t> px, TGIS_Extent e = {0, 0, 0, 0}) {
    auto* l = new TMemLayer(w, h, std::move(px),
                            GisIsSameExtent(e, {0, 0, 0, 0}) ? GisExtent(0, 0, w, h) : e);
    view.Show(l);
    return l;
  }
  TRasterView view{100, 60};
};

TEST_F(PixelLayer, GreyWeightsBandSelectionAndDefaults) {
  const std::vector<std::uint8_t> px = {255, 0, 0, 0, 0, 255, 0, 0, 0, 10, 20, 30};
  TMemLayer* l = Add(4, 1, px);
  l->Prepare();
  std::vector<std::uint8_t> row = px;
  l->ApplyPipeline(row.data(), 12);
  EXPECT_EQ(row, px) << "defaults leave the bytes alone";
  l->Px().SetGrayScale(true);
  l->Prepare();
  row = px;
  l->ApplyPipeline(row.data(), 12);
  // the first byte (blue) weighs 0.35, the third (red) 0.2; black becomes 1
  EXPECT_EQ(row[0], 89);
  EXPECT_EQ(row[3], 51);
  EXPECT_EQ(row[6], 1);
  EXPECT_EQ(row[9], 10 * 35 / 100 + 20 * 45 / 100 + 30 * 20 / 100);
  EXPECT_EQ(row[10], row[9]);
  l->Px().SetGrayScale(false);
  // the pipeline may give pure black (inverted white): nothing after it changes that
  l->Px().SetInversion(true);
  l->Prepare();
  std::uint8_t white[3] = {255, 255, 255};
  l->ApplyPipeline(white, 3);
  EXPECT_EQ(white[0] | white[1] | white[2], 0);
  l->Px().SetInversion(false);
  l->Px().SetRedBand(3);
  l->Prepare();
  EXPECT_EQ(l->BandIndex()[0], 2);
  l->Px().SetRedBand(4);
  l->Prepare();
  EXPECT_EQ(l->BandIndex()[0], 2) << "a band above the count keeps the index";
  l->Px().SetRedBand(0);
  l->Prepare();
  EXPECT_EQ(l->BandIndex()[0], 2);
}

TEST_F(PixelLayer, ZoneBytePositionsAndTransparency) {
  // a transparent zone "red" ($0000FF) marks pure blue B,G,R pixels
  const std::vector<std::uint8_t> px = {255, 0, 0, 0, 0, 255, 16, 16, 16, 17, 0, 0};
  TMemLayer* l = Add(4, 1, px);
  l->Px().TransparentZone().Add("red,red");
  l->Prepare();
  EXPECT_TRUE(l->HasTransparency());
  EXPECT_TRUE(l->IsTransparentPixel(&px[0]));
  EXPECT_FALSE(l->IsTransparentPixel(&px[3]));
  l->Px().TransparentZone().Clear();
  l->Px().TransparentZone().Add("$000000,$101010");
  l->Prepare();
  std::vector<std::uint8_t> row = px;
  l->ApplyPipeline(row.data(), 12);
  EXPECT_TRUE(l->IsTransparentPixel(&row[6]));
  EXPECT_FALSE(l->IsTransparentPixel(&row[9]));
}

TEST_F(PixelLayer, HistogramSamplesEvenlyAndEqualisationFollowsInversion) {
  TMemLayer* small = Add(2, 150, std::vector<std::uint8_t>(2 * 150 * 3, 9));
  small->ComputeHistogram();
  EXPECT_EQ(small->rowsRead.size(), 150u);
  auto* big =
      new TMemLayer(1, 10000, std::vector<std::uint8_t>(10000 * 3, 7), GisExtent(0, 0, 1, 10000));
  view.Viewer().Add(big);
  big->rowsRead.clear();
  big->ComputeHistogram();
  ASSERT_EQ(big->rowsRead.size(), 200u);
  for (std::size_t i = 0; i < 200; ++i)
    EXPECT_EQ(big->rowsRead[i], int(i) * 50);
  EXPECT_EQ(big->CombinedHistogram()[7], 200u);
  // transparent pixels are not counted
  TMemLayer* t = Add(2, 10, std::vector<std::uint8_t>(2 * 10 * 3, 100));
  t->Px().TransparentZone().Add("$646464,$646464");
  t->Px().SetHistogram(true);
  t->Prepare();
  EXPECT_TRUE(t->HistogramReady());
  EXPECT_EQ(t->CombinedHistogram()[100], 0u);
  // equalisation of a two-level picture, then inverted
  std::vector<std::uint8_t> two(2 * 100 * 3, 0);
  for (std::size_t i = 0; i < two.size(); i += 6)
    two[i] = two[i + 1] = two[i + 2] = 200;
  TMemLayer* e = Add(2, 100, two);
  e->Px().SetHistogram(true);
  e->Prepare();
  const std::uint8_t plain = e->ColorTable()[200][0];
  e->Px().SetInversion(true);
  e->Prepare();
  EXPECT_EQ(e->ColorTable()[200][0], 255 - plain);
}

TEST_F(PixelLayer, GridColoursRampZonesAndNoData) {
  auto* g = new TArrayLayer(3, 1, {0, 128, 255}, GisExtent(0, 0, 3, 1));
  view.Viewer().Add(g);
  g->Prepare();
  EXPECT_EQ(g->GridToColor(0), 0x202020u);
  EXPECT_EQ(g->GridToColor(128), 0x909090u);
  EXPECT_EQ(g->GridToColor(255), 0xFFFFFFu);
  EXPECT_EQ(g->GridToColor(std::numeric_limits<double>::quiet_NaN()), g->NoDataColor());
  EXPECT_EQ(g->GridToColor(std::numeric_limits<double>::infinity()), 0xFFFFFFu);
  g->PixelParams().AltitudeMapZone().Add("0,100,$0000FF");
  g->PixelParams().AltitudeMapZone().Add("100,200,$00FF00");
  g->Prepare();
  EXPECT_EQ(g->GridToColor(100), 0xFF0000u) << "first zone, drawn red (red byte high)";
  EXPECT_EQ(g->GridToColor(250), 0x00FF00u);
  EXPECT_EQ(g->GridToColor(-5), 0xFF0000u);
}

TEST_F(PixelLayer, LocateEdgesBlackAndNaN) {
  std::vector<std::uint8_t> px = Gradient(4, 2);
  px[0] = px[1] = px[2] = 0;
  TMemLayer* l = Add(4, 2, px, GisExtent(10, 20, 14, 22));
  std::uint32_t rgb = 0;
  bool transparent = true;
  std::vector<double> values;
  ASSERT_TRUE(l->Locate({10.2, 21.9}, rgb, transparent, values));
  EXPECT_EQ(rgb, 0x010101u);
  EXPECT_EQ(values, (std::vector<double>{0, 0, 0}));
  EXPECT_FALSE(transparent);
  ASSERT_TRUE(l->Locate({13.5, 20.5}, rgb, transparent, values));
  const std::uint8_t* p = &px[(1 * 4 + 3) * 3];
  EXPECT_EQ(rgb, std::uint32_t(p[0] | (p[1] << 8) | (p[2] << 16)));
  EXPECT_FALSE(l->Locate({14, 21}, rgb, transparent, values)) << "XMax";
  EXPECT_FALSE(l->Locate({11, 20}, rgb, transparent, values)) << "YMin";
  EXPECT_FALSE(l->Locate({std::nan(""), 21}, rgb, transparent, values));
}

TEST_F(PixelLayer, CreateCopySizesAndPixels) {
  const std::vector<std::uint8_t> px = Gradient(10, 5);
  TMemLayer* src = Add(10, 5, px, GisExtent(0, 0, 10, 5));
  struct Row {
    int w, h, expectW, expectH;
  };
  const Row rows[] = {
      {0, 0, 10, 5}, {20, 0, 20, 10}, {0, 10, 20, 10}, {5, 0, 5, 2}}; // 2.5 rows round to even
  for (const Row& r : rows) {
    SCOPED_TRACE(IntToStr(r.w) + "x" + IntToStr(r.h));
    TMemLayer copy(0, 0, {});
    copy.CreateCopy(*src, src->Extent(), r.w, r.h);
    EXPECT_EQ(copy.Width(), r.expectW);
    EXPECT_EQ(copy.Height(), r.expectH);
  }
  TGIS_LayerPixel copy;
  copy.CreateCopy(*src, src->Extent(), 0, 0);
  EXPECT_EQ(LayerRows(copy), px);
  TGIS_LayerPixel twice;
  twice.CreateCopy(*src, src->Extent(), 20, 10);
  const std::vector<std::uint8_t> big = LayerRows(twice);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      EXPECT_EQ(big[std::size_t((y * 20 + x) * 3)], px[std::size_t(((y / 2) * 10 + x / 2) * 3)])
          << x << "," << y;
}

TEST_F(PixelLayer, AfterConfigSharesTheRampRangeAcrossUnits) {
  auto* a = new TArrayLayer(1, 1, {0}, GisExtent(0, 0, 1, 1));
  a->SetMinValue(0), a->SetMaxValue(100);
  view.Viewer().Add(a);
  auto* b = new TArrayLayer(1, 1, {0}, GisExtent(0, 0, 1, 1));
  b->SetMinValue(50), b->SetMaxValue(500);
  view.Viewer().Add(b);
  b->AfterConfig();
  EXPECT_EQ(a->MinValue(), 0);
  EXPECT_EQ(a->MaxValue(), 500);
  EXPECT_EQ(b->MinValue(), 0);
  EXPECT_EQ(b->MaxValue(), 500);
  // kilometres against metres
  auto* km = new TArrayLayer(1, 1, {0}, GisExtent(0, 0, 1, 1));
  km->ValueUnits().SetType(gisUnitsKilometer);
  km->SetMinValue(-1), km->SetMaxValue(1);
  view.Viewer().Add(km);
  km->AfterConfig();
  EXPECT_FLOAT_EQ(a->MinValue(), -1000);
  EXPECT_FLOAT_EQ(km->MaxValue(), 1);
  EXPECT_FLOAT_EQ(a->MaxValue(), 1000);
}

TEST(PixelWorldFile, NumbersSeparatorsAndShortFiles) {
  TTempFolder dir;
  struct Row {
    std::string name, text;
    TGIS_Extent expected;
  };
  const Row rows[] = {
      {"hand row", "2\n0\n0\n-2\n100\n200\n", {99, 191, 119, 201}},
      {"five lines", "2\n0\n0\n-2\n100\n", {-0.5, -4.5, 9.5, 0.5}},
      {"blanks, comma, CR LF",
       "1 000\r\n0\r\n0\r\n-0,5\r\n0,5\r\n10\r\n",
       {-499.5, 7.75, 9500.5, 10.25}},
      {"positive line 4", "1\n0\n0\n1\n0\n10\n", {-0.5, 14.5, 9.5, 9.5}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WriteFile(dir.File("w.bmp"), "");
    WriteFile(dir.File("w.BPW"), r.text);
    TMemLayer l(10, 5, Gradient(10, 5));
    l.SetPath(dir.File("w.bmp"));
    l.ReadWorldFile(".BPW");
    l.Open();
    EXPECT_NEAR(l.Extent().XMin, r.expected.XMin, 1e-9);
    EXPECT_NEAR(l.Extent().YMin, r.expected.YMin, 1e-9);
    EXPECT_NEAR(l.Extent().XMax, r.expected.XMax, 1e-9);
    EXPECT_NEAR(l.Extent().YMax, r.expected.YMax, 1e-9);
  }
}

// ---- drawing
// -------------------------------------------------------------------------------------

TEST(PixelDraw, EnlargedPixelsFormBlocksAndReducedOnesLeaveNoGap) {
  const std::vector<std::uint8_t> px = Gradient(20, 12);
  {
    TRasterView view(60, 36);
    auto* l = new TMemLayer(20, 12, px, GisExtent(0, 0, 20, 12));
    view.Show(l);
    const std::vector<std::uint8_t> out = Render(view.Viewer(), 60, 36);
    for (int y = 3; y < 33; ++y)
      for (int x = 3; x < 57; ++x) {
        // interior pixels: each 3 x 3 block shows one source pixel
        const int bx = (x / 3) * 3 + 1, by = (y / 3) * 3 + 1;
        for (int k = 0; k < 3; ++k)
          ASSERT_EQ(out[std::size_t((y * 60 + x) * 3 + k)],
                    out[std::size_t((by * 60 + bx) * 3 + k)])
              << x << "," << y;
      }
  }
  for (double zoom : {0.37, 1.7}) {
    SCOPED_TRACE(zoom);
    const int w = 300, h = 3600;
    std::vector<std::uint8_t> big(std::size_t(w) * h * 3, 0x40);
    TRasterView view(int(w * zoom), int(h * zoom));
    auto* l = new TMemLayer(w, h, big, GisExtent(0, 0, w, h));
    view.Show(l);
    TBitmap b(int(w * zoom), int(h * zoom), pf24bit);
    view.Viewer().RenderToBitmap(&b);
    EXPECT_GE(l->StripCount(), 8);
    for (int y = 1; y < b.Height() - 1; ++y)
      ASSERT_EQ(b.ScanLine(y)[3 * (b.Width() / 2)], 0x40) << "background row " << y;
  }
}

TEST(PixelDraw, OneBitLineSurvivesFourToOneReduction) {
  const int w = 80, h = 8;
  std::vector<std::uint8_t> bits(std::size_t(w * h), 1);
  for (int y = 0; y < h; ++y)
    bits[std::size_t(y * w + 41)] = 0; // a black column
  TRasterView view(20, 2);
  TMemLayer* l = TMemLayer::OneBit(w, h, bits);
  l->placed = GisExtent(0, 0, w, h);
  view.Show(l);
  const std::vector<std::uint8_t> out = Render(view.Viewer(), 20, 2);
  int dark = 0;
  for (int x = 0; x < 20; ++x)
    dark += out[std::size_t(x * 3)] < 128;
  EXPECT_EQ(dark, 1);
}

TEST(PixelDraw, OneBitPictureIsTheFileAtOneToOneAndEnlarged) {
  // Output pixel x shows source pixel s(x); a reduced one is dark when any
  // source pixel passed since the previous output pixel is. At 1:1 and when
  // enlarging every output pixel is its own source pixel.
  const int w = 36, h = 6;
  std::vector<std::uint8_t> bits(std::size_t(w * h));
  std::uint32_t seed = 5;
  for (auto& b : bits) {
    seed = seed * 1664525u + 1013904223u;
    b = (seed >> 29) < 5 ? 1 : 0; // mostly white, black single pixels and runs
  }
  struct Row {
    const char* name;
    int num, den; // output pixels per source pixel
  };
  const Row rows[] = {{"1:1", 1, 1}, {"enlarged 2x", 2, 1}, {"enlarged 3x", 3, 1},
                      {"reduced 2:1", 1, 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const int ow = w * r.num / r.den, oh = h * r.num / r.den;
    auto source = [&](int x) { return x * r.den / r.num; };
    TRasterView view(ow, oh);
    TMemLayer* l = TMemLayer::OneBit(w, h, bits);
    l->placed = GisExtent(0, 0, w, h);
    view.Show(l);
    const std::vector<std::uint8_t> out = Render(view.Viewer(), ow, oh);
    int wrong = 0;
    for (int y = 0; y < oh; ++y)
      for (int x = 0; x < ow; ++x) {
        const int last = source(x), first = x == 0 ? last : std::min(last, source(x - 1) + 1);
        bool white = true;
        for (int sx = first; sx <= last; ++sx)
          white = white && bits[std::size_t(source(y) * w + sx)] != 0;
        wrong += (out[std::size_t((y * ow + x) * 3)] >= 128) != white;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(PixelDraw, TransparentZoneShowsTheLayerBelow) {
  TRasterView view(4, 1);
  auto* below = new TMemLayer(4, 1, std::vector<std::uint8_t>(12, 0x33), GisExtent(0, 0, 4, 1));
  view.form.viewer->Add(below);
  const std::vector<std::uint8_t> px = {255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255};
  auto* top = new TMemLayer(4, 1, px, GisExtent(0, 0, 4, 1));
  top->Px().TransparentZone().Add("red,red"); // pure blue B,G,R pixels
  view.Show(top);
  const std::vector<std::uint8_t> out = Render(view.Viewer(), 4, 1);
  const std::vector<std::uint8_t> expected = {0x33, 0x33, 0x33, 0, 255, 0,
                                              0x33, 0x33, 0x33, 0, 0,   255};
  EXPECT_EQ(out, expected);
}

TEST(PixelDraw, BlackInZoneListsIsBlackHoweverItIsSpelt) {
  // B,G,R pixels: black, a dark blue with zero bytes, (16,16,16), (0,0,17), white
  const std::vector<std::uint8_t> px = {0, 0, 0, 5, 0, 0, 16, 16, 16, 0, 0, 17, 255, 255, 255};
  const int n = 5;
  struct Row {
    const char* to;                 // the zone's upper bound ("" for black itself)
    std::vector<bool> transparent;  // per pixel
  };
  const Row rows[] = {{"$101010", {true, true, true, false, false}},
                      {"", {true, false, false, false, false}}};
  for (const char* black : {"0", "$0", "$000000", "black", "BLACK", "0:0:0"}) {
    for (const Row& r : rows) {
      const std::string zone = std::string(black) + "," + (*r.to ? r.to : black);
      SCOPED_TRACE(zone);
      TRasterView view(n, 1);
      view.form.viewer->Add(new TMemLayer(n, 1, std::vector<std::uint8_t>(3 * n, 0x33),
                                          GisExtent(0, 0, n, 1)));
      auto* top = new TMemLayer(n, 1, px, GisExtent(0, 0, n, 1));
      top->Px().TransparentZone().Add(zone);
      view.Show(top);
      const std::vector<std::uint8_t> out = Render(view.Viewer(), n, 1);
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(out[std::size_t(3 * i)] == 0x33 && out[std::size_t(3 * i + 1)] == 0x33,
                  r.transparent[std::size_t(i)])
            << "pixel " << i;
    }
    // a two-colour picture: its black is transparent, its white is not
    SCOPED_TRACE(black);
    TRasterView view(4, 1);
    view.form.viewer->Add(new TMemLayer(4, 1, std::vector<std::uint8_t>(12, 0x33),
                                        GisExtent(0, 0, 4, 1)));
    TMemLayer* mono = TMemLayer::OneBit(4, 1, {0, 1, 0, 1});
    mono->placed = GisExtent(0, 0, 4, 1);
    mono->Px().TransparentZone().Add(std::string(black) + "," + black);
    view.Show(mono);
    const std::vector<std::uint8_t> out = Render(view.Viewer(), 4, 1);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x33, 0x33, 0x33, 255, 255, 255, 0x33, 0x33, 0x33,
                                              255, 255, 255}));
  }
}

TEST(PixelDraw, NothingDrawnAtZoomZeroOrInvisibleAndInterruptStopsStrips) {
  TRasterView view(100, 1000);
  const int w = 100, h = 4000;
  auto* l = new TMemLayer(w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 3, 0x50),
                          GisExtent(0, 0, w, h));
  view.Show(l);
  view.Viewer().SetVisibleExtent(l->Extent());
  TGIS_Extent e{0, 0, 0, 0};
  l->GetDrawExtent(e);
  l->Px();
  static_cast<TGIS_ParamsSection&>(l->GetParamsSection()).SetVisible(false);
  EXPECT_FALSE(l->DrawRaster(e));
  static_cast<TGIS_ParamsSection&>(l->GetParamsSection()).SetVisible(true);
  // interrupt while strip 2 of 8 reads: strips 3 to 7 are not drawn
  int firstRowOfStrip3 = -1;
  l->OnRead = [&](int row) {
    if (row >= 2 * h / 8 && firstRowOfStrip3 < 0) { // strip 2 reads
      firstRowOfStrip3 = row;
      view.Viewer().RequestInterrupt();
    }
  };
  l->rowsRead.clear();
  EXPECT_TRUE(l->DrawRaster(e));
  EXPECT_EQ(l->StripCount(), 8);
  EXPECT_LT(*std::max_element(l->rowsRead.begin(), l->rowsRead.end()), 3 * h / 8 + 4);
}

TEST(PixelDraw, DrawExtentCutsATileAndFramesIt) {
  TRasterView view(40, 20);
  auto* back = new TMemLayer(1, 1, {10, 10, 10}, GisExtent(0, 0, 40, 20));
  view.Show(back);
  auto* tile = new TMemLayer(20, 10, Gradient(20, 10), GisExtent(30, 5, 50, 15));
  view.form.viewer->Add(tile);
  view.Viewer().SetVisibleExtent(GisExtent(0, 0, 40, 20));
  tile->PaintHook = [](TGIS_Viewer*, TGIS_LayerAbstract* layer) {
    static_cast<TGIS_LayerPixel*>(layer)->DrawExtent(GisExtent(30, 5, 50, 15), true);
  };
  const std::vector<std::uint8_t> out = Render(view.Viewer(), 40, 20);
  auto at = [&](int x, int y) { return &out[std::size_t((y * 40 + x) * 3)]; };
  // the tile's left half lands at columns 30..39 (rows 5..14) with its own pixels
  const std::vector<std::uint8_t> g = Gradient(20, 10);
  EXPECT_EQ(at(31, 6)[0], g[std::size_t((1 * 20 + 1) * 3)]);
  EXPECT_EQ(at(39, 13)[0], g[std::size_t((8 * 20 + 9) * 3)]);
  EXPECT_EQ(at(29, 10)[0], 10) << "left of the tile: the layer below";
  // the frame ($FFFF00: B and G full) on the top and left edges, and one
  // pixel out at the bottom
  for (auto [x, y] : {std::pair{30, 5}, std::pair{35, 5}, std::pair{30, 10}, std::pair{35, 15}}) {
    EXPECT_EQ(at(x, y)[0], 0xFF) << x << "," << y;
    EXPECT_EQ(at(x, y)[1], 0xFF) << x << "," << y;
    EXPECT_EQ(at(x, y)[2], 0x00) << x << "," << y;
  }
  EXPECT_EQ(at(35, 14)[0], g[std::size_t((9 * 20 + 5) * 3)]);
}

TEST_F(PixelLayer, GridCopyKeepsValuesAndNoDataAndColourSourcesColourInGridMode) {
  const float nd = 32768;
  auto* g = new TArrayLayer(4, 2, {1, 2, nd, 4, 5, 6, 7, 8}, GisExtent(0, 0, 4, 2));
  g->SetMinValue(0), g->SetMaxValue(10);
  view.Viewer().Add(g);
  TGIS_LayerPixel copy;
  copy.CreateCopy(*g, g->Extent(), 0, 0);
  ASSERT_EQ(copy.Width(), 4);
  std::vector<float> row(4);
  EXPECT_EQ(copy.ReadGridLine(row, 0, 4, 0), 4);
  EXPECT_EQ(row, (std::vector<float>{1, 2, nd, 4}));
  TGIS_GridArray half(1, std::vector<float>(2, -1));
  ASSERT_TRUE(g->GetGrid(g->Extent(), half));
  EXPECT_EQ(half[0][0], 1);
  // a colour layer shown as a grid of its first byte
  TMemLayer* c = Add(2, 1, {0, 0, 0, 255, 255, 255});
  c->SetGridMode(true);
  EXPECT_TRUE(c->IsGrid());
  std::vector<std::uint8_t> px = {0, 9, 9, 255, 9, 9};
  c->ColorizeGridLine(px.data(), 6);
  EXPECT_EQ(px, (std::vector<std::uint8_t>{0x20, 0x20, 0x20, 0xFF, 0xFF, 0xFF}));
}
