// Helpers shared by the files of the GIF picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/GifPicture.h"

class TStream;

namespace gif {

[[noreturn]] void Fail(const char* message);
/// Reads exactly n bytes ("Premature end of data" when fewer arrive).
void ReadCheck(TStream& stream, void* buffer, std::int64_t count);
/// One byte, or false at the end of the stream.
bool ReadByte(TStream& stream, std::uint8_t& b);
void WriteByte(TStream& stream, std::uint8_t b);
/// Each string as sub-blocks of at most 255 bytes, then a 0 byte.
void WriteStrings(TStream& stream, const std::vector<std::string>& list);
/// Sub-blocks up to a 0 length (or the end of the stream), one string each.
void ReadStrings(TStream& stream, std::vector<std::string>& list);
/// Bytes left after the position.
std::int64_t Remaining(TStream& stream);
/// Skips n bytes forward (or back for a negative n).
void Skip(TStream& stream, std::int64_t n);

/// Progress of a frame operation ("Rendering...", "Converting..."): starting
/// when made, every 32nd row, and ending when it goes out of scope (100 %
/// once Done was called, else 0 %), with the picture's palette-modified flag.
class TFrameProgress {
public:
  TFrameProgress(TGifPicture* image, const char* message);
  ~TFrameProgress();
  TFrameProgress(const TFrameProgress&) = delete;
  TFrameProgress& operator=(const TFrameProgress&) = delete;
  void Row(int y, int height);
  void Done() { ok_ = true; }

private:
  TGifPicture* image_;
  const char* message_;
  bool ok_ = false;
};

} // namespace gif
