// TGIS_LayerVector: attribute field definitions, field numbers and virtual
// fields, the name caches, export names.
#include <algorithm>

#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

int VirtualFieldNumber(const std::string& name) {
  if (SameText(name, "GIS_UID")) return GIS_FIELD_ID_UID;
  if (SameText(name, "GIS_SELECTED")) return GIS_FIELD_ID_SELECTED;
  if (SameText(name, "GIS_AREA")) return GIS_FIELD_ID_AREA;
  if (SameText(name, "GIS_LENGTH")) return GIS_FIELD_ID_LENGTH;
  return -1;
}

/// The code points of a UTF-8 text (an invalid byte counts as one).
std::vector<char32_t> CodePoints(const std::string& s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = 0;
    const std::size_t n = Utf8DecodeAt(s, i, c);
    out.push_back(n == 0 ? static_cast<unsigned char>(s[i]) : c);
    i += n == 0 ? 1 : n;
  }
  return out;
}

bool IsLetter(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

/// Steps 2 and 3 of an export name: cut, trimmed, "FIELD" for nothing, only
/// letters, digits and '_'.
std::string ExportCandidate(const std::string& name, int c) {
  std::vector<char32_t> cps = CodePoints(name);
  if (static_cast<int>(cps.size()) > c) cps.resize(static_cast<std::size_t>(c));
  while (!cps.empty() && cps.front() <= ' ')
    cps.erase(cps.begin());
  while (!cps.empty() && cps.back() <= ' ')
    cps.pop_back();
  if (cps.empty()) return "FIELD";
  std::string out;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    const char32_t ch = cps[i];
    if (i == 0)
      out += IsLetter(ch) ? static_cast<char>(ch) : 'F';
    else
      out += IsLetter(ch) || (ch >= '0' && ch <= '9') ? static_cast<char>(ch) : '_';
  }
  return out;
}

} // namespace

// ---- name caches
// ------------------------------------------------------------------------------------

void TGIS_LayerVector::FreeNameCaches() {
  nameCache_.reset();
  storedNameCache_.reset();
  if (query_ != nullptr) query_->ResetFieldCache();
}

