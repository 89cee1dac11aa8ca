// The second-version pixel store over both engines: schema and catalogue,
// cells in and out, the level count, the level and range choice.
#include "gis/database/GisFilePixelStoreAdo2.h"

#include "gis/core/GisResource.h"
#include "gis/database/GisSharedConnections.h"
#include "platform/data/DataAccess.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace pixelstore2_test {

class PixelStore2Test : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    const char* share = std::getenv("SK_SHARE_DIR");
    ASSERT_NE(share, nullptr);
    ::setenv("CommonFilesDir", share, 1);
    SK_MAKE_TEST_ENGINE(engine_, GetParam());
    dialect_ = engine_.Engine == data::TEngine::PostgreSQL ? "POSTGRES" : "MSJET";
  }
  std::string Config(const std::string& dialect = "") const {
    return "Storage=PixelStore2\\nLayer=ORTHO\\nDialect=" + (dialect.empty() ? dialect_ : dialect) +
           "\\nADO=" + engine_.ConnectionString;
  }
  // A store of `cols` x `rows` cells of pixel size `p` with its west-north
  // corner at (1000, 2000).
  void Create(TGIS_FilePixelStoreAbstract2& store, int cols, int rows, long double p) {
    TGIS_Extent e{1000, static_cast<double>(2000 - rows * 512 * p), static_cast<double>(1000 + cols * 512 * p), 2000};
    store.CreateStore(Config(), e, p, 3, 75);
  }
  std::int64_t Scalar(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open(sql, c);
    return rs.Fields()[0].Value().AsInt64();
  }

  sktest::TTestEngine engine_;
  std::string dialect_;
};

TEST_P(PixelStore2Test, CreatedStoreHasItsCatalogueRow) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 3, 2, 0.5L);
  EXPECT_EQ(store.StoreName(), "ORTHO");
  EXPECT_EQ(store.Levels(), 1);
  EXPECT_EQ(store.ImageType(), 3);
  EXPECT_EQ(store.Compress(), 75);
  EXPECT_EQ(store.PixelSize(), 0.5L);
  EXPECT_EQ(store.Extent().XMax, 1768.0);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM vrkGISPixelStore2"), 1);
  // A second store of the same name replaces the first.
  TGIS_FilePixelStoreAdo2 again;
  Create(again, 1, 1, 2);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM vrkGISPixelStore2"), 1);
  EXPECT_EQ(again.Extent().XMax, 2024.0);
}

TEST_P(PixelStore2Test, CellsGoInWithATrailingZeroAndComeBackWithout) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 3, 2, 1);
  std::vector<std::uint8_t> bytes(10000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  store.WriteBitmapBytes(512, 512, bytes); // column 1, row 1
  EXPECT_EQ(Scalar("SELECT length(CELL) FROM ORTHO WHERE NCOL = 1 AND NROW = 1"), 10001);
  // Overwriting replaces the cell.
  bytes[0] = 99;
  store.WriteBitmapBytes(512, 512, bytes);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ORTHO"), 1);

  TGIS_FilePixelStoreAdo2 reader;
  reader.ConfigPath = Config();
  reader.ReadCatalogue();
  reader.StartCells(reader.Extent(), 1.0L); // one screen pixel per store pixel: factor 1
  int cells = 0, data = 0;
  while (reader.NextCell()) {
    ++cells;
    if (reader.CellState() != TGIS_PixelStoreCellState::Data) continue;
    ++data;
    EXPECT_EQ(reader.CellColumn(), 1);
    EXPECT_EQ(reader.CellRow(), 1);
    EXPECT_TRUE(reader.CellBytes() == bytes);
    const TGIS_Extent e = reader.CellExtent();
    EXPECT_EQ(e.XMin, 1512.0);
    EXPECT_EQ(e.YMax, 1488.0);
  }
  EXPECT_EQ(cells, 6);
  EXPECT_EQ(data, 1);
  // Missing cells are read again, stored ones come from the cache.
  const int queries = reader.CellQueries();
  reader.StartCells(reader.Extent(), 1.0L);
  while (reader.NextCell()) {
  }
  EXPECT_EQ(reader.CellQueries() - queries, 5);
}

TEST_P(PixelStore2Test, LevelCountGrowsWithOneUpdate) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 4, 4, 1);
  data::Connection* shared = nullptr;
  std::vector<std::string> log;
  store.Connect();
  shared = store.Connection();
  shared->Hooks().StatementLog = [&](const std::string& sql) { log.push_back(sql); };
  store.StartCells(store.Extent(), -0.25L); // pyramid pass: factor 2 x NLEVEL halved to <= 4
  ASSERT_TRUE(store.FirstCell());
  EXPECT_EQ(store.CellFactor(), 2);
  store.WriteCell({1, 2, 3});
  EXPECT_EQ(store.Levels(), 2);
  int updates = 0;
  for (const std::string& s : log) updates += s.rfind("UPDATE vrkGISPixelStore2", 0) == 0;
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(Scalar("SELECT NLEVEL FROM vrkGISPixelStore2"), 2);
  shared->Hooks() = data::TDataHooks();
}

