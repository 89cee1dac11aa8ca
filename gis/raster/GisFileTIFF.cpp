// TGIS_FileTIFFDecoder: positioning, the CCITT, LZW, PackBits and JPEG
// routines, the predictor and the channel swap of finished rows.
#include "gis/raster/GisFileTIFF.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"

namespace {

// ---- CCITT code tables -------------------------------------------------------------------

enum TCodeState : std::uint8_t {
  csInvalid,
  csPass,
  csHorizontal,
  csV0,
  csVR,
  csVL,
  csExtension,
  csWhiteTerm,
  csBlackTerm,
  csWhiteMakeUp,
  csBlackMakeUp,
  csSharedMakeUp,
  csEol,
};

struct TCodeEntry {
  std::uint8_t State = csInvalid;
  std::uint8_t Length = 0;
  std::int16_t Value = 0;
};

/// A code as written in the recommendation: its bits, first bit leftmost.
struct TCode {
  const char* Bits;
  int Value;
};

// Terminating codes of white runs 0-63 (ITU-T T.4, table 2).
constexpr const char* kWhiteTerm[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",
    "1111",     "10011",    "10100",    "00111",    "01000",    "001000",   "000011",
    "110100",   "110101",   "101010",   "101011",   "0100111",  "0001100",  "0001000",
    "0010111",  "0000011",  "0000100",  "0101000",  "0101011",  "0010011",  "0100100",
    "0011000",  "00000010", "00000011", "00011010", "00011011", "00010010", "00010011",
    "00010100", "00010101", "00010110", "00010111", "00101000", "00101001", "00101010",
    "00101011", "00101100", "00101101", "00000100", "00000101", "00001010", "00001011",
    "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011",
    "00110100"};

// Terminating codes of black runs 0-63.
constexpr const char* kBlackTerm[64] = {
    "0000110111",   "010",          "11",           "10",           "011",
    "0011",         "0010",         "00011",        "000101",       "000100",
    "0000100",      "0000101",      "0000111",      "00000100",     "00000111",
    "000011000",    "0000010111",   "0000011000",   "0000001000",   "00001100111",
    "00001101000",  "00001101100",  "00000110111",  "00000101000",  "00000010111",
    "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010",
    "000011010011", "000011010100", "000011010101", "000011010110", "000011010111",
    "000001101100", "000001101101", "000011011010", "000011011011", "000001010100",
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101",
    "000001010010", "000001010011", "000000100100", "000000110111", "000000111000",
    "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111"};

// Make-up codes of white runs 64-1728 (steps of 64).
constexpr const char* kWhiteMakeUp[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011"};

// Make-up codes of black runs 64-1728.
constexpr const char* kBlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",
    "000000110100",  "000000110101",  "0000001101100", "0000001101101", "0000001001010",
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101"};

// Make-up codes shared by both colours, 1792-2560.
constexpr const char* kSharedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111"};

constexpr const char* kEol = "000000000001";

/// Enters a code into a table indexed by the next `indexBits` bits, first
/// bit lowest.
template <std::size_t N>
void Enter(std::array<TCodeEntry, N>& table, const char* bits, std::uint8_t state, int value) {
  const int n = int(std::strlen(bits));
  unsigned reversed = 0;
  for (int i = 0; i < n; ++i)
    if (bits[i] == '1') reversed |= 1u << i;
  for (std::size_t idx = reversed; idx < N; idx += std::size_t(1) << n)
    table[idx] = TCodeEntry{state, std::uint8_t(n), std::int16_t(value)};
}

struct TCodeTables {
  std::array<TCodeEntry, 4096> White;
  std::array<TCodeEntry, 8192> Black;
  std::array<TCodeEntry, 128> Mode;
  TCodeTables() {
    for (int i = 0; i < 64; ++i) {
      Enter(White, kWhiteTerm[i], csWhiteTerm, i);
      Enter(Black, kBlackTerm[i], csBlackTerm, i);
    }
    for (int i = 0; i < 27; ++i) {
      Enter(White, kWhiteMakeUp[i], csWhiteMakeUp, 64 * (i + 1));
      Enter(Black, kBlackMakeUp[i], csBlackMakeUp, 64 * (i + 1));
    }
    for (int i = 0; i < 13; ++i) {
      Enter(White, kSharedMakeUp[i], csSharedMakeUp, 1792 + 64 * i);
      Enter(Black, kSharedMakeUp[i], csSharedMakeUp, 1792 + 64 * i);
    }
    Enter(White, kEol, csEol, 0);
    Enter(Black, kEol, csEol, 0);
    Enter(Mode, "0001", csPass, 0);
    Enter(Mode, "001", csHorizontal, 0);
    Enter(Mode, "1", csV0, 0);
    Enter(Mode, "011", csVR, 1);
    Enter(Mode, "000011", csVR, 2);
    Enter(Mode, "0000011", csVR, 3);
    Enter(Mode, "010", csVL, 1);
    Enter(Mode, "000010", csVL, 2);
    Enter(Mode, "0000010", csVL, 3);
    Enter(Mode, "0000001", csExtension, 0);
  }
};

const TCodeTables& Tables() {
  static const TCodeTables tables;
  return tables;
}

/// Bytes the row buffer has past its end, for writes in whole pieces.
constexpr std::int64_t kRowSlack = 16;

/// `n` bytes of `value` at `dst`, written 16 at a time: up to 15 bytes past
/// the end are overwritten.
inline void FillPieces(std::uint8_t* dst, std::uint8_t value, int n) {
  const std::uint64_t v = 0x0101010101010101ull * value;
  for (int i = 0; i < n; i += 16) {
    std::memcpy(dst + i, &v, 8);
    std::memcpy(dst + i + 8, &v, 8);
  }
}

/// `n` bytes from `src` to `dst`, copied 16 at a time: up to 15 bytes past
/// the end of each are read or overwritten.
inline void CopyPieces(std::uint8_t* dst, const std::uint8_t* src, int n) {
  for (int i = 0; i < n; i += 16)
    std::memcpy(dst + i, src + i, 16);
}

[[noreturn]] void Broken() {
  throw EGIS_Exception(GIS_RS_ERR_FILEREAD, std::string(), 0);
}

} // namespace

std::uint8_t GisReverseBits(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r = std::uint8_t(r | (0x80 >> i));
  return r;
}

// ---- set-up --------------------------------------------------------------------------------

TGIS_FileTIFFDecoder::TGIS_FileTIFFDecoder() {
  for (int i = 0; i < 256; ++i)
    bitOrder_[i] = std::uint8_t(i);
}

TGIS_FileTIFFDecoder::~TGIS_FileTIFFDecoder() = default;

void TGIS_FileTIFFDecoder::SetData(const std::uint8_t* data, std::int64_t size) {
  data_ = data;
  dataSize_ = data != nullptr ? std::max<std::int64_t>(size, 0) : 0;
}

void TGIS_FileTIFFDecoder::AllocateBuffers() {
  if (state_.Stream != nullptr) {
    const std::int64_t size = state_.Stream->Size();
    state_.Stream->SetPosition(0);
    SetData(size > 0 ? state_.Stream->Peek(size) : nullptr, size);
  }
  if (state_.RowBytes < 0 || state_.RowPixels < 0) Broken();
  for (int i = 0; i < 256; ++i)
    bitOrder_[i] = state_.FillOrder == 2 ? std::uint8_t(i) : GisReverseBits(std::uint8_t(i));
  const std::int64_t rowBytes = state_.RowBytes;
  rowBufferSize_ =
      state_.Kind == GIS_TIFF_DECODER_LZW ? 50 * rowBytes + 4096 : std::max<std::int64_t>(rowBytes, 1);
  // LZW writes a string's first eight bytes as one word and PackBits a
  // run in 16-byte pieces, which may reach past their ends
  rowBuffer_.reset(new std::uint8_t[std::size_t(rowBufferSize_ + kRowSlack)]);
  std::memset(rowBuffer_.get(), 0, std::size_t(std::min<std::int64_t>(rowBufferSize_, rowBytes + 1)));
  if (state_.Kind == GIS_TIFF_DECODER_HUFFMAN) current_.reserve(std::size_t(state_.RowPixels) + 4);
  if (state_.Kind == GIS_TIFF_DECODER_LZW) {
    lzw_.assign(4096, TLzwEntry{0, 1, 0, 0, 0});
    for (int i = 0; i < 256; ++i)
      lzw_[std::size_t(i)] = TLzwEntry{0, 1, std::uint8_t(i), std::uint8_t(i), std::uint64_t(i)};
    ResetLzwTable();
  }
  ResetRowCache();
}

void TGIS_FileTIFFDecoder::ResetRowCache() {
  rowCache_.clear();
  state_.LastRow = -1;
  positioned_ = false;
  jpegStrip_ = -1;
  previous_ = 4096;
  waiting_ = 0;
}

// ---- positioning ------------------------------------------------------------------------------

bool TGIS_FileTIFFDecoder::Locate(int& row, int& strip) {
  if (strip < 0) {
    if (state_.RowsPerStrip <= 0 || row < 0) Broken();
    strip = row / state_.RowsPerStrip;
    row = row % state_.RowsPerStrip;
  }
  if (strip >= int(state_.Strips.size()) || row < 0 || row >= state_.RowsPerStrip ||
      !rowBuffer_)
    Broken();
  return SameRow(row, strip);
}

bool TGIS_FileTIFFDecoder::SameRow(int row, int strip) const {
  return positioned_ && state_.CurrentStrip == strip && state_.LastRow == row;
}

bool TGIS_FileTIFFDecoder::MustRestart(int row, int strip) const {
  return !positioned_ || state_.CurrentStrip != strip || row <= state_.LastRow;
}

void TGIS_FileTIFFDecoder::Restart(int strip) {
  const TGIS_FileTIFFStrip& s = state_.Strips[std::size_t(strip)];
  const std::int64_t off = std::clamp<std::int64_t>(s.Offset, 0, dataSize_);
  inPos_ = off;
  inEnd_ = off + std::clamp<std::int64_t>(s.Count, 0, dataSize_ - off);
  acc_ = 0;
  accBits_ = 0;
  pastEnd_ = false;
  state_.CurrentStrip = strip;
  state_.CurrentStripOffset = off;
  state_.LastRow = -1;
  positioned_ = true;
}

void TGIS_FileTIFFDecoder::FinishRow(std::uint8_t* row) {
  const int n = state_.RowBytes;
  const int s = std::max(1, state_.SamplesPerPixel);
  if (s == 3 && state_.BitsPerSample == 8) { // the predictor and the swap in one pass
    if (state_.Predictor != 0) {
      std::uint8_t r = 0, g = 0, b = 0;
      for (int i = 0; i + 2 < n; i += 3) {
        r = std::uint8_t(r + row[i]);
        g = std::uint8_t(g + row[i + 1]);
        b = std::uint8_t(b + row[i + 2]);
        row[i] = b;
        row[i + 1] = g;
        row[i + 2] = r;
      }
    } else {
      for (int i = 0; i + 2 < n; i += 3)
        std::swap(row[i], row[i + 2]);
    }
    return;
  }
  if (state_.Predictor != 0) {
    if (state_.BitsPerSample == 8) {
      for (int i = s; i < n; ++i)
        row[i] = std::uint8_t(row[i] + row[i - s]);
    } else if (state_.BitsPerSample == 16) {
      const bool be = state_.BigEndian;
      auto get = [&](int i) {
        const std::uint8_t* p = row + 2 * i;
        return be ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
      };
      const int count = n / 2;
      for (int i = s; i < count; ++i) {
        const std::uint16_t v = std::uint16_t(get(i) + get(i - s));
        std::uint8_t* p = row + 2 * i;
        p[be ? 0 : 1] = std::uint8_t(v >> 8);
        p[be ? 1 : 0] = std::uint8_t(v);
      }
    } else if (state_.BitsPerSample == 32) {
      const bool be = state_.BigEndian;
      auto get = [&](int i) {
        const std::uint8_t* p = row + 4 * i;
        return be ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                        std::uint32_t(p[2]) << 8 | p[3]
                  : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[1]) << 8 | p[0];
      };
      const int count = n / 4;
      for (int i = s; i < count; ++i) {
        const std::uint32_t v = get(i) + get(i - s);
        std::uint8_t* p = row + 4 * i;
        for (int k = 0; k < 4; ++k)
          p[be ? 3 - k : k] = std::uint8_t(v >> (8 * k));
      }
    }
  }
}

