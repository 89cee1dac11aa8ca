// MIF/MID: GDAL's files read as GDAL reads them, one row per object whatever
// the object, the header and rows we write, and our files read by GDAL.
#include <gtest/gtest.h>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerMIF.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace {

using fmttest::CompareWithDump;
using fmttest::CopyFixture;
using fmttest::DataFile;
using sktest::TTempDir;

const std::vector<std::string> MIF_SET = {".mif", ".mid"};

std::unique_ptr<TGIS_LayerMIF> OpenMif(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerMIF>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

using fmttest::MessageOf;

} // namespace

TEST(MifLayer, GdalsFileReadsAsGdalReadsIt) {
  auto layer = OpenMif(DataFile("mif/mixed.mif"));
  EXPECT_EQ(layer->InfoText(), "MapInfo Interchange Format (MIF/MID)");
  EXPECT_FALSE(layer->IsModified());
  // The Time column keeps its place as a deleted field: later values match.
  ASSERT_EQ(layer->FieldCount(), 6);
  EXPECT_TRUE(layer->GetFieldInfo(4)->Deleted);
  EXPECT_EQ(CompareWithDump(*layer, TTempDir::Read(DataFile("mif/mixed.dump")), 0), 6);
  EXPECT_EQ(layer->GetShape(4)->GetField("after").AsString(), "x4");
}

TEST(MifLayer, EveryObjectTakesItsOwnRow) {
  auto layer = OpenMif(DataFile("mif/objects.mif"));
  // The Text gives no shape but keeps its row; the Multipoint is read.
  TGIS_Shape* multi = layer->GetShape(2);
  ASSERT_NE(multi, nullptr);
  EXPECT_EQ(multi->ShapeType(), gisShapeTypeMultiPoint);
  EXPECT_EQ(multi->GetNumPoints(), 2);
  EXPECT_EQ(multi->GetField("name").AsString(), "multi");
  EXPECT_EQ(multi->GetField("after").AsString(), "m1");
  const char* afters[] = {"x1", "m1", "x2", "x3", "x4", "x5", "x5"};
  for (int uid = 1; uid <= 7; ++uid)
    EXPECT_EQ(layer->GetShape(uid)->GetField("after").AsString(), afters[uid - 1]) << uid;
  EXPECT_EQ(layer->GetShape(8), nullptr);
}

TEST(MifLayer, RowsAndLinesInTheirForms) {
  TTempDir dir("mif-forms");
  // A semicolon delimiter, a bad date, a 2000-character row, a line that is
  // no coordinate ending an object early, and PLine Multiple.
  const std::string longText(2000, 'z');
  dir.Write("a.mif", "Version 300\nDelimiter \";\"\nColumns 3\n  s Char(2000)\n  d Date\n"
                     "  n Decimal(10,2)\nData\n\n"
                     "PLine Multiple 2\n  3\n0 0\n1 1\n2 2\n  2\n5 5\n6 6\n"
                     "Region 1\n  4\n0 0\n0 1\n1 1\nPoint 7 8\n");
  dir.Write("a.mid", "\"" + longText + "\";20010230;3.5\n\"two\";20010228;\n\"three\";;1\n");
  auto layer = OpenMif(dir / "a.mif");
  TGIS_Shape* arc = layer->GetShape(1);
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->GetNumParts(), 2);
  EXPECT_EQ(arc->GetPartSize(0), 3);
  EXPECT_EQ(arc->GetPartSize(1), 2);
  EXPECT_EQ(arc->GetField("s").AsString(), longText);
  EXPECT_TRUE(arc->GetFieldEx("d").IsNull()); // 30 February is no date
  EXPECT_DOUBLE_EQ(arc->GetField("n").AsDouble(), 3.5);
  TGIS_Shape* region = layer->GetShape(2);
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(region->GetNumParts(), 1);
  EXPECT_EQ(region->GetField("s").AsString(), "two");
  // The line that ended the region is read as the next object, with its row.
  TGIS_Shape* point = layer->GetShape(3);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetField("s").AsString(), "three");
  EXPECT_DOUBLE_EQ(layer->Extent().XMax, 7);
  EXPECT_DOUBLE_EQ(layer->Extent().YMax, 8);
}

TEST(MifLayer, DoubledQuotesInARowAreOneQuote) {
  // GDAL writes a quote inside a quoted value as two quotes.
  TTempDir dir("mif-quotes");
  dir.Write("q.mif", "Version 300\nDelimiter \",\"\nColumns 2\n  name Char(254)\n  n Integer\n"
                     "Data\n\nPoint 1 2\nPoint 3 4\n");
  dir.Write("q.mid", "\"say \"\"hi\"\" now\",5\n\"\"\"\"\"\",6\n");
  auto layer = OpenMif(dir / "q.mif");
  ASSERT_NE(layer->GetShape(1), nullptr);
  EXPECT_EQ(layer->GetShape(1)->GetField("name").AsString(), "say \"hi\" now");
  EXPECT_EQ(layer->GetShape(1)->GetField("n").AsInteger(), 5);
  EXPECT_EQ(layer->GetShape(2)->GetField("name").AsString(), "\"\"");
  EXPECT_EQ(layer->GetShape(2)->GetField("n").AsInteger(), 6);
  if (fmttest::HaveGdal()) {
    const std::string dump = fmttest::GdalDump(dir / "q.mif");
    EXPECT_NE(dump.find("\tsay \"hi\" now\t5"), std::string::npos) << dump;
  }
}

