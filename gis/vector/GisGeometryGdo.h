// Geometry blobs of GeoMedia warehouses (part of the GisGeometry module; see
// GisGeometry.h).
//
// Every blob starts with a 16-byte GUID {0FD2FFxx-8CBC-11CF-ABDE-08003601B769};
// its first two bytes, little-endian, are the type tag. All values are
// little-endian; vertices are X, Y, Z doubles.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "gis/vector/GisShape.h"

/// The type tags of the blobs, shared by the reader and the writers.
enum TGIS_GdoTag : std::uint16_t {
  gisGdoPoint = 0xFFC0,
  gisGdoLine = 0xFFC1,
  gisGdoPolyline = 0xFFC2,
  gisGdoPolygon = 0xFFC3,
  gisGdoUnsupported = 0xFFC4,
  gisGdoBoundary = 0xFFC5,
  gisGdoCollection = 0xFFC6,
  gisGdoRectangle = 0xFFC7,
  gisGdoOrientedPoint = 0xFFC8,
  gisGdoTextPoint = 0xFFC9,
  gisGdoNoShape = 0xFFCA, ///< read as no shape at all
  gisGdoCompositePolyline = 0xFFCB,
  gisGdoCompositePolygon = 0xFFCC,
};

/// The 16 GUID bytes of a tag.
inline constexpr std::size_t GIS_GDO_GUID_SIZE = 16;
/// Sub-geometries may nest this deep; deeper blobs are damaged (0040).
inline constexpr int GIS_GDO_MAX_NESTING = 32;

/// A new shape from a blob, or nullptr for a blob of tag 0xFFCA or one that
/// holds no vertex. Points (0xFFC0, 0xFFC8, 0xFFC9) give a point; lines and
/// polylines an arc; a collection of points only a multipoint, of lines only
/// an arc (a part per member); a composite polyline an arc whose pieces join
/// while each starts at the last vertex before it; everything else a polygon.
/// A text point on a layer whose label Value is empty takes its text, angle
/// and alignment into its own label style. Tags out of 0xFFC0..0xFFCC and
/// 0xFFC4 raise "0142 Unsupported GDO type"; damaged blobs 0040.
std::unique_ptr<TGIS_Shape> GisCreateShapeFromGDO(std::span<const std::uint8_t> bytes,
                                                  const TGIS_Shape* source = nullptr,
                                                  std::span<const std::uint8_t> raw = {},
                                                  bool mapped = false, std::int32_t uid = -1,
                                                  TGIS_LayerVector* layer = nullptr);
