// The SQLite engine: sessions in write-ahead logging with a 5 s busy wait,
// one statement per call, streams over sqlite3_step, and the Jet forms the
// layers write (the multi-column ALTER TABLE ... ADD).
#include "platform/data/DataBackend.h"

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace data::detail {
namespace {

[[noreturn]] void RaiseSqlite(sqlite3* db, int rc) {
  const int extended = db != nullptr ? sqlite3_extended_errcode(db) : rc;
  const std::string text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  std::string state;
  if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE)
    state = "23505";
  RaiseDataError("SQLite", text, state);
}

bool IsBlankTail(const char* tail) {
  for (; tail != nullptr && *tail != '\0'; ++tail)
    if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';')
      return false;
  return true;
}

class TSqliteBackend;

class TSqliteStream : public TStream {
public:
  TSqliteStream(TSqliteBackend& owner, sqlite3* db, sqlite3_stmt* stmt);
  ~TSqliteStream() override;
  const std::vector<TColumn>& Columns() const override { return columns_; }

protected:
  bool StepEngine() override;
  Variant EngineValue(int column) const override;
  TCell EngineCell(int column) const override;

private:
  void Finish() {
    if (stmt_ != nullptr) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  TSqliteBackend& owner_;
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::vector<TColumn> columns_;
  // The first row, stepped while the stream was made (errors surface then).
  bool havePending_ = false;
  bool done_ = false;
};

Variant ReadValue(sqlite3_stmt* stmt, int i, const TColumn& column) {
  const int kind = sqlite3_column_type(stmt, i);
  if (kind == SQLITE_NULL) return Variant::MakeNull();
  switch (column.Type) {
  case FieldType::DBDate:
  case FieldType::DBTime:
  case FieldType::DBTimeStamp:
    if (kind == SQLITE_TEXT) {
      double days = 0;
      const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      if (IsoToDays(t, days)) return Variant::FromDate(days);
      return Variant(std::string(t));
    }
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT)
      return Variant::FromDate(sqlite3_column_double(stmt, i));
    break;
  case FieldType::Boolean:
    if (kind == SQLITE_INTEGER) return Variant(sqlite3_column_int64(stmt, i) != 0);
    break;
  case FieldType::SmallInt:
    if (kind == SQLITE_INTEGER) return Variant(static_cast<std::int16_t>(sqlite3_column_int(stmt, i)));
    break;
  case FieldType::Integer:
    if (kind == SQLITE_INTEGER) {
      const std::int64_t v = sqlite3_column_int64(stmt, i);
      if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<std::int32_t>(v));
      return Variant(v);
    }
    break;
  case FieldType::UnsignedTinyInt:
    if (kind == SQLITE_INTEGER) {
      const std::int64_t v = sqlite3_column_int64(stmt, i);
      if (v >= 0 && v <= 255) return Variant(static_cast<std::uint8_t>(v));
      return Variant(v);
    }
    break;
  case FieldType::Single:
  case FieldType::Double:
  case FieldType::Numeric:
    if (kind == SQLITE_INTEGER || kind == SQLITE_FLOAT) {
      if (column.Type == FieldType::Single)
        return Variant(static_cast<float>(sqlite3_column_double(stmt, i)));
      return Variant(sqlite3_column_double(stmt, i));
    }
    break;
  default:
    break;
  }
  switch (kind) {
  case SQLITE_INTEGER:
    return Variant(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
  case SQLITE_FLOAT:
    return Variant(sqlite3_column_double(stmt, i));
  case SQLITE_BLOB: {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, i));
    const int n = sqlite3_column_bytes(stmt, i);
    return Variant(std::vector<std::uint8_t>(p, p + n));
  }
  default: {
    const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    return Variant(std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
  }
  }
}

