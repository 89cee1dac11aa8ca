// Published properties and the class registry.
//
// Each class registers its published properties once (name, kind, getter,
// setter, default); they can then be read and written by name, listed sorted
// by name, and tested for "stored" (a property equal to its default is not
// stored). Component classes registered with a factory can be created by
// class name, which is how stored window definitions are read.
//
//   RegisterProperties<TMyControl>()
//       .Integer("Position", &TMyControl::Position, &TMyControl::SetPosition, 0)
//       .Float("Value", &TMyControl::Value, &TMyControl::SetValue, TFloatType::ftExtended)
//       .Boolean("Checked", &TMyControl::Checked, &TMyControl::SetChecked, false);
//   RegisterComponentClass<TMyControl>();
//
//   SetComponentProp(form, "elat.Value", 12.5L);
//   GetComponentProp(form, "Egzoom.Position").AsInteger();
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/forms/Components.h"

SK_DECLARE_EXCEPTION(EPropertyError, Exception)
SK_DECLARE_EXCEPTION(EClassNotFound, Exception)

enum class TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkVariant,
  tkInt64
};
enum class TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

/// A property value: empty, an integer (also enumerations, Booleans and sets
/// as bit masks), a float, a text or an object reference.
class TPropValue {
public:
  TPropValue() = default;
  TPropValue(int v) : v_(std::int64_t(v)) {}
  TPropValue(long v) : v_(std::int64_t(v)) {}
  TPropValue(long long v) : v_(std::int64_t(v)) {}
  TPropValue(unsigned v) : v_(std::int64_t(v)) {}
  TPropValue(bool v) : v_(std::int64_t(v ? 1 : 0)) {}
  TPropValue(double v) : v_(static_cast<long double>(v)) {}
  TPropValue(long double v) : v_(v) {}
  TPropValue(std::string v) : v_(std::move(v)) {}
  TPropValue(const char* v) : v_(std::string(v)) {}
  TPropValue(TPersistent* v) : v_(v) {}

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsInteger() const { return std::holds_alternative<std::int64_t>(v_); }
  bool IsFloat() const { return std::holds_alternative<long double>(v_); }
  bool IsString() const { return std::holds_alternative<std::string>(v_); }
  bool IsObject() const { return std::holds_alternative<TPersistent*>(v_); }

  /// Conversions raise EPropertyError when the value is of another kind
  /// (an integer reads as a float; a float never reads as an integer).
  std::int64_t AsInt64() const;
  int AsInteger() const { return int(AsInt64()); }
  bool AsBoolean() const { return AsInt64() != 0; }
  long double AsFloat() const;
  const std::string& AsString() const;
  TPersistent* AsObject() const;

  friend bool operator==(const TPropValue& a, const TPropValue& b) { return a.v_ == b.v_; }

private:
  std::variant<std::monostate, std::int64_t, long double, std::string, TPersistent*> v_;
};

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = TTypeKind::tkUnknown;
  TFloatType FloatType = TFloatType::ftDouble;
  std::string TypeName;           // "Integer", "Boolean", "Extended", "TAlign", ...
  std::vector<std::string> Names; // enumeration and set element names by ordinal
  std::function<TPropValue(const TPersistent&)> Get;
  std::function<void(TPersistent&, const TPropValue&)> Set; // empty: read-only
  std::optional<TPropValue> Default;                        // none: always stored (ordinals)
  /// Digits a float of this property keeps: single 7, double 15,
  /// extended and comp 18, currency 19.
  int FloatDigits() const;
};

struct TClassInfo {
  std::string Name;
  std::string Parent;
  std::function<TComponent*(TComponent* owner)> Create; // empty: not creatable by name
  std::vector<TPropInfo> Props;
};

/// Registers (or returns) the class entry; a repeated call keeps what exists.
TClassInfo& RegisterClassInfo(const std::string& name, const std::string& parent);
const TClassInfo* FindClassInfo(const std::string& name);
bool ClassInheritsFrom(const std::string& className, const std::string& ancestor);
/// Creates a component of a registered class; EClassNotFound
/// ("Class X not found") when the class is unknown or has no factory.
TComponent* CreateComponentByClassName(const std::string& className, TComponent* owner);

