// Real faults of real file systems, made in a private mount namespace: a destination that
// fills up in the middle of a clip, a unit that is unmounted while it is being imported, and
// a destination that turns read-only between two output files. Needs root; skips otherwise.
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/RecordingEvents.h"
#include "support/FaultyFileSystem.h"
#include "support/SmallImport.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::FaultyFileSystem;
using testsupport::FileOp;
using testsupport::SmallImport;
using testsupport::TempDir;
using Chunk = SmallImport::Chunk;
using Output = SmallImport::Output;

class RealFault : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount file systems in a private mount namespace";
    // The mounts below stay in this process's own namespace and vanish with it.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      GTEST_SKIP() << "cannot make a private mount namespace: " << std::strerror(errno);
  }

  void TearDown() override {
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
  }

  void MountTmpfs(const fs::path& at, const std::string& size) {
    fs::create_directories(at);
    const std::string options = "size=" + size + ",mode=0755";
    ASSERT_EQ(::mount("quillon-test", at.c_str(), "tmpfs", 0, options.c_str()), 0) << std::strerror(errno);
    mounted_.push_back(at);
  }

  void Unmount(const fs::path& at) {
    ASSERT_EQ(::umount2(at.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    mounted_.erase(std::find(mounted_.begin(), mounted_.end(), at));
  }

  void Bind(const fs::path& from, const fs::path& at) {
    fs::create_directories(at);
    ASSERT_EQ(::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr), 0) << std::strerror(errno);
    mounted_.push_back(at);
  }

  TempDir dir;

 private:
  std::vector<fs::path> mounted_;
};

// Fills the volume of folder with a file of its own until only `room` bytes are free.
void LeaveRoom(const fs::path& folder, std::uint64_t room) {
  const std::uint64_t free = fs::space(folder).available;
  ASSERT_GE(free, room);
  std::vector<unsigned char> filler(static_cast<std::size_t>(free - room), 0xFF);
  testsupport::WriteFile(folder / "other-program.bin", filler);
}

TEST_F(RealFault, ADestinationThatFillsUpInTheMiddleOfAClipKeepsOnlyCompleteFiles) {
  // The import fits when it starts; then another program fills the volume up to 4 or 8 KiB.
  // 4 KiB fill up in the second chunk of the first output file; deleting that cut file gives
  // its room back, so the DV clip after it fits. 8 KiB hold the first output file (two pages)
  // and fill up at the first block of the second; then the DV clip finds no room either.
  struct Room {
    std::uint64_t bytes;
    int failedClips;
    std::set<Output> kept;
  };
  for (const Room& room : {Room{4096, 1, {Output::D}}, Room{8192, 2, {Output::JoinedAB}}}) {
    SCOPED_TRACE(room.bytes);
    TempDir here;
    const fs::path dest = here.Path() / "dest";
    MountTmpfs(dest, "64k");
    SmallImport import(here.Path() / "unit", dest);
    FaultyFileSystem watcher;  // only to know when: every call goes through to the disk
    watcher.OnNth(FileOp::Write, 1, [&] { LeaveRoom(dest, room.bytes); });
    SmallImport::Result r;
    {
      platform::ScopedFileSystem use(watcher);
      r = import.Run();
    }
    fs::remove(dest / "other-program.bin");

    EXPECT_EQ(static_cast<int>(r.failed.size()), room.failedClips);
    EXPECT_EQ(r.failureEvents, room.failedClips);
    EXPECT_EQ(r.state, WriteFailed);
    ASSERT_FALSE(r.outcome.failures.empty());
    EXPECT_EQ(r.outcome.failures[0].detail, std::strerror(ENOSPC));
    std::set<std::string> names;
    for (Output o : room.kept) {
      EXPECT_TRUE(import.Complete(o));
      names.insert(import.OutputPath(o).filename().string());
    }
    EXPECT_EQ(import.DestFiles(), names) << "a cut file was left behind";
    EXPECT_TRUE(import.UnitUntouched());
    Unmount(dest);
  }
}

TEST_F(RealFault, AnImportThatCannotFitIsRefusedBeforeAnythingIsCopied) {
  const fs::path dest = dir.Path() / "dest";
  MountTmpfs(dest, "8k");
  SmallImport import(dir.Path() / "unit", dest);
  const SmallImport::Result r = import.Run();
  ASSERT_TRUE(r.refusal.has_value());
  EXPECT_EQ(r.refusal->kind, RefusalKind::NotEnoughSpace);
  EXPECT_TRUE(r.outcome.written.empty());
  EXPECT_TRUE(r.failed.empty());
  EXPECT_TRUE(import.DestFiles().empty());
}

TEST_F(RealFault, ADestinationInsideASecondMountOfTheUnitIsRefused) {
  const fs::path files = dir.Path() / "unit";
  SmallImport import(files, dir.Path() / "dest");
  Bind(files, dir.Path() / "again");
  const fs::path inside = dir.Path() / "again" / "VIDEO" / "QVT";
  ClipCatalogue catalogue;
  catalogue.Scan(testsupport::U16(files), true, true);
  ImportRequest request = RequestFor(catalogue, {0, 1});
  request.destination = testsupport::U16(inside);
  testsupport::RecordingEvents events;
  const ImportOutcome outcome = testsupport::RunToEnd(std::move(request), events);
  ASSERT_TRUE(outcome.refusal.has_value());
  EXPECT_EQ(outcome.refusal->kind, RefusalKind::InsideUnit);
  EXPECT_TRUE(outcome.written.empty());
  EXPECT_TRUE(import.UnitUntouched());
}

