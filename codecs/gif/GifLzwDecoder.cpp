// Decoding a frame's image data: a variable-code-size LZW decoder that
// reads its bits sub-block by sub-block straight from the stream and writes
// the pixels into the frame, undoing the interlaced row order.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Streams.h"

using namespace gif;

namespace giflzw {

constexpr int kTableSize = 4096;
constexpr int kStackSize = 8192;

class Decoder {
public:
  Decoder(TGIFSubImage& frame, TStream& stream, int minCodeSize)
      : frame_(frame), stream_(stream), m_(minCodeSize) {
    clear_ = 1 << m_;
    end_ = clear_ + 1;
    codeSize_ = m_ + 1;
    limit_ = 2 * clear_;
    nextFree_ = clear_ + 2;
    for (int i = 0; i < clear_; ++i) suffix_[i] = std::uint16_t(i);
  }

  // The next pixel (>= 0), -1 (no more data or error) or -2 (end code).
  int ReadPixel() {
    if (sp_ > 0) return stack_[--sp_];
    return Step();
  }

  // Copies up to `count` pixels into `out`; returns how many were written
  // (fewer when the data ends or the end code arrives).
  int ReadPixels(std::uint8_t* out, int count) {
    int n = 0;
    while (n < count) {
      if (sp_ > 0) {
        const int take = std::min(sp_, count - n);
        for (int i = 0; i < take; ++i) out[n++] = std::uint8_t(stack_[--sp_]);
        continue;
      }
      const int v = Step();
      if (v < 0) {
        last_ = v;
        return n;
      }
      out[n++] = std::uint8_t(v);
    }
    return n;
  }

  int LastResult() const { return last_; }
  bool TerminatorSeen() const { return terminatorSeen_; }

  // Moves the stream past the remaining sub-blocks.
  void SkipBlocks() {
    if (terminatorSeen_) return;
    std::uint8_t n = 0;
    while (ReadByte(stream_, n) && n != 0) Skip(stream_, n);
    terminatorSeen_ = done_ = true;
  }

private:
  bool Refill() {
    if (done_) {
      if (curBit_ >= lastBit_) frame_.Warning(1, GifTexts::BitBufferUnderRun);
      return false;
    }
    buffer_[0] = buffer_[byteCount_ - 2];
    buffer_[1] = buffer_[byteCount_ - 1];
    std::uint8_t length = 0;
    if (!ReadByte(stream_, length)) return false;
    int n = length;
    if (n > 0) {
      const std::int64_t left = Remaining(stream_);
      if (left < n) {
        frame_.Warning(1, GifTexts::PrematureEnd);
        n = int(left);
      }
      ReadCheck(stream_, buffer_ + 2, n);
    } else {
      terminatorSeen_ = done_ = true;
    }
    byteCount_ = n + 2;
    curBit_ = curBit_ - lastBit_ + 16;
    lastBit_ = byteCount_ * 8;
    return true;
  }

  int ReadCode(int n) {
    if (fresh_) {
      fresh_ = false;
      return clear_;
    }
    while (curBit_ + n > lastBit_)
      if (!Refill()) return -1;
    // the bits lie in at most three bytes (n <= 12)
    const int byte = curBit_ >> 3;
    std::uint32_t word = std::uint32_t(buffer_[byte]) | (std::uint32_t(buffer_[byte + 1]) << 8) |
                         (std::uint32_t(buffer_[byte + 2]) << 16);
    const int code = int((word >> (curBit_ & 7)) & ((1u << n) - 1));
    curBit_ += n;
    return code;
  }

