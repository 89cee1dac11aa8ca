// giflib as the oracle of the GIF picture's tests: what DGifSlurp reads from
// a file or from bytes, flattened into plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gif_oracle {

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<std::uint8_t> localMap; // r, g, b triples as stored (2^n entries)
  std::vector<std::uint8_t> pixels;   // de-interlaced
  bool hasGcb = false;
  int disposal = 0, delay = 0, transparent = -1;
  bool userInput = false;
  std::vector<std::string> comments;
};

struct File {
  bool ok = false;
  int error = 0;
  int width = 0, height = 0, background = 0;
  std::vector<std::uint8_t> globalMap;
  int loops = -1; // -1: no looping block; 0 also when it holds no count
  std::vector<Frame> frames;
};

File Slurp(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::string& path);
/// The path of a sample under the test data folder.
std::string Sample(const std::string& name);
/// The files of tests/data/gif/ whose names start with `prefix`.
std::vector<std::string> Samples(const std::string& prefix);

} // namespace gif_oracle
