// The page control's pages: the page list, activation, tab texts, the
// user's tab changes, keyboard steps and accelerators, and the close glyph.
#include "controls/OwPageControl.h"

#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Format.h"

// ---- TTabMargin --------------------------------------------------------------------------------

void TTabMargin::SetMargin(int index, int value) {
  if (index < 0 || index > 2) throw Exception(Format("Invalid property index %d.", {index}));
  const int old = values_[index];
  if (old == value) return;
  if (OnChange) OnChange(value, old, index);
  values_[index] = value;
}

void TTabMargin::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TTabMargin*>(source);
  if (!other) return;
  std::copy(std::begin(other->values_), std::end(other->values_), values_);
}

// ---- construction -----------------------------------------------------------------------------

TOwPageControl::TOwPageControl(TComponent* owner)
    : TCustomTabControl(owner), tabMargin_(std::make_unique<TTabMargin>()),
      closeGlyph_(std::make_unique<TBitmap>()), tabBackGround_(std::make_unique<TBitmap>()),
      tabBackGroundActive_(std::make_unique<TBitmap>()) {
  controlStyle_ = {TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks};
  // The margins are 0 before the notification is wired, so none runs.
  tabMargin_->OnChange = [this](int n, int o, int i) { MarginChanged(n, o, i); };
  activeFont_.SetName("Tahoma");
  activeFont_.OnChange = [this] {
    if (activePage_) UpdateActiveTabText(activePage_);
  };
  parentColor_ = true;
  SetOwnerDraw(true);
}

TOwPageControl::~TOwPageControl() {
  for (TOwTabSheet* page : pages_) {
    page->pageControl_ = nullptr;
    page->listed_ = false;
  }
  pages_.clear();
  activePage_ = nullptr;
}

void TOwPageControl::Loaded() {
  TCustomTabControl::Loaded();
  for (TOwTabSheet* page : pages_)
    page->SetHighlighted(page->Highlighted());
  UpdateImageSpacing();
  loaded_ = true;
  for (int i = PageCount() - 1; i >= 0; --i)
    UpdateTabText(pages_[std::size_t(i)]);
  UpdateActiveTabText(activePage_);
}

void TOwPageControl::Notification(TComponent* component, TOperation operation) {
  TCustomTabControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr &&
      component == static_cast<TComponent*>(images_))
    SetImages(nullptr);
}

// ---- pages ------------------------------------------------------------------------------------

int TOwPageControl::ActiveIndex() const {
  return activePage_ ? activePage_->PageIndex() : -1;
}

void TOwPageControl::SetActivePage(TOwTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  SelectPage(page);
  if (!page) {
    SetTabIndex(-1);
    activePage_ = nullptr; // the sheet that was active stays visible
  } else if (page == activePage_) {
    SetTabIndex(page->VisibleTabIndex());
  }
}

void TOwPageControl::SelectPage(TOwTabSheet* page) {
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  if (!page || page == activePage_ || (!page->TabEnable() && !designing)) return;
  TOwTabSheet* old = activePage_;
  TForm* form = GetParentForm(this);
  // Step 2: the focus leaves the old page first (it may refuse).
  if (form && old && form->ActiveControl()) {
    for (TControl* c = form->ActiveControl(); c; c = c->Parent())
      if (c == old) {
        form->SetActiveControl(old);
        if (form->ActiveControl() != old) {
          SetTabIndex(old->VisibleTabIndex());
          return;
        }
        break;
      }
  }
  page->BringToFront();
  page->SetVisible(true);
  if (form && old && form->ActiveControl() == old)
    form->SetActiveControl(page->CanFocus() ? static_cast<TWinControl*>(page) : this);
  if (old) old->SetVisible(false);
  activePage_ = page;
  UpdateActiveTabText(old);
  UpdateActiveTabText(page);
  if (form && form->ActiveControl() == page) page->SetFocus();
}

