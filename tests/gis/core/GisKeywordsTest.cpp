#include <random>
#include <string>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisKeywords.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace {

using GisKeywords = GisCoreTest;

TEST_F(GisKeywords, BooleanAndSize) {
  struct BoolRow {
    const char* text;
    bool def;
    bool expected;
  };
  const BoolRow bools[] = {
      {"yes", false, true},   {"TRUE", false, true}, {"1", false, true}, {"No", true, false},
      {"false", true, false}, {"0", true, false},    {"2", true, true},  {"2", false, false},
      {"nil", false, false},  {"nil", true, true},   {"", true, true},   {" Yes ", false, true},
  };
  for (const auto& r : bools)
    EXPECT_EQ(GisStrToBoolean(r.text, r.def), r.expected) << '"' << r.text << '"';
  EXPECT_EQ(GisBooleanToStr(true), "YES");
  EXPECT_EQ(GisBooleanToStr(false), "NO");

  struct SizeRow {
    const char* text;
    int def;
    int expected;
  };
  const SizeRow sizes[] = {
      {"render", 5, GIS_RENDER_SIZE},
      {"RENDER", 5, static_cast<int>(0xF0000001u)},
      {"12x", 5, 5},
      {"nil", 5, 5},
      {"", 5, 5},
      {"-20", 5, -20},
      {"$FF", 5, 255},
      {"-268435455", 0, GIS_RENDER_SIZE},
      {"1.5", 7, 7},
  };
  for (const auto& r : sizes)
    EXPECT_EQ(GisStrToSize(r.text, r.def), r.expected) << r.text;
  EXPECT_EQ(GisSizeToStr(GIS_RENDER_SIZE), "-268435455");
  EXPECT_EQ(GisStrToSize(GisSizeToStr(GIS_RENDER_SIZE), 0), GIS_RENDER_SIZE);
}

TEST_F(GisKeywords, FloatsNeverRaise) {
  for (const char separator : {'.', ','}) {
    FormatSettings().DecimalSeparator = separator;
    EXPECT_EQ(GisIniStrToFloat("nil", 2.5), 2.5);
    EXPECT_EQ(GisIniStrToFloat("", 2.5), 2.5);
    EXPECT_EQ(GisIniStrToFloat("abc", 2.5), 2.5);
    EXPECT_EQ(GisIniStrToFloat("1,5", 0), 1.5);
    EXPECT_EQ(GisIniStrToFloat("1.5", 0), 1.5);
    EXPECT_EQ(GisIniFloatToStr(0.1), "0.1");
    EXPECT_EQ(GisIniFloatToStr(-2.25), "-2.25");
  }
}

TEST_F(GisKeywords, ColourTable) {
  struct Row {
    const char* text;
    std::uint32_t def;
    std::uint32_t expected;
    std::uint32_t asWritten; // the zone lists' reading: black stays black
  };
  const Row rows[] = {
      {"255:0:0", 0, 0x0000FF, 0x0000FF},
      {"$FF00", 0, 0x00FF00, 0x00FF00},
      {"black", 5, 0x010101, 0},
      {"0", 5, 0x010101, 0},
      {"$000000", 5, 0x010101, 0},
      {"0:0:0", 5, 0x010101, 0},
      {"  Black ", 5, 0x010101, 0},
      {"$FF00000D", 0, GIS_RENDER_COLOR, GIS_RENDER_COLOR},
      {"$0100000D", 0, GIS_RENDER_COLOR, GIS_RENDER_COLOR},
      {"$0000000D", 0, 0x00000D, 0x00000D}, // top byte 0: stays
      {"$01000000", 0, 0x01000000, 0x01000000}, // top byte kept as read
      {"render", 0, GIS_RENDER_COLOR, GIS_RENDER_COLOR},
      {"1:2", 7, 7, 7},
      {"1:2", 0, 0x010101, 0},
      {"nil", 0, 0, 0},
      {"Fuchsia", 0, 0xFF00FF, 0xFF00FF},
      {"1:2:3:junk", 0, 0x030201, 0x030201},
      {"257:-1:2", 0, 0x02FF01, 0x02FF01}, // low bytes
      {"x:2:3", 9, 9, 9},
      {"abc", 9, 9, 9},
      {"16711680", 0, 0xFF0000, 0xFF0000},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(GisStrToColor(r.text, r.def), r.expected) << r.text;
    EXPECT_EQ(GisStrToColorAsWritten(r.text, r.def), r.asWritten) << r.text;
  }

  EXPECT_EQ(GisColorToStr(0x010101), "$10101");
  EXPECT_EQ(GisColorToStr(0x0000FF), "RED");
  EXPECT_EQ(GisColorToStr(0), "BLACK");
  EXPECT_EQ(GisColorToStr(GIS_RENDER_COLOR), "RENDER");
  EXPECT_EQ(GisColorToStr(0xABCDEF), "$ABCDEF");

  // Every 24-bit colour comes back through text, black as its non-black twin.
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t c = rng() & 0xFFFFFF;
    ASSERT_EQ(GisStrToColor(GisColorToStr(c), 0x123456), GisNonBlackColor(c)) << c;
  }
  EXPECT_EQ(GisStrToColor(GisColorToStr(0), 0x123456), 0x010101u);
}

