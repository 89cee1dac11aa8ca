// libpng as the oracle of the PNG codec's tests: raw samples of a file, its
// chunks' values, and the colours the codec is to show for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TLibpngImage {
  bool ok = false;
  std::string error;
  std::uint32_t width = 0, height = 0;
  int depth = 0, colorType = 0, interlace = 0;
  std::vector<std::vector<std::uint8_t>> rows; // raw samples, big-endian 16-bit
  std::vector<std::uint8_t> palette;           // r, g, b triples
  std::vector<std::uint8_t> trnsAlpha;         // palette alpha
  int trnsGrey = -1, trnsR = -1, trnsG = -1, trnsB = -1;
  bool hasGamma = false;
  std::uint32_t gamma = 0; // gAMA × 100000
  struct TText {
    std::string key, text;
    int compression; // -1 tEXt, 0 zTXt, 1 and 2 iTXt
  };
  std::vector<TText> texts;
  bool hasTime = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

  /// The raw sample `channel` of pixel x of row y (0..65535 or 0..2^d-1).
  unsigned Sample(std::uint32_t x, std::uint32_t y, int channel) const;
  int Channels() const;
};

TLibpngImage ReadWithLibpng(const std::string& path);
TLibpngImage ReadWithLibpng(const std::vector<std::uint8_t>& bytes);

/// The decoding gamma table the codec builds for a gAMA value (identity for 0).
std::vector<std::uint8_t> GammaTable(std::uint32_t gamma);

/// The colour ($00BBGGRR) and alpha the codec is to show for a pixel:
/// 16-bit samples by their high byte, 2-bit grey five times in 4-bit steps,
/// colours through the gamma table, grey + alpha by its grey ramp.
void ExpectedPixel(const TLibpngImage& img, const std::vector<std::uint8_t>& gamma,
                   std::uint32_t x, std::uint32_t y, std::uint32_t& colour, int& alpha);

/// Writes rows with libpng (level, filter mask as PNG_FILTER_*, IDAT size).
std::vector<std::uint8_t> WriteWithLibpng(std::uint32_t width, std::uint32_t height, int depth,
                                          int colorType,
                                          const std::vector<std::vector<std::uint8_t>>& rows,
                                          int level, int filters, int interlace);

std::string PngSuiteDir();
std::vector<std::uint8_t> ReadBytes(const std::string& path);
