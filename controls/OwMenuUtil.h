// Small routines of the menu engine: rectangles, colour channels, rotated
// fonts, the invalid-index exception, the menu-animation switch of the
// process, and the two-colour gradients (line by line) that paint every
// coloured surface of a styled menu.
#pragma once

#include <cstdint>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"

SK_DECLARE_EXCEPTION(EInvalidPropertyIndex, Exception)
/// Raises EInvalidPropertyIndex "Invalid property index N.".
[[noreturn]] void RaiseInvalidPropertyIndex(int index);

/// Menu gradient directions.
enum class TMenuGradientDirection { gdVertical, gdHorizontal };
/// Where the faded ends of a band lie.
enum class TGradientType { gtLeft, gtRight, gtBoth };

HFONT CreateRotatedFont(const TFont& font, int angle);
inline int MenuRectWidth(const TRect& r) {
  return r.Right - r.Left;
}
inline int MenuRectHeight(const TRect& r) {
  return r.Bottom - r.Top;
}
void CenterRect(TRect& r, int w, int h);
TRect BitmapRect(const TBitmap* bitmap);
void SplitRGB(TColor color, int& r, int& g, int& b);
std::uint32_t PackRGBA(int r, int g, int b, int a);
inline int MenuMin(int a, int b) {
  return a < b ? a : b;
}
inline int MenuMax(int a, int b) {
  return a > b ? a : b;
}

/// What the start-up probe found of the layered-window functions (nothing in
/// the menus reads it).
struct TLayeredWindowProbe {
  void* UpdateLayeredWindow = nullptr;
  void* SetLayeredWindowAttributes = nullptr;
  bool Available = false;
};
const TLayeredWindowProbe& LayeredWindowProbe();
/// Looks the layered-window functions up in "user32.dll" (once per process;
/// the library is released at once). Its finalisation does nothing.
void OwMenuUtilInitialize();

/// Switches the menu animation of this process off, remembering the setting
/// (once per process), and restores it.
void MenuAnimationOff();
void MenuAnimationRestore();

void FillGradient(TCanvas* canvas, const TRect& rect, TColor color, TColor colorTo,
                  TMenuGradientDirection direction);
void FillGradientPart(TCanvas* canvas, const TRect& full, const TRect& clip, TColor color,
                      TColor colorTo, TMenuGradientDirection direction);
void DrawGradientBox(TCanvas* canvas, const TRect& rect, TColor color, TColor colorTo,
                     TMenuGradientDirection direction, TColor border, bool fill);
void DrawMirrorGradientBox(TCanvas* canvas, const TRect& rect, TColor color, TColor colorTo,
                           TColor mirror, TColor mirrorTo, TMenuGradientDirection direction,
                           TColor border, bool fill);
void DrawBandedLine(TCanvas* canvas, TRect rect, TColor color, TColor colorTo,
                    TMenuGradientDirection direction, TGradientType type, int gradientWidth,
                    int margin);
