#pragma once
// What the Windows names of drives and file systems tell, apart from asking the drives.
#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform::win32 {

// The roots of GetLogicalDriveStringsW's answer ("C:\", "E:\", ...; each ended by a nul, the
// list by an empty one), each without its trailing separator: "C:", "E:".
std::vector<std::u16string> DriveNames(std::u16string_view driveStrings);

// FAT, FAT12, FAT16 and FAT32 cannot hold a file of 4 GiB; exFAT, NTFS, ReFS and the others can.
bool IsFatFamily(std::string_view fileSystemName);

// The root that GetVolumeInformationW takes for a drive name: "E:" becomes "E:\".
std::u16string DriveRoot(std::u16string_view drive);

}  // namespace quillon::platform::win32
