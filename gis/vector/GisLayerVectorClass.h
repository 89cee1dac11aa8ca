// TGIS_LayerVector: the base of every vector layer and an in-memory layer in
// its own right (part of the GisLayerVector module; see GisLayerVector.h).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisFieldInfo.h"
#include "gis/core/GisParamsQuery.h"
#include "gis/core/GisRTree.h"
#include "gis/vector/GisShape.h"
#include "gis/viewer/GisViewerLayer.h"
#include "platform/graphics/GdiTypes.h"

/// Virtual field numbers.
inline constexpr int GIS_FIELD_ID_UID = 100000;
inline constexpr int GIS_FIELD_ID_SELECTED = 100001;
inline constexpr int GIS_FIELD_ID_AREA = 100002;
inline constexpr int GIS_FIELD_ID_LENGTH = 100003;
inline constexpr int GIS_FIELD_ID_JOINED = 10000;

/// Replaces the drawing of one shape, its label or its chart.
using TGIS_ShapePaintEvent = std::function<void(TGIS_Viewer* viewer, TGIS_Shape* shape)>;
/// Sees each placement of a label, position by position in the order they
/// are tried, and may move the origin or the label's local rectangle (pixels).
using TGIS_PlaceLabelEvent =
    std::function<void(TGIS_Viewer* viewer, TGIS_Shape* shape, TGIS_LabelPosition position,
                       TPoint& origin, TRect& rect)>;

