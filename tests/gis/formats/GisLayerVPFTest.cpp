// VPF: tiled libraries a helper writes table by table (the helper's model is
// the expectation): tiles and their extents, joins, value descriptions,
// nodes, edges and texts, UIDs in both access modes, the busy state, and
// damaged tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerVPF.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "tests/gis/formats/ErrorText.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace vpftest {

using sktest::TTempDir;

std::string Le32(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[std::size_t(i)] = char((std::uint32_t(v) >> (8 * i)) & 0xFF);
  return s;
}
std::string Le16(std::uint16_t v) {
  return std::string{char(v & 0xFF), char(v >> 8)};
}
std::string F32(float f) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &f, 4);
  return Le32(std::int32_t(bits));
}
/// A fixed-count text column of `n` bytes, blank-padded.
std::string Fixed(const std::string& s, std::size_t n) {
  std::string t = s.substr(0, n);
  t.resize(n, ' ');
  return t;
}
std::string VarText(const std::string& s) {
  return Le32(std::int32_t(s.size())) + s;
}
std::string Coords(const std::vector<TGIS_Point>& points) {
  std::string s = Le32(std::int32_t(points.size()));
  for (const TGIS_Point& p : points)
    s += F32(float(p.X)) + F32(float(p.Y));
  return s;
}
/// A triplet id with a 32-bit id part only.
std::string Triplet(std::int32_t id) {
  return std::string(1, char(0xC0)) + Le32(id);
}

/// One table: its header text and its rows; written with or without its
/// variable-length index.
class TVpfTable {
public:
  TVpfTable(const std::string& columns, const std::string& order = "L") {
    const std::string text = (order.empty() ? ";" : order + ";") + "A table;-;" + columns + ";";
    header_ = Le32(std::int32_t(text.size())) + text;
  }
  TVpfTable& Row(const std::string& bytes) {
    rows_.push_back(bytes);
    return *this;
  }
  std::string Bytes() const {
    std::string s = header_;
    for (const auto& r : rows_)
      s += r;
    return s;
  }
  /// Writes the table (and its index, the name's last character made "x").
  void Write(const TTempDir& dir, const std::string& name, bool index) const {
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    dir.Write(name, Bytes());
    if (!index) return;
    std::string x = Le32(std::int32_t(rows_.size())) + Le32(8);
    std::int32_t at = std::int32_t(header_.size());
    for (const auto& r : rows_) {
      x += Le32(at) + Le32(std::int32_t(r.size()));
      at += std::int32_t(r.size());
    }
    dir.Write(name.substr(0, name.size() - 1) + "x", x);
  }

private:
  std::string header_;
  std::vector<std::string> rows_;
};

struct TEdge {
  std::int32_t Id;
  std::vector<TGIS_Point> Points;
};
struct TTile {
  std::int32_t Id;
  std::string Name;
  TGIS_Extent Extent;
  std::vector<TEdge> Edges;
};
/// One feature row: the tile and primitive it names, and its values.
struct TRow {
  std::int32_t Tile;
  std::int32_t Edge;
  std::string Code;
  std::string Name;
  float Length;
};

/// A tiled line library: lib/tileref/{tileref.aft,fbr}, lib/roads/roadl.lft
/// (with or without index) and lib/roads/<tile>/edg(+edx).
struct TLineLibrary {
  std::vector<TTile> Tiles;
  std::vector<TRow> Rows;
  bool FeatureIndex = true;
  bool EdgeIndex = true;
  bool Fbr = true;

