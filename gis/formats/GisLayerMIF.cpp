// TGIS_LayerMIF: reading the pair at Open, writing it through a file set.
#include "gis/formats/GisLayerMIF.h"

#include <cerrno>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsWriter.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char MIF_DESCRIPTION[] = "MapInfo Interchange Format (MIF/MID)";

/// Objects that give no shape but own a ".mid" row.
bool IsSkippedObject(const std::string& keyword) {
  for (const char* k : {"TEXT", "ARC", "ELLIPSE", "RECT", "ROUNDRECT", "NONE"})
    if (keyword == k) return true;
  return false;
}

} // namespace

// ---- reading ---------------------------------------------------------------------------

class TGIS_LayerMIF::TReader {
public:
  explicit TReader(TGIS_LayerMIF& layer) : layer_(layer) {}

  void Run() {
    const std::string mid = GisFindCompanionFile(layer_.path_, layer_.GetMidExtension());
    mif_ = std::make_unique<TGIS_MappedStream>(layer_.GetMifFileName(), false, layer_.OnAfterRead,
                                               layer_.OnBeforeWrite);
    if (!mid.empty()) {
      midPath_ = mid;
      mid_ = std::make_unique<TGIS_MappedStream>(mid, false, layer_.OnAfterRead,
                                                 layer_.OnBeforeWrite);
    }
    std::string line;
    bool pending = false;
    while (pending || !mif_->Eof()) {
      if (!pending) NextLine(line);
      pending = false;
      if (Dispatch(line)) pending = true;
    }
  }

private:
  /// The next line of the MIF file into `line` (its storage reused).
  void NextLine(std::string& line) {
    mif_->ReadLine(line, 0);
    ++mifLines_;
    if (mifLines_ % 100 == 1 && layer_.viewer_ != nullptr) {
      bool abort = false;
      layer_.viewer_->BusyShake(&layer_, int(mif_->Seek(0, 1) >> 10), int(mif_->Size() >> 10),
                                abort);
    }
  }
  std::string NextLine() {
    std::string line;
    NextLine(line);
    return line;
  }

