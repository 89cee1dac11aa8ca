#include "gis/coords/GisProjectionPolyconic.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPolyconicLimitLatitude = 0.7155849933176751; // 41°
constexpr double kPolyconicFullLimit = 20037509;
constexpr double kPolyconicReducedLimit = 19926189;
// Points far from the meridian need more than a handful of Newton steps.
constexpr int kPolyconicMaxSteps = 20;

} // namespace

TGIS_ProjectionPolyconic::TGIS_ProjectionPolyconic() {
  UpdateConstants();
}

void TGIS_ProjectionPolyconic::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

void TGIS_ProjectionPolyconic::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  ml0_ = A * series_.Distance(OriginLatitude);
  pointA_ = static_cast<double>(A);
  pointE2_ = static_cast<double>(E2);
  pointMl0_ = static_cast<double>(ml0_);
  // Northings measured from the false origin, so that every output is
  // accepted back.
  const TGIS_NorthingLimits northings = GisMeasureNorthingLimits(*this, kPolyconicLimitLatitude);
  northLimit_ = northings.North;
  southLimit_ = northings.South;
  limits_ = GisFixedEastingLimits(CentralMeridian, kPolyconicFullLimit, kPolyconicReducedLimit);
}

void TGIS_ProjectionPolyconic::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  if (std::abs(in.Longitude - CentralMeridian) > std::numbers::pi / 2) AddWarning(GIS_RS_ERR_LONGITUDE_FIXED);
  const double a = static_cast<double>(A), ml0 = static_cast<double>(ml0_);
  const double phi = in.Latitude, dl = in.DeltaLongitude;
  output.Z = in.Height;
  if (phi == 0) {
    output.X = FalseEasting + a * dl;
    output.Y = FalseNorthing - ml0;
    return;
  }
  const double s = std::sin(phi);
  const double nu = a / std::sqrt(1 - static_cast<double>(E2) * s * s);
  const double theta = dl * s;
  const double nuCot = nu * std::cos(phi) / s;
  output.X = FalseEasting + nuCot * std::sin(theta);
  output.Y = FalseNorthing + a * series_.Distance(phi) - ml0 + nuCot * (1 - std::cos(theta));
}

double TGIS_ProjectionPolyconic::InverseLatitude(double x, double y, double& c) const {
  const double a = pointA_, e2 = pointE2_;
  const double aa = (pointMl0_ + y) / a;
  const double bb = x * x / (a * a) + aa * aa;
  double phi = aa;
  double step = 1;
  c = 0;
  for (int i = 0; i < kPolyconicMaxSteps && std::abs(step) > 1e-12; ++i) {
    const double s = std::sin(phi), co = std::cos(phi);
    c = std::sqrt(1 - e2 * s * s) * (s / co);
    const double s2 = 2 * s * co, c2 = (co - s) * (co + s);
    double ma, mp;
    series_.DistanceAndDerivative(phi, s2, c2, ma, mp);
    step = (aa * (c * ma + 1) - ma - 0.5 * (ma * ma + bb) * c) /
           (e2 * s2 * (ma * ma + bb - 2 * aa * ma) / (4 * c) + (aa - ma) * (c * mp - 2 / s2) - mp);
    phi -= step;
  }
  return phi;
}

void TGIS_ProjectionPolyconic::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_) - FalseEasting;
  const double y = ClampWithWarning(input.Y, FalseNorthing + southLimit_,
                                    FalseNorthing + northLimit_, GIS_RS_ERR_NORTHING_FIXED) -
                   FalseNorthing;
  const double a = pointA_;
  output.Z = input.Z;
  if (std::abs(y + pointMl0_) < 1) {
    output.X = x / a + CentralMeridian;
    output.Y = 0;
    return;
  }
  double c = 0;
  double phi = std::clamp(InverseLatitude(x, y, c), -std::numbers::pi / 2, std::numbers::pi / 2);
  double lambda = CentralMeridian;
  if (!(std::abs(std::abs(phi) - std::numbers::pi / 2) < 1e-5 || phi == 0)) {
    const double s = std::clamp(x / a * c, -1.0, 1.0);
    lambda = std::asin(s) / std::sin(phi) + CentralMeridian;
  }
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
