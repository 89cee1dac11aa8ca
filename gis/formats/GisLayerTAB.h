// The GisLayerTAB module: TGIS_LayerTAB, the read-only vector layer over a
// MapInfo table: the ".tab" description, the ".map" object file, the ".id"
// row index and the attribute table (".dat" for a native table, ".dbf" for a
// dBASE one). Objects are read on demand by row into four reused work
// shapes; points, lines, polylines, regions, multiple polylines and texts
// give shapes, the other object kinds none.
//
// A shape's UID is its row number (the ".id" entry it was found through),
// and its attributes are that row of the table.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "gis/core/GisFileDBF.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/vector/GisLayerVector.h"

class TGIS_LayerTAB : public TGIS_LayerVector {
public:
  TGIS_LayerTAB();
  ~TGIS_LayerTAB() override;

  void Open() override;
  std::string GetIndexPath() const override;
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override;
  Variant ReadFieldValue(TGIS_Shape* shape, int index) override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "", bool skipDeleted = true,
                 const std::string& pattern = "", TGIS_Shape* shape = nullptr) override;
  void MoveNext() override;
  bool Eof() const override { return current_ == nullptr; }
  TGIS_Shape* GetCurrentShape() const override;
  TGIS_Shape* GetShape(std::int32_t uid) override;
  std::int32_t GetLastUid() const override;
  std::int32_t GetNewUid() const override;

  virtual std::string GetTabFileName() const;
  virtual std::string GetMapFileName() const;
  virtual std::string GetDatFileName() const;
  virtual std::string GetDbfFileName() const;
  virtual std::string GetIdFileName() const;

  /// The table type of the ".tab" file (1 native, 2 dBASE) after Open.
  std::int32_t TableType() const { return tableType_; }

private:
  /// Reads the object at `offset` for row `uid`: current_ is its shape or nullptr.
  void ReadObject(std::int32_t uid, std::int32_t offset);
  /// Fills `shape` with the sections of a region or multiple polyline.
  void ReadSections(TGIS_Shape& shape, bool compressed, bool wide, std::int64_t dataOffset,
                    std::int32_t sectionCount);
  /// The existing companion with `extension`, else the plain name.
  std::string CompanionName(const std::string& extension) const;
  void CloseFiles();

  std::unique_ptr<TGIS_FileTAB_MAP> map_;
  std::unique_ptr<TGIS_FileTAB_ID> id_;
  std::unique_ptr<TGIS_FileDBF> dbf_;
  std::int32_t tableType_ = 0;
  mutable std::int32_t lastUid_ = -1;
  TGIS_Shape* current_ = nullptr;
  // Point, multipoint (never filled), arc, polygon.
  std::array<std::unique_ptr<TGIS_Shape>, 4> work_;
  std::int32_t row_ = 1;
  bool memoryPhase_ = false;
};

/// Fills the factory's ".tab" vector row.
void GisRegisterLayerTAB();
