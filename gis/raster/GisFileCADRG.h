// The GisFileCADRG module: TGIS_FileCADRGDecoder, the Raster Product Format
// (RPF) structures of CADRG and CIB product sets (a table of contents and
// its frame files, each optionally wrapped in a NITF 2.0 file) and the
// vector-quantisation decoding of their 1536 x 1536 frames: 6 x 6
// subframes of 64 x 64 twelve-bit codes, each code naming a 4 x 4 block
// through four lookup tables. Up to 51 decoded frames are kept; the one
// loaded longest ago makes room for a new one.
//
// Every file is read whole into memory and every field read is checked
// against its size: a damaged table of contents is a read failure, a
// damaged or missing frame draws in the transparent colour.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// A boundary rectangle of the table of contents.
struct TGIS_RPFRectangle {
  std::string ProductType, Compression, Scale, Zone, Producer;
  double NWLatitude = 0, NWLongitude = 0, SWLatitude = 0, SWLongitude = 0;
  double NELatitude = 0, NELongitude = 0, SELatitude = 0, SELongitude = 0;
  double VerticalResolution = 0, HorizontalResolution = 0;
  double VerticalInterval = 0, HorizontalInterval = 0;
  std::uint32_t FramesNS = 0, FramesEW = 0;
};

/// A record of the frame file index.
struct TGIS_RPFFrameEntry {
  int Rectangle = 0;
  int Row = 0; // counted from the south
  int Column = 0;
  std::uint32_t PathOffset = 0;
  std::string FileName;
};

/// One decoded frame.
struct TGIS_RPFFrameSlot {
  int Frame = -1; // -1 free
  bool Loaded = false;
  std::vector<std::uint8_t> Lookup;      // 4 tables of 4096 x 4 indexes
  std::array<bool, 36> Missing{};        // subframes, row by row
  std::vector<std::uint8_t> Subframes;   // 36 x 6144 code bytes
  int ColorCount = 0;
  std::array<std::array<std::uint8_t, 4>, 217> Palette{}; // red, green, blue, fourth
  std::uint64_t LoadTime = 0;
};

class TGIS_FileCADRGDecoder {
public:
  static constexpr int kFrameSide = 1536;
  static constexpr int kSlots = 51;

  /// Reads the table of contents; EReadError when it is damaged.
  explicit TGIS_FileCADRGDecoder(const std::string& tocPath);
  ~TGIS_FileCADRGDecoder();

  void ReadToc();
  /// The path of a path record of the frame file index ('' when outside).
  std::string PathOf(std::uint32_t pathOffset) const;
  /// Decodes the frame into the current slot (a missing or damaged file
  /// leaves it not loaded).
  void LoadFrame(int frame);
  void SelectFrame(int frame);
  /// One row (0-1535) of a frame from `firstColumn`, as blue, green, red
  /// into `count` bytes at most; the bytes written or passed over.
  int DecodeFrameRow(int frame, int row, std::uint8_t* buffer, int count, int firstColumn);

  const std::vector<TGIS_RPFRectangle>& Rectangles() const { return rectangles_; }
  const std::vector<TGIS_RPFFrameEntry>& Frames() const { return frames_; }
  /// The index of the frame at (rectangle, row from the south, column); -1 none.
  int FindFrame(int rectangle, int row, int column) const;
  int ProductKind() const { return productKind_; } // 0 CADRG, 1 CIB
  bool BigEndian() const { return bigEndian_; }
  /// The transparent colour as red, green, blue.
  const std::array<std::uint8_t, 3>& TransparentColor() const { return transparent_; }
  /// Frame files read since the decoder was made.
  int FrameFileReads() const { return frameReads_; }
  /// The frame file of an index entry, found without regard to letter case
  /// ('' when missing).
  std::string FrameFilePath(int frame) const;

private:
  std::string path_, folder_;
  bool bigEndian_ = true;
  int productKind_ = 0;
  std::vector<TGIS_RPFRectangle> rectangles_;
  std::vector<TGIS_RPFFrameEntry> frames_;
  std::vector<std::uint8_t> pathRecords_; // the frame file index subsection from its start
  std::array<std::uint8_t, 3> transparent_{0, 0, 255};
  std::vector<std::unique_ptr<TGIS_RPFFrameSlot>> slots_;
  int current_ = 0;
  std::uint64_t clock_ = 0;
  int frameReads_ = 0;
};
