// TGIS_SymbolPicture: a picture file drawn stretched to the prepared size.
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisKeywords.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/StringList.h"

namespace {

/// The file part of "path?transparent".
std::string PictureFile(const std::string& path) {
  TGIS_Tokenizer tokenizer;
  tokenizer.Execute(path, "?", true);
  return tokenizer.Result().Count() > 0 ? tokenizer.Result()[0] : std::string();
}

/// The existing file: the exact name, else the name found without regard to
/// letter case ('' when none).
std::string ExistingFile(const std::string& path) {
  return FileExists(path) ? path : FindFileNoCase(path);
}

/// Releases the canvas lock of a drawing context.
class TCanvasLockGuard {
public:
  explicit TCanvasLockGuard(TGIS_GDI& gdi) : gdi_(gdi) { gdi_.Lock(); }
  ~TCanvasLockGuard() { gdi_.Unlock(); }
  TCanvasLockGuard(const TCanvasLockGuard&) = delete;
  TCanvasLockGuard& operator=(const TCanvasLockGuard&) = delete;

private:
  TGIS_GDI& gdi_;
};

} // namespace

TGIS_SymbolPicture::TGIS_SymbolPicture(const std::string& path)
    : TGIS_SymbolAbstract(path, PictureFile(path)), picture_(std::make_unique<TPicture>()) {
  TGIS_Tokenizer tokenizer;
  tokenizer.Execute(path, "?", true);
  const TStringList& parts = tokenizer.Result();
  const std::string file = parts.Count() > 0 ? ExistingFile(parts[0]) : std::string();
  if (file.empty()) throw EInOutError("Cannot open picture symbol " + path);
  picture_->LoadFromFile(file);
  // A JPEG is read to its header only: decoded now, a damaged one fails the
  // creation instead of every draw.
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture_->Graphic())) jpeg->DIBNeeded();
  if (parts.Count() > 1 && picture_->Graphic() != nullptr)
    picture_->Graphic()->SetTransparent(GisStrToBoolean(parts[1], true));
  naturalHeight_ = picture_->Height();
}

TGIS_SymbolPicture::~TGIS_SymbolPicture() = default;

int TGIS_SymbolPicture::GetDrawWidth() {
  return int(Round(picture_->Width() * scale_));
}

int TGIS_SymbolPicture::GetDrawHeight() {
  return int(Round(picture_->Height() * scale_));
}

void TGIS_SymbolPicture::SetRotation(double) {
  CalcOffset(position_);
}

void TGIS_SymbolPicture::Draw(int x, int y) {
  TGIS_GDI& gdi = RequireGdi(__LINE__);
  const int cx = x + offsetX_, cy = y + offsetY_;
  const TRect rect(cx - width_ / 2, cy - height_ / 2, cx + width_ / 2, cy + height_ / 2);
  TCanvasLockGuard lock(gdi);
  try {
    gdi.StretchDrawGraphic(rect, picture_->Graphic());
  } catch (const EInvalidGraphic&) {
    // a picture that cannot be drawn draws no symbol
  }
}
