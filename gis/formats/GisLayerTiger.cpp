// TGIS_LayerTiger: the record decoders and the four passes of Open.
#include "gis/formats/GisLayerTiger.h"

#include <cerrno>
#include <map>
#include <memory>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char TIGER_DESCRIPTION[] = "Census 2000 TIGER/Line (RT1)";

/// A decoding error of a record (the pass reports it with its file and line).
struct ETigerRecord {};

/// The fields of one line, taken column after column.
class T_record {
public:
  explicit T_record(std::uint8_t version) : version_(version) {}

  void Read(const std::string& line) {
    line_ = line;
    column_ = 1;
  }

  std::uint8_t Version() const { return version_; }

  /// The version class of a 4-character version text, or raises.
  static std::uint8_t SetVersion(const std::string& v) {
    Integer n = -1;
    // The two halves swapped: "1002" gives 210.
    if (v.size() != 4 || !TryStrToInt(v.substr(2, 2) + v.substr(0, 2), n) ||
        v.find_first_not_of("0123456789") != std::string::npos)
      n = -1;
    if (n > 306) return 5;
    if ((n >= 210 && n <= 301) || (n >= 305 && n <= 306)) return 3;
    if (n >= 302 && n <= 303) return 4;
    if (n >= 203 && n <= 205) return 2;
    if (n >= 103 && n <= 108) return 1;
    if (n >= 10 && n <= 11) return 0;
    throw EGIS_Exception("unsupported TIGER file version " + v);
  }

  std::string Take(int width) {
    const std::size_t from = std::size_t(column_ - 1);
    column_ += width;
    if (from >= line_.size()) return "";
    return line_.substr(from, std::size_t(width));
  }
  char TakeChar() {
    if (std::size_t(column_ - 1) >= line_.size()) throw ETigerRecord();
    return line_[std::size_t(column_++ - 1)];
  }
  std::string TakeText(int width) { return Trim(Take(width)); }
  std::int64_t TakeInteger(int width) {
    std::string t = Trim(Take(width));
    if (t.empty()) t = "0";
    Integer v = 0;
    if (!TryStrToInt(t, v)) throw ETigerRecord();
    return v;
  }
  bool TakeFlag() {
    std::string t = Trim(Take(1));
    if (t.empty()) t = "0";
    Integer v = 0;
    if (!TryStrToInt(t, v)) throw ETigerRecord();
    return v != 0;
  }
  double TakeCoordinate(int width) {
    const std::string t = Trim(Take(width));
    double v = 0;
    if (t.empty() || !TryStrToFloat(t, v, GisDotFormatSettings())) {
      try {
        v = GisStrToFloat(t);
      } catch (const Exception&) {
        throw ETigerRecord();
      }
    }
    return v / 1000000.0;
  }
  double TakeLongitude() { return TakeCoordinate(10); }
  /// The head of the records of a chain (RT2, RTZ): record type, version,
  /// chain identifier into `tlid`; returns the sequence number.
  std::int64_t TakeChainHead(std::string& tlid) {
    TakeChar();
    TakeInteger(4);
    tlid = TakeText(10);
    return TakeInteger(3);
  }
  double TakeLatitude() { return TakeCoordinate(9); }

private:
  std::uint8_t version_;
  std::string line_;
  int column_ = 1;
};

/// One attribute of a complete chain: its field and how it is read.
enum class TTigerColumn { Text, Char, Integer, Flag };
struct TTigerField {
  const char* Name;
  const char* NameFp; // the name in classes 3 and 5, when it differs
  int Width;          // columns
  TTigerColumn Column;
  std::uint8_t FieldType;
  int FieldWidth;
};

