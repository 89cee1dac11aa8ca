#include "platform/rtl/Files.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/ResetHooks.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

// ---- The logical current folder ---------------------------------------------

namespace {

std::string processWorkingDir() {
  std::vector<char> buf(PATH_MAX);
  if (getcwd(buf.data(), buf.size()) == nullptr) return "/";
  return std::string(buf.data());
}

struct CurrentFolder {
  std::mutex mutex;
  std::string value = processWorkingDir();
};

CurrentFolder& currentFolder() {
  static CurrentFolder folder;
  return folder;
}

bool isSep(char c) {
  return c == '/' || c == '\\';
}

// Position of the first character of the last component.
size_t lastComponentStart(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (isSep(path[i - 1])) return i;
  return 0;
}

// The position of the extension's '.', or npos.
size_t extensionDot(const std::string& path) {
  const size_t start = lastComponentStart(path);
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return std::string::npos;
  return dot;
}

// Runs `call` on the absolute form of `name`: false with the OS error
// recorded when the name is empty or the call fails.
template <typename Call> bool onPath(const std::string& name, Call call) {
  if (name.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  if (call(ExpandFileName(name).c_str()) != 0) {
    CaptureOsError();
    return false;
  }
  return true;
}

bool statPath(const std::string& name, struct stat& st) {
  return onPath(name, [&st](const char* path) { return ::stat(path, &st); });
}

// Local time of a file time, converted as every file time is.
double toDateTime(const struct timespec& ts) {
  return UnixToDateTime(static_cast<Int64>(ts.tv_sec), static_cast<Integer>(ts.tv_nsec));
}

bool writeAll(int fd, const char* data, size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

bool copyContents(int from, int to) {
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = ::read(from, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!writeAll(to, buf.data(), static_cast<size_t>(n))) return false;
  }
}

// Copies the contents, permissions and times of `from` to the open `to`.
bool copyInto(int from, const struct stat& st, int to) {
  if (!copyContents(from, to)) return false;
  if (::fchmod(to, st.st_mode & 07777) != 0) return false;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(to, times) != 0) return false;
  return true;
}

// True when `path` names an existing folder; otherwise false with the OS
// error set (ENOTDIR for something that is not a folder).
bool IsExistingFolder(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    CaptureOsError();
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ENOTDIR);
    return false;
  }
  return true;
}

} // namespace

std::string GetCurrentDir() {
  auto& folder = currentFolder();
  std::lock_guard<std::mutex> lock(folder.mutex);
  return folder.value;
}

