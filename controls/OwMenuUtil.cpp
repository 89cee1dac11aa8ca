#include "controls/OwMenuUtil.h"

#include "platform/forms/SystemSettings.h"
#include "platform/rtl/DynLib.h"
#include "platform/rtl/Format.h"

void RaiseInvalidPropertyIndex(int index) {
  throw EInvalidPropertyIndex(Format("Invalid property index %d.", {index}));
}

HFONT CreateRotatedFont(const TFont& font, int angle) {
  LOGFONT lf{};
  lf.lfHeight = font.Height();
  lf.lfEscapement = angle * 10;
  lf.lfWeight = (font.Style() & fsBold) ? 700 : 400;
  lf.lfItalic = (font.Style() & fsItalic) ? 1 : 0;
  lf.lfUnderline = (font.Style() & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = 1;
  lf.lfPitchAndFamily = font.Pitch() == fpVariable ? 2 : font.Pitch() == fpFixed ? 1 : 0;
  const std::string& name = font.Name();
  name.copy(lf.lfFaceName, sizeof(lf.lfFaceName) - 1);
  return CreateFontIndirect(&lf);
}

void CenterRect(TRect& r, int w, int h) {
  r.Right = (r.Left + r.Right + w) / 2;
  r.Bottom = (r.Top + r.Bottom + h) / 2;
  r.Left = r.Right - w;
  r.Top = r.Bottom - h;
}

TRect BitmapRect(const TBitmap* bitmap) {
  return bitmap ? TRect(0, 0, bitmap->Width(), bitmap->Height()) : TRect(0, 0, 0, 0);
}

void SplitRGB(TColor color, int& r, int& g, int& b) {
  const COLORREF c = ColorToRGB(color);
  r = GetRValue(c);
  g = GetGValue(c);
  b = GetBValue(c);
}

std::uint32_t PackRGBA(int r, int g, int b, int a) {
  return std::uint32_t(a & 0xFF) << 24 | std::uint32_t(b & 0xFF) << 16 |
         std::uint32_t(g & 0xFF) << 8 | std::uint32_t(r & 0xFF);
}

namespace {
int gAnimationUsers = 0;
bool gRememberedAnimation = true;
} // namespace

namespace {
TLayeredWindowProbe gLayered;
int gUtilStarts = 0;
} // namespace

const TLayeredWindowProbe& LayeredWindowProbe() {
  return gLayered;
}

void OwMenuUtilInitialize() {
  if (gUtilStarts++ > 0) return;
  gLayered = TLayeredWindowProbe();
  HMODULE user32 = LoadLibrary("user32.dll");
  if (!user32) return;
  gLayered.UpdateLayeredWindow = GetProcAddress(user32, "UpdateLayeredWindow");
  gLayered.SetLayeredWindowAttributes = GetProcAddress(user32, "SetLayeredWindowAttributes");
  FreeLibrary(user32);
  gLayered.Available = gLayered.SetLayeredWindowAttributes != nullptr;
}

void MenuAnimationOff() {
  if (gAnimationUsers++ > 0) return;
  gRememberedAnimation = MenuAnimationEnabled();
  SetMenuAnimationEnabled(false);
}

void MenuAnimationRestore() {
  if (gAnimationUsers == 0 || --gAnimationUsers > 0) return;
  SetMenuAnimationEnabled(gRememberedAnimation);
}

// ---- gradients --------------------------------------------------------------------------------

namespace {
TColor Step(int r, int g, int b, int dr, int dg, int db, int i, int n) {
  return TColor(PackRGBA(r + i * dr / n, g + i * dg / n, b + i * db / n, 0));
}
} // namespace

void FillGradient(TCanvas* c, const TRect& rect, TColor color, TColor colorTo,
                  TMenuGradientDirection direction) {
  if (colorTo == clNone) colorTo = color;
  const int w = MenuRectWidth(rect), h = MenuRectHeight(rect);
  if (ColorToRGB(colorTo) == ColorToRGB(color)) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(color);
    c->FillRect(rect);
    return;
  }
  if (h <= 0) return;
  int r, g, b, r2, g2, b2;
  SplitRGB(color, r, g, b);
  SplitRGB(colorTo, r2, g2, b2);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  if (direction == TMenuGradientDirection::gdVertical) {
    for (int y = rect.Top; y < rect.Bottom; ++y) {
      c->Pen()->SetColor(Step(r, g, b, r2 - r, g2 - g, b2 - b, y - rect.Top, h));
      c->MoveTo(rect.Left, y);
      c->LineTo(rect.Left + w, y);
    }
  } else if (w > 0) {
    for (int x = rect.Left; x < rect.Right; ++x) {
      c->Pen()->SetColor(Step(r, g, b, r2 - r, g2 - g, b2 - b, x - rect.Left, w));
      c->MoveTo(x, rect.Top);
      c->LineTo(x, rect.Bottom);
    }
  }
}

