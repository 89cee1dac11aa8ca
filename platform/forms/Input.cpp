// Input: Qt events to messages, capture, tracked key state, key polling,
// the context-menu message and cursors.
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

struct TKeyStateTrack {
  bool shift = false, ctrl = false, alt = false;
  bool left = false, right = false, middle = false;
};
TKeyStateTrack& keyState() {
  static TKeyStateTrack k;
  return k;
}

HWND& captureHandle() {
  static HWND h = 0;
  return h;
}

int mouseKeys() {
  const TKeyStateTrack& k = keyState();
  return (k.left ? MK_LBUTTON : 0) | (k.right ? MK_RBUTTON : 0) | (k.middle ? MK_MBUTTON : 0) |
         (k.shift ? MK_SHIFT : 0) | (k.ctrl ? MK_CONTROL : 0);
}

UINT buttonMessage(TMouseButton b, int which) { // which: 0 down, 1 up, 2 double
  UINT base = b == TMouseButton::mbLeft    ? WM_LBUTTONDOWN
              : b == TMouseButton::mbRight ? WM_RBUTTONDOWN
                                           : WM_MBUTTONDOWN;
  return base + UINT(which);
}

/// Sends a message for an input event, remembering whether the default
/// processing was reached.
bool sendInput(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT* result = nullptr) {
  TQtEventFrame frame;
  frame.handle = h;
  frame.msg = msg;
  frame.outer = CurrentQtEvent();
  CurrentQtEvent() = &frame;
  LRESULT r = 0;
  Guarded([&] { r = SendMessage(h, msg, w, l); });
  CurrentQtEvent() = frame.outer;
  if (result) *result = r;
  return frame.wantDefault;
}

