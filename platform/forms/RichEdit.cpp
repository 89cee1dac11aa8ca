// The rich edit stand-in: loading and the EM_FORMATRANGE layout.
#include "platform/forms/RichEdit.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/graphics/GdiGuards.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"

namespace {

/// Characters (code points) of UTF-8 text.
int CountChars(const std::string& s) {
  int n = 0;
  for (unsigned char c : s)
    n += (c & 0xC0) != 0x80;
  return n;
}

/// The byte offset of character `chars` of UTF-8 text.
std::size_t ByteOfChar(const std::string& s, int chars) {
  std::size_t i = 0;
  for (int seen = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (seen == chars) return i;
      ++seen;
    }
  }
  return s.size();
}

/// One piece of a line: a word with its trailing blanks, a tab or a break.
struct TAtom {
  const TRtfCharFormat* Format;
  std::string Text;
  int Cp = 0; // first character's position in the document
  bool Tab = false, Break = false;
  int Width = 0;
};

struct TRichLine {
  std::vector<TAtom> Atoms;
  int Width = 0, Height = 0, Ascent = 0;
  int Cp = 0;
};

/// Fonts of the character formats met in one call, freed with it.
class TFonts {
public:
  TFonts(HDC dc, const TRtfDocument& doc, std::string fallbackFace, int dpiY)
      : dc_(dc), doc_(doc), fallback_(std::move(fallbackFace)), dpiY_(dpiY) {}
  ~TFonts() {
    for (auto& [key, f] : fonts_)
      DeleteObject(f.Font);
  }
  TFonts(const TFonts&) = delete;
  TFonts& operator=(const TFonts&) = delete;

  struct TEntry {
    HFONT Font = nullptr;
    TEXTMETRIC Metrics;
  };
  const TEntry& Of(const TRtfCharFormat& f) {
    const auto key = std::make_tuple(f.Font, f.Bold, f.Italic, f.Underline, f.HalfPoints);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    LOGFONT lf;
    lf.lfHeight = -MulDiv(f.HalfPoints, dpiY_, 144);
    lf.lfWeight = f.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.Italic ? 1 : 0;
    lf.lfUnderline = f.Underline ? 1 : 0;
    std::string face = doc_.FaceOf(f.Font);
    if (face.empty()) face = fallback_;
    std::strncpy(lf.lfFaceName, face.c_str(), sizeof lf.lfFaceName - 1);
    TEntry e;
    e.Font = CreateFontIndirect(&lf);
    TObjectSelector select(dc_, e.Font);
    GetTextMetrics(dc_, &e.Metrics);
    return fonts_.emplace(key, e).first->second;
  }
  int Width(const TRtfCharFormat& f, const std::string& text) {
    const TEntry& e = Of(f);
    TObjectSelector select(dc_, e.Font);
    SIZE size{};
    GetTextExtentPoint32(dc_, text.c_str(), int(text.size()), &size);
    return size.cx;
  }

private:
  HDC dc_;
  const TRtfDocument& doc_;
  std::string fallback_;
  int dpiY_;
  std::map<std::tuple<int, bool, bool, bool, int>, TEntry> fonts_;
};

/// A paragraph's runs from character `fromCp` up to (not including) `toCp`
/// cut into atoms.
std::vector<TAtom> Atoms(const TRtfParagraph& p, int paragraphCp, int fromCp, int toCp) {
  std::vector<TAtom> atoms;
  int cp = paragraphCp;
  for (const TRtfRun& run : p.Runs) {
    std::size_t i = 0;
    while (i < run.Text.size()) {
      TAtom a;
      a.Format = &run.Format;
      a.Cp = cp;
      const char c = run.Text[i];
      std::size_t end;
      if (c == '\t' || c == '\n') {
        end = i + 1;
        a.Tab = c == '\t';
        a.Break = c == '\n';
      } else {
        end = run.Text.find_first_of(" \t\n", i);
        if (end == std::string::npos) end = run.Text.size();
        while (end < run.Text.size() && run.Text[end] == ' ')
          ++end;
      }
      a.Text = run.Text.substr(i, end - i);
      const int chars = CountChars(a.Text);
      // Keep only the characters inside [fromCp, toCp).
      const int keepFrom = std::max(0, fromCp - cp), keepTo = std::min(chars, toCp - cp);
      if (keepTo > keepFrom) {
        if (keepFrom > 0 || keepTo < chars) {
          const std::size_t b0 = ByteOfChar(a.Text, keepFrom), b1 = ByteOfChar(a.Text, keepTo);
          a.Text = a.Text.substr(b0, b1 - b0);
          a.Cp = cp + keepFrom;
        }
        atoms.push_back(std::move(a));
      }
      cp += chars;
      i = end;
    }
  }
  return atoms;
}

/// Trailing blanks do not count when a line is aligned.
int VisibleWidth(const TRichLine& line, TFonts& fonts) {
  if (line.Atoms.empty()) return 0;
  const TAtom& last = line.Atoms.back();
  std::string trimmed = last.Text;
  while (!trimmed.empty() && trimmed.back() == ' ')
    trimmed.pop_back();
  if (last.Tab || last.Break || trimmed.size() == last.Text.size()) return line.Width;
  return line.Width - last.Width + fonts.Width(*last.Format, trimmed);
}

} // namespace

void TRichEditStrings::LoadFromStream(TStream& stream) {
  std::string bytes(std::size_t(std::max<std::int64_t>(0, stream.Size() - stream.Position())),
                    '\0');
  const std::int64_t read = stream.Read(bytes.data(), std::int64_t(bytes.size()));
  bytes.resize(std::size_t(std::max<std::int64_t>(0, read)));
  owner_.LoadDocument(bytes);
}

