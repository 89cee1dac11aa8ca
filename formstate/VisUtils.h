// Small visual helpers of the form-state library: integer bounds, rectangle
// sizes, fitting and centring on the primary screen, shortening a caption to
// a pixel width, painting the parent's image under a windowless control,
// embossed ("disabled") glyphs, and whether the active window is ours.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/graphics/Bitmap.h"

class TCanvas;

inline int IntMax(int a, int b) {
  return a > b ? a : b;
}
inline int IntMin(int a, int b) {
  return a < b ? a : b;
}
inline int RectWidth(const TRect& r) {
  return r.Right - r.Left;
}
inline int RectHeight(const TRect& r) {
  return r.Bottom - r.Top;
}

/// Moves the rectangle (size kept) onto the primary screen: right and bottom
/// edges first, then left and top.
void FitRectToScreen(TRect& rect);
/// Centres the window on the primary screen (kept on it).
void CenterOnScreen(HWND window);
/// The text, or its first characters followed by "..." (counted in code
/// points), so that it fits `maxWidth` on the canvas; "..." alone at worst.
std::string ShortenTextToWidth(const std::string& text, TCanvas* canvas, int maxWidth);
/// Every resource text shown by this library passes through here.
inline std::string ResourceText(const std::string& text) {
  return text;
}
/// True when the active window belongs to this program.
bool ActiveWindowIsOwn();

/// Paints what lies under a windowless control into `canvas`: the parent's
/// background and window image, then the visible windowless siblings below
/// the control that overlap it.
void PaintParentBackground(TControl* control, TCanvas* canvas);

/// A bitmap of the source's size in `background`, with the source's pixels
/// that the monochrome conversion (with `outline` as the brush colour) turns
/// white drawn in `highlight` at (1, 1) and in `shadow` at (0, 0).
std::unique_ptr<TBitmap> MakeDisabledGlyphEx(TBitmap* source, TColor outline, TColor background,
                                             TColor highlight, TColor shadow, bool drawHighlight);
/// MakeDisabledGlyphEx with clBtnFace, clBtnHighlight and clBtnShadow.
std::unique_ptr<TBitmap> MakeDisabledGlyph(TBitmap* source, TColor outline);

/// Cursor numbers of the library's hand cursors.
constexpr int UxHandCursor = 14000;
constexpr int UxDragCursor = 14001;
/// Puts both hand cursors (32 x 32, hot spots (6, 16) and (15, 16)) into
/// the screen's cursor table.
void UxCursorsInit();

/// The library's beep (MessageBeep(0)); tests record it instead.
void UxBeep();
/// Test hook: receives each beep instead of the speaker (empty: the speaker).
void SetBeepRecorder(std::function<void()> recorder);
