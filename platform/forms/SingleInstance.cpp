#include "platform/forms/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>

#include "platform/forms/Forms.h"
#include "platform/forms/Windows.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace {

QString serverName(const std::string& className, const std::string& title) {
  // FNV-1a of the pair keeps the name short and free of odd characters.
  std::uint64_t h = 1469598103934665603ull;
  for (char c : className + '\x01' + title) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  QString user = qEnvironmentVariable("USER", "user");
  return QString("skorvaplinth-%1-%2").arg(user).arg(h, 16, 16, QChar('0'));
}

} // namespace

struct TInstanceRegistration::TImpl {
  QLocalServer server;
  std::function<void()> onRaise;
  TForm* form = nullptr;
  bool listening = false;

  void raise() {
    if (onRaise) {
      onRaise();
      return;
    }
    // A box the program is waiting on comes first: the window behind it
    // takes no input until it is answered.
    if (BringActiveDialogForward() || form == nullptr) return;
    // A window manager iconifies the window without the form's knowing:
    // the window's own state counts as well.
    QWidget* w = form->Widget();
    if (form->WindowState() == TWindowState::wsMinimized || (w != nullptr && w->isMinimized())) {
      form->SetWindowState(TWindowState::wsNormal);
      form->Show();
      if (w != nullptr && w->isMinimized()) w->showNormal();
      return;
    }
    form->Show();
    SetForegroundWindow(form->Handle());
  }
};

TInstanceRegistration::TInstanceRegistration(const std::string& className, const std::string& title,
                                             TForm* form, std::function<void()> onRaise)
    : impl_(std::make_unique<TImpl>()) {
  impl_->form = form;
  impl_->onRaise = std::move(onRaise);
  QString name = serverName(className, title);
  impl_->listening = impl_->server.listen(name);
  if (!impl_->listening && impl_->server.serverError() == QAbstractSocket::AddressInUseError) {
    // Nobody answers on a socket left behind by an instance that died: take it over.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(500)) {
      QLocalServer::removeServer(name);
      impl_->listening = impl_->server.listen(name);
    }
  }
  TImpl* impl = impl_.get();
  QObject::connect(&impl_->server, &QLocalServer::newConnection, &impl_->server, [impl] {
    while (QLocalSocket* s = impl->server.nextPendingConnection()) {
      QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      QObject::connect(s, &QLocalSocket::readyRead, s, [impl, s] {
        while (s->canReadLine()) {
          QByteArray line = s->readLine().trimmed();
          if (line == "raise") {
            TQtEntry entry;
            Guarded([impl] { impl->raise(); });
          }
        }
      });
    }
  });
}

TInstanceRegistration::~TInstanceRegistration() = default;

bool TInstanceRegistration::Listening() const {
  return impl_->listening;
}

std::string TInstanceRegistration::SocketPath() const {
  return impl_->server.fullServerName().toStdString();
}

bool ActivateRunningInstance(const std::string& className, const std::string& title) {
  QLocalSocket socket;
  socket.connectToServer(serverName(className, title));
  if (!socket.waitForConnected(1000)) return false;
  socket.write("raise\n");
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
  return true;
}
