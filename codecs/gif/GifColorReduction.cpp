// Row access to bitmaps, the fixed palettes, the octree quantizer, the
// colour lookups and the reduction of a bitmap to a palette.
#include "codecs/gif/GifColorReduction.h"

#include <algorithm>

#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"

using namespace gif;

// ---- row access ------------------------------------------------------------------------

TDIBReader::TDIBReader(TBitmap& bitmap, int pixelFormat) : bitmap_(bitmap) {
  if (bitmap_.PixelFormat() != TPixelFormat(pixelFormat))
    bitmap_.SetPixelFormat(TPixelFormat(pixelFormat));
}

std::uint8_t* TDIBReader::ScanLine(int row) { return bitmap_.ScanLine(row); }

TDIBWriter::TDIBWriter(TBitmap& bitmap, HPALETTE palette, int height, int width, int pixelFormat)
    : bitmap_(bitmap), height_(height) {
  if (pixelFormat != pf8bit && pixelFormat != pf24bit) Fail(GifTexts::UnsupportedPixelFormat);
  if (height <= 0 || width <= 0) Fail(GifTexts::InvalidImageDimensions);
  bitmap_.SetPixelFormat(TPixelFormat(pixelFormat));
  bitmap_.SetSize(width, height);
  if (pixelFormat == pf8bit) {
    std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
    const std::vector<PALETTEENTRY> entries = PaletteEntriesOf(palette);
    for (std::size_t i = 0; i < entries.size() && i < 256; ++i)
      table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    bitmap_.SetPaletteEntries(table);
  }
}

std::uint8_t* TDIBWriter::ScanLine(int row) {
  if (row < 0 || row >= height_) throw EInvalidGraphicOperation(GifTexts::ScanLineOutOfRange);
  return bitmap_.ScanLine(row);
}

// ---- palettes ---------------------------------------------------------------------------------

std::vector<PALETTEENTRY> PaletteEntriesOf(HPALETTE palette) {
  std::vector<PALETTEENTRY> entries(256);
  const UINT n = palette != nullptr ? GetPaletteEntries(palette, 0, 256, entries.data()) : 0;
  entries.resize(n);
  return entries;
}

namespace {

HPALETTE GifPaletteOf(int count, const auto& entryOf) {
  LOGPALETTE lp;
  lp.palVersion = 0x300;
  lp.palNumEntries = WORD(count);
  for (int i = 0; i < count; ++i) lp.palPalEntry[i] = entryOf(i);
  return CreatePalette(&lp);
}

} // namespace

HPALETTE WebPalette() {
  return GifPaletteOf(216, [](int i) {
    return PALETTEENTRY{BYTE(i / 36 * 51), BYTE(i / 6 % 6 * 51), BYTE(i % 6 * 51), 0};
  });
}

HPALETTE GrayScalePalette() {
  return GifPaletteOf(256, [](int i) { return PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), PC_NOCOLLAPSE}; });
}

HPALETTE MonochromePalette() {
  return GifPaletteOf(2, [](int i) {
    const BYTE v = i == 0 ? 0 : 255;
    return PALETTEENTRY{v, v, v, PC_NOCOLLAPSE};
  });
}

HPALETTE WindowsGrayPalette() {
  static constexpr BYTE greys[4] = {0, 128, 192, 255};
  return GifPaletteOf(4, [](int i) { return PALETTEENTRY{greys[i], greys[i], greys[i], PC_NOCOLLAPSE}; });
}

