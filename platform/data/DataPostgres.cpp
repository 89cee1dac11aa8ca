// The PostgreSQL engine: UTF-8 sessions with a 10 s lock wait, binary
// results streamed (plain SELECTs through a server-side cursor read in
// batches, other queries in single-row mode), statement-level rollback inside a
// transaction (each statement in its own savepoint), and lost connections
// reported once and re-established on the next call without re-sending.
#include "platform/data/DataBackend.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace data::detail {
namespace {

constexpr double kDays2000 = 36526.0;
constexpr double kMicrosPerDay = 86400.0e6;

std::uint64_t ReadBig(const char* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}
void PutBig(std::string& out, std::uint64_t v, int n) {
  for (int i = n - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string TrimMessage(const char* text) {
  return Trim(text != nullptr ? text : "");
}

double NumericValue(const char* p, int len) {
  if (len < 8) return 0;
  const int ndigits = static_cast<std::int16_t>(ReadBig(p, 2));
  const int weight = static_cast<std::int16_t>(ReadBig(p + 2, 2));
  const unsigned sign = static_cast<unsigned>(ReadBig(p + 4, 2));
  if (sign == 0xC000) return std::nan("");
  double v = 0;
  for (int i = 0; i < ndigits && 8 + 2 * i + 1 < len; ++i)
    v += static_cast<double>(ReadBig(p + 8 + 2 * i, 2)) * std::pow(10000.0, weight - i);
  return sign == 0x4000 ? -v : v;
}

Variant ReadValue(const PGresult* res, int row, int col, const TColumn& column) {
  if (PQgetisnull(res, row, col)) return Variant::MakeNull();
  const char* p = PQgetvalue(res, row, col);
  const int len = PQgetlength(res, row, col);
  switch (PQftype(res, col)) {
  case 21: return Variant(static_cast<std::int16_t>(ReadBig(p, 2)));
  case 23: return Variant(static_cast<std::int32_t>(ReadBig(p, 4)));
  case 20: return Variant(static_cast<std::int64_t>(ReadBig(p, 8)));
  case 700: {
    const std::uint32_t bits = static_cast<std::uint32_t>(ReadBig(p, 4));
    float f;
    std::memcpy(&f, &bits, 4);
    return Variant(f);
  }
  case 701: {
    const std::uint64_t bits = ReadBig(p, 8);
    double d;
    std::memcpy(&d, &bits, 8);
    return Variant(d);
  }
  case 1700: return Variant(NumericValue(p, len));
  case 16: return Variant(len > 0 && p[0] != 0);
  case 1082: return Variant::FromDate(kDays2000 + static_cast<std::int32_t>(ReadBig(p, 4)));
  case 1083: return Variant::FromDate(static_cast<double>(static_cast<std::int64_t>(ReadBig(p, 8))) / kMicrosPerDay);
  case 1114:
  case 1184:
    return Variant::FromDate(kDays2000 + static_cast<double>(static_cast<std::int64_t>(ReadBig(p, 8))) / kMicrosPerDay);
  case 25:
  case 1042:
  case 1043:
  case 19:
    return Variant(std::string(p, static_cast<std::size_t>(len)));
  default: {
    (void)column;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
    return Variant(std::vector<std::uint8_t>(bytes, bytes + len));
  }
  }
}

// A value of a result row as the engine holds it (see TCell).
TCell ResultCell(const PGresult* res, int row, int column, const TColumn& info) {
  TCell cell;
  if (PQgetisnull(res, row, column)) return cell;
  const char* p = PQgetvalue(res, row, column);
  const int len = PQgetlength(res, row, column);
  const Oid type = PQftype(res, column);
  switch (type) {
  case 21:
  case 23:
  case 20:
  case 701: {
    // Through ReadValue's own conversion: the same number.
    const Variant v = ReadValue(res, row, column, info);
    if (type == 701) {
      cell.Kind = TCell::TKind::Float;
      cell.Float = v.AsDouble();
    } else {
      cell.Kind = TCell::TKind::Integer;
      cell.Int = v.AsInt64();
    }
    return cell;
  }
  case 25:
  case 1042:
  case 1043:
  case 19:
    cell.Kind = TCell::TKind::Text;
    break;
  case 700:
  case 1700:
  case 16:
  case 1082:
  case 1083:
  case 1114:
  case 1184:
    cell.Kind = TCell::TKind::Other;
    return cell;
  default:
    cell.Kind = TCell::TKind::Bytes;
    break;
  }
  cell.Data = reinterpret_cast<const std::uint8_t*>(p);
  cell.Size = static_cast<std::size_t>(len);
  return cell;
}

struct TParams {
  std::vector<Oid> types;
  std::vector<std::string> storage;
  std::vector<const char*> values;
  std::vector<int> lengths;
  std::vector<int> formats;

  explicit TParams(const std::vector<Variant>& params) {
    storage.reserve(params.size());
    for (const Variant& v : params) {
      const TVarType t = v.VarType() & varTypeMask;
      std::string s;
      Oid oid = 0;
      int format = 1;
      bool null = false;
      if (v.IsNull() || v.IsEmpty()) {
        null = true;
      } else if (v.VarType() == (varArray | varByte)) {
        const auto& b = v.Bytes();
        s.assign(b.begin(), b.end());
        oid = 17;
      } else if (t == varDate) {
        oid = 1114;
        PutBig(s, static_cast<std::uint64_t>(std::llround((v.AsDouble() - kDays2000) * kMicrosPerDay)), 8);
      } else if (t == varBoolean) {
        oid = 16;
        s += static_cast<char>(v.AsBoolean() ? 1 : 0);
      } else if (VarIsOrdinal(v)) {
        oid = 20;
        PutBig(s, static_cast<std::uint64_t>(v.AsInt64()), 8);
      } else if (VarIsNumeric(v)) {
        oid = 701;
        const double d = v.AsDouble();
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        PutBig(s, bits, 8);
      } else {
        s = v.AsString();
        format = 0;
      }
      types.push_back(oid);
      storage.push_back(std::move(s));
      values.push_back(null ? nullptr : storage.back().c_str());
      lengths.push_back(static_cast<int>(storage.back().size()));
      formats.push_back(format);
    }
  }
};

class TPostgresBackend;

class TPostgresStream : public TStream {
public:
  TPostgresStream(TPostgresBackend& owner, PGresult* first);
  ~TPostgresStream() override;
  const std::vector<TColumn>& Columns() const override { return columns_; }

protected:
  bool StepEngine() override;
  Variant EngineValue(int column) const override;
  TCell EngineCell(int column) const override;

private:
  TPostgresBackend& owner_;
  std::vector<TColumn> columns_;
  // The first row, fetched while the stream was made.
  PGresult* pending_ = nullptr;
  // The current row (a single-row result).
  PGresult* row_ = nullptr;
  bool done_ = false;
};

// A plain query read in batches through a server-side cursor: one result
// per batch instead of one per row, the next batch asked for while the
// current one is read. Batches hold about kBatchBytes (at most kBatchRows
// rows). The cursor lives in a transaction of its own, or in the statement's
// savepoint inside the caller's transaction.
class TPostgresCursorStream : public TStream {
public:
  static constexpr int kFirstBatch = 8;
  static constexpr int kBatchRows = 4096;
  static constexpr std::size_t kBatchBytes = 64u << 10;

  /// The cursor is declared; the first batch is read here (errors surface).
  TPostgresCursorStream(TPostgresBackend& owner, bool ownTransaction);
  ~TPostgresCursorStream() override;
  const std::vector<TColumn>& Columns() const override { return columns_; }

protected:
  bool StepEngine() override;
  Variant EngineValue(int column) const override {
    return ReadValue(batch_, row_, column, columns_[static_cast<std::size_t>(column)]);
  }
  TCell EngineCell(int column) const override;

private:
  void Ask();
  /// The asked batch; nullptr at the end (the cursor is then closed).
  PGresult* Receive();
  TPostgresBackend& owner_;
  bool ownTransaction_;
  std::vector<TColumn> columns_;
  PGresult* batch_ = nullptr;
  int row_ = 0;
  int rows_ = 0;
  int asked_ = kFirstBatch;
  bool inFlight_ = false;
  bool lastBatch_ = false;
  bool done_ = false;
};

class TPostgresBackend : public TBackend {
public:
  explicit TPostgresBackend(PGconn* conn) : conn_(conn) {
    PQsetNoticeReceiver(conn_, &TPostgresBackend::Notice, this);
  }
  ~TPostgresBackend() override {
    // Streams are closed by their recordsets before the connection goes.
    PQfinish(conn_);
  }
  TEngine Engine() const override { return TEngine::PostgreSQL; }

  static void Notice(void* self, const PGresult* res) {
    const char* state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
    if (state != nullptr && std::strcmp(state, "42622") == 0) {
      auto* b = static_cast<TPostgresBackend*>(self);
      b->truncated_ = TrimMessage(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY));
    }
  }

  void Session() {
    PGresult* r = PQexec(conn_, "SET lock_timeout = '10s'");
    PQclear(r);
    // Streams read their cursors to the end: plan them for the whole result.
    PQclear(PQexec(conn_, "SET cursor_tuple_fraction = 1.0"));
  }

  // Reconnects after a lost connection (never re-sends anything).
  void Ensure() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
      RaiseConnectionLost(TrimMessage(PQerrorMessage(conn_)));
    Session();
  }

  // The error of a failed result: a lost connection or the engine's error.
  [[noreturn]] void Fail(PGresult* res) {
    const std::string text = res ? TrimMessage(PQresultErrorMessage(res)) : TrimMessage(PQerrorMessage(conn_));
    const char* st = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = st ? st : "";
    if (res) PQclear(res);
    if (PQstatus(conn_) != CONNECTION_OK || state.rfind("57P", 0) == 0 || state.rfind("08", 0) == 0) {
      inTrans_ = false;
      savepoint_ = false;
      if (PQstatus(conn_) == CONNECTION_OK) PQreset(conn_), Session();
      RaiseConnectionLost(text.empty() ? "the server closed the connection" : text);
    }
    UndoSavepoint();
    RaiseDataError("PostgreSQL", text, state);
  }

  void Simple(const char* sql) {
    PGresult* r = PQexec(conn_, sql);
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) Fail(r);
    PQclear(r);
  }

