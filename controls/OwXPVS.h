// A second binder of the theme API with its own table: the same 45
// functions, bound at start-up and released at exit. Nothing draws through
// it.
#pragma once

#include "controls/ACXPVS.h"

TThemeApi& OwThemeApi();
void OwThemeApiInitialize();
void OwThemeApiFinalize();
