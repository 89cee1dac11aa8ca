// TGIS_LayerPixel: construction, Open, configuration, world files,
// companion-file lookup, wake-up and dormancy.
#include "gis/raster/GisLayerPixel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {

TGIS_RasterRegistrationReader& RegistrationReader() {
  static TGIS_RasterRegistrationReader reader;
  return reader;
}

/// The names of a folder, sorted by bytes.
std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  TSearchRec rec;
  if (FindFirst(IncludeTrailingPathDelimiter(folder.empty() ? "." : folder) + "*", faAnyFile,
                rec) == 0) {
    do {
      if (rec.Name != "." && rec.Name != "..") names.push_back(rec.Name);
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsRegularFile(const std::string& path) {
  return FileExists(path) && !DirectoryExists(path);
}

/// One world-file number: the characters up to LF, without CR and blanks.
bool ReadWorldNumber(const std::string& text, std::size_t& at, double& value) {
  if (at >= text.size()) return false;
  std::string digits;
  while (at < text.size() && text[at] != '\n') {
    const char c = text[at++];
    if (c != '\r' && c != ' ') digits += c;
  }
  if (at < text.size()) ++at; // the LF
  try {
    value = GisStrToFloat(digits);
  } catch (const Exception&) {
    return false;
  }
  return std::isfinite(value);
}

} // namespace

// ---- module functions ---------------------------------------------------------------------

std::uint32_t GisSwap32(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::uint32_t GisSwap16Pair(std::uint32_t v) {
  return ((v & 0x00FF00FFu) << 8) | ((v >> 8) & 0x00FF00FFu);
}

int GisParseColorList(const std::string& text, std::vector<std::uint32_t>& values, int n) {
  values.assign(std::size_t(n) + 1, 0);
  std::vector<std::string> parts;
  std::string cur;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  int read = 0;
  for (const std::string& p : parts) {
    if (read > n) break;
    const std::string t = Trim(p);
    if (t.empty()) break;
    // Zone bounds are read as written: black is 0 in every spelling ("0",
    // "$000000", "black", "0:0:0"), so a zone from black includes black.
    values[std::size_t(read)] = GisStrToColorAsWritten(t, 0);
    ++read;
  }
  return read;
}

void GisSampleRows(int height, double share, int cap, const std::function<void(int)>& visit) {
  if (height <= 0) return;
  int count = share > 0 && share <= 1 ? std::max(1, int(Round(share * height))) : std::min(height, cap);
  count = std::clamp(count, 1, height);
  const double step = double(height) / count;
  int last = -1;
  for (int i = 0; i < count; ++i) {
    const int row = std::min(height - 1, int(step / 2 + i * step));
    if (row == last) continue;
    last = row;
    visit(row);
  }
}

void GisSetRasterRegistrationReader(TGIS_RasterRegistrationReader reader) {
  RegistrationReader() = std::move(reader);
}

std::string GisFindFileCaseless(const std::string& fileName) {
  if (fileName.empty()) return std::string();
  if (IsRegularFile(fileName)) return fileName;
  const std::string folder = ExtractFilePath(fileName);
  const std::string name = ExtractFileName(fileName);
  const std::string ext = ExtractFileExt(name);
  const std::string lowered = ChangeFileExt(name, LowerCase(ext));
  if (IsRegularFile(folder + lowered)) return folder + lowered;
  for (const std::string& entry : SortedNames(folder)) {
    if (SameText(entry, name) && IsRegularFile(folder + entry)) return folder + entry;
  }
  return std::string();
}

std::string GisFindCompanionFile(const std::string& path, const std::string& extension) {
  return GisFindFileCaseless(GisPathWithoutExt(path) + extension);
}

void TGIS_LayerPixel::RaiseReadError(const Exception& cause) const {
  // the cause is text, not a format: its '%' signs are doubled
  std::string reason;
  for (char c : cause.Message())
    reason += c == '%' ? std::string("%%") : std::string(1, c);
  throw EGIS_Exception(std::string(GIS_RS_ERR_FILEREAD) + ": " + reason, Path(), 0);
}

// ---- TGIS_LayerPixel ----------------------------------------------------------------------

TGIS_LayerPixel::TGIS_LayerPixel() {
  paramsList_ = std::make_unique<TGIS_ParamsList>(&paramsSection_);
  paramsList_->AddDefault(std::make_unique<TGIS_ParamsSectionPixel>());
  noDataValue_ = float(PixelParams().GridNoValue());
  ResetBandLuts();
  info_.Info.bmiHeader.biSize = 40;
}

TGIS_LayerPixel::~TGIS_LayerPixel() = default;

TGIS_ParamsPixel& TGIS_LayerPixel::PixelParams() {
  return static_cast<TGIS_ParamsSectionPixel&>(*paramsSection_).GetPixel();
}

void TGIS_LayerPixel::SetExtent(const TGIS_Extent& extent) {
  TGIS_LayerAbstract::SetExtent(extent);
  if (width_ != 0 && height_ != 0) {
    pixelSizeX_ = (extent.XMax - extent.XMin) / width_;
    pixelSizeY_ = -(extent.YMax - extent.YMin) / height_;
  }
}

void TGIS_LayerPixel::SetGridLayerDefaults() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
  minColor_ = 0x202020;
  maxColor_ = 0xFFFFFF;
  isGrid_ = true;
  noDataColor_ = 0;
  hasAltitudeZones_ = false;
}

void TGIS_LayerPixel::SetGridLayerFormat() {
  bitsPerPixel_ = 24;
  paletteCount_ = 0;
  ResetPictureHeader(24);
  outBitsPerPixel_ = 24;
}

void TGIS_LayerPixel::PlaceAroundTopLeft(double x, double y) {
  TGIS_Extent e;
  e.XMin = x - pixelSizeX_ / 2;
  e.YMax = y - pixelSizeY_ / 2;
  e.XMax = e.XMin + readWidth_ * pixelSizeX_;
  e.YMin = e.YMax + readHeight_ * pixelSizeY_;
  SetExtent(e);
}

void TGIS_LayerPixel::Open() {
  TGIS_LayerAbstract::Open();
  isGridSource_ = isGrid_;
  SetUpLineReader();
  if (pageCount_ == 0) {
    pageCount_ = 1;
    currentPage_ = 1;
  }
  if (bandCount_ == 0) bandCount_ = 3;
  if (readWidth_ == 0) readWidth_ = width_;
  if (readHeight_ == 0) readHeight_ = height_;
  TGIS_Extent working = extent_;
  if (pixelSizeX_ == 0 || pixelSizeY_ == 0) {
    pixelSizeX_ = 1;
    pixelSizeY_ = -1;
    working = GisExtent(0, 0, 0, 0);
  }
  if (GisIsEmptyExtent(extent_) || extent_.XMin == extent_.XMax)
    PlaceAroundTopLeft(working.XMin, working.YMax);
  if (bitsPerPixel_ != 24) MakePaletteNonBlack();
  MakeDormant();
  if (isGrid_ && valueUnits_->Type() == gisUnitsNone) valueUnits_->SetType(gisUnitsMeter);
  if (infoText_.empty()) {
    infoText_ =
        Format(isGrid_ ? "Generic Pixel-Grid Layer\r\n%d x %d" : "Generic Pixel Layer\r\n%d x %d",
               {width_, height_});
  }
}

void TGIS_LayerPixel::ResetPictureHeader(int bits) {
  BITMAPINFOHEADER& h = info_.Info.bmiHeader;
  h.biWidth = h.biHeight = 0;
  h.biPlanes = 1;
  h.biBitCount = WORD(bits);
  h.biCompression = h.biSizeImage = 0;
  h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
  h.biClrUsed = h.biClrImportant = 0;
}

void TGIS_LayerPixel::SetFileInfo(const std::string& description) {
  if (IsRegularFile(path_)) openTime_ = FileAge(path_);
  infoText_ = description;
}

bool TGIS_LayerPixel::ReadWorldFile(const std::string& extension) {
  const std::string world = GisFindCompanionFile(path_, extension);
  if (!world.empty()) {
    std::string text;
    try {
      TFileStream f(world, fmOpenRead | fmShareDenyNone);
      text.resize(std::size_t(f.Size()));
      if (!text.empty()) f.ReadBuffer(text.data(), std::int64_t(text.size()));
    } catch (const Exception&) {
      text.clear();
    }
    double v[6] = {0, 0, 0, 0, 0, 0};
    std::size_t at = 0;
    int read = 0;
    while (read < 6 && ReadWorldNumber(text, at, v[read]))
      ++read;
    pixelSizeX_ = read == 6 ? v[0] : 0;
    pixelSizeY_ = read == 6 ? v[3] : 0;
    // the extent keeps 0 where no number was read
    extent_ = GisExtent(read > 4 ? v[4] : 0, read > 5 ? v[5] : 0, read > 4 ? v[4] : 0,
                        read > 5 ? v[5] : 0);
    projectedExtent_ = extent_;
    return true;
  }
  const std::string tab =
      tabPath_.empty() ? GisFindCompanionFile(path_, ".tab") : GisFindFileCaseless(tabPath_);
  if (!tab.empty() && RegistrationReader()) {
    if (RegistrationReader()(tab, *this)) return true;
  }
  SetExtent(GisExtent(0, 0, 0, 0));
  return false;
}

void TGIS_LayerPixel::ReadConfig(TGIS_Ini& ini) {
  TGIS_LayerAbstract::ReadConfig(ini);
  SetPage(ini.ReadInteger("CurrentPage", currentPage_));
}

void TGIS_LayerPixel::WriteConfig(TGIS_Ini& ini) {
  TGIS_LayerAbstract::WriteConfig(ini);
  ini.WriteInteger("CurrentPage", currentPage_);
}

bool TGIS_LayerPixel::DrawDefault() {
  if (viewer_ == nullptr) return false;
  TGIS_Extent e{0, 0, 0, 0};
  GetDrawExtent(e);
  return DrawRaster(e);
}

void TGIS_LayerPixel::WakeUp() {
  if (fileStream_ || path_.empty() || !IsRegularFile(path_)) return;
  try {
    fileStream_ = std::make_unique<TFileStream>(path_, fmOpenRead | fmShareDenyNone);
  } catch (const Exception&) {
    fileStream_.reset(); // the format's reader reports the failure
  }
}

void TGIS_LayerPixel::MakeDormant() {
  TGIS_LayerAbstract::MakeDormant();
  fileStream_.reset();
}

void TGIS_LayerPixel::SetGridMode(bool on) {
  if (on == isGrid_) return;
  isGrid_ = on;
  PixelParams().SetGridBand(on ? gridBand_ : 0);
  Prepare();
}

void TGIS_LayerPixel::ApplyGridBandParameter() {
  const int wanted = PixelParams().GridBand();
  if (wanted == gridBandInUse_) return;
  if (wanted >= 1 && wanted <= bandCount_) {
    isGrid_ = true;
    gridBandInUse_ = gridBand_ = wanted;
  } else if (wanted < 1) {
    if (gridBandInUse_ != 0) {
      gridBandInUse_ = gridBand_ = 0;
      isGrid_ = isGridSource_;
    } else if (!isGridSource_) {
      isGrid_ = false;
    }
  }
}

void TGIS_LayerPixel::ResetBandLuts() {
  bandOrder_ = {0, 1, 2};
  for (int k = 0; k < 3; ++k)
    IdentityBandLut(k);
}

void TGIS_LayerPixel::ZeroBandLut(int position) {
  if (position < 0 || position > 2) return;
  for (auto& e : bandLut_)
    e[std::size_t(position)] = 0;
}

void TGIS_LayerPixel::IdentityBandLut(int position) {
  if (position < 0 || position > 2) return;
  for (int i = 0; i < 256; ++i)
    bandLut_[std::size_t(i)][std::size_t(position)] = std::uint8_t(i);
}

double TGIS_LayerPixel::GetOverviewScale(double wanted, double available) {
  (void)wanted, (void)available;
  return 1.0;
}

double TGIS_LayerPixel::ReadDouble() {
  std::uint8_t b[8] = {0};
  if (!fileStream_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  fileStream_->ReadBuffer(b, 8);
  double d;
  std::memcpy(&d, b, 8);
  return d;
}

double TGIS_LayerPixel::ReadDoubleSwapped() {
  std::uint8_t b[8] = {0};
  if (!fileStream_) throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  fileStream_->ReadBuffer(b, 8);
  std::reverse(b, b + 8);
  double d;
  std::memcpy(&d, b, 8);
  return d;
}
