// Reading a native SQL layer against the engines' own client libraries
// doing the same work: the same SQL text (taken from the layer's statement
// log), every column of every row read. SQLite through prepare/step/column;
// PostgreSQL through libpq with binary results in single-row mode (and a
// plain PQexec for reference). CPU time of this process: on PostgreSQL that
// is the client's share of the work, which is what the layer adds.
//
// Data: a layer of points and one of 16-vertex arcs (about 300-byte
// geometry values), each shape with an INTEGER and a VARCHAR(20) attribute,
// built once per run in one transaction. SK_BENCH_ROWS sets the number of
// shapes (1 000 000 by default). Without a PostgreSQL server (PGHOST unset
// or unreachable) the PostgreSQL part is skipped and says so.
// For profiling: SK_BENCH_KEEP=1 reads the SQLite file and the PostgreSQL
// database of the last run again instead of building them, and
// SK_BENCH_REPEATS sets the number of repetitions (3).
#include "bench/support/RatioReporter.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/database/GisLayerSqlAdo.h"
#include "gis/database/GisSharedConnections.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

int Rows() {
  const char* v = std::getenv("SK_BENCH_ROWS");
  const int n = v != nullptr ? std::atoi(v) : 0;
  return n > 0 ? n : 1000000;
}

/// The peak resident set of the process, in kB.
long PeakRssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

/// The geometry value of shape i: a point has none (it is read from the
/// bound columns); an arc has its header block and 16 points.
std::vector<std::uint8_t> ArcBytes(int i, double& xmin, double& ymin, double& xmax, double& ymax) {
  const double x = (i % 1000) * 10.0, y = (i / 1000) * 10.0;
  std::vector<std::uint8_t> b(44 + 16 * 16);
  xmin = x, ymin = y, xmax = x + 7.5, ymax = y + 1;
  const double ext[4] = {xmin, ymin, xmax, ymax};
  std::memcpy(b.data(), ext, 32);
  const std::int32_t parts = 1, points = 16, start = 0;
  std::memcpy(b.data() + 32, &parts, 4);
  std::memcpy(b.data() + 36, &points, 4);
  std::memcpy(b.data() + 40, &start, 4);
  for (int k = 0; k < 16; ++k) {
    const double p[2] = {x + k * 0.5, y + (k % 2)};
    std::memcpy(b.data() + 44 + 16 * k, p, 16);
  }
  return b;
}

struct TBenchLayer {
  std::string Config;
  std::unique_ptr<TGIS_LayerSqlAdo> Layer;
  std::string Sql;       // the whole-world query the layer sends
  std::string WindowSql; // a 1 % window
  TGIS_Extent Window;
};

/// Builds the tables through the layer (catalogue, indexes), the attribute
/// columns through the layer's save path, and fills the rows in bulk.
void OpenBenchLayer(TBenchLayer& b);

TBenchLayer MakeLayer(const std::string& ado, const std::string& dialect, const std::string& name,
                      bool arcs, const std::function<void(const std::string& table, bool arcs)>& fill) {
  TBenchLayer b;
  b.Config = "Storage=Native\\nLayer=" + name + "\\nDialect=" + dialect + "\\nADO=" + ado;
  {
    TGIS_LayerSqlAdo builder;
    builder.SetPath(b.Config);
    builder.Build(b.Config, TGIS_Extent{0, 0, 10000, 10000}, arcs ? gisShapeTypeArc : gisShapeTypePoint);
    builder.Open();
    builder.AddField("NUM", gisFieldTypeNumber, 9, 0);
    builder.AddField("LABEL", gisFieldTypeString, 20, 0);
    builder.SaveData();
  }
  fill(name, arcs);
  const double side = 10.0 * 1000;
  const double rows = Rows();
  const double top = 10.0 * (rows / 1000.0);
  {
    TGIS_LayerSqlAdo writer;
    writer.SetPath(b.Config);
    writer.Open();
    writer.UpdateCatalogue(TGIS_Extent{0, 0, side, top + 1}, arcs ? gisShapeTypeArc : gisShapeTypePoint);
  }
  OpenBenchLayer(b);
  return b;
}

