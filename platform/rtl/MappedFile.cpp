#include "platform/rtl/MappedFile.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Sync.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

EMappedFileError::EMappedFileError(const std::string& path, int code, int osError)
    : EFOpenError("Error during mapping file \"" + path + "\" (code " + IntToStr(code) + "), " +
                  OsErrorText(osError)),
      path_(path), code_(code), osError_(osError) {}

namespace {

constexpr int64_t kPopulateLimit = TSharedView::kPopulateLimit;

// A view holds a shared lock on this byte of its file for as long as it
// lives, through a descriptor of its own; a truncation made through the
// runtime looks for the lock, in this process and in others. The byte lies
// beyond any real data, beside the share markers of TFileStream (the four
// bytes before it).
constexpr off_t kMappedMarker = std::numeric_limits<off_t>::max() - 16 + 4;

struct flock mappedMarker(short type) {
  struct flock lk {};
  lk.l_type = type;
  lk.l_whence = SEEK_SET;
  lk.l_start = kMappedMarker;
  lk.l_len = 1;
  return lk;
}

// A file system without these locks leaves the guard to this process.
void lockAsMapped(int fd) {
  struct flock lk = mappedMarker(F_RDLCK);
  ::fcntl(fd, F_OFD_SETLK, &lk);
}

// True when a view of another descriptor (of any process) maps the file.
bool mappedElsewhere(int fd) {
  struct flock lk = mappedMarker(F_WRLCK);
  if (::fcntl(fd, F_OFD_GETLK, &lk) != 0) return false;
  return lk.l_type != F_UNLCK;
}

} // namespace

struct SharedViewsAccess {
  TCriticalSection lock;
  std::vector<std::unique_ptr<TSharedView>> views;

  static SharedViewsAccess& instance() {
    static SharedViewsAccess registry;
    return registry;
  }

  static std::unique_ptr<TSharedView> map(const std::string& path) {
    auto view = std::make_unique<TSharedView>();
    view->path_ = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EMappedFileError(path, 1000000, CaptureOsError());
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      const int err = CaptureOsError();
      ::close(fd);
      throw EMappedFileError(path, 2000000, err);
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      SetLastError(S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
      throw EMappedFileError(path, 3000000, GetLastError());
    }
    view->size_ = static_cast<int64_t>(st.st_size);
    view->device_ = static_cast<uint64_t>(st.st_dev);
    view->inode_ = static_cast<uint64_t>(st.st_ino);
    if (view->size_ > 0) {
      // Files of ordinary size are mapped in at once: one call instead of a
      // page fault every few pages as they are read.
      const int populate = view->size_ <= kPopulateLimit ? MAP_POPULATE : 0;
      void* base = ::mmap(nullptr, static_cast<size_t>(view->size_), PROT_READ,
                          MAP_SHARED | populate, fd, 0);
      if (base == MAP_FAILED) {
        const int err = CaptureOsError();
        ::close(fd);
        throw EMappedFileError(path, 4000000, err);
      }
      view->data_ = static_cast<const uint8_t*>(base);
    }
    // The descriptor stays open with the view: it holds the lock that keeps
    // the runtime's writers in other processes from cutting the file.
    lockAsMapped(fd);
    view->fd_ = fd;
    return view;
  }

  static void unmap(TSharedView& view) noexcept {
    if (view.data_ != nullptr &&
        ::munmap(const_cast<uint8_t*>(view.data_), static_cast<size_t>(view.size_)) != 0)
      CaptureOsError();
    view.data_ = nullptr;
    if (view.fd_ >= 0) ::close(view.fd_); // releases the lock
    view.fd_ = -1;
  }

  static int refCount(const TSharedView& view) { return view.refCount_; }

  static bool hasView(uint64_t device, uint64_t inode) {
    for (const auto& v : instance().views)
      if (v->device_ == device && v->inode_ == inode) return true;
    return false;
  }

  // Whether `view` still shows the file now at its path: a file replaced
  // (a new file renamed over it) or resized since it was mapped needs a new
  // view; the old one stays with the users it has.
  static bool current(const TSharedView& view, const struct stat& st) {
    return view.device_ == static_cast<uint64_t>(st.st_dev) &&
           view.inode_ == static_cast<uint64_t>(st.st_ino) &&
           view.size_ == static_cast<int64_t>(st.st_size);
  }

  static TSharedView* acquire(const std::string& path) {
    auto& r = instance();
    TCriticalSectionGuard guard(r.lock);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
      for (const auto& v : r.views) {
        if (v->path_ == path && current(*v, st)) {
          ++v->refCount_;
          return v.get();
        }
      }
    }
    auto view = map(path);
    view->refCount_ = 1;
    r.views.push_back(std::move(view));
    return r.views.back().get();
  }

  static void release(TSharedView* view) noexcept {
    if (view == nullptr) return;
    auto& r = instance();
    TCriticalSectionGuard guard(r.lock);
    auto it = std::find_if(r.views.begin(), r.views.end(),
                           [view](const auto& v) { return v.get() == view; });
    if (it == r.views.end()) return;
    if (--(*it)->refCount_ > 0) return;
    unmap(**it);
    r.views.erase(it);
  }
};

int TSharedView::RefCount() const {
  TCriticalSectionGuard guard(SharedViewsAccess::instance().lock);
  return SharedViewsAccess::refCount(*this);
}

void TSharedView::Prefetch(int64_t offset, int64_t count) const noexcept {
  if (data_ == nullptr || offset < 0 || offset >= size_ || count <= 0) return;
  const int64_t page = ::sysconf(_SC_PAGESIZE) > 0 ? ::sysconf(_SC_PAGESIZE) : 4096;
  const int64_t start = offset / page * page;
  const int64_t end = std::min(size_, offset + std::min(count, size_ - offset));
#if defined(MADV_POPULATE_READ)
  if (::madvise(const_cast<uint8_t*>(data_) + start, static_cast<size_t>(end - start),
                MADV_POPULATE_READ) == 0)
    return;
#endif
  ::madvise(const_cast<uint8_t*>(data_) + start, static_cast<size_t>(end - start), MADV_WILLNEED);
}

TSharedView* SharedViews::Acquire(const std::string& path) {
  return SharedViewsAccess::acquire(ExpandFileName(path));
}

void SharedViews::Release(TSharedView* view) noexcept {
  SharedViewsAccess::release(view);
}

int SharedViews::Count() {
  auto& r = SharedViewsAccess::instance();
  TCriticalSectionGuard guard(r.lock);
  return static_cast<int>(r.views.size());
}

bool SetFileSizeUnlessMapped(int fd, int64_t size) {
  auto& r = SharedViewsAccess::instance();
  TCriticalSectionGuard guard(r.lock);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    CaptureOsError();
    return false;
  }
  if (size < static_cast<int64_t>(st.st_size) &&
      (SharedViewsAccess::hasView(static_cast<uint64_t>(st.st_dev),
                                  static_cast<uint64_t>(st.st_ino)) ||
       mappedElsewhere(fd))) {
    SetLastError(EBUSY);
    return false;
  }
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
    CaptureOsError();
    return false;
  }
  return true;
}

bool TMappedFile::ReadAt(int64_t offset, void* buffer, int64_t count) const {
  if (offset < 0 || count < 0 || offset > Size() || count > Size() - offset) return false;
  if (count > 0) std::memcpy(buffer, Data() + offset, static_cast<size_t>(count));
  return true;
}
