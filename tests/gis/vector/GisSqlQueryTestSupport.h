// A fake layer for the query tests: fields by name with their values, and
// counters of the look-ups the query makes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/vector/GisSqlQuery.h"
#include "platform/rtl/Strings.h"

class FakeLayer : public TGIS_SqlFieldSource {
public:
  FakeLayer() = default;
  explicit FakeLayer(std::vector<std::pair<std::string, Variant>> fields) {
    for (auto& [name, value] : fields)
      Set(name, value);
  }
  void Set(const std::string& name, const Variant& value) {
    for (size_t k = 0; k < names_.size(); ++k)
      if (SameText(names_[k], name)) {
        values_[k] = value;
        return;
      }
    names_.push_back(name);
    values_.push_back(value);
  }
  int FindField(const std::string& name) override {
    ++findCalls[name];
    for (size_t k = 0; k < names_.size(); ++k)
      if (SameText(names_[k], name)) return static_cast<int>(k);
    return -1;
  }
  Variant GetFieldValue(TGIS_ShapeAbstract*, int field) override {
    ++valueCalls[field];
    if (field < 0 || field >= static_cast<int>(values_.size())) return unknownValue;
    return values_[field];
  }

  std::map<std::string, int> findCalls;
  std::map<int, int> valueCalls;
  Variant unknownValue; // what an unknown field gives

private:
  std::vector<std::string> names_;
  std::vector<Variant> values_;
};

class GisSqlQueryTest : public ::testing::Test {
protected:
  void SetUp() override { GisKernelResetForTests(); }
  void TearDown() override { GisKernelResetForTests(); }
};
