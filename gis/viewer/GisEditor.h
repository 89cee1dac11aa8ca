// The GisEditor module: TGIS_Editor edits the vertices of one part of one
// shape interactively. The window control feeds it mouse presses, moves and
// releases in edit mode; the editor adds, moves, deletes and selects
// vertices, snaps to a nearby shape, writes undo records, rebuilds the shape
// after every change and asks the viewer to repaint what changed.
//
// The shapes live in the vector data model, below the viewer: the editor
// reaches the edited shape and the snap layer through the two interfaces
// declared here, which the vector shapes and layers implement.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "platform/graphics/GdiTypes.h"

class TGIS_Viewer;
class TGIS_LayerAbstract;
class TGIS_Editor;

/// Shape kinds as the shape types number them.
enum : int { GIS_EDIT_POINT = 2, GIS_EDIT_MULTIPOINT = 3, GIS_EDIT_ARC = 4, GIS_EDIT_POLYGON = 5 };

/// What the editor needs of the shape it edits.
class TGIS_EditableShape {
public:
  virtual ~TGIS_EditableShape() = default;
  /// One of GIS_EDIT_POINT .. GIS_EDIT_POLYGON.
  virtual int EditKind() const = 0;
  virtual int GetNumParts() const = 0;
  virtual int GetPartSize(int part) const = 0;
  virtual TGIS_Point GetPoint(int part, int index) const = 0;
  /// Empties the geometry and builds it again from these parts (empty parts
  /// are left out).
  virtual void SetParts(const std::vector<std::vector<TGIS_Point>>& parts) = 0;
  virtual TGIS_Extent GetPaintExtent() const = 0;
  /// Marks the shape deleted.
  virtual void Delete() = 0;
  /// The layer holding the shape; null for a shape of its own.
  virtual TGIS_LayerAbstract* EditLayer() const = 0;
  /// Normalises the geometry when an edit ends (the topology's repair).
  virtual void FixShape() = 0;
  /// Draws the vertex marks of the part being edited.
  virtual void DrawEditing(const TGIS_Editor&) {}
  /// The version of the shape that an edit changes: a shape served from a
  /// file becomes its layer's in-memory copy first. The shape itself by
  /// default.
  virtual TGIS_EditableShape* GetEditable() { return this; }
};

/// The layer the editor snaps to.
class TGIS_EditorSnapLayer {
public:
  virtual ~TGIS_EditorSnapLayer() = default;
  /// The visible shape nearest to the point within `margin` map units; null
  /// when none.
  virtual const TGIS_EditableShape* LocateSnapShape(const TGIS_Point& point, double margin) = 0;
};

/// One undo record: u8 1, u8 operation, i32 vertex index, f64 X, f64 Y, all
/// little-endian, packed.
using TGIS_EditorRecord = std::array<std::uint8_t, 22>;

class TGIS_Editor {
public:
  /// Pending operations.
  enum : int { opAdd = 0, opMove = 1, opDelete = 2, opSelect = 3 };

  explicit TGIS_Editor(TGIS_Viewer* viewer) : viewer_(viewer) {}
  virtual ~TGIS_Editor() = default;
  TGIS_Editor(const TGIS_Editor&) = delete;
  TGIS_Editor& operator=(const TGIS_Editor&) = delete;

  TGIS_Viewer* Viewer() const { return viewer_; }

  // ---- published settings ----------------------------------------------------
  /// The smallest drag that counts as a move (twips, or pixels when negative).
  int MinMove() const { return minMove_; }
  void SetMinMove(int v) { minMove_ = v; }
  /// How near a snap target must be (twips, or pixels when negative).
  int SnapMargin() const { return snapMargin_; }
  void SetSnapMargin(int v) { snapMargin_ = v; }
  bool ShowTracking() const { return showTracking_; }
  void SetShowTracking(bool v) { showTracking_ = v; }
  bool ShowFast() const { return showFast_; }
  void SetShowFast(bool v) { showFast_ = v; }
  /// Copies the published settings; the edit under way and the viewer stay.
  virtual void Assign(const TGIS_Editor& source);