/// Opens the layer of a configuration and notes the SQL it sends for the
/// whole world and for a 1 % window.
void OpenBenchLayer(TBenchLayer& b) {
  const double side = 10.0 * 1000;
  const double top = 10.0 * (Rows() / 1000.0);
  b.Layer = std::make_unique<TGIS_LayerSqlAdo>();
  b.Layer->SetPath(b.Config);
  b.Layer->Open();
  b.Window = {side * 0.45, top * 0.45, side * 0.55, top * 0.55};
  std::vector<std::string> log;
  b.Layer->Connection()->Hooks().StatementLog = [&](const std::string& s) { log.push_back(s); };
  b.Layer->MoveFirst(GisWholeWorldExtent());
  b.Layer->MoveFirst(b.Window);
  b.Layer->Connection()->Hooks() = data::TDataHooks();
  // An open read keeps SQLite's snapshot: the next layer's writes would wait on it.
  b.Layer->MakeDormant();
  b.Sql = log.size() > 0 ? log[0] : "";
  b.WindowSql = log.size() > 1 ? log[1] : "";
}

// ---- SQLite -------------------------------------------------------------------------------

struct TSqliteData {
  std::string File;
  TBenchLayer Points, Arcs;
};

const TSqliteData& Sqlite() {
  static const TSqliteData data = [] {
    GisKernelInit();
    const char* share = std::getenv("SK_SHARE_DIR");
    if (share != nullptr) ::setenv("CommonFilesDir", share, 1);
    TSqliteData d;
    const auto folder = std::filesystem::temp_directory_path() / "sk-bench-sql";
    d.File = (folder / "Layers.mdb").string();
    const std::string ado = "Provider=SQLite;Data Source=" + d.File;
    // SK_BENCH_KEEP=1 reads the file of the last run again (for profiling).
    const char* keep = std::getenv("SK_BENCH_KEEP");
    if (keep != nullptr && *keep == '1' && std::filesystem::exists(d.File)) {
      for (auto [layer, name] : {std::pair{&d.Points, "PTS"}, std::pair{&d.Arcs, "ARCS"}}) {
        layer->Config = "Storage=Native\\nLayer=" + std::string(name) + "\\nDialect=MSJET\\nADO=" + ado;
        OpenBenchLayer(*layer);
      }
      return d;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    data::CreateDatabaseFile(d.File);
    auto fill = [&](const std::string& t, bool arcs) {
      sqlite3* db = nullptr;
      sqlite3_open(d.File.c_str(), &db);
      sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
      sqlite3_stmt *geo = nullptr, *fea = nullptr;
      sqlite3_prepare_v2(db, ("INSERT INTO " + t + "_GEO VALUES (?,?,?,?,?,?,?)").c_str(), -1, &geo, nullptr);
      sqlite3_prepare_v2(db, ("INSERT INTO " + t + "_FEA VALUES (?,?,?)").c_str(), -1, &fea, nullptr);
      for (int i = 1, n = Rows(); i <= n; ++i) {
        double x0, y0, x1, y1;
        const std::vector<std::uint8_t> arc = ArcBytes(i, x0, y0, x1, y1);
        if (!arcs) x1 = x0, y1 = y0;
        sqlite3_bind_int(geo, 1, i);
        sqlite3_bind_double(geo, 2, x0);
        sqlite3_bind_double(geo, 3, x1);
        sqlite3_bind_double(geo, 4, y0);
        sqlite3_bind_double(geo, 5, y1);
        sqlite3_bind_int(geo, 6, arcs ? 4 : 2);
        if (arcs)
          sqlite3_bind_blob(geo, 7, arc.data(), int(arc.size()), SQLITE_TRANSIENT);
        else
          sqlite3_bind_null(geo, 7);
        sqlite3_step(geo);
        sqlite3_reset(geo);
        const std::string label = "label " + IntToStr(i % 977);
        sqlite3_bind_int(fea, 1, i);
        sqlite3_bind_int(fea, 2, i * 3);
        sqlite3_bind_text(fea, 3, label.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(fea);
        sqlite3_reset(fea);
      }
      sqlite3_finalize(geo);
      sqlite3_finalize(fea);
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    };
    d.Points = MakeLayer(ado, "MSJET", "PTS", false, fill);
    d.Arcs = MakeLayer(ado, "MSJET", "ARCS", true, fill);
    return d;
  }();
  return data;
}

/// One pass of the layer's cursor: UID, extent, point count and both
/// attributes of every shape.
/// The attributes are read by their field numbers, found once, as the raw
/// side reads columns by position.
std::int64_t ReadLayer(TGIS_LayerSqlAdo& layer, const TGIS_Extent& extent) {
  std::int64_t n = 0, sum = 0;
  const int num = layer.FindField("NUM"), label = layer.FindField("LABEL");
  for (layer.MoveFirst(extent); !layer.Eof(); layer.MoveNext()) {
    TGIS_Shape* s = layer.GetCurrentShape();
    const TGIS_Extent e = s->GetExtentRaw();
    sum += s->Uid() + s->GetNumPoints() + static_cast<std::int64_t>(e.XMax);
    sum += layer.GetFieldValue(s, num).AsInteger();
    sum += static_cast<std::int64_t>(layer.GetFieldValue(s, label).AsString().size());
    ++n;
  }
  benchmark::DoNotOptimize(sum);
  return n;
}

void LayerRun(benchmark::State& state, TBenchLayer& b, bool window) {
  const long rss0 = PeakRssKb();
  std::int64_t rows = 0;
  for (auto _ : state) rows = ReadLayer(*b.Layer, window ? b.Window : GisWholeWorldExtent());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
  state.counters["peakRSS+MB"] = static_cast<double>(PeakRssKb() - rss0) / 1024.0;
}

/// Every column of every row of the layer's own SQL text.
void SqliteRun(benchmark::State& state, const std::string& sql) {
  // One connection for the whole run: its page cache stays warm, as the
  // layer's does.
  static sqlite3* db = [] {
    sqlite3* h = nullptr;
    sqlite3_open(Sqlite().File.c_str(), &h);
    return h;
  }();
  std::int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    std::int64_t n = 0, sum = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER:
          sum += sqlite3_column_int64(st, c);
          break;
        case SQLITE_FLOAT:
          sum += static_cast<std::int64_t>(sqlite3_column_double(st, c));
          break;
        case SQLITE_TEXT:
          sum += std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
          break;
        case SQLITE_BLOB: {
          const void* p = sqlite3_column_blob(st, c);
          std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(p),
                                         static_cast<const std::uint8_t*>(p) + sqlite3_column_bytes(st, c));
          sum += copy.size();
          break;
        }
        default:
          break;
        }
      }
      ++n;
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(sum);
    rows = n;
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void BM_SqliteLayerPoints(benchmark::State& s) { LayerRun(s, const_cast<TSqliteData&>(Sqlite()).Points, false); }
void BM_SqliteRawPoints(benchmark::State& s) { SqliteRun(s, Sqlite().Points.Sql); }
void BM_SqliteLayerArcs(benchmark::State& s) { LayerRun(s, const_cast<TSqliteData&>(Sqlite()).Arcs, false); }
void BM_SqliteRawArcs(benchmark::State& s) { SqliteRun(s, Sqlite().Arcs.Sql); }
void BM_SqliteLayerArcsWindow(benchmark::State& s) { LayerRun(s, const_cast<TSqliteData&>(Sqlite()).Arcs, true); }
void BM_SqliteRawArcsWindow(benchmark::State& s) { SqliteRun(s, Sqlite().Arcs.WindowSql); }

