#include "platform/posix/MountTable.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::platform {
namespace {

std::vector<std::u16string> MountPoints(const std::vector<MountEntry>& entries) {
  std::vector<std::u16string> out;
  for (const auto& e : entries) out.push_back(e.mountPoint);
  return out;
}

TEST(MountTable, EntriesComeInTableOrderWithTheirFileSystems) {
  const auto entries = ParseMountTable(
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sdb1 /media/user/UNIT vfat rw,uid=1000 0 0\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(MountPoints(entries), (std::vector<std::u16string>{u"/", u"/proc", u"/media/user/UNIT"}));
  EXPECT_EQ(entries[2].device, "/dev/sdb1");
  EXPECT_EQ(entries[2].fsType, "vfat");
}

TEST(MountTable, OctalEscapesInMountPointsAreDecoded) {
  const auto entries = ParseMountTable(
      "/dev/sdb1 /media/user/MY\\040UNIT vfat rw 0 0\n"
      "/dev/sdc1 /media/tab\\011and\\012newline ext4 rw 0 0\n"
      "/dev/sdd1 /media/back\\134slash ext4 rw 0 0\n"
      "/dev/sde1 /media/caf\\303\\251 ext4 rw 0 0\n"
      "/dev/sdf1 /media/not\\08an\\escape\\ ext4 rw 0 0\n"
      "//server/share\\040x /mnt/share/ cifs rw 0 0\n");
  EXPECT_EQ(MountPoints(entries),
            (std::vector<std::u16string>{u"/media/user/MY UNIT", u"/media/tab\tand\nnewline", u"/media/back\\slash",
                                         u"/media/caf\u00E9", u"/media/not\\08an\\escape\\", u"/mnt/share"}));
  EXPECT_EQ(entries[5].device, "//server/share x");
}

TEST(MountTable, MalformedLinesAreSkipped) {
  const auto entries = ParseMountTable(
      "\n"
      "only-two fields\n"
      "   \t  \n"
      "# /dev/sdz1 /commented ext4 rw 0 0\n"
      "/dev/sdb1\t/media/UNIT\tvfat\trw\t0\t0\n"
      "/dev/sdc1 /no-newline-at-end ext4");
  EXPECT_EQ(MountPoints(entries), (std::vector<std::u16string>{u"/media/UNIT", u"/no-newline-at-end"}));
}

TEST(MountTable, FatFamilyVolumesAreTheOnesThatCannotHoldLargeFiles) {
  for (const char* fs : {"vfat", "msdos", "fat", "fuse.fusefat"}) EXPECT_TRUE(IsFatFamily(fs)) << fs;
  for (const char* fs : {"ntfs", "ntfs3", "fuseblk", "exfat", "ext4", "btrfs", "tmpfs", "VFAT", ""})
    EXPECT_FALSE(IsFatFamily(fs)) << fs;
}

TEST(MountTable, NetworkAndPseudoFileSystemsAreToldApart) {
  for (const char* fs : {"nfs4", "cifs", "smb3", "fuse.sshfs", "proc", "sysfs", "cgroup2", "autofs"})
    EXPECT_TRUE(IsNetworkOrPseudo(fs)) << fs;
  for (const char* fs : {"vfat", "exfat", "fuseblk", "ntfs3", "ext4", "tmpfs", "overlay", ""})
    EXPECT_FALSE(IsNetworkOrPseudo(fs)) << fs;
}

TEST(MountTable, AFoldersFileSystemIsThatOfTheLongestMountAboveIt) {
  testsupport::TempDir dir;
  const auto real = std::filesystem::canonical(dir.Path()).string();
  std::filesystem::create_directories(dir.Path() / "dest" / "sub");
  std::filesystem::create_directories(dir.Path() / "destination");
  const auto table = testsupport::PutFile(
      dir.Path(), "mounts",
      [&] {
        const std::string text = "/dev/sda1 / ext4 rw 0 0\n"
                                 "/dev/sdb1 " + real + "/dest vfat rw 0 0\n"
                                 "tmpfs " + real + "/dest tmpfs rw 0 0\n";  // mounted over the vfat one
        return testsupport::Bytes(text.begin(), text.end());
      }());
  EXPECT_EQ(FileSystemTypeOf(dir.U16("dest/sub"), table.c_str()), "tmpfs");
  EXPECT_EQ(FileSystemTypeOf(dir.U16("dest"), table.c_str()), "tmpfs");
  // A longer name beginning like the mount point is not below it.
  EXPECT_EQ(FileSystemTypeOf(dir.U16("destination"), table.c_str()), "ext4");
  EXPECT_EQ(FileSystemTypeOf(dir.U16("missing"), table.c_str()), std::nullopt);
  EXPECT_EQ(FileSystemTypeOf(dir.U16("dest"), (dir.Path() / "no-table").c_str()), std::nullopt);
}

TEST(MountTable, AWatchOnATableThatCannotBeOpenedReportsNoChange) {
  MountTableWatch watch("/nonexistent/mounts");
  EXPECT_FALSE(watch.Valid());
  EXPECT_FALSE(watch.WaitForChange(0));
}

}  // namespace
}  // namespace quillon::platform
