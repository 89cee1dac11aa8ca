// GeoMedia warehouse layers on SQLite files: the metadata tables and rows of
// both namings, feature classes with GDO geometry read back as written,
// keys, editing and saving, fields and their metadata, refusals (dialects,
// PostgreSQL, missing metadata, bad geometry) and the factory row.
#include "gis/database/GisLayerSqlGm.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlRetry.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace gmlayer_test {

/// `count` shapes of one type with a number, a text, a float and a boolean.
std::unique_ptr<TGIS_LayerVector> MakeGmSource(int count, TGIS_ShapeType type) {
  auto source = std::make_unique<TGIS_LayerVector>();
  source->SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source->AddField("NUM", gisFieldTypeNumber, 5, 0);
  source->AddField("LABEL", gisFieldTypeString, 20, 0);
  source->AddField("VAL", gisFieldTypeFloat, 20, 6);
  source->AddField("FLAG", gisFieldTypeBoolean, 1, 0);
  for (int i = 0; i < count; ++i) {
    TGIS_Shape* s = source->CreateShape(type);
    s->Lock(2);
    const double x = 100.0 + i * 3.25, y = -50.0 + i * 1.5;
    switch (type) {
    case gisShapeTypePoint:
      s->AddPoint({x, y});
      break;
    case gisShapeTypeArc:
      s->AddPart();
      for (int k = 0; k < 4; ++k) s->AddPoint({x + k, y + (k % 2) * 0.5});
      break;
    default:
      s->AddPart();
      for (TGIS_Point q : {TGIS_Point{x, y}, TGIS_Point{x, y + 2}, TGIS_Point{x + 2, y + 2},
                           TGIS_Point{x, y}})
        s->AddPoint(q);
    }
    s->Unlock();
    s->SetField("NUM", i * 3);
    s->SetField("LABEL", i == 1 ? std::string("\xC5\x81\xC3\xB3\x64\xC5\xBA") : "s" + IntToStr(i));
    s->SetField("VAL", 0.5 * i);
    s->SetField("FLAG", i % 2 == 0);
  }
  return source;
}

std::vector<TGIS_Point> GmPoints(TGIS_Shape& s) {
  std::vector<TGIS_Point> out;
  for (int p = 0; p < s.GetNumParts(); ++p)
    for (int k = 0; k < s.GetPartSize(p); ++k) out.push_back(s.GetPoint(p, k));
  return out;
}

class GmLayerTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* share = std::getenv("SK_SHARE_DIR");
    ASSERT_NE(share, nullptr);
    ::setenv("CommonFilesDir", share, 1);
    SK_MAKE_TEST_ENGINE(engine_, "sqlite");
    GisSetSqlRetryPause([](int) {});
  }
  void TearDown() override { GisSetSqlRetryPause(nullptr); }

  std::string Config(const std::string& layer = "ROADS", const std::string& extra = "") const {
    return "Storage=Geomedia\\nLayer=" + layer + "\\nDialect=MSJET\\nADO=" + engine_.ConnectionString + extra;
  }
  std::unique_ptr<TGIS_LayerSqlGmAdo> NewLayer(const std::string& config) {
    auto l = std::make_unique<TGIS_LayerSqlGmAdo>();
    l->SetPath(config);
    l->SetName("roads");
    return l;
  }
  std::unique_ptr<TGIS_LayerSqlGmAdo> Opened(const std::string& config) {
    auto l = NewLayer(config);
    l->Open();
    return l;
  }
  void Import(TGIS_LayerVector& source, const std::string& config, TGIS_ShapeType type) {
    NewLayer(config)->ImportLayer(&source, GisWholeWorldExtent(), type, "", false);
  }
  std::int64_t Scalar(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open(sql, c);
    return rs.Eof() || rs.Fields()[0].Value().IsNull() ? -1 : rs.Fields()[0].Value().AsInt64();
  }
  std::string Text(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open(sql, c);
    return rs.Eof() || rs.Fields()[0].Value().IsNull() ? "<none>" : rs.Fields()[0].Value().AsString();
  }
  void Exec(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute(sql);
  }
  std::set<std::string> Columns(const std::string& table) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open("SELECT name FROM pragma_table_info('" + table + "')", c);
    std::set<std::string> out;
    for (; !rs.Eof(); rs.MoveNext()) out.insert(rs.Fields()[0].Value().AsString());
    return out;
  }
  /// The message of what `f` raises ('' when nothing).
  template <class F> static std::string Raised(F&& f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }

  sktest::TTestEngine engine_;
};

