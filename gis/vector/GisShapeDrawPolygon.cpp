// Drawing of polygons: the fill (solid, hatch, tiled bitmap or tiled symbol)
// with holes by the even-odd rule, the outline with a pen or a line symbol,
// and the selection region (see GisShapePolygon.h).
#include <algorithm>
#include <cmath>

#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

constexpr const char* MODULE = "GisLayerVector";

/// The state of one polygon's drawing: the viewer, the context, the style,
/// the stored rings in the viewer's buffers, and for the fills clipped to
/// the rings the ring region and the clip box the context had before.
class TPolygonPainter {
public:
  TPolygonPainter(TGIS_Viewer& viewer, TGIS_GDI& gdi, TGIS_ShapePolygon& shape)
      : viewer_(viewer), gdi_(gdi), shape_(shape), area_(shape.GetParamsSection().GetArea()),
        bitmap_(GisStyleBitmap(area_.GetBitmap())),
        outlineBitmap_(GisStyleBitmap(area_.GetOutlineBitmap())) {}
  ~TPolygonPainter() {
    if (region_ != nullptr) ::DeleteObject(region_); // left by a failure
  }
  TPolygonPainter(const TPolygonPainter&) = delete;
  TPolygonPainter& operator=(const TPolygonPainter&) = delete;

  void Paint(const TGIS_Shape& copy) {
    rings_ = GisDecimateParts(viewer_, copy, 0);
    if (area_.Symbol() == nullptr && bitmap_ != nullptr && bitmap_->Width() * bitmap_->Height() > 0)
      FillWithBitmap();
    else if (area_.Pattern() > bsClear)
      FillWithHatch();
    else if (area_.Symbol() != nullptr)
      FillWithSymbol();
    else
      FillPlain();
    if (area_.OutlineSymbol() != nullptr) DrawOutlineSymbol(copy);
  }

  void AddSelection(const TGIS_Shape& copy) {
    rings_ = GisDecimateParts(viewer_, copy, GisSelectionThreshold(viewer_, shape_));
    const int fillMode = gdi_.SetPolyFillMode(WINDING);
    auto restore = ScopeExit([&] { gdi_.SetPolyFillMode(fillMode); });
    BuildRegion();
    const bool outlineOnly = viewer_.SelectionOutlineOnly();
    if (region_ != nullptr) gdi_.AddSelectionRegion(outlineOnly, region_, false);
    gdi_.PrepareSimplePen(viewer_.TwipsToPixels(area_.OutlineWidth()) +
                              viewer_.TwipsToPixels(viewer_.SelectionWidth()),
                          GIS_PEN_SOLID);
    ForEachRing([&](const TPoint* points, int count, int first) {
      gdi_.BeginPath();
      gdi_.PolylinePart(points, count, first);
      gdi_.EndPath();
      gdi_.WidenPath();
      Combine(gdi_.PathToRegion(), RGN_OR);
    });
    if (region_ != nullptr) gdi_.AddSelectionRegion(outlineOnly, region_, true);
    gdi_.DeleteObject(region_);
  }

private:
  // ---- rings and their region -----------------------------------------------------------

  template <class F> void ForEachRing(F&& f) {
    const TGIS_Viewer::TDrawBuffers& b = viewer_.DrawBuffers();
    int first = 0;
    for (int k = 0; k < rings_; ++k) {
      const int n = int(b.Counts[std::size_t(k)]);
      f(b.Points.data(), n, first);
      first += n;
    }
  }

  /// ORs or XORs a region into the ring region (the first one becomes it);
  /// a missing region or one whose box is a single point is dropped.
  void Combine(HRGN part, int mode) {
    if (part == nullptr) return;
    HGDIOBJ handle = part;
    const TRect box = gdi_.GetRgnBox(part);
    if (box.Left == box.Right && box.Top == box.Bottom) {
      gdi_.DeleteObject(handle);
      return;
    }
    if (region_ == nullptr) {
      region_ = part;
      return;
    }
    const int result = gdi_.CombineRgn(region_, region_, part, mode);
    gdi_.DeleteObject(handle);
    SK_ASSERT(result != ERROR, "Assertion failure", MODULE, __LINE__);
  }

  /// The rings as one region, holes and overlaps left out (even-odd).
  void BuildRegion() {
    gdi_.DeleteObject(region_);
    gdi_.PrepareSimplePen(0, GIS_PEN_CLEAR);
    ForEachRing([&](const TPoint* points, int count, int first) {
      gdi_.BeginPath();
      gdi_.PolygonPart(points, count, first);
      gdi_.EndPath();
      HRGN part = gdi_.PathToRegion();
      SK_ASSERT(part != nullptr, "Assertion failure", MODULE, __LINE__);
      Combine(part, RGN_XOR);
    });
  }

