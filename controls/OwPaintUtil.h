// Drawing helpers the owner-drawn controls share: the stepped two-colour
// gradient and its direction dispatcher, colour blending, text measuring, a
// two-tone sunken frame, a dotted focus rectangle, rounded-rectangle paths,
// the glossy two-half fill with its double outline (anti-aliased, through
// OwGDIP), and painting a parent's image behind a transparent control.
// The routines keep no state; every drawing object they make is freed before
// they return.
#pragma once

#include "platform/graphics/GdiGuards.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/OwGDIP.h"
#include "platform/forms/Controls.h"
#include "platform/graphics/Canvas.h"

/// Background gradient directions of the controls.
enum class TGradientDirection { gdHorizontal, gdVertical, gdHorizontalInOut, gdVerticalInOut };
/// Gradient kinds of the glossy fills.
enum class TGpGradient { ggRadial, ggVertical, ggDiagonalForward, ggDiagonalBackward };
/// Outline shapes of DrawDoubleOutline and DrawGlossShape.
enum : int { gsRound = 0, gsRectangle = 1 };

/// How DrawSteppedGradient spreads its bands: over the rectangle less its
/// last pixel with colour i = from + Round(i × (to − from) ÷ steps)
/// (gfTrackBar), or over the full extent with colour i =
/// Round(i × (to − from) ÷ steps) + from (gfFullExtent, the page controls').
enum class TGradientForm { gfTrackBar, gfFullExtent };

/// Fills `rect` with `steps` solid bands from `from` to `to` (0 steps count
/// as 1). Band i starts at Round(i × extent ÷ steps) and is
/// Round(extent ÷ steps) + 1 wide, so neighbours overlap by a pixel. The
/// canvas keeps the last band's colours.
void DrawSteppedGradient(TCanvas* canvas, TColor from, TColor to, bool horizontal,
                         const TRect& rect, int steps,
                         TGradientForm form = TGradientForm::gfTrackBar);
/// gdHorizontal/gdVertical: one gradient; the in-out forms draw `to` in the
/// middle and `from` at both edges (each half with `steps` bands).
void DrawDirectionalGradient(TCanvas* canvas, TColor from, TColor to, TGradientDirection direction,
                             const TRect& rect, int steps);
/// Width and height of `text` in `font` (the canvas font is restored).
void MeasureText(TCanvas* canvas, const TFont& font, const std::string& text, int& width,
                 int& height);
/// The same on a screen-compatible DC of its own (no canvas at hand).
void MeasureTextInFont(const TFont& font, const std::string& text, int& width, int& height);
/// `percent` % of c1 and the rest of c2, per channel rounded half to even;
/// 100 or more gives c1 and 0 or less c2 unchanged.
TColor BlendColors(TColor c1, TColor c2, int percent);
void DrawSunkenFrame(TCanvas* canvas, const TRect& rect, bool swapped, TColor colorA,
                     TColor colorB);
/// Every other pixel of the rectangle's edges (right and bottom included).
void DrawDottedFocusRect(TCanvas* canvas, const TRect& rect, TColor color);
/// A rounded rectangle (x, y, width, height) with corner radius `radius`.
std::unique_ptr<TGPGraphicsPath> CreateRoundRectPath(const TGPFloatRect& rect, float radius);
void DrawRoundRectOutline(TGPGraphics* graphics, const TGPFloatRect& rect, float radius,
                          TColor color);
/// The path's outline with a pen of width 1 in the opaque colour; nothing
/// without a surface.
void DrawPathOutline(TGPGraphics* graphics, const TGPGraphicsPath& path, TColor color);
void FillGlossHalf(TGPGraphics& graphics, const TRect& half, TColor colorA, bool upper,
                   TGpGradient kind, TColor colorB);
void DrawDoubleOutline(TGPGraphics& graphics, const TRect& rect, int shape, bool vertical,
                       TColor inner, TColor outer);
/// The glossy fill: the lower and upper halves (overlapping by two rows)
/// when all four fill colours are set, then the double outline. Makes its
/// own surface on the canvas when `graphics` is null.
void DrawGlossShape(TGPGraphics* graphics, TCanvas* canvas, const TRect& rect, bool vertical,
                    TGpGradient lowerKind, TGpGradient upperKind, TColor lowerEnd,
                    TColor lowerStart, TColor upperEnd, TColor upperStart, TColor innerOutline,
                    TColor outerOutline, int shape);
/// DrawText on the canvas with its font and colour, transparent when the
/// brush is clear.
int CanvasDrawText(TCanvas* canvas, const std::string& text, TRect& rect, UINT flags);
/// Paints the parent's background and image into the control's canvas, so a
/// transparent control shows what lies behind it. `also`, when given, draws
/// more of the parent into the same shifted DC before its state returns.
void PaintParentImage(TControl* control, TCanvas* canvas,
                      const std::function<void(TWinControl* parent, HDC dc)>& also = nullptr);
/// A version number's four bytes, high byte first, as "1.0.1.0".
std::string PackedVersionText(std::uint32_t packed);

/// Writes `value` into `field` and reports whether it changed.
template <class T> bool StoreChanged(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

