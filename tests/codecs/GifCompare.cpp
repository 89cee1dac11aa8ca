#include "tests/codecs/GifCompare.h"

#include <algorithm>
#include <cstring>

#include "codecs/GifPicture.h"
#include "platform/rtl/Strings.h"

namespace gif_compare {

namespace {

// Reads the bytes of a file in order; a read past the end gives 0 and marks
// the cursor spent.
struct ByteCursor {
  const std::vector<std::uint8_t>& bytes;
  std::size_t pos = 0;
  bool spent = false;

  int Byte() {
    if (pos >= bytes.size()) {
      spent = true;
      return 0;
    }
    return bytes[pos++];
  }
  int Word() {
    const int lo = Byte();
    return lo | (Byte() << 8);
  }
  void Jump(std::size_t n) {
    if (bytes.size() - std::min(pos, bytes.size()) < n) spent = true;
    pos += n;
  }
  // The data of the sub-blocks up to the terminator, joined.
  std::vector<std::uint8_t> SubBlocks() {
    std::vector<std::uint8_t> out;
    while (!spent) {
      const int n = Byte();
      if (n == 0) break;
      const std::size_t end = std::min(bytes.size(), pos + std::size_t(n));
      out.insert(out.end(), bytes.begin() + std::ptrdiff_t(pos), bytes.begin() + std::ptrdiff_t(end));
      Jump(std::size_t(n));
    }
    return out;
  }
};

std::vector<std::uint8_t> ComparedTableBytes(TGIFColorMap& map) {
  if (map.Count() == 0) return {};
  std::vector<std::uint8_t> out(std::size_t(3) << map.BitsPerPixel(), 0);
  std::memcpy(out.data(), map.Data(), std::size_t(map.Count()) * 3);
  return out;
}

// Row of the k-th decoded row of an image of height h.
std::vector<int> DecodingRowOrder(int h, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < h; ++y) rows.push_back(y);
    return rows;
  }
  static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < h; y += kStep[pass]) rows.push_back(y);
  return rows;
}

std::string Bytes(const std::vector<std::uint8_t>& v) {
  std::string s;
  for (std::size_t i = 0; i < v.size() && i < 24; ++i) s += IntToStr(v[i]) + " ";
  return s + (v.size() > 24 ? "..." : "");
}

} // namespace

std::int64_t AgreedPixels(const std::vector<std::uint8_t>& codes, int m, std::int64_t pixels) {
  // giflib refuses code sizes above 8, which are read here as 8
  if (m > 8) return 0;
  const int clear = 1 << m, end = clear + 1;
  std::vector<std::int64_t> length(4096, 1);
  int next = clear + 2, size = m + 1, limit = 2 * clear, previous = 0;
  bool afterClear = true;
  std::size_t bit = 0;
  const std::size_t bits = codes.size() * 8;
  std::int64_t count = 0;
  while (count < pixels && bit + std::size_t(size) <= bits) {
    int code = 0;
    for (int k = 0; k < size; ++k, ++bit) code |= ((codes[bit >> 3] >> (bit & 7)) & 1) << k;
    if (code == clear) {
      next = clear + 2;
      size = m + 1;
      limit = 2 * clear;
      afterClear = true;
      continue;
    }
    if (afterClear) {
      // the first code must name a single pixel
      if (code > clear) return count;
      afterClear = false;
      previous = code;
      ++count;
      // below 2, the table is full before the first entry is made: giflib
      // widens the codes there, this decoder after the first entry (as
      // ImageMagick does; gifsicle calls such data corrupt)
      if (m < 2 && count < pixels) return count;
      continue;
    }
    if (code == end) break;
    if (code > next) return count;
    const std::int64_t made = length[std::size_t(previous)] + 1;
    count += code == next ? made : length[std::size_t(code)];
    if (next < 4096) {
      length[std::size_t(next++)] = made;
      if (next >= limit && limit < 4096) {
        limit *= 2;
        ++size;
      }
    }
    previous = code;
  }
  return -1;
}

namespace {

// Whether an extension block (the cursor just after its label) is one that
// the two readers are defined to read differently.
bool ReadDifferently(int label, const std::vector<std::uint8_t>& bytes, std::size_t pos) {
  const auto at = [&](std::size_t k) { return k < bytes.size() ? int(bytes[k]) : -1; };
  switch (label) {
  case 0xFE:
    return false;
  case 0xF9:
    return at(pos) != 4 || at(pos + 5) != 0;
  case 0x01:
    return at(pos) != 12;
  case 0xFF: {
    if (at(pos) != 11) return true;
    if (bytes.size() < pos + 12) return false;
    const char* id = reinterpret_cast<const char*>(bytes.data() + pos + 1);
    if (std::memcmp(id, "NETSCAPE2.0", 11) != 0 && std::memcmp(id, "ANIMEXTS1.0", 11) != 0)
      return false;
    // the looping data: a sub-block too short for its id's value
    for (std::size_t k = pos + 12; at(k) > 0; k += std::size_t(at(k)) + 1) {
      const int id7 = at(k + 1) & 7;
      if ((id7 == 1 && at(k) < 3) || (id7 == 2 && at(k) < 5)) return true;
    }
    return false;
  }
  default:
    return true;
  }
}

} // namespace