TEST_P(PixelStore2Test, WrittenCellsAreFullResolutionWhenPixelsAreSmall) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 2, 2, 0.25L);
  store.Connect();
  store.StartCells(store.Extent(), -0.25L);
  ASSERT_TRUE(store.FirstCell());
  store.WriteCell({5}); // a factor-2 cell: NLEVEL 2
  ASSERT_EQ(store.Levels(), 2);
  store.WriteBitmapBytes(0, 0, {7, 7});
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ORTHO WHERE NLEVEL = 1 AND NCOL = 0 AND NROW = 0"), 1);
}

TEST_P(PixelStore2Test, PostgreSqlNeedsItsDialect) {
  if (engine_.Engine != data::TEngine::PostgreSQL) GTEST_SKIP() << "PostgreSQL only";
  TGIS_FilePixelStoreAdo2 store;
  store.ConfigPath = Config("MSJET");
  try {
    store.ReadCatalogue();
    FAIL() << "MSJET opened on PostgreSQL";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0146 Unsupported dialect MSJET"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(GisSharedConnections().Count(), 0);
}

TEST_P(PixelStore2Test, LevelAndRangeChoice) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 8, 8, 1);
  data::Connection c;
  c.Open(engine_.ConnectionString);
  c.Execute("UPDATE vrkGISPixelStore2 SET NLEVEL = 8");
  store.ReadCatalogue();
  const struct {
    long double Zoom;
    int Factor;
  } levels[] = {{0.3L, 2}, {1, 1}, {0.01L, 8}};
  for (const auto& l : levels) {
    store.StartCells(store.Extent(), l.Zoom);
    EXPECT_EQ(store.CellFactor(), l.Factor) << static_cast<double>(l.Zoom);
  }
  // The exclusive end column on, just past and clearly past a cell border.
  const struct {
    double Beyond;
    int End;
  } borders[] = {{0, 2}, {1e-7, 2}, {1e-3, 3}};
  for (const auto& b : borders) {
    TGIS_Extent e{1000, 1000, 1000 + (2 + b.Beyond) * 512, 2000};
    store.StartCells(e, 1);
    EXPECT_EQ(store.FirstColumn(), 0);
    EXPECT_EQ(store.EndColumn(), b.End) << b.Beyond;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, PixelStore2Test, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return std::string(info.param); });

class PixelStore2Levels : public TGIS_FilePixelStoreAdo2 {
public:
  void Set(int) {
    ConfigPath = "Storage=PixelStore2\\nLayer=X\\nADO=Provider=SQLite;Data Source=:memory:";
    Connect();
  }
};

TEST(PixelStore2Commands, GoldenCatalogueUnderJetAndRenamedColumns) {
  PixelStore2Levels store;
  store.Set(1);
  EXPECT_EQ(store.Command(0),
            "CREATE TABLE vrkGISPixelStore2 ( NAME VARCHAR(64),XMIN DOUBLE, XMAX DOUBLE,YMIN DOUBLE, "
            "YMAX DOUBLE,PIXELSIZE DOUBLE, IMAGETYPE SMALLINT,NCOMPRESS SMALLINT, NLEVEL SMALLINT,SRTEXT MEMO)");
  EXPECT_EQ(store.CellCondition(4, 2, -1), "(NLEVEL=4) AND (NCOL=2) AND (NROW=-1)");
  EXPECT_EQ(store.SelectSql("T", ""), "SELECT * FROM T");
  EXPECT_EQ(store.Command(8), "UPDATE vrkGISPixelStore2 SET NLEVEL=%D WHERE NAME='%s'");
  PixelStore2Levels renamed;
  renamed.SetConfigValue("NLEVEL", "LVL");
  renamed.Set(1);
  EXPECT_EQ(renamed.Command(29), "LVL");
  EXPECT_EQ(renamed.CellCondition(1, 0, 0), "(LVL=1) AND (NCOL=0) AND (NROW=0)");
  EXPECT_THROW(store.Command(35), EAssertionFailed);
}

} // namespace pixelstore2_test

#include "gis/database/GisPixelStoreCells.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"

