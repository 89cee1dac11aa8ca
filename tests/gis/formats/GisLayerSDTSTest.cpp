// ISO 8211 module files and SDTS transfers: the module reader against a
// small writer of our own, malformed modules, transfers made at test time,
// the DEM and vector layers through the factory, and GDAL's reading of the
// committed samples (tests/data/sdts, remade by make_sdts.py).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>

#include "gis/formats/GisFileSDTS.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerSDTS.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

namespace sdtstest {

const char kFT = '\x1e';
const char kUT = '\x1f';

/// A field description of the writer.
struct TFieldDef {
  std::string Tag, Name, Labels, Formats;
};

/// The sizes of the entry map.
struct TEntryMap {
  int Tag = 4, Length = 3, Position = 4;
};

std::string Num(long long v, int width) {
  std::string s = IntToStr(v);
  return std::string(std::size_t(std::max(0, width - int(s.size()))), '0') + s;
}

/// One record: leader, directory, field area.
std::string Record(const std::vector<std::pair<std::string, std::string>>& fields, bool ddr,
                   char leaderId = 'D', TEntryMap map = {}) {
  std::string directory;
  long long pos = 0;
  for (const auto& [tag, data] : fields) {
    std::string t = tag;
    t.resize(std::size_t(map.Tag), ' ');
    directory += t + Num((long long)data.size(), map.Length) + Num(pos, map.Position);
    pos += (long long)data.size();
  }
  directory += kFT;
  const long long base = 24 + (long long)directory.size();
  std::string leader = Num(base + pos, 5);
  leader += ddr ? "3LE1 09" : std::string(" ") + leaderId + "     ";
  leader += Num(base, 5) + (ddr ? " ! " : "   ");
  leader += IntToStr(map.Length) + IntToStr(map.Position) + "0" + IntToStr(map.Tag);
  std::string out = leader + directory;
  for (const auto& f : fields)
    out += f.second;
  return out;
}

std::string Ddr(const std::vector<TFieldDef>& defs, TEntryMap map = {}) {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"0000", std::string("0000;&   MODULE") + kFT},
      {"0001", std::string("0100;&   DDF RECORD IDENTIFIER") + kFT}};
  for (const auto& d : defs)
    fields.push_back({d.Tag, "1600;&   " + d.Name + kUT + d.Labels + kUT + d.Formats + kFT});
  return Record(fields, true, 'L', map);
}

/// Delimited values: a unit terminator after each but the last, then the field terminator.
std::string Field(const std::vector<std::string>& values) {
  std::string out;
  for (std::size_t i = 0; i < values.size(); ++i)
    out += values[i] + (i + 1 < values.size() ? std::string(1, kUT) : std::string());
  return out + kFT;
}

std::string BE32(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[std::size_t(i)] = char((std::uint32_t(v) >> (24 - 8 * i)) & 0xFF);
  return s;
}

/// The big-endian bytes of a double and of a single.
std::string BEDouble(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  std::string s;
  for (int i = 7; i >= 0; --i)
    s += char((bits >> (8 * i)) & 0xFF);
  return s;
}

std::string BESingle(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return BE32(std::int32_t(bits));
}

std::string Sadr(const std::vector<std::pair<int, int>>& points) {
  std::string out;
  for (const auto& [x, y] : points)
    out += BE32(x) + BE32(y);
  return out + kFT;
}

/// A module: the description and its records (fields after the record identifier).
std::string Module(const std::vector<TFieldDef>& defs,
                   const std::vector<std::vector<std::pair<std::string, std::string>>>& records) {
  std::string out = Ddr(defs);
  int n = 0;
  for (const auto& r : records) {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"0001", Num(++n, 6) + std::string(1, kFT)}};
    fields.insert(fields.end(), r.begin(), r.end());
    out += Record(fields, false);
  }
  return out;
}

/// A transfer written into a folder: modules by NAME, the catalogue made from them.
struct TTransfer {
  std::string Prefix = "9999";
  std::map<std::string, std::string> Modules; // NAME -> bytes
  std::vector<std::pair<std::string, std::string>> Extra; // NAME, EXTR "Y" entries
  std::map<std::string, int> Counts;                       // statistics (NAME -> NREC)

  void Write(const sktest::TTempDir& dir, const std::string& catalogName = "") const {
    std::vector<std::vector<std::pair<std::string, std::string>>> cat;
    int rcid = 0;
    for (const auto& [name, bytes] : Modules) {
      cat.push_back({{"CATD", Field({"CATD", IntToStr(++rcid), name, "", Prefix + name + ".DDF", "N"})}});
      dir.Write(Prefix + name + ".DDF", bytes);
    }
    for (const auto& [name, file] : Extra)
      cat.push_back({{"CATD", Field({"CATD", IntToStr(++rcid), name, "", file, "Y"})}});
    if (!Counts.empty()) {
      std::vector<std::vector<std::pair<std::string, std::string>>> stat;
      for (const auto& [name, n] : Counts)
        stat.push_back({{"STAT", Field({"STAT", "1", "X", name, IntToStr(n), "0"})}});
      const std::string bytes = Module(
          {{"STAT", "STATISTICS", "MODN!RCID!MNTF!MNRF!NREC!NSAD", "(A,I,2A,2I)"}}, stat);
      cat.push_back({{"CATD", Field({"CATD", IntToStr(++rcid), "STAT", "", Prefix + "STAT.DDF", "N"})}});
      dir.Write(Prefix + "STAT.DDF", bytes);
    }
    dir.Write(catalogName.empty() ? Prefix + "CATD.DDF" : catalogName,
              Module({{"CATD", "CATALOG/DIRECTORY", "MODN!RCID!NAME!TYPE!FILE!EXTR",
                       "(A,I,4A)"}},
                     cat));
  }
};

