// The ini file reader: any text loads, and what it loaded reads back.

#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    TStringList lines;
    lines.SetText(std::string(reinterpret_cast<const char*>(data), size));
    TMemIniFile ini("");
    ini.SetStrings(lines);
    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
      TStringList values;
      ini.ReadSectionValues(sections[i], values);
      for (int j = 0; j < values.Count(); ++j) ini.ReadString(sections[i], values.Names(j), "");
    }
    TStringList back;
    ini.GetStrings(back);
  } catch (const Exception&) {
  }
  return 0;
}
