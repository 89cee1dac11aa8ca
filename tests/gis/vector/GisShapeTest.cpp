// Shapes without a layer: the record layout, block growth, raw records and
// their checks, mapped geometry, parts and points, lock levels, blobs.
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

#include "VectorTestSupport.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"

namespace {

/// A little-endian record body built field by field.
struct TShapeRecord {
  std::vector<std::uint8_t> Bytes;
  TShapeRecord& Int(std::int32_t v) {
    auto p = reinterpret_cast<const std::uint8_t*>(&v);
    Bytes.insert(Bytes.end(), p, p + 4);
    return *this;
  }
  TShapeRecord& Dbl(double v) {
    auto p = reinterpret_cast<const std::uint8_t*>(&v);
    Bytes.insert(Bytes.end(), p, p + 8);
    return *this;
  }
  TShapeRecord& Box(double a, double b, double c, double d) { return Dbl(a).Dbl(b).Dbl(c).Dbl(d); }
};

/// An arc record: parts given by their point counts, points (i, 2i).
std::vector<std::uint8_t> ArcRecord(const std::vector<int>& partSizes) {
  const int n = std::accumulate(partSizes.begin(), partSizes.end(), 0);
  TShapeRecord r;
  r.Box(0, 0, n, 2 * n).Int(static_cast<int>(partSizes.size())).Int(n);
  int start = 0;
  for (int s : partSizes) {
    r.Int(start);
    start += s;
  }
  for (int i = 0; i < n; ++i)
    r.Dbl(i).Dbl(2 * i);
  return r.Bytes;
}

bool IsAssertion(const std::function<void()>& f) {
  try {
    f();
  } catch (const EAssertionFailed&) {
    return true;
  }
  return false;
}

int GeometryErrors(TGIS_ShapeType type, const std::vector<std::uint8_t>& raw) {
  try {
    auto s = GisCreateShapeOfType(type, 0, nullptr);
    s->SetGeometryBlob(raw);
    return 0;
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.Message(), "0040 Error in geometry data");
    return 1;
  }
}

} // namespace

TEST(GisShape, EmptyShapeHasNothing) {
  for (auto type :
       {gisShapeTypePoint, gisShapeTypeMultiPoint, gisShapeTypeArc, gisShapeTypePolygon}) {
    auto s = GisCreateShapeOfType(type, 0, nullptr);
    EXPECT_TRUE(s->IsEmpty());
    EXPECT_EQ(s->GetHeaderSize(), 0);
    EXPECT_EQ(s->GetPointsSize(), 0);
    EXPECT_TRUE(GisIsSameExtent(s->GetExtentRaw(), GisEmptyExtent()));
    EXPECT_EQ(s->GetNumParts(), 0);
    EXPECT_EQ(s->GetPartSize(0), 0);
    EXPECT_TRUE(s->GetGeometryBlob().empty());
    for (int mode = 0; mode < 3; ++mode)
      EXPECT_FALSE(s->IsInExtent({0, 0, 10, 10}, mode));
  }
  EXPECT_EQ(GisCreateShapeOfType(gisShapeTypeUnknown, 0, nullptr), nullptr);
}

TEST(GisShape, BlocksGrowByTheStepsOfTheRecordLayout) {
  // Model: a block of size s grows to (s div step + 1) * step, plus one more
  // step when fewer than `room` bytes would stay free.
  auto model = [](std::size_t cap, std::size_t size, std::size_t step, std::size_t room) {
    if (cap == 0) return step;
    std::size_t c = (size / step + 1) * step;
    if (c - size <= room) c += step;
    return std::max(cap, c);
  };
  TGIS_ShapeArc arc;
  std::size_t headerCap = 0, pointsCap = 0;
  for (int part = 0; part < 20; ++part) {
    headerCap = model(headerCap, arc.GetHeaderSize(), 64, 4);
    pointsCap = model(pointsCap, arc.GetPointsSize(), 256, 16);
    arc.AddPart();
    EXPECT_EQ(arc.HeaderBlock().Capacity, headerCap) << part;
    for (int i = 0; i < 4; ++i) {
      pointsCap = model(pointsCap, arc.GetPointsSize(), 256, 16);
      headerCap = model(headerCap, arc.GetHeaderSize(), 64, 4);
      arc.AddPoint({double(i), double(part)});
      ASSERT_EQ(arc.PointsBlock().Capacity, pointsCap) << part << " " << i;
      ASSERT_EQ(arc.HeaderBlock().Capacity, headerCap);
    }
  }
  EXPECT_EQ(arc.GetNumParts(), 20);
  EXPECT_EQ(arc.GetNumPoints(), 80);

  // Taking over a record: header 60 gets 128 bytes, points 240 get 512.
  const auto raw = ArcRecord({5, 5, 2, 2, 1});
  TGIS_ShapeArc copy(nullptr, raw, false);
  EXPECT_EQ(copy.GetHeaderSize(), 60);
  EXPECT_EQ(copy.HeaderBlock().Capacity, 128u);
  EXPECT_EQ(copy.GetPointsSize(), 240);
  EXPECT_EQ(copy.PointsBlock().Capacity, 512u);
  // New bytes are zeroed.
  for (std::size_t i = 60; i < 128; ++i)
    ASSERT_EQ(copy.HeaderBlock().Data[i], 0);
}

