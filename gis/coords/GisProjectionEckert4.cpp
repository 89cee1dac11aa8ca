#include "gis/coords/GisProjectionEckert4.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kCx = 0.4222382;
constexpr double kCy = 1.3265004;

} // namespace

TGIS_ProjectionEckert4::TGIS_ProjectionEckert4()
    : TGIS_RegisteredProjection(16902288, 16808386, 8451144) {
  UpdateConstants();
}

void TGIS_ProjectionEckert4::Forward(double dl, double phi, double& x, double& y) const {
  double theta;
  if (std::abs(phi) == kPi / 2) {
    theta = phi; // the Newton steps only creep towards the poles
  } else {
    const double k = (2 + kPi / 2) * std::sin(phi);
    theta = SolveNewton(
        [k](double t) { return t + std::sin(t) * std::cos(t) + 2 * std::sin(t) - k; },
        [](double t) { return 2 * std::cos(t) * (1 + std::cos(t)); }, phi / 2, 4.85e-10);
  }
  x = kCx * R() * dl * (1 + std::cos(theta));
  y = kCy * R() * std::sin(theta);
}

void TGIS_ProjectionEckert4::Inverse(double x, double y, double& dl, double& phi) const {
  const double theta = std::asin(std::clamp(y / (kCy * R()), -1.0, 1.0));
  const double s = std::sin(theta), c = std::cos(theta);
  phi = std::asin(std::clamp((theta + s * c + 2 * s) / (2 + kPi / 2), -1.0, 1.0));
  dl = x / (kCx * R() * (1 + c));
}
