// File streams of the kernel's readers and writers.
//
// TGIS_StreamAbstract adds line and token reading, an end test and two hooks
// to the runtime's TStream: OnAfterRead sees the bytes a read delivered (and
// may change them in the caller's buffer), OnBeforeWrite gets a private copy
// of the bytes about to be written and may change what reaches the file.
//
// TGIS_MappedStream reads a whole file through the process-wide shared
// read-only mapping of that file (one mapping per path, counted by its
// users); created for writing it writes a new plain file. TGIS_BufferedFileStream
// reads and writes a file through a 4096-byte read buffer. Positions and
// sizes are 64-bit; any file size works.
//
// Seek's origin 2 counts backwards from the end: the new position is
// size - offset (not size + offset). Hand these streams only to code that
// knows this.
//
// Opening a file in create mode while any stream of this program maps it,
// in this process or another, is refused with EFOpenError (truncating it
// would kill the readers). A foreign program that cuts a mapped file
// anyway kills a mapped reader with SIGBUS when it reads beyond the new end.
// A buffered stream whose file shrinks ends where the file now ends.
//
// Errors of opening are EFOpenError (the runtime's class, not an
// EGIS_Exception) with the text "0030 Error during mapping file ...".
// Destructors never raise: Close() reports what freeing the file found.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"

class TGIS_StreamAbstract;
class TSharedView;

/// A read or write hook: (sender, position where the transfer begins, byte
/// count, the bytes).
using TGIS_ReadWriteEvent = std::function<void(TGIS_StreamAbstract& sender, int64_t position,
                                               int64_t count, uint8_t* buffer)>;

class TGIS_StreamAbstract : public TStream {
public:
  static constexpr int64_t DefaultLineLength = 1024;

  TGIS_StreamAbstract(TGIS_ReadWriteEvent afterRead, TGIS_ReadWriteEvent beforeWrite)
      : OnAfterRead(std::move(afterRead)), OnBeforeWrite(std::move(beforeWrite)) {}

  /// One line: 0, LF and $1A end it (and are consumed), CR is skipped. At most
  /// `maxChars` bytes (0: no limit); the rest of a longer line comes with the
  /// next call. Empty at the end.
  virtual std::string ReadLine(int64_t maxChars = DefaultLineLength);
  /// The same line into `line` (its old text replaced, its storage kept):
  /// the form for loops that read many lines.
  virtual void ReadLine(std::string& line, int64_t maxChars = DefaultLineLength);
  /// One token: space, TAB, CR, LF and 0 separate tokens (skipped before it,
  /// the one after it consumed); $1A ends it at once, even an empty one. At
  /// most 1024 bytes.
  virtual std::string ReadToken();
  virtual bool Eof() = 0;
  /// Frees the file; raises what freeing it found. The destructor calls it
  /// and keeps quiet.
  virtual void Close() = 0;

  TGIS_ReadWriteEvent OnAfterRead;
  TGIS_ReadWriteEvent OnBeforeWrite;

protected:
  /// The line and token rules over a source of single bytes (`next(c)` gives
  /// false at the end), shared by the plain and the fast readers.
  template <class NextByte>
  static void LineFrom(NextByte&& next, int64_t maxChars, std::string& line);
  template <class NextByte> static std::string TokenFrom(NextByte&& next);

  void CallAfterRead(int64_t position, int64_t count, void* buffer);
  /// The bytes to write: the caller's, or the hook's private copy of them.
  const uint8_t* BeforeWrite(int64_t position, int64_t count, const void* buffer);

private:
  std::vector<uint8_t> writeCopy_;
};

class TGIS_MappedStream : public TGIS_StreamAbstract {
public:
  /// Created (createFlag): a new file at `path`, replacing one. Otherwise the
  /// shared mapping of the existing file. Raises EFOpenError (code 1000000:
  /// cannot open, 2000000: no size, 3000000: cannot map; 0: cannot create).
  TGIS_MappedStream(const std::string& path, bool createFlag,
                    TGIS_ReadWriteEvent afterRead = nullptr,
                    TGIS_ReadWriteEvent beforeWrite = nullptr);
  ~TGIS_MappedStream() override;

  /// Copies `count` bytes from the position. 0 at the end; a read past the
  /// end raises EGIS_Exception 0034 with the path.
  int64_t Read(void* buffer, int64_t count) override;
  /// Writes in create mode; a mapped stream writes nothing (0).
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  bool Eof() override { return position_ >= size_; }
  void Close() override;
  using TGIS_StreamAbstract::ReadLine;
  /// Straight from the mapping when no read hook is set.
  void ReadLine(std::string& line, int64_t maxChars = DefaultLineLength) override;
  std::string ReadToken() override;

  /// The `count` mapped bytes at the position, without copying; the position
  /// does not move. Raises EGIS_Exception 0034 when fewer remain. Read mode
  /// only.
  const uint8_t* Peek(int64_t count);

  const std::string& Path() const { return path_; }
  /// The shared mapping (read mode; null in create mode or after Close).
  const TSharedView* SharedView() const { return sharedView_; }

private:
  /// Lines and tokens come straight from the mapping: no read hook, a view.
  bool FastReads() const;
  bool NextByte(uint8_t& c);
  /// Lines and tokens of a file too large to be mapped in at once: the
  /// next few megabytes are mapped in ahead of the reading.
  void MapInAhead();

  std::string path_;
  std::unique_ptr<TFileStream> writeStream_;
  TSharedView* sharedView_ = nullptr;
  const uint8_t* view_ = nullptr;
  int64_t position_ = 0;
  int64_t size_ = 0;
  int64_t lastWriteEnd_ = -1;
  int64_t mappedInTo_ = 0; // MapInAhead has mapped in the file up to here
};

class TGIS_BufferedFileStream : public TGIS_StreamAbstract {
public:
  static constexpr int64_t BufferSize = 4096;

  /// Created (createFlag): a new file, replacing one; otherwise the existing
  /// file opened for reading. Raises EFOpenError with code 0.
  TGIS_BufferedFileStream(const std::string& path, bool createFlag,
                          TGIS_ReadWriteEvent afterRead = nullptr,
                          TGIS_ReadWriteEvent beforeWrite = nullptr);
  ~TGIS_BufferedFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  /// Raises EWriteError when the file takes fewer bytes.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  bool Eof() override { return GetPosition() >= size_; }
  void Close() override;
  using TGIS_StreamAbstract::ReadLine;
  /// Straight from the buffer when no read hook is set.
  void ReadLine(std::string& line, int64_t maxChars = DefaultLineLength) override;
  std::string ReadToken() override;

  /// The logical position.
  int64_t GetPosition() const { return filePosition_ - bufferCount_ + bufferIndex_; }
  const std::string& Path() const { return path_; }

private:
  bool Refill();
  /// Lines and tokens come straight from the buffer: no read hook.
  bool FastReads() const;
  bool NextByte(uint8_t& c);

  std::string path_;
  std::unique_ptr<TFileStream> fileStream_;
  int64_t filePosition_ = 0;
  int64_t size_ = 0;
  int64_t lastWriteEnd_ = 0;
  std::vector<uint8_t> buffer_;
  int64_t bufferCount_ = 0;
  int64_t bufferIndex_ = 0;
};
