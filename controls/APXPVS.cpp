#include "controls/APXPVS.h"

#include <algorithm>

const std::vector<std::string>& ApThemeApiFunctionNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v = ThemeApiFunctionNames();
    const auto at = std::find(v.begin(), v.end(), "GetThemeDocumentationProperty");
    v.insert(at + 1, "GetThemePartSize");
    return v;
  }();
  return names;
}

TThemeApi& ApThemeApi() {
  static TThemeApi api;
  return api;
}

void ApThemeApiInitialize() {
  BindThemeApi(ApThemeApi(), ApThemeApiFunctionNames());
}

void ApThemeApiFinalize() {
  ReleaseThemeApi(ApThemeApi());
}
