#include "gis/coords/GisProjectionClasses.h"

#include "gis/coords/GisProjectionGeocentric.h"
#include "gis/coords/GisProjectionGeodetic.h"

namespace {

template <class T> std::unique_ptr<TGIS_ProjectionAbstract> Construct() {
  return std::make_unique<T>();
}

const TGIS_ProjectionClass kClasses[] = {
    {"TGIS_ProjectionGeodetic", Construct<TGIS_ProjectionGeodetic>},
    {"TGIS_ProjectionGeocentric", Construct<TGIS_ProjectionGeocentric>},
};

} // namespace

std::span<const TGIS_ProjectionClass> GisProjectionClasses() {
  return kClasses;
}

const TGIS_ProjectionClass* GisFindProjectionClass(std::string_view className) {
  for (const TGIS_ProjectionClass& c : kClasses)
    if (className == c.ClassName) return &c;
  return nullptr;
}