Word qtKeyToVk(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return Word('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return Word('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return Word(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return VK_RETURN;
  case Qt::Key_Escape:
    return VK_ESCAPE;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return VK_TAB;
  case Qt::Key_Backspace:
    return VK_BACK;
  case Qt::Key_Space:
    return VK_SPACE;
  case Qt::Key_PageUp:
    return VK_PRIOR;
  case Qt::Key_PageDown:
    return VK_NEXT;
  case Qt::Key_End:
    return VK_END;
  case Qt::Key_Home:
    return VK_HOME;
  case Qt::Key_Left:
    return VK_LEFT;
  case Qt::Key_Up:
    return VK_UP;
  case Qt::Key_Right:
    return VK_RIGHT;
  case Qt::Key_Down:
    return VK_DOWN;
  case Qt::Key_Insert:
    return VK_INSERT;
  case Qt::Key_Delete:
    return VK_DELETE;
  case Qt::Key_Shift:
    return VK_SHIFT;
  case Qt::Key_Control:
    return VK_CONTROL;
  case Qt::Key_Alt:
    return VK_MENU;
  case Qt::Key_Pause:
    return VK_PAUSE;
  case Qt::Key_CapsLock:
    return VK_CAPITAL;
  case Qt::Key_Plus:
    return VK_ADD;
  case Qt::Key_Minus:
    return VK_SUBTRACT;
  case Qt::Key_Asterisk:
    return VK_MULTIPLY;
  case Qt::Key_Slash:
    return VK_DIVIDE;
  default:
    return 0;
  }
}

TMouseButton qtButton(Qt::MouseButton b) {
  if (b == Qt::RightButton) return TMouseButton::mbRight;
  if (b == Qt::MiddleButton) return TMouseButton::mbMiddle;
  return TMouseButton::mbLeft;
}

void fillModifiers(TInputEvent& e, Qt::KeyboardModifiers m) {
  e.Shift = m & Qt::ShiftModifier;
  e.Ctrl = m & Qt::ControlModifier;
  e.Alt = m & Qt::AltModifier;
}

void fillButtons(TInputEvent& e, Qt::MouseButtons b) {
  e.Left = b & Qt::LeftButton;
  e.Right = b & Qt::RightButton;
  e.Middle = b & Qt::MiddleButton;
}

/// Input goes to one window only, as messages do: after the messages (and
/// Qt's own processing when the default handler asked for it) the event is
/// accepted, so Qt does not hand it on to the parent widget.
bool finishInput(QObject* watched, QEvent* e, bool wantDefault) {
  if (wantDefault) watched->event(e); // the widget class's own handling
  e->accept();
  return true;
}

/// The event filter of a control's widget.
class TEventFilter : public QObject {
public:
  TEventFilter(QObject* parent, TWinControl* control) : QObject(parent), control_(control) {}
  void Detach() { control_ = nullptr; }

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != parent() || control_ == nullptr) return false;
    if (control_->IsDestroying()) return dropForDyingControl(e);
    // Only the control's own widget stands for the window (resizes, closes,
    // activation); an attached inner widget brings its input.
    bool own = watched == control_->Widget();
    if (!own) {
      switch (e->type()) {
      case QEvent::Resize:
      case QEvent::Close:
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate:
        return false;
      default:
        break;
      }
    }
    TQtEntry entry;
    TPoint off = control_->ClientOffset();
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(e);
      TInputEvent ie;
      ie.Kind = e->type() == QEvent::MouseButtonPress      ? TInputEvent::Press
                : e->type() == QEvent::MouseButtonRelease  ? TInputEvent::Release
                : e->type() == QEvent::MouseButtonDblClick ? TInputEvent::DoubleClick
                                                           : TInputEvent::Move;
      ie.Button = qtButton(me->button());
      QPoint p = me->position().toPoint();
      if (!own) p = static_cast<QWidget*>(watched)->mapTo(control_->Widget(), p);
      ie.X = p.x() - off.x;
      ie.Y = p.y() - off.y;
      fillModifiers(ie, me->modifiers());
      fillButtons(ie, me->buttons());
      return finishInput(watched, e, DeliverInput(control_, ie));
    }
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(e);
      TInputEvent ie;
      ie.Kind = TInputEvent::Wheel;
      QPoint p = we->position().toPoint();
      if (!own) p = static_cast<QWidget*>(watched)->mapTo(control_->Widget(), p);
      ie.X = p.x() - off.x;
      ie.Y = p.y() - off.y;
      ie.WheelDelta = we->angleDelta().y();
      fillModifiers(ie, we->modifiers());
      fillButtons(ie, we->buttons());
      return finishInput(watched, e, DeliverInput(control_, ie));
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(e);
      TInputEvent ie;
      ie.Kind = e->type() == QEvent::KeyPress ? TInputEvent::KeyDown : TInputEvent::KeyUp;
      ie.Key = qtKeyToVk(ke->key());
      ie.Text = ke->text().toStdString();
      fillModifiers(ie, ke->modifiers());
      if (ie.Key == VK_SHIFT) ie.Shift = ie.Kind == TInputEvent::KeyDown;
      if (ie.Key == VK_CONTROL) ie.Ctrl = ie.Kind == TInputEvent::KeyDown;
      if (ie.Key == VK_MENU) ie.Alt = ie.Kind == TInputEvent::KeyDown;
      if (ie.Key == 0 && ie.Text.empty()) return false;
      return finishInput(watched, e, DeliverInput(control_, ie));
    }
    case QEvent::Enter:
    case QEvent::Leave: {
      TInputEvent ie;
      ie.Kind = e->type() == QEvent::Enter ? TInputEvent::Enter : TInputEvent::Leave;
      DeliverInput(control_, ie);
      return false;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      auto* fe = static_cast<QFocusEvent*>(e);
      bool in = e->type() == QEvent::FocusIn;
      if (control_->HandleAllocated()) {
        HWND h = control_->Handle();
        // Focus moves inside a window only: activation is not an enter/exit.
        bool activation = fe->reason() == Qt::ActiveWindowFocusReason;
        Guarded([&] { SendMessage(h, in ? WM_SETFOCUS : WM_KILLFOCUS, 0, activation ? 1 : 0); });
      }
      return false;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      if (control_->HandleAllocated() && control_->Parent() == nullptr) {
        HWND h = control_->Handle();
        bool active = e->type() == QEvent::WindowActivate;
        if (active) forms_detail::RaiseZOrder(h);
        Guarded([&] { SendMessage(h, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0); });
      }
      return false;
    }
    case QEvent::Close: {
      if (control_->HandleAllocated()) {
        HWND h = control_->Handle();
        Guarded([&] { SendMessage(h, WM_CLOSE, 0, 0); });
      }
      e->ignore();
      return true;
    }
    case QEvent::Resize: {
      // A window-manager resize of a top-level window becomes SetBounds.
      if (control_->Parent() == nullptr && static_cast<QWidget*>(parent())->isWindow()) {
        auto* re = static_cast<QResizeEvent*>(e);
        TSize nc = control_->NonClientSize();
        int w = re->size().width() + nc.cx, h = re->size().height() + nc.cy;
        if (w != control_->Width() || h != control_->Height()) {
          TWinControl* c = control_;
          Guarded([&] { c->SetBounds(c->Left(), c->Top(), w, h); });
        }
      }
      return false;
    }
    default:
      return false;
    }
  }