// ---- metadata -------------------------------------------------------------------------------

struct TGmNamingCase {
  const char* Name;
  const char* Version;
  std::set<std::string> FieldLookup, AttributeProperties, GFeatures;
};

class GmNamingTest : public GmLayerTest, public ::testing::WithParamInterface<TGmNamingCase> {};

TEST_P(GmNamingTest, TheFirstClassMakesTheMetadataAndTheSecondAddsOnlyItsRows) {
  const TGmNamingCase& c = GetParam();
  const std::string version = std::string("\\nVersion=") + c.Version;
  auto source = MakeGmSource(3, gisShapeTypePolygon);
  Import(*source, Config("ROADS", version), gisShapeTypePolygon);

  std::set<std::string> tables;
  {
    data::Connection conn;
    conn.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open("SELECT name FROM sqlite_master WHERE type='table'", conn);
    for (; !rs.Eof(); rs.MoveNext()) tables.insert(rs.Fields()[0].Value().AsString());
  }
  EXPECT_EQ(tables, (std::set<std::string>{"GFeatures", "GeometryProperties", "AttributeProperties",
                                           "FieldLookup", "GCoordSystem", "GAliasTable", "ModificationLog",
                                           "ModifiedTables", "GSQLOperatorTable", "ROADS"}));
  EXPECT_EQ(Columns("FieldLookup"), c.FieldLookup);
  EXPECT_EQ(Columns("AttributeProperties"), c.AttributeProperties);
  EXPECT_EQ(Columns("GFeatures"), c.GFeatures);
  EXPECT_EQ(Columns("GCoordSystem").size(), 118u);
  EXPECT_EQ(Columns("ROADS"), (std::set<std::string>{"GDO_ID", "GEOMETRY", "GEOMETRY_SK", "NUM", "LABEL",
                                                      "VAL", "FLAG"}));

  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GAliasTable"), 9);
  EXPECT_EQ(Text("SELECT TableName FROM GAliasTable WHERE TableType='INGRSQLOperatorsTable'"),
            "GSQLOperatorTable");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GSQLOperatorTable"), 20);
  EXPECT_EQ(Text("SELECT Description FROM GSQLOperatorTable WHERE Operator='AVG'"),
            "Finds the average of a column's values.");
  EXPECT_EQ(Text("SELECT OperatorClass FROM GSQLOperatorTable WHERE Operator='||'"), "gdbArithmetic");
  EXPECT_EQ(Text("SELECT Operator FROM GSQLOperatorTable WHERE rowid=20"), "TRUE");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GCoordSystem"), 1);
  EXPECT_EQ(Scalar("SELECT Ellipsoid FROM GCoordSystem"), 21);
  EXPECT_EQ(Text("SELECT Description FROM GCoordSystem"), "Default");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GCoordSystem WHERE AverageUndulation IS NULL AND Stor2CompMatrix16=1 "
                   "AND Stor2CompMatrix2=0"),
            1);

  // The class: key, geometry and spatial key, then one row per attribute.
  const std::string table = c.FieldLookup.count("Table") ? "[Table]" : "FeatureName";
  const std::string field = c.FieldLookup.count("Field") ? "Field" : "FieldName";
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM FieldLookup WHERE " + table + "='ROADS'"), 7);
  const std::string key = c.AttributeProperties.count("Key") ? "[Key]" : "IsKeyField";
  EXPECT_EQ(Scalar("SELECT a." + key + " FROM AttributeProperties a, FieldLookup f WHERE f.IndexID=a.IndexID "
                   "AND f." + field + "='GDO_ID'"),
            -1);
  EXPECT_EQ(Scalar("SELECT g.GeometryType FROM GeometryProperties g, FieldLookup f WHERE f.IndexID=g.IndexID "
                   "AND f." + field + "='GEOMETRY'"),
            2);
  EXPECT_EQ(Text("SELECT g.GCoordSystemGUID FROM GeometryProperties g"),
            TGIS_LayerSqlGmAbstract::DefaultCsGuid);
  const std::string type = c.AttributeProperties.count("Type") ? "[Type]" : "FieldType";
  EXPECT_EQ(Scalar("SELECT a." + type + " FROM AttributeProperties a, FieldLookup f WHERE f.IndexID=a.IndexID "
                   "AND f." + field + "='VAL'"),
            7);
  EXPECT_EQ(Scalar("SELECT a." + type + " FROM AttributeProperties a, FieldLookup f WHERE f.IndexID=a.IndexID "
                   "AND f." + field + "='GEOMETRY_SK'"),
            10);
  EXPECT_EQ(Scalar("SELECT GeometryType FROM GFeatures"), 2);

  // A second class adds its own rows and no fixed ones.
  auto points = MakeGmSource(2, gisShapeTypePoint);
  Import(*points, Config("WELLS", version), gisShapeTypePoint);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GAliasTable"), 9);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GSQLOperatorTable"), 20);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GCoordSystem"), 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GFeatures"), 2);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM FieldLookup"), 14);

  auto wells = Opened(Config("WELLS", version));
  EXPECT_EQ(wells->IsNewNaming(), std::string(c.Version) != "Old");
  EXPECT_EQ(wells->GetDefaultShapeType(), gisShapeTypePoint);
  EXPECT_EQ(wells->SupportedShapes(), GisShapeTypeBit(gisShapeTypePoint));
  EXPECT_EQ(wells->InfoText(), "GeoMedia Access Warehouse (VRKLS)");

  // The other Version opens the same warehouse (the naming is switched).
  auto other = Opened(Config("WELLS", std::string("\\nVersion=") +
                                          (std::string(c.Version) == "Old" ? "New" : "Old")));
  EXPECT_EQ(other->IsNewNaming(), std::string(c.Version) != "Old");
  int n = 0;
  for (other->MoveFirst(GisWholeWorldExtent()); !other->Eof(); other->MoveNext()) ++n;
  EXPECT_EQ(n, 2);

  // Dropping the class removes its rows and its table; the shared rows stay.
  wells.reset();
  other.reset();
  {
    auto drop = NewLayer(Config("WELLS", version));
    drop->Connect();
    drop->DropTables();
    drop->Disconnect();
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM FieldLookup"), 7);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GeometryProperties"), 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM AttributeProperties"), 6);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GFeatures"), 1);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM sqlite_master WHERE name='WELLS'"), 0);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM GCoordSystem"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Namings, GmNamingTest,
    ::testing::Values(
        TGmNamingCase{"New", "New",
                      {"IndexID", "FeatureName", "FieldName"},
                      {"IndexID", "IsKeyField", "FieldDescription", "FieldFormat", "FieldType",
                       "IsFieldDisplayable", "FieldPrecision"},
                      {"FeatureName", "GeometryType", "PrimaryGeometryFieldName", "FeatureDescription"}},
        TGmNamingCase{"Old", "Old",
                      {"IndexID", "Table", "Field"},
                      {"IndexID", "Key", "Description", "Format", "Type", "Displayable", "Precision"},
                      {"Name", "GeometryType", "PrimaryGeometryFieldName", "Description"}}),
    [](const ::testing::TestParamInfo<TGmNamingCase>& i) { return std::string(i.param.Name); });

