// The flat combo base and the image picker: the frame, colours, event
// order, list strings, lookup, and the theme binder's empty table.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/ACXPVS.h"
#include "controls/APXPVS.h"
#include "controls/ImagePicker.h"
#include "controls/OwXPVS.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Messages.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/DynLib.h"

#include <algorithm>

namespace {
struct TPicker {
  THostForm host{340, 220, clWhite};
  TImagePicker* picker = nullptr;
  std::vector<std::string> log;
  TPicker() {
    ReadDefinition(host.form, kPickerDefinition);
    picker = dynamic_cast<TImagePicker*>(host.form->FindComponent("mapPick"));
    for (int i = 0; i < 9; ++i)
      picker->AddItem(i / 3, kPickerCaptions[i]);
    picker->RebuildListStrings();
    picker->OnClick = [this](TPersistent*) { log.push_back("Click"); };
    picker->OnChange = [this](TPersistent*) { log.push_back("Change"); };
    picker->OnDropDown = [this](TPersistent*) { log.push_back("DropDown"); };
    picker->OnDropUp = [this](TPersistent*) { log.push_back("DropUp"); };
    host.Show();
  }
  /// Clicks item `i` in the open list.
  void ClickListItem(int i) {
    TComboListWindow* list = picker->ListWindow();
    const int h = int(picker->Perform(CB_GETITEMHEIGHT, 0, 0));
    TestInput::Click(list, TMouseButton::mbLeft, 5, 1 + i * h + h / 2);
  }
};
} // namespace

TEST(ThemeApi, AbsentLibraryLeavesTheTablesEmpty) {
  struct TRow {
    const char* name;
    TThemeApi& api;
    const std::vector<std::string>& names;
    std::size_t count;
  } rows[] = {{"ACXPVS", ThemeApi(), ThemeApiFunctionNames(), 45},
              {"OwXPVS", OwThemeApi(), ThemeApiFunctionNames(), 45},
              {"APXPVS", ApThemeApi(), ApThemeApiFunctionNames(), 46}};
  for (const TRow& row : rows) {
    EXPECT_EQ(row.names.size(), row.count) << row.name;
    EXPECT_FALSE(row.api.Loaded) << row.name;
    EXPECT_EQ(row.api.Library, nullptr) << row.name;
    EXPECT_EQ(row.api.IsThemeActive, nullptr) << row.name;
  }
  EXPECT_FALSE(ThemesActive());
  // The third table holds one more function, in its place.
  const auto& ap = ApThemeApiFunctionNames();
  const auto at = std::find(ap.begin(), ap.end(), "GetThemePartSize");
  ASSERT_NE(at, ap.end());
  EXPECT_EQ(*(at - 1), "GetThemeDocumentationProperty");
  EXPECT_EQ(*(at + 1), "DrawThemeParentBackground");
  EXPECT_EQ(ThemeApiFunctionNames().front(), "OpenThemeData");
  EXPECT_EQ(ThemeApiFunctionNames().back(), "EnableTheming");
}

TEST(ThemeApi, ALibraryWithoutTheFunctionsCountsAsAbsent) {
  // A library that loads under the theme library's name but exports none of
  // its functions binds nothing.
  RegisterLibraryAlias("UXTHEME.DLL", "libm.so.6");
  TThemeApi api;
  BindThemeApi(api, ThemeApiFunctionNames());
  RegisterLibraryAlias("UXTHEME.DLL", "");
  EXPECT_FALSE(api.Loaded);
  EXPECT_EQ(api.Library, nullptr);
  EXPECT_EQ(api.IsThemeActive, nullptr);
  EXPECT_EQ(api.Functions, std::vector<void*>(45, nullptr));
  ReleaseThemeApi(api);
}