  std::string Write(const TTempDir& dir) const {
    TVpfTable tileref("id=I,1,P,Row id,-,-,-,:tile_name=T,8,N,Tile,-,-,-,:fac_id=I,1,N,Face,-,-,-,");
    TVpfTable fbr("id=I,1,P,Id,-,-,-,:xmin=F,1,N,x,-,-,-,:ymin=F,1,N,y,-,-,-,:xmax=F,1,N,x,-,-,-,:"
                  "ymax=F,1,N,y,-,-,-,");
    fbr.Row(Le32(1) + F32(-180) + F32(-90) + F32(180) + F32(90)); // the universe face
    // The face rectangles follow the tile ids (face k bounds tile k).
    std::vector<TTile> byId = Tiles;
    std::sort(byId.begin(), byId.end(), [](const TTile& a, const TTile& b) { return a.Id < b.Id; });
    for (const TTile& t : byId)
      fbr.Row(Le32(t.Id + 1) + F32(float(t.Extent.XMin)) + F32(float(t.Extent.YMin)) +
              F32(float(t.Extent.XMax)) + F32(float(t.Extent.YMax)));
    for (const TTile& t : Tiles) {
      tileref.Row(Le32(t.Id) + Fixed(t.Name, 8) + Le32(t.Id + 1));
      TVpfTable edg("id=I,1,P,Id,-,-,-,:start_node=I,1,N,n,-,-,-,:right_face=K,1,N,f,-,-,-,:"
                    "coordinates=C,*,N,c,-,-,-,");
      for (const TEdge& e : t.Edges)
        edg.Row(Le32(e.Id) + Le32(7) + Triplet(3) + Coords(e.Points));
      edg.Write(dir, "lib/roads/" + LowerCase(t.Name) + "/edg", EdgeIndex);
    }
    tileref.Write(dir, "lib/tileref/tileref.aft", false);
    if (Fbr) fbr.Write(dir, "lib/tileref/fbr", false);
    TVpfTable roads("id=I,1,P,Id,-,-,-,:f_code=T,5,N,Code,char.vdt,-,-,:name=T,*,N,Name,-,-,-,:"
                    "length=F,1,N,Length,-,-,-,:tile_id=S,1,N,Tile,-,-,-,:edg_id=I,1,N,Edge,-,-,-,");
    for (std::size_t i = 0; i < Rows.size(); ++i) {
      const TRow& r = Rows[i];
      roads.Row(Le32(std::int32_t(i + 1)) + Fixed(r.Code, 5) + VarText(r.Name) + F32(r.Length) +
                Le16(std::uint16_t(r.Tile)) + Le32(r.Edge));
    }
    roads.Write(dir, "lib/roads/roadl.lft", FeatureIndex);
    return dir / "lib/roads/roadl.lft";
  }

  const TEdge* Edge(std::int32_t tile, std::int32_t id) const {
    for (const TTile& t : Tiles)
      if (t.Id == tile)
        for (const TEdge& e : t.Edges)
          if (e.Id == id) return &e;
    return nullptr;
  }
};

TLineLibrary ThreeTiles() {
  TLineLibrary lib;
  // Listed out of order: the tile array only grows.
  lib.Tiles = {
      {3, "C", {0, 10, 10, 20}, {{1, {{1, 11}, {2, 12}}}}},
      {1, "A", {0, 0, 10, 10}, {{1, {{1, 1}, {2, 2.5}, {3, 1}}}, {2, {{4, 4}, {5, 5}}}}},
      {2, "B", {10, 0, 20, 10}, {{1, {{11, 1}, {12, 2}}}, {2, {{13, 3}, {14.25, 3}, {15, 4}}}}},
  };
  lib.Rows = {{1, 2, "AP030", "Main", 1.5f},  {2, 1, "AP030", "Side", 2.25f},
              {3, 1, "AQ040", "Bridge", 3.0f}, {1, 1, "AP030", "Ring", 4.5f},
              {2, 9, "AP030", "Gone", 5.0f}, // no such edge: no shape
              {2, 2, "AQ040", "Quay", 6.0f}};
  return lib;
}

