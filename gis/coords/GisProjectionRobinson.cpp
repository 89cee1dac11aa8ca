#include "gis/coords/GisProjectionRobinson.h"

#include "gis/coords/GisCoordsKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kEdgeTolerance = 1e-9; // radians

// The degree factor both directions use, as a decimal constant.
constexpr double kDegree = 0.01745329252;
// ±89.75°: the latitudes the forward accepts.
constexpr double kRobinsonLatitudeLimit = 1.5664330036649108;
// Rows k = -1 .. 18 (latitudes -5°, 0°, 5° .. 90°) are stored at k + 1.
constexpr int kLastStartRow = 17; // the last row whose successor exists
constexpr int kMaxRefinements = 75;
constexpr int kNewtonSteps = 8;
constexpr double kRefinementTolerance = 1e-5; // metres

// Robinson's 1974 table: the distance of the parallel from the equator as a
// fraction of the pole distance (PDFE), row -1 mirroring row 1.
constexpr long double kDistance[20] = {
    -0.0620L, 0.0000L, 0.0620L, 0.1240L, 0.1860L, 0.2480L, 0.3100L, 0.3720L, 0.4340L, 0.4958L,
    0.5571L,  0.6176L, 0.6769L, 0.7346L, 0.7903L, 0.8435L, 0.8936L, 0.9394L, 0.9761L, 1.0000L};

// The parallel lengths (PLEN) times 0.9858, stored as the products.
constexpr long double kLength[20] = {
    0.98441988L, 0.98580000L, 0.98441988L, 0.98126532L, 0.97594200L, 0.96825276L, 0.95918340L,
    0.94636800L, 0.92931366L, 0.90851328L, 0.88347396L, 0.85557582L, 0.82314300L, 0.78725988L,
    0.74891226L, 0.70839588L, 0.66364056L, 0.61247754L, 0.56407476L, 0.52464276L};

/// A table's values as doubles (the same values the long double entries
/// round to), so that the per-point work stays in double.
struct TRobinsonTable {
  double Value[20];
  constexpr explicit TRobinsonTable(const long double (&table)[20]) : Value{} {
    for (int i = 0; i < 20; ++i)
      Value[i] = static_cast<double>(table[i]);
  }
};
constexpr TRobinsonTable kDistanceTable{kDistance};
constexpr TRobinsonTable kLengthTable{kLength};

/// Stirling's second-difference interpolation at row k with fraction p.
double Stirling(const TRobinsonTable& table, int k, double p) {
  const double before = table.Value[k];
  const double at = table.Value[k + 1];
  const double after = table.Value[k + 2];
  return at + p * (after - before) / 2 + p * p * (after - 2 * at + before) / 2;
}

/// The derivative of Stirling's interpolation in p.
double StirlingSlope(const TRobinsonTable& table, int k, double p) {
  const double before = table.Value[k];
  const double at = table.Value[k + 1];
  const double after = table.Value[k + 2];
  return (after - before) / 2 + p * (after - 2 * at + before);
}

double RobinsonSign(double value) {
  return value >= 0 ? 1.0 : -1.0;
}

} // namespace

TGIS_ProjectionRobinson::TGIS_ProjectionRobinson() {
  UpdateConstants();
}

void TGIS_ProjectionRobinson::SetUp(const TGIS_ProjectionSetUp& parameters) {
  ClearWarningFlag();
  TGIS_ProjectionAbstract::SetUp(parameters);
  // Clamped but not reduced: the longitude difference stays unreduced too.
  CentralMeridian =
      ClampWithWarning(parameters.CentralMeridian, -std::numbers::pi, 2 * std::numbers::pi, GIS_RS_ERR_CENTRALMERIDIAN_FIXED);
  FalseEasting = parameters.FalseEasting;
  FalseNorthing = parameters.FalseNorthing;
  UpdateConstants();
}

void TGIS_ProjectionRobinson::UpdateConstants() {
  TGIS_ProjectionAbstract::UpdateConstants();
  // Measured from the false origin. The widest longitude difference is
  // π + |CM|, so every forward output is accepted back.
  EastingRange =
      static_cast<double>(A) * static_cast<double>(kLength[1]) * (std::numbers::pi + std::abs(CentralMeridian));
  // The pole, projected at 89.75° (its correction stays in Warnings).
  TGIS_Point3D pole{0, std::numbers::pi / 2, 0, 0};
  Project(pole, pole);
  NorthingRange = pole.Y - FalseNorthing;
}

TGIS_ProjectionRobinson::Row TGIS_ProjectionRobinson::RowOf(double p) {
  const int i = static_cast<int>(std::min(p - 1e-10, double(kLastStartRow)));
  return {std::max(i, 0), p - std::max(i, 0)};
}