  void OpenSavepoint() {
    if (!inTrans_) return;
    Simple("SAVEPOINT sk_statement");
    savepoint_ = true;
  }
  void ReleaseSavepoint() {
    if (!savepoint_) return;
    savepoint_ = false;
    Simple("RELEASE SAVEPOINT sk_statement");
  }
  void UndoSavepoint() {
    if (!savepoint_) return;
    savepoint_ = false;
    PQclear(PQexec(conn_, "ROLLBACK TO SAVEPOINT sk_statement"));
    PQclear(PQexec(conn_, "RELEASE SAVEPOINT sk_statement"));
  }
  void CheckTruncation() {
    if (truncated_.empty()) return;
    const std::string text = truncated_;
    truncated_.clear();
    RaiseDataError("PostgreSQL", text, "42622");
  }

  std::unique_ptr<TStream> Query(const std::string& sql, const std::vector<Variant>& params) override {
    Ensure();
    BufferStreams();
    if (params.empty() && IsPlainSelect(sql)) {
      if (DeclareCursor(sql)) return std::make_unique<TPostgresCursorStream>(*this, !inTrans_);
    }
    OpenSavepoint();
    TParams p(params);
    truncated_.clear();
    if (!PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(params.size()), p.types.data(),
                           p.values.data(), p.lengths.data(), p.formats.data(), 1))
      Fail(nullptr);
    PQsetSingleRowMode(conn_);
    PGresult* first = PQgetResult(conn_);
    const ExecStatusType st = PQresultStatus(first);
    if (st != PGRES_SINGLE_TUPLE && st != PGRES_TUPLES_OK) {
      Drain();
      Fail(first);
    }
    return std::make_unique<TPostgresStream>(*this, first);
  }

  void Drain() {
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
  }

  // "SELECT ..." that a cursor can read (no SELECT INTO).
  static bool IsPlainSelect(const std::string& sql) {
    const std::string u = UpperCase(Trim(sql));
    if (u.compare(0, 6, "SELECT") != 0 || u.size() < 7) return false;
    if (u[6] != ' ' && u[6] != '\t' && u[6] != '\r' && u[6] != '\n' && u[6] != '*') return false;
    return u.find("INTO") == std::string::npos;
  }

  // Declares the stream's cursor, in a transaction of its own or in the
  // statement's savepoint. False when the server refuses the query: the
  // plain path then runs it and reports the engine's own error.
  bool DeclareCursor(const std::string& sql) {
    const bool own = !inTrans_;
    if (own)
      Simple("BEGIN");
    else
      OpenSavepoint();
    truncated_.clear();
    PGresult* r = PQexec(conn_, ("DECLARE sk_stream NO SCROLL CURSOR FOR " + sql).c_str());
    if (PQresultStatus(r) == PGRES_COMMAND_OK) {
      PQclear(r);
      return true;
    }
    if (PQstatus(conn_) != CONNECTION_OK) Fail(r);
    PQclear(r);
    if (own)
      PQclear(PQexec(conn_, "ROLLBACK"));
    else
      UndoSavepoint();
    return false;
  }

  // The cursor's stream ended (or failed with `error`): the cursor closed
  // with its transaction or savepoint.
  void EndCursor(bool own, PGresult* error) {
    if (error != nullptr) {
      Drain();
      if (own && PQstatus(conn_) == CONNECTION_OK) {
        const char* st = PQresultErrorField(error, PG_DIAG_SQLSTATE);
        const std::string state = st ? st : "";
        if (state.rfind("57P", 0) != 0 && state.rfind("08", 0) != 0) {
          const std::string text = TrimMessage(PQresultErrorMessage(error));
          PQclear(error);
          PQclear(PQexec(conn_, "ROLLBACK"));
          RaiseDataError("PostgreSQL", text, state);
        }
      }
      Fail(error);
    }
    if (own) {
      Simple("COMMIT");
    } else {
      Simple("CLOSE sk_stream");
      ReleaseSavepoint();
    }
    CheckTruncation();
  }
  // An abandoned cursor's stream: its batch in flight read, the cursor gone
  // with its transaction or savepoint.
  void AbandonCursor(bool own) {
    Drain();
    if (PQstatus(conn_) != CONNECTION_OK) return;
    if (own)
      PQclear(PQexec(conn_, "ROLLBACK"));
    else
      UndoSavepoint();
  }

  // A stream ended (or was dropped): the rest of its results read, its
  // savepoint released.
  void EndStream(bool failed, PGresult* error) {
    if (failed) {
      Drain();
      Fail(error);
    }
    Drain();
    ReleaseSavepoint();
    CheckTruncation();
  }
  void CancelStream() {
    if (PGcancel* c = PQgetCancel(conn_)) {
      char buf[256];
      PQcancel(c, buf, sizeof buf);
      PQfreeCancel(c);
    }
    Drain();
    if (PQstatus(conn_) != CONNECTION_OK) return;
    if (savepoint_) UndoSavepoint();
  }
  PGconn* Conn() { return conn_; }

  std::int64_t Execute(const std::string& sql, const std::vector<Variant>& params,
                       TRow* returning) override {
    Ensure();
    BufferStreams();
    OpenSavepoint();
    TParams p(params);
    truncated_.clear();
    PGresult* r = PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), p.types.data(),
                               p.values.data(), p.lengths.data(), p.formats.data(), 1);
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) Fail(r);
    if (returning != nullptr && st == PGRES_TUPLES_OK && PQntuples(r) > 0) {
      for (int c = 0; c < PQnfields(r); ++c)
        returning->push_back(ReadValue(r, 0, c, PostgresColumnType(PQfname(r, c), PQftype(r, c), PQfmod(r, c))));
    }
    const char* n = PQcmdTuples(r);
    const std::int64_t affected = (n != nullptr && *n != '\0') ? StrToInt64Def(n, -1) : -1;
    PQclear(r);
    ReleaseSavepoint();
    CheckTruncation();
    return affected;
  }

  void Begin() override {
    Ensure();
    BufferStreams();
    Simple("BEGIN");
    inTrans_ = true;
  }
  void Commit() override {
    Ensure();
    BufferStreams();
    inTrans_ = false;
    Simple("COMMIT");
  }
  void Rollback() override {
    BufferStreams();
    inTrans_ = false;
    if (PQstatus(conn_) != CONNECTION_OK) return;
    Simple("ROLLBACK");
  }
  bool InTransaction() const override { return inTrans_; }
  std::string KeyColumn() const override { return "ctid::text"; }
  std::string KeyCompare(int n) const override { return "ctid = $" + IntToStr(n) + "::tid"; }
  std::string Placeholder(int n) const override { return "$" + IntToStr(n); }
  std::string ReturningKey() const override { return " RETURNING ctid::text"; }
  Variant LastInsertKey() override { return Variant::MakeNull(); }

