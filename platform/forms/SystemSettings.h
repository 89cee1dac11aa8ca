// Settings of the windowing system that programs may change for
// themselves: the menu animation (per process here).
#pragma once

bool MenuAnimationEnabled();
void SetMenuAnimationEnabled(bool enabled);
