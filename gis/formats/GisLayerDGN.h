// The GisLayerDGN module: TGIS_LayerDGN, the read-only vector layer over a
// version 7 design file (2D or 3D) or cell library, and the element decoding
// it rests on: the element header, VAX D-floats, display headers with their
// attribute linkages, the design-file units, the colour table, and the curve
// stroking of ellipses, arcs and B-splines.
//
// The layer keeps no shapes of its own: every pass decodes the file's
// elements again into reused work shapes, numbering the shapes 1, 2, 3 ...
// in file order. Every 512th shape notes where decoding may restart, so a
// shape is found by UID after at most 511 others.
//
// Bounds: an element whose body runs past the end of the file ends the
// element sequence; an element whose type needs more bytes than its body
// holds is skipped. A complex header's component count is the word after
// its total length (body offset 34), where design files keep it. Complex chains and shapes take components only while
// one is open and components remain; a new pass starts without one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisMappedFiles.h"
#include "gis/vector/GisLayerVector.h"

/// The IEEE double of an 8-byte VAX D-float (four little-endian 16-bit
/// words, the first holding sign, exponent and the top mantissa bits);
/// magnitudes beyond 1e20 read as 0.
double GisDgnDFloat(const std::uint8_t* bytes);
/// The points of an elliptic arc: origin, semi-axes `a` (primary) and `b`,
/// start and end angles and rotation in radians; 3, 5, 9 or 16 points.
std::vector<TGIS_Point> GisDgnStrokeArc(const TGIS_Point& origin, double a, double b, double start,
                                        double end, double rotation);
/// The 4 m + 1 points of the cubic B-spline of m poles (all zero when m < 2).
std::vector<TGIS_Point3D> GisDgnBSpline(const std::vector<TGIS_Point3D>& poles);

class TGIS_LayerDGN : public TGIS_LayerVector {
public:
  TGIS_LayerDGN();
  ~TGIS_LayerDGN() override;

  void Open() override;
  void RecalcExtent() override;
  std::string GetIndexPath() const override;
  void MoveFirst(const TGIS_Extent& extent, const std::string& query = "", bool skipDeleted = true,
                 const std::string& pattern = "", TGIS_Shape* shape = nullptr) override;
  void MoveNext() override;
  bool Eof() const override { return current_ == nullptr; }
  TGIS_Shape* GetCurrentShape() const override;
  TGIS_Shape* GetShape(std::int32_t uid) override;
  std::int32_t GetLastUid() const override;
  std::int32_t GetNewUid() const override;

  bool Is3D() const { return is3D_; }
  bool IsCellLibrary() const { return cellLibrary_; }
  const std::string& MasterUnits() const { return masterUnits_; }
  const std::string& SubUnits() const { return subUnits_; }
  double Scale() const { return scale_; }
  /// The colour table entry `index` as (red, green, blue).
  std::array<std::uint8_t, 3> TableColor(int index) const { return colors_[index & 255]; }
  /// The colour of colour index `index` (1..256) as a COLORREF, with the
  /// viewer background's contrast rule.
  std::uint32_t IndexColor(int index) const;
  /// For tests of direct access: elements decoded since Open, and the UID
  /// counter a pass started from last.
  std::int64_t ElementsRead() const { return elementsRead_; }
  std::int32_t LastStartCounter() const { return lastStartCounter_; }
  int IndexEntries() const { return int(indexPosition_.size()); }

private:
  struct TElement;
  struct TPair {
    int Entity;
    std::int64_t Link;
  };
  /// Restarts decoding at `position` with the UID counter `counter`.
  void Restart(std::int64_t position, std::int32_t counter);
  /// Decodes one element; true when it produced a shape (current_).
  bool ReadElement();
  bool ReadHeader(TElement& e);
  void ReadDisplayHeader(TElement& e);
  void ReadUnits(TElement& e);
  /// The next UID; notes the index entry of every 512th.
  std::int32_t NextUid(std::int64_t start, std::int32_t before);
  TGIS_Shape* StartShape(TGIS_Shape* work, std::int64_t start, std::int32_t before);
  void FinishShape(TGIS_Shape* shape, const TElement& e, double elevation);
  void ApplySymbology(TGIS_Shape* shape, const TElement& e, int kind);
  void SetPairs(TGIS_Shape* shape, const std::vector<TPair>& pairs);
  void AddPairFields(std::size_t count);
  bool SymbologyInUse();

  std::unique_ptr<TGIS_MappedStream> stream_;
  bool is3D_ = false, cellLibrary_ = false;
  std::string masterUnits_, subUnits_;
  double originX_ = 0, originY_ = 0, scale_ = 1;
  std::array<std::array<std::uint8_t, 3>, 256> colors_{};

  std::unique_ptr<TGIS_Shape> point_, multiPoint_, arc_, polygon_, complexPolygon_, complexArc_;
  TGIS_Shape* current_ = nullptr;
  std::int32_t counter_ = 0;
  mutable std::int32_t lastUid_ = -1;
  std::vector<std::int64_t> indexPosition_;
  std::vector<std::int32_t> indexCounter_;
  std::size_t pairFields_ = 0;
  bool openPass_ = false;
  bool symbology_ = false;
  bool eof_ = true;
  std::int64_t position_ = 0;
  // Following a cell header: its start, the counter before it, its origin.
  bool inCell_ = false;
  std::int64_t cellPosition_ = 0;
  std::int32_t cellCounter_ = 0;
  TGIS_Point3D cellOrigin_{};
  // The complex chain (12) or shape (14) being gathered.
  bool complexOpen_ = false, complexReady_ = false;
  int complexKind_ = 0, complexLeft_ = 0, complexLevel_ = 0;
  std::vector<TPair> complexPairs_;
  double complexElevation_ = 0;

  std::int64_t elementsRead_ = 0;
  std::int32_t lastStartCounter_ = 0;
};

/// Fills the factory's ".dgn" row.
void GisRegisterLayerDGN();
