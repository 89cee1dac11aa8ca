// The GisFileTAB module: TGIS_FileTAB, the reader of a MapInfo ".tab"
// description file: table type, character set, field lines, the raster
// image's name with its registration control points, the CoordSys line;
// and the readers of a native table's binary files: the ".map" object file
// (TGIS_FileTAB_MAPInternal, TGIS_FileTAB_MAP) and the ".id" row index
// (TGIS_FileTAB_ID).
//
// GisRegisterRasterRegistration installs this reader as the raster layers'
// registration reader (the raster base cannot name this folder) and as the
// layer factory's ".tab" header parser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisMappedFiles.h"
#include "platform/rtl/StringList.h"

class TGIS_LayerPixel;
class TGIS_LayerVector;

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
  /// Replaces the layer's fields by the field lines (types 1 and 2). A line
  /// whose type adds no field (Time, DateTime, ...) still holds its column:
  /// it becomes a deleted placeholder. Binary widths are given for native
  /// tables only. 0090 with the item line's number when a field cannot be
  /// added (a duplicate name). Consumes the item lines.
  void ReadFields(TGIS_LayerVector& layer);

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

/// The ".map" file of a native table: its header, the conversion of stored
/// integer coordinates to map coordinates and the map extent.
class TGIS_FileTAB_MAPInternal : public TGIS_BufferedFileStream {
public:
  static constexpr std::int64_t BlockSize = 512;

  /// Opens the file for reading (`create` makes a new empty one).
  TGIS_FileTAB_MAPInternal(const std::string& path, bool create);
  ~TGIS_FileTAB_MAPInternal() override;

  /// Reads the header block; a file shorter than it raises 0034.
  virtual void ReadHeader();
  /// The map point of stored integer coordinates.
  TGIS_Point Convert(std::int32_t ix, std::int32_t iy) const;

  const TGIS_Extent& MapExtent() const { return mapExtent_; }
  std::int16_t Version() const { return version_; }
  std::uint8_t Precision() const { return precision_; }
  std::uint8_t Quadrant() const { return quadrant_; }
  std::uint8_t UnitsCode() const { return unitsCode_; }
  double XScale() const { return xScale_; }
  double YScale() const { return yScale_; }

protected:
  /// Reads exactly `count` bytes at `offset`, or raises 0034.
  void ReadAt(std::int64_t offset, void* buffer, std::int64_t count);
  [[noreturn]] void BadFormat() const;

private:
  std::int16_t version_ = 0;
  std::uint8_t precision_ = 0, quadrant_ = 0, unitsCode_ = 0;
  double xScale_ = 1, yScale_ = 1, xDisplacement_ = 0, yDisplacement_ = 0;
  TGIS_Extent mapExtent_;
};

/// The header of an object record.
struct TGIS_TABObjectHeader {
  std::uint8_t Code = 0;
  std::int32_t RowId = 0;
};

/// The ".map" file with the readers of object records and of data running
/// over linked 512-byte coordinate blocks. Reading checks what it trusts:
/// links lie block-aligned inside the file and each block is entered once
/// per walk, a value never comes from past the end; anything else raises
/// EGIS_Exception 0034 with the file's path.
class TGIS_FileTAB_MAP : public TGIS_FileTAB_MAPInternal {
public:
  TGIS_FileTAB_MAP(const std::string& path, bool create);

  /// Moves to a position (an object record or its data) and starts a new walk.
  void SetPosition(std::int64_t position);
  std::int64_t Position() const { return pos_; }
  /// The bytes from the position to the end of the file.
  std::int64_t BytesLeft();

  std::uint8_t ReadByte();
  std::int16_t ReadInt16();
  std::int32_t ReadInt32();
  /// Reads `count` bytes, block by block.
  void ReadBytes(void* buffer, std::int64_t count);

  const TGIS_TABObjectHeader& ReadObjectHeader();
  const TGIS_TABObjectHeader& ObjectHeader() const { return header_; }
  /// The centre of the block holding the byte before the position becomes
  /// the origin of compressed coordinates; the position stays.
  void ReadBlockCenter();
  /// Two i32 at the position become the origin.
  void ReadOrigin();
  TGIS_Point ReadCoord(bool compressed);
  TGIS_Extent ReadMBR(bool compressed);
  /// Moves `count` bytes forward through linked coordinate blocks.
  void SkipBytes(std::int64_t count);

  std::int32_t OriginX() const { return originX_; }
  std::int32_t OriginY() const { return originY_; }

private:
  /// Before a read of `count` bytes: moves to the linked block when the
  /// value would start at or cross the end of the current one.
  void Before(int count);
  /// Continues at the data of the block linked from the block holding the
  /// byte before the position; 0034 at the end of the chain.
  void Jump();

  std::int64_t pos_ = 0;
  TGIS_TABObjectHeader header_;
  std::int32_t originX_ = 0, originY_ = 0;
  // The blocks entered by the current walk (stamp = walk number).
  std::vector<std::uint32_t> visited_;
  std::uint32_t walk_ = 1;
};

/// The ".id" file: the ".map" offset of each row's object.
class TGIS_FileTAB_ID : public TGIS_BufferedFileStream {
public:
  TGIS_FileTAB_ID(const std::string& path, bool create);
  /// Does nothing (kept for the layer's opening sequence).
  void Prepare() {}
  /// The object offset of row `n` (n >= 1); 0 past the last row.
  std::int32_t ReadEntry(std::int32_t n);
  std::int32_t RowCount() const { return rowCount_; }

private:
  std::int32_t rowCount_ = 0;
};
