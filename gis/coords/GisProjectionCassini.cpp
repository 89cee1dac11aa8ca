#include "gis/coords/GisProjectionCassini.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kCassiniLimitLatitude = 0.5410520681182421; // 31°
constexpr double kCassiniFullLimit = 20037508.4;
constexpr double kCassiniReducedLimit = 19926188.9;
constexpr double kWarnBeyond = 0.06981317007977318; // 4°

} // namespace

TGIS_ProjectionCassini::TGIS_ProjectionCassini() {
  UpdateConstants();
}

void TGIS_ProjectionCassini::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

void TGIS_ProjectionCassini::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  m0_ = A * series_.Distance(OriginLatitude);
  // Northings measured from the false origin, so that every output is
  // accepted back.
  const TGIS_NorthingLimits northings = GisMeasureNorthingLimits(*this, kCassiniLimitLatitude);
  northLimit_ = northings.North;
  southLimit_ = northings.South;
  limits_ = GisFixedEastingLimits(CentralMeridian, kCassiniFullLimit, kCassiniReducedLimit);
}

void TGIS_ProjectionCassini::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  const double phi = in.Latitude;
  const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
  const double n = a / std::sqrt(1 - e2 * s * s);
  const double tt = t * t;
  const double cc = e2 * c * c / (1 - e2);
  const double aa = in.DeltaLongitude * c, a2 = aa * aa;
  output.X =
      FalseEasting + n * (aa - tt * aa * a2 / 6 - (8 - tt + 8 * cc) * tt * aa * a2 * a2 / 120);
  output.Y = FalseNorthing + a * series_.Distance(phi) - static_cast<double>(m0_) +
             n * t * (a2 / 2 + (5 - tt + 6 * cc) * a2 * a2 / 24);
  output.Z = in.Height;
}

void TGIS_ProjectionCassini::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  double y = input.Y;
  if (y < FalseNorthing + southLimit_ - 0.1) {
    AddWarning(GIS_RS_ERR_NORTHING_FIXED);
    y = FalseNorthing + southLimit_;
  } else if (y > FalseNorthing + northLimit_ + 0.1) {
    AddWarning(GIS_RS_ERR_NORTHING_FIXED);
    y = FalseNorthing + northLimit_;
  }
  output.Z = input.Z;
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  const double mu =
      (static_cast<double>(m0_) + y - FalseNorthing) / (a * static_cast<double>(series_.E0));
  const double phi1 = series_.Footpoint(mu);
  if (std::abs(std::abs(phi1) - std::numbers::pi / 2) < 1e-5) {
    output.X = CentralMeridian;
    output.Y = std::copysign(std::numbers::pi / 2, phi1);
    return;
  }
  const double s = std::sin(phi1), c = std::cos(phi1), t = std::tan(phi1);
  const double t1 = t * t;
  const double w = 1 - e2 * s * s;
  const double n1 = a / std::sqrt(w);
  const double r1 = a * (1 - e2) / (w * std::sqrt(w));
  const double d = (x - FalseEasting) / n1, d2 = d * d;
  double phi = phi1 - (n1 * t / r1) * (d2 / 2 - (1 + 3 * t1) * d2 * d2 / 24);
  double lambda =
      CentralMeridian + (d - t1 * d * d2 / 3 + (1 + 3 * t1) * t1 * d * d2 * d2 / 15) / c;
  NormalizeOutput(lambda, phi);
  if (std::abs(WrapLongitude(lambda - CentralMeridian)) > kWarnBeyond)
    AddWarning(GIS_RS_ERR_LONGITUDE_FIXED);
  output.X = lambda;
  output.Y = phi;
}
