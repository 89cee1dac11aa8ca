// The vector layer: UIDs and the in-memory list, the cursors and the filter,
// the spatial search, saving, the index switch, imports, configuration.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>

#include "tests/support/TempDir.h"

#include "gis/core/GisIni.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

/// Shows the cursor's search extent and query text.
class TSpyLayer : public TGIS_LayerVector {
public:
  using TGIS_LayerVector::CursorExtent;
  using TGIS_LayerVector::CursorQueryText;
};

TGIS_Shape* AddPoint(TGIS_LayerVector& l, double x, double y) {
  TGIS_Shape* s = l.CreateShape(gisShapeTypePoint);
  s->AddPart();
  s->AddPoint({x, y});
  return s;
}

std::vector<int> CursorUids(TGIS_LayerVector& l, const TGIS_Extent& e, const std::string& q = "") {
  std::vector<int> out;
  for (l.MoveFirst(e, q); !l.Eof(); l.MoveNext())
    out.push_back(l.GetCurrentShape()->Uid());
  return out;
}

std::vector<int> FindUids(TGIS_LayerVector& l, const TGIS_Extent& e) {
  std::vector<int> out;
  for (TGIS_Shape* s = l.FindFirst(e); s != nullptr; s = l.FindNext())
    out.push_back(s->Uid());
  std::sort(out.begin(), out.end());
  return out;
}

} // namespace

TEST(GisLayerVector, UidsAndCreation) {
  TGIS_LayerVector l;
  EXPECT_EQ(l.GetLastUid(), 0);
  EXPECT_EQ(l.CreateShape(), nullptr); // nothing supported before Open
  l.Open();
  EXPECT_EQ(l.InfoText(), "Generic Vector Layer");
  TGIS_Shape* first = l.CreateShape();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ShapeType(), gisShapeTypePoint);
  EXPECT_EQ(first->Uid(), 1);
  EXPECT_TRUE(first->IsNewShape() && first->IsInMemory());
  EXPECT_EQ(l.CreateShape(static_cast<TGIS_ShapeType>(7)), nullptr);
  TGIS_Shape* second = l.CreateShape(gisShapeTypeArc);
  second->Delete();
  EXPECT_EQ(l.CreateShape()->Uid(), 3); // a deleted shape keeps its UID
  int position = -1;
  EXPECT_FALSE(l.FindUidIndex(99, position));
  EXPECT_EQ(position, 3);
  EXPECT_TRUE(l.FindUidIndex(2, position));
  EXPECT_EQ(position, 1);
  l.RevertShape(3);
  EXPECT_EQ(l.GetNewUid(), 3); // a reverted last shape gives its UID back
  l.SetDefaultShapeType(gisShapeTypePolygon);
  EXPECT_EQ(l.CreateShape()->ShapeType(), gisShapeTypePolygon);
}

TEST(GisLayerVector, ModelOfTheInMemoryList) {
  // Random creates, deletes, reverts, look-ups and edits against a map.
  std::mt19937 rng(3);
  TGIS_LayerVector l;
  l.Open();
  std::map<int, bool> model; // uid -> deleted
  for (int step = 0; step < 3000; ++step) {
    const int op = int(rng() % 5);
    const int uid = model.empty() ? 1 : int(rng() % (model.rbegin()->first + 2));
    if (op == 0 || model.empty()) {
      TGIS_Shape* s = AddPoint(l, rng() % 100, rng() % 100);
      model[s->Uid()] = false;
    } else if (op == 1) {
      l.DeleteShape(uid);
      if (model.count(uid)) model[uid] = true;
    } else if (op == 2) {
      l.RevertShape(uid);
      model.erase(uid);
    } else if (op == 3) {
      TGIS_Shape* s = l.GetShape(uid);
      EXPECT_EQ(s != nullptr, model.count(uid) == 1);
      if (s != nullptr) {
        EXPECT_EQ(s->MakeEditable(), s);
      }
    } else {
      int position = -1;
      const bool found = l.FindUidIndex(uid, position);
      auto it = model.lower_bound(uid);
      EXPECT_EQ(found, it != model.end() && it->first == uid);
      EXPECT_EQ(position, int(std::distance(model.begin(), it)));
    }
    ASSERT_EQ(l.ShapeCount(), int(model.size()));
  }
  int i = 0;
  for (const auto& [uid, deleted] : model) {
    EXPECT_EQ(l.ShapeAt(i)->Uid(), uid);
    EXPECT_EQ(l.ShapeAt(i++)->IsDeleted(), deleted);
  }
  std::vector<int> live;
  for (const auto& [uid, deleted] : model)
    if (!deleted) live.push_back(uid);
  EXPECT_EQ(CursorUids(l, GisWholeWorldExtent()), live);
}

