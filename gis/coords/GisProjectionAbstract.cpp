#include "gis/coords/GisProjectionAbstract.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumList.h"
#include "gis/coords/GisEllipsoid.h"

#include <cmath>
#include <numbers>

namespace {


} // namespace

TGIS_ProjectionAbstract::TGIS_ProjectionAbstract() {
  datum_ = GisDatumList().DefaultDatum();
  if (datum_) ellipsoid_ = GisEllipsoidList().FindEllipsoid(datum_->EllipsoidCode);
}

TGIS_ProjectionAbstract::~TGIS_ProjectionAbstract() = default;

void TGIS_ProjectionAbstract::UpdateConstants() {
  if (!datum_) gis_coords::RaiseGis(GIS_RS_ERR_ELLIPSOID_NOEXIST, "");
  TGIS_Ellipsoid& e = datum_->GetEllipsoid();
  ellipsoid_ = &e;
  A = e.SemiMajorAxis;
  B = e.SemiMinorAxis;
  A2 = e.SemiMajorAxisSq;
  B2 = e.SemiMinorAxisSq;
  E2 = e.EccentricitySq;
  E = e.Eccentricity;
  EP2 = e.SecondEccentricitySq;
}

void TGIS_ProjectionAbstract::SetUp(const TGIS_ProjectionSetUp&) {
  UpdateConstants();
}

void TGIS_ProjectionAbstract::CopyExtraState(TGIS_ProjectionAbstract&) const {}

void TGIS_ProjectionAbstract::AddWarning(const std::string& text) {
  if (warningFlag_ == 0) {
    warnings_.clear();
    warningFlag_ = 1;
  }
  if (text.empty()) {
    warnings_.clear();
    return;
  }
  if (!warnings_.empty()) warnings_ += '\r';
  warnings_ += text;
}

