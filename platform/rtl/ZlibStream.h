// TZlibStream: one zlib inflate or deflate stream, for code outside the
// platform layer (which may not include zlib itself). Result codes are
// zlib's own (ZOk, ZStreamEnd, ... below); nothing here raises.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum : int {
  ZOk = 0,
  ZStreamEnd = 1,
  ZNeedDict = 2,
  ZErrNo = -1,
  ZStreamError = -2,
  ZDataError = -3,
  ZMemError = -4,
  ZBufError = -5,
  ZVersionError = -6
};

class TZlibStream {
public:
  TZlibStream();
  /// Ends the stream when it is still open.
  ~TZlibStream();
  TZlibStream(const TZlibStream&) = delete;
  TZlibStream& operator=(const TZlibStream&) = delete;

  int InitInflate();
  /// `level` 0..9, or -1 for zlib's default.
  int InitDeflate(int level);
  void SetInput(const std::uint8_t* data, std::uint32_t count);
  std::uint32_t AvailIn() const;
  void SetOutput(std::uint8_t* data, std::uint32_t count);
  std::uint32_t AvailOut() const;
  /// One inflate step without flushing.
  int Inflate();
  /// One deflate step, with the finishing flush when `finish`.
  int Deflate(bool finish);
  /// zlib's message for the last error ("" when none).
  std::string Message() const;
  void End();

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
