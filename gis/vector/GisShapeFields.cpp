// TGIS_Shape: attribute values (reading, typed writing, copying between
// layers) and per-shape style sections.
#include <cmath>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsTextVariant(const Variant& v) {
  const TVarType t = v.VarType();
  return t == varString || t == varOleStr || t == varStrArg;
}

/// A virtual field's value, or empty for another name.
Variant VirtualField(const TGIS_Shape& s, const std::string& name) {
  if (SameText(name, "GIS_UID")) return Variant(static_cast<std::int32_t>(s.Uid()));
  if (SameText(name, "GIS_SELECTED")) return Variant(s.IsSelected());
  if (SameText(name, "GIS_AREA")) return Variant(s.GetArea());
  if (SameText(name, "GIS_LENGTH")) return Variant(s.GetLength());
  return Variant();
}

double ToFloat(const Variant& value) {
  try {
    const double d = IsTextVariant(value) ? GisStrToFloat(Trim(VarToStr(value))) : value.AsDouble();
    if (!std::isfinite(d)) throw EGIS_Exception(GIS_RS_ERR_WRONGFLOAT, VarToStr(value));
    return d;
  } catch (const EGIS_Exception&) {
    throw;
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_WRONGFLOAT, VarToStr(value));
  }
}

Variant ToNumber(const Variant& value, int decimals) {
  const double d = ToFloat(value);
  if (decimals != 0) return Variant(d);
  if (value.VarType() == varInt64 || value.VarType() == varInteger ||
      value.VarType() == varSmallint || value.VarType() == varShortInt) {
    const std::int64_t i = value.AsInt64();
    if (i >= -2147483647 && i <= 2147483647) return Variant(static_cast<std::int32_t>(i));
    return Variant(i);
  }
  const double r = std::nearbyint(d); // half to even
  // Beyond Int64 the conversion has no defined result: refuse it.
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw EGIS_Exception(GIS_RS_ERR_WRONGFLOAT, VarToStr(value));
  const auto i = static_cast<std::int64_t>(r);
  if (i >= -2147483647 && i <= 2147483647) return Variant(static_cast<std::int32_t>(i));
  return Variant(i);
}

Variant ToBoolean(const Variant& value) {
  if (IsTextVariant(value)) {
    const std::string text = UpperCase(VarToStr(value));
    if (!text.empty()) {
      const char c = text[0];
      if (c == '0' || c == 'F' || c == 'N') return Variant(false);
      if (c == '1' || c == 'T' || c == 'Y') return Variant(true);
    }
    throw EGIS_Exception(GIS_RS_ERR_WRONGBOOLEAN, VarToStr(value));
  }
  try {
    return Variant(value.AsBoolean());
  } catch (const Exception&) {
    throw EGIS_Exception(GIS_RS_ERR_WRONGBOOLEAN, VarToStr(value));
  }
}

/// "yyyy-mm-dd" with an optional "[T ]hh:nn[:ss]".
bool TryIsoDate(const std::string& text, TDateTime& out) {
  auto digits = [&](std::size_t at, std::size_t n, int& v) {
    if (at + n > text.size()) return false;
    v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      v = v * 10 + (text[i] - '0');
    }
    return true;
  };
  int y, m, d, hh = 0, nn = 0, ss = 0;
  if (!digits(0, 4, y) || text.size() < 10 || text[4] != '-' || !digits(5, 2, m) ||
      text[7] != '-' || !digits(8, 2, d))
    return false;
  if (text.size() > 10) {
    if ((text[10] != ' ' && text[10] != 'T') || !digits(11, 2, hh) || text.size() < 16 ||
        text[13] != ':' || !digits(14, 2, nn))
      return false;
    if (text.size() > 16 && (text.size() != 19 || text[16] != ':' || !digits(17, 2, ss)))
      return false;
  }
  TDateTime date, time;
  if (!TryEncodeDate(Word(y), Word(m), Word(d), date)) return false;
  if (!TryEncodeTime(Word(hh), Word(nn), Word(ss), 0, time)) return false;
  out = ComposeDateTime(date, time);
  return true;
}

Variant ToDate(const Variant& value) {
  if (!IsTextVariant(value)) return value;
  const std::string text = Trim(VarToStr(value));
  TDateTime d = 0;
  if (TryIsoDate(text, d) || TryStrToDateTime(text, d)) return Variant::FromDate(d);
  throw EGIS_Exception(GIS_RS_ERR_WRONGDATE, VarToStr(value));
}

} // namespace

// ---- reading -------------------------------------------------------------------------------

