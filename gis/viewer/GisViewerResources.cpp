// The viewer's own bitmap artwork: "SELECTEDFILL", the pattern that marks
// selected areas, an 8 x 8 tile of blue diagonal lines on white (white, the
// bottom-left colour, is the transparent one). A resource of the same name
// registered by the program first is kept.
#include <cstdint>
#include <vector>

#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr int kTile = 8;

void RegisterSelectedFill() {
  if (FindBitmapResource("SELECTEDFILL") != nullptr) return;
  TBitmap tile(kTile, kTile, pf24bit);
  for (int y = 0; y < kTile; ++y) {
    std::uint8_t* row = tile.ScanLine(y);
    for (int x = 0; x < kTile; ++x) {
      const bool line = (x + y) % 4 == 0; // rising diagonals, 4 pixels apart
      row[3 * x + 0] = 255;               // blue
      row[3 * x + 1] = line ? 0 : 255;    // green
      row[3 * x + 2] = line ? 0 : 255;    // red
    }
  }
  TMemoryStream file;
  tile.SaveToStream(file);
  RegisterBitmapResource("SELECTEDFILL",
                         std::vector<std::uint8_t>(file.Memory(), file.Memory() + file.Size()));
}

} // namespace

void GisViewerRegisterResources() {
  static const bool done = (RegisterSelectedFill(), true);
  (void)done;
}
