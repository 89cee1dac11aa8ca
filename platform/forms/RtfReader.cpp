#include "platform/forms/RtfReader.h"

#include <algorithm>
#include <cstdint>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kMaxDepth = 512;          // deeper groups are skipped
constexpr int kMaxWordLetters = 32;     // longer words are cut
constexpr long long kMaxParameter = 0x7FFFFFFF;

enum class TDestination { Text, FontTable, FontEntry, ColorTable, Skip };

struct TState {
  TDestination Dest = TDestination::Text;
  TRtfCharFormat Format;
  TRtfAlign Align = TRtfAlign::Left;
  int UnicodeSkip = 1; // \uc
};

/// The code page of a GDI character set (0 for the document's own).
int CodePageOfCharset(int charset) {
  switch (charset) {
  case 238:
    return 1250;
  case 204:
    return 1251;
  case 161:
    return 1253;
  case 162:
    return 1254;
  case 177:
    return 1255;
  case 178:
    return 1256;
  case 186:
    return 1257;
  case 163:
    return 1258;
  case 222:
    return 874;
  case 128:
    return 932;
  case 134:
    return 936;
  case 129:
    return 949;
  case 136:
    return 950;
  default:
    return 0;
  }
}

/// Destinations whose content is not text of the document.
bool SkippedDestination(const std::string& word) {
  static const char* const kWords[] = {
      "info",       "stylesheet", "pict",      "object",     "header",     "footer",
      "headerl",    "headerr",    "headerf",   "footerl",    "footerr",    "footerf",
      "footnote",   "listtable",  "listoverridetable",       "revtbl",     "rsidtbl",
      "generator",  "xmlnstbl",   "themedata", "colorschememapping",      "latentstyles",
      "datastore",  "fldinst",    "filetbl",   "author",     "title",      "subject",
      "operator",   "keywords",   "comment",   "doccomm",    "company",    "annotation",
      "atnid",      "atnauthor",  "bkmkstart", "bkmkend",    "nonshppict", "shppict",
      "template",   "userprops",  "private",   "pgdsctbl",   "mmathPr"};
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* w) { return word == w; });
}

class TReader {
public:
  explicit TReader(std::string_view in) : in_(in) {}

  TRtfDocument Run() {
    doc_.Paragraphs.emplace_back();
    stack_.push_back(TState{});
    while (pos_ < in_.size() && !ended_) {
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        Open();
      } else if (c == '}') {
        ++pos_;
        Close();
      } else if (c == '\\') {
        ++pos_;
        ControlWord();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ++pos_;
        Byte(static_cast<unsigned char>(c));
      }
    }
    FlushBytes();
    if (depth_ > 0) Problem("the text ends inside " + IntToStr(depth_) + " unclosed group(s)");
    if (ended_ && in_.find_first_not_of(std::string_view(" \t\r\n\0", 5), pos_) !=
                      std::string_view::npos)
      Problem("text after the end of the document is ignored");
    // A last paragraph without text or runs is the end of the document.
    if (doc_.Paragraphs.size() > 1 && doc_.Paragraphs.back().Runs.empty())
      doc_.Paragraphs.pop_back();
    return std::move(doc_);
  }

