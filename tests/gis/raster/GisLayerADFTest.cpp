// The Arc/Info binary grid layer against grids written here from a value
// table (every integer tile type and float tiles; GDAL cannot write the
// format), with GDAL's reader as the oracle cell by cell.
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerADF.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Format.h"
#include "tests/gis/raster/RasterTestSupport.h"
#include "tests/gis/raster/TiffTestSupport.h"

namespace {

constexpr double kNoData = -1e300; // the table's no-data mark

void PutBE(std::string& s, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i)
    s += char((v >> (8 * i)) & 0xFF);
}
void PutDouble(std::string& s, double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, 8);
  PutBE(s, u, 8);
}

std::string FileHeader() {
  std::string h(100, '\0');
  h[2] = 0x27, h[3] = 0x0A, h[4] = char(0xFF), h[5] = char(0xFF), h[6] = char(0xFC), h[7] = 0x14;
  return h;
}

/// A grid to write: cells by row, tile types by tile (integer grids).
struct TAdfGrid {
  int Width = 0, Height = 0, TileWidth = 8, TileHeight = 4;
  bool Floats = false;
  std::vector<double> Cells; // kNoData for no data
  std::vector<int> Types;     // per tile, row by row
  std::string CcittTile;      // bytes of a modified-Huffman tile (type 0xFF)
  bool WriteStatistics = true;
  int TilesPerRow() const { return (Width + TileWidth - 1) / TileWidth; }
  int TilesPerColumn() const { return (Height + TileHeight - 1) / TileHeight; }
  double Cell(int tile, int x, int y) const {
    const int gx = (tile % TilesPerRow()) * TileWidth + x, gy = (tile / TilesPerRow()) * TileHeight + y;
    if (gx >= Width || gy >= Height) return kNoData;
    return Cells[std::size_t(gy * Width + gx)];
  }
};

/// The cell data of one integer tile of the given type (minimum first).
std::string IntegerTile(const TAdfGrid& g, int tile, int type) {
  const int n = g.TileWidth * g.TileHeight;
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    v[std::size_t(i)] = g.Cell(tile, i % g.TileWidth, i / g.TileWidth);
  std::int64_t minimum = 0;
  bool any = false;
  for (double c : v)
    if (c != kNoData) {
      minimum = any ? std::min<std::int64_t>(minimum, std::int64_t(c)) : std::int64_t(c);
      any = true;
    }
  std::string body;
  body += char(type);
  body += char(4);
  PutBE(body, std::uint32_t(std::int32_t(minimum)), 4);
  auto rel = [&](int i) { return v[std::size_t(i)] == kNoData ? 0 : std::int64_t(v[std::size_t(i)]) - minimum; };
  switch (type) {
  case 0x00: case 0xFF: break;
  case 0x01:
    for (int r = 0; r < g.TileHeight; ++r)
      for (int b = 0; b < (g.TileWidth + 7) / 8; ++b) {
        int byte = 0;
        for (int k = 0; k < 8 && b * 8 + k < g.TileWidth; ++k)
          if (rel(r * g.TileWidth + b * 8 + k)) byte |= 0x80 >> k;
        body += char(byte);
      }
    break;
  case 0x04:
    for (int i = 0; i < n; i += 2) // low nibble first
      body += char(rel(i) | (i + 1 < n ? rel(i + 1) << 4 : 0));
    break;
  case 0x08:
    for (int i = 0; i < n; ++i)
      body += char(rel(i));
    break;
  case 0x10:
    for (int i = 0; i < n; ++i)
      PutBE(body, std::uint64_t(rel(i)), 2);
    break;
  case 0xCF: case 0xD7: case 0xDF: { // literal runs and no-data runs
    int i = 0;
    while (i < n) {
      int j = i;
      const bool none = v[std::size_t(i)] == kNoData;
      while (j < n && (v[std::size_t(j)] == kNoData) == none && j - i < 100)
        ++j;
      if (none) {
        body += char(256 - (j - i));
      } else {
        body += char(j - i);
        for (int k = i; k < j; ++k)
          if (type == 0xCF)
            PutBE(body, std::uint64_t(rel(k)), 2);
          else if (type == 0xD7)
            body += char(rel(k));
      }
      i = j;
    }
    break;
  }
  default: { // (count, value) runs
    const int bytes = type == 0xE0 ? 4 : type == 0xF0 ? 2 : 1;
    int i = 0;
    while (i < n) {
      int j = i;
      while (j < n && v[std::size_t(j)] == v[std::size_t(i)] && j - i < 255)
        ++j;
      body += char(j - i);
      PutBE(body, std::uint64_t(rel(i)), bytes);
      i = j;
    }
  }
  }
  if (type == 0xFF) body += g.CcittTile;
  return body;
}

