// Lists: TList of untyped pointers, the owning TObjectList<T>, and TBits.
//
// Indexes are 0-based; a bad index raises EListError "List index out of
// bounds (<index>)".
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Sync.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
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
  /// Sorts with any callable comparing two items (not stable).
  void SortBy(const std::function<int(void* item1, void* item2)>& compare);
  const std::vector<void*>& List() const { return items_; }

protected:
  void checkIndex(int index) const;
  [[noreturn]] static void indexError(int index);

private:
  std::vector<void*> items_;
};

/// A list of objects of one class that, with OwnsObjects (the default),
/// frees what it deletes, removes, clears or overwrites. Extract hands an
/// object out without freeing it. The positions are those of a TList, whose
/// rules (and errors) it shares.
template <class T> class TObjectList {
public:
  explicit TObjectList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
  ~TObjectList() { Clear(); }
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  int Count() const { return list_.Count(); }
  T* Items(int index) const { return static_cast<T*>(list_.Items(index)); }
  void SetItems(int index, T* item) {
    T* old = Items(index);
    if (old == item) return;
    list_.SetItems(index, item);
    free(old);
  }
  T* operator[](int index) const { return Items(index); }
  T* First() const { return Items(0); }
  T* Last() const { return Items(Count() - 1); }

  int Add(T* item) { return list_.Add(item); }
  void Insert(int index, T* item) { list_.Insert(index, item); }
  void Delete(int index) {
    T* item = Items(index);
    list_.Delete(index);
    free(item);
  }
  int Remove(T* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
  }
  T* Extract(T* item) { return static_cast<T*>(list_.Extract(item)); }
  int IndexOf(const T* item) const { return list_.IndexOf(const_cast<T*>(item)); }
  void Exchange(int index1, int index2) { list_.Exchange(index1, index2); }
  void Move(int curIndex, int newIndex) { list_.Move(curIndex, newIndex); }
  void Clear() {
    // Taken out first, so that a destructor looking at the list sees it empty.
    const std::vector<void*> old = list_.List();
    list_.Clear();
    for (void* item : old)
      free(static_cast<T*>(item));
  }
  /// Sorts with `compare(a, b)` giving negative, zero or positive.
  template <class Compare> void Sort(Compare compare) {
    list_.SortBy([&](void* a, void* b) { return compare(static_cast<T*>(a), static_cast<T*>(b)); });
  }

  class const_iterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T*;
    using difference_type = std::ptrdiff_t;
    using pointer = T* const*;
    using reference = T*;
    const_iterator() = default;
    explicit const_iterator(std::vector<void*>::const_iterator at) : at_(at) {}
    T* operator*() const { return static_cast<T*>(*at_); }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const const_iterator&) const = default;

  private:
    std::vector<void*>::const_iterator at_;
  };
  const_iterator begin() const { return const_iterator(list_.List().begin()); }
  const_iterator end() const { return const_iterator(list_.List().end()); }

private:
  void free(T* item) {
    if (ownsObjects_) delete item;
  }

  TList list_;
  bool ownsObjects_;
};

/// Raises EListError for a bad index.
[[noreturn]] void RaiseListIndexError(int index);

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