std::string Iden(const std::string& ffyn, const std::string& vgyn, const std::string& gtyn,
                 const std::string& rcyn) {
  return Module({{"IDEN", "IDENTIFICATION", "MODN!RCID!STID!PRID!PRVS!TITL!DAID!DAST",
                  "(A,I,6A)"},
                 {"CONF", "CONFORMANCE", "FFYN!VGYN!GTYN!RCYN!CDLV", "(4A,I)"}},
                {{{"IDEN", Field({"IDEN", "1", "SDTS", "PROFILE", "1.0", "TITLE", "ID-1", "DLG"})},
                  {"CONF", Field({ffyn, vgyn, gtyn, rcyn, "3"})}}});
}

std::string Iref(const std::string& sfax, const std::string& xorg, const std::string& xhrs,
                 const std::string& yhrs) {
  return Module({{"IREF", "INTERNAL SPATIAL REFERENCE",
                  "MODN!RCID!HFMT!SFAX!SFAY!XORG!YORG!XHRS!YHRS", "(A,I,A,6R)"}},
                {{{"IREF", Field({"IREF", "1", "BI32", sfax, sfax, xorg, "0", xhrs, yhrs})}}});
}

/// A vector transfer whose points and line hold the given stored integers.
TTransfer VectorTransfer(const std::string& sfax, const std::string& xorg) {
  TTransfer t;
  t.Modules["IDEN"] = Iden("N", "Y", "N", "N");
  t.Modules["IREF"] = Iref(sfax, xorg, "1", "1");
  t.Modules["NO01"] = Module(
      {{"PNTS", "POINT-NODE", "MODN!RCID!OBRP", "(A,I,A)"},
       {"SADR", "SPATIAL ADDRESS", "X!Y", "(2B(32))"},
       {"ATID", "ATTRIBUTE ID", "MODN!RCID", "(A,I)"}},
      {{{"PNTS", Field({"NO01", "1", "NO"})}, {"SADR", Sadr({{862, 912}})},
        {"ATID", Field({"AP01", "1"})}},
       {{"PNTS", Field({"NO01", "2", "NO"})}, {"SADR", Sadr({{-700, 0}})},
        {"ATID", Field({"    ", "0"})}}});
  t.Modules["LE01"] = Module(
      {{"LINE", "LINE", "MODN!RCID!OBRP", "(A,I,A)"},
       {"ATID", "ATTRIBUTE ID", "MODN!RCID", "(A,I)"},
       {"SADR", "SPATIAL ADDRESS", "X!Y", "(2B(32))"}},
      {{{"LINE", Field({"LE01", "1", "LE"})}, {"ATID", Field({"AP01", "2"})},
        {"SADR", Sadr({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}})}}});
  t.Modules["PC01"] = Module({{"POLY", "POLYGON", "MODN!RCID!OBRP", "(A,I,A)"}},
                             {{{"POLY", Field({"PC01", "1", "PC"})}}});
  t.Modules["AP01"] = Module(
      {{"ATPR", "ATTRIBUTE PRIMARY", "MODN!RCID", "(A,I)"},
       {"ATTP", "PRIMARY ATTRIBUTES", "NAME!CODE!TAG", "(A(4),I(6),A(2))"}},
      {{{"ATPR", Field({"AP01", "1"})}, {"ATTP", std::string("ABCD000012XY") + kFT}},
       {{"ATPR", Field({"AP01", "2"})}, {"ATTP", std::string("EFGH000345ZZ") + kFT}}});
  return t;
}

/// A 3 x 4 DEM of `fmt` cells given as raw big-endian bytes per row.
TTransfer DemTransfer(const std::string& fmt, int bits, const std::vector<std::string>& rows,
                      const std::string& xhrs = "30", const std::string& yhrs = "30") {
  TTransfer t;
  t.Modules["IDEN"] = Iden("N", "N", "N", "Y");
  t.Modules["IREF"] = Iref("1", "0", xhrs, yhrs);
  t.Modules["DDOM"] = Module(
      {{"DDOM", "DOMAIN", "MODN!RCID!ATLB!DVAL!DVDF", "(A,I,A,R,A)"}},
      {{{"DDOM", Field({"DDOM", "1", "ELEVATION", "100", "MINIMUM"})}},
       {{"DDOM", Field({"DDOM", "2", "ELEVATION", "1200", "MAXIMUM"})}},
       {{"DDOM", Field({"DDOM", "3", "ELEVATION", "-32767", "FILL"})}},
       {{"DDOM", Field({"DDOM", "4", "ELEVATION", "-32768", "VOID"})}}});
  t.Modules["DDSH"] = Module({{"DDSH", "SCHEMA", "MODN!RCID!NAME!FMT!UNIT", "(A,I,3A)"}},
                             {{{"DDSH", Field({"DDSH", "1", "CEL0", fmt, "METERS"})}}});
  t.Modules["RSDF"] = Module(
      {{"RSDF", "RASTER DEFINITION", "MODN!RCID!RWXT!CLXT!NLAY", "(A,4I)"},
       {"SADR", "SPATIAL ADDRESS", "X!Y", "(2B(32))"},
       {"ISID", "INTERNAL SPATIAL ID", "MODN!RCID", "(A,I)"},
       {"LYID", "LAYER ID", "MODN!RCID", "(A,I)"}},
      {{{"RSDF", Field({"RSDF", "1", "3", "4", "1"})}, {"SADR", Sadr({{300, 900}})},
        {"ISID", Field({"IREF", "1"})}, {"LYID", Field({"LDEF", "1"})}}});
  t.Modules["LDEF"] = Module({{"LDEF", "LAYER DEFINITION", "MODN!RCID!CMNM!NROW!NCOL", "(A,I,A,2I)"}},
                             {{{"LDEF", Field({"LDEF", "1", "CEL0", "3", "4"})}}});
  std::vector<std::vector<std::pair<std::string, std::string>>> cells;
  for (std::size_t r = 0; r < rows.size(); ++r)
    cells.push_back({{"CELL", Field({"CEL0", IntToStr(int(r) + 1), IntToStr(int(r) + 1), "1"})},
                     {"CVLS", rows[r] + kFT}});
  t.Modules["CEL0"] =
      Module({{"CELL", "CELL", "MODN!RCID!ROWI!COLI", "(A,3I)"},
              {"CVLS", "CELL VALUES", "ELEVATION", "(B(" + IntToStr(bits) + "))"}},
             cells);
  return t;
}

