#include "formstate/PropStorage.h"

#include "formstate/FsGuards.h"
#include "formstate/StrUtils.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

void TPersistentStrings::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TPersistentStrings*>(source)) {
    lines_.Assign(other->lines_);
    return;
  }
  TPersistent::Assign(source);
}

// ---- the stored-property list -----------------------------------------------------

bool SplitStoredPropName(const std::string& line, std::string& component, std::string& property) {
  const size_t dot = line.find('.');
  if (dot == std::string::npos) return false;
  component = Trim(line.substr(0, dot));
  property = Trim(line.substr(dot + 1));
  return !component.empty() && !property.empty();
}

std::string RenameStoredProp(const std::string& line, const std::string& newComponent) {
  std::string component, property;
  if (!SplitStoredPropName(line, component, property)) return {};
  return newComponent + "." + property;
}

void SyncStoredProps(TComponent* owner, TStrings& list, bool bind) {
  if (owner == nullptr) return;
  for (int i = list.Count() - 1; i >= 0; --i) {
    std::string component, property;
    const bool splits = SplitStoredPropName(list.Get(i), component, property);
    if (bind && splits) {
      if (TComponent* c = owner->FindComponent(component)) {
        list.PutObject(i, c);
        continue;
      }
    } else if (!bind && splits && list.GetObject(i) != nullptr) {
      auto* c = static_cast<TComponent*>(list.GetObject(i));
      list.Put(i, RenameStoredProp(list.Get(i), c->Name()));
      list.PutObject(i, c);
      continue;
    }
    list.Delete(i);
  }
}

TComponent* FindFormByName(const std::string& name) {
  for (int i = 0; i < Screen()->FormCount(); ++i)
    if (AnsiSameText(Screen()->Forms(i)->Name(), name)) return Screen()->Forms(i);
  return nullptr;
}

const TPropInfo* FindPropInfo(const std::vector<const TPropInfo*>& list, const std::string& name) {
  for (const TPropInfo* info : list)
    if (AnsiSameText(info->Name, name)) return info;
  return nullptr;
}

std::vector<const TPropInfo*> StorablePropList(const TPersistent* object) {
  std::vector<const TPropInfo*> list;
  if (object == nullptr) return list;
  for (const TPropInfo* info : GetPropList(*object))
    if (info->Kind != TTypeKind::tkMethod) list.push_back(info);
  return list;
}

// ---- values as text ------------------------------------------------------------------

namespace {

bool isTextKind(TTypeKind kind) {
  return kind == TTypeKind::tkString || kind == TTypeKind::tkChar || kind == TTypeKind::tkWChar;
}

// General format with the type's digits and '.' as the decimal separator.
std::string floatText(const TPropInfo& info, long double value) {
  TFormatSettings dot = FormatSettings();
  dot.DecimalSeparator = '.';
  return FloatToStrF(static_cast<Extended>(value), ffGeneral, info.FloatDigits(), 0, dot);
}

std::string setText(const TPropInfo& info, std::int64_t bits) {
  std::string text = "[";
  bool first = true;
  for (size_t i = 0; i < info.Names.size() && i < 32; ++i) {
    if (!(std::uint64_t(bits) & (std::uint64_t(1) << i))) continue;
    if (!first) text += ",";
    text += info.Names[i];
    first = false;
  }
  return text + "]";
}

std::int64_t setFromText(const TPropInfo& info, const std::string& text) {
  const TCharSet delimiters{' ', ',', '[', ']'};
  std::int64_t bits = 0;
  for (int n = 1, count = StrWordCount(text, delimiters); n <= count; ++n) {
    const std::string word = StrWordAt(n, text, delimiters);
    for (size_t i = 0; i < info.Names.size() && i < 32; ++i)
      if (AnsiSameText(info.Names[i], word)) bits |= std::int64_t(1) << i;
  }
  return bits;
}

std::string variantText(const TPropValue& v) {
  if (v.IsString()) return v.AsString();
  if (v.IsInteger()) return IntToStr(v.AsInt64());
  if (v.IsFloat()) return FloatToStr(static_cast<Extended>(v.AsFloat()));
  return {};
}

// Blanks and control characters at both ends go.
std::string trimmed(const std::string& text) {
  return Trim(text);
}

std::string flatKey(const std::string& name) {
  return StrRemoveChar(name, '.');
}

} // namespace

