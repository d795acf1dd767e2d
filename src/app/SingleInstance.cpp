#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include "platform/Process.h"

namespace quillon::app {

namespace {
constexpr char kActivate[] = "activate\n";
}

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::DefaultFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  // Without a runtime folder a shared one is used, and the user id keeps users apart.
  if (folder.isEmpty()) folder = QDir::tempPath() + QStringLiteral("/quillon-%1").arg(QString::fromStdString(platform::CurrentUserTag()));
  return folder;
}

QString SingleInstance::LockPath() const { return folder_ + QLatin1Char('/') + QLatin1String(kInstanceName) + QStringLiteral(".lock"); }

QString SingleInstance::SocketPath() const { return folder_ + QLatin1Char('/') + QLatin1String(kInstanceName); }

bool SingleInstance::Acquire() {
  if (lock_ && lock_->isLocked()) return true;
  QDir().mkpath(folder_);
  QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  lock_ = std::make_unique<QLockFile>(LockPath());
  // A lock left by a copy that crashed is taken over as soon as its process is gone.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    // Without a folder to lock in, the program still runs, only unguarded.
    return lock_->error() != QLockFile::LockFailedError;
  }
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(SocketPath());
  if (server_->listen(SocketPath())) {
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
  }
  return true;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains("activate")) emit ActivationRequested();
      socket->disconnectFromServer();
    });
  }
}

bool SingleInstance::ActivateRunning(int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(SocketPath());
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kActivate, sizeof kActivate - 1);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  // The running copy hangs up once it has read the request.
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
  return true;
}

}  // namespace quillon::app