HPALETTE WindowsDefaultPalette() {
  const std::vector<PALETTEENTRY> stock =
      PaletteEntriesOf(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
  return GifPaletteOf(int(stock.size()), [&](int i) { return stock[std::size_t(i)]; });
}

HPALETTE WindowsHalftonePalette() {
  HDC screen = CreateCompatibleDC(nullptr);
  if (screen == nullptr) throw EOutOfResources("Out of system resources");
  HPALETTE palette = CreateHalftonePalette(screen);
  DeleteDC(screen);
  return palette;
}

HPALETTE QuantizedPalette(TBitmap& bitmap, int colors, int colorBits, bool systemColors) {
  LOGPALETTE lp;
  lp.palVersion = 0x300;
  for (PALETTEENTRY& e : lp.palPalEntry) e = PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE};
  colors = std::clamp(colors, 1, 256);
  lp.palNumEntries = WORD(colors);
  int start = 0;
  if (systemColors) {
    const std::vector<PALETTEENTRY> stock =
        PaletteEntriesOf(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    for (std::size_t i = 0; i < 10 && i < stock.size(); ++i) lp.palPalEntry[i] = stock[i];
    for (std::size_t i = 10; i < 20 && i < stock.size(); ++i) lp.palPalEntry[236 + i] = stock[i];
    colors = 236;
    start = 10;
    lp.palNumEntries = 256;
  }
  TColorQuantizer quantizer(colors, colorBits);
  TDIBReader reader(bitmap, pf24bit);
  quantizer.ProcessImage(reader, bitmap.Width(), bitmap.Height());
  const std::vector<RGBQUAD> table = quantizer.ColorTable();
  for (int i = 0; i < colors && i < int(table.size()); ++i) {
    const RGBQUAD& q = table[std::size_t(i)];
    lp.palPalEntry[start + i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  return CreatePalette(&lp);
}

// ---- octree quantizer -----------------------------------------------------------------------

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(1, maxColors)), colorBits_(std::clamp(colorBits, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::Add(std::unique_ptr<TOctreeNode>& node, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b, int level) {
  if (node == nullptr) {
    node = std::make_unique<TOctreeNode>();
    if (level == colorBits_) {
      node->Leaf = true;
      ++leafCount_;
    } else {
      node->NextReducible = reducible_[std::size_t(level)];
      reducible_[std::size_t(level)] = node.get();
    }
  }
  if (node->Leaf) {
    ++node->PixelCount;
    node->RedSum += r;
    node->GreenSum += g;
    node->BlueSum += b;
    return;
  }
  const int shift = 7 - level;
  const int m = 0x80 >> level;
  const int child = ((r & m) >> shift) * 4 + ((g & m) >> shift) * 2 + ((b & m) >> shift);
  Add(node->Children[std::size_t(child)], r, g, b, level + 1);
}

void TColorQuantizer::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  Add(root_, red, green, blue, 0);
  while (leafCount_ > maxColors_ && Reduce()) {
  }
}

bool TColorQuantizer::Reduce() {
  int level = colorBits_ - 1;
  while (level > 0 && reducible_[std::size_t(level)] == nullptr) --level;
  TOctreeNode* node = reducible_[std::size_t(level)];
  if (node == nullptr) return false; // nothing left to fold
  reducible_[std::size_t(level)] = node->NextReducible;
  int children = 0;
  for (auto& child : node->Children) {
    if (child == nullptr) continue;
    node->PixelCount += child->PixelCount;
    node->RedSum += child->RedSum;
    node->GreenSum += child->GreenSum;
    node->BlueSum += child->BlueSum;
    child.reset();
    ++children;
  }
  node->Leaf = true;
  leafCount_ += 1 - children;
  return true;
}

void TColorQuantizer::ProcessImage(TDIBReader& image, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = image.ScanLine(y);
    for (int x = 0; x < width; ++x, row += 3) AddColor(row[2], row[1], row[0]);
  }
}

std::vector<RGBQUAD> TColorQuantizer::ColorTable() const {
  std::vector<RGBQUAD> table;
  auto walk = [&table](const auto& self, const TOctreeNode* node) -> void {
    if (node == nullptr) return;
    if (node->Leaf) {
      if (node->PixelCount == 0) {
        table.push_back(RGBQUAD{0, 0, 0, 0});
      } else {
        const std::uint32_t n = node->PixelCount;
        table.push_back(RGBQUAD{BYTE(node->BlueSum / n), BYTE(node->GreenSum / n),
                                BYTE(node->RedSum / n), 0});
      }
      return;
    }
    for (const auto& child : node->Children) self(self, child.get());
  };
  walk(walk, root_.get());
  return table;
}

// ---- lookups ---------------------------------------------------------------------------------

TSlowColorLookup::TSlowColorLookup(HPALETTE palette)
    : TColorLookup(0), palette_(palette), entries_(PaletteEntriesOf(palette)) {
  colors_ = int(entries_.size());
}

int TSlowColorLookup::Lookup(int red, int green, int blue, TLookupColor& chosen) {
  const UINT index = GetNearestPaletteIndex(palette_, RGB(BYTE(red), BYTE(green), BYTE(blue)));
  if (index < entries_.size()) {
    const PALETTEENTRY& e = entries_[index];
    chosen = TLookupColor{e.peRed, e.peGreen, e.peBlue};
  }
  return int(index);
}

int TNetscapeColorLookup::Lookup(int red, int green, int blue, TLookupColor& chosen) {
  const int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
  chosen = TLookupColor{r * 51, g * 51, b * 51};
  return r * 36 + g * 6 + b;
}

int TGrayScaleLookup::Lookup(int red, int green, int blue, TLookupColor& chosen) {
  const int grey = (blue * 29 + green * 150 + red * 77) / 256;
  chosen = TLookupColor{grey, grey, grey};
  return grey;
}

int TMonochromeLookup::Lookup(int red, int green, int blue, TLookupColor& chosen) {
  if (blue * 29 + green * 150 + red * 77 >= 32513) {
    chosen = TLookupColor{255, 255, 255};
    return 1;
  }
  chosen = TLookupColor{0, 0, 0};
  return 0;
}

// ---- reduction ----------------------------------------------------------------------------------

std::unique_ptr<TBitmap> ReduceColors(TBitmap& source, int method, int ditherKind,
                                      HPALETTE palette, int bits) {
  auto result = std::make_unique<TBitmap>();
  if (method == rdNone) {
    result->Assign(&source);
    result->SetPixelFormat(pf24bit);
    return result;
  }
  if (method > rdPalette) return result;
  const int width = source.Width(), height = source.Height();
  TDIBReader reader(source, pf24bit);
  HPALETTE reduced = nullptr;
  switch (method) {
  case rdWindows20: reduced = WindowsDefaultPalette(); break;
  case rdWindows256: reduced = WindowsHalftonePalette(); break;
  case rdWindowsGray: reduced = WindowsGrayPalette(); break;
  case rdMonochrome: reduced = MonochromePalette(); break;
  case rdGrayScale: reduced = GrayScalePalette(); break;
  case rdWebPalette: reduced = WebPalette(); break;
  case rdQuantize:
    // more than 8 bits would overrun the 256-entry table
    reduced = QuantizedPalette(source, 1 << std::clamp(bits, 1, 8), 8, false);
    break;
  case rdQuantizeWindows: reduced = QuantizedPalette(source, 256, 8, true); break;
  case rdPalette: {
    const std::vector<PALETTEENTRY> given = PaletteEntriesOf(palette);
    if (!given.empty())
      reduced = GifPaletteOf(int(given.size()), [&](int i) { return given[std::size_t(i)]; });
    break;
  }
  default: break;
  }
  struct TPaletteOwner {
    HPALETTE p;
    ~TPaletteOwner() {
      if (p != nullptr) DeleteObject(p);
    }
  } owner{reduced};
  std::unique_ptr<TColorLookup> lookup;
  if (method == rdMonochrome)
    lookup = std::make_unique<TMonochromeLookup>();
  else if (method == rdGrayScale)
    lookup = std::make_unique<TGrayScaleLookup>();
  else if (method == rdWebPalette)
    lookup = std::make_unique<TNetscapeColorLookup>();
  else
    lookup = std::make_unique<TSlowColorLookup>(reduced);
  if (lookup->Colors() == 0) return result;
  std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(ditherKind, width, *lookup);
  if (engine == nullptr) return result;
  TDIBWriter writer(*result, reduced, height, width, pf8bit);
  TLookupColor chosen;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = reader.ScanLine(y);
    std::uint8_t* out = writer.ScanLine(y);
    while (engine->Column() >= 0 && engine->Column() < width) {
      const int x = engine->Column();
      const std::uint8_t* p = in + std::size_t(x) * 3;
      out[x] = std::uint8_t(engine->Dither(p[2], p[1], p[0], chosen));
    }
    engine->NextLine();
  }
  return result;
}
