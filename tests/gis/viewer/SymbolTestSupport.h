// Shared fixture of the symbol tests: a viewer (for twips and rotation), a
// bitmap with a drawing context for pixel probes, a temporary folder, and the
// symbol list registered and emptied around every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gis/core/GisKernel.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/graphics/Bitmap.h"
#include "tests/gis/viewer/GdiTarget.h"
#include "tests/gis/viewer/ViewerTestSupport.h"
#include "tests/support/TempDir.h"

class SymbolTest : public ::testing::Test {
protected:
  void SetUp() override {
    GisSymbolsRegisterUnit();
    GisSymbolList().Clear();
  }
  void TearDown() override { GisSymbolList().Clear(); }

  /// Prepares `s` at `pixels` (given as negative twips, i.e. pixels) on the
  /// bitmap's context.
  void Prepare(TGIS_SymbolAbstract& s, int pixels, int position = 4, double angle = 0,
               std::uint32_t outline = 0xFF0000, std::uint32_t fill = 0x0000FF, int gap = 0) {
    s.Prepare(form.viewer, -pixels, target.gdi.get(), position, -gap, angle, outline, fill);
  }
  /// Writes a 24-bit BMP of one colour.
  std::string WriteBmp(const std::string& name, int w, int h, COLORREF color) {
    TBitmap bmp(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = bmp.ScanLine(y) + x * 3;
        p[0] = GetBValue(color);
        p[1] = GetGValue(color);
        p[2] = GetRValue(color);
      }
    const std::string path = dir / name;
    bmp.SaveToFile(path);
    return path;
  }

  TViewerForm form{200, 100};
  TTarget target{120, 120};
  sktest::TTempDir dir{"symbols"};
};
