// The IMAGINE layer over any bytes: open, and the rows of the image
// (all of them for images up to a million pixels and 4096 rows, the first
// and last ones beyond), then grid values; the kernel's errors are fine.

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "gis/raster/GisLayerIMG.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

std::string InputPath() {
  static const std::string path = "/tmp/sk_fuzz_img_" + IntToStr(::getpid()) + ".img";
  return path;
}

void ReadRows(TGIS_LayerIMG& layer) {
  layer.WakeUp();
  const int w = layer.Width(), h = layer.Height();
  std::vector<std::uint8_t> row(std::size_t(w) * 3 + 8);
  const bool all = std::int64_t(w) * h <= 1'000'000 && h <= 4096;
  for (int y = 0; y < h; ++y) {
    if (!all && y >= 8 && y < h - 8) continue;
    layer.CallLineReader(row.data(), y, w * 3, 0);
  }
  std::vector<float> values(std::size_t(w) + 1);
  layer.ReadGridLine(values, h / 2, w, 0);
  std::vector<double> v(3);
  layer.GetGridValue(TPoint{w / 2, h / 2}, v);
  layer.MakeDormant();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen(InputPath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    TGIS_LayerIMG layer;
    layer.SetPath(InputPath());
    layer.Open();
    ReadRows(layer);
  } catch (const Exception&) {
  }
  return 0;
}
