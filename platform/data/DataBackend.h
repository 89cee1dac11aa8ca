// The engines behind Connection and Recordset (internal to platform/data).
#pragma once

#include "platform/data/DataAccess.h"

#include <deque>
#include <string>
#include <vector>

namespace data::detail {

/// A result column as the field list shows it. Type 0: a type the layer does
/// not read (the column gets no field).
struct TColumn {
  std::string Name;
  int Type = 0;
  int DefinedSize = 0;
  int Scale = 0;
};

using TRow = std::vector<Variant>;

/// A value of the current row as the engine holds it, read without making a
/// Variant. Text and Bytes view the engine's memory: valid until the stream
/// moves or is buffered. Other: a value only Value() reads right (dates,
/// decimals, booleans).
struct TCell {
  enum class TKind { Null, Integer, Float, Text, Bytes, Other };
  TKind Kind = TKind::Null;
  std::int64_t Int = 0;
  double Float = 0;
  const std::uint8_t* Data = nullptr;
  std::size_t Size = 0;
};

/// A forward-only result. Rows come from the engine one at a time; the
/// current row stays in the engine's memory and its columns are read on
/// demand, until Buffer() reads it and every remaining row into memory (the
/// engine is then free for other statements).
class TStream {
public:
  virtual ~TStream() = default;
  virtual const std::vector<TColumn>& Columns() const = 0;
  /// Moves to the next row; false at the end.
  bool Next() {
    if (!buffered_) return live_ = StepEngine();
    live_ = false;
    if (buffer_.empty()) {
      current_.clear();
      return false;
    }
    current_ = std::move(buffer_.front());
    buffer_.pop_front();
    return true;
  }
  /// The next row as Variants; false at the end.
  bool NextRow(TRow& row) {
    if (!Next()) return false;
    row.clear();
    for (std::size_t c = 0; c < Columns().size(); ++c) row.push_back(Value(static_cast<int>(c)));
    return true;
  }
  /// A column of the current row.
  Variant Value(int column) const {
    return live_ ? EngineValue(column) : current_[static_cast<std::size_t>(column)];
  }
  TCell Cell(int column) const {
    return live_ ? EngineCell(column) : VariantCell(current_[static_cast<std::size_t>(column)]);
  }
  void Buffer() {
    if (buffered_) return;
    if (live_) {
      current_.clear();
      for (std::size_t c = 0; c < Columns().size(); ++c) current_.push_back(EngineValue(static_cast<int>(c)));
      live_ = false;
    }
    buffered_ = true;
    TRow row;
    while (StepEngine()) {
      row.clear();
      for (std::size_t c = 0; c < Columns().size(); ++c) row.push_back(EngineValue(static_cast<int>(c)));
      buffer_.push_back(std::move(row));
    }
  }
  bool Buffered() const { return buffered_; }

protected:
  /// Moves the engine to its next row; false at the end.
  virtual bool StepEngine() = 0;
  /// A column of the engine's current row.
  virtual Variant EngineValue(int column) const = 0;
  virtual TCell EngineCell(int column) const = 0;

private:
  static TCell VariantCell(const Variant& v);
  bool buffered_ = false;
  // Whether the current row is the engine's (else current_).
  bool live_ = false;
  TRow current_;
  std::deque<TRow> buffer_;
};

class TBackend {
public:
  virtual ~TBackend() = default;
  virtual TEngine Engine() const = 0;
  /// A query's rows; `params` bound to $1.. / ?.
  virtual std::unique_ptr<TStream> Query(const std::string& sql, const std::vector<Variant>& params) = 0;
  /// A statement; `returning` (when given) receives the first row it returns.
  virtual std::int64_t Execute(const std::string& sql, const std::vector<Variant>& params,
                               TRow* returning) = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;
  /// The select list item of the hidden row key ("rowid" / "ctid").
  virtual std::string KeyColumn() const = 0;
  /// The condition that picks the row whose key is parameter n.
  virtual std::string KeyCompare(int n) const = 0;
  /// The placeholder of parameter n (1-based).
  virtual std::string Placeholder(int n) const = 0;
  /// The suffix of an INSERT or UPDATE that returns the new key ('' when
  /// the engine gives the key otherwise).
  virtual std::string ReturningKey() const = 0;
  /// The key of the row the last INSERT made (engines without RETURNING).
  virtual Variant LastInsertKey() = 0;

  /// Streams register themselves so that a statement that needs the engine
  /// alone can buffer them first.
  void Register(TStream* stream) { streams_.push_back(stream); }
  void Unregister(TStream* stream) {
    for (std::size_t i = 0; i < streams_.size(); ++i)
      if (streams_[i] == stream) {
        streams_.erase(streams_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
  }
  void BufferStreams() {
    for (TStream* s : streams_) s->Buffer();
  }

protected:
  std::vector<TStream*> streams_;
};

std::unique_ptr<TBackend> OpenSqlite(const std::string& path);
std::unique_ptr<TBackend> OpenPostgres(const std::vector<TConnectionPair>& pairs,
                                       const std::string& user, const std::string& password);

/// Field type of a SQLite declared type (0: decide by value).
TColumn SqliteColumnType(const std::string& name, const std::string& declType);
/// Field type of a PostgreSQL type OID and modifier (Type 0: not read).
TColumn PostgresColumnType(const std::string& name, unsigned oid, int typmod);

/// OLE days of an ISO text "YYYY-MM-DD[ HH:MM:SS[.fff]]" or "HH:MM:SS";
/// false when the text is not one.
bool IsoToDays(const std::string& text, double& days);
/// "YYYY-MM-DD HH:MM:SS[.fff]" of OLE days.
std::string DaysToIso(double days);

/// "<engine>: <text> (SQLSTATE x)" ('' state: no parenthesis).
[[noreturn]] void RaiseDataError(const std::string& engine, const std::string& text,
                                 const std::string& sqlState);
[[noreturn]] void RaiseConnectionLost(const std::string& text);

} // namespace data::detail
