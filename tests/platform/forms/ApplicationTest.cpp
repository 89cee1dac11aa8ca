#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include "platform/forms/Clipboard.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

TEST(MessageBoxes, TheOwnerSeesADialogWindowThatItCanClose) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  form.Show();
  Screen()->SetActiveForm(&form);
  std::vector<std::string> seen;
  bool closeIt = false;
  LONG_PTR previous = GetWindowLongPtr(form.Handle(), GWL_WNDPROC);
  LONG_PTR hook = MakeWndProc([&](HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_ACTIVATE && (w & 0xFFFF) == WA_INACTIVE) {
      HWND box = HWND(l);
      seen.push_back(GetClassName(box) + ":" + GetWindowText(box));
      SetWindowText(box, "Web Browser:  " + GetWindowText(box));
      if (closeIt) SendMessage(box, WM_CLOSE, 0, 0);
    }
    return CallWindowProc(previous, h, msg, w, l);
  });
  SetWindowLongPtr(form.Handle(), GWL_WNDPROC, hook);
  std::vector<TDialogRequest> asked;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    asked.push_back(r);
    return IDYES;
  });
  EXPECT_EQ(ShowMessageBox("Save?", "Script Error", MB_YESNO), IDYES);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Caption, "Web Browser:  Script Error");
  EXPECT_EQ(asked[0].Text, "Save?");
  EXPECT_EQ(asked[0].Flags, UINT(MB_YESNO));
  closeIt = true;
  EXPECT_EQ(ShowMessageBox("Again?", "Error", MB_YESNO), IDCANCEL); // closed by the hook
  EXPECT_EQ(ShowMessageBox("Note", "Error", MB_OK), IDOK);
  EXPECT_EQ(asked.size(), 1u); // the closed boxes never asked
  EXPECT_EQ(seen,
            (std::vector<std::string>{"#32770:Script Error", "#32770:Error", "#32770:Error"}));
  SetWindowLongPtr(form.Handle(), GWL_WNDPROC, previous);
  FreeObjectInstance(hook);
  SetDialogAnswerer(nullptr);
}

/// The dialog window of the message box up now (0 when none).
HWND ShownDialogWindow() {
  HWND found = 0;
  EnumWindows([&](HWND h) {
    if (GetClassName(h) == "#32770") found = h;
    return true;
  });
  return found;
}

TEST(MessageBoxes, AWmCloseToAShownBoxClosesIt) {
  SetDialogAnswerer(nullptr); // real boxes, on the offscreen platform
  struct Row {
    const char* name;
    UINT flags;
    bool post; // PostMessage, else SendMessage
    int expected;
  } rows[] = {
      {"question, posted", MB_YESNO, true, IDCANCEL},
      {"question, sent", MB_YESNO | MB_ICONQUESTION, false, IDCANCEL},
      {"OK only, posted", MB_OK, true, IDOK},
  };
  for (const Row& r : rows) {
    bool closedByTest = false, rescued = false;
    QTimer closer, rescue;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      HWND box = ShownDialogWindow();
      if (box == 0) return;
      closedByTest = true;
      if (r.post)
        PostMessage(box, WM_CLOSE, 0, 0);
      else
        SendMessage(box, WM_CLOSE, 0, 0);
    });
    // Should the box stay up, the test ends it rather than hang.
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        rescued = true;
        w->hide();
        QMetaObject::invokeMethod(w, "reject");
      }
    });
    closer.start(50);
    rescue.start(5000);
    int answer = ShowMessageBox("Text", "Caption", r.flags);
    EXPECT_TRUE(closedByTest) << r.name;
    EXPECT_FALSE(rescued) << r.name;
    EXPECT_EQ(answer, r.expected) << r.name;
    EXPECT_EQ(ShownDialogWindow(), 0u) << r.name;
  }
}

TEST(MessageBoxes, ShowMessageUsesTheTitleAndHandleExceptionSkipsAbort) {
  Application()->SetTitle("Skorva");
  std::vector<TDialogRequest> asked;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    asked.push_back(r);
    return IDOK;
  });
  ShowMessage("File can't be open\rx.shp");
  try {
    throw EAbort("quiet");
  } catch (...) {
    Application()->HandleException(nullptr);
  }
  try {
    throw EConvertError("'x' is not a valid integer value");
  } catch (...) {
    Application()->HandleException(nullptr);
  }
  try {
    throw EConvertError("Ends with a dot.");
  } catch (...) {
    Application()->HandleException(nullptr);
  }
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].Caption, "Skorva");
  EXPECT_EQ(asked[0].Text, "File can't be open\rx.shp");
  EXPECT_EQ(asked[1].Text, "'x' is not a valid integer value.");
  EXPECT_EQ(asked[2].Text, "Ends with a dot.");
  SetDialogAnswerer(nullptr);
}

