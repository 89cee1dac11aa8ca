// The track bar's thumb: a picture of its state, or one of the drawn shapes
// (pointer, rectangles, round, line, triangles and slanted pointers) filled
// with a glossy or stepped gradient and outlined in white and the border
// colour.
#include <algorithm>
#include <vector>

#include "controls/OwTrackBar.h"

namespace {
TGradientDirection SteppedDirection(TGpGradient g) {
  switch (g) {
  case TGpGradient::ggRadial:
    return TGradientDirection::gdHorizontal;
  case TGpGradient::ggDiagonalForward:
    return TGradientDirection::gdHorizontalInOut;
  default:
    return TGradientDirection::gdVertical;
  }
}

void Line(TCanvas* c, TPoint a, TPoint b) {
  c->MoveTo(a.x, a.y);
  c->LineTo(b.x, b.y);
}
void Polyline(TCanvas* c, std::initializer_list<TPoint> points) {
  c->Polyline(std::vector<TPoint>(points));
}

/// The corner points of one of the polygon thumbs.
std::vector<TPoint> PolygonPoints(TThumbShape shape, int kind, const TRect& r) {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  const int hh = (B - T) / 2, hw = (R - L) / 2;
  if (shape == TThumbShape::tsPointerLeftUp && kind <= 1) kind = 1 - kind;
  if (shape == TThumbShape::tsPointerRightUp || shape == TThumbShape::tsPointerLeftUp) {
    const bool left = shape == TThumbShape::tsPointerLeftUp;
    switch (kind) {
    case 0:
      return {{L, T}, {R, T}, {R, B}, {L + hh, B}};
    case 1:
      return {{L, T}, {R, T}, {R - hh, B}, {L, B}};
    case 2:
      return left ? std::vector<TPoint>{{L, T}, {R, T + hw}, {R, B}, {L, B}}
                  : std::vector<TPoint>{{L, T + hw}, {R, T}, {R, B}, {L, B}};
    case 3:
      return left ? std::vector<TPoint>{{L, T}, {R, T}, {R, B - hw}, {L, B}}
                  : std::vector<TPoint>{{L, T}, {R, T}, {R, B}, {L, B - hw}};
    case 4:
      return {{L, T}, {R, T}, {R - hh, B}, {L + hh, B}};
    default:
      return left ? std::vector<TPoint>{{L, T}, {R, T + hw}, {R, B - hw}, {L, B}}
                  : std::vector<TPoint>{{L, T + hw}, {R, T}, {R, B}, {L, B - hw}};
    }
  }
  switch (kind) {
  case 0:
    return {{L, B}, {L, T}, {R, T + hh}};
  case 1:
    return {{L, T + hh}, {R, T}, {R, B}};
  case 2:
    return {{L, B}, {L + hw, T}, {R, B}};
  case 3:
    return {{L, T}, {R, T}, {L + hw, B}};
  default:
    return {{L, T + hh}, {L + hw, T}, {R, T + hh}, {L + hw, B}};
  }
}

/// The polygon moved `by` pixels toward its centre.
std::vector<TPoint> Inset(const std::vector<TPoint>& points, int by) {
  long sx = 0, sy = 0;
  for (const TPoint& p : points) {
    sx += p.x;
    sy += p.y;
  }
  const int cx = int(sx / long(points.size())), cy = int(sy / long(points.size()));
  std::vector<TPoint> out;
  for (const TPoint& p : points)
    out.push_back(TPoint(p.x + (p.x < cx   ? by
                                : p.x > cx ? -by
                                           : 0),
                         p.y + (p.y < cy   ? by
                                : p.y > cy ? -by
                                           : 0)));
  return out;
}
} // namespace

