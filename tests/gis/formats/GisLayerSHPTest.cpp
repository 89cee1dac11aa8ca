// Shapefiles: the main and index files (type codes, headers, damaged
// records), the layer against GDAL's readings of its fixtures, writing read
// back by GDAL, the import rules and direct access by UID.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFileSHP.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerSHP.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace {

using fmttest::CompareWithDump;
using fmttest::CopyFixture;
using fmttest::DataFile;
using sktest::TTempDir;

const std::vector<std::string> SHP_SET = {".shp", ".shx", ".dbf"};

std::string Bytes(const std::string& path) {
  return TTempDir::Read(path);
}

/// The message number an action raises ("0034"), '' when none.
template <class F> std::string ErrorOf(F&& action) {
  try {
    action();
  } catch (const EGIS_Exception& e) {
    return std::string(e.what()).substr(0, 4);
  }
  return "";
}

/// Reads every shape of a shapefile and every field of each.
int FullPass(const std::string& path) {
  TGIS_LayerSHP layer;
  layer.SetPath(path);
  layer.Open();
  int n = 0;
  for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext()) {
    for (int f = 0; f < layer.FieldCount(); ++f)
      layer.GetCurrentShape()->GetField(layer.GetFieldInfo(f)->NewName);
    ++n;
  }
  return n;
}

// ---- little-endian and big-endian builders of hand-made files ---------------------------

struct TRecordBytes {
  std::string b;
  TRecordBytes& BE(std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
      b += char(v >> (8 * i));
    return *this;
  }
  TRecordBytes& LE(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b += char(v >> (8 * i));
    return *this;
  }
  TRecordBytes& D(double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i)
      b += char(v >> (8 * i));
    return *this;
  }
};

std::string Header(std::uint32_t typeCode, std::size_t total) {
  TRecordBytes h;
  h.BE(9994);
  for (int i = 0; i < 5; ++i)
    h.BE(0);
  h.BE(std::uint32_t(total / 2)).LE(1000).LE(typeCode);
  for (int i = 0; i < 8; ++i)
    h.D(0);
  return h.b;
}

/// A main file with the given record bodies (type word included), its index
/// and a table of one field.
void WriteSet(const TTempDir& dir, const std::string& name, std::uint32_t typeCode,
              const std::vector<std::string>& bodies) {
  std::string records, index;
  std::size_t offset = 100;
  int number = 1;
  for (const auto& body : bodies) {
    TRecordBytes r;
    r.BE(std::uint32_t(number++)).BE(std::uint32_t(body.size() / 2));
    records += r.b + body;
    TRecordBytes e;
    e.BE(std::uint32_t(offset / 2)).BE(std::uint32_t(body.size() / 2));
    index += e.b;
    offset += 8 + body.size();
  }
  dir.Write(name + ".shp", Header(typeCode, 100 + records.size()) + records);
  dir.Write(name + ".shx", Header(typeCode, 100 + index.size()) + index);
  // A dBASE table with one character field and as many records.
  TRecordBytes dbf;
  std::string h(32, '\0');
  h[0] = 3;
  const std::uint32_t count = std::uint32_t(bodies.size());
  std::memcpy(&h[4], &count, 4);
  h[8] = 65;
  h[10] = 3;
  std::string field(32, '\0');
  std::memcpy(&field[0], "ID", 2);
  field[11] = 'C';
  field[16] = 2;
  std::string rows;
  for (std::size_t i = 0; i < bodies.size(); ++i)
    rows += " ok";
  dir.Write(name + ".dbf", h + field + "\r" + rows + "\x1a");
}

std::string PointBody(double x, double y) {
  TRecordBytes b;
  b.LE(1).D(x).D(y);
  return b.b;
}

std::string ArcBody(const std::vector<std::uint32_t>& starts, int points, int declaredPoints = -1) {
  TRecordBytes b;
  b.LE(3).D(0).D(0).D(1).D(1).LE(std::uint32_t(starts.size()));
  b.LE(std::uint32_t(declaredPoints < 0 ? points : declaredPoints));
  for (auto s : starts)
    b.LE(s);
  for (int i = 0; i < points; ++i)
    b.D(i).D(i);
  return b.b;
}

