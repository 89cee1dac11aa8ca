// TGIS_LayerDLG: reading the standard and optional formats, writing the
// optional format through a file set.
#include "gis/formats/GisLayerDLG.h"

#include <cerrno>
#include <cstdlib>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsWriter.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char DLG_DESCRIPTION[] = "USGS Digital Line Graph (DLG)";
constexpr int DLG_RECORD = 80;
/// How far the first line feed is looked for to tell a standard file.
constexpr std::int64_t DLG_SNIFF = 1200;

std::string Column(const std::string& record, int from, int to) {
  if (int(record.size()) < from) return "";
  return Trim(record.substr(std::size_t(from - 1), std::size_t(to - from + 1)));
}

/// A fixed-width number of the writer: right-aligned in `width`, '.' as
/// separator, two decimals where they fit (fewer for very large values).
/// False when even the integer part does not fit.
bool FixedNumber(double v, int width, std::string& out) {
  for (int decimals = 2; decimals >= 0; --decimals) {
    std::string text = FloatToStrF(v, ffFixed, 18, decimals, GisDotFormatSettings());
    if (int(text.size()) <= width) {
      out += std::string(std::size_t(width - int(text.size())), ' ') + text;
      return true;
    }
  }
  return false;
}

bool FixedInt(std::int64_t v, int width, std::string& out) {
  const std::string text = IntToStr(v);
  if (int(text.size()) > width) return false;
  out += std::string(std::size_t(width - int(text.size())), ' ') + text;
  return true;
}

void PutRecord(std::string& out, const std::string& text) {
  out += text;
  if (text.size() < std::size_t(DLG_RECORD)) out.append(std::size_t(DLG_RECORD) - text.size(), ' ');
}

/// The code of field `name` as an integer (0 when the layer lacks it or it
/// holds nothing numeric).
std::int64_t CodeOf(TGIS_Shape& shape, const std::string& name) {
  try {
    const Variant v = shape.GetField(name);
    if (v.IsNull() || v.IsEmpty()) return 0;
    return std::int64_t(v.AsDouble());
  } catch (const Exception&) {
    return 0;
  }
}

std::string TypeOf(TGIS_Shape& shape) {
  try {
    const Variant v = shape.GetField("DLG_TYPE");
    if (v.IsNull() || v.IsEmpty()) return "";
    return v.AsString();
  } catch (const Exception&) {
    return "";
  }
}

/// The letter the element of a point-like shape is written with.
bool IsArea(TGIS_Shape& shape) {
  return UpperCase(Trim(TypeOf(shape))) == "A";
}

} // namespace

TGIS_LayerDLG::TGIS_LayerDLG() {
  capabilities_ =
      GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerDLG::~TGIS_LayerDLG() = default;

// ---- reading ---------------------------------------------------------------------------

void TGIS_LayerDLG::StructureError() const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, path_, int(records_));
}

bool TGIS_LayerDLG::ReadRecord() {
  TGIS_MappedStream& s = *stream_;
  for (;;) {
    if (s.Eof()) return false;
    if (optional_) {
      // 80 bytes, or fewer at the end of the file or before a line end.
      const std::int64_t left = s.Size() - s.Seek(0, 1);
      const std::int64_t n = left < DLG_RECORD ? left : DLG_RECORD;
      const std::uint8_t* p = s.Peek(n);
      std::int64_t taken = 0;
      while (taken < n && p[taken] != '\n')
        ++taken;
      record_.assign(reinterpret_cast<const char*>(p), std::size_t(taken));
      s.Seek(taken, 1);
      if (!record_.empty() && record_.back() == '\r' && taken < n) record_.pop_back();
      // A line end after the record belongs to it.
      if (!s.Eof() && *s.Peek(1) == '\r') s.Seek(1, 1);
      if (!s.Eof() && *s.Peek(1) == '\n') s.Seek(1, 1);
      if (record_.size() > std::size_t(DLG_RECORD - 1)) record_.resize(std::size_t(DLG_RECORD - 1));
    } else {
      s.ReadLine(record_, 1024);
      if (Trim(record_).empty()) continue;
    }
    ++records_;
    if (records_ % 1000 == 1 && viewer_ != nullptr) {
      bool abort = false;
      viewer_->BusyShake(this, int(s.Seek(0, 1) >> 10), int(s.Size() >> 10), abort);
    }
    return true;
  }
}

