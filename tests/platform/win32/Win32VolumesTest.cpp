#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Volumes.h"
#include "platform/win32/VolumeNames.h"

namespace quillon::platform {
namespace {

using Names = std::vector<std::u16string>;

TEST(Win32DriveNames, RootsLoseTheirSeparatorAndTheListEndsAtTheEmptyString) {
  using namespace std::string_literals;
  struct Case {
    std::u16string strings;
    Names names;
  };
  for (const Case& c : {Case{u"C:\\\0E:\\\0\0"s, {u"C:", u"E:"}},
                        Case{u"\0"s, {}},
                        Case{u""s, {}},
                        Case{u"Z:\\\0\0X:\\\0"s, {u"Z:"}},  // nothing after the empty string
                        Case{u"C:\\"s, {u"C:"}}}) {           // cut short: the last root still counts
    EXPECT_EQ(win32::DriveNames(c.strings), c.names);
  }
}

TEST(Win32DriveNames, OnlyTheFatFamilyCannotHoldLargeFiles) {
  for (const char* fat : {"FAT", "FAT12", "FAT16", "FAT32", "fat32"}) EXPECT_TRUE(win32::IsFatFamily(fat)) << fat;
  for (const char* other : {"NTFS", "exFAT", "ReFS", "UDF", "CDFS", "", "FAT64X"})
    EXPECT_FALSE(win32::IsFatFamily(other)) << other;
  EXPECT_EQ(win32::DriveRoot(u"E:"), u"E:\\");
  EXPECT_EQ(win32::DriveRoot(u"E:\\"), u"E:\\");
}

// A drive letter that this machine does not have.
std::u16string MissingDrive() {
  const DWORD present = ::GetLogicalDrives();
  for (int letter = 25; letter >= 3; --letter) {
    if (!(present & (1u << letter))) return std::u16string(1, static_cast<char16_t>(u'A' + letter)) + u":";
  }
  return {};
}

TEST(Win32Volumes, TheDriveListGivesEachDriveLetterWithoutAskingTheDrives) {
  const std::vector<Volume> volumes = ListVolumes();
  const DWORD present = ::GetLogicalDrives();
  ASSERT_EQ(volumes.size(), static_cast<std::size_t>(__builtin_popcount(present)));
  for (const Volume& v : volumes) {
    ASSERT_EQ(v.root.size(), 2u);
    EXPECT_EQ(v.root[1], u':');
    EXPECT_TRUE(present & (1u << (v.root[0] - u'A'))) << std::string(v.root.begin(), v.root.end());
    EXPECT_TRUE(v.fsType.empty()) << "a drive was asked for its file system";
  }
  const auto system = std::find_if(volumes.begin(), volumes.end(), [](const Volume& v) { return v.root == u"C:"; });
  ASSERT_NE(system, volumes.end());
  EXPECT_TRUE(system->local);
}

TEST(Win32Volumes, LargeFilesNeedAVolumeThatAnswersAndIsNotFat) {
  // The system drive is NTFS on Windows and under Wine.
  EXPECT_TRUE(CanHoldLargeFiles(u"C:"));
  EXPECT_TRUE(CanHoldLargeFiles(u"C:\\windows"));
  const std::u16string missing = MissingDrive();
  ASSERT_FALSE(missing.empty());
  EXPECT_FALSE(VolumeType(missing).has_value());
  EXPECT_FALSE(CanHoldLargeFiles(missing + u"\\folder"));
  EXPECT_FALSE(CanHoldLargeFiles(u""));
}

// Sends WM_DEVICECHANGE to every top-level window, as the system does when a volume comes or goes.
void Broadcast(WPARAM event) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << ('Q' - 'A');
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG,
                        2000, &result);
}

TEST(Win32VolumeChangeWatch, ArrivalAndRemovalCallBackOtherDeviceEventsDoNot) {
  std::atomic<int> calls{0};
  std::atomic<DWORD> caller{0};
  {
    VolumeChangeWatch watch([&] {
      caller = ::GetCurrentThreadId();
      ++calls;
    });
    ASSERT_TRUE(watch.Watching());
    Broadcast(DBT_DEVNODES_CHANGED);
    Broadcast(DBT_DEVICEQUERYREMOVE);
    EXPECT_EQ(calls.load(), 0);
    Broadcast(DBT_DEVICEARRIVAL);
    EXPECT_EQ(calls.load(), 1);
    Broadcast(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(calls.load(), 2);
    EXPECT_NE(caller.load(), ::GetCurrentThreadId());  // on the watch's own thread
  }
  // Gone: its window with it.
  Broadcast(DBT_DEVICEARRIVAL);
  EXPECT_EQ(calls.load(), 2);
}

TEST(Win32VolumeChangeWatch, OnlyTheSystemsOwnVolumesCanBeWatched) {
  VolumeChangeWatch watch([] {}, "/proc/self/mounts");
  EXPECT_FALSE(watch.Watching());
}

}  // namespace
}  // namespace quillon::platform
