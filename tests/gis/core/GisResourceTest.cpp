#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "GisCoreTestSupport.h"
#include "GisResourceExpected.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#ifdef SK_HAVE_SQLITE3
#include <sqlite3.h>
#endif

namespace {

using GisMessageTable = GisCoreTest;
using GisExceptionTest = GisCoreTest;
using GisLocalizer = GisCoreTest;

std::string FamilyOf(const TGIS_MessageEntry& e) {
  static const char* const families[] = {"GIS_RS_BTN_",    "GIS_RS_ERR_",        "GIS_RS_GENERAL_",
                                         "GIS_RS_LEGEND_", "GIS_RS_ATTRIBUTES_", "GIS_RS_PREVIEW_",
                                         "GIS_RS_GPS_",    "GIS_RS_EPSG_"};
  // Unkeyed texts belong to the family of their neighbours; their variables
  // carry the family prefix too.
  for (const char* f : families) {
    const std::string key = e.Key.empty() ? std::string() : std::string(e.Key);
    if (key.rfind(f, 0) == 0) return f;
  }
  return e.Key.empty() ? "unkeyed" : "basic";
}

TEST_F(GisMessageTable, CountsKeysAndFamilies) {
  const auto table = GisMessages();
  ASSERT_EQ(table.size(), 733u);
  EXPECT_EQ(GIS_RS_COUNT, 733);
  std::set<std::string> keys;
  std::map<std::string, int> families;
  int keyed = 0;
  for (const auto& e : table) {
    if (!e.Key.empty()) {
      ++keyed;
      keys.insert(std::string(e.Key));
    }
    ++families[FamilyOf(e)];
  }
  EXPECT_EQ(keyed, 731);
  EXPECT_EQ(keys.size(), 730u);
  EXPECT_EQ(families["basic"], 3);
  EXPECT_EQ(families["GIS_RS_BTN_"], 9);
  EXPECT_EQ(families["GIS_RS_ERR_"], 68);
  EXPECT_EQ(families["GIS_RS_GENERAL_"], 7);
  EXPECT_EQ(families["GIS_RS_LEGEND_"], 140);
  EXPECT_EQ(families["GIS_RS_ATTRIBUTES_"], 16);
  EXPECT_EQ(families["GIS_RS_PREVIEW_"], 6);
  EXPECT_EQ(families["GIS_RS_GPS_"], 9);
  EXPECT_EQ(families["GIS_RS_EPSG_"], 473);
  EXPECT_EQ(families["unkeyed"], 2);

  // Every variable holds its default after start-up, and distinct variables
  // back distinct entries.
  std::set<const std::string*> variables;
  for (const auto& e : table) {
    EXPECT_EQ(*e.Text, e.Default) << e.Key;
    variables.insert(e.Text);
  }
  EXPECT_EQ(variables.size(), 733u);
}

TEST_F(GisMessageTable, FamilyOrderAndSpecialTexts) {
  const auto table = GisMessages();
  // The families follow one another in table order.
  std::vector<std::string> order;
  for (const auto& e : table) {
    const std::string f = FamilyOf(e);
    if (f == "unkeyed") continue;
    if (order.empty() || order.back() != f) order.push_back(f);
  }
  const std::vector<std::string> expected = {
      "basic",           "GIS_RS_BTN_",    "GIS_RS_ERR_",
      "GIS_RS_GENERAL_", "GIS_RS_LEGEND_", "GIS_RS_ATTRIBUTES_",
      "GIS_RS_PREVIEW_", "GIS_RS_GPS_",    "GIS_RS_EPSG_"};
  EXPECT_EQ(order, expected);

  EXPECT_EQ(GIS_RS_CHARSET, "DEFAULT");
  EXPECT_EQ(GIS_RS_NOT_IMPLEMENTED, "Feature not implemented");
  EXPECT_EQ(GIS_RS_SHOULD_NOT_BE_CALLED, "Method should not be called");
  EXPECT_EQ(GIS_RS_BTN_PREVIOUS, "<< &Previous");
  EXPECT_EQ(GIS_RS_ATTRIBUTES_DLG_CMBTYPE, "String\rNumber\rFloat\rBoolean\rDate\r");
  EXPECT_EQ(GIS_RS_ATTRIBUTES_DLG_MODIFY, "Modify field \"%s\"");
  EXPECT_EQ(GIS_RS_LEGEND_DLGSYMBOL_FILTER,
            "Computer Graphic Metafile (*.CGM)|*.cgm|Windows Bitmap (*.BMP)|*.bmp|"
            "Windows Metafile (*.WMF)|*.wmf");
  EXPECT_EQ(GIS_RS_LEGEND_WIZARD_OVERLIMIT, "First %d values");
  EXPECT_EQ(GIS_RS_GPS_UNDEFINED, "undefined");
  EXPECT_EQ(GIS_RS_EPSG_1024, "Afghanistan");
  EXPECT_EQ(GIS_RS_EPSG_1025, "Albania");
  EXPECT_EQ(GIS_RS_EPSG_1178, "Nigeria");
  EXPECT_EQ(GIS_RS_EPSG_2372, "Italy - mainland");
  EXPECT_EQ(GIS_RS_EPSG_901048, "Burkina Faso; Niger");

  // The two unkeyed texts and the text sharing the print key, in place.
  auto indexOf = [&](const std::string* v) {
    for (std::size_t i = 0; i < table.size(); ++i)
      if (table[i].Text == v) return static_cast<long>(i);
    return -1L;
  };
  const long info = indexOf(&GIS_RS_LEGEND_TAB_INFO);
  EXPECT_EQ(table[info].Default, "&Info");
  EXPECT_TRUE(table[info].Key.empty());
  EXPECT_EQ(table[info - 1].Key, "GIS_RS_LEGEND_TAB_PRAMS");
  EXPECT_EQ(table[info + 1].Key, "GIS_RS_LEGEND_TAB_FIRST");

  const long south = indexOf(&GIS_RS_EPSG_2371);
  EXPECT_EQ(table[south].Default, "Nigeria - south");
  EXPECT_TRUE(table[south].Key.empty());
  EXPECT_EQ(table[south - 1].Key, "GIS_RS_EPSG_2370");
  EXPECT_EQ(table[south + 1].Key, "GIS_RS_EPSG_2372");

  const long setup = indexOf(&GIS_RS_PREVIEW_PRINTSETUP);
  EXPECT_EQ(table[setup].Default, "Printer setup");
  EXPECT_EQ(table[setup].Key, "GIS_RS_PREVIEW_PRINT");
  EXPECT_EQ(table[setup - 1].Text, &GIS_RS_PREVIEW_PRINT);
}

TEST_F(GisMessageTable, ErrorTextsMatchTheExpectedRowsByteForByte) {
  std::vector<std::pair<std::string, std::string>> expected;
  std::istringstream rows(kExpectedErrorRows);
  std::string line;
  while (std::getline(rows, line)) {
    if (line.empty()) continue;
    // | `KEY` | "text" |
    const auto k1 = line.find('`'), k2 = line.find('`', k1 + 1);
    const auto q1 = line.find('"'), q2 = line.rfind('"');
    ASSERT_NE(q2, q1) << line;
    expected.emplace_back(line.substr(k1 + 1, k2 - k1 - 1), line.substr(q1 + 1, q2 - q1 - 1));
  }
  ASSERT_EQ(expected.size(), 68u);

  std::vector<std::pair<std::string, std::string>> ours;
  for (const auto& e : GisMessages())
    if (e.Key.rfind("GIS_RS_ERR_", 0) == 0) ours.emplace_back(std::string(e.Key), *e.Text);
  EXPECT_EQ(ours, expected);
  // Every error text starts with four digits and a blank.
  for (const auto& [key, text] : ours)
    EXPECT_TRUE(std::regex_search(text, std::regex("^[0-9]{4} "))) << key;
  // The texts other callers quote, as the table has them.
  EXPECT_EQ(GIS_RS_ERR_NORTHING_INVALID, "0216 Northing %s out of scope");
  EXPECT_EQ(GIS_RS_ERR_STANDARDPARALLEL_2_FIXED,
            "0247 Second standard parallel out of scope - corrected.");
}

TEST_F(GisMessageTable, AreaCodesInExpectedOrder) {
  std::vector<std::string> expected;
  std::istringstream codes(kExpectedAreaCodes);
  std::string code;
  while (std::getline(codes, code, ',')) {
    const auto b = code.find_first_not_of(' ');
    expected.push_back("GIS_RS_EPSG_" + code.substr(b));
  }
  ASSERT_EQ(expected.size(), 473u);
  std::vector<std::string> ours;
  for (const auto& e : GisMessages())
    if (e.Key.rfind("GIS_RS_EPSG_", 0) == 0) ours.emplace_back(e.Key);
  EXPECT_EQ(ours, expected);
  // The codes rise.
  for (std::size_t i = 1; i < expected.size(); ++i)
    EXPECT_LT(StrToInt64(expected[i - 1].substr(12)), StrToInt64(expected[i].substr(12)));
}

#ifdef SK_HAVE_SQLITE3
// The area names against the EPSG dataset of PROJ's database, when installed.
TEST_F(GisMessageTable, AreaNamesAgreeWithTheEpsgDataset) {
  const char* path = "/usr/share/proj/proj.db";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "proj.db not installed";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  std::map<long, std::string> names;
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "select code, name from extent where auth_name = 'EPSG'", -1,
                               &st, nullptr),
            SQLITE_OK);
  while (sqlite3_step(st) == SQLITE_ROW)
    names[sqlite3_column_int64(st, 0)] = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
  sqlite3_finalize(st);
  sqlite3_close(db);

  int compared = 0;
  for (const auto& e : GisMessages()) {
    if (e.Key.rfind("GIS_RS_EPSG_", 0) != 0) continue;
    const long code = StrToInt64(std::string(e.Key.substr(12)));
    if (code >= 901024 && code <= 901047) {
      EXPECT_EQ(*e.Text, "Area " + IntToStr(code)); // not in the dataset
      continue;
    }
    if (code == 901048) continue; // a text of its own, not in the dataset
    ASSERT_TRUE(names.count(code)) << code;
    EXPECT_EQ(*e.Text, names[code]) << code;
    ++compared;
  }
  EXPECT_EQ(compared, 448);
  EXPECT_EQ(GIS_RS_EPSG_2371, names[2371]);
}
#endif

