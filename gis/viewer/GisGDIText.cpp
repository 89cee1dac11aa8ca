// TGIS_GDI text: measuring, TextOut and the label routine DrawTextBox.
#include <algorithm>
#include <climits>
#include <numbers>

#include "gis/viewer/GisGDI.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {
// Text the drawing layer decodes as UTF-8 exactly as we split it: anything
// else is read as Windows-1252, which maps every byte.
std::string WellFormed(const std::string& text) {
  return IsValidUtf8(text) ? text : CodePageToUtf8(text, 1252);
}

// Byte offset of every code point of well-formed UTF-8, plus the end.
std::vector<int> CodePointOffsets(const std::string& text) {
  std::vector<int> offsets;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) offsets.push_back(int(i));
  offsets.push_back(int(text.size()));
  return offsets;
}

struct TTextLine {
  int first = 0; // code point index
  int last = 0;  // one past the last code point
  int width = 0;
};

bool IsBreak(char c) {
  return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Splits the text into lines as DrawTextBox lays them out.
std::vector<TTextLine> LayOut(const std::string& text, const std::vector<int>& offsets,
                              const std::vector<int>& extents, int width, bool unlimited,
                              bool singleLine) {
  std::vector<TTextLine> lines;
  const int n = int(offsets.size()) - 1;
  auto extent = [&](int from, int to) {
    if (to <= from) return 0;
    return extents[to - 1] - (from > 0 ? extents[from - 1] : 0);
  };
  auto charAt = [&](int i) { return text[std::size_t(offsets[i])]; };
  int s = 0;
  while (s < n) {
    int lastBreak = -1;
    int end = n;  // the line is [s, end)
    int next = n; // where the next line starts
    for (int i = s; i < n; ++i) {
      char c = charAt(i);
      if (IsLineEnd(c)) {
        end = i;
        next = i + 1;
        if (c == '\r' && next < n && charAt(next) == '\n') ++next;
        break;
      }
      if (IsBreak(c)) lastBreak = i;
      if (!unlimited && extent(s, i + 1) > width) {
        if (i == s) {
          end = next = s + 1; // a line always takes one character
        } else if (lastBreak > s) {
          end = lastBreak;
          next = lastBreak;
          while (next < n && IsBreak(charAt(next)))
            ++next;
          if (next < n && IsLineEnd(charAt(next))) {
            bool cr = charAt(next) == '\r';
            ++next;
            if (cr && next < n && charAt(next) == '\n') ++next;
          }
        } else {
          end = next = i;
        }
        break;
      }
    }
    lines.push_back({s, end, extent(s, end)});
    if (singleLine) break;
    s = next;
  }
  return lines;
}
} // namespace

int TGIS_GDI::TextWidth(const std::string& text) {
  HDC dc = GetHandle();
  if (dc == nullptr) return 0;
  font_->Select(dc);
  SIZE size;
  if (!GetTextExtentPoint32(dc, text.data(), int(text.size()), &size)) return 0;
  return size.cx;
}

int TGIS_GDI::TextHeight(const std::string& text) {
  HDC dc = GetHandle();
  if (dc == nullptr) return 0;
  font_->Select(dc);
  SIZE size;
  if (!GetTextExtentPoint32(dc, text.data(), int(text.size()), &size)) return 0;
  return size.cy;
}

void TGIS_GDI::TextOut(int x, int y, const std::string& text) {
  HDC dc = GetHandle();
  font_->Select(dc);
  ::SetBkColor(dc, ColorToRGB(brush_->Color()));
  ::TextOut(dc, x, y, text.data(), int(text.size()));
}

