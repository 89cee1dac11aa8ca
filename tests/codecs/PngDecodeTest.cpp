// Decoding against libpng: every valid PngSuite file pixel by pixel, the
// damaged ones by their exception classes, the chunks' values, and the
// faults of hostile data.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "codecs/PngPicture.h"
#include "codecs/png/PngTexts.h"
#include "platform/rtl/Streams.h"
#include "tests/codecs/PngOracle.h"

namespace {

std::vector<std::string> SuiteFiles(bool damaged) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(PngSuiteDir())) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".png") continue;
    if ((name[0] == 'x') == damaged) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void LoadBytes(TPngPicture& png, const std::vector<std::uint8_t>& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  png.LoadFromStream(s);
}

std::vector<std::uint8_t> Chunk(const std::string& type, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  const std::uint32_t n = std::uint32_t(data.size());
  out = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const std::uint32_t crc =
      PngCrc(reinterpret_cast<const std::uint8_t*>(type.data()), data.data(), data.size());
  out.insert(out.end(),
             {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8),
              std::uint8_t(crc)});
  return out;
}

std::vector<std::uint8_t> Ihdr(std::uint32_t w, std::uint32_t h, int depth, int type,
                               int interlace = 0) {
  return Chunk("IHDR", {std::uint8_t(w >> 24), std::uint8_t(w >> 16), std::uint8_t(w >> 8),
                        std::uint8_t(w), std::uint8_t(h >> 24), std::uint8_t(h >> 16),
                        std::uint8_t(h >> 8), std::uint8_t(h), std::uint8_t(depth),
                        std::uint8_t(type), 0, 0, std::uint8_t(interlace)});
}

std::vector<std::uint8_t> Signature() {
  return {137, 80, 78, 71, 13, 10, 26, 10};
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

} // namespace

