// TGIS_Shape: the base of every feature of a vector layer (part of the
// GisLayerVector module; see GisLayerVector.h). The four shape classes are
// GisShapePoint.h, GisShapeArc.h and GisShapePolygon.h.
//
// Geometry lives in two blocks whose bytes are a shapefile record body
// without its type word: a header (box, counts, part starts) and the points
// (X/Y doubles). A block is either owned (zeroed bytes with a capacity that
// follows the growth steps of GrowGeometry) or mapped (a read-only span of a
// file reader's buffer that the shape never frees or changes).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsVariants.h"
#include "gis/core/GisParams.h"
#include "gis/viewer/GisEditor.h"
#include "gis/viewer/GisShapeAbstract.h"

class TBitmap;
class TGIS_DrawableCopy;
class TGIS_LayerVector;
class TGIS_PointList;
class TGIS_SegmentStrips;
class TGIS_Viewer;
class TGIS_Shape;
struct TGIS_LabelPlacement;

// ---- exchange forms: byte arrays -------------------------------------------------------------
/// A byte array of the binary geometry forms (well-known binary, warehouse blobs).
using TBytes = std::vector<std::uint8_t>;
// ---- end of exchange forms ---------------------------------------------------------------------

/// The shape types (one byte).
enum TGIS_ShapeType : std::uint8_t {
  gisShapeTypeUnknown = 0,
  gisShapeTypePoint = 2,
  gisShapeTypeMultiPoint = 3,
  gisShapeTypeArc = 4,
  gisShapeTypePolygon = 5,
};
/// A set of shape types: bit n for type n (60 = all four).
using TGIS_ShapeTypes = std::uint8_t;
inline constexpr TGIS_ShapeTypes GisShapeTypeBit(TGIS_ShapeType t) {
  return static_cast<TGIS_ShapeTypes>(1u << t);
}
inline constexpr TGIS_ShapeTypes GIS_ALL_SHAPE_TYPES = 60;

/// One geometry block: owned bytes with their capacity, or a mapped span.
struct TGIS_ShapeBlock {
  std::unique_ptr<std::uint8_t[]> Owned;
  std::size_t Capacity = 0;
  /// The bytes (Owned.get() or the mapped memory); nullptr for no block.
  const std::uint8_t* Data = nullptr;
  /// Renewed (never to a value used before) whenever the bytes or the
  /// reference change, so caches of derived data can tell they are stale.
  std::uint64_t Stamp = 0;
  void Allocate(std::size_t capacity); // zeroed
  void Grow(std::size_t capacity);     // keeps the bytes, zeroes the rest
  void Forget();                       // drops the reference (frees owned bytes)
  void Touch();                        // a new stamp
};

/// The DE-9IM relate side of the topology engine (GisTopology.h), with the
/// normalising of edited shapes, which GisCreateTopology makes; tests can
/// install another (GisSetTopologyFactory).
class TGIS_RelateEngine {
public:
  virtual ~TGIS_RelateEngine() = default;
  /// Primes the engine with a shape that will be related many times.
  virtual void SetPreparedShape(TGIS_Shape* shape);
  virtual bool Relate(TGIS_Shape* a, TGIS_Shape* b, const std::string& pattern);
  /// Normalises a line or polygon: the shape itself is rewritten (nullptr
  /// returned), or with makeNew a normalised copy is returned.
  virtual std::unique_ptr<TGIS_Shape> FixShape(TGIS_Shape* shape, bool makeNew);
};
using TGIS_TopologyFactory = std::function<std::unique_ptr<TGIS_RelateEngine>()>;
/// Installs the maker of relate engines (nullptr: the default one).
void GisSetTopologyFactory(TGIS_TopologyFactory factory);
std::unique_ptr<TGIS_RelateEngine> GisCreateTopology();

/// The text and byte geometry formats. The default parser is the readers of
/// GisGeometry.h; another can be installed (nullptr: the default again).
enum class TGIS_GeometryFormat { WKT, WKB, GDO };
using TGIS_GeometryParser = std::function<std::unique_ptr<TGIS_Shape>(
    TGIS_GeometryFormat format, const std::string& text, std::span<const std::uint8_t> bytes,
    TGIS_LayerVector* layer)>;
void GisSetGeometryParser(TGIS_GeometryParser parser);