/// The property of that name of the object's class or its ancestors (ignoring
/// case); null when none.
const TPropInfo* GetPropInfo(const TPersistent& object, const std::string& name);
/// All published properties, the nearest declaration winning, sorted by name.
std::vector<const TPropInfo*> GetPropList(const TPersistent& object);

TPropValue GetPropValue(const TPersistent& object, const std::string& name);
void SetPropValue(TPersistent& object, const std::string& name, const TPropValue& value);
/// Text forms: integers and floats in plain digits with '.', enumeration
/// names, sets as "[a,b]", Booleans as "False"/"True", strings as they are.
std::string GetPropText(const TPersistent& object, const std::string& name);
void SetPropText(TPersistent& object, const std::string& name, const std::string& text);
std::string PropValueToText(const TPropInfo& info, const TPropValue& value);
TPropValue PropValueFromText(const TPropInfo& info, const std::string& text);

/// False when the value equals the property's default (it is not stored).
bool IsStoredProp(const TPersistent& object, const TPropInfo& info);

/// "component.property" paths relative to a root component (a form):
/// the first part names an owned component of the root (or, when none has that
/// name, a property of the root itself); further parts walk object properties
/// ("Font.Size").
TPropValue GetComponentProp(const TComponent& root, const std::string& path);
void SetComponentProp(TComponent& root, const std::string& path, const TPropValue& value);
std::string GetComponentPropText(const TComponent& root, const std::string& path);
void SetComponentPropText(TComponent& root, const std::string& path, const std::string& text);

/// Registers the layer's own classes (called by every lookup; idempotent).
void EnsureFormsClassesRegistered();

// ---------------------------------------------------------------------------
// Registration helpers.

namespace forms_detail {
template <class C, class G> TPropValue invokeGet(const G& g, const TPersistent& o) {
  return TPropValue(std::invoke(g, static_cast<const C&>(o)));
}
} // namespace forms_detail

