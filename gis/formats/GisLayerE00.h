// The GisLayerE00 module: TGIS_LayerE00, an ArcInfo export file (".e00") of
// one coverage, read whole at Open into in-memory shapes: its arcs ("ARC"),
// its polygons (built from the arcs by "PAL") or its label points ("LAB"),
// with the part's INFO attribute table (".AAT" for arcs, ".PAT" for polygons
// and points). Read only.
//
// TGIS_E00LineReader gives the file's logical lines, plain or compressed
// (the compressed form packs blanks and numbers into escape sequences in one
// character stream broken into physical lines of any length; it is undone
// here in full).
//
//   GisLayerE00.cpp       the logical-line reader and the layer
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisLayerVector.h"

/// The decimal integer before the first "-" of a token, or of the whole
/// token when it has none ("4-1" gives 4); a token that is not a number
/// raises the runtime's conversion error.
std::int32_t E00IntBeforeDash(const std::string& token);

/// The logical lines of an export file over a stream. Errors of the
/// compressed form raise EGIS_Exception 0090 with the path and the line
/// counter.
class TGIS_E00LineReader {
public:
  TGIS_E00LineReader(TGIS_StreamAbstract& stream, std::string path);

  /// The following lines are decoded (the first line is always plain).
  void SetCompressed(bool on) { compressed_ = on; }
  bool Compressed() const { return compressed_; }
  bool Eof() const { return eof_; }
  /// Logical lines read so far (the line number in error messages).
  std::int32_t LineCounter() const { return lineCounter_; }
  /// The text of the current logical line not taken yet.
  std::string CurrentLine() const { return line_.substr(taken_); }

  /// Replaces the current logical line by the next one; at the end of the
  /// file sets the end flag and keeps what was decoded of a cut line.
  void ReadLogicalLine();
  /// The next `n` characters, running on into the following logical lines
  /// when the current one is used up; fewer at the end of the file.
  std::string TakeChars(int n);
  /// Drops the rest of the current logical line.
  void DiscardLine();

  /// Lines shorter than `width` characters read as if filled with blanks to
  /// it (0: as they are). Attribute records are laid out in 80-column lines
  /// whose trailing blanks writers cut.
  void SetLineWidth(int width) { lineWidth_ = width; }

  /// Called after every logical line (progress).
  std::function<void()> OnLine;

private:
  void DecodeLine();
  [[noreturn]] void Fail() const;

  TGIS_StreamAbstract& stream_;
  std::string path_;
  bool compressed_ = false;
  bool eof_ = false;
  std::int32_t lineCounter_ = 0;
  int lineWidth_ = 0;
  std::string line_;
  std::size_t taken_ = 0;
  // The physical line being decoded and the read position in it.
  std::string buffer_;
  std::size_t readIndex_ = 0;
};

class TGIS_LayerE00 : public TGIS_LayerVector {
public:
  /// `part`: 0 (surveyed at Open), gisShapeTypePoint (label points),
  /// gisShapeTypeArc (arcs) or gisShapeTypePolygon (polygons).
  explicit TGIS_LayerE00(std::uint8_t part = 0);
  ~TGIS_LayerE00() override;

  void Open() override;

  std::uint8_t Part() const { return part_; }
  const std::string& CoverageName() const { return coverageName_; }

private:
  class TPass;
  friend class TPass;
  std::uint8_t part_ = 0;
  std::string coverageName_;
};

/// Fills the factory's ".e00" row.
void GisRegisterLayerE00();
