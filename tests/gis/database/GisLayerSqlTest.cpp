// The native SQL vector layer on both engines: import and the read cursor
// against the source, the SQL it sends, editing and saving (with failures
// half-way), field synchronisation, the factory row, and UIDs under a
// two-client race.
#include "gis/database/GisLayerSqlAdo.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/database/GisDatabaseLayers.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlRetry.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

namespace sqllayer_test {

struct TSqlCase {
  const char* Engine;
  const char* Dialect;
};

std::ostream& operator<<(std::ostream& os, const TSqlCase& c) {
  return os << c.Engine << "_" << c.Dialect;
}

/// A source layer of `count` shapes cycling through points, arcs, polygons
/// and multipoints, with an integer, a text and a float field.
std::unique_ptr<TGIS_LayerVector> MakeSqlSource(int count, bool withFields = true) {
  auto source = std::make_unique<TGIS_LayerVector>();
  source->SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  if (withFields) {
    source->AddField("NUM", gisFieldTypeNumber, 9, 0);
    source->AddField("LABEL", gisFieldTypeString, 20, 0);
    source->AddField("VAL", gisFieldTypeFloat, 20, 6);
  }
  std::mt19937 rnd(7);
  std::uniform_real_distribution<double> coord(-1000, 1000);
  for (int i = 0; i < count; ++i) {
    const TGIS_ShapeType type = static_cast<TGIS_ShapeType>(2 + i % 4);
    TGIS_Shape* s = source->CreateShape(type);
    s->Lock(2);
    const double x = coord(rnd), y = coord(rnd);
    switch (type) {
    case gisShapeTypePoint:
      s->AddPoint({x, y});
      break;
    case gisShapeTypeMultiPoint:
      s->AddPoint({x, y});
      s->AddPoint({x + 1.25, y - 3.5});
      break;
    case gisShapeTypeArc:
      s->AddPart();
      for (int k = 0; k < 5; ++k) s->AddPoint({x + k * 0.7, y + (k % 2) * 1.1});
      s->AddPart();
      s->AddPoint({x - 2, y - 2});
      s->AddPoint({x - 3, y - 1});
      break;
    default:
      s->AddPart();
      for (TGIS_Point q : {TGIS_Point{x, y}, TGIS_Point{x, y + 5}, TGIS_Point{x + 5, y + 5},
                           TGIS_Point{x, y}})
        s->AddPoint(q);
    }
    s->Unlock();
    if (withFields) {
      s->SetField("NUM", i * 3);
      s->SetField("LABEL", i == 1 ? std::string("\xC5\x81\xC3\xB3\x64\xC5\xBA") : "s" + IntToStr(i));
      s->SetField("VAL", 0.5 * i);
    }
  }
  return source;
}

/// The geometry blocks of a shape, for byte comparison.
std::string SqlShapeBytes(TGIS_Shape& s) {
  std::string out;
  if (s.GetHeaderSize() > 0)
    out.append(reinterpret_cast<const char*>(s.HeaderBlock().Data), static_cast<std::size_t>(s.GetHeaderSize()));
  out.append(reinterpret_cast<const char*>(s.PointsBlock().Data), static_cast<std::size_t>(s.GetPointsSize()));
  return out;
}

class SqlLayerTest : public ::testing::TestWithParam<TSqlCase> {
protected:
  void SetUp() override {
    const char* share = std::getenv("SK_SHARE_DIR");
    ASSERT_NE(share, nullptr);
    ::setenv("CommonFilesDir", share, 1);
    SK_MAKE_TEST_ENGINE(engine_, GetParam().Engine);
    GisSetSqlRetryPause([](int) {});
  }
  void TearDown() override { GisSetSqlRetryPause(nullptr); }