/// Every shape is an editable shape of the viewer's editor (GisShapeEdit.cpp):
/// it reads and writes its vertices in viewer coordinates below lock level 2,
/// as GetPoint and AddPoint do.
class TGIS_Shape : public TGIS_ShapeAbstract, public TGIS_ParamsShape, public TGIS_EditableShape {
public:
  /// Create (Source, Raw, Mapped, Uid, Layer) of the concrete class `type`.
  /// Raw is validated: a record that does not fit its length raises
  /// EGIS_Exception 0040.
  TGIS_Shape(TGIS_ShapeType type, const TGIS_Shape* source, std::span<const std::uint8_t> raw,
             bool mapped, std::int32_t uid, TGIS_LayerVector* layer);
  ~TGIS_Shape() override;
  TGIS_Shape(const TGIS_Shape&) = delete;
  TGIS_Shape& operator=(const TGIS_Shape&) = delete;

  void Recreate(const TGIS_Shape* source, std::span<const std::uint8_t> raw, bool mapped,
                std::int32_t uid, TGIS_LayerVector* layer);

  // ---- fields -----------------------------------------------------------------
  bool IsEmpty() const { return isEmpty_; }
  TGIS_LayerVector* Layer() const { return layer_; }
  void SetLayer(TGIS_LayerVector* layer) {
    layer_ = layer;
    NoteOwnStyle();
  }
  std::uint8_t LockLevel() const { return lockLevel_; }
  const TGIS_Extent& IndexedExtent() const { return indexedExtent_; }
  bool IsIndexed() const { return indexed_; }
  std::int32_t Uid() const { return uid_; }
  void SetUid(std::int32_t uid) { uid_ = uid; }
  TGIS_ShapeType ShapeType() const { return shapeType_; }
  bool IsMapped() const { return mapped_; }
  bool IsDeleted() const { return deleted_; }
  bool IsFixed() const { return fixed_; }
  void SetIsFixed(bool v) { fixed_ = v; }
  bool IsHidden() const { return hidden_; }
  void SetIsHidden(bool v) { hidden_ = v; }
  bool IsSelected() const { return selected_; }
  void SetIsSelected(bool v) { selected_ = v; }
  bool IsInMemory() const { return inMemory_; }
  void SetIsInMemory(bool v) { inMemory_ = v; }
  bool IsNewShape() const { return newShape_; }
  void SetIsNewShape(bool v) { newShape_ = v; }
  bool IsModified() const { return modified_; }
  bool GeometryChanged() const { return geometryChanged_; }
  /// The blocks (for tests and format writers).
  const TGIS_ShapeBlock& HeaderBlock() const { return header_; }
  const TGIS_ShapeBlock& PointsBlock() const { return points_; }

  TGIS_Viewer* GetViewer() const;
  int GetHeaderSize() const;
  int GetPointsSize() const;
  int GetGeometrySize() const { return GetHeaderSize() + GetPointsSize(); }
  bool IsEditable() const { return inMemory_ || layer_ == nullptr; }
  /// The editable in-memory version; nullptr without a layer.
  TGIS_Shape* MakeEditable();
  /// Marks the shape deleted (out of the index; kept in its layer's list).
  void Delete() override;
  void CopyGeometry(TGIS_Shape& source);
  void MarkModified();