struct RegisteredFormatRows {
  RegisteredFormatRows() { GisFormatsRegisterLayers(); }
};

/// A source layer of points, lines or polygons with fields of every type.
void FillSource(TGIS_LayerVector& layer, TGIS_ShapeType type, int count, std::mt19937& rng) {
  layer.Open();
  layer.AddField("NAME", gisFieldTypeString, 12, 0);
  layer.AddField("COUNT", gisFieldTypeNumber, 9, 0);
  layer.AddField("VALUE", gisFieldTypeFloat, 20, 5);
  std::uniform_real_distribution<double> coord(-1000, 1000);
  for (int i = 0; i < count; ++i) {
    TGIS_Shape* s = layer.CreateShape(type);
    s->Lock(2);
    const int parts = type == gisShapeTypePoint ? 1 : 1 + int(rng() % 3);
    for (int p = 0; p < parts; ++p) {
      s->AddPart();
      const int n = type == gisShapeTypePoint ? 1 : 3 + int(rng() % 5);
      if (type == gisShapeTypePolygon) {
        // Disjoint clockwise rings: each is an outer ring in every reader.
        const double x = p * 3000.0 + coord(rng) / 2, y = coord(rng);
        s->AddPoint({x, y});
        s->AddPoint({x, y + 100 + p});
        s->AddPoint({x + 100 + p, y + 50});
        s->AddPoint({x, y});
        continue;
      }
      for (int k = 0; k < n; ++k)
        s->AddPoint({coord(rng), coord(rng)});
    }
    s->Unlock();
    s->SetField("NAME", "n" + IntToStr(int(rng() % 1000)));
    s->SetField("COUNT", int(rng() % 100000) - 50000);
    s->SetField("VALUE", double(int(rng() % 100000)) / 8.0);
  }
}

} // namespace

// ---- the main and index files --------------------------------------------------------------

TEST(ShapefileFile, TypeCodesReadAsTheirPlaneKindsAndWriteTheirPlaneCodes) {
  struct Row {
    std::int32_t code;
    TGIS_ShapeType kind;
  };
  const Row rows[] = {{0, gisShapeTypeUnknown},     {1, gisShapeTypePoint},
                      {3, gisShapeTypeArc},         {5, gisShapeTypePolygon},
                      {8, gisShapeTypeMultiPoint},  {11, gisShapeTypePoint},
                      {13, gisShapeTypeArc},        {15, gisShapeTypePolygon},
                      {18, gisShapeTypeMultiPoint}, {21, gisShapeTypePoint},
                      {23, gisShapeTypeArc},        {25, gisShapeTypePolygon},
                      {28, gisShapeTypeMultiPoint}, {31, gisShapeTypeUnknown},
                      {99, gisShapeTypeUnknown}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(TGIS_FileSHPInternal::CodeToShapeType(r.code), r.kind);
  }
  EXPECT_EQ(TGIS_FileSHPInternal::ShapeTypeToCode(gisShapeTypePoint), 1);
  EXPECT_EQ(TGIS_FileSHPInternal::ShapeTypeToCode(gisShapeTypeMultiPoint), 8);
  EXPECT_EQ(TGIS_FileSHPInternal::ShapeTypeToCode(gisShapeTypeArc), 3);
  EXPECT_EQ(TGIS_FileSHPInternal::ShapeTypeToCode(gisShapeTypePolygon), 5);
  EXPECT_EQ(TGIS_FileSHPInternal::ShapeTypeToCode(gisShapeTypeUnknown), 1);
}

TEST(ShapefileFile, BuildWritesTheHeaderGdalWritesAndAnEmptyIndex) {
  TTempDir dir("shp-build");
  TGIS_LayerSHP layer;
  layer.Build(dir / "new.shp", GisExtent(0, 0, 0, 0), gisShapeTypePoint);
  const std::string ours = Bytes(dir / "new.shp"), gdal = Bytes(DataFile("shp/empty.shp"));
  ASSERT_EQ(ours.size(), 100u);
  EXPECT_EQ(ours.substr(0, 36), gdal.substr(0, 36));
  EXPECT_EQ(ours.substr(68), std::string(32, '\0'));
  // The index is made too (an old one would otherwise be used), 50 words long.
  const std::string shx = Bytes(dir / "new.shx");
  ASSERT_EQ(shx.size(), 100u);
  EXPECT_EQ(shx.substr(0, 36), Bytes(DataFile("shp/empty.shx")).substr(0, 36));
  EXPECT_TRUE(FileExists(dir / "new.dbf"));
  // Opened, it is an empty point layer.
  TGIS_LayerSHP back;
  back.SetPath(dir / "new.shp");
  back.Open();
  back.MoveFirst(GisWholeWorldExtent());
  EXPECT_TRUE(back.Eof());
  EXPECT_EQ(back.SupportedShapes(), GisShapeTypeBit(gisShapeTypePoint));
}