std::unique_ptr<TGPGraphicsPath> CreatePointerPath(const TRect& body, TPoint firstApex,
                                                   TPoint secondApex, TTickMark ticks,
                                                   bool vertical) {
  const bool firstTip = ticks == TTickMark::tmTopLeft || ticks == TTickMark::tmBoth;
  const bool secondTip = ticks == TTickMark::tmBottomRight || ticks == TTickMark::tmBoth;
  // Around the body; an absent tip leaves its side straight.
  std::vector<TGPIntPoint> outline;
  auto add = [&outline](TPoint p) { outline.push_back(GPPointOf(p.x, p.y)); };
  if (!vertical) {
    add({body.Left, body.Bottom});
    add({body.Left, body.Top});
    if (firstTip) add(firstApex);
    add({body.Right, body.Top});
    add({body.Right, body.Bottom});
    if (secondTip) add(secondApex);
  } else {
    add({body.Right, body.Bottom});
    add({body.Left, body.Bottom});
    if (firstTip) add(firstApex);
    add({body.Left, body.Top});
    add({body.Right, body.Top});
    if (secondTip) add(secondApex);
  }
  auto path = std::make_unique<TGPGraphicsPath>();
  path->AddPolygon(outline.data(), int(outline.size()));
  path->CloseFigure();
  return path;
}

void TCustomTrackBar::DrawThumb() {
  if (IsRatingMode() || thumb_->Size() < 1) return;
  if (!thumb_->ShowAtMinMax() && (position_ == min_ || position_ == max_)) return;
  const TRect r = ThumbRect();
  TGpPicture& picture = thumb_->StatePicture(thumbPressed_, thumbHot_, Enabled());
  if (!picture.Empty()) {
    picture.ReadSize();
    picture.Draw(Canvas(),
                 TRect(r.Left, r.Top, r.Left + picture.Width(), r.Top + picture.Height()));
    return;
  }
  PaintThumbShape(r, thumb_->StateColors(thumbPressed_, thumbHot_, Enabled()));
}

void TCustomTrackBar::PaintThumbShape(const TRect& r, const TGlossColors& colors) {
  switch (thumb_->Shape()) {
  case TThumbShape::tsPointer:
    PaintPointerThumb(r, colors);
    break;
  case TThumbShape::tsRectangle:
  case TThumbShape::tsRoundRect:
  case TThumbShape::tsRound:
    PaintBoxThumb(r, colors);
    break;
  case TThumbShape::tsLine:
    PaintLineThumb(r, colors);
    break;
  default:
    DrawPolygonThumb(r, colors);
    break;
  }
}

void TCustomTrackBar::FillThumb(const TRect& r, HRGN gdiClip, const TGPGraphicsPath& gpClip,
                                const TGlossColors& k, const TRect& glossRect) {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  if (k.Color == clNone) return;
  if (k.ColorTo != clNone && k.Mirror != clNone && k.MirrorTo != clNone) {
    TGPGraphics graphics(dc);
    TGPRegion region(gpClip);
    graphics.SetClipRegion(region, GpCombineReplace);
    DrawGlossShape(&graphics, c, glossRect, !Horizontal(), thumb_->GradientMirror(),
                   thumb_->Gradient(), k.MirrorTo, k.Mirror, k.ColorTo, k.Color, clNone, clNone,
                   gsRectangle);
    graphics.ResetClip();
    return;
  }
  TCanvasStateSaver saved(c);
  ExtSelectClipRgn(dc, gdiClip, RGN_AND);
  if (k.ColorTo != clNone) {
    DrawDirectionalGradient(c, k.Color, k.ColorTo, SteppedDirection(thumb_->Gradient()), r,
                            thumb_->GradientSteps());
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(k.Color);
    c->FillRect(r);
  }
}

