// What an output costs after its last byte is written, step by step, as the copy engine takes
// them: fdatasync, then the read-back check (pages dropped with POSIX_FADV_DONTNEED, the file
// read again in 1 MiB blocks and hashed with XXH3-128), then the rename over the final name
// with the folder's fsync.
//   quillon-commit-cost DIR MIB     writes MIB MiB of pseudo-random bytes through the output
//                                    service (the engine's own path: hidden temporary file, then
//                                    its final name) and times each step; the file is removed
//   quillon-commit-cost DIR SRC...  the same with the bytes of the SRC files one after another
//   quillon-commit-cost --file PATH...  times fdatasync, then the read-back, of existing files
//                                    (for instance those cp wrote); prints their hashes
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ContentHash.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace {

using namespace quillon::platform;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kBlock = 1u << 20;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void Row(const char* what, double seconds, std::uint64_t bytes) {
  if (bytes > 0) {
    std::printf("%-34s %8.3f s  %7.1f MB/s\n", what, seconds, static_cast<double>(bytes) / seconds / 1e6);
  } else {
    std::printf("%-34s %8.3f s\n", what, seconds);
  }
}

int Fail(const char* what) {
  std::fprintf(stderr, "quillon-commit-cost: %s: %s\n", what, ErrorText(LastError()).c_str());
  return 1;
}

// fdatasync of each file, then the read-back of each; the totals, and each file's hash.
int ExistingFiles(const std::vector<const char*>& paths) {
  std::vector<int> fds;
  for (const char* path : paths) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return SetLastError(errno), Fail(path);
    fds.push_back(fd);
  }
  auto t0 = Clock::now();
  for (const int fd : fds) {
    if (::fdatasync(fd) != 0) return SetLastError(errno), Fail("fdatasync");
  }
  Row("fdatasync", Since(t0), 0);
  std::vector<unsigned char> buffer(kBlock);
  std::vector<std::string> hashes;
  std::uint64_t total = 0;
  t0 = Clock::now();
  for (const int fd : fds) {
    ContentHash hash;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    for (;;) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n < 0) return SetLastError(errno), Fail("read");
      if (n == 0) break;
      hash.Update(buffer.data(), static_cast<std::size_t>(n));
      total += static_cast<std::uint64_t>(n);
    }
    hashes.push_back(hash.Hex());
    ::close(fd);
  }
  Row("DONTNEED + read-back + XXH3-128", Since(t0), total);
  for (std::size_t i = 0; i < paths.size(); ++i) std::printf("%s  %s\n", hashes[i].c_str(), paths[i]);
  return 0;
}

// Fills the block with the next bytes to write; answers the count, 0 at the end, -1 on error.
class Bytes {
 public:
  explicit Bytes(long mib) : left_(static_cast<std::uint64_t>(mib) * kBlock) {}
  explicit Bytes(std::vector<std::string> sources) : sources_(std::move(sources)) {}
  ~Bytes() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::int64_t Next(std::vector<unsigned char>& block) {
    if (sources_.empty()) {
      if (left_ == 0) return 0;
      for (std::size_t k = 0; k < block.size(); k += 8) {  // bytes that no layer can compress
        x_ ^= x_ << 13, x_ ^= x_ >> 7, x_ ^= x_ << 17;
        std::memcpy(block.data() + k, &x_, 8);
      }
      left_ -= block.size();
      return static_cast<std::int64_t>(block.size());
    }
    for (;;) {
      if (fd_ < 0) {
        if (next_ == sources_.size()) return 0;
        fd_ = ::open(sources_[next_++].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return SetLastError(errno), -1;
      }
      const ssize_t n = ::read(fd_, block.data(), block.size());
      if (n < 0) return SetLastError(errno), -1;
      if (n > 0) return n;
      ::close(fd_);
      fd_ = -1;
    }
  }

 private:
  std::vector<std::string> sources_;
  std::size_t next_ = 0;
  int fd_ = -1;
  std::uint64_t left_ = 0;
  std::uint64_t x_ = 0x9E3779B97F4A7C15ull;
};

int ThroughOutput(const std::string& dir, Bytes& source) {
  FileSystem& fs = NativeFiles();
  const std::u16string folder = FromUtf8(dir);
  const std::u16string name = u"quillon-commit-cost.bin";
  auto out = fs.CreateOutput(folder, name);
  if (!out) return Fail("create");
  std::vector<unsigned char> block(kBlock);
  ContentHash written;
  std::uint64_t bytes = 0;
  auto t0 = Clock::now();
  for (;;) {
    const std::int64_t n = source.Next(block);
    if (n < 0) return Fail("source");
    if (n == 0) break;
    written.Update(block.data(), static_cast<std::size_t>(n));
    if (out->Write(block.data(), static_cast<std::size_t>(n)) != n) return Fail("write");
    bytes += static_cast<std::uint64_t>(n);
  }
  Row("write, handed to the disk each 8 MiB", Since(t0), bytes);

  t0 = Clock::now();
  if (!out->Sync()) return Fail("fdatasync");
  Row("fdatasync", Since(t0), bytes);

  t0 = Clock::now();
  ContentHash check;
  std::uint64_t total = 0;
  for (;;) {
    const std::int64_t n = out->ReadBack(block.data(), block.size());
    if (n < 0) return Fail("read-back");
    if (n == 0) break;
    check.Update(block.data(), static_cast<std::size_t>(n));
    total += static_cast<std::uint64_t>(n);
  }
  Row("DONTNEED + read-back + XXH3-128", Since(t0), total);
  if (total != bytes || check.Digest() != written.Digest()) {
    std::fprintf(stderr, "quillon-commit-cost: the read-back differs from what was written\n");
    return 1;
  }

  t0 = Clock::now();
  if (!out->Commit()) return Fail("rename");
  Row("rename + folder fsync", Since(t0), 0);
  out.reset();
  const std::u16string finalPath = folder + u"/" + name;
  if (!fs.Remove(finalPath)) return Fail("remove");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--file") == 0) return ExistingFiles({argv + 2, argv + argc});
  if (argc == 3 && std::strspn(argv[2], "0123456789") == std::strlen(argv[2])) {
    Bytes random(std::atol(argv[2]));
    return ThroughOutput(argv[1], random);
  }
  if (argc >= 3) {
    Bytes files(std::vector<std::string>(argv + 2, argv + argc));
    return ThroughOutput(argv[1], files);
  }
  std::fprintf(stderr, "usage: quillon-commit-cost DIR (MIB | SRC...) | quillon-commit-cost --file PATH...\n");
  return 2;
}
