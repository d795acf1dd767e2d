#include "ui/VolumeWatch.h"

#include <QEvent>
#include <QTimer>

#include "platform/Volumes.h"
#include "ui/CopyEvent.h"

namespace quillon::ui {

namespace {
QEvent::Type NoticeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}
}  // namespace

VolumeWatch::VolumeWatch(bool watched, const std::string& source, int delayMs, QObject* parent)
    : QObject(parent), delay_(new QTimer(this)) {
  delay_->setSingleShot(true);
  delay_->setInterval(delayMs);
  connect(delay_, &QTimer::timeout, this, &VolumeWatch::Changed);
  if (!watched) return;
  // The watch calls from a thread of its own; the timer is started on the window's.
  watch_ = std::make_unique<platform::VolumeChangeWatch>(
      [this] { PostFromAnyThread(this, new QEvent(NoticeEventType())); }, source);
  if (!watch_->Watching()) watch_.reset();
}

// The watch goes first: no call of it can come after this.
VolumeWatch::~VolumeWatch() { watch_.reset(); }

void VolumeWatch::Notice() { delay_->start(); }

bool VolumeWatch::event(QEvent* event) {
  AcceptPostedEvents();
  if (event->type() != NoticeEventType()) return QObject::event(event);
  Notice();
  return true;
}

bool VolumeWatch::Watching() const { return watch_ != nullptr; }

}  // namespace quillon::ui
