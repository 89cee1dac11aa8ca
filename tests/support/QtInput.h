// Input as the window system gives it: Qt mouse and key events sent to a
// control's widget through the application, so they take the whole way a
// real press, move or key takes (the application's focus handling, the
// event filters, the messages).
#pragma once

#include "platform/forms/Controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <string>

namespace sktest {

inline QWidget* WidgetOf(TWinControl* control) {
  control->HandleNeeded();
  return control->Widget();
}

/// A mouse event at client point (x, y) of `control` with `held` the buttons
/// held after it.
inline void QtMouse(TWinControl* control, QEvent::Type type, int x, int y,
                    Qt::MouseButton button, Qt::MouseButtons held,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* w = WidgetOf(control);
  const TPoint off = control->ClientOffset();
  const QPointF local(x + off.x, y + off.y);
  QMouseEvent e(type, local, w->mapToGlobal(local), button, held, modifiers);
  QApplication::sendEvent(w, &e);
}

inline void QtMove(TWinControl* control, int x, int y, Qt::MouseButtons held = Qt::NoButton) {
  QtMouse(control, QEvent::MouseMove, x, y, Qt::NoButton, held);
}

inline void QtPress(TWinControl* control, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
  QtMouse(control, QEvent::MouseButtonPress, x, y, button, button);
}

inline void QtRelease(TWinControl* control, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
  QtMouse(control, QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
}

/// A move to the point, a press and a release there.
inline void QtClick(TWinControl* control, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
  QtMove(control, x, y);
  QtPress(control, x, y, button);
  QtRelease(control, x, y, button);
}

/// A key pressed and released on the control's widget, typing `text`.
inline void QtKey(TWinControl* control, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  const std::string& text = "") {
  QWidget* w = WidgetOf(control);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, QString::fromStdString(text));
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString::fromStdString(text));
  QApplication::sendEvent(w, &release);
}

/// Characters typed one by one on the control's widget.
inline void QtType(TWinControl* control, const std::string& text) {
  for (char c : text) {
    int key = 0;
    if (c >= '0' && c <= '9') key = Qt::Key_0 + (c - '0');
    if (c >= 'a' && c <= 'z') key = Qt::Key_A + (c - 'a');
    if (c >= 'A' && c <= 'Z') key = Qt::Key_A + (c - 'A');
    if (c == '.') key = Qt::Key_Period;
    if (c == '-') key = Qt::Key_Minus;
    QtKey(control, key, Qt::NoModifier, std::string(1, c));
  }
}

} // namespace sktest
