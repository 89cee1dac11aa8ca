// The drawing that every shape shares (see GisShape.h and GisShapeDraw.h):
// paint extents, invalidation, markers and the selection frame, drawable
// copies, vertex marks and numbers, flashing and charts; the screen
// decimation of parts that lines and polygons draw with.
#include "gis/vector/GisShapeDraw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gis/core/GisDefsStyles.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisChart.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Ticks.h"

namespace {

constexpr int DEFAULT_MAX_DRAW_POINTS = 134217728; // 2^27

int& MaxDrawPoints() {
  static int cap = DEFAULT_MAX_DRAW_POINTS;
  return cap;
}

/// Pixels of a drawable copy's screen-safe window: coordinates stay within
/// ±16000 of the window.
constexpr int SCREEN_SAFE = 16000;

/// Vertex marks: half the side of a square, in pixels.
constexpr int VERTEX_MARK = 3;

constexpr TColor NEAR_BLACK = 0x010101;
constexpr TColor RED = 0x0000FF;
constexpr TColor YELLOW = 0x00FFFF;
constexpr TColor GREEN = 0x008000;
constexpr TColor BLUE = 0xFF0000;
constexpr TColor WHITE = 0xFFFFFF;

/// A twips (or negative pixels) value that may come from a sum or product of
/// style values, brought into the range TwipsToPixels takes.
int ClampTwips(std::int64_t value) {
  return int(std::clamp<std::int64_t>(value, -INT_MAX, INT_MAX));
}

int Manhattan(const TPoint& a, const TPoint& b) {
  return std::abs(a.x - b.x) + std::abs(a.y - b.y);
}

TGIS_Extent Widened(const TGIS_Extent& e, double dx, double dy) {
  return {e.XMin - dx, e.YMin - dy, e.XMax + dx, e.YMax + dy};
}

bool Inside(const TGIS_Point& p, const TGIS_Extent& e) {
  return p.X >= e.XMin && p.X <= e.XMax && p.Y >= e.YMin && p.Y <= e.YMax;
}

/// A solid brush of `brush` and a solid black pen one pixel wide.
void PrepareMark(TGIS_GDI& gdi, TColor brush) {
  gdi.PrepareBrush(brush, nullptr, GIS_BRUSH_SOLID);
  gdi.PrepareSolidPen(NEAR_BLACK, 1, true);
}

void Square(TGIS_GDI& gdi, const TPoint& p) {
  gdi.Rectangle(p.x - VERTEX_MARK, p.y - VERTEX_MARK, p.x + VERTEX_MARK, p.y + VERTEX_MARK);
}

// ---- flash colour sets ----------------------------------------------------------------------

void PlainFeature(TGIS_ParamsFeature& f, TColor color, TColor outline) {
  f.SetColor(color);
  f.SetPattern(bsSolid);
  f.SetBitmap(nullptr);
  f.SetOutlineColor(outline);
}

void FlashSetA(TGIS_Viewer& viewer, TGIS_ParamsSectionVector& section) {
  TGIS_ParamsLine& line = section.GetLine();
  if (line.Width() == GIS_RENDER_SIZE || viewer.TwipsToPixels(line.Width()) < 3) line.SetWidth(-3);
  PlainFeature(line, RED, YELLOW);
  line.SetSymbol(nullptr);
  TGIS_ParamsArea& area = section.GetArea();
  PlainFeature(area, RED, YELLOW);
  area.SetSymbol(nullptr);
  TGIS_ParamsMarker& marker = section.GetMarker();
  if (marker.Size() == GIS_RENDER_SIZE || viewer.TwipsToPixels(marker.Size()) < 5)
    marker.SetSize(-5);
  PlainFeature(marker, RED, YELLOW);
  marker.SetSymbol(nullptr);
}

void FlashSetB(TGIS_ParamsSectionVector& section) {
  PlainFeature(section.GetLine(), YELLOW, RED);
  section.GetLine().SetSymbol(nullptr);
  PlainFeature(section.GetArea(), YELLOW, RED);
  section.GetArea().SetSymbol(nullptr);
  PlainFeature(section.GetMarker(), YELLOW, RED);
  section.GetMarker().SetSymbol(nullptr);
  section.GetMarker().SetSize(-8);
}

/// Whether the layer's conversion leaves the shape's stored points as they
/// are in viewer units: raw points (lock level 2 and above, no layer), or no
/// rotation and no unit step, or unit factors of exactly 1 without a
/// projection step.
bool StoredPointsAreViewerPoints(const TGIS_Shape& shape) {
  const TGIS_LayerVector* layer = shape.Layer();
  if (shape.LockLevel() >= 2 || layer == nullptr || layer->Viewer() == nullptr) return true;
  const TGIS_Viewer& viewer = *layer->Viewer();
  if (viewer.RotationAngle() != 0) return false;
  if (layer->Units().Type() == gisUnitsNone || viewer.Units().Type() == gisUnitsNone) return true;
  return viewer.Projection() == nullptr && layer->Units().Factor() == 1 &&
         viewer.Units().Factor() == 1;
}

/// The vertices of one part in viewer units, read straight from the stored
/// points of lines and polygons (as GetPoint gives them).
class TPartReader {
public:
  TPartReader(const TGIS_Shape& shape, int part)
      : shape_(shape), part_(part), direct_((shape.ShapeType() == gisShapeTypeArc ||
                                             shape.ShapeType() == gisShapeTypePolygon) &&
                                            shape.PointsBlock().Data != nullptr),
        data_(direct_ ? shape.PointsBlock().Data + 16 * std::size_t(shape.GetPartStart(part))
                      : nullptr),
        convert_(direct_ && !StoredPointsAreViewerPoints(shape)) {}
  TGIS_Point operator[](int k) const {
    if (!direct_) return shape_.GetPoint(part_, k);
    TGIS_Point p;
    std::memcpy(&p.X, data_ + 16 * std::size_t(k), 8);
    std::memcpy(&p.Y, data_ + 16 * std::size_t(k) + 8, 8);
    return convert_ ? shape_.Layer()->PointToViewer(p) : p;
  }
  /// The first `n` vertices into `out`: stored points that need no
  /// conversion are copied as one block (the record holds them as X, Y
  /// doubles, as TGIS_Point does).
  void CopyTo(TGIS_Point* out, int n) const {
    static_assert(sizeof(TGIS_Point) == 16);
    if (direct_ && !convert_) {
      std::memcpy(static_cast<void*>(out), data_, 16 * std::size_t(n));
      return;
    }
    for (int k = 0; k < n; ++k)
      out[k] = (*this)[k];
  }

private:
  const TGIS_Shape& shape_;
  const int part_;
  const bool direct_;
  const std::uint8_t* data_;
  const bool convert_;
};

/// The shape's extent in viewer units (GetExtent). Without rotation and
/// projection the conversion keeps the order of coordinates, so the stored
/// box converted whole is the extent of the converted vertices.
TGIS_Extent DrawExtentOf(TGIS_Shape& shape, TGIS_Viewer& viewer) {
  if (StoredPointsAreViewerPoints(shape)) return shape.GetExtentRaw();
  if (viewer.RotationAngle() == 0 && viewer.Projection() == nullptr)
    return GisShapeViewerExtent(shape);
  return shape.GetExtent();
}

} // namespace