TEST_F(GisKeywords, EnumerationKeywordsRoundTrip) {
  for (int v = 0; v <= psClear; ++v)
    EXPECT_EQ(GisStrToPenStyle(GisPenStyleToStr(TPenStyle(v)), psInsideFrame), v);
  for (int v = 0; v <= bsDiagCross; ++v)
    EXPECT_EQ(GisStrToBrushStyle(GisBrushStyleToStr(TBrushStyle(v)), bsClear), v);
  for (int v = 0; v <= gisMarkerStyleTriangleRight; ++v)
    EXPECT_EQ(GisStrToMarkerStyle(GisMarkerStyleToStr(TGIS_MarkerStyle(v)), gisMarkerStyleBox), v);
  for (int v = 0; v <= gisLabelAlignmentFollow; ++v)
    EXPECT_EQ(GisStrToLabelAlignment(GisLabelAlignmentToStr(TGIS_LabelAlignment(v)),
                                     gisLabelAlignmentSingle),
              v);
  for (int v = 0; v <= gisChartStyleBar; ++v)
    EXPECT_EQ(GisStrToChartStyle(GisChartStyleToStr(TGIS_ChartStyle(v)), gisChartStylePie), v);
  for (int v = 0; v <= gisDormantAgressive; ++v)
    EXPECT_EQ(GisStrToDormantMode(GisDormantModeToStr(TGIS_DormantMode(v)), gisDormantOff), v);

  // Stored words, case ignored on reading, upper case on writing.
  EXPECT_EQ(GisStrToPenStyle("dashdotdot", psSolid), psDashDotDot);
  EXPECT_EQ(GisStrToBrushStyle("Transparent", bsSolid), bsClear);
  EXPECT_EQ(GisBrushStyleToStr(bsFDiagonal), "FDIAGONAL");
  EXPECT_EQ(GisStrToDormantMode("agressive", gisDormantOff), gisDormantAgressive);
  EXPECT_EQ(GisLabelAlignmentToStr(gisLabelAlignmentRightJustify), "RIGHTJUSTIFY");
  // Unknown text, nil and the empty text give the default.
  EXPECT_EQ(GisStrToPenStyle("DOTTED", psDash), psDash);
  EXPECT_EQ(GisStrToMarkerStyle("nil", gisMarkerStyleCircle), gisMarkerStyleCircle);
  EXPECT_EQ(GisStrToChartStyle("", gisChartStyleBar), gisChartStyleBar);

  // A value outside the table fails an assertion.
  EXPECT_THROW(GisPenStyleToStr(psInsideFrame), EAssertionFailed);
  EXPECT_THROW(GisMarkerStyleToStr(TGIS_MarkerStyle(8)), EAssertionFailed);
  try {
    GisDormantModeToStr(TGIS_DormantMode(3));
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Unsupported Case (GisParams, line ", 0), 0u) << e.Message();
  }
}

TEST_F(GisKeywords, FontStyles) {
  constexpr TFontStyles bold = 1, italic = 2, underline = 4, strike = 8;
  struct Row {
    const char* text;
    TFontStyles def;
    TFontStyles expected;
  };
  const Row rows[] = {
      {"BOLD:UNDERLINE", 0, bold | underline},
      {"BOLD:XX", italic, italic},
      {"XX:BOLD", italic, italic | bold},
      {"NORMAL", bold, 0},
      {"BOLD:", italic, italic},
      {"", italic, italic},
      {"nil", strike, strike},
      {"bold:italic:underline:strikeout", 0, 15},
      {"ITALIC:NORMAL:BOLD", 0, bold},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisStrToFontStyle(r.text, r.def), r.expected) << r.text;
  EXPECT_EQ(GisFontStyleToStr(0), "NORMAL");
  EXPECT_EQ(GisFontStyleToStr(strike | bold), "BOLD:STRIKEOUT");
  for (TFontStyles s = 0; s < 16; ++s)
    EXPECT_EQ(GisStrToFontStyle(GisFontStyleToStr(s), 3), s);
}

TEST_F(GisKeywords, LabelPositions) {
  struct Row {
    const char* text;
    TGIS_LabelPositions def;
    TGIS_LabelPositions expected;
  };
  const Row rows[] = {
      {"UPLEFT:DOWNRIGHT", 0, 257},
      {"ANY", 0, 510},
      {"ANY:FLOW", 0, 1022},
      {"", 4, 4},
      {"nil", 4, 4},
      {"upleft:junk", 4, 4},
      {"FLOW", 0, 512},
      {"MIDDLECENTER", 0, 16},
  };
  for (const auto& r : rows)
    EXPECT_EQ(GisStrToLabelPosition(r.text, r.def), r.expected) << r.text;
  EXPECT_EQ(GisLabelPositionToStr(0), "");
  EXPECT_EQ(GisLabelPositionToStr(257), "UPLEFT:DOWNRIGHT");
  // Every set of the ten positions comes back; the empty set reads as the
  // default, since its text is empty.
  for (int s = 1; s < 1024; ++s)
    ASSERT_EQ(GisStrToLabelPosition(GisLabelPositionToStr(TGIS_LabelPositions(s)), 0), s) << s;
  EXPECT_EQ(GisStrToLabelPosition(GisLabelPositionToStr(0), 4), 4);
}

TEST_F(GisKeywords, EscapeAndUnescape) {
  struct Row {
    const char* text;
    const char* expected;
  };
  const Row unescapes[] = {
      {"a\\nb", "a\r\nb"}, {"c:\\\\x", "c:\\x"}, {"c:\\x", "c:\\x"},
      {"ab\\", "ab\\"},    {"\\\\n", "\\n"},     {"plain", "plain"},
  };
  for (const auto& r : unescapes)
    EXPECT_EQ(GisUnescapeStr(r.text, "D"), r.expected) << r.text;
  EXPECT_EQ(GisUnescapeStr("nil", "D"), "D");
  EXPECT_EQ(GisUnescapeStr("", "D"), "D");

  const Row escapes[] = {
      {"a\r\nb", "a\\nb"},
      {"c:\\x", "c:\\\\x"},
      {"lone\nLF", "loneLF"},
      {"cr\ronly", "cr\\nonly"},
  };
  for (const auto& r : escapes)
    EXPECT_EQ(GisEscapeStr(r.text), r.expected) << r.text;
  // CR LF survives the round trip; a lone LF is lost.
  for (const char* text : {"x\r\ny\r\n", "a\\b\\\\c", "\\n literally", "end\\"})
    EXPECT_EQ(GisUnescapeStr(GisEscapeStr(text), ""), text) << text;
  EXPECT_EQ(GisUnescapeStr(GisEscapeStr("a\nb"), ""), "ab");
}

TEST_F(GisKeywords, Units) {
  TGIS_Units u;
  EXPECT_EQ(GisStrToUnits("0.3048", &u), &u);
  EXPECT_EQ(u.Type(), gisUnitsLinearCustom);
  EXPECT_EQ(static_cast<double>(u.Factor()), 0.3048);
  EXPECT_EQ(GisUnitsToStr(u), "0.3048");

  GisStrToUnits("-0.5", &u);
  EXPECT_EQ(u.Type(), gisUnitsAngularCustom);
  EXPECT_EQ(u.Factor(), 0.5L);
  EXPECT_EQ(GisUnitsToStr(u), "-0.5");

  GisStrToUnits("grad", &u);
  EXPECT_EQ(u.Type(), gisUnitsGrad);
  GisStrToUnits("0", &u);
  EXPECT_EQ(u.Type(), gisUnitsGrad);
  GisStrToUnits("nil", &u);
  GisStrToUnits("furlong", &u);
  EXPECT_EQ(u.Type(), gisUnitsGrad);
  FormatSettings().DecimalSeparator = ',';
  GisStrToUnits("1,5", &u);
  EXPECT_EQ(u.Type(), gisUnitsLinearCustom);
  EXPECT_EQ(GisUnitsToStr(u), "1.5");

  // Every unit word comes back.
  for (int code = 2; code <= 24; ++code) {
    if (code == 18) continue;
    TGIS_Units w;
    w.SetType(TGIS_UnitsType(code));
    const std::string word = GisUnitsToStr(w);
    ASSERT_FALSE(word.empty()) << code;
    TGIS_Units r;
    GisStrToUnits(word, &r);
    EXPECT_EQ(r.Type(), code) << word;
    EXPECT_EQ(r.Factor(), w.Factor()) << word;
  }
  EXPECT_EQ(GisUnitsToStr(TGIS_Units()), "");
  EXPECT_THROW(GisStrToUnits("METER", nullptr), EAssertionFailed);
}

// A symbol stand-in: the resolver hands out the address of a name.
class FakeResolver : public TGIS_SymbolResolver {
public:
  TGIS_SymbolAbstract* Find(const std::string& name) override {
    asked = name;
    return name == "known" ? reinterpret_cast<TGIS_SymbolAbstract*>(&storage) : nullptr;
  }
  std::string NameOf(const TGIS_SymbolAbstract*, bool& isFile) override {
    isFile = false;
    return "known";
  }
  std::string asked;
  int storage = 0;
};

TEST_F(GisKeywords, SymbolsGoThroughTheResolver) {
  auto* def = reinterpret_cast<TGIS_SymbolAbstract*>(this);
  EXPECT_EQ(GisStrToSymbol("known", def), def); // no resolver yet
  FakeResolver resolver;
  GisSetSymbolResolver(&resolver);
  EXPECT_EQ(GisStrToSymbol("known", def),
            reinterpret_cast<TGIS_SymbolAbstract*>(&resolver.storage));
  EXPECT_EQ(GisStrToSymbol("nil", def), def);
  EXPECT_EQ(GisStrToSymbol("unknown", def), nullptr);
  EXPECT_EQ(resolver.asked, "unknown");
  GisSetSymbolResolver(nullptr);
  EXPECT_EQ(GisSymbolResolver(), nullptr);
}

} // namespace
