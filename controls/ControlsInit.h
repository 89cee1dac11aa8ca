// Start-up and shut-down of the control library, run by the program before
// its first window and after its last. Start-up: the anti-aliasing layer,
// the three theme binders (no theme library here), the layered-window probe
// of the menu utilities, the menu animation off, then the classes with
// their published properties (track bar, small control library, page
// control, image picker, menus). Shut-down undoes them in reverse:
// animation restored, theme binders released, drawing layer shut down. No
// static destructors take part.
#pragma once

void ControlsInitialize();
void ControlsFinalize();
