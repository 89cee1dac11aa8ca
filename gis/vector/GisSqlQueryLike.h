// The LIKE matcher of the attribute query language.
//
// A pattern is compiled into per-character position masks and matched by a
// bit-parallel walk over the tested text: "%" matches any run of characters
// (also none), "_" exactly one character, every other character itself without
// regard to letter case, and the whole text must match. Masks are kept per
// code point, so "_" matches one character of UTF-8 text, and patterns of any
// length work (positions are kept in as many 64-bit words as needed).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace gis_sql {

class T_LikeParser {
public:
  /// Compiles `pattern` (UTF-8; letter case is folded here).
  explicit T_LikeParser(const std::string& pattern);

  /// True when the whole of `text` matches. An empty text never matches.
  bool Match(const std::string& text) const;

private:
  using Bits = std::vector<uint64_t>;
  bool MatchShort(const std::u32string& text) const;
  bool MatchLong(const std::u32string& text) const;
  const Bits& MaskOf(char32_t c) const;

  size_t words_ = 1;                         // 64-bit words per position set
  size_t final_ = 0;                         // position reached by the whole pattern
  Bits loop_;                                // positions that may repeat on any character
  Bits any_;                                 // positions entered by any character ("_")
  std::unordered_map<char32_t, Bits> masks_; // positions entered by this character, any_ included
};

} // namespace gis_sql
