// A writer of Raster Product Format (MIL-STD-2411) product sets for the
// CADRG/CIB tests: a table of contents ("A.TOC", plain or wrapped in a
// NITF 2.0 file) and frame files with chosen codebooks, palettes of 216 or
// 217 colours and subframe masks, in either byte order. The pixels a frame
// must show follow from the same tables (RpfFrameSpec::Pixel).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gis/raster/RasterTestSupport.h"

namespace rpftest {

/// Bytes in the file's byte order.
struct TRpfOut {
  bool Big = true;
  std::string Bytes;
  void U8(int v) { Bytes += char(v & 0xFF); }
  void U16(int v) {
    if (Big) U8(v >> 8), U8(v);
    else U8(v), U8(v >> 8);
  }
  void U32(std::uint32_t v) {
    if (Big) U16(int(v >> 16)), U16(int(v & 0xFFFF));
    else U16(int(v & 0xFFFF)), U16(int(v >> 16));
  }
  void F64(double d) {
    std::uint8_t b[8];
    std::memcpy(b, &d, 8);
    for (int i = 0; i < 8; ++i)
      U8(Big ? b[7 - i] : b[i]);
  }
  void Text(const std::string& s, std::size_t n) {
    std::string t = s.substr(0, n);
    t.resize(n, ' ');
    Bytes += t;
  }
  std::size_t Size() const { return Bytes.size(); }
};

struct TRpfComponent {
  int Id;
  std::string Data;
};

/// An RPF file of components: header (48 bytes), location section, then the
/// components in order; offsets are from the start of the file. `nitf`
/// wraps it after "RPFHDR00048" inside a NITF 2.0 header.
inline std::string RpfFile(bool big, const std::string& name, const std::vector<TRpfComponent>& parts,
                           bool nitf) {
  std::string prefix;
  if (nitf) {
    prefix = "NITF02.00";
    prefix.resize(400, ' ');
    prefix += "RPFHDR00048";
  }
  const std::size_t header = prefix.size();
  const std::size_t location = header + 48;
  const std::size_t table = location + 14;
  std::size_t at = table + 10 * parts.size();
  TRpfOut o;
  o.Big = big;
  o.Bytes = prefix;
  o.U8(big ? 0 : 0xFF);
  o.U16(48);
  o.Text(std::string(name.size() < 12 ? 12 - name.size() : 0, ' ') + name, 12);
  o.U8('0');
  o.Text("MIL-STD-2411", 15);
  o.Text("19940101", 8);
  o.U8('U');
  o.Text("US", 2);
  o.Text("  ", 2);
  o.U32(std::uint32_t(location));
  // location section
  o.U16(int(14 + 10 * parts.size()));
  o.U32(14);
  o.U16(int(parts.size()));
  o.U16(10);
  std::uint32_t aggregate = 0;
  for (const auto& p : parts)
    aggregate += std::uint32_t(p.Data.size());
  o.U32(aggregate);
  for (const auto& p : parts) {
    o.U16(p.Id);
    o.U32(std::uint32_t(p.Data.size()));
    o.U32(std::uint32_t(at));
    at += p.Data.size();
  }
  for (const auto& p : parts)
    o.Bytes += p.Data;
  return o.Bytes;
}

/// A frame's tables, from which its pixels follow.
struct TRpfFrameSpec {
  int Seed = 0;
  int Colors = 216;               // 216 or 217
  bool GreyElements = false;      // 1-byte palette elements
  std::array<bool, 36> Missing{}; // a mask with these subframes missing
  bool Masked = false;
  int IndexModulus = 219; // 217: no index past the palette
  int PaletteSeed = -1;   // the palette's own seed (-1: Seed)
  /// The coverage section: NW, SW, NE, SE latitude/longitude, resolutions, intervals.
  std::array<double, 12> Coverage{46, 14, 45, 14, 46, 15, 45, 15, 100, 100, 1 / 1536.0, 1 / 1536.0};

