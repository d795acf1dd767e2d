#include "catalogue/UnitDrives.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/NativePath.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon {
namespace {

using testsupport::P;
using testsupport::PutFile;
using testsupport::PutFolder;
using testsupport::TempDir;
using testsupport::U16;
using testsupport::UnitTree;

using Drives = std::vector<std::u16string>;

// A machine with several volumes, each a folder of the temporary folder.
struct Machine {
  TempDir dir;
  std::u16string Volume(std::string_view name) const {
    std::filesystem::create_directories(dir.Path() / name);
    return dir.U16(name);
  }
};

TEST(UnitDrives, TheFlatFolderAloneOrBothNumberedParentsMakeAUnit) {
  Machine m;
  const auto flat = m.Volume("flat");
  UnitTree(m.dir, "flat").Flat();
  const auto folders = m.Volume("folders");
  UnitTree(m.dir, "folders").HdvParent();
  UnitTree(m.dir, "folders").DvParent();
  const auto hdvOnly = m.Volume("hdvonly");
  UnitTree(m.dir, "hdvonly").HdvFolder("001");
  const auto dvOnly = m.Volume("dvonly");
  UnitTree(m.dir, "dvonly").DvFolder("001");
  const auto videoOnly = m.Volume("videoonly");
  PutFolder(m.dir.Path() / "videoonly", "VIDEO");
  const auto plain = m.Volume("plain");

  Drives list;
  EXPECT_TRUE(FindUnitDrives(list, {plain, hdvOnly, flat, dvOnly, videoOnly, folders}));
  EXPECT_EQ(list, (Drives{flat, folders}));  // in the order the machine lists them
}

TEST(UnitDrives, ExistenceIsAllThatCounts) {
  Machine m;
  const auto fileQvt = m.Volume("fileqvt");
  PutFile(m.dir.Path() / "fileqvt" / "VIDEO", "QVT");  // a plain file named QVT
  const auto fileParents = m.Volume("fileparents");
  PutFile(m.dir.Path() / "fileparents", "HDVF");
  PutFile(m.dir.Path() / "fileparents", "DVF");
  Drives list;
#ifdef _WIN32
  // Windows file systems match names whatever their case.
  EXPECT_TRUE(FindUnitDrives(list, {fileQvt, fileParents}));
#else
  const auto lowerCase = m.Volume("lower");
  PutFolder(m.dir.Path() / "lower", "video/qvt");  // names are matched exactly
  EXPECT_TRUE(FindUnitDrives(list, {fileQvt, fileParents, lowerCase}));
#endif
  EXPECT_EQ(list, (Drives{fileQvt, fileParents}));
}

TEST(UnitDrives, NoUnitLeavesTheListAsItWasAndAnswersFalse) {
  Machine m;
  Drives list{u"kept"};
  EXPECT_FALSE(FindUnitDrives(list, {m.Volume("plain"), m.dir.U16("not-mounted")}));
  EXPECT_EQ(list, Drives{u"kept"});

  // Names are appended to what the caller already holds.
  UnitTree(m.dir, "unit").Flat();
  EXPECT_TRUE(FindUnitDrives(list, {m.dir.U16("unit")}));
  EXPECT_EQ(list, (Drives{u"kept", m.dir.U16("unit")}));
}

TEST(UnitDrives, AVolumeThatCannotBeSearchedDoesNotQualify) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows folders are locked by access lists, not by the permission bits";
#else
  if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not block the status query";
#endif
  Machine m;
  const auto locked = m.Volume("locked");
  UnitTree(m.dir, "locked").Flat();
  std::filesystem::permissions(m.dir.Path() / "locked", std::filesystem::perms::none);
  Drives list;
  EXPECT_FALSE(FindUnitDrives(list, {locked}));
}

TEST(UnitDrives, OnlyLocalVolumesAreCandidatesEachRootOnce) {
  const std::vector<platform::Volume> volumes = {
      {P(u"/proc"), "proc", false},   {P(u"/mnt/nfs"), "nfs4", false}, {P(u"/media/u/UNIT"), "vfat", true},
      {P(u"/"), "ext4", true},        {P(u"/media/u/UNIT"), "exfat", true},
  };
  EXPECT_EQ(CandidateDrives(volumes), (Drives{P(u"/media/u/UNIT"), P(u"/")}));
}

// A look at a drive that hangs (a dead network mount) until the test lets it go.
struct HangingLook {
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
  std::map<std::u16string, int> looks;

  bool operator()(const std::u16string& drive) {
    std::unique_lock lock(mutex);
    ++looks[drive];
    if (drive == u"dead") released.wait(lock, [&] { return release; });
    return drive != u"plain";
  }
  int Looks(const std::u16string& drive) {
    std::lock_guard lock(mutex);
    return looks[drive];
  }
  void Release() {
    std::lock_guard lock(mutex);
    release = true;
    released.notify_all();
  }
};

TEST(UnitDriveProbe, ADriveThatHangsIsLeftOutAndLookedAtOnceUntilItAnswers) {
  HangingLook look;
  std::promise<void> late;
  UnitDriveProbe probe(std::chrono::milliseconds(50), [&](const std::u16string& d) { return look(d); },
                       [&] { late.set_value(); });
  EXPECT_EQ(probe.Find({u"a", u"dead", u"plain", u"b"}), (Drives{u"a", u"b"}));
  EXPECT_EQ(probe.Find({u"dead", u"a"}), Drives{u"a"});
  EXPECT_EQ(look.Looks(u"dead"), 1) << "not looked at again while the first look hangs";
  EXPECT_EQ(look.Looks(u"a"), 2);

  look.Release();  // the mount answers at last: a unit, and the caller hears of it
  late.get_future().wait();
  EXPECT_EQ(probe.Find({u"dead", u"a"}), (Drives{u"dead", u"a"}));
}

}  // namespace
}  // namespace quillon
