#include "platform/forms/TabControl.h"

#include <algorithm>

#include "platform/forms/ImgList.h"
#include "platform/forms/Messages.h"
#include "platform/graphics/ClassicEdges.h"
#include "platform/graphics/GdiGuards.h"

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
  lengths_.clear();
  thickness_ = tabHeight_ > 0 ? tabHeight_ : MeasureIn(font_, "gh").cy + 6;
  const int images = tabImages_ ? (Vertical() ? tabImages_->Height() : tabImages_->Width()) : 0;
  for (int i = 0; i < TabCount(); ++i)
    lengths_.push_back(MeasureIn(font_, tabs_[std::size_t(i)].text).cx + 12 + imageRoom_ +
                       (images > 0 && GetImageIndex(i) >= 0 ? images : 0));
  placed_ = false;
  Realign();
  Invalidate();
}

const std::vector<TRect>& TCustomTabControl::Rects() const {
  if (placed_) return rects_;
  placed_ = true;
  const int n = int(lengths_.size());
  rects_.assign(std::size_t(n), TRect(0, 0, 0, 0));
  // Rows: all tabs in one, or wrapped at the room along the side.
  const int room = (Vertical() ? Height() : Width()) - 4;
  std::vector<std::vector<int>> rows;
  int along = 0;
  for (int i = 0; i < n; ++i) {
    if (rows.empty() || (multiLine_ && along > 0 && along + lengths_[std::size_t(i)] > room)) {
      rows.emplace_back();
      along = 0;
    }
    rows.back().push_back(i);
    along += lengths_[std::size_t(i)];
  }
  // The selected tab's row moves next to the pages; the others keep their
  // order, outermost first.
  for (std::size_t k = 0; k < rows.size(); ++k)
    if (std::find(rows[k].begin(), rows[k].end(), tabIndex_) != rows[k].end())
      std::rotate(rows.begin(), rows.begin() + std::ptrdiff_t(k) + 1, rows.end());
  rowCount_ = int(rows.size());
  scrolling_ = !multiLine_ && !Vertical() && along > room;
  const int t = thickness_;
  for (int k = 0; k < rowCount_; ++k) {
    int pos = 2;
    // A scrolling row starts with its first shown tab; the ones before lie
    // out of sight to the left.
    if (scrolling_)
      for (int i = 0; i < std::min(firstShown_, n); ++i)
        pos -= lengths_[std::size_t(i)];
    for (int i : rows[std::size_t(k)]) {
      const int len = lengths_[std::size_t(i)];
      TRect& r = rects_[std::size_t(i)];
      switch (tabPosition_) {
      case TTabPosition::tpTop:
        r = TRect(pos, 2 + k * t, pos + len, 2 + (k + 1) * t);
        break;
      case TTabPosition::tpBottom:
        r = TRect(pos, Height() - 2 - (k + 1) * t, pos + len, Height() - 2 - k * t);
        break;
      case TTabPosition::tpLeft:
        r = TRect(2 + k * t, pos, 2 + (k + 1) * t, pos + len);
        break;
      case TTabPosition::tpRight:
        r = TRect(Width() - 2 - (k + 1) * t, pos, Width() - 2 - k * t, pos + len);
        break;
      }
      pos += len;
    }
  }
  return rects_;
}

bool TCustomTabControl::Scrolling() const {
  Rects();
  return scrolling_;
}

int TCustomTabControl::LastFirstShown() const {
  const int room = Width() - 4 - 35;
  int k = int(lengths_.size()), along = 0;
  while (k > 0 && along + lengths_[std::size_t(k - 1)] <= room)
    along += lengths_[std::size_t(--k)];
  return std::min(k, std::max(0, int(lengths_.size()) - 1));
}

void TCustomTabControl::ScrollTo(int first) {
  first = std::clamp(first, 0, LastFirstShown());
  if (first == firstShown_) return;
  firstShown_ = first;
  placed_ = false;
  Invalidate();
}

void TCustomTabControl::EnsureShown(int index) {
  if (index < 0 || !Scrolling()) return;
  if (index < firstShown_) {
    ScrollTo(index);
    return;
  }
  while (firstShown_ < index && TabRect(index).Right > Width() - 35) {
    const int before = firstShown_;
    ScrollTo(firstShown_ + 1);
    if (firstShown_ == before) break; // the last tabs all show already
  }
}

