// The self-drawn combo box: the order in which a press, a click in the list
// and typed characters reach the control, its height and dropped size, and
// the frame's turn after each paint.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/TestInput.h"

namespace {
/// A combo box that logs its notifications, paints and events.
class TLoggedCombo : public TCustomComboBox {
  SK_CLASS(TLoggedCombo, TCustomComboBox)
public:
  explicit TLoggedCombo(TComponent* owner) : TCustomComboBox(owner) {
    OnClick = [this](TPersistent*) { Log.push_back("OnClick"); };
    OnChange = [this](TPersistent*) { Log.push_back("OnChange"); };
    OnDropDown = [this](TPersistent*) { Log.push_back("OnDropDown"); };
    OnCloseUp = [this](TPersistent*) { Log.push_back("OnCloseUp"); };
  }
  std::vector<std::string> Log;

protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == CN_COMMAND) {
      const int code = int(m.WParam >> 16);
      Log.push_back(code == CBN_DROPDOWN    ? "CBN_DROPDOWN"
                    : code == CBN_CLOSEUP   ? "CBN_CLOSEUP"
                    : code == CBN_SELCHANGE ? "CBN_SELCHANGE"
                                            : "CBN_?");
    }
    if (m.Msg == WM_LBUTTONUP) Log.push_back("WM_LBUTTONUP");
    if (m.Msg == WM_PAINT) Log.push_back("WM_PAINT");
    if (m.Msg == WM_NCPAINT) Log.push_back("WM_NCPAINT");
    TCustomComboBox::Dispatch(m);
  }
};

struct TCombo {
  TForm* form = new TForm(nullptr);
  TLoggedCombo* combo = new TLoggedCombo(form);
  TCombo() {
    form->SetBounds(0, 0, 300, 200);
    combo->SetParent(form);
    combo->SetBounds(10, 10, 150, 120);
    for (const char* s : {"apple", "banana", "blueberry", "cherry", "7 up"})
      combo->AddItem(s);
    form->Show();
    PumpEvents();
    combo->Log.clear();
  }
  ~TCombo() { delete form; }
};
} // namespace

TEST(ComboBox, MessageOrder) {
  TCombo c;
  const int h = int(c.combo->Perform(CB_GETITEMHEIGHT, 0, 0));
  struct TRow {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> log;
  } rows[] = {
      {"press on the control",
       [&] { TestInput::Click(c.combo, TMouseButton::mbLeft, 10, 5); },
       {"CBN_DROPDOWN", "OnDropDown", "WM_LBUTTONUP"}},
      {"click in the list",
       [&] { TestInput::Click(c.combo->ListWindow(), TMouseButton::mbLeft, 5, 1 + 2 * h + h / 2); },
       {"CBN_CLOSEUP", "OnCloseUp", "CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"selection written", [&] { c.combo->Perform(CB_SETCURSEL, 0, 0); }, {}},
      {"typed letter",
       [&] { c.combo->Perform(WM_CHAR, 'c', 0); },
       {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"a digit matches too",
       [&] { c.combo->Perform(WM_CHAR, '7', 0); },
       {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"paint",
       [&] {
         c.combo->Invalidate();
         UpdateWindow(c.combo->Handle());
       },
       {"WM_PAINT", "WM_NCPAINT"}},
  };
  const int selected[] = {-1, 2, 0, 3, 4, 4};
  int k = 0;
  for (const TRow& row : rows) {
    c.combo->Log.clear();
    row.act();
    EXPECT_EQ(c.combo->Log, row.log) << row.name;
    EXPECT_EQ(c.combo->ItemIndex(), selected[k++]) << row.name;
  }
  EXPECT_EQ(c.combo->Text(), "7 up");
}

TEST(ComboBox, HeightAndDroppedSize) {
  TCombo c;
  // The control is as high as its selection field's items plus 6; a height
  // given to SetBounds sizes the dropped list.
  EXPECT_EQ(c.combo->Height(), 16 + 6);
  EXPECT_EQ(c.combo->DropDownHeight(), 120);
  c.combo->Perform(CB_SETITEMHEIGHT, WPARAM(-1), 18);
  EXPECT_EQ(c.combo->Height(), 24);
  c.combo->SetBounds(10, 10, 150, 60);
  EXPECT_EQ(c.combo->Height(), 24);
  EXPECT_EQ(c.combo->DropDownHeight(), 60);
  // The width alone leaves the dropped size.
  c.combo->SetWidth(151);
  EXPECT_EQ(c.combo->DropDownHeight(), 60);
  c.combo->Perform(CB_SETDROPPEDWIDTH, 200, 0);
  c.combo->SetDroppedDown(true);
  EXPECT_EQ(c.combo->ListWindow()->Width(), 200);
  EXPECT_EQ(c.combo->Perform(CB_GETDROPPEDSTATE, 0, 0), 1);
  c.combo->SetDroppedDown(false);
  EXPECT_EQ(c.combo->Perform(CB_GETDROPPEDSTATE, 0, 0), 0);
}
