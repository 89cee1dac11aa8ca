// TGIS_LayerMrSID: the library, the image, the strip cache and the readers.
#include "gis/raster/GisLayerMrSID.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisDecoderLibrary.h"
#include "platform/decoders/ExternalDecoders.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kSidStripBytes = 1024000;
constexpr const char* kSidLibraryName = "vrkMrSID4.dll";

TGIS_DecoderLibrary& SidLibrary() {
  static TGIS_DecoderLibrary library(
      kSidLibraryName,
      {"vrkMrSID_InitSID", "vrkMrSID_FreeSID", "vrkMrSID_ImageWidth", "vrkMrSID_ImageHeight",
       "vrkMrSID_NumBands", "vrkMrSID_ColorSpace", "vrkMrSID_DataType", "vrkMrSID_ImageResX",
       "vrkMrSID_ImageResY", "vrkMrSID_ImageOriginX", "vrkMrSID_ImageOriginY",
       "vrkMrSID_MaxZoomLevel", "vrkMrSID_SetZoom", "vrkMrSID_SetBuffer", "vrkMrSID_LoadStrip",
       "vrkMrSID_SetBands", "vrkMrSID_SetGridBand", "vrkMrSID_MinValue", "vrkMrSID_MaxValue",
       "vrkMrSID_NoDataValue", "vrkMrSID_GetMetadata"});
  return library;
}

int SidInt(const char* entry, int handle) {
  return SidLibrary().Function<TSid_IntOf>(entry)(handle);
}
double SidDouble(const char* entry, int handle) {
  return SidLibrary().Function<TSid_DoubleOf>(entry)(handle);
}

/// World-file extensions by image extension (upper case).
std::string SidWorldExtension(const std::string& ext) {
  static const char* const table[][2] = {{".SID", ".SDW"}, {".JPF", ".JFW"}, {".JPX", ".JXW"},
                                         {".JPC", ".JCW"}, {".J2C", ".JCW"}, {".J2X", ".JXW"},
                                         {".J2K", ".JKW"}, {".JP2", ".J2W"}};
  for (const auto& row : table)
    if (ext == row[0]) return row[1];
  return ".J2W";
}

double SampleAt(const std::uint8_t* p, int dataType) {
  switch (dataType) {
  case 1: return *p;
  case 2: return double(std::int8_t(*p));
  case 3: { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
  case 4: { std::int16_t v; std::memcpy(&v, p, 2); return v; }
  case 5: { std::uint32_t v; std::memcpy(&v, p, 4); return v; }
  case 6: { std::int32_t v; std::memcpy(&v, p, 4); return v; }
  case 7: { float v; std::memcpy(&v, p, 4); return v; }
  default: { double v; std::memcpy(&v, p, 8); return v; }
  }
}

} // namespace

int TGIS_LayerMrSID::InstanceCount() { return SidLibrary().Instances(); }
bool TGIS_LayerMrSID::LibraryLoaded() { return SidLibrary().Loaded(); }

TGIS_LayerMrSID::TGIS_LayerMrSID() {
  SidLibrary().AddInstance();
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
  minColor_ = 0x202020;
  maxColor_ = 0xFFFFFF;
  noDataColor_ = 0;
  hasAltitudeZones_ = false;
  noDataValue_ = 32768;
  transparentMask_[0] = {true, true, true};
  chosenBands_ = {INT_MIN, INT_MIN, INT_MIN};
}

TGIS_LayerMrSID::~TGIS_LayerMrSID() {
  MakeDormant();
  SidLibrary().DropInstance();
}

void TGIS_LayerMrSID::ReadFailure() const {
  throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
}

void TGIS_LayerMrSID::LoadDecoderLibrary() {
  ::Assert(SidLibrary().Instances() >= 0, "Assertion failure", "GisLayerMrSID", 1211);
  if (!SidLibrary().Load()) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, kSidLibraryName, 0);
}

void TGIS_LayerMrSID::OpenImage() {
  LoadDecoderLibrary();
  if (!FileExists(path_)) ReadFailure();
  const auto init = SidLibrary().Function<TSid_InitSID>("vrkMrSID_InitSID");
  handle_ = init(path_.c_str(), "");
  if (handle_ < 0) {
    std::string password = GisLayerPasswords().Get(name_, "password");
    if (password.empty() && PasswordEvent) {
      try {
        PasswordEvent(this, "password", password);
      } catch (const Exception&) {
        throw EGIS_Exception(GIS_RS_ERR_FILEPASSWORD, path_, 0);
      }
    }
    handle_ = init(path_.c_str(), password.c_str());
    if (handle_ < 0) {
      if (!password.empty()) throw EGIS_Exception(GIS_RS_ERR_FILEPASSWORD, path_, 0);
      ReadFailure();
    }
    GisLayerPasswords().Add(name_, "password", password);
  }
  // A grid source gets its band back. A picture stays in the mode it is in:
  // switching grid mode on here would outlast the Prepare that runs before
  // a draw wakes the layer, and the woken picture would draw as a grid.
  if (isGridSource_)
    SidLibrary().Function<TSid_SetGridBand>("vrkMrSID_SetGridBand")(
        handle_, std::int16_t(std::max(PixelParams().GridBand(), 1) - 1));
  if (!strip_.empty()) AllocateStripBuffer();
  imageOpen_ = true;
}

