#include "gis/coords/GisProjectionHotine.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr long double kPiL = std::numbers::pi_v<long double>;
constexpr double kTiny = 1e-10;
constexpr int kSolverSteps = 16;

long double ClampedAsin(long double value) {
  return std::asin(std::clamp(value, -1.0L, 1.0L));
}

bool AtEquatorOrPole(double latitude) {
  return std::abs(latitude) <= kTiny || std::abs(std::abs(latitude) - std::numbers::pi / 2) <= kTiny;
}

} // namespace

// --- the azimuth form ---

TGIS_ProjectionHotine::TGIS_ProjectionHotine() {
  OriginLatitude = std::numbers::pi / 4;
  UpdateConstants();
}

void TGIS_ProjectionHotine::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  StoreCentre(parameters);
  Azimuth = parameters.Azimuth;
  UpdateConstants();
}

void TGIS_ProjectionHotine::StoreCentre(const TGIS_ProjectionSetUp& parameters) {
  OriginLatitude = FixOriginLatitude(parameters.OriginLatitude);
  // Clamped, not reduced: the longitude of origin is derived from it.
  CentralMeridian = parameters.CentralMeridian;
  if (CentralMeridian < -std::numbers::pi || CentralMeridian > 2 * std::numbers::pi) {
    AddWarning(GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
    CentralMeridian = CentralMeridian < -std::numbers::pi ? std::numbers::pi : 2 * std::numbers::pi;
  }
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
  ScaleFactor = parameters.ScaleFactor;
}

long double TGIS_ProjectionHotine::ComputeOriginConstants() {
  const long double phi0 = OriginLatitude;
  sinPhi0_ = std::sin(phi0);
  cosPhi0_ = std::cos(phi0);
  const long double c = 1 - E2 * sinPhi0_ * sinPhi0_;
  const long double r = std::sqrt(1 - E2);
  const long double cos2 = cosPhi0_ * cosPhi0_;
  b_ = std::sqrt(1 + E2 * cos2 * cos2 / (1 - E2));
  a_ = A * b_ * ScaleFactor * r / c;
  if (std::abs(phi0) < kTiny) {
    d_ = e_ = 1;
    return 1;
  }
  d_ = b_ * r / (cosPhi0_ * std::sqrt(c));
  const long double d2m1 = d_ * d_ - 1;
  long double f = d_;
  if (d2m1 > 0) f = phi0 >= 0 ? d_ + std::sqrt(d2m1) : d_ - std::sqrt(d2m1);
  e_ = f * std::pow(ConformalT(phi0), b_);
  return f;
}

void TGIS_ProjectionHotine::ComputeRotation(long double gamma0) {
  sinGamma0_ = std::sin(gamma0);
  cosGamma0_ = std::cos(gamma0);
  sinAlpha_ = std::sin(static_cast<long double>(Azimuth));
  cosAlpha_ = std::cos(static_cast<long double>(Azimuth));
  const long double d2m1 = std::max(d_ * d_ - 1, 0.0L);
  uc_ = (a_ / b_) * std::atan(std::sqrt(d2m1) / cosAlpha_);
  if (OriginLatitude < 0) uc_ = -uc_;
  point_.A = static_cast<double>(a_);
  point_.B = static_cast<double>(b_);
  point_.E = static_cast<double>(e_);
  point_.Uc = static_cast<double>(uc_);
  point_.Lambda0 = static_cast<double>(lambda0_);
  point_.Eccentricity = static_cast<double>(E);
  point_.SinGamma0 = static_cast<double>(sinGamma0_);
  point_.CosGamma0 = static_cast<double>(cosGamma0_);
  point_.SinAlpha = static_cast<double>(sinAlpha_);
  point_.CosAlpha = static_cast<double>(cosAlpha_);
}

void TGIS_ProjectionHotine::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  const long double f = ComputeOriginConstants();
  const long double g = (f - 1 / f) / 2;
  const long double gamma0 = ClampedAsin(std::sin(static_cast<long double>(Azimuth)) / d_);
  lambda0_ = CentralMeridian - ClampedAsin(g * std::tan(gamma0)) / b_;
  if (AtEquatorOrPole(OriginLatitude)) gis_coords::RaiseGis(GIS_RS_ERR_ORIGINLATITUDE_INVALID);
  ComputeRotation(gamma0);
}

double TGIS_ProjectionHotine::ReduceLongitude(double longitude) {
  if (std::abs(longitude) <= std::numbers::pi) return longitude;
  if (std::abs(longitude) < 2 * std::numbers::pi) return longitude - std::copysign(2 * std::numbers::pi, longitude);
  return longitude - std::trunc(longitude / (2 * std::numbers::pi)) * (2 * std::numbers::pi);
}

double TGIS_ProjectionHotine::SolveLatitude(double t) const {
  bool settled;
  const double phi = LatitudeOfConformalT(t, std::numbers::pi / 2 * std::atan(t), kTiny, kSolverSteps, settled);
  if (!settled) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  return phi;
}

