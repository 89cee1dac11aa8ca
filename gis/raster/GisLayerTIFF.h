// The GisLayerTIFF module: TGIS_LayerTIFF, TIFF and GeoTIFF images as raster
// layers: bilevel, grey, palette and RGB images, striped or tiled, chunky or
// planar, uncompressed or compressed with the schemes of the strip decoder
// (GisFileTIFF), several pages per file, and single-sample 16-bit and 32-bit
// images as elevation grids. Placed by a ".TFW" world file, a MapInfo
// registration or the GeoTIFF pixel-scale and tie-point fields.
//
// Every read of the file goes through one place (FetchStored), which knows
// strips and tiles, planes, compressed and stored data, and never reads
// outside the file: a strip or tile that does not fit is a read failure
// (0031), and compressed ones are clamped to the file for the decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/raster/GisFileTIFF.h"
#include "gis/raster/GisLayerPixel.h"

class TGIS_MappedStream;

/// One directory entry as read (tag, type and count in the host's order;
/// the value word as the file holds it).
struct TGIS_TIFFEntry {
  std::uint16_t Tag = 0;
  std::uint16_t Type = 0;
  std::uint32_t Count = 0;
  std::uint8_t Value[4] = {0, 0, 0, 0};
};

class TGIS_LayerTIFF : public TGIS_LayerPixel {
public:
  TGIS_LayerTIFF();
  ~TGIS_LayerTIFF() override;

  void Open() override;
  void SetPage(int page) override;
  void Prepare() override;
  void SetLineReader(TLineReader& reader) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;
  void WakeUp() override;
  void MakeDormant() override;

  /// Grid data coloured through the grid ramp (offset and count in output bytes).
  int ReadLineColored(std::uint8_t* buffer, int row, int count, int offset);
  /// Planar images: the three planes interleaved as B,G,R.
  int ReadPlanarLine(std::uint8_t* buffer, int row, int count, int offset);

  // ---- what the header gave (for tests and tools) ----------------------------------------
  bool BigEndian() const { return bigEndian_; }
  bool IsTiled() const { return tiled_; }
  bool IsChunky() const { return chunky_; }
  bool IsGridData() const { return gridData_; }
  std::uint8_t DecoderKind() const { return kind_; }
  int ExtraBytes() const { return extraBytes_; }
  int SampleDivisor() const { return sampleDivisor_; }
  /// Rows decoded by the decoders since the last wake-up.
  std::int64_t DecodedRows() const;

private:
  // header
  std::int64_t PageOffset(int page);
  int CountPages();
  void ReadDirectory(std::int64_t offset);
  const TGIS_TIFFEntry* FindTag(int tag) const;
  std::vector<std::uint64_t> ReadValues(const TGIS_TIFFEntry& e, std::size_t atMost);
  std::vector<double> ReadDoubles(const TGIS_TIFFEntry& e);
  std::uint32_t Scalar(int tag, std::uint32_t fallback);
  std::vector<std::uint8_t> ReadBytesAt(std::int64_t offset, std::int64_t count);
  void ReadPage(int page);
  void ReadPageFields();
  void ReadStripTable();
  void ReadColorMap(const TGIS_TIFFEntry& e);
  void ReadGeoTiff();
  std::string Description();
  void ClosePage();
  // reading
  void OpenFile();
  void CreateDecoders();
  TGIS_FileTIFFDecoder& Decoder(int plane, int tileColumn);
  void FetchStored(int plane, int row, std::int64_t byteOffset, std::int64_t byteCount,
                   std::uint8_t* out);
  void CompactPixels(const std::uint8_t* stored, int pixels, std::uint8_t* out) const;
  int ComputeSampleDivisor();
  void LoadGridRow(int row);
  void ScanGridRange(double share);
  [[noreturn]] void ReadFailure() const;

  // file
  bool bigEndian_ = false;
  std::int64_t fileSize_ = 0, firstIfd_ = 0;
  std::vector<TGIS_TIFFEntry> entries_;
  // image layout
  std::vector<TGIS_FileTIFFStrip> strips_;
  int rowsPerStrip_ = 0;
  bool tiled_ = false;
  int tileWidth_ = 0, tileLength_ = 0, tilesAcross_ = 1, tilesDown_ = 1;
  std::uint8_t kind_ = GIS_TIFF_DECODER_NONE;
  std::uint16_t fillOrder_ = 1;
  bool predictor_ = false, chunky_ = true;
  int samples_ = 1, bitsPerSample_ = 8;
  int storedPixelBits_ = 8; // one stored pixel of plane 0 (chunky: all samples)
  int planes_ = 1;          // planar images: the planes read (3)
  int extraBytes_ = 0;
  bool rgb16_ = false, grayscale_ = false;
  int sampleDivisor_ = 1;
  // grid data
  bool gridData_ = false;
  int gridBits_ = 16;
  int gridFormat_ = 1; // SampleFormat: 1 unsigned, 2 signed, 3 float
  std::vector<float> gridRow_;
  int gridRowIndex_ = -1;
  TGIS_JPEGTable jpegTables_;
  bool hasTiePoint_ = false;
  std::string software_;
  // decoders, one per plane and tile column
  std::unique_ptr<TGIS_MappedStream> mapping_;
  std::vector<std::unique_ptr<TGIS_FileTIFFDecoder>> decoders_;
  std::vector<std::uint8_t> scratch_;
};
