// Reads through a FUSE mirror whose reads fail or stall where told (testsupport::FaultyMount):
// every read of the platform's file service and every O_DIRECT read reaches the mount, a read
// that touches a bad range fails with EIO as a whole, a weak range reads after its failures, a
// stall holds only its own read, and the counts say what was answered. Skips where no FUSE
// mount can be made.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>

#include "platform/FileSystem.h"
#include "support/FaultyMount.h"
#include "support/TempDir.h"

namespace quillon::platform {
namespace {

namespace fs = std::filesystem;
using testsupport::FaultyMount;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kFileSize = 16384;
constexpr double kFailDelay = 0.02;

// No two blocks of the file alike, so a read from the wrong offset shows.
Bytes Pattern() {
  Bytes bytes(kFileSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
  return bytes;
}

enum class Via { Files, Direct };  // platform::Files(), or open(O_DIRECT) and pread

struct Answer {
  std::int64_t count = -1;
  int error = 0;
  Bytes bytes;
  double seconds = 0;
};

Answer ReadAt(const FaultyMount& mount, const std::string& name, std::uint64_t offset, std::size_t size,
              Via via = Via::Files) {
  Answer a;
  // Aligned as O_DIRECT asks of a disk (FUSE itself does not).
  std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
      static_cast<unsigned char*>(std::aligned_alloc(4096, (size + 4095) / 4096 * 4096)), &std::free);
  const auto start = std::chrono::steady_clock::now();
  if (via == Via::Files) {
    const auto file = Files().OpenRead(mount.U16(name));
    if (!file || !file->Seek(offset)) return a;
    a.count = file->Read(buffer.get(), size);
    a.error = a.count < 0 ? LastError() : 0;
  } else {
    const int fd = ::open((mount.Path() / name).c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
    if (fd < 0) return a.error = errno, a;
    a.count = ::pread(fd, buffer.get(), size, static_cast<off_t>(offset));
    a.error = a.count < 0 ? errno : 0;
    ::close(fd);
  }
  a.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (a.count > 0) a.bytes.assign(buffer.get(), buffer.get() + a.count);
  return a;
}

Bytes Slice(std::uint64_t offset, std::size_t size) {
  const Bytes all = Pattern();
  return Bytes(all.begin() + static_cast<std::ptrdiff_t>(offset), all.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

class FaultyMountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = FaultyMount::Unavailable()) GTEST_SKIP() << *why;
  }
  testsupport::TempDir source;
};

TEST_F(FaultyMountTest, EachReadMeetsTheFaultsOfTheRangeItTouchesAndIsCounted) {
  enum Outcome { Served, ServedTouched, Failed };  // ServedTouched: a weak range that reads again
  struct Row {
    const char* file;
    std::uint64_t offset;
    std::size_t size;
    Outcome outcome;
    Via via = Via::Files;
    double stall = 0;
  };
  // In this order: a weak range counts its failures.
  const Row rows[] = {
      {"clean.bin", 0, kFileSize, Served},
      {"clean.bin", 0, kFileSize, Served, Via::Direct},
      {"bad.bin", 0, 4096, Served},
      {"bad.bin", 4096, 4096, Failed},  // one bad byte fails the whole request
      {"bad.bin", 4096, 4096, Failed, Via::Direct},
      {"bad.bin", 8192, 8192, Served, Via::Direct},
      {"edge.bin", 0, 4096, Served},  // ends where the range begins
      {"edge.bin", 4095, 2, Failed},
      {"edge.bin", 8191, 1, Failed},
      {"edge.bin", 8192, 100, Served},  // begins where it ends
      {"weak.bin", 0, 4096, Failed},
      {"weak.bin", 96, 8, Failed, Via::Direct},
      {"weak.bin", 0, 4096, ServedTouched},
      {"weak.bin", 0, 4096, ServedTouched},  // read again, not from a cache
      {"weak.bin", 200, 50, Served},
      {"slow.bin", 0, 4096, Served, Via::Files, 0.2},
  };
  for (const char* name : {"clean.bin", "bad.bin", "edge.bin", "weak.bin", "slow.bin"})
    testsupport::WriteFile(source.Path() / name, Pattern());
  FaultyMount mount(source.Path(),
                    "fail-delay 0.02\n"
                    "file bad.bin\nbad 5000 1\n"
                    "file edge.bin\nbad 4096 4096\n"
                    "file weak.bin\nweak 100 10 2  # two failures\n"
                    "file /slow.bin\nstall 0 100 0.2\n");

  FaultyMount::Stats expected;
  expected.stalled = 1;
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.file << " at " << row.offset << ", " << row.size
                                    << (row.via == Via::Direct ? " bytes, O_DIRECT" : " bytes"));
    const Answer a = ReadAt(mount, row.file, row.offset, row.size, row.via);
    if (row.outcome == Failed) {
      EXPECT_EQ(a.count, -1);
      EXPECT_EQ(a.error, EIO);
      EXPECT_GE(a.seconds, kFailDelay);
      ++expected.failed;
    } else {
      EXPECT_EQ(a.bytes, Slice(row.offset, row.size)) << a.error;
      ++expected.served;
      expected.bytes += row.size;
    }
    if (row.outcome != Served) ++expected.touched;
    EXPECT_GE(a.seconds, row.stall);
  }
  const FaultyMount::Stats stats = mount.ReadStats();
  EXPECT_EQ(stats.served, expected.served);
  EXPECT_EQ(stats.failed, expected.failed);
  EXPECT_EQ(stats.touched, expected.touched);
  EXPECT_EQ(stats.stalled, expected.stalled);
  EXPECT_EQ(stats.bytes, expected.bytes);
}

