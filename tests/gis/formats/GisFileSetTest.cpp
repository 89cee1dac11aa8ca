// The safe file set: killed at every step boundary, refused replaces, a kill
// during the rollback, a file-size limit and random kills during a large
// shapefile save; afterwards the old set or the new one is there, whole.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisLayerSHP.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"
#include "tests/gis/formats/SaveKillSupport.h"
#include "tests/support/Sanitizers.h"

namespace {

using sktest::TTempDir;

const std::vector<std::string> NAMES = {"a.shp", "a.shx", "a.dbf"};

std::vector<std::string> Members(const TTempDir& dir) {
  std::vector<std::string> m;
  for (const auto& n : NAMES)
    m.push_back(dir / n);
  return m;
}

void WriteGeneration(const TTempDir& dir, const std::string& tag, bool temps) {
  for (const auto& n : NAMES)
    dir.Write(n + (temps ? "~tmp" : ""), tag + ":" + n);
}

/// "old", "new", or "mixed" for what the finals hold.
std::string Generation(const TTempDir& dir) {
  std::string seen;
  for (const auto& n : NAMES) {
    const std::string bytes = TTempDir::Read(dir / n);
    const std::string tag = bytes.substr(0, bytes.find(':'));
    if (bytes != tag + ":" + n) return "damaged";
    if (seen.empty())
      seen = tag;
    else if (seen != tag)
      return "mixed";
  }
  return seen;
}

bool NoLeftovers(const TTempDir& dir) {
  for (const auto& n : NAMES)
    if (FileExists(dir / (n + "~tmp"))) return false;
  return !FileExists(dir / "a.shp~commit") && !FileExists(dir / "a.shp~commit~tmp");
}

using fmttest::InChild;

struct TKillPoint {
  TGIS_FileSetStep step;
  int member;
  const char* expected;
};

} // namespace

TEST(FileSet, AKillAtEveryStepBoundaryLeavesTheOldOrTheNewSet) {
  const TKillPoint points[] = {
      {TGIS_FileSetStep::TempsSynced, -1, "old"}, {TGIS_FileSetStep::MarkerWritten, -1, "new"},
      {TGIS_FileSetStep::Backup, 0, "new"},       {TGIS_FileSetStep::Backup, 1, "new"},
      {TGIS_FileSetStep::Backup, 2, "new"},       {TGIS_FileSetStep::Replace, 0, "new"},
      {TGIS_FileSetStep::Replace, 1, "new"},      {TGIS_FileSetStep::Replace, 2, "new"},
      {TGIS_FileSetStep::Replaced, -1, "new"},
  };
  for (const TKillPoint& p : points) {
    SCOPED_TRACE(int(p.step) * 10 + p.member);
    TTempDir dir("fileset-kill");
    WriteGeneration(dir, "old", false);
    const int status = InChild([&] {
      TGIS_FileSet::SetStepHook([&](TGIS_FileSetStep step, int member) {
        if (step == p.step && member == p.member) ::raise(SIGKILL);
        return 0;
      });
      TGIS_FileSet set(Members(dir));
      WriteGeneration(dir, "new", true);
      set.Commit();
      return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    TGIS_FileSet::Recover(dir / "a.shp");
    EXPECT_EQ(Generation(dir), p.expected);
    // Before the commit point the temporaries may stay; the next write replaces them.
    if (std::string(p.expected) == "new") {
      EXPECT_TRUE(NoLeftovers(dir));
    }
    EXPECT_FALSE(FileExists(dir / "a.shp~commit"));
  }
}

TEST(FileSet, ARefusedReplaceRestoresTheOldSetAndRaisesWriteError) {
  for (int refused = 0; refused < 3; ++refused) {
    for (bool hadOld : {true, false}) {
      SCOPED_TRACE(refused * 2 + hadOld);
      TTempDir dir("fileset-refuse");
      if (hadOld) WriteGeneration(dir, "old", false);
      TGIS_FileSet::SetStepHook([&](TGIS_FileSetStep step, int member) {
        return step == TGIS_FileSetStep::Replace && member == refused ? EACCES : 0;
      });
      TGIS_FileSet set(Members(dir));
      WriteGeneration(dir, "new", true);
      try {
        set.Commit();
        ADD_FAILURE() << "no error";
      } catch (const EGIS_Exception& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, 4), "0032");
        EXPECT_EQ(e.ErrorText(), dir / NAMES[std::size_t(refused)]);
        EXPECT_EQ(e.ErrorValue(), EACCES);
      }
      TGIS_FileSet::SetStepHook(nullptr);
      if (hadOld) {
        EXPECT_EQ(Generation(dir), "old");
      } else {
        for (const auto& n : NAMES)
          EXPECT_FALSE(FileExists(dir / n));
      }
      EXPECT_TRUE(NoLeftovers(dir));
    }
  }
}

