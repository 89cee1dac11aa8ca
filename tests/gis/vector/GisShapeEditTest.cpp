// The shape editor on the vector shapes of a layer in a viewer window: mouse
// sequences of the window's edit mode (press, move, release in pixels) on
// points, multipoints, lines and polygons, the undo records they write, the
// geometry the layer keeps afterwards with its extent and index entry,
// snapping against GEOS's nearest points, digitising an empty shape, the
// normalising at the end of an edit, and shapes or layers that go while
// they are edited.
#include <gtest/gtest.h>

#include "platform/rtl/Strings.h"
#include "LayerDrawTestSupport.h"
#include "ShapeTestSupport.h"
#include "gis/vector/GisTopology.h"
#include "platform/forms/TestInput.h"
#include "tests/gis/viewer/EditorTestSupport.h"

namespace {

/// A part without the closing vertex of a polygon ring.
std::vector<TGIS_Point> Open(std::vector<TGIS_Point> part, TGIS_ShapeType type) {
  if (type == gisShapeTypePolygon && part.size() > 1) part.pop_back();
  return part;
}

/// The same ring, whichever vertex it starts at (the topology engine may
/// write a ring from another start).
bool SameRing(const std::vector<TGIS_Point>& a, const std::vector<TGIS_Point>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t shift = 0; shift < a.size(); ++shift) {
    bool same = true;
    for (std::size_t i = 0; i < a.size() && same; ++i)
      same = GisIsSamePoint(a[(i + shift) % a.size()], b[i]);
    if (same) return true;
  }
  return false;
}

class ShapeEdit : public ::testing::Test {
protected:
  void SetUp() override {
    GisSetTopologyFactory(nullptr);
    f.layer->SetIndexed(true);
    f.viewer().SetMode(gisEdit);
  }
  void TearDown() override {
    if (editor()->InEdit()) editor()->EndEdit();
    GisSetTopologyFactory(nullptr);
  }

  TGIS_Editor* editor() { return f.viewer().Editor(); }
  TGIS_Point M(TPoint p) { return f.viewer().ScreenToMap(p); }
  std::vector<TGIS_Point> Ms(const std::vector<TPoint>& pixels) {
    std::vector<TGIS_Point> out;
    for (const TPoint& p : pixels)
      out.push_back(M(p));
    return out;
  }
  std::vector<std::vector<TGIS_Point>> Parts(const std::vector<std::vector<TPoint>>& parts) {
    std::vector<std::vector<TGIS_Point>> out;
    for (const auto& part : parts)
      out.push_back(Ms(part));
    return out;
  }
  /// The shape under a pixel, as the viewer locates it.
  TGIS_Shape* LocateAt(TPoint p) {
    return dynamic_cast<TGIS_Shape*>(f.viewer().Locate(M(p), 3 / f.viewer().Zoom(), true));
  }
  /// Press at `down`, move when `up` differs, release at `up`, through the
  /// window's mouse messages.
  void Mouse(TPoint down, TPoint up, bool ctrl = false) {
    const TShiftState keys = ctrl ? TShiftState{TShiftStateItem::ssCtrl} : TShiftState{};
    TestInput::MouseDown(&f.viewer(), TMouseButton::mbLeft, down.x, down.y, keys);
    if (!(up == down))
      TestInput::MouseMove(&f.viewer(), up.x, up.y, keys + TShiftState{TShiftStateItem::ssLeft});
    TestInput::MouseUp(&f.viewer(), TMouseButton::mbLeft, up.x, up.y, keys);
  }
  /// A part as the layer holds it.
  std::vector<TGIS_Point> Stored(std::int32_t uid, int part) {
    TGIS_Shape* s = f.layer->GetShape(uid);
    std::vector<TGIS_Point> out;
    if (s == nullptr || part >= s->GetNumParts()) return out;
    for (int i = 0; i < s->GetPartSize(part); ++i)
      out.push_back(s->GetPoint(part, i));
    return Open(out, s->ShapeType());
  }
  void ExpectPoints(const std::vector<TGIS_Point>& got, const std::vector<TGIS_Point>& expected,
                    const std::string& what) {
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(got[i].X, expected[i].X, 1e-9) << what << ", vertex " << i;
      EXPECT_NEAR(got[i].Y, expected[i].Y, 1e-9) << what << ", vertex " << i;
    }
  }

  TPassFixture f{300, 200};
};

} // namespace

