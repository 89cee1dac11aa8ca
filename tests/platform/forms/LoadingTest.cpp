#include <gtest/gtest.h>

#include "platform/forms/Loading.h"
#include "platform/forms/Menus.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

std::vector<std::string> gSteps;

/// A control that records its setters (with the loading state) and its
/// loaded step.
class TStepControl : public TCustomControl {
  SK_CLASS(TStepControl, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  long double MinValue() const { return min_; }
  void SetMinValue(long double v) {
    gSteps.push_back(Name() + ".MinValue" + (IsLoading() ? " (loading)" : ""));
    min_ = v;
  }
  long double Value() const { return value_; }
  void SetValue(long double v) {
    gSteps.push_back(Name() + ".Value" + (IsLoading() ? " (loading)" : ""));
    value_ = v < min_ ? min_ : v;
  }
  void Loaded() override {
    TCustomControl::Loaded();
    gSteps.push_back(Name() + ".Loaded" + (IsLoading() ? " (still loading)" : ""));
  }

protected:
  void Resize() override {
    gSteps.push_back(Name() + ".Resize");
    TCustomControl::Resize();
  }

private:
  long double min_ = 0, value_ = 0;
};

class TStepForm : public TForm {
  SK_CLASS(TStepForm, TForm)
public:
  using TForm::TForm;
  void Loaded() override {
    TForm::Loaded();
    gSteps.push_back(Name() + ".Loaded");
  }
};

void registerSteps() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterProperties<TStepControl>()
      .Float("MinValue", &TStepControl::MinValue, &TStepControl::SetMinValue,
             TFloatType::ftExtended)
      .Float("Value", &TStepControl::Value, &TStepControl::SetValue, TFloatType::ftExtended);
  RegisterComponentClass<TStepControl>();
  RegisterProperties<TStepForm>();
  RegisterComponentClass<TStepForm>();
}

class Loading : public ::testing::Test {
protected:
  void SetUp() override {
    registerSteps();
    gSteps.clear();
  }
};

TEST_F(Loading, SettersInStoredOrderThenLoadedInCreationOrderThenOnCreate) {
  TStepForm form(nullptr);
  form.OnCreate = [](TPersistent*) { gSteps.push_back("OnCreate"); };
  TDefinitionLoader l(&form);
  form.SetName("F");
  auto* a = l.Add<TStepControl>("a", &form);
  l.SetText(a, "MinValue", "10");
  l.SetText(a, "Value", "12.5");
  l.SetText(a, "Width", "50"); // no OnResize while loading
  auto* b = l.Add<TStepControl>("b", &form);
  l.Set(b, "Value", 1.0L);
  EXPECT_EQ(a->Parent(), &form);
  EXPECT_TRUE(form.IsLoading());
  l.Finish();
  EXPECT_EQ(gSteps, (std::vector<std::string>{"a.MinValue (loading)", "a.Value (loading)",
                                              "b.Value (loading)", "F.Loaded", "a.Loaded",
                                              "b.Loaded", "OnCreate"}));
  EXPECT_EQ(a->Value(), 12.5L); // MinValue came first, so 12.5 was kept
  EXPECT_FALSE(a->IsLoading());
  EXPECT_FALSE(form.IsLoading());
  // After loading a resize reaches OnResize.
  gSteps.clear();
  a->SetWidth(60);
  EXPECT_EQ(gSteps, (std::vector<std::string>{"a.Resize"}));
}

