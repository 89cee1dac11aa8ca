// Decoding of PNG data for the PNG picture class until the project's own
// PNG codec replaces it: Qt's built-in PNG reader, the format forced to PNG
// and the allocation bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// A decoded PNG: rows bottom-up (the last image row first), 3 bytes a
/// pixel in B,G,R order without padding; `Alpha` holds one byte a pixel in
/// the same row order, or nothing when every pixel is opaque. 16-bit samples
/// keep their high byte; gamma is not applied.
struct TDecodedPng {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Bgr;
  std::vector<std::uint8_t> Alpha;
};

/// Raises EInvalidGraphic (with the reader's reason) for data that is not
/// a complete, undamaged PNG image.
TDecodedPng DecodePngData(const std::uint8_t* data, std::size_t size);
