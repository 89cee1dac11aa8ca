// The default geometry parser (see GisGeometry.h).
#include "gis/vector/GisGeometry.h"

std::unique_ptr<TGIS_Shape> GisParseGeometry(TGIS_GeometryFormat format, const std::string& text,
                                             std::span<const std::uint8_t> bytes,
                                             TGIS_LayerVector* layer) {
  switch (format) {
  case TGIS_GeometryFormat::WKT:
    return GisCreateShapeFromWKT(text, nullptr, {}, false, -1, layer);
  case TGIS_GeometryFormat::WKB:
    return GisCreateShapeFromWKB(bytes, nullptr, {}, false, -1, layer);
  case TGIS_GeometryFormat::GDO:
    return GisCreateShapeFromGDO(bytes, nullptr, {}, false, -1, layer);
  }
  return nullptr;
}
