// File streams: line and token reading, shared mappings, the buffered
// stream against a model, hooks, large files and refused rewrites.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/MappedFile.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/core/GisCoreTestSupport.h"

namespace {

void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

class GisMappedFilesTest : public GisCoreTest {
protected:
  void SetUp() override {
    GisCoreTest::SetUp();
    char tmpl[] = "/tmp/gis_streams_XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    GisCoreTest::TearDown();
  }
  std::string File(const std::string& name, const std::string& data) {
    std::string path = dir_ + "/" + name;
    WriteAll(path, data);
    return path;
  }
  std::string dir_;
};

// Runs `body` in a child process, so that a crash (SIGBUS) shows as a failure
// instead of ending the test program. The child's exit code is its result.
int RunInChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int rc = 1;
    try {
      rc = body();
    } catch (...) {
      rc = 2;
    }
    _exit(rc);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

using StreamMaker = std::function<std::unique_ptr<TGIS_StreamAbstract>(const std::string&)>;

const std::vector<std::pair<const char*, StreamMaker>>& Makers() {
  static const std::vector<std::pair<const char*, StreamMaker>> makers = {
      {"mapped",
       [](const std::string& p) { return std::make_unique<TGIS_MappedStream>(p, false); }},
      {"buffered",
       [](const std::string& p) { return std::make_unique<TGIS_BufferedFileStream>(p, false); }},
  };
  return makers;
}

TEST_F(GisMappedFilesTest, LinesAndTokensOnBothStreams) {
  struct Case {
    const char* name;
    std::string data;
    char op; // 'L' ReadLine, 'U' ReadLine without limit, 'T' ReadToken
    std::vector<std::string> expected;
  } cases[] = {
      {"CR LF", "ab\r\ncd", 'L', {"ab", "cd", ""}},
      {"NUL and $1A end lines",
       std::string("a\0b\x1A"
                   "c\n",
                   7),
       'L',
       {"a", "b", "c", ""}},
      {"long line",
       std::string(1500, 'x'),
       'L',
       {std::string(1024, 'x'), std::string(476, 'x'), ""}},
      {"CR LF across the buffer's end",
       std::string(4095, 'a') + "\r\nb\r",
       'U',
       {std::string(4095, 'a'), "b", ""}},
      {"CR right after a full line",
       std::string(1024, 'x') + "\r\nz",
       'L',
       {std::string(1024, 'x'), "", "z", ""}},
      {"long line, no limit",
       std::string(1500, 'x') + "\ny",
       'U',
       {std::string(1500, 'x'), "y", ""}},
      {"empty lines", "\n\r\n", 'L', {"", "", ""}},
      {"empty file", "", 'L', {"", ""}},
      {"tokens", "  12\t 34\n", 'T', {"12", "34", ""}},
      {"$1A ends a token",
       "ab\x1A"
       "cd \x1A\x1A"
       "e",
       'T',
       {"ab", "cd", "", "", "e", ""}},
      {"NUL and CR separate", std::string("a\0\rb", 4), 'T', {"a", "b", ""}},
      {"long token",
       std::string(1030, 't'),
       'T',
       {std::string(1024, 't'), std::string(6, 't'), ""}},
  };
  // With a read hook the streams take the byte-by-byte road through Read;
  // without one they read from the mapping or the buffer directly.
  auto hook = [](TGIS_StreamAbstract&, int64_t, int64_t, uint8_t*) {};
  std::vector<std::pair<const char*, StreamMaker>> makers = Makers();
  makers.emplace_back("mapped, hooked", [&](const std::string& p) {
    return std::make_unique<TGIS_MappedStream>(p, false, hook);
  });
  makers.emplace_back("buffered, hooked", [&](const std::string& p) {
    return std::make_unique<TGIS_BufferedFileStream>(p, false, hook);
  });
  for (const auto& [kind, make] : makers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind) + ": " + c.name);
      std::string path = File("lines.txt", c.data);
      auto s = make(path);
      for (const std::string& want : c.expected) {
        std::string got = c.op == 'T' ? s->ReadToken() : s->ReadLine(c.op == 'U' ? 0 : 1024);
        EXPECT_EQ(got, want);
      }
      EXPECT_TRUE(s->Eof());
    }
  }
}