constexpr TTigerField RT1_FIELDS[] = {
    {"TLID", nullptr, 10, TTigerColumn::Text, gisFieldTypeString, 10},
    {"SIDE1", nullptr, 1, TTigerColumn::Integer, gisFieldTypeNumber, 1},
    {"SOURCE", nullptr, 1, TTigerColumn::Char, gisFieldTypeString, 1},
    {"FEDIRP", nullptr, 2, TTigerColumn::Text, gisFieldTypeString, 2},
    {"FENAME", nullptr, 30, TTigerColumn::Text, gisFieldTypeString, 30},
    {"FETYPE", nullptr, 4, TTigerColumn::Text, gisFieldTypeString, 4},
    {"FEDIRS", nullptr, 2, TTigerColumn::Text, gisFieldTypeString, 2},
    {"CFCC", nullptr, 3, TTigerColumn::Text, gisFieldTypeString, 3},
    {"FRADDL", nullptr, 11, TTigerColumn::Text, gisFieldTypeString, 11},
    {"TOADDL", nullptr, 11, TTigerColumn::Text, gisFieldTypeString, 11},
    {"FRADDR", nullptr, 11, TTigerColumn::Text, gisFieldTypeString, 11},
    {"TOADDR", nullptr, 11, TTigerColumn::Text, gisFieldTypeString, 11},
    {"FRIADDL", nullptr, 1, TTigerColumn::Flag, gisFieldTypeBoolean, 1},
    {"TOIADDL", nullptr, 1, TTigerColumn::Flag, gisFieldTypeBoolean, 1},
    {"FRIADDR", nullptr, 1, TTigerColumn::Flag, gisFieldTypeBoolean, 1},
    {"TOIADDR", nullptr, 1, TTigerColumn::Flag, gisFieldTypeBoolean, 1},
    {"ZIPL", nullptr, 5, TTigerColumn::Text, gisFieldTypeString, 5},
    {"ZIPR", nullptr, 5, TTigerColumn::Text, gisFieldTypeString, 5},
    {"AIANHHL", "AIANHHFPL", 5, TTigerColumn::Integer, gisFieldTypeNumber, 5},
    {"AIANHHR", "AIANHHFPR", 5, TTigerColumn::Integer, gisFieldTypeNumber, 5},
    {"AIHHTLIL", nullptr, 1, TTigerColumn::Char, gisFieldTypeString, 1},
    {"AIHHTLIR", nullptr, 1, TTigerColumn::Char, gisFieldTypeString, 1},
    {"CENSUS1", nullptr, 1, TTigerColumn::Char, gisFieldTypeString, 1},
    {"CENSUS2", nullptr, 1, TTigerColumn::Char, gisFieldTypeString, 1},
    {"STATEL", nullptr, 2, TTigerColumn::Integer, gisFieldTypeNumber, 2},
    {"STATER", nullptr, 2, TTigerColumn::Integer, gisFieldTypeNumber, 2},
    {"COUNTYL", nullptr, 3, TTigerColumn::Integer, gisFieldTypeNumber, 3},
    {"COUNTYR", nullptr, 3, TTigerColumn::Integer, gisFieldTypeNumber, 3},
    {"COUSUBL", nullptr, 5, TTigerColumn::Text, gisFieldTypeString, 5},
    {"COUSUBR", nullptr, 5, TTigerColumn::Text, gisFieldTypeString, 5},
    {"SUBMCDL", nullptr, 5, TTigerColumn::Integer, gisFieldTypeNumber, 5},
    {"SUBMCDR", nullptr, 5, TTigerColumn::Integer, gisFieldTypeNumber, 5},
    // Text in classes 3 and 5, numbers in the others.
    {"PLACEL", nullptr, 5, TTigerColumn::Text, gisFieldTypeNumber, 5},
    {"PLACER", nullptr, 5, TTigerColumn::Text, gisFieldTypeNumber, 5},
    {"TRACTL", nullptr, 6, TTigerColumn::Integer, gisFieldTypeNumber, 6},
    {"TRACTR", nullptr, 6, TTigerColumn::Integer, gisFieldTypeNumber, 6},
    {"BLOCKL", nullptr, 4, TTigerColumn::Text, gisFieldTypeString, 4},
    {"BLOCKR", nullptr, 4, TTigerColumn::Text, gisFieldTypeString, 4},
};
constexpr int RT1_PLACEL = 32;
constexpr int RT1_PLACER = 33;

