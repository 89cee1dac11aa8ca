#include "gis/coords/GisProjectionWorldSphere.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kWorldSphereMaxSteps = 100;

} // namespace

TGIS_ProjectionWorldSphere::TGIS_ProjectionWorldSphere(double fullLimit, double reducedLimit,
                                                       double northingRange)
    : fullLimit_(fullLimit), reducedLimit_(reducedLimit), limits_{-fullLimit, fullLimit} {
  NorthingRange = northingRange;
}

void TGIS_ProjectionWorldSphere::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, false);
  UpdateConstants();
}

void TGIS_ProjectionWorldSphere::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  r_ = EqualAreaRadius();
  limits_ = GisFixedEastingLimits(CentralMeridian, fullLimit_, reducedLimit_);
}

void TGIS_ProjectionWorldSphere::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  double x = 0, y = 0;
  Forward(in.DeltaLongitude, in.Latitude, x, y);
  output.X = FalseEasting + x;
  output.Y = FalseNorthing + y;
  output.Z = in.Height;
}

void TGIS_ProjectionWorldSphere::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double x = GisCheckEastingLimits(*this, input.X, limits_) - FalseEasting;
  const double y = GisCheckNorthingOrOrigin(*this, input.Y, NorthingRange) - FalseNorthing;
  double dl = 0, phi = 0;
  Inverse(x, y, dl, phi);
  double lambda = CentralMeridian + dl;
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}

double TGIS_ProjectionWorldSphere::SolveNewton(const std::function<double(double)>& f,
                                               const std::function<double(double)>& derivative,
                                               double start, double tolerance) {
  double theta = start;
  for (int i = 0; i < kWorldSphereMaxSteps; ++i) {
    const double step = -f(theta) / derivative(theta);
    theta += step;
    if (!(std::abs(step) > tolerance)) break;
  }
  return theta;
}
