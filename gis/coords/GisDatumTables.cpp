#include "gis/coords/GisDatumTables.h"

#include "gis/coords/GisDatumList.h"
#include "gis/coords/GisEllipsoid.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<TGIS_DatumList> g_datums;
std::unique_ptr<TGIS_EllipsoidList> g_ellipsoids;

void AddBuiltinDatums(TGIS_DatumList& list) {
  for (const TGIS_DatumRow& row : GisBuiltinDatumRows()) {
    std::array<double, 10> values;
    std::copy(std::begin(row.Values), std::end(row.Values), values.begin());
    if (row.Kind == gisDatumThreeParameter) {
      // An empty validity box would reject every point of the datum.
      SK_ASSERT(values[6] < values[7] && values[8] < values[9], "Empty validity box", "GisDatums",
                __LINE__);
    }
    list.AddDatum(row.Kind, row.Code, row.Description, row.EllipsoidCode, values);
  }
}

void AddBuiltinEllipsoids(TGIS_EllipsoidList& list) {
  for (const TGIS_EllipsoidRow& row : GisBuiltinEllipsoidRows()) {
    TGIS_Ellipsoid* added =
        list.AddEllipsoid(row.Code, row.Description, row.InverseFlattening, row.SemiMajorAxis);
    SK_ASSERT(added != nullptr, "Degenerate ellipsoid", "GisDatums", __LINE__);
  }
}

} // namespace

void GisBuildDatumTables() {
  if (!g_datums) {
    auto datums = std::make_unique<TGIS_DatumList>();
    AddBuiltinDatums(*datums);
    g_datums = std::move(datums);
  }
  if (!g_ellipsoids) {
    auto ellipsoids = std::make_unique<TGIS_EllipsoidList>();
    AddBuiltinEllipsoids(*ellipsoids);
    g_ellipsoids = std::move(ellipsoids);
  }
}

void GisFreeDatumTables() {
  g_datums.reset();
  g_ellipsoids.reset();
}

TGIS_DatumList& GisDatumList() {
  if (!g_datums) GisBuildDatumTables();
  return *g_datums;
}

TGIS_EllipsoidList& GisEllipsoidList() {
  if (!g_ellipsoids) GisBuildDatumTables();
  return *g_ellipsoids;
}
