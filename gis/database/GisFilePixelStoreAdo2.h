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

  /// The connection while connected (shared with other users of the same
  /// database).
  data::Connection* Connection() const { return connection_; }

private:
  data::Connection* connection_ = nullptr;
  std::unique_ptr<data::Recordset> query_;
  std::unique_ptr<data::Recordset> table_;
};
