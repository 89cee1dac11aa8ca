// The GisFileTAB module: TGIS_FileTAB, the reader of a MapInfo ".tab"
// description file: table type, character set, field lines, the raster
// image's name with its registration control points, the CoordSys line.
//
// GisRegisterRasterRegistration installs this reader as the raster layers'
// registration reader (the raster base cannot name this folder) and as the
// layer factory's ".tab" header parser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/StringList.h"

class TGIS_LayerPixel;

/// Table types of a ".tab" file.
enum : std::int32_t { gisTabUnknown = 0, gisTabNative = 1, gisTabDbf = 2, gisTabRaster = 3 };

class TGIS_FileTAB {
public:
  /// Keeps the path; reads nothing yet.
  explicit TGIS_FileTAB(const std::string& path);
  ~TGIS_FileTAB();
  TGIS_FileTAB(const TGIS_FileTAB&) = delete;
  TGIS_FileTAB& operator=(const TGIS_FileTAB&) = delete;

  /// Reads the file: the table type (0 for an unknown one). A missing file
  /// raises the runtime's file error; a line that cannot be parsed raises
  /// EGIS_Exception 0090 with the path and the line number.
  std::int32_t Parse();
  /// Sets the raster layer's extent from the control points (corners at
  /// pixel edges); (0, 0, 0, 0) without points. 0090 for an unparsable point
  /// or equal extreme columns or rows. Consumes the item lines.
  void ApplyRasterRegistration(TGIS_LayerPixel& layer);

  const std::string& Path() const { return path_; }
  std::int32_t TableType() const { return tableType_; }
  int CodePage() const { return codePage_; }
  const std::string& RasterFile() const { return rasterFile_; }
  const std::string& CoordSysLine() const { return coordSysLine_; }
  /// The field-definition or control-point lines of the last Parse.
  const TStringList& ItemLines() const { return *itemLines_; }
  int FirstItemLine() const { return firstItemLine_; }

private:
  void SkipPreamble();
  void ParseTypeLine(const std::string& line);
  void ReadFieldLines();
  void ReadControlPointLines();
  std::string TakeLine();
  [[noreturn]] void StructureError(int line) const;

  std::string path_;
  std::unique_ptr<TStringList> headerLines_, itemLines_;
  int firstItemLine_ = 0;
  int nextLine_ = 1; // the file line number of the header list's first line
  int lastLine_ = 0; // the number of the line last removed
  std::int32_t tableType_ = gisTabNative;
  int codePage_ = 0;
  std::string rasterFile_, coordSysLine_;
};

/// Makes the raster layers read their ".tab" registrations with TGIS_FileTAB,
/// and the layer factory tell a raster ".tab" (type 3, with the image it
/// names) from a vector one.
void GisRegisterRasterRegistration();
