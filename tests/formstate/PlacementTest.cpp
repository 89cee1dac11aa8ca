// Form placement and storage: the tool window's section byte for byte, the
// round trip into a fresh form, the restore and save life cycle, the hooks
// on the form's events, stored values, limits and an unwritable file.
#include <gtest/gtest.h>

#include "formstate/FileUtil.h"
#include "formstate/Placement.h"
#include "formstate/StrUtils.h"
#include "formstate/UxHook.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Registry.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/formstate/FormStateTestSupport.h"
#include "tests/formstate/ToolWindowStandIn.h"

namespace {

using TFormPtr = std::unique_ptr<TFSkorvaplinth, TFormFree>;

TFormPtr makeToolWindow(const std::string& ini) {
  return TFormPtr(new TFSkorvaplinth(nullptr, ini));
}

} // namespace

TEST(Placement, ToolWindowSectionIsWrittenExactlyAndRoundTrips) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "skorvaplinth.ini";
  {
    TFormPtr form = makeToolWindow(ini);
    form->fs->LoadState(); // no file yet: nothing changes, but restored
    EXPECT_TRUE(form->fs->Restored());
    EXPECT_FALSE(FileExists(ini));
    form->fs->SaveState();
    EXPECT_EQ(ReadWholeFile(ini), GoldenToolWindowSection(0)); // hidden: ShowCmd 0
  }
  // Stored values and placement come back into a fresh form, whose save
  // writes the same bytes.
  WriteWholeFile(
      ini, StrReplaceAll(StrReplaceAll(GoldenToolWindowSection(0), "=46\r", "=46.123456789\r"),
                         "NormPos=195,194,824,537", "NormPos=10,20,700,400"));
  {
    TFormPtr form = makeToolWindow(ini);
    form->fs->LoadState();
    // The read accessor parses the edit text, which keeps 5 places.
    EXPECT_NEAR(double(form->elat->Value()), 46.12346, 1e-12);
    EXPECT_EQ(form->elat->Text(), std::string("46") + FormatSettings().DecimalSeparator + "12346");
    // The screen's own key wins over the plain one.
    EXPECT_EQ(form->BoundsRect(), TRect(195, 194, 824, 537));
    form->fs->SaveState();
  }
  EXPECT_EQ(ReadWholeFile(ini), StrReplaceAll(GoldenToolWindowSection(0), "=46\r", "=46.12346\r"));
}

TEST(Placement, ShowRestoresAndCloseSaves) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "skorvaplinth.ini";
  WriteWholeFile(ini, "[TFSkorvaplinth]\r\nelat_Value=12.5\r\nErwidth_Value=abc\r\n"
                      "Cstayontop_Checked=false\r\ncdescr_Checked=yes\r\nfilep_Text=  tile  \r\n");
  TFormPtr form = makeToolWindow(ini);
  form->Show();
  EXPECT_TRUE(form->fs->Restored());
  EXPECT_EQ(form->elat->Value(), 12.5L);
  EXPECT_EQ(form->Erwidth->Value(), 500.0L); // a text that is no number is kept out
  EXPECT_FALSE(form->Cstayontop->Checked()); // names ignore case
  EXPECT_TRUE(form->cdescr->Checked());      // "yes" names no value
  EXPECT_EQ(form->filep->Text(), "tile");

  // Hide and show again restores again; a style switch does not.
  form->elat->SetValue(1.0L);
  form->SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_EQ(form->elat->Value(), 1.0L);
  form->Hide();
  form->Show();
  EXPECT_EQ(form->elat->Value(), 12.5L);

  form->elat->SetValue(47.25L);
  form->Close(); // may close: saved
  EXPECT_TRUE(form->fs->Saved());
  EXPECT_NE(ReadWholeFile(ini).find("elat_Value=47.25\r\n"), std::string::npos);
  EXPECT_NE(ReadWholeFile(ini).find("ShowCmd=1\r\n"), std::string::npos);
  EXPECT_TRUE(env.Errors.empty());
}

