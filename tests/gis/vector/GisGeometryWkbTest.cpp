// Well-known binary: record layouts, byte orders and the errors of bad records.
#include <cstring>
#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "gis/core/GisResource.h"

namespace {

/// Well-known binary records by hand.
struct TRecord : TLittleEndianBytes<TRecord> {
  TRecord& Point(double x, double y) { return Byte(1).U32(1).F64(x).F64(y); }
};

} // namespace

TEST(GisGeometryWkb, WritesTheSimpleFeatureLayouts) {
  struct Row {
    const char* name;
    TGIS_ShapeType type;
    TParts parts;
    std::size_t size;
    std::uint32_t wkbType;
  } rows[] = {
      {"point", gisShapeTypePoint, {{{1, 2}}}, 21, 1},
      {"multipoint of 3", gisShapeTypeMultiPoint, {{{0, 0}, {1, 1}, {2, 0}}}, 72, 4},
      {"line of 3", gisShapeTypeArc, {{{0, 0}, {1, 1}, {2, 0}}}, 57, 2},
      {"line of 2 + 3", gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{5, 5}, {6, 6}, {7, 5}}}, 107, 5},
      {"polygon with a hole",
       gisShapeTypePolygon,
       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {{1, 2}, {1, 3}, {2, 3}, {1, 2}}},
       9 + 2 * (4 + 4 * 16),
       3},
      {"two islands",
       gisShapeTypePolygon,
       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {{10, 0}, {10, 4}, {14, 4}, {10, 0}}},
       9 + 2 * (9 + 4 + 4 * 16),
       6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto shape = ShapeOf(row.type, row.parts);
    TBytes bytes;
    shape->ExportToWKB(bytes);
    ASSERT_EQ(bytes.size(), row.size);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], row.wkbType);
    EXPECT_EQ(shape->LockLevel(), 0);
    auto back = GisCreateShapeFromWKB(bytes);
    EXPECT_EQ(back->ShapeType(), row.type);
    EXPECT_TRUE(SameParts(PartsOf(*back), row.parts));
  }
  // An empty shape leaves the array as it was.
  TBytes untouched{9, 9};
  TGIS_ShapeArc empty;
  empty.ExportToWKB(untouched);
  EXPECT_EQ(untouched, (TBytes{9, 9}));
}

TEST(GisGeometryWkb, BigEndianRecordsReadAsTheirLittleEndianForm) {
  // POINT(1 2) big-endian, and a multipoint mixing both orders.
  const TBytes big = BytesOfHex("00000000013FF00000000000004000000000000000");
  auto point = GisCreateShapeFromWKB(big);
  EXPECT_TRUE(SameParts(PartsOf(*point), {{{1, 2}}}));
  TRecord mixed;
  mixed.Byte(1).U32(4).U32(2).Point(5, 6);
  mixed.bytes.insert(mixed.bytes.end(), big.begin(), big.end());
  auto multi = GisCreateShapeFromWKB(mixed.bytes);
  EXPECT_EQ(multi->ShapeType(), gisShapeTypeMultiPoint);
  EXPECT_TRUE(SameParts(PartsOf(*multi), {{{5, 6}, {1, 2}}}));
  // Any order byte but 1 means big-endian.
  TBytes seven = big;
  seven[0] = 7;
  EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromWKB(seven)), {{{1, 2}}}));
}

TEST(GisGeometryWkb, BadRecordsRaiseTheirErrors) {
  const std::string damaged = "0040 Error in geometry data";
  struct Row {
    const char* name;
    TBytes bytes;
    std::string message;
  } rows[] = {
      {"3-D point type", TRecord().Byte(1).U32(1001).F64(1).F64(2).F64(3).bytes,
       "0140 Unsupported WKB type 1001"},
      {"type 7", TRecord().Byte(1).U32(7).U32(0).bytes, "0140 Unsupported WKB type 7"},
      {"line string in a multipoint",
       TRecord().Byte(1).U32(4).U32(2).Point(1, 2).Byte(1).U32(2).U32(0).F64(0).F64(0).bytes,
       "Assertion failure"},
      {"empty", {}, damaged},
      {"header only", TRecord().Byte(1).U32(1).bytes, damaged},
      {"short point", TRecord().Byte(1).U32(1).F64(1).bytes, damaged},
      {"count past the end", TRecord().Byte(1).U32(2).U32(3).F64(0).F64(0).bytes, damaged},
      {"huge count", TRecord().Byte(1).U32(2).U32(0xFFFFFFFFu).F64(0).F64(0).bytes, damaged},
      {"huge ring count", TRecord().Byte(1).U32(3).U32(0x80000000u).U32(0).bytes, damaged},
      {"huge member count", TRecord().Byte(1).U32(6).U32(0x7FFFFFFFu).bytes, damaged},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string message = MessageOf([&] { GisCreateShapeFromWKB(row.bytes); });
    EXPECT_EQ(message.substr(0, row.message.size()), row.message);
  }
  try {
    GisCreateShapeFromWKB(TRecord().Byte(1).U32(1001).bytes);
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorValue(), 1001);
  }
}