TEST_F(RealFault, AUnitUnmountedDuringTheImportFinishesTheOpenChunkAndFailsTheRest) {
  // The unit is a bind mount of a folder; it is detached lazily while chunk C is copied. The
  // open chunk reads on to its end, the next chunk cannot be opened any more.
  const fs::path files = dir.Path() / "unit-files";
  fs::create_directories(files);
  const fs::path unit = dir.Path() / "unit";
  Bind(files, unit);
  SmallImport import(unit, dir.Path() / "dest");

  FaultyFileSystem watcher;  // only to know when: every call goes through to the disk
  watcher.OnNth(FileOp::Write, 1, [&unit] { ASSERT_EQ(::umount2(unit.c_str(), MNT_DETACH), 0); },
                import.OutputU16(Output::C));
  SmallImport::Result r;
  {
    platform::ScopedFileSystem use(watcher);
    r = import.Run();
  }

  EXPECT_EQ(r.failed, std::vector<std::u16string>{u"DVC0001"});
  EXPECT_EQ(r.failureEvents, 1);
  EXPECT_EQ(r.state, Ask);
  EXPECT_TRUE(import.Complete(Output::JoinedAB));
  EXPECT_TRUE(import.Complete(Output::C));
  EXPECT_EQ(import.DestFiles().size(), 2u);
  EXPECT_TRUE(fs::is_empty(unit)) << "the unit was not unmounted";
  EXPECT_TRUE(import.UnitUntouched(files));
}

TEST_F(RealFault, ADestinationTurnedReadOnlyBetweenTwoFilesFailsTheRestAndKeepsTheExistingFile) {
  // A file named like the second output already exists, so the import asks; while the
  // question is open the destination is remounted read-only and the user answers Yes.
  // (Linux refuses a read-only remount while a file on the mount is open for writing, so
  // this is the moment a destination can turn read-only under an import.)
  const fs::path dest = dir.Path() / "dest";
  SmallImport import(dir.Path() / "unit", dest);
  Bind(dest, dest);
  const std::vector<unsigned char> old = {'o', 'l', 'd'};
  testsupport::WriteFile(import.OutputPath(Output::C), old);
  import.OnQuestion([&dest](const std::u16string&) {
    EXPECT_EQ(::mount(nullptr, dest.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0)
        << std::strerror(errno);
    return OverwriteAnswer::Yes;
  });
  const SmallImport::Result r = import.Run();

  EXPECT_EQ(r.failed, (std::vector<std::u16string>{u"HDV0001", u"DVC0001"}));
  EXPECT_EQ(r.failureEvents, 2);
  EXPECT_EQ(r.state, CreateFailed);
  EXPECT_TRUE(import.Complete(Output::JoinedAB));
  EXPECT_EQ(testsupport::ReadFile(import.OutputPath(Output::C)), old);
  EXPECT_EQ(import.DestFiles().size(), 2u);
  EXPECT_TRUE(import.UnitUntouched());
}

TEST_F(RealFault, ASecondCopyOnAFullOrReadOnlyVolume) {
  // A second folder on a volume that fills up in the middle leaves the destination complete and
  // nothing cut in the second; one that is read-only, or too small from the start, is refused
  // before anything is copied.
  struct Case {
    const char* what;
    std::string size;  // of the tmpfs of the second folder
    bool readOnly;
    bool fillUp;
    std::optional<RefusalKind> refusal;
  } cases[] = {
      {"fills up", "64k", false, true, std::nullopt},
      {"read-only", "64k", true, false, RefusalKind::NotWritable},
      {"too small", "8k", false, false, RefusalKind::NotEnoughSpace},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir here;
    const fs::path second = here.Path() / "second";
    MountTmpfs(second, c.size);
    if (c.readOnly) {
      ASSERT_EQ(::mount(nullptr, second.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k"), 0) << std::strerror(errno);
    }
    SmallImport import(here.Path() / "unit", here.Path() / "dest");
    import.SetSecondCopy(second);
    FaultyFileSystem watcher;  // only to know when: every call goes through to the disk
    if (c.fillUp) watcher.OnNth(FileOp::Write, 1, [&] { LeaveRoom(second, 4096); }, testsupport::U16(second));
    SmallImport::Result r;
    {
      platform::ScopedFileSystem use(watcher);
      r = import.Run();
    }
    if (c.refusal) {
      ASSERT_TRUE(r.refusal.has_value());
      EXPECT_EQ(r.refusal->kind, *c.refusal);
      EXPECT_EQ(r.refusal->destination, testsupport::U16(second));
      EXPECT_TRUE(import.DestFiles().empty());
    } else {
      EXPECT_FALSE(r.failed.empty());
      for (const Output o : {Output::JoinedAB, Output::C, Output::D}) EXPECT_TRUE(import.Complete(o));
      for (const auto& e : fs::directory_iterator(second)) {
        const std::string name = e.path().filename().string();
        if (name == "other-program.bin" || name == ".quillon-history") continue;
        EXPECT_EQ(testsupport::ReadFile(e.path()), testsupport::ReadFile(here.Path() / "dest" / name))
            << "only complete copies in the second folder: " << name;
      }
    }
    EXPECT_TRUE(import.UnitUntouched());
    Unmount(second);
  }
}

}  // namespace
}  // namespace quillon
