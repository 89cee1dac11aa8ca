// A frame's rendered bitmap and transparency mask, its palette, and
// drawing it scaled, tiled, opaque or through its mask.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifColorReduction.h"
#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

using namespace gif;

namespace gifdraw {

[[noreturn]] void FailResources() { throw EOutOfResources("Out of system resources"); }

// Copies the source rectangle onto the destination rectangle, leaving the
// destination where the mask bit is 1.
void TransparentStretchBlt(HDC dest, const TRect& d, HDC source, const TRect& s, HDC maskDC,
                           HBITMAP mask) {
  const int dw = d.Right - d.Left, dh = d.Bottom - d.Top;
  const int sw = s.Right - s.Left, sh = s.Bottom - s.Top;
  if (dw == sw && dh == sh) {
    MaskBlt(dest, d.Left, d.Top, dw, dh, source, s.Left, s.Top, mask, 0, 0,
            MAKEROP4(0x00AA0029, SRCCOPY));
    return;
  }
  HDC colorDC = CreateCompatibleDC(dest);
  HDC monoDC = CreateCompatibleDC(dest);
  HBITMAP colorBitmap = CreateCompatibleBitmap(dest, sw, sh);
  HBITMAP monoBitmap = CreateBitmap(sw, sh, 1, 1, nullptr);
  HGDIOBJ oldColor = nullptr, oldMono = nullptr;
  TScopeExit cleanup([&] {
    if (colorDC != nullptr) {
      if (oldColor != nullptr) SelectObject(colorDC, oldColor);
      DeleteDC(colorDC);
    }
    if (monoDC != nullptr) {
      if (oldMono != nullptr) SelectObject(monoDC, oldMono);
      DeleteDC(monoDC);
    }
    if (colorBitmap != nullptr) DeleteObject(colorBitmap);
    if (monoBitmap != nullptr) DeleteObject(monoBitmap);
  });
  if (colorDC == nullptr || monoDC == nullptr || colorBitmap == nullptr || monoBitmap == nullptr)
    FailResources();
  oldColor = SelectObject(colorDC, colorBitmap);
  oldMono = SelectObject(monoDC, monoBitmap);
  // opaque pixels 1 in the inverted mask
  BitBlt(monoDC, 0, 0, sw, sh, maskDC, 0, 0, NOTSRCCOPY);
  // the image with black at transparent pixels
  SetTextColor(colorDC, 0x000000);
  SetBkColor(colorDC, 0xFFFFFF);
  BitBlt(colorDC, 0, 0, sw, sh, monoDC, 0, 0, SRCCOPY);
  BitBlt(colorDC, 0, 0, sw, sh, source, s.Left, s.Top, SRCAND);
  const COLORREF text = SetTextColor(dest, 0x000000);
  const COLORREF back = SetBkColor(dest, 0xFFFFFF);
  StretchBlt(dest, d.Left, d.Top, dw, dh, maskDC, 0, 0, sw, sh, SRCAND);
  StretchBlt(dest, d.Left, d.Top, dw, dh, colorDC, 0, 0, sw, sh, SRCPAINT);
  SetTextColor(dest, text);
  SetBkColor(dest, back);
}

} // namespace gifdraw

TFrameProgress::TFrameProgress(TGifPicture* image, const char* message)
    : image_(image), message_(message) {
  if (image_ != nullptr) image_->ReportProgress(psStarting, 0, false, message_);
}

TFrameProgress::~TFrameProgress() {
  if (image_ != nullptr)
    image_->ReportProgress(psEnding, ok_ ? 100 : 0, image_->PaletteModified(), message_);
}

void TFrameProgress::Row(int y, int height) {
  if (image_ != nullptr && y % 32 == 0)
    image_->ReportProgress(psRunning, MulDiv(y, 100, height), image_->PaletteModified(), message_);
}

void TGIFSubImage::FreeBitmap() { bitmap_.reset(); }

void TGIFSubImage::FreeMask() {
  if (mask_ != nullptr) DeleteObject(mask_);
  mask_ = nullptr;
  needMask_ = true;
}

bool TGIFSubImage::HasMask() {
  if (needMask_ && transparent_) {
    FreeBitmap();
    Bitmap();
  }
  return mask_ != nullptr;
}

