// TGIS_LayerPNG: decoding at Open and WakeUp.
#include "gis/raster/GisLayerPNG.h"

#include <algorithm>
#include <cstdint>

#include "codecs/PngPicture.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Format.h"

TGIS_LayerPNG::TGIS_LayerPNG() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerPNG::~TGIS_LayerPNG() {
  decodedBitmap_.reset();
}

namespace {

// A picture larger than a whole-picture decode may hold is refused from its
// header, with the reason, before the codec sets anything aside for it.
void CheckPictureSize(const std::string& path) {
  std::uint8_t head[24] = {};
  {
    TFileStream file(path, fmOpenRead | fmShareDenyNone);
    if (file.Read(head, sizeof head) != static_cast<std::int64_t>(sizeof head)) return;
  }
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!std::equal(kSignature, kSignature + 8, head) || !std::equal(head + 12, head + 16, "IHDR"))
    return;  // the codec names what is wrong
  const auto be32 = [&](int at) {
    return std::int64_t(head[at]) << 24 | std::int64_t(head[at + 1]) << 16 |
           std::int64_t(head[at + 2]) << 8 | std::int64_t(head[at + 3]);
  };
  const std::int64_t width = be32(16), height = be32(20);
  if (width * height > kMaxPicturePixels) throw Exception(PictureTooLarge(width, height));
}

}  // namespace

void TGIS_LayerPNG::Decode() {
  CheckPictureSize(path_);
  TPngPicture png;
  png.LoadFromFile(path_);
  height_ = png.Height();
  width_ = png.Width();
  // a new bitmap is white: transparent pixels show white
  auto bitmap = std::make_unique<TBitmap>(width_, height_, pf24bit);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Lock();
  png.Draw(canvas, TRect{0, 0, width_, height_});
  canvas->Unlock();
  // the bitmap is 24-bit whatever the file's depth
  bitsPerPixel_ = 24;
  lineBytes_ = width_ * 3;
  decodedBitmap_ = std::move(bitmap);
}

void TGIS_LayerPNG::Open() {
  try {
    Decode();
    ResetPictureHeader(bitsPerPixel_);
    outBitsPerPixel_ = bitsPerPixel_;
    outLineBytes_ = lineBytes_;
    ReadWorldFile(".PGW");
    TGIS_LayerPixel::Open();
  } catch (const Exception& e) {
    decodedBitmap_.reset();
    RaiseReadError(e);
  }
  SetFileInfo(Format("Portable Network Graphicp (PNG)\r\n%d x %d, %d bit",
                     {width_, height_, bitsPerPixel_}));
}

void TGIS_LayerPNG::WakeUp() {
  if (decodedBitmap_) return;
  const int w = width_, h = height_;
  try {
    Decode();
  } catch (const Exception& e) {
    RaiseReadError(e);
  }
  if (width_ != w || height_ != h) {
    // the file changed since it was opened
    width_ = w;
    height_ = h;
    decodedBitmap_.reset();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
}

void TGIS_LayerPNG::MakeDormant() {
  TGIS_LayerPixel::MakeDormant();
  decodedBitmap_.reset();
}

int TGIS_LayerPNG::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (!decodedBitmap_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  return CopyBitmapRow(*decodedBitmap_, width_ * 3, buffer, row, count, offset);
}