  std::string Config(const std::string& layer = "ROADS", const std::string& extra = "") const {
    return "Storage=Native\\nLayer=" + layer + "\\nDialect=" + GetParam().Dialect + "\\nADO=" +
           engine_.ConnectionString + extra;
  }
  std::unique_ptr<TGIS_LayerSqlAdo> NewLayer(const std::string& config) {
    auto l = std::make_unique<TGIS_LayerSqlAdo>();
    l->SetPath(config);
    l->SetName("roads");
    return l;
  }
  std::unique_ptr<TGIS_LayerSqlAdo> Opened(const std::string& config) {
    auto l = NewLayer(config);
    l->Open();
    return l;
  }
  std::unique_ptr<TGIS_LayerSqlAdo> Imported(TGIS_LayerVector& source, const std::string& config) {
    auto l = NewLayer(config);
    l->ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    return l;
  }
  std::int64_t SqlScalar(const std::string& sql) {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open(sql, c);
    return rs.Eof() ? -1 : rs.Fields()[0].Value().AsInt64();
  }
  std::string Uid() const { return std::string(GetParam().Dialect) == "ORACLE" ? "FUID" : "UID"; }
  bool Pg() const { return engine_.Engine == data::TEngine::PostgreSQL; }

  sktest::TTestEngine engine_;
};

TEST_P(SqlLayerTest, ImportedLayerReadsBackAsItsSource) {
  auto source = MakeSqlSource(400);
  Imported(*source, Config());
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 400);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 400);

  auto layer = Opened(Config());
  EXPECT_EQ(layer->InfoText(), "Vornakel SQL Vector Coverage (VRKLS)");
  EXPECT_EQ(layer->GetDefaultShapeType(), gisShapeTypeUnknown);
  EXPECT_GE(layer->FieldCount(), 4); // the key column is a protected field
  int seen = 0;
  layer->MoveFirst(GisWholeWorldExtent());
  source->MoveFirst(GisWholeWorldExtent());
  while (!layer->Eof() && !source->Eof()) {
    TGIS_Shape* a = layer->GetCurrentShape();
    TGIS_Shape* b = source->GetCurrentShape();
    ASSERT_EQ(a->Uid(), ++seen);
    ASSERT_EQ(a->ShapeType(), b->ShapeType()) << seen;
    if (std::string(GetParam().Dialect) == "MYSQL" && a->ShapeType() == gisShapeTypePoint) {
      // MySQL's doubles keep 14 digits; points come from the bound columns.
      EXPECT_NEAR(a->GetPoint(0, 0).X, b->GetPoint(0, 0).X, 1e-9);
    } else {
      ASSERT_EQ(SqlShapeBytes(*a), SqlShapeBytes(*b)) << seen;
    }
    EXPECT_EQ(a->GetField("NUM").AsInteger(), b->GetField("NUM").AsInteger());
    EXPECT_EQ(a->GetField("LABEL").AsString(), b->GetField("LABEL").AsString());
    EXPECT_EQ(a->GetField("VAL").AsDouble(), b->GetField("VAL").AsDouble());
    layer->MoveNext();
    source->MoveNext();
  }
  EXPECT_EQ(seen, 400);
  EXPECT_TRUE(layer->Eof());
  EXPECT_EQ(layer->GetLastUid(), 400);
  // The catalogue row holds the union of the shapes' extents.
  TGIS_Extent all = GisEmptyExtent();
  for (int i = 0; i < source->ShapeCount(); ++i)
    all = i == 0 ? source->ShapeAt(i)->GetExtentRaw() : GisExtentUnion(all, source->ShapeAt(i)->GetExtentRaw());
  // (written into the catalogue with 15 significant digits)
  EXPECT_NEAR(layer->Extent().XMin, all.XMin, 1e-9);
  EXPECT_NEAR(layer->Extent().YMax, all.YMax, 1e-9);
}

