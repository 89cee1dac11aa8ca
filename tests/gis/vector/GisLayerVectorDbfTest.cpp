// A vector layer's fields and values through a dBASE table and back: random
// schemas survive up to the table's documented limits, export names are
// written, and every field of a record is read once.
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include <random>
#include <unistd.h>

#include "gis/core/GisFileDBF.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

void WriteTable(const std::string& path, TGIS_LayerVector& layer) {
  TGIS_FileDBF dbf(path, nullptr, nullptr, true, layer);
  dbf.WriteHeader();
  dbf.WriteStructure();
  dbf.WriteHeader();
  for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext())
    dbf.AppendRecord(layer.GetCurrentShape());
  dbf.WriteHeader();
}

} // namespace

TEST(GisLayerVectorDbf, RandomSchemasSurviveATable) {
  std::mt19937 rng(21);
  const sktest::TTempDir dir("layer-dbf");
  const std::string path = dir / "table.dbf";
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    TGIS_LayerVector layer;
    layer.Open();
    const int fields = 1 + int(rng() % 8);
    for (int f = 0; f < fields; ++f) {
      const auto type = static_cast<std::uint8_t>(rng() % 5);
      // Long and clashing names: export names must make them unique.
      const std::string name = "Field number " + IntToStr(f % 3) + std::string(f, 'x');
      // Numbers get room for their values: too long a text is written as 9s.
      const bool number = type == gisFieldTypeNumber;
      layer.AddField(name, type, (number ? 6 : 4) + int(rng() % 10), number ? int(rng() % 3) : 0);
    }
    layer.PrepareExportNames(10, true);
    std::vector<std::vector<Variant>> expected;
    for (int r = 0; r < 5; ++r) {
      TGIS_Shape* s = layer.CreateShape(gisShapeTypePoint);
      std::vector<Variant> row;
      for (int f = 0; f < fields; ++f) {
        const TGIS_FieldInfo& info = *layer.GetFieldInfo(f);
        Variant v;
        if (rng() % 5 != 0) {
          switch (info.FieldType) {
          case gisFieldTypeString:
            v = std::string(1 + rng() % 6, char('a' + rng() % 26));
            break;
          case gisFieldTypeNumber:
            v = info.NewDecimal == 0 ? Variant(int(rng() % 999))
                                     : Variant((rng() % 9900) / std::pow(10.0, info.NewDecimal));
            break;
          case gisFieldTypeFloat:
            v = (double(rng() % 100000) - 50000) / 64.0;
            break;
          case gisFieldTypeBoolean:
            v = rng() % 2 == 0;
            break;
          default:
            v = Variant::FromDate(
                EncodeDate(Word(1950 + rng() % 100), Word(1 + rng() % 12), Word(1 + rng() % 28)));
          }
          s->SetField(info.NewName, v);
        }
        row.push_back(s->GetFieldEx(info.NewName));
      }
      expected.push_back(row);
    }
    WriteTable(path, layer);

    TGIS_LayerVector back;
    int reads = 0;
    TGIS_FileDBF dbf(
        path, [&](TGIS_StreamAbstract&, std::int64_t, std::int64_t, std::uint8_t*) { ++reads; },
        nullptr, false, back);
    ASSERT_EQ(back.FieldCount(), fields);
    ASSERT_EQ(dbf.RecordCount(), 5u);
    for (int r = 0; r < 5; ++r)
      for (int f = 0; f < fields; ++f) {
        const TGIS_FieldInfo& written = *layer.GetFieldInfo(f);
        EXPECT_EQ(back.GetFieldInfo(f)->Name, UpperCase(written.ExportName));
        const int before = reads;
        const Variant got = dbf.GetField(std::uint32_t(r + 1), f);
        (void)dbf.GetField(std::uint32_t(r + 1), f); // cached: no second read
        EXPECT_EQ(reads, before + 1);
        const Variant& want = expected[std::size_t(r)][std::size_t(f)];
        if (VarIsClear(want)) {
          EXPECT_TRUE(VarIsClear(got) || VarToStr(got).empty()) << f;
          continue;
        }
        switch (written.FieldType) {
        case gisFieldTypeString:
          EXPECT_EQ(VarToStr(got), VarToStr(want));
          break;
        case gisFieldTypeBoolean:
          EXPECT_EQ(got.AsBoolean(), want.AsBoolean());
          break;
        case gisFieldTypeDate:
          EXPECT_EQ(got.AsDateTime(), want.AsDateTime());
          break;
        default:
          EXPECT_NEAR(got.AsDouble(), want.AsDouble(), 1e-9 * (1 + std::fabs(want.AsDouble())));
        }
      }
  }
}

TEST(GisLayerVectorDbf, KeptStoredFieldsAreWrittenUnderTheirNames) {
  const sktest::TTempDir dir("layer-dbf");
  const std::string path = dir / "table.dbf";
  TGIS_LayerVector layer;
  layer.Open();
  layer.AddFieldEx("ROAD", gisFieldTypeString, 8, 0, true, 0);
  layer.AddField("Added later", gisFieldTypeNumber, 4, 0);
  layer.CreateShape()->SetField("ROAD", "A1");
  layer.PrepareExportNames(10, false);
  WriteTable(path, layer);
  TGIS_LayerVector back;
  TGIS_FileDBF dbf(path, nullptr, nullptr, false, back);
  ASSERT_EQ(back.FieldCount(), 2);
  EXPECT_EQ(back.GetFieldInfo(0)->Name, "ROAD");
  EXPECT_EQ(back.GetFieldInfo(1)->Name, "ADDED_LATE");
  EXPECT_EQ(VarToStr(dbf.GetField(1, "ROAD")), "A1");
  EXPECT_TRUE(dbf.GetField(1, "ADDED_LATE").IsNull());
}
