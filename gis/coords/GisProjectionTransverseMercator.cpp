#include "gis/coords/GisProjectionTransverseMercator.h"

#include "gis/coords/GisCoordsKernel.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kDistortionLimit = 0.15707963267948966; // 9°
constexpr double kMinScale = 0.3;
constexpr double kMaxScale = 3.0;

bool Within(double value, double centre, double range) {
  return value >= centre - range && value <= centre + range; // false for NaN
}

} // namespace

TGIS_ProjectionTransverseMercator::TGIS_ProjectionTransverseMercator() {
  UpdateConstants();
}

void TGIS_ProjectionTransverseMercator::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  keptOriginLatitude_ = FixOriginLatitude(parameters.OriginLatitude);
  keptCentralMeridian_ = FixCentralMeridian(parameters.CentralMeridian, -std::numbers::pi);
  keptScaleFactor_ =
      ClampWithWarning(parameters.ScaleFactor, kMinScale, kMaxScale, GIS_RS_ERR_SCALEFACTOR_FIXED);
  keptFalseEasting_ = parameters.FalseEasting;
  keptFalseNorthing_ = parameters.FalseNorthing;
  UpdateConstants();
}

void TGIS_ProjectionTransverseMercator::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  CentralMeridian = 0;
  OriginLatitude = 0;
  FalseEasting = 0;
  FalseNorthing = 0;
  ScaleFactor = 1;

  const long double n = (A - B) / (A + B);
  const long double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
  n_ = n;
  ap_ = A * (1 - n + 5 * (n2 - n3) / 4 + 81 * (n4 - n5) / 64);
  bp_ = 3 * A * (n - n2 + 7 * (n3 - n4) / 8 + 55 * n5 / 64) / 2;
  cp_ = 15 * A * (n2 - n3 + 3 * (n4 - n5) / 4) / 16;
  dp_ = 35 * A * (n3 - n4 + 11 * n5 / 16) / 48;
  ep_ = 315 * A * (n4 - n5) / 512;
  f2_ = 3 * n / 2 - 27 * n3 / 32 + 269 * n5 / 512;
  f4_ = 21 * n2 / 16 - 55 * n4 / 32;
  f6_ = 151 * n3 / 96 - 417 * n5 / 128;
  f8_ = 1097 * n4 / 512;
  f10_ = 8011 * n5 / 2560;
  originDistance_ = 0;

  TGIS_Point3D corner{std::numbers::pi / 2, std::numbers::pi / 2, 0, 0};
  Project(corner, corner);
  NorthingRange = corner.Y;
  TGIS_Point3D side{std::numbers::pi / 2, 0, 0, 0};
  Project(side, side);
  EastingRange = side.X;

  CentralMeridian =
      keptCentralMeridian_ > std::numbers::pi ? keptCentralMeridian_ - 2 * std::numbers::pi : keptCentralMeridian_;
  OriginLatitude = keptOriginLatitude_;
  FalseEasting = keptFalseEasting_;
  FalseNorthing = keptFalseNorthing_;
  ScaleFactor = keptScaleFactor_;
  originDistance_ = MeridianDistance(OriginLatitude);
}

double TGIS_ProjectionTransverseMercator::MeridianDistance(double latitude) const {
  return MeridianDistance(latitude, std::sin(latitude), std::cos(latitude));
}

double TGIS_ProjectionTransverseMercator::MeridianDistance(double latitude, double sinLat,
                                                           double cosLat) const {
  const double ap = static_cast<double>(ap_), bp = static_cast<double>(bp_);
  const double cp = static_cast<double>(cp_), dp = static_cast<double>(dp_);
  const double ep = static_cast<double>(ep_);
  // sin 2φ .. sin 8φ from sin φ and cos φ by the angle-sum identities.
  const double s2 = 2 * sinLat * cosLat, c2 = cosLat * cosLat - sinLat * sinLat;
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2;
  const double s8 = 2 * s4 * c4;
  return ap * latitude - bp * s2 + cp * s4 - dp * s6 + ep * s8;
}

