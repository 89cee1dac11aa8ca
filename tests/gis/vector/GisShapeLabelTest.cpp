// Shape labels: the text templates, the order of the positions under a
// refusing labels area, the offset from the marker and the chart, rotated
// boxes, duplicates, smart sizes, the box and the halo, labels along lines,
// and labels painted with their shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/rtl/DateTime.h"
#include "tests/gis/vector/LayerDrawTestSupport.h"

namespace {

/// What the placement hook saw: the positions tried and the last rectangle
/// (origin plus local rectangle).
struct TPlacements {
  std::vector<TGIS_LabelPosition> Tried;
  std::vector<int> Uids;
  TRect Last;
};

class ShapeLabels : public ::testing::Test {
protected:
  ShapeLabels() {
    f.layer->AddField("NAME", gisFieldTypeString, 20, 0);
    f.layer->AddField("AREA", gisFieldTypeFloat, 10, 5);
    f.layer->AddField("COUNT", gisFieldTypeNumber, 10, 0);
    f.layer->AddField("BIG", gisFieldTypeNumber, 12, 0);
    f.layer->AddField("DAY", gisFieldTypeDate, 8, 0);
    f.layer->AddField("FLAG", gisFieldTypeBoolean, 1, 0);
    f.layer->AddField("SS", gisFieldTypeString, 10, 0);
  }
  TGIS_ParamsLabel& Label() { return f.Section().GetLabel(); }
  TGIS_LabelsArea& Area() { return *f.viewer().LabelsArea(); }
  /// Records every placement; the first `refuse` ones are moved onto a
  /// reserved corner of the map, so that the labels area refuses them.
  void Watch(int refuse = 0) {
    f.layer->PlaceLabelHook = [this, refuse](TGIS_Viewer*, TGIS_Shape* shape,
                                             TGIS_LabelPosition position, TPoint& origin,
                                             TRect& rect) {
      seen.Tried.push_back(position);
      seen.Uids.push_back(shape->Uid());
      if (int(seen.Tried.size()) <= refuse) origin = TPoint(2, 2);
      seen.Last = TRect(origin.x + rect.Left, origin.y + rect.Top, origin.x + rect.Right,
                        origin.y + rect.Bottom);
    };
  }
  /// Renders into a bitmap; `reserved` and `drawnText` tell what the labels
  /// area held when the paint ended (rendering clears it afterwards).
  std::unique_ptr<TBitmap> RenderLabels(const std::string& text = "") {
    f.viewer().OnAfterPaint = [this, text](TPersistent*) {
      reserved = Area().Count();
      drawnText = !text.empty() && Area().IsTextDrawn(text);
    };
    auto out = f.Render();
    f.viewer().OnAfterPaint = nullptr;
    return out;
  }
  int reserved = -1;
  bool drawnText = false;
  /// Reserves the map under the screen rectangle (0, 0) - (20, 20).
  void ReserveCorner() { ASSERT_TRUE(Area().Allocate(f.viewer().ScreenToMapRect({0, 0, 20, 20}))); }
  TPassFixture f;
  TPlacements seen;
};

// ---- the text -----------------------------------------------------------------------------------

struct TTemplateRow {
  const char* Name;
  const char* Value;
  const char* Text;
};

const TTemplateRow TEMPLATE_ROWS[] = {
    {"Field", ":<:NAME>", "Main street"},
    {"TwoDecimals", ":<.2f:AREA>", "3.14"},
    {"TextAround", ":x=<:COUNT>;", "x=42;"},
    {"CarriageReturn", ":a\\nb", "a\rb"},
    {"EscapedBrace", ":\\<x>", "<x>"},
    {"PlainValue", "Main <x>", "Main <x>"},
    {"BadSpecifier", ":[<q:NAME>]", "[]"},
    {"SpecifierOfAnotherKind", ":[<d:AREA>]", "[]"},
    {"Width", ":<5d:COUNT>", "   42"},
    {"SixtyFourBits", ":<d:BIG>", "5000000000"},
    {"SmallUnsigned", ":<3d:SMALL>", "  7"},
    {"Currency", ":<.1f:PRICE>", "2.3"},
    {"WideText", ":<-6s:WIDE>|", "wide  |"},
    {"Date", ":<yyyy-mm-dd:DAY>", "2021-03-04"},
    {"BooleanIgnoresTheFormat", ":<5d:FLAG>", "True"},
    {"Null", ":[<5d:NULLED>]", "[]"},
    {"NullWithoutFormat", ":[<:NULLED>]", "[]"},
    {"UnknownField", ":[<:NOSUCH>]", "[]"},
    {"UnclosedBrace", ":abc<:NAME", "abc"},
    {"FormatKeptAcrossBraces", ":<.2f><:AREA>", "3.14"},
    {"BlanksInNames", ":<: NA ME >", "Main street"},
};

class LabelTemplates : public ShapeLabels, public ::testing::WithParamInterface<TTemplateRow> {};

TEST_P(LabelTemplates, GiveTheirText) {
  TSpyPoint* s = f.layer->AddSpyPoint(10, 10);
  s->SetField("NAME", "Main street");
  s->SetField("AREA", 3.14159);
  s->SetField("COUNT", 42);
  s->SetField("BIG", 5000000000.0);
  s->SetField("DAY", Variant::FromDate(EncodeDate(2021, 3, 4)));
  s->SetField("FLAG", true);
  s->OwnFields = {{"NULLED", Variant::MakeNull()},
                  {"SMALL", Variant(std::uint16_t(7))},
                  {"PRICE", Variant(Currency::FromDouble(2.25))},
                  {"WIDE", Variant(u"wide")}};
  Label().SetValue(GetParam().Value);
  EXPECT_EQ(s->GetLabelText(), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Rows, LabelTemplates, ::testing::ValuesIn(TEMPLATE_ROWS),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ShapeLabels, TheFieldServesWhenThereIsNoValue) {
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{10, 10}}});
  s->SetField("NAME", "Main street");
  s->SetField("COUNT", 42);
  EXPECT_EQ(s->GetLabelText(), "");
  Label().SetField("NAME");
  EXPECT_EQ(s->GetLabelText(), "Main street");
  Label().SetField(":<:COUNT>!");
  EXPECT_EQ(s->GetLabelText(), "42!");
  Label().SetValue("fixed");
  EXPECT_EQ(s->GetLabelText(), "fixed");
}

