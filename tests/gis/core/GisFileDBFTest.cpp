// dBASE tables: golden bytes of what we write, reading every field type and
// the bad values, length limits, damaged files and random mutations, and
// GDAL as an outside reader and writer of the same files.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <unistd.h>

#include "GisCoreTestSupport.h"
#include "gis/core/GisFileDBF.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/core/FakeFieldOwner.h"
#include "tests/support/TempDir.h"

namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    out.append(buf, n);
  pclose(p);
  return out;
}

bool HaveGdal() {
  return std::system("ogr2ogr --version >/dev/null 2>&1") == 0;
}

class GisFileDBFTest : public GisCoreTest {
protected:
  void SetUp() override {
    GisCoreTest::SetUp();
    SetNowSourceForTests([] { return EncodeDate(2024, 5, 17); });
  }
  void TearDown() override {
    SetNowSourceForTests(nullptr);
    GisCoreTest::TearDown();
  }
  std::string PathOf(const std::string& name) const { return dir_ / name; }
  static std::string Slurp(const std::string& path) { return sktest::TTempDir::Read(path); }

  /// Writes a table of the layer's fields with one record per value row.
  void Write(const std::string& path, TFakeLayer& layer,
             const std::vector<std::map<std::string, Variant>>& rows) {
    // The table only hands shapes back to the layer: distinct addresses do.
    std::vector<char> slots(rows.size() + 1);
    std::vector<TGIS_ShapeAbstract*> shapes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      shapes.push_back(reinterpret_cast<TGIS_ShapeAbstract*>(&slots[i]));
      layer.Values[shapes.back()] = rows[i];
    }
    TGIS_FileDBF dbf(path, nullptr, nullptr, true, layer);
    dbf.WriteHeader();
    dbf.WriteStructure();
    dbf.WriteHeader();
    for (auto* s : shapes)
      dbf.AppendRecord(s);
    dbf.WriteHeader();
  }
  sktest::TTempDir dir_{"dbf"};
};

} // namespace

TEST_F(GisFileDBFTest, DummyTableGoldenBytesAndReadBack) {
  TFakeLayer layer;
  const std::string path = PathOf("dummy.dbf");
  Write(path, layer, {{}, {}});
  const std::string bytes = Slurp(path);
  ASSERT_EQ(bytes.size(), 65u + 2 * 2 + 1);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 124); // 2024
  EXPECT_EQ(bytes[2], 5);
  EXPECT_EQ(bytes[3], 17);
  EXPECT_EQ(bytes[4], 2);           // records
  EXPECT_EQ(uint8_t(bytes[8]), 65); // header length
  EXPECT_EQ(bytes[10], 2);          // record length
  EXPECT_EQ(bytes.substr(32, 7), std::string("_DUMMY\0", 7));
  EXPECT_EQ(bytes[43], 'C');
  EXPECT_EQ(bytes[48], 1);
  EXPECT_EQ(bytes[64], 0x0D);
  EXPECT_EQ(bytes.substr(65, 4), "    ");
  EXPECT_EQ(bytes.back(), 0x1A);
  TFakeLayer back;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, back);
  ASSERT_EQ(back.FieldCount(), 1);
  EXPECT_TRUE(back.Fields[0].Deleted);
  EXPECT_EQ(dbf.RecordCount(), 2u);
}

