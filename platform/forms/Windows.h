// The window manager: handles, window procedures, messages, invalidation,
// scrolling, scroll bars, capture and key state.
//
// A handle is a logical id in the window table. Each window has a class name,
// a text, a chain of window procedures (the current one is replaceable with
// SetWindowLongPtr(GWL_WNDPROC)), a user-data slot, an invalid region with an
// erase flag, and, for windows of controls, the control and its Qt widget.
// Utility windows (AllocateHWnd) have a procedure and nothing else.
//
// Window procedures are tokens (LONG_PTR) made by MakeWndProc or
// MakeObjectInstance; they compare equal when they are the same procedure.
//
// Files: Windows.cpp (table, procedures, messages), Painting.cpp
// (invalidation, BeginPaint, ScrollWindowEx, window DCs), Input.cpp (input
// translation, capture, key state, key polling), KeyNames.cpp (the keyboard
// layout's scan codes and key names).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/forms/Messages.h"
#include "platform/graphics/Gdi.h"

class TWinControl;

using SHORT = std::int16_t;
using TWndMethod = std::function<void(TMessage&)>;
using TWndProcFunction = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

/// A procedure token for a function of (handle, msg, wparam, lparam).
LONG_PTR MakeWndProc(TWndProcFunction proc);
/// A procedure token calling a method with the message record.
LONG_PTR MakeObjectInstance(TWndMethod method);
void FreeObjectInstance(LONG_PTR token);

/// A utility window (no widget) whose messages go to `method`. Class name
/// "TPUtilWindow".
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND h);

bool IsWindow(HWND h);
HWND GetParent(HWND h);
/// Re-parents the window (its widget moves along); returns the old parent.
HWND SetParent(HWND h, HWND newParent);
std::string GetClassName(HWND h);
std::string GetWindowText(HWND h);
bool SetWindowText(HWND h, const std::string& text);
/// Sends WM_DESTROY, frees the handle; the control (if any) loses its handle
/// but keeps its widget.
bool DestroyWindow(HWND h);
/// The control whose window this is; null for utility windows.
TWinControl* FindControl(HWND h);

LONG_PTR GetWindowLongPtr(HWND h, int index);
LONG_PTR SetWindowLongPtr(HWND h, int index, LONG_PTR value);
inline LONG_PTR GetWindowLong(HWND h, int index) {
  return GetWindowLongPtr(h, index);
}
inline LONG_PTR SetWindowLong(HWND h, int index, LONG_PTR value) {
  return SetWindowLongPtr(h, index, value);
}
LRESULT CallWindowProc(LONG_PTR proc, HWND h, UINT msg, WPARAM w, LPARAM l);
/// The platform's default processing of a message (closing, cursors,
/// erasing with the window colour, validating on paint, Qt's own handling of
/// the input event being dispatched).
LRESULT DefWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l);

/// Synchronous: the window's current procedure, its result returned.
/// 0 for a handle that does not exist.
LRESULT SendMessage(HWND h, UINT msg, WPARAM w, LPARAM l);
/// Queued in FIFO order through the event loop; a window that no longer exists
/// when the message comes up gets nothing. False for an invalid handle now.
bool PostMessage(HWND h, UINT msg, WPARAM w, LPARAM l);

// ---- geometry ---------------------------------------------------------------
bool GetWindowRect(HWND h, TRect* rect); // screen coordinates
bool GetClientRect(HWND h, TRect* rect); // (0, 0, client width, client height)
bool ClientToScreen(HWND h, TPoint* point);
bool ScreenToClient(HWND h, TPoint* point);

// ---- invalidation and painting ----------------------------------------------
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  bool fErase = false;
  TRect rcPaint;
};

/// Adds `rect` (null: the whole client area) to the invalid region; `erase`
/// asks for WM_ERASEBKGND before the next WM_PAINT. One WM_PAINT is posted per
/// window, at low priority.
bool InvalidateRect(HWND h, const TRect* rect, bool erase);
bool InvalidateRgn(HWND h, HRGN rgn, bool erase);
bool ValidateRect(HWND h, const TRect* rect);
/// The bounding box of the invalid region; false when it is empty.
bool GetUpdateRect(HWND h, TRect* rect, bool erase);
/// When the invalid region is not empty: WM_ERASEBKGND (when pending), then
/// WM_PAINT, synchronously.
bool UpdateWindow(HWND h);
/// A DC on the back buffer clipped to the invalid region; validates it.
/// Sends WM_ERASEBKGND first when an erase is pending.
HDC BeginPaint(HWND h, PAINTSTRUCT* ps);
bool EndPaint(HWND h, const PAINTSTRUCT* ps);
/// A DC drawing on the window's back buffer; what it draws is shown at once.
HDC GetDC(HWND h);
int ReleaseDC(HWND h, HDC dc);
/// A DC on the whole window, its frame included; windows here have no
/// non-client area, so it is GetDC's. Released with ReleaseDC.
HDC GetWindowDC(HWND h);
/// The window of a DC from GetDC or BeginPaint; 0 for other DCs.
HWND WindowFromDC(HDC dc);
/// Scrolls the back buffer's pixels inside `clip` (null: the client area) by
/// (dx, dy); the invalid region moves with them; with SW_INVALIDATE the
/// uncovered strip is invalidated (erased with SW_ERASE). Returns the region
/// type (SIMPLEREGION/NULLREGION), ERROR for an invalid handle.
int ScrollWindowEx(HWND h, int dx, int dy, const TRect* scroll, const TRect* clip, HRGN updateRgn,
                   TRect* updateRect, UINT flags);

