// The data-access layer: a small connection / recordset / field interface
// over SQLite files and PostgreSQL servers, with the cursor, transaction and
// value rules the database layers rely on. The only code that talks to the
// engines' client libraries.
//
// Files: DataAccess.cpp (connection strings, Connection, Recordset, Field),
// DataSqlite.cpp and DataPostgres.cpp (the two engines behind the internal
// interface of DataBackend.h), DataTypes.cpp (declared types to field types,
// dates).
//
// Connection strings are "key=value" pairs separated by ';' (keys trimmed and
// compared without regard to case; a double-quoted value may hold ';'):
//   - Provider = Microsoft.Jet.OLEDB.*, Microsoft.ACE.OLEDB.* or SQLite, with
//     Data Source = a SQLite file (relative names resolve against the
//     runtime's current folder: the exact name first, then a case-blind match
//     in that folder; ":memory:" is allowed). Other keys are ignored.
//   - Provider = PostgreSQL: Host/Server, Port, Database/Initial Catalog,
//     User ID/UID, Password/PWD, and any other key libpq knows (sslmode,
//     options, connect_timeout, default 10 s); what is missing comes from
//     the PG* environment variables.
//   - anything else raises "Provider not supported: <name>".
//
// Cursors: a recordset opened with lock type 3 and cursor type 1, 2 or 3 on
// "SELECT * FROM <table> [WHERE <condition>]" is updatable (fully fetched,
// with the engine's hidden row key); every other recordset is a forward-only
// stream whose MoveFirst runs the query again. A stream's current row stays
// in the engine's memory: a field reads its column when asked (Value, or the
// typed IsNull, AsInt64, AsDouble and ByteView), never the whole row.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace data {

enum class TEngine { None, SQLite, PostgreSQL };

/// Field type codes (the classic data-access numbering).
namespace FieldType {
inline constexpr int SmallInt = 2;
inline constexpr int Integer = 3;
inline constexpr int Single = 4;
inline constexpr int Double = 5;
inline constexpr int Boolean = 11;
inline constexpr int TinyInt = 16;
inline constexpr int UnsignedTinyInt = 17;
inline constexpr int BigInt = 20;
inline constexpr int Numeric = 131;
inline constexpr int DBDate = 133;
inline constexpr int DBTime = 134;
inline constexpr int DBTimeStamp = 135;
inline constexpr int Char = 129;
inline constexpr int VarWChar = 202;
inline constexpr int LongVarWChar = 203;
inline constexpr int LongVarBinary = 205;
} // namespace FieldType

/// An engine error: "<engine>: <text> (SQLSTATE x)". SqlState is the
/// five-character state ('' when the engine gives none; SQLite's unique and
/// primary-key violations report 23505).
class EDataError : public EOleException {
public:
  EDataError(std::string message, std::string sqlState)
      : EOleException(std::move(message)), sqlState_(std::move(sqlState)) {}
  const std::string& SqlState() const noexcept { return sqlState_; }
  bool IsDuplicateKey() const noexcept { return sqlState_ == "23505"; }

private:
  std::string sqlState_;
};

/// The connection went away while a statement ran: "database connection lost:
/// <text>; the last statement was not confirmed". The next call reconnects;
/// nothing is sent again.
class EDataConnectionLost : public EDataError {
public:
  using EDataError::EDataError;
};

/// The failure a hook injects.
enum class TInjectedFailure { DuplicateKey, Generic, ConnectionLost };

/// Test and diagnosis hooks of one connection.
struct TDataHooks {
  /// Called with the text of every statement before it is sent.
  std::function<void(const std::string& sql)> StatementLog;
  /// The statement with this number (counted from Open, see
  /// Connection::StatementCount; 0 = none) fails with FailKind instead of
  /// being sent.
  int FailAt = 0;
  TInjectedFailure FailKind = TInjectedFailure::Generic;
  /// Renames result columns (the name as the engine gives it in, the field's
  /// name out).
  std::function<std::string(const std::string& name)> RenameColumn;
};

/// One "key=value" pair of a connection string.
struct TConnectionPair {
  std::string Key;
  std::string Value;
};
/// The pairs in order (keys and values trimmed; double quotes around a value
/// removed).
std::vector<TConnectionPair> ParseConnectionString(const std::string& text);

/// The absolute file a connection string of a file provider (Jet, ACE,
/// SQLite) names, resolved as Open resolves it; '' for other providers and
/// for ":memory:".
std::string DataSourceFile(const std::string& connectionString);

/// Creates an empty SQLite database file (switched to write-ahead logging at
/// once so that its header is written). Raises EDataError when it cannot.
void CreateDatabaseFile(const std::string& path);

namespace detail {
class TBackend;
class TStream;
struct TCell;
} // namespace detail

class Recordset;

