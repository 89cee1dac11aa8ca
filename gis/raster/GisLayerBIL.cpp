// TGIS_LayerBIL: the header, colour and grey rows, and the grid readers.
#include "gis/raster/GisLayerBIL.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

TGIS_LayerBIL::TGIS_LayerBIL() {
  SetGridLayerDefaults();
  isGrid_ = false; // images of several bands; one band turns it on at Open
  noDataValue_ = -9999;
}

TGIS_LayerBIL::~TGIS_LayerBIL() = default;

bool TGIS_LayerBIL::ReadBilHeader() {
  pixelSizeX_ = pixelSizeY_ = 0;
  const std::string hdr = GisFindCompanionFile(path_, ".hdr");
  if (hdr.empty()) return false;
  std::string text;
  {
    TFileStream f(hdr, fmOpenRead | fmShareDenyNone);
    // a header is a few lines: more than 64 kB is not one
    text.resize(std::size_t(std::min<std::int64_t>(f.Size(), 65536)));
    if (!text.empty()) f.ReadBuffer(text.data(), std::int64_t(text.size()));
  }
  std::int64_t totalRowBytes = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string key, value;
    GisHeaderKeyValue(text.substr(at, end - at), key, value);
    at = end + 1;
    try {
      auto number = [&] { return GisHeaderNumber(value, TGIS_HeaderDecimal::Dot); };
      auto integer = [&] {
        Int64 v = 0;
        if (!TryStrToInt64(value, v)) throw EConvertError("not an integer");
        return v;
      };
      auto count = [&] { return int(std::clamp<Int64>(integer(), -1, INT32_MAX)); };
      if (key == "BYTEORDER") bigEndian_ = value == "M";
      else if (key == "LAYOUT") {
        if (value != "BIL") return false;
      } else if (key == "NROWS") rows_ = count();
      else if (key == "NCOLS") columns_ = count();
      else if (key == "ULXMAP") ulx_ = number();
      else if (key == "ULYMAP") uly_ = number();
      else if (key == "XDIM") xdim_ = number();
      else if (key == "YDIM") ydim_ = number();
      else if (key == "NODATA") noDataValue_ = float(number());
      else if (key == "NBANDS") bands_ = count();
      else if (key == "NBITS") bits_ = count();
      else if (key == "TOTALROWBYTES") totalRowBytes = integer();
    } catch (const EConvertError&) {
      // a value that is no number leaves the key at its default
    }
  }
  extent_ = GisExtent(ulx_, uly_, ulx_, uly_);
  projectedExtent_ = extent_;
  pixelSizeX_ = xdim_;
  pixelSizeY_ = -ydim_;
  bandLineBytes_ = (std::int64_t(std::max(columns_, 0)) * std::max(bits_, 0) + 7) / 8;
  fileRowBytes_ = totalRowBytes > 0 ? totalRowBytes : bandLineBytes_ * std::max(bands_, 0);
  return true;
}