bool IsFpClass(std::uint8_t version) {
  return version == 3 || version == 5;
}

/// A complete chain: its attribute values in field order and its end points.
class T_recordRT1 : public T_record {
public:
  using T_record::T_record;

  static constexpr int FieldCount = int(std::size(RT1_FIELDS));

  void AddFields(TGIS_LayerVector& layer) const {
    for (int i = 0; i < FieldCount; ++i) {
      const TTigerField& f = RT1_FIELDS[i];
      std::uint8_t type = f.FieldType;
      if ((i == RT1_PLACEL || i == RT1_PLACER) && IsFpClass(Version())) type = gisFieldTypeString;
      layer.AddField(FieldName(i), type, f.FieldWidth, 0);
    }
    for (const char* name : {"NAMEL", "NAMER"})
      layer.AddField(name, gisFieldTypeString, 60, 0);
    for (const char* name : {"ZIP4L", "ZIP4R"})
      layer.AddField(name, gisFieldTypeString, 4, 0);
  }

  std::string FieldName(int i) const {
    const TTigerField& f = RT1_FIELDS[i];
    return f.NameFp != nullptr && IsFpClass(Version()) ? f.NameFp : f.Name;
  }

  void Decode() {
    TakeChar();
    TakeInteger(4);
    for (int i = 0; i < FieldCount; ++i) {
      const TTigerField& f = RT1_FIELDS[i];
      switch (f.Column) {
      case TTigerColumn::Text:
        values[i] = Variant(TakeText(f.Width));
        break;
      case TTigerColumn::Char:
        values[i] = Variant(Trim(std::string(1, TakeChar())));
        break;
      case TTigerColumn::Integer:
        values[i] = Variant(TakeInteger(f.Width));
        break;
      case TTigerColumn::Flag:
        values[i] = Variant(TakeFlag());
        break;
      }
    }
    start.X = TakeLongitude();
    start.Y = TakeLatitude();
    end.X = TakeLongitude();
    end.Y = TakeLatitude();
  }

  void Apply(TGIS_Shape& shape) const {
    for (int i = 0; i < FieldCount; ++i)
      shape.SetField(FieldName(i), values[i]);
    shape.SetField("NAMEL", Variant(namel));
    shape.SetField("NAMER", Variant(namer));
    shape.SetField("ZIP4L", Variant(zip4l));
    shape.SetField("ZIP4R", Variant(zip4r));
    shape.AddPoint(start);
    shape.AddPoint(end);
  }

  std::string Tlid() const { return values[0].AsString(); }
  std::string PlaceL() const { return values[RT1_PLACEL].AsString(); }
  std::string PlaceR() const { return values[RT1_PLACER].AsString(); }

  Variant values[FieldCount];
  TGIS_Point start, end;
  std::string namel, namer, zip4l, zip4r;
};

class T_recordRT2 : public T_record {
public:
  using T_record::T_record;

  void Decode() {
    sequence = TakeChainHead(tlid);
    for (TGIS_Point& p : points) {
      p.X = TakeLongitude();
      p.Y = TakeLatitude();
    }
  }

  /// The pairs in order, up to the first whose longitude is exactly 0.
  void Apply(TGIS_Shape& shape) const {
    for (const TGIS_Point& p : points) {
      if (p.X == 0) break;
      shape.AddPoint(p);
    }
  }

  std::string tlid;
  std::int64_t sequence = 0;
  TGIS_Point points[10];
};

struct TPlace {
  std::string Column; // columns 11-14
  std::string Name;
};

class T_recordRTC : public T_record {
public:
  using T_record::T_record;