// ---- feature classes ------------------------------------------------------------------------

TEST_F(GmLayerTest, ClassesOfEveryTypeReadBackAsTheirSource) {
  const struct {
    TGIS_ShapeType Type;
    int Code;
  } cases[] = {{gisShapeTypePoint, 10}, {gisShapeTypeArc, 1}, {gisShapeTypePolygon, 2}};
  for (const auto& c : cases) {
    const std::string name = "C" + IntToStr(c.Code);
    auto source = MakeGmSource(25, c.Type);
    Import(*source, Config(name), c.Type);
    EXPECT_EQ(Scalar("SELECT GeometryType FROM GFeatures WHERE FeatureName='" + name + "'"), c.Code);
    auto layer = Opened(Config(name));
    EXPECT_EQ(layer->GetDefaultShapeType(), c.Type);
    int seen = 0;
    source->MoveFirst(GisWholeWorldExtent());
    for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext(), source->MoveNext()) {
      TGIS_Shape* a = layer->GetCurrentShape();
      TGIS_Shape* b = source->GetCurrentShape();
      ASSERT_EQ(a->Uid(), ++seen);
      ASSERT_EQ(a->ShapeType(), c.Type);
      EXPECT_EQ(GmPoints(*a).size(), GmPoints(*b).size());
      const auto pa = GmPoints(*a), pb = GmPoints(*b);
      for (std::size_t k = 0; k < pa.size() && k < pb.size(); ++k) {
        EXPECT_EQ(pa[k].X, pb[k].X);
        EXPECT_EQ(pa[k].Y, pb[k].Y);
      }
      EXPECT_EQ(a->GetField("NUM").AsInteger(), b->GetField("NUM").AsInteger());
      EXPECT_EQ(a->GetField("LABEL").AsString(), b->GetField("LABEL").AsString());
      EXPECT_EQ(a->GetField("VAL").AsDouble(), b->GetField("VAL").AsDouble());
    }
    EXPECT_EQ(seen, 25) << name;
    // Booleans are stored as "1" and "0".
    EXPECT_EQ(Text("SELECT CAST(FLAG AS TEXT) FROM " + name + " WHERE GDO_ID=1"), "1");
    EXPECT_EQ(Text("SELECT CAST(FLAG AS TEXT) FROM " + name + " WHERE GDO_ID=2"), "0");
    // The key and geometry columns are protected fields.
    for (const char* hidden : {"GDO_ID", "GEOMETRY_SK"}) {
      const TGIS_FieldInfo* f = layer->GetFieldInfo(layer->FindFieldIndex(hidden));
      ASSERT_NE(f, nullptr) << hidden;
      EXPECT_TRUE(f->IsUID && f->ReadOnly && f->Hidden) << hidden;
    }
  }
}

