// How the glass button paints: the parent's image under it, overlapping glass
// siblings when asked, then the glass body (outer outline, translucent fill,
// glow while pressed, shine, symbol, inner outline) and the caption with its
// picture. Every paint makes and frees its own drawing objects.
#include "controls/OwGlassButton.h"

#include <algorithm>
#include <cmath>

#include "controls/OwPaintUtil.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
float F(double v) {
  return float(v);
}
int R(double v) {
  return int(Round(v));
}

void AddCurve(TGPGraphicsPath& path, std::initializer_list<TGPIntPoint> points) {
  const std::vector<TGPIntPoint> p(points);
  path.AddCurve(p.data(), int(p.size()));
}

void FillPolygon(TGPGraphics& g, const TGPBrush& brush, std::initializer_list<TGPIntPoint> points) {
  const std::vector<TGPIntPoint> p(points);
  TGPGraphicsPath path;
  path.AddPolygon(p.data(), int(p.size()));
  g.FillPath(brush, path);
}

void DrawLine(TGPGraphics& g, const TGPPen& pen, double x1, double y1, double x2, double y2) {
  TGPGraphicsPath path;
  path.AddLine(F(x1), F(y1), F(x2), F(y2));
  g.DrawPath(&pen, &path);
}
} // namespace

ARGB GlassArgb(std::uint8_t alpha, TColor color) {
  const auto c = std::uint32_t(color);
  return ArgbOf(alpha, std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF),
                std::uint8_t((c >> 16) & 0xFF));
}

// ---- shapes --------------------------------------------------------------------------------------

std::unique_ptr<TGPGraphicsPath> RoundedTopPath(const TBox& b, int r) {
  auto path = std::make_unique<TGPGraphicsPath>(GpFillAlternate);
  const float x = F(b.X), y = F(b.Y), w = F(b.W), h = F(b.H), rf = F(r), d = F(2 * r);
  path->AddArc(x, y, d, d, 180, 90);
  path->AddLine(x + rf, y, x + w - rf, y);
  path->AddArc(x + w - d, y, d, d, 270, 90);
  path->AddLine(x + w, y + rf, x + w, y + h);
  path->AddLine(x + w, y + h, x, y + h);
  path->AddLine(x, y + h, x, y + rf);
  path->CloseFigure();
  return path;
}

std::unique_ptr<TGPGraphicsPath> CurvedRectPath(const TBox& b, TButtonDirection direction) {
  auto path = std::make_unique<TGPGraphicsPath>(GpFillAlternate);
  const int x = b.X, y = b.Y, w = b.W, h = b.H, q = h / 6;
  if (direction == TButtonDirection::bdRight) {
    AddCurve(*path, {GPPointOf(x, y), GPPointOf(x + q, y + h / 4), GPPointOf(R(x + h / 4.85), y + h / 2),
                     GPPointOf(x + q, y + 3 * h / 4), GPPointOf(x, y + h)});
    path->AddLine(F(x), F(y + h), F(x + w - h), F(y + h));
    path->AddArc(F(x + w - h), F(y), F(h), F(h), 90, -180);
    path->AddLine(F(x + w - h), F(y), F(x), F(y));
  } else {
    path->AddArc(F(x), F(y), F(h), F(h), 90, 180);
    path->AddLine(F(x + h / 2.0), F(y), F(x + w), F(y));
    AddCurve(*path, {GPPointOf(x + w, y), GPPointOf(x + w - q, y + h / 4),
                     GPPointOf(R(x + w - h / 4.7), y + h / 2), GPPointOf(x + w - q, y + 3 * h / 4),
                     GPPointOf(x + w, y + h)});
    path->AddLine(F(x + w), F(y + h), F(x + h / 2.0), F(y + h));
  }
  path->CloseFigure();
  return path;
}

