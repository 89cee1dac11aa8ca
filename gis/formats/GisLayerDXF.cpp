// TGIS_LayerDXF: the open, the section walk, the tables, the drawing-layer
// and style rules, extended data and block inserts.
#include "gis/formats/GisLayerDXF.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <vector>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisLayerDXFReader.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

constexpr char DXF_DESCRIPTION_START[] = "Autocad Export (";
/// Deepest nesting of block inserts that is expanded.
constexpr int MAX_BLOCK_DEPTH = 32;
/// Items read inside blocks: at least this many, else 20 per item of the file.
constexpr std::int64_t MIN_BLOCK_BUDGET = 10000000;

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ')
      ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ')
      ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

/// The linetype class of a description: 0 solid, 1 dash, 2 dash-dot,
/// 3 dash-dot-dot, 4 dot.
int LineTypeClass(const std::string& description) {
  const auto w = Words(description);
  int cls = 0;
  if (w.empty()) return cls;
  if ((w[0] == "Dash" || w[0] == "Dashed") && w.size() >= 2) cls = w[1] == "dot" ? 2 : 1;
  if (w[0][0] == '_') cls = 2;
  if (w[0] == "Hidden" || w[0][0] == '.') cls = 4;
  if (w[0] == "ISO" && w.size() >= 3 && (w[1] == "long-dash" || w[1] == "dash"))
    cls = w[2] == "dot" ? 2 : w[2] == "double-dot" ? 3 : 1;
  return cls;
}

template <class List> void AddFirst(List& list, const std::string& name, int value) {
  list.emplace(name, value); // an existing entry wins
}

} // namespace

bool TGIS_DxfNameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) <
           std::toupper(static_cast<unsigned char>(y));
  });
}

// ---- the reader: walk, header, tables ---------------------------------------------------

TGIS_LayerDXF::TReader::TReader(TGIS_LayerDXF& layer, const std::uint8_t* data,
                                std::int64_t size, const std::string& path)
    : layer_(layer), g_(data, size, path), path_(path) {
  header_ = GisEmptyExtent3D();
  if (layer_.viewer_ != nullptr) background_ = ColorToRGB(layer_.viewer_->Color());
  blockBudget_ = std::max<std::int64_t>(MIN_BLOCK_BUDGET, 20 * (size / 4));
}

void TGIS_LayerDXF::TReader::Next() {
  const std::int64_t before = g_.Items();
  g_.Read();
  if (depth_ > 0) {
    blockItems_ += g_.Items() - before;
    // Inserts multiply their blocks' contents: past the budget the drawing is refused.
    if (blockItems_ > blockBudget_) g_.Fail();
  }
  if (g_.Items() >= nextShake_) {
    nextShake_ = g_.Items() + 5000;
    if (layer_.viewer_ != nullptr) {
      bool abort = false;
      layer_.viewer_->BusyShake(&layer_, int(g_.Position() >> 10), int(g_.Size() >> 10), abort);
    }
  }
}

std::string TGIS_LayerDXF::TReader::LayerValue() const {
  const int from = layer_.GetCodePage(), to = layer_.GetOutCodePage();
  return from != to ? GisConvertCodePage(g_.Text(), from, to) : g_.Text();
}

void TGIS_LayerDXF::TReader::Run() {
  // A shape being built when the drawing fails stays, unlocked.
  auto unlock = ScopeExit([&] {
    if (shape_ != nullptr) shape_->Unlock();
    shape_ = nullptr;
  });
  Next();
  Walk();
  // The filter: the visibility list when nothing was asked, with layer "0".
  if (layer_.layerFilter_.empty()) layer_.layerFilter_ = layer_.layerVisibility_;
  if (!layer_.layerFilter_.empty()) AddFirst(layer_.layerFilter_, "0", 1);
  if (g_.Is(2, "ENTITIES")) {
    Next();
    while (!g_.EndOfData() && !g_.Is(0, "EOF")) {
      if (g_.Code() == 0 && ReadEntity(false)) continue;
      Next();
    }
  }
  ClipToHeader();
  if (layer_.layerVisibility_.empty())
    for (int i = 0; i < layer_.ShapeCount(); ++i) {
      const Variant v = layer_.ShapeAt(i)->GetField("DXF_LAYER");
      if (!v.IsNull() && !v.IsEmpty()) AddFirst(layer_.layerVisibility_, v.AsString(), 1);
    }
}

