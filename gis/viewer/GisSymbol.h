// The GisSymbol module: symbols that markers, area patterns and styled lines
// draw with instead of plain shapes, and the process-wide list that turns a
// symbol name from a style into a loaded, cached symbol.
//
// A symbol is prepared for a viewer and a drawing context (size, colours,
// position code, rotation), drawn any number of times at screen points and
// unprepared. Symbols are shared process-wide: the prepared state belongs to
// whoever prepared it last.
//
// Which file holds what:
//   GisSymbol.cpp         TGIS_SymbolAbstract, TGIS_SymbolList, the list's
//                         resolver for the style converters, the kernel unit
//   GisSymbolFont.cpp     TGIS_SymbolFont (a character of a font)
//   GisSymbolPicture.cpp  TGIS_SymbolPicture (a picture file)
//   GisSymbolCgm.cpp      TGIS_SymbolCGM: drawing list, geometry and drawing
//   GisSymbolCgmParse.cpp TGIS_SymbolCGM: the binary and clear-text readers
//   GisSymbolLine.cpp     TGIS_SymbolLine and GisDrawPolylineSymbol
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/GdiTypes.h"

class TGIS_Viewer;
class TGIS_GDI;
class TFont;
class TPicture;

/// The root of every symbol.
class TGIS_SymbolAbstract {
public:
  /// Stores the name, sets the natural height and the scale to 1 and reads
  /// the companion ini file `iniBase` + ".ini" (the name when empty).
  explicit TGIS_SymbolAbstract(const std::string& name, const std::string& iniBase = "");
  virtual ~TGIS_SymbolAbstract() = default;
  TGIS_SymbolAbstract(const TGIS_SymbolAbstract&) = delete;
  TGIS_SymbolAbstract& operator=(const TGIS_SymbolAbstract&) = delete;

  const std::string& Name() const { return name_; }
  /// Whether the name is a file path (picture and CGM symbols).
  virtual bool IsFileSymbol() const { return false; }

  /// The larger of the prepared width and height.
  virtual int GetSize();
  virtual int GetWidth() { return GetDrawWidth(); }
  virtual int GetHeight() { return GetDrawHeight(); }
  virtual int GetDrawWidth() = 0;
  virtual int GetDrawHeight() = 0;
  /// The offset of the drawing from the insertion point for position code 0..8.
  virtual void CalcOffset(int position);
  /// The total angle is `angle` plus the viewer's rotation; the offset is
  /// recomputed and turned by it.
  virtual void SetRotation(double angle);
  /// Binds the viewer and the context (the viewer's current one for null),
  /// converts the twips sizes to pixels and computes the scale and sizes.
  virtual void Prepare(TGIS_Viewer* viewer, int sizeTwips, TGIS_GDI* gdi, int position,
                       int gapTwips, double angle, std::uint32_t outlineColor,
                       std::uint32_t fillColor);
  virtual void Unprepare();
  /// Frees what can be rebuilt (the CGM symbol's drawing list).
  virtual void Release() {}
  /// Draws with the symbol's centre (after the offset) at screen pixel (x, y).
  virtual void Draw(int x, int y);

  /// Round(value × scale).
  int Scale(double value) const;
  /// The point turned by the total angle and scaled.
  TPoint Transform(double x, double y) const;
  /// The prepared colour, or `own` when the prepared one is GIS_RENDER_COLOR.
  std::uint32_t FillColor(std::uint32_t own) const;
  std::uint32_t OutlineColor(std::uint32_t own) const;

  // Prepared state.
  TGIS_Viewer* Viewer() const { return viewer_; }
  TGIS_GDI* Gdi() const { return gdi_; }
  double PreparedSize() const { return preparedSize_; }
  double SymbolScale() const { return scale_; }
  double NaturalHeight() const { return naturalHeight_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Size() const { return size_; }
  int Gap() const { return gap_; }
  double Angle() const { return angle_; }
  int Position() const { return position_; }
  int OffsetX() const { return offsetX_; }
  int OffsetY() const { return offsetY_; }
  double CenterShiftX() const { return shiftX_; }
  double CenterShiftY() const { return shiftY_; }
  double TotalSin() const { return sin_; }
  double TotalCos() const { return cos_; }
  std::uint32_t PreparedFill() const { return fill_; }
  std::uint32_t PreparedOutline() const { return outline_; }

protected:
  /// The offset without the turn (CalcOffset), then turned by the total angle.
  void RotateOffset();
  /// The drawing context, failing an assertion when there is none.
  TGIS_GDI& RequireGdi(int line) const;

  std::string name_;
  int size_ = 0, width_ = 0, height_ = 0;
  double shiftX_ = 0, shiftY_ = 0;
  double viewerRotation_ = 0, sin_ = 0, cos_ = 1;
  TGIS_Viewer* viewer_ = nullptr;
  TGIS_GDI* gdi_ = nullptr;
  double naturalHeight_ = 1.0;
  double preparedSize_ = 0, scale_ = 1.0;
  std::uint32_t fill_ = 0, outline_ = 0;
  double angle_ = 0;
  int gap_ = 0;
  int position_ = 4;
  int offsetX_ = 0, offsetY_ = 0;
};

/// A character of a font: "font:char[:STYLE[:STYLE...]]", the character a
/// single character or a decimal code.
class TGIS_SymbolFont : public TGIS_SymbolAbstract {
public:
  explicit TGIS_SymbolFont(const std::string& name);
  ~TGIS_SymbolFont() override;
  int GetDrawWidth() override;
  int GetDrawHeight() override;
  void SetRotation(double angle) override;
  void Draw(int x, int y) override;

