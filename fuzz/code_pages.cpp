// Code page conversion at the file boundary: any bytes in any supported code
// page convert without a fault, and Windows-1252 keeps every
// byte through UTF-8. The first byte picks the pair of code pages.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisDefsCodePages.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

namespace {

constexpr int kPages[] = {CP_UTF8, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258,
                          874,     932,  936,  949,  950,  437,  850,  866,  10000, 28591,
                          28592,   20127, 0,   12345};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int from = kPages[data[0] % std::size(kPages)];
  const int to = kPages[(data[0] / std::size(kPages)) % std::size(kPages)];
  const std::string text = skfuzz::Text(data + 1, size - 1);
  try {
    const std::string utf8 = CodePageToUtf8(text, from);
    (void)Utf8ToCodePage(utf8, to);
    (void)ConvertCodePage(text, from, to);
    const std::u16string wide = CodePageToWide(text, from);
    (void)WideToCodePage(wide, to);
    (void)Utf16ToUtf8(wide);
    (void)Utf8ToUtf16(text);
    (void)GisConvertCodePage(text, from, to);
    (void)GisWideToString(GisStringToWide(text, from), to);
    (void)GisDequote(text, '"');
    (void)CodePageToCharset(from);
    if (from == 1252)
      skfuzz::Check(Utf8ToCodePage(utf8, 1252) == text, "1252 keeps every byte through UTF-8");
  } catch (const Exception&) {
  }
  return 0;
}
