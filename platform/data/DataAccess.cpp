// Connection strings, Connection, Recordset and Field over the engines of
// DataBackend.h.
#include "platform/data/DataBackend.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <filesystem>

namespace data {

using detail::TRow;

namespace detail {

TCell TStream::VariantCell(const Variant& v) {
  TCell cell;
  switch (v.VarType()) {
  case varNull:
    break;
  case varInteger:
  case varInt64:
  case varByte:
    cell.Kind = TCell::TKind::Integer;
    cell.Int = v.AsInt64();
    break;
  case varDouble:
    cell.Kind = TCell::TKind::Float;
    cell.Float = v.AsDouble();
    break;
  case varArray | varByte:
    cell.Kind = TCell::TKind::Bytes;
    cell.Data = v.Bytes().data();
    cell.Size = v.Bytes().size();
    break;
  default:
    cell.Kind = TCell::TKind::Other;
    break;
  }
  return cell;
}

} // namespace detail

std::vector<TConnectionPair> ParseConnectionString(const std::string& text) {
  std::vector<TConnectionPair> pairs;
  std::string s = Trim(text);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  std::size_t i = 0;
  while (i < s.size()) {
    std::string key;
    while (i < s.size() && s[i] != '=' && s[i] != ';') key += s[i++];
    std::string value;
    if (i < s.size() && s[i] == '=') {
      ++i;
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
      if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
        const char q = s[i++];
        while (i < s.size() && s[i] != q) value += s[i++];
        if (i < s.size()) ++i;
        while (i < s.size() && s[i] != ';') ++i;
      } else {
        while (i < s.size() && s[i] != ';') value += s[i++];
      }
    }
    if (i < s.size() && s[i] == ';') ++i;
    key = Trim(key);
    if (!key.empty()) pairs.push_back({key, Trim(value)});
  }
  return pairs;
}

namespace {

std::string PairValue(const std::vector<TConnectionPair>& pairs, const std::string& key) {
  for (const TConnectionPair& p : pairs)
    if (SameText(p.Key, key)) return p.Value;
  return "";
}

bool StartsWithText(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// A relative file against the runtime's current folder: the exact name, then
// a case-blind match of the file name in its folder.
std::string ResolveFile(const std::string& source) {
  if (source == ":memory:" || source.empty()) return source;
  std::string path = ToSlashes(source);
  if (path.front() != '/') {
    std::string dir = GetCurrentDir();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    path = dir + path;
  }
  if (FileExists(path)) return path;
  namespace fs = std::filesystem;
  const fs::path p(path);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(p.parent_path(), ec))
    if (SameText(entry.path().filename().string(), p.filename().string())) return entry.path().string();
  return path;
}

bool IsFileProvider(const std::string& provider) {
  return StartsWithText(provider, "Microsoft.Jet.OLEDB") || StartsWithText(provider, "Microsoft.ACE.OLEDB") ||
         SameText(provider, "SQLite");
}

} // namespace

std::string DataSourceFile(const std::string& connectionString) {
  const std::vector<TConnectionPair> pairs = ParseConnectionString(connectionString);
  if (!IsFileProvider(PairValue(pairs, "Provider"))) return "";
  const std::string source = PairValue(pairs, "Data Source");
  if (source == ":memory:") return "";
  return ResolveFile(source);
}

// ---- Connection -------------------------------------------------------------------

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::Open(const std::string& connectionString, const std::string& user,
                      const std::string& password, int /*options*/) {
  Close();
  const std::vector<TConnectionPair> pairs = ParseConnectionString(connectionString);
  const std::string provider = PairValue(pairs, "Provider");
  if (IsFileProvider(provider)) {
    const std::string source = PairValue(pairs, "Data Source");
    if (source.empty()) detail::RaiseDataError("SQLite", "the connection string names no Data Source", "");
    backend_ = detail::OpenSqlite(ResolveFile(source));
  } else if (SameText(provider, "PostgreSQL")) {
    backend_ = detail::OpenPostgres(pairs, user, password);
  } else {
    throw EDataError("Provider not supported: " + provider, "");
  }
  statementNumber_ = 0;
}

