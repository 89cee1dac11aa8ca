// The shape editor's undo records read back field by field (shared by the
// editor's tests here and those on the vector shapes).
#pragma once

#include <cstdint>
#include <cstring>

#include "gis/viewer/GisEditor.h"

struct TEditorRecord {
  int kind, op, index;
  double x, y;
};

/// The fields of a 22-byte record: u8 kind, u8 operation, i32 index, f64 X,
/// f64 Y, little-endian.
inline TEditorRecord DecodeEditorRecord(const TGIS_EditorRecord& r) {
  TEditorRecord out{r[0], r[1], 0, 0, 0};
  std::int32_t i;
  std::memcpy(&i, &r[2], 4);
  out.index = i;
  std::memcpy(&out.x, &r[6], 8);
  std::memcpy(&out.y, &r[14], 8);
  return out;
}