// ---- shared helpers -----------------------------------------------------------------------------

int GisMaxDrawPoints() {
  return MaxDrawPoints();
}

void GisSetMaxDrawPointsForTests(int cap) {
  MaxDrawPoints() = cap <= 0 ? DEFAULT_MAX_DRAW_POINTS : std::max(cap, 3);
}

int GisDecimatePart(TGIS_Viewer& viewer, const TGIS_Shape& shape, int part, double threshold,
                    bool capped, TPoint* out) {
  const int n = shape.GetPartSize(part);
  if (n <= 0) return 0;
  TGIS_Viewer::TDrawBuffers& b = viewer.DrawBuffers();
  if (int(b.PartMap.size()) < n) {
    b.PartMap.resize(std::size_t(n));
    b.PartScreen.resize(std::size_t(n));
  }
  const TPartReader vertex(shape, part);
  vertex.CopyTo(b.PartMap.data(), n);
  viewer.MapToScreenArray(b.PartMap.data(), n, b.PartScreen.data());
  const TPoint* screen = b.PartScreen.data();
  for (;;) {
    // Each interior point is written and kept by advancing the count, not
    // by a branch: which points stay is as good as random to a predictor.
    out[0] = screen[0];
    int count = 1;
    for (int k = 1; k < n - 1; ++k) {
      const TPoint p = screen[k];
      out[count] = p;
      count += int(Manhattan(p, out[count - 1]) > threshold);
    }
    if (n > 1) out[count++] = screen[n - 1];
    threshold += 1;
    // Two points (the first and the last) are as few as a part can keep.
    if (!capped || count < GisMaxDrawPoints() || count <= 2) return count;
  }
}

