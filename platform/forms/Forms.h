// Forms, the application, the screen and the mouse, and the one façade for
// message boxes that tests can answer.
//
// Files: Form.cpp (TForm), Application.cpp (TApplication, message boxes),
// Screen.cpp (TScreen, TMouse, cursor resources).
//
// The windowing layer's headers:
//   Sets.h          TSet, the set type of styles and states
//   Components.h    TPersistent, TComponent (owner, name, notifications)
//   Properties.h    published properties by name, class registry
//   Loading.h       building windows from stored definitions (the loading protocol)
//   Collections.h   TCollection, TOwnedCollection, TCollectionItem
//   Messages.h      TMessage, message codes, typed views
//   Windows.h       handles, window procedures, Send/PostMessage, painting,
//                   scrolling, scroll bars, capture, key state, window calls
//   Controls.h      TControl, TWinControl, TCustomControl, TGraphicControl
//   Forms.h         TForm, TApplication, TScreen, TMouse, message boxes
//   Dialogs.h       text prompts and file choosers beside the message boxes
//   StdCtrls.h      TPanel, TLabel, TEdit, TMemo, TGroupBox, TSpeedButton
//   Menus.h         TPopupMenu, TMenuItem, shortcuts
//   MenuWindow.h    self-drawn popup windows of owner-drawn menus
//   TabControl.h    TCustomTabControl, the tab model of page controls
//   ComboBox.h      TCustomComboBox, the self-drawn drop-down list
//   SystemSettings.h  the menu animation setting
//   ImgList.h       TImageList, TChangeLink
//   Timers.h        window timers, TTimer, the manual clock of the tests
//   Clipboard.h     TClipboard
//   Registry.h      TRegistry over per-root files
//   Shell.h         ShellExecute, folder chooser, file operations
//   SingleInstance.h  finding a running instance
//   ClientDataSet.h the client data set (DataSets.h: fields, rows, Locate)
//   WindowPlacement.h  placement records, tracking limits, the maximize button
//   EditExtras.h    text margins and the unfocused face of line editors
//   DropFiles.h     files dropped from the desktop (WM_DROPFILES)
//   Trash.h         moving files to the desktop's trash
//   CursorArt.h     cursors drawn from rows of characters
//   TestInput.h     input at message level for tests
// Internal: WindowTable.h (the window table, Qt glue), TextUtil.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

class QCursor;
class QWidget;
class TForm;

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TModalResult = int;
enum : TModalResult {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7
};
using TCloseEvent = std::function<void(TPersistent* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TPersistent* Sender, bool& CanClose)>;
using TExceptionEvent = std::function<void(TPersistent* Sender, const Exception& E)>;

class TForm : public TWinControl {
  SK_CLASS(TForm, TWinControl)
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TCanvas* Canvas() const { return canvas_.get(); }
  /// The DC painting goes to while Paint runs (null otherwise).
  HDC PaintDC() const { return paintDC_; }

  TFormStyle FormStyle() const { return formStyle_; }
  /// Switching the style of a visible form keeps it visible and in place and
  /// fires no OnShow.
  void SetFormStyle(TFormStyle value);
  void SetBorderStyle(TBorderStyle value) override;
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value);
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  /// The control that last had the keyboard focus in this form.
  TWinControl* FocusedControl() const { return focusedControl_; }
  void SetFocusedControl(TWinControl* control) { focusedControl_ = control; }

  /// Shows the form and brings it forward (OnShow on hidden -> visible).
  void Show();
  void Hide();
  /// OnCloseQuery, then OnClose; a non-main form hides (caHide), the main form
  /// ends the program; caFree releases the form.
  void Close();
  /// Runs a nested loop until ModalResult is set (or the form closes).
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  /// Frees the form later, from the message loop.
  void Release();

  TSize NonClientSize() const override;
  TPoint ClientOffset() const override;
  TPoint ClientOrigin() const override;
  void SetVisible(bool value) override;
  /// A form with a parent (docked into a docking site) is a child window
  /// without a frame; without one it is a window of its own again.
  void SetParent(TWinControl* parent) override;
  bool Showing() const override;
  void Dispatch(TMessage& message) override;

  /// The creation handler: the definition loader calls it after every
  /// component's loaded step.
  void DoCreate();
  /// Fires OnDestroy once. A derived form whose OnDestroy handler uses its
  /// own members calls this first in its destructor; otherwise ~TForm does.
  void DoDestroy();

  TNotifyEvent OnCreate;
  TNotifyEvent OnPaint;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  virtual void Paint();
  void VisibleChanged() override;

