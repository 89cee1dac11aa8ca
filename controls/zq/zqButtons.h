// TzqButton: an owner-drawn push button of the small control library with a
// rounded outline, gradient faces for its normal, hot, focused and pressed
// looks, an optional glyph beside the caption, keyboard activation, default
// and cancel roles and a modal result. It draws the same way in both themes.
#pragma once

#include <cstdint>
#include <memory>

#include "controls/zq/zqCore.h"
#include "controls/zq/zqCoreUtils.h"

enum class TzqLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TzqCustomButton : public TzqCustomStyleControl {
  SK_CLASS(TzqCustomButton, TzqCustomStyleControl)
public:
  explicit TzqCustomButton(TComponent* owner);
  ~TzqCustomButton() override;

  bool AutoGray() const { return autoGray_; }
  virtual void SetAutoGray(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  bool Default() const { return default_; }
  /// A changed value makes the parent form tell every control of the focus
  /// again (CM_FOCUSCHANGED), so the default ring follows.
  virtual void SetDefault(bool v);
  TBitmap* Glyph() const { return glyph_.get(); }
  virtual void SetGlyph(const TBitmap* v);
  TzqLayout Layout() const { return layout_; }
  virtual void SetLayout(TzqLayout v);
  bool ShowAccelChar() const { return showAccelChar_; }
  virtual void SetShowAccelChar(bool v);
  bool ShowFocusRect() const { return showFocusRect_; }
  virtual void SetShowFocusRect(bool v);
  bool SmoothEdges() const { return smoothEdges_; }
  virtual void SetSmoothEdges(bool v);
  int Spacing() const { return spacing_; }
  virtual void SetSpacing(int v);
  bool WordWrap() const { return wordWrap_; }
  virtual void SetWordWrap(bool v);
  /// The glyph's index in an action's image list; -1 for none.
  int ImageIndex() const { return imageIndex_; }

  /// Pressed but not hot, or hot or focused when not pressed.
  bool HighlightedIgnoringDefault() const;
  /// The same, or the default button while no control of this library
  /// has the focus.
  bool Highlighted() const;

  const TBitmap* NormalFace() const { return normalFace_.get(); }
  const TBitmap* PressedFace() const { return pressedFace_.get(); }
  const TBitmap* FocusFace() const { return focusFace_.get(); }
  const TBitmap* HotFace() const { return hotFace_.get(); }

  void SizeChanged() override;

protected:
  void Paint() override;
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyUp(Word& key, TShiftState shift) override;
  void Dispatch(TMessage& message) override;

private:
  void DialogKey(TMessage& message);
  bool autoGray_ = true;
  std::unique_ptr<TBitmap> normalFace_;
  bool cancel_ = false;
  std::unique_ptr<TBitmap> pressedFace_;
  bool default_ = false;
  std::unique_ptr<TBitmap> focusFace_;
  std::unique_ptr<TBitmap> glyph_;
  std::unique_ptr<TBitmap> hotFace_;
  int imageIndex_ = -1;
  TzqLayout layout_ = TzqLayout::blGlyphLeft;
  bool showAccelChar_ = true;
  bool showFocusRect_ = false;
  bool smoothEdges_ = true;
  std::uint8_t spacing_ = 3;
  bool wordWrap_ = true;
};

class TzqButton : public TzqCustomButton {
  SK_CLASS(TzqButton, TzqCustomButton)
public:
  using TzqCustomButton::TzqCustomButton;
};

void RegisterZqButtons();
