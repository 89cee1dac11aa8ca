// Writing image data: the sub-block writer, the bit packer with the
// interlaced pixel walk, the LZW encoder with its hash table and the
// run-length encoder whose codes any LZW decoder reads.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Streams.h"

using namespace gif;

namespace gifenc {

// Packs data into sub-blocks of at most 255 bytes.
class TGIFWriter {
public:
  explicit TGIFWriter(TStream& target) : target_(target) {}
  ~TGIFWriter() = default;
  void WriteByte(std::uint8_t b) {
    pending_ = true;
    buffer_[count_++] = b;
    if (count_ > 255) Flush();
  }
  void Flush() {
    buffer_[0] = std::uint8_t(count_ - 1);
    target_.WriteBuffer(buffer_, count_);
    count_ = 1;
    pending_ = false;
  }
  void Finish() {
    if (pending_) Flush();
  }

private:
  TStream& target_;
  std::uint8_t buffer_[256] = {};
  int count_ = 1;
  bool pending_ = false;
};

// The shared part of both encoders: arguments, bit packer, pixel walk.
class TGIFEncoder {
public:
  virtual ~TGIFEncoder() = default;

  void Compress(TStream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* pixels,
                bool interlaced, int width, int height) {
    colorCount_ = colorCount;
    b_ = std::max(bitsPerPixel, 2);
    width_ = width;
    height_ = height;
    interlaced_ = interlaced;
    pixels_ = pixels;
    initialCodeSize_ = b_ + 1;
    gif::WriteByte(stream, std::uint8_t(b_));
    codeSize_ = initialCodeSize_;
    maxCode_ = (1 << codeSize_) - 1;
    clearCode_ = 1 << b_;
    endCode_ = clearCode_ + 1;
    baseCode_ = clearCode_ + 2;
    bucket_ = 0;
    bitCount_ = 0;
    row_ = 0;
    pass_ = 0;
    TGIFWriter writer(stream);
    writer_ = &writer;
    if (pixels != nullptr && height > 0 && width > 0) {
      pixel_ = pixels;
      left_ = interlaced ? width : std::int64_t(width) * height;
      CompressBody();
    }
    Output(endCode_);
    while (bitCount_ > 0) {
      writer.WriteByte(std::uint8_t(bucket_));
      bucket_ >>= 8;
      bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    writer.Finish();
    writer_ = nullptr;
    gif::WriteByte(stream, 0);
  }

protected:
  virtual void Output(int code) { Pack(code); }
  virtual void CompressBody() = 0;

  void Pack(int code) {
    bucket_ = bitCount_ > 0 ? (std::uint32_t(code) << bitCount_) | (bucket_ & ((1u << bitCount_) - 1))
                            : std::uint32_t(code);
    bitCount_ += codeSize_;
    while (bitCount_ > 7) {
      writer_->WriteByte(std::uint8_t(bucket_));
      bucket_ >>= 8;
      bitCount_ -= 8;
    }
  }

  void Clear() {
    clearFlag_ = true;
    Output(clearCode_);
  }

  // The current pixel (checked against the colour count).
  int Current() const {
    const int c = *pixel_;
    if (c >= colorCount_) Fail(GifTexts::ColorNotInTable);
    return c;
  }

  // Steps to the next pixel; false at the end of the image.
  bool Next() {
    if (--left_ >= 1) {
      ++pixel_;
      return true;
    }
    if (!interlaced_) return false;
    left_ = width_;
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    // a pass whose first row is past the end is skipped
    while (row_ >= height_) {
      if (pass_ == 3) return false;
      ++pass_;
      row_ = kStart[pass_];
    }
    pixel_ = pixels_ + std::size_t(row_) * std::size_t(width_);
    return true;
  }

  int colorCount_ = 0, b_ = 2, width_ = 0, height_ = 0;
  bool interlaced_ = false;
  const std::uint8_t* pixels_ = nullptr;
  const std::uint8_t* pixel_ = nullptr;
  std::int64_t left_ = 0;
  int row_ = 0, pass_ = 0;
  TGIFWriter* writer_ = nullptr;
  std::uint32_t bucket_ = 0;
  int bitCount_ = 0;
  bool clearFlag_ = false;
  int codeSize_ = 0, initialCodeSize_ = 0, maxCode_ = 0;
  int clearCode_ = 0, endCode_ = 0, baseCode_ = 0;
};

// ---- LZW ------------------------------------------------------------------------------

class THashTable {
public:
  static constexpr int kSize = 8009;
  void Clear() { std::memset(slots_, 0xFF, sizeof(slots_)); }
  void Insert(std::uint32_t key, int code) {
    int h = Hash(key);
    const int d = h == 0 ? 1 : kSize - h;
    while (slots_[h] != 0xFFFFFFFFu) {
      h -= d;
      if (h < 0) h += kSize;
    }
    slots_[h] = (key << 12) | std::uint32_t(code);
  }
  int Lookup(std::uint32_t key) const {
    int h = Hash(key);
    const int d = h == 0 ? 1 : kSize - h;
    while (slots_[h] != 0xFFFFFFFFu) {
      if ((slots_[h] >> 12) == key) return int(slots_[h] & 0xFFF);
      h -= d;
      if (h < 0) h += kSize;
    }
    return -1;
  }

private:
  static int Hash(std::uint32_t key) { return int((key ^ (key >> 4)) % kSize); }
  std::uint32_t slots_[kSize];
};

class TLZWEncoder : public TGIFEncoder {
protected:
  void Output(int code) override {
    Pack(code);
    if (clearFlag_) {
      codeSize_ = initialCodeSize_;
      maxCode_ = (1 << initialCodeSize_) - 1;
      clearFlag_ = false;
    } else if (nextFree_ > maxCode_) {
      ++codeSize_;
      maxCode_ = codeSize_ == 12 ? 4096 : (1 << codeSize_) - 1;
    }
  }

