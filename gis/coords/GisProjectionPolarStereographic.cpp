#include "gis/coords/GisProjectionPolarStereographic.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPolarStereographicTolerance = 1e-10;
constexpr int kPolarStereographicMaxIterations = 15;

} // namespace

TGIS_ProjectionPolarStereographic::TGIS_ProjectionPolarStereographic() {
  OriginLatitude = std::numbers::pi / 2;
  EastingRange = 12713601;
  NorthingRange = 12713601;
  UpdateConstants();
}

void TGIS_ProjectionPolarStereographic::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  const double latitude = FixOriginLatitude(parameters.OriginLatitude);
  const double meridian = FixCentralMeridian(parameters.CentralMeridian, std::numbers::pi);
  south_ = latitude < 0;
  OriginLatitude = south_ ? -latitude : latitude;
  CentralMeridian = south_ ? -meridian : meridian;
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
  UpdateConstants();
}

TGIS_ProjectionSetUp TGIS_ProjectionPolarStereographic::Parameters() const {
  TGIS_ProjectionSetUp p = TGIS_ProjectionAbstract::Parameters();
  if (south_) {
    p.OriginLatitude = -OriginLatitude;
    p.CentralMeridian = -CentralMeridian;
  }
  return p;
}

bool TGIS_ProjectionPolarStereographic::TrueScaleAtPole() const {
  return std::abs(std::abs(OriginLatitude) - std::numbers::pi / 2) <= kPolarStereographicTolerance;
}

void TGIS_ProjectionPolarStereographic::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  if (!TrueScaleAtPole()) {
    const long double phic = OriginLatitude;
    mc_ = ParallelRadius(phic);
    amc_ = A * mc_;
    tc_ = ConformalT(phic);
  } else {
    e4_ = std::sqrt(std::pow(1 + E, 1 + E) * std::pow(1 - E, 1 - E));
  }
  // The distance from the pole to the equator (t = 1 there), measured from
  // the false origin in both aspects.
  const double range = std::abs(Radius(1)) + 0.01;
  EastingRange = range;
  NorthingRange = range;
}

double TGIS_ProjectionPolarStereographic::Radius(double t) const {
  if (TrueScaleAtPole()) return 2 * static_cast<double>(A) * t / static_cast<double>(e4_);
  return static_cast<double>(amc_) * t / static_cast<double>(tc_);
}

void TGIS_ProjectionPolarStereographic::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  double phi = in.Latitude;
  double lambda = in.Longitude;
  if (south_ ? phi > 0 : phi < 0) {
    AddWarning(GIS_RS_ERR_LATITUDE_FIXED);
    phi = 0;
  }
  output.Z = in.Height;
  if (std::abs(std::abs(phi) - std::numbers::pi / 2) < kPolarStereographicTolerance) {
    output.X = FalseEasting;
    output.Y = FalseNorthing;
    return;
  }
  if (south_) {
    lambda = -lambda;
    phi = -phi;
  }
  const double dl = WrapLongitude(lambda - CentralMeridian);
  const double rho = Radius(static_cast<double>(ConformalT(phi)));
  const double x = rho * std::sin(dl);
  output.X = FalseEasting + (south_ ? -x : x);
  output.Y = south_ ? FalseNorthing + rho * std::cos(dl) : FalseNorthing - rho * std::cos(dl);
}

void TGIS_ProjectionPolarStereographic::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  double x = in.Easting - FalseEasting;
  double y = in.Northing - FalseNorthing;
  double phi = std::numbers::pi / 2;
  double lambda = CentralMeridian;
  if (x != 0 || y != 0) {
    if (south_) {
      x = -x;
      y = -y;
    }
    const double rho = std::sqrt(x * x + y * y);
    const double t = TrueScaleAtPole()
                         ? rho * static_cast<double>(e4_) / (2 * static_cast<double>(A))
                         : rho * static_cast<double>(tc_) / static_cast<double>(amc_);
    bool settled;
    phi = LatitudeOfConformalT(t, std::numbers::pi / 2 - 2 * std::atan(t), kPolarStereographicTolerance, kPolarStereographicMaxIterations, settled);
    lambda = WrapLongitude(CentralMeridian + std::atan2(x, -y));
    NormalizeOutput(lambda, phi);
  }
  if (south_) {
    phi = -phi;
    lambda = -lambda;
  }
  output.X = lambda;
  output.Y = phi;
  output.Z = in.Height;
}