TEST(PngDecode, EveryValidSuiteFileEqualsLibpng) {
  int files = 0;
  for (const std::string& name : SuiteFiles(false)) {
    SCOPED_TRACE(name);
    const TLibpngImage ref = ReadWithLibpng(PngSuiteDir() + name);
    ASSERT_TRUE(ref.ok) << ref.error;
    TPngPicture png;
    ASSERT_NO_THROW(png.LoadFromFile(PngSuiteDir() + name));
    ASSERT_EQ(png.Width(), int(ref.width));
    ASSERT_EQ(png.Height(), int(ref.height));
    const std::vector<std::uint8_t> gamma = GammaTable(ref.hasGamma ? ref.gamma : 0);
    const TChunkIHDR& h = png.HeaderChunk();
    int wrong = 0;
    for (std::uint32_t y = 0; y < ref.height; ++y)
      for (std::uint32_t x = 0; x < ref.width; ++x) {
        std::uint32_t colour = 0;
        int alpha = 0;
        ExpectedPixel(ref, gamma, x, y, colour, alpha);
        if (png.ReadPixel(int(x), int(y)) != colour) ++wrong;
        if (h.ImageAlpha() != nullptr && h.ImageAlpha()[y * ref.width + x] != alpha) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
    ++files;
  }
  EXPECT_EQ(files, 162);
}

TEST(PngDecode, DamagedSuiteFilesRaiseTheirClasses) {
  using TCheck = std::function<void(const std::string&)>;
  auto expect = [](auto* tag) {
    using E = std::remove_pointer_t<decltype(tag)>;
    return TCheck([](const std::string& path) {
      TPngPicture png;
      EXPECT_THROW(png.LoadFromFile(path), E) << path;
    });
  };
  const std::vector<std::pair<std::string, TCheck>> rows = {
      {"xs1n0g01", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xs2n0g01", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xs4n0g01", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xs7n0g01", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xcrn0g04", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xlfn0g04", expect((EPNGInvalidFileHeader*)nullptr)},
      {"xhdn0g08", expect((EPngInvalidCRC*)nullptr)},
      {"xcsn0g01", expect((EPngInvalidCRC*)nullptr)},
      {"xc1n0g08", expect((EPngInvalidIHDR*)nullptr)},
      {"xc9n2c08", expect((EPngInvalidIHDR*)nullptr)},
      {"xd0n2c08", expect((EPngInvalidIHDR*)nullptr)},
      {"xd3n2c08", expect((EPngInvalidIHDR*)nullptr)},
      {"xd9n2c08", expect((EPngInvalidIHDR*)nullptr)},
      {"xdtn0g01", expect((EPNGNoImageData*)nullptr)},
  };
  EXPECT_EQ(rows.size(), SuiteFiles(true).size());
  for (const auto& [name, check] : rows) check(PngSuiteDir() + name + ".png");
}

TEST(PngDecode, ChunkValuesEqualLibpngs) {
  int timed = 0, texts = 0, keyed = 0;
  for (const std::string& name : SuiteFiles(false)) {
    SCOPED_TRACE(name);
    const TLibpngImage ref = ReadWithLibpng(PngSuiteDir() + name);
    TPngPicture png;
    png.LoadFromFile(PngSuiteDir() + name);
    auto* gama = png.ChunkList().ItemFromClass<TChunkgAMA>();
    ASSERT_EQ(gama != nullptr, ref.hasGamma);
    if (gama != nullptr) {
      EXPECT_EQ(gama->Value(), ref.gamma);
    }
    if (auto* t = png.ChunkList().ItemFromClass<TChunktIME>()) {
      ASSERT_TRUE(ref.hasTime);
      EXPECT_EQ(t->Year, ref.year);
      EXPECT_EQ(t->Month, ref.month);
      EXPECT_EQ(t->Day, ref.day);
      EXPECT_EQ(t->Hour, ref.hour);
      EXPECT_EQ(t->Minute, ref.minute);
      EXPECT_EQ(t->Second, ref.second);
      ++timed;
    }
    std::vector<std::pair<std::string, std::string>> ours, theirs;
    for (std::uint32_t i = 0; i < png.ChunkList().Count(); ++i)
      if (auto* t = dynamic_cast<TChunktEXt*>(png.ChunkList().Item(i)))
        ours.emplace_back(t->Keyword, t->Text);
    for (const auto& t : ref.texts)
      if (t.compression <= 0) theirs.emplace_back(t.key, t.text); // iTXt is unknown here
    EXPECT_EQ(ours, theirs);
    texts += int(ours.size());
    if (png.TransparencyKind() == 1) {
      const std::vector<std::uint8_t> g = GammaTable(ref.hasGamma ? ref.gamma : 0);
      std::uint32_t expected = 0;
      if (ref.colorType == 0) {
        const int v = ref.depth == 16   ? ref.trnsGrey >> 8
                      : ref.depth == 2  ? ref.trnsGrey * 85
                      : ref.depth == 4  ? ref.trnsGrey * 17
                      : ref.depth == 1  ? ref.trnsGrey * 255
                                        : ref.trnsGrey;
        expected = RGB(g[v], g[v], g[v]);
      } else if (ref.colorType == 2) {
        auto c = [&](int s) { return g[ref.depth == 16 ? s >> 8 : s]; };
        expected = RGB(c(ref.trnsR), c(ref.trnsG), c(ref.trnsB));
      }
      if (ref.colorType != 3) {
        EXPECT_EQ(png.TransparentKeyColor(), expected);
      }
      ++keyed;
    }
  }
  EXPECT_GT(timed, 0);
  EXPECT_GT(texts, 10);
  EXPECT_GT(keyed, 5);
}

TEST(PngDecode, TextsOfTheExceptions) {
  TPngPicture png;
  try {
    LoadBytes(png, {1, 2, 3});
    FAIL();
  } catch (const EPNGInvalidFileHeader& e) {
    EXPECT_EQ(e.Message(), PngTexts::InvalidFileHeader);
  }
  EXPECT_EQ(std::string(PngTexts::InvalidFileHeader),
            "The file being readed is not a valid \"Portable Network Graphics\" image because it "
            "contains an invalid header. This file may be corruped, try obtaining it again.");
  EXPECT_THROW(png.HeaderChunk(), EPNGHeaderNotPresent);
  EXPECT_THROW(png.SetWidth(3), EPngError);
  EXPECT_EQ(PngTexts::ZlibResult(-3), "data error (-3)");
}

TEST(PngDecode, StreamAndChunkEdgeCases) {
  const auto end = Chunk("IEND", {});
  // a 2x1 8-bit grey image, one IDAT
  std::vector<std::uint8_t> rows = {0, 10, 20};
  std::string packed, message;
  ASSERT_TRUE(DeflateText(rows.data(), rows.size(), 6, packed, message));
  const std::vector<std::uint8_t> z(packed.begin(), packed.end());
  const auto ihdr = Ihdr(2, 1, 8, 0);
  struct TRow {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::function<void(TPngPicture&)> check;
  };
  auto pixels = [](TPngPicture& p) {
    EXPECT_EQ(p.ReadPixel(0, 0), RGB(10, 10, 10));
    EXPECT_EQ(p.ReadPixel(1, 0), RGB(20, 20, 20));
  };
  std::vector<std::vector<std::uint8_t>> singles;
  for (std::uint8_t b : z) singles.push_back(Chunk("IDAT", {b}));
  std::vector<std::uint8_t> split = Concat({Signature(), ihdr});
  for (const auto& c : singles) split.insert(split.end(), c.begin(), c.end());
  split.insert(split.end(), end.begin(), end.end());
  const std::vector<TRow> good = {
      {"one IDAT", Concat({Signature(), ihdr, Chunk("IDAT", z), end}), pixels},
      {"IDATs of one byte", split,
       [&](TPngPicture& p) {
         pixels(p);
         int idats = 0;
         for (std::uint32_t i = 0; i < p.ChunkList().Count(); ++i)
           idats += p.ChunkList().Item(i)->ChunkTypeText() == "IDAT";
         EXPECT_EQ(idats, 1);
       }},
      {"cHRM dropped, sBIT kept",
       Concat({Signature(), ihdr, Chunk("cHRM", std::vector<std::uint8_t>(32, 1)),
               Chunk("sBIT", {5}), Chunk("IDAT", z), end}),
       [&](TPngPicture& p) {
         ASSERT_EQ(p.ChunkList().Count(), 4u);
         EXPECT_EQ(p.ChunkList().Item(1)->ChunkTypeText(), "sBIT");
         EXPECT_EQ(p.ChunkList().Item(1)->Data()[0], 5);
       }},
      {"tEXt without a zero byte: all keyword",
       Concat({Signature(), ihdr, Chunk("tEXt", {'a', 'b', 'c', 'd'}), Chunk("IDAT", z), end}),
       [&](TPngPicture& p) {
         auto* t = p.ChunkList().ItemFromClass<TChunktEXt>();
         EXPECT_EQ(t->Keyword, "abcd");
         EXPECT_EQ(t->Text, "");
       }},
      {"zTXt without a zero byte",
       Concat({Signature(), ihdr, Chunk("zTXt", {'a', 'b', 'c', 'd'}), Chunk("IDAT", z), end}),
       [&](TPngPicture& p) { EXPECT_EQ(p.ChunkList().ItemFromClass<TChunktEXt>()->Text, ""); }},
      {"tRNS of one byte on grey reads the padded table",
       Concat({Signature(), ihdr, Chunk("tRNS", {0}), Chunk("IDAT", z), end}),
       [&](TPngPicture& p) { EXPECT_EQ(p.TransparentKeyColor(), RGB(255, 255, 255)); }},
      {"junk after the zlib stream",
       Concat({Signature(), ihdr, Chunk("IDAT", Concat({z, std::vector<std::uint8_t>(300000, 7)})),
               end}),
       pixels},
      {"no IEND after the image data", Concat({Signature(), ihdr, Chunk("IDAT", z)}), nullptr},
  };
  for (const TRow& r : good) {
    SCOPED_TRACE(r.name);
    TPngPicture png;
    if (r.check) {
      ASSERT_NO_THROW(LoadBytes(png, r.bytes));
      r.check(png);
    } else {
      EXPECT_THROW(LoadBytes(png, r.bytes), EPngUnexpectedEnd);
    }
  }
  // errors
  auto badCrc = Concat({Signature(), ihdr, Chunk("IDAT", z), end});
  badCrc[8 + 25 + 8 + z.size()] ^= 1;
  auto lowerIhdr = Concat({Signature(), Chunk("iHDR", {}), end});
  auto huge = Concat({Signature(), ihdr, Chunk("tEXt", {}), end});
  // tEXt length 0xFFFFFFFF
  huge[8 + 25] = huge[8 + 25 + 1] = huge[8 + 25 + 2] = huge[8 + 25 + 3] = 0xFF;
  auto sizeRow = Concat({Signature(), Ihdr(65535, 65535, 8, 2), Chunk("IDAT", z), end});
  auto paletteless = Concat({Signature(), Ihdr(2, 1, 8, 3), Chunk("IDAT", z), end});
  TPngPicture png;
  EXPECT_THROW(LoadBytes(png, badCrc), EPngInvalidCRC);
  EXPECT_THROW(LoadBytes(png, lowerIhdr), EPNGIHDRNotFirst);
  EXPECT_THROW(LoadBytes(png, Concat({Signature(), ihdr})), EPngUnexpectedEnd);
  EXPECT_EQ(png.ChunkList().Count(), 1u);
  EXPECT_THROW(LoadBytes(png, huge), EPngUnexpectedEnd);
  EXPECT_THROW(LoadBytes(png, sizeRow), EPNGSizeExceeds);
  EXPECT_THROW(LoadBytes(png, paletteless), EPNGInvalidPalette);
  EXPECT_THROW(LoadBytes(png, Concat({Signature(), ihdr, Chunk("ABCD", {}), end})),
               EPNGUnknownCriticalChunk);
  EXPECT_THROW(LoadBytes(png, Concat({Signature(), Chunk("IHDR", std::vector<std::uint8_t>(12)),
                                      end})),
               EPngInvalidIHDR);
  EXPECT_THROW(LoadBytes(png, Concat({Signature(), Ihdr(2, 1, 8, 0), Chunk("IDAT", {1, 2, 3}),
                                      end})),
               EPNGZLIBError);
  // width above 65535 is checked before a bad compression method
  auto both = Ihdr(65536, 1, 8, 0);
  both[8 + 10] = 1;
  const std::uint32_t crc = PngCrc(both.data() + 4, both.data() + 8, 13);
  both[21] = std::uint8_t(crc >> 24), both[22] = std::uint8_t(crc >> 16);
  both[23] = std::uint8_t(crc >> 8), both[24] = std::uint8_t(crc);
  EXPECT_THROW(LoadBytes(png, Concat({Signature(), both, end})), EPNGSizeExceeds);
}

TEST(PngDecode, IdatWhoseChecksumNeedsASecondRead) {
  // one stored block: the rows end inside the first 65535 bytes of the
  // chunk, its Adler-32 lies in the second read
  const std::uint32_t w = 65527;
  std::vector<std::uint8_t> rows(std::size_t(w) + 1, 0);
  for (std::size_t i = 1; i < rows.size(); ++i) rows[i] = std::uint8_t(i * 7);
  const std::uint16_t n = std::uint16_t(rows.size());
  std::vector<std::uint8_t> z = {0x78, 0x01, 0x01, std::uint8_t(n), std::uint8_t(n >> 8),
                                 std::uint8_t(~n), std::uint8_t(~n >> 8)};
  z.insert(z.end(), rows.begin(), rows.end());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : rows) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  const std::uint32_t adler = (b << 16) | a;
  z.insert(z.end(), {std::uint8_t(adler >> 24), std::uint8_t(adler >> 16),
                     std::uint8_t(adler >> 8), std::uint8_t(adler)});
  ASSERT_EQ(z.size(), 65539u);
  const auto bytes = Concat({Signature(), Ihdr(w, 1, 8, 0), Chunk("IDAT", z), Chunk("IEND", {})});
  TPngPicture png;
  ASSERT_NO_THROW(LoadBytes(png, bytes));
  const std::uint8_t last = std::uint8_t(w * 7);
  EXPECT_EQ(png.ReadPixel(int(w) - 1, 0), RGB(last, last, last));
  EXPECT_TRUE(ReadWithLibpng(bytes).ok);
}

TEST(PngDecode, CompressedTextStopsAtItsLimit) {
  std::vector<std::uint8_t> big(std::size_t(PngMaxTextBytes) + 4096, 'x');
  std::string packed, message, out;
  ASSERT_TRUE(DeflateText(big.data(), big.size(), 9, packed, message));
  EXPECT_FALSE(InflateText(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size(),
                           out, message));
  EXPECT_TRUE(out.empty());
  std::vector<std::uint8_t> small(1000, 'y');
  ASSERT_TRUE(DeflateText(small.data(), small.size(), 9, packed, message));
  ASSERT_TRUE(InflateText(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size(),
                          out, message));
  EXPECT_EQ(out, std::string(1000, 'y'));
}

TEST(PngDecode, GammaTablesAndTheGreyRampOfTwoBits) {
  TPngPicture png;
  png.LoadFromFile(PngSuiteDir() + "basn0g02.png");
  // gAMA 100000: (128/255)^(1/2.2) × 255 = 186
  EXPECT_EQ(png.DecodingGamma[128], 186);
  EXPECT_EQ(png.EncodingGamma[186], 128);
  // a 2-bit grey row byte 11 10 01 00 is stored in 4-bit steps of five
  const TChunkIHDR& h = png.HeaderChunk();
  EXPECT_EQ(h.BufferBits(), 4);
  const auto* row = const_cast<TChunkIHDR&>(h).ImageRow(0);
  const int first = row[0] >> 4;
  EXPECT_EQ(first % 5, 0);
}

TEST(PngDecode, APresetDictionaryIsRefusedNotWaitedFor) {
  // zlib header 78 3F asks for a preset dictionary: inflate would return
  // "need dictionary" forever without reading
  const std::vector<std::uint8_t> z = {0x78, 0x3F, 0xDA, 0xB5, 0xD1, 0x4B, 0x0E, 0x80, 0x20};
  TPngPicture png;
  try {
    LoadBytes(png, Concat({Signature(), Ihdr(2, 1, 8, 0), Chunk("IDAT", z), Chunk("IEND", {})}));
    FAIL() << "loaded";
  } catch (const EPNGZLIBError& e) {
    EXPECT_EQ(e.Message(), std::string(PngTexts::ZLIBError) + "need dictionary (2)");
  }
  std::string out, message;
  EXPECT_FALSE(InflateText(z.data(), z.size(), out, message));
  EXPECT_TRUE(out.empty());
}

TEST(PngDecode, RowsOfTheEdgeCases) {
  auto image = [](std::uint32_t w, std::uint32_t h, int depth, int type, int interlace,
                  const std::vector<std::uint8_t>& raw, std::vector<std::uint8_t> extra = {}) {
    std::string packed, message;
    EXPECT_TRUE(DeflateText(raw.data(), raw.size(), 6, packed, message));
    return Concat({Signature(), Ihdr(w, h, depth, type, interlace), extra,
                   Chunk("IDAT", std::vector<std::uint8_t>(packed.begin(), packed.end())),
                   Chunk("IEND", {})});
  };
  TPngPicture png;
  // 2-bit grey samples 3 2 1 0 become 4-bit steps of five: 0xFA 0x50
  LoadBytes(png, image(4, 1, 2, 0, 0, {0, 0b11100100}));
  EXPECT_EQ(png.HeaderChunk().ImageRow(0)[0], 0xFA);
  EXPECT_EQ(png.HeaderChunk().ImageRow(0)[1], 0x50);
  // a 16-bit truecolour pixel keeps the high bytes, blue first
  LoadBytes(png, image(1, 1, 16, 2, 0, {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
  const std::uint8_t* p = png.HeaderChunk().ImageRow(0);
  EXPECT_EQ(p[0], 0x9A);
  EXPECT_EQ(p[1], 0x56);
  EXPECT_EQ(p[2], 0x12);
  // 1 × 1 Adam7: pass 1 alone
  LoadBytes(png, image(1, 1, 8, 0, 1, {0, 77}));
  EXPECT_EQ(png.ReadPixel(0, 0), RGB(77, 77, 77));
  // a Paeth first row is a Sub row
  LoadBytes(png, image(3, 1, 8, 0, 0, {4, 10, 5, 5}));
  EXPECT_EQ(png.ReadPixel(2, 0), RGB(20, 20, 20));
  // a key of grey 0x0040 on 8 bits
  LoadBytes(png, image(1, 1, 8, 0, 0, {0, 1}, Chunk("tRNS", {0, 0x40})));
  EXPECT_EQ(png.TransparentKeyColor(), RGB(64, 64, 64));
  EXPECT_EQ(png.TransparencyKind(), 1);
  // palette tRNS 255 255 0 255: one key, entry 2; 0 128: graded
  const auto plte = Chunk("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  LoadBytes(png, image(1, 1, 8, 3, 0, {0, 1}, Concat({plte, Chunk("tRNS", {255, 255, 0, 255})})));
  EXPECT_EQ(png.TransparencyKind(), 1);
  EXPECT_EQ(png.TransparentKeyColor(), RGB(7, 8, 9));
  LoadBytes(png, image(1, 1, 8, 3, 0, {0, 1}, Concat({plte, Chunk("tRNS", {0, 128})})));
  EXPECT_EQ(png.TransparencyKind(), 2);
  // PLTE of 770 or 771 bytes
  EXPECT_THROW(LoadBytes(png, image(1, 1, 8, 3, 0, {0, 1}, Chunk("PLTE", std::vector<std::uint8_t>(770)))),
               EPNGInvalidPalette);
  EXPECT_THROW(LoadBytes(png, image(1, 1, 8, 3, 0, {0, 1}, Chunk("PLTE", std::vector<std::uint8_t>(771)))),
               EPNGInvalidPalette);
}

TEST(PngDecode, TextTimeAndHeaderChunksWriteBackTheirFields) {
  std::string packed, message;
  const std::vector<std::uint8_t> raw = {0, 1};
  ASSERT_TRUE(DeflateText(raw.data(), raw.size(), 6, packed, message));
  const auto idat = Chunk("IDAT", std::vector<std::uint8_t>(packed.begin(), packed.end()));
  const auto text = Chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'M', 'a', 'p'});
  const auto time = Chunk("tIME", {0x07, 0xD3, 5, 6, 7, 8, 9});
  const auto ztxt = Chunk("zTXt", {'K', 0, 0, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  TPngPicture png;
  LoadBytes(png, Concat({Signature(), Ihdr(1, 1, 8, 0), text, time, ztxt, idat, Chunk("IEND", {})}));
  auto* t = png.ChunkList().ItemFromClass<TChunktEXt>();
  EXPECT_EQ(t->Keyword, "Title");
  EXPECT_EQ(t->Text, "Map");
  auto* when = png.ChunkList().ItemFromClass<TChunktIME>();
  EXPECT_EQ(when->Year, 2003);
  TMemoryStream out;
  png.SaveToStream(out);
  const std::vector<std::uint8_t> saved(out.Memory(), out.Memory() + out.Size());
  EXPECT_NE(std::search(saved.begin(), saved.end(), text.begin(), text.end()), saved.end());
  EXPECT_NE(std::search(saved.begin(), saved.end(), time.begin(), time.end()), saved.end());
  // the empty zTXt text is saved as one space
  const TLibpngImage back = ReadWithLibpng(saved);
  ASSERT_TRUE(back.ok);
  ASSERT_EQ(back.texts.size(), 2u);
  EXPECT_EQ(back.texts[1].key, "K");
  EXPECT_EQ(back.texts[1].text, " ");
}