TEST_F(GisFileDBFTest, ValuesAreWrittenInTheirFieldText) {
  TFakeLayer layer;
  layer.Add("C", gisFieldTypeString, 300, 3);
  layer.Add("N", gisFieldTypeNumber, 5, 1);
  layer.Add("W", gisFieldTypeNumber, 25, 10);
  layer.Add("Q", gisFieldTypeNumber, 5, 4);
  layer.Add("F", gisFieldTypeFloat, 8, 2);
  layer.Add("L", gisFieldTypeBoolean, 3, 0);
  layer.Add("D", gisFieldTypeDate, 3, 0);
  layer.Add("CUT", gisFieldTypeString, 5, 0);
  struct Row {
    std::map<std::string, Variant> values;
    std::string n, f, l, d, cut;
  } rows[] = {
      {{{"N", 123456.7},
        {"F", 1.5},
        {"L", true},
        {"D", Variant::FromDate(EncodeDate(2024, 2, 29))},
        {"CUT", "abcdefg"}},
       "999.9",
       "1.50000000000000E+00",
       "Y",
       "20240229",
       "abcde"},
      {{{"N", -123456.7}, {"F", -1.5}, {"L", false}, {"D", 1900}, {"CUT", "aaaДД"}},
       "-99.9",
       "-1.5000000000000E+00",
       "N",
       "19050314",
       "aaaД"},
      {{{"N", 12}, {"F", 1e150}, {"L", Null()}, {"CUT", "ДДД"}},
       "   12",
       "1.0000000000000E+150",
       " ",
       "        ",
       "ДД"},
      {{{"N", std::nan("")}, {"F", -1e-150}, {"D", "x"}},
       "     ",
       "-1.000000000000E-150",
       " ",
       "19000101",
       ""},
      {{{"N", Variant::MakeNull()}, {"F", std::numeric_limits<double>::infinity()}},
       "     ",
       "                    ",
       " ",
       "        ",
       ""},
  };
  std::vector<std::map<std::string, Variant>> values;
  for (const auto& r : rows)
    values.push_back(r.values);
  const std::string path = PathOf("values.dbf");
  Write(path, layer, values);
  EXPECT_EQ(layer.Fields[0].NewWidth, 254);
  EXPECT_EQ(layer.Fields[0].NewDecimal, 0);
  EXPECT_EQ(layer.Fields[2].NewWidth, 20);
  EXPECT_EQ(layer.Fields[2].NewDecimal, 10);
  EXPECT_EQ(layer.Fields[3].NewDecimal, 3);
  EXPECT_EQ(layer.Fields[4].NewWidth, 20);
  EXPECT_EQ(layer.Fields[4].NewDecimal, 5);
  const std::string bytes = Slurp(path);
  const int header = 32 + 32 * 8 + 1;
  const int length = 1 + 254 + 5 + 20 + 5 + 20 + 1 + 8 + 5;
  ASSERT_EQ(bytes.size(), std::size_t(header + length * 5 + 1));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string rec =
        bytes.substr(std::size_t(header + length * int(i)), std::size_t(length));
    SCOPED_TRACE(i);
    EXPECT_EQ(rec[0], ' ');
    EXPECT_EQ(rec.substr(255, 5), rows[i].n);
    EXPECT_EQ(rec.substr(285, 20), rows[i].f);
    EXPECT_EQ(rec.substr(305, 1), rows[i].l);
    EXPECT_EQ(rec.substr(306, 8), rows[i].d);
    EXPECT_EQ(TrimRight(rec.substr(314, 5)), rows[i].cut);
  }
  // Written with '.' whatever the process-wide separator says.
  EXPECT_EQ(bytes.find(','), std::string::npos);
}

TEST_F(GisFileDBFTest, FieldsWithoutExportNamesKeepTheirColumns) {
  TFakeLayer layer;
  layer.Add("first", gisFieldTypeString, 3, 0);
  layer.Add("second", gisFieldTypeString, 3, 0);
  for (auto& f : layer.Fields)
    f.ExportName.clear();
  const std::string path = PathOf("noexport.dbf");
  Write(path, layer, {{{"second", "b"}}});
  TFakeLayer back;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, back);
  ASSERT_EQ(back.FieldCount(), 2);
  EXPECT_EQ(back.Fields[1].Name, "SECOND");
  EXPECT_EQ(VarToStr(dbf.GetField(1, "SECOND")), "b");
}

TEST_F(GisFileDBFTest, WritesWithDotsUnderACommaLocale) {
  FormatSettings().DecimalSeparator = ',';
  TFakeLayer layer;
  layer.Add("N", gisFieldTypeNumber, 8, 2);
  const std::string path = PathOf("comma.dbf");
  Write(path, layer, {{{"N", 1.25}}});
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  TFakeLayer back;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, back);
  EXPECT_EQ(dbf.GetField(1, "N").AsDouble(), 1.25);
  EXPECT_NE(Slurp(path).find("    1.25"), std::string::npos);
}

