#include "platform/rtl/SafeFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"

namespace {

mode_t currentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

} // namespace

TReplacingFile::TReplacingFile(const std::string& target) : target_(ExpandFileName(target)) {
  temp_ = ExtractFilePath(target_) + "." + ExtractFileName(target_) + ".XXXXXX";
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    CaptureOsError();
    throw EFCreateError("Cannot create file " + target);
  }
  stream_ = std::make_unique<THandleStream>(fd_);
}

TReplacingFile::~TReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temp_.c_str());
}

bool TReplacingFile::CopyModifiedTime(const std::string& source) {
  struct stat st {};
  if (::stat(ExpandFileName(source).c_str(), &st) != 0) {
    CaptureOsError();
    return false;
  }
  const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  if (::futimens(fd_, times) != 0) {
    CaptureOsError();
    return false;
  }
  return true;
}

bool TReplacingFile::Commit() {
  if (committed_) return true;
  if (::fchmod(fd_, 0666 & ~currentUmask()) != 0 || ::fsync(fd_) != 0) {
    CaptureOsError();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    CaptureOsError();
    return false;
  }
  committed_ = true;
  return true;
}

void WriteFileAtomically(const std::string& fileName, const std::string& contents) {
  TReplacingFile file(fileName);
  if (file.Stream().Write(contents.data(), int64_t(contents.size())) != int64_t(contents.size()))
    throw EWriteError("Cannot write file " + fileName);
  if (!file.Commit()) throw EWriteError("Cannot write file " + fileName);
}

bool SameFileIdentity(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(ExpandFileName(a).c_str(), &sa) != 0 || ::stat(ExpandFileName(b).c_str(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FileIsReadOnly(const std::string& fileName) {
  struct stat st {};
  if (::stat(ExpandFileName(fileName).c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool SetFileReadOnly(const std::string& fileName, bool readOnly) {
  const std::string name = ExpandFileName(fileName);
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) {
    CaptureOsError();
    return false;
  }
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (::chmod(name.c_str(), mode) != 0) {
    CaptureOsError();
    return false;
  }
  return true;
}
