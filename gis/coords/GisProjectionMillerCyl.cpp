#include "gis/coords/GisProjectionMillerCyl.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kMillerCylFullLimit = 20015110;
constexpr double kMillerCylReducedLimit = 19903915;

} // namespace

TGIS_ProjectionMillerCyl::TGIS_ProjectionMillerCyl() {
  NorthingRange = 14675058;
  UpdateConstants();
}

void TGIS_ProjectionMillerCyl::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, false);
  UpdateConstants();
}

void TGIS_ProjectionMillerCyl::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  r_ = EqualAreaRadius();
  limits_ = GisFixedEastingLimits(CentralMeridian, kMillerCylFullLimit, kMillerCylReducedLimit);
}

void TGIS_ProjectionMillerCyl::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double r = static_cast<double>(r_);
  const double s = std::sin(0.8 * in.Latitude);
  output.X = FalseEasting + r * in.DeltaLongitude;
  output.Y = FalseNorthing + r * std::log((1 + s) / (1 - s)) / 1.6;
  output.Z = in.Height;
}

void TGIS_ProjectionMillerCyl::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double r = static_cast<double>(r_);
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  const double y = GisCheckNorthingOrOrigin(*this, input.Y, NorthingRange);
  double phi = std::atan(std::sinh(0.8 * (y - FalseNorthing) / r)) / 0.8;
  double lambda = (x - FalseEasting) / r + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}
