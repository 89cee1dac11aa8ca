// Attribute fields of a vector layer, values through shapes, copying values
// between layers, per-shape styles.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"

namespace {

/// A layer whose storage answers FetchFieldValue (and fails for "BAD").
class TStoredLayer : public TGIS_LayerVector {
public:
  Variant FetchFieldValue(std::int32_t uid, const std::string& storedName) override {
    ++Fetches;
    if (storedName == "BAD") throw EGIS_Exception(GIS_RS_ERR_FIELDNOEXIST, storedName);
    if (storedName == "NUL") return Variant::MakeNull();
    return Variant(storedName + IntToStr(uid));
  }
  int Fetches = 0;
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

} // namespace

TEST(GisLayerVectorFields, FindFieldByVirtualStoredAndCurrentNames) {
  TGIS_LayerVector l;
  l.AddFieldEx("GIS_UID", gisFieldTypeNumber, 5, 0, true, 0);
  l.AddFieldEx("A", gisFieldTypeString, 5, 0, true, 0);
  EXPECT_FALSE(l.Modified());
  EXPECT_EQ(l.FindField("gis_uid"), GIS_FIELD_ID_UID);
  EXPECT_EQ(l.FindField("Gis_Length"), GIS_FIELD_ID_LENGTH);
  l.ChangeField("a", "B", 8, 0);
  EXPECT_EQ(l.FindField("A"), 1); // through its stored name
  EXPECT_EQ(l.FindField("b"), 1); // through its current name
  EXPECT_EQ(l.GetFieldInfo(1)->NewWidth, 8);
  EXPECT_TRUE(l.Modified());
  l.ChangeField("B", "b", 8, 0); // letter case only: not applied
  EXPECT_EQ(l.GetFieldInfo(1)->NewName, "B");
  EXPECT_EQ(ErrorOf([&] { l.AddField("b", gisFieldTypeString, 1, 0); }),
            "0050 Field \"b\" already exist");
  EXPECT_EQ(ErrorOf([&] { l.ChangeField("Z", "Q", 1, 0); }),
            "0051 Field \"Z\" does not exist or is marked as deleted");
  EXPECT_EQ(ErrorOf([&] { l.ChangeField("B", "GIS_UID", 1, 0); }),
            "0050 Field \"GIS_UID\" already exist");
  l.DeleteField("B");
  EXPECT_EQ(l.FindField("B"), 1); // deleted fields are still found
  l.AddField("NEW", gisFieldTypeFloat, 10, 2);
  l.DiscardChanges();
  ASSERT_EQ(l.FieldCount(), 2);
  EXPECT_EQ(l.GetFieldInfo(1)->NewName, "A");
  EXPECT_EQ(l.GetFieldInfo(1)->NewWidth, 5);
  EXPECT_FALSE(l.GetFieldInfo(1)->Deleted);
  EXPECT_EQ(l.FindField("NEW"), -1);
  EXPECT_EQ(l.GetFieldInfo(2), nullptr);
  EXPECT_EQ(l.GetFieldInfo(-1), nullptr);
}

TEST(GisLayerVectorFields, CachesAgreeWithALinearSearch) {
  std::mt19937 rng(5);
  TGIS_LayerVector l;
  const char* pool[] = {"ab", "AB2", "c", "Road", "road1", "x_y", "Z", "zz", "Q9", "name"};
  // Discarding can bring back a name that another field took meanwhile: then
  // any field of that name is a right answer.
  auto matches = [&](int found, const std::string& name, bool stored) {
    bool any = false;
    for (int i = 0; i < l.FieldCount(); ++i)
      any = any || SameText(stored ? l.GetFieldInfo(i)->Name : l.GetFieldInfo(i)->NewName, name);
    if (found < 0) return !any;
    return SameText(stored ? l.GetFieldInfo(found)->Name : l.GetFieldInfo(found)->NewName, name);
  };
  for (int step = 0; step < 4000; ++step) {
    const std::string name = pool[rng() % 10];
    const int op = int(rng() % 4);
    try {
      if (op == 0) l.AddFieldEx(name, 0, 5, 0, rng() % 2 == 0, 0);
      if (op == 1) l.ChangeField(name, pool[rng() % 10], 5, 0);
      if (op == 2 && rng() % 20 == 0) l.DiscardChanges();
    } catch (const EGIS_Exception&) {
    }
    // Look-ahead: ask for the field after the last one found.
    const int last = l.FindFieldIndex(name);
    ASSERT_TRUE(matches(last, name, false)) << name;
    if (last >= 0 && last + 1 < l.FieldCount()) {
      const std::string next = l.GetFieldInfo(last + 1)->NewName;
      ASSERT_TRUE(matches(l.FindFieldIndex(next), next, false)) << next;
    }
    ASSERT_TRUE(matches(l.FindFieldIndexByStoredName(name), name, true)) << name;
  }
}

TEST(GisLayerVectorFields, ExportNamesAreShortUniqueAndClean) {
  struct Row {
    std::vector<std::string> names;
    int maxLength;
    std::vector<std::string> expected;
  } rows[] = {
      {{"Population Total", "Population Count"}, 10, {"Population", "Populati01"}},
      {{"1st", "a-b c", ""}, 10, {"Fst", "a_b_c", "FIELD"}},
      {{"abcdef"}, 3, {"abcd"}},
      {{"Ähre", "Ähre2"}, 10, {"Fhre", "Fhre2"}},
  };
  for (const auto& r : rows) {
    TGIS_LayerVector l;
    for (const auto& n : r.names)
      l.AddFieldEx(n, 0, 5, 0, false, 0);
    l.PrepareExportNames(r.maxLength, true);
    for (std::size_t i = 0; i < r.names.size(); ++i)
      EXPECT_EQ(l.GetFieldInfo(int(i))->ExportName, r.expected[i]) << r.names[i];
    EXPECT_TRUE(l.Modified());
  }
  // 255 clashing names: the suffix grows to three digits at 0FF.
  TGIS_LayerVector many;
  for (int i = 0; i < 256; ++i)
    many.AddFieldEx("LONGNAME" + IntToStr(i), 0, 5, 0, false, 0);
  many.PrepareExportNames(8, true);
  EXPECT_EQ(many.GetFieldInfo(0)->ExportName, "LONGNAME");
  EXPECT_EQ(many.GetFieldInfo(1)->ExportName, "LONGNA01");
  EXPECT_EQ(many.GetFieldInfo(254)->ExportName, "LONGNAFE");
  EXPECT_EQ(many.GetFieldInfo(255)->ExportName, "LONGN0FF");
  // Kept stored fields write their own names.
  TGIS_LayerVector kept;
  kept.AddFieldEx("STORED", 0, 5, 0, true, 0);
  kept.AddFieldEx("STORED_NEW", 0, 5, 0, false, 0);
  kept.PrepareExportNames(6, false);
  EXPECT_EQ(kept.GetFieldInfo(0)->ExportName, "STORED");
  EXPECT_EQ(kept.GetFieldInfo(1)->ExportName, "STOR01");
  // Random names come out unique ignoring case and short enough.
  std::mt19937 rng(9);
  TGIS_LayerVector random;
  for (int i = 0; i < 300; ++i) {
    std::string n;
    for (int k = int(rng() % 14); k >= 0; --k)
      n += "aAbB _-9ä"[rng() % 9];
    try {
      random.AddFieldEx(n, 0, 5, 0, false, 0);
    } catch (const EGIS_Exception&) {
    }
  }
  random.PrepareExportNames(10, true);
  for (int i = 0; i < random.FieldCount(); ++i) {
    const std::string& e = random.GetFieldInfo(i)->ExportName;
    EXPECT_LE(e.size(), 10u);
    for (int j = 0; j < i; ++j)
      EXPECT_FALSE(SameText(e, random.GetFieldInfo(j)->ExportName));
  }
}

TEST(GisLayerVectorFields, SetFieldConvertsByType) {
  TGIS_LayerVector l;
  l.Open();
  l.AddField("S", gisFieldTypeString, 5, 0);
  l.AddField("N", gisFieldTypeNumber, 10, 0);
  l.AddField("ND", gisFieldTypeNumber, 10, 2);
  l.AddField("F", gisFieldTypeFloat, 20, 5);
  l.AddField("B", gisFieldTypeBoolean, 1, 0);
  l.AddField("D", gisFieldTypeDate, 8, 0);
  l.AddField("RO", gisFieldTypeString, 5, 0);
  l.GetFieldInfo(6)->ReadOnly = true;
  TGIS_Shape* s = l.CreateShape();
  struct Row {
    const char* field;
    Variant value;
    TVarType type;
    const char* text; // the stored value as text, or the error
  } rows[] = {
      {"S", Variant(""), varNull, ""},
      {"N", Variant(std::int64_t(2147483648LL)), varInt64, "2147483648"},
      {"N", Variant(-2147483647.0), varInteger, "-2147483647"},
      {"N", Variant(2.5), varInteger, "2"},
      {"N", Variant(3.5), varInteger, "4"},
      {"N", Variant("12"), varInteger, "12"},
      {"ND", Variant("1,5"), varDouble, "1.5"},
      {"F", Variant("1,5"), varDouble, "1.5"},
      {"B", Variant("yes"), varBoolean, "True"},
      {"B", Variant("0"), varBoolean, "False"},
      {"B", Variant("maybe"), varEmpty, "0071 Wrong boolean value \"maybe\""},
      {"N", Variant(std::nan("")), varEmpty, "0070 Wrong float value \"NAN\""},
      {"F", Variant(std::numeric_limits<double>::infinity()), varEmpty, "0070"},
      {"N", Variant(1e19), varEmpty, "0070"},
      {"F", Variant("x"), varEmpty, "0070 Wrong float value \"x\""},
      {"D", Variant("2023-02-29"), varEmpty, "0072 Wrong date value \"2023-02-29\""},
      {"D", Variant("2024-02-29"), varDate, ""},
      {"GIS_UID", Variant(5), varEmpty,
       "0051 Field \"GIS_UID\" does not exist or is marked as deleted"},
      {"RO", Variant("x"), varEmpty, "0052 Field \"RO\" is readonly"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.field) + " " + r.text);
    const std::string error = ErrorOf([&] { s->SetField(r.field, r.value); });
    if (r.type == varEmpty) {
      EXPECT_EQ(error.substr(0, std::string(r.text).size()), r.text);
      continue;
    }
    ASSERT_EQ(error, "");
    const Variant v = s->GetFieldEx(r.field);
    EXPECT_EQ(v.VarType(), r.type);
    if (r.type == varBoolean) {
      EXPECT_EQ(v.AsBoolean() ? "True" : "False", std::string(r.text));
    } else if (r.type != varNull && r.type != varDate) {
      EXPECT_EQ(VarToStr(v), r.text);
    }
  }
  // Ten Cyrillic letters take 20 bytes: the width grows to them.
  s->SetField("S", "ДДДДДДДДДД");
  EXPECT_EQ(l.GetFieldInfo(0)->NewWidth, 20);
  s->SetField("gis_selected", true);
  EXPECT_TRUE(s->IsSelected());
  // A shape without a layer has no fields.
  TGIS_ShapePoint free;
  EXPECT_TRUE(free.GetField("S").IsEmpty());
  EXPECT_EQ(ErrorOf([&] { free.SetField("S", 1); }),
            "0051 Field \"S\" does not exist or is marked as deleted");
  free.SetField("GIS_SELECTED", "y");
  EXPECT_TRUE(free.IsSelected());
}

