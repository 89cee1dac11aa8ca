// What the DXF layer reads its drawings with: the group reader over the
// file's bytes (ASCII lines, or binary groups decoded by their code's type),
// the 4x4 matrices of object coordinates and block inserts, and the colour
// index palette.
//
// Binary drawings start with the 22-byte sentinel "AutoCAD Binary DXF" CR LF
// SUB NUL. The first group code follows: two bytes when they are 0, 0 (codes
// are little-endian 16-bit integers), else one byte (255 escapes to a 16-bit
// code). Each value is decoded by its code's type: 16-bit, 32-bit and 64-bit
// integers, doubles, one-byte booleans, length-prefixed chunks, or strings
// ending in a NUL. Every read is bounded by the file's end.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class TGIS_DxfGroups {
public:
  /// Reads `size` bytes from `data` (kept, not copied); `path` names the file
  /// in errors. Binary mode is chosen from the sentinel.
  TGIS_DxfGroups(const std::uint8_t* data, std::int64_t size, std::string path);

  bool IsBinary() const { return binary_; }
  /// True once the last group of the data has been read.
  bool EndOfData() const { return pos_ >= size_; }
  /// Advances to the next group. A malformed group raises 0090 with the item
  /// counter; at the end of data nothing changes.
  void Read();

  int Code() const { return code_; }
  /// Whether the current group has the code (and the exact value text).
  bool Is(int code) const { return code_ == code; }
  bool Is(int code, std::string_view value) const;
  /// The value as text (binary numbers formatted through the runtime).
  std::string Text() const;
  /// The value text without surrounding blanks (ASCII) or as stored.
  std::string_view Raw() const { return raw_; }
  /// The value as a finite number; 0090 when it is none.
  double Double() const;
  /// The value as a 32-bit integer; 0090 when it is none or out of range.
  int Int() const;
  /// Int() when the trimmed text is not empty; false for an empty value.
  bool TryIntNonEmpty(int& value) const;

  /// The position where the next group starts; Seek returns there.
  std::int64_t Position() const { return pos_; }
  /// The position where the current group starts.
  std::int64_t Start() const { return start_; }
  void Seek(std::int64_t position) { pos_ = position; }
  std::int64_t Size() const { return size_; }
  std::int64_t Items() const { return items_; }
  /// Raises 0090 with the file's path and the item counter.
  [[noreturn]] void Fail() const;

private:
  void ReadAscii();
  void ReadBinary();
  std::string_view Line();
  void Need(std::int64_t count) const;

  const std::uint8_t* data_;
  std::int64_t size_;
  std::int64_t pos_ = 0;
  std::int64_t start_ = 0;
  std::int64_t items_ = 0;
  std::string path_;
  bool binary_ = false;
  bool shortCodes_ = false;
  int code_ = -1;
  std::string_view raw_;
  bool numeric_ = false;
  double number_ = 0;
};

/// 4x4 doubles, row-vector convention: row 3 is the translation; A·B applies
/// A first, then B.
using TGIS_DxfMatrix = std::array<std::array<double, 4>, 4>;

struct TGIS_DxfVec {
  double X = 0, Y = 0, Z = 0;
};

TGIS_DxfMatrix DxfIdentity();
TGIS_DxfMatrix DxfMultiply(const TGIS_DxfMatrix& a, const TGIS_DxfMatrix& b);
/// Counter-clockwise rotation by `angle` radians.
TGIS_DxfMatrix DxfRotation(double angle);
TGIS_DxfMatrix DxfScale(const TGIS_DxfVec& s);
TGIS_DxfMatrix DxfTranslation(const TGIS_DxfVec& p);
/// The object coordinate system of an extrusion direction (arbitrary-axis
/// rule); the identity for (0, 0, 1), a zero or a non-finite direction.
TGIS_DxfMatrix DxfOcs(const TGIS_DxfVec& n);
TGIS_DxfVec DxfApply(const TGIS_DxfMatrix& m, const TGIS_DxfVec& p);

/// The colour index palette: (red, green, blue) of index 0..255.
const std::array<std::array<std::uint8_t, 3>, 256>& DxfPalette();
