#include "platform/rtl/CodePages.h"

#include "platform/rtl/ResetHooks.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

// ---- UTF-8 --------------------------------------------------------------------

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// ---- Windows-1252, kept in the runtime so that it maps every byte ----------------

constexpr char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string decode1252(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    appendUtf8(out, (b >= 0x80 && b < 0xA0) ? char32_t(k1252High[b - 0x80]) : char32_t(b));
  }
  return out;
}

int encode1252Char(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (k1252High[i] == c) return 0x80 + i;
  return -1;
}

// ---- iconv ----------------------------------------------------------------------

struct Iconv {
  iconv_t cd;
  Iconv(const std::string& to, const std::string& from)
      : cd(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd);
  }
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

enum class Decode { Ok, Invalid, Unknown };

// Bytes of a code page to UTF-8 through iconv, the whole text at once.
Decode iconvDecode(std::string_view text, int codePage, std::string& out) {
  Iconv conv("UTF-8", CodePageName(codePage));
  if (!conv.ok()) return Decode::Unknown;
  out.clear();
  std::vector<char> buf(text.size() * 4 + 16);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  for (;;) {
    char* dst = buf.data();
    size_t dstLeft = buf.size();
    const size_t r = iconv(conv.cd, inLeft ? &in : nullptr, &inLeft, &dst, &dstLeft);
    out.append(buf.data(), dst);
    if (r != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) continue;
    return Decode::Invalid; // EILSEQ, or EINVAL: a cut-off sequence at the end
  }
  // Flush a stateful decoder.
  char* dst = buf.data();
  size_t dstLeft = buf.size();
  iconv(conv.cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf.data(), dst);
  return Decode::Ok;
}

// ---- single-byte code pages -----------------------------------------------------
// A single-byte page may leave a few bytes undefined (0x98 in 1251). Such a
// byte decodes on its own, to the character of the same number (as the
// Windows-1252 table above does for its five), and the rest of the text in
// its real page; the same character encodes back to the byte.

bool isSingleBytePage(int codePage) {
  return codePage == 874 || (codePage >= 1250 && codePage <= 1258) ||
         (codePage >= 28591 && codePage <= 28605) || codePage == 10000 || codePage == 20866 ||
         codePage == 21866;
}

using ByteSet = std::array<bool, 256>;

// The bytes the page leaves undefined, asked of iconv once per page.
const ByteSet& undefinedBytes(int codePage) {
  static std::mutex lock;
  static std::map<int, ByteSet> pages;
  const std::lock_guard<std::mutex> hold(lock);
  auto [it, added] = pages.try_emplace(codePage);
  if (added) {
    it->second.fill(false);
    std::string out;
    for (int b = 0x80; b <= 0xFF; ++b) {
      const char byte = static_cast<char>(b);
      it->second[size_t(b)] = iconvDecode(std::string_view(&byte, 1), codePage, out) != Decode::Ok;
    }
  }
  return it->second;
}

// Decodes the defined runs in the page and every undefined byte on its own.
Decode decodeSingleByte(const std::string& text, int codePage, std::string& out) {
  const ByteSet& undefined = undefinedBytes(codePage);
  auto isUndefined = [&](char c) { return undefined[static_cast<unsigned char>(c)]; };
  if (std::none_of(text.begin(), text.end(), isUndefined)) return iconvDecode(text, codePage, out);
  std::string result, run;
  for (size_t at = 0; at < text.size();) {
    if (isUndefined(text[at])) {
      appendUtf8(result, static_cast<unsigned char>(text[at++]));
      continue;
    }
    size_t end = at;
    while (end < text.size() && !isUndefined(text[end]))
      ++end;
    const Decode d = iconvDecode(std::string_view(text).substr(at, end - at), codePage, run);
    if (d != Decode::Ok) return d;
    result += run;
    at = end;
  }
  out = std::move(result);
  return Decode::Ok;
}

// The byte a character that the page cannot encode goes back to: its own
// number when that byte is one the page leaves undefined; else '?'.
char unencodableByte(char32_t c, int codePage) {
  if (c >= 0x80 && c <= 0xFF && isSingleBytePage(codePage) && undefinedBytes(codePage)[c])
    return static_cast<char>(c);
  return '?';
}

// Bytes of a code page to UTF-8.
Decode decodeToUtf8(const std::string& text, int codePage, std::string& out) {
  if (codePage == CP_UTF8) {
    if (!IsValidUtf8(text)) return Decode::Invalid;
    out = text;
    return Decode::Ok;
  }
  if (codePage == 1252) {
    out = decode1252(text);
    return Decode::Ok;
  }
  if (isSingleBytePage(codePage)) return decodeSingleByte(text, codePage, out);
  return iconvDecode(text, codePage, out);
}

// Valid UTF-8 to a code page; false when the code page is unknown.
bool encodeFromUtf8(const std::string& utf8, int codePage, std::string& out) {
  out.clear();
  if (codePage == CP_UTF8) {
    out = utf8;
    return true;
  }
  if (codePage == 1252) {
    size_t pos = 0;
    while (pos < utf8.size()) {
      char32_t c = 0;
      size_t len = Utf8DecodeAt(utf8, pos, c);
      if (len == 0) len = 1, c = 0xFFFD;
      const int b = encode1252Char(c);
      out += b < 0 ? '?' : static_cast<char>(b);
      pos += len;
    }
    return true;
  }
  Iconv conv(CodePageName(codePage), "UTF-8");
  if (!conv.ok()) return false;
  std::vector<char> buf(utf8.size() * 4 + 16);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  while (inLeft > 0) {
    char* dst = buf.data();
    size_t dstLeft = buf.size();
    const size_t r = iconv(conv.cd, &in, &inLeft, &dst, &dstLeft);
    out.append(buf.data(), dst);
    if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // A character the code page has no byte for: one '?' for it.
    char32_t c = 0;
    size_t len = Utf8DecodeAt(std::string_view(in, std::min<size_t>(inLeft, 4)), 0, c);
    if (len == 0) len = 1;
    in += len;
    inLeft -= len;
    out += unencodableByte(c, codePage);
  }
  char* dst = buf.data();
  size_t dstLeft = buf.size();
  iconv(conv.cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf.data(), dst);
  return true;
}

