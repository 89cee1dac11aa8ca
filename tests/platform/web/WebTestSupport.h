// Shared helpers of the browser engine tests: the test program's main()
// creates one application object on the offscreen platform and a temporary
// folder for pages, and sets HOME to a fresh folder so that a test can check
// that nothing was written there.
#pragma once

#include <QString>

#include "tests/support/EventLoopWait.h"

class QWidget;
namespace web {
class WebEngineHost;
}

#include <functional>
#include <string>

namespace webtest {

/// The temporary folder of this run (pages are written here).
QString Dir();
/// The temporary HOME of this run.
QString Home();
/// Writes text into Dir()/name and returns the full path.
std::string WritePage(const QString& name, const QString& html);
using sktest::WaitUntil;
/// Processes events for ms milliseconds.
void Pump(int ms);
/// Places the host's view into window, both width x height, and shows it.
void ShowIn(QWidget& window, web::WebEngineHost& host, int width, int height);

} // namespace webtest
