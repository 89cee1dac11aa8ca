#include "gis/coords/GisProjectionUTM.h"

#include "gis/coords/GisCoordsKernel.h"

#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr double kNorthLimit = 1.4748032179352085;  // 84.5°
constexpr double kSouthLimit = -1.4049900478554354; // -80.5°
constexpr double kFalseEasting = 500000;
constexpr double kSouthFalseNorthing = 10000000;
constexpr double kScale = 0.9996;
constexpr double kMinEasting = 100000;
constexpr double kMaxEasting = 900000;

bool Inside(double value, double low, double high) {
  return value >= low && value <= high; // false for NaN
}

/// The zone of a point; the longitude in [0, 2π), both finite.
int32_t ZoneOfPoint(double longitude, double latitude) {
  const double lonDeg = longitude * 180 / std::numbers::pi;
  const double latDeg = latitude * 180 / std::numbers::pi;
  const int lonWhole = static_cast<int>(lonDeg);
  const int latWhole = static_cast<int>(latDeg);
  int32_t z = longitude < std::numbers::pi ? static_cast<int32_t>(lonDeg / 6 + 31 + 5e-8)
                              : static_cast<int32_t>(lonDeg / 6 - 29 + 5e-8);
  if (z > 60) z = 1;
  struct Exception {
    int LatAbove, LatBelow, LonAbove, LonBelow;
    int32_t Zone;
  };
  static constexpr Exception kExceptions[] = {
      {55, 64, -1, 3, 31},   {55, 64, 2, 12, 32},    {71, 1000, -1, 9, 31},
      {71, 1000, 8, 21, 33}, {71, 1000, 20, 33, 35}, {71, 1000, 32, 42, 37},
  };
  for (const Exception& x : kExceptions)
    if (latWhole > x.LatAbove && latWhole < x.LatBelow && lonWhole > x.LonAbove &&
        lonWhole < x.LonBelow)
      z = x.Zone;
  return latitude >= 0 ? z : -z;
}

double ZoneMeridian(int32_t zone) {
  const int32_t z = zone < 0 ? -zone : zone;
  const double degrees = z <= 30 ? 6.0 * z + 177 : 6.0 * z - 183;
  return degrees * std::numbers::pi / 180;
}

} // namespace

TGIS_ProjectionUTM::TGIS_ProjectionUTM()
    : inner_(std::make_unique<TGIS_ProjectionTransverseMercator>()) {
  UpdateConstants();
}

TGIS_ProjectionUTM::~TGIS_ProjectionUTM() = default;

void TGIS_ProjectionUTM::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  if (parameters.Zone == INT32_MIN || std::abs(parameters.Zone) > 60)
    gis_coords::RaiseGis(GIS_RS_ERR_ZONE_INVALID, "", parameters.Zone);
  Zone = parameters.Zone;
  UpdateConstants();
}

void TGIS_ProjectionUTM::SetZoneFields() {
  OriginLatitude = 0;
  FalseEasting = kFalseEasting;
  ScaleFactor = kScale;
  CentralMeridian = ZoneMeridian(Zone);
  // The hemisphere follows the zone's sign both ways, so that what Project
  // writes Unproject reads back.
  FalseNorthing = Zone < 0 ? kSouthFalseNorthing : 0;
}

TGIS_ProjectionTransverseMercator& TGIS_ProjectionUTM::ZoneProjection() {
  if (innerZone_ != Zone || innerDatum_ != Datum()) {
    inner_->SetDatum(Datum());
    TGIS_ProjectionSetUp p = inner_->Parameters();
    p.CentralMeridian = CentralMeridian;
    p.OriginLatitude = 0;
    p.FalseEasting = FalseEasting;
    p.FalseNorthing = FalseNorthing;
    p.ScaleFactor = kScale;
    inner_->SetUp(p);
    innerZone_ = Zone;
    innerDatum_ = Datum();
  }
  return *inner_;
}

void TGIS_ProjectionUTM::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double latitude = input.Y;
  double longitude = input.X;
  if (!Inside(latitude, -kNorthLimit, kNorthLimit))
    gis_coords::RaiseGis(GIS_RS_ERR_LATITUDE_INVALID, gis_coords::FloatText(latitude));
  if (!Inside(longitude, -std::numbers::pi, 2 * std::numbers::pi))
    gis_coords::RaiseGis(GIS_RS_ERR_LONGITUDE_INVALID, gis_coords::FloatText(longitude));
  if (longitude < 0) longitude += 2 * std::numbers::pi;
  if (Zone == 0) Zone = ZoneOfPoint(longitude, latitude);
  SetZoneFields();

  TGIS_Point3D result = input;
  ZoneProjection().Project(input, result);
  if (!Inside(result.X, kMinEasting, kMaxEasting) || !Inside(result.Y, 0, kSouthFalseNorthing))
    gis_coords::RaiseGis(GIS_RS_ERR_ZONE_INVALID, "", Zone);
  output.X = result.X;
  output.Y = result.Y;
  output.Z = result.Z;
}

void TGIS_ProjectionUTM::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  if (!Inside(input.X, kMinEasting, kMaxEasting))
    gis_coords::RaiseGis(GIS_RS_ERR_EASTING_INVALID, gis_coords::FloatText(input.X));
  if (!Inside(input.Y, 0, kSouthFalseNorthing))
    gis_coords::RaiseGis(GIS_RS_ERR_NORTHING_INVALID, gis_coords::FloatText(input.Y));
  // Without a zone there is no meridian to invert around.
  if (Zone == 0) gis_coords::RaiseGis(GIS_RS_ERR_ZONE_INVALID, "", 0);
  SetZoneFields();

  TGIS_Point3D result = input;
  ZoneProjection().Unproject(input, result);
  if (!Inside(result.Y, kSouthLimit, kNorthLimit))
    gis_coords::RaiseGis(GIS_RS_ERR_ZONE_INVALID, "", Zone);
  output.X = result.X;
  output.Y = result.Y;
  output.Z = result.Z;
}