TEST(MifLayer, WritesTheHeaderAndRowsGdalReads) {
  TTempDir dir("mif-write");
  TGIS_LayerVector source;
  source.Open();
  source.AddField("A", gisFieldTypeString, 10, 0);
  source.AddField("B", gisFieldTypeNumber, 10, 2);
  source.AddField("C", gisFieldTypeNumber, 10, 2);
  source.AddField("D", gisFieldTypeDate, 8, 0);
  source.AddField("E", gisFieldTypeFloat, 20, 5);
  source.DeleteField("B");
  TGIS_Shape* p = source.CreateShape(gisShapeTypePoint);
  p->Lock(2);
  p->AddPoint({1.5, -2});
  p->Unlock();
  p->SetField("A", "say \"hi\"");
  p->SetField("C", 3.14159);
  p->SetField("D", Variant::FromDate(EncodeDate(2020, 2, 29)));
  p->SetField("E", 0.1);
  TGIS_Shape* poly = source.CreateShape(gisShapeTypePolygon);
  poly->Lock(2);
  poly->AddPart();
  for (TGIS_Point q : {TGIS_Point{0, 0}, TGIS_Point{0, 10}, TGIS_Point{10, 10}, TGIS_Point{0, 0}})
    poly->AddPoint(q);
  poly->Unlock();
  TGIS_Shape* multi = source.CreateShape(gisShapeTypeMultiPoint);
  multi->Lock(2);
  multi->AddPoint({5, 5});
  multi->AddPoint({6, 6});
  multi->Unlock();

  TGIS_LayerMIF out;
  out.SetPath(dir / "w.mif");
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const std::string mif = TTempDir::Read(dir / "w.mif");
  EXPECT_EQ(mif.rfind("Version 300\r\nCharset \"Neutral\"\r\nDelimiter \",\"\r\nCoordSys", 0), 0u);
  EXPECT_NE(mif.find("CoordSys NonEarth Units \"m\" Bounds (0, -2) (10, 10)\r\n"),
            std::string::npos);
  EXPECT_NE(mif.find("Columns 4\r\n A Char(10)\r\n C Decimal (10,2)\r\n D Date\r\n E Float\r\n"
                     "Data\r\n\r\nPoint 1.5 -2\r\n"),
            std::string::npos);
  EXPECT_NE(mif.find("Region 1\r\n4\r\n0 0\r\n"), std::string::npos);
  EXPECT_NE(mif.find("Multipoint 2\r\n5 5\r\n6 6\r\n"), std::string::npos);
  EXPECT_EQ(TTempDir::Read(dir / "w.mid"),
            "\"say 'hi'\",3.14,\"20200229\",0.1\r\n\"\",,,\r\n\"\",,,\r\n");

  // Read back here and by GDAL.
  auto back = OpenMif(dir / "w.mif");
  EXPECT_EQ(back->GetShape(1)->GetField("A").AsString(), "say 'hi'");
  EXPECT_EQ(back->GetShape(3)->ShapeType(), gisShapeTypeMultiPoint);
  if (fmttest::HaveGdal()) {
    const std::string gdal = fmttest::GdalDump(dir / "w.mif");
    EXPECT_NE(gdal.find("say 'hi'\t3.14\t2020/02/29\t0.1"), std::string::npos) << gdal;
    EXPECT_EQ(CompareWithDump(*back, gdal, 0), 3);
  }
}

TEST(MifLayer, SavingKeepsBackupsAndBuildRefusesExistingFiles) {
  TTempDir dir("mif-save");
  CopyFixture("mif/mixed", MIF_SET, dir, "roads");
  const std::string before = TTempDir::Read(dir / "roads.mif");
  auto layer = OpenMif(dir / "roads.mif");
  layer->GetShape(1)->MakeEditable()->SetField("name", "changed");
  layer->SaveData();
  EXPECT_EQ(TTempDir::Read(dir / "roads.~mif"), before);
  EXPECT_TRUE(FileExists(dir / "roads.~mid"));
  EXPECT_EQ(OpenMif(dir / "roads.mif")->GetShape(1)->GetField("name").AsString(), "changed");
  TGIS_LayerMIF fresh;
  EXPECT_EQ(MessageOf([&] { fresh.Build(dir / "roads.mif", GisExtent(0, 0, 1, 1)); }).substr(0, 4),
            "0033");
  TGIS_LayerMIF empty;
  empty.Build(dir / "new.mif", GisExtent(0, 0, 1, 1));
  EXPECT_NE(TTempDir::Read(dir / "new.mif").find("Columns 0\r\nData\r\n"), std::string::npos);
}

TEST(MifLayer, DamagedFilesRaiseAStructureErrorAndTheFactoryOpensMif) {
  const std::string message = MessageOf([] { OpenMif(DataFile("mif/damaged.mif")); });
  EXPECT_EQ(message.substr(0, 4), "") << "a region cut short keeps what it read";
  auto layer = OpenMif(DataFile("mif/damaged.mif"));
  EXPECT_EQ(layer->ShapeCount(), 1);
  TTempDir dir("mif-bad");
  dir.Write("b.mif", "Version 300\nColumns 1\n  a Decimal(x,2)\nData\n");
  EXPECT_EQ(MessageOf([&] { OpenMif(dir / "b.mif"); }).substr(0, 4), "0090");

  GisFormatsRegisterLayers();
  auto made = GisCreateLayer("m", DataFile("mif/mixed.MIF"));
  EXPECT_NE(dynamic_cast<TGIS_LayerMIF*>(made.get()), nullptr);
}
