#include "frontend/WindowThread.h"

namespace quillon::frontend {

void WindowThread::Post(std::function<void()> work) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    wake = !woken_;
    woken_ = true;
  }
  if (wake) wake_();
}

void WindowThread::Drain() {
  {
    std::lock_guard lock(mutex_);
    woken_ = false;
  }
  for (;;) {
    std::function<void()> work;
    bool wake = false;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
      // The work may wait in a loop of its own: what is left is drained from there.
      wake = !queue_.empty() && !woken_;
      if (wake) woken_ = true;
    }
    if (wake) wake_();
    work();
  }
}

}  // namespace quillon::frontend
