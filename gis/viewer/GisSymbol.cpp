// TGIS_SymbolAbstract, TGIS_SymbolList and the resolver of the style
// converters.
#include "gis/viewer/GisSymbol.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisKeywords.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {

/// Reads "Center.X"/"Center.Y" of the companion ini file; a missing exact
/// name is looked for without regard to letter case.
void ReadCenterShift(const std::string& iniName, double& x, double& y) {
  std::string file = iniName;
  if (!FileExists(file)) file = FindFileNoCase(iniName);
  if (file.empty()) return;
  TIniFile ini(file);
  x = GisStrToFloat(ini.ReadString("Vornakel Symbol", "Center.X", "0"));
  y = GisStrToFloat(ini.ReadString("Vornakel Symbol", "Center.Y", "0"));
}

} // namespace

// ------------------------------------------------------------------ abstract

TGIS_SymbolAbstract::TGIS_SymbolAbstract(const std::string& name, const std::string& iniBase)
    : name_(name) {
  try {
    ReadCenterShift((iniBase.empty() ? name : iniBase) + ".ini", shiftX_, shiftY_);
  } catch (const Exception&) {
    // An unreadable companion file or a bad number: no shift.
    shiftX_ = shiftY_ = 0;
  }
}

int TGIS_SymbolAbstract::GetSize() {
  return width_ > height_ ? width_ : height_;
}

void TGIS_SymbolAbstract::CalcOffset(int position) {
  const int w = width_, h = height_;
  if (position >= 0 && position <= 8) {
    const int column = position % 3, row = position / 3;
    offsetX_ = column == 0 ? -(w / 2) : column == 1 ? 0 : w / 2;
    offsetY_ = row == 0 ? -(h / 2) : row == 1 ? 0 : h / 2;
  }
  if (w != 0) offsetX_ += int(Round(size_ * shiftX_ / 100));
  if (h != 0) offsetY_ += int(Round(size_ * shiftY_ / 100));
}

void TGIS_SymbolAbstract::RotateOffset() {
  CalcOffset(position_);
  const double x = offsetX_, y = offsetY_;
  offsetX_ = int(Round(x * cos_ - y * sin_));
  offsetY_ = int(Round(x * sin_ + y * cos_));
}

void TGIS_SymbolAbstract::SetRotation(double angle) {
  viewerRotation_ = viewer_ != nullptr ? viewer_->RotationAngle() : 0;
  const double total = angle + viewerRotation_;
  sin_ = std::sin(total);
  cos_ = std::cos(total);
  RotateOffset();
}

void TGIS_SymbolAbstract::Prepare(TGIS_Viewer* viewer, int sizeTwips, TGIS_GDI* gdi, int position,
                                  int gapTwips, double angle, std::uint32_t outlineColor,
                                  std::uint32_t fillColor) {
  viewer_ = viewer;
  gdi_ = gdi != nullptr ? gdi : (viewer != nullptr ? viewer->GetGDI() : nullptr);
  preparedSize_ = viewer != nullptr ? viewer->TwipsToPixels(sizeTwips) : std::abs(sizeTwips);
  gap_ = viewer != nullptr ? viewer->TwipsToPixels(gapTwips) : std::abs(gapTwips);
  outline_ = GisNonBlackColor(outlineColor);
  fill_ = GisNonBlackColor(fillColor);
  position_ = position;
  angle_ = angle;
  if (sizeTwips != 0 && naturalHeight_ != 0) {
    scale_ = preparedSize_ / naturalHeight_;
  } else {
    scale_ = 1.0;
    preparedSize_ = sizeTwips != 0 ? 288 : 0;
  }
  width_ = GetWidth();
  height_ = GetHeight();
  size_ = GetSize();
  SetRotation(angle);
}

void TGIS_SymbolAbstract::Unprepare() {
  viewer_ = nullptr;
  gdi_ = nullptr;
}

void TGIS_SymbolAbstract::Draw(int, int) {}

namespace {

/// Scaled drawings are kept within ±2^28 pixels, so that sums and doubles of
/// such values still fit 32 bits.
int ClampedPixels(double value) {
  constexpr std::int64_t kMax = std::int64_t(1) << 28;
  return int(std::clamp<std::int64_t>(Round(value), -kMax, kMax));
}

} // namespace

