#include "gis/coords/GisProjectionWagner4.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kWagner4Cx = 0.8631;
constexpr double kWagner4Cy = 1.56548;
constexpr double kCp = 2.9604205062;

} // namespace

TGIS_ProjectionWagner4::TGIS_ProjectionWagner4()
    : TGIS_RegisteredProjection(17653838, 17555761, 8826919) {
  UpdateConstants();
}

void TGIS_ProjectionWagner4::Forward(double dl, double phi, double& x, double& y) const {
  const double k = kCp * std::sin(phi);
  const double theta = SolveNewton([k](double t) { return t + std::sin(t) - k; },
                                   [](double t) { return 1 + std::cos(t); }, phi, 1e-10) /
                       2;
  x = kWagner4Cx * R() * dl * std::cos(theta);
  y = kWagner4Cy * R() * std::sin(theta);
}

void TGIS_ProjectionWagner4::Inverse(double x, double y, double& dl, double& phi) const {
  const double theta = std::asin(std::clamp(y / (kWagner4Cy * R()), -1.0, 1.0));
  phi = std::asin(std::clamp((2 * theta + std::sin(2 * theta)) / kCp, -1.0, 1.0));
  dl = x / (kWagner4Cx * R() * std::cos(theta));
}