void TGIS_LayerDXF::TReader::Walk() {
  while (!g_.EndOfData() && !g_.Is(0, "EOF")) {
    if (g_.Is(2, "ENTITIES")) return;
    if (g_.Is(9, "$ACADVER")) {
      ReadVersion();
    } else if (g_.Is(2, "TABLES")) {
      ReadTables();
      continue; // on the group that ended the tables
    } else if (g_.Is(0, "BLOCK")) {
      RegisterBlock();
    } else if (g_.Is(9, "$EXTMIN") || g_.Is(9, "$EXTMAX")) {
      ReadExtentCorner(g_.Is(9, "$EXTMAX"));
      continue; // on the group that ended the corner
    }
    Next();
  }
}

void TGIS_LayerDXF::TReader::ReadVersion() {
  Next();
  const std::string v = g_.Text();
  version_ = v == "AC1006"   ? "R10"
             : v == "AC1009" ? "R11 or R12"
             : v == "AC1012" ? "R13"
             : v == "AC1014" ? "R14"
             : v == "AC1015" ? "AutoCAD 2000"
             : v == "AC1018" ? "AutoCAD 2004"
                             : "Unknown";
  if (g_.IsBinary()) version_ += " binary";
}

void TGIS_LayerDXF::TReader::ReadExtentCorner(bool maximum) {
  // A corner ends at the next variable or section group, so a corner
  // without Z leaves the next one alone.
  Next();
  while (!g_.EndOfData() && g_.Code() != 0 && g_.Code() != 9) {
    double* x = maximum ? &header_.XMax : &header_.XMin;
    double* y = maximum ? &header_.YMax : &header_.YMin;
    double* z = maximum ? &header_.ZMax : &header_.ZMin;
    if (g_.Code() == 10) *x = g_.Double();
    if (g_.Code() == 20) *y = g_.Double();
    if (g_.Code() == 30) *z = g_.Double();
    if (g_.Code() == 10 || g_.Code() == 20 || g_.Code() == 30) (maximum ? haveMax_ : haveMin_) = true;
    Next();
  }
}

void TGIS_LayerDXF::TReader::RegisterBlock() {
  TBlock block;
  block.Position = g_.Position();
  std::string name;
  bool haveName = false, inHeader = true;
  Next();
  while (!g_.EndOfData() && !g_.Is(0, "ENDBLK") && !g_.Is(1, "ENDBLK")) {
    if (g_.Code() == 0) inHeader = false;
    if (g_.Code() == 2 && !haveName) {
      name = g_.Text();
      haveName = true;
    }
    if (inHeader && g_.Code() == 10) block.Base.X = g_.Double();
    if (inHeader && g_.Code() == 20) block.Base.Y = g_.Double();
    if (inHeader && g_.Code() == 30) block.Base.Z = g_.Double();
    Next();
  }
  if (haveName) blocks_.emplace(name, block);
}

void TGIS_LayerDXF::TReader::ReadTables() {
  Next();
  while (!g_.EndOfData() && !g_.Is(0, "SECTION")) {
    if (g_.Is(0, "LAYER")) {
      ReadLayerEntry();
    } else if (g_.Is(0, "LTYPE")) {
      ReadLineTypeEntry();
      continue; // on the code-0 group that ended the entry
    }
    Next();
  }
}

