#include "platform/rtl/Lists.h"

#include "platform/rtl/Strings.h"
#include <algorithm>

void RaiseListIndexError(int index) {
  throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

void TList::indexError(int index) {
  RaiseListIndexError(index);
}

void TList::checkIndex(int index) const {
  if (index < 0 || index >= Count()) indexError(index);
}

void TList::SetCount(int count) {
  if (count < 0) throw EListError("List count out of bounds (" + IntToStr(count) + ")");
  items_.resize(static_cast<size_t>(count), nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count())
    throw EListError("List capacity out of bounds (" + IntToStr(capacity) + ")");
  items_.reserve(static_cast<size_t>(capacity));
}

void* TList::Items(int index) const {
  checkIndex(index);
  return items_[static_cast<size_t>(index)];
}

void TList::SetItems(int index, void* item) {
  checkIndex(index);
  items_[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) indexError(index);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  checkIndex(index);
  items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  void* result = items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
  return result;
}

int TList::IndexOf(void* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  checkIndex(index1);
  checkIndex(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  checkIndex(curIndex);
  checkIndex(newIndex);
  void* item = items_[static_cast<size_t>(curIndex)];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

void TList::Pack() {
  items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Sort(TListSortCompare compare) {
  SortBy(compare);
}

void TList::SortBy(const std::function<int(void* item1, void* item2)>& compare) {
  std::sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

// ---- TThreadList ------------------------------------------------------------------

TList& TThreadList::LockList() {
  lock_.Enter();
  return list_;
}

void TThreadList::UnlockList() {
  lock_.Leave();
}

void TThreadList::Add(void* item) {
  TCriticalSectionGuard guard(lock_);
  if (duplicates_ != dupAccept && list_.IndexOf(item) >= 0) {
    if (duplicates_ == dupError) throw EListError("Duplicates not allowed");
    return;
  }
  list_.Add(item);
}

void TThreadList::Remove(void* item) {
  TCriticalSectionGuard guard(lock_);
  list_.Remove(item);
}

void TThreadList::Clear() {
  TCriticalSectionGuard guard(lock_);
  list_.Clear();
}

// ---- TBits ----------------------------------------------------------------------

namespace {
[[noreturn]] void bitsError() {
  throw EBitsError("Bits index out of range");
}
} // namespace

void TBits::SetSize(int size) {
  if (size < 0) bitsError();
  bits_.resize(static_cast<size_t>(size), false);
}

bool TBits::Bits(int index) const {
  if (index < 0 || index >= Size()) bitsError();
  return bits_[static_cast<size_t>(index)];
}

void TBits::SetBits(int index, bool value) {
  if (index < 0) bitsError();
  if (index >= Size()) SetSize(index + 1);
  bits_[static_cast<size_t>(index)] = value;
}

int TBits::OpenBit() const {
  for (size_t i = 0; i < bits_.size(); ++i)
    if (!bits_[i]) return static_cast<int>(i);
  return Size();
}
