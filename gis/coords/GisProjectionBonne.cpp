#include "gis/coords/GisProjectionBonne.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {


bool NearPole(double latitude) {
  return std::abs(std::abs(latitude) - std::numbers::pi / 2) < 1e-5;
}

} // namespace

TGIS_ProjectionBonne::TGIS_ProjectionBonne() {
  OriginLatitude = std::numbers::pi / 4;
  EastingRange = 25000000;
  NorthingRange = 25000000;
  UpdateConstants();
}

void TGIS_ProjectionBonne::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  UpdateConstants();
}

void TGIS_ProjectionBonne::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  m1_ = A * series_.Distance(OriginLatitude);
  const double sinPhi1 = std::sin(OriginLatitude);
  am1_ = sinPhi1 == 0 ? 0 : A * ParallelRadius(OriginLatitude) / sinPhi1;
}

void TGIS_ProjectionBonne::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  output.Z = in.Height;
  if (in.Latitude == OriginLatitude && NearPole(in.Latitude)) {
    output.X = FalseEasting;
    output.Y = FalseNorthing;
    return;
  }
  const double a = static_cast<double>(A), am1 = static_cast<double>(am1_);
  const double rho = am1 + static_cast<double>(m1_) - a * series_.Distance(in.Latitude);
  const double theta =
      rho != 0 ? a * static_cast<double>(ParallelRadius(in.Latitude)) * in.DeltaLongitude / rho : 0;
  output.X = FalseEasting + rho * std::sin(theta);
  output.Y = FalseNorthing + am1 - rho * std::cos(theta);
}

void TGIS_ProjectionBonne::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double a = static_cast<double>(A), am1 = static_cast<double>(am1_);
  double x = in.Easting - FalseEasting;
  double y = am1 - (in.Northing - FalseNorthing);
  double rho = std::sqrt(x * x + y * y);
  if (OriginLatitude < 0) rho = -rho;
  const double mu = (am1 + static_cast<double>(m1_) - rho) / (a * static_cast<double>(series_.E0));
  double phi = series_.Footpoint(mu);
  double lambda = CentralMeridian;
  if (!NearPole(phi)) {
    if (OriginLatitude < 0) {
      x = -x;
      y = -y;
    }
    lambda =
        rho * std::atan2(x, y) / (a * static_cast<double>(ParallelRadius(phi))) + CentralMeridian;
  }
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
  output.Z = in.Height;
}
