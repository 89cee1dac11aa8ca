// The raster layers of the pixel stores over both engines: opened from
// ".VRKPS" files through the layer factory, drawn in a viewer and compared
// with the source pixels, located, resampled; new stores with their
// configuration file; passwords of the second template pass; MySQL's
// rounding of floating values.
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisLayerPixelStore.h"
#include "gis/database/GisLayerPixelStoreAdo2.h"
#include "gis/database/GisPixelStoreCells.h"

#include "codecs/PngPicture.h"
#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Streams.h"
#include "tests/gis/raster/RasterTestSupport.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace pixelstorelayer_test {

/// The bytes of a bitmap encoded by the platform's BMP or JPEG encoder or
/// the PNG codec.
std::vector<std::uint8_t> EncodedCell(TBitmap& cell, int v1Type) {
  TMemoryStream stream;
  if (v1Type == 0) {
    cell.SaveToStream(stream);
  } else if (v1Type == 1) {
    TJPEGImage jpeg;
    jpeg.Assign(&cell);
    jpeg.SetCompressionQuality(85);
    jpeg.SaveToStream(stream);
  } else {
    TPngPicture png;
    png.Assign(&cell);
    png.SaveToStream(stream);
  }
  const auto* p = stream.Memory();
  return {p, p + stream.Size()};
}

/// A w x h part of `source` from (x, y), black outside the source.
std::unique_ptr<TBitmap> Part(TBitmap& source, int x, int y, int w, int h) {
  auto part = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int r = 0; r < h; ++r) {
    std::uint8_t* out = part->ScanLine(r);
    std::memset(out, 0, std::size_t(w) * 3);
    if (y + r >= source.Height()) continue;
    const int n = std::min(w, source.Width() - x);
    if (n > 0) std::memcpy(out, source.ScanLine(y + r) + 3 * x, std::size_t(n) * 3);
  }
  return part;
}

/// Saves what a viewer drew as a PNG when SK_PIXELSTORE_PNG names a folder
/// (to look at the drawing).
void KeepDrawing(const std::vector<std::uint8_t>& rows, int w, int h, const std::string& name) {
  const char* folder = std::getenv("SK_PIXELSTORE_PNG");
  if (folder == nullptr || *folder == 0) return;
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y) std::memcpy(b.ScanLine(y), rows.data() + std::size_t(y) * w * 3, std::size_t(w) * 3);
  TPngPicture png;
  png.Assign(&b);
  png.SaveToFile(std::string(folder) + "/" + name + ".png");
}

/// The dialect files staged in the build folder are the common files.
void UseSharedDialects() {
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
}

int DifferentPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (std::size_t i = 0; i + 2 < a.size(); i += 3) n += std::memcmp(&a[i], &b[i], 3) != 0;
  return n;
}

class PixelStoreLayerTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(UseSharedDialects());
    GisDatabaseRegisterLayers();
    SK_MAKE_TEST_ENGINE(engine_, GetParam());
    pg_ = engine_.Engine == data::TEngine::PostgreSQL;
    dialect_ = pg_ ? "POSTGRES" : "MSJET";
  }
  std::string Inline() const {
    return "Storage=PixelStore2\\nLayer=ORTHO\\nDialect=" + dialect_ + "\\nADO=" + engine_.ConnectionString;
  }
  std::string WriteConfig(const std::string& name, const std::string& lines) {
    return files_.Write(name, "[Vornakel Layer]\r\n" + lines);
  }
  /// A second-version store of `source` (pixel size 1, west-north corner at
  /// (1000, 2000)) cut into cells of `imageType`, with its pyramid, and a
  /// ".VRKPS" file naming it.
  std::string WriteStore2(TBitmap& source, int imageType) {
    TGIS_FilePixelStoreAdo2 store;
    const TGIS_Extent e{1000, 2000.0 - source.Height(), 1000.0 + source.Width(), 2000};
    store.CreateStore(Inline(), e, 1, imageType, 100);
    for (int y = 0; y < source.Height(); y += 512)
      for (int x = 0; x < source.Width(); x += 512) store.WriteBitmap(x, y, *Part(source, x, y, 512, 512));
    store.Complete();
    return WriteConfig("ortho.VRKPS", "Storage=PixelStore2\r\nLayer=ORTHO\r\nDialect=" + dialect_ + "\r\nADO=\"" +
                                          engine_.ConnectionString + "\"\r\n");
  }
  std::unique_ptr<TGIS_LayerAbstract> OpenByFactory(const std::string& path) {
    return GisCreateLayer("store", path);
  }

  sktest::TTestEngine engine_;
  sktest::TTempDir files_{"pixelstore"};
  bool pg_ = false;
  std::string dialect_;
};

