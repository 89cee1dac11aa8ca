#include "gis/coords/GisProjectionAlbers.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisProjectionTable.h"

#include <cmath>
#include <numbers>

namespace {

constexpr const char* kCode = "ALB";
constexpr double kPi = std::numbers::pi;
constexpr double kTolerance = 4.85e-10;
constexpr int kMaxIterations = 15;

} // namespace

TGIS_ProjectionAlbers::TGIS_ProjectionAlbers() {
  OriginLatitude = kPi / 4;
  StandardParallel1 = 0.6981317007977318;
  StandardParallel2 = 0.8726646259971648;
  EastingRange = 40000000;
  NorthingRange = 40000000;
  UpdateConstants();
}

std::string TGIS_ProjectionAlbers::GetCode() const {
  return kCode;
}

std::string TGIS_ProjectionAlbers::GetDescription() const {
  return GisFindProjectionRow(kCode)->Description;
}

TGIS_ProjectionParameters TGIS_ProjectionAlbers::GetParameterMask() const {
  return GisFindProjectionRow(kCode)->Mask;
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionAlbers::Create() const {
  return std::make_unique<TGIS_ProjectionAlbers>();
}

void TGIS_ProjectionAlbers::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  StandardParallel1 = ClampWithWarning(parameters.StandardParallel1, -kPi / 2, kPi / 2,
                                       GIS_RS_ERR_STANDARDPARALLEL_1_FIXED);
  StandardParallel2 = ClampWithWarning(parameters.StandardParallel2, -kPi / 2, kPi / 2,
                                       GIS_RS_ERR_STANDARDPARALLEL_2_FIXED);
  UpdateConstants();
}

long double TGIS_ProjectionAlbers::Q(long double latitude) const {
  const long double s = std::sin(latitude);
  const long double es = E * s;
  return oneMinusE2_ * (s / (1 - es * es) - std::log((1 - es) / (1 + es)) / twoE_);
}

void TGIS_ProjectionAlbers::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  oneMinusE2_ = 1 - E2;
  twoE_ = 2 * E;
  auto m = [&](long double phi) {
    const long double s = std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - E2 * s * s);
  };
  const long double phi1 = StandardParallel1, phi2 = StandardParallel2;
  const long double q0 = Q(OriginLatitude), m1 = m(phi1), q1 = Q(phi1);
  long double n;
  if (std::abs(phi1 - phi2) <= 1e-10L) {
    n = std::sin(phi1);
  } else {
    const long double m2 = m(phi2);
    n = (m1 * m1 - m2 * m2) / (Q(phi2) - q1);
  }
  n_ = n;
  c_ = m1 * m1 + n * q1;
  if (n * q0 > c_) {
    rho0_ = 0;
  } else {
    if (n == 0) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
    rho0_ = A * std::sqrt(c_ - n * q0) / n;
  }
}

void TGIS_ProjectionAlbers::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, kPi / 2);
  const double n = static_cast<double>(n_), c = static_cast<double>(c_);
  const double nq = n * static_cast<double>(Q(in.Latitude));
  const double rho = c < nq ? 0 : static_cast<double>(A) * std::sqrt(c - nq) / n;
  const double theta = n * in.DeltaLongitude;
  output.X = FalseEasting + rho * std::sin(theta);
  output.Y = FalseNorthing + static_cast<double>(rho0_) - rho * std::cos(theta);
  output.Z = in.Height;
}

double TGIS_ProjectionAlbers::LatitudeOfQ(double q) const {
  const double e = static_cast<double>(E), e2 = static_cast<double>(E2);
  const double oneMinusE2 = static_cast<double>(oneMinusE2_);
  const double qp = 1 - (oneMinusE2 / (2 * e)) * std::log((1 - e) / (1 + e));
  if (std::abs(std::abs(qp) - std::abs(q)) <= 1e-6) return q >= 0 ? kPi / 2 : -kPi / 2;
  const double s = q / 2;
  if (s > 1) return kPi / 2;
  if (s < -1) return -kPi / 2;
  double phi = std::asin(s);
  if (e < 1e-10) return phi;
  double step = 1;
  for (int i = 0; i < kMaxIterations && std::abs(step) > kTolerance; ++i) {
    const double sp = std::sin(phi), cp = std::cos(phi);
    const double w = 1 - e2 * sp * sp;
    step = w * w / (2 * cp) *
           (q / oneMinusE2 - sp / w + std::log((1 - e * sp) / (1 + e * sp)) / (2 * e));
    phi += step;
  }
  return phi;
}

void TGIS_ProjectionAlbers::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double n = static_cast<double>(n_), a = static_cast<double>(A);
  double x = in.Easting - FalseEasting;
  double y = static_cast<double>(rho0_) - (in.Northing - FalseNorthing);
  double rho = std::sqrt(x * x + y * y);
  if (n < 0) {
    rho = -rho;
    x = -x;
    y = -y;
  }
  const double theta = rho != 0 ? std::atan2(x, y) : 0;
  const double rn = rho * n / a;
  const double q = (static_cast<double>(c_) - rn * rn) / n;
  double phi = LatitudeOfQ(q);
  double lambda = theta / n + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = in.Height;
}