TEST(ShapefileFile, BuildRefusesEveryExistingMemberOfTheSet) {
  for (const std::string ext : {".shp", ".dbf", ".shx"}) {
    SCOPED_TRACE(ext);
    TTempDir dir("shp-build-exists");
    dir.Write("a" + ext, "old");
    TGIS_LayerSHP layer;
    EXPECT_EQ(ErrorOf([&] { layer.Build(dir / "a.shp", GisExtent(0, 0, 1, 1)); }), "0033");
    EXPECT_EQ(Bytes(dir / ("a" + ext)), "old");
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Path()) ==
                  std::filesystem::directory_iterator(),
              false);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path()))
      (void)e, ++files;
    EXPECT_EQ(files, 1);
  }
}

TEST(ShapefileFile, DamagedRecordsRaiseBadFormatWithThePath) {
  struct Row {
    const char* name;
    std::vector<std::string> bodies;
    std::uint32_t type;
    std::function<void(const TTempDir&)> edit;
  };
  const std::vector<Row> rows = {
      {"one word", {std::string("\x01\x00", 2)}, 1, nullptr},
      {"32 MiB",
       {PointBody(1, 2)},
       1,
       [](const TTempDir& d) {
         std::string s = Bytes(d / "t.shp");
         s[104] = 0x01, s[105] = 0, s[106] = 0, s[107] = 0; // 16 Mi words
         d.Write("t.shp", s);
       }},
      {"short point", {std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8)}, 1, nullptr},
      {"counts beyond content", {ArcBody({0}, 2, 200)}, 3, nullptr},
      {"unordered parts", {ArcBody({0, 3, 2}, 5)}, 3, nullptr},
      {"first part not 0", {ArcBody({1}, 3)}, 3, nullptr},
      {"part start past the points", {ArcBody({0, 9}, 3)}, 3, nullptr},
      {"truncated",
       {PointBody(1, 2), PointBody(3, 4)},
       1,
       [](const TTempDir& d) {
         std::string s = Bytes(d / "t.shp");
         d.Write("t.shp", s.substr(0, s.size() - 6));
       }},
      {"index past the end",
       {PointBody(1, 2)},
       1,
       [](const TTempDir& d) {
         std::string s = Bytes(d / "t.shx");
         s[100] = 0x00, s[101] = 0x10; // offset 0x100000 words
         d.Write("t.shx", s);
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TTempDir dir("shp-damaged");
    WriteSet(dir, "t", r.type, r.bodies);
    if (r.edit) r.edit(dir);
    try {
      FullPass(dir / "t.shp");
      ADD_FAILURE() << "no error";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, 4), "0034");
      EXPECT_NE(std::string(e.what()).find(dir / "t.shp"), std::string::npos);
    }
    // Without the index the same records fail the same way (the index row
    // is about the index itself).
    if (std::string(r.name) == "index past the end") continue;
    DeleteFile(dir / "t.shx");
    EXPECT_EQ(ErrorOf([&] { FullPass(dir / "t.shp"); }), "0034");
  }
}