TEST(ImagePicker, EventOrders) {
  TPicker p;
  struct TRow {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> events;
  } rows[] = {
      {"open",
       [&] { TestInput::Click(p.picker, TMouseButton::mbLeft, 10, 5); },
       {"DropDown", "DropDown", "Click"}},
      {"select", [&] { p.ClickListItem(4); }, {"DropUp", "Click", "Change", "Change"}},
      {"ItemIndex write", [&] { p.picker->SetItemIndex(2); }, {}},
  };
  for (const TRow& row : rows) {
    p.log.clear();
    row.act();
    EXPECT_EQ(p.log, row.events) << row.name;
  }
  EXPECT_EQ(p.picker->ItemIndex(), 2);
  EXPECT_FALSE(p.picker->DroppedDown());
  EXPECT_FALSE(p.picker->DroppedFlag());
}

TEST(ImagePicker, SelectionSurvivesTheReleaseAfterOpening) {
  TPicker p;
  p.picker->SetItemIndex(1);
  TestInput::Click(p.picker, TMouseButton::mbLeft, 10, 5);
  EXPECT_TRUE(p.picker->DroppedDown());
  EXPECT_TRUE(p.picker->DroppedFlag());
  p.ClickListItem(6);
  EXPECT_EQ(p.picker->ItemIndex(), 6);
  EXPECT_EQ(p.picker->Text(), "2|Yahoo Normal|6");
}

TEST(ImagePicker, HeightsAndVersion) {
  TPicker p;
  EXPECT_EQ(p.picker->EditHeight(), 18);
  EXPECT_EQ(p.picker->Perform(CB_GETITEMHEIGHT, WPARAM(-1), 0), 18);
  EXPECT_EQ(p.picker->Height(), 24);
  EXPECT_EQ(p.picker->Version(), "1.1.1.0");
  TOwCustomCombo base(nullptr);
  EXPECT_EQ(base.Version(), "1.2.4.1");
}

TEST(ImagePicker, ListStringsAndCaptionsWithBars) {
  TPicker p;
  EXPECT_EQ(p.picker->TCustomComboBox::Item(4), "1|VE Staelite|4");
  struct TRow {
    const char* text;
    int image;
    const char* caption;
  } rows[] = {{"2|A|B|7", 2, "A|B"}, {"0||3", 0, ""}, {"5|plain|0", 5, "plain"}, {"x", -1, ""}};
  for (const TRow& row : rows) {
    int image;
    std::string caption;
    TImagePicker::ParseListString(row.text, image, caption);
    EXPECT_EQ(image, row.image) << row.text;
    EXPECT_EQ(caption, row.caption) << row.text;
  }
  // A changed caption shows only after the strings are rebuilt.
  p.picker->Items(0)->SetCaption("Renamed");
  EXPECT_EQ(p.picker->TCustomComboBox::Item(0), "0|Google Normal|0");
  p.picker->RebuildListStrings();
  EXPECT_EQ(p.picker->TCustomComboBox::Item(0), "0|Renamed|0");
  EXPECT_EQ(p.picker->Items(3)->DisplayName(), "Item3");
}

TEST(ImagePicker, Lookup) {
  struct TRow {
    const char* name;
    bool incremental;
    int from;
    std::string typed;
    int expected;
  } rows[] = {
      {"first letter of the current item keeps it", false, 3, "v", 3},
      {"next service", false, 0, "y", 6},
      {"nothing selected", false, -1, "g", 0},
      {"incremental narrows", true, 6, "ya", 6},
      {"incremental miss restarts with the last letter", true, 0, "yv", 3},
      {"no match keeps the selection", false, 2, "q", 2},
  };
  for (const TRow& row : rows) {
    TPicker p;
    p.picker->SetLookupIncr(row.incremental);
    p.picker->SetItemIndex(row.from);
    for (char c : row.typed)
      p.picker->Perform(WM_CHAR, WPARAM((unsigned char)c), 0);
    EXPECT_EQ(p.picker->ItemIndex(), row.expected) << row.name;
  }
  TPicker keys;
  keys.picker->SetLookupIncr(true);
  keys.picker->Perform(WM_CHAR, 'v', 0);
  keys.picker->Perform(WM_CHAR, 'e', 0);
  TestInput::KeyDown(keys.picker, VK_BACK);
  EXPECT_EQ(keys.picker->LookupText(), "v");
  TestInput::KeyDown(keys.picker, VK_HOME);
  EXPECT_EQ(keys.picker->LookupText(), "");
}

