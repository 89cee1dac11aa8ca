// Turning other pictures into a GIF frame: bitmaps of any pixel format
// (true colour reduced first), icons and metafiles (drawn into a bitmap,
// their uncovered parts made transparent), any other graphic, and picture
// containers.
#include <cstring>

#include "codecs/gif/GifColorReduction.h"
#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Metafile.h"

using namespace gif;

namespace {

// A 24-bit bitmap of the graphic's size with the graphic drawn at (0, 0).
std::unique_ptr<TBitmap> DrawnCopyOf(const TGraphic& graphic) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(graphic.Width(), graphic.Height());
  bitmap->Canvas()->Draw(0, 0, const_cast<TGraphic*>(&graphic));
  return bitmap;
}

std::unique_ptr<TBitmap> AssignedCopyOf(const TGraphic& graphic) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(&graphic);
  return bitmap;
}

} // namespace

void TGIFSubImage::Assign(const TPicture* source) {
  Assign(source != nullptr ? source->Graphic() : nullptr);
}

void TGIFSubImage::Assign(const TGraphic* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    AssignBitmap(*const_cast<TBitmap*>(bitmap));
    return;
  }
  Clear();
  if (source->Empty()) return;
  const auto* icon = dynamic_cast<const TIcon*>(source);
  const auto* metafile = dynamic_cast<const TMetafile*>(source);
  std::unique_ptr<TBitmap> temporary;
  if (icon != nullptr || metafile != nullptr) {
    try {
      temporary = DrawnCopyOf(*source);
    } catch (const Exception&) {
      temporary = AssignedCopyOf(*source);
    }
  } else {
    try {
      temporary = AssignedCopyOf(*source);
    } catch (const Exception&) {
      temporary = DrawnCopyOf(*source);
    }
  }
  AssignBitmap(*temporary);
  if (icon != nullptr) {
    // pixels less than half opaque are the icon's mask
    const std::vector<std::uint8_t>& bgra = icon->Pixels();
    std::vector<std::uint8_t> mask(std::size_t(icon->Width()) * std::size_t(icon->Height()), 0);
    for (std::size_t i = 0; i < mask.size() && i * 4 + 3 < bgra.size(); ++i)
      mask[i] = bgra[i * 4 + 3] < 128 ? 1 : 0;
    AddMask(mask);
  } else if (metafile != nullptr) {
    // drawn over white and over black: where the two differ nothing was painted
    TBitmap white(source->Width(), source->Height(), pf24bit);
    TBitmap black(source->Width(), source->Height(), pf24bit);
    const TRect all(0, 0, source->Width(), source->Height());
    for (auto [bitmap, colour] : {std::pair{&white, clWhite}, std::pair{&black, clBlack}}) {
      bitmap->Canvas()->Brush()->SetColor(colour);
      bitmap->Canvas()->FillRect(all);
      bitmap->Canvas()->StretchDraw(all, const_cast<TGraphic*>(source));
    }
    std::vector<std::uint8_t> mask(std::size_t(all.Right) * std::size_t(all.Bottom), 0);
    for (int y = 0; y < all.Bottom; ++y) {
      const std::uint8_t* a = white.ScanLine(y);
      const std::uint8_t* b = black.ScanLine(y);
      for (int x = 0; x < all.Right; ++x)
        mask[std::size_t(y) * std::size_t(all.Right) + std::size_t(x)] =
            std::memcmp(a + x * 3, b + x * 3, 3) != 0 ? 1 : 0;
    }
    AddMask(mask);
  }
}

