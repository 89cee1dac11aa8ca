// The built program as a process: copied into a temporary program folder
// with the shipped files, it captures the offline map and rewrites the world
// file; a second start beside it ends at once with exit code 0.
#include "tests/support/TempDir.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

using TFolder = std::map<std::string, std::string>;

/// Every file under `root` (but the ".new" files a replacing write is
/// making) with its bytes.
TFolder ReadFolder(const std::string& root) {
  TFolder files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    if (entry.is_directory()) {
      files[path + "/"] = "";
      continue;
    }
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".new") == 0) continue;
    files[path] = ReadFile(path);
  }
  return files;
}

/// The folder once two readings 300 ms apart agree (at most 15 s): the
/// running program rewrites its capture files with the same bytes.
TFolder SettledFolder(const std::string& root) {
  TFolder last = ReadFolder(root);
  for (int i = 0; i < 50; ++i) {
    QThread::msleep(300);
    TFolder now = ReadFolder(root);
    if (now == last) return now;
    last = std::move(now);
  }
  return last;
}

struct ProgramProcessTest : ::testing::Test {
  sktest::TTempDir dir{"app-process"};
  sktest::TTempDir tmp{"app-process-tmp"};
  std::string program;
  std::string shippedJgw;

  void SetUp() override {
    const char* exe = std::getenv("SK_APP_PROGRAM");
    if (exe == nullptr || *exe == 0) GTEST_SKIP() << "SK_APP_PROGRAM is not set";
    const std::string built = exe;
    // The shipped files from the sources: the build folder's copies are the
    // program's own once it has run there.
    const char* source = std::getenv("SK_SOURCE_DIR");
    const std::string folder = std::string(source ? source : "..") + "/resources/app/";
    for (const char* name : {"mapgd.htm", "gmaps.htm", "image1.jgw"})
      dir.Write(name, ReadFile(folder + name));
    shippedJgw = ReadFile(folder + "image1.jgw");
    program = dir / "skorvaplinth";
    // A copy, not a link: the program's folder is where its executable lies.
    ASSERT_TRUE(QFile::copy(QString::fromStdString(built), QString::fromStdString(program)));
    QFile::setPermissions(QString::fromStdString(program),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  void Start(QProcess& p) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TMPDIR", QString::fromStdString(tmp.Path()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(tmp.Path()));
    p.setProgram(QString::fromStdString(program));
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
  }

  /// Waits (at most 30 s) until the world file differs from the shipped one.
  bool WaitForCapture() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
      const std::string jgw = ReadFile(dir / "image1.jgw");
      if (!jgw.empty() && jgw != shippedJgw) return true;
      QThread::msleep(100);
    }
    return false;
  }

  static void Stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.kill();
    p.waitForFinished(10000);
  }
};

TEST_F(ProgramProcessTest, CapturesTheOfflineMapIntoTheWorldFile) {
  QProcess p;
  Start(p);
  const bool captured = WaitForCapture();
  EXPECT_EQ(p.state(), QProcess::Running);
  Stop(p);
  ASSERT_TRUE(captured);
  const std::string jgw = ReadFile(dir / "image1.jgw");
  EXPECT_EQ(jgw.substr(0, 13), "1\r\n0\r\n0\r\n-1\r\n"); // lines 1-4 untouched
  // Lines 5-6: the page's top-left global pixel at zoom 6 around 46 N, 14 E
  // (centre 8829.16 | 5828.80 less half the 796x613 first page: the map
  // window's first showing sized the browser to the viewer + 30).
  const std::size_t line5 = jgw.find("\r\n", 10) + 2;
  const std::size_t line6 = jgw.find("\r\n", line5) + 2;
  EXPECT_EQ(jgw.substr(line5, line6 - line5), "8431.15555555556\r\n");
  EXPECT_EQ(jgw.substr(line6), "5522.30094339771\r\n");
  EXPECT_FALSE(ReadFile(dir / "image1.jpg").empty());
  EXPECT_FALSE(ReadFile(dir / "image1.bmp").empty());
}

TEST_F(ProgramProcessTest, ASecondStartEndsAtOnceWithExitCodeZero) {
  QProcess first;
  Start(first);
  ASSERT_TRUE(WaitForCapture());
  const TFolder before = SettledFolder(dir.Path());
  QProcess second;
  Start(second);
  const bool ended = second.waitForFinished(5000);
  if (!ended) Stop(second);
  EXPECT_TRUE(ended);
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  // The second start read and wrote nothing of the program's folder.
  const TFolder after = SettledFolder(dir.Path());
  Stop(first);
  EXPECT_EQ(before.size(), after.size());
  for (const auto& [path, bytes] : before) {
    const auto it = after.find(path);
    ASSERT_NE(it, after.end()) << path;
    EXPECT_TRUE(it->second == bytes) << path;
  }
}

TEST_F(ProgramProcessTest, AfterTheFirstIsKilledANewStartRuns) {
  QProcess first;
  Start(first);
  ASSERT_TRUE(WaitForCapture());
  first.kill(); // SIGKILL: its socket stays behind
  ASSERT_TRUE(first.waitForFinished(10000));
  dir.Write("image1.jgw", shippedJgw);
  QProcess next;
  Start(next);
  EXPECT_TRUE(WaitForCapture());
  EXPECT_EQ(next.state(), QProcess::Running);
  Stop(next);
}

} // namespace
