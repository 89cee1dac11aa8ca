#include "gis/core/GisKeywords.h"

#include <array>
#include <span>
#include <string_view>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsNil(const std::string& text) {
  return text == GIS_INI_NIL;
}

// The index of the keyword (case ignored), or -1.
int KeywordIndex(std::span<const char* const> words, const std::string& text) {
  const std::string t = Trim(text);
  for (std::size_t i = 0; i < words.size(); ++i)
    if (SameText(t, words[i])) return static_cast<int>(i);
  return -1;
}

template <class T>
T KeywordValue(std::span<const char* const> words, const std::string& text, T defaultValue) {
  if (IsNil(text)) return defaultValue;
  const int i = KeywordIndex(words, text);
  return i < 0 ? defaultValue : static_cast<T>(i);
}

std::string KeywordText(std::span<const char* const> words, int value, int line) {
  if (value < 0 || value >= static_cast<int>(words.size()))
    Assert(false, "Unsupported Case", "GisParams", line);
  return words[static_cast<std::size_t>(value)];
}

constexpr const char* kPenStyles[] = {"SOLID", "DASH", "DOT", "DASHDOT", "DASHDOTDOT", "CLEAR"};
constexpr const char* kBrushStyles[] = {"SOLID",     "TRANSPARENT", "HORIZONTAL", "VERTICAL",
                                        "FDIAGONAL", "BDIAGONAL",   "CROSS",      "DIAGCROSS"};
constexpr const char* kMarkerStyles[] = {"BOX",          "CIRCLE",       "CROSS",
                                         "DIAGCROSS",    "TRIANGLEUP",   "TRIANGLEDOWN",
                                         "TRIANGLELEFT", "TRIANGLERIGHT"};
constexpr const char* kLabelAlignments[] = {"SINGLE", "LEFTJUSTIFY", "CENTER", "RIGHTJUSTIFY",
                                            "FOLLOW"};
constexpr const char* kChartStyles[] = {"PIE", "BAR"};
constexpr const char* kDormantModes[] = {"OFF", "STANDARD", "AGRESSIVE"};
constexpr const char* kFontStyles[] = {"BOLD", "ITALIC", "UNDERLINE", "STRIKEOUT"};
constexpr TFontStyle kFontStyleBits[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
constexpr const char* kLabelPositions[] = {"UPLEFT",       "UPCENTER",    "UPRIGHT",  "MIDDLELEFT",
                                           "MIDDLECENTER", "MIDDLERIGHT", "DOWNLEFT", "DOWNCENTER",
                                           "DOWNRIGHT",    "FLOW"};

struct ColorName {
  const char* word;
  std::uint32_t value;
};

constexpr ColorName kColors[] = {
    {"BLACK", 0x000000},          {"MAROON", 0x000080},  {"GREEN", 0x008000}, {"OLIVE", 0x008080},
    {"NAVY", 0x800000},           {"PURPLE", 0x800080},  {"TEAL", 0x808000},  {"GRAY", 0x808080},
    {"SILVER", 0xC0C0C0},         {"RED", 0x0000FF},     {"LIME", 0x00FF00},  {"YELLOW", 0x00FFFF},
    {"BLUE", 0xFF0000},           {"FUCHSIA", 0xFF00FF}, {"AQUA", 0xFFFF00},  {"WHITE", 0xFFFFFF},
    {"RENDER", GIS_RENDER_COLOR},
};

struct UnitWord {
  const char* word;
  TGIS_UnitsType type;
};

constexpr UnitWord kUnitWords[] = {
    {"METER", gisUnitsMeter},
    {"KILOMETER", gisUnitsKilometer},
    {"FOOT", gisUnitsFoot},
    {"FOOTUS", gisUnitsFootUS},
    {"FOOTMODIFIEDAMERICAN", gisUnitsFootModifiedAmerican},
    {"FOOTCLARKES", gisUnitsFootClarkes},
    {"FOOTINDIAN", gisUnitsFootIndian},
    {"LINK", gisUnitsLink},
    {"LINKBENOIT", gisUnitsLinkBenoit},
    {"LINKSERAS", gisUnitsLinkSeras},
    {"CHAINBENOIT", gisUnitsChainBenoit},
    {"CHAINSEARS", gisUnitsChainSears},
    {"YARDINDIAN", gisUnitsYardIndian},
    {"YARDSEARS", gisUnitsYardSears},
    {"FATHOM", gisUnitsFathom},
    {"MILENAUTICAL", gisUnitsMileNautical},
    {"RADIAN", gisUnitsRadian},
    {"DEGREEDECIMAL", gisUnitsDegreeDecimal},
    {"MINUTEDECIMAL", gisUnitsMinuteDecimal},
    {"SECONDDECIMAL", gisUnitsSecondDecimal},
    {"GON", gisUnitsGon},
    {"GRAD", gisUnitsGrad},
};

// Splits at every ':' and hands each word (trimmed) to `word` in order; the
// text after the last ':' is a word too, even when empty.
template <class F> void ForEachWord(const std::string& text, F word) {
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = text.find(':', start);
    if (colon == std::string::npos) {
      word(Trim(std::string_view(text).substr(start)));
      return;
    }
    word(Trim(std::string_view(text).substr(start, colon - start)));
    start = colon + 1;
  }
}

