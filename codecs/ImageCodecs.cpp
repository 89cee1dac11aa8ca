#include "codecs/ImageCodecs.h"

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
}

void UnregisterImageCodecs() {
  if (UseCount() == 0 || --UseCount() > 0) return;
  TPicture::UnregisterGraphicClass("TPngPicture");
}