TEST(ImagePicker, FlatFrameRingsAndUnderline) {
  TPicker p;
  p.picker->SetItemIndex(0);
  UpdateWindow(p.picker->Handle());
  const int w = p.picker->Width(), h = p.picker->Height();
  // Parent white, own colour white: set the parent to grey to tell the rings apart.
  p.host.form->SetColor(clSilver);
  p.picker->SetColor(clWhite);
  p.picker->Invalidate();
  UpdateWindow(p.picker->Handle());
  EXPECT_EQ(WindowPixel(p.picker, 0, h / 2), 0xC0C0C0u);
  EXPECT_EQ(WindowPixel(p.picker, 1, h / 2), 0xC0C0C0u);
  EXPECT_EQ(WindowPixel(p.picker, 2, h / 2), 0xFFFFFFu);
  EXPECT_EQ(WindowPixel(p.picker, 0, h - 1), 0u);
  EXPECT_EQ(WindowPixel(p.picker, w - 21, h - 1), 0u);
  EXPECT_NE(WindowPixel(p.picker, w - 20, h - 1), 0u);
}

TEST(ImagePicker, DisablingTakesTheParentColourEnablingRestores) {
  TPicker p;
  p.host.form->SetColor(clSilver);
  p.picker->SetColor(clWhite);
  p.picker->SetEnabled(false);
  EXPECT_EQ(p.picker->Color(), clSilver);
  p.picker->SetEnabled(true);
  EXPECT_EQ(p.picker->Color(), clWhite);
}

TEST(ImagePicker, ImagesDrawBesideTheCaption) {
  TPicker p;
  auto* images = new TImageList(p.host.form);
  images->SetWidth(16);
  images->SetHeight(16);
  for (TColor c : {clRed, clLime, clBlue}) {
    auto b = FilledBitmap(16, 16, c);
    images->Add(b.get(), nullptr);
  }
  p.picker->SetImages(images);
  p.picker->SetItemIndex(3);
  UpdateWindow(p.picker->Handle());
  EXPECT_EQ(WindowPixel(p.picker, 3 + 2 + 5, 3 + 5), 0x00FF00u); // image 1 at left + 2
  delete images;
  EXPECT_EQ(p.picker->Images(), nullptr);
}

TEST(ImagePicker, AFocusMovingChangeHandlerIgnoresTheSecondChange) {
  // The application's source change: only while the picker is the active
  // control does it rebuild, then it moves the focus away and puts the
  // selection back. The selection's second OnChange must find the focus
  // already moved.
  TPicker p;
  auto* other = p.host.Add<TEdit>(10, 150, 100, 22);
  p.picker->SetItemIndex(1);
  p.picker->SetFocus();
  ASSERT_EQ(p.host.form->ActiveControl(), p.picker);
  std::vector<int> rebuilds;
  p.picker->OnChange = [&](TPersistent*) {
    const int index = p.picker->ItemIndex();
    if (p.host.form->ActiveControl() != p.picker) return;
    rebuilds.push_back(index);
    other->SetFocus();
    p.picker->SetItemIndex(index);
  };
  TestInput::Click(p.picker, TMouseButton::mbLeft, 10, 5);
  p.ClickListItem(5);
  EXPECT_EQ(rebuilds, std::vector<int>{5});
  EXPECT_EQ(p.host.form->ActiveControl(), other);
  EXPECT_EQ(p.picker->ItemIndex(), 5);
  EXPECT_FALSE(p.picker->DroppedDown());
}
