// TGIS_DxfGroups, the DXF matrices and the colour index palette.
#include "gis/formats/GisLayerDXFGroups.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Format.h"

namespace {

constexpr char BINARY_SENTINEL[] = "AutoCAD Binary DXF\r\n\x1a";
constexpr std::int64_t BINARY_START = 22;

enum class TBinaryType { Int16, Int32, Int64, Double, Bool, Chunk, String };

TBinaryType TypeOf(int code) {
  auto in = [code](int a, int b) { return code >= a && code <= b; };
  if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) ||
      in(1060, 1070))
    return TBinaryType::Int16;
  if (in(90, 99) || in(420, 459) || code == 1071) return TBinaryType::Int32;
  if (in(160, 169)) return TBinaryType::Int64;
  if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059))
    return TBinaryType::Double;
  if (in(290, 299)) return TBinaryType::Bool;
  if (in(310, 319) || code == 1004) return TBinaryType::Chunk;
  return TBinaryType::String;
}

template <class T> T LittleEndian(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T)); // x86-64 and every target of this build are little-endian
  return v;
}

std::string_view TrimRightView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
    s.remove_suffix(1);
  return s;
}

std::string_view TrimBoth(std::string_view s) {
  s = TrimRightView(s);
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
    s.remove_prefix(1);
  return s;
}

} // namespace

TGIS_DxfGroups::TGIS_DxfGroups(const std::uint8_t* data, std::int64_t size, std::string path)
    : data_(data), size_(data == nullptr ? 0 : size), path_(std::move(path)) {
  const std::int64_t sentinel = std::int64_t(sizeof(BINARY_SENTINEL) - 1);
  if (size_ >= BINARY_START &&
      std::memcmp(data_, BINARY_SENTINEL, std::size_t(sentinel)) == 0) {
    binary_ = true;
    pos_ = BINARY_START;
    shortCodes_ = !(size_ >= BINARY_START + 2 && data_[22] == 0 && data_[23] == 0);
  } else if (size_ >= 3 && data_[0] == 0xEF && data_[1] == 0xBB && data_[2] == 0xBF) {
    pos_ = 3; // a byte-order mark before the first code
  }
}

void TGIS_DxfGroups::Fail() const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, path_,
                       items_ > INT_MAX ? INT_MAX : int(items_));
}

void TGIS_DxfGroups::Need(std::int64_t count) const {
  if (count < 0 || count > size_ - pos_) Fail();
}

bool TGIS_DxfGroups::Is(int code, std::string_view value) const {
  if (code_ != code) return false;
  if (numeric_) return Text() == value;
  return raw_ == value;
}

std::string TGIS_DxfGroups::Text() const {
  if (numeric_) return GisFloatToStr(number_);
  return std::string(raw_);
}

double TGIS_DxfGroups::Double() const {
  double v = number_;
  if (!numeric_ && !TryStrToFloat(TrimBoth(raw_), v, GisDotFormatSettings())) Fail();
  if (!std::isfinite(v)) Fail();
  return v;
}

int TGIS_DxfGroups::Int() const {
  if (!numeric_) {
    Integer v = 0;
    if (TryStrToInt(TrimBoth(raw_), v)) return int(v);
  }
  const double d = Double();
  if (d < double(INT_MIN) || d > double(INT_MAX)) Fail();
  return int(d);
}

bool TGIS_DxfGroups::TryIntNonEmpty(int& value) const {
  if (!numeric_ && TrimBoth(raw_).empty()) return false;
  value = Int();
  return true;
}

void TGIS_DxfGroups::Read() {
  if (EndOfData()) return;
  start_ = pos_;
  if (binary_)
    ReadBinary();
  else
    ReadAscii();
}

