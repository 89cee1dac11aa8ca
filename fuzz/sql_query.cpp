// The attribute query language: any text compiles or raises the kernel's
// error, and a compiled text evaluates against a layer of fields of every
// kind (a missing value included) without a fault.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/vector/GisSqlQuery.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

namespace {

class TFields : public TGIS_SqlFieldSource {
public:
  int FindField(const std::string& name) override {
    for (std::size_t i = 0; i < fields_.size(); ++i)
      if (SameText(fields_[i].first, name)) return int(i);
    if (SameText(name, "GIS_UID")) return 100000;
    return -1;
  }
  Variant GetFieldValue(TGIS_ShapeAbstract*, int field) override {
    if (field == 100000) return Variant(42);
    return field >= 0 && std::size_t(field) < fields_.size() ? fields_[std::size_t(field)].second
                                                           : Variant();
  }

private:
  std::vector<std::pair<std::string, Variant>> fields_ = {
      {"name", Variant("Łódź")}, {"pop", Variant(768755)},   {"area", Variant(293.25)},
      {"flag", Variant(true)},   {"empty", Variant("")},      {"nothing", Variant()},
      {"big", Variant(Int64(9007199254740993LL))},              {"neg", Variant(-0.0)}};
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFields fields;
  TGIS_SqlQuery query;
  try {
    query.SetText(skfuzz::Text(data, size));
  } catch (const Exception&) {
  }
  (void)query.EvaluateBoolean(nullptr, false, fields);
  (void)query.EvaluateNumber(nullptr, -1, fields);
  query.ResetFieldCache();
  (void)query.EvaluateBoolean(nullptr, true, fields);
  return 0;
}
