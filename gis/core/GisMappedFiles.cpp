// File streams of the kernel's readers and writers.

#include "gis/core/GisMappedFiles.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gis/core/GisResource.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/MappedFile.h"
#include "platform/rtl/OsError.h"

namespace {

// The kernel's file-open error: "0030 Error during mapping file "<path>"
// (code <n>), <OS text> (errno <e>)".
[[noreturn]] void RaiseMapping(const std::string& path, int code, int osError) {
  std::string text;
  try {
    text = Format(GIS_RS_ERR_FILEMAPPING, {path, code});
  } catch (const Exception&) {
    text = GIS_RS_ERR_FILEMAPPING;
  }
  throw EFOpenError(text + ", " + OsErrorText(osError));
}

// Bytes that end a line (0, LF, $1A) or are left out of it (CR).
struct TLineBytes {
  bool special[256] = {};
  constexpr TLineBytes() { special[0] = special[10] = special[13] = special[0x1A] = true; }
};
constexpr TLineBytes kLineBytes;

// The index of the first byte of [p, p + n) that ends a line or is left out
// of it, n when there is none. Sixteen bytes at a time where SSE2 is there
// (never reading past p + n), one at a time for the rest.
size_t FindLineByte(const uint8_t* p, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8(10), cr = _mm_set1_epi8(13), eof = _mm_set1_epi8(0x1A);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, eof), _mm_cmpeq_epi8(v, zero)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (i < n && !kLineBytes.special[p[i]])
    ++i;
  return i;
}

// The line rules of LineFrom over a block of bytes: appends the bytes of
// [p, p + n) to `line` up to the first line end (consumed; `ended` is set) or
// until the line holds maxChars bytes (maxChars <= 0: no limit). Returns the
// bytes consumed.
size_t AppendLineBytes(const uint8_t* p, size_t n, std::string& line, int64_t maxChars,
                       bool& ended) {
  size_t i = 0;
  while (i < n) {
    size_t room = n - i;
    if (maxChars > 0) {
      if (static_cast<int64_t>(line.size()) >= maxChars) break;
      room = std::min(room, static_cast<size_t>(maxChars - static_cast<int64_t>(line.size())));
    }
    const size_t j = i + FindLineByte(p + i, room);
    line.append(reinterpret_cast<const char*>(p) + i, j - i);
    if (j == i + room) {
      i = j;
      continue;
    }
    i = j + 1;
    if (p[j] != 13) {
      ended = true;
      break;
    }
  }
  return i;
}

} // namespace

// --------------------------------------------------------------- base class

template <class NextByte>
void TGIS_StreamAbstract::LineFrom(NextByte&& next, int64_t maxChars, std::string& line) {
  line.clear();
  uint8_t c = 0;
  while ((maxChars <= 0 || static_cast<int64_t>(line.size()) < maxChars) && next(c)) {
    if (c == 0 || c == 10 || c == 0x1A) break;
    if (c == 13) continue;
    line.push_back(static_cast<char>(c));
  }
}

template <class NextByte> std::string TGIS_StreamAbstract::TokenFrom(NextByte&& next) {
  std::string token;
  uint8_t c = 0;
  while (static_cast<int64_t>(token.size()) < DefaultLineLength && next(c)) {
    if (c == 0x1A) break;
    if (c == ' ' || c == 9 || c == 13 || c == 10 || c == 0) {
      if (token.empty()) continue;
      break;
    }
    token.push_back(static_cast<char>(c));
  }
  return token;
}

std::string TGIS_StreamAbstract::ReadLine(int64_t maxChars) {
  std::string line;
  ReadLine(line, maxChars);
  return line;
}

void TGIS_StreamAbstract::ReadLine(std::string& line, int64_t maxChars) {
  LineFrom([this](uint8_t& c) { return Read(&c, 1) == 1; }, maxChars, line);
}

std::string TGIS_StreamAbstract::ReadToken() {
  return TokenFrom([this](uint8_t& c) { return Read(&c, 1) == 1; });
}

void TGIS_StreamAbstract::CallAfterRead(int64_t position, int64_t count, void* buffer) {
  if (OnAfterRead) OnAfterRead(*this, position, count, static_cast<uint8_t*>(buffer));
}

const uint8_t* TGIS_StreamAbstract::BeforeWrite(int64_t position, int64_t count,
                                                const void* buffer) {
  if (!OnBeforeWrite) return static_cast<const uint8_t*>(buffer);
  writeCopy_.assign(static_cast<const uint8_t*>(buffer),
                    static_cast<const uint8_t*>(buffer) + count);
  OnBeforeWrite(*this, position, count, writeCopy_.data());
  return writeCopy_.data();
}

// ------------------------------------------------------------ mapped stream

