// The database engines of the data-access tests: a SQLite file in a temporary
// folder, or a schema of a PostgreSQL database made for this test program.
//
// The server comes from the environment (scripts/pg-test-server.sh, started
// by scripts/test.sh, exports PGHOST, PGPORT, PGUSER, PGPASSWORD and
// GIS_REQUIRE_PG=1). Without a reachable server a PostgreSQL test fails when
// GIS_REQUIRE_PG is set and is skipped with the reason otherwise
// (SK_PG_CONNECTION below).
#pragma once

#include "platform/data/DataAccess.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace sktest {

inline bool PgRequired() {
  const char* v = std::getenv("GIS_REQUIRE_PG");
  return v != nullptr && std::string(v) == "1";
}

/// The database of this test program on the test server: made on first use
/// (UTF-8, from template0), dropped when the program ends.
class TPgTestDatabase {
public:
  static TPgTestDatabase& Instance() {
    static TPgTestDatabase db;
    return db;
  }
  /// '' with `reason` set when there is no server.
  const std::string& Name(std::string& reason) {
    reason = reason_;
    return name_;
  }
  ~TPgTestDatabase() {
    if (name_.empty()) return;
    try {
      data::Connection c;
      c.Open("Provider=PostgreSQL;Database=postgres");
      c.Execute("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (const Exception&) {
    }
  }

private:
  TPgTestDatabase() {
    if (std::getenv("PGHOST") == nullptr) {
      reason_ = "no PostgreSQL test server (PGHOST is not set; scripts/test.sh starts one)";
      return;
    }
    try {
      data::Connection c;
      c.Open("Provider=PostgreSQL;Database=postgres");
      const std::string name = "sktest_" + IntToStr(static_cast<long long>(::getpid()));
      c.Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
      c.Execute("CREATE DATABASE " + name + " ENCODING 'UTF8' TEMPLATE template0");
      name_ = name;
    } catch (const Exception& e) {
      reason_ = "the PostgreSQL test server cannot be reached: " + e.Message();
    }
  }
  std::string name_;
  std::string reason_;
};

/// A connection string to a fresh schema `schema` (lower case letters, digits
/// and '_') of the test database; '' with `reason` when there is no server.
inline std::string PgSchemaConnection(const std::string& schema, std::string& reason) {
  const std::string& db = TPgTestDatabase::Instance().Name(reason);
  if (db.empty()) return "";
  data::Connection c;
  c.Open("Provider=PostgreSQL;Database=" + db);
  c.Execute("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
  c.Execute("CREATE SCHEMA " + schema);
  return "Provider=PostgreSQL;Database=" + db + ";options=-csearch_path=" + schema;
}

/// The schema name of the running test (its suite and name, lower case).
inline std::string PgSchemaOfTest() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string s = std::string("t_") + info->test_suite_name() + "_" + info->name();
  std::string out;
  for (char c : LowerCase(s)) out += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  return out.substr(0, 60);
}

/// One engine of a test: a SQLite file or a PostgreSQL schema.
struct TTestEngine {
  std::unique_ptr<TTempDir> Dir;
  std::string ConnectionString;
  data::TEngine Engine = data::TEngine::None;
};

} // namespace sktest

/// Fills `engine` (a sktest::TTestEngine) for `kind` ("sqlite" or
/// "postgres"); a PostgreSQL engine without a server fails or skips the test.
#define SK_MAKE_TEST_ENGINE(engine, kind)                                                          \
  do {                                                                                             \
    if (std::string(kind) == "sqlite") {                                                           \
      (engine).Dir = std::make_unique<sktest::TTempDir>("data");                                   \
      const std::string file_ = *(engine).Dir / "Layers.mdb";                                      \
      data::CreateDatabaseFile(file_);                                                             \
      (engine).ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file_;        \
      (engine).Engine = data::TEngine::SQLite;                                                     \
    } else {                                                                                       \
      std::string reason_;                                                                         \
      (engine).ConnectionString = sktest::PgSchemaConnection(sktest::PgSchemaOfTest(), reason_);   \
      if ((engine).ConnectionString.empty()) {                                                     \
        if (sktest::PgRequired()) FAIL() << reason_;                                               \
        GTEST_SKIP() << reason_;                                                                   \
      }                                                                                            \
      (engine).Engine = data::TEngine::PostgreSQL;                                                 \
    }                                                                                              \
  } while (0)