std::string BE16Row(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) {
    s += char((std::uint16_t(v) >> 8) & 0xFF);
    s += char(std::uint16_t(v) & 0xFF);
  }
  return s;
}

/// The layer of class T the factory makes of `path`, opened; null when
/// the factory makes another.
template <class T> std::unique_ptr<T> OpenedLayer(const std::string& path) {
  auto layer = GisCreateLayer("sdts", path);
  if (dynamic_cast<T*>(layer.get()) == nullptr) return nullptr;
  std::unique_ptr<T> typed(static_cast<T*>(layer.release()));
  typed->Open();
  return typed;
}

struct RegisteredSdts {
  RegisteredSdts() { GisFormatsRegisterLayers(); }
};


// ---- ISO 8211 ------------------------------------------------------------------------------

TEST(Iso8211, FormatControlsGiveEachLabelItsFormatAndWidth) {
  struct Row {
    const char* text;
    std::size_t labels;
    std::vector<std::pair<char, std::int32_t>> expected;
  };
  const Row rows[] = {
      {"(A(4),I(6),3A)", 5, {{'A', 4}, {'I', 6}, {'A', 0}, {'A', 0}, {'A', 0}}},
      {"((A,I))", 2, {{'A', 0}, {'I', 0}}},
      {"(2B(32))", 2, {{'B', 32}, {'B', 32}}},
      {"(A,D,I)", 3, {{'A', 0}, {'I', 0}, {char(0), 0}}},
      {"(z,R(10))", 2, {{'A', 0}, {'R', 10}}},
      {"(A,2(I,R))", 5, {{'A', 0}, {'I', 0}, {'R', 0}, {'I', 0}, {'R', 0}}},
      {"(3A)", 2, {{'A', 0}, {'A', 0}}},
      {"(999999999999A)", 3, {{'A', 0}, {'A', 0}, {'A', 0}}},
      {"", 1, {{char(0), 0}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(SdtsParseFormatControls(r.text, r.labels), r.expected);
  }
}

TEST(Iso8211, DirectoriesOfEveryEntryMapAndRecordReuseRead) {
  for (TEntryMap map : {TEntryMap{4, 3, 4}, TEntryMap{7, 2, 9}, TEntryMap{6, 9, 5}}) {
    SCOPED_TRACE(IntToStr(map.Tag) + "/" + IntToStr(map.Length) + "/" + IntToStr(map.Position));
    std::string bytes = Ddr({{"TEST", "TEST FIELD", "*A!B", "(A,I)"}}, map);
    // an "R" record: its directory serves the records after it
    bytes += Record({{"0001", "1" + std::string(1, kFT)}, {"TEST", Field({"ab", "1"})}}, false,
                    'R', map);
    bytes += std::string("2") + kFT + "cd" + kUT + "2" + kFT;
    bytes += std::string("3") + kFT + "ef" + kUT + "3" + kFT;
    TGIS_FileSDTS_ISO8211 f("mem", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_EQ(f.Descriptions().size(), 1u);
    EXPECT_EQ(f.GetDirCount(), 3);
    EXPECT_EQ(f.GetDirEntry(5).Length, 0);
    const auto& d = f.Descriptions()[0];
    ASSERT_EQ(d.Subfields.size(), 2u);
    EXPECT_EQ(d.Subfields[0].Label, "A");
    EXPECT_EQ(d.Name, "TEST FIELD");
    TGIS_FileSDTS_DirEntryArray entries(5);
    std::vector<std::string> seen;
    while (f.ReadRecord(entries)) {
      ASSERT_GE(entries.size(), 2u);
      EXPECT_EQ(entries[1].Tag.substr(0, 4), "TEST");
      seen.push_back(TGIS_FileSDTS::ReadDelimited(entries[1]));
      EXPECT_EQ(entries[2].Length, 0); // entries past the record's own are empty
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ab", "cd", "ef"}));
  }
}

TEST(Iso8211, SubfieldsDecodeByTheirFormats) {
  TGIS_FileSDTS_DirEntry e;
  const std::string bytes = std::string("AB") + kUT + "CD" + kUT + "EF" + kFT;
  auto entry = [&](const std::string& b) {
    e.Data = reinterpret_cast<const std::uint8_t*>(b.data());
    e.Length = std::int32_t(b.size());
    return e;
  };
  TGIS_FileSDTS_DDAFieldArray three(3), one(1);
  EXPECT_EQ(TGIS_FileSDTS::RepeatCount(entry(bytes), three), 1);
  EXPECT_EQ(TGIS_FileSDTS::RepeatCount(entry(bytes), one), 3);
  // fixed widths count bytes, binary widths are bits
  TGIS_FileSDTS_DDAFieldArray xy(2);
  xy[0].Format = xy[1].Format = 'B';
  xy[0].Width = xy[1].Width = 32;
  EXPECT_EQ(TGIS_FileSDTS::RepeatCount(entry(std::string(8 * 5 + 1, 'x')), xy), 5);
  // a delimited value without a unit terminator stops before the field terminator
  const std::string last = std::string("XYZ") + kFT;
  auto tail = entry(last);
  EXPECT_EQ(TGIS_FileSDTS::ReadDelimited(tail), "XYZ");
  EXPECT_EQ(tail.Length, 0);
  // a fixed read counts the field down, so a delimited read after it stays inside
  const std::string mixed = std::string("1234") + "AB" + kFT + "OUTSIDE";
  auto m = entry(mixed);
  m.Length = 7;
  EXPECT_EQ(TGIS_FileSDTS::ReadFixed(m, 4), "1234");
  EXPECT_EQ(m.Length, 3);
  EXPECT_EQ(TGIS_FileSDTS::ReadDelimited(m), "AB");
  EXPECT_EQ(TGIS_FileSDTS::ReadDelimited(m), "");
  EXPECT_EQ(TGIS_FileSDTS::ReadFixed(m, 100), "");

  struct Row {
    std::string bytes, name;
    double expected;
  };
  const std::string fbytes = BESingle(-2.5f), dbytes = BEDouble(1234.5678);
  const Row rows[] = {
      {std::string("\0\0\x01\0", 4), "B", 256},
      {std::string("\xFF\xFE", 2), "BI16", -2},
      {std::string("\xFF\xFE", 2), "BUI16", 65534},
      {std::string("\xFF\xFF\xFE", 3), "BI24", -2},
      {std::string("\x00\x01\x00", 3), "BUI24", 256},
      {std::string("\x80", 1), "BI8", -128},
      {std::string("\xFF\xFF\xFF\xFF", 4), "BUI", 4294967295.0},
      {std::string("\xFF\xFF\xFF\xFF", 4), "BI32", -1},
      {fbytes, "BFP32", -2.5},
      {dbytes, "BFP64", 1234.5678},
      {" 42 ", "I", 42},
      {"3.25", "R", 3.25},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const TGIS_FileSDTS_Value v = TGIS_FileSDTS::ConvertNamed(r.bytes, r.name);
    ASSERT_NE(v.Kind, TGIS_FileSDTS_Value::TKind::None);
    EXPECT_EQ(v.Kind == TGIS_FileSDTS_Value::TKind::Real ? v.Real : double(v.Int), r.expected);
  }
  // short values and unknown names store nothing
  EXPECT_EQ(TGIS_FileSDTS::ConvertNamed("ab", "BI32").Kind, TGIS_FileSDTS_Value::TKind::None);
  EXPECT_EQ(TGIS_FileSDTS::ConvertNamed("abcd", "XYZ").Kind, TGIS_FileSDTS_Value::TKind::None);
  EXPECT_EQ(TGIS_FileSDTS::BinaryFormatBits("BUI"), 32);
  EXPECT_EQ(TGIS_FileSDTS::BinaryFormatBits("BFP64"), 64);
}

TEST(Iso8211, MalformedModulesEndCleanlyAndQuickly) {
  const std::string good = Ddr({{"TEST", "T", "A", "(A)"}});
  auto data = [&](const std::string& r) { return good + r; };
  std::string zeroSum = Record({{"0001", ""}, {"TEST", ""}}, false, 'R');
  struct Row {
    const char* name;
    std::string bytes;
    bool opens; // the description reads; records end the module
  };
  std::string zeroSizes = good;
  zeroSizes[20] = zeroSizes[21] = zeroSizes[23] = '0';
  std::string baseBeyond = good;
  baseBeyond.replace(12, 5, "99999");
  std::string recordBeyond = good;
  recordBeyond.replace(0, 5, "99999");
  std::string notNumeric = good;
  notNumeric.replace(0, 5, "ab123");
  std::string shortRecord = Record({{"0001", "1"}, {"TEST", Field({"abc"})}}, false);
  shortRecord.replace(0, 5, "00010");
  std::string fieldOutside = Record({{"0001", "1"}, {"TEST", Field({"abc"})}}, false);
  fieldOutside[24 + 4 + 3 + 4 + 4] = '9'; // the second entry's length
  const Row rows[] = {
      {"empty", "", false},
      {"leader only", good.substr(0, 24), false},
      {"zero entry sizes", zeroSizes, false},
      {"base past the record", baseBeyond, false},
      {"record past the file", recordBeyond, false},
      {"leader not numeric", notNumeric, false},
      {"zero-sum reuse directory", data(zeroSum + zeroSum), true},
      {"record shorter than its leader", data(shortRecord), true},
      {"field outside its record", data(fieldOutside), true},
      {"truncated record", data(Record({{"0001", "1"}, {"TEST", Field({"abc"})}}, false).substr(0, 30)), true},
      {"garbage after the description", data(std::string(100, '\x1e')), true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto start = std::chrono::steady_clock::now();
    try {
      TGIS_FileSDTS_ISO8211 f("mem", std::vector<std::uint8_t>(r.bytes.begin(), r.bytes.end()));
      EXPECT_TRUE(r.opens);
      TGIS_FileSDTS_DirEntryArray entries;
      int n = 0;
      while (f.ReadRecord(entries) && n < 1000) {
        ++n;
        TGIS_FileSDTS transfer;
        if (entries.size() > 1)
          transfer.ReadFieldInto(entries[1], f.Descriptions()[0].Subfields, 0, nullptr);
      }
      EXPECT_LT(n, 1000);
    } catch (const Exception&) {
      EXPECT_FALSE(r.opens);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
}

// ---- transfers ------------------------------------------------------------------------------

TEST(SdtsTransfer, OpensFromAnyModuleAndReadsTheGlobalModules) {
  sktest::TTempDir dir("sdts-open");
  TTransfer t = VectorTransfer("0.01", "0");
  t.Modules["DDSH"] = Module({{"DDSH", "SCHEMA", "MODN!RCID!NAME!UNIT", "(A,I,2A)"}},
                             {{{"DDSH", Field({"DDSH", "1", "X", "METERS"})}}});
  t.Modules["DDOM"] = Module({{"DDOM", "DOMAIN", "MODN!RCID!DVAL!DVDF", "(A,I,A,A)"}},
                             {{{"DDOM", Field({"DDOM", "1", "7.5", "Fill"})}},
                              {{"DDOM", Field({"DDOM", "2", " 12 ", "minimum value"})}}});
  t.Extra.push_back({"IREF", "MISSINGIREF.DDF"}); // outside the transfer: never opened
  t.Counts = {{"NO01", 2}, {"LE01", 1}};            // the others have no statistics
  t.Write(dir, "9999catd.ddf");                       // the catalogue in another case

  for (const std::string& from : {dir / "9999LE01.DDF", dir / "9999NO01.DDF"}) {
    SCOPED_TRACE(from);
    TGIS_FileSDTS s;
    s.Open(from);
    EXPECT_EQ(s.BasePath(), dir.Path() + "/");
    EXPECT_TRUE(s.IsVector());
    EXPECT_FALSE(s.IsRaster());
    EXPECT_EQ(s.Flags() & SDTS_FLAG_IDENT, SDTS_FLAG_IDENT);
    EXPECT_EQ(s.Flags() & SDTS_FLAG_INTERNAL_REF, SDTS_FLAG_INTERNAL_REF);
    EXPECT_EQ(s.Flags() & SDTS_FLAG_STATISTICS, SDTS_FLAG_STATISTICS);
    ASSERT_EQ(s.InternalRefs().size(), 1u);
    EXPECT_EQ(s.InternalRefs()[0].SFAX, 0.01);
    std::map<std::string, int> counts;
    for (const auto& e : s.Catalog())
      counts[e.NAME] = e.RecordCount;
    EXPECT_EQ(counts["NO01"], 2);
    EXPECT_EQ(counts["LE01"], 1);
    EXPECT_EQ(counts["AP01"], 0);
    EXPECT_EQ(s.GetUnitsType(), TGIS_UnitsType(2));
    EXPECT_EQ(s.FindDomain("MIN"), 1);
    EXPECT_EQ(s.FindDomain("FILL"), 0);
    EXPECT_EQ(s.DictionaryDomains()[1].DVAL, 12);
    EXPECT_EQ(s.GetDescription(), "SDTS\r\nPROFILE\r\n1.0 DLG\r\nTITLE\r\nID-1\r\n");
  }
  // the Windows separator splits the prefix too
  TGIS_FileSDTS s;
  std::string windows = dir / "9999NO01.DDF";
  windows[windows.rfind('/')] = '\\';
  s.Open(windows);
  EXPECT_TRUE(s.IsVector());
}

TEST(SdtsTransfer, ConformanceUnitsAndMissingModules) {
  struct Row {
    const char *ffyn, *vgyn, *gtyn, *rcyn;
    bool raster, vector;
  };
  const Row rows[] = {{"N", "N", "N", "Y", true, false}, {"N", "Y", "N", "N", false, true},
                      {"N", "N", "Y", "N", false, true}, {"N", "N", "N", "N", false, false},
                      {"Y", "N", "N", "Y", false, false}};
  for (const Row& r : rows) {
    sktest::TTempDir dir("sdts-conf");
    TTransfer t;
    t.Modules["IDEN"] = Iden(r.ffyn, r.vgyn, r.gtyn, r.rcyn);
    t.Write(dir);
    TGIS_FileSDTS s;
    s.Open(dir / "9999IDEN.DDF");
    EXPECT_EQ(s.IsRaster(), r.raster);
    EXPECT_EQ(s.IsVector(), r.vector);
  }
  for (const char* unit : {"FEET", "METERS", "meters", "feet", ""}) {
    sktest::TTempDir dir("sdts-units");
    TTransfer t;
    t.Modules["DDSH"] = Module({{"DDSH", "SCHEMA", "MODN!RCID!NAME!UNIT", "(A,I,2A)"}},
                               {{{"DDSH", Field({"DDSH", "1", "X", unit})}}});
    t.Write(dir);
    TGIS_FileSDTS s;
    s.Open(dir / "9999DDSH.DDF");
    const int expected = std::string(unit) == "FEET" ? 5 : std::string(unit) == "METERS" ? 2 : 0;
    EXPECT_EQ(int(s.GetUnitsType()), expected) << unit;
    EXPECT_FALSE(s.IsRaster() || s.IsVector()); // no identification
  }
  // a module the catalogue names but the folder lacks, and a missing catalogue
  sktest::TTempDir dir("sdts-missing");
  TTransfer t;
  t.Modules["IDEN"] = Iden("N", "Y", "N", "N");
  t.Write(dir);
  std::remove((dir / "9999IDEN.DDF").c_str());
  EXPECT_THROW(TGIS_FileSDTS().Open(dir / "9999LE01.DDF"), Exception);
  EXPECT_THROW(TGIS_FileSDTS().Open(dir / "1111LE01.DDF"), Exception);
}

TEST(SdtsTransfer, RecordCountsNeverSizeListsBeyondTheModule) {
  sktest::TTempDir dir("sdts-nrec");
  TTransfer t = VectorTransfer("1", "0");
  t.Counts = {{"NO01", 2147483647}, {"LE01", 2147483647}, {"AP01", 2147483647}};
  t.Write(dir);
  auto transfer = std::make_unique<TGIS_FileSDTS>();
  transfer->Open(dir / "9999CATD.DDF");
  TGIS_FileSDTS_TVP tvp(*transfer);
  tvp.CountRecords();
  tvp.ReadGeometry();
  tvp.ReadAttributes();
  EXPECT_EQ(tvp.GetPointCount(), 2);
  EXPECT_EQ(tvp.GetLineCount(), 1);
  EXPECT_LT(tvp.Points().capacity(), 1000u);
  EXPECT_EQ(tvp.PrimaryAttributes().size(), 2u);
  EXPECT_EQ(tvp.Total(), 3 * std::int64_t(2147483647));
  // the lists are shared by the transfer and the profile, and freed with the last
  EXPECT_EQ(transfer->CatalogOwners(), 2);
  transfer.reset();
  EXPECT_EQ(tvp.CatalogOwners(), 1);
}

// ---- the vector profile ------------------------------------------------------------------------

TEST(SdtsVector, CoordinatesAreScaledAndMovedUnrounded) {
  sktest::TTempDir dir("sdts-tvp");
  VectorTransfer("0.01", "0").Write(dir);
  RegisteredSdts reg;
  auto layer = OpenedLayer<TGIS_LayerSDTS_TVP>(dir / "9999LE01.DDF");
  ASSERT_NE(layer, nullptr);
  TGIS_LayerSDTS_TVP* tvp = layer.get();
  ASSERT_EQ(tvp->ShapeCount(), 3);
  TGIS_Shape* a = tvp->GetShape(1);
  ASSERT_NE(a, nullptr);
  EXPECT_NEAR(a->GetPoint(0, 0).X, 8.62, 1e-9);
  EXPECT_NEAR(a->GetPoint(0, 0).Y, 9.12, 1e-9);
  EXPECT_EQ(a->GetField("NAME").AsString(), "ABCD");
  EXPECT_EQ(a->GetField("CODE").AsInteger(), 12);
  EXPECT_EQ(a->GetField("TAG").AsString(), "XY");
  EXPECT_EQ(tvp->GetFieldInfo(tvp->FindField("CODE"))->FieldType, gisFieldTypeNumber);
  TGIS_Shape* b = tvp->GetShape(2);
  EXPECT_NEAR(b->GetPoint(0, 0).X, -7.0, 1e-9);
  EXPECT_TRUE(b->GetField("NAME").IsNull() || b->GetField("NAME").AsString().empty());
  TGIS_Shape* line = tvp->GetShape(3);
  ASSERT_EQ(line->GetNumPoints(), 5);
  EXPECT_NEAR(line->GetPoint(0, 4).Y, 0.10, 1e-12);
  EXPECT_EQ(line->GetField("NAME").AsString(), "EFGH");
  EXPECT_NE(tvp->InfoText().find("TITLE"), std::string::npos);

  // no internal reference: the stored integers are the coordinates
  sktest::TTempDir plain("sdts-tvp-plain");
  TTransfer t = VectorTransfer("0", "0");
  t.Modules.erase("IREF");
  t.Write(plain);
  TGIS_FileSDTS s;
  s.Open(plain / "9999CATD.DDF");
  TGIS_FileSDTS_TVP p(s);
  p.ReadGeometry();
  const std::vector<TGIS_FileSDTS_AttribDef>* values = nullptr;
  EXPECT_EQ(p.GetPoint(0, values).X, 862);
  EXPECT_EQ(p.ScaleX(), 1);

  // progress: every module of the profile counts, secondary attributes too
  sktest::TTempDir counted("sdts-tvp-progress");
  TTransfer c = VectorTransfer("1", "0");
  c.Modules["BS01"] = Module({{"ATSC", "ATTRIBUTE SECONDARY", "MODN!RCID", "(A,I)"}},
                             {{{"ATSC", Field({"BS01", "1"})}}});
  c.Counts = {{"AP01", 2}, {"BS01", 1}, {"LE01", 1}, {"NO01", 2}, {"PC01", 1}};
  c.Write(counted);
  TGIS_FileSDTS cs;
  cs.Open(counted / "9999CATD.DDF");
  TGIS_FileSDTS_TVP cp(cs);
  std::vector<std::pair<int, int>> calls;
  cp.OnProgress = [&](void*, int pos, int end, bool&) { calls.push_back({pos, end}); };
  cp.CountRecords();
  cp.ReadGeometry();
  cp.ReadAttributes();
  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 7}, {1, 7}, {3, 7}, {4, 7}, {6, 7}, {7, 7}}));
  EXPECT_EQ(cp.Polygons().size(), 1u);
  EXPECT_EQ(cp.PrimaryAttributes().size(), 2u);
}

TEST(SdtsVector, CommittedTransfersMatchGdal) {
  RegisteredSdts reg;
  auto layer = OpenedLayer<TGIS_LayerSDTS_TVP>(fmttest::DataFile("sdts/tvp/TVPTNO01.DDF"));
  ASSERT_NE(layer, nullptr);
  TGIS_LayerSDTS_TVP& tvp = *layer;
  ASSERT_EQ(tvp.ShapeCount(), 4);
  // the values GDAL reads (ogrinfo, checked when the samples were made)
  const double expected[][2] = {{500008.62, 4000009.12}, {499993.0, 4001500.25}};
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(tvp.GetShape(i + 1)->GetPoint(0, 0).X, expected[i][0], 1e-6);
    EXPECT_NEAR(tvp.GetShape(i + 1)->GetPoint(0, 0).Y, expected[i][1], 1e-6);
  }
  if (fmttest::HaveGdal()) {
    const std::string dump = sktest::RunTool(
        "/usr/bin/python3 -c \"from osgeo import ogr\n"
        "ds = ogr.Open('" + fmttest::DataFile("sdts/tvp/TVPTCATD.DDF") + "')\n"
        "for name in ('NO01', 'LE01'):\n"
        "  for f in ds.GetLayerByName(name):\n"
        "    g = f.GetGeometryRef()\n"
        "    print(' '.join('%.6f,%.6f' % (g.GetX(i), g.GetY(i)) for i in range(g.GetPointCount())),"
        " f.GetField('NAME'))\"");
    std::string ours;
    for (int uid = 1; uid <= tvp.ShapeCount(); ++uid) {
      TGIS_Shape* s = tvp.GetShape(uid);
      for (int i = 0; i < s->GetNumPoints(); ++i) {
        const TGIS_Point p = s->GetPoint(0, i);
        ours += (i ? " " : "") + Format("%.6f,%.6f", {p.X, p.Y});
      }
      ours += " " + s->GetField("NAME").AsString() + "\n";
    }
    EXPECT_EQ(ours, dump);
  }
  // the damaged copy: the cut line module and the bad point record end their modules
  auto damaged = GisCreateLayer("bad", fmttest::DataFile("sdts/damaged/TVPTCATD.DDF"));
  ASSERT_NE(damaged, nullptr);
  damaged->Open();
  EXPECT_EQ(dynamic_cast<TGIS_LayerSDTS_TVP&>(*damaged).ShapeCount(), 2);
}

// ---- the raster profile -----------------------------------------------------------------------

TEST(SdtsRaster, DemOpensWithItsExtentCellsAndNoData) {
  sktest::TTempDir dir("sdts-dem");
  DemTransfer("BI16", 16,
              {BE16Row({0x0102, 200, 300, -32767}), BE16Row({400, 500, 600, 700}),
               BE16Row({800, 900, 1000, 1100})})
      .Write(dir);
  RegisteredSdts reg;
  auto layer = OpenedLayer<TGIS_LayerSDTS_RPE>(dir / "9999CEL0.DDF");
  ASSERT_NE(layer, nullptr);
  TGIS_LayerSDTS_RPE* dem = layer.get();
  EXPECT_EQ(dem->Width(), 4);
  EXPECT_EQ(dem->Height(), 3);
  const TGIS_Extent e = dem->Extent();
  EXPECT_DOUBLE_EQ(e.XMin, 285);
  EXPECT_DOUBLE_EQ(e.XMax, 405);
  EXPECT_DOUBLE_EQ(e.YMin, 825);
  EXPECT_DOUBLE_EQ(e.YMax, 915);
  EXPECT_EQ(dem->NoDataValue(), -32768.0f);
  EXPECT_EQ(dem->MinValue(), 100.0f);
  EXPECT_EQ(int(dem->Units().Type()), 2);
  std::vector<double> v;
  ASSERT_TRUE(dem->GetGridValue({0, 0}, v));
  EXPECT_EQ(v[0], 258);
  ASSERT_TRUE(dem->GetGridValue({3, 0}, v));
  EXPECT_EQ(v[0], -32768); // FILL became VOID
  std::vector<float> row;
  EXPECT_EQ(dem->ReadGridLine(row, 2, 4, 0), 4);
  EXPECT_EQ(row[3], 1100.0f);
  std::uint8_t rgb[12];
  EXPECT_EQ(dem->ReadLine(rgb, 0, 12, 0), 12);
  EXPECT_EQ(rgb[9] | rgb[10] | rgb[11], 0); // no data: the no-data colour
  EXPECT_NE(dem->InfoText().find("DEM Layer\r\n4 x 3"), std::string::npos);
}

TEST(SdtsRaster, TheExtentComesFromTheScaledOriginOrTheDomainPoints) {
  RegisteredSdts reg;
  const std::vector<std::string> rows = {BE16Row({1, 2, 3, 4}), BE16Row({5, 6, 7, 8}),
                                         BE16Row({9, 10, 11, 12})};
  {
    // the origin is an internal spatial address: scaled and moved like any
    // other (GDAL places this grid's corner at 1135, 2465 as well)
    sktest::TTempDir dir("sdts-dem-scaled");
    TTransfer t = DemTransfer("BI16", 16, rows);
    t.Modules["IREF"] = Module({{"IREF", "INTERNAL SPATIAL REFERENCE",
                                 "MODN!RCID!HFMT!SFAX!SFAY!XORG!YORG!XHRS!YHRS", "(A,I,A,6R)"}},
                               {{{"IREF", Field({"IREF", "1", "BI32", "0.5", "0.5", "1000", "2000",
                                                 "30", "30"})}}});
    t.Write(dir);
    auto layer = GisCreateLayer("dem", dir / "9999CATD.DDF");
    ASSERT_NE(layer, nullptr);
    layer->Open();
    EXPECT_DOUBLE_EQ(layer->Extent().XMin, 1135);
    EXPECT_DOUBLE_EQ(layer->Extent().YMax, 2465);
  }
  {
    // an origin below 1: the second and fourth domain points, lower Y first
    sktest::TTempDir dir("sdts-dem-domain");
    TTransfer t = DemTransfer("BI16", 16, rows);
    t.Modules["RSDF"] = Module(
        {{"RSDF", "RASTER DEFINITION", "MODN!RCID!RWXT!CLXT!NLAY", "(A,4I)"},
         {"SADR", "SPATIAL ADDRESS", "X!Y", "(2B(32))"},
         {"LYID", "LAYER ID", "MODN!RCID", "(A,I)"}},
        {{{"RSDF", Field({"RSDF", "1", "3", "4", "1"})}, {"SADR", Sadr({{0, 0}})},
          {"LYID", Field({"LDEF", "1"})}}});
    t.Modules["SPDM"] = Module(
        {{"SPDM", "SPATIAL DOMAIN", "MODN!RCID!DTYP", "(A,I,A)"},
         {"DMSA", "DOMAIN SPATIAL ADDRESS", "X!Y", "(2R)"}},
        {{{"SPDM", Field({"SPDM", "1", "MINIMUM AND MAXIMUM"})},
          {"DMSA", Field({"1", "2", "100", "900", "3", "4", "220", "810"})}}});
    t.Write(dir);
    TGIS_FileSDTS s;
    s.Open(dir / "9999CATD.DDF");
    ASSERT_EQ(s.SpatialDomains().size(), 1u);
    EXPECT_EQ(s.SpatialDomains()[0].Points.size(), 4u);
    TGIS_FileSDTS_RPE p(s);
    p.Load();
    double xmin = -1, ymin = -1, xmax = -1, ymax = -1;
    p.GetExtent(0, xmin, ymin, xmax, ymax);
    EXPECT_EQ(xmin, 100);
    EXPECT_EQ(ymin, 810);
    EXPECT_EQ(xmax, 220);
    EXPECT_EQ(ymax, 900);
    // no domain module: the extent is left as given
    std::remove((dir / "9999SPDM.DDF").c_str());
    TTransfer t2 = t;
    t2.Modules.erase("SPDM");
    t2.Write(dir);
    TGIS_FileSDTS s2;
    s2.Open(dir / "9999CATD.DDF");
    TGIS_FileSDTS_RPE p2(s2);
    p2.Load();
    xmin = ymin = xmax = ymax = -1;
    p2.GetExtent(0, xmin, ymin, xmax, ymax);
    EXPECT_EQ(xmin, -1);
    EXPECT_EQ(ymax, -1);
  }
}

TEST(SdtsRaster, CellsDecodeByTheirKind) {
  struct Row {
    const char* fmt;
    int bits;
    std::string cell; // one big-endian cell, repeated over the grid
    double expected;
    std::string fill; // FILL (-32767) as the kind holds it: it becomes VOID (-32768)
    double empty;     // VOID as the kind holds it
  };
  const Row rows[] = {
      {"BUI8", 8, "\xC8", 200, "\x01", 0},
      {"BI8", 8, "\xF6", -10, "\x01", 0},
      {"BUI16", 16, std::string("\xFF\x00", 2), 65280, "\x80\x01", 32768},
      {"BI32", 32, BE32(-100000), -100000, BE32(-32767), -32768},
      {"BUI32", 32, BE32(std::int32_t(3000000000u)), 3000000000.0, BE32(-32767), 4294934528.0},
      {"BFP32", 32, BESingle(3.5f), 3.5, BESingle(-32767.0f), -32768},
      {"R", 64, BEDouble(-12.25), -12.25, BEDouble(-32767), -32768},
  };
  RegisteredSdts reg;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.fmt);
    sktest::TTempDir dir("sdts-kind");
    std::string cells;
    for (int i = 0; i < 4; ++i)
      cells += r.cell;
    DemTransfer(r.fmt, r.bits, {r.fill + cells.substr(r.cell.size()), cells, cells}, "10", "20")
        .Write(dir);
    auto layer = OpenedLayer<TGIS_LayerSDTS_RPE>(dir / "9999CATD.DDF");
    ASSERT_NE(layer, nullptr);
    TGIS_LayerSDTS_RPE& dem = *layer;
    std::vector<double> v;
    ASSERT_TRUE(dem.GetGridValue({3, 2}, v));
    EXPECT_EQ(v[0], r.expected);
    ASSERT_TRUE(dem.GetGridValue({0, 0}, v));
    EXPECT_EQ(v[0], r.empty);
    // XHRS and YHRS each serve their own axis
    EXPECT_DOUBLE_EQ(dem.Extent().XMax - dem.Extent().XMin, 40);
    EXPECT_DOUBLE_EQ(dem.Extent().YMax - dem.Extent().YMin, 60);
  }
}

