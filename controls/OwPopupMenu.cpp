// The styled popup menu: its styler (assigned or internal), binding, the
// free notifications that keep both sides safe, and the popup position.
#include "controls/OwMenus.h"

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"

TOwPopupMenu::TOwPopupMenu(TComponent* owner) : TPopupMenu(owner) {
  SetOwnerDraw(true);
  CreateInternalStyler();
  showNotes_ = true;
}

TOwPopupMenu::~TOwPopupMenu() {
  // Neither styler may keep a reference to this menu.
  if (menuStyler_) {
    if (menuStyler_->BoundMenu() == this) menuStyler_->Bind(nullptr);
    menuStyler_->RemoveFreeNotification(this);
  }
  menuStyler_ = nullptr;
  current_ = nullptr;
  delete internal_;
  internal_ = nullptr;
}

void TOwPopupMenu::CreateInternalStyler() {
  menuStyler_ = nullptr;
  delete internal_;
  internal_ = new TCustomAdvMenuStyler(this);
  internal_->SetName("InternalMenuStyler");
  internal_->SetSubComponent(true);
  current_ = internal_;
}

void TOwPopupMenu::SetMenuStyler(TCustomAdvMenuStyler* styler) {
  if (styler == menuStyler_) return;
  if (menuStyler_ && menuStyler_ != internal_) {
    // The styler no longer serves this menu.
    if (menuStyler_->BoundMenu() == this) menuStyler_->Bind(nullptr);
    menuStyler_->RemoveFreeNotification(this);
  }
  if (styler) {
    if (internal_ && !internal_->IsLoading()) {
      delete internal_;
      internal_ = nullptr;
    }
    menuStyler_ = current_ = styler;
    styler->FreeNotification(this);
  } else {
    CreateInternalStyler();
  }
  current_->Bind(this);
}

void TOwPopupMenu::Loaded() {
  TPopupMenu::Loaded();
  SetOwnerDraw(true);
  HookMenuItems(this, nullptr, true, true);
  if (internal_ && internal_ != current_) {
    delete internal_;
    internal_ = nullptr;
  }
}

void TOwPopupMenu::MenuChanged(TMenuItem* source) {
  if (source == Items()) source = nullptr;
  HookMenuItems(this, source, source == nullptr, true);
  TPopupMenu::MenuChanged(source);
}

void TOwPopupMenu::Notification(TComponent* component, TOperation operation) {
  TPopupMenu::Notification(component, operation);
  if (operation != TOperation::opRemove || component == nullptr) return;
  if (component == static_cast<TComponent*>(menuStyler_)) {
    // The assigned styler goes: fall back to a fresh internal one, so that
    // neither reference dangles.
    menuStyler_ = nullptr;
    current_ = nullptr;
    if (!IsDestroying()) CreateInternalStyler();
  } else if (component == static_cast<TComponent*>(internal_)) {
    internal_ = nullptr;
    if (current_ == component) current_ = nullptr;
  }
  if (component == static_cast<TComponent*>(disabledImages_)) disabledImages_ = nullptr;
}

void TOwPopupMenu::SetDisabledImages(TCustomImageList* images) {
  if (disabledImages_) disabledImages_->RemoveFreeNotification(this);
  disabledImages_ = images;
  if (images) images->FreeNotification(this);
}

int TOwPopupMenu::PopupX(int x) const {
  TMenuItem* root = Items();
  if (root->Count() == 0) return x;
  // The first item measured from 10 × 10 by its measure handler, plus the
  // hidden strip.
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  measure.Font()->Assign(*Screen()->MenuFont());
  int w = 10, h = 10;
  TMenuItem* first = root->Items(0);
  if (first->OnMeasureItem) first->OnMeasureItem(first, &measure, w, h);
  measure.SetHandle(nullptr);
  DeleteDC(dc);
  const int W = w + 17;
  const int D = Screen()->DesktopWidth();
  if (alignment_ == TPopupAlignment::paRight && x - 17 - W >= 0)
    x += 17;
  else if (alignment_ == TPopupAlignment::paLeft && D <= x + W + 34)
    x += 17;
  else if (alignment_ == TPopupAlignment::paCenter)
    x += 8;
  if (x >= D) x = D - 1;
  return x;
}

void TOwPopupMenu::Popup(int x, int y) {
  if (Items()->Count() == 0) return;
  TPopupMenu::Popup(PopupX(x), y);
}

void TOwPopupMenu::TMeasureHandler::operator()(TPersistent* sender, TCanvas* canvas, int& width,
                                               int& height) const {
  auto* item = static_cast<TMenuItem*>(sender);
  MeasureStyledItem(item, canvas, width, height, SideBarShown(item));
}

void TOwPopupMenu::TDrawHandler::operator()(TPersistent* sender, TCanvas* canvas, const TRect& rect,
                                            UINT state) const {
  auto* item = static_cast<TMenuItem*>(sender);
  DrawStyledItem(item, canvas, rect, SideBarShown(item), state);
}

namespace {
void HookItem(TOwPopupMenu* menu, TMenuItem* item, bool keep) {
  if (item->OnAdvancedDrawItem.target<TOwPopupMenu::TDrawHandler>()) return;
  if (!item->OnMeasureItem || !keep) item->OnMeasureItem = TOwPopupMenu::TMeasureHandler{menu};
  if ((!item->OnAdvancedDrawItem && !item->OnDrawItem) || !keep)
    item->OnAdvancedDrawItem = TOwPopupMenu::TDrawHandler{menu};
}

void HookSubItems(TOwPopupMenu* menu, TMenuItem* parent, bool recursive, bool keep) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    HookItem(menu, item, keep);
    if (recursive) HookSubItems(menu, item, recursive, keep);
  }
}
} // namespace

void HookMenuItems(TOwPopupMenu* menu, TMenuItem* item, bool recursive, bool keep) {
  if (menu->IsLoading()) return;
  if (item)
    HookItem(menu, item, keep);
  else
    HookSubItems(menu, menu->Items(), recursive, keep);
}

IStyledMenu* StyledMenuOf(TMenuItem* item) {
  if (!item) return nullptr;
  // The item's menu, or, for an item without a parent, its owner.
  TComponent* menu = item->Parent() ? item->GetParentMenu() : item->Owner();
  return dynamic_cast<TOwPopupMenu*>(menu);
}
