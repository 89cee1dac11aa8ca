// The settings store and the placement keys: quoting, the ini reading
// rules, position words, show commands, screen keys, resolution changes and
// default names.
#include <gtest/gtest.h>

#include "formstate/SettingsStore.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WindowPlacement.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

class TFPlacementProbe : public TForm {
  SK_CLASS(TFPlacementProbe, TForm)
public:
  using TForm::TForm;
};

std::unique_ptr<TFPlacementProbe, TFormFree> probeForm() {
  auto f = std::unique_ptr<TFPlacementProbe, TFormFree>(new TFPlacementProbe(nullptr));
  f->SetBounds(100, 100, 300, 200);
  return f;
}

} // namespace

TEST(SettingsStore, QuotesSurviveTheRoundTrip) {
  TTempFolder tmp;
  const std::string file = tmp / "q.ini";
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"'abc'", "\"'abc'\""}, {"\"", "\"\"\""},      {"'", "\"'\""}, {"\"a'", "\"a'"}, {"", ""},
      {"plain", "plain"},     {"\"x\"", "\"\"x\"\""}};
  {
    TStoreIniFile ini(file);
    int n = 0;
    for (auto& [value, stored] : rows)
      StoreWriteString(&ini, "S", "k" + IntToStr(n++), value);
    ini.Flush();
  }
  const std::string text = ReadWholeFile(file);
  int n = 0;
  for (auto& [value, stored] : rows)
    EXPECT_NE(text.find("k" + IntToStr(n++) + "=" + stored + "\r\n"), std::string::npos) << value;
  TStoreIniFile ini(file);
  n = 0;
  for (auto& [value, stored] : rows)
    EXPECT_EQ(StoreReadString(&ini, "S", "k" + IntToStr(n++), "?"), value) << stored;
  // Outer blanks do not survive; a line break in a value is written as a blank.
  StoreWriteString(&ini, "S", "blank", " x ");
  StoreWriteString(&ini, "S", "lines", "a\r\nb");
  ini.Flush();
  TStoreIniFile again(file);
  EXPECT_EQ(StoreReadString(&again, "S", "blank", "?"), "x");
  EXPECT_EQ(StoreReadString(&again, "S", "lines", "?"), "a  b");
  EXPECT_EQ(StoreReadString(TSettingsStore{}, "S", "blank", "default"), "default");
}

TEST(SettingsStore, ReadingRulesAndAtomicWrites) {
  TTempFolder tmp;
  const std::string file = tmp / "r.ini";
  WriteWholeFile(file, "; comment\r\n[sec]\r\nKey = first \r\nkey=second\r\n[other]\r\nA=1\r\n");
  TStoreIniFile ini(file);
  EXPECT_EQ(ini.ReadString("SEC", "KEY", ""), "first"); // case ignored, first wins
  EXPECT_EQ(ini.ReadInteger("other", "a", 0), 1);
  EXPECT_EQ(ini.ReadInteger("other", "missing", 7), 7);
  ini.WriteString("sec", "New", "n"); // new keys at the end of their section
  ini.WriteString("sec", "KEY", "changed");
  ini.Flush();
  EXPECT_EQ(ReadWholeFile(file),
            "[sec]\r\nKey=changed\r\nkey=second\r\nNew=n\r\n\r\n[other]\r\nA=1\r\n");
  EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{"r.ini"});

  TStoreIniFile missing(tmp / "none.ini");
  EXPECT_EQ(missing.ReadString("a", "b", "d"), "d");
  missing.Flush(); // nothing written: nothing created
  EXPECT_FALSE(FileExists(tmp / "none.ini"));
}

