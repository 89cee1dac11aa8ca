#include "platform/rtl/OsError.h"
#include "platform/rtl/Files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

TEST(OsError, FailingCallsRecordErrnoPerThread) {
  SetLastError(0);
  EXPECT_FALSE(DeleteFile("/nonexistent-folder-of-the-test/x"));
  EXPECT_EQ(GetLastError(), ENOENT);

  int otherThread = -1;
  std::thread worker([&] {
    otherThread = GetLastError(); // fresh thread: nothing recorded yet
    EXPECT_FALSE(CreateDir("/proc/not-allowed-here"));
  });
  worker.join();
  EXPECT_EQ(otherThread, 0);
  EXPECT_EQ(GetLastError(), ENOENT); // untouched by the other thread's failure

  errno = EACCES;
  EXPECT_EQ(CaptureOsError(), EACCES);
  EXPECT_EQ(GetLastError(), EACCES);
}

TEST(OsError, Texts) {
  EXPECT_EQ(SysErrorMessage(ENOENT), "No such file or directory");
  EXPECT_EQ(OsErrorText(ENOENT), "No such file or directory (errno 2)");
  SetLastError(EEXIST);
  EXPECT_EQ(LastOsErrorText(), "File exists (errno 17)");
  EXPECT_FALSE(SysErrorMessage(99999).empty());
}
