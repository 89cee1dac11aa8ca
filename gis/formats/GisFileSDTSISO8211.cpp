// TGIS_FileSDTS_ISO8211 (module files) and the field decoder of TGIS_FileSDTS.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSDTS.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr std::uint8_t kUnitTerminator = 0x1F;
constexpr std::size_t kLeaderSize = 24;

/// A decimal number of `count` characters at `p`; raises EConvertError.
std::int32_t Iso8211LeaderNumber(const std::uint8_t* p, int count) {
  const std::string text(reinterpret_cast<const char*>(p), std::size_t(count));
  Integer v = 0;
  if (!TryStrToInt(Trim(text), v))
    throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return v;
}

/// A directory number: not decimal reads as 0.
std::int32_t Iso8211DirectoryNumber(const std::uint8_t* p, int count) {
  std::int64_t v = 0;
  for (int i = 0; i < count; ++i) {
    if (p[i] < '0' || p[i] > '9') return 0;
    v = v * 10 + (p[i] - '0');
    if (v > 0x7FFFFFFF) return 0;
  }
  return std::int32_t(v);
}

/// A one-digit size of the entry map.
std::int32_t Iso8211SizeDigit(std::uint8_t c) {
  if (c < '0' || c > '9') throw EConvertError("not a size digit");
  return c - '0';
}

std::string Iso8211Text(const std::uint8_t* p, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

// ---- format controls ----

struct TFormatScanner {
  const std::string& text;
  std::size_t at = 0;
  std::size_t limit; // formats wanted
  std::vector<std::pair<char, std::int32_t>> out;

  bool Full() const { return out.size() >= limit; }

  std::int32_t Number() {
    std::int64_t v = 0;
    bool any = false;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      v = std::min<std::int64_t>(v * 10 + (text[at] - '0'), 0x7FFFFFFF);
      ++at;
      any = true;
    }
    return any ? std::int32_t(v) : -1;
  }

  /// A list up to its closing ')' (or the end); returns the formats it gives.
  std::vector<std::pair<char, std::int32_t>> List(int depth) {
    std::vector<std::pair<char, std::int32_t>> formats;
    while (at < text.size() && formats.size() < limit) {
      const char c = text[at];
      if (c == ')') {
        ++at;
        break;
      }
      if (c == ',' || c == ' ') {
        ++at;
        continue;
      }
      std::int32_t n = Number();
      const bool counted = n >= 0;
      if (n <= 0) n = 1;
      if (at >= text.size()) break;
      if (text[at] == '(') {
        ++at;
        // "n(n..." : the count written again right after the parenthesis
        if (counted && n < 10 && at < text.size() && text[at] == char('0' + n)) ++at;
        if (depth > 8) break;
        const auto group = List(depth + 1);
        for (std::int32_t k = 0; k < n && formats.size() < limit && !group.empty(); ++k)
          for (const auto& f : group) {
            if (formats.size() >= limit) break;
            formats.push_back(f);
          }
        continue;
      }
      char letter = text[at++];
      std::int32_t width = 0;
      if (at < text.size() && text[at] == '(') {
        ++at;
        width = std::max(Number(), 0);
        while (at < text.size() && text[at] != ')')
          ++at;
        if (at < text.size()) ++at;
      }
      if (letter == 'z') letter = 'A';
      if (std::strchr("ABCIRSX", letter) == nullptr || letter == 0) continue; // D, E, ...
      for (std::int32_t k = 0; k < n && formats.size() < limit; ++k)
        formats.emplace_back(letter, width);
    }
    return formats;
  }
};

} // namespace

std::vector<std::pair<char, std::int32_t>> SdtsParseFormatControls(const std::string& text,
                                                                   std::size_t labelCount) {
  std::vector<std::pair<char, std::int32_t>> result(labelCount, {char(0), 0});
  std::size_t start = text.find('(');
  if (start == std::string::npos || labelCount == 0) return result;
  ++start;
  if (start < text.size() && text[start] == '(') ++start; // "((" of a repeating field
  TFormatScanner scanner{text, start, labelCount, {}};
  const auto formats = scanner.List(0);
  for (std::size_t i = 0; i < formats.size() && i < labelCount; ++i)
    result[i] = formats[i];
  return result;
}

// ---- TGIS_FileSDTS_ISO8211 ----------------------------------------------------------------

TGIS_FileSDTS_ISO8211::TGIS_FileSDTS_ISO8211(const std::string& path) : path_(path) {
  {
    TGIS_MappedStream stream(path, false);
    const std::int64_t size = stream.Size();
    buffer_.resize(std::size_t(size) + 1, 0);
    if (size > 0) stream.Read(buffer_.data(), size);
  }
  ParseDDR();
}

