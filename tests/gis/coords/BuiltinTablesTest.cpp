// The built-in ellipsoid, datum and projection tables: counts, look-ups and
// the integrity of the generated rows against the data-file lines they came
// from (gis/coords/gen/*.tsv).
#include "CoordsTestSupport.h"

#include "gis/core/GisKernel.h"

#include <charconv>
#include <set>
#include <vector>

using namespace coords_test;

namespace {

class BuiltinTablesTest : public CoordsTest {};

uint64_t Fnv1a64(const std::vector<std::string>& lines) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      h ^= static_cast<unsigned char>('\n');
      h *= 0x100000001b3ULL;
    }
    for (unsigned char c : lines[i]) {
      h ^= c;
      h *= 0x100000001b3ULL;
    }
  }
  return h;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  const size_t e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The cells of a data line "a<TAB>b<TAB>c".
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    cells.push_back(
        Trim(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return cells;
}

double Number(const std::string& text) {
  double v = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(ec == std::errc() && ptr == text.data() + text.size()) << "not a number: " << text;
  return v;
}

long double LongNumber(const std::string& text) {
  long double v = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(ec == std::errc() && ptr == text.data() + text.size()) << "not a number: " << text;
  return v;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + separator.size();
  }
  return parts;
}

TEST_F(BuiltinTablesTest, CountsAndLookUps) {
  EXPECT_EQ(GisDatumList().Count(), 227);
  EXPECT_EQ(GisEllipsoidList().Count(), 23);
  ASSERT_NE(GisDatumList().DefaultDatum(), nullptr);
  EXPECT_EQ(GisDatumList().DefaultDatum()->Code, "WGE");
  EXPECT_EQ(GisDatumList().DefaultDatum()->Kind, gisDatumWGS84);
  EXPECT_EQ(GisDatumList().WGS72Datum()->Code, "WGD");
  EXPECT_EQ(GisWGS72Ellipsoid()->Code, "WD");
  EXPECT_EQ(GisWGS84Ellipsoid()->Code, "WE");

  const TGIS_Datum* adi = GisDatumList().FindDatum("adi-m");
  ASSERT_NE(adi, nullptr);
  EXPECT_EQ(adi->Code, "ADI-M");
  EXPECT_EQ(adi->EllipsoidCode, "CD");
  EXPECT_EQ(adi->Description, "ADINDAN, Mean");
  EXPECT_EQ(adi->DeltaX, -166);
  EXPECT_EQ(adi->SigmaZ, 3);
  EXPECT_EQ(adi->Scale, 1.0);
  TGIS_Point3D p = Deg(10, 10);
  EXPECT_EQ(ExpectGisError([&] { adi->CheckValidity(p); }).ErrorNumber(), 23);

  const TGIS_Datum* eur7 = GisDatumList().FindDatum("EUR-7");
  ASSERT_NE(eur7, nullptr);
  EXPECT_EQ(eur7->Kind, gisDatumSevenParameter);
  EXPECT_DOUBLE_EQ(eur7->RotationX, 0.413 / 206264.8062471);
  EXPECT_EQ(eur7->Scale, 2.4664e-06);
  EXPECT_EQ(eur7->ValidityXMin, -kPi);
  EXPECT_EQ(eur7->ValidityYMax, kPi / 2);

  EXPECT_EQ(GisDatumList().FindDatum("NOPE"), nullptr);
  EXPECT_EQ(GisEllipsoidList().FindEllipsoid("we"), GisWGS84Ellipsoid());
}

TEST_F(BuiltinTablesTest, BuildingTwiceChangesNothing) {
  TGIS_Datum* before = GisDatumList().FindDatum("EUR-M");
  GisBuildDatumTables();
  GisRegisterProjections();
  EXPECT_EQ(GisDatumList().FindDatum("EUR-M"), before);
  EXPECT_EQ(GisDatumList().Count(), 227);
  EXPECT_EQ(GisEllipsoidList().Count(), 23);
}

