// TApplication, the exception guard at every Qt entry point, Halt, and the
// message-box façade.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include "platform/rtl/ScopeGuard.h"
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Timers.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

std::optional<int>& pendingHalt() {
  static std::optional<int> code;
  return code;
}

TDialogAnswerer& dialogAnswerer() {
  static TDialogAnswerer a;
  return a;
}

int& qtDepth() {
  static int depth = 0;
  return depth;
}

} // namespace

namespace forms_detail {

TQtEntry::TQtEntry() {
  ++qtDepth();
}
TQtEntry::~TQtEntry() {
  --qtDepth();
}

void Guarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const EHalt& h) {
    if (qtDepth() == 0) throw;
    // Inside a Qt frame: end every loop; Run throws it again outside.
    pendingHalt() = h.ExitCode();
    Application()->Terminate();
  } catch (...) {
    try {
      Application()->HandleException(nullptr);
    } catch (...) {
      // An exception handler that raises: nothing more can be done here.
    }
  }
}

} // namespace forms_detail

[[noreturn]] void Halt(int exitCode) {
  throw EHalt(exitCode);
}

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  if (QCoreApplication::instance() != nullptr) {
    title_ = QCoreApplication::applicationName().toStdString();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
      app->setQuitOnLastWindowClosed(false);
  }
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
  if (handle_ != 0) DeallocateHWnd(handle_);
  delete hidden_;
}

HWND TApplication::Handle() {
  if (handle_ == 0)
    handle_ = AllocateHWnd([this](TMessage& m) {
      // The hooks see every message first, the last hooked first; one that
      // answers true has handled it.
      for (auto it = hooks_.rbegin(); it != hooks_.rend(); ++it)
        if (it->second(m)) return;
      m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
    });
  return handle_;
}

int TApplication::HookMainWindow(TWindowHook hook) {
  hooks_.emplace_back(++nextHook_, std::move(hook));
  return nextHook_;
}

void TApplication::UnhookMainWindow(int id) {
  hooks_.erase(
      std::remove_if(hooks_.begin(), hooks_.end(), [id](const auto& h) { return h.first == id; }),
      hooks_.end());
}

QWidget* TApplication::HiddenWidget() {
  if (hidden_ == nullptr) {
    hidden_ = new QWidget;
    hidden_->setAttribute(Qt::WA_DontShowOnScreen);
  }
  return hidden_;
}

std::string TApplication::ExeName() const {
  return QCoreApplication::instance() ? QCoreApplication::applicationFilePath().toStdString()
                                      : std::string();
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (TManualTimerClock* clock = TManualTimerClock::Active()) clock->Advance(10);
}

void TApplication::Run() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
    app->setQuitOnLastWindowClosed(false);
  if (mainForm_ != nullptr && !terminated_) {
    TForm* f = mainForm_;
    Guarded([f] { f->Show(); });
  }
  if (!terminated_) QApplication::exec();
  if (pendingHalt()) {
    int code = *pendingHalt();
    pendingHalt().reset();
    throw EHalt(code);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  QCoreApplication::exit(0);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == mainForm_) mainForm_ = nullptr;
}

void TApplication::HandleException(TPersistent* sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
    // The silent abort.
  } catch (const Exception& e) {
    if (OnException)
      OnException(sender, e);
    else
      ShowException(e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    if (OnException)
      OnException(sender, wrapped);
    else
      ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (OnException)
      OnException(sender, wrapped);
    else
      ShowException(wrapped);
  }
}