HPALETTE TGIFSubImage::Palette() {
  if (palette_ != nullptr) return palette_;
  if (image_ != nullptr && image_->WantsDither()) {
    palette_ = WebPalette();
    return palette_;
  }
  if (localColors_.Count() == 0) return image_ != nullptr ? image_->Palette() : nullptr;
  palette_ = localColors_.ExportPalette();
  return palette_;
}

void TGIFSubImage::SetPalette(HPALETTE palette) {
  if (palette == palette_) return;
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = palette;
  if (bitmap_ != nullptr) {
    FreeBitmap();
    if (image_ != nullptr) {
      image_->SetPaletteModified(true);
      image_->RaiseChanged();
    }
  }
}

std::vector<RGBQUAD> TGIFSubImage::PaletteColors() {
  std::vector<RGBQUAD> colors(256, RGBQUAD{0, 0, 0, 0});
  HPALETTE palette = Palette();
  if (palette == nullptr) return colors;
  PALETTEENTRY entries[256];
  const UINT n = GetPaletteEntries(palette, 0, 256, entries);
  for (UINT i = 0; i < n && i < 256; ++i)
    colors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  return colors;
}

std::unique_ptr<TBitmap> TGIFSubImage::NewRenderBitmap() {
  auto bitmap = std::make_unique<TBitmap>();
  const std::vector<RGBQUAD> colors = PaletteColors();
  bitmap->SetPixelFormat(pf8bit);
  bitmap->SetSize(Width(), Height());
  bitmap->SetPaletteEntries(colors);
  return bitmap;
}

void TGIFSubImage::MakeMask(const std::vector<std::uint8_t>& bits, bool anyTransparent) {
  if (!anyTransparent) return;
  mask_ = CreateBitmap(Width(), Height(), 1, 1, bits.data());
  if (mask_ == nullptr) gifdraw::FailResources();
}

