// The pictures behind style bitmaps (see GisStyleBitmap.h).
#include "gis/viewer/GisStyleBitmap.h"

#include "gis/core/GisKernel.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

namespace {

/// The picture of a style bitmap. The bitmap is never changed once made; a
/// brush over it only selects its handle.
class TStylePicture : public TGIS_BitmapPicture {
public:
  explicit TStylePicture(std::unique_ptr<TBitmap> bitmap) : bitmap_(std::move(bitmap)) {}
  int Width() const override { return bitmap_->Width(); }
  int Height() const override { return bitmap_->Height(); }
  TBitmap* Bitmap() const { return bitmap_.get(); }

private:
  std::unique_ptr<TBitmap> bitmap_;
};

/// A drawing bitmap of any graphic (a bitmap is copied as it is).
std::shared_ptr<const TGIS_BitmapPicture> PictureOf(const TGraphic& graphic) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->Assign(&graphic);
  return GisMakeStylePicture(std::move(bitmap));
}

std::shared_ptr<const TGIS_BitmapPicture> LoadFile(const std::string& path) {
  TPicture picture;
  picture.LoadFromFile(path);
  if (picture.Graphic() == nullptr) return nullptr;
  return PictureOf(*picture.Graphic());
}

std::shared_ptr<const TGIS_BitmapPicture> LoadStream(TStream& stream) {
  TBitmap bitmap;
  bitmap.LoadFromStream(stream);
  return PictureOf(bitmap);
}

std::shared_ptr<const TGIS_BitmapPicture> LoadClipboard(const std::string& format,
                                                        const std::vector<std::uint8_t>& data) {
  TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(TClipboardData{format, data});
  return PictureOf(bitmap);
}

} // namespace

std::shared_ptr<const TGIS_BitmapPicture> GisMakeStylePicture(std::unique_ptr<TBitmap> bitmap) {
  if (bitmap == nullptr) return nullptr;
  return std::make_shared<TStylePicture>(std::move(bitmap));
}

TBitmap* GisStyleBitmap(const TGIS_Bitmap* bitmap) {
  if (bitmap == nullptr || bitmap->Empty()) return nullptr;
  const auto* picture = dynamic_cast<const TStylePicture*>(bitmap->Picture().get());
  return picture != nullptr ? picture->Bitmap() : nullptr;
}

void GisStyleBitmapsRegisterUnit() {
  GisKernelRegisterUnit(
      "GisStyleBitmap", [] { GisSetBitmapLoaders(LoadFile, LoadStream, LoadClipboard); },
      [] { GisSetBitmapLoaders(nullptr, nullptr, nullptr); });
}