TEST_P(PixelStoreLayerTest, SecondVersionDrawsTheSourcePixels) {
  const int w = 700, h = 600; // 2 x 2 cells, the eastern and southern ones in part
  auto source = MakePhoto(w, h);
  const std::string path = WriteStore2(*source, 3);
  auto made = OpenByFactory(path);
  auto* layer = dynamic_cast<TGIS_LayerPixelStoreAdo2*>(made.get());
  ASSERT_NE(layer, nullptr) << "the factory did not make the second-version layer";
  made.release();
  TRasterView view(w, h);
  view.Show(layer);
  EXPECT_EQ(layer->Width(), w);
  EXPECT_EQ(layer->Height(), h);
  EXPECT_EQ(layer->Extent().XMin, 1000.0);
  EXPECT_EQ(layer->Extent().YMin, 1400.0);
  const std::vector<std::uint8_t> drawn = Render(view.Viewer(), w, h);
  KeepDrawing(drawn, w, h, std::string("store2_") + GetParam());
  std::vector<std::uint8_t> expected = RowsOf(*source);
  NonBlack(expected);
  EXPECT_EQ(DifferentPixels(drawn, expected), 0);
  EXPECT_EQ(layer->Store()->CellFactor(), 1);

  // Half the size: the level of factor 2, each pixel a 2 x 2 mean.
  TRasterView half(w / 2, h / 2);
  auto again = OpenByFactory(path);
  auto* small = static_cast<TGIS_LayerPixelStoreAdo2*>(again.release());
  half.Show(small);
  const std::vector<std::uint8_t> reduced = Render(half.Viewer(), w / 2, h / 2);
  EXPECT_EQ(small->Store()->CellFactor(), 2);
  int far = 0;
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x)
      for (int k = 0; k < 3; ++k) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx) sum += source->ScanLine(2 * y + dy)[3 * (2 * x + dx) + k];
        far += std::abs(reduced[(std::size_t(y) * (w / 2) + x) * 3 + k] - sum / 4) > 1;
      }
  EXPECT_EQ(far, 0);
}

TEST_P(PixelStoreLayerTest, SecondVersionLocatesAndResamplesCellByCell) {
  const int w = 1024, h = 1024;
  auto source = MakePhoto(w, h, 11);
  auto made = OpenByFactory(WriteStore2(*source, 0)); // BMP cells
  auto* layer = dynamic_cast<TGIS_LayerPixelStoreAdo2*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->EnsureOpen();
  // Pixel (700, 300): column 1, row 0.
  std::uint32_t rgb = 0;
  bool transparent = true;
  std::vector<double> values;
  ASSERT_TRUE(layer->Locate(TGIS_Point{1000 + 700.5, 2000 - 300.5}, rgb, transparent, values));
  const std::uint8_t* p = source->ScanLine(300) + 3 * 700;
  EXPECT_EQ(rgb, std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16);
  EXPECT_FALSE(transparent);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[2], double(p[2]));
  EXPECT_FALSE(layer->Locate(TGIS_Point{999, 1500}, rgb, transparent, values));

  // A window over the four cells, one bitmap pixel per store pixel.
  const TGIS_Extent before = layer->Extent();
  TBitmap out(200, 100, pf24bit);
  ASSERT_TRUE(layer->GetBitmap(TGIS_Extent{1000 + 412, 2000 - 562, 1000 + 612, 2000 - 462}, out));
  EXPECT_EQ(layer->Extent().XMin, before.XMin);
  EXPECT_EQ(layer->Extent().YMax, before.YMax);
  std::vector<std::uint8_t> got = RowsOf(out), want = RowsOf(*Part(*source, 412, 462, 200, 100));
  EXPECT_EQ(DifferentPixels(got, want), 0);
  TGIS_GridArray grid(2, std::vector<float>(2, -1));
  ASSERT_TRUE(layer->GetGrid(TGIS_Extent{1000 + 511, 2000 - 513, 1000 + 513, 2000 - 511}, grid));
  EXPECT_EQ(grid[1][1], float(source->ScanLine(512)[3 * 512]));
  EXPECT_EQ(grid[0][0], float(source->ScanLine(511)[3 * 511]));
}

