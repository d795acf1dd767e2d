#pragma once
// One running copy per user: the first start holds a lock file and listens on a local socket,
// both in the user's runtime folder; a later start asks it to come to the front and ends.
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace quillon::app {

inline constexpr const char* kInstanceName = "7C3E91A4-52D0-4B8F-9E17-A6D04F2C8B35_KV_DOCK";

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // folder: where the lock and the socket live; the user's runtime folder by default.
  explicit SingleInstance(QString folder = DefaultFolder(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when no other copy of this user runs: this one now holds the lock and listens.
  bool Acquire();
  // Asks the running copy to bring its window to the front; false when it could not be told.
  bool ActivateRunning(int timeoutMs = 2000) const;

  QString LockPath() const;
  QString SocketPath() const;

  // The user's runtime folder ($XDG_RUNTIME_DIR), private to this user.
  static QString DefaultFolder();

 signals:
  void ActivationRequested();

 private:
  void OnConnection();

  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace quillon::app
