// Well-known text: reading, writing and the errors of bad text.
#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "gis/core/GisResource.h"

TEST(GisGeometryWkt, ReadsEveryKeyword) {
  struct Row {
    const char* text;
    TGIS_ShapeType type;
    TParts parts;
  } rows[] = {
      {"point(1 2)", gisShapeTypePoint, {{{1, 2}}}},
      {"  POINT ( -1.5  2e3 ) trailing text is not read", gisShapeTypePoint, {{{-1.5, 2000}}}},
      {"MULTIPOINT(0 0,1 1)", gisShapeTypeMultiPoint, {{{0, 0}, {1, 1}}}},
      {"LINESTRING ( 0 0 ,\r\n 1 2.5 )", gisShapeTypeArc, {{{0, 0}, {1, 2.5}}}},
      {"MultiLineString((0 0, 1 1), (2 2, 3 3))",
       gisShapeTypeArc,
       {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}}},
      {"POLYGON((0 0,4 0,4 4,0 0),(1 1,2 1,2 2,1 1))",
       gisShapeTypePolygon,
       {{{0, 0}, {4, 0}, {4, 4}, {0, 0}}, {{1, 1}, {2, 1}, {2, 2}, {1, 1}}}},
      // An open ring is closed by the polygon.
      {"POLYGON((0 0, 1 0, 1 1))", gisShapeTypePolygon, {{{0, 0}, {1, 0}, {1, 1}, {0, 0}}}},
      {"MULTIPOLYGON(((0 0,1 0,1 1,0 0)),((5 5,6 5,6 6,5 5)))",
       gisShapeTypePolygon,
       {{{0, 0}, {1, 0}, {1, 1}, {0, 0}}, {{5, 5}, {6, 5}, {6, 6}, {5, 5}}}},
      // The other form of multipoints, points in parentheses of their own.
      {"MULTIPOINT ((1 2),(3 4))", gisShapeTypeMultiPoint, {{{1, 2}, {3, 4}}}},
      {"MULTIPOINT(( 1 2 ) , 3 4)", gisShapeTypeMultiPoint, {{{1, 2}, {3, 4}}}},
      // A ring passing through its first vertex again keeps every vertex.
      {"POLYGON((0 0,0 10,5 10,0 0,10 0,10 -10,0 0))",
       gisShapeTypePolygon,
       {{{0, 0}, {0, 10}, {5, 10}, {0, 0}, {10, 0}, {10, -10}, {0, 0}}}},
      {"POLYGON((0 0,0 10,5 10,0 0,10 0,10 -10))",
       gisShapeTypePolygon,
       {{{0, 0}, {0, 10}, {5, 10}, {0, 0}, {10, 0}, {10, -10}, {0, 0}}}},
      // Any single character separates points.
      {"LINESTRING(0 0 ;1 1)", gisShapeTypeArc, {{{0, 0}, {1, 1}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    auto shape = GisCreateShapeFromWKT(row.text);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->ShapeType(), row.type);
    EXPECT_TRUE(SameParts(PartsOf(*shape), row.parts));
    EXPECT_EQ(shape->LockLevel(), 0);
    EXPECT_EQ(shape->Uid(), -1);
  }
}

TEST(GisGeometryWkt, BadTextRaisesItsError) {
  enum Kind { Unsupported, Silent, Conversion, Damaged };
  struct Row {
    const char* text;
    Kind kind;
  } rows[] = {
      {"CIRCULARSTRING(0 0, 1 1)", Unsupported},
      {"", Unsupported},
      {"POINT 1 2", Silent},
      {"POINT EMPTY", Silent},
      {"POINT Z (1 2 3)", Silent},
      {"POLYGON(0 0, 1 1)", Silent},
      {"POINT(1 x)", Conversion},
      // A braced point holds exactly two numbers.
      {"MULTIPOINT((1 2 3),(3 4))", Damaged},
      // The 15 digits written for the lowest double round beyond the range.
      {"POINT(-1.79769313486232E308 0)", Conversion},
      {"LINESTRING(0 0, 1 1", Damaged},
      {"MULTIPOLYGON(((0 0,1 0,1 1,0 0))", Damaged},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    try {
      GisCreateShapeFromWKT(row.text);
      ADD_FAILURE() << "no exception";
    } catch (const EGIS_Exception& e) {
      if (row.kind == Unsupported) {
        EXPECT_EQ(e.Message().substr(0, 4), "0141");
      } else {
        EXPECT_EQ(row.kind, Damaged) << e.Message();
        EXPECT_EQ(e.Message(), "0040 Error in geometry data");
      }
    } catch (const EAbort&) {
      EXPECT_EQ(row.kind, Silent);
    } catch (const EConvertError&) {
      EXPECT_EQ(row.kind, Conversion);
    }
  }
  EXPECT_EQ(MessageOf([] { GisCreateShapeFromWKT("circularstring(0 0)"); }),
            "0141 Unsupported WKT type \"CIRCULARSTRING\"");
}

TEST(GisGeometryWkt, WritesEveryClass) {
  struct Row {
    TGIS_ShapeType type;
    TParts parts;
    const char* text;
  } rows[] = {
      {gisShapeTypePoint, {{{1.5, -2}}}, "POINT(1.5 -2)"},
      {gisShapeTypeMultiPoint, {{{0, 0}, {10, 20}}}, "MULTIPOINT(0 0, 10 20)"},
      {gisShapeTypeArc, {{{0, 0}, {1, 2.5}}}, "LINESTRING(0 0, 1 2.5)"},
      {gisShapeTypeArc,
       {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}},
       "MULTILINESTRING((0 0, 1 1), (2 2, 3 3))"},
      {gisShapeTypePolygon,
       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {{1, 2}, {1, 3}, {2, 3}, {1, 2}}},
       "POLYGON((0 0, 0 4, 4 4, 0 0), (1 2, 1 3, 2 3, 1 2))"},
      // 15 significant digits.
      {gisShapeTypePoint,
       {{{1.0 / 3, 123456789.123456789}}},
       "POINT(0.333333333333333 123456789.123457)"},
      {gisShapeTypePoint, {{{}}}, "POINT(0 0)"},
      // The sign of a zero is no place.
      {gisShapeTypePoint, {{{-0.0, -0.0}}}, "POINT(0 0)"},
      {gisShapeTypeMultiPoint, {{{-0.0, 1}, {1, -0.0}}}, "MULTIPOINT(0 1, 1 0)"},
      // A part without vertices has no text form: it is left out.
      {gisShapeTypeArc, {{{0, 0}, {1, 1}}, {}}, "LINESTRING(0 0, 1 1)"},
      {gisShapeTypeArc,
       {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}, {}},
       "MULTILINESTRING((0 0, 1 1), (2 2, 3 3))"},
      {gisShapeTypePolygon,
       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {}},
       "POLYGON((0 0, 0 4, 4 4, 0 0))"},
      {gisShapeTypePolygon,
       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {{9, 0}, {9, 4}, {13, 4}, {9, 0}}, {}},
       "MULTIPOLYGON(((0 0, 0 4, 4 4, 0 0)), ((9 0, 9 4, 13 4, 9 0)))"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    auto shape = ShapeOf(row.type, row.parts);
    EXPECT_EQ(shape->ExportToWKT(), row.text);
    EXPECT_EQ(shape->LockLevel(), 0);
    EXPECT_NO_THROW(GisCreateShapeFromWKT(shape->ExportToWKT()));
  }
  for (auto type :
       {gisShapeTypePoint, gisShapeTypeMultiPoint, gisShapeTypeArc, gisShapeTypePolygon})
    EXPECT_EQ(GisCreateShapeOfType(type, 0, nullptr)->ExportToWKT(), "");
}