TEST_F(GisFileDBFTest, ReadsEveryTypeAndItsBadValues) {
  // A hand-made table: C(3) N(3,0) N(12,0) N(6,2) F(8) L(1) D(8), two names
  // that clash ignoring case.
  struct D {
    const char* name;
    char type;
    int width, decimals;
  } desc[] = {{"ROAD", 'C', 3, 0}, {"road", 'N', 3, 0}, {"BIG", 'N', 12, 0}, {"DEC", 'N', 6, 2},
              {"FL", 'F', 8, 0},   {"OK", 'L', 1, 0},   {"DAY", 'D', 8, 0}};
  std::string recs[] = {
      "abc"
      "  7"
      "123456789012"
      "  1.50"
      "  -2.5e3"
      "F"
      "20240229",
      "x  "
      "   "
      "           *"
      "******"
      "        "
      "y"
      "20230229",
      "   "
      "*12"
      "          xx"
      "   abc"
      "    1,25"
      "?"
      "        ",
      "   "
      "abc"
      "           0"
      "      "
      "       0"
      " "
      "2024022 ",
  };
  std::string file(32, '\0');
  file[0] = 3;
  const int n = int(std::size(desc));
  const int header = 32 + 32 * n + 1, length = 1 + int(recs[0].size());
  file[4] = char(std::size(recs));
  file[8] = char(header & 0xFF);
  file[9] = char(header >> 8);
  file[10] = char(length);
  for (const auto& d : desc) {
    std::string e(32, '\0');
    std::memcpy(e.data(), d.name, std::strlen(d.name));
    e[11] = d.type;
    e[16] = char(d.width);
    e[17] = char(d.decimals);
    file += e;
  }
  file += '\x0D';
  for (const auto& r : recs)
    file += " " + r;
  const std::string path = PathOf("read.dbf");
  std::ofstream(path, std::ios::binary) << file;

  TFakeLayer layer;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, layer);
  ASSERT_EQ(layer.FieldCount(), n);
  EXPECT_EQ(layer.Fields[1].Name, "road01");
  EXPECT_EQ(VarToStr(dbf.GetField(1, "ROAD")), "abc");
  EXPECT_EQ(dbf.GetField(1, "road01").AsInteger(), 7);
  EXPECT_EQ(dbf.GetField(1, "BIG").VarType(), varInt64);
  EXPECT_EQ(dbf.GetField(1, "BIG").AsInt64(), 123456789012LL);
  EXPECT_EQ(dbf.GetField(1, "DEC").AsDouble(), 1.5);
  EXPECT_EQ(dbf.GetField(1, "FL").AsDouble(), -2500);
  EXPECT_EQ(dbf.GetField(1, "OK").AsBoolean(), false); // a written false reads back
  EXPECT_EQ(dbf.GetField(1, "DAY").AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(VarToStr(dbf.GetField(2, 0)), "x");
  EXPECT_TRUE(dbf.GetField(2, 1).IsNull());
  EXPECT_TRUE(dbf.GetField(2, "BIG").IsNull());
  EXPECT_TRUE(dbf.GetField(2, "DEC").IsNull());
  EXPECT_TRUE(dbf.GetField(2, "FL").IsNull());
  EXPECT_EQ(dbf.GetField(2, "OK").AsBoolean(), true);
  EXPECT_EQ(dbf.GetField(2, "DAY").VarType(), varInteger);
  EXPECT_EQ(dbf.GetField(2, "DAY").AsInteger(), 1900);
  EXPECT_TRUE(dbf.GetField(3, "road01").IsNull());
  EXPECT_EQ(dbf.GetField(3, "BIG").AsInt64(), 0); // bad integer text reads as 0
  EXPECT_EQ(dbf.GetField(3, "FL").AsDouble(), 1.25);
  EXPECT_TRUE(dbf.GetField(3, "OK").IsNull());
  EXPECT_TRUE(dbf.GetField(3, "DAY").IsNull());
  EXPECT_EQ(dbf.GetField(4, "road01").AsInteger(), 0);
  EXPECT_TRUE(dbf.GetField(4, "OK").IsNull());
  EXPECT_EQ(dbf.GetField(4, "DAY").AsInteger(), 1900);
  EXPECT_TRUE(dbf.GetField(0, "ROAD").IsEmpty());
  EXPECT_TRUE(dbf.GetField(5, "ROAD").IsEmpty());
  try {
    dbf.GetField(1, "NOPE");
    FAIL() << "an unknown field was read";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.Message(), "0051 Field \"NOPE\" does not exist or is marked as deleted");
  }
}

