// Drawing of points and multipoints: marker symbols or marker shapes at their
// vertices, the paint extent of a marker and the vertex labels (see
// GisShapePoint.h).
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "gis/core/GisDefsStyles.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

int Pixels(TGIS_Viewer& viewer, std::int64_t twips) {
  return viewer.TwipsToPixels(int(std::clamp<std::int64_t>(twips, -INT_MAX, INT_MAX)));
}

/// The paint extent of a marker shape.
TGIS_Extent MarkerPaintExtent(const TGIS_Shape& shape, bool renderAsThousand) {
  const TGIS_Extent e = GisShapeViewerExtent(shape);
  TGIS_Viewer* viewer = shape.GetViewer();
  if (viewer == nullptr || GisIsEmptyExtent(e) || !(viewer->Zoom() > 0)) return e;
  const TGIS_Point d = GisMarkerPaintMargins(const_cast<TGIS_Shape&>(shape).GetParamsSection(),
                                             *viewer, renderAsThousand);
  return {e.XMin - d.X, e.YMin - d.Y, e.XMax + d.X, e.YMax + d.Y};
}

/// Markers at screen points in the shape's marker style: its symbol, or the
/// marker shape with the style's brush and outline pen; the selection frame
/// when the shape is selected.
void DrawMarkers(TGIS_Shape& shape, const std::vector<TPoint>& points) {
  TGIS_Viewer* viewer = shape.GetViewer();
  TGIS_GDI* gdi = viewer != nullptr ? viewer->GetGDI() : nullptr;
  if (gdi == nullptr || points.empty()) return;
  TGIS_ParamsMarker& marker = shape.GetParamsSection().GetMarker();
  if (marker.Size() == 0) return;
  const int size = viewer->TwipsToPixels(marker.Size());
  if (TGIS_SymbolAbstract* symbol = marker.Symbol(); symbol != nullptr) {
    symbol->Prepare(viewer, marker.Size(), nullptr, 4, 0, marker.SymbolRotate(),
                    marker.OutlineColor(), marker.Color());
    auto unprepare = ScopeExit([symbol] { symbol->Unprepare(); });
    for (const TPoint& p : points) {
      symbol->Draw(p.x, p.y);
      if (shape.IsSelected()) shape.DrawMarker(size, p, true);
    }
    return;
  }
  TBitmap* bitmap = GisStyleBitmap(marker.GetBitmap());
  if (marker.Pattern() > bsClear || bitmap != nullptr)
    GisAlignPattern(*viewer, *gdi, shape, bitmap);
  gdi->PrepareBrush(marker.Color(), bitmap, marker.Pattern());
  gdi->PrepareOutlinePen(marker.OutlineColor(), marker.OutlineStyle(), false,
                         viewer->TwipsToPixels(marker.OutlineWidth()), marker.OutlinePattern(),
                         GisStyleBitmap(marker.GetOutlineBitmap()));
  for (const TPoint& p : points)
    shape.DrawMarker(size, p, false);
}

} // namespace

TGIS_Point GisMarkerPaintMargins(TGIS_ParamsSectionVector& section, TGIS_Viewer& viewer,
                                 bool renderAsThousand) {
  const double zoom = viewer.Zoom();
  if (!(zoom > 0)) return {0, 0};
  TGIS_ParamsMarker& marker = section.GetMarker();
  auto stored = [&](std::int32_t v) -> std::int64_t {
    return renderAsThousand && v == GIS_RENDER_SIZE ? -1000 : v;
  };
  const std::int64_t s = marker.Symbol() != nullptr ? 3 * std::int64_t(marker.Symbol()->GetSize())
                                                    : Pixels(viewer, 3 * stored(marker.Size()));
  const std::int64_t o = Pixels(viewer, 3 * stored(marker.OutlineWidth()));
  const std::int64_t m = s / 4 + 1 + o;
  const TGIS_ParamsLabel& label = section.GetLabel();
  double dx = m / zoom, dy = m / zoom;
  if (!label.Field().empty() || !label.Value().empty()) {
    const double q = s / zoom / 2 + o + 1;
    const std::int64_t outline = label.OutlineWidth();
    dx += (Pixels(viewer, outline + label.Width() + m) + q) / zoom;
    dy += (Pixels(viewer, outline + label.Height() + m) + q) / zoom;
  }
  return {dx, dy};
}

// ---- points -------------------------------------------------------------------------------------

TGIS_Extent TGIS_ShapePoint::GetPaintExtentEx() const {
  return MarkerPaintExtent(*this, true);
}

void TGIS_ShapePoint::Draw() {
  if (GisShapeDrawContext(*this) == nullptr) return;
  DrawMarkers(*this, {GetViewer()->MapToScreen(GetPoint(0, 0))});
}

void TGIS_ShapePoint::DrawVertexLabels() {
  if (IsHidden() || IsDeleted() || IsEmpty()) return;
  DrawVertexLabelsSimple();
}

// ---- multipoints --------------------------------------------------------------------------------

TGIS_Extent TGIS_ShapeMultiPoint::GetPaintExtentEx() const {
  return MarkerPaintExtent(*this, false);
}

void TGIS_ShapeMultiPoint::Draw() {
  if (GisShapeDrawContext(*this) == nullptr) return;
  TGIS_DrawableCopy c = GetDrawableCopy(0);
  if (!c) return;
  TGIS_Viewer& viewer = *GetViewer();
  std::vector<TPoint> points;
  points.reserve(std::size_t(c->GetNumPoints()));
  for (int i = 0; i < c->GetPartSize(0); ++i)
    points.push_back(viewer.MapToScreen(c->GetPoint(0, i)));
  DrawMarkers(*this, points);
  FreeDrawableCopy(c);
}

void TGIS_ShapeMultiPoint::DrawVertexLabels() {
  if (IsHidden() || IsDeleted() || IsEmpty()) return;
  DrawVertexLabelsSimple();
}
