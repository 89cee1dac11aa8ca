// The GisLayerGml module: TGIS_LayerGML, the vector layer over a Geography
// Markup Language file.
//
// Reading (GisLayerGML.cpp, GisLayerGMLRead.cpp): the XML reader's events
// drive T_MySimpleSaxHandler, a state machine that builds points,
// multipoints, lines and polygons in memory and keeps the properties of a
// feature as text fields. GML 2 (gml:coordinates, gml:coord) and the
// gml:pos/gml:posList forms are read.
//   - A feature's Box (its bounding box) is read aside: the feature goes on
//     after it with the properties gathered before it.
//   - The standard geometry members (pointMember, lineStringMember,
//     LineStringMember, polygonMember, geometryMember) are parts of their
//     multi-geometry; other elements named "...Member" start features.
//   - A feature's shape ends with the feature; a feature without geometry
//     gives no shape.
//   - A text node of coordinates is read whole; XML white space separates.
//   - A MultiPolygon is one shape with a part per ring; GML 3 "interior"
//     rings are parts like "innerBoundaryIs" rings.
// Writing (GisLayerGMLWrite.cpp): GML 2 text through the document writer
// (GisSaxKit.h), one line, every feature written whole or not at all, into
// a temporary file swapped in with a backup (TGIS_FileSet).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gis/formats/GisSaxKit.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/StringList.h"

class T_MySimpleSaxHandler;

class TGIS_LayerGML : public TGIS_LayerVector {
public:
  using TPendingAttributes = std::vector<std::pair<std::string, std::string>>;
  using TElementEvent =
      std::function<void(void* sender, const std::string& name, const TPendingAttributes&)>;

  TGIS_LayerGML();
  ~TGIS_LayerGML() override;

  void Open() override;
  void SaveData() override;
  /// An empty document; 0033 when the file exists.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;

  /// Called at the end of every element named in ElementNames (not owned).
  TElementEvent OnElement;
  TStringList* ElementNames = nullptr;
  /// gml:coordinates (on) or gml:coord with gml:X and gml:Y (off).
  bool UseCoordinates = true;
  /// Whether the attribute fields are written.
  bool WriteAttributesOption = true;

  /// The element names of the fields at the last export, in field order of
  /// the fields written.
  const std::vector<std::string>& ExportedNames() const { return exportedNames_; }

  // Used by the parse handler.
  void ParseCoordinates(const std::string& text);
  void AddAttribute(const std::string& name, const std::string& value, bool force = false);
  void StoreAttribute(const std::string& name, const std::string& value);

private:
  friend class T_MySimpleSaxHandler;
  class TWriter;

  std::unique_ptr<T_MySaxErrorHandler> errorHandler_;
  std::unique_ptr<T_SAXDocumentWriter> documentWriter_;
  std::unique_ptr<T_SAXContentWriter> contentWriter_;
  std::unique_ptr<T_MySimpleSaxHandler> handler_;
  std::vector<std::string> exportedNames_;
};

/// Element names of the fields, in field order: GisSafeIdentifier's form
/// (upper case, A-Z, 0-9 and "_"), "NAME_<index>" where a quarter or more of
/// the characters had to be replaced, "_2", "_3" ... after a repeated name.
std::vector<std::string> GisGmlElementNames(const std::vector<std::string>& fieldNames);

/// Text escaped for XML: the five markup characters as entities, control
/// characters other than TAB, LF and CR as blanks.
std::string GmlEscapeText(const std::string& text);

/// Fills the factory's ".gml" row.
void GisRegisterLayerGML();
