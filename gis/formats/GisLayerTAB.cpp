// TGIS_LayerTAB: opening the table, decoding object records, the cursor and
// direct access by row.
#include "gis/formats/GisLayerTAB.h"

#include <algorithm>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"

namespace {

constexpr char TAB_DESCRIPTION[] = "MapInfo Native Format (TAB/MAP)";
constexpr char TAB_LABEL[] = "TAB_LABEL";

/// The layer units of a ".map" distance units code; false leaves them as they are.
bool UnitsOfCode(int code, TGIS_UnitsType& type, double& custom) {
  custom = 0;
  switch (code) {
  case 0:
    custom = 1609.344;
    break;
  case 1:
    type = gisUnitsKilometer;
    return true;
  case 2:
    custom = 0.0254;
    break;
  case 3:
    type = gisUnitsFoot;
    return true;
  case 4:
    type = gisUnitsYardIndian;
    return true;
  case 5:
    custom = 0.001;
    break;
  case 6:
    custom = 0.01;
    break;
  case 7:
    type = gisUnitsMeter;
    return true;
  case 8:
    type = gisUnitsFootUS;
    return true;
  case 9:
    type = gisUnitsMileNautical;
    return true;
  case 10:
    custom = 0.0000176388888888888889;
    break;
  case 11:
    custom = 0.000351459803514598035;
    break;
  case 12:
    custom = 0.00421751764217517642;
    break;
  case 13:
    type = gisUnitsDegreeDecimal;
    return true;
  case 30: // link
    custom = 0.20116684023368047;
    break;
  case 31: // chain: a hundred links
    custom = 20.116684023368047;
    break;
  case 32:
    custom = 5.02921005842012;
    break;
  default:
    return false;
  }
  type = gisUnitsLinearCustom;
  return true;
}

} // namespace

TGIS_LayerTAB::TGIS_LayerTAB() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE;
  work_[0] = std::make_unique<TGIS_ShapePoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[1] =
      std::make_unique<TGIS_ShapeMultiPoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[2] = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[3] =
      std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false, -1);
}

TGIS_LayerTAB::~TGIS_LayerTAB() {
  CloseFiles();
}

void TGIS_LayerTAB::CloseFiles() {
  current_ = nullptr;
  dbf_.reset();
  id_.reset();
  map_.reset();
}

std::string TGIS_LayerTAB::GetTabFileName() const {
  return path_;
}

std::string TGIS_LayerTAB::GetMapFileName() const {
  return GisPathWithoutExt(path_) + ".map";
}

std::string TGIS_LayerTAB::GetDatFileName() const {
  return GisPathWithoutExt(path_) + ".dat";
}

std::string TGIS_LayerTAB::GetDbfFileName() const {
  return GisPathWithoutExt(path_) + ".dbf";
}

std::string TGIS_LayerTAB::GetIdFileName() const {
  return GisPathWithoutExt(path_) + ".id";
}

std::string TGIS_LayerTAB::GetIndexPath() const {
  return GisPathWithoutExt(path_) + ".RTREE";
}

std::string TGIS_LayerTAB::CompanionName(const std::string& extension) const {
  const std::string found = GisFindCompanionFile(path_, extension);
  return found.empty() ? GisPathWithoutExt(path_) + extension : found;
}

void TGIS_LayerTAB::Open() {
  CloseFiles();
  TGIS_LayerVector::Open();
  row_ = 1;
  memoryPhase_ = false;
  lastUid_ = -1;

  TGIS_FileTAB tab(GetTabFileName());
  tableType_ = tab.Parse();
  if (tableType_ == gisTabNative)
    dbf_ = std::make_unique<TGIS_FileDBF>(CompanionName(".dat"), nullptr, nullptr, false, *this);
  else if (tableType_ == gisTabDbf)
    dbf_ = std::make_unique<TGIS_FileDBF>(CompanionName(".dbf"), nullptr, nullptr, false, *this);
  else
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, GetTabFileName(), 0);
  tab.ReadFields(*this);
  SetCodePage(tab.CodePage());

  map_ = std::make_unique<TGIS_FileTAB_MAP>(CompanionName(".map"), false);
  map_->ReadHeader();
  SetExtent(map_->MapExtent());
  id_ = std::make_unique<TGIS_FileTAB_ID>(CompanionName(".id"), false);
  id_->Prepare();

  try {
    AddFieldEx(TAB_LABEL, gisFieldTypeString, 5, 0, false, 0);
  } catch (const EGIS_Exception&) {
    // The table has a field of that name already.
  }

  TGIS_UnitsType units = gisUnitsNone;
  double custom = 0;
  if (UnitsOfCode(map_->UnitsCode(), units, custom)) {
    if (custom != 0)
      Units().SetCustom(units, custom);
    else
      Units().SetType(units);
  }
  if (FileExists(GetTabFileName())) openTime_ = GisFileAge(GetTabFileName());
  SetInfoText(TAB_DESCRIPTION);
}