TRect TCustomTabControl::ScrollButtonRect(bool right) const {
  if (!Scrolling() || rects_.empty()) return TRect(0, 0, 0, 0);
  const TRect row = rects_.front();
  const int h = std::max(10, thickness_ - 4);
  const int top = row.Top + (thickness_ - h) / 2;
  const int left = Width() - 34 + (right ? 16 : 0);
  return TRect(left, top, left + 16, top + h);
}

void TCustomTabControl::PaintScrollButtons(TCanvas* canvas) {
  if (!Scrolling()) return;
  for (bool right : {false, true}) {
    RECT r = ScrollButtonRect(right);
    const bool atEnd = right ? firstShown_ >= LastFirstShown() : firstShown_ <= 0;
    DrawFrameControl(canvas->Handle(), &r, DFC_SCROLL,
                     (right ? DFCS_SCROLLRIGHT : DFCS_SCROLLLEFT) | (atEnd ? DFCS_INACTIVE : 0u));
  }
}

int TCustomTabControl::RowCount() const {
  Rects();
  return rowCount_;
}

void TCustomTabControl::SetMultiLine(bool value) {
  if (value == multiLine_) return;
  multiLine_ = value;
  Relayout();
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
  if (value == tabPosition_) return;
  tabPosition_ = value;
  Relayout();
}

void TCustomTabControl::BoundsChanged(bool sizeChanged) {
  TCustomControl::BoundsChanged(sizeChanged);
  if (sizeChanged) placed_ = false;
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
  placed_ = false;
  if (multiLine_) Realign(); // the rows may have moved
  EnsureShown(index);
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

void TCustomTabControl::SetTabImages(TCustomImageList* images) {
  if (images == tabImages_) return;
  if (tabImages_) tabImages_->RemoveFreeNotification(this);
  tabImages_ = images;
  if (images) images->FreeNotification(this);
  Relayout();
}

int TCustomTabControl::GetImageIndex(int tabIndex) {
  int index = tabIndex;
  if (OnGetImageIndex) OnGetImageIndex(this, tabIndex, index);
  return index;
}

void TCustomTabControl::SetOwnerDraw(bool value) {
  if (value == ownerDraw_) return;
  ownerDraw_ = value;
  Invalidate();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr &&
      component == static_cast<TComponent*>(tabImages_)) {
    tabImages_ = nullptr;
    Relayout();
  }
}

void TCustomTabControl::FontChanged() {
  TCustomControl::FontChanged();
  Relayout();
}

TRect TCustomTabControl::TabRect(int index) const {
  const std::vector<TRect>& rects = Rects();
  if (index < 0 || index >= int(rects.size())) return TRect(0, 0, 0, 0);
  return rects[std::size_t(index)];
}

int TCustomTabControl::IndexOfTabAt(TPoint p) const {
  const std::vector<TRect>& rects = Rects();
  // The scroll buttons cover the tabs beneath them.
  if (scrolling_ && p.x >= Width() - 35) return -1;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const TRect& r = rects[i];
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return int(i);
  }
  return -1;
}

TRect TCustomTabControl::DisplayRect() const {
  const int strip = 2 + RowCount() * thickness_ + 4; // the rows and the gap to the page
  const int W = Width(), H = Height();
  TRect r(4, 4, W - 4, H - 4);
  switch (tabPosition_) {
  case TTabPosition::tpTop:
    r.Top = strip;
    break;
  case TTabPosition::tpBottom:
    r.Bottom = H - strip;
    break;
  case TTabPosition::tpLeft:
    r.Left = strip;
    break;
  case TTabPosition::tpRight:
    r.Right = W - strip;
    break;
  }
  r.Right = std::max(r.Left, r.Right);
  r.Bottom = std::max(r.Top, r.Bottom);
  return r;
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
  NMHDR header{HandleAllocated() ? Handle() : HWND(0), 0, TCN_SELCHANGING};
  if (Perform(CN_NOTIFY, 0, LPARAM(&header)) != 0) return;
  SetTabIndex(index);
  header.code = TCN_SELCHANGE;
  Perform(CN_NOTIFY, 0, LPARAM(&header));
}

void TCustomTabControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTARROWS;
    return;
  }
  if (m.Msg == CN_NOTIFY && m.LParam != 0) {
    const int code = reinterpret_cast<const NMHDR*>(m.LParam)->code;
    if (code == TCN_SELCHANGING) {
      m.Result = CanChange() ? 0 : 1;
      return;
    }
    if (code == TCN_SELCHANGE) {
      Change();
      m.Result = 0;
      return;
    }
  }
  TCustomControl::Dispatch(m);
}

void TCustomTabControl::Paint() {
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
  if (!ownerDraw_) PaintTabsRaised(Canvas());
  PaintScrollButtons(Canvas());
}

