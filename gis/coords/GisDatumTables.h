// The built-in ellipsoid and datum tables and the start-up that lists them
// (part of the GisDatums module; see GisDatums.h for the map of the module).
//
// The rows live in GisDatumTablesData.cpp, which gen/gen_tables.py generates
// from the tab-separated data files beside it; each row keeps the data line it
// was made from.
#pragma once

#include "gis/coords/GisDatum.h"

#include <cstdint>
#include <span>

struct TGIS_EllipsoidRow {
  const char* Code;
  const char* Description;
  long double SemiMajorAxis;
  long double InverseFlattening;
  const char* Source; // the data line the row was generated from
};

struct TGIS_DatumRow {
  TGIS_DatumKind Kind;
  const char* Code;
  const char* EllipsoidCode;
  const char* Description;
  double Values[10];     // as TGIS_DatumList::AddDatum takes them
  const char* Source;    // the data line the row was generated from
  const char* BoxSource; // where a corrected validity box comes from, or nullptr
};

/// The 23 built-in ellipsoids in order of addition.
std::span<const TGIS_EllipsoidRow> GisBuiltinEllipsoidRows();

/// The 227 built-in datums in order of addition: WGE, WGD, the 222
/// three-parameter datums, then EUR-7, OGB-7 and CH1903.
std::span<const TGIS_DatumRow> GisBuiltinDatumRows();

/// FNV-1a 64-bit checksums of the data lines of each table, joined by "\n".
extern const uint64_t GisBuiltinEllipsoidsChecksum;
extern const uint64_t GisBuiltinSpecialDatumsChecksum;
extern const uint64_t GisBuiltinThreeParameterDatumsChecksum;
extern const uint64_t GisBuiltinSevenParameterDatumsChecksum;

/// Creates and fills the process-wide datum list, then the ellipsoid list,
/// each only when it does not exist yet (a second call does nothing).
void GisBuildDatumTables();

/// Frees both lists with their entries (the datum module's finalization).
void GisFreeDatumTables();