void Bind(sqlite3* db, sqlite3_stmt* stmt, const std::vector<Variant>& params) {
  for (std::size_t k = 0; k < params.size(); ++k) {
    const int i = static_cast<int>(k) + 1;
    const Variant& v = params[k];
    int rc = SQLITE_OK;
    const TVarType t = v.VarType() & varTypeMask;
    if (v.IsNull() || v.IsEmpty()) {
      rc = sqlite3_bind_null(stmt, i);
    } else if (v.VarType() == (varArray | varByte)) {
      const auto& b = v.Bytes();
      rc = sqlite3_bind_blob64(stmt, i, b.data(), b.size(), SQLITE_TRANSIENT);
    } else if (t == varDate) {
      rc = sqlite3_bind_text(stmt, i, DaysToIso(v.AsDouble()).c_str(), -1, SQLITE_TRANSIENT);
    } else if (t == varBoolean) {
      rc = sqlite3_bind_int(stmt, i, v.AsBoolean() ? 1 : 0);
    } else if (VarIsOrdinal(v)) {
      rc = sqlite3_bind_int64(stmt, i, v.AsInt64());
    } else if (VarIsNumeric(v)) {
      rc = sqlite3_bind_double(stmt, i, v.AsDouble());
    } else {
      const std::string s = v.AsString();
      rc = sqlite3_bind_text64(stmt, i, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) RaiseSqlite(db, rc);
  }
}

// "ALTER TABLE t ADD a T, b T": the pieces after ADD at top-level commas
// (empty when the statement is not of that form or adds one column).
std::vector<std::string> SplitMultiAdd(const std::string& sql, std::string& head) {
  std::vector<std::string> parts;
  const std::string upper = UpperCase(sql);
  std::size_t p = upper.find_first_not_of(" \t\r\n");
  if (p == std::string::npos || upper.compare(p, 5, "ALTER") != 0) return parts;
  const std::size_t add = upper.find(" ADD ");
  if (add == std::string::npos) return parts;
  if (upper.find(" TABLE ") == std::string::npos || upper.find(" TABLE ") > add) return parts;
  head = sql.substr(0, add + 5);
  const std::string rest = sql.substr(add + 5);
  int depth = 0;
  bool quote = false;
  std::string cur;
  for (char c : rest) {
    if (c == '\'') quote = !quote;
    if (!quote && c == '(') ++depth;
    if (!quote && c == ')') --depth;
    if (!quote && depth == 0 && c == ',') {
      parts.push_back(Trim(cur));
      cur.clear();
      continue;
    }
    cur += c;
  }
  parts.push_back(Trim(cur));
  if (parts.size() < 2) return {};
  for (const std::string& s : parts) // "ADD a T, ADD b T" is left to the engine
    if (s.empty() || UpperCase(s.substr(0, 4)) == "ADD ") return {};
  return parts;
}

class TSqliteBackend : public TBackend {
public:
  explicit TSqliteBackend(sqlite3* db) : db_(db) {}
  ~TSqliteBackend() override { sqlite3_close_v2(db_); }
  TEngine Engine() const override { return TEngine::SQLite; }

  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) RaiseSqlite(db_, rc);
    if (stmt == nullptr) RaiseDataError("SQLite", "empty statement", "");
    if (!IsBlankTail(tail)) {
      sqlite3_finalize(stmt);
      RaiseDataError("SQLite", "only one statement per call", "");
    }
    return stmt;
  }

  std::unique_ptr<TStream> Query(const std::string& sql, const std::vector<Variant>& params) override {
    sqlite3_stmt* stmt = Prepare(sql);
    auto fin = ScopeExit([&] { sqlite3_finalize(stmt); });
    Bind(db_, stmt, params);
    fin.Dismiss();
    return std::make_unique<TSqliteStream>(*this, db_, stmt);
  }

  std::int64_t RunOnce(const std::string& sql, const std::vector<Variant>& params, TRow* returning) {
    sqlite3_stmt* stmt = Prepare(sql);
    auto fin = ScopeExit([&] { sqlite3_finalize(stmt); });
    Bind(db_, stmt, params);
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) break;
      if (rc == SQLITE_ROW) {
        if (returning != nullptr && returning->empty()) {
          const int n = sqlite3_column_count(stmt);
          for (int i = 0; i < n; ++i) returning->push_back(ReadValue(stmt, i, TColumn{}));
        }
        continue;
      }
      RaiseSqlite(db_, rc);
    }
    return sqlite3_changes64(db_);
  }

  std::int64_t Execute(const std::string& sql, const std::vector<Variant>& params,
                       TRow* returning) override {
    std::string head;
    const std::vector<std::string> adds = params.empty() ? SplitMultiAdd(sql, head) : std::vector<std::string>{};
    if (!adds.empty()) {
      // One ADD per column, all or none.
      RunOnce("SAVEPOINT sk_multi_add", {}, nullptr);
      auto undo = ScopeExit([&] {
        sqlite3_exec(db_, "ROLLBACK TO sk_multi_add", nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "RELEASE sk_multi_add", nullptr, nullptr, nullptr);
      });
      for (const std::string& a : adds) RunWithRetry(head + a, {}, nullptr);
      undo.Dismiss();
      RunOnce("RELEASE sk_multi_add", {}, nullptr);
      return 0;
    }
    return RunWithRetry(sql, params, returning);
  }

  // DROP TABLE meets SQLITE_LOCKED while a statement is mid-way: the open
  // streams are read into memory and the statement runs once more.
  std::int64_t RunWithRetry(const std::string& sql, const std::vector<Variant>& params,
                            TRow* returning) {
    try {
      return RunOnce(sql, params, returning);
    } catch (const EDataError&) {
      if ((sqlite3_errcode(db_) & 0xFF) != SQLITE_LOCKED || streams_.empty()) throw;
    }
    BufferStreams();
    return RunOnce(sql, params, returning);
  }

  void Begin() override {
    RunOnce("BEGIN", {}, nullptr);
    inTrans_ = true;
  }
  void Commit() override {
    if (!inTrans_) RaiseDataError("SQLite", "no transaction is active", "");
    inTrans_ = false;
    if (sqlite3_get_autocommit(db_) != 0)
      RaiseDataError("SQLite", "the transaction was rolled back by the engine", "");
    RunOnce("COMMIT", {}, nullptr);
  }
  void Rollback() override {
    inTrans_ = false;
    if (sqlite3_get_autocommit(db_) == 0) RunOnce("ROLLBACK", {}, nullptr);
  }
  bool InTransaction() const override { return inTrans_; }
  std::string KeyColumn() const override { return "rowid"; }
  std::string KeyCompare(int n) const override { return "rowid = ?" + IntToStr(n); }
  std::string Placeholder(int n) const override { return "?" + IntToStr(n); }
  std::string ReturningKey() const override { return ""; }
  Variant LastInsertKey() override { return Variant(static_cast<std::int64_t>(sqlite3_last_insert_rowid(db_))); }

