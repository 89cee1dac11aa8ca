// Bitmaps made from DIB descriptions, DIB read-back, palettes, mapping modes.
#include <algorithm>
#include <cstring>

#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/GdiInternal.h"

using namespace gdi;

namespace {

std::vector<RGBQUAD> ColorTable(const BITMAPINFO* info) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  std::vector<RGBQUAD> table;
  if (h.biBitCount > 8) return table;
  std::size_t n =
      h.biClrUsed ? std::min<std::size_t>(h.biClrUsed, 256) : (std::size_t(1) << h.biBitCount);
  n = std::min<std::size_t>(n, std::size_t(1) << h.biBitCount);
  table.assign(info->bmiColors, info->bmiColors + n);
  for (RGBQUAD& q : table)
    q.rgbReserved = 0;
  return table;
}

bool ValidHeader(const BITMAPINFOHEADER& h) {
  int bpp = h.biBitCount;
  if (h.biWidth <= 0 || h.biHeight == 0) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  std::int64_t height = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
  return std::int64_t(h.biWidth) * height <= (std::int64_t(1) << 28);
}

HBITMAP RegisterDib(std::shared_ptr<TDibData> dib) {
  auto o = std::make_shared<TBitmapObject>();
  o->dib = std::move(dib);
  return Register(o);
}

std::shared_ptr<TPaletteObject> Palette(HPALETTE h) {
  return LookupAs<TPaletteObject>(h, OBJ_PAL);
}

} // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (!Dc(dc) || width < 0 || height < 0 || std::int64_t(width) * height > (std::int64_t(1) << 28))
    return nullptr;
  auto dib = std::make_shared<TDibData>(width, height, 32);
  return RegisterDib(dib);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 ||
      std::int64_t(width) * height > (std::int64_t(1) << 28))
    return nullptr;
  if (bpp != 1 && bpp != 24 && bpp != 32) return nullptr;
  auto dib = std::make_shared<TDibData>(width, height, int(bpp));
  if (bits) {
    std::int64_t inRow = ((std::int64_t(width) * bpp + 15) / 16) * 2;
    std::int64_t used = (std::int64_t(width) * bpp + 7) / 8;
    const auto* in = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
      std::memcpy(dib->StoredRow(y), in + y * inRow, std::size_t(used));
  }
  return RegisterDib(dib);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || !ValidHeader(info->bmiHeader)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  auto dib = std::make_shared<TDibData>(h.biWidth, height, h.biBitCount);
  if (h.biBitCount <= 8) dib->SetPalette(ColorTable(info));
  dib->SetBottomUp(h.biHeight > 0);
  dib->MapBackAfterDrawing = true;
  if (bits) *bits = dib->Memory();
  return RegisterDib(dib);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header || header->biWidth <= 0 || header->biHeight == 0) return nullptr;
  int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  (void)dc;
  if (std::int64_t(header->biWidth) * height > (std::int64_t(1) << 28)) return nullptr;
  HBITMAP h = RegisterDib(std::make_shared<TDibData>(header->biWidth, height, 32));
  if (!h || !(init & CBM_INIT) || !bits || !info) return h;
  HDC mem = CreateCompatibleDC(nullptr);
  {
    TObjectSelector select(mem, h);
    StretchDIBits(mem, 0, 0, header->biWidth, height, 0, 0, header->biWidth, height, bits, info,
                  usage, SRCCOPY);
  }
  DeleteDC(mem);
  return h;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
  auto b = LookupAs<TBitmapObject>(bitmap, OBJ_BITMAP);
  if (!b || !info || usage != DIB_RGB_COLORS) return 0;
  TDibData& dib = *b->dib;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits) {
    h.biSize = 40;
    h.biWidth = dib.DibWidth();
    h.biHeight = dib.DibHeight();
    h.biPlanes = 1;
    if (h.biBitCount == 0) h.biBitCount = WORD(dib.DibBitsPerPixel());
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(DibRowBytes(h.biWidth, h.biBitCount) * dib.DibHeight());
    h.biClrUsed = 0;
    if (dib.DibBitsPerPixel() <= 8 && h.biBitCount == dib.DibBitsPerPixel()) {
      std::copy(dib.Palette().begin(), dib.Palette().end(), info->bmiColors);
      h.biClrUsed = DWORD(dib.Palette().size());
    }
    return dib.DibHeight();
  }
  int bpp = h.biBitCount;
  if (h.biWidth != dib.DibWidth()) return 0;
  if (bpp != 24 && bpp != 32 && bpp != dib.DibBitsPerPixel()) return 0;
  int height = dib.DibHeight();
  std::int64_t rowBytes = DibRowBytes(h.biWidth, bpp);
  auto* out = static_cast<std::uint8_t*>(bits);
  UINT copied = 0;
  for (UINT i = 0; i < lines; ++i) {
    std::int64_t scan = std::int64_t(start) + i; // in the order of the requested layout
    if (scan >= height) break;
    int line = int(h.biHeight < 0 ? scan : height - 1 - scan); // 0 = top
    std::uint8_t* row = out + std::int64_t(i) * rowBytes;
    if (bpp == dib.DibBitsPerPixel()) {
      std::memcpy(row, dib.StoredRow(line), std::size_t(std::min(rowBytes, dib.RowBytes())));
    } else {
      int bytes = bpp / 8;
      std::memset(row, 0, std::size_t(rowBytes));
      for (int x = 0; x < h.biWidth; ++x)
        WritePixel(row + x * bytes, dib.PixelColor(x, line));
    }
    ++copied;
  }
  if (bpp <= 8) {
    std::copy(dib.Palette().begin(), dib.Palette().end(), info->bmiColors);
    h.biClrUsed = DWORD(dib.Palette().size());
  }
  return int(copied);
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  TDc* d = Dc(dc);
  if (!d || !d->selectedDib || !colors) return 0;
  const auto& p = d->selectedDib->Palette();
  UINT n = 0;
  for (UINT i = start; i < p.size() && n < count; ++i)
    colors[n++] = p[i];
  return n;
}

