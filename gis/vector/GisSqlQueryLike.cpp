// The LIKE matcher of the attribute query language.
//
// Positions are numbered from 0 (nothing matched yet); position p is bit p of
// the position set, and 1 means "reachable". Each pattern character other
// than "%" moves from position p - 1 to p; "%" lets the position before it
// stay on any character. One step over a tested character c is
//   state' = (state AND loop) OR ((state << 1) AND mask[c])
// with mask[c] holding the positions that c may enter ("_" positions included).

#include "gis/vector/GisSqlQueryLike.h"

#include "gis/vector/GisSqlQueryValues.h"

namespace gis_sql {

namespace {

inline void SetBit(std::vector<uint64_t>& bits, size_t p) {
  bits[p / 64] |= uint64_t(1) << (p % 64);
}

inline bool TestBit(const std::vector<uint64_t>& bits, size_t p) {
  return (bits[p / 64] >> (p % 64)) & 1;
}

} // namespace

T_LikeParser::T_LikeParser(const std::string& pattern) {
  std::u32string folded = SqlFold(pattern);
  size_t positions = 1;
  for (char32_t c : folded)
    if (c != U'%') ++positions;
  words_ = (positions + 63) / 64;
  loop_.assign(words_, 0);
  any_.assign(words_, 0);
  size_t p = 1;
  for (char32_t c : folded) {
    if (c == U'%') {
      SetBit(loop_, p - 1);
    } else if (c == U'_') {
      SetBit(any_, p++);
    } else {
      auto it = masks_.try_emplace(c, Bits(words_, 0)).first;
      SetBit(it->second, p++);
    }
  }
  final_ = p - 1;
  for (auto& [c, bits] : masks_)
    for (size_t w = 0; w < words_; ++w)
      bits[w] |= any_[w];
}

const T_LikeParser::Bits& T_LikeParser::MaskOf(char32_t c) const {
  auto it = masks_.find(c);
  return it == masks_.end() ? any_ : it->second;
}

bool T_LikeParser::Match(const std::string& text) const {
  if (text.empty()) return false;
  std::u32string folded = SqlFold(text);
  return words_ == 1 ? MatchShort(folded) : MatchLong(folded);
}

bool T_LikeParser::MatchShort(const std::u32string& text) const {
  const uint64_t loop = loop_[0];
  uint64_t state = 1;
  for (char32_t c : text) {
    state = (state & loop) | ((state << 1) & MaskOf(c)[0]);
    if (state == 0) return false;
  }
  return (state >> final_) & 1;
}

bool T_LikeParser::MatchLong(const std::u32string& text) const {
  Bits state(words_, 0), next(words_, 0);
  state[0] = 1;
  for (char32_t c : text) {
    const Bits& mask = MaskOf(c);
    uint64_t carry = 0;
    bool any = false;
    for (size_t w = 0; w < words_; ++w) {
      uint64_t shifted = (state[w] << 1) | carry;
      carry = state[w] >> 63;
      next[w] = (state[w] & loop_[w]) | (shifted & mask[w]);
      any = any || next[w] != 0;
    }
    state.swap(next);
    if (!any) return false;
  }
  return TestBit(state, final_);
}

} // namespace gis_sql
