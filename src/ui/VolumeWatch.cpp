#include "ui/VolumeWatch.h"

#include <QSocketNotifier>
#include <QTimer>

#include "platform/MountTable.h"

namespace quillon::ui {

VolumeWatch::VolumeWatch(const std::string& mountTable, int delayMs, QObject* parent)
    : QObject(parent), delay_(new QTimer(this)) {
  delay_->setSingleShot(true);
  delay_->setInterval(delayMs);
  connect(delay_, &QTimer::timeout, this, &VolumeWatch::Changed);
  if (mountTable.empty()) return;
  watch_ = std::make_unique<platform::MountTableWatch>(mountTable.c_str());
  if (!watch_->Valid()) {
    watch_.reset();
    return;
  }
  watch_->Acknowledge();
  notifier_ = new QSocketNotifier(watch_->Descriptor(), QSocketNotifier::Exception, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    watch_->Acknowledge();
    Notice();
  });
}

VolumeWatch::~VolumeWatch() {
  // The notifier goes before the descriptor it watches.
  delete notifier_;
  notifier_ = nullptr;
}

void VolumeWatch::Notice() { delay_->start(); }

}  // namespace quillon::ui
