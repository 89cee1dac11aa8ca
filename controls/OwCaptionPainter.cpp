// DrawCaptionAndPicture: lays out a button's caption with one picture in one
// of eight layouts and draws both, the caption through the anti-aliasing
// layer when the font is an installed outline font and with GDI text
// otherwise. Also draws the focus outline of the glass shapes.
#include <algorithm>
#include <cmath>

#include "controls/OwGlassButton.h"
#include "controls/OwPaintUtil.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Numerics.h"

namespace {
using L = TButtonLayout;

int Rnd(double v) {
  return int(Round(v));
}
/// max(0, v div 2)
int Half(int v) {
  return std::max(0, v / 2);
}

bool Vertical(TButtonLayout layout) {
  return layout == L::blGlyphTop || layout == L::blGlyphBottom || layout == L::blGlyphTopAdjusted ||
         layout == L::blGlyphBottomAdjusted;
}

/// The two characters backslash and n (either case) become a line feed and
/// a carriage return.
std::string BreakLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'N')) {
      out += "\n\r";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool SameFace(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
  return true;
}

/// GDI+ text needs an installed outline font that is not a device font.
bool SmoothTextPossible(TCanvas* canvas, const TFont& font) {
  canvas->Font()->SetName(font.Name());
  TEXTMETRIC tm{};
  canvas->TextExtent(""); // selects the canvas font
  GetTextMetrics(canvas->Handle(), &tm);
  if (!(tm.tmPitchAndFamily & TMPF_VECTOR) || (tm.tmPitchAndFamily & TMPF_DEVICE)) return false;
  const std::vector<std::string> faces = Screen()->Fonts();
  return std::any_of(faces.begin(), faces.end(),
                     [&](const std::string& f) { return SameFace(f, font.Name()); });
}

int GpStyleOf(const TFont& font) {
  int style = GpFontStyleRegular;
  if (font.Style() & fsBold) style |= GpFontStyleBold;
  if (font.Style() & fsItalic) style |= GpFontStyleItalic;
  if (font.Style() & fsUnderline) style |= GpFontStyleUnderline;
  return style;
}

/// The size of the picture the painter shows: the glyph, else the picture,
/// else the image list's images.
TSize PictureSize(const TCaptionPaint& p) {
  if (p.Glyph && !p.Glyph->Empty() && p.Glyph->Width() >= 2 && p.Glyph->Height() >= 2)
    return {p.Glyph->Width(), p.Glyph->Height()};
  if (p.Picture && !p.Picture->Empty()) return {p.Picture->Width(), p.Picture->Height()};
  if (p.ImageIndex >= 0 && p.Images) return {p.Images->Width(), p.Images->Height()};
  return {0, 0};
}

bool UsableGlyph(const TCaptionPaint& p) {
  return p.Glyph && !p.Glyph->Empty() && p.Glyph->Width() > 1 && p.Glyph->Height() > 1;
}

/// Where the text box and the picture go (the layout table).
struct TPlacement {
  double Xl, Yl, Wl, Hl;
  int S = 0, P = 0;
};

TPlacement Place(TButtonLayout layout, bool smooth, int l, int t, int n, int o, int pw, int ph,
                 double bx, double tw, double th) {
  TPlacement q{double(l), double(t), double(n), double(o)};
  switch (layout) {
  case L::blGlyphLeft:
    q.Xl = smooth ? l + pw + 2 : bx + pw;
    q.Wl = n - pw - 2;
    q.S = std::max(2, smooth ? Rnd(bx - pw / 2) : Rnd(bx));
    q.P = Half(o - ph) + t;
    break;
  case L::blGlyphTop:
    q.Yl = t + ph;
    q.Hl = o - ph - 2;
    q.S = Half(n - pw) + l;
    q.P = std::max(2, Rnd(q.Yl) + Half(Rnd(q.Hl - th)) - ph - (smooth ? 0 : 4));
    break;
  case L::blGlyphRight:
    q.Xl = 2;
    q.Wl = n - pw - 4;
    q.S = Half(Rnd(q.Wl - tw)) + Rnd(tw) + 4;
    if (n - pw < q.S) q.S = n - pw - 2;
    q.P = Half(o - ph) + t;
    break;
  case L::blGlyphBottom:
    q.Yl = 2;
    q.Hl = o - ph - 2;
    q.S = Half(n - pw) + l;
    q.P = Half(Rnd(q.Hl - th)) + (smooth ? Rnd(th + 2) : Rnd(th + 5));
    if (o - ph < q.P) q.P = o - ph - 2;
    break;
  case L::blGlyphLeftAdjusted:
    q.Xl = l + pw + 2;
    q.Wl = n - pw - 2;
    q.S = std::max(2, Rnd(bx - pw / 2));
    q.P = Half(o - ph) + t;
    break;
  case L::blGlyphRightAdjusted:
    q.Xl = 2;
    q.Wl = n - pw - 4;
    q.S = n - pw - 2;
    q.P = Half(o - ph) + t;
    break;
  case L::blGlyphTopAdjusted:
    q.Yl = t + ph;
    q.Hl = o - ph - 2;
    q.S = Half(n - pw) + l;
    q.P = std::max(2, Rnd(q.Yl) - ph);
    break;
  case L::blGlyphBottomAdjusted:
    q.Yl = 2;
    q.Hl = smooth ? o - ph - 2 : o - ph - 4;
    q.S = Half(n - pw) + l;
    if (smooth) {
      q.P = Half(o) + Rnd(th + 2);
      if (o - ph < q.P) q.P = o - ph - 2;
    } else {
      q.P = o - ph - 2;
    }
    break;
  }
  return q;
}

UINT GdiLayoutFlags(TButtonLayout layout) {
  switch (layout) {
  case L::blGlyphLeft:
  case L::blGlyphLeftAdjusted:
    return DT_VCENTER;
  case L::blGlyphTop:
  case L::blGlyphRight:
  case L::blGlyphBottom:
    return DT_CENTER | DT_VCENTER;
  case L::blGlyphRightAdjusted:
    return DT_RIGHT | DT_VCENTER;
  case L::blGlyphTopAdjusted:
    return DT_CENTER;
  case L::blGlyphBottomAdjusted:
    return DT_CENTER | DT_BOTTOM;
  }
  return 0;
}

/// The caption through GDI: DrawText into the text box, its top computed
/// for several lines.
void DrawGdiCaption(TCanvas* canvas, const std::string& text, const TPlacement& q,
                    const TCaptionPaint& p, int ph) {
  TRect r(Rnd(q.Xl), Rnd(q.Yl), Rnd(q.Xl) + Rnd(q.Wl), Rnd(q.Yl) + Rnd(q.Hl));
  canvas->Brush()->SetStyle(bsClear);
  UINT flags = (p.MultiLine ? 0u : UINT(DT_SINGLELINE)) | GdiLayoutFlags(p.Layout);
  if (p.Layout == L::blGlyphLeftAdjusted) r.Left += 2;
  if (p.MultiLine) {
    TRect probe = r;
    const int h2 = CanvasDrawText(canvas, text, probe, flags | DT_CALCRECT);
    if (p.Layout == L::blGlyphTop)
      r.Top = (r.Bottom - (q.P + ph) - h2) / 2 + q.P + ph;
    else if (p.Layout == L::blGlyphBottomAdjusted)
      r.Top = r.Bottom - h2;
    else if (p.Layout != L::blGlyphTopAdjusted)
      r.Top = (r.Bottom - r.Top - h2) / 2;
  }
  CanvasDrawText(canvas, text, r, flags);
}

void DrawPictureAt(TCanvas* canvas, const TCaptionPaint& p, int x, int y) {
  if (UsableGlyph(p)) {
    canvas->Draw(x, y, p.Glyph);
  } else if (p.Picture && !p.Picture->Empty()) {
    p.Picture->Draw(canvas, TRect(x, y, x + p.Picture->Width(), y + p.Picture->Height()));
  } else if (p.ImageIndex != -1 && p.Images) {
    p.Images->Draw(canvas, x, y, p.ImageIndex, p.ImageEnabled);
  }
}
} // namespace