TEST_F(GmLayerTest, TheCursorSendsNoWindowToAnAccessWarehouseAndFiltersTheRows) {
  auto source = MakeGmSource(30, gisShapeTypePoint);
  Import(*source, Config(), gisShapeTypePoint);
  auto layer = Opened(Config());
  std::vector<std::string> log;
  layer->Connection()->Hooks().StatementLog = [&](const std::string& s) { log.push_back(s); };
  auto reset = ScopeExit([&] { layer->Connection()->Hooks() = data::TDataHooks(); });
  // Points 0..29 at x = 100 + 3.25 i: the window holds i = 2..5.
  const TGIS_Extent window{106, -100, 117, 100};
  std::set<int> got;
  for (layer->MoveFirst(window); !layer->Eof(); layer->MoveNext()) got.insert(layer->GetCurrentShape()->Uid());
  // Without a viewer a vector layer's cursor hands out every row it reads.
  for (int uid : {3, 4, 5, 6}) EXPECT_EQ(got.count(uid), 1u) << uid;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "SELECT * FROM ROADS GEO ORDER BY GEO.[GDO_ID]");

  log.clear();
  layer->MoveFirst(GisWholeWorldExtent(), "GIS_UID=10");
  ASSERT_FALSE(layer->Eof());
  EXPECT_EQ(layer->GetCurrentShape()->Uid(), 10);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "SELECT * FROM ROADS GEO WHERE (GEO.GDO_ID=10) ORDER BY GEO.GDO_ID");
  layer->MoveNext();
  EXPECT_TRUE(layer->Eof());

  log.clear();
  TGIS_Shape* s = layer->GetShape(20);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Uid(), 20);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("(GEO.GDO_ID>=20) and (GEO.GDO_ID<=120)"), std::string::npos) << log[0];
}

TEST_F(GmLayerTest, KeysFollowTheGreatestStoredKeyPlusOne) {
  // An empty class: the first new shape gets key 1.
  auto empty = MakeGmSource(0, gisShapeTypePoint);
  Import(*empty, Config("EMPTY"), gisShapeTypePoint);
  auto e = Opened(Config("EMPTY"));
  EXPECT_EQ(e->GetStoredLastUid(), 0);
  TGIS_Shape* first = e->CreateShape(gisShapeTypePoint);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Uid(), 1);

  // Keys 1 to 5: the stored last UID is 6, and the next new shape gets 7.
  auto source = MakeGmSource(5, gisShapeTypePoint);
  Import(*source, Config(), gisShapeTypePoint);
  auto layer = Opened(Config());
  EXPECT_EQ(layer->GetStoredLastUid(), 6);
  TGIS_Shape* n = layer->CreateShape(gisShapeTypePoint);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Uid(), 7);
  // Reserved at once: a row with the key alone, which the cursor passes over.
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS WHERE GDO_ID=7 AND GEOMETRY IS NULL"), 1);
  n->Lock(2);
  n->AddPoint({1.5, 2.5});
  n->Unlock();
  n->SetField("LABEL", "new");
  n->SetField("FLAG", true);
  layer->SaveData();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS"), 6);
  EXPECT_EQ(Text("SELECT LABEL FROM ROADS WHERE GDO_ID=7"), "new");
}

