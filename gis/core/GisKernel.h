// Start-up and shutdown of the kernel's process-wide state.
//
// There are no static initialisers: the program (or a test) calls
// GisKernelInit once before using the kernel and GisKernelDone at exit. The
// foundation's own state comes first, in this order: the message table (with
// its notification list), the remembered decimal separator, the remembered
// layer passwords. Other kernel libraries register their state as units;
// those start after the foundation in registration order and are shut down in
// reverse, before the foundation.
#pragma once

#include <functional>
#include <string>

/// Starts the kernel; a second call does nothing.
void GisKernelInit();
/// Shuts the kernel down in reverse order; does nothing when not started.
void GisKernelDone();
/// Whether GisKernelInit has run (and GisKernelDone not since).
bool GisKernelStarted();

/// Registers one unit of process-wide state. When the kernel has already
/// started, `init` runs at once. A unit registered twice under one name is
/// kept once.
void GisKernelRegisterUnit(const std::string& name, std::function<void()> init,
                           std::function<void()> done);

/// For tests: brings every piece of process-wide state back to the state right
/// after start-up (starting the kernel when needed): English texts, an empty
/// notification list, the remembered separator taken again from the settings,
/// an empty password list; registered units are shut down and started again.
void GisKernelResetForTests();
