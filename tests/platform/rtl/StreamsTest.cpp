#include "platform/rtl/Streams.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"

#include "RtlTempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
std::string readAll(TStream& s) {
  std::string out(static_cast<size_t>(s.Size() - s.Position()), '\0');
  s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
  return out;
}
} // namespace

TEST(Streams, ShortTransfersRaise) {
  RtlTempDir dir;
  const std::string path = dir.Write("ten.bin", "0123456789");
  const struct {
    const char* what;
    std::function<std::unique_ptr<TStream>()> open;
  } rows[] = {
      {"file", [&] { return std::make_unique<TFileStream>(path, fmOpenRead | fmShareDenyNone); }},
      {"memory", [] { return std::make_unique<TStringStream>("0123456789"); }},
  };
  for (const auto& row : rows) {
    auto s = row.open();
    char buf[8] = {};
    s->SetPosition(6);
    EXPECT_EQ(s->Read(buf, 8), 4) << row.what; // Read gives what there is
    s->SetPosition(6);
    try {
      s->ReadBuffer(buf, 5);
      ADD_FAILURE() << row.what << ": no exception";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Stream read error");
    }
    s->SetPosition(6);
    EXPECT_NO_THROW(s->ReadBuffer(buf, 4)) << row.what;
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_NO_THROW(s->ReadBuffer(buf, 0)) << row.what; // nothing asked, nothing missing
  }

  // Writing to a descriptor opened for reading only.
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  {
    THandleStream handle(fd);
    try {
      handle.WriteBuffer("xy", 2);
      ADD_FAILURE() << "no exception";
    } catch (const EWriteError& e) {
      EXPECT_EQ(e.Message(), "Stream write error");
    }
    EXPECT_EQ(GetLastError(), EBADF);
  }
  ::close(fd);
  EXPECT_EQ(RtlTempDir::Read(path), "0123456789");
}

namespace {
// A stream whose origin 2 counts backwards from the end (the kernel's
// streams do this): the base helpers must still find the size.
class BackwardsEndStream : public TMemoryStream {
public:
  int64_t Seek(int64_t offset, int origin) override {
    if (origin == soEnd) return TMemoryStream::Seek(RealSize() - offset, soBeginning);
    return TMemoryStream::Seek(offset, origin);
  }
  int64_t Size() override { return TStream::Size(); } // derived from Seek
  int64_t RealSize() { return TMemoryStream::Size(); }
};
} // namespace

TEST(Streams, SizeAndPositionComeFromSeek) {
  BackwardsEndStream s;
  s.SetSize(0);
  std::string hundred(100, 'x');
  s.WriteBuffer(hundred.data(), 100);
  s.SetPosition(42);
  EXPECT_EQ(s.Size(), 100);
  EXPECT_EQ(s.Position(), 42); // Size() put it back
  EXPECT_EQ(s.Seek(10, soEnd), 90);

  TMemoryStream m;
  m.WriteBuffer(hundred.data(), 100);
  EXPECT_EQ(m.Seek(-10, soEnd), 90); // the ordinary streams add the offset
  EXPECT_EQ(m.Seek(5, soCurrent), 95);
  EXPECT_EQ(m.Seek(3, 7), 95); // an unknown origin leaves the position
}

TEST(Streams, FileOpenAndCreateErrors) {
  RtlTempDir dir;
  try {
    TFileStream s(dir / "missing.dbf", fmOpenRead);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + (dir / "missing.dbf"));
    EXPECT_EQ(GetLastError(), ENOENT);
  }
  try {
    TFileStream s(dir / "no/folder/new.dbf", fmCreate);
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + (dir / "no/folder/new.dbf"));
    EXPECT_EQ(GetLastError(), ENOENT);
  }
  EXPECT_THROW(TFileStream(dir.Path(), fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream("", fmOpenRead), EFOpenError);
}

TEST(Streams, FileCreateWriteReadAndTruncate) {
  RtlTempDir dir;
  TCurrentDirGuard keepFolder;
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  dir.Write("index.rtree", "old contents that are longer");
  {
    TFileStream s("index.rtree", fmCreate); // relative: the logical folder
    EXPECT_EQ(s.Size(), 0);
    s.WriteBuffer("0123456789", 10);
    s.SetPosition(2);
    char buf[3];
    s.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "234");
    EXPECT_EQ(s.FileName(), "index.rtree");
  }
  EXPECT_EQ(RtlTempDir::Read(dir / "index.rtree"), "0123456789");
  {
    TFileStream s(dir / "index.rtree", fmOpenReadWrite | fmShareDenyWrite);
    s.SetSize(4);
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Size(), 4);
    s.WriteBuffer("AB", 2);
  }
  EXPECT_EQ(RtlTempDir::Read(dir / "index.rtree"), "0123AB");
  {
    TFileStream s(dir / "index.rtree", fmOpenWrite);
    EXPECT_EQ(s.Write("z", 1), 1);
  }
  EXPECT_EQ(RtlTempDir::Read(dir / "index.rtree"), "z123AB");
}