void FillGradientPart(TCanvas* c, const TRect& full, const TRect& clip, TColor color,
                      TColor colorTo, TMenuGradientDirection direction) {
  const TRect part(MenuMax(full.Left, clip.Left), MenuMax(full.Top, clip.Top),
                   MenuMin(full.Right, clip.Right), MenuMin(full.Bottom, clip.Bottom));
  if (MenuRectWidth(part) <= 0 || MenuRectHeight(part) <= 0) return;
  if (colorTo == clNone) colorTo = color;
  int r, g, b, r2, g2, b2;
  SplitRGB(color, r, g, b);
  SplitRGB(colorTo, r2, g2, b2);
  const bool vertical = direction == TMenuGradientDirection::gdVertical;
  const int s = vertical ? full.Top : full.Left;
  const int n = vertical ? MenuRectHeight(full) : MenuRectWidth(full);
  const int a = (vertical ? part.Top : part.Left) - s,
            z = (vertical ? part.Bottom : part.Right) - s;
  FillGradient(c, part, Step(r, g, b, r2 - r, g2 - g, b2 - b, a, n),
               Step(r, g, b, r2 - r, g2 - g, b2 - b, z, n), direction);
}

void DrawGradientBox(TCanvas* c, const TRect& rect, TColor color, TColor colorTo,
                     TMenuGradientDirection direction, TColor border, bool fill) {
  if (fill && color != clNone) FillGradient(c, rect, color, colorTo, direction);
  if (border == clNone) return;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(border);
  c->FrameRect(rect);
}

void DrawMirrorGradientBox(TCanvas* c, const TRect& rect, TColor color, TColor colorTo,
                           TColor mirror, TColor mirrorTo, TMenuGradientDirection direction,
                           TColor border, bool fill) {
  if (fill && color != clNone) {
    if (mirror != clNone) {
      const int middle = rect.Top + MenuRectHeight(rect) / 2;
      FillGradient(c, TRect(rect.Left, rect.Top, rect.Right, middle), color, colorTo, direction);
      FillGradient(c, TRect(rect.Left, middle, rect.Right, rect.Bottom), mirror, mirrorTo,
                   direction);
    } else {
      FillGradient(c, rect, color, colorTo, direction);
    }
  }
  DrawGradientBox(c, rect, clNone, clNone, direction, border, false);
}

void DrawBandedLine(TCanvas* c, TRect r, TColor color, TColor colorTo,
                    TMenuGradientDirection direction, TGradientType type, int gw, int margin) {
  if (colorTo == clNone) colorTo = color;
  auto solid = [c](const TRect& s, TColor k) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(k);
    c->FillRect(s);
  };
  if (direction == TMenuGradientDirection::gdHorizontal) {
    r.Left += margin;
    r.Right -= margin;
    if (gw < MenuRectWidth(r)) {
      if (type == TGradientType::gtLeft)
        solid(TRect(r.Left + gw, r.Top, r.Right, r.Bottom), colorTo);
      if (type == TGradientType::gtRight)
        solid(TRect(r.Left, r.Top, r.Right - gw, r.Bottom), colorTo);
      if (type == TGradientType::gtBoth)
        solid(TRect(r.Left + gw / 2, r.Top, r.Right - gw / 2, r.Bottom), color);
    } else {
      gw = MenuRectWidth(r);
    }
    if (gw <= 0) return;
    if (type == TGradientType::gtLeft)
      FillGradient(c, TRect(r.Left, r.Top, r.Left + gw, r.Bottom), color, colorTo, direction);
    if (type == TGradientType::gtRight)
      FillGradient(c, TRect(r.Right - gw, r.Top, r.Right, r.Bottom), colorTo, color, direction);
    if (type == TGradientType::gtBoth) {
      FillGradient(c, TRect(r.Left, r.Top, r.Left + gw / 2, r.Bottom), colorTo, color, direction);
      FillGradient(c, TRect(r.Right - gw / 2, r.Top, r.Right, r.Bottom), color, colorTo, direction);
    }
    return;
  }
  r.Top += margin;
  r.Bottom -= margin;
  if (type == TGradientType::gtBoth) gw *= 2;
  if (gw < MenuRectHeight(r)) {
    if (type == TGradientType::gtLeft) solid(TRect(r.Left, r.Top, r.Right, r.Bottom - gw), colorTo);
    if (type == TGradientType::gtRight)
      solid(TRect(r.Left, r.Top + gw, r.Right, r.Bottom), colorTo);
    if (type == TGradientType::gtBoth)
      solid(TRect(r.Left, r.Top + gw / 2, r.Right, r.Bottom - gw / 2), color);
  } else {
    gw = MenuRectHeight(r);
  }
  if (gw <= 0) return;
  if (type == TGradientType::gtLeft)
    FillGradient(c, TRect(r.Left, r.Bottom - gw, r.Right, r.Bottom), colorTo, color, direction);
  if (type == TGradientType::gtRight)
    FillGradient(c, TRect(r.Left, r.Top, r.Right, r.Top + gw), color, colorTo, direction);
  if (type == TGradientType::gtBoth) {
    FillGradient(c, TRect(r.Left, r.Top, r.Right, r.Top + gw / 2), colorTo, color, direction);
    FillGradient(c, TRect(r.Left, r.Bottom - gw / 2, r.Right, r.Bottom), color, colorTo, direction);
  }
}
