// The GisLayerPixel module: TGIS_LayerPixel, the base of every raster layer
// (pictures and grids of values).
//
// Which file holds what:
//   GisLayerPixel.h (this file)   the class, the colour-pipeline functions and
//                                 the module functions
//   GisLayerPixel.cpp             construction, Open, configuration, world files,
//                                 companion-file lookup, wake-up and dormancy
//   GisLayerPixelRead.cpp         line readers, ReadGridLine, Locate, GetGrid,
//                                 GetBitmap, CreateCopy, AfterConfig
//   GisLayerPixelColor.cpp        the colour pipeline: Prepare, colour tables,
//                                 zones, histogram, transparency, grid colours
//   GisLayerPixelDraw.cpp         strip drawing: DrawRaster, DrawExtent,
//                                 ComputeStripCount, FillStrip, ScaleLine
//
// A format layer overrides Open (reads its header, fills the geometry,
// calls ReadWorldFile, then TGIS_LayerPixel::Open) and ReadLine. Pixel rows
// are delivered as blue, green, red bytes, three per pixel.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/viewer/GisViewer.h"
#include "platform/graphics/Gdi.h"

class TBitmap;
class TFileStream;
class TGIS_ParamsPixel;
class TGIS_ParamsSectionPixel;
class TGIS_LayerPixel;

/// Rows of single-precision grid values.
using TGIS_GridArray = std::vector<std::vector<float>>;

/// An altitude zone of a grid layer.
struct TGIS_AltitudeZone {
  double Min = -3.4e38;
  double Max = 3.4e38;
  std::uint32_t Color = 0;
};

/// A map zone parsed from a "Pixel.*MapZone" line.
struct TGIS_MapZone {
  std::uint32_t From = 0, To = 0, OutFrom = 0, OutTo = 0;
  int Values = 0; // how many values the line gave
};

/// A 256-entry table per byte position (0 blue, 1 green, 2 red).
using TGIS_ByteTable = std::array<std::array<std::uint8_t, 3>, 256>;
/// Membership per byte position.
using TGIS_ByteMask = std::array<std::array<bool, 3>, 256>;

/// The BMP file header (14 bytes) in front of the DIB header and 256 palette
/// entries: the bitmap layer reads a file's headers into it; the strips are
/// blitted with `Info`.
struct TGIS_BitmapInfoBlock {
  std::uint8_t FileHeader[14] = {0};
  BITMAPINFO Info;
};

// ---- module functions ----------------------------------------------------------------
std::uint32_t GisSwap32(std::uint32_t value);
std::uint32_t GisSwap16Pair(std::uint32_t value);
/// Sets values[0..n] to 0, then reads at most n + 1 comma-separated colours
/// (double quotes group); returns how many were read.
int GisParseColorList(const std::string& text, std::vector<std::uint32_t>& values, int n);

// ---- pure steps of the colour pipeline -----------------------------------------------
/// value + brightness% of 255, then contrast around 128; < 0 gives 1, > 255 gives 255.
int GisAdjustChannel(int value, int brightness, int contrast);
/// A zone line: false when it gives fewer than two values.
bool GisParseMapZone(const std::string& line, TGIS_MapZone& zone);
/// Ramps the zone's input range of one position of the table onto its outputs.
void GisApplyZoneRamp(TGIS_ByteTable& table, int position, const TGIS_MapZone& zone);
/// The strip count for a destination and source window (rows, columns).
int GisComputeStripCount(int destWidth, int destHeight, int srcWidth, int srcHeight);
/// Strip `index` of `count` over [top, bottom] by binary halving (integer form).
void GisStripRows(int count, int index, int top, int bottom, int& outTop, int& outBottom);

/// The rows a grid scan samples: round(share x height) rows (at least 1)
/// when 0 < share <= 1, else min(height, cap); picked evenly by a running
/// sum that starts at half a step. `visit` gets each row once, top down.
void GisSampleRows(int height, double share, int cap, const std::function<void(int)>& visit);

/// Reads the MapInfo raster registration file of a raster layer and sets its
/// extent; installed by the format reader's module (gis/formats), so that
/// the raster base needs no format module below it. Returns whether the file
/// was a raster registration that placed the layer.
using TGIS_RasterRegistrationReader =
    std::function<bool(const std::string& path, TGIS_LayerPixel& layer)>;
