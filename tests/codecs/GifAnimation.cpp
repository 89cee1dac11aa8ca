#include "tests/codecs/GifAnimation.h"

#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Streams.h"

namespace gif_anim {

std::unique_ptr<TGifPicture> MakeAnimation(int width, int height, const std::vector<TGIFColor>& global,
                                           const std::vector<FrameSpec>& frames, int loops,
                                           int background) {
  auto gif = std::make_unique<TGifPicture>();
  gif->ScreenInfo().Descriptor().ScreenWidth = std::uint16_t(width);
  gif->ScreenInfo().Descriptor().ScreenHeight = std::uint16_t(height);
  for (const TGIFColor& c : global) gif->GlobalColors().Add(RGB(c.Red, c.Green, c.Blue));
  gif->ScreenInfo().Descriptor().BackgroundColorIndex = std::uint8_t(background);
  gif->ScreenInfo().Prepare();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const FrameSpec& s = frames[i];
    auto* frame = new TGIFSubImage(gif.get());
    for (const TGIFColor& c : s.local) frame->LocalColors().Add(RGB(c.Red, c.Green, c.Blue));
    frame->SetBounds(s.left, s.top, s.width, s.height);
    if (s.pixels.empty())
      std::fill(frame->Data().begin(), frame->Data().end(), std::uint8_t(s.fill));
    else
      frame->Data() = s.pixels;
    if (i == 0 && loops >= 0) {
      auto* loop = new TGIFAppExtNSLoop(frame);
      loop->Loops = std::uint16_t(loops);
      frame->ExtensionItems().Add(loop);
    }
    if (!s.comment.empty()) {
      auto* comment = new TGIFCommentExtension(frame);
      comment->Comment.push_back(s.comment);
      frame->ExtensionItems().Add(comment);
    }
    if (s.control) {
      auto* gce = new TGIFGraphicControlExtension(frame);
      frame->ExtensionItems().Add(gce);
      gce->SetDisposal(std::uint8_t(s.disposal));
      gce->SetDelay(std::uint16_t(s.delay));
      if (s.transparent >= 0) {
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(s.transparent);
      }
    }
    gif->AppendFrame(frame);
  }
  return gif;
}

std::vector<std::uint8_t> SavedBytes(TGifPicture& gif) {
  TMemoryStream stream;
  gif.SaveToStream(stream);
  std::vector<std::uint8_t> bytes(std::size_t(stream.Size()));
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
  return bytes;
}

std::vector<Screen> Coalesce(const gif_oracle::File& file) {
  const int w = file.width, h = file.height;
  Screen screen(std::size_t(w) * std::size_t(h), kCleared);
  std::vector<Screen> shown;
  for (const gif_oracle::Frame& f : file.frames) {
    const Screen before = screen;
    const std::vector<std::uint8_t>& map = f.localMap.empty() ? file.globalMap : f.localMap;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) {
        const int v = f.pixels[std::size_t(y * f.width + x)];
        const int sx = f.left + x, sy = f.top + y;
        if (v == f.transparent || sx >= w || sy >= h || std::size_t(v) * 3 + 2 >= map.size()) continue;
        screen[std::size_t(sy * w + sx)] = std::uint32_t(map[std::size_t(v) * 3]) << 16 |
                                           std::uint32_t(map[std::size_t(v) * 3 + 1]) << 8 |
                                           map[std::size_t(v) * 3 + 2];
      }
    shown.push_back(screen);
    if (f.disposal == 2) {
      for (int y = f.top; y < std::min(h, f.top + f.height); ++y)
        for (int x = f.left; x < std::min(w, f.left + f.width); ++x) screen[std::size_t(y * w + x)] = kCleared;
    } else if (f.disposal == 3) {
      screen = before;
    }
  }
  return shown;
}

std::vector<Screen> Distinct(const std::vector<Screen>& screens) {
  std::vector<Screen> out;
  for (const Screen& s : screens)
    if (out.empty() || out.back() != s) out.push_back(s);
  return out;
}

Screen ScreenOf(TBitmap& bitmap, std::uint32_t background) {
  Screen s;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint32_t c = std::uint32_t(row[x * 3 + 2]) << 16 | std::uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
      s.push_back(c == background ? kCleared : c);
    }
  }
  return s;
}

} // namespace gif_anim