  /// Builds the ring region and clips the context to it (within the clip box
  /// it had); false when the region is empty.
  bool ClipToRings() {
    clip_ = gdi_.GetClipBox();
    BuildRegion();
    if (region_ == nullptr) return false;
    gdi_.SelectClipRgn(region_);
    gdi_.IntersectClipRect(clip_.Left, clip_.Top, clip_.Right, clip_.Bottom);
    const TRect box = gdi_.GetRgnBox(region_);
    return box.Left < box.Right && box.Top < box.Bottom;
  }

  void Unclip() {
    gdi_.SelectClipRgn(nullptr);
    gdi_.IntersectClipRect(clip_.Left, clip_.Top, clip_.Right, clip_.Bottom);
  }

  /// Each stored ring as a polygon of its own with the current pen and brush;
  /// several rings under a visible brush are filled together by the
  /// even-odd rule, so that holes and overlaps stay empty, and outlined: in
  /// one call when the outline pen draws alike as a simple pen (solid or
  /// clear, one pixel, no pattern), else ring by ring after the fill.
  void DrawRings() {
    if (rings_ <= 1 || gdi_.Brush()->GetStyle() == GIS_BRUSH_CLEAR) {
      ForEachRing([&](const TPoint* points, int count, int first) {
        gdi_.PolygonPart(points, count, first);
      });
      return;
    }
    const TGIS_Viewer::TDrawBuffers& b = viewer_.DrawBuffers();
    const int fillMode = gdi_.SetPolyFillMode(ALTERNATE);
    auto restore = ScopeExit([&] { gdi_.SetPolyFillMode(fillMode); });
    const int style = gdi_.Pen()->GetStyle();
    if (gdi_.Pen()->Width() <= 1 && (style == GIS_PEN_SOLID || style == GIS_PEN_CLEAR) &&
        area_.OutlinePattern() == bsSolid && outlineBitmap_ == nullptr) {
      gdi_.PolyPolygon(b.Points.data(), b.Counts.data(), rings_);
      return;
    }
    gdi_.PrepareSimplePen(0, GIS_PEN_CLEAR);
    gdi_.PolyPolygon(b.Points.data(), b.Counts.data(), rings_);
    restore.Run();
    PrepareOutline(area_.OutlineSymbol() != nullptr);
    gdi_.Brush()->SetStyle(GIS_BRUSH_CLEAR);
    ForEachRing([&](const TPoint* points, int count, int first) {
      gdi_.PolygonPart(points, count, first);
    });
  }

  // ---- pens and origins ------------------------------------------------------------------

  /// The outline pen (width 0 when `hidden`) aligned to the shape.
  void PrepareOutline(bool hidden) {
    gdi_.PrepareOutlinePen(area_.OutlineColor(), area_.OutlineStyle(), false,
                           hidden ? 0 : viewer_.TwipsToPixels(area_.OutlineWidth()),
                           area_.OutlinePattern(), outlineBitmap_);
    if (area_.OutlinePattern() > bsClear)
      GisAlignPattern(viewer_, gdi_, shape_, nullptr);
    else if (outlineBitmap_ != nullptr)
      GisAlignPattern(viewer_, gdi_, shape_, outlineBitmap_);
  }

  /// After a clipped fill: the rings outlined with a clear brush, unless a
  /// line symbol draws the outline.
  void OutlineAfterFill() {
    if (area_.OutlineSymbol() != nullptr) return;
    gdi_.Brush()->SetStyle(GIS_BRUSH_CLEAR);
    PrepareOutline(false);
    DrawRings();
  }

  // ---- fills -------------------------------------------------------------------------------

  /// The grid of cells w × h aligned to the shape's top-left corner: the
  /// first cell's corner and the screen corners of the shape.
  struct TGrid {
    int left, top;
    double sx1, sy1;
  };
  TGrid GridOf(int w, int h) {
    const TGIS_Extent e = shape_.GetExtent();
    const TGIS_Point tl = viewer_.MapToScreenFloat({e.XMin, e.YMax});
    const TGIS_Point br = viewer_.MapToScreenFloat({e.XMax, e.YMin});
    const int ox = int(Trunc(tl.X - Int(tl.X / w) * w));
    const int oy = int(Round(tl.Y - Int(tl.Y / h) * h));
    return {tl.X >= 0 ? int(Round(tl.X)) : ox, tl.Y >= 0 ? int(Round(tl.Y)) : oy, br.X, br.Y};
  }
  /// The far edge of a bitmap or hatch grid: the shape's edge, or one pixel
  /// past the clip box.
  static int GridEnd(double edge, int clipEdge) {
    return edge <= clipEdge ? int(Round(edge)) + 1 : clipEdge + 1;
  }

  void FillWithBitmap() {
    if (ClipToRings()) {
      const int w = bitmap_->Width(), h = bitmap_->Height();
      const TGrid g = GridOf(w, h);
      const int right = GridEnd(g.sx1, clip_.Right), bottom = GridEnd(g.sy1, clip_.Bottom);
      TLockScope<TGIS_GDI> lock(gdi_);
      for (int y = g.top; y <= bottom; y += h)
        for (int x = g.left; x <= right; x += w)
          gdi_.DrawGraphic(x, y, bitmap_);
    }
    gdi_.DeleteObject(region_);
    Unclip();
    OutlineAfterFill();
  }