TEST_F(FaultyMountTest, AStalledReadWaitsForTheReleaseWhileOtherReadsAreAnswered) {
  testsupport::WriteFile(source.Path() / "stall.bin", Pattern());
  FaultyMount mount(source.Path(), "file stall.bin\nstall 0 4096 release\n");
  auto stalled = std::async(std::launch::async, [&mount] { return ReadAt(mount, "stall.bin", 0, 4096); });
  EXPECT_TRUE(mount.WaitUntilStalled(1));
  // On a thread too, so that a read held up by the stall fails the test rather than hangs it.
  auto other = std::async(std::launch::async, [&mount] { return ReadAt(mount, "stall.bin", 4096, 4096); });
  EXPECT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "held up by the stall";
  EXPECT_EQ(stalled.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  mount.Release();
  EXPECT_EQ(other.get().bytes, Slice(4096, 4096));
  EXPECT_EQ(stalled.get().bytes, Slice(0, 4096));
}

TEST_F(FaultyMountTest, TheMirrorShowsTheSourcesNamesSizesAndTimesAndTakesNoWrite) {
  const fs::path chunk = source.Path() / "VIDEO" / "QVT" / "A.M2T";
  testsupport::WriteFile(chunk, Pattern());
  const timespec times[2] = {{1234567890, 0}, {1234567890, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, chunk.c_str(), times, 0), 0);
  FaultyMount mount(source.Path(), "");

  const auto found = Files().Find(mount.U16("VIDEO/QVT"), u"*.M2T");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, u"A.M2T");
  EXPECT_EQ(found[0].size, kFileSize);
  const auto status = Files().Status(found[0].path);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->lastWrite, 1234567890);
  const auto openError = [&mount](const char* name, int flags) {
    const int fd = ::open((mount.Path() / name).c_str(), flags | O_CLOEXEC, 0644);
    return fd < 0 ? errno : (::close(fd), 0);
  };
  EXPECT_EQ(openError("VIDEO/QVT/A.M2T", O_WRONLY), EROFS);
  EXPECT_EQ(openError("new.bin", O_WRONLY | O_CREAT), EROFS);
}

}  // namespace
}  // namespace quillon::platform
