// Text helpers of the form-state library: replacing, removing and trimming
// characters, words and fields by delimiter sets, and a reversible XOR and
// hexadecimal coding of a text with a key. Positions are 1-based byte
// positions.
#pragma once

#include <bitset>
#include <initializer_list>
#include <string>
#include <string_view>

/// A set of 8-bit characters.
class TCharSet {
public:
  TCharSet() = default;
  TCharSet(std::initializer_list<char> chars) {
    for (char c : chars)
      bits_.set(static_cast<unsigned char>(c));
  }
  bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

private:
  std::bitset<256> bits_;
};

/// Every occurrence of `search` replaced (left to right, replaced text never
/// searched again); an empty `search` leaves the text unchanged.
std::string StrReplaceAll(std::string_view text, std::string_view search,
                          std::string_view replacement);
std::string StrRemoveChar(std::string_view text, char c);
/// Blanks (code 32 only) at the start, the end, or both.
std::string StrStripLeadingSpaces(std::string_view text);
std::string StrStripTrailingSpaces(std::string_view text);
std::string StrStripSpaces(std::string_view text);
/// `count` copies of `c`; '' for count <= 0.
std::string StrOfChar(char c, int count);

int StrWordCount(std::string_view text, const TCharSet& delimiters);
/// The position of the n-th word's first character; 0 when there is none.
int StrWordStart(int n, std::string_view text, const TCharSet& delimiters);
/// The n-th word; '' when there is none.
std::string StrWordAt(int n, std::string_view text, const TCharSet& delimiters);
/// The text from `position` to the next delimiter; `position` then moves past
/// that delimiter (or to length + 1 at the end).
std::string StrNextField(std::string_view text, int& position, const TCharSet& delimiters);

/// Each character XOR the key's character (cycling), as two lower-case
/// hexadecimal digits.
std::string StrXorHexEncode(std::string_view key, std::string_view text);
/// The inverse of StrXorHexEncode; a pair that is no hexadecimal number
/// gives a blank, an odd last character is ignored.
std::string StrXorHexDecode(std::string_view key, std::string_view text);
