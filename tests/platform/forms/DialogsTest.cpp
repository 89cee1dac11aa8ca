// Text prompts and file choosers: their own answerers, the message-box
// answerer in their place, and the dialog frame the owner sees.
#include <gtest/gtest.h>

#include "platform/forms/Dialogs.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

/// Clears every answerer when the test ends.
struct AnswererReset {
  ~AnswererReset() {
    SetDialogAnswerer(nullptr);
    SetInputAnswerer(nullptr);
    SetOpenFilesAnswerer(nullptr);
  }
};

TEST(Dialogs, PromptsAreAnsweredByTheirOwnAnswererOrTheBoxAnswerer) {
  AnswererReset reset;
  std::vector<TInputRequest> prompts;
  SetInputAnswerer([&](TInputRequest& r) {
    prompts.push_back(r);
    r.Value = "typed";
    return r.Prompt != "Cancel me";
  });
  std::string value = "given";
  EXPECT_TRUE(InputQuery("Page", "Name?", value));
  EXPECT_EQ(value, "typed");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].Caption, "Page");
  EXPECT_EQ(prompts[0].Prompt, "Name?");
  EXPECT_EQ(prompts[0].Value, "given");
  value = "kept";
  EXPECT_FALSE(InputQuery("Page", "Cancel me", value));
  EXPECT_EQ(value, "kept"); // a cancelled prompt leaves the value alone

  // Without an answerer of its own, the box answerer decides: OK keeps the
  // given value, Cancel refuses.
  SetInputAnswerer(nullptr);
  std::vector<TDialogRequest> boxes;
  int answer = IDOK;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    boxes.push_back(r);
    return answer;
  });
  value = "default";
  EXPECT_TRUE(InputQuery("Page", "Name?", value));
  EXPECT_EQ(value, "default");
  answer = IDCANCEL;
  EXPECT_FALSE(InputQuery("Page", "Name?", value));
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "Page");
  EXPECT_EQ(boxes[0].Text, "Name?");
  EXPECT_EQ(boxes[0].Flags, UINT(MB_OKCANCEL));
}

TEST(Dialogs, FileChoosersGiveTheChosenFilesOrNone) {
  AnswererReset reset;
  std::vector<TOpenFilesRequest> asked;
  std::vector<std::string> offer = {"/tmp/a.txt", "/tmp/b.txt"};
  SetOpenFilesAnswerer([&](TOpenFilesRequest& r) {
    asked.push_back(r);
    r.Files = offer;
    return true;
  });
  std::vector<std::string> files;
  EXPECT_TRUE(PromptForFiles("Upload", true, files));
  EXPECT_EQ(files, offer);
  EXPECT_TRUE(PromptForFiles("Upload", false, files));
  EXPECT_EQ(files, std::vector<std::string>{"/tmp/a.txt"}); // one file asked, one given
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_TRUE(asked[0].Multiple);
  EXPECT_FALSE(asked[1].Multiple);
  offer.clear();
  EXPECT_FALSE(PromptForFiles("Upload", true, files)); // nothing chosen
  EXPECT_TRUE(files.empty());

  // The box answerer has no files to give: never blocks, chooses nothing.
  SetOpenFilesAnswerer(nullptr);
  int boxes = 0;
  SetDialogAnswerer([&](const TDialogRequest&) {
    ++boxes;
    return IDOK;
  });
  files = {"stale"};
  EXPECT_FALSE(PromptForFiles("Upload", false, files));
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(boxes, 1);
}

TEST(Dialogs, TheOwnerCanRenameOrCloseAPromptAsAnyDialog) {
  AnswererReset reset;
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.Show();
  Screen()->SetActiveForm(&form);
  bool closeIt = false;
  LONG_PTR previous = GetWindowLongPtr(form.Handle(), GWL_WNDPROC);
  LONG_PTR hook = MakeWndProc([&](HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_ACTIVATE && (w & 0xFFFF) == WA_INACTIVE) {
      HWND box = HWND(l);
      EXPECT_EQ(GetClassName(box), "#32770");
      SetWindowText(box, "Web Browser:  " + GetWindowText(box));
      if (closeIt) SendMessage(box, WM_CLOSE, 0, 0);
    }
    return CallWindowProc(previous, h, msg, w, l);
  });
  SetWindowLongPtr(form.Handle(), GWL_WNDPROC, hook);
  std::vector<std::string> captions;
  SetInputAnswerer([&](TInputRequest& r) {
    captions.push_back(r.Caption);
    return true;
  });
  std::string value = "v";
  EXPECT_TRUE(InputQuery("Page", "Name?", value));
  closeIt = true;
  EXPECT_FALSE(InputQuery("Page", "Name?", value)); // closed before it was shown
  EXPECT_EQ(captions, std::vector<std::string>{"Web Browser:  Page"});
  SetWindowLongPtr(form.Handle(), GWL_WNDPROC, previous);
  Screen()->SetActiveForm(nullptr);
}

} // namespace