  /// False when the version class has no decoder for place records.
  bool Decode() {
    const std::uint8_t v = Version();
    if (v != 1 && v != 3 && v != 5) return false;
    TakeChar();
    TakeInteger(4);
    Take(2);
    Take(3);
    place.Column = TakeText(4);
    code = TakeText(5);
    Take(2);
    Take(3);
    entity = TakeChar();
    Take(27);
    if (v != 1) Take(10);
    place.Name = TakeText(60);
    return true;
  }

  std::string code;
  char entity = ' ';
  TPlace place;
};

struct TZip {
  std::int64_t Left = 0, Right = 0;
};

class T_recordRTZ : public T_record {
public:
  using T_record::T_record;

  void Decode() {
    TakeChainHead(tlid);
    zip.Left = TakeInteger(4);
    zip.Right = TakeInteger(4);
  }

  std::string tlid;
  TZip zip;
};

std::string ZipText(std::int64_t v) {
  return v != 0 ? IntToStr(v) : std::string();
}

} // namespace

class TGIS_LayerTiger::TReader {
public:
  explicit TReader(TGIS_LayerTiger& layer) : layer_(layer) {}

  /// False when the viewer's busy callback aborted the open.
  bool Run() {
    const std::string base = GisPathWithoutExt(layer_.path_);
    // The set's files, the ".rt1" first; companions are found in any letter case.
    files_[0] = layer_.path_;
    const char* extensions[] = {".rt1", ".rt2", ".rtc", ".rtz"};
    std::string version;
    for (int i = 0; i < 4; ++i) {
      if (i > 0) files_[i] = GisFindCompanionFile(layer_.path_, extensions[i]);
      if (files_[i].empty() || !FileExists(files_[i]))
        throw EGIS_Exception(GIS_RS_ERR_FILEMAPPING,
                             files_[i].empty() ? base + extensions[i] : files_[i], ENOENT);
      TGIS_MappedStream probe(files_[i], false);
      total_ += probe.Size();
      if (i == 0) {
        const std::string head = probe.ReadLine(5);
        if (head.size() > 1) version = head.substr(1);
      }
    }
    if (version.size() > 4) version.resize(4);
    version_ = version;

    TGIS_Viewer* viewer = layer_.viewer_;
    if (viewer != nullptr) viewer->BusyPrepare(&layer_);
    auto done = ScopeExit([&] {
      layer_.modified_ = false;
      if (viewer != nullptr) viewer->BusyRelease(&layer_);
    });
    const bool complete =
        Pass(2, [&] { return PlacesLine(); }) && Pass(3, [&] { return ZipLine(); }) &&
        Pass(0, [&] { return ChainLine(); }) && Pass(1, [&] { return PointsLine(); });
    FinishChain();
    done.Run();
    return complete;
  }

private:
  /// One pass over file `index`; false when aborted.
  template <class Body> bool Pass(int index, Body&& body) {
    file_ = index;
    lines_ = 0;
    if (versionClass_ < 0) {
      try {
        versionClass_ = T_record::SetVersion(version_);
      } catch (const Exception&) {
        Fail();
      }
    }
    try {
      stream_ = std::make_unique<TGIS_MappedStream>(files_[index], false, layer_.OnAfterRead,
                                                    layer_.OnBeforeWrite);
      if (index == 0) T_recordRT1(std::uint8_t(versionClass_)).AddFields(layer_);
      while (!stream_->Eof()) {
        stream_->ReadLine(line_, 0);
        ++lines_;
        const bool shake = body();
        if (shake && lines_ % 1000 == 1 && Shake()) {
          stream_.reset();
          return false;
        }
      }
    } catch (const ETigerRecord&) {
      Fail();
    } catch (const Exception&) {
      Fail();
    }
    done_ += stream_->Size();
    stream_.reset();
    return true;
  }

