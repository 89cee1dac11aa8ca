#include "gis/coords/GisProjectionNZMG.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisDatumList.h"

#include <cassert>
#include <cmath>
#include <complex>
#include <numbers>

using gis_coords::kRadiansPerDegree;

namespace {

// The latitude difference in units of 1e5 arc-seconds, and back.
constexpr double kToSeriesUnits = 2.0626480624709635518;
constexpr double kFromSeriesUnits = 0.48481368110953599365;
constexpr int kNZMGMaxSteps = 20;

using Complex = std::complex<double>;

// The published New Zealand Map Grid coefficients.
constexpr double kA[] = {0.6399175073, -0.1358797613, 0.063294409, -0.02526853, 0.0117879,
                         -0.0055161,   0.0026906,     -0.001333,   0.00067,     -0.00034};
const Complex kB[] = {{0.7557853228, 0},           {0.249204646, 0.003371507},
                      {-0.001541739, 0.041058560}, {-0.10162907, 0.01727609},
                      {-0.26623489, -0.36249218},  {-0.6870983, -1.1651967}};
constexpr double kC[] = {1.5627014243, 0.5185406398, -0.03333098, -0.1052906, -0.0368594,
                         0.007317,     0.01220,      0.00394,     -0.0013};

/// x·(c1 + x·(c2 + … + x·cn)), from the last coefficient inwards.
template <class T, class Coefficients> T Series(T x, const Coefficients& c) {
  T sum = 0;
  for (auto it = std::rbegin(c); it != std::rend(c); ++it)
    sum = *it + x * sum;
  return x * sum;
}

/// The complex series and its derivative Σ n·Bn·θ^(n−1), in one pass.
void SeriesWithDerivative(Complex theta, Complex& value, Complex& derivative) {
  Complex sum = 0, slope = 0;
  for (auto it = std::rbegin(kB); it != std::rend(kB); ++it) {
    slope = sum + theta * slope;
    sum = *it + theta * sum;
  }
  value = theta * sum;
  derivative = sum + theta * slope;
}

} // namespace

TGIS_ProjectionNZMG::TGIS_ProjectionNZMG() {
  TGIS_Datum* geo = GisDatumList().FindDatum("GEO");
  assert(geo && "the built-in datum list holds GEO");
  if (geo) SetDatum(geo);
  FalseEasting = 2510000;
  FalseNorthing = 6023150;
  CentralMeridian = 173 * kRadiansPerDegree;
  OriginLatitude = -41 * kRadiansPerDegree;
  ScaleFactor = 0;
  UpdateConstants();
}

void TGIS_ProjectionNZMG::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  a_ = static_cast<double>(A);
  inverseA_ = 1 / a_;
}

void TGIS_ProjectionNZMG::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  // A latitude beyond a pole is corrected to the pole with the warning the
  // other classes give.
  ClearWarningFlag();
  const double phi =
      ClampWithWarning(input.Y, -std::numbers::pi / 2, std::numbers::pi / 2, GIS_RS_ERR_LATITUDE_FIXED);
  const double dphi = (phi - OriginLatitude) * kToSeriesUnits;
  const Complex z(Series(dphi, kA), input.X - CentralMeridian);
  const Complex zeta = Series(z, kB);
  output.X = FalseEasting + a_ * zeta.imag();
  output.Y = FalseNorthing + a_ * zeta.real();
}

void TGIS_ProjectionNZMG::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const Complex z((input.Y - FalseNorthing) * inverseA_, (input.X - FalseEasting) * inverseA_);
  Complex theta = z;
  bool converged = false;
  for (int i = 0; i < kNZMGMaxSteps && !converged; ++i) {
    Complex value, derivative;
    SeriesWithDerivative(theta, value, derivative);
    const Complex delta = (value - z) / derivative;
    theta -= delta;
    converged = std::abs(delta.real()) + std::abs(delta.imag()) <= 1e-10;
  }
  // A point the series cannot reach is a failure, not the origin of the
  // geodetic system.
  if (!converged) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  output.X = CentralMeridian + theta.imag();
  output.Y = OriginLatitude + Series(theta.real(), kC) * kFromSeriesUnits;
}