double TGIS_ProjectionTransverseMercator::FootpointLatitude(double distance) const {
  // The rectifying latitude's series, to the fifth power of n like the
  // meridian distance: within 1e-14 rad of the latitude whose distance it is.
  const double mu = distance / static_cast<double>(ap_);
  const double s2 = std::sin(2 * mu), c2 = std::cos(2 * mu);
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2, c6 = c4 * c2 - s4 * s2;
  const double s8 = 2 * s4 * c4, s10 = s6 * c4 + c6 * s4;
  return mu + static_cast<double>(f2_) * s2 + static_cast<double>(f4_) * s4 +
         static_cast<double>(f6_) * s6 + static_cast<double>(f8_) * s8 +
         static_cast<double>(f10_) * s10;
}

double TGIS_ProjectionTransverseMercator::DeltaLongitude(double longitude) {
  // The unreduced difference decides the distortion warning, so a point just
  // across the antimeridian from a meridian near it still records it.
  double raw = longitude - CentralMeridian;
  const double reduced = WrapLongitude(raw);
  double delta = reduced;
  if (std::abs(reduced) > std::numbers::pi / 2) {
    AddWarning(GIS_RS_ERR_LONGITUDE_FIXED);
    delta = std::copysign(std::numbers::pi / 2, reduced);
    raw = delta;
  }
  if (std::abs(raw) > kDistortionLimit) AddWarning(GIS_RS_ERR_PRJ_DISTORTED);
  if (std::abs(delta) < 2e-10) delta = 0;
  return delta;
}

void TGIS_ProjectionTransverseMercator::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double height = input.Z;
  const double phi = ClampWithWarning(input.Y, -std::numbers::pi / 2, std::numbers::pi / 2, GIS_RS_ERR_LATITUDE_FIXED);
  double lambda = input.X;
  if (lambda > std::numbers::pi) lambda -= 2 * std::numbers::pi;
  const double dl = DeltaLongitude(lambda);

  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  const double ep2 = static_cast<double>(EP2), k0 = ScaleFactor;
  const double s = std::sin(phi), c = std::cos(phi), t = s / c;
  const double eta = ep2 * c * c, eta2 = eta * eta, eta3 = eta2 * eta, eta4 = eta3 * eta;
  const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double rn = a / std::sqrt(1 - e2 * s * s);
  const double distance = MeridianDistance(phi, s, c);
  const double c2 = c * c, c3 = c2 * c, c5 = c3 * c2, c7 = c5 * c2;
  const double dl2 = dl * dl;

  const double y1 = (distance - originDistance_) * k0;
  const double y2 = rn * s * c * k0 / 2;
  const double y3 = rn * s * c3 * k0 * (5 - t2 + 9 * eta + 4 * eta2) / 24;
  const double y4 = rn * s * c5 * k0 *
                    (61 - 58 * t2 + t4 + 270 * eta - 330 * t2 * eta + 445 * eta2 + 324 * eta3 -
                     680 * t2 * eta2 + 88 * eta4 - 600 * t2 * eta3 - 192 * t2 * eta4) /
                    720;
  const double y5 = rn * s * c7 * k0 * (1385 - 3111 * t2 + 543 * t4 - t6) / 40320;
  const double x1 = rn * c * k0;
  const double x2 = rn * c3 * k0 * (1 - t2 + eta) / 6;
  const double x3 = rn * c5 * k0 *
                    (5 - 18 * t2 + t4 + 14 * eta - 58 * t2 * eta + 13 * eta2 + 4 * eta3 -
                     64 * t2 * eta2 - 24 * t2 * eta3) /
                    120;
  const double x4 = rn * c7 * k0 * (61 - 479 * t2 + 179 * t4 - t6) / 5040;

  output.Y = FalseNorthing + y1 + dl2 * (y2 + dl2 * (y3 + dl2 * (y4 + dl2 * y5)));
  output.X = FalseEasting + dl * (x1 + dl2 * (x2 + dl2 * (x3 + dl2 * x4)));
  output.Z = height;
}