bool SetCurrentDir(const std::string& dir) {
  if (dir.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  const std::string full = ExcludeTrailingPathDelimiter(ExpandFileName(dir));
  if (!IsExistingFolder(full)) return false;
  auto& folder = currentFolder();
  std::lock_guard<std::mutex> lock(folder.mutex);
  folder.value = full;
  return true;
}

void ResetCurrentDir() {
  auto& folder = currentFolder();
  std::lock_guard<std::mutex> lock(folder.mutex);
  folder.value = processWorkingDir();
}

namespace {
const TResetHookRegistrar resetFolder("Files", &ResetCurrentDir);
} // namespace

// ---- Name helpers -------------------------------------------------------------

std::string ToSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool IsPathDelimiter(char c) {
  return isSep(c);
}

std::string ExtractFilePath(const std::string& fileName) {
  return ToSlashes(fileName.substr(0, lastComponentStart(fileName)));
}

std::string ExtractFileDir(const std::string& fileName) {
  return ExcludeTrailingPathDelimiter(ExtractFilePath(fileName));
}

std::string ExtractFileName(const std::string& fileName) {
  return fileName.substr(lastComponentStart(fileName));
}

std::string ExtractFileExt(const std::string& fileName) {
  const size_t dot = extensionDot(fileName);
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  const size_t dot = extensionDot(fileName);
  return ToSlashes(dot == std::string::npos ? fileName : fileName.substr(0, dot)) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  std::string result = ToSlashes(path);
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  std::string result = ToSlashes(path);
  if (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

std::string ExpandFileName(const std::string& fileName) {
  if (fileName.empty()) return std::string();
  std::string text = ToSlashes(fileName);
  if (text.front() != '/') text = IncludeTrailingPathDelimiter(GetCurrentDir()) + text;
  const bool trailing = text.back() == '/';

  std::vector<std::string> parts;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find('/', i);
    if (j == std::string::npos) j = text.size();
    const std::string part = text.substr(i, j - i);
    if (part.empty() || part == ".") {
      // skip
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string result;
  for (const auto& part : parts)
    result += "/" + part;
  if (result.empty()) return "/";
  if (trailing) result += '/';
  return result;
}

// ---- File system --------------------------------------------------------------

bool FileExists(const std::string& fileName) {
  struct stat st {};
  return statPath(fileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dir) {
  struct stat st {};
  return statPath(dir, st) && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& fileName) {
  return onPath(fileName, ::unlink);
}

bool CreateDir(const std::string& dir) {
  return onPath(dir, [](const char* path) { return ::mkdir(path, 0777); });
}

bool RemoveDir(const std::string& dir) {
  return onPath(dir, ::rmdir);
}

bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  const std::string full = ExcludeTrailingPathDelimiter(ExpandFileName(dir));
  size_t pos = 1;
  for (;;) {
    const size_t next = full.find('/', pos);
    const std::string prefix = full.substr(0, next);
    if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      CaptureOsError();
      return false;
    }
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return IsExistingFolder(full);
}

bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
  if (source.empty() || target.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  const std::string from = ExpandFileName(source);
  const std::string to = ExpandFileName(target);
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    CaptureOsError();
    return false;
  }
  struct stat st {};
  if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) errno = EISDIR;
    CaptureOsError();
    ::close(in);
    return false;
  }

  // With failIfExists, O_EXCL: an existing target (or a link in its place) is
  // never opened. Otherwise the old target stays whole until the copy is
  // complete and then is replaced by the temporary copy.
  std::string written = failIfExists ? to : to + ".XXXXXX";
  const int out = failIfExists
                      ? ::open(written.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)
                      : ::mkostemp(written.data(), O_CLOEXEC);
  bool ok = false;
  if (out < 0) {
    CaptureOsError();
  } else {
    ok = copyInto(in, st, out);
    if (!ok) CaptureOsError();
    if (::close(out) != 0 && ok) {
      CaptureOsError();
      ok = false;
    }
    if (ok && written != to && ::rename(written.c_str(), to.c_str()) != 0) {
      CaptureOsError();
      ok = false;
    }
    if (!ok) ::unlink(written.c_str());
  }
  ::close(in);
  return ok;
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  const std::string from = ExpandFileName(oldName);
  const std::string to = ExpandFileName(newName);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP) {
    SetLastError(err);
    return false;
  }
  // The file system cannot rename without replacing: a hard link fails on an
  // existing target just the same.
  if (::link(from.c_str(), to.c_str()) != 0) {
    CaptureOsError();
    return false;
  }
  if (::unlink(from.c_str()) != 0) {
    CaptureOsError();
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

bool RenameFileReplacing(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) {
    SetLastError(ENOENT);
    return false;
  }
  const std::string from = ExpandFileName(oldName);
  const std::string to = ExpandFileName(newName);
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  CaptureOsError();
  return false;
}

namespace {
// The entry of `dir` named `name` without regard to case: '' when none.
std::string findEntryNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return std::string();
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    const std::string entry = e->d_name;
    if (SameText(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  ::closedir(d);
  return best;
}
} // namespace

std::string FindFileNoCase(const std::string& fileName) {
  if (fileName.empty()) return std::string();
  const std::string full = ExpandFileName(fileName);
  struct stat st {};
  if (::stat(full.c_str(), &st) == 0) return full;

  std::string found; // the resolved prefix, "" standing for the root
  size_t pos = 1;
  while (pos <= full.size()) {
    size_t next = full.find('/', pos);
    if (next == std::string::npos) next = full.size();
    const std::string part = full.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty()) continue;
    const std::string exact = found + "/" + part;
    if (::lstat(exact.c_str(), &st) == 0) {
      found = exact;
      continue;
    }
    const std::string entry = findEntryNoCase(found, part);
    if (entry.empty()) {
      SetLastError(ENOENT);
      return std::string();
    }
    found += "/" + entry;
  }
  if (::stat(found.c_str(), &st) != 0) {
    CaptureOsError();
    return std::string();
  }
  return found;
}

double FileAge(const std::string& fileName) {
  struct stat st {};
  if (!statPath(fileName, st) || S_ISDIR(st.st_mode)) return -1;
  return toDateTime(st.st_mtim);
}

int64_t FileSizeOf(const std::string& fileName) {
  struct stat st {};
  if (!statPath(fileName, st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string ExeName() {
  std::vector<char> buf(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n < 0) {
    CaptureOsError();
    return std::string();
  }
  return std::string(buf.data(), static_cast<size_t>(n));
}

// ---- Directory listing ----------------------------------------------------------

struct TSearchRec::State {
  std::vector<TSearchRec> entries;
  size_t next = 0;
};

namespace {
int nextEntry(TSearchRec& rec) {
  if (!rec.state || rec.state->next >= rec.state->entries.size()) {
    SetLastError(ENOENT);
    return ENOENT;
  }
  auto state = rec.state;
  const TSearchRec& e = state->entries[state->next++];
  rec.Name = e.Name;
  rec.Size = e.Size;
  rec.Attr = e.Attr;
  rec.Time = e.Time;
  return 0;
}
} // namespace

int FindFirst(const std::string& path, int attr, TSearchRec& rec) {
  FindClose(rec);
  const std::string full = ExpandFileName(path);
  const std::string dir = ExtractFileDir(full);
  std::string mask = ExtractFileName(full);
  if (mask == "*.*" || mask.empty()) mask = std::string(1, '*');

  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return CaptureOsError();
  auto state = std::make_shared<TSearchRec::State>();
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    struct stat st {};
    if (::stat((IncludeTrailingPathDelimiter(dir) + name).c_str(), &st) != 0) continue;
    TSearchRec entry;
    entry.Name = name;
    entry.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    entry.Time = toDateTime(st.st_mtim);
    if (S_ISDIR(st.st_mode))
      entry.Attr |= faDirectory;
    else
      entry.Attr |= faArchive;
    if (name[0] == '.') entry.Attr |= faHidden;
    if (::access((IncludeTrailingPathDelimiter(dir) + name).c_str(), W_OK) != 0)
      entry.Attr |= faReadOnly;
    if ((entry.Attr & faDirectory) && !(attr & faDirectory)) continue;
    if ((entry.Attr & faHidden) && !(attr & faHidden)) continue;
    state->entries.push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(state->entries.begin(), state->entries.end(),
            [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
  rec.state = state;
  return nextEntry(rec);
}

int FindNext(TSearchRec& rec) {
  return nextEntry(rec);
}

void FindClose(TSearchRec& rec) {
  rec.state.reset();
}
