// giflib as a second reader: wherever DGifSlurp reads the bytes without an
// error, our frames equal giflib's (screen, colour tables, bounds, interlace,
// pixels, control fields, comments, loop count). Pixels are compared up to
// the first code, and frames up to the first extension block, that the two
// readers are defined to read differently (see tests/codecs/GifCompare.h);
// a circular table is an error of ours only after such a code.
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/GifPicture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/codecs/GifCompare.h"
#include "tests/codecs/GifOracle.h"

namespace {

void Fault(const std::string& what) {
  std::fprintf(stderr, "gif_giflib: %s\n", what.c_str());
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  GifMaxFramePixels = std::int64_t(1) << 20;
  GifMaxTotalPixels = std::int64_t(1) << 22;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  // giflib allocates every frame it meets at its full size: big frames only
  // cost time, so they are left out
  const gif_compare::Scan scan = gif_compare::ScanImages(bytes);
  std::int64_t total = 0;
  for (const auto& image : scan.images) {
    const std::int64_t pixels = std::int64_t(image.width) * image.height;
    if (pixels > GifMaxFramePixels) return 0;
    total += pixels;
  }
  if (total > GifMaxTotalPixels) return 0;
  const gif_oracle::File ref = gif_oracle::Slurp(bytes);
  if (!ref.ok) return 0;
  bool undefinedCode = false;
  for (const auto& image : scan.images) undefinedCode = undefinedCode || image.agreedPixels >= 0;
  TGifPicture ours;
  try {
    TMemoryStream in;
    if (size > 0) in.WriteBuffer(data, std::int64_t(size));
    in.SetPosition(0);
    ours.LoadFromStream(in);
  } catch (const Exception& e) {
    // after a block read differently, anything may follow
    if (scan.agreedImages >= 0) return 0;
    if (e.Message() == GifTexts::CircularEntry && undefinedCode) return 0;
    Fault("giflib reads the file, we raise \"" + e.Message() + "\"");
  }
  const std::string difference = gif_compare::FirstDifference(ours, ref, &scan);
  if (!difference.empty()) Fault(difference);
  return 0;
}
