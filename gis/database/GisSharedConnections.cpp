#include "gis/database/GisSharedConnections.h"

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/data/DataAccess.h"
#include "platform/rtl/Strings.h"

namespace {

std::unique_ptr<data::Connection> OpenConnection(const std::string& connectionString,
                                                 const std::string& user, const std::string& password) {
  auto c = std::make_unique<data::Connection>();
  c->Open(connectionString, user, password, 0);
  return c;
}

} // namespace

TGIS_SharedConnections::TGIS_SharedConnections() : opener_(OpenConnection) {}

TGIS_SharedConnections::~TGIS_SharedConnections() = default;

std::string TGIS_SharedConnections::Key(const std::string& connectionString) {
  const std::string file = data::DataSourceFile(connectionString);
  if (!file.empty()) return "FILE:" + file;
  std::string key = Trim(connectionString);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

data::Connection* TGIS_SharedConnections::Acquire(const std::string& connectionString,
                                                  const std::string& user, const std::string& password) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::string key = Key(connectionString);
  for (auto& e : entries_)
    if (e->Key == key) {
      ++e->UseCount;
      return e->Connection.get();
    }
  auto entry = std::make_unique<TEntry>();
  entry->Key = key;
  entry->UseCount = 1;
  entry->Connection = opener_(Trim(connectionString), user, password);
  data::Connection* result = entry->Connection.get();
  entries_.push_back(std::move(entry));
  return result;
}

void TGIS_SharedConnections::Release(data::Connection* connection) {
  if (connection == nullptr) return;
  std::lock_guard<std::mutex> guard(lock_);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i]->Connection.get() != connection) continue;
    if (--entries_[i]->UseCount <= 0) {
      if (entries_[i]->Connection->State() != 0) entries_[i]->Connection->Close();
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return;
  }
}

int TGIS_SharedConnections::Count() const {
  std::lock_guard<std::mutex> guard(lock_);
  return static_cast<int>(entries_.size());
}

void TGIS_SharedConnections::SetOpener(TOpener opener) {
  std::lock_guard<std::mutex> guard(lock_);
  opener_ = opener ? std::move(opener) : TOpener(OpenConnection);
}

TGIS_SharedConnections& GisSharedConnections() {
  static TGIS_SharedConnections registry;
  return registry;
}

data::Connection* GisAcquireLayerConnection(const std::string& connectionString,
                                            const std::string& engineName, bool mySql) {
  data::Connection* connection = GisSharedConnections().Acquire(connectionString, "", "");
  if (connection->Engine() == data::TEngine::PostgreSQL && engineName != "POSTGRES") {
    GisSharedConnections().Release(connection);
    throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDDIALECT, engineName, 0);
  }
  if (mySql) connection->SetCursorLocation(3);
  return connection;
}

Variant TGIS_DataAccessField::Value() const {
  return field_.Value();
}

int TGIS_DataAccessField::DataType() const {
  return field_.Type();
}

int TGIS_DataAccessField::NumericScale() const {
  return field_.NumericScale();
}
