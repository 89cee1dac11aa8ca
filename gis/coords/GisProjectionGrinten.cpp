#include "gis/coords/GisProjectionGrinten.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {


// Latitudes and longitude differences smaller than this are taken as the
// equator and the central meridian: the true result differs by far less
// than a micrometre, and the general form would overflow.
constexpr double kNegligible = 1e-20;
constexpr double kNearPole = 1e-5;
constexpr double kBoundSlack = 0.01; // metres

/// The map point (in units of πR', both not negative) of a latitude
/// parameter B = |2φ/π| in (0, 1) and A = |π/Δλ - Δλ/π| / 2.
///
/// The meridian and the parallel are circles; their intersection, written
/// with G - 1, P² - G² and P² - G as products of positive factors, is a
/// sum of positive terms throughout, so nothing cancels near the axes.
struct UnitPoint {
  double X, Y;
};
UnitPoint Intersect(double b, double a) {
  const double c = std::sqrt((1 - b) * (1 + b)); // cos θ, where sin θ = B
  const double d = b * (1 + c - b);
  const double g = c * (1 + c) / d;             // G
  const double gMinus1 = (1 + c) * (1 - b) / d; // G - 1
  const double p = g * (2 - b) / b;             // P
  const double p2 = p * p;
  const double p2MinusG2 = 4 * g * g * (1 - b) / (b * b);
  const double p2MinusG = p2MinusG2 + g * gMinus1;
  const double a2 = a * a;
  const double x =
      p2MinusG2 / (a * p2MinusG + std::sqrt(a2 * p2MinusG * p2MinusG + (p2 + a2) * p2MinusG2));
  // (A² + 1)(P² + A²) - Q², without its A⁴ terms.
  const double radicand = a2 * (p2MinusG2 + gMinus1 * gMinus1) + p2MinusG2;
  // (P Q)² - A² · radicand, the numerator of the rationalised northing.
  const double twoGMinus1 = g + gMinus1;
  const double numerator = a2 * a2 * twoGMinus1 + a2 * (p2 * twoGMinus1 + g * g) + p2 * g * g;
  const double y = numerator / ((p * (a2 + g) + a * std::sqrt(radicand)) * (p2 + a2));
  return {x, y};
}

double GrintenSign(double value) {
  return value < 0 ? -1.0 : 1.0;
}

} // namespace

TGIS_ProjectionGrinten::TGIS_ProjectionGrinten() {
  UpdateConstants();
}

void TGIS_ProjectionGrinten::SetUp(const TGIS_ProjectionSetUp& parameters) {
  BeginSetUp(parameters, false);
  UpdateConstants();
}

void TGIS_ProjectionGrinten::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  r_ = EqualAreaRadius() / std::sqrt(2 + std::numbers::pi_v<long double>);
  piR_ = std::numbers::pi_v<long double> * r_;
}

void TGIS_ProjectionGrinten::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const ForwardInput in = CheckForwardInput(input, std::numbers::pi / 2);
  output.Z = in.Height;
  const double phi = in.Latitude;
  const double dLambda = in.DeltaLongitude;
  if (std::isnan(phi) || std::isnan(dLambda)) {
    output.X = output.Y = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  const double piR = static_cast<double>(piR_);
  if (std::abs(phi) < kNegligible) {
    output.X = FalseEasting + static_cast<double>(r_) * dLambda;
    output.Y = FalseNorthing;
    return;
  }
  const double b = std::min(std::abs(2 * phi / std::numbers::pi), 1.0);
  if (std::abs(dLambda) < kNegligible || std::abs(std::numbers::pi / 2 - std::abs(phi)) < kNearPole) {
    // tan(θ/2) with sin θ = B.
    output.X = FalseEasting;
    output.Y = FalseNorthing + GrintenSign(phi) * piR * b / (1 + std::sqrt((1 - b) * (1 + b)));
    return;
  }
  const double a = std::abs(std::numbers::pi / dLambda - dLambda / std::numbers::pi) / 2;
  const UnitPoint unit = Intersect(b, a);
  output.X = FalseEasting + GrintenSign(dLambda) * piR * unit.X;
  output.Y = FalseNorthing + GrintenSign(phi) * piR * unit.Y;
}

double TGIS_ProjectionGrinten::CheckBound(double value, double origin, const std::string& warning) {
  const double piR = static_cast<double>(piR_);
  if (value < origin - piR - kBoundSlack) {
    AddWarning(warning);
    return origin - piR;
  }
  if (value > origin + piR + kBoundSlack) {
    AddWarning(warning);
    return origin + piR;
  }
  return value;
}

void TGIS_ProjectionGrinten::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  const double piR = static_cast<double>(piR_);
  const double xx =
      (CheckBound(input.X, FalseEasting, GIS_RS_ERR_EASTING_FIXED) - FalseEasting) / piR;
  const double yy =
      (CheckBound(input.Y, FalseNorthing, GIS_RS_ERR_NORTHING_FIXED) - FalseNorthing) / piR;
  output.Z = input.Z;
  const double x2 = xx * xx, y2 = yy * yy, r2 = x2 + y2;

  double phi = 0;
  if (yy != 0) {
    const double c1 = -std::abs(yy) * (1 + r2);
    const double c2 = c1 - 2 * y2 + x2;
    const double c3 = -2 * c1 + 1 + 2 * y2 + r2 * r2;
    const double d = y2 / c3 + (2 * c2 * c2 * c2 / (c3 * c3 * c3) - 9 * c1 * c2 / (c3 * c3)) / 27;
    const double a1 = (c1 - c2 * c2 / (3 * c3)) / c3;
    const double m1 = 2 * std::sqrt(-a1 / 3);
    double h = 3 * d / (a1 * m1);
    // On the boundary meridian h comes out a rounding error beyond ±1;
    // only a clear excess means the pole.
    if (std::abs(h) <= 1 + 1e-10) h = std::clamp(h, -1.0, 1.0);
    if (h > 1 || h < -1)
      phi = std::numbers::pi / 2;
    else
      phi = std::numbers::pi * (-m1 * std::cos(std::acos(h) / 3 + std::numbers::pi / 3) - c2 / (3 * c3));
    if (yy < 0) phi = -phi;
  }
  double lambda = CentralMeridian;
  if (xx != 0) lambda += std::numbers::pi * (r2 - 1 + std::sqrt(1 + 2 * (x2 - y2) + r2 * r2)) / (2 * xx);
  NormalizeOutput(lambda, phi);
  output.X = lambda;
  output.Y = phi;
}
