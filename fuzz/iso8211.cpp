// The ISO 8211 module reader and the field decoder: whatever the bytes of a
// module, the description reads or raises the kernel's errors, and every
// field of every record decodes under its own formats and under every
// format name, once and as repetitions, without leaving the field.
//
// Input: the bytes of one module file.

#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/formats/GisFileSDTS.h"
#include "platform/rtl/Exceptions.h"

namespace {

struct TFuzzRecord {
  std::string Text;
  std::int32_t Int = 0;
  double Real = 0;
};

const char* const kNames[] = {"", "I", "R", "S", "B", "BI8", "BUI8", "BI16", "BUI16", "BI24",
                              "BUI24", "BI32", "BUI32", "BUI", "BFP32", "BFP64", "XYZ"};

void Decode(TGIS_FileSDTS& decoder, const TGIS_FileSDTS_DirEntry& entry,
            TGIS_FileSDTS_DDAFieldArray subfields) {
  for (std::size_t i = 0; i < subfields.size(); ++i)
    subfields[i].Target = i % 3 == 0   ? SdtsTarget(&TFuzzRecord::Text)
                          : i % 3 == 1 ? SdtsTarget(&TFuzzRecord::Int)
                                       : SdtsTarget(&TFuzzRecord::Real);
  TFuzzRecord record;
  TGIS_FileSDTS_DirEntry once = entry;
  decoder.ReadFieldInto(once, subfields, 0, &record);
  TGIS_FileSDTS_DirEntry repeated = entry;
  std::vector<TFuzzRecord> all;
  decoder.ReadAllRepeated(repeated, subfields, all);
  // every format name, and the spatial address preparation
  for (const char* name : kNames) {
    TGIS_FileSDTS_DDAFieldArray named = subfields;
    for (auto& s : named)
      s.FormatName = name;
    TGIS_FileSDTS_DirEntry e = entry;
    decoder.ReadFieldInto(e, named, 0, &record);
  }
  TGIS_FileSDTS_DDAEntry spatial;
  spatial.Subfields = subfields;
  TGIS_FileSDTS::SetSpatialAddress(spatial, SdtsTarget(&TFuzzRecord::Real),
                                   SdtsTarget(&TFuzzRecord::Real), SdtsTarget(&TFuzzRecord::Real));
  TGIS_FileSDTS_DirEntry e = entry;
  for (int k = 0; k < 4 && e.Length > 0; ++k)
    decoder.ReadFieldInto(e, spatial.Subfields, k, &record);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    TGIS_FileSDTS_ISO8211 file("fuzz.ddf", std::vector<std::uint8_t>(data, data + size));
    for (int i = -1; i <= file.GetDirCount(); ++i)
      file.GetDirEntry(i);
    TGIS_FileSDTS decoder;
    TGIS_FileSDTS_DirEntryArray entries;
    int records = 0;
    while (file.ReadRecord(entries) && ++records < 10000) {
      // each field under its own description and under the first few others
      for (std::size_t k = 0; k < entries.size() && k < 64; ++k) {
        const TGIS_FileSDTS_DirEntry& entry = entries[k];
        if (entry.Data == nullptr) continue;
        if (auto* own = file.FindDescription(entry.Tag)) Decode(decoder, entry, own->Subfields);
        for (std::size_t d = 0; d < file.Descriptions().size() && d < 4; ++d)
          Decode(decoder, entry, file.Descriptions()[d].Subfields);
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
