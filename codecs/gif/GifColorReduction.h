// Colour reduction for GIF frames: row access to bitmaps, the fixed
// palettes, the octree quantizer, the colour lookups and the error-diffusion
// dither engines that map each pixel of a row to a palette index.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Graphic.h"

class TBitmap;

// Reduction methods (TGifPicture::ReductionMethod).
enum TReductionMethod : std::uint8_t {
  rdNone = 0,
  rdWindows20 = 1,
  rdWindows256 = 2,
  rdWindowsGray = 3,
  rdMonochrome = 4,
  rdGrayScale = 5,
  rdWebPalette = 6,
  rdQuantize = 7,
  rdQuantizeWindows = 8,
  rdPalette = 9
};

// Dither kinds (TGifPicture::DitherKind).
enum TDitherKind : std::uint8_t {
  dkNearest = 0,
  dkFloydSteinberg = 1,
  dkStucki = 2,
  dkSierra = 3,
  dkJaJuNi = 4,
  dkSteveArche = 5,
  dkBurkes = 6
};

/// Rows of a bitmap switched to a pixel format (the bitmap itself is
/// converted).
class TDIBReader {
public:
  TDIBReader(TBitmap& bitmap, int pixelFormat);
  std::uint8_t* ScanLine(int row);

private:
  TBitmap& bitmap_;
};

/// Builds an 8- or 24-bit image of a given size and palette in a bitmap.
class TDIBWriter {
public:
  /// "Unsupported PixelFormat" for other than 8 or 24 bits, "Invalid image
  /// dimensions" for a zero size.
  TDIBWriter(TBitmap& bitmap, HPALETTE palette, int height, int width, int pixelFormat);
  /// "Scan line index out of range" (EInvalidGraphicOperation) outside the rows.
  std::uint8_t* ScanLine(int row);

private:
  TBitmap& bitmap_;
  int height_;
};

// The fixed palettes (the caller deletes them).
HPALETTE WebPalette();
HPALETTE GrayScalePalette();
HPALETTE MonochromePalette();
HPALETTE WindowsGrayPalette();
HPALETTE WindowsDefaultPalette();
HPALETTE WindowsHalftonePalette();
/// An octree palette of the bitmap's colours (read at 24 bits). With system
/// colours the 20 default colours take entries 0-9 and 246-255 and at most
/// 236 colours are quantized into entries 10-245.
HPALETTE QuantizedPalette(TBitmap& bitmap, int colors, int colorBits, bool systemColors);
/// The entries of a palette (none for nullptr).
std::vector<PALETTEENTRY> PaletteEntriesOf(HPALETTE palette);

class TOctreeNode {
public:
  bool Leaf = false;
  std::uint32_t PixelCount = 0, RedSum = 0, GreenSum = 0, BlueSum = 0;
  TOctreeNode* NextReducible = nullptr;
  std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

class TColorQuantizer {
public:
  TColorQuantizer(int maxColors, int colorBits);
  ~TColorQuantizer();
  TColorQuantizer(const TColorQuantizer&) = delete;
  TColorQuantizer& operator=(const TColorQuantizer&) = delete;
  /// Adds every pixel of a 24-bit bitmap.
  void ProcessImage(TDIBReader& image, int width, int height);
  void AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  /// Leaves in depth-first order as blue, green, red, reserved.
  std::vector<RGBQUAD> ColorTable() const;
  int LeafCount() const { return leafCount_; }

private:
  void Add(std::unique_ptr<TOctreeNode>& node, std::uint8_t r, std::uint8_t g, std::uint8_t b,
           int level);
  bool Reduce();

