// The JPEG reader: any bytes load or raise the runtime's error; a picture
// that loads decodes (or raises), into a bitmap of its own and in grey
// levels, draws stretched and saves.

#include <cstdint>

#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/PictureFormats.h"
#include "platform/graphics/Jpeg.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skfuzz::LoadDrawSave<TJPEGImage>(data, size, [](TJPEGImage& jpeg) {
    jpeg.DIBNeeded();
    TBitmap rows;
    jpeg.SetPixelFormat(jf8Bit);
    jpeg.DecodeInto(rows);
    skfuzz::Check(rows.Width() == jpeg.Width() && rows.Height() == jpeg.Height(),
                  "the decoded rows have the header's size");
    jpeg.SetPixelFormat(jf24Bit);
  });
  try {
    TBitmap out;
    DecodeJpeg(data, size, out);
  } catch (const Exception&) {
  }
  return 0;
}
