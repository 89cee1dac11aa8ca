#include "gis/coords/GisDatumList.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

using gis_coords::kArcSecondsPerRadian;
using gis_coords::kRadiansPerDegree;

void SetWholeWorld(TGIS_Datum& d) {
  d.ValidityXMin = -std::numbers::pi;
  d.ValidityXMax = std::numbers::pi;
  d.ValidityYMin = -std::numbers::pi / 2;
  d.ValidityYMax = std::numbers::pi / 2;
}

} // namespace

TGIS_Datum* TGIS_DatumList::AddDatum(TGIS_DatumKind kind, const std::string& code,
                                     const std::string& description,
                                     const std::string& ellipsoidCode,
                                     const std::array<double, 10>& v) {
  auto d = std::make_unique<TGIS_Datum>();
  d->Kind = kind;
  d->Code = code;
  d->Description = description;
  d->EllipsoidCode = ellipsoidCode;
  d->Scale = 1.0;
  switch (kind) {
  case gisDatumThreeParameter:
    d->DeltaX = v[0];
    d->SigmaX = v[1];
    d->DeltaY = v[2];
    d->SigmaY = v[3];
    d->DeltaZ = v[4];
    d->SigmaZ = v[5];
    d->ValidityYMin = v[6] * kRadiansPerDegree;
    d->ValidityYMax = v[7] * kRadiansPerDegree;
    d->ValidityXMin = v[8] * kRadiansPerDegree;
    d->ValidityXMax = v[9] * kRadiansPerDegree;
    break;
  case gisDatumSevenParameter:
    d->DeltaX = v[0];
    d->DeltaY = v[1];
    d->DeltaZ = v[2];
    d->RotationX = v[3] / kArcSecondsPerRadian;
    d->RotationY = v[4] / kArcSecondsPerRadian;
    d->RotationZ = v[5] / kArcSecondsPerRadian;
    d->Scale = v[6];
    SetWholeWorld(*d);
    break;
  default:
    SetWholeWorld(*d);
    break;
  }
  return items_.Add(code, std::move(d));
}
