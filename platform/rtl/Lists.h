// Lists: TList of untyped pointers, the owning TObjectList<T>, and TBits.
//
// Indexes are 0-based; a bad index raises EListError "List index out of
// bounds (<index>)".
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Sync.h"

#include <algorithm>
#include <cstdint>
#include <vector>

SK_DECLARE_EXCEPTION(EBitsError, Exception)

/// Compares two items: negative, zero or positive.
using TListSortCompare = int (*)(void* item1, void* item2);

class TList {
public:
  TList() = default;
  virtual ~TList() = default;
  TList(const TList&) = default;
  TList& operator=(const TList&) = default;

  int Count() const { return static_cast<int>(items_.size()); }
  /// Grows with nil items or shrinks the list.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity);

  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* operator[](int index) const { return Items(index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  /// Appends; returns the new item's index.
  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  /// Deletes the first occurrence; returns its index or -1.
  int Remove(void* item);
  /// Takes the first occurrence out of the list and returns it (nil when
  /// absent).
  void* Extract(void* item);
  int IndexOf(void* item) const;
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  virtual void Clear();
  /// Removes every nil item.
  void Pack();
  /// Sorts with `compare` (not stable).
  void Sort(TListSortCompare compare);
  const std::vector<void*>& List() const { return items_; }

protected:
  void checkIndex(int index) const;
  [[noreturn]] static void indexError(int index);

private:
  std::vector<void*> items_;
};

/// A list of objects of one class that, with OwnsObjects (the default),
/// frees what it deletes, removes, clears or overwrites. Extract hands an
/// object out without freeing it.
template <class T> class TObjectList {
public:
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() { Clear(); }
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  int Count() const { return static_cast<int>(items_.size()); }
  T* Items(int index) const {
    check(index);
    return items_[static_cast<size_t>(index)];
  }
  void SetItems(int index, T* item) {
    check(index);
    T*& slot = items_[static_cast<size_t>(index)];
    if (slot != item) {
      free(slot);
      slot = item;
    }
  }
  T* operator[](int index) const { return Items(index); }
  T* First() const { return Items(0); }
  T* Last() const { return Items(Count() - 1); }

  int Add(T* item) {
    items_.push_back(item);
    return Count() - 1;
  }
  void Insert(int index, T* item) {
    if (index < 0 || index > Count()) TListIndexError(index);
    items_.insert(items_.begin() + index, item);
  }
  void Delete(int index) {
    check(index);
    T* item = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    free(item);
  }
  int Remove(T* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
  }
  T* Extract(T* item) {
    const int index = IndexOf(item);
    if (index < 0) return nullptr;
    items_.erase(items_.begin() + index);
    return item;
  }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == item) return static_cast<int>(i);
    return -1;
  }
  void Exchange(int index1, int index2) {
    check(index1);
    check(index2);
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  }
  void Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    check(curIndex);
    check(newIndex);
    T* item = items_[static_cast<size_t>(curIndex)];
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
  }
  void Clear() {
    // Taken out first, so that a destructor looking at the list sees it empty.
    std::vector<T*> old;
    old.swap(items_);
    for (T* item : old)
      free(item);
  }
  /// Sorts with `compare(a, b)` giving negative, zero or positive.
  template <class Compare> void Sort(Compare compare) {
    std::sort(items_.begin(), items_.end(), [&](T* a, T* b) { return compare(a, b) < 0; });
  }
  typename std::vector<T*>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<T*>::const_iterator end() const { return items_.end(); }

private:
  [[noreturn]] static void TListIndexError(int index);
  void check(int index) const {
    if (index < 0 || index >= Count()) TListIndexError(index);
  }
  void free(T* item) {
    if (ownsObjects_) delete item;
  }

  std::vector<T*> items_;
  bool ownsObjects_;
};

/// Raises EListError for a bad index.
[[noreturn]] void RaiseListIndexError(int index);

template <class T> void TObjectList<T>::TListIndexError(int index) {
  RaiseListIndexError(index);
}

/// What a list does with an item it holds already: ignore the new one,
/// accept it, or raise.
enum TDuplicates { dupIgnore, dupAccept, dupError };

/// A TList behind a critical section: LockList enters it and gives the list,
/// UnlockList leaves it. Add ignores an item already there, or raises
/// EListError "Duplicates not allowed", as Duplicates says (dupIgnore by
/// default).
class TThreadList {
public:
  TList& LockList();
  void UnlockList();
  void Add(void* item);
  void Remove(void* item);
  void Clear();
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

private:
  TCriticalSection lock_;
  TList list_;
  TDuplicates duplicates_ = dupIgnore;
};

/// A growable array of bits.
class TBits {
public:
  int Size() const { return static_cast<int>(bits_.size()); }
  /// A negative size raises EBitsError.
  void SetSize(int size);
  /// A bit past the end, or a negative index, raises EBitsError.
  bool Bits(int index) const;
  /// Setting a bit past the end grows the array.
  void SetBits(int index, bool value);
  /// The index of the first clear bit (Size() when all are set).
  int OpenBit() const;

private:
  std::vector<bool> bits_;
};
