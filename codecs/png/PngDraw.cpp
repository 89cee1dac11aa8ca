// Drawing a decoded picture (opaque, with a key colour, or blended by its
// alpha), its transparency kind, its logical palette and pixel access.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/png/PngInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/GdiGuards.h"

using namespace png;

int TPngPicture::TransparencyKind() const {
  const TChunkIHDR& header = HeaderChunk();
  const auto* trns = chunkList_.ItemFromClass<TChunktRNS>();
  switch (header.ColorType) {
  case 0:
  case 2: return trns != nullptr ? 1 : 0;
  case 3:
    if (trns == nullptr) return 0;
    return trns->OneKey ? 1 : 2;
  case 4:
  case 6: return 2;
  default: return 0;
  }
}

COLORREF TPngPicture::TransparentKeyColor() const {
  const auto* trns = chunkList_.ItemFromClass<TChunktRNS>();
  return trns != nullptr ? trns->KeyColor() : 0;
}

bool TPngPicture::Transparent() const {
  return HasHeader() && TransparencyKind() != 0;
}

void TPngPicture::Draw(TCanvas* canvas, const TRect& rect) {
  if (Empty() || canvas == nullptr || !HasHeader()) return;
  TChunkIHDR& header = HeaderChunk();
  if (header.ImageData() == nullptr) return;
  HDC dc = canvas->Handle();
  switch (TransparencyKind()) {
  case 1: DrawWithKeyColor(dc, rect, TransparentKeyColor()); break;
  case 2: DrawBlended(dc, rect); break;
  default: {
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top, 0, 0,
                  int(header.Width), int(header.Height), header.ImageData(), &header.BitmapInfo(),
                  DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, mode);
    break;
  }
  }
}

void TPngPicture::DrawWithKeyColor(HDC dc, const TRect& rect, COLORREF key) {
  TChunkIHDR& header = HeaderChunk();
  const TPngBitmapInfo& info = header.BitmapInfo();
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP source =
      CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, header.ImageData(), &info, DIB_RGB_COLORS);
  auto cleanup = ScopeExit([&] {
    if (memory != nullptr) DeleteDC(memory);
    if (source != nullptr) DeleteObject(source);
  });
  if (memory == nullptr || source == nullptr) Fail<EPNGOutMemory>(PngTexts::OutMemory);
  const HGDIOBJ old = SelectObject(memory, source);
  // the key colour's pixels leave the destination as it was
  const int mode = SetStretchBltMode(dc, COLORONCOLOR);
  TransparentBlt(dc, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top, memory,
                 0, 0, int(header.Width), int(header.Height), key);
  SetStretchBltMode(dc, mode);
  SelectObject(memory, old);
}

void TPngPicture::DrawBlended(HDC dc, const TRect& rect) {
  int left = std::min(rect.Left, rect.Right), right = std::max(rect.Left, rect.Right);
  int top = std::min(rect.Top, rect.Bottom), bottom = std::max(rect.Top, rect.Bottom);
  const int w = right - left, h = bottom - top;
  if (w == 0 || h == 0) return;
  TChunkIHDR& header = HeaderChunk();
  const std::uint32_t width = header.Width, height = header.Height;
  const bool scaled = std::uint32_t(w) != width || std::uint32_t(h) != height;
  const double sx = scaled ? double(w) / double(width) : 1.0;
  const double sy = scaled ? double(h) / double(height) : 1.0;
  std::unique_ptr<TBitmap> work;
  std::vector<std::uint32_t> columns;
  try {
    work = std::make_unique<TBitmap>(w, h, pf32bit);
    columns.resize(std::size_t(w));
  } catch (const std::bad_alloc&) {
    Fail<EPNGOutMemory>(PngTexts::OutMemory);
  }
  for (int c = 0; c < w; ++c)
    columns[std::size_t(c)] =
        std::min(width - 1, scaled ? std::uint32_t(double(c) / sx) : std::uint32_t(c));
  HDC workDc = work->Canvas()->Handle();
  BitBlt(workDc, 0, 0, w, h, dc, left, top, SRCCOPY);
  const std::uint8_t* alphaPlane = header.ImageAlpha();
  const auto* trns = chunkList_.ItemFromClass<TChunktRNS>();
  const auto* plte = chunkList_.ItemFromClass<TChunkPLTE>();
  const int bits = header.BufferBits();
  auto blend = [](std::uint8_t* d, int b, int g, int r, int a) {
    d[0] = std::uint8_t((b * a + (255 - a) * d[0] + 255) >> 8);
    d[1] = std::uint8_t((g * a + (255 - a) * d[1] + 255) >> 8);
    d[2] = std::uint8_t((r * a + (255 - a) * d[2] + 255) >> 8);
  };
  for (int r = 0; r < h; ++r) {
    const std::uint32_t sr = std::min(height - 1, scaled ? std::uint32_t(double(r) / sy)
                                                         : std::uint32_t(r));
    const std::uint8_t* in = header.ImageRow(sr);
    const std::uint8_t* alpha = alphaPlane != nullptr ? alphaPlane + std::size_t(sr) * width
                                                      : nullptr;
    std::uint8_t* out = work->ScanLine(r);
    for (int c = 0; c < w; ++c, out += 4) {
      const std::uint32_t s = columns[std::size_t(c)];
      if (header.ColorType == 6) {
        const int a = alpha[s];
        if (a == 0) continue;
        const std::uint8_t* p = in + 3 * std::size_t(s);
        if (a == 255) {
          out[0] = p[0], out[1] = p[1], out[2] = p[2];
        } else {
          blend(out, p[0], p[1], p[2], a);
        }
      } else if (header.ColorType == 4) {
        const int v = in[s]; // the raw grey sample
        blend(out, v, v, v, alpha[s]);
      } else if (header.ColorType == 3 && plte != nullptr && trns != nullptr) {
        // the source column decides both the byte and the bits of the index
        const unsigned index = SampleAt(in, s, bits);
        const std::uint32_t e = plte->Entry(index);
        blend(out, int(e & 0xFF), int((e >> 8) & 0xFF), int((e >> 16) & 0xFF),
              trns->AlphaTable[index]);
      }
    }
  }
  BitBlt(dc, left, top, w, h, workDc, 0, 0, SRCCOPY);
}