TEST_P(SqlLayerTest, WindowsSelectWhatAStrictFilterSelects) {
  auto source = MakeSqlSource(300);
  Imported(*source, Config());
  auto layer = Opened(Config());
  std::mt19937 rnd(11);
  std::uniform_real_distribution<double> c(-1100, 1100);
  for (int w = 0; w < 40; ++w) {
    double x1 = c(rnd), x2 = c(rnd), y1 = c(rnd), y2 = c(rnd);
    // Some windows sit exactly on a shape's edge.
    if (w % 5 == 0) {
      const TGIS_Extent e = source->ShapeAt(w)->GetExtentRaw();
      x1 = e.XMax, y1 = e.YMin - 10, x2 = e.XMax + 50, y2 = e.YMax + 10;
    }
    const TGIS_Extent win{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    std::set<int> expected, got;
    for (int i = 0; i < source->ShapeCount(); ++i) {
      const TGIS_Extent e = source->ShapeAt(i)->GetExtentRaw();
      // The cursor widens its window by a ten-billionth of its size.
      const double d = std::max(win.XMax - win.XMin, win.YMax - win.YMin) / 1e10;
      if (e.XMax > win.XMin - d && e.XMin < win.XMax + d && e.YMax > win.YMin - d && e.YMin < win.YMax + d)
        expected.insert(source->ShapeAt(i)->Uid());
    }
    for (layer->MoveFirst(win); !layer->Eof(); layer->MoveNext()) got.insert(layer->GetCurrentShape()->Uid());
    EXPECT_EQ(got, expected) << "window " << w;
  }
}

TEST_P(SqlLayerTest, QueriesAreSentAsSqlOrAppliedInMemory) {
  auto source = MakeSqlSource(1000);
  Imported(*source, Config());
  auto layer = Opened(Config());
  std::vector<std::string> log;
  layer->Connection()->Hooks().StatementLog = [&](const std::string& s) { log.push_back(s); };
  auto reset = ScopeExit([&] { layer->Connection()->Hooks() = data::TDataHooks(); });

  layer->MoveFirst(GisWholeWorldExtent(), "GIS_UID=10");
  ASSERT_FALSE(layer->Eof());
  EXPECT_EQ(layer->GetCurrentShape()->Uid(), 10);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("(GEO." + Uid() + "=10)"), std::string::npos) << log[0];
  EXPECT_EQ(log[0].find("XMAX"), std::string::npos); // whole world: no window
  layer->MoveNext();
  EXPECT_TRUE(layer->Eof());

  log.clear();
  layer->MoveFirst(GisWholeWorldExtent(), "GIS_AREA > 0");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].find("GIS_AREA"), std::string::npos) << log[0];
  int polygons = 0;
  for (; !layer->Eof(); layer->MoveNext()) {
    EXPECT_EQ(layer->GetCurrentShape()->ShapeType(), gisShapeTypePolygon);
    ++polygons;
  }
  EXPECT_EQ(polygons, 250);

  // Shapes asked for by ascending UID come from one query of 101 UIDs.
  log.clear();
  layer->MoveFirst(GisWholeWorldExtent(), "GIS_UID=1");
  log.clear();
  layer->MoveNext(); // the cursor ends
  TGIS_Shape* s500 = layer->GetShape(500);
  ASSERT_NE(s500, nullptr);
  EXPECT_EQ(s500->Uid(), 500);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(">=500) and"), std::string::npos) << log[0];
  EXPECT_NE(log[0].find("<=600)"), std::string::npos) << log[0];
  TGIS_Shape* s501 = layer->GetShape(501);
  ASSERT_NE(s501, nullptr);
  EXPECT_EQ(s501->Uid(), 501);
  EXPECT_EQ(log.size(), 1u);
  // Opening the same text again rewinds it.
  layer->MakeDormant();
  layer->MoveFirst(GisWholeWorldExtent());
  EXPECT_FALSE(layer->Eof());
}

TEST_P(SqlLayerTest, ALayerWithoutCatalogueRowIsEmpty) {
  auto source = MakeSqlSource(4);
  Imported(*source, Config());
  auto layer = Opened(Config("NOSUCH"));
  EXPECT_EQ(layer->GetDefaultShapeType(), gisShapeTypeUnknown);
  EXPECT_EQ(layer->FieldCount(), 0);
  layer->MoveFirst(GisWholeWorldExtent());
  EXPECT_TRUE(layer->Eof());
}

