// What the two conic projections share (part of the GisProjections module;
// see GisProjections.h for the map of the module): their defaults, their
// set-up, and the placing of a point on the cone around its apex and back.
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

/// The base of ALB and LAM. The accepted ranges keep their constructor
/// values; each member computes the cone constant n and the radius of the
/// origin parallel in its UpdateConstants.
class TGIS_ProjectionConic : public TGIS_ProjectionAbstract {
public:
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;

protected:
  /// The defaults of both conics (origin 45°, parallels 40° and 50°, ranges
  /// 40,000 km); standard parallels are clamped to ±`parallelLimit`.
  explicit TGIS_ProjectionConic(double parallelLimit);

  /// The map point at distance `rho` from the apex and `deltaLongitude`
  /// from the central meridian (θ = n Δλ); Z is left alone.
  void PlaceOnCone(double rho, double deltaLongitude, TGIS_Point3D& output) const;

  /// An inverse input as offsets from the apex, with the distance from it;
  /// all three change sign when n < 0.
  struct ConePoint {
    double X, Y, Rho;
  };
  ConePoint FromApex(const InverseInput& input) const;

  long double n_ = 0;    // cone constant
  long double rho0_ = 0; // radius of the origin parallel

private:
  double parallelLimit_;
};
