// Internal to platform/forms: the window table and the pieces the message,
// painting and input code share. Includes Qt.
#pragma once

#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/QtBridge.h"

namespace forms_detail {

struct TScrollBarState {
  bool present = false;
  bool enabled = false;
  int min = 0, max = 0, pos = 0, trackPos = 0;
  unsigned page = 0;
};

struct TWindowRecord {
  HWND handle = 0;
  TWinControl* control = nullptr; // null for utility windows
  std::string className;
  std::string text;
  LONG_PTR proc = 0;    // current procedure token
  LONG_PTR ownProc = 0; // the token made for this window (freed with it)
  LONG_PTR userData = 0;
  HWND parent = 0;
  std::uint32_t style = 0, exStyle = 0;
  QRegion invalid;
  bool erasePending = false;
  bool paintPosted = false;
  bool redrawOff = false; // WM_SETREDRAW (FALSE): no painting
  TScrollBarState bars[2];
  std::uint64_t zOrder = 0; // raise counter (top-level stacking)
};

TWindowRecord* FindRecord(HWND h);
/// A new record with a fresh handle; `proc` becomes its own procedure token.
TWindowRecord& NewRecord(const std::string& className, TWinControl* control, LONG_PTR proc);
void FreeRecord(HWND h);
/// Every live record (stacking and enumeration).
std::map<HWND, std::unique_ptr<TWindowRecord>>& AllRecords();

/// Custom event types of the layer.
extern const QEvent::Type kPostedMessageEvent;
extern const QEvent::Type kPaintRequestEvent;

/// The object that receives posted messages and paint requests.
QObject* Dispatcher();
/// Posts the coalesced WM_PAINT request for the window.
void RequestPaint(TWindowRecord& record);

/// Marks a Qt entry point (an event filter, a posted event, a timer): Halt
/// inside it ends the event loops instead of unwinding through Qt.
struct TQtEntry {
  TQtEntry();
  ~TQtEntry();
  TQtEntry(const TQtEntry&) = delete;
  TQtEntry& operator=(const TQtEntry&) = delete;
};

/// Runs `body` and hands any exception to the application's exception handler
/// (nothing crosses a Qt frame).
void Guarded(const std::function<void()>& body);

/// The Qt event being translated right now, and whether the default handler
/// asked for Qt's own processing of it.
struct TQtEventFrame {
  HWND handle = 0;
  UINT msg = 0;
  bool wantDefault = false;
  TQtEventFrame* outer = nullptr;
};
TQtEventFrame*& CurrentQtEvent();

/// The back buffer of a control's window.
struct TBackBuffer {
  QImage image;
  std::unique_ptr<TQImageSurface> surface;
};
TBackBuffer* BufferOf(TWinControl* control);
/// The largest back buffer a control gets: what the screens can show at once
/// (a control larger than that draws clipped to it).
QSize BackBufferBound();
/// Shows the buffer area (client coordinates) on screen.
void ShowBufferArea(TWinControl* control, const QRect& area);

/// Builds the widget events of a control: the event filter that turns Qt
/// events into messages.
void AttachEventFilter(QWidget* widget, TWinControl* control);
/// Cuts a widget loose from its (dying) control and deletes it later.
void ReleaseWidget(QWidget* widget);
/// The widget that shows a back buffer.
QWidget* NewBufferWidget(QWidget* parent, TWinControl* control);

/// The last pointer position seen (screen coordinates).
void SetLastPointer(TPoint p);

/// Key state tracking for GetKeyState.
void SetTrackedModifiers(bool shift, bool ctrl, bool alt);
void SetTrackedButtons(bool left, bool right, bool middle);

/// True while PollKeys runs (paint and timer events wait).
bool PollingKeys();

/// Sends WM_CONTEXTMENU for a right-button release (from DefWindowProc).
void SendContextMenu(HWND h, LPARAM clientPos);

/// Applies the cursor for the window (Screen.Cursor overrides).
void ApplyCursor(TWinControl* control, TCursor cursor);

/// Marks the window as the most recently raised top-level window. Windows
/// that stay on top (WS_EX_TOPMOST) stay above all others.
void RaiseZOrder(HWND h);
/// Qt's cursor for a cursor id (Screen.Cursors for the custom ones).
QCursor QtCursorFor(TCursor cursor);
/// Keeps a scroll bar of the widget in step with the window's state.
void SyncScrollBar(TWinControl* control, int bar, const TScrollBarState& state);

QRect ToQRect(const TRect& r);
TRect FromQRect(const QRect& r);

/// Binds `canvas` to `dc` (recording it in `paintDC`) for the run of `paint`,
/// and unbinds both on every exit.
template <class Paint> void PaintThroughCanvas(TCanvas& canvas, HDC& paintDC, HDC dc, Paint&& paint) {
  paintDC = dc;
  canvas.Lock();
  canvas.SetHandle(dc);
  struct TRestore {
    TCanvas& canvas;
    HDC& paintDC;
    ~TRestore() {
      canvas.SetHandle(nullptr);
      canvas.Unlock();
      paintDC = nullptr;
    }
  } restore{canvas, paintDC};
  paint();
}

} // namespace forms_detail
