#include "catalogue/UnitDrives.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "platform/FileSystem.h"
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

std::vector<std::u16string> CandidateDrives(const std::vector<platform::Volume>& volumes) {
  std::vector<std::u16string> drives;
  for (const auto& v : volumes) {
    if (!v.local) continue;
    if (std::find(drives.begin(), drives.end(), v.root) == drives.end()) drives.push_back(v.root);
  }
  return drives;
}

bool FindUnitDrives(std::vector<std::u16string>& list) {
  // One probe for the process, so that a mount that hangs is waited for once, not at every call.
  static UnitDriveProbe probe;
  const std::vector<std::u16string> found = probe.Find(CandidateDrives(platform::ListVolumes()));
  list.insert(list.end(), found.begin(), found.end());
  return !found.empty();
}

// What the probe and its looks share; a look that hangs keeps it alive after the probe is gone.
struct UnitDriveProbe::Shared {
  std::mutex mutex;
  std::condition_variable answered;
  std::set<std::u16string> pending;  // drives whose look has not returned
  std::function<void()> unitLate;
};

UnitDriveProbe::UnitDriveProbe(std::chrono::milliseconds bound, Look look, std::function<void()> unitLate)
    : bound_(bound), look_(std::move(look)), shared_(std::make_shared<Shared>()) {
  shared_->unitLate = std::move(unitLate);
}

UnitDriveProbe::~UnitDriveProbe() {
  std::lock_guard lock(shared_->mutex);
  shared_->unitLate = nullptr;
}

std::vector<std::u16string> UnitDriveProbe::Find(const std::vector<std::u16string>& drives) {
  // Answers of this call; a look that outlives it finds the map gone and tells unitLate.
  auto answers = std::make_shared<std::map<std::u16string, bool>>();
  std::size_t asked = 0;
  std::unique_lock lock(shared_->mutex);
  for (const std::u16string& drive : drives) {
    if (!shared_->pending.insert(drive).second) continue;  // named twice, or an earlier look still hangs
    ++asked;
    std::weak_ptr<std::map<std::u16string, bool>> waiting = answers;
    try {
      std::thread([shared = shared_, look = look_, drive, waiting] {
        bool unit = false;
        try {
          unit = look(drive);
        } catch (...) {
          // A look that fails finds no unit.
        }
        std::lock_guard done(shared->mutex);
        shared->pending.erase(drive);
        if (const auto caller = waiting.lock()) {
          caller->emplace(drive, unit);
          shared->answered.notify_all();
        } else if (unit && shared->unitLate) {
          shared->unitLate();
        }
      }).detach();
    } catch (const std::system_error&) {
      shared_->pending.erase(drive);  // no thread to spare: the drive is left out this time
      --asked;
    }
  }
  shared_->answered.wait_for(lock, bound_, [&] { return answers->size() == asked; });
  std::vector<std::u16string> found;
  for (const std::u16string& drive : drives) {
    const auto it = answers->find(drive);
    if (it == answers->end()) continue;
    if (it->second) found.push_back(drive);
    answers->erase(it);
  }
  answers.reset();  // under the lock: a look still running now counts as late
  return found;
}

}  // namespace quillon
