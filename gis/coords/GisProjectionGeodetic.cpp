#include "gis/coords/GisProjectionGeodetic.h"

#include "gis/coords/GisProjectionTable.h"

namespace {

constexpr const char* kCode = "GED";

void Copy(const TGIS_Point3D& input, TGIS_Point3D& output) {
  output.X = input.X;
  output.Y = input.Y;
  output.Z = input.Z;
}

} // namespace

std::string TGIS_ProjectionGeodetic::GetCode() const {
  return kCode;
}

std::string TGIS_ProjectionGeodetic::GetDescription() const {
  return GisFindProjectionRow(kCode)->Description;
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionGeodetic::Create() const {
  return std::make_unique<TGIS_ProjectionGeodetic>();
}

void TGIS_ProjectionGeodetic::Project(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Copy(input, output);
}

void TGIS_ProjectionGeodetic::Unproject(const TGIS_Point3D& input, TGIS_Point3D& output) {
  ClearWarningFlag();
  Copy(input, output);
}
