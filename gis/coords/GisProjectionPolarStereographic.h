// POL: the polar stereographic projection on the ellipsoid (part of the
// GisProjections module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// OriginLatitude is the latitude of true scale; its sign selects the north
/// or the south aspect. The south aspect is stored with the central meridian
/// and the latitude of true scale reversed; Parameters() gives them back as
/// given, so copies and configuration files keep the aspect.
class TGIS_ProjectionPolarStereographic
    : public TGIS_RegisteredProjection<TGIS_ProjectionPolarStereographic> {
public:
  static constexpr const char* kCode = "POL";

  TGIS_ProjectionPolarStereographic();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  TGIS_ProjectionSetUp Parameters() const override;

private:
  /// True when the latitude of true scale is the pole itself.
  bool TrueScaleAtPole() const;
  /// The distance from the pole of the conformal function value `t`.
  double Radius(double t) const;

  long double mc_ = 1;
  long double tc_ = 1;
  long double amc_ = 6378137;
  long double e4_ = 1.0033565552493;
  bool south_ = false;
};