TGIS_GDI* GisShapeDrawContext(const TGIS_Shape& shape) {
  TGIS_Viewer* viewer = shape.GetViewer();
  if (shape.IsHidden() || shape.IsDeleted() || shape.IsEmpty() || viewer == nullptr) return nullptr;
  return viewer->GetGDI();
}

TGIS_Viewer::TDrawBuffers& GisDrawBuffers(TGIS_Viewer& viewer, int points, int parts) {
  TGIS_Viewer::TDrawBuffers& b = viewer.DrawBuffers();
  if (int(b.Points.size()) < points) b.Points.resize(std::size_t(points));
  if (int(b.Counts.size()) < parts) b.Counts.resize(std::size_t(parts));
  if (int(b.Drawn.size()) < parts) b.Drawn.resize(std::size_t(parts));
  return b;
}

int GisDecimateParts(TGIS_Viewer& viewer, const TGIS_Shape& shape, double threshold) {
  TGIS_Viewer::TDrawBuffers& b = GisDrawBuffers(viewer, shape.GetNumPoints(), shape.GetNumParts());
  int stored = 0, used = 0;
  for (int part = 0; part < shape.GetNumParts(); ++part) {
    const int n = GisDecimatePart(viewer, shape, part, threshold, true, b.Points.data() + used);
    b.Drawn[std::size_t(part)] = n > 0;
    if (n == 0) continue;
    b.Counts[std::size_t(stored++)] = DWORD(n);
    used += n;
  }
  return stored;
}

double GisSelectionThreshold(TGIS_Viewer& viewer, const TGIS_Shape& shape) {
  if (viewer.SelectionOutlineOnly()) return 0;
  const TGIS_Extent common = GisExtentIntersection(viewer.GetVisibleExtent(), shape.GetExtent());
  const double span = std::max(common.XMax - common.XMin, common.YMax - common.YMin);
  const int quarter = viewer.TwipsToPixels(viewer.SelectionWidth()) / 4;
  return std::max(std::min(span * viewer.Zoom() / 10, double(quarter)), 2.0);
}

int GisPatternPhase(double x, int period) {
  if (period <= 0) return 0;
  return int(Round(x - Int(x / period) * period));
}

void GisAlignPattern(TGIS_Viewer& viewer, TGIS_GDI& gdi, const TGIS_Shape& shape,
                     const TBitmap* bitmap) {
  const TRect r = viewer.MapToScreenRect(shape.GetPaintExtent());
  const bool tiled = bitmap != nullptr && bitmap->Width() * bitmap->Height() > 0;
  const int w = tiled ? bitmap->Width() : 8, h = tiled ? bitmap->Height() : 8;
  gdi.SetBrushOrigin(GisPatternPhase(r.Left, w), GisPatternPhase(r.Top, h));
}

// ---- extents ------------------------------------------------------------------------------------

TGIS_Extent GisShapeViewerExtent(const TGIS_Shape& shape) {
  const TGIS_Extent raw = shape.GetExtentRaw();
  // An empty extent stays empty (converting its corners would not).
  if (shape.Layer() == nullptr || GisIsEmptyExtent(raw)) return raw;
  return shape.Layer()->ExtentToViewer(raw);
}

TGIS_Extent TGIS_Shape::GetPaintExtent() const {
  TGIS_Viewer* viewer = GetViewer();
  if (viewer != nullptr && viewer->IsPainting() && viewer->FullPaint())
    return GisShapeViewerExtent(*this);
  return GetPaintExtentEx();
}

