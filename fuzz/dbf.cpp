// The dBASE reader: any file opens as a table or raises the kernel's error;
// the fields of the first records and of the last one read or raise.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisFieldInfo.h"
#include "gis/core/GisFileDBF.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

/// The field list a vector layer would keep, without shapes.
class TFieldList : public TGIS_FieldOwner {
public:
  std::vector<TGIS_FieldInfo> Fields;

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
  int GetCodePage() const override { return 1252; }
  int GetOutCodePage() const override { return 1252; }
  Variant ShapeFieldValue(TGIS_ShapeAbstract*, const std::string&) override { return Variant(); }
};

void ReadRecord(TGIS_FileDBF& dbf, TFieldList& fields, std::uint32_t record) {
  for (int f = 0; f < fields.FieldCount(); ++f) {
    try {
      (void)dbf.GetField(record, f);
    } catch (const EGIS_Exception&) {
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("table.dbf", data, size);
  try {
    TFieldList fields;
    TGIS_FileDBF dbf(path, nullptr, nullptr, false, fields);
    const std::uint32_t count = dbf.RecordCount();
    for (std::uint32_t r = 1; r <= std::min(count, 5u); ++r)
      ReadRecord(dbf, fields, r);
    if (count > 5) ReadRecord(dbf, fields, count);
    if (fields.FieldCount() > 0) {
      try {
        (void)dbf.GetField(1, fields.Fields.front().Name);
      } catch (const EGIS_Exception&) {
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
