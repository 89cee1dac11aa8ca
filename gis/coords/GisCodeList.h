// A list of owned objects kept sorted by a short code, letter case ignored:
// the shape of the ellipsoid, datum and projection lists.
//
// Adding under a listed code replaces the listed object. Whether the replaced
// object is freed at once or kept alive until the list goes is the caller's
// choice (datums and ellipsoids are referenced by projections, so those lists
// keep them; the projection list frees them).
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gis_coords {

/// Compares two codes ignoring ASCII letter case: <0, 0 or >0.
inline int CompareCodes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 'a' + 'A');
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 'a' + 'A');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

/// The code in upper case (ASCII letters only).
inline std::string UpperCode(std::string_view code) {
  std::string result(code);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

} // namespace gis_coords

template <class T> class TGIS_CodeList {
public:
  enum class Replaced { Free, KeepAlive };

  explicit TGIS_CodeList(Replaced replaced = Replaced::KeepAlive) : replaced_(replaced) {}

  /// Lists `item` under `code`, replacing the object listed under it.
  T* Add(const std::string& code, std::unique_ptr<T> item) {
    T* result = item.get();
    auto it = LowerBound(code);
    if (it != items_.end() && gis_coords::CompareCodes(it->first, code) == 0) {
      if (replaced_ == Replaced::KeepAlive) retired_.push_back(std::move(it->second));
      it->first = code;
      it->second = std::move(item); // frees the old one unless it was retired
    } else {
      items_.emplace(it, code, std::move(item));
    }
    return result;
  }

  /// The position of `code`, or -1.
  int IndexOf(std::string_view code) const {
    auto it = LowerBound(code);
    if (it == items_.end() || gis_coords::CompareCodes(it->first, code) != 0) return -1;
    return static_cast<int>(it - items_.begin());
  }

  T* Find(std::string_view code) const {
    const int i = IndexOf(code);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].second.get();
  }

  /// The object at a position, or nullptr outside the list.
  T* Item(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return items_[static_cast<size_t>(position)].second.get();
  }

  const std::string& CodeAt(int position) const {
    return items_.at(static_cast<size_t>(position)).first;
  }

  int Count() const { return static_cast<int>(items_.size()); }

private:
  using Entry = std::pair<std::string, std::unique_ptr<T>>;

  // The first entry whose code does not sort before `code`.
  template <class Items> static auto LowerBoundIn(Items& items, std::string_view code) {
    return std::lower_bound(items.begin(), items.end(), code,
                            [](const Entry& e, std::string_view c) {
                              return gis_coords::CompareCodes(e.first, c) < 0;
                            });
  }
  auto LowerBound(std::string_view code) const { return LowerBoundIn(items_, code); }
  auto LowerBound(std::string_view code) { return LowerBoundIn(items_, code); }

  Replaced replaced_;
  std::vector<Entry> items_;
  std::vector<std::unique_ptr<T>> retired_;
};
