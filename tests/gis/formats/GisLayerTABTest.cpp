// MapInfo native tables: GDAL's files read as GDAL reads them (every object
// kind, compressed and full coordinates, wide sections, texts, native and
// dBASE attributes), the field definitions, the units, and the object file's
// block reading on hand-built files, damaged ones included.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerTAB.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace tabtest {

using fmttest::CompareWithDump;
using fmttest::CopyFixture;
using fmttest::DataFile;
using sktest::TTempDir;

const std::vector<std::string> TAB_SET = {".tab", ".map", ".id", ".dat", ".dbf"};

std::unique_ptr<TGIS_LayerTAB> TabOpen(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerTAB>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

std::string TabErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EGIS_Exception& e) {
    return e.Message();
  }
  return "";
}

std::vector<std::uint8_t> TabReadBytes(const std::string& path) {
  const std::string s = TTempDir::Read(path);
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

void TabWriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <class T> void TabPut(std::vector<std::uint8_t>& b, std::size_t at, T v) {
  if (b.size() < at + sizeof v) b.resize(at + sizeof v);
  std::memcpy(b.data() + at, &v, sizeof v);
}

/// A ".map" header block: version 300, quadrant 1, scale 1, no displacement,
/// followed by `blocks` zeroed blocks.
std::vector<std::uint8_t> TabMapHeader(int blocks, std::int16_t version = 300) {
  std::vector<std::uint8_t> b(std::size_t(512 * (1 + blocks)), 0);
  TabPut<std::int16_t>(b, 260, version);
  b[353] = 1;
  TabPut<double>(b, 368, 1.0);
  TabPut<double>(b, 376, 1.0);
  return b;
}

/// A coordinate block header at `block`: type 3, the link to the next one.
void TabCoordBlock(std::vector<std::uint8_t>& b, std::size_t block, std::int32_t link) {
  TabPut<std::int16_t>(b, block, 3);
  TabPut<std::int16_t>(b, block + 2, 504);
  TabPut<std::int32_t>(b, block + 4, link);
}

} // namespace tabtest

using namespace tabtest;

TEST(TabLayer, GdalsTablesReadAsGdalReadsThem) {
  struct Row {
    const char* stem;
    int features;
  };
  // objects: compressed lines and regions; wide: the same with full
  // coordinates; big/bigwide: more than 32767 vertices in one region and one
  // multiple polyline; text: a text object between points; dbftable: the
  // attributes in a dBASE file.
  const Row rows[] = {{"objects", 7}, {"wide", 7}, {"big", 3},
                      {"bigwide", 3}, {"text", 3}, {"dbftable", 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.stem);
    auto layer = TabOpen(DataFile(std::string("tab/") + r.stem + ".tab"));
    EXPECT_EQ(layer->InfoText(), "MapInfo Native Format (TAB/MAP)");
    const std::string dump = TTempDir::Read(DataFile(std::string("tab/") + r.stem + ".dump"));
    EXPECT_EQ(CompareWithDump(*layer, dump, 0), r.features);
    if (fmttest::HaveGdal()) {
      EXPECT_EQ(fmttest::GdalDump(DataFile(std::string("tab/") + r.stem + ".tab")) == dump,
                std::string(r.stem).rfind("big", 0) != 0)
          << "the committed dump is GDAL's (digested for the large files)";
    }
  }
}