std::unique_ptr<TGPGraphicsPath> CurvedTopPath(const TBox& b, TButtonDirection direction) {
  auto path = std::make_unique<TGPGraphicsPath>(GpFillAlternate);
  const int x = b.X, y = b.Y, w = b.W, h = b.H;
  const double e = h / 2.35;
  if (direction == TButtonDirection::bdRight) {
    AddCurve(*path, {GPPointOf(x, y), GPPointOf(x + h / 3, y + h / 2), GPPointOf(R(x + e), y + h)});
    path->AddLine(F(R(x + e)), F(y + h), F(x + w - h), F(y + h));
    path->AddArc(F(x + w - 2 * h), F(y), F(2 * h), F(2 * h), 0, -90);
  } else {
    path->AddArc(F(x), F(y), F(2 * h), F(2 * h), 180, 90);
    path->AddLine(F(x + h), F(y), F(x + w), F(y));
    AddCurve(*path, {GPPointOf(x + w, y), GPPointOf(x + w - h / 3, y + h / 2),
                     GPPointOf(R(x + w - e), y + h)});
  }
  path->CloseFigure();
  return path;
}

std::unique_ptr<TGPGraphicsPath> GlowEllipsePath(const TRect& r) {
  auto path = std::make_unique<TGPGraphicsPath>(GpFillAlternate);
  const double w = r.Right - r.Left, h = r.Bottom - r.Top;
  path->AddEllipse(F(r.Left - 0.35 * w), F(r.Top - 0.15 * h), F(1.7 * w), F(2.3 * h));
  return path;
}

void DrawCurvedOutline(TGPGraphics* graphics, const TBox& box, TButtonDirection direction,
                       TColor color) {
  DrawPathOutline(graphics, *CurvedRectPath(box, direction), color);
}

// ---- painting ------------------------------------------------------------------------------------

void TOwCustomGlassButton::Paint() {
  if (!Enabled()) {
    visualState_ = gbsDisabled;
    tracking_ = false;
  } else {
    if (visualState_ == gbsDisabled) visualState_ = down_ && groupIndex_ != 0 ? gbsLatched : gbsUp;
    if (style_ == TOwToolButtonStyle::tasCheck && down_) visualState_ = gbsPressed;
  }
  TCanvas* c = Canvas();
  PaintParentImage(this, c, [](TWinControl* parent, HDC dc) {
    if (auto* owner = dynamic_cast<TWinCtrl*>(parent)) owner->PaintChildControls(dc);
  });
  if (forceTransparent_ && Parent()) PaintSiblingsOver();
  RenderButton(c);
}

void TOwCustomGlassButton::PaintSiblingsOver() {
  TCanvas* own = Canvas();
  const TRect mine = BoundsRect();
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* other = dynamic_cast<TOwCustomGlassButton*>(Parent()->Controls(i));
    if (!other || other == this) continue;
    const TRect theirs = other->BoundsRect();
    const TRect overlap(std::max(mine.Left, theirs.Left), std::max(mine.Top, theirs.Top),
                        std::min(mine.Right, theirs.Right), std::min(mine.Bottom, theirs.Bottom));
    if (overlap.Left >= overlap.Right || overlap.Top >= overlap.Bottom) continue;
    TBitmap bitmap(other->Width(), other->Height(), pf24bit);
    const TRect inMine(overlap.Left - mine.Left, overlap.Top - mine.Top, overlap.Right - mine.Left,
                       overlap.Bottom - mine.Top);
    const TRect inTheirs(overlap.Left - theirs.Left, overlap.Top - theirs.Top,
                         overlap.Right - theirs.Left, overlap.Bottom - theirs.Top);
    bitmap.Canvas()->SetCopyMode(SRCCOPY);
    bitmap.Canvas()->CopyRect(inTheirs, own, inMine);
    other->RenderButton(bitmap.Canvas());
    own->SetCopyMode(SRCCOPY);
    own->CopyRect(inMine, bitmap.Canvas(), inTheirs);
  }
}

TGpPicture* TOwCustomGlassButton::ChosenPicture() const {
  if (!Enabled() && !pictureDisabled_->Empty()) return pictureDisabled_.get();
  if (pressed_ && hover_ && !pictureDown_->Empty()) return pictureDown_.get();
  return picture_.get();
}