TGIS_FileSDTS_ISO8211::TGIS_FileSDTS_ISO8211(const std::string& path,
                                             std::vector<std::uint8_t> bytes)
    : path_(path), buffer_(std::move(bytes)) {
  buffer_.push_back(0);
  ParseDDR();
}

TGIS_FileSDTS_ISO8211::~TGIS_FileSDTS_ISO8211() = default;

void TGIS_FileSDTS_ISO8211::BadFormat() const {
  throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_, 0);
}

void TGIS_FileSDTS_ISO8211::ParseDDR() {
  end_ = buffer_.size() - 1;
  position_ = 0;
  if (end_ < kLeaderSize) BadFormat();
  const std::uint8_t* p = buffer_.data();
  recordLength_ = Iso8211LeaderNumber(p, 5);
  interchangeLevel_ = char(p[5]);
  leaderId_ = char(p[6]);
  extensionIndicator_ = char(p[7]);
  fieldControlLength_ = Iso8211LeaderNumber(p + 10, 2);
  baseAddress_ = Iso8211LeaderNumber(p + 12, 5);
  characterSet_ = Iso8211Text(p + 17, 3);
  sizeFieldLength_ = Iso8211SizeDigit(p[20]);
  sizeFieldPos_ = Iso8211SizeDigit(p[21]);
  sizeFieldTag_ = Iso8211SizeDigit(p[23]);
  const std::int32_t entrySize = sizeFieldTag_ + sizeFieldPos_ + sizeFieldLength_;
  // the directory and the field area lie inside the record, the record
  // inside the file
  if (sizeFieldTag_ <= 0 || sizeFieldPos_ <= 0 || sizeFieldLength_ <= 0 ||
      baseAddress_ <= std::int32_t(kLeaderSize) || baseAddress_ > recordLength_ ||
      std::size_t(recordLength_) > end_ || fieldControlLength_ < 0)
    BadFormat();

  const std::int32_t count = (baseAddress_ - 25) / entrySize;
  ddrDirectory_.clear();
  const std::size_t fieldArea = kLeaderSize + std::size_t(count) * std::size_t(entrySize) + 1;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = p + kLeaderSize + std::size_t(i) * std::size_t(entrySize);
    TGIS_FileSDTS_DirEntry entry;
    entry.Tag = Iso8211Text(e, std::size_t(sizeFieldTag_));
    entry.Length = Iso8211DirectoryNumber(e + sizeFieldTag_, sizeFieldLength_);
    const std::int32_t pos = Iso8211DirectoryNumber(e + sizeFieldTag_ + sizeFieldLength_, sizeFieldPos_);
    const std::int64_t start = std::int64_t(fieldArea) + pos;
    if (start + entry.Length > recordLength_) BadFormat();
    entry.Data = p + start;
    ddrDirectory_.push_back(entry);
  }
  position_ = std::size_t(recordLength_);
  descriptions_.clear();
  for (std::size_t i = 2; i < ddrDirectory_.size(); ++i)
    ParseDescription(ddrDirectory_[i]);
}

void TGIS_FileSDTS_ISO8211::ParseDescription(const TGIS_FileSDTS_DirEntry& entry) {
  TGIS_FileSDTS_DDAEntry d;
  d.Tag = entry.Tag;
  const std::uint8_t* p = entry.Data;
  const std::size_t n = std::size_t(entry.Length);
  d.FieldControls = Iso8211Text(p, std::min<std::size_t>(4, n));
  std::size_t at = std::min(std::size_t(fieldControlLength_), n);
  auto upTo = [&](std::uint8_t stop) {
    const std::size_t from = at;
    while (at < n && p[at] != stop && p[at] != 0x1E)
      ++at;
    std::string s = Iso8211Text(p + from, at - from);
    if (at < n && p[at] == stop) ++at;
    return s;
  };
  d.Name = upTo(kUnitTerminator);
  std::string labels = upTo(kUnitTerminator);
  const std::string formats = Iso8211Text(p + at, n - at);
  if (!labels.empty() && labels[0] == '*') labels.erase(0, 1);
  if (!labels.empty()) {
    std::size_t from = 0;
    for (;;) {
      const std::size_t bang = labels.find('!', from);
      TGIS_FileSDTS_DDAField f;
      f.Label = labels.substr(from, bang == std::string::npos ? std::string::npos : bang - from);
      d.Subfields.push_back(std::move(f));
      if (bang == std::string::npos) break;
      from = bang + 1;
    }
  }
  const auto parsed = SdtsParseFormatControls(formats, d.Subfields.size());
  for (std::size_t i = 0; i < d.Subfields.size(); ++i) {
    d.Subfields[i].Format = parsed[i].first;
    d.Subfields[i].Width = parsed[i].second;
  }
  descriptions_.push_back(std::move(d));
}

