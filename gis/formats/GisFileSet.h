// The GisFileSet module: TGIS_FileSet, the safe replacement of a set of files
// that belong together (a shapefile's .shp, .shx, .dbf and index; a MIF's
// .mif and .mid). Whatever fails, and wherever the process is killed, the old
// set or the new one survives whole.
//
// A writer asks for the members' temporary names (final + "~tmp"), writes
// them with its own streams and closes them, then calls Commit:
//   1. the temporaries are flushed to disk;
//   2. the marker `<first member>~commit` names the members and whether each
//      had an old file; it is written beside them through its own temporary
//      and renamed into place (the commit point), then the folder is flushed;
//   3. for every member the old backup (GisBackupFileName) is deleted and the
//      old final is hard-linked to it (copied and flushed where links are
//      refused);
//   4. member by member the temporary is renamed over its final, an atomic
//      replace, so a final never disappears;
//   5. the folder is flushed and the marker deleted.
// A refused replace in step 4 rewrites the marker as "rollback", brings every
// backup back over its final (a member that had no old file is removed),
// deletes the temporaries and the marker, and raises 0032.
//
// Recover (called by readers and writers before they touch the set) finishes
// what a killed process left: after the commit point the replacement is
// completed, during a rollback the rollback is. Without a marker nothing is
// done: stray temporaries are overwritten by the next write.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

/// The boundaries a commit passes (a test hook sees each one).
enum class TGIS_FileSetStep {
  TempsSynced,    // temporaries on disk, no marker yet
  MarkerWritten,  // the commit point has passed
  Backup,         // before the backup link of a member
  Replace,        // before the replace of a member (a non-zero hook result refuses it)
  Replaced,       // every member replaced, marker still there
  RollbackMarker, // the rollback marker is written
  Restore,        // before a member is restored from its backup
};

class TGIS_FileSet {
public:
  /// `members`: the final paths in the order they are replaced; the first
  /// names the marker. Every member lives in one folder.
  explicit TGIS_FileSet(std::vector<std::string> members);
  /// Deletes the temporaries of a set neither committed nor aborted. Never raises.
  ~TGIS_FileSet();
  TGIS_FileSet(const TGIS_FileSet&) = delete;
  TGIS_FileSet& operator=(const TGIS_FileSet&) = delete;

  int Count() const { return static_cast<int>(members_.size()); }
  const std::string& Final(int member) const { return members_[member]; }
  /// final + "~tmp".
  std::string Temp(int member) const;
  /// GisBackupFileName of the final (roads.~shp, roads.shp.~RTREE).
  std::string Backup(int member) const;
  /// Whether the commit flushes files and the folder (on by default).
  void SetSync(bool on) { sync_ = on; }

  /// Deletes the temporaries silently; the finals stay as they are.
  void Abort();
  /// Abort, then EGIS_Exception 0032 with the final of `member` and `code`.
  [[noreturn]] void Fail(int member, int code);
  /// Steps 2 to 5; on failure the old set is restored and 0032 raised.
  void Commit();

  /// The marker of a set whose first member is `main`.
  static std::string MarkerPath(const std::string& main);
  /// Finishes an interrupted commit or rollback of the set whose first member
  /// is `main`; true when a marker was found. Never raises.
  static bool Recover(const std::string& main);

  /// Called at every step boundary; a non-zero result at TGIS_FileSetStep::Replace
  /// is taken as the error code of a refused replace. For tests only.
  using TStepHook = std::function<int(TGIS_FileSetStep step, int member)>;
  static void SetStepHook(TStepHook hook);

private:
  void Rollback(int member, int code);

  std::vector<std::string> members_;
  std::vector<bool> hadOld_;
  bool done_ = false;
  bool sync_ = true;
};

/// Whether two paths name one file: the same device and inode when both
/// exist, else equal canonical paths (letter case counts).
bool GisIsSameFile(const std::string& a, const std::string& b);
