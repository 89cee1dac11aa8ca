// Read-only memory-mapped files, shared per path.
//
// Every reader of a file in the process shares one read-only mapping of the
// whole file: SharedViews::Acquire finds or makes the view of a path (the
// path made absolute against the logical current folder; compared exactly)
// and counts its users; Release drops one user and unmaps at the last. Both
// run under one process-wide lock, so views may be taken and dropped from
// any thread. A file replaced (another file renamed over it) or resized
// since its view was made gets a new view, so a new reader never sees stale
// bytes or a wrong size; the old view stays valid for the users it has.
// Sizes are 64-bit. An empty file gets no mapping (Data() is
// null). Callers check the bounds of every read (TMappedFile::ReadAt does).
//
// Truncating a mapped file would kill its readers (SIGBUS), so the runtime
// refuses to cut a file that has a view: TFileStream's fmCreate and a
// shrinking SetSize fail on it (SetFileSizeUnlessMapped). Each view holds an
// advisory lock on its file for as long as it lives, so that the refusal
// holds for this program's writers in other processes too. A program that
// ignores the lock (another tool, a shell's "> file") can still cut the
// file: a reader that then touches a page beyond the new end is killed by
// SIGBUS. Such files must not be cut while this program reads them.
#pragma once

#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <string>

/// A mapping failure. Code(): 1000000 the file could not be opened,
/// 2000000 its size could not be read, 3000000 it cannot be mapped (not a
/// regular file), 4000000 the mapping failed. OsError() is the errno value.
/// The message reads: Error during mapping file "<path>" (code <n>), <OS
/// error text> (errno <e>).
class EMappedFileError : public EFOpenError {
public:
  EMappedFileError(const std::string& path, int code, int osError);
  const std::string& Path() const { return path_; }
  int Code() const { return code_; }
  int OsError() const { return osError_; }

private:
  std::string path_;
  int code_;
  int osError_;
};

/// One shared mapping. Owned by SharedViews; never freed by its users.
class TSharedView {
public:
  const std::string& Path() const { return path_; }
  int64_t Size() const { return size_; }
  /// The first byte of the file; null for an empty file.
  const uint8_t* Data() const { return data_; }
  /// The number of users (read under the lock).
  int RefCount() const;
  /// Whether the whole file was mapped in when the view was made; a reader
  /// of a larger file may map in the part it is about to read with Prefetch.
  bool Populated() const { return size_ <= kPopulateLimit; }
  /// Maps in the pages of [offset, offset + count) now, clipped to the file:
  /// one call instead of a page fault every few pages. A hint: where the
  /// system cannot, the pages come in as they are read.
  void Prefetch(int64_t offset, int64_t count) const noexcept;

  /// Files up to this size are mapped in whole when their view is made.
  static constexpr int64_t kPopulateLimit = int64_t(64) << 20;

private:
  friend struct SharedViewsAccess;
  std::string path_;
  int64_t size_ = 0;
  const uint8_t* data_ = nullptr;
  int refCount_ = 0;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  int fd_ = -1; // holds the view's lock
};

namespace SharedViews {
/// The view of `path`, shared with every other user of it; raises
/// EMappedFileError when the file cannot be mapped.
TSharedView* Acquire(const std::string& path);
/// Drops one user of the view; the last one unmaps it. Unknown views are
/// ignored.
void Release(TSharedView* view) noexcept;
/// The number of live views (for tests and diagnostics).
int Count();
} // namespace SharedViews

/// Sets the size of an open file, unless that would cut a file that has a
/// shared view: then false with the last error EBUSY. Other failures give
/// false with the OS error.
bool SetFileSizeUnlessMapped(int fd, int64_t size);

/// A user of a shared view for as long as it lives.
class TMappedFile {
public:
  explicit TMappedFile(const std::string& path) : view_(SharedViews::Acquire(path)) {}
  ~TMappedFile() { SharedViews::Release(view_); }
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  const std::string& Path() const { return view_->Path(); }
  int64_t Size() const { return view_->Size(); }
  const uint8_t* Data() const { return view_->Data(); }
  const TSharedView& View() const { return *view_; }
  /// Copies `count` bytes from `offset`; false (nothing copied) when they do
  /// not all lie inside the file.
  bool ReadAt(int64_t offset, void* buffer, int64_t count) const;

private:
  TSharedView* view_;
};