// ---- placement ----------------------------------------------------------------------------------

constexpr TGIS_LabelPosition ORDER[] = {
    gisLabelPositionMiddleCenter, gisLabelPositionMiddleRight, gisLabelPositionMiddleLeft,
    gisLabelPositionUpCenter,     gisLabelPositionDownCenter,  gisLabelPositionUpRight,
    gisLabelPositionUpLeft,       gisLabelPositionDownRight,   gisLabelPositionDownLeft};

class PositionOrder : public ShapeLabels, public ::testing::WithParamInterface<int> {};

TEST_P(PositionOrder, TheFirstPositionTheLabelsAreaTakesWins) {
  const int refused = GetParam();
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{150, 100}}});
  Label().SetValue("Label");
  Label().SetPosition(0x1FF); // all nine
  Area().Clear();
  ReserveCorner();
  Watch(refused);
  s->DrawLabel();
  const int tried = std::min(refused + 1, 9);
  EXPECT_EQ(seen.Tried, std::vector<TGIS_LabelPosition>(ORDER, ORDER + tried));
  EXPECT_EQ(Area().Count(), refused < 9 ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Refusing, PositionOrder, ::testing::Range(0, 10));

TEST_F(ShapeLabels, OnlyAllowedPositionsAreTriedAndWithoutAllocatorTheFirstWins) {
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{150, 100}}});
  Label().SetValue("Label");
  Label().SetPosition(LabelPositionBit(gisLabelPositionUpRight) |
                      LabelPositionBit(gisLabelPositionDownLeft) |
                      LabelPositionBit(gisLabelPositionMiddleLeft));
  Area().Clear();
  ReserveCorner();
  Watch(2);
  s->DrawLabel();
  EXPECT_EQ(seen.Tried,
            (std::vector<TGIS_LabelPosition>{gisLabelPositionMiddleLeft, gisLabelPositionUpRight,
                                             gisLabelPositionDownLeft}));
  Label().SetAllocator(false);
  seen = {};
  Watch(9);
  s->DrawLabel();
  EXPECT_EQ(seen.Tried, std::vector<TGIS_LabelPosition>{gisLabelPositionMiddleLeft});
  EXPECT_EQ(Area().Count(), 2) << "nothing reserved without the allocator";
}

struct TOffsetRow {
  const char* Name;
  TGIS_ShapeType Type;
  const char* ChartValues;
  int Offset;
};

// Marker 100 twips = 7 pixels at 96 per inch: 7 div 2 + 0 + the label's
// outline 1 = 4. A chart of 600 twips (40 pixels) with values keeps 20
// pixels, + 1. Lines and polygons keep only the outline.
const TOffsetRow OFFSET_ROWS[] = {
    {"Point", gisShapeTypePoint, "", 4},
    {"PointWithChart", gisShapeTypePoint, "0:10:1", 21},
    {"Polygon", gisShapeTypePolygon, "", 1},
    {"PolygonWithChart", gisShapeTypePolygon, "0:10:1", 21},
};

