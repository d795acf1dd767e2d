#pragma once
// The import's calls to the unit, marked while they run: a unit that stopped answering is told
// apart from a slow one by the age of the call under way, not by the bytes that came.
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileSystem.h"

namespace quillon {

class UnitCalls {
 public:
  using Clock = std::chrono::steady_clock;

  // Marks one call for its lifetime. Calls come from one thread at a time; a call made inside
  // another counts from the outer one's start.
  class Call {
   public:
    explicit Call(UnitCalls& calls);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    UnitCalls& calls_;
    bool outer_;
  };

  // How long the call under way has waited; nothing while none is under way.
  std::optional<Clock::duration> Waiting(Clock::time_point now) const;

 private:
  static constexpr Clock::rep kNone = std::numeric_limits<Clock::rep>::min();
  std::atomic<Clock::rep> since_{kNone};
};

// A file of the unit, opened and read with every call marked; direct: read from the disk itself
// where the system allows it (platform::FileSystem::OpenReadDirect).
std::unique_ptr<platform::File> OpenUnitFile(UnitCalls& calls, const std::u16string& path, bool direct = false);
// The unit's file status, the call marked.
std::optional<platform::FileStatus> UnitFileStatus(UnitCalls& calls, const std::u16string& path);

}  // namespace quillon
