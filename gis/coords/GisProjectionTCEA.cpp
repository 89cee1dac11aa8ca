#include "gis/coords/GisProjectionTCEA.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {


} // namespace

TGIS_ProjectionTCEA::TGIS_ProjectionTCEA() {
  UpdateConstants();
}

void TGIS_ProjectionTCEA::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  ScaleFactor = parameters.ScaleFactor;
  UpdateConstants();
}

double TGIS_ProjectionTCEA::Q(double latitude) const {
  const double e = static_cast<double>(E), e2 = static_cast<double>(E2);
  const double s = std::sin(latitude);
  return (1 - e2) * (s / (1 - e2 * s * s) - std::log((1 - e * s) / (1 + e * s)) / (2 * e));
}

double TGIS_ProjectionTCEA::AuthalicLatitude(double latitude) const {
  return std::asin(std::clamp(Q(latitude) / static_cast<double>(qp_), -1.0, 1.0));
}

double TGIS_ProjectionTCEA::LatitudeOfAuthalic(double beta) const {
  return beta + static_cast<double>(c2_) * std::sin(2 * beta) +
         static_cast<double>(c4_) * std::sin(4 * beta) +
         static_cast<double>(c6_) * std::sin(6 * beta);
}

void TGIS_ProjectionTCEA::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  // A scale factor that is not positive divides by zero or mirrors the map.
  if (!(ScaleFactor > 0) || !std::isfinite(ScaleFactor))
    gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  const long double e4 = E2 * E2, e6 = e4 * E2;
  c2_ = E2 / 3 + 31 * e4 / 180 + 517 * e6 / 5040;
  c4_ = 23 * e4 / 360 + 251 * e6 / 3780;
  c6_ = 761 * e6 / 45360;
  qp_ = Q(std::numbers::pi / 2);
  series_.Compute(E2);
  m0_ = A * series_.Distance(OriginLatitude);
}

void TGIS_ProjectionTCEA::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2), k0 = ScaleFactor;
  const double dl = in.DeltaLongitude;
  const double beta = AuthalicLatitude(in.Latitude);
  const double betaC = std::atan(std::tan(beta) / std::cos(dl));
  const double phiC = LatitudeOfAuthalic(betaC);
  const double s = std::sin(phiC);
  output.X = FalseEasting + a * std::cos(beta) * std::cos(phiC) * std::sin(dl) /
                                (k0 * std::cos(betaC) * std::sqrt(1 - e2 * s * s));
  output.Y = FalseNorthing + k0 * (a * series_.Distance(phiC) - static_cast<double>(m0_));
  output.Z = in.Height;
}

void TGIS_ProjectionTCEA::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  const double y = ClampWithWarning(input.Y, FalseNorthing + southLimit_,
                                    FalseNorthing + northLimit_, GIS_RS_ERR_NORTHING_FIXED);
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2), k0 = ScaleFactor;
  const double mu =
      ((y - FalseNorthing) / k0 + static_cast<double>(m0_)) / (a * static_cast<double>(series_.E0));
  const double phiC = series_.Footpoint(mu);
  const double betaC = AuthalicLatitude(phiC);
  const double s = std::sin(phiC);
  const double betaP = std::asin(std::clamp((x - FalseEasting) * k0 * std::cos(betaC) *
                                                std::sqrt(1 - e2 * s * s) / (a * std::cos(phiC)),
                                            -1.0, 1.0));
  const double beta = std::asin(std::cos(betaP) * std::sin(betaC));
  double phi = LatitudeOfAuthalic(beta);
  double lambda = CentralMeridian + std::atan(std::tan(betaP) / std::cos(betaC));
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}