TEST_F(ShapeEdit, MouseSequencesOnEveryShapeKind) {
  using TParts = std::vector<std::vector<TPoint>>;
  const TParts line{{{40, 100}, {120, 100}, {200, 100}}};
  const TParts square{{{60, 40}, {160, 40}, {160, 140}, {60, 140}}};
  const TParts rings{square[0], {{200, 60}, {260, 60}, {260, 120}}};
  const TParts points{{{40, 40}, {80, 40}, {120, 40}}};
  const TParts point{{{150, 170}}};
  struct Row {
    const char* what;
    TGIS_ShapeType type;
    TParts parts;
    int part;
    TPoint down, up;
    bool ctrl;
    std::vector<TPoint> after; // the edited part, rings without their closing vertex
    int current;
    int op; // the undo record's operation; -1: none
  };
  const Row rows[] = {
      {"line: a click on a vertex deletes it",
       gisShapeTypeArc,
       line,
       0,
       {120, 100},
       {120, 100},
       false,
       {{40, 100}, {200, 100}},
       1,
       2},
      {"line: a ctrl click only selects",
       gisShapeTypeArc,
       line,
       0,
       {121, 101},
       {121, 101},
       true,
       line[0],
       1,
       -1},
      {"line: a 3-pixel drag does nothing",
       gisShapeTypeArc,
       line,
       0,
       {120, 100},
       {123, 100},
       false,
       line[0],
       1,
       -1},
      {"line: a 10-pixel drag moves",
       gisShapeTypeArc,
       line,
       0,
       {120, 100},
       {130, 100},
       false,
       {{40, 100}, {130, 100}, {200, 100}},
       1,
       1},
      {"line: beside the first vertex a new one goes before it",
       gisShapeTypeArc,
       line,
       0,
       {30, 100},
       {30, 100},
       false,
       {{30, 100}, {40, 100}, {120, 100}, {200, 100}},
       0,
       0},
      {"line: near a segment a new vertex goes after its start",
       gisShapeTypeArc,
       line,
       0,
       {80, 106},
       {80, 106},
       false,
       {{40, 100}, {80, 106}, {120, 100}, {200, 100}},
       1,
       0},
      {"line: beyond the last vertex it is appended",
       gisShapeTypeArc,
       line,
       0,
       {215, 100},
       {215, 100},
       false,
       {{40, 100}, {120, 100}, {200, 100}, {215, 100}},
       3,
       0},
      {"polygon: near the closing segment it is appended",
       gisShapeTypePolygon,
       square,
       0,
       {64, 90},
       {64, 90},
       false,
       {{60, 40}, {160, 40}, {160, 140}, {60, 140}, {64, 90}},
       4,
       0},
      {"polygon: a click on a vertex deletes it",
       gisShapeTypePolygon,
       square,
       0,
       {160, 140},
       {160, 140},
       false,
       {{60, 40}, {160, 40}, {60, 140}},
       2,
       2},
      {"polygon: the second ring moves a vertex, the first stays",
       gisShapeTypePolygon,
       rings,
       1,
       {260, 120},
       {270, 130},
       false,
       {{200, 60}, {260, 60}, {270, 130}},
       2,
       1},
      {"multipoint: a click on a point deletes it",
       gisShapeTypeMultiPoint,
       points,
       0,
       {80, 40},
       {80, 40},
       false,
       {{40, 40}, {120, 40}},
       1,
       2},
      {"multipoint: a new point follows the nearest end",
       gisShapeTypeMultiPoint,
       points,
       0,
       {200, 40},
       {200, 40},
       false,
       {{40, 40}, {80, 40}, {120, 40}, {200, 40}},
       3,
       0},
      {"point: a 10-pixel drag moves it",
       gisShapeTypePoint,
       point,
       0,
       {150, 170},
       {160, 175},
       false,
       {{160, 175}},
       0,
       1},
      {"point: no second vertex",
       gisShapeTypePoint,
       point,
       0,
       {100, 170},
       {100, 170},
       false,
       point[0],
       -1,
       -1},
      {"point: its only vertex stays",
       gisShapeTypePoint,
       point,
       0,
       {150, 170},
       {150, 170},
       false,
       point[0],
       0,
       -1},
  };
  for (const Row& r : rows) {
    TGIS_Shape* shape = f.layer->AddShape(r.type, Parts(r.parts));
    const std::int32_t uid = shape->Uid();
    ASSERT_EQ(LocateAt(r.parts[std::size_t(r.part)][0]), shape) << r.what;
    editor()->StartEdit(LocateAt(r.parts[std::size_t(r.part)][0]), r.part);
    ASSERT_EQ(editor()->Shape(), shape) << r.what;
    Mouse(r.down, r.up, r.ctrl);

    ExpectPoints(editor()->Vertices(), Ms(r.after), r.what);
    EXPECT_EQ(editor()->GetPointIndex(), r.current) << r.what;
    if (r.op < 0) {
      EXPECT_TRUE(editor()->UndoRecords().empty()) << r.what;
    } else {
      ASSERT_EQ(editor()->UndoRecords().size(), 1u) << r.what;
      EXPECT_EQ(DecodeEditorRecord(editor()->UndoRecords()[0]).op, r.op) << r.what;
    }
    // The shape itself changed at once, in the layer.
    ExpectPoints(Stored(uid, r.part), Ms(r.after), std::string(r.what) + " (while editing)");
    editor()->EndEdit();
    EXPECT_FALSE(editor()->InEdit());

    // Read back through the layer after the edit: the edited part (a ring
    // may start elsewhere after normalising) and every other part.
    const std::vector<TGIS_Point> stored = Stored(uid, r.part);
    if (r.type == gisShapeTypePolygon)
      EXPECT_TRUE(SameRing(stored, Ms(r.after))) << r.what;
    else
      ExpectPoints(stored, Ms(r.after), std::string(r.what) + " (after)");
    for (std::size_t p = 0; p < r.parts.size(); ++p)
      if (int(p) != r.part) {
        EXPECT_TRUE(SameRing(Stored(uid, int(p)), Ms(r.parts[p]))) << r.what;
      }
    f.layer->GetShape(uid)->Delete(); // out of the way of the next row
  }
}

