// The grid file layers' shared readers.
#include "gis/raster/GisGridFiles.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

bool GisReadExactly(TStream& stream, std::int64_t size, std::int64_t offset, void* buffer,
                    std::int64_t n) {
  if (offset < 0 || n < 0 || offset > size || n > size - offset) return false;
  if (n == 0) return true;
  stream.SetPosition(offset);
  return stream.Read(buffer, n) == n;
}

double GisHeaderNumber(const std::string& text, TGIS_HeaderDecimal decimal) {
  double v = 0;
  switch (decimal) {
  case TGIS_HeaderDecimal::DotOrComma:
    v = GisStrToFloat(text);
    break;
  case TGIS_HeaderDecimal::Locale:
    if (!TryStrToFloat(text, v, FormatSettings())) throw EConvertError("'" + text + "' is not a number");
    break;
  case TGIS_HeaderDecimal::Dot:
    if (!TryStrToFloat(text, v, GisDotFormatSettings()))
      throw EConvertError("'" + text + "' is not a number");
    break;
  }
  if (!std::isfinite(v)) throw EConvertError("'" + text + "' is not a finite number");
  return v;
}

bool GisHeaderKeyValue(const std::string& line, std::string& key, std::string& value) {
  key.clear();
  value.clear();
  std::size_t at = 0;
  auto token = [&](std::string& out) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\r'))
      ++at;
    while (at < line.size() && line[at] != ' ') {
      if (line[at] != '\r') out += line[at];
      ++at;
    }
  };
  token(key);
  token(value);
  key = UpperCase(key);
  value = UpperCase(value);
  return !key.empty();
}

bool TGIS_GridHeader::Apply(const std::string& key, const std::string& value,
                            TGIS_HeaderDecimal cellSizeDecimal) {
  const TGIS_HeaderDecimal decimal = TGIS_HeaderDecimal::DotOrComma;
  auto integer = [&](int& out) {
    Integer v = 0;
    if (!TryStrToInt(value, v)) throw EConvertError("'" + value + "' is not an integer");
    out = v;
  };
  if (key == "NCOLS") {
    integer(Columns);
  } else if (key == "NROWS") {
    integer(Rows);
  } else if (key == "XLLCORNER") {
    CornerX = GisHeaderNumber(value, decimal);
  } else if (key == "YLLCORNER") {
    CornerY = GisHeaderNumber(value, decimal);
  } else if (key == "XLLCENTER") {
    CentreX = GisHeaderNumber(value, decimal);
    HasCentre = true;
  } else if (key == "YLLCENTER") {
    CentreY = GisHeaderNumber(value, decimal);
    HasCentre = true;
  } else if (key == "CELLSIZE") {
    CellSize = GisHeaderNumber(value, cellSizeDecimal);
  } else if (key == "NODATA_VALUE") {
    NoData = GisHeaderNumber(value, decimal);
    HasNoData = true;
  } else if (key == "BYTEORDER") {
    MsbFirst = SameText(value, "MSBFIRST");
  } else {
    return false;
  }
  Any = true;
  return true;
}

bool TGIS_GridHeader::IsKeyword(const std::string& key) {
  static const char* const keys[] = {"NCOLS",     "NROWS",     "XLLCORNER", "YLLCORNER",   "XLLCENTER",
                                     "YLLCENTER", "CELLSIZE", "NODATA_VALUE", "BYTEORDER"};
  for (const char* k : keys)
    if (key == k) return true;
  return false;
}

void GisReadGridHeader(const std::string& path, TGIS_HeaderDecimal cellSizeDecimal,
                       TGIS_GridHeader& header) {
  TFileStream f(path, fmOpenRead | fmShareDenyNone);
  // a header is a few lines: more than 64 kB is not one
  const std::int64_t size = std::min<std::int64_t>(f.Size(), 65536);
  std::string text(std::size_t(size), '\0');
  if (size > 0) f.ReadBuffer(text.data(), size);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    std::string key, value;
    if (!GisHeaderKeyValue(line, key, value)) break;
    if (header.Apply(key, value, cellSizeDecimal)) continue;
    const char c = key[0];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) break;
  }
}

int GisWalkScaledColumns(int first, int total, double scale, int count,
                         const std::function<void(int)>& take) {
  if (!(scale > 0) || count <= 0) return 0;
  double acc = scale / 2;
  int got = 0;
  for (int c = std::max(first, 0); c < total && got < count; ++c) {
    acc += scale;
    if (acc >= 1) {
      acc -= 1;
      take(c);
      ++got;
    }
  }
  return got;
}

bool GisGridFits(std::int64_t size, std::int64_t header, std::int64_t columns, std::int64_t rows,
                 std::int64_t bytes) {
  if (columns <= 0 || rows <= 0 || bytes <= 0 || header < 0 || size < header) return false;
  const std::int64_t room = (size - header) / bytes;
  return columns <= room && rows <= room / columns;
}

bool GisGridCellValue(const std::vector<std::vector<float>>* grid, int column, int row,
                      float noData, std::vector<double>& values) {
  if (grid == nullptr || row < 0 || row >= int(grid->size()) || column < 0 ||
      column >= int((*grid)[std::size_t(row)].size()))
    return false;
  const float v = (*grid)[std::size_t(row)][std::size_t(column)];
  if (values.empty()) values.resize(1);
  values[0] = v;
  return v != noData;
}

int TGIS_ColumnReadScale::RowFromBottom(int row, int height) const {
  const double r = height - Round(std::clamp(row / Value, -2e9, 2e9)) - 1;
  return int(std::clamp(r, 0.0, double(std::max(height - 1, 0))));
}

int GisPutGridValues(TGIS_LayerPixel& layer, std::uint8_t* buffer, const float* values, int count) {
  const float noData = layer.NoDataValue();
  for (int i = 0; i < count; ++i)
    layer.PutGridPixel(buffer + 3 * i, values[i], values[i] == noData || std::isnan(values[i]));
  return std::max(count, 0) * 3;
}

const std::vector<std::vector<float>>& GisGridOrEmpty(const std::vector<std::vector<float>>* grid) {
  static const std::vector<std::vector<float>> empty;
  return grid != nullptr ? *grid : empty;
}

double TGIS_LayerColumnGrid::GetOverviewScale(double wanted, double available) {
  return scale_.Choose(wanted, available);
}

bool TGIS_LayerColumnGrid::GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) {
  return scale_.AtFullScale([&] { return TGIS_LayerPixel::GetGrid(extent, grid); });
}

void TGIS_LayerColumnGrid::ReadValueBytes(std::int64_t offset, void* buffer, std::int64_t n) {
  if (!fileStream_) WakeUp();
  if (!fileStream_ || !GisReadExactly(*fileStream_, fileSize_, offset, buffer, n))
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
}
