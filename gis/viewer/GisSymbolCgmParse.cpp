// TGIS_SymbolCGM's readers: the binary and the clear-text encodings share one
// element handler; each encoding only says how parameters are read.
#include <cmath>
#include <cstring>
#include <numbers>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr const char* kModule = "GisSymbol";
constexpr int kMaxDefaultsNesting = 4;
/// VDC values beyond this magnitude would overflow screen arithmetic.
constexpr double kMaxVdc = 1 << 30;

/// The VDC value rounded to a whole number; raises for values out of range.
double CheckedVdc(double v) {
  if (!(std::abs(v) <= kMaxVdc)) throw EConvertError("VDC value out of range");
  return double(Round(v));
}

/// Where an element's parameters come from.
class TCgmParams {
public:
  virtual ~TCgmParams() = default;
  virtual bool More() const = 0;
  virtual int Integer() = 0;
  virtual double Real() = 0;
  virtual double VdcValue() = 0;
  /// An enumeration: the binary value, or the keyword's value in clear text
  /// (`otherwise` for any keyword not listed).
  virtual int Enum(std::initializer_list<std::pair<const char*, int>> words, int otherwise) = 0;
  /// A precision value (bits or the real format code).
  virtual int Precision() = 0;
  /// A colour index.
  virtual int Index() = 0;
  /// One colour component scaled to 0..255.
  virtual int Component() = 0;
};

/// Parameters of a binary element: big-endian values from a byte range;
/// bytes beyond its end read as 0.
class TBinaryParams final : public TCgmParams {
public:
  struct Precisions {
    int integer = 16, real = 9, vdcInteger = 16, vdcReal = 9, colour = 8, index = 8;
    bool vdcIsReal = false;
  };
  TBinaryParams(const std::uint8_t* begin, const std::uint8_t* end, const Precisions& p)
      : pos_(begin), end_(end), p_(p) {}