  // ---- the edit ---------------------------------------------------------------
  /// Starts editing one part of the shape (its editable version, see
  /// TGIS_EditableShape::GetEditable): remembers the layer's transparency
  /// and reads the part's vertices. A running edit ends first.
  void StartEdit(TGIS_EditableShape* shape, int part);
  /// Finishes editing: transparency back (unless ShowFast), the shape
  /// normalised, the records emptied, the changed area repainted. A shape
  /// that cannot be normalised ends its edit all the same, and the error
  /// passes on.
  virtual void EndEdit();
  virtual bool InEdit() const { return editing_; }
  /// The edited shape draws its vertex marks.
  virtual void DrawEditingPoints();
  /// Count 0, current 0, flags cleared, both record lists emptied.
  void Reset();
  /// The edited shape is being freed by its owner: the edit ends at once,
  /// without touching the shape (no normalising, no repaint). Nothing for
  /// another shape.
  void ShapeFreed(const TGIS_EditableShape* shape);

  void SetSnapLayer(TGIS_EditorSnapLayer* layer) { snapLayer_ = layer; }
  TGIS_EditorSnapLayer* SnapLayer() const { return snapLayer_; }
  /// 0 the nearest vertex, 1 the nearest point on any segment.
  void SetSnapKind(int kind) { snapKind_ = kind; }
  int SnapKind() const { return snapKind_; }

  TGIS_LayerAbstract* GetLayer() const;
  TGIS_EditableShape* Shape() const { return shape_; }
  int Part() const { return part_; }
  /// The current vertex; -1 means before the first one.
  int GetPointIndex() const { return current_; }
  const std::vector<TGIS_Point>& Vertices() const { return vertices_; }
  int PendingOperation() const { return operation_; }

  // ---- the mouse protocol -----------------------------------------------------
  void PointDown(const TPoint& pixel, bool notCtrl);
  void Track();
  void PointUp(const TPoint& pixel);

  /// The snapped form of a map point.
  TGIS_Point SnapPoint(const TGIS_Point& point);

  const std::vector<TGIS_EditorRecord>& UndoRecords() const { return undo_; }
  const std::vector<TGIS_EditorRecord>& RedoRecords() const { return redo_; }

  std::function<void(TGIS_Editor* sender)> OnEditorChange;

  /// How many times EndEdit was asked for (also when idle).
  int EndEditCalls() const { return endEditCalls_; }

private:
  /// The part's vertices as stored: consecutive duplicates skipped, a
  /// polygon's closing vertex left out.
  void ReadPart();
  int NearestVertex(const TGIS_Point& m, double tolerance) const;
  void FindInsertionPlace(const TGIS_Point& m);
  void ApplyOperation();
  void RebuildShape();
  TGIS_Extent WidenedPaintExtent() const;
  void AddRecord(int operation, int index, const TGIS_Point& point);
  double PixelsToMap(int twipsOrPixels) const;

  TGIS_Viewer* viewer_;
  int minMove_ = -5, snapMargin_ = -15;
  bool showTracking_ = true, showFast_ = true;

  TGIS_EditableShape* shape_ = nullptr;
  bool editing_ = false;
  int part_ = 0;
  TGIS_EditorSnapLayer* snapLayer_ = nullptr;
  int snapKind_ = 0;
  std::vector<TGIS_Point> vertices_;
  int current_ = 0;
  int operation_ = opAdd;
  bool hit_ = false;
  TGIS_Point operationPoint_{0, 0};
  TPoint downPixel_;
  bool mouseDown_ = false;
  int transparency_ = 100;
  std::vector<TGIS_EditorRecord> undo_, redo_;
  int endEditCalls_ = 0;
};