TEST_F(GmLayerTest, EditsAreSavedAndASaveThatFailedHalfWayIsRedone) {
  auto source = MakeGmSource(40, gisShapeTypePolygon);
  Import(*source, Config(), gisShapeTypePolygon);
  auto layer = Opened(Config());
  TGIS_Shape* p = layer->GetShape(5)->MakeEditable();
  p->Lock(2);
  p->Reset();
  p->AddPart();
  for (TGIS_Point q : {TGIS_Point{0, 0}, TGIS_Point{0, 9}, TGIS_Point{9, 9}, TGIS_Point{0, 0}}) p->AddPoint(q);
  p->Unlock();
  layer->GetShape(6)->MakeEditable()->SetField("LABEL", "changed");
  layer->DeleteShape(7);
  for (int uid = 10; uid <= 30; ++uid) layer->GetShape(uid)->MakeEditable()->SetField("NUM", 1000 + uid);
  // Held here, the shared connection outlives the layer's reconnecting.
  data::Connection* c = GisSharedConnections().Acquire(engine_.ConnectionString, "", "");
  auto release = ScopeExit([&] { GisSharedConnections().Release(c); });
  // The fifth row update fails: the connection is lost there.
  int updates = 0;
  c->Hooks().StatementLog = [&](const std::string& sql) {
    if (sql.rfind("UPDATE ROADS", 0) == 0 && ++updates == 5) c->Hooks().FailAt = c->StatementCount();
  };
  c->Hooks().FailKind = data::TInjectedFailure::ConnectionLost;
  EXPECT_THROW(layer->SaveData(), data::EDataConnectionLost);
  c->Hooks() = data::TDataHooks();
  EXPECT_EQ(updates, 5);
  EXPECT_TRUE(layer->IsModified());
  layer->SaveData();
  EXPECT_FALSE(layer->IsModified());

  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS"), 39);
  auto back = Opened(Config());
  TGIS_Shape* q = back->GetShape(5);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->GetPoint(0, 2).X, 9.0);
  EXPECT_EQ(back->GetShape(6)->GetField("LABEL").AsString(), "changed");
  EXPECT_EQ(back->GetShape(6)->GetField("NUM").AsInteger(), 15);
  EXPECT_EQ(back->GetShape(7), nullptr);
  for (int uid = 10; uid <= 30; ++uid) EXPECT_EQ(back->GetShape(uid)->GetField("NUM").AsInteger(), 1000 + uid);
}

TEST_F(GmLayerTest, FieldsAddedAndDroppedKeepTheirMetadataRows) {
  auto source = MakeGmSource(4, gisShapeTypePoint);
  Import(*source, Config(), gisShapeTypePoint);
  auto layer = Opened(Config());
  layer->AddField("WIDE", gisFieldTypeNumber, 8, 0);
  layer->AddField("NARROW", gisFieldTypeNumber, 6, 0);
  layer->AddField("SEEN", gisFieldTypeDate, 8, 0);
  layer->DeleteField("LABEL");
  layer->GetShape(1)->MakeEditable()->SetField("WIDE", 12345678);
  layer->SaveData();

  data::Connection conn;
  conn.Open(engine_.ConnectionString);
  data::Recordset rs;
  rs.Open("SELECT name, type FROM pragma_table_info('ROADS')", conn);
  std::map<std::string, std::string> types;
  for (; !rs.Eof(); rs.MoveNext()) types[rs.Fields()[0].Value().AsString()] = rs.Fields()[1].Value().AsString();
  // Wider than 6 digits: the big integer column (the Jet dialect's DOUBLE).
  EXPECT_EQ(types["WIDE"], "DOUBLE");
  EXPECT_EQ(types["NARROW"], "INTEGER");
  EXPECT_EQ(types["SEEN"], "DATE");
  EXPECT_EQ(Scalar("SELECT WIDE FROM ROADS WHERE GDO_ID=1"), 12345678);
  EXPECT_EQ(Text("SELECT a.FieldFormat FROM AttributeProperties a, FieldLookup f WHERE f.IndexID=a.IndexID "
                 "AND f.FieldName='SEEN'"),
            "Date");
  EXPECT_EQ(Scalar("SELECT a.IsFieldDisplayable FROM AttributeProperties a, FieldLookup f WHERE "
                   "f.IndexID=a.IndexID AND f.FieldName='NARROW'"),
            -1);
  // LABEL's rows are gone (its column may stay: SQLite keeps some columns).
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM FieldLookup WHERE FieldName='LABEL'"), 0);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM AttributeProperties a WHERE a.IndexID NOT IN (SELECT IndexID FROM "
                   "FieldLookup)"),
            0);
}

