// Locate objects over five rows of the client data set, the start-up
// registrations, the engine shells and the typed conversion.
#include <cstdlib>
#include <gtest/gtest.h>

#include "formstate/FormState.h"
#include "formstate/GridBitmaps.h"
#include "formstate/IconClipboard.h"
#include "formstate/OrxUtils.h"
#include "formstate/VisUtils.h"
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/Clipboard.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Ticks.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

std::unique_ptr<TClientDataSet> places() {
  auto ds = std::make_unique<TClientDataSet>(nullptr);
  ds->FieldDefs().push_back({"Name", TFieldType::ftString, 40});
  ds->FieldDefs().push_back({"Code", TFieldType::ftInteger, 4});
  ds->FieldDefs().push_back({"Note", TFieldType::ftString, 20, TFieldKind::fkCalculated});
  ds->CreateDataSet();
  for (auto [name, code] : std::vector<std::pair<const char*, const char*>>{
           {"Ljubljana", "1"}, {"Žalec", "2"}, {"Celje", "3"}, {"celje", "4"}, {"Koper", "5"}}) {
    ds->Append();
    ds->FieldByName("Name")->SetText(name);
    ds->FieldByName("Code")->SetText(code);
    ds->Post();
  }
  return ds;
}

} // namespace

TEST(OrxUtils, LocateByScanAndWithTheDataSet) {
  auto ds = places();
  EXPECT_EQ(ds->RecordCount(), 5);
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds->FindField("missing"), nullptr);
  EXPECT_THROW(ds->FieldByName("missing"), EDatabaseError);
  ASSERT_TRUE(LocateObjectFactory());
  std::unique_ptr<TLocateObject> locate = LocateObjectFactory()();
  EXPECT_NE(dynamic_cast<TDBLocate*>(locate.get()), nullptr);
  locate->DataSet = ds.get();
  locate->SearchField = ds->FieldByName("Name");
  struct Row {
    std::string text;
    bool whole, matchCase;
    int recNo; // 0: not found
  };
  for (const Row& r : std::vector<Row>{{"celje", true, false, 3},
                                       {"celje", true, true, 4},
                                       {"ŽALEC", true, false, 2}, // Unicode case
                                       {"Kop", false, false, 5},
                                       {"Kop", true, false, 0},
                                       {"Maribor", true, false, 0}}) {
    locate->SearchText = r.text;
    locate->WholeValue = r.whole;
    locate->MatchCase = r.matchCase;
    ds->First();
    const bool scanned = locate->LocateByScan();
    EXPECT_EQ(scanned, r.recNo != 0) << r.text;
    EXPECT_EQ(scanned ? ds->RecNo() : 0, r.recNo) << r.text;
    ds->First();
    const bool located = locate->LocateWithDataSet();
    EXPECT_EQ(located, r.recNo != 0) << r.text;
    EXPECT_EQ(located ? ds->RecNo() : 0, r.recNo) << r.text;
  }
  EXPECT_FALSE(locate->CanUseIndex());
  EXPECT_FALSE(locate->LocateByIndex());
  EXPECT_TRUE(locate->CanUseFilter());
  locate->SearchField = ds->FieldByName("Note");
  EXPECT_FALSE(locate->CanUseFilter()); // a calculated field
  ds->EmptyDataSet();
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_EQ(ds->EmptiedCount(), 1);
  EXPECT_TRUE(ds->Eof());
}