TEST_F(ShapeEdit, UndoRecordsHoldOldMinusNewAndWhatWasAddedOrRemoved) {
  TGIS_Shape* line = f.layer->AddShape(gisShapeTypeArc, {Ms({{40, 100}, {120, 100}, {200, 100}})});
  editor()->StartEdit(line, 0);
  Mouse({120, 100}, {131, 93});  // move vertex 1
  Mouse({200, 100}, {200, 100}); // delete vertex 2
  Mouse({30, 100}, {30, 100});   // add before vertex 0
  ASSERT_EQ(editor()->UndoRecords().size(), 3u);
  EXPECT_EQ(sizeof(TGIS_EditorRecord), 22u);
  struct Expected {
    int op, index;
    TGIS_Point p;
  };
  const Expected expected[] = {
      {1, 1, {M({120, 100}).X - M({131, 93}).X, M({120, 100}).Y - M({131, 93}).Y}},
      {2, 2, M({200, 100})},
      {0, 0, M({30, 100})},
  };
  for (std::size_t i = 0; i < 3; ++i) {
    const TEditorRecord r = DecodeEditorRecord(editor()->UndoRecords()[i]);
    EXPECT_EQ(r.kind, 1) << i;
    EXPECT_EQ(r.op, expected[i].op) << i;
    EXPECT_EQ(r.index, expected[i].index) << i;
    EXPECT_EQ(r.x, expected[i].p.X) << i;
    EXPECT_EQ(r.y, expected[i].p.Y) << i;
  }
  EXPECT_TRUE(editor()->RedoRecords().empty());
  ExpectPoints(Stored(line->Uid(), 0), Ms({{30, 100}, {40, 100}, {131, 93}}), "the line");
  editor()->EndEdit();
  EXPECT_TRUE(editor()->UndoRecords().empty()) << "an edit's records go with it";
}

