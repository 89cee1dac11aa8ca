// TGIS_FileDBF: header and descriptors, reading values, writing records.
#include "gis/core/GisFileDBF.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char DUMMY[] = "_DUMMY";

const TFormatSettings& DotSettings() {
  return GisDotFormatSettings();
}

char TypeChar(std::uint8_t type) {
  switch (type) {
  case gisFieldTypeString:
    return 'C';
  case gisFieldTypeNumber:
    return 'N';
  case gisFieldTypeFloat:
    return 'F';
  case gisFieldTypeBoolean:
    return 'L';
  case gisFieldTypeDate:
    return 'D';
  default:
    throw EGIS_Exception(GIS_RS_ERR_WRONGFIELD);
  }
}

std::uint8_t TypeOfChar(char c) {
  switch (c) {
  case 'C':
    return gisFieldTypeString;
  case 'N':
    return gisFieldTypeNumber;
  case 'F':
    return gisFieldTypeFloat;
  case 'L':
    return gisFieldTypeBoolean;
  case 'D':
    return gisFieldTypeDate;
  default:
    throw EGIS_Exception(GIS_RS_ERR_WRONGFIELD);
  }
}

/// The width and decimals a field is written with.
void WrittenSize(std::uint8_t type, int& width, int& decimals) {
  switch (type) {
  case gisFieldTypeString:
    width = std::min(width, 254);
    decimals = 0;
    break;
  case gisFieldTypeNumber:
    width = std::min(width, 20);
    if (width - decimals < 2) decimals = width - 2;
    if (decimals < 0) decimals = 0;
    break;
  case gisFieldTypeFloat:
    width = 20;
    decimals = 5;
    break;
  case gisFieldTypeBoolean:
    width = 1;
    decimals = 0;
    break;
  default:
    width = 8;
    decimals = 0;
  }
}

bool IsIntegerVariant(const Variant& v) {
  switch (v.VarType()) {
  case varShortInt:
  case varSmallint:
  case varInteger:
  case varInt64:
  case varByte:
  case varWord:
  case varLongWord:
  case varUInt64:
    return true;
  default:
    return false;
  }
}

/// The text cut to at most `width` bytes, never inside a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t width) {
  if (text.size() <= width) return text;
  std::size_t n = width;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
    --n;
  return text.substr(0, n);
}

/// Too long for its width: nines, with the sign and the decimal point.
std::string Overflow(double value, int width, int decimals) {
  std::string nines(static_cast<std::size_t>(width), '9');
  if (std::nearbyint(value) < 0) nines[0] = '-';
  if (decimals > 0 && decimals < width) nines[static_cast<std::size_t>(width - decimals - 1)] = '.';
  return nines;
}

/// The 20-character scientific text of a float field.
std::string FloatText(double value) {
  const std::string e = Format("%.15e", {value}, DotSettings()); // d.dddE+ddd
  const std::size_t at = e.find('E');
  std::string exponent = e.substr(at + 2);
  while (exponent.size() > 2 && exponent[0] == '0')
    exponent.erase(0, 1);
  const std::string sign = e.substr(at, 2);
  // A three-digit exponent keeps all its digits; the mantissa gives way.
  return e.substr(0, exponent.size() > 2 ? 15 : 16) + sign + exponent;
}

std::string PadLeft(const std::string& s, int width) {
  if (static_cast<int>(s.size()) >= width) return s.substr(0, static_cast<std::size_t>(width));
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

std::string PadRight(const std::string& s, int width) {
  if (static_cast<int>(s.size()) >= width) return s.substr(0, static_cast<std::size_t>(width));
  return s + std::string(static_cast<std::size_t>(width) - s.size(), ' ');
}

} // namespace

TGIS_FileDBF::TGIS_FileDBF(const std::string& path, TGIS_ReadWriteEvent afterRead,
                           TGIS_ReadWriteEvent beforeWrite, bool create, TGIS_FieldOwner& layer)
    : TGIS_BufferedFileStream(path, create, std::move(afterRead), std::move(beforeWrite)),
      layer_(layer), created_(create) {
  if (!create) {
    ReadHeader();
    ReadStructure();
  }
  cache_.assign(static_cast<std::size_t>(layer_.FieldCount()), Variant());
}

TGIS_FileDBF::~TGIS_FileDBF() {
  if (!created_) return;
  try {
    Seek(0, soEnd);
    const char mark = 0x1A;
    Write(&mark, 1);
  } catch (...) {
    // Destructors never throw; a table without its end mark still reads.
  }
}

std::uint32_t TGIS_FileDBF::RecordCount() const {
  std::uint32_t v;
  std::memcpy(&v, header_.data() + 4, 4);
  return v;
}

std::uint16_t TGIS_FileDBF::HeaderLength() const {
  std::uint16_t v;
  std::memcpy(&v, header_.data() + 8, 2);
  return v;
}

