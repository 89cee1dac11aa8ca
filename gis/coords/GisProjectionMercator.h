// MER: the Mercator projection on the ellipsoid (part of the GisProjections
// module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionMeridianSeries.h"
#include "gis/coords/GisProjectionRegistered.h"

/// Normal-aspect Mercator; OriginLatitude is the latitude of true scale,
/// from which UpdateConstants derives ScaleFactor.
class TGIS_ProjectionMercator : public TGIS_RegisteredProjection<TGIS_ProjectionMercator> {
public:
  static constexpr const char* kCode = "MER";

  TGIS_ProjectionMercator();
  void UpdateConstants() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  TGIS_ConformalSeries series_; // the latitude from the conformal latitude
};
