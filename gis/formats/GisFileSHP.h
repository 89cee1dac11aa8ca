// The GisFileSHP module: the two binary files of a shapefile, the main file
// (".shp", one record per shape) and the index file (".shx", one 8-byte entry
// per record). A record's geometry bytes are a kernel shape's two geometry
// blocks (GisShape.h), so records pass to shapes without conversion.
//
// Reading checks what it is about to trust: a record lies inside the file,
// its content fits the counts it declares and its part starts are ordered;
// anything else raises EGIS_Exception 0034 with the main file's path.
// Writing collects records in memory and writes them in large blocks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisShape.h"

/// The header of a main-file record.
struct TGIS_SHPRecordHeader {
  std::int32_t RecordNumber = 0;
  std::int32_t ContentLength = 0; // 16-bit words, the type word included
  TGIS_ShapeType ShapeKind = gisShapeTypeUnknown;
};

/// An index entry.
struct TGIS_SHXIndexEntry {
  std::int64_t Offset = 0; // bytes from the start of the main file
  std::int32_t ContentLength = 0;
};

/// What the main and the index file share: the 100-byte header, byte-order
/// helpers, the record buffer and the write buffer.
class TGIS_FileSHPInternal : public TGIS_BufferedFileStream {
public:
  /// Keeps the path; opens the existing file read-only, or with `create` a new one.
  TGIS_FileSHPInternal(const std::string& path, TGIS_ReadWriteEvent afterRead,
                       TGIS_ReadWriteEvent beforeWrite, bool create);
  ~TGIS_FileSHPInternal() override;

  /// Reads the header at 0; nothing is validated (a short file reads zeros).
  virtual void ReadHeader();
  /// Writes the header at 0 (length = the file's size / 2, code 9994,
  /// version 1000) after the pending writes.
  void WriteHeader();
  /// Writes what is pending; a failed write raises the stream's error.
  void Flush();

  static std::int32_t ShapeTypeToCode(TGIS_ShapeType kind);
  static TGIS_ShapeType CodeToShapeType(std::int32_t code);

  void WriteRecordHeader(const TGIS_SHPRecordHeader& header);
  void WriteShape(const TGIS_Shape& shape);

  std::int32_t ReadIntBE();
  std::int32_t ReadIntLE();
  void WriteIntBE(std::int32_t v);
  void WriteIntLE(std::int32_t v);
  void WriteDouble(double v);
  TGIS_Extent ReadExtent();
  void WriteExtent(const TGIS_Extent& e);

  const std::string& Path() const { return path_; }
  std::int32_t FileCode() const { return fileCode_; }
  std::int64_t FileLength() const { return fileLength_; }
  std::int32_t Version() const { return version_; }
  std::int32_t TypeCode() const { return typeCode_; }
  void SetTypeCode(std::int32_t v) { typeCode_ = v; }
  const TGIS_Extent& BoundingBox() const { return boundingBox_; }
  void SetBoundingBox(const TGIS_Extent& e) { boundingBox_ = e; }
  /// The logical write position (what is written plus what is pending).
  std::int64_t WritePosition() const { return writeBase_ + std::int64_t(pending_.size()); }
  std::int32_t BufferCapacity() const { return capacity_; }

protected:
  /// Reads exactly `count` bytes or raises 0034.
  void ReadExact(void* buffer, std::int64_t count);
  [[noreturn]] void BadFormat();
  void Append(const void* data, std::size_t count);

  std::string path_;
  std::vector<std::uint8_t> buffer_;
  std::int32_t capacity_ = 0;

private:
  std::int32_t fileCode_ = 9994;
  std::array<std::int32_t, 5> unused_{};
  std::int64_t fileLength_ = 0;
  std::int32_t version_ = 1000;
  std::int32_t typeCode_ = 0;
  TGIS_Extent boundingBox_{0, 0, 0, 0};
  std::array<std::uint32_t, 8> zmRange_{};
  std::vector<std::uint8_t> pending_;
  std::int64_t writeBase_ = 0;
};

/// The main file.
class TGIS_FileSHP : public TGIS_FileSHPInternal {
public:
  using TGIS_FileSHPInternal::TGIS_FileSHPInternal;

  /// The record header at the current position; 0034 when the record's
  /// content would pass the end of the file or its size is out of range.
  const TGIS_SHPRecordHeader& ReadRecordHeader();
  /// The rest of the record (the buffer is reused by the next read; a shape
  /// viewing it must not keep it). The counts are checked against the
  /// content for the kinds that give shapes (0034).
  std::span<const std::uint8_t> ReadRecordContent();
  const TGIS_SHPRecordHeader& RecordHeader() const { return record_; }

private:
  TGIS_SHPRecordHeader record_;
  std::int64_t recordStart_ = 0;
};

/// The index file.
class TGIS_FileSHX : public TGIS_FileSHPInternal {
public:
  using TGIS_FileSHPInternal::TGIS_FileSHPInternal;

  /// The header, then the record count from the size (a partial last entry
  /// does not count).
  void ReadHeader() override;
  /// Entry n (1-based, n <= RecordCount()).
  TGIS_SHXIndexEntry ReadEntry(std::int32_t n);
  /// Appends an entry for a record at `offset` bytes.
  void WriteEntry(std::int64_t offset, const TGIS_SHPRecordHeader& header);
  std::int32_t RecordCount() const { return recordCount_; }

private:
  std::int32_t recordCount_ = 0;
  std::int32_t headerEnd_ = 0;
};
