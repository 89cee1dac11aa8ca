#include "gis/coords/GisProjectionEckert4.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kEckert4Cx = 0.4222382;
constexpr double kEckert4Cy = 1.3265004;

} // namespace

TGIS_ProjectionEckert4::TGIS_ProjectionEckert4()
    : TGIS_RegisteredProjection(16902288, 16808386, 8451144) {
  UpdateConstants();
}

void TGIS_ProjectionEckert4::Forward(double dl, double phi, double& x, double& y) const {
  double theta;
  if (std::abs(phi) == std::numbers::pi / 2) {
    theta = phi; // the Newton steps only creep towards the poles
  } else {
    const double k = (2 + std::numbers::pi / 2) * std::sin(phi);
    theta = SolveNewton(
        [k](double t) { return t + std::sin(t) * std::cos(t) + 2 * std::sin(t) - k; },
        [](double t) { return 2 * std::cos(t) * (1 + std::cos(t)); }, phi / 2, 4.85e-10);
  }
  x = kEckert4Cx * R() * dl * (1 + std::cos(theta));
  y = kEckert4Cy * R() * std::sin(theta);
}

void TGIS_ProjectionEckert4::Inverse(double x, double y, double& dl, double& phi) const {
  const double theta = std::asin(std::clamp(y / (kEckert4Cy * R()), -1.0, 1.0));
  const double s = std::sin(theta), c = std::cos(theta);
  phi = std::asin(std::clamp((theta + s * c + 2 * s) / (2 + std::numbers::pi / 2), -1.0, 1.0));
  dl = x / (kEckert4Cx * R() * (1 + c));
}
