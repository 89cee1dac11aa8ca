#include "platform/web/WebEngineEnvironment.h"

#include "platform/web/WebEngineQt.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QNetworkProxy>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <unistd.h>

#include <vector>

namespace web {
namespace {

struct EnvironmentState {
  QPointer<QWebEngineProfile> profile;
  std::vector<QPointer<QWebEngineProfile>> all;
  std::string defaultUserAgent;
  std::string token;
  WebProxy proxy;
  int fontSize = 0; // 0: the engine's default
};

EnvironmentState& State() {
  static EnvironmentState state;
  return state;
}

void AppendFlag(QByteArray& flags, const char* flag) {
  if (flags.contains(flag)) return;
  if (!flags.isEmpty()) flags += ' ';
  flags += flag;
}

void ApplyUserAgent() {
  EnvironmentState& s = State();
  std::string agent = s.defaultUserAgent;
  if (!s.token.empty()) agent += " " + s.token;
  for (const QPointer<QWebEngineProfile>& p : s.all)
    if (p) p->setHttpUserAgent(QString::fromStdString(agent));
}

} // namespace

void PrepareWebEngineEnvironment() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const bool headless = platform.startsWith("offscreen") || platform.startsWith("minimal") ||
                        (platform.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
                         qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  const QByteArray before = flags;
  if (headless) {
    AppendFlag(flags, "--disable-gpu");
    AppendFlag(flags, "--disable-gpu-compositing");
  }
  if (qgetenv("QTWEBENGINE_DISABLE_SANDBOX") == "1") AppendFlag(flags, "--no-sandbox");
  if (flags != before) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

QWebEngineProfile* WebProfile() {
  EnvironmentState& s = State();
  if (!s.profile) {
    // No storage name: off the record, nothing is written to disk.
    s.profile = new QWebEngineProfile(QCoreApplication::instance());
    s.profile->setHttpCacheType(QWebEngineProfile::NoCache);
    s.profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    if (s.fontSize > 0)
      s.profile->settings()->setFontSize(QWebEngineSettings::DefaultFontSize, s.fontSize);
    if (s.all.empty()) s.defaultUserAgent = s.profile->httpUserAgent().toStdString();
    s.all.push_back(s.profile);
    ApplyUserAgent();
  }
  return s.profile;
}

std::string DefaultWebUserAgent() {
  WebProfile();
  return State().defaultUserAgent;
}

void SetWebUserAgentToken(const std::string& token) {
  State().token = token;
  WebProfile();
  ApplyUserAgent();
}

std::string WebUserAgent() {
  return WebProfile()->httpUserAgent().toStdString();
}

void SetWebDefaultFontSize(int pixels) {
  EnvironmentState& s = State();
  s.fontSize = pixels;
  WebProfile();
  for (const QPointer<QWebEngineProfile>& p : s.all) {
    if (!p) continue;
    if (pixels > 0)
      p->settings()->setFontSize(QWebEngineSettings::DefaultFontSize, pixels);
    else
      p->settings()->resetFontSize(QWebEngineSettings::DefaultFontSize);
  }
}

int WebDefaultFontSize() {
  return WebProfile()->settings()->fontSize(QWebEngineSettings::DefaultFontSize);
}

void SetWebProxy(const WebProxy& proxy) {
  EnvironmentState& s = State();
  const bool changed = proxy.Address != s.proxy.Address || proxy.Port != s.proxy.Port ||
                       proxy.UserName != s.proxy.UserName || proxy.Password != s.proxy.Password;
  s.proxy = proxy;
  // Pages made from now on use a new profile, which reads the new proxy.
  if (changed) s.profile = nullptr;
  if (proxy.Address.empty()) {
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    return;
  }
  QNetworkProxy p(QNetworkProxy::HttpProxy, QString::fromStdString(proxy.Address),
                  static_cast<quint16>(proxy.Port), QString::fromStdString(proxy.UserName),
                  QString::fromStdString(proxy.Password));
  QNetworkProxy::setApplicationProxy(p);
}

WebProxy CurrentWebProxy() {
  return State().proxy;
}

} // namespace web
