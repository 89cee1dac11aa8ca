#include "gis/coords/GisProjectionMercator.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLatitudeLimit = 1.5664330036649108; // 89.75°

} // namespace

TGIS_ProjectionMercator::TGIS_ProjectionMercator() {
  UpdateConstants();
}

void TGIS_ProjectionMercator::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  OriginLatitude = ClampWithWarning(parameters.OriginLatitude, -kLatitudeLimit, kLatitudeLimit,
                                    GIS_RS_ERR_ORIGINLATITUDE_FIXED);
  CentralMeridian = FixCentralMeridian(parameters.CentralMeridian, -kPi);
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
  UpdateConstants();
}

void TGIS_ProjectionMercator::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  series_.Compute(E2);
  if (CentralMeridian > kPi) CentralMeridian -= 2 * kPi;
  ScaleFactor = static_cast<double>(ParallelRadius(OriginLatitude));
  // The ranges are measured from the false origin, so that every easting
  // and northing Project gives is accepted back whatever the false origin.
  TGIS_Point3D corner{CentralMeridian + kPi, kLatitudeLimit, 0, 0};
  Project(corner, corner);
  EastingRange = 1.01 * std::abs(corner.X - FalseEasting);
  NorthingRange = 1.01 * (corner.Y - FalseNorthing);
}

void TGIS_ProjectionMercator::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, kLatitudeLimit);
  const double ak0 = static_cast<double>(A) * ScaleFactor;
  const double e = static_cast<double>(E);
  const double es = e * std::sin(in.Latitude);
  output.X = FalseEasting + ak0 * in.DeltaLongitude;
  output.Y = FalseNorthing + ak0 * std::log(std::tan(kPi / 4 + in.Latitude / 2) *
                                            std::pow((1 - es) / (1 + es), e / 2));
  output.Z = in.Height;
}

void TGIS_ProjectionMercator::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  const double ak0 = static_cast<double>(A) * ScaleFactor;
  const double lambda = (in.Easting - FalseEasting) / ak0 + CentralMeridian;
  const double t = std::exp(-(in.Northing - FalseNorthing) / ak0);
  const double chi = kPi / 2 - 2 * std::atan(t);
  const double phi = series_.Latitude(chi);
  output.X = WrapLongitude(lambda);
  output.Y = phi;
  output.Z = in.Height;
}
