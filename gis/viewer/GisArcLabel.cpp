// Labels along lines: the search for a straight stretch and the drawing.
#include "gis/viewer/GisArcLabel.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisParams.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisLabelsArea.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Numerics.h"

namespace {

/// Vertices whose foot lies outside the chord count as this far away.
constexpr double kFarAway = 0xFFFFFF;
/// Points closer than this to the last one taken are dropped.
constexpr int kMinStep = 4;

int RoundPx(double v) {
  return int(Round(v));
}

double Dist(const TPoint& a, const TPoint& b) {
  return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
}

int SegmentLength(const TPoint& a, const TPoint& b) {
  return RoundPx(Dist(a, b));
}

/// The distance of p from chord a-b; kFarAway when its foot lies outside.
double DistanceFromChord(const TPoint& p, const TPoint& a, const TPoint& b) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  const double len2 = dx * dx + dy * dy;
  if (len2 == 0) return kFarAway;
  const double t = ((double(p.x) - a.x) * dx + (double(p.y) - a.y) * dy) / len2;
  if (t < 0 || t > 1) return kFarAway;
  return std::abs((double(p.x) - a.x) * dy - (double(p.y) - a.y) * dx) / std::sqrt(len2);
}

TPoint Moved(const TPoint& p, double dx, double dy) {
  return TPoint(p.x + RoundPx(dx), p.y + RoundPx(dy));
}

/// The first vertex whose following segment ends beyond `d`; -1 when none.
int FirstStart(const std::vector<TPoint>& line, int d) {
  int walked = 0;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    walked += SegmentLength(line[i], line[i + 1]);
    if (walked > d) return int(i);
  }
  return -1;
}

/// The vertex ending the chord from `s` (straight distance ≥ tw); -1 when
/// the walk exceeds the allowance first or the line ends.
int ChordEnd(const std::vector<TPoint>& line, int s, int tw, int allowance) {
  int walked = 0;
  for (std::size_t j = std::size_t(s) + 1; j < line.size(); ++j) {
    walked += SegmentLength(line[j - 1], line[j]);
    if (Dist(line[std::size_t(s)], line[j]) >= tw) return int(j);
    if (walked > allowance) return -1;
  }
  return -1;
}

double Deviation(const std::vector<TPoint>& line, int s, int e) {
  double deviation = 0;
  for (int k = s + 1; k < e; ++k)
    deviation = std::max(deviation, DistanceFromChord(line[std::size_t(k)], line[std::size_t(s)],
                                                      line[std::size_t(e)]));
  return deviation;
}

/// The text's edges on the chord a-b shifted beside the line by `offset`.
TGIS_ArcLabelPlace PlaceOnChord(TPoint a, TPoint b, double offset, double deviation,
                                const TGIS_ArcLabelRequest& r) {
  TGIS_ArcLabelPlace place;
  place.deviation = deviation;
  {
    const double sx = double(a.x) - b.x, sy = double(a.y) - b.y, n = std::hypot(sx, sy);
    a = Moved(a, -sy * offset / n, sx * offset / n);
    b = Moved(b, -sy * offset / n, sx * offset / n);
  }
  place.swapped = a.x >= b.x;
  if (place.swapped) std::swap(a, b);
  place.start = a;
  place.end = b;
  const double chord = Dist(a, b);
  const double ux = (double(b.x) - a.x) / chord, uy = (double(b.y) - a.y) / chord;
  const int lead = (RoundPx(chord) - r.textWidth) / 2;
  place.textStart = Moved(a, ux * lead, uy * lead);
  place.textEnd = Moved(place.textStart, ux * r.textWidth, uy * r.textWidth);
  const double sx = double(a.x) - b.x, sy = double(a.y) - b.y;
  const double th = place.swapped ? -r.textHeight : r.textHeight;
  const double px = -sy / chord * th, py = sx / chord * th;
  place.oppositeStart = Moved(place.textStart, px, py);
  place.oppositeEnd = Moved(place.textEnd, px, py);
  place.topLeft = place.swapped ? place.textStart : place.oppositeStart;
  place.angle = -std::atan2(double(a.y) - b.y, double(b.x) - a.x);
  return place;
}

} // namespace