void TCustomTabControl::PaintTabsRaised(TCanvas* c) {
  HDC dc = c->Handle();
  const int W = Width(), H = Height();
  // The page's frame lies 4 pixels outside the page area.
  const TRect page = DisplayRect();
  RECT frame(page.Left - 4, page.Top - 4, page.Right + 4, page.Bottom + 4);
  frame = TRect(std::max(0, frame.Left), std::max(0, frame.Top), std::min(W, frame.Right),
                std::min(H, frame.Bottom));
  DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  UINT sides = BF_LEFT | BF_TOP | BF_RIGHT;
  switch (tabPosition_) {
  case TTabPosition::tpTop:
    break;
  case TTabPosition::tpBottom:
    sides = BF_LEFT | BF_BOTTOM | BF_RIGHT;
    break;
  case TTabPosition::tpLeft:
    sides = BF_LEFT | BF_TOP | BF_BOTTOM;
    break;
  case TTabPosition::tpRight:
    sides = BF_RIGHT | BF_TOP | BF_BOTTOM;
    break;
  }
  // The others first; the selected tab stands 2 pixels out and covers the
  // frame's edge next to it, joining the page.
  std::vector<int> order;
  for (int i = 0; i < TabCount(); ++i)
    if (i != tabIndex_) order.push_back(i);
  if (tabIndex_ >= 0) order.push_back(tabIndex_);
  for (int i : order) {
    TRect r = TabRect(i);
    if (r.Right <= r.Left) continue;
    if (scrolling_ && r.Left >= W - 35) continue;
    const bool selected = i == tabIndex_;
    if (selected) r = TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(tabs_[std::size_t(i)].highlighted ? clHighlight : Color());
    c->FillRect(r);
    RECT edge = r;
    DrawEdge(dc, &edge, EDGE_RAISED, sides);
    PaintRaisedTabContent(c, i, r, selected);
  }
}

void TCustomTabControl::PaintRaisedTabContent(TCanvas* c, int index, const TRect& r, bool) {
  TCanvasStateSaver saved(c);
  HDC dc = c->Handle();
  const bool vertical = Vertical();
  int x = r.Left + 6, y = r.Top + 3;
  if (vertical) {
    x = r.Left + 3;
    y = tabPosition_ == TTabPosition::tpLeft ? r.Bottom - 6 : r.Top + 6;
  }
  const int image = tabImages_ ? GetImageIndex(index) : -1;
  if (tabImages_ && image >= 0 && image < tabImages_->Count()) {
    if (!vertical) {
      tabImages_->Draw(c, x, r.Top + (r.Bottom - r.Top - tabImages_->Height()) / 2, image);
      x += tabImages_->Width();
    } else if (tabPosition_ == TTabPosition::tpLeft) {
      y -= tabImages_->Height();
      tabImages_->Draw(c, r.Left + (r.Right - r.Left - tabImages_->Width()) / 2, y, image);
    } else {
      tabImages_->Draw(c, r.Left + (r.Right - r.Left - tabImages_->Width()) / 2, y, image);
      y += tabImages_->Height();
    }
  }
  const std::string& text = tabs_[std::size_t(index)].text;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc,
               ColorToRGB(tabs_[std::size_t(index)].highlighted ? clHighlightText : font_.Color()));
  // Left tabs read upward, right tabs downward.
  LOGFONT lf = font_.MakeLogFont();
  if (vertical) {
    lf.lfEscapement = lf.lfOrientation = tabPosition_ == TTabPosition::tpLeft ? 900 : 2700;
    if (tabPosition_ == TTabPosition::tpRight) x = r.Right - 3;
  }
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  TextOut(dc, x, y, text.c_str(), int(text.size()));
  SelectObject(dc, old);
  DeleteObject(font);
}

void TCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  for (bool right : {false, true}) {
    const TRect b = ScrollButtonRect(right);
    if (x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom) {
      ScrollTo(firstShown_ + (right ? 1 : -1));
      return;
    }
  }
  const int index = IndexOfTabAt(TPoint(x, y));
  if (index >= 0) SelectByUser(index);
}

void TCustomTabControl::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (TabCount() == 0) return;
  const bool back = key == VK_LEFT || (Vertical() && key == VK_UP);
  const bool ahead = key == VK_RIGHT || (Vertical() && key == VK_DOWN);
  if (back && tabIndex_ > 0) SelectByUser(tabIndex_ - 1);
  if (ahead && tabIndex_ + 1 < TabCount()) SelectByUser(tabIndex_ + 1);
}