TGIS_Point GisPaintMargins(TGIS_ParamsSectionVector& section, TGIS_Viewer& viewer) {
  const double zoom = viewer.Zoom();
  if (!(zoom > 0)) return {0, 0};
  double m = 4 / zoom;
  for (const std::int32_t w : {section.GetLine().Width(), section.GetLine().OutlineWidth(),
                               section.GetArea().OutlineWidth()})
    m = std::max(m, viewer.TwipsToPixels(ClampTwips(std::int64_t(w) * 3 / 4 + 1)) / zoom);
  double lx = 0, ly = 0;
  const TGIS_ParamsLabel& label = section.GetLabel();
  if (!label.Field().empty() || !label.Value().empty()) {
    const std::int64_t outline = label.OutlineWidth();
    lx = viewer.TwipsToPixels(ClampTwips(outline + label.Width() + 1)) / zoom;
    ly = viewer.TwipsToPixels(ClampTwips(outline + label.Height() + 1)) / zoom;
  }
  return {lx + m, ly + m};
}

TGIS_Extent TGIS_Shape::GetPaintExtentEx() const {
  const TGIS_Extent e = GisShapeViewerExtent(*this);
  TGIS_Viewer* viewer = GetViewer();
  if (viewer == nullptr || GisIsEmptyExtent(e) || !(viewer->Zoom() > 0)) return e;
  // The style is read through the shape (its own section when it has one).
  const TGIS_Point m =
      GisPaintMargins(const_cast<TGIS_Shape*>(this)->GetParamsSection(), *viewer);
  return Widened(e, m.X, m.Y);
}

void TGIS_Shape::Invalidate(bool full) {
  TGIS_Viewer* viewer = GetViewer();
  if (IsEmpty() || viewer == nullptr) return;
  viewer->InvalidateExtent(GetPaintExtentEx(), full);
}

// ---- markers ------------------------------------------------------------------------------------

void TGIS_Shape::DrawMarker(int size, const TPoint& point, bool selectedOnly) {
  if (size == 0) return;
  TGIS_Viewer* viewer = GetViewer();
  TGIS_GDI* gdi = viewer != nullptr ? viewer->GetGDI() : nullptr;
  if (gdi == nullptr) return;
  const int s = size, x = point.x, y = point.y;
  const int h = s / 2, q = s / 4, e = s / 8;
  if (!selectedOnly) {
    const int previous = gdi->SetBkMode(TRANSPARENT);
    auto restore = ScopeExit([&] { gdi->SetBkMode(previous); });
    auto polygon = [&](std::initializer_list<TPoint> points) {
      gdi->PolygonArray(points.begin(), int(points.size()) - 1);
    };
    switch (GetParamsSection().GetMarker().Style()) {
    case gisMarkerStyleCircle:
      gdi->Ellipse(x - h, y - h, x + h, y + h);
      break;
    case gisMarkerStyleCross:
      polygon({{x - e, y + h},
               {x - e, y + e},
               {x - h, y + e},
               {x - h, y - e},
               {x - e, y - e},
               {x - e, y - h},
               {x + e, y - h},
               {x + e, y - e},
               {x + h, y - e},
               {x + h, y + e},
               {x + e, y + e},
               {x + e, y + h}});
      break;
    case gisMarkerStyleDiagCross:
      polygon({{x - q, y + h},
               {x - h, y + q},
               {x - q, y},
               {x - h, y - q},
               {x - q, y - h},
               {x, y - q},
               {x + q, y - h},
               {x + h, y - q},
               {x + q, y},
               {x + h, y + q},
               {x + q, y + h},
               {x, y + q}});
      break;
    case gisMarkerStyleTriangleUp:
      polygon({{x - h, y + h}, {x, y - h}, {x + h, y + h}});
      break;
    case gisMarkerStyleTriangleDown:
      polygon({{x, y + h}, {x - h, y - h}, {x + h, y - h}});
      break;
    case gisMarkerStyleTriangleLeft:
      polygon({{x - h, y}, {x + h, y - h}, {x + h, y + h}});
      break;
    case gisMarkerStyleTriangleRight:
      polygon({{x - h, y - h}, {x + h, y}, {x - h, y + h}});
      break;
    default: // box
      gdi->Rectangle(x - h, y - h, x + h, y + h);
      break;
    }
    restore.Run();
  }
  if (!selectedOnly && !IsSelected()) return;

  // The selection frame: dotted on screen, and its area in the primary
  // selection region that the viewer fills after the layers.
  const int r = h + viewer->TwipsToPixels(viewer->SelectionWidth()) / 2;
  TRect frame(x - r, y - r, x + r, y + r);
  const TColor color = viewer->SelectionColor() == WHITE ? RED : viewer->SelectionColor();
  gdi->PrepareSimplePen(1, GIS_PEN_DOT);
  gdi->Pen()->SetColor(color);
  gdi->Brush()->SetStyle(GIS_BRUSH_CLEAR);
  gdi->DrawRect(frame);
  frame.Left += 1;
  frame.Top += 1;
  const int fillMode = gdi->SetPolyFillMode(WINDING);
  auto restoreFill = ScopeExit([&] { gdi->SetPolyFillMode(fillMode); });
  gdi->BeginPath();
  gdi->DrawRect(frame);
  gdi->EndPath();
  gdi->AddSelectionRegion(false, nullptr, true);
}

