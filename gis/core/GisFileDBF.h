// TGIS_FileDBF: the dBASE III attribute table (.dbf) of shapefile and
// MapInfo layers, read and written against the field list of the layer that
// owns it (TGIS_FieldOwner, GisFieldInfo.h).
//
// Reading builds the layer's fields from the descriptors and gives values one
// field of one record at a time (a one-record cache keeps what was read).
// Writing a new table: create, WriteHeader (placeholder), WriteStructure,
// WriteHeader, AppendRecord per shape, WriteHeader, destroy (which appends
// the end mark $1A). Numbers are always written with '.'; the process-wide
// separator is never touched. The date of the header comes from the
// runtime's Now (replaceable in tests).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisFieldInfo.h"
#include "gis/core/GisMappedFiles.h"

class TGIS_FileDBF : public TGIS_BufferedFileStream {
public:
  /// With `create` a new file (nothing read); otherwise the header and the
  /// structure are read, replacing the layer's fields. A damaged header or
  /// descriptor list raises EGIS_Exception 0034.
  TGIS_FileDBF(const std::string& path, TGIS_ReadWriteEvent afterRead,
               TGIS_ReadWriteEvent beforeWrite, bool create, TGIS_FieldOwner& layer);
  /// A created table gets its end mark. Never raises.
  ~TGIS_FileDBF() override;

  void ReadHeader();
  void ReadStructure();
  /// Version 3, today's date, the counts as they stand, at offset 0.
  void WriteHeader();
  /// The descriptors of the layer's fields that are not deleted, from the
  /// current position. Lengths that do not fit 16 bits raise 0032 before
  /// anything is written.
  void WriteStructure();

  /// The value of a field of record (1-based); empty outside the records.
  /// A field the layer does not know, or a failing read, raises 0051.
  Variant GetField(std::uint32_t record, const std::string& name);
  Variant GetField(std::uint32_t record, int index);
  /// Appends a record with the shape's values (by the fields' current names).
  void AppendRecord(TGIS_ShapeAbstract* shape);

  /// The records of the table; on open, at most the whole records the file
  /// holds after its header, whatever the header claims.
  std::uint32_t RecordCount() const;
  /// The record count the header gave on open (0 for a created table).
  std::uint32_t HeaderRecordCount() const { return headerRecordCount_; }
  std::uint16_t HeaderLength() const;
  std::uint16_t RecordLength() const;

private:
  Variant ReadValue(std::uint32_t record, int index);
  Variant Convert(const TGIS_FieldInfo& field, const std::vector<std::uint8_t>& bytes) const;
  void ComputeOffsets();
  /// The bytes field `index` takes in a record: the width of the file's
  /// descriptor at that position when there is one, else the field's own
  /// (binary width first).
  int StoredWidth(int index, const TGIS_FieldInfo& field) const;
  std::string RenderValue(const TGIS_FieldInfo& field, const Variant& value) const;
  void SetHeaderU16(int offset, std::uint16_t v);
  void SetHeaderU32(int offset, std::uint32_t v);

  TGIS_FieldOwner& layer_;
  bool created_;
  std::array<std::uint8_t, 32> header_{};
  std::vector<int> offsets_;    // per field, within the record after the flag
  std::vector<int> fileWidths_; // per descriptor read from the file
  std::vector<Variant> cache_;  // one slot per field
  std::int64_t cachedRecord_ = -1;
  std::uint32_t headerRecordCount_ = 0;
};
