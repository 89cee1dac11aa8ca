#include "gis/coords/GisProjectionConic.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {


} // namespace

TGIS_ProjectionConic::TGIS_ProjectionConic(double parallelLimit) : parallelLimit_(parallelLimit) {
  OriginLatitude = std::numbers::pi / 4;
  StandardParallel1 = 0.6981317007977318;
  StandardParallel2 = 0.8726646259971648;
  EastingRange = 40000000;
  NorthingRange = 40000000;
}

void TGIS_ProjectionConic::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, true);
  StandardParallel1 = ClampWithWarning(parameters.StandardParallel1, -parallelLimit_,
                                       parallelLimit_, GIS_RS_ERR_STANDARDPARALLEL_1_FIXED);
  StandardParallel2 = ClampWithWarning(parameters.StandardParallel2, -parallelLimit_,
                                       parallelLimit_, GIS_RS_ERR_STANDARDPARALLEL_2_FIXED);
  UpdateConstants();
}

void TGIS_ProjectionConic::PlaceOnCone(double rho, double deltaLongitude,
                                       TGIS_Point3D& output) const {
  const double theta = static_cast<double>(n_) * deltaLongitude;
  output.X = FalseEasting + rho * std::sin(theta);
  output.Y = FalseNorthing + static_cast<double>(rho0_) - rho * std::cos(theta);
}

TGIS_ProjectionConic::ConePoint TGIS_ProjectionConic::FromApex(const InverseInput& input) const {
  ConePoint p;
  p.X = input.Easting - FalseEasting;
  p.Y = static_cast<double>(rho0_) - (input.Northing - FalseNorthing);
  p.Rho = std::sqrt(p.X * p.X + p.Y * p.Y);
  if (n_ < 0) {
    p.X = -p.X;
    p.Y = -p.Y;
    p.Rho = -p.Rho;
  }
  return p;
}
