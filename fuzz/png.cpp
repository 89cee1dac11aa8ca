// The PNG readers: the codec's picture class and the drawing layer's decoder.
// Any bytes load or raise the runtime's error; a picture that loads blends
// into a bitmap, draws stretched and saves.

#include <cstdint>

#include "codecs/PngPicture.h"
#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/PictureFormats.h"
#include "platform/graphics/PngDecode.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skfuzz::LoadDrawSave<TPngPicture>(data, size, [](TPngPicture& png) {
    TBitmap target(7, 5, pf24bit);
    png.BlendInto(target);
  });
  try {
    (void)DecodePngData(data, size);
  } catch (const Exception&) {
  }
  return 0;
}
