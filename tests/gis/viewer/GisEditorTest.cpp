// The shape editor: mouse sequences (press, track, release in pixels) against
// the vertices they leave, the undo records they write, snapping, an empty
// part being digitised, and the end of an edit. A shape of the test's own
// stands in for the vector shapes.
#include <gtest/gtest.h>

#include "gis/viewer/GisEditor.h"
#include "platform/forms/TestInput.h"
#include "tests/gis/viewer/EditorTestSupport.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

namespace {

class TFakeShape : public TGIS_EditableShape {
public:
  TFakeShape(int kind, std::vector<std::vector<TGIS_Point>> parts,
             TGIS_LayerAbstract* layer = nullptr)
      : kind_(kind), layer_(layer) {
    SetParts(parts);
  }
  int EditKind() const override { return kind_; }
  int GetNumParts() const override { return int(parts_.size()); }
  int GetPartSize(int part) const override { return int(parts_.at(std::size_t(part)).size()); }
  TGIS_Point GetPoint(int part, int index) const override {
    return parts_.at(std::size_t(part)).at(std::size_t(index));
  }
  void SetParts(const std::vector<std::vector<TGIS_Point>>& parts) override {
    // Stored as shapes store them: empty parts left out, rings closed.
    parts_.clear();
    for (const auto& p : parts) {
      if (p.empty()) continue;
      parts_.push_back(p);
      if (kind_ == GIS_EDIT_POLYGON && !GisIsSamePoint(p.front(), p.back()))
        parts_.back().push_back(p.front());
    }
  }
  TGIS_Extent GetPaintExtent() const override {
    TGIS_Extent e{1e300, 1e300, -1e300, -1e300};
    for (const auto& p : parts_)
      for (const TGIS_Point& v : p)
        e = {std::min(e.XMin, v.X), std::min(e.YMin, v.Y), std::max(e.XMax, v.X),
             std::max(e.YMax, v.Y)};
    return parts_.empty() ? TGIS_Extent{0, 0, 0, 0} : e;
  }
  void Delete() override { deleted = true; }
  TGIS_LayerAbstract* EditLayer() const override { return layer_; }
  void FixShape() override { ++fixes; }

  bool deleted = false;
  int fixes = 0;

private:
  int kind_;
  std::vector<std::vector<TGIS_Point>> parts_;
  TGIS_LayerAbstract* layer_;
};

class TFakeSnapLayer : public TGIS_EditorSnapLayer {
public:
  explicit TFakeSnapLayer(TFakeShape* shape) : shape_(shape) {}
  const TGIS_EditableShape* LocateSnapShape(const TGIS_Point& point, double margin) override {
    located.push_back({point, margin});
    return shape_;
  }
  std::vector<std::pair<TGIS_Point, double>> located;

private:
  TFakeShape* shape_;
};

class EditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    layer = form.AddLayer("map", {0, 0, 200, 100}, 0xFFFFFF);
    form.viewer->SetVisibleExtent({0, 0, 200, 100});
    editor = form.viewer->Editor();
  }
  TGIS_Point M(int x, int y) { return form.viewer->ScreenToMap(TPoint(x, y)); }
  std::vector<TGIS_Point> Ms(const std::vector<TPoint>& pixels) {
    std::vector<TGIS_Point> out;
    for (const TPoint& p : pixels)
      out.push_back(M(p.x, p.y));
    return out;
  }
  /// Press at `down`, move when `to` differs, release at `to`.
  void Click(TPoint down, TPoint to, bool ctrl = false) {
    editor->PointDown(down, !ctrl);
    if (!(to == down)) editor->Track();
    editor->PointUp(to);
  }
  void ExpectVertices(const std::vector<TGIS_Point>& expected, const char* what) {
    ASSERT_EQ(editor->Vertices().size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(editor->Vertices()[i].X, expected[i].X, 1e-9) << what << " vertex " << i;
      EXPECT_NEAR(editor->Vertices()[i].Y, expected[i].Y, 1e-9) << what << " vertex " << i;
    }
  }

  TViewerForm form{200, 100};
  TTestLayer* layer = nullptr;
  TGIS_Editor* editor = nullptr;
};

} // namespace

