// Damaged exchange input: the samples, every prefix of good blobs and a
// seeded mutation run per reader. Every input gives a shape or one of the
// runtime's exceptions: never a crash, a hang or a sanitizer report.
// SK_FUZZ_ITERATIONS sets the mutations per reader and SK_FUZZ_SEED offsets
// the seeds (long runs by hand).
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

#include "GeometryTestSupport.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Format.h"

namespace {

int FuzzIterations() {
  const char* text = std::getenv("SK_FUZZ_ITERATIONS");
  return text != nullptr ? StrToIntDef(text, 3000) : 3000;
}

unsigned FuzzSeed(unsigned seed) {
  const char* text = std::getenv("SK_FUZZ_SEED");
  return seed + static_cast<unsigned>(text != nullptr ? StrToIntDef(text, 0) : 0);
}

TBytes FileBytes(const std::string& relative) {
  const std::string s = ReadFile(DataPath(relative));
  return TBytes(s.begin(), s.end());
}

/// Whether every coordinate has a text form that reads back: finite, and
/// not so near the end of the double range that its 15 written digits round
/// beyond it.
bool AllWritable(TGIS_Shape& shape) {
  for (const auto& part : PartsOf(shape))
    for (const TGIS_Point& p : part)
      if (!(std::fabs(p.X) <= 1e300) || !(std::fabs(p.Y) <= 1e300)) return false;
  return true;
}

std::size_t VertexCount(TGIS_Shape& shape) {
  std::size_t n = 0;
  for (const auto& part : PartsOf(shape))
    n += part.size();
  return n;
}

/// Whether the three exports of a shape read back: the binary form with the
/// class and every vertex, the others without an error. Shapes with
/// coordinates that have no text form only export.
bool ExportsReadBack(TGIS_Shape& shape) {
  TBytes wkb, gdo;
  shape.ExportToWKB(wkb);
  shape.ExportToGDO(gdo);
  const std::string wkt = shape.ExportToWKT();
  if (shape.IsEmpty() || !AllWritable(shape)) return true;
  try {
    auto back = GisCreateShapeFromWKB(wkb);
    if (back->ShapeType() != shape.ShapeType() || VertexCount(*back) != VertexCount(shape))
      return false;
    (void)GisCreateShapeFromGDO(gdo);
    (void)GisCreateShapeFromWKT(wkt);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

/// Reads `bytes` with `reader`; a shape read must export again, and its
/// exports must read back. False when something other than the runtime's
/// exceptions came out, or an export did not read back.
template <typename R> bool SurvivesBytes(R&& reader, const TBytes& bytes) {
  try {
    std::unique_ptr<TGIS_Shape> shape = reader(bytes);
    if (shape != nullptr && !ExportsReadBack(*shape)) return false;
  } catch (const Exception&) {
  } catch (...) {
    return false;
  }
  return true;
}

/// One random damage: a byte changed, a 32-bit word set to an extreme, a
/// cut, or a stretch repeated.
TBytes Mutated(const TBytes& good, std::mt19937& rng) {
  TBytes b = good;
  if (b.empty()) return b;
  auto at = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  const int kinds = 1 + static_cast<int>(at(3));
  for (int k = 0; k < kinds; ++k) {
    switch (at(4)) {
    case 0:
      b[at(b.size())] = static_cast<std::uint8_t>(rng());
      break;
    case 1: {
      static const std::uint32_t extremes[] = {
          0, 1, 15, 16, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFCu, 0xFFC6u, 0xFFCBu};
      if (b.size() < 4) break;
      const std::uint32_t v = extremes[at(std::size(extremes))];
      const std::size_t p = at(b.size() - 3);
      for (int i = 0; i < 4; ++i)
        b[p + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
      break;
    }
    case 2:
      b.resize(at(b.size()));
      break;
    default: {
      const std::size_t p = at(b.size()), n = std::min<std::size_t>(at(64) + 1, b.size() - p);
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(p),
               b.begin() + static_cast<std::ptrdiff_t>(p),
               b.begin() + static_cast<std::ptrdiff_t>(p + n));
      break;
    }
    }
    if (b.empty()) break;
  }
  return b;
}

std::vector<TBytes> GoodWkb() {
  std::vector<TBytes> out{FileBytes("wkb/good.wkb")};
  for (const auto& row : TabLines(DataPath("wkb/exchange.txt"))) {
    out.push_back(BytesOfHex(row[2]));
    out.push_back(BytesOfHex(row[3]));
  }
  return out;
}

std::vector<TBytes> GoodGdo() {
  std::vector<TBytes> out{FileBytes("gdo/good.gdo")};
  for (const auto& row : TabLines(DataPath("wkb/exchange.txt"))) {
    out.emplace_back();
    GisCreateShapeFromWKT(row[1])->ExportToGDO(out.back());
  }
  return out;
}

auto ReadWkb = [](const TBytes& b) { return GisCreateShapeFromWKB(b); };
auto ReadGdo = [](const TBytes& b) { return GisCreateShapeFromGDO(b); };

const TParts kSampleParts = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}},
                             {{2, 2}, {4, 2}, {4, 4}, {2, 2}},
                             {{20, 0}, {20, 5}, {25, 5}, {20, 0}}};

} // namespace