std::string TPropsStorage::valueText(const TPropInfo& info) {
  const TPropValue v = info.Get(*AObject);
  switch (info.Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
    return IntToStr(v.AsInt64());
  case TTypeKind::tkChar:
  case TTypeKind::tkWChar:
    return v.IsString() ? v.AsString().substr(0, 1) : std::string(1, char(v.AsInt64()));
  case TTypeKind::tkEnumeration: {
    const std::int64_t ordinal = v.AsInt64();
    return ordinal >= 0 && size_t(ordinal) < info.Names.size() ? info.Names[size_t(ordinal)]
                                                               : IntToStr(ordinal);
  }
  case TTypeKind::tkFloat:
    return floatText(info, v.AsFloat());
  case TTypeKind::tkString:
    return v.AsString();
  case TTypeKind::tkSet:
    return setText(info, v.AsInt64());
  case TTypeKind::tkVariant:
    return variantText(v);
  default:
    return {};
  }
}

void TPropsStorage::setFromText(const TPropInfo& info, const std::string& text) {
  if (!info.Set) return;
  switch (info.Kind) {
  case TTypeKind::tkInteger:
    info.Set(*AObject, TPropValue(StrToIntDef(text, 0)));
    break;
  case TTypeKind::tkInt64:
    info.Set(*AObject, TPropValue((long long)StrToInt64Def(text, 0)));
    break;
  case TTypeKind::tkChar:
  case TTypeKind::tkWChar:
    if (!text.empty()) info.Set(*AObject, TPropValue(int(static_cast<unsigned char>(text[0]))));
    break;
  case TTypeKind::tkEnumeration:
    for (size_t i = 0; i < info.Names.size(); ++i)
      if (AnsiSameText(info.Names[i], text)) {
        info.Set(*AObject, TPropValue((long long)i));
        break;
      }
    break;
  case TTypeKind::tkFloat: {
    Extended value = 0;
    const std::string local =
        StrReplaceAll(text, ".", std::string(1, FormatSettings().DecimalSeparator));
    if (TryStrToFloat(local, value))
      info.Set(*AObject, TPropValue(static_cast<long double>(value)));
    break;
  }
  case TTypeKind::tkString:
    info.Set(*AObject, TPropValue(text));
    break;
  case TTypeKind::tkSet:
    info.Set(*AObject, TPropValue((long long)::setFromText(info, text)));
    break;
  case TTypeKind::tkVariant:
    info.Set(*AObject, TPropValue(text));
    break;
  default:
    break;
  }
}

// ---- storing and loading ------------------------------------------------------------

std::string TPropsStorage::ReadValue(const std::string& section, const std::string& key,
                                     const std::string& def) {
  return OnReadString ? OnReadString(section, key, def) : std::string();
}

void TPropsStorage::WriteValue(const std::string& section, const std::string& key,
                               const std::string& value) {
  if (OnWriteString) OnWriteString(section, key, value);
}

