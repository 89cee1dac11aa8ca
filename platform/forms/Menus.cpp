#include "platform/forms/Menus.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/TextUtil.h"
#include "platform/forms/WindowTable.h"
#include "platform/graphics/Bitmap.h"

namespace {

TMenuAnswerer& menuAnswerer() {
  static TMenuAnswerer a;
  return a;
}

void buildMenu(QMenu* menu, TMenuItem* item, TMenuItem*& chosen) {
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* sub = item->Items(i);
    if (!sub->Visible()) continue;
    if (sub->Caption() == "-") {
      menu->addSeparator();
      continue;
    }
    QString text = QString::fromStdString(sub->Caption());
    if (sub->Count() > 0) {
      QMenu* child = menu->addMenu(text);
      child->setEnabled(sub->Enabled());
      buildMenu(child, sub, chosen);
      continue;
    }
    QAction* a = menu->addAction(text);
    a->setEnabled(sub->Enabled());
    a->setCheckable(sub->Checked());
    a->setChecked(sub->Checked());
    QObject::connect(a, &QAction::triggered, [sub, &chosen] { chosen = sub; });
  }
}

} // namespace

void SetMenuAnswerer(TMenuAnswerer answerer) {
  menuAnswerer() = std::move(answerer);
}

// ---------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  for (TMenuItem* i : items_)
    i->parent_ = nullptr;
  if (parent_ != nullptr) parent_->Remove(this);
}

int TMenuItem::MenuIndex() const {
  if (parent_ == nullptr) return -1;
  auto& v = parent_->items_;
  return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TMenuItem::Add(TMenuItem* item) {
  if (item == nullptr) return;
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
  item->Changed(item);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Changed(parent_ ? this : nullptr);
}

void TMenuItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed(this);
}

void TMenuItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed(this);
}

void TMenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(this);
}

void TMenuItem::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Changed(this);
}

void TMenuItem::Changed(TMenuItem* source) {
  TPopupMenu* menu = GetParentMenu();
  if (menu != nullptr && !IsDestroying() && !menu->IsDestroying()) menu->MenuChanged(source);
}

TPopupMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_ != nullptr)
    root = root->parent_;
  return root->menu_;
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

bool TMenuItem::HasBitmap() const {
  return bitmap_ && !bitmap_->Empty();
}

TCustomImageList* TMenuItem::GetImageList() const {
  for (const TMenuItem* p = parent_; p != nullptr; p = p->parent_)
    if (p->subMenuImages_ != nullptr) return p->subMenuImages_;
  const TPopupMenu* menu = GetParentMenu();
  return menu ? menu->Images() : nullptr;
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  if (TCustomImageList* images = GetImageList())
    height = images->Height() + 3;
  else
    height = 16 + 3; // a picture, or the platform's first height of a plain item
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, UINT state) {
  const bool selected = (state & ODS_MENU_SELECTED) != 0;
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, canvas, rect, state);
    return;
  }
  if (OnDrawItem) {
    OnDrawItem(this, canvas, rect, selected);
    return;
  }
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  canvas->FillRect(rect);
  if (caption_ == "-") {
    canvas->Pen()->SetColor(clBtnShadow);
    const int y = (rect.Top + rect.Bottom) / 2;
    canvas->MoveTo(rect.Left + 2, y);
    canvas->LineTo(rect.Right - 2, y);
    return;
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetColor(!enabled_ ? clGrayText : selected ? clHighlightText : clMenuText);
  const int h = canvas->TextHeight(caption_);
  canvas->TextOut(rect.Left + 20, rect.Top + (rect.Bottom - rect.Top - h) / 2, caption_);
}

void TMenuItem::Clear() {
  while (!items_.empty()) {
    TMenuItem* last = items_.back();
    Remove(last);
    if (last->Owner() == nullptr) delete last;
  }
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() {
  Destroying();
  delete items_;
}

void TPopupMenu::SetPopupComponent(TComponent* c) {
  if (popupComponent_ != nullptr) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = c;
  if (c != nullptr) c->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupComponent_) popupComponent_ = nullptr;
  if (operation == TOperation::opRemove && component == images_) images_ = nullptr;
}

void TPopupMenu::SetImages(TCustomImageList* images) {
  if (images_ != nullptr) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images != nullptr) images->FreeNotification(this);
}

void TPopupMenu::MenuChanged(TMenuItem* source) {
  if (OnChange) OnChange(this, source);
}

const TMenuAnswerer& CurrentMenuAnswerer() {
  return menuAnswerer();
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  TMenuItem* chosen = nullptr;
  if (menuAnswerer()) {
    chosen = menuAnswerer()(this, TPoint(x, y));
  } else if (ownerDraw_) {
    TMenuWindow window(this);
    chosen = window.Exec(x, y);
  } else {
    QMenu menu;
    buildMenu(&menu, items_, chosen);
    menu.exec(QPoint(x, y));
  }
  // The click comes after the menu has closed.
  if (chosen != nullptr) chosen->Click();
}

// ---------------------------------------------------------------------------
// Shortcuts

namespace {

std::string keyName(Word key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  if (key >= VK_F1 && key <= VK_F12) {
    int n = key - VK_F1 + 1;
    return n < 10 ? std::string("F") + char('0' + n) : std::string("F1") + char('0' + n - 10);
  }
  switch (key) {
  case VK_BACK:
    return "BkSp";
  case VK_TAB:
    return "Tab";
  case VK_RETURN:
    return "Enter";
  case VK_ESCAPE:
    return "Esc";
  case VK_SPACE:
    return "Space";
  case VK_PRIOR:
    return "PgUp";
  case VK_NEXT:
    return "PgDn";
  case VK_END:
    return "End";
  case VK_HOME:
    return "Home";
  case VK_LEFT:
    return "Left";
  case VK_UP:
    return "Up";
  case VK_RIGHT:
    return "Right";
  case VK_DOWN:
    return "Down";
  case VK_INSERT:
    return "Ins";
  case VK_DELETE:
    return "Del";
  default:
    return "";
  }
}

} // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
  if ((key & 0xFF00) != 0) return 0;
  TShortCut s = key;
  if (shift.Contains(TShiftStateItem::ssShift)) s |= scShift;
  if (shift.Contains(TShiftStateItem::ssCtrl)) s |= scCtrl;
  if (shift.Contains(TShiftStateItem::ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = {};
  if (shortCut & scShift) shift.Include(TShiftStateItem::ssShift);
  if (shortCut & scCtrl) shift.Include(TShiftStateItem::ssCtrl);
  if (shortCut & scAlt) shift.Include(TShiftStateItem::ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = keyName(shortCut & 0xFF);
  if (name.empty()) return "";
  std::string prefix;
  if (shortCut & scShift) prefix += "Shift+";
  if (shortCut & scCtrl) prefix += "Ctrl+";
  if (shortCut & scAlt) prefix += "Alt+";
  return prefix + name;
}

TShortCut TextToShortCut(const std::string& text) {
  TShortCut bits = 0;
  std::string rest = text;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 >= rest.size()) break;
    std::string mod = rest.substr(0, plus);
    if (forms_detail::SameName(mod, "Shift"))
      bits |= scShift;
    else if (forms_detail::SameName(mod, "Ctrl"))
      bits |= scCtrl;
    else if (forms_detail::SameName(mod, "Alt"))
      bits |= scAlt;
    else
      return 0;
    rest = rest.substr(plus + 1);
  }
  for (int k = 1; k < 256; ++k)
    if (!keyName(Word(k)).empty() && forms_detail::SameName(keyName(Word(k)), rest))
      return TShortCut(k | bits);
  return 0;
}
