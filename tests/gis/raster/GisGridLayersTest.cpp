// The grid file layers (ASCII and Surfer text grids, float grids, Binary
// Terrain, DTED, USGS DEM and BIL) against files GDAL writes at test time
// (tests/data/grids/gdal_grid.py), with GDAL's reading of the same files
// as the oracle cell by cell and for the extent.
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>

#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerBIL.h"
#include "gis/raster/GisLayerBT.h"
#include "gis/raster/GisLayerDEM.h"
#include "gis/raster/GisLayerDTED.h"
#include "gis/raster/GisLayerFLT.h"
#include "gis/raster/GisLayerGRD.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace grid_layers_test {

// A number as the grid files write it (a '.' whatever the locale), blanks around it.
double GridNumberText(const std::string& text) {
  return GisStrToFloat(Trim(text));
}

std::string DataFile(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/" + name;
}

const char* const kPython = "/usr/bin/python3";

bool HaveGdal() {
  static const bool have = HasTool("gdal_translate") &&
                           RunTool(std::string(kPython) + " -c 'from osgeo import gdal; print(1)'") == "1\n";
  return have;
}

#define REQUIRE_GDAL() \
  if (!HaveGdal()) GTEST_SKIP() << "GDAL with its Python bindings is missing"

/// Writes a fixture: gdal_grid.py make <args>.
void Make(const std::string& args) {
  RunTool(std::string(kPython) + " '" + DataFile("grids/gdal_grid.py") + "' make " + args);
}

/// GDAL's reading of one band of a file.
struct TGdalGrid {
  int W = 0, H = 0;
  double Gt[6] = {0, 0, 0, 0, 0, 0};
  bool HasNoData = false;
  double NoData = 0;
  std::vector<double> Cells;
  double At(int x, int y) const { return Cells[std::size_t(y) * std::size_t(W) + std::size_t(x)]; }
  bool IsNoData(int x, int y) const { return HasNoData && At(x, y) == NoData; }
  TGIS_Extent Extent() const {
    return GisExtent(Gt[0], Gt[3] + H * Gt[5], Gt[0] + W * Gt[1], Gt[3]);
  }
};

TGdalGrid Dump(const TTempFolder& dir, const std::string& path, int band = 1) {
  const std::string raw = dir.File("dump.raw");
  std::istringstream out(RunTool(std::string(kPython) + " '" + DataFile("grids/gdal_grid.py") +
                                 "' dump '" + path + "' '" + raw + "' " + IntToStr(band)));
  TGdalGrid g;
  std::string nodata;
  out >> g.W >> g.H;
  for (double& v : g.Gt)
    out >> v;
  out >> nodata;
  if (nodata != "none" && !nodata.empty()) {
    g.HasNoData = true;
    g.NoData = GridNumberText(nodata);
  }
  const std::string bytes = ReadFile(raw);
  g.Cells.resize(bytes.size() / 8);
  if (!g.Cells.empty()) std::memcpy(g.Cells.data(), bytes.data(), g.Cells.size() * 8);
  EXPECT_EQ(g.Cells.size(), std::size_t(g.W) * std::size_t(g.H)) << "GDAL could not read " << path;
  return g;
}

template <class TLayer> std::unique_ptr<TLayer> OpenGrid(const std::string& path) {
  auto layer = std::make_unique<TLayer>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

void ExpectExtent(const TGIS_Extent& ours, const TGIS_Extent& theirs, double tolerance,
                  const std::string& what) {
  EXPECT_NEAR(ours.XMin, theirs.XMin, tolerance) << what;
  EXPECT_NEAR(ours.YMin, theirs.YMin, tolerance) << what;
  EXPECT_NEAR(ours.XMax, theirs.XMax, tolerance) << what;
  EXPECT_NEAR(ours.YMax, theirs.YMax, tolerance) << what;
}

/// Every cell through GetGridValue and ReadGridLine equals GDAL's (no
/// data where GDAL has it, when `noDataTested`).
void ExpectCells(TGIS_LayerPixel& layer, const TGdalGrid& g, const std::string& what,
                 bool noDataTested = true) {
  ASSERT_EQ(layer.Width(), g.W) << what;
  ASSERT_EQ(layer.Height(), g.H) << what;
  std::vector<float> line(std::size_t(g.W));
  int wrong = 0;
  for (int y = 0; y < g.H && wrong < 5; ++y) {
    ASSERT_EQ(layer.ReadGridLine(line, y, g.W, 0), g.W) << what << " row " << y;
    for (int x = 0; x < g.W && wrong < 5; ++x) {
      std::vector<double> v(1);
      const bool has = layer.GetGridValue(TPoint{x, y}, v);
      const bool none = noDataTested && g.IsNoData(x, y);
      if (has == none || float(v[0]) != float(g.At(x, y)) || line[std::size_t(x)] != float(g.At(x, y))) {
        ++wrong;
        ADD_FAILURE() << what << " cell (" << x << ", " << y << "): ours " << v[0] << " / "
                      << line[std::size_t(x)] << (has ? "" : " (no data)") << ", GDAL " << g.At(x, y)
                      << (none ? " (no data)" : "");
      }
    }
  }
}

/// The drawn colour of every cell equals the ramp's colour of its value
/// (the no-data colour for no data).
void ExpectDrawnValues(TGIS_LayerPixel& layer, const TGdalGrid& g, const std::string& what,
                       bool noDataTested = true) {
  const std::vector<std::uint8_t> rows = LayerRows(layer);
  int wrong = 0;
  for (int y = 0; y < g.H && wrong < 5; ++y)
    for (int x = 0; x < g.W && wrong < 5; ++x) {
      std::uint8_t want[3];
      layer.PutGridPixel(want, g.At(x, y), noDataTested && g.IsNoData(x, y));
      const std::uint8_t* got = &rows[(std::size_t(y) * std::size_t(g.W) + std::size_t(x)) * 3];
      if (std::memcmp(got, want, 3) != 0) {
        ++wrong;
        ADD_FAILURE() << what << " drawn cell (" << x << ", " << y << ") of value " << g.At(x, y);
      }
    }
}

int ErrorOf(const std::function<void()>& open) {
  try {
    open();
  } catch (const EGIS_Exception& e) {
    return e.ErrorNumber();
  }
  return -1;
}

/// A damaged copy of a file: `text` written over it at `at`.
std::string Patched(const std::string& good, std::size_t at, const std::string& text) {
  std::string s = good;
  s.replace(at, text.size(), text);
  return s;
}

struct TDamage {
  const char* Name;
  std::string Bytes;
};

/// Each damaged file, written to `path` in turn, is refused with 0031.
template <class TLayer> void ExpectRefused(const std::string& path, const std::vector<TDamage>& cases) {
  for (const TDamage& c : cases) {
    WriteFile(path, c.Bytes);
    EXPECT_EQ(ErrorOf([&] { OpenGrid<TLayer>(path); }), 3) << c.Name;
  }
}

// ---- ASCII and Surfer grids ------------------------------------------------------------------

/// The lines of a text; the header of an ASCII grid is its first six.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    lines.push_back(l);
  return lines;
}