TEST(Placement, LifeCycleTable) {
  TTestEnvironment env;
  struct Row {
    std::string name;
    std::string file; // "" = no file
    int version;      // the component's Version
    bool active;
    bool expectValue; // the stored value comes back
    bool expectSaveOnExplicit;
  };
  const std::vector<Row> rows = {
      {"no file", "", 0, true, false, true},
      {"lower version", "[TFSkorvaplinth]\r\nFormVersion=1\r\nelat_Value=12\r\n", 2, true, false,
       true},
      {"equal version", "[TFSkorvaplinth]\r\nFormVersion=2\r\nelat_Value=12\r\n", 2, true, true,
       true},
      {"inactive", "[TFSkorvaplinth]\r\nelat_Value=12\r\n", 0, false, false, true},
  };
  for (const Row& r : rows) {
    TTempFolder tmp;
    const std::string ini = tmp / "s.ini";
    if (!r.file.empty()) WriteWholeFile(ini, r.file);
    TFormPtr form = makeToolWindow(ini);
    form->fs->SetVersion(r.version);
    form->fs->SetActive(r.active);
    if (r.active) {
      form->Show();
      EXPECT_TRUE(form->fs->Restored()) << r.name; // also on a version mismatch
    } else {
      form->Show();
      EXPECT_FALSE(form->fs->Restored()) << r.name; // inactive: no restore on show
      form->fs->SaveState();                        // an inactive component saves on request
      EXPECT_TRUE(FileExists(ini));
    }
    EXPECT_EQ(form->elat->Value() == 12.0L, r.expectValue) << r.name;
    form->fs->SaveState();
    EXPECT_NE(ReadWholeFile(ini).find("FormVersion=" + IntToStr(r.version)), std::string::npos)
        << r.name;
  }

  // An active component that never restored does not save.
  TTempFolder tmp;
  TFormPtr form = makeToolWindow(tmp / "s.ini");
  form->fs->SaveState();
  EXPECT_FALSE(FileExists(tmp / "s.ini"));

  // A component made at run time takes over no form events, and its plain
  // StoredProps lines are dropped at the first save.
  auto* runtime = new TFormStorage(form.get());
  runtime->SetIniFileName(tmp / "r.ini");
  runtime->StoredProps().Add("elat.Value");
  form->Show();
  EXPECT_FALSE(runtime->Restored());
  runtime->LoadState();
  runtime->SaveState();
  EXPECT_EQ(runtime->StoredProps().Count(), 0);
  EXPECT_EQ(ReadWholeFile(tmp / "r.ini").find("elat_Value"), std::string::npos);
}

TEST(Placement, DestroyingSavesWhenTheCloseDidNotAndVisibleIsOne) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "s.ini";
  {
    TFormPtr form = makeToolWindow(ini);
    form->Show();
    form->nx->SetIntegerValue(7);
  } // freed without a close: the storage saves while the edits still live
  const std::string text = ReadWholeFile(ini);
  EXPECT_NE(text.find("Visible=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("nx_Value=7\r\n"), std::string::npos);
}

TEST(Placement, UnwritableFileReportsAndTheFormStillCloses) {
  TTestEnvironment env;
  TTempFolder tmp;
  // A folder where the settings file should be: it reads as empty and
  // cannot be replaced.
  const std::string ini = tmp / "s.ini";
  CreateDir(ini);
  WriteWholeFile(tmp / "s.ini/keep", "x");
  TFormPtr form = makeToolWindow(ini);
  form->Show();
  form->Close();
  EXPECT_FALSE(form->Visible());
  ASSERT_EQ(env.Errors.size(), 1u);
  EXPECT_NE(env.Errors[0].find(ini), std::string::npos);
  EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{"s.ini"});
  EXPECT_EQ(FolderEntries(ini), std::vector<std::string>{"keep"});
}

TEST(Placement, StoredValuesAndSectionKeys) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "s.ini";
  TFormPtr form = makeToolWindow(ini);
  TStoredValue* plain = form->fs->StoredValues()->Add();
  plain->SetName("Greeting");
  plain->SetValue(Variant("hello"));
  TStoredValue* secret = form->fs->StoredValues()->Add();
  secret->SetName("Secret");
  secret->SetKeyString("k3y");
  secret->SetValue(Variant("pa ss"));
  EXPECT_THROW(secret->SetName("greeting"), EStringListError);
  EXPECT_EQ(secret->Name(), "Secret");
  form->fs->SetActive(false);
  form->fs->SaveState();
  const std::string text = ReadWholeFile(ini);
  EXPECT_NE(text.find("mapPick_ItemIndex=0\r\nGreeting=hello\r\nSecret=" +
                      StrXorHexEncode("k3y", "pa ss") + "\r\n"),
            std::string::npos);
  secret->SetValue(Variant("other"));
  form->fs->LoadState();
  EXPECT_EQ(VarToStr(secret->Value()), "pa ss");

  form->fs->WriteSectionInteger("Count", 5);
  EXPECT_EQ(form->fs->ReadSectionInteger("Count", 0), 5);
  form->fs->WriteSectionString("Quoted", "'abc'");
  EXPECT_EQ(form->fs->ReadSectionString("Quoted", ""), "'abc'");
  EXPECT_EQ(form->fs->IniSection(), "TFSkorvaplinth");
}