void TCustomTrackBar::PaintPointerThumb(const TRect& r, const TGlossColors& k) {
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  const TTickMark ticks = tickMark_->Position();
  const bool firstTip = ticks == TTickMark::tmTopLeft || ticks == TTickMark::tmBoth;
  const bool secondTip = ticks == TTickMark::tmBottomRight || ticks == TTickMark::tmBoth;
  const bool h = Horizontal();
  const int E = h ? (R - L) / 2 : (B - T) / 2;
  // Body and tips (apexes P2, Q2).
  TRect body = r;
  TPoint P1, P2, P3, Q1, Q2, Q3;
  if (h) {
    if (firstTip) body.Top = T + E;
    if (secondTip) body.Bottom = B - E;
    P1 = TPoint(L, T + E), P2 = TPoint(L + E, T), P3 = TPoint(R, T + E);
    Q1 = TPoint(L, B - E), Q2 = TPoint(L + E, B), Q3 = TPoint(R, B - E);
  } else {
    if (firstTip) body.Left = L + E;
    if (secondTip) body.Right = R - E;
    P1 = TPoint(L + E, B), P2 = TPoint(L, T + E), P3 = TPoint(L + E, T);
    Q1 = TPoint(R - E, B), Q2 = TPoint(R, B - E), Q3 = TPoint(R - E, T);
  }
  // Clip shapes: the body with its tips.
  HRGN gdiClip = CreateRectRgn(body.Left, body.Top, body.Right, body.Bottom);
  auto addTip = [&](TPoint a, TPoint b, TPoint c) {
    const POINT pts[3] = {a, b, c};
    HRGN tri = CreatePolygonRgn(pts, 3, ALTERNATE);
    CombineRgn(gdiClip, gdiClip, tri, RGN_OR);
    DeleteObject(tri);
  };
  if (firstTip) addTip(P1, P2, P3);
  if (secondTip) addTip(Q1, Q2, Q3);
  const std::unique_ptr<TGPGraphicsPath> path = CreatePointerPath(body, P2, Q2, ticks, !h);
  FillThumb(r, gdiClip, *path, k, r);
  DeleteObject(gdiClip);
  if (k.Border == clNone) return;
  if (h)
    OutlineHorizontalPointer(r, body, firstTip, secondTip, P1, P2, P3, Q1, Q2, Q3, k.Border);
  else
    OutlineVerticalPointer(r, body, firstTip, secondTip, P1, P2, P3, Q1, Q2, Q3, k.Border);
}

void TCustomTrackBar::OutlineHorizontalPointer(const TRect& r, const TRect& body, bool top,
                                               bool bottom, TPoint P1, TPoint P2, TPoint P3,
                                               TPoint Q1, TPoint Q2, TPoint Q3, TColor border) {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsClear);
  int l = body.Left, t = body.Top, rr = body.Right, b = body.Bottom;
  // Pass 1: white.
  c->Pen()->SetColor(clWhite);
  Line(c, {l, t}, {l, b});
  Line(c, {rr, t}, {rr, b + 1});
  if (top)
    Polyline(c, {P1, P2, P3});
  else
    Line(c, {l, t}, {rr, t});
  if (bottom)
    Polyline(c, {Q1, Q2, Q3});
  else
    Line(c, {l, b}, {rr, b});
  // Pass 2: inset by 1, the border colour.
  c->Pen()->SetColor(border);
  l += 1, t += 1, rr -= 1, b -= 1;
  Line(c, {l, t}, {l, b + 1});
  Line(c, {rr, t}, {rr, b + 1});
  if (top)
    Polyline(c, {{P1.x + 1, P1.y}, {P2.x, P2.y + 1}, {P3.x, P3.y + 1}});
  else
    Line(c, {l, t}, {rr, t});
  if (bottom)
    Polyline(c, {{Q1.x + 1, Q1.y}, {Q2.x, Q2.y - 1}, {Q3.x, Q3.y - 1}});
  else
    Line(c, {l, b}, {rr, b});
  // Pass 3: inset by 2, white.
  c->Pen()->SetColor(clWhite);
  l += 1, t += 1, rr -= 1, b -= 1;
  const int sideEnd = bottom ? b + 2 : b + 1;
  Line(c, {l, t}, {l, sideEnd});
  Line(c, {rr, t}, {rr, sideEnd});
  if (top)
    Polyline(c, {{P1.x + 2, P1.y}, {P2.x, P2.y + 2}, {P3.x - 1, P3.y + 1}});
  else
    Line(c, {l, t}, {rr, t});
  if (bottom)
    Polyline(c, {{Q1.x + 2, Q1.y}, {Q2.x, Q2.y - 2}, {Q3.x - 1, Q3.y - 1}});
  else
    Line(c, {l, b}, {rr, b});
  // Grip.
  c->Pen()->SetColor(border);
  const int height = r.Bottom - r.Top, k = height / 2;
  const int gx = l + (rr - l) / 2, gy = r.Top + (height + 2 - k) / 2;
  Line(c, {gx, gy}, {gx, gy + k - 2});
}