  // ---- virtual operations -------------------------------------------------------------
  virtual TGIS_Extent GetExtentRaw() const;
  virtual TGIS_Extent GetExtent() const;
  virtual int GetPartStart(int part) const;
  virtual void SetPoint(int part, int index, const TGIS_Point& point);
  virtual void SetPoint3D(int part, int index, const TGIS_Point3D& point);
  /// While the viewer paints in full: the extent in viewer units; otherwise
  /// GetPaintExtentEx (GisShapeDraw.cpp).
  TGIS_Extent GetPaintExtent() const override;
  /// The extent in viewer units widened for pens, outlines and labels drawn
  /// beyond the geometry.
  virtual TGIS_Extent GetPaintExtentEx() const;
  virtual int GetSmartSize() = 0;
  virtual void ExtendExtent(const TGIS_Point& point);
  /// The part of the shape inside the extent, locked at level 4 while built
  /// when forDrawing, else 3; nullptr when nothing is left.
  virtual std::unique_ptr<TGIS_Shape> CreateClippedCopy(const TGIS_Extent& extent,
                                                        bool forDrawing) = 0;
  virtual std::unique_ptr<TGIS_Shape> CreateCopy() const = 0;
  virtual void Lock(std::uint8_t level);
  virtual void Unlock();
  virtual void AddPoint(const TGIS_Point& point) = 0;
  virtual void AddPoint3D(const TGIS_Point3D& point);
  bool AddPointPolar(bool absolute, double angle, double distance);
  virtual void AddPart();
  TGIS_Point GetPoint(int part, int index) const override;
  virtual TGIS_Point3D GetPoint3D(int part, int index) const;
  TGIS_Point GetFirstPoint() const { return GetPoint(0, 0); }
  TGIS_Point GetLastPoint() const;
  TGIS_Point3D GetFirstPoint3D() const { return GetPoint3D(0, 0); }
  TGIS_Point3D GetLastPoint3D() const;
  /// By type: a point has one vertex and one part once it has a block; a
  /// multipoint one part.
  virtual int GetNumPoints() const;
  int GetNumParts() const override;
  int GetPartSize(int part) const override;
  virtual void FindNearestVertex(const TGIS_Point& point, double& distance, TGIS_Point& nearest,
                                 double tolerance) const;
  virtual void FindNearestVertex3D(const TGIS_Point3D& point, double& distance,
                                   TGIS_Point3D& nearest, double tolerance) const;
  /// Forgets the geometry (mapped or owned) and becomes empty.
  virtual void Reset();
  virtual void ResetParams() { ownParams_.reset(); }
  // ---- drawing (GisShapeDraw.cpp; the classes' Draw in GisShapeDraw<Class>.cpp) ----
  /// Draws the shape `count` times (at most 20) in red and in yellow on the
  /// window, `delay` ms (at most 10 s) apart, then repaints what it covered;
  /// on any other target draws it once in red.
  virtual void Flash(int count, int delay);
  virtual void Draw() = 0;
  /// The editor's vertex squares.
  virtual void DrawVertices();
  /// The vertex marks and numbers of the shape being edited.
  virtual void DrawVertexLabels() = 0;
  /// Repaints the paint extent (with the viewer's cache dropped when full).
  virtual void Invalidate(bool full = false);
  /// The chart of the chart style at the label point.
  virtual void DrawChart();
  /// A marker of the marker style at a screen point with the caller's pen and
  /// brush (nothing when selectedOnly), then the selection frame when asked or
  /// selected. Size 0 draws nothing.
  void DrawMarker(int size, const TPoint& point, bool selectedOnly);
  /// The shape to draw from: kind 0 the shape itself unless it spans 16000
  /// pixels or more, kind 1 clipped to the visible extent widened by one inch,
  /// kind 2 clipped to the visible extent. Empty when nothing is left.
  TGIS_DrawableCopy GetDrawableCopy(int kind);
  /// Frees the copy unless it is the shape itself; `copy` becomes empty.
  void FreeDrawableCopy(TGIS_DrawableCopy& copy);
  /// Vertex squares and numbers of points and multipoints.
  void DrawVertexLabelsSimple();
  /// The dotted outline of lines and polygons, then their vertex squares and
  /// numbers.
  void DrawVertexLabelsOutline();
  // ---- end of drawing ------------------------------------------------------------------

  // ---- labels (GisShapeLabel.cpp) ------------------------------------------------------
  /// Draws the label at the first position around the label point that the
  /// viewer's labels area accepts.
  virtual void DrawLabel();
  /// The text the label shows: the label's Value, or a field's value, or a
  /// template (a Value or Field starting with ':') of text, escapes ("\n" a
  /// carriage return, "\x" the character x) and fields "<format:NAME>"
  /// formatted by the runtime's Format. Never raises: a value that does not
  /// format gives nothing.
  std::string GetLabelText();
  /// Where the label and the chart stand: in a full paint with FLOW among
  /// the label positions, the label point of the part of the shape in view;
  /// otherwise GetLabelPoint. False when nothing of the shape is in view.
  bool GetLabelAnchor(TGIS_Point& point);
  // ---- end of labels --------------------------------------------------------------------

  virtual Variant GetField(const std::string& name);
  virtual Variant GetFieldEx(const std::string& name);
  virtual double Distance(const TGIS_Point& point, double tolerance) const;
  virtual double DistanceToPart(const TGIS_Point& point, int part, TGIS_Point& nearest,
                                double tolerance) const;
  virtual double DistanceToShape(TGIS_Shape* other);
  virtual TGIS_Point GetCentroid() const { return {0, 0}; }
  virtual TGIS_Point GetLabelPoint() const { return GetCentroid(); }
  virtual double GetArea() const { return 0; }
  virtual double GetLength() const { return 0; }
  virtual double GetPartLength(int part) const { return (void)part, 0; }
  virtual bool IsNear(const TGIS_Point& point, int mode, double distance) const {
    return (void)point, (void)mode, (void)distance, false;
  }
  virtual bool IsInExtent(const TGIS_Extent& extent, int mode);
  virtual bool IsInsideShape(TGIS_Shape* other, int mode) { return (void)other, (void)mode, false; }
  virtual bool Intersects(TGIS_Shape* other) { return (void)other, false; }

