// The process-wide side of the browser engine: the set-up that must happen
// before the application object is created, and the settings that belong to
// this process only (user agent, proxy). Nothing here writes settings outside
// the program: the engine runs on an off-the-record profile without a disk
// cache, and the proxy is the application's own.
#pragma once

#include <string>

namespace web {

/// Call in main() before the application object is created: shares OpenGL
/// contexts as the engine requires, switches the engine's sandbox off when
/// running as root (or when asked through the environment), and its GPU use
/// off on the offscreen platform or without a display. Safe to call twice.
void PrepareWebEngineEnvironment();

/// The engine's own user agent (without a token).
std::string DefaultWebUserAgent();
/// Sets the user agent of every view of this process to the engine's own
/// followed by " " and the token; an empty token restores the engine's own.
void SetWebUserAgentToken(const std::string& token);
/// The user agent the views of this process send.
std::string WebUserAgent();

/// The default font size in pixels of every page of this process whose host
/// does not set its own (the engine's default is 16).
void SetWebDefaultFontSize(int pixels);
int WebDefaultFontSize();

/// The process's HTTP proxy (an empty address: direct connections). The user
/// name and password answer the proxy's authentication requests.
struct WebProxy {
  std::string Address;
  int Port = 80;
  std::string UserName;
  std::string Password;
};
void SetWebProxy(const WebProxy& proxy);
WebProxy CurrentWebProxy();

} // namespace web