class LabelOffsets : public ShapeLabels, public ::testing::WithParamInterface<TOffsetRow> {};

TEST_P(LabelOffsets, KeepTheLabelClearOfMarkerAndChart) {
  const TOffsetRow& row = GetParam();
  ASSERT_EQ(f.viewer().PixelsPerInch(), 96);
  TGIS_Shape* s = row.Type == gisShapeTypePoint
                      ? f.layer->AddShape(row.Type, {{{150, 100}}})
                      : f.layer->AddShape(
                            row.Type, {{{140, 90}, {140, 110}, {160, 110}, {160, 90}, {140, 90}}});
  TGIS_ParamsSectionVector& section = f.Section();
  section.GetMarker().SetSize(100);
  section.GetMarker().SetOutlineWidth(0);
  section.GetChart().SetSize(600);
  section.GetChart().SetValues(row.ChartValues);
  Label().SetValue("Label");
  Label().SetOutlineWidth(1);
  Label().SetPosition(LabelPositionBit(gisLabelPositionUpRight));
  Area().Clear();
  Watch();
  s->DrawLabel();
  const TPoint p = f.viewer().MapToScreen(s->GetLabelPoint());
  ASSERT_EQ(seen.Tried.size(), 1u);
  EXPECT_EQ(seen.Last.Left, p.x + row.Offset) << "the box starts right of the point";
  EXPECT_EQ(seen.Last.Bottom, p.y - row.Offset) << "and ends above it";
}

INSTANTIATE_TEST_SUITE_P(Rows, LabelOffsets, ::testing::ValuesIn(OFFSET_ROWS),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ShapeLabels, ARotatedLabelReservesTheBoxOfItsTurnedCorners) {
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{150, 100}}});
  Label().SetValue("Rotated label");
  Label().SetPosition(LabelPositionBit(gisLabelPositionMiddleRight));
  Label().SetRotate(std::numbers::pi / 2);
  Area().Clear();
  Watch();
  s->DrawLabel();
  ASSERT_EQ(Area().Count(), 1);
  // Unturned the box would lie right of the point; turned a quarter to
  // screen down it stands below the point, as wide as the text is high.
  const TPoint p = f.viewer().MapToScreen(s->GetLabelPoint());
  const TRect box = seen.Last; // about (0, 0), before the turn
  ASSERT_GT(box.Right - box.Left, 40);
  const TRect below(p.x - 2, p.y + box.Left + 2, p.x + 2, p.y + box.Right - 2);
  const int half = (box.Bottom - box.Top) / 2;
  const TRect right(p.x + half + 4, p.y - 2, p.x + box.Right - 2, p.y + 2);
  EXPECT_FALSE(Area().Allocate(f.viewer().ScreenToMapRect(below)));
  EXPECT_TRUE(Area().Allocate(f.viewer().ScreenToMapRect(right)));
  // The context is back to its transform.
  const XFORM xf = f.viewer().GetGDI()->GetWorldTransform();
  EXPECT_EQ(xf.eM11, 1.0f);
  EXPECT_EQ(xf.eM12, 0.0f);
  EXPECT_EQ(xf.eDx, 0.0f);
}

TEST_F(ShapeLabels, TheTransformComesBackWhenPlacingFails) {
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{150, 100}}});
  Label().SetValue("Rotated");
  Label().SetRotate(0.5);
  f.layer->PlaceLabelHook = [](TGIS_Viewer*, TGIS_Shape*, TGIS_LabelPosition, TPoint&, TRect&) {
    throw EGIS_Exception("placement failed");
  };
  EXPECT_THROW(s->DrawLabel(), EGIS_Exception);
  const XFORM xf = f.viewer().GetGDI()->GetWorldTransform();
  EXPECT_EQ(xf.eM11, 1.0f);
  EXPECT_EQ(xf.eDy, 0.0f);
}

TEST_F(ShapeLabels, WithoutDuplicatesATextShowsOnceInWhateverCase) {
  f.layer->AddShape(gisShapeTypePoint, {{{50, 100}}})->SetField("NAME", "Main");
  f.layer->AddShape(gisShapeTypePoint, {{{200, 100}}})->SetField("NAME", "MAIN");
  f.layer->AddShape(gisShapeTypePoint, {{{120, 40}}})->SetField("NAME", "Side");
  Label().SetField("NAME");
  Watch();
  Area().Clear();
  f.Render();
  EXPECT_EQ(seen.Uids, (std::vector<int>{1, 2, 3}));
  Label().SetDuplicates(false);
  seen = {};
  RenderLabels("main");
  EXPECT_EQ(seen.Uids, (std::vector<int>{1, 3}));
  EXPECT_TRUE(drawnText);
}

