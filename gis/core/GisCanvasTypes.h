// The class library's pen, brush and font style values as the kernel's
// configuration converters carry them.
//
// These are plain values with the class library's names and numbering. They
// stand in here until the drawing layer provides them; once it does, this
// header includes the drawing layer's definitions instead.
#pragma once

#include <cstdint>

enum TPenStyle : std::uint8_t {
  psSolid = 0,
  psDash = 1,
  psDot = 2,
  psDashDot = 3,
  psDashDotDot = 4,
  psClear = 5,
  psInsideFrame = 6,
};

enum TBrushStyle : std::uint8_t {
  bsSolid = 0,
  bsClear = 1,
  bsHorizontal = 2,
  bsVertical = 3,
  bsFDiagonal = 4,
  bsBDiagonal = 5,
  bsCross = 6,
  bsDiagCross = 7,
};

enum TFontStyle : std::uint8_t {
  fsBold = 0,
  fsItalic = 1,
  fsUnderline = 2,
  fsStrikeOut = 3,
};

/// A set of font styles: bit n for TFontStyle n (bold 1, italic 2,
/// underline 4, strike-out 8).
using TFontStyles = std::uint8_t;

constexpr TFontStyles FontStyleBit(TFontStyle style) {
  return static_cast<TFontStyles>(1u << style);
}

/// Pixel formats of the class library's bitmaps.
enum TPixelFormat : std::uint8_t {
  pfDevice = 0,
  pf1bit = 1,
  pf4bit = 2,
  pf8bit = 3,
  pf15bit = 4,
  pf16bit = 5,
  pf24bit = 6,
  pf32bit = 7,
  pfCustom = 8,
};
