// Docking sites and docked controls: docking a form and floating it again,
// the order of the site's messages, the notifications a docked control
// sends, refusals, and what a freed site or control leaves behind.
#include <gtest/gtest.h>

#include <QWidget>

#include "FormsTestSupport.h"
#include "platform/forms/Docking.h"
#include "platform/forms/StdCtrls.h"

namespace {
/// A docking site that records what it hears, with the client's parent at
/// that moment.
class TSpySite : public TCustomControl {
public:
  explicit TSpySite(TComponent* owner) : TCustomControl(owner) { SetDockSite(true); }
  std::vector<std::string> Log;
  bool Refuse = false;
  void GetSiteInfo(TControl* client, TRect& influence, TPoint at, bool& canDock) override {
    TCustomControl::GetSiteInfo(client, influence, at, canDock);
    if (Refuse) canDock = false;
  }

protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_UNDOCKCLIENT)
      Log.push_back(std::string("undock, ") + Where(TCMUnDockClient{m}.Client()));
    if (m.Msg == CM_DOCKNOTIFICATION) {
      const TDockNotifyRec* rec = TCMDockNotification{m}.NotifyRec();
      if (rec->ClientMsg == WM_SETTEXT)
        Log.push_back(std::string("text ") + reinterpret_cast<const char*>(rec->MsgLParam));
      if (rec->ClientMsg == CM_VISIBLECHANGED) Log.push_back(rec->MsgWParam ? "shown" : "hidden");
    }
    TCustomControl::Dispatch(m);
  }
  void DoRemoveDockClient(TControl* client) override {
    Log.push_back(std::string("removed, ") + Where(client));
    TCustomControl::DoRemoveDockClient(client);
  }

private:
  std::string Where(TControl* client) const {
    return client->Parent() == this ? "still here" : "gone";
  }
};

struct TDockHost {
  TForm* form = new TForm(nullptr);
  TSpySite* site;
  TSpySite* other;
  TForm* docked = new TForm(nullptr);
  TDockHost() {
    form->SetBounds(100, 100, 400, 300);
    site = new TSpySite(form);
    site->SetParent(form);
    site->SetBounds(10, 10, 200, 150);
    other = new TSpySite(form);
    other->SetParent(form);
    other->SetBounds(220, 10, 150, 150);
    docked->SetBounds(500, 50, 120, 90);
    docked->SetCaption("Layers");
    form->Show();
    docked->Show();
    PumpEvents();
  }
  ~TDockHost() {
    delete docked;
    delete form;
  }
};
} // namespace

TEST(Docking, AFormDocksAsAChildWindowAndFloatsAgain) {
  TDockHost h;
  ASSERT_TRUE(h.docked->ManualDock(h.site));
  EXPECT_EQ(h.docked->HostDockSite(), h.site);
  EXPECT_EQ(h.docked->Parent(), h.site);
  ASSERT_EQ(h.site->DockClientCount(), 1);
  EXPECT_EQ(h.site->DockClients(0), h.docked);
  EXPECT_FALSE(h.docked->Widget()->isWindow());
  EXPECT_TRUE(h.docked->Showing());
  // No frame while docked: the client area is the whole form, at its place.
  EXPECT_EQ(h.docked->ClientWidth(), h.docked->Width());
  EXPECT_EQ(h.docked->ClientOrigin(),
            h.site->ClientToScreen(TPoint(h.docked->Left(), h.docked->Top())));

  // Moving to another site: the old one hears of it before the move and lets
  // go after it.
  ASSERT_TRUE(h.docked->ManualDock(h.other));
  EXPECT_EQ(h.site->Log, (std::vector<std::string>{"undock, still here", "removed, gone"}));
  EXPECT_EQ(h.site->DockClientCount(), 0);
  EXPECT_EQ(h.docked->Parent(), h.other);

  const TPoint at = h.other->ClientToScreen(TPoint(h.docked->Left(), h.docked->Top()));
  ASSERT_TRUE(h.docked->ManualDock(nullptr));
  EXPECT_EQ(h.other->Log, (std::vector<std::string>{"undock, still here", "removed, gone"}));
  EXPECT_EQ(h.docked->HostDockSite(), nullptr);
  EXPECT_EQ(h.docked->Parent(), nullptr);
  EXPECT_TRUE(h.docked->Widget()->isWindow());
  EXPECT_TRUE(h.docked->Showing());
  EXPECT_EQ(TPoint(h.docked->Left(), h.docked->Top()), at); // floats where it stood
  EXPECT_LT(h.docked->ClientWidth(), h.docked->Width());    // with its frame again
}