TEST(GisLayerVector, CursorQueryAndSearchExtent) {
  TSpyLayer l;
  l.Open();
  l.SetScope("A > 1");
  l.MoveFirst({0, 0, 0, 0}, "B = 2");
  EXPECT_EQ(l.CursorQueryText(), "(A > 1) AND (B = 2)");
  l.MoveFirst({0, 0, 0, 0}, "");
  EXPECT_EQ(l.CursorQueryText(), "A > 1");
  l.SetScope("");
  EXPECT_NEAR(l.CursorExtent().XMin, -1e-10, 1e-24);
  l.MoveFirst({0, 0, 1000, 10});
  EXPECT_NEAR(l.CursorExtent().XMax, 1000 + 1e-7, 1e-15);
  EXPECT_NEAR(l.CursorExtent().YMin, -1e-7, 1e-15);
  try {
    l.MoveFirst({0, 0, 1, 1}, "X = 1 &");
    FAIL() << "a broken query compiled";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.Message(), "0020 Wrong expression \"X = 1 &\"");
  }
}

TEST(GisLayerVector, FilterByQueryDeletedAndScopeExtent) {
  TGIS_Viewer viewer(nullptr);
  auto* l = new TGIS_LayerVector();
  l->SetName("pts");
  viewer.Add(l);
  l->AddField("A", gisFieldTypeNumber, 5, 0);
  // Points 100 units apart: the paint extent widens each by its marker's
  // margin (a few pixels, at a zoom near 1), far less than the spacing.
  for (int i = 0; i < 5; ++i)
    AddPoint(*l, 100 * i, 100 * i)->SetField("A", i);
  AddPoint(*l, 0, 0)->SetField("A", 9); // at the origin
  l->GetShape(2)->Delete();
  EXPECT_EQ(CursorUids(*l, GisWholeWorldExtent(), "A > 1"), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(CursorUids(*l, {50, 50, 300, 300}), (std::vector<int>{3, 4}));
  // A scope extent apart from the search extent lets nothing pass, not even
  // the shapes at the origin.
  l->SetScopeExtent({10000, 10000, 20000, 20000});
  EXPECT_TRUE(CursorUids(*l, {-100, -100, 1000, 1000}).empty());
  EXPECT_FALSE(l->MatchesFilter(l->GetShape(6)));
  l->SetScopeExtent({100, 100, 20000, 20000});
  EXPECT_EQ(CursorUids(*l, {-100, -100, 1000, 1000}), (std::vector<int>{3, 4, 5}));
  l->SetScopeExtent(GisEmptyExtent());
  std::vector<int> withDeleted;
  for (l->MoveFirst(GisWholeWorldExtent(), "", false); !l->Eof(); l->MoveNext())
    withDeleted.push_back(l->GetCurrentShape()->Uid());
  EXPECT_EQ(withDeleted.size(), 6u);

  // Without a viewer every shape passes the extent step.
  TGIS_LayerVector free;
  free.Open();
  AddPoint(free, 1000, 1000);
  free.SetScopeExtent({0, 0, 1, 1});
  EXPECT_TRUE(CursorUids(free, {5, 5, 6, 6}).empty()); // but a disjoint scope still cuts
  free.SetScopeExtent(GisEmptyExtent());
  EXPECT_EQ(CursorUids(free, {5, 5, 6, 6}).size(), 1u);
}

TEST(GisLayerVector, RawCursorFilteredCursorAndRTreeSearchAgree) {
  // The filter tests paint extents, which pens, outlines, labels and the
  // four-pixel minimum widen beyond the stored boxes; the R-tree holds the
  // stored boxes. Points (markers), lines drawn wide, labelled shapes and
  // shapes with a wider style of their own, on random windows: the raw
  // cursor with the paint-extent test, the filtered cursor and the R-tree
  // search return the same shapes, at several zooms.
  TGIS_Viewer viewer(nullptr);
  viewer.SetUseRTree(true);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  ASSERT_TRUE(l->IsIndexed());
  l->GetParamsSection().GetLine().SetWidth(60);
  l->GetParamsSection().GetArea().SetOutlineWidth(30);
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0, 1000);
  const TGIS_ShapeType kinds[] = {gisShapeTypePoint, gisShapeTypeMultiPoint, gisShapeTypeArc,
                                  gisShapeTypePolygon};
  for (int i = 0; i < 600; ++i) {
    TGIS_Shape* s = l->CreateShape(kinds[i % 4]);
    s->AddPart();
    const double x = u(rng), y = u(rng);
    s->AddPoint({x, y}); // level 0: the index entry follows every point
    if (i % 4 != 0) s->AddPoint({x + 5, y + 3});
    if (i % 4 == 3) s->AddPoint({x + 5, y - 4});
    if (i % 7 == 0) {
      s->UseOwnParams(true);
      s->GetParamsSection().GetLine().SetWidth(2000);
      s->GetParamsSection().GetMarker().SetSize(400);
    }
    if (i % 11 == 0) {
      s->UseOwnParams(true);
      s->GetParamsSection().GetLabel().SetValue("label");
    }
  }
  for (const double zoom : {0.2, 1.0, 5.0}) {
    viewer.SetZoom(zoom);
    for (int q = 0; q < 60; ++q) {
      SCOPED_TRACE("zoom " + FloatToStr(zoom) + " window " + IntToStr(q));
      const double x = u(rng), y = u(rng), w = 0.01 + u(rng) / 20;
      const TGIS_Extent e{x, y, x + w, y + w};
      std::vector<int> raw;
      for (int i = 0; i < l->ShapeCount(); ++i) {
        TGIS_Shape* s = l->ShapeAt(i);
        if (GisIsExtentIntersecting(s->GetPaintExtent(), e)) raw.push_back(s->Uid());
      }
      auto cursor = CursorUids(*l, e);
      std::sort(cursor.begin(), cursor.end());
      EXPECT_EQ(cursor, raw);
      EXPECT_EQ(FindUids(*l, e), raw);
    }
  }
  viewer.SetZoom(1);
  // Deleting during a walk neither skips nor repeats the others.
  const TGIS_Extent e{0, 0, 240, 240};
  const auto all = FindUids(*l, e);
  std::vector<int> seen;
  for (TGIS_Shape* s = l->FindFirst(e); s != nullptr; s = l->FindNext()) {
    seen.push_back(s->Uid());
    s->Delete();
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, all);
  EXPECT_TRUE(FindUids(*l, e).empty());
}