int TGIS_LayerMrSID::SampleBytes() const {
  return dataType_ <= 2 ? 1 : dataType_ <= 4 ? 2 : dataType_ <= 7 ? 4 : 8;
}

void TGIS_LayerMrSID::AllocateStripBuffer() {
  const std::int64_t perPixel = dataType_ <= 4 ? 3 : dataType_ <= 7 ? 4 : 8;
  stripRowBytes_ = std::int64_t(width_) * perPixel;
  if (stripRowBytes_ <= 0) ReadFailure();
  rowsPerStrip_ = int(std::max<std::int64_t>(
      1, std::min<std::int64_t>(height_, kSidStripBytes / stripRowBytes_)));
  strip_.assign(std::size_t(stripRowBytes_ * rowsPerStrip_), 0);
  SidLibrary().Function<TSid_SetBuffer>("vrkMrSID_SetBuffer")(handle_, strip_.data());
  cacheRows_ = 0;
}

void TGIS_LayerMrSID::SetGeoreference(const std::string& worldExtension) {
  const std::string tab = tabPath_.empty() ? GisFindCompanionFile(path_, ".tab") : tabPath_;
  if (!GisFindCompanionFile(path_, worldExtension).empty() || (!tab.empty() && FileExists(tab))) {
    ReadWorldFile(worldExtension);
    return;
  }
  SetExtent(GisExtent(SidDouble("vrkMrSID_ImageOriginX", handle_),
                      SidDouble("vrkMrSID_ImageOriginY", handle_),
                      SidDouble("vrkMrSID_ImageOriginX", handle_),
                      SidDouble("vrkMrSID_ImageOriginY", handle_)));
  pixelSizeX_ = SidDouble("vrkMrSID_ImageResX", handle_);
  pixelSizeY_ = SidDouble("vrkMrSID_ImageResY", handle_);
  if (pixelSizeY_ > 0) pixelSizeY_ = -pixelSizeY_;
}

void TGIS_LayerMrSID::Open() {
  std::string title;
  // the library's and the password's failures keep their own texts
  OpenImage();
  try {
    if (FileExists(path_)) {
      height_ = SidInt("vrkMrSID_ImageHeight", handle_);
      width_ = SidInt("vrkMrSID_ImageWidth", handle_);
      if (width_ <= 0 || height_ <= 0) ReadFailure();
      const std::string ext = UpperCase(ExtractFileExt(path_));
      SetGeoreference(SidWorldExtension(ext));
      title = ext == ".SID" ? "MrSID Format (SID)" : "JPEG 2000 File Format";
    }
    bandCount_ = SidInt("vrkMrSID_NumBands", handle_);
    colorSpace_ = SidInt("vrkMrSID_ColorSpace", handle_);
    dataType_ = SidInt("vrkMrSID_DataType", handle_);
    if (dataType_ < 1 || dataType_ > 8) return;
    isGridSource_ = bandCount_ == 1 && dataType_ != 1;
    isGrid_ = isGridSource_;
    if (isGridSource_)
      SidLibrary().Function<TSid_SetGridBand>("vrkMrSID_SetGridBand")(
          handle_, std::int16_t(std::max(PixelParams().GridBand(), 1) - 1));
    AllocateStripBuffer();
    factor_ = 1;
    maxZoom_ = std::max(0, SidInt("vrkMrSID_MaxZoomLevel", handle_));
    ResetPictureHeader(24);
    info_.Info.bmiHeader.biSize = 40;
    bitsPerPixel_ = outBitsPerPixel_ = 24;
    lineBytes_ = width_;
    outLineBytes_ = width_ * 3;
    paletteCount_ = 0;
    outBands_ = {0, 1, 2};
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    ReadFailure();
  }
  SetFileInfo(title + "\r\n" + Format("%d x %d; %d bit", {width_, height_, 24}) +
              "\r\nDecoded by the vrkMrSID4 decoder library");
}

void TGIS_LayerMrSID::WakeUp() {
  if (!imageOpen_ && !path_.empty()) OpenImage();
}

