#include "gis/coords/GisProjectionMercator.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kMercatorLatitudeLimit = 1.5664330036649108; // 89.75°

} // namespace

TGIS_ProjectionMercator::TGIS_ProjectionMercator() {
  UpdateConstants();
}

void TGIS_ProjectionMercator::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  OriginLatitude = ClampWithWarning(parameters.OriginLatitude, -kMercatorLatitudeLimit, kMercatorLatitudeLimit,
                                    GIS_RS_ERR_ORIGINLATITUDE_FIXED);
  CentralMeridian = FixCentralMeridian(parameters.CentralMeridian, -std::numbers::pi);
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
  UpdateConstants();
}

void TGIS_ProjectionMercator::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  if (CentralMeridian > std::numbers::pi) CentralMeridian -= 2 * std::numbers::pi;
  ScaleFactor = static_cast<double>(ParallelRadius(OriginLatitude));
  // The ranges are measured from the false origin, so that every easting
  // and northing Project gives is accepted back whatever the false origin.
  TGIS_Point3D corner{CentralMeridian + std::numbers::pi, kMercatorLatitudeLimit, 0, 0};
  Project(corner, corner);
  EastingRange = 1.01 * std::abs(corner.X - FalseEasting);
  NorthingRange = 1.01 * (corner.Y - FalseNorthing);
}

void TGIS_ProjectionMercator::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, kMercatorLatitudeLimit);
  const double ak0 = static_cast<double>(A) * ScaleFactor;
  const double e = static_cast<double>(E);
  const double es = e * std::sin(in.Latitude);
  output.X = FalseEasting + ak0 * in.DeltaLongitude;
  output.Y = FalseNorthing + ak0 * std::log(std::tan(std::numbers::pi / 4 + in.Latitude / 2) *
                                            std::pow((1 - es) / (1 + es), e / 2));
  output.Z = in.Height;
}

void TGIS_ProjectionMercator::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double ak0 = static_cast<double>(A) * ScaleFactor;
  const double lambda = (in.Easting - FalseEasting) / ak0 + CentralMeridian;
  const double t = std::exp(-(in.Northing - FalseNorthing) / ak0);
  const double chi = std::numbers::pi / 2 - 2 * std::atan(t);
  const double phi = series_.Latitude(chi);
  output.X = WrapLongitude(lambda);
  output.Y = phi;
  output.Z = in.Height;
}
