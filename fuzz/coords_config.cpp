// The coordinate-system keys of layer configuration files ("Ellipsoid.*",
// "Datum.*", "Projection.*"): any section reads into an ellipsoid, a datum and
// a projection or raises the kernel's error, and what it gives converts points
// both ways without a fault (out-of-range results are warnings, not faults).
// New ellipsoids and datums go into lists of this input, so that inputs do
// not pile codes into the process-wide lists.

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/coords/GisDatumList.h"
#include "gis/coords/GisEllipsoid.h"
#include "gis/coords/GisProjectionList.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKernel.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"

namespace {

const TGIS_Point3D kPlaces[] = {{0, 0, 0},       {0.3, 0.9, 100}, {-3.1, -1.5, 0},
                                {3.14159, 1.5707963, 0}, {1e-300, 0, 0}, {-0.5, 0.7, -5000}};

void Convert(TGIS_ProjectionAbstract& p) {
  for (const TGIS_Point3D& place : kPlaces) {
    TGIS_Point3D map, back;
    p.Project(place, map);
    p.Unproject(map, back);
    p.Unproject(TGIS_Point3D{place.X * 1e6, place.Y * 1e6, 0}, back);
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  (void)GisProjectionList();
  (void)GisDatumList();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    TGIS_Ini ini(nullptr, "");
    TStringList lines;
    lines.SetText("[Vornakel Layer]\n" + skfuzz::Text(data, size));
    ini.IniFile().SetStrings(lines);
    ini.SelectSectionByName("Vornakel Layer");

    TGIS_EllipsoidList ellipsoids;
    (void)ellipsoids.LoadEllipsoid(ini);
    for (int i = 0; i < ellipsoids.Count(); ++i) {
      TGIS_Point3D geocentric, back;
      ellipsoids.GetEllipsoid(i)->GeodeticToGeocentric(kPlaces[1], geocentric);
      ellipsoids.GetEllipsoid(i)->GeocentricToGeodetic(geocentric, back);
    }
    TGIS_DatumList datums;
    (void)datums.LoadDatum(ini);
    for (int i = 0; i < datums.Count(); ++i) {
      TGIS_Point3D wgs, back;
      datums.GetDatum(i)->ToWGS84(kPlaces[1], wgs);
      datums.GetDatum(i)->FromWGS84(wgs, back);
    }
    if (TGIS_ProjectionAbstract* shared = GisProjectionList().LoadProjection(ini)) {
      std::unique_ptr<TGIS_ProjectionAbstract> copy = shared->CreateCopy();
      Convert(*copy);
    }
  } catch (const Exception&) {
  }
  return 0;
}
