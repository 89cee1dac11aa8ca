#include "platform/forms/Menus.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

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
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
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

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {}

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
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  TMenuItem* chosen = nullptr;
  if (menuAnswerer()) {
    chosen = menuAnswerer()(this, TPoint(x, y));
  } else {
    QMenu menu;
    buildMenu(&menu, items_, chosen);
    menu.exec(QPoint(x, y));
  }
  // The click comes after the menu has closed.
  if (chosen != nullptr) chosen->Click();
}
