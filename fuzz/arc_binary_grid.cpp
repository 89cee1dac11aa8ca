// The Arc/Info binary grid layer over any bytes. The input is cut into the
// grid's files: 308 bytes of "hdr.adf", 32 of "dblbnd.adf", 16 of "sta.adf",
// a 16-bit big-endian length and that many bytes of "w001001x.adf", and the
// rest "w001001.adf" (fuzz/make-adf-seeds.py packs grids that way). Every
// row is read, then grid values; the kernel's errors are fine.

#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerADF.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

std::string Folder() {
  static const std::string path = [] {
    const std::string p = "/tmp/sk_fuzz_adf_" + IntToStr(::getpid());
    std::filesystem::create_directories(p);
    return p;
  }();
  return path;
}

void Put(const std::string& name, const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen((Folder() + "/" + name).c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  auto part = [&](const char* name, std::size_t n) {
    n = std::min(n, size - at);
    Put(name, data + at, n);
    at += n;
  };
  part("hdr.adf", 308);
  part("dblbnd.adf", 32);
  part("sta.adf", 16);
  std::size_t indexSize = 0;
  if (size - at >= 2) {
    indexSize = std::size_t(data[at]) << 8 | data[at + 1];
    at += 2;
  }
  part("w001001x.adf", indexSize);
  part("w001001.adf", size - at);
  try {
    TGIS_LayerADF layer;
    layer.SetPath(Folder() + "/hdr.adf");
    layer.Open();
    layer.WakeUp();
    const int w = layer.Width(), h = layer.Height();
    std::vector<std::uint8_t> row(std::size_t(w) * 3 + 8);
    const bool all = std::int64_t(w) * h <= 1'000'000 && h <= 4096;
    for (int y = 0; y < h; ++y) {
      if (!all && y >= 8 && y < h - 8) continue;
      layer.CallLineReader(row.data(), y, w * 3, 0);
    }
    std::vector<double> v(1);
    layer.GetGridValue(TPoint{w / 2, h / 2}, v);
  } catch (const Exception&) {
  }
  return 0;
}