TEST_F(ShapeEdit, TheLayerKeepsTheEditedGeometryWithItsExtentAndIndex) {
  // The layer's extent is the window's: the drags go beyond it.
  f.layer->SetExtent({M({0, 200}).X, M({0, 200}).Y, M({200, 0}).X, M({200, 0}).Y});
  TGIS_Shape* point = f.layer->AddShape(gisShapeTypePoint, {Ms({{150, 170}})});
  TGIS_Shape* square =
      f.layer->AddShape(gisShapeTypePolygon, {Ms({{60, 40}, {160, 40}, {160, 140}, {60, 140}})});
  ASSERT_NE(f.layer->RTree(), nullptr);
  f.layer->SetModified(false);
  const TGIS_Extent oldPoint{M({150, 170}).X - 1, M({150, 170}).Y - 1, M({150, 170}).X + 1,
                             M({150, 170}).Y + 1};

  editor()->StartEdit(point, 0);
  Mouse({150, 170}, {250, 30});
  editor()->EndEdit();
  editor()->StartEdit(square, 0);
  Mouse({160, 140}, {280, 180});
  editor()->EndEdit();

  const TGIS_Point p = M({250, 30}), corner = M({280, 180});
  EXPECT_TRUE(f.layer->IsModified());
  for (const TGIS_Point& q : {p, corner}) {
    EXPECT_LE(f.layer->Extent().XMin, q.X);
    EXPECT_GE(f.layer->Extent().XMax, q.X) << "the layer's extent grew";
    EXPECT_GE(f.layer->Extent().YMax, q.Y);
    EXPECT_LE(f.layer->Extent().YMin, q.Y);
  }
  TGIS_RTree& tree = *f.layer->RTree();
  EXPECT_EQ(tree.FindFirst({p.X - 1, p.Y - 1, p.X + 1, p.Y + 1}, point->Uid()), point->Uid());
  EXPECT_EQ(tree.FindFirst(oldPoint, point->Uid()), -1) << "the old entry is gone";
  EXPECT_EQ(tree.FindFirst({corner.X - 1, corner.Y - 1, corner.X + 1, corner.Y + 1}, square->Uid()),
            square->Uid());
  // The layer finds them where they are now, and nothing where the point was.
  EXPECT_EQ(LocateAt({250, 30}), point);
  EXPECT_EQ(LocateAt({278, 178}), square);
  EXPECT_EQ(LocateAt({150, 170}), nullptr);
  EXPECT_EQ(f.layer->GetShape(square->Uid())->GetExtent().XMax, corner.X);
}

TEST_F(ShapeEdit, AShapeServedFromAFileIsEditedAsItsLayersCopy) {
  // A shape as a format layer serves it: mapped geometry, a UID of the file,
  // not in the layer's list.
  TGIS_ShapeArc built(nullptr, {}, false, 0, nullptr);
  built.AddPart();
  for (const TGIS_Point& v : Ms({{40, 60}, {120, 60}, {200, 60}}))
    built.AddPoint(v);
  const std::vector<std::uint8_t> blob = built.GetGeometryBlob();
  TGIS_ShapeArc served(nullptr, std::span<const std::uint8_t>(blob.data(), blob.size() - 1), true,
                       500, f.layer);
  ASSERT_TRUE(served.IsMapped());
  ASSERT_EQ(f.layer->GetShape(500), nullptr);

  editor()->StartEdit(&served, 0);
  TGIS_Shape* copy = f.layer->GetShape(500);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(editor()->Shape(), copy);
  EXPECT_TRUE(copy->IsInMemory());
  Mouse({120, 60}, {120, 60});
  editor()->EndEdit();
  ExpectPoints(Stored(500, 0), Ms({{40, 60}, {200, 60}}), "the layer's copy");
  EXPECT_EQ(served.GetPartSize(0), 3) << "the file's shape is untouched";
}