  void FillWithHatch() {
    gdi_.PrepareBrush(area_.Color(), bitmap_, area_.Pattern());
    if (ClipToRings()) {
      GisAlignPattern(viewer_, gdi_, shape_, nullptr);
      const TGrid g = GridOf(8, 8);
      const int right = GridEnd(g.sx1, clip_.Right), bottom = GridEnd(g.sy1, clip_.Bottom);
      gdi_.PrepareSimplePen(0, GIS_PEN_CLEAR);
      const int bkMode = gdi_.SetBkMode(TRANSPARENT);
      auto restore = ScopeExit([&] { gdi_.SetBkMode(bkMode); });
      const TPoint corners[] = {{g.left, bottom}, {g.left, g.top}, {right, g.top}, {right, bottom}};
      gdi_.PolygonArray(corners, 3);
    }
    gdi_.DeleteObject(region_);
    Unclip();
    OutlineAfterFill();
  }

  void FillWithSymbol() {
    TGIS_SymbolAbstract* symbol = area_.Symbol();
    symbol->Prepare(&viewer_, area_.SymbolSize(), nullptr, 4, 0, area_.SymbolRotate(),
                    area_.Color(), area_.Color());
    auto unprepare = ScopeExit([symbol] { symbol->Unprepare(); });
    if (ClipToRings()) {
      const int gap = viewer_.TwipsToPixels(area_.SymbolGap());
      const int w = gap + symbol->GetWidth(), h = gap + symbol->GetHeight();
      // A symbol drawn without width or height and no gap gives no cell to
      // step by: nothing is tiled.
      if (w >= 1 && h >= 1) {
        const TGrid g = GridOf(w, h);
        const int right = std::min(clip_.Right, int(Round(g.sx1)));
        const int bottom = std::min(clip_.Bottom, int(Round(g.sy1)));
        for (int y = g.top; y <= bottom + h / 2; y += h)
          for (int x = g.left; x <= right + w / 2; x += w)
            symbol->Draw(x, y);
      }
    }
    gdi_.DeleteObject(region_);
    Unclip();
    unprepare.Run();
    if (area_.OutlineSymbol() != nullptr) return;
    PrepareOutline(false);
    gdi_.Brush()->SetStyle(GIS_BRUSH_CLEAR);
    DrawRings();
  }

  void FillPlain() {
    gdi_.PrepareBrush(area_.Color(), bitmap_, area_.Pattern());
    PrepareOutline(area_.OutlineSymbol() != nullptr);
    const int fillMode = gdi_.SetPolyFillMode(WINDING);
    const int bkMode = gdi_.SetBkMode(TRANSPARENT);
    auto restore = ScopeExit([&] {
      gdi_.SetBkMode(bkMode);
      gdi_.SetPolyFillMode(fillMode);
    });
    DrawRings();
  }

  /// The rings' outline drawn with the outline symbol, each ring thinned to
  /// distinct pixels in one pass.
  void DrawOutlineSymbol(const TGIS_Shape& copy) {
    TGIS_SymbolAbstract* symbol = area_.OutlineSymbol();
    symbol->Prepare(&viewer_, area_.OutlineWidth(), nullptr, 5, area_.OutlineGap(),
                    area_.OutlineRotate(), area_.OutlineColor(), area_.OutlineColor());
    auto unprepare = ScopeExit([symbol] { symbol->Unprepare(); });
    TGIS_Viewer::TDrawBuffers& b = viewer_.DrawBuffers();
    for (int ring = 0; ring < copy.GetNumParts(); ++ring) {
      const int n = GisDecimatePart(viewer_, copy, ring, 1, false, b.Points.data());
      if (n > 0) GisDrawPolylineSymbol(&viewer_, symbol, b.Points.data(), n);
    }
  }

  TGIS_Viewer& viewer_;
  TGIS_GDI& gdi_;
  TGIS_ShapePolygon& shape_;
  TGIS_ParamsArea& area_;
  TBitmap* bitmap_;
  TBitmap* outlineBitmap_;
  TRect clip_;
  int rings_ = 0;
  HRGN region_ = nullptr;
};

} // namespace

void TGIS_ShapePolygon::Draw() {
  TGIS_GDI* gdi = GisShapeDrawContext(*this);
  if (gdi == nullptr) return;
  TGIS_Viewer* viewer = GetViewer();
  TGIS_DrawableCopy c = GetDrawableCopy(1);
  if (!c) return;
  TPolygonPainter painter(*viewer, *gdi, *this);
  painter.Paint(*c);
  if (IsSelected()) painter.AddSelection(*c);
  FreeDrawableCopy(c);
}

void TGIS_ShapePolygon::DrawVertexLabels() {
  if (IsHidden() || IsDeleted() || IsEmpty()) return;
  DrawVertexLabelsOutline();
}
