// The settings store (an ini file read once and replaced whole on Flush): any
// file loads; the placement of a form restores from it and is written back;
// a value written flushes and reads back.

#include <cstdint>
#include <string>

#include "formstate/SettingsStore.h"
#include "fuzz/support/FuzzForms.h"
#include "fuzz/support/FuzzSupport.h"
#include "platform/rtl/Exceptions.h"

namespace {

TForm* form = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartForms(argc, argv);
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 200, 120);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("settings.ini", data, size);
  try {
    TStoreIniFile store(path);
    const TSettingsStore s = &store;
    (void)ReadScreenKey(s, "TFSkorvaplinth", "NormPos");
    (void)StoreReadInteger(s, "TFSkorvaplinth", "FormVersion", -1);
    ReadWindowPlacement(form, s, "TFSkorvaplinth", true, true);
    StoreWriteString(s, "Fuzz", "Value", "'quoted'");
    WriteWindowPlacement(form, s, "TFSkorvaplinth");
    store.Flush();
    TStoreIniFile back(path);
    skfuzz::Check(StoreReadString(&back, "Fuzz", "Value", "") == "'quoted'",
                  "a value written reads back after Flush");
  } catch (const Exception&) {
  }
  form->SetBounds(10, 10, 200, 120);
  return 0;
}