TOwTabSheet* TOwPageControl::NextVisiblePage(TOwTabSheet* start, bool forward,
                                             bool visibleOnly) const {
  const int count = PageCount();
  if (count == 0) return nullptr;
  int at = start ? start->PageIndex() : -1;
  if (at < 0) at = forward ? count - 1 : 0;
  const int first = at;
  do {
    at = forward ? (at + 1) % count : (at + count - 1) % count;
    TOwTabSheet* page = pages_[std::size_t(at)];
    if (!visibleOnly || page->TabVisible()) return page;
  } while (at != first);
  return nullptr;
}

void TOwPageControl::StepPage(bool forward) {
  TOwTabSheet* next = NextVisiblePage(activePage_, forward, true);
  if (!next || next == activePage_ || !CanChange()) return;
  SetTabIndex(next->VisibleTabIndex());
  Change();
}

void TOwPageControl::InsertPage(TOwTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  page->RefreshTabListed();
}

void TOwPageControl::RemovePage(TOwTabSheet* page) {
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  TOwTabSheet* next = NextVisiblePage(page, true, !designing);
  page->SetTabListed(false);
  page->pageControl_ = nullptr;
  pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
  if (activePage_ == page) activePage_ = nullptr;
  SetActivePage(next == page ? nullptr : next);
}

void TOwPageControl::ListTab(TOwTabSheet* page) {
  InsertTab(page->VisibleTabIndex(), page->TabText(), page);
  UpdateActivePageFromTab();
}

void TOwPageControl::UnlistTab(TOwTabSheet* page, int formerIndex) {
  DeleteTab(formerIndex);
  if (page == activePage_) SetTabIndex(std::min(formerIndex, TabCount() - 1));
  UpdateActivePageFromTab();
}

void TOwPageControl::MoveTabOf(TOwTabSheet* page, int from, int to) {
  (void)page;
  MoveTab(from, to);
}

void TOwPageControl::UpdateActivePageFromTab() {
  if (TabIndex() < 0) {
    SetActivePage(nullptr);
    return;
  }
  SetActivePage(dynamic_cast<TOwTabSheet*>(TabObject(TabIndex())));
}

int TOwPageControl::PageIndexAt(TPoint p) const {
  int tab = IndexOfTabAt(p);
  if (tab < 0) return -1;
  // Map the visible tab index to its page, skipping pages without a tab.
  for (int i = 0; i < PageCount(); ++i) {
    if (!pages_[std::size_t(i)]->TabListed()) continue;
    if (tab-- == 0) return i;
  }
  return -1;
}

TRect TOwPageControl::PageTabRect(int pageIndex) const {
  if (pageIndex < 0 || pageIndex >= PageCount()) return TRect(0, 0, 0, 0);
  return TabRect(pages_[std::size_t(pageIndex)]->VisibleTabIndex());
}

bool TOwPageControl::CanShowTab(int tabIndex) const {
  // The tab index is a visible index: map it to its page first.
  for (TOwTabSheet* page : pages_)
    if (page->VisibleTabIndex() == tabIndex) return page->Enabled();
  return false;
}

// ---- tab texts --------------------------------------------------------------------------------

void TOwPageControl::UpdateTabText(TOwTabSheet* page) {
  if (!page || page->VisibleTabIndex() < 0) return;
  if (tabBorder3D_) {
    SetTabText(page->VisibleTabIndex(), page->Caption());
    return;
  }
  const bool heavy = (activeFont_.Style() & (fsBold | fsItalic)) != 0;
  if (page == activePage_ && heavy)
    UpdateActiveTabText(page);
  else
    SetTabText(page->VisibleTabIndex(), page->TabText());
}

void TOwPageControl::UpdateActiveTabText(TOwTabSheet* page) {
  if (!page || tabBorder3D_) return;
  const int index = page->VisibleTabIndex();
  if (index < 0 || index >= TabCount()) return;
  const bool heavy = (activeFont_.Style() & (fsBold | fsItalic)) != 0;
  if (page != activePage_ || !heavy) {
    SetTabText(index, page->TabText());
    return;
  }
  // Widen the active tab for its heavier font with spaces in the normal font.
  int w1 = 0, w2 = 0, h = 0;
  MeasureTextInFont(activeFont_, page->TabText(), w1, h);
  MeasureTextInFont(font_, page->TabText(), w2, h);
  std::string padding;
  int pw = 0;
  while (pw < w1 - w2) {
    padding += ' ';
    MeasureTextInFont(font_, padding, pw, h);
  }
  SetTabText(index, page->TabText() + padding);
}