TEST(GisLayerGRD, AsciiGridHeadersPlaceTheGridAsGdal) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("AAIGrid '" + dir.File("a.grd") + "' Int16 5 4 100 240 10 10 --nodata -9999 --void 1,1,-9999");
  const TGdalGrid gdal = Dump(dir, dir.File("a.grd"));
  const std::vector<std::string> lines = LinesOf(ReadFile(dir.File("a.grd")));
  ASSERT_GE(lines.size(), 10u);
  std::string data;
  for (std::size_t i = 6; i < lines.size(); ++i)
    data += lines[i] + "\n";
  const std::string sizes = "ncols 5\nnrows 4\n", nodata = "NODATA_value -9999\n";
  struct TCase {
    const char* Name;
    std::string Text;
    TGIS_Extent Extent;
  };
  const TGIS_Extent standard = GisExtent(100, 200, 150, 240);
  std::string crlf;
  for (char c : sizes + "xllcorner 100\nyllcorner 200\ncellsize 10\n" + nodata + data)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const TCase cases[] = {
      {"as GDAL wrote it", ReadFile(dir.File("a.grd")), standard},
      {"lower-left centre", sizes + "XLLCENTER 105\nYLLCENTER 205\nCELLSIZE 10\n" + nodata + data, standard},
      {"CR LF lines", crlf, standard},
      {"decimal comma", sizes + "xllcorner 100,0\nyllcorner 200,0\ncellsize 10,0\n" + nodata + data, standard},
      {"an unknown keyword", sizes + "units metres\nxllcorner 100\nyllcorner 200\ncellsize 10\n" + nodata + data,
       standard},
      {"XDIM and YDIM", sizes + "xllcorner 100\nyllcorner 200\nxdim 10\nydim 5\n" + nodata + data,
       GisExtent(100, 200, 150, 220)},
  };
  for (const TCase& c : cases) {
    WriteFile(dir.File("v.grd"), c.Text);
    auto layer = OpenGrid<TGIS_LayerGRD>(dir.File("v.grd"));
    ExpectExtent(layer->Extent(), c.Extent, 1e-9, c.Name);
    ExpectCells(*layer, gdal, c.Name);
    EXPECT_EQ(layer->NoDataValue(), -9999) << c.Name;
    EXPECT_EQ(layer->MinValue(), -1000) << c.Name; // the range skips no data
    EXPECT_NE(layer->InfoText().find("Arc/Info ASCII Grid Format (GRD)\r\n5 x 4"), std::string::npos);
  }
  // kept: an unknown keyword followed by a number ends the header there
  WriteFile(dir.File("k.grd"), sizes + "xllcorner 100\nyllcorner 200\ncellsize 10\ndx 10\n" + data);
  auto layer = OpenGrid<TGIS_LayerGRD>(dir.File("k.grd"));
  EXPECT_EQ(layer->Values()[0][0], 10);
  EXPECT_EQ(layer->Values()[0][1], gdal.At(0, 0));
  // GDAL's grid drawn: no data transparent, the rest on the ramp
  auto drawn = OpenGrid<TGIS_LayerGRD>(dir.File("a.grd"));
  ExpectDrawnValues(*drawn, gdal, "drawn");
  EXPECT_TRUE(drawn->HasTransparency());
}

TEST(GisLayerGRD, SurferGridsStartAtTheSouthRowAndNodeCentres) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("GSAG '" + dir.File("s.grd") + "' Float32 5 4 100 240 10 10");
  const TGdalGrid gdal = Dump(dir, dir.File("s.grd"));
  auto layer = OpenGrid<TGIS_LayerGRD>(dir.File("s.grd"));
  ExpectExtent(layer->Extent(), gdal.Extent(), 1e-9, "Surfer");
  EXPECT_DOUBLE_EQ(layer->PixelSizeX(), 10);
  EXPECT_DOUBLE_EQ(layer->PixelSizeY(), -10);
  ExpectCells(*layer, gdal, "Surfer", false);
  // the first value after the header is the south-west node
  const std::vector<std::string> lines = LinesOf(ReadFile(dir.File("s.grd")));
  EXPECT_EQ(layer->Values()[3][0], float(GridNumberText(lines[5].substr(0, lines[5].find(' ')))));
  // the header's z range is the value range
  EXPECT_FLOAT_EQ(layer->MinValue(), float(GridNumberText(lines[4].substr(0, lines[4].find(' ')))));
  EXPECT_FLOAT_EQ(layer->MaxValue(), float(GridNumberText(lines[4].substr(lines[4].find(' ') + 1))));
}

