#include "ui/VolumeWatch.h"

#include <QTimer>

#include "platform/Volumes.h"

namespace quillon::ui {

VolumeWatch::VolumeWatch(bool watched, const std::string& source, int delayMs, QObject* parent)
    : QObject(parent), delay_(new QTimer(this)) {
  delay_->setSingleShot(true);
  delay_->setInterval(delayMs);
  connect(delay_, &QTimer::timeout, this, &VolumeWatch::Changed);
  if (!watched) return;
  // The watch calls from a thread of its own; the timer is started on the window's.
  watch_ = std::make_unique<platform::VolumeChangeWatch>(
      [this] { QMetaObject::invokeMethod(this, &VolumeWatch::Notice, Qt::QueuedConnection); }, source);
  if (!watch_->Watching()) watch_.reset();
}

// The watch goes first: no call of it can come after this.
VolumeWatch::~VolumeWatch() { watch_.reset(); }

void VolumeWatch::Notice() { delay_->start(); }

bool VolumeWatch::Watching() const { return watch_ != nullptr; }

}  // namespace quillon::ui
