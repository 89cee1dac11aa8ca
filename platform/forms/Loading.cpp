#include "platform/forms/Loading.h"

#include "platform/rtl/ScopeGuard.h"
#include <charconv>

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/TextUtil.h"

using forms_detail::IntText;
using forms_detail::SameName;

namespace {

[[noreturn]] void fail(int line, const std::string& what) {
  throw EReadError("Error reading definition, line " + IntText(line) + ": " + what);
}

} // namespace

// ---------------------------------------------------------------------------
// TDefinitionLoader

TDefinitionLoader::TDefinitionLoader(TComponent* root) : root_(root) {
  root_->BeginLoading();
  loaded_.push_back(root_);
}

void TDefinitionLoader::adopt(TComponent* c, const std::string& name, TComponent* parent) {
  c->BeginLoading();
  loaded_.push_back(c);
  c->SetName(name);
  if (parent == nullptr) return;
  if (auto* control = dynamic_cast<TControl*>(c)) {
    if (auto* w = dynamic_cast<TWinControl*>(parent)) control->SetParent(w);
  } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
      menu->Items()->Add(item);
    else if (auto* parentItem = dynamic_cast<TMenuItem*>(parent))
      parentItem->Add(item);
  }
}

TComponent* TDefinitionLoader::AddByClass(const std::string& className, const std::string& name,
                                          TComponent* parent) {
  TComponent* c = CreateComponentByClassName(className, root_);
  adopt(c, name, parent);
  return c;
}

void TDefinitionLoader::Set(TComponent* component, const std::string& property,
                            const TPropValue& value) {
  SetComponentProp(*component, property, value);
}

void TDefinitionLoader::SetText(TComponent* component, const std::string& property,
                                const std::string& text) {
  SetComponentPropText(*component, property, text);
}

void TDefinitionLoader::SetReference(TComponent* component, const std::string& property,
                                     const std::string& componentName, int line) {
  fixups_.push_back({component, property, componentName, line});
}

void TDefinitionLoader::Finish() {
  if (finished_) return;
  finished_ = true;
  ResolveReferences();
  for (TComponent* c : loaded_)
    c->Loaded();
  if (auto* form = dynamic_cast<TForm*>(root_)) form->DoCreate();
}

void TDefinitionLoader::ResolveReferences() {
  for (const TFixup& f : fixups_)
    resolve(f);
  fixups_.clear();
}

void TDefinitionLoader::resolve(const TFixup& f) {
  TComponent* target = SameName(f.target, root_->Name()) ? root_ : root_->FindComponent(f.target);
  try {
    if (target == nullptr && !SameName(f.target, "nil"))
      throw EReadError("Invalid property value: " + f.target + " not found");
    SetComponentProp(*f.component, f.property, TPropValue(static_cast<TPersistent*>(target)));
  } catch (const Exception& e) {
    if (f.line == 0) throw;
    fail(f.line, e.Message());
  }
}

void TDefinitionLoader::Abandon() {
  if (finished_) return;
  finished_ = true;
  fixups_.clear();
  // Last first: children before their parents. A component already freed
  // with another one (its parent control) is no longer owned by the root.
  for (size_t i = loaded_.size(); i-- > 1;) {
    TComponent* c = loaded_[i];
    bool owned = false;
    for (int k = 0; k < root_->ComponentCount() && !owned; ++k)
      owned = root_->Components(k) == c;
    if (owned) delete c;
  }
  loaded_.resize(1);
  root_->EndLoading();
}

// ---------------------------------------------------------------------------
// The text form

namespace {

struct TLine {
  int number;
  std::string text;
};

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r'))
    ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r'))
    --b;
  return s.substr(a, b - a);
}

void appendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