TEST(GisLayerVector, UidLookupAndSearchOverUidGaps) {
  // Shapes reverted away leave gaps in the UIDs, deleted and edited ones
  // stay: the UID lookup still gives each shape's place (the insertion place
  // for a missing UID), and the R-tree search gives the filtered cursor's
  // shapes in the tree's own order.
  TGIS_Viewer viewer(nullptr);
  viewer.SetUseRTree(true);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> u(0, 1000);
  for (int i = 0; i < 900; ++i) {
    TGIS_Shape* s = l->CreateShape(i % 3 == 0 ? gisShapeTypeArc : gisShapeTypePoint);
    s->AddPart();
    const double x = u(rng), y = u(rng);
    s->AddPoint({x, y});
    if (i % 3 == 0) s->AddPoint({x + 4, y - 3});
  }
  for (int uid = 1; uid <= 900; ++uid) {
    if (uid % 7 == 0 || (uid > 400 && uid < 460)) l->RevertShape(uid); // gaps
    else if (uid % 11 == 0) l->GetShape(uid)->Delete();
    else if (uid % 13 == 0) { // moved
      TGIS_Shape* s = l->GetShape(uid);
      s->Reset();
      s->AddPart();
      s->AddPoint({u(rng), u(rng)});
    }
  }
  ASSERT_EQ(l->ShapeAt(0)->Uid(), 1);
  std::vector<int> listed;
  for (int i = 0; i < l->ShapeCount(); ++i)
    listed.push_back(l->ShapeAt(i)->Uid());
  for (int uid = -2; uid <= 903; ++uid) {
    SCOPED_TRACE("UID " + IntToStr(uid));
    const auto at = std::lower_bound(listed.begin(), listed.end(), uid);
    int position = -1;
    EXPECT_EQ(l->FindUidIndex(uid, position), at != listed.end() && *at == uid);
    EXPECT_EQ(position, int(at - listed.begin()));
  }
  // The tree's walk order of everything, to compare the search's order with.
  std::vector<int> treeOrder;
  for (std::int32_t uid = l->RTree()->FindFirst(GisWholeWorldExtent(), -1); uid >= 0;
       uid = l->RTree()->FindNext())
    treeOrder.push_back(uid);
  for (const double zoom : {0.5, 4.0}) {
    viewer.SetZoom(zoom);
    for (int q = 0; q < 40; ++q) {
      SCOPED_TRACE("zoom " + FloatToStr(zoom) + " window " + IntToStr(q));
      const double x = u(rng), y = u(rng), w = 1 + u(rng) / 8;
      const TGIS_Extent e{x, y, x + w, y + w};
      auto scanned = CursorUids(*l, e);
      std::sort(scanned.begin(), scanned.end());
      std::vector<int> expected;
      for (const int uid : treeOrder)
        if (std::binary_search(scanned.begin(), scanned.end(), uid)) expected.push_back(uid);
      std::vector<int> found;
      for (TGIS_Shape* s = l->FindFirst(e); s != nullptr; s = l->FindNext())
        found.push_back(s->Uid());
      EXPECT_EQ(found, expected);
    }
  }
}

