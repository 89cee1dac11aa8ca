#include <gtest/gtest.h>

#include "platform/forms/Windows.h"
#include "platform/rtl/Strings.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

class Messages : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 208, 227);
    spy = new TSpyControl(form, &log);
    spy->SetBounds(0, 0, 100, 80);
    spy->SetParent(form);
    log.clear();
  }
  void TearDown() override {
    delete form;
    SetDialogAnswerer(nullptr);
    Application()->OnException = nullptr;
  }
  std::vector<TSpyEntry> log;
  TForm* form = nullptr;
  TSpyControl* spy = nullptr;
};

TEST_F(Messages, ReplacedProcedureThenWindowProcThenDispatch) {
  HWND h = spy->Handle();
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  spy->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER) log.push_back({"WindowProc"});
    old(m);
  };
  LONG_PTR previous = GetWindowLongPtr(h, GWL_WNDPROC);
  LONG_PTR hook = MakeWndProc([&](HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER) log.push_back({"hook"});
    LRESULT r = CallWindowProc(previous, w, msg, wp, lp);
    return msg == WM_USER ? r + 40 : r; // an after-step may change the result
  });
  EXPECT_EQ(SetWindowLongPtr(h, GWL_WNDPROC, hook), previous);
  EXPECT_EQ(GetWindowLongPtr(h, GWL_WNDPROC), hook);

  EXPECT_EQ(SendMessage(h, WM_USER, 1, 2), 40);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"hook", "WindowProc", "WM_USER"}));
  // Perform goes straight to WindowProc: the window procedure does not see it.
  log.clear();
  spy->Perform(WM_USER, 0, 0);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WindowProc", "WM_USER"}));
  SetWindowLongPtr(h, GWL_WNDPROC, previous);
  FreeObjectInstance(hook);
}

TEST_F(Messages, StackedSubclassesRestoreOnlyWhileTheirsIsCurrent) {
  HWND h = spy->Handle();
  struct THook {
    LONG_PTR token = 0, previous = 0;
    bool swallow = false;
    std::vector<std::string>* calls;
    std::string name;
    void Install(HWND h) {
      previous = GetWindowLongPtr(h, GWL_WNDPROC);
      SetWindowLongPtr(h, GWL_WNDPROC, token);
    }
    void Restore(HWND h) {
      if (GetWindowLongPtr(h, GWL_WNDPROC) == token) SetWindowLongPtr(h, GWL_WNDPROC, previous);
    }
  };
  std::vector<std::string> calls;
  THook a, b;
  for (THook* k : {&a, &b}) {
    k->calls = &calls;
    k->token = MakeWndProc([k](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      if (msg == WM_USER + 1) k->calls->push_back(k->name);
      if (k->swallow && msg == WM_USER + 1) return 7; // a before-step that handles it
      return CallWindowProc(k->previous, w, msg, wp, lp);
    });
  }
  a.name = "a";
  b.name = "b";
  LONG_PTR original = GetWindowLongPtr(h, GWL_WNDPROC);
  a.Install(h);
  b.Install(h);
  a.swallow = true;
  EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 7);
  EXPECT_EQ(calls, (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(log.empty()); // swallowed before the control
  a.Restore(h);             // b is current: a must not take b out
  EXPECT_EQ(GetWindowLongPtr(h, GWL_WNDPROC), b.token);
  b.Restore(h);
  EXPECT_EQ(GetWindowLongPtr(h, GWL_WNDPROC), a.token);
  SetWindowLongPtr(h, GWL_WNDPROC, original);
  FreeObjectInstance(a.token);
  FreeObjectInstance(b.token);
}

TEST_F(Messages, PerformWorksWithoutAHandle) {
  TSpyControl loose(nullptr, &log);
  loose.SetCursor(crHandPoint);
  log.clear();
  EXPECT_EQ(loose.Perform(WM_SETCURSOR, 0, HTCLIENT), 1);
  EXPECT_FALSE(loose.HandleAllocated());
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_SETCURSOR"}));
}

TEST_F(Messages, UnhandledMessagesFallBackToTheDefault) {
  HWND h = spy->Handle();
  EXPECT_EQ(SendMessage(h, WM_USER + 2, 0, 0), 0);
  // The default for WM_CLOSE destroys the window; the control keeps its widget.
  QWidget* widget = spy->Widget();
  SendMessage(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(spy->HandleAllocated());
  EXPECT_EQ(Names(log).back(), "WM_DESTROY");
  EXPECT_EQ(spy->Widget(), widget);
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0); // a dead handle answers 0
}

TEST_F(Messages, RecreateWndTakesANewHandleAndKeepsTheWidget) {
  HWND h = spy->Handle();
  QWidget* widget = spy->Widget();
  EXPECT_EQ(GetClassName(h), "TSpyControl");
  EXPECT_EQ(GetParent(h), form->Handle());
  spy->RecreateWnd();
  EXPECT_NE(spy->Handle(), h);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(spy->Widget(), widget);
  EXPECT_EQ(GetParent(spy->Handle()), form->Handle());
  EXPECT_EQ(FindControl(spy->Handle()), spy);
}

TEST_F(Messages, PostedMessagesArriveInOrderAndNotAtDeadWindows) {
  HWND h = spy->Handle();
  PostMessage(h, WM_USER, 0, 0);
  PostMessage(h, WM_USER + 1, 0, 0);
  PostMessage(h, WM_USER + 2, 0, 0);
  EXPECT_TRUE(log.empty()); // nothing before the loop runs
  PumpEvents();
  std::vector<std::string> users;
  for (auto& e : log)
    if (e.What.rfind("WM_USER", 0) == 0) users.push_back(e.What);
  EXPECT_EQ(users, (std::vector<std::string>{"WM_USER", "WM_USER+1", "WM_USER+2"}));

  log.clear();
  PostMessage(h, WM_USER, 0, 0);
  delete spy;
  spy = nullptr;
  PumpEvents(); // dropped silently
  EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
  EXPECT_TRUE(log.empty()) << Names(log).front();
}

TEST_F(Messages, UtilityWindowsHaveAProcedureAndNothingElse) {
  std::vector<UINT> got;
  HWND u = AllocateHWnd([&](TMessage& m) {
    got.push_back(m.Msg);
    m.Result = 5;
  });
  EXPECT_EQ(GetClassName(u), "TPUtilWindow");
  EXPECT_EQ(SendMessage(u, WM_USER, 0, 0), 5);
  EXPECT_EQ(FindControl(u), nullptr);
  EXPECT_EQ(GetDC(u), nullptr);
  DeallocateHWnd(u);
  EXPECT_FALSE(IsWindow(u));
  EXPECT_EQ(got, (std::vector<UINT>{WM_USER}));
}

/// A control whose handler raises.
class TThrowing : public TCustomControl {
  SK_CLASS(TThrowing, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  bool abort = false;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_USER) {
      if (abort) Abort();
      throw EInvalidOperation("Bad state");
    }
    TCustomControl::Dispatch(m);
  }
};

