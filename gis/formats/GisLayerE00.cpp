// TGIS_E00LineReader and TGIS_LayerE00.
#include "gis/formats/GisLayerE00.h"

#include <memory>
#include <vector>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char E00_DESCRIPTION[] = "Arcinfo Export Format (E00) .PAT";
constexpr char E00_INFO_PREFIX[] = "Arcinfo Export Format (E00) ";

// Sections seen in a pass.
constexpr int E00_SEEN_LAB = 4;
constexpr int E00_SEEN_ARC = 16;
constexpr int E00_SEEN_PAL = 32;

constexpr std::size_t E00_MAX_DECODED_LINE = 65536;

} // namespace

std::int32_t E00IntBeforeDash(const std::string& token) {
  const std::size_t dash = token.find('-');
  return std::int32_t(StrToInt(dash == std::string::npos ? token : token.substr(0, dash)));
}

// ---- logical lines ---------------------------------------------------------------------

TGIS_E00LineReader::TGIS_E00LineReader(TGIS_StreamAbstract& stream, std::string path)
    : stream_(stream), path_(std::move(path)) {}

void TGIS_E00LineReader::Fail() const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, path_, lineCounter_);
}

void TGIS_E00LineReader::ReadLogicalLine() {
  line_.clear();
  taken_ = 0;
  if (compressed_) {
    DecodeLine();
  } else if (stream_.Eof()) {
    eof_ = true;
  } else {
    stream_.ReadLine(line_, 0);
    ++lineCounter_;
    if (OnLine) OnLine();
  }
  if (!eof_ && lineWidth_ > 0 && line_.size() < std::size_t(lineWidth_))
    line_.resize(std::size_t(lineWidth_), ' ');
}