TEST(GisLayerVectorFields, GetFieldFallsBackToStorageThenDefaults) {
  TStoredLayer l;
  l.Open();
  l.AddFieldEx("NAME", gisFieldTypeString, 10, 0, true, 0);
  l.AddFieldEx("BAD", gisFieldTypeNumber, 10, 0, true, 0);
  l.AddFieldEx("NUL", gisFieldTypeDate, 8, 0, true, 0);
  l.AddField("LOCAL", gisFieldTypeBoolean, 1, 0);
  TGIS_Shape* s = l.CreateShape();
  EXPECT_EQ(VarToStr(s->GetFieldEx("name")), "NAME1");
  EXPECT_TRUE(s->GetFieldEx("BAD").IsEmpty()); // a failing read gives empty
  EXPECT_EQ(s->GetField("BAD").AsDouble(), 0.0);
  EXPECT_TRUE(s->GetFieldEx("NUL").IsNull());
  EXPECT_NEAR(s->GetField("NUL").AsDateTime(), EncodeDate(1900, 1, 1), 0);
  EXPECT_TRUE(s->GetFieldEx("LOCAL").IsEmpty());
  EXPECT_EQ(s->GetField("LOCAL").AsBoolean(), false);
  EXPECT_TRUE(s->GetField("UNKNOWN").IsEmpty());
  s->SetField("NAME", "edited");
  EXPECT_EQ(VarToStr(s->GetField("NAME")), "edited"); // an edited value wins
  EXPECT_EQ(l.GetFieldValue(s, 0).AsString(), "edited");
  EXPECT_EQ(l.GetFieldValue(s, GIS_FIELD_ID_UID).AsInteger(), 1);
  EXPECT_EQ(l.GetFieldValue(s, GIS_FIELD_ID_AREA).AsDouble(), 0.0);
  EXPECT_TRUE(l.GetFieldValue(s, 4).IsEmpty()); // beyond the fields
  EXPECT_TRUE(l.GetFieldValue(s, -1).IsEmpty());
}

