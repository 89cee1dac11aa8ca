// The runtime's streams and text files over outside bytes: a file read line by
// line, loaded whole into a memory stream and into a string list (which takes
// a byte-order mark and any line ends), and a memory stream driven through
// reads and seeks by the input itself. Reads past the end raise the runtime's
// error and nothing else.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("stream.txt", data, size);
  try {
    TTextFile text(path);
    text.Reset();
    std::size_t total = 0;
    for (int lines = 0; !text.Eof() && lines <= int(size); ++lines)
      total += text.ReadLn().size();
    skfuzz::Check(total <= size, "lines hold no more than the file");
    text.Close();

    TMemoryStream whole;
    whole.LoadFromFile(path);
    skfuzz::Check(whole.Size() == std::int64_t(size), "a file loads whole");

    TStringList list;
    list.LoadFromFile(path);
    (void)list.Text();

    // The input drives a stream of itself: each byte pair is a seek or a read.
    TStringStream stream(skfuzz::Text(data, size));
    std::vector<std::uint8_t> buffer(256);
    for (std::size_t i = 0; i + 1 < size && i < 512; i += 2) {
      const int n = data[i + 1];
      try {
        switch (data[i] % 5) {
        case 0:
          (void)stream.Seek(std::int64_t(n) - 128, data[i] / 5 % 3);
          break;
        case 1:
          skfuzz::Check(stream.Read(buffer.data(), n) <= n, "a read gives at most what was asked");
          break;
        case 2:
          stream.ReadBuffer(buffer.data(), n);
          break;
        case 3:
          (void)stream.ReadString(n);
          break;
        default:
          stream.SetPosition(std::int64_t(n) * 3);
        }
      } catch (const EReadError&) {
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
