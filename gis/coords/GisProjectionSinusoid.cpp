#include "gis/coords/GisProjectionSinusoid.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kSinusoidFullLimit = 20037509;
constexpr double kSinusoidReducedLimit = 19926189;

} // namespace

TGIS_ProjectionSinusoid::TGIS_ProjectionSinusoid() {
  NorthingRange = 10001966;
  UpdateConstants();
}

void TGIS_ProjectionSinusoid::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, false);
  UpdateConstants();
}

void TGIS_ProjectionSinusoid::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  limits_ = GisFixedEastingLimits(CentralMeridian, kSinusoidFullLimit, kSinusoidReducedLimit);
}

void TGIS_ProjectionSinusoid::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  const double s = std::sin(in.Latitude);
  output.X =
      FalseEasting + a * in.DeltaLongitude * std::cos(in.Latitude) / std::sqrt(1 - e2 * s * s);
  output.Y = FalseNorthing + a * series_.Distance(in.Latitude);
  output.Z = in.Height;
}

void TGIS_ProjectionSinusoid::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  const double y = ClampWithWarning(input.Y, FalseNorthing - NorthingRange,
                                    FalseNorthing + NorthingRange, GIS_RS_ERR_NORTHING_FIXED);
  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  output.Z = input.Z;
  double phi =
      std::clamp(series_.Footpoint((y - FalseNorthing) / (a * static_cast<double>(series_.E0))),
                 -std::numbers::pi / 2, std::numbers::pi / 2);
  if (std::abs(std::abs(phi) - std::numbers::pi / 2) < 1e-8) {
    output.X = CentralMeridian;
    output.Y = phi;
    return;
  }
  const double s = std::sin(phi);
  double lambda =
      (x - FalseEasting) * std::sqrt(1 - e2 * s * s) / (a * std::cos(phi)) + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