void TGIS_LayerMrSID::MakeDormant() {
  if (SidLibrary().Loaded() && imageOpen_ && handle_ >= 0)
    SidLibrary().Function<TSid_FreeSID>("vrkMrSID_FreeSID")(handle_);
  const bool hadBuffer = !strip_.empty();
  strip_.clear();
  strip_.shrink_to_fit();
  if (hadBuffer) strip_.push_back(0); // remembers that the buffer is made again on waking
  handle_ = -1;
  imageOpen_ = false;
  cacheRows_ = 0;
  factor_ = 1;
  TGIS_LayerPixel::MakeDormant();
}

double TGIS_LayerMrSID::GetOverviewScale(double source, double output) {
  if (!imageOpen_) OpenImage();
  const double ratio = output == 0 ? 0 : std::trunc(source / output);
  int level = 0;
  if (ratio > 1)
    while (level < 30 && std::ldexp(1.0, level + 1) <= ratio)
      ++level;
  level = std::min(level, maxZoom_);
  double result;
  if ((1 << level) == factor_) {
    result = 1.0 / double(1 << level);
  } else {
    const int set = SidLibrary().Function<TSid_SetZoom>("vrkMrSID_SetZoom")(handle_, level);
    const int got = std::clamp(set, 0, level);
    if (got < level) maxZoom_ = got;
    factor_ = 1 << got;
    result = 1.0 / factor_;
  }
  const double perRow = std::round(source * result + 3) * 3;
  const std::int64_t bytes = std::int64_t(strip_.size());
  std::int64_t rows = perRow <= 0 ? bytes : bytes / std::int64_t(perRow);
  rows = std::min<std::int64_t>(rows, std::int64_t(std::round(result * height_)));
  rowsPerStrip_ = int(std::max<std::int64_t>(rows, 1));
  return result;
}

int TGIS_LayerMrSID::FetchStrip(int row, int firstColumn, int columns, int pixelBytes,
                                bool reorder) {
  const int levelHeight = int((std::int64_t(height_) + factor_ - 1) / factor_);
  const int levelWidth = int((std::int64_t(width_) + factor_ - 1) / factor_);
  if (row < 0 || row >= levelHeight || firstColumn < 0 || firstColumn >= levelWidth) return 0;
  columns = std::min(columns, levelWidth - firstColumn);
  if (columns <= 0) return 0;
  if (cacheRows_ > 0 && cacheFactor_ == factor_ && cachePixelBytes_ == pixelBytes &&
      row >= cacheRow_ && row < cacheRow_ + cacheRows_ && firstColumn >= cacheColumn_ &&
      firstColumn + columns <= cacheColumn_ + cacheColumns_)
    return columns;
  const std::int64_t requestBytes = std::int64_t(columns) * pixelBytes;
  if (requestBytes > std::int64_t(strip_.size())) ReadFailure();
  int rows = int(std::min<std::int64_t>(rowsPerStrip_, std::int64_t(strip_.size()) / requestBytes));
  rows = std::max(rows, 1);
  int first = row;
  if (first + rows > levelHeight) {
    if (factor_ > 1 && first > 0) --first;
    rows = levelHeight - first;
    rows = int(std::min<std::int64_t>(rows, std::int64_t(strip_.size()) / requestBytes));
  }
  cacheRows_ = 0;
  const int failed = SidLibrary().Function<TSid_LoadStrip>("vrkMrSID_LoadStrip")(
      handle_, first, rows, firstColumn, columns);
  if (failed != 0) ReadFailure();
  if (reorder) {
    std::uint8_t* p = strip_.data();
    for (std::int64_t i = 0, n = std::int64_t(rows) * columns; i < n; ++i, p += 3) {
      const std::uint8_t s[3] = {p[0], p[1], p[2]};
      for (int k = 0; k < 3; ++k)
        p[k] = outBands_[std::size_t(k)] < 0 ? 0 : s[outBands_[std::size_t(k)]];
    }
  }
  cacheRow_ = first;
  cacheRows_ = rows;
  cacheColumn_ = firstColumn;
  cacheColumns_ = columns;
  cacheFactor_ = factor_;
  cachePixelBytes_ = pixelBytes;
  return columns;
}

int TGIS_LayerMrSID::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  if (!imageOpen_) OpenImage();
  const int first = offset / 3;
  const int columns = FetchStrip(row, first, count / 3, 3, true);
  if (columns <= 0) return 0;
  const std::uint8_t* src = strip_.data() +
                            (std::int64_t(row - cacheRow_) * cacheColumns_ + (first - cacheColumn_)) * 3;
  std::memcpy(buffer, src, std::size_t(columns) * 3);
  return columns * 3;
}