TEST(ScreenAndCursors, ScreenCursorOverridesAndPerformAppliesTheControlCursor) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  auto* c = new TSpyControl(&form);
  c->SetBounds(0, 0, 50, 50);
  c->SetParent(&form);
  form.Show();
  HCURSOR grab = LoadCursorResource("HANDGRAB");
  EXPECT_NE(grab, 0u);
  EXPECT_EQ(LoadCursorResource("HANDGRAB"), grab);
  EXPECT_EQ(LoadCursorResource("NOSUCHCURSOR"), 0u);
  Screen()->SetCursors(15, grab);
  EXPECT_EQ(Screen()->Cursors(15), grab);
  c->SetCursor(15);
  EXPECT_EQ(c->Perform(WM_SETCURSOR, c->Handle(), HTCLIENT), 1);
  EXPECT_EQ(ShownCursor(c), 15);
  EXPECT_EQ(c->Widget()->cursor().shape(), Qt::BitmapCursor);
  Screen()->SetCursor(crHourGlass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  c->Perform(WM_SETCURSOR, c->Handle(), HTCLIENT);
  EXPECT_EQ(ShownCursor(c), crHourGlass);
  Screen()->SetCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  c->SetCursor(crDefault);
  c->Perform(WM_SETCURSOR, c->Handle(), HTCLIENT);
  EXPECT_EQ(ShownCursor(c), crDefault);
}

TEST(ScreenAndCursors, MetricsHookAndPartlyCoveredDefault) {
  TScreenMetrics m;
  m.Width = 1280;
  m.Height = 1024;
  m.WorkArea = TRect(0, 0, 1280, 994);
  SetScreenMetricsForTests(m);
  EXPECT_EQ(Screen()->Width(), 1280);
  EXPECT_EQ(Screen()->WorkAreaRect(), TRect(0, 0, 1280, 994));
  EXPECT_EQ(Screen()->PixelsPerInch(), 96);

  TForm a(nullptr), b(nullptr);
  a.SetBounds(10, 10, 300, 200);
  b.SetBounds(500, 10, 300, 200);
  a.Show();
  b.Show();
  EXPECT_FALSE(IsPartlyCovered(a.Handle()));
  b.SetLeft(200); // raised later and overlapping a
  EXPECT_TRUE(IsPartlyCovered(a.Handle()));
  EXPECT_FALSE(IsPartlyCovered(b.Handle()));
  b.Hide();
  a.SetTop(900); // reaches below the work area
  EXPECT_TRUE(IsPartlyCovered(a.Handle()));
  SetPartlyCoveredHook([](HWND) { return false; });
  EXPECT_FALSE(IsPartlyCovered(a.Handle()));
  SetPartlyCoveredHook(nullptr);
  SetScreenMetricsForTests(std::nullopt);
}

TEST(ClipboardTest, TextRegisteredFormatsBatchesAndBitmaps) {
  Clipboard()->SetAsText("59.5;10.25");
  EXPECT_EQ(Clipboard()->AsText(), "59.5;10.25");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));

  UINT gif = RegisterClipboardFormat("GIF Image");
  EXPECT_GE(gif, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("gif image"), gif);
  EXPECT_EQ(ClipboardFormatMime(gif), "image/gif");
  UINT icon = RegisterClipboardFormat("Tarvex Icon");
  EXPECT_NE(icon, gif);

  Clipboard()->Open();
  Clipboard()->SetData(gif, {'G', 'I', 'F', '8'});
  Clipboard()->SetAsText("both");
  Clipboard()->Close();
  EXPECT_TRUE(Clipboard()->HasFormat(gif));
  EXPECT_EQ(Clipboard()->GetData(gif), (std::vector<std::uint8_t>{'G', 'I', 'F', '8'}));
  EXPECT_EQ(Clipboard()->AsText(), "both");
  EXPECT_FALSE(Clipboard()->HasFormat(icon));
  Clipboard()->SetData(icon, {1}); // outside Open: replaces the content
  EXPECT_FALSE(Clipboard()->HasFormat(gif));
  EXPECT_THROW(Clipboard()->GetData(0xBFFF), EClipboardException);

  TDibData dib(4, 3, 24);
  dib.SetPixelColor(1, 2, RGB(10, 20, 30));
  Clipboard()->SetBitmap(dib);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  TDibData back;
  ASSERT_TRUE(Clipboard()->GetBitmap(back));
  EXPECT_EQ(back.DibWidth(), 4);
  EXPECT_EQ(back.PixelColor(1, 2), RGB(10, 20, 30));

  Clipboard()->SetPicture("<svg/>", dib);
  EXPECT_EQ(Clipboard()->GetSvg(), "<svg/>");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_ENHMETAFILE));
}