private:
  TState& Top() { return stack_.back(); }

  void Problem(const std::string& text) {
    if (std::find(doc_.Problems.begin(), doc_.Problems.end(), text) == doc_.Problems.end())
      doc_.Problems.push_back(text);
  }

  void Open() {
    FlushBytes();
    ++depth_;
    TState next = Top();
    if (depth_ > kMaxDepth) {
      Problem("groups nested deeper than " + IntToStr(kMaxDepth) + " are skipped");
      next.Dest = TDestination::Skip;
    }
    // A group inside the font table is one entry.
    if (next.Dest == TDestination::FontTable) {
      next.Dest = TDestination::FontEntry;
      fontNumber_ = 0;
      fontCharset_ = 0;
      fontName_.clear();
    }
    stack_.push_back(next);
    skipNextUnknown_ = false;
    fallback_ = 0;
  }

  void Close() {
    FlushBytes();
    if (stack_.size() <= 1) {
      Problem("a closing brace without its group");
      return;
    }
    if (Top().Dest == TDestination::FontEntry) CommitFont();
    stack_.pop_back();
    --depth_;
    fallback_ = 0;
    if (depth_ == 0) ended_ = true; // the document's own group is closed
  }

  void CommitFont() {
    std::string name = fontName_;
    while (!name.empty() && (name.back() == ' ' || name.back() == ';'))
      name.pop_back();
    if (!name.empty() || !doc_.Fonts.count(fontNumber_))
      doc_.Fonts[fontNumber_] = TRtfFont{name, fontCharset_};
    fontName_.clear();
  }

  /// A control word or symbol after its backslash.
  void ControlWord() {
    if (pos_ >= in_.size()) {
      Problem("a control word cut off at the end");
      return;
    }
    const char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      Symbol(c);
      return;
    }
    std::string word;
    while (pos_ < in_.size() && IsLetter(in_[pos_])) {
      if (word.size() < std::size_t(kMaxWordLetters)) word += in_[pos_];
      ++pos_;
    }
    std::optional<long long> param;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
        IsDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    if (pos_ < in_.size() && IsDigit(in_[pos_])) {
      long long v = 0;
      while (pos_ < in_.size() && IsDigit(in_[pos_])) {
        v = std::min(kMaxParameter, v * 10 + (in_[pos_] - '0'));
        ++pos_;
      }
      param = negative ? -v : v;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_; // the delimiting space
    Word(word, param);
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  void Symbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
      Byte(static_cast<unsigned char>(c));
      return;
    case '\'': {
      int value = 0, digits = 0;
      while (digits < 2 && pos_ < in_.size() && HexDigit(in_[pos_]) >= 0) {
        value = value * 16 + HexDigit(in_[pos_]);
        ++pos_;
        ++digits;
      }
      if (digits < 2) {
        Problem("a hex escape without its two digits");
        return;
      }
      if (ConsumeFallback()) return;
      if (Top().Dest == TDestination::Text) bytes_ += char(value);
      else if (Top().Dest == TDestination::FontEntry || Top().Dest == TDestination::FontTable)
        fontName_ += char(value);
      return;
    }
    case '~':
      Character(0xA0);
      return;
    case '_':
      Character('-');
      return;
    case '*':
      skipNextUnknown_ = true;
      return;
    case '\r':
    case '\n':
      Break(true); // a backslash before a line end is a paragraph mark
      return;
    default:
      return; // \- and the other symbols show nothing
    }
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  void Word(const std::string& w, std::optional<long long> param) {
    const bool starred = skipNextUnknown_;
    skipNextUnknown_ = false;
    TState& s = Top();
    if (s.Dest == TDestination::Skip) {
      if (w == "bin") SkipBinary(param.value_or(0));
      return;
    }
    const int n = int(param.value_or(1));
    const bool on = !param || *param != 0;
    if (w == "rtf") {
      // the header
    } else if (w == "ansicpg") {
      if (param && IsCodePageSupported(int(*param))) codePage_ = int(*param);
    } else if (w == "deff") {
      doc_.DefaultFont = param ? int(*param) : 0;
    } else if (w == "fonttbl") {
      FlushBytes();
      s.Dest = TDestination::FontTable;
      fontNumber_ = 0;
      fontCharset_ = 0;
      fontName_.clear();
    } else if (w == "colortbl") {
      FlushBytes();
      s.Dest = TDestination::ColorTable;
      doc_.Colors.clear();
      red_ = green_ = blue_ = 0;
      colorSet_ = false;
    } else if (s.Dest == TDestination::ColorTable) {
      const int v = std::clamp(n, 0, 255);
      if (w == "red") red_ = v, colorSet_ = true;
      if (w == "green") green_ = v, colorSet_ = true;
      if (w == "blue") blue_ = v, colorSet_ = true;
    } else if (s.Dest == TDestination::FontTable || s.Dest == TDestination::FontEntry) {
      if (w == "f") {
        if (!fontName_.empty()) CommitFont();
        fontNumber_ = n;
        fontCharset_ = 0;
      } else if (w == "fcharset") {
        fontCharset_ = n;
      } else if (starred) {
        Skip();
      }
    } else if (w == "bin") {
      SkipBinary(param.value_or(0));
    } else if (starred || SkippedDestination(w)) {
      Skip();
    } else {
      TextWord(w, param, n, on);
    }
  }

  void TextWord(const std::string& w, std::optional<long long> param, int n, bool on) {
    TState& s = Top();
    TRtfCharFormat& f = s.Format;
    if (w == "par") {
      Break(true);
    } else if (w == "line") {
      FlushBytes();
      Text("\n");
    } else if (w == "tab") {
      FlushBytes();
      Text("\t");
    } else if (w == "pard") {
      FlushBytes();
      s.Align = TRtfAlign::Left;
      doc_.Paragraphs.back().Align = s.Align;
    } else if (w == "ql" || w == "qj" || w == "qc" || w == "qr") {
      FlushBytes();
      s.Align = w == "qc" ? TRtfAlign::Center : w == "qr" ? TRtfAlign::Right : TRtfAlign::Left;
      doc_.Paragraphs.back().Align = s.Align;
    } else if (w == "plain") {
      FlushBytes();
      f = TRtfCharFormat{};
    } else if (w == "b") {
      Set(f.Bold, on);
    } else if (w == "i") {
      Set(f.Italic, on);
    } else if (w == "ul") {
      Set(f.Underline, on);
    } else if (w == "ulnone") {
      Set(f.Underline, false);
    } else if (w == "fs") {
      if (param && *param > 0) Set(f.HalfPoints, int(std::min<long long>(*param, 3276)));
    } else if (w == "cf") {
      Set(f.Color, std::max(0, n));
    } else if (w == "f") {
      Set(f.Font, n);
    } else if (w == "uc") {
      s.UnicodeSkip = std::clamp(n, 0, 16);
    } else if (w == "u") {
      if (!param) return;
      long long v = *param;
      if (v < 0) v += 65536;
      Unicode(char32_t(std::clamp<long long>(v, 0, 0xFFFF)));
      fallback_ = s.UnicodeSkip;
    } else if (w == "emdash") {
      Character(0x2014);
    } else if (w == "endash") {
      Character(0x2013);
    } else if (w == "bullet") {
      Character(0x2022);
    } else if (w == "lquote") {
      Character(0x2018);
    } else if (w == "rquote") {
      Character(0x2019);
    } else if (w == "ldblquote") {
      Character(0x201C);
    } else if (w == "rdblquote") {
      Character(0x201D);
    }
    // Any other word is formatting this reader does not carry.
  }

  template <class T> void Set(T& field, T value) {
    if (field == value) return;
    FlushBytes();
    field = value;
  }

  /// The \ucN characters that follow a \u stand for it and are dropped.
  bool ConsumeFallback() {
    if (fallback_ <= 0) return false;
    --fallback_;
    return true;
  }

  void Skip() {
    FlushBytes();
    Top().Dest = TDestination::Skip;
  }

  void SkipBinary(long long count) {
    const std::size_t n = std::size_t(std::clamp<long long>(count, 0, kMaxParameter));
    if (n > in_.size() - pos_) Problem("binary data runs past the end");
    pos_ += std::min(n, in_.size() - pos_);
  }

  void Byte(unsigned char c) {
    if (ConsumeFallback()) return;
    switch (Top().Dest) {
    case TDestination::Text:
      bytes_ += char(c);
      return;
    case TDestination::FontTable:
    case TDestination::FontEntry:
      if (c == ';') {
        CommitFont();
        fontCharset_ = 0;
      } else {
        fontName_ += char(c);
      }
      return;
    case TDestination::ColorTable:
      if (c == ';') {
        doc_.Colors.push_back(colorSet_ ? std::optional<TColor>(TColor(red_ | (green_ << 8) |
                                                                       (blue_ << 16)))
                                        : std::nullopt);
        red_ = green_ = blue_ = 0;
        colorSet_ = false;
      }
      return;
    case TDestination::Skip:
      return;
    }
  }

  int CodePageNow() const {
    const TRtfCharFormat& f = stack_.back().Format;
    auto it = doc_.Fonts.find(f.Font < 0 ? doc_.DefaultFont : f.Font);
    if (it != doc_.Fonts.end())
      if (const int cp = CodePageOfCharset(it->second.Charset); cp && IsCodePageSupported(cp))
        return cp;
    return codePage_;
  }

  /// Bytes of the text (hex escapes and plain characters) become UTF-8 in
  /// the code page of the moment.
  void FlushBytes() {
    if (bytes_.empty()) return;
    std::string bytes;
    bytes.swap(bytes_);
    Text(CodePageToUtf8(bytes, CodePageNow()));
  }

  void Character(char32_t c) {
    if (Top().Dest != TDestination::Text) return;
    FlushBytes();
    Text(Utf8Encode(c));
  }

  void Unicode(char32_t unit) {
    if (Top().Dest != TDestination::Text) return;
    FlushBytes();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      highSurrogate_ = unit;
      return;
    }
    char32_t c = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (!highSurrogate_) {
        Problem("a lone surrogate escape");
        c = 0xFFFD;
      } else {
        c = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
      }
    } else if (highSurrogate_) {
      Problem("a lone surrogate escape");
      Text(Utf8Encode(0xFFFD));
    }
    highSurrogate_ = 0;
    Text(Utf8Encode(c));
  }

  void Text(const std::string& s) {
    if (s.empty() || Top().Dest != TDestination::Text) return;
    TRtfParagraph& p = doc_.Paragraphs.back();
    const TRtfCharFormat& f = Top().Format;
    if (p.Runs.empty() || !(p.Runs.back().Format == f)) p.Runs.push_back(TRtfRun{f, {}});
    p.Runs.back().Text += s;
  }

  void Break(bool paragraph) {
    FlushBytes();
    if (Top().Dest != TDestination::Text) return;
    doc_.Paragraphs.back().MarkFormat = Top().Format;
    if (!paragraph) {
      Text("\n");
      return;
    }
    TRtfParagraph next;
    next.Align = Top().Align;
    next.MarkFormat = Top().Format;
    doc_.Paragraphs.push_back(std::move(next));
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  TRtfDocument doc_;
  std::vector<TState> stack_;
  int depth_ = 0;
  bool ended_ = false;
  bool skipNextUnknown_ = false;
  int codePage_ = 1252;
  std::string bytes_;
  int fallback_ = 0;
  char32_t highSurrogate_ = 0;
  int fontNumber_ = 0, fontCharset_ = 0;
  std::string fontName_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;
};

} // namespace