int Connection::State() const {
  return backend_ ? 1 : 0;
}

void Connection::Close() {
  backend_.reset();
}

detail::TBackend& Connection::Backend() {
  if (!backend_) throw EDataError("the connection is not open", "");
  return *backend_;
}

TEngine Connection::Engine() const {
  return backend_ ? backend_->Engine() : TEngine::None;
}

void Connection::BeforeStatement(const std::string& sql) {
  Backend();
  ++statementNumber_;
  if (hooks_.StatementLog) hooks_.StatementLog(sql);
  if (hooks_.FailAt > 0 && statementNumber_ == hooks_.FailAt) {
    switch (hooks_.FailKind) {
    case TInjectedFailure::DuplicateKey:
      detail::RaiseDataError("injected", "duplicate key value", "23505");
    case TInjectedFailure::ConnectionLost:
      detail::RaiseConnectionLost("injected failure");
    default:
      detail::RaiseDataError("injected", "statement failed", "");
    }
  }
}

std::int64_t Connection::Execute(const std::string& sql) {
  BeforeStatement(sql);
  return Backend().Execute(sql, {}, nullptr);
}

void Connection::BeginTrans() {
  Backend().Begin();
}
void Connection::CommitTrans() {
  Backend().Commit();
}
void Connection::RollbackTrans() {
  Backend().Rollback();
}
bool Connection::InTransaction() const {
  return backend_ && backend_->InTransaction();
}

// ---- Fields -------------------------------------------------------------------------

Field& TFields::operator[](int index) {
  if (index < 0 || index >= Count()) throw EDataError("field index out of range", "");
  return *items_[static_cast<std::size_t>(index)];
}

Field* TFields::Find(const std::string& name) {
  for (auto& f : items_)
    if (SameText(f->Name(), name)) return f.get();
  return nullptr;
}

Field& TFields::Item(const std::string& name) {
  Field* f = Find(name);
  if (f == nullptr) throw EDataError("Item cannot be found in the collection: " + name, "");
  return *f;
}

Variant Field::Value() const {
  return owner_->CurrentValue(column_);
}

bool Field::IsNull() const {
  const detail::TCell cell = owner_->CurrentCell(column_);
  if (cell.Kind != detail::TCell::TKind::Other) return cell.Kind == detail::TCell::TKind::Null;
  return Value().IsNull();
}

std::int64_t Field::AsInt64() const {
  const detail::TCell cell = owner_->CurrentCell(column_);
  if (cell.Kind == detail::TCell::TKind::Integer) return cell.Int;
  return Value().AsInt64();
}

double Field::AsDouble() const {
  const detail::TCell cell = owner_->CurrentCell(column_);
  if (cell.Kind == detail::TCell::TKind::Float) return cell.Float;
  if (cell.Kind == detail::TCell::TKind::Integer) return static_cast<double>(cell.Int);
  return Value().AsDouble();
}

std::span<const std::uint8_t> Field::ByteView() const {
  const detail::TCell cell = owner_->CurrentCell(column_);
  if (cell.Kind == detail::TCell::TKind::Bytes) return {cell.Data, cell.Size};
  if (cell.Kind != detail::TCell::TKind::Other) return {};
  // A pending or fetched row: the Variant the recordset keeps.
  const Variant& v = owner_->ColumnValue(column_);
  if (v.VarType() != (varArray | varByte)) return {};
  return {v.Bytes().data(), v.Bytes().size()};
}

void Field::SetValue(const Variant& value) {
  owner_->SetColumnValue(column_, value);
}

void Field::AppendChunk(const std::vector<std::uint8_t>& bytes) {
  Variant& v = owner_->PendingValue(column_);
  std::vector<std::uint8_t> all;
  if (!owner_->TakeFirstChunk(column_) && v.VarType() == (varArray | varByte)) all = v.Bytes();
  all.insert(all.end(), bytes.begin(), bytes.end());
  v = Variant(std::move(all));
}