std::uint16_t TGIS_FileDBF::RecordLength() const {
  std::uint16_t v;
  std::memcpy(&v, header_.data() + 10, 2);
  return v;
}

void TGIS_FileDBF::SetHeaderU16(int offset, std::uint16_t v) {
  std::memcpy(header_.data() + offset, &v, 2);
}

void TGIS_FileDBF::SetHeaderU32(int offset, std::uint32_t v) {
  std::memcpy(header_.data() + offset, &v, 4);
}

// ---- reading the structure ------------------------------------------------------------------

void TGIS_FileDBF::ReadHeader() {
  layer_.ClearFields();
  Seek(0, soBeginning);
  if (Read(header_.data(), 32) != 32 || HeaderLength() < 33)
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, Path());
  // The count is what the file holds: whole records after the header (every
  // record has at least its deletion flag). The header's claim is kept.
  headerRecordCount_ = RecordCount();
  const std::int64_t body = std::max<std::int64_t>(0, Size() - HeaderLength());
  const std::int64_t held = body / std::max<int>(1, RecordLength());
  if (held < std::int64_t(headerRecordCount_)) SetHeaderU32(4, std::uint32_t(held));
}

void TGIS_FileDBF::ReadStructure() {
  const int count = (HeaderLength() - 33) / 32;
  fileWidths_.clear();
  Seek(32, soBeginning);
  for (int i = 0; i < count; ++i) {
    std::uint8_t d[32];
    if (Read(d, 32) != 32) throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, Path());
    std::string name(reinterpret_cast<const char*>(d), 11);
    name = Trim(name.substr(0, name.find('\0')));
    if (name.empty() || d[0] == 0x0D) break;
    const std::uint8_t type = TypeOfChar(static_cast<char>(d[11]));
    const int width = d[16], decimals = d[17];
    fileWidths_.push_back(width);
    try {
      layer_.AddFieldEx(name, type, width, decimals, true, 0);
    } catch (const EGIS_Exception&) {
      // A name the layer has already (any case) gets a numbered variant.
      for (int n = 1; n <= 255; ++n) {
        try {
          layer_.AddFieldEx(Format("%s%.2x", {name.substr(0, 9), n}), type, width, decimals, true,
                            0);
          break;
        } catch (const EGIS_Exception&) {
        }
      }
    }
  }
  const int dummy = layer_.FindFieldIndexByStoredName(DUMMY);
  if (dummy >= 0) layer_.GetFieldInfo(dummy)->Deleted = true;
  offsets_.clear();
}

// ---- reading values ---------------------------------------------------------------------------

int TGIS_FileDBF::StoredWidth(int index, const TGIS_FieldInfo& field) const {
  // A field read from the file takes the width of the descriptor at its
  // position, whatever its owner made of the definition.
  if (index >= 0 && index < static_cast<int>(fileWidths_.size()))
    return fileWidths_[static_cast<std::size_t>(index)];
  return field.BinaryWidth != 0 ? field.BinaryWidth : field.Width;
}

void TGIS_FileDBF::ComputeOffsets() {
  offsets_.clear();
  int offset = 0;
  for (int i = 0; i < layer_.FieldCount(); ++i) {
    offsets_.push_back(offset);
    offset += StoredWidth(i, *layer_.GetFieldInfo(i));
  }
}

Variant TGIS_FileDBF::GetField(std::uint32_t record, const std::string& name) {
  if (record < 1 || record > RecordCount()) return Variant();
  const int index = layer_.FindFieldIndexByStoredName(name);
  if (index < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, name);
  try {
    return ReadValue(record, index);
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, name);
  }
}

Variant TGIS_FileDBF::GetField(std::uint32_t record, int index) {
  if (record < 1 || record > RecordCount()) return Variant();
  try {
    return ReadValue(record, index);
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, "");
  }
}

Variant TGIS_FileDBF::ReadValue(std::uint32_t record, int index) {
  if (static_cast<int>(cache_.size()) < layer_.FieldCount())
    cache_.resize(static_cast<std::size_t>(layer_.FieldCount()));
  if (record != cachedRecord_) {
    for (auto& v : cache_)
      v = Variant();
    cachedRecord_ = record;
  }
  const TGIS_FieldInfo* field = layer_.GetFieldInfo(index);
  if (field == nullptr) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, "");
  Variant& slot = cache_[static_cast<std::size_t>(index)];
  if (!slot.IsEmpty() || !field->Stored) return slot;
  if (field->Name.empty()) throw EAssertionFailed("", "GisFileDBF", __LINE__);
  if (static_cast<int>(offsets_.size()) <= index) ComputeOffsets();
  const int size = StoredWidth(index, *field);
  // A field reaching beyond the record reads nothing of the next one.
  if (offsets_[static_cast<std::size_t>(index)] + size > RecordLength() - 1)
    throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, field->Name);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  Seek(HeaderLength() + std::int64_t(record - 1) * RecordLength() + 1 +
           offsets_[static_cast<std::size_t>(index)],
       soBeginning);
  if (Read(bytes.data(), size) != size) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, field->Name);
  slot = Convert(*field, bytes);
  return slot;
}