TEST_F(ShapeLabels, SmartSizeSparesPointsOnly) {
  // Every shape spans 10 + 10 pixels on screen; the smart size is 40.
  const std::vector<std::tuple<TGIS_ShapeType, std::vector<std::vector<TGIS_Point>>>> shapes = {
      {gisShapeTypePoint, {{{50, 50}}}},
      {gisShapeTypeMultiPoint, {{{95, 45}, {105, 55}}}},
      {gisShapeTypeArc, {{{145, 45}, {155, 55}}}},
      {gisShapeTypePolygon, {{{195, 45}, {195, 55}, {205, 55}, {205, 45}, {195, 45}}}},
      // 60 + 60 pixels: large enough
      {gisShapeTypePolygon, {{{20, 120}, {20, 180}, {80, 180}, {80, 120}, {20, 120}}}},
  };
  for (const auto& [type, parts] : shapes)
    f.layer->AddShape(type, parts);
  Label().SetValue("x");
  Label().SetSmartSize(600);
  Watch();
  Area().Clear();
  f.Render();
  EXPECT_EQ(seen.Uids, (std::vector<int>{1, 5}));
  // From a field: 1500 twips (100 pixels) leaves the big polygon its label,
  // 3000 takes it; a text that is no number counts 0.
  TGIS_Shape* big = f.layer->GetShape(5);
  for (const auto& [text, labelled] :
       std::vector<std::pair<std::string, bool>>{{"1500", true}, {"3000", false}, {"abc", true}}) {
    Label().SetSmartSizeField("SS");
    big->SetField("SS", text);
    seen = {};
    Area().Clear();
    big->DrawLabel();
    EXPECT_EQ(!seen.Tried.empty(), labelled) << text;
  }
}

TEST_F(ShapeLabels, NothingIsPlacedWithoutSomethingToShow) {
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePoint, {{{150, 100}}});
  Watch();
  auto placed = [&] {
    seen = {};
    Area().Clear();
    s->DrawLabel();
    return !seen.Tried.empty();
  };
  EXPECT_FALSE(placed()) << "no text";
  Label().SetValue("x");
  EXPECT_TRUE(placed());
  Label().SetWidth(0);
  EXPECT_FALSE(placed()) << "a box without width";
  Label().SetWidth(1500);
  Label().SetVisible(false);
  EXPECT_FALSE(placed()) << "an invisible label";
  Label().SetVisible(true);
  s->SetIsHidden(true);
  EXPECT_FALSE(placed()) << "a hidden shape";
}

// ---- the box and the halo -----------------------------------------------------------------------

TEST_F(ShapeLabels, TheBoxFillsAroundTheTextAndAClearBoxGivesAHalo) {
  f.layer->AddShape(gisShapeTypePoint, {{{60, 100}}});
  Label().SetValue("Halo");
  Label().Font().Size = 14;
  Label().SetPosition(LabelPositionBit(gisLabelPositionMiddleRight));
  f.Section().GetMarker().SetSize(0);
  Watch();
  auto count = [](TBitmap& b, const TRect& r, COLORREF c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        n += BitmapPixel(b, x, y) == c;
    return n;
  };
  // A solid box in light blue: the frame is 3 pixels wider on each side.
  Label().SetPattern(bsSolid);
  Label().SetColor(RGB(160, 200, 255));
  Area().Clear();
  auto out = f.Render();
  const TRect r = seen.Last;
  EXPECT_EQ(BitmapPixel(*out, r.Left - 2, (r.Top + r.Bottom) / 2), RGB(160, 200, 255));
  EXPECT_GT(count(*out, r, RGB(1, 1, 1)), 20) << "the text in the font colour";
  // A clear box in yellow: the yellow halo rims the text.
  Label().SetPattern(bsClear);
  Label().SetColor(RGB(255, 255, 0));
  Area().Clear();
  out = f.Render();
  EXPECT_EQ(count(*out, r, RGB(160, 200, 255)), 0);
  EXPECT_GT(count(*out, r, RGB(255, 255, 0)), 20);
  EXPECT_GT(count(*out, r, RGB(1, 1, 1)), 20);
  // A box colour equal to the font's: no halo.
  Label().SetColor(RGB(1, 1, 1));
  Area().Clear();
  out = f.Render();
  EXPECT_EQ(count(*out, r, RGB(255, 255, 0)), 0);
}

