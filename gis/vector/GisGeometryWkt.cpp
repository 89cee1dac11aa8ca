// Well-known text: the reader and TGIS_Shape::ExportToWKT (see GisGeometry.h).
#include "gis/vector/GisGeometryWkt.h"

#include <vector>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisGeometryBuilder.h"
#include "gis/vector/GisGeometryRings.h"
#include "platform/rtl/Exceptions.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\r' || c == '\n';
}

/// A read position in the text; every token is followed by the blanks after it.
class TWktReader {
public:
  /// `rings`: point lists are polygon rings; `bracedPoints`: a point of a
  /// list may stand in parentheses of its own (a multipoint's "((1 2), (3 4))").
  TWktReader(const std::string& text, bool rings, bool bracedPoints)
      : text_(text), rings_(rings), bracedPoints_(bracedPoints) {
    SkipBlanks();
  }

  /// The keyword, upper-cased.
  std::string Keyword() {
    std::string word;
    while (!AtEnd() && !IsBlank(Peek()) && Peek() != '(') {
      const char c = Peek();
      word += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
      ++position_;
    }
    SkipBlanks();
    return word;
  }

  /// '(' X Y, X Y ... ')' as one new part of `shape`; a ring keeps its
  /// vertices as given.
  template <typename Target> void PointList(Target& shape) {
    Open();
    shape.AddPart();
    std::vector<TGIS_Point> ring;
    ListItems([&] {
      const bool braced = bracedPoints_ && !AtEnd() && Peek() == '(';
      if (braced) Open();
      const double x = Number();
      const double y = Number();
      if (braced) Close();
      if (rings_)
        ring.push_back({x, y});
      else
        shape.AddPoint({x, y});
    });
    if (rings_) GisAppendRing(shape, ring);
  }
  /// '(' list, list ... ')' of point lists.
  template <typename Target> void ListOfPointLists(Target& shape) {
    Open();
    ListItems([&] { PointList(shape); });
  }
  /// '(' of lists of point lists (a multipolygon).
  template <typename Target> void ListOfPolygons(Target& shape) {
    Open();
    ListItems([&] { ListOfPointLists(shape); });
  }

private:
  bool AtEnd() const { return position_ >= text_.size(); }
  char Peek() const { return text_[position_]; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek()))
      ++position_;
  }

  /// A required '(': without it there is nothing to read.
  void Open() {
    if (AtEnd() || Peek() != '(') Abort();
    ++position_;
    SkipBlanks();
  }
  /// A required ')' that closes a braced point.
  void Close() {
    if (AtEnd() || Peek() != ')') GisGeometryDataError();
    ++position_;
    SkipBlanks();
  }

  double Number() {
    if (AtEnd()) GisGeometryDataError();
    const std::size_t start = position_;
    while (!AtEnd() && !IsBlank(Peek()) && Peek() != ')' && Peek() != ',')
      ++position_;
    const double value = GisStrToFloat(text_.substr(start, position_ - start));
    SkipBlanks();
    return value;
  }

  /// Items up to the closing ')', each followed by ')' or one separator.
  template <typename F> void ListItems(F&& item) {
    for (;;) {
      item();
      if (AtEnd()) GisGeometryDataError();
      const char c = Peek();
      ++position_;
      SkipBlanks();
      if (c == ')') return;
    }
  }

  const std::string& text_;
  std::size_t position_ = 0;
  bool rings_;
  bool bracedPoints_;
};

TGIS_ShapeType TypeOfKeyword(const std::string& keyword) {
  if (keyword == "POINT") return gisShapeTypePoint;
  if (keyword == "MULTIPOINT") return gisShapeTypeMultiPoint;
  if (keyword == "LINESTRING" || keyword == "MULTILINESTRING") return gisShapeTypeArc;
  if (keyword == "POLYGON" || keyword == "MULTIPOLYGON") return gisShapeTypePolygon;
  throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDWKT, keyword);
}

// ---- writing

