// JPEG pictures on damaged and hostile input: data ending early, headers
// declaring more than the file can hold, CMYK; and the 8-bit output.
#include <cstdio>

#include "GraphicsTestUtil.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "platform/rtl/Streams.h"

namespace {

std::vector<std::uint8_t> Encode(int w, int h) {
  TBitmap b(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = std::uint8_t(x * 5 + y), p[1] = std::uint8_t(y * 3), p[2] = std::uint8_t((x ^ y) * 7);
    }
  return EncodeJpeg(b, 90, false);
}

void Load(TJPEGImage& j, const std::vector<std::uint8_t>& bytes) {
  TMemoryStream m;
  if (!bytes.empty()) m.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  m.SetPosition(0);
  j.LoadFromStream(m);
}

/// The bytes with the frame header's height and width replaced.
std::vector<std::uint8_t> WithSize(std::vector<std::uint8_t> d, int w, int h) {
  for (std::size_t i = 0; i + 8 < d.size(); ++i)
    if (d[i] == 0xFF && (d[i + 1] == 0xC0 || d[i + 1] == 0xC2)) {
      d[i + 5] = std::uint8_t(h >> 8), d[i + 6] = std::uint8_t(h);
      d[i + 7] = std::uint8_t(w >> 8), d[i + 8] = std::uint8_t(w);
      break;
    }
  return d;
}

std::vector<std::uint8_t> Progressive(const std::vector<std::uint8_t>& baseline) {
  char in[] = "/tmp/sk_jpeg_in_XXXXXX";
  const int fd = mkstemp(in);
  if (fd < 0) return {};
  FILE* f = fdopen(fd, "wb");
  std::fwrite(baseline.data(), 1, baseline.size(), f);
  std::fclose(f);
  const std::string cmd = "jpegtran -progressive '" + std::string(in) + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  std::vector<std::uint8_t> out;
  if (p != nullptr) {
    std::uint8_t buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
      out.insert(out.end(), buf, buf + n);
    pclose(p);
  }
  std::remove(in);
  return out;
}

} // namespace

TEST(JpegDamage, DataEndingEarlyRaisesWithTheDecoderMessage) {
  const std::vector<std::uint8_t> good = Encode(64, 48);
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + long(good.size() * 2 / 3));
  TJPEGImage j;
  Load(j, cut); // the header is whole
  EXPECT_EQ(j.Width(), 64);
  try {
    j.DIBNeeded();
    FAIL() << "decoded a cut file";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.Message()).find("Premature end of JPEG file"), std::string::npos)
        << e.Message();
  }
  TBitmap target;
  EXPECT_THROW(j.DecodeInto(target), EInvalidGraphic);
}

TEST(JpegDamage, HeadersDeclaringMoreThanTheFileHoldsAreRefusedAtLoad) {
  const std::vector<std::uint8_t> good = Encode(16, 16);
  struct Row {
    std::string name;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Row> rows = {{"baseline 16384 square", WithSize(good, 16384, 16384)},
                           {"baseline 4000 x 3000", WithSize(good, 4000, 3000)}};
  const std::vector<std::uint8_t> prog = Progressive(good);
  if (!prog.empty()) rows.push_back({"progressive 16384 square", WithSize(prog, 16384, 16384)});
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TJPEGImage j;
    EXPECT_THROW(Load(j, r.bytes), EInvalidGraphic);
    EXPECT_TRUE(j.Empty());
  }
  // a legitimate file of the same kind still loads and decodes
  TJPEGImage ok;
  Load(ok, good);
  EXPECT_NO_THROW(ok.DIBNeeded());
  if (!prog.empty()) {
    TJPEGImage p;
    Load(p, prog);
    EXPECT_NO_THROW(p.DIBNeeded());
  }
}

TEST(JpegDamage, EmptyHeaderCutAndCmykFilesRaise) {
  const std::vector<std::uint8_t> good = Encode(8, 8);
  TJPEGImage j;
  EXPECT_THROW(Load(j, {}), EInvalidGraphic);
  EXPECT_THROW(Load(j, std::vector<std::uint8_t>(good.begin(), good.begin() + 60)),
               EInvalidGraphic);
  char path[] = "/tmp/sk_cmyk_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string jpg = std::string(path) + ".jpg";
  if (std::system(
          ("convert -size 8x8 xc:red -colorspace CMYK '" + jpg + "' 2>/dev/null").c_str()) == 0) {
    EXPECT_THROW(j.LoadFromFile(jpg), EInvalidGraphic);
  }
  std::remove(jpg.c_str());
  std::remove(path);
}

TEST(JpegDamage, EightBitScreensDecodeGreyLevels) {
  auto saved = JpegScreenBitsHook();
  JpegScreenBitsHook() = [] { return 8; };
  TJPEGImage j;
  JpegScreenBitsHook() = saved;
  EXPECT_EQ(j.PixelFormat(), jf8Bit);
  Load(j, Encode(10, 6));
  TBitmap grey;
  j.DecodeInto(grey);
  EXPECT_EQ(grey.PixelFormat(), pf8bit);
  EXPECT_EQ(grey.Width(), 10);
  j.SetPixelFormat(jf24Bit);
  TBitmap colour;
  j.DecodeInto(colour);
  EXPECT_EQ(colour.PixelFormat(), pf24bit);
  // grey = 0.299 R + 0.587 G + 0.114 B of the colour decode, within rounding
  for (int x = 0; x < 10; ++x) {
    const std::uint8_t* c = colour.ScanLine(3) + 3 * x;
    const double y = 0.299 * c[2] + 0.587 * c[1] + 0.114 * c[0];
    EXPECT_NEAR(grey.ScanLine(3)[x], y, 3.0) << x;
  }
}
