// Files, paths and the logical current folder.
//
// Paths accept both '\' and '/' as separators and are returned with '/'.
// The process's working folder is never changed: the "current folder" is a
// variable of the runtime (GetCurrentDir/SetCurrentDir), set from the working
// folder at start-up, and every function here resolves relative names
// against it. Failing calls record the OS error (OsError.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// ---- The logical current folder ---------------------------------------------

/// The logical current folder, absolute, without a trailing '/' (except "/").
std::string GetCurrentDir();
/// Makes `dir` (resolved against the current folder) the current folder.
/// A folder that does not exist leaves it unchanged and gives false.
bool SetCurrentDir(const std::string& dir);
/// Back to the process's working folder (used by the test reset).
void ResetCurrentDir();

/// Restores the current folder when it goes out of scope, also when an
/// exception passes.
class TCurrentDirGuard {
public:
  TCurrentDirGuard() : saved_(GetCurrentDir()) {}
  ~TCurrentDirGuard() { SetCurrentDir(saved_); }
  TCurrentDirGuard(const TCurrentDirGuard&) = delete;
  TCurrentDirGuard& operator=(const TCurrentDirGuard&) = delete;

private:
  std::string saved_;
};

// ---- Name helpers (text only) -------------------------------------------------

/// Every '\' turned into '/'.
std::string ToSlashes(std::string path);
bool IsPathDelimiter(char c);
/// The folder part including its trailing '/': "/a/b.txt" gives "/a/".
std::string ExtractFilePath(const std::string& fileName);
/// The folder part without a trailing '/' (except the root).
std::string ExtractFileDir(const std::string& fileName);
/// The part after the last separator.
std::string ExtractFileName(const std::string& fileName);
/// From the last '.' of the last component on: "pic.bmp?NO" gives ".bmp?NO";
/// '' when that component has no '.'.
std::string ExtractFileExt(const std::string& fileName);
/// Replaces the extension (or appends `extension` when there is none).
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
/// Removes one trailing separator; the root "/" stays.
std::string ExcludeTrailingPathDelimiter(const std::string& path);
/// The absolute form of `fileName` against the current folder with "." and
/// ".." resolved, worked out on the text alone (the disk is never asked).
/// A trailing separator is kept. An empty name gives ''.
std::string ExpandFileName(const std::string& fileName);

// ---- File system --------------------------------------------------------------

/// True for an existing entry that is not a folder.
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dir);
bool DeleteFile(const std::string& fileName);
bool CreateDir(const std::string& dir);
bool RemoveDir(const std::string& dir);
/// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& dir);
/// Copies a file with its permissions and modification time. With
/// `failIfExists` an existing target is never touched (false); otherwise the
/// target is replaced through a temporary file in its folder.
bool CopyFile(const std::string& source, const std::string& target, bool failIfExists);
/// Renames a file or folder; never replaces an existing target (false then,
/// and both keep their contents).
bool RenameFile(const std::string& oldName, const std::string& newName);
/// Renames a file over `newName` in one step, replacing a file of that name:
/// readers see the old file or the new one, never a part (the last step of a
/// write through a temporary file). False on failure, both left as they were.
bool RenameFileReplacing(const std::string& oldName, const std::string& newName);
/// The existing file for `fileName`: the exact name first, otherwise each
/// component looked up without regard to ASCII letter case (several
/// matches: the first in byte order). '' when there is none.
std::string FindFileNoCase(const std::string& fileName);
/// The modification time in local time as a TDateTime (sub-seconds kept);
/// -1 for a missing file or a folder.
double FileAge(const std::string& fileName);
/// The size in bytes; -1 when the file does not exist.
int64_t FileSizeOf(const std::string& fileName);
/// The running program's full path.
std::string ExeName();

// ---- Directory listing ----------------------------------------------------------

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

struct TSearchRec {
  std::string Name; ///< the entry's name (no folder)
  int64_t Size = 0; ///< bytes
  int Attr = 0;     ///< fa* flags
  double Time = 0;  ///< modification time as a TDateTime
  struct State;
  std::shared_ptr<State> state;
};

/// Lists the entries of a folder that match the mask of the path's last
/// component ('*' and '?', letter case ignored; "*.*" matches every name).
/// Folders are listed when `attr` has faDirectory, names starting with '.'
/// when it has faHidden; "." and ".." never. Entries come in byte order of
/// their names. Returns 0 when an entry was found, otherwise an errno code
/// (ENOENT when nothing matches).
int FindFirst(const std::string& path, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);
