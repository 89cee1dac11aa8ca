#include "gis/coords/GisProjectionLambert.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kParallelLimit = 1.5533430342749532; // 89°
constexpr double kLambertTolerance = 4.85e-10;
constexpr int kLambertMaxIterations = 15;

} // namespace

TGIS_ProjectionLambert::TGIS_ProjectionLambert() : TGIS_RegisteredProjection(kParallelLimit) {
  UpdateConstants();
}

void TGIS_ProjectionLambert::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  const long double phi1 = StandardParallel1, phi2 = StandardParallel2;
  const long double m1 = ParallelRadius(phi1), t1 = ConformalT(phi1);
  long double n;
  if (std::abs(phi1 - phi2) <= 1e-10L)
    n = std::sin(phi1);
  else
    n = std::log(m1 / ParallelRadius(phi2)) / std::log(t1 / ConformalT(phi2));
  // Parallels symmetric about the equator (or both on it) give no cone.
  if (!(n != 0) || !std::isfinite(n)) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  n_ = n;
  series_.Compute(E2);
  aF_ = A * m1 / (n * std::pow(t1, n));
  rho0_ = aF_ * std::pow(ConformalT(OriginLatitude), n);
}

void TGIS_ProjectionLambert::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double n = static_cast<double>(n_);
  double rho;
  if (std::abs(std::abs(in.Latitude) - std::numbers::pi / 2) <= 1e-10) {
    // The pole opposite the apex lies at infinity.
    if (!(n * in.Latitude > 0)) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
    rho = 0;
  } else {
    const double e = static_cast<double>(E);
    const double es = e * std::sin(in.Latitude);
    const double t = std::tan(std::numbers::pi / 4 - in.Latitude / 2) / std::pow((1 - es) / (1 + es), e / 2);
    rho = static_cast<double>(aF_) * std::pow(t, n);
  }
  PlaceOnCone(rho, in.DeltaLongitude, output);
  output.Z = in.Height;
}

void TGIS_ProjectionLambert::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double n = static_cast<double>(n_);
  const ConePoint p = FromApex(in);
  output.Z = in.Height;
  if (p.Rho == 0) {
    output.X = CentralMeridian;
    output.Y = n > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    return;
  }
  const double t = std::pow(p.Rho / static_cast<double>(aF_), 1 / n);
  // The iteration starts from the series of the latitude of the conformal
  // latitude rather than from the conformal latitude itself: it meets its
  // tolerance after one step instead of five, at the same latitude.
  bool settled;
  double phi = LatitudeOfConformalT(t, series_.Latitude(std::numbers::pi / 2 - 2 * std::atan(t)), kLambertTolerance,
                                    kLambertMaxIterations, settled);
  double lambda = std::atan2(p.X, p.Y) / n + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