template <class C> class TPropRegistrar {
public:
  explicit TPropRegistrar(TClassInfo& info) : info_(info) {}

  template <class G, class S>
  TPropRegistrar& Integer(const char* name, G get, S set,
                          std::optional<std::int64_t> def = std::nullopt) {
    return add(
        name, TTypeKind::tkInteger, "Integer", {}, ordinalGet(get),
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), int(v.AsInt64()));
        },
        def ? std::optional<TPropValue>(TPropValue((long long)*def)) : std::nullopt);
  }

  template <class G, class S>
  TPropRegistrar& Int64(const char* name, G get, S set, std::int64_t def = 0) {
    return add(
        name, TTypeKind::tkInt64, "Int64", {}, ordinalGet(get),
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), v.AsInt64());
        },
        TPropValue((long long)def));
  }

  template <class G, class S>
  TPropRegistrar& Float(const char* name, G get, S set, TFloatType type, long double def = 0) {
    static const char* names[] = {"Single", "Double", "Extended", "Comp", "Currency"};
    TPropRegistrar& r = add(
        name, TTypeKind::tkFloat, names[int(type)], {},
        [get](const TPersistent& o) {
          return TPropValue(static_cast<long double>(std::invoke(get, static_cast<const C&>(o))));
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), v.AsFloat());
        },
        TPropValue(def));
    info_.Props.back().FloatType = type;
    return r;
  }

  template <class G, class S>
  TPropRegistrar& Boolean(const char* name, G get, S set, std::optional<bool> def = std::nullopt) {
    return add(
        name, TTypeKind::tkEnumeration, "Boolean", {"False", "True"},
        [get](const TPersistent& o) {
          return TPropValue(bool(std::invoke(get, static_cast<const C&>(o))));
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), v.AsBoolean());
        },
        def ? std::optional<TPropValue>(TPropValue(*def)) : std::nullopt);
  }

  template <class G, class S>
  TPropRegistrar& String(const char* name, G get, S set, std::string def = "") {
    return add(
        name, TTypeKind::tkString, "string", {},
        [get](const TPersistent& o) {
          return TPropValue(std::string(std::invoke(get, static_cast<const C&>(o))));
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), v.AsString());
        },
        TPropValue(std::move(def)));
  }

  /// An enumeration property; `names` by ordinal.
  template <class E, class G, class S>
  TPropRegistrar& Enum(const char* name, const char* typeName, G get, S set,
                       std::vector<std::string> names, std::optional<E> def = std::nullopt) {
    return add(
        name, TTypeKind::tkEnumeration, typeName, std::move(names),
        [get](const TPersistent& o) {
          return TPropValue((long long)std::invoke(get, static_cast<const C&>(o)));
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), static_cast<E>(v.AsInt64()));
        },
        def ? std::optional<TPropValue>(TPropValue((long long)*def)) : std::nullopt);
  }

  /// A set property (ordinals 0..31 named by `names`), read as a bit mask.
  template <class E, class G, class S>
  TPropRegistrar& SetOf(const char* name, const char* typeName, G get, S set,
                        std::vector<std::string> names, TSet<E> def = {}) {
    return add(
        name, TTypeKind::tkSet, typeName, std::move(names),
        [get](const TPersistent& o) {
          return TPropValue((long long)TSet<E>(std::invoke(get, static_cast<const C&>(o))).Bits());
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), TSet<E>::FromBits(std::uint64_t(v.AsInt64())));
        },
        TPropValue((long long)def.Bits()));
  }

  /// An object property: a sub-object owned by the instance (Font, Lines) or,
  /// with a setter, a reference to another component.
  template <class G> TPropRegistrar& Object(const char* name, const char* typeName, G get) {
    return add(
        name, TTypeKind::tkClass, typeName, {},
        [get](const TPersistent& o) {
          return TPropValue(static_cast<TPersistent*>(std::invoke(get, static_cast<const C&>(o))));
        },
        nullptr, std::nullopt);
  }
  template <class T, class G, class S> TPropRegistrar& Reference(const char* name, G get, S set) {
    return add(
        name, TTypeKind::tkClass, T::StaticClassName(), {},
        [get](const TPersistent& o) {
          return TPropValue(static_cast<TPersistent*>(std::invoke(get, static_cast<const C&>(o))));
        },
        [set](TPersistent& o, const TPropValue& v) {
          std::invoke(set, static_cast<C&>(o), dynamic_cast<T*>(v.AsObject()));
        },
        TPropValue(static_cast<TPersistent*>(nullptr)));
  }

private:
  template <class G> static std::function<TPropValue(const TPersistent&)> ordinalGet(G get) {
    return [get](const TPersistent& o) {
      return TPropValue((long long)std::invoke(get, static_cast<const C&>(o)));
    };
  }
  TPropRegistrar& add(const char* name, TTypeKind kind, const char* typeName,
                      std::vector<std::string> names,
                      std::function<TPropValue(const TPersistent&)> get,
                      std::function<void(TPersistent&, const TPropValue&)> set,
                      std::optional<TPropValue> def) {
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.TypeName = typeName;
    p.Names = std::move(names);
    p.Get = std::move(get);
    p.Set = std::move(set);
    p.Default = std::move(def);
    for (auto& existing : info_.Props)
      if (existing.Name == p.Name) {
        existing = std::move(p);
        return *this;
      }
    info_.Props.push_back(std::move(p));
    return *this;
  }
  TClassInfo& info_;
};

template <class C> TPropRegistrar<C> RegisterProperties() {
  return TPropRegistrar<C>(
      RegisterClassInfo(C::StaticClassName(), C::inherited::StaticClassName()));
}

/// Makes a component class creatable by name (stored definitions).
template <class C> void RegisterComponentClass() {
  TClassInfo& info = RegisterClassInfo(C::StaticClassName(), C::inherited::StaticClassName());
  info.Create = [](TComponent* owner) -> TComponent* { return new C(owner); };
}