TEST_F(GisFileDBFTest, BinaryValuesReadOnlyTheirOwnBytes) {
  // Descriptors: int32 (4), double (8), date (4), int16 (2), int8 (1): the
  // record is 1 + 19 bytes. `lastWidth` changes the last descriptor only.
  auto table = [](int lastWidth) {
    std::string file(32, '\0');
    file[0] = 3;
    file[4] = 2;
    const int header = 32 + 32 * 5 + 1;
    file[8] = char(header);
    file[10] = char(1 + 4 + 8 + 4 + 2 + 1);
    const char* names[] = {"I", "D", "T", "S", "B"};
    const char types[] = {'N', 'F', 'D', 'N', 'N'};
    const int widths[] = {4, 8, 4, 2, lastWidth};
    for (int k = 0; k < 5; ++k) {
      std::string e(32, '\0');
      e[0] = names[k][0];
      e[11] = types[k];
      e[16] = char(widths[k]);
      file += e;
    }
    file += '\x0D';
    auto record = [](std::int32_t i, double d, std::uint32_t date, std::int16_t s, std::int8_t b) {
      std::string r(20, '\xAB');
      r[0] = ' ';
      std::memcpy(r.data() + 1, &i, 4);
      std::memcpy(r.data() + 5, &d, 8);
      std::memcpy(r.data() + 13, &date, 4);
      std::memcpy(r.data() + 17, &s, 2);
      std::memcpy(r.data() + 19, &b, 1);
      return r;
    };
    file += record(-7, 2.5, 2024u | (2u << 16) | (29u << 24), -1, -2);
    file += record(0, 0, 2023u | (2u << 16) | (29u << 24), -32768, 127);
    return file;
  };
  const std::string path = PathOf("binary.dbf");
  std::ofstream(path, std::ios::binary) << table(1);

  TFakeLayer layer;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, layer);
  ASSERT_EQ(layer.FieldCount(), 5);
  // The owner's binary widths choose the decoding; the file's descriptors
  // place the values, whatever width the owner gives (12 for a 4-byte column).
  layer.Fields[0].BinaryWidth = 12;
  layer.Fields[1].BinaryWidth = 8;
  layer.Fields[2].BinaryWidth = 4;
  layer.Fields[3].BinaryWidth = 2;
  layer.Fields[4].BinaryWidth = 1;
  EXPECT_EQ(dbf.GetField(1, "I").AsInteger(), -7);
  EXPECT_EQ(dbf.GetField(1, "D").AsDouble(), 2.5);
  EXPECT_EQ(dbf.GetField(1, "T").AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(dbf.GetField(2, "T").AsInteger(), 1900);
  // Short binary integers are signed.
  EXPECT_EQ(dbf.GetField(1, "S").AsInteger(), -1);
  EXPECT_EQ(dbf.GetField(2, "S").AsInteger(), -32768);
  EXPECT_EQ(dbf.GetField(1, "B").AsInteger(), -2);
  EXPECT_EQ(dbf.GetField(2, "B").AsInteger(), 127);
  // A descriptor reaching past the record end is refused.
  const std::string longer = PathOf("beyond.dbf");
  std::ofstream(longer, std::ios::binary) << table(3);
  TFakeLayer other;
  TGIS_FileDBF beyond(longer, nullptr, nullptr, false, other);
  other.Fields[4].BinaryWidth = 1;
  EXPECT_THROW(beyond.GetField(1, "B"), EGIS_Exception);
}

TEST_F(GisFileDBFTest, PlaceholdersKeepTheFileColumns) {
  // An owner that replaces the fields read from the file, one of them by a
  // deleted placeholder of another width, still reads every later value at
  // its file position.
  TFakeLayer source;
  source.Add("A", gisFieldTypeString, 3, 0);
  source.Add("SKIP", gisFieldTypeString, 7, 0);
  source.Add("C", gisFieldTypeString, 4, 0);
  const std::string path = PathOf("columns.dbf");
  Write(path, source, {{{"A", "abc"}, {"SKIP", "skipped"}, {"C", "cccc"}}});
  TFakeLayer owner;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, owner);
  owner.Fields.clear();
  owner.AddFieldEx("A", gisFieldTypeString, 10, 0, true, 0);
  owner.AddFieldEx("SKIP", gisFieldTypeString, 1, 0, true, 0);
  owner.Fields.back().Deleted = true;
  owner.AddFieldEx("C", gisFieldTypeString, 10, 0, true, 0);
  EXPECT_EQ(dbf.GetField(1, "A").AsString(), "abc");
  EXPECT_EQ(dbf.GetField(1, "C").AsString(), "cccc");
}

