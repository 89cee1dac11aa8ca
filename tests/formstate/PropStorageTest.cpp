// Published-property storage: every kind stored and loaded through
// callbacks over an in-memory section map, lenient reading, failures, the
// count cap and list maintenance.
#include <gtest/gtest.h>
#include <map>

#include "formstate/PropStorage.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

enum class TColorKind { ckRed, ckGreen, ckBlue };

class TKindItem : public TCollectionItem {
  SK_CLASS(TKindItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  int Size() const { return size_; }
  void SetSize(int v) { size_ = v; }

private:
  std::string caption_;
  int size_ = 0;
};

class TKinds : public TGraphicControl {
  SK_CLASS(TKinds, TGraphicControl)
public:
  explicit TKinds(TComponent* owner)
      : TGraphicControl(owner), items_([](TCollection* c) { return new TKindItem(c); }) {}
  int I = 0;
  std::int64_t I64 = 0;
  char Ch = 'a';
  TColorKind Kind = TColorKind::ckRed;
  long double S = 0, D = 0, E = 0, C = 0;
  std::string Str;
  std::uint64_t Bits = 0;
  TPropValue Var;
  TPersistentStrings Lines;
  TComponent* Ref = nullptr;
  bool FailOnSet = false, FailOnGet = false;
  TCollection* Items() const { return const_cast<TCollection*>(&items_); }

private:
  TCollection items_;
};

void registerKinds() {
  RegisterProperties<TKindItem>()
      .String("Caption", &TKindItem::Caption, &TKindItem::SetCaption)
      .Integer("Size", &TKindItem::Size, &TKindItem::SetSize);
  auto r = RegisterProperties<TKinds>();
  r.Integer(
       "I",
       [](const TKinds& k) {
         if (k.FailOnGet) throw EConvertError("no value");
         return k.I;
       },
       [](TKinds& k, int v) {
         if (k.FailOnSet) throw EConvertError("refused");
         k.I = v;
       })
      .Int64(
          "I64", [](const TKinds& k) { return k.I64; },
          [](TKinds& k, std::int64_t v) { k.I64 = v; })
      .Enum<TColorKind>(
          "Kind", "TColorKind", [](const TKinds& k) { return k.Kind; },
          [](TKinds& k, TColorKind v) { k.Kind = v; }, {"ckRed", "ckGreen", "ckBlue"})
      .Float(
          "S", [](const TKinds& k) { return k.S; }, [](TKinds& k, long double v) { k.S = v; },
          TFloatType::ftSingle)
      .Float(
          "D", [](const TKinds& k) { return k.D; }, [](TKinds& k, long double v) { k.D = v; },
          TFloatType::ftDouble)
      .Float(
          "E", [](const TKinds& k) { return k.E; }, [](TKinds& k, long double v) { k.E = v; },
          TFloatType::ftExtended)
      .Float(
          "C", [](const TKinds& k) { return k.C; }, [](TKinds& k, long double v) { k.C = v; },
          TFloatType::ftCurr)
      .String(
          "Str", [](const TKinds& k) { return k.Str; },
          [](TKinds& k, const std::string& v) { k.Str = v; })
      .Object("Lines", "TPersistentStrings",
              [](const TKinds& k) { return const_cast<TPersistentStrings*>(&k.Lines); })
      .Object("Items", "TCollection", &TKinds::Items)
      .Reference<TComponent>(
          "Ref", [](const TKinds& k) { return k.Ref; },
          [](TKinds& k, TComponent* c) { k.Ref = c; });
  TClassInfo& info = RegisterClassInfo("TKinds", "TGraphicControl");
  TPropInfo set;
  set.Name = "Bits";
  set.Kind = TTypeKind::tkSet;
  set.Names = {"fpState", "fpPosition", "fpActiveControl"};
  set.Get = [](const TPersistent& o) {
    return TPropValue((long long)static_cast<const TKinds&>(o).Bits);
  };
  set.Set = [](TPersistent& o, const TPropValue& v) {
    static_cast<TKinds&>(o).Bits = std::uint64_t(v.AsInt64());
  };
  TPropInfo ch;
  ch.Name = "Ch";
  ch.Kind = TTypeKind::tkChar;
  ch.Get = [](const TPersistent& o) { return TPropValue(int(static_cast<const TKinds&>(o).Ch)); };
  ch.Set = [](TPersistent& o, const TPropValue& v) {
    static_cast<TKinds&>(o).Ch = char(v.AsInt64());
  };
  TPropInfo var;
  var.Name = "Var";
  var.Kind = TTypeKind::tkVariant;
  var.Get = [](const TPersistent& o) { return static_cast<const TKinds&>(o).Var; };
  var.Set = [](TPersistent& o, const TPropValue& v) { static_cast<TKinds&>(o).Var = v; };
  for (TPropInfo* p : {&set, &ch, &var}) {
    bool found = false;
    for (auto& existing : info.Props)
      if (existing.Name == p->Name) found = true;
    if (!found) info.Props.push_back(*p);
  }
}

// An in-memory store: section -> key -> value.
struct TMemoryStore {
  std::map<std::string, std::map<std::string, std::string>> sections;
  TPropsStorage Storage(const std::string& section) {
    TPropsStorage s;
    s.Section = section;
    s.OnReadString = [this](const std::string& sec, const std::string& key,
                            const std::string& def) {
      auto it = sections.find(sec);
      if (it == sections.end() || !it->second.count(key)) return def;
      return it->second[key];
    };
    s.OnWriteString = [this](const std::string& sec, const std::string& key, const std::string& v) {
      sections[sec][key] = v;
    };
    s.OnEraseSection = [this](const std::string& sec) { sections.erase(sec); };
    return s;
  }
};

class TKindsForm : public TForm {
  SK_CLASS(TKindsForm, TForm)
public:
  explicit TKindsForm(TComponent* owner) : TForm(owner) {
    registerKinds();
    SetName("KindsForm");
    kinds = new TKinds(this);
    kinds->SetName("k");
    other = new TComponent(this);
    other->SetName("Other");
  }
  TKinds* kinds;
  TComponent* other;
};

void fill(TStringList& l, std::initializer_list<const char*> lines) {
  for (const char* s : lines)
    l.Add(s);
}

} // namespace