namespace {

/// A raw binary value: at most `size` bytes into a zeroed T.
template <class T> T Binary(const std::vector<std::uint8_t>& bytes) {
  T v{};
  // A column of width 0 holds no bytes (and no buffer to copy from).
  if (!bytes.empty()) std::memcpy(&v, bytes.data(), std::min(bytes.size(), sizeof(T)));
  return v;
}

Variant DateOf(int y, int m, int d) {
  TDateTime date = 0;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31 ||
      !TryEncodeDate(Word(y), Word(m), Word(d), date))
    return Variant(1900); // a bad date reads as the integer 1900
  return Variant::FromDate(date);
}

Variant FloatOf(const std::string& text) {
  if (text.empty() || text[0] == '*') return Variant::MakeNull();
  try {
    return Variant(GisStrToFloat(text));
  } catch (const Exception&) {
    return Variant(0.0);
  }
}

} // namespace

Variant TGIS_FileDBF::Convert(const TGIS_FieldInfo& field,
                              const std::vector<std::uint8_t>& bytes) const {
  const bool binary = field.BinaryWidth != 0;
  const std::string raw(bytes.begin(), bytes.end());
  const std::string text = Trim(raw);
  switch (field.FieldType) {
  case gisFieldTypeString: {
    std::string s = TrimRight(raw);
    if (layer_.GetCodePage() != layer_.GetOutCodePage())
      s = GisConvertCodePage(s, layer_.GetCodePage(), layer_.GetOutCodePage());
    return Variant(s);
  }
  case gisFieldTypeNumber:
    if (field.Decimal != 0) return binary ? Variant(Binary<double>(bytes)) : FloatOf(text);
    if (binary) {
      // Short binary integers are signed.
      if (bytes.size() == 1) return Variant(std::int32_t(Binary<std::int8_t>(bytes)));
      if (bytes.size() == 2) return Variant(std::int32_t(Binary<std::int16_t>(bytes)));
      return Variant(Binary<std::int32_t>(bytes));
    }
    if (text.empty() || text[0] == '*') return Variant::MakeNull();
    if (field.Width < 10) {
      Integer v = 0;
      return Variant(static_cast<std::int32_t>(TryStrToInt(text, v) ? v : 0));
    } else {
      Int64 v = 0;
      return Variant(static_cast<std::int64_t>(TryStrToInt64(text, v) ? v : 0));
    }
  case gisFieldTypeFloat:
    return binary ? Variant(Binary<double>(bytes)) : FloatOf(text);
  case gisFieldTypeBoolean: {
    const char c = bytes.empty() ? ' ' : static_cast<char>(bytes[0]);
    if (c == '1' || c == 'T' || c == 't' || c == 'Y' || c == 'y') return Variant(true);
    if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return Variant(false);
    return Variant::MakeNull();
  }
  case gisFieldTypeDate: {
    if (binary) {
      const auto v = Binary<std::uint32_t>(bytes);
      if (v == 0) return Variant(1900);
      return DateOf(int(v & 0xFFFF), int((v >> 16) & 0xFF), int(v >> 24));
    }
    // Other writers mark a missing date with zeros: it stays missing.
    if (text.empty() || text[0] == '*' || text == "00000000") return Variant::MakeNull();
    Integer y = 0, m = 0, d = 0;
    if (text.size() != 8 || !TryStrToInt(text.substr(0, 4), y) ||
        !TryStrToInt(text.substr(4, 2), m) || !TryStrToInt(text.substr(6, 2), d))
      return Variant(1900);
    return DateOf(y, m, d);
  }
  default:
    throw EGIS_Exception(GIS_RS_ERR_UNTESTED);
  }
}

// ---- writing -----------------------------------------------------------------------------------

void TGIS_FileDBF::WriteHeader() {
  header_[0] = 3;
  Word y = 0, m = 0, d = 0;
  DecodeDate(Now(), y, m, d);
  header_[1] = static_cast<std::uint8_t>((y - 1900) % 256);
  header_[2] = static_cast<std::uint8_t>(m);
  header_[3] = static_cast<std::uint8_t>(d);
  Seek(0, soBeginning);
  Write(header_.data(), 32);
}