TEST_P(SqlLayerTest, EditsAreSavedAndReadBack) {
  auto source = MakeSqlSource(40);
  Imported(*source, Config());
  auto layer = Opened(Config());
  layer->SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  // Move a point, rename a label, delete a shape, add two.
  TGIS_Shape* p = layer->GetShape(5)->MakeEditable();
  ASSERT_EQ(p->ShapeType(), gisShapeTypePoint);
  p->Lock(2);
  p->Reset();
  p->AddPoint({12.5, -7.25});
  p->Unlock();
  layer->GetShape(6)->MakeEditable()->SetField("LABEL", "changed");
  layer->DeleteShape(7);
  TGIS_Shape* n1 = layer->CreateShape(gisShapeTypeArc);
  ASSERT_NE(n1, nullptr);
  EXPECT_EQ(n1->Uid(), 41); // reserved in the database at once
  n1->Lock(2);
  n1->AddPart();
  n1->AddPoint({0, 0});
  n1->AddPoint({3, 4});
  n1->Unlock();
  n1->SetField("LABEL", "new one");
  n1->SetField("NUM", 77);
  TGIS_Shape* n2 = layer->CreateShape(gisShapeTypePoint);
  EXPECT_EQ(n2->Uid(), 42);
  n2->Lock(2);
  n2->AddPoint({1, 1});
  n2->Unlock();
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO WHERE SHAPETYPE = 0"), 2); // placeholders
  ASSERT_TRUE(layer->IsModified());
  layer->SaveData();
  EXPECT_FALSE(layer->IsModified());
  EXPECT_EQ(layer->ShapeCount(), 0);

  auto back = Opened(Config());
  TGIS_Shape* q = back->GetShape(5);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->GetPoint(0, 0).X, 12.5);
  EXPECT_EQ(q->GetPoint(0, 0).Y, -7.25);
  EXPECT_EQ(back->GetShape(6)->GetField("LABEL").AsString(), "changed");
  EXPECT_EQ(back->GetShape(7), nullptr);
  TGIS_Shape* a = back->GetShape(41);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ShapeType(), gisShapeTypeArc);
  EXPECT_EQ(a->GetField("LABEL").AsString(), "new one");
  EXPECT_EQ(a->GetField("NUM").AsInteger(), 77);
  ASSERT_NE(back->GetShape(42), nullptr);
  EXPECT_EQ(back->GetShape(42)->GetField("LABEL").AsString(), "");
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 41);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 41);
}

TEST_P(SqlLayerTest, ADeleteOnlySaveLeavesTheCatalogueRowAlone) {
  auto source = MakeSqlSource(10);
  Imported(*source, Config());
  const auto row = [&] {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    data::Recordset rs;
    rs.Open("SELECT * FROM vrkGISLayerSQL", c);
    std::string out;
    for (int i = 0; i < rs.Fields().Count(); ++i) out += rs.Fields()[i].Value().AsString() + "|";
    return out;
  };
  const std::string before = row();
  auto layer = Opened(Config());
  layer->DeleteShape(3);
  layer->SaveData();
  EXPECT_EQ(row(), before);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 9);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 9);
}

TEST_P(SqlLayerTest, FieldsFollowTheLayer) {
  auto source = MakeSqlSource(5);
  Imported(*source, Config());
  {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute("ALTER TABLE ROADS_FEA ADD EXTRA INTEGER");
  }
  auto layer = Opened(Config());
  EXPECT_GE(layer->FindFieldIndex("EXTRA"), 0); // the column was read as a field
  // A column the layer does not know takes the plain name: the field gets 00.
  layer->AddField("NOTE", gisFieldTypeString, 12, 0);
  layer->DbExecute("ALTER TABLE ROADS_FEA ADD NOTE INTEGER");
  layer->ChangeField("LABEL", "LABEL", 30, 0);
  layer->GetShape(1)->MakeEditable()->SetField("NOTE", "hello");
  layer->SaveData();
  auto back = Opened(Config());
  EXPECT_GE(back->FindFieldIndex("NOTE00"), 0);
  EXPECT_EQ(back->GetShape(1)->GetField("NOTE00").AsString(), "hello");
  const TGIS_FieldInfo* label = back->GetFieldInfo(back->FindFieldIndex("LABEL"));
  ASSERT_NE(label, nullptr);
  // SQLite cannot widen a column: the width falls back.
  EXPECT_EQ(label->Width, Pg() ? 30 : 20);
}

