// A hash table from variant keys to objects it does not own.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Variant.h"

/// One entry: the key and the object.
struct TGIS_HashItem {
  Variant Key;
  void* Object = nullptr;
};

/// The items of one bucket; its length is the bucket's capacity.
using TGIS_HashItemArray = std::vector<TGIS_HashItem>;

/// One bucket: the count of used items, then the items.
struct TGIS_Hash {
  std::int32_t Count = 0;
  TGIS_HashItemArray Items;
};

inline constexpr int GIS_HASH_BUCKETS = 256;
using TGIS_HashArray = std::array<TGIS_Hash, GIS_HASH_BUCKETS>;

/// Called by ForEach for every entry; clearing `cont` stops the walk.
using TGIS_HashListForEachEvent =
    std::function<void(void* data, const TGIS_HashItem& item, void* object, bool& cont)>;

class TGIS_HashList {
public:
  TGIS_HashList() = default;
  ~TGIS_HashList();
  TGIS_HashList(const TGIS_HashList&) = delete;
  TGIS_HashList& operator=(const TGIS_HashList&) = delete;

  /// The bucket of a key: its text, h = rotl2(h) xor byte per byte, and 255.
  static int HashOf(const Variant& key);

  /// Adds an entry. Fails the assertion "List is locked" inside ForEach; a key
  /// equal to one present raises the silent abort and adds nothing.
  void Add(const Variant& key, void* object);
  /// True and the object when an entry with an equal key exists.
  bool Find(const Variant& key, void*& object) const;
  /// The object of an equal key, or null.
  void* Find(const Variant& key) const;
  /// Visits buckets 0 to 255 and in each the items from the last to the first
  /// until the callback clears its continue flag; returns the last value of
  /// that flag. The list is locked meanwhile (nested walks are allowed).
  bool ForEach(const TGIS_HashListForEachEvent& callback, void* data);
  /// Removes every entry (objects are not freed). Fails the assertion "List is
  /// locked" inside ForEach.
  void Clear();

  bool Locked() const { return locked_; }
  const TGIS_Hash& Bucket(int index) const { return buckets_[static_cast<std::size_t>(index)]; }

private:
  TGIS_HashArray buckets_;
  bool locked_ = false;
  bool clearing_ = false;
};
