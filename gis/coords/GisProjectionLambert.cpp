#include "gis/coords/GisProjectionLambert.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisProjectionTable.h"

#include <cmath>
#include <numbers>

namespace {

constexpr const char* kCode = "LAM";
constexpr double kPi = std::numbers::pi;
constexpr double kParallelLimit = 1.5533430342749532; // 89°
constexpr double kTolerance = 4.85e-10;
constexpr int kMaxIterations = 15;

} // namespace

TGIS_ProjectionLambert::TGIS_ProjectionLambert() {
  OriginLatitude = kPi / 4;
  StandardParallel1 = 0.6981317007977318;
  StandardParallel2 = 0.8726646259971648;
  EastingRange = 40000000;
  NorthingRange = 40000000;
  UpdateConstants();
}

std::string TGIS_ProjectionLambert::GetCode() const {
  return kCode;
}

std::string TGIS_ProjectionLambert::GetDescription() const {
  return GisFindProjectionRow(kCode)->Description;
}

TGIS_ProjectionParameters TGIS_ProjectionLambert::GetParameterMask() const {
  return GisFindProjectionRow(kCode)->Mask;
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionLambert::Create() const {
  return std::make_unique<TGIS_ProjectionLambert>();
}

void TGIS_ProjectionLambert::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  StandardParallel1 = ClampWithWarning(parameters.StandardParallel1, -kParallelLimit,
                                       kParallelLimit, GIS_RS_ERR_STANDARDPARALLEL_1_FIXED);
  StandardParallel2 = ClampWithWarning(parameters.StandardParallel2, -kParallelLimit,
                                       kParallelLimit, GIS_RS_ERR_STANDARDPARALLEL_2_FIXED);
  UpdateConstants();
}

void TGIS_ProjectionLambert::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  auto m = [&](long double phi) {
    const long double s = std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - E2 * s * s);
  };
  const long double phi1 = StandardParallel1, phi2 = StandardParallel2;
  const long double m1 = m(phi1), t1 = ConformalT(phi1);
  long double n;
  if (std::abs(phi1 - phi2) <= 1e-10L)
    n = std::sin(phi1);
  else
    n = std::log(m1 / m(phi2)) / std::log(t1 / ConformalT(phi2));
  // Parallels symmetric about the equator (or both on it) give no cone.
  if (!(n != 0) || !std::isfinite(n)) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  n_ = n;
  aF_ = A * m1 / (n * std::pow(t1, n));
  rho0_ = aF_ * std::pow(ConformalT(OriginLatitude), n);
}

void TGIS_ProjectionLambert::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, kPi / 2);
  const double n = static_cast<double>(n_);
  double rho;
  if (std::abs(std::abs(in.Latitude) - kPi / 2) <= 1e-10) {
    // The pole opposite the apex lies at infinity.
    if (!(n * in.Latitude > 0)) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
    rho = 0;
  } else {
    const double e = static_cast<double>(E);
    const double es = e * std::sin(in.Latitude);
    const double t = std::tan(kPi / 4 - in.Latitude / 2) / std::pow((1 - es) / (1 + es), e / 2);
    rho = static_cast<double>(aF_) * std::pow(t, n);
  }
  const double theta = n * in.DeltaLongitude;
  output.X = FalseEasting + rho * std::sin(theta);
  output.Y = FalseNorthing + static_cast<double>(rho0_) - rho * std::cos(theta);
  output.Z = in.Height;
}

double TGIS_ProjectionLambert::LatitudeOfT(double t) const {
  const double e = static_cast<double>(E);
  double phi = kPi / 2 - 2 * std::atan(t);
  for (int i = 0; i < kMaxIterations; ++i) {
    const double es = e * std::sin(phi);
    const double next = kPi / 2 - 2 * std::atan(t * std::pow((1 - es) / (1 + es), e / 2));
    const bool done = std::abs(next - phi) <= kTolerance;
    phi = next;
    if (done) break;
  }
  return phi;
}

void TGIS_ProjectionLambert::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double n = static_cast<double>(n_);
  double x = in.Easting - FalseEasting;
  double y = static_cast<double>(rho0_) - (in.Northing - FalseNorthing);
  double rho = std::sqrt(x * x + y * y);
  if (n < 0) {
    rho = -rho;
    x = -x;
    y = -y;
  }
  output.Z = in.Height;
  if (rho == 0) {
    output.X = CentralMeridian;
    output.Y = n > 0 ? kPi / 2 : -kPi / 2;
    return;
  }
  const double theta = std::atan2(x, y);
  const double t = std::pow(rho / static_cast<double>(aF_), 1 / n);
  double phi = LatitudeOfT(t);
  double lambda = theta / n + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
