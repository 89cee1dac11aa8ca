// Cell images of the pixel stores: decoding stored bytes into a 24-bit cell
// bitmap and encoding a cell bitmap in a store's image type.
#pragma once

#include <cstdint>
#include <vector>

class TBitmap;

/// Decoding kinds of stored cells.
enum class TGIS_PixelStoreCellCodec { Bmp, Jpeg, Png };

/// The codec of a second-version image type (0 BMP, 1-2 JPEG, 3-5 PNG);
/// another type is an assertion failure.
TGIS_PixelStoreCellCodec GisPixelStore2Codec(int imageType);
/// Loads `bytes` into `cell`: a BMP as it is, a JPEG or PNG drawn into a
/// 24-bit bitmap of the picture's size.
void GisPixelStoreDecodeCell(const std::vector<std::uint8_t>& bytes, TGIS_PixelStoreCellCodec codec,
                             TBitmap& cell);
/// `cell` filled with one colour at `width` x `height`, 24 bits.
void GisPixelStoreFillCell(TBitmap& cell, int width, int height, std::uint32_t color);
/// JPEG quality of a compression value q: q limited to 10..100.
int GisPixelStoreJpegQuality(int compress);
/// PNG deflate level of a compression value q: (100 - q) limited to 0..90, div 10.
int GisPixelStorePngLevel(int compress);
/// The encoded bytes of `cell` in a second-version image type: BMP, JPEG
/// (type 2 grey), or PNG at 24, 8 or 1 bits without row filters.
std::vector<std::uint8_t> GisPixelStore2EncodeCell(TBitmap& cell, int imageType, int compress);
