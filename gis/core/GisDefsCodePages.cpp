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
  struct Row {
    int codePage;
    int charset;
  };
  static constexpr Row rows[] = {
      {1250, 238}, {1251, 204}, {1252, 0},  {1253, 161}, {1254, 162}, {1255, 177}, {1256, 178},
      {1257, 186}, {874, 222},  {932, 128}, {936, 134},  {949, 129},  {950, 136},
  };
  for (const auto& r : rows)
    if (r.codePage == codePage) return r.charset;
  return 1;
}
