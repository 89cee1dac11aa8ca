// The page's window moves and resizes. The engine moves no window for a
// page that is not a popup of its own, so window.moveTo, moveBy, resizeTo
// and resizeBy of every page are replaced, before the page's own scripts
// run, by functions that report the call to the host through a console
// message of their own, which the page never sees come back.
#include "platform/web/WebEngineQt.h"

#include "platform/rtl/Format.h"

#include <QStringList>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace web {

namespace {

const char* const kBridgeScriptName = "sk-window-bridge";
/// The first word of a bridge message.
const char* const kBridgeMarker = "\x01sk-window";

const char* const kBridgeSource =
    "(function(){var log=console.log.bind(console);"
    "function bridge(name){return function(a,b){"
    "log('\\u0001sk-window '+name+' '+((+a)|0)+' '+((+b)|0));};}"
    "try{window.moveTo=bridge('moveTo');window.moveBy=bridge('moveBy');"
    "window.resizeTo=bridge('resizeTo');window.resizeBy=bridge('resizeBy');}catch(e){}})();";

struct RequestName {
  const char* name;
  WebWindowRequest kind;
};
constexpr RequestName kRequests[] = {
    {"moveTo", WebWindowRequest::MoveTo},
    {"moveBy", WebWindowRequest::MoveBy},
    {"resizeTo", WebWindowRequest::ResizeTo},
    {"resizeBy", WebWindowRequest::ResizeBy},
};

} // namespace

void InstallWindowBridge(QWebEngineScriptCollection& scripts) {
  for (const QWebEngineScript& old : scripts.find(kBridgeScriptName))
    scripts.remove(old);
  QWebEngineScript script;
  script.setName(kBridgeScriptName);
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(QString::fromLatin1(kBridgeSource));
  scripts.insert(script);
}

bool TakeWindowBridgeMessage(const QString& message, WebEngineHost& owner) {
  if (!message.startsWith(QString::fromLatin1(kBridgeMarker))) return false;
  const QStringList words = message.split(QLatin1Char(' '));
  if (words.size() != 4) return true;
  for (const RequestName& r : kRequests)
    if (words[1] == QLatin1String(r.name)) {
      const int a = StrToIntDef(words[2].toStdString(), 0);
      const int b = StrToIntDef(words[3].toStdString(), 0);
      if (owner.OnWindowRequest) owner.OnWindowRequest(r.kind, a, b);
    }
  return true;
}

} // namespace web