  TFont& Font() { return *font_; }
  /// The character (UTF-8).
  const std::string& Character() const { return char_; }
  /// The font size in points for the prepared size (0 when that is 0).
  int FontSize();

private:
  /// Gives the context's font this symbol's font at the prepared size; false
  /// when the size is 0.
  bool ApplyFont();
  /// The number of halo rings: one on screen, the font's pixels per inch div
  /// 96 when printing.
  int HaloRings(bool& printing);
  std::unique_ptr<TFont> font_;
  std::string char_;
};

/// A picture file, "path[?transparent]"; never rotated.
class TGIS_SymbolPicture : public TGIS_SymbolAbstract {
public:
  /// `path` is absolute; a missing file is looked for without regard to case.
  explicit TGIS_SymbolPicture(const std::string& path);
  ~TGIS_SymbolPicture() override;
  bool IsFileSymbol() const override { return true; }
  int GetDrawWidth() override;
  int GetDrawHeight() override;
  void SetRotation(double angle) override;
  void Draw(int x, int y) override;
  TPicture& Picture() { return *picture_; }

private:
  std::unique_ptr<TPicture> picture_;
};

/// One command of a CGM symbol's drawing list (points in VDC units, y negated).
struct TGIS_CgmCommand {
  enum Kind : int { End = 0, Polyline = 1, Polygon = 2 };
  int kind = Polyline;
  std::uint32_t fillColor = 0x010101;
  std::uint8_t brushStyle = 1; ///< 0 solid, 1 clear
  std::uint32_t lineColor = 0x010101;
  int width = 1;
  std::uint8_t penStyle = 0; ///< 0 solid, 5 none
  std::vector<TPoint> points;
};

/// A Computer Graphics Metafile in binary or clear-text encoding.
class TGIS_SymbolCGM : public TGIS_SymbolAbstract {
public:
  /// `path` is absolute; a missing file is looked for without regard to case.
  explicit TGIS_SymbolCGM(const std::string& path);
  bool IsFileSymbol() const override { return true; }
  int GetWidth() override;
  int GetHeight() override;
  int GetDrawWidth() override;
  int GetDrawHeight() override;
  void CalcOffset(int position) override;
  void Release() override;
  void Draw(int x, int y) override;

  /// Reads the file into the drawing list (raises on a file that is no CGM).
  void Parse();
  /// The drawing list (empty after Release until the next Draw).
  const std::vector<TGIS_CgmCommand>& Commands() const { return commands_; }
  bool Parsed() const { return parsed_; }
  /// The VDC extent x1, y1, x2, y2.
  const int* VdcExtent() const { return extent_; }
  const std::string& FilePath() const { return path_; }

private:
  friend class TGIS_CgmReader;
  void DrawCommand(const TGIS_CgmCommand& command, int x, int y);
  std::string path_;
  std::vector<TGIS_CgmCommand> commands_;
  std::vector<TPoint> drawPoints_;
  bool parsed_ = false;
  int extent_[4] = {0, 0, 0, 0};
};

/// A dash pattern "<...[10T 5W]...>": T runs in twips, W runs in line widths.
class TGIS_SymbolLine : public TGIS_SymbolAbstract {
public:
  explicit TGIS_SymbolLine(const std::string& definition);
  int GetSize() override;
  int GetDrawWidth() override { return 1; }
  int GetDrawHeight() override { return 1; }
  void Draw(int, int) override {}
  /// Positive: twips; negative: times the prepared size.
  const std::vector<int>& Pattern() const { return pattern_; }
  /// The length of pattern element `e` in pixels.
  double RunPixels(int e) const;

private:
  std::vector<int> pattern_;
};

/// Draws `count` screen points with a prepared symbol: a line symbol as its
/// dash pattern, any other symbol repeated along the line.
void GisDrawPolylineSymbol(TGIS_Viewer* viewer, TGIS_SymbolAbstract* symbol, const TPoint* points,
                           int count);

/// The intersections of segment p1-p2 with the circle of radius r around c,
/// rounded to pixels; returns how many lie on the segment (0, 1 or 2), the
/// first kept one in `a`.
int GisCircleSegmentIntersection(const TPoint& p1, const TPoint& p2, const TPoint& c, double r,
                                 TPoint& a, TPoint& b);

/// The process-wide symbol cache.
class TGIS_SymbolList {
public:
  TGIS_SymbolList() = default;
  ~TGIS_SymbolList() { Clear(); }
  TGIS_SymbolList(const TGIS_SymbolList&) = delete;
  TGIS_SymbolList& operator=(const TGIS_SymbolList&) = delete;

  /// The symbol of that name, created and cached on first use; null for an
  /// empty name or a symbol that cannot be created (asked again next time).
  TGIS_SymbolAbstract* Get(const std::string& name);
  /// Frees every cached symbol.
  void Clear();
  int Count() const { return int(items_.size()); }
  /// The cache key of a name: an upper-cased absolute path for file names.
  static std::string KeyOf(const std::string& name);

private:
  struct KeyLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::unique_ptr<TGIS_SymbolAbstract>, KeyLess> items_;
};

/// The process-wide list (created by the kernel unit, or on first use).
TGIS_SymbolList& GisSymbolList();
/// Registers the symbols as a kernel unit: the list and the resolver the
/// style converters use to read and write symbol names.
void GisSymbolsRegisterUnit();
