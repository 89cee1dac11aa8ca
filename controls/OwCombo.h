// TOwCustomCombo: the base of the owner-drawn combo boxes. Over the combo
// model it adds a flat look: its own frame (three rings, the inner one in
// the control's colour, and an underline), a classic drop-down button, mouse
// and focus tracking, and OnDropUp when the list closes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/ComboBox.h"

class TOwCustomCombo : public TCustomComboBox {
  SK_CLASS(TOwCustomCombo, TCustomComboBox)
public:
  explicit TOwCustomCombo(TComponent* owner);

  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool Etched() const { return etched_; }
  void SetEtched(bool value);
  bool FocusBorder() const { return focusBorder_; }
  void SetFocusBorder(bool value) { focusBorder_ = value; }
  int DropWidth() const { return dropWidth_; }
  void SetDropWidth(int value);
  /// Colour writes while loading also record the designed colour.
  void SetComboColor(TColor value);
  TColor BottomLineColor() const { return bottomLineColor_; }
  void SetBottomLineColor(TColor v) { bottomLineColor_ = v; }
  /// Four bytes, high first: 1.2.4.1 here.
  virtual std::uint32_t VersionNumber() const { return 0x01020401; }
  std::string Version() const;
  void SetVersion(const std::string&) {}
  bool MouseOverControl() const { return mouseOver_; }
  bool MouseOverButton() const { return mouseOverButton_; }

  TNotifyEvent OnDropUp;

  void Loaded() override;

protected:
  void Dispatch(TMessage& message) override;
  void Paint() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  /// The frame takes its active look.
  bool FrameActive() const;
  bool ButtonActive() const;
  void DrawFrame();
  void DrawFrameOn(TCanvas* canvas);
  void DrawButton(TCanvas* canvas);

private:
  bool mouseOver_ = false;
  bool flat_ = false;
  bool etched_ = false;
  TColor savedColor_ = clWindow;
  TColor designedColor_ = clWindow;
  bool savedParentColor_ = false;
  int buttonWidth_;
  bool focusBorder_ = false;
  int dropWidth_ = 0;
  bool isXP_ = false;    // the system is version 5.1 or later
  bool comctl6_ = false; // the common controls are version 6 or later
  bool mouseOverButton_ = false;
  TColor bottomLineColor_ = clBlack;
  bool focused_ = false;
};
