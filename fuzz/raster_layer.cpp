// Picture layers (BMP, JPEG, PNG) with their registration: a world file or a
// ".tab" beside the picture. Any files open as a layer that reads its rows,
// or raise the kernel's error.
//
// The input: one byte that picks the picture format (value % 3) and the
// companion (value / 3 % 3: none, a world file, a ".tab"), two bytes of the
// companion's length (little-endian), the companion, then the picture.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/FuzzGui.h"
#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/raster/GisLayerBMP.h"
#include "gis/raster/GisLayerJPG.h"
#include "gis/raster/GisLayerPNG.h"
#include "platform/rtl/Exceptions.h"

namespace {

struct TFormat {
  const char* picture;
  const char* world;
};
constexpr TFormat kFormats[] = {{"layer.bmp", "layer.bpw"},
                                {"layer.jpg", "layer.jgw"},
                                {"layer.png", "layer.pgw"}};

std::unique_ptr<TGIS_LayerPixel> NewLayer(int format) {
  switch (format) {
  case 0:
    return std::make_unique<TGIS_LayerBMP>();
  case 1:
    return std::make_unique<TGIS_LayerJPG>();
  default:
    return std::make_unique<TGIS_LayerPNG>();
  }
}

/// Reads up to 64 rows, spread over the picture.
void ReadRows(TGIS_LayerPixel& layer) {
  layer.WakeUp();
  if (layer.Width() <= 0 || layer.Height() <= 0) return;
  std::vector<std::uint8_t> row(std::size_t(layer.Width()) * 3 + 4);
  const int step = std::max(1, layer.Height() / 64);
  for (int y = 0; y < layer.Height(); y += step)
    (void)layer.CallLineReader(row.data(), y, layer.Width() * 3, 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartGui(argc, argv);
  GisKernelInit();
  GisRegisterRasterRegistration();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int format = data[0] % 3, companion = data[0] / 3 % 3;
  const std::size_t length = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
  const TFormat& f = kFormats[format];
  for (const TFormat& other : kFormats) {
    skfuzz::RemoveScratch(other.picture);
    skfuzz::RemoveScratch(other.world);
  }
  skfuzz::RemoveScratch("layer.tab");
  if (companion == 1) skfuzz::WriteScratch(f.world, data + 3, length);
  if (companion == 2) skfuzz::WriteScratch("layer.tab", data + 3, length);
  const std::string path = skfuzz::WriteScratch(f.picture, data + 3 + length, size - 3 - length);
  try {
    auto layer = NewLayer(format);
    layer->SetPath(path);
    layer->Open();
    (void)layer->Extent();
    ReadRows(*layer);
  } catch (const Exception&) {
  }
  return 0;
}
