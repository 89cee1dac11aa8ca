#include "platform/forms/MenuWindow.h"

#include <QEventLoop>
#include <QWidget>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"

namespace {
std::function<void(TMenuWindow*)>& Hook() {
  static std::function<void(TMenuWindow*)> hook;
  return hook;
}
constexpr int kFrame = 3;
} // namespace

void SetMenuWindowHook(std::function<void(TMenuWindow*)> hook) {
  Hook() = std::move(hook);
}

TMenuWindow::TMenuWindow(TPopupMenu* menu, TMenuOwnerDraw draw)
    : TCustomControl(nullptr), menu_(menu), draw_(std::move(draw)) {
  visible_ = false;
  color_ = clMenu;
  SetTabStop(true);
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

void TMenuWindow::Prepare(int x, int y) {
  items_.clear();
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  int width = 0, top = kFrame;
  TMenuItem* root = menu_->Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    if (!item->Visible()) continue;
    int w = 10, h = 16 + 3;
    if (draw_.Measure) draw_.Measure(item, &measure, w, h);
    items_.push_back({item, TRect(kFrame, top, kFrame, top + h)});
    width = std::max(width, w);
    top += h;
  }
  measure.SetHandle(nullptr);
  DeleteDC(dc);
  for (TEntry& e : items_)
    e.rect.Right = kFrame + width;
  area_ = TRect(kFrame, kFrame, kFrame + width, top);
  const int W = width + 2 * kFrame, H = top + kFrame;
  const int D = Screen()->DesktopWidth(), DH = Screen()->Height();
  // Left edge at x; flipped to end at x when it would pass the edge.
  int left = x + W > D ? x - W : x;
  left = std::clamp(left, 0, std::max(0, D - W));
  const int topEdge = std::clamp(y, 0, std::max(0, DH - H));
  SetBounds(left, topEdge, W, H);
}

int TMenuWindow::ItemAt(TPoint p) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TRect& r = items_[i].rect;
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return int(i);
  }
  return -1;
}

TMenuItem* TMenuWindow::Exec(int x, int y) {
  Prepare(x, y);
  chosen_ = nullptr;
  open_ = true;
  HandleNeeded();
  SetVisible(true);
  // A top-level window without a form shows through its widget.
  if (Widget()) Widget()->show();
  Update();
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
  chosen_ = item;
  open_ = false;
  SetVisible(false);
  if (Widget()) Widget()->hide();
}

void TMenuWindow::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TMenuItem* item = items_[i].item;
    UINT state = int(i) == hot_ ? UINT(ODS_MENU_SELECTED) : 0u;
    if (!item->Enabled()) state |= ODS_MENU_DISABLED | ODS_MENU_GRAYED;
    if (item->Checked()) state |= ODS_MENU_CHECKED;
    if (draw_.Draw) draw_.Draw(item, c, items_[i].rect, area_, state);
  }
  if (draw_.DrawFrame) draw_.DrawFrame(c, Width(), Height());
}

void TMenuWindow::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  const int i = ItemAt(TPoint(x, y));
  const int hot = i >= 0 && items_[std::size_t(i)].item->Caption() != "-" ? i : -1;
  if (hot != hot_) {
    hot_ = hot;
    Invalidate();
  }
}

void TMenuWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  const int i = ItemAt(TPoint(x, y));
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    CloseWith(nullptr);
    return;
  }
  if (i < 0) return;
  TMenuItem* item = items_[std::size_t(i)].item;
  if (item->Caption() == "-" || !item->Enabled()) return;
  CloseWith(item);
}

void TMenuWindow::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_ESCAPE) CloseWith(nullptr);
  if (key == VK_RETURN && hot_ >= 0) CloseWith(items_[std::size_t(hot_)].item);
  if ((key == VK_DOWN || key == VK_UP) && !items_.empty()) {
    const int n = int(items_.size());
    int next = hot_;
    for (int k = 0; k < n; ++k) {
      next = key == VK_DOWN ? (next + 1) % n : (next + n - 1) % n;
      if (items_[std::size_t(next)].item->Caption() != "-") break;
    }
    hot_ = next;
    Invalidate();
  }
}

void TMenuWindow::Dispatch(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  TCustomControl::Dispatch(m);
}
