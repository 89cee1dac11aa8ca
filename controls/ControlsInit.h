// Start-up and shut-down of the control library, run by the program before
// its first window and after its last: the drawing layer, then the classes
// with their published properties. Shut-down undoes the steps in reverse.
#pragma once

void ControlsInitialize();
void ControlsFinalize();
