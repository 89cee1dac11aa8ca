// For harnesses over the window layer: the application object of FuzzGui.h,
// and message boxes answered at once (Cancel) so that no input waits for a
// person; the box's text goes to stderr.
#pragma once

#include <cstdio>

#include "fuzz/support/FuzzGui.h"
#include "platform/forms/Forms.h"

namespace skfuzz {

inline void StartForms(int* argc, char*** argv) {
  StartGui(argc, argv);
  SetDialogAnswerer([](const TDialogRequest& r) {
    std::fprintf(stderr, "fuzz: a message box: %s: %s\n", r.Caption.c_str(), r.Text.c_str());
    return (r.Flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  });
}

} // namespace skfuzz
