// The TIFF strip decoder on hand-made streams: LZW corner cases and code
// width switches (against a small encoder written here), PackBits runs
// across rows and the row cache, CCITT rows that end early, the decoded-row
// counter, and strips that point outside the data.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/raster/GisFileTIFF.h"

namespace {

/// Codes written most significant bit first, `width` bits each.
struct TBitWriter {
  std::vector<std::uint8_t> Bytes;
  std::uint64_t Acc = 0;
  int Bits = 0;
  void Put(unsigned code, int width) {
    Acc = (Acc << width) | code;
    Bits += width;
    while (Bits >= 8) {
      Bytes.push_back(std::uint8_t(Acc >> (Bits - 8)));
      Bits -= 8;
    }
  }
  /// A string of '0' and '1'.
  void PutBits(const std::string& bits) {
    for (char c : bits)
      Put(c == '1' ? 1 : 0, 1);
  }
  std::vector<std::uint8_t> Finish() {
    if (Bits > 0) Bytes.push_back(std::uint8_t(Acc << (8 - Bits)));
    Bits = 0;
    return Bytes;
  }
};

/// TIFF LZW as writers produce it: Clear first, the width grows when the
/// writer's next code reaches 512, 1024 and 2048 (the reader sees it one
/// code early), Clear again before the table is full.
std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& in) {
  TBitWriter w;
  std::vector<std::vector<int>> next(4096, std::vector<int>(256, -1));
  int free = 258, width = 9;
  w.Put(256, width);
  int prefix = -1;
  for (std::uint8_t b : in) {
    if (prefix < 0) {
      prefix = b;
      continue;
    }
    if (next[std::size_t(prefix)][b] >= 0) {
      prefix = next[std::size_t(prefix)][b];
      continue;
    }
    w.Put(unsigned(prefix), width);
    next[std::size_t(prefix)][b] = free++;
    if (free == 512) width = 10;
    if (free == 1024) width = 11;
    if (free == 2048) width = 12;
    if (free == 4094) {
      w.Put(256, width);
      for (auto& v : next)
        std::fill(v.begin(), v.end(), -1);
      free = 258;
      width = 9;
    }
    prefix = b;
  }
  if (prefix >= 0) {
    w.Put(unsigned(prefix), width);
    ++free;
    if (free == 512) width = 10;
    if (free == 1024) width = 11;
    if (free == 2048) width = 12;
  }
  w.Put(257, width);
  return w.Finish();
}

/// A decoder over `data` with one strip holding all of it.
std::unique_ptr<TGIS_FileTIFFDecoder> Decoder(std::uint8_t kind, const std::vector<std::uint8_t>& data,
                                              int rowBytes, int rowPixels, int rows) {
  TGIS_FileTIFFDecodeState s;
  s.Kind = kind;
  s.RowBytes = rowBytes;
  s.RowPixels = rowPixels;
  s.RowsPerStrip = rows;
  s.ImageHeight = rows;
  // offset 1: offsets of 0 mean "unknown" in the PackBits row cache
  s.Strips = {TGIS_FileTIFFStrip{1, std::int64_t(data.size()) - 1}};
  auto d = std::make_unique<TGIS_FileTIFFDecoder>();
  d->SetState(s);
  d->SetData(data.data(), std::int64_t(data.size()));
  d->AllocateBuffers();
  return d;
}

std::vector<std::uint8_t> Row(const TGIS_FileTIFFDecoder& d) {
  return std::vector<std::uint8_t>(d.RowBuffer(), d.RowBuffer() + d.State().RowBytes);
}

std::vector<std::uint8_t> WithLead(std::vector<std::uint8_t> v) {
  v.insert(v.begin(), 0xEE);
  return v;
}

} // namespace

