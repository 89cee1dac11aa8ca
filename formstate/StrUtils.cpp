#include "formstate/StrUtils.h"

std::string StrReplaceAll(std::string_view text, std::string_view search,
                          std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string result;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(search, from);
    if (at == std::string_view::npos) break;
    result.append(text.substr(from, at - from));
    result.append(replacement);
    from = at + search.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string StrRemoveChar(std::string_view text, char c) {
  std::string result;
  result.reserve(text.size());
  for (char ch : text)
    if (ch != c) result += ch;
  return result;
}

std::string StrStripLeadingSpaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  return std::string(text.substr(i));
}

std::string StrStripTrailingSpaces(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ')
    --n;
  return std::string(text.substr(0, n));
}

std::string StrStripSpaces(std::string_view text) {
  return StrStripLeadingSpaces(StrStripTrailingSpaces(text));
}

std::string StrOfChar(char c, int count) {
  return count > 0 ? std::string(size_t(count), c) : std::string();
}

int StrWordCount(std::string_view text, const TCharSet& delimiters) {
  int count = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && delimiters.Contains(text[i]))
      ++i;
    if (i < text.size()) ++count;
    while (i < text.size() && !delimiters.Contains(text[i]))
      ++i;
  }
  return count;
}

int StrWordStart(int n, std::string_view text, const TCharSet& delimiters) {
  if (n < 1) return 0;
  int count = 0;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && delimiters.Contains(text[i]))
      ++i;
    if (i >= text.size()) break;
    if (++count == n) return int(i) + 1;
    while (i < text.size() && !delimiters.Contains(text[i]))
      ++i;
  }
  return 0;
}

std::string StrWordAt(int n, std::string_view text, const TCharSet& delimiters) {
  const int start = StrWordStart(n, text, delimiters);
  if (start == 0) return {};
  size_t end = size_t(start) - 1;
  while (end < text.size() && !delimiters.Contains(text[end]))
    ++end;
  return std::string(text.substr(size_t(start) - 1, end - (size_t(start) - 1)));
}

std::string StrNextField(std::string_view text, int& position, const TCharSet& delimiters) {
  const size_t from = position < 1 ? 0 : size_t(position) - 1;
  size_t i = from;
  while (i < text.size() && !delimiters.Contains(text[i]))
    ++i;
  std::string field = from < text.size() ? std::string(text.substr(from, i - from)) : std::string();
  position = i < text.size() ? int(i) + 2 : int(text.size()) + 1;
  return field;
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

unsigned char keyByte(std::string_view key, size_t i) {
  return key.empty() ? 0 : static_cast<unsigned char>(key[i % key.size()]);
}

} // namespace

std::string StrXorHexEncode(std::string_view key, std::string_view text) {
  std::string result;
  result.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned v = static_cast<unsigned char>(text[i]) ^ keyByte(key, i);
    result += kHexDigits[(v >> 4) & 0xF];
    result += kHexDigits[v & 0xF];
  }
  return result;
}

std::string StrXorHexDecode(std::string_view key, std::string_view text) {
  std::string result;
  result.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
    unsigned v = (hi < 0 || lo < 0) ? 32u : unsigned(hi * 16 + lo);
    v = (v ^ keyByte(key, i / 2)) & 0xFF;
    result += static_cast<char>(v);
  }
  return result;
}
