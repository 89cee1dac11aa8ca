#include "platform/forms/Components.h"

#include <algorithm>

#include "platform/forms/Properties.h"
#include "platform/forms/TextUtil.h"

using forms_detail::IntText;
using forms_detail::SameName;

// ---------------------------------------------------------------------------
// TPersistent

bool TPersistent::InheritsFrom(const std::string& className) const {
  return ClassInheritsFrom(ClassName(), className);
}

void TPersistent::Assign(const TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                      (dest ? dest->ClassName() : std::string("nil")));
}

// ---------------------------------------------------------------------------
// TComponent

bool IsValidIdent(const std::string& name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(name[0])) return false;
  for (char c : name)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

void* TComponent::operator new(std::size_t size) {
  return ::operator new(size);
}

void TComponent::operator delete(void* memory) {
  ::operator delete(memory);
}

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  void* memory = dynamic_cast<void*>(component); // the start of the whole object
  component->Destroying();
  component->~TComponent(); // virtual: the whole object goes
  ::operator delete(memory);
}

TComponent::TFreeWatch::TFreeWatch(TComponent* component)
    : component_(component), outer_(component->watch_) {
  component->watch_ = this;
}

TComponent::TFreeWatch::~TFreeWatch() {
  if (!freed_) component_->watch_ = outer_;
}

TComponent::~TComponent() {
  Destroying();
  for (TFreeWatch* w = watch_; w != nullptr; w = w->outer_)
    w->freed_ = true;
  watch_ = nullptr;
  // Tell everyone who asked that this component goes away.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    auto& back = other->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + IntText(index) + ")");
  return components_[size_t(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameName(c->name_, name)) return c;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName,
                                const std::string& newName) const {
  if (component != nullptr && !newName.empty() && !SameName(curName, newName) &&
      component->owner_ == this && FindComponent(newName) != nullptr)
    throw EComponentError("A component named " + newName + " already exists");
}

void TComponent::SetName(const std::string& value) {
  if (name_ == value) return;
  if (!value.empty() && !IsValidIdent(value))
    throw EComponentError("'" + value + "' is not a valid component name");
  if (owner_ != nullptr) owner_->ValidateRename(this, name_, value);
  name_ = value;
}

void TComponent::insertRaw(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::removeRaw(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
  component->owner_ = nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr) return;
  ValidateRename(component, "", component->name_);
  insertRaw(component);
  if (!IsDestroying()) Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->owner_ != this) return;
  if (!IsDestroying()) Notification(component, TOperation::opRemove);
  removeRaw(component);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr) RemoveFreeNotification(component);
  // Broadcast to the owned components; a handler may free components, so
  // walk a snapshot and skip the ones that have left meanwhile.
  std::vector<TComponent*> snapshot = components_;
  for (TComponent* c : snapshot)
    if (std::find(components_.begin(), components_.end(), c) != components_.end())
      c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (owner_ == nullptr || component->owner_ != owner_) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
      freeNotifies_.push_back(component);
    auto& back = component->freeNotifies_;
    if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
  }
  state_.Include(TComponentStateItem::csFreeNotification);
}

void TComponent::removeNotifyLink(TComponent* component) {
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                      freeNotifies_.end());
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  removeNotifyLink(component);
  component->removeNotifyLink(this);
}

void TComponent::Destroying() {
  if (IsDestroying()) return;
  state_.Include(TComponentStateItem::csDestroying);
  for (TComponent* c : components_)
    c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    removeRaw(last);
    delete last;
  }
}

void TComponent::BeginLoading() {
  state_.Include(TComponentStateItem::csLoading);
  state_.Include(TComponentStateItem::csReading);
}

void TComponent::Loaded() {
  EndLoading();
}

void TComponent::EndLoading() {
  state_.Exclude(TComponentStateItem::csLoading);
  state_.Exclude(TComponentStateItem::csReading);
}
