// The GisFileTIFF module: TGIS_FileTIFFDecoder, the strip decoder of TIFF
// images (and of the run-length tiles of Arc/Info grids). It turns the
// compressed strips or tiles into uncompressed rows, one row per request,
// and keeps its position between requests, so that reading a strip from
// top to bottom decodes every row once.
//
// Kinds: CCITT modified Huffman (TIFF compression 2), CCITT Group 4 (4), LZW
// (5) with the horizontal-differencing predictor, PackBits (32773) and JPEG
// (7, through the platform's JPEG decoder).
//
// Decoded rows hold pixels as stored, except that CCITT rows are one bit a
// pixel (most significant bit first, 1 black), and rows of three 8-bit
// samples a pixel come blue, green, red (LZW and PackBits swap the first and
// third byte; JPEG rows are decoded in that order).
//
// The decoder reads strip bytes straight from the file's mapping and never
// outside the strip or the file: strips are clamped to the mapping, LZW stops
// at the strip's end and the CCITT readers see zero bits there.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TGIS_MappedStream;
class TBitmap;

/// The byte with its eight bits in reverse order.
std::uint8_t GisReverseBits(std::uint8_t b);

/// The bytes of a JPEGTables field.
using TGIS_JPEGTable = std::vector<std::uint8_t>;

/// One strip or tile: file offset and byte count.
struct TGIS_FileTIFFStrip {
  std::int64_t Offset = 0;
  std::int64_t Count = 0;
};

/// Decoder kinds.
enum : std::uint8_t {
  GIS_TIFF_DECODER_NONE = 0,
  GIS_TIFF_DECODER_JPEG = 1,
  GIS_TIFF_DECODER_PACKBITS = 3,
  GIS_TIFF_DECODER_HUFFMAN = 5,
  GIS_TIFF_DECODER_LZW = 6,
  GIS_TIFF_DECODER_GROUP4 = 8,
};

/// How the layer configures a decoder.
struct TGIS_FileTIFFDecodeState {
  std::uint8_t Kind = GIS_TIFF_DECODER_NONE;
  /// Bytes of one decoded row (of the image or of one tile).
  std::int32_t RowBytes = 0;
  /// Pixels of one row (image width or tile width).
  std::int32_t RowPixels = 0;
  /// The row within the current strip that the row buffer holds, -1 none.
  std::int32_t LastRow = -1;
  /// The strip or tile the decoder is positioned in.
  std::int32_t CurrentStrip = 0;
  /// One entry per strip or tile (the layer's table).
  std::vector<TGIS_FileTIFFStrip> Strips;
  /// RowsPerStrip, or the tile length of a tiled image.
  std::int32_t RowsPerStrip = 0;
  std::int32_t ImageHeight = 0;
  TGIS_JPEGTable JpegTables;
  std::int32_t PageCount = 1;
  std::int32_t CurrentPage = 1;
  /// The file offset of the strip the decoder is positioned in.
  std::int64_t CurrentStripOffset = 0;
  /// 2: least significant bit first; anything else most significant first.
  std::uint16_t FillOrder = 1;
  /// 1 when the image uses horizontal differencing (Predictor 2).
  std::uint8_t Predictor = 0;
  /// Samples of one stored pixel and bits of one sample: the predictor adds
  /// sample to sample (stride = samples, modulo 2^bits, in the file's byte
  /// order); rows of three 8-bit samples a pixel are delivered B,G,R.
  std::int32_t SamplesPerPixel = 1;
  std::int32_t BitsPerSample = 8;
  bool BigEndian = false;
  /// The file's shared read-only mapping (not owned).
  TGIS_MappedStream* Stream = nullptr;
};

class TGIS_FileTIFFDecoder {
public:
  TGIS_FileTIFFDecoder();
  ~TGIS_FileTIFFDecoder();
  TGIS_FileTIFFDecoder(const TGIS_FileTIFFDecoder&) = delete;
  TGIS_FileTIFFDecoder& operator=(const TGIS_FileTIFFDecoder&) = delete;

  /// The layer's configuration (copied in before AllocateBuffers).
  TGIS_FileTIFFDecodeState& State() { return state_; }
  const TGIS_FileTIFFDecodeState& State() const { return state_; }
  void SetState(const TGIS_FileTIFFDecodeState& state) { state_ = state; }

