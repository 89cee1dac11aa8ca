// The OpenGIS simple-features layer on both engines and in both storages:
// the command set and catalogue condition, import and the cursor against the
// source, the rows of normalized storage, well-known binary against OGR,
// editing and saving, the rewrite of a normalized shape, rows without a
// shape, the extent beside a reserved UID, and bad input.
#include "gis/database/GisLayerSqlOgis.h"

#include "gis/database/GisDatabaseLayers.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/database/GisSqlRetry.h"
#include "gis/vector/GisGeometryWkb.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/support/DataEngines.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace ogis_test {

struct TOgisCase {
  const char* Engine;
  const char* Dialect;
  const char* Storage;
};

std::ostream& operator<<(std::ostream& os, const TOgisCase& c) {
  return os << c.Engine << "_" << c.Storage;
}

bool OgisIsBinary(const TOgisCase& c) {
  return std::string(c.Storage).find("Blob") != std::string::npos;
}

/// Adds a shape of `type` with `parts` (each a list of points) to `layer`.
TGIS_Shape* OgisAddShape(TGIS_LayerVector& layer, TGIS_ShapeType type,
                         const std::vector<std::vector<TGIS_Point>>& parts) {
  TGIS_Shape* s = layer.CreateShape(type);
  s->Lock(2);
  for (const auto& part : parts) {
    s->AddPart();
    for (const TGIS_Point& p : part) s->AddPoint(p);
  }
  s->Unlock();
  return s;
}

std::vector<TGIS_Point> OgisRing(int n, double x0, double y0) {
  std::vector<TGIS_Point> pts;
  for (int i = 0; i < n; ++i) pts.push_back({x0 + i * 1.5, y0 + (i % 3) * 0.25 + i * 0.125});
  return pts;
}

/// A closed ring of `n` points.
std::vector<TGIS_Point> OgisClosed(int n, double x0, double y0) {
  std::vector<TGIS_Point> pts = OgisRing(n - 1, x0, y0);
  pts.push_back(pts.front());
  return pts;
}

/// Points, a multipoint, arcs and polygons, one of them with rings of 20 and
/// 5 points and one with a first part of exactly 16 points; a number and a
/// text field.
std::unique_ptr<TGIS_LayerVector> OgisSource() {
  auto source = std::make_unique<TGIS_LayerVector>();
  source->SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source->AddField("NUM", gisFieldTypeNumber, 9, 0);
  source->AddField("LABEL", gisFieldTypeString, 20, 0);
  OgisAddShape(*source, gisShapeTypePoint, {{{10.5, -20.25}}});
  OgisAddShape(*source, gisShapeTypeMultiPoint, {{{1, 2}, {3.5, 4.75}}});
  OgisAddShape(*source, gisShapeTypeArc, {OgisRing(16, 100, 100), OgisRing(3, 5, 5)});
  OgisAddShape(*source, gisShapeTypePolygon, {OgisClosed(20, -50, 40), OgisClosed(5, -45, 41)});
  OgisAddShape(*source, gisShapeTypeArc, {OgisRing(33, 7, 8)});
  for (int i = 0; i < source->ShapeCount(); ++i) {
    TGIS_Shape* s = source->ShapeAt(i);
    s->SetField("NUM", (i + 1) * 11);
    s->SetField("LABEL", i == 1 ? std::string("\xC5\x81\xC3\xB3\x64\xC5\xBA") : "s" + IntToStr(i));
  }
  return source;
}

/// Points as pairs, for comparison.
using TOgisParts = std::vector<std::vector<std::pair<double, double>>>;

TOgisParts OgisPairs(const std::vector<std::vector<TGIS_Point>>& parts) {
  TOgisParts out;
  for (const auto& part : parts) {
    out.emplace_back();
    for (const TGIS_Point& p : part) out.back().emplace_back(p.X, p.Y);
  }
  return out;
}

TOgisParts OgisParts(TGIS_Shape& s) {
  TOgisParts out;
  s.Lock(3);
  for (int p = 0; p < s.GetNumParts(); ++p) {
    out.emplace_back();
    for (int i = 0; i < s.GetPartSize(p); ++i) out.back().emplace_back(s.GetPoint(p, i).X, s.GetPoint(p, i).Y);
  }
  s.Unlock();
  return out;
}