TSize DrawCaptionAndPicture(TCanvas* canvas, const TCaptionPaint& p) {
  const TFont& font = p.Font ? *p.Font : *canvas->Font();
  const int l = p.Rect.Left, t = p.Rect.Top;
  int r = p.Rect.Right, b = p.Rect.Bottom;
  // 1. The drop-down part.
  if (p.DropDown) {
    if (p.DropDownAtBottom)
      b -= 13;
    else
      r -= 13;
  }
  TGPGraphics graphics(canvas->Handle());
  graphics.SetSmoothingMode(GpSmoothingAntiAlias);
  // 3. The focus outline (on the unreduced edges).
  if (p.Focus) {
    const int right = p.Rect.Right, bottom = p.Rect.Bottom;
    if (p.Shape == TButtonShape::btsRectangle)
      DrawRoundRectOutline(&graphics, GPRectOf(float(l + 4), float(t + 4), float(right - 8),
                                               float(bottom - 8)),
                           float((p.RoundedFocus ? p.CornerRadius : 0) - 2), clGray);
    else
      DrawCurvedOutline(&graphics, {l + 6, t + 5, right - 12, bottom - 10}, p.Direction, clGray);
  }
  TGPFontFamily family(Utf8ToUtf16(font.Name()));
  const int gpStyle = GpStyleOf(font);
  // 5. The picture's size; the spacing joins it when a caption follows.
  const TSize picture = PictureSize(p);
  int pw = picture.cx;
  const int ph = picture.cy;
  const int s = p.Spacing;
  if (p.ShowCaption && !p.Caption.empty() && pw > 0) pw += s;
  TSize content{pw, ph};
  const int n = r - l, o = b - t;
  TPlacement place{double(l), double(t), double(n), double(o)};
  const bool hasCaption = p.ShowCaption && (!p.Caption.empty() || !p.WideCaption.empty());
  if (hasCaption) {
    const bool wide = p.Caption.empty();
    const std::string text = wide ? std::string() : BreakLines(p.Caption);
    const std::u16string utf16 = wide ? p.WideCaption : Utf8ToUtf16(text);
    const bool smooth = p.AntiAlias != TAntiAlias::aaNone && SmoothTextPossible(canvas, font);
    TGPFont gpFont(&family, float(font.Size()), gpStyle, GpUnitPoint);
    const TGPFloatRect layoutBox = p.MeasureOnly ? GPRectOf(float(l), float(t), 4096, 4096)
                                                 : GPRectOf(float(l), float(t), float(n), float(o));
    TGPStringFormat format(p.MultiLine ? 0 : GpStringFormatFlagsNoWrap, 0);
    format.SetAlignment(p.Layout == L::blGlyphLeftAdjusted    ? GpStringAlignmentNear
                        : p.Layout == L::blGlyphRightAdjusted ? GpStringAlignmentFar
                                                              : GpStringAlignmentCenter);
    format.SetLineAlignment(p.Layout == L::blGlyphTopAdjusted      ? GpStringAlignmentNear
                            : p.Layout == L::blGlyphBottomAdjusted ? GpStringAlignmentFar
                                                                   : GpStringAlignmentCenter);
    format.SetHotkeyPrefix(GpHotkeyPrefixShow);
    format.SetTrimming(p.Trimming);
    TGPSolidBrush brush(ArgbOfColor(p.Enabled ? font.Color() : clGray));
    graphics.SetTextRenderingHint(p.AntiAlias == TAntiAlias::aaClearType
                                      ? GpTextRenderingClearTypeGridFit
                                      : GpTextRenderingAntiAlias);
    // 6. Measuring.
    double bx = l, tw = 0, th = 0;
    if (smooth) {
      TGPFloatRect bounds;
      graphics.MeasureString(utf16, int(utf16.size()), &gpFont, layoutBox, &format, bounds);
      bx = bounds.X;
      tw = bounds.Width;
      th = bounds.Height;
    } else {
      canvas->Font()->Assign(font);
      TRect probe(l, t, l + 2, t);
      const std::string gdiText = wide ? Utf16ToUtf8(utf16) : text;
      const int height = CanvasDrawText(canvas, gdiText, probe, DT_CALCRECT | DT_SINGLELINE);
      tw = probe.Right - probe.Left;
      th = height - t;
      bx = p.Layout == L::blGlyphLeft ? double((n - Rnd(tw) - pw) / 2) : double(l);
    }
    if (Vertical(p.Layout))
      content = {std::max(Rnd(tw) + s, pw + s), Rnd(th) + ph + s};
    else
      content = {Rnd(tw) + pw + s, std::max(Rnd(th) + s, ph + s)};
    if (!p.MeasureOnly) {
      place = Place(p.Layout, smooth, l, t, n, o, pw, ph, bx, tw, th);
      if (p.TextOverWholeArea) {
        place.Xl = l;
        place.Yl = t;
        place.Wl = p.Rect.Right;
        place.Hl = p.Rect.Bottom;
        if (p.DrawPicture && UsableGlyph(p)) canvas->Draw(place.S, place.P, p.Glyph);
      }
      if (smooth) {
        const TGPFloatRect box =
            GPRectOf(float(place.Xl), float(place.Yl), float(place.Wl), float(place.Hl));
        if (wide)
          graphics.DrawString(utf16, int(utf16.size()), &gpFont, box, &format, &brush);
        else
          graphics.DrawString(text, int(text.size()), &gpFont, box, &format, &brush);
      } else {
        canvas->Font()->Assign(font);
        DrawGdiCaption(canvas, wide ? Utf16ToUtf8(utf16) : text, place, p, ph);
      }
    }
  }
  // 8. The picture, beside the caption or centred without one.
  if (!p.MeasureOnly && p.DrawPicture && !p.TextOverWholeArea) {
    const bool any = UsableGlyph(p) || (p.Picture && !p.Picture->Empty()) ||
                     (p.ImageIndex != -1 && p.Images);
    if (any) {
      if (hasCaption)
        DrawPictureAt(canvas, p, place.S, place.P);
      else
        DrawPictureAt(canvas, p, Half(n - pw) + l, Half(o - ph) + t);
    }
  }
  canvas->Brush()->SetStyle(bsClear);
  return content;
}
