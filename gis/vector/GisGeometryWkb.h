// Well-known binary (part of the GisGeometry module; see GisGeometry.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "gis/vector/GisShape.h"

/// The geometry types of well-known binary that are read and written.
enum TGIS_WkbType : std::uint32_t {
  gisWkbPoint = 1,
  gisWkbLineString = 2,
  gisWkbPolygon = 3,
  gisWkbMultiPoint = 4,
  gisWkbMultiLineString = 5,
  gisWkbMultiPolygon = 6,
};

/// A new shape from a well-known binary record (byte order 1 little-endian,
/// anything else big-endian; two coordinates per point). Another type raises
/// "0140 Unsupported WKB type"; a nested record of the wrong type "Assertion
/// failure"; bytes that end early or counts that do not fit 0040. Bytes after
/// the record are not read.
std::unique_ptr<TGIS_Shape> GisCreateShapeFromWKB(std::span<const std::uint8_t> bytes,
                                                  const TGIS_Shape* source = nullptr,
                                                  std::span<const std::uint8_t> raw = {},
                                                  bool mapped = false, std::int32_t uid = -1,
                                                  TGIS_LayerVector* layer = nullptr);