std::vector<TPoint> GisArcLabelScreenLine(TGIS_Viewer& viewer, const TGIS_Point* points,
                                          int count) {
  std::vector<TPoint> line;
  for (int i = 0; i < count; ++i) {
    const TPoint p = viewer.MapToScreen(points[i]);
    if (line.empty() || SegmentLength(line.back(), p) > kMinStep) line.push_back(p);
  }
  return line;
}

bool GisFindArcLabelPlace(TGIS_Viewer& viewer, const std::vector<TPoint>& line,
                          const TGIS_ArcLabelRequest& request, TGIS_ArcLabelPlace& place) {
  const int tw = request.textWidth, th = request.textHeight;
  if (line.size() < 2 || tw <= 0) return false;
  int length = 0;
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    length += SegmentLength(line[i], line[i + 1]);
  const int d = std::max(0, ((length - tw) / 2) / 2);
  const int allowance = length - d;
  const int first = FirstStart(line, d);
  if (first < 0) return false;
  for (int s = first; s + 1 < int(line.size()); ++s) {
    const int e = ChordEnd(line, s, tw, allowance);
    if (e < 0) return false;
    const double deviation = Deviation(line, s, e);
    if (deviation > th / 6) continue;
    const double offset = request.middleCenter ? -(th / 2) : deviation + request.lineOffset;
    const TGIS_ArcLabelPlace candidate =
        PlaceOnChord(line[std::size_t(s)], line[std::size_t(e)], offset, deviation, request);
    if (request.useAllocator &&
        !viewer.LabelsArea()->AllocateQuad(
            viewer.ScreenToMap(candidate.textStart), viewer.ScreenToMap(candidate.textEnd),
            viewer.ScreenToMap(candidate.oppositeEnd), viewer.ScreenToMap(candidate.oppositeStart)))
      continue;
    place = candidate;
    return true;
  }
  return false;
}

void GisDrawArcLabelText(TGIS_GDI& gdi, const std::string& text,
                         const TGIS_ArcLabelRequest& request, const TGIS_ArcLabelPlace& place,
                         bool halo) {
  TRect rect(place.topLeft.x, place.topLeft.y, place.topLeft.x + request.textWidth,
             place.topLeft.y + request.textHeight);
  gdi.DrawTextBox(text, rect, true, halo, place.angle, 4);
}

void GisSetLabelFont(TGIS_GDI& gdi, const TGIS_ParamsFont& font, int charset) {
  gdi.Font()->SetName(font.Name);
  gdi.Font()->SetSize(font.Size);
  gdi.Font()->SetStyle(font.Style);
  gdi.Font()->SetCharset(BYTE(charset));
  gdi.Font()->SetColor(GisNonBlackColor(font.Color));
}

TGIS_ArcLabelRequest GisPrepareArcLabel(TGIS_Viewer& viewer, TGIS_GDI& gdi,
                                        TGIS_ParamsSectionVector& section, int charset,
                                        const std::string& text) {
  TGIS_ParamsLabel& label = section.GetLabel();
  TGIS_ParamsLine& line = section.GetLine();
  GisSetLabelFont(gdi, label.Font(), charset);
  gdi.Brush()->SetStyle(GIS_BRUSH_CLEAR);
  gdi.Pen()->SetColor(label.Color());
  TGIS_ArcLabelRequest request;
  request.textWidth = gdi.TextWidth(text);
  request.textHeight = gdi.TextHeight(text);
  request.lineOffset = viewer.TwipsToPixels(line.Width() + 2 * line.OutlineWidth()) / 2;
  request.middleCenter = (label.Position() & LabelPositionBit(gisLabelPositionMiddleCenter)) != 0;
  request.useAllocator = label.Allocator();
  return request;
}

bool GisDrawArcLabelPoints(TGIS_Viewer& viewer, TGIS_ParamsSectionVector& section, int charset,
                           const TGIS_Point* points, int count, const std::string& text) {
  TGIS_GDI* gdi = viewer.GetGDI();
  if (text.empty() || gdi == nullptr) return false;
  const std::vector<TPoint> line = GisArcLabelScreenLine(viewer, points, count);
  const TGIS_ArcLabelRequest request = GisPrepareArcLabel(viewer, *gdi, section, charset, text);
  TGIS_ArcLabelPlace place;
  if (!GisFindArcLabelPlace(viewer, line, request, place)) return false;
  const TGIS_ParamsLabel& label = section.GetLabel();
  GisDrawArcLabelText(*gdi, text, request, place, label.Color() != label.Font().Color);
  return true;
}