namespace {
std::vector<std::uint8_t> ValueBytes(const Variant& v) {
  if (v.VarType() == (varArray | varByte)) return v.Bytes();
  if (VarIsClear(v)) return {};
  const std::string s = VarIsStr(v) ? v.AsString() : VarToStr(v);
  return {s.begin(), s.end()};
}
} // namespace

std::vector<std::uint8_t> Field::GetChunk(std::int64_t count) {
  const Variant v = Value();
  if (v.VarType() == (varArray | varByte)) {
    const auto& b = v.Bytes();
    const std::int64_t size = static_cast<std::int64_t>(b.size());
    const std::int64_t from = std::min(chunkPos_, size);
    const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - from));
    chunkPos_ = from + n;
    return {b.begin() + from, b.begin() + from + n};
  }
  const std::vector<std::uint8_t> b = ValueBytes(v);
  const std::int64_t size = static_cast<std::int64_t>(b.size());
  const std::int64_t from = std::min(chunkPos_, size);
  const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - from));
  chunkPos_ = from + n;
  return {b.begin() + from, b.begin() + from + n};
}

std::int64_t Field::ActualSize() const {
  const Variant v = Value();
  if (v.VarType() == (varArray | varByte)) return static_cast<std::int64_t>(v.Bytes().size());
  return static_cast<std::int64_t>(ValueBytes(v).size());
}

// ---- Recordset ------------------------------------------------------------------------

Recordset::Recordset() = default;
Recordset::~Recordset() {
  Close();
}

namespace {

// "SELECT * FROM <table> [WHERE <condition>]": table and condition.
bool ParseSelectFrom(const std::string& sql, std::string& table, std::string& condition) {
  const std::string s = Trim(sql);
  const std::string u = UpperCase(s);
  std::size_t p = 0;
  auto word = [&](const char* w) {
    while (p < u.size() && (u[p] == ' ' || u[p] == '\t' || u[p] == '\r' || u[p] == '\n')) ++p;
    const std::size_t n = std::char_traits<char>::length(w);
    if (u.compare(p, n, w) != 0) return false;
    p += n;
    return true;
  };
  if (!word("SELECT") || !word("*") || !word("FROM")) return false;
  while (p < u.size() && (u[p] == ' ' || u[p] == '\t')) ++p;
  const std::size_t start = p;
  while (p < u.size() && u[p] != ' ' && u[p] != '\t' && u[p] != '\r' && u[p] != '\n') ++p;
  table = s.substr(start, p - start);
  if (table.empty()) return false;
  const std::string rest = Trim(s.substr(p));
  if (rest.empty()) {
    condition.clear();
    return true;
  }
  if (UpperCase(rest.substr(0, 6)) != "WHERE " && UpperCase(rest.substr(0, 6)) != "WHERE(") return false;
  condition = Trim(rest.substr(5));
  return !condition.empty();
}

} // namespace

void Recordset::RequireOpen() const {
  if (connection_ == nullptr) throw EDataError("the recordset is closed", "");
}

void Recordset::RequireRow() const {
  RequireOpen();
  if (edit_ == TEdit::Adding) return;
  if (eof_ || bof_) throw EDataError("Either BOF or EOF is True, or the current record has been deleted", "");
}

void Recordset::Open(const std::string& sql, Connection& connection, int cursorType, int lockType,
                     int /*options*/) {
  Close();
  sql_ = sql;
  connection_ = &connection;
  connection.Backend();
  updatable_ = lockType >= 2 && cursorType >= 1;
  if (updatable_ && !ParseSelectFrom(sql, table_, condition_)) {
    connection_ = nullptr;
    throw EDataError("an updatable recordset needs SELECT * FROM <table> [WHERE <condition>]: " + sql, "");
  }
  auto fail = ScopeExit([&] {
    stream_.reset();
    connection_ = nullptr;
  });
  Run();
  fail.Dismiss();
}

