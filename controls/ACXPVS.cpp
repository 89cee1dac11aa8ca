#include "controls/ACXPVS.h"

#include "platform/rtl/DynLib.h"

const std::vector<std::string>& ThemeApiFunctionNames() {
  static const std::vector<std::string> names = {"OpenThemeData",
                                                 "CloseThemeData",
                                                 "DrawThemeBackground",
                                                 "DrawThemeText",
                                                 "GetThemeBackgroundContentRect",
                                                 "GetThemeBackgroundExtent",
                                                 "GetThemeTextExtent",
                                                 "GetThemeTextMetrics",
                                                 "GetThemeBackgroundRegion",
                                                 "HitTestThemeBackground",
                                                 "DrawThemeEdge",
                                                 "DrawThemeIcon",
                                                 "IsThemePartDefined",
                                                 "IsThemeBackgroundPartiallyTransparent",
                                                 "GetThemeColor",
                                                 "GetThemeMetric",
                                                 "GetThemeString",
                                                 "GetThemeBool",
                                                 "GetThemeInt",
                                                 "GetThemeEnumValue",
                                                 "GetThemePosition",
                                                 "GetThemeFont",
                                                 "GetThemeRect",
                                                 "GetThemeMargins",
                                                 "GetThemeIntList",
                                                 "SetWindowTheme",
                                                 "GetThemeFilename",
                                                 "GetThemeSysColor",
                                                 "GetThemeSysColorBrush",
                                                 "GetThemeSysBool",
                                                 "GetThemeSysSize",
                                                 "GetThemeSysFont",
                                                 "GetThemeSysString",
                                                 "GetThemeSysInt",
                                                 "IsThemeActive",
                                                 "IsAppThemed",
                                                 "GetWindowTheme",
                                                 "EnableThemeDialogTexture",
                                                 "IsThemeDialogTextureEnabled",
                                                 "GetThemeAppProperties",
                                                 "SetThemeAppProperties",
                                                 "GetCurrentThemeName",
                                                 "GetThemeDocumentationProperty",
                                                 "DrawThemeParentBackground",
                                                 "EnableTheming"};
  return names;
}

void BindThemeApi(TThemeApi& api, const std::vector<std::string>& names) {
  if (api.Loaded) return;
  api.Functions.assign(names.size(), nullptr);
  HMODULE library = LoadLibrary("UXTHEME.DLL");
  if (!library) return;
  // A library lacking any of the functions counts as no theme API.
  std::vector<void*> bound;
  for (const std::string& name : names) {
    void* f = GetProcAddress(library, name);
    if (!f) {
      FreeLibrary(library);
      return;
    }
    bound.push_back(f);
  }
  api.Loaded = true;
  api.Library = library;
  api.Functions = bound;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == "IsThemeActive") api.IsThemeActive = reinterpret_cast<int (*)()>(bound[i]);
}

void ReleaseThemeApi(TThemeApi& api) {
  if (api.Loaded) FreeLibrary(static_cast<HMODULE>(api.Library));
  api = TThemeApi();
}

TThemeApi& ThemeApi() {
  static TThemeApi api;
  return api;
}

void ThemeApiInitialize() {
  BindThemeApi(ThemeApi(), ThemeApiFunctionNames());
}

void ThemeApiFinalize() {
  ReleaseThemeApi(ThemeApi());
}

bool ThemesActive() {
  return ThemeApi().IsThemeActive && ThemeApi().IsThemeActive() != 0;
}
