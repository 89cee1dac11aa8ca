#include "platform/forms/TabControl.h"

#include <algorithm>

#include "platform/forms/Messages.h"

namespace {
/// Width and height of `text` in `font`.
TSize MeasureIn(const TFont& font, const std::string& text) {
  TCanvas canvas;
  HDC dc = CreateCompatibleDC(nullptr);
  canvas.SetHandle(dc);
  canvas.Font()->Assign(font);
  const TSize size = canvas.TextExtent(text);
  canvas.SetHandle(nullptr);
  DeleteDC(dc);
  return size;
}
} // namespace

TCustomTabControl::TCustomTabControl(TComponent* owner) : TCustomControl(owner) {
  SetBounds(left_, top_, 289, 193);
  SetTabStop(true);
  controlStyle_.Include(TControlStyleItem::csAcceptsControls);
}

void TCustomTabControl::Relayout() {
  rects_.clear();
  const int height = tabHeight_ > 0 ? tabHeight_ : MeasureIn(font_, "gh").cy + 6;
  int x = 2;
  for (const TTab& tab : tabs_) {
    const int width = MeasureIn(font_, tab.text).cx + 12 + imageRoom_;
    rects_.push_back(TRect(x, 2, x + width, 2 + height));
    x += width;
  }
  Realign();
  Invalidate();
}

void TCustomTabControl::SetTabText(int index, const std::string& text) {
  if (index < 0 || index >= TabCount()) return;
  tabs_[std::size_t(index)].text = text;
  Relayout();
}

void TCustomTabControl::InsertTab(int index, const std::string& text, TPersistent* object) {
  index = std::clamp(index, 0, TabCount());
  tabs_.insert(tabs_.begin() + index, TTab{text, object, false});
  if (tabIndex_ >= index) ++tabIndex_;
  Relayout();
}

void TCustomTabControl::DeleteTab(int index) {
  if (index < 0 || index >= TabCount()) return;
  tabs_.erase(tabs_.begin() + index);
  if (tabIndex_ == index)
    tabIndex_ = -1;
  else if (tabIndex_ > index)
    --tabIndex_;
  Relayout();
}

void TCustomTabControl::MoveTab(int from, int to) {
  if (from < 0 || from >= TabCount() || to < 0 || to >= TabCount() || from == to) return;
  TTab tab = tabs_[std::size_t(from)];
  tabs_.erase(tabs_.begin() + from);
  tabs_.insert(tabs_.begin() + to, tab);
  if (tabIndex_ == from)
    tabIndex_ = to;
  else if (from < tabIndex_ && to >= tabIndex_)
    --tabIndex_;
  else if (from > tabIndex_ && to <= tabIndex_)
    ++tabIndex_;
  Relayout();
}

void TCustomTabControl::SetHighlighted(int index, bool value) {
  if (index < 0 || index >= TabCount()) return;
  tabs_[std::size_t(index)].highlighted = value;
  Invalidate();
}

void TCustomTabControl::SetTabIndex(int index) {
  if (index < -1 || index >= TabCount()) index = -1;
  tabIndex_ = index;
  Invalidate();
}

void TCustomTabControl::SetTabHeight(int value) {
  if (value == tabHeight_) return;
  tabHeight_ = value;
  Relayout();
}

void TCustomTabControl::SetImageRoom(int value) {
  if (value == imageRoom_) return;
  imageRoom_ = value;
  Relayout();
}

void TCustomTabControl::FontChanged() {
  TCustomControl::FontChanged();
  Relayout();
}

TRect TCustomTabControl::TabRect(int index) const {
  if (index < 0 || index >= int(rects_.size())) return TRect(0, 0, 0, 0);
  return rects_[std::size_t(index)];
}

int TCustomTabControl::IndexOfTabAt(TPoint p) const {
  for (std::size_t i = 0; i < rects_.size(); ++i) {
    const TRect& r = rects_[i];
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return int(i);
  }
  return -1;
}

TRect TCustomTabControl::DisplayRect() const {
  const int rowBottom = rects_.empty() ? 2 : rects_.front().Bottom;
  return TRect(4, rowBottom + 4, std::max(4, Width() - 4), std::max(rowBottom + 4, Height() - 4));
}

void TCustomTabControl::AlignControls(TControl* control, TRect& rect) {
  rect = DisplayRect();
  TCustomControl::AlignControls(control, rect);
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::SelectByUser(int index) {
  if (index < 0 || index >= TabCount() || index == tabIndex_) return;
  if (!CanChange()) return;
  tabIndex_ = index;
  Invalidate();
  Change();
}

void TCustomTabControl::Paint() {
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void TCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  const int index = IndexOfTabAt(TPoint(x, y));
  if (index >= 0) SelectByUser(index);
}

void TCustomTabControl::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (TabCount() == 0) return;
  if (key == VK_LEFT && tabIndex_ > 0) SelectByUser(tabIndex_ - 1);
  if (key == VK_RIGHT && tabIndex_ + 1 < TabCount()) SelectByUser(tabIndex_ + 1);
}
