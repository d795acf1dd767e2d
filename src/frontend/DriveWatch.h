#pragma once
// Follows volumes coming and going: once a change has been seen and the delay has passed with
// no other (a unit with several volumes brings several), changed is called, once, from the
// watch's own thread. The delay gives a new volume the moment it needs to become readable.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quillon::platform {
class VolumeChangeWatch;
}

namespace quillon::frontend {

class DriveWatch {
 public:
  // watchSystem: follow the system's volumes (source as platform::VolumeChangeWatch takes it);
  // otherwise only Notice() tells of changes.
  DriveWatch(std::function<void()> changed, std::chrono::milliseconds delay, bool watchSystem,
             const std::string& source = {});
  ~DriveWatch();  // changed is not called after this returns
  DriveWatch(const DriveWatch&) = delete;
  DriveWatch& operator=(const DriveWatch&) = delete;

  // Any thread: a volume came or went.
  void Notice();
  bool Watching() const { return watch_ != nullptr; }

 private:
  void Run(std::stop_token stop);

  std::function<void()> changed_;
  std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::condition_variable_any noticed_;
  std::optional<std::chrono::steady_clock::time_point> due_;
  std::unique_ptr<platform::VolumeChangeWatch> watch_;
  std::jthread thread_;  // last: it stops and is joined first
};

}  // namespace quillon::frontend