void TPropsStorage::ClearSection(const std::string& section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::KeyFor(const std::string& propName) {
  return Prefix + propName;
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateNested() {
  return std::make_unique<TPropsStorage>();
}

std::unique_ptr<TPropsStorage> TPropsStorage::nestedFor(TPersistent* object,
                                                        const std::string& prefix,
                                                        const std::string& section) {
  std::unique_ptr<TPropsStorage> nested = CreateNested();
  nested->AObject = object;
  nested->Prefix = prefix;
  nested->Section = section;
  nested->OnReadString = OnReadString;
  nested->OnWriteString = OnWriteString;
  nested->OnEraseSection = OnEraseSection;
  return nested;
}

void TPropsStorage::storeAllOf(TPersistent* object, const std::string& prefix,
                               const std::string& section) {
  if (object == nullptr) return;
  std::unique_ptr<TPropsStorage> nested = nestedFor(object, prefix, section);
  for (const TPropInfo* info : StorablePropList(object))
    nested->StoreProperty(info);
}

void TPropsStorage::loadAllOf(TPersistent* object, const std::string& prefix,
                              const std::string& section) {
  if (object == nullptr) return;
  std::unique_ptr<TPropsStorage> nested = nestedFor(object, prefix, section);
  for (const TPropInfo* info : StorablePropList(object))
    nested->LoadProperty(info);
}

void TPropsStorage::StoreProperty(const TPropInfo* info) {
  if (info == nullptr || AObject == nullptr) return;
  std::string text;
  if (info->Kind == TTypeKind::tkClass)
    storeObject(*info);
  else
    text = valueText(*info);
  if (info->Kind == TTypeKind::tkClass) {
    TPersistent* value = info->Get(*AObject).AsObject();
    auto* component = dynamic_cast<TComponent*>(value);
    if (component == nullptr) return;
    text = component->Name();
    if (component->Owner() != nullptr && component->Owner() != OwnerComponent) {
      std::string ownerName = component->Owner()->Name();
      if (ownerName.empty()) {
        ownerName = component->Owner()->ClassName();
        if (!ownerName.empty() && (ownerName[0] == 'T' || ownerName[0] == 't'))
          ownerName.erase(0, 1);
      }
      text = ownerName + "." + text;
    }
  }
  if (text.empty() && !isTextKind(info->Kind)) return;
  WriteValue(Section, flatKey(KeyFor(info->Name)), trimmed(text));
}

void TPropsStorage::storeObject(const TPropInfo& info) {
  TPersistent* value = info.Get(*AObject).AsObject();
  if (dynamic_cast<TComponent*>(value) != nullptr) return; // a reference: written by the caller
  if (auto* strings = dynamic_cast<TPersistentStrings*>(value)) {
    const std::string sub = Format("%s.%s", {Section, KeyFor(info.Name)});
    ClearSection(sub);
    const TStringList& lines = strings->Lines();
    if (lines.Count() > 0) {
      WriteValue(sub, "Count", IntToStr(lines.Count()));
      for (int i = 0; i < lines.Count(); ++i)
        WriteValue(sub, Format("Item%d", {i}), lines.Get(i));
    }
  } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
    const std::string sub = Format("%s.%s", {Section, Prefix + info.Name});
    ClearSection(sub);
    WriteValue(Section, Format("%s.%s", {Prefix + info.Name, "Count"}),
               IntToStr(collection->Count()));
    for (int i = 0; i < collection->Count(); ++i)
      storeAllOf(collection->Items(i), Format("Item%d", {i}) + "_", sub);
  }
  storeAllOf(value, Prefix + info.Name, Section);
}

void TPropsStorage::LoadProperty(const TPropInfo* info) {
  if (info == nullptr || AObject == nullptr) return;
  try {
    const std::string current = info->Kind == TTypeKind::tkClass ? std::string() : valueText(*info);
    std::string text;
    if (!current.empty() || isTextKind(info->Kind) || info->Kind == TTypeKind::tkClass)
      text = trimmed(ReadValue(Section, flatKey(KeyFor(info->Name)), current));
    if (info->Kind == TTypeKind::tkClass)
      loadObject(*info, text);
    else
      setFromText(*info, text);
  } catch (...) {
    // A value that does not convert, or a setter that refuses it, leaves the
    // property as it was; the next property is loaded.
  }
}

void TPropsStorage::loadObject(const TPropInfo& info, const std::string& text) {
  TPersistent* value = info.Get(*AObject).AsObject();
  if (dynamic_cast<TComponent*>(value) != nullptr) {
    if (text.empty() || !info.Set) return;
    if (AnsiSameText(text, "(null)")) {
      info.Set(*AObject, TPropValue(static_cast<TPersistent*>(nullptr)));
      return;
    }
    TComponent* owner = OwnerComponent;
    std::string name = text;
    if (const size_t dot = text.find('.'); dot != std::string::npos) {
      owner = FindFormByName(Trim(text.substr(0, dot)));
      name = Trim(text.substr(dot + 1));
    }
    if (owner != nullptr)
      info.Set(*AObject, TPropValue(static_cast<TPersistent*>(owner->FindComponent(name))));
    return;
  }
  if (auto* strings = dynamic_cast<TPersistentStrings*>(value)) {
    const std::string sub = Format("%s.%s", {Section, KeyFor(info.Name)});
    const int count = StrToIntDef(Trim(ReadValue(sub, "Count", "0")), 0);
    if (count > 0 && count <= kMaxStoredCount) {
      TStringList lines;
      for (int i = 0; i < count; ++i)
        lines.Add(ReadValue(sub, Format("Item%d", {i}), ""));
      strings->Lines().Assign(lines);
    }
  } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
    const std::string sub = Format("%s.%s", {Section, Prefix + info.Name});
    const int current = collection->Count();
    int count = StrToIntDef(
        Trim(ReadValue(Section, Format("%s.%s", {Prefix + info.Name, "Count"}), IntToStr(current))),
        current);
    if (count < 0 || count > kMaxStoredCount) count = current;
    collection->BeginUpdate();
    auto endUpdate = ScopeExit([collection] { collection->EndUpdate(); });
    if (count != current) {
      collection->Clear();
      for (int i = 0; i < count; ++i)
        collection->Add();
    }
    for (int i = 0; i < collection->Count(); ++i)
      loadAllOf(collection->Items(i), Format("Item%d", {i}) + "_", sub);
  }
  loadAllOf(value, Prefix + info.Name, Section);
}

