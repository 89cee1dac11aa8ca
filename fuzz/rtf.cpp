// The rich-text reader and the label that draws rich text: any bytes read
// into a document (rich text or plain paragraphs), and a label given them
// paints without a fault.

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/ControlsInit.h"
#include "controls/rtflabel.h"
#include "fuzz/support/FuzzForms.h"
#include "platform/forms/RtfReader.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Exceptions.h"

namespace {

TForm* form = nullptr;
TRTFLabel* label = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartForms(argc, argv);
  ControlsInitialize();
  form = new TForm(nullptr);
  form->SetBounds(0, 0, 160, 80);
  label = new TRTFLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 120, 40);
  form->Show();
  Application()->ProcessMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    (void)LooksLikeRtf(bytes);
    const TRtfDocument document = ReadRtf(bytes);
    (void)document.PlainText();
    (void)document.FaceOf(0);
    (void)document.ColorOf(1);
  } catch (const Exception&) {
  }
  try {
    label->SetRichText(std::string(bytes));
    label->SetWordWrap(size % 2 == 1);
    form->Invalidate();
    UpdateWindow(form->Handle());
  } catch (const Exception&) {
  }
  return 0;
}
