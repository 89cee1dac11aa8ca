// Window hooks: order, swallowing, results, failing handlers, a recreated
// window, a later subclasser, stale posted messages, and control removal.
#include <gtest/gtest.h>

#include "formstate/UxHook.h"
#include "platform/forms/StdCtrls.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

constexpr UINT kProbe = WM_USER + 7;

// A control that records what reaches its own window procedure.
class TProbeControl : public TCustomControl {
  SK_CLASS(TProbeControl, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string>* log = nullptr;
  void Dispatch(TMessage& m) override {
    if (m.Msg == kProbe) {
      if (log) log->push_back("control");
      m.Result = 10;
      return;
    }
    if (m.Msg == WM_DESTROY && log) log->push_back("control destroy");
    TCustomControl::Dispatch(m);
  }
};

struct TFixture {
  std::unique_ptr<TForm, TFormFree> form{new TForm(nullptr)};
  TProbeControl* control;
  std::vector<std::string> log;
  TFixture() {
    control = new TProbeControl(form.get());
    control->SetParent(form.get());
    control->log = &log;
    control->HandleNeeded();
  }
  TUxWindowHook* hook(const std::string& name, bool handle = false) {
    auto* h = new TUxWindowHook(form.get());
    h->BeforeMessage = [this, name, handle](TPersistent*, TMessage& m, bool& handled) {
      if (m.Msg != kProbe && m.Msg != WM_DESTROY) return;
      log.push_back(name + " before");
      handled = handle;
    };
    h->AfterMessage = [this, name](TPersistent*, TMessage& m, bool&) {
      if (m.Msg != kProbe && m.Msg != WM_DESTROY) return;
      log.push_back(name + " after");
      if (m.Msg == kProbe) m.Result += 1;
    };
    h->SetWinControl(control);
    return h;
  }
  LRESULT probe() { return SendMessage(control->Handle(), kProbe, 0, 0); }
};

} // namespace

TEST(UxHook, OrderSwallowingAndResults) {
  TTestEnvironment env;
  TFixture f;
  f.hook("first");
  TUxWindowHook* second = f.hook("second");
  EXPECT_EQ(HookListInstance().FindControlHook(f.control)->HookCount(), 2);
  EXPECT_EQ(f.probe(), 12);
  EXPECT_EQ(f.log, (std::vector<std::string>{"second before", "first before", "control",
                                             "second after", "first after"}));
  // The last hook swallows it: neither the first hook nor the control sees it.
  f.log.clear();
  second->BeforeMessage = [&](TPersistent*, TMessage& m, bool& handled) {
    if (m.Msg == kProbe) handled = true;
  };
  second->AfterMessage = nullptr;
  EXPECT_EQ(f.probe(), 0);
  EXPECT_TRUE(f.log.empty());

  // A failing handler goes to the exception handler; the next hook runs.
  second->BeforeMessage = [](TPersistent*, TMessage& m, bool&) {
    if (m.Msg == kProbe) throw EConvertError("hook failed");
  };
  f.log.clear();
  EXPECT_EQ(f.probe(), 11);
  EXPECT_EQ(env.Errors, std::vector<std::string>{"hook failed"});
  EXPECT_EQ(f.log, (std::vector<std::string>{"first before", "control", "first after"}));

  // Switching off and on keeps the control.
  second->SetActive(false);
  EXPECT_EQ(second->WinControl(), f.control);
  second->SetActive(true);
  EXPECT_EQ(second->WinControl(), f.control);
}

TEST(UxHook, DestroyAlwaysReachesTheControlAndRecreatedWindowsAreHookedAgain) {
  TTestEnvironment env;
  TFixture f;
  f.hook("h", true); // swallows everything it sees
  f.log.clear();
  f.control->RecreateWnd();
  EXPECT_EQ(f.log, (std::vector<std::string>{"h before", "control destroy", "h after"}));
  f.log.clear();
  f.probe(); // not hooked again yet
  EXPECT_EQ(f.log, std::vector<std::string>{"control"});
  Application()->ProcessMessages(); // the posted re-hook
  f.log.clear();
  f.probe();
  EXPECT_EQ(f.log, std::vector<std::string>{"h before"});
}

TEST(UxHook, LaterSubclasserSurvivesDetachAndStaleMessagesAreIgnored) {
  TTestEnvironment env;
  TFixture f;
  TUxWindowHook* h = f.hook("h");
  const HWND window = f.control->Handle();
  const LONG_PTR hooked = GetWindowLongPtr(window, GWL_WNDPROC);
  std::vector<std::string>& log = f.log;
  const LONG_PTR later = MakeWndProc([&log, hooked](HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kProbe) log.push_back("later");
    return CallWindowProc(hooked, w, msg, wp, lp);
  });
  SetWindowLongPtr(window, GWL_WNDPROC, later);
  h->SetWinControl(nullptr); // detaching leaves the later procedure in place
  EXPECT_EQ(GetWindowLongPtr(window, GWL_WNDPROC), later);
  Application()->ProcessMessages(); // the control hook is freed now
  EXPECT_EQ(HookListInstance().FindControlHook(f.control), nullptr);
  f.log.clear();
  EXPECT_EQ(f.probe(), 10); // the freed hook's procedure passes on to the control
  EXPECT_EQ(f.log, (std::vector<std::string>{"later", "control"}));
  // A posted message for a control hook that no longer exists is ignored.
  PostMessage(HookListInstance().Handle(), UM_FREEHOOK, 0, LPARAM(0x1234));
  PostMessage(HookListInstance().Handle(), UM_REHOOK, 0, LPARAM(0x1234));
  Application()->ProcessMessages();
  SetWindowLongPtr(window, GWL_WNDPROC, hooked);
  FreeObjectInstance(later);
}

TEST(UxHook, FreeingTheControlClearsTheHooks) {
  TTestEnvironment env;
  TFixture f;
  TUxWindowHook* h = f.hook("h");
  delete f.control;
  EXPECT_EQ(h->WinControl(), nullptr);
  Application()->ProcessMessages();
  // The form as watched control through the stored pseudo-property.
  h->SetIsForm(true);
  EXPECT_EQ(h->WinControl(), f.form.get());
  EXPECT_TRUE(h->IsForm());
}
