#include "controls/zq/zqCoreUtils.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/Numerics.h"
#include "platform/rtl/Ticks.h"

namespace {
struct TBgr {
  std::uint8_t b, g, r;
};
TBgr BgrOf(TColor c) {
  const COLORREF v = ColorToRGB(c);
  return {GetBValue(v), GetGValue(v), GetRValue(v)};
}

std::vector<TBgr> ColourTable(TColor first, TColor last, int steps) {
  const TBgr a = BgrOf(first), z = BgrOf(last);
  const double dr = (double(z.r) - a.r) / (steps - 1), dg = (double(z.g) - a.g) / (steps - 1),
               db = (double(z.b) - a.b) / (steps - 1);
  std::vector<TBgr> table;
  for (int i = 0; i < steps; ++i)
    table.push_back({std::uint8_t(a.b + Round(i * db)), std::uint8_t(a.g + Round(i * dg)),
                     std::uint8_t(a.r + Round(i * dr))});
  return table;
}

/// Direct access to the 24-bit rows of a bitmap.
struct TPixels {
  TBitmap& bitmap;
  int w, h;
  void Put(int x, int y, TBgr c) {
    std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }
  void Fill(int x0, int y0, int x1, int y1, TBgr c) {
    for (int y = std::max(y0, 0); y < std::min(y1, h); ++y)
      for (int x = std::max(x0, 0); x < std::min(x1, w); ++x)
        Put(x, y, c);
  }
  /// Copies a block of `bw` × `bh` from (sx, sy) to (dx, dy), both clipped to
  /// the bitmap.
  void Copy(int sx, int sy, int dx, int dy, int bw, int bh) {
    bw = std::min({bw, w - sx, w - dx});
    bh = std::min({bh, h - sy, h - dy});
    for (int y = 0; y < bh; ++y)
      std::copy_n(bitmap.ScanLine(sy + y) + 3 * sx, 3 * std::max(bw, 0),
                  bitmap.ScanLine(dy + y) + 3 * dx);
  }
};

void HorizontalBands(TPixels& px, const std::vector<TBgr>& table, bool dither) {
  const int n = int(table.size());
  for (int i = 0; i < n; ++i) {
    const int x0 = MulDiv(i, px.w, n), x1 = MulDiv(i + 1, px.w, n);
    px.Fill(x0, 0, x1, px.h, table[std::size_t(i)]);
    if (!dither || i < 1) continue;
    for (int row = 0; row < std::min(16, px.h); ++row)
      for (int k = 0; k <= px.w / (n - 1); ++k) {
        const int x = x0 + (k > 0 ? Random(k) : 0);
        if (x >= 0 && x < px.w) px.Put(x, row, table[std::size_t(i - 1)]);
      }
  }
  for (int j = 1; j <= px.h / 16; ++j)
    px.Copy(0, 0, 0, 16 * j, px.w, 16);
}

void VerticalBands(TPixels& px, const std::vector<TBgr>& table, bool dither) {
  const int n = int(table.size());
  for (int i = 0; i < n; ++i) {
    const int y0 = MulDiv(i, px.h, n), y1 = MulDiv(i + 1, px.h, n);
    px.Fill(0, y0, px.w, y1, table[std::size_t(i)]);
    if (!dither || i < 1) continue;
    for (int k = 0; k <= px.h / (n - 1); ++k) {
      const int y = y0 + (k > 0 ? Random(k) : 0);
      if (y >= 0 && y < px.h) px.Fill(0, y, 16, y + 1, table[std::size_t(i - 1)]);
    }
  }
  for (int c = 1; c <= px.w / 16; ++c)
    px.Copy(0, 0, 16 * c, 0, 16, px.h);
}
} // namespace

void BuildGradientBitmap(int width, int height, TColor from, TColor to, int steps, int direction,
                         bool dither, TBitmap& bitmap) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (bitmap.PixelFormat() != pf24bit) bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(width, height);
  if (width == 0 || height == 0) return;
  TPixels px{bitmap, width, height};
  px.Fill(0, 0, width, height, BgrOf(from));
  steps &= 0xFF;
  if (steps < 2) return; // one band of the start colour
  const bool reversed = direction == 2 || direction == 3;
  const std::vector<TBgr> table = ColourTable(reversed ? to : from, reversed ? from : to, steps);
  if (direction == 0 || direction == 2)
    HorizontalBands(px, table, dither);
  else
    VerticalBands(px, table, dither);
  bitmap.Canvas()->Refresh();
}

