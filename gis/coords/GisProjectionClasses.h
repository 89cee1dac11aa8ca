// The projection classes that exist, by class name (part of the
// GisProjections module; see GisProjections.h for the map of the module).
//
// GisRegisterProjections walks the registry table and registers an instance
// of every class listed here. A new projection class is one source file plus
// one row in GisProjectionClasses.cpp.
#pragma once

#include "gis/coords/GisProjectionAbstract.h"

#include <memory>
#include <span>
#include <string_view>

struct TGIS_ProjectionClass {
  const char* ClassName;
  std::unique_ptr<TGIS_ProjectionAbstract> (*Construct)();
};

/// The classes that exist.
std::span<const TGIS_ProjectionClass> GisProjectionClasses();

/// The class of that name (exact), or nullptr.
const TGIS_ProjectionClass* GisFindProjectionClass(std::string_view className);
