#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsHashList.h"
#include "gis/core/GisDefsVariants.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

using GisHashList = GisCoreTest;
using GisVariants = GisCoreTest;

void* Obj(std::intptr_t n) {
  return reinterpret_cast<void*>(n);
}

TEST_F(GisHashList, HashAndBucketGrowth) {
  // h = rotl2(h) xor byte: "A" = 65, "AB" = (65 << 2) ^ 66 = 326 -> 70.
  EXPECT_EQ(TGIS_HashList::HashOf(Variant("A")), 65);
  EXPECT_EQ(TGIS_HashList::HashOf(Variant("AB")), (260 ^ 66) & 255);
  EXPECT_EQ(TGIS_HashList::HashOf(Variant(12)), TGIS_HashList::HashOf(Variant("12")));

  // Keys that all fall into one bucket.
  std::vector<std::string> keys;
  for (int i = 0; keys.size() < 120; ++i) {
    const std::string k = "k" + IntToStr(i);
    if (TGIS_HashList::HashOf(Variant(k)) == 7) keys.push_back(k);
  }
  TGIS_HashList list;
  std::vector<std::pair<int, int>> growth; // (item number, new capacity)
  int capacity = 0;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    list.Add(Variant(keys[i]), Obj(static_cast<std::intptr_t>(i + 1)));
    const int now = static_cast<int>(list.Bucket(7).Items.size());
    if (now != capacity) growth.emplace_back(static_cast<int>(i + 1), now);
    capacity = now;
  }
  const std::vector<std::pair<int, int>> expected = {{1, 4},    {5, 8},    {9, 12},  {13, 28},
                                                     {29, 44},  {45, 60},  {61, 76}, {77, 95},
                                                     {96, 118}, {119, 147}};
  EXPECT_EQ(growth, expected);
  EXPECT_EQ(list.Bucket(7).Count, 120);
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(list.Find(Variant(keys[i])), Obj(static_cast<std::intptr_t>(i + 1)));
}

TEST_F(GisHashList, DuplicateKeyAbortsSilently) {
  TGIS_HashList list;
  list.Add(Variant("roads"), Obj(1));
  list.Add(Variant(5), Obj(2));
  EXPECT_THROW(list.Add(Variant("roads"), Obj(3)), EAbort);
  EXPECT_THROW(list.Add(Variant("5"), Obj(4)), EAbort); // a text equal to the number
  EXPECT_THROW(list.Add(Variant(5.0), Obj(4)), EAbort);
  list.Add(Variant("ROADS"), Obj(5)); // letter case counts
  void* found = nullptr;
  EXPECT_TRUE(list.Find(Variant("roads"), found));
  EXPECT_EQ(found, Obj(1));
  EXPECT_FALSE(list.Find(Variant("rivers"), found));
  EXPECT_EQ(list.Find(Variant("rivers")), nullptr);
  EXPECT_EQ(list.Bucket(TGIS_HashList::HashOf(Variant("roads"))).Count +
                list.Bucket(TGIS_HashList::HashOf(Variant(5))).Count +
                list.Bucket(TGIS_HashList::HashOf(Variant("ROADS"))).Count,
            3);
}

