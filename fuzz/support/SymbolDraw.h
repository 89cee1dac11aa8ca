// For the harnesses of symbols: the start-up they need, a bitmap with a drawing context, and a symbol
// prepared at a few sizes, positions and angles and drawn inside and across
// the bitmap's edges. The symbol cache is emptied after every input, so
// that a scratch file of the same name is read again.
#pragma once

#include <memory>

#include "fuzz/support/FuzzGui.h"
#include "gis/core/GisKernel.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/graphics/Bitmap.h"

namespace skfuzz {

/// The application object, the kernel's messages and the symbol list with
/// its resolver, as the program starts them.
inline void StartSymbols(int* argc, char*** argv) {
  StartGui(argc, argv);
  GisKernelInit();
  GisSymbolsRegisterUnit();
}

class TSymbolTarget {
public:
  TSymbolTarget() : bitmap_(48, 32, pf32bit), gdi_(TGIS_GDI::CreateForBitmap(&bitmap_)) {}
  ~TSymbolTarget() { GisSymbolList().Clear(); }

  /// Prepares and draws; `pixels` is the size in pixels (negative twips).
  void Draw(TGIS_SymbolAbstract& symbol, int pixels, int position, double angle) {
    symbol.Prepare(nullptr, -pixels, gdi_.get(), position, 0, angle, 0xFF0000, 0x00FF00);
    symbol.Draw(24, 16);
    symbol.Draw(-3, 40);
    symbol.Unprepare();
  }

  /// The sizes and turns a style may ask for.
  void DrawAll(TGIS_SymbolAbstract& symbol) {
    Draw(symbol, 12, 4, 0);
    Draw(symbol, 1, 0, 1.0);
    Draw(symbol, 40, 8, -2.5);
  }

private:
  TBitmap bitmap_;
  std::unique_ptr<TGIS_GDI> gdi_;
};

} // namespace skfuzz