TEST(TabLayer, FieldsKeepTheirColumnsAndTypes) {
  auto layer = TabOpen(DataFile("tab/objects.tab"));
  // name count small value dec day tm dt flag after + TAB_LABEL
  ASSERT_EQ(layer->FieldCount(), 11);
  EXPECT_TRUE(layer->GetFieldInfo(6)->Deleted); // Time
  EXPECT_TRUE(layer->GetFieldInfo(7)->Deleted); // DateTime
  EXPECT_EQ(layer->GetFieldInfo(1)->BinaryWidth, 4);
  EXPECT_EQ(layer->GetFieldInfo(3)->BinaryWidth, 8);
  EXPECT_EQ(layer->GetFieldInfo(4)->BinaryWidth, 0); // Decimal is text
  EXPECT_EQ(layer->GetFieldInfo(10)->Name, "TAB_LABEL");
  EXPECT_FALSE(layer->GetFieldInfo(10)->Stored);
  // After the Time and DateTime columns the values stay in place.
  EXPECT_EQ(layer->GetShape(4)->GetField("after").AsString(), "x4");
  EXPECT_EQ(layer->GetShape(5)->GetField("flag").AsInteger(), 0);
  EXPECT_EQ(layer->GetShape(4)->GetField("flag").AsInteger(), 1);
  // The row without an object (.id entry 0) is skipped by the cursor.
  EXPECT_EQ(layer->GetShape(6), nullptr);
  int uids = 0;
  for (layer->MoveFirst(GisWholeWorldExtent(), "", false); !layer->Eof(); layer->MoveNext())
    uids = uids * 10 + layer->GetCurrentShape()->Uid();
  EXPECT_EQ(uids, 123457);
  EXPECT_EQ(layer->GetLastUid(), 7);
  EXPECT_EQ(layer->GetNewUid(), 8);

  // A dBASE table: text values, no binary widths.
  auto dbf = TabOpen(DataFile("tab/dbftable.tab"));
  EXPECT_EQ(dbf->TableType(), gisTabDbf);
  EXPECT_EQ(dbf->GetFieldInfo(1)->BinaryWidth, 0);
  EXPECT_EQ(dbf->GetShape(1)->GetField("count").AsInteger(), -5);
  EXPECT_EQ(dbf->GetShape(2)->GetField("count").AsInteger(), 123456);
  EXPECT_DOUBLE_EQ(dbf->GetShape(2)->GetField("value").AsDouble(), -2.25);

  // A Smallint column is two signed bytes.
  auto small = TabOpen(DataFile("tab/smallint.tab"));
  EXPECT_EQ(small->GetFieldInfo(2)->BinaryWidth, 2);
  const int expected[] = {-1, 300, 0, -32768, 7};
  for (int uid = 1; uid <= 5; ++uid) {
    SCOPED_TRACE(uid);
    ASSERT_NE(small->GetShape(uid), nullptr);
    EXPECT_EQ(small->GetShape(uid)->GetField("small").AsInteger(), expected[uid - 1]);
    EXPECT_EQ(small->GetShape(uid)->GetField("after").AsString(), "x" + IntToStr(uid));
  }
}

TEST(TabLayer, TextsCarryTheirLabel) {
  auto layer = TabOpen(DataFile("tab/text.tab"));
  TGIS_Shape* text = layer->GetShape(2);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->ShapeType(), gisShapeTypePoint);
  EXPECT_EQ(text->GetField("TAB_LABEL").AsString(), "hello");
  EXPECT_EQ(text->GetField("name").AsString(), "t1");
  TGIS_Shape* point = layer->GetShape(3);
  ASSERT_NE(point, nullptr);
  const Variant none = point->GetField("TAB_LABEL");
  EXPECT_TRUE(none.IsEmpty() || none.IsNull() || none.AsString().empty());
  EXPECT_FALSE(layer->IsModified());
}

TEST(TabLayer, UnitsFollowTheMapCode) {
  TTempDir dir("tab-units");
  CopyFixture("tab/objects", TAB_SET, dir, "u");
  const std::vector<std::uint8_t> original = TabReadBytes(dir / "u.map");
  struct Row {
    int code;
    TGIS_UnitsType type;
    double factor; // 0: the type's own
  };
  const Row rows[] = {
      {0, gisUnitsLinearCustom, 1609.344},
      {1, gisUnitsKilometer, 0},
      {3, gisUnitsFoot, 0},
      {4, gisUnitsYardIndian, 0},
      {7, gisUnitsMeter, 0},
      {8, gisUnitsFootUS, 0},
      {9, gisUnitsMileNautical, 0},
      {13, gisUnitsDegreeDecimal, 0},
      {30, gisUnitsLinearCustom, 0.20116684023368047},
      {31, gisUnitsLinearCustom, 20.116684023368047}, // a chain is a hundred links
      {32, gisUnitsLinearCustom, 5.02921005842012},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    std::vector<std::uint8_t> m = original;
    m[367] = std::uint8_t(r.code);
    TabWriteBytes(dir / "u.map", m);
    auto layer = TabOpen(dir / "u.tab");
    EXPECT_EQ(layer->Units().Type(), r.type);
    if (r.factor != 0) {
      EXPECT_DOUBLE_EQ(layer->Units().Factor(), r.factor);
    } else {
      EXPECT_DOUBLE_EQ(layer->Units().Factor(), GisUnitsFactor(r.type));
    }
  }
  // An unknown code leaves the units as they were.
  std::vector<std::uint8_t> m = original;
  m[367] = 99;
  TabWriteBytes(dir / "u.map", m);
  TGIS_LayerTAB layer;
  layer.Units().SetType(gisUnitsFathom);
  layer.SetPath(dir / "u.tab");
  layer.Open();
  EXPECT_EQ(layer.Units().Type(), gisUnitsFathom);
}