// ---- drawable copies ----------------------------------------------------------------------------

TGIS_DrawableCopy TGIS_Shape::GetDrawableCopy(int kind) {
  TGIS_Viewer* viewer = GetViewer();
  if (viewer == nullptr) return TGIS_DrawableCopy(this);
  const double zoom = viewer->Zoom();
  TGIS_Extent e;
  if (kind == 1) {
    const double inch = viewer->TwipsToPixels(1440) / zoom;
    e = Widened(viewer->GetVisibleExtent(), inch, inch);
  } else if (kind == 2) {
    e = viewer->GetVisibleExtent();
  }
  const TGIS_Extent own = DrawExtentOf(*this, *viewer);
  if (kind != 1 && kind != 2) {
    if ((own.XMax - own.XMin) * zoom < SCREEN_SAFE && (own.YMax - own.YMin) * zoom < SCREEN_SAFE)
      return TGIS_DrawableCopy(this);
    e = viewer->ScreenToMapRect(TRect(-SCREEN_SAFE, -SCREEN_SAFE, SCREEN_SAFE, SCREEN_SAFE));
  }
  // Wholly inside (IsInExtent's whole-shape mode): the shape itself.
  const bool inside = !IsEmpty() && e.XMax != e.XMin && e.YMax != e.YMin && own.XMin >= e.XMin &&
                      own.XMax <= e.XMax && own.YMin >= e.YMin && own.YMax <= e.YMax;
  if (inside) return TGIS_DrawableCopy(this);
  return TGIS_DrawableCopy(CreateClippedCopy(e, true));
}

void TGIS_Shape::FreeDrawableCopy(TGIS_DrawableCopy& copy) {
  copy.Reset();
}

// ---- vertex marks -------------------------------------------------------------------------------

void TGIS_Shape::DrawVertices() {
  TGIS_GDI* gdi = GisShapeDrawContext(*this);
  if (gdi == nullptr) return;
  TGIS_Viewer* viewer = GetViewer();
  const TGIS_Extent visible = viewer->GetVisibleExtent();
  PrepareMark(*gdi, YELLOW);
  TPoint last(-1000, -1000);
  for (int part = 0; part < GetNumParts(); ++part)
    for (int i = 0; i < GetPartSize(part); ++i) {
      const TGIS_Point v = GetPoint(part, i);
      if (!Inside(v, visible)) continue;
      const TPoint p = viewer->MapToScreen(v);
      if (Manhattan(p, last) < 2 * VERTEX_MARK) continue;
      Square(*gdi, p);
      last = p;
    }
}

void TGIS_Shape::DrawVertexLabelsSimple() {
  if (IsHidden() || IsDeleted() || IsEmpty()) return;
  DrawVertexNumbers();
}

