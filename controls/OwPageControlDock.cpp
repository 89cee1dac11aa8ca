// The page control as a docking site: every docked control gets a page of
// its own, captioned after a docked form; the tab follows the control's
// caption and visibility, a press on it starts the control's drag and a
// double click floats it; a page whose control leaves goes with it.
#include <utility>

#include "controls/OwPageControl.h"
#include "platform/forms/Docking.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/ScopeGuard.h"

TOwTabSheet* TOwPageControl::DockPageOf(TControl* control) const {
  if (control == nullptr || control->HostDockSite() != this) return nullptr;
  for (TOwTabSheet* page : pages_)
    if (control->Parent() == page) return page;
  return nullptr;
}

TControl* TOwPageControl::DockClientAt(TPoint p) const {
  if (!DockSite()) return nullptr;
  const int tab = IndexOfTabAt(p);
  if (tab < 0) return nullptr;
  TOwTabSheet* page = nullptr;
  for (int i = 0; i <= tab; ++i)
    page = NextVisiblePage(page, true, true);
  if (page == nullptr || page->ControlCount() == 0) return nullptr;
  TControl* first = page->Controls(0);
  return first->HostDockSite() == this ? first : nullptr;
}

void TOwPageControl::GetSiteInfo(TControl* client, TRect& influenceRect, TPoint mousePos,
                                 bool& canDock) {
  canDock = DockPageOf(client) == nullptr;
  TCustomTabControl::GetSiteInfo(client, influenceRect, mousePos, canDock);
}

void TOwPageControl::DockOver(TDragDockObject& source, int x, int y, TDragState state,
                              bool& accept) {
  const TPoint origin = ClientToScreen(TPoint(0, 0));
  const TPoint offset = ClientOffset();
  const int left = origin.x - offset.x, top = origin.y - offset.y;
  source.DockRect = TRect(left, top, left + Width(), top + Height());
  TCustomTabControl::DockOver(source, x, y, state, accept);
}

void TOwPageControl::DockClient(TMessage& m) {
  m.Result = 0;
  TDragDockObject* source = TCMDockClient{m}.DockSource();
  TControl* client = source->Control;
  auto forget = ScopeExit([this] { dockSheet_ = nullptr; });
  auto* sheet = new TOwTabSheet(this);
  dockSheet_ = sheet;
  // A failure frees the new sheet, never the control, and passes on.
  auto drop = ScopeExit([sheet, client] {
    if (client->Parent() == sheet) client->SetParent(nullptr);
    delete sheet;
  });
  if (auto* form = dynamic_cast<TForm*>(client)) sheet->SetCaption(form->Caption());
  sheet->AttachToPageControl(this);
  const TRect& r = source->DockRect;
  const TPoint at = ScreenToClient(TPoint(r.Left, r.Top));
  client->Dock(this, TRect(at.x, at.y, at.x + r.Width(), at.y + r.Height()));
  const bool visible = client->Visible();
  drop.Dismiss();
  sheet->SetTabVisible(visible);
  if (visible) SetActivePage(sheet);
  client->SetAlign(TAlign::alClient);
}

void TOwPageControl::DoAddDockClient(TControl* client, const TRect& rect) {
  if (dockSheet_ != nullptr)
    client->SetParent(dockSheet_);
  else
    TCustomTabControl::DoAddDockClient(client, rect);
}

void TOwPageControl::UnDockClient(TMessage& m) {
  m.Result = 0;
  TControl* client = TCMUnDockClient{m}.Client();
  if (TOwTabSheet* page = DockPageOf(client)) {
    undockSheet_ = page;
    client->SetAlign(TAlign::alNone);
  }
}

void TOwPageControl::DoRemoveDockClient(TControl* client) {
  TCustomTabControl::DoRemoveDockClient(client);
  if (undockSheet_ == nullptr || IsDestroying()) return;
  StepPage(true);
  delete std::exchange(undockSheet_, nullptr);
}

void TOwPageControl::DockNotification(TMessage& m) {
  const TCMDockNotification n{m};
  if (TOwTabSheet* page = DockPageOf(n.Client())) {
    const TDockNotifyRec* rec = n.NotifyRec();
    if (rec->ClientMsg == WM_SETTEXT) {
      // The tab shows the first line only.
      const char* text = reinterpret_cast<const char*>(rec->MsgLParam);
      const std::string caption = text != nullptr ? text : "";
      page->SetCaption(caption.substr(0, caption.find_first_of("\r\n")));
    } else if (rec->ClientMsg == CM_VISIBLECHANGED) {
      page->SetTabVisible(rec->MsgWParam != 0);
    }
  }
  TCustomTabControl::Dispatch(m);
}

void TOwPageControl::DockTabMouse(TMessage& m) {
  TControl* client = DockClientAt(TPoint(GetXLParam(m.LParam), GetYLParam(m.LParam)));
  if (client == nullptr) return;
  // The tab model draws plain tabs only, so a press always may start a drag.
  if (m.Msg == WM_LBUTTONDOWN)
    client->BeginDrag(false);
  else
    client->ManualDock(nullptr);
}
