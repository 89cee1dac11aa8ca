// The GIF encoders: a frame of up to 80 x 80 pixels with a table of 2 to
// 256 colours, plain or interlaced, written with the LZW and the run-length
// encoder, must read back to the same pixels with this decoder and with
// giflib.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <vector>

#include "codecs/GifPicture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct EncodedReader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos;
};

int ReadEncoded(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<EncodedReader*>(gif->UserData);
  const std::size_t take = std::min<std::size_t>(std::size_t(n), r->bytes->size() - r->pos);
  if (take > 0) std::memcpy(out, r->bytes->data() + r->pos, take);
  r->pos += take;
  return int(take);
}

// giflib's pixels of the only frame, de-interlaced.
std::vector<std::uint8_t> GiflibPixels(const std::vector<std::uint8_t>& bytes, int w, int h) {
  EncodedReader reader{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadEncoded, &error);
  Check(gif != nullptr);
  Check(DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1);
  const SavedImage& s = gif->SavedImages[0];
  Check(s.ImageDesc.Width == w && s.ImageDesc.Height == h);
  std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
  if (s.ImageDesc.Interlace) {
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    int row = 0;
    for (int pass = 0; pass < 4; ++pass)
      for (int y = start[pass]; y < h; y += step[pass], ++row)
        std::memcpy(&pixels[std::size_t(y) * std::size_t(w)], s.RasterBits + std::size_t(row) * std::size_t(w),
                    std::size_t(w));
  } else {
    std::memcpy(pixels.data(), s.RasterBits, pixels.size());
  }
  DGifCloseFile(gif, &error);
  return pixels;
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
    Check(GiflibPixels(bytes, w, h) == expected);
    out.SetPosition(0);
    TGifPicture back;
    back.LoadFromStream(out);
    Check(back.Frames().Count() == 1 && back.Frame(0)->Data() == expected);
  }
  return 0;
}
