// What the glass button carries from its sibling module: the picture layouts
// of the caption painter, the key-tip window, and TWinCtrl, the windowed
// control whose non-windowed children can be painted into a foreign device
// context (the glass button paints its parent's background that way).
#pragma once

#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/StdCtrls.h"

/// Where a button's picture stands beside its caption.
enum class TButtonLayout {
  blGlyphLeft,
  blGlyphTop,
  blGlyphRight,
  blGlyphBottom,
  blGlyphLeftAdjusted,
  blGlyphRightAdjusted,
  blGlyphTopAdjusted,
  blGlyphBottomAdjusted
};

/// The small key tip shown beside a button: a borderless hint window with a
/// vertical gradient from Color to ColorTo (both black until set), its
/// caption centred in one line and a rounded grey outline. It is never
/// narrower than the letter "O" plus 8 pixels.
class TShortCutHintWindow : public THintWindow {
  SK_CLASS(TShortCutHintWindow, THintWindow)
public:
  explicit TShortCutHintWindow(TComponent* owner);

  /// The gradient's colours (they stand for the window's colour).
  TColor Color() const { return gradientFrom_; }
  void SetColor(TColor v);
  TColor ColorTo() const { return gradientTo_; }
  void SetColorTo(TColor v);
  /// Width of "O" in the window's font plus 8: the narrowest the tip gets.
  int MinimumWidth() const;

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Resize() override;
  void Dispatch(TMessage& message) override;

private:
  TColor gradientFrom_ = clBlack;
  TColor gradientTo_ = clBlack;
};

/// A windowed control that lends its protected painting of non-windowed
/// children to callers that draw a parent's image into another DC.
class TWinCtrl : public TWinControl {
  SK_CLASS(TWinCtrl, TWinControl)
public:
  using TWinControl::TWinControl;
  void PaintChildControls(HDC dc) { PaintControls(dc, nullptr); }
};