TEST(GisLayerGRD, ReportsProgressEveryThousandValuesAndStopsOnAbort) {
  TTempFolder dir;
  std::string text = "ncols 50\nnrows 50\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
  for (int i = 0; i < 2500; ++i)
    text += IntToStr(i + 1) + (i % 50 == 49 ? "\n" : " ");
  WriteFile(dir.File("p.grd"), text);
  for (const bool abort : {false, true}) {
    TViewerForm form(60, 60);
    std::vector<int> positions;
    form.viewer->OnBusy = [&](void*, int pos, int end, bool& stop) {
      if (pos > 0 && end == int(text.size())) {
        positions.push_back(pos);
        if (abort && positions.size() == 2) stop = true;
      }
    };
    auto* layer = new TGIS_LayerGRD;
    layer->SetPath(dir.File("p.grd"));
    form.viewer->Add(layer);
    // after values 1, 1001 and 2001 (the position is past the value after
    // it, which was read ahead)
    ASSERT_EQ(positions.size(), abort ? 2u : 3u);
    const std::size_t second = text.find(" 1002 ");
    EXPECT_EQ(positions[1], int(second + 6));
    const TGIS_GridArray& v = layer->Values();
    EXPECT_EQ(v[20][0], 1001);
    EXPECT_EQ(v[20][1], abort ? 0 : 1002) << "reading goes on only without an abort";
    EXPECT_EQ(v[49][49], abort ? 0 : 2500);
  }
}

TEST(GisLayerGRD, DamagedTextGrids) {
  TTempFolder dir;
  // a truncated grid keeps zeros for what is missing
  WriteFile(dir.File("t.grd"), "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n5 6 7 8");
  auto layer = OpenGrid<TGIS_LayerGRD>(dir.File("t.grd"));
  EXPECT_EQ(layer->Values()[1][0], 8);
  EXPECT_EQ(layer->Values()[1][2], 0);
  // a header far larger than the file is refused before anything is sized by it
  for (const std::string header :
       {"ncols 1000000\nnrows 1000000\n", "ncols -4\nnrows 3\n", "DSAA\n1000000 1000000 0 1 0 1 0 1\n"}) {
    WriteFile(dir.File("h.grd"), header + "xllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 4\n");
    EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerGRD>(dir.File("h.grd")); }), 3) << header;
  }
  // a value that is no number
  WriteFile(dir.File("n.grd"), "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 #\n");
  EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerGRD>(dir.File("n.grd")); }), 3);
}

// ---- float grids ------------------------------------------------------------------------------

/// A float grid with a GridFloat header (GDAL reads it as well).
void WriteFloatGrid(const TTempFolder& dir, const std::string& name, int w, int h, bool msb,
                    const std::function<float(int, int)>& value) {
  WriteFile(dir.File(name + ".hdr"), "ncols " + IntToStr(w) + "\nnrows " + IntToStr(h) +
                                         "\nxllcorner 300\nyllcorner 400\ncellsize 0.5\n"
                                         "NODATA_value -9999\nbyteorder " +
                                         (msb ? "MSBFIRST" : "LSBFIRST") + "\n");
  std::string bytes;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float f = value(x, y);
      std::uint8_t b[4];
      std::memcpy(b, &f, 4);
      if (msb) std::reverse(b, b + 4);
      bytes.append(reinterpret_cast<const char*>(b), 4);
    }
  WriteFile(dir.File(name + ".flt"), bytes);
}

TEST(GisLayerFLT, FloatGridsInBothByteOrdersAgreeWithGdal) {
  REQUIRE_GDAL();
  TTempFolder dir;
  auto value = [](int x, int y) { return x == 2 && y == 1 ? -9999.0f : float(x * 1.25 - y * 3.5 + 0.125); };
  for (const bool msb : {false, true}) {
    const std::string name = msb ? "msb" : "lsb";
    WriteFloatGrid(dir, name, 7, 5, msb, value);
    const TGdalGrid gdal = Dump(dir, dir.File(name + ".flt"));
    auto layer = OpenGrid<TGIS_LayerFLT>(dir.File(name + ".flt"));
    EXPECT_EQ(layer->SwapBytes(), msb);
    ExpectExtent(layer->Extent(), gdal.Extent(), 1e-9, name);
    ExpectExtent(layer->Extent(), GisExtent(300, 400, 303.5, 402.5), 1e-9, name);
    ExpectCells(*layer, gdal, name);
    ExpectDrawnValues(*layer, gdal, name);
    // the same row twice fills the caller's array both times
    std::vector<float> a(7, 0), b(7, 0);
    layer->ReadGridLine(a, 3, 7, 0);
    layer->ReadGridLine(b, 3, 7, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a[6], value(6, 3));
  }
}

TEST(GisLayerFLT, ValueRangeSamplesAtMost750Rows) {
  TTempFolder dir;
  // row 0 is not among the 750 rows sampled of 2000, row 1 is
  WriteFloatGrid(dir, "tall", 3, 2000, false,
                 [](int x, int y) { return y == 0 ? 1e6f : y == 1 ? 500.0f : float(x + y % 7); });
  auto layer = OpenGrid<TGIS_LayerFLT>(dir.File("tall.flt"));
  EXPECT_EQ(layer->MaxValue(), 500);
  EXPECT_EQ(layer->MinValue(), 0);
  std::vector<double> v(1);
  EXPECT_TRUE(layer->GetGridValue(TPoint{1, 0}, v));
  EXPECT_EQ(v[0], 1e6);
  layer->ComputeMinMax(1);
  EXPECT_EQ(layer->MaxValue(), 1e6f);
}