  bool More() const override { return pos_ < end_; }
  int Integer() override { return int(SignedBits(p_.integer)); }
  double Real() override { return RealOf(p_.real); }
  double VdcValue() override {
    return CheckedVdc(p_.vdcIsReal ? RealOf(p_.vdcReal) : double(SignedBits(p_.vdcInteger)));
  }
  int Enum(std::initializer_list<std::pair<const char*, int>>, int) override {
    return int(std::int16_t(Unsigned(2)));
  }
  int Precision() override { return int(std::int16_t(Unsigned(2))); }
  int Index() override { return int(UnsignedBits(p_.index)); }
  int Component() override {
    const std::uint64_t v = UnsignedBits(p_.colour);
    return int(v >> (p_.colour - 8));
  }

private:
  std::uint8_t Byte() { return pos_ < end_ ? *pos_++ : 0; }
  std::uint64_t Unsigned(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
      v = (v << 8) | Byte();
    return v;
  }
  static void CheckBits(int bits) {
    SK_ASSERT(bits == 8 || bits == 16 || bits == 24 || bits == 32, "unsupported precision", kModule,
              __LINE__);
  }
  std::uint64_t UnsignedBits(int bits) {
    CheckBits(bits);
    return Unsigned(bits / 8);
  }
  /// Signed at 16, 24 and 32 bits; 8-bit integers read unsigned.
  std::int64_t SignedBits(int bits) {
    const std::uint64_t v = UnsignedBits(bits);
    if (bits == 8) return std::int64_t(v);
    const std::uint64_t sign = std::uint64_t(1) << (bits - 1);
    return (v & sign) ? std::int64_t(v) - std::int64_t(sign << 1) : std::int64_t(v);
  }
  double RealOf(int code) {
    switch (code) {
    case 9: {
      const std::uint32_t bits = std::uint32_t(Unsigned(4));
      float f;
      std::memcpy(&f, &bits, 4);
      return double(f);
    }
    case 12: {
      const std::uint64_t bits = Unsigned(8);
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    case 16: {
      const double whole = double(std::int16_t(Unsigned(2)));
      return whole + double(Unsigned(2)) / 65536.0;
    }
    case 32: {
      const double whole = double(std::int32_t(Unsigned(4)));
      return whole + double(Unsigned(4)) / 4294967296.0;
    }
    default:
      SK_ASSERT(false, "unsupported real precision", kModule, __LINE__);
      return 0;
    }
  }

  const std::uint8_t* pos_;
  const std::uint8_t* end_;
  const Precisions& p_;
};

/// Parameters of a clear-text element: its tokens after the keyword.
class TTextParams final : public TCgmParams {
public:
  TTextParams(const std::vector<std::string>& tokens, double colourMax)
      : tokens_(tokens), colourMax_(colourMax) {}
  bool More() const override { return next_ < tokens_.size(); }
  int Integer() override {
    const std::string t = Take();
    ::Integer v = 0;
    if (!TryStrToInt(t, v)) throw EConvertError("'" + t + "' is not a valid integer value");
    return v;
  }
  double Real() override {
    const std::string t = Take();
    return t.empty() ? 0.0 : GisStrToFloat(t);
  }
  double VdcValue() override { return CheckedVdc(Real()); }
  int Enum(std::initializer_list<std::pair<const char*, int>> words, int otherwise) override {
    const std::string t = Take();
    for (const auto& [word, value] : words)
      if (CompareText(t, word) == 0) return value;
    return otherwise;
  }
  int Precision() override { return Integer(); }
  int Index() override { return Integer(); }
  int Component() override {
    const double v = Real();
    if (!(colourMax_ > 0)) return 0;
    const double scaled = v * 255.0 / colourMax_;
    return scaled < 0 ? 0 : scaled > 255 ? 255 : int(Round(scaled));
  }

private:
  std::string Take() { return next_ < tokens_.size() ? tokens_[next_++] : std::string(); }
  const std::vector<std::string>& tokens_;
  std::size_t next_ = 0;
  double colourMax_;
};

/// The keyword table of the clear-text encoding.
int TextCode(const std::string& keyword) {
  static const std::pair<const char*, int> table[] = {
      {"SCALEMODE", 201}, {"COLRMODE", 202},  {"LINEWIDTHMODE", 203}, {"EDGEWIDTHMODE", 205},
      {"VDCEXT", 206},    {"COLRTABLE", 534}, {"INTSTYLE", 522},      {"FILLCOLR", 523},
      {"EDGECOLR", 529},  {"EDGEWIDTH", 528}, {"EDGEVIS", 530},       {"LINECOLR", 504},
      {"LINEWIDTH", 503}, {"RECTANGLE", 411}, {"RECT", 411},          {"POLYGON", 407},
      {"LINE", 401},      {"CIRCLE", 412},    {"ARCCTR", 415},        {"ELLIPSE", 417},
      {"ELLIPARC", 418},  {"COLRPREC", 107}};
  for (const auto& [word, code] : table)
    if (CompareText(keyword, word) == 0) return code;
  return 0;
}

struct TPointD {
  double x, y;
};

} // namespace

/// Reads one metafile into its symbol's drawing list.
class TGIS_CgmReader {
public:
  explicit TGIS_CgmReader(TGIS_SymbolCGM& symbol) : s_(symbol) {
    for (std::uint32_t& c : table_)
      c = 0x010101;
  }

  void Read(const std::vector<std::uint8_t>& data) {
    if (!data.empty() && data[0] == 0) {
      ReadBinary(data.data(), data.data() + data.size(), 0);
    } else {
      ReadText(data);
    }
  }

private:
  // ---- binary ------------------------------------------------------------------
  void ReadBinary(const std::uint8_t* pos, const std::uint8_t* end, int depth) {
    while (end - pos >= 2) {
      const unsigned word = unsigned(pos[0]) << 8 | pos[1];
      pos += 2;
      std::size_t length = word & 31;
      if (length == 31) {
        if (end - pos < 2) return;
        length = unsigned(pos[0]) << 8 | pos[1];
        pos += 2;
      }
      const std::uint8_t* paramsEnd = std::size_t(end - pos) < length ? end : pos + length;
      const int code = int(word >> 12) * 100 + int((word >> 5) & 0x7F);
      if (code == 112) {
        if (depth < kMaxDefaultsNesting) ReadBinary(pos, paramsEnd, depth + 1);
      } else {
        TBinaryParams params(pos, paramsEnd, precisions_);
        Handle(code, params);
      }
      const std::size_t step = length + (length & 1);
      if (std::size_t(end - pos) <= step) return;
      pos += step;
    }
  }

