#include "gis/coords/GisDatum.h"

#include "gis/coords/GisCoordsKernel.h"
#include "gis/coords/GisEllipsoid.h"

#include <cmath>
#include <numbers>

namespace {

// Beyond this latitude the three-parameter shift takes the geocentric route
// (89.75°), since the Molodensky formulas break down at the poles.
constexpr double kMolodenskyPolarLimit = 1.5664330036649108;

constexpr long double kArcSecondsPerRadian = 206264.8062471L;
constexpr long double kSinOneSecond = 4.84813681109536e-6L;

// The published WGS 72 to WGS 84 transformation.
constexpr double kWGS72LongitudeShift = 2.685867793346782e-6; // 0.554″
constexpr long double kWGS72Term1 = 4.5L;                     // metres
constexpr long double kWGS72Term2 = 1.4L;                     // metres

// The WGS 72 formula; `sign` is +1 towards WGS 84 and -1 from it, `a` the
// semi-major axis of the source ellipsoid, da and df the differences target
// minus source.
TGIS_Point3D WGS72Shift(const TGIS_Point3D& p, int sign, long double a, long double da,
                        long double df) {
  const long double lat = p.Y;
  const long double s = sign;
  const long double sinLat = std::sin(lat);
  const long double dLatSeconds = s * kWGS72Term1 * std::cos(lat) / (a * kSinOneSecond) +
                                  df * std::sin(2 * lat) / kSinOneSecond;
  const long double dLat = dLatSeconds / kArcSecondsPerRadian;
  const double dLon = sign * kWGS72LongitudeShift;
  const long double dH = s * kWGS72Term1 * sinLat + a * df * sinLat * sinLat - da + s * kWGS72Term2;
  TGIS_Point3D out = p;
  out.X = p.X + dLon;
  out.Y = static_cast<double>(lat + dLat);
  out.Z = static_cast<double>(p.Z + dH);
  return out;
}

void Assign(const TGIS_Point3D& value, TGIS_Point3D& output) {
  output.X = value.X;
  output.Y = value.Y;
  output.Z = value.Z;
}

bool BeyondPolarLimit(const TGIS_Point3D& p) {
  return p.Y < -kMolodenskyPolarLimit || p.Y > kMolodenskyPolarLimit;
}

// The geocentric shift of `d`: `sign` +1 towards WGS 84, -1 from it. Seven
// parameters: the linearised Helmert transformation with coordinate-frame
// rotations, X' = X + sign (ΔX + Rz Y - Ry Z + S X) and likewise for Y, Z.
void GeocentricShift(const TGIS_Datum& d, int sign, const TGIS_Point3D& input,
                     TGIS_Point3D& output) {
  const double x = input.X, y = input.Y, z = input.Z;
  switch (d.Kind) {
  case gisDatumThreeParameter:
    output.X = x + sign * d.DeltaX;
    output.Y = y + sign * d.DeltaY;
    output.Z = z + sign * d.DeltaZ;
    return;
  case gisDatumSevenParameter:
    output.X = x + sign * (d.DeltaX + d.RotationZ * y - d.RotationY * z + d.Scale * x);
    output.Y = y + sign * (d.DeltaY - d.RotationZ * x + d.RotationX * z + d.Scale * y);
    output.Z = z + sign * (d.DeltaZ + d.RotationY * x - d.RotationX * y + d.Scale * z);
    return;
  default:
    Assign(input, output);
    return;
  }
}

// The shift of `d` in one direction. Towards WGS 84 the source is the datum's
// own ellipsoid and the shifts are taken as stored; from WGS 84 the roles and
// the signs turn round.
void Shift(const TGIS_Datum& d, bool toWGS84, const TGIS_Point3D& input, TGIS_Point3D& output) {
  gis_coords::CheckFinite(input);
  const int sign = toWGS84 ? +1 : -1;
  switch (d.Kind) {
  case gisDatumWGS84:
    Assign(input, output);
    return;
  case gisDatumWGS72: {
    d.CheckValidity(input);
    const TGIS_Ellipsoid& wgs84 = gis_coords::WGS84Ellipsoid();
    const TGIS_Ellipsoid& wgs72 = gis_coords::WGS72Ellipsoid();
    const TGIS_Ellipsoid& source = toWGS84 ? wgs72 : wgs84;
    const TGIS_Ellipsoid& target = toWGS84 ? wgs84 : wgs72;
    Assign(WGS72Shift(input, sign, source.SemiMajorAxis,
                      target.SemiMajorAxis - source.SemiMajorAxis,
                      target.Flattening - source.Flattening),
           output);
    return;
  }
  case gisDatumThreeParameter:
  case gisDatumSevenParameter: {
    d.CheckValidity(input);
    const TGIS_Ellipsoid& wgs84 = gis_coords::WGS84Ellipsoid();
    const TGIS_Ellipsoid& own = d.GetEllipsoid();
    const TGIS_Ellipsoid& source = toWGS84 ? own : wgs84;
    const TGIS_Ellipsoid& target = toWGS84 ? wgs84 : own;
    TGIS_Point3D p;
    // Rotations and scale act only through the geocentric route, so a
    // seven-parameter datum always takes it.
    if (d.Kind == gisDatumSevenParameter || BeyondPolarLimit(input)) {
      source.GeodeticToGeocentric(input, p);
      GeocentricShift(d, sign, p, p);
      target.GeocentricToGeodetic(p, p);
    } else {
      GisMolodensky(input, source, target, sign * d.DeltaX, sign * d.DeltaY, sign * d.DeltaZ, p);
    }
    Assign(p, output);
    return;
  }
  }
}

} // namespace

