// The anti-aliasing layer's image decoding: any bytes decode or give a
// status (never a fault); an image that decodes has a size and a raw format,
// and draws stretched onto a small surface.

#include <cstdint>

#include "fuzz/support/FuzzGui.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/GdiPlus.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)GdipSniffImageFormat(data, size);
  GpImage* image = nullptr;
  if (GdipLoadImageFromMemory(data, size, &image) != GpOk || image == nullptr) return 0;
  unsigned width = 0, height = 0;
  int format = 0;
  GdipGetImageWidth(image, &width);
  GdipGetImageHeight(image, &height);
  GdipGetImageRawFormat(image, &format);
  TBitmap target(24, 16, pf32bit);
  GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(target.Canvas()->Handle(), &graphics) == GpOk) {
    GdipDrawImageRect(graphics, image, 0, 0, 24, 16);
    GdipDrawImageRect(graphics, image, -3.5f, 2.25f, 50, 9);
    GdipDeleteGraphics(graphics);
  }
  GdipDisposeImage(image);
  return 0;
}