TEST(PropStorage, EveryKindStoresAndLoads) {
  TTestEnvironment env;
  std::unique_ptr<TKindsForm, TFormFree> form(new TKindsForm(nullptr));
  TKinds& k = *form->kinds;
  k.I = -42;
  k.I64 = 9000000000LL;
  k.Ch = 'Z';
  k.Kind = TColorKind::ckBlue;
  k.S = 0.1L;
  k.D = 0.1L;
  k.E = 46.12346L;
  k.C = 12.3456L;
  k.Str = "  padded text  ";
  k.Bits = 0b101;
  k.Var = TPropValue(std::string("var text"));
  k.Lines.Lines().Add("first");
  k.Lines.Lines().Add("second");
  for (int i = 0; i < 3; ++i) {
    auto* item = static_cast<TKindItem*>(k.Items()->Add());
    item->SetCaption("item" + IntToStr(i));
    item->SetSize(i * 10);
  }
  k.Ref = form->other;
  k.Font()->SetSize(13);

  TStringList list;
  fill(list,
       {"k.I", "k.I64", "k.Ch", "k.Kind", "k.S", "k.D", "k.E", "k.C", "k.Str", "k.Bits", "k.Var",
        "k.Lines", "k.Items", "k.Ref", "k.Font", "missing.I", "k.Nothing", "no dot"});
  SyncStoredProps(form.get(), list, true);
  EXPECT_EQ(list.Count(), 16); // the missing component and the line without a dot go
  TMemoryStore store;
  TPropsStorage s = store.Storage("Sec");
  s.StoreProperties(form.get(), list);
  auto& sec = store.sections["Sec"];
  const std::map<std::string, std::string> expected = {{"k_I", "-42"},
                                                       {"k_I64", "9000000000"},
                                                       {"k_Ch", "Z"},
                                                       {"k_Kind", "ckBlue"},
                                                       {"k_S", "0.1"},
                                                       {"k_D", "0.1"},
                                                       {"k_E", "46.12346"},
                                                       {"k_C", "12.3456"},
                                                       {"k_Str", "padded text"},
                                                       {"k_Bits", "[fpState,fpActiveControl]"},
                                                       {"k_Var", "var text"},
                                                       {"k_Items.Count", "3"},
                                                       {"k_Ref", "Other"}};
  for (auto& [key, value] : expected)
    EXPECT_EQ(sec[key], value) << key;
  EXPECT_EQ(sec["k_FontSize"], "13");
  EXPECT_EQ(store.sections["Sec.k_Lines"],
            (std::map<std::string, std::string>{
                {"Count", "2"}, {"Item0", "first"}, {"Item1", "second"}}));
  EXPECT_EQ(store.sections["Sec.k_Items"]["Item2_Caption"], "item2");
  EXPECT_EQ(store.sections["Sec.k_Items"]["Item1_Size"], "10");

  // Everything back into changed values; a collection of 5 is rebuilt with 3.
  k.I = 0;
  k.I64 = 0;
  k.Ch = 'a';
  k.Kind = TColorKind::ckRed;
  k.S = k.D = k.E = k.C = 0;
  k.Str.clear();
  k.Bits = 0;
  k.Var = TPropValue(std::string("x"));
  k.Lines.Lines().Clear();
  k.Items()->Clear();
  for (int i = 0; i < 5; ++i)
    k.Items()->Add();
  k.Ref = nullptr;
  k.Font()->SetSize(8);
  TPropsStorage l = store.Storage("Sec");
  l.LoadProperties(form.get(), list);
  EXPECT_EQ(k.I, -42);
  EXPECT_EQ(k.I64, 9000000000LL);
  EXPECT_EQ(k.Ch, 'Z');
  EXPECT_EQ(k.Kind, TColorKind::ckBlue);
  EXPECT_NEAR(double(k.S), 0.1, 1e-15);
  EXPECT_NEAR(double(k.E), 46.12346, 1e-15);
  EXPECT_EQ(k.Str, "padded text");
  EXPECT_EQ(k.Bits, 0b101u);
  EXPECT_EQ(k.Var.AsString(), "var text");
  EXPECT_EQ(k.Lines.Lines().Count(), 2);
  EXPECT_EQ(k.Items()->Count(), 3);
  EXPECT_EQ(static_cast<TKindItem*>(k.Items()->Items(2))->Caption(), "item2");
  EXPECT_EQ(k.Ref, nullptr); // a reference that is none now is not read
  EXPECT_EQ(k.Font()->Size(), 13);
  // With "." as the separator in the file whatever the locale.
  EXPECT_EQ(sec["k_E"], "46.12346") << "comma locale: " << CommaLocale();
}