private:
  /// Qt still sends events to the widget of a control being freed (a widget
  /// hidden or deleted under the pointer makes Qt send enter and leave events
  /// to the widgets around it). They are dropped: no message, no new window.
  static bool dropForDyingControl(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Enter:
    case QEvent::Leave:
      e->accept();
      return true;
    case QEvent::Close:
      e->ignore();
      return true;
    default:
      return false; // Qt's own handling; no message
    }
  }

  TWinControl* control_;
};

} // namespace

namespace forms_detail {

void AttachEventFilter(QWidget* widget, TWinControl* control) {
  widget->installEventFilter(new TEventFilter(widget, control));
}

void DetachBufferWidget(QWidget* widget);

void ReleaseWidget(QWidget* widget) {
  if (widget == nullptr) return;
  for (QObject* child : widget->findChildren<QObject*>())
    if (auto* f = dynamic_cast<TEventFilter*>(child)) f->Detach();
  DetachBufferWidget(widget);
  widget->hide();
  // Deleted from the event loop: the control may be going away inside one of
  // its widget's own events.
  widget->setParent(nullptr);
  widget->deleteLater();
}

void SetTrackedModifiers(bool shift, bool ctrl, bool alt) {
  keyState().shift = shift;
  keyState().ctrl = ctrl;
  keyState().alt = alt;
}

void SetTrackedButtons(bool left, bool right, bool middle) {
  keyState().left = left;
  keyState().right = right;
  keyState().middle = middle;
}

void SendContextMenu(HWND h, LPARAM clientPos) {
  TPoint p(GetXLParam(clientPos), GetYLParam(clientPos));
  ClientToScreen(h, &p);
  SendMessage(h, WM_CONTEXTMENU, WPARAM(h), MakeLParam(p.x, p.y));
}

} // namespace forms_detail