TEST(GisShape, MultipointBlobIsTheRecordBodyPlusZero) {
  TGIS_ShapeMultiPoint mp;
  mp.AddPart();
  mp.AddPoint({1, 2});
  mp.AddPoint({-3, 4.5});
  const auto blob = mp.GetGeometryBlob();
  TShapeRecord expected;
  expected.Box(-3, 2, 1, 4.5).Int(2).Dbl(1).Dbl(2).Dbl(-3).Dbl(4.5).Bytes.push_back(0);
  EXPECT_EQ(blob.size(), 69u);
  EXPECT_EQ(blob, expected.Bytes);

  TGIS_ShapeMultiPoint back;
  back.SetGeometryBlob(blob);
  EXPECT_EQ(back.GetNumPoints(), 2);
  EXPECT_EQ(back.GetPoint(0, 1).X, -3);
  EXPECT_EQ(back.GetGeometryBlob(), blob);
}

TEST(GisShape, MalformedRecordsRaiseGeometryErrors) {
  struct Row {
    const char* name;
    TGIS_ShapeType type;
    std::vector<std::uint8_t> raw;
  };
  auto arc = ArcRecord({2, 3});
  auto cut = arc;
  cut.pop_back();
  auto negativeParts = arc;
  const std::int32_t minus = -1;
  std::memcpy(negativeParts.data() + 32, &minus, 4);
  auto firstNotZero = arc;
  std::int32_t one = 1;
  std::memcpy(firstNotZero.data() + 40, &one, 4);
  auto descending = ArcRecord({2, 3, 1});
  std::int32_t four = 4, two = 2;
  std::memcpy(descending.data() + 44, &four, 4);
  std::memcpy(descending.data() + 48, &two, 4);
  auto beyond = arc;
  std::int32_t nine = 9;
  std::memcpy(beyond.data() + 44, &nine, 4);
  auto hugeCount = arc;
  const std::int32_t big = 0x7FFFFFFF;
  std::memcpy(hugeCount.data() + 36, &big, 4);
  TShapeRecord mp;
  mp.Box(0, 0, 1, 1).Int(3).Dbl(0).Dbl(0);
  const Row rows[] = {
      {"short point", gisShapeTypePoint, {1, 2, 3}},
      {"short header", gisShapeTypeArc, std::vector<std::uint8_t>(39, 0)},
      {"cut points", gisShapeTypeArc, cut},
      {"negative parts", gisShapeTypeArc, negativeParts},
      {"first part not 0", gisShapeTypeArc, firstNotZero},
      {"descending parts", gisShapeTypePolygon, descending},
      {"part beyond points", gisShapeTypeArc, beyond},
      {"huge count", gisShapeTypeArc, hugeCount},
      {"multipoint count", gisShapeTypeMultiPoint, mp.Bytes},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GeometryErrors(r.type, r.raw), 1) << r.name;
  EXPECT_EQ(GeometryErrors(gisShapeTypeArc, arc), 0);
}