  // ---- geometry of the shape classes (GisShapePoint, GisShapeArc, GisShapePolygon) ----
  /// The points where the other shape meets this one; nullptr when none.
  virtual std::unique_ptr<TGIS_PointList> GetIntersectionPoints(TGIS_Shape* other);
  /// Draws the shape scaled into the bitmap inside a margin of pixels; scale
  /// gets the pixels per map unit, (0, 0) when nothing is drawn.
  virtual void DrawToBitmap(TBitmap& bitmap, int margin, TGIS_Point& scale);
  // ---- end of the shape-class geometry ----------------------------------------------------
  std::unique_ptr<TGIS_Shape> GetClipped(const TGIS_Extent& extent) {
    return CreateClippedCopy(extent, false);
  }
  std::unique_ptr<TGIS_Shape> CreateFromWKT(const std::string& text) const;
  std::unique_ptr<TGIS_Shape> CreateFromWKB(std::span<const std::uint8_t> bytes) const;
  std::unique_ptr<TGIS_Shape> CreateFromGDO(std::span<const std::uint8_t> bytes) const;
  void ImportFromWKT(const std::string& text);
  void ImportFromWKB(std::span<const std::uint8_t> bytes);
  void ImportFromGDO(std::span<const std::uint8_t> bytes);

  // ---- exchange forms (GisGeometryWkt.cpp, GisGeometryWkb.cpp, GisGeometryGdo.cpp) ----------
  // The stored layer coordinates are written (the shape is locked at level 2
  // meanwhile and unlocked afterwards, also on failure).
  /// Well-known text; "" for an empty shape.
  virtual std::string ExportToWKT();
  /// Well-known binary, little-endian; `out` is left untouched for an empty shape.
  virtual void ExportToWKB(TBytes& out);
  /// A warehouse geometry blob; `out` is left untouched for an empty shape.
  virtual void ExportToGDO(TBytes& out);
  // ---- end of exchange forms ------------------------------------------------------------------
  /// Copies the blob into owned blocks (values and flags cleared; the type stays).
  void SetGeometryBlob(std::span<const std::uint8_t> bytes);
  /// Header, points, then one zero byte; empty for an empty shape.
  std::vector<std::uint8_t> GetGeometryBlob() const;

  // ---- further operations --------------------------------------------------------------
  void UnmapGeometry();
  bool HasIndexEntry() const;
  void AddToIndex();
  void UpdateIndex();
  bool Relate(TGIS_Shape* other, const std::string& pattern);

  // ---- the editor's view of the shape (GisShapeEdit.cpp) --------------------------------
  int EditKind() const override { return shapeType_; }
  /// Empties the shape and adds the parts again with AddPart and AddPoint,
  /// so the extent, the layer's extent and the index entry follow.
  void SetParts(const std::vector<std::vector<TGIS_Point>>& parts) override;
  TGIS_LayerAbstract* EditLayer() const override;
  /// The topology engine's normalising of the shape in place.
  void FixShape() override;
  /// The vertex marks and numbers, through the layer's DrawEditor.
  void DrawEditing(const TGIS_Editor& editor) override;
  /// MakeEditable; the shape itself when it has no layer.
  TGIS_EditableShape* GetEditable() override;
  // ---- end of the editor's view -----------------------------------------------------------