TEST(GisLayerVector, FindFirstTakesTheCursorFromASixteenthUp) {
  // A spy index file path makes no difference: count R-tree use through a
  // shape the index does not know.
  TGIS_Viewer viewer(nullptr);
  viewer.SetUseRTree(true);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  AddPoint(*l, 0, 0);
  AddPoint(*l, 16, 16);
  l->RTree()->Delete({16, 16, 16, 16}, 2); // only the cursor still sees shape 2
  EXPECT_EQ(FindUids(*l, {15, 15, 17, 17}), std::vector<int>{});  // 4 < 256/16: R-tree
  EXPECT_EQ(FindUids(*l, {12, 12, 16, 16}), std::vector<int>{2}); // exactly 1/16: cursor
  EXPECT_EQ(FindUids(*l, GisWholeWorldExtent()), (std::vector<int>{1, 2}));
}

TEST(GisLayerVector, SaveDataCompactsAndKeepsValues) {
  TGIS_LayerVector l;
  l.Open();
  l.AddField("NAME", gisFieldTypeString, 10, 0);
  l.AddField("N", gisFieldTypeNumber, 5, 0);
  for (int i = 1; i <= 3; ++i) {
    TGIS_Shape* s = AddPoint(l, i, i);
    s->SetField("NAME", "s" + IntToStr(i));
    if (i != 3) s->SetField("N", i * 10);
  }
  l.GetShape(2)->Delete();
  l.SetScope("N > 100");
  l.SetScopeExtent({100, 100, 200, 200});
  l.SaveData();
  ASSERT_EQ(l.ShapeCount(), 2);
  EXPECT_EQ(l.ShapeAt(1)->Uid(), 2);
  EXPECT_EQ(VarToStr(l.ShapeAt(1)->GetField("NAME")), "s3");
  EXPECT_TRUE(l.ShapeAt(1)->GetFieldEx("N").IsNull());
  EXPECT_EQ(l.ShapeAt(0)->GetField("N").AsInteger(), 10);
  EXPECT_EQ(l.Scope(), "N > 100");
  EXPECT_EQ(l.ScopeExtent().XMin, 100);
  EXPECT_EQ(l.FieldCount(), 2);
}

