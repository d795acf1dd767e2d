// The file system of a POSIX machine.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/posix/MountTable.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Wildcard.h"

namespace quillon::platform {

namespace {

// Files of a FAT-family volume end 1 byte short of 4 GiB.
constexpr std::uint64_t kFatMaxFileSize = 0xFFFF'FFFFull;
// Room kept for the random part and the suffix of a temporary name within the 255-byte limit.
constexpr std::size_t kTempNameStemBytes = 200;
constexpr int kMaxTempAttempts = 64;
constexpr int kMaxAncestors = 4096;
// An output's bytes are handed to the disk each time this many more have been written.
constexpr std::uint64_t kHandOverBytes = 8u << 20;

// A path holding NUL names nothing: the system would silently cut it short.
std::optional<std::string> SystemPath(const std::u16string& path) {
  if (path.empty() || path.find(u'\0') != std::u16string::npos) {
    SetLastError(EINVAL);
    return std::nullopt;
  }
  return ToUtf8(path);
}

bool IsHiddenName(std::u16string_view name) { return !name.empty() && name.front() == u'.'; }

// Notes errno as the thread's last error; answers what a failed call answers.
bool Failed() {
  SetLastError(errno);
  return false;
}

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// A descriptor closed by its destructor.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

std::int64_t ReadSome(int fd, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) {
      SetLastError(errno);
      return -1;
    }
  }
}

// Writes all of size bytes, at the file's position or, given one, at position; a short count
// when the disk is full.
std::int64_t WriteAll(int fd, const void* buffer, std::size_t size, std::optional<std::uint64_t> position = {}) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = position ? ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(*position + done))
                               : ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetLastError(n < 0 ? errno : ENOSPC);
      return done == 0 && n < 0 ? -1 : static_cast<std::int64_t>(done);
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd, bool direct = false) : fd_(fd), direct_(direct) {}
  ~PosixFile() override { Close(); }

  std::int64_t Read(void* buffer, std::size_t size) override {
    const std::int64_t n = ReadSome(fd_, buffer, size);
    if (n >= 0 || !direct_ || errno != EINVAL) return n;
    // Not aligned as the disk wants it: from now on through the cache.
    direct_ = false;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) != 0) return Failed(), -1;
    return ReadSome(fd_, buffer, size);
  }
  std::int64_t Write(const void* buffer, std::size_t size) override { return WriteAll(fd_, buffer, size); }

  bool Seek(std::uint64_t position) override {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) {
      SetLastError(EINVAL);
      return false;
    }
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || Failed();
  }

  std::optional<std::uint64_t> Tell() override {
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) return Failed(), std::nullopt;
    return static_cast<std::uint64_t>(pos);
  }

  std::optional<std::uint64_t> Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Failed(), std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }

  bool Close() override {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 || errno == EINTR || Failed();
  }

 private:
  int fd_;
  bool direct_;
};

// A temporary file next to its final name. It holds an exclusive lock while it lives, which
// tells a later import that its writer is still at work.
class PosixOutput final : public OutputFile {
 public:
  PosixOutput(Descriptor folder, Descriptor file, std::string tempName, std::string finalName, std::u16string tempPath)
      : folder_(std::move(folder)),
        file_(std::move(file)),
        tempName_(std::move(tempName)),
        finalName_(std::move(finalName)),
        tempPath_(std::move(tempPath)) {}
  ~PosixOutput() override {
    if (!inPlace_) Discard();
  }

  std::int64_t Write(const void* buffer, std::size_t size) override {
    const std::int64_t n = WriteAll(file_.Get(), buffer, size);
    if (n > 0) HandOver(static_cast<std::uint64_t>(n));
    return n;
  }

  bool SetLastWrite(std::int64_t seconds) override {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    return ::futimens(file_.Get(), times) == 0 || Failed();
  }

  bool Sync() override {
    while (::fdatasync(file_.Get()) != 0) {
      if (errno != EINTR) return Failed();
    }
    Written(written_);
    return true;
  }

  std::uint64_t OnDisk() const override { return onDisk_; }

