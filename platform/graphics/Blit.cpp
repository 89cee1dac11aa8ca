// Blits: BitBlt, StretchBlt and StretchDIBits with the stretch modes and the
// ternary raster operations.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiInternal.h"

namespace gdi {
namespace {

/// The source range of one destination column (or row).
struct TAxis {
  int first, last, sample; // [first, last), sample for nearest
};

std::vector<TAxis> AxisMap(int dst, int src) {
  std::vector<TAxis> out(std::size_t(std::max(dst, 0)));
  for (int i = 0; i < dst; ++i) {
    int sample = int((2 * std::int64_t(i) + 1) * src / (2 * std::int64_t(dst)));
    if (dst >= src) {
      out[i] = {sample, sample + 1, sample};
    } else {
      int a = int(std::int64_t(i) * src / dst), b = int(std::int64_t(i + 1) * src / dst);
      out[i] = {a, std::max(b, a + 1), sample};
    }
  }
  return out;
}

bool UsesPattern(unsigned code) {
  return ((code >> 4) & 0x0F) != (code & 0x0F);
}
bool UsesSource(unsigned code) {
  return ((code >> 2) & 0x33) != (code & 0x33);
}

/// Tells the surface which part of `dest` a blit wrote.
void MarkChanged(TDc& dc, const QRect& dest, const TTarget& target) {
  const QRect touched = dest & QRect(0, 0, target.Width(), target.Height());
  if (!touched.isEmpty())
    dc.surface->Changed(
        TRect(touched.left(), touched.top(), touched.right() + 1, touched.bottom() + 1));
}

} // namespace

bool StretchImage(TDc& dc, int x, int y, int w, int h, const TSourceImage& src, int sx, int sy,
                  int sw, int sh, DWORD rop, std::optional<COLORREF> transparent) {
  if (!dc.surface || w == 0 || h == 0) return true;
  unsigned code = (rop >> 16) & 0xFF;
  bool needSource = UsesSource(code);
  if (needSource && (sw == 0 || sh == 0)) return false;
  bool flipX = (w < 0) != (sw < 0), flipY = (h < 0) != (sh < 0);
  // a negative extent mirrors: the rectangle runs from the origin pixel back
  if (w < 0) {
    x += w + 1;
    w = -w;
  }
  if (h < 0) {
    y += h + 1;
    h = -h;
  }
  if (sw < 0) {
    sx += sw + 1;
    sw = -sw;
  }
  if (sh < 0) {
    sy += sh + 1;
    sh = -sh;
  }
  QTransform xf = dc.Transform();
  QRect dest;
  if (xf.type() <= QTransform::TxScale) {
    QRectF r = xf.mapRect(QRectF(x, y, w, h));
    dest = QRect(int(std::floor(r.left() + 0.5)), int(std::floor(r.top() + 0.5)), 0, 0);
    dest.setRight(int(std::floor(r.right() + 0.5)) - 1);
    dest.setBottom(int(std::floor(r.bottom() + 0.5)) - 1);
  } else {
    dest = xf.mapRect(QRectF(x, y, w, h)).toAlignedRect();
  }
  int dw = dest.width(), dh = dest.height();
  if (dw <= 0 || dh <= 0) return true;
  std::vector<TAxis> cols = AxisMap(dw, sw), rows = AxisMap(dh, sh);
  TTarget target(dc.surface, &dc.ClipRects());
  if (!target.Valid()) return true;
  TFill pattern = dc.BrushFill();
  pattern.opaque = true;
  bool needPattern = UsesPattern(code);
  int mode = dc.state.stretchMode;
  const bool copy = code == 0xCC;
  if (copy && !transparent && dw == sw && dh == sh && !flipX && !flipY && src.bits) {
    // 1:1 copy: rows straight across
    for (const QRect& clip : dc.ClipRects()) {
      QRect area = clip & dest & QRect(dest.left() - sx, dest.top() - sy, src.width, src.height);
      if (area.isEmpty()) continue;
      for (int yy = area.top(); yy <= area.bottom(); ++yy) {
        const std::uint8_t* in = src.bits + std::int64_t(yy - dest.top() + sy) * src.stride +
                                 std::int64_t(area.left() - dest.left() + sx) * src.bytes;
        std::uint8_t* out = target.PixelAddress(area.left(), yy);
        int n = area.width();
        if (src.bytes == 3 && target.Bytes() == 3) {
          std::memcpy(out, in, std::size_t(n) * 3);
        } else {
          for (int i = 0; i < n; ++i, in += src.bytes, out += target.Bytes()) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
          }
        }
      }
    }
    MarkChanged(dc, dest, target);
    return true;
  }
  if (copy && !transparent && src.bits && (mode == COLORONCOLOR || (dw >= sw && dh >= sh))) {
    // Nearest neighbour, as the general loop below picks: a pixel whose
    // column and row ranges are both one source pixel takes that pixel, any
    // other takes the sample of each range. Offsets are looked up once for
    // the whole copy. Columns or rows whose range starts outside the source
    // leave the destination as it is (kOutside; a bottom-up source steps
    // back, so real row offsets may be negative).
    constexpr std::int64_t kOutside = std::numeric_limits<std::int64_t>::min();
    struct TOffsets {
      std::vector<std::int64_t> first, sample;
      std::vector<char> single;
    };
    auto offsets = [](const std::vector<TAxis>& axis, bool flip, int origin, int size,
                      std::int64_t step) {
      const std::size_t n = axis.size();
      TOffsets out{std::vector<std::int64_t>(n), std::vector<std::int64_t>(n), std::vector<char>(n)};
      for (std::size_t i = 0; i < n; ++i) {
        const TAxis& a = axis[flip ? n - 1 - i : i];
        const int first = origin + a.first;
        const bool inside = first >= 0 && first < size;
        out.first[i] = inside ? std::int64_t(first) * step : kOutside;
        out.sample[i] = inside ? std::int64_t(std::min(origin + a.sample, size - 1)) * step : kOutside;
        out.single[i] = inside && std::min(origin + a.last, size) - first == 1;
      }
      return out;
    };
    const TOffsets colAt = offsets(cols, flipX, sx, src.width, src.bytes);
    const TOffsets rowAt = offsets(rows, flipY, sy, src.height, src.stride);
    const int outBytes = target.Bytes();
    for (const QRect& clip : dc.ClipRects()) {
      const QRect area = clip & dest;
      if (area.isEmpty()) continue;
      const std::size_t c0 = std::size_t(area.left() - dest.left());
      const std::int64_t* firsts = colAt.first.data() + c0;
      const std::int64_t* samples = colAt.sample.data() + c0;
      const char* singles = colAt.single.data() + c0;
      const int n = area.width();
      for (int yy = area.top(); yy <= area.bottom(); ++yy) {
        const std::size_t r = std::size_t(yy - dest.top());
        if (rowAt.first[r] == kOutside) continue;
        const std::uint8_t* atSample = src.bits + rowAt.sample[r];
        const std::uint8_t* atFirst = src.bits + rowAt.first[r];
        const bool rowSingle = rowAt.single[r] != 0;
        std::uint8_t* out = target.PixelAddress(area.left(), yy);
        for (int i = 0; i < n; ++i, out += outBytes) {
          if (firsts[i] == kOutside) continue;
          const std::uint8_t* p =
              rowSingle && singles[i] ? atFirst + firsts[i] : atSample + samples[i];
          out[0] = p[0];
          out[1] = p[1];
          out[2] = p[2];
        }
      }
    }
    MarkChanged(dc, dest, target);
    return true;
  }
  for (const QRect& clip : dc.ClipRects()) {
    QRect area = clip & dest;
    for (int yy = area.top(); yy <= area.bottom(); ++yy) {
      int j = yy - dest.top();
      const TAxis& ry = rows[flipY ? dh - 1 - j : j];
      std::uint8_t* out = target.PixelAddress(area.left(), yy);
      for (int xx = area.left(); xx <= area.right(); ++xx, out += target.Bytes()) {
        int i = xx - dest.left();
        COLORREF s = 0;
        if (needSource) {
          const TAxis& rx = cols[flipX ? dw - 1 - i : i];
          int x0 = sx + rx.first, x1 = sx + rx.last, y0 = sy + ry.first, y1 = sy + ry.last;
          if (x0 < 0 || y0 < 0 || x0 >= src.width || y0 >= src.height) continue;
          x1 = std::min(x1, src.width);
          y1 = std::min(y1, src.height);
          if (x1 - x0 == 1 && y1 - y0 == 1) {
            s = src.At(x0, y0);
          } else if (mode == COLORONCOLOR) {
            s = src.At(std::min(sx + rx.sample, src.width - 1),
                       std::min(sy + ry.sample, src.height - 1));
          } else if (mode == HALFTONE) {
            unsigned r = 0, g = 0, b = 0, n = 0;
            for (int v = y0; v < y1; ++v)
              for (int u = x0; u < x1; ++u) {
                COLORREF c = src.At(u, v);
                r += GetRValue(c);
                g += GetGValue(c);
                b += GetBValue(c);
                ++n;
              }
            s = RGB((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n);
          } else {
            bool andMode = mode != WHITEONBLACK;
            s = andMode ? 0xFFFFFF : 0;
            for (int v = y0; v < y1; ++v)
              for (int u = x0; u < x1; ++u)
                s = andMode ? (s & src.At(u, v)) : (s | src.At(u, v));
          }
        }
        if (transparent && s == *transparent) continue;
        if (copy) {
          WritePixel(out, s);
          continue;
        }
        COLORREF p = 0;
        if (needPattern) pattern.ColorAt(xx, yy, p);
        WritePixel(out, Rop3(code, p, s, ReadPixel(out)));
      }
    }
  }
  MarkChanged(dc, dest, target);
  return true;
}

namespace {

/// A snapshot of a DC's pixels in device coordinates (so that a recording
/// or an overlapping copy reads what was there before).
struct TSnapshot {
  int width = 0, height = 0, originX = 0, originY = 0;
  std::vector<std::uint8_t> pixels; // 32-bit
  TSourceImage Image() const {
    TSourceImage s;
    s.width = width;
    s.height = height;
    s.bits = pixels.data();
    s.stride = std::int64_t(width) * 4;
    s.bytes = 4;
    return s;
  }
};

TSnapshot Snapshot(TDc& src, const QRect& area) {
  TSnapshot s;
  if (!src.surface) return s;
  src.surface->Prepare();
  QRect a = area & QRect(0, 0, src.surface->Width(), src.surface->Height());
  if (a.isEmpty()) return s;
  s.width = a.width();
  s.height = a.height();
  s.originX = a.left();
  s.originY = a.top();
  s.pixels.resize(std::size_t(s.width) * s.height * 4);
  std::uint8_t* bits = src.surface->Bits();
  int bytes = src.surface->BitsPerPixel() / 8;
  for (int y = 0; y < s.height; ++y) {
    const std::uint8_t* in =
        bits + std::int64_t(a.top() + y) * src.surface->Stride() + a.left() * bytes;
    std::uint8_t* out = s.pixels.data() + std::size_t(y) * s.width * 4;
    if (bytes == 4) {
      std::memcpy(out, in, std::size_t(s.width) * 4);
    } else {
      for (int x = 0; x < s.width; ++x) {
        out[4 * x] = in[3 * x];
        out[4 * x + 1] = in[3 * x + 1];
        out[4 * x + 2] = in[3 * x + 2];
      }
    }
  }
  return s;
}

/// The vector form of a copy: the snapshot drawn into the rectangle (copy
/// operations of unmirrored rectangles only).
TVectorOp ImageVector(const std::shared_ptr<TSnapshot>& snap, int x, int y, int w, int h, int sx,
                      int sy, int sw, int sh, DWORD rop, std::optional<COLORREF> transparent) {
  if (rop != SRCCOPY || w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || snap->width == 0) return nullptr;
  return [=](QPainter& p, const TDcState&) {
    QImage image(snap->width, snap->height, QImage::Format_ARGB32);
    for (int yy = 0; yy < snap->height; ++yy) {
      const std::uint8_t* in = snap->pixels.data() + std::size_t(yy) * snap->width * 4;
      QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(yy));
      for (int xx = 0; xx < snap->width; ++xx) {
        COLORREF c = ReadPixel(in + 4 * xx);
        out[xx] = transparent && c == *transparent ? qRgba(0, 0, 0, 0)
                                                   : qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
      }
    }
    QRectF target(x, y, w, h), source(sx, sy, sw, sh);
    if (!p.hasClipping()) {
      p.drawImage(target, image, source);
      return;
    }
    // the SVG writer drops clipping: the visible part becomes its own image
    QPainterPath clip = p.clipPath();
    QRect box = (clip.boundingRect() & target).toAlignedRect();
    if (box.isEmpty()) return;
    QImage part(box.size(), QImage::Format_ARGB32);
    part.fill(Qt::transparent);
    {
      QPainter q(&part);
      q.translate(-box.topLeft());
      q.setClipPath(clip);
      q.drawImage(target, image, source);
    }
    p.drawImage(box.topLeft(), part);
  };
}

bool BlitFromDc(HDC dest, int x, int y, int w, int h, HDC srcDc, int sx, int sy, int sw, int sh,
                DWORD rop, std::optional<COLORREF> transparent = std::nullopt) {
  unsigned code = (rop >> 16) & 0xFF;
  if (!UsesSource(code)) {
    return Run(
        dest, [=](TDc& d) { return StretchImage(d, x, y, w, h, TSourceImage(), 0, 0, 0, 0, rop); });
  }
  TDc* src = Dc(srcDc);
  TDc* dst = Dc(dest);
  if (!src || !dst || !src->surface) return false;
  QTransform st = src->Transform();
  QPointF o = st.map(QPointF(sx, sy));
  int dsx = int(std::floor(o.x() + 0.5)), dsy = int(std::floor(o.y() + 0.5));
  // Colour <-> monochrome: a mono source paints its 0 bits in the
  // destination's text colour and its 1 bits in its background colour; a
  // colour source gives a mono destination 1 where it has the source DC's
  // background colour and 0 elsewhere.
  auto isMono = [](const TDc* d) {
    return d->selectedDib && d->selectedDib->DibBitsPerPixel() == 1;
  };
  bool monoSrc = isMono(src), monoDst = isMono(dst);
  bool convert = monoSrc != monoDst;
  COLORREF srcBk = src->state.bkColor;
  COLORREF srcOne = 0xFFFFFF;
  if (monoSrc && src->selectedDib->Palette().size() > 1) {
    const RGBQUAD& q = src->selectedDib->Palette()[1];
    srcOne = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  bool direct = src->surface != dst->surface && !dst->recording && !convert;
  if (direct) {
    src->surface->Prepare();
    TSourceImage img;
    img.width = src->surface->Width();
    img.height = src->surface->Height();
    img.bits = src->surface->Bits();
    img.stride = src->surface->Stride();
    img.bytes = src->surface->BitsPerPixel() / 8;
    if (!img.bits) return false;
    return StretchImage(*dst, x, y, w, h, img, dsx, dsy, sw, sh, rop, transparent);
  }
  int ax = sw < 0 ? dsx + sw + 1 : dsx, ay = sh < 0 ? dsy + sh + 1 : dsy;
  QRect area(ax, ay, std::abs(sw), std::abs(sh));
  auto snap = std::make_shared<TSnapshot>(Snapshot(*src, area));
  int ox = dsx - snap->originX, oy = dsy - snap->originY;
  if (convert && monoDst) {
    for (std::size_t i = 0; i + 3 < snap->pixels.size(); i += 4)
      WritePixel(snap->pixels.data() + i,
                 ReadPixel(snap->pixels.data() + i) == srcBk ? 0xFFFFFF : 0);
  }
  return Run(
      dest,
      [=](TDc& d) {
        if (convert && monoSrc) {
          TSnapshot mapped = *snap;
          for (std::size_t i = 0; i + 3 < mapped.pixels.size(); i += 4)
            WritePixel(mapped.pixels.data() + i, ReadPixel(mapped.pixels.data() + i) == srcOne
                                                     ? d.state.bkColor
                                                     : d.state.textColor);
          return StretchImage(d, x, y, w, h, mapped.Image(), ox, oy, sw, sh, rop, transparent);
        }
        return StretchImage(d, x, y, w, h, snap->Image(), ox, oy, sw, sh, rop, transparent);
      },
      convert && monoSrc ? nullptr
                         : ImageVector(snap, x, y, w, h, ox, oy, sw, sh, rop, transparent));
}

/// Decodes a DIB's lines [top, top + lines) (0 = top line) to 32-bit pixels.
bool DecodeDib(const void* bits, const BITMAPINFO* info, int top, int lines, TSnapshot& out) {
  const BITMAPINFOHEADER& hd = info->bmiHeader;
  int width = hd.biWidth, height = hd.biHeight < 0 ? -hd.biHeight : hd.biHeight;
  int bpp = hd.biBitCount;
  if (width <= 0 || height <= 0) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (hd.biCompression != BI_RGB && !(hd.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
    return false;
  top = std::max(top, 0);
  int bottom = std::min(top + lines, height);
  if (bottom <= top) return false;
  std::int64_t rowBytes = DibRowBytes(width, bpp);
  DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  if (hd.biCompression == BI_BITFIELDS) std::memcpy(masks, info->bmiColors, sizeof masks);
  auto channel = [](DWORD v, DWORD mask) -> int {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
      ++shift;
    DWORD m = mask >> shift;
    DWORD c = (v >> shift) & m;
    return int(c * 255 / m);
  };
  out.width = width;
  out.height = height;
  out.originX = 0;
  out.originY = 0;
  out.pixels.assign(std::size_t(width) * height * 4, 0);
  const auto* base = static_cast<const std::uint8_t*>(bits);
  for (int line = top; line < bottom; ++line) {
    const std::uint8_t* row = base + DibMemoryRow(line, hd.biHeight) * rowBytes;
    std::uint8_t* o = out.pixels.data() + std::size_t(line) * width * 4;
    for (int x = 0; x < width; ++x, o += 4) {
      COLORREF c = 0;
      if (bpp <= 8) {
        int index = bpp == 8   ? row[x]
                    : bpp == 4 ? ((x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4)
                               : (row[x / 8] >> (7 - (x & 7))) & 1;
        const RGBQUAD& q = info->bmiColors[index];
        c = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
      } else if (bpp == 24) {
        c = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      } else {
        DWORD v = bpp == 16 ? DWORD(row[2 * x] | (row[2 * x + 1] << 8))
                            : DWORD(row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) |
                                    (DWORD(row[4 * x + 3]) << 24));
        c = RGB(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
      }
      WritePixel(o, c);
    }
  }
  return true;
}

} // namespace
} // namespace gdi

using namespace gdi;

BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  return BlitFromDc(dest, x, y, w, h, src, sx, sy, w, h, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                DWORD rop) {
  return BlitFromDc(dest, x, y, w, h, src, sx, sy, sw, sh, rop);
}

BOOL TransparentBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                    UINT transparent) {
  return BlitFromDc(dest, x, y, w, h, src, sx, sy, sw, sh, SRCCOPY,
                    COLORREF(transparent & 0xFFFFFF));
}

BOOL MaskBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx,
             int my, DWORD rop4) {
  DWORD fore = rop4 & 0xFFFFFF, back = ((rop4 >> 8) & 0xFF0000) | (fore & 0xFFFF);
  if (!mask) return BitBlt(dest, x, y, w, h, src, sx, sy, fore);
  auto m = LookupAs<TBitmapObject>(mask, OBJ_BITMAP);
  if (!m || m->dib->DibBitsPerPixel() != 1 || w <= 0 || h <= 0) return FALSE;
  // the destination's pixels before, one pass per operation, then a choice
  // per pixel by the mask bit
  HDC memFore = CreateCompatibleDC(nullptr), memBack = CreateCompatibleDC(nullptr);
  auto snapshotOf = [&](HDC mem) {
    auto dib = std::make_shared<TDibData>(w, h, 32);
    auto o = std::make_shared<TBitmapObject>();
    o->dib = dib;
    HBITMAP hb = Register(o);
    SelectObject(mem, hb);
    BitBlt(mem, 0, 0, w, h, dest, x, y, SRCCOPY);
    return hb;
  };
  HBITMAP hf = snapshotOf(memFore), hbk = snapshotOf(memBack);
  TDc* dd = Dc(dest);
  if (dd) {
    SetTextColor(memFore, dd->state.textColor);
    SetBkColor(memFore, dd->state.bkColor);
    SetTextColor(memBack, dd->state.textColor);
    SetBkColor(memBack, dd->state.bkColor);
    SelectObject(memFore, dd->state.brushHandle);
    SelectObject(memBack, dd->state.brushHandle);
  }
  BitBlt(memFore, 0, 0, w, h, src, sx, sy, fore);
  BitBlt(memBack, 0, 0, w, h, src, sx, sy, back);
  auto fd = Dc(memFore)->selectedDib, bd = Dc(memBack)->selectedDib;
  TSourceImage img;
  img.width = w;
  img.height = h;
  img.pixel = [fd, bd, m, mx, my](int px, int py) -> COLORREF {
    int u = px + mx, v = py + my;
    bool one = u >= 0 && v >= 0 && u < m->dib->DibWidth() && v < m->dib->DibHeight() &&
               ((m->dib->StoredRow(v)[u / 8] >> (7 - (u & 7))) & 1);
    return one ? fd->PixelColor(px, py) : bd->PixelColor(px, py);
  };
  bool ok =
      Run(dest, [=](TDc& d) { return StretchImage(d, x, y, w, h, img, 0, 0, w, h, SRCCOPY); });
  SelectObject(memFore, GetStockObject(WHITE_BRUSH));
  SelectObject(memBack, GetStockObject(WHITE_BRUSH));
  DeleteDC(memFore);
  DeleteDC(memBack);
  DeleteObject(hf);
  DeleteObject(hbk);
  return ok;
}

int StretchDIBits(HDC dest, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  if (!Dc(dest) || !bits || !info || usage != DIB_RGB_COLORS) return 0;
  const BITMAPINFOHEADER& hd = info->bmiHeader;
  if (hd.biWidth <= 0 || hd.biHeight == 0) return 0;
  int height = hd.biHeight < 0 ? -hd.biHeight : hd.biHeight;
  int ash = std::abs(sh);
  int top = hd.biHeight < 0 ? std::min(sy, sy + sh) : height - std::max(sy, sy + sh);
  int syTop = hd.biHeight < 0 ? sy : height - sy - sh;
  if (sh < 0) syTop = hd.biHeight < 0 ? sy : height - sy;
  TDc* dc = Dc(dest);
  if (!dc->recording && hd.biCompression == BI_RGB && (hd.biBitCount == 24 || hd.biBitCount == 32)) {
    // B,G,R(,X) rows are read where they are: no decoded copy (a recording
    // keeps one, below, for its replays)
    if (std::min(std::max(top, 0) + ash, height) <= std::max(top, 0)) return 0;
    const std::int64_t rowBytes = DibRowBytes(hd.biWidth, hd.biBitCount);
    const auto* base = static_cast<const std::uint8_t*>(bits);
    TSourceImage rows;
    rows.width = hd.biWidth;
    rows.height = height;
    rows.bytes = hd.biBitCount / 8;
    rows.bits = hd.biHeight < 0 ? base : base + std::int64_t(height - 1) * rowBytes;
    rows.stride = hd.biHeight < 0 ? rowBytes : -rowBytes;
    return StretchImage(*dc, x, y, w, h, rows, sx, syTop, sw, sh, rop) ? ash : 0;
  }
  auto snap = std::make_shared<TSnapshot>();
  if (!DecodeDib(bits, info, top, ash, *snap)) return 0;
  bool ok = Run(
      dest,
      [=](TDc& d) { return StretchImage(d, x, y, w, h, snap->Image(), sx, syTop, sw, sh, rop); },
      ImageVector(snap, x, y, w, h, sx, syTop, sw, sh, rop, std::nullopt));
  return ok ? ash : 0;
}

int SetDIBitsToDevice(HDC dest, int x, int y, DWORD w, DWORD h, int sx, int sy, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  if (!info || startScan != 0) return 0;
  (void)lines;
  return StretchDIBits(dest, x, y, int(w), int(h), sx, sy, int(w), int(h), bits, info, usage,
                       SRCCOPY);
}
