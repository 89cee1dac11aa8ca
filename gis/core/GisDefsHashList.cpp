#include "gis/core/GisDefsHashList.h"

#include "platform/rtl/Exceptions.h"

TGIS_HashList::~TGIS_HashList() {
  for (auto& bucket : buckets_) {
    bucket.Items.clear();
    bucket.Count = 0;
  }
}

int TGIS_HashList::HashOf(const Variant& key) {
  const std::string text = VarToStr(key);
  std::uint32_t h = 0;
  for (const char c : text)
    h = ((h << 2) | (h >> 30)) ^ static_cast<unsigned char>(c);
  return static_cast<int>(h & 255);
}

void TGIS_HashList::Add(const Variant& key, void* object) {
  SK_ASSERT(!locked_, "List is locked", "GisDefs", 2969);
  TGIS_Hash& bucket = buckets_[static_cast<std::size_t>(HashOf(key))];
  for (int i = 0; i < bucket.Count; ++i)
    if (bucket.Items[static_cast<std::size_t>(i)].Key == key) Abort();
  const auto capacity = static_cast<int>(bucket.Items.size());
  if (bucket.Count == capacity) {
    int grow = capacity / 4;
    if (capacity <= 8)
      grow = 4;
    else if (capacity <= 64)
      grow = 16;
    bucket.Items.resize(static_cast<std::size_t>(capacity + grow));
  }
  bucket.Items[static_cast<std::size_t>(bucket.Count)] = {key, object};
  ++bucket.Count;
}

bool TGIS_HashList::Find(const Variant& key, void*& object) const {
  const TGIS_Hash& bucket = buckets_[static_cast<std::size_t>(HashOf(key))];
  for (int i = 0; i < bucket.Count; ++i) {
    const TGIS_HashItem& item = bucket.Items[static_cast<std::size_t>(i)];
    if (item.Key == key) {
      object = item.Object;
      return true;
    }
  }
  return false;
}

void* TGIS_HashList::Find(const Variant& key) const {
  void* object = nullptr;
  return Find(key, object) ? object : nullptr;
}

bool TGIS_HashList::ForEach(const TGIS_HashListForEachEvent& callback, void* data) {
  struct LockGuard {
    bool& flag;
    bool saved;
    ~LockGuard() { flag = saved; }
  } guard{locked_, locked_};
  locked_ = true;
  bool cont = true;
  for (auto& bucket : buckets_) {
    for (int i = bucket.Count - 1; i >= 0; --i) {
      const TGIS_HashItem& item = bucket.Items[static_cast<std::size_t>(i)];
      callback(data, item, item.Object, cont);
      if (!cont) return false;
    }
  }
  return cont;
}

void TGIS_HashList::Clear() {
  SK_ASSERT(!locked_, "List is locked", "GisDefs", 3023);
  clearing_ = true;
  for (auto& bucket : buckets_) {
    bucket.Items.clear();
    bucket.Count = 0;
  }
  clearing_ = false;
}