TEST(GisGeometryWkb, ReadShapesTakeTheCallersArguments) {
  TGIS_LayerVector layer;
  const TBytes bytes = TRecord().Point(3, 4).bytes;
  auto shape = GisCreateShapeFromWKB(bytes, nullptr, {}, false, 42, &layer);
  EXPECT_EQ(shape->Uid(), 42);
  EXPECT_EQ(shape->Layer(), &layer);
  EXPECT_EQ(shape->LockLevel(), 0);
  EXPECT_TRUE(GisIsSameExtent(shape->GetExtentRaw(), {3, 4, 3, 4}));
  // The shape operation passes Uid -1 and its own layer.
  TGIS_ShapePoint owner(nullptr, {}, false, 5, &layer);
  owner.ImportFromWKB(bytes);
  EXPECT_TRUE(SameParts(PartsOf(owner), {{{3, 4}}}));
  EXPECT_EQ(owner.CreateFromWKB(bytes)->Uid(), -1);
}

TEST(GisGeometryWkb, ShapesMadeInOneStepEqualShapesFilledVertexByVertex) {
  // Texts and records whose vertices the shape classes merge, double or
  // close; a source shape makes the reader fill the shape vertex by vertex.
  std::vector<TBytes> records = {
      TRecord().Byte(1).U32(3).U32(3).U32(0).U32(2).F64(0).F64(0).F64(1).F64(1).U32(0).bytes,
      TRecord().Byte(1).U32(6).U32(0).bytes,
      TRecord().Byte(1).U32(2).U32(0).bytes,
      TRecord().Byte(1).U32(4).U32(2).Point(1, 1).Point(1, 1).bytes,
  };
  for (const char* text :
       {"POLYGON((0 0, 1 0, 0 0, 1 1, 0 0))", "POLYGON((0 0))", "POLYGON((0 0, 1 1))",
        "LINESTRING(1 1, 1 1, 2 2)", "LINESTRING(1 1)", "MULTILINESTRING((1 1), (2 2, 3 3))",
        "POINT(1 2, 3 4)", "MULTIPOINT(1 1, 1 1, -2 5)"}) {
    TBytes wkb;
    GisCreateShapeFromWKT(text)->ExportToWKB(wkb);
    records.push_back(wkb);
  }
  for (const TBytes& record : records) {
    SCOPED_TRACE(HexOf(record));
    TGIS_LayerVector oneStep, byVertex;
    auto made = GisCreateShapeFromWKB(record, nullptr, {}, false, 3, &oneStep);
    auto source = GisCreateShapeOfType(made->ShapeType(), 0, nullptr);
    auto filled = GisCreateShapeFromWKB(record, source.get(), {}, false, 3, &byVertex);
    EXPECT_EQ(made->ShapeType(), filled->ShapeType());
    EXPECT_EQ(made->IsEmpty(), filled->IsEmpty());
    EXPECT_EQ(made->GetNumParts(), filled->GetNumParts());
    EXPECT_TRUE(SameParts(PartsOf(*made), PartsOf(*filled)));
    EXPECT_TRUE(GisIsSameExtent(made->GetExtentRaw(), filled->GetExtentRaw()));
    EXPECT_TRUE(GisIsSameExtent(oneStep.Extent(), byVertex.Extent()));
    EXPECT_EQ(made->IsModified(), filled->IsModified());
    EXPECT_EQ(made->Uid(), 3);
    EXPECT_EQ(made->Layer(), &oneStep);
    // Without a layer too.
    auto alone = GisCreateShapeFromWKB(record);
    auto aloneFilled = GisCreateShapeFromWKB(record, source.get(), {}, false, -1, nullptr);
    EXPECT_TRUE(SameParts(PartsOf(*alone), PartsOf(*aloneFilled)));
    EXPECT_TRUE(GisIsSameExtent(alone->GetExtentRaw(), aloneFilled->GetExtentRaw()));
    EXPECT_EQ(alone->IsModified(), aloneFilled->IsModified());
    EXPECT_EQ(alone->GeometryChanged(), aloneFilled->GeometryChanged());
    EXPECT_EQ(alone->LockLevel(), 0);
  }
}