TEST(GisLayerFLT, DamagedFloatGrids) {
  TTempFolder dir;
  WriteFloatGrid(dir, "g", 4, 4, false, [](int x, int y) { return float(x + y); });
  // the header announces more values than the file holds
  WriteFile(dir.File("big.hdr"), "ncols 1000000\nnrows 1000000\ncellsize 1\n");
  WriteFile(dir.File("big.flt"), ReadFile(dir.File("g.flt")));
  EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerFLT>(dir.File("big.flt")); }), 3);
  WriteFile(dir.File("short.hdr"), ReadFile(dir.File("g.hdr")));
  WriteFile(dir.File("short.flt"), ReadFile(dir.File("g.flt")).substr(0, 60));
  EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerFLT>(dir.File("short.flt")); }), 3);
  // the file cut after Open: reading raises the kernel's error
  auto layer = OpenGrid<TGIS_LayerFLT>(dir.File("g.flt"));
  WriteFile(dir.File("g.flt"), "");
  layer->MakeDormant();
  std::vector<double> v(1);
  EXPECT_EQ(ErrorOf([&] { layer->GetGridValue(TPoint{3, 3}, v); }), 3);
}

// ---- Binary Terrain ---------------------------------------------------------------------------

TEST(GisLayerBT, GdalBinaryTerrainFilesAgreeWithGdal) {
  REQUIRE_GDAL();
  TTempFolder dir;
  for (const std::string type : {"Int16", "Int32", "Float32"}) {
    const std::string path = dir.File(type + ".bt");
    Make("BT '" + path + "' " + type + " 6 5 1000 2050 10 10 --epsg 32633");
    const TGdalGrid gdal = Dump(dir, path);
    auto layer = OpenGrid<TGIS_LayerBT>(path);
    // GDAL's ".prj" is a projection text: the header's bounds place the grid
    ExpectExtent(layer->Extent(), gdal.Extent(), 1e-9, type);
    ExpectExtent(layer->Extent(), GisExtent(1000, 2000, 1060, 2050), 1e-9, type);
    ExpectCells(*layer, gdal, type, false);
    ExpectDrawnValues(*layer, gdal, type);
    EXPECT_EQ(layer->Floats(), type == "Float32");
    EXPECT_NE(layer->InfoText().find(type == "Float32" ? "; floats" : "; integers"), std::string::npos);
    // the top-left cell is the last value of the first column
    std::vector<double> v(1);
    layer->GetGridValue(TPoint{0, 0}, v);
    const std::string bytes = ReadFile(path);
    const std::size_t size = type == "Int16" ? 2 : 4;
    std::int32_t raw = 0;
    std::memcpy(&raw, bytes.data() + 256 + 4 * size, size);
    const double last = type == "Float32" ? double(std::bit_cast<float>(raw))
                        : type == "Int16" ? double(std::int16_t(raw))
                                          : double(raw);
    EXPECT_EQ(v[0], last) << type;
  }
  // without any companion the header's bounds place it too
  std::filesystem::remove(dir.File("Int16.prj"));
  auto bare = OpenGrid<TGIS_LayerBT>(dir.File("Int16.bt"));
  ExpectExtent(bare->Extent(), GisExtent(1000, 2000, 1060, 2050), 1e-9, "no .prj");
}

TEST(GisLayerBT, KeywordCompanionPlacesTheGrid) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("BT '" + dir.File("k.bt") + "' Int16 6 5 1000 2050 10 10");
  WriteFile(dir.File("k.prj"), "ncols 6\nnrows 5\nxllcorner 0\nyllcorner 0\ncellsize 20\n");
  auto layer = OpenGrid<TGIS_LayerBT>(dir.File("k.bt"));
  ExpectExtent(layer->Extent(), GisExtent(0, 0, 120, 100), 1e-9, "keyword .prj");
}

TEST(GisLayerBT, ReducedScaleReadsEveryOtherColumn) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("BT '" + dir.File("r.bt") + "' Int16 16 8 0 80 10 10");
  const TGdalGrid gdal = Dump(dir, dir.File("r.bt"));
  auto layer = OpenGrid<TGIS_LayerBT>(dir.File("r.bt"));
  layer->WakeUp();
  struct TCase {
    double Scale;
    int Row, Count, FirstColumn;
  };
  for (const TCase& c : {TCase{0.5, 1, 8, 1}, TCase{0.25, 1, 4, 3}}) {
    EXPECT_EQ(layer->GetOverviewScale(16, 16 * c.Scale), c.Scale);
    std::vector<float> values(16);
    const std::int64_t before = layer->ValueReads();
    ASSERT_EQ(layer->ReadGridLine(values, c.Row, c.Count / c.Scale, 0), c.Count);
    EXPECT_EQ(layer->ValueReads() - before, c.Count) << "one read per column taken";
    // the row of the full grid at row / scale, every (1 / scale)-th column
    const int fullRow = int(std::lround(c.Row / c.Scale));
    for (int i = 0; i < c.Count; ++i)
      EXPECT_EQ(values[std::size_t(i)], gdal.At(c.FirstColumn + int(i / c.Scale), fullRow))
          << c.Scale << " value " << i;
    // the same row again comes from memory
    const std::int64_t again = layer->ValueReads();
    std::vector<std::uint8_t> row(3 * 16);
    layer->ReadLine(row.data(), c.Row, 3 * c.Count, 0);
    EXPECT_EQ(layer->ValueReads(), again);
  }
  EXPECT_EQ(layer->GetOverviewScale(16, 32), 1);
  EXPECT_EQ(layer->GetOverviewScale(0, 8), 1);
}

TEST(GisLayerBT, GetGridAtHalfSizeReadsTheFullGrid) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("BT '" + dir.File("r.bt") + "' Int16 16 8 0 80 10 10");
  Make("AAIGrid '" + dir.File("r.grd") + "' Int16 16 8 0 80 10 10");
  auto bt = OpenGrid<TGIS_LayerBT>(dir.File("r.bt"));
  auto grd = OpenGrid<TGIS_LayerGRD>(dir.File("r.grd"));
  ASSERT_EQ(bt->Extent().XMax, grd->Extent().XMax);
  for (const int cols : {16, 8, 4}) {
    TGIS_GridArray a(std::size_t(cols / 2), std::vector<float>(std::size_t(cols), 0));
    TGIS_GridArray b = a;
    EXPECT_TRUE(bt->GetGrid(bt->Extent(), a));
    EXPECT_TRUE(grd->GetGrid(grd->Extent(), b));
    EXPECT_EQ(a, b) << cols << " columns";
    EXPECT_EQ(bt->ReadScale(), 1);
  }
}