TEST(TabLayer, RowNumbersAreUidsAndDirectAccessMovesTheCursor) {
  TTempDir dir("tab-rows");
  CopyFixture("tab/objects", TAB_SET, dir, "r");
  // Row 2's object claims to be row 9: it stays row 2.
  std::vector<std::uint8_t> m = TabReadBytes(dir / "r.map");
  const std::vector<std::uint8_t> ids = TabReadBytes(dir / "r.id");
  std::int32_t offset;
  std::memcpy(&offset, ids.data() + 4, 4);
  TabPut<std::int32_t>(m, std::size_t(offset) + 1, 9);
  TabWriteBytes(dir / "r.map", m);
  auto layer = TabOpen(dir / "r.tab");
  ASSERT_NE(layer->GetShape(2), nullptr);
  EXPECT_EQ(layer->GetShape(2)->Uid(), 2);
  EXPECT_EQ(layer->GetShape(2)->GetField("name").AsString(), "beta");
  EXPECT_EQ(layer->GetShape(9), nullptr);
  // GetShape replaces the running cursor: the pass goes on after the row.
  layer->MoveFirst(GisWholeWorldExtent(), "", false);
  EXPECT_EQ(layer->GetCurrentShape()->Uid(), 1);
  layer->GetShape(4);
  layer->MoveNext();
  ASSERT_FALSE(layer->Eof());
  EXPECT_EQ(layer->GetCurrentShape()->Uid(), 5);
  // Read-only: no writing capability, saving changes no file.
  EXPECT_EQ(layer->Capabilities() & GIS_CAPABILITY_WRITES_FORMAT, 0);
}

TEST(TabLayer, DamagedTablesRaiseWrongFormat) {
  // A line whose data lie beyond the file, and coordinate blocks linking to
  // themselves.
  auto bad = TabOpen(DataFile("tab/damaged-map.tab"));
  EXPECT_EQ(TabErrorOf([&] { bad->GetShape(2); }).substr(0, 4), "0034");
  ASSERT_NE(bad->GetShape(1), nullptr);
  auto cycle = TabOpen(DataFile("tab/damaged-chain.tab"));
  EXPECT_EQ(TabErrorOf([&] { cycle->GetShape(1); }).substr(0, 4), "0034");

  TTempDir dir("tab-bad");
  CopyFixture("tab/objects", TAB_SET, dir, "b");
  dir.Write("b.tab", "!table\nDefinition Table\n  Type LINKED\n");
  EXPECT_EQ(TabErrorOf([&] { TabOpen(dir / "b.tab"); }).substr(0, 4), "0034");
  // A short object file.
  CopyFixture("tab/objects", TAB_SET, dir, "s");
  TabWriteBytes(dir / "s.map", std::vector<std::uint8_t>(100, 0));
  EXPECT_EQ(TabErrorOf([&] { TabOpen(dir / "s.tab"); }).substr(0, 4), "0034");
  // A duplicate field name is a structure error at its item line.
  dir.Write("d.tab", "Definition Table\n  Type NATIVE\n  Fields 2\n    a Integer ;\n"
                     "    A Char (5) ;\n");
  CopyFixture("tab/objects", {".map", ".id", ".dat"}, dir, "d");
  EXPECT_EQ(TabErrorOf([&] { TabOpen(dir / "d.tab"); }),
            "0090 File structure error in file \"" + (dir / "d.tab") + "\" as line 5");

  GisFormatsRegisterLayers();
  GisRegisterRasterRegistration(); // the factory's ".tab" header parser
  auto made = GisCreateLayer("t", DataFile("tab/objects.tab"));
  EXPECT_NE(dynamic_cast<TGIS_LayerTAB*>(made.get()), nullptr);
}