TEST(PropStorage, LenientReadingAndFailures) {
  TTestEnvironment env;
  std::unique_ptr<TKindsForm, TFormFree> form(new TKindsForm(nullptr));
  TKinds& k = *form->kinds;
  k.Ref = form->kinds;
  TMemoryStore store;
  auto& sec = store.sections["S"];
  sec = {{"k_Kind", "ckgreen"},
         {"k_Bits", "[ fpPosition , unknown,fpActiveControl ]"},
         {"k_I", "12x"},
         {"k_E", "1e5000"},
         {"k_Ch", ""},
         {"k_Ref", "(NULL)"},
         {"k_Items.Count", "2000000000"}};
  k.E = 3;
  k.Items()->Add();
  TStringList list;
  fill(list, {"k . Kind", "k.Bits", "k.I", "k.E", "k.Ch", "k.Ref", "k.Items"});
  SyncStoredProps(form.get(), list, true);
  TPropsStorage s = store.Storage("S");
  s.LoadProperties(form.get(), list);
  EXPECT_EQ(k.Kind, TColorKind::ckGreen); // names ignore case, blanks around the dot go
  EXPECT_EQ(k.Bits, 0b110u);              // unknown members are ignored
  EXPECT_EQ(k.I, 0);                      // a bad integer reads as 0
  EXPECT_EQ(k.E, 3.0L);                   // a bad float leaves the value
  EXPECT_EQ(k.Ch, 'a');                   // an empty character leaves it
  EXPECT_EQ(k.Ref, nullptr);              // "(null)" clears the reference
  EXPECT_EQ(k.Items()->Count(), 1);       // an unbelievable count is not believed

  sec["k_Kind"] = "yes";
  sec["k_Ref"] = "KindsForm.Other";
  k.Ref = form->kinds;
  s.LoadProperties(form.get(), list);
  EXPECT_EQ(k.Kind, TColorKind::ckGreen);
  EXPECT_EQ(k.Ref, form->other); // the owner found among the screen's forms
  sec["k_Ref"] = "NoSuchForm.Other";
  k.Ref = form->kinds;
  s.LoadProperties(form.get(), list);
  EXPECT_EQ(k.Ref, form->kinds); // no such owner: unchanged
  sec["k_Ref"] = "Other";
  k.Ref = form->kinds;
  s.LoadProperties(form.get(), list);
  EXPECT_EQ(k.Ref, form->other);

  // A setter that fails leaves the property; the next one still loads.
  k.FailOnSet = true;
  sec["k_I"] = "5";
  sec["k_E"] = "7.5";
  s.LoadProperties(form.get(), list);
  EXPECT_EQ(k.I, 0);
  EXPECT_EQ(k.E, 7.5L);
  // A getter that fails while storing reaches the caller.
  k.FailOnGet = true;
  EXPECT_THROW(s.StoreProperties(form.get(), list), EConvertError);
}

TEST(PropStorage, ListMaintenance) {
  std::unique_ptr<TKindsForm, TFormFree> form(new TKindsForm(nullptr));
  std::string component, property;
  EXPECT_TRUE(SplitStoredPropName(" elat . Value ", component, property));
  EXPECT_EQ(component, "elat");
  EXPECT_EQ(property, "Value");
  EXPECT_FALSE(SplitStoredPropName(".Value", component, property));
  EXPECT_FALSE(SplitStoredPropName("elat.", component, property));
  EXPECT_EQ(RenameStoredProp("elat.Value", "lat"), "lat.Value");
  EXPECT_EQ(RenameStoredProp("nodot", "lat"), "");

  TStringList list;
  fill(list, {"k.I", "Other.Tag", "gone.I"});
  SyncStoredProps(form.get(), list, true);
  ASSERT_EQ(list.Count(), 2);
  form->kinds->SetName("renamed");
  SyncStoredProps(form.get(), list, false);
  EXPECT_EQ(list.Get(0), "renamed.I");
  EXPECT_EQ(list.Get(1), "Other.Tag");
  TStringList plain;
  fill(plain, {"k.I"}); // never bound: dropped
  SyncStoredProps(form.get(), plain, false);
  EXPECT_EQ(plain.Count(), 0);
}