// ---- labels along lines -------------------------------------------------------------------------

TEST_F(ShapeLabels, LinesFollowingTheirLabelsCarryThemAlong) {
  f.viewer().SetFullPaint(true);
  TGIS_Shape* line =
      f.layer->AddShape(gisShapeTypeArc, {{{20, 100}, {140, 100}}, {{160, 60}, {280, 60}}});
  Label().SetValue("Along");
  Label().SetAlignment(gisLabelAlignmentFollow);
  auto labels = [&] {
    RenderLabels("ALONG");
    return reserved;
  };
  EXPECT_EQ(labels(), 2) << "one on each part";
  Label().SetDuplicates(false);
  EXPECT_EQ(labels(), 1);
  EXPECT_TRUE(drawnText);
  // The text reads along the first part, just above it.
  auto out = f.Render();
  int ink = 0;
  for (int x = 20; x < 140; ++x)
    for (int y = 80; y < 98; ++y) // screen rows above the line at 100
      ink += BitmapPixel(*out, x, y) == RGB(1, 1, 1);
  EXPECT_GT(ink, 20);
  // Invisible labels stay away from lines too; a placement hook, or no
  // full paint, brings the ordinary label.
  Label().SetVisible(false);
  EXPECT_EQ(labels(), 0);
  Label().SetVisible(true);
  Watch();
  EXPECT_EQ(labels(), 1);
  EXPECT_EQ(seen.Uids, std::vector<int>{line->Uid()});
}

TEST_F(ShapeLabels, FlowLabelsStandOnThePartInView) {
  f.viewer().SetFullPaint(true);
  // A polygon reaching far left of the view: its centroid lies outside.
  TGIS_Shape* s = f.layer->AddShape(gisShapeTypePolygon,
                                    {{{-400, 80}, {-400, 120}, {60, 120}, {60, 80}, {-400, 80}}});
  Label().SetValue("Flow");
  Label().SetPosition(LabelPositionBit(gisLabelPositionMiddleCenter));
  Watch();
  s->DrawLabel();
  ASSERT_EQ(seen.Tried.size(), 1u);
  EXPECT_LT(seen.Last.Right, 0) << "at the centroid, out of view";
  EXPECT_EQ(Area().Count(), 0);
  Label().SetPosition(Label().Position() | LabelPositionBit(gisLabelPositionFlow));
  seen = {};
  s->DrawLabel();
  ASSERT_EQ(seen.Tried.size(), 1u);
  EXPECT_GE(seen.Last.Left, 0);
  EXPECT_LE(seen.Last.Right, 60);
  EXPECT_EQ(Area().Count(), 1);
}

// ---- with the shapes ----------------------------------------------------------------------------

TEST_F(ShapeLabels, PointsAndTheirLabelsPaintTogetherWithoutOverlapping) {
  f.viewer().SetFullPaint(true);
  const char* names[] = {"Ash", "Birch", "Cedar", "Douglas fir", "Elm", "Fig"};
  for (int i = 0; i < 6; ++i)
    f.layer->AddShape(gisShapeTypePoint, {{{40.0 + 40 * i, 100.0 + (i % 2) * 6}}})
        ->SetField("NAME", names[i]);
  f.Section().GetMarker().SetSize(-8);
  Label().SetField("NAME");
  Label().Font().Size = 11;
  Label().SetPosition(GIS_LABEL_POSITIONS_ANY & ~LabelPositionBit(gisLabelPositionMiddleCenter));
  std::vector<TRect> boxes;
  f.layer->PlaceLabelHook = [&](TGIS_Viewer*, TGIS_Shape*, TGIS_LabelPosition, TPoint& o,
                                TRect& r) {
    boxes.push_back(TRect(o.x + r.Left, o.y + r.Top, o.x + r.Right, o.y + r.Bottom));
  };
  auto out = RenderLabels();
  if (const char* picture = std::getenv("SK_LABELS_PICTURE")) out->SaveToFile(picture);
  // The markers in their red, every label placed, no two reservations
  // overlapping.
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(BitmapPixel(*out, 40 + 40 * i, 200 - (100 + (i % 2) * 6)), RGB(255, 0, 0)) << i;
  EXPECT_EQ(reserved, 6);
  EXPECT_GE(boxes.size(), 6u);
  int ink = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      ink += BitmapPixel(*out, x, y) == RGB(1, 1, 1);
  EXPECT_GT(ink, 100);
}

} // namespace