// A sub-object published as flattened names ("Font.Name", "Font.Size"): its
// parts are stored as C_FontName, C_FontSize.
std::vector<const TPropInfo*> TPropsStorage::flattenedParts(const std::string& name) const {
  std::vector<const TPropInfo*> parts;
  for (const TPropInfo* info : StorablePropList(AObject))
    if (info->Name.size() > name.size() + 1 && info->Name[name.size()] == '.' &&
        AnsiSameText(info->Name.substr(0, name.size()), name))
      parts.push_back(info);
  return parts;
}

void TPropsStorage::forEachStored(TComponent* owner, TStrings& list,
                                  const std::function<void(const TPropInfo*)>& action) {
  SyncStoredProps(owner, list, false);
  OwnerComponent = owner;
  auto clearOwner = ScopeExit([this] { OwnerComponent = nullptr; });
  for (int i = 0; i < list.Count(); ++i) {
    std::string component, property;
    if (!SplitStoredPropName(list.Get(i), component, property)) continue;
    auto* target = static_cast<TComponent*>(list.GetObject(i));
    if (target == nullptr) continue;
    AObject = target;
    Prefix = target->Name() + "_";
    if (const TPropInfo* info = FindPropInfo(StorablePropList(target), property))
      action(info);
    else
      for (const TPropInfo* part : flattenedParts(property))
        action(part);
  }
}

void TPropsStorage::StoreProperties(TComponent* owner, TStrings& list) {
  forEachStored(owner, list, [this](const TPropInfo* info) { StoreProperty(info); });
}

void TPropsStorage::LoadProperties(TComponent* owner, TStrings& list) {
  forEachStored(owner, list, [this](const TPropInfo* info) { LoadProperty(info); });
}
