// "libvrkMrSID4.so": the MrSID decoder library's entry points over the
// JPEG 2000 core. MrSID images themselves are not decoded (their handle is
// negative); JP2 and J2K files are, by their signature. Pixels come out as
// blue, green, red; grey is repeated into the three bytes; samples of more
// than 8 bits are scaled to 8. Single-band images of other than 8-bit
// unsigned samples are grids: their strips hold raw samples of the band.
#include "platform/decoders/ExternalDecoders.h"
#include "platform/decoders/Jp2Core.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct TSidImage {
  skdec::TJp2Source Source;
  skdec::TJp2LevelCache Cache;
  int Level = 0;
  std::uint8_t* Buffer = nullptr;
  int Red = 1, Green = 2, Blue = 3; // components (1-based) of colour space 8
  int GridBand = 0;
  int DataType = 1, ColorSpace = 1;
  bool RangeKnown = false;
  double Min = 0, Max = 0;
};

std::map<int, std::unique_ptr<TSidImage>>& Images() {
  static std::map<int, std::unique_ptr<TSidImage>> images;
  return images;
}

int& NextHandle() {
  static int next = 1;
  return next;
}

TSidImage* Find(int handle) {
  const auto it = Images().find(handle);
  return it == Images().end() ? nullptr : it->second.get();
}

int DataTypeOf(const skdec::TJp2Info& i) {
  if (i.Precision <= 8) return i.Signed ? 2 : 1;
  if (i.Precision <= 16) return i.Signed ? 4 : 3;
  return i.Signed ? 6 : 5;
}

int SampleBytes(int dataType) {
  return dataType <= 2 ? 1 : dataType <= 4 ? 2 : 4;
}

bool IsGrid(const TSidImage& im) {
  return im.Source.Info().Components == 1 && im.DataType != 1;
}

void PutSample(std::uint8_t* at, int dataType, std::int32_t v) {
  switch (dataType) {
  case 2: {
    const std::int8_t s = std::int8_t(v);
    std::memcpy(at, &s, 1);
    break;
  }
  case 3: {
    const std::uint16_t s = std::uint16_t(v);
    std::memcpy(at, &s, 2);
    break;
  }
  case 4: {
    const std::int16_t s = std::int16_t(v);
    std::memcpy(at, &s, 2);
    break;
  }
  case 5: {
    const std::uint32_t s = std::uint32_t(v);
    std::memcpy(at, &s, 4);
    break;
  }
  default:
    std::memcpy(at, &v, 4);
  }
}

void ComputeRange(TSidImage& im) {
  if (im.RangeKnown) return;
  im.RangeKnown = true;
  const auto& info = im.Source.Info();
  const int coarsest = info.Resolutions - 1;
  // a coarsest level this large is no overview: the range stays unknown
  if (std::int64_t(im.Source.LevelWidth(coarsest)) * im.Source.LevelHeight(coarsest) > (1 << 24))
    return;
  skdec::TJp2Area a;
  if (!im.Source.Decode(info.Resolutions - 1, 0, 0, info.Width, info.Height, a)) return;
  const int band = std::clamp(im.GridBand, 0, info.Components - 1);
  if (a.Width <= 0 || a.Height <= 0) return;
  std::int32_t lo = a.At(band, 0, 0), hi = lo;
  for (int r = 0; r < a.Height; ++r)
    for (int c = 0; c < a.Width; ++c) {
      const std::int32_t v = a.At(band, r, c);
      lo = std::min(lo, v), hi = std::max(hi, v);
    }
  im.Min = lo;
  im.Max = hi;
}

} // namespace