std::unique_ptr<TBitmap> TGIFSubImage::RenderPlain(TFrameProgress& progress) {
  auto bitmap = NewRenderBitmap();
  if (Empty()) return bitmap;
  const bool wantMask = needMask_ && transparent_;
  needMask_ = false;
  int t = -1;
  if (wantMask && mask_ == nullptr && controlExt_ != nullptr) t = controlExt_->TransparentColorIndex();
  const int w = Width(), h = Height();
  const std::size_t maskRow = std::size_t((w + 15) / 16) * 2;
  std::vector<std::uint8_t> maskBits;
  if (wantMask) maskBits.assign(maskRow * std::size_t(h), 0);
  bool anyTransparent = false;
  for (int y = 0; y < h; ++y) {
    progress.Row(y, h);
    const std::uint8_t* row = pixels_.data() + std::size_t(y) * std::size_t(w);
    std::memcpy(bitmap->ScanLine(y), row, std::size_t(w));
    if (wantMask && t >= 0) {
      std::uint8_t* m = maskBits.data() + std::size_t(y) * maskRow;
      for (int x = 0; x < w; ++x)
        if (row[x] == t) {
          m[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
          anyTransparent = true;
        }
    }
  }
  if (wantMask) MakeMask(maskBits, anyTransparent);
  return bitmap;
}

std::unique_ptr<TBitmap> TGIFSubImage::RenderDithered(TFrameProgress& progress) {
  auto bitmap = NewRenderBitmap();
  if (Empty()) return bitmap;
  TNetscapeColorLookup lookup;
  const int w = Width(), h = Height();
  TFloydSteinbergDitherer ditherer(w, lookup);
  TGIFColorMap& table = ActiveColorMap();
  const bool wantMask = needMask_ && transparent_;
  needMask_ = false;
  int t = -1;
  std::uint8_t fill = 0;
  if (wantMask && mask_ == nullptr && controlExt_ != nullptr) {
    t = controlExt_->TransparentColorIndex();
    const COLORREF c = t < table.Count() ? table.Colors(t) : 0;
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    fill = std::uint8_t((b / 51 + MulDiv(6, g, 51) + MulDiv(36, r, 51) + 1) % 256);
  }
  const std::size_t maskRow = std::size_t((w + 15) / 16) * 2;
  std::vector<std::uint8_t> maskBits;
  if (wantMask) maskBits.assign(maskRow * std::size_t(h), 0);
  bool anyTransparent = false;
  const TGIFColor* entries = table.Data();
  const int count = table.Count();
  TLookupColor chosen;
  for (int y = 0; y < h; ++y) {
    progress.Row(y, h);
    const std::uint8_t* row = pixels_.data() + std::size_t(y) * std::size_t(w);
    std::uint8_t* out = bitmap->ScanLine(y);
    std::uint8_t* m = wantMask ? maskBits.data() + std::size_t(y) * maskRow : nullptr;
    if (wantMask) std::memset(out, fill, std::size_t(w));
    while (ditherer.Column() >= 0 && ditherer.Column() < w) {
      const int x = ditherer.Column();
      if (wantMask && row[x] == t) {
        m[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        anyTransparent = true;
        ditherer.Skip();
        continue;
      }
      // an index beyond the table shows its first entry, as Colors() does
      const TGIFColor c = row[x] < count ? entries[row[x]] : (count > 0 ? entries[0] : TGIFColor{});
      out[x] = std::uint8_t(ditherer.Dither(c.Red, c.Green, c.Blue, chosen));
    }
    ditherer.NextLine();
  }
  if (wantMask) MakeMask(maskBits, anyTransparent);
  return bitmap;
}

TBitmap* TGIFSubImage::Bitmap() {
  if (bitmap_ != nullptr || Empty()) return bitmap_.get();
  TFrameProgress progress(image_, GifTexts::Rendering);
  try {
    const bool dither = image_ != nullptr && image_->WantsDither();
    bitmap_ = dither ? RenderDithered(progress) : RenderPlain(progress);
  } catch (const EAbort&) {
    bitmap_.reset();
  }
  progress.Done();
  if (image_ != nullptr && image_->PaletteModified()) image_->RaiseChanged();
  return bitmap_.get();
}

TRect TGIFSubImage::ScaleRect(const TRect& r) const {
  const int sw = image_ != nullptr ? image_->Width() : Width();
  const int sh = image_ != nullptr ? image_->Height() : Height();
  const int rw = r.Right - r.Left, rh = r.Bottom - r.Top;
  return TRect(r.Left + MulDiv(Left(), rw, sw), r.Top + MulDiv(Top(), rh, sh),
               r.Left + MulDiv(Left() + Width(), rw, sw), r.Top + MulDiv(Top() + Height(), rh, sh));
}

void TGIFSubImage::Draw(TCanvas* canvas, const TRect& rect, bool tile, bool transparent) {
  StretchDraw(canvas, tile ? rect : ScaleRect(rect), tile, transparent);
}

void TGIFSubImage::StretchDraw(TCanvas* canvas, const TRect& rect, bool tile, bool transparent) {
  if (canvas == nullptr) return;
  const bool masked = transparent && transparent_ && HasMask();
  TBitmap* bitmap = Bitmap();
  if (bitmap == nullptr) return;
  const int sw = image_ != nullptr ? image_->Width() : Width();
  const int sh = image_ != nullptr ? image_->Height() : Height();
  auto eachTile = [&](auto drawOne) {
    if (!tile) {
      drawOne(rect);
      return;
    }
    // a screen of no size has no tile step: nothing is drawn
    if (sw <= 0 || sh <= 0) return;
    for (int x = rect.Left + Left(); x < rect.Right; x += sw)
      for (int y = rect.Top + Top(); y < rect.Bottom; y += sh)
        drawOne(TRect(x, y, x + Width(), y + Height()));
  };
  if (!masked) {
    eachTile([&](const TRect& r) { canvas->StretchDraw(r, bitmap); });
    return;
  }
  HDC dc = canvas->Handle();
  HDC maskDC = CreateCompatibleDC(dc);
  if (maskDC == nullptr) gifdraw::FailResources();
  const HGDIOBJ old = SelectObject(maskDC, mask_);
  TScopeExit release([&] {
    SelectObject(maskDC, old);
    DeleteDC(maskDC);
  });
  HDC source = bitmap->Canvas()->Handle();
  const TRect whole(0, 0, Width(), Height());
  eachTile([&](const TRect& r) { gifdraw::TransparentStretchBlt(dc, r, source, whole, maskDC, mask_); });

}