void ExpectPoints(TGIS_Shape* shape, const std::vector<TGIS_Point>& points) {
  ASSERT_NE(shape, nullptr);
  ASSERT_EQ(shape->GetNumParts(), 1);
  ASSERT_EQ(shape->GetPartSize(0), int(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(shape->GetPoint(0, int(i)).X, points[i].X);
    EXPECT_EQ(shape->GetPoint(0, int(i)).Y, points[i].Y);
  }
}

/// What a pass gives: UID -> points, and the name field read meanwhile.
struct TSeen {
  std::int32_t Uid;
  std::vector<TGIS_Point> Points;
  std::string Name;
};

std::vector<TSeen> Pass(TGIS_LayerVPF& layer, const TGIS_Extent& extent) {
  std::vector<TSeen> seen;
  layer.MoveFirst(extent);
  while (!layer.Eof()) {
    TGIS_Shape* s = layer.GetCurrentShape();
    TSeen one{s->Uid(), {}, VarToStr(s->GetField("name"))};
    for (int i = 0; i < s->GetPartSize(0); ++i)
      one.Points.push_back(s->GetPoint(0, i));
    seen.push_back(one);
    layer.MoveNext();
  }
  return seen;
}

TEST(VpfLayer, TiledLinesGiveTheModelsShapesWithTheRowAsUidInBothAccessModes) {
  for (const bool index : {true, false}) {
    SCOPED_TRACE(index ? "with index" : "without index");
    TTempDir dir("vpf-lines");
    TLineLibrary lib = ThreeTiles();
    lib.FeatureIndex = index;
    lib.EdgeIndex = true;
    TGIS_LayerVPF layer;
    layer.SetPath(lib.Write(dir));
    layer.Open();
    EXPECT_EQ(layer.InfoText(), "VPF (Vector Product Format)");
    ASSERT_EQ(layer.TileManager().Tiles.size(), 4u);
    EXPECT_EQ(layer.TileManager().Tiles[2].Name, "B");
    EXPECT_EQ(layer.TileManager().Tiles[3].Name, "C"); // listed first
    const TGIS_Extent ext = layer.Extent();
    EXPECT_EQ(ext.XMin, 0);
    EXPECT_EQ(ext.YMin, 0);
    EXPECT_EQ(ext.XMax, 20);
    EXPECT_EQ(ext.YMax, 20);

    const std::vector<TSeen> seen = Pass(layer, GisWholeWorldExtent());
    std::vector<std::int32_t> expectedUids;
    for (std::size_t i = 0; i < lib.Rows.size(); ++i)
      if (lib.Edge(lib.Rows[i].Tile, lib.Rows[i].Edge) != nullptr)
        expectedUids.push_back(std::int32_t(i + 1));
    ASSERT_EQ(seen.size(), expectedUids.size());
    for (std::size_t k = 0; k < seen.size(); ++k) {
      const TRow& row = lib.Rows[std::size_t(expectedUids[k] - 1)];
      EXPECT_EQ(seen[k].Uid, expectedUids[k]);
      EXPECT_EQ(seen[k].Name, row.Name);
      const TEdge* e = lib.Edge(row.Tile, row.Edge);
      ASSERT_EQ(seen[k].Points.size(), e->Points.size());
      for (std::size_t i = 0; i < e->Points.size(); ++i) {
        EXPECT_EQ(seen[k].Points[i].X, e->Points[i].X);
        EXPECT_EQ(seen[k].Points[i].Y, e->Points[i].Y);
      }
    }
    EXPECT_EQ(layer.GetLastUid(), 6);
    EXPECT_EQ(layer.GetNewUid(), 7);

    // Direct access gives the same shape as the cursor, with its values.
    for (const TSeen& one : seen) {
      TGIS_Shape* s = layer.GetShape(one.Uid);
      ASSERT_NE(s, nullptr) << one.Uid;
      EXPECT_EQ(s->Uid(), one.Uid);
      ExpectPoints(s, one.Points);
      EXPECT_EQ(VarToStr(s->GetField("name")), one.Name);
      const TRow& row = lib.Rows[std::size_t(one.Uid - 1)];
      EXPECT_EQ(VarToStr(s->GetField("f_code")), row.Code);
      EXPECT_DOUBLE_EQ(s->GetField("length").AsDouble(), double(row.Length));
    }
    EXPECT_EQ(layer.GetShape(5), nullptr); // its edge does not exist
    EXPECT_EQ(layer.GetShape(0), nullptr);
    EXPECT_EQ(layer.GetShape(99), nullptr);

    // Only the tiles meeting the search extent are read.
    const std::vector<TSeen> west = Pass(layer, TGIS_Extent{1, 1, 9, 9});
    ASSERT_EQ(west.size(), 2u);
    EXPECT_EQ(west[0].Uid, 1);
    EXPECT_EQ(west[1].Uid, 4);
    EXPECT_EQ(layer.GetShape(2), nullptr); // tile B lies outside the search extent
  }
}

TEST(VpfLayer, ADamagedPrimitiveTableLeavesTheOtherTilesOnTheirOwnFiles) {
  TTempDir dir("vpf-placeholder");
  const TLineLibrary lib = ThreeTiles();
  const std::string path = lib.Write(dir);
  // Tile A's edge table has a column without its count.
  dir.Write("lib/roads/a/edg", Le32(12) + "L;x;-;id=I;");
  TGIS_LayerVPF layer;
  layer.SetPath(path);
  layer.Open();
  ASSERT_EQ(layer.Primitives().size(), 4u);
  EXPECT_EQ(layer.Primitives()[1]->Stream, nullptr);
  const std::vector<TSeen> seen = Pass(layer, GisWholeWorldExtent());
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].Uid, 2);
  EXPECT_EQ(seen[0].Points[0].X, 11); // tile B's own edge 1
  EXPECT_EQ(seen[1].Uid, 3);
  EXPECT_EQ(seen[1].Points[0].Y, 11); // tile C's
  EXPECT_EQ(seen[2].Uid, 6);
}