TEST(TabFile, ReadFieldsTable) {
  TTempDir dir("tab-fields");
  dir.Write("f.tab", "Definition Table\n Type NATIVE\n Fields 11\n"
                     "  A Decimal (12, 3) ;\n  B Decimal ;\n  C Logical ;\n  D Smallint ;\n"
                     "  E Integer ;\n  F Float ;\n  G Char (30) ;\n  H Char ;\n  I Date ;\n"
                     "  J Time ;\n  K DateTime ;\n");
  TGIS_FileTAB tab(dir / "f.tab");
  ASSERT_EQ(tab.Parse(), gisTabNative);
  TGIS_LayerVector layer;
  tab.ReadFields(layer);
  struct Row {
    const char* name;
    std::uint8_t type;
    int width, decimals, binary;
    bool deleted;
  };
  const Row rows[] = {
      {"A", gisFieldTypeNumber, 12, 3, 0, false}, {"B", gisFieldTypeNumber, 10, 2, 0, false},
      {"C", gisFieldTypeBoolean, 1, 0, 0, false}, {"D", gisFieldTypeNumber, 4, 0, 2, false},
      {"E", gisFieldTypeNumber, 10, 0, 4, false}, {"F", gisFieldTypeFloat, 20, 5, 8, false},
      {"G", gisFieldTypeString, 30, 0, 0, false}, {"H", gisFieldTypeString, 10, 0, 0, false},
      {"I", gisFieldTypeDate, 10, 0, 4, false},   {"J", gisFieldTypeString, 1, 0, 0, true},
      {"K", gisFieldTypeString, 1, 0, 0, true},
  };
  ASSERT_EQ(layer.FieldCount(), 11);
  for (int i = 0; i < 11; ++i) {
    const Row& r = rows[i];
    const TGIS_FieldInfo& f = *layer.GetFieldInfo(i);
    SCOPED_TRACE(r.name);
    EXPECT_EQ(f.Name, r.name);
    EXPECT_EQ(f.Deleted, r.deleted);
    if (r.deleted) continue;
    EXPECT_EQ(f.FieldType, r.type);
    EXPECT_EQ(f.Width, r.width);
    EXPECT_EQ(f.Decimal, r.decimals);
    EXPECT_EQ(f.BinaryWidth, r.binary);
    EXPECT_TRUE(f.Stored);
  }
  // The same lines in a dBASE table give no binary widths.
  dir.Write("g.tab", "Definition Table\n Type DBF\n Fields 2\n  E Integer ;\n  I Date ;\n");
  TGIS_FileTAB dbf(dir / "g.tab");
  ASSERT_EQ(dbf.Parse(), gisTabDbf);
  dbf.ReadFields(layer);
  ASSERT_EQ(layer.FieldCount(), 2);
  EXPECT_EQ(layer.GetFieldInfo(0)->BinaryWidth, 0);
  EXPECT_EQ(layer.GetFieldInfo(1)->BinaryWidth, 0);
}

