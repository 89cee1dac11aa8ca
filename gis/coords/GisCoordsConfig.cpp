// The coordinate-system keys of layer configuration files: the "Ellipsoid.*",
// "Datum.*" and "Projection.*" keys, read and written through the kernel's
// typed ini in the section the caller has selected.
#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumList.h"
#include "gis/coords/GisEllipsoid.h"
#include "gis/coords/GisProjectionList.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKeywords.h"
#include "platform/rtl/Strings.h"

#include <cmath>
#include <limits>

using namespace gis_coords;

namespace {

/// Reads the numeric keys of one definition. A key that is missing, empty
/// or "nil" gives its default; one whose text is no number makes the whole
/// definition unsound (Sound() false), so that nothing is registered from
/// it instead of a value silently taken as 0.
class TNumberKeys {
public:
  explicit TNumberKeys(TGIS_Ini& ini) : ini_(ini) {}
  double Read(const std::string& key, double defaultValue) {
    const std::string text = ini_.ReadRaw(key);
    const double value = GisIniStrToFloat(text, std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(value)) return value;
    if (!text.empty() && !SameText(Trim(text), GIS_INI_NIL)) sound_ = false;
    return defaultValue;
  }
  bool Sound() const { return sound_; }

private:
  TGIS_Ini& ini_;
  bool sound_ = true;
};

/// Numbers kept as they are written go out in the shortest form that reads
/// back to the same double: an angle of exactly pi stays on its edge. (The
/// datum's rotations and box are converted from radians on the way out, and
/// their 15 digits read back to the same radians.)
void WriteExact(TGIS_Ini& ini, const std::string& key, double value) {
  ini.WriteRaw(key, GisFloatToStrExact(value));
}

/// Datum scales are parts per million; a value this close to 1 (and not 1
/// itself, which three-parameter datums are written with) is a scale factor
/// written as 1 + s, and is read as such.
double ScaleInPartsPerMillion(double value) {
  constexpr double kFactorBand = 1e-4; // 100 ppm: no datum scale comes near
  if (value != 1 && std::abs(value - 1) <= kFactorBand) return (value - 1) * 1e6;
  return value;
}

} // namespace

TGIS_Ellipsoid* TGIS_EllipsoidList::LoadEllipsoid(TGIS_Ini& ini) {
  const std::string code = ini.ReadString("Ellipsoid.Code", "");
  if (TGIS_Ellipsoid* listed = FindEllipsoid(code)) return listed;

  const std::string description = ini.ReadString("Ellipsoid.Description", "");
  TNumberKeys numbers(ini);
  const double semiMajor = numbers.Read("Ellipsoid.SemiMajor", 0);
  const double flattening = numbers.Read("Ellipsoid.Flattering", 0);
  if (code.empty() || !numbers.Sound()) return nullptr;

  // The key holds f in files written by SaveEllipsoid; hand-written files
  // may hold 1/f. A negative or non-finite value is rejected below.
  long double inverse;
  if (flattening > 0 && flattening < 1)
    inverse = 1 / static_cast<long double>(flattening);
  else
    inverse = flattening; // 0 (a sphere), 1/f, or a value AddEllipsoid rejects
  AddEllipsoid(code, description, inverse, semiMajor);
  return nullptr;
}

void TGIS_EllipsoidList::SaveEllipsoid(TGIS_Ini& ini, const std::string& code) const {
  const TGIS_Ellipsoid* e = FindEllipsoid(code);
  if (!e) return;
  ini.WriteString("Ellipsoid.Code", e->Code);
  ini.WriteString("Ellipsoid.Description", e->Description);
  WriteExact(ini, "Ellipsoid.SemiMajor", static_cast<double>(e->SemiMajorAxis));
  WriteExact(ini, "Ellipsoid.Flattering", static_cast<double>(e->Flattening));
}