/// Shapes the window (window coordinates); the window takes over the region
/// (it is deleted here). A null region gives the full rectangle back.
int SetWindowRgn(HWND h, HRGN rgn, bool redraw);
/// Copies the window's region into `rgn`; 0 (ERROR) when it has none.
int GetWindowRgn(HWND h, HRGN rgn);

// ---- scroll bars ------------------------------------------------------------
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
/// Sets the bar of a window created with WS_HSCROLL/WS_VSCROLL. An empty
/// range (nMax - nMin + 1 <= nPage, or nMin == nMax) disables the bar; it
/// stays visible, so the client area does not change. Returns the position.
int SetScrollInfo(HWND h, int bar, const SCROLLINFO* info, bool redraw);
bool GetScrollInfo(HWND h, int bar, SCROLLINFO* info);
bool IsScrollBarEnabled(HWND h, int bar);

// ---- capture and keys ----------------------------------------------------------
HWND GetCapture();
HWND SetCapture(HWND h);
bool ReleaseCapture();
/// Negative (high bit set) while the key is down, as tracked from the input
/// being dispatched: VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON, VK_RBUTTON,
/// VK_MBUTTON.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
/// The keyboard layout (a fixed US English one): mode 0 gives the scan code
/// of a virtual key (0 when the key has none); other modes give 0.
UINT MapVirtualKeyA(UINT code, UINT mapType);
/// The layout's name of the key whose scan code is in bits 16-23 of
/// `lParam` (bit 24: extended key); copies at most `size` − 1 characters
/// and returns their count (0 for an unknown key).
int GetKeyNameTextA(LONG lParam, char* buffer, int size);

/// Takes the pending key messages of `topWindow` and its children from the
/// queue: Escape ends the poll and answers true ("interrupt"); other keys are
/// dispatched at once. Mouse input, timers and paints stay queued.
bool PollKeys(HWND topWindow);

// ---- own-process window calls ----------------------------------------------------
enum : int {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_RESTORE = 9,
};
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_BOTTOM = 1;
constexpr HWND HWND_TOPMOST = HWND(-1);
constexpr HWND HWND_NOTOPMOST = HWND(-2);
enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7,
  SM_CYDLGFRAME = 8,
  SM_CXFRAME = 32,
  SM_CYFRAME = 33,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
};

/// Showing, hiding, minimising and restoring; forms keep their WindowState.
bool ShowWindow(HWND h, int command);
bool IsWindowVisible(HWND h);
bool IsIconic(HWND h);
bool EnableWindow(HWND h, bool enable);
bool IsWindowEnabled(HWND h);
/// Raises the window's top-level window and makes it the active one.
bool SetForegroundWindow(HWND h);
bool BringWindowToTop(HWND h);
HWND GetActiveWindow();
HWND GetForegroundWindow();
bool MoveWindow(HWND h, int x, int y, int width, int height, bool repaint);
/// Position and size unless SWP_NOMOVE/SWP_NOSIZE; SWP_SHOWWINDOW shows;
/// HWND_TOP raises (other z-order requests are not honoured here).
bool SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
/// The program's top-level windows (forms and dialog boxes), the most
/// recently raised first, until the callback answers false.
bool EnumWindows(const std::function<bool(HWND)>& callback);
/// Classic fixed metrics; the screen size comes from the screen object.
int GetSystemMetrics(int index);

/// "Partly covered" test for window caching: a replaceable hook; by default a
/// window is partly covered when it lies outside the screen's work area or a
/// visible top-level window of this program raised later overlaps it.
using TPartlyCoveredHook = std::function<bool(HWND)>;
bool IsPartlyCovered(HWND h);
void SetPartlyCoveredHook(TPartlyCoveredHook hook); // empty: the default