void TGIS_GDI::DrawTextPass(const std::string& text, const TRect& rect, bool draw, int alignment,
                            const std::vector<int>& extents, int lineHeight, TRect* measured) {
  std::vector<int> offsets = CodePointOffsets(text);
  const bool unlimited = alignment == 4 || (!draw && alignment == 0);
  const bool singleLine = alignment == 0 || alignment == 4;
  std::vector<TTextLine> lines =
      LayOut(text, offsets, extents, rect.Width(), unlimited, singleLine);
  HDC dc = GetHandle();
  int widest = 0;
  int y = rect.Top;
  int count = 0;
  for (const TTextLine& line : lines) {
    if (draw) {
      if (alignment != 4 && y + lineHeight > rect.Bottom) break;
      int x = rect.Left;
      if (alignment == 2)
        x = rect.Left + (rect.Width() - line.width) / 2;
      else if (alignment == 3)
        x = rect.Right - line.width;
      int from = offsets[std::size_t(line.first)];
      int to = offsets[std::size_t(line.last)];
      ::TextOut(dc, x, y, text.data() + from, to - from);
    }
    widest = std::max(widest, line.width);
    y += lineHeight;
    ++count;
  }
  if (measured != nullptr) {
    measured->Right = measured->Left + widest;
    measured->Bottom = measured->Top + count * lineHeight;
  }
}

void TGIS_GDI::DrawTextBox(const std::string& rawText, TRect& rect, bool draw, bool halo,
                           double angle, int alignment) {
  HDC dc = GetHandle();
  if (dc == nullptr) return;
  const std::string text = WellFormed(rawText);

  // 1. advanced graphics mode, transparent background
  int oldGraphicsMode = ::SetGraphicsMode(dc, GM_ADVANCED);
  int oldBkMode = ::SetBkMode(dc, TRANSPARENT);

  // 2. the angle in tenths of a degree, clockwise on screen
  font_->SetAngle(-int(Round(angle * 10.0 * 180.0 / std::numbers::pi)));
  font_->Select(dc);

  // 3. metrics and cumulative extents
  TEXTMETRIC tm;
  bool trueType = false;
  if (GetTextMetrics(dc, &tm)) trueType = (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
  std::vector<int> extents(std::max<std::size_t>(text.size(), 1), 0);
  int fit = 0;
  SIZE size;
  if (!GetTextExtentExPoint(dc, text.data(), int(text.size()), INT_MAX, &fit, extents.data(),
                            &size))
    size = TSize(0, tm.tmHeight);
  const int lineHeight = size.cy > 0 ? size.cy : tm.tmHeight;

  // 4. reading order
  BYTE charset = font_->Charset();
  UINT rtl = (charset == 1 || charset == 13 || charset == 41) ? UINT(TA_RTLREADING) : 0u;
  UINT oldAlign = ::SetTextAlign(dc, rtl);

  // 5. halo
  if (draw && halo) {
    const int r = std::max(1, font_->PixelsPerInch() / 96);
    if (trueType) {
      ::BeginPath(dc);
      DrawTextPass(text, rect, true, alignment, extents, lineHeight, nullptr);
      ::EndPath(dc);
      pen_->SetStyle(GIS_PEN_SOLID);
      pen_->SetWidth(3 * r);
      pen_->Select(dc);
      ::StrokePath(dc);
    } else {
      TColor fontColor = font_->Color();
      font_->SetColor(pen_->Color());
      font_->Select(dc);
      for (int i = -r; i <= r; ++i)
        for (int j = -r; j <= r; ++j) {
          TRect shifted(rect.Left + i, rect.Top + j, rect.Right + i, rect.Bottom + j);
          DrawTextPass(text, shifted, true, alignment, extents, lineHeight, nullptr);
        }
      font_->SetColor(fontColor);
    }
  }

  // 6. the text itself (or its measure)
  font_->Select(dc);
  DrawTextPass(text, rect, draw, alignment, extents, lineHeight, draw ? nullptr : &rect);

  ::SetTextAlign(dc, oldAlign);
  ::SetBkMode(dc, oldBkMode);
  ::SetGraphicsMode(dc, oldGraphicsMode);
}
