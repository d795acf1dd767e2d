#pragma once
// The copy message and the drive-refresh request as Qt events. Both are posted, never sent,
// so the thread that posts never waits for the window that handles them.
#include <QEvent>
#include <cstdint>

#include "import/CopyMessage.h"
#include "import/ImportFrontEnd.h"

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

// COPY_FAILED with the clip that failed and its cause.
class CopyFailedEvent : public CopyMessageEvent {
 public:
  explicit CopyFailedEvent(ClipFailure failure);
  const ClipFailure& Failure() const { return failure_; }

 private:
  ClipFailure failure_;
};

// What the progress window shows under its bar: the clip, the output file, the bytes so far.
class ProgressDetailsEvent : public QEvent {
 public:
  explicit ProgressDetailsEvent(ImportProgress progress);
  static QEvent::Type EventType();
  const ImportProgress& Progress() const { return progress_; }

 private:
  ImportProgress progress_;
};

// The window's private "re-detect the drives" request.
class RefreshDrivesEvent : public QEvent {
 public:
  RefreshDrivesEvent();
  static QEvent::Type EventType();
};

// Thread-safe: queues the copy message for receiver's thread.
void PostCopyMessage(QObject* receiver, std::uint32_t code, std::uint32_t lParam = 0);
void PostRefreshDrives(QObject* receiver);
// Posts any event from any thread; the receiver calls AcceptPostedEvents() before reading it.
void PostFromAnyThread(QObject* receiver, QEvent* event);

// An event made on another thread is handed over through the lock inside Qt's event queue.
// Qt is not built for ThreadSanitizer, which cannot see that lock; this release/acquire pair
// makes the hand-over visible to it. Call it first in event() of a receiver of posted events.
void AcceptPostedEvents();

}  // namespace quillon::ui
