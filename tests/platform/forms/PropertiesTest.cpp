#include <gtest/gtest.h>

#include "platform/forms/Forms.h"
#include "platform/forms/Properties.h"

namespace {

enum class TMode { gisSelect, gisDrag, gisZoom };
enum class TOption { opA, opB, opC };

/// A component with published properties of every kind the windows store.
class TValueBox : public TComponent {
  SK_CLASS(TValueBox, TComponent)
public:
  using TComponent::TComponent;
  long double Value() const { return value_; }
  void SetValue(long double v) { value_ = v; }
  int Position() const { return position_; }
  void SetPosition(int v) { position_ = v; }
  bool Checked() const { return checked_; }
  void SetChecked(bool v) { checked_ = v; }
  std::string Text() const { return text_; }
  void SetText(const std::string& v) { text_ = v; }
  TMode Mode() const { return mode_; }
  void SetMode(TMode v) { mode_ = v; }
  TSet<TOption> Options() const { return options_; }
  void SetOptions(TSet<TOption> v) { options_ = v; }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int v) { itemIndex_ = v; }
  TValueBox* Buddy() const { return buddy_; }
  void SetBuddy(TValueBox* b) { buddy_ = b; }

private:
  long double value_ = 0;
  int position_ = 0;
  bool checked_ = false;
  std::string text_;
  TMode mode_ = TMode::gisSelect;
  TSet<TOption> options_{TOption::opA};
  int itemIndex_ = -1;
  TValueBox* buddy_ = nullptr;
};

class TDerivedBox : public TValueBox {
  SK_CLASS(TDerivedBox, TValueBox)
public:
  using TValueBox::TValueBox;
};

void registerBoxes() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterProperties<TValueBox>()
      .Float("Value", &TValueBox::Value, &TValueBox::SetValue, TFloatType::ftExtended)
      .Integer("Position", &TValueBox::Position, &TValueBox::SetPosition, 0)
      .Boolean("Checked", &TValueBox::Checked, &TValueBox::SetChecked, false)
      .String("Text", &TValueBox::Text, &TValueBox::SetText)
      .Enum<TMode>("Mode", "TGIS_ViewerMode", &TValueBox::Mode, &TValueBox::SetMode,
                   {"gisSelect", "gisDrag", "gisZoom"}, TMode::gisSelect)
      .SetOf<TOption>("Options", "TOptions", &TValueBox::Options, &TValueBox::SetOptions,
                      {"opA", "opB", "opC"}, TSet<TOption>{TOption::opA})
      .Integer("ItemIndex", &TValueBox::ItemIndex, &TValueBox::SetItemIndex, -1)
      .Reference<TValueBox>("Buddy", &TValueBox::Buddy, &TValueBox::SetBuddy);
  RegisterProperties<TDerivedBox>().Integer("Position", &TValueBox::Position,
                                            &TValueBox::SetPosition, 5);
  RegisterComponentClass<TValueBox>();
  RegisterComponentClass<TDerivedBox>();
}

class Properties : public ::testing::Test {
protected:
  void SetUp() override { registerBoxes(); }
};

TEST_F(Properties, ReadAndWriteByNameIgnoringCase) {
  TValueBox b(nullptr);
  SetPropValue(b, "value", 19.05L);
  SetPropValue(b, "POSITION", 7);
  SetPropValue(b, "Checked", true);
  SetPropValue(b, "Text", "file.txt");
  EXPECT_EQ(b.Value(), 19.05L);
  EXPECT_EQ(GetPropValue(b, "Position").AsInteger(), 7);
  EXPECT_TRUE(GetPropValue(b, "checked").AsBoolean());
  EXPECT_EQ(GetPropValue(b, "Text").AsString(), "file.txt");
  // Inherited properties of the base classes are there too.
  SetPropValue(b, "Tag", 3);
  EXPECT_EQ(b.Tag(), 3);
  EXPECT_EQ(GetPropInfo(b, "Value")->FloatDigits(), 18);
}

TEST_F(Properties, TextFormsOfEveryKind) {
  struct Row {
    const char* prop;
    const char* text;
    const char* back; // the text read back
  };
  const Row rows[] = {
      {"Value", "19.05", "19.05"},    {"Value", "-0.5", "-0.5"},
      {"Position", "-12", "-12"},     {"Checked", "True", "True"},
      {"Checked", "false", "False"},  {"Mode", "gisDrag", "gisDrag"},
      {"Mode", "GISZOOM", "gisZoom"}, {"Options", "[opB, opC]", "[opB,opC]"},
      {"Options", "[]", "[]"},        {"Text", "a b", "a b"},
  };
  TValueBox b(nullptr);
  for (const Row& r : rows) {
    SetPropText(b, r.prop, r.text);
    EXPECT_EQ(GetPropText(b, r.prop), r.back) << r.prop << " = " << r.text;
  }
  EXPECT_THROW(SetPropText(b, "Mode", "gisFly"), EPropertyError);
  EXPECT_THROW(SetPropText(b, "Position", "12x"), EPropertyError);
  EXPECT_THROW(SetPropText(b, "Value", "1,5"), EPropertyError);
  EXPECT_THROW(SetPropText(b, "Options", "[opD]"), EPropertyError);
  EXPECT_THROW(SetPropValue(b, "Mode", 7), EPropertyError);
  EXPECT_THROW(SetPropValue(b, "Position", "text"), EPropertyError);
  try {
    GetPropValue(b, "Missing");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Property Missing does not exist in TValueBox");
  }
}