/// A little-endian Binary Terrain header.
std::string BtHeader(std::int32_t w, std::int32_t h, int size, int floats) {
  std::string s(256, '\0');
  std::memcpy(s.data(), "binterr1.3", 10);
  std::memcpy(s.data() + 10, &w, 4);
  std::memcpy(s.data() + 14, &h, 4);
  const std::int16_t sz = std::int16_t(size), fl = std::int16_t(floats);
  std::memcpy(s.data() + 18, &sz, 2);
  std::memcpy(s.data() + 20, &fl, 2);
  const double bounds[4] = {0, double(w), 0, double(h)};
  std::memcpy(s.data() + 28, bounds, 32);
  return s;
}

TEST(GisLayerBT, HeadersAnnouncingMoreThanTheFileAreRefused) {
  TTempFolder dir;
  struct TCase {
    const char* Name;
    std::string Bytes;
    int Error;
  };
  const TCase cases[] = {
      {"fits", BtHeader(3, 2, 2, 0) + std::string(12, '\1'), -1},
      {"one value short", BtHeader(3, 2, 2, 0) + std::string(11, '\1'), 3},
      {"huge", BtHeader(100000, 100000, 4, 1) + std::string(64, '\1'), 3},
      {"negative width", BtHeader(-3, 2, 2, 0) + std::string(12, '\1'), 3},
      {"odd value size", BtHeader(3, 2, 3, 0) + std::string(18, '\1'), 3},
      {"no header", std::string(100, '\0'), 3},
  };
  for (const TCase& c : cases) {
    WriteFile(dir.File("h.bt"), c.Bytes);
    EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerBT>(dir.File("h.bt")); }), c.Error) << c.Name;
  }
}

// ---- DTED ---------------------------------------------------------------------------------------

TEST(GisLayerDTED, TilesAgreeWithGdalInBothHemispheres) {
  REQUIRE_GDAL();
  TTempFolder dir;
  constexpr double kPost = 1.0 / 120;
  struct TCase {
    const char* Name;
    double West, North;
  };
  // the south-west posts: 14E 45N and 15W 12S
  const TCase cases[] = {{"north east", 14 - kPost / 2, 46 + kPost / 2},
                         {"south west", -15 - kPost / 2, -11 + kPost / 2}};
  for (const TCase& c : cases) {
    const std::string path = dir.File("t.dt0");
    Make("DTED '" + path + "' Int16 121 121 " + FloatToStr(c.West) + " " + FloatToStr(c.North) + " " +
         FloatToStr(kPost) + " " + FloatToStr(kPost) + " --epsg 4326 --void 0,120,-5 --void 3,7,-32767");
    const TGdalGrid gdal = Dump(dir, path);
    ASSERT_EQ(gdal.At(0, 120), -5) << "GDAL wrote the test's value";
    auto layer = OpenGrid<TGIS_LayerDTED>(path);
    const double r = std::numbers::pi / 180;
    const TGIS_Extent e = gdal.Extent();
    ExpectExtent(layer->Extent(), GisExtent(e.XMin * r, e.YMin * r, e.XMax * r, e.YMax * r), 1e-12, c.Name);
    EXPECT_LT(layer->Extent().YMin, 0 + (c.North > 0 ? 1 : 0)) << c.Name;
    // kept: no value is no data to this layer, GDAL's void code included
    ExpectCells(*layer, gdal, c.Name, false);
    ExpectDrawnValues(*layer, gdal, c.Name, false);
    std::vector<double> v(1);
    layer->GetGridValue(TPoint{0, 120}, v);
    EXPECT_EQ(v[0], -5);
    EXPECT_EQ(layer->MinValue(), -32767) << "the scan includes every value";
  }
}

TEST(GisLayerDTED, DamagedFiles) {
  REQUIRE_GDAL();
  TTempFolder dir;
  const std::string path = dir.File("t.dt1");
  Make("DTED '" + path + "' Int16 121 121 " + FloatToStr(14 - 1.0 / 240) + " " +
       FloatToStr(46 + 1.0 / 240) + " " + FloatToStr(1.0 / 120) + " " + FloatToStr(1.0 / 120) + " --epsg 4326");
  const std::string good = ReadFile(path);
  ExpectRefused<TGIS_LayerDTED>(path, {
                                          {"no UHL", Patched(good, 0, "XHL")},
                                          {"no DSI", Patched(good, 80, "XSI")},
                                          {"cut in the last record", good.substr(0, good.size() - 3)},
                                          {"more columns than records", Patched(good, 47, "9999")},
                                          {"no number of rows", Patched(good, 51, "ab12")},
                                          {"latitude past the pole", Patched(good, 12, "095")},
                                      });
}

// ---- USGS DEM -----------------------------------------------------------------------------------

/// Checks every cell of a DEM layer against GDAL's value at its post: row
/// r of the layer holds the post r rows above the layer's southern edge,
/// counted from the bottom row.
void ExpectDemPosts(TGIS_LayerDEM& layer, const TGdalGrid& gdal, const std::string& what) {
  const double south = layer.Extent().YMin, west = layer.Extent().XMin;
  int wrong = 0;
  for (int y = 0; y < layer.Height() && wrong < 5; ++y)
    for (int x = 0; x < layer.Width() && wrong < 5; ++x) {
      const double postX = west + x * gdal.Gt[1], postY = south - (layer.Height() - 1 - y) * gdal.Gt[5];
      const int gx = int(std::lround((postX - gdal.Gt[0]) / gdal.Gt[1] - 0.5));
      const int gy = int(std::lround((postY - gdal.Gt[3]) / gdal.Gt[5] - 0.5));
      std::vector<double> v(1);
      layer.GetGridValue(TPoint{x, y}, v);
      if (gx < 0 || gy < 0 || gx >= gdal.W || gy >= gdal.H || v[0] != gdal.At(gx, gy)) {
        ++wrong;
        ADD_FAILURE() << what << " cell (" << x << ", " << y << ") = " << v[0];
      }
    }
}

