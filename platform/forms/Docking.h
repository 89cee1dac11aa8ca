// Docking: what a docking site and the controls docked into it tell each
// other. The layer has no drag loop of its own: a dock drag ends in the same
// steps as TControl::ManualDock, which runs them at once (the site's
// information, dock-over, then CM_DOCKCLIENT), and BeginDrag hands the start
// of a drag to a hook.
//
// The messages (LParam and WParam as the typed views below read them):
//   CM_DOCKCLIENT        to the site: place the drag object's control;
//                        Result 0 when handled.
//   CM_UNDOCKCLIENT      to the old site before a docked control leaves it
//                        (for another site or to float).
//   CM_DOCKNOTIFICATION  to the site when a docked control's text changes
//                        (WM_SETTEXT, LParam the new text as const char*) or
//                        its Visible does (CM_VISIBLECHANGED, WParam 1 or 0).
// Files: Docking.cpp (TControl's and TWinControl's docking members).
#pragma once

#include <functional>

#include "platform/forms/Controls.h"
#include "platform/forms/Messages.h"

/// The control of a dock drag and where it would land (screen coordinates).
struct TDragDockObject {
  TControl* Control = nullptr;
  TRect DockRect;
  bool Floating = false;
};

enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };

/// CM_DOCKCLIENT: WParam the drag object, LParam the point (site's client
/// coordinates).
struct TCMDockClient {
  TMessage& M;
  TDragDockObject* DockSource() const { return reinterpret_cast<TDragDockObject*>(M.WParam); }
  TPoint MousePos() const { return TPoint(GetXLParam(M.LParam), GetYLParam(M.LParam)); }
};

/// CM_UNDOCKCLIENT: WParam the new site (null: floating), LParam the client.
struct TCMUnDockClient {
  TMessage& M;
  TWinControl* NewTarget() const { return reinterpret_cast<TWinControl*>(M.WParam); }
  TControl* Client() const { return reinterpret_cast<TControl*>(M.LParam); }
};

/// The client's message a CM_DOCKNOTIFICATION passes on.
struct TDockNotifyRec {
  UINT ClientMsg = 0;
  WPARAM MsgWParam = 0;
  LPARAM MsgLParam = 0;
};

/// CM_DOCKNOTIFICATION: WParam the client, LParam its message.
struct TCMDockNotification {
  TMessage& M;
  TControl* Client() const { return reinterpret_cast<TControl*>(M.WParam); }
  const TDockNotifyRec* NotifyRec() const {
    return reinterpret_cast<const TDockNotifyRec*>(M.LParam);
  }
};

/// Where a drag begins: the control, whether at once, and the distance the
/// pointer must move first (-1: the system's default).
using TDragStartHook = std::function<void(TControl* control, bool immediate, int threshold)>;
/// Installs the hook (empty: drags are not started); returns the previous one.
TDragStartHook SetDragStartHook(TDragStartHook hook);
