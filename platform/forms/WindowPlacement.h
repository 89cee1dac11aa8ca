// A form's placement record, the tracking limits asked with WM_GETMINMAXINFO,
// the maximize button, and the application window's minimise command.
//
// GetWindowPlacement/SetWindowPlacement keep one record per form: the show
// command comes from the form (SW_HIDE while it is hidden, else
// SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED), the normal rectangle
// from its bounds (frame included), and the minimised and maximised
// positions are kept as they were set (both start at (-1, -1)). A record set
// while the form is hidden takes effect when it shows.
//
// ApplyMinMaxInfo sends WM_GETMINMAXINFO to a form and turns the answer into
// the window's minimum and maximum size: equal minimum and maximum tracking
// sizes give a fixed size. Files: WindowPlacement.cpp.
#pragma once

#include "platform/forms/Forms.h"

struct WINDOWPLACEMENT {
  UINT length = 44;
  UINT flags = 0;
  UINT showCmd = 0;
  TPoint ptMinPosition{-1, -1};
  TPoint ptMaxPosition{-1, -1};
  TRect rcNormalPosition;
};
constexpr UINT WPF_SETMINPOSITION = 1;

struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

/// The placement of the form whose window `h` is; false for another window.
bool GetWindowPlacement(HWND h, WINDOWPLACEMENT* placement);
/// Applies the record: the normal rectangle (when its right edge lies beyond
/// its left edge; its size at most the screen's and a frame) and, for a
/// visible form, the show command (0 changes nothing). The flags and positions are kept for the
/// next read.
bool SetWindowPlacement(HWND h, const WINDOWPLACEMENT* placement);

/// Asks the form for its limits (WM_GETMINMAXINFO, LParam = the record,
/// prefilled with the screen's defaults) and applies them to its window.
void ApplyMinMaxInfo(TForm* form);

/// The form's maximize button (biMaximize).
bool FormHasMaximizeButton(TForm* form);
void SetFormMaximizeButton(TForm* form, bool value);

/// The application window handles WM_SYSCOMMAND SC_MINIMIZE by minimising
/// the main form; a hidden main form shows minimised. Installed on first use
/// of the placement calls; idempotent.
void InstallApplicationMinimize();