TEST(GisLayerDEM, GdalDemsAgreeWithGdalAtThePosts) {
  REQUIRE_GDAL();
  TTempFolder dir;
  struct TCase {
    const char* Name;
    int W, H;
    double West, North;
    int Height;
  };
  // posts on multiples of the resolution; profiles of 3, 147 and 317
  // elevations (one, two and three blocks); corners 205 and 225 give 2 rows
  // for 3 posts
  const TCase cases[] = {{"small", 3, 3, 95, 225, 3},
                         {"two blocks", 2, 147, 95, 1475, 147},
                         {"three blocks", 3, 317, 95, 3175, 317},
                         {"between multiples", 3, 3, 100, 230, 2}};
  for (const TCase& c : cases) {
    const bool between = std::string(c.Name) == "between multiples";
    const std::string path = dir.File(std::string("d") + IntToStr(c.H) + ".dem");
    Make("USGSDEM '" + path + "' Int16 " + IntToStr(c.W) + " " + IntToStr(c.H) + " " + FloatToStr(c.West) + " " +
         FloatToStr(c.North) + " 10 10 --epsg 32633");
    const TGdalGrid gdal = Dump(dir, path);
    auto layer = OpenGrid<TGIS_LayerDEM>(path);
    EXPECT_EQ(layer->Width(), c.W) << c.Name;
    EXPECT_EQ(layer->Height(), c.Height) << c.Name;
    if (!between) {
      ExpectDemPosts(*layer, gdal, c.Name);
      continue;
    }
    // Posts 205, 215 and 225 give 2 rows, the lower two posts: GDAL's grid
    // of this file starts half a cell higher, its rows 1 and 2 hold them.
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        std::vector<double> v(1);
        layer->GetGridValue(TPoint{x, y}, v);
        EXPECT_EQ(v[0], gdal.At(x, y + 1)) << x << ", " << y;
      }
    EXPECT_NE(layer->InfoText().find("USGS Digital Elevation Model ASCII Grid (DEM)"), std::string::npos);
  }
}

TEST(GisLayerDEM, ProfilesStartingHigherAndBlankElevations) {
  REQUIRE_GDAL();
  TTempFolder dir;
  const std::string path = dir.File("p.dem");
  Make("USGSDEM '" + path + "' Int16 3 8 95 85 10 10 --epsg 32633");
  const TGdalGrid gdal = Dump(dir, path);
  std::string bytes = ReadFile(path);
  // profile 2 (block 2) starts 3 rows up; profile 3 has a blank 5th elevation
  std::string& b = bytes;
  const std::size_t p2 = 2 * 1024, p3 = 3 * 1024;
  const std::string y = b.substr(p2 + 48, 24);
  const double start = GridNumberText(std::string(y).replace(y.find('D'), 1, "E")) + 30;
  std::string startText = FloatToStr(start);
  b.replace(p2 + 48, 24, std::string(24 - startText.size(), ' ') + startText);
  b.replace(p3 + 144 + 4 * 6, 6, "      ");
  WriteFile(path, bytes);
  auto layer = OpenGrid<TGIS_LayerDEM>(path);
  ASSERT_EQ(layer->Height(), 8);
  std::vector<double> v(1);
  for (int r = 0; r < 8; ++r) {
    // column 1: the lowest 3 cells no data, then the profile's values from the bottom
    const bool low = r >= 5;
    EXPECT_EQ(layer->GetGridValue(TPoint{1, r}, v), !low) << r;
    if (!low) {
      EXPECT_EQ(v[0], gdal.At(1, r + 3)) << r;
    }
    // column 2: four values, then no data up to the top
    EXPECT_EQ(layer->GetGridValue(TPoint{2, r}, v), r >= 4) << r;
    if (r >= 4) {
      EXPECT_EQ(v[0], gdal.At(2, r)) << r;
    }
  }
  // no data draws transparent
  std::vector<std::uint8_t> row(9);
  layer->CallLineReader(row.data(), 7, 9, 0);
  EXPECT_TRUE(layer->HasTransparency());
}

TEST(GisLayerDEM, DamagedDems) {
  REQUIRE_GDAL();
  TTempFolder dir;
  const std::string path = dir.File("d.dem");
  Make("USGSDEM '" + path + "' Int16 3 3 95 225 10 10 --epsg 32633");
  const std::string good = ReadFile(path);
  ExpectRefused<TGIS_LayerDEM>(path, {
                                         {"more profiles than blocks", Patched(good, 858, "  9999")},
                                         {"no y resolution", Patched(good, 828, "0.000000D+00")},
                                         {"a tiny y resolution", Patched(good, 828, "1.000000D-09")},
                                         {"cut in record A", good.substr(0, 900)},
                                         {"the last profile missing", good.substr(0, good.size() - 1024)},
                                     });
}

// ---- BIL ----------------------------------------------------------------------------------------

