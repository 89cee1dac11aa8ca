// The theme API binder: at start-up it loads the theme library when the
// system has one and binds its functions by name; at exit it releases it.
// Where there is none (always here), every pointer stays null and the
// controls take their classic look.
#pragma once

#include <string>
#include <vector>

/// The functions bound, in order (45).
const std::vector<std::string>& ThemeApiFunctionNames();

struct TThemeApi {
  bool Loaded = false;
  void* Library = nullptr;
  std::vector<void*> Functions; // one per name, null when unbound
  /// IsThemeActive, or null.
  int (*IsThemeActive)() = nullptr;
};

/// The binder's table (process-wide).
TThemeApi& ThemeApi();
void ThemeApiInitialize();
void ThemeApiFinalize();
/// Visual styles are in use (false without the theme library).
bool ThemesActive();
