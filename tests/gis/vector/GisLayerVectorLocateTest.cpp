// Locating the shape nearest to a point: LocateEx against a brute-force
// model, its rules one by one, and the viewer's Locate over vector layers.
#include <gtest/gtest.h>
#include <random>

#include "ShapeTestSupport.h"
#include "gis/vector/GisSqlQuery.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
TGIS_Shape* AddShape(TGIS_LayerVector& layer, TGIS_ShapeType type, const TParts& parts) {
  TGIS_Shape* s = layer.CreateShape(type);
  for (const auto& part : parts) {
    s->AddPart();
    for (const TGIS_Point& p : part)
      s->AddPoint(p);
  }
  return s;
}

// ---- the model: distances written out plainly ---------------------------------------------

double SegmentDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p) {
  const double dx = b.X - a.X, dy = b.Y - a.Y, l = dx * dx + dy * dy;
  double t = l == 0 ? 0 : ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l;
  t = std::max(0.0, std::min(1.0, t));
  return std::hypot(a.X + t * dx - p.X, a.Y + t * dy - p.Y);
}

bool InRing(const std::vector<TGIS_Point>& ring, const TGIS_Point& p) {
  bool in = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    if ((ring[i].Y > p.Y) != (ring[j].Y > p.Y) &&
        p.X < ring[i].X + (ring[j].X - ring[i].X) * (p.Y - ring[i].Y) / (ring[j].Y - ring[i].Y))
      in = !in;
  return in;
}

struct TModelShape {
  int Uid;
  TGIS_ShapeType Type;
  TParts Parts;
};

/// The score of one part: plain distance, or the inside bonus for a ring
/// holding the point.
double PartScore(const TModelShape& s, int part, const TGIS_Point& p, double tolerance) {
  const auto& v = s.Parts[std::size_t(part)];
  bool holds = false;
  if (s.Type == gisShapeTypePolygon) {
    int inside = 0;
    for (const auto& ring : s.Parts)
      inside += InRing(ring, p) ? 1 : 0;
    holds = inside % 2 == 1;
  }
  const double limit = s.Type == gisShapeTypePolygon && !holds ? 1.7e308 : tolerance;
  const bool bonus = s.Type == gisShapeTypePolygon && limit >= 0 && InRing(v, p);
  double best = bonus ? std::fabs(limit) : 1.7e308;
  if (s.Type == gisShapeTypePoint || s.Type == gisShapeTypeMultiPoint || v.size() == 1) {
    for (const TGIS_Point& q : v)
      best = std::min(best, std::hypot(q.X - p.X, q.Y - p.Y));
    return best;
  }
  for (std::size_t i = 1; i < v.size(); ++i)
    best = std::min(best, SegmentDistance(v[i - 1], v[i], p));
  return bonus ? best * 0.9 : best;
}

std::vector<TGIS_Point> RandomPart(std::mt19937& rnd, int n, double cx, double cy) {
  std::uniform_real_distribution<double> d(-15, 15);
  std::vector<TGIS_Point> part;
  for (int i = 0; i < n; ++i)
    part.push_back({cx + d(rnd), cy + d(rnd)});
  return part;
}
} // namespace

