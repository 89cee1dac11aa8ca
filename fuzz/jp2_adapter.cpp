// This platform's JPEG 2000 decoder adapters over any bytes: the input as
// a file, opened through both libraries' entry points, small strips read
// at the coarsest and the full level, the grid range, and a view window
// resampled to a few columns. Failures answer with their codes.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/decoders/ExternalDecoders.h"
#include "platform/rtl/Strings.h"

extern "C" {
int vrkMrSID_InitSID(const char*, const char*);
void vrkMrSID_FreeSID(int);
int vrkMrSID_ImageWidth(int);
int vrkMrSID_ImageHeight(int);
int vrkMrSID_DataType(int);
int vrkMrSID_MaxZoomLevel(int);
int vrkMrSID_SetZoom(int, int);
void vrkMrSID_SetBuffer(int, void*);
int vrkMrSID_LoadStrip(int, int, int, int, int);
double vrkMrSID_MinValue(int);
int NCScbmOpenFileView(const char*, void**, void*);
int NCScbmCloseFileView(void*);
int NCScbmGetViewFileInfo(void*, TECW_FileInfo**);
int NCScbmSetFileView(void*, std::uint32_t, std::uint32_t*, std::uint32_t, std::uint32_t,
                      std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t);
int NCScbmReadViewLineBGR(void*, std::uint8_t*);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/sk_fuzz_jp2_" + IntToStr(::getpid()) + ".jp2";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const int h = vrkMrSID_InitSID(path.c_str(), "");
  if (h >= 0) {
    std::vector<std::uint8_t> buffer(64 * 64 * 8);
    vrkMrSID_SetBuffer(h, buffer.data());
    const int top = vrkMrSID_MaxZoomLevel(h);
    for (int level : {top, 0}) {
      vrkMrSID_SetZoom(h, level);
      vrkMrSID_LoadStrip(h, 0, 16, 0, 64);
    }
    vrkMrSID_MinValue(h);
    vrkMrSID_FreeSID(h);
  }
  void* view = nullptr;
  if (NCScbmOpenFileView(path.c_str(), &view, nullptr) == 0) {
    TECW_FileInfo* info = nullptr;
    if (NCScbmGetViewFileInfo(view, &info) == 0 && info) {
      std::uint32_t bands[3] = {0, 1, 2};
      const std::uint32_t w = info->Width, ht = info->Height;
      // a window of at most 4096 cells a side, sampled to 32 x 8 cells
      if (NCScbmSetFileView(view, 3, bands, 0, 0, std::min<std::uint32_t>(w, 4096) - 1,
                            std::min<std::uint32_t>(ht, 4096) - 1, 32, 8) == 0) {
        std::vector<std::uint8_t> line(32 * 3);
        while (NCScbmReadViewLineBGR(view, line.data()) == 0) {
        }
      }
    }
    NCScbmCloseFileView(view);
  }
  return 0;
}