TEST(ClipboardTest, PicturesGoAsTheirOwnFormatsAndComeBackAsBitmaps) {
  TMetafile meta;
  meta.SetWidth(40);
  meta.SetHeight(30);
  {
    TMetafileCanvas canvas(&meta, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(TRect(0, 0, 40, 30));
  }
  Clipboard()->Assign(&meta);
  EXPECT_NE(Clipboard()->GetSvg().find("<svg"), std::string::npos);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP)); // the PNG rendering
  TBitmap back;
  ASSERT_TRUE(Clipboard()->AssignTo(&back));
  EXPECT_EQ(back.Width(), 40);
  EXPECT_EQ(back.Canvas()->Pixels(20, 15), clRed);

  TBitmap bmp(8, 6);
  bmp.Canvas()->Brush()->SetColor(clBlue);
  bmp.Canvas()->FillRect(TRect(0, 0, 8, 6));
  Clipboard()->Assign(&bmp);
  EXPECT_EQ(Clipboard()->GetSvg(), "");
  TBitmap again;
  ASSERT_TRUE(Clipboard()->AssignTo(&again));
  EXPECT_EQ(again.Height(), 6);
  EXPECT_EQ(again.Canvas()->Pixels(3, 3), clBlue);
  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->AssignTo(&again));
}

TEST(KeyPolling, EscapeInterruptsOtherKeysAreDeliveredMouseWaits) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  std::vector<TSpyEntry> log;
  auto* c = new TSpyControl(&form, &log);
  c->SetBounds(0, 0, 50, 50);
  c->SetParent(&form);
  c->Filter = {"WM_KEYDOWN", "WM_LBUTTONDOWN"};
  form.Show();
  log.clear();
  QWidget* w = c->Widget();
  auto postKey = [&](int key) {
    QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
  };
  QPointF p(5, 5);
  QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, p, w->mapToGlobal(p),
                                                 Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  postKey(Qt::Key_A);
  EXPECT_FALSE(PollKeys(form.Handle()));
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_KEYDOWN"})); // the mouse waits
  postKey(Qt::Key_Escape);
  EXPECT_TRUE(PollKeys(form.Handle()));
  PumpEvents();
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_KEYDOWN", "WM_LBUTTONDOWN"}));
}

TEST(Forms, CloseQueryCloseAndHideKeepTheirOrder) {
  std::vector<std::string> steps;
  TForm* main = new TForm(nullptr);
  TForm* other = new TForm(nullptr);
  Application()->SetMainForm(main);
  other->OnShow = [&](TPersistent*) { steps.push_back("show"); };
  other->OnHide = [&](TPersistent*) { steps.push_back("hide"); };
  bool allow = false;
  other->OnCloseQuery = [&](TPersistent*, bool& can) {
    steps.push_back("query");
    can = allow;
  };
  other->OnClose = [&](TPersistent*, TCloseAction& a) {
    steps.push_back(a == TCloseAction::caHide ? "close hide" : "close other");
  };
  other->Show();
  other->Show(); // already visible: no second OnShow
  other->Close();
  EXPECT_TRUE(other->Visible());
  allow = true;
  SendMessage(other->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(other->Visible());
  EXPECT_EQ(steps, (std::vector<std::string>{"show", "query", "query", "close hide", "hide"}));
  // Switching the style of a visible form keeps it shown without OnShow.
  steps.clear();
  other->Show();
  other->SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_TRUE(other->Widget()->isVisible());
  EXPECT_TRUE(other->Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(steps, (std::vector<std::string>{"show"}));
  // Closing the main form ends the program's loop.
  main->Show();
  QTimer::singleShot(0, [main] { main->Close(); });
  Application()->Run();
  EXPECT_TRUE(Application()->Terminated());
  Application()->ClearTerminatedForTests();
  delete other;
  delete main;
}

TEST(Forms, ShowModalRunsANestedLoopUntilTheResultIsSet) {
  TForm dialog(nullptr);
  dialog.SetBounds(0, 0, 100, 80);
  QTimer::singleShot(0, [&] { dialog.SetModalResult(mrOk); });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_FALSE(dialog.Visible());
  QTimer::singleShot(0, [&] { dialog.Close(); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

} // namespace

namespace {

TEST(Halting, HaltUnwindsToTheCallerOrEndsTheLoopAndIsThrownAfterIt) {
  HWND w = AllocateHWnd([](TMessage& m) {
    if (m.Msg == WM_USER) Halt(3);
  });
  // Outside the event loop it reaches the caller, through the procedure.
  try {
    SendMessage(w, WM_USER, 0, 0);
    ADD_FAILURE() << "no halt";
  } catch (const EHalt& h) {
    EXPECT_EQ(h.ExitCode(), 3);
  }
  // Inside an event of the loop it ends the loop; Run throws it afterwards.
  PostMessage(w, WM_USER, 0, 0);
  try {
    Application()->Run();
    ADD_FAILURE() << "no halt";
  } catch (const EHalt& h) {
    EXPECT_EQ(h.ExitCode(), 3);
  }
  EXPECT_TRUE(Application()->Terminated());
  Application()->ClearTerminatedForTests();
  DeallocateHWnd(w);
}

} // namespace
