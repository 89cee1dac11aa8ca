#include "controls/OwXPVS.h"

TThemeApi& OwThemeApi() {
  static TThemeApi api;
  return api;
}

void OwThemeApiInitialize() {
  BindThemeApi(OwThemeApi(), ThemeApiFunctionNames());
}

void OwThemeApiFinalize() {
  ReleaseThemeApi(OwThemeApi());
}