class Connection {
public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  /// Opens the connection string; `user` and `password`, when not empty,
  /// override the string's.
  void Open(const std::string& connectionString, const std::string& user = "",
            const std::string& password = "", int options = 0);
  /// 0 closed, 1 open.
  int State() const;
  void Close();
  /// Runs one statement; returns the number of rows it changed (-1 when the
  /// engine gives none).
  std::int64_t Execute(const std::string& sql);
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const;
  int CursorLocation() const { return cursorLocation_; }
  /// Kept for callers that set it; it changes nothing.
  void SetCursorLocation(int value) { cursorLocation_ = value; }
  TEngine Engine() const;
  TDataHooks& Hooks() { return hooks_; }
  /// Statements counted since Open (those the hooks see).
  int StatementCount() const { return statementNumber_; }

  // ---- used by Recordset ------------------------------------------------------
  detail::TBackend& Backend();
  /// Counts the statement, logs it and raises an injected failure.
  void BeforeStatement(const std::string& sql);

private:
  std::unique_ptr<detail::TBackend> backend_;
  TDataHooks hooks_;
  int statementNumber_ = 0;
  int cursorLocation_ = 2;
};

class Field {
public:
  const std::string& Name() const { return name_; }
  int Type() const { return type_; }
  int DefinedSize() const { return definedSize_; }
  int NumericScale() const { return numericScale_; }
  /// The value of the current (or pending) row; Null for NULL.
  Variant Value() const;
  /// Sets the value of the pending row (starts editing the current row when
  /// no row is pending).
  void SetValue(const Variant& value);
  /// Appends bytes to the pending value; the first call after the row was
  /// started replaces what the field held.
  void AppendChunk(const std::vector<std::uint8_t>& bytes);
  /// The next `count` bytes of a byte or text value (fewer at its end).
  std::vector<std::uint8_t> GetChunk(std::int64_t count);
  /// The length in bytes of the value.
  std::int64_t ActualSize() const;

  // Typed reads of the current (or pending) row: what Value() gives, read
  // straight from the engine's row where it holds the value in that form.
  /// Whether the value is NULL (Value().IsNull()).
  bool IsNull() const;
  /// Value().AsInt64() (raises as it does).
  std::int64_t AsInt64() const;
  /// Value().AsDouble() (raises as it does).
  double AsDouble() const;
  /// The bytes of a byte value (Value().Bytes()), viewed where they lie:
  /// valid until the recordset moves, closes or is buffered, or another
  /// statement runs on the connection. Empty for NULL and for values that
  /// are not bytes.
  std::span<const std::uint8_t> ByteView() const;

private:
  friend class Recordset;
  Recordset* owner_ = nullptr;
  int column_ = 0;
  std::string name_;
  int type_ = 0;
  int definedSize_ = 0;
  int numericScale_ = 0;
  std::int64_t chunkPos_ = 0;
};

class TFields {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  Field& operator[](int index);
  /// The first field whose name matches without regard to case; raises
  /// EDataError when there is none.
  Field& Item(const std::string& name);
  /// nullptr when there is none.
  Field* Find(const std::string& name);

private:
  friend class Recordset;
  std::vector<std::unique_ptr<Field>> items_;
};

class Recordset {
public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  void Open(const std::string& sql, Connection& connection, int cursorType = 0, int lockType = 1,
            int options = 0);
  /// 0 closed, 1 open.
  int State() const { return connection_ ? 1 : 0; }
  bool Eof() const;
  bool Bof() const;
  void MoveFirst();
  void MoveNext();
  void Close();
  void AddNew();
  void Update();
  void CancelUpdate();
  void Requery(int options = -1);
  TFields& Fields() { return fields_; }
  Field& Item(const std::string& name) { return fields_.Item(name); }
  bool Updatable() const { return updatable_; }

  // ---- used by Field ------------------------------------------------------------
  const Variant& ColumnValue(int column) const;
  void SetColumnValue(int column, const Variant& value);
  Variant& PendingValue(int column);
  /// Whether this is the first chunk written to the column of the pending row.
  bool TakeFirstChunk(int column);

  /// Makes the stream independent of the engine (every remaining row read).
  void BufferStream();

private:
  friend class Field;
  enum class TEdit { None, Editing, Adding };
  /// The value of a column of the current (or pending) row.
  Variant CurrentValue(int column) const;
  /// A column of the current stream row as the engine holds it (Kind Other
  /// for pending and updatable rows: read those through CurrentValue).
  detail::TCell CurrentCell(int column) const;
  void Run();
  void Fetch();
  void BuildFields();
  void ResetChunks();
  void RequireOpen() const;
  void RequireRow() const;

  Connection* connection_ = nullptr;
  std::string sql_;
  bool updatable_ = false;
  std::string table_;
  std::string condition_;
  std::unique_ptr<detail::TStream> stream_;
  TFields fields_;
  // The result's column names as the engine gives them (the hidden key
  // first in an updatable recordset).
  std::vector<std::string> columnNames_;
  // Stream: the columns of the current row that ColumnValue has read (the
  // row itself stays in the stream), with the row number each was read at.
  mutable std::vector<Variant> row_;
  mutable std::vector<std::uint32_t> rowRead_;
  std::uint32_t rowNumber_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  // Updatable: all rows (column 0 = the key).
  std::vector<std::vector<Variant>> rows_;
  int index_ = -1;
  TEdit edit_ = TEdit::None;
  std::vector<Variant> pending_;
  std::vector<bool> changed_;
  std::vector<bool> chunked_;
};

} // namespace data
