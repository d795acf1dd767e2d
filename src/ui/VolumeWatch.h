#pragma once
// Follows mounts and unmounts: after a change in the mount table, and once the delay has
// passed, Changed() is emitted. Several changes in a row (a unit with more than one volume)
// give one Changed().
#include <QObject>
#include <memory>
#include <string>

class QSocketNotifier;
class QTimer;

namespace quillon::platform {
class MountTableWatch;
}

namespace quillon::ui {

class VolumeWatch : public QObject {
  Q_OBJECT
 public:
  // mountTable: the table to watch; empty for none (Notice() still works).
  VolumeWatch(const std::string& mountTable, int delayMs, QObject* parent = nullptr);
  ~VolumeWatch() override;

  // A mount or unmount was seen: Changed() follows once the delay has passed.
  void Notice();
  bool Watching() const { return notifier_ != nullptr; }

 signals:
  void Changed();

 private:
  std::unique_ptr<platform::MountTableWatch> watch_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer* delay_;
};

}  // namespace quillon::ui
