// The GisLayerIMG module: TGIS_LayerIMG, Erdas IMAGINE (".img") files as
// raster layers: one to many bands of 1, 4 and 8 bits drawn as grey or
// colour images, and single bands of 16-bit unsigned or 32-bit float values
// drawn as elevation grids. The HFA node tree gives the bands, their block
// tables, statistics and map information.
//
// The tree walk stops at a repeated or out-of-file node offset and after
// 100,000 nodes; every block a band names must lie in the file, stored
// uncompressed (compressed blocks are refused at Open).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisLayerPixel.h"

/// One HFA node entry as read.
struct TGIS_HfaEntry {
  std::uint32_t Next = 0, Prev = 0, Parent = 0, Child = 0, Data = 0, DataSize = 0;
  std::string Name, Type;
};

class TGIS_LayerIMG : public TGIS_LayerPixel {
public:
  TGIS_LayerIMG();

  void Open() override;
  void Prepare() override;
  void SetLineReader(TLineReader& reader) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  bool GetGridValue(const TPoint& cell, std::vector<double>& values) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;

  int ReadLineColored(std::uint8_t* buffer, int row, int count, int offset);
  int ReadGridLineColored8(std::uint8_t* buffer, int row, int count, int offset);
  int PixelType() const { return pixelType_; }
  /// The band loaded into each row buffer (1-based) and the buffer feeding
  /// each output byte (blue, green, red).
  const std::array<int, 3>& BufferBands() const { return bufferBand_; }

private:
  struct TBand {
    TGIS_HfaEntry Entry;
    struct TBlock {
      std::int64_t Offset = 0, Size = 0;
      bool Valid = false;
    };
    std::vector<TBlock> Blocks;
    double Min = 0, Max = 0;
    bool HasStatistics = false;
    std::vector<std::uint8_t> Row; // the last row read (whole width of blocks)
    int RowIndex = -1;
  };
  bool ReadHfaTree();
  TGIS_HfaEntry ReadEntry(std::uint32_t offset);
  void ReadHfaNode(const TGIS_HfaEntry& node, TBand& band);
  void ApplyMapInfo();
  void DefaultMapping();
  const std::uint8_t* BandRow(int band, int row);
  float GridValue(int band, int column, int row);
  int GridBandIndex() const;
  void ScanGridRange(double share);
  std::vector<std::uint8_t> ReadAt(std::int64_t offset, std::int64_t count);

  std::int64_t fileSize_ = 0;
  std::vector<TBand> bands_;
  int blockWidth_ = 0, blockHeight_ = 0, blocksAcross_ = 0, pixelType_ = 0;
  int bitsPerSample_ = 8, bytesPerSample_ = 1;
  bool hasMapInfo_ = false;
  double upperLeftX_ = 0, upperLeftY_ = 0, lowerRightX_ = 0, pixelWidth_ = 0, pixelHeight_ = 0;
  std::array<int, 3> bufferBand_{1, 1, 1}; // band per buffer
  std::array<int, 3> outputBuffer_{0, 0, 0}; // buffer per output byte
  std::array<int, 3> appliedParams_{0, 0, 0};
  std::array<bool, 3> channelOff_{false, false, false};
};
