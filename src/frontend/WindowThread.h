#pragma once
// Work handed to a window thread from any other. The toolkit's part is one call that asks the
// window thread, from any thread, to call Drain() soon (a posted event or message); the queue,
// and the order in which the work runs, are here.
#include <deque>
#include <functional>
#include <mutex>

namespace quillon::frontend {

class WindowThread {
 public:
  explicit WindowThread(std::function<void()> wake) : wake_(std::move(wake)) {}
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  // Any thread.
  void Post(std::function<void()> work);
  // The window thread: runs what was posted, in order. Work that runs a loop of its own (a
  // message box) lets the work after it run meanwhile, still in order.
  void Drain();

 private:
  std::function<void()> wake_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool woken_ = false;  // a wake is on its way
};

}  // namespace quillon::frontend