TEST_P(SqlLayerTest, ImportOfAFieldlessSourceKeepsEveryShape) {
  auto source = MakeSqlSource(12, false);
  Imported(*source, Config());
  auto layer = Opened(Config());
  int n = 0;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext()) ++n;
  EXPECT_EQ(n, 12);
}

TEST_P(SqlLayerTest, ImportByTypeWritesThatTypeOnly) {
  auto source = MakeSqlSource(20);
  auto layer = NewLayer(Config());
  layer->ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeArc, "", false);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 5);
  EXPECT_EQ(SqlScalar("SELECT SHAPETYPE FROM vrkGISLayerSQL"), 4);
  auto back = Opened(Config());
  EXPECT_EQ(back->GetDefaultShapeType(), gisShapeTypeArc);
}

TEST_P(SqlLayerTest, AnExternalAttributeTableGetsNoRows) {
  auto source = MakeSqlSource(6);
  Imported(*source, Config());
  {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute("CREATE TABLE ROADS_FEA2 (" + Uid() + " INTEGER NOT NULL PRIMARY KEY)");
  }
  auto layer = Opened(Config("ROADS", "\\nFeatures=ROADS_FEA2"));
  TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
  ASSERT_NE(s, nullptr);
  s->Lock(2);
  s->AddPoint({2, 2});
  s->Unlock();
  layer->SaveData();
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 7);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 6);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA2"), 0);
}

// A save fails half-way; nothing is lost, and a second save finishes it
// without storing anything twice.
TEST_P(SqlLayerTest, AFailedSaveIsDoneAgainByTheNextSave) {
  auto source = MakeSqlSource(30);
  Imported(*source, Config());
  auto layer = Opened(Config());
  for (int uid = 1; uid <= 10; ++uid) layer->GetShape(uid)->MakeEditable()->SetField("NUM", 1000 + uid);
  for (int k = 0; k < 10; ++k) {
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
    s->Lock(2);
    s->AddPoint({k * 1.0, -k * 1.0});
    s->Unlock();
    s->SetField("LABEL", "n" + IntToStr(k));
  }
  layer->DeleteShape(20);
  // Held here, the shared connection outlives the layer's reconnecting.
  data::Connection* c = GisSharedConnections().Acquire(engine_.ConnectionString, "", "");
  auto release = ScopeExit([&] { GisSharedConnections().Release(c); });
  c->Hooks().FailAt = c->StatementCount() + 60;
  c->Hooks().FailKind = data::TInjectedFailure::ConnectionLost;
  EXPECT_THROW(layer->SaveData(), data::EDataConnectionLost);
  c->Hooks().FailAt = 0;
  EXPECT_TRUE(layer->IsModified());
  EXPECT_EQ(layer->ShapeCount(), 21);
  layer->SaveData();
  EXPECT_FALSE(layer->IsModified());

  auto back = Opened(Config());
  std::set<int> uids;
  int count = 0;
  for (back->MoveFirst(GisWholeWorldExtent()); !back->Eof(); back->MoveNext()) {
    TGIS_Shape* s = back->GetCurrentShape();
    uids.insert(s->Uid());
    ++count;
    if (s->Uid() <= 10) {
      EXPECT_EQ(s->GetField("NUM").AsInteger(), 1000 + s->Uid());
    }
    if (s->Uid() > 30) {
      EXPECT_EQ(s->GetField("LABEL").AsString(), "n" + IntToStr(s->Uid() - 31));
    }
  }
  EXPECT_EQ(count, 39);
  EXPECT_EQ(uids.size(), 39u);
  EXPECT_EQ(uids.count(20), 0u);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 39);
}

