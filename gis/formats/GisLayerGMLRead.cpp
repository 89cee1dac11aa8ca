// TGIS_LayerGML: opening, the parse handler and the coordinate reader.
#include <cstdint>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisLayerGML.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "gis/core/GisDefsSystem.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

constexpr char GML_DESCRIPTION[] = "Geographic Markup Language (GML)";

bool EndsWithMember(const std::string& name) {
  return name.size() >= 6 && name.compare(name.size() - 6, 6, "Member") == 0;
}

/// Members of a multi-geometry (never features).
bool IsGeometryMember(const std::string& name) {
  return name == "pointMember" || name == "lineStringMember" || name == "LineStringMember" ||
         name == "polygonMember" || name == "geometryMember";
}

bool StartsFeature(const std::string& name) {
  return name == "featureMember" || (EndsWithMember(name) && !IsGeometryMember(name));
}

bool IsSimpleGeometry(const std::string& name) {
  return name == "MultiPoint" || name == "Point" || name == "LineString" || name == "Polygon" ||
         name == "LinearRing";
}

/// XML white space becomes a blank, other control characters are dropped;
/// blanks are trimmed at both ends.
std::string CleanText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u == '\t' || u == '\n' || u == '\r') out += ' ';
    else if (u >= 32) out += c;
  }
  const std::size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

/// "%" of a text that goes into a message template.
std::string LiteralPercent(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

} // namespace

/// The parse state machine.
class T_MySimpleSaxHandler : public T_MySaxHandler {
public:
  explicit T_MySimpleSaxHandler(TGIS_LayerGML& layer) : layer_(layer) {}

  void Clear() {
    Finish();
    inFeature_ = inMulti_ = inGeometry_ = polygon_ = multipolygon_ = line_ = multiline_ =
        point_ = multipoint_ = expect_ = inBox_ = coordMode_ = pendingEmpty_ = boxFeature_ =
            false;
    element_.clear();
    property_.clear();
    counter_ = Total = 0;
    dimension_ = 2;
    x_ = y_ = 0;
    points_.clear();
    Pending.clear();
    Counting = Building;
  }

  void startElement(const std::string& uri, const std::string& local, const std::string& qName,
                    const IVBSAXAttributes& attributes) override {
    T_MySaxHandler::startElement(uri, local, qName, attributes);
    if (Counting) return;
    const std::string& L = local;
    element_ = L;
    if (L == "Box") {
      boxFeature_ = inFeature_;
      inBox_ = inFeature_ = true;
    } else if (StartsFeature(L)) {
      inFeature_ = true;
      Pending.clear();
    } else {
      if (L == "MultiPolygon" || L == "MultiPoint" || L == "Point" || L == "LineString" ||
          L == "Polygon" || L == "MultiLineString" || L == "LinearRing") {
        inGeometry_ = true;
        dimension_ = 2;
        if (!inFeature_) Pending.clear();
      } else if (L == "MultiGeometry") {
        inMulti_ = true;
      }
    }
    if (inFeature_ || inGeometry_) {
      if (L == "MultiPoint") {
        multipoint_ = true;
        StartShape(gisShapeTypeMultiPoint);
      } else if (L == "Point") {
        if (multipoint_) NewPart();
        else {
          point_ = true;
          StartShape(gisShapeTypePoint);
        }
      } else if (L == "MultiLineString") {
        multiline_ = true;
        StartShape(gisShapeTypeArc);
      } else if (L == "LineString") {
        if (!multiline_) {
          line_ = true;
          StartShape(gisShapeTypeArc);
        }
        NewPart();
      } else if (L == "MultiPolygon") {
        multipolygon_ = true;
        StartShape(gisShapeTypePolygon);
      } else if (L == "Polygon") {
        if (multipolygon_) NewPart();
        else {
          polygon_ = true;
          StartShape(gisShapeTypePolygon);
        }
      } else if (L == "LinearRing") {
        if (!polygon_ && !multipolygon_) {
          polygon_ = true;
          StartShape(gisShapeTypePolygon);
        }
      } else if (L == "innerBoundaryIs" || L == "interior") {
        NewPart();
      } else if (L == "coordinates" || L == "pos" || L == "posList" || L == "coord") {
        if (polygon_ || line_ || point_ || multipoint_ || multiline_ || multipolygon_)
          expect_ = true;
        coordMode_ = L == "coord";
      }
    }
    if (attributes.length() == 0) {
      property_ = L;
      if (qName.find("gml:") == std::string::npos) pendingEmpty_ = true;
    } else if (qName != "g:PROPERTIES") {
      for (int i = 0; i < attributes.length(); ++i) {
        const std::string& a = attributes.getLocalName(i);
        const std::string& v = attributes.getValue(i);
        if (a == "srsDimension") {
          Integer d = 0;
          dimension_ = TryStrToInt(v, d) ? int(d) : 2;
        } else if (qName.find("gml:") == std::string::npos) {
          layer_.AddAttribute(L + "_" + a, v);
        } else if (qName == "gml:Property") {
          property_ = v;
          pendingEmpty_ = true;
        }
      }
    }
  }

