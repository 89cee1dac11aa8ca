#include "controls/OwPaintUtil.h"

#include <algorithm>

#include "platform/graphics/Colors.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {
struct TRgb {
  int r, g, b;
};
TRgb RgbOf(TColor c) {
  const COLORREF v = ColorToRGB(c);
  return {GetRValue(v), GetGValue(v), GetBValue(v)};
}
TColor ColorOf(int r, int g, int b) {
  return TColor(r + g * 256 + b * 65536);
}
} // namespace

void DrawSteppedGradient(TCanvas* canvas, TColor from, TColor to, bool horizontal,
                         const TRect& rect, int steps, TGradientForm form) {
  TRect r = rect;
  const bool full = form == TGradientForm::gfFullExtent;
  if (!full && horizontal) r.Right -= 1;
  if (!full && !horizontal) r.Bottom -= 1;
  steps = std::clamp(steps, 1, 65535);
  const TRgb f = RgbOf(from), t = RgbOf(to);
  const double dr = double(t.r - f.r) / steps, dg = double(t.g - f.g) / steps,
               db = double(t.b - f.b) / steps;
  const double w = double(horizontal ? r.Right - r.Left : r.Bottom - r.Top) / steps;
  const int bandWidth = int(Round(w)) + 1;
  canvas->Brush()->SetStyle(bsSolid);
  for (int i = 0; i < steps; ++i) {
    auto channel = [&](int start, int end, double d) {
      return full ? int(Round(double(i) * (end - start) / steps)) + start
                  : start + int(Round(i * d));
    };
    const TColor c = ColorOf(channel(f.r, t.r, dr), channel(f.g, t.g, dg), channel(f.b, t.b, db));
    canvas->Pen()->SetColor(c);
    canvas->Brush()->SetColor(c);
    const int o = int(Round(i * w) % 65536);
    if (horizontal)
      canvas->Rectangle(r.Left + o, r.Top, r.Left + o + bandWidth, r.Bottom);
    else
      canvas->Rectangle(r.Left, r.Top + o, r.Right, r.Top + o + bandWidth);
  }
}

void DrawDirectionalGradient(TCanvas* canvas, TColor from, TColor to, TGradientDirection direction,
                             const TRect& r, int steps) {
  switch (direction) {
  case TGradientDirection::gdHorizontal:
    DrawSteppedGradient(canvas, from, to, true, r, steps);
    break;
  case TGradientDirection::gdVertical:
    DrawSteppedGradient(canvas, from, to, false, r, steps);
    break;
  case TGradientDirection::gdHorizontalInOut: {
    const int m = r.Left + (r.Right - r.Left) / 2;
    DrawSteppedGradient(canvas, from, to, true, TRect(r.Left, r.Top, m, r.Bottom), steps);
    DrawSteppedGradient(canvas, to, from, true, TRect(m - 1, r.Top, r.Right, r.Bottom), steps);
    break;
  }
  case TGradientDirection::gdVerticalInOut: {
    const int m = r.Top + (r.Bottom - r.Top) / 2;
    DrawSteppedGradient(canvas, from, to, false, TRect(r.Left, r.Top, r.Right, m), steps);
    DrawSteppedGradient(canvas, to, from, false, TRect(r.Left, m - 1, r.Right, r.Bottom), steps);
    break;
  }
  }
}

void MeasureText(TCanvas* canvas, const TFont& font, const std::string& text, int& width,
                 int& height) {
  TFont saved;
  saved.Assign(*canvas->Font());
  canvas->Font()->Assign(font);
  height = canvas->TextHeight(text);
  width = canvas->TextWidth(text);
  canvas->Font()->Assign(saved);
}

void MeasureTextInFont(const TFont& font, const std::string& text, int& width, int& height) {
  TCanvas canvas;
  HDC dc = CreateCompatibleDC(nullptr);
  canvas.SetHandle(dc);
  MeasureText(&canvas, font, text, width, height);
  canvas.SetHandle(nullptr);
  DeleteDC(dc);
}

