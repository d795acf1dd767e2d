#include "import/ImportContext.h"

#include "platform/DateFormat.h"

namespace quillon {

ImportContext::ImportContext() : dateLocale(platform::UserDateLocale()) {}

std::u16string ImportContext::Destination() const {
  std::lock_guard lock(mutex_);
  return destination_;
}

void ImportContext::SetDestination(std::u16string folder) {
  std::lock_guard lock(mutex_);
  destination_ = std::move(folder);
}

void ImportContext::AddWritten(std::u16string path) {
  std::lock_guard lock(mutex_);
  std::erase(remaining_, path);
  remaining_.push_back(path);
  written_.push_back(std::move(path));
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

void ImportContext::AddDiscarded(std::u16string path) {
  std::lock_guard lock(mutex_);
  std::erase(remaining_, path);
  discarded_.push_back(std::move(path));
}

std::vector<std::u16string> ImportContext::Remaining() const {
  std::lock_guard lock(mutex_);
  return remaining_;
}

std::vector<std::u16string> ImportContext::Discarded() const {
  std::lock_guard lock(mutex_);
  return discarded_;
}

void ImportContext::Reset() {
  state.store(Ask);
  std::lock_guard lock(mutex_);
  destination_.clear();
  written_.clear();
  discarded_.clear();
  remaining_.clear();
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