TGIS_MappedStream::TGIS_MappedStream(const std::string& path, bool createFlag,
                                     TGIS_ReadWriteEvent afterRead, TGIS_ReadWriteEvent beforeWrite)
    : TGIS_StreamAbstract(std::move(afterRead), std::move(beforeWrite)), path_(path) {
  if (createFlag) {
    try {
      writeStream_ = std::make_unique<TFileStream>(path, fmCreate);
    } catch (const EStreamError&) {
      RaiseMapping(path, 0, GetLastError());
    }
    return;
  }
  try {
    sharedView_ = SharedViews::Acquire(path);
  } catch (const EMappedFileError& e) {
    // Every mapping failure is reported as 3000000.
    RaiseMapping(path, e.Code() == 4000000 ? 3000000 : e.Code(), e.OsError());
  }
  size_ = sharedView_->Size();
  view_ = sharedView_->Data();
}

TGIS_MappedStream::~TGIS_MappedStream() {
  try {
    Close();
  } catch (...) {
  }
}

void TGIS_MappedStream::Close() {
  if (sharedView_) {
    SharedViews::Release(sharedView_);
    sharedView_ = nullptr;
    view_ = nullptr;
  }
  if (writeStream_) {
    writeStream_.reset();
  }
}

int64_t TGIS_MappedStream::Read(void* buffer, int64_t count) {
  SK_ASSERT(position_ >= 0 && count >= 0, "TGIS_MappedStream.Read#1", "GisMappedFiles", __LINE__);
  if (position_ == size_) return 0;
  if (count > size_ - position_ || position_ > size_)
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_);
  int64_t start = position_;
  if (view_) {
    std::memcpy(buffer, view_ + position_, static_cast<size_t>(count));
  } else if (writeStream_) { // create mode: read back what was written
    writeStream_->Seek(position_, soBeginning);
    lastWriteEnd_ = -1;
    if (writeStream_->Read(buffer, count) != count)
      throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_);
  } else {
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_);
  }
  position_ += count;
  CallAfterRead(start, count, buffer);
  return count;
}

bool TGIS_MappedStream::FastReads() const {
  return !OnAfterRead && view_ && position_ >= 0 && position_ <= size_;
}

bool TGIS_MappedStream::NextByte(uint8_t& c) {
  if (position_ >= size_) return false;
  c = view_[position_++];
  return true;
}

void TGIS_MappedStream::MapInAhead() {
  constexpr int64_t kAhead = int64_t(4) << 20;
  if (position_ < mappedInTo_ - kAhead / 2 || sharedView_->Populated()) return;
  const int64_t from = std::max(position_, mappedInTo_);
  sharedView_->Prefetch(from, position_ + kAhead - from);
  mappedInTo_ = position_ + kAhead;
}

void TGIS_MappedStream::ReadLine(std::string& line, int64_t maxChars) {
  if (!FastReads()) return TGIS_StreamAbstract::ReadLine(line, maxChars);
  MapInAhead();
  line.clear();
  bool ended = false;
  position_ += static_cast<int64_t>(AppendLineBytes(
      view_ + position_, static_cast<size_t>(size_ - position_), line, maxChars, ended));
}

std::string TGIS_MappedStream::ReadToken() {
  if (!FastReads()) return TGIS_StreamAbstract::ReadToken();
  MapInAhead();
  return TokenFrom([this](uint8_t& c) { return NextByte(c); });
}

const uint8_t* TGIS_MappedStream::Peek(int64_t count) {
  SK_ASSERT(position_ >= 0 && count >= 0, "TGIS_MappedStream.Peek#1", "GisMappedFiles", __LINE__);
  if (!sharedView_ || position_ > size_ || count > size_ - position_)
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_);
  return view_ ? view_ + position_ : nullptr;
}

namespace {

// Writes `count` bytes at `position` through `file`, seeking only when the
// previous write did not end there; keeps `size` (the file grows to the end of
// the write) and `lastWriteEnd`. Returns the bytes written (0 on failure).
int64_t WriteAt(TFileStream& file, int64_t position, const uint8_t* data, int64_t count,
                int64_t& size, int64_t& lastWriteEnd) {
  if (position != lastWriteEnd) file.Seek(position, soBeginning);
  int64_t written = file.Write(data, count);
  if (written < 0) written = 0;
  size = std::max(size, position + written);
  lastWriteEnd = position + written;
  return written;
}

} // namespace

int64_t TGIS_MappedStream::Write(const void* buffer, int64_t count) {
  if (!writeStream_ || count <= 0) return 0;
  const uint8_t* data = BeforeWrite(position_, count, buffer);
  const int64_t written = WriteAt(*writeStream_, position_, data, count, size_, lastWriteEnd_);
  position_ += written;
  return written;
}

int64_t TGIS_MappedStream::Seek(int64_t offset, int origin) {
  switch (origin) {
  case 0:
    position_ = offset;
    break;
  case 1:
    position_ += offset;
    break;
  case 2:
    position_ = size_ - offset;
    break;
  default:
    break;
  }
  return position_;
}

// ---------------------------------------------------------- buffered stream