TRichEdit::TRichEdit(TComponent* owner)
    : TWinControl(owner), lines_(std::make_unique<TRichEditStrings>(*this)), background_(clWindow) {
  SetBounds(left_, top_, 185, 89);
  SetTabStop(true);
  color_ = clWindow;
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::LoadDocument(std::string_view bytes) {
  document_ = ReadRtf(bytes);
  lines_->TStringList::Clear();
  for (const TRtfParagraph& p : document_.Paragraphs)
    lines_->TStringList::Add(p.PlainText());
  formatting_ = false;
}

int TRichEdit::TextLength() const {
  int n = 0;
  for (const TRtfParagraph& p : document_.Paragraphs)
    n += CountChars(p.PlainText()) + 1;
  return n;
}

void TRichEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case EM_FORMATRANGE:
    m.Result = FormatRange(m.WParam, reinterpret_cast<const FORMATRANGE*>(m.LParam));
    return;
  case EM_SETBKGNDCOLOR: {
    const TColor old = background_;
    background_ = m.WParam != 0 ? clWindow : TColor(m.LParam);
    m.Result = LRESULT(ColorToRGB(old));
    return;
  }
  default:
    TWinControl::Dispatch(m);
  }
}

LRESULT TRichEdit::FormatRange(WPARAM draw, const FORMATRANGE* range) {
  if (range == nullptr) { // releases the formatting kept between calls
    formatting_ = false;
    return 0;
  }
  formatting_ = true;
  HDC dc = range->hdc;
  if (dc == nullptr) return range->chrg.cpMin;
  HDC measure = range->hdcTarget ? range->hdcTarget : dc;
  int dpiX = GetDeviceCaps(measure, LOGPIXELSX), dpiY = GetDeviceCaps(measure, LOGPIXELSY);
  if (dpiX <= 0) dpiX = 96;
  if (dpiY <= 0) dpiY = 96;
  const TRect area(MulDiv(range->rc.Left, dpiX, 1440), MulDiv(range->rc.Top, dpiY, 1440),
                   MulDiv(range->rc.Right, dpiX, 1440), MulDiv(range->rc.Bottom, dpiY, 1440));
  const int length = TextLength();
  const int fromCp = std::clamp(int(range->chrg.cpMin), 0, length);
  const int toCp = range->chrg.cpMax < 0 ? length : std::clamp(int(range->chrg.cpMax), 0, length);
  if (fromCp >= toCp || area.Right <= area.Left) return fromCp;

  TDCStateSaver saved(dc);
  TFonts fonts(dc, document_, Font()->Name(), dpiY);
  if (draw && GetBkMode(dc) == OPAQUE) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(background_));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
  }
  IntersectClipRect(dc, area.Left, area.Top, area.Right, area.Bottom);
  SetBkMode(dc, TRANSPARENT);
  const int avail = area.Right - area.Left, tabStop = std::max(1, dpiX / 2);
  int y = area.Top, cp = 0;
  for (const TRtfParagraph& p : document_.Paragraphs) {
    const int paragraphCp = cp;
    cp += CountChars(p.PlainText()) + 1;
    if (cp <= fromCp) continue;
    if (paragraphCp >= toCp) break;
    // Lay the paragraph's atoms out in lines.
    std::vector<TRichLine> lines(1);
    lines.back().Cp = std::max(paragraphCp, fromCp);
    for (TAtom& a : Atoms(p, paragraphCp, fromCp, toCp)) {
      TRichLine* line = &lines.back();
      if (a.Break) {
        lines.emplace_back();
        lines.back().Cp = a.Cp + 1;
        continue;
      }
      a.Width = a.Tab ? tabStop - line->Width % tabStop : fonts.Width(*a.Format, a.Text);
      if (wordWrap_ && !line->Atoms.empty() && line->Width + a.Width > avail) {
        lines.emplace_back();
        line = &lines.back();
        line->Cp = a.Cp;
        if (a.Tab) a.Width = tabStop;
      }
      line->Width += a.Width;
      line->Atoms.push_back(a);
    }
    for (TRichLine& line : lines) {
      const TEXTMETRIC& mark = fonts.Of(p.MarkFormat).Metrics;
      line.Height = line.Atoms.empty() ? mark.tmHeight : 0;
      line.Ascent = line.Atoms.empty() ? mark.tmAscent : 0;
      int descent = line.Height - line.Ascent;
      for (const TAtom& a : line.Atoms) {
        const TEXTMETRIC& tm = fonts.Of(*a.Format).Metrics;
        line.Ascent = std::max(line.Ascent, int(tm.tmAscent));
        descent = std::max(descent, int(tm.tmHeight - tm.tmAscent));
      }
      line.Height = line.Ascent + descent;
      // A line that does not fit below waits for the next call (unless
      // nothing was placed yet, as a rich edit does).
      if (y + line.Height > area.Bottom && y > area.Top) return line.Cp;
      if (draw) {
        int x = area.Left;
        const int width = VisibleWidth(line, fonts);
        if (p.Align == TRtfAlign::Center) x += (avail - width) / 2;
        if (p.Align == TRtfAlign::Right) x += avail - width;
        for (const TAtom& a : line.Atoms) {
          if (!a.Tab) {
            const TFonts::TEntry& e = fonts.Of(*a.Format);
            TObjectSelector select(dc, e.Font);
            const std::optional<TColor> color = document_.ColorOf(a.Format->Color);
            SetTextColor(dc, ColorToRGB(color ? *color : clWindowText));
            TextOut(dc, x, y + line.Ascent - e.Metrics.tmAscent, a.Text.c_str(),
                    int(a.Text.size()));
          }
          x += a.Width;
        }
      }
      y += line.Height;
    }
  }
  return std::min(cp, toCp);
}
