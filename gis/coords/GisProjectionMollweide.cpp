#include "gis/coords/GisProjectionMollweide.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const double kSqrt2 = std::sqrt(2.0);
const double kSqrt8 = std::sqrt(8.0);

} // namespace

TGIS_ProjectionMollweide::TGIS_ProjectionMollweide()
    : TGIS_RegisteredProjection(18019930, 17919819, 9009965) {
  UpdateConstants();
}

void TGIS_ProjectionMollweide::Forward(double dl, double phi, double& x, double& y) const {
  double theta;
  if (std::abs(phi) == std::numbers::pi / 2) {
    // The Newton steps only creep towards the poles (f' vanishes there).
    theta = std::copysign(std::numbers::pi / 2, phi);
  } else {
    const double k = std::numbers::pi * std::sin(phi);
    theta = SolveNewton([k](double t) { return t + std::sin(t) - k; },
                        [](double t) { return 1 + std::cos(t); }, phi, 4.85e-10) /
            2;
  }
  x = R() * kSqrt8 / std::numbers::pi * dl * std::cos(theta);
  y = R() * kSqrt2 * std::sin(theta);
}

void TGIS_ProjectionMollweide::Inverse(double x, double y, double& dl, double& phi) const {
  const double s = y / (R() * kSqrt2);
  if (std::abs(s) > 1) {
    phi = std::copysign(std::numbers::pi / 2, y);
    dl = 0;
    return;
  }
  const double theta = std::asin(s);
  phi = std::asin(std::clamp((2 * theta + std::sin(2 * theta)) / std::numbers::pi, -1.0, 1.0));
  dl = std::abs(std::abs(phi) - std::numbers::pi / 2) < 1e-10 ? 0 : std::numbers::pi * x / (R() * kSqrt8 * std::cos(theta));
}
