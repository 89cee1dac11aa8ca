// The data-access layer on both engines: a SQLite file and a PostgreSQL
// schema of the test server (skipped visibly, or failed under
// GIS_REQUIRE_PG, without one).
#include "platform/data/DataAccess.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/support/DataEngines.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace dataaccess_test {

using data::Connection;
using data::Recordset;
namespace FT = data::FieldType;

class DataEngineTest : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override {
    SK_MAKE_TEST_ENGINE(engine_, GetParam());
    conn_.Open(engine_.ConnectionString);
  }
  bool Pg() const { return engine_.Engine == data::TEngine::PostgreSQL; }
  // Declared types: SQLite takes the Jet names, PostgreSQL its own.
  std::string T(const char* jet, const char* pg) const { return Pg() ? pg : jet; }
  std::int64_t Count(const std::string& table) {
    Recordset rs;
    rs.Open("SELECT COUNT(*) AS N FROM " + table, conn_);
    return rs.Item("N").Value().AsInt64();
  }

  sktest::TTestEngine engine_;
  Connection conn_;
};

struct TTypeCase {
  const char* Sqlite;
  const char* Postgres;
  int Type;
  int Size;
  int Scale;
};

TEST_P(DataEngineTest, DeclaredTypesGiveFieldTypesWithAndWithoutRows) {
  const TTypeCase cases[] = {
      {"SMALLINT", "SMALLINT", FT::SmallInt, 0, 0},
      {"INTEGER", "INTEGER", FT::Integer, 0, 0},
      {"BIGINT", "BIGINT", FT::BigInt, 0, 0},
      {"SINGLE", "REAL", FT::Single, 0, 0},
      {"DOUBLE", "DOUBLE PRECISION", FT::Double, 0, 0},
      {"NUMERIC(10,3)", "NUMERIC(10,3)", FT::Numeric, 10, 3},
      {"DATE", "DATE", FT::DBDate, 0, 0},
      {"DATETIME", "TIMESTAMP", FT::DBTimeStamp, 0, 0},
      {"BIT", "BOOLEAN", FT::Boolean, 0, 0},
      {"CHAR(1)", "CHAR(1)", FT::Char, 1, 0},
      {"VARCHAR(20)", "VARCHAR(20)", FT::VarWChar, 20, 0},
      {"TEXT", "TEXT", FT::VarWChar, 255, 0},
      {"LONGBINARY", "BYTEA", FT::LongVarBinary, 0, 0},
  };
  std::string ddl = "CREATE TABLE TYPES (";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    ddl += (i ? ", C" : "C") + IntToStr(static_cast<int>(i)) + " " + (Pg() ? cases[i].Postgres : cases[i].Sqlite);
  conn_.Execute(ddl + ")");
  for (int withRow = 0; withRow < 2; ++withRow) {
    if (withRow) {
      Recordset w;
      w.Open("SELECT * FROM TYPES", conn_, 2, 3);
      w.AddNew();
      w.Item("C1").SetValue(Variant(7));
      w.Update();
    }
    Recordset rs;
    rs.Open("SELECT * FROM TYPES", conn_);
    ASSERT_EQ(rs.Fields().Count(), static_cast<int>(std::size(cases)));
    EXPECT_EQ(rs.Eof(), withRow == 0);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(cases[i].Sqlite);
      data::Field& f = rs.Item("c" + IntToStr(static_cast<int>(i)));
      EXPECT_EQ(f.Type(), cases[i].Type);
      if (cases[i].Size != 0) { EXPECT_EQ(f.DefinedSize(), cases[i].Size); }
      EXPECT_EQ(f.NumericScale(), cases[i].Scale);
    }
  }
}

