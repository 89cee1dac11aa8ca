#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/forms/SingleInstance.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

/// Runs this test program again as a second instance looking for `title`.
int runSecondInstance(const std::string& title) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("SK_FORMS_SECOND_INSTANCE", QString::fromStdString(title));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.start(QCoreApplication::applicationFilePath(), {});
  if (!p.waitForStarted()) return -1;
  // The first instance must keep answering while the second one talks to it.
  // The end of the child may be noticed inside processEvents, after which
  // waitForFinished answers false for good: wait on the state instead.
  QDeadlineTimer deadline(120000);
  while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    p.waitForFinished(10);
    QCoreApplication::processEvents();
  }
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished(5000);
    return -4;
  }
  QCoreApplication::processEvents();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

TEST(SingleInstance, ASecondInstanceBringsTheFirstForwardAndEnds) {
  const std::string title =
      "Skorvaplinth test " + QString::number(QCoreApplication::applicationPid()).toStdString();
  EXPECT_EQ(runSecondInstance(title), 3); // nobody registered yet
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.SetWindowState(TWindowState::wsMinimized);
  int raised = 0;
  TInstanceRegistration reg("TFSkorvaplinth", title, &form, [&] {
    ++raised;
    form.SetWindowState(TWindowState::wsNormal);
    form.Show();
  });
  ASSERT_TRUE(reg.Listening());
  EXPECT_EQ(runSecondInstance(title), 0);
  for (int i = 0; i < 50 && raised == 0; ++i)
    QCoreApplication::processEvents();
  EXPECT_EQ(raised, 1);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(runSecondInstance(title + " other"), 3); // another title: not found
}

TEST(SingleInstance, AStaleSocketIsTakenOver) {
  const std::string title =
      "Stale " + QString::number(QCoreApplication::applicationPid()).toStdString();
  {
    TInstanceRegistration first("TFSkorvaplinth", title, nullptr, [] {});
    ASSERT_TRUE(first.Listening());
    TInstanceRegistration second("TFSkorvaplinth", title, nullptr, [] {});
    EXPECT_FALSE(second.Listening()); // the first one answers: not stale
  }
  std::string path;
  {
    TInstanceRegistration again("TFSkorvaplinth", title, nullptr, [] {});
    EXPECT_TRUE(again.Listening());
    path = again.SocketPath();
  }
  // A socket file nobody listens on, as a crashed instance leaves it.
  QFile stale(QString::fromStdString(path));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();
  TInstanceRegistration taken("TFSkorvaplinth", title, nullptr, [] {});
  EXPECT_TRUE(taken.Listening());
}

} // namespace