TEST(GisLayerBIL, SingleBandGridsAgreeWithGdal) {
  REQUIRE_GDAL();
  TTempFolder dir;
  for (const std::string type : {"Byte", "Int16", "Float32"}) {
    const std::string path = dir.File(type + ".bil");
    Make("EHdr '" + path + "' " + type + " 7 5 500 650 10 10 --nodata 77 --void 2,2,77");
    const TGdalGrid gdal = Dump(dir, path);
    auto layer = OpenGrid<TGIS_LayerBIL>(path);
    EXPECT_TRUE(layer->IsGrid()) << type;
    ExpectExtent(layer->Extent(), gdal.Extent(), 1e-9, type);
    ExpectCells(*layer, gdal, type);
    ExpectDrawnValues(*layer, gdal, type);
    const std::string bits = type == "Byte" ? "8" : type == "Int16" ? "16" : "32";
    EXPECT_NE(layer->InfoText().find("Band Interleaved by Line Format - (BIL/SPOT)\r\n7 x 5; " + bits +
                                     " bit; 1 band(s)"),
              std::string::npos)
        << layer->InfoText();
  }
}

TEST(GisLayerBIL, BigEndianSamples) {
  TTempFolder dir;
  WriteFile(dir.File("m.hdr"), "BYTEORDER M\nLAYOUT BIL\nNROWS 1\nNCOLS 2\nNBANDS 1\nNBITS 16\n"
                               "ULXMAP 0\nULYMAP 0\nXDIM 1\nYDIM 1\n");
  WriteFile(dir.File("m.bil"), std::string("\xFF\xFF\x01\x02", 4));
  auto layer = OpenGrid<TGIS_LayerBIL>(dir.File("m.bil"));
  std::vector<double> v(1);
  layer->GetGridValue(TPoint{0, 0}, v);
  EXPECT_EQ(v[0], -1);
  layer->GetGridValue(TPoint{1, 0}, v);
  EXPECT_EQ(v[0], 258);
  // two bands of 16 bits honour the byte order too: the first band drawn
  WriteFile(dir.File("two.hdr"), "BYTEORDER M\nLAYOUT BIL\nNROWS 1\nNCOLS 2\nNBANDS 2\nNBITS 16\n");
  WriteFile(dir.File("two.bil"), std::string("\x80\x00\x40\x00\x00\x00\x00\x00", 8));
  auto two = OpenGrid<TGIS_LayerBIL>(dir.File("two.bil"));
  std::uint8_t grey[2];
  ASSERT_EQ(two->ReadLine(grey, 0, 2, 0), 2);
  EXPECT_EQ(grey[0], ((2 * 0x8000 - 32728) / 256 + 128) & 0xFF);
  EXPECT_EQ(grey[1], ((2 * 0x4000 - 32728) / 256 + 128) & 0xFF);
}

TEST(GisLayerBIL, ColourImagesDrawBandsOneTwoThree) {
  REQUIRE_GDAL();
  TTempFolder dir;
  Make("GTiff '" + dir.File("b.tif") + "' Byte 6 4 0 40 10 10");
  for (const int bands : {3, 4}) {
    const std::string path = dir.File("c" + IntToStr(bands) + ".bil");
    std::string args = "gdal_translate -q -of EHdr";
    for (int b = 0; b < bands; ++b)
      args += " -b 1";
    RunTool(args + " -scale_2 0 255 255 0 -scale_3 0 255 100 200 '" + dir.File("b.tif") + "' '" + path + "'");
    const TGdalGrid r = Dump(dir, path, 1), g = Dump(dir, path, 2), b = Dump(dir, path, 3);
    auto layer = OpenGrid<TGIS_LayerBIL>(path);
    EXPECT_FALSE(layer->IsGrid());
    const std::vector<std::uint8_t> rows = LayerRows(*layer);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        const std::uint8_t* p = &rows[std::size_t(y * 6 + x) * 3];
        const int red = int(r.At(x, y)), green = int(g.At(x, y)), blue = int(b.At(x, y));
        if (bands == 3) {
          EXPECT_EQ(p[2], red);
          EXPECT_EQ(p[1], green);
          EXPECT_EQ(p[0], blue);
        } else { // the bright tables
          EXPECT_EQ(p[2], std::min(255, red * 110 / 46));
          EXPECT_EQ(p[1], std::min(255, green * 110 / 18));
          EXPECT_EQ(p[0], std::min(255, blue * 110 / 21));
        }
      }
  }
}

TEST(GisLayerBIL, HeaderPlacementWorldFileAndTabs) {
  TTempFolder dir;
  const std::string header = "LAYOUT BIL\nNROWS 2\nNCOLS 3\nNBANDS 1\nNBITS 8\nULXMAP 105\nULYMAP 95\nXDIM 10\nYDIM 10\n";
  WriteFile(dir.File("p.hdr"), header);
  WriteFile(dir.File("p.bil"), std::string(6, '\x05'));
  auto placed = OpenGrid<TGIS_LayerBIL>(dir.File("p.bil"));
  ExpectExtent(placed->Extent(), GisExtent(100, 80, 130, 100), 1e-9, "header");
  WriteFile(dir.File("p.BLW"), "2\n0\n0\n-2\n1001\n2001\n");
  auto world = OpenGrid<TGIS_LayerBIL>(dir.File("p.bil"));
  ExpectExtent(world->Extent(), GisExtent(1000, 1998, 1006, 2002), 1e-9, "world file");
  // a TAB is no separator: the line is not recognised
  WriteFile(dir.File("t.hdr"), "LAYOUT BIL\nNROWS\t2\nNCOLS 3\nNBANDS 1\nNBITS 8\n");
  WriteFile(dir.File("t.bil"), std::string(6, '\x05'));
  EXPECT_EQ(ErrorOf([&] { OpenGrid<TGIS_LayerBIL>(dir.File("t.bil")); }), 3) << "no rows";
}

