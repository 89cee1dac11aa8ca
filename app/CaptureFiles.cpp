#include "app/CaptureFiles.h"

#include "app/AppFiles.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Jpeg.h"

std::unique_ptr<TBitmap> CropSnapshot(TBitmap& snapshot, int width, int height) {
  auto crop = std::make_unique<TBitmap>(width, height, pf24bit);
  crop->Canvas()->CopyRect(TRect(0, 0, width, height), snapshot.Canvas(),
                           TRect(2, 2, width, height));
  return crop;
}

void ShiftStretchInPlace(TBitmap& bitmap) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  bitmap.Canvas()->CopyRect(TRect(0, 0, width, height), bitmap.Canvas(),
                            TRect(2, 2, width, height));
}

void WriteCaptureImages(TBitmap& bitmap, const std::string& folder) {
  bitmap.SetPixelFormat(pf24bit);
  SaveFileReplacing(folder + "image1.bmp",
                    [&](const std::string& temporary) { bitmap.SaveToFile(temporary); });
  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(90);
  jpeg.Assign(&bitmap);
  SaveFileReplacing(folder + "image1.jpg",
                    [&](const std::string& temporary) { jpeg.SaveToFile(temporary); });
}