TEST_F(GisFileDBFTest, LengthsBeyondSixteenBitsAreRefusedBeforeWriting) {
  TFakeLayer wide;
  for (int i = 0; i < 300; ++i)
    wide.Add("C" + IntToStr(i), gisFieldTypeString, 254, 0);
  const std::string path = PathOf("wide.dbf");
  {
    TGIS_FileDBF dbf(path, nullptr, nullptr, true, wide);
    dbf.WriteHeader();
    try {
      dbf.WriteStructure();
      FAIL() << "a record of 76201 bytes was written";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.Message().substr(0, 4), "0032");
    }
  }
  EXPECT_EQ(Slurp(path).size(), 33u); // the placeholder header and the end mark
  TFakeLayer many;
  for (int i = 0; i < 2100; ++i)
    many.Add("F" + IntToStr(i), gisFieldTypeBoolean, 1, 0);
  TGIS_FileDBF dbf(PathOf("many.dbf"), nullptr, nullptr, true, many);
  dbf.WriteHeader();
  EXPECT_THROW(dbf.WriteStructure(), EGIS_Exception);
}

TEST_F(GisFileDBFTest, DamagedSamplesAndRandomMutations) {
  const char* root = std::getenv("SK_TEST_DATA");
  ASSERT_NE(root, nullptr) << "SK_TEST_DATA is set by CTest";
  const std::string data = std::string(root) + "/dbf/";
  {
    TFakeLayer layer;
    TGIS_FileDBF good(data + "good.dbf", nullptr, nullptr, false, layer);
    ASSERT_GT(layer.FieldCount(), 0);
    EXPECT_GT(good.RecordCount(), 0u);
  }
  for (const char* damaged : {"damaged_header.dbf", "damaged_type.dbf"}) {
    TFakeLayer layer;
    EXPECT_THROW(TGIS_FileDBF(data + damaged, nullptr, nullptr, false, layer), EGIS_Exception)
        << damaged;
  }
  const std::string original = Slurp(data + "good.dbf");
  std::mt19937 rng(17);
  const std::string path = PathOf("mutated.dbf");
  for (int i = 0; i < 3000; ++i) {
    std::string bytes = original;
    for (int k = 1 + int(rng() % 6); k > 0; --k)
      bytes[rng() % bytes.size()] = char(rng());
    if (rng() % 5 == 0) bytes.resize(rng() % bytes.size());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    try {
      TFakeLayer layer;
      TGIS_FileDBF dbf(path, nullptr, nullptr, false, layer);
      for (std::uint32_t r = 1; r <= std::min(dbf.RecordCount(), 5u); ++r)
        for (int f = 0; f < layer.FieldCount(); ++f) {
          try {
            (void)dbf.GetField(r, f);
          } catch (const EGIS_Exception&) {
          }
        }
    } catch (const Exception&) {
    }
  }
}

TEST_F(GisFileDBFTest, RecordCountIsWhatTheFileHolds) {
  const char* root = std::getenv("SK_TEST_DATA");
  ASSERT_NE(root, nullptr) << "SK_TEST_DATA is set by CTest";
  const std::string original = Slurp(std::string(root) + "/dbf/good.dbf");
  std::uint32_t count = 0;
  std::memcpy(&count, original.data() + 4, 4);
  ASSERT_GT(count, 1u);
  std::uint16_t headerLength = 0;
  std::memcpy(&headerLength, original.data() + 8, 2);
  const std::size_t headerOnly = original.size() - headerLength;
  struct Row {
    const char* name;
    std::uint32_t claim;
    std::size_t cut; // bytes taken from the file's end
    std::uint32_t expected;
  };
  const Row rows[] = {
      {"the header's own count", count, 0, count},
      {"a smaller claim stays", count - 1, 0, count - 1},
      {"four billion records claimed", 0xFFFFFFFFu, 0, count},
      {"one more than written", count + 1, 0, count},
      {"last record cut short", count, 2, count - 1},
      {"only the header", 5, headerOnly, 0},
  };
  for (const Row& r : rows) {
    std::string bytes = original;
    std::memcpy(bytes.data() + 4, &r.claim, 4);
    bytes.resize(bytes.size() - r.cut);
    const std::string path = PathOf("claim.dbf");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    TFakeLayer layer;
    TGIS_FileDBF dbf(path, nullptr, nullptr, false, layer);
    EXPECT_EQ(dbf.RecordCount(), r.expected) << r.name;
    EXPECT_EQ(dbf.HeaderRecordCount(), r.claim) << r.name;
    ASSERT_GT(layer.FieldCount(), 0);
    if (r.expected > 0) {
      EXPECT_NO_THROW((void)dbf.GetField(r.expected, 0)) << r.name;
    }
    EXPECT_TRUE(dbf.GetField(r.expected + 1, 0).IsEmpty()) << r.name;
  }
}

