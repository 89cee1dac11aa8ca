#include "platform/rtl/Strings.h"

#include <QChar>
#include <QString>

#include <algorithm>

namespace {

bool isBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int sign(int v) {
  return (v > 0) - (v < 0);
}

QString toQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string fromQString(const QString& s) {
  const QByteArray bytes = s.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Step over one code point; a byte of an invalid sequence counts as one.
std::size_t nextCodePoint(std::string_view s, std::size_t i) {
  char32_t codePoint;
  const std::size_t n = Utf8DecodeAt(s, i, codePoint);
  return i + (n == 0 ? 1 : n);
}

// The sort key of the character at byte `i` of `s`, stepping over it: its
// case-folded code point, or for a byte that starts no well-formed UTF-8
// sequence a value beyond every character, so that one order holds for all
// texts.
char32_t foldedCharAt(std::string_view s, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) {
    ++i;
    return static_cast<unsigned char>(lowerAscii(static_cast<char>(lead)));
  }
  char32_t codePoint;
  const std::size_t n = Utf8DecodeAt(s, i, codePoint);
  if (n == 0) {
    ++i;
    return 0x110000 + lead;
  }
  i += n;
  return QChar::toCaseFolded(codePoint);
}

} // namespace

int Pos(std::string_view sub, std::string_view s) {
  return PosEx(sub, s, 1);
}

int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1 || static_cast<std::size_t>(offset) > s.size()) return 0;
  const std::size_t at = s.find(sub, static_cast<std::size_t>(offset - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

std::string Copy(std::string_view s, Int64 index, Int64 count) {
  if (index < 1) index = 1;
  const auto len = static_cast<Int64>(s.size());
  if (count <= 0 || index > len) return {};
  const Int64 available = len - index + 1;
  return std::string(s.substr(static_cast<std::size_t>(index - 1),
                              static_cast<std::size_t>(std::min(count, available))));
}

void Delete(std::string& s, Int64 index, Int64 count) {
  const auto len = static_cast<Int64>(s.size());
  if (index < 1 || index > len || count <= 0) return;
  s.erase(static_cast<std::size_t>(index - 1),
          static_cast<std::size_t>(std::min(count, len - index + 1)));
}

void Insert(std::string_view source, std::string& s, Int64 index) {
  const auto len = static_cast<Int64>(s.size());
  index = std::clamp<Int64>(index, 1, len + 1);
  s.insert(static_cast<std::size_t>(index - 1), source);
}

std::string Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i]))
    ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && isBlank(s[n - 1]))
    --n;
  return std::string(s.substr(0, n));
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = upperAscii(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = lowerAscii(c);
  return out;
}

int CompareStr(std::string_view a, std::string_view b) {
  return sign(a.compare(b));
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(upperAscii(a[i]));
    const auto cb = static_cast<unsigned char>(upperAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameStr(std::string_view a, std::string_view b) {
  return a == b;
}
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

std::string AnsiUpperCase(std::string_view s) {
  if (!IsValidUtf8(s)) return UpperCase(s);
  return fromQString(toQString(s).toUpper());
}

std::string AnsiLowerCase(std::string_view s) {
  if (!IsValidUtf8(s)) return LowerCase(s);
  return fromQString(toQString(s).toLower());
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  // Byte order of well-formed UTF-8 is code point order.
  return CompareStr(a, b);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = foldedCharAt(a, i), cb = foldedCharAt(b, j);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return static_cast<int>(i < a.size()) - static_cast<int>(j < b.size());
}

bool AnsiSameStr(std::string_view a, std::string_view b) {
  return a == b;
}
bool AnsiSameText(std::string_view a, std::string_view b) {
  return AnsiCompareText(a, b) == 0;
}

std::size_t AnsiCaseFoldHash(std::string_view s) {
  std::uint64_t hash = 14695981039346656037ull; // FNV-1a over the folded characters
  for (std::size_t i = 0; i < s.size();) {
    hash ^= foldedCharAt(s, i);
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash);
}

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  const bool all = (flags & rfReplaceAll) != 0;
  const bool ignoreCase = (flags & rfIgnoreCase) != 0;
  const std::string haystack = ignoreCase ? UpperCase(s) : std::string(s);
  const std::string needle = ignoreCase ? UpperCase(oldPattern) : std::string(oldPattern);
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  while (true) {
    const std::size_t at = haystack.find(needle, from);
    if (at == std::string::npos) break;
    out.append(s.substr(from, at - from));
    out.append(newPattern);
    from = at + needle.size();
    if (!all) break;
  }
  out.append(s.substr(from));
  return out;
}

std::string StringOfChar(char c, Int64 count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string();
}

std::string QuotedStr(std::string_view s) {
  return AnsiQuotedStr(s, '\'');
}

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back(quote);
  for (const char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

int LastDelimiter(std::string_view delimiters, std::string_view s) {
  const std::size_t at = s.find_last_of(delimiters);
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

bool IsDelimiter(std::string_view delimiters, std::string_view s, Int64 index) {
  if (index < 1 || index > static_cast<Int64>(s.size())) return false;
  return delimiters.find(s[static_cast<std::size_t>(index - 1)]) != std::string_view::npos;
}

std::string IntToHexBits(UInt64 bits, int digits) {
  static const char hex[] = "0123456789ABCDEF";
  char buffer[16];
  int n = 0;
  do {
    buffer[n++] = hex[bits & 0xF];
    bits >>= 4;
  } while (bits != 0);
  std::string out;
  if (digits > n) out.assign(static_cast<std::size_t>(digits - n), '0');
  while (n > 0)
    out.push_back(buffer[--n]);
  return out;
}

std::string Utf8Encode(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | ((c >> 18) & 0x07));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

std::size_t Utf8DecodeAt(std::string_view s, std::size_t i, char32_t& codePoint) {
  if (i >= s.size()) return 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t n;
  char32_t c, least;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    n = 2, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4, c = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (n > s.size() - i) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  codePoint = c;
  return n;
}

bool IsValidUtf8(std::string_view s) {
  char32_t codePoint;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8DecodeAt(s, i, codePoint);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

Int64 Utf8Length(std::string_view s) {
  Int64 count = 0;
  for (std::size_t i = 0; i < s.size(); i = nextCodePoint(s, i))
    ++count;
  return count;
}

std::string Utf8Copy(std::string_view s, Int64 index, Int64 count) {
  if (index < 1) index = 1;
  if (count <= 0) return {};
  std::size_t i = 0;
  for (Int64 k = 1; k < index && i < s.size(); ++k)
    i = nextCodePoint(s, i);
  std::size_t j = i;
  for (Int64 k = 0; k < count && j < s.size(); ++k)
    j = nextCodePoint(s, j);
  return std::string(s.substr(i, j - i));
}