void TGIS_LayerDXF::TReader::ReadLayerEntry() {
  // One pass over the table's entries; values carry over from entry to entry.
  std::string name;
  int colour = 0, visible = 1, cls = 0, weight = 0;
  Next();
  while (!g_.EndOfData() && !g_.Is(0, "ENDTAB")) {
    int v = 0;
    switch (g_.Code()) {
    case 2:
      name = g_.Text();
      break;
    case 62:
      if (g_.TryIntNonEmpty(v)) {
        colour = v;
        AddFirst(layerColors_, name, colour);
      }
      break;
    case 70:
      if (g_.TryIntNonEmpty(v)) {
        visible = v == 65 || v == 1 ? 0 : 1;
        AddFirst(layer_.layerVisibility_, name, visible);
      }
      break;
    case 6:
      if (!g_.Text().empty()) {
        auto it = lineTypes_.find(g_.Text());
        if (it != lineTypes_.end()) cls = it->second;
        AddFirst(layerLineTypes_, name, cls);
      }
      break;
    case 370:
      if (g_.TryIntNonEmpty(v)) {
        weight = v;
        AddFirst(layerWeights_, name, weight);
      }
      break;
    default:
      break;
    }
    Next();
  }
}

void TGIS_LayerDXF::TReader::ReadLineTypeEntry() {
  // The entry ends at any code-0 group, so one without a pattern count
  // leaves the rest of the file alone.
  std::string name, description;
  int count = 0;
  bool pattern = false;
  Next();
  while (!g_.EndOfData() && g_.Code() != 0) {
    if (!pattern && g_.Code() == 2) name = g_.Text();
    if (!pattern && g_.Code() == 3) description = g_.Text();
    if (!pattern && g_.Code() == 73) {
      count = g_.Int();
      pattern = true; // the pattern's groups follow and are not used
    }
    Next();
  }
  if (!pattern) return;
  AddFirst(lineTypes_, name, !name.empty() && count > 0 ? LineTypeClass(description) : 0);
}

void TGIS_LayerDXF::TReader::ClipToHeader() {
  if (!layer_.clipToHeader_ || !haveMin_ || !haveMax_) return;
  const TGIS_Extent box{header_.XMin, header_.YMin, header_.XMax, header_.YMax};
  if (GisIsEmptyExtent(box)) return;
  layer_.SetExtent(box);
  for (int i = layer_.ShapeCount() - 1; i >= 0; --i)
    if (!GisIsExtentIntersecting(layer_.ShapeAt(i)->GetExtentRaw(), box)) layer_.RevertShape(layer_.ShapeAt(i)->Uid());
}

// ---- drawing layers and styles ------------------------------------------------------------

bool TGIS_LayerDXF::TReader::AcceptLayer(const std::string& name) {
  auto v = layer_.layerVisibility_.find(name);
  if (v == layer_.layerVisibility_.end()) {
    layer_.layerVisibility_.emplace(name, 1);
    return true;
  }
  auto f = layer_.layerFilter_.find(name);
  if (f != layer_.layerFilter_.end()) return f->second == 1;
  return v->second != 0;
}

bool TGIS_LayerDXF::TReader::IsLayerHidden(const std::string& name) {
  auto v = layer_.layerVisibility_.find(name);
  if (v == layer_.layerVisibility_.end() || v->second == 1) return false;
  auto f = layer_.layerFilter_.find(name);
  return f != layer_.layerFilter_.end() && f->second != 1;
}

TGIS_ParamsSectionVector& TGIS_LayerDXF::TReader::Own() {
  if (!shape_->HasOwnParams()) shape_->UseOwnParams(true);
  return *shape_->GetOwnSection();
}

void TGIS_LayerDXF::TReader::ApplyColor(const std::string& name, int index) {
  if (shape_ == nullptr) return;
  if (!name.empty()) {
    auto it = layerColors_.find(name);
    if (it != layerColors_.end()) index = it->second;
  } else if (index == 256) {
    return; // by layer: what the drawing layer gave stays
  }
  if (static_cast<std::uint32_t>(index) >= 256) {
    shape_->SetIsHidden(true); // a switched-off drawing layer
    return;
  }
  const auto& rgb = DxfPalette()[std::size_t(index)];
  int r = rgb[0], g = rgb[1], b = rgb[2];
  const int br = int(background_ & 0xFF), bg = int((background_ >> 8) & 0xFF),
            bb = int((background_ >> 16) & 0xFF);
  if (std::abs(br - r) < 16 && std::abs(bg - g) < 16 && std::abs(bb - b) < 16)
    r ^= br, g ^= bg, b ^= bb;
  const std::uint32_t colour = GisColorRGB(r, g, b);
  TGIS_ParamsSectionVector& p = Own();
  switch (shape_->ShapeType()) {
  case gisShapeTypeArc:
    p.GetLine().SetColor(colour);
    break;
  case gisShapeTypePolygon:
    p.GetArea().SetOutlineColor(colour);
    p.GetArea().SetColor(colour);
    break;
  default:
    p.GetMarker().SetColor(colour);
    p.GetLabel().SetColor(colour);
    p.GetLabel().Font().Color = GisNonBlackColor(colour);
    break;
  }
  p.GetLine().SetStyle(psSolid);
  ApplyLineType(name);
  if (!name.empty()) ApplyLayerWeight(name);
}