TGIS_Datum* TGIS_DatumList::LoadDatum(TGIS_Ini& ini) {
  const std::string code = ini.ReadString("Datum.Code", "");
  if (TGIS_Datum* listed = FindDatum(code)) return listed;

  const std::string description = ini.ReadString("Datum.Description", "");
  const std::string ellipsoid = ini.ReadString("Datum.Ellipsoid", "");
  TNumberKeys numbers(ini);
  const double dx = numbers.Read("Datum.Delta.X", 0);
  const double dy = numbers.Read("Datum.Delta.Y", 0);
  const double dz = numbers.Read("Datum.Delta.Z", 0);
  const double sx = numbers.Read("Datum.Sigma.X", 0);
  const double sy = numbers.Read("Datum.Sigma.Y", 0);
  const double sz = numbers.Read("Datum.Sigma.Z", 0);
  const double rx = numbers.Read("Datum.Rotation.X", 0);
  const double ry = numbers.Read("Datum.Rotation.Y", 0);
  const double rz = numbers.Read("Datum.Rotation.Z", 0);
  const double ymin = numbers.Read("Datum.Validity.YMin", 0);
  const double ymax = numbers.Read("Datum.Validity.YMax", 0);
  const double xmin = numbers.Read("Datum.Validity.XMin", 0);
  const double xmax = numbers.Read("Datum.Validity.XMax", 0);
  const double scale = ScaleInPartsPerMillion(numbers.Read("Datum.Scale", 0));
  if (code.empty() || !numbers.Sound()) return nullptr;

  // A three-parameter datum is written with Scale 1.0 and a hand-written
  // one has no Scale key, so any other scale marks a seven-parameter datum
  // even when its rotations are all 0.
  if (rx != 0 || ry != 0 || rz != 0 || (scale != 0 && scale != 1))
    AddDatum(gisDatumSevenParameter, code, description, ellipsoid,
             {dx, dy, dz, rx, ry, rz, scale, 0, 0, 0});
  else
    AddDatum(gisDatumThreeParameter, code, description, ellipsoid,
             {dx, sx, dy, sy, dz, sz, ymin, ymax, xmin, xmax});
  return nullptr;
}

void TGIS_DatumList::SaveDatum(TGIS_Ini& ini, const std::string& code) const {
  const TGIS_Datum* d = FindDatum(code);
  if (!d) return;
  ini.WriteString("Datum.Code", d->Code);
  ini.WriteString("Datum.Description", d->Description);
  ini.WriteString("Datum.Ellipsoid", d->EllipsoidCode);
  WriteExact(ini, "Datum.Delta.X", d->DeltaX);
  WriteExact(ini, "Datum.Delta.Y", d->DeltaY);
  WriteExact(ini, "Datum.Delta.Z", d->DeltaZ);
  WriteExact(ini, "Datum.Sigma.X", d->SigmaX);
  WriteExact(ini, "Datum.Sigma.Y", d->SigmaY);
  WriteExact(ini, "Datum.Sigma.Z", d->SigmaZ);
  ini.WriteFloat("Datum.Rotation.X", d->RotationX * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Rotation.Y", d->RotationY * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Rotation.Z", d->RotationZ * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Validity.YMin", d->ValidityYMin / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.YMax", d->ValidityYMax / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.XMin", d->ValidityXMin / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.XMax", d->ValidityXMax / kRadiansPerDegree);
  WriteExact(ini, "Datum.Scale", d->Scale);
}