Variant TGIS_Shape::GetFieldEx(const std::string& name) {
  Variant v = VirtualField(*this, name);
  if (!v.IsEmpty() || layer_ == nullptr) return v;
  const int i = layer_->FindFieldIndex(name);
  if (i < 0) return Variant();
  if (values_ != nullptr && i < values_->Count()) {
    Variant own = values_->Get(i);
    if (!own.IsEmpty()) return own;
  }
  const TGIS_FieldInfo* info = layer_->GetFieldInfo(i);
  if (info == nullptr || !info->Stored) return Variant();
  try {
    return layer_->FetchFieldValue(uid_, info->Name);
  } catch (const Exception&) {
    return Variant();
  }
}

Variant TGIS_Shape::GetField(const std::string& name) {
  Variant v = GetFieldEx(name);
  if (!VarIsClear(v) || layer_ == nullptr) return v;
  const int i = layer_->FindFieldIndex(name);
  if (i < 0) return Variant();
  GisDefaultFieldValue(layer_->GetFieldInfo(i)->FieldType, v);
  return v;
}

// ---- writing ---------------------------------------------------------------------------------

void TGIS_Shape::SetField(const std::string& name, const Variant& value) {
  const int i = layer_ == nullptr ? -1 : layer_->FindFieldIndex(name);
  if (i < 0) {
    if (!SameText(name, "GIS_SELECTED")) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, name);
    selected_ = ToBoolean(value).AsBoolean();
    return;
  }
  TGIS_FieldInfo& info = *layer_->GetFieldInfo(i);
  if (info.Hidden || info.ReadOnly) throw EGIS_Exception(GIS_RS_ERR_FIELDREADONLY, name);

  Variant v = value;
  if (v.IsEmpty() || (IsTextVariant(v) && VarToStr(v).empty())) v = Variant::MakeNull();
  if (values_ == nullptr) values_ = std::make_unique<TGIS_VariantList>();
  while (values_->Count() <= i)
    values_->Add(Variant());

  if (!v.IsNull()) {
    switch (info.FieldType) {
    case gisFieldTypeString: {
      const int length = static_cast<int>(VarToStr(v).size()); // bytes of stored text
      if (length > info.NewWidth) info.NewWidth = length;
      break;
    }
    case gisFieldTypeNumber:
      v = ToNumber(v, info.NewDecimal);
      break;
    case gisFieldTypeFloat:
      v = Variant(ToFloat(v));
      break;
    case gisFieldTypeBoolean:
      v = ToBoolean(v);
      break;
    case gisFieldTypeDate:
      v = ToDate(v);
      break;
    default:
      break;
    }
  }
  values_->Put(i, v);
  MarkModified();
}

void TGIS_Shape::CopyFields(TGIS_Shape& source) {
  TGIS_LayerVector* from = source.Layer();
  if (from == nullptr || layer_ == nullptr) return;
  for (int f = 0; f < from->FieldCount(); ++f) {
    const TGIS_FieldInfo* src = from->GetFieldInfo(f);
    if (src->Hidden) continue;
    const int t = layer_->FindFieldIndex(src->NewName);
    if (t < 0) continue;
    TGIS_FieldInfo* target = layer_->GetFieldInfo(t);
    if (target->Hidden) continue;
    // Saves write what the source holds: a Null stays Null.
    Variant value = source.GetFieldEx(src->NewName);
    if (value.IsEmpty()) value = Variant::MakeNull();
    struct TRestore {
      TGIS_FieldInfo* f;
      bool readOnly;
      ~TRestore() { f->ReadOnly = readOnly; }
    } restore{target, target->ReadOnly};
    target->ReadOnly = false;
    SetField(target->NewName, value);
  }
}

// ---- styles ------------------------------------------------------------------------------------

TGIS_ParamsSectionVector& TGIS_Shape::GetParamsSection() {
  if (ownParams_ == nullptr && layer_ == nullptr)
    ownParams_ = std::make_unique<TGIS_ParamsSectionVector>();
  TGIS_ParamsSectionVector& section =
      ownParams_ != nullptr ? *ownParams_ : layer_->GetParamsSection();
  section.SetCurrentShape(this);
  return section;
}

void TGIS_Shape::UseOwnParams(bool on) {
  if (on && ownParams_ == nullptr) {
    auto section = std::make_unique<TGIS_ParamsSectionVector>();
    if (layer_ != nullptr) section->Assign(layer_->GetParamsSection());
    ownParams_ = std::move(section);
    NoteOwnStyle();
    return;
  }
  ownParams_.reset();
}

void TGIS_Shape::AttachParams(std::unique_ptr<TGIS_ParamsSectionVector> section) {
  ownParams_ = std::move(section);
  NoteOwnStyle();
}

void TGIS_Shape::NoteOwnStyle() {
  if (ownParams_ != nullptr && layer_ != nullptr) layer_->ownStyles_ = true;
}