TEST_F(GisExceptionTest, CreateTable) {
  struct Row {
    const char* name;
    std::string message;
    std::string text;
    int value;
    std::string expectedMessage;
    int expectedNumber;
  };
  const Row rows[] = {
      {"layer exists", GIS_RS_ERR_LAYEREXIST, "roads", 0, "0080 Layer \"roads\" already exist", 8},
      {"file mapping", GIS_RS_ERR_FILEMAPPING, "/data/x.shp", 5,
       "0030 Error during mapping file \"/data/x.shp\" (code 5)", 3},
      {"three digits only", GIS_RS_ERR_COORIDINATE_INVALID, "1.5", 0,
       "0217 Coordinate \"1.5\" invalid", 21},
      {"0230", GIS_RS_ERR_COORDINATES_INVALID, "", 0,
       "0230 Coordinates not valid for the current datum", 23},
      {"0003 gives 0", GIS_RS_ERR_INI_PARAMS, "", 0, "0003 Ini params are incorrect", 0},
      {"text then integer", GIS_RS_ERR_ZONE_INVALID, "", 33, "0225 Zone \"33\" out of scope", 22},
      {"integer first: raw", "%d items of %s", "abc", 4, "%d items of %s", 0},
      {"missing argument: raw", "0145 %s %s", "x", 1, "0145 %s %s", 14},
      {"malformed specifier: raw", "0099 bad %", "x", 1, "0099 bad %", 9},
      {"no digits", "Plain message %s", "x", 1, "Plain message x", 0},
      {"shorter than three", "12", "", 0, "12", 0},
      {"hexadecimal prefix", "$1F message", "", 0, "$1F message", 0},
      {"blank-led number", " 12 message", "", 0, " 12 message", 12},
      {"signed number", "-12 message", "", 0, "-12 message", -12},
      {"plus sign", "+07 message", "", 0, "+07 message", 7},
      {"trailing blank", "+7 message", "", 0, "+7 message", 0},
      {"blank inside", "1 2 message", "", 0, "1 2 message", 0},
      {"three letters", "abc message", "", 0, "abc message", 0},
      {"empty", "", "", 0, "", 0},
      {"percent escape", "0050 100%% of %s", "it", 0, "0050 100% of it", 5},
  };
  for (const auto& r : rows) {
    const EGIS_Exception e(r.message, r.text, r.value);
    EXPECT_EQ(e.Message(), r.expectedMessage) << r.name;
    EXPECT_EQ(e.ErrorNumber(), r.expectedNumber) << r.name;
    EXPECT_EQ(e.ErrorText(), r.text) << r.name;
    EXPECT_EQ(e.ErrorValue(), r.value) << r.name;
  }
  // It is the runtime's exception, so handlers that catch Exception see it.
  try {
    throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, "NAME", 0);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "0051 Field \"NAME\" does not exist or is marked as deleted");
  }
}