// ---- user changes -----------------------------------------------------------------------------

bool TOwPageControl::CanChange() {
  int target = PageIndexAt(ScreenToClient(Mouse()->CursorPos()));
  if (target < 0) {
    const bool back = KeyboardStateToShiftState().Contains(TShiftStateItem::ssShift);
    target = ActiveIndex() + (back ? -1 : 1);
    if (target >= PageCount()) target = 0;
    if (target < 0) target = PageCount() - 1;
  }
  bool allow = true;
  if (OnCanChange) OnCanChange(this, ActiveIndex(), target, allow);
  if (!allow) {
    // The selection stays: multi-line rows do not move, so redraw again.
    if (MultiLine()) UnlockTabRedraw();
    return false;
  }
  return TCustomTabControl::CanChange();
}

void TOwPageControl::LockTabRedraw() {
  if (!Visible() || IsLoading()) return;
  ++redrawLock_;
  if (HandleAllocated()) SendMessage(Handle(), WM_SETREDRAW, 0, 0);
}

void TOwPageControl::UnlockTabRedraw() {
  if (!Visible()) return;
  if (redrawLock_ > 0) --redrawLock_;
  if (redrawLock_ == 0 && HandleAllocated()) {
    SendMessage(Handle(), WM_SETREDRAW, 1, 0);
    InvalidateRect(Handle(), nullptr, false);
  }
}

void TOwPageControl::Notify(TMessage& m) {
  const int code = m.LParam ? reinterpret_cast<const NMHDR*>(m.LParam)->code : 0;
  if (code == TCN_SELCHANGING) {
    if (MultiLine()) LockTabRedraw();
    TCustomTabControl::Dispatch(m);
  } else if (code == TCN_SELCHANGE) {
    TCustomTabControl::Dispatch(m);
    if (MultiLine()) UnlockTabRedraw();
  } else {
    TCustomTabControl::Dispatch(m);
  }
}

void TOwPageControl::Change() {
  UpdateActivePageFromTab();
  TabChanged();
}

void TOwPageControl::TabChanged() {
  TCustomTabControl::Change(); // OnChange
  Invalidate();
}

void TOwPageControl::DialogKey(TMessage& m) {
  const TShiftState shift = KeyboardStateToShiftState();
  bool inside = Focused();
  if (TForm* form = GetParentForm(this))
    for (TControl* c = form->ActiveControl(); c && !inside; c = c->Parent())
      inside = c == this;
  if (inside && m.WParam == VK_TAB && shift.Contains(TShiftStateItem::ssCtrl)) {
    StepPage(!shift.Contains(TShiftStateItem::ssShift));
    m.Result = 1;
    return;
  }
  TCustomTabControl::Dispatch(m);
}