TGIS_BufferedFileStream::TGIS_BufferedFileStream(const std::string& path, bool createFlag,
                                                 TGIS_ReadWriteEvent afterRead,
                                                 TGIS_ReadWriteEvent beforeWrite)
    : TGIS_StreamAbstract(std::move(afterRead), std::move(beforeWrite)), path_(path) {
  try {
    fileStream_ = std::make_unique<TFileStream>(
        path, createFlag ? fmCreate : uint16_t(fmOpenRead | fmShareDenyNone));
  } catch (const EStreamError&) {
    RaiseMapping(path, 0, GetLastError());
  }
  size_ = fileStream_->Size();
  buffer_.resize(BufferSize);
}

TGIS_BufferedFileStream::~TGIS_BufferedFileStream() {
  try {
    Close();
  } catch (...) {
  }
}

void TGIS_BufferedFileStream::Close() {
  fileStream_.reset();
}

int64_t TGIS_BufferedFileStream::Read(void* buffer, int64_t count) {
  SK_ASSERT(GetPosition() >= 0 && count >= 0, "TGIS_BufferedFileStream.Read#1", "GisMappedFiles",
            __LINE__);
  lastWriteEnd_ = -1;
  const int64_t start = GetPosition();
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    if (bufferIndex_ == bufferCount_ && !Refill()) break;
    int64_t n = std::min(count - done, bufferCount_ - bufferIndex_);
    std::memcpy(out + done, buffer_.data() + bufferIndex_, static_cast<size_t>(n));
    bufferIndex_ += n;
    done += n;
  }
  CallAfterRead(start, done, buffer);
  return done;
}

bool TGIS_BufferedFileStream::Refill() {
  if (!fileStream_) return false;
  int64_t n = fileStream_->Read(buffer_.data(), BufferSize);
  if (n <= 0) {
    // The file ends here, whatever its size was at open (it may have shrunk
    // since): the stream ends here too.
    size_ = std::min(size_, std::max<int64_t>(GetPosition(), 0));
    return false;
  }
  filePosition_ += n;
  bufferCount_ = n;
  bufferIndex_ = 0;
  return true;
}

bool TGIS_BufferedFileStream::FastReads() const {
  return !OnAfterRead && GetPosition() >= 0;
}

bool TGIS_BufferedFileStream::NextByte(uint8_t& c) {
  if (bufferIndex_ == bufferCount_ && !Refill()) return false;
  c = buffer_[static_cast<size_t>(bufferIndex_++)];
  return true;
}

void TGIS_BufferedFileStream::ReadLine(std::string& line, int64_t maxChars) {
  if (!FastReads()) return TGIS_StreamAbstract::ReadLine(line, maxChars);
  lastWriteEnd_ = -1;
  line.clear();
  bool ended = false;
  while (!ended && (maxChars <= 0 || static_cast<int64_t>(line.size()) < maxChars)) {
    if (bufferIndex_ == bufferCount_ && !Refill()) break;
    bufferIndex_ += static_cast<int64_t>(
        AppendLineBytes(buffer_.data() + bufferIndex_,
                        static_cast<size_t>(bufferCount_ - bufferIndex_), line, maxChars, ended));
  }
}

std::string TGIS_BufferedFileStream::ReadToken() {
  if (!FastReads()) return TGIS_StreamAbstract::ReadToken();
  lastWriteEnd_ = -1;
  return TokenFrom([this](uint8_t& c) { return NextByte(c); });
}

int64_t TGIS_BufferedFileStream::Write(const void* buffer, int64_t count) {
  if (!fileStream_) throw EWriteError("Stream write error");
  const int64_t position = GetPosition();
  SK_ASSERT(position >= 0 && count >= 0, "TGIS_BufferedFileStream.Write#1", "GisMappedFiles",
            __LINE__);
  bufferCount_ = bufferIndex_ = 0;
  filePosition_ = position;
  if (count <= 0) {
    if (position != lastWriteEnd_) fileStream_->Seek(position, soBeginning);
    lastWriteEnd_ = position;
    return 0;
  }
  const uint8_t* data = BeforeWrite(position, count, buffer);
  const int64_t written = WriteAt(*fileStream_, position, data, count, size_, lastWriteEnd_);
  filePosition_ += written;
  if (written < count) throw EWriteError("Stream write error");
  return written;
}

int64_t TGIS_BufferedFileStream::Seek(int64_t offset, int origin) {
  int64_t target = 0;
  switch (origin) {
  case 0:
    target = offset;
    break;
  case 1:
    target = GetPosition() + offset;
    break;
  case 2:
    target = size_ - offset;
    break;
  default:
    SK_ASSERT(false, "Assertion failure", "GisMappedFiles", __LINE__);
  }
  if (target >= filePosition_ - bufferCount_ && target <= filePosition_) {
    bufferIndex_ = target - filePosition_ + bufferCount_;
  } else {
    // A position before the start is kept only logically: reading or
    // writing there fails its check.
    if (fileStream_ && target >= 0) fileStream_->Seek(target, soBeginning);
    filePosition_ = target;
    bufferCount_ = bufferIndex_ = 0;
    lastWriteEnd_ = -1;
  }
  return target;
}