private:
  PGconn* conn_;
  bool inTrans_ = false;
  bool savepoint_ = false;
  std::string truncated_;
};

TPostgresStream::TPostgresStream(TPostgresBackend& owner, PGresult* first) : owner_(owner) {
  for (int c = 0; c < PQnfields(first); ++c)
    columns_.push_back(PostgresColumnType(PQfname(first, c), PQftype(first, c), PQfmod(first, c)));
  if (PQresultStatus(first) == PGRES_SINGLE_TUPLE) {
    pending_ = first;
  } else {
    PQclear(first);
    done_ = true;
    owner_.EndStream(false, nullptr);
  }
  owner_.Register(this);
}

TPostgresStream::~TPostgresStream() {
  owner_.Unregister(this);
  if (pending_ != nullptr) PQclear(pending_);
  if (row_ != nullptr) PQclear(row_);
  if (!done_) owner_.CancelStream();
}

bool TPostgresStream::StepEngine() {
  if (row_ != nullptr) {
    PQclear(row_);
    row_ = nullptr;
  }
  if (pending_ != nullptr) {
    row_ = pending_;
    pending_ = nullptr;
    return true;
  }
  if (done_) return false;
  PGresult* r = PQgetResult(owner_.Conn());
  const ExecStatusType st = PQresultStatus(r);
  if (st == PGRES_SINGLE_TUPLE) {
    row_ = r;
    return true;
  }
  done_ = true;
  if (st == PGRES_TUPLES_OK) {
    PQclear(r);
    owner_.EndStream(false, nullptr);
    return false;
  }
  owner_.EndStream(true, r);
  return false;
}

