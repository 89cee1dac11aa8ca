// A small writer of uncompressed TIFF files for the tests (the fixtures the
// reference tools then compress, tile or re-order), and pictures to put in
// them: terrain-like samples, map-like palettes and text-like bilevel rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

/// An uncompressed image to write: chunky rows of `Samples` samples of
/// `Bits` bits each (bits of 1 and 4 packed, most significant first; 16 and
/// 32 in the file's byte order, which the writer produces from `Values`).
struct TTestTiff {
  int Width = 0, Height = 0, Samples = 1, Bits = 8, Photometric = 1;
  int RowsPerStrip = 0; // 0: one strip
  int SampleFormat = 1;
  bool BigEndian = false;
  std::vector<std::uint8_t> Packed;  // 1-, 4- and 8-bit rows, packed
  std::vector<double> Values;        // 16- and 32-bit samples
  std::vector<std::uint16_t> ColorMap;
  /// More fields: tag -> (type, raw little- or big-endian bytes written by the caller)
  std::map<int, std::pair<int, std::string>> Extra;

  int RowBytes() const { return (Width * Samples * Bits + 7) / 8; }
};

namespace tifftest {

/// A path quoted for the shell.
inline std::string Q(const std::string& s) { return "'" + s + "'"; }

inline void Put(std::string& s, std::uint64_t v, int bytes, bool be) {
  for (int i = 0; i < bytes; ++i) {
    const int shift = be ? 8 * (bytes - 1 - i) : 8 * i;
    s += char((v >> shift) & 0xFF);
  }
}

/// The stored bytes of the image's rows.
inline std::string PixelBytes(const TTestTiff& t) {
  std::string out;
  if (t.Bits <= 8) return std::string(t.Packed.begin(), t.Packed.end());
  for (double v : t.Values) {
    if (t.Bits == 16) {
      Put(out, std::uint16_t(std::int64_t(v)), 2, t.BigEndian);
    } else if (t.SampleFormat == 3) {
      const float f = float(v);
      std::uint32_t u;
      std::memcpy(&u, &f, 4);
      Put(out, u, 4, t.BigEndian);
    } else {
      Put(out, std::uint32_t(std::int64_t(v)), 4, t.BigEndian);
    }
  }
  return out;
}

/// The whole file.
inline std::string Write(const TTestTiff& t) {
  const bool be = t.BigEndian;
  const std::string pixels = PixelBytes(t);
  const int rps = t.RowsPerStrip > 0 ? t.RowsPerStrip : t.Height;
  const int strips = (t.Height + rps - 1) / rps;
  const std::size_t rowBytes = std::size_t(t.RowBytes());
  // entries: tag -> (type, count, value bytes)
  struct TField {
    int Type;
    std::uint32_t Count;
    std::string Bytes;
  };
  std::map<int, TField> f;
  auto shorts = [&](int tag, const std::vector<std::uint32_t>& v) {
    std::string b;
    for (std::uint32_t x : v)
      Put(b, x, 2, be);
    f[tag] = TField{3, std::uint32_t(v.size()), b};
  };
  auto longs = [&](int tag, const std::vector<std::uint32_t>& v) {
    std::string b;
    for (std::uint32_t x : v)
      Put(b, x, 4, be);
    f[tag] = TField{4, std::uint32_t(v.size()), b};
  };
  longs(256, {std::uint32_t(t.Width)});
  longs(257, {std::uint32_t(t.Height)});
  shorts(258, std::vector<std::uint32_t>(std::size_t(t.Samples), std::uint32_t(t.Bits)));
  shorts(259, {1});
  shorts(262, {std::uint32_t(t.Photometric)});
  shorts(277, {std::uint32_t(t.Samples)});
  longs(278, {std::uint32_t(rps)});
  shorts(284, {1});
  if (t.SampleFormat != 1)
    shorts(339, std::vector<std::uint32_t>(std::size_t(t.Samples), std::uint32_t(t.SampleFormat)));
  if (!t.ColorMap.empty()) shorts(320, std::vector<std::uint32_t>(t.ColorMap.begin(), t.ColorMap.end()));
  const int colour = t.Photometric == 2 ? 3 : 1;
  if (t.Samples > colour)
    shorts(338, std::vector<std::uint32_t>(std::size_t(t.Samples - colour), 2));
  for (const auto& [tag, v] : t.Extra)
    f[tag] = TField{v.first, std::uint32_t(v.second.size() / (v.first == 12 ? 8 : v.first == 3 ? 2 : v.first == 4 ? 4 : 1)), v.second};
  // strip tables are filled once the layout is known
  std::vector<std::uint32_t> offsets(static_cast<std::size_t>(strips)), counts(static_cast<std::size_t>(strips));
  longs(273, offsets);
  longs(279, counts);
  // layout: header, IFD, out-of-line values, pixel data
  const std::size_t ifdSize = 2 + 12 * f.size() + 4;
  std::size_t valuesAt = 8 + ifdSize;
  std::size_t dataSize = 0;
  for (auto& [tag, field] : f)
    if (field.Bytes.size() > 4) dataSize += (field.Bytes.size() + 1) / 2 * 2;
  const std::size_t pixelsAt = valuesAt + dataSize;
  for (int s = 0; s < strips; ++s) {
    const std::size_t rows = std::size_t(std::min(rps, t.Height - s * rps));
    offsets[std::size_t(s)] = std::uint32_t(pixelsAt + std::size_t(s) * std::size_t(rps) * rowBytes);
    counts[std::size_t(s)] = std::uint32_t(rows * rowBytes);
  }
  longs(273, offsets);
  longs(279, counts);
  std::string out = be ? "MM" : "II";
  Put(out, 42, 2, be);
  Put(out, 8, 4, be);
  Put(out, f.size(), 2, be);
  std::string values;
  for (auto& [tag, field] : f) {
    Put(out, std::uint32_t(tag), 2, be);
    Put(out, std::uint32_t(field.Type), 2, be);
    Put(out, field.Count, 4, be);
    if (field.Bytes.size() <= 4) {
      std::string v = field.Bytes;
      v.resize(4, '\0');
      out += v;
    } else {
      Put(out, valuesAt + values.size(), 4, be);
      values += field.Bytes;
      if (values.size() % 2) values += '\0';
    }
  }
  Put(out, 0, 4, be);
  out += values;
  out += pixels;
  return out;
}

/// A little xorshift generator (fixed seeds).
struct TRandom {
  std::uint32_t S;
  explicit TRandom(std::uint32_t seed) : S(seed ? seed : 1) {}
  std::uint32_t Next() {
    S ^= S << 13;
    S ^= S >> 17;
    S ^= S << 5;
    return S;
  }
};

/// Terrain-like 8-bit samples (smooth with some noise), `samples` per pixel.
inline TTestTiff Terrain(int w, int h, int samples, int photometric, std::uint32_t seed = 3) {
  TTestTiff t;
  t.Width = w;
  t.Height = h;
  t.Samples = samples;
  t.Photometric = photometric;
  TRandom r(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int s = 0; s < samples; ++s)
        t.Packed.push_back(std::uint8_t((x * 3 + y * 2 + s * 60) / 2 + (x * y) % 37 + int(r.Next() % 5)));
  return t;
}

/// Map-like palette indexes: flat areas with borders; a 256-entry colour map.
inline TTestTiff MapLike(int w, int h) {
  TTestTiff t;
  t.Width = w;
  t.Height = h;
  t.Photometric = 3;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int area = (x / 37 + (y / 23) * 3) % 9;
      t.Packed.push_back(std::uint8_t((x + y) % 41 == 0 ? 200 : area * 20));
    }
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i)
      t.ColorMap.push_back(std::uint16_t(((i * (c + 3) * 37) % 256) * 257));
  return t;
}

