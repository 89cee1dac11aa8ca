// "libNCSEcw.so": the ECW decoder library's entry points over the JPEG 2000
// core. ECW files themselves are not decoded (opening them fails); JP2 and
// J2K files are. A view's window (corners inclusive) is decoded at the
// coarsest level that still has as many pixels as the output (level r: the
// largest 2^r not above window / output), then sampled to the output size
// by the nearest pixel: output column i takes full-resolution column
// left + floor((i + 1/2) * width / columns), rows likewise.
#include "platform/decoders/ExternalDecoders.h"
#include "platform/decoders/Jp2Core.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct TEcwView {
  skdec::TJp2Source Source;
  skdec::TJp2LevelCache Cache;
  TECW_FileInfo Info{};
  skdec::TJp2Area Own; // the window's area when the level is not cached
  const skdec::TJp2Area* Area = nullptr;
  int Level = 0;
  std::uint32_t Left = 0, Top = 0, WindowWidth = 0, WindowHeight = 0, Columns = 0, Rows = 0;
  std::uint32_t NextRow = 0;
  int From[3] = {0, 0, 0}; // components of blue, green, red
};

} // namespace

extern "C" {

int NCScbmOpenFileView(const char* path, void** view, void* refreshCallback) {
  (void)refreshCallback;
  if (!path || !view) return 1;
  auto v = std::make_unique<TEcwView>();
  if (!v->Source.Open(path)) return 1;
  const auto& i = v->Source.Info();
  v->Info.Width = std::uint32_t(i.Width);
  v->Info.Height = std::uint32_t(i.Height);
  v->Info.Bands = std::uint16_t(std::min(i.Components, 65535));
  v->Info.CompressionRate = 1;
  v->Info.CellUnits = 1;
  v->Info.CellIncrementX = 1;
  v->Info.CellIncrementY = 1;
  v->Info.OriginX = 0;
  v->Info.OriginY = 0;
  *view = v.release();
  return 0;
}

int NCScbmCloseFileView(void* view) {
  delete static_cast<TEcwView*>(view);
  return 0;
}

int NCScbmGetViewFileInfo(void* view, TECW_FileInfo** info) {
  if (!view || !info) return 1;
  *info = &static_cast<TEcwView*>(view)->Info;
  return 0;
}

int NCScbmSetFileView(void* view, std::uint32_t bandCount, std::uint32_t* bandList,
                      std::uint32_t topLeftX, std::uint32_t topLeftY, std::uint32_t bottomRightX,
                      std::uint32_t bottomRightY, std::uint32_t columns, std::uint32_t rows) {
  auto* v = static_cast<TEcwView*>(view);
  if (!v || columns == 0 || rows == 0 || bottomRightX < topLeftX || bottomRightY < topLeftY ||
      bottomRightX >= v->Info.Width || bottomRightY >= v->Info.Height || columns > (1u << 24) ||
      rows > (1u << 24))
    return 1;
  const auto& info = v->Source.Info();
  const int comps = info.Components;
  auto component = [&](std::uint32_t k) {
    const std::uint32_t c = k < bandCount && bandList ? bandList[k] : k;
    return int(std::min<std::uint32_t>(c, std::uint32_t(comps - 1)));
  };
  if (bandCount >= 3 && comps >= 3)
    v->From[0] = component(2), v->From[1] = component(1), v->From[2] = component(0);
  else
    v->From[0] = v->From[1] = v->From[2] = component(0);
  const std::uint32_t w = bottomRightX - topLeftX + 1, h = bottomRightY - topLeftY + 1;
  const double ratio = std::min(double(w) / columns, double(h) / rows);
  int level = 0;
  while (level + 1 < info.Resolutions && double(std::uint64_t(1) << (level + 1)) <= ratio)
    ++level;
  v->Area = v->Cache.Level(v->Source, level);
  if (!v->Area) {
    if (!v->Source.Decode(level, int(topLeftX), int(topLeftY), int(bottomRightX + 1),
                          int(bottomRightY + 1), v->Own))
      return 1;
    v->Area = &v->Own;
  }
  v->Level = level;
  v->Left = topLeftX, v->Top = topLeftY, v->WindowWidth = w, v->WindowHeight = h;
  v->Columns = columns, v->Rows = rows, v->NextRow = 0;
  return 0;
}

int NCScbmReadViewLineBGR(void* view, std::uint8_t* line) {
  auto* v = static_cast<TEcwView*>(view);
  if (!v || !line || v->NextRow >= v->Rows || !v->Area || v->Area->Planes.empty()) return 1;
  const auto& info = v->Source.Info();
  const std::uint32_t j = v->NextRow++;
  const std::uint64_t y = v->Top + (std::uint64_t(2 * j + 1) * v->WindowHeight) / (2 * std::uint64_t(v->Rows));
  const int ar = std::clamp(int(y >> v->Level) - v->Area->Y0, 0, v->Area->Height - 1);
  for (std::uint32_t i = 0; i < v->Columns; ++i) {
    const std::uint64_t x = v->Left + (std::uint64_t(2 * i + 1) * v->WindowWidth) / (2 * std::uint64_t(v->Columns));
    const int ac = std::clamp(int(x >> v->Level) - v->Area->X0, 0, v->Area->Width - 1);
    std::size_t at2[3];
    for (int k = 0; k < 3; ++k)
      at2[k] = std::size_t(ar) * v->Area->Strides[std::size_t(v->From[k])] + std::size_t(ac);
    for (int k = 0; k < 3; ++k)
      line[3 * i + k] = skdec::Jp2ToByte(v->Area->Planes[std::size_t(v->From[k])][at2[k]], info.Precision,
                                         info.Signed);
  }
  return 0;
}

} // extern "C"