void GisSetRasterRegistrationReader(TGIS_RasterRegistrationReader reader);

/// The companion file of `path` with `extension` (".JGW"): the exact name,
/// then the extension in lower case, then the first name matching without
/// regard to letter case in sorted order. '' when none exists.
std::string GisFindCompanionFile(const std::string& path, const std::string& extension);
/// The companion lookup for a full file name (same order as above).
std::string GisFindFileCaseless(const std::string& fileName);

class TGIS_LayerPixel : public TGIS_LayerAbstract {
public:
  using TLineReader = int (TGIS_LayerPixel::*)(std::uint8_t* buffer, int row, int count,
                                               int offset);

  TGIS_LayerPixel();
  ~TGIS_LayerPixel() override;

  // ---- geometry -----------------------------------------------------------------------
  int Width() const { return width_; }
  int Height() const { return height_; }
  int ReadWidth() const { return readWidth_; }
  int ReadHeight() const { return readHeight_; }
  double PixelSizeX() const { return pixelSizeX_; }
  double PixelSizeY() const { return pixelSizeY_; }
  int BandCount() const { return bandCount_; }
  int PageCount() const { return pageCount_; }
  int CurrentPage() const { return currentPage_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int LineBytes() const { return lineBytes_; }
  int OutBitsPerPixel() const { return outBitsPerPixel_; }
  int OutLineBytes() const { return outLineBytes_; }
  int PaletteCount() const { return paletteCount_; }
  const BITMAPINFO& BitmapInfo() const { return info_.Info; }
  const std::string& TabPath() const { return tabPath_; }
  void SetTabPath(const std::string& v) { tabPath_ = v; }
  bool HasTransparency() const { return hasTransparency_; }
  const std::array<int, 3>& BandIndex() const { return bandIndex_; }

  // ---- grid mode ------------------------------------------------------------------------
  bool IsGrid() const { return isGrid_; }
  bool IsGridSource() const { return isGridSource_; }
  float MinValue() const { return minValue_; }
  float MaxValue() const { return maxValue_; }
  float NoDataValue() const { return noDataValue_; }
  void SetMinValue(float v) { minValue_ = v; }
  void SetMaxValue(float v) { maxValue_ = v; }
  void SetNoDataValue(float v) { noDataValue_ = v; }
  std::uint32_t MinColor() const { return minColor_; }
  std::uint32_t MaxColor() const { return maxColor_; }
  std::uint32_t NoDataColor() const { return noDataColor_; }
  void SetMinColor(std::uint32_t v) { minColor_ = v; }
  void SetMaxColor(std::uint32_t v) { maxColor_ = v; }
  void SetNoDataColor(std::uint32_t v) { noDataColor_ = v; }
  int GridBand() const { return gridBand_; }
  void SetGridBand(int v) { gridBand_ = v; }
  const std::vector<TGIS_AltitudeZone>& AltitudeZones() const { return altitudeZones_; }

  // ---- the root's operations ------------------------------------------------------------
  void SetExtent(const TGIS_Extent& extent) override;
  void Open() override;
  void AfterConfig() override;
  void ReadConfig(TGIS_Ini& ini) override;
  void WriteConfig(TGIS_Ini& ini) override;
  bool DrawDefault() override;
  void DiscardChanges() override {}
  bool IsModified() const override { return false; }
  void RecalcExtent() override {}
  void RecalcProjectedExtent() override {}
  void WakeUp() override;
  void MakeDormant() override;
  bool UsesLiveVisibleExtent() const override { return true; }
  /// The current style section's pixel parameters.
  TGIS_ParamsPixel& PixelParams();

  // ---- raster operations ----------------------------------------------------------------
  virtual void SetGridMode(bool on);
  virtual void SetPage(int page) { (void)page; }
  virtual void ResetBandLuts();
  virtual void ZeroBandLut(int position);
  virtual void IdentityBandLut(int position);
  virtual void ParseAltitudeZones();
  virtual void Prepare();
  virtual double GetOverviewScale(double wanted, double available);
  virtual void SetLineReader(TLineReader& reader);
  /// Bytes delivered for `count` bytes of `row` from byte `offset`.
  virtual int ReadLine(std::uint8_t* buffer, int row, int count, int offset);
  int ReadLineColored(std::uint8_t* buffer, int row, int count, int offset);
  virtual bool GetGridValue(const TPoint& cell, std::vector<double>& values);
  virtual int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn);
  virtual bool Locate(const TGIS_Point& point, std::uint32_t& rgb, bool& transparent,
                      std::vector<double>& values);
  virtual bool GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid);
  virtual bool GetBitmap(const TGIS_Extent& extent, TBitmap& bitmap);
  virtual void CreateCopy(TGIS_LayerPixel& source, const TGIS_Extent& extent, int width,
                          int height);
  /// Whether CreateCopy takes this layer's histograms over (formats whose
  /// histograms cannot be copied answer false).
  virtual bool CopiesHistogram() const { return true; }

  // ---- used by the formats ----------------------------------------------------------------
  /// Reads the world file with `extension` (".JGW"). Returns whether a world
  /// file or a registration file was found.
  bool ReadWorldFile(const std::string& extension);
  void SetUpLineReader();
  std::uint32_t GridToColor(double value);
  void SetGrayPalette();
  void MakePaletteNonBlack();
  void InvertPalette();
  void ColorizeGridLine(std::uint8_t* row, int byteCount);
  /// One pixel of a coloured grid row (B,G,R): the no-data colour (and the
  /// layer marked transparent) for no data, else the ramp's colour.
  void PutGridPixel(std::uint8_t* pixel, double value, bool noData);
  bool DrawRaster(const TGIS_Extent& extent);
  bool DrawExtent(const TGIS_Extent& extent, bool frame);
  double ReadDouble();
  double ReadDoubleSwapped();

  // ---- per-row steps of the colour pipeline ---------------------------------------------------
  void ApplyColorTable(std::uint8_t* row, int byteCount) const;
  void ApplyGrayScale(std::uint8_t* row, int byteCount) const;
  void ApplyFullRgbMap(std::uint8_t* row, int byteCount) const;
  /// Grey or colour table, then the full-RGB map, as drawn pixels get them.
  void ApplyPipeline(std::uint8_t* row, int byteCount) const;
  bool IsTransparentPixel(const std::uint8_t* p) const;
  void ComputeHistogram(double fraction = -1);
  const TGIS_ByteTable& ColorTable() const { return colorTable_; }
  bool UseColorTable() const { return useColorTable_; }
  bool HistogramReady() const { return histogramReady_; }
  const std::array<std::uint32_t, 256>& CombinedHistogram() const { return histogram_; }
  int StripCount() const { return stripCount_; }

  /// Line readers (member pointers for LineReader).
  int ReadLine1Bit(std::uint8_t* buffer, int row, int count, int offset);
  int ReadLine4Bit(std::uint8_t* buffer, int row, int count, int offset);
  int ReadLine8Bit(std::uint8_t* buffer, int row, int count, int offset);
  int CallLineReader(std::uint8_t* buffer, int row, int count, int offset) {
    return (this->*lineReader_)(buffer, row, count, offset);
  }

