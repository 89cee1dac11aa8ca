// The GisChart module: pie and bar charts of up to eight attribute values,
// drawn at a shape's label point through the drawing context.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/GdiTypes.h"

class TGIS_GDI;

/// A value of this size or more marks a missing value: it is skipped and keeps
/// its colour slot.
inline constexpr double GIS_CHART_MISSING = 8.5e307;

/// Chart styles.
enum : int { GIS_CHART_PIE = 0, GIS_CHART_BAR = 1 };

/// The colour of charted entry i (i from 2): red, lime, blue, fuchsia, aqua,
/// green, white, black, black as $010101.
std::uint32_t GisChartColor(int entry);

/// Draws a chart of `values` centred on `centre`, `size` pixels across.
/// Entries 0 and 1 are the bar chart's starting minimum and maximum; entries
/// 2 to 9 are charted. Fewer than three entries draw nothing; a style other
/// than pie or bar fails an assertion.
void GisDrawChart(TGIS_GDI& gdi, const TPoint& centre, int size, std::span<const double> values,
                  int style);