TEST(GisLayerVectorLocate, LocateExMatchesABruteForceModel) {
  std::mt19937 rnd(1903);
  std::uniform_real_distribution<double> at(0, 200);
  TGIS_LayerVector layer;
  layer.Open();
  std::vector<TModelShape> model;
  for (int i = 0; i < 120; ++i) {
    const double cx = at(rnd), cy = at(rnd);
    TParts parts;
    TGIS_ShapeType type = TGIS_ShapeType(2 + i % 4);
    switch (type) {
    case gisShapeTypePoint:
      parts = {RandomPart(rnd, 1, cx, cy)};
      break;
    case gisShapeTypeMultiPoint:
      parts = {RandomPart(rnd, 4, cx, cy)};
      break;
    case gisShapeTypeArc:
      parts = {RandomPart(rnd, 3, cx, cy), RandomPart(rnd, 2, cx, cy)};
      break;
    default: {
      // A rectangle with a rectangular hole in one of two.
      const double w = 5 + at(rnd) / 10, h = 5 + at(rnd) / 10;
      parts = {{{cx, cy}, {cx, cy + h}, {cx + w, cy + h}, {cx + w, cy}, {cx, cy}}};
      if (i % 8 == 5)
        parts.push_back({{cx + 1, cy + 1},
                         {cx + 2, cy + 1},
                         {cx + 2, cy + 2},
                         {cx + 1, cy + 2},
                         {cx + 1, cy + 1}});
    }
    }
    TGIS_Shape* s = AddShape(layer, type, parts);
    model.push_back({s->Uid(), type, PartsOf(*s)});
  }
  int found = 0, compared = 0;
  for (int k = 0; k < 600; ++k) {
    const TGIS_Point q{at(rnd), at(rnd)};
    const double tolerance = 1 + at(rnd) / 20;
    const int excluded = k % 5 == 0 ? model[std::size_t(k) % model.size()].Uid : -1;
    // The model: the strictly smallest score among shapes whose box meets
    // the square around the point.
    double best = 1.7e308, second = 1.7e308;
    int bestUid = -1;
    for (const TModelShape& s : model) {
      TGIS_Extent box = GisEmptyExtent();
      for (const auto& part : s.Parts)
        for (const TGIS_Point& p : part)
          box = GisIsEmptyExtent(box) ? TGIS_Extent{p.X, p.Y, p.X, p.Y}
                                      : GisExtentUnion(box, {p.X, p.Y, p.X, p.Y});
      if (!GisIsExtentIntersecting(
              box, {q.X - tolerance, q.Y - tolerance, q.X + tolerance, q.Y + tolerance}) ||
          s.Uid == excluded)
        continue;
      for (int part = 0; part < int(s.Parts.size()); ++part) {
        const double d = PartScore(s, part, q, tolerance);
        if (d < best) {
          second = best;
          best = d;
          bestUid = s.Uid;
        } else if (d < second && s.Uid != bestUid) {
          second = d;
        }
      }
    }
    double distance;
    int part;
    TGIS_Point nearest;
    TGIS_Shape* got = layer.LocateEx(q, tolerance, excluded, distance, part, nearest);
    const bool expectHit = bestUid >= 0 && tolerance >= best;
    if (second - best < 1e-9 || std::fabs(best - tolerance) < 1e-9) continue; // a near tie
    ++compared;
    ASSERT_EQ(got != nullptr, expectHit) << "query " << k;
    if (got == nullptr) continue;
    ++found;
    EXPECT_EQ(got->Uid(), bestUid) << "query " << k;
    EXPECT_NEAR(distance, best, 1e-9) << "query " << k;
    EXPECT_NE(got->Uid(), excluded);
  }
  EXPECT_GT(compared, 400);
  EXPECT_GT(found, 100);
  EXPECT_LT(found, compared);
}

