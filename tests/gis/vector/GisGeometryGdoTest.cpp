// Warehouse geometry blobs: layouts, round trips of every class, text points
// and the errors of bad blobs.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>

#include "GeometryTestSupport.h"
#include "gis/core/GisResource.h"

namespace {

const char* kGuidTail = "D20FBC8CCF11ABDE08003601B769";

/// Warehouse blobs by hand.
struct TBlob : TLittleEndianBytes<TBlob> {
  TBlob& Guid(std::uint16_t tag) {
    TBytes g = BytesOfHex(kGuidTail);
    Byte(static_cast<std::uint8_t>(tag & 0xFF)).Byte(static_cast<std::uint8_t>(tag >> 8));
    bytes.insert(bytes.end(), g.begin(), g.end());
    return *this;
  }
  TBlob& Xyz(double x, double y) { return F64(x).F64(y).F64(0); }
  /// A sub-geometry: its size, then the blob.
  TBlob& Member(const TBlob& blob) {
    U32(static_cast<std::uint32_t>(blob.bytes.size()));
    bytes.insert(bytes.end(), blob.bytes.begin(), blob.bytes.end());
    return *this;
  }
};

TBlob Polyline(const std::vector<TGIS_Point>& points) {
  TBlob b;
  b.Guid(gisGdoPolyline).U32(static_cast<std::uint32_t>(points.size()));
  for (const TGIS_Point& p : points)
    b.Xyz(p.X, p.Y);
  return b;
}

TBlob PointBlob(double x, double y) {
  TBlob b;
  b.Guid(gisGdoPoint).Xyz(x, y);
  return b;
}

/// A text point with an alignment code and a label text.
TBlob TextPoint(double angle, int alignment, const std::string& text) {
  TBlob b;
  b.Guid(gisGdoTextPoint).Xyz(3, 4).F64(angle);
  b.bytes.resize(b.bytes.size() + 26, 0);
  if (alignment >= 0)
    b.Byte(1).Byte(static_cast<std::uint8_t>(alignment));
  else
    b.Byte(0);
  b.U32(static_cast<std::uint32_t>(text.size()));
  b.bytes.insert(b.bytes.end(), text.begin(), text.end());
  return b;
}

} // namespace

TEST(GisGeometryGdo, WritesTheWarehouseLayouts) {
  auto point = ShapeOf(gisShapeTypePoint, {{{1, 2}}});
  TBytes bytes;
  point->ExportToGDO(bytes);
  EXPECT_EQ(HexOf(bytes), "C0FF" + std::string(kGuidTail) + HexOf(TBlob().Xyz(1, 2).bytes));

  auto multi = ShapeOf(gisShapeTypeMultiPoint, {{{0, 0}, {1, 1}, {2, 0}}});
  bytes.clear();
  multi->ExportToGDO(bytes);
  TBlob expected;
  expected.Guid(gisGdoCollection)
      .U32(3)
      .Member(PointBlob(0, 0))
      .Member(PointBlob(1, 1))
      .Member(PointBlob(2, 0));
  EXPECT_EQ(bytes.size(), 152u);
  EXPECT_EQ(HexOf(bytes), HexOf(expected.bytes));

  auto arc = ShapeOf(gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{5, 5}, {6, 6}, {7, 5}}});
  bytes.clear();
  arc->ExportToGDO(bytes);
  expected = TBlob();
  expected.Guid(gisGdoCompositePolyline)
      .U32(2)
      .Member(Polyline({{0, 0}, {1, 1}}))
      .Member(Polyline({{5, 5}, {6, 6}, {7, 5}}));
  EXPECT_EQ(bytes.size(), 20u + (24 + 48) + (24 + 72));
  EXPECT_EQ(HexOf(bytes), HexOf(expected.bytes));

  auto polygon = ShapeOf(gisShapeTypePolygon, {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}});
  bytes.clear();
  polygon->ExportToGDO(bytes);
  EXPECT_EQ(bytes.size(), 20u + 24 * 4);
  EXPECT_EQ(bytes[0], 0xC3);
  auto holed = ShapeOf(gisShapeTypePolygon,
                       {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}, {{1, 2}, {1, 3}, {2, 3}, {1, 2}}});
  bytes.clear();
  holed->ExportToGDO(bytes);
  EXPECT_EQ(bytes.size(), 20u + 2 * (24 + 24 * 4));
  EXPECT_EQ(bytes[0], 0xCC);
}