void TOwPageControl::DialogChar(TMessage& m) {
  auto upper = [](int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  for (int i = 0; i < PageCount(); ++i) {
    TOwTabSheet* page = pages_[std::size_t(i)];
    const std::string& caption = page->Caption();
    const std::size_t amp = caption.find('&');
    const bool accel = amp != std::string::npos && amp + 1 < caption.size() &&
                       caption[amp + 1] != '&' &&
                       upper((unsigned char)caption[amp + 1]) == upper(int(m.WParam));
    const int tab = page->VisibleTabIndex();
    if (!accel || tab < 0 || !CanShowTab(tab) || !CanFocus()) continue;
    m.Result = 1;
    bool allow = true;
    if (OnCanChange) OnCanChange(this, ActiveIndex(), i, allow);
    if (allow) {
      // The selection is the page's visible tab, not its page index.
      SetTabIndex(tab);
      Change();
    }
    return;
  }
  TCustomTabControl::Dispatch(m);
}

void TOwPageControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CN_NOTIFY:
    Notify(m);
    return;
  case CM_DIALOGKEY:
    DialogKey(m);
    return;
  case CM_DIALOGCHAR:
    DialogChar(m);
    return;
  case CM_MOUSELEAVE:
    TCustomTabControl::Dispatch(m);
    if (hoverIndex_ != -1) {
      const TRect r = PageTabRect(hoverIndex_);
      if (HandleAllocated()) InvalidateRect(Handle(), &r, true);
    }
    hoverIndex_ = -1;
    return;
  case CM_DOCKCLIENT:
    DockClient(m);
    return;
  case CM_UNDOCKCLIENT:
    UnDockClient(m);
    return;
  case CM_DOCKNOTIFICATION:
    DockNotification(m);
    return;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK: {
    TFreeWatch watch(this);
    TCustomTabControl::Dispatch(m);
    if (!watch.Freed()) DockTabMouse(m);
    return;
  }
  case WM_ERASEBKGND:
    if (!tabBorder3D_ && TabCount() > 0 && redrawLock_ <= 0) {
      m.Result = 1;
      return;
    }
    TCustomTabControl::Dispatch(m);
    return;
  default:
    TCustomTabControl::Dispatch(m);
  }
}

// ---- close glyph and hover --------------------------------------------------------------------

bool TOwPageControl::CloseGlyphHit(int pageIndex, TPoint p) const {
  TRect r = PageTabRect(pageIndex);
  TRect glyph;
  if (TabPosition() == TTabPosition::tpLeft) {
    r.Left += tabMargin_->LeftMargin();
    r.Bottom -= tabMargin_->TopMargin();
    if (!tabBackGroundActive_->Empty()) {
      r.Left += 2;
      r.Bottom += tabOverlap_;
    }
    glyph = TRect(r.Left + 2, r.Bottom - 13, r.Left + 14, r.Bottom - 2);
  } else {
    r.Left += tabMargin_->LeftMargin();
    r.Top += tabMargin_->TopMargin();
    glyph = TRect(r.Left + 2, r.Top + 2, r.Left + 14, r.Top + 13);
  }
  return p.x >= glyph.Left && p.x < glyph.Right && p.y >= glyph.Top && p.y < glyph.Bottom;
}

void TOwPageControl::OnWindowCanvas(const std::function<void(TCanvas*)>& draw) {
  if (!HandleAllocated()) return;
  HWND window = Handle();
  HDC dc = GetDC(window);
  auto release = ScopeExit([window, dc] { ReleaseDC(window, dc); });
  TCanvas canvas;
  canvas.SetHandle(dc);
  auto detach = ScopeExit([&canvas] { canvas.SetHandle(nullptr); });
  draw(&canvas);
}

TRect TOwPageControl::ActiveTabBody() const {
  // As the painter shifts a tab drawn without a skin, so that the looks
  // drawn on the pointer's moves land on the painted glyph.
  TRect r = PageTabRect(ActiveIndex());
  if (!tabBackGround_->Empty()) return r;
  if (TabPosition() == TTabPosition::tpTop) r.Top -= 1;
  if (TabPosition() == TTabPosition::tpBottom) r.Bottom += 1;
  if (TabPosition() == TTabPosition::tpLeft) r.Left -= 1;
  return r;
}

bool TOwPageControl::OnActiveCloseGlyph(TPoint p) const {
  if (!activePage_ || !activePage_->ShowClose() || tabBorder3D_) return false;
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) return false;
  return CloseGlyphHit(ActiveIndex(), p);
}

void TOwPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomTabControl::MouseDown(button, shift, x, y);
  if (!OnActiveCloseGlyph(TPoint(x, y))) return;
  // A docking site closes at once; otherwise the glyph shows pressed until
  // the release, which closes.
  if (DockSite())
    CloseActivePage();
  else
    OnWindowCanvas([this](TCanvas* c) { DrawCloseGlyphDown(c, ActiveTabBody()); });
}

void TOwPageControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomTabControl::MouseUp(button, shift, x, y);
  // A docking site closed on the press: the release would close the page
  // that took the closed one's place under the pointer as well.
  if (button != TMouseButton::mbLeft || DockSite()) return;
  if (OnActiveCloseGlyph(TPoint(x, y))) CloseActivePage();
}