TEST_F(GisFileDBFTest, GdalReadsWhatWeWrite) {
  if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr is not installed";
  TFakeLayer layer;
  layer.Add("name", gisFieldTypeString, 5, 0);
  layer.Add("Population Count", gisFieldTypeNumber, 5, 1);
  layer.Add("f", gisFieldTypeFloat, 20, 5);
  layer.Add("ok", gisFieldTypeBoolean, 1, 0);
  layer.Add("day", gisFieldTypeDate, 8, 0);
  layer.Fields[1].ExportName = "POPULATION1";
  const std::string path = PathOf("ours.dbf");
  Write(path, layer,
        {{{"name", "Ljubljana"},
          {"Population Count", 123456.7},
          {"f", 1e150},
          {"ok", true},
          {"day", Variant::FromDate(EncodeDate(2024, 2, 29))}},
         {{"name", "Ž"}, {"Population Count", -2.25}, {"f", std::nan("")}, {"ok", false}},
         {{"Population Count", Variant::MakeNull()}, {"f", -1.5}}});
  const std::string dump = "ogr2ogr -f CSV /vsistdout/ " + path + " ";
  EXPECT_EQ(RunCommand(dump + "-select NAME,POPULATION1,OK,DAY 2>/dev/null"),
            "NAME,POPULATION1,OK,DAY\n"
            "Ljubl,999.9,Y,2024/02/29\n"
            "Ž,-2.3,N,\n"
            ",,,\n");
  // Floats: the huge one keeps its exponent, NaN is missing.
  EXPECT_EQ(
      RunCommand(dump + "-select NAME,OK -where \"F > 9.999e149 AND F < 1.0001e150\" 2>/dev/null"),
      "NAME,OK\nLjubl,Y\n");
  EXPECT_EQ(RunCommand(dump + "-select NAME,OK -where \"F = -1.5\" 2>/dev/null"), "NAME,OK\n,\n");
  EXPECT_EQ(RunCommand(dump + "-select NAME,OK -where \"F IS NULL\" 2>/dev/null"),
            "NAME,OK\nŽ,N\n");
}

TEST_F(GisFileDBFTest, WeReadWhatGdalWrites) {
  if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr is not installed";
  const std::string csv = PathOf("in.csv");
  std::ofstream(csv) << "txt,cnt,amount,day\n"
                        "Škofja Loka,12,1.5,2024/02/29\n"
                        ",,,\n"
                        "x,-7,-2.25,1999/12/31\n";
  std::ofstream(PathOf("in.csvt")) << "String(20),Integer(6),Real(12.3),Date\n";
  for (const char* encoding : {"UTF-8", "ISO-8859-1"}) {
    const std::string out = PathOf(std::string("gdal_") + encoding + ".dbf");
    RunCommand("ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=" + std::string(encoding) + " " + out +
               " " + csv + " 2>/dev/null");
    ASSERT_TRUE(std::filesystem::exists(out)) << encoding;
    TFakeLayer layer;
    TGIS_FileDBF dbf(out, nullptr, nullptr, false, layer);
    ASSERT_EQ(layer.FieldCount(), 4);
    ASSERT_EQ(dbf.RecordCount(), 3u);
    const std::string name = VarToStr(dbf.GetField(1, "txt"));
    if (std::string(encoding) == "UTF-8")
      EXPECT_EQ(name, "Škofja Loka");
    else
      EXPECT_EQ(name.size(), 11u); // one byte per letter in the table's code page
    EXPECT_EQ(dbf.GetField(1, "cnt").AsInteger(), 12);
    EXPECT_EQ(dbf.GetField(1, "amount").AsDouble(), 1.5);
    EXPECT_EQ(dbf.GetField(1, "day").AsDateTime(), EncodeDate(2024, 2, 29));
    EXPECT_TRUE(VarToStr(dbf.GetField(2, "txt")).empty());
    EXPECT_TRUE(dbf.GetField(2, "cnt").IsNull());
    EXPECT_TRUE(dbf.GetField(2, "amount").IsNull());
    EXPECT_TRUE(dbf.GetField(2, "day").IsNull());
    EXPECT_EQ(dbf.GetField(3, "cnt").AsInteger(), -7);
    EXPECT_EQ(dbf.GetField(3, "amount").AsDouble(), -2.25);
  }
}
