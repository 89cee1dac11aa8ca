// The exchange forms against GEOS (the committed shapely tables) and GDAL's
// SQLite dialect: the same well-known binary byte for byte, either byte
// order read alike, and every form round-tripping the tables' shapes.
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

TGIS_ShapeType TypeOfKind(const std::string& kind) {
  if (kind == "POINT") return gisShapeTypePoint;
  if (kind == "MULTIPOINT") return gisShapeTypeMultiPoint;
  if (kind == "LINESTRING" || kind == "MULTILINESTRING") return gisShapeTypeArc;
  return gisShapeTypePolygon;
}

/// Equal within `relative` of the coordinates' size.
bool NearParts(const TParts& a, const TParts& b, double relative) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (std::size_t j = 0; j < a[i].size(); ++j) {
      const double tx = relative * std::max(1.0, std::fabs(a[i][j].X));
      const double ty = relative * std::max(1.0, std::fabs(a[i][j].Y));
      if (std::fabs(a[i][j].X - b[i][j].X) > tx || std::fabs(a[i][j].Y - b[i][j].Y) > ty)
        return false;
    }
  }
  return true;
}

} // namespace

TEST(GisGeometryOracle, BinaryFormEqualsGeosByteForByte) {
  const auto rows = TabLines(DataPath("wkb/exchange.txt"));
  ASSERT_EQ(rows.size(), 240u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u);
    SCOPED_TRACE(row[1].substr(0, 80));
    auto shape = GisCreateShapeFromWKT(row[1]);
    ASSERT_EQ(shape->ShapeType(), TypeOfKind(row[0]));
    const TParts parts = PartsOf(*shape);
    TBytes wkb;
    shape->ExportToWKB(wkb);
    EXPECT_EQ(HexOf(wkb), row[2]);
    // Both byte orders of GEOS read as the same vertices.
    EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromWKB(BytesOfHex(row[2]))), parts));
    EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromWKB(BytesOfHex(row[3]))), parts));
    // The blob form keeps class and parts exactly; the text form to 15 digits.
    TBytes gdo;
    shape->ExportToGDO(gdo);
    auto fromGdo = GisCreateShapeFromGDO(gdo);
    EXPECT_EQ(fromGdo->ShapeType(), shape->ShapeType());
    EXPECT_TRUE(SameParts(PartsOf(*fromGdo), parts));
    auto fromText = GisCreateShapeFromWKT(shape->ExportToWKT());
    EXPECT_EQ(fromText->ShapeType(), shape->ShapeType());
    EXPECT_TRUE(NearParts(PartsOf(*fromText), parts, 1e-14));
  }
}

TEST(GisGeometryOracle, BinaryFormEqualsGdalSqlite) {
  if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";
  const char* texts[] = {
      "POINT(1.5 -2)",
      "MULTIPOINT(0 0, 10 20, -3.25 7)",
      "LINESTRING(0 0, 1 2.5, 3 -1)",
      "MULTILINESTRING((0 0, 1 1), (2 2, 3 3, 4 2))",
      "POLYGON((0 0, 0 10, 10 10, 10 0, 0 0), (2 2, 4 2, 4 4, 2 2))",
      "MULTIPOLYGON(((0 0, 0 10, 10 10, 10 0, 0 0)), ((20 0, 20 5, 25 5, 20 0)))",
  };
  sktest::TTempDir dir;
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const std::string out = dir.Path() + "/ogr.txt";
    const std::string command =
        "ogrinfo :memory: -q -dialect sqlite -sql \"SELECT hex(ST_AsBinary(ST_GeomFromText('" +
        std::string(text) + "'))) AS h\" >" + out + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string listing = ReadFile(out);
    const std::size_t at = listing.find("h (String) = ");
    ASSERT_NE(at, std::string::npos) << listing;
    const std::size_t start = at + 13;
    const std::string hex = listing.substr(start, listing.find('\n', start) - start);
    TBytes wkb;
    GisCreateShapeFromWKT(text)->ExportToWKB(wkb);
    EXPECT_EQ(HexOf(wkb), hex);
  }
}