TEST(GisGeometryGdo, EveryClassRoundTripsWithItsParts) {
  struct Row {
    const char* name;
    TGIS_ShapeType type;
    TParts parts;
  } rows[] = {
      {"point", gisShapeTypePoint, {{{1.25, -2}}}},
      {"multipoint", gisShapeTypeMultiPoint, {{{0, 0}, {1, 1}, {2, 0}}}},
      {"line", gisShapeTypeArc, {{{0, 0}, {1, 1}, {2, 0}}}},
      {"line of three parts",
       gisShapeTypeArc,
       {{{0, 0}, {1, 1}}, {{5, 5}, {6, 6}}, {{0, 9}, {1, 9}}}},
      {"polygon", gisShapeTypePolygon, {{{0, 0}, {0, 4}, {4, 4}, {0, 0}}}},
      {"polygon with two holes",
       gisShapeTypePolygon,
       {{{0, 0}, {0, 9}, {9, 9}, {9, 0}, {0, 0}},
        {{1, 1}, {2, 1}, {2, 2}, {1, 1}},
        {{5, 5}, {6, 5}, {6, 6}, {5, 5}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto shape = ShapeOf(row.type, row.parts);
    TBytes gdo, wkb;
    shape->ExportToGDO(gdo);
    shape->ExportToWKB(wkb);
    std::vector<std::unique_ptr<TGIS_Shape>> backs;
    backs.push_back(GisCreateShapeFromGDO(gdo));
    backs.push_back(GisCreateShapeFromWKB(wkb));
    backs.push_back(GisCreateShapeFromWKT(shape->ExportToWKT()));
    for (const auto& back : backs) {
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(back->ShapeType(), row.type);
      EXPECT_TRUE(SameParts(PartsOf(*back), row.parts));
    }
  }
}

TEST(GisGeometryGdo, ReadsEveryTag) {
  TBlob rectangle;
  rectangle.Guid(gisGdoRectangle).Xyz(10, 20).F64(5).F64(3);
  TBlob line;
  line.Guid(gisGdoLine).Xyz(0, 0).Xyz(1, 1);
  TBlob oriented;
  oriented.Guid(gisGdoOrientedPoint).Xyz(7, 8).F64(1).F64(2).F64(3);
  TBlob polygon;
  polygon.Guid(gisGdoPolygon).U32(3).Xyz(0, 0).Xyz(4, 0).Xyz(4, 4);
  TBlob hole;
  hole.Guid(gisGdoPolygon).U32(3).Xyz(1, 1).Xyz(2, 1).Xyz(2, 2);
  TBlob boundary;
  boundary.Guid(gisGdoBoundary).Member(polygon).Member(hole);
  // Connected pieces of a composite polyline join one part; a piece that
  // starts elsewhere opens the next.
  TBlob composite;
  composite.Guid(gisGdoCompositePolyline)
      .U32(3)
      .Member(Polyline({{0, 0}, {1, 0}}))
      .Member(Polyline({{1, 0}, {1, 1}}))
      .Member(Polyline({{5, 5}, {6, 6}}));
  TBlob lines;
  lines.Guid(gisGdoCollection).U32(2).Member(line).Member(Polyline({{1, 1}, {2, 3}}));
  TBlob mixed;
  mixed.Guid(gisGdoCollection).U32(2).Member(PointBlob(9, 9)).Member(line);
  TBlob passedOver;
  passedOver.Guid(gisGdoCollection)
      .U32(2)
      .Member(TBlob().Guid(gisGdoNoShape).Xyz(5, 5))
      .Member(PointBlob(1, 2));
  struct Row {
    const char* name;
    TBytes bytes;
    TGIS_ShapeType type;
    TParts parts;
  } rows[] = {
      {"point", PointBlob(1, 2).bytes, gisShapeTypePoint, {{{1, 2}}}},
      {"oriented point", oriented.bytes, gisShapeTypePoint, {{{7, 8}}}},
      {"line", line.bytes, gisShapeTypeArc, {{{0, 0}, {1, 1}}}},
      {"rectangle",
       rectangle.bytes,
       gisShapeTypePolygon,
       {{{10, 20}, {15, 20}, {15, 23}, {10, 23}, {10, 20}}}},
      {"boundary",
       boundary.bytes,
       gisShapeTypePolygon,
       {{{0, 0}, {4, 0}, {4, 4}, {0, 0}}, {{1, 1}, {2, 1}, {2, 2}, {1, 1}}}},
      {"composite polyline",
       composite.bytes,
       gisShapeTypeArc,
       {{{0, 0}, {1, 0}, {1, 0}, {1, 1}}, {{5, 5}, {6, 6}}}},
      {"collection of lines", lines.bytes, gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{1, 1}, {2, 3}}}},
      // A mixed collection stays a polygon: the point makes a ring of its
      // own, the line the next.
      {"mixed collection",
       mixed.bytes,
       gisShapeTypePolygon,
       {{{9, 9}, {9, 9}}, {{0, 0}, {1, 1}, {0, 0}}}},
      {"unknown member passed over", passedOver.bytes, gisShapeTypeMultiPoint, {{{1, 2}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto shape = GisCreateShapeFromGDO(row.bytes);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->ShapeType(), row.type);
    EXPECT_TRUE(SameParts(PartsOf(*shape), row.parts));
  }
}

TEST(GisGeometryGdo, NoShapeAndBadBlobs) {
  EXPECT_EQ(GisCreateShapeFromGDO(TBlob().Guid(gisGdoNoShape).Xyz(1, 1).bytes), nullptr);
  // A collection without members holds no vertex.
  EXPECT_EQ(GisCreateShapeFromGDO(TBlob().Guid(gisGdoCollection).U32(0).bytes), nullptr);
  try {
    GisCreateShapeFromGDO(TBlob().Guid(gisGdoUnsupported).bytes);
    ADD_FAILURE();
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(std::string(e.what()), "0142 Unsupported GDO type 65476");
    EXPECT_EQ(e.ErrorValue(), 65476);
  }
  EXPECT_EQ(MessageOf([] { GisCreateShapeFromGDO(TBlob().Guid(0x1234).bytes); }),
            "0142 Unsupported GDO type 4660");

  // Nested collections: 32 levels are read, deeper ones are damage.
  auto nested = [](int depth) {
    TBlob blob = PointBlob(1, 1);
    for (int i = 0; i < depth; ++i) {
      TBlob outer;
      outer.Guid(gisGdoCollection).U32(1).Member(blob);
      blob = outer;
    }
    return blob.bytes;
  };
  EXPECT_NE(GisCreateShapeFromGDO(nested(32)), nullptr);
  const std::string damaged = "0040 Error in geometry data";
  struct Row {
    const char* name;
    TBytes bytes;
  } rows[] = {
      {"nested too deep", nested(33)},
      {"one byte", {0xC0}},
      {"short point", TBlob().Guid(gisGdoPoint).F64(1).bytes},
      {"negative member size", TBlob().Guid(gisGdoCollection).U32(1).U32(0xFFFFFFFCu).bytes},
      {"member size under a GUID", TBlob().Guid(gisGdoCollection).U32(1).U32(8).Xyz(1, 1).bytes},
      {"member past the end",
       TBlob().Guid(gisGdoCompositePolygon).U32(1).U32(1000).Guid(gisGdoPoint).Xyz(1, 1).bytes},
      {"huge member count", TBlob().Guid(gisGdoCollection).U32(0x7FFFFFFF).bytes},
      {"huge vertex count", TBlob().Guid(gisGdoPolyline).U32(0xFFFFFFFFu).Xyz(1, 1).bytes},
      {"member reads past its own blob", TBlob()
                                             .Guid(gisGdoCollection)
                                             .U32(2)
                                             .U32(20)
                                             .Guid(gisGdoPoint)
                                             .U32(0)
                                             .Member(PointBlob(1, 1))
                                             .bytes},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(MessageOf([&] { GisCreateShapeFromGDO(row.bytes); }), damaged);
  }
}

TEST(GisGeometryGdo, TextPointsTakeTheirLabelWhenTheLayerGivesNone) {
  TGIS_LayerVector layer;
  const TGIS_LabelPositions before = layer.GetParamsSection().GetLabel().Position();
  const TGIS_LabelPosition positions[] = {
      gisLabelPositionMiddleCenter, gisLabelPositionMiddleLeft, gisLabelPositionMiddleRight,
      gisLabelPositionFlow,         gisLabelPositionUpCenter,   gisLabelPositionUpLeft,
      gisLabelPositionUpRight,      gisLabelPositionFlow,       gisLabelPositionDownCenter,
      gisLabelPositionDownLeft,     gisLabelPositionDownRight,  gisLabelPositionFlow};
  for (int code = 0; code <= 11; ++code) {
    SCOPED_TRACE(code);
    auto shape =
        GisCreateShapeFromGDO(TextPoint(30, code, "abc").bytes, nullptr, {}, false, 1, &layer);
    ASSERT_NE(shape, nullptr);
    ASSERT_TRUE(shape->HasOwnParams());
    TGIS_ParamsLabel& label = shape->GetParamsSection().GetLabel();
    EXPECT_EQ(label.Value(), "abc");
    EXPECT_EQ(label.Width(), -1000);
    EXPECT_NEAR(label.Rotate(), -30 * std::numbers::pi / 180, 1e-15);
    // Codes 3, 7 and above 10 leave the position as it was.
    const TGIS_LabelPositions expected =
        positions[code] == gisLabelPositionFlow ? before : LabelPositionBit(positions[code]);
    EXPECT_EQ(label.Position(), expected);
  }
  // Without an alignment code the position stays; the text is decoded from
  // the layer's code page.
  layer.SetCodePage(1252);
  auto plain =
      GisCreateShapeFromGDO(TextPoint(0, -1, "\xE9t\xE9").bytes, nullptr, {}, false, 1, &layer);
  EXPECT_EQ(plain->GetParamsSection().GetLabel().Value(), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(plain->GetParamsSection().GetLabel().Position(), before);

  // A damaged label length drops the label, not the point.
  TBlob bad = TextPoint(0, 6, "abc");
  bad.bytes.resize(bad.bytes.size() - 1);
  auto dropped = GisCreateShapeFromGDO(bad.bytes, nullptr, {}, false, 1, &layer);
  ASSERT_NE(dropped, nullptr);
  EXPECT_TRUE(SameParts(PartsOf(*dropped), {{{3, 4}}}));
  EXPECT_FALSE(dropped->HasOwnParams());

  // A layer with a label text of its own, and no layer at all: the text is ignored.
  layer.GetParamsSection().GetLabel().SetValue("NAME");
  EXPECT_FALSE(GisCreateShapeFromGDO(TextPoint(0, 6, "abc").bytes, nullptr, {}, false, 1, &layer)
                   ->HasOwnParams());
  EXPECT_FALSE(GisCreateShapeFromGDO(TextPoint(0, 6, "abc").bytes)->HasOwnParams());
}