TEST(ShapefileFile, IndexCountIgnoresAPartialEntryAndTheBufferGrowsInSteps) {
  TTempDir dir("shp-index");
  WriteSet(dir, "t", 1, {PointBody(1, 2), PointBody(3, 4), PointBody(5, 6)});
  dir.Write("t.shx", Bytes(dir / "t.shx") + "12345");
  TGIS_FileSHX shx(dir / "t.shx", nullptr, nullptr, false);
  shx.ReadHeader();
  EXPECT_EQ(shx.RecordCount(), 3);
  EXPECT_EQ(shx.ReadEntry(2).Offset, 100 + 28);

  // Records of 10 KB and 100 KB: capacity 65536, then 131072.
  std::vector<std::string> bodies;
  for (int points : {640, 6400}) {
    TRecordBytes b;
    b.LE(8).D(0).D(0).D(1).D(1).LE(std::uint32_t(points));
    for (int i = 0; i < points; ++i)
      b.D(0.5).D(0.5);
    bodies.push_back(b.b);
  }
  WriteSet(dir, "m", 8, bodies);
  TGIS_FileSHP shp(dir / "m.shp", nullptr, nullptr, false);
  shp.ReadHeader();
  shp.ReadRecordHeader();
  shp.ReadRecordContent();
  EXPECT_EQ(shp.BufferCapacity(), 65536);
  shp.ReadRecordHeader();
  shp.ReadRecordContent();
  EXPECT_EQ(shp.BufferCapacity(), 131072);
}

// ---- the layer against GDAL ----------------------------------------------------------------

TEST(ShapefileLayer, GdalFixturesReadBitExactWithAndWithoutTheIndex) {
  for (const std::string name :
       {"points", "lines", "polygons", "multipoints", "withnull", "zm", "linez", "pointm"}) {
    SCOPED_TRACE(name);
    TTempDir dir("shp-gdal");
    CopyFixture("shp/" + name, SHP_SET, dir, "f");
    const std::string dump = Bytes(DataFile("shp/" + name + ".dump"));
    ASSERT_FALSE(dump.empty());
    for (bool withIndex : {true, false}) {
      SCOPED_TRACE(withIndex);
      if (!withIndex) DeleteFile(dir / "f.shx");
      TGIS_LayerSHP layer;
      layer.SetPath(dir / "f.shp");
      layer.Open();
      EXPECT_EQ(layer.HasIndexFile(), withIndex);
      EXPECT_EQ(layer.InfoText(), "ArcView Shape Files (SHP)");
      EXPECT_GT(CompareWithDump(layer, dump), 0);
      // The pass gives the UIDs in file order; null records leave gaps.
      std::vector<std::int32_t> uids;
      for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext())
        uids.push_back(layer.GetCurrentShape()->Uid());
      std::vector<std::int32_t> expected;
      for (const auto& line : fmttest::Split(dump, '\n'))
        if (!line.empty() && line.find('|') != std::string::npos)
          expected.push_back(StrToInt(line.substr(0, line.find('|'))) + 1);
      EXPECT_EQ(uids, expected);
    }
  }
}

TEST(ShapefileLayer, DamagedFixturesRaiseBadFormat) {
  for (const std::string name : {"truncated", "badcount"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ErrorOf([&] { FullPass(DataFile("shp/" + name + ".shp")); }), "0034");
  }
}

TEST(ShapefileLayer, TheFactoryOpensShapefiles) {
  RegisteredFormatRows rows;
  EXPECT_TRUE(TGIS_RegistredLayers::IsRegistered("TGIS_LayerSHP"));
  auto layer = GisCreateLayer("points", DataFile("shp/points.SHP"));
  ASSERT_NE(layer, nullptr);
  auto* shp = dynamic_cast<TGIS_LayerSHP*>(layer.get());
  ASSERT_NE(shp, nullptr);
}