// ---- PostgreSQL --------------------------------------------------------------------------------

struct TPgData {
  std::string Skip; // why the PostgreSQL part does not run
  std::string Conninfo;
  TBenchLayer Points, Arcs;
};

std::string Hex(const std::vector<std::uint8_t>& b) {
  static const char* d = "0123456789abcdef";
  std::string s = "\\\\x";
  for (std::uint8_t v : b) {
    s += d[v >> 4];
    s += d[v & 15];
  }
  return s;
}

TPgData& Pg() {
  static TPgData data = [] {
    Sqlite(); // the kernel is started there
    TPgData d;
    if (std::getenv("PGHOST") == nullptr) {
      d.Skip = "no PostgreSQL server (PGHOST is not set)";
      return d;
    }
    PGconn* c = PQconnectdb("");
    if (PQstatus(c) != CONNECTION_OK) {
      d.Skip = std::string("the PostgreSQL server cannot be reached: ") + PQerrorMessage(c);
      PQfinish(c);
      return d;
    }
    const std::string ado = "Provider=PostgreSQL;Database=skbench";
    // SK_BENCH_KEEP=1 reads the database of the last run again (for profiling).
    const char* keep = std::getenv("SK_BENCH_KEEP");
    if (keep != nullptr && *keep == '1') {
      PGresult* have = PQexec(c, "SELECT 1 FROM pg_database WHERE datname = 'skbench'");
      const bool kept = PQresultStatus(have) == PGRES_TUPLES_OK && PQntuples(have) == 1;
      PQclear(have);
      if (kept) {
        PQfinish(c);
        d.Conninfo = "dbname=skbench";
        try {
          for (auto [layer, name] : {std::pair{&d.Points, "PTS"}, std::pair{&d.Arcs, "ARCS"}}) {
            layer->Config = "Storage=Native\\nLayer=" + std::string(name) + "\\nDialect=POSTGRES\\nADO=" + ado;
            OpenBenchLayer(*layer);
          }
        } catch (const Exception& e) {
          d.Skip = "PostgreSQL: " + e.Message();
        }
        return d;
      }
    }
    PQclear(PQexec(c, "DROP DATABASE IF EXISTS skbench WITH (FORCE)"));
    PGresult* made = PQexec(c, "CREATE DATABASE skbench ENCODING 'UTF8' TEMPLATE template0");
    const bool ok = PQresultStatus(made) == PGRES_COMMAND_OK;
    if (!ok) d.Skip = std::string("PostgreSQL: ") + PQerrorMessage(c);
    PQclear(made);
    PQfinish(c);
    if (!ok) return d;
    d.Conninfo = "dbname=skbench";
    auto fill = [&](const std::string& t, bool arcs) {
      PGconn* pg = PQconnectdb(d.Conninfo.c_str());
      PQclear(PQexec(pg, "BEGIN"));
      for (const bool geoTable : {true, false}) {
        PQclear(PQexec(pg, ("COPY " + t + (geoTable ? "_GEO" : "_FEA") + " FROM STDIN").c_str()));
        std::string chunk;
        for (int i = 1, n = Rows(); i <= n; ++i) {
          double x0, y0, x1, y1;
          const std::vector<std::uint8_t> arc = ArcBytes(i, x0, y0, x1, y1);
          if (!arcs) x1 = x0, y1 = y0;
          if (geoTable) {
            TFormatSettings dot = FormatSettings();
            dot.DecimalSeparator = '.';
            auto num = [&](double v) { return FloatToStrF(v, ffGeneral, 17, 0, dot); };
            chunk += IntToStr(i) + "\t" + num(x0) + "\t" + num(x1) + "\t" + num(y0) + "\t" + num(y1) +
                     "\t" + IntToStr(arcs ? 4 : 2) + "\t";
            chunk += arcs ? Hex(arc) : std::string("\\N");
            chunk += "\n";
          } else {
            chunk += IntToStr(i) + "\t" + IntToStr(i * 3) + "\tlabel " + IntToStr(i % 977) + "\n";
          }
          if (chunk.size() > (1 << 20)) {
            PQputCopyData(pg, chunk.data(), static_cast<int>(chunk.size()));
            chunk.clear();
          }
        }
        PQputCopyData(pg, chunk.data(), static_cast<int>(chunk.size()));
        PQputCopyEnd(pg, nullptr);
        PQclear(PQgetResult(pg));
      }
      PQclear(PQexec(pg, "COMMIT"));
      PQclear(PQexec(pg, "ANALYZE"));
      PQfinish(pg);
    };
    try {
      d.Points = MakeLayer(ado, "POSTGRES", "PTS", false, fill);
      d.Arcs = MakeLayer(ado, "POSTGRES", "ARCS", true, fill);
    } catch (const Exception& e) {
      d.Skip = "PostgreSQL: " + e.Message();
    }
    return d;
  }();
  return data;
}

