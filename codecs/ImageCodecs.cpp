#include "codecs/ImageCodecs.h"

#include "codecs/GifPicture.h"
#include "codecs/PngPicture.h"

namespace {

int& UseCount() {
  static int count = 0;
  return count;
}

} // namespace

void RegisterImageCodecs() {
  if (UseCount()++ > 0) return;
  TPicture::RegisterFileFormat("png", "Portable Network Graphics", "TPngPicture",
                               [] { return std::unique_ptr<TGraphic>(new TPngPicture()); });
  const TGraphicFactory gif = [] { return std::unique_ptr<TGraphic>(new TGifPicture()); };
  TPicture::RegisterFileFormat("gif", GifTexts::ClipboardFormat, "TGifPicture", gif);
  TPicture::RegisterClipboardFormat(GifTexts::ClipboardFormat, "TGifPicture", gif);
  // a palette display of 8 bits or fewer wants dithered frames
  GIFAutoDitherNeeded = GdiScreenBitsPerPixel() < 9;
}

void UnregisterImageCodecs() {
  if (UseCount() == 0 || --UseCount() > 0) return;
  TPicture::UnregisterGraphicClass("TPngPicture");
  TPicture::UnregisterGraphicClass("TGifPicture");
}