std::string TRtfParagraph::PlainText() const {
  std::string s;
  for (const TRtfRun& r : Runs)
    s += r.Text;
  return s;
}

std::string TRtfDocument::FaceOf(int font) const {
  auto it = Fonts.find(font < 0 ? DefaultFont : font);
  if (it == Fonts.end()) it = Fonts.find(DefaultFont);
  return it == Fonts.end() ? std::string() : it->second.Name;
}

std::optional<TColor> TRtfDocument::ColorOf(int index) const {
  if (index <= 0 || index >= int(Colors.size())) return std::nullopt;
  return Colors[std::size_t(index)];
}

std::string TRtfDocument::PlainText() const {
  std::string s;
  for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
    if (i > 0) s += "\r\n";
    s += Paragraphs[i].PlainText();
  }
  return s;
}

bool LooksLikeRtf(std::string_view bytes) {
  return bytes.substr(0, 5) == "{\\rtf";
}

TRtfDocument ReadRtf(std::string_view bytes) {
  if (!LooksLikeRtf(bytes)) {
    TRtfDocument doc;
    std::size_t start = 0;
    while (true) {
      std::size_t end = bytes.find_first_of("\r\n", start);
      TRtfParagraph p;
      const std::string line(bytes.substr(start, end == std::string_view::npos ? bytes.npos
                                                                                : end - start));
      if (!line.empty()) p.Runs.push_back(TRtfRun{{}, CodePageToUtf8(line, 65001)});
      doc.Paragraphs.push_back(std::move(p));
      if (end == std::string_view::npos) break;
      start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
      if (start >= bytes.size()) break;
    }
    return doc;
  }
  return TReader(bytes).Run();
}