  [[noreturn]] void MifError() const {
    throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, layer_.GetMifFileName(), int(mifLines_));
  }

  std::vector<std::string> Tokens(const std::string& line, const std::string& separators) {
    tokenizer_.Execute(line, separators, false);
    std::vector<std::string> out;
    for (int i = 0; i < tokenizer_.Result().Count(); ++i)
      out.push_back(tokenizer_.Result()[i]);
    return out;
  }

  /// Handles one line; true when the line that ended an object is left to be
  /// dispatched again (it is in `line`).
  bool Dispatch(std::string& line) {
    const auto t = Tokens(line, " \t");
    if (t.empty()) return false;
    const std::string key = UpperCase(t[0]);
    auto arg = [&](std::size_t i) { return i < t.size() ? t[i] : std::string(); };
    if (key == "DELIMITER") {
      delimiter_ = arg(1);
      return false;
    }
    if (key == "COLUMNS") {
      ReadColumns(Count(arg(1)));
      return false;
    }
    if (collectionLeft_ > 0 &&
        (key == "REGION" || key == "PLINE" || key == "MULTIPOINT" || key == "POINT")) {
      // A collection's parts give no shapes; its row was taken with it.
      --collectionLeft_;
      return ReadObject(key, t, line, nullptr);
    }
    if (key == "REGION" || key == "PLINE" || key == "LINE" || key == "POINT" ||
        key == "MULTIPOINT") {
      TGIS_ShapeType type = key == "REGION"       ? gisShapeTypePolygon
                            : key == "POINT"      ? gisShapeTypePoint
                            : key == "MULTIPOINT" ? gisShapeTypeMultiPoint
                                                  : gisShapeTypeArc;
      TGIS_Shape* shape = layer_.CreateShape(type);
      if (shape == nullptr) MifError();
      return ReadObject(key, t, line, shape);
    }
    if (key == "COLLECTION") {
      collectionLeft_ = Count(arg(1));
      ReadRow(nullptr);
      return false;
    }
    if (IsSkippedObject(key)) ReadRow(nullptr);
    return false;
  }

  int Count(const std::string& text) {
    Integer v = 0;
    if (!TryStrToInt(Trim(text), v)) return 0;
    return v < 0 ? 0 : int(v);
  }

  void ReadColumns(int n) {
    for (int i = 0; i < n && !mif_->Eof(); ++i) {
      const auto t = Tokens(NextLine(), " \t(),");
      if (t.empty()) MifError();
      const std::string name = t[0], type = t.size() > 1 ? UpperCase(t[1]) : std::string();
      auto number = [&](std::size_t k) {
        if (k >= t.size()) return 0;
        Integer v = 0;
        if (!TryStrToInt(t[k], v)) MifError();
        return int(v);
      };
      std::uint8_t fieldType = gisFieldTypeString;
      int width = 0, decimals = 0;
      bool adds = true;
      if (type == "DECIMAL") {
        fieldType = gisFieldTypeNumber, width = number(2), decimals = number(3);
      } else if (type == "LOGICAL") {
        fieldType = gisFieldTypeBoolean, width = 1;
      } else if (type == "SMALLINT") {
        fieldType = gisFieldTypeNumber, width = 4;
      } else if (type == "INTEGER") {
        fieldType = gisFieldTypeNumber, width = 10;
      } else if (type == "FLOAT") {
        fieldType = gisFieldTypeFloat, width = 20, decimals = 5;
      } else if (type == "CHAR") {
        fieldType = gisFieldTypeString, width = number(2);
      } else if (type == "DATE") {
        fieldType = gisFieldTypeDate, width = 8;
      } else {
        adds = false;
      }
      std::string fieldName = name;
      // A column of a type without a field keeps its place: its values are skipped.
      if (!adds) fieldName = name + "~" + IntToStr(i);
      layer_.AddFieldEx(fieldName, adds ? fieldType : std::uint8_t(gisFieldTypeString), adds ? width : 1,
                        decimals, true, 0);
      if (!adds) layer_.GetFieldInfo(layer_.FieldCount() - 1)->Deleted = true;
    }
  }

  /// Two coordinates of a line; false when it is no coordinate line.
  bool Coordinates(const std::string& line, TGIS_Point& p) {
    const auto t = Tokens(line, " \t");
    if (t.size() != 2) return false;
    try {
      p.X = GisStrToFloat(t[0]);
      p.Y = GisStrToFloat(t[1]);
    } catch (const Exception&) {
      return false;
    }
    return true;
  }

  /// Reads `k` coordinate lines into the shape's current part; false when a
  /// line was no coordinate line (it is left in `line`).
  bool Points(int k, TGIS_Shape* shape, std::string& line, bool& ended) {
    for (int i = 0; i < k; ++i) {
      if (mif_->Eof()) {
        ended = true;
        return false;
      }
      NextLine(line);
      TGIS_Point p;
      if (!Coordinates(line, p)) return false;
      if (shape != nullptr) shape->AddPoint(p);
    }
    return true;
  }

  /// A count line; -1 (the line left in `line`) when it is none.
  int CountLine(std::string& line, bool& ended) {
    if (mif_->Eof()) {
      ended = true;
      return -1;
    }
    NextLine(line);
    const auto t = Tokens(line, " \t");
    Integer v = 0;
    if (t.size() != 1 || !TryStrToInt(t[0], v) || v < 0) return -1;
    return int(v);
  }

  /// Reads an object into `shape` (nullptr: read and drop). True when a line
  /// that is no part of the object ended it (left in `line` to dispatch again).
  bool ReadObject(const std::string& key, const std::vector<std::string>& t, std::string& line,
                  TGIS_Shape* shape) {
    auto arg = [&](std::size_t i) { return i < t.size() ? t[i] : std::string(); };
    bool complete = true, ended = false;
    if (shape != nullptr) shape->Lock(2);
    auto unlock = ScopeExit([&] {
      if (shape != nullptr) shape->Unlock();
    });
    auto part = [&] {
      if (shape != nullptr) shape->AddPart();
    };
    if (key == "POINT") {
      part();
      if (!arg(1).empty()) {
        TGIS_Point p;
        if (!Coordinates(arg(1) + " " + arg(2), p)) MifError();
        if (shape != nullptr) shape->AddPoint(p);
      } else {
        complete = Points(1, shape, line, ended);
      }
    } else if (key == "LINE") {
      part();
      TGIS_Point a, b;
      if (!Coordinates(arg(1) + " " + arg(2), a) || !Coordinates(arg(3) + " " + arg(4), b))
        MifError();
      if (shape != nullptr) {
        shape->AddPoint(a);
        shape->AddPoint(b);
      }
    } else if (key == "MULTIPOINT") {
      part();
      complete = Points(Count(arg(1)), shape, line, ended);
    } else if (key == "PLINE" && UpperCase(arg(1)) == "MULTIPLE") {
      const int sections = Count(arg(2));
      for (int s = 0; s < sections && complete; ++s) {
        const int k = CountLine(line, ended);
        if (k < 0) {
          complete = false;
          break;
        }
        part();
        complete = Points(k, shape, line, ended);
      }
    } else if (key == "PLINE") {
      int k = 0;
      if (arg(1).empty()) {
        k = CountLine(line, ended);
        if (k < 0) complete = false;
      } else {
        k = Count(arg(1));
      }
      if (complete) {
        part();
        complete = Points(k, shape, line, ended);
      }
    } else { // REGION
      const int rings = Count(arg(1));
      for (int r = 0; r < rings && complete; ++r) {
        const int k = CountLine(line, ended);
        if (k < 0) {
          complete = false;
          break;
        }
        if (k > 0) {
          part();
          complete = Points(k, shape, line, ended);
        }
      }
    }
    unlock.Run();
    // The object's row, whether it ended early or not (rows never shift).
    if (shape != nullptr) ReadRow(shape);
    if (shape != nullptr && layer_.ShapeCount() == 1 && !shape->IsEmpty())
      layer_.SetExtent(shape->GetExtentRaw());
    return !complete && !ended;
  }

  void ReadRow(TGIS_Shape* shape) {
    if (mid_ == nullptr || mid_->Eof()) return;
    std::string& row = midRow_;
    mid_->ReadLine(row, 0);
    ++midLines_;
    if (shape == nullptr) return;
    try {
      tokenizer_.ExecuteFields(row, delimiter_.empty() ? ',' : delimiter_[0], '"');
      const TStringList& values = tokenizer_.Result();
      for (int i = 0; i < layer_.FieldCount() && i < values.Count(); ++i) {
        TGIS_FieldInfo& info = *layer_.GetFieldInfo(i);
        if (info.Deleted) continue;
        const std::string& v = values[i];
        if (v.empty()) {
          shape->SetField(info.NewName, Variant::MakeNull());
        } else if (info.FieldType == gisFieldTypeDate) {
          Integer y = 0, m = 0, d = 0;
          TDateTime date = 0;
          // A value that is no date stays unknown (no date is invented).
          if (v.size() >= 8 && TryStrToInt(v.substr(0, 4), y) && TryStrToInt(v.substr(4, 2), m) &&
              TryStrToInt(v.substr(6, 2), d) && y > 0 && m > 0 && d > 0 &&
              TryEncodeDate(Word(y), Word(m), Word(d), date))
            shape->SetField(info.NewName, Variant::FromDate(date));
          else
            shape->SetField(info.NewName, Variant::MakeNull());
        } else {
          const int from = layer_.GetCodePage(), to = layer_.GetOutCodePage();
          shape->SetField(info.NewName, from != to ? GisConvertCodePage(v, from, to) : v);
        }
      }
    } catch (const EGIS_Exception&) {
      throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, midPath_, int(midLines_));
    } catch (const Exception&) {
      throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, midPath_, int(midLines_));
    }
  }

  TGIS_LayerMIF& layer_;
  std::unique_ptr<TGIS_MappedStream> mif_, mid_;
  std::string midPath_;
  std::string delimiter_ = ",";
  std::int64_t mifLines_ = 0, midLines_ = 0;
  std::string midRow_; // the MID row being read, its storage kept between rows
  int collectionLeft_ = 0;
  TGIS_Tokenizer tokenizer_;
};

