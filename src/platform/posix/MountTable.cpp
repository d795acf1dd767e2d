#include "platform/posix/MountTable.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::platform {

namespace {

std::string DecodeOctalEscapes(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool IsUnder(std::u16string_view path, std::u16string_view mountPoint) {
  if (mountPoint == u"/") return !path.empty() && path.front() == kSeparator;
  return path.substr(0, mountPoint.size()) == mountPoint &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == kSeparator);
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> out;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    const auto fields = Fields(line);
    if (fields.size() < 3 || fields[0].front() == '#') continue;
    MountEntry e;
    e.device = DecodeOctalEscapes(fields[0]);
    e.mountPoint = StripTrailingSeparators(FromUtf8(DecodeOctalEscapes(fields[1])));
    e.fsType = std::string(fields[2]);
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<MountEntry> ReadMountTable(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountTable(text.str());
}

std::optional<std::string> FileSystemTypeOf(const std::u16string& path, const char* table) {
  if (path.empty() || path.find(u'\0') != std::u16string::npos) return std::nullopt;
  char resolved[PATH_MAX];
  if (!::realpath(ToUtf8(path).c_str(), resolved)) return std::nullopt;
  const std::u16string real = FromUtf8(resolved);
  std::optional<std::string> best;
  std::size_t bestLength = 0;
  // The last mount over a point hides the earlier ones, so ties go to the later entry.
  for (const auto& m : ReadMountTable(table)) {
    if (IsUnder(real, m.mountPoint) && m.mountPoint.size() >= bestLength) {
      best = m.fsType;
      bestLength = m.mountPoint.size();
    }
  }
  return best;
}

bool IsFatFamily(std::string_view fsType) {
  return fsType == "vfat" || fsType == "msdos" || fsType == "fat" || fsType == "umsdos" ||
         fsType == "fuse.fusefat" || fsType == "fusefat";
}

bool IsNetworkOrPseudo(std::string_view fsType) {
  static constexpr std::string_view kTypes[] = {
      // network
      "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "9p", "ceph", "glusterfs", "lustre",
      "davfs", "ocfs2", "gfs2", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gvfsd-fuse", "fuse.curlftpfs",
      "fuse.davfs2", "fuse.glusterfs", "fuse.cephfs", "fuse.smbnetfs",
      // the kernel's own, and autofs, whose look-ups trigger mounts
      "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "securityfs", "debugfs", "tracefs", "pstore",
      "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs", "efivarfs", "rpc_pipefs",
      "nsfs", "selinuxfs", "nfsd"};
  for (std::string_view type : kTypes) {
    if (fsType == type) return true;
  }
  return false;
}

MountTableWatch::MountTableWatch(const char* path) { fd_ = ::open(path, O_RDONLY | O_CLOEXEC); }

MountTableWatch::~MountTableWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool MountTableWatch::WaitForChange(int timeoutMs) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLPRI, 0};
  const int rc = ::poll(&p, 1, timeoutMs);
  if (rc > 0 && (p.revents & (POLLPRI | POLLERR))) {
    Acknowledge();
    return true;
  }
  return false;
}

void MountTableWatch::Acknowledge() {
  if (fd_ < 0) return;
  // The kernel re-arms the event once the table has been read again from its start.
  char buffer[4096];
  ::lseek(fd_, 0, SEEK_SET);
  while (::read(fd_, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace quillon::platform