  void endElement(const std::string& uri, const std::string& local,
                  const std::string& qName) override {
    T_MySaxHandler::endElement(uri, local, qName);
    if (Counting == CountingPass) {
      ++Total;
      return;
    }
    ++counter_;
    if (counter_ % 100 == 0 && layer_.viewer_ != nullptr) {
      bool abort = false;
      layer_.viewer_->BusyShake(&layer_, counter_, Total, abort);
      if (abort) Counting = Aborted;
    }
    if (Counting) return;
    const std::string& L = local;
    if (L == "Box" && inBox_) {
      // The box is read aside: the feature goes on as it was.
      inBox_ = coordMode_ = false;
      points_.clear();
      inFeature_ = boxFeature_;
      return;
    }
    if (L == "coord") {
      points_.push_back({x_, y_});
      expect_ = false;
    }
    if (L == "MultiGeometry") {
      inMulti_ = false;
      return;
    }
    if (L == "coordinates" || L == "pos" || L == "posList") {
      inBox_ = expect_ = false;
      return;
    }
    if (L == "innerBoundaryIs" || L == "outerBoundaryIs") {
      if (coordMode_) AddPoints();
      points_.clear();
      coordMode_ = false;
    }
    if (StartsFeature(L) ||
        (IsSimpleGeometry(L) && !((inFeature_ || multipolygon_) && !inMulti_))) {
      if (!inMulti_)
        inFeature_ = line_ = multiline_ = polygon_ = multipolygon_ = point_ = multipoint_ =
            inGeometry_ = false;
      if (shape_ != nullptr) {
        for (const auto& [name, value] : Pending)
          layer_.StoreAttribute(name, value);
        if (coordMode_) AddPoints();
        points_.clear();
        if (!inMulti_) Pending.clear();
        EndShape();
      }
      return;
    }
    if (layer_.OnElement && layer_.ElementNames != nullptr)
      for (int i = 0; i < layer_.ElementNames->Count(); ++i)
        if ((*layer_.ElementNames)[i] == L) layer_.OnElement(this, L, Pending);
  }

  void characters(const std::string& text) override {
    T_MySaxHandler::characters(text);
    if (Counting) return;
    const std::string t = CleanText(text);
    if (!t.empty()) {
      if (coordMode_ && element_ == "X") x_ = GisStrToFloat(t);
      else if (coordMode_ && element_ == "Y") y_ = GisStrToFloat(t);
      if (expect_ && !coordMode_) {
        layer_.ParseCoordinates(t);
      } else if (inFeature_) {
        layer_.AddAttribute(property_, t);
        pendingEmpty_ = false;
      }
    } else if (pendingEmpty_ && inFeature_) {
      layer_.AddAttribute(property_, "", true);
      pendingEmpty_ = false;
    }
  }