TGIS_SymbolResolver* gSymbolResolver = nullptr;

} // namespace

bool GisStrToBoolean(const std::string& text, bool defaultValue) {
  const std::string t = Trim(text);
  if (SameText(t, "YES") || SameText(t, "TRUE") || t == "1") return true;
  if (SameText(t, "NO") || SameText(t, "FALSE") || t == "0") return false;
  return defaultValue;
}

std::string GisBooleanToStr(bool value) {
  return value ? "YES" : "NO";
}

std::int32_t GisStrToSize(const std::string& text, std::int32_t defaultValue) {
  if (IsNil(text) || text.empty()) return defaultValue;
  if (SameText(Trim(text), "RENDER")) return GIS_RENDER_SIZE;
  Integer value = 0;
  if (!TryStrToInt(Trim(text), value)) return defaultValue;
  return value;
}

std::string GisSizeToStr(std::int32_t value) {
  return IntToStr(value);
}

double GisIniStrToFloat(const std::string& text, double defaultValue) {
  if (IsNil(text) || text.empty()) return defaultValue;
  try {
    return GisStrToFloat(text);
  } catch (const EConvertError&) {
    return defaultValue;
  }
}

std::string GisIniFloatToStr(double value) {
  return GisFloatToStr(value);
}

std::uint32_t GisStrToColorAsWritten(const std::string& text, std::uint32_t defaultValue) {
  if (IsNil(text)) return defaultValue;
  const std::string t = Trim(text);
  for (const auto& c : kColors)
    if (SameText(t, c.word)) return c.value;

  if (t.find(':') == std::string::npos) {
    Integer value = 0;
    if (TryStrToInt(t, value)) {
      auto color = static_cast<std::uint32_t>(value);
      if ((color >> 24) != 0 && (color & 0xFFFFFF) == 13) color = GIS_RENDER_COLOR;
      return color;
    }
  }

  // red:green:blue; characters after a third ':' are ignored.
  int parts[3] = {0, 0, 0};
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    if (start > t.size()) return defaultValue;
    std::size_t end = t.find(':', start);
    if (end == std::string::npos) end = t.size();
    Integer value = 0;
    if (!TryStrToInt(Trim(std::string_view(t).substr(start, end - start)), value))
      return defaultValue;
    parts[i] = value & 0xFF;
    start = end + 1;
  }
  return GisColorRGB(parts[0], parts[1], parts[2]);
}

std::uint32_t GisStrToColor(const std::string& text, std::uint32_t defaultValue) {
  if (IsNil(text)) return defaultValue;
  return GisNonBlackColor(GisStrToColorAsWritten(text, defaultValue));
}

std::string GisColorToStr(std::uint32_t value) {
  for (const auto& c : kColors)
    if (c.value == value) return c.word;
  return Format("$%X", {value});
}

TPenStyle GisStrToPenStyle(const std::string& text, TPenStyle defaultValue) {
  return KeywordValue(kPenStyles, text, defaultValue);
}
TBrushStyle GisStrToBrushStyle(const std::string& text, TBrushStyle defaultValue) {
  return KeywordValue(kBrushStyles, text, defaultValue);
}
TGIS_MarkerStyle GisStrToMarkerStyle(const std::string& text, TGIS_MarkerStyle defaultValue) {
  return KeywordValue(kMarkerStyles, text, defaultValue);
}
TGIS_LabelAlignment GisStrToLabelAlignment(const std::string& text,
                                           TGIS_LabelAlignment defaultValue) {
  return KeywordValue(kLabelAlignments, text, defaultValue);
}
TGIS_ChartStyle GisStrToChartStyle(const std::string& text, TGIS_ChartStyle defaultValue) {
  return KeywordValue(kChartStyles, text, defaultValue);
}
TGIS_DormantMode GisStrToDormantMode(const std::string& text, TGIS_DormantMode defaultValue) {
  return KeywordValue(kDormantModes, text, defaultValue);
}

std::string GisPenStyleToStr(TPenStyle value) {
  return KeywordText(kPenStyles, value, __LINE__);
}
std::string GisBrushStyleToStr(TBrushStyle value) {
  return KeywordText(kBrushStyles, value, __LINE__);
}
std::string GisMarkerStyleToStr(TGIS_MarkerStyle value) {
  return KeywordText(kMarkerStyles, value, __LINE__);
}
std::string GisLabelAlignmentToStr(TGIS_LabelAlignment value) {
  return KeywordText(kLabelAlignments, value, __LINE__);
}
std::string GisChartStyleToStr(TGIS_ChartStyle value) {
  return KeywordText(kChartStyles, value, __LINE__);
}
std::string GisDormantModeToStr(TGIS_DormantMode value) {
  return KeywordText(kDormantModes, value, __LINE__);
}