TGIS_Ellipsoid& TGIS_Datum::GetEllipsoid() const {
  TGIS_Ellipsoid* e = GisEllipsoidList().FindEllipsoid(EllipsoidCode);
  if (!e) gis_coords::RaiseGis(GIS_RS_ERR_ELLIPSOID_NOEXIST, EllipsoidCode);
  return *e;
}

void TGIS_Datum::CheckValidity(const TGIS_Point3D& point) const {
  if (point.X >= ValidityXMin && point.X <= ValidityXMax && point.Y >= ValidityYMin &&
      point.Y <= ValidityYMax)
    return;
  gis_coords::RaiseGis(GIS_RS_ERR_COORDINATES_INVALID);
}

void TGIS_Datum::FromWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  Shift(*this, false, input, output);
}

void TGIS_Datum::ToWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  Shift(*this, true, input, output);
}

void TGIS_Datum::GeocentricFromWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  gis_coords::CheckFinite(input);
  GeocentricShift(*this, -1, input, output);
}

void TGIS_Datum::GeocentricToWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const {
  gis_coords::CheckFinite(input);
  GeocentricShift(*this, +1, input, output);
}

void GisMolodensky(const TGIS_Point3D& point, const TGIS_Ellipsoid& source,
                   const TGIS_Ellipsoid& target, double dx, double dy, double dz,
                   TGIS_Point3D& output) {
  // Double precision is ample for a shift of metres (the result is a
  // double), and keeps the shift fast for bulk use.
  constexpr double pi = std::numbers::pi;
  const double a = static_cast<double>(source.SemiMajorAxis);
  const double f = static_cast<double>(source.Flattening);
  const double da = static_cast<double>(target.SemiMajorAxis - source.SemiMajorAxis);
  const double df = static_cast<double>(
      (target.SemiMajorAxis - target.SemiMinorAxis) / target.SemiMajorAxis - source.Flattening);
  const double e2 = 2 * f - f * f;
  const double ep2 = e2 / (1 - e2);

  double lon = point.X;
  if (lon > pi) lon -= 2 * pi; // for the trigonometry only
  const double lat = point.Y;
  const double h = point.Z;

  const double sinLat = std::sin(lat), cosLat = std::cos(lat);
  const double sinLon = std::sin(lon), cosLon = std::cos(lon);
  const double sin2 = sinLat * sinLat;
  const double w = std::sqrt(1 - e2 * sin2);
  const double m = a * (1 - e2) / (w * w * w);
  const double n = a / w;
  // A height at or below the centres of curvature (h <= -M or -N) has no
  // shift: the formulas would divide by nothing.
  gis_coords::CheckFinite(point);
  if (!(m + h > 0 && n + h > 0))
    gis_coords::RaiseGis(GIS_RS_ERR_COORIDINATE_INVALID, gis_coords::FloatText(h));

  const double dLat =
      (dz * cosLat - dx * sinLat * cosLon - dy * sinLat * sinLon + da * e2 * sinLat * cosLat / w +
       df * (1 - f) * sinLat * cosLat * (2 * n + ep2 * m * sin2)) /
      (m + h);
  const double dLon = (dy * cosLon - dx * sinLon) / ((n + h) * cosLat);
  const double dH = dx * cosLat * cosLon + dy * cosLat * sinLon + dz * sinLat - w * da +
                    a * (1 - f) * sin2 * df / w;

  double outLon = point.X + dLon;
  if (outLon > 2 * pi)
    outLon -= 2 * pi;
  else if (outLon < -pi)
    outLon += 2 * pi;
  output.X = outLon;
  output.Y = lat + dLat;
  output.Z = h + dH;
}