void TCustomTrackBar::OutlineVerticalPointer(const TRect& r, const TRect& body, bool left,
                                             bool right, TPoint P1, TPoint P2, TPoint P3, TPoint Q1,
                                             TPoint Q2, TPoint Q3, TColor border) {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsClear);
  int l = body.Left, t = body.Top, rr = body.Right, b = body.Bottom;
  c->Pen()->SetColor(clWhite);
  Line(c, {l, t}, {rr, t});
  Line(c, {l, b}, {rr, b});
  if (left)
    Polyline(c, {P1, P2, P3});
  else
    Line(c, {l, t}, {l, b});
  if (right)
    Polyline(c, {Q1, Q2, {Q3.x - 1, Q3.y - 1}});
  else
    Line(c, {rr, t}, {rr, b + 1});
  c->Pen()->SetColor(border);
  l += 1, t += 1, rr -= 1, b -= 1;
  Line(c, {l, b}, {rr + 1, b});
  Line(c, {l, t}, {rr + 1, t});
  if (left)
    Polyline(c, {{P1.x, P1.y - 1}, {P2.x + 1, P2.y}, {P3.x + 1, P3.y}});
  else
    Line(c, {l, t}, {l, b});
  if (right)
    Polyline(c, {{Q1.x, Q1.y - 1}, {Q2.x - 1, Q2.y}, {Q3.x - 1, Q3.y}});
  else
    Line(c, {rr, t}, {rr, b});
  c->Pen()->SetColor(clWhite);
  l += 1, t += 1, rr -= 1, b -= 1;
  const int lineEnd = right ? rr + 2 : rr + 1;
  const int lineStart = tickMark_->Position() != TTickMark::tmBottomRight ? l - 1 : l;
  Line(c, {lineStart, b}, {lineEnd, b});
  Line(c, {lineStart, t}, {lineEnd, t});
  if (left)
    Polyline(c, {{P1.x, P1.y - 2}, {P2.x + 2, P2.y}, {P3.x + 1, P3.y + 1}});
  else
    Line(c, {l, t}, {l, b});
  if (right)
    Polyline(c, {{Q1.x, Q1.y - 2}, {Q2.x - 2, Q2.y}, {Q3.x - 1, Q3.y + 1}});
  else
    Line(c, {rr, t}, {rr, b});
  c->Pen()->SetColor(border);
  const int w = r.Right - r.Left, a = w / 2 - 3;
  const int gx = r.Left + (w + 1 - a) / 2, gy = r.Top + (r.Bottom - r.Top) / 2;
  Line(c, {gx, gy}, {gx + a, gy});
}

