// What the raster layers' harnesses share: the application and kernel they
// need, a per-process scratch folder for the input files, and reading every
// row of an opened layer (all of them for images up to a million pixels and
// 4096 rows, the first and last eight beyond), then grid values.
#pragma once

#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "gis/core/GisKernel.h"
#include "gis/raster/GisLayerPixel.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

inline void RasterFuzzInit(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  GisKernelInit();
}

/// Writes `size` bytes as `name` in this process's scratch folder; the path.
inline std::string RasterFuzzFile(const std::string& name, const std::uint8_t* data,
                                  std::size_t size) {
  static const std::string folder = [] {
    const std::string p = "/tmp/sk_fuzz_raster_" + IntToStr(::getpid());
    std::filesystem::create_directories(p);
    return p;
  }();
  const std::string path = folder + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}

inline void RasterFuzzReadRows(TGIS_LayerPixel& layer) {
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

/// Opens a `TLayer` on `path` and reads it at full scale and at half scale
/// (the grids read by columns choose their columns by the scale); the
/// kernel's errors are fine.
template <class TLayer> void RasterFuzzOpenAtTwoScales(const std::string& path) {
  try {
    TLayer layer;
    layer.SetPath(path);
    layer.Open();
    RasterFuzzReadRows(layer);
    layer.GetOverviewScale(layer.Width(), layer.Width() / 2.0);
    RasterFuzzReadRows(layer);
  } catch (const Exception&) {
  }
}

/// Splits an input into a ".hdr" companion and its data file `dataName`:
/// the first byte gives the header's length (times 2), the header text
/// follows, the data file is the rest. The data file's path, or '' for an
/// empty input.
inline std::string RasterFuzzWithHeader(const std::uint8_t* data, std::size_t size,
                                        const std::string& dataName) {
  if (size < 1) return std::string();
  const std::size_t header = std::min<std::size_t>(std::size_t(data[0]) * 2, size - 1);
  RasterFuzzFile(dataName.substr(0, dataName.rfind('.')) + ".hdr", data + 1, header);
  return RasterFuzzFile(dataName, data + 1 + header, size - 1 - header);
}