void TGIS_ProjectionAbstract::SetDatum(TGIS_Datum* datum) {
  if (!datum || datum == datum_) return;
  datum_ = datum;
  UpdateConstants();
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionAbstract::CreateCopy() const {
  std::unique_ptr<TGIS_ProjectionAbstract> copy = Create();
  copy->SetDatum(datum_);
  copy->SetUp(Parameters());
  copy->KeepCentre(LongitudeOfCenter, LatitudeOfCenter);
  CopyExtraState(*copy);
  return copy;
}

TGIS_ProjectionSetUp TGIS_ProjectionAbstract::Parameters() const {
  TGIS_ProjectionSetUp p;
  p.CentralMeridian = CentralMeridian;
  p.OriginLatitude = OriginLatitude;
  p.FalseEasting = FalseEasting;
  p.FalseNorthing = FalseNorthing;
  p.StandardParallel1 = StandardParallel1;
  p.StandardParallel2 = StandardParallel2;
  p.ScaleFactor = ScaleFactor;
  p.LongitudeOfCenter = LongitudeOfCenter;
  p.LatitudeOfCenter = LatitudeOfCenter;
  p.Azimuth = Azimuth;
  p.LongitudeOfPoint1 = LongitudeOfPoint1;
  p.LatitudeOfPoint1 = LatitudeOfPoint1;
  p.LongitudeOfPoint2 = LongitudeOfPoint2;
  p.LatitudeOfPoint2 = LatitudeOfPoint2;
  p.Zone = Zone;
  return p;
}

void TGIS_ProjectionAbstract::KeepCentre(double longitude, double latitude) {
  LongitudeOfCenter = longitude;
  LatitudeOfCenter = latitude;
}

void TGIS_ProjectionAbstract::StoreParameters(const TGIS_ProjectionSetUp& p) {
  CentralMeridian = p.CentralMeridian;
  OriginLatitude = p.OriginLatitude;
  FalseEasting = p.FalseEasting;
  FalseNorthing = p.FalseNorthing;
  StandardParallel1 = p.StandardParallel1;
  StandardParallel2 = p.StandardParallel2;
  ScaleFactor = p.ScaleFactor;
  LongitudeOfCenter = p.LongitudeOfCenter;
  LatitudeOfCenter = p.LatitudeOfCenter;
  Azimuth = p.Azimuth;
  LongitudeOfPoint1 = p.LongitudeOfPoint1;
  LatitudeOfPoint1 = p.LatitudeOfPoint1;
  LongitudeOfPoint2 = p.LongitudeOfPoint2;
  LatitudeOfPoint2 = p.LatitudeOfPoint2;
  Zone = p.Zone;
}

double TGIS_ProjectionAbstract::ClampWithWarning(double value, double low, double high,
                                                 const std::string& warning) {
  if (value < low) {
    AddWarning(warning);
    return low;
  }
  if (value > high) {
    AddWarning(warning);
    return high;
  }
  return value;
}

double TGIS_ProjectionAbstract::FixOriginLatitude(double value) {
  return ClampWithWarning(value, -std::numbers::pi / 2, std::numbers::pi / 2, GIS_RS_ERR_ORIGINLATITUDE_FIXED);
}

double TGIS_ProjectionAbstract::FixCentralMeridian(double value, double lowReplacement) {
  if (value < -std::numbers::pi) {
    AddWarning(GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
    value = lowReplacement;
  } else if (value > 2 * std::numbers::pi) {
    AddWarning(GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
    value = 2 * std::numbers::pi;
  }
  if (value > std::numbers::pi) value -= 2 * std::numbers::pi;
  return value;
}

void TGIS_ProjectionAbstract::BeginSetUp(const TGIS_ProjectionSetUp& parameters,
                                         bool withOriginLatitude) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  if (withOriginLatitude) OriginLatitude = FixOriginLatitude(parameters.OriginLatitude);
  CentralMeridian = FixCentralMeridian(parameters.CentralMeridian, std::numbers::pi);
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
}

TGIS_ProjectionAbstract::ForwardInput
TGIS_ProjectionAbstract::CheckForwardInput(const TGIS_Point3D& input, double latitudeLimit) {
  ClearWarningFlag();
  ForwardInput r{input.X, input.Y, input.Z, 0};
  r.Latitude =
      ClampWithWarning(r.Latitude, -latitudeLimit, latitudeLimit, GIS_RS_ERR_LATITUDE_FIXED);
  r.Longitude = ClampWithWarning(r.Longitude, -std::numbers::pi, 2 * std::numbers::pi, GIS_RS_ERR_LONGITUDE_FIXED);
  if (r.Longitude > std::numbers::pi) r.Longitude -= 2 * std::numbers::pi;
  r.DeltaLongitude = WrapLongitude(r.Longitude - CentralMeridian);
  return r;
}

TGIS_ProjectionAbstract::InverseInput
TGIS_ProjectionAbstract::CheckInverseInput(const TGIS_Point3D& input) {
  ClearWarningFlag();
  InverseInput r{input.X, input.Y, input.Z};
  r.Easting = ClampWithWarning(r.Easting, FalseEasting - EastingRange, FalseEasting + EastingRange,
                               GIS_RS_ERR_EASTING_FIXED);
  r.Northing = ClampWithWarning(r.Northing, FalseNorthing - NorthingRange,
                                FalseNorthing + NorthingRange, GIS_RS_ERR_NORTHING_FIXED);
  return r;
}

double TGIS_ProjectionAbstract::WrapLongitude(double longitude) {
  if (longitude > std::numbers::pi) return longitude - 2 * std::numbers::pi;
  if (longitude < -std::numbers::pi) return longitude + 2 * std::numbers::pi;
  return longitude;
}

void TGIS_ProjectionAbstract::NormalizeOutput(double& longitude, double& latitude) {
  if (latitude > std::numbers::pi / 2)
    latitude = std::numbers::pi / 2;
  else if (latitude < -std::numbers::pi / 2)
    latitude = -std::numbers::pi / 2;
  longitude = WrapLongitude(longitude);
  if (longitude > std::numbers::pi)
    longitude = std::numbers::pi;
  else if (longitude < -std::numbers::pi)
    longitude = -std::numbers::pi;
}

long double TGIS_ProjectionAbstract::EqualAreaRadius() const {
  const long double e4 = E2 * E2;
  return A * (1 - E2 / 6 - 17 * e4 / 360 - 67 * e4 * E2 / 3024);
}

long double TGIS_ProjectionAbstract::ConformalT(long double latitude) const {
  constexpr long double pi = std::numbers::pi_v<long double>;
  const long double es = E * std::sin(latitude);
  return std::tan(pi / 4 - latitude / 2) / std::pow((1 - es) / (1 + es), E / 2);
}

double TGIS_ProjectionAbstract::ConformalTOf(double latitude, double e) {
  const double es = e * std::sin(latitude);
  return std::tan(std::numbers::pi / 4 - latitude / 2) / std::pow((1 - es) / (1 + es), e / 2);
}

long double TGIS_ProjectionAbstract::ParallelRadius(long double latitude) const {
  const long double s = std::sin(latitude);
  return std::cos(latitude) / std::sqrt(1 - E2 * s * s);
}

double TGIS_ProjectionAbstract::LatitudeOfConformalT(double t, double start, double tolerance,
                                                     int maxSteps, bool& settled) const {
  const double e = static_cast<double>(E);
  double phi = start;
  settled = false;
  for (int step = 0; step < maxSteps && !settled; ++step) {
    const double es = e * std::sin(phi);
    const double next = std::numbers::pi / 2 - 2 * std::atan(t * std::pow((1 - es) / (1 + es), e / 2));
    settled = std::abs(next - phi) <= tolerance;
    phi = next;
  }
  return phi;
}
