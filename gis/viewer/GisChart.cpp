// Pie and bar charts.
#include "gis/viewer/GisChart.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "gis/core/GisDefsGeometry.h"
#include "gis/viewer/GisGDI.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numerics.h"

namespace {

constexpr int kFirstValue = 2;
constexpr int kLastValue = 9;

bool IsMissing(double v) {
  return std::abs(v) >= GIS_CHART_MISSING;
}

int RoundPx(double v) {
  return int(Round(v));
}

void PrepareOutline(TGIS_GDI& gdi) {
  gdi.Brush()->SetStyle(GIS_BRUSH_SOLID);
  gdi.Pen()->SetColor(0x010101);
  gdi.Pen()->SetWidth(1);
  gdi.Pen()->SetStyle(GIS_PEN_SOLID);
}

/// The point at `angle` on the circle of radius `size` around the centre.
TPoint OnCircle(const TPoint& c, int size, double angle) {
  return TPoint(c.x + RoundPx(std::cos(angle) * size), c.y + RoundPx(std::sin(angle) * size));
}

void DrawPie(TGIS_GDI& gdi, const TPoint& c, int size, std::span<const double> values, int last) {
  double total = 0;
  for (int i = kFirstValue; i <= last; ++i)
    if (values[i] > 0 && values[i] < GIS_CHART_MISSING) total += values[i];
  const int half = size / 2;
  double start = -std::numbers::pi / 2;
  const TPoint first = OnCircle(c, size, start);
  TPoint previous = first;
  for (int i = kFirstValue; i <= last; ++i) {
    const double v = values[i];
    if (!(v > 0) || v >= GIS_CHART_MISSING || total == 0) continue;
    const double end = start + v / total * 2 * std::numbers::pi;
    // The last entry closes the circle exactly.
    const TPoint point = i == last ? first : OnCircle(c, size, end);
    if (!(point == previous) || v >= total / 2) {
      gdi.Brush()->SetColor(GisChartColor(i));
      gdi.Pie(c.x - half, c.y - half, c.x + half, c.y + half, point.x, point.y, previous.x,
              previous.y);
    }
    start = end;
    previous = point;
  }
}

void DrawBars(TGIS_GDI& gdi, const TPoint& c, int size, std::span<const double> values, int last) {
  int k = 0;
  double minimum = values[0], maximum = values[1];
  for (int i = kFirstValue; i <= last; ++i) {
    const double v = values[i];
    if (IsMissing(v)) continue;
    ++k;
    if (v < 0 && v < minimum) minimum = v;
    if (v > 0 && v > maximum) maximum = v;
  }
  const double range = std::abs(minimum) + maximum;
  if (range == 0 || k == 0) return;
  const double w = double(size) / k;
  const int gap = RoundPx(w / 5);
  const int barWidth = RoundPx(w - gap);
  const int half = size / 2;
  const int y0 = RoundPx(minimum / range * size) + c.y + half;
  const int x0 = c.x - half;
  gdi.MoveTo(x0 - gap, y0);
  gdi.LineTo(c.x + half + gap, y0);
  if (barWidth < 4) gdi.Pen()->SetStyle(GIS_PEN_CLEAR);
  int j = 0;
  for (int i = kFirstValue; i <= last; ++i) {
    const double v = values[i];
    if (IsMissing(v)) continue;
    const int left = j * (barWidth + gap) + x0, right = left + barWidth;
    const int top = y0 - RoundPx(v / range * size);
    const TPoint bar[4] = {{left, top}, {right, top}, {right, y0}, {left, y0}};
    gdi.Brush()->SetColor(GisChartColor(i));
    gdi.Polygon(bar, 4);
    ++j;
  }
}

} // namespace

std::uint32_t GisChartColor(int entry) {
  static const std::uint32_t colours[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF,
                                           0xFFFF00, 0x008000, 0xFFFFFF, 0x000000};
  const int i = entry - kFirstValue;
  return GisNonBlackColor(i >= 0 && i < 8 ? colours[i] : 0);
}

void GisDrawChart(TGIS_GDI& gdi, const TPoint& centre, int size, std::span<const double> values,
                  int style) {
  SK_ASSERT(style == GIS_CHART_PIE || style == GIS_CHART_BAR, "Assertion failure", "GisChart",
            __LINE__);
  if (values.size() < 3) return;
  const int last = std::min(int(values.size()) - 1, kLastValue);
  PrepareOutline(gdi);
  if (style == GIS_CHART_PIE)
    DrawPie(gdi, centre, size, values, last);
  else
    DrawBars(gdi, centre, size, values, last);
}