TEST_P(SqlLayerTest, InjectedFailuresAreRetriedThenRaised) {
  auto source = MakeSqlSource(3);
  Imported(*source, Config());
  auto layer = Opened(Config());
  data::Connection* c = layer->Connection();
  // One duplicate key: the next UID is taken.
  c->Hooks().FailKind = data::TInjectedFailure::DuplicateKey;
  std::vector<std::string> log;
  c->Hooks().StatementLog = [&](const std::string& s) {
    if (s.rfind("INSERT INTO ROADS_GEO", 0) == 0 || s.rfind("INSERT INTO roads_geo", 0) == 0) log.push_back(s);
  };
  c->Hooks().FailAt = c->StatementCount() + 3; // the first INSERT
  const std::int32_t uid = layer->GetNewUid();
  EXPECT_EQ(uid, 5);
  EXPECT_EQ(log.size(), 2u);
  c->Hooks() = data::TDataHooks();
}

TEST_P(SqlLayerTest, ValuesKeepTheirKinds) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES" &&
      std::string(GetParam().Dialect) != "MYSQL")
    GTEST_SKIP() << "one dialect per engine, and MYSQL's rounding";
  auto source = std::make_unique<TGIS_LayerVector>();
  source->SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source->AddField("FLAG", gisFieldTypeBoolean, 1, 0);
  source->AddField("NAME", gisFieldTypeString, 10, 0);
  source->AddField("X", gisFieldTypeFloat, 20, 6);
  TGIS_Shape* s = source->CreateShape(gisShapeTypePoint);
  s->Lock(2);
  s->AddPoint({1, 2});
  s->Unlock();
  s->SetField("FLAG", true);
  s->SetField("NAME", std::string("\xC5\x81\xC3\xB3\x64\xC5\xBA"));
  s->SetField("X", 0.1 + 0.2);
  Imported(*source, Config());
  {
    data::Connection c;
    c.Open(engine_.ConnectionString);
    c.Execute("CREATE TABLE T_NN (" + Uid() + " INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(10) NOT NULL)");
  }
  auto layer = Opened(Config());
  TGIS_Shape* r = layer->GetShape(1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetField("FLAG").AsString(), "Y");
  EXPECT_EQ(r->GetField("NAME").AsString(), "\xC5\x81\xC3\xB3\x64\xC5\xBA");
  if (std::string(GetParam().Dialect) == "MYSQL")
    EXPECT_EQ(r->GetField("X").AsDouble(), 0.3);
  else
    EXPECT_EQ(r->GetField("X").AsDouble(), 0.1 + 0.2);
  // NULL into a NOT NULL text column stores an empty text.
  layer->TableAppend(2, "T_NN");
  layer->TableSetField(2, Uid(), 1);
  layer->TableSetField(2, "TXT", Variant::MakeNull());
  layer->TablePost(2);
  layer->TableClose(2);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM T_NN WHERE TXT = ''"), 1);
  // At the end of a table cursor it closes, and stays at its end.
  layer->TableOpen(2, "T_NN", "");
  EXPECT_FALSE(layer->TableEof(2));
  layer->TableClose(2);
  layer->TableOpen(2, "T_NN", Uid() + "=2");
  EXPECT_TRUE(layer->TableEof(2));
  EXPECT_TRUE(layer->TableEof(2));
}

TEST_P(SqlLayerTest, UidConfigurationRenamesTheKeyEverywhere) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES")
    GTEST_SKIP() << "one dialect per engine";
  auto source = MakeSqlSource(8);
  Imported(*source, Config("ROADS", "\\nUID=ID"));
  EXPECT_EQ(SqlScalar("SELECT MAX(ID) FROM ROADS_GEO"), 8);
  auto layer = Opened(Config("ROADS", "\\nUID=ID"));
  std::vector<std::string> log;
  layer->Connection()->Hooks().StatementLog = [&](const std::string& s) { log.push_back(s); };
  layer->MoveFirst(GisWholeWorldExtent(), "GIS_UID=3");
  ASSERT_FALSE(layer->Eof());
  EXPECT_EQ(layer->GetCurrentShape()->Uid(), 3);
  EXPECT_NE(log.back().find("GEO.ID=FEA.ID"), std::string::npos) << log.back();
  EXPECT_NE(log.back().find("ORDER BY GEO.ID"), std::string::npos) << log.back();
  layer->Connection()->Hooks() = data::TDataHooks();
}