TEST_F(ShapeEdit, SnappingFollowsGeosNearestPoints) {
  // The snap layer holds one shape per table row; the edited line lies
  // elsewhere. The margin is the editor's 15 pixels at one unit per pixel.
  auto* snap = new TPassLayer;
  snap->SetName("snaps");
  snap->Open();
  f.viewer().Add(snap);
  ASSERT_DOUBLE_EQ(f.viewer().Zoom(), 1);
  TGIS_Shape* line = f.layer->AddShape(gisShapeTypeArc, {Ms({{10, 10}, {20, 10}})});
  editor()->StartEdit(line, 0);
  editor()->SetSnapLayer(snap);

  const auto rows = OracleTable("snaps.txt");
  ASSERT_EQ(rows.size(), 300u);
  int snapped[2] = {0, 0};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE("row " + IntToStr(k + 1));
    TOracleRow row = rows[k];
    const auto type = TGIS_ShapeType(int(row.Next()));
    TGIS_Shape* target = snap->AddShape(type, row.NextParts());
    const TGIS_Point q = row.NextPoint();
    for (int kind = 0; kind < 2; ++kind) {
      const TGIS_Point expected = row.NextPoint();
      editor()->SetSnapKind(kind);
      const TGIS_Point got = editor()->SnapPoint(q);
      EXPECT_NEAR(got.X, expected.X, 1e-9) << "kind " << kind;
      EXPECT_NEAR(got.Y, expected.Y, 1e-9) << "kind " << kind;
      snapped[kind] += !GisIsSamePoint(expected, q);
    }
    target->Delete();
  }
  EXPECT_GT(snapped[0], 30);
  EXPECT_GT(snapped[1], snapped[0]) << "points on segments are nearer than vertices";

  // Released near a vertex of a shape of the snap layer, a dragged vertex
  // lands on it exactly, and stays there in the layer.
  TGIS_Shape* target = snap->AddShape(gisShapeTypeArc, {Ms({{100, 150}, {200, 150}})});
  editor()->SetSnapKind(0);
  Mouse({20, 10}, {195, 144});
  EXPECT_TRUE(GisIsSamePoint(editor()->Vertices()[1], target->GetPoint(0, 1)));
  editor()->EndEdit();
  EXPECT_TRUE(GisIsSamePoint(Stored(line->Uid(), 0)[1], target->GetPoint(0, 1)));
  editor()->SetSnapLayer(nullptr);
}

TEST_F(ShapeEdit, AnEmptyShapeIsDigitisedVertexByVertex) {
  // The edited part holds no vertex yet: there is no first or last vertex to
  // measure against, and each click appends.
  for (const TGIS_ShapeType type : {gisShapeTypeArc, gisShapeTypePolygon}) {
    TGIS_Shape* shape = f.layer->CreateShape(type);
    editor()->StartEdit(shape, 0);
    EXPECT_TRUE(editor()->Vertices().empty());
    Mouse({30, 30}, {30, 30});
    EXPECT_EQ(shape->GetNumParts(), 1);
    Mouse({90, 30}, {90, 30}); // appended: two vertices at most
    Mouse({60, 80}, {60, 80}); // then inserted after the nearest segment's start
    editor()->EndEdit();
    const std::vector<TGIS_Point> stored = Stored(shape->Uid(), 0);
    if (type == gisShapeTypeArc)
      ExpectPoints(stored, Ms({{30, 30}, {60, 80}, {90, 30}}), "line");
    else // digitised anticlockwise, stored clockwise after normalising
      EXPECT_TRUE(SameRing(stored, Ms({{30, 30}, {90, 30}, {60, 80}})));
    EXPECT_NE(f.layer->RTree()->FindFirst(shape->GetExtent(), shape->Uid()), -1);
    shape->Delete();
  }
}

TEST_F(ShapeEdit, EndingAnEditNormalisesTheShape) {
  // The recording engine sees the edited shape, once, to be fixed in place.
  {
    const TRecordingTopologyScope recording;
    TGIS_Shape* line = f.layer->AddShape(gisShapeTypeArc, {Ms({{40, 100}, {120, 100}})});
    editor()->StartEdit(line, 0);
    editor()->EndEdit();
    ASSERT_EQ(TRecordingTopology::Fixes.size(), 1u);
    EXPECT_EQ(TRecordingTopology::Fixes[0].first, line);
    EXPECT_FALSE(TRecordingTopology::Fixes[0].second);
    line->Delete();
  }
  // The real engine splits a ring dragged into a figure eight into two.
  GisSetTopologyFactory(nullptr);
  TGIS_Shape* square =
      f.layer->AddShape(gisShapeTypePolygon, {Ms({{60, 40}, {160, 40}, {160, 140}, {60, 140}})});
  editor()->StartEdit(square, 0);
  Mouse({160, 140}, {20, 90});
  EXPECT_EQ(square->GetNumParts(), 1) << "not before the edit ends";
  editor()->EndEdit();
  EXPECT_EQ(f.layer->GetShape(square->Uid())->GetNumParts(), 2);
}

