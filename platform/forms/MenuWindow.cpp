#include "platform/forms/MenuWindow.h"

#include <QEventLoop>
#include <QWidget>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/ClassicEdges.h"
#include "platform/graphics/GdiGuards.h"

namespace {
std::function<void(TMenuWindow*)>& Hook() {
  static std::function<void(TMenuWindow*)> hook;
  return hook;
}
/// The menu windows alive, for the item rectangle queries.
std::vector<TMenuWindow*>& Windows() {
  static std::vector<TMenuWindow*> windows;
  return windows;
}
constexpr int kFrame = 3;
} // namespace

void SetMenuWindowHook(std::function<void(TMenuWindow*)> hook) {
  Hook() = std::move(hook);
}

TMenuWindow::TMenuWindow(TPopupMenu* menu)
    : TCustomControl(nullptr), menu_(menu), parentItem_(menu->Items()) {
  visible_ = false;
  color_ = clMenu;
  SetTabStop(true);
  Windows().push_back(this);
}

TMenuWindow::TMenuWindow(TMenuWindow* parent, TMenuItem* item) : TMenuWindow(parent->menu_) {
  parent_ = parent;
  parentItem_ = item;
}

TMenuWindow::~TMenuWindow() {
  sub_.reset();
  closed_.clear();
  auto& windows = Windows();
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

QWidget* TMenuWindow::CreateWidget(QWidget* parent) {
  QWidget* w = TCustomControl::CreateWidget(parent);
  w->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
  return w;
}

void TMenuWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WinClassName = "#32768";
}

TSize TMenuWindow::Layout() {
  items_.clear();
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  measure.Font()->Assign(*Screen()->MenuFont());
  int left = 0, top = 0, bottom = 0, columnWidth = 0;
  std::size_t columnStart = 0;
  // A column is as wide as its widest item.
  auto endColumn = [&] {
    for (std::size_t i = columnStart; i < items_.size(); ++i)
      items_[i].rect.Right = left + columnWidth;
    left += columnWidth;
    columnWidth = 0;
    columnStart = items_.size();
    top = 0;
  };
  for (int i = 0; i < parentItem_->Count(); ++i) {
    TMenuItem* item = parentItem_->Items(i);
    if (!item->Visible()) continue;
    if (item->Break() && !items_.empty()) endColumn();
    int w = 10, h = 0;
    item->MeasureItem(&measure, w, h);
    items_.push_back({item, TRect(left, top, left, top + h)});
    columnWidth = std::max(columnWidth, w);
    top += h;
    bottom = std::max(bottom, top);
  }
  endColumn();
  measure.SetHandle(nullptr);
  DeleteDC(dc);
  return TSize{left + 2 * kFrame, bottom + 2 * kFrame};
}

TRect TMenuWindow::ItemRect(int index) const {
  const TRect& r = items_.at(std::size_t(index)).rect;
  return TRect(r.Left + kFrame, r.Top + kFrame, r.Right + kFrame, r.Bottom + kFrame);
}

void TMenuWindow::Place(int left, int top, int width, int height) {
  const int D = Screen()->DesktopWidth(), DH = Screen()->Height();
  left = std::clamp(left, 0, std::max(0, D - width));
  top = std::clamp(top, 0, std::max(0, DH - height));
  SetBounds(left, top, width, height);
}

void TMenuWindow::Prepare(int x, int y) {
  const TSize size = Layout();
  // Left edge at x; flipped to end at x when it would pass the edge.
  Place(x + size.cx > Screen()->DesktopWidth() ? x - size.cx : x, y, size.cx, size.cy);
}

void TMenuWindow::Show() {
  HandleNeeded();
  SetVisible(true);
  // A top-level window without a form shows through its widget.
  if (Widget()) Widget()->show();
  Update();
}

void TMenuWindow::HideWindow() {
  SetVisible(false);
  if (Widget()) Widget()->hide();
  // The window stays until its object goes (WM_DESTROY then).
  if (HandleAllocated()) SendMessage(Handle(), WM_SHOWWINDOW, FALSE, 0);
}

TMenuWindow* TMenuWindow::Root() {
  return parent_ ? parent_->Root() : this;
}

int TMenuWindow::ItemAt(TPoint p) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TRect r = ItemRect(int(i));
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return int(i);
  }
  return -1;
}

