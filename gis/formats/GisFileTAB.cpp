#include "gis/formats/GisFileTAB.h"
#include "gis/viewer/GisRegistredLayers.h"

#include <climits>
#include <cmath>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {

bool StartsWith(const std::string& line, const char* keyword) {
  return UpperCase(line).rfind(UpperCase(keyword), 0) == 0;
}

/// A control point: map position and image position.
struct TControlPoint {
  double X = 0, Y = 0;
  Int64 Column = 0, Row = 0;
};

} // namespace

TGIS_FileTAB::TGIS_FileTAB(const std::string& path)
    : path_(path), headerLines_(std::make_unique<TStringList>()),
      itemLines_(std::make_unique<TStringList>()), codePage_(GetACP()) {}

TGIS_FileTAB::~TGIS_FileTAB() = default;

void TGIS_FileTAB::StructureError(int line) const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, path_, line);
}

std::string TGIS_FileTAB::TakeLine() {
  std::string line = headerLines_->Get(0);
  headerLines_->Delete(0);
  lastLine_ = nextLine_++;
  return line;
}

std::int32_t TGIS_FileTAB::Parse() {
  tableType_ = gisTabNative;
  headerLines_->LoadFromFile(path_); // a missing file raises the runtime's error
  for (int i = 0; i < headerLines_->Count(); ++i)
    headerLines_->Put(i, Trim(headerLines_->Get(i)));
  nextLine_ = 1;
  lastLine_ = 0;
  try {
    SkipPreamble();
    while (headerLines_->Count() > 0) {
      const std::string line = TakeLine();
      if (StartsWith(line, "File")) {
        TGIS_Tokenizer t;
        t.Execute(line, " ", true);
        rasterFile_ = t.Result().Count() > 1 ? t.Result().Get(1) : std::string();
      } else if (StartsWith(line, "Type")) {
        ParseTypeLine(line);
        if (tableType_ == gisTabNative || tableType_ == gisTabDbf)
          ReadFieldLines();
        else if (tableType_ == gisTabRaster)
          ReadControlPointLines();
      } else if (StartsWith(line, "FIELDS:")) {
        headerLines_->Insert(0, line);
        --nextLine_;
        ReadFieldLines();
      } else if (StartsWith(line, "CoordSys")) {
        coordSysLine_ = line;
      }
    }
  } catch (const EGIS_Exception&) {
    throw;
  } catch (const Exception&) {
    StructureError(lastLine_);
  }
  return tableType_;
}

void TGIS_FileTAB::SkipPreamble() {
  while (headerLines_->Count() > 0) {
    if (StartsWith(headerLines_->Get(0), "FIELDS:")) return;
    const std::string line = TakeLine();
    if (StartsWith(line, "Definition Table")) return;
  }
}

void TGIS_FileTAB::ParseTypeLine(const std::string& line) {
  tableType_ = gisTabUnknown;
  TGIS_Tokenizer t;
  t.Execute(UpperCase(line), " ", true);
  const TStringList& r = t.Result();
  if (r.Count() >= 2) {
    const std::string kind = r.Get(1);
    tableType_ = kind == "NATIVE"   ? gisTabNative
                 : kind == "DBF"    ? gisTabDbf
                 : kind == "RASTER" ? gisTabRaster
                                    : gisTabUnknown;
  }
  if (r.Count() >= 4) {
    const std::string charset = r.Get(3);
    if (charset == "WINDOWSLATIN1") codePage_ = 1252;
    if (charset == "WINDOWSLATIN2") codePage_ = 1250;
  }
}

void TGIS_FileTAB::ReadFieldLines() {
  itemLines_->Clear();
  if (headerLines_->Count() == 0) return;
  const std::string line = TakeLine();
  TGIS_Tokenizer t;
  t.Execute(UpperCase(line), " :", false);
  if (t.Result().Count() < 2) return;
  const std::string count = t.Result().Get(1);
  if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos ||
      count.size() > 9)
    return;
  firstItemLine_ = lastLine_;
  const int n = int(StrToInt(count));
  for (int i = 0; i < n && headerLines_->Count() > 0; ++i)
    itemLines_->Add(TakeLine());
}

void TGIS_FileTAB::ReadControlPointLines() {
  itemLines_->Clear();
  firstItemLine_ = lastLine_;
  while (headerLines_->Count() > 0 && headerLines_->Get(0).rfind("(", 0) == 0)
    itemLines_->Add(TakeLine());
}

void TGIS_FileTAB::ApplyRasterRegistration(TGIS_LayerPixel& layer) {
  Int64 minCol = INT_MAX, minRow = INT_MAX, maxCol = -INT_MAX, maxRow = -INT_MAX;
  double xMinCol = 0, xMaxCol = 0, yMinRow = 0, yMaxRow = 0;
  TControlPoint p;
  const int count = itemLines_->Count();
  for (int i = 0; i < count; ++i) {
    const int lineNo = firstItemLine_ + 1 + i;
    // The first character of an item line is skipped; an empty line gives
    // no item text.
    const std::string line = itemLines_->Get(i);
    const std::string text = line.empty() ? std::string() : line.substr(1, 1024);
    TGIS_Tokenizer t;
    t.Execute(text, " (),", true);
    const TStringList& r = t.Result();
    try {
      if (r.Count() > 0) p.X = GisStrToFloat(r.Get(0));
      if (r.Count() > 1) p.Y = GisStrToFloat(r.Get(1));
      if (r.Count() > 2) p.Column = checkedRound(GisStrToFloat(r.Get(2)));
      if (r.Count() > 3) p.Row = checkedRound(GisStrToFloat(r.Get(3)));
    } catch (const Exception&) {
      StructureError(lineNo);
    }
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) StructureError(lineNo);
    if (p.Column < minCol) minCol = p.Column, xMinCol = p.X;
    if (p.Column > maxCol) maxCol = p.Column, xMaxCol = p.X;
    if (p.Row < minRow) minRow = p.Row, yMinRow = p.Y;
    if (p.Row > maxRow) maxRow = p.Row, yMaxRow = p.Y;
  }
  itemLines_->Clear();
  if (count == 0) {
    layer.SetExtent(TGIS_Extent{0, 0, 0, 0});
    return;
  }
  if (maxCol == minCol || maxRow == minRow) StructureError(firstItemLine_ + count);
  const double w = layer.Width(), h = layer.Height();
  if (w <= 0 || h <= 0) StructureError(firstItemLine_ + count);
  const double mapWidth = w / double(maxCol - minCol) * (xMaxCol - xMinCol);
  const double mapHeight = h / double(maxRow - minRow) * (yMaxRow - yMinRow);
  TGIS_Extent e;
  e.XMin = xMinCol - (double(minCol) / w) * mapWidth;
  e.XMax = e.XMin + mapWidth;
  e.YMax = yMinRow - (double(minRow) / h) * mapHeight;
  e.YMin = e.YMax + mapHeight;
  layer.SetExtent(e);
}

void GisRegisterRasterRegistration() {
  GisSetRasterRegistrationReader([](const std::string& path, TGIS_LayerPixel& layer) {
    TGIS_FileTAB tab(path);
    if (tab.Parse() != gisTabRaster) return false;
    tab.ApplyRasterRegistration(layer);
    return true;
  });
  TGIS_RegistredLayers::Hooks().TabParse = [](const std::string& tabPath, std::string& imageName) {
    TGIS_FileTAB tab(tabPath);
    const std::int32_t type = tab.Parse();
    if (type == gisTabRaster) imageName = tab.RasterFile();
    return static_cast<int>(type);
  };
}