TEST(ShapefileLayer, SavedLayersReadTheSameInGdalAndHere) {
  std::mt19937 rng(20261211);
  for (TGIS_ShapeType type : {gisShapeTypePoint, gisShapeTypeArc, gisShapeTypePolygon}) {
    SCOPED_TRACE(int(type));
    TTempDir dir("shp-save");
    TGIS_LayerVector source;
    FillSource(source, type, 50, rng);
    TGIS_LayerSHP out;
    out.Build(dir / "out.shp", source.Extent(), type);
    out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    // Lengths: the header's word count is the file's size.
    for (const std::string ext : {".shp", ".shx"}) {
      const std::string bytes = Bytes(dir / ("out" + ext));
      const std::uint32_t words = (std::uint8_t(bytes[24]) << 24) |
                                  (std::uint8_t(bytes[25]) << 16) |
                                  (std::uint8_t(bytes[26]) << 8) | std::uint8_t(bytes[27]);
      EXPECT_EQ(words * 2, bytes.size());
    }
    TGIS_LayerSHP back;
    back.SetPath(dir / "out.shp");
    back.Open();
    for (int uid = 1; uid <= 50; ++uid) {
      TGIS_Shape* a = source.GetShape(uid);
      TGIS_Shape* b = back.GetShape(uid);
      ASSERT_NE(b, nullptr);
      ASSERT_EQ(a->GetNumPoints(), b->GetNumPoints());
      EXPECT_EQ(a->GetGeometryBlob(), b->GetGeometryBlob());
      EXPECT_EQ(b->GetField("NAME").AsString(), a->GetField("NAME").AsString());
      EXPECT_EQ(b->GetField("COUNT").AsInteger(), a->GetField("COUNT").AsInteger());
      EXPECT_DOUBLE_EQ(b->GetField("VALUE").AsDouble(), a->GetField("VALUE").AsDouble());
    }
    if (fmttest::HaveGdal()) {
      EXPECT_EQ(CompareWithDump(back, fmttest::GdalDump(dir / "out.shp")), 50);
    }
  }
}