TMenuItem* TMenuWindow::Exec(int x, int y) {
  Prepare(x, y);
  chosen_ = nullptr;
  open_ = true;
  // The menu takes the mouse: a window that still holds it (the one whose
  // right-button release opened the menu) would get the moves and clicks
  // meant for the items.
  if (GetCapture() != 0) ReleaseCapture();
  Show();
  if (Hook()) {
    Hook()(this);
  } else {
    QEventLoop loop;
    while (open_)
      loop.processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (open_) CloseWith(nullptr);
  return chosen_;
}

void TMenuWindow::CloseWith(TMenuItem* item) {
  if (parent_) {
    // A choice ends the whole chain; no choice closes only this submenu.
    if (item)
      Root()->CloseWith(item);
    else
      parent_->CloseSubmenu();
    return;
  }
  CloseSubmenu();
  chosen_ = item;
  open_ = false;
  HideWindow();
}

void TMenuWindow::OpenSubmenu(int index) {
  TMenuItem* item = items_.at(std::size_t(index)).item;
  if (sub_ && sub_->parentItem_ == item) return;
  CloseSubmenu();
  if (item->Count() == 0 || !item->Enabled()) return;
  auto sub = std::make_unique<TMenuWindow>(this, item);
  const TSize size = sub->Layout();
  if (sub->items_.empty()) return;
  // Beside the item, overlapping this window's frame; to the left when the
  // right side has no room.
  const TRect r = ItemRect(index);
  const int top = Top() + r.Top - kFrame;
  int left = Left() + Width() - 2 * kFrame;
  if (left + size.cx > Screen()->DesktopWidth()) left = Left() - size.cx + 2 * kFrame;
  sub->Place(left, top, size.cx, size.cy);
  sub_ = std::move(sub);
  sub_->Show();
}

void TMenuWindow::CloseSubmenu() {
  if (!sub_) return;
  sub_->CloseSubmenu();
  sub_->HideWindow();
  // Freed with the chain: the submenu may be running one of its own handlers.
  Root()->closed_.push_back(std::move(sub_));
}

void TMenuWindow::SetHotIndex(int index) {
  if (index < -1 || index >= int(items_.size())) index = -1;
  if (index != hot_) {
    hot_ = index;
    Invalidate();
  }
  if (index >= 0 && items_[std::size_t(index)].item->Count() > 0)
    OpenSubmenu(index);
  else if (index >= 0)
    CloseSubmenu();
}

void TMenuWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  RECT frame = ClientRect();
  DrawEdge(c->Handle(), &frame, EDGE_RAISED, BF_RECT);
  // The items draw in client coordinates: the frame's inner corner is (0, 0).
  TCanvasStateSaver saved(c);
  SetViewportOrgEx(c->Handle(), kFrame, kFrame, nullptr);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TMenuItem* item = items_[i].item;
    UINT state = int(i) == hot_ ? UINT(ODS_MENU_SELECTED) : 0u;
    if (!item->Enabled()) state |= ODS_MENU_DISABLED | ODS_MENU_GRAYED;
    if (item->Checked()) state |= ODS_MENU_CHECKED;
    item->AdvancedDrawItem(c, items_[i].rect, state);
  }
}

void TMenuWindow::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  const int i = ItemAt(TPoint(x, y));
  // Leaving the items (toward an open submenu) keeps the highlight.
  if (i < 0) return;
  SetHotIndex(items_[std::size_t(i)].item->Caption() != "-" ? i : -1);
}

void TMenuWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  const int i = ItemAt(TPoint(x, y));
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    Root()->CloseWith(nullptr);
    return;
  }
  if (i < 0) return;
  TMenuItem* item = items_[std::size_t(i)].item;
  if (item->Caption() == "-" || !item->Enabled()) return;
  if (item->Count() > 0) {
    SetHotIndex(i);
    return;
  }
  CloseWith(item);
}

void TMenuWindow::KeyDown(Word& key, TShiftState shift) {
  if (sub_) {
    sub_->KeyDown(key, shift);
    return;
  }
  TCustomControl::KeyDown(key, shift);
  const bool hasSub = hot_ >= 0 && items_[std::size_t(hot_)].item->Count() > 0;
  if (key == VK_ESCAPE) {
    CloseWith(nullptr);
  } else if (key == VK_LEFT && parent_) {
    parent_->CloseSubmenu();
  } else if ((key == VK_RIGHT || key == VK_RETURN) && hasSub) {
    OpenSubmenu(hot_);
    if (sub_) sub_->MoveHot(VK_DOWN);
  } else if (key == VK_RETURN && hot_ >= 0) {
    CloseWith(items_[std::size_t(hot_)].item);
  } else if (key == VK_DOWN || key == VK_UP) {
    MoveHot(key);
  }
}

void TMenuWindow::MoveHot(Word key) {
  if (items_.empty()) return;
  const int n = int(items_.size());
  int next = hot_;
  for (int k = 0; k < n; ++k) {
    next = key == VK_DOWN ? (next + 1) % n : (next + n - 1) % n;
    if (items_[std::size_t(next)].item->Caption() != "-") break;
  }
  // The keyboard highlights without opening a submenu.
  hot_ = next;
  Invalidate();
}

void TMenuWindow::Dispatch(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  TCustomControl::Dispatch(m);
}

bool TMenuWindow::ItemScreenRect(HWND window, TMenuItem* menu, int position, TRect* rect) {
  for (TMenuWindow* w : Windows()) {
    if (w->parentItem_ != menu || !w->HandleAllocated() || !w->Visible()) continue;
    if (window != 0 && w->Handle() != window) continue;
    if (position < 0 || position >= w->ItemCount()) return false;
    TRect at;
    GetWindowRect(w->Handle(), &at);
    const TRect r = w->ItemRect(position);
    *rect = TRect(at.Left + r.Left, at.Top + r.Top, at.Left + r.Right, at.Top + r.Bottom);
    return true;
  }
  return false;
}

bool GetMenuItemRect(HWND window, TMenuItem* menu, int position, TRect* rect) {
  return rect != nullptr && TMenuWindow::ItemScreenRect(window, menu, position, rect);
}
