// The GisLayerDLG module: TGIS_LayerDLG, the vector layer over a USGS Digital
// Line Graph file, and the description table of its attribute codes.
//
// Two forms are read: the optional format (80-byte records, with or without
// line ends after each) and the standard format (text lines). A file is read
// as optional when its extension is ".opt" (any case) or when its first
// 1200 bytes hold no line feed, so a file this layer wrote always reopens.
// Records of the optional format are read by their columns (letter 1, id
// 2-6, x 7-18, y 19-30, a line's pair count 43-48, coordinates in
// 12-character fields); standard lines are split at blanks.
//
// Nodes and areas become points, lines arcs; each takes the major/minor
// codes of its last attribute record. Writing produces the optional format
// through TGIS_FileSet: one numbered element per point and per arc part, each
// with its own attribute record, numbers always with a '.' separator.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisLayerVector.h"

/// A row of the attribute-code table: minor -1 matches any minor code.
struct T_AttCodes {
  std::int32_t Major;
  std::int32_t Minor;
  const char* Description;
};

/// The group of rows that serves `major` (its own group for 50, 90, 170,
/// 180, 190 and 300, else the general group).
std::span<const T_AttCodes> GisDlgCodeGroup(std::int32_t major);
/// Every group, the general one first (for tests).
std::vector<std::span<const T_AttCodes>> GisDlgCodeGroups();
/// The description of the first row of `rows[0..lastIndex]` whose major is
/// `major` and whose minor is `minor` or -1; '' when none.
std::string DlgFindDescription(std::span<const T_AttCodes> rows, int lastIndex, std::int32_t major,
                               std::int32_t minor);

class TGIS_LayerDLG : public TGIS_LayerVector {
public:
  TGIS_LayerDLG();
  ~TGIS_LayerDLG() override;

  void Open() override;
  void SaveData() override;
  /// A file of the 15 header records; 0033 when it exists.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;

  bool IsOptionalFormat() const { return optional_; }
  const std::string& CategoryName() const { return category_; }
  int NodeCount() const { return nodes_; }
  int AreaCount() const { return areas_; }
  int LineCount() const { return lines_; }

private:
  bool ReadRecord();
  void ReadHeader();
  void ReadNodeOrArea(const std::string& type, const std::string& x, const std::string& y);
  void ReadLine(const std::string& type, int pairs);
  void ReadAttributeCodes(const std::vector<std::string>& tokens);
  /// The record's blank-separated tokens (standard format), or its columns.
  std::vector<std::string> Tokens() const;
  std::vector<std::string> CoordinateFields() const;
  [[noreturn]] void StructureError() const;
  void WriteHeader(std::string& out, int lines, int areas, int nodes);
  /// Appends the records of one shape; false for a shape without parts.
  bool WriteElement(std::string& out, TGIS_Shape& shape, int& nodeNo, int& areaNo, int& lineNo);

  std::unique_ptr<TGIS_MappedStream> stream_;
  std::int32_t records_ = 0;
  int nodes_ = 0, areas_ = 0, lines_ = 0;
  TGIS_Shape* shape_ = nullptr;
  bool optional_ = false;
  std::string category_;
  std::string record_;
  mutable TGIS_Tokenizer tokenizer_;
};

/// Fills the factory's ".dlg" / ".opt" row.
void GisRegisterLayerDLG();