TEST(GisLayerVectorLocate, RulesOfLocateEx) {
  TGIS_Viewer viewer(nullptr);
  auto* layer = new TGIS_LayerVector();
  layer->SetName("rules");
  viewer.Add(layer);
  TGIS_Shape* big =
      AddShape(*layer, gisShapeTypePolygon, {{{0, 0}, {0, 100}, {100, 100}, {100, 0}, {0, 0}}});
  AddShape(*layer, gisShapeTypePoint, {{{59.5, 50}}});
  double distance;
  int part;
  TGIS_Point nearest;
  // Inside the polygon, far from its edges: it scores 0.9 × the precision and
  // wins over a point that is merely within the precision.
  EXPECT_EQ(layer->LocateEx({50, 50}, 10, -1, distance, part, nearest), big);
  EXPECT_DOUBLE_EQ(distance, 9);
  EXPECT_EQ(part, 0);
  EXPECT_TRUE(GisIsSamePoint(nearest, {50, 50}));
  // Outside the polygon: the nearer shape; of equally near ones the first.
  TGIS_Shape* right = AddShape(*layer, gisShapeTypePoint, {{{203, 50}}});
  TGIS_Shape* left = AddShape(*layer, gisShapeTypePoint, {{{197, 50}}});
  EXPECT_EQ(layer->LocateEx({200, 50}, 5, -1, distance, part, nearest), right);
  EXPECT_DOUBLE_EQ(distance, 3);
  EXPECT_TRUE(GisIsSamePoint(nearest, {203, 50}));
  // The excluded UID is skipped.
  EXPECT_EQ(layer->LocateEx({200, 50}, 5, right->Uid(), distance, part, nearest), left);
  // A miss: nil and 1.7e308; the nearest point stays the query.
  EXPECT_EQ(layer->LocateEx({500, 500}, 5, -1, distance, part, nearest), nullptr);
  EXPECT_EQ(distance, 1.7e308);
  EXPECT_EQ(part, -1);
  EXPECT_TRUE(GisIsSamePoint(nearest, {500, 500}));
  // In the search square but beyond the precision: nil, with the distance.
  EXPECT_EQ(layer->LocateEx({200, 55}, 5.5, -1, distance, part, nearest), nullptr);
  EXPECT_NEAR(distance, std::hypot(3, 5), 1e-12);
  EXPECT_EQ(layer->Locate({200, 50}, 5), right);
}

TEST(GisLayerVectorLocate, TheViewerLocatesThroughItsVectorLayers) {
  TGIS_Viewer viewer(nullptr);
  auto* lower = new TGIS_LayerVector();
  lower->SetName("lower");
  viewer.Add(lower);
  auto* upper = new TGIS_LayerVector();
  upper->SetName("upper");
  viewer.Add(upper);
  TGIS_Shape* line = AddShape(*lower, gisShapeTypeArc, {{{0, 0}, {10, 0}}});
  TGIS_Shape* point = AddShape(*upper, gisShapeTypePoint, {{{5, 3}}});
  EXPECT_EQ(viewer.Locate({5, 1}, 5, false), line) << "the line is nearer";
  EXPECT_EQ(viewer.Locate({5, 2.5}, 5, false), point);
  EXPECT_EQ(viewer.Locate({50, 50}, 5, false), nullptr);
  // Visible only: hidden shapes and invisible layers' sections are passed over.
  EXPECT_EQ(viewer.Locate({5, 2.5}, 5, true), point);
  point->SetIsHidden(true);
  EXPECT_EQ(viewer.Locate({5, 2.5}, 5, true), line);
  EXPECT_EQ(viewer.Locate({5, 2.5}, 5, false), point);
  lower->ParamsList().GetItem(0).SetVisible(false);
  EXPECT_EQ(viewer.Locate({5, 2.5}, 5, true), nullptr);
}

TEST(GisLayerVectorLocate, VisibleOnlyFollowsTheSectionOfEachShape) {
  GisSqlQueryInstall();
  auto uninstall = ScopeExit([] { GisSetSqlQueryFactory(nullptr); });
  TGIS_Viewer viewer(nullptr);
  auto* layer = new TGIS_LayerVector();
  layer->SetName("sections");
  viewer.Add(layer);
  layer->AddField("A", gisFieldTypeNumber, 5, 0);
  TGIS_Shape* low = AddShape(*layer, gisShapeTypePoint, {{{0, 0}}});
  low->SetField("A", 0);
  TGIS_Shape* high = AddShape(*layer, gisShapeTypePoint, {{{10, 0}}});
  high->SetField("A", 5);
  // A second section, tried first, hides the shapes its query holds for.
  layer->ParamsList().Add();
  auto& hiding = dynamic_cast<TGIS_ParamsSectionVector&>(layer->ParamsList().GetItem(1));
  hiding.SetQuery("A > 1");
  hiding.SetVisible(false);
  EXPECT_EQ(layer->Locate({10, 0}, 3, false), high);
  EXPECT_EQ(layer->Locate({10, 0}, 3, true), nullptr);
  EXPECT_EQ(layer->Locate({0, 0}, 3, true), low);
  EXPECT_EQ(layer->Locate({9, 0}, 10, true), low) << "the hidden nearer shape is passed over";
}
