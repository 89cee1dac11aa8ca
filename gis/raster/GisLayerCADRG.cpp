// TGIS_LayerCADRG and its children.
#include "gis/raster/GisLayerCADRG.h"

#include <algorithm>
#include <cstring>

#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

double CadrgScale(const std::string& scaleText, const TGIS_RPFRectangle& r, int productKind) {
  static const std::pair<const char*, double> table[] = {
      {"1:5M", 5000000}, {"1:1M", 1000000}, {"1:500K", 500000}, {"1:250K", 250000},
      {"1:100K", 100000}, {"1:50K", 50000}, {"1:25K", 25000},   {"10M", 10},
      {"5M", 5},          {"1M", 1}};
  const std::string s = UpperCase(Trim(scaleText));
  for (const auto& [text, value] : table)
    if (s == text) return value;
  return productKind == 1 ? r.HorizontalResolution : 1000000000.0;
}

} // namespace

// ---- T_LayerCADRG_Child -------------------------------------------------------------------

T_LayerCADRG_Child::T_LayerCADRG_Child(TGIS_FileCADRGDecoder* decoder, TGIS_LayerCADRG* parent,
                                       int rectangle)
    : decoder_(decoder), parent_(parent), rectangle_(rectangle) {}

void T_LayerCADRG_Child::Open() {
  const TGIS_RPFRectangle& r = decoder_->Rectangles()[std::size_t(rectangle_)];
  const std::int64_t h = std::int64_t(r.FramesNS) * TGIS_FileCADRGDecoder::kFrameSide;
  const std::int64_t w = std::int64_t(r.FramesEW) * TGIS_FileCADRGDecoder::kFrameSide;
  // sizes whose bytes a row count cannot hold are damage
  if (h <= 0 || w <= 0 || h > 0x7FFFFFFF || w * 3 > 0x7FFFFFFF)
    throw EReadError("bad frame counts");
  height_ = int(h);
  width_ = int(w);
  bitsPerPixel_ = outBitsPerPixel_ = 24;
  lineBytes_ = outLineBytes_ = width_ * 3;
  ResetPictureHeader(24);
  info_.Info.bmiHeader.biSize = 40;
  SetExtent(GisExtent(r.NWLongitude, r.SWLatitude, r.NELongitude, r.NWLatitude));
  scale_ = CadrgScale(r.Scale, r, decoder_->ProductKind());
  TGIS_LayerPixel::Open();
}

int T_LayerCADRG_Child::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  const auto& t = decoder_->TransparentColor();
  for (int i = 0; i + 2 < count; i += 3)
    buffer[i] = t[2], buffer[i + 1] = t[1], buffer[i + 2] = t[0];
  if (row < 0 || row >= height_ || offset < 0 || count <= 0) return 0;
  constexpr int side = TGIS_FileCADRGDecoder::kFrameSide;
  const TGIS_RPFRectangle& r = decoder_->Rectangles()[std::size_t(rectangle_)];
  const int frameRow = int(r.FramesNS) - row / side - 1; // the index counts rows from the south
  int column = offset / (side * 3);
  int first = (offset / 3) % side;
  int written = 0;
  try {
    while (written < count && column < int(r.FramesEW)) {
      const int frame = decoder_->FindFrame(rectangle_, frameRow, column);
      const int want = std::min(count - written, (side - first) * 3);
      if (frame >= 0)
        decoder_->DecodeFrameRow(frame, row % side, buffer + written, want, first);
      written += want;
      ++column;
      first = 0;
    }
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, parent_ ? parent_->Path() : path_, 0);
  }
  return std::min(written, count);
}

// ---- TGIS_LayerCADRG ----------------------------------------------------------------------

TGIS_LayerCADRG::TGIS_LayerCADRG() {
  capabilities_ |= GIS_CAPABILITY_OWN_FILE;
}

TGIS_LayerCADRG::~TGIS_LayerCADRG() {
  children_.clear();
  decoder_.reset();
}