class OgisFixture {
protected:
  void Prepare(const char* engine) {
    const char* share = std::getenv("SK_SHARE_DIR");
    ASSERT_NE(share, nullptr);
    ::setenv("CommonFilesDir", share, 1);
    SK_MAKE_TEST_ENGINE(engine_, engine);
    GisSetSqlRetryPause([](int) {});
  }
  std::string Config(const std::string& storage, const std::string& dialect,
                     const std::string& layer = "ROADS", const std::string& extra = "") const {
    return "Storage=" + storage + "\\nLayer=" + layer + "\\nDialect=" + dialect + "\\nADO=" +
           engine_.ConnectionString + extra;
  }
  std::unique_ptr<TGIS_LayerSqlOgisAdo> NewLayer(const std::string& config) {
    auto l = std::make_unique<TGIS_LayerSqlOgisAdo>();
    l->SetPath(config);
    l->SetName("roads");
    return l;
  }
  std::unique_ptr<TGIS_LayerSqlOgisAdo> Opened(const std::string& config) {
    auto l = NewLayer(config);
    l->Open();
    return l;
  }
  void Sql(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute(sql);
  }
  /// Rows of `sql`, each row's columns as text ("NULL" for a null).
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open(sql, c);
    std::vector<std::vector<std::string>> out;
    for (; !rs.Eof(); rs.MoveNext()) {
      out.emplace_back();
      for (int i = 0; i < rs.Fields().Count(); ++i) {
        const Variant v = rs.Fields()[i].Value();
        out.back().push_back(v.IsNull() ? "NULL" : v.AsString());
      }
    }
    return out;
  }
  std::int64_t Scalar(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() ? -1 : std::stoll(rows[0][0]);
  }
  bool Pg() const { return engine_.Engine == data::TEngine::PostgreSQL; }

  sktest::TTestEngine engine_;
};

class OgisLayerTest : public ::testing::TestWithParam<TOgisCase>, public OgisFixture {
protected:
  void SetUp() override { Prepare(GetParam().Engine); }
  void TearDown() override { GisSetSqlRetryPause(nullptr); }
  std::string Cfg(const std::string& layer = "ROADS", const std::string& extra = "") const {
    return Config(GetParam().Storage, GetParam().Dialect, layer, extra);
  }
  bool Binary() const { return OgisIsBinary(GetParam()); }
  std::unique_ptr<TGIS_LayerSqlOgisAdo> Imported(TGIS_LayerVector& source, const std::string& layer = "ROADS") {
    auto l = NewLayer(Cfg(layer));
    l->ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    return l;
  }
};

// ---- the command set without a database -------------------------------------------------------

TEST(OgisCommands, StorageKeysAndLayerFields) {
  struct Row {
    const char* Storage;
    const char* OpenGis;
    const char* Layer;
    bool Binary, Short;
    const char *Table, *Schema, *Catalog;
  };
  const Row rows[] = {
      {"opengisnormalized2", "", "roads", false, true, "roads", "", ""},
      {"Native", "", "roads", true, false, "roads", "", ""},
      {"OpenGisBlob2", "", " roads ; public ", true, true, "roads", "public", ""},
      {"", "2", "roads;public;gis", false, false, "roads", "public", "gis"},
      {"", "1", "roads", true, false, "roads", "", ""},
      {"", "", "a;b;c;d", false, false, "", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.Storage) + "/" + r.OpenGis + "/" + r.Layer);
    TGIS_LayerSqlOgisAdo l;
    l.Config().SetValues("Storage", r.Storage);
    l.Config().SetValues("OpenGIS", r.OpenGis);
    l.Config().SetValues("Layer", r.Layer);
    l.ParseStorage();
    EXPECT_EQ(l.IsBinaryStorage(), r.Binary);
    EXPECT_EQ(l.IsShortReferenceName(), r.Short);
    EXPECT_EQ(l.TableName(), r.Table);
    EXPECT_EQ(l.SchemaName(), r.Schema);
    EXPECT_EQ(l.CatalogName(), r.Catalog);
  }
  for (const char* empty : {"", " ", ";public"}) {
    TGIS_LayerSqlOgisAdo l;
    l.Config().SetValues("Layer", empty);
    try {
      l.ParseStorage();
      ADD_FAILURE() << "accepted '" << empty << "'";
    } catch (const EGIS_Exception& e) {
      EXPECT_NE(e.Message().find("0110"), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("\"Layer\""), std::string::npos) << e.Message();
    }
  }
}