std::vector<std::string> TGIS_LayerDLG::Tokens() const {
  std::vector<std::string> out;
  tokenizer_.Execute(record_, " \t", true);
  for (int i = 0; i < tokenizer_.Result().Count(); ++i)
    if (!tokenizer_.Result()[i].empty()) out.push_back(tokenizer_.Result()[i]);
  return out;
}

std::vector<std::string> TGIS_LayerDLG::CoordinateFields() const {
  if (!optional_) return Tokens();
  std::vector<std::string> out;
  for (int from = 1; from <= int(record_.size()); from += 12) {
    const std::string field = Column(record_, from, from + 11);
    if (field.empty()) break;
    out.push_back(field);
  }
  return out;
}

void TGIS_LayerDLG::ReadHeader() {
  const std::int32_t last = optional_ ? 14 : 15;
  while (records_ < last)
    if (!ReadRecord()) return;
  if (!ReadRecord()) return;
  category_ = Column(record_, 1, 20);
  Integer n = 0, a = 0, l = 0;
  if (TryStrToInt(Column(record_, 25, 30), n) && TryStrToInt(Column(record_, 41, 46), a) &&
      TryStrToInt(Column(record_, 57, 62), l)) {
    nodes_ = int(n), areas_ = int(a), lines_ = int(l);
  } else {
    nodes_ = areas_ = lines_ = 0;
  }
}

void TGIS_LayerDLG::ReadNodeOrArea(const std::string& type, const std::string& x,
                                   const std::string& y) {
  TGIS_Shape* shape = nullptr;
  try {
    shape = CreateShape(gisShapeTypePoint);
    if (shape == nullptr) StructureError();
    shape->Lock(1);
    shape->AddPart();
    shape->AddPoint({GisStrToFloat(x), GisStrToFloat(y)});
    shape->SetField("DLG_TYPE", type);
    shape->Unlock();
  } catch (const EGIS_Exception& e) {
    if (e.ErrorNumber() == 90) throw;
    StructureError();
  } catch (const Exception&) {
    StructureError();
  }
  shape_ = shape;
  if (ShapeCount() == 1) SetExtent(shape->GetExtentRaw());
}

void TGIS_LayerDLG::ReadLine(const std::string& type, int pairs) {
  TGIS_Shape* shape = CreateShape(gisShapeTypeArc);
  if (shape == nullptr) StructureError();
  shape_ = shape;
  shape->Lock(1);
  auto unlock = ScopeExit([&] { shape->Unlock(); });
  shape->AddPart();
  std::int64_t numbers = std::int64_t(pairs < 0 ? 0 : pairs) * 2;
  while (numbers > 0) {
    if (!ReadRecord()) return; // the file ended: no type
    const std::vector<std::string> t = CoordinateFields();
    if (t.size() % 2 != 0) StructureError();
    try {
      for (std::size_t i = 0; i < t.size() && numbers > 0; i += 2, numbers -= 2)
        shape->AddPoint({GisStrToFloat(t[i]), GisStrToFloat(t[i + 1])});
    } catch (const Exception&) {
      StructureError();
    }
  }
  shape->SetField("DLG_TYPE", type);
}

void TGIS_LayerDLG::ReadAttributeCodes(const std::vector<std::string>& t) {
  // A record before any element belongs to no shape.
  if (shape_ == nullptr || t.empty()) return;
  auto code = [&](std::size_t i) {
    Integer v = 0;
    if (!TryStrToInt(t[i], v)) StructureError();
    return std::int32_t(v < 0 ? -std::int64_t(v) : v);
  };
  const std::int32_t major = code(0);
  const std::int32_t minor = t.size() >= 2 ? code(1) : -1;
  const auto group = GisDlgCodeGroup(major);
  shape_->SetField("DLG_DESC", DlgFindDescription(group, int(group.size()) - 1, major, minor));
  static const char* const names[6] = {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2",
                                       "DLG_MINOR2", "DLG_MAJOR3", "DLG_MINOR3"};
  for (std::size_t round = 0; round + 2 <= t.size(); round += 6)
    for (std::size_t k = 0; k < 6 && round + k < t.size(); ++k)
      shape_->SetField(names[k], Variant(code(round + k)));
}