Variant TPostgresStream::EngineValue(int column) const {
  return ReadValue(row_, 0, column, columns_[static_cast<std::size_t>(column)]);
}

TCell TPostgresStream::EngineCell(int column) const {
  return ResultCell(row_, 0, column, columns_[static_cast<std::size_t>(column)]);
}

TPostgresCursorStream::TPostgresCursorStream(TPostgresBackend& owner, bool ownTransaction)
    : owner_(owner), ownTransaction_(ownTransaction) {
  Ask();
  batch_ = Receive();
  // The columns come with every batch, the last empty one too.
  for (int c = 0; c < PQnfields(batch_); ++c)
    columns_.push_back(PostgresColumnType(PQfname(batch_, c), PQftype(batch_, c), PQfmod(batch_, c)));
  rows_ = PQntuples(batch_);
  row_ = -1;
  if (rows_ == 0) {
    PQclear(batch_);
    batch_ = nullptr;
    done_ = true;
    owner_.EndCursor(ownTransaction_, nullptr);
  } else if (!lastBatch_) {
    Ask();
  }
  owner_.Register(this);
}

TPostgresCursorStream::~TPostgresCursorStream() {
  owner_.Unregister(this);
  if (batch_ != nullptr) PQclear(batch_);
  if (!done_) owner_.AbandonCursor(ownTransaction_);
}