TEST(VpfLayer, BusyStateIsTakenOncePerPassAndAlwaysGivenBack) {
  TTempDir dir("vpf-busy");
  const TLineLibrary lib = ThreeTiles();
  TGIS_Viewer viewer(nullptr);
  int prepared = 0, released = 0;
  viewer.OnBusy = [&](void*, int pos, int end, bool&) {
    if (pos == 0 && end == 100) ++prepared;
    if (pos == -1 && end == -1) ++released;
  };
  {
    TGIS_LayerVPF layer;
    layer.SetPath(lib.Write(dir));
    layer.Open();
    layer.SetViewer(&viewer);
    layer.MoveFirst(GisWholeWorldExtent()); // abandoned after one step
    EXPECT_EQ(viewer.BusyDepth(), 1);
    ASSERT_NE(layer.GetShape(3), nullptr); // a lookup in the middle of the pass
    EXPECT_EQ(viewer.BusyDepth(), 0);
    layer.MoveFirst(GisWholeWorldExtent());
    layer.MoveFirst(GisWholeWorldExtent()); // a new pass ends the old one
    EXPECT_EQ(viewer.BusyDepth(), 1);
    while (!layer.Eof())
      layer.MoveNext();
    EXPECT_EQ(viewer.BusyDepth(), 0);
    EXPECT_FALSE(layer.BusyHeld());
    layer.MoveFirst(GisWholeWorldExtent());
    EXPECT_EQ(viewer.BusyDepth(), 1);
  }
  // The layer gave its pass's busy state back when it went.
  EXPECT_EQ(viewer.BusyDepth(), 0);
  EXPECT_EQ(prepared, released);
  EXPECT_GE(prepared, 4);
}

