// TGIS_LayerECW: the library, the view, the strip cache and the reader.
#include "gis/raster/GisLayerECW.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisDecoderLibrary.h"
#include "platform/decoders/ExternalDecoders.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr std::int64_t kEcwStripBytes = 1024000;
constexpr const char* kEcwLibraryName = "NCSEcw.dll";

TGIS_DecoderLibrary& EcwLibrary() {
  static TGIS_DecoderLibrary library(kEcwLibraryName,
                                     {"NCScbmOpenFileView", "NCScbmCloseFileView",
                                      "NCScbmGetViewFileInfo", "NCScbmSetFileView"},
                                     {"NCScbmReadViewLineBGR"});
  return library;
}

std::string EcwWorldExtension(const std::string& ext) {
  static const char* const table[][2] = {{".ECW", ".EWW"}, {".JPF", ".JFW"}, {".JPX", ".JXW"},
                                         {".JPC", ".JCW"}, {".J2C", ".JCW"}, {".J2X", ".JXW"},
                                         {".J2K", ".JKW"}, {".JP2", ".J2W"}};
  for (const auto& row : table)
    if (ext == row[0]) return row[1];
  return ".EWW";
}

} // namespace

int TGIS_LayerECW::InstanceCount() { return EcwLibrary().Instances(); }
bool TGIS_LayerECW::LibraryLoaded() { return EcwLibrary().Loaded(); }

TGIS_LayerECW::TGIS_LayerECW() {
  EcwLibrary().AddInstance();
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerECW::~TGIS_LayerECW() {
  MakeDormant();
  // a count below 0 would be a fault of the layers' bookkeeping
  if (!EcwLibrary().DropInstance()) EcwLibrary().Unload();
}

void TGIS_LayerECW::ReadFailure(int code) const {
  throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, code);
}

void TGIS_LayerECW::LoadDecoderLibrary() {
  if (!EcwLibrary().Load()) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, kEcwLibraryName, 0);
}

void TGIS_LayerECW::AllocateStrip() {
  if (stripSize_ <= 0) return;
  strip_.assign(std::size_t(stripSize_), 0);
  cacheRows_ = 0;
}

void TGIS_LayerECW::OpenView() {
  LoadDecoderLibrary();
  if (!view_) {
    void* v = nullptr;
    const int r = EcwLibrary().Function<TECW_OpenFileView>("NCScbmOpenFileView")(path_.c_str(),
                                                                                &v, nullptr);
    if (r != 0 || !v) {
      if (v) EcwLibrary().Function<TECW_CloseFileView>("NCScbmCloseFileView")(v);
      ReadFailure(1);
    }
    view_ = v;
  }
  if (strip_.empty()) AllocateStrip();
}

void TGIS_LayerECW::SetGeoreference(const std::string& worldExtension) {
  const std::string tab = tabPath_.empty() ? GisFindCompanionFile(path_, ".tab") : tabPath_;
  if (!GisFindCompanionFile(path_, worldExtension).empty() || (!tab.empty() && FileExists(tab)))
    ReadWorldFile(worldExtension);
}

void TGIS_LayerECW::Open() {
  std::string title;
  OpenView(); // the library's failure keeps its own text
  try {
    bandList_[0] = 0, bandList_[1] = 1, bandList_[2] = 2;
    TECW_FileInfo* fi = nullptr;
    if (EcwLibrary().Function<TECW_GetViewFileInfo>("NCScbmGetViewFileInfo")(view_, &fi) != 0 ||
        !fi)
      ReadFailure(3);
    switch (fi->CellUnits) {
    case 1: units_->SetType(gisUnitsMeter); break;
    case 3: units_->SetType(gisUnitsFoot); break;
    default: units_->SetType(gisUnitsDegreeDecimal); break;
    }
    if (fi->Width == 0 || fi->Height == 0 || fi->Width > 0x7FFFFFFF || fi->Height > 0x7FFFFFFF)
      ReadFailure(3);
    pixelSizeX_ = fi->CellIncrementX;
    pixelSizeY_ = fi->CellIncrementY;
    if (pixelSizeY_ > 0) pixelSizeY_ = -pixelSizeY_;
    bandCount_ = fi->Bands;
    bandsUsed_ = std::min<int>(fi->Bands, 3);
    if (bandsUsed_ < 1) ReadFailure(3);
    SetExtent(GisExtent(fi->OriginX, fi->OriginY, fi->OriginX, fi->OriginY));
    pixelSizeX_ = fi->CellIncrementX;
    pixelSizeY_ = fi->CellIncrementY > 0 ? -fi->CellIncrementY : fi->CellIncrementY;
    width_ = int(fi->Width);
    height_ = int(fi->Height);
    bufferRowBytes_ = (std::int64_t(width_) * 3 + 3) / 4 * 4;
    rowsPerStrip_ = int(std::max<std::int64_t>(
        1, std::min<std::int64_t>(height_, kEcwStripBytes / bufferRowBytes_)));
    stripSize_ = std::max<std::int64_t>(bufferRowBytes_ * rowsPerStrip_, bufferRowBytes_);
    AllocateStrip();
    zoom_ = 1;
    lineBytes_ = width_;
    ResetPictureHeader(24);
    info_.Info.bmiHeader.biSize = 40;
    bitsPerPixel_ = outBitsPerPixel_ = 24;
    outLineBytes_ = width_ * 3;
    paletteCount_ = 0;
    cacheRows_ = 0;
    if (FileExists(path_)) {
      const std::string ext = UpperCase(ExtractFileExt(path_));
      SetGeoreference(EcwWorldExtension(ext));
      title = ext == ".ECW" ? "Enhanced Compression Wavelet Format (ECW)" : "JPEG 2000 File Format";
    }
    TGIS_LayerPixel::Open();
  } catch (const Exception&) {
    MakeDormant();
    ReadFailure(3);
  }
  SetFileInfo(title + "\r\n" + Format("%d x %d; %d bit; %d band(s)", {width_, height_, 24, bandsUsed_}) +
              "\r\nDecoded by the NCSEcw decoder library");
}