TEST_P(PixelStoreLayerTest, DamagedCellsRaiseAClearError) {
  TGIS_FilePixelStoreAdo2 store;
  store.CreateStore(Inline(), TGIS_Extent{0, 0, 1024, 512}, 1, 3, 75);
  store.WriteBitmapBytes(0, 0, {0x89, 'P', 'N', 'G', 1, 2, 3}); // a PNG cut short
  auto made = OpenByFactory(WriteConfig("bad.VRKPS", "Storage=PixelStore2\r\nLayer=ORTHO\r\nDialect=" + dialect_ +
                                                         "\r\nADO=\"" + engine_.ConnectionString + "\"\r\n"));
  ASSERT_NE(made, nullptr);
  made->EnsureOpen();
  auto* layer = static_cast<TGIS_LayerPixelStoreAdo2*>(made.get());
  std::uint32_t rgb = 0;
  bool transparent = false;
  std::vector<double> values;
  EXPECT_THROW(layer->Locate(TGIS_Point{10, 10}, rgb, transparent, values), Exception);
  // The cell next to it has no row: black.
  ASSERT_TRUE(layer->Locate(TGIS_Point{600, 10}, rgb, transparent, values));
  EXPECT_EQ(values, (std::vector<double>{0, 0, 0}));
  TBitmap out(64, 64, pf24bit);
  EXPECT_THROW(layer->GetBitmap(TGIS_Extent{0, 0, 1024, 512}, out), Exception);
  EXPECT_EQ(layer->Extent().XMax, 1024.0); // restored after the failure
}

TEST_P(PixelStoreLayerTest, AbsurdCataloguesDrawNothingAndEnd) {
  // Pixels far below anything drawable (the cell indexes leave the int
  // range), and an extent of some 2^62 cells at the coarsest level.
  const std::string x = pg_ ? "GIS_X" : "X"; // the dialect's names on PostgreSQL
  const std::string updates[] = {"UPDATE vrkGISPixelStore2 SET PIXELSIZE = 1e-300",
                                 "UPDATE vrkGISPixelStore2 SET " + x + "MIN = -1e90, YMIN = -1e90, " + x +
                                     "MAX = 1e90, YMAX = 1e90"};
  for (const std::string& update : updates) {
    TGIS_FilePixelStoreAdo2 store;
    store.CreateStore(Inline(), TGIS_Extent{0, 0, 1024, 512}, 1, 3, 75);
    store.WriteBitmapBytes(0, 0, GisPixelStore2EncodeCell(*Part(*MakePhoto(512, 512), 0, 0, 512, 512), 3, 75));
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute(update);
    auto made = OpenByFactory(WriteConfig("absurd.VRKPS", "Storage=PixelStore2\r\nLayer=ORTHO\r\nDialect=" +
                                                              dialect_ + "\r\nADO=\"" + engine_.ConnectionString +
                                                              "\"\r\n"));
    auto* layer = static_cast<TGIS_LayerPixelStoreAdo2*>(made.release());
    TRasterView view(64, 32);
    view.Show(layer);
    const std::vector<std::uint8_t> drawn = Render(view.Viewer(), 64, 32);
    EXPECT_EQ(drawn, std::vector<std::uint8_t>(drawn.size(), 255)) << update; // the background only
    std::uint32_t rgb = 0;
    bool transparent = false;
    std::vector<double> values;
    EXPECT_FALSE(layer->Locate(TGIS_Point{10, 10}, rgb, transparent, values)) << update;
    TBitmap out(16, 16, pf24bit);
    EXPECT_FALSE(layer->GetBitmap(TGIS_Extent{-1e89, -1e89, 1e89, 1e89}, out)) << update;
  }
}

