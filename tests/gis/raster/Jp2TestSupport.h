// Shared helpers of the JPEG 2000 layers' tests: the decoder-library
// folders (this platform's adapters, the fakes), a fixture that checks the
// process-wide library state after each test, and picture files the
// reference tools read.
#pragma once

#include <dlfcn.h>

#include <string>
#include <vector>

#include "gis/raster/GisLayerECW.h"
#include "gis/raster/GisLayerMrSID.h"
#include "platform/rtl/DynLib.h"
#include "tests/gis/raster/RasterTestSupport.h"

namespace jp2test {

inline const std::string kAdapters = SK_DECODERS_DIR;
inline const std::string kFakes = std::string(SK_FAKE_DECODERS_DIR) + "/whole";
inline const std::string kFakesMissingEntry = std::string(SK_FAKE_DECODERS_DIR) + "/missing";

/// Whether a shared object of that path is mapped in the process.
inline bool IsMapped(const std::string& path) {
  void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return false;
  ::dlclose(h);
  return true;
}

/// Each test starts with the library folder it names and ends with no
/// layer alive and both libraries unloaded.
class TDecoderTest : public ::testing::Test {
protected:
  void UseLibraries(const std::string& folder) {
    folder_ = folder;
    SetLibrarySearchFolder(folder);
  }
  void TearDown() override {
    EXPECT_EQ(TGIS_LayerMrSID::InstanceCount(), 0);
    EXPECT_EQ(TGIS_LayerECW::InstanceCount(), 0);
    EXPECT_FALSE(TGIS_LayerMrSID::LibraryLoaded());
    EXPECT_FALSE(TGIS_LayerECW::LibraryLoaded());
    if (!folder_.empty()) {
      EXPECT_FALSE(IsMapped(folder_ + "/libvrkMrSID4.so"));
      EXPECT_FALSE(IsMapped(folder_ + "/libNCSEcw.so"));
    }
    SetLibrarySearchFolder("");
  }
  std::string folder_;
};

/// A binary PPM (R,G,B) or 16-bit PGM file.
inline void WritePpm(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgb) {
  std::string s = "P6\n" + IntToStr(w) + " " + IntToStr(h) + "\n255\n";
  s.append(reinterpret_cast<const char*>(rgb.data()), rgb.size());
  WriteFile(path, s);
}

/// R,G,B rows of a PPM/PGM (8-bit) file as B,G,R; empty when unreadable.
inline std::vector<std::uint8_t> ReadPnmAsBgr(const std::string& path, int& w, int& h) {
  const std::string s = ReadFile(path);
  w = h = 0;
  if (s.size() < 2 || s[0] != 'P') return {};
  const bool colour = s[1] == '6';
  std::size_t at = 2;
  int values[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    while (at < s.size() && (std::isspace(static_cast<unsigned char>(s[at])) || s[at] == '#')) {
      if (s[at] == '#')
        while (at < s.size() && s[at] != '\n') ++at;
      else
        ++at;
    }
    int v = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) v = v * 10 + (s[at++] - '0');
    values[k] = v;
  }
  ++at;
  w = values[0], h = values[1];
  std::vector<std::uint8_t> out;
  for (int i = 0; i < w * h; ++i) {
    if (colour) {
      if (at + 3 * i + 2 >= s.size()) return {};
      out.push_back(std::uint8_t(s[at + 3 * i + 2]));
      out.push_back(std::uint8_t(s[at + 3 * i + 1]));
      out.push_back(std::uint8_t(s[at + 3 * i]));
    } else {
      if (at + i >= s.size()) return {};
      out.insert(out.end(), 3, std::uint8_t(s[at + i]));
    }
  }
  return out;
}

} // namespace jp2test