  // ---- attribute values and styles ------------------------------------------------------
  void SetField(const std::string& name, const Variant& value);
  void CopyFields(TGIS_Shape& source);
  /// The values the shape holds itself (nullptr before the first write).
  const TGIS_VariantList* Values() const { return values_.get(); }
  TGIS_ParamsSectionVector& GetParamsSection();
  bool HasOwnParams() const { return ownParams_ != nullptr; }
  void UseOwnParams(bool on);
  void AttachParams(std::unique_ptr<TGIS_ParamsSectionVector> section);
  TGIS_ParamsSectionVector* GetOwnSection() override { return ownParams_.get(); }
  void SetOwnSection(std::unique_ptr<TGIS_ParamsSectionVector> section) override {
    ownParams_ = std::move(section);
    NoteOwnStyle();
  }

protected:
  // Storage helpers for the shape classes.
  std::int32_t HeaderInt(int offset) const;
  void SetHeaderInt(int offset, std::int32_t value);
  double HeaderDouble(int offset) const;
  void SetBox(const TGIS_Extent& box);
  TGIS_Point RawPoint(int index) const; // asserts the index is stored
  void WriteRawPoint(int index, const TGIS_Point& p);
  void SetNumPoints(int n);
  void CopyGeometryBlocks();
  void GrowGeometry();
  void RecalcBox();
  void ComputeIsEmpty();
  void ClearIsEmpty() { isEmpty_ = false; }
  /// Layer coordinates of a viewer point (below level 2 with a layer).
  TGIS_Point ToLayer(const TGIS_Point& p) const;
  TGIS_Point ToViewer(const TGIS_Point& p) const;
  /// Runs the final step of Unlock also when `body` raises.
  void UnlockWith(const std::function<void()>& body);
  /// The shape's smart size from a feature style (0 on any failure).
  int SmartSizeOf(const TGIS_ParamsFeature& style, bool fieldOnly);
  void ImportFrom(TGIS_GeometryFormat format, const std::string& text,
                  std::span<const std::uint8_t> bytes);
  /// One placement attempt of DrawLabel at a position; false when the labels
  /// area refuses it.
  bool PlaceLabel(TGIS_LabelPosition position, TGIS_LabelPlacement& placement);

  TGIS_ShapeBlock header_, points_;
  std::uint8_t lockLevel_ = 0;
  /// The edge index of the point-in-polygon test (GisGeometryPlanar.cpp),
  /// made on the second test of the same geometry and valid while both
  /// blocks keep the stamps it was made for.
  struct TPointTestIndex {
    std::uint64_t HeaderStamp = 0, PointsStamp = 0;
    const std::uint8_t* HeaderData = nullptr;
    const std::uint8_t* PointsData = nullptr;
    int Tests = 0; // tests of this geometry so far
    std::unique_ptr<TGIS_SegmentStrips> Strips;
  };
  mutable std::unique_ptr<TPointTestIndex> pointTestIndex_;
  friend struct TGIS_PointTestAccess;
  bool geometryChanged_ = false;

private:
  /// Tells the layer that one of its shapes holds a style of its own (its
  /// paint extent may be widened beyond the layer style's).
  void NoteOwnStyle();
  /// Steps 1 to 3 of the vertex labels: squares and numbers of every part
  /// and the editor's current vertex.
  void DrawVertexNumbers();
  void AttachGeometry(std::span<const std::uint8_t> raw);
  static void ValidateRaw(TGIS_ShapeType type, std::span<const std::uint8_t> raw);

  bool isEmpty_ = true;
  TGIS_LayerVector* layer_ = nullptr;
  bool indexed_ = false;
  std::unique_ptr<TGIS_ParamsSectionVector> ownParams_;
  std::unique_ptr<TGIS_VariantList> values_;
  TGIS_Extent indexedExtent_{0, 0, 0, 0};
  std::int32_t uid_ = 0;
  TGIS_ShapeType shapeType_ = gisShapeTypeUnknown;
  bool mapped_ = false, deleted_ = false, fixed_ = false, hidden_ = false, selected_ = false,
       inMemory_ = false, newShape_ = false, modified_ = false;

  friend class TGIS_LayerVector;
};

/// The shape a drawing routine draws from (TGIS_Shape::GetDrawableCopy): the
/// shape itself, or a clipped copy that this object owns. Empty (false) when
/// nothing of the shape is left to draw.
class TGIS_DrawableCopy {
public:
  TGIS_DrawableCopy() = default;
  /// The shape itself (not owned).
  explicit TGIS_DrawableCopy(TGIS_Shape* self) : shape_(self) {}
  /// A copy of its own (empty for nullptr).
  explicit TGIS_DrawableCopy(std::unique_ptr<TGIS_Shape> copy)
      : shape_(copy.get()), owned_(std::move(copy)) {}
  TGIS_Shape* Get() const { return shape_; }
  TGIS_Shape* operator->() const { return shape_; }
  TGIS_Shape& operator*() const { return *shape_; }
  explicit operator bool() const { return shape_ != nullptr; }
  /// Whether it holds a copy (and not the shape itself).
  bool IsCopy() const { return owned_ != nullptr; }
  /// Frees a copy; empties either way.
  void Reset() {
    shape_ = nullptr;
    owned_.reset();
  }

private:
  TGIS_Shape* shape_ = nullptr;
  std::unique_ptr<TGIS_Shape> owned_;
};

/// A new empty shape of a type (nullptr for another value than 2..5).
std::unique_ptr<TGIS_Shape> GisCreateShapeOfType(TGIS_ShapeType type, std::int32_t uid,
                                                 TGIS_LayerVector* layer);
