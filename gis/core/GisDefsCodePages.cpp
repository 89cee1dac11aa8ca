#include "gis/core/GisDefsCodePages.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Strings.h"

std::string GisConvertCodePage(const std::string& text, int fromCodePage, int toCodePage) {
  if (fromCodePage == toCodePage) return text;
  return ConvertCodePage(text, fromCodePage, toCodePage);
}

std::u16string GisStringToWide(const std::string& text, int codePage) {
  return CodePageToWide(text, codePage);
}

std::string GisWideToString(const std::u16string& text, int codePage) {
  return WideToCodePage(text, codePage);
}

std::string GisDequote(const std::string& text, char quote) {
  const std::string s = Trim(text);
  if (!s.empty() && s.front() == quote && s.back() == quote)
    return s.size() < 2 ? std::string() : s.substr(1, s.size() - 2);
  return s;
}

int GisSystemCodePage() {
  return GetACP();
}

int GisCodePageToCharset(int codePage) {
  // 0 names no code page here (it is not the system page's stand-in).
  return codePage == CP_ACP ? 1 : CodePageToCharset(codePage);
}
