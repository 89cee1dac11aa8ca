// TGIS_LayerGDF: record framing, fixed-width fields, field widths, record
// definitions and the layouts of the record types.
#include <cmath>

#include "gis/core/GisDefsCodePages.h"
#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisLayerGDFReader.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kGdfRecordLength = 80;

using TGdfSpec = TGIS_LayerGDF::TReader::TSpec;
using TGdfItem = TGIS_LayerGDF::TReader::TItem;
using TGdfLayout = TGIS_LayerGDF::TReader::TLayout;

TGdfItem GdfField(const char* name, int width, bool number = false) {
  return TGdfItem{TGdfSpec{name, width, number}, {}};
}

/// The built-in layout of a data or definition record type (empty: none).
const TGdfLayout& GdfLayout(int type) {
  static const std::map<int, TGdfLayout> layouts = {
      {7,
       {GdfField("REC_DESCR", 2), GdfField("FEAT_COD", 4, true), GdfField("FEAT_NAME", 20),
        GdfField("LAN_CODE", 3), GdfField("FEAT_SYN", 20)}},
      {15, {GdfField("REC_DESCR", 2), GdfField("ATT_TYPE", 2), GdfField("DATT_VAL", 10)}},
      {18,
       {GdfField("REC_DESCR", 2), GdfField("ATT_TYPE", 2), GdfField("VALUE", 10),
        GdfField("LAN_CODE", 3), GdfField("VAL_DESC", 80)}},
      {23,
       {GdfField("REC_DESCR", 2),
        GdfField("XYZ_ID", 10),
        GdfField("G_TYPE", 1),
        GdfField("Q_PLAN", 2),
        GdfField("DESC_ID", 5),
        {TGdfSpec{"NUM_COORD", 5, true},
         {TGdfSpec{"X_COORD", 10, true}, TGdfSpec{"Y_COORD", 10, true},
          TGdfSpec{"Z_COORD", 10, true}}}}},
      {24,
       {GdfField("REC_DESCR", 2), GdfField("EDGE_ID", 10), GdfField("XYZ_ID", 10),
        GdfField("FKNOT_ID", 10), GdfField("TKNOT_ID", 10)}},
      {25, {GdfField("REC_DESCR", 2), GdfField("KNOT_ID", 10), GdfField("XYZ_ID", 10)}},
      {41,
       {GdfField("REC_DESCR", 2), GdfField("NAME_ID", 10, true), GdfField("DESC_ID", 5),
        GdfField("LAN_CODE", 3), GdfField("TEXT", 80)}},
      {44,
       {GdfField("REC_DESCR", 2),
        GdfField("SATT_ID", 10, true),
        GdfField("FROM", 5),
        GdfField("TO", 5),
        GdfField("ABS_REL", 1),
        GdfField("ATT_DIR", 1),
        {TGdfSpec{"NUM_ATT", 5, true},
         {TGdfSpec{"ATT_TYPE", 2, false}, TGdfSpec{"DESC_ID", 5, false},
          TGdfSpec{"ATT_VAL", 10, false}}}}},
      {51,
       {GdfField("REC_DESCR", 2),
        GdfField("POINT_ID", 10),
        GdfField("DESC_ID", 5),
        GdfField("FEAT_CODE", 4, true),
        {TGdfSpec{"NUM_KNOT", 5, true}, {TGdfSpec{"KNOT_ID", 10, false}}},
        {TGdfSpec{"NUM_ATT", 5, true}, {TGdfSpec{"SATT_ID", 10, false}}}}},
      {52,
       {GdfField("REC_DESCR", 2),
        GdfField("LIFE_ID", 10),
        GdfField("DESC_ID", 5),
        GdfField("FEAT_CODE", 4, true),
        GdfField("SPLIT_IND", 1),
        {TGdfSpec{"NUM_EDGE", 5, true},
         {TGdfSpec{"EDGE_ID", 10, false}, TGdfSpec{"POS_NEG", 2, false}}},
        {TGdfSpec{"NUM_ATT", 5, true}, {TGdfSpec{"SATT_ID", 10, false}}},
        GdfField("FROM_ID", 10),
        GdfField("TO_ID", 10)}},
      // Always read in this order; the part category and the attribute
      // count have no names and keep their widths.
      {54,
       {GdfField("REC_DESCR", 2),
        GdfField("COMF_ID", 10),
        GdfField("DESC_ID", 5),
        GdfField("FEAT_CODE", 4, true),
        GdfField("SPLIT_IND", 1),
        {TGdfSpec{"NUM_PARTS", 5, true},
         {TGdfSpec{"CATEGORY", 2, true, true}, TGdfSpec{"FEAT_ID", 10, false}}},
        {TGdfSpec{"ATT_COUNT", 5, true, true}, {TGdfSpec{"SATT_ID", 10, false}}},
        GdfField("FROM_ID", 10),
        GdfField("TO_ID", 10)}},
  };
  static const TGdfLayout none;
  auto it = layouts.find(type);
  return it == layouts.end() ? none : it->second;
}