TEST_F(GmLayerTest, AKeyColumnNamedByTheMetadataIsUsedEverywhere) {
  auto source = MakeGmSource(6, gisShapeTypeArc);
  Import(*source, Config(), gisShapeTypeArc);
  Exec("ALTER TABLE ROADS RENAME COLUMN GDO_ID TO FID");
  Exec("UPDATE FieldLookup SET FieldName='FID' WHERE FieldName='GDO_ID'");
  auto layer = Opened(Config());
  EXPECT_EQ(layer->UidColumn(false), "FID");
  EXPECT_EQ(layer->Command(25), "SELECT MAX([FID]) AS LASTUID FROM %s");
  EXPECT_NE(layer->Command(19).find("[FID] INTEGER NOT NULL"), std::string::npos) << layer->Command(19);
  int n = 0;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext()) ++n;
  EXPECT_EQ(n, 6);
  EXPECT_EQ(layer->GetShape(4)->GetField("NUM").AsInteger(), 9);
}

TEST_F(GmLayerTest, SqlServerTextsAndDialects) {
  // SQL Server warehouses keep their texts (there is no such server here).
  auto layer = NewLayer("Storage=Geomedia\\nLayer=ROADS\\nDialect=mssql\\nADO=" + engine_.ConnectionString);
  layer->Connect();
  EXPECT_TRUE(layer->IsSqlServer());
  EXPECT_EQ(layer->Command(14),
            "CREATE TABLE %s ( [GDO_ID] INTEGER IDENTITY(1,1) NOT NULL, [GEOMETRY_XLO] DOUBLE PRECISION NULL, "
            "[GEOMETRY_YLO] DOUBLE PRECISION NULL, [GEOMETRY_XHI] DOUBLE PRECISION NULL, [GEOMETRY_YHI] DOUBLE "
            "PRECISION NULL, [GEOMETRY] IMAGE NULL, CONSTRAINT PK_%s PRIMARY KEY ([GDO_ID]) )");
  EXPECT_EQ(layer->Command(60),
            "SET IDENTITY_INSERT %s ON INSERT INTO %s ( GDO_ID ) VALUES ( %d ) SET IDENTITY_INSERT %s OFF");
  EXPECT_EQ(layer->Command(59), "INSERT INTO [GFieldMapping] ([TABLE_NAME],[COLUMN_NAME],[DATA_TYPE],  "
                                "[DATA_SUBTYPE],[CSGUID],[AUTOINCREMENT]) VALUES('%s','%s',%s,%s,%s,%s)");
  EXPECT_EQ(layer->Command(103), "GDO_ID\r\nGEOMETRY_XLO\r\nGEOMETRY_YLO\r\nGEOMETRY_XHI\r\nGEOMETRY_YHI\r\nGEOMETRY");
  EXPECT_EQ(layer->Command(100), "");
  // The default coordinate system: 118 values.
  const std::string cs = layer->Command(58);
  EXPECT_EQ(std::count(cs.begin(), cs.end(), ','), 117);
  EXPECT_EQ(cs.substr(cs.size() - 10), "NULL,NULL)");
  layer->Disconnect();

  // The Jet texts on SQLite: COUNTER is SQLite's self-numbered INTEGER key.
  auto jet = NewLayer(Config());
  jet->Connect();
  EXPECT_EQ(jet->Command(19), "CREATE TABLE %s ( [GDO_ID] INTEGER NOT NULL, [GEOMETRY] LONGBINARY NULL, "
                              "[GEOMETRY_SK] VARCHAR(15) NULL, CONSTRAINT PK_%s PRIMARY KEY ([GDO_ID]) )");
  EXPECT_EQ(jet->Command(26),
            "SELECT [FieldName] FROM [AttributeProperties] AP, [FieldLookup] FL WHERE FL.[FeatureName]='%s' AND "
            "(AP.[IsKeyField]=%d OR AP.[FieldDescription] LIKE 'Primary Key') AND FL.[IndexID]=AP.[IndexID]");
  jet->Disconnect();
}