void TGIFSubImage::AssignBitmap(TBitmap& source) {
  Clear();
  if (source.Empty()) return;
  SetBounds(Left(), Top(), source.Width(), source.Height());
  const TPixelFormat format = source.PixelFormat();
  if (format == pf1bit || format == pf4bit || format == pf8bit) {
    bitmap_ = AssignedCopyOf(source);
  } else {
    const int method = image_ != nullptr ? image_->ReductionMethod : int(rdWebPalette);
    const int kind = image_ != nullptr ? image_->DitherKind : int(dkNearest);
    const int bits = image_ != nullptr ? image_->QuantizeBits : 8;
    bitmap_ = ReduceColors(source, method, kind, nullptr, bits);
    if (bitmap_->Empty()) {
      // an unknown method or dither kind leaves nothing to import
      FreeBitmap();
      Clear();
      return;
    }
  }
  NeedPixels();
  TFrameProgress converting(image_, GifTexts::Converting);
  TPixelFormat read = bitmap_->PixelFormat();
  if (read != pf1bit && read != pf4bit && read != pf8bit) read = pf24bit;
  TDIBReader reader(*bitmap_, read);
  const int w = Width(), h = Height();
  if (read == pf24bit) {
    // recent colours first: eight slots searched backwards from the last hit
    struct TSlot {
      std::uint32_t Color = 0;
      int Index = -1;
    };
    TSlot slots[8];
    int current = 0;
    localColors_.Clear();
    for (int y = 0; y < h; ++y) {
      converting.Row(y, h);
      const std::uint8_t* in = reader.ScanLine(y);
      std::uint8_t* out = ScanLine(y);
      for (int x = 0; x < w; ++x) {
        // gathered in memory order (blue, green, red) and swapped at the end
        const std::uint32_t colour =
            std::uint32_t(in[x * 3]) | std::uint32_t(in[x * 3 + 1]) << 8 |
            std::uint32_t(in[x * 3 + 2]) << 16;
        int slot = current, hit = -1;
        do {
          if (slots[slot].Index < 0) break;
          if (slots[slot].Color == colour) {
            hit = slot;
            break;
          }
          slot = (slot + 7) % 8;
        } while (slot != current);
        if (hit >= 0) {
          current = hit;
        } else {
          current = (current + 1) % 8;
          slots[current] = TSlot{colour, localColors_.AddUnique(COLORREF(colour))};
        }
        out[x] = std::uint8_t(slots[current].Index);
      }
    }
    localColors_.SwapRedBlue();
  } else {
    std::vector<RGBQUAD> table = bitmap_->PaletteEntries();
    localColors_.ImportColorTable(table.data(), int(table.size()));
    for (int y = 0; y < h; ++y) {
      converting.Row(y, h);
      const std::uint8_t* in = reader.ScanLine(y);
      std::uint8_t* out = ScanLine(y);
      for (int x = 0; x < w; ++x) {
        if (read == pf8bit)
          out[x] = in[x];
        else if (read == pf4bit)
          out[x] = std::uint8_t((x & 1) == 0 ? in[x >> 1] >> 4 : in[x >> 1] & 0x0F);
        else
          out[x] = std::uint8_t((in[x >> 3] >> (7 - (x & 7))) & 1);
      }
    }
  }
  if (source.Transparent()) {
    // the source's mask: pixels of its transparent colour
    const COLORREF key = ColorToRGB(source.TransparentColor());
    TBitmap colours;
    colours.Assign(&source);
    colours.SetPixelFormat(pf24bit);
    std::vector<std::uint8_t> mask(std::size_t(w) * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* p = colours.ScanLine(y);
      for (int x = 0; x < w; ++x)
        mask[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
            RGB(p[x * 3 + 2], p[x * 3 + 1], p[x * 3]) == key ? 1 : 0;
    }
    AddMask(mask);
  }
  converting.Done();
}

void TGIFSubImage::AddMask(const std::vector<std::uint8_t>& mask) {
  localColors_.Optimize();
  const int count = localColors_.Count();
  if (count == 0 || count == 256) return;
  const int t = localColors_.Add(0);
  bool changed = false;
  for (std::size_t i = 0; i < mask.size() && i < pixels_.size(); ++i)
    if (mask[i] != 0) {
      pixels_[i] = std::uint8_t(t);
      changed = true;
    }
  if (!changed) {
    localColors_.Delete(t);
    return;
  }
  auto* gce = new TGIFGraphicControlExtension(this);
  extensions_.Add(gce);
  gce->SetTransparent(true);
  gce->SetTransparentColorIndex(t);
  FreeBitmap();
  FreeMask();
}