/// A number field's text: truncated towards zero; finite and within 64 bits.
std::int64_t GdfNumber(const std::string& text, bool& ok) {
  ok = true;
  if (text.empty()) return 0;
  const double v = GisStrToFloat(text);
  if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) {
    ok = false;
    return 0;
  }
  return std::int64_t(std::trunc(v));
}

} // namespace

std::string TGIS_LayerGDF::TReader::TRecord::Text(const char* name) const {
  auto it = Values.find(name);
  return it == Values.end() ? std::string() : it->second;
}

std::int64_t TGIS_LayerGDF::TReader::TRecord::Number(const char* name) const {
  Int64 v = 0;
  return TryStrToInt64(Text(name), v) ? v : 0;
}

void TGIS_LayerGDF::TReader::Fail() const {
  throw EGIS_Exception(GIS_RS_ERR_TXTFILESTRUCT, layer_.path_, int(counter_));
}

// ---- framing ---------------------------------------------------------------------------------

void TGIS_LayerGDF::TReader::DetectSeparator() {
  separator_ = 0;
  const std::int64_t at = stream_->GetPosition();
  if (size_ == 0) {
    std::uint8_t b = 0;
    stream_->ReadBuffer(&b, 1); // an empty file ends here with the read error
  }
  if (size_ - at > 82) {
    stream_->Seek(at + kGdfRecordLength, 0);
    std::uint8_t b = 0;
    while (stream_->Read(&b, 1) == 1 && (b == '\r' || b == '\n'))
      ++separator_;
    stream_->Seek(at, 0);
  }
}

void TGIS_LayerGDF::TReader::ReadRecord() {
  if (eof_) return;
  recordStart_ = stream_->GetPosition();
  record_.assign(kGdfRecordLength, ' ');
  const std::int64_t n = std::min<std::int64_t>(kGdfRecordLength, size_ - recordStart_);
  if (n > 0) stream_->ReadBuffer(record_.data(), n);
  const std::int64_t next = std::min<std::int64_t>(size_, recordStart_ + n + separator_);
  stream_->Seek(next, 0);
  ++counter_;
  eof_ = next >= size_;
  if (firstPass_) progress_ = next;
  if (counter_ % 1000 == 0 && layer_.viewer_ != nullptr) {
    bool abort = false;
    layer_.viewer_->BusyShake(&layer_, int(progress_ >> 10), int((2 * size_) >> 10), abort);
  }
}

bool TGIS_LayerGDF::TReader::IsRecordType(const char* code) const {
  return record_.compare(0, 2, code) == 0;
}

bool TGIS_LayerGDF::TReader::IsContinued(const std::string& record) {
  return record.size() >= kGdfRecordLength && record[kGdfRecordLength - 1] == '1';
}

int TGIS_LayerGDF::TReader::FieldWidth(const std::string& name) const {
  auto it = widths_.find(UpperCase(name));
  return it == widths_.end() ? 0 : it->second;
}

// ---- fields ----------------------------------------------------------------------------------

std::string TGIS_LayerGDF::TReader::ReadTextField(int& column, int declared, int defaultWidth) {
  const int w = std::max(0, declared != 0 ? declared : defaultWidth);
  const int c = column;
  // Columns from..79 of the current record (column 80 is the flag).
  auto take = [&](int from, int count) {
    if (from < 1 || from >= kGdfRecordLength || count <= 0) return std::string();
    count = std::min(count, kGdfRecordLength - from);
    return record_.substr(std::size_t(from - 1), std::size_t(count));
  };
  std::string field;
  if (c + w > kGdfRecordLength && IsContinued(record_)) {
    const int firstLength = std::max(0, kGdfRecordLength - c);
    const std::string first = take(c, firstLength);
    if (eof_) Fail(); // the record says it goes on, but the file ends
    ReadRecord();
    if (Trim(first).empty()) {
      field = Trim(take(3, w));
      column = 3 + w;
    } else {
      // The rest of a split field, and the next field right after it.
      const int rest = std::max(0, w - firstLength);
      field = Trim(first + take(3, rest));
      column = 3 + rest;
    }
  } else if (c + w >= kGdfRecordLength) {
    const int cut = std::max(0, kGdfRecordLength - c);
    field = Trim(take(c, cut));
    column = c + cut;
  } else {
    field = Trim(take(c, w));
    column = c + w;
  }
  return field;
}