void TApplication::ShowException(const Exception& e) {
  std::string text = e.Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  ShowMessageBox(text, title_, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  return ShowMessageBox(text, caption.empty() ? title_ : caption, flags);
}

TApplication* Application() {
  static TApplication* app = new TApplication(nullptr);
  return app;
}

// ---------------------------------------------------------------------------
// Message boxes

void SetDialogAnswerer(TDialogAnswerer answerer) {
  dialogAnswerer() = std::move(answerer);
}

const TDialogAnswerer& CurrentDialogAnswerer() {
  return dialogAnswerer();
}

namespace {

int showRealBox(const std::string& caption, const std::string& text, UINT flags) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(caption));
  QString body = QString::fromStdString(text);
  body.replace("\r\n", "\n");
  body.replace('\r', '\n');
  box.setText(body);
  switch (flags & 0xF0) {
  case MB_ICONERROR:
    box.setIcon(QMessageBox::Critical);
    break;
  case MB_ICONQUESTION:
    box.setIcon(QMessageBox::Question);
    break;
  case MB_ICONWARNING:
    box.setIcon(QMessageBox::Warning);
    break;
  case MB_ICONINFORMATION:
    box.setIcon(QMessageBox::Information);
    break;
  default:
    break;
  }
  std::vector<std::pair<QPushButton*, int>> buttons;
  auto add = [&](const char* label, QMessageBox::ButtonRole role, int id) {
    buttons.emplace_back(box.addButton(QString::fromUtf8(label), role), id);
  };
  switch (flags & 0x0F) {
  case MB_OKCANCEL:
    add("OK", QMessageBox::AcceptRole, IDOK);
    add("Cancel", QMessageBox::RejectRole, IDCANCEL);
    break;
  case MB_ABORTRETRYIGNORE:
    add("&Abort", QMessageBox::RejectRole, IDABORT);
    add("&Retry", QMessageBox::AcceptRole, IDRETRY);
    add("&Ignore", QMessageBox::AcceptRole, IDIGNORE);
    break;
  case MB_YESNOCANCEL:
    add("&Yes", QMessageBox::YesRole, IDYES);
    add("&No", QMessageBox::NoRole, IDNO);
    add("Cancel", QMessageBox::RejectRole, IDCANCEL);
    break;
  case MB_YESNO:
    add("&Yes", QMessageBox::YesRole, IDYES);
    add("&No", QMessageBox::NoRole, IDNO);
    break;
  case MB_RETRYCANCEL:
    add("&Retry", QMessageBox::AcceptRole, IDRETRY);
    add("Cancel", QMessageBox::RejectRole, IDCANCEL);
    break;
  default:
    add("OK", QMessageBox::AcceptRole, IDOK);
    break;
  }
  box.setWindowModality(Qt::ApplicationModal);
  SetShownDialogWidget(&box);
  box.exec();
  SetShownDialogWidget(nullptr);
  for (auto& [button, id] : buttons)
    if (box.clickedButton() == button) return id;
  return (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
}

} // namespace

namespace {

/// The dialog windows up now, innermost last: what a WM_CLOSE to one of them
/// ends.
struct TDialogFrame {
  HWND window = 0;
  bool closed = false;
  QPointer<QWidget> shown;
};
std::vector<TDialogFrame*>& dialogFrames() {
  static std::vector<TDialogFrame*> frames;
  return frames;
}

void endShownDialog(TDialogFrame& frame) {
  QWidget* w = frame.shown;
  if (w == nullptr) return;
  // done() ends the dialog's loop even where close() would be refused (a
  // question box without a Cancel button ignores close events).
  if (auto* dialog = qobject_cast<QDialog*>(w))
    dialog->done(QDialog::Rejected);
  else
    w->close();
}

} // namespace

void SetShownDialogWidget(QWidget* dialog) {
  if (!dialogFrames().empty()) dialogFrames().back()->shown = dialog;
}

bool BringActiveDialogForward() {
  if (dialogFrames().empty()) return false;
  TDialogFrame* frame = dialogFrames().back();
  if (IsWindow(frame->window)) RaiseZOrder(frame->window);
  if (QWidget* shown = frame->shown) {
    shown->raise();
    shown->activateWindow();
  }
  return true;
}

int RunDialogWindow(const std::string& caption, int closedAnswer,
                    const std::function<int(const std::string& caption)>& run) {
  TDialogFrame frame;
  HWND ownerHandle = 0;
  int answer = closedAnswer;
  {
    frame.window = AllocateHWnd([&frame](TMessage& m) {
      if (m.Msg == WM_CLOSE) {
        frame.closed = true;
        endShownDialog(frame);
      }
      m.Result = 0;
    });
    dialogFrames().push_back(&frame);
    auto release = ScopeExit([&frame] {
      auto& frames = dialogFrames();
      frames.erase(std::remove(frames.begin(), frames.end(), &frame), frames.end());
      if (IsWindow(frame.window)) DeallocateHWnd(frame.window);
    });
    HWND box = frame.window;
    if (TWindowRecord* r = FindRecord(box)) {
      r->className = "#32770";
      r->text = caption;
    }
    TForm* owner = Screen()->ActiveForm();
    if (owner == nullptr) owner = Application()->MainForm();
    ownerHandle = (owner != nullptr && owner->HandleAllocated()) ? owner->Handle() : 0;
    if (ownerHandle != 0) SendMessage(ownerHandle, WM_ACTIVATE, WA_INACTIVE, LPARAM(box));
    if (!frame.closed && IsWindow(box)) {
      answer = run(GetWindowText(box));
      if (frame.closed) answer = closedAnswer;
    }
  }
  if (ownerHandle != 0 && IsWindow(ownerHandle))
    SendMessage(ownerHandle, WM_ACTIVATE, WA_ACTIVE, 0);
  return answer;
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
  int closedAnswer = (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
  return RunDialogWindow(caption, closedAnswer, [&](const std::string& shownCaption) {
    TDialogRequest request;
    request.Caption = shownCaption;
    request.Text = text;
    request.Flags = flags;
    return dialogAnswerer() ? dialogAnswerer()(request) : showRealBox(request.Caption, text, flags);
  });
}

void ShowMessage(const std::string& text) {
  ShowMessageBox(text, Application()->Title(), MB_OK);
}
