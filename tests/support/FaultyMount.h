#pragma once
// A read-only mirror of a folder on a FUSE mount whose reads fail or stall where told: the
// program quillon-faultfs (tests/support/faultfs), run as a child for the object's lifetime.
// Reads of the mirror meet real faults, EIO from the kernel through every layer, as on a
// failing disk. Needs root or a user-mountable FUSE; a test skips with Unavailable()'s reason:
//
//   if (auto why = FaultyMount::Unavailable()) GTEST_SKIP() << *why;
//   FaultyMount mount(unit.Path(), "file VIDEO/QVT/A.M2T\nbad 8192 512\n");
//   auto file = platform::Files().OpenRead(mount.U16("VIDEO/QVT/A.M2T"));
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/Process.h"
#include "support/TempDir.h"

namespace quillon::testsupport {

class FaultyMount {
 public:
  // The program's counts (see its stats file): reads answered with bytes, reads failed, reads
  // that touched a bad or weak range, reads that began a stall, bytes answered.
  struct Stats {
    std::uint64_t served = 0, failed = 0, touched = 0, stalled = 0, bytes = 0;
  };

  // Why no mount can be made here (the program not built, no /dev/fuse, not root and no
  // fusermount3...), or nothing.
  static std::optional<std::string> Unavailable();

  // Mounts a mirror of source whose faults are given in the program's faults-file format.
  // Throws, with the program's error output, when the mount does not appear.
  FaultyMount(const std::filesystem::path& source, std::string_view faults);
  // Ends every stall, unmounts (lazily if still busy) and reaps the program; aborts, with the
  // program's error output, when the program failed.
  ~FaultyMount();
  FaultyMount(const FaultyMount&) = delete;
  FaultyMount& operator=(const FaultyMount&) = delete;

  const std::filesystem::path& Path() const { return mountPoint_; }
  // The mount (or a path below it) as the domain code's text, for platform::Files().
  std::u16string U16(std::string_view relative = {}) const;

  // The counts of every read answered so far.
  Stats ReadStats();
  // Waits (for a bounded time) until `reads` reads have begun a stall; false when they did not.
  bool WaitUntilStalled(std::uint64_t reads);
  // Ends every stall, now and for good: waiting reads are answered.
  void Release();

 private:
  struct Written {
    Stats stats;
    std::uint64_t generation = 0;  // 0: not written yet
  };
  Written ReadStatsFile() const;
  void Unmount() const;

  TempDir work_;  // mount point, faults and stats files
  std::filesystem::path mountPoint_;
  std::optional<BackgroundProcess> program_;
};

}  // namespace quillon::testsupport