  void ClearTable() {
    Clear();
    table_->Clear();
    nextFree_ = clearCode_ + 2;
  }

  void CompressBody() override {
    table_ = std::make_unique<THashTable>();
    ClearTable();
    int prefix = Current();
    while (Next()) {
      const int c = Current();
      const std::uint32_t key = std::uint32_t(prefix) * 256 + std::uint32_t(c);
      const int found = table_->Lookup(key);
      if (found >= 0) {
        prefix = found;
        continue;
      }
      Output(prefix);
      prefix = c;
      if (nextFree_ > 4094) {
        ClearTable();
      } else {
        table_->Insert(key, nextFree_);
        ++nextFree_;
      }
    }
    Output(prefix);
    table_.reset();
  }

private:
  std::unique_ptr<THashTable> table_;
  int nextFree_ = 0;
};

// ---- run lengths ----------------------------------------------------------------------------

class TRLEEncoder : public TGIFEncoder {
protected:
  void CompressBody() override {
    bumpInit_ = clearCode_ - 1;
    clearInit_ = b_ > 3 ? clearCode_ - 2 : 9;
    maxCodes_ = 4095 - baseCode_;
    DidClear();
    int count = 0;
    int pixel = -1;
    do {
      const int c = Current();
      if (count > 0 && c != pixel) {
        FlushRun(pixel, count);
        count = 0;
      }
      if (c == pixel) {
        ++count;
      } else {
        pixel = c;
        count = 1;
      }
    } while (Next());
    if (count > 0) FlushRun(pixel, count);
  }

private:
  void DidClear() {
    bumpPoint_ = bumpInit_;
    clearPoint_ = clearInit_;
    sinceClear_ = 0;
    tableMax_ = 0;
    Clear();
    codeSize_ = initialCodeSize_;
  }