TEST(Placement, LimitsAndPreventResizeGoThroughTheHook) {
  TTestEnvironment env;
  TTempFolder tmp;
  TFormPtr form = makeToolWindow(tmp / "s.ini");
  EXPECT_EQ(form->fs->Hook()->WinControl(), nullptr); // no limits: nothing hooked
  form->fs->MinMaxInfo()->SetMinTrackWidth(300);
  EXPECT_EQ(form->fs->Hook()->WinControl(), form.get());
  MINMAXINFO info{};
  info.ptMaxTrackSize = {5000, 5000};
  SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMaxTrackSize.x, 5000);
  form->fs->MinMaxInfo()->SetMinTrackWidth(0);
  EXPECT_EQ(form->fs->Hook()->WinControl(), nullptr);

  form->Show();
  EXPECT_TRUE(FormHasMaximizeButton(form.get()));
  form->fs->SetPreventResize(true);
  EXPECT_FALSE(FormHasMaximizeButton(form.get()));
  info = MINMAXINFO{};
  SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(info.ptMinTrackSize, TPoint(form->Width(), form->Height()));
  EXPECT_EQ(info.ptMaxTrackSize, TPoint(form->Width(), form->Height()));
  form->fs->SetPreventResize(false);
  EXPECT_TRUE(FormHasMaximizeButton(form.get()));
}

TEST(Placement, ToolWindowPathsOfTheApplication) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "skorvaplinth.ini";
  TFormPtr form = makeToolWindow(ini);
  form->fs->LoadState();
  // A size edit whose text is no number reads as its minimum, and is saved so.
  form->Erwidth->TEdit::SetText("abc");
  EXPECT_EQ(form->Erwidth->Value(), 10.0L);
  form->fs->SaveState();
  EXPECT_NE(ReadWholeFile(ini).find("Erwidth_Value=10\r\n"), std::string::npos);
  // The store folder is not stored; the capture is copied into it.
  EXPECT_EQ(ReadWholeFile(ini).find("eloc"), std::string::npos);
  form->eloc->SetText(tmp / "tmp");
  if (!FolderExists(form->eloc->Text())) CreateDir(form->eloc->Text());
  WriteWholeFile(tmp / "image1.bmp", "BM capture");
  FileCopy(tmp / "image1.bmp", AppendPathSeparator(form->eloc->Text()) + "ym_0_0.bmp");
  EXPECT_EQ(ReadWholeFile(tmp / "tmp/ym_0_0.bmp"), "BM capture");
  // The counters step through their integer accessors.
  form->nx->SetIntegerValue(form->nx->GetIntegerValue() + 1);
  EXPECT_EQ(form->nx->Text(), "1");
}

TEST(Placement, StoredDefinitionText) {
  TTestEnvironment env;
  TTempFolder tmp;
  std::unique_ptr<TForm, TFormFree> form(new TForm(nullptr));
  ReadDefinition(form.get(), "object Tool: TForm\n"
                             "  object elat: TCurrencyEdit\n"
                             "    DecimalPlaces = 5\n"
                             "    DisplayFormat = '###0.#####'\n"
                             "    Value = 46.000000000000000000\n"
                             "  end\n"
                             "  object eloc: TDirectoryEdit\n"
                             "    DialogKind = dkWin32\n"
                             "    NumGlyphs = 1\n"
                             "  end\n"
                             "  object fs: TFormStorage\n"
                             "    StoredProps.Strings = (\n"
                             "      'elat.Value')\n"
                             "  end\n"
                             "end\n");
  auto* fs = dynamic_cast<TFormStorage*>(form->FindComponent("fs"));
  ASSERT_NE(fs, nullptr);
  ASSERT_EQ(fs->StoredProps().Count(), 1);
  EXPECT_NE(fs->StoredProps().GetObject(0), nullptr); // bound once loaded
  fs->SetIniFileName(tmp / "d.ini");
  fs->SetActive(false);
  fs->SaveState();
  EXPECT_NE(ReadWholeFile(tmp / "d.ini").find("elat_Value=46\r\n"), std::string::npos);
  auto* eloc = dynamic_cast<TDirectoryEdit*>(form->FindComponent("eloc"));
  ASSERT_NE(eloc, nullptr);
  EXPECT_EQ(eloc->DialogKind(), TDirDialogKind::dkWin32);
}

TEST(Placement, RegistryStoreKeepsTheSameKeys) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string savedFolder = RegistryFolder();
  SetRegistryFolder(tmp.Path());
  {
    TFormPtr form = makeToolWindow("");
    form->fs->SetUseRegistry(true);
    form->fs->SetIniFileName("Software\\Skorva\\Test");
    form->fs->LoadState(); // reading creates nothing
    EXPECT_TRUE(FolderEntries(tmp.Path()).empty());
    form->elat->SetValue(12.25L);
    form->fs->SaveState();
  }
  {
    TFormPtr form = makeToolWindow("");
    form->fs->SetUseRegistry(true);
    form->fs->SetIniFileName("Software\\Skorva\\Test");
    form->fs->LoadState();
    EXPECT_EQ(form->elat->Value(), 12.25L);
    EXPECT_EQ(form->fs->ReadSectionString("NormPos", ""), "195,194,824,537");
  }
  SetRegistryFolder(savedFolder);
}