void TGIS_FileDBF::WriteStructure() {
  for (int i = 0; i < layer_.FieldCount(); ++i)
    if (layer_.GetFieldInfo(i)->ExportName == DUMMY) layer_.GetFieldInfo(i)->Deleted = true;

  // Build every descriptor first: lengths that do not fit are refused before
  // a byte is written.
  std::string descriptors;
  int recordLength = 1;
  for (int i = 0; i < layer_.FieldCount(); ++i) {
    TGIS_FieldInfo& f = *layer_.GetFieldInfo(i);
    if (f.Deleted) continue;
    const char type = TypeChar(f.FieldType);
    int width = f.NewWidth, decimals = f.NewDecimal;
    WrittenSize(f.FieldType, width, decimals);
    f.NewWidth = width;
    f.NewDecimal = decimals;
    std::string d(32, '\0');
    // A column without a name would end the descriptor list for every reader.
    const std::string name =
        UpperCase(f.ExportName.empty() ? f.NewName : f.ExportName).substr(0, 11);
    std::memcpy(d.data(), name.data(), name.size());
    d[11] = type;
    d[16] = static_cast<char>(width);
    d[17] = static_cast<char>(decimals);
    descriptors += d;
    recordLength += width;
  }
  if (recordLength == 1) {
    std::string d(32, '\0');
    std::memcpy(d.data(), DUMMY, 6);
    d[11] = 'C';
    d[16] = 1;
    descriptors += d;
    recordLength = 2;
  }
  descriptors += '\x0D';
  const std::int64_t headerLength = GetPosition() + static_cast<std::int64_t>(descriptors.size());
  if (headerLength > 0xFFFF || recordLength > 0xFFFF)
    throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, Path(), 0);
  Write(descriptors.data(), static_cast<std::int64_t>(descriptors.size()));
  SetHeaderU16(8, static_cast<std::uint16_t>(headerLength));
  SetHeaderU16(10, static_cast<std::uint16_t>(recordLength));
}

std::string TGIS_FileDBF::RenderValue(const TGIS_FieldInfo& f, const Variant& value) const {
  const int width = f.NewWidth;
  const bool null = VarIsClear(value);
  switch (f.FieldType) {
  case gisFieldTypeString: {
    std::string s;
    if (!null) {
      try {
        Variant converted;
        GisVariantToCodePage(value, layer_.GetOutCodePage(), layer_.GetCodePage(), converted);
        s = VarToStr(converted, DotSettings());
      } catch (const Exception&) {
        s.clear();
      }
    }
    return PadRight(CutUtf8(s, static_cast<std::size_t>(width)), width);
  }
  case gisFieldTypeNumber: {
    if (null) return std::string(static_cast<std::size_t>(width), ' ');
    std::string s;
    double d = 0;
    try {
      if (IsIntegerVariant(value)) {
        s = VarToStr(value, DotSettings());
        d = value.AsDouble();
      } else {
        d = value.AsDouble();
        // Not a number: blanks, as for a missing value.
        if (!std::isfinite(d)) return std::string(static_cast<std::size_t>(width), ' ');
        s = Format("%.*f", {f.NewDecimal, d}, DotSettings());
      }
    } catch (const Exception&) {
      s = "0";
    }
    if (static_cast<int>(s.size()) > width) s = Overflow(d, width, f.NewDecimal);
    return PadLeft(s, width);
  }
  case gisFieldTypeFloat: {
    if (null) return std::string(20, ' ');
    double d = 0;
    try {
      d = value.AsDouble();
    } catch (const Exception&) {
      d = 0;
    }
    if (!std::isfinite(d)) return std::string(20, ' ');
    const std::string s = FloatText(d);
    if (s.size() != 20) throw EAssertionFailed("", "GisFileDBF", __LINE__);
    return s;
  }
  case gisFieldTypeBoolean:
    if (null) return " ";
    try {
      return value.AsBoolean() ? "Y" : "N";
    } catch (const Exception&) {
      return " ";
    }
  default: {
    if (null) return std::string(static_cast<std::size_t>(width), ' ');
    std::string s;
    try {
      s = FormatDateTime("yyyymmdd", value.AsDateTime());
    } catch (const Exception&) {
      s = "19000101";
    }
    return PadLeft(s, width);
  }
  }
}

void TGIS_FileDBF::AppendRecord(TGIS_ShapeAbstract* shape) {
  std::string record = " ";
  bool any = false;
  for (int i = 0; i < layer_.FieldCount(); ++i) {
    const TGIS_FieldInfo& f = *layer_.GetFieldInfo(i);
    if (f.Deleted) continue;
    // What the shape holds: a value never set is written as missing.
    record += RenderValue(f, layer_.ShapeFieldValue(shape, f.NewName));
    any = true;
  }
  if (!any) record += ' ';
  Seek(0, soEnd);
  Write(record.data(), static_cast<std::int64_t>(record.size()));
  SetHeaderU32(4, RecordCount() + 1);
}