TEST(GisShape, RandomRecordsNeverReadOutside) {
  std::mt19937 rng(7);
  const auto good = ArcRecord({3, 1, 4});
  int rejected = 0;
  for (int i = 0; i < 20000; ++i) {
    auto raw = good;
    const int flips = 1 + int(rng() % 4);
    for (int f = 0; f < flips; ++f)
      raw[rng() % raw.size()] = std::uint8_t(rng());
    if (rng() % 4 == 0) raw.resize(rng() % raw.size());
    for (auto type : {gisShapeTypeArc, gisShapeTypeMultiPoint, gisShapeTypePoint}) {
      try {
        auto s = GisCreateShapeOfType(type, 0, nullptr);
        s->SetGeometryBlob(raw);
        // Everything a valid record allows must be readable.
        for (int p = 0; p < s->GetNumParts(); ++p)
          for (int k = 0; k < s->GetPartSize(p); ++k)
            (void)s->GetPoint(p, k);
        (void)s->GetGeometryBlob();
      } catch (const EGIS_Exception&) {
        ++rejected;
      }
    }
  }
  EXPECT_GT(rejected, 0);
}

TEST(GisShape, MappedGeometryIsNeverChangedOrKept) {
  auto buffer = ArcRecord({2, 2});
  const auto before = buffer;
  TGIS_ShapeArc mapped(nullptr, buffer, true, 7);
  EXPECT_TRUE(mapped.IsMapped());
  EXPECT_EQ(mapped.HeaderBlock().Data, buffer.data());
  {
    TGIS_ShapeArc shared(&mapped);
    EXPECT_TRUE(shared.IsMapped());
    EXPECT_EQ(shared.PointsBlock().Data, mapped.PointsBlock().Data);
    auto copy = mapped.CreateCopy();
    EXPECT_FALSE(copy->IsMapped());
    EXPECT_NE(copy->HeaderBlock().Data, buffer.data());
    copy->AddPoint({100, 100});
    EXPECT_EQ(copy->Uid(), 7);
  }
  // Editing unmaps first.
  TGIS_ShapeArc edited(nullptr, buffer, true);
  edited.AddPart();
  edited.AddPoint({5, 5});
  EXPECT_FALSE(edited.IsMapped());
  EXPECT_EQ(edited.GetNumPoints(), 6); // a new part stores its first vertex twice
  // Reset forgets mapped geometry and is empty; Recreate detaches.
  TGIS_ShapeArc reset(nullptr, buffer, true);
  reset.Reset();
  EXPECT_TRUE(reset.IsEmpty());
  EXPECT_EQ(reset.HeaderBlock().Data, nullptr);
  reset.AddPart();
  reset.AddPoint({1, 1});
  EXPECT_EQ(reset.GetNumPoints(), 2);
  TGIS_ShapeArc recreated(nullptr, buffer, true);
  recreated.Recreate(nullptr, {}, false, 0, nullptr);
  EXPECT_EQ(recreated.HeaderBlock().Data, nullptr);
  EXPECT_FALSE(recreated.IsMapped());
  // A record with no points, not mapped, is copied, not referenced.
  auto noPoints = ArcRecord({});
  TGIS_ShapeArc owned(nullptr, noPoints, false);
  EXPECT_NE(owned.HeaderBlock().Data, noPoints.data());
  EXPECT_EQ(buffer, before);
}