TEST_F(GisLocalizer, LocaliserThatAssignsNothingChangesNothing) {
  int calls = 0;
  GisLocalizeMessages([&](std::string&, const std::string&) { ++calls; });
  EXPECT_EQ(calls, 731);
  for (const auto& e : GisMessages())
    EXPECT_EQ(*e.Text, e.Default);
}

TEST_F(GisLocalizer, FixedTextReachesEveryKeyedTextOnly) {
  std::vector<std::string> asked;
  GisLocalizeMessages([&](std::string& text, const std::string& key) {
    asked.push_back(key);
    text = "X";
  });
  // Asked in table order, the print key twice.
  std::vector<std::string> expected;
  for (const auto& e : GisMessages())
    if (!e.Key.empty()) expected.emplace_back(e.Key);
  EXPECT_EQ(asked, expected);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "GIS_RS_PREVIEW_PRINT"), 2);

  int changed = 0;
  for (const auto& e : GisMessages())
    changed += *e.Text == "X";
  EXPECT_EQ(changed, 731);
  EXPECT_EQ(GIS_RS_LEGEND_TAB_INFO, "&Info");
  EXPECT_EQ(GIS_RS_EPSG_2371, "Nigeria - south");
  EXPECT_EQ(GIS_RS_PREVIEW_PRINTSETUP, "X");

  // Without a localiser every default comes back, the unkeyed ones included.
  GIS_RS_LEGEND_TAB_INFO = "changed by hand";
  GisLocalizeMessages();
  for (const auto& e : GisMessages())
    EXPECT_EQ(*e.Text, e.Default) << e.Key;
}

