#pragma once
// The volumes of this machine: where a unit may be attached, whether a volume can hold large
// files, and a watch on volumes coming and going.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::platform {

struct Volume {
  std::u16string root;  // where its files begin: a mount point, or a drive such as "E:"
  // As the system names it ("vfat", "exfat"...). Empty on Windows, where the list does not ask
  // the drives themselves (VolumeType does).
  std::string fsType;
  // False for network file systems (a dead server hangs every look at them) and the system's
  // pseudo file systems: neither can be a unit's disk, and drive detection leaves them alone.
  bool local = true;
};

// The volumes in the system's order (a root mounted over appears more than once).
std::vector<Volume> ListVolumes();

// The file-system type of the volume that holds path, or nothing when it cannot be told.
std::optional<std::string> VolumeType(const std::u16string& path);

// True when the volume that holds path can take files of 4 GiB or more: not of the FAT family,
// and its file system can be told.
bool CanHoldLargeFiles(const std::u16string& path);

// Calls changed, on a thread of its own, after each change in the set of volumes (a mount or
// an unmount), until it is destroyed. source: what to watch ("" for the system's own volumes).
class VolumeChangeWatch {
 public:
  explicit VolumeChangeWatch(std::function<void()> changed, const std::string& source = {});
  ~VolumeChangeWatch();  // changed is not called after this returns
  VolumeChangeWatch(const VolumeChangeWatch&) = delete;
  VolumeChangeWatch& operator=(const VolumeChangeWatch&) = delete;

  bool Watching() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillon::platform