  // ---- clear text ----------------------------------------------------------------
  void ReadText(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> tokens;
    std::string token;
    const auto flushToken = [&] {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    };
    const auto flushElement = [&] {
      flushToken();
      if (!tokens.empty()) {
        const int code = TextCode(tokens[0]);
        const std::vector<std::string> params(tokens.begin() + 1, tokens.end());
        TTextParams p(params, colourMax_);
        if (code != 0) Handle(code, p);
      }
      tokens.clear();
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
      const char c = char(data[i]);
      if (c == '\'' || c == '"') {
        // A quoted string is one token; separators inside it don't count.
        flushToken();
        std::size_t j = i + 1;
        while (j < data.size() && char(data[j]) != c)
          ++j;
        tokens.emplace_back(reinterpret_cast<const char*>(data.data()) + i + 1, j - i - 1);
        i = j;
      } else if (c == ';') {
        flushElement();
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '(' ||
                 c == ')') {
        flushToken();
      } else {
        token += c;
      }
    }
    flushElement();
  }

  // ---- element handling ------------------------------------------------------------
  void Handle(int code, TCgmParams& p) {
    switch (code) {
    case 103:
      precisions_.vdcIsReal = p.Enum({}, 0) != 0;
      break;
    case 104:
      precisions_.integer = p.Precision();
      break;
    case 105:
      p.Precision();
      precisions_.real = p.Precision();
      break;
    case 107:
      ColourPrecision(p);
      break;
    case 108:
      precisions_.index = p.Precision();
      break;
    case 201:
      break;
    case 202:
      indexed_ = p.Enum({{"INDEXED", 0}}, 1) == 0;
      break;
    case 203:
      lineMode_ = WidthMode(p);
      break;
    case 205:
      edgeMode_ = WidthMode(p);
      break;
    case 206:
      VdcExtent(p);
      break;
    case 301:
      precisions_.vdcInteger = p.Precision();
      break;
    case 302:
      p.Precision();
      precisions_.vdcReal = p.Precision();
      break;
    case 401:
      AddPoints(TGIS_CgmCommand::Polyline, p, false);
      break;
    case 407:
      AddPoints(TGIS_CgmCommand::Polygon, p, false);
      break;
    case 408:
      AddPoints(TGIS_CgmCommand::Polygon, p, true);
      break;
    case 411:
      Rectangles(p);
      break;
    case 412:
      Circle(p);
      break;
    case 415:
      CircularArc(p);
      break;
    case 417:
      Ellipse(p);
      break;
    case 418:
      EllipticalArc(p);
      break;
    case 503:
      lineWidth_ = Width(p, lineMode_);
      break;
    case 528:
      edgeWidth_ = Width(p, edgeMode_);
      break;
    case 504:
      lineColour_ = Colour(p);
      break;
    case 523:
      fillColour_ = Colour(p);
      break;
    case 529:
      edgeColour_ = Colour(p);
      break;
    case 522: {
      const int style = p.Enum({{"SOLID", 1}, {"HOLLOW", 0}, {"EMPTY", 4}}, 1);
      filled_ = style != 0 && style != 4;
      break;
    }
    case 530:
      edgeVisible_ = p.Enum({{"ON", 1}}, 0) != 0;
      break;
    case 534:
      ColourTable(p);
      break;
    default:
      break;
    }
  }

  void ColourPrecision(TCgmParams& p) {
    // Binary: the bits per component; clear text: the largest component value.
    const int v = p.Precision();
    precisions_.colour = v;
    colourMax_ = v;
  }

  int WidthMode(TCgmParams& p) {
    return p.Enum({{"ABS", 0}, {"ABSTRACT", 0}, {"SCALED", 1}, {"FRACTIONAL", 2}, {"MM", 3}}, 0);
  }

  void VdcExtent(TCgmParams& p) {
    for (int& v : s_.extent_)
      v = int(p.VdcValue());
    const double h =
        2.0 * std::max(std::abs(double(s_.extent_[1])), std::abs(double(s_.extent_[3])));
    s_.naturalHeight_ = h;
  }

