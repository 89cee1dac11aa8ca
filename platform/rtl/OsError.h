// Operating-system errors.
//
// Every runtime call that fails in the operating system records the error
// code (an errno value) in a thread-local "last error". The code is captured
// from errno at once, before another call can overwrite it.
#pragma once

#include <string>

/// The last OS error recorded on this thread (an errno value; 0 = none).
int GetLastError() noexcept;

/// Records `code` as this thread's last OS error.
void SetLastError(int code) noexcept;

/// Captures errno as this thread's last OS error and returns it. Call it
/// straight after the failing system call.
int CaptureOsError() noexcept;

/// The system's text for an OS error code ("No such file or directory").
std::string SysErrorMessage(int code);

/// "<system text> (errno <code>)" for the given code.
std::string OsErrorText(int code);

/// "<system text> (errno <code>)" for this thread's last error.
std::string LastOsErrorText();