TEST_F(GisHashList, ForEachOrderStopAndLocking) {
  TGIS_HashList list;
  std::vector<std::pair<int, std::string>> model; // (bucket, key) in insertion order
  for (int i = 0; i < 300; ++i) {
    const std::string k = "key" + IntToStr(i * 7);
    list.Add(Variant(k), Obj(i + 1));
    model.emplace_back(TGIS_HashList::HashOf(Variant(k)), k);
  }
  // Buckets ascending, each bucket's items from the last added to the first.
  std::vector<std::string> expected;
  for (int b = 0; b < 256; ++b)
    for (auto it = model.rbegin(); it != model.rend(); ++it)
      if (it->first == b) expected.push_back(it->second);
  std::vector<std::string> seen;
  int tag = 0;
  EXPECT_TRUE(list.ForEach(
      [&](void* data, const TGIS_HashItem& item, void* object, bool&) {
        EXPECT_EQ(data, &tag);
        EXPECT_EQ(item.Object, object);
        seen.push_back(item.Key.AsString());
      },
      &tag));
  EXPECT_EQ(seen, expected);

  int visited = 0;
  EXPECT_FALSE(list.ForEach(
      [&](void*, const TGIS_HashItem&, void*, bool& cont) { cont = ++visited < 10; }, nullptr));
  EXPECT_EQ(visited, 10);

  // Add and Clear fail inside a walk; nested walks restore the outer lock.
  list.ForEach(
      [&](void*, const TGIS_HashItem&, void*, bool& cont) {
        EXPECT_TRUE(list.Locked());
        EXPECT_THROW(list.Add(Variant("new"), nullptr), EAssertionFailed);
        try {
          list.Clear();
          ADD_FAILURE();
        } catch (const EAssertionFailed& e) {
          EXPECT_EQ(e.Message(), "List is locked (GisDefs, line 3023)");
        }
        list.ForEach([](void*, const TGIS_HashItem&, void*, bool& c) { c = false; }, nullptr);
        EXPECT_TRUE(list.Locked());
        cont = false;
      },
      nullptr);
  EXPECT_FALSE(list.Locked());

  // A raising callback unlocks too.
  EXPECT_THROW(
      list.ForEach([](void*, const TGIS_HashItem&, void*, bool&) { throw EConvertError("x"); },
                   nullptr),
      EConvertError);
  EXPECT_FALSE(list.Locked());
  list.Add(Variant("after"), Obj(9));
  list.Clear();
  EXPECT_EQ(list.Find(Variant("after")), nullptr);
}

TEST_F(GisHashList, AgreesWithAMapModel) {
  std::mt19937 rng(99);
  TGIS_HashList list;
  std::map<std::string, void*> model;
  for (int step = 0; step < 20000; ++step) {
    const std::string k = "n" + IntToStr(rng() % 3000);
    void* object = Obj(static_cast<std::intptr_t>(step + 1));
    const bool present = model.count(k) > 0;
    if (rng() % 3 != 0) {
      if (present) {
        ASSERT_THROW(list.Add(Variant(k), object), EAbort);
      } else {
        list.Add(Variant(k), object);
        model[k] = object;
      }
    } else {
      ASSERT_EQ(list.Find(Variant(k)), present ? model[k] : nullptr) << k;
    }
  }
  std::map<std::string, void*> walked;
  list.ForEach([&](void*, const TGIS_HashItem& item, void* object,
                   bool&) { walked[item.Key.AsString()] = object; },
               nullptr);
  EXPECT_EQ(walked, model);
}

TEST_F(GisVariants, ListAndDefaults) {
  TGIS_VariantList list;
  list.Add(Variant(1));
  list.Add(Variant("two"));
  list.Put(0, Variant(3.5));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0).AsDouble(), 3.5);
  EXPECT_EQ(list.Get(1).AsString(), "two");
  EXPECT_THROW(list.Get(2), EListError);
  EXPECT_THROW(list.Put(-1, Variant(1)), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  struct Row {
    std::uint8_t type;
    TVarType varType;
  };
  for (const Row r : {Row{0, varString}, Row{1, varDouble}, Row{2, varDouble}, Row{3, varBoolean},
                      Row{4, varDate}, Row{0x80, varString}, Row{0x84, varDate}}) {
    Variant v(99);
    GisDefaultFieldValue(r.type, v);
    EXPECT_EQ(v.VarType(), r.varType) << int(r.type);
  }
  Variant date(1);
  GisDefaultFieldValue(4, date);
  EXPECT_EQ(date.AsDateTime(), EncodeDate(1900, 1, 1));
  Variant unchanged(7);
  GisDefaultFieldValue(5, unchanged);
  EXPECT_EQ(unchanged.AsInteger(), 7);
  Variant b(true);
  GisDefaultFieldValue(3, b);
  EXPECT_FALSE(b.AsBoolean());
}