Scan ScanImages(const std::vector<std::uint8_t>& bytes) {
  Scan scan;
  ByteCursor in{bytes};
  in.Jump(10);
  const int packed = in.Byte();
  in.Jump(2);
  if ((packed & 0x80) != 0) in.Jump(std::size_t(3) << ((packed & 7) + 1));
  while (!in.spent) {
    const int introducer = in.Byte();
    if (in.spent) break;
    if (introducer == '!') {
      const int label = in.Byte();
      bool different = ReadDifferently(label, bytes, in.pos);
      // giflib's slurp reads one more length byte after an empty first
      // sub-block, so that it takes a valid empty extension's next block
      // for data
      if (in.pos < bytes.size() && bytes[in.pos] == 0) {
        different = true;
        in.Byte();
      }
      if (different && scan.agreedImages < 0) scan.agreedImages = int(scan.images.size());
      in.SubBlocks();
    } else if (introducer == ',') {
      ScannedImage image;
      image.left = in.Word();
      image.top = in.Word();
      image.width = in.Word();
      image.height = in.Word();
      const int flags = in.Byte();
      image.interlaced = (flags & 0x40) != 0;
      if ((flags & 0x80) != 0) in.Jump(std::size_t(3) << ((flags & 7) + 1));
      image.minCodeSize = in.Byte();
      if (in.spent) break;
      const std::vector<std::uint8_t> data = in.SubBlocks();
      image.agreedPixels =
          AgreedPixels(data, image.minCodeSize, std::int64_t(image.width) * image.height);
      scan.images.push_back(image);
    } else {
      break;
    }
  }
  return scan;
}

std::string FirstDifference(TGifPicture& ours, const gif_oracle::File& ref, const Scan* scan) {
  const bool alike = scan == nullptr || scan->agreedImages < 0;
  int frames = int(ref.frames.size());
  if (!alike) frames = std::min(frames, scan->agreedImages);
  // extensions after the last image make a frame without an image here
  const int ourFrames = ours.Frames().Count();
  const bool trailing = ourFrames == frames + 1 && ours.Frame(frames)->Width() == 0 &&
                        ours.Frame(frames)->Height() == 0;
  if (alike ? ourFrames != frames && !trailing : ourFrames < frames)
    return "frame count " + IntToStr(ourFrames) + " against " + IntToStr(frames);
  // the screen grows to hold every frame, as far as its 16 bits reach
  int width = ref.width, height = ref.height;
  for (const gif_oracle::Frame& g : ref.frames) {
    width = std::max(width, std::min(g.left + g.width, 0xFFFF));
    height = std::max(height, std::min(g.top + g.height, 0xFFFF));
  }
  if (alike && (ours.Width() != width || ours.Height() != height))
    return "screen " + IntToStr(ours.Width()) + "x" + IntToStr(ours.Height()) + " against " +
           IntToStr(width) + "x" + IntToStr(height);
  if (ComparedTableBytes(ours.GlobalColors()) != ref.globalMap) return "global colour table";
  int loops = -1;
  for (int i = 0; i < frames; ++i) {
    const std::string at = "frame " + IntToStr(i) + ": ";
    TGIFSubImage& f = *ours.Frame(i);
    const gif_oracle::Frame& g = ref.frames[std::size_t(i)];
    if (f.BoundsRect() != TRect(g.left, g.top, g.left + g.width, g.top + g.height))
      return at + "bounds";
    if (f.Interlaced() != g.interlaced) return at + "interlace";
    if ((f.LocalColors().Count() > 0 ? ComparedTableBytes(f.LocalColors()) : std::vector<std::uint8_t>()) !=
        g.localMap)
      return at + "local colour table";
    const std::int64_t compared =
        scan != nullptr && std::size_t(i) < scan->images.size() ? scan->images[std::size_t(i)].agreedPixels : -1;
    if (compared < 0) {
      if (f.Data() != g.pixels) return at + "pixels " + Bytes(f.Data()) + "against " + Bytes(g.pixels);
    } else {
      const int w = g.width;
      const std::vector<int> rows = DecodingRowOrder(g.height, g.interlaced);
      if (f.Data().size() != g.pixels.size()) return at + "pixel count";
      for (std::int64_t k = 0; k < compared && w > 0 && std::size_t(k / w) < rows.size(); ++k) {
        const std::size_t p = std::size_t(rows[std::size_t(k / w)]) * std::size_t(w) + std::size_t(k % w);
        if (f.Data()[p] != g.pixels[p]) return at + "pixel " + IntToStr(std::int64_t(p));
      }
    }
    if ((f.ControlExt() != nullptr) != g.hasGcb) return at + "control extension";
    std::vector<std::string> comments;
    for (int k = 0; k < f.ExtensionItems().Count(); ++k) {
      TGIFExtension* e = f.ExtensionItems().Extension(k);
      if (auto* c = dynamic_cast<TGIFCommentExtension*>(e)) {
        std::string joined;
        for (const std::string& s : c->Comment) joined += s;
        comments.push_back(joined);
      }
      if (auto* l = dynamic_cast<TGIFAppExtNSLoop*>(e)) loops = l->Loops;
    }
    if (comments != g.comments) return at + "comments";
    if (f.ControlExt() != nullptr) {
      const TGIFGraphicControlExtension& c = *f.ControlExt();
      if (c.Disposal() != g.disposal || c.Delay() != g.delay || c.UserInput() != g.userInput ||
          (f.Transparent() ? c.TransparentColorIndex() : -1) != g.transparent)
        return at + "control fields";
    }
  }
  if (trailing)
    for (int k = 0; k < ours.Frame(frames)->ExtensionItems().Count(); ++k)
      if (auto* l = dynamic_cast<TGIFAppExtNSLoop*>(ours.Frame(frames)->ExtensionItems().Extension(k)))
        loops = l->Loops;
  if (alike && loops != ref.loops) return "loop count " + IntToStr(loops) + " against " + IntToStr(ref.loops);
  return "";
}

} // namespace gif_compare