TEST_F(BuiltinTablesTest, KernelUnitRebuildsTheLists) {
  GisCoordsRegisterUnit();
  GisDatumList().AddDatum(gisDatumWGS84, "MINE", "added", "WE", {});
  GisEllipsoidList().AddEllipsoid("MY", "added", 300, 6378000);
  EXPECT_EQ(GisDatumList().Count(), 228);
  GisKernelResetForTests();
  EXPECT_EQ(GisDatumList().FindDatum("MINE"), nullptr);
  EXPECT_EQ(GisEllipsoidList().FindEllipsoid("MY"), nullptr);
  EXPECT_EQ(GisDatumList().Count(), 227);
  EXPECT_EQ(GisEllipsoidList().Count(), 23);
  EXPECT_NE(GisProjectionList().FindProjection("GEC"), nullptr);
}

TEST_F(BuiltinTablesTest, EllipsoidRowsAreTheirDataLines) {
  std::vector<std::string> sources;
  for (const TGIS_EllipsoidRow& row : GisBuiltinEllipsoidRows()) {
    SCOPED_TRACE(row.Code);
    sources.push_back(row.Source);
    const std::vector<std::string> c = Cells(row.Source);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0], row.Code);
    EXPECT_EQ(LongNumber(c[1]), row.SemiMajorAxis);
    EXPECT_EQ(LongNumber(c[2]), row.InverseFlattening);
    EXPECT_EQ(c[3], row.Description);
    const TGIS_Ellipsoid* e = GisEllipsoidList().FindEllipsoid(row.Code);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->SemiMajorAxis, row.SemiMajorAxis);
  }
  EXPECT_EQ(sources.size(), 23u);
  EXPECT_EQ(Fnv1a64(sources), GisBuiltinEllipsoidsChecksum);
}

TEST_F(BuiltinTablesTest, DatumRowsAreTheirDataLines) {
  const std::set<std::string> corrected = {"DAL", "NAS-U", "NAR-D", "TRN",   "EUR-S", "JOH",  "KEG",
                                           "WAK", "DID",   "PTB",   "NAS-D", "NAS-E", "SAN-M"};
  std::vector<std::string> special, three, seven;
  std::set<std::string> codes;
  std::set<std::string> correctedSeen;
  for (const TGIS_DatumRow& row : GisBuiltinDatumRows()) {
    SCOPED_TRACE(row.Code);
    EXPECT_TRUE(codes.insert(gis_coords::UpperCode(row.Code)).second) << "duplicate code";
    EXPECT_NE(GisEllipsoidList().FindEllipsoid(row.EllipsoidCode), nullptr) << "unlisted ellipsoid";
    const std::vector<std::string> c = Cells(row.Source);
    EXPECT_EQ(c[0], row.Code);
    switch (row.Kind) {
    case gisDatumWGS84:
    case gisDatumWGS72:
      special.push_back(row.Source);
      ASSERT_EQ(c.size(), 4u);
      EXPECT_EQ(c[2], row.EllipsoidCode);
      EXPECT_EQ(c[3], row.Description);
      break;
    case gisDatumSevenParameter: {
      seven.push_back(row.Source);
      ASSERT_EQ(c.size(), 10u);
      EXPECT_EQ(c[1], row.EllipsoidCode);
      for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Number(c[2 + i]), row.Values[i]);
      EXPECT_EQ(c[9], row.Description);
      break;
    }
    case gisDatumThreeParameter: {
      three.push_back(row.Source);
      ASSERT_EQ(c.size(), 9u);
      EXPECT_EQ(c[1], row.EllipsoidCode);
      const std::vector<std::string> sigma = Split(c[5], "/");
      ASSERT_EQ(sigma.size(), 3u);
      const double expected[6] = {Number(c[2]),     Number(sigma[0]), Number(c[3]),
                                  Number(sigma[1]), Number(c[4]),     Number(sigma[2])};
      for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], row.Values[i]);
      const std::vector<std::string> lat = Split(c[6], "..");
      const std::vector<std::string> lon = Split(c[7], "..");
      const double box[4] = {Number(lat[0]), Number(lat[1]), Number(lon[0]), Number(lon[1])};
      const bool same = box[0] == row.Values[6] && box[1] == row.Values[7] &&
                        box[2] == row.Values[8] && box[3] == row.Values[9];
      if (corrected.count(row.Code)) {
        correctedSeen.insert(row.Code);
        EXPECT_FALSE(same);
        ASSERT_NE(row.BoxSource, nullptr);
        EXPECT_NE(std::string(row.BoxSource).find("EPSG extent"), std::string::npos);
      } else {
        EXPECT_TRUE(same);
        EXPECT_EQ(row.BoxSource, nullptr);
      }
      // Every box holds points.
      EXPECT_LT(row.Values[6], row.Values[7]);
      EXPECT_LT(row.Values[8], row.Values[9]);
      EXPECT_EQ(c[8], row.Description);
      break;
    }
    }
  }
  EXPECT_EQ(special.size(), 2u);
  EXPECT_EQ(three.size(), 222u);
  EXPECT_EQ(seven.size(), 3u);
  EXPECT_EQ(correctedSeen, corrected);
  EXPECT_EQ(Fnv1a64(special), GisBuiltinSpecialDatumsChecksum);
  EXPECT_EQ(Fnv1a64(three), GisBuiltinThreeParameterDatumsChecksum);
  EXPECT_EQ(Fnv1a64(seven), GisBuiltinSevenParameterDatumsChecksum);
  // Order of addition: WGE, WGD, the three-parameter datums, then EUR-7,
  // OGB-7 and CH1903.
  const auto rows = GisBuiltinDatumRows();
  EXPECT_STREQ(rows[0].Code, "WGE");
  EXPECT_STREQ(rows[1].Code, "WGD");
  EXPECT_STREQ(rows[2].Code, "ADI-M");
  EXPECT_STREQ(rows[224].Code, "EUR-7");
  EXPECT_STREQ(rows[226].Code, "CH1903");
}

