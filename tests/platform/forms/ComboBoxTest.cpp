// The self-drawn combo box: the order in which a press, a click in the list
// and typed characters reach the control, its height and dropped size, and
// the frame's turn after each paint.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>

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

TEST(ComboBox, TheListIsAWindowOfItsOwnThatShowsAndHides) {
  TCombo c;
  c.combo->SetFocus();
  QWidget* list = nullptr;
  TestInput::Click(c.combo, TMouseButton::mbLeft, 10, 5);
  ASSERT_TRUE(c.combo->DroppedDown());
  list = c.combo->ListWindow()->Widget();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isWindow());
  EXPECT_TRUE(list->isVisible());
  // Below the control, on the screen.
  const TPoint below = c.combo->ClientToScreen(TPoint(0, c.combo->Height()));
  EXPECT_EQ(c.combo->ListWindow()->Left(), below.x);
  EXPECT_EQ(c.combo->ListWindow()->Top(), below.y);
  const int h = int(c.combo->Perform(CB_GETITEMHEIGHT, 0, 0));
  TestInput::Click(c.combo->ListWindow(), TMouseButton::mbLeft, 5, 1 + h / 2);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(c.combo->ItemIndex(), 0);
}

TEST(ComboBox, KeysOpenTheListAndChooseItems) {
  TCombo c;
  c.combo->SetFocus();
  const TShiftState alt{TShiftStateItem::ssAlt};
  struct TRow {
    const char* name;
    std::function<void()> act;
    bool dropped;
    int selected;
    std::vector<std::string> log;
  } rows[] = {
      {"F4 opens", [&] { TestInput::KeyDown(c.combo, Word(VK_F1 + 3)); }, true, -1, {"CBN_DROPDOWN", "OnDropDown"}},
      {"Down in the open list chooses",
       [&] { TestInput::KeyDown(c.combo, VK_DOWN); },
       true,
       0,
       {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"Return closes", [&] { TestInput::KeyDown(c.combo, VK_RETURN); }, false, 0, {"CBN_CLOSEUP", "OnCloseUp"}},
      {"Alt+Down opens", [&] { TestInput::KeyDown(c.combo, VK_DOWN, alt); }, true, 0, {"CBN_DROPDOWN", "OnDropDown"}},
      {"Alt+Up closes", [&] { TestInput::KeyDown(c.combo, VK_UP, alt); }, false, 0, {"CBN_CLOSEUP", "OnCloseUp"}},
      {"Down on the closed field chooses",
       [&] { TestInput::KeyDown(c.combo, VK_DOWN); },
       false,
       1,
       {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"End", [&] { TestInput::KeyDown(c.combo, VK_END); }, false, 4, {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"Down at the end changes nothing", [&] { TestInput::KeyDown(c.combo, VK_DOWN); }, false, 4, {}},
      {"Home", [&] { TestInput::KeyDown(c.combo, VK_HOME); }, false, 0, {"CBN_SELCHANGE", "OnClick", "OnChange"}},
      {"Escape on an open list closes it",
       [&] {
         TestInput::KeyDown(c.combo, Word(VK_F1 + 3));
         TestInput::KeyDown(c.combo, VK_ESCAPE);
       },
       false,
       0,
       {"CBN_DROPDOWN", "OnDropDown", "CBN_CLOSEUP", "OnCloseUp"}},
  };
  for (const TRow& row : rows) {
    c.combo->Log.clear();
    row.act();
    std::vector<std::string> log;
    for (const std::string& s : c.combo->Log)
      if (s != "WM_PAINT" && s != "WM_NCPAINT") log.push_back(s);
    EXPECT_EQ(log, row.log) << row.name;
    EXPECT_EQ(c.combo->DroppedDown(), row.dropped) << row.name;
    EXPECT_EQ(c.combo->ItemIndex(), row.selected) << row.name;
  }
}