  std::int64_t ReadBack(void* buffer, std::size_t size) override {
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, onDisk_ - readBack_));
    if (size == 0) return 0;
    for (;;) {
      const ssize_t n = ::pread(file_.Get(), buffer, size, static_cast<off_t>(readBack_));
      if (n >= 0) {
        readBack_ += static_cast<std::uint64_t>(n);
        return n;
      }
      if (errno != EINTR) return Failed(), -1;
    }
  }

  bool Commit() override {
    if (inPlace_) return true;
    if (discarded_) {
      SetLastError(ENOENT);
      return false;
    }
    // rename replaces the entry itself: a symbolic link at the final name is not followed.
    if (::renameat(folder_.Get(), tempName_.c_str(), folder_.Get(), finalName_.c_str()) != 0) return Failed();
    inPlace_ = true;
    // Without this a power loss could undo the rename. Some file systems cannot sync a folder
    // and say so; they keep their folders in order themselves.
    if (::fsync(folder_.Get()) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EROFS) return Failed();
    return true;
  }

  bool InPlace() const override { return inPlace_; }

  bool Discard() override {
    if (inPlace_ || discarded_) return !inPlace_;
    if (::unlinkat(folder_.Get(), tempName_.c_str(), 0) != 0 && errno != ENOENT) return Failed();
    discarded_ = true;
    return true;
  }

  const std::u16string& TempPath() const override { return tempPath_; }

  std::int64_t ReadAt(std::uint64_t position, void* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::pread(file_.Get(), buffer, size, static_cast<off_t>(position));
      if (n >= 0) return n;
      if (errno != EINTR) return Failed(), -1;
    }
  }

  std::int64_t WriteAt(std::uint64_t position, const void* buffer, std::size_t size) override {
    return WriteAll(file_.Get(), buffer, size, position);
  }

 private:
  // Starts the writing of each few MiB to the disk as soon as they are written, and waits for
  // the few MiB before them: Sync then has little left to do, a large output does not fill the
  // page cache, and what is on the disk can be read back while the copy goes on. A write-back
  // error here is left for Sync to report.
  void HandOver(std::uint64_t bytes) {
    written_ += bytes;
    if (written_ - handedOver_ < kHandOverBytes) return;
    if (handedOver_ > onDisk_ &&
        ::sync_file_range(file_.Get(), static_cast<off_t>(onDisk_), static_cast<off_t>(handedOver_ - onDisk_),
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) == 0) {
      Written(handedOver_);
    }
    ::sync_file_range(file_.Get(), static_cast<off_t>(handedOver_), static_cast<off_t>(written_ - handedOver_),
                      SYNC_FILE_RANGE_WRITE);
    handedOver_ = written_;
  }

  // The bytes up to end are on the disk. Written pages are clean now, so the kernel can drop
  // them from memory: reading them back then reads the disk.
  void Written(std::uint64_t end) {
    if (end <= onDisk_) return;
    ::posix_fadvise(file_.Get(), static_cast<off_t>(onDisk_), static_cast<off_t>(end - onDisk_), POSIX_FADV_DONTNEED);
    onDisk_ = end;
  }

  Descriptor folder_;
  Descriptor file_;
  std::string tempName_;
  std::string finalName_;
  std::u16string tempPath_;
  std::uint64_t written_ = 0;
  std::uint64_t handedOver_ = 0;  // handed to the disk
  std::uint64_t onDisk_ = 0;      // known to be there
  std::uint64_t readBack_ = 0;
  bool inPlace_ = false;
  bool discarded_ = false;
};

bool IsOutputTempName(std::string_view name) {
  const std::string suffix = ToUtf8(kOutputTempSuffix);
  return name.size() > suffix.size() + 1 && name.front() == '.' &&
         name.substr(name.size() - suffix.size()) == suffix;
}

// ".NAME.XXXXXXXX.quillon-part": hidden, recognisably ours, and unique among writers.
std::string TempNameFor(const std::string& name) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string tag;
  for (int i = 0; i < 8; ++i) tag += kDigits[random() % (sizeof kDigits - 1)];
  return "." + name.substr(0, kTempNameStemBytes) + "." + tag + ToUtf8(kOutputTempSuffix);
}

bool SameEntry(int folder, const char* name, int fd) {
  struct stat byName {}, byHandle {};
  return ::fstatat(folder, name, &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byHandle) == 0 &&
         IdOf(byName) == IdOf(byHandle);
}

// A name of one entry: no separator, not "." or "..", no NUL.
bool IsPlainName(const std::u16string& name) {
  return !name.empty() && name != u"." && name != u".." && name.find(kSeparator) == std::u16string::npos &&
         name.find(u'\0') == std::u16string::npos;
}

FileStatus StatusFrom(const struct stat& st, std::u16string_view name) {
  FileStatus s;
  s.isDirectory = S_ISDIR(st.st_mode);
  s.isLink = S_ISLNK(st.st_mode);
  s.isHidden = IsHiddenName(name);
  s.size = s.isDirectory ? 0 : static_cast<std::uint64_t>(st.st_size);
  s.lastWrite = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  s.id = IdOf(st);
  return s;
}

// strerror_r comes in two forms: GNU's answers a text, XSI's fills the buffer.
[[maybe_unused]] std::string FromStrerror(const char* text, const char*) { return text; }
[[maybe_unused]] std::string FromStrerror(int rc, const char* buffer) { return rc == 0 ? buffer : "unknown error"; }