TEST(Streams, ShareFlags) {
  RtlTempDir dir;
  const std::string path = dir.Write("index.bin", "keep me");
  const uint16_t R = fmOpenRead, W = fmOpenWrite, RW = fmOpenReadWrite;
  const struct {
    uint16_t first, second;
    bool secondOpens;
  } rows[] = {
      {RW | fmShareDenyWrite, RW | fmShareDenyWrite, false}, // second index opener...
      {RW | fmShareDenyWrite, R | fmShareDenyNone, true},    // ...falls back to read-only
      {R | fmShareDenyWrite, R | fmShareDenyWrite, true},
      {R | fmShareDenyWrite, W | fmShareDenyNone, false},
      {RW | fmShareDenyNone, R | fmShareDenyWrite, false},
      {R | fmShareDenyNone, RW | fmShareDenyNone, true},
      {R | fmShareExclusive, R | fmShareDenyNone, false},
      {R | fmShareDenyNone, R | fmShareExclusive, false},
      {R | fmShareDenyRead, W | fmShareDenyNone, true},
      {R | fmShareDenyRead, R | fmShareDenyNone, false},
      {R, RW, true}, // compatibility mode shares everything
  };
  for (const auto& row : rows) {
    TFileStream first(path, row.first);
    bool opened = true;
    try {
      TFileStream second(path, row.second);
    } catch (const EFOpenError&) {
      opened = false;
    }
    EXPECT_EQ(opened, row.secondOpens) << std::hex << row.first << " then " << row.second;
  }
  {
    TFileStream holder(path, R | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
  }
  EXPECT_EQ(RtlTempDir::Read(path), "keep me");   // the refused create cut nothing
  TFileStream again(path, RW | fmShareExclusive); // every lock went with its stream
}

TEST(Streams, MemoryStream) {
  TMemoryStream m;
  m.SetPosition(4);
  m.WriteBuffer("ab", 2); // the gap reads as zero bytes
  EXPECT_EQ(m.Size(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 6),
            std::string("\0\0\0\0ab", 6));
  m.SetSize(5);
  EXPECT_EQ(m.Position(), 5);
  m.SetPosition(-3);
  char c;
  EXPECT_EQ(m.Read(&c, 1), 0);
  EXPECT_EQ(m.Write("x", 1), 0);
  EXPECT_THROW(m.SetSize(-1), EStreamError);

  RtlTempDir dir;
  TStringStream source("line one\r\nline two");
  TMemoryStream copy;
  source.SetPosition(5);
  EXPECT_EQ(copy.CopyFrom(source, 0), 18); // 0: the whole source from its start
  copy.SaveToFile(dir / "m.txt");
  TMemoryStream loaded;
  loaded.LoadFromFile(dir / "m.txt");
  EXPECT_EQ(readAll(loaded), "line one\r\nline two");
  loaded.Clear();
  EXPECT_EQ(loaded.Size(), 0);

  TStringStream partial("abc");
  TMemoryStream target;
  partial.SetPosition(1);
  EXPECT_THROW(target.CopyFrom(partial, 5), EReadError);
}

TEST(Streams, StringStream) {
  TStringStream s("hello");
  EXPECT_EQ(s.ReadString(3), "hel");
  EXPECT_EQ(s.ReadString(10), "lo");
  EXPECT_EQ(s.ReadString(1), "");
  s.WriteString(" world");
  EXPECT_EQ(s.DataString(), "hello world");
  s.SetPosition(0);
  s.WriteString("J");
  EXPECT_EQ(s.DataString(), "Jello world");
}

TEST(Streams, TextFiles) {
  RtlTempDir dir;
  const std::string path = dir / "out.e00";
  {
    TTextFile text(path);
    text.Rewrite();
    text.WriteLn("EXP  0");
    text.Write("no line end");
    text.Write("|");
    text.WriteLn();
    EXPECT_THROW(text.ReadLn(), EInOutError);
  } // the destructor writes what is buffered
  EXPECT_EQ(RtlTempDir::Read(path), "EXP  0\r\nno line end|\r\n");
  TTextFile more(path);
  more.Append();
  more.WriteLn("EOS");
  more.Close();
  EXPECT_EQ(RtlTempDir::Read(path), "EXP  0\r\nno line end|\r\nEOS\r\n");

  // Reading accepts CR LF, LF and CR, also where a CR LF straddles blocks.
  std::string mixed = "a\r\nb\nc\rd\r\n\r\n";
  std::string longLine(65536 - mixed.size() - 1, 'x');
  mixed += longLine + "\r\nlast"; // the CR is the last byte of the first block
  dir.Write("in.txt", mixed);
  TTextFile in(dir / "in.txt");
  EXPECT_THROW(in.ReadLn(), EInOutError); // not open yet
  in.Reset();
  std::vector<std::string> lines;
  while (!in.Eof())
    lines.push_back(in.ReadLn());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], "b");
  EXPECT_EQ(lines[2], "c");
  EXPECT_EQ(lines[3], "d");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], longLine);
  EXPECT_EQ(lines[6], "last");
  EXPECT_EQ(in.ReadLn(), "");

  dir.Write("cr.txt", "one\r");
  TTextFile cr(dir / "cr.txt");
  cr.Reset();
  EXPECT_EQ(cr.ReadLn(), "one");
  EXPECT_TRUE(cr.Eof());
  TTextFile missing(dir / "none.txt");
  EXPECT_THROW(missing.Reset(), EFOpenError);
}