/// Every column of every row: binary results streamed row by row.
void PgSingleRowRun(benchmark::State& state, const std::string& sql) {
  if (!Pg().Skip.empty()) {
    state.SkipWithError(Pg().Skip.c_str());
    return;
  }
  static PGconn* pg = PQconnectdb(Pg().Conninfo.c_str());
  std::int64_t rows = 0;
  for (auto _ : state) {
    PQsendQueryParams(pg, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    PQsetSingleRowMode(pg);
    std::int64_t n = 0, sum = 0;
    while (PGresult* r = PQgetResult(pg)) {
      if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
        const int columns = PQnfields(r);
        for (int c = 0; c < columns; ++c) {
          if (PQgetisnull(r, 0, c)) continue;
          std::vector<char> copy(PQgetvalue(r, 0, c), PQgetvalue(r, 0, c) + PQgetlength(r, 0, c));
          sum += static_cast<std::int64_t>(copy.size()) + PQftype(r, c);
        }
        ++n;
      }
      PQclear(r);
    }
    benchmark::DoNotOptimize(sum);
    rows = n;
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

/// The whole result at once, as text (for reference: memory grows with it).
void PgExecRun(benchmark::State& state, const std::string& sql) {
  if (!Pg().Skip.empty()) {
    state.SkipWithError(Pg().Skip.c_str());
    return;
  }
  static PGconn* pg = PQconnectdb(Pg().Conninfo.c_str());
  for (auto _ : state) {
    PGresult* r = PQexec(pg, sql.c_str());
    std::int64_t sum = 0;
    for (int i = 0, n = PQntuples(r); i < n; ++i)
      for (int c = 0, m = PQnfields(r); c < m; ++c) sum += PQgetlength(r, i, c);
    benchmark::DoNotOptimize(sum);
    PQclear(r);
  }
}

void PgLayerRun(benchmark::State& state, TBenchLayer TPgData::*which, bool window) {
  if (!Pg().Skip.empty()) {
    state.SkipWithError(Pg().Skip.c_str());
    return;
  }
  LayerRun(state, Pg().*which, window);
}

void BM_PgLayerPoints(benchmark::State& s) { PgLayerRun(s, &TPgData::Points, false); }
void BM_PgRawPoints(benchmark::State& s) { PgSingleRowRun(s, Pg().Points.Sql); }
void BM_PgExecPoints(benchmark::State& s) { PgExecRun(s, Pg().Points.Sql); }
void BM_PgLayerArcs(benchmark::State& s) { PgLayerRun(s, &TPgData::Arcs, false); }
void BM_PgRawArcs(benchmark::State& s) { PgSingleRowRun(s, Pg().Arcs.Sql); }
void BM_PgExecArcs(benchmark::State& s) { PgExecRun(s, Pg().Arcs.Sql); }
void BM_PgLayerArcsWindow(benchmark::State& s) { PgLayerRun(s, &TPgData::Arcs, true); }
void BM_PgRawArcsWindow(benchmark::State& s) { PgSingleRowRun(s, Pg().Arcs.WindowSql); }

} // namespace

/// Repetitions of each case: 3, or SK_BENCH_REPEATS (more samples for profiling).
int Repeats() {
  const char* v = std::getenv("SK_BENCH_REPEATS");
  const int n = v != nullptr ? std::atoi(v) : 0;
  return n > 0 ? n : 3;
}

#define SK_SQL_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(Repeats())
SK_SQL_BENCH(BM_SqliteLayerPoints);
SK_SQL_BENCH(BM_SqliteRawPoints);
SK_SQL_BENCH(BM_SqliteLayerArcs);
SK_SQL_BENCH(BM_SqliteRawArcs);
SK_SQL_BENCH(BM_SqliteLayerArcsWindow);
SK_SQL_BENCH(BM_SqliteRawArcsWindow);
SK_SQL_BENCH(BM_PgLayerPoints);
SK_SQL_BENCH(BM_PgRawPoints);
SK_SQL_BENCH(BM_PgExecPoints);
SK_SQL_BENCH(BM_PgLayerArcs);
SK_SQL_BENCH(BM_PgRawArcs);
SK_SQL_BENCH(BM_PgExecArcs);
SK_SQL_BENCH(BM_PgLayerArcsWindow);
SK_SQL_BENCH(BM_PgRawArcsWindow);

int main(int argc, char** argv) {
  const std::string runs = "/iterations:1/repeats:" + IntToStr(Repeats());
  auto pair = [&](const char* label, const std::string& ours, const std::string& base) {
    return TBenchRatio{label, ours + runs, base + runs};
  };
  return RunBenchmarksWithRatios(
      argc, argv,
      {pair("SQLite, 1M points", "BM_SqliteLayerPoints", "BM_SqliteRawPoints"),
       pair("SQLite, 1M arcs", "BM_SqliteLayerArcs", "BM_SqliteRawArcs"),
       pair("SQLite, 1% window of arcs", "BM_SqliteLayerArcsWindow", "BM_SqliteRawArcsWindow"),
       pair("PostgreSQL, 1M points", "BM_PgLayerPoints", "BM_PgRawPoints"),
       pair("PostgreSQL, 1M arcs", "BM_PgLayerArcs", "BM_PgRawArcs"),
       pair("PostgreSQL, 1% window of arcs", "BM_PgLayerArcsWindow", "BM_PgRawArcsWindow")});
}
