#include "gis/coords/GisProjectionTable.h"

#include "gis/coords/GisCodeList.h"

const TGIS_ProjectionRow* GisFindProjectionRow(std::string_view code) {
  for (const TGIS_ProjectionRow& row : GisProjectionTableRows())
    if (gis_coords::CompareCodes(row.Code, code) == 0) return &row;
  return nullptr;
}