TEST(SdtsRaster, GridsWithoutTheirCellsRefuseToOpen) {
  RegisteredSdts reg;
  struct Row {
    const char* name;
    std::function<void(TTransfer&)> edit;
  };
  const Row rows[] = {
      {"unknown cell format",
       [](TTransfer& t) {
         t.Modules["DDSH"] = Module({{"DDSH", "SCHEMA", "MODN!RCID!NAME!FMT", "(A,I,2A)"}},
                                    {{{"DDSH", Field({"DDSH", "1", "CEL0", "XYZ"})}}});
       }},
      {"layer reference matching nothing",
       [](TTransfer& t) {
         t.Modules["LDEF"] = Module({{"LDEF", "LAYER", "MODN!RCID!CMNM", "(A,I,A)"}},
                                    {{{"LDEF", Field({"LDEF", "7", "CEL0"})}}});
       }},
      {"huge grid",
       [](TTransfer& t) {
         t.Modules["RSDF"] = Module(
             {{"RSDF", "RASTER", "MODN!RCID!RWXT!CLXT!NLAY", "(A,4I)"},
              {"LYID", "LAYER ID", "MODN!RCID", "(A,I)"}},
             {{{"RSDF", Field({"RSDF", "1", "2000000000", "2000000000", "1"})},
               {"LYID", Field({"LDEF", "1"})}}});
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    sktest::TTempDir dir("sdts-bad-dem");
    TTransfer t = DemTransfer("BI16", 16, {BE16Row({1, 2, 3, 4})});
    r.edit(t);
    t.Write(dir);
    auto layer = GisCreateLayer("dem", dir / "9999CATD.DDF");
    ASSERT_NE(layer, nullptr);
    EXPECT_NE(fmttest::MessageOf([&] { layer->Open(); }).find("0034"), std::string::npos);
  }
}

TEST(SdtsRaster, CommittedDemMatchesGdal) {
  RegisteredSdts reg;
  auto layer = OpenedLayer<TGIS_LayerSDTS_RPE>(fmttest::DataFile("sdts/dem/DEMOCATD.DDF"));
  ASSERT_NE(layer, nullptr);
  TGIS_LayerSDTS_RPE& dem = *layer;
  std::string ours;
  for (int r = 0; r < dem.Height(); ++r)
    for (int c = 0; c < dem.Width(); ++c) {
      std::vector<double> v;
      dem.GetGridValue({c, r}, v);
      // GDAL keeps the fill value; we show it as no data
      ours += IntToStr(v[0] == -32768 ? -32767 : int(v[0])) + " ";
    }
  EXPECT_EQ(ours, "100 200 300 -32767 400 500 600 700 800 900 1000 1100 ");
  const TGIS_Extent e = dem.Extent();
  EXPECT_EQ(Format("%.3f %.3f %.3f %.3f", {e.XMin, e.YMin, e.XMax, e.YMax}),
            "285.000 825.000 405.000 915.000");
  if (fmttest::HaveGdal()) {
    const std::string gdal = sktest::RunTool(
        "/usr/bin/python3 -c \"from osgeo import gdal\n"
        "ds = gdal.Open('" + fmttest::DataFile("sdts/dem/DEMOCATD.DDF") + "')\n"
        "g = ds.GetGeoTransform()\n"
        "print(' '.join(str(int(v)) for v in ds.ReadAsArray().flatten()) + ' ')\n"
        "print('%.3f %.3f %.3f %.3f' % (g[0], g[3] + g[5] * ds.RasterYSize, "
        "g[0] + g[1] * ds.RasterXSize, g[3]))\"");
    EXPECT_EQ(gdal, ours + "\n" + Format("%.3f %.3f %.3f %.3f", {e.XMin, e.YMin, e.XMax, e.YMax}) +
                        "\n");
  }
}

} // namespace sdtstest
