// HOT and HT2: the Hotine oblique Mercator on the ellipsoid, its central line
// given by a centre and an azimuth, or by two points (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// The azimuth form: OriginLatitude and CentralMeridian give the centre of
/// the central line, Azimuth its direction there. The map is rotated by the
/// azimuth and its origin is the centre. Neither direction checks its input.
class TGIS_ProjectionHotine : public TGIS_RegisteredProjection<TGIS_ProjectionHotine> {
public:
  static constexpr const char* kCode = "HOT";

  TGIS_ProjectionHotine();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

protected:
  /// The centre (clamped, with warnings), false origin and scale factor of
  /// a set-up, stored.
  void StoreCentre(const TGIS_ProjectionSetUp& parameters);
  /// A longitude brought towards [-π, π] in one pass, without converting
  /// any value to an integer.
  static double ReduceLongitude(double longitude);
  /// The latitude of the conformal function's value `t`; raises 0235 when
  /// the iteration does not settle.
  double SolveLatitude(double t) const;
  /// B, A, D and E of the origin latitude (F is returned).
  long double ComputeOriginConstants();
  /// sin/cos of γ0 and α, and uc, from the constants so far.
  void ComputeRotation(long double gamma0);

  long double sinPhi0_ = 0, cosPhi0_ = 1;
  long double b_ = 1, a_ = 0, d_ = 1, e_ = 1, uc_ = 0;
  long double sinGamma0_ = 0, cosGamma0_ = 1, sinAlpha_ = 0, cosAlpha_ = 1;
  long double lambda0_ = 0; // the longitude of origin

  /// Double copies of the constants a point needs, made by ComputeRotation:
  /// each point is computed in double.
  struct PointConstants {
    double A = 0, B = 1, E = 1, Uc = 0, Lambda0 = 0, Eccentricity = 0;
    double SinGamma0 = 0, CosGamma0 = 1, SinAlpha = 0, CosAlpha = 1;
  } point_;
};

/// The two-point form: the central line through (LongitudeOfPoint1,
/// LatitudeOfPoint1) and (LongitudeOfPoint2, LatitudeOfPoint2); the azimuth
/// is derived and stored in Azimuth.
class TGIS_ProjectionHotine2
    : public TGIS_RegisteredProjection<TGIS_ProjectionHotine2, TGIS_ProjectionHotine> {
public:
  static constexpr const char* kCode = "HT2";

  TGIS_ProjectionHotine2();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
};
