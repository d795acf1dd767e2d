#include "support/FaultyMount.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quillon::testsupport {

namespace fs = std::filesystem;

namespace {

#ifdef QUILLON_FAULTFS_PATH
constexpr char kProgram[] = QUILLON_FAULTFS_PATH;
#else
constexpr char kProgram[] = "";  // libfuse3 was not found
#endif

// How long the program may take to mount, write its stats or end: far more than it needs.
constexpr auto kPatience = std::chrono::seconds(10);

// Asks done every 2 ms until it says yes (true) or kPatience passed (false).
template <class Done>
bool Eventually(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The setuid fusermount3 that mounts FUSE for users, from PATH.
std::optional<std::string> Fusermount() {
  const char* path = ::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = folder + "/fusermount3";
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && st.st_uid == 0 && (st.st_mode & S_ISUID)) return candidate;
  }
  return std::nullopt;
}

bool HasCapSysAdmin() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("CapEff:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> 21) & 1;  // CAP_SYS_ADMIN
  }
  return false;
}

}  // namespace

std::optional<std::string> FaultyMount::Unavailable() {
  if (!*kProgram) return "quillon-faultfs is not built: libfuse3 was not found (Debian: libfuse3-dev)";
  if (::access(kProgram, X_OK) != 0) return std::string("quillon-faultfs is not built: no ") + kProgram;
  const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (fuse < 0) return std::string("cannot open /dev/fuse: ") + std::strerror(errno);
  ::close(fuse);
  if (::geteuid() == 0) {
    if (!HasCapSysAdmin()) return "root without CAP_SYS_ADMIN cannot mount";
  } else if (!Fusermount()) {
    return "not root, and no setuid fusermount3 on PATH (Debian: fuse3)";
  }
  return std::nullopt;
}

FaultyMount::FaultyMount(const fs::path& source, std::string_view faults) : mountPoint_(work_.Path() / "mnt") {
  if (!*kProgram) throw std::runtime_error(*Unavailable());
  fs::create_directory(mountPoint_);
  WriteFile(work_.Path() / "faults", faults);
  program_.emplace(std::vector<std::string>{kProgram, "--faults", (work_.Path() / "faults").string(), "--stats",
                                            (work_.Path() / "stats").string(), source.string(), mountPoint_.string()});
  // Mounted once the mount point is on a device of its own.
  const auto device = [](const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_dev : dev_t{};
  };
  std::optional<ProcessResult> ended;
  const bool settled = Eventually([&] {
    ended = program_->WaitFor(std::chrono::milliseconds(0));
    return ended || device(mountPoint_) != device(work_.Path());
  });
  if (!settled || ended) {
    if (!ended) Unmount();
    program_.reset();
    throw std::runtime_error("quillon-faultfs did not mount " + source.string() +
                             (ended ? ": " + ended->err : std::string(" in time")));
  }
}

FaultyMount::~FaultyMount() {
  Release();  // a stalled read would keep the mount busy
  Unmount();
  std::optional<ProcessResult> ended = program_->WaitFor(kPatience);
  if (!ended) {
    program_->Signal(SIGTERM);  // ends its stalls and unmounts
    ended = program_->WaitFor(kPatience);
  }
  if (!ended) {
    program_.reset();  // killed: what is left is a mount without its program
    Unmount();
  } else if (ended->exitCode != 0) {
    // A fault of the program itself (a sanitizer's report, a crash) must not pass unseen.
    std::cerr << "quillon-faultfs ended with " << ended->exitCode << ": " << ended->err;
    std::abort();
  }
}

std::u16string FaultyMount::U16(std::string_view relative) const {
  return work_.U16(relative.empty() ? std::string("mnt") : "mnt/" + std::string(relative));
}

FaultyMount::Written FaultyMount::ReadStatsFile() const {
  Written written;
  std::ifstream in(work_.Path() / "stats");
  std::string name;
  for (std::uint64_t value = 0; in >> name >> value;) {
    if (name == "served") written.stats.served = value;
    if (name == "failed") written.stats.failed = value;
    if (name == "touched") written.stats.touched = value;
    if (name == "stalled") written.stats.stalled = value;
    if (name == "bytes") written.stats.bytes = value;
    if (name == "generation") written.generation = value;
  }
  return written;
}

FaultyMount::Stats FaultyMount::ReadStats() {
  const std::uint64_t before = ReadStatsFile().generation;
  program_->Signal(SIGUSR2);
  Written now;
  if (!Eventually([&] { return (now = ReadStatsFile()).generation > before; }))
    throw std::runtime_error("quillon-faultfs did not write its stats");
  return now.stats;
}

bool FaultyMount::WaitUntilStalled(std::uint64_t reads) {
  return Eventually([&] { return ReadStatsFile().stats.stalled >= reads; });
}

void FaultyMount::Release() { program_->Signal(SIGUSR1); }

void FaultyMount::Unmount() const {
  // Lazily when busy: the mount goes from the tree at once, and for good once its last open
  // file is closed.
  if (::geteuid() == 0) {
    if (::umount2(mountPoint_.c_str(), 0) != 0 && errno == EBUSY) ::umount2(mountPoint_.c_str(), MNT_DETACH);
  } else if (const auto fusermount = Fusermount()) {
    if (RunProcess({*fusermount, "-u", "-q", mountPoint_.string()}).exitCode != 0)
      RunProcess({*fusermount, "-u", "-z", "-q", mountPoint_.string()});
  }
}

}  // namespace quillon::testsupport