Variant TGIS_LayerTAB::FetchFieldValue(std::int32_t uid, const std::string& storedName) {
  if (dbf_ == nullptr || uid < 1) return Variant();
  return dbf_->GetField(std::uint32_t(uid), storedName);
}

Variant TGIS_LayerTAB::ReadFieldValue(TGIS_Shape* shape, int index) {
  if (dbf_ == nullptr || shape == nullptr || shape->Uid() < 1) return Variant();
  return dbf_->GetField(std::uint32_t(shape->Uid()), index);
}

// ---- object records --------------------------------------------------------------------

void TGIS_LayerTAB::ReadSections(TGIS_Shape& shape, bool compressed, bool wide,
                                 std::int64_t dataOffset, std::int32_t sectionCount) {
  TGIS_FileTAB_MAP& m = *map_;
  const std::int64_t headerSize = wide ? 28 : 24;
  const std::int64_t vertexSize = compressed ? 4 : 8;
  // The smallest a section header can take on disk.
  const std::int64_t storedHeader = (wide ? 4 : 2) + 2 + 2 * vertexSize + 4;
  m.SetPosition(dataOffset);
  if (sectionCount < 0 || std::int64_t(sectionCount) * storedHeader > m.BytesLeft())
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, m.Path(), 0);
  struct TSection {
    std::int64_t Count, Start;
  };
  std::vector<TSection> sections;
  sections.reserve(std::size_t(sectionCount));
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < sectionCount; ++i) {
    const std::int64_t count =
        wide ? std::int64_t(m.ReadInt32()) : std::int64_t(std::uint16_t(m.ReadInt16()));
    m.ReadInt16();
    m.ReadMBR(compressed);
    const std::int64_t d = m.ReadInt32();
    const std::int64_t rel = d - std::int64_t(sectionCount) * headerSize;
    total += count * vertexSize;
    // Vertices are bytes of this file: counts and starts beyond it are damage.
    if (count < 0 || rel < 0 || total > m.Size() || (rel / 8) * vertexSize > m.Size())
      throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, m.Path(), 0);
    sections.push_back({count, (rel / 8) * vertexSize});
  }
  const std::int64_t v0 = m.Position();
  for (const TSection& s : sections) {
    m.SetPosition(v0);
    m.SkipBytes(s.Start);
    shape.AddPart();
    for (std::int64_t k = 0; k < s.Count; ++k)
      shape.AddPoint(m.ReadCoord(compressed));
  }
}