TEST_F(GisLocalizer, NotifyRunsLastAndInListOrder) {
  auto* list = GisLocalizedNotification();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 0);
  list->Notify(); // an empty list does nothing

  int localised = 0;
  std::vector<std::string> events;
  const int ownerA = 0, ownerB = 0;
  list->Add(&ownerA, [&] { events.push_back("A after " + IntToStr(localised)); });
  list->Add(&ownerB, [&] { events.push_back("B, ok=" + GIS_RS_BTN_OK); });
  GisLocalizeMessages([&](std::string& text, const std::string& key) {
    ++localised;
    if (key == "GIS_RS_BTN_OK") text = "Potrdi";
  });
  EXPECT_EQ(events, (std::vector<std::string>{"A after 731", "B, ok=Potrdi"}));

  events.clear();
  list->Remove(&ownerA);
  GisLocalizeMessages();
  EXPECT_EQ(events, (std::vector<std::string>{"B, ok=OK"}));
}

TEST_F(GisLocalizer, RaisingLocaliserLeavesLaterTextsUnvisited) {
  bool notified = false;
  GisLocalizedNotification()->Add(this, [&] { notified = true; });
  EXPECT_THROW(GisLocalizeMessages([](std::string& text, const std::string& key) {
                 if (key == "GIS_RS_ERR_UNIMPLEMENTED") throw std::runtime_error("stop");
                 text = "L";
               }),
               std::runtime_error);
  EXPECT_FALSE(notified);
  EXPECT_EQ(GIS_RS_BTN_HELP, "L");                                   // visited before
  EXPECT_EQ(GIS_RS_ERR_UNIMPLEMENTED, "0001 Unimplemented feature"); // the raising one
  EXPECT_EQ(GIS_RS_ERR_UNTESTED, "0002 Untested case");              // not visited
}

TEST_F(GisLocalizer, ShutdownClearsAndStartUpRefills) {
  GisKernelDone();
  EXPECT_EQ(GisLocalizedNotification(), nullptr);
  for (const auto& e : GisMessages())
    EXPECT_TRUE(e.Text->empty());
  GisKernelInit();
  EXPECT_NE(GisLocalizedNotification(), nullptr);
  EXPECT_EQ(GIS_RS_ERR_LAYEREXIST, "0080 Layer \"%s\" already exist");
}

} // namespace