  int Width(TCgmParams& p, int mode) {
    double w;
    switch (mode) {
    case 1:
      w = p.Real() * 1440 / 25.4;
      break;
    case 2:
      w = p.Real() * (double(s_.extent_[2]) - s_.extent_[0]);
      break;
    case 3:
      w = p.Real() * 96 / 25.4;
      break;
    default:
      w = p.VdcValue();
      break;
    }
    const std::int64_t r = Round(w);
    SK_ASSERT(r >= 0 && r <= 0x7FFFFFFF, "negative width", kModule, __LINE__);
    return int(r);
  }

  std::uint32_t Colour(TCgmParams& p) {
    if (indexed_) {
      const int i = p.Index();
      return table_[i >= 0 && i <= 255 ? i : 0];
    }
    const int r = p.Component(), g = p.Component(), b = p.Component();
    return GisNonBlackColor(GisColorRGB(r, g, b));
  }

  void ColourTable(TCgmParams& p) {
    int i = p.Index();
    while (p.More() && i >= 0 && i <= 255) {
      const int r = p.Component(), g = p.Component(), b = p.Component();
      table_[i++] = GisNonBlackColor(GisColorRGB(r, g, b));
    }
  }

  // ---- geometry ---------------------------------------------------------------
  TPointD Point(TCgmParams& p) {
    const double x = p.VdcValue();
    const double y = p.VdcValue();
    return {x, -y};
  }

  TGIS_CgmCommand& NewCommand(int kind) {
    TGIS_CgmCommand c;
    c.kind = kind;
    c.fillColor = fillColour_;
    c.brushStyle = filled_ ? 0 : 1;
    if (kind == TGIS_CgmCommand::Polyline) {
      c.lineColor = lineColour_;
      c.width = lineWidth_;
      c.penStyle = 0;
    } else {
      c.lineColor = edgeColour_;
      c.width = edgeWidth_;
      c.penStyle = edgeVisible_ ? 0 : 5;
    }
    s_.commands_.push_back(std::move(c));
    return s_.commands_.back();
  }

  static TPoint Pixel(const TPointD& p) { return TPoint(LONG(Round(p.x)), LONG(Round(p.y))); }

  void AddPoints(int kind, TCgmParams& p, bool edgeFlags) {
    TGIS_CgmCommand& c = NewCommand(kind);
    while (p.More()) {
      c.points.push_back(Pixel(Point(p)));
      if (edgeFlags) p.Enum({}, 0);
    }
  }

  void Rectangles(TCgmParams& p) {
    TGIS_CgmCommand& c = NewCommand(TGIS_CgmCommand::Polygon);
    while (p.More()) {
      const TPoint a = Pixel(Point(p)), b = Pixel(Point(p));
      const TPoint ring[5] = {a, {b.x, a.y}, b, {a.x, b.y}, a};
      c.points.insert(c.points.end(), ring, ring + 5);
    }
  }

  /// The ellipse of centre c through d1 and d2 (screen-oriented points).
  struct TEllipse {
    TPointD c;
    double r1, r2, theta;
    TEllipse(TPointD centre, TPointD d1, TPointD d2) : c(centre) {
      r1 = std::hypot(d1.x - c.x, d1.y - c.y);
      r2 = std::hypot(d2.x - c.x, d2.y - c.y);
      theta = std::atan2(d1.y - c.y, c.x - d1.x);
    }
    TPoint At(double t) const {
      const double ct = std::cos(t), st = std::sin(t), cs = std::cos(theta), sn = std::sin(theta);
      return TPoint(LONG(Round(c.x) + Round(r1 * ct * cs + r2 * st * sn)),
                    LONG(Round(c.y) - Round(r1 * ct * sn - r2 * st * cs)));
    }
    /// The parameter whose point lies in direction (wx, wy) from the centre.
    double ParameterOf(double wx, double wy) const {
      const double cs = std::cos(theta), sn = std::sin(theta);
      const double ux = r1 * cs, uy = -r1 * sn, vx = r2 * sn, vy = r2 * cs;
      const double a = r1 > 0 ? (wx * ux + wy * uy) / (r1 * r1) : 0;
      const double b = r2 > 0 ? (wx * vx + wy * vy) / (r2 * r2) : 0;
      return std::atan2(b, a);
    }
  };

