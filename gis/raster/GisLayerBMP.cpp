// TGIS_LayerBMP and the BMP header reader.
#include "gis/raster/GisLayerBMP.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | (p[1] << 8));
}

bool Fail(std::string& reason, const char* text) {
  reason = text;
  return false;
}

/// Reads exactly `count` bytes; false at the end of the data.
bool ReadExact(TStream& stream, void* buffer, std::int64_t count) {
  return stream.Read(buffer, count) == count;
}

void FillInfoHeader(BITMAPINFOHEADER& h, const std::uint8_t* p) {
  h.biSize = U32(p);
  h.biWidth = std::int32_t(U32(p + 4));
  h.biHeight = std::int32_t(U32(p + 8));
  h.biPlanes = U16(p + 12);
  h.biBitCount = U16(p + 14);
  h.biCompression = U32(p + 16);
  h.biSizeImage = U32(p + 20);
  h.biXPelsPerMeter = std::int32_t(U32(p + 24));
  h.biYPelsPerMeter = std::int32_t(U32(p + 28));
  h.biClrUsed = U32(p + 32);
  h.biClrImportant = U32(p + 36);
}

bool CheckSizes(TGIS_BitmapHeader& h, std::int64_t fileSize, std::string& reason) {
  if (h.Width <= 0) return Fail(reason, "width not positive");
  if (h.StoredHeight == 0 || h.StoredHeight == INT32_MIN) return Fail(reason, "bad height");
  const std::int64_t rows = h.StoredHeight < 0 ? -std::int64_t(h.StoredHeight) : h.StoredHeight;
  h.LineBytes = (std::int64_t(h.BitCount) * h.Width + 7) / 8;
  h.LineBytes = (h.LineBytes + 3) / 4 * 4;
  h.ImageSize = h.LineBytes * rows;
  // the rows the layer delivers (3 bytes a pixel) must fit a 32-bit count
  if (std::int64_t(h.Width) * 3 + 4 > INT32_MAX || h.LineBytes > INT32_MAX)
    return Fail(reason, "rows too long");
  // the last row's padding may be missing; anything shorter cannot hold the image
  if (h.ImageSize - 3 > fileSize - h.DataOffset) return Fail(reason, "pixel data cut short");
  return true;
}

bool CheckDepthAndCompression(TGIS_BitmapHeader& h, TStream& stream, std::string& reason) {
  if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8 && h.BitCount != 24 && h.BitCount != 32)
    return Fail(reason, "unsupported depth");
  if (h.Compression == 0) {
    h.Expand32 = h.BitCount == 32;
    return true;
  }
  if (h.Compression != 3 || h.BitCount != 32) return Fail(reason, "unsupported compression");
  // the masks follow a 40-byte header and lie inside the longer ones, at 54
  std::uint8_t m[12];
  stream.SetPosition(54);
  if (!ReadExact(stream, m, 12)) return Fail(reason, "bit-field masks missing");
  if (U32(m) != 0x00FF0000u || U32(m + 4) != 0x0000FF00u || U32(m + 8) != 0x000000FFu)
    return Fail(reason, "unsupported bit-field masks");
  h.Expand32 = true;
  return true;
}

bool ReadPalette(TGIS_BitmapHeader& h, TStream& stream, TGIS_BitmapInfoBlock& block,
                 std::string& reason) {
  if (h.BitCount > 8) return true;
  const std::int64_t room = (h.DataOffset - 14 - h.InfoSize) / 4;
  const std::int64_t n = std::min<std::int64_t>({h.PaletteCount, 256, room});
  if (n <= 0) return true;
  std::vector<std::uint8_t> bytes(std::size_t(n) * 4);
  stream.SetPosition(14 + std::int64_t(h.InfoSize));
  if (!ReadExact(stream, bytes.data(), std::int64_t(bytes.size())))
    return Fail(reason, "palette cut short");
  for (std::int64_t i = 0; i < n; ++i) {
    RGBQUAD& q = block.Info.bmiColors[i];
    q.rgbBlue = bytes[std::size_t(4 * i)];
    q.rgbGreen = bytes[std::size_t(4 * i + 1)];
    q.rgbRed = bytes[std::size_t(4 * i + 2)];
    q.rgbReserved = bytes[std::size_t(4 * i + 3)];
  }
  return true;
}

} // namespace

