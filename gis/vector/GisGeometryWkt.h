// Well-known text (part of the GisGeometry module; see GisGeometry.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "gis/vector/GisShape.h"

/// A new shape from well-known text: POINT, MULTIPOINT, LINESTRING,
/// MULTILINESTRING, POLYGON or MULTIPOLYGON (keywords in any case; two
/// coordinates per point; the points of a multipoint without parentheses).
/// Another keyword raises "0141 Unsupported WKT type"; a missing '(' (POINT
/// EMPTY too) the silent abort; a bad number the conversion error; text that
/// ends inside the geometry 0040. Nothing after the geometry is read.
std::unique_ptr<TGIS_Shape> GisCreateShapeFromWKT(const std::string& text,
                                                  const TGIS_Shape* source = nullptr,
                                                  std::span<const std::uint8_t> raw = {},
                                                  bool mapped = false, std::int32_t uid = -1,
                                                  TGIS_LayerVector* layer = nullptr);