TEST_P(PixelStoreLayerTest, FirstVersionDrawsItsCellsAroundTheCardinalPoint) {
  data::Connection c;
  c.Open(engine_.ConnectionString);
  const std::string q = pg_ ? "\"" : "";
  c.Execute("CREATE TABLE vrkGISPixelStore (" + q + "XMin" + q + " DOUBLE PRECISION, " + q + "XMax" + q +
            " DOUBLE PRECISION, YMin DOUBLE PRECISION, YMax DOUBLE PRECISION, CellWidth INTEGER, "
            "CellHeight INTEGER, PixelWidth DOUBLE PRECISION, PixelHeight DOUBLE PRECISION, "
            "Compress INTEGER, ImgType INTEGER, MaxFactor INTEGER)");
  c.Execute(std::string("CREATE TABLE vrkGISPixelStore_CELL (Factor INTEGER, Col INTEGER, Row INTEGER, Img ") +
            (pg_ ? "BYTEA" : "LONGBINARY") + ", ImgType INTEGER)");
  // Cells of 100 x 80 pixels of 0.5 units around the cardinal point (50, 40):
  // columns -1..0, rows -1..0, so the extent (25, 20)-(75, 60) spans all four.
  c.Execute("INSERT INTO vrkGISPixelStore VALUES (25, 75, 20, 60, 100, 80, 0.5, 0.5, 0, 0, 1)");
  auto source = MakePhoto(200, 160, 5);
  const struct {
    int Col, Row, Type;
  } cells[] = {{-1, 0, 0}, {0, 0, 2}, {-1, -1, 1}}; // BMP, PNG, JPEG; (0, -1) has no row
  std::vector<std::uint8_t> expected(std::size_t(100) * 80 * 3, 0);
  std::unique_ptr<TBitmap> decoded[2][2];
  for (const auto& cell : cells) {
    auto part = Part(*source, (cell.Col + 1) * 100, (-cell.Row) * 80, 100, 80);
    data::Recordset rs;
    rs.Open("SELECT * FROM vrkGISPixelStore_CELL", c, 2, 3);
    rs.AddNew();
    rs.Item("Factor").SetValue(Variant(1));
    rs.Item("Col").SetValue(Variant(cell.Col));
    rs.Item("Row").SetValue(Variant(cell.Row));
    const std::vector<std::uint8_t> bytes = EncodedCell(*part, cell.Type);
    rs.Item("Img").SetValue(Variant(bytes));
    rs.Item("ImgType").SetValue(Variant(cell.Type));
    rs.Update();
    // What the layer must show: the cell as the decoders give it.
    auto shown = std::make_unique<TBitmap>();
    GisPixelStoreDecodeCell(bytes, cell.Type == 0 ? TGIS_PixelStoreCellCodec::Bmp
                                   : cell.Type == 1 ? TGIS_PixelStoreCellCodec::Jpeg
                                                    : TGIS_PixelStoreCellCodec::Png,
                            *shown);
    decoded[-cell.Row][cell.Col + 1] = std::move(shown);
  }
  const std::string path = WriteConfig("old.VRKPS", "PixelStore=\"" + engine_.ConnectionString +
                                                        "\"\r\nCardinalPoint.X=50\r\nCardinalPoint.Y=40\r\n");
  auto made = OpenByFactory(path);
  auto* layer = dynamic_cast<TGIS_LayerPixelStore*>(made.get());
  ASSERT_NE(layer, nullptr) << "the factory did not make the first-version layer";
  made.release();
  TRasterView view(100, 80); // one screen pixel per store pixel
  view.Show(layer);
  EXPECT_EQ(layer->Width(), 100);
  EXPECT_EQ(layer->Height(), 80);
  const std::vector<std::uint8_t> drawn = Render(view.Viewer(), 100, 80);
  KeepDrawing(drawn, 100, 80, std::string("store1_") + GetParam());
  // The extent starts half a cell into the cells west and north of the
  // cardinal point: screen pixel (x, y) is pixel (50 + x, 40 + y) of the
  // 2 x 2 mosaic of decoded cells.
  int wrong = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) {
      const int sy = 40 + y, sx = 50 + x;
      TBitmap* cell = decoded[sy / 80][sx / 100].get();
      std::uint8_t want[3] = {255, 255, 255}; // no row: white
      if (cell != nullptr) std::memcpy(want, cell->ScanLine(sy % 80) + 3 * (sx % 100), 3);
      if (want[0] == 0 && want[1] == 0 && want[2] == 0) want[0] = want[1] = want[2] = 1;
      wrong += std::memcmp(&drawn[(std::size_t(y) * 100 + x) * 3], want, 3) != 0;
    }
  EXPECT_EQ(wrong, 0);
  // Map (30.1, 29.9) is mosaic pixel (60, 100): pixel (60, 20) of the JPEG
  // cell south-west of the cardinal point.
  const std::uint8_t* p = decoded[1][0]->ScanLine(20) + 3 * 60;
  std::uint32_t rgb = 0;
  bool transparent = true;
  std::vector<double> values;
  ASSERT_TRUE(layer->Locate(TGIS_Point{30.1, 29.9}, rgb, transparent, values));
  EXPECT_EQ(rgb, std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16);
  TGIS_GridArray grid(1, std::vector<float>(1, -1));
  ASSERT_TRUE(layer->GetGrid(TGIS_Extent{30, 29.5, 30.5, 30}, grid));
  EXPECT_EQ(grid[0][0], float(p[0]));
}

