// Animations for the painter and optimiser tests: built in memory from a
// short description, and composed frame by frame the way a GIF89a viewer
// shows them, from giflib's reading of the saved bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "codecs/GifPicture.h"
#include "tests/codecs/GifOracle.h"

namespace gif_anim {

struct FrameSpec {
  FrameSpec(int l = 0, int t = 0, int w = 0, int h = 0, std::vector<std::uint8_t> p = {}, int f = 0,
            int d = 0, int ms = 0, int tr = -1)
      : left(l), top(t), width(w), height(h), pixels(std::move(p)), fill(f), disposal(d), delay(ms),
        transparent(tr) {}
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> pixels; // width x height indices, or empty: filled with `fill`
  int fill = 0;
  int disposal = 0, delay = 0, transparent = -1; // -1: opaque
  bool control = true;                            // with a graphic control extension
  std::vector<TGIFColor> local;                   // a local table when not empty
  std::string comment;
};

/// A picture of the screen size with the global table and the frames; a
/// looping extension with `loops` on frame 0 when loops >= 0.
std::unique_ptr<TGifPicture> MakeAnimation(int width, int height, const std::vector<TGIFColor>& global,
                                           const std::vector<FrameSpec>& frames, int loops = -1,
                                           int background = 0);

/// The bytes the picture saves.
std::vector<std::uint8_t> SavedBytes(TGifPicture& gif);

/// One shown screen: 0x00RRGGBB per pixel, or kCleared where nothing was
/// drawn yet or a disposal cleared it.
constexpr std::uint32_t kCleared = 0xFF000000u;
using Screen = std::vector<std::uint32_t>;

/// The screens after each frame, composed from giflib's reading: disposal 2
/// clears the frame's area, 3 goes back to the screen before the frame, any
/// other keeps it.
std::vector<Screen> Coalesce(const gif_oracle::File& file);

/// The screens without repeats in a row (frames that changed nothing).
std::vector<Screen> Distinct(const std::vector<Screen>& screens);

/// A 24-bit bitmap's pixels as a screen, with `background` read as cleared.
Screen ScreenOf(class TBitmap& bitmap, std::uint32_t background);

} // namespace gif_anim