void TGIS_E00LineReader::DecodeLine() {
  int state = 0;
  // The number being decoded: its header and where its characters begin.
  int point = 0, exponent = 0, digits = 0;
  bool drop = false;
  std::size_t numberStart = 0;

  auto appendDigits = [&](int v) {
    // A pair stands for two decimal digits.
    if (v < 0 || v > 99) Fail();
    for (int d : {v / 10, v % 10}) {
      line_ += char('0' + d);
      if (++digits == point) line_ += '.';
    }
  };
  auto endNumber = [&] {
    // Only the characters of this number are ever removed.
    if (drop) {
      if (line_.size() <= numberStart) Fail();
      line_.pop_back();
    }
    if (exponent != 0) {
      if (line_.size() < numberStart + 2) Fail();
      const std::string e = line_.substr(line_.size() - 2);
      line_.resize(line_.size() - 2);
      line_ += exponent == 1 ? "E+" : "E-";
      line_ += e;
    }
  };
  auto endLine = [&] {
    ++lineCounter_;
    if (OnLine) OnLine();
  };

  for (;;) {
    if (readIndex_ >= buffer_.size()) {
      if (stream_.Eof()) {
        eof_ = true;
        return;
      }
      stream_.ReadLine(buffer_, 0);
      readIndex_ = 0;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(buffer_[readIndex_++]);
    if (c < 32) continue;
    // Export lines hold 80 characters: a decoded line far beyond that is no
    // line of the format (blank runs would otherwise grow it 70 times
    // faster than the file).
    if (line_.size() > E00_MAX_DECODED_LINE) Fail();
    switch (state) {
    case 0:
      if (c == '~')
        state = 1;
      else
        line_ += char(c);
      break;
    case 1:
      if (c == ' ') {
        state = 2;
      } else if (c == '-' || c == '~') {
        line_ += char(c);
        state = 0;
      } else if (c == '}') {
        endLine();
        return;
      } else if ((c >= '!' && c <= ',') || (c >= '.' && c <= 'z')) {
        const int v = c - 33;
        point = v % 15;
        drop = v >= 45;
        exponent = (v / 15) % 3;
        digits = 0;
        numberStart = line_.size();
        state = 3;
      } else {
        Fail();
      }
      break;
    case 2:
      if (c != ' ') line_.append(std::size_t(c - 32), ' ');
      state = 0;
      break;
    case 3:
      if (c == ' ' || c == '~') {
        endNumber();
        if (c == ' ') {
          line_ += ' ';
          state = 0;
        } else {
          state = 5;
        }
      } else if (c == '}') {
        state = 4;
      } else {
        appendDigits(c - 33);
      }
      break;
    case 4:
      appendDigits(92 + c - 33);
      state = 3;
      break;
    default: // 5
      if (c == ' ') {
        state = 2;
      } else if (c == '}') {
        endLine();
        return;
      } else {
        line_ += char(c);
        state = 0;
      }
      break;
    }
  }
}

std::string TGIS_E00LineReader::TakeChars(int n) {
  std::string out;
  if (n <= 0) return out;
  const std::size_t want = std::size_t(n);
  while (out.size() < want) {
    if (taken_ >= line_.size()) {
      if (eof_) break;
      ReadLogicalLine();
      continue;
    }
    const std::size_t k = std::min(want - out.size(), line_.size() - taken_);
    out.append(line_, taken_, k);
    taken_ += k;
  }
  return out;
}

void TGIS_E00LineReader::DiscardLine() {
  line_.clear();
  taken_ = 0;
}

// ---- the layer -------------------------------------------------------------------------

/// One read of the file: the survey pass notes which sections exist, the load
/// pass builds the part's shapes and reads its table.
class TGIS_LayerE00::TPass {
public:
  TPass(TGIS_LayerE00& layer, bool survey, bool twoPass)
      : layer_(layer), survey_(survey), twoPass_(twoPass) {}

  int Seen() const { return seen_; }

  void Run() {
    TGIS_Viewer* viewer = layer_.viewer_;
    stream_ = std::make_unique<TGIS_MappedStream>(layer_.path_, false, layer_.OnAfterRead,
                                                  layer_.OnBeforeWrite);
    reader_ = std::make_unique<TGIS_E00LineReader>(*stream_, layer_.path_);
    reader_->OnLine = [this] { Progress(); };
    if (viewer != nullptr) viewer->BusyPrepare(&layer_);
    auto release = ScopeExit([&] {
      if (viewer != nullptr) viewer->BusyRelease(&layer_);
      arcs_.clear();
    });
    try {
      while (!reader_->Eof()) {
        reader_->ReadLogicalLine();
        if (reader_->Eof() && reader_->CurrentLine().empty()) break;
        const std::string text = reader_->CurrentLine();
        const std::vector<std::string> t = Tokens(text);
        if (reader_->LineCounter() == 1) {
          Header(text, t);
          continue;
        }
        Dispatch(t);
      }
    } catch (const EGIS_Exception&) {
      throw;
    } catch (const Exception&) {
      Fail();
    }
    release.Run();
    if (!survey_ && GisIsEmptyExtent(layer_.extent_))
      throw EGIS_Exception(GIS_RS_ERR_E00ENTRY + PartSection(), layer_.path_);
  }

private:
  [[noreturn]] void Fail() const {
    throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, layer_.path_,
                         reader_ != nullptr ? reader_->LineCounter() : 0);
  }

  std::string PartSection() const {
    switch (layer_.part_) {
    case gisShapeTypePolygon:
      return "PAL";
    case gisShapeTypePoint:
      return "LAB";
    default:
      return "ARC";
    }
  }

  void Progress() {
    TGIS_Viewer* viewer = layer_.viewer_;
    if (viewer == nullptr || reader_->LineCounter() % 100 != 1) return;
    // Positions in KiB: the two passes of a surveyed open make one run.
    const std::int64_t pos = stream_->Seek(0, 1) >> 10, size = stream_->Size() >> 10;
    bool abort = false;
    if (survey_)
      viewer->BusyShake(&layer_, int(pos), int(2 * size), abort);
    else if (twoPass_)
      viewer->BusyShake(&layer_, int(size + pos), int(2 * size), abort);
    else
      viewer->BusyShake(&layer_, int(pos), int(size), abort);
  }

  std::vector<std::string> Tokens(const std::string& text) {
    tokenizer_.ExecuteFields(text, ' ', '"');
    std::vector<std::string> out;
    for (int i = 0; i < tokenizer_.Result().Count() && i < 7; ++i)
      out.push_back(tokenizer_.Result()[i]);
    out.resize(7);
    return out;
  }

  void Header(const std::string& text, const std::vector<std::string>& t) {
    if (t[0] != "EXP" || (t[1] != "0" && t[1] != "1") || t[2].empty()) Fail();
    reader_->SetCompressed(t[1] == "1");
    // The coverage name: the file name in the rest of the line from token 3.
    std::size_t at = 0;
    for (int k = 0; k < 2; ++k) {
      while (at < text.size() && text[at] == ' ')
        ++at;
      while (at < text.size() && text[at] != ' ')
        ++at;
    }
    while (at < text.size() && text[at] == ' ')
      ++at;
    layer_.coverageName_ = GisFileNameWithoutExt(TrimRight(text.substr(at)));
  }

  void Dispatch(const std::vector<std::string>& t) {
    const std::string& key = t[0];
    if (key.empty()) return;
    if (key == "ARC") {
      seen_ |= E00_SEEN_ARC;
      if (!survey_ && (layer_.part_ == gisShapeTypeArc || layer_.part_ == gisShapeTypePolygon))
        ReadArcSection(Precision(t[1]));
    } else if (key == "LAB") {
      seen_ |= E00_SEEN_LAB;
      if (!survey_ && layer_.part_ == gisShapeTypePoint) ReadLabSection(Precision(t[1]));
    } else if (key == "PAL") {
      seen_ |= E00_SEEN_PAL;
      if (!survey_ && layer_.part_ == gisShapeTypePolygon) ReadPalSection(Precision(t[1]));
    } else if (key == "PRJ") {
      SkipProjection();
    } else if (key == layer_.coverageName_ + ".AAT" || key == layer_.coverageName_ + ".PAT") {
      ReadInfoTable(key.substr(key.size() - 4), t);
    }
  }

  /// The width of a coordinate: 14 characters (single precision, "2") or
  /// 21 (double precision, "3").
  int Precision(const std::string& token) const {
    if (token == "2") return 14;
    if (token == "3") return 21;
    Fail();
  }

  std::int64_t TakeInteger(int width) {
    Integer v = 0;
    if (!TryStrToInt(Trim(reader_->TakeChars(width)), v)) Fail();
    return v;
  }

  double TakeNumber(int width) {
    const std::string text = Trim(reader_->TakeChars(width));
    if (text.empty()) Fail();
    return GisStrToFloat(text);
  }

  void FirstShapeExtent(TGIS_Shape* shape) {
    if (layer_.ShapeCount() == 1 && !shape->IsEmpty()) layer_.SetExtent(shape->GetExtentRaw());
  }

  void ReadArcSection(int width) {
    const bool polygons = layer_.part_ == gisShapeTypePolygon;
    if (polygons) arcsRead_ = true;
    while (!reader_->Eof()) {
      reader_->ReadLogicalLine();
      if (reader_->Eof() && reader_->CurrentLine().empty()) break;
      std::int64_t header[7];
      for (std::int64_t& v : header)
        v = TakeInteger(10);
      if (header[0] == -1) break;
      if (header[6] < 0) Fail();
      ReadArcPoints(width, header[6], polygons);
    }
  }

  void ReadArcPoints(int width, std::int64_t count, bool stored) {
    TGIS_Shape* shape = nullptr;
    std::vector<TGIS_Point>* points = nullptr;
    if (stored) {
      arcs_.emplace_back();
      points = &arcs_.back();
    } else {
      shape = layer_.CreateShape(gisShapeTypeArc);
      if (shape == nullptr) Fail();
      shape->Lock(1);
      shape->AddPart();
    }
    auto unlock = ScopeExit([&] {
      if (shape != nullptr) shape->Unlock();
    });
    reader_->ReadLogicalLine();
    for (std::int64_t i = 0; i < count; ++i) {
      TGIS_Point p;
      p.X = TakeNumber(width);
      p.Y = TakeNumber(width);
      if (points != nullptr)
        points->push_back(p);
      else
        shape->AddPoint(p);
      if (width == 21 || i % 2 == 1) reader_->DiscardLine();
    }
    if (shape != nullptr) {
      unlock.Run();
      FirstShapeExtent(shape);
    }
  }

  void ReadLabSection(int width) {
    while (!reader_->Eof()) {
      reader_->ReadLogicalLine();
      if (reader_->Eof() && reader_->CurrentLine().empty()) break;
      if (TakeInteger(10) == -1) {
        reader_->DiscardLine();
        break;
      }
      ReadLabel(width);
    }
  }

  void ReadLabel(int width) {
    TGIS_Shape* shape = layer_.CreateShape(gisShapeTypePoint);
    if (shape == nullptr) Fail();
    shape->Lock(1);
    auto unlock = ScopeExit([&] { shape->Unlock(); });
    shape->AddPart();
    reader_->TakeChars(10); // the polygon id
    TGIS_Point p;
    p.X = TakeNumber(width);
    p.Y = TakeNumber(width);
    shape->AddPoint(p);
    // The label's box: two corners.
    TakeNumber(width);
    TakeNumber(width);
    if (width == 21) reader_->DiscardLine();
    TakeNumber(width);
    TakeNumber(width);
    reader_->DiscardLine();
    unlock.Run();
    FirstShapeExtent(shape);
  }

  void ReadPalSection(int width) {
    // Polygons are made of the arcs of an ARC section read before.
    if (!arcsRead_) Fail();
    bool universe = true;
    while (!reader_->Eof()) {
      reader_->ReadLogicalLine();
      if (reader_->Eof() && reader_->CurrentLine().empty()) break;
      const std::int64_t count = TakeInteger(10);
      // The end line carries no box.
      if (count == -1) {
        reader_->DiscardLine();
        break;
      }
      if (count < 0) Fail();
      reader_->TakeChars(2 * width);
      if (width == 21) reader_->DiscardLine();
      reader_->TakeChars(2 * width);
      reader_->DiscardLine();
      AssemblePolygon(count, universe);
      universe = false;
    }
  }

  void AssemblePolygon(std::int64_t count, bool universe) {
    TGIS_Shape* shape = nullptr;
    if (!universe) {
      shape = layer_.CreateShape(gisShapeTypePolygon);
      if (shape == nullptr) Fail();
      shape->Lock(1);
    }
    auto unlock = ScopeExit([&] {
      if (shape != nullptr) shape->Unlock();
    });
    std::vector<TGIS_Point> part;
    TGIS_Point start, end;
    bool ringStarted = false;
    // A ring whose end is not its start is closed by walking its points back.
    auto closePart = [&] {
      if (ringStarted && !GisIsSamePoint(start, end)) {
        const std::size_t n = part.size();
        for (std::size_t k = n; k-- > 0;)
          part.push_back(part[k]);
      }
      if (shape != nullptr) {
        shape->AddPart();
        for (const TGIS_Point& p : part)
          shape->AddPoint(p);
      }
      part.clear();
      ringStarted = false;
    };
    for (std::int64_t i = 0; i < count; ++i) {
      const std::int64_t arc = TakeInteger(10);
      TakeInteger(10); // node
      TakeInteger(10); // polygon
      if (i % 2 == 1) reader_->DiscardLine();
      if (arc == 0) {
        closePart();
        continue;
      }
      const std::int64_t index = arc < 0 ? -arc : arc;
      if (index > std::int64_t(arcs_.size())) Fail();
      const std::vector<TGIS_Point>& points = arcs_[std::size_t(index - 1)];
      if (points.empty()) continue;
      if (arc < 0) {
        if (!ringStarted) start = points.back();
        for (std::size_t k = points.size(); k-- > 0;)
          part.push_back(points[k]);
        end = points.front();
      } else {
        if (!ringStarted) start = points.front();
        part.insert(part.end(), points.begin(), points.end());
        end = points.back();
      }
      ringStarted = true;
    }
    closePart();
    if (shape != nullptr) {
      unlock.Run();
      FirstShapeExtent(shape);
    }
  }

  void SkipProjection() {
    while (!reader_->Eof()) {
      reader_->ReadLogicalLine();
      if (UpperCase(TrimRight(reader_->CurrentLine())) == "EOP") break;
    }
  }

  // ---- INFO tables -----------------------------------------------------------------

  struct TItem {
    std::string Name;
    int Type = 0;
    int Width = 0;
    int Decimals = 0;
    int TextWidth = 0;
  };

  /// The text width of a binary item: `narrowText` for the item width
  /// `narrow`, `wideText` for `wide`; any other width is an error.
  int BinaryTextWidth(int width, int narrow, int narrowText, int wide, int wideText) const {
    if (width == narrow) return narrowText;
    if (width != wide) Fail();
    return wideText;
  }

  void ReadInfoTable(const std::string& kind, const std::vector<std::string>& t) {
    const bool xx = t[1] == "XX";
    const std::int64_t items = StrToInt(xx ? t[3] : t[2]);
    const std::int64_t records = StrToInt(xx ? t[5] : t[4]);
    if (items < 0 || records < 0) Fail();
    const bool own = ((kind == ".AAT" && layer_.part_ == gisShapeTypeArc) ||
                      (kind == ".PAT" && (layer_.part_ == gisShapeTypePoint ||
                                          layer_.part_ == gisShapeTypePolygon))) &&
                     layer_.ShapeCount() > 0;
    std::vector<TItem> defs;
    for (std::int64_t i = 0; i < items && !reader_->Eof(); ++i) {
      reader_->ReadLogicalLine();
      const std::vector<std::string> d = Tokens(reader_->CurrentLine());
      TItem item;
      item.Name = d[0];
      item.Width = E00IntBeforeDash(d[1]);
      if (d[3].find('-') != std::string::npos) {
        item.Type = E00IntBeforeDash(d[4]);
      } else {
        item.Decimals = E00IntBeforeDash(d[4]);
        item.Type = E00IntBeforeDash(d[5]);
      }
      if (item.Width < 0 || item.Decimals < 0) Fail();
      std::uint8_t fieldType = gisFieldTypeString;
      int fieldWidth = item.Width, fieldDecimals = 0;
      switch (item.Type) {
      case 10:
        fieldType = gisFieldTypeDate, fieldWidth = 0, item.TextWidth = 8;
        break;
      case 20:
        item.TextWidth = item.Width;
        break;
      case 30:
        fieldType = gisFieldTypeNumber, item.TextWidth = item.Width;
        break;
      case 40:
        fieldType = gisFieldTypeFloat, fieldWidth = 0, item.TextWidth = 14;
        break;
      case 50:
        fieldType = gisFieldTypeNumber, fieldWidth = 11;
        item.TextWidth = BinaryTextWidth(item.Width, 2, 6, 4, 11);
        break;
      case 60:
        fieldType = gisFieldTypeNumber, fieldDecimals = item.Decimals;
        item.TextWidth = BinaryTextWidth(item.Width, 4, 14, 8, 24);
        break;
      default:
        Fail();
      }
      item.Decimals = fieldDecimals;
      item.Width = fieldWidth;
      if (own) layer_.AddField(item.Name, fieldType, fieldWidth, fieldDecimals);
      defs.push_back(item);
    }
    if (!own) {
      // A table of another part, or of a pass without shapes: read and dropped.
      for (std::int64_t r = 0; r < records && !reader_->Eof(); ++r)
        ReadInfoRecord(defs, nullptr);
      return;
    }
    layer_.MoveFirst(GisWholeWorldExtent());
    for (std::int64_t r = 0; r < records && !layer_.Eof() && !reader_->Eof(); ++r) {
      ReadInfoRecord(defs, layer_.GetCurrentShape());
      // The universe polygon has no shape: its record is replaced by the next.
      if (layer_.part_ == gisShapeTypePolygon && r == 0) continue;
      layer_.MoveNext();
    }
  }

  void ReadInfoRecord(const std::vector<TItem>& defs, TGIS_Shape* shape) {
    reader_->SetLineWidth(80);
    auto plain = ScopeExit([&] { reader_->SetLineWidth(0); });
    reader_->ReadLogicalLine();
    const int firstField = shape != nullptr ? layer_.FieldCount() - int(defs.size()) : 0;
    for (std::size_t i = 0; i < defs.size(); ++i) {
      const std::string text = reader_->TakeChars(defs[i].TextWidth);
      if (shape == nullptr) continue;
      const Variant value = InfoValue(defs[i], text);
      if (value.IsNull()) {
        shape->SetField(layer_.GetFieldInfo(firstField + int(i))->NewName, value);
        continue;
      }
      Variant v = value;
      const int from = layer_.GetCodePage(), to = layer_.GetOutCodePage();
      if (from != to && defs[i].Type == 20) v = GisConvertCodePage(v.AsString(), from, to);
      try {
        shape->SetField(layer_.GetFieldInfo(firstField + int(i))->NewName, v);
      } catch (const EConvertError&) {
        shape->SetField(layer_.GetFieldInfo(firstField + int(i))->NewName, Variant::MakeNull());
      }
    }
  }

  static Variant InfoValue(const TItem& item, const std::string& text) {
    switch (item.Type) {
    case 20:
      return Variant(TrimRight(text));
    case 30:
    case 50:
    case 60: {
      double d = 0;
      if (!TryStrToFloat(Trim(text), d, GisDotFormatSettings())) return Variant::MakeNull();
      return Variant(Format("%*.*f", {item.Width, item.Decimals, d}, GisDotFormatSettings()));
    }
    case 10: {
      std::string d = Trim(text);
      if (d.size() <= 7 || d == "00000000") d = "18000101";
      Integer y = 0, m = 0, day = 0;
      TDateTime date = 0;
      if (d.size() >= 8 && TryStrToInt(Trim(d.substr(0, 4)), y) &&
          TryStrToInt(Trim(d.substr(4, 2)), m) && TryStrToInt(Trim(d.substr(6, 2)), day) && y > 0 &&
          y < 10000 && m > 0 && m < 13 && day > 0 && day < 32 &&
          TryEncodeDate(Word(y), Word(m), Word(day), date))
        return Variant::FromDate(date);
      return Variant::MakeNull();
    }
    default: { // 40: the text as it stands
      double d = 0;
      if (!TryStrToFloat(Trim(text), d, GisDotFormatSettings())) return Variant::MakeNull();
      return Variant(d);
    }
    }
  }

  TGIS_LayerE00& layer_;
  bool survey_, twoPass_;
  int seen_ = 0;
  bool arcsRead_ = false;
  std::unique_ptr<TGIS_MappedStream> stream_;
  std::unique_ptr<TGIS_E00LineReader> reader_;
  std::vector<std::vector<TGIS_Point>> arcs_;
  TGIS_Tokenizer tokenizer_;
};

