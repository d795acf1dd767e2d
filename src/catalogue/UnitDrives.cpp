#include "catalogue/UnitDrives.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/MountTable.h"
#include "platform/Path.h"

namespace quillon {

namespace {

bool Exists(const std::u16string& path) { return platform::Files().Status(path).has_value(); }


}  // namespace

bool IsUnitDrive(const std::u16string& drive) {
  if (Exists(platform::JoinPath(drive, {u"VIDEO", u"QVT"}))) return true;
  if (!Exists(platform::JoinPath(drive, {u"HDVF"}))) return false;
  return Exists(platform::JoinPath(drive, {u"DVF"}));
}

bool FindUnitDrives(std::vector<std::u16string>& list, const std::vector<std::u16string>& drives) {
  const std::size_t before = list.size();
  for (const auto& d : drives) {
    if (IsUnitDrive(d)) list.push_back(d);
  }
  return list.size() > before;
}

bool FindUnitDrives(std::vector<std::u16string>& list) {
  // A point mounted over shows once, where the table first lists it.
  std::vector<std::u16string> drives;
  for (const auto& m : platform::ReadMountTable()) {
    if (std::find(drives.begin(), drives.end(), m.mountPoint) == drives.end()) drives.push_back(m.mountPoint);
  }
  return FindUnitDrives(list, drives);
}

}  // namespace quillon