TEST_P(DataEngineTest, ValuesRoundTripExactly) {
  conn_.Execute("CREATE TABLE V (ID INTEGER, D " + T("DOUBLE", "DOUBLE PRECISION") +
                ", S VARCHAR(40), W " + T("DATETIME", "TIMESTAMP") + ", B " + T("LONGBINARY", "BYTEA") + ")");
  const double tricky = 0.1 + 0.2;
  const TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 7, 250);
  std::vector<std::uint8_t> blob(10 * 1024 * 1024 + 3);
  for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 9));
  {
    Recordset w;
    w.Open("SELECT * FROM V", conn_, 2, 3);
    w.AddNew();
    w.Item("ID").SetValue(Variant(1));
    w.Item("D").SetValue(Variant(tricky));
    w.Item("S").SetValue(Variant(std::string("Łódź 'quoted' \\ back")));
    w.Item("W").SetValue(Variant::FromDate(when));
    w.Item("B").AppendChunk({blob.begin(), blob.begin() + 1000});
    w.Item("B").AppendChunk({blob.begin() + 1000, blob.end()});
    w.Update();
  }
  Recordset rs;
  rs.Open("SELECT * FROM V", conn_);
  ASSERT_FALSE(rs.Eof());
  const double d = rs.Item("D").Value().AsDouble();
  EXPECT_EQ(std::memcmp(&d, &tricky, sizeof d), 0);
  EXPECT_EQ(rs.Item("S").Value().AsString(), "Łódź 'quoted' \\ back");
  EXPECT_NEAR(rs.Item("W").Value().AsDateTime(), when, 1e-8);
  data::Field& b = rs.Item("B");
  EXPECT_EQ(b.ActualSize(), static_cast<std::int64_t>(blob.size()));
  std::vector<std::uint8_t> back;
  for (;;) {
    const auto chunk = b.GetChunk(1 << 20);
    if (chunk.empty()) break;
    back.insert(back.end(), chunk.begin(), chunk.end());
  }
  EXPECT_TRUE(back == blob);
}

TEST_P(DataEngineTest, FailedUpdateKeepsThePendingRowAndAddNewFollowsUpdate) {
  conn_.Execute("CREATE TABLE K (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10))");
  conn_.Execute("INSERT INTO K VALUES (1, 'one')");
  Recordset w;
  w.Open("SELECT * FROM K", conn_, 2, 3);
  w.AddNew();
  w.Item("ID").SetValue(Variant(1));
  w.Item("NAME").SetValue(Variant("dup"));
  try {
    w.Update();
    FAIL() << "a duplicate key was stored";
  } catch (const data::EDataError& e) {
    EXPECT_TRUE(e.IsDuplicateKey()) << e.Message();
  }
  EXPECT_EQ(w.Item("NAME").Value().AsString(), "dup");
  w.Item("ID").SetValue(Variant(2));
  w.Update();
  w.AddNew();
  w.Item("ID").SetValue(Variant(3));
  w.Update();
  // Editing a fetched row goes by the hidden key.
  w.MoveFirst();
  w.Item("NAME").SetValue(Variant("ONE"));
  w.Update();
  EXPECT_EQ(Count("K"), 3);
  Recordset rs;
  rs.Open("SELECT * FROM K WHERE ID = 1", conn_);
  EXPECT_EQ(rs.Item("NAME").Value().AsString(), "ONE");
  EXPECT_EQ(rs.Fields().Count(), 2); // the hidden key is no field
}

TEST_P(DataEngineTest, RewindRunsTheQueryAgain) {
  conn_.Execute("CREATE TABLE R (ID INTEGER)");
  conn_.Execute("INSERT INTO R VALUES (1)");
  Recordset rs;
  rs.Open("SELECT * FROM R ORDER BY ID", conn_);
  conn_.Execute("INSERT INTO R VALUES (2)"); // while the stream is open
  int n = 0;
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) ++n;
  EXPECT_EQ(n, 2);
  EXPECT_THROW(rs.MoveNext(), data::EDataError);
}

TEST_P(DataEngineTest, StatementErrorInsideATransactionRollsBackThatStatementOnly) {
  conn_.Execute("CREATE TABLE TR (ID INTEGER NOT NULL PRIMARY KEY)");
  conn_.BeginTrans();
  conn_.Execute("INSERT INTO TR VALUES (1)");
  EXPECT_THROW(conn_.Execute("INSERT INTO TR VALUES (1)"), data::EDataError);
  EXPECT_THROW(conn_.Execute("SELECT * FROM NO_SUCH_TABLE"), data::EDataError);
  conn_.Execute("INSERT INTO TR VALUES (2)");
  conn_.CommitTrans();
  EXPECT_EQ(Count("TR"), 2);
  conn_.BeginTrans();
  conn_.Execute("INSERT INTO TR VALUES (3)");
  conn_.RollbackTrans();
  EXPECT_EQ(Count("TR"), 2);
}

