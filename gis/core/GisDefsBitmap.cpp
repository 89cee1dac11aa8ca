#include "gis/core/GisDefsBitmap.h"

#include "gis/core/GisDefsPaths.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

namespace {

TGIS_BitmapFileLoader& FileLoader() {
  static TGIS_BitmapFileLoader loader;
  return loader;
}

TGIS_BitmapStreamLoader& StreamLoader() {
  static TGIS_BitmapStreamLoader loader;
  return loader;
}

TGIS_BitmapClipboardLoader& ClipboardLoader() {
  static TGIS_BitmapClipboardLoader loader;
  return loader;
}

} // namespace

void GisSetBitmapLoaders(TGIS_BitmapFileLoader fileLoader, TGIS_BitmapStreamLoader streamLoader,
                         TGIS_BitmapClipboardLoader clipboardLoader) {
  FileLoader() = std::move(fileLoader);
  StreamLoader() = std::move(streamLoader);
  ClipboardLoader() = std::move(clipboardLoader);
}

void TGIS_Bitmap::SetPicture(std::shared_ptr<const TGIS_BitmapPicture> picture) {
  picture_ = std::move(picture);
  path_.clear();
}

void TGIS_Bitmap::LoadFromFile(const std::string& name) {
  const std::string path = GisPathAbsolute(std::string(), name);
  if (!FileExists(path)) throw EFOpenError("Cannot open file \"" + path + "\"");
  if (!FileLoader()) throw EInvalidGraphic("No picture loader for \"" + path + "\"");
  auto picture = FileLoader()(path);
  if (!picture) throw EInvalidGraphic("Unknown picture format of \"" + path + "\"");
  picture_ = std::move(picture);
  path_ = path;
}

void TGIS_Bitmap::LoadFromStream(TStream& stream) {
  if (!StreamLoader()) throw EInvalidGraphic("No picture loader");
  auto picture = StreamLoader()(stream);
  if (!picture) throw EInvalidGraphic("Unknown picture format");
  picture_ = std::move(picture);
  path_.clear();
}

void TGIS_Bitmap::LoadFromClipboardFormat(const std::string& format,
                                          const std::vector<std::uint8_t>& data) {
  if (!ClipboardLoader()) throw EInvalidGraphic("No picture loader");
  auto picture = ClipboardLoader()(format, data);
  if (!picture) throw EInvalidGraphic("Unknown picture format");
  picture_ = std::move(picture);
  path_.clear();
}

void TGIS_Bitmap::Assign(const TGIS_Bitmap* source) {
  if (source == this) return;
  if (!source) {
    picture_.reset();
    path_.clear();
    return;
  }
  picture_ = source->picture_;
  path_ = source->path_;
}
