// The unit factors against the EPSG dataset of PROJ's database, when SQLite
// and the database are there.
#ifdef SK_HAVE_SQLITE3

#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsUnits.h"

namespace {

using GisUnitsOracle = GisCoreTest;

TEST_F(GisUnitsOracle, FactorsAgreeWithTheEpsgDataset) {
  const char* path = "/usr/share/proj/proj.db";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "proj.db not installed";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  std::map<int, double> factors;
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(
                db, "select code, conv_factor from unit_of_measure where auth_name = 'EPSG'", -1,
                &st, nullptr),
            SQLITE_OK);
  while (sqlite3_step(st) == SQLITE_ROW)
    factors[sqlite3_column_int(st, 0)] = sqlite3_column_double(st, 1);
  sqlite3_finalize(st);
  sqlite3_close(db);

  struct Row {
    TGIS_UnitsType type;
    int epsg;
  };
  // The Indian foot and yard are left out: the dataset's definitions differ
  // from the kernel's by about 2.5e-8, and the kernel's values hold.
  const Row rows[] = {
      {gisUnitsMeter, 9001},         {gisUnitsKilometer, 9036},     {gisUnitsFoot, 9002},
      {gisUnitsFootUS, 9003},        {gisUnitsFootClarkes, 9005},   {gisUnitsLink, 9039},
      {gisUnitsLinkBenoit, 9063},    {gisUnitsLinkSeras, 9043},     {gisUnitsChainBenoit, 9062},
      {gisUnitsChainSears, 9042},    {gisUnitsYardSears, 9040},     {gisUnitsFathom, 9014},
      {gisUnitsMileNautical, 9030},  {gisUnitsRadian, 9101},        {gisUnitsDegreeDecimal, 9102},
      {gisUnitsMinuteDecimal, 9103}, {gisUnitsSecondDecimal, 9104}, {gisUnitsGrad, 9105},
      {gisUnitsGon, 9106},
  };
  for (const auto& r : rows) {
    ASSERT_TRUE(factors.count(r.epsg)) << r.epsg;
    TGIS_Units u;
    u.SetType(r.type);
    const double ours = static_cast<double>(u.Factor());
    EXPECT_LE(std::fabs(ours - factors[r.epsg]) / factors[r.epsg], 1e-9)
        << "EPSG " << r.epsg << ": " << ours << " vs " << factors[r.epsg];
  }
  TGIS_Units indian;
  indian.SetType(gisUnitsFootIndian);
  EXPECT_NEAR(static_cast<double>(indian.Factor()) / factors[9080] - 1, 2.5e-8, 0.1e-8);
}

} // namespace

#endif
