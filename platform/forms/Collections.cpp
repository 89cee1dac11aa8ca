#include "platform/forms/Collections.h"

#include <algorithm>

#include "platform/forms/TextUtil.h"

// ---------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) {
  SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
  if (collection_ != nullptr) collection_->removeItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_ != nullptr) collection_->removeItem(this);
  if (collection != nullptr) collection->insertItem(this);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  auto& v = collection_->items_;
  return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || index == current) return;
  auto& v = collection_->items_;
  index = std::clamp(index, 0, int(v.size()) - 1);
  v.erase(v.begin() + current);
  v.insert(v.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const {
  return ClassName();
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_ != nullptr) collection_->itemChanged(allItems ? nullptr : this);
}

// ---------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection() {
  destroying_ = true;
  updateCount_ = 1; // no change reports while going
  Clear();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + forms_detail::IntText(index) + ")");
  return items_[size_t(index)];
}

TCollectionItem* TCollection::Add() {
  if (factory_) return factory_(this);
  return new TCollectionItem(this);
}

TCollectionItem* TCollection::Insert(int index) {
  BeginUpdate();
  TCollectionItem* item = Add();
  item->SetIndex(index);
  EndUpdate();
  return item;
}

void TCollection::Delete(int index) {
  delete Items(index);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty())
    delete items_.back();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* i : items_)
    if (i->id_ == id) return i;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++updateCount_;
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  Clear();
  for (TCollectionItem* i : other->items_)
    Add()->Assign(i);
  EndUpdate();
}

void TCollection::Update(TCollectionItem* item) {
  if (OnUpdate) OnUpdate(item);
}

void TCollection::Changed() {
  if (updateCount_ == 0 && !destroying_) Update(nullptr);
}

void TCollection::insertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextId_++;
  Changed();
}

void TCollection::removeItem(TCollectionItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->collection_ = nullptr;
  Changed();
}

void TCollection::itemChanged(TCollectionItem* item) {
  if (updateCount_ == 0 && !destroying_) Update(item);
}