bool GisReadBitmapHeader(TStream& stream, TGIS_BitmapInfoBlock& block, TGIS_BitmapHeader& h,
                         std::string& reason) {
  const std::int64_t fileSize = stream.Size();
  std::uint8_t head[14 + 40];
  stream.SetPosition(0);
  if (!ReadExact(stream, head, sizeof head)) return Fail(reason, "headers cut short");
  std::memcpy(block.FileHeader, head, 14);
  FillInfoHeader(block.Info.bmiHeader, head + 14);
  h = TGIS_BitmapHeader{};
  h.DataOffset = U32(head + 10);
  h.InfoSize = block.Info.bmiHeader.biSize;
  if (h.InfoSize < 40) return Fail(reason, "information header too short");
  if (h.DataOffset < 14 + std::int64_t(h.InfoSize) || h.DataOffset >= fileSize)
    return Fail(reason, "pixel data offset out of the file");
  h.Width = block.Info.bmiHeader.biWidth;
  h.StoredHeight = block.Info.bmiHeader.biHeight;
  h.BitCount = block.Info.bmiHeader.biBitCount;
  h.Compression = block.Info.bmiHeader.biCompression;
  const std::uint32_t used = block.Info.bmiHeader.biClrUsed;
  h.PaletteCount = used != 0         ? int(std::min<std::uint32_t>(used, 256))
                   : h.BitCount <= 8 ? 1 << h.BitCount
                                     : 0;
  return CheckDepthAndCompression(h, stream, reason) && CheckSizes(h, fileSize, reason) &&
         ReadPalette(h, stream, block, reason);
}

// ---- TGIS_LayerBMP ------------------------------------------------------------------------

TGIS_LayerBMP::TGIS_LayerBMP() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

void TGIS_LayerBMP::ReadHeaders() {
  fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
  TGIS_BitmapHeader h;
  std::string reason;
  if (!GisReadBitmapHeader(*fileStream_, info_, h, reason)) throw EReadError(reason);
  dataOffset_ = h.DataOffset;
  paletteCount_ = h.PaletteCount;
  storedHeight_ = h.StoredHeight;
  height_ = h.StoredHeight < 0 ? -h.StoredHeight : h.StoredHeight;
  width_ = h.Width;
  bitsPerPixel_ = h.BitCount;
  lineBytes_ = int(h.LineBytes);
  imageSize_ = h.ImageSize;
  expand32_ = h.Expand32;
  BITMAPINFOHEADER& bi = info_.Info.bmiHeader;
  if (bitsPerPixel_ <= 8) {
    outBitsPerPixel_ = 24;
    outLineBytes_ = (width_ * 3 + 3) / 4 * 4;
    paletteCount_ = 0;
    bi.biBitCount = 24;
  } else if (expand32_) {
    // 32-bit rows are served as B,G,R (the fourth byte dropped)
    outBitsPerPixel_ = 24;
    outLineBytes_ = (width_ * 3 + 3) / 4 * 4;
    bi.biCompression = 0;
    bi.biBitCount = 24;
  } else {
    outBitsPerPixel_ = bitsPerPixel_;
    outLineBytes_ = lineBytes_;
  }
}

void TGIS_LayerBMP::Open() {
  try {
    ReadHeaders();
    ReadWorldFile(".BPW");
    TGIS_LayerPixel::Open();
  } catch (const Exception& e) {
    fileStream_.reset();
    RaiseReadError(e);
  }
  SetFileInfo(Format("Windows Bitmap (BMP)\r\n%d x %d; %d bit", {width_, height_, bitsPerPixel_}));
}

int TGIS_LayerBMP::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (!fileStream_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  if (row < 0 || row >= height_ || count <= 0 || offset < 0) return 0;
  const std::int64_t fileCount = expand32_ ? std::int64_t(count) / 3 * 4 : count;
  const std::int64_t fileOffset = expand32_ ? std::int64_t(offset) / 3 * 4 : offset;
  if (fileOffset + fileCount > lineBytes_) return 0;
  const std::int64_t rowStart =
      storedHeight_ < 1 ? dataOffset_ + std::int64_t(row) * lineBytes_
                        : dataOffset_ + imageSize_ - (std::int64_t(row) + 1) * lineBytes_;
  // one positioned read a row, straight into the caller's buffer; 32-bit
  // rows go through a buffer kept between rows
  std::uint8_t* target = buffer;
  if (expand32_) {
    if (wideRow_.size() < std::size_t(fileCount)) wideRow_.resize(std::size_t(fileCount));
    target = wideRow_.data();
  }
  if (fileStream_->ReadAt(target, fileCount, rowStart + fileOffset) != fileCount)
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  if (!expand32_) return count;
  const std::int64_t pixels = fileCount / 4;
  for (std::int64_t i = 0; i < pixels; ++i)
    std::memcpy(buffer + 3 * i, target + 4 * i, 3);
  return int(pixels * 3);
}