std::string_view TGIS_DxfGroups::Line() {
  ++items_;
  const std::uint8_t* start = data_ + pos_;
  const void* nl = std::memchr(start, '\n', std::size_t(size_ - pos_));
  const std::int64_t len =
      nl == nullptr ? size_ - pos_ : static_cast<const std::uint8_t*>(nl) - start;
  pos_ += len + (nl == nullptr ? 0 : 1);
  return TrimRightView(std::string_view(reinterpret_cast<const char*>(start), std::size_t(len)));
}

void TGIS_DxfGroups::ReadAscii() {
  numeric_ = false;
  const std::string_view codeLine = Line();
  Integer code = 0;
  if (!TryStrToInt(codeLine, code)) Fail();
  code_ = int(code);
  raw_ = EndOfData() ? std::string_view() : Line();
}

void TGIS_DxfGroups::ReadBinary() {
  numeric_ = false;
  raw_ = std::string_view();
  // The code.
  if (shortCodes_) {
    Need(1);
    code_ = data_[pos_++];
    if (code_ == 255) {
      Need(2);
      code_ = LittleEndian<std::int16_t>(data_ + pos_);
      pos_ += 2;
    }
  } else {
    Need(2);
    code_ = LittleEndian<std::int16_t>(data_ + pos_);
    pos_ += 2;
  }
  ++items_;
  // The value, by the code's type.
  ++items_;
  switch (TypeOf(code_)) {
  case TBinaryType::Int16:
    Need(2);
    number_ = LittleEndian<std::int16_t>(data_ + pos_), numeric_ = true, pos_ += 2;
    return;
  case TBinaryType::Int32:
    Need(4);
    number_ = LittleEndian<std::int32_t>(data_ + pos_), numeric_ = true, pos_ += 4;
    return;
  case TBinaryType::Int64:
    Need(8);
    number_ = double(LittleEndian<std::int64_t>(data_ + pos_)), numeric_ = true, pos_ += 8;
    return;
  case TBinaryType::Double:
    Need(8);
    number_ = LittleEndian<double>(data_ + pos_), numeric_ = true, pos_ += 8;
    if (!std::isfinite(number_)) Fail();
    return;
  case TBinaryType::Bool:
    Need(1);
    number_ = data_[pos_], numeric_ = true, pos_ += 1;
    return;
  case TBinaryType::Chunk: {
    Need(1);
    const std::int64_t n = data_[pos_++];
    Need(n);
    raw_ = std::string_view(reinterpret_cast<const char*>(data_ + pos_), std::size_t(n));
    pos_ += n;
    return;
  }
  case TBinaryType::String: {
    const std::uint8_t* start = data_ + pos_;
    const void* nul = std::memchr(start, 0, std::size_t(size_ - pos_));
    if (nul == nullptr) Fail();
    const std::int64_t n = static_cast<const std::uint8_t*>(nul) - start;
    raw_ = std::string_view(reinterpret_cast<const char*>(start), std::size_t(n));
    pos_ += n + 1;
    return;
  }
  }
}

// ---- matrices ------------------------------------------------------------------------------

TGIS_DxfMatrix DxfIdentity() {
  TGIS_DxfMatrix m{};
  for (int i = 0; i < 4; ++i)
    m[i][i] = 1;
  return m;
}

TGIS_DxfMatrix DxfMultiply(const TGIS_DxfMatrix& a, const TGIS_DxfMatrix& b) {
  TGIS_DxfMatrix c{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k)
        s += a[i][k] * b[k][j];
      c[i][j] = s;
    }
  return c;
}

TGIS_DxfMatrix DxfRotation(double angle) {
  TGIS_DxfMatrix m = DxfIdentity();
  const double s = std::sin(-angle), c = std::cos(-angle);
  m[0][0] = c, m[0][1] = -s, m[1][0] = s, m[1][1] = c;
  return m;
}

TGIS_DxfMatrix DxfScale(const TGIS_DxfVec& s) {
  TGIS_DxfMatrix m = DxfIdentity();
  m[0][0] = s.X, m[1][1] = s.Y, m[2][2] = s.Z;
  return m;
}

