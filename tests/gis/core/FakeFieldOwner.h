// A field list with per-shape values, as a vector layer keeps them: the
// field owner of the dBASE tests and of the dBASE fuzz harness.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gis/core/GisFieldInfo.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

class TFakeLayer : public TGIS_FieldOwner {
public:
  std::vector<TGIS_FieldInfo> Fields;
  std::map<const TGIS_ShapeAbstract*, std::map<std::string, Variant>> Values;

  int FieldCount() const override { return int(Fields.size()); }
  TGIS_FieldInfo* GetFieldInfo(int i) override {
    return i >= 0 && i < FieldCount() ? &Fields[std::size_t(i)] : nullptr;
  }
  void AddFieldEx(const std::string& name, std::uint8_t type, int width, int decimals, bool stored,
                  int binaryWidth) override {
    for (const auto& f : Fields)
      if (SameText(f.NewName, name)) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, name);
    TGIS_FieldInfo f;
    f.Name = f.NewName = f.ExportName = name;
    f.FieldType = type;
    f.Width = f.NewWidth = width;
    f.Decimal = f.NewDecimal = decimals;
    f.Stored = stored;
    f.BinaryWidth = binaryWidth;
    Fields.push_back(f);
  }
  int FindFieldIndexByStoredName(const std::string& name) override {
    for (int i = 0; i < FieldCount(); ++i)
      if (SameText(Fields[std::size_t(i)].Name, name)) return i;
    return -1;
  }
  void ClearFields() override { Fields.clear(); }
  int GetCodePage() const override { return 65001; }
  int GetOutCodePage() const override { return 65001; }
  Variant ShapeFieldValue(TGIS_ShapeAbstract* shape, const std::string& name) override {
    auto& v = Values[shape];
    auto it = v.find(name);
    return it == v.end() ? Variant() : it->second;
  }
  void Add(const std::string& name, std::uint8_t type, int width, int decimals) {
    AddFieldEx(name, type, width, decimals, false, 0);
  }
};
