// The GisLabelsArea module: what labels one paint has placed, so that labels
// don't overlap and texts don't repeat where the style forbids it.
//
// The viewer owns one TGIS_LabelsArea and clears it at the start of every
// full paint, before every printer tile, in Update and when zooming. It keeps
// map rectangles, so a pan within one paint series stays consistent.
// Reserved rectangles are indexed by a uniform grid of about 64-pixel cells,
// so placing n labels costs about n look-ups, not n².
//
// Labels along lines are in GisArcLabel.h.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "platform/graphics/GdiTypes.h"

class TGIS_Viewer;
class TGIS_GDI;

class TGIS_LabelsArea {
public:
  explicit TGIS_LabelsArea(TGIS_Viewer* viewer);
  virtual ~TGIS_LabelsArea();
  TGIS_LabelsArea(const TGIS_LabelsArea&) = delete;
  TGIS_LabelsArea& operator=(const TGIS_LabelsArea&) = delete;

  TGIS_Viewer* Viewer() const { return viewer_; }

  /// Whether the text was drawn (letter case ignored).
  bool IsTextDrawn(const std::string& text) const;
  void AddText(const std::string& text);

  /// Reserves a map rectangle for a label. Refused when it overlaps a
  /// reserved one (touching counts) unless it is that same rectangle within
  /// half a pixel, and, in a full paint that is not incremental, when it
  /// does not lie wholly inside the visible extent.
  bool Allocate(const TGIS_Extent& extent);
  /// Allocate of the bounding extent of four map points (rotated labels).
  bool AllocateQuad(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& p3,
                    const TGIS_Point& p4);
  /// Forgets all texts and reserved rectangles.
  virtual void Clear();
  /// The number of reserved rectangles.
  int Count() const { return int(extents_.size()); }

  /// The width and height the text takes in a box of `box` pixels.
  /// Alignments 1 (left), 2 (centre) and 3 (right) wrap; anything else is a
  /// single line.
  TPoint MeasureText(TGIS_GDI& gdi, const std::string& text, int alignment, const TPoint& box);
  /// Draws the text into the rectangle (angle 0).
  void DrawText(TGIS_GDI& gdi, const std::string& text, TRect& rect, int alignment, bool halo);

private:
  struct TextLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Key = std::uint64_t;
  /// The grid cells an extent covers; false when it covers too many (such
  /// extents are kept in a list checked one by one).
  bool CellRange(const TGIS_Extent& e, std::int64_t& x0, std::int64_t& y0, std::int64_t& x1,
                 std::int64_t& y1) const;
  /// The lowest-numbered reserved extent overlapping `e`, or -1.
  int FirstOverlap(const TGIS_Extent& e) const;
  void Store(const TGIS_Extent& e);

  TGIS_Viewer* viewer_;
  std::set<std::string, TextLess> texts_;
  std::vector<TGIS_Extent> extents_;
  std::unordered_map<Key, std::vector<int>> grid_;
  std::vector<int> wide_;
  double cell_ = 0;
};
