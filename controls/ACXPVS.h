// The theme API binder: at start-up it loads the theme library when the
// system has one and binds its functions by name; at exit it releases it.
// Where there is none (always here), every pointer stays null and the
// controls take their classic look. Two further binders (OwXPVS, APXPVS)
// bind the same functions into tables of their own through BindThemeApi.
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

/// Loads "UXTHEME.DLL" and binds `names` into `api`, in order; nothing when
/// the table is loaded already. A library that does not load, or lacks any
/// of the functions, binds nothing and leaves Loaded false.
void BindThemeApi(TThemeApi& api, const std::vector<std::string>& names);
/// Releases the library when the table holds it; the pointers are cleared.
void ReleaseThemeApi(TThemeApi& api);

/// The binder's table (process-wide).
TThemeApi& ThemeApi();
void ThemeApiInitialize();
void ThemeApiFinalize();
/// Visual styles are in use (false without the theme library).
bool ThemesActive();