void TCustomTrackBar::PaintBoxThumb(const TRect& r, const TGlossColors& k) {
  TCanvas* c = Canvas();
  const TThumbShape shape = thumb_->Shape();
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  const int radius = shape == TThumbShape::tsRectangle   ? 1
                     : shape == TThumbShape::tsRoundRect ? 8
                                                         : thumb_->Size() / 2;
  auto path =
      CreateRoundRectPath(GPRectOf(float(L), float(T), float(R - L), float(B - T)), float(radius));
  HRGN gdiClip = CreateRoundRectRgn(L, T, R, B, radius, radius);
  const bool gloss =
      k.Color != clNone && k.ColorTo != clNone && k.Mirror != clNone && k.MirrorTo != clNone;
  if (shape == TThumbShape::tsRound && gloss) {
    TGPGraphics graphics(c->Handle());
    TGPRegion region(*path);
    graphics.SetClipRegion(region, GpCombineReplace);
    DrawGlossShape(&graphics, c, TRect(L, T, R - 1, B - 1), !Horizontal(), thumb_->GradientMirror(),
                   thumb_->Gradient(), k.MirrorTo, k.Mirror, k.ColorTo, k.Color, k.Border, clWhite,
                   gsRound);
    graphics.ResetClip();
  } else {
    FillThumb(r, gdiClip, *path, k, TRect(L, T, R - 1, B - 1));
  }
  DeleteObject(gdiClip);
  c->Brush()->SetStyle(bsClear);
  if (shape == TThumbShape::tsRound) {
    const int cx = L + (R - L) / 2 + 1, cy = T + (B - T) / 2 + 1;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(k.Border == clNone ? clBlack : k.Border);
    c->RoundRect(cx - 2, cy - 2, cx + 2, cy + 2, 5, 5);
    return;
  }
  if (k.Border != clNone) {
    c->Pen()->SetColor(clWhite);
    c->RoundRect(L, T, R, B, radius, radius);
    c->Pen()->SetColor(k.Border);
    c->RoundRect(L + 1, T + 1, R - 1, B - 1, radius, radius);
    if (shape == TThumbShape::tsRectangle) {
      c->Pen()->SetColor(clWhite);
      c->Rectangle(L + 2, T + 2, R - 2, B - 2);
    }
  }
  // The grip is drawn in the border colour; without one it is left out.
  if (k.Border == clNone) return;
  c->Pen()->SetColor(k.Border);
  if (Horizontal()) {
    const int f = (B - T) / 2 - 2, x = L + (R - L) / 2, y = T + ((B - T) - f) / 2;
    Line(c, {x, y}, {x, y + f});
  } else {
    const int f = (R - L) / 2 - 2, x = L + ((R - L) - f) / 2, y = T + (B - T) / 2;
    Line(c, {x, y}, {x + f, y});
  }
}

void TCustomTrackBar::PaintLineThumb(const TRect& r, const TGlossColors& k) {
  TCanvas* c = Canvas();
  const TColor colors[4] = {k.ColorTo, k.Color, BlendColors(k.Color, clWhite, 60),
                            BlendColors(k.Color, clWhite, 10)};
  const int centre =
      Horizontal() ? r.Left + (r.Right - r.Left) / 2 : r.Top + (r.Bottom - r.Top) / 2;
  for (int i = 0; i < 4; ++i) {
    c->Pen()->SetColor(colors[i]);
    const int at = centre - 1 + i;
    if (Horizontal())
      Line(c, {at, r.Top}, {at, r.Bottom});
    else
      Line(c, {r.Left, at}, {r.Right, at});
  }
}

void TCustomTrackBar::DrawPolygonThumb(const TRect& r, const TGlossColors& k) {
  TCanvas* c = Canvas();
  const TThumbShape shape = thumb_->Shape();
  const TTickMark ticks = tickMark_->Position();
  const bool h = Horizontal();
  int kind;
  if (shape == TThumbShape::tsTriangleLeft)
    kind = h ? 0 : 2;
  else if (shape == TThumbShape::tsTriangleRight)
    kind = h ? 1 : 3;
  else if (ticks == TTickMark::tmTopLeft)
    kind = h ? 2 : 0;
  else if (ticks == TTickMark::tmBoth)
    kind = h ? 5 : 4;
  else
    kind = h ? 3 : 1;
  const std::vector<TPoint> points = PolygonPoints(shape, kind, r);
  HDC dc = c->Handle();
  {
    TCanvasStateSaver saved(c);
    HRGN clip = CreatePolygonRgn(points.data(), int(points.size()), ALTERNATE);
    ExtSelectClipRgn(dc, clip, RGN_AND);
    DeleteObject(clip);
    if (k.Color != clNone)
      DrawDirectionalGradient(c, k.Color, k.ColorTo == clNone ? k.Color : k.ColorTo,
                              SteppedDirection(thumb_->Gradient()), r, thumb_->GradientSteps());
    if (k.Border != clNone) {
      c->Brush()->SetStyle(bsClear);
      c->Pen()->SetColor(clWhite);
      c->Polygon(Inset(points, 1));
      c->Pen()->SetColor(k.Border);
      c->Polygon(Inset(points, 2));
      const int cx = r.Left + (r.Right - r.Left) / 2, cy = r.Top + (r.Bottom - r.Top) / 2;
      if (h)
        Line(c, {cx, cy - 2}, {cx, cy + 3});
      else
        Line(c, {cx - 2, cy}, {cx + 3, cy});
    }
  }
}
