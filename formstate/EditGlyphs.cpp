#include "formstate/EditGlyphs.h"

#include <map>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"

namespace {

std::map<std::string, std::unique_ptr<TBitmap>>& cache() {
  static std::map<std::string, std::unique_ptr<TBitmap>> glyphs;
  return glyphs;
}

// Pixel art: one character per pixel.
void paint(TBitmap& bitmap, int x0, const char* const rows[], int height,
           const std::map<char, TColor>& colours) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; rows[y][x] != '\0'; ++x)
      bitmap.Canvas()->SetPixels(x0 + x, y, colours.at(rows[y][x]));
}

constexpr TColor kBack = 0x00808000; // transparent: the bottom-left pixel

std::unique_ptr<TBitmap> folderGlyph() {
  static const char* const rows[12] = {"..........#...", ".........##...", "........#.#...",
                                       ".###...#..#...", "#...#####.....", "#.YYYYYYY#....",
                                       "#.Y#########..", "#.Y#WWWWWWWW#.", "#.#WWWWWWWW#..",
                                       "##WWWWWWWW#...", "###########...", ".............."};
  auto b = std::make_unique<TBitmap>(14, 12, pf24bit);
  paint(*b, 0, rows, 12, {{'.', kBack}, {'#', clBlack}, {'Y', clYellow}, {'W', clOlive}});
  return b;
}

std::unique_ptr<TBitmap> calculatorGlyph() {
  static const char* const normal[12] = {"..##########..", "..#WWWWWWWW#..", "..#W######W#..",
                                         "..#WWWWWWWW#..", "..#W#.#.#.W#..", "..#WWWWWWWW#..",
                                         "..#W#.#.#.W#..", "..#WWWWWWWW#..", "..#W#.#.#.W#..",
                                         "..#WWWWWWWW#..", "..##########..", ".............."};
  static const char* const disabled[12] = {"..SSSSSSSSSS..", "..SHHHHHHHHSH.", "..SHSSSSSSHSH.",
                                           "..SHHHHHHHHSH.", "..SHS.S.S.HSH.", "..SHHHHHHHHSH.",
                                           "..SHS.S.S.HSH.", "..SHHHHHHHHSH.", "..SHS.S.S.HSH.",
                                           "..SHHHHHHHHSH.", "..SSSSSSSSSSH.", "...HHHHHHHHHH."};
  auto b = std::make_unique<TBitmap>(28, 12, pf24bit);
  paint(*b, 0, normal, 12, {{'.', kBack}, {'#', clBlack}, {'W', clSilver}});
  paint(*b, 14, disabled, 12, {{'.', kBack}, {'S', clGray}, {'H', clWhite}});
  return b;
}

} // namespace

TBitmap* StandardEditGlyph(const std::string& name) {
  auto it = cache().find(name);
  if (it != cache().end()) return it->second.get();
  std::unique_ptr<TBitmap> glyph;
  if (name == "FEDITBMP")
    glyph = folderGlyph();
  else if (name == "CEDITBMP")
    glyph = calculatorGlyph();
  else
    return nullptr;
  TBitmap* raw = glyph.get();
  cache()[name] = std::move(glyph);
  return raw;
}

void ReleaseEditGlyphs() {
  cache().clear();
}

std::unique_ptr<TBitmap> ComboArrowGlyph() {
  auto b = std::make_unique<TBitmap>(11, 6, pf24bit);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect(0, 0, 11, 6));
  for (int row = 0; row < 4; ++row)
    for (int x = 2 + row; x <= 8 - row; ++x)
      c->SetPixels(x, 1 + row, clBlack);
  return b;
}

std::unique_ptr<TBitmap> MakeEllipsisGlyph(int buttonWidth) {
  const int w = buttonWidth - 6 > 1 ? buttonWidth - 6 : 1;
  auto b = std::make_unique<TBitmap>(w, 4, pf24bit);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, w, 4));
  int gap = (w - 6) / 2;
  gap = gap < 1 ? 1 : gap > 3 ? 3 : gap;
  const int x0 = (w - 6 - 2 * gap) / 2;
  c->Brush()->SetColor(clBlack);
  for (int x : {x0, x0 + gap + 2, x0 + 2 * gap + 4})
    c->FillRect(TRect(x, 1, x + 2, 3));
  b->SetMonochrome(true);
  return b;
}