void TGIS_LayerCADRG::Open() {
  try {
    decoder_ = std::make_unique<TGIS_FileCADRGDecoder>(path_);
    children_.clear();
    bool first = true;
    TGIS_Extent all = GisExtent(0, 0, 0, 0);
    const auto& rects = decoder_->Rectangles();
    for (std::size_t i = 0; i < rects.size(); ++i) {
      if (!(rects[i].NWLatitude >= -180 && rects[i].NWLatitude <= 180)) continue;
      auto child = std::make_unique<T_LayerCADRG_Child>(decoder_.get(), this, int(i));
      child->Open();
      all = first ? child->Extent() : GisExtentUnion(all, child->Extent());
      first = false;
      children_.push_back(std::move(child));
    }
    std::stable_sort(children_.begin(), children_.end(), [](const auto& a, const auto& b) {
      return a->ScaleDenominator() > b->ScaleDenominator();
    });
    SetExtent(all);
    if (!children_.empty()) {
      width_ = children_.front()->Width();
      height_ = children_.front()->Height();
      readWidth_ = width_;
      readHeight_ = height_;
    }
  } catch (const Exception&) {
    children_.clear();
    decoder_.reset();
    throw EGIS_Exception(GIS_RS_ERR_FILEREAD, path_, 0);
  }
  opened_ = true;
  SetFileInfo("CADRG - Compressed ARC Digitized Raster Graphics (TOC)\r\n"
              "Frames decoded by the system's own RPF reader");
}

void TGIS_LayerCADRG::LoadConfig() {
  TGIS_LayerPixel::LoadConfig();
  TStringList& zones = PixelParams().TransparentZone();
  if (zones.Count() == 0 && decoder_) {
    const auto& t = decoder_->TransparentColor();
    const std::string c = Format("$00%.2X%.2X%.2X", {int(t[0]), int(t[1]), int(t[2])});
    zones.Add(c + "," + c);
  }
}

std::vector<T_LayerCADRG_Child*> TGIS_LayerCADRG::ChildrenInView() {
  std::vector<T_LayerCADRG_Child*> out;
  if (!viewer_) return out;
  const TGIS_Extent visible = viewer_->GetVisibleExtent();
  for (auto& c : children_) {
    if (!GisIsExtentIntersecting(c->Extent(), visible)) continue;
    c->SetViewer(viewer_);
    c->PixelParams().Assign(PixelParams());
    out.push_back(c.get());
  }
  return out;
}

bool TGIS_LayerCADRG::DrawDefault() {
  bool drawn = false;
  for (T_LayerCADRG_Child* c : ChildrenInView()) {
    drawn = c->DrawDefault() || drawn;
    c->SetViewer(nullptr);
  }
  return drawn;
}

void TGIS_LayerCADRG::SetGridMode(bool on) {
  if (on == isGrid_) return;
  isGrid_ = on;
  if (on) {
    minValue_ = 0;
    maxValue_ = 255;
  }
  for (auto& c : children_)
    c->SetGridMode(on);
}

bool TGIS_LayerCADRG::Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
                             std::vector<double>& values) {
  if (point.X < extent_.XMin || point.X > extent_.XMax || point.Y < extent_.YMin ||
      point.Y > extent_.YMax)
    return false;
  bool answer = false;
  for (T_LayerCADRG_Child* c : ChildrenInView()) {
    answer = c->Locate(point, rgb, transparent, values);
    c->SetViewer(nullptr);
  }
  return answer;
}

bool TGIS_LayerCADRG::GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) {
  bool answer = false;
  for (T_LayerCADRG_Child* c : ChildrenInView()) {
    answer = c->GetGrid(extent, grid) || answer;
    c->SetViewer(nullptr);
  }
  return answer;
}

bool TGIS_LayerCADRG::GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap) {
  if (decoder_) {
    const auto& t = decoder_->TransparentColor();
    for (int y = 0; y < bitmap.Height() && bitmap.PixelFormat() == pf24bit; ++y) {
      std::uint8_t* row = bitmap.ScanLine(y);
      for (int x = 0; x < bitmap.Width(); ++x)
        row[3 * x] = t[2], row[3 * x + 1] = t[1], row[3 * x + 2] = t[0];
    }
  }
  bool answer = false;
  for (T_LayerCADRG_Child* c : ChildrenInView()) {
    answer = c->GetBitmap(extent, bitmap) || answer;
    c->SetViewer(nullptr);
  }
  return answer;
}

int TGIS_LayerCADRG::ReadLine(std::uint8_t* buffer, int row, int count, int offset) {
  // the first (coarsest) child's rows stand for the layer's own
  if (children_.empty()) return 0;
  return children_.front()->ReadLine(buffer, row, count, offset);
}
