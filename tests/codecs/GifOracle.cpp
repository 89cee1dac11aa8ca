#include "tests/codecs/GifOracle.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace gif_oracle {

namespace {

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const std::size_t take = std::min<std::size_t>(std::size_t(n), r->bytes->size() - r->pos);
  if (take > 0) std::memcpy(out, r->bytes->data() + r->pos, take);
  r->pos += take;
  return int(take);
}

std::vector<std::uint8_t> MapBytes(const ColorMapObject* map) {
  std::vector<std::uint8_t> out;
  if (map == nullptr) return out;
  for (int i = 0; i < map->ColorCount; ++i) {
    out.push_back(map->Colors[i].Red);
    out.push_back(map->Colors[i].Green);
    out.push_back(map->Colors[i].Blue);
  }
  return out;
}

void ReadBlocks(File& file, Frame* frame, int count, const ExtensionBlock* blocks) {
  for (int i = 0; i < count; ++i) {
    const ExtensionBlock& b = blocks[i];
    if (b.Function == COMMENT_EXT_FUNC_CODE && frame != nullptr) {
      // giflib keeps each further sub-block as a continuation block
      std::string text(reinterpret_cast<const char*>(b.Bytes), std::size_t(b.ByteCount));
      for (int k = i + 1; k < count && blocks[k].Function == CONTINUE_EXT_FUNC_CODE; ++k)
        text.append(reinterpret_cast<const char*>(blocks[k].Bytes), std::size_t(blocks[k].ByteCount));
      frame->comments.push_back(text);
    } else if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
               (std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0 ||
                std::memcmp(b.Bytes, "ANIMEXTS1.0", 11) == 0)) {
      // every sub-block with id 1 sets the count, the last one holds; a
      // looping block without one counts 0
      file.loops = 0;
      for (int k = i + 1; k < count && blocks[k].Function == CONTINUE_EXT_FUNC_CODE; ++k)
        if (blocks[k].ByteCount >= 3 && (blocks[k].Bytes[0] & 7) == 1)
          file.loops = blocks[k].Bytes[1] | (blocks[k].Bytes[2] << 8);
    }
  }
}

} // namespace

File Slurp(const std::vector<std::uint8_t>& bytes) {
  File file;
  Reader reader{&bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
  if (gif == nullptr) {
    file.error = error;
    return file;
  }
  file.ok = DGifSlurp(gif) == GIF_OK;
  file.error = gif->Error;
  file.width = gif->SWidth;
  file.height = gif->SHeight;
  file.background = gif->SBackGroundColor;
  file.globalMap = MapBytes(gif->SColorMap);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    Frame f;
    f.left = s.ImageDesc.Left;
    f.top = s.ImageDesc.Top;
    f.width = s.ImageDesc.Width;
    f.height = s.ImageDesc.Height;
    f.interlaced = s.ImageDesc.Interlace;
    f.localMap = MapBytes(s.ImageDesc.ColorMap);
    if (s.RasterBits != nullptr)
      f.pixels.assign(s.RasterBits, s.RasterBits + std::size_t(f.width) * std::size_t(f.height));
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      for (int k = 0; k < s.ExtensionBlockCount; ++k)
        if (s.ExtensionBlocks[k].Function == GRAPHICS_EXT_FUNC_CODE) f.hasGcb = true;
      f.disposal = gcb.DisposalMode;
      f.delay = gcb.DelayTime;
      f.transparent = gcb.TransparentColor;
      f.userInput = gcb.UserInputFlag;
    }
    ReadBlocks(file, &f, s.ExtensionBlockCount, s.ExtensionBlocks);
    file.frames.push_back(std::move(f));
  }
  ReadBlocks(file, nullptr, gif->ExtensionBlockCount, gif->ExtensionBlocks);
  DGifCloseFile(gif, &error);
  return file;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Sample(const std::string& name) {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root != nullptr ? root : "tests/data") + "/gif/" + name;
}

std::vector<std::string> Samples(const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Sample("")))
    if (e.path().extension() == ".gif" && e.path().filename().string().rfind(prefix, 0) == 0)
      names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace gif_oracle