void TGIS_LayerDXF::TReader::ApplyLineType(const std::string& name) {
  if (shape_ == nullptr) return;
  int cls = 0;
  auto it = lineTypes_.find(name);
  if (it != lineTypes_.end()) {
    cls = it->second;
  } else {
    auto lt = layerLineTypes_.find(name);
    if (lt != layerLineTypes_.end()) cls = lt->second;
  }
  const TPenStyle style = cls == 1   ? psDash
                          : cls == 2 ? psDashDot
                          : cls == 3 ? psDashDotDot
                          : cls == 4 ? psDot
                                     : psSolid;
  if (shape_->ShapeType() == gisShapeTypeArc)
    Own().GetLine().SetStyle(style);
  else if (shape_->ShapeType() == gisShapeTypePolygon)
    Own().GetArea().SetOutlineStyle(style);
}

void TGIS_LayerDXF::TReader::ApplyLayerWeight(const std::string& name) {
  auto it = layerWeights_.find(name);
  // By-layer, by-block and default weights (negative) draw as 1, like none.
  ApplyWeight(it == layerWeights_.end() || it->second <= 0 ? 1 : it->second);
}

void TGIS_LayerDXF::TReader::ApplyWeight(int width) {
  if (shape_ == nullptr) return;
  if (shape_->ShapeType() == gisShapeTypeArc)
    Own().GetLine().SetWidth(width);
  else if (shape_->ShapeType() == gisShapeTypePolygon)
    Own().GetArea().SetOutlineWidth(width);
}

void TGIS_LayerDXF::TReader::ReadXData() {
  // Entered on (1001, "ADE"); ends after (1002, "}") or on the first group
  // that is no extended data (left for the caller).
  Next();
  while (!g_.EndOfData() && g_.Code() >= 1000) {
    if (g_.Is(1002, "}")) {
      Next();
      return;
    }
    if (g_.Code() == 1001) return; // another application's data
    if (g_.Code() == 1000 && shape_ != nullptr) {
      const std::string text = g_.Text();
      const std::size_t eq = text.find('=');
      if (eq != std::string::npos && eq > 0) {
        const std::string name = text.substr(0, eq);
        try {
          if (layer_.FindField(name) < 0) layer_.AddFieldEx(name, gisFieldTypeString, 1, 0, true, 0);
          const int from = layer_.GetCodePage(), to = layer_.GetOutCodePage();
          const std::string value = text.substr(eq + 1);
          shape_->SetField(name, from != to ? GisConvertCodePage(value, from, to) : value);
        } catch (const Exception&) {
          // One value that cannot be stored does not end the drawing.
        }
      }
    }
    Next();
  }
}

// ---- transforms and inserts ---------------------------------------------------------------

void TGIS_LayerDXF::TReader::SetEntityOCS(const TGIS_DxfVec& extrusion) {
  entityT_ = DxfOcs(extrusion);
  if (depth_ > 0) entityT_ = DxfMultiply(entityT_, blockT_);
}

void TGIS_LayerDXF::TReader::AddPoint(const TGIS_DxfVec& p) {
  const TGIS_DxfVec t = Transform(p);
  shape_->AddPoint3D(TGIS_Point3D{t.X, t.Y, t.Z, 0});
}