void TGIS_LayerDLG::Open() {
  TGIS_FileSet::Recover(path_);
  TGIS_LayerVector::Open();
  category_ = "Unknown";
  nodes_ = areas_ = lines_ = 0;
  records_ = 0;
  shape_ = nullptr;
  if (path_.empty()) return;

  stream_ = std::make_unique<TGIS_MappedStream>(path_, false, OnAfterRead, OnBeforeWrite);
  optional_ = SameText(ExtractFileExt(path_), ".opt");
  if (!optional_) {
    // A file without a line feed near its start is the optional format.
    const std::int64_t n = stream_->Size() < DLG_SNIFF ? stream_->Size() : DLG_SNIFF;
    const std::uint8_t* p = n > 0 ? stream_->Peek(n) : nullptr;
    optional_ = true;
    for (std::int64_t i = 0; i < n; ++i)
      if (p[i] == '\n') {
        optional_ = false;
        break;
      }
  }
  AddFieldEx("DLG_TYPE", gisFieldTypeString, 1, 0, true, 0);
  AddFieldEx("DLG_DESC", gisFieldTypeString, 1, 0, true, 0);
  for (const char* name :
       {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2", "DLG_MINOR2", "DLG_MAJOR3", "DLG_MINOR3"})
    AddFieldEx(name, gisFieldTypeNumber, 10, 0, true, 0);
  if (viewer_ != nullptr) viewer_->BusyPrepare(this);
  auto done = ScopeExit([&] {
    modified_ = false;
    if (viewer_ != nullptr) viewer_->BusyRelease(this);
    stream_.reset();
  });

  ReadHeader();
  bool complete = true;
  // Nodes and areas, then lines; every other record is an attribute record.
  auto elements = [&](int wanted, bool lines) {
    int read = 0;
    while (read < wanted) {
      if (!ReadRecord()) return false;
      const std::vector<std::string> t = Tokens();
      if (t.empty()) continue;
      const std::string letter = optional_ ? UpperCase(record_.substr(0, 1)) : UpperCase(t[0]);
      const bool element = lines ? letter == "L" : (letter == "N" || letter == "A");
      if (!element) {
        ReadAttributeCodes(t);
        continue;
      }
      ++read;
      const std::string type = optional_ ? record_.substr(0, 1) : t[0];
      if (lines) {
        Integer pairs = 0;
        const std::string text = optional_ ? Column(record_, 43, 48) : (t.size() > 6 ? t[6] : "");
        if (!TryStrToInt(text, pairs)) StructureError();
        ReadLine(type, int(pairs));
      } else if (optional_) {
        ReadNodeOrArea(type, Column(record_, 7, 18), Column(record_, 19, 30));
      } else {
        if (t.size() < 4) StructureError();
        ReadNodeOrArea(type, t[2], t[3]);
      }
    }
    return true;
  };
  complete = elements(nodes_ + areas_, false) && elements(lines_, true);
  // The attribute records of the last line.
  if (complete)
    while (ReadRecord()) {
      const std::vector<std::string> t = Tokens();
      if (t.empty()) continue;
      const std::string letter = optional_ ? UpperCase(record_.substr(0, 1)) : UpperCase(t[0]);
      if (letter == "N" || letter == "A" || letter == "L") break;
      ReadAttributeCodes(t);
    }
  done.Run();
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  if (complete)
    SetInfoText((optional_ ? "DLG Optional Format - " : "DLG Standard Format - ") + category_);
}

// ---- writing -----------------------------------------------------------------------------

void TGIS_LayerDLG::WriteHeader(std::string& out, int lines, int areas, int nodes) {
  const std::string zeros = "     0.000000000000000       0.000000000000000       0.000000000000000";
  PutRecord(out, "*** DLG-OPTIONAL FORMAT PRODUCED BY VORNAKEL");
  PutRecord(out, std::string(41, ' ') + "0" + std::string(11, ' ') + "Unknown" +
                     std::string(4, ' ') + "0");
  PutRecord(out, std::string(44, ' ') + "01,  01  202,  02    bbbbbbbb");
  PutRecord(out,
            "     3     1    16     2     0.00000000000     4     0     4     1  1  0");
  for (int i = 0; i < 5; ++i)
    PutRecord(out, zeros);
  PutRecord(out, "   1.00000000000     0.00000000000     0.00000000000     0.00000000000");
  for (const char* corner : {"SW", "NW", "NE", "SE"})
    PutRecord(out, std::string(corner) +
                       "       000000000  0000000000         000000000  0000000000");
  PutRecord(out, Format("%-24s%6d%6d 01 %6d%6d 010%6d%6d 000%6d%2d",
                        {"VECTOR_DATA", nodes, nodes, areas, areas, lines, lines, 0, 0}));
}

bool TGIS_LayerDLG::WriteElement(std::string& out, TGIS_Shape& shape, int& nodeNo, int& areaNo,
                                 int& lineNo) {
  shape.Lock(2);
  auto unlock = ScopeExit([&] { shape.Unlock(); });
  if (shape.GetNumParts() == 0) return false;
  std::string codes;
  bool fits = true;
  for (const char* name :
       {"DLG_MAJOR1", "DLG_MINOR1", "DLG_MAJOR2", "DLG_MINOR2", "DLG_MAJOR3", "DLG_MINOR3"})
    fits = FixedInt(CodeOf(shape, name), 6, codes) && fits;
  auto overflow = [] { throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, "", EOVERFLOW); };
  if (!fits) overflow();
  switch (shape.ShapeType()) {
  case gisShapeTypePoint:
  case gisShapeTypeMultiPoint: {
    const bool area = IsArea(shape);
    for (int part = 0; part < shape.GetNumParts(); ++part)
      for (int i = 0; i < shape.GetPartSize(part); ++i) {
        const TGIS_Point p = shape.GetPoint(part, i);
        int& number = area ? areaNo : nodeNo;
        std::string r = area ? "A" : "N";
        if (!FixedInt(number, 5, r) || !FixedNumber(p.X, 12, r) || !FixedNumber(p.Y, 12, r))
          overflow();
        for (int v : {0, 1, 0, 3, 0, 0})
          FixedInt(v, 6, r);
        PutRecord(out, r);
        PutRecord(out, codes);
        ++number;
      }
    return true;
  }
  case gisShapeTypeArc:
    for (int part = 0; part < shape.GetNumParts(); ++part) {
      const int n = shape.GetPartSize(part);
      std::string r = "L";
      if (!FixedInt(lineNo, 5, r)) overflow();
      for (int v : {0, 0, 0, 0})
        FixedInt(v, 6, r);
      r += std::string(12, ' ');
      if (!FixedInt(n, 6, r)) overflow();
      FixedInt(3, 6, r);
      FixedInt(0, 6, r);
      PutRecord(out, r);
      std::string c;
      for (int i = 0; i < n; ++i) {
        const TGIS_Point p = shape.GetPoint(part, i);
        if (!FixedNumber(p.X, 12, c) || !FixedNumber(p.Y, 12, c)) overflow();
        if (i % 3 == 2 || i == n - 1) {
          PutRecord(out, c);
          c.clear();
        }
      }
      PutRecord(out, codes);
      ++lineNo;
    }
    return true;
  default:
    return true; // polygons are not written
  }
}

void TGIS_LayerDLG::Build(const std::string& path, const TGIS_Extent& extent,
                          TGIS_ShapeType shapeType) {
  TGIS_FileSet::Recover(path);
  TGIS_LayerVector::Build(path, extent, shapeType);
  if (FileExists(path_)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, path_, 0);
  ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerDLG::SaveData() {
  TGIS_LayerVector::SaveData();
  if (ShapeCount() > 0) ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerDLG::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  TGIS_FileSet::Recover(path_);
  const std::int32_t end = layer->GetLastUid();
  TGIS_SourcePass pass(*layer, end);
  const bool sameFile = GisIsSameLayerFile(*layer, *this);
  if (sameFile) pass.ClearScope();

  // The shapes are collected first, by element kind: nodes, areas, then
  // lines, the order a reader takes them in.
  std::vector<std::int32_t> kinds[3];
  int nodes = 0, areas = 0, lines = 0;
  layer->MoveFirst(extent, query, true, "", nullptr);
  while (!layer->Eof()) {
    TGIS_Shape* shape = layer->GetCurrentShape();
    std::unique_ptr<TGIS_Shape> clipped;
    if (clip) clipped = shape->GetClipped(extent);
    TGIS_Shape* s = clip ? clipped.get() : shape;
    if (s != nullptr && !s->IsDeleted() &&
        (shapeType == gisShapeTypeUnknown || s->ShapeType() == shapeType)) {
      s->Lock(2);
      const TGIS_ShapeType type = s->ShapeType();
      int count = 0, kind = 0;
      if (type == gisShapeTypeArc) {
        count = s->GetNumParts();
        lines += count;
        kind = 2;
      } else if (type == gisShapeTypePoint || type == gisShapeTypeMultiPoint) {
        count = s->GetNumPoints();
        kind = IsArea(*s) ? 1 : 0;
        (kind == 1 ? areas : nodes) += count;
      }
      s->Unlock();
      // Polygons and shapes without points give no element.
      if (count > 0) kinds[kind].push_back(shape->Uid());
    }
    layer->MoveNext();
  }
  pass.RestoreScope();
  layer->PrepareExportNames(32, false);

  TGIS_FileSet set({path_});
  std::unique_ptr<TGIS_BufferedFileStream> file;
  std::string text;
  bool aborted = false;
  int written = 0;
  try {
    file = std::make_unique<TGIS_BufferedFileStream>(set.Temp(0), true, OnAfterRead,
                                                     OnBeforeWrite);
    WriteHeader(text, lines, areas, nodes);
    int nodeNo = 1, areaNo = 1, lineNo = 1;
    int counter = 0;
    std::vector<std::int32_t> uids = kinds[0];
    uids.insert(uids.end(), kinds[1].begin(), kinds[1].end());
    uids.insert(uids.end(), kinds[2].begin(), kinds[2].end());
    for (const std::int32_t uid : uids) {
      TGIS_Shape* shape = layer->GetShape(uid);
      if (shape == nullptr) continue;
      std::unique_ptr<TGIS_Shape> clipped;
      if (clip) clipped = shape->GetClipped(extent);
      TGIS_Shape* s = clip ? clipped.get() : shape;
      if (s == nullptr) continue;
      // A shape without parts ends the writing.
      if (!WriteElement(text, *s, nodeNo, areaNo, lineNo))
        throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, path_, EINVAL);
      ++written;
      if (text.size() > (1 << 18)) {
        file->Write(text.data(), std::int64_t(text.size()));
        text.clear();
      }
      if (pass.Shake(counter++, uid)) {
        aborted = true;
        break;
      }
    }
    file->Write(text.data(), std::int64_t(text.size()));
    file.reset();
  } catch (const EGIS_Exception& e) {
    file.reset();
    if (e.ErrorNumber() == 32 && e.ErrorText().empty()) set.Fail(0, e.ErrorValue());
    set.Abort();
    throw;
  } catch (const Exception&) {
    const int code = errno != 0 ? errno : EIO;
    file.reset();
    set.Fail(0, code);
  }
  if (aborted || (written == 0 && !sameFile)) {
    set.Abort();
    return;
  }
  set.Commit();
  if (layer == this) modified_ = false;
}

void GisRegisterLayerDLG() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerDLG", DLG_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerDLG>();
      });
}
