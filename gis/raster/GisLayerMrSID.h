// The GisLayerMrSID module: TGIS_LayerMrSID, MrSID (".sid") and JPEG 2000
// (".jpf", ".jpx", ".jpc", ".j2c", ".j2k", ".jp2") images as raster layers
// through the external decoder library "vrkMrSID4.dll", loaded at run time
// with the first layer that opens an image and unloaded with the last
// layer. The library decodes strips of rows at a resolution level into a
// buffer the layer owns; the layer keeps one strip cached, reorders bands,
// colours grids and is placed by a world file, a MapInfo registration or
// the library's origin and resolution.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerMrSID : public TGIS_LayerPixel {
public:
  TGIS_LayerMrSID();
  ~TGIS_LayerMrSID() override;

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  void Prepare() override;
  /// (source pixels, output pixels): the level whose factor is the largest
  /// power of two within source / output; the result is 1 / factor.
  double GetOverviewScale(double source, double output) override;
  void SetLineReader(TLineReader& reader) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;
  int ReadGridLine(std::vector<float>& values, int row, int count, int firstColumn) override;
  /// Grid samples coloured through the grid ramp.
  int ReadLineColored(std::uint8_t* buffer, int row, int count, int offset);

  void LoadDecoderLibrary();
  void OpenImage();
  void SetGeoreference(const std::string& worldExtension);

  // ---- state (for tests and tools) ----------------------------------------------------------
  int ColorSpace() const { return colorSpace_; }
  int DataType() const { return dataType_; }
  int ResolutionFactor() const { return factor_; }
  int MaxZoomLevel() const { return maxZoom_; }
  int RowsPerStrip() const { return rowsPerStrip_; }
  const std::array<int, 3>& OutputBands() const { return outBands_; }
  bool ImageOpen() const { return imageOpen_; }
  /// Layer instances alive, and whether the library is loaded (process-wide).
  static int InstanceCount();
  static bool LibraryLoaded();

private:
  int SampleBytes() const;
  void AllocateStripBuffer();
  /// Makes the cache hold `row` with the columns; the bytes of one pixel
  /// are `pixelBytes`. Returns the columns available (0 when none).
  int FetchStrip(int row, int firstColumn, int columns, int pixelBytes, bool reorder);
  [[noreturn]] void ReadFailure() const;

  int handle_ = -1;
  bool imageOpen_ = false;
  int colorSpace_ = 0, dataType_ = 0;
  std::int64_t stripRowBytes_ = 0;
  int rowsPerStrip_ = 0;
  std::vector<std::uint8_t> strip_;
  // the cached strip (rows and columns at the level it was decoded at)
  int cacheRow_ = 0, cacheRows_ = 0, cacheColumn_ = 0, cacheColumns_ = 0, cacheFactor_ = 0;
  int cachePixelBytes_ = 0;
  int factor_ = 1, maxZoom_ = 0;
  std::array<int, 3> outBands_{0, 1, 2}; // source byte of output blue, green, red; -1 off
  std::array<int, 3> chosenBands_{0, 0, 0}; // Pixel.RedBand/GreenBand/BlueBand applied
};