void TPostgresCursorStream::Ask() {
  const std::string sql = "FETCH " + IntToStr(asked_) + " FROM sk_stream";
  if (!PQsendQueryParams(owner_.Conn(), sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1)) {
    done_ = true;
    owner_.EndCursor(ownTransaction_, PQmakeEmptyPGresult(owner_.Conn(), PGRES_FATAL_ERROR));
  }
  inFlight_ = true;
}

PGresult* TPostgresCursorStream::Receive() {
  inFlight_ = false;
  PGresult* r = PQgetResult(owner_.Conn());
  if (PQresultStatus(r) != PGRES_TUPLES_OK) {
    done_ = true;
    owner_.EndCursor(ownTransaction_, r);
  }
  owner_.Drain();
  const int n = PQntuples(r);
  lastBatch_ = n < asked_;
  if (n > 0) {
    // The next batch holds about kBatchBytes.
    const std::size_t perRow = std::max<std::size_t>(1, PQresultMemorySize(r) / static_cast<std::size_t>(n));
    asked_ = static_cast<int>(std::clamp<std::size_t>(kBatchBytes / perRow, 1, kBatchRows));
  }
  return r;
}

bool TPostgresCursorStream::StepEngine() {
  if (batch_ != nullptr && ++row_ < rows_) return true;
  if (batch_ != nullptr) PQclear(batch_);
  batch_ = nullptr;
  if (done_) return false;
  PGresult* r = nullptr;
  if (inFlight_) {
    r = Receive();
    if (PQntuples(r) == 0) {
      PQclear(r);
      r = nullptr;
    }
  }
  if (r == nullptr) {
    done_ = true;
    owner_.EndCursor(ownTransaction_, nullptr);
    return false;
  }
  batch_ = r;
  rows_ = PQntuples(r);
  row_ = 0;
  if (!lastBatch_) Ask();
  return true;
}

