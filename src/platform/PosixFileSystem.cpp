// The file system of a POSIX machine.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Wildcard.h"

namespace quillon::platform {

namespace {

// A path holding NUL names nothing: the system would silently cut it short.
std::optional<std::string> SystemPath(const std::u16string& path) {
  if (path.empty() || path.find(u'\0') != std::u16string::npos) return std::nullopt;
  return ToUtf8(path);
}

bool IsHiddenName(std::u16string_view name) { return !name.empty() && name.front() == u'.'; }

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { Close(); }

  std::int64_t Read(void* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) return n;
      if (errno != EINTR) return -1;
    }
  }

  std::int64_t Write(const void* buffer, std::size_t size) override {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, bytes + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return done == 0 && n < 0 ? -1 : static_cast<std::int64_t>(done);
      done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
  }

  bool Seek(std::uint64_t position) override {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0;
  }

  std::optional<std::uint64_t> Tell() override {
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) return std::nullopt;
    return static_cast<std::uint64_t>(pos);
  }

  std::optional<std::uint64_t> Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }

  bool Close() override {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    // Non-blocking so that a FIFO on a hostile volume cannot hang the open.
    const int fd = ::open(sys->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixFile>(fd);
  }

  std::unique_ptr<File> CreateWrite(const std::u16string& path,
                                    const std::vector<FileId>& mustNotBe) override {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    // Open without truncating first, so that a file we must not touch is left as it is.
    const int fd = ::open(sys->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    const FileId id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (std::find(mustNotBe.begin(), mustNotBe.end(), id) != mustNotBe.end() || ::ftruncate(fd, 0) != 0) {
      ::close(fd);
      return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixFile>(fd);
  }

  bool Remove(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    return sys && ::unlink(sys->c_str()) == 0;
  }

  std::optional<FileStatus> Status(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    if (!sys) return std::nullopt;
    struct stat st {};
    if (::stat(sys->c_str(), &st) != 0) return std::nullopt;
    return ToStatus(st, path);
  }

  std::vector<DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) override {
    std::vector<DirEntry> out;
    const auto sys = SystemPath(folderPath);
    if (!sys) return out;
    DIR* dir = ::opendir(sys->c_str());
    if (!dir) return out;
    const int dfd = ::dirfd(dir);
    while (const dirent* ent = ::readdir(dir)) {
      std::u16string name = FromUtf8(ent->d_name);
      if (!WildcardMatch(pattern, name)) continue;
      struct stat st {};
      if (::fstatat(dfd, ent->d_name, &st, 0) != 0) continue;  // dangling link or vanished
      DirEntry e;
      e.isDirectory = S_ISDIR(st.st_mode);
      e.isHidden = IsHiddenName(name);
      e.size = e.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
      e.path = folderPath + kSeparator + name;
      e.name = std::move(name);
      out.push_back(std::move(e));
    }
    ::closedir(dir);
    return out;
  }

 private:
  static FileStatus ToStatus(const struct stat& st, std::u16string_view path) {
    FileStatus s;
    s.isDirectory = S_ISDIR(st.st_mode);
    const auto slash = path.rfind(kSeparator);
    s.isHidden = IsHiddenName(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
    s.size = s.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
    s.lastWrite = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    s.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return s;
  }
};

}  // namespace

FileSystem& PosixFiles() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace quillon::platform