TEST_F(Loading, TextDefinitionWithNestingStringsSetsEnumsAndReferences) {
  const char* text = R"(object MapForm: TStepForm
  Caption = 'Map '#39'A'#39 +
    ' window'
  ClientWidth = 300
  ClientHeight = 200
  Tag = 7
  object Panel1: TCustomControl
    Align = alBottom
    Height = 27
    object gis: TStepControl
      MinValue = -5
      Value = 19.05
      Align = alClient
      PopupMenu = p
    end
  end
  object Cltstanje: TClientDataSet
    Active = True
  end
  object p: TPopupMenu
    AutoPopup = False
    object Item1: TMenuItem
      Caption = '&Copy'
    end
  end
end
)";
  TStepForm form(nullptr);
  bool created = false;
  form.OnCreate = [&](TPersistent*) { created = true; };
  ReadDefinition(&form, text);
  EXPECT_TRUE(created);
  EXPECT_EQ(form.Name(), "MapForm");
  EXPECT_EQ(form.Caption(), "Map 'A' window");
  EXPECT_EQ(form.ClientWidth(), 300);
  EXPECT_EQ(form.Tag(), 7);
  auto* panel = dynamic_cast<TCustomControl*>(form.FindComponent("Panel1"));
  auto* gis = dynamic_cast<TStepControl*>(form.FindComponent("gis"));
  auto* p = dynamic_cast<TPopupMenu*>(form.FindComponent("p"));
  ASSERT_TRUE(panel && gis && p);
  EXPECT_EQ(gis->Parent(), panel);
  EXPECT_EQ(gis->Owner(), &form);
  EXPECT_EQ(gis->PopupMenu(), p); // resolved although p came later
  EXPECT_FALSE(p->AutoPopup());
  EXPECT_EQ(GetComponentPropText(form, "Cltstanje.Active"), "True");
  ASSERT_EQ(p->Items()->Count(), 1);
  EXPECT_EQ(p->Items()->Items(0)->Caption(), "&Copy");
  // Alignment: the panel sits at the bottom, the viewer fills it.
  EXPECT_EQ(panel->Top(), 200 - 27);
  EXPECT_EQ(panel->Width(), 300);
  EXPECT_EQ(gis->Width(), panel->ClientWidth());
  EXPECT_EQ(gis->Value(), 19.05L);
  // Loaded ran once per component, the form first.
  std::vector<std::string> loaded;
  for (auto& s : gSteps)
    if (s.find("Loaded") != std::string::npos) loaded.push_back(s);
  EXPECT_EQ(loaded, (std::vector<std::string>{"MapForm.Loaded", "gis.Loaded"}));
}

TEST_F(Loading, ErrorsNameTheLine) {
  struct Row {
    const char* text;
    const char* message;
  };
  const Row rows[] = {
      {"object F: TStepForm\n  Nope = 1\nend\n", "line 2: Property Nope does not exist"},
      {"object F: TStepForm\n  object x: TUnknownThing\n  end\nend\n",
       "line 2: Class TUnknownThing not found"},
      {"object F: TStepForm\n  Tag = 'x\nend\n", "line 2:"},
      {"object F: TStepForm\n  Tag 1\nend\n", "line 2: '=' expected"},
      {"object F: TStepForm\n  Tag = 1\n", "unexpected end"},
      {"object F: TStepForm\n  Caption = <\n  item\n  end>\nend\n", "line 2: unsupported value"},
      {"object F: TStepForm\n  Caption = (\n  'a'\nend\n", "')' expected"},
      {"object !:d\nend\n", "line 1: "},
      {"object F: TStepForm\n  object a: TStepControl\n  end\n  object A: TStepControl\n"
       "  end\nend\n",
       "line 4: "},
      {"object F: TStepForm\n  object a: TStepControl\n    Value = 3\n"
       "    PopupMenu = nowhere\n  end\nend\n",
       "line 4: Invalid property value: nowhere not found"},
      {"object F: TStepForm\n  object a: TStepControl\n    object b: TStepControl\n"
       "      Value = x\n    end\n  end\nend\n",
       "line 4: "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    TStepForm form(nullptr);
    try {
      ReadDefinition(&form, r.text);
      ADD_FAILURE() << "accepted";
    } catch (const EReadError& e) {
      EXPECT_NE(e.Message().find(r.message), std::string::npos) << e.Message();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not a read error: " << e.what();
    }
    // Nothing stays half-loaded, and the form can read a good definition.
    EXPECT_EQ(form.ComponentCount(), 0);
    EXPECT_FALSE(form.IsLoading());
    EXPECT_EQ(form.Name(), "");
    gSteps.clear();
    ReadDefinition(&form, "object G: TStepForm\n  object a: TStepControl\n  end\nend\n");
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(gSteps, (std::vector<std::string>{"G.Loaded", "a.Loaded"}));
  }
}

} // namespace