// UTF-8 of any code page's bytes, with the Windows-1252 fallback.
bool toUtf8(const std::string& text, int codePage, std::string& out) {
  switch (decodeToUtf8(text, codePage, out)) {
  case Decode::Ok:
    return true;
  case Decode::Invalid:
    out = decode1252(text);
    return true;
  case Decode::Unknown:
    break;
  }
  out.clear();
  return false;
}

int resolve(int codePage) {
  return codePage == CP_ACP ? GetACP() : codePage;
}

std::string upperAlnum(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c >= 'a' && c <= 'z')
      out += static_cast<char>(c - 32);
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      out += c;
  }
  return out;
}

int parseNumber(const std::string& s) {
  int value = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), value);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return 0;
  return value;
}

int environmentCodePage() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return CodePageFromLocale(value);
  }
  return CP_UTF8;
}

std::atomic<int>& systemCodePage() {
  static std::atomic<int> value{environmentCodePage()};
  return value;
}

} // namespace

namespace {
const TResetHookRegistrar resetCodePage("CodePages", &ResetACP);
} // namespace

int GetACP() {
  return systemCodePage().load();
}

void SetACP(int codePage) {
  systemCodePage().store(codePage == CP_ACP ? CP_UTF8 : codePage);
}

void ResetACP() {
  systemCodePage().store(environmentCodePage());
}

int CodePageFromLocale(const std::string& locale) {
  const size_t dot = locale.find('.');
  if (dot == std::string::npos) return CP_UTF8;
  std::string codeset = locale.substr(dot + 1);
  codeset = codeset.substr(0, codeset.find('@'));
  const std::string key = upperAlnum(codeset);
  struct Row {
    const char* name;
    int codePage;
  };
  static const Row rows[] = {{"UTF8", 65001}, {"KOI8R", 20866},  {"KOI8U", 21866},
                             {"GBK", 936},    {"GB2312", 936},   {"BIG5", 950},
                             {"SJIS", 932},   {"SHIFTJIS", 932}, {"ISO885915", 28605}};
  for (const Row& row : rows)
    if (key == row.name) return row.codePage;
  if (key.rfind("ISO8859", 0) == 0) {
    const int n = parseNumber(key.substr(7));
    if (n >= 1 && n <= 9) return 28590 + n;
  }
  for (const char* prefix : {"CP", "WINDOWS"}) {
    const std::string p = prefix;
    if (key.rfind(p, 0) == 0) {
      const int n = parseNumber(key.substr(p.size()));
      if (n > 0) return n;
    }
  }
  return CP_UTF8;
}

std::string CodePageName(int codePage) {
  codePage = resolve(codePage);
  struct Row {
    int codePage;
    const char* name;
  };
  static const Row rows[] = {{65001, "UTF-8"},      {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
                             {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},
                             {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
                             {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"}, {10000, "MACINTOSH"},
                             {20866, "KOI8-R"},     {21866, "KOI8-U"}};
  for (const Row& row : rows)
    if (row.codePage == codePage) return row.name;
  return "CP" + IntToStr(codePage);
}

bool IsCodePageSupported(int codePage) {
  codePage = resolve(codePage);
  if (codePage == CP_UTF8 || codePage == 1252) return true;
  if (codePage <= 0) return false;
  Iconv conv("UTF-8", CodePageName(codePage));
  return conv.ok();
}

std::string ConvertCodePage(const std::string& text, int fromCodePage, int toCodePage) {
  fromCodePage = resolve(fromCodePage);
  toCodePage = resolve(toCodePage);
  if (fromCodePage == toCodePage) return text;
  std::string utf8, out;
  if (!toUtf8(text, fromCodePage, utf8)) return std::string();
  if (!encodeFromUtf8(utf8, toCodePage, out)) return std::string();
  return out;
}

std::string CodePageToUtf8(const std::string& text, int codePage) {
  return ConvertCodePage(text, codePage, CP_UTF8);
}

std::string Utf8ToCodePage(const std::string& text, int codePage) {
  return ConvertCodePage(text, CP_UTF8, codePage);
}

std::u16string CodePageToWide(const std::string& text, int codePage) {
  std::string utf8;
  if (!toUtf8(text, resolve(codePage), utf8)) return std::u16string();
  return Utf8ToUtf16(utf8);
}

std::string WideToCodePage(const std::u16string& text, int codePage) {
  std::string out;
  if (!encodeFromUtf8(Utf16ToUtf8(text), resolve(codePage), out)) return std::string();
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  const std::string& utf8 = IsValidUtf8(text) ? text : decode1252(text);
  std::u16string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = 0;
    pos += Utf8DecodeAt(utf8, pos, c);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += '?';
    } else {
      appendUtf8(out, u);
    }
  }
  return out;
}

int CodePageToCharset(int codePage) {
  struct Row {
    int codePage;
    int charset;
  };
  static const Row rows[] = {{1250, 238}, {1251, 204}, {1252, 0},   {1253, 161}, {1254, 162},
                             {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},
                             {932, 128},  {936, 134},  {949, 129},  {950, 136},  {1361, 130}};
  codePage = resolve(codePage);
  for (const Row& row : rows)
    if (row.codePage == codePage) return row.charset;
  return 1;
}