TEST(GisShape, PartsAndPointsStayInsideTheirPart) {
  TGIS_ShapeArc arc;
  arc.AddPart();
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), GisEmptyExtent())); // still empty
  arc.AddPart();
  EXPECT_EQ(arc.GetNumParts(), 1); // twice in a row: one part
  arc.AddPoint({5, 6});
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), {5, 6, 5, 6}));
  EXPECT_EQ(arc.GetNumPoints(), 2); // the first vertex is stored twice
  arc.AddPoint({7, 8});
  EXPECT_EQ(arc.GetNumPoints(), 2); // the duplicate was replaced
  arc.AddPart();
  arc.AddPoint({1, 1});
  const auto blob = arc.GetGeometryBlob();
  // Appending to a part that is not the last, or beyond a part's end, is refused.
  EXPECT_TRUE(IsAssertion([&] { arc.SetPoint(0, -1, {9, 9}); }));
  EXPECT_TRUE(IsAssertion([&] { arc.SetPoint(1, 5, {9, 9}); }));
  EXPECT_TRUE(IsAssertion([&] { (void)arc.GetPoint(0, 2); }));
  EXPECT_TRUE(IsAssertion([&] { (void)arc.GetPoint(2, 0); }));
  EXPECT_TRUE(IsAssertion([&] { (void)arc.GetPartStart(-1); }));
  EXPECT_EQ(arc.GetGeometryBlob(), blob);
  arc.SetPoint(0, 1, {0, 0}); // overwriting inside a part is fine
  EXPECT_EQ(arc.GetPoint(0, 1).X, 0);

  // SetPoint on a shape without parts starts one.
  TGIS_ShapeArc fresh;
  fresh.SetPoint(0, -1, {3, 3});
  EXPECT_EQ(fresh.GetNumParts(), 1);
  EXPECT_EQ(fresh.GetNumPoints(), 1);
  // A point needs no AddPart; a multipoint neither.
  TGIS_ShapePoint point;
  point.AddPoint({2, 3});
  EXPECT_TRUE(GisIsSameExtent(point.GetExtentRaw(), {2, 3, 2, 3}));
  point.AddPoint({4, 5}); // a point never holds two vertices
  EXPECT_EQ(point.GetNumPoints(), 1);
  EXPECT_EQ(point.GetGeometryBlob().size(), 17u);
  TGIS_ShapeMultiPoint mp;
  mp.AddPoint({1, 1});
  mp.AddPoint({2, 0});
  EXPECT_TRUE(GisIsSameExtent(mp.GetExtentRaw(), {1, 0, 2, 1}));
  mp.Lock(1); // the box is recomputed on Unlock, also for a multipoint
  mp.AddPoint({-1, 5});
  mp.Unlock();
  EXPECT_TRUE(GisIsSameExtent(mp.GetExtentRaw(), {-1, 0, 2, 5}));
  EXPECT_TRUE(IsAssertion([&] { point.SetPoint(0, 0, {0, 0}); }));
}

TEST(GisShape, PolygonRingsStayClosed) {
  TGIS_ShapePolygon poly;
  poly.AddPart();
  for (const TGIS_Point& p : {TGIS_Point{0, 0}, TGIS_Point{0, 10}, TGIS_Point{10, 10}})
    poly.AddPoint(p);
  ASSERT_EQ(poly.GetNumPoints(), 4);
  EXPECT_EQ(poly.GetLastPoint().X, 0);
  poly.AddPoint({0, 0}); // equal to the first: no second closing copy
  EXPECT_EQ(poly.GetNumPoints(), 4);
  poly.AddRingPoint({0, 0}); // the ring form always closes
  EXPECT_EQ(poly.GetNumPoints(), 5);
  EXPECT_TRUE(GisIsSameExtent(poly.GetExtentRaw(), {0, 0, 10, 10}));
}

TEST(GisShape, LockLevelsAndPolarPoints) {
  TGIS_ShapeArc arc;
  arc.Lock(4);
  arc.AddPart();
  arc.AddPoint({1, 1});
  arc.AddPoint({3, -2});
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), {0, 0, 0, 0})); // no box per point
  arc.Unlock();
  EXPECT_EQ(arc.LockLevel(), 4);
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), {1, -2, 3, 1}));
  arc.Lock(0);
  arc.Unlock();
  EXPECT_EQ(arc.LockLevel(), 0);

  TGIS_ShapeArc polar;
  EXPECT_FALSE(polar.AddPointPolar(true, 0, 1));
  polar.AddPart();
  polar.AddPoint({0, 0});
  polar.AddPoint({0, 1});
  ASSERT_TRUE(polar.AddPointPolar(false, std::numbers::pi / 2, 2)); // turn right
  EXPECT_NEAR(polar.GetLastPoint().X, 2, 1e-12);
  EXPECT_NEAR(polar.GetLastPoint().Y, 1, 1e-12);
  ASSERT_TRUE(polar.AddPointPolar(true, std::numbers::pi, 1)); // due south
  EXPECT_NEAR(polar.GetLastPoint().Y, 0, 1e-12);
}