TEST_P(PixelStoreLayerTest, FactoryChoosesTheStoreVersionByItsFile) {
  const std::string ado = "ADO=\"" + engine_.ConnectionString + "\"\r\n";
  const struct {
    const char* Name;
    std::string Lines;
    bool Second;
  } cases[] = {
      {"a.VRKPS", "Storage=PixelStore2\r\nLayer=X\r\n" + ado, true},
      {"b.vrkps", "Storage=pixelstore2\r\nLayer=X\r\n" + ado, true},
      {"c.VRKPS", "Storage=PixelStore2\r\nLayer=X\r\n", false},
      {"d.VRKPS", "Storage=Native\r\nLayer=X\r\n" + ado, false},
      {"e.VRKPS", "PixelStore=\"" + engine_.ConnectionString + "\"\r\n", false},
  };
  for (const auto& c : cases) {
    auto layer = OpenByFactory(WriteConfig(c.Name, c.Lines));
    ASSERT_NE(layer, nullptr) << c.Name;
    EXPECT_EQ(dynamic_cast<TGIS_LayerPixelStoreAdo2*>(layer.get()) != nullptr, c.Second) << c.Name;
    EXPECT_EQ(dynamic_cast<TGIS_LayerPixelStore*>(layer.get()) != nullptr, !c.Second) << c.Name;
  }
  // A file that does not exist is the second version's, whose opening fails.
  auto missing = OpenByFactory(files_ / "none.VRKPS");
  ASSERT_NE(dynamic_cast<TGIS_LayerPixelStoreAdo2*>(missing.get()), nullptr);
  try {
    missing->EnsureOpen();
    FAIL() << "a missing configuration opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0031"), std::string::npos) << e.Message();
  }
  // A first-version file naming no catalogue fails the same way.
  auto empty = OpenByFactory(WriteConfig("f.VRKPS", "PixelStore=\"" + engine_.ConnectionString + "\"\r\n"));
  try {
    empty->EnsureOpen();
    FAIL() << "a store without a catalogue opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0031"), std::string::npos) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, PixelStoreLayerTest, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return std::string(info.param); });

// ---- new stores with their configuration file (SQLite files) ----------------------------------------

std::string FileText(const std::string& path) {
  return ReadFile(path);
}