int TGIS_FileTIFFDecoder::DecodeRow(int row, int strip) {
  switch (state_.Kind) {
  case GIS_TIFF_DECODER_HUFFMAN:
    return DecodeRowHuffman(row, strip);
  case GIS_TIFF_DECODER_GROUP4:
    return DecodeRowGroup4(row, strip);
  case GIS_TIFF_DECODER_LZW:
    return DecodeRowLZW(row, strip);
  case GIS_TIFF_DECODER_PACKBITS:
    return DecodeRowPackBits(row, strip);
  case GIS_TIFF_DECODER_JPEG:
    return DecodeRowJPEG(row, strip);
  default:
    Broken();
  }
}

// ---- CCITT -------------------------------------------------------------------------------------

namespace {

/// The eight bits of every byte of `w` in reverse order.
inline std::uint64_t ReverseBitsInBytes(std::uint64_t w) {
  w = ((w >> 1) & 0x5555555555555555ull) | ((w & 0x5555555555555555ull) << 1);
  w = ((w >> 2) & 0x3333333333333333ull) | ((w & 0x3333333333333333ull) << 2);
  return ((w >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((w & 0x0F0F0F0F0F0F0F0Full) << 4);
}

} // namespace

/// The CCITT bit reader, held in locals while a line is decoded: a 64-bit
/// accumulator consumed from its low end (first bit lowest), topped up a
/// word at a time while eight bytes of the strip are left. Bits past the
/// strip's end read as zeros; consuming them marks the reader past the end.
struct TGIS_FileTIFFDecoder::TBitReader {
  std::uint64_t Acc;
  int Bits;
  std::int64_t Pos, End;
  const std::uint8_t* Data;
  const std::uint8_t* Order;
  bool Reverse;
  bool PastEnd;

  explicit TBitReader(const TGIS_FileTIFFDecoder& d)
      : Acc(d.acc_), Bits(d.accBits_), Pos(d.inPos_), End(d.inEnd_), Data(d.data_),
        Order(d.bitOrder_), Reverse(d.bitOrder_[1] != 1), PastEnd(d.pastEnd_) {}
  void Store(TGIS_FileTIFFDecoder& d) const {
    d.acc_ = Acc;
    d.accBits_ = Bits;
    d.inPos_ = Pos;
    d.pastEnd_ = PastEnd;
  }
  /// Tops the accumulator up to more than 56 bits, or to the strip's end.
  void Fill() {
    if (Bits > 56) return;
    if (End - Pos >= 8) {
      std::uint64_t w;
      std::memcpy(&w, Data + Pos, 8);
      if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
      if (Reverse) w = ReverseBitsInBytes(w);
      const int take = (64 - Bits) >> 3; // 1..8 bytes
      if (take < 8) w &= (std::uint64_t(1) << (8 * take)) - 1;
      Acc |= w << Bits;
      Pos += take;
      Bits += 8 * take;
      return;
    }
    while (Bits <= 56 && Pos < End) {
      Acc |= std::uint64_t(Order[Data[Pos++]]) << Bits;
      Bits += 8;
    }
  }
  /// The next `n` bits, first bit lowest (zeros past the end).
  unsigned Peek(int n) const { return unsigned(Acc & ((std::uint64_t(1) << n) - 1)); }
  /// No bit left in the accumulator nor in the strip.
  bool Empty() const { return Bits == 0 && Pos >= End; }
  void Skip(int n) {
    if (n > Bits) {
      PastEnd = true;
      Acc = 0;
      Bits = 0;
    } else {
      Acc >>= n;
      Bits -= n;
    }
  }
  /// One white or black run: make-up codes and a terminating code. `ok` is
  /// false at an EOL, an invalid code or the strip's end. (Inlined into the
  /// line loops, so that the reader stays in registers.)
  [[gnu::always_inline]] int Run(bool white, bool& ok) {
    const TCodeTables& t = Tables();
    const TCodeEntry* table = white ? t.White.data() : t.Black.data();
    const int indexBits = white ? 12 : 13;
    int run = 0;
    for (;;) {
      Fill();
      const TCodeEntry e = table[Peek(indexBits)];
      if (Bits >= indexBits && !PastEnd) [[likely]] {
        // a whole code is in the accumulator: no end to watch for
        if (e.State == csWhiteTerm || e.State == csBlackTerm) {
          Acc >>= e.Length;
          Bits -= e.Length;
          ok = true;
          return std::min(run + e.Value, 1 << 30);
        }
      }
      if (e.State == csInvalid || e.State == csEol || PastEnd || Empty()) {
        ok = false;
        return run;
      }
      Skip(e.Length);
      if (PastEnd) {
        ok = false;
        return run;
      }
      run = std::min(run + e.Value, 1 << 30);
      if (e.State == csWhiteTerm || e.State == csBlackTerm) {
        ok = true;
        return run;
      }
    }
  }
};

bool TGIS_FileTIFFDecoder::DecodeHuffmanLine(std::vector<std::int32_t>& changes) {
  const int width = state_.RowPixels;
  TBitReader in(*this);
  changes.clear();
  int a0 = 0;
  bool white = true, complete = true;
  while (a0 < width) {
    bool ok = true;
    const int run = in.Run(white, ok);
    if (!ok) {
      complete = false;
      break;
    }
    a0 = int(std::min<std::int64_t>(std::int64_t(a0) + run, width));
    changes.push_back(a0);
    white = !white;
  }
  // the rest of a row that ended early is white
  if (!complete && !white) changes.push_back(a0);
  // every row begins on a byte
  in.Skip(in.Bits % 8);
  in.Store(*this);
  return complete;
}

int TGIS_FileTIFFDecoder::DecodeRowHuffman(int row, int strip) {
  if (Locate(row, strip)) return 1;
  if (MustRestart(row, strip)) Restart(strip);
  while (state_.LastRow < row) {
    DecodeHuffmanLine(current_);
    ++state_.LastRow;
    ++decodedRows_;
  }
  PaintChanges(current_.data(), current_.size());
  return 1;
}

void TGIS_FileTIFFDecoder::StartGroup4Strip() {
  // room for a full line of changes, the entries an early end adds, and the
  // three closing entries of a reference line
  const std::size_t room = std::size_t(state_.RowPixels) + 8;
  if (reference_.size() < room) reference_.resize(room);
  if (current_.size() < room) current_.resize(room);
  reference_[0] = reference_[1] = reference_[2] = state_.RowPixels;
  lineCount_ = 0;
  lineInReference_ = false;
}

void TGIS_FileTIFFDecoder::DecodeGroup4Line(bool& keepReference) {
  const TCodeTables& t = Tables();
  const int width = state_.RowPixels;
  const int cap = width + 2;
  TBitReader in(*this);
  std::int32_t* cur = current_.data();
  // the reference line's changes, closed by the width three times
  const std::int32_t* ref = reference_.data();
  int n = 0;
  keepReference = false;
  int a0 = -1;
  int color = 0; // 0 white, 1 black
  // the search start in ref: of the parity of the changes to the colour
  // opposite a0's, and no change two before it lies right of a0
  int b = 0;
  auto add = [&](int x) {
    const int lo = n == 0 ? 0 : cur[n - 1];
    cur[n++] = x < lo ? lo : x > width ? width : x;
  };
  while (a0 < width) {
    if (n >= cap) { // more changes than pixels: broken data
      if (color == 1) cur[n++] = std::max(a0, 0);
      break;
    }
    in.Fill();
    if (in.Empty()) { // the end of the bytes: the rest is white
      if (color == 1) add(std::max(a0, 0));
      keepReference = true;
      break;
    }
    // b1: the first change right of a0 whose new colour is the opposite of
    // a0's (the width when there is none); b2 the change after it
    if ((b & 1) != color) b = b > 0 ? b - 1 : 1;
    while (ref[b] <= a0 && ref[b] < width)
      b += 2;
    const int b1 = ref[b];
    const int b2 = ref[b + 1];
    const TCodeEntry& e = t.Mode[in.Peek(7)];
    if (e.State == csV0) {
      in.Skip(1);
      const int a1 = std::clamp(b1, std::max(a0, 0), width);
      add(a1);
      a0 = a1;
      color ^= 1;
    } else if (e.State == csVR || e.State == csVL) {
      in.Skip(e.Length);
      const int a1 = std::clamp(e.State == csVR ? b1 + e.Value : b1 - e.Value, std::max(a0, 0), width);
      add(a1);
      a0 = a1;
      color ^= 1;
    } else if (e.State == csHorizontal) {
      in.Skip(e.Length);
      bool ok1 = true, ok2 = true;
      const int r1 = in.Run(color == 0, ok1);
      const int r2 = ok1 ? in.Run(color != 0, ok2) : 0;
      if (!ok1 || !ok2) { // an invalid code: the rest is white
        const int start = std::max(a0, 0);
        if (ok1) {
          add(int(std::min<std::int64_t>(std::int64_t(start) + r1, width)));
          if (color == 0) add(cur[n - 1]);
        } else if (color == 1) {
          add(start);
        }
        break;
      }
      const std::int64_t a1 = std::min<std::int64_t>(std::int64_t(std::max(a0, 0)) + r1, width);
      const std::int64_t a2 = std::min<std::int64_t>(a1 + r2, width);
      add(int(a1));
      add(int(a2));
      a0 = int(a2);
    } else if (e.State == csPass) {
      in.Skip(e.Length);
      a0 = b2;
    } else if (e.State == csExtension) {
      // uncompressed mode is not supported: the rest is the current colour
      break;
    } else {
      // EOL (seven zero bits and more) or an invalid code
      const bool eol = in.Peek(12) == 0x800u; // 000000000001, first bit lowest
      if (eol) {
        in.Skip(12);
        keepReference = true;
      } else if (color == 1) {
        add(std::max(a0, 0));
      }
      break;
    }
    if (in.PastEnd) {
      keepReference = true;
      break;
    }
  }
  in.Store(*this);
  lineCount_ = std::size_t(n);
  if (keepReference) {
    lineInReference_ = false;
  } else { // the line becomes the reference of the next one
    cur[n] = cur[n + 1] = cur[n + 2] = width;
    current_.swap(reference_);
    lineInReference_ = true;
  }
}

int TGIS_FileTIFFDecoder::DecodeRowGroup4(int row, int strip) {
  if (Locate(row, strip)) return 1;
  if (MustRestart(row, strip)) {
    Restart(strip);
    StartGroup4Strip();
  }
  bool keep = false;
  while (state_.LastRow < row) {
    DecodeGroup4Line(keep);
    ++state_.LastRow;
    ++decodedRows_;
  }
  PaintChanges(lineInReference_ ? reference_.data() : current_.data(), lineCount_);
  return 1;
}

void TGIS_FileTIFFDecoder::PaintChanges(const std::int32_t* changes, std::size_t count) {
  std::uint8_t* row = rowBuffer_.get();
  const int width = std::min(state_.RowPixels, state_.RowBytes * 8);
  std::memset(row, 0, std::size_t(state_.RowBytes));
  auto paint = [&](int from, int to) { // black: set bits
    from = std::max(from, 0);
    to = std::min(to, width);
    if (from >= to) return;
    const int first = from >> 3, last = (to - 1) >> 3;
    const std::uint8_t head = std::uint8_t(0xFF >> (from & 7));
    const std::uint8_t tail = std::uint8_t(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
      row[first] |= std::uint8_t(head & tail);
      return;
    }
    row[first] |= head;
    if (last - first > 1) std::memset(row + first + 1, 0xFF, std::size_t(last - first - 1));
    row[last] |= tail;
  };
  // changes 0, 2, ... end white runs, 1, 3, ... black ones
  std::size_t i = 1;
  for (; i < count; i += 2)
    paint(changes[i - 1], changes[i]);
  if (count % 2 == 1) paint(changes[count - 1], width); // the last run is black
}

// ---- LZW -----------------------------------------------------------------------------------

void TGIS_FileTIFFDecoder::ResetLzwTable() {
  nextCode_ = 258;
  codeWidth_ = 9;
}

bool TGIS_FileTIFFDecoder::FillLzwRow() {
  std::uint8_t* buf = rowBuffer_.get();
  const std::int64_t rowBytes = state_.RowBytes;
  TLzwEntry* table = lzw_.data();
  std::uint64_t acc = acc_;
  int bits = accBits_;
  std::int64_t pos = inPos_;
  const std::int64_t end = inEnd_;
  const std::uint8_t* data = data_;
  std::int64_t out = waiting_;
  int next = nextCode_, width = codeWidth_, prev = previous_;
  bool ok = true;
  // tops the bit accumulator up: whole words while eight bytes are left
  auto fill = [&] {
    if (bits <= 56 && end - pos >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data + pos, 8);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      const int take = (64 - bits) >> 3; // 1..8 bytes
      acc = take == 8 ? word : (acc << (8 * take)) | (word >> (64 - 8 * take));
      pos += take;
      bits += 8 * take;
      return;
    }
    while (bits <= 56 && pos < end) {
      acc = (acc << 8) | data[pos++];
      bits += 8;
    }
  };
  while (out < rowBytes && !lzwEnded_) {
    fill();
    if (bits < width) { // the strip ends inside a code
      lzwEnded_ = true;
      break;
    }
    int code = int((acc >> (bits - width)) & ((1u << width) - 1));
    bits -= width;
    if (code == 256) {
      next = 258;
      width = 9;
      fill();
      if (bits < width) {
        lzwEnded_ = true;
        break;
      }
      code = int((acc >> (bits - width)) & ((1u << width) - 1));
      bits -= width;
      if (code == 257) {
        lzwEnded_ = true;
        break;
      }
      if (code > 255) { // a code that cannot follow Clear
        ok = false;
        break;
      }
      buf[out++] = std::uint8_t(code);
      prev = code;
      continue;
    }
    if (code == 257) {
      lzwEnded_ = true;
      break;
    }
    if (prev == 4096) { // the first code after a restart
      if (code > 255) {
        ok = false;
        break;
      }
      buf[out++] = std::uint8_t(code);
      prev = code;
      continue;
    }
    if (code > next || next > 4095) {
      ok = false;
      break;
    }
    // the new entry: the previous string and the first byte of this one
    const std::uint8_t first = code < next ? table[code].First : table[prev].First;
    TLzwEntry& added = table[next];
    const TLzwEntry& before = table[prev];
    added.Prefix = std::uint16_t(prev);
    added.Suffix = first;
    added.First = before.First;
    added.Length = std::uint16_t(before.Length + 1);
    added.Head = before.Length < 8 ? before.Head | std::uint64_t(first) << (8 * before.Length)
                                   : before.Head;
    ++next;
    if (next == 511)
      width = 10;
    else if (next == 1023)
      width = 11;
    else if (next == 2047)
      width = 12;
    // output the code's string: its bytes past the eighth back to front,
    // then the first eight as one word
    const int len = table[code].Length;
    std::uint8_t* p = buf + out + len - 1;
    int c = code;
    while (table[c].Length > 8) {
      *p-- = table[c].Suffix;
      c = table[c].Prefix;
    }
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(buf + out, &table[c].Head, 8);
    } else {
      for (int i = 0; i < table[c].Length; ++i)
        buf[out + i] = std::uint8_t(table[c].Head >> (8 * i));
    }
    out += len;
    prev = code;
  }
  acc_ = acc;
  accBits_ = bits;
  inPos_ = pos;
  nextCode_ = next;
  codeWidth_ = width;
  previous_ = prev;
  waiting_ = out;
  if (!ok) lzwError_ = true;
  if (out < rowBytes) { // the strip ended or broke: the rest of the row is zero
    std::memset(buf + out, 0, std::size_t(rowBytes - out));
    waiting_ = rowBytes;
  }
  return ok;
}