void TGIS_LayerDXF::TReader::ReadInsert() {
  const TGIS_DxfMatrix outer = blockT_;
  auto restore = ScopeExit([&] { blockT_ = outer; });
  TGIS_DxfVec extrusion{0, 0, 1}, scale{1, 1, 1}, at{0, 0, 0};
  double rotation = 0;
  std::string name;
  Next();
  if (g_.Code() == 8 && !AcceptLayer(g_.Text())) return;
  while (!g_.EndOfData() && g_.Code() != 0) {
    switch (g_.Code()) {
    case 2: name = g_.Text(); break;
    case 10: at.X = g_.Double(); break;
    case 20: at.Y = g_.Double(); break;
    case 30: at.Z = g_.Double(); break;
    case 41: scale.X = g_.Double(); break;
    case 42: scale.Y = g_.Double(); break;
    case 43: scale.Z = g_.Double(); break;
    case 50: rotation = g_.Double() * M_PI / 180; break;
    case 210: extrusion.X = g_.Double(); break;
    case 220: extrusion.Y = g_.Double(); break;
    case 230: extrusion.Z = g_.Double(); break;
    default: break;
    }
    Next();
  }
  if (g_.Code() != 0) return; // the drawing ended inside the insert
  const std::int64_t resume = g_.Start();
  // The insert's own transform: the block's base point to the origin, then
  // scale, rotation, the insertion point and the insert's coordinate system.
  auto found = blocks_.find(name);
  if (found == blocks_.end()) return;
  const TBlock block = found->second;
  if (depth_ >= MAX_BLOCK_DEPTH) return;
  for (const std::string& open : blockStack_)
    if (!TGIS_DxfNameLess()(open, name) && !TGIS_DxfNameLess()(name, open)) return; // a cycle
  const TGIS_DxfMatrix own =
      DxfMultiply(DxfMultiply(DxfMultiply(DxfMultiply(DxfTranslation({-block.Base.X, -block.Base.Y,
                                                                      -block.Base.Z}),
                                                      DxfScale(scale)),
                                          DxfRotation(rotation)),
                              DxfTranslation(at)),
                  DxfOcs(extrusion));
  blockT_ = DxfMultiply(own, outer);
  ++depth_;
  blockStack_.push_back(name);
  auto leave = ScopeExit([&] {
    --depth_;
    blockStack_.pop_back();
  });
  g_.Seek(block.Position);
  Next();
  while (!g_.EndOfData() && !g_.Is(0, "ENDBLK")) {
    if (g_.Code() == 0 && ReadEntity(true)) continue;
    Next();
  }
  leave.Run();
  g_.Seek(resume);
  Next();
}

bool TGIS_LayerDXF::TReader::ReadEntity(bool inBlock) {
  const std::string_view n = g_.Raw();
  if (n == "POINT" || n == "LINE" || n == "ARC" || n == "SOLID") {
    ReadSimple(n == "POINT" ? "POINT" : n == "LINE" ? "LINE" : n == "ARC" ? "ARC" : "SOLID");
  } else if (n == "TEXT" || n == "MTEXT") {
    ReadText();
  } else if (n == "CIRCLE") {
    ReadCircle();
  } else if (n == "INSERT") {
    ReadInsert();
  } else if (n == "POLYLINE") {
    ReadPolyline();
  } else if (n == "LWPOLYLINE") {
    ReadLWPolyline();
  } else if (n == "HATCH") {
    ReadHatch();
  } else if (inBlock) {
    return false; // the remaining kinds are not read inside blocks
  } else if (n == "3DFACE") {
    ReadSimple("3DFACE");
  } else if (n == "SPLINE") {
    ReadSpline();
  } else if (n == "ELLIPSE") {
    ReadEllipse();
  } else if (n == "MPOLYGON") {
    ReadMPolygon();
  } else {
    return false;
  }
  return true;
}

// ---- the layer ---------------------------------------------------------------------------

TGIS_LayerDXF::TGIS_LayerDXF() {
  capabilities_ =
      GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT | GIS_CAPABILITY_READS_WHOLE;
  StyleSerials(serials_);
}

TGIS_LayerDXF::~TGIS_LayerDXF() = default;

