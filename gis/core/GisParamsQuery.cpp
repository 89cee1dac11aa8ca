// The compiled attribute expressions that style sections hold.

#include "gis/core/GisParamsQuery.h"

#include "gis/core/GisResource.h"

namespace {

TGIS_SqlQueryFactory& Factory() {
  static TGIS_SqlQueryFactory factory;
  return factory;
}

} // namespace

void GisSetSqlQueryFactory(TGIS_SqlQueryFactory factory) {
  Factory() = std::move(factory);
}

std::unique_ptr<TGIS_SqlQueryAbstract> GisCompileSqlQuery(const std::string& text) {
  if (!Factory()) throw EGIS_Exception(GIS_RS_ERR_SQLQUERY, text);
  std::unique_ptr<TGIS_SqlQueryAbstract> query = Factory()();
  query->SetText(text);
  return query;
}
