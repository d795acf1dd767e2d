// quillon-faultfs: a read-only FUSE mirror of a folder whose reads fail or stall where told, so
// that tests and benchmarks meet real read faults (EIO from the kernel, through every layer)
// as a failing disk gives them.
//
//   quillon-faultfs [--faults FILE] [--stats FILE] [--debug] SOURCE_DIR MOUNTPOINT
//
// It runs in the foreground until the mount is unmounted (fusermount3 -u MOUNTPOINT, or umount
// as root) or it gets SIGTERM, SIGINT or SIGHUP, which end every stall and unmount. Other
// signals:
//   SIGUSR1  ends every stall: waiting reads answer at once, and no read stalls from then on
//   SIGUSR2  writes the stats file
//
// The mount is read-only (writes fail with EROFS) and passes sizes, modes, times, inode
// numbers, links and folder listings through. Every file is opened direct_io: each read of an
// application reaches this program as one request (or more, when it is larger than the
// kernel's request size, 1 MiB with this libfuse), at the application's own offset and size;
// nothing is served from the page cache, and opens with O_DIRECT work.
//
// Faults file: one statement a line; '#' starts a comment; numbers are decimal, or hexadecimal
// with 0x; SECONDS may have a fraction.
//   fail-delay SECONDS           every failed read answers only after this (failing disks are slow)
//   file PATH                    the ranges below apply to PATH, relative to the mirror's root
//                                (the rest of the line, spaces included)
//   bad OFFSET LENGTH            reads touching [OFFSET, OFFSET+LENGTH) always fail with EIO
//   weak OFFSET LENGTH COUNT     the first COUNT reads touching it fail with EIO, later ones read
//   stall OFFSET LENGTH SECONDS  reads touching it wait SECONDS before they are answered
//   stall OFFSET LENGTH release  reads touching it wait until SIGUSR1
// A read that touches a failing range fails as a whole, as a disk fails the whole request. A
// stalled read is then answered as any other (it may still fail). Stalls hold only their own
// request: the other requests are answered meanwhile by other threads.
//
// Stats file (written whole, under a temporary name renamed over it): after the mount is made,
// whenever a read fails or begins a stall, on SIGUSR2 and at the end. One "NAME VALUE" a line:
//   served N      reads answered with bytes
//   failed N      reads answered with an error
//   touched N     reads, answered or failed, that touched a bad or weak range
//   stalled N     reads that began a stall
//   bytes N       bytes answered
//   generation N  how many times the file was written, this time included
// The counts of a read are made before it is answered: once a read returned to the
// application, the next write of the file includes it.
//
// Exit status: 0 after an unmount or a terminating signal, 1 when the mount fails, 2 for a
// wrong command line or faults file.
#define FUSE_USE_VERSION 312
#include <fuse3/fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

struct Fault {
  enum Kind { Bad, Weak, Stall } kind = Bad;
  std::uint64_t begin = 0, end = 0;
  std::uint64_t failuresLeft = 0;  // Weak
  double seconds = -1;             // Stall; negative: until released

  bool Touches(std::uint64_t from, std::uint64_t to) const { return begin < to && from < end; }
};

struct Config {
  double failDelay = 0;
  std::map<std::string, std::vector<Fault>, std::less<>> files;  // by path from the root, no leading '/'
};

struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Parses all of text as a T, or throws.
template <class T>
T Parse(std::string_view text, const char* what, int base = 10) {
  T value{};
  std::from_chars_result parsed;
  if constexpr (std::is_integral_v<T>) {
    parsed = std::from_chars(text.data(), text.data() + text.size(), value, base);
  } else {
    parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  }
  if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size())
    throw ConfigError(std::string("not ") + what + ": " + std::string(text));
  return value;
}

std::uint64_t Number(std::string_view word) {
  if (word.starts_with("0x") || word.starts_with("0X")) return Parse<std::uint64_t>(word.substr(2), "a number", 16);
  return Parse<std::uint64_t>(word, "a number");
}

double Seconds(std::string_view word) {
  const double value = Parse<double>(word, "a time in seconds");
  if (!std::isfinite(value) || value < 0) throw ConfigError("not a time in seconds: " + std::string(word));
  return value;
}

