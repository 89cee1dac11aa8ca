// Shared database connections: one open connection per database, counted by
// its users, in a process-wide registry.
//
// The key of a connection string naming a file (Jet, ACE and SQLite
// providers) is that file's absolute path, exact case, resolved when the
// connection is acquired: two folders' "Data Source=Layers.mdb" are two
// databases. Any other string's key is the string trimmed and upper-cased.
#pragma once

#include "gis/core/GisDefsVariants.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace data {
class Connection;
class Field;
} // namespace data

class TGIS_SharedConnections {
public:
  /// Opens a new connection (replaceable for tests); raises on failure.
  using TOpener = std::function<std::unique_ptr<data::Connection>(
      const std::string& connectionString, const std::string& user, const std::string& password)>;

  TGIS_SharedConnections();
  ~TGIS_SharedConnections();

  /// The open connection of the key of `connectionString`, opened when it is
  /// not registered yet. A failed open registers nothing and raises.
  data::Connection* Acquire(const std::string& connectionString, const std::string& user,
                            const std::string& password);
  /// One use given back (by identity); at zero uses the connection is closed.
  /// Unknown or null connections do nothing.
  void Release(data::Connection* connection);
  /// The number of registered connections.
  int Count() const;
  /// The key of a connection string.
  static std::string Key(const std::string& connectionString);
  void SetOpener(TOpener opener);

private:
  struct TEntry {
    std::string Key;
    int UseCount = 0;
    std::unique_ptr<data::Connection> Connection;
  };
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<TEntry>> entries_;
  TOpener opener_;
};

/// The process-wide registry (outlives every layer).
TGIS_SharedConnections& GisSharedConnections();

/// The shared connection of a database layer's connection string, for a
/// layer whose dialect engine is `engineName` ("MSJET", "POSTGRES" ...), with
/// the cursor location MySQL layers use when `mySql`. On PostgreSQL every
/// dialect but POSTGRES reads the server's system columns (xmin, xmax) as
/// its own bound columns, and the layer would end silently empty: such a
/// connection is given back at once and "0146 Unsupported dialect" raised.
data::Connection* GisAcquireLayerConnection(const std::string& connectionString,
                                            const std::string& engineName, bool mySql);

/// A data-access field as the kernel's value conversion reads it.
class TGIS_DataAccessField : public TGIS_AdoField {
public:
  explicit TGIS_DataAccessField(data::Field& field) : field_(field) {}
  Variant Value() const override;
  int DataType() const override;
  int NumericScale() const override;

private:
  data::Field& field_;
};