TEST(TabMapFile, HeaderConversionTable) {
  TTempDir dir("tab-map-header");
  struct Row {
    const char* name;
    std::int16_t version;
    std::uint8_t precision, quadrant;
    double scale, displacement;
    std::int32_t ix;
    double x, y; // for (ix, ix)
  };
  const Row rows[] = {
      {"v100 precision 6", 100, 6, 1, 99, 99, 12345678, 12.345678, 12.345678},
      {"quadrant 0", 300, 0, 0, 10, 0, 100, -10, -10},
      {"quadrant 1", 300, 0, 1, 10, 0, 100, 10, 10},
      {"quadrant 2", 300, 0, 2, 10, 0, 100, -10, 10},
      {"quadrant 3", 300, 0, 3, 10, 0, 100, -10, -10},
      {"quadrant 4", 300, 0, 4, 10, 0, 100, 10, -10},
      {"displaced", 300, 0, 1, 2, 4, 100, 48, 48},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<std::uint8_t> b = TabMapHeader(0, r.version);
    b[352] = r.precision;
    b[353] = r.quadrant;
    TabPut<double>(b, 368, r.scale);
    TabPut<double>(b, 376, r.scale);
    TabPut<double>(b, 384, r.displacement);
    TabPut<double>(b, 392, r.displacement);
    TabPut<std::int32_t>(b, 272, 0);
    TabPut<std::int32_t>(b, 280, r.ix);
    TabPut<std::int32_t>(b, 276, 0);
    TabPut<std::int32_t>(b, 284, r.ix);
    TabWriteBytes(dir / "h.map", b);
    TGIS_FileTAB_MAP map(dir / "h.map", false);
    map.ReadHeader();
    const TGIS_Point p = map.Convert(r.ix, r.ix);
    EXPECT_NEAR(p.X, r.x, 1e-12);
    EXPECT_NEAR(p.Y, r.y, 1e-12);
    EXPECT_NEAR(map.MapExtent().XMax - map.MapExtent().XMin, std::fabs(r.x - map.Convert(0, 0).X),
                1e-9);
  }
  // All zero: the empty extent.
  TabWriteBytes(dir / "z.map", TabMapHeader(0));
  TGIS_FileTAB_MAP zero(dir / "z.map", false);
  zero.ReadHeader();
  EXPECT_TRUE(GisIsEmptyExtent(zero.MapExtent()));
}

TEST(TabMapFile, ValuesFollowTheBlockChain) {
  TTempDir dir("tab-map-chain");
  // Block 1 links to block 3, block 3 to block 2: data run 1 -> 3 -> 2.
  std::vector<std::uint8_t> base = TabMapHeader(3);
  TabCoordBlock(base, 512, 1536);
  TabCoordBlock(base, 1536, 1024);
  TabCoordBlock(base, 1024, 0);
  TabPut<std::int32_t>(base, 1536 + 8, 0x11223344);
  TabPut<std::int16_t>(base, 1536 + 8, 0x3344);
  struct Row {
    int size;
    int at;      // position within block 1
    bool linked; // read from block 3's data
  };
  std::vector<Row> rows;
  for (int size : {1, 2, 4})
    for (int at = 505; at <= 512; ++at) {
      const int r = (512 + at + size) % 512;
      rows.push_back({size, at, at == 512 || (r != 0 && r <= size)});
    }
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "size " << r.size << " at " << r.at);
    std::vector<std::uint8_t> b = base;
    if (r.at < 512)
      for (int k = 0; k < r.size; ++k)
        b[std::size_t(512 + r.at + k)] = std::uint8_t(0xA0 + k);
    TabWriteBytes(dir / "c.map", b);
    TGIS_FileTAB_MAP map(dir / "c.map", false);
    map.SetPosition(512 + r.at);
    std::int64_t v = 0;
    if (r.size == 1) v = map.ReadByte();
    if (r.size == 2) v = std::uint16_t(map.ReadInt16());
    if (r.size == 4) v = std::uint32_t(map.ReadInt32());
    const std::int64_t inPlace = r.size == 1 ? 0xA0 : r.size == 2 ? 0xA1A0 : 0xA3A2A1A0;
    const std::int64_t linked = r.size == 1 ? 0x44 : r.size == 2 ? 0x3344 : 0x11223344;
    EXPECT_EQ(v, r.linked ? linked : inPlace);
    EXPECT_EQ(map.Position(), r.linked ? 1536 + 8 + r.size : 512 + r.at + r.size);
  }
  // Skipping over three blocks: 1 -> 3 -> 2, 4-byte steps.
  {
    TabWriteBytes(dir / "c.map", base);
    TGIS_FileTAB_MAP map(dir / "c.map", false);
    map.SetPosition(512 + 8);
    map.SkipBytes(504 + 504 + 12);
    EXPECT_EQ(map.Position(), 1024 + 8 + 12);
  }
  // A link back into the walk, a link into the header block, a link past
  // the end, an unaligned link: 0034, never a loop.
  struct Bad {
    const char* name;
    std::int32_t link;
  };
  const Bad bads[] = {{"cycle", 512},
                      {"header", 0},
                      {"past the end", 4096},
                      {"unaligned", 700},
                      {"top bit", 0x40000200}};
  for (const Bad& bad : bads) {
    SCOPED_TRACE(bad.name);
    std::vector<std::uint8_t> b = base;
    TabCoordBlock(b, 1024, bad.link);
    TabWriteBytes(dir / "c.map", b);
    TGIS_FileTAB_MAP map(dir / "c.map", false);
    map.SetPosition(512 + 8);
    EXPECT_EQ(TabErrorOf([&] { map.SkipBytes(504 * 3 + 4); }).substr(0, 4), "0034");
    map.SetPosition(512 + 8);
    EXPECT_EQ(TabErrorOf([&] {
                for (int k = 0; k < 4 * 126 + 1; ++k)
                  map.ReadInt32();
              }).substr(0, 4),
              "0034");
  }
}