bool DeliverInput(TWinControl* control, const TInputEvent& e) {
  if (control == nullptr) return true;
  // A control being freed gets no input (and no new window for it).
  if (control->IsDestroying()) return false;
  HWND h = control->Handle();
  SetTrackedModifiers(e.Shift, e.Ctrl, e.Alt);
  TPoint pt(e.X, e.Y);
  // Explicit capture sends mouse input to the capturing window.
  HWND target = h;
  if (e.Kind <= TInputEvent::Wheel && captureHandle() != 0 && captureHandle() != h &&
      IsWindow(captureHandle())) {
    ClientToScreen(h, &pt);
    target = captureHandle();
    ScreenToClient(target, &pt);
  }
  TWinControl* tc = FindControl(target);
  if (tc != nullptr && tc->IsDestroying()) return false;
  if (e.Kind <= TInputEvent::Wheel) SetLastPointer(control->ClientToScreen(TPoint(e.X, e.Y)));
  switch (e.Kind) {
  case TInputEvent::Press:
  case TInputEvent::DoubleClick: {
    SetTrackedButtons(e.Left, e.Right, e.Middle);
    bool dbl = e.Kind == TInputEvent::DoubleClick && tc != nullptr &&
               tc->ControlStyle().Contains(TControlStyleItem::csDoubleClicks);
    return sendInput(target, buttonMessage(e.Button, dbl ? 2 : 0), WPARAM(mouseKeys()),
                     MakeLParam(pt.x, pt.y));
  }
  case TInputEvent::Release:
    SetTrackedButtons(e.Left, e.Right, e.Middle);
    return sendInput(target, buttonMessage(e.Button, 1), WPARAM(mouseKeys()),
                     MakeLParam(pt.x, pt.y));
  case TInputEvent::Move: {
    SetTrackedButtons(e.Left, e.Right, e.Middle);
    if (captureHandle() == 0)
      sendInput(target, WM_SETCURSOR, WPARAM(target), MakeLParam(HTCLIENT, WM_MOUSEMOVE));
    return sendInput(target, WM_MOUSEMOVE, WPARAM(mouseKeys()), MakeLParam(pt.x, pt.y));
  }
  case TInputEvent::Wheel: {
    SetTrackedButtons(e.Left, e.Right, e.Middle);
    TPoint sp(e.X, e.Y);
    ClientToScreen(h, &sp);
    return sendInput(target, WM_MOUSEWHEEL, MakeWParam(mouseKeys(), e.WheelDelta),
                     MakeLParam(sp.x, sp.y));
  }
  case TInputEvent::KeyDown: {
    LRESULT handled = 0;
    bool def = sendInput(h, CN_KEYDOWN, e.Key, 0, &handled);
    if (handled != 0) return false;
    (void)def;
    def = sendInput(h, WM_KEYDOWN, e.Key, 0);
    if (!e.Text.empty() && static_cast<unsigned char>(e.Text[0]) >= 0x08 && IsWindow(h)) {
      // A character the control does not take may be an accelerator of
      // another (CN_CHAR → CM_DIALOGCHAR); Alt shows in bit 29 as usual.
      const WPARAM ch = WPARAM(static_cast<unsigned char>(e.Text[0]));
      const LPARAM keyData = e.Alt ? LPARAM(0x20000000) : 0;
      LRESULT taken = 0;
      sendInput(h, CN_CHAR, ch, keyData, &taken);
      if (taken != 0 || !IsWindow(h)) return false;
      def = sendInput(h, WM_CHAR, ch, 0) && def;
    }
    return def;
  }
  case TInputEvent::KeyUp:
    return sendInput(h, WM_KEYUP, e.Key, 0);
  case TInputEvent::Enter:
    control->Perform(CM_MOUSEENTER, 0, 0);
    return true;
  case TInputEvent::Leave:
    control->Perform(CM_MOUSELEAVE, 0, 0);
    return true;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Capture and key state

HWND GetCapture() {
  if (captureHandle() != 0 && !IsWindow(captureHandle())) captureHandle() = 0;
  return captureHandle();
}

HWND SetCapture(HWND h) {
  HWND old = GetCapture();
  captureHandle() = h;
  // A window that loses the mouse to another one is told so.
  if (old != 0 && old != h && IsWindow(old)) SendMessage(old, WM_CANCELMODE, 0, 0);
  return old;
}

bool ReleaseCapture() {
  captureHandle() = 0;
  return true;
}

SHORT GetKeyState(int vk) {
  const TKeyStateTrack& k = keyState();
  bool down = false;
  switch (vk) {
  case VK_SHIFT:
    down = k.shift;
    break;
  case VK_CONTROL:
    down = k.ctrl;
    break;
  case VK_MENU:
    down = k.alt;
    break;
  case VK_LBUTTON:
    down = k.left;
    break;
  case VK_RBUTTON:
    down = k.right;
    break;
  case VK_MBUTTON:
    down = k.middle;
    break;
  default:
    break;
  }
  return down ? SHORT(-32767 - 1) : SHORT(0);
}

SHORT GetAsyncKeyState(int vk) {
  return GetKeyState(vk);
}

// ---------------------------------------------------------------------------
// Key polling

namespace {

bool& pollingFlag() {
  static bool polling = false;
  return polling;
}

bool isInputToDefer(QEvent::Type t) {
  switch (t) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseMove:
  case QEvent::Wheel:
  case QEvent::Timer:
    return true;
  default:
    return t == kPostedMessageEvent || t == kPaintRequestEvent;
  }
}

class TKeyPollFilter : public QObject {
public:
  explicit TKeyPollFilter(QWidget* top) : top_(top) {}
  bool interrupted = false;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> deferred;

  bool eventFilter(QObject* watched, QEvent* e) override {
    QEvent::Type t = e->type();
    if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
      auto* w = qobject_cast<QWidget*>(watched);
      bool ours = w != nullptr && top_ != nullptr && (w == top_ || top_->isAncestorOf(w));
      if (!ours) {
        deferred.emplace_back(watched, std::unique_ptr<QEvent>(e->clone()));
        return true;
      }
      if (interrupted) {
        deferred.emplace_back(watched, std::unique_ptr<QEvent>(e->clone()));
        return true;
      }
      if (t == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        interrupted = true;
        return true;
      }
      return false;
    }
    if (isInputToDefer(t)) {
      deferred.emplace_back(watched, std::unique_ptr<QEvent>(e->clone()));
      return true;
    }
    return false;
  }

private:
  QPointer<QWidget> top_;
};

} // namespace