TEST_F(Properties, AValueEqualToItsDefaultIsNotStored) {
  TValueBox b(nullptr);
  auto stored = [&](const char* name) { return IsStoredProp(b, *GetPropInfo(b, name)); };
  EXPECT_FALSE(stored("Value")); // floats default to 0
  EXPECT_FALSE(stored("Checked"));
  EXPECT_FALSE(stored("Text")); // strings default to ''
  EXPECT_FALSE(stored("Mode"));
  EXPECT_FALSE(stored("Options"));
  EXPECT_FALSE(stored("ItemIndex"));
  b.SetValue(0.5L);
  b.SetChecked(true);
  b.SetText("N");
  b.SetMode(TMode::gisDrag);
  b.SetOptions({});
  b.SetItemIndex(0);
  for (const char* n : {"Value", "Checked", "Text", "Mode", "Options", "ItemIndex"})
    EXPECT_TRUE(stored(n)) << n;
  // A derived class may declare another default for an inherited property.
  TDerivedBox d(nullptr);
  EXPECT_TRUE(IsStoredProp(d, *GetPropInfo(d, "Position")));
  d.SetPosition(5);
  EXPECT_FALSE(IsStoredProp(d, *GetPropInfo(d, "Position")));
  // Left/Top/Width/Height have no default: always stored.
  TControl c(nullptr);
  EXPECT_TRUE(IsStoredProp(c, *GetPropInfo(c, "Left")));
}

TEST_F(Properties, ListIsSortedByNameAndTheNearestDeclarationWins) {
  TDerivedBox d(nullptr);
  std::vector<std::string> names;
  const TPropInfo* position = nullptr;
  for (const TPropInfo* p : GetPropList(d)) {
    names.push_back(p->Name);
    if (p->Name == "Position") position = p;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Buddy", "Checked", "ItemIndex", "Mode", "Name",
                                             "Options", "Position", "Tag", "Text", "Value"}));
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(position->Default->AsInteger(), 5);
}

TEST_F(Properties, ComponentPropertyPathsOnAWindow) {
  TForm form(nullptr);
  form.SetName("Skorva");
  auto* elat = new TValueBox(&form);
  elat->SetName("elat");
  auto* zoom = new TValueBox(&form);
  zoom->SetName("Egzoom");
  SetComponentProp(form, "elat.Value", 59.25L);
  SetComponentPropText(form, "Egzoom.Position", "14");
  SetComponentPropText(form, "EGZOOM.checked", "True");
  SetComponentProp(form, "Caption", "Map");
  EXPECT_EQ(elat->Value(), 59.25L);
  EXPECT_EQ(GetComponentProp(form, "egzoom.Position").AsInteger(), 14);
  EXPECT_EQ(GetComponentPropText(form, "Egzoom.Checked"), "True");
  EXPECT_EQ(GetComponentPropText(form, "Caption"), "Map");
  // A reference property names the component it points at.
  SetComponentProp(form, "elat.Buddy", static_cast<TPersistent*>(zoom));
  EXPECT_EQ(GetComponentPropText(form, "elat.Buddy"), "Egzoom");
  EXPECT_THROW(GetComponentProp(form, "nothere.Value"), EPropertyError);
  EXPECT_THROW(GetComponentProp(form, "elat..Value"), EPropertyError);
  EXPECT_THROW(SetComponentProp(form, "elat.Position.X", 1), EPropertyError);
}

TEST_F(Properties, ClassesAreCreatedByNameAndKnowTheirAncestors) {
  TComponent owner(nullptr);
  TComponent* c = CreateComponentByClassName("tderivedbox", &owner);
  EXPECT_EQ(c->ClassName(), "TDerivedBox");
  EXPECT_EQ(c->Owner(), &owner);
  EXPECT_TRUE(c->InheritsFrom("TValueBox"));
  EXPECT_TRUE(c->InheritsFrom("TComponent"));
  EXPECT_FALSE(c->InheritsFrom("TControl"));
  EXPECT_THROW(CreateComponentByClassName("TNoSuchThing", &owner), EClassNotFound);
}

} // namespace

namespace {

TEST(ControlFonts, FollowTheParentUntilSetAndAreReachedByDottedNames) {
  TForm form(nullptr);
  auto* panel = new TCustomControl(&form);
  panel->SetName("panelbottom");
  panel->SetParent(&form);
  auto* label = new TCustomControl(&form);
  label->SetName("l1");
  label->SetParent(panel);
  form.Font()->SetName("Arial");
  EXPECT_EQ(panel->Font()->Name(), "Arial");
  EXPECT_EQ(label->Font()->Name(), "Arial");
  EXPECT_TRUE(label->ParentFont());
  SetComponentProp(form, "l1.Font.Height", -13);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(GetComponentPropText(form, "l1.font.height"), "-13");
  form.Font()->SetName("Courier New");
  EXPECT_EQ(panel->Font()->Name(), "Courier New");
  EXPECT_EQ(label->Font()->Name(), "Arial"); // its own font now
  label->SetParentFont(true);
  EXPECT_EQ(label->Font()->Name(), "Courier New");
}

} // namespace