void TOwCustomGlassButton::RenderButton(TCanvas* canvas) {
  TGpPicture* picture = ChosenPicture();
  TGPGraphics graphics(canvas->Handle());
  graphics.SetSmoothingMode(GpSmoothingAntiAlias);
  RenderGlass(graphics);
  // The caption goes to the button's own canvas: outside its own paint that
  // is a DC of its window.
  TCanvas* own = Canvas();
  HDC windowDC = nullptr;
  if (!own->HandleAllocated()) {
    windowDC = GetDC(Handle());
    own->SetHandle(windowDC);
  }
  auto release = ScopeExit([&] {
    if (!windowDC) return;
    own->SetHandle(nullptr);
    ReleaseDC(Handle(), windowDC);
  });
  TCaptionPaint p;
  p.Rect = ClientRect();
  p.Caption = Caption();
  p.Direction = buttonDirection_;
  p.Shape = buttonShape_;
  p.Trimming = GpStringTrimmingNone;
  p.Spacing = 2;
  p.CornerRadius = cornerRadius_;
  p.RoundedFocus = true;
  p.MultiLine = true;
  p.DrawPicture = true;
  p.AntiAlias = antiAlias_;
  p.Picture = picture;
  p.Focus = Focused() && showFocusRect_;
  p.Enabled = Enabled();
  p.Layout = layout_;
  p.Font = Font();
  p.ShowCaption = showCaption_;
  DrawCaptionAndPicture(own, p);
}

void TOwCustomGlassButton::RenderGlass(TGPGraphics& g) {
  const int wc = ClientWidth(), hc = ClientHeight();
  const bool curved = buttonShape_ == TButtonShape::btsCurvedRectangle;
  if (curved)
    DrawCurvedOutline(&g, {0, 0, wc - 1, hc - 1}, buttonDirection_, outerBorderColor_);
  else
    DrawRoundRectOutline(&g, GPRectOf(0, 0, F(wc - 1), F(hc - 1)), F(cornerRadius_),
                         outerBorderColor_);
  const TBox inner{1, 1, wc - 3, hc - 3};
  const int s = std::max(0, (hc - 3) / 2);
  auto body = curved ? CurvedRectPath(inner, buttonDirection_)
                     : CreateRoundRectPath(GPRectOf(1, 1, F(wc - 3), F(hc - 3)), F(cornerRadius_));
  {
    TGPSolidBrush fill(GlassArgb(127, backColor_));
    g.FillPath(fill, *body);
  }
  if (pressed_ || down_ || visualState_ == gbsPressed || visualState_ == gbsLatched) {
    TGPRegion region(*body);
    g.SetClipRegion(region, GpCombineReplace);
    auto ellipse = GlowEllipsePath(TRect(1, 1, wc - 3, hc - 3));
    TGPPathGradientBrush glow(*ellipse);
    glow.SetCenterColor(GlassArgb(173, glowColor_));
    const ARGB edge = GlassArgb(0, glowColor_);
    int count = 1;
    glow.SetSurroundColors(&edge, count);
    g.FillPath(glow, *ellipse);
    g.ResetClip();
  }
  if (wc - 3 > 0 && s > 0) {
    const TBox shineBox{1, 1, wc - 3, s + 1};
    auto shine = curved ? CurvedTopPath(shineBox, buttonDirection_)
                        : RoundedTopPath(shineBox, cornerRadius_);
    TGPLinearGradientBrush brush(GPRectOf(1, 1, F(wc - 4), F(s + 1)), GlassArgb(153, shineColor_),
                                 GlassArgb(153 / 3, shineColor_), GpLinearVertical);
    g.FillPath(brush, *shine);
  }
  if (backGroundSymbolColor_ != clNone && backGroundSymbol_ != TBackGroundSymbol::bsNone)
    DrawSymbol(g, wc - 1, hc - 1);
  if (curved)
    DrawCurvedOutline(&g, inner, buttonDirection_, innerBorderColor_);
  else
    DrawRoundRectOutline(&g, GPRectOf(1, 1, F(wc - 3), F(hc - 3)), F(cornerRadius_),
                         innerBorderColor_);
}