TEST_F(GisMappedFilesTest, SeekFromEndCountsBackwards) {
  std::string path = File("hundred.bin", std::string(100, 'h'));
  for (const auto& [kind, make] : Makers()) {
    SCOPED_TRACE(kind);
    auto s = make(path);
    EXPECT_EQ(s->Seek(10, 2), 90);
    EXPECT_EQ(s->Position(), 90);
    EXPECT_EQ(s->Size(), 100);
    EXPECT_EQ(s->Seek(-5, 1), 85);
    EXPECT_FALSE(s->Eof());
    EXPECT_EQ(s->Seek(0, 2), 100);
    EXPECT_TRUE(s->Eof());
    // Before the start nothing is read; the next seek recovers.
    char c = 0;
    EXPECT_EQ(s->Seek(-5, 0), -5);
    EXPECT_THROW(s->Read(&c, 1), EAssertionFailed);
    EXPECT_THROW(s->ReadLine(), EAssertionFailed);
    EXPECT_EQ(s->Seek(99, 0), 99);
    EXPECT_EQ(s->Read(&c, 1), 1);
    EXPECT_EQ(c, 'h');
  }
}

TEST_F(GisMappedFilesTest, StreamsOfOneFileShareOneMapping) {
  std::string path = File("shared.bin", "0123456789");
  int before = SharedViews::Count();
  auto first = std::make_unique<TGIS_MappedStream>(path, false);
  TGIS_MappedStream second(path, false);
  ASSERT_NE(first->SharedView(), nullptr);
  EXPECT_EQ(first->SharedView(), second.SharedView());
  EXPECT_EQ(second.SharedView()->RefCount(), 2);
  EXPECT_EQ(SharedViews::Count(), before + 1);
  // One mapping of the file in the process.
  std::ifstream maps("/proc/self/maps");
  int mapped = 0;
  for (std::string line; std::getline(maps, line);)
    if (line.find("shared.bin") != std::string::npos) ++mapped;
  EXPECT_EQ(mapped, 1);

  first.reset();
  EXPECT_EQ(second.SharedView()->RefCount(), 1);
  char buf[4] = {};
  second.Seek(6, 0);
  EXPECT_EQ(second.Read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(second.Read(buf, 4), 0); // at the end
  second.Close();
  EXPECT_EQ(SharedViews::Count(), before);
}

TEST_F(GisMappedFilesTest, OpenErrorsAreFileOpenErrors) {
  std::string missing = dir_ + "/missing.bin";
  for (const auto& [kind, make] : Makers()) {
    SCOPED_TRACE(kind);
    try {
      make(missing);
      ADD_FAILURE() << "opened";
    } catch (const EGIS_Exception&) {
      ADD_FAILURE() << "an EGIS_Exception";
    } catch (const EFOpenError& e) {
      std::string code = std::string(kind) == "mapped" ? "(code 1000000)" : "(code 0)";
      EXPECT_EQ(
          e.Message().rfind("0030 Error during mapping file \"" + missing + "\" " + code + ", ", 0),
          0u)
          << e.Message();
      EXPECT_NE(e.Message().find("(errno "), std::string::npos);
    }
  }
  std::string path = File("empty.bin", "");
  TGIS_MappedStream empty(path, false);
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_TRUE(empty.Eof());
  EXPECT_EQ(empty.ReadLine(), "");
}

TEST_F(GisMappedFilesTest, MappedReadsAndPeeksAreBounded) {
  std::string path = File("ten.bin", "0123456789");
  TGIS_MappedStream s(path, false);
  char buf[16];
  s.Seek(8, 0);
  try {
    s.Read(buf, 3);
    ADD_FAILURE() << "read past the end";
  } catch (const EGIS_Exception& e) {
    EXPECT_EQ(e.ErrorNumber(), 3);
    EXPECT_NE(e.Message().find("0034"), std::string::npos);
    EXPECT_NE(e.Message().find(path), std::string::npos);
  }
  EXPECT_EQ(s.Position(), 8);
  const uint8_t* p = s.Peek(2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 2), "89");
  EXPECT_EQ(s.Position(), 8);
  EXPECT_THROW(s.Peek(3), EGIS_Exception);
  s.Seek(20, 0);
  EXPECT_THROW(s.Peek(0), EGIS_Exception);
  s.Seek(-1, 0);
  EXPECT_THROW(s.Read(buf, 1), EAssertionFailed);
  s.Seek(0, 0);
  s.ReadBuffer(buf, 10);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

// The buffered stream against a plain byte vector: random writes, seeks and
// reads (the model is what the file must hold).
TEST_F(GisMappedFilesTest, BufferedStreamMatchesModel) {
  std::string path = dir_ + "/model.bin";
  {
    // The fixed case: write 100, seek 0, read 10, seek 20, write 4.
    TGIS_BufferedFileStream s(path, true);
    Bytes data(100);
    for (int k = 0; k < 100; ++k)
      data[k] = static_cast<uint8_t>(k);
    s.WriteBuffer(data.data(), 100);
    s.Seek(0, 0);
    uint8_t buf[10];
    EXPECT_EQ(s.Read(buf, 10), 10);
    EXPECT_EQ(buf[9], 9);
    s.Seek(20, 0);
    uint8_t four[4] = {0xA0, 0xA1, 0xA2, 0xA3};
    s.WriteBuffer(four, 4);
    EXPECT_EQ(s.Size(), 100);
    EXPECT_EQ(s.GetPosition(), 24);
    s.Close();
    Bytes disk = ReadAll(path);
    ASSERT_EQ(disk.size(), 100u);
    std::copy(four, four + 4, data.begin() + 20);
    EXPECT_EQ(disk, data);
  }
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    TGIS_BufferedFileStream s(path, true);
    Bytes model;
    int64_t pos = 0;
    for (int step = 0; step < 300; ++step) {
      int op = std::uniform_int_distribution<int>(0, 2)(rng);
      if (op == 0) { // write
        int64_t n = std::uniform_int_distribution<int>(0, 6000)(rng);
        Bytes data(static_cast<size_t>(n));
        for (auto& b : data)
          b = static_cast<uint8_t>(rng());
        ASSERT_EQ(s.Write(data.data(), n), n);
        if (pos + n > static_cast<int64_t>(model.size()))
          model.resize(static_cast<size_t>(pos + n));
        std::copy(data.begin(), data.end(), model.begin() + pos);
        pos += n;
      } else if (op == 1) { // seek, by any origin
        int64_t size = static_cast<int64_t>(model.size());
        int64_t target = std::uniform_int_distribution<int64_t>(0, size)(rng);
        int origin = std::uniform_int_distribution<int>(0, 2)(rng);
        int64_t offset = origin == 0 ? target : origin == 1 ? target - pos : size - target;
        ASSERT_EQ(s.Seek(offset, origin), target);
        pos = target;
      } else { // read
        int64_t n = std::uniform_int_distribution<int>(0, 5000)(rng);
        Bytes got(static_cast<size_t>(n));
        int64_t expect = std::min<int64_t>(n, static_cast<int64_t>(model.size()) - pos);
        ASSERT_EQ(s.Read(got.data(), n), expect) << step;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + expect, model.begin() + pos)) << step;
        pos += expect;
      }
      ASSERT_EQ(s.GetPosition(), pos);
      ASSERT_EQ(s.Size(), static_cast<int64_t>(model.size()));
    }
    s.Close();
    ASSERT_EQ(ReadAll(path), model) << round;
  }
}