void Recordset::Run() {
  stream_.reset();
  edit_ = TEdit::None;
  pending_.clear();
  rows_.clear();
  connection_->BeforeStatement(sql_);
  detail::TBackend& b = connection_->Backend();
  if (!updatable_) {
    stream_ = b.Query(sql_, {});
    BuildFields();
    Fetch();
    bof_ = eof_;
    return;
  }
  std::string query = "SELECT " + b.KeyColumn() + ", * FROM " + table_;
  if (!condition_.empty()) query += " WHERE " + condition_;
  stream_ = b.Query(query, {});
  BuildFields();
  TRow row;
  while (stream_->NextRow(row)) rows_.push_back(std::move(row));
  stream_.reset();
  index_ = 0;
  eof_ = bof_ = rows_.empty();
  ResetChunks();
}

void Recordset::BuildFields() {
  fields_.items_.clear();
  columnNames_.clear();
  const auto& columns = stream_->Columns();
  for (const detail::TColumn& col : columns) columnNames_.push_back(col.Name);
  row_.assign(columns.size(), Variant());
  rowRead_.assign(columns.size(), 0);
  for (std::size_t c = updatable_ ? 1 : 0; c < columns.size(); ++c) {
    const detail::TColumn& col = columns[c];
    if (col.Type == 0) continue;
    auto f = std::make_unique<Field>();
    f->owner_ = this;
    f->column_ = static_cast<int>(c);
    f->name_ = connection_->Hooks().RenameColumn ? connection_->Hooks().RenameColumn(col.Name) : col.Name;
    f->type_ = col.Type;
    f->definedSize_ = col.DefinedSize;
    f->numericScale_ = col.Scale;
    fields_.items_.push_back(std::move(f));
  }
}

void Recordset::ResetChunks() {
  for (auto& f : fields_.items_) f->chunkPos_ = 0;
}

void Recordset::Fetch() {
  ResetChunks();
  if (stream_ && stream_->Next()) {
    eof_ = false;
    if (++rowNumber_ == 0) {
      rowNumber_ = 1;
      std::fill(rowRead_.begin(), rowRead_.end(), 0);
    }
    return;
  }
  eof_ = true;
  // The engine is free again once the stream has ended.
  stream_.reset();
}

void Recordset::BufferStream() {
  if (stream_) stream_->Buffer();
}

bool Recordset::Eof() const {
  return connection_ == nullptr || eof_;
}

bool Recordset::Bof() const {
  return connection_ == nullptr || bof_;
}

void Recordset::MoveFirst() {
  RequireOpen();
  if (edit_ != TEdit::None) Update();
  if (updatable_) {
    index_ = 0;
    eof_ = bof_ = rows_.empty();
    ResetChunks();
    return;
  }
  // A forward-only result is never replayed: the query runs again.
  Run();
}

void Recordset::MoveNext() {
  RequireOpen();
  if (edit_ != TEdit::None) Update();
  if (eof_) throw EDataError("Either BOF or EOF is True, or the current record has been deleted", "");
  bof_ = false;
  if (updatable_) {
    ++index_;
    eof_ = index_ >= static_cast<int>(rows_.size());
    ResetChunks();
    return;
  }
  Fetch();
}

void Recordset::Close() {
  stream_.reset();
  rows_.clear();
  row_.clear();
  pending_.clear();
  edit_ = TEdit::None;
  fields_.items_.clear();
  columnNames_.clear();
  connection_ = nullptr;
  eof_ = bof_ = true;
}

void Recordset::Requery(int /*options*/) {
  RequireOpen();
  Run();
}

const Variant& Recordset::ColumnValue(int column) const {
  const std::size_t c = static_cast<std::size_t>(column);
  if (edit_ != TEdit::None) return pending_[c];
  RequireRow();
  if (updatable_) return rows_[static_cast<std::size_t>(index_)][c];
  if (rowRead_[c] != rowNumber_) {
    row_[c] = stream_->Value(column);
    rowRead_[c] = rowNumber_;
  }
  return row_[c];
}

