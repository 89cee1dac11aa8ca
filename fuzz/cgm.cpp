// CGM symbols, binary and clear-text: any file gives a symbol or none (or
// raises the kernel's error), and a symbol draws at several sizes and angles
// without a fault.

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
  const std::string path = skfuzz::WriteScratch("symbol.cgm", data, size);
  skfuzz::TSymbolTarget target;
  try {
    if (TGIS_SymbolAbstract* symbol = GisSymbolList().Get(path)) target.DrawAll(*symbol);
  } catch (const Exception&) {
  }
  return 0;
}
