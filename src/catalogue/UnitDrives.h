#pragma once
// Which drives carry a recording unit's folder tree.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Volumes.h"

namespace quillon {

// A drive qualifies when VIDEO/QVT exists at its root, or both HDVF and DVF do.
bool IsUnitDrive(const std::u16string& driveName);

// Appends each qualifying name of drives, in order; true when it appended any.
bool FindUnitDrives(std::vector<std::u16string>& list, const std::vector<std::u16string>& drives);

// The same over the volumes of this machine, in their order, with the time limit of
// UnitDriveProbe.
bool FindUnitDrives(std::vector<std::u16string>& list);

// The roots of volumes that may hold a unit: in their order, a root mounted over once, network
// and pseudo file systems left out.
std::vector<std::u16string> CandidateDrives(const std::vector<platform::Volume>& volumes);

// Looks at drives for a unit's tree, each drive on a thread of its own, and waits a bounded
// time for the answers, so that a dead network mount or a disk that does not answer cannot
// hold up its caller. A drive that has not answered in time is left out, and is not looked at
// again while that look still hangs. When such a late look finds a unit, unitLate is called,
// on the look's own thread, so that the caller can look again.
class UnitDriveProbe {
 public:
  using Look = std::function<bool(const std::u16string&)>;
  static constexpr std::chrono::milliseconds kBound{1000};

  explicit UnitDriveProbe(std::chrono::milliseconds bound = kBound, Look look = IsUnitDrive,
                          std::function<void()> unitLate = {});
  ~UnitDriveProbe();  // unitLate is not called after this
  UnitDriveProbe(const UnitDriveProbe&) = delete;
  UnitDriveProbe& operator=(const UnitDriveProbe&) = delete;

  // The unit drives among drives, in their order.
  std::vector<std::u16string> Find(const std::vector<std::u16string>& drives);

 private:
  struct Shared;
  std::chrono::milliseconds bound_;
  Look look_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace quillon