TColor BlendColors(TColor c1, TColor c2, int percent) {
  if (percent >= 100) return c1;
  if (percent <= 0) return c2;
  const TRgb a = RgbOf(c1), b = RgbOf(c2);
  const double p = percent / 100.0;
  auto mix = [p](int x, int y) { return int(Round(p * x + (1 - p) * y)); };
  return ColorOf(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

void DrawSunkenFrame(TCanvas* canvas, const TRect& r, bool swapped, TColor colorA, TColor colorB) {
  const TColor first = swapped ? colorB : colorA;
  const TColor second = swapped ? colorA : colorB;
  auto line = [canvas](int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  canvas->Pen()->SetColor(first);
  if (r.Bottom - r.Top > 2) line(r.Left, r.Top, r.Left, r.Bottom);
  line(r.Left, r.Top, r.Right, r.Top);
  line(r.Right - 2, r.Top, r.Right - 2, r.Bottom - 2);
  line(r.Right - 2, r.Bottom - 2, r.Left, r.Bottom - 2);
  canvas->Pen()->SetColor(second);
  line(r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
  line(r.Right - 1, r.Bottom - 1, r.Right - 1, r.Top - 1);
  line(r.Left + 1, r.Bottom - 1, r.Left + 1, r.Top + 1);
  line(r.Left + 1, r.Top + 1, r.Right - 2, r.Top + 1);
}

void DrawDottedFocusRect(TCanvas* canvas, const TRect& r, TColor color) {
  canvas->Pen()->SetColor(color);
  HDC dc = canvas->Handle();
  LOGBRUSH lb{};
  lb.lbStyle = BS_SOLID;
  lb.lbColor = ColorToRGB(color);
  HPEN pen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, r.Left, r.Top, nullptr);
  LineTo(dc, r.Right, r.Top);
  LineTo(dc, r.Right, r.Bottom);
  LineTo(dc, r.Left, r.Bottom);
  MoveToEx(dc, r.Left, r.Top, nullptr);
  LineTo(dc, r.Left, r.Bottom);
  SelectObject(dc, old);
  DeleteObject(pen);
}

std::unique_ptr<TGPGraphicsPath> CreateRoundRectPath(const TGPFloatRect& rc, float r) {
  auto path = std::make_unique<TGPGraphicsPath>(GpFillAlternate);
  const float x = rc.X, y = rc.Y, w = rc.Width, h = rc.Height;
  if (r <= 0) {
    path->AddLine(x, y, x + w, y);
    path->AddLine(x + w, y, x + w, y + h);
    path->AddLine(x + w, y + h, x, y + h);
    path->AddLine(x, y + h, x, y);
  } else {
    path->AddArc(x, y, 2 * r, 2 * r, 180, 90);
    path->AddLine(x + r, y, x + w - r, y);
    path->AddArc(x + w - 2 * r, y, 2 * r, 2 * r, 270, 90);
    path->AddLine(x + w, y + r, x + w, y + h - r);
    path->AddArc(x + w - 2 * r, y + h - 2 * r, 2 * r, 2 * r, 0, 90);
    path->AddLine(x + w - r, y + h, x + r, y + h);
    path->AddArc(x, y + h - 2 * r, 2 * r, 2 * r, 90, 90);
    path->AddLine(x, y + h - r, x, y + r);
  }
  path->CloseFigure();
  return path;
}

void DrawRoundRectOutline(TGPGraphics* graphics, const TGPFloatRect& rect, float radius,
                          TColor color) {
  DrawPathOutline(graphics, *CreateRoundRectPath(rect, radius), color);
}

void DrawPathOutline(TGPGraphics* graphics, const TGPGraphicsPath& path, TColor color) {
  if (!graphics) return;
  TGPPen pen(ArgbOfColor(color), 1.0f);
  graphics->DrawPath(&pen, &path);
}

void FillGlossHalf(TGPGraphics& graphics, const TRect& half, TColor colorA, bool upper,
                   TGpGradient kind, TColor colorB) {
  const int l = half.Left, t = half.Top, w = half.Right - half.Left, h = half.Bottom - half.Top;
  const ARGB a = ArgbOfColor(colorA), b = ArgbOfColor(colorB);
  if (kind == TGpGradient::ggRadial) {
    TGPSolidBrush solid(upper ? a : b);
    graphics.FillRectangle(solid, float(l), float(t), float(w), float(h));
  }
  TGPGraphicsPath path;
  if (upper)
    path.AddEllipse(float(l), float(t - h / 2 + 2), float(w), float(h));
  else
    path.AddEllipse(float(l), float(t), float(w), float(h));
  if (kind == TGpGradient::ggRadial) {
    TGPPathGradientBrush brush(path);
    brush.SetCenterPoint(GPPointOf(l + w / 2, upper ? t : half.Bottom));
    brush.SetCenterColor(upper ? b : a);
    ARGB surround = upper ? a : b;
    int count = 1;
    brush.SetSurroundColors(&surround, count);
    graphics.FillRectangle(brush, float(l), float(t), float(w), float(h));
    return;
  }
  const int mode = kind == TGpGradient::ggVertical          ? GpLinearVertical
                   : kind == TGpGradient::ggDiagonalForward ? GpLinearForwardDiagonal
                                                            : GpLinearBackwardDiagonal;
  TGPLinearGradientBrush brush(GPRectOf(float(l), float(t), float(w), float(h)), a, b, mode);
  graphics.FillRectangle(brush, float(l), float(t), float(w), float(h));
}

void DrawDoubleOutline(TGPGraphics& graphics, const TRect& r, int shape, bool vertical,
                       TColor inner, TColor outer) {
  const int l = r.Left, t = r.Top, w = r.Right - r.Left, h = r.Bottom - r.Top;
  auto rect = [](int x, int y, int rw, int rh) {
    return GPRectOf(float(x), float(y), float(rw), float(rh));
  };
  if (outer != clNone) {
    if (shape != gsRound)
      DrawRoundRectOutline(&graphics, rect(l, t, w, h), 0, outer);
    else if (!vertical)
      DrawRoundRectOutline(&graphics, rect(l, t + (h - w) / 2, w, h), float(w / 2), outer);
    else
      DrawRoundRectOutline(&graphics, rect(l + (w - h) / 2, t, w, h), float(h / 2), outer);
  }
  if (inner != clNone) {
    if (shape != gsRound)
      DrawRoundRectOutline(&graphics, rect(l, t, w, h), 0, inner);
    else if (!vertical)
      DrawRoundRectOutline(&graphics, rect(l + 1, t + (h - w) / 2 + 1, w - 2, h - 2),
                           float((w - 2) / 2), inner);
    else
      DrawRoundRectOutline(&graphics, rect(l + (w - h) / 2 + 1, t + 1, w - 2, h - 2),
                           float((h - 2) / 2), inner);
  }
}

void DrawGlossShape(TGPGraphics* graphics, TCanvas* canvas, const TRect& r, bool vertical,
                    TGpGradient lowerKind, TGpGradient upperKind, TColor lowerEnd,
                    TColor lowerStart, TColor upperEnd, TColor upperStart, TColor innerOutline,
                    TColor outerOutline, int shape) {
  std::unique_ptr<TGPGraphics> own;
  if (!graphics) {
    own = std::make_unique<TGPGraphics>(canvas->Handle());
    graphics = own.get();
  }
  graphics->SetSmoothingMode(GpSmoothingAntiAlias);
  if (upperStart != clNone && upperEnd != clNone && lowerStart != clNone && lowerEnd != clNone) {
    const int hh = (r.Bottom - r.Top) / 2;
    FillGlossHalf(*graphics, TRect(r.Left, r.Top + hh - 1, r.Right, r.Bottom), lowerEnd, false,
                  lowerKind, lowerStart);
    FillGlossHalf(*graphics, TRect(r.Left, r.Top, r.Right, r.Bottom - hh + 1), upperStart, true,
                  upperKind, upperEnd);
  }
  DrawDoubleOutline(*graphics, r, shape, vertical, innerOutline, outerOutline);
}

int CanvasDrawText(TCanvas* canvas, const std::string& text, TRect& rect, UINT flags) {
  HDC dc = canvas->Handle();
  canvas->TextExtent(""); // selects the canvas font
  SetTextColor(dc, ColorToRGB(canvas->Font()->Color()));
  const bool clear = canvas->Brush()->Style() == bsClear;
  SetBkMode(dc, clear ? TRANSPARENT : OPAQUE);
  if (!clear) SetBkColor(dc, ColorToRGB(canvas->Brush()->Color()));
  return DrawText(dc, text.c_str(), int(text.size()), &rect, flags);
}

void PaintParentImage(TControl* control, TCanvas* canvas,
                      const std::function<void(TWinControl* parent, HDC dc)>& also) {
  TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent || !canvas) return;
  HDC dc = canvas->Handle();
  const TRect client = control->ClientRect();
  HRGN clip = CreateRectRgn(client.Left, client.Top, client.Right, client.Bottom);
  SelectClipRgn(dc, clip);
  {
    TDCStateSaver saved(dc);
    const TPoint p = parent->ScreenToClient(control->ClientOrigin());
    POINT org{};
    GetWindowOrgEx(dc, &org);
    SetWindowOrgEx(dc, org.x + p.x, org.y + p.y, nullptr);
    parent->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
    parent->Perform(WM_PAINT, WPARAM(dc), 0);
    if (also) also(parent, dc);
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
}

std::string PackedVersionText(std::uint32_t packed) {
  return IntToStr(int(packed >> 24)) + "." + IntToStr(int((packed >> 16) & 0xFF)) + "." +
         IntToStr(int((packed >> 8) & 0xFF)) + "." + IntToStr(int(packed & 0xFF));
}