void StrokeLine(TCanvas* canvas, int x1, int y1, int x2, int y2) {
  canvas->MoveTo(x1, y1);
  canvas->LineTo(x2, y2);
}

void StrokeBoundLines(TCanvas* canvas, TzqBoundLines lines, TColor color, const TRect& r) {
  canvas->Pen()->SetColor(color);
  canvas->Pen()->SetStyle(psSolid);
  if (lines.Contains(TzqBoundLine::blLeft)) StrokeLine(canvas, r.Left, r.Top, r.Left, r.Bottom - 1);
  if (lines.Contains(TzqBoundLine::blTop)) StrokeLine(canvas, r.Left, r.Top, r.Right, r.Top);
  if (lines.Contains(TzqBoundLine::blRight))
    StrokeLine(canvas, r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
  if (lines.Contains(TzqBoundLine::blBottom))
    StrokeLine(canvas, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
}

void GrayGlyph(TBitmap& bitmap) {
  TCanvas* c = bitmap.Canvas();
  for (int x = 0; x < bitmap.Width(); ++x)
    for (int y = 0; y < bitmap.Height(); ++y) {
      const COLORREF p = ColorToRGB(c->Pixels(x, y));
      int v = (GetRValue(p) + GetGValue(p) + GetBValue(p)) / 3;
      v = v < 156 ? v + 100 : 255;
      c->SetPixels(x, y, TColor(RGB(v, v, v)));
    }
}

void RecolorBlack(TBitmap& bitmap, TColor color) {
  TCanvas* c = bitmap.Canvas();
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (ColorToRGB(c->Pixels(x, y)) == 0) c->SetPixels(x, y, color);
}

UINT TextFormatFlags(int alignment, bool wordWrap) {
  static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  return DT_END_ELLIPSIS | align[std::clamp(alignment, 0, 2)] |
         (wordWrap ? UINT(DT_WORDBREAK) : UINT(DT_SINGLELINE));
}

void DrawEtchedText(TControl* /*control*/, TCanvas* canvas, const std::string& text,
                    const TFont& font, bool enabled, bool showAccel, TRect& rect, UINT flags) {
  std::string shown = text;
  if ((flags & DT_CALCRECT) && (shown.empty() || (showAccel && shown == "&"))) shown += " ";
  if (!showAccel) flags |= DT_NOPREFIX;
  canvas->Font()->Assign(font);
  HDC dc = canvas->Handle();
  canvas->TextExtent(""); // selects the font
  SetBkMode(dc, TRANSPARENT);
  if (enabled || (flags & DT_CALCRECT)) {
    SetTextColor(dc, ColorToRGB(font.Color()));
    DrawText(dc, shown.c_str(), -1, &rect, flags);
    return;
  }
  rect = TRect(rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1);
  SetTextColor(dc, ColorToRGB(clBtnHighlight));
  DrawText(dc, shown.c_str(), -1, &rect, flags);
  rect = TRect(rect.Left - 1, rect.Top - 1, rect.Right - 1, rect.Bottom - 1);
  SetTextColor(dc, ColorToRGB(clBtnShadow));
  DrawText(dc, shown.c_str(), -1, &rect, flags);
}

void DrawCaptionText(TControl* control, TCanvas* canvas, const std::string& text, TRect& rect,
                     bool wordWrap, int alignment, bool showAccel, bool enabled,
                     const TFont& font) {
  const int h = rect.Bottom - rect.Top;
  const UINT flags = TextFormatFlags(alignment, wordWrap);
  const int width = rect.Right - rect.Left;
  DrawEtchedText(control, canvas, text, font, enabled, showAccel, rect, flags | DT_CALCRECT);
  const int dy = (h - rect.Bottom) / 2;
  rect = TRect(rect.Left, rect.Top + dy, rect.Right, rect.Bottom + dy);
  // Right and centre alignment keep the measured width inside the original.
  if (alignment != 0) rect.Right = rect.Left + width;
  DrawEtchedText(control, canvas, text, font, enabled, showAccel, rect, flags);
}
