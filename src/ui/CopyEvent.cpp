#include "ui/CopyEvent.h"

#include <QCoreApplication>

namespace quillon::ui {

CopyMessageEvent::CopyMessageEvent(std::uint32_t code, std::uint32_t lParam)
    : QEvent(EventType()), code_(code), lParam_(lParam) {}

QEvent::Type CopyMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

RefreshDrivesEvent::RefreshDrivesEvent() : QEvent(EventType()) {}

QEvent::Type RefreshDrivesEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void PostCopyMessage(QObject* receiver, std::uint32_t code, std::uint32_t lParam) {
  QCoreApplication::postEvent(receiver, new CopyMessageEvent(code, lParam));
}

void PostRefreshDrives(QObject* receiver) { QCoreApplication::postEvent(receiver, new RefreshDrivesEvent); }

}  // namespace quillon::ui