/// 'text'#13'more' + 'next': the string pieces of a value.
bool parseString(const std::string& v, std::string& out) {
  size_t i = 0;
  bool any = false;
  out.clear();
  while (i < v.size()) {
    char c = v[i];
    if (c == ' ' || c == '+') {
      ++i;
      continue;
    }
    if (c == '\'') {
      ++i;
      for (;;) {
        if (i >= v.size()) return false;
        if (v[i] == '\'') {
          if (i + 1 < v.size() && v[i + 1] == '\'') {
            out += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        out += v[i++];
      }
      any = true;
    } else if (c == '#') {
      ++i;
      size_t start = i;
      while (i < v.size() && v[i] >= '0' && v[i] <= '9')
        ++i;
      unsigned code = 0;
      auto r = std::from_chars(v.data() + start, v.data() + i, code);
      if (r.ec != std::errc() || start == i) return false;
      appendUtf8(out, code);
      any = true;
    } else {
      return false;
    }
  }
  return any;
}

class TReader {
public:
  TReader(TComponent* root, std::vector<TLine> lines) : loader_(root), lines_(std::move(lines)) {}

  void Read() {
    size_t i = 0;
    TLine first = next(i);
    std::string name, cls;
    if (!parseObjectLine(first, name, cls)) fail(first.number, "'object' expected");
    TComponent* root = loader_.Root();
    std::string oldName = root->Name();
    // A read that fails leaves nothing half-loaded.
    auto abandon = ScopeExit([&] {
      loader_.Abandon();
      if (root->Name() != oldName) root->SetName(oldName);
    });
    if (oldName.empty() && !name.empty()) setRootName(first.number, name);
    readBody(i, root);
    if (i < lines_.size()) fail(lines_[i].number, "text after the end of the definition");
    loader_.ResolveReferences();
    abandon.Dismiss();
    loader_.Finish();
  }

private:
  void setRootName(int lineNo, const std::string& name) {
    try {
      loader_.Root()->SetName(name);
    } catch (const Exception& e) {
      fail(lineNo, e.Message());
    }
  }

  TLine next(size_t& i) {
    if (i >= lines_.size()) fail(lines_.empty() ? 1 : lines_.back().number, "unexpected end");
    return lines_[i++];
  }

  static bool parseObjectLine(const TLine& line, std::string& name, std::string& cls) {
    const std::string& t = line.text;
    size_t sp = t.find(' ');
    if (sp == std::string::npos) return false;
    std::string keyword = t.substr(0, sp);
    if (!SameName(keyword, "object") && !SameName(keyword, "inherited") &&
        !SameName(keyword, "inline"))
      return false;
    std::string rest = trim(t.substr(sp + 1));
    size_t colon = rest.find(':');
    if (colon == std::string::npos) {
      name.clear();
      cls = rest;
    } else {
      name = trim(rest.substr(0, colon));
      cls = trim(rest.substr(colon + 1));
    }
    return !cls.empty();
  }

  void readBody(size_t& i, TComponent* object) {
    for (;;) {
      TLine line = next(i);
      if (SameName(line.text, "end")) return;
      std::string name, cls;
      if (parseObjectLine(line, name, cls)) {
        TComponent* child = nullptr;
        try {
          child = loader_.AddByClass(cls, name, object);
        } catch (const Exception& e) {
          fail(line.number, e.Message());
        }
        readBody(i, child);
        continue;
      }
      size_t eq = line.text.find('=');
      if (eq == std::string::npos) fail(line.number, "'=' expected");
      std::string prop = trim(line.text.substr(0, eq));
      std::string value = trim(line.text.substr(eq + 1));
      // A value continued on the next lines ends its line with '+'.
      while (!value.empty() && value.back() == '+' && i < lines_.size())
        value += " " + lines_[i++].text;
      // A list of strings "( 'a' 'b' )" becomes one text of CR LF lines.
      if (!value.empty() && value[0] == '(') value = readList(i, line.number, value.substr(1));
      setProperty(line.number, object, prop, value);
    }
  }

  std::string readList(size_t& i, int lineNo, std::string rest) {
    std::vector<std::string> items;
    std::string pending;
    for (;;) {
      rest = trim(rest);
      bool last = !rest.empty() && rest.back() == ')';
      if (last) rest = trim(rest.substr(0, rest.size() - 1));
      if (!rest.empty()) {
        pending += pending.empty() ? rest : " " + rest;
        if (pending.back() != '+') {
          items.push_back(pending);
          pending.clear();
        }
      }
      if (last) break;
      if (i >= lines_.size()) fail(lineNo, "')' expected");
      rest = lines_[i++].text;
    }
    if (!pending.empty()) items.push_back(pending);
    if (items.empty()) return "''";
    std::string joined;
    // Every item ends with a line break, so an empty last item stays a line.
    for (size_t k = 0; k < items.size(); ++k)
      joined += (k ? " + " : "") + items[k] + " + #13#10";
    return joined;
  }

  void setProperty(int lineNo, TComponent* object, const std::string& prop,
                   const std::string& value) {
    try {
      // Find the property's kind through its path.
      TPersistent* holder = object;
      std::string last = prop;
      size_t dot;
      while (GetPropInfo(*holder, last) == nullptr && (dot = last.find('.')) != std::string::npos) {
        TPropValue v = GetPropValue(*holder, last.substr(0, dot));
        holder = v.AsObject();
        if (holder == nullptr) fail(lineNo, "property " + prop + " is not assigned");
        last = last.substr(dot + 1);
      }
      const TPropInfo* info = GetPropInfo(*holder, last);
      if (info == nullptr) fail(lineNo, "Property " + prop + " does not exist");
      if (value.empty()) fail(lineNo, "value expected");
      char c0 = value[0];
      if (c0 == '<' || c0 == '{') fail(lineNo, "unsupported value for " + prop);
      if (info->Kind == TTypeKind::tkClass) {
        loader_.SetReference(object, prop, value, lineNo);
        return;
      }
      if (c0 == '\'' || c0 == '#') {
        std::string s;
        if (!parseString(value, s)) fail(lineNo, "invalid string");
        if (info->Kind == TTypeKind::tkString)
          loader_.Set(object, prop, TPropValue(s));
        else
          loader_.SetText(object, prop, s);
        return;
      }
      loader_.SetText(object, prop, value);
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      fail(lineNo, e.Message());
    }
  }

  TDefinitionLoader loader_;
  std::vector<TLine> lines_;
};

} // namespace

void ReadDefinition(TComponent* root, const std::string& text) {
  std::vector<TLine> lines;
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string raw = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    ++number;
    std::string t = trim(raw);
    if (!t.empty()) lines.push_back({number, t});
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  TReader(root, std::move(lines)).Read();
}
