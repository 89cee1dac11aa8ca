#include "gis/coords/GisProjectionClasses.h"

#include "gis/coords/GisProjectionAlbers.h"
#include "gis/coords/GisProjectionBonne.h"
#include "gis/coords/GisProjectionCEA.h"
#include "gis/coords/GisProjectionCassini.h"
#include "gis/coords/GisProjectionEQC.h"
#include "gis/coords/GisProjectionEckert4.h"
#include "gis/coords/GisProjectionEckert6.h"
#include "gis/coords/GisProjectionGeocentric.h"
#include "gis/coords/GisProjectionGeodetic.h"
#include "gis/coords/GisProjectionGrinten.h"
#include "gis/coords/GisProjectionHotine.h"
#include "gis/coords/GisProjectionLambert.h"
#include "gis/coords/GisProjectionMercator.h"
#include "gis/coords/GisProjectionMillerCyl.h"
#include "gis/coords/GisProjectionNZMG.h"
#include "gis/coords/GisProjectionMollweide.h"
#include "gis/coords/GisProjectionOrthographic.h"
#include "gis/coords/GisProjectionPolarStereographic.h"
#include "gis/coords/GisProjectionPolyconic.h"
#include "gis/coords/GisProjectionRobinson.h"
#include "gis/coords/GisProjectionSinusoid.h"
#include "gis/coords/GisProjectionTCEA.h"
#include "gis/coords/GisProjectionTransverseMercator.h"
#include "gis/coords/GisProjectionUTM.h"
#include "gis/coords/GisProjectionWagner4.h"
#include "gis/coords/GisProjectionWagner7.h"

namespace {

template <class T> std::unique_ptr<TGIS_ProjectionAbstract> Construct() {
  return std::make_unique<T>();
}

const TGIS_ProjectionClass kClasses[] = {
    {"TGIS_ProjectionGeodetic", Construct<TGIS_ProjectionGeodetic>},
    {"TGIS_ProjectionGeocentric", Construct<TGIS_ProjectionGeocentric>},
    {"TGIS_ProjectionAlbers", Construct<TGIS_ProjectionAlbers>},
    {"TGIS_ProjectionMercator", Construct<TGIS_ProjectionMercator>},
    {"TGIS_ProjectionBonne", Construct<TGIS_ProjectionBonne>},
    {"TGIS_ProjectionPolyconic", Construct<TGIS_ProjectionPolyconic>},
    {"TGIS_ProjectionSinusoid", Construct<TGIS_ProjectionSinusoid>},
    {"TGIS_ProjectionCassini", Construct<TGIS_ProjectionCassini>},
    {"TGIS_ProjectionTCEA", Construct<TGIS_ProjectionTCEA>},
    {"TGIS_ProjectionCEA", Construct<TGIS_ProjectionCEA>},
    {"TGIS_ProjectionEQC", Construct<TGIS_ProjectionEQC>},
    {"TGIS_ProjectionMillerCyl", Construct<TGIS_ProjectionMillerCyl>},
    {"TGIS_ProjectionMollweide", Construct<TGIS_ProjectionMollweide>},
    {"TGIS_ProjectionEckert4", Construct<TGIS_ProjectionEckert4>},
    {"TGIS_ProjectionEckert6", Construct<TGIS_ProjectionEckert6>},
    {"TGIS_ProjectionWagner4", Construct<TGIS_ProjectionWagner4>},
    {"TGIS_ProjectionWagner7", Construct<TGIS_ProjectionWagner7>},
    {"TGIS_ProjectionNZMG", Construct<TGIS_ProjectionNZMG>},
    {"TGIS_ProjectionLambert", Construct<TGIS_ProjectionLambert>},
    {"TGIS_ProjectionOrthographic", Construct<TGIS_ProjectionOrthographic>},
    {"TGIS_ProjectionPolarStereographic", Construct<TGIS_ProjectionPolarStereographic>},
    {"TGIS_ProjectionTransverseMercator", Construct<TGIS_ProjectionTransverseMercator>},
    {"TGIS_ProjectionUTM", Construct<TGIS_ProjectionUTM>},
    {"TGIS_ProjectionRobinson", Construct<TGIS_ProjectionRobinson>},
    {"TGIS_ProjectionGrinten", Construct<TGIS_ProjectionGrinten>},
    {"TGIS_ProjectionHotine", Construct<TGIS_ProjectionHotine>},
    {"TGIS_ProjectionHotine2", Construct<TGIS_ProjectionHotine2>},
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
