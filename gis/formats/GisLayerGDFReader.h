// TGIS_LayerGDF's reader (part of the GisLayerGDF module, see GisLayerGDF.h):
// record framing, fields, the definition tables and the two passes of Open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisMappedFiles.h"
#include "gis/formats/GisLayerGDF.h"

class TGIS_LayerGDF::TReader {
public:
  /// One field of a record layout: its name, default width and kind. A
  /// fixed field keeps its width whatever the "03" records declare.
  struct TSpec {
    const char* Name;
    int Width;
    bool Number;
    bool Fixed = false;
  };
  /// A field, or a count field followed by the fields of one group element.
  struct TItem {
    TSpec Field;
    std::vector<TSpec> Members;
  };
  using TLayout = std::vector<TItem>;
  /// A record read through a layout: field values by layout name (numbers
  /// as their decimal text), and per group of the layout its elements.
  struct TRecord {
    std::map<std::string, std::string> Values;
    std::vector<std::vector<std::vector<std::string>>> Groups;
    std::string Text(const char* name) const;
    std::int64_t Number(const char* name) const;
  };
  /// "04": a record definition.
  struct T_RecDefobj {
    std::int64_t RecordType = 0;
    std::string Name;
    std::vector<std::string> Fields;
  };
  /// "05": an attribute definition.
  struct T_AttrDefobj {
    std::string Code, Name;
  };

  explicit TReader(TGIS_LayerGDF& layer);
  ~TReader();

  /// The whole open (steps after the base open).
  void Run();

  // ---- records and fields (GisLayerGDFRecords.cpp) -------------------------------------
  void DetectSeparator();
  void ReadRecord();
  bool IsRecordType(const char* code) const;
  static bool IsContinued(const std::string& record);
  /// The width an "03" record declared for the name (0 when none).
  int FieldWidth(const std::string& name) const;
  std::int64_t ReadNumberField(int& column, int declared, int defaultWidth);
  std::string ReadTextField(int& column, int declared, int defaultWidth);
  /// Reads the current record by the layout of its type (the type's "04"
  /// definition when there is one, unless `builtInOnly`); stops after the
  /// field `stopAt` when it is given.
  TRecord ReadLayout(int type, const char* stopAt = nullptr, bool builtInOnly = false);
  /// The definition records; a record that cannot be read is dropped.
  void ReadDefinition();
  [[noreturn]] void Fail() const;

private:
  // ---- the passes (GisLayerGDF.cpp) -------------------------------------------------------
  void IndexRecord();
  void FeatureRecord();
  struct TSaved {
    std::int64_t Position;
    bool Eof;
  };
  TSaved Save() const;
  void Restore(const TSaved& saved);
  /// Reads the record that starts at `position`.
  void ReadAt(std::int64_t position);
  void AddCoordinates(const std::string& xyzId, std::vector<TGIS_Point3D>& points);
  std::string KnotCoordinates(const std::string& knotId);
  bool ReadEdge(const std::string& edgeId, std::string& xyz, std::string& from, std::string& to);
  void AddPointFeature(const std::string& pointId, std::vector<TGIS_Point3D>& points);
  void AddLineFeature(const std::string& lineId, std::vector<TGIS_Point3D>& points);
  void AddLineGeometry(const TRecord& line, std::vector<TGIS_Point3D>& points);
  void HandlePointFeature();
  void HandleLineFeature();
  void HandleComplexFeature();
  /// The feature name and the attributes of a feature record on its shape.
  void Describe(TGIS_Shape* shape, const TRecord& feature);
  void SetFeatureName(TGIS_Shape& shape, std::int64_t code);
  void ApplyAttributes(TGIS_Shape& shape, const std::string& attributeId);
  std::string DecodeValue(const std::string& type, const std::string& value);
  void Progress();

  TGIS_LayerGDF& layer_;
  std::unique_ptr<TGIS_BufferedFileStream> stream_;
  std::int64_t size_ = 0;
  std::string record_;
  std::int64_t recordStart_ = 0;
  bool eof_ = false, firstPass_ = true;
  std::int64_t counter_ = 0;
  int separator_ = 0;
  std::int64_t progress_ = 0;
  std::string description_;

  // Indexes by upper-cased id: the start of the record.
  std::map<std::string, std::int64_t> coordinates_, knots_, edges_, attributes_, points_, lines_;
  std::map<std::int64_t, std::string> featureClasses_; // FEAT_COD -> FEAT_NAME
  std::map<std::string, std::string> defaults_;        // ATT_TYPE -> DATT_VAL
  std::map<std::string, std::string> valueDescriptions_; // ATT_TYPE + VALUE -> VAL_DESC
  std::map<std::int64_t, std::string> names_;             // NAME_ID -> TEXT
  std::map<std::int64_t, T_RecDefobj> definitions_;       // by record type
  std::map<std::string, int> widths_;                     // upper-cased name -> width
  std::vector<T_AttrDefobj> attributeDefinitions_;

  friend class TGIS_LayerGDF;
};
