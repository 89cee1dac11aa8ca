// The CADRG/CIB reader over any bytes: the input is a table of contents
// and a frame file (a 4-byte big-endian length of the table, the table,
// then the frame). The frame is stored under the name and path of the
// table's first frame (inside the scratch folder); the layer opens and
// each child reads a few rows. The kernel's errors are fine.

#include <filesystem>

#include "fuzz/support/RasterFuzz.h"
#include "gis/raster/GisLayerCADRG.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  RasterFuzzInit(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::size_t tocSize =
      std::min<std::size_t>(size - 4, std::size_t(data[0]) << 24 | std::size_t(data[1]) << 16 |
                                          std::size_t(data[2]) << 8 | data[3]);
  const std::string toc = RasterFuzzFile("A.TOC", data + 4, tocSize);
  const std::string folder = std::filesystem::path(toc).parent_path().string();
  try {
    TGIS_FileCADRGDecoder probe(toc);
    if (!probe.Frames().empty()) {
      const std::string rel = probe.PathOf(probe.Frames()[0].PathOffset) + "/" + probe.Frames()[0].FileName;
      // only names inside the scratch folder are written
      if (rel.find("..") == std::string::npos && probe.Frames()[0].FileName.find('/') == std::string::npos) {
        std::filesystem::path target = std::filesystem::path(folder) / std::filesystem::path(rel).relative_path();
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (FILE* f = std::fopen(target.string().c_str(), "wb")) {
          std::fwrite(data + 4 + tocSize, 1, size - 4 - tocSize, f);
          std::fclose(f);
        }
      }
    }
    TGIS_LayerCADRG layer;
    layer.SetPath(toc);
    layer.Open();
    std::vector<std::uint8_t> row(3 * 4096);
    for (const auto& child : layer.Children()) {
      const int h = child->Height(), w = child->Width();
      for (int y : {0, 3, 1535, h / 2, h - 1}) {
        child->ReadLine(row.data(), y, int(std::min<std::int64_t>(std::int64_t(w) * 3, 3 * 4096)), 0);
        if (w > 4096) child->ReadLine(row.data(), y, 3 * 2000, (w - 2000) * 3);
      }
    }
  } catch (const Exception&) {
  }
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    std::filesystem::remove_all(e.path(), ec);
  return 0;
}