std::int64_t TGIS_LayerGDF::TReader::ReadNumberField(int& column, int declared,
                                                     int defaultWidth) {
  bool ok = true;
  const std::int64_t v = GdfNumber(ReadTextField(column, declared, defaultWidth), ok);
  if (!ok) Fail();
  return v;
}

// ---- layouts ---------------------------------------------------------------------------------

TGIS_LayerGDF::TReader::TRecord
TGIS_LayerGDF::TReader::ReadLayout(int type, const char* stopAt, bool builtInOnly) {
  const TLayout& layout = GdfLayout(type);
  TRecord r;
  std::size_t groups = 0;
  for (const TItem& item : layout)
    if (!item.Members.empty()) ++groups;
  r.Groups.resize(groups);
  int column = 1;
  // The width declared for the definition's name, else for the layout's.
  auto declared = [&](const TSpec& s, const std::string& name) {
    if (s.Fixed) return 0;
    const int w = FieldWidth(name);
    return w != 0 ? w : FieldWidth(s.Name);
  };
  auto readOne = [&](const TSpec& s, const std::string& name) {
    if (s.Number) return IntToStr(ReadNumberField(column, declared(s, name), s.Width));
    return GisConvertCodePage(ReadTextField(column, declared(s, name), s.Width),
                              layer_.GetCodePage(), layer_.GetOutCodePage());
  };
  auto widthOf = [&](const TSpec& s, const std::string& name) {
    const int d = declared(s, name);
    return d != 0 ? d : s.Width;
  };
  // A count must fit into what is left of the file, an element taking at
  // least one column.
  auto readCount = [&](const TSpec& s, const std::string& name, std::int64_t elementWidth) {
    bool ok = true;
    const std::int64_t n =
        GdfNumber(ReadTextField(column, declared(s, name), s.Width), ok);
    const std::int64_t left = size_ - stream_->GetPosition() + kGdfRecordLength;
    if (!ok || n < 0 || n > left / std::max<std::int64_t>(1, elementWidth)) Fail();
    r.Values[s.Name] = IntToStr(n);
    return n;
  };
  auto it = definitions_.find(type);
  if (builtInOnly || it == definitions_.end()) {
    std::size_t g = 0;
    for (const TItem& item : layout) {
      if (item.Members.empty()) {
        r.Values[item.Field.Name] = readOne(item.Field, item.Field.Name);
        if (stopAt != nullptr && SameText(item.Field.Name, stopAt)) return r;
        continue;
      }
      std::int64_t elementWidth = 0;
      for (const TSpec& m : item.Members)
        elementWidth += widthOf(m, m.Name);
      const std::int64_t n = readCount(item.Field, item.Field.Name, elementWidth);
      auto& elements = r.Groups[g++];
      for (std::int64_t e = 0; e < n; ++e) {
        std::vector<std::string> values;
        for (const TSpec& m : item.Members)
          values.push_back(readOne(m, m.Name));
        elements.push_back(std::move(values));
      }
    }
    return r;
  }

  // The definition's order: known fields into their slots, others skipped.
  const std::vector<std::string>& names = it->second.Fields;
  std::size_t i = 0;
  while (i < names.size()) {
    const std::string name = UpperCase(names[i]);
    std::size_t g = 0;
    const TItem* found = nullptr;
    for (const TItem& item : layout) {
      if (SameText(item.Field.Name, name)) {
        found = &item;
        break;
      }
      if (!item.Members.empty()) ++g;
    }
    ++i;
    if (found == nullptr) {
      ReadTextField(column, FieldWidth(name), 0);
      continue;
    }
    if (found->Members.empty()) {
      r.Values[found->Field.Name] = readOne(found->Field, name);
      if (stopAt != nullptr && SameText(found->Field.Name, stopAt)) return r;
      continue;
    }
    // The names of one element follow the count: each holds a member's name.
    std::vector<int> member;
    std::vector<std::string> memberNames;
    std::int64_t elementWidth = 0;
    while (i < names.size() && member.size() < found->Members.size()) {
      const std::string candidate = UpperCase(names[i]);
      int m = -1;
      for (std::size_t k = 0; k < found->Members.size(); ++k)
        if (candidate.find(found->Members[k].Name) != std::string::npos) {
          m = int(k);
          break;
        }
      if (m < 0) break;
      member.push_back(m);
      memberNames.push_back(candidate);
      elementWidth += widthOf(found->Members[std::size_t(m)], candidate);
      ++i;
    }
    const std::int64_t n = readCount(found->Field, name, elementWidth);
    auto& elements = r.Groups[g];
    for (std::int64_t e = 0; e < n; ++e) {
      std::vector<std::string> values(found->Members.size());
      for (std::size_t k = 0; k < member.size(); ++k)
        values[std::size_t(member[k])] = readOne(found->Members[std::size_t(member[k])], memberNames[k]);
      elements.push_back(std::move(values));
    }
    if (type == 23) break; // the coordinate group stands last
  }
  return r;
}

