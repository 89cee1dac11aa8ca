// Ellipsoids and the process-wide ellipsoid list (part of the GisDatums
// module; see GisDatums.h for the map of the module).
//
// An ellipsoid is a plain record: a code, a description, the semi-major axis
// and the flattening, and the fields derived from them, all in extended
// precision. The list is sorted by code (letter case ignored) and owns its
// entries; an entry replaced under the same code stays alive until the list
// goes, so that a datum or projection never holds a dangling reference.
#pragma once

#include "gis/coords/GisCodeList.h"
#include "gis/core/GisDefs.h"

#include <string>

class TGIS_Ini;

class TGIS_Ellipsoid {
public:
  std::string Code;
  std::string Description;
  long double SemiMajorAxis = 0;        // a
  long double SemiMinorAxis = 0;        // b = a - a f
  long double Flattening = 0;           // f
  long double SemiMajorAxisSq = 0;      // a²
  long double SemiMinorAxisSq = 0;      // b²
  long double EccentricitySq = 0;       // e² = (a² - b²) / a²
  long double Eccentricity = 0;         // e
  long double SecondEccentricitySq = 0; // e'² = (a² - b²) / b²
  long double SecondEccentricity = 0;   // e'

  /// Geodetic (longitude, latitude in radians, height in metres) to
  /// geocentric X, Y, Z in metres on this ellipsoid. Raises 0210 for a
  /// latitude outside [-π/2, π/2] and 0211 for a longitude outside [-π, π];
  /// `output` is written only on success and may be `input` itself.
  void GeodeticToGeocentric(const TGIS_Point3D& input, TGIS_Point3D& output) const;

  /// Geocentric X, Y, Z to geodetic (longitude, latitude, height) by Toms'
  /// non-iterative method (a few millimetres for heights of -1 to 10 km).
  /// The centre of the earth gives latitude π/2, longitude 0, height -b.
  void GeocentricToGeodetic(const TGIS_Point3D& input, TGIS_Point3D& output) const;
};

class TGIS_EllipsoidList {
public:
  /// Creates an ellipsoid from its semi-major axis and inverse flattening
  /// (0 makes a sphere), derives the other fields and lists it under `code`,
  /// replacing an ellipsoid listed under that code. A degenerate definition
  /// (an axis that is not a positive finite number, an inverse flattening
  /// that is negative, not finite, or above 0 and at most 1) adds nothing and gives
  /// nullptr; otherwise the new ellipsoid is returned (the list owns it).
  TGIS_Ellipsoid* AddEllipsoid(const std::string& code, const std::string& description,
                               long double inverseFlattening, long double semiMajorAxis);

  /// The ellipsoid listed under `code` (letter case ignored), or nullptr.
  TGIS_Ellipsoid* FindEllipsoid(const std::string& code) const { return items_.Find(code); }

  /// The ellipsoid at a position of the code-sorted list.
  TGIS_Ellipsoid* GetEllipsoid(int position) const { return items_.Item(position); }

  int Count() const { return items_.Count(); }

  /// Reads the "Ellipsoid.*" keys of the ini's current section. A listed
  /// code gives the listed ellipsoid unchanged; otherwise the ellipsoid is
  /// added from the section (when it is sound) and nullptr is returned.
  /// "Ellipsoid.Flattering" is read by magnitude: a value below 1 is the
  /// flattening, a value of 1 or more the inverse flattening, 0 a sphere.
  /// A numeric key whose text is no number adds nothing.
  TGIS_Ellipsoid* LoadEllipsoid(TGIS_Ini& ini);

  /// Writes the "Ellipsoid.*" keys of the listed ellipsoid `code` into the
  /// ini's current section; nothing for an unlisted code. The flattening
  /// is written as f.
  void SaveEllipsoid(TGIS_Ini& ini, const std::string& code) const;

  /// The ellipsoids listed under "WE" and "WD", or nullptr.
  TGIS_Ellipsoid* WGS84() const { return items_.Find("WE"); }
  TGIS_Ellipsoid* WGS72() const { return items_.Find("WD"); }

private:
  TGIS_CodeList<TGIS_Ellipsoid> items_;
};

/// The process-wide ellipsoid list; built with the datum tables on first use
/// (GisBuildDatumTables).
TGIS_EllipsoidList& GisEllipsoidList();

/// The WGS 84 ("WE") and WGS 72 ("WD") ellipsoids of the process-wide list.
TGIS_Ellipsoid* GisWGS84Ellipsoid();
TGIS_Ellipsoid* GisWGS72Ellipsoid();
