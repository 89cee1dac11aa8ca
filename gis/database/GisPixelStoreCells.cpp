#include "gis/database/GisPixelStoreCells.h"

#include "codecs/PngPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <algorithm>

TGIS_PixelStoreCellCodec GisPixelStore2Codec(int imageType) {
  switch (imageType) {
  case 0: return TGIS_PixelStoreCellCodec::Bmp;
  case 1:
  case 2: return TGIS_PixelStoreCellCodec::Jpeg;
  case 3:
  case 4:
  case 5: return TGIS_PixelStoreCellCodec::Png;
  default: SK_ASSERT(false, "untested", "GisPixelStoreCells", __LINE__);
  }
  return TGIS_PixelStoreCellCodec::Bmp;
}

namespace {

void DrawInto(TGraphic& picture, TBitmap& cell) {
  cell.SetPixelFormat(pf24bit);
  cell.SetSize(picture.Width(), picture.Height());
  cell.Canvas()->Draw(0, 0, &picture);
}

} // namespace

void GisPixelStoreDecodeCell(const std::vector<std::uint8_t>& bytes, TGIS_PixelStoreCellCodec codec,
                             TBitmap& cell) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.Seek(0, soBeginning);
  switch (codec) {
  case TGIS_PixelStoreCellCodec::Bmp:
    cell.LoadFromStream(stream);
    break;
  case TGIS_PixelStoreCellCodec::Jpeg: {
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    DrawInto(jpeg, cell);
    break;
  }
  case TGIS_PixelStoreCellCodec::Png: {
    TPngPicture png;
    png.LoadFromStream(stream);
    DrawInto(png, cell);
    break;
  }
  }
}

void GisPixelStoreFillCell(TBitmap& cell, int width, int height, std::uint32_t color) {
  cell.SetPixelFormat(pf24bit);
  cell.SetSize(width, height);
  cell.Canvas()->Brush()->SetColor(static_cast<TColor>(color));
  cell.Canvas()->FillRect(TRect(0, 0, width, height));
}

int GisPixelStoreJpegQuality(int compress) {
  return std::max(std::min(compress, 100), 10);
}

int GisPixelStorePngLevel(int compress) {
  return std::min(std::max(100 - compress, 0), 90) / 10;
}

std::vector<std::uint8_t> GisPixelStore2EncodeCell(TBitmap& cell, int imageType, int compress) {
  TMemoryStream stream;
  switch (GisPixelStore2Codec(imageType)) {
  case TGIS_PixelStoreCellCodec::Bmp:
    cell.SaveToStream(stream);
    break;
  case TGIS_PixelStoreCellCodec::Jpeg: {
    TJPEGImage jpeg;
    jpeg.Assign(&cell);
    jpeg.SetGrayscale(imageType == 2);
    jpeg.SetCompressionQuality(GisPixelStoreJpegQuality(compress));
    jpeg.SaveToStream(stream);
    break;
  }
  case TGIS_PixelStoreCellCodec::Png: {
    TBitmap work;
    work.SetPixelFormat(imageType == 3 ? pf24bit : imageType == 4 ? pf8bit : pf1bit);
    work.SetSize(cell.Width(), cell.Height());
    work.Canvas()->Draw(0, 0, &cell);
    TPngPicture png;
    png.Assign(&work);
    png.DeflateLevel = static_cast<std::uint8_t>(GisPixelStorePngLevel(compress));
    png.RowFilterSet = 1; // None only
    png.SaveToStream(stream);
    break;
  }
  }
  const auto* p = stream.Memory();
  return {p, p + stream.Size()};
}
