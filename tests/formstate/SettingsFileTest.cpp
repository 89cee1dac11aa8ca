// Settings files from disk: a good and a damaged sample restored into the
// tool window, and random mutations of the good one (more rounds with
// SK_FUZZ_ROUNDS): a restore never fails, and what is saved reads back.
#include <cstdlib>
#include <gtest/gtest.h>

#include "formstate/SettingsStore.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Ticks.h"
#include "tests/formstate/FormStateTestSupport.h"
#include "tests/formstate/ToolWindowStandIn.h"

namespace {

std::string sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/settings/" + name;
}

} // namespace

TEST(SettingsFile, GoodAndDamagedSamples) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "skorvaplinth.ini";
  WriteWholeFile(ini, ReadWholeFile(sample("good.ini")));
  {
    std::unique_ptr<TFSkorvaplinth, TFormFree> form(new TFSkorvaplinth(nullptr, ini));
    form->fs->LoadState();
    EXPECT_EQ(form->elat->Value(), 46.5L);
    EXPECT_EQ(form->filep->Text(), "ym");
    EXPECT_EQ(form->BoundsRect(), TRect(195, 194, 824, 537));
  }
  WriteWholeFile(ini, ReadWholeFile(sample("damaged.ini")));
  std::unique_ptr<TFSkorvaplinth, TFormFree> form(new TFSkorvaplinth(nullptr, ini));
  form->fs->LoadState();
  EXPECT_EQ(form->elat->Value(), 46.0L);     // "1e5000" is no number: kept
  EXPECT_EQ(form->Erwidth->Value(), 500.0L); // "abc": kept
  form->fs->SaveState();
  TStoreIniFile back(ini);
  EXPECT_EQ(back.ReadString("TFSkorvaplinth", "elat_Value", ""), "46");
  EXPECT_EQ(back.ReadString("TFSkorvaplinth", "NormPos", ""), "195,194,824,537");
}

TEST(SettingsFile, RandomMutationsOfAGoodFile) {
  TTestEnvironment env;
  TTempFolder tmp;
  const std::string ini = tmp / "s.ini";
  const std::string good = ReadWholeFile(sample("good.ini"));
  const char* rounds = std::getenv("SK_FUZZ_ROUNDS");
  const int n = rounds != nullptr ? StrToIntDef(rounds, 60) : 60;
  SetRandSeed(20261210);
  const std::string alphabet = "=[]\r\n,.;\"' -0123456789eE\xff";
  std::unique_ptr<TFSkorvaplinth, TFormFree> form(new TFSkorvaplinth(nullptr, ini));
  for (int round = 0; round < n; ++round) {
    std::string text = good;
    for (int m = Random(8) + 1; m > 0; --m) {
      const size_t at = size_t(Random(int(text.size())));
      switch (Random(3)) {
      case 0:
        text[at] = Random(2) ? char(Random(256)) : alphabet[size_t(Random(int(alphabet.size())))];
        break;
      case 1:
        text.erase(at, size_t(Random(10)));
        break;
      default:
        text.insert(
            at, std::string(size_t(Random(20)), alphabet[size_t(Random(int(alphabet.size())))]));
      }
    }
    WriteWholeFile(ini, text);
    ASSERT_NO_THROW(form->fs->LoadState()) << round;
    ASSERT_NO_THROW(form->fs->SaveState()) << round;
    TStoreIniFile back(ini);
    ASSERT_EQ(back.ReadString("TFSkorvaplinth", "FormVersion", ""), "0") << round;
  }
}