void TOwPageControl::CloseActivePage() {
  TOwTabSheet* page = activePage_;
  TOwTabSheet* next = NextVisiblePage(page, true, true);
  if (!page->QueryCanClose()) return;
  page->NotifyClosed();
  SetActivePage(next == page ? nullptr : next);
  TabChanged();
  if (freeOnClose_)
    delete page;
  else
    page->AttachToPageControl(nullptr);
  Invalidate();
}

void TOwPageControl::MouseMove(TShiftState shift, int x, int y) {
  TCustomTabControl::MouseMove(shift, x, y);
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || tabHoverColor_ == clNone ||
      tabBorder3D_)
    return;
  if (tabBackGround_->Empty()) {
    const int index = PageIndexAt(TPoint(x, y));
    if (index != hoverIndex_ && HandleAllocated()) {
      if (hoverIndex_ >= 0) {
        const TRect old = PageTabRect(hoverIndex_);
        InvalidateRect(Handle(), &old, true);
      }
      hoverIndex_ = index;
      if (index >= 0) {
        const TRect now = PageTabRect(index);
        InvalidateRect(Handle(), &now, true);
      }
    }
  }
  // The close glyph lights up under the pointer.
  if (!activePage_ || !activePage_->ShowClose()) return;
  const bool on = CloseGlyphHit(ActiveIndex(), TPoint(x, y));
  if (closeGlyphHot_ && !on) {
    OnWindowCanvas([this](TCanvas* c) { DrawCloseGlyph(c, ActiveTabBody(), true); });
    closeGlyphHot_ = false;
  } else if (!closeGlyphHot_ && on) {
    OnWindowCanvas([this](TCanvas* c) { DrawCloseGlyphHot(c, ActiveTabBody()); });
    closeGlyphHot_ = true;
  }
}

// ---- appearance setters -----------------------------------------------------------------------

void TOwPageControl::SetActiveColor(TColor v) {
  activeColor_ = v;
  Invalidate();
}
void TOwPageControl::SetActiveColorTo(TColor v) {
  activeColorTo_ = v;
  Invalidate();
}
void TOwPageControl::SetTabBorderColor(TColor v) {
  tabBorderColor_ = v;
  Invalidate();
}
void TOwPageControl::SetDefaultTextColor(TColor v) {
  for (TOwTabSheet* p : pages_)
    if (p->TextColor() == defaultTextColor_) p->textColor_ = v;
  defaultTextColor_ = v;
  Invalidate();
}
void TOwPageControl::SetDefaultTabColor(TColor v) {
  for (TOwTabSheet* p : pages_)
    if (p->TabColor() == defaultTabColor_) p->tabColor_ = v;
  defaultTabColor_ = v;
  Invalidate();
}
void TOwPageControl::SetDefaultTabColorTo(TColor v) {
  for (TOwTabSheet* p : pages_)
    if (p->TabColorTo() == defaultTabColorTo_) p->tabColorTo_ = v;
  defaultTabColorTo_ = v;
  Invalidate();
}
void TOwPageControl::SetTabSheet3D(bool v) {
  if (StoreChanged(tabSheet3D_, v)) Invalidate();
}
void TOwPageControl::SetTabSheetBorderColor(TColor v) {
  if (tabSheetBorderColor_ != v) tabSheetBorderColor_ = v, Invalidate();
}
void TOwPageControl::SetTabBackGroundColor(TColor v) {
  if (tabBackGroundColor_ != v) tabBackGroundColor_ = v, Invalidate();
}
void TOwPageControl::SetTabSplitLine(bool v) {
  if (v && tabStyle_ != TTabStyle::tsClassic)
    throw Exception("TabSplitLine must be false when TabStyle is tsDotNet/tsTarvex");
  if (StoreChanged(tabSplitLine_, v)) Invalidate();
}
void TOwPageControl::SetRoundEdges(bool v) {
  if (StoreChanged(roundEdges_, v)) Invalidate();
}
void TOwPageControl::SetTabStyle(TTabStyle v) {
  if (tabStyle_ != v) tabStyle_ = v, Invalidate();
}
void TOwPageControl::SetLowerActive(int v) {
  if (lowerActive_ != v) lowerActive_ = v, Invalidate();
}
void TOwPageControl::SetTabOverlap(int v) {
  tabOverlap_ = std::clamp(v, 0, 15);
  Invalidate();
}

