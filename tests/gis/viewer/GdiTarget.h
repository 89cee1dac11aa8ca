// A bitmap with a drawing context over it, for pixel probes.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "gis/viewer/GisGDI.h"
#include "platform/graphics/Bitmap.h"

// Pixel colours the tests probe for.
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);

// The bounding box of the pixels of colour `c` in a width x height picture
// read through pixel(x, y) (an empty rect when none).
template <class PixelAt> TRect InkBoxOf(int width, int height, COLORREF c, PixelAt pixel) {
  TRect box(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (pixel(x, y) == c) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.Right < box.Left ? TRect() : box;
}

// A bitmap with a context over it; the bitmap is filled with `fill`.
struct TTarget {
  std::unique_ptr<TBitmap> bitmap;
  std::unique_ptr<TGIS_GDI> gdi;
  TTarget(int w, int h, COLORREF fill = 0xFFFFFF) {
    bitmap = std::make_unique<TBitmap>(w, h, pf32bit);
    Fill(fill);
    gdi = TGIS_GDI::CreateForBitmap(bitmap.get());
  }
  void Fill(COLORREF c) {
    for (int y = 0; y < bitmap->Height(); ++y) {
      std::uint8_t* row = bitmap->ScanLine(y);
      for (int x = 0; x < bitmap->Width(); ++x) {
        row[x * 4] = GetBValue(c);
        row[x * 4 + 1] = GetGValue(c);
        row[x * 4 + 2] = GetRValue(c);
        row[x * 4 + 3] = 0;
      }
    }
  }
  COLORREF Pixel(int x, int y) {
    const std::uint8_t* p = bitmap->ScanLine(y) + x * 4;
    return RGB(p[2], p[1], p[0]);
  }
  std::vector<std::uint8_t> Snapshot() {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < bitmap->Height(); ++y) {
      const std::uint8_t* row = bitmap->ScanLine(y);
      for (int x = 0; x < bitmap->Width(); ++x)
        out.insert(out.end(), row + x * 4, row + x * 4 + 3);
    }
    return out;
  }
  // Bounding box of pixels of colour `c` (empty rect when none).
  TRect InkBox(COLORREF c) {
    return InkBoxOf(bitmap->Width(), bitmap->Height(), c, [this](int x, int y) { return Pixel(x, y); });
  }
  int CountColor(COLORREF c) {
    int n = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x)
        n += Pixel(x, y) == c;
    return n;
  }
};