TEST(SettingsStore, PlacementKeysAndPositionWords) {
  TTestEnvironment env;
  TTempFolder tmp;
  auto form = probeForm();
  form->SetBorderStyle(TBorderStyle::bsSizeable);
  struct Row {
    std::string normPos;
    TRect expected;
  };
  for (const Row& r : std::vector<Row>{
           {"10 , 20,,30", TRect(10, 20, 30, 100 + 200)}, // bottom from the form
           {"a,b,c,d", TRect(0, 0, 0, 0)},                // right <= left: not applied
           {"5,6,405,306", TRect(5, 6, 405, 306)},
           // A damaged size is held to the screen and a frame.
           {"0,0,100000,5000000", TRect(0, 0, 1288, 1032)},
           {"5,6,405,306", TRect(5, 6, 405, 306)},
       }) {
    form->SetBounds(100, 100, 300, 200);
    TStoreIniFile ini(tmp / "p.ini");
    StoreWriteString(&ini, "F", "NormPos", r.normPos);
    ReadWindowPlacement(form.get(), &ini, "F", false, true);
    const TRect want = r.expected.Right > r.expected.Left ? r.expected : TRect(100, 100, 400, 300);
    EXPECT_EQ(form->BoundsRect(), want) << r.normPos;
  }
  // A dialog-style form keeps its size.
  form->SetBorderStyle(TBorderStyle::bsDialog);
  TStoreIniFile ini(tmp / "p.ini");
  StoreWriteString(&ini, "F", "NormPos", "7,8,900,900");
  ReadWindowPlacement(form.get(), &ini, "F", false, true);
  EXPECT_EQ(form->BoundsRect(), TRect(7, 8, 407, 308)); // the size of the last row stays

  // Another resolution uses the plain key; another ppi uses nothing.
  form->SetBorderStyle(TBorderStyle::bsSizeable);
  StoreWriteString(&ini, "F", "NormPos(1024x768)", "1,1,11,11");
  StoreWriteString(&ini, "F", "NormPos", "2,2,22,22");
  ReadWindowPlacement(form.get(), &ini, "F", false, true);
  EXPECT_EQ(form->BoundsRect(), TRect(2, 2, 22, 22));
  StoreWriteInteger(&ini, "F", "PixelsPerInch", 120);
  StoreWriteString(&ini, "F", "NormPos", "3,3,33,33");
  ReadWindowPlacement(form.get(), &ini, "F", false, true);
  EXPECT_EQ(form->BoundsRect(), TRect(2, 2, 22, 22));

  // Writing: both forms of both keys, in order.
  TStoreIniFile out(tmp / "w.ini");
  form->SetBounds(195, 194, 629, 343);
  WriteWindowPlacement(form.get(), &out, "F");
  out.Flush();
  EXPECT_EQ(
      ReadWholeFile(tmp / "w.ini"),
      "[F]\r\nFlags=0\r\nShowCmd=0\r\nPixelsPerInch=96\r\nMinMaxPos(1280x1024)=-1,-1,-1,-1\r\n"
      "MinMaxPos=-1,-1,-1,-1\r\nNormPos(1280x1024)=195,194,824,537\r\n"
      "NormPos=195,194,824,537\r\n");
}

TEST(SettingsStore, ShowCommands) {
  TTestEnvironment env;
  TTempFolder tmp;
  const TWindowState N = TWindowState::wsNormal, Mi = TWindowState::wsMinimized,
                     Ma = TWindowState::wsMaximized;
  struct Row {
    std::string showCmd;
    TWindowState expected; // on a visible form that is not the main form
  };
  const std::vector<Row> rows = {{"-1", N}, {"0", N},  {"1", N},  {"2", Mi}, {"3", Ma},
                                 {"4", N},  {"5", N},  {"6", Mi}, {"7", Mi}, {"8", N},
                                 {"9", N},  {"10", N}, {"x", N}};
  auto form = probeForm();
  TFPlacementProbe mainForm(nullptr);
  Application()->SetMainForm(&mainForm);
  form->Show();
  for (const Row& r : rows) {
    form->SetWindowState(Ma);
    form->SetWindowState(N);
    TStoreIniFile ini(tmp / "s.ini");
    StoreWriteString(&ini, "F", "ShowCmd", r.showCmd);
    ReadWindowPlacement(form.get(), &ini, "F", true, false);
    EXPECT_EQ(form->WindowState(), r.expected) << r.showCmd;
  }
  // The main form, minimised: it stays normal and minimises itself through
  // the posted command, also while hidden.
  Application()->SetMainForm(form.get());
  form->Hide();
  form->SetWindowState(N);
  TStoreIniFile ini(tmp / "s.ini");
  StoreWriteString(&ini, "F", "ShowCmd", "2");
  ReadWindowPlacement(form.get(), &ini, "F", true, false);
  EXPECT_EQ(form->WindowState(), N);
  Application()->ProcessMessages();
  EXPECT_EQ(form->WindowState(), Mi);
  Application()->SetMainForm(nullptr);
}

TEST(SettingsStore, DefaultNames) {
  auto form = probeForm();
  auto* panel = new TPanel(form.get());
  panel->SetName("Panel1");
  panel->SetParent(form.get());
  auto* edit = new TEdit(form.get());
  edit->SetName("elat");
  edit->SetParent(panel);
  auto* timer = new TComponent(form.get());
  timer->SetName("Timer1");
  EXPECT_EQ(DefaultSectionName(form.get()), "TFPlacementProbe");
  EXPECT_EQ(DefaultSectionName(edit), "TFPlacementProbeelat");
  EXPECT_EQ(DefaultSectionName(timer), "TFPlacementProbe.Timer1");
  TPanel loose(nullptr);
  loose.SetName("Outer");
  TEdit inner(nullptr);
  inner.SetName("Inner");
  inner.SetParent(&loose);
  EXPECT_EQ(DefaultSectionName(&inner), "OuterInner");
  inner.SetParent(nullptr);
  EXPECT_EQ(DefaultSectionName(nullptr), "");
  const std::string program = ExtractFileName(ExeName());
  EXPECT_EQ(DefaultIniFileName(), program + ".INI"); // named after the program, no folder
  EXPECT_EQ(ScreenSizeSuffix(), "(800x800)");        // the layer's own default screen here
}