TEST_P(DataEngineTest, DropTableWhileAStreamIsOpen) {
  conn_.Execute("CREATE TABLE A (ID INTEGER)");
  conn_.Execute("CREATE TABLE GONE (ID INTEGER)");
  for (int i = 0; i < 5; ++i) conn_.Execute("INSERT INTO A VALUES (" + IntToStr(i) + ")");
  Recordset rs;
  rs.Open("SELECT * FROM A ORDER BY ID", conn_);
  rs.MoveNext();
  conn_.Execute("DROP TABLE GONE");
  int n = 1;
  for (; !rs.Eof(); rs.MoveNext()) ++n;
  EXPECT_EQ(n, 5);
}

// Long streams: typed reads straight from the engine's row agree with
// Value(), also across PostgreSQL's fetch batches, after another statement
// made the stream buffer itself mid-way, and for NULLs.
TEST_P(DataEngineTest, TypedReadsOfAStreamAgreeWithValues) {
  conn_.Execute("CREATE TABLE S (ID INTEGER, X " + T("DOUBLE", "DOUBLE PRECISION") + ", T VARCHAR(20), B " +
                T("LONGBINARY", "BYTEA") + ")");
  conn_.Execute("CREATE TABLE OTHER (ID INTEGER)");
  const int rows = 3000;
  conn_.Execute(Pg() ? "INSERT INTO S SELECT i, i * 0.5, 'row ' || i, CASE WHEN i % 7 = 0 THEN NULL ELSE "
                       "decode(repeat('5a', 2000 + i % 3), 'hex') END FROM generate_series(1, 3000) i"
                     : "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                       "INSERT INTO S SELECT i, i * 0.5, 'row ' || i, CASE WHEN i % 7 = 0 THEN NULL ELSE "
                       "CAST(printf('%.*c', 2000 + i % 3, 'Z') AS BLOB) END FROM n");
  Recordset rs;
  rs.Open("SELECT * FROM S ORDER BY ID", conn_);
  int n = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    ++n;
    data::Field& id = rs.Item("ID");
    data::Field& x = rs.Item("X");
    data::Field& t = rs.Item("T");
    data::Field& b = rs.Item("B");
    ASSERT_EQ(id.AsInt64(), n);
    ASSERT_EQ(id.Value().AsInt64(), n);
    ASSERT_EQ(x.AsDouble(), n * 0.5);
    ASSERT_FALSE(t.IsNull());
    ASSERT_TRUE(t.ByteView().empty()); // text is not bytes
    ASSERT_EQ(t.Value().AsString(), "row " + IntToStr(n));
    ASSERT_EQ(b.IsNull(), n % 7 == 0) << n;
    ASSERT_EQ(b.Value().IsNull(), n % 7 == 0) << n;
    const auto view = b.ByteView();
    if (n % 7 == 0) {
      ASSERT_TRUE(view.empty());
    } else {
      ASSERT_EQ(view.size(), static_cast<std::size_t>(2000 + n % 3)) << n;
      ASSERT_EQ(view.front(), 'Z');
      ASSERT_EQ(view.back(), 'Z');
      ASSERT_TRUE(std::equal(view.begin(), view.end(), b.Value().Bytes().begin()));
    }
    if (n == 1500) {
      // Another statement while the stream is open: the current row stays.
      conn_.Execute("INSERT INTO OTHER VALUES (1)");
      ASSERT_EQ(id.AsInt64(), 1500);
      ASSERT_EQ(t.Value().AsString(), "row 1500");
      ASSERT_EQ(b.ByteView().size(), static_cast<std::size_t>(2000));
    }
  }
  EXPECT_EQ(n, rows);
  EXPECT_EQ(Count("OTHER"), 1);
}

