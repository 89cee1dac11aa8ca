#include "gis/coords/GisProjectionEckert6.h"

#include "gis/coords/GisProjectionTable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr const char* kCode = "EC6";
constexpr double kPi = std::numbers::pi;
const double kRoot = std::sqrt(2 + kPi);

} // namespace

TGIS_ProjectionEckert6::TGIS_ProjectionEckert6()
    : TGIS_ProjectionWorldSphere(17653838, 17555761, 8826919) {
  UpdateConstants();
}

std::string TGIS_ProjectionEckert6::GetCode() const {
  return kCode;
}

std::string TGIS_ProjectionEckert6::GetDescription() const {
  return GisFindProjectionRow(kCode)->Description;
}

TGIS_ProjectionParameters TGIS_ProjectionEckert6::GetParameterMask() const {
  return GisFindProjectionRow(kCode)->Mask;
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionEckert6::Create() const {
  return std::make_unique<TGIS_ProjectionEckert6>();
}

void TGIS_ProjectionEckert6::Forward(double dl, double phi, double& x, double& y) const {
  const double k = (1 + kPi / 2) * std::sin(phi);
  const double theta = SolveNewton([k](double t) { return t + std::sin(t) - k; },
                                   [](double t) { return 1 + std::cos(t); }, phi, 4.85e-10);
  x = R() / kRoot * dl * (1 + std::cos(theta));
  y = 2 * R() / kRoot * theta;
}

void TGIS_ProjectionEckert6::Inverse(double x, double y, double& dl, double& phi) const {
  const double theta = y * kRoot / (2 * R());
  phi = std::asin(std::clamp((theta + std::sin(theta)) / (1 + kPi / 2), -1.0, 1.0));
  dl = x * kRoot / (R() * (1 + std::cos(theta)));
}