  static int StepsFor(double sweep) {
    using std::numbers::pi;
    return sweep < pi / 4 ? 11 : sweep < pi / 2 ? 22 : sweep < pi ? 45 : 89;
  }

  /// Points from parameter `start`, turning counter-clockwise in VDC (the
  /// parameter falls) by `sweep`.
  void AddCurve(int kind, const TEllipse& e, double start, double sweep) {
    TGIS_CgmCommand& c = NewCommand(kind);
    const int n = StepsFor(sweep);
    for (int k = 0; k <= n; ++k)
      c.points.push_back(e.At(start - sweep * k / n));
  }

  /// The sweep from the start to the end parameter; 2π when they agree.
  static double Sweep(double ts, double te) {
    const double two = 2 * std::numbers::pi;
    double s = std::fmod(ts - te, two);
    if (s < 0) s += two;
    if (s < 1e-12) s = two;
    return s;
  }

  void Circle(TCgmParams& p) {
    const TPointD c = Point(p);
    const double r = std::max(1.0, p.VdcValue());
    AddCurve(TGIS_CgmCommand::Polygon, TEllipse(c, {c.x - r, c.y}, {c.x, c.y + r}), 0,
             2 * std::numbers::pi);
  }

  void CircularArc(TCgmParams& p) {
    const TPointD c = Point(p), s = Point(p), e = Point(p);
    const double r = std::max(1.0, p.VdcValue());
    const TEllipse el(c, {c.x - r, c.y}, {c.x, c.y + r});
    const double ts = el.ParameterOf(s.x, s.y), te = el.ParameterOf(e.x, e.y);
    AddCurve(TGIS_CgmCommand::Polyline, el, ts, Sweep(ts, te));
  }

  void Ellipse(TCgmParams& p) {
    const TPointD c = Point(p), d1 = Point(p), d2 = Point(p);
    AddCurve(TGIS_CgmCommand::Polygon, TEllipse(c, d1, d2), 0, 2 * std::numbers::pi);
  }

  void EllipticalArc(TCgmParams& p) {
    const TPointD c = Point(p), d1 = Point(p), d2 = Point(p), s = Point(p), e = Point(p);
    const TEllipse el(c, d1, d2);
    const double ts = el.ParameterOf(s.x, s.y), te = el.ParameterOf(e.x, e.y);
    AddCurve(TGIS_CgmCommand::Polyline, el, ts, Sweep(ts, te));
  }

  TGIS_SymbolCGM& s_;
  TBinaryParams::Precisions precisions_;
  double colourMax_ = 255;
  bool indexed_ = true;
  int lineMode_ = 0, edgeMode_ = 0;
  std::uint32_t table_[256];
  bool filled_ = false;
  std::uint32_t fillColour_ = 0x010101, edgeColour_ = 0x010101, lineColour_ = 0x010101;
  int edgeWidth_ = 1, lineWidth_ = 1;
  bool edgeVisible_ = true;
};

void TGIS_SymbolCGM::Parse() {
  std::vector<std::uint8_t> data;
  {
    TFileStream file(path_, fmOpenRead | fmShareDenyNone);
    const std::int64_t size = file.Size();
    if (size > 0) {
      data.resize(std::size_t(size));
      data.resize(std::size_t(file.Read(data.data(), size)));
    }
  }
  const bool binary = data.size() >= 5 && data[0] == 0;
  const bool text =
      data.size() >= 5 && CompareText(std::string(data.begin(), data.begin() + 5), "BEGMF") == 0;
  if (!binary && !text) throw EConvertError("'" + path_ + "' is not a CGM file");
  commands_.clear();
  parsed_ = false;
  extent_[0] = extent_[1] = extent_[2] = extent_[3] = 0;
  naturalHeight_ = 0;
  TGIS_CgmReader reader(*this);
  reader.Read(data);
  if (naturalHeight_ == 0) naturalHeight_ = 1.0;
  parsed_ = true;
}
