// A third binder of the theme API with its own table: the 45 functions with
// GetThemePartSize between GetThemeDocumentationProperty and
// DrawThemeParentBackground (46). Nothing draws through it.
#pragma once

#include "controls/ACXPVS.h"

/// The 46 functions of this table, in order.
const std::vector<std::string>& ApThemeApiFunctionNames();
TThemeApi& ApThemeApi();
void ApThemeApiInitialize();
void ApThemeApiFinalize();