void TOwCustomGlassButton::DrawSymbol(TGPGraphics& g, int W, int H) {
  const ARGB colour = GlassArgb(160, backGroundSymbolColor_);
  const double w = W, h = H;
  TGPSolidBrush brush(colour);
  auto arrow = [&](double x1, double y1, double x2, double y2) {
    TGPPen pen(colour, F(h / 4));
    pen.SetEndCap(GpCapArrowAnchor);
    DrawLine(g, pen, x1, y1, x2, y2);
  };
  auto speaker = [&] {
    TGPPen pen(colour, F(w / 20));
    const int a = W / 2 - W / 15, b = a - W / 6;
    TGPGraphicsPath outline;
    const std::vector<TGPIntPoint> p = {
        GPPointOf(b, H / 10 + H / 4),         GPPointOf(a, H / 10 + H / 4),
        GPPointOf(a + W / 5, H / 4),          GPPointOf(a + W / 5, 3 * H / 4),
        GPPointOf(a, 3 * H / 4 - H / 10),     GPPointOf(b, 3 * H / 4 - H / 10)};
    outline.AddPolygon(p.data(), int(p.size()));
    g.DrawPath(&pen, &outline);
    const double x = w / 2 - w / 15, y = h / 4 + h / 10 + w / 40;
    DrawLine(g, pen, x, y, x, h - y);
  };
  switch (backGroundSymbol_) {
  case TBackGroundSymbol::bsArrowLeft:
    arrow(w - w / 5, h / 2, w / 8, h / 2);
    break;
  case TBackGroundSymbol::bsArrowRight:
    arrow(w / 6, h / 2, w - w / 8, h / 2);
    break;
  case TBackGroundSymbol::bsArrowUp:
    arrow(w / 2, h - h / 5, w / 2, h / 8);
    break;
  case TBackGroundSymbol::bsArrowDown:
    arrow(w / 2, h / 5, w / 2, h - h / 8);
    break;
  case TBackGroundSymbol::bsPlay:
    FillPolygon(g, brush,
                {GPPointOf(W / 20 + W / 4, H / 4), GPPointOf(W / 20 + W - W / 4, H / 2),
                 GPPointOf(W / 20 + W / 4, H - H / 4)});
    break;
  case TBackGroundSymbol::bsPause:
    g.FillRectangle(brush, F(w / 4), F(h / 4), F(w / 5), F(h / 2));
    g.FillRectangle(brush, F(w / 2 + w / 20), F(h / 4), F(w / 5), F(h / 2));
    break;
  case TBackGroundSymbol::bsStop:
    g.FillRectangle(brush, F(w / 4 + w / 20), F(h / 4 + h / 20), F(w / 2 - w / 10),
                    F(h / 2 - h / 10));
    break;
  case TBackGroundSymbol::bsFastForward:
  case TBackGroundSymbol::bsForward: {
    const int d = backGroundSymbol_ == TBackGroundSymbol::bsForward ? W / 12 : 0;
    FillPolygon(g, brush,
                {GPPointOf(d + W / 4, H / 4), GPPointOf(d + W / 2, H / 2),
                 GPPointOf(d + W / 4, H - H / 4)});
    FillPolygon(g, brush,
                {GPPointOf(d + W / 2, H / 4), GPPointOf(d + 3 * W / 4, H / 2),
                 GPPointOf(d + W / 2, H - H / 4)});
    if (d == 0) g.FillRectangle(brush, F(3 * w / 4), F(h / 4), F(w / 12), F(h / 2));
    break;
  }
  case TBackGroundSymbol::bsBackward: {
    const int d = W / 12;
    FillPolygon(g, brush,
                {GPPointOf(W / 4 - d, H / 2), GPPointOf(W / 2 - d, H / 4),
                 GPPointOf(W / 2 - d, H - H / 4)});
    FillPolygon(g, brush,
                {GPPointOf(W / 2 - d, H / 2), GPPointOf(3 * W / 4 - d, H / 4),
                 GPPointOf(3 * W / 4 - d, H - H / 4)});
    break;
  }
  case TBackGroundSymbol::bsFastBackward:
    FillPolygon(g, brush,
                {GPPointOf(W / 4, H / 2), GPPointOf(W / 2, H / 4), GPPointOf(W / 2, H - H / 4)});
    FillPolygon(g, brush,
                {GPPointOf(W / 2, H / 2), GPPointOf(3 * W / 4, H / 4),
                 GPPointOf(3 * W / 4, H - H / 4)});
    g.FillRectangle(brush, F(w / 4 - w / 12), F(h / 4), F(w / 12), F(h / 2));
    break;
  case TBackGroundSymbol::bsSpeaker:
    speaker();
    break;
  case TBackGroundSymbol::bsNoSpeaker: {
    speaker();
    TGPPen pen(colour, F(w / 20));
    DrawLine(g, pen, R(w / 2 - w / 3.5 - w / 15), 3 * h / 4 - h / 10, w / 2 + w / 3 - w / 15,
             h / 4 + h / 12 + w / 40);
    break;
  }
  case TBackGroundSymbol::bsNone:
    break;
  }
}
