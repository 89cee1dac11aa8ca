#include "gis/core/GisDefsUnits.h"

#include <numbers>

#include "platform/rtl/Exceptions.h"

Extended GisUnitsFactor(TGIS_UnitsType type) {
  constexpr Extended pi = std::numbers::pi_v<long double>;
  switch (type) {
  case gisUnitsMeter:
    return 1;
  case gisUnitsKilometer:
    return 1000;
  case gisUnitsFoot:
    return 0.3048L;
  case gisUnitsFootUS:
    return 1200.0L / 3937.0L;
  case gisUnitsFootModifiedAmerican:
    return 0.304812252984506L;
  case gisUnitsFootClarkes:
    return 0.3047972651150996L;
  case gisUnitsFootIndian:
    return 0.30479951799004223L;
  case gisUnitsLink:
    return 0.20116619497596572L;
  case gisUnitsLinkBenoit:
    return 0.20116782494375873L;
  case gisUnitsLinkSeras:
    return 0.20116765121552632L;
  case gisUnitsChainBenoit:
    return 20.116782494375872L;
  case gisUnitsChainSears:
    return 20.116765121552632L;
  case gisUnitsYardIndian:
    return 0.9143985539701267L;
  case gisUnitsYardSears:
    return 0.9143984146160288L;
  case gisUnitsFathom:
    return 1.8288L;
  case gisUnitsMileNautical:
    return 1852;
  case gisUnitsRadian:
    return 1;
  case gisUnitsDegreeDecimal:
    return pi / 180;
  case gisUnitsMinuteDecimal:
    return pi / 10800;
  case gisUnitsSecondDecimal:
    return pi / 648000;
  case gisUnitsGon:
    return pi / 200;
  case gisUnitsGrad:
    return pi / 200;
  default:
    return 1;
  }
}

TGIS_Units::TGIS_Units(TGIS_UnitsType type, Extended factor) {
  if (type == gisUnitsLinearCustom || type == gisUnitsAngularCustom)
    SetCustom(type, factor);
  else
    SetType(type);
}

void TGIS_Units::SetType(TGIS_UnitsType type) {
  type_ = type;
  if (type <= GIS_UNITS_MAX && type != gisUnitsLinearCustom && type != gisUnitsAngularCustom)
    factor_ = GisUnitsFactor(type);
}

void TGIS_Units::SetCustom(TGIS_UnitsType type, Extended factor) {
  SK_ASSERT(factor != 0, "", "GisDefs", 2140);
  type_ = type;
  factor_ = factor;
}

void TGIS_Units::Assign(const TGIS_Units& other) {
  SetCustom(other.type_, other.factor_);
}