TEST_F(ShapeEdit, AFailingNormalisingStillEndsTheEdit) {
  struct TFailing : TGIS_Topology {
    std::unique_ptr<TGIS_Shape> FixShape(TGIS_Shape*, bool) override {
      throw EGIS_Exception(GIS_RS_ERR_TOPOLOGY_CANTBEFIXED);
    }
  };
  GisSetTopologyFactory([] { return std::make_unique<TFailing>(); });
  TGIS_Shape* line = f.layer->AddShape(gisShapeTypeArc, {Ms({{40, 100}, {120, 100}})});
  editor()->StartEdit(line, 0);
  Mouse({200, 100}, {200, 100});
  EXPECT_THROW(editor()->EndEdit(), EGIS_Exception);
  EXPECT_FALSE(editor()->InEdit());
  EXPECT_EQ(editor()->Shape(), nullptr);
  ExpectPoints(Stored(line->Uid(), 0), Ms({{40, 100}, {120, 100}, {200, 100}}),
               "the edited geometry stays");
}

TEST_F(ShapeEdit, ShapesAndLayersThatGoLeaveTheEditor) {
  struct Row {
    const char* what;
    std::function<void(TGIS_Shape*)> free;
  };
  const Row rows[] = {
      {"the shape reverted", [&](TGIS_Shape* s) { f.layer->RevertShape(s->Uid()); }},
      {"the layer compacted", [&](TGIS_Shape*) { f.layer->SaveData(); }},
      {"the layer's changes discarded", [&](TGIS_Shape*) { f.layer->DiscardChanges(); }},
  };
  for (const Row& r : rows) {
    TGIS_Shape* line = f.layer->AddShape(gisShapeTypeArc, {Ms({{40, 100}, {120, 100}})});
    editor()->StartEdit(line, 0);
    r.free(line);
    EXPECT_FALSE(editor()->InEdit()) << r.what;
    EXPECT_EQ(editor()->Shape(), nullptr) << r.what;
    // Clicks and paints touch nothing that went.
    Mouse({200, 100}, {200, 100});
    f.Render();
  }

  // A layer that goes takes its edit and its place as the snap layer along.
  auto* other = new TPassLayer;
  other->SetName("other");
  other->Open();
  f.viewer().Add(other);
  TGIS_Shape* line = other->AddShape(gisShapeTypeArc, {Ms({{40, 100}, {120, 100}})});
  editor()->StartEdit(line, 0);
  editor()->SetSnapLayer(other);
  delete other;
  EXPECT_FALSE(editor()->InEdit());
  EXPECT_EQ(editor()->SnapLayer(), nullptr);
  Mouse({200, 100}, {200, 100});
}

TEST_F(ShapeEdit, AnEditInProgressShowsItsVertexMarks) {
  TGIS_Shape* rings =
      f.layer->AddShape(gisShapeTypePolygon, {Ms({{40, 40}, {120, 40}, {120, 140}, {40, 140}}),
                                              Ms({{160, 60}, {240, 60}, {240, 140}})});
  TGIS_Shape* other = f.layer->AddShape(gisShapeTypeArc, {Ms({{40, 180}, {260, 180}})});
  (void)other;
  editor()->StartEdit(rings, 1);
  Mouse({244, 100}, {244, 100}); // a vertex between the last two of ring 1
  ASSERT_EQ(editor()->GetPointIndex(), 2);
  f.PaintWindow();
  const COLORREF green = RGB(0, 128, 0), blue = RGB(0, 0, 255), red = RGB(255, 0, 0),
                 yellow = RGB(255, 255, 0);
  struct Probe {
    const char* what;
    TPoint at;
    COLORREF colour;
  };
  const Probe probes[] = {
      {"a vertex of the edited ring", {160, 60}, green},
      {"another vertex of the edited ring", {240, 140}, green},
      {"the new, current vertex", {244, 100}, red},
      {"a vertex of the other ring", {120, 40}, blue},
      {"a vertex of another shape", {260, 180}, yellow},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(f.form.Pixel(p.at.x, p.at.y), p.colour) << p.what;
}
