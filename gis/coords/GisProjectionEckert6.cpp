#include "gis/coords/GisProjectionEckert6.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const double kRoot = std::sqrt(2 + std::numbers::pi);

} // namespace

TGIS_ProjectionEckert6::TGIS_ProjectionEckert6()
    : TGIS_RegisteredProjection(17653838, 17555761, 8826919) {
  UpdateConstants();
}

void TGIS_ProjectionEckert6::Forward(double dl, double phi, double& x, double& y) const {
  const double k = (1 + std::numbers::pi / 2) * std::sin(phi);
  const double theta = SolveNewton([k](double t) { return t + std::sin(t) - k; },
                                   [](double t) { return 1 + std::cos(t); }, phi, 4.85e-10);
  x = R() / kRoot * dl * (1 + std::cos(theta));
  y = 2 * R() / kRoot * theta;
}

void TGIS_ProjectionEckert6::Inverse(double x, double y, double& dl, double& phi) const {
  const double theta = y * kRoot / (2 * R());
  phi = std::asin(std::clamp((theta + std::sin(theta)) / (1 + std::numbers::pi / 2), -1.0, 1.0));
  dl = x * kRoot / (R() * (1 + std::cos(theta)));
}