class TGIS_LayerVector : public TGIS_LayerAbstract,
                         public TGIS_SqlFieldSource,
                         public TGIS_FieldOwner,
                         public TGIS_EditorSnapLayer {
public:
  TGIS_LayerVector();
  ~TGIS_LayerVector() override;

  // ---- settings -------------------------------------------------------------
  const std::string& Scope() const { return scope_; }
  void SetScope(const std::string& v) { scope_ = v; }
  const TGIS_Extent& ScopeExtent() const { return scopeExtent_; }
  void SetScopeExtent(const TGIS_Extent& v) { scopeExtent_ = v; }
  TGIS_ShapeTypes SupportedShapes() const { return supportedShapes_; }
  void SetSupportedShapes(TGIS_ShapeTypes v) { supportedShapes_ = v; }
  TGIS_ShapeType DefaultShapeType() const { return defaultShapeType_; }
  void SetDefaultShapeType(TGIS_ShapeType type);
  const std::string& JoinPrimary() const { return joinPrimary_; }
  void SetJoinPrimary(const std::string& v) { joinPrimary_ = v; }
  const std::string& JoinForeign() const { return joinForeign_; }
  void SetJoinForeign(const std::string& v) { joinForeign_ = v; }
  /// The R-tree in use, nullptr when none.
  TGIS_RTree* RTree() const { return rtree_.get(); }
  /// The in-memory shapes in ascending UID order.
  int ShapeCount() const { return static_cast<int>(shapes_.size()); }
  TGIS_Shape* ShapeAt(int position) const { return shapes_[position].get(); }

  // ---- the root's virtual operations ------------------------------------------------
  void Open() override;
  void AfterOpen() override;
  void ReadConfig(TGIS_Ini& ini) override;
  void WriteConfig(TGIS_Ini& ini) override;
  // ---- drawing (GisLayerVectorDraw.cpp) ---------------------------------------------
  /// Draws the shapes of the drawing extent, each with the section chosen
  /// for it, thematic styles applied; with LabelsOnTop and the viewer's
  /// overlays also their charts and labels. True when any shape was drawn.
  bool DrawDefault() override;
  /// The shape under edit in the viewer's editor draws its vertex labels.
  void DrawEditor() override;
  /// Nothing without a viewer or with zoom 0; else the root's rule.
  void DrawLabels() override;
  void DrawCharts() override;
  /// The label and chart passes; they have work only when the shape pass
  /// found some (or the target is a device context). True when any label or
  /// chart was drawn.
  bool DrawLabelsDefault() override;
  bool DrawChartsDefault() override;
  void DiscardChanges() override;
  void SaveData() override;
  bool IsModified() const override;
  void RecalcExtent() override;
  bool CanLocate() const override { return true; }
  void ApplyIndexSetting() override;
  bool HoldsSelectedShape() const override;

  // ---- new virtual operations -----------------------------------------------------
  virtual TGIS_ShapeType GetDefaultShapeType() const;
  virtual std::string GetIndexPath() const { return ""; }
  virtual bool IsIndexed() const { return indexed_; }
  virtual void SetIndexed(bool on);
  virtual void CursorFirst(const TGIS_Extent& extent, const std::string& query, bool skipDeleted,
                           const std::string& pattern, TGIS_Shape* shape);
  virtual void CursorNext();
  virtual bool CursorEof() const;
  virtual TGIS_Shape* CursorShape() const;
  virtual bool FindUidIndex(std::int32_t uid, int& position) const;
  virtual Variant FetchFieldValue(std::int32_t uid, const std::string& storedName);
  virtual Variant ReadFieldValue(TGIS_Shape* shape, int index);
  int FindField(const std::string& name) override;
  virtual int FindFieldByStoredName(const std::string& name);
  Variant GetFieldValue(TGIS_ShapeAbstract* shape, int number) override;
  virtual bool MatchesFilter(TGIS_Shape* shape);
  /// Prepares a new empty layer; the base ignores the shape type (writers use it).
  virtual void Build(const std::string& path, const TGIS_Extent& extent,
                     TGIS_ShapeType shapeType = gisShapeTypeUnknown);
  virtual void ImportStructure(TGIS_LayerVector& layer);
  virtual void ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                           TGIS_ShapeType shapeType, const std::string& query, bool clip);
  virtual void MoveFirst(const TGIS_Extent& extent, const std::string& query = "",
                         bool skipDeleted = true, const std::string& pattern = "",
                         TGIS_Shape* shape = nullptr);
  virtual void MoveNext();
  virtual bool Eof() const { return CursorEof(); }
  virtual TGIS_Shape* FindFirst(const TGIS_Extent& extent, const std::string& query = "",
                                bool skipDeleted = true, const std::string& pattern = "",
                                TGIS_Shape* shape = nullptr);
  virtual TGIS_Shape* GetCurrentShape() const { return CursorShape(); }
  virtual TGIS_Shape* GetShape(std::int32_t uid);
  virtual std::int32_t GetLastUid() const;
  virtual std::int32_t GetNewUid() const { return GetLastUid() + 1; }
  virtual Variant GetFieldByUid(std::int32_t uid, const std::string& name);
  virtual Variant GetFieldByUidEx(std::int32_t uid, const std::string& name);
  virtual void DeleteShape(std::int32_t uid);
  virtual void RevertShape(std::int32_t uid);
  virtual void RevertAll();
  virtual void Deselect(std::int32_t uid);
  virtual void DeselectAll();
  /// The shape nearest to the point within the precision (LocateEx with no
  /// UID excluded), or nullptr.
  virtual TGIS_Shape* Locate(const TGIS_Point& point, double precision, bool visibleOnly = false);
  /// The shape nearest to the point within the precision, skipping the UID
  /// `uid`; a polygon holding the point wins over shapes merely near it.
  /// distance, part and proj (the nearest point) describe the best
  /// candidate; nullptr (distance 1.7e308 when nothing was near) otherwise.
  virtual TGIS_Shape* LocateEx(const TGIS_Point& point, double precision, int uid, double& distance,
                               int& part, TGIS_Point& proj, bool visibleOnly = false);
  TGIS_ShapeAbstract* LocateShape(const TGIS_Point& point, double precision, bool visibleOnly,
                                  double& distance) override;
  /// The editor's snap target: the visible shape nearest to the point within
  /// the margin (LocateEx with no UID excluded), or nullptr.
  const TGIS_EditableShape* LocateSnapShape(const TGIS_Point& point, double margin) override;
  /// The section a shape is drawn or located with: the last active section
  /// whose query holds for it, made current. nullptr when none holds;
  /// endPass is set when that section is the only one, has no query and is
  /// invisible (nothing of the layer is shown).
  TGIS_ParamsSectionVector* ChooseParamsSection(TGIS_Shape& shape, bool& endPass);
  virtual int FindFieldIndex(const std::string& name);
  int FindFieldIndexByStoredName(const std::string& name) override;
  virtual void AddField(const std::string& name, std::uint8_t type, int width, int decimals);
  void AddFieldEx(const std::string& name, std::uint8_t type, int width, int decimals, bool stored,
                  int binaryWidth) override;
  virtual void ChangeField(const std::string& name, const std::string& newName, int width,
                           int decimals);
  virtual void DeleteField(const std::string& name);
  TGIS_FieldInfo* GetFieldInfo(int index) override;
  virtual void PrepareExportNames(int maxLength, bool all = true);

  // ---- non-virtual operations ------------------------------------------------------------
  /// Replace the shape's own Draw, DrawLabel and DrawChart when set.
  TGIS_ShapePaintEvent PaintShapeHook, PaintShapeLabelHook, PaintShapeChartHook;
  /// Asked with every label placement (TGIS_Shape::DrawLabel).
  TGIS_PlaceLabelEvent PlaceLabelHook;
  /// Thematic rendering of the current section for a shape (for `value`
  /// when shape is nullptr): puts the computed size and colour into the
  /// style values holding GIS_RENDER_SIZE or GIS_RENDER_COLOR and the chart
  /// expressions' values into the chart. False when the shape must not be
  /// drawn: the expression failed, or gave a size or colour that is no
  /// number, while the defaults are the render markers themselves.
  bool ApplyRender(TGIS_Shape* shape, double value);
  /// Undoes ApplyRender: the styles it changed and the section's change
  /// counter are as before.
  void RestoreRenderedStyles();
  /// One shape: its drawing, then, with LabelsOnTop and the viewer's
  /// overlays in use, its chart and label into the overlays.
  void DrawShape(TGIS_Shape* shape);
  /// Whether the label and chart passes have work; whether a pass runs.
  bool LabelsPending() const { return labelsPending_; }
  bool ChartsPending() const { return chartsPending_; }
  bool IsDrawing() const { return drawing_; }
  /// Empties the shape list, the cursor, the pending list and the search.
  void ClearShapes();
  /// Empties the field list and the name caches.
  void ClearFields() override;
  int FieldCount() const override { return static_cast<int>(fields_.size()); }
  int GetCodePage() const override { return TGIS_LayerAbstract::GetCodePage(); }
  int GetOutCodePage() const override { return TGIS_LayerAbstract::GetOutCodePage(); }
  Variant ShapeFieldValue(TGIS_ShapeAbstract* shape, const std::string& name) override;
  TGIS_ParamsSectionVector& GetParamsSection();
  /// A new shape of the type (0: the default type), or nullptr.
  TGIS_Shape* CreateShape(TGIS_ShapeType type = gisShapeTypeUnknown);
  TGIS_Shape* AddShapeCopy(TGIS_Shape& shape, bool copyFields);
  TGIS_Shape* FindEditedShape(TGIS_Shape* shape);
  TGIS_Shape* FindNext();
  void QueueMemoryShapes();
  void UnqueueShape(TGIS_Shape* shape);
  TGIS_Shape* PopQueuedShape();