void TGIS_ProjectionAbstract::ReadParameters(TGIS_Ini& ini) {
  try {
    const std::string code = UpperCode(ini.ReadString("Projection.Code", GetCode()));
    if (code != GetCode()) throw EGIS_Exception(GIS_RS_ERR_INI_PARAMS);

    const std::string datumCode =
        UpperCode(ini.ReadString("Projection.Datum", datum_ ? datum_->Code : std::string()));
    TGIS_Datum* datum = GisDatumList().FindDatum(datumCode);
    if (!datum) throw EGIS_Exception(GIS_RS_ERR_INI_PARAMS);
    SetDatum(datum);

    TGIS_ProjectionSetUp p = Parameters();
    p.CentralMeridian = ini.ReadFloat("Projection.CentralMeridian", p.CentralMeridian);
    p.OriginLatitude = ini.ReadFloat("Projection.OriginLatitude", p.OriginLatitude);
    p.FalseEasting = ini.ReadFloat("Projection.FalseEasting", p.FalseEasting);
    p.FalseNorthing = ini.ReadFloat("Projection.FalseNorthing", p.FalseNorthing);
    p.StandardParallel1 = ini.ReadFloat("Projection.StandardParalell_1", p.StandardParallel1);
    p.StandardParallel2 = ini.ReadFloat("Projection.StandardParalell_2", p.StandardParallel2);
    p.Zone = ini.ReadInteger("Projection.Zone", p.Zone);
    p.ScaleFactor = ini.ReadFloat("Projection.ScaleFactor", p.ScaleFactor);
    p.LongitudeOfCenter = ini.ReadFloat("Projection.LongitudeOfCenter", p.LongitudeOfCenter);
    p.LatitudeOfCenter = ini.ReadFloat("Projection.LatitudeOfCenter", p.LatitudeOfCenter);
    p.Azimuth = ini.ReadFloat("Projection.Azimuth", p.Azimuth);
    p.LongitudeOfPoint1 = ini.ReadFloat("Projection.LongitudeOfPoint_1", p.LongitudeOfPoint1);
    p.LatitudeOfPoint1 = ini.ReadFloat("Projection.LatitudeOfPoint_1", p.LatitudeOfPoint1);
    p.LongitudeOfPoint2 = ini.ReadFloat("Projection.LongitudeOfPoint_2", p.LongitudeOfPoint2);
    p.LatitudeOfPoint2 = ini.ReadFloat("Projection.LatitudeOfPoint_2", p.LatitudeOfPoint2);
    SetUp(p);
    KeepCentre(p.LongitudeOfCenter, p.LatitudeOfCenter);
  } catch (...) {
    throw EGIS_Exception(GIS_RS_ERR_INI_PARAMS);
  }
}

void TGIS_ProjectionAbstract::WriteParameters(TGIS_Ini& ini) const {
  const TGIS_ProjectionSetUp p = Parameters();
  ini.WriteString("Projection.Code", GetCode());
  ini.WriteString("Projection.Datum", datum_ ? datum_->Code : std::string());
  WriteExact(ini, "Projection.CentralMeridian", p.CentralMeridian);
  WriteExact(ini, "Projection.OriginLatitude", p.OriginLatitude);
  WriteExact(ini, "Projection.FalseEasting", p.FalseEasting);
  WriteExact(ini, "Projection.FalseNorthing", p.FalseNorthing);
  WriteExact(ini, "Projection.StandardParalell_1", p.StandardParallel1);
  WriteExact(ini, "Projection.StandardParalell_2", p.StandardParallel2);
  ini.WriteInteger("Projection.Zone", p.Zone);
  WriteExact(ini, "Projection.ScaleFactor", p.ScaleFactor);
  WriteExact(ini, "Projection.LongitudeOfCenter", p.LongitudeOfCenter);
  WriteExact(ini, "Projection.LatitudeOfCenter", p.LatitudeOfCenter);
  WriteExact(ini, "Projection.Azimuth", p.Azimuth);
  WriteExact(ini, "Projection.LongitudeOfPoint_1", p.LongitudeOfPoint1);
  WriteExact(ini, "Projection.LatitudeOfPoint_1", p.LatitudeOfPoint1);
  WriteExact(ini, "Projection.LongitudeOfPoint_2", p.LongitudeOfPoint2);
  WriteExact(ini, "Projection.LatitudeOfPoint_2", p.LatitudeOfPoint2);
}

TGIS_ProjectionAbstract* TGIS_ProjectionList::LoadProjection(TGIS_Ini& ini) {
  const std::string code = ini.ReadString("Projection.Code", "");
  if (code.empty()) return nullptr;
  TGIS_ProjectionAbstract* projection = FindProjection(code);
  if (!projection) return nullptr;
  projection->ReadParameters(ini);
  return projection;
}

void TGIS_ProjectionList::SaveProjection(TGIS_Ini& ini,
                                         const TGIS_ProjectionAbstract* projection) const {
  if (projection)
    projection->WriteParameters(ini);
  else
    ini.WriteString("Projection.Code", "");
}
