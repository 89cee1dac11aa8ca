// The VPF layer: whatever the tables of a small library hold, opening reads
// the headers, indexes, joins, value descriptions and tiles or raises the
// kernel's errors; every row then reads back by pass and by UID.
//
// Input: the first byte picks the feature class (".pft", ".lft", ".aft",
// ".tft"); the rest holds the library's files separated by the marker
// "@@@\n", in this order: the feature table, its index, its join table,
// "char.vdt", "int.vdt", "tileref/tileref.aft", "tileref/fbr", the primitive
// table of tile "a" and its index, the untiled primitive table and its
// index. An empty part is a missing file.

#include <cstdint>
#include <string>

#include <sys/stat.h>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/VectorReadBack.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerVPF.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  using namespace skfuzz;
  ::mkdir((Folder() + "roads").c_str(), 0700);
  ::mkdir((Folder() + "roads/a").c_str(), 0700);
  ::mkdir((Folder() + "tileref").c_str(), 0700);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  if (size < 1) return 0;
  static const char* const kinds[][3] = {
      {"pft", "END", "ENX"}, {"lft", "EDG", "EDX"}, {"aft", "FAC", "FAX"}, {"tft", "TXT", "TXX"}};
  const auto& kind = kinds[data[0] % 4];
  const std::string ext = kind[0];
  const std::string names[] = {"roads/f." + ext,
                               "roads/f." + ext.substr(0, 2) + "x",
                               "roads/f." + ext.substr(0, 1) + "jt",
                               "roads/char.vdt",
                               "roads/int.vdt",
                               "tileref/tileref.aft",
                               "tileref/fbr",
                               std::string("roads/a/") + kind[1],
                               std::string("roads/a/") + kind[2],
                               std::string("roads/") + kind[1],
                               std::string("roads/") + kind[2]};
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t at = 0;
  for (const std::string& name : names) {
    std::size_t end = at <= text.size() ? text.find("@@@\n", at) : std::string::npos;
    if (at > text.size()) at = text.size();
    if (end == std::string::npos) end = text.size();
    if (end > at)
      Put(name, reinterpret_cast<const std::uint8_t*>(text.data()) + at, end - at);
    else
      Remove(name);
    at = end + 4;
  }
  try {
    TGIS_LayerVPF layer;
    layer.SetPath(Folder() + names[0]);
    layer.Open();
    ReadBackShapes(layer);
    layer.MoveFirst(TGIS_Extent{-1, -1, 1, 1});
    for (int i = 0; i < 100000 && !layer.Eof(); ++i)
      layer.MoveNext();
  } catch (const Exception&) {
  }
  for (const std::string& name : names)
    Remove(name);
  return 0;
}