TGIS_LayerE00::TGIS_LayerE00(std::uint8_t part) : part_(part) {
  capabilities_ = GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_READS_WHOLE;
}

TGIS_LayerE00::~TGIS_LayerE00() = default;

void TGIS_LayerE00::Open() {
  TGIS_LayerVector::Open();
  if (path_.empty()) return;
  bool twoPass = false;
  if (part_ == 0) {
    TPass survey(*this, true, false);
    survey.Run();
    const int seen = survey.Seen();
    if (seen & E00_SEEN_PAL)
      part_ = gisShapeTypePolygon;
    else if (seen & E00_SEEN_ARC)
      part_ = gisShapeTypeArc;
    else if (seen & E00_SEEN_LAB)
      part_ = gisShapeTypePoint;
    else
      throw EGIS_Exception(GIS_RS_ERR_E00ENTRY + "ARC;PAL;LAB", path_);
    twoPass = true;
  }
  SetSupportedShapes(GisShapeTypeBit(TGIS_ShapeType(part_)));
  auto clean = ScopeExit([&] { modified_ = false; });
  TPass load(*this, false, twoPass);
  load.Run();
  clean.Run();
  if (FileExists(path_)) openTime_ = GisFileAge(path_);
  SetInfoText(std::string(E00_INFO_PREFIX) + (part_ == gisShapeTypePolygon ? ".PAT"
                                              : part_ == gisShapeTypePoint ? "LAB"
                                                                           : "ARC"));
}

void GisRegisterLayerE00() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerE00", E00_DESCRIPTION,
      [](TGIS_LayerFactoryArgs& args) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerE00>(args.E00Part);
      });
}
