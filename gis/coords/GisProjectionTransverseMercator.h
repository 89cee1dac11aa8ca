// TMR: the Transverse Mercator projection (part of the GisProjections module;
// see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// The classical Transverse Mercator power series in the longitude
/// difference (up to its eighth power) with the meridian distance as a series
/// in the third flattening. Its inverse raises for eastings and northings
/// outside the projection's range instead of correcting them.
class TGIS_ProjectionTransverseMercator
    : public TGIS_RegisteredProjection<TGIS_ProjectionTransverseMercator> {
public:
  static constexpr const char* kCode = "TMR";

  TGIS_ProjectionTransverseMercator();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The meridian distance from the equator to `latitude`.
  double MeridianDistance(double latitude) const;
  /// The same, given sin φ and cos φ.
  double MeridianDistance(double latitude, double sinLat, double cosLat) const;
  /// The footpoint latitude of the meridian distance `distance`.
  double FootpointLatitude(double distance) const;
  /// The longitude difference from the central meridian, clamped to ±π/2
  /// with a warning; records the distortion warning beyond 9°.
  double DeltaLongitude(double longitude);

  // The parameters as given to SetUp (the base fields are neutral while
  // UpdateConstants measures the ranges).
  double keptCentralMeridian_ = 0;
  double keptOriginLatitude_ = 0;
  double keptFalseEasting_ = 0;
  double keptFalseNorthing_ = 0;
  double keptScaleFactor_ = 1;

  // Meridian-distance coefficients A'..E' and the third flattening.
  long double n_ = 0;
  long double ap_ = 0;
  long double bp_ = 0;
  long double cp_ = 0;
  long double dp_ = 0;
  long double ep_ = 0;
  // The footpoint series' coefficients of sin 2μ .. sin 10μ.
  long double f2_ = 0, f4_ = 0, f6_ = 0, f8_ = 0, f10_ = 0;
  double originDistance_ = 0; // the meridian distance of the origin latitude
};