protected:
  // Shared by the cursor, the filter and the format layers.
  const TGIS_Extent& CursorExtent() const { return cursorExtent_; }
  const std::string& CursorQueryText() const { return cursorQueryText_; }
  bool CursorSkipDeleted() const { return cursorSkipDeleted_; }
  /// For a layer that reads its file itself, once the file is done: the next
  /// shape added in memory, the cursor already past it (edited copies of file
  /// shapes are passed over: they came with their records); null at the end.
  TGIS_Shape* NextNewShape();
  /// For a layer that reads its file itself: the UID of the last shape of a
  /// pass over the whole layer, deleted ones included (0 when empty).
  std::int32_t ScanLastUid() const;
  /// Appends a shape made by this layer (UID above every listed one).
  TGIS_Shape* AppendShape(std::unique_ptr<TGIS_Shape> shape);
  /// A progress step of a long pass through the viewer (none without one).
  void BusyShake(int pos, int end, bool& abort);
  /// Forgets the name lookups (after field names changed in place).
  void FreeNameCaches();

private:
  friend class TGIS_Shape;
  /// Inserts an edited copy at its sorted place; moves the raw cursor along.
  TGIS_Shape* InsertEditedCopy(std::unique_ptr<TGIS_Shape> copy, const TGIS_Shape* source);
  /// Removes and frees the shape at a position, clearing every reference.
  void RemoveShapeAt(int position);
  /// A shape about to be freed (nullptr: the edited shape of this layer,
  /// if any) leaves the viewer's editor.
  void ReleaseEditedShape(const TGIS_Shape* shape);
  int FindInCache(const std::string& name, bool stored);
  bool PassesExtent(TGIS_Shape* shape);
  /// The filter's search extent widened by the paint margins of the layer's
  /// style (as GetPaintExtent widens a shape drawn with it): every shape of
  /// that style whose paint extent meets the search extent has a bare
  /// extent that meets this one.
  TGIS_Extent PaintSearchExtent();
  /// Asks the memory for the in-memory shapes of the next hits of FindNext.
  void PrefetchFoundShapes() const;
  void BuildFreshIndex(bool& abort);
  void RefreshIndex(bool& abort);
  void ImportShapes(TGIS_LayerVector& other, const TGIS_Extent& extent, TGIS_ShapeType shapeType,
                    const std::string& query, bool clip);
  // Drawing (GisLayerVectorDraw.cpp).
  /// The label pass (labels) or the chart pass.
  bool DrawOverlayPass(bool labels);
  /// The shape the viewer's editor edits in this layer; nullptr when none.
  TGIS_Shape* EditedShape() const;
  /// The shape is the edited one (or its UID's other copy).
  bool IsEditedShape(const TGIS_Shape& shape) const;
  /// Puts the rendered size and colour into the style values of the current
  /// section that hold the render markers, saving each changed object first.
  void ApplyRenderedStyles(std::int32_t size, std::uint32_t color);
  /// Calls `body` for every shape of the drawing extent whose chosen section
  /// is visible; polls the hourglass at shapes 1, 1001 ... and stops when it
  /// reports an interrupt, when an incremental paint leaves this layer out,
  /// or when a lone section without query is invisible.
  void ForEachDrawnShape(const std::function<void(TGIS_Shape&)>& body);

  std::string scope_;
  TGIS_Extent scopeExtent_{1, 1, -1, -1};
  std::vector<std::unique_ptr<TGIS_Shape>> shapes_;
  std::vector<std::unique_ptr<TGIS_FieldInfo>> fields_;
  TGIS_ShapeType defaultShapeType_ = gisShapeTypeUnknown;
  std::string joinPrimary_, joinForeign_;
  TGIS_Shape* current_ = nullptr;
  int position_ = -1;
  std::unique_ptr<TGIS_SqlQueryAbstract> query_;
  /// A sorted, case-insensitive table of names with their positions; it
  /// remembers the position it returned last.
  struct TNameCache {
    std::vector<std::pair<std::string, int>> Entries; // upper-cased name, position
    int Last = -1;
  };
  std::unique_ptr<TNameCache> nameCache_, storedNameCache_;
  TGIS_ShapeTypes supportedShapes_ = 0;
  bool indexed_ = false;
  std::unique_ptr<TGIS_RTree> rtree_;
  TGIS_Extent cursorExtent_{1, 1, -1, -1};
  std::string cursorQueryText_;
  TGIS_Shape* relationShape_ = nullptr;
  std::string relationPattern_;
  bool cursorSkipDeleted_ = false;
  bool scopeDisjoint_ = false;
  bool lastImportAborted_ = false;
  std::unique_ptr<TGIS_RelateEngine> topology_;
  std::vector<TGIS_Shape*> pending_;
  // Drawing: what the passes have to do, and the styles that thematic
  // rendering changed (line, area, marker, label, chart) with the change
  // counters to go back to.
  bool labelsPending_ = false, chartsPending_ = false, drawing_ = false;
  struct TSavedStyle {
    std::unique_ptr<TGIS_ParamsAbstract> Copy;
    bool Saved = false;
    std::int32_t Serial = 0;
  };
  std::array<TSavedStyle, 5> savedStyles_;
  std::int32_t savedSectionSerial_ = 0;
  // FindFirst: the R-tree mode and the UIDs still to visit.
  bool findUsesRTree_ = false;
  std::vector<std::int32_t> findUids_;
  /// Set once a shape of this layer took a style of its own (sticky): the
  /// R-tree search then also visits the in-memory shapes that hold one.
  bool ownStyles_ = false;
  std::size_t findNext_ = 0;
};