// A stream left half-read, or failing mid-way, inside and outside a
// transaction: the session goes on, the transaction keeps its good rows, and
// an error names the query as the engine reports it.
TEST_P(DataEngineTest, AbandonedAndFailingStreamsLeaveTheSessionUsable) {
  conn_.Execute("CREATE TABLE Q (ID INTEGER)");
  conn_.Execute(Pg() ? "INSERT INTO Q SELECT i FROM generate_series(1, 2000) i"
                     : "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                       "INSERT INTO Q SELECT i FROM n");
  for (const bool inTransaction : {false, true}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "autocommit");
    if (inTransaction) conn_.BeginTrans();
    {
      Recordset half;
      half.Open("SELECT * FROM Q WHERE ID > 0 ORDER BY ID", conn_);
      for (int i = 0; i < 100; ++i) half.MoveNext();
      EXPECT_EQ(half.Item("ID").AsInt64(), 101);
    }
    conn_.Execute("INSERT INTO Q VALUES (-1)");
    if (Pg()) {
      // Division by zero at the 1500th row, after some batches were read.
      Recordset failing;
      EXPECT_THROW(
          {
            failing.Open("SELECT 10 / (ID - 1500) AS V FROM Q WHERE ID > 0 ORDER BY ID", conn_);
            while (!failing.Eof()) failing.MoveNext();
          },
          data::EDataError);
    }
    try {
      Recordset missing;
      missing.Open("SELECT * FROM NO_SUCH_TABLE", conn_);
      ADD_FAILURE() << "a missing table was read";
    } catch (const data::EDataError& e) {
      EXPECT_NE(LowerCase(e.Message()).find("no_such_table"), std::string::npos) << e.Message();
      EXPECT_EQ(e.Message().find("DECLARE"), std::string::npos) << e.Message();
    }
    conn_.Execute("INSERT INTO Q VALUES (-2)");
    if (inTransaction) conn_.CommitTrans();
  }
  Recordset rs;
  rs.Open("SELECT COUNT(*) AS N FROM Q WHERE ID < 0", conn_);
  EXPECT_EQ(rs.Item("N").AsInt64(), 4);
}

TEST_P(DataEngineTest, OneStatementPerCall) {
  conn_.Execute("CREATE TABLE ONE (ID INTEGER)");
  EXPECT_THROW(conn_.Execute("INSERT INTO ONE VALUES (1); DROP TABLE ONE"), data::EDataError);
  EXPECT_EQ(Count("ONE"), 0);
}

TEST_P(DataEngineTest, UpdatableRecordsetsNeedTheSelectFromForm) {
  conn_.Execute("CREATE TABLE U (ID INTEGER)");
  Recordset rs;
  EXPECT_THROW(rs.Open("SELECT ID FROM U", conn_, 2, 3), data::EDataError);
  EXPECT_EQ(rs.State(), 0);
  rs.Open("select * from U where ID > 0", conn_, 2, 3);
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
}

TEST_P(DataEngineTest, HooksLogFailAndRename) {
  conn_.Execute("CREATE TABLE H (UID INTEGER)");
  std::vector<std::string> log;
  conn_.Hooks().StatementLog = [&](const std::string& sql) { log.push_back(sql); };
  conn_.Hooks().RenameColumn = [](const std::string& n) { return "GEO." + n; };
  Recordset rs;
  rs.Open("SELECT * FROM H", conn_);
  EXPECT_NE(rs.Fields().Find("GEO.UID"), nullptr);
  conn_.Hooks().FailAt = conn_.StatementCount() + 2;
  conn_.Hooks().FailKind = data::TInjectedFailure::DuplicateKey;
  conn_.Execute("INSERT INTO H VALUES (1)");
  try {
    conn_.Execute("INSERT INTO H VALUES (2)");
    FAIL();
  } catch (const data::EDataError& e) {
    EXPECT_TRUE(e.IsDuplicateKey());
  }
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "SELECT * FROM H");
  conn_.Hooks() = data::TDataHooks();
  EXPECT_EQ(Count("H"), 1); // the failed statement was never sent
}

INSTANTIATE_TEST_SUITE_P(Engines, DataEngineTest, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return std::string(info.param); });

// ---- PostgreSQL only ---------------------------------------------------------------

class DataPostgresTest : public DataEngineTest {};

TEST_P(DataPostgresTest, TruncatedIdentifierIsAnError) {
  const std::string longName(70, 'x');
  try {
    conn_.Execute("CREATE TABLE " + longName + " (ID INTEGER)");
    FAIL() << "a 70-character name was cut silently";
  } catch (const data::EDataError& e) {
    EXPECT_EQ(e.SqlState(), "42622") << e.Message();
  }
}

