// The kernel's configuration ini: any file loads; every key of every section
// reads as each of the kernel's value types (or raises the kernel's error),
// and a value written saves and reloads.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"

namespace {

void ReadEveryType(TGIS_Ini& ini, const std::string& key) {
  (void)ini.ReadRaw(key);
  (void)ini.ReadBoolean(key, false);
  (void)ini.ReadInteger(key, -1);
  (void)ini.ReadFloat(key, -1);
  (void)ini.ReadString(key, "");
  (void)ini.ReadColor(key, 0x123456);
  (void)ini.ReadPenStyle(key, {});
  (void)ini.ReadBrushStyle(key, {});
  (void)ini.ReadMarkerStyle(key, {});
  (void)ini.ReadFontStyle(key, {});
  (void)ini.ReadLabelPosition(key, {});
  (void)ini.ReadLabelAlignment(key, {});
  (void)ini.ReadChartStyle(key, {});
  (void)ini.ReadDormantMode(key, {});
  TStringList list;
  ini.ReadStringList(key, &list);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("layer.ini", data, size);
  try {
    TGIS_Ini ini(nullptr, path);
    TStringList sections;
    ini.IniFile().ReadSections(sections);
    for (int s = 0; s < sections.Count() && s < 32; ++s) {
      try {
        ini.SelectSectionByName(sections[s]);
        TStringList values;
        ini.IniFile().ReadSectionValues(sections[s], values);
        for (int k = 0; k < values.Count() && k < 64; ++k) {
          try {
            ReadEveryType(ini, values.Names(k));
          } catch (const EGIS_Exception&) {
          }
        }
      } catch (const EGIS_Exception&) {
      }
    }
    ini.SetLayer(nullptr);
    for (int m = 0; m < 4 && ini.SelectSection(m); ++m)
      ReadEveryType(ini, "Layer.Active");
    ini.WriteString("Fuzz.Key", "value");
    ini.Save();
    ini.Reload();
    (void)ini.ReadString("Fuzz.Key", "");
  } catch (const Exception&) {
  }
  return 0;
}
