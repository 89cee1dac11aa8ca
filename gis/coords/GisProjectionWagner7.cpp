#include "gis/coords/GisProjectionWagner7.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kSinScale = 0.90631;
constexpr double kWagner7Cx = 2.66723;
constexpr double kWagner7Cy = 1.24104;
constexpr double kCs = 1.1247669624;

} // namespace

// The eastings are those of Eckert VI; the northings reach further: the map's
// corners (poles at 180 degrees from the central meridian) lie at
// 1.24104 * 0.90631 * sqrt(2 / (1 + cos psi / 2)) * R = 9207857.4 m.
TGIS_ProjectionWagner7::TGIS_ProjectionWagner7()
    : TGIS_RegisteredProjection(17653838, 17555761, 9207858) {
  UpdateConstants();
}

void TGIS_ProjectionWagner7::Forward(double dl, double phi, double& x, double& y) const {
  const double sinPsi = kSinScale * std::sin(phi);
  const double cosPsi = std::sqrt(1 - sinPsi * sinPsi);
  const double k = std::sqrt(2 / (1 + cosPsi * std::cos(dl / 3)));
  x = kWagner7Cx * R() * cosPsi * k * std::sin(dl / 3);
  y = kWagner7Cy * R() * sinPsi * k;
}

void TGIS_ProjectionWagner7::Inverse(double x, double y, double& dl, double& phi) const {
  const double xs = x / kWagner7Cx, ys = y / kWagner7Cy;
  const double rho = std::sqrt(xs * xs + ys * ys);
  if (rho == 0) { // the centre
    dl = 0;
    phi = 0;
    return;
  }
  const double t = rho / (2 * R());
  const double z = t > 1 ? std::numbers::pi : 2 * std::asin(t);
  phi = std::asin(std::clamp(y * std::sin(z) / (kCs * rho), -1.0, 1.0));
  dl = 3 * std::atan2(x * std::tan(z), kWagner7Cx * rho);
}