Config ParseConfig(std::istream& in) {
  Config config;
  std::vector<Fault>* ranges = nullptr;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    try {
      line = line.substr(0, line.find('#'));
      std::istringstream words(line);
      std::string keyword;
      if (!(words >> keyword)) continue;
      if (keyword == "file") {
        std::string path;
        std::getline(words >> std::ws, path);
        path.erase(path.find_last_not_of(" \t\r") + 1);
        path.erase(0, path.find_first_not_of('/'));
        if (path.empty()) throw ConfigError("file needs a path");
        ranges = &config.files[path];
        continue;
      }
      std::vector<std::string> args;
      for (std::string w; words >> w;) args.push_back(w);
      const auto expect = [&](std::size_t n) {
        if (args.size() != n) throw ConfigError(keyword + " takes " + std::to_string(n) + " values");
      };
      if (keyword == "fail-delay") {
        expect(1);
        config.failDelay = Seconds(args[0]);
        continue;
      }
      Fault fault;
      if (keyword == "bad") {
        expect(2);
      } else if (keyword == "weak") {
        expect(3);
        fault.kind = Fault::Weak;
        fault.failuresLeft = Number(args[2]);
      } else if (keyword == "stall") {
        expect(3);
        fault.kind = Fault::Stall;
        fault.seconds = args[2] == "release" ? -1 : Seconds(args[2]);
      } else {
        throw ConfigError("unknown statement: " + keyword);
      }
      if (!ranges) throw ConfigError(keyword + " before any file line");
      fault.begin = Number(args[0]);
      const std::uint64_t length = Number(args[1]);
      if (length > UINT64_MAX - fault.begin) throw ConfigError("range past the largest offset");
      fault.end = fault.begin + length;
      ranges->push_back(fault);
    } catch (const ConfigError& e) {
      throw ConfigError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  return config;
}

// Written by signal handlers: a byte on releaseWrite ends every stall for good (that pipe is
// never read, so it stays readable); a byte on statsWrite asks the stats thread for a write.
int releaseRead = -1, releaseWrite = -1, statsRead = -1, statsWrite = -1;
fuse* mounted = nullptr;

void Poke(int fd) {
  const int saved = errno;
  [[maybe_unused]] const ssize_t n = ::write(fd, "x", 1);  // a full pipe is already poked
  errno = saved;
}

extern "C" void OnRelease(int) { Poke(releaseWrite); }
extern "C" void OnStats(int) { Poke(statsWrite); }
extern "C" void OnTerminate(int) {
  Poke(releaseWrite);  // a stalled request would keep the loop from ending
  if (mounted) fuse_exit(mounted);
}

class Mirror {
 public:
  Mirror(int source, Config config, std::string statsPath)
      : source_(source), config_(std::move(config)), statsPath_(std::move(statsPath)) {}

  void WriteStats() {
    if (statsPath_.empty()) return;
    std::lock_guard lock(statsMutex_);
    char text[512];
    const int length = std::snprintf(
        text, sizeof text, "served %llu\nfailed %llu\ntouched %llu\nstalled %llu\nbytes %llu\ngeneration %llu\n",
        static_cast<unsigned long long>(served_.load()), static_cast<unsigned long long>(failed_.load()),
        static_cast<unsigned long long>(touched_.load()), static_cast<unsigned long long>(stalled_.load()),
        static_cast<unsigned long long>(bytes_.load()), static_cast<unsigned long long>(++generation_));
    const std::string temporary = statsPath_ + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, text, static_cast<std::size_t>(length)) == length;
    if (fd >= 0) ::close(fd);
    if (!written || ::rename(temporary.c_str(), statsPath_.c_str()) != 0)
      std::fprintf(stderr, "quillon-faultfs: cannot write %s: %s\n", statsPath_.c_str(), std::strerror(errno));
  }

  // The fuse_operations, as members; the path is the mount's, with its leading '/'.
  int GetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
    const int result = fi ? ::fstat(Fd(fi), st) : ::fstatat(source_, Relative(path), st, AT_SYMLINK_NOFOLLOW);
    return result == 0 ? 0 : -errno;
  }

  int ReadLink(const char* path, char* buffer, std::size_t size) {
    const ssize_t n = ::readlinkat(source_, Relative(path), buffer, size - 1);
    if (n < 0) return -errno;
    buffer[n] = '\0';
    return 0;
  }

  int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill) {
    const int fd = ::openat(source_, Relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
      const int error = errno;
      if (fd >= 0) ::close(fd);
      return -error;
    }
    while (const dirent* entry = ::readdir(dir)) {
      struct stat st {};
      st.st_ino = entry->d_ino;
      st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
      if (fill(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) break;
    }
    ::closedir(dir);
    return 0;
  }

  int Open(const char* path, fuse_file_info* fi) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    const int fd = ::openat(source_, Relative(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -errno;
    const auto found = config_.files.find(std::string_view(path).substr(1));
    fi->fh = reinterpret_cast<std::uintptr_t>(
        new OpenFile{fd, found == config_.files.end() ? nullptr : &found->second});
    fi->direct_io = 1;  // every read reaches Read, none is answered from the page cache
    fi->keep_cache = 0;
    return 0;
  }

  int Release(fuse_file_info* fi) {
    const OpenFile* file = reinterpret_cast<OpenFile*>(fi->fh);
    ::close(file->fd);
    delete file;
    return 0;
  }

  int Read(char* buffer, std::size_t size, off_t offset, fuse_file_info* fi) {
    const OpenFile& file = *reinterpret_cast<OpenFile*>(fi->fh);
    const auto from = static_cast<std::uint64_t>(offset);
    const std::uint64_t to = from + size;
    bool fails = false;
    if (file.faults) {
      Stall(*file.faults, from, to);
      bool touched = false;
      std::lock_guard lock(faultMutex_);
      for (Fault& f : *file.faults) {
        if (f.kind == Fault::Stall || !f.Touches(from, to)) continue;
        touched = true;
        if (f.kind == Fault::Bad) {
          fails = true;
        } else if (f.failuresLeft > 0) {
          --f.failuresLeft;
          fails = true;
        }
      }
      if (touched) ++touched_;
    }
    if (fails) return Fail(EIO);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(file.fd, buffer + done, size - done, offset + static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(errno);
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    ++served_;
    bytes_ += done;
    return static_cast<int>(done);
  }

  int StatFs(struct statvfs* st) { return ::fstatvfs(source_, st) == 0 ? 0 : -errno; }

 private:
  struct OpenFile {
    int fd;
    std::vector<Fault>* faults;  // nullptr: a file without faults
  };

  static int Fd(const fuse_file_info* fi) { return reinterpret_cast<const OpenFile*>(fi->fh)->fd; }
  static const char* Relative(const char* path) { return path[1] ? path + 1 : "."; }

  // Waits as long as the longest stall range the read touches asks, or until released.
  void Stall(const std::vector<Fault>& faults, std::uint64_t from, std::uint64_t to) {
    std::optional<double> longest;
    for (const Fault& f : faults) {
      if (f.kind != Fault::Stall || !f.Touches(from, to)) continue;
      const double seconds = f.seconds < 0 ? INFINITY : f.seconds;
      longest = std::max(longest.value_or(0), seconds);
    }
    pollfd released{releaseRead, POLLIN, 0};
    if (!longest || ::poll(&released, 1, 0) > 0) return;
    ++stalled_;
    WriteStats();
    using Clock = std::chrono::steady_clock;
    const bool forever = std::isinf(*longest);
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(forever ? 0 : *longest));
    for (;;) {
      int timeout = -1;
      if (!forever) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        timeout = static_cast<int>(std::min<long long>(left, INT32_MAX));
      }
      if (::poll(&released, 1, timeout) > 0) return;  // 0: the time is up, checked above; -1: EINTR
    }
  }

  int Fail(int error) {
    if (config_.failDelay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(config_.failDelay));
    ++failed_;
    WriteStats();
    return -error;
  }

  const int source_;
  Config config_;
  const std::string statsPath_;
  std::mutex faultMutex_;  // the weak ranges' failures left
  std::mutex statsMutex_;
  std::atomic<std::uint64_t> served_{0}, failed_{0}, touched_{0}, stalled_{0}, bytes_{0};
  std::uint64_t generation_ = 0;
};

