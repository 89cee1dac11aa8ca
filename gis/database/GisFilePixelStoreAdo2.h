// The second-version pixel store over the data-access layer: a shared
// connection (GisSharedConnections.h), a query recordset and a table
// recordset.
#pragma once

#include "gis/database/GisFilePixelStore2.h"

#include <memory>

namespace data {
class Connection;
class Recordset;
} // namespace data

/// A floating value as MySQL keeps it: the number read back from its 14
/// significant digits ("%.14g"); other values unchanged.
Variant GisMySqlStoredFloat(const Variant& value);

class TGIS_FilePixelStoreAdo2 : public TGIS_FilePixelStoreAbstract2 {
public:
  TGIS_FilePixelStoreAdo2();
  ~TGIS_FilePixelStoreAdo2() override;

  void DbConnect() override;
  void DbDisconnect() override;
  void DbBeginTrans() override;
  void DbCommitTrans() override;
  void DbExecute(const std::string& sql) override;
  void QueryOpen(const std::string& sql) override;
  void QueryClose() override;
  void QueryFirst() override;
  void QueryNext() override;
  bool QueryEof() override;
  std::vector<std::uint8_t> QueryBlob(const std::string& column) override;
  Variant QueryField(const std::string& column) override;
  void TableOpen(const std::string& table, const std::string& condition) override;
  void TableOpenForWrite(const std::string& table, const std::string& condition) override;
  bool TableEof() override;
  void TableAppend(const std::string& table) override;
  void TablePost() override;
  void TableClose() override;
  void TableSetBlob(const std::string& column, const std::vector<std::uint8_t>& bytes) override;
  void TableSetField(const std::string& column, const Variant& value) override;
  bool IsAdoConfig(const std::string& path) override;
  /// A new store; first, when the configuration `path` names no existing
  /// file and gives no Layer, that file is written (Storage PixelStore2,
  /// Layer from the file name, Dialect MSJET, ADO naming "Layers.mdb" of its
  /// folder, or "<name>.mdb" when there is none, made when missing). The
  /// store is created also when writing the file failed; that failure is
  /// raised afterwards.
  void CreateNew(const std::string& path, int width, int height, const TGIS_Extent& extent,
                 int quality, int subFormat) override;

  /// The connection while connected (shared with other users of the same
  /// database).
  data::Connection* Connection() const { return connection_; }

private:
  data::Connection* connection_ = nullptr;
  std::unique_ptr<data::Recordset> query_;
  std::unique_ptr<data::Recordset> table_;
};
