#include "ui/CopyEvent.h"

#include <QCoreApplication>
#include <atomic>

namespace quillon::ui {

CopyMessageEvent::CopyMessageEvent(std::uint32_t code, std::uint32_t lParam)
    : QEvent(EventType()), code_(code), lParam_(lParam) {}

QEvent::Type CopyMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type RefreshDrivesEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type SessionWakeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

namespace {

std::atomic<unsigned>& HandOffs() {
  static std::atomic<unsigned> count{0};
  return count;
}

}  // namespace

void PostFromAnyThread(QObject* receiver, QEvent* event) {
  HandOffs().fetch_add(1, std::memory_order_release);
  QCoreApplication::postEvent(receiver, event);
}

void AcceptPostedEvents() { (void)HandOffs().load(std::memory_order_acquire); }

void PostCopyMessage(QObject* receiver, std::uint32_t code, std::uint32_t lParam) {
  PostFromAnyThread(receiver, new CopyMessageEvent(code, lParam));
}

void PostEventOf(QObject* receiver, QEvent::Type type) { PostFromAnyThread(receiver, new QEvent(type)); }

}  // namespace quillon::ui