Mirror& The() { return *static_cast<Mirror*>(fuse_get_context()->private_data); }

fuse_operations Operations() {
  fuse_operations ops{};
  ops.init = [](fuse_conn_info*, fuse_config* cfg) -> void* {
    cfg->use_ino = 1;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    return fuse_get_context()->private_data;
  };
  ops.getattr = [](const char* p, struct stat* st, fuse_file_info* fi) { return The().GetAttr(p, st, fi); };
  ops.readlink = [](const char* p, char* b, std::size_t n) { return The().ReadLink(p, b, n); };
  ops.readdir = [](const char* p, void* b, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
    return The().ReadDir(p, b, fill);
  };
  ops.open = [](const char* p, fuse_file_info* fi) { return The().Open(p, fi); };
  ops.read = [](const char*, char* b, std::size_t n, off_t o, fuse_file_info* fi) { return The().Read(b, n, o, fi); };
  ops.release = [](const char*, fuse_file_info* fi) { return The().Release(fi); };
  ops.statfs = [](const char*, struct statvfs* st) { return The().StatFs(st); };
  return ops;
}

int Usage() {
  std::fprintf(stderr, "usage: quillon-faultfs [--faults FILE] [--stats FILE] [--debug] SOURCE_DIR MOUNTPOINT\n");
  return 2;
}

void Handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::string faultsPath, statsPath;
  bool debug = false;
  std::vector<std::string> places;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--faults" || arg == "--stats") && i + 1 < argc) {
      (arg == "--faults" ? faultsPath : statsPath) = argv[++i];
    } else if (arg == "--debug") {
      debug = true;
    } else if (arg.rfind("-", 0) == 0) {
      return Usage();
    } else {
      places.push_back(arg);
    }
  }
  if (places.size() != 2) return Usage();

  Config config;
  if (!faultsPath.empty()) {
    std::ifstream in(faultsPath);
    if (!in) {
      std::fprintf(stderr, "quillon-faultfs: cannot read %s\n", faultsPath.c_str());
      return 2;
    }
    try {
      config = ParseConfig(in);
    } catch (const ConfigError& e) {
      std::fprintf(stderr, "quillon-faultfs: %s: %s\n", faultsPath.c_str(), e.what());
      return 2;
    }
  }
  const int source = ::open(places[0].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (source < 0) {
    std::fprintf(stderr, "quillon-faultfs: cannot open %s: %s\n", places[0].c_str(), std::strerror(errno));
    return 2;
  }
  int pipes[2][2];
  if (::pipe2(pipes[0], O_CLOEXEC) != 0 || ::pipe2(pipes[1], O_CLOEXEC) != 0) return 1;
  releaseRead = pipes[0][0], releaseWrite = pipes[0][1], statsRead = pipes[1][0], statsWrite = pipes[1][1];
  for (int fd : {releaseWrite, statsWrite}) ::fcntl(fd, F_SETFL, O_NONBLOCK);  // handlers never block

  Mirror mirror(source, std::move(config), statsPath);
  std::vector<std::string> words = {argv[0], "-o", "ro,fsname=quillon-faultfs,subtype=quillon-faultfs"};
  if (debug) words.push_back("-d");
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  fuse_args fuseArgs = FUSE_ARGS_INIT(static_cast<int>(args.size()), args.data());
  const std::unique_ptr<fuse_args, void (*)(fuse_args*)> freeArgs(&fuseArgs, fuse_opt_free_args);  // fuse_new copies them
  const fuse_operations ops = Operations();
  fuse* fs = fuse_new(&fuseArgs, &ops, sizeof ops, &mirror);
  if (!fs) return 1;
  mounted = fs;
  // Installed before the mount: once it is seen, every signal above does what it says.
  Handle(SIGUSR1, OnRelease, SA_RESTART);
  Handle(SIGUSR2, OnStats, SA_RESTART);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) Handle(s, OnTerminate, 0);
  Handle(SIGPIPE, SIG_IGN, 0);
  if (fuse_mount(fs, places[1].c_str()) != 0) {
    fuse_destroy(fs);
    return 1;
  }
  mirror.WriteStats();
  // The stats thread takes no signal, so that once the main thread blocks SIGUSR2 as well no
  // handler can write to the pipe any more and it can be closed.
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &before);
  std::thread stats([&mirror] {
    for (char byte = 0; ::read(statsRead, &byte, 1) == 1;) mirror.WriteStats();
  });
  pthread_sigmask(SIG_SETMASK, &before, nullptr);

  fuse_loop_config* loop = fuse_loop_cfg_create();
  fuse_loop_cfg_set_max_threads(loop, 64);  // each stalled read holds a thread
  const int result = fuse_loop_mt(fs, loop);
  fuse_loop_cfg_destroy(loop);
  fuse_unmount(fs);
  fuse_destroy(fs);

  sigset_t quiet;
  sigemptyset(&quiet);
  sigaddset(&quiet, SIGUSR2);
  pthread_sigmask(SIG_BLOCK, &quiet, nullptr);
  ::close(statsWrite);  // the stats thread reads the end of the pipe and ends
  stats.join();
  mirror.WriteStats();
  return result < 0 ? 1 : 0;
}
