// Own-process window calls: showing, enabling, raising, moving, enumerating,
// system metrics.
#include <QWidget>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

TForm* formOf(HWND h) {
  return dynamic_cast<TForm*>(FindControl(h));
}

} // namespace

bool ShowWindow(HWND h, int command) {
  TWinControl* c = FindControl(h);
  if (c == nullptr) return false;
  bool wasVisible = c->Visible();
  if (TForm* f = formOf(h)) {
    switch (command) {
    case SW_HIDE:
      f->Hide();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      f->SetWindowState(TWindowState::wsMinimized);
      f->SetVisible(true);
      break;
    case SW_SHOWMAXIMIZED:
      f->SetWindowState(TWindowState::wsMaximized);
      f->SetVisible(true);
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      f->SetWindowState(TWindowState::wsNormal);
      f->SetVisible(true);
      break;
    default:
      f->SetVisible(true);
      break;
    }
    return wasVisible;
  }
  c->SetVisible(command != SW_HIDE);
  return wasVisible;
}

bool IsWindowVisible(HWND h) {
  TWinControl* c = FindControl(h);
  return c != nullptr && c->Showing();
}

bool IsIconic(HWND h) {
  TForm* f = formOf(h);
  return f != nullptr && f->WindowState() == TWindowState::wsMinimized;
}

bool EnableWindow(HWND h, bool enable) {
  TWinControl* c = FindControl(h);
  if (c == nullptr) return false;
  bool wasDisabled = !c->Enabled();
  c->SetEnabled(enable);
  return wasDisabled;
}

bool IsWindowEnabled(HWND h) {
  TWinControl* c = FindControl(h);
  return c != nullptr && c->Enabled();
}

bool BringWindowToTop(HWND h) {
  TWinControl* c = FindControl(h);
  if (c == nullptr) return false;
  while (c->Parent() != nullptr)
    c = c->Parent();
  if (QWidget* w = c->Widget()) w->raise();
  RaiseZOrder(c->Handle());
  return true;
}

bool SetForegroundWindow(HWND h) {
  if (!BringWindowToTop(h)) return false;
  TWinControl* c = FindControl(h);
  while (c->Parent() != nullptr)
    c = c->Parent();
  if (QWidget* w = c->Widget()) w->activateWindow();
  if (auto* f = dynamic_cast<TForm*>(c)) Screen()->SetActiveForm(f);
  return true;
}

HWND GetActiveWindow() {
  TForm* f = Screen()->ActiveForm();
  return f != nullptr && f->HandleAllocated() ? f->Handle() : 0;
}

HWND GetForegroundWindow() {
  return GetActiveWindow();
}

bool MoveWindow(HWND h, int x, int y, int width, int height, bool /*repaint*/) {
  TWinControl* c = FindControl(h);
  if (c == nullptr) return false;
  c->SetBounds(x, y, width, height);
  return true;
}

bool SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  TWinControl* c = FindControl(h);
  if (c == nullptr) return false;
  int l = (flags & SWP_NOMOVE) ? c->Left() : x;
  int t = (flags & SWP_NOMOVE) ? c->Top() : y;
  int w = (flags & SWP_NOSIZE) ? c->Width() : cx;
  int hh = (flags & SWP_NOSIZE) ? c->Height() : cy;
  c->SetBounds(l, t, w, hh);
  if (flags & SWP_SHOWWINDOW) ShowWindow(h, SW_SHOW);
  if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOP) BringWindowToTop(h);
  return true;
}

bool EnumWindows(const std::function<bool(HWND)>& callback) {
  std::vector<std::pair<std::uint64_t, HWND>> tops;
  for (auto& [h, rec] : AllRecords()) {
    bool top = (rec->control != nullptr && rec->control->Parent() == nullptr &&
                dynamic_cast<TForm*>(rec->control) != nullptr) ||
               rec->className == "#32770";
    if (top) tops.emplace_back(rec->zOrder, h);
  }
  std::sort(tops.begin(), tops.end(), [](auto& a, auto& b) { return a.first > b.first; });
  for (auto& [z, h] : tops)
    if (IsWindow(h) && !callback(h)) return false;
  return true;
}

int GetSystemMetrics(int index) {
  switch (index) {
  case SM_CXSCREEN:
    return Screen()->Width();
  case SM_CYSCREEN:
    return Screen()->Height();
  case SM_CXVSCROLL:
  case SM_CYHSCROLL:
    return 16;
  case SM_CYCAPTION:
    return 19;
  case SM_CXBORDER:
  case SM_CYBORDER:
    return 1;
  case SM_CXDLGFRAME:
  case SM_CYDLGFRAME:
    return 3;
  case SM_CXFRAME:
  case SM_CYFRAME:
    return 4;
  case SM_CXEDGE:
  case SM_CYEDGE:
    return 2;
  default:
    return 0;
  }
}
