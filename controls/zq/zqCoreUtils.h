// Drawing functions of the small control library: dithered gradient bitmaps
// (the faces of its check boxes and buttons), grey glyphs, recolouring a
// mark, bounding lines, and text with an etched look when disabled.
#pragma once

#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Sets.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

enum class TzqBoundLine { blLeft, blTop, blRight, blBottom };
using TzqBoundLines = TSet<TzqBoundLine>;

/// Sizes `bitmap` to width × height (24-bit) and paints `steps` bands from
/// `from` to `to`: direction 0 left to right, 1 top to bottom, 2 and 3 the
/// same the other way round. With `dither` the earlier colour spills into the
/// start of each band in the first 16 rows (columns), which are then copied
/// over the whole bitmap. Fewer than 2 steps give one band of `from`.
void BuildGradientBitmap(int width, int height, TColor from, TColor to, int steps, int direction,
                         bool dither, TBitmap& bitmap);
/// A line from (x1, y1) to (x2, y2), the end point excluded.
void StrokeLine(TCanvas* canvas, int x1, int y1, int x2, int y2);
void StrokeBoundLines(TCanvas* canvas, TzqBoundLines lines, TColor color, const TRect& rect);
/// Every pixel becomes a light grey: v = average, v + 100 below 156, else 255.
void GrayGlyph(TBitmap& bitmap);
/// The black pixels become `color`.
void RecolorBlack(TBitmap& bitmap, TColor color);
/// alignment: 0 left, 1 right, 2 centre.
UINT TextFormatFlags(int alignment, bool wordWrap);
/// Draws (or with DT_CALCRECT measures) text, etched when disabled.
void DrawEtchedText(TControl* control, TCanvas* canvas, const std::string& text, const TFont& font,
                    bool enabled, bool showAccel, TRect& rect, UINT flags);
/// Measures the text, centres it vertically in `rect` and draws it.
void DrawCaptionText(TControl* control, TCanvas* canvas, const std::string& text, TRect& rect,
                     bool wordWrap, int alignment, bool showAccel, bool enabled, const TFont& font);
