// Shape records against GDAL: shapes built vertex by vertex must hold the
// very bytes GDAL writes into a shapefile's record bodies.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include <random>
#include <unistd.h>

#include "VectorTestSupport.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Strings.h"

namespace {

std::uint32_t BigEndian(const std::string& s, std::size_t at) {
  return std::uint32_t(std::uint8_t(s[at])) << 24 | std::uint32_t(std::uint8_t(s[at + 1])) << 16 |
         std::uint32_t(std::uint8_t(s[at + 2])) << 8 | std::uint32_t(std::uint8_t(s[at + 3]));
}

/// The record bodies of a .shp file, without their type words.
std::vector<std::vector<std::uint8_t>> RecordBodies(const std::string& shp) {
  std::vector<std::vector<std::uint8_t>> out;
  for (std::size_t at = 100; at + 12 <= shp.size();) {
    const std::size_t length = 2 * BigEndian(shp, at + 4); // content, type word included
    out.emplace_back(shp.begin() + std::ptrdiff_t(at + 12),
                     shp.begin() + std::ptrdiff_t(at + 8 + length));
    at += 8 + length;
  }
  return out;
}

/// The same geometry added part by part and vertex by vertex.
std::unique_ptr<TGIS_Shape> Rebuilt(TGIS_Shape& source) {
  auto shape = GisCreateShapeOfType(source.ShapeType(), 0, nullptr);
  for (int part = 0; part < source.GetNumParts(); ++part) {
    shape->AddPart();
    for (int i = 0; i < source.GetPartSize(part); ++i)
      shape->AddPoint(source.GetPoint(part, i));
  }
  return shape;
}

} // namespace

TEST(GisShapeGdal, BuiltShapesHoldGdalRecordBodies) {
  if (std::system("ogr2ogr --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogr2ogr";
  struct Row {
    const char* type;
    TGIS_ShapeType shapeType;
    std::vector<const char*> wkt;
  } rows[] = {
      {"MULTIPOINT",
       gisShapeTypeMultiPoint,
       {"MULTIPOINT ((1 2),(-3 4.5))", "MULTIPOINT ((10 10),(11 9),(-5 20),(0 0))"}},
      {"MULTILINESTRING",
       gisShapeTypeArc,
       {"MULTILINESTRING ((0 0,10 0,10 5),(20 20,25 30))", "LINESTRING (1.5 2.5,3 4)"}},
      {"POLYGON",
       gisShapeTypePolygon,
       {"POLYGON ((0 0,0 10,10 10,10 0,0 0),(2 2,4 2,4 4,2 4,2 2))",
        "POLYGON ((5 5,5 6,6 6,5 5))"}},
  };
  const sktest::TTempDir dir("shp");
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type);
    const std::string csv = dir / "in.csv";
    {
      std::ofstream f(csv);
      f << "id,WKT\n";
      for (std::size_t i = 0; i < r.wkt.size(); ++i)
        f << i << ",\"" << r.wkt[i] << "\"\n";
    }
    const std::string shp = dir / (std::string(r.type) + ".shp");
    const std::string cmd = "ogr2ogr -f 'ESRI Shapefile' -nlt " + std::string(r.type) + " " + shp +
                            " " + csv + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const auto bodies = RecordBodies(sktest::TTempDir::Read(shp));
    ASSERT_EQ(bodies.size(), r.wkt.size());
    for (const auto& body : bodies) {
      auto read = GisCreateShapeOfType(r.shapeType, 0, nullptr);
      read->SetGeometryBlob(body);
      auto blob = Rebuilt(*read)->GetGeometryBlob();
      ASSERT_FALSE(blob.empty());
      EXPECT_EQ(blob.back(), 0);
      blob.pop_back();
      EXPECT_EQ(blob, body);
    }
  }
}

TEST(GisShapeGdal, DistancesOfApartShapesMatchGeos) {
  if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ogrinfo";
  GisSetTopologyFactory([] { return std::make_unique<TBoxTopology>(); });
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> u(0, 10);
  auto wkt = [](const TGIS_Shape& s) {
    std::string t = s.ShapeType() == gisShapeTypeArc ? "LINESTRING(" : "MULTIPOINT(";
    for (int i = 0; i < s.GetNumPoints(); ++i) {
      const TGIS_Point p = s.GetPoint(0, i);
      t += (i ? "," : "") + GisFloatToStr(p.X) + " " + GisFloatToStr(p.Y);
    }
    return t + ")";
  };
  for (int k = 0; k < 6; ++k) {
    TGIS_ShapeArc a;
    TGIS_ShapeMultiPoint b;
    a.AddPart();
    b.AddPart();
    for (int i = 0; i < 4; ++i) {
      // Six decimals: the text handed to GDAL holds the very same points.
      a.AddPoint({std::round(u(rng) * 1e6) / 1e6, std::round(u(rng) * 1e6) / 1e6});
      b.AddPoint({20 + std::round(u(rng) * 1e6) / 1e6, std::round(u(rng) * 1e6) / 1e6});
    }
    const std::string sql = "SELECT ST_Distance(ST_GeomFromText('" + wkt(a) +
                            "'), ST_GeomFromText('" + wkt(b) + "')) AS d";
    FILE* p = popen(
        ("ogrinfo :memory: -q -dialect sqlite -sql \"" + sql + "\" 2>/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p) != nullptr)
      out += buf;
    pclose(p);
    const std::size_t at = out.find("= ");
    ASSERT_NE(at, std::string::npos) << out;
    const double geos = GisStrToFloat(Trim(out.substr(at + 2)));
    EXPECT_NEAR(a.DistanceToShape(&b), geos, 1e-9 * (1 + geos)) << sql;
  }
  GisSetTopologyFactory(nullptr);
}