void TGIS_ProjectionTransverseMercator::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  if (!Within(input.X, FalseEasting, EastingRange))
    gis_coords::RaiseGis(GIS_RS_ERR_EASTING_INVALID, gis_coords::FloatText(input.X));
  if (!Within(input.Y, FalseNorthing, NorthingRange))
    gis_coords::RaiseGis(GIS_RS_ERR_NORTHING_INVALID, gis_coords::FloatText(input.Y));
  const double height = input.Z;

  const double a = static_cast<double>(A), e2 = static_cast<double>(E2);
  const double ep2 = static_cast<double>(EP2), k0 = ScaleFactor;
  const double distance = originDistance_ + (input.Y - FalseNorthing) / k0;
  const double phif = FootpointLatitude(distance);

  const double s = std::sin(phif), c = std::cos(phif), t = s / c;
  const double w = std::sqrt(1 - e2 * s * s);
  const double rn = a / w, rm = a * (1 - e2) / (w * w * w);
  const double eta = ep2 * c * c, eta2 = eta * eta, eta3 = eta2 * eta, eta4 = eta3 * eta;
  const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double k2 = k0 * k0, k3 = k2 * k0, k4 = k2 * k2, k5 = k4 * k0, k6 = k4 * k2, k7 = k6 * k0,
               k8 = k4 * k4;
  const double rn2 = rn * rn, rn3 = rn2 * rn, rn5 = rn3 * rn2, rn7 = rn5 * rn2;
  double d = input.X - FalseEasting;
  if (std::abs(d) < 0.0001) d = 0;
  const double d2 = d * d;

  const double p1 = t / (2 * rm * rn * k2);
  const double p2 = t * (5 + 3 * t2 + eta - 4 * eta2 - 9 * t2 * eta) / (24 * rm * rn3 * k4);
  const double p3 =
      t *
      (61 + 90 * t2 + 46 * eta + 45 * t4 - 252 * t2 * eta - 3 * eta2 + 100 * eta3 - 66 * t2 * eta2 -
       90 * t4 * eta + 88 * eta4 + 225 * t4 * eta2 + 84 * t2 * eta3 - 192 * t2 * eta4) /
      (720 * rm * rn5 * k6);
  const double p4 = t * (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6) / (40320 * rm * rn7 * k8);
  double phi = phif - d2 * (p1 - d2 * (p2 - d2 * (p3 - d2 * p4)));

  const double q1 = 1 / (rn * c * k0);
  const double q2 = (1 + 2 * t2 + eta) / (6 * rn3 * c * k3);
  const double q3 = (5 + 6 * eta + 28 * t2 - 3 * eta2 + 8 * t2 * eta + 24 * t4 - 4 * eta3 +
                     4 * t2 * eta2 + 24 * t2 * eta3) /
                    (120 * rn5 * c * k5);
  const double q4 = (61 + 662 * t2 + 1320 * t4 + 720 * t6) / (5040 * rn7 * c * k7);
  const double dl = d * (q1 - d2 * (q2 - d2 * (q3 - d2 * q4)));
  double lambda = CentralMeridian + dl;

  if (lambda > std::numbers::pi) lambda = std::numbers::pi;
  if (lambda < -std::numbers::pi) lambda = -std::numbers::pi;
  if (phi > std::numbers::pi / 2) phi = std::numbers::pi / 2;
  if (phi < -std::numbers::pi / 2) phi = -std::numbers::pi / 2;
  if (std::abs(dl) > kDistortionLimit) AddWarning(GIS_RS_ERR_PRJ_DISTORTED);
  output.X = lambda;
  output.Y = phi;
  output.Z = height;
}
