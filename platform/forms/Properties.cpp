#include "platform/forms/Properties.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>

#include "platform/forms/TextUtil.h"

using forms_detail::LowerName;
using forms_detail::SameName;

// ---------------------------------------------------------------------------
// TPropValue

std::int64_t TPropValue::AsInt64() const {
  if (auto p = std::get_if<std::int64_t>(&v_)) return *p;
  throw EPropertyError("Invalid property value: not an ordinal");
}

long double TPropValue::AsFloat() const {
  if (auto p = std::get_if<long double>(&v_)) return *p;
  if (auto p = std::get_if<std::int64_t>(&v_)) return static_cast<long double>(*p);
  throw EPropertyError("Invalid property value: not a number");
}

const std::string& TPropValue::AsString() const {
  if (auto p = std::get_if<std::string>(&v_)) return *p;
  throw EPropertyError("Invalid property value: not a text");
}

TPersistent* TPropValue::AsObject() const {
  if (auto p = std::get_if<TPersistent*>(&v_)) return *p;
  if (IsEmpty()) return nullptr;
  throw EPropertyError("Invalid property value: not an object");
}

int TPropInfo::FloatDigits() const {
  switch (FloatType) {
  case TFloatType::ftSingle:
    return 7;
  case TFloatType::ftDouble:
    return 15;
  case TFloatType::ftExtended:
  case TFloatType::ftComp:
    return 18;
  case TFloatType::ftCurr:
    return 19;
  }
  return 15;
}

// ---------------------------------------------------------------------------
// Class registry

namespace {

std::map<std::string, std::unique_ptr<TClassInfo>>& classes() {
  static std::map<std::string, std::unique_ptr<TClassInfo>> map;
  return map;
}

TClassInfo* findRaw(const std::string& name) {
  auto& map = classes();
  auto it = map.find(LowerName(name));
  return it == map.end() ? nullptr : it->second.get();
}

} // namespace

TClassInfo& RegisterClassInfo(const std::string& name, const std::string& parent) {
  auto& slot = classes()[LowerName(name)];
  if (!slot) {
    slot = std::make_unique<TClassInfo>();
    slot->Name = name;
    slot->Parent = parent;
  }
  return *slot;
}

const TClassInfo* FindClassInfo(const std::string& name) {
  EnsureFormsClassesRegistered();
  return findRaw(name);
}

bool ClassInheritsFrom(const std::string& className, const std::string& ancestor) {
  EnsureFormsClassesRegistered();
  std::string current = className;
  for (int guard = 0; guard < 64 && !current.empty(); ++guard) {
    if (SameName(current, ancestor)) return true;
    const TClassInfo* info = findRaw(current);
    if (info == nullptr) return false;
    current = info->Parent;
  }
  return false;
}

TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner) {
  const TClassInfo* info = FindClassInfo(className);
  if (info == nullptr || !info->Create) throw EClassNotFound("Class " + className + " not found");
  return info->Create(owner);
}

const TPropInfo* GetPropInfo(const TPersistent& object, const std::string& name) {
  EnsureFormsClassesRegistered();
  std::string current = object.ClassName();
  for (int guard = 0; guard < 64 && !current.empty(); ++guard) {
    const TClassInfo* info = findRaw(current);
    if (info == nullptr) return nullptr;
    for (const TPropInfo& p : info->Props)
      if (SameName(p.Name, name)) return &p;
    current = info->Parent;
  }
  return nullptr;
}

std::vector<const TPropInfo*> GetPropList(const TPersistent& object) {
  EnsureFormsClassesRegistered();
  std::vector<const TPropInfo*> list;
  std::string current = object.ClassName();
  for (int guard = 0; guard < 64 && !current.empty(); ++guard) {
    const TClassInfo* info = findRaw(current);
    if (info == nullptr) break;
    for (const TPropInfo& p : info->Props) {
      bool hidden = std::any_of(list.begin(), list.end(),
                                [&](const TPropInfo* q) { return SameName(q->Name, p.Name); });
      if (!hidden) list.push_back(&p);
    }
    current = info->Parent;
  }
  std::sort(list.begin(), list.end(), [](const TPropInfo* a, const TPropInfo* b) {
    return LowerName(a->Name) < LowerName(b->Name);
  });
  return list;
}

// ---------------------------------------------------------------------------
// Reading and writing by name

namespace {

const TPropInfo& requireProp(const TPersistent& object, const std::string& name) {
  const TPropInfo* p = GetPropInfo(object, name);
  if (p == nullptr)
    throw EPropertyError("Property " + name + " does not exist in " + object.ClassName());
  return *p;
}

std::string floatText(long double v, int digits) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  std::string s(buf, r.ptr);
  return s;
}

TPropValue checkedValue(const TPropInfo& info, const TPropValue& value) {
  switch (info.Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
  case TTypeKind::tkChar:
  case TTypeKind::tkWChar:
  case TTypeKind::tkSet:
    return TPropValue((long long)value.AsInt64());
  case TTypeKind::tkEnumeration: {
    std::int64_t v = value.AsInt64();
    if (!info.Names.empty() && (v < 0 || v >= std::int64_t(info.Names.size())))
      throw EPropertyError("Invalid property value");
    return TPropValue((long long)v);
  }
  case TTypeKind::tkFloat:
    return TPropValue(value.AsFloat());
  case TTypeKind::tkString:
    return TPropValue(value.AsString());
  case TTypeKind::tkClass:
    return TPropValue(value.AsObject());
  default:
    return value;
  }
}

} // namespace

TPropValue GetPropValue(const TPersistent& object, const std::string& name) {
  return requireProp(object, name).Get(object);
}