void TGIS_ProjectionHotine::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const PointConstants& k = point_;
  const double a = k.A, b = k.B;
  const double sinG0 = k.SinGamma0, cosG0 = k.CosGamma0;
  // A latitude beyond a pole is corrected to the pole with the warning the
  // other classes give (the formulas have no value there).
  ClearWarningFlag();
  const double phi = ClampWithWarning(input.Y, -std::numbers::pi / 2, std::numbers::pi / 2, GIS_RS_ERR_LATITUDE_FIXED);
  const double dLambda = ReduceLongitude(input.X - k.Lambda0);
  double u, bigU;
  if (std::abs(std::abs(phi) - std::numbers::pi / 2) > kTiny) {
    const double q = k.E / std::pow(ConformalTOf(phi, k.Eccentricity), b);
    const double s = (q - 1 / q) / 2, t = (q + 1 / q) / 2;
    const double v = std::sin(b * dLambda), cosBDl = std::cos(b * dLambda);
    bigU = (s * sinG0 - v * cosG0) / t;
    if (std::abs(cosBDl) < 1e-7) {
      u = a * dLambda; // the limit of the general form as cos BΔλ → 0
    } else {
      u = (a / b) * std::atan((s * cosG0 + v * sinG0) / cosBDl);
      if (cosBDl < 0) u += a * std::numbers::pi / b;
    }
  } else {
    bigU = phi >= 0 ? sinG0 : -sinG0;
    u = a * phi / b;
  }
  if (std::abs(std::abs(bigU) - 1) <= kTiny) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  const double v = a / (2 * b) * std::log((1 - bigU) / (1 + bigU));
  u -= k.Uc;
  output.Z = input.Z;
  output.X = FalseEasting + v * k.CosAlpha + u * k.SinAlpha;
  output.Y = FalseNorthing + u * k.CosAlpha - v * k.SinAlpha;
}

void TGIS_ProjectionHotine::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const PointConstants& k = point_;
  const double a = k.A, b = k.B;
  const double sinG0 = k.SinGamma0, cosG0 = k.CosGamma0;
  const double sinA = k.SinAlpha, cosA = k.CosAlpha;
  const double x = input.X - FalseEasting, y = input.Y - FalseNorthing;
  const double v = x * cosA - y * sinA;
  const double u = y * cosA + x * sinA + k.Uc;
  const double q = std::exp(-b * v / a);
  const double s = (q - 1 / q) / 2, t = (q + 1 / q) / 2;
  const double bigV = std::sin(b * u / a);
  const double bigU = (bigV * cosG0 + s * sinG0) / t;
  const double lambda0 = k.Lambda0;
  double lambda, phi;
  if (std::abs(std::abs(bigU) - 1) <= kTiny) {
    lambda = lambda0;
    phi = bigU >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  } else {
    const double conformal = std::pow(k.E / std::sqrt((1 + bigU) / (1 - bigU)), 1 / b);
    phi = SolveLatitude(conformal);
    lambda =
        ReduceLongitude(lambda0 - std::atan2(s * cosG0 - bigV * sinG0, std::cos(b * u / a)) / b);
  }
  output.X = lambda;
  output.Y = phi;
  output.Z = input.Z;
}

// --- the two-point form ---

TGIS_ProjectionHotine2::TGIS_ProjectionHotine2() {
  LongitudeOfPoint1 = -1;
  LatitudeOfPoint1 = -1;
  LongitudeOfPoint2 = 1;
  LatitudeOfPoint2 = 1;
  UpdateConstants();
}

void TGIS_ProjectionHotine2::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  // The points are stored first, so that the azimuth form's set-up already
  // computes with them: points refused once would otherwise stay behind and
  // make every later set-up fail.
  LongitudeOfPoint1 = parameters.LongitudeOfPoint1;
  LatitudeOfPoint1 = parameters.LatitudeOfPoint1;
  LongitudeOfPoint2 = parameters.LongitudeOfPoint2;
  LatitudeOfPoint2 = parameters.LatitudeOfPoint2;
  TGIS_ProjectionHotine::SetUp(parameters);
  StoreCentre(parameters); // checked again, its corrections recorded again
  UpdateConstants();
}

void TGIS_ProjectionHotine2::UpdateConstants() {
  TGIS_ProjectionHotine::UpdateConstants();
  const double phi1 = LatitudeOfPoint1, phi2 = LatitudeOfPoint2;
  if (std::abs(phi1 - phi2) <= kTiny) gis_coords::RaiseGis(GIS_RS_ERR_LATITUDEPOINT12_INVALID);
  if (AtEquatorOrPole(phi1)) gis_coords::RaiseGis(GIS_RS_ERR_ORIGINLATITUDE_INVALID);

  const long double h = std::pow(ConformalT(phi1), b_);
  const long double l = std::pow(ConformalT(phi2), b_);
  const long double f = e_ / h;
  const long double g = (f - 1 / f) / 2;
  const long double j = (e_ * e_ - l * h) / (e_ * e_ + l * h);
  const long double p = (l - h) / (l + h);
  const double lambda1 = LongitudeOfPoint1;
  if (lambda1 - LongitudeOfPoint2 < -std::numbers::pi)
    LongitudeOfPoint2 -= 2 * std::numbers::pi;
  else if (lambda1 - LongitudeOfPoint2 > std::numbers::pi)
    LongitudeOfPoint2 += 2 * std::numbers::pi;
  const long double lambda2 = LongitudeOfPoint2;
  lambda0_ =
      (lambda1 + lambda2) / 2 - std::atan(j * std::tan(b_ * (lambda1 - lambda2) / 2) / p) / b_;
  const long double r1 = ReduceLongitude(static_cast<double>(lambda1 - lambda0_));
  const long double gamma0 = std::atan(std::sin(b_ * r1) / g);
  Azimuth = static_cast<double>(ClampedAsin(d_ * std::sin(gamma0)));
  ComputeRotation(gamma0);
}