void WriteGrid(const TAdfGrid& g, const std::string& folder) {
  std::filesystem::create_directories(folder);
  std::string hdr(308, '\0');
  hdr.replace(0, 8, std::string("GRID1.2\0", 8));
  std::string t;
  PutBE(t, g.Floats ? 2 : 1, 4);
  hdr.replace(16, 4, t);
  t.clear();
  PutDouble(t, 10);
  PutDouble(t, 10);
  hdr.replace(256, 16, t);
  t.clear();
  PutBE(t, std::uint32_t(g.TilesPerRow()), 4);
  PutBE(t, std::uint32_t(g.TilesPerColumn()), 4);
  PutBE(t, std::uint32_t(g.TileWidth), 4);
  PutBE(t, 1, 4);
  PutBE(t, std::uint32_t(g.TileHeight), 4);
  hdr.replace(288, 20, t);
  WriteFile(folder + "/hdr.adf", hdr);
  std::string b;
  for (double d : {500000.0, 5000000.0, 500000.0 + 10 * g.Width, 5000000.0 + 10 * g.Height})
    PutDouble(b, d);
  WriteFile(folder + "/dblbnd.adf", b);
  if (g.WriteStatistics) {
    double lo = 1e300, hi = -1e300;
    for (double c : g.Cells)
      if (c != kNoData) lo = std::min(lo, c), hi = std::max(hi, c);
    std::string s;
    for (double d : {lo, hi, (lo + hi) / 2, 1.0})
      PutDouble(s, d);
    WriteFile(folder + "/sta.adf", s);
  }
  std::string data = FileHeader(), index = FileHeader();
  for (int tile = 0; tile < g.TilesPerRow() * g.TilesPerColumn(); ++tile) {
    std::string body;
    if (g.Floats) {
      for (int y = 0; y < g.TileHeight; ++y)
        for (int x = 0; x < g.TileWidth; ++x) {
          const double c = g.Cell(tile, x, y);
          const float f = c == kNoData ? -3.4028235e38f : float(c);
          std::uint32_t u;
          std::memcpy(&u, &f, 4);
          PutBE(body, u, 4);
        }
    } else {
      body = IntegerTile(g, tile, g.Types[std::size_t(tile) % g.Types.size()]);
    }
    if (body.size() % 2) body += '\0';
    PutBE(index, data.size() / 2, 4);
    PutBE(index, body.size() / 2, 4);
    PutBE(data, body.size() / 2, 2);
    data += body;
  }
  auto size = [](std::string& s) {
    std::string n;
    PutBE(n, s.size() / 2, 4);
    s.replace(24, 4, n);
  };
  size(data);
  size(index);
  WriteFile(folder + "/w001001.adf", data);
  WriteFile(folder + "/w001001x.adf", index);
}

/// GDAL's cells (row by row; kNoData for its no-data value).
std::vector<double> GdalCells(const std::string& folder, const std::string& scratch) {
  RunTool("gdal_translate -q -of AAIGrid '" + folder + "/hdr.adf' '" + scratch + "'");
  std::istringstream in(ReadFile(scratch));
  std::string key;
  double noData = 0;
  int cols = 0, rows = 0;
  for (int i = 0; i < 6 && in >> key; ++i) {
    std::string value;
    in >> value;
    if (key == "ncols") cols = std::atoi(value.c_str());
    if (key == "nrows") rows = std::atoi(value.c_str());
    if (key == "NODATA_value") noData = StrToFloat(value);
  }
  std::vector<double> cells;
  std::string word;
  while (in >> word)
    cells.push_back(StrToFloat(word) == noData ? kNoData : StrToFloat(word));
  if (int(cells.size()) != cols * rows) cells.clear();
  return cells;
}