  std::unique_ptr<TOctreeNode> root_;
  int leafCount_ = 0;
  std::array<TOctreeNode*, 9> reducible_{};
  int maxColors_;
  int colorBits_;
};

struct TLookupColor {
  int Red = 0, Green = 0, Blue = 0;
};

/// Maps a colour to a palette index and gives the colour chosen.
class TColorLookup {
public:
  explicit TColorLookup(int colors) : colors_(colors) {}
  virtual ~TColorLookup() = default;
  virtual int Lookup(int red, int green, int blue, TLookupColor& chosen) = 0;
  int Colors() const { return colors_; }

protected:
  int colors_;
};

/// The nearest entry of a palette.
class TSlowColorLookup : public TColorLookup {
public:
  explicit TSlowColorLookup(HPALETTE palette);
  int Lookup(int red, int green, int blue, TLookupColor& chosen) override;

private:
  HPALETTE palette_;
  std::vector<PALETTEENTRY> entries_;
};

/// The 216-colour web cube.
class TNetscapeColorLookup : public TColorLookup {
public:
  TNetscapeColorLookup() : TColorLookup(216) {}
  int Lookup(int red, int green, int blue, TLookupColor& chosen) override;
};

class TGrayScaleLookup : public TColorLookup {
public:
  TGrayScaleLookup() : TColorLookup(256) {}
  int Lookup(int red, int green, int blue, TLookupColor& chosen) override;
};

class TMonochromeLookup : public TColorLookup {
public:
  TMonochromeLookup() : TColorLookup(2) {}
  int Lookup(int red, int green, int blue, TLookupColor& chosen) override;
};

// ---- dither engines ---------------------------------------------------------------------

/// The plain engine: each pixel takes the lookup's nearest colour. Rows are
/// walked in serpentine order: left to right, then right to left.
class TDitherEngine {
public:
  TDitherEngine(int width, TColorLookup& lookup) : lookup_(lookup), width_(width) {}
  virtual ~TDitherEngine() = default;
  TDitherEngine(const TDitherEngine&) = delete;
  TDitherEngine& operator=(const TDitherEngine&) = delete;
  virtual int Dither(int red, int green, int blue, TLookupColor& chosen);
  virtual void NextLine();
  int Column() const { return column_; }
  int Direction() const { return direction_; }
  int Width() const { return width_; }
  /// Moves to the next column without a colour (transparent pixels).
  void Skip() { column_ += direction_; }

protected:
  TColorLookup& lookup_;
  int width_;
  int direction_ = 1;
  int column_ = 0;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
  TFloydSteinbergDitherer(int width, TColorLookup& lookup);
  int Dither(int red, int green, int blue, TLookupColor& chosen) override;
  void NextLine() override;

private:
  std::array<std::vector<int>, 3> rows_;
  std::array<int, 3> current_{}, below_{}, behind_{};
  int cursor_ = 0;
};

/// One weight of a diffusion kernel: row (0 = current), offset along the
/// direction of travel, weight.
struct TDitherWeight {
  int Row, Offset, Weight;
};

/// Engines that keep a few error rows per channel and spread each error
/// over a fixed kernel.
class TKernelDitherer : public TDitherEngine {
public:
  TKernelDitherer(int width, TColorLookup& lookup, int rows, int margin, int divisor);
  int Dither(int red, int green, int blue, TLookupColor& chosen) override;
  void NextLine() override;
  int Divisor() const { return divisor_; }
  virtual const std::vector<TDitherWeight>& Kernel() const = 0;

protected:
  /// Spreads one channel's error (the row buffers of that channel).
  virtual void Propagate(std::vector<std::vector<int>>& rows, int error);

  int margin_;
  int divisor_;
  int cursor_;
  std::array<std::vector<std::vector<int>>, 3> rows_;
};

/// The base of the three 5 by 3 kernels.
class T5by3Ditherer : public TKernelDitherer {
public:
  T5by3Ditherer(int width, TColorLookup& lookup, int divisor)
      : TKernelDitherer(width, lookup, 3, 2, divisor) {}
};

class TStuckiDitherer : public T5by3Ditherer {
public:
  TStuckiDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 42) {}
  const std::vector<TDitherWeight>& Kernel() const override;
};

class TSierraDitherer : public T5by3Ditherer {
public:
  TSierraDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 32) {}
  const std::vector<TDitherWeight>& Kernel() const override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
  TJaJuNiDitherer(int width, TColorLookup& lookup) : T5by3Ditherer(width, lookup, 48) {}
  const std::vector<TDitherWeight>& Kernel() const override;
};

class TSteveArcheDitherer : public TKernelDitherer {
public:
  TSteveArcheDitherer(int width, TColorLookup& lookup)
      : TKernelDitherer(width, lookup, 4, 3, 200) {}
  const std::vector<TDitherWeight>& Kernel() const override;
};

class TBurkesDitherer : public TKernelDitherer {
public:
  TBurkesDitherer(int width, TColorLookup& lookup) : TKernelDitherer(width, lookup, 2, 2, 32) {}
  const std::vector<TDitherWeight>& Kernel() const override;
};

/// The engine of a dither kind, or nullptr for an unknown kind.
std::unique_ptr<TDitherEngine> MakeDitherEngine(int kind, int width, TColorLookup& lookup);

/// A new 8-bit bitmap of the source reduced by a method and dither kind
/// (rdNone: a 24-bit copy). The source is switched to 24 bits. An unknown
/// method or kind, or an empty palette, gives an empty bitmap.
std::unique_ptr<TBitmap> ReduceColors(TBitmap& source, int method, int ditherKind,
                                      HPALETTE palette, int bits);