  [[noreturn]] void Fail() {
    stream_.reset();
    FinishChain();
    throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, files_[file_], int(lines_));
  }

  bool Shake() {
    TGIS_Viewer* viewer = layer_.viewer_;
    if (viewer == nullptr) return false;
    bool abort = false;
    // Positions in KiB over the four files.
    viewer->BusyShake(&layer_, int((done_ + stream_->Seek(0, 1)) >> 10), int(total_ >> 10), abort);
    return abort;
  }

  bool PlacesLine() {
    T_recordRTC rec{std::uint8_t(versionClass_)};
    rec.Read(line_);
    if (!rec.Decode()) return true;
    if (rec.code.empty() || rec.entity != 'P') return true;
    auto it = places_.find(rec.code);
    if (it == places_.end())
      places_.emplace(rec.code, rec.place);
    else if (rec.place.Column.empty() || it->second.Column < rec.place.Column)
      it->second = rec.place;
    return true;
  }

  bool ZipLine() {
    T_recordRTZ rec{std::uint8_t(versionClass_)};
    rec.Read(line_);
    rec.Decode();
    zips_.emplace(rec.tlid, rec.zip); // the first record of a chain wins
    return true;
  }

  bool ChainLine() {
    T_recordRT1 rec{std::uint8_t(versionClass_)};
    rec.Read(line_);
    rec.Decode();
    auto name = [&](const std::string& code) {
      auto it = places_.find(code);
      return it == places_.end() ? std::string() : it->second.Name;
    };
    rec.namel = name(rec.PlaceL());
    rec.namer = name(rec.PlaceR());
    auto zip = zips_.find(rec.Tlid());
    if (zip != zips_.end()) {
      rec.zip4l = ZipText(zip->second.Left);
      rec.zip4r = ZipText(zip->second.Right);
    }
    TGIS_Shape* shape = layer_.CreateShape(gisShapeTypeArc);
    if (shape == nullptr) throw ETigerRecord();
    shape->Lock(2);
    {
      auto unlock = ScopeExit([&] { shape->Unlock(); });
      shape->AddPart();
      rec.Apply(*shape);
    }
    chains_.emplace(rec.Tlid(), shape); // a repeated chain id keeps its first shape
    return true;
  }

  bool PointsLine() {
    T_recordRT2 rec{std::uint8_t(versionClass_)};
    rec.Read(line_);
    rec.Decode();
    const bool start = rec.sequence == 1;
    if (start) {
      FinishChain();
      auto it = chains_.find(rec.tlid);
      if (it == chains_.end()) throw ETigerRecord();
      TGIS_Shape* shape = it->second;
      const TGIS_Point first = shape->GetPoint(0, 0);
      savedEnd_ = shape->GetPartSize(0) > 1 ? shape->GetPoint(0, 1) : first;
      shape->Lock(2);
      current_ = shape;
      shape->Reset();
      shape->AddPart();
      shape->AddPoint(first);
    }
    if (current_ == nullptr) throw ETigerRecord();
    rec.Apply(*current_);
    return start;
  }

  /// The chain being extended gets its end point back.
  void FinishChain() {
    if (current_ == nullptr) return;
    TGIS_Shape* shape = current_;
    current_ = nullptr;
    shape->AddPoint(savedEnd_);
    shape->Unlock();
  }

  TGIS_LayerTiger& layer_;
  std::string files_[4];
  std::string version_;
  int versionClass_ = -1;
  std::int64_t total_ = 0, done_ = 0;
  int file_ = 0;
  std::int64_t lines_ = 0;
  std::string line_;
  std::unique_ptr<TGIS_MappedStream> stream_;
  std::map<std::string, TPlace> places_;
  std::map<std::string, TZip> zips_;
  std::map<std::string, TGIS_Shape*> chains_;
  TGIS_Shape* current_ = nullptr;
  TGIS_Point savedEnd_;
};

TGIS_LayerTiger::TGIS_LayerTiger() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerTiger::~TGIS_LayerTiger() = default;

void TGIS_LayerTiger::Open() {
  TGIS_LayerVector::Open();
  if (path_.empty()) return;
  TReader reader(*this);
  if (!reader.Run()) return;
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(TIGER_DESCRIPTION);
}

void GisRegisterLayerTiger() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerTiger", TIGER_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerTiger>();
      });
}
