#include "gis/coords/GisProjectionEQC.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {


} // namespace

TGIS_ProjectionEQC::TGIS_ProjectionEQC() {
  NorthingRange = 10007555;
  UpdateConstants();
}

void TGIS_ProjectionEQC::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

void TGIS_ProjectionEQC::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  r_ = EqualAreaRadius();
  const long double cosPhi1 = std::cos(static_cast<long double>(OriginLatitude));
  // cos(π/2) is not 0 in floating point; a standard parallel at the pole
  // squeezes every meridian onto one line.
  rCosPhi1_ = std::abs(cosPhi1) < 1e-12L ? 0 : r_ * cosPhi1;
  limits_ = GisMeasureEastingLimits(*this, std::numbers::pi / 2);
}

void TGIS_ProjectionEQC::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  output.X = FalseEasting + static_cast<double>(rCosPhi1_) * in.DeltaLongitude;
  output.Y = FalseNorthing + static_cast<double>(r_) * in.Latitude;
  output.Z = in.Height;
}

void TGIS_ProjectionEQC::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_);
  const double y = GisCheckNorthingOrOrigin(*this, input.Y, NorthingRange);
  const double rCosPhi1 = static_cast<double>(rCosPhi1_);
  double phi = (y - FalseNorthing) / static_cast<double>(r_);
  double lambda = rCosPhi1 == 0 ? 0 : (x - FalseEasting) / rCosPhi1 + CentralMeridian;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}