TEST_F(BuiltinTablesTest, PointsAtTheNamedPlacesAreValid) {
  struct Case {
    const char* Code;
    const char* Place;
    double Lat, Lon;
  } cases[] = {
      // The corrected boxes.
      {"DAL", "Dabola", 10.75, -11.1},
      {"NAS-U", "Greenland, Thule", 77.0, -69.0},
      {"NAR-D", "Mexico City", 19.43, -99.13},
      {"TRN", "Tern Island", 23.87, -166.28},
      {"EUR-S", "Baghdad", 33.31, 44.36},
      {"EUR-S", "Tel Aviv", 32.08, 34.78},
      {"JOH", "Johnston Atoll", 16.73, -169.53},
      {"KEG", "Kerguelen, Port-aux-Francais", -49.35, 70.2},
      {"WAK", "Wake Island", 19.29, 166.63},
      {"DID", "Deception Island", -62.97, -60.65},
      {"PTB", "Ouagadougou", 12.37, -1.52},
      {"PTB", "Niamey", 13.51, 2.11},
      {"NAS-D", "Anchorage", 61.22, -149.90},
      {"NAS-D", "Fairbanks", 64.84, -147.72},
      {"NAS-E", "Yellowknife", 62.45, -114.37},
      {"NAS-E", "Whitehorse", 60.72, -135.06},
      {"SAN-M", "Brasilia", -15.79, -47.88},
      {"SAN-M", "Buenos Aires", -34.60, -58.38},
      {"SAN-M", "Lima", -12.05, -77.04},
      {"SAN-M", "Punta Arenas", -53.16, -70.91},
      {"SAN-M", "Ushuaia", -54.80, -68.30},
      {"SAN-M", "Fernando de Noronha", -3.85, -32.42},
      // A sample of the others.
      {"EUR-M", "Berlin", 52.52, 13.40},
      {"OGB-A", "London", 51.5, -0.12},
      {"TOY-A", "Tokyo", 35.68, 139.69},
      {"NAS-C", "Kansas City", 39.1, -94.58},
      {"ARF-M", "Harare", -17.83, 31.05},
      {"AUA", "Canberra", -35.28, 149.13},
      {"SAN-C", "Brasilia", -15.79, -47.88},
      {"CCD", "Prague", 50.08, 14.43},
      {"HJO", "Reykjavik", 64.15, -21.94},
      {"GEO", "Wellington", -41.29, 174.78},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.Code << " at " << c.Place);
    const TGIS_Datum* d = GisDatumList().FindDatum(c.Code);
    ASSERT_NE(d, nullptr);
    TGIS_Point3D p = Deg(c.Lon, c.Lat);
    EXPECT_NO_THROW(d->CheckValidity(p));
    EXPECT_NO_THROW(d->ToWGS84(p, p));
  }
}