TEST_F(GisMappedFilesTest, HooksSeePositionsAndMayChangeWrittenBytes) {
  struct Seen {
    int64_t position, count;
    std::string bytes;
  };
  std::vector<Seen> reads, writes;
  auto afterRead = [&](TGIS_StreamAbstract&, int64_t p, int64_t n, uint8_t* b) {
    reads.push_back({p, n, std::string(reinterpret_cast<char*>(b), static_cast<size_t>(n))});
  };
  auto beforeWrite = [&](TGIS_StreamAbstract&, int64_t p, int64_t n, uint8_t* b) {
    writes.push_back({p, n, std::string(reinterpret_cast<char*>(b), static_cast<size_t>(n))});
    for (int64_t k = 0; k < n; ++k)
      b[k] = static_cast<uint8_t>(b[k] ^ 0x20); // flip the case
  };
  for (bool mapped : {true, false}) {
    SCOPED_TRACE(mapped ? "mapped" : "buffered");
    reads.clear();
    writes.clear();
    std::string path = dir_ + (mapped ? "/hook_m.txt" : "/hook_b.txt");
    {
      std::unique_ptr<TGIS_StreamAbstract> w;
      if (mapped)
        w = std::make_unique<TGIS_MappedStream>(path, true, afterRead, beforeWrite);
      else
        w = std::make_unique<TGIS_BufferedFileStream>(path, true, afterRead, beforeWrite);
      char text[] = "abcdef";
      w->WriteBuffer(text, 6);
      EXPECT_STREQ(text, "abcdef"); // the caller's bytes stay
      w->Seek(2, 0);
      w->WriteBuffer("xy", 2);
      EXPECT_EQ(w->Size(), 6);
    }
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].position, 2);
    EXPECT_EQ(writes[1].bytes, "xy");
    Bytes disk = ReadAll(path);
    EXPECT_EQ(std::string(disk.begin(), disk.end()), "ABXYEF");

    std::unique_ptr<TGIS_StreamAbstract> r;
    if (mapped)
      r = std::make_unique<TGIS_MappedStream>(path, false, afterRead, beforeWrite);
    else
      r = std::make_unique<TGIS_BufferedFileStream>(path, false, afterRead, beforeWrite);
    char buf[4];
    r->Seek(1, 0);
    r->ReadBuffer(buf, 3);
    r->Seek(4, 0);
    r->Read(buf, mapped ? 2 : 4); // a buffered read may come up short
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].position, 1);
    EXPECT_EQ(reads[0].bytes, "BXY");
    EXPECT_EQ(reads[1].position, 4);
    EXPECT_EQ(reads[1].count, 2);
    EXPECT_EQ(reads[1].bytes, "EF");
  }
}