TEST(GisLayerVector, SaveDataAbortedLeavesTheLayer) {
  TGIS_Viewer viewer(nullptr);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  for (int i = 0; i < 5; ++i)
    AddPoint(*l, i, i);
  l->GetShape(1)->Delete();
  std::vector<int> ticks;
  viewer.OnBusy = [&](void*, int pos, int end, bool& abort) {
    if (pos < 0 || (pos == 0 && end == 100)) return; // the phase's start and end
    ticks.push_back(pos);
    abort = true;
  };
  l->SaveData();
  EXPECT_EQ(ticks, std::vector<int>{3}); // the second shape imported: UID 3
  EXPECT_EQ(l->ShapeCount(), 5);
  EXPECT_TRUE(l->GetShape(1)->IsDeleted());
}

TEST(GisLayerVector, IndexBuildReportsProgressAndRestoresModified) {
  TGIS_Viewer viewer(nullptr);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  for (int i = 0; i < 250; ++i)
    AddPoint(*l, i, i);
  l->SetModified(false);
  std::vector<int> ticks;
  viewer.OnBusy = [&](void*, int pos, int end, bool&) {
    if (pos >= 0 && end != 100) ticks.push_back(pos);
  };
  l->SetIndexed(true);
  EXPECT_EQ(ticks, (std::vector<int>{1, 101, 201}));
  EXPECT_FALSE(l->Modified()); // building an index is no modification
  EXPECT_TRUE(l->IsIndexed());
  // The search finds what the cursor finds (paint extents: the neighbours
  // lie within four pixels at this zoom).
  const TGIS_Extent window{9.5, 9.5, 10.5, 10.5};
  const auto found = FindUids(*l, window);
  EXPECT_EQ(found, CursorUids(*l, window));
  EXPECT_NE(std::find(found.begin(), found.end(), 11), found.end());
  // An abort leaves no half index behind.
  l->SetIndexed(false);
  viewer.OnBusy = [&](void*, int pos, int end, bool& abort) { abort = pos >= 0 && end != 100; };
  l->SetIndexed(true);
  EXPECT_FALSE(l->IsIndexed());
  EXPECT_EQ(l->RTree(), nullptr);
  EXPECT_FALSE(l->Modified());
}

