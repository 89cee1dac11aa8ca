// UTM: the Universal Transverse Mercator grid (part of the GisProjections
// module; see GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"
#include "gis/coords/GisProjectionTransverseMercator.h"

/// Zones 1..60 north, -1..-60 south; zone 0 takes the zone of the first
/// projected point and keeps it. Converts through a private Transverse
/// Mercator set up for the zone. Raises for points outside the grid.
class TGIS_ProjectionUTM : public TGIS_RegisteredProjection<TGIS_ProjectionUTM> {
public:
  static constexpr const char* kCode = "UTM";

  TGIS_ProjectionUTM();
  ~TGIS_ProjectionUTM() override;
  void SetUp(const TGIS_ProjectionSetUp& parameters) override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  /// The fixed grid settings and the zone's meridian and false northing.
  void SetZoneFields();
  /// The inner projection set up for Zone on this datum; set up again only
  /// when the zone or the datum changed.
  TGIS_ProjectionTransverseMercator& ZoneProjection();

  std::unique_ptr<TGIS_ProjectionTransverseMercator> inner_;
  int32_t innerZone_ = 0;
  TGIS_Datum* innerDatum_ = nullptr;
};