// ---- palettes --------------------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0 ||
      palette->palNumEntries > 256)
    return nullptr;
  auto p = std::make_shared<TPaletteObject>();
  for (int i = 0; i < palette->palNumEntries; ++i) {
    RGBQUAD q;
    q.rgbRed = palette->palPalEntry[i].peRed;
    q.rgbGreen = palette->palPalEntry[i].peGreen;
    q.rgbBlue = palette->palPalEntry[i].peBlue;
    q.rgbReserved = palette->palPalEntry[i].peFlags;
    p->entries.push_back(q);
  }
  return Register(p);
}

HPALETTE CreateHalftonePalette(HDC) {
  auto def = Palette(GetStockObject(DEFAULT_PALETTE));
  auto p = std::make_shared<TPaletteObject>();
  p->entries = def->entries;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        RGBQUAD q;
        q.rgbRed = BYTE(r * 51);
        q.rgbGreen = BYTE(g * 51);
        q.rgbBlue = BYTE(b * 51);
        p->entries.push_back(q);
      }
  for (int i = 1; p->entries.size() < 256; ++i) {
    BYTE v = BYTE(i * 255 / 21);
    RGBQUAD q;
    q.rgbRed = q.rgbGreen = q.rgbBlue = v;
    p->entries.push_back(q);
  }
  return Register(p);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto p = Palette(palette);
  if (!p) return 0;
  if (!entries) return UINT(p->entries.size());
  UINT n = 0;
  for (UINT i = start; i < p->entries.size() && n < count; ++i, ++n) {
    entries[n].peRed = p->entries[i].rgbRed;
    entries[n].peGreen = p->entries[i].rgbGreen;
    entries[n].peBlue = p->entries[i].rgbBlue;
    entries[n].peFlags = p->entries[i].rgbReserved;
  }
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
  auto p = Palette(palette);
  if (!p || p->entries.empty()) return 0xFFFFFFFF;
  UINT best = 0;
  long bestDist = -1;
  for (UINT i = 0; i < p->entries.size(); ++i) {
    long dr = long(p->entries[i].rgbRed) - GetRValue(color);
    long dg = long(p->entries[i].rgbGreen) - GetGValue(color);
    long db = long(p->entries[i].rgbBlue) - GetBValue(color);
    long d = dr * dr + dg * dg + db * db;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return best;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  if (!Palette(palette)) return nullptr;
  return SelectObject(dc, palette);
}

UINT RealizePalette(HDC dc) {
  return Dc(dc) ? 0 : 0xFFFFFFFF;
}

// ---- mapping modes ------------------------------------------------------------------------------

int SetMapMode(HDC dc, int mode) {
  return Dc(dc) && mode == MM_TEXT ? MM_TEXT : 0;
}
int GetMapMode(HDC dc) {
  return Dc(dc) ? MM_TEXT : 0;
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  TDc* d = Dc(dc);
  if (!d || !points) return FALSE;
  QTransform t = d->Transform();
  for (int i = 0; i < count; ++i) {
    QPointF p = t.map(QPointF(points[i].x, points[i].y));
    points[i] = POINT(int(std::floor(p.x() + 0.5)), int(std::floor(p.y() + 0.5)));
  }
  return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  TDc* d = Dc(dc);
  if (!d || !points) return FALSE;
  bool ok = false;
  QTransform t = d->Transform().inverted(&ok);
  if (!ok) return FALSE;
  for (int i = 0; i < count; ++i) {
    QPointF p = t.map(QPointF(points[i].x, points[i].y));
    points[i] = POINT(int(std::floor(p.x() + 0.5)), int(std::floor(p.y() + 0.5)));
  }
  return TRUE;
}