TEST(OrxUtils, EngineShellsAndConversions) {
  TCloneDbDataset clone(nullptr);
  clone.SetReadOnly(true);
  EXPECT_THROW(clone.OpenAsCloneOf(nullptr, true), EDatabaseError);
  EXPECT_EQ(TextToNativeValue(TEngineType::Boolean, 2, "yes", "F"),
            (std::vector<std::uint8_t>{0xFF, 0xFF}));
  EXPECT_EQ(TextToNativeValue(TEngineType::Boolean, 2, "no", "F"),
            (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(TextToNativeValue(TEngineType::Int32, 4, "258", "F"),
            (std::vector<std::uint8_t>{2, 1, 0, 0}));
  EXPECT_EQ(TextToNativeValue(TEngineType::String, 3, "abcdef", "F"),
            (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  try {
    TextToNativeValue(TEngineType::Int16, 2, "12x", "Code");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid integer value for field 'Code'");
  }
  EXPECT_THROW(TextToNativeValue(TEngineType::Bcd, 34, "1", "F"), EDatabaseError);
  EXPECT_THROW(TextToNativeValue(TEngineType::Date, 8, "1", "F"), EDatabaseError);
}

TEST(OrxUtils, StartAndEndOfTheLibrary) {
  const UINT format = IconClipboardFormat();
  EXPECT_GE(format, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("Tarvex Icon"), format); // the same id twice
  GridBitmap(3) = std::make_unique<TBitmap>(2, 2);
  FormStateResetForTests();
  EXPECT_EQ(GridBitmap(3), nullptr);
  EXPECT_TRUE(LocateObjectFactory());
  EXPECT_EQ(IconClipboardFormat(), format);
  EXPECT_NE(Screen()->Cursors(UxHandCursor), 0u);
  EXPECT_NE(Screen()->Cursors(UxDragCursor), Screen()->Cursors(UxHandCursor));
}

TEST(OrxUtils, IconsThroughThePictureClasses) {
  EXPECT_EQ(ClipboardFormatMime(IconClipboardFormat()), "application/x-tarvex-icon");
  std::unique_ptr<TGraphic> graphic = TPicture::CreateForExtension("ICO");
  ASSERT_NE(graphic, nullptr);
  EXPECT_STREQ(graphic->ClassName(), "TIcon");
  const std::string data = std::getenv("SK_TEST_DATA") ? std::getenv("SK_TEST_DATA") : "tests/data";
  graphic->LoadFromFile(data + "/icon/good.ico");
  EXPECT_EQ(graphic->Width(), 4);
  EXPECT_EQ(graphic->Height(), 4);
  TBitmap canvas(8, 8);
  canvas.Canvas()->Brush()->SetColor(clWhite);
  canvas.Canvas()->FillRect(TRect(0, 0, 8, 8));
  graphic->Draw(canvas.Canvas(), TRect(0, 0, 8, 8));
  EXPECT_EQ(ColorToRGB(canvas.Canvas()->Pixels(0, 0)), ColorToRGB(clWhite)); // transparent
  EXPECT_EQ(ColorToRGB(canvas.Canvas()->Pixels(5, 5)), RGB(255, 0, 0));
  // Saved and read again: the same pixels.
  TMemoryStream saved;
  graphic->SaveToStream(saved);
  saved.SetPosition(0);
  TIcon again;
  again.LoadFromStream(saved);
  EXPECT_EQ(again.Pixels(), static_cast<TIcon*>(graphic.get())->Pixels());
  TIcon damaged;
  EXPECT_THROW(damaged.LoadFromFile(data + "/icon/damaged.ico"), EInvalidGraphic);
  EXPECT_TRUE(damaged.Empty());
}

TEST(OrxUtils, RandomlyDamagedIconsAreRefusedOrRead) {
  const std::string data = std::getenv("SK_TEST_DATA") ? std::getenv("SK_TEST_DATA") : "tests/data";
  TMemoryStream good;
  good.LoadFromFile(data + "/icon/good.ico");
  const char* rounds = std::getenv("SK_FUZZ_ROUNDS");
  const int n = rounds != nullptr ? StrToIntDef(rounds, 300) : 300;
  SetRandSeed(42);
  for (int round = 0; round < n; ++round) {
    std::vector<std::uint8_t> bytes(good.Memory(), good.Memory() + good.Size());
    for (int m = Random(6) + 1; m > 0; --m)
      bytes[size_t(Random(int(bytes.size())))] = std::uint8_t(Random(256));
    if (Random(4) == 0) bytes.resize(size_t(Random(int(bytes.size()))));
    TMemoryStream s;
    s.Write(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    TIcon icon;
    try {
      icon.LoadFromStream(s);
      ASSERT_EQ(icon.Pixels().size(), size_t(icon.Width()) * size_t(icon.Height()) * 4);
    } catch (const EInvalidGraphic&) {
      ASSERT_TRUE(icon.Empty());
    }
  }
}