TEST_P(DataPostgresTest, LostConnectionIsReportedAndTheNextCallReconnects) {
  conn_.Execute("CREATE TABLE L (ID INTEGER)");
  try {
    conn_.Execute("SELECT pg_terminate_backend(pg_backend_pid())");
    FAIL() << "the connection was not lost";
  } catch (const data::EDataConnectionLost& e) {
    EXPECT_NE(e.Message().find("database connection lost"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("not confirmed"), std::string::npos);
  }
  conn_.Execute("INSERT INTO L VALUES (1)");
  EXPECT_EQ(Count("L"), 1);
}

INSTANTIATE_TEST_SUITE_P(Engine, DataPostgresTest, ::testing::Values("postgres"),
                         [](const auto& info) { return std::string(info.param); });

// ---- SQLite only ----------------------------------------------------------------------

class DataSqliteTest : public DataEngineTest {};

TEST_P(DataSqliteTest, MultiColumnAddIsSplitIntoOneAddPerColumn) {
  conn_.Execute("CREATE TABLE M (ID INTEGER)");
  conn_.Execute("ALTER TABLE M ADD A VARCHAR(10), B NUMERIC(10,2), C DOUBLE");
  Recordset rs;
  rs.Open("SELECT * FROM M", conn_);
  EXPECT_EQ(rs.Fields().Count(), 4);
  // All or nothing: the second column exists already.
  EXPECT_THROW(conn_.Execute("ALTER TABLE M ADD D INTEGER, A INTEGER"), data::EDataError);
  Recordset again;
  again.Open("SELECT * FROM M", conn_);
  EXPECT_EQ(again.Fields().Count(), 4);
}

INSTANTIATE_TEST_SUITE_P(Engine, DataSqliteTest, ::testing::Values("sqlite"),
                         [](const auto& info) { return std::string(info.param); });

// ---- connection strings and files ----------------------------------------------------

TEST(DataConnectionString, PairsAreTrimmedAndQuotedValuesKeepSemicolons) {
  const auto pairs = data::ParseConnectionString(
      "\"Provider = SQLite ; Data Source=\"a;b.db\"; Jet OLEDB:Engine Type=4;;x\"");
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[0].Key, "Provider");
  EXPECT_EQ(pairs[0].Value, "SQLite");
  EXPECT_EQ(pairs[1].Value, "a;b.db");
  EXPECT_EQ(pairs[2].Key, "Jet OLEDB:Engine Type");
  EXPECT_EQ(pairs[3].Key, "x");
}

TEST(DataConnectionString, UnknownProvidersAndJetFilesAreRefused) {
  sktest::TTempDir dir("data");
  Connection c;
  try {
    c.Open("Provider=SQLOLEDB;Data Source=x");
    FAIL();
  } catch (const data::EDataError& e) {
    EXPECT_EQ(e.Message(), "Provider not supported: SQLOLEDB");
  }
  std::string jet(2048, '\0');
  std::memcpy(&jet[4], "Standard Jet DB", 15);
  const std::string mdb = dir.Write("old.mdb", jet);
  try {
    c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
    FAIL();
  } catch (const data::EDataError& e) {
    EXPECT_EQ(e.Message(), "Jet/Access database files are not supported: " + mdb);
  }
  EXPECT_THROW(c.Open("Provider=SQLite;Data Source=" + (dir / "missing.db")), data::EDataError);
  EXPECT_EQ(c.State(), 0);
}

TEST(DataConnectionString, RelativeSourcesResolveAgainstTheCurrentFolder) {
  sktest::TTempDir dir("data");
  data::CreateDatabaseFile(dir / "Layers.mdb");
  EXPECT_EQ(dir.Read(dir / "Layers.mdb").substr(0, 16), std::string("SQLite format 3\0", 16));
  EXPECT_THROW(data::CreateDatabaseFile(dir / "Layers.mdb"), data::EDataError); // never overwritten
  TCurrentDirGuard keep;
  SetCurrentDir(dir.Path());
  for (const char* source : {"Layers.mdb", "LAYERS.MDB"}) {
    Connection c;
    c.Open(std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + source);
    c.Execute("CREATE TABLE IF NOT EXISTS T (ID INTEGER)");
    EXPECT_EQ(c.Engine(), data::TEngine::SQLite);
  }
}

} // namespace dataaccess_test
