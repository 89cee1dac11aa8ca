#include "gis/coords/GisProjectionMeridianSeries.h"

#include <cmath>

void TGIS_MeridianSeries::Compute(long double e2) {
  const long double e4 = e2 * e2, e6 = e4 * e2;
  E0 = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
  E1 = 3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024;
  E2 = 15 * e4 / 256 + 45 * e6 / 1024;
  E3 = 35 * e6 / 3072;
  d0_ = static_cast<double>(E0);
  d1_ = static_cast<double>(E1);
  d2_ = static_cast<double>(E2);
  d3_ = static_cast<double>(E3);
  const long double root = std::sqrt(1 - e2);
  const long double eps = (1 - root) / (1 + root);
  const long double eps2 = eps * eps, eps3 = eps2 * eps, eps4 = eps3 * eps;
  J1 = 3 * eps / 2 - 27 * eps3 / 32;
  J2 = 21 * eps2 / 16 - 55 * eps4 / 32;
  J3 = 151 * eps3 / 96;
  J4 = 1097 * eps4 / 512;
}

double TGIS_MeridianSeries::Distance(double latitude) const {
  return static_cast<double>(E0) * latitude - static_cast<double>(E1) * std::sin(2 * latitude) +
         static_cast<double>(E2) * std::sin(4 * latitude) -
         static_cast<double>(E3) * std::sin(6 * latitude);
}

double TGIS_MeridianSeries::Derivative(double latitude) const {
  return static_cast<double>(E0) - 2 * static_cast<double>(E1) * std::cos(2 * latitude) +
         4 * static_cast<double>(E2) * std::cos(4 * latitude) -
         6 * static_cast<double>(E3) * std::cos(6 * latitude);
}

void TGIS_MeridianSeries::DistanceAndDerivative(double latitude, double sin2, double cos2,
                                                double& distance, double& derivative) const {
  const double sin4 = 2 * sin2 * cos2, cos4 = 2 * cos2 * cos2 - 1;
  const double sin6 = sin4 * cos2 + cos4 * sin2, cos6 = cos4 * cos2 - sin4 * sin2;
  distance = d0_ * latitude - d1_ * sin2 + d2_ * sin4 - d3_ * sin6;
  derivative = d0_ - 2 * d1_ * cos2 + 4 * d2_ * cos4 - 6 * d3_ * cos6;
}

double TGIS_MeridianSeries::Footpoint(double mu) const {
  return mu + static_cast<double>(J1) * std::sin(2 * mu) +
         static_cast<double>(J2) * std::sin(4 * mu) + static_cast<double>(J3) * std::sin(6 * mu) +
         static_cast<double>(J4) * std::sin(8 * mu);
}

void TGIS_ConformalSeries::Compute(long double e2) {
  const long double e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4;
  A2 = e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360;
  A4 = 7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520;
  A6 = 7 * e6 / 120 + 81 * e8 / 1120;
  A8 = 4279 * e8 / 161280;
}

double TGIS_ConformalSeries::Latitude(double chi) const {
  return chi + static_cast<double>(A2) * std::sin(2 * chi) +
         static_cast<double>(A4) * std::sin(4 * chi) + static_cast<double>(A6) * std::sin(6 * chi) +
         static_cast<double>(A8) * std::sin(8 * chi);
}
