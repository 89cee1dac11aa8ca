// An SDTS transfer: whatever its module files hold, the transfer opens or
// raises the kernel's errors; a vector transfer becomes the vector layer
// and is read back, a raster one the DEM layer, whose rows, lines and
// cells are read (after the layer has let its grid go and read it again).
//
// Input: module files one after the other, each a name length (1 byte), the
// name (letters, digits and '.'), a little-endian 32-bit length and its
// bytes. The transfer is opened from the first file.

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzFiles.h"
#include "fuzz/support/FuzzLayers.h"
#include "gis/core/GisKernel.h"
#include "gis/formats/GisLayerSDTS.h"
#include "platform/rtl/Exceptions.h"

namespace {

bool SafeName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.')) return false;
  return true;
}

void ReadDem(TGIS_LayerSDTS_RPE& dem) {
  std::vector<std::uint8_t> rgb(std::size_t(dem.Width()) * 3 + 3);
  std::vector<float> row;
  std::vector<double> value;
  for (int r = -1; r <= dem.Height() && r < 64; ++r) {
    dem.ReadLine(rgb.data(), r, int(rgb.size()) - 3, 0);
    dem.ReadGridLine(row, r, dem.Width(), 0);
    for (int c = 0; c < dem.Width() && c < 64; ++c)
      dem.GetGridValue({c, r}, value);
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace skfuzz;
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at < size && names.size() < 32) {
    const std::size_t n = data[at++];
    if (n > size - at) break;
    const std::string name(reinterpret_cast<const char*>(data + at), n);
    at += n;
    if (size - at < 4) break;
    std::size_t length = Length(data + at);
    at += 4;
    if (length > size - at) length = size - at;
    if (SafeName(name)) {
      Put(name, data + at, length);
      names.push_back(name);
    }
    at += length;
  }
  if (!names.empty()) {
    try {
      TGIS_FileSDTS transfer;
      transfer.Open(Folder() + names[0]);
      transfer.GetDescription();
      transfer.GetUnitsType();
      auto copy = std::make_unique<TGIS_FileSDTS>();
      copy->Open(Folder() + names[0]);
      if (transfer.IsVector()) {
        TGIS_LayerSDTS_TVP layer;
        layer.SetPath(Folder() + names[0]);
        layer.SetTransfer(std::move(copy));
        layer.Open();
        ReadBackShapes(layer);
      } else if (transfer.IsRaster()) {
        TGIS_LayerSDTS_RPE dem;
        dem.SetPath(Folder() + names[0]);
        dem.SetTransfer(std::move(copy));
        dem.Open();
        ReadDem(dem);
      }
    } catch (const Exception&) {
    }
  }
  for (const auto& name : names)
    Remove(name);
  return 0;
}