void SetPropValue(TPersistent& object, const std::string& name, const TPropValue& value) {
  const TPropInfo& p = requireProp(object, name);
  if (!p.Set) throw EPropertyError("Property " + p.Name + " is read-only");
  p.Set(object, checkedValue(p, value));
}

std::string PropValueToText(const TPropInfo& info, const TPropValue& value) {
  switch (info.Kind) {
  case TTypeKind::tkEnumeration: {
    std::int64_t v = value.AsInt64();
    if (v >= 0 && v < std::int64_t(info.Names.size())) return info.Names[size_t(v)];
    return forms_detail::IntText(v);
  }
  case TTypeKind::tkSet: {
    std::uint64_t bits = std::uint64_t(value.AsInt64());
    std::string s = "[";
    bool first = true;
    for (size_t i = 0; i < info.Names.size() && i < 64; ++i)
      if (bits & (std::uint64_t(1) << i)) {
        if (!first) s += ',';
        s += info.Names[i];
        first = false;
      }
    return s + "]";
  }
  case TTypeKind::tkFloat:
    return floatText(value.AsFloat(), info.FloatDigits());
  case TTypeKind::tkString:
    return value.AsString();
  case TTypeKind::tkClass: {
    auto* c = dynamic_cast<TComponent*>(value.AsObject());
    return c ? c->Name() : std::string();
  }
  default:
    return forms_detail::IntText(value.AsInt64());
  }
}

TPropValue PropValueFromText(const TPropInfo& info, const std::string& text) {
  auto bad = [&]() {
    return EPropertyError("Invalid property value '" + text + "' for " + info.Name);
  };
  switch (info.Kind) {
  case TTypeKind::tkEnumeration:
    for (size_t i = 0; i < info.Names.size(); ++i)
      if (SameName(info.Names[i], text)) return TPropValue((long long)i);
    throw bad();
  case TTypeKind::tkSet: {
    std::string body = text;
    if (body.size() < 2 || body.front() != '[' || body.back() != ']') throw bad();
    body = body.substr(1, body.size() - 2);
    std::uint64_t bits = 0;
    size_t start = 0;
    while (start <= body.size()) {
      size_t comma = body.find(',', start);
      std::string item =
          body.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      while (!item.empty() && item.front() == ' ')
        item.erase(item.begin());
      while (!item.empty() && item.back() == ' ')
        item.pop_back();
      if (!item.empty()) {
        size_t i = 0;
        while (i < info.Names.size() && !SameName(info.Names[i], item))
          ++i;
        if (i == info.Names.size()) throw bad();
        bits |= std::uint64_t(1) << i;
      }
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    return TPropValue((long long)bits);
  }
  case TTypeKind::tkFloat: {
    long double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw bad();
    return TPropValue(v);
  }
  case TTypeKind::tkString:
    return TPropValue(text);
  case TTypeKind::tkClass:
    throw EPropertyError("Property " + info.Name + " is an object reference");
  default: {
    long long v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw bad();
    return TPropValue(v);
  }
  }
}

std::string GetPropText(const TPersistent& object, const std::string& name) {
  const TPropInfo& p = requireProp(object, name);
  return PropValueToText(p, p.Get(object));
}

void SetPropText(TPersistent& object, const std::string& name, const std::string& text) {
  const TPropInfo& p = requireProp(object, name);
  SetPropValue(object, p.Name, PropValueFromText(p, text));
}

bool IsStoredProp(const TPersistent& object, const TPropInfo& info) {
  if (!info.Default) return true;
  TPropValue v = info.Get(object);
  if (info.Kind == TTypeKind::tkFloat) return v.AsFloat() != info.Default->AsFloat();
  return !(v == *info.Default);
}

// ---------------------------------------------------------------------------
// "component.property" paths

namespace {

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  for (auto& p : parts)
    if (p.empty()) throw EPropertyError("Invalid property path '" + path + "'");
  return parts;
}

/// Resolves every part but the last to the object that holds the property.
std::pair<TPersistent*, std::string> resolve(const TComponent& root, const std::string& path) {
  std::vector<std::string> parts = splitPath(path);
  TPersistent* object = const_cast<TComponent*>(&root);
  size_t i = 0;
  if (parts.size() > 1) {
    if (TComponent* c = root.FindComponent(parts[0])) {
      object = c;
      i = 1;
    }
  }
  for (; i + 1 < parts.size(); ++i) {
    // A property may itself carry a dotted name ("Font.Size").
    std::string rest = parts[i];
    for (size_t j = i + 1; j < parts.size(); ++j)
      rest += "." + parts[j];
    if (GetPropInfo(*object, rest) != nullptr) return {object, rest};
    const TPropInfo& p = requireProp(*object, parts[i]);
    if (p.Kind != TTypeKind::tkClass)
      throw EPropertyError("Property " + p.Name + " has no properties of its own");
    TPersistent* next = p.Get(*object).AsObject();
    if (next == nullptr) throw EPropertyError("Property " + p.Name + " is not assigned");
    object = next;
  }
  return {object, parts.back()};
}

} // namespace

TPropValue GetComponentProp(const TComponent& root, const std::string& path) {
  auto [object, name] = resolve(root, path);
  return GetPropValue(*object, name);
}

void SetComponentProp(TComponent& root, const std::string& path, const TPropValue& value) {
  auto [object, name] = resolve(root, path);
  SetPropValue(*object, name, value);
}

std::string GetComponentPropText(const TComponent& root, const std::string& path) {
  auto [object, name] = resolve(root, path);
  return GetPropText(*object, name);
}

void SetComponentPropText(TComponent& root, const std::string& path, const std::string& text) {
  auto [object, name] = resolve(root, path);
  SetPropText(*object, name, text);
}