TCell TPostgresCursorStream::EngineCell(int column) const {
  return ResultCell(batch_, row_, column, columns_[static_cast<std::size_t>(column)]);
}

} // namespace

std::unique_ptr<TBackend> OpenPostgres(const std::vector<TConnectionPair>& pairs,
                                       const std::string& user, const std::string& password) {
  std::vector<std::string> keys, values;
  auto set = [&](const std::string& k, const std::string& v) {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == k) {
        values[i] = v;
        return;
      }
    keys.push_back(k);
    values.push_back(v);
  };
  set("connect_timeout", "10");
  PQconninfoOption* known = PQconndefaults();
  auto freeKnown = ScopeExit([&] { PQconninfoFree(known); });
  for (const TConnectionPair& p : pairs) {
    const std::string k = LowerCase(p.Key);
    if (k == "provider") continue;
    if (k == "host" || k == "server") set("host", p.Value);
    else if (k == "port") set("port", p.Value);
    else if (k == "database" || k == "initial catalog") set("dbname", p.Value);
    else if (k == "user id" || k == "uid" || k == "user") set("user", p.Value);
    else if (k == "password" || k == "pwd") set("password", p.Value);
    else
      for (PQconninfoOption* o = known; o != nullptr && o->keyword != nullptr; ++o)
        if (k == o->keyword) set(k, p.Value);
  }
  if (!user.empty()) set("user", user);
  if (!password.empty()) set("password", password);
  set("client_encoding", "UTF8");
  std::vector<const char*> k, v;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    k.push_back(keys[i].c_str());
    v.push_back(values[i].c_str());
  }
  k.push_back(nullptr);
  v.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(k.data(), v.data(), 0);
  if (conn == nullptr) RaiseDataError("PostgreSQL", "out of memory", "");
  if (PQstatus(conn) != CONNECTION_OK) {
    const std::string text = TrimMessage(PQerrorMessage(conn));
    PQfinish(conn);
    RaiseDataError("PostgreSQL", text, "08001");
  }
  auto backend = std::make_unique<TPostgresBackend>(conn);
  backend->Session();
  return backend;
}

} // namespace data::detail
