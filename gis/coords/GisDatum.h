// Datums and their shifts to and from WGS 84 (part of the GisDatums module;
// see GisDatums.h for the map of the module).
//
// A datum is a plain record naming its ellipsoid by code. Points are geodetic
// (X = longitude, Y = latitude in radians, Z = ellipsoidal height in metres)
// or geocentric (X, Y, Z in metres); M is never read or written. Input and
// output may be the same record, and nothing is written when a shift raises.
#pragma once

#include "gis/core/GisDefs.h"

#include <cstdint>
#include <string>

class TGIS_Ellipsoid;

/// How a datum shifts to WGS 84.
enum TGIS_DatumKind : uint8_t {
  gisDatumWGS84 = 0,          // no shift
  gisDatumWGS72 = 1,          // the published WGS 72 formula
  gisDatumThreeParameter = 2, // shifts ΔX, ΔY, ΔZ
  gisDatumSevenParameter = 3, // shifts, rotations and scale
};

class TGIS_Datum {
public:
  TGIS_DatumKind Kind = gisDatumWGS84;
  std::string Code;
  std::string Description;
  std::string EllipsoidCode;
  double DeltaX = 0, DeltaY = 0, DeltaZ = 0;          // metres, WGS 84 = datum + shift
  double SigmaX = 0, SigmaY = 0, SigmaZ = 0;          // stated accuracy, metres
  double RotationX = 0, RotationY = 0, RotationZ = 0; // radians
  double ValidityXMin = 0, ValidityYMin = 0, ValidityXMax = 0, ValidityYMax = 0; // radians
  double Scale = 1.0; // scale difference of the seven-parameter shift (2.4664 ppm = 2.4664e-6)

  /// The ellipsoid named by `EllipsoidCode`; raises 0200 when it is not
  /// listed.
  TGIS_Ellipsoid& GetEllipsoid() const;

  /// Geodetic WGS 84 point to this datum. Raises 0230 outside the validity
  /// box (WGS 72, three- and seven-parameter datums).
  void FromWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const;

  /// Geodetic point of this datum to WGS 84.
  void ToWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const;

  /// Raises 0230 unless XMin <= longitude <= XMax and YMin <= latitude <= YMax.
  void CheckValidity(const TGIS_Point3D& point) const;

  /// The same shifts on geocentric coordinates.
  void GeocentricFromWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const;
  void GeocentricToWGS84(const TGIS_Point3D& input, TGIS_Point3D& output) const;
};

/// The standard Molodensky transformation of a geodetic point from the
/// `source` ellipsoid to the `target` one with the geocentric shifts
/// dx, dy, dz. The longitude of the result is brought back into (-π, 2π].
void GisMolodensky(const TGIS_Point3D& point, const TGIS_Ellipsoid& source,
                   const TGIS_Ellipsoid& target, double dx, double dy, double dz,
                   TGIS_Point3D& output);
