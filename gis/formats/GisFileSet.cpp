// TGIS_FileSet: temporaries, the commit marker, backups, replacing, rollback
// and recovery.
#include "gis/formats/GisFileSet.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SafeFiles.h"

namespace {

TGIS_FileSet::TStepHook& StepHook() {
  static TGIS_FileSet::TStepHook hook;
  return hook;
}

int Step(TGIS_FileSetStep step, int member) {
  const auto& hook = StepHook();
  return hook ? hook(step, member) : 0;
}

/// Flushes a file (or a folder) to disk; the error code, 0 on success.
int SyncPath(const std::string& path, bool folder) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return errno;
  int code = 0;
  if (::fsync(fd) != 0) code = errno;
  ::close(fd);
  return code;
}

std::string FolderOf(const std::string& path) {
  const std::string dir = ExtractFileDir(path);
  return dir.empty() ? std::string(".") : dir;
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

/// Writes a whole small file; the error code, 0 on success.
int WriteSmallFile(const std::string& path, const std::string& text, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  int code = 0;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      code = errno;
      break;
    }
    done += std::size_t(n);
  }
  if (code == 0 && sync && ::fsync(fd) != 0) code = errno;
  if (::close(fd) != 0 && code == 0) code = errno;
  return code;
}

bool ReadSmallFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text.clear();
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, std::size_t(n));
    if (text.size() > 1 << 20) break; // no marker is that long
  }
  ::close(fd);
  return true;
}

/// The marker: its state line, then one line per member: '1' or '0' (an old
/// file existed), a blank and the file name.
std::string MarkerText(const char* state, const std::vector<std::string>& members,
                       const std::vector<bool>& hadOld) {
  std::string text = state;
  text += '\n';
  for (std::size_t i = 0; i < members.size(); ++i) {
    text += hadOld[i] ? '1' : '0';
    text += ' ';
    text += ExtractFileName(members[i]);
    text += '\n';
  }
  return text;
}

/// The marker goes in through its own temporary: it is whole or absent.
int PutMarker(const std::string& marker, const std::string& text, bool sync) {
  const std::string temp = marker + "~tmp";
  int code = WriteSmallFile(temp, text, sync);
  if (code == 0 && ::rename(temp.c_str(), marker.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(temp.c_str());
    return code;
  }
  return sync ? SyncPath(FolderOf(marker), true) : 0;
}

/// Makes `backup` a copy of `final` (a hard link where the file system has them).
int LinkBackup(const std::string& final, const std::string& backup, bool sync) {
  if (::unlink(backup.c_str()) != 0 && errno != ENOENT) return errno;
  if (::link(final.c_str(), backup.c_str()) == 0) return 0;
  if (!CopyFile(final, backup, true)) return errno != 0 ? errno : EIO;
  return sync ? SyncPath(backup, false) : 0;
}

/// The members of a marker, with their folder; false for a foreign text.
bool ParseMarker(const std::string& marker, const std::string& text, std::string& state,
                 std::vector<std::string>& members, std::vector<bool>& hadOld) {
  const std::string folder = ExtractFilePath(marker);
  std::size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (first) {
      state = line;
      first = false;
      continue;
    }
    if (line.size() < 3 || (line[0] != '0' && line[0] != '1') || line[1] != ' ') return false;
    const std::string name = line.substr(2);
    if (name.find('/') != std::string::npos) return false;
    members.push_back(folder + name);
    hadOld.push_back(line[0] == '1');
  }
  return (state == "commit" || state == "rollback") && !members.empty();
}

/// Brings every backup back over its final and removes the temporaries.
void RestoreMembers(const std::vector<std::string>& members, const std::vector<bool>& hadOld) {
  for (std::size_t i = 0; i < members.size(); ++i) {
    Step(TGIS_FileSetStep::Restore, int(i));
    const std::string backup = GisBackupFileName(members[i]);
    if (hadOld[i]) {
      // A backup already renamed back is gone: the final is the old file.
      if (Exists(backup)) ::rename(backup.c_str(), members[i].c_str());
    } else {
      ::unlink(members[i].c_str());
    }
    ::unlink(GisTempFileName(members[i]).c_str());
  }
}

} // namespace

