#include "import/ImportContext.h"

#include <algorithm>

#include "platform/DateFormat.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon {

ImportContext::ImportContext() : dateLocale(platform::UserDateLocale()) {}

std::int32_t ImportContext::State() const {
  if (stop_.load()) return Stop;
  if (const std::int32_t failure = failure_.load(); failure != 0) return failure;
  return overwrite_.load();
}

void ImportContext::SetOverwriteChoice(std::int32_t choice) { overwrite_.store(choice); }

void ImportContext::SetFailure(std::int32_t failure) { failure_.store(failure); }

std::u16string ImportContext::Destination() const {
  std::lock_guard lock(mutex_);
  return destination_;
}

void ImportContext::SetDestination(std::u16string folder) {
  std::lock_guard lock(mutex_);
  destination_ = std::move(folder);
}

std::u16string NumberedName(const std::u16string& path, int n) {
  const std::size_t nameStart = path.size() - platform::LastComponent(path).size();
  std::size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || dot < nameStart) dot = path.size();
  return path.substr(0, dot) + u'_' + platform::Widen(std::to_string(n)) + path.substr(dot);
}

std::u16string ImportContext::ClaimName(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  std::u16string name = path;
  for (int n = 2; claimed_.count(name) != 0; ++n) name = NumberedName(path, n);
  claimed_.insert(name);
  if (name != path) renamed_.push_back({path, name});
  return name;
}

void ImportContext::BeginOutput(std::u16string path) {
  std::lock_guard lock(mutex_);
  written_.push_back(std::move(path));
  outputOpen.store(true);
}

void ImportContext::OutputPlaced(std::u16string path, std::string hash, std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  std::erase_if(placed_, [&](const PlacedOutput& p) { return p.path == path; });
  placed_.push_back({std::move(path), std::move(hash), bytes});
  outputOpen.store(false);
}

void ImportContext::OutputDiscarded(std::u16string path) {
  std::lock_guard lock(mutex_);
  discarded_.push_back(std::move(path));
  outputOpen.store(false);
}

void ImportContext::OutputNotRemoved(UnremovedOutput left) {
  std::lock_guard lock(mutex_);
  notRemoved_.push_back(std::move(left));
  outputOpen.store(false);
}

void ImportContext::OutputKept(std::u16string path) {
  std::lock_guard lock(mutex_);
  kept_.push_back(std::move(path));
}

std::vector<std::u16string> ImportContext::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::optional<std::u16string> ImportContext::LastWritten() const {
  std::lock_guard lock(mutex_);
  if (written_.empty()) return std::nullopt;
  return written_.back();
}

std::vector<PlacedOutput> ImportContext::Placed() const {
  std::lock_guard lock(mutex_);
  return placed_;
}

std::vector<std::u16string> ImportContext::Discarded() const {
  std::lock_guard lock(mutex_);
  return discarded_;
}

std::vector<UnremovedOutput> ImportContext::NotRemoved() const {
  std::lock_guard lock(mutex_);
  return notRemoved_;
}

std::vector<std::u16string> ImportContext::Kept() const {
  std::lock_guard lock(mutex_);
  return kept_;
}

std::vector<RenamedOutput> ImportContext::Renamed() const {
  std::lock_guard lock(mutex_);
  return renamed_;
}

void ImportContext::Reset() {
  stop_.store(false);
  failure_.store(0);
  overwrite_.store(Ask);
  std::lock_guard lock(mutex_);
  destination_.clear();
  claimed_.clear();
  written_.clear();
  placed_.clear();
  discarded_.clear();
  notRemoved_.clear();
  kept_.clear();
  renamed_.clear();
}

ImportContext& TheImportContext() {
  static ImportContext context;
  return context;
}

NamingState& TheNamingState() {
  static NamingState naming;
  return naming;
}

}  // namespace quillon