std::vector<double> LayerCells(TGIS_LayerADF& layer) {
  std::vector<double> cells;
  layer.WakeUp();
  std::vector<float> row(std::size_t(layer.Width()));
  for (int y = 0; y < layer.Height(); ++y) {
    EXPECT_EQ(layer.ReadGridLine(row, y, layer.Width(), 0), layer.Width());
    for (float v : row)
      cells.push_back(v == layer.NoDataValue() ? kNoData : double(v));
  }
  return cells;
}

std::unique_ptr<TGIS_LayerADF> OpenAdf(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerADF>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

/// The bytes of the one strip of a CCITT RLE file GDAL wrote (tiffdump).
std::string RleStrip(const std::string& tif) {
  const std::string dump = RunTool("tiffdump '" + tif + "'");
  auto value = [&](const std::string& tag) {
    const std::size_t at = dump.find(tag);
    const std::size_t lt = dump.find('<', at);
    return std::atoi(dump.c_str() + lt + 1);
  };
  const int offset = value("StripOffsets"), count = value("StripByteCounts");
  return ReadFile(tif).substr(std::size_t(offset), std::size_t(count));
}

} // namespace

// Every integer tile type, and float tiles, agree with the table and with
// GDAL's reader; the last tile column of a grid is cut to the grid's width.
TEST(LayerADF, TileTypesAgreeWithTheTableAndGdal) {
  if (!HasTool("gdal_translate") || !HasTool("tiffdump")) GTEST_SKIP() << "GDAL or libtiff tools missing";
  TTempFolder dir;
  TAdfGrid g;
  g.Width = 29; // three full tile columns and one of 5 cells
  g.Height = 16;
  const std::vector<int> types = {0x00, 0x01, 0x04, 0x08, 0x10, 0xCF, 0xD7, 0xDF,
                                  0xE0, 0xF0, 0xF8, 0xFC, 0xFF};
  g.Types = types;
  // cells each tile's type can hold: a constant, two values, nibbles, bytes ...
  g.Cells.assign(std::size_t(g.Width * g.Height), 0);
  for (int y = 0; y < g.Height; ++y)
    for (int x = 0; x < g.Width; ++x) {
      const int tile = (y / 4) * 4 + x / 8;
      const int type = types[std::size_t(tile) % types.size()];
      double v = 1000 + tile;
      switch (type) {
      case 0x00: break;
      case 0x01: case 0xFF: v += (x * 3 + y) % 5 == 0; break;
      case 0x04: v += (x + 2 * y) % 16; break;
      case 0x08: v += (x * 37 + y * 11) % 256; break;
      case 0x10: v += (x * 3001 + y * 17) % 60000; break;
      case 0xCF: case 0xD7: v = (x + y) % 7 == 0 ? kNoData : v + (x * 5 + y) % (type == 0xCF ? 5000 : 200); break;
      case 0xDF: v = (x / 3 + y) % 3 == 0 ? kNoData : v; break;
      case 0xE0: v = -100000 + (x / 3) * 70000 + y; break;
      case 0xF0: v = -300 + (x / 2) * 50 + y; break;
      default: v += (x / 4) * 9 + y; break;
      }
      g.Cells[std::size_t(y * g.Width + x)] = v;
    }
  // the 0xFF tile (tile 12: column 0 of tile row 3) takes its rows from GDAL
  TTestTiff bits;
  bits.Width = 8;
  bits.Height = 4;
  bits.Bits = 1;
  bits.Photometric = 1;
  for (int y = 12; y < 16; ++y) {
    int byte = 0;
    for (int x = 0; x < 8; ++x)
      if (g.Cells[std::size_t(y * g.Width + x)] == 1013) byte |= 0x80 >> x;
    bits.Packed.push_back(std::uint8_t(byte));
  }
  WriteFile(dir.File("bits.tif"), tifftest::Write(bits));
  RunTool("gdal_translate -q -co COMPRESS=CCITTRLE -co NBITS=1 '" + dir.File("bits.tif") + "' '" +
          dir.File("rle.tif") + "'");
  g.CcittTile = RleStrip(dir.File("rle.tif"));
  ASSERT_FALSE(g.CcittTile.empty());
  const std::string folder = dir.File("grid");
  WriteGrid(g, folder);
  auto layer = OpenAdf(folder + "/hdr.adf");
  EXPECT_EQ(layer->Path(), folder + "/w001001.adf");
  ASSERT_EQ(layer->Width(), 29);
  ASSERT_EQ(layer->Height(), 16);
  EXPECT_DOUBLE_EQ(layer->Extent().XMin, 500000);
  EXPECT_DOUBLE_EQ(layer->Extent().YMax, 5000160);
  EXPECT_EQ(layer->InfoText(), "Arc/Info Binary Grid (ADF)\r\n29 x 16; integers");
  const std::vector<double> ours = LayerCells(*layer);
  const std::vector<double> gdal = GdalCells(folder, dir.File("g.asc"));
  ASSERT_EQ(gdal.size(), ours.size());
  int nibbleCells = 0;
  for (int i = 0; i < g.Width * g.Height; ++i) {
    const int tile = (i / g.Width / 4) * 4 + (i % g.Width) / 8;
    EXPECT_EQ(ours[std::size_t(i)], g.Cells[std::size_t(i)]) << "cell " << i << " tile type " << types[std::size_t(tile) % 13];
    if (types[std::size_t(tile) % 13] == 0x04) {
      // 4-bit tiles: this reader takes the low nibble first; GDAL the high one
      nibbleCells += gdal[std::size_t(i)] != ours[std::size_t(i)];
      continue;
    }
    EXPECT_EQ(gdal[std::size_t(i)], g.Cells[std::size_t(i)]) << "cell " << i;
  }
  EXPECT_GT(nibbleCells, 0) << "GDAL reads 4-bit tiles high nibble first";
  // a grid without statistics scans its rows for the range
  g.WriteStatistics = false;
  WriteGrid(g, dir.File("nostats"));
  std::filesystem::remove(dir.File("nostats/sta.adf"));
  auto scanned = OpenAdf(dir.File("nostats/w001001.adf"));
  double lo = 1e300, hi = -1e300;
  for (double c : g.Cells)
    if (c != kNoData) lo = std::min(lo, c), hi = std::max(hi, c);
  EXPECT_EQ(scanned->MinValue(), float(lo));
  EXPECT_EQ(scanned->MaxValue(), float(hi));
  // floats
  TAdfGrid f;
  f.Width = 20;
  f.Height = 10;
  f.Floats = true;
  for (int i = 0; i < 200; ++i)
    f.Cells.push_back(i % 17 == 0 ? kNoData : i * 0.25 - 7.5);
  WriteGrid(f, dir.File("floats"));
  auto floats = OpenAdf(dir.File("floats/dblbnd.adf"));
  EXPECT_EQ(floats->InfoText(), "Arc/Info Binary Grid (ADF)\r\n20 x 10; floats");
  const std::vector<double> fo = LayerCells(*floats);
  const std::vector<double> fg = GdalCells(dir.File("floats"), dir.File("f.asc"));
  ASSERT_EQ(fg.size(), fo.size());
  for (std::size_t i = 0; i < fo.size(); ++i) {
    EXPECT_EQ(fo[i], f.Cells[i]) << i;
    EXPECT_EQ(fg[i], f.Cells[i]) << i;
  }
}