void TGIS_Shape::DrawVertexNumbers() {
  TGIS_Viewer* viewer = GetViewer();
  TGIS_GDI* gdi = viewer != nullptr ? viewer->GetGDI() : nullptr;
  if (gdi == nullptr) return;
  const TGIS_Extent visible = viewer->GetVisibleExtent();
  TGIS_Font* font = gdi->Font();
  font->SetName("Arial");
  font->SetSize(6);
  font->SetColor(WHITE);
  const int spacing = 2 * std::abs(font->Height());
  const TGIS_Editor* editor = viewer->Editor();
  // A polygon's closing vertex repeats its first one.
  const int closing = shapeType_ == gisShapeTypePolygon ? 1 : 0;
  for (int part = 0; part < GetNumParts(); ++part) {
    const int size = GetPartSize(part);
    if (size < 1) continue;
    PrepareMark(*gdi, editor != nullptr && editor->Part() == part ? GREEN : BLUE);
    TPoint lastSquare(-1000, -1000), lastNumber(-1000, -1000);
    for (int i = 0; i < size - closing; ++i) {
      const TGIS_Point v = GetPoint(part, i);
      if (!Inside(v, visible)) continue;
      const TPoint p = viewer->MapToScreen(v);
      if (Manhattan(p, lastSquare) >= 2 * VERTEX_MARK) {
        Square(*gdi, p);
        lastSquare = p;
      }
      if (Manhattan(p, lastNumber) >= spacing) {
        lastNumber = p;
        gdi->TextOut(p.x + VERTEX_MARK, p.y + VERTEX_MARK, IntToStr(i));
      }
    }
  }
  // The editor's current vertex; before the first vertex (-1) there is none.
  if (editor == nullptr) return;
  const int part = editor->Part(), index = editor->GetPointIndex();
  if (part < 0 || part >= GetNumParts() || index < 0 || index >= GetPartSize(part)) return;
  PrepareMark(*gdi, RED);
  Square(*gdi, viewer->MapToScreen(GetPoint(part, index)));
}

void TGIS_Shape::DrawVertexLabelsOutline() {
  TGIS_Viewer* viewer = GetViewer();
  TGIS_GDI* gdi = viewer != nullptr ? viewer->GetGDI() : nullptr;
  if (IsEmpty() || gdi == nullptr) return;
  TGIS_DrawableCopy c = GetDrawableCopy(0);
  if (!c) return;
  // The outline, thinned to distinct pixels, as one dotted poly-polyline.
  const int parts = GisDecimateParts(*viewer, *c, 0);
  TGIS_Viewer::TDrawBuffers& b = viewer->DrawBuffers();
  gdi->PrepareBrush(NEAR_BLACK, nullptr, GIS_BRUSH_SOLID);
  gdi->PrepareSimplePen(1, GIS_PEN_DOT);
  gdi->Pen()->SetColor(YELLOW);
  gdi->PolyPolyline(b.Points.data(), b.Counts.data(), parts);
  DrawVertexNumbers();
  FreeDrawableCopy(c);
}

// ---- flashing and charts ------------------------------------------------------------------------

void TGIS_Shape::Flash(int count, int delay) {
  TGIS_Viewer* viewer = GetViewer();
  if (viewer == nullptr || viewer->IsLocked()) return;
  std::unique_ptr<TGIS_Shape> c = CreateCopy();
  const int n = std::min(count, 20);
  const Cardinal pause = Cardinal(std::clamp(delay, 0, 10000));
  // The colour sets go to the copy's own section; the layer's stays as it is.
  if (!c->HasOwnParams()) c->UseOwnParams(true);
  TGIS_ParamsSectionVector& section = c->GetParamsSection();
  if (viewer->TargetKind() != gisTargetWindow) {
    FlashSetA(*viewer, section);
    c->Draw();
    return;
  }
  for (int i = 0; i < n; ++i) {
    FlashSetA(*viewer, section);
    c->Draw();
    Sleep(pause);
    FlashSetB(section);
    c->Draw();
    Sleep(pause);
  }
  viewer->InvalidateExtent(c->GetPaintExtent(), false);
}

void TGIS_Shape::DrawChart() {
  TGIS_Viewer* viewer = GetViewer();
  TGIS_GDI* gdi = viewer != nullptr ? viewer->GetGDI() : nullptr;
  if (gdi == nullptr || IsEmpty()) return;
  TGIS_Point at;
  if (!GetLabelAnchor(at)) return;
  const TGIS_ParamsChart& chart = GetParamsSection().GetChart();
  GisDrawChart(*gdi, viewer->MapToScreen(at), viewer->TwipsToPixels(chart.Size()), chart.Values(),
               chart.Style());
}
