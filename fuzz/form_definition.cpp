// Stored form definitions (the text form of "object ... end"): any text
// loads into a form or raises the runtime's error (leaving nothing
// half-loaded), and a form that loaded shows and paints without a fault.
// The classes of the window layer, the controls and the form state are
// registered, as in the program.

#include <cstdint>
#include <string>

#include "controls/ControlsInit.h"
#include "formstate/Placement.h"
#include "fuzz/support/FuzzForms.h"
#include "fuzz/support/FuzzSupport.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartForms(argc, argv);
  ControlsInitialize();
  RegisterFormStateClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TForm* form = new TForm(nullptr);
  try {
    ReadDefinition(form, skfuzz::Text(data, size));
    form->Show();
    UpdateWindow(form->Handle());
    Application()->ProcessMessages();
  } catch (const Exception&) {
  }
  delete form;
  return 0;
}