TEST(FileTIFFDecoder, LzwCornerCases) {
  { // Clear followed by End of Information: no bytes
    TBitWriter w;
    w.Put(256, 9);
    w.Put(257, 9);
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_LZW, data, 4, 4, 1);
    EXPECT_EQ(d->DecodeRowLZW(0, 0), 1);
    EXPECT_EQ(Row(*d), std::vector<std::uint8_t>(4, 0));
  }
  { // KwKwK: the code equal to the next free code
    TBitWriter w;
    for (unsigned c : {256u, 97u, 258u, 257u})
      w.Put(c, 9);
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_LZW, data, 3, 3, 1);
    EXPECT_EQ(d->DecodeRowLZW(0, 0), 1);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{97, 97, 97}));
  }
  { // a code beyond the table: 0, the row as far as it got
    TBitWriter w;
    for (unsigned c : {256u, 65u, 300u})
      w.Put(c, 9);
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_LZW, data, 3, 3, 1);
    EXPECT_EQ(d->DecodeRowLZW(0, 0), 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{65, 0, 0}));
  }
  // long data passes every width switch and a second Clear
  std::vector<std::uint8_t> plain;
  std::uint32_t s = 11;
  for (int i = 0; i < 60000; ++i) {
    s = s * 1103515245u + 12345u;
    plain.push_back(std::uint8_t((s >> 16) % 23 + (i / 500) % 7));
  }
  const auto data = WithLead(LzwEncode(plain));
  auto d = Decoder(GIS_TIFF_DECODER_LZW, data, 600, 600, 100);
  for (int row = 0; row < 100; ++row) {
    ASSERT_EQ(d->DecodeRowLZW(row, 0), 1) << row;
    ASSERT_TRUE(Row(*d) == std::vector<std::uint8_t>(plain.begin() + 600 * row,
                                                      plain.begin() + 600 * (row + 1)))
        << "row " << row;
  }
}

TEST(FileTIFFDecoder, DecodedRowCounterAndRestarts) {
  std::vector<std::uint8_t> plain;
  for (int i = 0; i < 10 * 5; ++i)
    plain.push_back(std::uint8_t(i * 7));
  const auto lzwData = WithLead(LzwEncode(plain));
  auto lzw = Decoder(GIS_TIFF_DECODER_LZW, lzwData, 5, 5, 10);
  lzw->DecodeRowLZW(9, 0);
  EXPECT_EQ(lzw->DecodedRows(), 10);
  lzw->DecodeRowLZW(9, 0);
  EXPECT_EQ(lzw->DecodedRows(), 10) << "the same row twice decodes nothing";
  lzw->DecodeRowLZW(5, 0);
  EXPECT_EQ(lzw->DecodedRows(), 16) << "row 5 after 9 restarts the strip";
  EXPECT_EQ(Row(*lzw), std::vector<std::uint8_t>(plain.begin() + 25, plain.begin() + 30));
  // PackBits: literal runs of one row each; row 5 after 9 starts at row 5
  std::vector<std::uint8_t> packed = {0xEE};
  for (int r = 0; r < 10; ++r) {
    packed.push_back(4);
    packed.insert(packed.end(), plain.begin() + 5 * r, plain.begin() + 5 * r + 5);
  }
  auto pb = Decoder(GIS_TIFF_DECODER_PACKBITS, packed, 5, 5, 10);
  pb->DecodeRowPackBits(9, 0);
  EXPECT_EQ(pb->DecodedRows(), 10);
  pb->DecodeRowPackBits(9, 0);
  EXPECT_EQ(pb->DecodedRows(), 10);
  pb->DecodeRowPackBits(5, 0);
  EXPECT_EQ(pb->DecodedRows(), 11);
  EXPECT_EQ(Row(*pb), std::vector<std::uint8_t>(plain.begin() + 25, plain.begin() + 30));
  // a strip index outside the table
  EXPECT_THROW(pb->DecodeRowPackBits(0, 1), EGIS_Exception);
  EXPECT_THROW(pb->DecodeRowPackBits(10, -1), EGIS_Exception);
}