namespace pixelstore2_test {

TEST(PixelStore2Cells, CompressionValuesToEncoderSettings) {
  EXPECT_EQ(GisPixelStorePngLevel(75), 2);
  EXPECT_EQ(GisPixelStorePngLevel(5), 9);
  EXPECT_EQ(GisPixelStorePngLevel(-20), 9);
  EXPECT_EQ(GisPixelStorePngLevel(100), 0);
  EXPECT_EQ(GisPixelStoreJpegQuality(5), 10);
  EXPECT_EQ(GisPixelStoreJpegQuality(75), 75);
  EXPECT_EQ(GisPixelStoreJpegQuality(300), 100);
}

TEST_P(PixelStore2Test, BitmapCellsRoundTripAsPng) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 2, 1, 1); // image type 3: PNG, 24 bits
  TBitmap cell(512, 512, pf24bit);
  for (int y = 0; y < 512; ++y) {
    std::uint8_t* row = cell.ScanLine(y);
    for (int x = 0; x < 512 * 3; ++x) row[x] = static_cast<std::uint8_t>(x * 3 + y);
  }
  TGIS_Extent second{1512, 1488, 2024, 2000};
  store.WriteCellBitmap(cell, second);
  TBitmap small(256, 256, pf24bit);
  try {
    store.WriteCellBitmap(small, second);
    FAIL() << "a 256 x 256 bitmap was written";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0160"), std::string::npos) << e.Message();
  }
  TGIS_FilePixelStoreAdo2 reader;
  reader.ConfigPath = Config();
  reader.ReadCatalogue();
  reader.StartCells(reader.Extent(), 1.0L);
  ASSERT_TRUE(reader.FirstCell()); // column 0: no row, black
  TBitmap out;
  reader.CellBitmap(out);
  EXPECT_EQ(out.Width(), 512);
  EXPECT_EQ(out.ScanLine(10)[10], 0);
  ASSERT_TRUE(reader.NextCell());
  ASSERT_EQ(reader.CellState(), TGIS_PixelStoreCellState::Data);
  EXPECT_EQ(reader.CellBytes()[1], 'P'); // a PNG signature
  reader.CellBitmap(out);
  ASSERT_EQ(out.Height(), 512);
  int differences = 0;
  for (int y = 0; y < 512; ++y)
    differences += std::memcmp(out.ScanLine(y), cell.ScanLine(y), 512 * 3) != 0;
  EXPECT_EQ(differences, 0);
}

} // namespace pixelstore2_test

namespace pixelstore2_test {

TEST(PixelStore2Pyramid, CellCount) {
  EXPECT_EQ(TGIS_FilePixelStoreAbstract2::PyramidCellCount(0, 3, 0, 2), 5);
  EXPECT_EQ(TGIS_FilePixelStoreAbstract2::PyramidCellCount(0, 1, 0, 1), 1);
}

void FillSolid(TBitmap& b, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  for (int y = 0; y < b.Height(); ++y) {
    std::uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[3 * x] = blue;
      row[3 * x + 1] = green;
      row[3 * x + 2] = red;
    }
  }
}

TEST_P(PixelStore2Test, PyramidParentsAreTwoByTwoMeans) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 2, 1, 1);
  TBitmap cell(512, 512, pf24bit);
  FillSolid(cell, 10, 20, 30);
  store.WriteBitmapBytes(0, 0, GisPixelStore2EncodeCell(cell, 3, 75));
  FillSolid(cell, 200, 100, 50);
  // A checkerboard of two colours: the mean of each 2 x 2 block.
  for (int y = 0; y < 512; ++y)
    for (int x = (y % 2); x < 512; x += 2) cell.ScanLine(y)[3 * x] = 100;
  store.WriteBitmapBytes(512, 0, GisPixelStore2EncodeCell(cell, 3, 75));
  std::vector<std::pair<int, int>> busy;
  store.OnBusy = [&](int done, int total, bool&) { busy.push_back({done, total}); };
  store.Complete();
  EXPECT_EQ(store.Levels(), 2);
  ASSERT_FALSE(busy.empty());
  EXPECT_EQ(busy.front(), std::make_pair(0, 3)); // the count runs on the exclusive ends
  EXPECT_EQ(busy.back(), std::make_pair(-1, -1));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ORTHO WHERE NLEVEL = 2"), 1);

  TGIS_FilePixelStoreAdo2 reader;
  reader.ConfigPath = Config();
  reader.ReadCatalogue();
  reader.StartCells(reader.Extent(), 0.5L); // factor 2
  ASSERT_TRUE(reader.FirstCell());
  ASSERT_EQ(reader.CellFactor(), 2);
  TBitmap parent;
  reader.CellBitmap(parent);
  const std::uint8_t* top = parent.ScanLine(10);
  EXPECT_EQ(top[3 * 10], 10);
  EXPECT_EQ(top[3 * 10 + 2], 30);
  EXPECT_EQ(top[3 * 300], 150); // (200 + 100 + 200 + 100) / 4
  EXPECT_EQ(top[3 * 300 + 1], 100);
  EXPECT_EQ(parent.ScanLine(400)[3 * 10], 0); // no children there: black
}

TEST_P(PixelStore2Test, AbortedPyramidStillEndsItsProgress) {
  TGIS_FilePixelStoreAdo2 store;
  Create(store, 2, 2, 1);
  store.WriteBitmapBytes(0, 0, {1, 2, 3});
  std::vector<int> calls;
  store.OnBusy = [&](int done, int, bool& abort) {
    calls.push_back(done);
    if (calls.size() == 2) abort = true; // the first call of the quads
  };
  store.Complete();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls.back(), -1);
  EXPECT_EQ(store.Levels(), 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ORTHO"), 1);
}

} // namespace pixelstore2_test
