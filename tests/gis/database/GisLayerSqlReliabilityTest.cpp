// Saving through a lost connection: a PostgreSQL server restarted in the
// middle of a save loses nothing and the next save finishes the work; a
// SQLite writer killed in the middle of a save leaves a sound database.
#include "gis/database/GisLayerSqlAdo.h"

#include "gis/core/GisDefsGeometry.h"
#include "gis/database/GisSharedConnections.h"
#include "gis/database/GisSqlRetry.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/support/DataEngines.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace sqlreliability_test {

/// What a shape must read back as.
struct TExpectedShape {
  std::string Bytes;
  std::int64_t Num = 0;
  std::string Label;
};

std::string ReliabilityBytes(TGIS_Shape& s) {
  std::string out;
  if (s.GetHeaderSize() > 0)
    out.append(reinterpret_cast<const char*>(s.HeaderBlock().Data), static_cast<std::size_t>(s.GetHeaderSize()));
  out.append(reinterpret_cast<const char*>(s.PointsBlock().Data), static_cast<std::size_t>(s.GetPointsSize()));
  return out;
}

/// An imported layer of `count` arcs with NUM and LABEL fields.
void ImportArcs(const std::string& config, int count) {
  TGIS_LayerVector source;
  source.SetSupportedShapes(GIS_ALL_SHAPE_TYPES);
  source.AddField("NUM", gisFieldTypeNumber, 9, 0);
  source.AddField("LABEL", gisFieldTypeString, 20, 0);
  for (int i = 0; i < count; ++i) {
    TGIS_Shape* s = source.CreateShape(gisShapeTypeArc);
    s->Lock(2);
    s->AddPart();
    s->AddPoint({i * 1.0, 0});
    s->AddPoint({i * 1.0 + 0.5, 1});
    s->Unlock();
    s->SetField("NUM", i + 1);
    s->SetField("LABEL", "a" + IntToStr(i + 1));
  }
  TGIS_LayerSqlAdo layer;
  layer.SetPath(config);
  layer.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

/// Edits an opened layer: `edited` shapes moved and renumbered, `added` new
/// ones, `deleted` removed; returns what the layer must hold afterwards.
std::map<int, TExpectedShape> EditLayer(TGIS_LayerSqlAdo& layer, int count, int edited, int added,
                                        int deleted) {
  std::map<int, TExpectedShape> expected;
  for (int uid = 1; uid <= count; ++uid) {
    TGIS_Shape* s = layer.GetShape(uid);
    expected[uid] = {ReliabilityBytes(*s), uid, "a" + IntToStr(uid)};
  }
  for (int k = 0; k < edited; ++k) {
    const int uid = 1 + k * 7 % count;
    TGIS_Shape* s = layer.GetShape(uid)->MakeEditable();
    s->Lock(2);
    s->Reset();
    s->AddPart();
    s->AddPoint({-1.0 * uid, 5});
    s->AddPoint({-1.0 * uid, 6});
    s->AddPoint({-1.0 * uid - 1, 7});
    s->Unlock();
    s->SetField("NUM", 100000 + uid);
    expected[uid].Bytes = ReliabilityBytes(*s);
    expected[uid].Num = 100000 + uid;
  }
  for (int k = 0; k < added; ++k) {
    TGIS_Shape* s = layer.CreateShape(gisShapeTypeArc);
    s->Lock(2);
    s->AddPart();
    s->AddPoint({k * 2.0, -10});
    s->AddPoint({k * 2.0, -11});
    s->Unlock();
    s->SetField("NUM", 200000 + k);
    s->SetField("LABEL", "new" + IntToStr(k));
    expected[s->Uid()] = {ReliabilityBytes(*s), 200000 + k, "new" + IntToStr(k)};
  }
  for (int k = 0; k < deleted; ++k) {
    const int uid = count - k * 3;
    if (expected.count(uid) == 0) continue;
    layer.DeleteShape(uid);
    expected.erase(uid);
  }
  return expected;
}

/// Reads the layer back and compares it with what it must hold.
void ExpectLayerHolds(const std::string& config, const std::map<int, TExpectedShape>& expected) {
  TGIS_LayerSqlAdo back;
  back.SetPath(config);
  back.Open();
  std::map<int, int> seen;
  for (back.MoveFirst(GisWholeWorldExtent()); !back.Eof(); back.MoveNext()) {
    TGIS_Shape* s = back.GetCurrentShape();
    ++seen[s->Uid()];
    auto it = expected.find(s->Uid());
    ASSERT_NE(it, expected.end()) << "unexpected shape " << s->Uid();
    EXPECT_EQ(ReliabilityBytes(*s), it->second.Bytes) << s->Uid();
    EXPECT_EQ(s->GetField("NUM").AsInt64(), it->second.Num) << s->Uid();
    EXPECT_EQ(s->GetField("LABEL").AsString(), it->second.Label) << s->Uid();
  }
  EXPECT_EQ(seen.size(), expected.size());
  for (const auto& [uid, n] : seen) EXPECT_EQ(n, 1) << uid;
}

struct TRestartCase {
  int Options;  // ENGINEOPTIONS
  int Fraction; // per cent of the save's statements before the restart (0: the 5th)
};

class SqlRestartTest : public ::testing::TestWithParam<TRestartCase> {};

TEST_P(SqlRestartTest, ASaveThroughARestartLosesNothing) {
  const char* restart = std::getenv("GIS_PG_RESTART");
  sktest::TTestEngine engine;
  SK_MAKE_TEST_ENGINE(engine, "postgres");
  if (restart == nullptr || *restart == 0) {
    if (sktest::PgRequired()) FAIL() << "GIS_PG_RESTART is not set";
    GTEST_SKIP() << "GIS_PG_RESTART is not set";
  }
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
  GisSetSqlRetryPause([](int) {});
  const std::string config = "Storage=Native\\nLayer=ROADS\\nDialect=POSTGRES\\nENGINEOPTIONS=" +
                             IntToStr(GetParam().Options) + "\\nADO=" + engine.ConnectionString;
  constexpr int kCount = 1000, kEdited = 120, kAdded = 80, kDeleted = 20;
  ImportArcs(config, kCount);
  // About five statements per written shape (row reads, writes, one value
  // read) and two per deleted one.
  const int total = 5 * (kEdited + kAdded) + 2 * kDeleted;
  TGIS_LayerSqlAdo layer;
  layer.SetPath(config);
  layer.Open();
  const std::map<int, TExpectedShape> expected = EditLayer(layer, kCount, kEdited, kAdded, kDeleted);
  // Held here, the shared connection outlives the layer's reconnecting.
  data::Connection* c = GisSharedConnections().Acquire(engine.ConnectionString, "", "");
  const int at = GetParam().Fraction == 0 ? 5 : total * GetParam().Fraction / 100;
  int counted = 0;
  bool restarted = false;
  c->Hooks().StatementLog = [&](const std::string&) {
    if (++counted != at || restarted) return;
    restarted = true;
    ASSERT_EQ(std::system(restart), 0);
  };
  const auto t0 = std::chrono::steady_clock::now();
  std::string message;
  try {
    layer.SaveData();
  } catch (const Exception& e) {
    message = e.Message();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  c->Hooks() = data::TDataHooks();
  ASSERT_TRUE(restarted) << "the save ran " << counted << " statements";
  EXPECT_NE(message.find("connection lost"), std::string::npos) << message;
  EXPECT_LT(seconds, 15.0);
  EXPECT_TRUE(layer.IsModified());
  layer.SaveData();
  EXPECT_FALSE(layer.IsModified());
  GisSharedConnections().Release(c);
  ExpectLayerHolds(config, expected);
  GisSetSqlRetryPause(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Points, SqlRestartTest,
                         ::testing::Values(TRestartCase{0, 0}, TRestartCase{0, 40}, TRestartCase{0, 90},
                                           TRestartCase{1, 0}, TRestartCase{1, 40}, TRestartCase{1, 90}),
                         [](const auto& info) {
                           return "options" + IntToStr(info.param.Options) + "_at" +
                                  IntToStr(info.param.Fraction);
                         });

// A writer killed in the middle of a save: the file stays sound and opens.
TEST(SqlKilledWriter, TheDatabaseStaysSound) {
  const char* share = std::getenv("SK_SHARE_DIR");
  ASSERT_NE(share, nullptr);
  ::setenv("CommonFilesDir", share, 1);
  sktest::TTestEngine engine;
  SK_MAKE_TEST_ENGINE(engine, "sqlite");
  const std::string config = "Storage=Native\\nLayer=ROADS\\nDialect=MSJET\\nADO=" + engine.ConnectionString;
  constexpr int kCount = 1500;
  ImportArcs(config, kCount);
  // The child reaches the same file under another folder name: its own connection.
  const std::string folder = ExtractFileDir(data::DataSourceFile(engine.ConnectionString));
  const std::string link = folder + "-kill";
  std::filesystem::remove(link);
  std::filesystem::create_directory_symlink(folder, link);
  const std::string childConfig =
      "Storage=Native\\nLayer=ROADS\\nDialect=MSJET\\nADO=Provider=SQLite;Data Source=" + link + "/Layers.mdb";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    try {
      TGIS_LayerSqlAdo layer;
      layer.SetPath(childConfig);
      layer.Open();
      EditLayer(layer, kCount, 1200, 100, 50);
      const char go = 1;
      if (::write(ready[1], &go, 1) != 1) ::_exit(3);
      layer.SaveData();
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  char go = 0;
  ASSERT_EQ(::read(ready[0], &go, 1), 1);
  ::close(ready[0]);
  ::usleep(150 * 1000);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the save ended before the kill";

  data::Connection c;
  c.Open(engine.ConnectionString);
  data::Recordset rs;
  rs.Open("PRAGMA integrity_check", c);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields()[0].Value().AsString(), "ok");
  rs.Close();
  TGIS_LayerSqlAdo back;
  back.SetPath(config);
  back.Open();
  int shapes = 0;
  for (back.MoveFirst(GisWholeWorldExtent()); !back.Eof(); back.MoveNext()) ++shapes;
  EXPECT_GE(shapes, kCount - 50);
  EXPECT_LE(shapes, kCount + 100);
  std::filesystem::remove(link);
}

} // namespace sqlreliability_test
