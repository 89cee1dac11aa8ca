// The program's start: the tool window (the main form) and the map window,
// whose creation step places it, loads the start page and builds the first
// map; then the message loop until the tool window closes.
#pragma once

class TFSkorvaplinth;

/// Makes both windows and shows the tool window. A second start of the
/// program ends inside (Halt(0), before any setting is read).
TFSkorvaplinth* CreateProgramWindows();
/// CreateProgramWindows, then the message loop; the program's exit code.
int RunProgram();
