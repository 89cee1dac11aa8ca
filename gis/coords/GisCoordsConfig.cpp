// The coordinate-system keys of layer configuration files: the "Ellipsoid.*",
// "Datum.*" and "Projection.*" keys, read and written through the kernel's
// typed ini in the section the caller has selected.
#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumList.h"
#include "gis/coords/GisEllipsoid.h"
#include "gis/coords/GisProjectionList.h"
#include "gis/core/GisIni.h"

using namespace gis_coords;

TGIS_Ellipsoid* TGIS_EllipsoidList::LoadEllipsoid(TGIS_Ini& ini) {
  const std::string code = ini.ReadString("Ellipsoid.Code", "");
  if (TGIS_Ellipsoid* listed = FindEllipsoid(code)) return listed;

  const std::string description = ini.ReadString("Ellipsoid.Description", "");
  const double semiMajor = ini.ReadFloat("Ellipsoid.SemiMajor", 0);
  const double flattening = ini.ReadFloat("Ellipsoid.Flattering", 0);
  if (code.empty()) return nullptr;

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
  ini.WriteFloat("Ellipsoid.SemiMajor", static_cast<double>(e->SemiMajorAxis));
  ini.WriteFloat("Ellipsoid.Flattering", static_cast<double>(e->Flattening));
}

TGIS_Datum* TGIS_DatumList::LoadDatum(TGIS_Ini& ini) {
  const std::string code = ini.ReadString("Datum.Code", "");
  if (TGIS_Datum* listed = FindDatum(code)) return listed;

  const std::string description = ini.ReadString("Datum.Description", "");
  const std::string ellipsoid = ini.ReadString("Datum.Ellipsoid", "");
  const double dx = ini.ReadFloat("Datum.Delta.X", 0);
  const double dy = ini.ReadFloat("Datum.Delta.Y", 0);
  const double dz = ini.ReadFloat("Datum.Delta.Z", 0);
  const double sx = ini.ReadFloat("Datum.Sigma.X", 0);
  const double sy = ini.ReadFloat("Datum.Sigma.Y", 0);
  const double sz = ini.ReadFloat("Datum.Sigma.Z", 0);
  const double rx = ini.ReadFloat("Datum.Rotation.X", 0);
  const double ry = ini.ReadFloat("Datum.Rotation.Y", 0);
  const double rz = ini.ReadFloat("Datum.Rotation.Z", 0);
  const double ymin = ini.ReadFloat("Datum.Validity.YMin", 0);
  const double ymax = ini.ReadFloat("Datum.Validity.YMax", 0);
  const double xmin = ini.ReadFloat("Datum.Validity.XMin", 0);
  const double xmax = ini.ReadFloat("Datum.Validity.XMax", 0);
  const double scale = ini.ReadFloat("Datum.Scale", 0);
  if (code.empty()) return nullptr;

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
  ini.WriteFloat("Datum.Delta.X", d->DeltaX);
  ini.WriteFloat("Datum.Delta.Y", d->DeltaY);
  ini.WriteFloat("Datum.Delta.Z", d->DeltaZ);
  ini.WriteFloat("Datum.Sigma.X", d->SigmaX);
  ini.WriteFloat("Datum.Sigma.Y", d->SigmaY);
  ini.WriteFloat("Datum.Sigma.Z", d->SigmaZ);
  ini.WriteFloat("Datum.Rotation.X", d->RotationX * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Rotation.Y", d->RotationY * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Rotation.Z", d->RotationZ * kArcSecondsPerRadian);
  ini.WriteFloat("Datum.Validity.YMin", d->ValidityYMin / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.YMax", d->ValidityYMax / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.XMin", d->ValidityXMin / kRadiansPerDegree);
  ini.WriteFloat("Datum.Validity.XMax", d->ValidityXMax / kRadiansPerDegree);
  ini.WriteFloat("Datum.Scale", d->Scale);
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
  ini.WriteFloat("Projection.CentralMeridian", p.CentralMeridian);
  ini.WriteFloat("Projection.OriginLatitude", p.OriginLatitude);
  ini.WriteFloat("Projection.FalseEasting", p.FalseEasting);
  ini.WriteFloat("Projection.FalseNorthing", p.FalseNorthing);
  ini.WriteFloat("Projection.StandardParalell_1", p.StandardParallel1);
  ini.WriteFloat("Projection.StandardParalell_2", p.StandardParallel2);
  ini.WriteInteger("Projection.Zone", p.Zone);
  ini.WriteFloat("Projection.ScaleFactor", p.ScaleFactor);
  ini.WriteFloat("Projection.LongitudeOfCenter", p.LongitudeOfCenter);
  ini.WriteFloat("Projection.LatitudeOfCenter", p.LatitudeOfCenter);
  ini.WriteFloat("Projection.Azimuth", p.Azimuth);
  ini.WriteFloat("Projection.LongitudeOfPoint_1", p.LongitudeOfPoint1);
  ini.WriteFloat("Projection.LatitudeOfPoint_1", p.LatitudeOfPoint1);
  ini.WriteFloat("Projection.LongitudeOfPoint_2", p.LongitudeOfPoint2);
  ini.WriteFloat("Projection.LatitudeOfPoint_2", p.LatitudeOfPoint2);
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
