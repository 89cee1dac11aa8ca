// Exact reads and the text lists stored as data sub-blocks.
#include <algorithm>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Streams.h"

namespace gif {

void Fail(const char* message) { throw GIFException(message); }

void ReadCheck(TStream& stream, void* buffer, std::int64_t count) {
  if (count <= 0) return;
  if (stream.Read(buffer, count) != count) Fail(GifTexts::PrematureEnd);
}

bool ReadByte(TStream& stream, std::uint8_t& b) { return stream.Read(&b, 1) == 1; }

void WriteByte(TStream& stream, std::uint8_t b) { stream.WriteBuffer(&b, 1); }

void WriteStrings(TStream& stream, const std::vector<std::string>& list) {
  for (const std::string& s : list) {
    std::size_t p = 0;
    while (p < s.size()) {
      const std::size_t n = std::min<std::size_t>(255, s.size() - p);
      WriteByte(stream, std::uint8_t(n));
      stream.WriteBuffer(s.data() + p, std::int64_t(n));
      p += n;
    }
  }
  WriteByte(stream, 0);
}

void ReadStrings(TStream& stream, std::vector<std::string>& list) {
  list.clear();
  std::uint8_t n = 0;
  while (ReadByte(stream, n) && n != 0) {
    std::string s(n, '\0');
    ReadCheck(stream, s.data(), n);
    list.push_back(std::move(s));
  }
}

std::int64_t Remaining(TStream& stream) {
  return std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

void Skip(TStream& stream, std::int64_t n) {
  if (n != 0) stream.Seek(n, soCurrent);
}

} // namespace gif