  int Step() {
    while (true) {
      int code = ReadCode(codeSize_);
      if (code < 0) return code;
      if (code == clear_) {
        // Entries are only ever made at the next free code, so the table
        // is back to its cleared state (single pixels below the clear code,
        // zeros above) once the entries made since the last clear are
        // zeroed: a run-length stream clears every few codes, and a whole
        // table each time made its decoding slow.
        std::fill(prefix_ + clear_ + 2, prefix_ + nextFree_, std::uint16_t(0));
        std::fill(suffix_ + clear_ + 2, suffix_ + nextFree_, std::uint16_t(0));
        codeSize_ = m_ + 1;
        limit_ = 2 * clear_;
        nextFree_ = clear_ + 2;
        sp_ = 0;
        do {
          code = ReadCode(codeSize_);
        } while (code == clear_);
        if (code < 0) return code;
        // a first code that names no single pixel ends the data
        if (code > clear_) return -1;
        first_ = previous_ = code;
        return code;
      }
      if (code == end_) {
        SkipBlocks();
        return -2;
      }
      const int incoming = code;
      if (code >= nextFree_) {
        stack_[sp_++] = std::uint16_t(first_);
        code = previous_;
      }
      int steps = 0;
      while (code >= clear_) {
        if (sp_ >= kStackSize - 1 || ++steps > kTableSize || prefix_[code] == code)
          Fail(GifTexts::CircularEntry);
        stack_[sp_++] = suffix_[code];
        code = prefix_[code];
      }
      first_ = suffix_[code];
      stack_[sp_++] = std::uint16_t(first_);
      if (nextFree_ <= kTableSize - 1) {
        prefix_[nextFree_] = std::uint16_t(previous_);
        suffix_[nextFree_] = std::uint16_t(first_);
        ++nextFree_;
        if (nextFree_ >= limit_ && limit_ <= kTableSize - 1) {
          limit_ *= 2;
          ++codeSize_;
        }
      }
      previous_ = incoming;
      if (sp_ > 0) return stack_[--sp_];
    }
  }

  TGIFSubImage& frame_;
  TStream& stream_;
  int m_;
  int clear_, end_, codeSize_, limit_, nextFree_;
  int first_ = 0, previous_ = 0;
  int sp_ = 0;
  int last_ = 0;
  std::uint16_t prefix_[kTableSize] = {};
  std::uint16_t suffix_[kTableSize] = {};
  std::uint16_t stack_[kStackSize] = {};
  // two carried-over bytes, a sub-block and room for a three-byte read
  std::uint8_t buffer_[260] = {};
  int curBit_ = 0, lastBit_ = 0, byteCount_ = 2;
  bool terminatorSeen_ = false, done_ = false, fresh_ = true;
};

} // namespace giflzw

void GifDecodeFrameData(TGIFSubImage& frame, TStream& stream) {
  frame.AllocatePixels();
  std::vector<std::uint8_t>& pixels = frame.Data();
  if (frame.Transparent() && frame.ControlExt() != nullptr)
    std::fill(pixels.begin(), pixels.end(), frame.ControlExt()->TransparentColorIndex());
  std::uint8_t m = 0;
  if (!ReadByte(stream, m)) return;
  m = std::min<std::uint8_t>(m, 8);
  auto decoder = std::make_unique<giflzw::Decoder>(frame, stream, m);
  const int w = frame.Width(), h = frame.Height();
  bool complete = true;
  if (!pixels.empty()) {
    if (frame.Interlaced()) {
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4 && complete; ++pass)
        for (int y = kStart[pass]; y < h; y += kStep[pass])
          if (decoder->ReadPixels(pixels.data() + std::size_t(y) * std::size_t(w), w) < w) {
            complete = false;
            break;
          }
    } else {
      const std::size_t total = pixels.size();
      std::size_t done = 0;
      while (done < total) {
        const int chunk = int(std::min<std::size_t>(total - done, 1 << 20));
        const int got = decoder->ReadPixels(pixels.data() + done, chunk);
        done += std::size_t(got);
        if (got < chunk) {
          complete = false;
          break;
        }
      }
    }
  }
  if (complete) decoder->ReadPixel();
  // whatever follows the pixels (the end code, surplus codes) is skipped, so
  // the next block is read from its start
  decoder->SkipBlocks();
}
