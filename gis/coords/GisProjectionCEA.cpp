#include "gis/coords/GisProjectionCEA.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {


} // namespace

TGIS_ProjectionCEA::TGIS_ProjectionCEA() {
  NorthingRange = 6363886;
  UpdateConstants();
}

void TGIS_ProjectionCEA::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

double TGIS_ProjectionCEA::Q(double latitude) const {
  const double e = static_cast<double>(E), e2 = static_cast<double>(E2);
  const double s = std::sin(latitude);
  return (1 - e2) * (s / (1 - e2 * s * s) - std::log((1 - e * s) / (1 + e * s)) / (2 * e));
}

void TGIS_ProjectionCEA::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  const long double e4 = E2 * E2, e6 = e4 * E2;
  c2_ = E2 / 3 + 31 * e4 / 180 + 517 * e6 / 5040;
  c4_ = 23 * e4 / 360 + 251 * e6 / 3780;
  c6_ = 761 * e6 / 45360;
  const long double phi1 = OriginLatitude;
  const long double k0 = ParallelRadius(phi1);
  ak0_ = A * k0;
  twoK0_ = 2 * k0;
  // Measured from the false origin, so that every output is accepted back.
  limits_ = GisMeasureEastingLimits(*this, std::numbers::pi / 2);
  TGIS_Point3D top{std::numbers::pi, std::numbers::pi / 2, 0, 0};
  Project(top, top);
  NorthingRange = top.Y - FalseNorthing;
}

void TGIS_ProjectionCEA::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  output.X = FalseEasting + static_cast<double>(ak0_) * in.DeltaLongitude;
  output.Y = FalseNorthing + static_cast<double>(A) * Q(in.Latitude) / static_cast<double>(twoK0_);
  output.Z = in.Height;
}

void TGIS_ProjectionCEA::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  const double y = GisCheckNorthingOrOrigin(*this, input.Y, NorthingRange);
  const double a = static_cast<double>(A);
  const double s =
      std::clamp(static_cast<double>(twoK0_) * (y - FalseNorthing) / (a * Q(std::numbers::pi / 2)), -1.0, 1.0);
  const double beta = std::asin(s);
  double phi = beta + static_cast<double>(c2_) * std::sin(2 * beta) +
               static_cast<double>(c4_) * std::sin(4 * beta) +
               static_cast<double>(c6_) * std::sin(6 * beta);
  double lambda = (x - FalseEasting) / static_cast<double>(ak0_) + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}
