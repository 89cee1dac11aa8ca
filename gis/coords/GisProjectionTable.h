// The registry table of projection codes (part of the GisProjections module;
// see GisProjections.h for the map of the module).
//
// The 27 rows live in GisProjectionTableData.cpp, which gen/gen_tables.py
// generates from the data file gen/projections.tsv; their order is the
// registration order.
// A row names its class; the classes that exist are bound to their rows in
// GisProjectionClasses.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

struct TGIS_ProjectionRow {
  const char* Code;
  const char* ClassName;
  const char* Description; // the default text of the projection's description
  uint16_t Mask;           // the projection's parameter mask
  const char* Source;      // the data line the row was generated from
};

/// The 27 rows in registration order.
std::span<const TGIS_ProjectionRow> GisProjectionTableRows();

/// The row of a code (letter case ignored), or nullptr.
const TGIS_ProjectionRow* GisFindProjectionRow(std::string_view code);

/// FNV-1a 64-bit checksum of the data lines of the table, joined by "\n".
extern const uint64_t GisProjectionTableChecksum;
