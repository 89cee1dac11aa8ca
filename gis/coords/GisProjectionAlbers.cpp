#include "gis/coords/GisProjectionAlbers.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kAlbersTolerance = 4.85e-10;
constexpr int kAlbersMaxIterations = 15;

} // namespace

TGIS_ProjectionAlbers::TGIS_ProjectionAlbers() : TGIS_RegisteredProjection(std::numbers::pi / 2) {
  UpdateConstants();
}

long double TGIS_ProjectionAlbers::Q(long double latitude) const {
  const long double s = std::sin(latitude);
  const long double es = E * s;
  return oneMinusE2_ * (s / (1 - es * es) - std::log((1 - es) / (1 + es)) / twoE_);
}

double TGIS_ProjectionAlbers::PointQ(double latitude) const {
  const double s = std::sin(latitude);
  const double es = pointE_ * s;
  return pointOneMinusE2_ * (s / (1 - es * es) - std::log((1 - es) / (1 + es)) / pointTwoE_);
}

void TGIS_ProjectionAlbers::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  oneMinusE2_ = 1 - E2;
  twoE_ = 2 * E;
  const long double phi1 = StandardParallel1, phi2 = StandardParallel2;
  const long double q0 = Q(OriginLatitude), m1 = ParallelRadius(phi1), q1 = Q(phi1);
  long double n;
  if (std::abs(phi1 - phi2) <= 1e-10L) {
    n = std::sin(phi1);
  } else {
    const long double m2 = ParallelRadius(phi2);
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
  pointE_ = static_cast<double>(E);
  pointOneMinusE2_ = static_cast<double>(oneMinusE2_);
  pointTwoE_ = static_cast<double>(twoE_);
  pointN_ = static_cast<double>(n_);
  pointC_ = static_cast<double>(c_);
  pointA_ = static_cast<double>(A);
}

void TGIS_ProjectionAlbers::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double n = pointN_, c = pointC_;
  const double nq = n * PointQ(in.Latitude);
  const double rho = c < nq ? 0 : pointA_ * std::sqrt(c - nq) / n;
  PlaceOnCone(rho, in.DeltaLongitude, output);
  output.Z = in.Height;
}

double TGIS_ProjectionAlbers::LatitudeOfQ(double q) const {
  const double e = static_cast<double>(E), e2 = static_cast<double>(E2);
  const double oneMinusE2 = static_cast<double>(oneMinusE2_);
  const double qp = 1 - (oneMinusE2 / (2 * e)) * std::log((1 - e) / (1 + e));
  if (std::abs(std::abs(qp) - std::abs(q)) <= 1e-6) return q >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  const double s = q / 2;
  if (s > 1) return std::numbers::pi / 2;
  if (s < -1) return -std::numbers::pi / 2;
  double phi = std::asin(s);
  if (e < 1e-10) return phi;
  double step = 1;
  for (int i = 0; i < kAlbersMaxIterations && std::abs(step) > kAlbersTolerance; ++i) {
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
  const ConePoint p = FromApex(in);
  const double theta = p.Rho != 0 ? std::atan2(p.X, p.Y) : 0;
  const double rn = p.Rho * n / a;
  const double q = (static_cast<double>(c_) - rn * rn) / n;
  double phi = LatitudeOfQ(q);
  double lambda = theta / n + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = in.Height;
}