TEST_F(BuiltinTablesTest, ProjectionRegistryTable) {
  std::vector<std::string> sources;
  std::set<std::string> codes;
  for (const TGIS_ProjectionRow& row : GisProjectionTableRows()) {
    SCOPED_TRACE(row.Code);
    sources.push_back(row.Source);
    EXPECT_TRUE(codes.insert(row.Code).second);
    const std::vector<std::string> c = Cells(row.Source);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0], row.Code);
    EXPECT_EQ(c[1].substr(0, std::string(row.ClassName).size() + 2),
              std::string("`") + row.ClassName + "`");
    EXPECT_EQ(c[2], std::string("\"") + row.Description + "\"");
    EXPECT_EQ(Number(c[3]), row.Mask);
    EXPECT_EQ(GisFindProjectionRow(gis_coords::UpperCode(row.Code)), &row);
  }
  EXPECT_EQ(sources.size(), 27u);
  EXPECT_EQ(Fnv1a64(sources), GisProjectionTableChecksum);
  // Registration order, texts as they stand.
  const auto rows = GisProjectionTableRows();
  EXPECT_STREQ(rows[0].Code, "GED");
  EXPECT_STREQ(rows[1].Code, "GEC");
  EXPECT_STREQ(rows[1].Description, "Geocentic (unprojected)");
  EXPECT_STREQ(rows[26].Code, "NZMG");
  EXPECT_STREQ(GisFindProjectionRow("hot")->Description, "Hotine Olique Mercator Azimuth Center");
  EXPECT_EQ(GisFindProjectionRow("HT2")->Mask, 3215);
  EXPECT_EQ(GisFindProjectionRow("UTM")->Mask, gisPrjZone);
  EXPECT_EQ(GisFindProjectionRow("TMR")->Mask, gisPrjCentralMeridian | gisPrjOriginLatitude |
                                                   gisPrjFalseEasting | gisPrjFalseNorthing |
                                                   gisPrjScaleFactor);
  EXPECT_EQ(GisFindProjectionRow("XYZ"), nullptr);
  // No projection reports the centre bit.
  for (const TGIS_ProjectionRow& row : rows)
    EXPECT_EQ(row.Mask & gisPrjCenter, 0);
}

TEST_F(BuiltinTablesTest, RegisteredClassesMatchTheirRows) {
  TGIS_ProjectionList& list = GisProjectionList();
  for (const TGIS_ProjectionRow& row : GisProjectionTableRows()) {
    SCOPED_TRACE(row.Code);
    // Every row has its class, registered under the row's code.
    const TGIS_ProjectionClass* cls = GisFindProjectionClass(row.ClassName);
    ASSERT_NE(cls, nullptr);
    TGIS_ProjectionAbstract* p = list.FindProjection(row.Code);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetCode(), row.Code);
    EXPECT_EQ(p->GetDescription(), row.Description);
    EXPECT_EQ(p->GetParameterMask(), row.Mask);
    // The class's constructor and the instance's virtual constructor give
    // the same projection.
    const std::unique_ptr<TGIS_ProjectionAbstract> constructed = cls->Construct();
    const std::unique_ptr<TGIS_ProjectionAbstract> created = p->Create();
    EXPECT_EQ(constructed->GetCode(), row.Code);
    EXPECT_EQ(created->GetCode(), row.Code);
    EXPECT_NE(created.get(), p);
  }
  EXPECT_EQ(list.Count(), 27);
  EXPECT_EQ(GisProjectionClasses().size(), 27u);
  EXPECT_EQ(GisFindProjectionClass("TGIS_ProjectionNone"), nullptr);
  ASSERT_NE(list.FindProjection("gec"), nullptr);
  EXPECT_EQ(list.FindProjection("gec")->GetCode(), "GEC");
  EXPECT_EQ(list.FindProjection("Ged")->GetDescription(), "Geodetic (unprojected)");
  EXPECT_EQ(list.FindProjection(""), nullptr);
}

} // namespace
