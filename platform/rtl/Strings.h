// Text helpers over UTF-8 `std::string`.
//
// Positions are 1-based and count bytes, as the system's text rules are byte
// rules. The ASCII helpers (UpperCase, CompareText, ...) touch only the letters
// a-z/A-Z and compare unsigned bytes; the Ansi* helpers work on Unicode text and
// never depend on the process locale. Also here: replacing and quoting,
// integers to decimal and hexadecimal text, and code-point helpers for text
// shown to people.
#pragma once

#include "platform/rtl/Types.h"

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// --- positions (1-based) ---------------------------------------------------------------

/// 1-based index of `sub` in `s`, or 0 when absent or when `sub` is empty.
int Pos(std::string_view sub, std::string_view s);
/// Like Pos, starting the search at 1-based `offset`; 0 for an offset below 1 or
/// past the end.
int PosEx(std::string_view sub, std::string_view s, int offset = 1);
/// `count` bytes from 1-based `index`. An index below 1 counts as 1; a count of 0
/// or less, or an index past the end, gives ''; the result is clipped at the end.
std::string Copy(std::string_view s, Int64 index, Int64 count);
/// Removes `count` bytes from 1-based `index`; does nothing when the index is out
/// of range or the count is not positive.
void Delete(std::string& s, Int64 index, Int64 count);
/// Inserts `source` before 1-based `index`, clamped to 1..length+1.
void Insert(std::string_view source, std::string& s, Int64 index);

// --- trimming (bytes <= 0x20 go, bytes >= 0x80 stay) ---------------------------------

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// --- ASCII case --------------------------------------------------------------------------

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
/// Byte-wise comparison of unsigned bytes: <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
/// Like CompareStr with the letters a-z equal to A-Z.
int CompareText(std::string_view a, std::string_view b);
bool SameStr(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// --- Unicode case (locale independent) -------------------------------------------------
// The case functions leave text that is not valid UTF-8 to the ASCII rules, so
// no byte is lost. The comparisons order by code points after Unicode case
// folding, character by character (A-Z count as a-z); a byte that is not part
// of a well-formed sequence sorts after every character, by its value, so
// that one order holds for every text.

std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
/// A hash of the text's characters after the same case folding as
/// AnsiCompareText: texts that are AnsiSameText hash alike (for hash tables
/// of names that compare ignoring case).
std::size_t AnsiCaseFoldHash(std::string_view s);
/// Hash and equality for such tables: std::unordered_map<std::string_view,
/// T, TAnsiTextHash, TAnsiTextEqual>.
struct TAnsiTextHash {
  std::size_t operator()(std::string_view s) const { return AnsiCaseFoldHash(s); }
};
struct TAnsiTextEqual {
  bool operator()(std::string_view a, std::string_view b) const { return AnsiSameText(a, b); }
};

// --- replacing and building -------------------------------------------------------------

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;

/// Replaces the first (or, with rfReplaceAll, every) occurrence of `oldPattern`;
/// rfIgnoreCase compares ASCII letters without case. An empty pattern changes
/// nothing.
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags = 0);
std::string StringOfChar(char c, Int64 count);
/// The text in single quotes, inner quotes doubled: QuotedStr("it's") = "'it''s'".
std::string QuotedStr(std::string_view s);
/// The text in `quote` characters, inner quote characters doubled.
std::string AnsiQuotedStr(std::string_view s, char quote);
/// 1-based index of the last byte of `s` that is one of `delimiters`, or 0.
int LastDelimiter(std::string_view delimiters, std::string_view s);
/// Whether the byte at 1-based `index` is one of `delimiters` (false out of range).
bool IsDelimiter(std::string_view delimiters, std::string_view s, Int64 index);

// --- integers to text -------------------------------------------------------------------

template <std::integral T>
requires(!std::same_as<T, bool>) std::string IntToStr(T value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

/// Upper-case hexadecimal of at least `digits` digits. A negative value is
/// written as its two's complement in the width of its type.
std::string IntToHexBits(UInt64 bits, int digits);

template <std::integral T>
requires(!std::same_as<T, bool>) std::string IntToHex(T value, int digits) {
  return IntToHexBits(static_cast<UInt64>(static_cast<std::make_unsigned_t<T>>(value)), digits);
}

// --- code points (for text shown to people) ----------------------------------------------

/// Decodes the code point whose UTF-8 sequence starts at byte `i` of `s`
/// into `codePoint`; returns the sequence's length, or 0 when the bytes there
/// are not well-formed UTF-8 (cut off, overlong, a surrogate, beyond U+10FFFF).
std::size_t Utf8DecodeAt(std::string_view s, std::size_t i, char32_t& codePoint);
/// The UTF-8 bytes of one code point (1 to 4 bytes; no check for surrogates).
std::string Utf8Encode(char32_t codePoint);
/// Whether `s` is well-formed UTF-8.
bool IsValidUtf8(std::string_view s);
/// Number of code points (each byte of an invalid sequence counts as one).
Int64 Utf8Length(std::string_view s);
/// Like Copy, counting code points instead of bytes.
std::string Utf8Copy(std::string_view s, Int64 index, Int64 count);
