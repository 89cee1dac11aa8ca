// Drawing of lines: outline, body or line symbol part by part, and the
// selection outline (see GisShapeArc.h). Labels along lines are the label
// module's.
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

/// Aligns a hatch or a bitmap pen to the shape (nothing for a plain pen).
void AlignPen(TGIS_Viewer& viewer, TGIS_GDI& gdi, const TGIS_Shape& shape, TBrushStyle pattern,
              TBitmap* bitmap) {
  if (pattern > bsClear)
    GisAlignPattern(viewer, gdi, shape, nullptr);
  else if (bitmap != nullptr)
    GisAlignPattern(viewer, gdi, shape, bitmap);
}

/// One part's device points in the line style: the outline under the line,
/// then the line symbol or the body.
void DrawPart(TGIS_Viewer& viewer, TGIS_GDI& gdi, const TGIS_Shape& shape, TGIS_ParamsLine& line,
              const TPoint* points, int count) {
  const int width = viewer.TwipsToPixels(line.Width());
  TGIS_SymbolAbstract* symbol = line.Symbol();
  if (line.OutlineWidth() != 0) {
    TBitmap* outlineBitmap = GisStyleBitmap(line.GetOutlineBitmap());
    AlignPen(viewer, gdi, shape, line.OutlinePattern(), outlineBitmap);
    if (symbol == nullptr || viewer.IncrementalPainting()) {
      gdi.PrepareOutlinePen(line.OutlineColor(), line.OutlineStyle(), false,
                            width + 2 * viewer.TwipsToPixels(line.OutlineWidth()),
                            line.OutlinePattern(), outlineBitmap);
      gdi.PolylinePart(points, count, 0);
    }
  }
  if (symbol != nullptr) {
    symbol->Prepare(&viewer, line.Width(), nullptr, 4, line.SymbolGap(), line.SymbolRotate(),
                    line.OutlineColor(), line.Color());
    auto unprepare = ScopeExit([symbol] { symbol->Unprepare(); });
    GisDrawPolylineSymbol(&viewer, symbol, points, count);
    return;
  }
  TBitmap* bitmap = GisStyleBitmap(line.GetBitmap());
  AlignPen(viewer, gdi, shape, line.Pattern(), bitmap);
  gdi.PrepareLinePen(line.Color(), line.Style(), false, width, line.Pattern(), bitmap);
  const int bkMode = gdi.SetBkMode(TRANSPARENT);
  auto restore = ScopeExit([&] { gdi.SetBkMode(bkMode); });
  gdi.PolylinePart(points, count, 0);
}

/// The selection outline: every part thinned, widened by the selection width
/// and added to the context's primary selection region.
void AddSelection(TGIS_Viewer& viewer, TGIS_GDI& gdi, TGIS_Shape& shape, TGIS_ParamsLine& line) {
  TGIS_DrawableCopy c = shape.GetDrawableCopy(1);
  if (!c) return;
  const int parts = GisDecimateParts(viewer, *c, GisSelectionThreshold(viewer, shape));
  TGIS_Viewer::TDrawBuffers& b = viewer.DrawBuffers();
  const int fillMode = gdi.SetPolyFillMode(WINDING);
  auto restore = ScopeExit([&] { gdi.SetPolyFillMode(fillMode); });
  gdi.PrepareSimplePen(viewer.TwipsToPixels(line.Width()) +
                           viewer.TwipsToPixels(viewer.SelectionWidth()),
                       GIS_PEN_SOLID);
  int first = 0;
  for (int k = 0; k < parts; ++k) {
    const int n = int(b.Counts[std::size_t(k)]);
    gdi.BeginPath();
    gdi.PolylinePart(b.Points.data(), n, first);
    gdi.EndPath();
    gdi.WidenPath();
    gdi.AddSelectionRegion(viewer.SelectionOutlineOnly(), nullptr, true);
    first += n;
  }
}

} // namespace

void TGIS_ShapeArc::Draw() {
  TGIS_GDI* gdi = GisShapeDrawContext(*this);
  if (gdi == nullptr) return;
  TGIS_Viewer* viewer = GetViewer();
  TGIS_DrawableCopy c = GetDrawableCopy(1);
  if (!c) return;
  TGIS_ParamsLine& line = GetParamsSection().GetLine();
  TGIS_Viewer::TDrawBuffers& b = GisDrawBuffers(*viewer, c->GetNumPoints(), c->GetNumParts());
  for (int part = 0; part < c->GetNumParts(); ++part) {
    const int n = GisDecimatePart(*viewer, *c, part, 0, true, b.Points.data());
    if (n > 0) DrawPart(*viewer, *gdi, *this, line, b.Points.data(), n);
  }
  FreeDrawableCopy(c);
  if (IsSelected()) AddSelection(*viewer, *gdi, *this, line);
}

void TGIS_ShapeArc::DrawVertexLabels() {
  if (IsHidden() || IsDeleted() || IsEmpty()) return;
  DrawVertexLabelsOutline();
}
