// Replays fuzz inputs through a harness without libFuzzer: every file named on
// the command line, and every file below every folder named there, is handed
// to LLVMFuzzerTestOneInput once, in name order. A fault (a sanitizer report,
// an escaping exception) ends the process with the input's name on stderr, and
// so does an input that runs longer than SK_REPLAY_TIMEOUT seconds (120 by
// default: the sanitizer tree's Debug build is several times slower than the
// fuzz build, whose limit is 10 s).

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/Strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

char current[4096] = "";

void OnAlarm(int) {
  const char head[] = "replay: an input ran over the time limit: ";
  (void)!write(2, head, sizeof head - 1);
  (void)!write(2, current, std::strlen(current));
  (void)!write(2, "\n", 1);
  _exit(1);
}

std::vector<std::filesystem::path> InputsOf(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path p(argv[i]);
    if (fs::is_directory(p)) {
      for (const auto& e : fs::recursive_directory_iterator(p))
        if (e.is_regular_file()) inputs.push_back(e.path());
    } else if (fs::is_regular_file(p)) {
      inputs.push_back(p);
    } else {
      std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
      std::exit(2);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  const auto inputs = InputsOf(argc, argv);
  const char* limit = std::getenv("SK_REPLAY_TIMEOUT");
  const unsigned seconds = limit != nullptr ? unsigned(std::atoi(limit)) : 120;
  std::signal(SIGALRM, OnAlarm);
  for (const auto& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "replay: %s\n", path.c_str());
    std::snprintf(current, sizeof current, "%s", path.c_str());
    alarm(seconds);
    try {
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "replay: %s: an exception escaped the harness: %s\n", path.c_str(), e.what());
      return 1;
    }
    alarm(0);
  }
  std::fprintf(stderr, "%s\n", ("replay: " + IntToStr(inputs.size()) + " inputs, no fault").c_str());
  return inputs.empty() ? 1 : 0;
}
