// TGIS_LayerJPG: header reading at Open, decoding at WakeUp.
#include "gis/raster/GisLayerJPG.h"

#include <algorithm>
#include <cstring>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"

namespace {

/// The file's JPEG picture, header read only (EInvalidGraphic or a file
/// error when it cannot be read).
std::unique_ptr<TJPEGImage> LoadJpeg(const std::string& path) {
  // the picture class is chosen by the file's extension, as a picture does
  std::string ext = ExtractFileExt(path);
  if (!ext.empty()) ext.erase(0, 1);
  std::unique_ptr<TGraphic> graphic = TPicture::CreateForExtension(ext);
  auto* jpeg = dynamic_cast<TJPEGImage*>(graphic.get());
  if (jpeg == nullptr) throw EInvalidGraphic("not a JPEG picture");
  graphic.release();
  std::unique_ptr<TJPEGImage> owned(jpeg);
  owned->LoadFromFile(path);
  return owned;
}

} // namespace

TGIS_LayerJPG::TGIS_LayerJPG() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerJPG::~TGIS_LayerJPG() {
  decodedBitmap_.reset();
}

std::unique_ptr<TJPEGImage> TGIS_LayerJPG::ReadHeaderFields() {
  std::unique_ptr<TJPEGImage> jpeg = LoadJpeg(path_);
  bitsPerPixel_ = jpeg->PixelFormat() == jf8Bit ? 8 : 24;
  height_ = jpeg->Height();
  width_ = jpeg->Width();
  lineBytes_ = width_ * bitsPerPixel_ / 8;
  ResetPictureHeader(bitsPerPixel_);
  if (bitsPerPixel_ == 8) {
    outBitsPerPixel_ = 24;
    outLineBytes_ = (width_ * 3 + 3) / 4 * 4;
    info_.Info.bmiHeader.biBitCount = 24;
    // the 8-bit output is decoded as grey levels
    paletteCount_ = 256;
    SetGrayPalette();
    paletteCount_ = 0;
  } else {
    outBitsPerPixel_ = bitsPerPixel_;
    outLineBytes_ = lineBytes_;
  }
  return jpeg;
}

void TGIS_LayerJPG::ReadGeoreference() {
  const bool foundJfw = ReadWorldFile(".JFW");
  if (!GisIsSameExtent(extent_, GisExtent(0, 0, 0, 0))) return;
  // a .JFW whose top-left pixel centre is (0, 0) leaves the same extent as
  // no georeference: keep it when the .JGW attempt finds nothing
  const double sx = pixelSizeX_, sy = pixelSizeY_;
  const TGIS_Extent e = extent_;
  if (!ReadWorldFile(".JGW") && foundJfw) {
    pixelSizeX_ = sx;
    pixelSizeY_ = sy;
    extent_ = e;
    projectedExtent_ = e;
  }
}

void TGIS_LayerJPG::Open() {
  std::unique_ptr<TJPEGImage> jpeg;
  try {
    jpeg = ReadHeaderFields();
    ReadGeoreference();
    TGIS_LayerPixel::Open(); // leaves the layer dormant
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
  SetFileInfo(Format("JPEG File Interchange Format (JPG)\r\n%d x %d; %d bit",
                     {width_, height_, bitsPerPixel_}));
  openedJpeg_ = std::move(jpeg);
}

void TGIS_LayerJPG::WakeUp() {
  if (decodedBitmap_) return;
  try {
    const std::unique_ptr<TJPEGImage> jpeg = openedJpeg_ ? std::move(openedJpeg_) : LoadJpeg(path_);
    jpeg->SetPixelFormat(bitsPerPixel_ == 8 ? jf8Bit : jf24Bit);
    auto bitmap = std::make_unique<TBitmap>();
    jpeg->DecodeInto(*bitmap);
    if (bitmap->Width() != width_ || bitmap->Height() != height_)
      throw EInvalidGraphic("the picture changed since it was opened");
    decodedBitmap_ = std::move(bitmap);
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
}

void TGIS_LayerJPG::MakeDormant() {
  TGIS_LayerPixel::MakeDormant();
  decodedBitmap_.reset();
  openedJpeg_.reset();
}

int TGIS_LayerJPG::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (!decodedBitmap_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  return CopyBitmapRow(*decodedBitmap_, width_ * (bitsPerPixel_ == 8 ? 1 : 3), buffer, row, count,
                       offset);
}
