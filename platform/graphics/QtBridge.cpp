#include "platform/graphics/QtBridge.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiInternal.h"

using namespace gdi;

QRegion RegionToQRegion(HRGN rgn) {
  auto r = Region(rgn);
  return r ? r->region : QRegion();
}

HRGN CreateRegionFromQRegion(const QRegion& region) {
  auto o = std::make_shared<TRegionObject>();
  o->region = region;
  return Register(o);
}

bool SetRegionFromQRegion(HRGN rgn, const QRegion& region) {
  auto r = Region(rgn);
  if (!r) return false;
  r->region = region;
  return true;
}

void AssignQImage(TBitmap& bitmap, const QImage& image) {
  bitmap.SetSize(image.width(), image.height());
  QImageToDib(image, *bitmap.Dib());
  bitmap.SetModified(true);
}

QImage DibToQImage(const TDibData& dib) {
  QImage img(dib.DibWidth(), dib.DibHeight(), QImage::Format_RGB32);
  for (int y = 0; y < dib.DibHeight(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < dib.DibWidth(); ++x) {
      COLORREF c = dib.PixelColor(x, y);
      row[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
    }
  }
  return img;
}

void QImageToDib(const QImage& image, TDibData& dib) {
  QImage src = image.convertToFormat(QImage::Format_RGB32);
  dib.Resize(src.width(), src.height());
  int bpp = dib.DibBitsPerPixel();
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    if (bpp == 24 || bpp == 32) {
      int bytes = bpp / 8;
      std::uint8_t* out = dib.StoredRow(y);
      for (int x = 0; x < src.width(); ++x, out += bytes) {
        out[0] = std::uint8_t(qBlue(in[x]));
        out[1] = std::uint8_t(qGreen(in[x]));
        out[2] = std::uint8_t(qRed(in[x]));
      }
    } else {
      for (int x = 0; x < src.width(); ++x)
        dib.SetPixelColor(x, y, RGB(qRed(in[x]), qGreen(in[x]), qBlue(in[x])));
    }
  }
}