TEST(Docking, ADockedControlTellsItsSiteOfTextAndVisibility) {
  TDockHost h;
  auto* panel = new TPanel(h.form);
  panel->SetParent(h.form);
  for (TControl* client : {static_cast<TControl*>(h.docked), static_cast<TControl*>(panel)}) {
    h.site->Log.clear();
    client->SetCaption("before");
    EXPECT_TRUE(h.site->Log.empty()) << "not docked yet";
    ASSERT_TRUE(client->ManualDock(h.site));
    client->SetCaption("Legend\nsecond line");
    client->Hide();
    client->Show();
    EXPECT_EQ(h.site->Log,
              (std::vector<std::string>{"text Legend\nsecond line", "hidden", "shown"}))
        << client->ClassName();
  }
}

TEST(Docking, RefusalsChangeNothing) {
  TDockHost h;
  h.site->SetDockSite(false);
  EXPECT_FALSE(h.docked->ManualDock(h.site)) << "not a docking site";
  h.site->SetDockSite(true);
  h.site->Refuse = true;
  EXPECT_FALSE(h.docked->ManualDock(h.site)) << "the site's information refuses";
  EXPECT_EQ(h.docked->HostDockSite(), nullptr);
  EXPECT_EQ(h.docked->Parent(), nullptr);
  EXPECT_EQ(h.site->DockClientCount(), 0);

  // Only forms float.
  auto* panel = new TPanel(h.form);
  panel->SetParent(h.form);
  ASSERT_TRUE(panel->ManualDock(h.other));
  EXPECT_FALSE(panel->ManualDock(nullptr));
  EXPECT_THROW(panel->Dock(nullptr, TRect(0, 0, 10, 10)), EInvalidOperation);
  EXPECT_EQ(panel->HostDockSite(), h.other);
  EXPECT_EQ(panel->Parent(), h.other);
}

TEST(Docking, AControlCannotGoInsideItself) {
  TDockHost h;
  // The form that holds the site, docked into it, would be its own parent.
  EXPECT_THROW(h.form->ManualDock(h.site), EInvalidOperation);
  EXPECT_EQ(h.form->Parent(), nullptr);
  EXPECT_EQ(h.form->HostDockSite(), nullptr);
  EXPECT_EQ(h.site->DockClientCount(), 0);
  EXPECT_THROW(h.form->SetParent(h.site), EInvalidOperation);
  EXPECT_THROW(h.site->SetParent(h.site), EInvalidOperation);
}

TEST(Docking, FreedSitesAndControlsLeaveNoReference) {
  TDockHost h;
  auto* panel = new TPanel(h.form);
  panel->SetParent(h.form);
  ASSERT_TRUE(panel->ManualDock(h.site));
  ASSERT_TRUE(h.docked->ManualDock(h.site));
  delete panel;
  ASSERT_EQ(h.site->DockClientCount(), 1);
  EXPECT_EQ(h.site->DockClients(0), h.docked);
  // The docked form moves out of the way; its site goes.
  h.docked->SetParent(h.other);
  delete h.site;
  EXPECT_EQ(h.docked->HostDockSite(), nullptr);
}

TEST(Docking, BeginDragGoesToTheHook) {
  TDockHost h;
  std::vector<std::tuple<TControl*, bool, int>> starts;
  TDragStartHook old = SetDragStartHook([&](TControl* c, bool immediate, int threshold) {
    starts.emplace_back(c, immediate, threshold);
  });
  h.docked->BeginDrag(false);
  h.site->BeginDrag(true, 8);
  SetDragStartHook(old);
  h.docked->BeginDrag(true); // no hook: nothing
  EXPECT_EQ(starts, (std::vector<std::tuple<TControl*, bool, int>>{
                        {h.docked, false, -1}, {static_cast<TControl*>(h.site), true, 8}}));
}
