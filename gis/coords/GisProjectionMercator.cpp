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
  const long double e4 = E2 * E2, e6 = e4 * E2, e8 = e4 * e4;
  a2_ = E2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360;
  a4_ = 7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520;
  a6_ = 7 * e6 / 120 + 81 * e8 / 1120;
  a8_ = 4279 * e8 / 161280;
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
  const double phi = chi + static_cast<double>(a2_) * std::sin(2 * chi) +
                     static_cast<double>(a4_) * std::sin(4 * chi) +
                     static_cast<double>(a6_) * std::sin(6 * chi) +
                     static_cast<double>(a8_) * std::sin(8 * chi);
  output.X = WrapLongitude(lambda);
  output.Y = phi;
  output.Z = in.Height;
}