// A folder held by its descriptor: every name is looked up in it, never through its path.
class PosixFolder final : public Folder {
 public:
  PosixFolder(Descriptor dir, std::u16string path, FileId id) : dir_(std::move(dir)), path_(std::move(path)), id_(id) {}

  const std::u16string& Path() const override { return path_; }

  std::optional<std::u16string> CurrentPath() const override {
    // The kernel keeps the path of every open folder, and marks it when the folder is deleted.
    const std::string link = "/proc/self/fd/" + std::to_string(dir_.Get());
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target || target[0] != '/') return std::nullopt;
    const std::string_view text(target, static_cast<std::size_t>(n));
    struct stat st {};
    if (text.ends_with(" (deleted)") && (::fstat(dir_.Get(), &st) != 0 || st.st_nlink == 0)) return std::nullopt;
    return FromUtf8(text);
  }

  FileId Id() const override { return id_; }

  std::unique_ptr<OutputFile> CreateOutput(const std::u16string& name) override {
    if (!IsPlainName(name)) {
      SetLastError(EINVAL);
      return nullptr;
    }
    const std::string finalName = ToUtf8(name);
    // A folder under the final name cannot be replaced by a file.
    struct stat st {};
    if (::fstatat(dir_.Get(), finalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
      SetLastError(EISDIR);
      return nullptr;
    }
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
      const std::string tempName = TempNameFor(finalName);
      // O_EXCL: a new file of our own, never an existing one and never through a link.
      Descriptor fd(::openat(dir_.Get(), tempName.c_str(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
      if (!fd.Valid()) {
        if (errno == EEXIST) continue;
        return Failed(), nullptr;
      }
      while (::flock(fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) return Failed(), nullptr;
      }
      // Another import's clean-up may have taken the file before it was locked: start again.
      if (!SameEntry(dir_.Get(), tempName.c_str(), fd.Get())) continue;
      Descriptor folder(::fcntl(dir_.Get(), F_DUPFD_CLOEXEC, 0));
      if (!folder.Valid()) return Failed(), nullptr;
      std::u16string tempPath = path_ + kSeparator + FromUtf8(tempName);
      return std::make_unique<PosixOutput>(std::move(folder), std::move(fd), tempName, finalName, std::move(tempPath));
    }
    SetLastError(EEXIST);
    return nullptr;
  }

  std::optional<FileStatus> LinkStatus(const std::u16string& name) override { return StatusAt(name, true); }
  std::optional<FileStatus> Status(const std::u16string& name) override { return StatusAt(name, false); }

  std::vector<std::u16string> RemoveStaleOutputs() override {
    std::vector<std::u16string> removed;
    DIR* listing = ::fdopendir(::fcntl(dir_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!listing) return removed;
    ::rewinddir(listing);
    std::vector<std::string> names;
    while (const dirent* ent = ::readdir(listing)) {
      if (IsOutputTempName(ent->d_name)) names.emplace_back(ent->d_name);
    }
    ::closedir(listing);
    for (const std::string& name : names) {
      Descriptor fd(::openat(dir_.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
      struct stat st {};
      if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      // A writer that still runs holds the lock.
      if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;
      if (SameEntry(dir_.Get(), name.c_str(), fd.Get()) && ::unlinkat(dir_.Get(), name.c_str(), 0) == 0) {
        removed.push_back(FromUtf8(name));
      }
    }
    return removed;
  }

  std::unique_ptr<Folder> SubFolder(const std::u16string& name, bool create) override {
    if (!IsPlainName(name)) {
      SetLastError(EINVAL);
      return nullptr;
    }
    const std::string sysName = ToUtf8(name);
    if (create) {
      if (::mkdirat(dir_.Get(), sysName.c_str(), 0777) == 0) {
        // The new entry survives a power loss as the outputs' renames do.
        if (::fsync(dir_.Get()) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EROFS) return Failed(), nullptr;
      } else if (errno != EEXIST) {
        return Failed(), nullptr;
      }
    }
    // O_NOFOLLOW: a link under the name fails the open instead of leading elsewhere.
    Descriptor sub(::openat(dir_.Get(), sysName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!sub.Valid() || ::fstat(sub.Get(), &st) != 0) return Failed(), nullptr;
    std::u16string path = path_;
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return std::make_unique<PosixFolder>(std::move(sub), path + name, IdOf(st));
  }

 private:
  std::optional<FileStatus> StatusAt(const std::u16string& name, bool entryItself) const {
    if (!IsPlainName(name)) {
      SetLastError(EINVAL);
      return std::nullopt;
    }
    struct stat st {};
    if (::fstatat(dir_.Get(), ToUtf8(name).c_str(), &st, entryItself ? AT_SYMLINK_NOFOLLOW : 0) != 0)
      return Failed(), std::nullopt;
    return StatusFrom(st, name);
  }

  Descriptor dir_;
  std::u16string path_;
  FileId id_;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::u16string& path) override { return Open(path, false); }
  std::unique_ptr<File> OpenReadDirect(const std::u16string& path) override { return Open(path, true); }

  std::unique_ptr<File> Open(const std::u16string& path, bool direct) {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    // Non-blocking so that a FIFO on a hostile volume cannot hang the open.
    Descriptor fd(::open(sys->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) return Failed(), nullptr;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return Failed(), nullptr;
    if (!S_ISREG(st.st_mode)) {
      SetLastError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return nullptr;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
    if (direct) {
      // A file system without direct reads refuses the flag: its reads go through the cache,
      // without read-ahead at least.
      direct = flags >= 0 && ::fcntl(fd.Get(), F_SETFL, (flags & ~O_NONBLOCK) | O_DIRECT) == 0;
      if (!direct) ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_RANDOM);
    }
    return std::make_unique<PosixFile>(fd.Release(), direct);
  }

  std::unique_ptr<Folder> OpenFolder(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    Descriptor dir(::open(sys->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!dir.Valid() || ::fstat(dir.Get(), &st) != 0) return Failed(), nullptr;
    return std::make_unique<PosixFolder>(std::move(dir), path, IdOf(st));
  }

  bool Remove(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    return sys && (::unlink(sys->c_str()) == 0 || Failed());
  }

  std::optional<FileStatus> Status(const std::u16string& path) override { return StatusOf(path, false); }
  std::optional<FileStatus> LinkStatus(const std::u16string& path) override { return StatusOf(path, true); }

  std::vector<DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) override {
    std::vector<DirEntry> out;
    const auto sys = SystemPath(folderPath);
    if (!sys) return out;
    DIR* dir = ::opendir(sys->c_str());
    if (!dir) return Failed(), out;
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

  std::vector<FileId> Ancestry(const std::u16string& folder) override {
    std::vector<FileId> ids;
    const auto sys = SystemPath(folder);
    if (!sys) return ids;
    // O_PATH: a folder that may be entered but not listed still has a "..".
    Descriptor current(::open(sys->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!current.Valid()) return Failed(), ids;
    for (int depth = 0; depth < kMaxAncestors; ++depth) {
      struct stat st {};
      if (::fstat(current.Get(), &st) != 0) break;
      ids.push_back(IdOf(st));
      Descriptor parent(::openat(current.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
      struct stat up {};
      if (!parent.Valid() || ::fstat(parent.Get(), &up) != 0 || IdOf(up) == IdOf(st)) break;  // the root
      current = std::move(parent);
    }
    return ids;
  }

  bool CanWriteIn(const std::u16string& folder) override {
    const auto sys = SystemPath(folder);
    if (!sys) return false;
    struct stat st {};
    if (::stat(sys->c_str(), &st) != 0) return Failed();
    if (!S_ISDIR(st.st_mode)) {
      SetLastError(ENOTDIR);
      return false;
    }
    return ::faccessat(AT_FDCWD, sys->c_str(), W_OK | X_OK, AT_EACCESS) == 0 || Failed();
  }

  std::optional<VolumeSpace> Space(const std::u16string& folder) override {
    const auto sys = SystemPath(folder);
    if (!sys) return std::nullopt;
    struct statvfs vfs {};
    if (::statvfs(sys->c_str(), &vfs) != 0) return Failed(), std::nullopt;
    VolumeSpace space;
    space.blockSize = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    space.freeBytes = static_cast<std::uint64_t>(vfs.f_bavail) * space.blockSize;
    const auto type = FileSystemTypeOf(folder);
    if (type && IsFatFamily(*type)) space.maxFileSize = kFatMaxFileSize;
    return space;
  }

 private:
  static std::optional<FileStatus> StatusOf(const std::u16string& path, bool entryItself) {
    const auto sys = SystemPath(path);
    if (!sys) return std::nullopt;
    struct stat st {};
    if ((entryItself ? ::lstat(sys->c_str(), &st) : ::stat(sys->c_str(), &st)) != 0) return Failed(), std::nullopt;
    return StatusFrom(st, LastComponent(path));
  }
};

}  // namespace

std::string ErrorText(int code) {
  if (code == 0) return "unknown error";
  char buffer[256] = {};
  return FromStrerror(::strerror_r(code, buffer, sizeof buffer), buffer);
}

FileSystem& NativeFiles() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace quillon::platform
