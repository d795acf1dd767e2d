#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/posix/MountTable.h"
#include "platform/Volumes.h"

namespace quillon::platform {

std::vector<Volume> ListVolumes() {
  std::vector<Volume> volumes;
  for (MountEntry& m : ReadMountTable()) {
    const bool local = !IsNetworkOrPseudo(m.fsType);
    volumes.push_back({std::move(m.mountPoint), std::move(m.fsType), local});
  }
  return volumes;
}

std::optional<std::string> VolumeType(const std::u16string& path) { return FileSystemTypeOf(path); }

bool CanHoldLargeFiles(const std::u16string& path) {
  if (path.empty()) return false;
  const auto type = VolumeType(path);
  return type && !IsFatFamily(*type);
}

struct VolumeChangeWatch::Impl {
  MountTableWatch table;
  int stop[2] = {-1, -1};  // a pipe: a byte written ends the thread's wait
  std::thread thread;

  explicit Impl(const char* path) : table(path) {}
};

VolumeChangeWatch::VolumeChangeWatch(std::function<void()> changed, const std::string& source)
    : impl_(std::make_unique<Impl>(source.empty() ? kMountTablePath : source.c_str())) {
  if (!impl_->table.Valid() || ::pipe2(impl_->stop, O_CLOEXEC) != 0) {
    impl_.reset();
    return;
  }
  impl_->table.Acknowledge();
  try {
    impl_->thread = std::thread([impl = impl_.get(), changed = std::move(changed)] {
      for (;;) {
        pollfd waits[2] = {{impl->table.Descriptor(), POLLPRI, 0}, {impl->stop[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
          if (errno == EINTR) continue;
          return;
        }
        if (waits[1].revents != 0) return;
        if (waits[0].revents & (POLLPRI | POLLERR)) {
          impl->table.Acknowledge();
          changed();
        }
      }
    });
  } catch (const std::system_error&) {  // no thread to spare: nothing is watched
    ::close(impl_->stop[0]);
    ::close(impl_->stop[1]);
    impl_.reset();
  }
}

VolumeChangeWatch::~VolumeChangeWatch() {
  if (!impl_) return;
  const char stop = 1;
  while (::write(impl_->stop[1], &stop, 1) < 0 && errno == EINTR) {
  }
  impl_->thread.join();
  ::close(impl_->stop[0]);
  ::close(impl_->stop[1]);
}

bool VolumeChangeWatch::Watching() const { return impl_ != nullptr; }

}  // namespace quillon::platform