TEST(PixelStoreCreateNew, WritesTheConfigurationAndTheDatabaseOfANewStore) {
  ASSERT_NO_FATAL_FAILURE(UseSharedDialects());
  GisDatabaseRegisterLayers();
  sktest::TTempDir dir("pixelnew");
  const std::string path = dir / "Ortho photo 2.VRKPS";
  {
    TGIS_FilePixelStoreAdo2 store;
    store.CreateNew(path, 1024, 512, TGIS_Extent{0, 0, 512, 256}, 300, 100);
    EXPECT_EQ(store.StoreName(), "ORTHO_PHOTO_2");
    EXPECT_EQ(store.ImageType(), 3);
    EXPECT_EQ(store.Compress(), 100); // the quality limited to 100
    EXPECT_EQ(store.PixelSize(), 0.5L);
    EXPECT_EQ(store.Levels(), 1);
    TBitmap cell(512, 512, pf24bit);
    for (int y = 0; y < 512; ++y) std::memset(cell.ScanLine(y), y / 2, 512 * 3);
    store.WriteBitmap(512, 0, cell);
  }
  EXPECT_EQ(FileText(path), "[Vornakel Layer]\r\nStorage=PixelStore2\r\nLayer=ORTHO_PHOTO_2\r\nDialect=MSJET\r\n"
                            "ADO=\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ortho photo 2.mdb\"\r\n");
  EXPECT_FALSE(FileExists(GisTempFileName(path)));
  EXPECT_EQ(FileText(dir / "Ortho photo 2.mdb").substr(0, 16), std::string("SQLite format 3\0", 16));
  // The new file opens as a layer.
  auto layer = GisCreateLayer("new", path);
  auto* store2 = dynamic_cast<TGIS_LayerPixelStoreAdo2*>(layer.get());
  ASSERT_NE(store2, nullptr);
  store2->EnsureOpen();
  EXPECT_EQ(store2->Width(), 1024);
  std::uint32_t rgb = 0;
  bool transparent = false;
  std::vector<double> values;
  ASSERT_TRUE(store2->Locate(TGIS_Point{256 + 10, 256 - 100}, rgb, transparent, values));
  EXPECT_EQ(rgb, 0x646464u); // row 200 of the cell: 100

  // A second store in the folder: "Layers.mdb" is used when it is there; an
  // existing configuration is never rewritten.
  data::CreateDatabaseFile(dir / "Layers.mdb");
  const std::string second = dir / "second.VRKPS";
  TGIS_FilePixelStoreAdo2 other;
  other.CreateNew(second, 512, 512, TGIS_Extent{0, 0, 512, 512}, 75, 0);
  EXPECT_NE(FileText(second).find("Data Source=Layers.mdb\""), std::string::npos) << FileText(second);
  EXPECT_EQ(other.ImageType(), 1);
  const std::string kept = FileText(path);
  TGIS_FilePixelStoreAdo2 again;
  again.CreateNew(path, 512, 512, TGIS_Extent{0, 0, 512, 512}, 75, 101);
  EXPECT_EQ(FileText(path), kept);
  EXPECT_EQ(again.ImageType(), 4);
  EXPECT_EQ(again.Extent().XMax, 512.0); // the older store of the name was replaced
}

TEST(PixelStoreCreateNew, SubFormatsGiveImageTypes) {
  TGIS_FilePixelStoreAdo2 store;
  const struct {
    int Id, Type;
  } expected[] = {{0, 1}, {1, 2}, {100, 3}, {101, 4}, {102, 5}};
  ASSERT_EQ(store.Capabilities().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(store.Capabilities()[i].Identifier, expected[i].Id);
    EXPECT_EQ(TGIS_FilePixelStoreAbstract2::ImageTypeOf(store.Capabilities()[i]), expected[i].Type) << expected[i].Id;
  }
  EXPECT_EQ(TGIS_FilePixelStoreAbstract2::ImageTypeOf({pf24bit, 3, 7, false}), 0); // BMP
  EXPECT_THROW(TGIS_FilePixelStoreAbstract2::ImageTypeOf({pf24bit, 1, 7, true}), EAssertionFailed);
  EXPECT_THROW(TGIS_FilePixelStoreAbstract2::ImageTypeOf({pf4bit, 2, 7, false}), EAssertionFailed);
}

TEST(PixelStoreCreateNew, FailuresAreRaised) {
  sktest::TTempDir dir("pixelnew");
  TGIS_FilePixelStoreAdo2 store;
  try {
    store.CreateNew(dir / "x.VRKPS", 512, 512, TGIS_Extent{0, 0, 1, 1}, 50, 7);
    FAIL() << "sub-format 7 was accepted";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0120"), std::string::npos) << e.Message();
  }
  // A folder that does not exist: nothing can be written, and it is said.
  TGIS_FilePixelStoreAdo2 nowhere;
  EXPECT_THROW(nowhere.CreateNew(dir / "no/such/y.VRKPS", 512, 512, TGIS_Extent{0, 0, 1, 1}, 50, 100), Exception);
  EXPECT_FALSE(FileExists(dir / "no/such/y.VRKPS"));
}

// ---- passwords of the second template pass ----------------------------------------------------------