TEST(TabMapFile, ObjectsFromHandBuiltBlocks) {
  TTempDir dir("tab-map-objects");
  CopyFixture("tab/objects", {".tab", ".dat"}, dir, "h");
  // Block 1: an object block with centre (1000, 2000) holding a compressed
  // point (row 1), a rectangle (row 2, no shape) and a region (row 3) whose
  // section header claims its vertices start before its headers.
  std::vector<std::uint8_t> m = TabMapHeader(2);
  TabPut<std::int16_t>(m, 512, 2);
  TabPut<std::int32_t>(m, 512 + 4, 1000);
  TabPut<std::int32_t>(m, 512 + 8, 2000);
  std::size_t at = 512 + 20;
  const std::size_t point = at;
  m[at] = 1;
  TabPut<std::int32_t>(m, at + 1, 1);
  TabPut<std::int16_t>(m, at + 5, -5);
  TabPut<std::int16_t>(m, at + 7, 7);
  at += 9;
  const std::size_t rect = at;
  m[at] = 19;
  TabPut<std::int32_t>(m, at + 1, 2);
  at += 30;
  const std::size_t region = at;
  m[at] = 14;
  TabPut<std::int32_t>(m, at + 1, 3);
  TabPut<std::int32_t>(m, at + 5, 1024 + 8); // data offset
  TabPut<std::int32_t>(m, at + 9, 100);
  TabPut<std::int16_t>(m, at + 13, 2); // sections
  TabCoordBlock(m, 1024, 0);
  // Two section headers; the first says its data start at 8 < 2 * 24.
  TabPut<std::int16_t>(m, 1024 + 8, 3);
  TabPut<std::int32_t>(m, 1024 + 8 + 20, 8);
  std::vector<std::uint8_t> ids;
  TabPut<std::int32_t>(ids, 0, std::int32_t(point));
  TabPut<std::int32_t>(ids, 4, std::int32_t(rect));
  TabPut<std::int32_t>(ids, 8, std::int32_t(region));
  TabPut<std::int32_t>(ids, 12, 0);
  TabWriteBytes(dir / "h.map", m);
  TabWriteBytes(dir / "h.id", ids);
  auto layer = TabOpen(dir / "h.tab");
  TGIS_Shape* p = layer->GetShape(1);
  ASSERT_NE(p, nullptr);
  p->Lock(2);
  EXPECT_DOUBLE_EQ(p->GetPoint(0, 0).X, 995);
  EXPECT_DOUBLE_EQ(p->GetPoint(0, 0).Y, 2007);
  p->Unlock();
  EXPECT_EQ(layer->GetShape(2), nullptr);
  EXPECT_EQ(TabErrorOf([&] { layer->GetShape(3); }).substr(0, 4), "0034");
  EXPECT_EQ(layer->GetShape(4), nullptr);
  EXPECT_EQ(layer->GetShape(5), nullptr);

  TGIS_FileTAB_ID id(dir / "h.id", false);
  EXPECT_EQ(id.RowCount(), 4);
  EXPECT_EQ(id.ReadEntry(5), 0);
  EXPECT_EQ(id.ReadEntry(1), std::int32_t(point));
}
