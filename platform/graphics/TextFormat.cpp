// Formatted text: ExtTextOut and DrawText (alignment, word breaks, tabs,
// prefixes, ellipsis, measuring).
#include <algorithm>
#include <cstring>

#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/GdiInternal.h"
#include "platform/rtl/Strings.h"

using namespace gdi;

namespace {

std::string Utf8(const std::u32string& s) {
  std::string out;
  for (char32_t c : s)
    out += Utf8Encode(c);
  return out;
}

struct TLine {
  std::u32string text;
  int underline = -1; // index of the prefixed character
  int width = 0;
};

int Width(const TResolvedFont& f, const std::u32string& s) {
  int w = 0;
  for (int a : Advances(f, s))
    w += a;
  return w;
}

} // namespace

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, int length,
                const int* dx) {
  (void)dx;
  TDc* d = Dc(dc);
  if (!d) return FALSE;
  TDCStateSaver saved(dc);
  if (rect && (options & ETO_OPAQUE)) {
    HBRUSH b = CreateSolidBrush(d->state.bkColor);
    FillRect(dc, rect, b);
    DeleteObject(b);
  }
  if (rect && (options & ETO_CLIPPED))
    IntersectClipRect(dc, rect->Left, rect->Top, rect->Right, rect->Bottom);
  return length > 0 ? TextOut(dc, x, y, text, length) : TRUE;
}

int DrawText(HDC dc, const char* text, int length, RECT* rect, UINT format) {
  TDc* d = Dc(dc);
  if (!d || !rect || (!text && length != 0)) return 0;
  if (length < 0) length = int(std::strlen(text));
  const LOGFONT& lf = d->state.font->lf;
  const TResolvedFont& font = ResolveFont(lf);
  std::u32string all = DecodeText(text, length, lf.lfCharSet);
  int lineHeight = font.ascent + font.descent;
  int avail = rect->Right - rect->Left;

  // prefixes and tabs
  std::u32string shown;
  std::vector<int> underlined; // positions in `shown`
  for (std::size_t i = 0; i < all.size(); ++i) {
    char32_t c = all[i];
    if (c == U'&' && !(format & DT_NOPREFIX)) {
      if (i + 1 < all.size() && all[i + 1] == U'&') {
        shown += U'&';
        ++i;
      } else if (i + 1 < all.size()) {
        underlined.push_back(int(shown.size()));
      }
      continue;
    }
    if (c == U'\t' && (format & DT_EXPANDTABS)) {
      std::size_t col = shown.size() - std::min(shown.size(), shown.find_last_of(U"\r\n") + 1);
      shown.append(8 - col % 8, U' ');
      continue;
    }
    shown += c;
  }

  // lines
  std::vector<TLine> lines;
  auto addLine = [&](std::size_t from, std::size_t to) {
    TLine l;
    l.text = shown.substr(from, to - from);
    for (int u : underlined)
      if (u >= int(from) && u < int(to)) l.underline = u - int(from);
    l.width = Width(font, l.text);
    lines.push_back(l);
  };
  if (format & DT_SINGLELINE) {
    std::u32string one;
    for (char32_t c : shown)
      one += (c == U'\r' || c == U'\n') ? U' ' : c;
    shown = one;
    addLine(0, shown.size());
  } else {
    std::size_t start = 0;
    while (start <= shown.size()) {
      std::size_t end = shown.find_first_of(U"\r\n", start);
      std::size_t stop = end == std::u32string::npos ? shown.size() : end;
      // word breaks within [start, stop)
      std::size_t from = start;
      while ((format & DT_WORDBREAK) && from < stop) {
        std::size_t fit = from, lastBreak = std::u32string::npos;
        int w = 0;
        std::vector<int> adv = Advances(font, shown.substr(from, stop - from));
        for (std::size_t k = from; k < stop; ++k) {
          if (shown[k] == U' ') lastBreak = k;
          if (w + adv[k - from] > avail && k > from) break;
          w += adv[k - from];
          fit = k + 1;
        }
        if (fit >= stop) break;
        std::size_t cut = lastBreak != std::u32string::npos && lastBreak > from ? lastBreak : fit;
        addLine(from, cut);
        from = cut;
        while (from < stop && shown[from] == U' ')
          ++from;
      }
      if (from < stop || from == start) addLine(from, stop);
      if (end == std::u32string::npos) break;
      // CR LF and LF CR are one break each.
      const bool pair = end + 1 < shown.size() && shown[end] != shown[end + 1] &&
                        (shown[end + 1] == U'\r' || shown[end + 1] == U'\n');
      start = end + (pair ? 2 : 1);
      if (start == shown.size()) break;
    }
  }

  // ellipsis
  if (format & DT_END_ELLIPSIS) {
    int dots = Width(font, U"...");
    for (TLine& l : lines) {
      if (l.width <= avail) continue;
      while (!l.text.empty() && Width(font, l.text) + dots > avail)
        l.text.pop_back();
      l.text += U"...";
      l.width = Width(font, l.text);
      if (l.underline >= int(l.text.size()) - 3) l.underline = -1;
    }
  }

  int height = int(lines.size()) * lineHeight;
  int widest = 0;
  for (const TLine& l : lines)
    widest = std::max(widest, l.width);
  if (format & DT_CALCRECT) {
    rect->Right = rect->Left + widest;
    rect->Bottom = rect->Top + height;
    return height;
  }

  int top = rect->Top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      top = rect->Top + (rect->Bottom - rect->Top - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      top = rect->Bottom - lineHeight;
  }
  TDCStateSaver saved(dc);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  if (!(format & DT_NOCLIP))
    IntersectClipRect(dc, rect->Left, rect->Top, rect->Right, rect->Bottom);
  int y = top;
  for (const TLine& l : lines) {
    int x = rect->Left;
    if (format & DT_CENTER)
      x = rect->Left + (avail - l.width) / 2;
    else if (format & DT_RIGHT)
      x = rect->Right - l.width;
    std::string s = Utf8(l.text);
    TextOut(dc, x, y, s.data(), int(s.size()));
    if (l.underline >= 0) {
      std::vector<int> adv = Advances(font, l.text);
      int ux = x;
      for (int k = 0; k < l.underline; ++k)
        ux += adv[std::size_t(k)];
      RECT u{ux, y + font.ascent + 1, ux + adv[std::size_t(l.underline)], y + font.ascent + 2};
      HBRUSH b = CreateSolidBrush(d->state.textColor);
      FillRect(dc, &u, b);
      DeleteObject(b);
    }
    y += lineHeight;
  }
  return height;
}