TEST_F(Messages, HandlerExceptionsGoToTheApplicationsHandler) {
  auto* t = new TThrowing(form);
  t->SetParent(form);
  std::vector<std::string> seen;
  Application()->OnException = [&](TPersistent*, const Exception& e) {
    seen.push_back(e.Message());
  };
  SendMessage(t->Handle(), WM_USER, 0, 0);
  t->abort = true;
  SendMessage(t->Handle(), WM_USER, 0, 0); // silent
  EXPECT_EQ(seen, (std::vector<std::string>{"Bad state"}));

  // Without OnException: a box with the message and a full stop.
  Application()->OnException = nullptr;
  Application()->SetTitle("Tool");
  std::vector<TDialogRequest> boxes;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    boxes.push_back(r);
    return IDOK;
  });
  t->abort = false;
  SendMessage(t->Handle(), WM_USER, 0, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "Tool");
  EXPECT_EQ(boxes[0].Text, "Bad state.");
  // Perform does not catch: the caller sees the exception.
  EXPECT_THROW(t->Perform(WM_USER, 0, 0), EInvalidOperation);
}

} // namespace

namespace {

TEST_F(Messages, WindowPosChangingMayRefuseAMoveOrASize) {
  HWND h = spy->Handle();
  std::vector<std::string> events;
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  spy->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_WINDOWPOSCHANGING) {
      // Turn a resize into an event and keep the size (old-system emulation).
      TWindowPos* wp = TWMWindowPosMsg{m}.WindowPos();
      if (!(wp->flags & SWP_NOSIZE)) {
        wp->flags |= SWP_NOSIZE;
        events.push_back("resize to " + IntToStr(wp->cx));
      }
    }
    old(m);
  };
  spy->SetBounds(5, 6, 300, 80);
  EXPECT_EQ(spy->BoundsRect(), TRect(5, 6, 105, 86));
  EXPECT_EQ(events, (std::vector<std::string>{"resize to 300"}));
  (void)h;
}

} // namespace

namespace {

TEST(ApplicationHooks, HooksSeeTheApplicationWindowsMessagesLastHookedFirst) {
  std::vector<std::string> seen;
  int a = Application()->HookMainWindow([&](TMessage& m) {
    if (m.Msg != WM_USER) return false;
    seen.push_back("a");
    m.Result = 1;
    return true;
  });
  int b = Application()->HookMainWindow([&](TMessage& m) {
    if (m.Msg == WM_USER) seen.push_back("b");
    return false;
  });
  EXPECT_EQ(SendMessage(Application()->Handle(), WM_USER, 0, 0), 1);
  Application()->UnhookMainWindow(a);
  EXPECT_EQ(SendMessage(Application()->Handle(), WM_USER, 0, 0), 0);
  Application()->UnhookMainWindow(b);
  SendMessage(Application()->Handle(), WM_USER, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"b", "a", "b"}));
}

} // namespace