// Files past 4 GB: sizes and positions are 64-bit, and the whole file maps.
TEST_F(GisMappedFilesTest, FilesOfFiveGigabytes) {
  std::string path = dir_ + "/sparse.bin";
  const int64_t size = int64_t(5) << 30, at = int64_t(9) << 29; // 5 GB, 4.5 GB
  {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, size) != 0) {
      ::close(fd);
      GTEST_SKIP() << "no sparse files here";
    }
    ASSERT_EQ(::pwrite(fd, "marker", 6, at), 6);
    ::close(fd);
  }
  for (const auto& [kind, make] : Makers()) {
    SCOPED_TRACE(kind);
    auto s = make(path);
    EXPECT_EQ(s->Size(), size);
    EXPECT_EQ(s->Seek(at, 0), at);
    char buf[6];
    s->ReadBuffer(buf, 6);
    EXPECT_EQ(std::string(buf, 6), "marker");
    EXPECT_EQ(s->Position(), at + 6);
    EXPECT_EQ(s->Seek(1, 2), size - 1);
  }
}

// A file that a stream maps is never cut by a create-mode open; the reader
// keeps working. Run in a child so that a SIGBUS counts as a failure.
TEST_F(GisMappedFilesTest, RewriteOfMappedFileIsRefused) {
  std::string path = File("mapped.txt", std::string(10000, 'm'));
  int rc = RunInChild([&]() -> int {
    TGIS_MappedStream reader(path, false);
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        if (attempt == 0)
          TGIS_BufferedFileStream writer(path, true);
        else
          TGIS_MappedStream writer(path, true);
        return 10 + attempt; // not refused
      } catch (const EFOpenError& e) {
        if (e.Message().rfind("0030 Error during mapping file \"" + path + "\" (code 0)", 0) != 0)
          return 20 + attempt;
      }
    }
    std::string all = reader.ReadLine(0);
    return all == std::string(10000, 'm') ? 0 : 30;
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ReadAll(path).size(), 10000u);
  // Once the reader is gone, the file may be rewritten.
  TGIS_BufferedFileStream writer(path, true);
  EXPECT_EQ(writer.Size(), 0);
}

// This program's writers in other processes leave a mapped file whole too:
// the child is forked before the file is mapped, so only the lock the
// mapping holds can stop it.
TEST_F(GisMappedFilesTest, WriterInAnotherProcessLeavesAMappedFileWhole) {
  const std::string path = File("shared.txt", std::string(10000, 'm'));
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    char c = 0;
    int rc = read(go[0], &c, 1) == 1 ? 10 : 3;
    try {
      TGIS_BufferedFileStream writer(path, true);
    } catch (const EFOpenError&) {
      rc = 0; // refused
    } catch (...) {
      rc = 2;
    }
    _exit(rc);
  }
  {
    TGIS_MappedStream reader(path, false);
    ASSERT_EQ(write(go[1], "x", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(reader.ReadLine(0), std::string(10000, 'm'));
  }
  close(go[0]);
  close(go[1]);
  // Without a reader another process may rewrite it.
  EXPECT_EQ(RunInChild([&] { return TGIS_BufferedFileStream(path, true).Size() == 0 ? 0 : 1; }), 0);
}

// A buffered stream whose file shrinks under it ends where the file ends
// now; a loop of ReadLine until Eof stops.
TEST_F(GisMappedFilesTest, BufferedStreamEndsWhereAShrunkFileEnds) {
  std::string lines;
  for (int k = 0; k < 1000; ++k)
    lines += "line number " + IntToStr(k) + "\r\n";
  const std::string path = File("shrinking.txt", lines);
  TGIS_BufferedFileStream s(path, false);
  EXPECT_EQ(s.ReadLine(), "line number 0");
  ASSERT_EQ(truncate(path.c_str(), 5000), 0);
  int read = 1;
  while (!s.Eof() && read < 2000) {
    s.ReadLine();
    ++read;
  }
  EXPECT_TRUE(s.Eof());
  EXPECT_LT(read, 2000);
  EXPECT_EQ(s.Size(), 5000);
  EXPECT_EQ(s.GetPosition(), 5000);
}

// A write the file system does not take in full raises (a full disk must not
// pass as success): here a file-size limit in a child process.
TEST_F(GisMappedFilesTest, ShortWriteRaises) {
  std::string path = dir_ + "/limited.bin";
  int rc = RunInChild([&]() -> int {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    TGIS_BufferedFileStream s(path, true);
    Bytes data(4000, 7);
    try {
      s.Write(data.data(), 4000);
      return 10;
    } catch (const EWriteError&) {
      return 0;
    }
  });
  EXPECT_EQ(rc, 0);
}

} // namespace