/// A point library joined through its join table, with value descriptions.
std::string WritePointLibrary(const TTempDir& dir, bool nodeIndex) {
  TLineLibrary base;
  base.Tiles = {{1, "A", {0, 0, 10, 10}, {}}, {2, "B", {10, 0, 20, 10}, {}}};
  base.Write(dir); // tiles and an empty roads class
  for (const auto& [tile, offset] : {std::pair<std::string, float>{"a", 0}, {"b", 10}}) {
    TVpfTable end("id=I,1,P,Id,-,-,-,:containing_face=X,1,N,f,-,-,-,:first_edge=K,1,N,e,-,-,-,:"
                  "coordinate=C,1,N,c,-,-,-,");
    for (int i = 1; i <= 3; ++i)
      end.Row(Le32(i) + Triplet(i) + F32(offset + float(i)) + F32(float(i) * 2));
    end.Write(dir, "lib/places/" + tile + "/end", nodeIndex);
  }
  TVpfTable places("id=I,1,P,Id,-,-,-,:f_code=T,5,N,Code,char.vdt,-,-,:use=S,1,N,Use,int.vdt,-,-,");
  places.Row(Le32(1) + Fixed("AL020", 5) + Le16(2));
  places.Row(Le32(2) + Fixed("AL015", 5) + Le16(9));
  places.Row(Le32(3) + Fixed("AL020", 5) + Le16(2));
  places.Write(dir, "lib/places/placep.pft", true);
  TVpfTable join("id=I,1,P,Id,-,-,-,:placep.pft_id=I,1,N,f,-,-,-,:tile_id=S,1,N,t,-,-,-,:"
                 "end_id=I,1,N,e,-,-,-,");
  join.Row(Le32(1) + Le32(1) + Le16(2) + Le32(3));
  join.Row(Le32(2) + Le32(2) + Le16(1) + Le32(1));
  join.Row(Le32(3) + Le32(3) + Le16(1) + Le32(2));
  join.Write(dir, "lib/places/placep.pjt", false);
  TVpfTable chars("id=I,1,P,Id,-,-,-,:table=T,12,N,t,-,-,-,:attribute=T,10,N,a,-,-,-,:"
                  "value=T,5,N,v,-,-,-,:description=T,20,N,d,-,-,-,");
  chars.Row(Le32(1) + Fixed("placep.pft", 12) + Fixed("f_code", 10) + Fixed("AL020", 5) +
            Fixed("Built-up area", 20));
  chars.Row(Le32(2) + Fixed("other.pft", 12) + Fixed("f_code", 10) + Fixed("AL015", 5) +
            Fixed("Not this table", 20));
  chars.Row(Le32(3) + Fixed("placep.pft", 12) + Fixed("f_code", 10) + Fixed("AL020", 5) +
            Fixed("Second description", 20));
  chars.Write(dir, "lib/places/char.vdt", false);
  TVpfTable ints("id=I,1,P,Id,-,-,-,:table=T,12,N,t,-,-,-,:attribute=T,10,N,a,-,-,-,:"
                 "value=S,1,N,v,-,-,-,:description=T,20,N,d,-,-,-,");
  ints.Row(Le32(1) + Fixed("PLACEP.PFT", 12) + Fixed("use", 10) + Le16(2) + Fixed("Town", 20));
  ints.Write(dir, "lib/places/INT.VDT", false);
  return dir / "lib/places/PLACEP.PFT";
}

TEST(VpfLayer, JoinedNodesWithValueDescriptions) {
  for (const bool nodeIndex : {true, false}) {
    SCOPED_TRACE(nodeIndex ? "node index" : "node scan");
    TTempDir dir("vpf-points");
    const std::string path = WritePointLibrary(dir, nodeIndex);
    // The upper-cased name on disk is the lower-case file the library wrote.
    std::filesystem::rename(dir / "lib/places/placep.pft", path);
    std::filesystem::rename(dir / "lib/places/placep.pfx", dir / "lib/places/PLACEP.PFX");
    TGIS_LayerVPF layer;
    layer.SetPath(path);
    layer.Open();
    EXPECT_EQ(layer.JoinTable().JoinRows.size(), 3u);
    ASSERT_EQ(layer.ValueDescriptions().size(), 3u); // "other.pft" is not ours
    // With descriptions every field is text.
    const TGIS_FieldInfo* use = layer.GetFieldInfo(layer.FindFieldIndex("use"));
    ASSERT_NE(use, nullptr);
    EXPECT_EQ(use->FieldType, gisFieldTypeString);

    struct TWant {
      std::int32_t Uid;
      TGIS_Point Point;
      std::string Code, Use;
    };
    // Descriptions are kept upper-cased, as the tables are read.
    const TWant want[] = {{1, {13, 6}, "BUILT-UP AREA", "TOWN"},
                          {2, {1, 2}, "AL015", "9"},
                          {3, {2, 4}, "BUILT-UP AREA", "TOWN"}};
    layer.MoveFirst(GisWholeWorldExtent());
    for (const TWant& w : want) {
      ASSERT_FALSE(layer.Eof());
      TGIS_Shape* s = layer.GetCurrentShape();
      EXPECT_EQ(s->Uid(), w.Uid);
      ExpectPoints(s, {w.Point});
      EXPECT_EQ(VarToStr(s->GetField("f_code")), w.Code); // the first description wins
      EXPECT_EQ(VarToStr(s->GetField("use")), w.Use);
      layer.MoveNext();
    }
    EXPECT_TRUE(layer.Eof());
    for (const TWant& w : want) {
      TGIS_Shape* s = layer.GetShape(w.Uid);
      ExpectPoints(s, {w.Point});
      EXPECT_EQ(VarToStr(s->GetField("f_code")), w.Code);
    }
  }
}