  /// Allocates what the kind needs and resets the decoder; takes the bytes
  /// from the state's stream (or from SetData).
  void AllocateBuffers();
  /// The bytes the strip offsets point into when there is no stream (the
  /// caller keeps them alive).
  void SetData(const std::uint8_t* data, std::int64_t size);
  /// Forgets the PackBits row offsets and the decoded row.
  void ResetRowCache();

  /// Leave `row` in the row buffer. With strip -1 the row is an image row
  /// (strip = row div rows per strip); otherwise a row within that strip or
  /// tile. They return 1; LZW returns 0 for a broken code stream (the row
  /// is filled as far as it got, the rest zero). A strip index outside the
  /// table raises EGIS_Exception.
  int DecodeRowHuffman(int row, int strip);
  int DecodeRowGroup4(int row, int strip);
  int DecodeRowLZW(int row, int strip);
  int DecodeRowPackBits(int row, int strip);
  int DecodeRowJPEG(int row, int strip);
  /// The routine of the state's kind.
  int DecodeRow(int row, int strip);

  /// The decoded row (RowBytes long).
  const std::uint8_t* RowBuffer() const { return rowBuffer_.get(); }
  /// Rows decoded since creation (rows passed over to reach one included).
  std::int64_t DecodedRows() const { return decodedRows_; }

private:
  struct TBitReader;
  bool Locate(int& row, int& strip);
  void Restart(int strip);
  bool SameRow(int row, int strip) const;
  /// Whether decoding `row` of `strip` starts again at the strip's start.
  bool MustRestart(int row, int strip) const;
  // CCITT
  bool DecodeHuffmanLine(std::vector<std::int32_t>& changes);
  void StartGroup4Strip();
  void DecodeGroup4Line(bool& keepReference);
  void PaintChanges(const std::int32_t* changes, std::size_t count);
  // LZW
  void ResetLzwTable();
  bool FillLzwRow();
  // rows
  void FinishRow(std::uint8_t* row);

  TGIS_FileTIFFDecodeState state_;
  const std::uint8_t* data_ = nullptr;
  std::int64_t dataSize_ = 0;
  std::int64_t inPos_ = 0, inEnd_ = 0; // the strip's bytes in data_
  bool positioned_ = false;            // Restart ran since the last reset
  std::unique_ptr<std::uint8_t[]> rowBuffer_;
  std::int64_t rowBufferSize_ = 0;
  std::int64_t decodedRows_ = 0;
  std::uint8_t bitOrder_[256];

  // bit reader (CCITT: first bit lowest; LZW: first bit highest)
  std::uint64_t acc_ = 0;
  int accBits_ = 0;
  bool pastEnd_ = false;

  // CCITT: changing elements of the reference and the current line (Group 4
  // swaps the two when a line becomes the reference; the last decoded line
  // is then in reference_)
  std::vector<std::int32_t> reference_, current_;
  std::size_t lineCount_ = 0;
  bool lineInReference_ = false;

  // LZW
  struct TLzwEntry {
    std::uint16_t Prefix;
    std::uint16_t Length;
    std::uint8_t Suffix;
    std::uint8_t First;
    std::uint64_t Head; // the first min(Length, 8) bytes, first byte lowest
  };
  std::vector<TLzwEntry> lzw_;
  int nextCode_ = 258, codeWidth_ = 9, previous_ = 4096;
  std::int64_t waiting_ = 0; // decoded bytes beyond the last row
  bool lzwEnded_ = false, lzwError_ = false;

  // PackBits: per row the offset of its first code byte and its strip
  struct TRowStart {
    std::int64_t Offset = 0; // 0: not known
    std::int32_t Strip = 0;
    std::int32_t Skip = 0; // bytes of a run that belong to the row before
  };
  std::vector<std::vector<TRowStart>> rowCache_; // per strip, per row
  std::int64_t packHeader_ = 0; // the code byte of the current run
  int packLength_ = 0;          // bytes of the current run
  int packPending_ = 0;         // bytes of the current run still to come
  bool packRepeat_ = false;     // the current run repeats packValue_
  std::uint8_t packValue_ = 0;

  // JPEG
  std::unique_ptr<TBitmap> jpegBitmap_;
  int jpegStrip_ = -1;
};
