// The styled popup menu: its styler (assigned or internal), binding, the
// free notifications that keep both sides safe, and the popup position.
#include "controls/OwMenus.h"

#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/Windows.h"

#include <memory>

namespace {
/// The styled menus alive, to find an item's menu from its root item.
std::vector<TOwPopupMenu*>& StyledMenus() {
  static std::vector<TOwPopupMenu*> menus;
  return menus;
}
} // namespace

TOwPopupMenu::TOwPopupMenu(TComponent* owner) : TPopupMenu(owner) {
  StyledMenus().push_back(this);
  CreateInternalStyler();
  showNotes_ = true;
}

TOwPopupMenu::~TOwPopupMenu() {
  auto& menus = StyledMenus();
  menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
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
  if (internal_ && internal_ != current_) {
    delete internal_;
    internal_ = nullptr;
  }
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
  if (component == static_cast<TComponent*>(images_)) images_ = nullptr;
  if (component == static_cast<TComponent*>(disabledImages_)) disabledImages_ = nullptr;
}

void TOwPopupMenu::SetDisabledImages(TCustomImageList* images) {
  if (disabledImages_) disabledImages_->RemoveFreeNotification(this);
  disabledImages_ = images;
  if (images) images->FreeNotification(this);
}

void TOwPopupMenu::SetImages(TCustomImageList* images) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images) images->FreeNotification(this);
}

int TOwPopupMenu::PopupX(int x) const {
  TMenuItem* root = Items();
  if (root->Count() == 0) return x;
  // The first item measured from 10 × 10, plus the hidden strip.
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  AssignMenuFont(*measure.Font());
  int w = 10, h = 10;
  MeasureStyledItem(root->Items(0), &measure, w, h, SideBarShown(root->Items(0)));
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
  x = PopupX(x);
  if (CurrentMenuAnswerer()) {
    TPopupMenu::Popup(x, y);
    return;
  }
  if (OnPopup) OnPopup(this);
  TMenuWindow window(this, OwnerDraw());
  TMenuItem* chosen = window.Exec(x, y);
  // The click comes after the menu has closed.
  if (chosen) chosen->Click();
}

TMenuOwnerDraw TOwPopupMenu::OwnerDraw() {
  TMenuOwnerDraw draw;
  draw.Measure = [](TMenuItem* item, TCanvas* canvas, int& w, int& h) {
    AssignMenuFont(*canvas->Font());
    MeasureStyledItem(item, canvas, w, h, SideBarShown(item));
  };
  draw.Draw = [](TMenuItem* item, TCanvas* canvas, const TRect& rect, const TRect& area,
                 UINT state) {
    DrawStyledItem(item, canvas, rect, area, SideBarShown(item), state);
  };
  // Each window is cut to its items less the 17-pixel strip and its outer
  // pixel, moved once per showing into place beside its parent, and framed
  // in the styler's colours.
  draw.DrawFrame = [this](TMenuWindow* window, TCanvas* canvas) {
    TCustomAdvMenuStyler* s = current_;
    HWND handle = WindowFromDC(canvas->Handle());
    const int w = window->Width(), h = window->Height();
    if (!window->Adjusted() && handle) {
      window->SetAdjusted(true);
      SetWindowRgn(handle, CreateRectRgn(1, 1, w - 1 - 17, h - 1), true);
      RECT r{};
      GetWindowRect(handle, &r);
      if (window->Level() == 1) {
        MoveWindow(handle, r.Left - 1, r.Top - 2, w, h, true);
      } else {
        const int x = window->OpensRight() ? r.Left - 17 : r.Left + 17;
        MoveWindow(handle, x + 3, r.Top, w, h, true);
      }
    }
    if (!s) return;
    // The frame follows the region on every level, so that the border is
    // whole whichever side a submenu opens to.
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(s->MenuBorderColor());
    canvas->FrameRect(TRect(1, 1, w - 1 - 17, h - 1));
    canvas->Brush()->SetColor(s->Background()->Color());
    canvas->FrameRect(TRect(2, 2, w - 2 - 17, h - 2));
  };
  return draw;
}

IStyledMenu* StyledMenuOf(TMenuItem* item) {
  if (!item) return nullptr;
  TMenuItem* root = item;
  while (root->Parent())
    root = root->Parent();
  for (TOwPopupMenu* menu : StyledMenus())
    if (menu->Items() == root) return menu;
  return nullptr;
}
