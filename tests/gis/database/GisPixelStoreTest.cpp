// The first-version pixel store over both engines: catalogue, factor choice,
// cell indexes west and south of the cardinal point, missing and empty cells
// and the cache.
#include "gis/database/GisPixelStore.h"

#include "gis/core/GisResource.h"
#include "platform/data/DataAccess.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

namespace pixelstore1_test {

class PixelStore1Test : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    SK_MAKE_TEST_ENGINE(engine_, GetParam());
    conn_.Open(engine_.ConnectionString);
    const bool pg = engine_.Engine == data::TEngine::PostgreSQL;
    // PostgreSQL keeps xmin and xmax for itself: the columns are quoted there.
    const std::string xmin = pg ? "\"XMin\"" : "XMin";
    const std::string xmax = pg ? "\"XMax\"" : "XMax";
    conn_.Execute("CREATE TABLE vrkGISPixelStore (" + xmin + " DOUBLE PRECISION, " + xmax +
                  " DOUBLE PRECISION, YMin DOUBLE PRECISION, YMax DOUBLE PRECISION, CellWidth INTEGER, "
                  "CellHeight INTEGER, PixelWidth DOUBLE PRECISION, PixelHeight DOUBLE PRECISION, "
                  "Compress INTEGER, ImgType INTEGER, MaxFactor INTEGER)");
    conn_.Execute(std::string("CREATE TABLE vrkGISPixelStore_CELL (Factor INTEGER, Col INTEGER, Row INTEGER, Img ") +
                  (pg ? "BYTEA" : "LONGBINARY") + ", ImgType INTEGER)");
  }
  void Catalogue(int maxFactor) {
    conn_.Execute("INSERT INTO vrkGISPixelStore VALUES (-1000, 1000, -1000, 1000, 100, 100, 1, 1, 0, 1, " +
                  IntToStr(maxFactor) + ")");
  }
  void Cell(int f, int c, int r, const std::vector<std::uint8_t>& bytes, int type = 1) {
    data::Recordset rs;
    rs.Open("SELECT * FROM vrkGISPixelStore_CELL", conn_, 2, 3);
    rs.AddNew();
    rs.Item("Factor").SetValue(Variant(f));
    rs.Item("Col").SetValue(Variant(c));
    rs.Item("Row").SetValue(Variant(r));
    rs.Item("Img").SetValue(Variant(bytes));
    rs.Item("ImgType").SetValue(Variant(type));
    rs.Update();
  }
  void OpenStore(TGIS_PixelStore& store) {
    store.ConnectionString = "\"" + engine_.ConnectionString + "\"";
    store.Open();
  }

  sktest::TTestEngine engine_;
  data::Connection conn_;
};

TEST_P(PixelStore1Test, EmptyCatalogueDoesNotExist) {
  TGIS_PixelStore store;
  store.ConnectionString = engine_.ConnectionString;
  EXPECT_THROW(store.Open(), EGIS_Exception);
}

TEST_P(PixelStore1Test, CatalogueAndFactorChoice) {
  Catalogue(16);
  TGIS_PixelStore store;
  OpenStore(store);
  EXPECT_EQ(store.Extent().XMin, -1000.0);
  EXPECT_EQ(store.Extent().XMax, 1000.0);
  EXPECT_EQ(store.CellWidth(), 100);
  EXPECT_EQ(store.MaxFactor(), 16);
  const TGIS_Extent view{0, 0, 50, 50};
  store.StartCells(view, 0.1); // 1 / s = 10
  EXPECT_EQ(store.CellFactor(), 8);
  store.StartCells(view, 2); // 1 / s = 0.5
  EXPECT_EQ(store.CellFactor(), 1);
}

TEST_P(PixelStore1Test, MissingCellsAreWhiteAndCachedEmptyOnesAreReadAgain) {
  Catalogue(1);
  Cell(1, 0, 0, {1, 2, 3});
  Cell(1, 1, 0, {});
  TGIS_PixelStore store;
  OpenStore(store);
  const TGIS_Extent view{10, 10, 150, 90}; // columns 0..1, row 0
  store.StartCells(view, 1);
  ASSERT_TRUE(store.FirstCell());
  EXPECT_EQ(store.CellKind(), TGIS_PixelStoreCellKind::Data);
  EXPECT_EQ(store.CellImageType(), 1);
  EXPECT_EQ(store.CellBytes(), (std::vector<std::uint8_t>{1, 2, 3}));
  ASSERT_TRUE(store.NextCell());
  EXPECT_EQ(store.CellKind(), TGIS_PixelStoreCellKind::White);
  EXPECT_FALSE(store.NextCell());
  EXPECT_EQ(store.CellQueries(), 2);
  store.StartCells(view, 1);
  while (store.NextCell()) {
  }
  EXPECT_EQ(store.CellQueries(), 3); // the empty image only
  // A missing cell is cached; the 16th distinct cell evicts the oldest.
  const TGIS_Extent wide{-750, 10, 850, 90}; // columns -8..8: 17 cells
  store.StartCells(wide, 1);
  while (store.NextCell()) {
  }
  const int before = store.CellQueries();
  store.StartCells(TGIS_Extent{750, 10, 850, 90}, 1); // the last cells: cached
  while (store.NextCell()) {
  }
  EXPECT_EQ(store.CellQueries(), before);
  store.StartCells(TGIS_Extent{-750, 10, -710, 90}, 1); // column -8: evicted
  while (store.NextCell()) {
  }
  EXPECT_EQ(store.CellQueries(), before + 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, PixelStore1Test, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return std::string(info.param); });

TEST(PixelStore1Index, CellsWestAndSouthOfTheCardinalPoint) {
  const struct {
    double Cells;
    int Index;
  } cases[] = {{0, 0}, {0.5, 0}, {1, 1}, {-0.5, -1}, {-1, -1}, {-1.5, -2}, {-2, -2}};
  for (const auto& c : cases)
    EXPECT_EQ(TGIS_PixelStore::CellIndex(100 + c.Cells * 256 * 0.5, 100, 0.5, 256, 1), c.Index) << c.Cells;
  EXPECT_EQ(TGIS_PixelStore::CellIndex(100 - 1.5 * 256 * 0.5 * 4, 100, 0.5, 256, 4), -2);
}

} // namespace pixelstore1_test