int TGIS_SymbolAbstract::Scale(double value) const {
  return ClampedPixels(value * scale_);
}

TPoint TGIS_SymbolAbstract::Transform(double x, double y) const {
  return TPoint(ClampedPixels((x * cos_ - y * sin_) * scale_),
                ClampedPixels((x * sin_ + y * cos_) * scale_));
}

std::uint32_t TGIS_SymbolAbstract::FillColor(std::uint32_t own) const {
  return fill_ == GIS_RENDER_COLOR ? own : fill_;
}

std::uint32_t TGIS_SymbolAbstract::OutlineColor(std::uint32_t own) const {
  return outline_ == GIS_RENDER_COLOR ? own : outline_;
}

TGIS_GDI& TGIS_SymbolAbstract::RequireGdi(int line) const {
  SK_ASSERT(gdi_ != nullptr, "symbol drawn without a drawing context", "GisSymbol", line);
  return *gdi_;
}

// ---------------------------------------------------------------------- list

bool TGIS_SymbolList::KeyLess::operator()(const std::string& a, const std::string& b) const {
  return CompareText(a, b) < 0;
}

namespace {

/// The extension of the last path component, from its last '.' on ('' when
/// none); a '?' suffix counts as part of it.
std::string ExtensionOf(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot < start) return std::string();
  return name.substr(dot);
}

bool IsLineDefinition(const std::string& name) {
  return name.find('<') != std::string::npos;
}

/// The absolute form of a file symbol's name, letter case as given.
std::string AbsoluteName(const std::string& name) {
  return GisPathAbsolute(std::string(), name);
}

std::unique_ptr<TGIS_SymbolAbstract> CreateSymbol(const std::string& name) {
  if (IsLineDefinition(name)) return std::make_unique<TGIS_SymbolLine>(name);
  const std::string ext = ExtensionOf(name);
  if (ext.empty()) return std::make_unique<TGIS_SymbolFont>(name);
  const std::string path = AbsoluteName(name);
  if (CompareText(ext, ".CGM") == 0) return std::make_unique<TGIS_SymbolCGM>(path);
  return std::make_unique<TGIS_SymbolPicture>(path);
}

} // namespace

std::string TGIS_SymbolList::KeyOf(const std::string& name) {
  if (!IsLineDefinition(name) && !ExtensionOf(name).empty()) return UpperCase(AbsoluteName(name));
  return name;
}

TGIS_SymbolAbstract* TGIS_SymbolList::Get(const std::string& name) {
  if (name.empty()) return nullptr;
  const std::string key = KeyOf(name);
  if (auto it = items_.find(key); it != items_.end()) return it->second.get();
  // The key is upper-cased for the lookup only: the symbol is created from
  // the name as given, so that files are found on case-sensitive systems.
  std::unique_ptr<TGIS_SymbolAbstract> symbol;
  try {
    symbol = CreateSymbol(name);
  } catch (const Exception&) {
    return nullptr;
  }
  TGIS_SymbolAbstract* result = symbol.get();
  items_.emplace(key, std::move(symbol));
  return result;
}

void TGIS_SymbolList::Clear() {
  items_.clear();
}

// ------------------------------------------------------- process-wide list

namespace {

std::unique_ptr<TGIS_SymbolList> g_symbols;

class TSymbolListResolver final : public TGIS_SymbolResolver {
public:
  TGIS_SymbolAbstract* Find(const std::string& name) override { return GisSymbolList().Get(name); }
  std::string NameOf(const TGIS_SymbolAbstract* symbol, bool& isFileSymbol) override {
    isFileSymbol = symbol != nullptr && symbol->IsFileSymbol();
    return symbol != nullptr ? symbol->Name() : std::string();
  }
};

TSymbolListResolver g_resolver;

} // namespace

TGIS_SymbolList& GisSymbolList() {
  if (!g_symbols) g_symbols = std::make_unique<TGIS_SymbolList>();
  return *g_symbols;
}

void GisSymbolsRegisterUnit() {
  GisKernelRegisterUnit(
      "GisSymbols",
      [] {
        GisSymbolList();
        GisSetSymbolResolver(&g_resolver);
      },
      [] {
        if (GisSymbolResolver() == &g_resolver) GisSetSymbolResolver(nullptr);
        g_symbols.reset();
      });
}