void TGIS_LayerECW::WakeUp() {
  if (!path_.empty()) OpenView();
}

void TGIS_LayerECW::MakeDormant() {
  TGIS_LayerPixel::MakeDormant();
  if (EcwLibrary().Loaded() && view_)
    EcwLibrary().Function<TECW_CloseFileView>("NCScbmCloseFileView")(view_);
  view_ = nullptr;
  strip_.clear();
  strip_.shrink_to_fit();
  cacheRows_ = 0;
}

double TGIS_LayerECW::GetOverviewScale(double source, double output) {
  zoom_ = source == 0 ? 1 : std::min(1.0, output / source);
  if (!(zoom_ > 0)) zoom_ = 1;
  const double perRow = std::round(output + 3) * 3;
  std::int64_t rows = perRow <= 0 ? stripSize_ : stripSize_ / std::int64_t(perRow);
  rows = std::min<std::int64_t>(rows, std::int64_t(std::round(zoom_ * height_)));
  rowsPerStrip_ = int(std::max<std::int64_t>(rows, 1));
  return zoom_;
}

void TGIS_LayerECW::DecodeRows(int firstRow, int rows, int firstColumn, int columns, int at) {
  // the window in full-resolution cells
  const std::int64_t lastColumn = firstColumn + columns - 1;
  std::int64_t x0 = std::int64_t(std::trunc(firstColumn / zoom_));
  std::int64_t x1 = std::int64_t(std::trunc(lastColumn / zoom_));
  if (x1 > width_ - 1) {
    x0 = std::max<std::int64_t>(0, x0 - (x1 - (width_ - 1)));
    x1 = width_ - 1;
  }
  std::int64_t y0 = std::int64_t(std::trunc(firstRow / zoom_));
  const std::int64_t span = std::max<std::int64_t>(1, std::int64_t(std::trunc(rows / zoom_)));
  std::int64_t y1 = y0 + span - 1;
  if (y1 > height_ - 1) {
    y0 = std::max<std::int64_t>(0, y0 - (y1 - (height_ - 1)));
    y1 = height_ - 1;
  }
  if (EcwLibrary().Function<TECW_SetFileView>("NCScbmSetFileView")(
          view_, std::uint32_t(bandsUsed_), bandList_, std::uint32_t(x0), std::uint32_t(y0),
          std::uint32_t(x1), std::uint32_t(y1), std::uint32_t(columns), std::uint32_t(rows)) != 0)
    ReadFailure(4);
  const auto readLine = EcwLibrary().Function<TECW_ReadViewLineBGR>("NCScbmReadViewLineBGR");
  if (!readLine) ReadFailure(4);
  for (int r = 0; r < rows; ++r)
    if (readLine(view_, strip_.data() + std::int64_t(at + r) * cacheRowBytes_) != 0) ReadFailure(4);
}

int TGIS_LayerECW::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  OpenView();
  if (strip_.empty()) ReadFailure(4);
  const int first = offset / 3;
  const int zoomedWidth = int(std::round(zoom_ * width_));
  const int zoomedHeight = int(std::round(zoom_ * height_));
  const int columns = std::min(count / 3, zoomedWidth - first);
  if (row < 0 || first < 0 || columns <= 0) return 0;
  const bool hit = cacheRows_ > 0 && cacheZoom_ == zoom_ && row >= cacheRow_ &&
                   row < cacheRow_ + cacheRows_ && first >= cacheColumn_ &&
                   first + columns <= cacheColumn_ + cacheColumns_;
  if (!hit) {
    if (row >= zoomedHeight) return 0;
    const std::int64_t rowBytes = (std::int64_t(columns) + 3) / 4 * 4 * 3;
    const int capacity = int(std::int64_t(strip_.size()) / rowBytes);
    if (capacity < 1) ReadFailure(4);
    if (cacheRows_ > 0 && cacheZoom_ == zoom_ && cacheColumn_ == first &&
        cacheColumns_ == columns && row < cacheRow_ && cacheRow_ + cacheRows_ <= capacity) {
      // scrolling up: keep the cached rows, decode those above them from the top
      const int above = cacheRow_;
      std::memmove(strip_.data() + std::int64_t(above) * rowBytes, strip_.data(),
                   std::size_t(std::int64_t(cacheRows_) * rowBytes));
      cacheRowBytes_ = rowBytes;
      DecodeRows(0, above, first, columns, 0);
      cacheRows_ += above;
      cacheRow_ = 0;
    } else {
      int rows = std::min(rowsPerStrip_, capacity);
      if (row + rows > zoomedHeight) {
        rows = zoomedHeight - row;
        if (zoom_ < 1) rows = std::min(rows + 1, capacity);
      }
      rows = std::max(rows, 1);
      cacheRows_ = 0;
      cacheRowBytes_ = rowBytes;
      DecodeRows(row, rows, first, columns, 0);
      cacheRow_ = row;
      cacheRows_ = rows;
      cacheColumn_ = first;
      cacheColumns_ = columns;
      cacheZoom_ = zoom_;
    }
  }
  const std::uint8_t* src = strip_.data() + std::int64_t(row - cacheRow_) * cacheRowBytes_ +
                            std::int64_t(first - cacheColumn_) * 3;
  std::memcpy(buffer, src, std::size_t(columns) * 3);
  return columns * 3;
}
