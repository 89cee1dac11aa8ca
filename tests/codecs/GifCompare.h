// Comparing the GIF picture's reading of a file with giflib's, for the tests
// and the differential fuzz target.
//
// The two decoders are defined to read some invalid image data differently:
// a code beyond the next free code is read here as the next free one (giflib
// makes up a string of its own and reports no error), and a first code
// after a clear that lies above the clear code ends the data here (giflib
// fails); below a minimum code size of 2 the code sizes grow at another
// code. `ScanImages` walks the blocks of a file and finds, for each image,
// how many pixels come before the first such code; only those pixels are
// compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/codecs/GifOracle.h"

class TGifPicture;

namespace gif_compare {

struct ScannedImage {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  int minCodeSize = 0;
  /// Pixels, in the order they are decoded, before the first code that the
  /// two decoders read differently; -1 when the data holds no such code
  /// among the codes that make the image's pixels.
  std::int64_t agreedPixels = -1;
};

struct Scan {
  /// Every image descriptor found by walking the blocks of a file, until
  /// the trailer, the end of the bytes or a byte that starts no block.
  std::vector<ScannedImage> images;
  /// The images before the first extension block that the two readers are
  /// defined to read differently (-1: none). This reader takes a graphic
  /// control block as 6 bytes and a plain text header as 13, whatever their
  /// sizes say; reads an application block of size 10 with its 11th byte as
  /// data; and refuses unknown labels, smaller application blocks and short
  /// looping sub-blocks. giflib reads every extension as a chain of
  /// sub-blocks, and after an empty first sub-block one more: the walk
  /// follows giflib there, so that it finds the images giflib finds.
  int agreedImages = -1;
};

Scan ScanImages(const std::vector<std::uint8_t>& bytes);

/// Scans one image's LZW data (the sub-blocks' bytes joined) for `pixels`
/// pixels with the minimum code size `m`.
std::int64_t AgreedPixels(const std::vector<std::uint8_t>& codes, int m, std::int64_t pixels);

/// The first difference between our picture and giflib's reading, "" when
/// they agree. With a scan of the same bytes, only what both readers are
/// defined to read alike is compared: the frames before the first extension
/// block read differently (and then neither the screen nor the loop count),
/// and the pixels before each frame's first code read differently.
std::string FirstDifference(TGifPicture& ours, const gif_oracle::File& ref,
                            const Scan* scan = nullptr);

} // namespace gif_compare
