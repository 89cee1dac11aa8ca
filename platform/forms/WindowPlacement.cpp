#include "platform/forms/WindowPlacement.h"

#include <QWidget>
#include <algorithm>
#include <map>

namespace {

struct TPlacementExtra {
  UINT flags = 0;
  TPoint ptMin{-1, -1};
  TPoint ptMax{-1, -1};
};

// Keyed by handle; handles are never reused.
std::map<HWND, TPlacementExtra>& extras() {
  static std::map<HWND, TPlacementExtra> map;
  return map;
}

TForm* PlacedForm(HWND h) {
  return dynamic_cast<TForm*>(FindControl(h));
}

UINT showCommandOf(TForm* form) {
  if (!form->Visible()) return SW_HIDE;
  switch (form->WindowState()) {
  case TWindowState::wsMinimized:
    return SW_SHOWMINIMIZED;
  case TWindowState::wsMaximized:
    return SW_SHOWMAXIMIZED;
  default:
    return SW_SHOWNORMAL;
  }
}

/// Where a window of rectangle `r` goes when placed from a record.
TPoint KeepOnScreen(const TRect& r) {
  // Like the platform, a window whose caption would not be reachable on the
  // screen (a record from a larger screen, a damaged one) is moved wholly
  // onto the work area; one the user can still grab stays where it is.
  const TRect work = Screen()->WorkAreaRect();
  constexpr int kGrip = 40; // caption pixels that must show to grab the window
  const int overlap = std::min(r.Right, work.Right) - std::max(r.Left, work.Left);
  const bool reachable =
      overlap >= std::min(kGrip, r.Right - r.Left) && r.Top >= work.Top && r.Top < work.Bottom - 8;
  if (reachable) return TPoint(r.Left, r.Top);
  const int left = std::max(work.Left, std::min(r.Left, work.Right - (r.Right - r.Left)));
  const int top = std::max(work.Top, std::min(r.Top, work.Bottom - (r.Bottom - r.Top)));
  return TPoint(left, top);
}

} // namespace

bool GetWindowPlacement(HWND h, WINDOWPLACEMENT* placement) {
  TForm* form = PlacedForm(h);
  if (form == nullptr || placement == nullptr) return false;
  InstallApplicationMinimize();
  const TPlacementExtra& extra = extras()[h];
  placement->length = 44;
  placement->flags = extra.flags;
  placement->showCmd = showCommandOf(form);
  placement->ptMinPosition = extra.ptMin;
  placement->ptMaxPosition = extra.ptMax;
  placement->rcNormalPosition = form->BoundsRect();
  return true;
}

bool SetWindowPlacement(HWND h, const WINDOWPLACEMENT* placement) {
  TForm* form = PlacedForm(h);
  if (form == nullptr || placement == nullptr) return false;
  InstallApplicationMinimize();
  TPlacementExtra& extra = extras()[h];
  extra.flags = placement->flags;
  extra.ptMin = placement->ptMinPosition;
  extra.ptMax = placement->ptMaxPosition;
  const TRect& r = placement->rcNormalPosition;
  if (r.Right > r.Left) {
    // Like the platform, no window grows past the default maximum tracking
    // size (the screen and a frame); a damaged record cannot ask for a
    // window of millions of pixels.
    const int maxWidth = Screen()->Width() + 2 * GetSystemMetrics(SM_CXFRAME);
    const int maxHeight = Screen()->Height() + 2 * GetSystemMetrics(SM_CYFRAME);
    const int width = std::min(r.Right - r.Left, maxWidth);
    const int height = std::clamp(r.Bottom - r.Top, 0, maxHeight);
    const TPoint at = KeepOnScreen(TRect(r.Left, r.Top, r.Left + width, r.Top + height));
    form->SetBounds(at.x, at.y, width, height);
  }
  if (form->Visible()) {
    switch (placement->showCmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      form->SetWindowState(TWindowState::wsMinimized);
      break;
    case SW_SHOWMAXIMIZED:
      form->SetWindowState(TWindowState::wsMaximized);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      form->SetWindowState(TWindowState::wsNormal);
      break;
    default:
      break;
    }
  }
  return true;
}

void ApplyMinMaxInfo(TForm* form) {
  if (form == nullptr || form->IsDestroying()) return;
  MINMAXINFO info;
  const int w = Screen()->Width(), h = Screen()->Height();
  info.ptMaxSize = {w, h};
  info.ptMaxPosition = {0, 0};
  info.ptMinTrackSize = {0, 0};
  info.ptMaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  QWidget* widget = form->Widget();
  if (widget == nullptr) return;
  // The limits are for the whole window; the widget is the client area.
  const TSize frame = form->NonClientSize();
  auto clientOf = [](int total, int frameSize) {
    return total >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : std::max(0, total - frameSize);
  };
  widget->setMinimumSize(clientOf(info.ptMinTrackSize.x, frame.cx),
                         clientOf(info.ptMinTrackSize.y, frame.cy));
  widget->setMaximumSize(clientOf(info.ptMaxTrackSize.x, frame.cx),
                         clientOf(info.ptMaxTrackSize.y, frame.cy));
}

bool FormHasMaximizeButton(TForm* form) {
  QWidget* widget = form->Widget();
  if (widget == nullptr) {
    form->HandleNeeded();
    widget = form->Widget();
  }
  return widget != nullptr && widget->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
}

void SetFormMaximizeButton(TForm* form, bool value) {
  form->HandleNeeded();
  QWidget* widget = form->Widget();
  if (widget == nullptr || widget->windowFlags().testFlag(Qt::WindowMaximizeButtonHint) == value)
    return;
  const bool wasVisible = widget->isVisible();
  widget->setWindowFlag(Qt::WindowMaximizeButtonHint, value);
  if (wasVisible) widget->show();
}

void InstallApplicationMinimize() {
  static TApplication* installedOn = nullptr;
  if (installedOn == Application()) return;
  installedOn = Application();
  installedOn->HookMainWindow([](TMessage& m) {
    if (m.Msg != WM_SYSCOMMAND || (m.WParam & 0xFFF0) != SC_MINIMIZE) return false;
    if (TForm* form = Application()->MainForm()) form->SetWindowState(TWindowState::wsMinimized);
    return true;
  });
}
