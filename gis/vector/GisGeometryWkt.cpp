// Well-known text: the reader and TGIS_Shape::ExportToWKT (see GisGeometry.h).
#include "gis/vector/GisGeometryWkt.h"

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
  explicit TWktReader(const std::string& text) : text_(text) { SkipBlanks(); }

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

  /// '(' X Y, X Y ... ')' as one new part of `shape`.
  template <typename Target> void PointList(Target& shape) {
    Open();
    shape.AddPart();
    ListItems([&] {
      const double x = Number();
      const double y = Number();
      shape.AddPoint({x, y});
    });
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
};

TGIS_ShapeType TypeOfKeyword(const std::string& keyword) {
  if (keyword == "POINT") return gisShapeTypePoint;
  if (keyword == "MULTIPOINT") return gisShapeTypeMultiPoint;
  if (keyword == "LINESTRING" || keyword == "MULTILINESTRING") return gisShapeTypeArc;
  if (keyword == "POLYGON" || keyword == "MULTIPOLYGON") return gisShapeTypePolygon;
  throw EGIS_Exception(GIS_RS_ERR_UNSUPPORTEDWKT, keyword);
}

// ---- writing

void AppendPart(std::string& out, const TGIS_Shape& shape, int part) {
  const int n = shape.GetPartSize(part);
  for (int i = 0; i < n; ++i) {
    const TGIS_Point p = shape.GetPoint(part, i);
    if (i > 0) out += ", ";
    out += GisFloatToStr(p.X);
    out += ' ';
    out += GisFloatToStr(p.Y);
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

/// The listed parts that hold vertices: an empty part has no text form ("()"
/// is no geometry to any reader), so it is left out.
std::vector<int> PartsWithVertices(const TGIS_Shape& shape, const std::vector<int>& parts) {
  std::vector<int> kept;
  for (int part : parts)
    if (shape.GetPartSize(part) > 0) kept.push_back(part);
  return kept;
}

std::string ArcText(const TGIS_Shape& shape) {
  const std::vector<int> parts = PartsWithVertices(shape, GisPartIndexes(shape));
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
    std::vector<int> rings = PartsWithVertices(shape, group);
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
  TWktReader reader(text);
  const std::string keyword = reader.Keyword();
  const TGIS_ShapeType type = TypeOfKeyword(keyword);
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
      const TGIS_Point p = GetPoint(0, 0);
      text = "POINT(" + GisFloatToStr(p.X) + ' ' + GisFloatToStr(p.Y) + ')';
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
