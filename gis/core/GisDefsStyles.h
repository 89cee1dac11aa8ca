// Enumerations and sets of the kernel's rendering parameters, with the numbers
// they are stored with.
#pragma once

#include <cstdint>

enum TGIS_MarkerStyle : std::uint8_t {
  gisMarkerStyleBox = 0,
  gisMarkerStyleCircle = 1,
  gisMarkerStyleCross = 2,
  gisMarkerStyleDiagCross = 3,
  gisMarkerStyleTriangleUp = 4,
  gisMarkerStyleTriangleDown = 5,
  gisMarkerStyleTriangleLeft = 6,
  gisMarkerStyleTriangleRight = 7,
};

enum TGIS_LabelAlignment : std::uint8_t {
  gisLabelAlignmentSingle = 0,
  gisLabelAlignmentLeftJustify = 1,
  gisLabelAlignmentCenter = 2,
  gisLabelAlignmentRightJustify = 3,
  gisLabelAlignmentFollow = 4,
};

enum TGIS_ChartStyle : std::uint8_t {
  gisChartStylePie = 0,
  gisChartStyleBar = 1,
};

enum TGIS_DormantMode : std::uint8_t {
  gisDormantOff = 0,
  gisDormantStandard = 1,
  gisDormantAgressive = 2,
};

/// One label position: the bit index in TGIS_LabelPositions.
enum TGIS_LabelPosition : std::uint8_t {
  gisLabelPositionUpLeft = 0,
  gisLabelPositionUpCenter = 1,
  gisLabelPositionUpRight = 2,
  gisLabelPositionMiddleLeft = 3,
  gisLabelPositionMiddleCenter = 4,
  gisLabelPositionMiddleRight = 5,
  gisLabelPositionDownLeft = 6,
  gisLabelPositionDownCenter = 7,
  gisLabelPositionDownRight = 8,
  gisLabelPositionFlow = 9,
};

/// A 16-bit set of label positions: bit n for TGIS_LabelPosition n.
using TGIS_LabelPositions = std::uint16_t;

constexpr TGIS_LabelPositions LabelPositionBit(TGIS_LabelPosition position) {
  return static_cast<TGIS_LabelPositions>(1u << position);
}

/// Every position from UPCENTER to DOWNRIGHT (not UPLEFT): the set ANY gives.
inline constexpr TGIS_LabelPositions GIS_LABEL_POSITIONS_ANY = 510;

/// The colour that marks a value computed per shape by the renderer.
inline constexpr std::uint32_t GIS_RENDER_COLOR = 0xFF00000Du;
/// The size that marks a value computed per shape by the renderer.
inline constexpr std::int32_t GIS_RENDER_SIZE = static_cast<std::int32_t>(0xF0000001u);