  /// The shape the coordinates go to (nullptr: none).
  TGIS_Shape* Shape() {
    if (shape_ != nullptr && shape_->GetNumParts() == 0) shape_->AddPart();
    return shape_;
  }
  int Dimension() const { return dimension_; }

  /// Unlocks the current shape (at the end of a parse, also a failed one).
  void Finish() {
    if (shape_ != nullptr && locked_) shape_->Unlock();
    locked_ = false;
    shape_ = nullptr;
  }

  enum { Building = 0, CountingPass = 1, Aborted = 2 };
  int Counting = Building;
  int Total = 0;
  TGIS_LayerGML::TPendingAttributes Pending;

private:
  void StartShape(TGIS_ShapeType type) {
    Finish();
    shape_ = layer_.CreateShape(type);
    if (shape_ == nullptr) return;
    shape_->Lock(2);
    locked_ = true;
    shape_->Reset();
    if (type != gisShapeTypeArc) shape_->AddPart();
  }

  /// A new part, unless the last one is still empty.
  void NewPart() {
    if (shape_ == nullptr) return;
    if (!locked_) {
      shape_->Lock(2);
      locked_ = true;
    }
    const int n = shape_->GetNumParts();
    if (n > 0 && shape_->GetPartSize(n - 1) == 0) return;
    shape_->AddPart();
  }

  void AddPoints() {
    if (Shape() == nullptr) return;
    for (const TGIS_Point& p : points_)
      shape_->AddPoint(p);
    points_.clear();
  }

  void EndShape() {
    TGIS_Shape* s = shape_;
    Finish();
    if (layer_.ShapeCount() == 1) layer_.SetExtent(s->GetExtentRaw());
  }

  TGIS_LayerGML& layer_;
  TGIS_Shape* shape_ = nullptr;
  bool locked_ = false;
  bool inFeature_ = false, inMulti_ = false, inGeometry_ = false, polygon_ = false,
       multipolygon_ = false, line_ = false, multiline_ = false, point_ = false,
       multipoint_ = false, expect_ = false, inBox_ = false, coordMode_ = false,
       pendingEmpty_ = false, boxFeature_ = false;
  std::string element_, property_;
  int counter_ = 0;
  int dimension_ = 2;
  double x_ = 0, y_ = 0;
  std::vector<TGIS_Point> points_;
};

TGIS_LayerGML::TGIS_LayerGML()
    : errorHandler_(std::make_unique<T_MySaxErrorHandler>()),
      documentWriter_(std::make_unique<T_SAXDocumentWriter>()),
      contentWriter_(std::make_unique<T_SAXContentWriter>()),
      handler_(std::make_unique<T_MySimpleSaxHandler>(*this)) {
  capabilities_ =
      GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT | GIS_CAPABILITY_READS_WHOLE;
  documentWriter_->Encoding = "UTF-8";
  contentWriter_->SetTarget(documentWriter_.get());
}

TGIS_LayerGML::~TGIS_LayerGML() {
  contentWriter_->SetTarget(nullptr);
}

void TGIS_LayerGML::AddAttribute(const std::string& name, const std::string& value, bool force) {
  if (!name.empty() && (!value.empty() || force)) handler_->Pending.emplace_back(name, value);
}

void TGIS_LayerGML::StoreAttribute(const std::string& name, const std::string& value) {
  TGIS_Shape* shape = handler_->Shape();
  if (shape == nullptr) return;
  if (FindField(name) < 0) AddFieldEx(name, gisFieldTypeString, 1, 0, true, 0);
  if (value.empty()) return;
  const Variant old = shape->GetField(name);
  const std::string before = old.IsNull() || old.IsEmpty() ? std::string() : old.AsString();
  shape->SetField(name, before + value);
}