TGIS_LayerMIF::TGIS_LayerMIF() {
  capabilities_ =
      GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerMIF::~TGIS_LayerMIF() = default;

std::string TGIS_LayerMIF::GetMidFileName() const {
  return GisPathWithoutExt(path_) + GetMidExtension();
}

void TGIS_LayerMIF::Open() {
  TGIS_FileSet::Recover(GetMifFileName());
  TGIS_LayerVector::Open();
  if (path_.empty()) return;
  if (viewer_ != nullptr) viewer_->BusyPrepare(this);
  auto done = ScopeExit([&] {
    modified_ = false;
    if (viewer_ != nullptr) viewer_->BusyRelease(this);
  });
  TReader reader(*this);
  try {
    reader.Run();
  } catch (const EGIS_Exception&) {
    throw;
  } catch (const EFOpenError&) {
    throw;
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, GetMifFileName(), 0);
  }
  done.Run();
  if (FileExists(GetMifFileName())) openTime_ = GisFileAge(GetMifFileName());
  SetInfoText(MIF_DESCRIPTION);
}

// ---- writing -----------------------------------------------------------------------------

namespace {

std::string Number(double v, int width, int decimals) {
  (void)width;
  return Trim(FloatToStrF(v, ffFixed, 18, decimals < 0 ? 0 : decimals, GisDotFormatSettings()));
}

/// The ".mid" value of a field.
std::string RowValue(TGIS_LayerVector& layer, const TGIS_FieldInfo& info, const Variant& v) {
  const bool null = v.IsNull() || v.IsEmpty();
  switch (info.FieldType) {
  case gisFieldTypeString: {
    std::string text;
    if (!null) {
      try {
        text = v.AsString();
        const int from = layer.GetOutCodePage(), to = layer.GetCodePage();
        if (from != to) text = GisConvertCodePage(text, from, to);
      } catch (const Exception&) {
        text.clear();
      }
      for (char& c : text)
        if (c == '"') c = '\'';
    }
    return "\"" + text + "\"";
  }
  case gisFieldTypeNumber:
  case gisFieldTypeFloat: {
    if (null) return "";
    double d = 0;
    try {
      d = v.AsDouble();
    } catch (const Exception&) {
      d = 0;
    }
    return info.FieldType == gisFieldTypeNumber ? Number(d, info.NewWidth, info.NewDecimal)
                                                : GisFloatToStr(d);
  }
  case gisFieldTypeBoolean:
    if (null) return "";
    try {
      return v.AsBoolean() ? "TRUE" : "FALSE";
    } catch (const Exception&) {
      return "FALSE";
    }
  default: {
    if (null) return "";
    Word y = 0, m = 0, d = 0;
    try {
      DecodeDate(v.AsDateTime(), y, m, d);
    } catch (const Exception&) {
      return "";
    }
    return Format("\"%.4d%.2d%.2d\"", {int(y), int(m), int(d)});
  }
  }
}

std::string PointLine(const TGIS_Point& p) {
  return GisFloatToStr(p.X) + " " + GisFloatToStr(p.Y) + "\r\n";
}

/// The ".mif" text of a shape ('' for a shape without a form here).
std::string ObjectText(TGIS_Shape& s) {
  std::string out;
  s.Lock(2);
  auto unlock = ScopeExit([&] { s.Unlock(); });
  const int parts = s.GetNumParts();
  if (parts == 0 || s.GetNumPoints() == 0) return out;
  auto partPoints = [&](int p) {
    for (int i = 0; i < s.GetPartSize(p); ++i)
      out += PointLine(s.GetPoint(p, i));
  };
  switch (s.ShapeType()) {
  case gisShapeTypePoint: {
    const TGIS_Point p = s.GetPoint(0, 0);
    out = "Point " + GisFloatToStr(p.X) + " " + GisFloatToStr(p.Y) + "\r\n";
    break;
  }
  case gisShapeTypeMultiPoint:
    out = "Multipoint " + IntToStr(s.GetNumPoints()) + "\r\n";
    for (int p = 0; p < parts; ++p)
      partPoints(p);
    break;
  case gisShapeTypeArc:
    if (parts == 1) {
      out = "PLine " + IntToStr(s.GetPartSize(0)) + "\r\n";
      partPoints(0);
    } else {
      out = "PLine Multiple " + IntToStr(parts) + "\r\n";
      for (int p = 0; p < parts; ++p) {
        out += IntToStr(s.GetPartSize(p)) + "\r\n";
        partPoints(p);
      }
    }
    break;
  case gisShapeTypePolygon:
    out = "Region " + IntToStr(parts) + "\r\n";
    for (int p = 0; p < parts; ++p) {
      out += IntToStr(s.GetPartSize(p)) + "\r\n";
      partPoints(p);
    }
    break;
  default:
    break;
  }
  return out;
}

} // namespace