TEST(OgisCommands, TemplatesConditionAndRenames) {
  TGIS_LayerSqlOgisAdo l;
  l.FillCommands();
  ASSERT_EQ(l.Commands().Count(), TGIS_LayerSqlOgisAdo::OgisCommandCount);
  EXPECT_EQ(l.CatalogueCondition("", "", "roads", true),
            "((GC.G_TABLE_CATALOG='') OR (GC.G_TABLE_CATALOG IS NULL))  AND ((GC.G_TABLE_SCHEMA='') OR "
            "(GC.G_TABLE_SCHEMA IS NULL))  AND (GC.G_TABLE_NAME='roads')");
  EXPECT_EQ(l.CatalogueCondition("gis", "public", "roads", false),
            "(G_TABLE_CATALOG='gis') AND (G_TABLE_SCHEMA='public') AND (G_TABLE_NAME='roads')");
  EXPECT_EQ(l.Command(3).substr(0, 80),
            "CREATE TABLE %s ( GID INTEGER, ESEQ INTEGER,ETYPE INTEGER,SEQ INTEGER,X1 DOUBLE,");
  EXPECT_NE(l.Command(3).find("X16 DOUBLE, Y16 DOUBLE )"), std::string::npos);
  EXPECT_EQ(l.Command(35).substr(0, 30), ":GID,:ESEQ,:ETYPE,:SEQ,:X1,:Y1");

  TGIS_LayerSqlOgisAdo renamed;
  renamed.Config().SetValues("GID", "FID");
  renamed.Config().SetValues("YMIN", "LOWY");
  renamed.Config().SetValues("OPERATOR", "AS");
  renamed.FillCommands();
  EXPECT_EQ(renamed.Command(10), "SELECT MAX(FID) AS FID FROM %s");
  EXPECT_EQ(renamed.Command(69), "CREATE UNIQUE INDEX %s_IDX_UID ON %s (GID)");
  EXPECT_EQ(renamed.Command(12).substr(0, 33), "SELECT MIN(YMIN) AS LOWY FROM %s ");
  EXPECT_EQ(renamed.UidEquals(7), "FID=7");

  struct Code {
    int In;
    TGIS_ShapeType Out;
  };
  for (const Code c : {Code{3, gisShapeTypeArc}, Code{9, gisShapeTypeArc}, Code{5, gisShapeTypePolygon},
                       Code{11, gisShapeTypePolygon}, Code{7, gisShapeTypeMultiPoint},
                       Code{0, gisShapeTypePoint}, Code{42, gisShapeTypePoint}})
    EXPECT_EQ(TGIS_LayerSqlOgisAdo::ShapeTypeOfCode(c.In), c.Out) << c.In;
  EXPECT_EQ(TGIS_LayerSqlOgisAdo::GeometryTypeCode(gisShapeTypeMultiPoint), 7);
  EXPECT_EQ(TGIS_LayerSqlOgisAdo::GeometryTypeCode(gisShapeTypeUnknown), 0);
}

// ---- both engines, both storages ----------------------------------------------------------------

