// Docking sites and docked controls: manual docking and floating, the
// docking step with its messages to the old and new site, the notifications
// a docked control sends its site, and the drag start hook.
#include "platform/forms/Docking.h"

#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/rtl/ScopeGuard.h"

namespace {
TDragStartHook& DragStartHook() {
  static TDragStartHook hook;
  return hook;
}

/// The control's window rectangle on the screen.
TRect ScreenBounds(const TControl* control) {
  const TPoint o = control->Parent() != nullptr
                       ? control->Parent()->ClientToScreen(TPoint(control->Left(), control->Top()))
                       : TPoint(control->Left(), control->Top());
  return TRect(o.x, o.y, o.x + control->Width(), o.y + control->Height());
}
} // namespace

TDragStartHook SetDragStartHook(TDragStartHook hook) {
  TDragStartHook old = std::move(DragStartHook());
  DragStartHook() = std::move(hook);
  return old;
}

void TControl::BeginDrag(bool immediate, int threshold) {
  if (TDragStartHook hook = DragStartHook()) hook(this, immediate, threshold);
}

bool TControl::ManualDock(TWinControl* site) {
  if (site == nullptr) {
    if (dynamic_cast<TForm*>(this) == nullptr) return false;
    Dock(nullptr, ScreenBounds(this));
    return true;
  }
  if (!site->DockSite()) return false;
  // Dropped at the middle of the site's client area.
  const TPoint at(site->ClientWidth() / 2, site->ClientHeight() / 2);
  TRect influence = ScreenBounds(site);
  bool canDock = true;
  site->GetSiteInfo(this, influence, site->ClientToScreen(at), canDock);
  if (!canDock) return false;
  TDragDockObject drag;
  drag.Control = this;
  const TPoint origin = site->ClientToScreen(TPoint(0, 0));
  drag.DockRect =
      TRect(origin.x, origin.y, origin.x + site->ClientWidth(), origin.y + site->ClientHeight());
  bool accept = true;
  site->DockOver(drag, at.x, at.y, TDragState::dsDragMove, accept);
  if (!accept) return false;
  site->Perform(CM_DOCKCLIENT, WPARAM(&drag), MakeLParam(at.x, at.y));
  return hostDockSite_ == site;
}

void TControl::Dock(TWinControl* site, const TRect& rect) {
  if (site == nullptr && dynamic_cast<TForm*>(this) == nullptr)
    throw EInvalidOperation("Only a form can float");
  TWinControl* old = hostDockSite_;
  if (old != nullptr && old != site) old->Perform(CM_UNDOCKCLIENT, WPARAM(site), LPARAM(this));
  if (site != nullptr) {
    hostDockSite_ = site;
    if (std::find(site->dockClients_.begin(), site->dockClients_.end(), this) ==
        site->dockClients_.end())
      site->dockClients_.push_back(this);
    // A failure while placing leaves the control with the site it had.
    auto rollBack = ScopeExit([this, site, old] {
      std::erase(site->dockClients_, static_cast<TControl*>(this));
      hostDockSite_ = old;
    });
    site->DoAddDockClient(this, rect);
    rollBack.Dismiss();
  } else {
    hostDockSite_ = nullptr;
    SetParent(nullptr);
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  }
  if (old != nullptr && old != site) {
    std::erase(old->dockClients_, static_cast<TControl*>(this));
    old->DoRemoveDockClient(this);
  }
}

void TControl::NotifyHostDockSite(UINT msg, WPARAM w, LPARAM l) {
  if (hostDockSite_ == nullptr) return;
  TDockNotifyRec rec{msg, w, l};
  hostDockSite_->Perform(CM_DOCKNOTIFICATION, WPARAM(this), LPARAM(&rec));
}

void TWinControl::GetSiteInfo(TControl* /*client*/, TRect& /*influenceRect*/, TPoint /*mousePos*/,
                              bool& /*canDock*/) {}

void TWinControl::DockOver(TDragDockObject& /*source*/, int /*x*/, int /*y*/, TDragState /*state*/,
                           bool& /*accept*/) {}

void TWinControl::DoAddDockClient(TControl* client, const TRect& rect) {
  client->SetParent(this);
  client->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TWinControl::DoRemoveDockClient(TControl* /*client*/) {}
