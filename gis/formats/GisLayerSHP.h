// The GisLayerSHP module: TGIS_LayerSHP, the vector layer over a shapefile
// (".shp" with its ".shx" index and ".dbf" attribute table, and the layer's
// R-tree file). Shapes are read from the file on demand into four reused work
// shapes that view the main file's record buffer; edits stay in memory until
// SaveData rewrites the whole set through TGIS_FileSet (GisFileSet.h).
//
// A shape's UID is the number of its record in file order (null records
// count). Without a ".shx" the cursor notes each record's offset as it
// passes, so GetShape reads a record it has seen directly, and scans only
// record headers for the ones it has not.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisFileDBF.h"
#include "gis/formats/GisFileSHP.h"
#include "gis/vector/GisLayerVector.h"

class TGIS_LayerSHP : public TGIS_LayerVector {
public:
  TGIS_LayerSHP();
  ~TGIS_LayerSHP() override;

  void Open() override;
  void SaveData() override;
  std::string GetIndexPath() const override;
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  Variant ReadFieldValue(TGIS_Shape* shape, int index) override;
  /// A new empty file set (.shp, .shx, .dbf); 0033 when any of them exists.
  /// The layer is not opened.
  void Build(const std::string& path, const TGIS_Extent& extent,
             TGIS_ShapeType shapeType = gisShapeTypeUnknown) override;
  void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                   const std::string& query, bool clip) override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "", bool skipDeleted = true,
                 const std::string& pattern = "", TGIS_Shape* shape = nullptr) override;
  void MoveNext() override;
  bool Eof() const override { return current_ == nullptr; }
  TGIS_Shape* GetCurrentShape() const override;
  TGIS_Shape* GetShape(std::int32_t uid) override;
  std::int32_t GetLastUid() const override;
  std::int32_t GetNewUid() const override;

  virtual std::string GetDbfFileName() const;
  virtual std::string GetShpFileName() const;
  virtual std::string GetShxFileName() const;
  virtual std::string GetDbfExtension() const { return ".dbf"; }
  virtual std::string GetShxExtension() const { return ".shx"; }

  /// Records read from the main file since the layer opened (for tests of
  /// direct access).
  std::int64_t RecordsRead() const { return recordsRead_; }
  bool HasIndexFile() const { return shx_ != nullptr; }

private:
  /// The offset of record `uid`; false when there is no such record.
  bool RecordOffset(std::int32_t uid, std::int64_t& offset);
  /// Reads record `uid` at `offset`: current_ is its shape or nullptr.
  void ReadRecord(std::int32_t uid, std::int64_t offset);
  /// The existing companion with `extension`, else the plain name.
  std::string CompanionName(const std::string& extension) const;
  void CloseFiles();

  std::unique_ptr<TGIS_FileSHP> shp_;
  std::unique_ptr<TGIS_FileSHX> shx_;
  std::unique_ptr<TGIS_FileDBF> dbf_;
  mutable std::int32_t lastUid_ = -1;
  TGIS_Shape* current_ = nullptr;
  std::array<std::unique_ptr<TGIS_Shape>, 4> work_;
  TGIS_ShapeType kind_ = gisShapeTypeUnknown;
  // The cursor: the next record, and whether it walks the new in-memory shapes.
  std::int32_t nextUid_ = 1;
  bool memoryPhase_ = false;
  // Without an index file: the offsets of the records seen so far, where
  // the next unseen one starts, and whether the end was reached.
  std::vector<std::int64_t> offsets_;
  std::int64_t scanPos_ = 100;
  std::int64_t recordsRead_ = 0;
};

/// Fills the factory's ".shp" row.
void GisRegisterLayerSHP();
