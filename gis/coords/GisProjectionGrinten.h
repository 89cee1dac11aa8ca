// GRI: the Van der Grinten (I) world projection (part of the GisProjections
// module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// On a sphere of radius R' = R / √(2 + π), R the radius of equal area. The
/// forward evaluates the intersection of the meridian and parallel circles
/// in a form without cancellation, so that points close to the equator or
/// the central meridian keep full precision; the inverse solves the cubic.
class TGIS_ProjectionGrinten : public TGIS_RegisteredProjection<TGIS_ProjectionGrinten> {
public:
  static constexpr const char* kCode = "GRI";

  TGIS_ProjectionGrinten();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// An easting or northing more than 1 cm beyond origin ± πR' set to that
  /// bound, with `warning`.
  double CheckBound(double value, double origin, const std::string& warning);

  long double r_ = 0;   // R'
  long double piR_ = 0; // πR'
};