Variant Recordset::CurrentValue(int column) const {
  const std::size_t c = static_cast<std::size_t>(column);
  if (edit_ != TEdit::None) return pending_[c];
  RequireRow();
  if (updatable_) return rows_[static_cast<std::size_t>(index_)][c];
  if (rowRead_[c] == rowNumber_) return row_[c];
  return stream_->Value(column);
}

detail::TCell Recordset::CurrentCell(int column) const {
  if (edit_ != TEdit::None || updatable_) return {detail::TCell::TKind::Other};
  RequireRow();
  return stream_->Cell(column);
}

Variant& Recordset::PendingValue(int column) {
  RequireOpen();
  if (!updatable_) throw EDataError("the recordset is read-only", "");
  if (edit_ == TEdit::None) {
    RequireRow();
    pending_ = rows_[static_cast<std::size_t>(index_)];
    changed_.assign(pending_.size(), false);
    chunked_.assign(pending_.size(), false);
    edit_ = TEdit::Editing;
  }
  changed_[static_cast<std::size_t>(column)] = true;
  return pending_[static_cast<std::size_t>(column)];
}

bool Recordset::TakeFirstChunk(int column) {
  const std::size_t c = static_cast<std::size_t>(column);
  const bool first = !chunked_[c];
  chunked_[c] = true;
  return first;
}

void Recordset::SetColumnValue(int column, const Variant& value) {
  PendingValue(column) = value;
}

void Recordset::AddNew() {
  RequireOpen();
  if (!updatable_) throw EDataError("the recordset is read-only", "");
  if (edit_ != TEdit::None) Update();
  const std::size_t columns = columnNames_.size();
  pending_.assign(columns, Variant::MakeNull());
  changed_.assign(columns, false);
  chunked_.assign(columns, false);
  edit_ = TEdit::Adding;
  ResetChunks();
}

void Recordset::CancelUpdate() {
  edit_ = TEdit::None;
  pending_.clear();
  changed_.clear();
}

void Recordset::Update() {
  RequireOpen();
  if (edit_ == TEdit::None) return;
  detail::TBackend& b = connection_->Backend();
  std::vector<Variant> params;
  std::string sql;
  std::string names, values, sets;
  for (auto& f : fields_.items_) {
    const std::size_t c = static_cast<std::size_t>(f->column_);
    if (!changed_[c]) continue;
    params.push_back(pending_[c]);
    const std::string ph = b.Placeholder(static_cast<int>(params.size()));
    const std::string& name = columnNames_[c];
    if (!names.empty()) {
      names += ", ";
      values += ", ";
      sets += ", ";
    }
    names += name;
    values += ph;
    sets += name + " = " + ph;
  }
  if (edit_ == TEdit::Adding) {
    sql = names.empty() ? "INSERT INTO " + table_ + " DEFAULT VALUES"
                        : "INSERT INTO " + table_ + " (" + names + ") VALUES (" + values + ")";
  } else {
    if (sets.empty()) {
      CancelUpdate();
      return;
    }
    params.push_back(rows_[static_cast<std::size_t>(index_)][0]);
    sql = "UPDATE " + table_ + " SET " + sets + " WHERE " + b.KeyCompare(static_cast<int>(params.size()));
  }
  sql += b.ReturningKey();
  // A failure leaves the pending row as it is: the caller may change it and
  // try again.
  connection_->BeforeStatement(sql);
  TRow returned;
  b.Execute(sql, params, &returned);
  pending_[0] = !returned.empty() ? returned[0] : (edit_ == TEdit::Adding ? b.LastInsertKey() : pending_[0]);
  if (edit_ == TEdit::Adding) {
    rows_.push_back(std::move(pending_));
    index_ = static_cast<int>(rows_.size()) - 1;
  } else {
    rows_[static_cast<std::size_t>(index_)] = std::move(pending_);
  }
  eof_ = bof_ = false;
  CancelUpdate();
  ResetChunks();
}

} // namespace data