TEST_P(OgisLayerTest, ImportThenCursorEqualsSource) {
  auto source = OgisSource();
  Imported(*source);
  auto l = Opened(Cfg());
  EXPECT_EQ(l->GetDefaultShapeType(), gisShapeTypePoint) << "the import's type is unknown: code 0";
  EXPECT_NE(l->InfoText().find(Binary() ? "Binary Geometry" : "Normalized Geometry"), std::string::npos);
  ASSERT_GE(l->FindFieldIndex("NUM"), 0);
  ASSERT_GE(l->FindFieldIndex("LABEL"), 0);
  int n = 0;
  for (l->MoveFirst(GisWholeWorldExtent()); !l->Eof(); l->MoveNext(), ++n) {
    ASSERT_LT(n, source->ShapeCount());
    TGIS_Shape* got = l->GetCurrentShape();
    TGIS_Shape* want = source->ShapeAt(n);
    SCOPED_TRACE(n);
    EXPECT_EQ(got->Uid(), n + 1);
    TGIS_ShapeType type = want->ShapeType();
    // Normalized rows keep points as one element type: a multipoint reads as a point.
    if (!Binary() && type == gisShapeTypeMultiPoint) type = gisShapeTypePoint;
    EXPECT_EQ(got->ShapeType(), type);
    if (type == want->ShapeType()) {
      EXPECT_EQ(OgisParts(*got), OgisParts(*want));
    }
    EXPECT_EQ(got->GetField("NUM").AsInteger(), (n + 1) * 11);
    EXPECT_EQ(got->GetField("LABEL").AsString(), want->GetField("LABEL").AsString());
  }
  EXPECT_EQ(n, source->ShapeCount());
  if (Binary()) {
    const TGIS_Extent e = l->Extent();
    EXPECT_DOUBLE_EQ(e.XMin, -50);
    EXPECT_DOUBLE_EQ(e.YMax, 100 + 2 * 0.25 + 14 * 0.125);
  }
  // A window query: binary storage puts it into the SQL, normalized applies it in memory.
  // Without a viewer the kernel's in-memory extent test passes every shape.
  int inWindow = 0;
  for (l->MoveFirst(TGIS_Extent{0, -30, 20, 10}); !l->Eof(); l->MoveNext()) ++inWindow;
  EXPECT_EQ(inWindow, Binary() ? 4 : 5) << "point, multipoint, the short arc part's shape, the long arc";
  TGIS_Shape* four = l->GetShape(4);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(OgisParts(*four), OgisParts(*source->ShapeAt(3)));
  EXPECT_EQ(four->GetField("LABEL").AsString(), "s3");
}

TEST_P(OgisLayerTest, NormalizedRowsOfEachShape) {
  if (Binary()) GTEST_SKIP() << "normalized storage only";
  auto source = OgisSource();
  Imported(*source);
  auto rows = Rows("SELECT GID, ESEQ, ETYPE, SEQ, X1, X16, X3 FROM ROADS ORDER BY GID, ESEQ, SEQ");
  using R = std::vector<std::string>;
  auto key = [](const R& r) { return r[0] + "/" + r[1] + "/" + r[2] + "/" + r[3]; };
  std::vector<std::string> keys;
  for (const R& r : rows) keys.push_back(key(r));
  EXPECT_EQ(keys, (std::vector<std::string>{"1/1/1/1", "2/1/1/1", "3/1/2/1", "3/2/2/1", "4/1/3/1",
                                            "4/1/3/2", "4/2/3/1", "5/1/2/1", "5/1/2/2", "5/1/2/3"}));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0][5], "NULL") << "a single point leaves the other pairs NULL";
  EXPECT_NE(rows[2][5], "NULL") << "16 points fill the row";
  EXPECT_EQ(rows[5][5], "NULL") << "20 points: the second row holds 4";
  EXPECT_NE(rows[5][6], "NULL");
  EXPECT_EQ(Rows("SELECT STORAGE_TYPE, MAX_PPR, COORD_DIMENSION FROM GEOMETRY_COLUMNS")[0],
            (R{"0", "16", "2"}));

  // A NULL X3 ends that row's points; a catalogue MAX_PPR of 8 caps each row.
  Sql("UPDATE ROADS SET X3=NULL WHERE GID=5 AND SEQ=1");
  Sql("UPDATE GEOMETRY_COLUMNS SET MAX_PPR=8");
  auto l = Opened(Cfg());
  TGIS_Shape* five = l->GetShape(5);
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->GetNumPoints(), 2 + 8 + 1);
  TGIS_Shape* four = l->GetShape(4);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(four->GetNumParts(), 2);
  EXPECT_EQ(four->GetPartSize(0), 8 + 4);
  EXPECT_EQ(four->GetPartSize(1), 5);
}