TEST(ShapefileLayer, ImportRules) {
  std::mt19937 rng(7);
  // Type 0: the first shape's type decides; the rest of other types is left out.
  {
    TTempDir dir("shp-import");
    TGIS_LayerVector mixed;
    mixed.Open();
    for (TGIS_ShapeType t : {gisShapeTypePoint, gisShapeTypePolygon, gisShapeTypePoint}) {
      TGIS_Shape* s = mixed.CreateShape(t);
      s->Lock(2);
      s->AddPart();
      s->AddPoint({1, 1});
      s->AddPoint({1, 2});
      s->AddPoint({2, 2});
      s->AddPoint({1, 1});
      s->Unlock();
    }
    TGIS_LayerSHP out;
    out.SetPath(dir / "mix.shp");
    out.ImportLayer(&mixed, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    EXPECT_EQ(FullPass(dir / "mix.shp"), 2);
  }
  // Clipping writes the clipped geometry with the attributes of the whole shape.
  {
    TTempDir dir("shp-clip");
    TGIS_LayerVector lines;
    lines.Open();
    lines.AddField("ID", gisFieldTypeNumber, 5, 0);
    for (int i = 0; i < 2; ++i) {
      TGIS_Shape* s = lines.CreateShape(gisShapeTypeArc);
      s->Lock(2);
      s->AddPart();
      s->AddPoint({i * 100.0, 0});
      s->AddPoint({i * 100.0 + 10, 0});
      s->Unlock();
      s->SetField("ID", 7 + i);
    }
    TGIS_LayerSHP out;
    out.SetPath(dir / "clip.shp");
    out.ImportLayer(&lines, GisExtent(-1, -1, 5, 1), gisShapeTypeUnknown, "", true);
    TGIS_LayerSHP back;
    back.SetPath(dir / "clip.shp");
    back.Open();
    TGIS_Shape* s = back.GetShape(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetField("ID").AsInteger(), 7);
    EXPECT_DOUBLE_EQ(s->GetExtentRaw().XMax, 5);
    EXPECT_EQ(back.GetShape(2), nullptr);
  }
  // GetNewUid on a fresh layer of 3 records: 4, then 5. Deleting every shape
  // and saving keeps the old type and box and writes no records.
  {
    TTempDir dir("shp-uids");
    TGIS_LayerVector source;
    FillSource(source, gisShapeTypeArc, 3, rng);
    TGIS_LayerSHP out;
    out.SetPath(dir / "u.shp");
    out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    TGIS_LayerSHP layer;
    layer.SetPath(dir / "u.shp");
    layer.Open();
    EXPECT_EQ(layer.GetNewUid(), 4);
    EXPECT_EQ(layer.GetNewUid(), 5);
    const std::string header = Bytes(dir / "u.shp").substr(32, 36);
    for (int uid = 1; uid <= 3; ++uid)
      layer.DeleteShape(uid);
    layer.SaveData();
    const std::string after = Bytes(dir / "u.shp");
    EXPECT_EQ(after.size(), 100u);
    EXPECT_EQ(after.substr(32, 36), header);
    EXPECT_EQ(Bytes(dir / "u.shx").substr(32, 36), header);
    // The previous set stays as backups.
    EXPECT_TRUE(FileExists(dir / "u.~shp"));
    EXPECT_TRUE(FileExists(dir / "u.~shx"));
    EXPECT_TRUE(FileExists(dir / "u.~dbf"));
  }
  // An empty import from another layer leaves the files as they were.
  {
    TTempDir dir("shp-empty-import");
    CopyFixture("shp/points", SHP_SET, dir, "p");
    const std::string before = Bytes(dir / "p.shp");
    TGIS_LayerVector empty;
    empty.Open();
    TGIS_LayerSHP layer;
    layer.SetPath(dir / "p.shp");
    layer.ImportLayer(&empty, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    EXPECT_EQ(Bytes(dir / "p.shp"), before);
    EXPECT_FALSE(FileExists(dir / "p.shp~tmp"));
    EXPECT_FALSE(FileExists(dir / "p.dbf~tmp"));
  }
}

TEST(ShapefileLayer, ZAndMAreDroppedOnSave) {
  TTempDir dir("shp-zm");
  CopyFixture("shp/zm", SHP_SET, dir, "z");
  TGIS_LayerSHP layer;
  layer.SetPath(dir / "z.shp");
  layer.Open();
  layer.GetShape(1)->MakeEditable()->SetPoint(0, 1, {0, 11});
  layer.SetModified(true); // a vertex move alone does not mark the layer
  layer.SaveData();
  const std::string bytes = Bytes(dir / "z.shp");
  EXPECT_EQ(std::uint8_t(bytes[32]), 5);
  TGIS_LayerSHP back;
  back.SetPath(dir / "z.shp");
  back.Open();
  EXPECT_DOUBLE_EQ(back.GetShape(1)->GetPoint(0, 1).Y, 11);
  EXPECT_EQ(back.GetShape(2)->GetNumPoints(), 4);
}

TEST(ShapefileLayer, SavingItselfKeepsShapesOutsideTheScopeAndTheScope) {
  TTempDir dir("shp-scope");
  CopyFixture("shp/points", SHP_SET, dir, "p");
  TGIS_LayerSHP layer;
  layer.SetPath(dir / "p.shp");
  layer.Open();
  layer.SetScope("COUNT > 0");
  layer.SetScopeExtent(GisExtent(0, 0, 5, 5));
  layer.GetShape(1)->MakeEditable()->SetField("NAME", "edited");
  layer.SaveData();
  EXPECT_EQ(layer.Scope(), "COUNT > 0");
  EXPECT_DOUBLE_EQ(layer.ScopeExtent().XMax, 5);
  EXPECT_FALSE(layer.IsModified());
  EXPECT_EQ(FullPass(dir / "p.shp"), 4);
  EXPECT_EQ(layer.GetShape(1)->GetField("NAME").AsString(), "edited");
  EXPECT_FALSE(FileExists(dir / "p.shp~tmp"));
}

TEST(ShapefileLayer, WithoutTheIndexEachRecordIsReadOnceForRepeatedAccess) {
  TTempDir dir("shp-noindex");
  std::mt19937 rng(3);
  TGIS_LayerVector source;
  FillSource(source, gisShapeTypePoint, 300, rng);
  TGIS_LayerSHP out;
  out.SetPath(dir / "n.shp");
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  DeleteFile(dir / "n.shx");
  TGIS_LayerSHP layer;
  layer.SetPath(dir / "n.shp");
  layer.Open();
  ASSERT_FALSE(layer.HasIndexFile());
  EXPECT_EQ(layer.GetShape(300)->Uid(), 300);
  EXPECT_EQ(layer.RecordsRead(), 1); // the way there reads record headers only
  const std::int64_t before = layer.RecordsRead();
  for (int uid : {17, 250, 3, 300, 299})
    EXPECT_EQ(layer.GetShape(uid)->Uid(), uid);
  EXPECT_EQ(layer.RecordsRead() - before, 5);
  EXPECT_EQ(layer.GetShape(301), nullptr);
  // The running cursor goes on after the shape fetched last.
  layer.GetShape(10);
  layer.MoveNext();
  EXPECT_EQ(layer.GetCurrentShape()->Uid(), 11);
}