TEST_F(GmLayerTest, RefusalsGiveClearErrors) {
  const struct {
    const char* Name;
    std::string Config;
    const char* Message;
  } cases[] = {
      {"oracle", "Storage=Geomedia\\nLayer=R\\nDialect=ORACLE\\nADO=" + engine_.ConnectionString,
       "0146 Unsupported dialect ORACLE"},
      {"postgres dialect", "Storage=Geomedia\\nLayer=R\\nDialect=POSTGRES\\nADO=" + engine_.ConnectionString,
       "0146 Unsupported dialect POSTGRES"},
      // Refused before any connection is tried.
      {"postgresql server", "Storage=Geomedia\\nLayer=R\\nDialect=MSJET\\nADO=Provider=PostgreSQL;Host=/nowhere",
       "0146 Unsupported dialect POSTGRES"},
      {"no ADO", "Storage=Geomedia\\nLayer=R\\nDialect=MSJET", "0110 Invalid parameter \"ADO\""},
      {"no class", Config("MISSING"), "0081 Layer \"MISSING\" does not exist"},
  };
  // The metadata exists (another class), but not MISSING.
  auto source = MakeGmSource(2, gisShapeTypePoint);
  Import(*source, Config(), gisShapeTypePoint);
  for (const auto& c : cases) {
    auto layer = NewLayer(c.Config);
    const std::string msg = Raised([&] { layer->Open(); });
    EXPECT_NE(msg.find(c.Message), std::string::npos) << c.Name << ": " << msg;
  }
  // A warehouse without metadata tables at all.
  Exec("DROP TABLE GeometryProperties");
  const std::string msg = Raised([&] { Opened(Config()); });
  EXPECT_FALSE(msg.empty());
}

TEST_F(GmLayerTest, BadGeometryIsPassedOverAndNothingIsLost) {
  auto source = MakeGmSource(6, gisShapeTypePolygon);
  Import(*source, Config(), gisShapeTypePolygon);
  Exec("UPDATE ROADS SET GEOMETRY=NULL WHERE GDO_ID=2");
  Exec("UPDATE ROADS SET GEOMETRY=X'C0FF00' WHERE GDO_ID=4");
  Exec("UPDATE ROADS SET GEOMETRY=X'DEADBEEF0102030405060708090A0B0C0D0E0F10' WHERE GDO_ID=5");
  auto layer = Opened(Config());
  std::vector<int> uids;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext())
    uids.push_back(layer->GetCurrentShape()->Uid());
  EXPECT_EQ(uids, (std::vector<int>{1, 3, 6}));
  // Saving an edit of another shape leaves the damaged rows as they were.
  layer->GetShape(3)->MakeEditable()->SetField("LABEL", "kept");
  layer->SaveData();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ROADS"), 6);
  EXPECT_EQ(Text("SELECT hex(GEOMETRY) FROM ROADS WHERE GDO_ID=4"), "C0FF00");
  EXPECT_EQ(Text("SELECT LABEL FROM ROADS WHERE GDO_ID=3"), "kept");

  // An unsupported geometry type code.
  Exec("UPDATE GeometryProperties SET GeometryType=7");
  layer.reset();
  const std::string msg = Raised([&] { Opened(Config()); });
  EXPECT_NE(msg.find("0145 Unsupported feature"), std::string::npos) << msg;
  EXPECT_NE(msg.find("(7)"), std::string::npos) << msg;
}

TEST_F(GmLayerTest, TheFactoryRowAndTheSampleWarehouses) {
  GisDatabaseRegisterLayers();
  const char* root = std::getenv("SK_TEST_DATA");
  const std::string data = std::string(root != nullptr ? root : "tests/data") + "/geomedia/";
  sktest::TTempDir dir("gm");
  for (const char* f : {"good.VRKLS", "good.mdb", "damaged.VRKLS", "damaged.mdb", "legacy.VRKLS"})
    std::filesystem::copy_file(data + f, dir / f);
  for (const char* name : {"good.VRKLS", "legacy.VRKLS"}) {
    std::unique_ptr<TGIS_LayerAbstract> made = GisCreateLayer("sample", dir / name);
    auto* layer = dynamic_cast<TGIS_LayerSqlGmAdo*>(made.get());
    ASSERT_NE(layer, nullptr) << name;
    layer->Open();
    int n = 0;
    for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext()) {
      EXPECT_EQ(layer->GetCurrentShape()->ShapeType(), gisShapeTypeArc);
      ++n;
    }
    EXPECT_EQ(n, 3) << name;
  }
  // The damaged sample: one blob cut short, one class without metadata.
  std::unique_ptr<TGIS_LayerAbstract> made = GisCreateLayer("sample", dir / "damaged.VRKLS");
  auto* layer = dynamic_cast<TGIS_LayerSqlGmAdo*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->Open();
  int n = 0;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext()) ++n;
  EXPECT_EQ(n, 2);
}