TEST_P(OgisLayerTest, EditSaveAndReopen) {
  auto source = OgisSource();
  Imported(*source);
  {
    auto l = Opened(Cfg());
    TGIS_Shape* s = l->GetShape(3);
    ASSERT_NE(s, nullptr);
    s = s->MakeEditable();
    ASSERT_NE(s, nullptr);
    s->Reset();
    s->Lock(2);
    s->AddPart();
    s->AddPoint({1, 1});
    s->AddPoint({2, 3});
    s->Unlock();
    s->SetField("LABEL", "edited");
    TGIS_Shape* gone = l->GetShape(2);
    ASSERT_NE(gone, nullptr);
    gone->MakeEditable()->Delete();
    TGIS_Shape* added = l->CreateShape(gisShapeTypeArc);
    ASSERT_NE(added, nullptr);
    added->Lock(2);
    added->AddPart();
    for (const TGIS_Point& p : OgisRing(40, 500, 500)) added->AddPoint(p);
    added->Unlock();
    added->SetField("NUM", 999);
    EXPECT_EQ(added->Uid(), 6);
    l->SaveData();
    EXPECT_FALSE(l->IsModified());
  }
  auto l = Opened(Cfg());
  std::map<int, TGIS_Shape*> seen;
  std::map<int, TOgisParts> parts;
  std::map<int, std::string> labels;
  for (l->MoveFirst(GisWholeWorldExtent()); !l->Eof(); l->MoveNext()) {
    TGIS_Shape* s = l->GetCurrentShape();
    parts[s->Uid()] = OgisParts(*s);
    labels[s->Uid()] = s->GetField("LABEL").AsString();
  }
  EXPECT_EQ(parts.size(), 5u);
  EXPECT_EQ(parts.count(2), 0u);
  EXPECT_EQ(parts[3], OgisPairs({{{1, 1}, {2, 3}}}));
  EXPECT_EQ(labels[3], "edited");
  EXPECT_EQ(parts[6], OgisPairs({OgisRing(40, 500, 500)}));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS_FEA WHERE GID=6"), 1);
  if (Binary()) {
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS WHERE GID=6"), 1) << "the placeholder is overwritten";
  } else {
    // The 40-point shape is rewritten with 5 points: its three rows become one.
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS WHERE GID=6"), 3);
    auto again = Opened(Cfg());
    TGIS_Shape* s = again->GetShape(6)->MakeEditable();
    s->Reset();
    s->Lock(2);
    s->AddPart();
    for (const TGIS_Point& p : OgisRing(5, 1, 1)) s->AddPoint(p);
    s->Unlock();
    again->SaveData();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS WHERE GID=6"), 1);
    auto reread = Opened(Cfg());
    EXPECT_EQ(OgisParts(*reread->GetShape(6)), OgisPairs({OgisRing(5, 1, 1)}));
  }
  EXPECT_EQ(Rows("SELECT GEOMETRY_TYPE FROM GEOMETRY_COLUMNS")[0][0], "1");
}

TEST_P(OgisLayerTest, ReservedUidLeavesExtentAndCursorAlone) {
  auto source = OgisSource();
  Imported(*source);
  auto l = Opened(Cfg());
  const TGIS_Extent before = l->Extent();
  EXPECT_EQ(l->GetNewUid(), 6);
  // A reserved UID that was never saved: no shape, no stretched extent.
  auto again = Opened(Cfg());
  if (Binary()) {
    EXPECT_DOUBLE_EQ(again->Extent().XMin, before.XMin);
    EXPECT_DOUBLE_EQ(again->Extent().XMax, before.XMax);
    EXPECT_DOUBLE_EQ(again->Extent().YMin, before.YMin);
    EXPECT_DOUBLE_EQ(again->Extent().YMax, before.YMax);
  }
  int n = 0, empty = 0;
  for (again->MoveFirst(GisWholeWorldExtent()); !again->Eof(); again->MoveNext()) {
    ++n;
    if (again->GetCurrentShape()->IsEmpty()) ++empty;
  }
  // The reservation writes no feature row, so the join leaves the placeholder out.
  EXPECT_EQ(n, 5);
  EXPECT_EQ(empty, 0);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS WHERE GID=6"), 1);
}