TEST_F(GisVariants, CodePageConversions) {
  Variant out;
  GisVariantToCodePage(Variant(u"\u0160"), 1250, 1250, out); // wide -> ANSI in the to page
  EXPECT_EQ(out.VarType(), varString);
  EXPECT_EQ(out.AsString(), "\x8a");
  GisVariantToCodePage(Variant::FromStrArg(u"\u010d"), 65001, 1250, out);
  EXPECT_EQ(out.AsString(), "\xe8");
  GisVariantToCodePage(Variant(std::string("\xe8")), 1250, 65001, out);
  EXPECT_EQ(out.AsString(), "\xc4\x8d");
  GisVariantToCodePage(Variant(std::string("\xe8")), 1250, 1250, out);
  EXPECT_EQ(out.AsString(), "\xe8");
  GisVariantToCodePage(Variant(42), 1250, 65001, out);
  EXPECT_EQ(out.VarType(), varInteger);

  GisVariantToWide(Variant(std::string("\x8a")), 1250, out);
  EXPECT_EQ(out.VarType(), varOleStr);
  EXPECT_EQ(out.AsOleStr(), u"\u0160");
  Variant keep(5);
  GisVariantToWide(Variant(1.5), 1250, keep);
  EXPECT_EQ(keep.AsInteger(), 5); // untouched
}

class FakeField : public TGIS_AdoField {
public:
  FakeField(Variant v, int type, int scale = 0) : v_(std::move(v)), type_(type), scale_(scale) {}
  Variant Value() const override { return v_; }
  int DataType() const override { return type_; }
  int NumericScale() const override { return scale_; }

private:
  Variant v_;
  int type_, scale_;
};

TEST_F(GisVariants, DatabaseFieldValues) {
  using namespace GisAdo;
  Variant out;
  GisAdoFieldToVariant(FakeField(Null(), adInteger), 1250, 65001, out);
  EXPECT_TRUE(out.IsNull());
  GisAdoFieldToVariant(FakeField(Variant(7), adInteger), 1250, 65001, out);
  EXPECT_EQ(out.VarType(), varInteger);
  GisAdoFieldToVariant(FakeField(Variant(std::int64_t{1} << 40), adBigInt), 1250, 65001, out);
  EXPECT_EQ(out.VarType(), varInt64);
  GisAdoFieldToVariant(FakeField(Variant(std::string("\x8a  ")), adChar), 1250, 65001, out);
  EXPECT_EQ(out.AsString(), "\xc5\xa0"); // re-encoded, then right-trimmed
  GisAdoFieldToVariant(FakeField(Variant(std::string(" ab  ")), adVarChar), 1250, 1250, out);
  EXPECT_EQ(out.AsString(), " ab");
  GisAdoFieldToVariant(FakeField(Variant(u"\u0160ola"), adVarWChar), 1252, 1250, out);
  EXPECT_EQ(out.VarType(), varString);
  EXPECT_EQ(out.AsString(), "\x8aola");
  GisAdoFieldToVariant(FakeField(Variant(12.0), adNumeric, 0), 1250, 1250, out);
  EXPECT_EQ(out.VarType(), varInteger);
  EXPECT_EQ(out.AsInteger(), 12);
  GisAdoFieldToVariant(FakeField(Variant(1e12), adDecimal, 0), 1250, 1250, out);
  EXPECT_EQ(out.VarType(), varDouble); // does not fit 32 bits
  GisAdoFieldToVariant(FakeField(Variant(12.0), adVarNumeric, 2), 1250, 1250, out);
  EXPECT_EQ(out.VarType(), varDouble);
}

} // namespace
