// Writing files without ever leaving a half-written one behind.
//
// TReplacingFile writes into a temporary file in the target's folder; Commit
// flushes it to disk and renames it over the target in one step. Until then
// the old target is untouched, and a replacing file that is not committed
// removes its temporary file. WriteFileAtomically does the whole round for a
// text held in memory.
//
// Also: file identity (the same file under two names), the read-only test
// and switch, and copying a file's modification time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Streams.h"

class TReplacingFile {
public:
  /// Creates the temporary file beside `target` (relative names against the
  /// logical current folder); EFCreateError "Cannot create file <target>"
  /// when that fails.
  explicit TReplacingFile(const std::string& target);
  /// Removes the temporary file unless it was committed. Never throws.
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  /// The stream over the temporary file.
  TStream& Stream() { return *stream_; }
  const std::string& Target() const { return target_; }
  const std::string& TempName() const { return temp_; }
  /// Flushes to disk and renames the temporary file over the target; the
  /// file gets the permissions an ordinary new file would get. False (with
  /// the OS error recorded) when that fails; the old target then stays.
  bool Commit();
  /// Gives the temporary file the modification time of `source`.
  bool CopyModifiedTime(const std::string& source);

private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  std::unique_ptr<THandleStream> stream_;
  bool committed_ = false;
};

/// Replaces `fileName` with `contents` through a temporary file; raises
/// EFCreateError "Cannot create file <name>" or EWriteError naming the file
/// on failure (the old file is left as it was).
void WriteFileAtomically(const std::string& fileName, const std::string& contents);

/// True when both names lead to one file (device and inode).
bool SameFileIdentity(const std::string& a, const std::string& b);
/// True for an existing file nobody may write (no write permission bit).
bool FileIsReadOnly(const std::string& fileName);
/// Adds or removes the owner's write permission.
bool SetFileReadOnly(const std::string& fileName, bool readOnly);