TEST_F(EditorTest, MouseSequencesOnAnOpenLine) {
  struct Row {
    const char* what;
    TPoint down, up;
    bool ctrl;
    std::vector<TPoint> after;
    int current;
    int recordOp; // -1: no record
  };
  const Row rows[] = {
      {"click on a vertex deletes it", {60, 50}, {60, 50}, false, {{20, 50}, {100, 50}}, 1, 2},
      {"ctrl-click only selects", {61, 51}, {61, 51}, true, {{20, 50}, {60, 50}, {100, 50}}, 1, -1},
      {"a 3-pixel drag does nothing",
       {60, 50},
       {63, 50},
       false,
       {{20, 50}, {60, 50}, {100, 50}},
       1,
       -1},
      {"a 10-pixel drag moves", {60, 50}, {70, 50}, false, {{20, 50}, {70, 50}, {100, 50}}, 1, 1},
      {"beside the first vertex: inserted before it",
       {10, 50},
       {10, 50},
       false,
       {{10, 50}, {20, 50}, {60, 50}, {100, 50}},
       0,
       0},
      {"near a segment: inserted after its start",
       {40, 55},
       {40, 55},
       false,
       {{20, 50}, {40, 55}, {60, 50}, {100, 50}},
       1,
       0},
      {"beyond the last vertex: appended",
       {110, 50},
       {110, 50},
       false,
       {{20, 50}, {60, 50}, {100, 50}, {110, 50}},
       3,
       0},
  };
  for (const Row& r : rows) {
    TFakeShape line(GIS_EDIT_ARC, {Ms({{20, 50}, {60, 50}, {100, 50}})});
    editor->StartEdit(&line, 0);
    Click(r.down, r.up, r.ctrl);
    ExpectVertices(Ms(r.after), r.what);
    EXPECT_EQ(editor->GetPointIndex(), r.current) << r.what;
    EXPECT_EQ(line.GetPartSize(0), int(r.after.size())) << r.what << ": the shape is rebuilt";
    if (r.recordOp < 0) {
      EXPECT_TRUE(editor->UndoRecords().empty()) << r.what;
    } else {
      ASSERT_EQ(editor->UndoRecords().size(), 1u) << r.what;
      const TEditorRecord rec = DecodeEditorRecord(editor->UndoRecords()[0]);
      EXPECT_EQ(rec.kind, 1);
      EXPECT_EQ(rec.op, r.recordOp) << r.what;
    }
    editor->EndEdit();
  }
}

TEST_F(EditorTest, UndoRecordsHoldTheIndexAndPoint) {
  TFakeShape line(GIS_EDIT_ARC, {Ms({{20, 50}, {60, 50}, {100, 50}})});
  editor->StartEdit(&line, 0);
  Click({60, 50}, {70, 40});   // move: old - new
  Click({100, 50}, {100, 50}); // delete
  ASSERT_EQ(editor->UndoRecords().size(), 2u);
  EXPECT_EQ(sizeof(TGIS_EditorRecord), 22u);
  const TEditorRecord move = DecodeEditorRecord(editor->UndoRecords()[0]);
  EXPECT_EQ(move.index, 1);
  EXPECT_DOUBLE_EQ(move.x, M(60, 50).X - M(70, 40).X);
  EXPECT_DOUBLE_EQ(move.y, M(60, 50).Y - M(70, 40).Y);
  const TEditorRecord del = DecodeEditorRecord(editor->UndoRecords()[1]);
  EXPECT_EQ(del.op, 2);
  EXPECT_EQ(del.index, 2);
  EXPECT_DOUBLE_EQ(del.x, M(100, 50).X);
  EXPECT_EQ(editor->GetPointIndex(), 1) << "limited to the last vertex";
  EXPECT_TRUE(editor->RedoRecords().empty());
  editor->EndEdit();
}

TEST_F(EditorTest, PolygonsAppendOnTheClosingSegmentAndKeepTheirLastVertex) {
  TFakeShape square(GIS_EDIT_POLYGON, {Ms({{20, 20}, {80, 20}, {80, 80}, {20, 80}})});
  editor->StartEdit(&square, 0);
  ExpectVertices(Ms({{20, 20}, {80, 20}, {80, 80}, {20, 80}}), "the closing vertex is left out");
  Click({22, 50}, {22, 50});
  ExpectVertices(Ms({{20, 20}, {80, 20}, {80, 80}, {20, 80}, {22, 50}}), "appended");
  EXPECT_EQ(square.GetPartSize(0), 6) << "stored closed";

  // The only vertex of a part is never deleted; a point shape gets no new ones.
  TFakeShape lone(GIS_EDIT_ARC, {Ms({{50, 50}})});
  editor->StartEdit(&lone, 0);
  Click({50, 50}, {50, 50});
  EXPECT_EQ(editor->Vertices().size(), 1u);
  EXPECT_TRUE(editor->UndoRecords().empty());
  TFakeShape point(GIS_EDIT_POINT, {Ms({{50, 50}})});
  editor->StartEdit(&point, 0);
  Click({90, 50}, {90, 50});
  EXPECT_EQ(point.GetPartSize(0), 1);
  editor->EndEdit();
}

TEST_F(EditorTest, DigitisingAnEmptyPartAppends) {
  TFakeShape empty(GIS_EDIT_ARC, {});
  editor->StartEdit(&empty, 0);
  EXPECT_TRUE(editor->Vertices().empty());
  Click({30, 30}, {30, 30});
  Click({90, 30}, {90, 30});
  Click({60, 31}, {60, 31});
  ExpectVertices(Ms({{30, 30}, {60, 31}, {90, 30}}), "digitised");
  EXPECT_EQ(empty.GetNumParts(), 1);
  EXPECT_EQ(empty.GetPartSize(0), 3);
  editor->EndEdit();
}