protected:
  std::unique_ptr<TCanvas> canvas_;
  HDC paintDC_ = nullptr;

private:
  void placeByPosition();
  TFormStyle formStyle_ = TFormStyle::fsNormal;
  TPosition position_ = TPosition::poDesigned;
  TWindowState windowState_ = TWindowState::wsNormal;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  TModalResult modalResult_ = mrNone;
  bool shown_ = false;
  bool switchingStyle_ = false;
  bool modalLoop_ = false;
  bool destroyFired_ = false;
};

/// The form that holds a control (its top-level parent form); null when none.
TForm* GetParentForm(TControl* control);
/// The innermost control under a screen point, searching from `root` down
/// (windowed or not, enabled or not); `root` itself when no child lies there.
TControl* ControlAtScreenPoint(TWinControl* root, TPoint screen);
/// True when `key` is the accelerator of `caption`: the letter after a
/// single "&" ("&&" is a literal ampersand), compared without letter case.
bool IsAccel(int key, const std::string& caption);

class TApplication : public TComponent {
  SK_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  /// The hidden application window (parked widgets live under it).
  HWND Handle();
  /// Hooks on the application window's messages: true = handled. Returns an
  /// id for UnhookMainWindow.
  using TWindowHook = std::function<bool(TMessage& message)>;
  int HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(int id);
  QWidget* HiddenWidget();
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  std::string ExeName() const;
  /// The icon sent with WM_SETICON (an opaque handle; 0 none).
  LPARAM Icon() const { return icon_; }
  void SetIcon(LPARAM v) { icon_ = v; }

  /// One pass over the pending events. With the manual clock of the tests,
  /// the clock also moves on by 10 ms and due timers fire.
  void ProcessMessages();
  /// Runs the event loop until the main form closes or Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  /// Tests that run the loop more than once start again from here.
  void ClearTerminatedForTests() { terminated_ = false; }

  template <class T> void CreateForm(T*& reference) {
    reference = new T(this);
    if (mainForm_ == nullptr) mainForm_ = reference;
  }
  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* form) { mainForm_ = form; }

  /// Handles the exception being thrown (call from a catch block): EAbort is
  /// silent; otherwise OnException, or ShowException.
  void HandleException(TPersistent* sender);
  void ShowException(const Exception& e);
  TExceptionEvent OnException;

  /// A message box captioned with `caption` (Title when empty).
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }
  int HintPause() const { return hintPause_; }
  void SetHintPause(int v) { hintPause_ = v; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  HWND handle_ = 0;
  std::vector<std::pair<int, TWindowHook>> hooks_;
  int nextHook_ = 0;
  QWidget* hidden_ = nullptr;
  std::string title_;
  LPARAM icon_ = 0;
  bool terminated_ = false;
  TForm* mainForm_ = nullptr;
  bool showHint_ = true;
  int hintPause_ = 500;
};

/// The process's application object (created on first use; needs a
/// QApplication).
TApplication* Application();

/// Ends the program: unwinds to main with this exception, whose exit code
/// main returns.
class EHalt : public std::exception {
public:
  explicit EHalt(int code) : code_(code) {}
  int ExitCode() const { return code_; }
  const char* what() const noexcept override { return "halt"; }

private:
  int code_;
};
[[noreturn]] void Halt(int exitCode = 0);

// ---- screen ---------------------------------------------------------------------

struct TScreenMetrics {
  int Width = 800;
  int Height = 800;
  int PixelsPerInch = 96;
  int BitsPerPixel = 32;
  TRect WorkArea{0, 0, 800, 800};
};

class TScreen : public TComponent {
  SK_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  /// Not crDefault: this cursor shows over every window of the program.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);
  HCURSOR Cursors(int index) const;
  void SetCursors(int index, HCURSOR cursor);

