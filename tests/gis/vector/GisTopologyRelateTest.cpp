// Relate: named cases against the matrices GEOS gives (endpoint boundary
// rule), each also swapped, prepared and moved far from the origin; the
// pattern language; prepared shapes that stay as built.
#include <gtest/gtest.h>

#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisViewer.h"
#include "tests/gis/vector/TopologyTestSupport.h"

using namespace topotest;

namespace {

enum class TKind { Polygon, Line, Points };

struct TGeom {
  TKind Kind;
  std::vector<TRing> Parts;
};

std::unique_ptr<TGIS_Shape> Make(const TGeom& g, const TPlacement& at) {
  const std::vector<TRing> parts = at.Apply(g.Parts);
  switch (g.Kind) {
  case TKind::Polygon:
    return Polygon(parts);
  case TKind::Line:
    return Line(parts);
  case TKind::Points:
    return Points(parts[0]);
  }
  return nullptr;
}

TGeom Poly(std::vector<TRing> rings) {
  return {TKind::Polygon, std::move(rings)};
}
TGeom Ln(std::vector<TRing> parts) {
  return {TKind::Line, std::move(parts)};
}
TGeom Pts(TRing points) {
  return {TKind::Points, {std::move(points)}};
}

struct TRelateCase {
  const char* Name;
  TGeom A, B;
  const char* Matrix; // as GEOS answers
};

std::vector<TRelateCase> RelateCases() {
  const TRing big = Square(0, 0, 10), small = Square(2, 2, 3);
  return {
      {"small in big", Poly({small}), Poly({big}), "2FF1FF212"},
      {"big with small", Poly({big}), Poly({small}), "212FF1FF2"},
      {"disjoint", Poly({Square(0, 0, 1)}), Poly({Square(5, 5, 1)}), "FF2FF1212"},
      {"shared side", Poly({Square(0, 0, 1)}), Poly({Square(1, 0, 1)}), "FF2F11212"},
      {"identical", Poly({big}), Poly({Reversed(big)}), "2FFF1FFF2"},
      {"overlap", Poly({Square(0, 0, 2)}), Poly({Square(1, 1, 2)}), "212101212"},
      {"vertex touches side", Poly({Square(0, 0, 2)}), Poly({{{2, 1}, {3, 2}, {3, 0}}}),
       "FF2F01212"},
      {"lake fills hole", Poly({Reversed(small)}), Poly({big, Reversed(small)}), "FF2F1F212"},
      {"line crosses polygon", Ln({{{-1, 1}, {3, 1}}}), Poly({Square(0, 0, 2)}), "101FF0212"},
      {"line inside polygon", Ln({{{0.5, 1}, {1.5, 1}}}), Poly({Square(0, 0, 2)}), "1FF0FF212"},
      {"line on side", Ln({{{0, 0.5}, {0, 1.5}}}), Poly({Square(0, 0, 2)}), "F1FF0F212"},
      {"line ends on side", Ln({{{-1, 1}, {0, 1}}}), Poly({Square(0, 0, 2)}), "FF1F00212"},
      {"lines cross", Ln({{{0, 0}, {2, 2}}}), Ln({{{0, 2}, {2, 0}}}), "0F1FF0102"},
      {"lines overlap", Ln({{{0, 0}, {2, 0}}}), Ln({{{1, 0}, {3, 0}}}), "1010F0102"},
      {"lines share end", Ln({{{0, 0}, {1, 0}}}), Ln({{{1, 0}, {1, 1}}}), "FF1F00102"},
      {"T-junction", Ln({{{0, 0}, {2, 0}}}), Ln({{{1, 0}, {1, 1}}}), "F01FF0102"},
      {"line inside line", Ln({{{1, 0}, {2, 0}}}), Ln({{{0, 0}, {3, 0}}}), "1FF0FF102"},
      {"point on boundary", Pts({{0, 1}}), Poly({Square(0, 0, 2)}), "F0FFFF212"},
      {"point in hole", Pts({{3, 3}}), Poly({big, Reversed(small)}), "FF0FFF212"},
      {"point at line end", Pts({{2, 0}}), Ln({{{0, 0}, {2, 0}}}), "F0FFFF102"},
      {"point mid-line", Pts({{1, 0}}), Ln({{{0, 0}, {2, 0}}}), "0FFFFF102"},
      {"multipoint on both ends", Pts({{0, 0}, {2, 0}}), Ln({{{0, 0}, {2, 0}}}), "F0FFFF1F2"},
      {"polygon with inner point", Poly({Square(0, 0, 2)}), Pts({{1, 1}}), "0F2FF1FF2"},
      {"point at closed line start", Pts({{0, 0}}), Ln({{{0, 0}, {1, 0}, {1, 1}, {0, 0}}}),
       "F0FFFF1F2"},
      {"points and points", Pts({{0, 0}, {1, 1}}), Pts({{1, 1}, {2, 2}}), "0F0FFF0F2"},
  };
}

class RelateTable : public ::testing::TestWithParam<TPlacement> {};

TEST_P(RelateTable, EveryPositionAsGeosAnswers) {
  for (const TRelateCase& c : RelateCases()) {
    SCOPED_TRACE(c.Name);
    const auto a = Make(c.A, GetParam());
    const auto b = Make(c.B, GetParam());
    TGIS_Topology topology;
    T_RelateMatrix m;
    ASSERT_TRUE(topology.RelateMatrix(a.get(), b.get(), m));
    EXPECT_EQ(m.ToString(), c.Matrix);
    ASSERT_TRUE(topology.RelateMatrix(b.get(), a.get(), m));
    EXPECT_EQ(m.Transposed().ToString(), c.Matrix);
    // The full matrix as a pattern, and swapped with the transposed pattern.
    EXPECT_TRUE(topology.Relate(a.get(), b.get(), c.Matrix));
    EXPECT_TRUE(topology.Relate(b.get(), a.get(), TGIS_Topology::TransposePattern(c.Matrix)));
    // Prepared, either operand.
    TGIS_Topology prepared;
    prepared.SetPreparedShape(b.get());
    EXPECT_TRUE(prepared.Relate(a.get(), b.get(), c.Matrix));
    EXPECT_TRUE(prepared.Relate(a.get(), b.get(), c.Matrix));
    prepared.SetPreparedShape(a.get());
    EXPECT_TRUE(prepared.Relate(a.get(), b.get(), c.Matrix));
  }
}

INSTANTIATE_TEST_SUITE_P(Placements, RelateTable,
                         ::testing::Values(TPlacement{0, 0, 0}, TPlacement{0.3, 5e5, 5e6},
                                           TPlacement{-1.1, 1e7, -1e7}));

TEST(Relate, NamedMatricesAreWhatGeosAnswers) {
  // The table above is GEOS's own answer; this keeps it honest.
  std::vector<std::string> requests;
  const auto cases = RelateCases();
  for (const TRelateCase& c : cases) {
    const auto a = Make(c.A, {}), b = Make(c.B, {});
    requests.push_back("relate " + Hex(a.get()) + " " + Hex(b.get()));
  }
  const auto answers = AskGeos(requests);
  ASSERT_EQ(answers.size(), cases.size()) << "the GEOS oracle (python3-shapely) did not answer";
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(answers[i], cases[i].Matrix) << cases[i].Name;
}

TEST(Relate, PatternLanguage) {
  const auto inner = Polygon({Square(2, 2, 3)}), outer = Polygon({Square(0, 0, 10)});
  const auto far = Polygon({Square(20, 20, 1)}), next = Polygon({Square(10, 0, 10)});
  TGIS_Topology t;
  struct TCase {
    TGIS_Shape* A;
    TGIS_Shape* B;
    const char* Pattern;
    bool Expected;
  };
  const TCase cases[] = {
      {inner.get(), outer.get(), "**F", true},
      {inner.get(), outer.get(), "T", true},
      {outer.get(), inner.get(), "**F", false},
      {inner.get(), far.get(), "T", false},
      {inner.get(), far.get(), "F", true},
      {inner.get(), far.get(), "FF*FF****", true},
      {outer.get(), next.get(), "F***T****", true},
      {outer.get(), next.get(), "f***1", true},
      {outer.get(), next.get(), "F***0", false},
      {inner.get(), outer.get(), "", true},
      {inner.get(), outer.get(), "2FF1FF212xyz", true},
      {inner.get(), outer.get(), "1", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(t.Relate(c.A, c.B, c.Pattern), c.Expected) << c.Pattern;
}

TEST(Relate, TransposePattern) {
  const std::pair<const char*, const char*> cases[] = {
      {"**F", "******F"}, {"T*F**F***", "T*****FF"},  {"*********", ""},
      {"", ""},           {"012345678", "036147258"}, {"FF*FF", "FF*FF"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(TGIS_Topology::TransposePattern(in), out);
}

TEST(Relate, NoGeometryKindOrEmptyShapeIsNeverRelated) {
  TGIS_Topology t;
  const auto square = Polygon({Square(0, 0, 1)});
  TGIS_ShapePolygon empty;
  EXPECT_FALSE(t.Relate(square.get(), &empty, "F"));
  // An empty pattern asks nothing of shapes with geometry kinds.
  EXPECT_TRUE(t.Relate(&empty, square.get(), ""));
  EXPECT_FALSE(t.Relate(&empty, square.get(), "*"));
  // Only vertices closer than the tolerance: no contour vertices, so no
  // relation at all.
  const auto flat = Polygon({{{0, 0}, {1e-20, 0}, {0, 1e-20}, {1e-20, 1e-20}}});
  EXPECT_FALSE(t.Relate(square.get(), flat.get(), "F"));
  EXPECT_FALSE(t.Relate(square.get(), nullptr, ""));
}

TEST(Relate, PolygonWithPointNeverLiesWithin) {
  TGIS_Topology t;
  const auto square = Polygon({Square(0, 0, 2)});
  const auto p = Points({{1, 1}});
  EXPECT_FALSE(t.Relate(square.get(), p.get(), "**F"));
  EXPECT_TRUE(t.Relate(p.get(), square.get(), "**F"));
}

// A prepared shape answers like an unprepared one in any candidate order,
// and its contour is the same after every candidate.
TEST(Relate, PreparedShapeStaysAsBuiltAndOrderDoesNotMatter) {
  std::mt19937 rng(7);
  std::vector<std::unique_ptr<TGIS_Shape>> prepares;
  prepares.push_back(Polygon(StarWithHoles(rng, {0, 0}, 100)));
  TRing zigzag;
  for (int i = 0; i <= 60; ++i)
    zigzag.push_back({-100 + i * 200.0 / 60, i % 2 == 0 ? -40.0 : 40.0});
  prepares.push_back(Line({zigzag}));
  std::vector<std::unique_ptr<TGIS_Shape>> candidates;
  std::uniform_real_distribution<double> pos(-120, 120), size(1, 30);
  for (int i = 0; i < 10000; ++i) {
    const TGIS_Point c{pos(rng), pos(rng)};
    if (i % 3 == 0) candidates.push_back(Points({c}));
    if (i % 3 == 1)
      candidates.push_back(Line({{c, {c.X + size(rng), c.Y - size(rng)}, {c.X + 5, c.Y + 9}}}));
    if (i % 3 == 2) candidates.push_back(Polygon({Star(rng, c, 8, 1, size(rng))}));
  }
  for (const auto& big : prepares) {
    SCOPED_TRACE(big->ShapeType() == gisShapeTypeArc ? "prepared line" : "prepared polygon");
    TGIS_Topology plain, prepared, shuffled;
    prepared.SetPreparedShape(big.get());
    shuffled.SetPreparedShape(big.get());
    std::vector<std::string> first(candidates.size()), second(candidates.size());
    int built = -1;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      T_RelateMatrix expected, got;
      ASSERT_TRUE(plain.RelateMatrix(big.get(), candidates[i].get(), expected));
      ASSERT_TRUE(prepared.RelateMatrix(big.get(), candidates[i].get(), got));
      EXPECT_EQ(got.ToString(), expected.ToString()) << i;
      EXPECT_EQ(prepared.Relate(big.get(), candidates[i].get(), "T*F**F***"),
                expected.Matches("T*F**F***"));
      first[i] = expected.ToString();
      if (built < 0) built = prepared.PreparedVertexCount();
      EXPECT_EQ(prepared.PreparedVertexCount(), built);
    }
    std::vector<std::size_t> order(candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i)
      order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (std::size_t i : order) {
      T_RelateMatrix m;
      ASSERT_TRUE(shuffled.RelateMatrix(candidates[i].get(), big.get(), m));
      second[i] = m.Transposed().ToString();
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(shuffled.PreparedVertexCount(), built);
    // And the matrices are GEOS's.
    std::vector<std::string> requests;
    for (const auto& c : candidates)
      requests.push_back("relate " + Hex(big.get()) + " " + Hex(c.get()));
    const auto answers = AskGeos(requests);
    ASSERT_EQ(answers.size(), requests.size()) << "the GEOS oracle did not answer";
    for (std::size_t i = 0; i < answers.size(); ++i)
      EXPECT_EQ(first[i], answers[i]) << "candidate " << i << " " << Hex(candidates[i].get());
  }
}

// A pattern is answered as soon as the facts gathered so far settle it; the
// answer is always the full matrix's. Random pairs of every kind (on a
// coarse grid, so that sides and vertices are shared), both orders, plain
// and with either operand prepared, against a table of patterns that
// settle early to true, to false, or only at the end.
TEST(Relate, PatternAnswerIsTheFullMatrixAnswer) {
  const char* const patterns[] = {"T",         "F",  "**F",  "T*F**F***", "FF*FF****", "F***T****",
                                  "T*T***T**", "2",  "1",    "0********", "*1",        "1*2",
                                  "******F",   "*T", "***T", "T*****FF*", "FF2FF1212", "212101212",
                                  "2FF1FF212", "**", "t**f", "T********x"};
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> pos(-12, 12), size(2, 14);
  std::uniform_int_distribution<int> kind(0, 3);
  const auto shape = [&](int k) -> std::unique_ptr<TGIS_Shape> {
    const TGIS_Point c{std::round(pos(rng)), std::round(pos(rng))};
    switch (k) {
    case 0:
      return Polygon({Star(rng, c, 7, 0.4 * size(rng), size(rng), 1)});
    case 1:
      return Polygon(StarWithHoles(rng, c, size(rng), 1));
    case 2: {
      TRing chain{c};
      for (int i = 0; i < 5; ++i)
        chain.push_back(
            {std::round(chain.back().X + pos(rng) / 2), std::round(chain.back().Y + pos(rng) / 2)});
      return Line({chain});
    }
    default: {
      TRing points;
      for (int i = 0; i < 1 + static_cast<int>(rng() % 3); ++i)
        points.push_back({std::round(c.X + pos(rng) / 3), std::round(c.Y + pos(rng) / 3)});
      return Points(points);
    }
    }
  };
  int settledTrue = 0, answeredFalse = 0;
  for (int pair = 0; pair < 400; ++pair) {
    const auto a = shape(kind(rng)), b = shape(kind(rng));
    for (int prepare = 0; prepare < 3; ++prepare) {
      TGIS_Topology t;
      if (prepare == 1) t.SetPreparedShape(a.get());
      if (prepare == 2) t.SetPreparedShape(b.get());
      for (const auto& [x, y] : {std::pair{a.get(), b.get()}, std::pair{b.get(), a.get()}}) {
        T_RelateMatrix full;
        ASSERT_TRUE(t.RelateMatrix(x, y, full)) << pair;
        for (const char* p : patterns) {
          const bool got = t.Relate(x, y, p);
          EXPECT_EQ(got, full.Matches(p))
              << "pair " << pair << " prepared " << prepare << " pattern " << p << " matrix "
              << full.ToString() << "\n"
              << Hex(x) << "\n"
              << Hex(y);
          (got ? settledTrue : answeredFalse) += 1;
        }
      }
    }
  }
  // Both answers occur often enough for the table to mean something.
  EXPECT_GT(settledTrue, 5000);
  EXPECT_GT(answeredFalse, 5000);
}

// The point raster of a prepared polygon answers as the exact test does,
// also for points a fraction of a pixel from the edges.
TEST(Relate, RasterAgreesWithExactTest) {
  std::mt19937 rng(11);
  const auto shape = Polygon(StarWithHoles(rng, {5e5, 5e6}, 1000));
  const auto withRaster = T_Contour::CreateFromPolygon(*shape, 1e-9, true);
  const auto exact = T_Contour::CreateFromPolygon(*shape, 1e-9, false);
  ASSERT_TRUE(withRaster->HasRaster());
  const TGIS_Extent e = exact->Extent;
  const double pixel = (e.XMax - e.XMin) / 507;
  std::uniform_real_distribution<double> x(e.XMin - 10, e.XMax + 10), y(e.YMin - 10, e.YMax + 10);
  std::uniform_int_distribution<int> vertex(0, static_cast<int>(exact->Parts[0].Points.size()) - 1);
  const double offsets[] = {-1, -0.5, 0.5, 1};
  int mismatches = 0;
  for (int i = 0; i < 100000; ++i) {
    TGIS_Point p{x(rng), y(rng)};
    if (i % 2 == 1) {
      // Near a vertex of the outer ring, a pixel fraction away.
      const TGIS_Point v = exact->Parts[0].Points[static_cast<std::size_t>(vertex(rng))];
      p = {v.X + offsets[i % 4] * pixel, v.Y + offsets[(i / 4) % 4] * pixel};
    }
    if (withRaster->PointInContour(p) != exact->PointInContour(p)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
}

// A vertex half a merge radius from a side is a point of that side; at one
// and a half it is apart.
TEST(Relate, AVertexWithinTheMergeRadiusOfASideLiesOnIt) {
  for (const TPlacement& at : {TPlacement{0, 0, 0}, TPlacement{0, 5e5, 5e6}}) {
    const auto a = Polygon(at.Apply(std::vector<TRing>{Square(0, 0, 10)}));
    const auto touching = Polygon(at.Apply(std::vector<TRing>{{{10, 5}, {15, 8}, {15, 2}}}));
    TGIS_Topology t;
    T_RelateMatrix m;
    ASSERT_TRUE(t.RelateMatrix(a.get(), touching.get(), m));
    const double r = t.MergeRadius();
    for (const auto& [offset, matrix] :
         {std::pair{0.5, "FF2F01212"}, std::pair{1.5, "FF2FF1212"}}) {
      const TGIS_Point v = at.Apply(TGIS_Point{10, 5});
      const auto b = Polygon(
          {{{v.X + offset * r, v.Y}, at.Apply(TGIS_Point{15, 8}), at.Apply(TGIS_Point{15, 2})}});
      ASSERT_TRUE(t.RelateMatrix(a.get(), b.get(), m));
      EXPECT_EQ(m.ToString(), matrix) << offset << " R from the side, R = " << r;
    }
  }
}

// A box the raster calls wholly inside or wholly outside meets no edge, and
// its centre answers the same by the exact test; most boxes away from the
// boundary get an answer.
/// Whether the segment ab passes through the box (clipping its parameter).
bool SegmentMeetsBox(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Extent& box) {
  double t0 = 0, t1 = 1;
  const double d[2] = {b.X - a.X, b.Y - a.Y};
  const double lo[2] = {box.XMin - a.X, box.YMin - a.Y}, hi[2] = {box.XMax - a.X, box.YMax - a.Y};
  for (int k = 0; k < 2; ++k) {
    if (d[k] == 0) {
      if (lo[k] > 0 || hi[k] < 0) return false;
      continue;
    }
    double u = lo[k] / d[k], v = hi[k] / d[k];
    if (u > v) std::swap(u, v);
    t0 = std::max(t0, u);
    t1 = std::min(t1, v);
  }
  return t0 <= t1;
}

TEST(Relate, RasterRegionsOfBoxes) {
  std::mt19937 rng(13);
  const auto shape = Polygon(StarWithHoles(rng, {5e5, 5e6}, 1000));
  const auto c = T_Contour::CreateFromPolygon(*shape, 1e-9, true);
  const auto exact = T_Contour::CreateFromPolygon(*shape, 1e-9, false);
  const TGIS_Extent e = c->Extent;
  std::uniform_real_distribution<double> x(e.XMin - 300, e.XMax + 300),
      y(e.YMin - 300, e.YMax + 300), size(0.1, 150);
  int known = 0;
  for (int i = 0; i < 20000; ++i) {
    const TGIS_Point p{x(rng), y(rng)};
    const double w = size(rng), h = size(rng);
    const TGIS_Extent box{p.X, p.Y, p.X + w, p.Y + h};
    const int region = c->RasterRegion(box);
    if (region < 0) continue;
    ++known;
    int edges = 0;
    c->ForEachSegmentIn(box, [&](int part, int index) {
      const TRing& ring = c->Parts[static_cast<std::size_t>(part)].Points;
      const std::size_t k = static_cast<std::size_t>(index);
      if (SegmentMeetsBox(ring[k], ring[(k + 1) % ring.size()], box)) ++edges;
    });
    EXPECT_EQ(edges, 0) << i;
    const TGIS_Point centre{p.X + w / 2, p.Y + h / 2};
    EXPECT_EQ(exact->PointInContour(centre), region == 1) << i;
  }
  EXPECT_GT(known, 10000);
}

// A point set against a line: a chain end without a point is boundary in the
// exterior.
TEST(Relate, PointsOnBothLineEndsLeaveNoBoundaryOutside) {
  TGIS_Topology t;
  const auto line = Line({{{0, 0}, {2, 0}}});
  const auto both = Points({{0, 0}, {2, 0}}), one = Points({{0, 0}, {5, 5}});
  EXPECT_TRUE(t.Relate(both.get(), line.get(), "*******F"));
  EXPECT_TRUE(t.Relate(one.get(), line.get(), "*******0"));
}

} // namespace

namespace {

// A kilometre layer in a metre viewer: the prepared polygon's raster is
// built from the contour's own (viewer) points, so its pixels answer for
// viewer positions like the exact test does.
TEST(Relate, PreparedPolygonOfAKilometreLayerInAMetreViewer) {
  TGIS_Viewer viewer(nullptr);
  auto* layer = new TGIS_LayerVector();
  layer->Units().SetType(gisUnitsKilometer);
  viewer.Add(layer);
  TGIS_Shape* square = layer->CreateShape(gisShapeTypePolygon);
  square->AddPart();
  for (const TGIS_Point& p : TRing{{0, 0}, {0, 10000}, {10000, 10000}, {10000, 0}, {0, 0}})
    square->AddPoint(p);
  ASSERT_DOUBLE_EQ(square->GetExtentRaw().XMax, 10) << "stored in kilometres";
  struct TCase {
    TGIS_Point P; // metres
    bool Inside;
  };
  const TCase cases[] = {{{5000, 5000}, true},   {{9990, 20}, true},   {{20000, 5000}, false},
                         {{10010, 5000}, false}, {{5000, -15}, false}, {{15, 9985}, true}};
  TGIS_Topology prepared, plain;
  prepared.SetPreparedShape(square);
  for (const TCase& c : cases) {
    const auto p = Points({c.P});
    EXPECT_EQ(prepared.Relate(p.get(), square, "T"), c.Inside) << c.P.X << " " << c.P.Y;
    EXPECT_EQ(plain.Relate(p.get(), square, "T"), c.Inside) << c.P.X << " " << c.P.Y;
  }
}

} // namespace
