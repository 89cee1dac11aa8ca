// The conversions between configuration texts and typed values that every ini
// reader and writer of the kernel uses (the keyword converters of the
// parameters module).
//
// Each reader takes the stored text and a default and never fails: the text
// "nil" (what the ini gives for a missing key) and every text it cannot
// understand give the default. Each writer gives the text its reader maps back
// to the same value. Keywords compare ignoring letter case; writers produce
// them in upper case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/core/GisCanvasTypes.h"
#include "gis/core/GisDefsBitmap.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisDefsUnits.h"

/// The text the ini reads for a missing key.
inline constexpr const char* GIS_INI_NIL = "nil";

/// YES, TRUE, 1 → true; NO, FALSE, 0 → false; otherwise the default.
bool GisStrToBoolean(const std::string& text, bool defaultValue);
/// YES or NO.
std::string GisBooleanToStr(bool value);

/// "nil" or empty → default; RENDER → GIS_RENDER_SIZE; otherwise the integer
/// (decimal, or hexadecimal after "$"); unparsable → default.
std::int32_t GisStrToSize(const std::string& text, std::int32_t defaultValue);
/// Decimal (RENDER is written as the decimal of GIS_RENDER_SIZE).
std::string GisSizeToStr(std::int32_t value);

/// "nil", empty or unparsable → default; '.' or ',' accepted.
double GisIniStrToFloat(const std::string& text, double defaultValue);
/// '.' as decimal separator.
std::string GisIniFloatToStr(double value);

/// A colour word, an integer (decimal or "$" hex), or red:green:blue; the
/// result never is black (0 becomes $010101), except that "nil" gives the
/// default unchanged.
std::uint32_t GisStrToColor(const std::string& text, std::uint32_t defaultValue);
/// The same spellings read as written: black stays 0 however it is spelt
/// (colour bounds of the raster zone lists, where black is a real bound).
std::uint32_t GisStrToColorAsWritten(const std::string& text, std::uint32_t defaultValue);
/// The colour's word when the value is one of the 17 named ones, else "$" and
/// upper-case hexadecimal without leading zeros.
std::string GisColorToStr(std::uint32_t value);

TPenStyle GisStrToPenStyle(const std::string& text, TPenStyle defaultValue);
TBrushStyle GisStrToBrushStyle(const std::string& text, TBrushStyle defaultValue);
TGIS_MarkerStyle GisStrToMarkerStyle(const std::string& text, TGIS_MarkerStyle defaultValue);
TGIS_LabelAlignment GisStrToLabelAlignment(const std::string& text,
                                           TGIS_LabelAlignment defaultValue);
TGIS_ChartStyle GisStrToChartStyle(const std::string& text, TGIS_ChartStyle defaultValue);
TGIS_DormantMode GisStrToDormantMode(const std::string& text, TGIS_DormantMode defaultValue);
// The keyword writers fail an assertion ("Unsupported Case") for a value
// outside their table.
std::string GisPenStyleToStr(TPenStyle value);
std::string GisBrushStyleToStr(TBrushStyle value);
std::string GisMarkerStyleToStr(TGIS_MarkerStyle value);
std::string GisLabelAlignmentToStr(TGIS_LabelAlignment value);
std::string GisChartStyleToStr(TGIS_ChartStyle value);
std::string GisDormantModeToStr(TGIS_DormantMode value);

/// Words joined by ':': NORMAL empties the set, BOLD/ITALIC/UNDERLINE/STRIKEOUT
/// add, any other word (the empty one too) replaces the set by the default.
TFontStyles GisStrToFontStyle(const std::string& text, TFontStyles defaultValue);
/// NORMAL for the empty set, else the words in the order BOLD, ITALIC,
/// UNDERLINE, STRIKEOUT joined by ':'.
std::string GisFontStyleToStr(TFontStyles value);

/// Words joined by ':': each position word adds its bit, ANY replaces the set
/// by 510, FLOW adds 512, any other word replaces the set by the default.
TGIS_LabelPositions GisStrToLabelPosition(const std::string& text,
                                          TGIS_LabelPositions defaultValue);
/// The set's words in bit order joined by ':' (the empty set gives '').
std::string GisLabelPositionToStr(TGIS_LabelPositions value);

/// "nil" or empty → default; "\n" → CR LF, "\\" → "\", a backslash before any
/// other character (or at the end) stays.
std::string GisUnescapeStr(const std::string& text, const std::string& defaultValue);
/// CR → "\n", LF dropped, "\" → "\\".
std::string GisEscapeStr(const std::string& text);

/// Sets the units in place from a unit word or a factor (positive: custom
/// linear metres per unit; negative: custom angular radians per unit); "nil",
/// 0 and unparsable text leave them unchanged. Asserts that units are given.
TGIS_Units* GisStrToUnits(const std::string& text, TGIS_Units* units);
/// The unit word; the factor for a custom linear unit, minus the factor for a
/// custom angular one; '' for none.
std::string GisUnitsToStr(const TGIS_Units& units);

/// A new bitmap owned by the caller: "nil" or empty → a copy of the default
/// (none without one); otherwise loaded from the file; a failed load gives a
/// copy of the default.
std::unique_ptr<TGIS_Bitmap> GisStrToBitmap(const std::string& text,
                                            const TGIS_Bitmap* defaultValue);

/// A symbol of the process-wide symbol list (defined with the symbols).
class TGIS_SymbolAbstract;

/// How the converters reach the process-wide symbol list: installed by the
/// symbols module.
class TGIS_SymbolResolver {
public:
  virtual ~TGIS_SymbolResolver() = default;
  /// The symbol of that name, loaded and cached on first use; null when none.
  virtual TGIS_SymbolAbstract* Find(const std::string& name) = 0;
  /// The symbol's name, and whether it is a file symbol (picture or CGM, whose
  /// name is a file path).
  virtual std::string NameOf(const TGIS_SymbolAbstract* symbol, bool& isFileSymbol) = 0;
};

/// Installs the resolver (null removes it); the caller keeps ownership.
void GisSetSymbolResolver(TGIS_SymbolResolver* resolver);
TGIS_SymbolResolver* GisSymbolResolver();

/// "nil" → default; otherwise the symbol list's symbol of that name. Without a
/// resolver installed: the default.
TGIS_SymbolAbstract* GisStrToSymbol(const std::string& text, TGIS_SymbolAbstract* defaultValue);
