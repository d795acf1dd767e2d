#pragma once
// The mount table: the drive list of this machine and its volumes' file systems.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

struct MountEntry {
  std::string device;
  std::u16string mountPoint;  // without trailing separator ("/" for the root)
  std::string fsType;
};

inline constexpr const char* kMountTablePath = "/proc/self/mounts";

// Entries in table order; octal escapes (\040 for a space) are decoded. Malformed lines are skipped.
std::vector<MountEntry> ParseMountTable(std::string_view text);
std::vector<MountEntry> ReadMountTable(const char* path = kMountTablePath);

// The file-system type of the volume that holds path (the mount with the longest matching
// mount point of the path's real location), or nothing when it cannot be told.
std::optional<std::string> FileSystemTypeOf(const std::u16string& path, const char* table = kMountTablePath);

// File systems of the FAT family, which cannot hold files of 4 GiB or more.
bool IsFatFamily(std::string_view fsType);

// Network file systems (a dead server hangs every look at them) and the kernel's pseudo file
// systems, neither of which can be a unit's disk: drive detection leaves them alone.
bool IsNetworkOrPseudo(std::string_view fsType);

// Watches the mount table for mounts and unmounts. The descriptor becomes readable as an
// exceptional condition (POLLPRI) after each change; Acknowledge() re-arms it.
class MountTableWatch {
 public:
  explicit MountTableWatch(const char* path = kMountTablePath);
  ~MountTableWatch();
  MountTableWatch(const MountTableWatch&) = delete;
  MountTableWatch& operator=(const MountTableWatch&) = delete;

  int Descriptor() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Waits up to timeoutMs for a change (0: just looks); true when the table changed.
  bool WaitForChange(int timeoutMs);
  void Acknowledge();

 private:
  int fd_ = -1;
};

}  // namespace quillon::platform