  void Plain(int code) {
    clearFlag_ = false;
    Output(code);
    ++sinceClear_;
    if (sinceClear_ >= bumpPoint_) {
      bumpPoint_ += 1 << codeSize_;
      ++codeSize_;
    }
    if (sinceClear_ >= clearPoint_) DidClear();
  }

  static int ISqrt(int x) {
    if (x <= 1) return x;
    int r = 1, v = x;
    while (v > 0) {
      v >>= 2;
      r <<= 1;
    }
    while (true) {
      const int n = (r + x / r) / 2;
      if (n == r || n == r + 1) return std::min(n, r);
      r = n;
    }
  }

  static int Triangle(int n, int k) {
    int cost = 0;
    const int per = k * (k + 1) / 2;
    while (n >= per) {
      n -= per;
      cost += k;
    }
    if (n > 0) {
      int m = ISqrt(n);
      while (m * (m + 1) >= 2 * n) --m;
      while (m * (m + 1) < 2 * n) ++m;
      cost += m;
    }
    return cost;
  }

  void ResetClearPoint() {
    clearPoint_ = clearInit_;
    if (sinceClear_ >= clearPoint_) DidClear();
  }

  void FlushFromClear(int pixel, int n) {
    clearPoint_ = maxCodes_;
    tablePixel_ = pixel;
    int length = 1;
    while (n > 0) {
      if (length == 1) {
        tableMax_ = 1;
        Plain(pixel);
        --n;
      } else if (n >= length) {
        tableMax_ = length;
        Plain(baseCode_ + length - 2);
        n -= length;
      } else {
        ++tableMax_;
        Plain(n == 1 ? pixel : baseCode_ + n - 2);
        n = 0;
      }
      length = sinceClear_ == 0 ? 1 : length + 1;
    }
    ResetClearPoint();
  }

  void FlushClearOrRepeat(int pixel, int n) {
    if (Triangle(n, maxCodes_) + 1 < n) {
      DidClear();
      FlushFromClear(pixel, n);
    } else {
      for (; n > 0; --n) Plain(pixel);
    }
  }

  void FlushWithTable(int pixel, int n) {
    const int m = tableMax_;
    int repeats = n / m, rest = n % m, restCodes = rest > 0 ? 1 : 0;
    if (sinceClear_ + repeats + restCodes > maxCodes_) {
      repeats = maxCodes_ - sinceClear_;
      rest = n - repeats * m;
      restCodes = Triangle(rest, maxCodes_) + 1;
    }
    if (Triangle(n, maxCodes_) + 1 < repeats + restCodes) {
      DidClear();
      FlushFromClear(pixel, n);
      return;
    }
    clearPoint_ = maxCodes_;
    for (; repeats > 0; --repeats) Plain(baseCode_ + m - 2);
    if (rest > 0) {
      if (clearFlag_)
        FlushFromClear(pixel, rest);
      else
        Plain(rest == 1 ? pixel : baseCode_ + rest - 2);
    }
    ResetClearPoint();
  }

  void FlushRun(int pixel, int n) {
    if (n == 1)
      Plain(pixel);
    else if (clearFlag_)
      FlushFromClear(pixel, n);
    else if (tableMax_ > 1 && tablePixel_ == pixel)
      FlushWithTable(pixel, n);
    else
      FlushClearOrRepeat(pixel, n);
  }

  int bumpInit_ = 0, clearInit_ = 0, maxCodes_ = 0;
  int bumpPoint_ = 0, clearPoint_ = 0, sinceClear_ = 0;
  int tableMax_ = 0, tablePixel_ = -1;
};

} // namespace gifenc

void GifEncodeLZW(TStream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* pixels,
                  bool interlaced, int width, int height) {
  gifenc::TLZWEncoder().Compress(stream, bitsPerPixel, colorCount, pixels, interlaced, width,
                                 height);
}

void GifEncodeRLE(TStream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* pixels,
                  bool interlaced, int width, int height) {
  gifenc::TRLEEncoder().Compress(stream, bitsPerPixel, colorCount, pixels, interlaced, width,
                                 height);
}