int TGIS_LayerVector::FindInCache(const std::string& name, bool stored) {
  auto& cache = stored ? storedNameCache_ : nameCache_;
  if (fields_.empty()) {
    cache.reset();
    return -1;
  }
  if (cache == nullptr) {
    cache = std::make_unique<TNameCache>();
    for (int i = 0; i < FieldCount(); ++i)
      cache->Entries.emplace_back(UpperCase(stored ? fields_[i]->Name : fields_[i]->NewName), i);
    std::stable_sort(cache->Entries.begin(), cache->Entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  const int p = cache->Last;
  const int count = FieldCount();
  if (p > 0 && p < count - 2) {
    const std::string& next = stored ? fields_[p + 1]->Name : fields_[p + 1]->NewName;
    if (next == name) return cache->Last = p + 1;
  }
  const std::string key = UpperCase(name);
  auto it = std::lower_bound(cache->Entries.begin(), cache->Entries.end(), key,
                             [](const auto& e, const std::string& k) { return e.first < k; });
  cache->Last = it != cache->Entries.end() && it->first == key ? it->second : -1;
  return cache->Last;
}

int TGIS_LayerVector::FindFieldIndex(const std::string& name) {
  return FindInCache(name, false);
}

int TGIS_LayerVector::FindFieldIndexByStoredName(const std::string& name) {
  return FindInCache(name, true);
}

int TGIS_LayerVector::FindFieldByStoredName(const std::string& name) {
  return FindFieldIndexByStoredName(name);
}

int TGIS_LayerVector::FindField(const std::string& name) {
  const int v = VirtualFieldNumber(name);
  if (v >= 0) return v;
  const int stored = FindFieldByStoredName(name);
  return stored >= 0 ? stored : FindFieldIndex(name);
}

TGIS_FieldInfo* TGIS_LayerVector::GetFieldInfo(int index) {
  if (index < 0 || index >= FieldCount()) return nullptr;
  return fields_[index].get();
}

// ---- values
// ------------------------------------------------------------------------------------------

Variant TGIS_LayerVector::FetchFieldValue(std::int32_t, const std::string&) {
  return Variant();
}

Variant TGIS_LayerVector::ReadFieldValue(TGIS_Shape*, int) {
  return Variant();
}

Variant TGIS_LayerVector::GetFieldValue(TGIS_ShapeAbstract* abstractShape, int number) {
  auto* shape = dynamic_cast<TGIS_Shape*>(abstractShape);
  if (number < 0 || shape == nullptr) return Variant();
  switch (number) {
  case GIS_FIELD_ID_UID:
    return Variant(static_cast<std::int32_t>(shape->Uid()));
  case GIS_FIELD_ID_SELECTED:
    return Variant(shape->IsSelected());
  case GIS_FIELD_ID_AREA:
    return Variant(shape->GetArea());
  case GIS_FIELD_ID_LENGTH:
    return Variant(shape->GetLength());
  default:
    break;
  }
  const TGIS_VariantList* values = shape->Values();
  if (values != nullptr && number < values->Count()) {
    Variant v = values->Get(number);
    if (!v.IsEmpty()) return v;
  }
  if (number >= FieldCount()) return Variant();
  try {
    return ReadFieldValue(shape, number);
  } catch (const Exception&) {
    return Variant();
  }
}

Variant TGIS_LayerVector::ShapeFieldValue(TGIS_ShapeAbstract* shape, const std::string& name) {
  auto* s = dynamic_cast<TGIS_Shape*>(shape);
  return s == nullptr ? Variant() : s->GetFieldEx(name);
}

// ---- definitions
// ---------------------------------------------------------------------------------------

void TGIS_LayerVector::AddField(const std::string& name, std::uint8_t type, int width,
                                int decimals) {
  AddFieldEx(name, type, width, decimals, false, 0);
  modified_ = true;
}

void TGIS_LayerVector::AddFieldEx(const std::string& name, std::uint8_t type, int width,
                                  int decimals, bool stored, int binaryWidth) {
  if (FindFieldIndex(name) >= 0) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, name);
  auto f = std::make_unique<TGIS_FieldInfo>();
  f->Stored = stored;
  f->FieldType = type;
  f->Name = f->NewName = name;
  f->Width = f->NewWidth = width;
  f->Decimal = f->NewDecimal = decimals;
  f->BinaryWidth = binaryWidth;
  fields_.push_back(std::move(f));
  FreeNameCaches();
}

void TGIS_LayerVector::ChangeField(const std::string& name, const std::string& newName, int width,
                                   int decimals) {
  const int i = FindFieldIndex(name);
  if (i < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, name);
  const bool rename = !SameText(name, newName);
  if (rename && FindFieldIndex(newName) >= 0) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, newName);
  TGIS_FieldInfo& f = *fields_[i];
  if (rename) {
    f.NewName = newName;
    modified_ = true;
  }
  if (width != f.NewWidth) {
    f.NewWidth = width;
    modified_ = true;
  }
  if (decimals != f.NewDecimal) {
    f.NewDecimal = decimals;
    modified_ = true;
  }
  FreeNameCaches();
}

void TGIS_LayerVector::DeleteField(const std::string& name) {
  const int i = FindFieldIndex(name);
  if (i < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, name);
  fields_[i]->Deleted = true;
  modified_ = true;
}

void TGIS_LayerVector::ClearFields() {
  fields_.clear();
  FreeNameCaches();
}

void TGIS_LayerVector::PrepareExportNames(int maxLength, bool all) {
  const int limit = maxLength > 4 ? maxLength : 4;
  auto clashes = [&](int i, const std::string& candidate) {
    for (int j = 0; j < FieldCount(); ++j)
      if (j != i && SameText(fields_[j]->ExportName, candidate)) return true;
    return false;
  };
  for (int i = 0; i < FieldCount(); ++i) {
    TGIS_FieldInfo& f = *fields_[i];
    if (!all && f.Stored && f.Name == f.NewName) {
      // A kept stored field writes its own name: a table column must never
      // be written without one.
      f.ExportName = f.NewName;
      continue;
    }
    const int c = std::min(static_cast<int>(CodePoints(f.NewName).size()) + 2, limit);
    std::string candidate = ExportCandidate(f.NewName, c);
    for (int n = 1; clashes(i, candidate) && n <= 0xFFF; ++n) {
      const int keep = std::max(0, n <= 254 ? c - 2 : c - 3);
      candidate =
          candidate.substr(0, static_cast<std::size_t>(keep)) + IntToHex(n, n <= 254 ? 2 : 3);
    }
    if (f.ExportName != candidate) {
      f.ExportName = candidate;
      modified_ = true;
    }
  }
}