TEST_F(GmLayerTest, BuildMakesAConfigurationAndAnEmptyClassThatTakesShapes) {
  GisDatabaseRegisterLayers();
  sktest::TTempDir dir("gmbuild");
  const std::string path = dir / "Rivers.VRKLS";
  {
    TGIS_LayerSqlGmAdo layer;
    layer.Build(path, TGIS_Extent{0, 0, 10, 10}, gisShapeTypeArc);
  }
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Storage=Geomedia"), std::string::npos) << text;
  EXPECT_NE(text.find("Layer=RIVERS"), std::string::npos) << text;
  EXPECT_TRUE(FileExists(dir / "Layers.mdb"));
  std::unique_ptr<TGIS_LayerAbstract> made = GisCreateLayer("rivers", path);
  auto* layer = dynamic_cast<TGIS_LayerSqlGmAdo*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->Open();
  EXPECT_EQ(layer->GetDefaultShapeType(), gisShapeTypeArc);
  layer->MoveFirst(GisWholeWorldExtent());
  EXPECT_TRUE(layer->Eof());
  TGIS_Shape* s = layer->CreateShape(gisShapeTypeArc);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Uid(), 1);
  s->Lock(2);
  s->AddPart();
  s->AddPoint({1, 2});
  s->AddPoint({3, 4});
  s->Unlock();
  layer->SaveData();
  made.reset();
  auto again = GisCreateLayer("rivers", path);
  again->Open();
  auto* back = dynamic_cast<TGIS_LayerSqlGmAdo*>(again.get());
  ASSERT_NE(back, nullptr);
  TGIS_Shape* r = back->GetShape(1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetPoint(0, 1).X, 3.0);
}

// Remakes the samples of tests/data/geomedia (SK_GM_MAKE_SAMPLES=1).
TEST_F(GmLayerTest, MakeSamples) {
  if (std::getenv("SK_GM_MAKE_SAMPLES") == nullptr) GTEST_SKIP() << "remakes tests/data/geomedia when asked";
  const char* root = std::getenv("SK_TEST_DATA");
  ASSERT_NE(root, nullptr);
  const std::string out = std::string(root) + "/geomedia/";
  std::filesystem::create_directories(out);
  for (const char* name : {"good", "damaged"}) {
    const std::string file = out + name + ".mdb";
    std::filesystem::remove(file);
    data::CreateDatabaseFile(file);
    const std::string ado = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
    auto source = MakeGmSource(3, gisShapeTypeArc);
    {
      auto l = std::make_unique<TGIS_LayerSqlGmAdo>();
      l->SetPath("Storage=Geomedia\\nLayer=ROADS\\nDialect=MSJET\\nADO=" + ado);
      l->ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeArc, "", false);
    }
    data::Connection c;
    c.Open(ado);
    if (std::string(name) == "damaged") {
      // A blob cut short, and a class listed without its other metadata.
      c.Execute("UPDATE ROADS SET GEOMETRY=substr(GEOMETRY, 1, 30) WHERE GDO_ID=2");
      c.Execute("INSERT INTO GFeatures (FeatureName, GeometryType, PrimaryGeometryFieldName, "
                "FeatureDescription) VALUES ('GHOST', 1, 'GEOMETRY', '')");
    }
    c.Execute("PRAGMA journal_mode=DELETE");
    c.Close();
    std::ofstream(out + name + ".VRKLS") << "[Vornakel Layer]\nStorage=Geomedia\nLayer=ROADS\nDialect=MSJET\n"
                                            "ADO=Provider=Microsoft.Jet.OLEDB.4.0;Data Source="
                                         << name << ".mdb\n";
  }
  std::ofstream(out + "legacy.VRKLS") << "[Vornakel Layer]\nOpenGIS=3\nLayer=ROADS\nDialect=msjet\n"
                                         "Version=Old\nADO=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=good.mdb\n";
}

} // namespace gmlayer_test