TEST(GisLayerVector, ImportLayerFiltersByTypeAndRefusesItself) {
  TGIS_LayerVector arcs;
  arcs.Open();
  arcs.AddField("X", gisFieldTypeFloat, 10, 3);
  TGIS_Shape* a = arcs.CreateShape(gisShapeTypeArc);
  a->AddPart();
  a->AddPoint({0, 0});
  a->AddPoint({1, 1});
  a->SetField("X", 2.5);
  TGIS_LayerVector target;
  target.Open();
  target.ImportLayer(&arcs, GisWholeWorldExtent(), gisShapeTypePoint, "", false);
  EXPECT_EQ(target.ShapeCount(), 0);
  EXPECT_EQ(target.FieldCount(), 1);
  target.ImportLayer(&arcs, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  ASSERT_EQ(target.ShapeCount(), 1);
  EXPECT_EQ(target.ShapeAt(0)->GetField("X").AsDouble(), 2.5);
  EXPECT_TRUE(GisIsSameExtent(target.Extent(), {0, 0, 1, 1}));
  EXPECT_THROW(target.ImportLayer(&target, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false),
               EAssertionFailed);
  EXPECT_EQ(target.ShapeCount(), 1);
  // Clipping imports the part inside the extent, with the values.
  TGIS_LayerVector clipped;
  clipped.ImportLayer(&arcs, {0, -1, 0.5, 2}, gisShapeTypeUnknown, "", true);
  ASSERT_EQ(clipped.ShapeCount(), 1);
  const TGIS_Shape* c = clipped.ShapeAt(0);
  ASSERT_EQ(c->GetNumPoints(), 2);
  EXPECT_TRUE(GisIsSamePoint(c->GetPoint(0, 0), {0, 0}));
  EXPECT_TRUE(GisIsSamePoint(c->GetPoint(0, 1), {0.5, 0.5}));
  EXPECT_EQ(clipped.ShapeAt(0)->GetField("X").AsDouble(), 2.5);
  EXPECT_TRUE(GisIsSameExtent(clipped.Extent(), {0, 0, 0.5, 0.5}));
  // A whole-world window keeps the line; one beside it imports nothing.
  TGIS_LayerVector whole, beside;
  whole.ImportLayer(&arcs, GisWholeWorldExtent(), gisShapeTypeUnknown, "", true);
  ASSERT_EQ(whole.ShapeCount(), 1);
  EXPECT_EQ(whole.ShapeAt(0)->GetNumPoints(), 2);
  beside.ImportLayer(&arcs, {5, 5, 6, 6}, gisShapeTypeUnknown, "", true);
  EXPECT_EQ(beside.ShapeCount(), 0);
}

TEST(GisLayerVector, ExtLayerKeepsItsExtentAndWidensTheViewer) {
  TGIS_Viewer viewer(nullptr);
  auto* ext = new TGIS_LayerVector();
  ext->SetName("Ext");
  viewer.Add(ext);
  ext->SetExtent({-500, -400, 500, 400});
  ext->RecalcExtent();
  EXPECT_TRUE(GisIsSameExtent(ext->Extent(), {-500, -400, 500, 400}));
  EXPECT_LE(viewer.Extent().XMin, -500);
  EXPECT_GE(viewer.Extent().YMax, 400);
}

TEST(GisLayerVector, ConfigurationKeysRoundTrip) {
  const sktest::TTempDir dir("vector-config");
  const std::string path = dir / "layer.ini";
  TGIS_LayerVector l;
  l.SetScope("POP > 10");
  l.SetScopeExtent({1.5, -2, 3, 4});
  l.SetJoinPrimary("ID");
  l.SetJoinForeign("REF");
  {
    TGIS_Ini ini(&l, path);
    l.WriteConfig(ini);
    ini.Save();
  }
  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::erase(text, '\r');
  const char* keys[] = {"Scope=POP > 10\n",      "ScopeExtent.XMin=1.5\n", "ScopeExtent.XMax=3\n",
                        "ScopeExtent.YMin=-2\n", "ScopeExtent.YMax=4\n",   "JoinPrimary=ID\n",
                        "JoinForeign=REF\n"};
  std::size_t at = 0;
  for (const char* k : keys) {
    const std::size_t found = text.find(k);
    ASSERT_NE(found, std::string::npos) << k << "\n" << text;
    EXPECT_GT(found, at) << k; // in this order
    at = found;
  }
  TGIS_LayerVector back;
  TGIS_Ini ini(&back, path);
  back.ReadConfig(ini);
  EXPECT_EQ(back.Scope(), "POP > 10");
  EXPECT_TRUE(GisIsSameExtent(back.ScopeExtent(), {1.5, -2, 3, 4}));
  EXPECT_EQ(back.JoinForeign(), "REF");
}

TEST(GisLayerVector, FreedShapesLeaveTheCursorAndThePendingList) {
  TGIS_LayerVector l;
  l.Open();
  for (int i = 0; i < 3; ++i)
    AddPoint(l, i, i);
  l.QueueMemoryShapes();
  ASSERT_EQ(l.GetShape(2)->Uid(), 2); // now the cursor's shape
  l.RevertShape(2);
  TGIS_Shape* current = l.GetCurrentShape();
  EXPECT_TRUE(current == nullptr || current->Uid() != 2);
  std::vector<int> pending;
  for (TGIS_Shape* s = l.PopQueuedShape(); s != nullptr; s = l.PopQueuedShape())
    pending.push_back(s->Uid());
  EXPECT_EQ(pending, (std::vector<int>{1, 3}));
  l.GetShape(3);
  l.DiscardChanges();
  EXPECT_EQ(l.GetCurrentShape(), nullptr);
  EXPECT_EQ(l.ShapeCount(), 0);
}

TEST(GisLayerVector, SaveDataIgnoresAStaleExtent) {
  TGIS_Viewer viewer(nullptr);
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  AddPoint(*l, 5, 5);
  AddPoint(*l, 500, 500);
  l->SetExtent({0, 0, 10, 10}); // stale: the second shape lies outside
  l->SaveData();
  EXPECT_EQ(l->ShapeCount(), 2);
}

TEST(GisLayerVector, FailedIndexBuildSwitchesTheIndexOff) {
  class TBadIndex : public TGIS_LayerVector {
  public:
    std::string GetIndexPath() const override { return "/nonexistent-folder/x/layer.RTREE"; }
  };
  TGIS_Viewer viewer(nullptr);
  viewer.SetUseRTree(true);
  auto* l = new TBadIndex();
  int depth = 0;
  viewer.OnBusy = [&](void*, int pos, int end, bool&) {
    if (pos == 0 && end == 100) ++depth;
    if (pos == -1) --depth;
  };
  viewer.Add(l);
  AddPoint(*l, 1, 1);
  l->SetModified(true);
  l->SetIndexed(true);
  EXPECT_FALSE(l->IsIndexed());
  EXPECT_EQ(l->RTree(), nullptr);
  EXPECT_TRUE(l->Modified());
  EXPECT_EQ(depth, 0); // every busy phase ended
}

TEST(GisLayerVector, EditedCopiesOfStoredShapesKeepTheirPlace) {
  TGIS_LayerVector l;
  l.Open();
  for (int i = 0; i < 5; ++i)
    AddPoint(l, i, i);
  l.RevertShape(3); // as if shape 3 lived in a file only
  // A shape as a format layer reads it: mapped, with its stored UID.
  const double xy[2] = {30, 40};
  std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(xy), 16);
  TGIS_ShapePoint stored(nullptr, raw, true, 3, &l);
  ASSERT_EQ(l.GetShape(4)->Uid(), 4); // the cursor stands on shape 4
  EXPECT_EQ(l.FindEditedShape(&stored), &stored);
  TGIS_Shape* edited = stored.MakeEditable();
  ASSERT_NE(edited, &stored);
  EXPECT_TRUE(edited->IsInMemory());
  EXPECT_FALSE(edited->IsMapped());
  EXPECT_FALSE(edited->IsNewShape());
  EXPECT_EQ(l.ShapeAt(2), edited);
  EXPECT_EQ(l.GetCurrentShape()->Uid(), 4); // the cursor moved along
  EXPECT_EQ(l.FindEditedShape(&stored), edited);
  EXPECT_EQ(edited->MakeEditable(), edited);
  edited->AddPoint({31, 41});
  EXPECT_EQ(stored.GetPoint(0, 0).X, 30); // the stored version is untouched
  // Raw cursors over the layer meet only the new shapes first.
  l.CursorFirst(GisWholeWorldExtent(), "", true, "", nullptr);
  EXPECT_EQ(l.CursorShape()->Uid(), 1);
  TGIS_ShapePoint free;
  EXPECT_EQ(free.MakeEditable(), nullptr);
}