TEST(FileSet, AKillDuringTheRollbackStillEndsWithTheOldSet) {
  for (int restoring = 0; restoring < 3; ++restoring) {
    SCOPED_TRACE(restoring);
    TTempDir dir("fileset-rollback");
    WriteGeneration(dir, "old", false);
    const int status = InChild([&] {
      TGIS_FileSet::SetStepHook([&](TGIS_FileSetStep step, int member) {
        if (step == TGIS_FileSetStep::Replace && member == 2) return EACCES;
        if (step == TGIS_FileSetStep::Restore && member == restoring) ::raise(SIGKILL);
        return 0;
      });
      TGIS_FileSet set(Members(dir));
      WriteGeneration(dir, "new", true);
      set.Commit();
      return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(FileExists(dir / "a.shp~commit"));
    TGIS_FileSet::Recover(dir / "a.shp");
    EXPECT_EQ(Generation(dir), "old");
    EXPECT_TRUE(NoLeftovers(dir));
  }
}

TEST(FileSet, AnAbortedSetDeletesItsTemporariesAndStrayOnesAreIgnored) {
  TTempDir dir("fileset-abort");
  WriteGeneration(dir, "old", false);
  {
    TGIS_FileSet set(Members(dir));
    WriteGeneration(dir, "new", true);
  }
  EXPECT_EQ(Generation(dir), "old");
  EXPECT_TRUE(NoLeftovers(dir));
  WriteGeneration(dir, "stray", true);
  EXPECT_FALSE(TGIS_FileSet::Recover(dir / "a.shp"));
  EXPECT_EQ(Generation(dir), "old");
}

namespace {

/// A shapefile of `count` points with one field.
void MakePoints(const std::string& path, int count, double shift) {
  TGIS_LayerVector source;
  source.Open();
  source.AddField("ID", gisFieldTypeNumber, 9, 0);
  for (int i = 0; i < count; ++i) {
    TGIS_Shape* s = source.CreateShape(gisShapeTypePoint);
    s->Lock(2);
    s->AddPoint({i + shift, -i - shift});
    s->Unlock();
    s->SetField("ID", i);
  }
  TGIS_LayerSHP out;
  out.SetPath(path);
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

/// The shift of a point file (first X), checking that every record, its
/// index entry and its attribute agree; -1 when the set does not agree.
double ShiftOf(const std::string& path, int count) {
  TGIS_LayerSHP layer;
  layer.SetPath(path);
  layer.Open();
  int n = 0;
  double shift = -1;
  for (layer.MoveFirst(GisWholeWorldExtent()); !layer.Eof(); layer.MoveNext(), ++n) {
    TGIS_Shape* s = layer.GetCurrentShape();
    const TGIS_Point p = s->GetPoint(0, 0);
    if (n == 0) shift = p.X;
    if (p.X != n + shift || s->GetField("ID").AsInteger() != n) return -1;
  }
  return n == count && layer.GetShape(count) != nullptr ? shift : -1;
}

} // namespace

TEST(FileSet, AFileSizeLimitFailsTheSaveAndLeavesTheFilesAsTheyWere) {
  TTempDir dir("fileset-fsize");
  MakePoints(dir / "p.shp", 2000, 0);
  const std::string shp = TTempDir::Read(dir / "p.shp"), dbf = TTempDir::Read(dir / "p.dbf");
  for (rlim_t limit : {rlim_t(1000), rlim_t(40000), rlim_t(60000)}) {
    SCOPED_TRACE(int(limit));
    const int status = InChild([&] {
      ::signal(SIGXFSZ, SIG_IGN);
      struct rlimit r{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &r);
      try {
        MakePoints(dir / "p.shp", 3000, 0.5);
      } catch (const EGIS_Exception& e) {
        return std::string(e.what()).substr(0, 4) == "0032" && e.ErrorValue() == EFBIG ? 32 : 1;
      }
      return 0;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 32);
    EXPECT_EQ(TTempDir::Read(dir / "p.shp"), shp);
    EXPECT_EQ(TTempDir::Read(dir / "p.dbf"), dbf);
    EXPECT_FALSE(FileExists(dir / "p.shp~tmp"));
    EXPECT_FALSE(FileExists(dir / "p.shx~tmp"));
    EXPECT_FALSE(FileExists(dir / "p.dbf~tmp"));
  }
}

/// Copies a shapefile into another through the layers (a streaming save).
void CopyPoints(const std::string& from, const std::string& to) {
  TGIS_LayerSHP source;
  source.SetPath(from);
  source.Open();
  TGIS_LayerSHP out;
  out.SetPath(to);
  out.ImportLayer(&source, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

TEST(FileSet, RandomKillsDuringALargeSaveLeaveAWholeSet) {
  TTempDir dir("fileset-random");
  // Large enough that a save spans several buffer flushes of every member (the
  // main file alone is 2.8 MB here, 280 kB under the sanitizers), small enough
  // that 200 rounds stay short.
#if SK_ADDRESS_SANITIZER
  const int count = 10000; // the sanitizer tree is many times slower
#else
  const int count = 100000;
#endif
  MakePoints(dir / "g0.shp", count, 0);
  MakePoints(dir / "g1.shp", count, 0.5);
  // The kills spread over the time a save takes in a child process here, and
  // beyond.
  const long span =
      fmttest::ChildSaveMicroseconds([&] { CopyPoints(dir / "g0.shp", dir / "p.shp"); });
  ASSERT_GT(span, 0);
  const fmttest::TKillTally tally = fmttest::KillAlternatingSaves(
      200, 11, span * 3 / 2, 0, 0.5,
      [&](int round) { CopyPoints(dir / (round % 2 == 0 ? "g1.shp" : "g0.shp"), dir / "p.shp"); },
      [&] {
        TGIS_FileSet::Recover(dir / "p.shp");
        return ShiftOf(dir / "p.shp", count);
      });
  // Kills landed both before and after commit points.
  EXPECT_GT(tally.Old, 0);
  EXPECT_GT(tally.New, 0);
  if (fmttest::HaveGdal()) {
    EXPECT_NE(fmttest::GdalDump(dir / "p.shp").find("\n" + IntToStr(count - 1) + "|"), std::string::npos);
  }
}
