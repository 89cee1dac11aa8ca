#include "gis/coords/GisProjectionGeodetic.h"

namespace {

void Copy(const TGIS_Point3D& input, TGIS_Point3D& output) {
  output.X = input.X;
  output.Y = input.Y;
  output.Z = input.Z;
}

} // namespace

void TGIS_ProjectionGeodetic::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Copy(input, output);
}

void TGIS_ProjectionGeodetic::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Copy(input, output);
}
