#include "tests/platform/web/WebTestSupport.h"

#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineQt.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace webtest {
namespace {
std::unique_ptr<QTemporaryDir> g_dir;
QString g_home;
} // namespace

QString Dir() {
  return g_dir->path();
}
QString Home() {
  return g_home;
}

std::string WritePage(const QString& name, const QString& html) {
  const QString path = g_dir->filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  f.write(html.toUtf8());
  return path.toStdString();
}

void ShowIn(QWidget& window, web::WebEngineHost& host, int width, int height) {
  window.resize(width, height);
  web::AttachTo(host, &window);
  host.SetBounds(0, 0, width, height);
  window.show();
}

void Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

} // namespace webtest

int main(int argc, char** argv) {
  // A fresh HOME: the engine must write nothing into the user's folders.
  static QTemporaryDir home;
  webtest::g_home = home.path();
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
  qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toUtf8());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  web::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  webtest::g_dir = std::make_unique<QTemporaryDir>();
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  webtest::g_dir.reset();
  return rc;
}