TGIS_DxfMatrix DxfTranslation(const TGIS_DxfVec& p) {
  TGIS_DxfMatrix m = DxfIdentity();
  m[3][0] = p.X, m[3][1] = p.Y, m[3][2] = p.Z;
  return m;
}

namespace {

TGIS_DxfVec Cross(const TGIS_DxfVec& a, const TGIS_DxfVec& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

double Length(const TGIS_DxfVec& v) {
  return std::sqrt(v.X * v.X + v.Y * v.Y + v.Z * v.Z);
}

TGIS_DxfVec Normalize(const TGIS_DxfVec& v) {
  const double l = Length(v);
  return {v.X / l, v.Y / l, v.Z / l};
}

} // namespace

TGIS_DxfMatrix DxfOcs(const TGIS_DxfVec& direction) {
  const double l = Length(direction);
  if (!(l > 0) || !std::isfinite(l)) return DxfIdentity();
  // A unit normal: the axes are an orthonormal basis whatever length the file gives.
  const TGIS_DxfVec n = Normalize(direction);
  if (n.X == 0 && n.Y == 0 && n.Z == 1) return DxfIdentity();
  const double limit = 1.0 / 64;
  const TGIS_DxfVec w = std::fabs(n.X) < limit && std::fabs(n.Y) < limit
                            ? TGIS_DxfVec{0, 1, 0}
                            : TGIS_DxfVec{0, 0, 1};
  const TGIS_DxfVec ax = Normalize(Cross(w, n));
  const TGIS_DxfVec ay = Normalize(Cross(n, ax));
  TGIS_DxfMatrix m = DxfIdentity();
  m[0] = {ax.X, ax.Y, ax.Z, 0};
  m[1] = {ay.X, ay.Y, ay.Z, 0};
  m[2] = {n.X, n.Y, n.Z, 0};
  return m;
}

TGIS_DxfVec DxfApply(const TGIS_DxfMatrix& m, const TGIS_DxfVec& p) {
  return {p.X * m[0][0] + p.Y * m[1][0] + p.Z * m[2][0] + m[3][0],
          p.X * m[0][1] + p.Y * m[1][1] + p.Z * m[2][1] + m[3][1],
          p.X * m[0][2] + p.Y * m[1][2] + p.Z * m[2][2] + m[3][2]};
}

// ---- palette -------------------------------------------------------------------------------

const std::array<std::array<std::uint8_t, 3>, 256>& DxfPalette() {
  static const std::array<std::array<std::uint8_t, 3>, 256> palette = {{
    {255,255,255}, {255,0,0}, {255,255,0}, {0,255,0}, {0,255,255}, {0,0,255}, {255,0,255}, {255,255,255},
    {128,128,128}, {192,192,192}, {255,0,0}, {255,127,127}, {204,0,0}, {204,102,102}, {153,0,0}, {153,76,76},
    {127,0,0}, {127,63,63}, {76,0,0}, {76,38,38}, {255,63,0}, {255,159,127}, {204,51,0}, {204,127,102},
    {153,38,0}, {153,95,76}, {127,31,0}, {127,79,63}, {76,19,0}, {76,47,38}, {255,127,0}, {255,191,127},
    {204,102,0}, {204,153,102}, {153,76,0}, {153,114,76}, {127,63,0}, {127,95,63}, {76,38,0}, {76,57,38},
    {255,191,0}, {255,223,127}, {204,153,0}, {204,178,102}, {153,114,0}, {153,133,76}, {127,95,0}, {127,111,63},
    {76,57,0}, {76,66,38}, {255,255,0}, {255,255,127}, {204,204,0}, {204,204,102}, {153,153,0}, {153,153,76},
    {127,127,0}, {127,127,63}, {76,76,0}, {76,76,38}, {191,255,0}, {223,255,127}, {153,204,0}, {178,204,102},
    {114,153,0}, {133,153,76}, {95,127,0}, {111,127,63}, {57,76,0}, {66,76,38}, {127,255,0}, {191,255,127},
    {102,204,0}, {153,204,102}, {76,153,0}, {114,153,76}, {63,127,0}, {95,127,63}, {38,76,0}, {57,76,38},
    {63,255,0}, {159,255,127}, {51,204,0}, {127,204,102}, {38,153,0}, {95,153,76}, {31,127,0}, {79,127,63},
    {19,76,0}, {47,76,38}, {0,255,0}, {127,255,127}, {0,204,0}, {102,204,102}, {0,153,0}, {76,153,76},
    {0,127,0}, {63,127,63}, {0,76,0}, {38,76,38}, {0,255,63}, {127,255,159}, {0,204,51}, {102,204,127},
    {0,153,38}, {76,153,95}, {0,127,31}, {63,127,79}, {0,76,19}, {38,76,47}, {0,255,127}, {127,255,191},
    {0,204,102}, {102,204,153}, {0,153,76}, {76,153,114}, {0,127,63}, {63,127,95}, {0,76,38}, {38,76,57},
    {0,255,191}, {127,255,223}, {0,204,153}, {102,204,178}, {0,153,114}, {76,153,133}, {0,127,95}, {63,127,111},
    {0,76,57}, {38,76,66}, {0,255,255}, {127,255,255}, {0,204,204}, {102,204,204}, {0,153,153}, {76,153,153},
    {0,127,127}, {63,127,127}, {0,76,76}, {38,76,76}, {0,191,255}, {127,223,255}, {0,153,204}, {102,178,204},
    {0,114,153}, {76,133,153}, {0,95,127}, {63,111,127}, {0,57,76}, {38,66,76}, {0,127,255}, {127,191,255},
    {0,102,204}, {102,153,204}, {0,76,153}, {76,114,153}, {0,63,127}, {63,95,127}, {0,38,76}, {38,57,76},
    {0,63,255}, {127,159,255}, {0,51,204}, {102,127,204}, {0,38,153}, {76,95,153}, {0,31,127}, {63,79,127},
    {0,19,76}, {38,47,76}, {0,0,255}, {127,127,255}, {0,0,204}, {102,102,204}, {0,0,153}, {76,76,153},
    {0,0,127}, {63,63,127}, {0,0,76}, {38,38,76}, {63,0,255}, {159,127,255}, {51,0,204}, {127,102,204},
    {38,0,153}, {95,76,153}, {31,0,127}, {79,63,127}, {19,0,76}, {47,38,76}, {127,0,255}, {191,127,255},
    {102,0,204}, {153,102,204}, {76,0,153}, {114,76,153}, {63,0,127}, {95,63,127}, {38,0,76}, {57,38,76},
    {191,0,255}, {223,127,255}, {153,0,204}, {178,102,204}, {114,0,153}, {133,76,153}, {95,0,127}, {111,63,127},
    {57,0,76}, {66,38,76}, {255,0,255}, {255,127,255}, {204,0,204}, {204,102,204}, {153,0,153}, {153,76,153},
    {127,0,127}, {127,63,127}, {76,0,76}, {76,38,76}, {255,0,191}, {255,127,223}, {204,0,153}, {204,102,178},
    {153,0,114}, {153,76,133}, {127,0,95}, {127,63,111}, {76,0,57}, {76,38,66}, {255,0,127}, {255,127,191},
    {204,0,102}, {204,102,153}, {153,0,76}, {153,76,114}, {127,0,63}, {127,63,95}, {76,0,38}, {76,38,57},
    {255,0,63}, {255,127,159}, {204,0,51}, {204,102,127}, {153,0,38}, {153,76,95}, {127,0,31}, {127,63,79},
    {76,0,19}, {76,38,47}, {51,51,51}, {91,91,91}, {132,132,132}, {173,173,173}, {214,214,214}, {255,255,255},
  }};
  return palette;
}