TEST(GisGeometryWkt, IslandsAreWrittenAsSeveralPolygonsWithTheirHoles) {
  // Two islands, the second with a hole, and a third island inside that hole.
  const TParts parts = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}},
                        {{20, 0}, {20, 10}, {30, 10}, {30, 0}, {20, 0}},
                        {{22, 2}, {28, 2}, {28, 8}, {22, 8}, {22, 2}},
                        {{24, 4}, {24, 6}, {26, 6}, {26, 4}, {24, 4}}};
  auto shape = ShapeOf(gisShapeTypePolygon, parts);
  EXPECT_EQ(shape->ExportToWKT(),
            "MULTIPOLYGON(((0 0, 0 10, 10 10, 10 0, 0 0)), "
            "((20 0, 20 10, 30 10, 30 0, 20 0), (22 2, 28 2, 28 8, 22 8, 22 2)), "
            "((24 4, 24 6, 26 6, 26 4, 24 4)))");
  // Read back: one polygon with every ring, in the order written.
  auto back = GisCreateShapeFromWKT(shape->ExportToWKT());
  EXPECT_TRUE(SameParts(PartsOf(*back), parts));
}

TEST(GisGeometryWkt, ShapeOperationsUseTheReaderWithTheShapesLayer) {
  TGIS_LayerVector layer;
  TGIS_ShapePolygon owner(nullptr, {}, false, 7, &layer);
  auto made = owner.CreateFromWKT("POLYGON((0 0, 2 0, 2 2, 0 0))");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Layer(), &layer);
  EXPECT_EQ(made->Uid(), -1);
  EXPECT_TRUE(owner.IsEmpty());
  owner.ImportFromWKT("POLYGON((0 0, 2 0, 2 2, 0 0), (5 5, 6 5, 6 6, 5 5))");
  EXPECT_EQ(owner.GetNumParts(), 2);
  EXPECT_TRUE(GisIsSameExtent(owner.GetExtentRaw(), {0, 0, 6, 6}));
  // Another class leaves the shape empty.
  owner.ImportFromWKT("POINT(1 1)");
  EXPECT_TRUE(owner.IsEmpty());
}