int TGIS_FileTIFFDecoder::DecodeRowLZW(int row, int strip) {
  if (Locate(row, strip)) return lzwError_ ? 0 : 1;
  if (MustRestart(row, strip)) {
    Restart(strip);
    ResetLzwTable();
    previous_ = 4096;
    waiting_ = 0;
    lzwEnded_ = false;
    lzwError_ = false;
  }
  const std::int64_t rowBytes = state_.RowBytes;
  bool ok = !lzwError_;
  while (state_.LastRow < row) {
    if (state_.LastRow >= 0 || waiting_ >= rowBytes) {
      // the bytes decoded beyond the previous row move to the front
      const std::int64_t extra = std::max<std::int64_t>(waiting_ - rowBytes, 0);
      if (state_.LastRow >= 0) {
        if (extra > 0) std::memmove(rowBuffer_.get(), rowBuffer_.get() + rowBytes, std::size_t(extra));
        waiting_ = extra;
      }
    }
    if (lzwError_) {
      std::memset(rowBuffer_.get(), 0, std::size_t(rowBytes));
      waiting_ = rowBytes;
      ok = false;
    } else if (!FillLzwRow()) {
      ok = false;
    }
    ++state_.LastRow;
    ++decodedRows_;
  }
  FinishRow(rowBuffer_.get());
  return ok ? 1 : 0;
}

