#pragma once
// The window's own events: the copy message, the drive-refresh request, and the wake of the
// import session. All are posted, never sent, so the thread that posts never waits for the
// window that handles them.
#include <QEvent>
#include <cstdint>

#include "frontend/CopyMessage.h"

class QObject;

namespace quillon::ui {

class CopyMessageEvent : public QEvent {
 public:
  CopyMessageEvent(std::uint32_t code, std::uint32_t lParam);
  // Registered once per process, on first use.
  static QEvent::Type EventType();

  std::uint32_t Code() const { return code_; }
  std::uint32_t LParam() const { return lParam_; }

 private:
  std::uint32_t code_;
  std::uint32_t lParam_;
};

// An event type of the window's own, registered once per process.
QEvent::Type RefreshDrivesEventType();
QEvent::Type SessionWakeEventType();

// Thread-safe: queues the event for receiver's thread.
void PostCopyMessage(QObject* receiver, std::uint32_t code, std::uint32_t lParam = 0);
void PostEventOf(QObject* receiver, QEvent::Type type);
// Posts any event from any thread; the receiver calls AcceptPostedEvents() before reading it.
void PostFromAnyThread(QObject* receiver, QEvent* event);

// An event made on another thread is handed over through the lock inside Qt's event queue.
// Qt is not built for ThreadSanitizer, which cannot see that lock; this release/acquire pair
// makes the hand-over visible to it. Call it first in event() of a receiver of posted events.
void AcceptPostedEvents();

}  // namespace quillon::ui