TEST(GisLayerVector, LockLevelsInAKilometreLayerOfAMetreViewer) {
  // Level: viewer coordinates converted, box per point, layer modified, layer
  // extent widened by Unlock.
  struct Row {
    std::uint8_t level;
    bool converted, boxPerPoint, modified, widened;
  } rows[] = {{0, true, true, true, true},
              {1, true, false, true, true},
              {2, false, false, true, true},
              {3, false, false, false, false},
              {4, false, false, false, false}};
  for (const auto& r : rows) {
    SCOPED_TRACE(int(r.level));
    TGIS_Viewer viewer(nullptr);
    viewer.SetUseRTree(true);
    auto* l = new TGIS_LayerVector();
    l->Units().SetType(gisUnitsKilometer);
    viewer.Add(l);
    l->SetExtent({0, 0, 1, 1});
    TGIS_Shape* s = l->CreateShape(gisShapeTypeArc);
    l->SetModified(false);
    s->Lock(r.level);
    s->AddPart();
    s->AddPoint({2000, 3000});
    s->AddPoint({4000, 5000});
    const double f = r.converted ? 1000 : 1;
    EXPECT_EQ(l->Modified(), r.modified);
    const TGIS_Extent box = s->GetExtentRaw();
    if (r.boxPerPoint)
      EXPECT_TRUE(GisIsSameExtent(box, {2, 3, 4, 5}));
    else
      EXPECT_TRUE(GisIsSameExtent(box, {0, 0, 0, 0}));
    s->Unlock();
    EXPECT_EQ(s->LockLevel(), r.level == 4 ? 4 : 0);
    EXPECT_TRUE(GisIsSameExtent(s->GetExtentRaw(), {2000 / f, 3000 / f, 4000 / f, 5000 / f}));
    EXPECT_EQ(l->Extent().XMax, r.widened ? 4000 / f : 1);
    // The index holds the shape under its new box except at level 4.
    std::vector<int> found;
    for (std::int32_t u = l->RTree()->FindFirst({3000 / f, 4000 / f, 3000 / f, 4000 / f}, -1);
         u >= 0; u = l->RTree()->FindNext())
      found.push_back(u);
    EXPECT_EQ(found.size(), r.level == 4 ? 0u : 1u);
  }
}

TEST(GisLayerVector, SmartSizeCountsOnlyWhilePainting) {
  class TPaintingViewer : public TGIS_Viewer {
  public:
    TPaintingViewer() : TGIS_Viewer(nullptr) {}
    bool IsPainting() const override { return Painting; }
    bool Painting = false;
  };
  TPaintingViewer viewer;
  auto* l = new TGIS_LayerVector();
  viewer.Add(l);
  l->GetParamsSection().GetLine().SetSmartSize(-5); // five pixels
  TGIS_Shape* tiny = l->CreateShape(gisShapeTypeArc);
  tiny->AddPart();
  tiny->AddPoint({0, 0});
  tiny->AddPoint({1e-9, 1e-9});
  AddPoint(*l, 0, 0);
  EXPECT_EQ(CursorUids(*l, {-1, -1, 1, 1}), (std::vector<int>{1, 2}));
  viewer.Painting = true;
  EXPECT_EQ(CursorUids(*l, {-1, -1, 1, 1}), std::vector<int>{2}); // points never count
}