TEST(GisShape, NearestVertexAndDistances) {
  TGIS_ShapeArc arc;
  arc.AddPart();
  arc.AddPoint({0, 0});
  arc.AddPoint({10, 0});
  double d = 0;
  TGIS_Point nearest;
  arc.FindNearestVertex({5, 5}, d, nearest, -2);
  EXPECT_EQ(d, 2); // a miss returns |tolerance|
  EXPECT_EQ(nearest.X, 5);
  arc.FindNearestVertex({9, 1}, d, nearest, 5);
  EXPECT_EQ(nearest.X, 10);
  EXPECT_NEAR(d, std::sqrt(2.0), 1e-12);
  TGIS_Point3D n3;
  EXPECT_TRUE(IsAssertion([&] { arc.FindNearestVertex3D({0, 0, 0, 0}, d, n3, 1); }));
  TGIS_ShapeArc empty;
  EXPECT_EQ(empty.DistanceToShape(&arc), -1);
  // The topology engine measures apart shapes; a line of one vertex has no
  // contour, relates to nothing, and so counts as touching (distance 0).
  TGIS_ShapeArc other;
  other.AddPart();
  other.AddPoint({0, 5});
  EXPECT_EQ(arc.DistanceToShape(&other), 0);
  other.AddPoint({10, 5});
  EXPECT_NEAR(arc.DistanceToShape(&other), 5, 1e-12);
  // A multipoint is measured point by point, not as a line through them.
  TGIS_ShapeMultiPoint points;
  points.AddPart();
  points.AddPoint({0, 0});
  points.AddPoint({10, 0});
  TGIS_ShapePoint apart;
  apart.AddPart();
  apart.AddPoint({5, 1});
  EXPECT_NEAR(apart.DistanceToShape(&points), std::sqrt(26.0), 1e-12);
  EXPECT_NEAR(points.DistanceToShape(&apart), std::sqrt(26.0), 1e-12);
  TGIS_ShapeArc below;
  below.AddPart();
  below.AddPoint({5, -3});
  below.AddPoint({5, -4});
  EXPECT_NEAR(points.DistanceToShape(&below), std::sqrt(25.0 + 9), 1e-12);
  // A zero-width extent is never "in extent", another mode is untested.
  EXPECT_FALSE(arc.IsInExtent({0, -1, 0, 1}, 0));
  EXPECT_TRUE(arc.IsInExtent({-1, -1, 11, 1}, 0));
  EXPECT_TRUE(arc.IsInExtent({-1, -1, 1, 1}, 2));
  EXPECT_TRUE(IsAssertion([&] { (void)arc.IsInExtent({-1, -1, 11, 1}, 3); }));
}

TEST(GisShape, InstalledRelateEngineMeasuresDistances) {
  GisSetTopologyFactory([] { return std::make_unique<TBoxTopology>(); });
  TGIS_ShapeArc a, b;
  a.AddPart();
  a.AddPoint({0, 0});
  a.AddPoint({10, 0});
  b.AddPart();
  b.AddPoint({3, 4});
  b.AddPoint({3, 9});
  EXPECT_NEAR(a.DistanceToShape(&b), 4, 1e-12);
  b.AddPoint({3, -1});
  EXPECT_EQ(a.DistanceToShape(&b), 0);
  GisSetTopologyFactory(nullptr);
}

TEST(GisShape, ImportThroughAnInstalledParser) {
  // A parser of "x y;x y" texts, giving arcs, or multipoints for "mp:" texts.
  GisSetGeometryParser([](TGIS_GeometryFormat, const std::string& text,
                          std::span<const std::uint8_t>, TGIS_LayerVector* layer) {
    std::unique_ptr<TGIS_Shape> s;
    if (text.rfind("mp:", 0) == 0)
      s = std::make_unique<TGIS_ShapeMultiPoint>(nullptr, std::span<const std::uint8_t>{}, false, 0,
                                                 layer);
    else
      s = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, 0,
                                          layer);
    s->Lock(2);
    s->AddPart();
    s->AddPoint({1, 2});
    s->AddPoint({3, 4});
    s->Unlock();
    return s;
  });
  TGIS_ShapeArc arc;
  arc.ImportFromWKT("line");
  EXPECT_EQ(arc.GetNumPoints(), 2);
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), {1, 2, 3, 4}));
  EXPECT_EQ(arc.LockLevel(), 0);
  arc.ImportFromWKT("mp: another class leaves the shape empty");
  EXPECT_TRUE(arc.IsEmpty());
  auto made = arc.CreateFromWKB({});
  EXPECT_EQ(made->ShapeType(), gisShapeTypeArc);
  GisSetGeometryParser(nullptr);
  // Back to the default readers: real text now.
  arc.ImportFromWKT("LINESTRING(5 6, 7 8)");
  EXPECT_EQ(arc.GetNumPoints(), 2);
  EXPECT_TRUE(GisIsSameExtent(arc.GetExtentRaw(), {5, 6, 7, 8}));
  EXPECT_THROW(arc.ImportFromWKT("x"), EGIS_Exception);
}