namespace forms_detail {
bool PollingKeys() {
  return pollingFlag();
}
} // namespace forms_detail

bool PollKeys(HWND topWindow) {
  TWinControl* c = FindControl(topWindow);
  if (c == nullptr || c->Widget() == nullptr || pollingFlag()) return false;
  TKeyPollFilter filter(c->Widget());
  pollingFlag() = true;
  qApp->installEventFilter(&filter);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(&filter);
  pollingFlag() = false;
  for (auto& [receiver, ev] : filter.deferred)
    if (receiver) QCoreApplication::postEvent(receiver, ev.release());
  return filter.interrupted;
}

// ---------------------------------------------------------------------------
// The test driver

namespace TestInput {

namespace {
TInputEvent make(TInputEvent::TKind kind, TMouseButton b, int x, int y, TShiftState s) {
  TInputEvent e;
  e.Kind = kind;
  e.Button = b;
  e.X = x;
  e.Y = y;
  e.Shift = s.Contains(TShiftStateItem::ssShift);
  e.Ctrl = s.Contains(TShiftStateItem::ssCtrl);
  e.Alt = s.Contains(TShiftStateItem::ssAlt);
  e.Left = s.Contains(TShiftStateItem::ssLeft);
  e.Right = s.Contains(TShiftStateItem::ssRight);
  e.Middle = s.Contains(TShiftStateItem::ssMiddle);
  return e;
}
void hold(TInputEvent& e, TMouseButton b, bool down) {
  if (b == TMouseButton::mbLeft) e.Left = down;
  if (b == TMouseButton::mbRight) e.Right = down;
  if (b == TMouseButton::mbMiddle) e.Middle = down;
}
} // namespace

void MouseDown(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift) {
  TInputEvent e = make(TInputEvent::Press, b, x, y, shift);
  hold(e, b, true);
  DeliverInput(c, e);
}

void MouseUp(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift) {
  TInputEvent e = make(TInputEvent::Release, b, x, y, shift);
  hold(e, b, false);
  DeliverInput(c, e);
}

void DoubleClick(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift) {
  MouseDown(c, b, x, y, shift);
  MouseUp(c, b, x, y, shift);
  TInputEvent e = make(TInputEvent::DoubleClick, b, x, y, shift);
  hold(e, b, true);
  DeliverInput(c, e);
  MouseUp(c, b, x, y, shift);
}

void MouseMove(TWinControl* c, int x, int y, TShiftState shift) {
  DeliverInput(c, make(TInputEvent::Move, TMouseButton::mbLeft, x, y, shift));
}

void Click(TWinControl* c, TMouseButton b, int x, int y, TShiftState shift) {
  MouseDown(c, b, x, y, shift);
  MouseUp(c, b, x, y, shift);
}

void Wheel(TWinControl* c, int delta, int x, int y, TShiftState shift) {
  TInputEvent e = make(TInputEvent::Wheel, TMouseButton::mbLeft, x, y, shift);
  e.WheelDelta = delta;
  DeliverInput(c, e);
}

void KeyDown(TWinControl* c, Word key, TShiftState shift, const std::string& text) {
  TInputEvent e = make(TInputEvent::KeyDown, TMouseButton::mbLeft, 0, 0, shift);
  e.Key = key;
  e.Text = text;
  DeliverInput(c, e);
}

void KeyUp(TWinControl* c, Word key, TShiftState shift) {
  TInputEvent e = make(TInputEvent::KeyUp, TMouseButton::mbLeft, 0, 0, shift);
  e.Key = key;
  DeliverInput(c, e);
}

} // namespace TestInput