// Two clients reserve UIDs at the same time through two connections.
TEST_P(SqlLayerTest, TwoClientsNeverShareAUid) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES")
    GTEST_SKIP() << "one dialect per engine";
  GisSetSqlRetryPause(nullptr);
  auto source = MakeSqlSource(3);
  Imported(*source, Config());
  // A second spelling of the same database gives a second connection.
  std::string second = engine_.ConnectionString + ";application_name=second";
  if (!Pg()) {
    const std::string folder = ExtractFileDir(data::DataSourceFile(engine_.ConnectionString));
    const std::string link = folder + "-link";
    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink(folder, link);
    second = "Provider=SQLite;Data Source=" + link + "/Layers.mdb";
  }
  const std::string configs[2] = {Config(), "Storage=Native\\nLayer=ROADS\\nDialect=" +
                                                std::string(GetParam().Dialect) + "\\nADO=" + second};
  std::vector<std::int32_t> uids[2];
  std::string errors[2];
  auto work = [&](int k) {
    try {
      auto l = std::make_unique<TGIS_LayerSqlAdo>();
      l->SetPath(configs[k]);
      l->Open();
      for (int i = 0; i < 200; ++i) uids[k].push_back(l->GetNewUid());
    } catch (const Exception& e) {
      errors[k] = e.Message();
    }
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_EQ(errors[0], "");
  EXPECT_EQ(errors[1], "");
  std::set<std::int32_t> all(uids[0].begin(), uids[0].end());
  all.insert(uids[1].begin(), uids[1].end());
  EXPECT_EQ(all.size(), 400u);
  EXPECT_EQ(*all.begin(), 4);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_GEO"), 403);
}

INSTANTIATE_TEST_SUITE_P(Dialects, SqlLayerTest,
                         ::testing::Values(TSqlCase{"sqlite", "MSJET"}, TSqlCase{"sqlite", "SQLITE"},
                                           TSqlCase{"sqlite", "MYSQL"}, TSqlCase{"sqlite", "ORACLE"},
                                           TSqlCase{"postgres", "POSTGRES"}),
                         [](const auto& info) {
                           return std::string(info.param.Engine) + "_" + info.param.Dialect;
                         });

} // namespace sqllayer_test

namespace sqllayer_test {

// The factory opens a native ".VRKLS" configuration with the native layer;
// Build writes a new configuration and its database beside it.
TEST(SqlLayerFactory, NativeConfigurationsOpenTheNativeLayer) {
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
  GisDatabaseRegisterLayers();
  sktest::TTempDir dir("vrkls");
  const std::string path = dir / "Roads Map 2.VRKLS";
  {
    TGIS_LayerSqlAdo layer;
    layer.Build(path, TGIS_Extent{0, 0, 10, 10}, gisShapeTypeArc);
  }
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Storage=Native"), std::string::npos) << text;
  EXPECT_NE(text.find("Layer=ROADS_MAP_2"), std::string::npos) << text;
  EXPECT_NE(text.find("Dialect=MSJET"), std::string::npos) << text;
  EXPECT_NE(text.find("Data Source=Layers.mdb"), std::string::npos) << text;
  EXPECT_TRUE(FileExists(dir / "Layers.mdb"));
  std::unique_ptr<TGIS_LayerAbstract> made = GisCreateLayer("roads", path);
  auto* layer = dynamic_cast<TGIS_LayerSqlAdo*>(made.get());
  ASSERT_NE(layer, nullptr);
  layer->Open();
  EXPECT_EQ(layer->GetDefaultShapeType(), gisShapeTypeArc);
  EXPECT_EQ(layer->Extent().XMax, 10.0);
}

} // namespace sqllayer_test

