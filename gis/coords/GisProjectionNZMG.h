// NZMG: the New Zealand Map Grid (part of the GisProjections module; see
// GisProjections.h for the map of the module).
#pragma once

#include "gis/coords/GisProjectionRegistered.h"

/// A fixed national grid on the "GEO" datum: its parameters are set by the
/// constructor and no SetUp changes them. Neither direction checks its input
/// or records warnings; an inverse that does not converge raises 0235.
class TGIS_ProjectionNZMG : public TGIS_RegisteredProjection<TGIS_ProjectionNZMG> {
public:
  static constexpr const char* kCode = "NZMG";

  TGIS_ProjectionNZMG();
  void UpdateConstants() override;
  void Project(const TGIS_Point3D& input, TGIS_Point3D& output) override;
  void Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) override;

private:
  double a_ = 0;
  double inverseA_ = 0;
};
