// Regions, clipping, paths turned into regions, world transforms.
#include "GraphicsTestUtil.h"

namespace {

TEST(Regions, CombineModesAndComplexity) {
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15),
       d = CreateRectRgn(0, 0, 0, 0);
  struct Row {
    int mode, result;
    RECT box;
    POINT in, out;
  } rows[] = {
      {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, {7, 7}, {2, 2}},
      {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, {12, 12}, {12, 2}},
      {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, {2, 2}, {7, 7}},
      {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, {2, 2}, {7, 7}},
      {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, {9, 9}, {10, 10}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CombineRgn(d, a, b, r.mode), r.result) << "mode " << r.mode;
    RECT box;
    GetRgnBox(d, &box);
    EXPECT_EQ(box, r.box) << "mode " << r.mode;
    EXPECT_TRUE(PtInRegion(d, r.in.x, r.in.y)) << "mode " << r.mode;
    EXPECT_FALSE(PtInRegion(d, r.out.x, r.out.y)) << "mode " << r.mode;
  }
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_AND), ERROR);
  for (HRGN h : {a, b, d})
    DeleteObject(h);
}

TEST(Regions, EmptyRegionHasAZeroBox) {
  HRGN e = CreateRectRgn(-1, -1, -1, -1);
  RECT box{1, 2, 3, 4};
  EXPECT_EQ(GetRgnBox(e, &box), NULLREGION);
  EXPECT_EQ(box, RECT(0, 0, 0, 0));
  DeleteObject(e);
}

TEST(Regions, PathToRegionOfAZeroAreaPathIsEmptyNotNull) {
  TTestCanvas c(8, 8);
  EXPECT_EQ(PathToRegion(c.dc), nullptr); // no path ended
  BeginPath(c.dc);
  LineTo(c.dc, 2, 2);
  EndPath(c.dc);
  HRGN r = PathToRegion(c.dc);
  ASSERT_NE(r, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), NULLREGION);
  DeleteObject(r);
  EXPECT_EQ(c.Count(0xFFFFFF), 64); // the path drew nothing
}

TEST(Regions, PathToRegionCoversTheShapesPixels) {
  TTestCanvas c(20, 20);
  BeginPath(c.dc);
  Rectangle(c.dc, 2, 3, 8, 9);
  EndPath(c.dc);
  HRGN r = PathToRegion(c.dc);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box, RECT(2, 3, 8, 9));
  DeleteObject(r);
}

TEST(Regions, ClippingLimitsDrawingAndGetClipBoxReportsIt) {
  TTestCanvas c(20, 10);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, RECT(0, 0, 20, 10));
  HRGN clip = CreateRectRgn(5, 0, 10, 10);
  SelectClipRgn(c.dc, clip);
  DeleteObject(clip); // the DC keeps a copy
  IntersectClipRect(c.dc, 0, 2, 20, 8);
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, RECT(5, 2, 10, 8));
  RECT all{0, 0, 20, 10};
  HBRUSH black = CreateSolidBrush(0);
  FillRect(c.dc, &all, black);
  EXPECT_EQ(c.RowText(1, 0, 20), "....................");
  EXPECT_EQ(c.RowText(2, 0, 20), ".....#####..........");
  EXPECT_EQ(c.RowText(7, 0, 20), ".....#####..........");
  EXPECT_EQ(c.RowText(8, 0, 20), "....................");
  SelectClipRgn(c.dc, nullptr);
  FillRect(c.dc, &all, black);
  EXPECT_EQ(c.Count(0), 200);
  DeleteObject(black);
}

TEST(Regions, ComplexClipRegionsLetThroughExactlyTheirPixels) {
  TTestCanvas c(40, 30);
  HRGN clip = CreateEllipticRgn(2, 2, 38, 28);
  HRGN hole = CreateRectRgn(10, 8, 30, 12), extra = CreateRectRgn(0, 20, 5, 30);
  CombineRgn(clip, clip, hole, RGN_XOR);
  CombineRgn(clip, clip, extra, RGN_OR);
  SelectClipRgn(c.dc, clip);
  RECT all{0, 0, 40, 30};
  HBRUSH black = CreateSolidBrush(0);
  FillRect(c.dc, &all, black);
  DeleteObject(black);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(c.At(x, y) == 0, bool(PtInRegion(clip, x, y))) << x << "," << y;
  for (HRGN h : {clip, hole, extra})
    DeleteObject(h);
}

TEST(Regions, ClipRegionsAreDeviceCoordinatesWhileIntersectClipRectIsLogical) {
  TTestCanvas c(20, 20);
  SetGraphicsMode(c.dc, GM_ADVANCED);
  XFORM xf;
  xf.eDx = 5;
  xf.eDy = 5;
  SetWorldTransform(c.dc, &xf);
  IntersectClipRect(c.dc, 0, 0, 4, 4); // logical -> device (5,5)-(9,9)
  RECT box;
  GetClipBox(c.dc, &box);
  EXPECT_EQ(box, RECT(0, 0, 4, 4)); // reported in logical units
  HRGN clip = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(GetClipRgn(c.dc, clip), 1);
  GetRgnBox(clip, &box);
  EXPECT_EQ(box, RECT(5, 5, 9, 9));
  DeleteObject(clip);
}

TEST(WorldTransform, MultiplicationOrderAndMapping) {
  TTestCanvas c(40, 40);
  EXPECT_FALSE(SetWorldTransform(c.dc, nullptr));
  XFORM shift;
  shift.eDx = 10;
  EXPECT_FALSE(SetWorldTransform(c.dc, &shift)); // compatible mode refuses
  SetGraphicsMode(c.dc, GM_ADVANCED);
  XFORM scale;
  scale.eM11 = 2;
  scale.eM22 = 2;
  SetWorldTransform(c.dc, &shift);
  ModifyWorldTransform(c.dc, &scale, MWT_LEFTMULTIPLY); // scale first, then shift
  XFORM now;
  GetWorldTransform(c.dc, &now);
  EXPECT_FLOAT_EQ(now.eM11, 2);
  EXPECT_FLOAT_EQ(now.eDx, 10);
  ModifyWorldTransform(c.dc, &scale, MWT_RIGHTMULTIPLY); // then scale again
  GetWorldTransform(c.dc, &now);
  EXPECT_FLOAT_EQ(now.eM11, 4);
  EXPECT_FLOAT_EQ(now.eDx, 20);
  ModifyWorldTransform(c.dc, nullptr, MWT_IDENTITY);
  SetWorldTransform(c.dc, &shift);
  SetPixel(c.dc, 1, 1, 0xFF);
  EXPECT_EQ(c.At(11, 1), 0xFFu);
  TSelected b(c.dc, CreateSolidBrush(0));
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  Rectangle(c.dc, 0, 5, 4, 8); // without a pen: x 0..2
  EXPECT_EQ(c.RowText(5, 8, 15), "..###..");
  EXPECT_EQ(SetGraphicsMode(c.dc, GM_COMPATIBLE), 0); // not with a transform set
}

} // namespace