TEST_F(EditorTest, SnappingToTheNearestVertexOrSegmentPoint) {
  TFakeShape target(GIS_EDIT_ARC, {Ms({{10, 90}, {110, 90}})});
  TFakeSnapLayer snap(&target);
  TFakeShape line(GIS_EDIT_ARC, {Ms({{20, 20}, {60, 20}})});
  editor->SetSnapLayer(&snap);
  struct Row {
    int kind;
    TPoint up;
    TPoint expected;
  };
  const Row rows[] = {
      {0, {15, 85}, {10, 90}}, // the vertex within 15 pixels
      {0, {50, 85}, {50, 85}}, // no vertex near: the point stays
      {1, {50, 85}, {50, 90}}, // the nearest point on the segment
      {1, {50, 70}, {50, 70}}, // 20 pixels away: beyond the margin
  };
  for (const Row& r : rows) {
    editor->SetSnapKind(r.kind);
    editor->StartEdit(&line, 0);
    Click({60, 20}, r.up);
    const TGIS_Point expected = M(r.expected.x, r.expected.y);
    EXPECT_NEAR(line.GetPoint(0, 1).X, expected.X, 1e-9)
        << r.kind << " " << r.up.x << "," << r.up.y;
    EXPECT_NEAR(line.GetPoint(0, 1).Y, expected.Y, 1e-9)
        << r.kind << " " << r.up.x << "," << r.up.y;
    EXPECT_NEAR(snap.located.back().second, 15 / form.viewer->Zoom(), 1e-9);
    editor->EndEdit();
    line.SetParts({Ms({{20, 20}, {60, 20}})});
  }
  editor->SetSnapLayer(nullptr);
}

TEST_F(EditorTest, EndingAnEditRestoresTransparencyNormalisesAndNotifies) {
  layer->SetTransparency(40);
  TFakeShape line(GIS_EDIT_ARC, {Ms({{20, 50}, {60, 50}})}, layer);
  int changes = 0;
  editor->OnEditorChange = [&](TGIS_Editor*) { ++changes; };
  editor->SetShowFast(false);
  editor->StartEdit(&line, 0);
  EXPECT_EQ(editor->GetLayer(), layer);
  layer->SetTransparency(70);
  Click({100, 50}, {100, 50});
  EXPECT_EQ(changes, 1);
  editor->EndEdit();
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(editor->InEdit());
  EXPECT_EQ(layer->Transparency(), 40);
  EXPECT_EQ(line.fixes, 1);
  EXPECT_TRUE(editor->UndoRecords().empty());
  EXPECT_EQ(editor->GetLayer(), nullptr);
  // Idle: nothing happens.
  Click({20, 50}, {20, 50});
  EXPECT_EQ(line.GetPartSize(0), 3);
  editor->OnEditorChange = nullptr;
  editor->SetShowFast(true);

  // The viewer's own editor takes settings over, not the edit.
  TGIS_Editor other(form.viewer);
  other.SetMinMove(-9);
  other.SetSnapMargin(-3);
  form.viewer->SetEditor(&other);
  EXPECT_EQ(editor->MinMove(), -9);
  EXPECT_EQ(editor->SnapMargin(), -3);
}

TEST_F(EditorTest, TheWindowInEditModeFeedsTheEditor) {
  TFakeShape line(GIS_EDIT_ARC, {Ms({{20, 50}, {60, 50}, {100, 50}})});
  editor->StartEdit(&line, 0);
  const TShiftState left{TShiftStateItem::ssLeft}, ctrl{TShiftStateItem::ssCtrl};
  struct Row {
    const char* what;
    TGIS_ViewerMode mode;
    TShiftState keys;
    TPoint down, up;
    std::vector<TPoint> after;
    std::size_t records;
  };
  const Row rows[] = {
      {"another mode: nothing",
       gisDrag,
       {},
       {60, 50},
       {60, 50},
       {{20, 50}, {60, 50}, {100, 50}},
       0},
      {"ctrl held: the vertex only becomes current",
       gisEdit,
       ctrl,
       {100, 50},
       {100, 50},
       {{20, 50}, {60, 50}, {100, 50}},
       0},
      {"a drag moves the vertex",
       gisEdit,
       {},
       {60, 50},
       {60, 62},
       {{20, 50}, {60, 62}, {100, 50}},
       1},
      {"a click deletes it", gisEdit, {}, {60, 62}, {60, 62}, {{20, 50}, {100, 50}}, 2},
  };
  for (const Row& r : rows) {
    form.viewer->SetMode(r.mode);
    TestInput::MouseDown(form.viewer, TMouseButton::mbLeft, r.down.x, r.down.y, r.keys);
    if (!(r.up == r.down)) TestInput::MouseMove(form.viewer, r.up.x, r.up.y, r.keys + left);
    TestInput::MouseUp(form.viewer, TMouseButton::mbLeft, r.up.x, r.up.y, r.keys);
    ExpectVertices(Ms(r.after), r.what);
    EXPECT_EQ(editor->UndoRecords().size(), r.records) << r.what;
  }
  EXPECT_EQ(editor->GetPointIndex(), 1);
  editor->EndEdit();
  form.viewer->SetMode(gisSelect);
}
