// TGIS_SymbolFont: one character of a font, with a halo in the outline colour.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "gis/core/GisDefsTokenizer.h"
#include "gis/core/GisKeywords.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "platform/graphics/GraphicsObjects.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

/// Whether the UTF-8 text is exactly one code point.
bool IsOneCharacter(const std::string& s) {
  char32_t c = 0;
  return !s.empty() && Utf8DecodeAt(s, 0, c) == s.size();
}

/// Restores the context's background mode and text alignment.
class TTextModeGuard {
public:
  TTextModeGuard(TGIS_GDI& gdi, int bkMode, UINT align)
      : gdi_(gdi), oldBk_(gdi.SetBkMode(bkMode)), oldAlign_(gdi.SetTextAlign(align)) {}
  ~TTextModeGuard() {
    gdi_.SetTextAlign(oldAlign_);
    gdi_.SetBkMode(oldBk_);
  }
  TTextModeGuard(const TTextModeGuard&) = delete;
  TTextModeGuard& operator=(const TTextModeGuard&) = delete;

private:
  TGIS_GDI& gdi_;
  int oldBk_;
  UINT oldAlign_;
};

} // namespace

TGIS_SymbolFont::TGIS_SymbolFont(const std::string& name)
    : TGIS_SymbolAbstract(name), font_(std::make_unique<TFont>()) {
  font_->SetSize(8);
  TGIS_Tokenizer tokenizer;
  tokenizer.Execute(name.empty() ? std::string("Arial:?") : name, ":", true);
  const TStringList& tokens = tokenizer.Result();
  if (tokens.Count() > 0) font_->SetName(tokens[0]);
  if (tokens.Count() > 1) {
    const std::string& c = tokens[1];
    if (IsOneCharacter(c)) {
      char_ = c;
    } else {
      Integer code = 0;
      if (!TryStrToInt(c, code) || code < 0 || code > 0x10FFFF) code = 0;
      char_ = Utf8Encode(char32_t(code));
    }
  } else {
    char_ = std::string(1, '\0');
  }
  std::string styles;
  for (int i = 2; i < tokens.Count(); ++i) {
    if (i > 2) styles += ':';
    styles += tokens[i];
  }
  font_->SetStyle(GisStrToFontStyle(styles, 0));
}

TGIS_SymbolFont::~TGIS_SymbolFont() = default;

int TGIS_SymbolFont::FontSize() {
  if (preparedSize_ == 0) return 0;
  // In 64 bits: a style's largest sizes once overflowed the int product.
  const std::int64_t twips = viewer_ != nullptr
                                 ? viewer_->PixelsToTwips(int(Round(preparedSize_)))
                                 : Round(preparedSize_ * 15);
  const std::int64_t points = twips * 72 / 1440;
  return points < 2 ? 2 : int(std::min<std::int64_t>(points, std::numeric_limits<int>::max()));
}

bool TGIS_SymbolFont::ApplyFont() {
  const int points = FontSize();
  if (points == 0) return false;
  font_->SetSize(points);
  if (gdi_ != nullptr) gdi_->Font()->AssignFont(font_.get());
  return true;
}

int TGIS_SymbolFont::GetDrawWidth() {
  if (gdi_ == nullptr) return 1;
  if (!ApplyFont()) return 0;
  return gdi_->TextWidth(char_);
}

int TGIS_SymbolFont::GetDrawHeight() {
  if (gdi_ == nullptr) return 1;
  if (!ApplyFont()) return 0;
  return gdi_->TextHeight(char_);
}

void TGIS_SymbolFont::SetRotation(double angle) {
  TGIS_SymbolAbstract::SetRotation(angle);
  double e = -(angle + viewerRotation_);
  if (e < 0) e += 2 * std::numbers::pi;
  ApplyFont();
  if (gdi_ != nullptr) gdi_->Font()->SetAngle(int(Round(e * 180 / std::numbers::pi * 10)));
}

int TGIS_SymbolFont::HaloRings(bool& printing) {
  printing = false;
  if (viewer_ != nullptr) {
    const auto external = [](std::uint8_t kind) {
      return kind == gisTargetDC || kind == gisTargetPrinterTile;
    };
    printing = external(viewer_->TargetKind()) || external(viewer_->OuterTargetKind());
  }
  if (!printing) return 1;
  return gdi_->Font()->PixelsPerInch() / 96;
}

void TGIS_SymbolFont::Draw(int x, int y) {
  if (preparedSize_ < 1) return;
  TGIS_GDI& gdi = RequireGdi(__LINE__);
  TTextModeGuard mode(gdi, TRANSPARENT, TA_BOTTOM);
  const int hw = width_ / 2, hh = height_ / 2;
  const int ox = x + int(Round(-hw * cos_ - hh * sin_)) + offsetX_;
  const int oy = y + int(Round(-hw * sin_ + hh * cos_)) + offsetY_;
  if (fill_ != outline_) {
    gdi.Font()->SetColor(outline_);
    gdi.Pen()->SetColor(outline_);
    bool printing = false;
    const int rings = HaloRings(printing);
    for (int i = 1; i <= rings; ++i) {
      const int straight[4][2] = {{i, 0}, {-i, 0}, {0, i}, {0, -i}};
      for (const auto& d : straight)
        gdi.TextOut(ox + d[0], oy + d[1], char_);
      if (!printing) continue;
      const int diagonal[4][2] = {{i, i}, {-i, i}, {i, -i}, {-i, -i}};
      for (const auto& d : diagonal)
        gdi.TextOut(ox + d[0], oy + d[1], char_);
    }
  }
  gdi.Font()->SetColor(fill_);
  gdi.TextOut(ox, oy, char_);
}
