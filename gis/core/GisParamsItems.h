// Private helper of the parameter modules: the ':'-separated item lists of
// chart values, legends and chart expressions.
#pragma once

#include <string>
#include <vector>

namespace gis_params {

/// Splits at ':'; the item after the last ':' counts only when it is not
/// empty ("0:100:" gives "0" and "100", "::" gives two empty items).
inline std::vector<std::string> SplitItems(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = text.find(':', start);
    if (colon == std::string::npos) {
      if (start < text.size()) items.push_back(text.substr(start));
      break;
    }
    items.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  return items;
}

} // namespace gis_params
