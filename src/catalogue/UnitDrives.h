#pragma once
// Which drives carry a recording unit's folder tree.
#include <string>
#include <vector>

namespace quillon {

// A drive qualifies when VIDEO/QVT exists at its root, or both HDVF and DVF do.
bool IsUnitDrive(const std::u16string& driveName);

// Appends each qualifying name of drives, in order; true when it appended any.
bool FindUnitDrives(std::vector<std::u16string>& list, const std::vector<std::u16string>& drives);

// The same over the mount points of this machine's mount table, in table order.
bool FindUnitDrives(std::vector<std::u16string>& list);

}  // namespace quillon
