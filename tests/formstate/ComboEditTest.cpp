// The combo edit and the folder edit: button width and holder, direct input
// and read-only, the click key, Enter as a dialog key, the browse button
// through the folder chooser, drops, and the path texts.
#include <gtest/gtest.h>

#include "formstate/ComboEdits.h"
#include "formstate/EditGlyphs.h"
#include "formstate/FileUtil.h"
#include "platform/forms/DropFiles.h"
#include "platform/forms/Shell.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Files.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

class TFFolders : public TForm {
  SK_CLASS(TFFolders, TForm)
public:
  explicit TFFolders(TComponent* owner) : TForm(owner) {
    SetBounds(0, 0, 400, 200);
    eloc = new TDirectoryEdit(this);
    eloc->SetName("eloc");
    eloc->SetParent(this);
    eloc->SetBounds(10, 10, 200, 21);
    eloc->SetDialogKind(TDirDialogKind::dkWin32);
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY) dialogKeys.push_back(int(m.WParam));
    TForm::Dispatch(m);
  }
  TDirectoryEdit* eloc;
  std::vector<int> dialogKeys;
};

std::unique_ptr<TFFolders, TFormFree> makeForm() {
  return std::unique_ptr<TFFolders, TFormFree>(new TFFolders(nullptr));
}

struct TChooserLog {
  std::vector<std::pair<std::string, std::string>> asked; // caption, start
  std::string answer;
  TChooserLog() {
    SetFolderChooser([this](const std::string& caption, const std::string& start) {
      asked.emplace_back(caption, start);
      return answer;
    });
  }
  ~TChooserLog() { SetFolderChooser(nullptr); }
};

} // namespace