TEST_P(OgisLayerTest, BuildTwiceUpdatesTheCatalogueRow) {
  auto l = NewLayer(Cfg());
  l->Build(Cfg(), GisWholeWorldExtent(), gisShapeTypeArc);
  EXPECT_EQ(Rows("SELECT GEOMETRY_TYPE, F_TABLE_NAME, G_TABLE_NAME, F_GEOMETRY_COLUMN FROM GEOMETRY_COLUMNS"),
            (std::vector<std::vector<std::string>>{{"9", "ROADS_FEA", "ROADS", "GID"}}));
  const bool shortName = std::string(GetParam().Storage).back() == '2';
  EXPECT_EQ(Scalar(shortName ? "SELECT COUNT(*) FROM SPATIAL_REFERENCE_SYS"
                             : "SELECT COUNT(*) FROM SPATIAL_REFERENCE_SYSTEMS"),
            1);
  auto other = NewLayer(Cfg());
  other->Build(Cfg(), GisWholeWorldExtent(), gisShapeTypePolygon);
  EXPECT_EQ(Rows("SELECT GEOMETRY_TYPE FROM GEOMETRY_COLUMNS"), (std::vector<std::vector<std::string>>{{"11"}}));
  auto opened = Opened(Cfg());
  EXPECT_EQ(opened->GetDefaultShapeType(), gisShapeTypePolygon);
}

TEST_P(OgisLayerTest, BadInputGivesClearErrors) {
  auto source = OgisSource();
  Imported(*source);
  try {
    Opened(Cfg("RIVERS"));
    ADD_FAILURE() << "a layer without a catalogue row opened";
  } catch (const EGIS_Exception& e) {
    EXPECT_NE(e.Message().find("0081"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("RIVERS"), std::string::npos);
  }
  Sql("UPDATE GEOMETRY_COLUMNS SET COORD_DIMENSION=3");
  try {
    Opened(Cfg());
    ADD_FAILURE() << "three ordinates accepted";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.Message(), "Unsupported number of ordinates");
  }
  Sql("UPDATE GEOMETRY_COLUMNS SET COORD_DIMENSION=2");
  // The data is still there after the refused opens.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS_FEA"), 5);
  if (Pg()) {
    try {
      Opened(Config(GetParam().Storage, "MSJET"));
      ADD_FAILURE() << "a Jet dialect on PostgreSQL";
    } catch (const EGIS_Exception& e) {
      EXPECT_NE(e.Message().find("0146"), std::string::npos) << e.Message();
    }
  }
}

TEST_P(OgisLayerTest, SqlOfTheCursorAndGetShape) {
  auto source = OgisSource();
  Imported(*source);
  auto l = Opened(Cfg());
  std::vector<std::string> log;
  data::Connection* c = l->Connection();
  ASSERT_NE(c, nullptr);
  c->Hooks().StatementLog = [&](const std::string& sql) { log.push_back(sql); };
  l->MoveFirst(GisWholeWorldExtent(), "GIS_UID=2");
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("(GEO.GID=2)"), std::string::npos) << log.back();
  int n = 0;
  for (; !l->Eof(); l->MoveNext()) ++n;
  EXPECT_EQ(n, 1);
  log.clear();
  l->MoveFirst(GisWholeWorldExtent(), "GIS_AREA>0");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().find("GIS_AREA"), std::string::npos) << log.back();
  log.clear();
  auto fresh = Opened(Cfg());
  fresh->Connection()->Hooks().StatementLog = [&](const std::string& sql) { log.push_back(sql); };
  ASSERT_NE(fresh->GetShape(4), nullptr);
  bool window = false;
  for (const std::string& sql : log) window = window || sql.find("(GEO.GID>=4) and (GEO.GID<=104)") != std::string::npos;
  EXPECT_TRUE(window) << (log.empty() ? std::string() : log.back());
  c->Hooks().StatementLog = nullptr;
  fresh->Connection()->Hooks().StatementLog = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Engines, OgisLayerTest,
                         ::testing::Values(TOgisCase{"sqlite", "MSJET", "OpenGisBlob"},
                                           TOgisCase{"sqlite", "SQLITE", "OpenGisNormalized2"},
                                           TOgisCase{"postgres", "POSTGRES", "OpenGisBlob2"},
                                           TOgisCase{"postgres", "POSTGRES", "OpenGisNormalized"}),
                         [](const auto& info) {
                           return std::string(info.param.Engine) + "_" + info.param.Storage;
                         });