TEST(FileTIFFDecoder, PackBitsRunsAcrossRows) {
  // -128 is skipped; a repeat run of 6 fills the end of row 0 and the start of row 1
  const std::vector<std::uint8_t> data = {0xEE, 0x80, 0x01, 1, 2, 0xFB, 9, 0x00, 7, 0x80};
  auto d = Decoder(GIS_TIFF_DECODER_PACKBITS, data, 4, 4, 2);
  d->DecodeRowPackBits(1, 0);
  EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{9, 9, 9, 9}));
  d->DecodeRowPackBits(0, 0);
  EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{1, 2, 9, 9}));
  // row 1 again, now from its cached start inside the run
  const std::int64_t before = d->DecodedRows();
  d->DecodeRowPackBits(1, 0);
  EXPECT_EQ(d->DecodedRows(), before + 1);
  EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{9, 9, 9, 9}));
  // three bytes a pixel come blue, green, red
  const std::vector<std::uint8_t> rgb = {0xEE, 0x05, 1, 2, 3, 4, 5, 6};
  auto c = Decoder(GIS_TIFF_DECODER_PACKBITS, rgb, 6, 2, 1);
  c->State().SamplesPerPixel = 3;
  c->DecodeRowPackBits(0, 0);
  EXPECT_EQ(Row(*c), (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(FileTIFFDecoder, CcittRowsThatEndEarly) {
  { // modified Huffman: white 3, black 2, then EOL halfway: white from there
    TBitWriter w;
    w.PutBits("1000"); // white 3
    w.PutBits("11");   // black 2
    w.PutBits("000000000001");
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_HUFFMAN, data, 2, 16, 1);
    d->DecodeRowHuffman(0, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x18, 0x00}));
  }
  { // modified Huffman, FillOrder 2: the same bits, each byte reversed
    TBitWriter w;
    w.PutBits("1000");
    w.PutBits("11");
    w.PutBits("0111"); // white 2
    w.PutBits("0011"); // black 5
    w.PutBits("0111"); // white 2
    std::vector<std::uint8_t> bytes = WithLead(w.Finish());
    for (std::size_t i = 1; i < bytes.size(); ++i) {
      std::uint8_t r = 0;
      for (int b = 0; b < 8; ++b)
        if (bytes[i] & (1 << b)) r |= std::uint8_t(0x80 >> b);
      bytes[i] = r;
    }
    auto d = Decoder(GIS_TIFF_DECODER_HUFFMAN, bytes, 2, 14, 1);
    d->State().FillOrder = 2;
    d->AllocateBuffers();
    d->DecodeRowHuffman(0, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x19, 0xF0}));
  }
  { // Group 4: horizontal mode (white 2, black 3), then the bytes end
    TBitWriter w;
    w.PutBits("001");
    w.PutBits("0111");
    w.PutBits("10");
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_GROUP4, data, 2, 16, 2);
    d->DecodeRowGroup4(0, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x38, 0x00}));
    d->DecodeRowGroup4(1, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x00, 0x00}));
  }
  { // Group 4 rows coded against the row above: V0, V0 repeats it
    TBitWriter w;
    w.PutBits("001");
    w.PutBits("0111");
    w.PutBits("10");
    w.PutBits("1");
    w.PutBits("1");
    w.PutBits("1");
    w.PutBits("1"); // V0 at the end of the row
    w.PutBits("011"); // VR1
    w.PutBits("010"); // VL1
    w.PutBits("1");
    const auto data = WithLead(w.Finish());
    auto d = Decoder(GIS_TIFF_DECODER_GROUP4, data, 2, 16, 3);
    d->DecodeRowGroup4(1, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x38, 0x00}));
    d->DecodeRowGroup4(2, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x10, 0x00}));
  }
  { // a strip that points past the data: a white row, nothing read outside
    const std::vector<std::uint8_t> data = {0xEE, 0x00};
    auto d = Decoder(GIS_TIFF_DECODER_GROUP4, data, 2, 16, 1);
    d->State().Strips[0] = TGIS_FileTIFFStrip{100, 5000};
    d->DecodeRowGroup4(0, 0);
    EXPECT_EQ(Row(*d), (std::vector<std::uint8_t>{0x00, 0x00}));
  }
}