// ---- PackBits ------------------------------------------------------------------------------

int TGIS_FileTIFFDecoder::DecodeRowPackBits(int row, int strip) {
  if (Locate(row, strip)) return 1;
  if (rowCache_.size() != state_.Strips.size()) rowCache_.assign(state_.Strips.size(), {});
  std::vector<TRowStart>& cache = rowCache_[std::size_t(strip)];
  if (cache.size() < std::size_t(row) + 2) cache.resize(std::size_t(row) + 2);
  const bool sameStrip = positioned_ && state_.CurrentStrip == strip && state_.LastRow >= 0;
  int startRow;
  if (cache[std::size_t(row)].Offset != 0) {
    // the requested row itself
    Restart(strip);
    const TRowStart& s = cache[std::size_t(row)];
    inPos_ = s.Offset;
    packPending_ = 0;
    if (s.Skip > 0) { // a run that began in the row before
      packHeader_ = inPos_;
      const std::int8_t n = std::int8_t(data_[inPos_++]);
      packRepeat_ = n < 0;
      packLength_ = packRepeat_ ? 1 - n : n + 1;
      if (packRepeat_ && inPos_ < inEnd_) packValue_ = data_[inPos_++];
      if (!packRepeat_) inPos_ += s.Skip;
      packPending_ = packLength_ - s.Skip;
    }
    startRow = row;
  } else if (sameStrip && row > state_.LastRow) {
    startRow = state_.LastRow + 1;
  } else {
    Restart(strip);
    packPending_ = 0;
    startRow = 0;
  }
  state_.LastRow = startRow - 1;
  const int rowBytes = state_.RowBytes;
  std::uint8_t* buf = rowBuffer_.get();
  // the reader's state in locals while the rows are decoded
  const std::uint8_t* data = data_;
  std::int64_t pos = inPos_;
  const std::int64_t end = inEnd_;
  std::int64_t header = packHeader_;
  int length = packLength_, pending = packPending_;
  bool repeat = packRepeat_;
  std::uint8_t value = packValue_;
  for (int r = startRow; r <= row; ++r) {
    // where this row starts, for later random access
    TRowStart& entry = cache[std::size_t(r)];
    if (entry.Offset == 0 && pos > 0) {
      entry.Strip = strip;
      if (pending > 0) {
        entry.Offset = header;
        entry.Skip = length - pending;
      } else {
        entry.Offset = pos;
        entry.Skip = 0;
      }
    }
    const bool write = r == row;
    int filled = 0;
    while (filled < rowBytes) {
      if (pending == 0) {
        if (pos >= end) break;
        header = pos;
        const std::int8_t n = std::int8_t(data[pos++]);
        if (n == -128) continue;
        repeat = n < 0;
        length = repeat ? 1 - n : n + 1;
        if (repeat) {
          if (pos >= end) break;
          value = data[pos++];
          if (length <= rowBytes - filled) { // the whole run in this row
            if (write) FillPieces(buf + filled, value, length);
            filled += length;
            continue;
          }
        } else if (length <= rowBytes - filled && length <= end - pos) {
          if (write) {
            if (end - pos >= ((length + 15) & ~15))
              CopyPieces(buf + filled, data + pos, length);
            else
              std::memcpy(buf + filled, data + pos, std::size_t(length));
          }
          pos += length;
          filled += length;
          continue;
        }
        pending = length;
      }
      // a run that crosses into the next row, or ends with the strip
      const int take = std::min(pending, rowBytes - filled);
      if (repeat) {
        if (write) std::memset(buf + filled, value, std::size_t(take));
        filled += take;
      } else {
        const int avail = int(std::min<std::int64_t>(take, end - pos));
        if (write && avail > 0) std::memcpy(buf + filled, data + pos, std::size_t(avail));
        pos += avail;
        filled += avail;
        if (avail < take) {
          pending = 0;
          break;
        }
      }
      pending -= take;
    }
    if (write && filled < rowBytes) std::memset(buf + filled, 0, std::size_t(rowBytes - filled));
    ++state_.LastRow;
    ++decodedRows_;
  }
  inPos_ = pos;
  packHeader_ = header;
  packLength_ = length;
  packPending_ = pending;
  packRepeat_ = repeat;
  packValue_ = value;
  FinishRow(buf);
  return 1;
}