// Runs that reach past the data or the tile, index entries past the file, a
// 1000-cell grid of 256-cell tiles and the factory route.
TEST(LayerADF, EdgesAndDamage) {
  TTempFolder dir;
  TAdfGrid g;
  g.Width = 1000;
  g.Height = 3;
  g.TileWidth = 256;
  g.TileHeight = 3;
  g.Types = {0x08};
  for (int i = 0; i < 3000; ++i)
    g.Cells.push_back(double(i % 200));
  WriteGrid(g, dir.File("wide"));
  auto wide = OpenAdf(dir.File("wide/hdr.adf"));
  ASSERT_EQ(wide->Width(), 1000);
  std::vector<float> row(232);
  EXPECT_EQ(wide->ReadGridLine(row, 2, 232, 768), 232) << "the last column gives 232 cells";
  EXPECT_EQ(row[231], float((2 * 1000 + 999) % 200));
  // a 0xDF tile whose byte 0x85 gives 123 no-data cells, then 100 cells and no more data
  TAdfGrid r;
  r.Width = 16;
  r.Height = 16;
  r.TileWidth = 16;
  r.TileHeight = 16;
  r.Types = {0xDF};
  r.Cells.assign(256, 7);
  WriteGrid(r, dir.File("runs"));
  std::string data = ReadFile(dir.File("runs/w001001.adf"));
  // the tile: size word, type, min size 4, minimum, then runs: 0x85 and 200 (past the tile)
  const std::size_t body = 100 + 2;
  data.resize(body + 6);
  data += char(0x85);
  data += char(100);
  data[100] = 0, data[101] = char((data.size() - 102) / 2);
  if (data.size() % 2) data += '\0';
  WriteFile(dir.File("runs/w001001.adf"), data);
  std::string index = ReadFile(dir.File("runs/w001001x.adf"));
  index[107] = char((data.size() - 102) / 2);
  WriteFile(dir.File("runs/w001001x.adf"), index);
  auto runs = OpenAdf(dir.File("runs/hdr.adf"));
  std::vector<double> v(1);
  EXPECT_FALSE(runs->GetGridValue(TPoint{122 % 16, 122 / 16}, v)) << "cell 122 is no data";
  EXPECT_TRUE(runs->GetGridValue(TPoint{123 % 16, 123 / 16}, v));
  EXPECT_EQ(v[0], 7);
  EXPECT_FALSE(runs->GetGridValue(TPoint{15, 15}, v)) << "what the runs leave is no data";
  // an index entry pointing past the data file: that tile is no data
  index[100] = char(0x7F);
  WriteFile(dir.File("runs/w001001x.adf"), index);
  auto far = OpenAdf(dir.File("runs/hdr.adf"));
  EXPECT_FALSE(far->GetGridValue(TPoint{0, 0}, v));
  // a bad cell type fails the open with 0031
  std::string hdr = ReadFile(dir.File("runs/hdr.adf"));
  hdr[19] = 3;
  WriteFile(dir.File("runs/hdr.adf"), hdr);
  try {
    OpenAdf(dir.File("runs/hdr.adf"));
    ADD_FAILURE() << "cell type 3 opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 3);
  }
  // missing companions: a zero extent, no error
  std::filesystem::remove(dir.File("runs/hdr.adf"));
  auto empty = OpenAdf(dir.File("runs/w001001.adf"));
  EXPECT_EQ(empty->Width(), 0);
  // the factory's ".adf" row
  GisRasterRegisterLayers();
  auto viaFactory = GisCreateLayer("g", dir.File("wide/sta.adf"));
  ASSERT_NE(dynamic_cast<TGIS_LayerADF*>(viaFactory.get()), nullptr);
  viaFactory->Open();
  EXPECT_EQ(static_cast<TGIS_LayerADF*>(viaFactory.get())->Width(), 1000);
}

// A dormant grid drops its tile index and data mappings; drawn again it
// shows the same picture (byte tiles).
TEST(LayerADF, DrawsTheSameAfterGoingDormant) {
  TTempFolder dir;
  TAdfGrid g;
  g.Width = 40;
  g.Height = 24;
  g.Types = {0x08};
  for (int i = 0; i < g.Width * g.Height; ++i)
    g.Cells.push_back(double((i * 7) % 200));
  WriteGrid(g, dir.File("dormant"));
  ExpectSameDrawAfterDormancy(OpenAdf(dir.File("dormant/hdr.adf")).release());
}