void TGIS_LayerDXF::StyleSerials(std::int32_t (&out)[4]) {
  TGIS_ParamsSectionVector& p = GetParamsSection();
  out[0] = p.GetLine().Serial();
  out[1] = p.GetArea().Serial();
  out[2] = p.GetMarker().Serial();
  out[3] = p.GetLabel().Serial();
}

bool TGIS_LayerDXF::StyleUnchanged() {
  std::int32_t now[4];
  StyleSerials(now);
  return UseFileParams() && std::equal(now, now + 4, serials_);
}

void TGIS_LayerDXF::ResetShapeStyle(TGIS_Shape* shape) {
  if (shape == nullptr || !shape->HasOwnParams()) return;
  TGIS_ParamsSectionVector& p = *shape->GetOwnSection();
  if (p.GetLine().Serial() > serials_[0] || p.GetArea().Serial() > serials_[1] ||
      p.GetMarker().Serial() > serials_[2] || p.GetLabel().Serial() > serials_[3])
    shape->UseOwnParams(false);
}

void TGIS_LayerDXF::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                              bool skipDeleted, const std::string& de9im, TGIS_Shape* shape) {
  const bool unchanged = StyleUnchanged();
  if (!unchanged && styleUnchangedBefore_)
    for (int i = 0; i < ShapeCount(); ++i)
      ResetShapeStyle(ShapeAt(i));
  styleUnchangedBefore_ = unchanged;
  TGIS_LayerVector::MoveFirst(extent, query, skipDeleted, de9im, shape);
}

TGIS_Shape* TGIS_LayerDXF::GetShape(std::int32_t uid) {
  TGIS_Shape* shape = TGIS_LayerVector::GetShape(uid);
  if (!StyleUnchanged()) ResetShapeStyle(shape);
  return shape;
}

void TGIS_LayerDXF::Open() {
  TGIS_FileSet::Recover(path_);
  TGIS_LayerVector::Open();
  std::string version = "Unknown";
  if (!path_.empty()) {
    AddFieldEx("DXF_HANDLE", gisFieldTypeString, 1, 0, true, 0);
    AddFieldEx("DXF_TYPE", gisFieldTypeString, 1, 0, true, 0);
    AddFieldEx("DXF_LAYER", gisFieldTypeString, 1, 0, true, 0);
    AddFieldEx("DXF_ELEVATION", gisFieldTypeNumber, 18, 6, true, 0);
    AddFieldEx("DXF_LABEL", gisFieldTypeString, 1, 0, true, 0);
    AddFieldEx("DXF_LABEL_ANGLE", gisFieldTypeNumber, 5, 0, true, 0);
    AddFieldEx("DXF_COLOR", gisFieldTypeNumber, 5, 0, true, 0);
    AddFieldEx("DXF_WEIGHT", gisFieldTypeNumber, 5, 0, true, 0);
    AddFieldEx("DXF_LABEL_HEIGHT", gisFieldTypeNumber, 5, 0, true, 0);
    TGIS_MappedStream stream(path_, false, OnAfterRead, OnBeforeWrite);
    const std::int64_t size = stream.Size();
    std::vector<std::uint8_t> copy;
    const std::uint8_t* data = nullptr;
    if (size > 0 && !OnAfterRead) {
      data = stream.Peek(size);
    } else if (size > 0) {
      copy.resize(std::size_t(size));
      stream.Read(copy.data(), size);
      data = copy.data();
    }
    if (viewer_ != nullptr) viewer_->BusyPrepare(this);
    auto done = ScopeExit([&] {
      modified_ = false;
      if (viewer_ != nullptr) viewer_->BusyRelease(this);
    });
    TReader reader(*this, data, size, path_);
    try {
      reader.Run();
    } catch (const EGIS_Exception& e) {
      if (e.ErrorNumber() == 90) throw;
      reader.Groups().Fail();
    } catch (const Exception&) {
      reader.Groups().Fail();
    }
    version = reader.Version();
  }
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(std::string(DXF_DESCRIPTION_START) + version + " DXF)");
}

void GisRegisterLayerDXF() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerDXF", "Autocad Export (DXF)",
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerDXF>();
      });
}
