#include "platform/rtl/MappedFile.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Streams.h"

#include "RtlTempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

TEST(MappedFile, FailuresCarryTheirStepCode) {
  RtlTempDir dir;
  const struct {
    const char* what;
    std::string path;
    int code;
    int osError;
  } rows[] = {
      {"missing file", dir / "missing.shp", 1000000, ENOENT},
      {"folder", dir.Path(), 3000000, EISDIR},
  };
  for (const auto& row : rows) {
    try {
      TMappedFile file(row.path);
      ADD_FAILURE() << row.what << ": no exception";
    } catch (const EMappedFileError& e) {
      EXPECT_EQ(e.Code(), row.code) << row.what;
      EXPECT_EQ(e.OsError(), row.osError) << row.what;
      EXPECT_NE(e.Message().find("\"" + row.path + "\" (code "), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("(errno "), std::string::npos) << e.Message();
    }
  }
  EXPECT_THROW(TMappedFile(dir / "missing"), EFOpenError); // catchable as the open error
  EXPECT_EQ(SharedViews::Count(), 0);                      // failed views are not kept
}

TEST(MappedFile, EmptyFileHasNoMapping) {
  RtlTempDir dir;
  TMappedFile file(dir.Write("empty.txt", ""));
  EXPECT_EQ(file.Size(), 0);
  EXPECT_EQ(file.Data(), nullptr);
  char c = 0;
  EXPECT_TRUE(file.ReadAt(0, &c, 0));
  EXPECT_FALSE(file.ReadAt(0, &c, 1));
}

TEST(MappedFile, ReadsAreBoundsChecked) {
  RtlTempDir dir;
  TMappedFile file(dir.Write("data.bin", "0123456789"));
  ASSERT_EQ(file.Size(), 10);
  char buf[4] = {};
  EXPECT_TRUE(file.ReadAt(6, buf, 4));
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_FALSE(file.ReadAt(7, buf, 4));
  EXPECT_FALSE(file.ReadAt(-1, buf, 1));
  EXPECT_FALSE(file.ReadAt(2, buf, -1));
  EXPECT_FALSE(file.ReadAt(INT64_MAX, buf, 2));
}

TEST(MappedFile, ViewsAreSharedPerPathAndCounted) {
  RtlTempDir dir;
  const std::string path = dir.Write("shared.txt", "shared bytes");
  TCurrentDirGuard keepFolder;
  ASSERT_TRUE(SetCurrentDir(dir.Path()));

  auto first = std::make_unique<TMappedFile>(path);
  TMappedFile second("./shared.txt"); // the same file through the logical folder
  EXPECT_EQ(&first->View(), &second.View());
  EXPECT_EQ(second.View().RefCount(), 2);
  EXPECT_EQ(SharedViews::Count(), 1);

  first.reset();
  EXPECT_EQ(second.View().RefCount(), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(second.Data()), 12), "shared bytes");
  SharedViews::Release(nullptr); // ignored
}

TEST(MappedFile, LastReleaseUnmaps) {
  RtlTempDir dir;
  const std::string path = dir.Write("x.txt", "abc");
  {
    TMappedFile a(path);
    TMappedFile b(path);
  }
  EXPECT_EQ(SharedViews::Count(), 0);
}

TEST(MappedFile, AMappedFileIsNeverCut) {
  RtlTempDir dir;
  const std::string path = dir.Write("layer.shp", "mapped contents");
  {
    TMappedFile reader(path);
    EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
    TFileStream writer(path, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_THROW(writer.SetSize(3), EStreamError);
    writer.SetSize(20); // growing is harmless
    EXPECT_EQ(reader.Size(), 15);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.Data()), 15), "mapped contents");
  }
  TFileStream recreated(path, fmCreate); // no reader left
  EXPECT_EQ(recreated.Size(), 0);
}

TEST(MappedFile, ANewReaderNeverGetsAStaleView) {
  RtlTempDir dir;
  const std::string path = dir.Write("layer.shp", "old bytes");
  TMappedFile oldReader(path);

  // A writer that may not cut the mapped file writes a new one and renames it over.
  const std::string temp = dir.Write("layer.shp.tmp", "new and longer bytes");
  ASSERT_TRUE(RenameFile(path, dir / "layer.shp.old"));
  ASSERT_TRUE(RenameFile(temp, path));
  TMappedFile newReader(path);
  EXPECT_NE(&newReader.View(), &oldReader.View());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(newReader.Data()), 20),
            "new and longer bytes");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(oldReader.Data()), 9), "old bytes");
  EXPECT_EQ(oldReader.View().RefCount(), 1);

  // The same file grown in place: the new size gets a new view.
  {
    TFileStream writer(path, fmOpenReadWrite | fmShareDenyNone);
    writer.Seek(0, soEnd);
    writer.WriteBuffer("!", 1);
  }
  TMappedFile grown(path);
  EXPECT_EQ(grown.Size(), 21);
  EXPECT_EQ(newReader.Size(), 20);
  TMappedFile again(path); // unchanged since: shared
  EXPECT_EQ(&again.View(), &grown.View());

  // A file gone from its path is not served from an old view.
  ASSERT_TRUE(DeleteFile(path));
  EXPECT_THROW(TMappedFile{path}, EMappedFileError);
}

TEST(MappedFile, ThreadsShareOneRegistry) {
  RtlTempDir dir;
  const std::string path = dir.Write("t.bin", std::string(4096, 'z'));
  TMappedFile keep(path);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        TMappedFile file(path);
        ASSERT_EQ(file.Data()[4095], 'z');
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(keep.View().RefCount(), 1);
  EXPECT_EQ(SharedViews::Count(), 1);
}
