// What every registered projection class answers alike (part of the
// GisProjections module; see GisProjections.h for the map of the module): its
// code, the description and parameter mask of its row in the registry table,
// and its virtual constructor.
#pragma once

#include "gis/coords/GisProjectionAbstract.h"
#include "gis/coords/GisProjectionTable.h"

#include <memory>
#include <string>

/// The base through which a projection class `Derived` derives from `Base`
/// (TGIS_ProjectionAbstract or a shared projection base). `Derived` names its
/// code in a public `static constexpr const char* kCode`; its row in the
/// registry table gives the description and the mask.
template <class Derived, class Base = TGIS_ProjectionAbstract>
class TGIS_RegisteredProjection : public Base {
public:
  std::string GetCode() const override { return Derived::kCode; }
  std::string GetDescription() const override {
    return GisFindProjectionRow(Derived::kCode)->Description;
  }
  TGIS_ProjectionParameters GetParameterMask() const override {
    return GisFindProjectionRow(Derived::kCode)->Mask;
  }
  std::unique_ptr<TGIS_ProjectionAbstract> Create() const override {
    return std::make_unique<Derived>();
  }

protected:
  using Base::Base;
};
