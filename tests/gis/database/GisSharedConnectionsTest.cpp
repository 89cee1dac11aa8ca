// Shared connections: keys, counting, failures, and the folder of a relative
// database file.
#include "gis/database/GisSharedConnections.h"

#include "platform/data/DataAccess.h"
#include "platform/rtl/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace sharedconnections_test {

TEST(GisSharedConnections, CaseAndBlankVariantsShareOneConnection) {
  TGIS_SharedConnections registry;
  int opened = 0;
  bool fail = false;
  registry.SetOpener([&](const std::string&, const std::string&, const std::string&) {
    if (fail) throw data::EDataError("refused", "");
    ++opened;
    return std::make_unique<data::Connection>();
  });
  data::Connection* a = registry.Acquire("Provider=PostgreSQL;Database=x", "", "");
  data::Connection* b = registry.Acquire("  provider=postgresql;database=X ", "other", "");
  EXPECT_EQ(a, b);
  EXPECT_EQ(opened, 1);
  registry.Release(a);
  EXPECT_EQ(registry.Count(), 1);
  registry.Release(b);
  EXPECT_EQ(registry.Count(), 0);
  registry.Release(b); // extra releases do nothing
  registry.Release(nullptr);
  fail = true;
  EXPECT_THROW(registry.Acquire("Provider=PostgreSQL;Database=y", "", ""), data::EDataError);
  EXPECT_EQ(registry.Count(), 0);
  fail = false;
  EXPECT_NE(registry.Acquire("Provider=PostgreSQL;Database=y", "", ""), nullptr);
  EXPECT_EQ(opened, 2);
}

TEST(GisSharedConnections, TwoFoldersGiveTwoDatabases) {
  sktest::TTempDir one("shared"), two("shared");
  data::CreateDatabaseFile(one / "Layers.mdb");
  data::CreateDatabaseFile(two / "Layers.mdb");
  TGIS_SharedConnections registry;
  const std::string cs = "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Layers.mdb\"";
  TCurrentDirGuard keep;
  SetCurrentDir(one.Path());
  data::Connection* a = registry.Acquire(cs, "", "");
  a->Execute("CREATE TABLE ONLY_ONE (ID INTEGER)");
  SetCurrentDir(two.Path());
  data::Connection* b = registry.Acquire(cs, "", "");
  EXPECT_NE(a, b);
  EXPECT_THROW(b->Execute("SELECT * FROM ONLY_ONE"), data::EDataError);
  SetCurrentDir(one.Path());
  EXPECT_EQ(registry.Acquire(cs, "", ""), a);
  EXPECT_EQ(registry.Count(), 2);
}

} // namespace sharedconnections_test