namespace sqllayer_test {

// Writers give up after 999 attempts, at once on a lost connection; a
// column name is tried plain and with 256 suffixes.
TEST_P(SqlLayerTest, AttemptsAreCountedAndALostConnectionStopsAtOnce) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES")
    GTEST_SKIP() << "one dialect per engine";
  auto source = MakeSqlSource(3);
  Imported(*source, Config());
  auto layer = Opened(Config());
  data::Connection* c = GisSharedConnections().Acquire(engine_.ConnectionString, "", "");
  auto release = ScopeExit([&] {
    c->Hooks() = data::TDataHooks();
    GisSharedConnections().Release(c);
  });
  int inserts = 0, alters = 0;
  bool lost = false;
  c->Hooks().StatementLog = [&](const std::string& s) {
    if (UpperCase(s).rfind("INSERT INTO ROADS_GEO", 0) == 0) {
      ++inserts;
      if (lost) throw data::EDataConnectionLost("database connection lost: test", "08006");
      throw data::EDataError("duplicate", "23505");
    }
    if (UpperCase(s).rfind("ALTER TABLE ROADS_FEA ADD", 0) == 0) {
      ++alters;
      throw data::EDataError("refused", "42701");
    }
  };
  if (!Pg()) {
    // (On the server each attempt costs round trips: the count is the same.)
    EXPECT_THROW(layer->GetNewUid(), data::EDataError);
    EXPECT_EQ(inserts, GIS_SQL_WRITE_ATTEMPTS);
  }
  inserts = 0;
  lost = true;
  EXPECT_THROW(layer->GetNewUid(), data::EDataConnectionLost);
  EXPECT_EQ(inserts, 1);
  layer->AddField("NAME", gisFieldTypeString, 10, 0);
  EXPECT_THROW(layer->SaveData(), data::EDataError);
  EXPECT_EQ(alters, 257);
}

// A provider that names the joined key GEO.UID still gives the UIDs.
TEST_P(SqlLayerTest, AQualifiedKeyColumnStillGivesUids) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES")
    GTEST_SKIP() << "one dialect per engine";
  auto source = MakeSqlSource(6);
  Imported(*source, Config());
  auto layer = Opened(Config());
  layer->Connection()->Hooks().RenameColumn = [](const std::string& n) {
    return SameText(n, "UID") ? std::string("GEO.UID") : n;
  };
  std::vector<int> uids;
  for (layer->MoveFirst(GisWholeWorldExtent()); !layer->Eof(); layer->MoveNext())
    uids.push_back(layer->GetCurrentShape()->Uid());
  layer->Connection()->Hooks() = data::TDataHooks();
  EXPECT_EQ(uids, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

} // namespace sqllayer_test

namespace sqllayer_test {

// An aborted save writes what it reached, keeps the rest in memory and stays
// modified; the next save writes the rest.
TEST_P(SqlLayerTest, AnAbortedSaveKeepsWhatItDidNotWrite) {
  if (std::string(GetParam().Dialect) != "MSJET" && std::string(GetParam().Dialect) != "POSTGRES")
    GTEST_SKIP() << "one dialect per engine";
  auto source = MakeSqlSource(250);
  Imported(*source, Config());
  auto layer = Opened(Config());
  TGIS_Viewer viewer(nullptr);
  layer->SetViewer(&viewer);
  auto detach = ScopeExit([&] { layer->SetViewer(nullptr); });
  for (int uid = 1; uid <= 250; ++uid) layer->GetShape(uid)->MakeEditable()->SetField("NUM", -uid);
  std::vector<int> steps;
  viewer.OnBusy = [&](void*, int pos, int end, bool& abort) {
    if (end == 250) steps.push_back(pos); // the save's own steps (list position, length)
    abort = pos >= 100;
  };
  layer->SaveData();
  EXPECT_EQ(steps, (std::vector<int>{0, 100}));
  EXPECT_TRUE(layer->IsModified());
  EXPECT_EQ(layer->ShapeCount(), 250);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA WHERE NUM < 0"), 101);
  viewer.OnBusy = nullptr;
  layer->SaveData();
  EXPECT_FALSE(layer->IsModified());
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA WHERE NUM < 0"), 250);
  EXPECT_EQ(SqlScalar("SELECT COUNT(*) FROM ROADS_FEA"), 250);
}

} // namespace sqllayer_test