private:
  sqlite3* db_;
  bool inTrans_ = false;
};

TSqliteStream::TSqliteStream(TSqliteBackend& owner, sqlite3* db, sqlite3_stmt* stmt)
    : owner_(owner), db_(db), stmt_(stmt) {
  const int n = sqlite3_column_count(stmt);
  for (int i = 0; i < n; ++i) {
    const char* decl = sqlite3_column_decltype(stmt, i);
    columns_.push_back(SqliteColumnType(sqlite3_column_name(stmt, i), decl ? decl : ""));
  }
  // Step once so that errors surface at open and columns without a declared
  // type get one from their first value.
  const int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    havePending_ = true;
    for (int i = 0; i < n; ++i) {
      if (columns_[i].Type != 0) continue;
      switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_INTEGER: columns_[i].Type = FieldType::Integer; break;
      case SQLITE_FLOAT: columns_[i].Type = FieldType::Double; break;
      case SQLITE_BLOB: columns_[i].Type = FieldType::LongVarBinary; break;
      default: columns_[i].Type = FieldType::VarWChar; columns_[i].DefinedSize = 255; break;
      }
    }
  } else if (rc == SQLITE_DONE) {
    done_ = true;
  } else {
    Finish();
    RaiseSqlite(db, rc);
  }
  for (TColumn& c : columns_)
    if (c.Type == 0) {
      c.Type = FieldType::VarWChar;
      c.DefinedSize = 255;
    }
  owner_.Register(this);
}