HPALETTE TPngPicture::Palette() const {
  const TChunkIHDR& header = HeaderChunk();
  if ((header.ColorType == 0 || header.ColorType == 3) && palette_ == nullptr) {
    LOGPALETTE lp;
    lp.palVersion = 0x300;
    lp.palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD& q = header.BitmapInfo().bmiColors[i];
      lp.palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    palette_ = CreatePalette(&lp);
  }
  return palette_;
}

void TPngPicture::DropPalette() const {
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
}

namespace {

bool Inside(const TChunkIHDR& h, int x, int y) {
  return x >= 0 && y >= 0 && std::uint32_t(x) < h.Width && std::uint32_t(y) < h.Height;
}

/// Types whose buffer holds indices into the colour table (grey + alpha
/// keeps its grey there).
bool Indexed(const TChunkIHDR& h) {
  return h.ColorType == 0 || h.ColorType == 3 || h.ColorType == 4;
}

} // namespace

COLORREF TPngPicture::ReadPixel(int x, int y) const {
  TChunkIHDR& h = HeaderChunk();
  if (!Inside(h, x, y) || h.ImageData() == nullptr) return 0;
  const std::uint8_t* row = h.ImageRow(std::uint32_t(y));
  if (Indexed(h)) {
    const int b = std::min(h.BufferBits(), 8);
    const unsigned s = SampleAt(row, std::uint32_t(x), b);
    if (h.ColorType == 3) {
      const auto* plte = chunkList_.ItemFromClass<TChunkPLTE>();
      if (plte == nullptr) Fail<EPngError>(PngTexts::NoSuchPaletteEntry);
      const std::uint32_t e = plte->Entry(s);
      return RGB(int((e >> 16) & 0xFF), int((e >> 8) & 0xFF), int(e & 0xFF));
    }
    const RGBQUAD& q = h.BitmapInfo().bmiColors[s];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  const std::uint8_t* p = row + 3 * std::size_t(x);
  return RGB(p[2], p[1], p[0]);
}

void TPngPicture::WritePixel(int x, int y, COLORREF color) {
  TChunkIHDR& h = HeaderChunk();
  if (!Inside(h, x, y) || h.ImageData() == nullptr) return;
  std::uint8_t* row = h.ImageRow(std::uint32_t(y));
  if (Indexed(h)) {
    const int b = std::min(h.BufferBits(), 8);
    int entries = 1 << b;
    if (h.ColorType == 3) {
      const auto* plte = chunkList_.ItemFromClass<TChunkPLTE>();
      entries = std::min(entries, plte != nullptr ? plte->Count : 0);
    }
    if (entries <= 0) return;
    // the nearest of the entries the pixel can name, the lowest on ties
    int index = 0;
    long best = -1;
    for (int i = 0; i < entries; ++i) {
      const RGBQUAD& q = h.BitmapInfo().bmiColors[i];
      const long dr = long(q.rgbRed) - GetRValue(color), dg = long(q.rgbGreen) - GetGValue(color),
                 db = long(q.rgbBlue) - GetBValue(color);
      const long d = dr * dr + dg * dg + db * db;
      if (best < 0 || d < best) {
        best = d;
        index = i;
      }
    }
    SetSampleAt(row, std::uint32_t(x), b, unsigned(index));
    return;
  }
  std::uint8_t* p = row + 3 * std::size_t(x);
  p[0] = GetBValue(color);
  p[1] = GetGValue(color);
  p[2] = GetRValue(color);
}