int TGIS_LayerMrSID::ReadLineColored(std::uint8_t* buffer, int row, int count, int offset) {
  if (!isGridSource_) return TGIS_LayerPixel::ReadLineColored(buffer, row, count, offset);
  if (!imageOpen_) OpenImage();
  const int first = offset / 3;
  const int bytes = SampleBytes();
  const int columns = FetchStrip(row, first, count / 3, bytes, false);
  const std::uint8_t* src = strip_.data() +
                            (std::int64_t(row - cacheRow_) * cacheColumns_ + (first - cacheColumn_)) * bytes;
  for (int i = 0; i < columns; ++i) {
    const double v = SampleAt(src + std::size_t(i) * std::size_t(bytes), dataType_);
    PutGridPixel(buffer + 3 * i, v, v == double(noDataValue_));
  }
  return std::max(columns, 0) * 3;
}

int TGIS_LayerMrSID::ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) {
  if (!isGridSource_) return TGIS_LayerPixel::ReadGridLine(values, row, count, firstColumn);
  if (!imageOpen_) OpenImage();
  const int bytes = SampleBytes();
  const int columns =
      FetchStrip(row, firstColumn, std::min(count, int(values.size())), bytes, false);
  const std::uint8_t* src =
      strip_.data() + (std::int64_t(row - cacheRow_) * cacheColumns_ + (firstColumn - cacheColumn_)) * bytes;
  for (int i = 0; i < columns; ++i)
    values[std::size_t(i)] = float(SampleAt(src + std::size_t(i) * std::size_t(bytes), dataType_));
  return std::max(columns, 0);
}

void TGIS_LayerMrSID::SetLineReader(TLineReader& reader) {
  if (isGridSource_)
    reader = static_cast<TLineReader>(&TGIS_LayerMrSID::ReadLineColored);
  else
    reader = &TGIS_LayerPixel::ReadLine;
}

void TGIS_LayerMrSID::Prepare() {
  TGIS_ParamsPixel& px = PixelParams();
  if (pageCount_ > 1 && px.Page() >= 1 && px.Page() <= pageCount_ && px.Page() != currentPage_)
    SetPage(px.Page());
  const int wanted = px.GridBand();
  if (wanted != gridBandInUse_ && wanted >= 1 && wanted <= bandCount_) {
    isGrid_ = true;
    outBands_ = {wanted - 1, wanted - 1, wanted - 1};
    if (isGridSource_) {
      if (!imageOpen_) OpenImage();
      SidLibrary().Function<TSid_SetGridBand>("vrkMrSID_SetGridBand")(handle_,
                                                                      std::int16_t(wanted - 1));
      cacheRows_ = 0;
    }
    gridBandInUse_ = gridBand_ = wanted;
  } else if (wanted != gridBandInUse_) {
    ApplyGridBandParameter();
  }
  if (isGrid_) {
    if (!imageOpen_) OpenImage();
    if (px.GridNoValue() != double(noDataValue_)) {
      noDataValue_ = float(px.GridNoValue());
      if (noDataValue_ == 32768.0f) {
        noDataValue_ = float(SidDouble("vrkMrSID_NoDataValue", handle_));
        px.SetGridNoValue(noDataValue_);
      }
    }
    minValue_ = float(SidDouble("vrkMrSID_MinValue", handle_));
    maxValue_ = float(SidDouble("vrkMrSID_MaxValue", handle_));
  }
  if (!(isGrid_ && (isGridSource_ || gridBandInUse_ != 0))) {
    if (isGrid_) {
      outBands_ = {0, 1, 2};
      if (isGridSource_)
        SidLibrary().Function<TSid_SetGridBand>("vrkMrSID_SetGridBand")(handle_, -1);
      else
        isGrid_ = false;
    }
    const int wantedBands[3] = {px.RedBand(), px.GreenBand(), px.BlueBand()};
    const int defaults[3] = {bandCount_ >= 3 ? 3 : 1, bandCount_ >= 2 ? 2 : 1, 1};
    bool changed = false;
    int chosen[3];
    for (int k = 0; k < 3; ++k) {
      const int w = wantedBands[k];
      chosen[k] = w < 0 ? -1 : w == 0 || w > bandCount_ ? defaults[k] : w;
      if (w != chosenBands_[std::size_t(k)]) changed = true;
      chosenBands_[std::size_t(k)] = w;
    }
    if (changed) {
      if (colorSpace_ == 8) {
        outBands_ = {chosen[2] < 0 ? -1 : 0, chosen[1] < 0 ? -1 : 1, chosen[0] < 0 ? -1 : 2};
        if (!imageOpen_) OpenImage();
        SidLibrary().Function<TSid_SetBands>("vrkMrSID_SetBands")(
            handle_, std::int16_t(chosen[0]), std::int16_t(chosen[1]), std::int16_t(chosen[2]));
      } else {
        // band k is the k-th byte the library delivers (blue, green, red)
        outBands_ = {chosen[2] < 0 ? -1 : chosen[2] - 1, chosen[1] < 0 ? -1 : chosen[1] - 1,
                     chosen[0] < 0 ? -1 : chosen[0] - 1};
      }
      cacheRows_ = 0;
    }
  }
  TGIS_LayerPixel::Prepare();
}