// ---- well-known binary: rows without a shape, the samples, and OGR ------------------------------

class OgisWkbTest : public ::testing::TestWithParam<const char*>, public OgisFixture {
protected:
  void SetUp() override { Prepare(GetParam()); }
  void TearDown() override { GisSetSqlRetryPause(nullptr); }
  std::string Cfg() const {
    return Config("OpenGisBlob", Pg() ? "POSTGRES" : "MSJET");
  }
  /// Writes `blob` (nullptr: NULL) as the geometry of row `gid`.
  void PutBlob(int gid, const std::vector<std::uint8_t>* blob) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open("SELECT * FROM ROADS", c, 2, 3, 0);
    rs.AddNew();
    rs.Item("GID").SetValue(Variant(gid));
    // PostgreSQL's dialect renames the X bounds (xmin and xmax are system columns there).
    rs.Item(Pg() ? "GIS_XMIN" : "XMIN").SetValue(Variant(-1e6));
    rs.Item(Pg() ? "GIS_XMAX" : "XMAX").SetValue(Variant(1e6));
    rs.Item("YMIN").SetValue(Variant(-1e6));
    rs.Item("YMAX").SetValue(Variant(1e6));
    if (blob != nullptr) rs.Item("WKB_GEOMETRY").AppendChunk(*blob);
    rs.Update();
    rs.Close();
    c.Execute("INSERT INTO ROADS_FEA (GID) VALUES (" + IntToStr(gid) + ")");
  }
  static std::vector<std::uint8_t> ReadSample(const std::string& name) {
    const char* root = std::getenv("SK_TEST_DATA");
    std::ifstream in(std::string(root != nullptr ? root : "tests/data") + "/wkb/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_P(OgisWkbTest, RowsWithoutAShapeAreSkipped) {
  auto l = NewLayer(Cfg());
  l->Build(Cfg(), GisWholeWorldExtent(), gisShapeTypeArc);
  // A 3D point (type 1001), little-endian.
  std::vector<std::uint8_t> point3d = {1, 0xE9, 3, 0, 0};
  point3d.resize(5 + 24, 0);
  const std::vector<std::uint8_t> good = ReadSample("good.wkb"), damaged = ReadSample("damaged.wkb");
  ASSERT_FALSE(good.empty());
  ASSERT_FALSE(damaged.empty());
  ASSERT_NE(GisCreateShapeFromWKB(good), nullptr);
  PutBlob(1, &good);
  PutBlob(2, nullptr);
  PutBlob(3, &good);
  PutBlob(4, &point3d);
  PutBlob(5, &damaged);
  PutBlob(6, &good);
  auto opened = Opened(Cfg());
  std::vector<int> uids;
  for (opened->MoveFirst(GisWholeWorldExtent()); !opened->Eof(); opened->MoveNext())
    uids.push_back(opened->GetCurrentShape()->Uid());
  EXPECT_EQ(uids, (std::vector<int>{1, 3, 6}));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS"), 6) << "nothing is removed by reading";
}

TEST_P(OgisWkbTest, StoredBlobsMatchOgr) {
  if (std::system("/usr/bin/python3 -c 'from osgeo import ogr' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-gdal is missing (scripts/install-deps.sh installs it)";
  auto source = OgisSource();
  {
    auto l = NewLayer(Cfg());
    l->ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  }
  sktest::TTempDir dir;
  data::Connection c;
  c.Open(engine_.ConnectionString);
  data::Recordset rs;
  rs.Open("SELECT GID, WKB_GEOMETRY FROM ROADS ORDER BY GID", c);
  std::vector<std::vector<std::uint8_t>> blobs;
  for (; !rs.Eof(); rs.MoveNext()) {
    const Variant v = rs.Fields()[1].Value();
    ASSERT_EQ(v.VarType(), varArray | varByte);
    const auto b = v.Bytes();
    blobs.emplace_back(b.begin(), b.end());
    std::ofstream(dir.Path() + "/" + IntToStr(static_cast<int>(blobs.size())) + ".wkb", std::ios::binary)
        .write(reinterpret_cast<const char*>(blobs.back().data()), static_cast<std::streamsize>(b.size()));
  }
  ASSERT_EQ(blobs.size(), 5u);
  // OGR reads each blob and writes it again (little-endian, 2D): the bytes must not change;
  // it also names the type and point count. The two rings of the polygon do not nest, so
  // they are written as two polygons.
  const std::string script =
      "import sys\nfrom osgeo import ogr\n"
      "def count(g):\n"
      "    if g.GetGeometryCount() == 0: return max(g.GetPointCount(), 1)\n"
      "    return sum(count(g.GetGeometryRef(k)) for k in range(g.GetGeometryCount()))\n"
      "for i in range(1, 6):\n"
      "    b = open(sys.argv[1] + '/%d.wkb' % i, 'rb').read()\n"
      "    g = ogr.CreateGeometryFromWkb(b)\n"
      "    out = bytes(g.ExportToWkb(ogr.wkbNDR))\n"
      "    n = count(g)\n"
      "    print(g.GetGeometryName(), n, 'same' if out == b else 'differs')\n";
  std::ofstream(dir.Path() + "/check.py") << script;
  const std::string out = sktest::RunCommand("/usr/bin/python3 " + dir.Path() + "/check.py " + dir.Path());
  EXPECT_EQ(out, "POINT 1 same\nMULTIPOINT 2 same\nMULTILINESTRING 19 same\nMULTIPOLYGON 25 same\nLINESTRING 33 same\n");
  // And the other way: OGR's WKB of a polygon with a hole reads back here.
  const std::string made = sktest::RunCommand(
      "/usr/bin/python3 -c \"from osgeo import ogr; import sys; "
      "sys.stdout.write(bytes(ogr.CreateGeometryFromWkt('POLYGON((0 0,10 0,10 10,0 0),(1 1,2 1,2 2,1 1))')"
      ".ExportToWkb(ogr.wkbXDR)).hex())\"");
  ASSERT_FALSE(made.empty());
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < made.size(); i += 2) bytes.push_back(static_cast<std::uint8_t>(std::stoi(made.substr(i, 2), nullptr, 16)));
  auto shape = GisCreateShapeFromWKB(bytes);
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->ShapeType(), gisShapeTypePolygon);
  EXPECT_EQ(shape->GetNumParts(), 2);
  EXPECT_EQ(shape->GetNumPoints(), 8);
}

INSTANTIATE_TEST_SUITE_P(Engines, OgisWkbTest, ::testing::Values("sqlite", "postgres"));

TEST(OgisFactory, VrklsRowsGiveTheOpenGisClass) {
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
  GisDatabaseRegisterLayers();
  sktest::TTempDir dir("ogis");
  const std::string path = dir / "Rivers.VRKLS";
  {
    TGIS_LayerSqlOgisAdo layer;
    layer.Build(path, TGIS_Extent{0, 0, 10, 10}, gisShapeTypeArc);
  }
  std::unique_ptr<TGIS_LayerAbstract> made = GisCreateLayer("rivers", path);
  auto* layer = dynamic_cast<TGIS_LayerSqlOgisAdo*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->Open();
  EXPECT_TRUE(layer->IsBinaryStorage());
  EXPECT_EQ(layer->GetDefaultShapeType(), gisShapeTypeArc);
  EXPECT_TRUE(GisIsEmptyExtent(layer->Extent())) << "no rows yet";
  // A normalized configuration over the same database.
  const std::string other = dir / "Normal.VRKLS";
  std::ofstream(other) << "[Vornakel Layer]\nStorage=opengisnormalized2\nLayer=LAKES\nDialect=MSJET\n"
                       << "ADO=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Layers.mdb\n";
  made = GisCreateLayer("lakes", other);
  auto* lakes = dynamic_cast<TGIS_LayerSqlOgisAdo*>(made.get());
  ASSERT_NE(lakes, nullptr);
  lakes->Build(other, GisWholeWorldExtent(), gisShapeTypePolygon);
  lakes->Open();
  EXPECT_FALSE(lakes->IsBinaryStorage());
  EXPECT_EQ(lakes->GetDefaultShapeType(), gisShapeTypePolygon);
}

} // namespace ogis_test
