// Picture symbols (BMP, JPEG, PNG files named by a style): any file gives a
// symbol or none (or raises the kernel's error), and a symbol draws at
// several sizes and angles without a fault. The first byte picks the file's
// extension, the rest is the file.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/SymbolDraw.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartSymbols(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kExtensions[] = {".bmp", ".jpg", ".png"};
  const std::string path =
      skfuzz::WriteScratch(std::string("symbol") + kExtensions[data[0] % 3], data + 1, size - 1);
  skfuzz::TSymbolTarget target;
  try {
    if (TGIS_SymbolAbstract* symbol = GisSymbolList().Get(path)) target.DrawAll(*symbol);
  } catch (const Exception&) {
  }
  for (const char* ext : kExtensions) skfuzz::RemoveScratch(std::string("symbol") + ext);
  return 0;
}
