// Shared helpers of the drawing-layer tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

/// An off-screen surface with a DC over it, filled white; frees its DC.
struct TTestCanvas {
  explicit TTestCanvas(int w = 32, int h = 32, COLORREF fill = 0xFFFFFF, int bpp = 32)
      : surface(std::make_unique<TMemorySurface>(w, h, bpp, fill)),
        dc(CreateSurfaceDC(surface.get())) {}
  ~TTestCanvas() { DeleteDC(dc); }
  COLORREF At(int x, int y) const {
    const std::uint8_t* p = surface->Row(y) + x * (surface->BitsPerPixel() / 8);
    return RGB(p[2], p[1], p[0]);
  }
  /// The pixels of row y as characters: '#' for `ink`, '.' for `paper`, '?' else.
  std::string RowText(int y, int x0, int x1, COLORREF ink = 0, COLORREF paper = 0xFFFFFF) const {
    std::string s;
    for (int x = x0; x < x1; ++x) {
      COLORREF c = At(x, y);
      s += c == ink ? '#' : c == paper ? '.' : '?';
    }
    return s;
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < surface->Height(); ++y)
      for (int x = 0; x < surface->Width(); ++x)
        n += At(x, y) == c;
    return n;
  }
  std::unique_ptr<TMemorySurface> surface;
  HDC dc;
};

/// Selects an object for the scope and deletes it afterwards.
struct TSelected {
  TSelected(HDC d, HGDIOBJ o) : dc(d), obj(o), old(SelectObject(d, o)) {}
  ~TSelected() {
    SelectObject(dc, old);
    DeleteObject(obj);
  }
  HDC dc;
  HGDIOBJ obj, old;
};