TEST(PixelStorePasswords, MacroValuesGoThroughTheSharedList) {
  ASSERT_NO_FATAL_FAILURE(UseSharedDialects());
  sktest::TTempDir dir("pixelpwd");
  const std::string db = dir / "p.db";
  data::CreateDatabaseFile(db);
  // The catalogue's name arrives as a macro inside a configuration value,
  // which only the second pass (a later connection) expands.
  const std::string config = "Storage=PixelStore2\\nLayer=P\\nvrkGISPixelStore2=<#CATALOGUE#>\\n"
                             "ADO=Provider=SQLite;Data Source=" + db;
  GisLayerPasswords().Clear();
  TGIS_FilePixelStoreAdo2 asking;
  asking.ConfigPath = config;
  asking.KeyPrefix = "photo";
  std::vector<std::string> asked;
  asking.OnPassword = [&](TGIS_FilePixelStoreAbstract2*, const std::string& name, std::string& value) {
    asked.push_back(name);
    value = "PS_CATALOGUE";
  };
  asking.Connect();
  EXPECT_EQ(asking.Command(20), "<#CATALOGUE#>");
  asking.Connect();
  EXPECT_EQ(asking.Command(20), "PS_CATALOGUE");
  // Asked for each place of the macro (8 commands name the catalogue).
  EXPECT_EQ(asked, std::vector<std::string>(8, "CATALOGUE"));
  EXPECT_EQ(GisLayerPasswords().Get("photo", "CATALOGUE"), "PS_CATALOGUE");

  // Another store of the same prefix takes the remembered value unasked.
  TGIS_FilePixelStoreAdo2 remembered;
  remembered.ConfigPath = config;
  remembered.KeyPrefix = "PHOTO";
  remembered.OnPassword = [&](TGIS_FilePixelStoreAbstract2*, const std::string&, std::string& value) {
    value = "WRONG";
  };
  remembered.Connect();
  remembered.Connect();
  EXPECT_EQ(remembered.Command(20), "PS_CATALOGUE");
  // Without a prefix the store's name is the prefix; without a handler the
  // macro keeps its name.
  TGIS_FilePixelStoreAdo2 plain;
  plain.ConfigPath = config;
  plain.Connect();
  plain.Connect();
  EXPECT_EQ(plain.Command(20), "CATALOGUE");
  GisLayerPasswords().Clear();
}

// ---- MySQL keeps floating values to 14 digits ---------------------------------------------------------

TEST(PixelStoreMySql, FloatingValuesAreWrittenAsTheyReadBackFromFourteenDigits) {
  EXPECT_EQ(GisMySqlStoredFloat(Variant(0.1 + 0.2)).AsDouble(), 0.3);
  EXPECT_EQ(GisMySqlStoredFloat(Variant(1.0 / 3)).AsDouble(), 0.33333333333333);
  EXPECT_EQ(GisMySqlStoredFloat(Variant(7)).VarType(), Variant(7).VarType());

  ASSERT_NO_FATAL_FAILURE(UseSharedDialects());
  sktest::TTempDir dir("pixelmysql");
  const std::string db = dir / "m.db";
  data::CreateDatabaseFile(db);
  {
    data::Connection c;
    c.Open("Provider=SQLite;Data Source=" + db);
    c.Execute("CREATE TABLE T (NLEVEL INTEGER, NROW INTEGER, NCOL INTEGER, V DOUBLE PRECISION)");
  }
  for (const char* dialect : {"MYSQL", "MSJET"}) {
    TGIS_FilePixelStoreAdo2 store;
    store.ConfigPath = std::string("Storage=PixelStore2\\nLayer=T\\nDialect=") + dialect +
                       "\\nADO=Provider=SQLite;Data Source=" + db;
    store.Connect();
    EXPECT_EQ(store.IsMySql(), std::string(dialect) == "MYSQL");
    store.TableAppend("T");
    store.TableSetField("V", Variant(0.1 + 0.2));
    store.TablePost();
    store.TableClose();
    store.QueryOpen("SELECT V FROM T");
    std::vector<double> stored;
    for (; !store.QueryEof(); store.QueryNext()) stored.push_back(store.QueryField("V").AsDouble());
    store.QueryClose();
    store.DbExecute("DELETE FROM T");
    ASSERT_EQ(stored.size(), 1u);
    if (store.IsMySql())
      EXPECT_EQ(stored[0], 0.3);
    else
      EXPECT_EQ(stored[0], 0.1 + 0.2);
  }
}

} // namespace pixelstorelayer_test
