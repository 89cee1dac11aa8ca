// The tab sheet: its tab's text, colours and state, its place in the page
// list, attaching to a page control, and showing and hiding.
#include "controls/OwPageControl.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"

TOwTabSheet::TOwTabSheet(TComponent* owner) : TCustomControl(owner) {
  align_ = TAlign::alClient;
  controlStyle_.Include(TControlStyleItem::csAcceptsControls);
  controlStyle_.Include(TControlStyleItem::csNoDesignVisible);
  classStyle_ &= ~std::uint32_t(CS_HREDRAW | CS_VREDRAW);
  visible_ = false;
}

TOwTabSheet::~TOwTabSheet() {
  if (pageControl_) {
    if (pageControl_->activePage_ == this) pageControl_->activePage_ = nullptr;
    pageControl_->RemovePage(this);
  }
}

void TOwTabSheet::PageControlRepaint() {
  if (pageControl_) pageControl_->Invalidate();
}

void TOwTabSheet::SetText(const std::string& value) {
  // The tab is measured from this text: one space more with a close glyph,
  // else the caption less its last two characters.
  tabText_ = showClose_ ? value + " " : value.substr(0, value.size() >= 2 ? value.size() - 2 : 0);
  TCustomControl::SetText(value);
  if (pageControl_) pageControl_->UpdateTabText(this);
}

void TOwTabSheet::SetTextColor(TColor v) {
  textColor_ = v;
  PageControlRepaint();
}
void TOwTabSheet::SetTabColor(TColor v) {
  tabColor_ = v;
  Invalidate();
  PageControlRepaint();
}
void TOwTabSheet::SetTabColorTo(TColor v) {
  tabColorTo_ = v;
  Invalidate();
  PageControlRepaint();
}
void TOwTabSheet::SetShowClose(bool v) {
  showClose_ = v;
  SetText(Caption());
  PageControlRepaint();
}
void TOwTabSheet::SetTabGradientDirection(TTabGradientDirection v) {
  if (StoreChanged(tabGradientDirection_, v)) PageControlRepaint();
}
void TOwTabSheet::SetImageIndex(int v) {
  imageIndex_ = v < 0 ? -1 : v;
  spacingImageIndex_ = v < 0 ? 0 : v;
  SetText(Caption());
}
void TOwTabSheet::SetTabVisible(bool v) {
  if (!StoreChanged(tabVisible_, v)) return;
  RefreshTabListed();
  if (pageControl_) pageControl_->UpdateTabText(this);
}
void TOwTabSheet::SetHighlighted(bool v) {
  if (!IsLoading() && pageControl_ && VisibleTabIndex() >= 0)
    pageControl_->SetHighlighted(VisibleTabIndex(), v);
  highlighted_ = v;
}
void TOwTabSheet::SetTabEnable(bool v) {
  if (v == tabEnable_) return;
  if (pageControl_ && !v && pageControl_->ActivePage() == this)
    throw Exception("Can not disable active tab.");
  tabEnable_ = v;
  PageControlRepaint();
}
void TOwTabSheet::SetColorTo(TColor v) {
  colorTo_ = v;
  Invalidate();
  PageControlRepaint();
}
void TOwTabSheet::SetSheetColor(TColor v) {
  SetColor(v);
  PageControlRepaint();
}

int TOwTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  for (std::size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == this) return int(i);
  return -1;
}

void TOwTabSheet::SetPageIndex(int value) {
  if (!pageControl_) return;
  auto& pages = pageControl_->pages_;
  const int last = int(pages.size()) - 1;
  if (value > last)
    throw EListError(Format("%d is an invalid PageIndex value.  PageIndex must be between 0 and %d",
                            {value, last}));
  if (value < 0) throw EListError(Format("List index out of bounds (%d)", {value}));
  const int from = PageIndex();
  const int tab = VisibleTabIndex();
  pages.erase(pages.begin() + from);
  pages.insert(pages.begin() + value, this);
  if (tab >= 0) pageControl_->MoveTabOf(this, tab, VisibleTabIndex());
}

void TOwTabSheet::AttachToPageControl(TOwPageControl* p) {
  if (p == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  attaching_ = true;
  TCustomControl::SetParent(p);
  attaching_ = false;
  if (!p) return;
  p->InsertPage(this);
  if (textColor_ == clBlack) textColor_ = p->DefaultTextColor();
  if (tabColor_ == clNone) tabColor_ = p->DefaultTabColor();
  if (tabColorTo_ == clNone) tabColorTo_ = p->DefaultTabColorTo();
}

void TOwTabSheet::SetParent(TWinControl* parent) {
  if (attaching_) return TCustomControl::SetParent(parent);
  if (auto* p = dynamic_cast<TOwPageControl*>(parent))
    AttachToPageControl(p);
  else
    TCustomControl::SetParent(parent);
}

int TOwTabSheet::VisibleTabIndex() const {
  if (!listed_ || !pageControl_) return -1;
  int index = 0;
  for (TOwTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->listed_) ++index;
  }
  return -1;
}

void TOwTabSheet::SetTabListed(bool listed) {
  if (listed == listed_) return;
  if (listed) {
    listed_ = true;
    pageControl_->ListTab(this);
  } else {
    const int index = VisibleTabIndex();
    listed_ = false;
    pageControl_->UnlistTab(this, index);
  }
}

void TOwTabSheet::RefreshTabListed() {
  SetTabListed(pageControl_ != nullptr && tabVisible_);
}

bool TOwTabSheet::QueryCanClose() {
  bool canClose = true;
  if (OnCanClose) OnCanClose(this, canClose);
  return canClose;
}

void TOwTabSheet::NotifyClosed() {
  if (OnClose) OnClose(this);
}

void TOwTabSheet::NotifyShown() {
  if (OnShow) OnShow(this);
}

void TOwTabSheet::NotifyHidden() {
  if (OnHide) OnHide(this);
}

void TOwTabSheet::VisibleChanged() {
  TCustomControl::VisibleChanged();
  try {
    if (Visible())
      NotifyShown();
    else
      NotifyHidden();
  } catch (const std::exception&) {
    Application()->HandleException(this);
  }
}

void TOwTabSheet::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CM_TEXTCHANGED:
    TCustomControl::Dispatch(m);
    if (listed_ && pageControl_) pageControl_->UpdateTabText(this);
    return;
  case CM_ENABLEDCHANGED:
    TCustomControl::Dispatch(m);
    PageControlRepaint();
    return;
  default:
    TCustomControl::Dispatch(m);
  }
}

void TOwTabSheet::Paint() {
  TCanvas* c = Canvas();
  if (colorTo_ == clNone) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    return;
  }
  DrawSteppedGradient(c, Color(), colorTo_, false, ClientRect(), 64, TGradientForm::gfFullExtent);
}