std::string WriteTextLibrary(const TTempDir& dir, const std::vector<std::vector<TGIS_Point>>& lines) {
  TLineLibrary base;
  base.Tiles = {{1, "A", {-10, -10, 10, 10}, {}}};
  base.Write(dir);
  TVpfTable txt("id=I,1,P,Id,-,-,-,:height=F,1,N,h,-,-,-,:string=T,*,N,s,-,-,-,:"
                "shape_line=C,*,N,c,-,-,-,");
  for (std::size_t i = 0; i < lines.size(); ++i)
    txt.Row(Le32(std::int32_t(i + 1)) + F32(2) + VarText("Label " + IntToStr(int(i + 1))) +
            Coords(lines[i]));
  txt.Write(dir, "lib/names/a/txt", true);
  TVpfTable names("id=I,1,P,Id,-,-,-,:tile_id=S,1,N,t,-,-,-,:txt_id=I,1,N,x,-,-,-,");
  for (std::size_t i = 0; i < lines.size(); ++i)
    names.Row(Le32(std::int32_t(i + 1)) + Le16(1) + Le32(std::int32_t(i + 1)));
  names.Write(dir, "lib/names/namest.tft", true);
  return dir / "lib/names/namest.tft";
}

TEST(VpfLayer, TextsTurnClockwiseOnScreenAndCarryTheirString) {
  TTempDir dir("vpf-text");
  const std::vector<std::vector<TGIS_Point>> lines = {
      {{0, 0}, {0, -1}}, {{1, 1}, {2, 2}}, {{3, 3}}, {{0, 0}, {-1, 0}}, {{5, 5}, {5, 6}}};
  TGIS_LayerVPF layer;
  layer.SetPath(WriteTextLibrary(dir, lines));
  layer.Open();
  ASSERT_GE(layer.FindFieldIndex("String"), 0);
  const double pi = std::numbers::pi;
  // Expected Label.Rotate after each feature; a single point keeps the last.
  const double rotate[] = {pi / 2, 7 * pi / 4, 7 * pi / 4, pi, 3 * pi / 2};
  layer.MoveFirst(GisWholeWorldExtent());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ASSERT_FALSE(layer.Eof());
    TGIS_Shape* s = layer.GetCurrentShape();
    EXPECT_EQ(s->Uid(), std::int32_t(i + 1));
    ExpectPoints(s, {lines[i][0]});
    TGIS_ParamsSectionVector& section = s->GetParamsSection();
    EXPECT_NEAR(section.GetLabel().Rotate(), rotate[i], 1e-12) << i;
    EXPECT_EQ(section.GetLabel().Field(), "String");
    EXPECT_EQ(VarToStr(s->GetField("String")), "Label " + IntToStr(int(i + 1)));
    layer.MoveNext();
  }
  EXPECT_TRUE(layer.Eof());
  TGIS_Shape* s = layer.GetShape(2);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(VarToStr(s->GetField("string")), "Label 2");
}

TEST(VpfLayer, AreasAndEmptyTablesGiveNoShapes) {
  TTempDir dir("vpf-areas");
  ThreeTiles().Write(dir);
  TVpfTable areas("id=I,1,P,Id,-,-,-,:made=D,1,N,d,-,-,-,:tile_id=S,1,N,t,-,-,-,:"
                  "fac_id=I,1,N,f,-,-,-,");
  areas.Row(Le32(1) + Fixed("19930101000000", 20) + Le16(1) + Le32(1));
  areas.Write(dir, "lib/roads/LAKEA.AFT", true);
  TGIS_LayerVPF area;
  area.SetPath(dir / "lib/roads/LAKEA.AFT");
  area.Open();
  EXPECT_EQ(area.Primitives().size(), 12u); // face, ring and edge tables of every tile
  area.MoveFirst(GisWholeWorldExtent());
  EXPECT_TRUE(area.Eof());
  EXPECT_EQ(area.GetLastUid(), 0);

  TVpfTable empty("id=I,1,P,Id,-,-,-,:tile_id=S,1,N,t,-,-,-,:edg_id=I,1,N,e,-,-,-,");
  empty.Write(dir, "lib/roads/emptyl.lft", false);
  TGIS_LayerVPF lines;
  lines.SetPath(dir / "lib/roads/emptyl.lft");
  lines.Open();
  lines.MoveFirst(GisWholeWorldExtent());
  EXPECT_TRUE(lines.Eof());
}

