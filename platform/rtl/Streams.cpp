#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/MappedFile.h"
#include "platform/rtl/OsError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// ---- TStream ----------------------------------------------------------------------

int64_t TStream::Size() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---- THandleStream -------------------------------------------------------------

namespace {

// Moves up to `count` bytes through `op` (a read or a write of at most 1 GB
// at a time), retrying after signals; stops at the end of the file or at an
// error, which is recorded. Returns the bytes moved.
template <typename Byte, typename Op> int64_t transfer(Byte* p, int64_t count, Op op) {
  int64_t done = 0;
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
    const ssize_t n = op(p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      CaptureOsError();
      break;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

} // namespace

int64_t THandleStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return transfer(static_cast<char*>(buffer), count,
                  [this](char* p, size_t n) { return ::read(handle_, p, n); });
}

int64_t THandleStream::ReadAt(void* buffer, int64_t count, int64_t position) {
  if (count <= 0 || position < 0) return 0;
  int64_t at = position;
  return transfer(static_cast<char*>(buffer), count, [this, &at](char* p, size_t n) {
    const ssize_t got = ::pread(handle_, p, n, static_cast<off_t>(at));
    if (got > 0) at += got;
    return got;
  });
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return transfer(static_cast<const char*>(buffer), count,
                  [this](const char* p, size_t n) { return ::write(handle_, p, n); });
}

int64_t THandleStream::Seek(int64_t offset, int origin) {
  int whence;
  switch (origin) {
  case soBeginning:
    whence = SEEK_SET;
    break;
  case soCurrent:
    whence = SEEK_CUR;
    break;
  case soEnd:
    whence = SEEK_END;
    break;
  default:
    SetLastError(EINVAL);
    return -1;
  }
  const off_t result = ::lseek(handle_, static_cast<off_t>(offset), whence);
  if (result < 0) {
    CaptureOsError();
    return -1;
  }
  return static_cast<int64_t>(result);
}

void THandleStream::SetSize(int64_t newSize) {
  if (newSize < 0 || !SetFileSizeUnlessMapped(handle_, newSize))
    throw EStreamError("Cannot set the stream size: " + LastOsErrorText());
  Seek(newSize, soBeginning);
}

// ---- TFileStream -------------------------------------------------------------------

namespace {

// Marker bytes far beyond any real data: an opener holds a shared lock on
// the marker of each access it has and of each access it denies.
constexpr off_t kLockBase = std::numeric_limits<off_t>::max() - 16;
enum Marker { accessRead = 0, accessWrite = 1, denyRead = 2, denyWrite = 3 };

// The lock request of `type` on one marker byte.
struct flock markerLock(Marker marker, short type) {
  struct flock lk {};
  lk.l_type = type;
  lk.l_whence = SEEK_SET;
  lk.l_start = kLockBase + marker;
  lk.l_len = 1;
  return lk;
}

bool lockMarker(int fd, Marker marker) {
  struct flock lk = markerLock(marker, F_RDLCK);
  return ::fcntl(fd, F_OFD_SETLK, &lk) == 0;
}

// True when another opener holds the marker.
bool markerHeld(int fd, Marker marker) {
  struct flock lk = markerLock(marker, F_WRLCK);
  if (::fcntl(fd, F_OFD_GETLK, &lk) != 0) return false;
  return lk.l_type != F_UNLCK;
}

// Takes the markers of this opener, then looks for openers that conflict.
// Locking before looking means two openers racing each other cannot both
// miss the other. False (EACCES) on a conflict.
bool takeShareLocks(int fd, bool canRead, bool canWrite, uint16_t share) {
  const bool denyR = share == fmShareExclusive || share == fmShareDenyRead;
  const bool denyW = share == fmShareExclusive || share == fmShareDenyWrite;
  const struct {
    bool mine;
    Marker marker;
    Marker conflict;
  } rows[] = {{canRead, accessRead, denyRead},
              {canWrite, accessWrite, denyWrite},
              {denyR, denyRead, accessRead},
              {denyW, denyWrite, accessWrite}};
  for (const auto& row : rows) {
    if (!row.mine) continue;
    if (!lockMarker(fd, row.marker)) {
      // A file system without these locks: sharing is advisory anyway.
      if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP) return true;
      CaptureOsError();
      return false;
    }
  }
  for (const auto& row : rows) {
    if (row.mine && markerHeld(fd, row.conflict)) {
      SetLastError(EACCES);
      return false;
    }
  }
  return true;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(-1), fileName_(fileName) {
  const std::string path = ExpandFileName(fileName);
  const bool create = (mode & fmCreate) == fmCreate;
  const uint16_t share = mode & 0x00F0;
  const uint16_t access = create ? fmOpenReadWrite : (mode & 0x000F);
  bool created = false;
  if (path.empty()) {
    SetLastError(ENOENT);
  } else if (create) {
    // Opened without O_TRUNC: the file is emptied only once the sharing
    // rules allow it and no shared view maps it. A file made here is removed
    // again when the open is refused.
    handle_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (handle_ < 0 && errno == ENOENT) {
      handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      created = handle_ >= 0;
      if (!created && errno == EEXIST) handle_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (handle_ < 0) CaptureOsError();
  } else {
    // Write-only openers still open for reading when allowed: the share
    // locks need a readable descriptor.
    int flags = access == fmOpenRead ? O_RDONLY : O_RDWR;
    handle_ = ::open(path.c_str(), flags | O_CLOEXEC);
    if (handle_ < 0 && access == fmOpenWrite && errno == EACCES)
      handle_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (handle_ < 0) CaptureOsError();
  }
  bool ok = handle_ >= 0;
  if (ok) {
    struct stat st {};
    if (::fstat(handle_, &st) != 0) {
      CaptureOsError();
      ok = false;
    } else if (S_ISDIR(st.st_mode)) {
      SetLastError(EISDIR);
      ok = false;
    }
  }
  if (ok) {
    const int accmode = ::fcntl(handle_, F_GETFL) & O_ACCMODE;
    if (accmode != O_WRONLY)
      ok = takeShareLocks(handle_, access != fmOpenWrite, access != fmOpenRead, share);
  }
  if (ok && create) ok = SetFileSizeUnlessMapped(handle_, 0);
  if (!ok) {
    const int err = GetLastError();
    if (handle_ >= 0) ::close(handle_);
    if (created) ::unlink(path.c_str());
    handle_ = -1;
    SetLastError(err);
    if (create) throw EFCreateError("Cannot create file " + fileName);
    throw EFOpenError("Cannot open file " + fileName);
  }
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

// ---- TMemoryStream -----------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = Size();
  if (position_ < 0 || count <= 0 || position_ >= size) return 0;
  const int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  switch (origin) {
  case soBeginning:
    position_ = offset;
    break;
  case soCurrent:
    position_ += offset;
    break;
  case soEnd:
    position_ = Size() + offset;
    break;
  default:
    break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) throw EStreamError("Cannot set the stream size");
  data_.resize(static_cast<size_t>(newSize));
  if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const int64_t size = stream.Size();
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  stream.ReadBuffer(bytes.data(), size);
  data_ = std::move(bytes);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream) {
  stream.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

// ---- TStringStream -----------------------------------------------------------------

TStringStream::TStringStream(const std::string& data) {
  data_.assign(data.begin(), data.end());
}

std::string TStringStream::DataString() const {
  return std::string(reinterpret_cast<const char*>(data_.data()), data_.size());
}

std::string TStringStream::ReadString(int64_t count) {
  const int64_t size = Size();
  if (position_ < 0 || count <= 0 || position_ >= size) return std::string();
  const int64_t n = std::min(count, size - position_);
  std::string result(reinterpret_cast<const char*>(data_.data() + position_),
                     static_cast<size_t>(n));
  position_ += n;
  return result;
}

void TStringStream::WriteString(const std::string& text) {
  WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// ---- TTextFile -----------------------------------------------------------------------

namespace {
constexpr size_t kTextBlock = 1 << 16;
} // namespace

TTextFile::~TTextFile() {
  try {
    Close();
  } catch (...) {
    // Destructors never throw; Close reports failures to callers that ask.
  }
}

void TTextFile::Rewrite() {
  Close();
  file_ = std::make_unique<TFileStream>(fileName_, fmCreate | fmShareDenyWrite);
  writing_ = true;
}

void TTextFile::Append() {
  Close();
  if (!FileExists(fileName_)) {
    Rewrite();
    return;
  }
  file_ = std::make_unique<TFileStream>(fileName_, fmOpenWrite | fmShareDenyWrite);
  file_->Seek(0, soEnd);
  writing_ = true;
}

void TTextFile::Reset() {
  Close();
  file_ = std::make_unique<TFileStream>(fileName_, fmOpenRead | fmShareDenyWrite);
  writing_ = false;
}

void TTextFile::Close() {
  if (!file_) return;
  std::unique_ptr<TFileStream> file = std::move(file_);
  std::string pending;
  pending.swap(buffer_);
  pos_ = 0;
  if (writing_ && !pending.empty())
    file->WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
}

void TTextFile::requireOpen(bool writing) const {
  if (!file_ || writing_ != writing)
    throw EInOutError(writing ? "File not open for output" : "File not open for input");
}

void TTextFile::flush() {
  if (buffer_.empty()) return;
  const std::string pending = std::move(buffer_);
  buffer_.clear();
  file_->WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
}

void TTextFile::Write(std::string_view text) {
  requireOpen(true);
  buffer_.append(text);
  if (buffer_.size() >= kTextBlock) flush();
}

void TTextFile::WriteLn(std::string_view text) {
  Write(text);
  Write("\r\n");
}

bool TTextFile::fill() {
  buffer_.erase(0, pos_);
  pos_ = 0;
  const size_t old = buffer_.size();
  buffer_.resize(old + kTextBlock);
  const int64_t n = file_->Read(buffer_.data() + old, static_cast<int64_t>(kTextBlock));
  buffer_.resize(old + static_cast<size_t>(n > 0 ? n : 0));
  return n > 0;
}

bool TTextFile::Eof() {
  requireOpen(false);
  return pos_ >= buffer_.size() && !fill();
}

std::string TTextFile::ReadLn() {
  requireOpen(false);
  for (;;) {
    const size_t end = buffer_.find_first_of("\r\n", pos_);
    if (end == std::string::npos) {
      if (fill()) continue;
      std::string line = buffer_.substr(pos_);
      pos_ = buffer_.size();
      return line;
    }
    // A CR at the end of the block may be the first half of CR LF. Reading
    // on moves the buffer, so the positions are taken again afterwards.
    if (buffer_[end] == '\r' && end + 1 == buffer_.size()) {
      const size_t length = end - pos_;
      fill();
      const size_t at = pos_ + length;
      std::string line = buffer_.substr(pos_, length);
      pos_ = at + ((at + 1 < buffer_.size() && buffer_[at + 1] == '\n') ? 2 : 1);
      return line;
    }
    std::string line = buffer_.substr(pos_, end - pos_);
    pos_ = end +
           ((buffer_[end] == '\r' && end + 1 < buffer_.size() && buffer_[end + 1] == '\n') ? 2 : 1);
    return line;
  }
}