void TGIS_LayerMIF::Build(const std::string& path, const TGIS_Extent& extent,
                          TGIS_ShapeType shapeType) {
  TGIS_FileSet::Recover(path);
  TGIS_LayerVector::Build(path, extent, shapeType);
  for (const std::string& name : {GetMifFileName(), GetMidFileName()})
    if (FileExists(name)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, name, 0);
  ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerMIF::SaveData() {
  TGIS_LayerVector::SaveData();
  if (ShapeCount() > 0) ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

void TGIS_LayerMIF::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  TGIS_FileSet::Recover(GetMifFileName());
  const std::int32_t end = layer->GetLastUid();
  TGIS_SourcePass pass(*layer, end);
  const bool sameFile = GisIsSameLayerFile(*layer, *this);
  if (layer != this) ImportStructure(*layer);
  PrepareExportNames(32, false);

  TGIS_FileSet set({GetMifFileName(), GetMidFileName()});
  std::unique_ptr<TGIS_BufferedFileStream> mif, mid;
  std::string mifText, midText;
  int member = 0;
  auto flush = [&](bool all) {
    if (all || mifText.size() > (1 << 18)) {
      member = 0;
      mif->Write(mifText.data(), std::int64_t(mifText.size()));
      mifText.clear();
    }
    if (all || midText.size() > (1 << 18)) {
      member = 1;
      mid->Write(midText.data(), std::int64_t(midText.size()));
      midText.clear();
    }
  };
  int written = 0;
  bool aborted = false;
  try {
    mif = std::make_unique<TGIS_BufferedFileStream>(set.Temp(0), true, OnAfterRead, OnBeforeWrite);
    member = 1;
    mid = std::make_unique<TGIS_BufferedFileStream>(set.Temp(1), true, OnAfterRead, OnBeforeWrite);
    // The header.
    const TGIS_Extent box = GisExtentIntersection(layer->Extent(), extent);
    int columns = 0;
    std::string fieldLines;
    for (int i = 0; i < FieldCount(); ++i) {
      const TGIS_FieldInfo& f = *GetFieldInfo(i);
      if (f.Deleted) continue;
      ++columns;
      switch (f.FieldType) {
      case gisFieldTypeString:
        fieldLines += Format(" %s %s(%d)\r\n", {f.ExportName, "Char", f.NewWidth});
        break;
      case gisFieldTypeNumber:
        fieldLines +=
            Format(" %s %s (%d,%d)\r\n", {f.ExportName, "Decimal", f.NewWidth, f.NewDecimal});
        break;
      case gisFieldTypeFloat:
        fieldLines += " " + f.ExportName + " Float\r\n";
        break;
      case gisFieldTypeBoolean:
        fieldLines += " " + f.ExportName + " Logical\r\n";
        break;
      default:
        fieldLines += " " + f.ExportName + " Date\r\n";
      }
    }
    mifText = "Version 300\r\nCharset \"Neutral\"\r\nDelimiter \",\"\r\n";
    mifText += "CoordSys NonEarth Units \"m\" Bounds (" + GisFloatToStr(box.XMin) + ", " +
               GisFloatToStr(box.YMin) + ") (" + GisFloatToStr(box.XMax) + ", " +
               GisFloatToStr(box.YMax) + ")\r\n";
    mifText += "Columns " + IntToStr(columns) + "\r\n" + fieldLines + "Data\r\n\r\n";

    // The source's scope is always set aside for the pass.
    aborted = !pass.Walk(extent, query, clip, shapeType, [&](TGIS_Shape& out, TGIS_Shape& shape) {
      const std::string object = ObjectText(out);
      // A shape without parts has no form here: it is left out with its row.
      if (object.empty()) return;
      mifText += object;
      std::string row;
      bool first = true;
      for (int i = 0; i < FieldCount(); ++i) {
        const TGIS_FieldInfo& f = *GetFieldInfo(i);
        if (f.Deleted) continue;
        if (!first) row += ',';
        first = false;
        // Values by this layer's field names, from the unclipped shape.
        row += RowValue(*this, f, shape.GetFieldEx(f.NewName));
      }
      midText += row + "\r\n";
      ++written;
      flush(false);
    });
    flush(true);
    mif.reset();
    mid.reset();
  } catch (const EGIS_Exception&) {
    mif.reset();
    mid.reset();
    set.Abort();
    throw;
  } catch (const Exception&) {
    const int code = errno != 0 ? errno : EIO;
    mif.reset();
    mid.reset();
    set.Fail(member, code);
  }
  if (aborted || (written == 0 && !sameFile)) {
    set.Abort();
    return;
  }
  set.Commit();
}

void GisRegisterLayerMIF() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerMIF", MIF_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerMIF>();
      });
}
