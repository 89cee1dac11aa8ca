// Input at the level of the window layer, for tests: the same path the Qt
// events take (the messages a real press, move, wheel or key produces, in the
// same order, with the tracked key state), without a window system.
#pragma once

#include <string>

#include "platform/forms/Controls.h"

struct TInputEvent {
  enum TKind { Press, Release, DoubleClick, Move, Wheel, KeyDown, KeyUp, Enter, Leave };
  TKind Kind = Move;
  TMouseButton Button = TMouseButton::mbLeft;
  int X = 0, Y = 0; // client coordinates of the receiving control
  bool Shift = false, Ctrl = false, Alt = false;
  /// Buttons held after the event.
  bool Left = false, Right = false, Middle = false;
  int WheelDelta = 0; // 120 per notch, negative toward the user
  Word Key = 0;       // virtual key
  std::string Text;   // the character a key press types (WM_CHAR), UTF-8
};

/// Turns the event into messages to the control's window (creating it when
/// needed). Returns true when the platform's default processing was asked for.
bool DeliverInput(TWinControl* control, const TInputEvent& event);

namespace TestInput {
void MouseDown(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift = {});
void MouseUp(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift = {});
void DoubleClick(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift = {});
/// A move with the buttons and modifiers of `shift` held.
void MouseMove(TWinControl* c, int x, int y, TShiftState shift = {});
void Click(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift = {});
void Wheel(TWinControl* c, int delta, int x, int y, TShiftState shift = {});
void KeyDown(TWinControl* c, Word key, TShiftState shift = {}, const std::string& text = "");
void KeyUp(TWinControl* c, Word key, TShiftState shift = {});
} // namespace TestInput
