// The GIF picture: any bytes load or raise the codec's exceptions. A loaded
// picture renders every frame (bitmap and mask, plain and dithered), draws
// 1:1 and scaled through its masks, saves with both encoders and reloads to
// the same frames; a copy is compacted, saved and read again. Where giflib reads the bytes without error and we raised no
// notice, our frames have giflib's sizes. (Pixels are not compared: a code
// beyond the next free code is invalid data that giflib and this decoder
// read differently, and giflib reports no error for it; the gif_giflib
// target compares them where both are defined to agree.)
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <vector>

#include "codecs/GifPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size, pos;
};

int ReadMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t take = std::min<std::size_t>(std::size_t(n), r->size - r->pos);
  std::memcpy(out, r->data + r->pos, take);
  r->pos += take;
  return int(take);
}

void CompareWithGiflib(const std::uint8_t* data, std::size_t size, TGifPicture& ours) {
  MemoryReader reader{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
  if (gif == nullptr) return;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == ours.Frames().Count()) {
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& s = gif->SavedImages[i];
      TGIFSubImage& f = *ours.Frame(i);
      Check(s.ImageDesc.Width == f.Width() && s.ImageDesc.Height == f.Height());
      Check(s.ImageDesc.Left == f.Left() && s.ImageDesc.Top == f.Top());
      Check(f.DataSize() == std::int64_t(f.Width()) * f.Height());
    }
  }
  DGifCloseFile(gif, &error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  GifMaxFramePixels = std::int64_t(1) << 24;
  GifMaxTotalPixels = std::int64_t(64) << 20;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TGifPicture gif;
  bool noticed = false;
  gif.OnNotice = [&noticed](void*, int, const std::string&) { noticed = true; };
  try {
    TMemoryStream in;
    if (size > 0) in.WriteBuffer(data, std::int64_t(size));
    in.SetPosition(0);
    gif.LoadFromStream(in);
  } catch (const Exception&) {
    return 0;
  }
  if (!noticed) CompareWithGiflib(data, size, gif);
  std::int64_t pixels = 0;
  for (int i = 0; i < gif.Frames().Count(); ++i) pixels += gif.Frame(i)->DataSize();
  if (pixels > (1 << 18)) return 0;
  // the platform's blits walk the whole source: tiled and scaled draws of
  // large frames only cost time
  const bool drawAll = pixels <= (1 << 14);
  try {
    for (int i = 0; i < gif.Frames().Count(); ++i) {
      gif.Frame(i)->Bitmap();
      gif.Frame(i)->HasMask();
    }
    const int w = gif.Width(), h = gif.Height();
    if (drawAll && std::int64_t(w) * h <= 1 << 16) {
      TBitmap one(w, h, pf24bit);
      gif.Draw(one.Canvas(), TRect{0, 0, w, h});
    }
    if (drawAll) {
      TBitmap scaled(37, 23, pf24bit);
      gif.Draw(scaled.Canvas(), TRect{0, 0, 37, 23});
      gif.DrawFlags |= GifDrawFlag(dfTile);
      gif.Draw(scaled.Canvas(), TRect{0, 0, 37, 23});
    }
  } catch (const Exception&) {
  }
  if (drawAll) {
    // the frames dithered into the web palette, and a compacted copy
    try {
      TGifPicture dithered;
      dithered.Assign(&gif); // copies the draw flags too
      dithered.DrawFlags = GifDrawFlag(dfDither) | GifDrawFlag(dfTransparent);
      for (int i = 0; i < dithered.Frames().Count(); ++i) {
        dithered.Frame(i)->Bitmap();
        dithered.Frame(i)->HasMask();
      }
      dithered.Compact(GifCompactAll);
      TMemoryStream compacted;
      dithered.SaveToStream(compacted);
      compacted.SetPosition(0);
      TGifPicture again;
      again.LoadFromStream(compacted);
    } catch (const Exception&) {
    }
  }
  // encoding and decoding a few million pixels twice only costs time
  if (pixels > (1 << 20)) return 0;
  for (std::uint8_t encoding : {std::uint8_t(enLZW), std::uint8_t(enRLE)}) {
    gif.Encoding = encoding;
    TMemoryStream saved;
    try {
      gif.SaveToStream(saved);
    } catch (const Exception&) {
      return 0; // pixels beyond their table cannot be written
    }
    saved.SetPosition(0);
    TGifPicture back;
    back.LoadFromStream(saved); // what we wrote must load
    int frames = 0;
    for (int i = 0; i < gif.Frames().Count(); ++i) {
      TGIFSubImage& f = *gif.Frame(i);
      if (f.Empty()) continue;
      // frames without an image come back merged into the next one
      while (frames < back.Frames().Count() && back.Frame(frames)->Empty()) ++frames;
      Check(frames < back.Frames().Count());
      TGIFSubImage& b = *back.Frame(frames++);
      Check(b.BoundsRect() == f.BoundsRect() && b.Data() == f.Data());
    }
  }
  return 0;
}