void TOwPageControl::SetImages(TCustomImageList* images) {
  if (images == images_) return;
  if (images_) {
    images_->RemoveFreeNotification(this);
    SetSpacing(spacing_ - ImagesRoom());
  }
  images_ = images;
  if (images_) {
    images_->FreeNotification(this);
    SetSpacing(spacing_ + ImagesRoom());
  }
  if (tabBorder3D_) SetTabImages(images_);
  Invalidate();
}

void TOwPageControl::SetSpacing(int value) {
  spacing_ = value;
  if (!tabBorder3D_) SetImageRoom(value);
}

void TOwPageControl::SetTabBorder3D(bool v) {
  if (v == tabBorder3D_) return;
  tabBorder3D_ = v;
  // The native tabs show Images; the painter's tabs reserve the spacing.
  SetTabImages(v ? images_ : nullptr);
  SetImageRoom(v ? 0 : spacing_);
  SetOwnerDraw(!v);
  for (int i = PageCount() - 1; i >= 0; --i)
    UpdateTabText(pages_[std::size_t(i)]);
  if (!v) UpdateActiveTabText(activePage_);
  Invalidate();
}

int TOwPageControl::GetImageIndex(int tabIndex) {
  if (OnGetImageIndex) return TCustomTabControl::GetImageIndex(tabIndex);
  for (TOwTabSheet* page : pages_) {
    if (!page->TabListed()) continue;
    if (tabIndex-- == 0) return page->SpacingImageIndex();
  }
  return 0;
}

bool TOwPageControl::VerticalTabs() const {
  return TabPosition() == TTabPosition::tpLeft || TabPosition() == TTabPosition::tpRight;
}

int TOwPageControl::ImagesRoom() const {
  if (!images_) return 0;
  return VerticalTabs() ? images_->Height() : images_->Width();
}

void TOwPageControl::UpdateImageSpacing() {
  if (VerticalTabs())
    SetSpacing(ImagesRoom() + tabMargin_->RightMargin() + tabMargin_->TopMargin());
  else
    SetSpacing(ImagesRoom() + tabMargin_->RightMargin() + tabMargin_->LeftMargin());
}

void TOwPageControl::SetTabPosition(TTabPosition value) {
  TCustomImageList* images = images_;
  SetImages(nullptr);
  TCustomTabControl::SetTabPosition(value);
  SetImages(images);
  UpdateImageSpacing();
}

void TOwPageControl::SetTabBackGround(const TBitmap* bitmap) {
  tabBackGround_->Assign(bitmap);
  if (ComponentState().Contains(TComponentStateItem::csDesigning) && !tabBackGround_->Empty())
    SetTabHeight(VerticalTabs() ? tabBackGround_->Width() - 3 : tabBackGround_->Height() - 3);
  Invalidate();
}

void TOwPageControl::SetTabBackGroundActive(const TBitmap* bitmap) {
  tabBackGroundActive_->Assign(bitmap);
  Invalidate();
}

void TOwPageControl::SetCloseGlyph(const TBitmap* bitmap) {
  closeGlyph_->Assign(bitmap);
  Invalidate();
}

void TOwPageControl::MarginChanged(int newValue, int oldValue, int index) {
  if (loaded_ || ComponentState().Contains(TComponentStateItem::csDesigning)) {
    const bool vertical = VerticalTabs();
    if (index == 0 && !vertical) SetSpacing(ImagesRoom() + tabMargin_->RightMargin() + newValue);
    if (index == 1 && vertical) SetSpacing(ImagesRoom() + tabMargin_->RightMargin() + newValue);
    if (index == 2) SetSpacing(spacing_ - oldValue + newValue);
  }
  Invalidate();
}