TGIS_FileSet::TGIS_FileSet(std::vector<std::string> members)
    : members_(std::move(members)), hadOld_(members_.size(), false) {}

TGIS_FileSet::~TGIS_FileSet() {
  if (!done_) Abort();
}

std::string TGIS_FileSet::Temp(int member) const {
  return GisTempFileName(members_[member]);
}

std::string TGIS_FileSet::Backup(int member) const {
  return GisBackupFileName(members_[member]);
}

void TGIS_FileSet::Abort() {
  for (int i = 0; i < Count(); ++i)
    ::unlink(Temp(i).c_str());
  done_ = true;
}

void TGIS_FileSet::Fail(int member, int code) {
  Abort();
  throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, Final(member), code);
}

std::string TGIS_FileSet::MarkerPath(const std::string& main) {
  return main + "~commit";
}

void TGIS_FileSet::SetStepHook(TStepHook hook) {
  StepHook() = std::move(hook);
}

void TGIS_FileSet::Commit() {
  // 1. The temporaries reach the disk before anything names them.
  for (int i = 0; i < Count(); ++i) {
    if (!Exists(Temp(i))) Fail(i, ENOENT);
    const int code = sync_ ? SyncPath(Temp(i), false) : 0;
    if (code != 0) Fail(i, code);
    hadOld_[i] = Exists(Final(i));
  }
  Step(TGIS_FileSetStep::TempsSynced, -1);
  // 2. The commit point.
  const std::string marker = MarkerPath(Final(0));
  if (const int code = PutMarker(marker, MarkerText("commit", members_, hadOld_), sync_))
    Fail(0, code);
  Step(TGIS_FileSetStep::MarkerWritten, -1);
  // 3. Backups of every old member.
  for (int i = 0; i < Count(); ++i) {
    Step(TGIS_FileSetStep::Backup, i);
    if (!hadOld_[i]) continue;
    if (const int code = LinkBackup(Final(i), Backup(i), sync_)) {
      ::unlink(marker.c_str());
      Fail(i, code);
    }
  }
  // 4. Atomic replaces in order.
  for (int i = 0; i < Count(); ++i) {
    int code = Step(TGIS_FileSetStep::Replace, i);
    if (code == 0 && ::rename(Temp(i).c_str(), Final(i).c_str()) != 0) code = errno;
    if (code != 0) Rollback(i, code);
  }
  Step(TGIS_FileSetStep::Replaced, -1);
  // 5. Done.
  if (sync_) SyncPath(FolderOf(marker), true);
  ::unlink(marker.c_str());
  done_ = true;
}

void TGIS_FileSet::Rollback(int member, int code) {
  const std::string marker = MarkerPath(Final(0));
  PutMarker(marker, MarkerText("rollback", members_, hadOld_), sync_);
  Step(TGIS_FileSetStep::RollbackMarker, member);
  RestoreMembers(members_, hadOld_);
  if (sync_) SyncPath(FolderOf(marker), true);
  ::unlink(marker.c_str());
  done_ = true;
  throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, Final(member), code);
}

bool TGIS_FileSet::Recover(const std::string& main) {
  const std::string marker = MarkerPath(main);
  std::string text;
  if (!ReadSmallFile(marker, text)) return false;
  std::string state;
  std::vector<std::string> members;
  std::vector<bool> hadOld;
  if (!ParseMarker(marker, text, state, members, hadOld)) {
    // Not ours, or not whole: a marker only appears whole, so leave it.
    return false;
  }
  if (state == "commit") {
    for (std::size_t i = 0; i < members.size(); ++i) {
      const std::string temp = GisTempFileName(members[i]);
      if (!Exists(temp)) continue; // replaced already
      if (hadOld[i] && Exists(members[i])) LinkBackup(members[i], GisBackupFileName(members[i]), true);
      ::rename(temp.c_str(), members[i].c_str());
    }
  } else {
    RestoreMembers(members, hadOld);
  }
  SyncPath(FolderOf(marker), true);
  ::unlink(marker.c_str());
  return true;
}

bool GisIsSameFile(const std::string& a, const std::string& b) {
  if (FileExists(a) && FileExists(b)) return SameFileIdentity(a, b);
  return ExpandFileName(a) == ExpandFileName(b);
}