void TGIS_LayerTAB::ReadObject(std::int32_t uid, std::int32_t offset) {
  HourglassShake();
  current_ = nullptr;
  TGIS_FileTAB_MAP& m = *map_;
  m.SetPosition(offset);
  const TGIS_TABObjectHeader h = m.ReadObjectHeader();
  const std::uint8_t code = h.Code;
  auto begin = [&](int slot) -> TGIS_Shape& {
    TGIS_Shape& s = *work_[std::size_t(slot)];
    s.Recreate(nullptr, std::span<const std::uint8_t>{}, false, uid, this);
    s.Lock(3);
    return s;
  };
  auto badFormat = [&] { throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, m.Path(), 0); };
  TGIS_Shape* shape = nullptr;
  switch (code) {
  case 1:
  case 2: {
    const bool c = code == 1;
    if (c) m.ReadBlockCenter();
    const TGIS_Point p = m.ReadCoord(c);
    shape = &begin(0);
    shape->AddPart();
    shape->AddPoint(p);
    break;
  }
  case 4:
  case 5: {
    const bool c = code == 4;
    if (c) m.ReadBlockCenter();
    const TGIS_Point a = m.ReadCoord(c), b = m.ReadCoord(c);
    shape = &begin(2);
    shape->AddPart();
    shape->AddPoint(a);
    shape->AddPoint(b);
    break;
  }
  case 7:
  case 8: {
    const bool c = code == 7;
    const std::int64_t dataOffset = m.ReadInt32();
    const std::int64_t size = m.ReadInt32() & 0x7FFFFFFF;
    if (c) {
      m.ReadInt16();
      m.ReadInt16();
    }
    m.ReadOrigin();
    m.ReadMBR(c);
    if (dataOffset < 0 || size > m.Size()) badFormat();
    m.SetPosition(dataOffset);
    const std::int64_t n = size / (c ? 4 : 8);
    shape = &begin(2);
    shape->AddPart();
    for (std::int64_t k = 0; k < n; ++k)
      shape->AddPoint(m.ReadCoord(c));
    break;
  }
  case 13:
  case 14:
  case 46:
  case 47:
  case 37:
  case 38:
  case 49:
  case 50: {
    const bool c = code == 13 || code == 46 || code == 37 || code == 49;
    const bool wide = code >= 46;
    const bool region = code == 13 || code == 14 || code == 46 || code == 47;
    const std::int64_t dataOffset = m.ReadInt32();
    m.ReadInt32(); // data size
    const std::int32_t sectionCount = m.ReadInt16();
    if (c) {
      m.ReadInt16();
      m.ReadInt16();
    }
    m.ReadOrigin();
    m.ReadMBR(c);
    m.ReadByte();
    m.ReadByte();
    if (dataOffset < 0) badFormat();
    shape = &begin(region ? 3 : 2);
    ReadSections(*shape, c, wide, dataOffset, sectionCount);
    break;
  }
  case 16:
  case 17: {
    const bool c = code == 16;
    if (c) m.ReadBlockCenter();
    const std::int64_t textOffset = m.ReadInt32();
    const std::int64_t length = std::uint16_t(m.ReadInt16());
    for (int k = 0; k < 3; ++k)
      m.ReadInt16();
    for (int k = 0; k < 6; ++k)
      m.ReadByte();
    m.ReadCoord(c); // the end of the label line
    if (c)
      m.ReadInt16();
    else
      m.ReadInt32();
    m.ReadByte();
    // The text stands at the lower left corner of its box.
    const TGIS_Extent box = m.ReadMBR(c);
    const TGIS_Point p{std::min(box.XMin, box.XMax), std::min(box.YMin, box.YMax)};
    m.ReadByte();
    if (textOffset < 0) badFormat();
    m.SetPosition(textOffset);
    if (length > m.BytesLeft()) badFormat();
    std::string text(std::size_t(length), '\0');
    m.ReadBytes(text.data(), length);
    // The label is a text of the table: it reads in the output code page too.
    if (GetCodePage() != GetOutCodePage())
      text = GisConvertCodePage(text, GetCodePage(), GetOutCodePage());
    shape = &begin(0);
    shape->AddPart();
    shape->AddPoint(p);
    shape->SetField(TAB_LABEL, Variant(text));
    break;
  }
  case 40:
  case 41: {
    const bool c = code == 40;
    if (c) m.ReadBlockCenter();
    m.ReadByte();
    m.ReadByte();
    m.ReadInt16();
    for (int k = 0; k < 6; ++k)
      m.ReadByte();
    m.ReadInt16();
    const TGIS_Point p = m.ReadCoord(c);
    shape = &begin(0);
    shape->AddPart();
    shape->AddPoint(p);
    break;
  }
  case 43:
  case 44: {
    const bool c = code == 43;
    if (c) m.ReadBlockCenter();
    m.ReadByte();
    m.ReadByte();
    const TGIS_Point p = m.ReadCoord(c);
    shape = &begin(0);
    shape->AddPart();
    shape->AddPoint(p);
    break;
  }
  default:
    return; // arcs, ellipses, rectangles, multipoints, collections...: no shape
  }
  shape->Unlock();
  current_ = FindEditedShape(shape);
}

// ---- the cursor ------------------------------------------------------------------------

void TGIS_LayerTAB::MoveFirst(const TGIS_Extent& extent, const std::string& query, bool skipDeleted,
                              const std::string& pattern, TGIS_Shape* shape) {
  current_ = nullptr;
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  if (map_ != nullptr) map_->ReadHeader();
  row_ = 1;
  memoryPhase_ = map_ == nullptr;
  MoveNext();
}

void TGIS_LayerTAB::MoveNext() {
  for (;;) {
    TGIS_Shape* shape = nullptr;
    while (!memoryPhase_ && shape == nullptr) {
      if (row_ > id_->RowCount()) {
        memoryPhase_ = true;
        break;
      }
      const std::int32_t offset = id_->ReadEntry(row_);
      current_ = nullptr;
      if (offset > 0) ReadObject(row_, offset);
      ++row_;
      shape = current_;
    }
    if (memoryPhase_) {
      // Edited copies came with their rows: only new shapes remain.
      shape = NextNewShape();
      if (shape == nullptr) {
        current_ = nullptr;
        return;
      }
    }
    current_ = shape;
    if (CursorSkipDeleted() && shape->IsDeleted()) continue;
    if (MatchesFilter(shape)) return;
  }
}

TGIS_Shape* TGIS_LayerTAB::GetCurrentShape() const {
  return current_ != nullptr ? current_ : CursorShape();
}

TGIS_Shape* TGIS_LayerTAB::GetShape(std::int32_t uid) {
  if (uid < 1) return nullptr;
  if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
  if (map_ == nullptr) return nullptr;
  if (current_ != nullptr && current_->Uid() == uid) return current_;
  const std::int32_t offset = id_->ReadEntry(uid);
  if (offset <= 0) return nullptr;
  ReadObject(uid, offset);
  // The running cursor goes on after this row.
  row_ = uid + 1;
  memoryPhase_ = false;
  return current_;
}

std::int32_t TGIS_LayerTAB::GetLastUid() const {
  if (lastUid_ == -1) lastUid_ = ScanLastUid();
  return lastUid_;
}

std::int32_t TGIS_LayerTAB::GetNewUid() const {
  GetLastUid();
  return ++lastUid_;
}

void GisRegisterLayerTAB() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerTAB", TAB_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerTAB>();
      });
}