void TGIS_LayerGML::ParseCoordinates(const std::string& text) {
  // Tokens: a number (sign, digits, fraction, exponent) or one other character.
  std::size_t at = 0;
  const std::size_t n = text.size();
  auto isDigit = [&](std::size_t i) { return i < n && text[i] >= '0' && text[i] <= '9'; };
  auto next = [&](std::string& token) {
    while (at < n && text[at] == ' ')
      ++at;
    if (at >= n) return false;
    const std::size_t start = at;
    std::size_t i = at;
    if (text[i] == '-') ++i;
    const std::size_t digits = i;
    while (isDigit(i))
      ++i;
    if (i < n && text[i] == '.') {
      ++i;
      while (isDigit(i))
        ++i;
    }
    const bool number = i > digits && !(i == digits + 1 && text[digits] == '.');
    if (number && i < n && (text[i] == 'e' || text[i] == 'E')) {
      std::size_t k = i + 1;
      if (k < n && (text[k] == '-' || text[k] == '+')) ++k;
      if (isDigit(k)) {
        while (isDigit(k))
          ++k;
        i = k;
      }
    }
    at = number ? i : start + 1;
    token.assign(text, start, at - start);
    return true;
  };
  std::vector<TGIS_Point3D> points;
  std::string token;
  bool have = next(token);
  double z = 0;
  const int dimension = handler_->Dimension();
  while (have) {
    const double x = GisStrToFloat(token);
    have = next(token);
    if (have && token == ",") have = next(token);
    if (!have) break;
    const double y = GisStrToFloat(token);
    have = next(token);
    // A comma after y brings the tuple's third coordinate: z in three
    // dimensions, skipped in two.
    if (dimension == 3) {
      if (have && token == ",") have = next(token);
      if (!have) break;
      z = GisStrToFloat(token);
      have = next(token);
    } else if (have && token == ",") {
      have = next(token);
      if (have) have = next(token);
    }
    points.push_back({x, y, z});
    if (have && token == ",") have = next(token);
  }
  if (points.empty()) throw Exception("no coordinates in \"" + text.substr(0, 40) + "\"");
  TGIS_Shape* shape = handler_->Shape();
  if (shape == nullptr) return;
  for (const TGIS_Point3D& p : points)
    if (dimension < 3) shape->AddPoint({p.X, p.Y});
    else shape->AddPoint3D(p);
}

void TGIS_LayerGML::Open() {
  TGIS_LayerVector::Open();
  handler_->Clear();
  if (viewer_ != nullptr) viewer_->BusyPrepare(this);
  TSAXXMLReader reader;
  reader.putref_contentHandler(handler_.get());
  reader.putref_errorHandler(errorHandler_.get());
  auto done = ScopeExit([&] {
    handler_->Finish();
    modified_ = false;
    if (viewer_ != nullptr) viewer_->BusyRelease(this);
  });
  const bool exists = !path_.empty() && FileExists(path_);
  if (exists) {
    try {
      if (viewer_ != nullptr) {
        handler_->Counting = T_MySimpleSaxHandler::CountingPass;
        errorHandler_->LastError.clear();
        reader.parseURL(path_);
        handler_->Counting = T_MySimpleSaxHandler::Building;
      }
      errorHandler_->LastError.clear();
      reader.parseURL(path_);
    } catch (const EGIS_Exception&) {
      throw;
    } catch (const EXmlNoParser&) {
      throw EGIS_Exception(GIS_RS_ERR_FILEREAD, "MSXML parser", 0);
    } catch (const Exception& e) {
      if (errorHandler_->LastError.empty())
        throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT + "; " + LiteralPercent(e.Message()), path_,
                             0);
      throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT + "; " + LiteralPercent(errorHandler_->LastError),
                           path_, errorHandler_->LastLine);
    }
    openTime_ = GisFileAge(path_);
  }
  done.Run();
  SetInfoText(GML_DESCRIPTION);
}

void GisRegisterLayerGML() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerGML", GML_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerGML>();
      });
}