TEST(ComboEdit, ButtonWidthHolderAndGlyph) {
  auto form = makeForm();
  TDirectoryEdit* e = form->eloc;
  EXPECT_EQ(e->ButtonWidth(), 21); // the 14-pixel folder glyph + 6, at least 21
  EXPECT_EQ(e->GlyphKind(), TGlyphKind::gkDefault);
  EXPECT_EQ(e->Glyph()->Width(), 14);
  EXPECT_EQ(e->Glyph()->Height(), 12);
  EXPECT_EQ(e->NumGlyphs(), 1);
  EXPECT_TRUE(e->ButtonHolder()->Visible());
  for (int w : {0, 1}) {
    e->SetButtonWidth(w);
    EXPECT_FALSE(e->ButtonHolder()->Visible()) << w;
  }
  e->SetButtonWidth(30);
  EXPECT_TRUE(e->ButtonHolder()->Visible());
  EXPECT_EQ(e->ButtonWidth(), 30);
  e->SetButtonWidth(e->ClientWidth()); // not below the client width: ignored
  EXPECT_EQ(e->ButtonWidth(), 30);

  e->SetButtonWidth(21);
  e->SetGlyphKind(TGlyphKind::gkEllipsis);
  EXPECT_EQ(e->Glyph()->Width(), 15);
  EXPECT_EQ(e->Glyph()->Height(), 4);
  // Dots at x 1, 6 and 11 (gap 3, offset 1), rows 1 and 2.
  std::string row;
  for (int x = 0; x < 15; ++x)
    row += ColorToRGB(e->Glyph()->Canvas()->Pixels(x, 1)) == 0 ? '#' : '.';
  EXPECT_EQ(row, ".##...##...##..");
  e->SetGlyphKind(TGlyphKind::gkDropDown);
  EXPECT_EQ(e->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GT(e->MinimumHeight(), 10);
}

TEST(ComboEdit, DirectInputReadOnlyAndKeys) {
  TTestEnvironment env;
  auto form = makeForm();
  TDirectoryEdit* e = form->eloc;
  int clicks = 0;
  e->OnButtonClick = [&](TPersistent*) { ++clicks; };
  TChooserLog chooser;
  struct Row {
    bool direct, readOnly;
    bool typed, clicked;
  };
  for (const Row& r : std::vector<Row>{{true, false, true, true},
                                       {false, false, false, true},
                                       {true, true, false, false},
                                       {false, true, false, false}}) {
    e->SetDirectInput(r.direct);
    e->SetReadOnly(r.readOnly);
    e->TEdit::SetText("");
    e->Perform(WM_CHAR, 'x', 0);
    EXPECT_EQ(e->Text() == "x", r.typed) << r.direct << r.readOnly;
    clicks = 0;
    TestInput::KeyDown(e, VK_DOWN, TShiftState{TShiftStateItem::ssAlt});
    EXPECT_EQ(clicks, r.clicked ? 1 : 0) << r.direct << r.readOnly;
    e->SetText("set by code");
    EXPECT_EQ(e->Text(), "set by code");
  }
  e->SetDirectInput(true);
  e->SetReadOnly(false);
  // Without a button the click key does nothing.
  e->SetButtonWidth(0);
  clicks = 0;
  TestInput::KeyDown(e, VK_DOWN, TShiftState{TShiftStateItem::ssAlt});
  EXPECT_EQ(clicks, 0);
  // Enter goes to the form as a dialog key and is consumed.
  e->TEdit::SetText("a");
  e->SetSelStart(1);
  e->Perform(WM_CHAR, '\r', 0);
  EXPECT_EQ(form->dialogKeys, std::vector<int>{13});
  EXPECT_EQ(e->Text(), "a");
}

TEST(ComboEdit, BrowseButtonGoesThroughTheFolderChooser) {
  TTestEnvironment env;
  TTempFolder tmp;
  CreateDir(tmp / "a");
  CreateDir(tmp / "b");
  auto form = makeForm();
  TDirectoryEdit* e = form->eloc;
  e->SetDialogText("Store location");
  TChooserLog chooser;

  chooser.answer = tmp / "a";
  e->Button()->Click(); // empty text, no InitialDir: starts at "/"
  EXPECT_EQ(chooser.asked.back(), std::make_pair(std::string("Store location"), std::string("/")));
  EXPECT_EQ(e->Text(), tmp / "a");
  EXPECT_EQ(e->InitialDir(), tmp / "a");

  // A missing start folder becomes "/"; a cancelled dialog changes nothing.
  e->SetText(tmp / "missing");
  chooser.answer = "";
  e->Button()->Click();
  EXPECT_EQ(chooser.asked.back().second, "/");
  EXPECT_EQ(e->Text(), tmp / "missing");

  // Several folders: appended with ';' unless the whole text is selected.
  e->SetMultipleDirs(true);
  e->SetText(tmp / "a");
  e->SetSelStart(0);
  e->SetSelLength(0);
  chooser.answer = tmp / "b";
  e->Button()->Click();
  EXPECT_EQ(e->Text(), tmp / "a" + ";" + tmp / "b");
  e->SelectAll();
  e->Button()->Click();
  EXPECT_EQ(e->Text(), tmp / "b");

  // The before-dialog handler can stop it; the after-dialog one can reject.
  const size_t asked = chooser.asked.size();
  e->OnBeforeDialog = [](TPersistent*, std::string&, bool& action) { action = false; };
  e->Button()->Click();
  EXPECT_EQ(chooser.asked.size(), asked);
  e->OnBeforeDialog = nullptr;
  e->OnAfterDialog = [](TPersistent*, std::string&, bool& action) { action = false; };
  e->SetText("keep");
  e->Button()->Click();
  EXPECT_EQ(e->Text(), "keep");
}

TEST(ComboEdit, DroppedFoldersAndFiles) {
  TTestEnvironment env;
  TTempFolder tmp;
  CreateDir(tmp / "dir");
  for (const char* f : {"f1.txt", "f2.txt", "f3.txt"})
    WriteWholeFile(tmp / f, "x");
  auto form = makeForm();
  TDirectoryEdit* e = form->eloc;
  EXPECT_FALSE(DeliverDroppedFiles(e, {tmp / "dir"})); // not accepting yet
  e->SetAcceptFiles(true);
  int drops = 0;
  e->OnDropFiles = [&](TPersistent*) { ++drops; };

  EXPECT_TRUE(DeliverDroppedFiles(e, {tmp / "dir"}));
  EXPECT_EQ(e->Text(), tmp / "dir");
  DeliverDroppedFiles(e, {tmp / "f1.txt", tmp / "f2.txt", tmp / "f3.txt"});
  EXPECT_EQ(e->Text(), tmp.Path() + "/"); // one file's folder only
  e->SetMultipleDirs(true);
  e->SetText("");
  DeliverDroppedFiles(e, {tmp / "dir", tmp / "f1.txt"});
  EXPECT_EQ(e->Text(), tmp / "dir" + ";" + tmp.Path() + "/");
  // A long name is taken whole.
  const std::string longName = "/" + std::string(300, 'n');
  e->SetMultipleDirs(false);
  DeliverDroppedFiles(e, {longName});
  EXPECT_EQ(e->Text(), longName);
  EXPECT_EQ(drops, 4);
  EXPECT_EQ(OpenDropCount(), 0);

  // Path texts: an empty piece adds no separator.
  e->SetMultipleDirs(true);
  e->SetText(tmp / "dir" + ";;" + tmp.Path());
  EXPECT_EQ(e->GetShortPathText(), tmp / "dir" + ";" + tmp.Path());
  EXPECT_EQ(e->GetLongPathText(), tmp / "dir" + ";" + tmp.Path());
}
