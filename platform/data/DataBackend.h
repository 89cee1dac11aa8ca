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

/// A forward-only result. Rows come from the engine one at a time until
/// Buffer() reads the rest into memory (the engine is then free for other
/// statements).
class TStream {
public:
  virtual ~TStream() = default;
  virtual const std::vector<TColumn>& Columns() const = 0;
  /// The next row; false at the end.
  bool Next(TRow& row) {
    if (!buffered_) return NextFromEngine(row);
    if (buffer_.empty()) return false;
    row = std::move(buffer_.front());
    buffer_.pop_front();
    return true;
  }
  void Buffer() {
    if (buffered_) return;
    TRow row;
    while (NextFromEngine(row)) buffer_.push_back(std::move(row));
    buffered_ = true;
  }
  bool Buffered() const { return buffered_; }

protected:
  virtual bool NextFromEngine(TRow& row) = 0;

private:
  bool buffered_ = false;
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
