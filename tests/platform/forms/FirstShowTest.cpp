// A window reports its size once when it first appears: OnResize reaches the
// form and its visible windowed children at the first showing, not again at
// later showings without a size change.
#include <gtest/gtest.h>

#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Strings.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

TEST(FirstShow, OnResizeFiresOnceAtTheFirstShowingForTheFormAndItsChildren) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetAlign(TAlign::alClient);
  auto* hidden = new TPanel(&form);
  hidden->SetParent(&form);
  hidden->SetBounds(0, 0, 20, 20);
  hidden->SetVisible(false);
  std::vector<std::string> resizes;
  form.OnResize = [&](TPersistent*) { resizes.push_back("form"); };
  panel->OnResize = [&](TPersistent*) {
    resizes.push_back("panel " + IntToStr(panel->Width()));
  };
  hidden->OnResize = [&](TPersistent*) { resizes.push_back("hidden"); };
  form.HandleNeeded(); // creating the window alone reports nothing yet
  EXPECT_TRUE(resizes.empty());
  form.Show();
  std::vector<std::string> expected{"form", "panel " + IntToStr(form.ClientWidth())};
  EXPECT_EQ(resizes, expected);
  form.Hide();
  form.Show();
  EXPECT_EQ(resizes, expected); // a second showing, same size: nothing more
  form.Hide();
}

} // namespace