extern "C" {

int vrkMrSID_InitSID(const char* path, const char* password) {
  (void)password;
  if (!path) return -1;
  auto im = std::make_unique<TSidImage>();
  if (!im->Source.Open(path)) return -1;
  const auto& info = im->Source.Info();
  im->DataType = DataTypeOf(info);
  im->ColorSpace = info.Components == 3 ? 3 : info.Components > 3 ? 8 : 1;
  const int h = NextHandle()++;
  if (NextHandle() < 1) NextHandle() = 1;
  Images()[h] = std::move(im);
  return h;
}

void vrkMrSID_FreeSID(int handle) {
  Images().erase(handle);
}

int vrkMrSID_ImageWidth(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->Source.Info().Width : 0;
}

int vrkMrSID_ImageHeight(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->Source.Info().Height : 0;
}

int vrkMrSID_NumBands(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->Source.Info().Components : 0;
}

int vrkMrSID_ColorSpace(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->ColorSpace : 0;
}

int vrkMrSID_DataType(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->DataType : 0;
}

double vrkMrSID_ImageResX(int) { return 1.0; }
double vrkMrSID_ImageResY(int) { return 1.0; }
double vrkMrSID_ImageOriginX(int) { return 0.0; }
double vrkMrSID_ImageOriginY(int) { return 0.0; }

int vrkMrSID_MaxZoomLevel(int handle) {
  const TSidImage* im = Find(handle);
  return im ? im->Source.Info().Resolutions - 1 : 0;
}

int vrkMrSID_SetZoom(int handle, int level) {
  TSidImage* im = Find(handle);
  if (!im) return 0;
  im->Level = std::clamp(level, 0, im->Source.Info().Resolutions - 1);
  return im->Level;
}

void vrkMrSID_SetBuffer(int handle, void* buffer) {
  if (TSidImage* im = Find(handle)) im->Buffer = static_cast<std::uint8_t*>(buffer);
}

int vrkMrSID_LoadStrip(int handle, int firstRow, int rowCount, int firstColumn, int columnCount) {
  TSidImage* im = Find(handle);
  if (!im || !im->Buffer || firstRow < 0 || firstColumn < 0 || rowCount <= 0 || columnCount <= 0)
    return -1;
  const auto& info = im->Source.Info();
  const int l = im->Level;
  const std::int64_t x0 = std::int64_t(firstColumn) << l, y0 = std::int64_t(firstRow) << l;
  const std::int64_t x1 = std::min<std::int64_t>(info.Width, std::int64_t(firstColumn + std::int64_t(columnCount)) << l);
  const std::int64_t y1 = std::min<std::int64_t>(info.Height, std::int64_t(firstRow + std::int64_t(rowCount)) << l);
  if (x0 >= x1 || y0 >= y1) return -1;
  skdec::TJp2Area decoded;
  const skdec::TJp2Area* cached = im->Cache.Level(im->Source, l);
  if (!cached && !im->Source.Decode(l, int(x0), int(y0), int(x1), int(y1), decoded)) return -1;
  const skdec::TJp2Area& a = cached ? *cached : decoded;
  const bool grid = IsGrid(*im);
  const int pixelBytes = grid ? SampleBytes(im->DataType) : 3;
  std::memset(im->Buffer, 0, std::size_t(rowCount) * std::size_t(columnCount) * std::size_t(pixelBytes));
  const int comps = info.Components;
  auto valid = [&](int component) { return component >= 0 && component < comps ? component : -1; };
  // output byte 0 blue, 1 green, 2 red: the components they come from
  int from[3];
  if (im->ColorSpace == 8) {
    from[0] = valid(im->Blue - 1), from[1] = valid(im->Green - 1), from[2] = valid(im->Red - 1);
  } else if (comps >= 3) {
    from[0] = 2, from[1] = 1, from[2] = 0;
  } else {
    from[0] = from[1] = from[2] = 0;
  }
  const int gridBand = std::clamp(im->GridBand, 0, comps - 1);
  for (int r = 0; r < rowCount; ++r) {
    const int ar = firstRow + r - a.Y0;
    if (ar < 0 || ar >= a.Height) continue;
    std::uint8_t* out = im->Buffer + std::size_t(r) * std::size_t(columnCount) * std::size_t(pixelBytes);
    const int c0 = std::max(0, a.X0 - firstColumn), c1 = std::min(columnCount, a.X0 + a.Width - firstColumn);
    if (grid) {
      for (int c = c0; c < c1; ++c)
        PutSample(out + std::size_t(c) * std::size_t(pixelBytes), im->DataType,
                  a.At(gridBand, ar, firstColumn + c - a.X0));
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      if (from[k] < 0) continue;
      const std::int32_t* src = a.Planes[std::size_t(from[k])] + std::size_t(ar) * a.Strides[std::size_t(from[k])];
      if (info.Precision == 8 && !info.Signed) {
        for (int c = c0; c < c1; ++c)
          out[3 * c + k] = std::uint8_t(src[firstColumn + c - a.X0]);
      } else {
        for (int c = c0; c < c1; ++c)
          out[3 * c + k] = skdec::Jp2ToByte(src[firstColumn + c - a.X0], info.Precision, info.Signed);
      }
    }
  }
  return 0;
}

void vrkMrSID_SetBands(int handle, std::int16_t red, std::int16_t green, std::int16_t blue) {
  if (TSidImage* im = Find(handle)) im->Red = red, im->Green = green, im->Blue = blue;
}

void vrkMrSID_SetGridBand(int handle, std::int16_t band) {
  if (TSidImage* im = Find(handle)) {
    im->GridBand = band < 0 ? 0 : band;
    im->RangeKnown = false;
  }
}

double vrkMrSID_MinValue(int handle) {
  TSidImage* im = Find(handle);
  if (!im) return 0;
  ComputeRange(*im);
  return im->Min;
}

double vrkMrSID_MaxValue(int handle) {
  TSidImage* im = Find(handle);
  if (!im) return 0;
  ComputeRange(*im);
  return im->Max;
}

double vrkMrSID_NoDataValue(int) { return -3.4e38; }

void* vrkMrSID_GetMetadata() { return nullptr; }

} // extern "C"