TEST(VpfLayer, HeadersReadTheirByteOrderAndNumbersStayLittleEndian) {
  TTempDir dir("vpf-header");
  for (const std::string order : {"", "M", "L"}) {
    TVpfTable t("id=I,1,P,Id,-,-,-,:label=T,4,N,l,-,-,-,", order);
    t.Row(Le32(258) + "abcd");
    t.Write(dir, "t.tab", false);
    TGIS_BufferedFileStream s(dir / "t.tab", false);
    TGIS_LayerVPF layer;
    TGIS_LayerVPF::T_Table table;
    layer.ReadTableHeader(s, table);
    EXPECT_EQ(table.ByteOrder, order.empty() ? "L" : order);
    EXPECT_EQ(table.Description, "A table");
    ASSERT_EQ(table.Columns.size(), 2u);
    EXPECT_EQ(table.Columns[1].Name, "label");
    EXPECT_EQ(table.Columns[1].Type, 'T');
    EXPECT_EQ(table.Columns[1].Count, "4");
    std::uint8_t b[4];
    s.ReadBuffer(b, 4);
    EXPECT_EQ(b[0] | (b[1] << 8), 258);
  }
}

TEST(VpfLayer, DamagedTablesAreRefusedInBoundedMemory) {
  const std::string bad0034 = "0034";
  struct TCase {
    const char* Name;
    std::function<void(const TTempDir&)> Damage;
    std::string Expected; // the start of the message
  };
  const TCase cases[] = {
      {"tile id beyond 65535",
       [](const TTempDir& dir) {
         TVpfTable t("id=I,1,P,Id,-,-,-,:tile_name=T,8,N,n,-,-,-,");
         t.Row(Le32(70000) + Fixed("A", 8));
         t.Write(dir, "lib/tileref/tileref.aft", false);
       },
       "0034"},
      {"negative tile id",
       [](const TTempDir& dir) {
         TVpfTable t("id=I,1,P,Id,-,-,-,:tile_name=T,8,N,n,-,-,-,");
         t.Row(Le32(-4) + Fixed("A", 8));
         t.Write(dir, "lib/tileref/tileref.aft", false);
       },
       "0034"},
      {"index count beyond the file",
       [](const TTempDir& dir) { dir.Write("lib/roads/roadl.lfx", Le32(0x7FFFFFFF) + Le32(8)); },
       "0034"},
      {"negative index count",
       [](const TTempDir& dir) { dir.Write("lib/roads/roadl.lfx", Le32(-1) + Le32(8)); }, "0034"},
      {"column without count",
       [](const TTempDir& dir) {
         TVpfTable t("id=I");
         t.Write(dir, "lib/roads/roadl.lft", false);
       },
       "0034"},
      {"missing tile reference",
       [](const TTempDir& dir) {
         std::filesystem::remove(dir / "lib/tileref/tileref.aft");
       },
       "0051 Field \"TILEREF\\TILEREF.AFT\" does not exist"},
      {"variable text in the tile table",
       [](const TTempDir& dir) {
         TVpfTable t("id=I,1,P,Id,-,-,-,:tile_name=T,*,N,n,-,-,-,");
         t.Row(Le32(1) + VarText("A"));
         t.Write(dir, "lib/tileref/tileref.aft", false);
       },
       "0034"},
      {"unsupported tile column",
       [](const TTempDir& dir) {
         TVpfTable t("id=I,1,P,Id,-,-,-,:tile_name=T,8,N,n,-,-,-,:w=R,1,N,n,-,-,-,");
         t.Row(Le32(1) + Fixed("A", 8) + std::string(8, '\0'));
         t.Write(dir, "lib/tileref/tileref.aft", false);
       },
       "Tile - Unsupported type"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir("vpf-damaged");
    const std::string path = ThreeTiles().Write(dir);
    c.Damage(dir);
    TGIS_LayerVPF layer;
    layer.SetPath(path);
    const std::string text = fmttest::ErrorText([&] { layer.Open(); });
    EXPECT_NE(text.find(c.Expected), std::string::npos) << text;
  }

  // Damaged rows: raised by the cursor, the pass then gives back its busy state.
  struct TRowCase {
    const char* Name;
    std::string Row;
  };
  const TRowCase rows[] = {
      {"negative text length", Le32(1) + Fixed("AP030", 5) + Le32(-5)},
      {"text length beyond the file", Le32(1) + Fixed("AP030", 5) + Le32(0x40000000)},
  };
  for (const TRowCase& r : rows) {
    SCOPED_TRACE(r.Name);
    TTempDir dir("vpf-damaged-row");
    const std::string path = ThreeTiles().Write(dir);
    TVpfTable roads("id=I,1,P,Id,-,-,-,:f_code=T,5,N,Code,-,-,-,:name=T,*,N,Name,-,-,-,");
    roads.Row(r.Row);
    roads.Write(dir, "lib/roads/roadl.lft", false);
    TGIS_LayerVPF layer;
    layer.SetPath(path);
    layer.Open();
    const std::string text =
        fmttest::ErrorText([&] { layer.MoveFirst(GisWholeWorldExtent()); });
    EXPECT_EQ(text.rfind(bad0034, 0), 0u) << text;
    EXPECT_FALSE(layer.BusyHeld());
  }

  // An edge whose coordinate count runs past its file.
  TTempDir dir("vpf-damaged-edge");
  const std::string path = ThreeTiles().Write(dir);
  TVpfTable edg("id=I,1,P,Id,-,-,-,:coordinates=C,*,N,c,-,-,-,");
  edg.Row(Le32(1) + Le32(0x20000000));
  edg.Row(Le32(2) + Le32(0x20000000));
  edg.Write(dir, "lib/roads/a/edg", true);
  TGIS_LayerVPF layer;
  layer.SetPath(path);
  layer.Open();
  const std::string text = fmttest::ErrorText([&] { layer.MoveFirst(GisWholeWorldExtent()); });
  EXPECT_EQ(text.rfind(bad0034, 0), 0u) << text;
}

TEST(VpfLayer, TablesWhoseRowsTakeNoBytesEndInsteadOfLooping) {
  TTempDir dir("vpf-empty-rows");
  const std::string path = ThreeTiles().Write(dir);
  TVpfTable none("");
  none.Row("some bytes after the header");
  none.Write(dir, "lib/roads/roadl.ljt", false);
  TVpfTable zero("table=T,0,N,t,-,-,-,:value=T,0,N,v,-,-,-,");
  zero.Row("more bytes");
  zero.Write(dir, "lib/roads/char.vdt", false);
  TGIS_LayerVPF layer;
  layer.SetPath(path);
  layer.Open();
  EXPECT_TRUE(layer.JoinTable().JoinRows.empty());
  EXPECT_TRUE(layer.ValueDescriptions().empty());
  EXPECT_EQ(layer.GetLastUid(), 6);

  TVpfTable tiles("name=T,0,N,t,-,-,-,:other=T,0,N,v,-,-,-,");
  tiles.Row("x");
  tiles.Write(dir, "lib/tileref/tileref.aft", false);
  TGIS_LayerVPF refused;
  refused.SetPath(path);
  const std::string text = fmttest::ErrorText([&] { refused.Open(); });
  EXPECT_EQ(text.rfind("0034", 0), 0u) << text;
}

TEST(VpfLayer, SamplesAndFactoryRows) {
  GisFormatsRegisterLayers();
  for (const char* ext : {".lft", ".PFT", ".tft"}) {
    auto layer = GisCreateLayer("v", std::string("/nowhere/x") + ext);
    EXPECT_NE(dynamic_cast<TGIS_LayerVPF*>(layer.get()), nullptr) << ext;
  }
  EXPECT_EQ(GisCreateLayer("v", "/nowhere/x.aft"), nullptr);

  // The good sample reads; the damaged one (a tile id beyond 65535) is refused.
  TGIS_LayerVPF good;
  good.SetPath(fmttest::DataFile("vpf/good/roads/roadl.lft"));
  good.Open();
  EXPECT_GT(good.GetLastUid(), 0);
  TGIS_LayerVPF damaged;
  damaged.SetPath(fmttest::DataFile("vpf/damaged/roads/roadl.lft"));
  const std::string text = fmttest::ErrorText([&] { damaged.Open(); });
  EXPECT_EQ(text.rfind("0034", 0), 0u) << text;
}

} // namespace vpftest