void TGIS_LayerBIL::Open() {
  try {
    if (ReadBilHeader()) {
      if (bits_ != 8 && bits_ != 16 && bits_ != 32) throw EReadError("unknown sample size");
      if (bits_ == 32 && bands_ != 1) throw EReadError("32-bit samples only in single-band grids");
      if (bands_ < 1 || columns_ <= 0 || rows_ <= 0) throw EReadError("no size");
      // the bands drawn must lie inside a file row, and every row in the file
      if (bandLineBytes_ * std::min(bands_, 3) > fileRowBytes_)
        throw EReadError("the bands are longer than a file row");
      fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
      fileSize_ = fileStream_->Size();
      if (!GisGridFits(fileSize_, 0, fileRowBytes_, rows_, 1))
        throw EReadError("the header announces more rows than the file holds");
      width_ = columns_;
      height_ = rows_;
      lineBytes_ = int(bandLineBytes_);
      bitsPerPixel_ = bands_ < 3 ? 8 : 24;
      info_.Info.bmiHeader.biSize = 40;
      ResetPictureHeader(bitsPerPixel_);
      info_.Info.bmiHeader.biWidth = width_;
      info_.Info.bmiHeader.biHeight = height_;
      SetGrayPalette();
      // both depths are delivered as 3 bytes a pixel
      outBitsPerPixel_ = 24;
      outLineBytes_ = width_ * 3;
      if (bitsPerPixel_ == 8) {
        info_.Info.bmiHeader.biBitCount = 24;
        paletteCount_ = 0;
      }
      const std::string ext = UpperCase(ExtractFileExt(path_));
      if (ext == ".BIL" && !GisFindCompanionFile(path_, ".BLW").empty())
        ReadWorldFile(".BLW");
      else if (ext == ".DEM" && !GisFindCompanionFile(path_, ".DMW").empty())
        ReadWorldFile(".DMW");
      for (int i = 0; i < 256; ++i)
        for (auto& t : bandTables_)
          t[std::size_t(i)] = std::uint8_t(i);
      if (bands_ == 1) {
        isGrid_ = true;
        rowBuffer_.assign(std::size_t(width_), 0);
        scratch_.assign(std::size_t(width_) * std::size_t(SampleBytes()), 0);
        heldRow_ = -1;
        minValue_ = 3.4e38f;
        maxValue_ = -3.4e38f;
        transparentMask_[0] = {true, true, true};
        ScanGridRange(-1);
      } else if (bands_ > 3) {
        SetBrightTables();
      }
    }
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  const int bits = bits_ == 16 ? 16 : (bits_ == 32 && bands_ == 1) ? 32 : bitsPerPixel_;
  SetFileInfo(Format("Band Interleaved by Line Format - (BIL/SPOT)\r\n%d x %d; %d bit; %d band(s)",
                     {width_, height_, bits, bands_}));
}

void TGIS_LayerBIL::SetBrightTables() {
  for (int i = 0; i < 256; ++i) {
    bandTables_[2][std::size_t(i)] = std::uint8_t(std::min(255, i * 110 / 21));
    bandTables_[1][std::size_t(i)] = std::uint8_t(std::min(255, i * 110 / 18));
    bandTables_[0][std::size_t(i)] = std::uint8_t(std::min(255, i * 110 / 46));
  }
}

void TGIS_LayerBIL::SetLineReader(TLineReader& reader) {
  if (isGridSource_)
    reader = static_cast<TLineReader>(&TGIS_LayerBIL::ReadLineColored);
  else
    TGIS_LayerPixel::SetLineReader(reader);
}

std::uint8_t TGIS_LayerBIL::SampleByte(const std::uint8_t* p) const {
  if (bits_ == 8) return p[0];
  return std::uint8_t(gis_grid_bytes::Load16(p, bigEndian_) >> 8);
}

int TGIS_LayerBIL::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (row < 0 || row >= height_ || count <= 0 || offset < 0 || width_ <= 0) return 0;
  if (!fileStream_) WakeUp();
  if (!fileStream_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  const std::int64_t rowAt = std::int64_t(row) * fileRowBytes_;
  const int sampleBytes = SampleBytes();
  if (bands_ >= 3) {
    const int first = offset / 3;
    const int n = std::min(count / 3, width_ - first);
    if (n <= 0) return 0;
    scratch_.resize(std::size_t(n) * std::size_t(sampleBytes) * 3);
    for (int b = 0; b < 3; ++b) {
      std::uint8_t* band = scratch_.data() + std::size_t(b) * std::size_t(n) * std::size_t(sampleBytes);
      if (!GisReadExactly(*fileStream_, fileSize_,
                          rowAt + b * bandLineBytes_ + std::int64_t(first) * sampleBytes, band,
                          std::int64_t(n) * sampleBytes))
        throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
    }
    const std::size_t plane = std::size_t(n) * std::size_t(sampleBytes);
    for (int i = 0; i < n; ++i) {
      const std::size_t s = std::size_t(i) * std::size_t(sampleBytes);
      buffer[3 * i] = bandTables_[2][SampleByte(&scratch_[2 * plane + s])];
      buffer[3 * i + 1] = bandTables_[1][SampleByte(&scratch_[plane + s])];
      buffer[3 * i + 2] = bandTables_[0][SampleByte(&scratch_[s])];
    }
    return n * 3;
  }
  // fewer bands: `count` samples of band 1 from sample `offset`
  const int n = std::min(count, width_ - offset);
  if (n <= 0) return 0;
  if (bits_ == 16) {
    scratch_.resize(std::size_t(n) * 2);
    if (!GisReadExactly(*fileStream_, fileSize_, rowAt + 2 * std::int64_t(offset), scratch_.data(),
                        std::int64_t(n) * 2))
      throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
    for (int i = 0; i < n; ++i) {
      const int v = gis_grid_bytes::Load16(&scratch_[std::size_t(i) * 2], bigEndian_);
      buffer[i] = std::uint8_t(((2 * v - 32728) / 256 + 128) & 0xFF);
    }
    return n;
  }
  if (!GisReadExactly(*fileStream_, fileSize_, rowAt + offset, buffer, n))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  return n;
}

float TGIS_LayerBIL::Sample(const std::uint8_t* p) const {
  using namespace gis_grid_bytes;
  if (bits_ == 8) return float(p[0]);
  if (bits_ == 16) return float(std::int16_t(Load16(p, bigEndian_)));
  return LoadFloat(p, bigEndian_);
}

void TGIS_LayerBIL::ReadGridRow(int row) {
  if (row == heldRow_) return;
  if (!fileStream_) WakeUp();
  heldRow_ = -1;
  if (!fileStream_ || !GisReadExactly(*fileStream_, fileSize_, std::int64_t(row) * fileRowBytes_,
                                      scratch_.data(), std::int64_t(scratch_.size())))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  const int sampleBytes = SampleBytes();
  for (int i = 0; i < width_; ++i)
    rowBuffer_[std::size_t(i)] = Sample(&scratch_[std::size_t(i) * std::size_t(sampleBytes)]);
  heldRow_ = row;
}

void TGIS_LayerBIL::ScanGridRange(double share) {
  if (!fileStream_) WakeUp();
  GisSampleRows(height_, share, 900, [&](int row) {
    ReadGridRow(row);
    for (float v : rowBuffer_) {
      if (v == noDataValue_ || std::isnan(v)) continue;
      minValue_ = std::min(minValue_, v);
      maxValue_ = std::max(maxValue_, v);
    }
  });
}

int TGIS_LayerBIL::ReadLineColored(std::uint8_t* buffer, int row, int count, int offset) {
  const int first = offset / 3;
  const int pixels = std::min(count / 3, width_ - first);
  if (pixels <= 0 || first < 0 || row < 0 || row >= height_) return 0;
  ReadGridRow(row);
  return GisPutGridValues(*this, buffer, rowBuffer_.data() + first, pixels);
}

int TGIS_LayerBIL::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (!isGridSource_) return TGIS_LayerPixel::ReadGridLine(values, row, count, firstColumn);
  if (count <= 0 || row < 0 || row >= height_ || firstColumn < 0) return 0;
  const int n = std::min({count, width_ - firstColumn, int(values.size())});
  if (n <= 0) return 0;
  ReadGridRow(row);
  std::copy_n(rowBuffer_.begin() + firstColumn, n, values.begin());
  return n;
}

bool TGIS_LayerBIL::GetGridValue(const TPoint& cell, std::vector<double>& values) {
  if (!isGridSource_) return TGIS_LayerPixel::GetGridValue(cell, values);
  if (cell.x < 0 || cell.x >= width_ || cell.y < 0 || cell.y >= height_) return false;
  if (!fileStream_) WakeUp();
  std::uint8_t b[4];
  const int sampleBytes = SampleBytes();
  if (!fileStream_ ||
      !GisReadExactly(*fileStream_, fileSize_,
                      std::int64_t(cell.y) * fileRowBytes_ + std::int64_t(cell.x) * sampleBytes, b,
                      sampleBytes))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  const float v = Sample(b);
  if (values.empty()) values.resize(1);
  values[0] = v;
  return v != noDataValue_;
}