/// A white bilevel image (1 bit, WhiteIsZero: 1 is black).
inline TTestTiff BlankBilevel(int w, int h) {
  TTestTiff t;
  t.Width = w;
  t.Height = h;
  t.Bits = 1;
  t.Photometric = 0;
  t.Packed.assign(std::size_t((w + 7) / 8) * std::size_t(h), 0);
  return t;
}

/// Text-like bilevel rows (1 bit, WhiteIsZero: 1 is black).
inline TTestTiff TextLike(int w, int h, std::uint32_t seed = 5) {
  TTestTiff t = BlankBilevel(w, h);
  const int rowBytes = (w + 7) / 8;
  TRandom r(seed);
  for (int y = 0; y < h; ++y) {
    int x = 0;
    bool black = false;
    while (x < w) {
      const int run = black ? 1 + int(r.Next() % 6) : 1 + int(r.Next() % (y % 7 == 0 ? 3000 : 40));
      for (int i = x; i < std::min(w, x + run); ++i)
        if (black) t.Packed[std::size_t(y * rowBytes + i / 8)] |= std::uint8_t(0x80 >> (i % 8));
      x += run;
      black = !black;
    }
  }
  return t;
}

/// Bilevel shapes whose edges drift from row to row by up to four pixels,
/// with runs that appear and vanish: rows coded against the row above use
/// every vertical offset, pass mode and horizontal mode (1 bit, WhiteIsZero).
inline TTestTiff DriftingShapes(int w, int h, std::uint32_t seed = 7) {
  TTestTiff t = BlankBilevel(w, h);
  const int rowBytes = (w + 7) / 8;
  TRandom r(seed);
  std::vector<int> edges; // black from edges[2k] to edges[2k + 1]
  for (int y = 0; y < h; ++y) {
    std::vector<int> next;
    for (int e : edges)
      next.push_back(std::clamp(e + int(r.Next() % 9) - 4, 0, w));
    if (r.Next() % 3 == 0) { // a new shape
      const int at = int(r.Next() % std::uint32_t(w));
      next.push_back(at);
      next.push_back(std::min(w, at + 1 + int(r.Next() % 50)));
    }
    if (!next.empty() && r.Next() % 4 == 0) { // a shape ends
      const auto k = 2 * std::ptrdiff_t(r.Next() % std::uint32_t(next.size() / 2));
      next.erase(next.begin() + k, next.begin() + k + 2);
    }
    edges.clear();
    for (std::size_t k = 0; k + 1 < next.size(); k += 2)
      if (next[k] < next[k + 1]) {
        edges.push_back(next[k]);
        edges.push_back(next[k + 1]);
      }
    for (std::size_t k = 0; k + 1 < edges.size(); k += 2)
      for (int i = edges[k]; i < edges[k + 1]; ++i)
        t.Packed[std::size_t(y * rowBytes + i / 8)] |= std::uint8_t(0x80 >> (i % 8));
  }
  return t;
}

/// 16- or 32-bit grid values.
inline TTestTiff Grid(int w, int h, int bits, int sampleFormat, bool bigEndian = false) {
  TTestTiff t;
  t.Width = w;
  t.Height = h;
  t.Bits = bits;
  t.SampleFormat = sampleFormat;
  t.BigEndian = bigEndian;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double v = 100 + x * 7 + y * 3 + (x * y) % 11;
      if (sampleFormat == 2) v -= 400;
      if (sampleFormat == 3) v = v / 4.0 - 50.25;
      t.Values.push_back(v);
    }
  return t;
}

} // namespace tifftest