TEST(GisGeometryDamaged, GoodSamplesReadAndDamagedOnesRaise) {
  const std::string text = ReadFile(DataPath("wkt/good.wkt"));
  EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromWKT(text)), kSampleParts));
  EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromWKB(FileBytes("wkb/good.wkb"))), kSampleParts));
  EXPECT_TRUE(SameParts(PartsOf(*GisCreateShapeFromGDO(FileBytes("gdo/good.gdo"))), kSampleParts));
  const std::string damaged = "0040 Error in geometry data";
  EXPECT_EQ(MessageOf([] { GisCreateShapeFromWKT(ReadFile(DataPath("wkt/damaged.wkt"))); }),
            damaged);
  EXPECT_EQ(MessageOf([] { GisCreateShapeFromWKB(FileBytes("wkb/damaged.wkb")); }), damaged);
  EXPECT_EQ(MessageOf([] { GisCreateShapeFromGDO(FileBytes("gdo/damaged.gdo")); }), damaged);
}

TEST(GisGeometryDamaged, InputsFoundByFuzzingReadAndExportAgain) {
  // Rings without vertices: the text form once wrote them as "()", which no
  // reader takes.
  struct Row {
    const char* file;
    std::function<std::unique_ptr<TGIS_Shape>(const TBytes&)> read;
  } rows[] = {
      {"wkb/regression-empty-ring.wkb", [](const TBytes& b) { return GisCreateShapeFromWKB(b); }},
      {"gdo/regression-empty-ring.gdo", [](const TBytes& b) { return GisCreateShapeFromGDO(b); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    auto shape = row.read(FileBytes(row.file));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->ShapeType(), gisShapeTypePolygon);
    EXPECT_EQ(PartsOf(*shape).back().size(), 0u) << "the last ring is empty";
    EXPECT_TRUE(ExportsReadBack(*shape));
  }
}

TEST(GisGeometryDamaged, EveryPrefixOfAGoodBlobRaisesOrReads) {
  for (const TBytes& good : GoodWkb())
    for (std::size_t n = 0; n < good.size(); ++n) {
      const TBytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
      // A cut record always misses bytes it announced.
      ASSERT_EQ(MessageOf([&] { GisCreateShapeFromWKB(cut); }), "0040 Error in geometry data");
    }
  for (const TBytes& good : GoodGdo())
    for (std::size_t n = 0; n < good.size(); ++n) {
      const TBytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
      ASSERT_TRUE(SurvivesBytes(ReadGdo, cut)) << n;
    }
}

TEST(GisGeometryDamaged, MutatedBlobsRaiseOrRead) {
  std::mt19937 rng(FuzzSeed(20261210));
  const int iterations = FuzzIterations();
  const std::vector<TBytes> wkb = GoodWkb(), gdo = GoodGdo();
  for (int i = 0; i < iterations; ++i) {
    const TBytes a = Mutated(wkb[rng() % wkb.size()], rng);
    ASSERT_TRUE(SurvivesBytes(ReadWkb, a)) << HexOf(a);
    const TBytes b = Mutated(gdo[rng() % gdo.size()], rng);
    ASSERT_TRUE(SurvivesBytes(ReadGdo, b)) << HexOf(b);
  }
}

TEST(GisGeometryDamaged, MutatedTextsRaiseOrRead) {
  std::mt19937 rng(FuzzSeed(7));
  std::vector<std::string> texts{ReadFile(DataPath("wkt/good.wkt"))};
  for (const auto& row : TabLines(DataPath("wkb/exchange.txt")))
    texts.push_back(row[1].substr(0, 400));
  const std::string alphabet = "()(), ,.-0123456789eE\r\nPOINTMULYGSR";
  const int iterations = FuzzIterations();
  for (int i = 0; i < iterations; ++i) {
    std::string t = texts[rng() % texts.size()];
    for (int k = 1 + static_cast<int>(rng() % 4); k > 0 && !t.empty(); --k) {
      const std::size_t p = rng() % t.size();
      switch (rng() % 3) {
      case 0:
        t[p] = alphabet[rng() % alphabet.size()];
        break;
      case 1:
        t.erase(p, 1 + rng() % 8);
        break;
      default:
        t.resize(p);
        break;
      }
    }
    const TBytes bytes(t.begin(), t.end());
    ASSERT_TRUE(SurvivesBytes(
        [](const TBytes& b) { return GisCreateShapeFromWKT(std::string(b.begin(), b.end())); },
        bytes))
        << t;
  }
}