TSqliteStream::~TSqliteStream() {
  owner_.Unregister(this);
  Finish();
}

bool TSqliteStream::StepEngine() {
  if (done_ || stmt_ == nullptr) return false;
  if (!havePending_) {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
      done_ = true;
      Finish();
      return false;
    }
    if (rc != SQLITE_ROW) {
      done_ = true;
      Finish();
      RaiseSqlite(db_, rc);
    }
  }
  havePending_ = false;
  return true;
}

Variant TSqliteStream::EngineValue(int column) const {
  return ReadValue(stmt_, column, columns_[static_cast<std::size_t>(column)]);
}

TCell TSqliteStream::EngineCell(int column) const {
  TCell cell;
  const int kind = sqlite3_column_type(stmt_, column);
  if (kind == SQLITE_NULL) return cell;
  switch (columns_[static_cast<std::size_t>(column)].Type) {
  case FieldType::DBDate:
  case FieldType::DBTime:
  case FieldType::DBTimeStamp:
  case FieldType::Boolean:
  case FieldType::SmallInt:
  case FieldType::Single:
    // Values that ReadValue converts.
    cell.Kind = TCell::TKind::Other;
    return cell;
  default:
    break;
  }
  switch (kind) {
  case SQLITE_INTEGER:
    cell.Kind = TCell::TKind::Integer;
    cell.Int = sqlite3_column_int64(stmt_, column);
    break;
  case SQLITE_FLOAT:
    cell.Kind = TCell::TKind::Float;
    cell.Float = sqlite3_column_double(stmt_, column);
    break;
  case SQLITE_BLOB:
    cell.Kind = TCell::TKind::Bytes;
    cell.Data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    cell.Size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
    break;
  default:
    cell.Kind = TCell::TKind::Text;
    cell.Data = sqlite3_column_text(stmt_, column);
    cell.Size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
    break;
  }
  return cell;
}

void Pragmas(sqlite3* db) {
  for (const char* p : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db, p, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
      const std::string text = err ? err : sqlite3_errstr(rc);
      sqlite3_free(err);
      RaiseDataError("SQLite", text, "");
    }
  }
}

} // namespace

std::unique_ptr<TBackend> OpenSqlite(const std::string& path) {
  if (path != ":memory:") {
    std::ifstream in(path, std::ios::binary);
    char head[24] = {};
    in.read(head, sizeof head);
    if (in.gcount() >= 19 && (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 ||
                              std::memcmp(head + 4, "Standard ACE DB", 15) == 0))
      throw EDataError("Jet/Access database files are not supported: " + path, "");
  }
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                    (path == ":memory:" ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    RaiseDataError("SQLite", text + ": " + path, "");
  }
  auto backend = std::make_unique<TSqliteBackend>(db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_extended_result_codes(db, 1);
  Pragmas(db);
  return backend;
}

} // namespace data::detail

namespace data {

void CreateDatabaseFile(const std::string& path) {
  // The file is made here, never over an existing one.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) detail::RaiseDataError("SQLite", "cannot create the database file: " + path, "");
  ::close(fd);
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  auto close = ScopeExit([&] { sqlite3_close_v2(db); });
  if (rc != SQLITE_OK)
    detail::RaiseDataError("SQLite", std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ": " + path, "");
  detail::Pragmas(db);
}

} // namespace data
