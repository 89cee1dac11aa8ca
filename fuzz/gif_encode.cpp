// The GIF encoders: a frame of up to 80 x 80 pixels with a table of 2 to
// 256 colours, plain or interlaced, written with the LZW and the run-length
// encoder, must read back to the same pixels with this decoder and with
// giflib.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/GifPicture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/codecs/GifOracle.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int w = 1 + data[0] % 80, h = 1 + data[1] % 80;
  const int colours = 2 + data[2] % 255;
  const bool interlaced = (data[3] & 1) != 0;
  data += 4;
  size -= 4;
  TGifPicture gif;
  for (int i = 0; i < colours; ++i) gif.GlobalColors().Add(COLORREF(i * 0x010101));
  auto* frame = new TGIFSubImage(&gif);
  frame->SetBounds(0, 0, w, h);
  frame->SetInterlaced(interlaced);
  std::vector<std::uint8_t>& pixels = frame->Data();
  // the input's bytes as pixels, repeated to fill the frame
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = size == 0 ? 0 : std::uint8_t(data[i % size] % colours);
  gif.AppendFrame(frame);
  const std::vector<std::uint8_t> expected = pixels;
  for (std::uint8_t encoding : {std::uint8_t(enLZW), std::uint8_t(enRLE)}) {
    gif.Encoding = encoding;
    TMemoryStream out;
    gif.SaveToStream(out);
    std::vector<std::uint8_t> bytes(std::size_t(out.Size()));
    out.SetPosition(0);
    out.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
    // giflib's reading, rows in their places
    const gif_oracle::File file = gif_oracle::Slurp(bytes);
    Check(file.ok && file.frames.size() == 1);
    Check(file.frames[0].width == w && file.frames[0].height == h && file.frames[0].pixels == expected);
    out.SetPosition(0);
    TGifPicture back;
    back.LoadFromStream(out);
    Check(back.Frames().Count() == 1 && back.Frame(0)->Data() == expected);
  }
  return 0;
}