// ---- definition records ----------------------------------------------------------------------

void TGIS_LayerGDF::TReader::ReadDefinition() {
  const std::string type = record_.substr(0, 2);
  if (type == "03") {
    // A bad width fails the open; everything else here is only dropped.
    int column = 3;
    const std::string name = UpperCase(ReadTextField(column, 0, 10));
    const std::string width = ReadTextField(column, 0, 2);
    Integer w = 0;
    if (width != "*" && (!TryStrToInt(width, w) || w < 0)) Fail();
    if (!name.empty()) widths_.emplace(name, width == "*" ? 0 : int(w));
    return;
  }
  try {
    if (type == "01") {
      int column = 1;
      std::vector<std::string> f;
      const int widths[] = {2, 20, 10, 4, 6, 10, 10, 4, 4, 10};
      const bool numbers[] = {true, false, false, false, false, false, true, true, true, false};
      for (int k = 0; k < 10; ++k) {
        if (numbers[k])
          f.push_back(IntToStr(ReadNumberField(column, 0, widths[k])));
        else
          f.push_back(GisConvertCodePage(ReadTextField(column, 0, widths[k]),
                                         layer_.GetCodePage(), layer_.GetOutCodePage()));
      }
      description_ = f[2] + " " + f[3] + " ( " + f[4] + " " + f[1] + " )";
    } else if (type == "04") {
      int column = 3;
      T_RecDefobj d;
      d.RecordType = ReadNumberField(column, 0, 4);
      d.Name = ReadTextField(column, 0, 10);
      const std::int64_t count = ReadNumberField(column, 0, 2);
      if (count < 0) Fail();
      for (std::int64_t k = 0; k < count; ++k)
        d.Fields.push_back(ReadTextField(column, 0, 10));
      definitions_.emplace(d.RecordType, std::move(d));
    } else if (type == "05") {
      int column = 1;
      const int widths[] = {2, 2, 2, 2, 3, 2, 6, 12, 12, 80};
      T_AttrDefobj a;
      for (int k = 0; k < 10; ++k) {
        std::string v = (k == 0 || k == 5) ? IntToStr(ReadNumberField(column, 0, widths[k]))
                                            : ReadTextField(column, 0, widths[k]);
        if (k == 1) a.Code = v;
        if (k == 9)
          a.Name = GisConvertCodePage(v, layer_.GetCodePage(), layer_.GetOutCodePage());
      }
      attributeDefinitions_.push_back(std::move(a));
    } else if (type == "07") {
      const TRecord r = ReadLayout(7);
      featureClasses_.emplace(r.Number("FEAT_COD"), r.Text("FEAT_NAME"));
    } else if (type == "15") {
      const TRecord r = ReadLayout(15);
      defaults_.emplace(r.Text("ATT_TYPE"), r.Text("DATT_VAL"));
    } else if (type == "18") {
      const TRecord r = ReadLayout(18);
      valueDescriptions_.emplace(r.Text("ATT_TYPE") + r.Text("VALUE"), r.Text("VAL_DESC"));
    }
  } catch (const Exception&) {
    // A definition that cannot be read is dropped.
  }
}