TEST(GisLayerVectorFields, CopyFieldsMapsByNameAndKeepsNulls) {
  TGIS_LayerVector from, to;
  from.Open();
  to.Open();
  from.AddField("A", gisFieldTypeNumber, 5, 0);
  from.AddField("H", gisFieldTypeString, 5, 0);
  from.AddField("B", gisFieldTypeString, 5, 0);
  from.GetFieldInfo(1)->Hidden = true;
  to.AddField("b", gisFieldTypeString, 5, 0);
  to.AddField("H", gisFieldTypeString, 5, 0);
  to.AddField("A", gisFieldTypeNumber, 5, 0);
  to.GetFieldInfo(2)->ReadOnly = true;
  TGIS_Shape* src = from.CreateShape();
  src->SetField("B", "text");
  TGIS_Shape* dst = to.CreateShape();
  dst->CopyFields(*src);
  EXPECT_EQ(VarToStr(dst->GetField("b")), "text");
  EXPECT_TRUE(dst->GetFieldEx("A").IsNull());  // not a default 0
  EXPECT_TRUE(dst->GetFieldEx("H").IsEmpty()); // hidden: not copied
  EXPECT_TRUE(to.GetFieldInfo(2)->ReadOnly);   // restored
  // A failing write restores the flag too.
  to.ChangeField("A", "A", 5, 0);
  to.GetFieldInfo(0)->FieldType = gisFieldTypeBoolean;
  src->SetField("B", "maybe");
  EXPECT_THROW(dst->CopyFields(*src), EGIS_Exception);
  EXPECT_TRUE(to.GetFieldInfo(2)->ReadOnly);
}

TEST(GisLayerVectorFields, OwnStylesAreCopiedOnWrite) {
  TGIS_LayerVector l;
  l.Open();
  TGIS_Shape* s = l.CreateShape();
  l.GetParamsSection().GetMarker().SetSize(77);
  EXPECT_FALSE(s->HasOwnParams());
  TGIS_ParamsSectionVector& section = s->GetParamsSection();
  EXPECT_EQ(section.CurrentShape(), s);
  section.GetMarker().SetSize(5);
  EXPECT_TRUE(s->HasOwnParams());
  EXPECT_EQ(s->GetParamsSection().GetMarker().Size(), 5);
  EXPECT_EQ(l.GetParamsSection().GetMarker().Size(), 77);
  s->UseOwnParams(true); // a second call frees the own section
  EXPECT_FALSE(s->HasOwnParams());
  s->UseOwnParams(true);
  EXPECT_TRUE(s->HasOwnParams());
  EXPECT_EQ(s->GetParamsSection().GetMarker().Size(), 77);
  s->ResetParams();
  EXPECT_FALSE(s->HasOwnParams());
}