TGIS_FileSDTS_DirEntry TGIS_FileSDTS_ISO8211::GetDirEntry(int index) const {
  if (index < 0 || index >= GetDirCount()) return {};
  return ddrDirectory_[std::size_t(index)];
}

TGIS_FileSDTS_DDAEntry* TGIS_FileSDTS_ISO8211::FindDescription(const std::string& tag) {
  for (auto& d : descriptions_)
    if (d.Tag == tag) return &d;
  return nullptr;
}

bool TGIS_FileSDTS_ISO8211::ReadRecord(TGIS_FileSDTS_DirEntryArray& entries) {
  if (position_ >= end_) return false;
  const std::uint8_t* base = buffer_.data();
  if (!savedDirectory_.empty()) {
    // the fields alone, with the saved tags and lengths
    std::size_t at = position_;
    if (entries.size() < savedDirectory_.size()) entries.resize(savedDirectory_.size());
    for (std::size_t k = 0; k < savedDirectory_.size(); ++k) {
      const std::int32_t length = savedDirectory_[k].Length;
      if (std::size_t(length) > end_ - at) return false;
      entries[k] = {savedDirectory_[k].Tag, length, base + at};
      at += std::size_t(length);
    }
    for (std::size_t k = savedDirectory_.size(); k < entries.size(); ++k)
      entries[k] = {};
    position_ = at;
    return true;
  }
  try {
    const std::size_t start = position_;
    if (end_ - start < kLeaderSize) return false;
    const std::uint8_t* p = base + start;
    const std::int32_t length = Iso8211LeaderNumber(p, 5);
    const char leaderId = char(p[6]);
    const std::int32_t baseAddress = Iso8211LeaderNumber(p + 12, 5);
    const std::int32_t sizeLength = Iso8211SizeDigit(p[20]);
    const std::int32_t sizePos = Iso8211SizeDigit(p[21]);
    const std::int32_t sizeTag = Iso8211SizeDigit(p[23]);
    const std::int32_t entrySize = sizeTag + sizePos + sizeLength;
    if (sizeTag <= 0 || sizePos <= 0 || sizeLength <= 0 || baseAddress <= 24 ||
        baseAddress > length || std::size_t(length) > end_ - start)
      return false;
    const std::int32_t count = (baseAddress - 24) / entrySize;
    if (entries.size() < std::size_t(count)) entries.resize(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i) {
      const std::uint8_t* e = p + kLeaderSize + std::size_t(i) * std::size_t(entrySize);
      TGIS_FileSDTS_DirEntry& entry = entries[std::size_t(i)];
      entry.Tag = Iso8211Text(e, std::size_t(sizeTag));
      entry.Length = Iso8211DirectoryNumber(e + sizeTag, sizeLength);
      const std::int32_t pos = Iso8211DirectoryNumber(e + sizeTag + sizeLength, sizePos);
      if (std::int64_t(baseAddress) + pos + entry.Length > length) return false;
      entry.Data = p + baseAddress + pos;
    }
    for (std::size_t k = std::size_t(count); k < entries.size(); ++k)
      entries[k] = {};
    if (leaderId == 'R' || leaderId == 'r') {
      std::int64_t sum = 0;
      for (std::int32_t i = 0; i < count; ++i)
        sum += entries[std::size_t(i)].Length;
      // a directory of nothing would never move on
      if (sum > 0) {
        savedDirectory_.assign(entries.begin(), entries.begin() + count);
        for (auto& e : savedDirectory_)
          e.Data = nullptr;
      }
    }
    position_ = start + std::size_t(length);
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

// ---- values into members -------------------------------------------------------------------

void SdtsStoreValue(std::string& member, const TGIS_FileSDTS_Value& value) {
  switch (value.Kind) {
  case TGIS_FileSDTS_Value::TKind::Text:
  case TGIS_FileSDTS_Value::TKind::Bytes:
    member = value.Text;
    break;
  case TGIS_FileSDTS_Value::TKind::Int:
    member = IntToStr(value.Int);
    break;
  case TGIS_FileSDTS_Value::TKind::Real:
    member = GisFloatToStr(value.Real);
    break;
  default:
    break;
  }
}

void SdtsStoreValue(std::int32_t& member, const TGIS_FileSDTS_Value& value) {
  switch (value.Kind) {
  case TGIS_FileSDTS_Value::TKind::Int:
    member = std::int32_t(value.Int);
    break;
  case TGIS_FileSDTS_Value::TKind::Real:
    if (std::isfinite(value.Real) && std::fabs(value.Real) < 2147483647.0)
      member = std::int32_t(std::lround(value.Real));
    break;
  case TGIS_FileSDTS_Value::TKind::Text: {
    Integer v = 0;
    if (TryStrToInt(Trim(value.Text), v)) member = v;
    break;
  }
  default:
    break;
  }
}

void SdtsStoreValue(double& member, const TGIS_FileSDTS_Value& value) {
  switch (value.Kind) {
  case TGIS_FileSDTS_Value::TKind::Int:
    member = double(value.Int);
    break;
  case TGIS_FileSDTS_Value::TKind::Real:
    member = value.Real;
    break;
  case TGIS_FileSDTS_Value::TKind::Text:
    try {
      member = GisStrToFloat(Trim(value.Text));
    } catch (const Exception&) {
    }
    break;
  default:
    break;
  }
}

// ---- the field decoder ------------------------------------------------------------------

std::string TGIS_FileSDTS::ReadDelimited(TGIS_FileSDTS_DirEntry& entry) {
  if (entry.Data == nullptr || entry.Length <= 0) return std::string();
  const std::size_t length = std::size_t(entry.Length);
  const void* hit = std::memchr(entry.Data, kUnitTerminator, length);
  std::size_t n = hit != nullptr ? std::size_t(static_cast<const std::uint8_t*>(hit) - entry.Data)
                                 : length - 1;
  std::string value = Iso8211Text(entry.Data, n);
  const std::size_t zero = value.find('\0');
  if (zero != std::string::npos) value.resize(zero);
  const std::size_t consumed = std::min(n + 1, length);
  entry.Data += consumed;
  entry.Length -= std::int32_t(consumed);
  return value;
}

std::string TGIS_FileSDTS::ReadFixed(TGIS_FileSDTS_DirEntry& entry, std::int32_t count) {
  if (entry.Data == nullptr || entry.Length <= 0 || count <= 0) return std::string();
  const std::int32_t n = std::min(count, entry.Length);
  std::string value = Iso8211Text(entry.Data, std::size_t(n));
  entry.Data += n;
  entry.Length -= n;
  return value;
}

std::int32_t TGIS_FileSDTS::BinaryFormatBits(const std::string& name) {
  if (name == "BI8" || name == "BUI8") return 8;
  if (name == "BI16" || name == "BUI16") return 16;
  if (name == "BI24" || name == "BUI24") return 24;
  if (name == "B" || name == "BI32" || name == "BUI32" || name == "BFP32" || name == "BUI")
    return 32;
  if (name == "BFP64") return 64;
  return 0;
}

TGIS_FileSDTS_Value TGIS_FileSDTS::ConvertNamed(const std::string& value, const std::string& name) {
  TGIS_FileSDTS_Value v;
  if (name == "I") {
    Integer i = 0;
    if (!Trim(value).empty() && TryStrToInt(Trim(value), i)) {
      v.Kind = TGIS_FileSDTS_Value::TKind::Int;
      v.Int = i;
    }
    return v;
  }
  if (name == "R" || name == "S") {
    if (Trim(value).empty()) return v;
    try {
      v.Real = GisStrToFloat(Trim(value));
      v.Kind = TGIS_FileSDTS_Value::TKind::Real;
    } catch (const Exception&) {
    }
    return v;
  }
  const std::int32_t bits = BinaryFormatBits(name);
  if (bits == 0 || value.size() < std::size_t(bits / 8)) return v;
  const auto* b = reinterpret_cast<const std::uint8_t*>(value.data());
  std::uint64_t u = 0;
  for (int i = 0; i < bits / 8; ++i)
    u = (u << 8) | b[i];
  const bool isSigned = name == "B" || name.compare(0, 2, "BI") == 0;
  if (name == "BFP32") {
    const std::uint32_t u32 = std::uint32_t(u);
    float f;
    std::memcpy(&f, &u32, 4);
    v.Kind = TGIS_FileSDTS_Value::TKind::Real;
    v.Real = f;
  } else if (name == "BFP64") {
    double d;
    std::memcpy(&d, &u, 8);
    v.Kind = TGIS_FileSDTS_Value::TKind::Real;
    v.Real = d;
  } else {
    v.Kind = TGIS_FileSDTS_Value::TKind::Int;
    if (isSigned && bits < 64 && (u >> (bits - 1)) & 1) {
      v.Int = std::int64_t(u) - (std::int64_t(1) << bits);
    } else {
      v.Int = std::int64_t(u);
    }
  }
  return v;
}

std::int32_t TGIS_FileSDTS::RepeatCount(const TGIS_FileSDTS_DirEntry& entry,
                                        const TGIS_FileSDTS_DDAFieldArray& subfields) {
  if (subfields.empty() || entry.Data == nullptr || entry.Length <= 0) return 0;
  if (subfields[0].Width != 0) {
    std::int64_t bytes = 0;
    for (const auto& s : subfields) {
      const bool binary = s.Format == 'B' || s.Format == 'H' || s.Format == 'V';
      bytes += binary ? s.Width / 8 : s.Width;
    }
    return bytes > 0 ? std::int32_t(entry.Length / bytes) : 0;
  }
  std::int64_t terminators = 0;
  for (std::int32_t i = 0; i < entry.Length; ++i)
    if (entry.Data[i] == kUnitTerminator) ++terminators;
  return std::int32_t((1 + terminators) / std::int64_t(subfields.size()));
}

void TGIS_FileSDTS::ReadFieldInto(TGIS_FileSDTS_DirEntry& entry,
                                  TGIS_FileSDTS_DDAFieldArray& subfields, int index,
                                  void* record) {
  for (TGIS_FileSDTS_DDAField& s : subfields) {
    std::string value;
    std::string name = s.FormatName;
    std::int32_t width = s.Width;
    const bool spatial = s.Format == 'H' || s.Format == 'V';
    if (width != 0) {
      if (spatial) {
        // the internal spatial reference tells how the coordinates are stored
        std::string fmt;
        if (index >= 0 && std::size_t(index) < internalRefs_->size())
          fmt = s.Format == 'H' ? (*internalRefs_)[std::size_t(index)].HFMT
                                : (*internalRefs_)[std::size_t(index)].VFMT;
        else if (!internalRefs_->empty())
          fmt = s.Format == 'H' ? internalRefs_->front().HFMT : internalRefs_->front().VFMT;
        fmt = Trim(fmt);
        if (BinaryFormatBits(fmt) > 0) {
          name = fmt;
          width = BinaryFormatBits(fmt);
        } else if (name.empty()) {
          name = width == 64 ? "BFP64" : "BI" + IntToStr(width);
        }
      }
      const bool binary = s.Format == 'B' || spatial;
      value = ReadFixed(entry, binary ? width / 8 : width);
    } else {
      value = ReadDelimited(entry);
    }
    if (!s.Target) continue;
    TGIS_FileSDTS_Value v;
    if (!name.empty()) {
      v = ConvertNamed(value, name);
    } else {
      switch (s.Format) {
      case 'A':
      case 'C':
        v.Kind = TGIS_FileSDTS_Value::TKind::Text;
        v.Text = value;
        break;
      case 'I':
        v = ConvertNamed(value, "I");
        break;
      case 'R':
      case 'S':
        v = ConvertNamed(value, "R");
        break;
      case 'B':
        // a binary number without a format name: big-endian, signed
        if (s.Width == 8 || s.Width == 16 || s.Width == 24 || s.Width == 32)
          v = ConvertNamed(value, "BI" + IntToStr(s.Width));
        else if (s.Width == 64)
          v = ConvertNamed(value, "BFP64");
        else {
          v.Kind = TGIS_FileSDTS_Value::TKind::Bytes;
          v.Text = value;
        }
        break;
      default:
        break;
      }
    }
    if (v.Kind != TGIS_FileSDTS_Value::TKind::None) s.Target(record, v);
  }
}

void TGIS_FileSDTS::SetSpatialAddress(TGIS_FileSDTS_DDAEntry& description, TGIS_FileSDTS_Target x,
                                      TGIS_FileSDTS_Target y, TGIS_FileSDTS_Target z) {
  for (auto& s : description.Subfields) {
    const bool isZ = s.Label == "Z";
    if (s.Label == "X")
      s.Target = x;
    else if (s.Label == "Y")
      s.Target = y;
    else if (isZ)
      s.Target = z;
    else
      continue;
    if (s.Format == 'I') s.Format = 'R';
    if (s.Format == 'B') s.Format = isZ ? 'V' : 'H';
  }
}
