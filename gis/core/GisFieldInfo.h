// TGIS_FieldInfo, the definition of one attribute field, and what the
// kernel's table readers and writers need of the layer that holds the fields
// (the vector layer of gis/vector implements TGIS_FieldOwner).
#pragma once

#include <cstdint>
#include <string>

#include "gis/core/GisDefsVariants.h"

class TGIS_ShapeAbstract;

/// An attribute field definition: the stored name, width and decimals, and
/// the current ones (renames and resizes stay pending until the layer is
/// written).
struct TGIS_FieldInfo {
  bool Deleted = false;
  bool Stored = false;
  std::uint8_t FieldType = gisFieldTypeString;
  std::string Name;
  std::int32_t Width = 0;
  std::int32_t Decimal = 0;
  std::string NewName;
  std::int32_t NewWidth = 0;
  std::int32_t NewDecimal = 0;
  std::int32_t BinaryWidth = 0;
  std::string ExportName;
  /// The key field of a database layer (set there, not read here).
  bool IsUID = false;
  bool ReadOnly = false;
  bool Hidden = false;
};

/// The field list and values of a layer, as table readers and writers see them.
class TGIS_FieldOwner {
public:
  virtual ~TGIS_FieldOwner() = default;
  virtual int FieldCount() const = 0;
  /// nullptr outside 0..FieldCount-1.
  virtual TGIS_FieldInfo* GetFieldInfo(int index) = 0;
  /// Adds a field as read from storage; raises EGIS_Exception 0050 for a name
  /// already present (any case).
  virtual void AddFieldEx(const std::string& name, std::uint8_t type, int width, int decimals,
                          bool stored, int binaryWidth) = 0;
  virtual int FindFieldIndexByStoredName(const std::string& name) = 0;
  /// Removes every field definition.
  virtual void ClearFields() = 0;
  virtual int GetCodePage() const = 0;
  virtual int GetOutCodePage() const = 0;
  /// The shape's value of a field by current name, Null/empty when not set
  /// (no default substituted).
  virtual Variant ShapeFieldValue(TGIS_ShapeAbstract* shape, const std::string& name) = 0;
};