  int Index(int r, int code, int x) const { return (code * 7 + r * 3 + x + Seed) % IndexModulus; }
  int Code(int sub, int cr, int cc) const { return (sub * 131 + cr * 64 + cc + Seed * 17) % 4096; }
  std::array<std::uint8_t, 3> Rgb(int i) const {
    if (GreyElements) return {std::uint8_t(i + 20), std::uint8_t(i + 20), std::uint8_t(i + 20)};
    if (i == 5 || i == 216) return {0, 0, 255}; // the transparent colour in the palette
    const int p = PaletteSeed >= 0 ? PaletteSeed : Seed;
    return {std::uint8_t(i + p), std::uint8_t(255 - i), std::uint8_t((i * 3 + p) & 0xFF)};
  }
  /// B,G,R of frame pixel (x, y) as the decoder must show it.
  std::array<std::uint8_t, 3> Pixel(int x, int y) const {
    const int sub = (y / 256) * 6 + x / 256;
    const std::array<std::uint8_t, 3> transparent{255, 0, 0};
    if (Masked && Missing[std::size_t(sub)]) return transparent;
    const int idx = Index(y % 4, Code(sub, (y % 256) / 4, (x % 256) / 4), x % 4);
    if (idx >= 216) return transparent;
    auto c = Rgb(idx);
    if (!GreyElements && c[0] == 0 && c[1] == 0 && c[2] == 255) c[2] = 254;
    return {c[2], c[1], c[0]};
  }
};

/// The components of a frame file, spatial data (140) last.
inline std::vector<TRpfComponent> RpfFrameComponents(const TRpfFrameSpec& f, bool big) {
  auto out = [big] {
    TRpfOut o;
    o.Big = big;
    return o;
  };
  std::vector<TRpfComponent> parts;
  {
    TRpfOut o = out(); // coverage
    for (double v : f.Coverage)
      o.F64(v);
    parts.push_back({130, o.Bytes});
  }
  {
    TRpfOut o = out(); // compression section
    o.U16(1), o.U16(4), o.U16(0);
    parts.push_back({131, o.Bytes});
  }
  {
    TRpfOut o = out(); // lookup subsection: 4 records, then the tables
    o.U32(6), o.U16(14);
    for (int t = 0; t < 4; ++t) {
      o.U16(t), o.U32(4096), o.U16(4), o.U16(8);
      o.U32(std::uint32_t(6 + 56 + t * 16384));
    }
    for (int t = 0; t < 4; ++t)
      for (int code = 0; code < 4096; ++code)
        for (int x = 0; x < 4; ++x)
          o.U8(f.Index(t, code, x));
    parts.push_back({132, o.Bytes});
  }
  {
    TRpfOut o = out(); // image description
    o.U16(1), o.U16(1), o.U16(1), o.U16(1), o.U16(6), o.U16(6);
    o.U32(256), o.U32(256);
    o.U32(f.Masked ? 0 : 0xFFFFFFFFu);
    o.U32(0xFFFFFFFFu);
    parts.push_back({136, o.Bytes});
  }
  {
    TRpfOut o = out(); // display parameters
    o.U32(64), o.U32(64), o.U8(12);
    parts.push_back({137, o.Bytes});
  }
  if (f.Masked) {
    TRpfOut o = out(); // subframe offsets, 0xFFFFFFFF for a missing one
    std::uint32_t next = 0;
    for (int k = 0; k < 36; ++k) {
      if (f.Missing[std::size_t(k)]) {
        o.U32(0xFFFFFFFFu);
      } else {
        o.U32(next);
        next += 6144;
      }
    }
    parts.push_back({138, o.Bytes});
  }
  {
    TRpfOut o = out(); // spatial data: the present subframes in row order
    for (int sub = 0; sub < 36; ++sub) {
      if (f.Masked && f.Missing[std::size_t(sub)]) continue;
      for (int cr = 0; cr < 64; ++cr)
        for (int cc = 0; cc < 64; cc += 2) {
          const int a = f.Code(sub, cr, cc), b = f.Code(sub, cr, cc + 1);
          o.U8(a >> 4), o.U8(((a & 0xF) << 4) | (b >> 8)), o.U8(b & 0xFF);
        }
    }
    parts.push_back({140, o.Bytes});
  }
  {
    TRpfOut o = out(); // colour/grayscale section: two tables, the first a histogram-only one
    o.U8(2), o.U8(0);
    o.Text("", 12);
    parts.push_back({134, o.Bytes});
  }
  {
    TRpfOut o = out(); // colormap subsection
    const int element = f.GreyElements ? 1 : 4;
    o.U32(6), o.U16(17);
    // a 32-colour table first, which the reader passes over
    o.U16(1), o.U32(32), o.U8(4), o.U16(0), o.U32(6 + 34), o.U32(0);
    o.U16(2), o.U32(std::uint32_t(f.Colors)), o.U8(element), o.U16(0), o.U32(6 + 34 + 32 * 4),
        o.U32(0);
    for (int i = 0; i < 32; ++i)
      o.U32(0x11223344u);
    for (int i = 0; i < f.Colors; ++i) {
      const auto c = f.Rgb(i);
      if (element == 1) {
        o.U8(c[0]);
      } else {
        o.U8(c[0]), o.U8(c[1]), o.U8(c[2]), o.U8(0);
      }
    }
    parts.push_back({135, o.Bytes});
  }
  // the spatial data last (a NITF file holds it as its image data)
  std::stable_partition(parts.begin(), parts.end(), [](const TRpfComponent& c) { return c.Id != 140; });
  return parts;
}

inline std::string RpfFrame(const TRpfFrameSpec& f, bool big, bool nitf) {
  return RpfFile(big, "FRAME", RpfFrameComponents(f, big), nitf);
}

/// Fixed-width NITF fields: text left-justified, numbers zero-padded.
inline std::string NitfText(const std::string& s, std::size_t n) {
  std::string t = s.substr(0, n);
  t.resize(n, ' ');
  return t;
}
inline std::string NitfNumber(std::int64_t v, std::size_t n) {
  std::string t = IntToStr(v);
  return std::string(n > t.size() ? n - t.size() : 0, '0') + t;
}
inline std::string NitfSecurity() {
  return "U" + NitfText("", 40) + NitfText("", 40) + NitfText("", 40) + NitfText("", 20) +
         NitfText("", 20) + NitfText("", 6);
}

/// A frame as a NITF 2.0 file the way CADRG frames are made: the RPF
/// header in the file header's user-defined data ("RPFHDR"), the location
/// section and the components in the image subheader's extension
/// ("RPFIMG"), the palette also as the band's lookup tables, and the
/// subframes (IC "C4") as the image data. Offsets are from the file start.
inline std::string RpfNitfFrame(const TRpfFrameSpec& f, const std::string& name) {
  std::vector<TRpfComponent> parts = RpfFrameComponents(f, true);
  const std::string spatial = parts.back().Data;
  parts.pop_back();
  std::size_t treLength = 14 + 10 * (parts.size() + 1);
  for (const auto& p : parts)
    treLength += p.Data.size();
  std::string lut[3];
  for (int i = 0; i < f.Colors; ++i) {
    const auto c = f.Rgb(i);
    for (int k = 0; k < 3; ++k)
      lut[k] += char(c[std::size_t(k)]);
  }
  auto subheader = [&](const std::string& tre) {
    std::string s = "IM" + NitfText("FRAME", 10) + NitfText("01000000ZJAN94", 14) + NitfText("", 17) +
                    NitfText("", 80) + NitfSecurity() + "0" + NitfText("", 42);
    s += NitfNumber(1536, 8) + NitfNumber(1536, 8) + "INT" + NitfText("RGB/LUT", 8) + NitfText("MAP", 8) +
         "08" + "R" + "G" + NitfText("", 60) + "0" + "C4" + NitfText("", 4) + "1" + "LU" +
         NitfText("", 6) + "N" + NitfText("", 3) + "3" + NitfNumber(f.Colors, 5) + lut[0] + lut[1] +
         lut[2];
    s += std::string("0") + "B" + "0006" + "0006" + "0256" + "0256" + "08" + "001" + "000" +
         "0000000000" + NitfText("1.0", 4) + "00000";
    const std::string ext = "RPFIMG" + NitfNumber(std::int64_t(tre.size()), 5) + tre;
    return s + NitfNumber(std::int64_t(ext.size()) + 3, 5) + "000" + ext;
  };
  auto fileHeader = [&](const std::string& rpfHeader, std::size_t subLength, std::size_t total) {
    const std::string user = "000" + std::string("RPFHDR") + NitfNumber(48, 5) + rpfHeader;
    std::string h = "NITF02.0003BF01" + NitfText("TEST", 10) + NitfText("01000000ZJAN94", 14) +
                    NitfText("", 80) + NitfSecurity() + NitfText("", 5) + NitfText("", 5) + "0" +
                    NitfText("", 27) + NitfText("", 18);
    const std::size_t length = h.size() + 12 + 6 + 3 + 6 + 10 + 15 + 5 + user.size() + 5;
    h += NitfNumber(std::int64_t(total), 12) + NitfNumber(std::int64_t(length), 6) + "001" +
         NitfNumber(std::int64_t(subLength), 6) + NitfNumber(std::int64_t(spatial.size()), 10) +
         "000000000000000" + NitfNumber(std::int64_t(user.size()), 5) + user + "00000";
    return h;
  };
  const std::size_t headerLength = fileHeader(std::string(48, ' '), 0, 0).size();
  const std::size_t subLength = subheader(std::string(treLength, ' ')).size();
  const std::size_t treStart = headerLength + subLength - treLength;
  const std::size_t imageStart = headerLength + subLength;
  TRpfOut tre;
  const std::size_t locationLength = 14 + 10 * (parts.size() + 1);
  tre.U16(int(locationLength)), tre.U32(14), tre.U16(int(parts.size() + 1)), tre.U16(10);
  tre.U32(std::uint32_t(treLength - locationLength + spatial.size()));
  std::size_t at = treStart + locationLength;
  for (const auto& p : parts) {
    tre.U16(p.Id), tre.U32(std::uint32_t(p.Data.size())), tre.U32(std::uint32_t(at));
    at += p.Data.size();
  }
  tre.U16(140), tre.U32(std::uint32_t(spatial.size())), tre.U32(std::uint32_t(imageStart));
  for (const auto& p : parts)
    tre.Bytes += p.Data;
  TRpfOut rpf;
  rpf.U8(0), rpf.U16(48), rpf.Text(std::string(12 - std::min<std::size_t>(12, name.size()), ' ') + name, 12);
  rpf.U8('0'), rpf.Text("MIL-STD-2411", 15), rpf.Text("19940101", 8), rpf.U8('U'), rpf.Text("US", 2),
      rpf.Text("  ", 2), rpf.U32(std::uint32_t(treStart));
  const std::string sub = subheader(tre.Bytes);
  return fileHeader(rpf.Bytes, sub.size(), imageStart + spatial.size()) + sub + spatial;
}

struct TRpfRect {
  std::string Type = "CADRG", Scale = "1:250K";
  double North = 46, West = 14, South = 45, East = 15;
  int FramesNS = 1, FramesEW = 1;
};

struct TRpfFrameRef {
  int Rect, Row, Column; // row counted from the south
  std::string Path, Name;
};

inline std::string RpfToc(const std::vector<TRpfRect>& rects, const std::vector<TRpfFrameRef>& frames,
                          bool big, bool nitf) {
  auto out = [big] {
    TRpfOut o;
    o.Big = big;
    return o;
  };
  std::vector<TRpfComponent> parts;
  {
    TRpfOut o = out();
    o.U32(0), o.U16(int(rects.size())), o.U16(132);
    parts.push_back({148, o.Bytes});
  }
  {
    TRpfOut o = out();
    for (const TRpfRect& r : rects) {
      o.Text(r.Type, 5), o.Text("55:1", 5), o.Text(r.Scale, 12), o.Text("2", 1), o.Text("TEST", 5);
      o.F64(r.North), o.F64(r.West), o.F64(r.South), o.F64(r.West), o.F64(r.North), o.F64(r.East),
          o.F64(r.South), o.F64(r.East);
      o.F64(100), o.F64(100), o.F64((r.North - r.South) / (1536.0 * r.FramesNS)),
          o.F64((r.East - r.West) / (1536.0 * r.FramesEW));
      o.U32(std::uint32_t(r.FramesNS)), o.U32(std::uint32_t(r.FramesEW));
    }
    parts.push_back({149, o.Bytes});
  }
  // path records after the index records, identified by their offsets
  std::vector<std::string> paths;
  std::vector<std::uint32_t> pathOffsets;
  const std::uint32_t afterIndex = std::uint32_t(33 * frames.size());
  std::string pathBytes;
  std::vector<std::uint32_t> frameOffsets;
  for (const auto& f : frames) {
    std::size_t i = 0;
    while (i < paths.size() && paths[i] != f.Path) ++i;
    if (i == paths.size()) {
      paths.push_back(f.Path);
      pathOffsets.push_back(afterIndex + std::uint32_t(pathBytes.size()));
      TRpfOut p = out();
      p.U16(int(f.Path.size()));
      p.Bytes += f.Path;
      pathBytes += p.Bytes;
    }
    frameOffsets.push_back(pathOffsets[i]);
  }
  {
    TRpfOut o = out();
    o.U8('U'), o.U32(0), o.U32(std::uint32_t(frames.size())), o.U16(int(paths.size())), o.U16(33);
    parts.push_back({150, o.Bytes});
  }
  {
    TRpfOut o = out();
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const auto& f = frames[i];
      o.U16(f.Rect), o.U16(f.Row), o.U16(f.Column), o.U32(frameOffsets[i]);
      o.Text(f.Name, 12), o.Text("ABCDEF", 6), o.U8('U'), o.Text("US", 2), o.Text("  ", 2);
    }
    o.Bytes += pathBytes;
    parts.push_back({151, o.Bytes});
  }
  return RpfFile(big, "A.TOC", parts, nitf);
}

} // namespace rpftest
