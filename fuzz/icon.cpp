// The icon reader: any bytes load or raise the runtime's error; an icon that
// loads has pixels for its size, draws stretched and saves.

#include <cstdint>

#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/PictureFormats.h"
#include "platform/graphics/Icon.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skfuzz::LoadDrawSave<TIcon>(data, size, [](TIcon& icon) {
    skfuzz::Check(icon.Pixels().size() == std::size_t(icon.Width()) * icon.Height() * 4,
                  "an icon has four bytes per pixel");
  });
  return 0;
}