void TGIS_ProjectionRobinson::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ForwardInput in = CheckForwardInput(input, kRobinsonLatitudeLimit);
  if (std::isnan(in.Latitude) || std::isnan(in.Longitude)) {
    output.X = output.Y = std::numeric_limits<double>::quiet_NaN();
    return;
  }
  const double a = static_cast<double>(A);
  const double dLambda = in.Longitude - CentralMeridian; // not reduced
  const Row row = RowOf(std::abs(in.Latitude / 5 / kDegree));
  output.X = FalseEasting + a * Stirling(kLengthTable, row.Index, row.Fraction) * dLambda;
  output.Y = FalseNorthing +
             RobinsonSign(in.Latitude) * a * Stirling(kDistanceTable, row.Index, row.Fraction) * std::numbers::pi / 2;
}

double TGIS_ProjectionRobinson::SearchLatitude(double yy) {
  int i = static_cast<int>(std::min(std::abs(90 * yy / 5) - 1e-10, double(kLastStartRow)));
  if (i <= 0) i = 1;
  for (;;) {
    const double before = kDistanceTable.Value[i];
    const double at = kDistanceTable.Value[i + 1];
    const double after = kDistanceTable.Value[i + 2];
    const double u = after - before;
    const double v = after - 2 * at + before;
    // The root of the row's quadratic S(p) = |yy| (in the form that keeps
    // its digits when v is small): the refinement then starts on the curve.
    const double d = std::abs(yy) - at;
    const double root = u * u + 8 * v * d;
    double p = 0;
    if (root >= 0) {
      p = 4 * d / (u + std::sqrt(root));
    } else { // no root in this row: its series, as the start only
      const double t = 2 * d / u;
      const double c = v / u;
      p = t * (1 - c * t * (1 - 2 * c * t));
    }
    if (p >= 0 || i == 1) return (p + i) * 5 * RobinsonSign(yy);
    if (--i < 0) gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  }
}

double TGIS_ProjectionRobinson::RefineLatitude(double degrees, double y, Row& row) const {
  const double a = static_cast<double>(A);
  for (int step = 1;; ++step) {
    if (step > kMaxRefinements || !std::isfinite(degrees))
      gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
    row = RowOf(std::abs(degrees / 5));
    const double y1 = RobinsonSign(y) * a * Stirling(kDistanceTable, row.Index, row.Fraction) * std::numbers::pi / 2;
    if (std::abs(y1 - y) <= kRefinementTolerance) return degrees - 180 * (y1 - y) / (std::numbers::pi * a);
    // Newton's step on the interpolated curve while the latitude keeps the
    // side of the equator of y (where the curve's slope is known to be
    // positive); the plain step otherwise, and after a few Newton steps (a
    // step that keeps crossing a row's end settles with the plain one).
    const double slope = a * std::numbers::pi / 10 * StirlingSlope(kDistanceTable, row.Index, row.Fraction);
    if (step <= kNewtonSteps && degrees != 0 && (degrees > 0) == (y > 0) && slope > 0)
      degrees -= (y1 - y) / slope;
    else
      degrees -= 180 * (y1 - y) / (std::numbers::pi * a);
  }
}

void TGIS_ProjectionRobinson::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  const InverseInput in = CheckInverseInput(input);
  if (!std::isfinite(in.Easting) || !std::isfinite(in.Northing))
    gis_coords::RaiseGis(GIS_RS_ERR_PRJ_NOTSOLVABELE);
  const double a = static_cast<double>(A);
  const double x = in.Easting - FalseEasting;
  const double y = in.Northing - FalseNorthing;
  Row row{};
  const double degrees = RefineLatitude(SearchLatitude(2 * y / (std::numbers::pi * a)), y, row);
  // An easting beyond the end of its parallel (more than 180 degrees from
  // the central meridian: outside the map's outline) that would give a
  // longitude beyond 180 degrees is corrected to the longitude range, with
  // the easting warning. Round trips of the edge stay within the tolerance.
  const double dLambda = (x / a) / Stirling(kLengthTable, row.Index, row.Fraction);
  double lambda = CentralMeridian + dLambda;
  if (std::abs(dLambda) > std::numbers::pi + kEdgeTolerance && std::abs(lambda) > std::numbers::pi + kEdgeTolerance)
    lambda = ClampWithWarning(lambda, -std::numbers::pi, std::numbers::pi, GIS_RS_ERR_EASTING_FIXED);
  output.X = lambda;
  output.Y = degrees * kDegree;
  output.Z = in.Height;
}
