#include "gis/coords/GisProjectionOrthographic.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {


double ClampedAsin(double value) {
  return std::asin(std::clamp(value, -1.0, 1.0));
}

} // namespace

TGIS_ProjectionOrthographic::TGIS_ProjectionOrthographic() {
  UpdateConstants();
}

void TGIS_ProjectionOrthographic::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

void TGIS_ProjectionOrthographic::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  r_ = EqualAreaRadius();
  cosPhi0_ = std::cos(static_cast<long double>(OriginLatitude));
  sinPhi0_ = std::sin(static_cast<long double>(OriginLatitude));
}

void TGIS_ProjectionOrthographic::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  const double r = static_cast<double>(r_);
  const double cosPhi = std::cos(in.Latitude);
  output.X = FalseEasting + r * cosPhi * std::sin(in.DeltaLongitude);
  output.Y =
      FalseNorthing + r * (static_cast<double>(cosPhi0_) * std::sin(in.Latitude) -
                           static_cast<double>(sinPhi0_) * cosPhi * std::cos(in.DeltaLongitude));
  output.Z = in.Height;
}

void TGIS_ProjectionOrthographic::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double r = static_cast<double>(r_);
  const double x =
      ClampWithWarning(input.X, FalseEasting - r, FalseEasting + r, GIS_RS_ERR_EASTING_FIXED) -
      FalseEasting;
  const double y =
      ClampWithWarning(input.Y, FalseNorthing - r, FalseNorthing + r, GIS_RS_ERR_NORTHING_FIXED) -
      FalseNorthing;
  output.Z = input.Z;
  const double rho = std::sqrt(x * x + y * y);
  if (rho == 0) {
    output.X = CentralMeridian;
    output.Y = OriginLatitude;
    return;
  }
  const double sinPhi0 = static_cast<double>(sinPhi0_);
  const double cosPhi0 = static_cast<double>(cosPhi0_);
  const double c = ClampedAsin(rho / r);
  const double sinC = std::sin(c), cosC = std::cos(c);
  double phi = ClampedAsin(cosC * sinPhi0 + y * sinC * cosPhi0 / rho);
  // The quadrant comes from the signs of both terms, in every aspect.
  double lambda;
  if (OriginLatitude == std::numbers::pi / 2)
    lambda = CentralMeridian + std::atan2(x, -y);
  else if (OriginLatitude == -std::numbers::pi / 2)
    lambda = CentralMeridian + std::atan2(x, y);
  else
    lambda = CentralMeridian + std::atan2(x * sinC, rho * cosC * cosPhi0 - y * sinC * sinPhi0);
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
