// Shared helpers of the window layer's tests: a message spy, a control
// that records what reaches it, and a form hosting the controls under test.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"

struct TSpyEntry {
  std::string What; // a message name or an event name
  WPARAM W = 0;
  LPARAM L = 0;
  friend bool operator==(const TSpyEntry& a, const TSpyEntry& b) { return a.What == b.What; }
};

inline std::string MessageName(UINT msg) {
  switch (msg) {
  case WM_SIZE:
    return "WM_SIZE";
  case WM_PAINT:
    return "WM_PAINT";
  case WM_ERASEBKGND:
    return "WM_ERASEBKGND";
  case WM_SETCURSOR:
    return "WM_SETCURSOR";
  case WM_MOUSEMOVE:
    return "WM_MOUSEMOVE";
  case WM_LBUTTONDOWN:
    return "WM_LBUTTONDOWN";
  case WM_LBUTTONUP:
    return "WM_LBUTTONUP";
  case WM_LBUTTONDBLCLK:
    return "WM_LBUTTONDBLCLK";
  case WM_RBUTTONDOWN:
    return "WM_RBUTTONDOWN";
  case WM_RBUTTONUP:
    return "WM_RBUTTONUP";
  case WM_CONTEXTMENU:
    return "WM_CONTEXTMENU";
  case WM_MOUSEWHEEL:
    return "WM_MOUSEWHEEL";
  case WM_KEYDOWN:
    return "WM_KEYDOWN";
  case WM_KEYUP:
    return "WM_KEYUP";
  case WM_CHAR:
    return "WM_CHAR";
  case CN_KEYDOWN:
    return "CN_KEYDOWN";
  case WM_TIMER:
    return "WM_TIMER";
  case WM_DESTROY:
    return "WM_DESTROY";
  case WM_CLOSE:
    return "WM_CLOSE";
  case WM_ACTIVATE:
    return "WM_ACTIVATE";
  case WM_HSCROLL:
    return "WM_HSCROLL";
  case WM_VSCROLL:
    return "WM_VSCROLL";
  case WM_CANCELMODE:
    return "WM_CANCELMODE";
  case WM_USER:
    return "WM_USER";
  case WM_USER + 1:
    return "WM_USER+1";
  case WM_USER + 2:
    return "WM_USER+2";
  default:
    return "msg";
  }
}

/// A custom-drawn control that logs the messages reaching its Dispatch and
/// its events, and paints its client area in `PaintColor`.
class TSpyControl : public TCustomControl {
  SK_CLASS(TSpyControl, TCustomControl)
public:
  explicit TSpyControl(TComponent* owner, std::vector<TSpyEntry>* log = nullptr)
      : TCustomControl(owner), log_(log) {}
  std::vector<TSpyEntry>* log_;
  COLORREF PaintColor = RGB(255, 0, 0);
  int Paints = 0;
  bool AnswerEraseOnly = false;    // WM_ERASEBKGND answers 1 and erases nothing
  std::vector<std::string> Filter; // only these names are logged (empty: all)

  void Note(const std::string& what, WPARAM w = 0, LPARAM l = 0) {
    if (log_ == nullptr) return;
    if (!Filter.empty()) {
      bool keep = false;
      for (auto& f : Filter)
        keep = keep || f == what;
      if (!keep) return;
    }
    log_->push_back({what, w, l});
  }

  void Dispatch(TMessage& m) override {
    std::string n = MessageName(m.Msg);
    if (n != "msg") Note(n, m.WParam, m.LParam);
    if (m.Msg == WM_ERASEBKGND && AnswerEraseOnly) {
      m.Result = 1;
      return;
    }
    TCustomControl::Dispatch(m);
  }

protected:
  void Paint() override {
    ++Paints;
    TRect r = ClientRect();
    HBRUSH b = CreateSolidBrush(PaintColor);
    FillRect(PaintDC(), &r, b);
    DeleteObject(b);
  }
  void Click() override {
    Note("Click");
    TCustomControl::Click();
  }
  void DblClick() override {
    Note("DblClick");
    TCustomControl::DblClick();
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Note("MouseDown", WPARAM(s.Bits()), MakeLParam(x, y));
    TCustomControl::MouseDown(b, s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    Note("MouseUp", WPARAM(s.Bits()), MakeLParam(x, y));
    TCustomControl::MouseUp(b, s, x, y);
  }
  void MouseMove(TShiftState s, int x, int y) override {
    Note("MouseMove", WPARAM(s.Bits()), MakeLParam(x, y));
    TCustomControl::MouseMove(s, x, y);
  }
  void Resize() override {
    Note("Resize");
    TCustomControl::Resize();
  }
};

/// $00BBGGRR of a back-buffer pixel.
inline COLORREF BufferPixel(TWinControl* c, int x, int y) {
  QRgb p = c->BackBuffer()->pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

/// Runs the pending events (paint requests, posted messages).
inline void PumpEvents() {
  for (int i = 0; i < 3; ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

/// Runs the pending events as the application does (a manual timer clock
/// advances with each round).
inline void Pump() {
  for (int i = 0; i < 3; ++i)
    Application()->ProcessMessages();
}

/// A form that owns what is put on it (freed with the host).
struct THostForm {
  explicit THostForm(int w = 300, int h = 200, TColor color = clWhite) {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, w, h);
    form->SetColor(color);
  }
  ~THostForm() { delete form; }
  THostForm(const THostForm&) = delete;
  THostForm& operator=(const THostForm&) = delete;
  template <class T> T* Add(int left, int top, int width, int height) {
    T* c = new T(form);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    return c;
  }
  void Show() {
    form->Show();
    Pump();
  }
  TForm* form;
};

inline std::vector<std::string> Names(const std::vector<TSpyEntry>& log) {
  std::vector<std::string> r;
  for (auto& e : log)
    r.push_back(e.What);
  return r;
}

/// Puts a control's WindowProc back when a test that replaced it ends (the
/// replacement captures the test's locals).
struct TWindowProcGuard {
  TControl* Control;
  TWndMethod Saved;
  ~TWindowProcGuard() { Control->WindowProc = Saved; }
};
