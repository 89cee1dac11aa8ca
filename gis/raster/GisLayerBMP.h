// The GisLayerBMP module: TGIS_LayerBMP, Windows bitmaps as raster layers,
// rows read straight from the file (at most one row in memory), placed by a
// ".BPW" world file or a MapInfo registration.
//
// GisReadBitmapHeader is the one reader of a BMP file's headers and palette
// into a TGIS_BitmapInfoBlock, with the bounds every reader of such headers
// needs (the pixel stores use it as well).
#pragma once

#include <vector>

#include <cstdint>
#include <string>

#include "gis/raster/GisLayerPixel.h"

class TStream;

/// What GisReadBitmapHeader found.
struct TGIS_BitmapHeader {
  std::int64_t DataOffset = 0; // bfOffBits
  std::uint32_t InfoSize = 0;  // biSize (40, 108, 124 ...)
  std::int32_t Width = 0;
  std::int32_t StoredHeight = 0; // biHeight: > 0 bottom-up
  int BitCount = 0;
  std::uint32_t Compression = 0;
  int PaletteCount = 0;       // biClrUsed, or 2^bits for 1, 4 and 8 bits
  bool Expand32 = false;      // 32-bit rows served as 24-bit
  std::int64_t LineBytes = 0; // bytes of one stored row (padded to 4)
  std::int64_t ImageSize = 0; // LineBytes x rows
};

/// Reads the file header, the information header (of any size from 40
/// bytes) and the palette entries the file holds (at most 256) from the
/// start of `stream` into `block`. False with the reason when the headers
/// are damaged or describe something this reader does not serve: depths
/// other than 1, 4, 8, 24 and 32 bits, compressions other than none and
/// 32-bit bit fields in B,G,R,X order, sizes that do not fit the file.
bool GisReadBitmapHeader(TStream& stream, TGIS_BitmapInfoBlock& block, TGIS_BitmapHeader& header,
                         std::string& reason);

class TGIS_LayerBMP : public TGIS_LayerPixel {
public:
  TGIS_LayerBMP();

  void Open() override;
  /// Bytes delivered (with 32-bit rows: 3 for every 4 read).
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  std::int32_t StoredHeight() const { return storedHeight_; }
  bool Expand32() const { return expand32_; }

private:
  void ReadHeaders();
  std::int32_t storedHeight_ = 0;
  bool expand32_ = false;
  std::vector<std::uint8_t> wideRow_; // a 32-bit row as read, kept between rows
};
