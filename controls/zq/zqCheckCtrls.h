// TzqCheckbox: an owner-drawn check box with a gradient box face
// (WindowsXP theme) or a flat one (OfficeXP), a green check mark, optional
// bounding lines and a word-wrapped caption. A click (or the caption's
// accelerator) toggles it; the space bar does not.
#pragma once

#include <cstdint>
#include <memory>

#include "controls/zq/zqCore.h"
#include "controls/zq/zqCoreUtils.h"

class TzqCustomCheckControl : public TzqCustomStyleControl {
  SK_CLASS(TzqCustomCheckControl, TzqCustomStyleControl)
public:
  explicit TzqCustomCheckControl(TComponent* owner);

  TzqBoundLines BoundLines() const { return boundLines_; }
  virtual void SetBoundLines(TzqBoundLines v);
  bool Checked() const { return checked_; }
  /// Stores and repaints; raises no event.
  virtual void SetChecked(bool v);
  int Spacing() const { return spacing_; }
  virtual void SetSpacing(int v);
  int BoxSize() const { return boxSize_; }

  void SizeChanged() override;

protected:
  void Paint() override;
  void Click() override;
  virtual void DrawBox(const TRect& r) = 0;

  std::unique_ptr<TBitmap> normalFace_, pressedFace_, hotFace_;

private:
  TzqBoundLines boundLines_;
  bool checked_ = false;
  std::uint8_t boxSize_ = 13;
  std::uint8_t spacing_ = 3;
};

class TzqCheckbox : public TzqCustomCheckControl {
  SK_CLASS(TzqCheckbox, TzqCustomCheckControl)
public:
  using TzqCustomCheckControl::TzqCustomCheckControl;

protected:
  void DrawBox(const TRect& r) override;
};

/// The 7 × 7 check mark: black on silver.
std::unique_ptr<TBitmap> CheckMarkBitmap();

/// Registers the library's classes and published properties.
void RegisterZqControls();