protected:
  /// Raises 0031 for the layer's file, with the cause's message after the
  /// code, so that the reason (a damaged or too large picture) is shown.
  [[noreturn]] void RaiseReadError(const Exception& cause) const;

  // 4.103 steps
  void PrepareColorTables();
  void BuildInversionTable();
  void EqualizeHistogram();
  void BuildAdjustTable();
  void BuildFullRgbTable();
  void BuildGrayZoneTable();
  void BuildTransparency();
  void SetGrayWeights();
  void AddToHistogram(const std::uint8_t* row, int byteCount);
  std::uint32_t ProcessColor(std::uint32_t color);
  void ApplyBandSelection();
  // 4.102 steps
  bool StartDrawing(const TGIS_Extent& extent);
  void FillStrip(std::uint8_t* strip, double x0, double y0, double x1, double y1, int w, int h);
  void ScaleLine(const std::uint8_t* src, std::uint8_t* out, double phase, int width, double span,
                 int srcPixels) const;
  /// Output pixel i = source pixel pick[i], bands in the band order.
  void CopyPicked(const std::uint8_t* src, std::uint8_t* out, const std::vector<int>& pick) const;
  void BlitStrip(const std::uint8_t* bits, int x, int y, int w, int h, std::int64_t size);
  void MakeRowNonBlack(std::uint8_t* row, int byteCount) const;
  /// The "Pixel.GridBand" step of Prepare: a band from 1 to BandCount turns
  /// the grid mode on with that band; a value below 1 gives the band up
  /// (back to the mode the file opened in), or switches a picture's grid
  /// mode off when no band was chosen.
  void ApplyGridBandParameter();
  // steps of Open
  void PlaceAroundTopLeft(double x, double y);
  /// The set-up every grid format layer starts from: its own file, the ramp
  /// from $202020 to $FFFFFF, grid mode on, no-data colour 0, no altitude
  /// zones.
  void SetGridLayerDefaults();
  /// The format fields of a grid read as values: 24 bits, no palette, a
  /// 24-bit header and 24-bit output.
  void SetGridLayerFormat();
  /// The header of a decoded picture: sizes and the six fields after the
  /// depth 0, one plane, `bits` bits per pixel.
  void ResetPictureHeader(int bits);
  /// After a format's Open: the file's modification time and the description.
  void SetFileInfo(const std::string& description);
  /// Copies part of a row of a picture held in memory (rowBytes a row);
  /// the bytes copied.
  static int CopyBitmapRow(TBitmap& bitmap, int rowBytes, std::uint8_t* buffer, int row, int count,
                           int offset);
  template <class TReadRow, class TPut>
  void Resample(const TGIS_Extent& extent, int rows, int cols, TReadRow readRow, TPut put);
  /// Fills one part of a row from the in-memory copies.
  int ReadMemoryLine(std::uint8_t* buffer, int row, int count, int offset);

  // geometry and format
  int width_ = 0, height_ = 0, readWidth_ = 0, readHeight_ = 0;
  double pixelSizeX_ = 0, pixelSizeY_ = 0;
  int bandCount_ = 3, pageCount_ = 0, currentPage_ = 0;
  int bitsPerPixel_ = 24, lineBytes_ = 0, outBitsPerPixel_ = 24, outLineBytes_ = 0;
  std::int64_t dataOffset_ = 0, imageSize_ = 0;
  TGIS_BitmapInfoBlock info_;
  int paletteCount_ = 0;
  std::string tabPath_;

  // storage
  std::unique_ptr<TFileStream> fileStream_;
  std::unique_ptr<TBitmap> inMemoryBitmap_;
  std::unique_ptr<TGIS_GridArray> inMemoryGrid_;
  double overviewScale_ = 1.0;

  // grid mode
  bool isGrid_ = false, isGridSource_ = false;
  float minValue_ = 0, maxValue_ = 0, noDataValue_ = 32768;
  std::uint32_t minColor_ = 0, maxColor_ = 0, noDataColor_ = 0;
  std::vector<TGIS_AltitudeZone> altitudeZones_;
  bool hasAltitudeZones_ = false;
  int gridBand_ = 0, gridBandInUse_ = 0;

  // band selection
  std::array<int, 3> bandIndex_{0, 1, 2};
  TGIS_ByteTable bandLut_{};
  std::array<int, 3> bandOrder_{0, 1, 2};
  std::array<int, 3> appliedBands_{0, 0, 0};

  // reading
  TLineReader lineReader_ = nullptr;
  std::array<std::uint8_t, 8> bitMasks_{};
  TRect sourceWindow_{0, 0, 0, 0};
  bool flagUseBandValues_ = false, flagGrayZonesAlways_ = false;

  // colour pipeline
  TGIS_ByteTable colorTable_{}, adjustTable_{}, fullRgbTable_{}, grayWeights_{};
  std::array<std::array<std::uint8_t, 3>, 256> grayZoneTable_{};
  TGIS_ByteMask fullRgbMask_{}, transparentMask_{};
  std::array<std::array<std::uint32_t, 256>, 3> channelHistograms_{};
  std::array<std::uint32_t, 256> histogram_{};
  bool useColorTable_ = false, hasGrayZones_ = false, hasColorAdjust_ = false,
       hasFullRgbZones_ = false, hasRedZones_ = false, hasGreenZones_ = false,
       hasBlueZones_ = false, histogramReady_ = false, histogramEqualised_ = false,
       inversionApplied_ = false, hasTransparency_ = false;

  // strips
  int stripCount_ = 1;
};