TEST(GisGeometryWkb, RingsTouchingOtherRingsKeepTheirNesting) {
  // A ring whose first vertex lies on another ring is judged by a point off
  // that ring: a notch hole stays a hole, a touching island an island, and
  // the shape round-trips with its area and its kind of record. (Holes turn
  // against their outer rings, so that the area subtracts them.)
  struct Row {
    const char* text;
    std::uint32_t wkbType;
    double area;
  } rows[] = {
      {"POLYGON((0 0,0 10,10 10,10 0,0 0),(10 5,7 6,7 4,10 5))", 3, 97},
      // Every vertex of the hole on the outer ring: the middles of its sides tell.
      {"POLYGON((0 0,0 10,10 10,10 0,0 0),(0 0,10 0,5 10,0 0))", 3, 50},
      {"MULTIPOLYGON(((0 0,0 10,10 10,10 0,0 0)),((10 5,15 10,15 0,10 5)))", 6, 125},
      {"MULTIPOLYGON(((0 0,0 10,10 10,10 0,0 0),(10 5,2 8,2 2,10 5)),((2 5,6 6,6 4,2 5)))", 6,
       100 - 24 + 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    auto shape = GisCreateShapeFromWKT(row.text);
    EXPECT_DOUBLE_EQ(shape->GetArea(), row.area);
    TBytes bytes;
    shape->ExportToWKB(bytes);
    ASSERT_GT(bytes.size(), 5u);
    EXPECT_EQ(bytes[1], row.wkbType);
    auto back = GisCreateShapeFromWKB(bytes);
    EXPECT_DOUBLE_EQ(back->GetArea(), row.area);
    TBytes again;
    back->ExportToWKB(again);
    EXPECT_EQ(again, bytes);
    EXPECT_EQ(shape->ExportToWKT().substr(0, 8), row.wkbType == 3 ? "POLYGON(" : "MULTIPOL");
  }
}

TEST(GisGeometryWkb, RingsAreReadWithTheirVerticesAsGiven) {
  // A ring passing through its first vertex again keeps every vertex, in
  // every reader and in the copies of geometry; an open ring is closed.
  const TParts figureEight = {{{0, 0}, {0, 10}, {5, 10}, {0, 0}, {10, 0}, {10, -10}, {0, 0}}};
  TRecord record;
  record.Byte(1).U32(3).U32(2).U32(7);
  for (const TGIS_Point& p : figureEight[0])
    record.F64(p.X).F64(p.Y);
  record.U32(3).F64(20).F64(20).F64(21).F64(20).F64(21).F64(21); // open
  const TParts expected = {figureEight[0], {{20, 20}, {21, 20}, {21, 21}, {20, 20}}};
  auto read = GisCreateShapeFromWKB(record.bytes);
  EXPECT_TRUE(SameParts(PartsOf(*read), expected));
  TGIS_ShapePolygon copy;
  copy.CopyGeometry(*read);
  EXPECT_TRUE(SameParts(PartsOf(copy), expected));
  TGIS_ShapePolygon imported;
  imported.ImportFromWKB(record.bytes);
  EXPECT_TRUE(SameParts(PartsOf(imported), expected));
  imported.ImportFromWKT(read->ExportToWKT());
  EXPECT_TRUE(SameParts(PartsOf(imported), expected));
}

TEST(GisGeometryWkb, EmptyPartsAreLeftOutAsInText) {
  const struct {
    TGIS_ShapeType type;
    TParts parts;
    std::size_t size;
  } rows[] = {
      {gisShapeTypeArc, {{{0, 0}, {1, 1}}, {}}, 9 + 2 * 16},
      {gisShapeTypePolygon, {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {}}, 9 + 4 + 4 * 16},
  };
  for (const auto& row : rows) {
    auto shape = ShapeOf(row.type, row.parts);
    TBytes fromShape, fromText;
    shape->ExportToWKB(fromShape);
    GisCreateShapeFromWKT(shape->ExportToWKT())->ExportToWKB(fromText);
    EXPECT_EQ(HexOf(fromShape), HexOf(fromText));
    EXPECT_EQ(fromShape.size(), row.size);
  }
}