/// "X Y" (the number form writes a negative zero as "0").
std::string PointText(const TGIS_Point& p) {
  return GisFloatToStr(p.X) + ' ' + GisFloatToStr(p.Y);
}

void AppendPart(std::string& out, const TGIS_Shape& shape, int part) {
  const int n = shape.GetPartSize(part);
  for (int i = 0; i < n; ++i) {
    if (i > 0) out += ", ";
    out += PointText(shape.GetPoint(part, i));
  }
}

/// "(part), (part)" of the listed parts.
void AppendParts(std::string& out, const TGIS_Shape& shape, const std::vector<int>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += ", ";
    out += '(';
    AppendPart(out, shape, parts[i]);
    out += ')';
  }
}

/// Parts without vertices are left out here and in well-known binary: an
/// empty part has no text form ("()" is no geometry to any reader).
std::string ArcText(const TGIS_Shape& shape) {
  const std::vector<int> parts = GisPartsWithVertices(shape, GisPartIndexes(shape));
  std::string out;
  if (parts.size() <= 1) {
    out = "LINESTRING(";
    if (parts.size() == 1) AppendPart(out, shape, parts[0]);
  } else {
    out = "MULTILINESTRING(";
    AppendParts(out, shape, parts);
  }
  return out + ')';
}

/// One POLYGON while at most one ring lies outside all others; islands make a
/// MULTIPOLYGON, each with its own holes.
std::string PolygonText(const TGIS_Shape& shape) {
  std::vector<std::vector<int>> groups;
  for (const std::vector<int>& group : GisPolygonRingGroups(shape)) {
    std::vector<int> rings = GisPartsWithVertices(shape, group);
    if (!rings.empty()) groups.push_back(std::move(rings));
  }
  if (groups.size() == 1) {
    std::string out = "POLYGON(";
    AppendParts(out, shape, groups[0]);
    return out + ')';
  }
  std::string out = "MULTIPOLYGON(";
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (i > 0) out += ", ";
    out += '(';
    AppendParts(out, shape, groups[i]);
    out += ')';
  }
  return out + ')';
}

} // namespace

std::unique_ptr<TGIS_Shape> GisCreateShapeFromWKT(const std::string& text, const TGIS_Shape* source,
                                                  std::span<const std::uint8_t> raw, bool mapped,
                                                  std::int32_t uid, TGIS_LayerVector* layer) {
  const std::string keyword = TWktReader(text, false, false).Keyword();
  const TGIS_ShapeType type = TypeOfKeyword(keyword);
  TWktReader reader(text, type == gisShapeTypePolygon, type == gisShapeTypeMultiPoint);
  reader.Keyword();
  const TGIS_ShapeArgs args{source, raw, mapped, uid, layer};
  auto read = [&](auto& target) {
    if (keyword == "MULTIPOLYGON")
      reader.ListOfPolygons(target);
    else if (keyword == "MULTILINESTRING" || keyword == "POLYGON")
      reader.ListOfPointLists(target);
    else
      reader.PointList(target);
  };
  if (TGIS_ShapeBuilder::Fits(args)) {
    TGIS_ShapeBuilder builder(type);
    read(builder);
    return builder.Make(args);
  }
  std::unique_ptr<TGIS_Shape> shape = GisNewReadShape(type, args);
  read(*shape);
  GisEndReadShape(*shape);
  return shape;
}

std::string TGIS_Shape::ExportToWKT() {
  std::string out;
  GisExportLocked(*this, out, [this](std::string& text) {
    switch (ShapeType()) {
    case gisShapeTypePoint: {
      text = "POINT(" + PointText(GetPoint(0, 0)) + ')';
      break;
    }
    case gisShapeTypeMultiPoint:
      text = "MULTIPOINT(";
      AppendPart(text, *this, 0);
      text += ')';
      break;
    case gisShapeTypeArc:
      text = ArcText(*this);
      break;
    case gisShapeTypePolygon:
      text = PolygonText(*this);
      break;
    default:
      break;
    }
  });
  return out;
}