  TRect WorkAreaRect() const;
  int Width() const;
  int Height() const;
  int DesktopWidth() const { return Width(); }
  int PixelsPerInch() const;
  int BitsPerPixel() const;

  int FormCount() const { return int(forms_.size()); }
  TForm* Forms(int index) const { return forms_.at(size_t(index)); }
  TForm* ActiveForm() const { return activeForm_; }
  /// No data modules in this program.
  int DataModuleCount() const { return 0; }

  /// The installed face names, sorted, with the names the usual
  /// substitutes stand for ("Arial", "MS Sans Serif", "Tahoma" ...).
  std::vector<std::string> Fonts() const;
  /// The font of menus: Tahoma, height -11.
  TFont* MenuFont() { return &menuFont_; }

  /// Qt's cursor for an id: built-in ids and the ones set in Cursors.
  QCursor QtCursor(TCursor cursor) const;

  // Internal bookkeeping of the forms.
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void SetActiveForm(TForm* form) { activeForm_ = form; }

private:
  TCursor cursor_ = crDefault;
  TFont menuFont_;
  std::vector<std::pair<int, HCURSOR>> cursors_;
  std::vector<TForm*> forms_;
  TForm* activeForm_ = nullptr;
};

TScreen* Screen();
/// Test hook: metrics reported instead of the real screen's (none: the real).
void SetScreenMetricsForTests(std::optional<TScreenMetrics> metrics);

/// A cursor from the program's resources by name ("HANDGRAB", "HANDPNT",
/// "HANDZOOM", "HANDEDIT"); 0 when there is no such resource.
HCURSOR LoadCursorResource(const std::string& name);

class TMouse {
public:
  /// The last known pointer position (screen coordinates).
  TPoint CursorPos() const;
  void SetCursorPos(TPoint p);
  HWND Capture() const { return GetCapture(); }
  void SetCapture(HWND h) { ::SetCapture(h); }
};
TMouse* Mouse();

// ---- message boxes ------------------------------------------------------------------

/// What a box asks (the test hook sees this).
struct TDialogRequest {
  std::string Caption;
  std::string Text;
  UINT Flags = 0;
};
/// Answers boxes without showing them (tests); the answer is an ID* value.
using TDialogAnswerer = std::function<int(const TDialogRequest&)>;
void SetDialogAnswerer(TDialogAnswerer answerer);
/// The answerer set (empty: boxes are shown).
const TDialogAnswerer& CurrentDialogAnswerer();

/// A modal message box: a nested loop; other windows get no input meanwhile.
/// While it is up it is a window of class "#32770" whose text is the caption:
/// the active form gets WM_ACTIVATE (WA_INACTIVE, the box's handle) first, and
/// a WM_CLOSE sent to the box closes it (IDCANCEL, or IDOK for a box with only
/// an OK button).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);
/// A box with the text and an OK button, captioned with Application.Title.
void ShowMessage(const std::string& text);

/// The frame every modal box and dialog of the program runs in (message boxes,
/// the browser's own dialogs): while `run` shows it, it is a window of class
/// "#32770" whose text is the caption; the active form first gets
/// WM_ACTIVATE (WA_INACTIVE, the dialog's handle), may rename it
/// (SetWindowText) or close it (WM_CLOSE, DestroyWindow) - then `run` is not
/// called and `closedAnswer` is returned. `run` gets the caption as it stands
/// then and returns the answer; afterwards the form gets WM_ACTIVATE again.
/// A WM_CLOSE sent or posted to the dialog window while `run` shows the
/// dialog ends it too: `run` names the widget that shows it with
/// SetShownDialogWidget, and the answer is then `closedAnswer`.
int RunDialogWindow(const std::string& caption, int closedAnswer,
                    const std::function<int(const std::string& caption)>& run);
/// Brings the innermost open box or dialog forward (top of the z-order, its
/// Qt dialog raised and activated); false when none is open.
bool BringActiveDialogForward();
/// Called by a `run` of RunDialogWindow with the Qt dialog that shows it (null
/// once it is gone): a WM_CLOSE to the dialog window ends that dialog.
void SetShownDialogWidget(QWidget* dialog);

/// The default beep.
void MessageBeep(unsigned type);
