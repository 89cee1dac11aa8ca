// The bitmap reader (BMP files of every depth and compression): any bytes
// load or raise the runtime's error; a bitmap that loads converts to 24 and
// 1 bits, draws stretched and saves, and what it saves loads again.

#include <cstdint>

#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/PictureFormats.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skfuzz::LoadDrawSave<TBitmap>(data, size, [](TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    (void)bitmap.PaletteEntries();
    (void)bitmap.TransparentColor();
    TMemoryStream saved;
    bitmap.SaveToStream(saved);
    saved.SetPosition(0);
    TBitmap again;
    again.LoadFromStream(saved);
    skfuzz::Check(again.Width() == bitmap.Width() && again.Height() == bitmap.Height(),
                  "a saved bitmap loads with its size");
    if (std::int64_t(bitmap.Width()) * bitmap.Height() <= 1 << 20) {
      bitmap.SetPixelFormat(pf24bit);
      (void)bitmap.ScanLine(bitmap.Height() - 1);
      bitmap.SetPixelFormat(pf1bit);
    }
  });
  return 0;
}
