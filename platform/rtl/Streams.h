// The stream family.
//
// TStream reads, writes and seeks; Position and Size are 64-bit and derived
// from Seek: the helpers call only Seek(0, soCurrent), Seek(p, soBeginning)
// and Seek(0, soEnd), so a stream may give origin 2 its own meaning.
// ReadBuffer and WriteBuffer are exact: a short transfer raises EReadError
// or EWriteError. Kinds: THandleStream (an open descriptor), TFileStream,
// TMemoryStream and TStringStream; TTextFile reads and writes text line by
// line.
//
// TFileStream opens a file by name (relative names against the logical
// current folder) with fmCreate or fmOpenRead/Write/ReadWrite plus a share
// flag. Sharing is enforced between openers that use this class (in this
// process and others) with advisory open-file-description locks: a second
// opener whose access the first denies, or who denies what the first has,
// fails with EFOpenError. fmShareCompat counts as fmShareDenyNone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream {
public:
  virtual ~TStream() = default;

  /// Reads up to `count` bytes; returns the number read.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  /// Writes up to `count` bytes; returns the number written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  /// Moves the position; `origin` is 0, 1 or 2 (TSeekOrigin). Returns the
  /// new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  /// Sets the size; the base class does nothing.
  virtual void SetSize(int64_t newSize);

  /// Reads exactly `count` bytes or raises EReadError.
  void ReadBuffer(void* buffer, int64_t count);
  /// Writes exactly `count` bytes or raises EWriteError.
  void WriteBuffer(const void* buffer, int64_t count);
  /// Copies `count` bytes from the source's position (0: the whole source,
  /// from its start). Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

/// A stream over an open file descriptor, which it does not own.
class THandleStream : public TStream {
public:
  explicit THandleStream(int handle) : handle_(handle) {}
  int Handle() const { return handle_; }

  int64_t Read(void* buffer, int64_t count) override;
  /// Reads up to `count` bytes at `position` in one positioned read (no
  /// seek); the stream's position does not move. Returns the bytes read.
  int64_t ReadAt(void* buffer, int64_t count, int64_t position);
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  /// Truncates or extends the file and moves the position to the new size.
  /// A file mapped by the shared views is never cut (EStreamError).
  void SetSize(int64_t newSize) override;

protected:
  int handle_;
};

class TFileStream : public THandleStream {
public:
  /// Raises EFCreateError (fmCreate) or EFOpenError.
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  const std::string& FileName() const { return fileName_; }

private:
  std::string fileName_;
};

/// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  /// New bytes are zero; the position stays unless it lies past the end.
  void SetSize(int64_t newSize) override;

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

protected:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

/// A memory stream over the bytes of a string.
class TStringStream : public TMemoryStream {
public:
  explicit TStringStream(const std::string& data = std::string());
  /// The whole contents.
  std::string DataString() const;
  /// Reads up to `count` bytes from the position.
  std::string ReadString(int64_t count);
  void WriteString(const std::string& text);
};

/// A text file read or written line by line (relative names against the
/// logical current folder). WriteLn ends a line with CR LF; Write adds no
/// line end. ReadLn accepts CR LF, LF or CR. Writes are buffered until Close
/// (or the destructor, which never throws). Using a file that is not open
/// raises EInOutError; write failures raise EWriteError.
class TTextFile {
public:
  explicit TTextFile(std::string fileName) : fileName_(std::move(fileName)) {}
  ~TTextFile();
  TTextFile(const TTextFile&) = delete;
  TTextFile& operator=(const TTextFile&) = delete;

  /// Creates the file anew for writing.
  void Rewrite();
  /// Opens the file for writing at its end (creating it when missing).
  void Append();
  /// Opens the file for reading.
  void Reset();
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  void Write(std::string_view text);
  void WriteLn(std::string_view text = {});
  /// The next line without its line end; '' at the end of the file.
  std::string ReadLn();
  bool Eof();

private:
  void requireOpen(bool writing) const;
  void flush();
  bool fill();

  std::string fileName_;
  std::unique_ptr<TFileStream> file_;
  bool writing_ = false;
  std::string buffer_;
  size_t pos_ = 0;
};
