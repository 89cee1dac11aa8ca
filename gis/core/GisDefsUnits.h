// Units of measure and their factors to metres (linear) or radians (angular).
#pragma once

#include <cstdint>

#include "platform/rtl/Types.h"

/// Codes 1-17 are linear (factor: metres per unit), 18-24 angular (factor:
/// radians per unit); 1 and 18 are custom units whose factor the caller gives.
enum TGIS_UnitsType : std::uint8_t {
  gisUnitsNone = 0,
  gisUnitsLinearCustom = 1,
  gisUnitsMeter = 2,
  gisUnitsKilometer = 3,
  gisUnitsFoot = 4,
  gisUnitsFootUS = 5,
  gisUnitsFootModifiedAmerican = 6,
  gisUnitsFootClarkes = 7,
  gisUnitsFootIndian = 8,
  gisUnitsLink = 9,
  gisUnitsLinkBenoit = 10,
  gisUnitsLinkSeras = 11,
  gisUnitsChainBenoit = 12,
  gisUnitsChainSears = 13,
  gisUnitsYardIndian = 14,
  gisUnitsYardSears = 15,
  gisUnitsFathom = 16,
  gisUnitsMileNautical = 17,
  gisUnitsAngularCustom = 18,
  gisUnitsRadian = 19,
  gisUnitsDegreeDecimal = 20,
  gisUnitsMinuteDecimal = 21,
  gisUnitsSecondDecimal = 22,
  gisUnitsGon = 23,
  gisUnitsGrad = 24,
};

/// The highest defined code.
inline constexpr int GIS_UNITS_MAX = 24;

/// The built-in factor of a code 0..24 (custom codes give 1).
Extended GisUnitsFactor(TGIS_UnitsType type);

/// A unit of measure: its code and its factor.
class TGIS_Units {
public:
  TGIS_Units() = default;
  /// Codes 1 and 18 take the given factor (SetCustom), every other code its
  /// built-in factor (SetType; the factor is ignored).
  TGIS_Units(TGIS_UnitsType type, Extended factor);

  TGIS_UnitsType Type() const { return type_; }
  Extended Factor() const { return factor_; }

  /// Sets the code and its built-in factor; a custom code (1, 18) or a code
  /// above 24 is stored with the factor left as it was.
  void SetType(TGIS_UnitsType type);
  /// Stores both unchanged; a factor of exactly 0 fails an assertion and
  /// changes nothing.
  void SetCustom(TGIS_UnitsType type, Extended factor);
  /// Copies code and factor through SetCustom.
  void Assign(const TGIS_Units& other);

private:
  TGIS_UnitsType type_ = gisUnitsNone;
  Extended factor_ = 1;
};