TEST(GisLayerBIL, DamagedHeadersAndData) {
  TTempFolder dir;
  WriteFile(dir.File("d.bil"), std::string(12, '\x05'));
  struct TCase {
    const char* Name;
    std::string Header;
    int Error;
    int Width;
  };
  const TCase cases[] = {
      {"fits", "NROWS 1\nNCOLS 3\nNBANDS 2\nNBITS 16\n", -1, 3},
      {"no header", "", -1, 0},
      {"another layout", "LAYOUT BIP\nNROWS 2\nNCOLS 3\nNBANDS 1\nNBITS 8\n", -1, 0},
      {"rows past the file", "NROWS 3\nNCOLS 3\nNBANDS 2\nNBITS 16\n", 3, 0},
      {"huge", "NROWS 100000\nNCOLS 100000\nNBANDS 1\nNBITS 32\n", 3, 0},
      {"bad sample size", "NROWS 1\nNCOLS 3\nNBANDS 1\nNBITS 12\n", 3, 0},
      {"row bytes below the bands", "NROWS 2\nNCOLS 3\nNBANDS 3\nNBITS 8\nTOTALROWBYTES 4\n", 3, 0},
  };
  for (const TCase& c : cases) {
    std::filesystem::remove(dir.File("d.hdr"));
    if (!c.Header.empty()) WriteFile(dir.File("d.hdr"), c.Header);
    int width = -1;
    EXPECT_EQ(ErrorOf([&] { width = OpenGrid<TGIS_LayerBIL>(dir.File("d.bil"))->Width(); }), c.Error) << c.Name;
    if (c.Error < 0) {
      EXPECT_EQ(width, c.Width) << c.Name;
    }
  }
}

// ---- all of them -----------------------------------------------------------------------------------

TEST(GisGridLayers, FactoryRoutesAndDormancy) {
  REQUIRE_GDAL();
  GisRasterRegisterLayers();
  TTempFolder dir;
  Make("AAIGrid '" + dir.File("a.grd") + "' Int16 8 6 0 60 10 10");
  Make("BT '" + dir.File("b.bt") + "' Int16 8 6 0 60 10 10");
  Make("EHdr '" + dir.File("e.bil") + "' Int16 8 6 0 60 10 10");
  Make("USGSDEM '" + dir.File("u.dem") + "' Int16 8 6 -5 65 10 10 --epsg 32633");
  Make("DTED '" + dir.File("t.dt2") + "' Int16 121 121 " + FloatToStr(14 - 1.0 / 240) + " " +
       FloatToStr(46 + 1.0 / 240) + " " + FloatToStr(1.0 / 120) + " " + FloatToStr(1.0 / 120) + " --epsg 4326");
  WriteFloatGrid(dir, "f", 8, 6, false, [](int x, int y) { return float(x * y); });
  // a GTOPO30-style elevation file: ".dem" data with a ".hdr"
  RunTool("cp '" + dir.File("e.bil") + "' '" + dir.File("g.dem") + "'; cp '" + dir.File("e.hdr") + "' '" +
          dir.File("g.hdr") + "'");
  struct TCase {
    const char* File;
    const char* Class;
  };
  const TCase cases[] = {{"a.grd", "TGIS_LayerGRD"}, {"f.flt", "TGIS_LayerFLT"},  {"b.bt", "TGIS_LayerBT"},
                         {"t.dt2", "TGIS_LayerDTED"}, {"u.dem", "TGIS_LayerDEM"}, {"g.dem", "TGIS_LayerBIL"},
                         {"e.bil", "TGIS_LayerBIL"}};
  for (const TCase& c : cases) {
    auto made = GisCreateLayer("grid", dir.File(c.File));
    ASSERT_NE(made, nullptr) << c.File;
    auto* layer = dynamic_cast<TGIS_LayerPixel*>(made.get());
    ASSERT_NE(layer, nullptr) << c.File;
    const std::string cls = c.Class;
    const bool right = cls == "TGIS_LayerGRD"    ? dynamic_cast<TGIS_LayerGRD*>(layer) != nullptr
                       : cls == "TGIS_LayerFLT"  ? dynamic_cast<TGIS_LayerFLT*>(layer) != nullptr
                       : cls == "TGIS_LayerBT"   ? dynamic_cast<TGIS_LayerBT*>(layer) != nullptr
                       : cls == "TGIS_LayerDTED" ? dynamic_cast<TGIS_LayerDTED*>(layer) != nullptr
                       : cls == "TGIS_LayerDEM"  ? dynamic_cast<TGIS_LayerDEM*>(layer) != nullptr
                                                 : dynamic_cast<TGIS_LayerBIL*>(layer) != nullptr;
    EXPECT_TRUE(right) << c.File << " is not a " << c.Class;
    // draw, dormant, draw: the same picture
    layer->Open();
    made.release();
    ExpectSameDrawAfterDormancy(layer);
  }
}

TEST(GisGridLayers, StoredSamples) {
  struct TCase {
    const char* Good;
    const char* Damaged;
    std::function<std::unique_ptr<TGIS_LayerPixel>()> Make;
  };
  const TCase cases[] = {
      {"grd/good.grd", "grd/damaged.grd", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerGRD); }},
      {"flt/good.flt", "flt/damaged.flt", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerFLT); }},
      {"bt/good.bt", "bt/damaged.bt", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerBT); }},
      {"dted/good.dt0", "dted/damaged.dt0", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerDTED); }},
      {"dem/good.dem", "dem/damaged.dem", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerDEM); }},
      {"bil/good.bil", "bil/damaged.bil", [] { return std::unique_ptr<TGIS_LayerPixel>(new TGIS_LayerBIL); }},
  };
  for (const TCase& c : cases) {
    auto good = c.Make();
    good->SetPath(DataFile(c.Good));
    EXPECT_NO_THROW(good->Open()) << c.Good;
    EXPECT_GT(good->Width(), 0) << c.Good;
    LayerRows(*good);
    auto damaged = c.Make();
    damaged->SetPath(DataFile(c.Damaged));
    EXPECT_EQ(ErrorOf([&] {
                damaged->Open();
                LayerRows(*damaged);
              }),
              3)
        << c.Damaged;
  }
}

} // namespace grid_layers_test
