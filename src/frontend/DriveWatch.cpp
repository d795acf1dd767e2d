#include "frontend/DriveWatch.h"

#include "platform/Volumes.h"

namespace quillon::frontend {

DriveWatch::DriveWatch(std::function<void()> changed, std::chrono::milliseconds delay, bool watchSystem,
                       const std::string& source)
    : changed_(std::move(changed)), delay_(delay) {
  if (watchSystem) {
    watch_ = std::make_unique<platform::VolumeChangeWatch>([this] { Notice(); }, source);
    if (!watch_->Watching()) watch_.reset();
  }
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

DriveWatch::~DriveWatch() {
  watch_.reset();  // no notice comes after this
  thread_.request_stop();
  thread_.join();
}

void DriveWatch::Notice() {
  {
    std::lock_guard lock(mutex_);
    due_ = std::chrono::steady_clock::now() + delay_;
  }
  noticed_.notify_all();
}

void DriveWatch::Run(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    if (!due_) {
      noticed_.wait(lock, stop, [this] { return due_.has_value(); });
      continue;
    }
    const auto due = *due_;
    if (noticed_.wait_until(lock, stop, due, [this, due] { return due_ != due; })) continue;  // noticed again
    if (stop.stop_requested()) return;
    due_.reset();
    lock.unlock();
    changed_();
    lock.lock();
  }
}

}  // namespace quillon::frontend