// ---- JPEG ----------------------------------------------------------------------------------

int TGIS_FileTIFFDecoder::DecodeRowJPEG(int row, int strip) {
  if (Locate(row, strip)) return 1;
  if (jpegStrip_ != strip || !jpegBitmap_) {
    jpegStrip_ = -1;
    Restart(strip);
    std::vector<std::uint8_t> stream;
    const TGIS_JPEGTable& all = state_.JpegTables;
    const std::uint8_t* strip0 = data_ + inPos_;
    std::int64_t stripLen = inEnd_ - inPos_;
    if (!all.empty()) {
      // one page's share of the tables when the block holds a full set per page
      std::size_t from = 0, len = all.size();
      const int pages = std::max(1, state_.PageCount);
      const std::size_t share = all.size() / std::size_t(pages);
      if (pages > 1 && share >= 574 && state_.CurrentPage >= 1 && state_.CurrentPage <= pages) {
        from = std::size_t(state_.CurrentPage - 1) * share;
        len = share;
      }
      if (len >= 2 && all[from + len - 2] == 0xFF && all[from + len - 1] == 0xD9) len -= 2;
      stream.assign(all.begin() + std::ptrdiff_t(from), all.begin() + std::ptrdiff_t(from + len));
      if (stripLen >= 2 && strip0[0] == 0xFF && strip0[1] == 0xD8) {
        strip0 += 2;
        stripLen -= 2;
      }
    }
    stream.insert(stream.end(), strip0, strip0 + stripLen);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    DecodeJpeg(stream.data(), stream.size(), *bitmap);
    jpegBitmap_ = std::move(bitmap);
    jpegStrip_ = strip;
  }
  std::uint8_t* buf = rowBuffer_.get();
  std::memset(buf, 0, std::size_t(state_.RowBytes));
  if (row < jpegBitmap_->Height()) {
    const int n = std::min(state_.RowBytes, 3 * jpegBitmap_->Width());
    std::memcpy(buf, jpegBitmap_->ScanLine(row), std::size_t(n));
  }
  state_.LastRow = row;
  ++decodedRows_;
  return 1;
}
