// The GisLayerECW module: TGIS_LayerECW, ECW (".ecw") and JPEG 2000 images
// as 24-bit colour raster layers through the external decoder library
// "NCSEcw.dll", loaded at run time with the first layer that needs it and
// released with the last. The library decodes a window of the image,
// resampled to the wanted columns and rows, into blue-green-red lines; the
// layer keeps one strip of them (at most 1,024,000 bytes) and reuses its
// rows when the view scrolls up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/raster/GisLayerPixel.h"

class TGIS_LayerECW : public TGIS_LayerPixel {
public:
  TGIS_LayerECW();
  ~TGIS_LayerECW() override;

  void Open() override;
  void WakeUp() override;
  void MakeDormant() override;
  /// (source pixels, output pixels): the zoom output / source, at most 1.
  double GetOverviewScale(double source, double output) override;
  int ReadLine(std::uint8_t* buffer, int row, int count, int offset) override;

  void LoadDecoderLibrary();
  void OpenView();
  void SetGeoreference(const std::string& worldExtension);

  // ---- state (for tests and tools) ----------------------------------------------------------
  double Zoom() const { return zoom_; }
  int RowsPerStrip() const { return rowsPerStrip_; }
  int BandsUsed() const { return bandsUsed_; }
  std::int64_t StripBytes() const { return std::int64_t(strip_.size()); }
  static int InstanceCount();
  static bool LibraryLoaded();

private:
  [[noreturn]] void ReadFailure(int code) const;
  void AllocateStrip();
  /// Decodes `rows` output rows from `firstRow` into buffer rows from `at`.
  void DecodeRows(int firstRow, int rows, int firstColumn, int columns, int at);

  void* view_ = nullptr;
  bool fileInfoRead_ = false;
  int bandsUsed_ = 0;
  std::uint32_t bandList_[3] = {0, 1, 2};
  std::int64_t bufferRowBytes_ = 0;
  int rowsPerStrip_ = 0;
  std::vector<std::uint8_t> strip_;
  std::int64_t stripSize_ = 0; // the buffer's size, known after Open
  int cacheRow_ = 0, cacheRows_ = 0, cacheColumn_ = 0, cacheColumns_ = 0;
  std::int64_t cacheRowBytes_ = 0;
  double cacheZoom_ = 0;
  double zoom_ = 1;
};
