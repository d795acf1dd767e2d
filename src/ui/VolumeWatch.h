#pragma once
// Follows mounts and unmounts: after a change in the set of volumes, and once the delay has
// passed, Changed() is emitted. Several changes in a row (a unit with more than one volume)
// give one Changed().
#include <QObject>
#include <memory>
#include <string>

class QTimer;

namespace quillon::platform {
class VolumeChangeWatch;
}

namespace quillon::ui {

class VolumeWatch : public QObject {
  Q_OBJECT
 public:
  // source: what to watch, as platform::VolumeChangeWatch takes it; nothing when watched is false
  // (Notice() still works).
  VolumeWatch(bool watched, const std::string& source, int delayMs, QObject* parent = nullptr);
  ~VolumeWatch() override;

  // A mount or unmount was seen: Changed() follows once the delay has passed.
  void Notice();
  bool Watching() const;

 signals:
  void Changed();

 protected:
  bool event(QEvent* event) override;

 private:
  QTimer* delay_;
  std::unique_ptr<platform::VolumeChangeWatch> watch_;
};

}  // namespace quillon::ui