TFontStyles GisStrToFontStyle(const std::string& text, TFontStyles defaultValue) {
  if (IsNil(text)) return defaultValue;
  TFontStyles set = 0;
  ForEachWord(text, [&](const std::string& word) {
    if (SameText(word, "NORMAL")) {
      set = 0;
      return;
    }
    const int i = KeywordIndex(kFontStyles, word);
    if (i < 0)
      set = defaultValue;
    else
      set |= kFontStyleBits[i];
  });
  return set;
}

std::string GisFontStyleToStr(TFontStyles value) {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    if (!(value & kFontStyleBits[i])) continue;
    if (!out.empty()) out += ':';
    out += kFontStyles[i];
  }
  return out.empty() ? "NORMAL" : out;
}

TGIS_LabelPositions GisStrToLabelPosition(const std::string& text,
                                          TGIS_LabelPositions defaultValue) {
  if (IsNil(text)) return defaultValue;
  TGIS_LabelPositions set = 0;
  ForEachWord(text, [&](const std::string& word) {
    if (SameText(word, "ANY")) {
      set = GIS_LABEL_POSITIONS_ANY;
      return;
    }
    const int i = KeywordIndex(kLabelPositions, word);
    if (i < 0)
      set = defaultValue;
    else
      set |= LabelPositionBit(static_cast<TGIS_LabelPosition>(i));
  });
  return set;
}

std::string GisLabelPositionToStr(TGIS_LabelPositions value) {
  std::string out;
  for (int i = 0; i < 10; ++i) {
    if (!(value & LabelPositionBit(static_cast<TGIS_LabelPosition>(i)))) continue;
    if (!out.empty()) out += ':';
    out += kLabelPositions[i];
  }
  return out;
}

std::string GisUnescapeStr(const std::string& text, const std::string& defaultValue) {
  if (IsNil(text) || text.empty()) return defaultValue;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const char next = text[++i];
    if (next == 'n')
      out += "\r\n";
    else if (next == '\\')
      out += '\\';
    else {
      out += c;
      out += next;
    }
  }
  return out;
}

std::string GisEscapeStr(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\r')
      out += "\\n";
    else if (c == '\n')
      continue;
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

TGIS_Units* GisStrToUnits(const std::string& text, TGIS_Units* units) {
  SK_ASSERT(units != nullptr, "", "GisParams", __LINE__);
  if (IsNil(text)) return units;
  const std::string t = Trim(text);
  for (const auto& u : kUnitWords) {
    if (SameText(t, u.word)) {
      units->SetType(u.type);
      return units;
    }
  }
  double x = 0;
  try {
    x = GisStrToFloat(t);
  } catch (const EConvertError&) {
    return units;
  }
  if (x > 0)
    units->SetCustom(gisUnitsLinearCustom, x);
  else if (x < 0)
    units->SetCustom(gisUnitsAngularCustom, -x);
  return units;
}

std::string GisUnitsToStr(const TGIS_Units& units) {
  switch (units.Type()) {
  case gisUnitsNone:
    return std::string();
  case gisUnitsLinearCustom:
    return GisFloatToStr(static_cast<double>(units.Factor()));
  case gisUnitsAngularCustom:
    return GisFloatToStr(-static_cast<double>(units.Factor()));
  default:
    break;
  }
  for (const auto& u : kUnitWords)
    if (u.type == units.Type()) return u.word;
  return std::string();
}

std::unique_ptr<TGIS_Bitmap> GisStrToBitmap(const std::string& text,
                                            const TGIS_Bitmap* defaultValue) {
  auto copyOfDefault = [&]() -> std::unique_ptr<TGIS_Bitmap> {
    if (!defaultValue) return nullptr;
    auto copy = std::make_unique<TGIS_Bitmap>();
    copy->Assign(defaultValue);
    return copy;
  };
  if (IsNil(text) || text.empty()) return copyOfDefault();
  auto bitmap = std::make_unique<TGIS_Bitmap>();
  try {
    bitmap->LoadFromFile(text);
  } catch (const Exception&) {
    return copyOfDefault();
  }
  return bitmap;
}

void GisSetSymbolResolver(TGIS_SymbolResolver* resolver) {
  gSymbolResolver = resolver;
}

TGIS_SymbolResolver* GisSymbolResolver() {
  return gSymbolResolver;
}

TGIS_SymbolAbstract* GisStrToSymbol(const std::string& text, TGIS_SymbolAbstract* defaultValue) {
  if (IsNil(text) || !gSymbolResolver) return defaultValue;
  return gSymbolResolver->Find(text);
}
