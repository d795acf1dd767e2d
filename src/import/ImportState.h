#pragma once
// The import state that the user and the tests observe, made of three values kept apart: the
// overwrite choice, a failure, and the stop request. A stop wins, then a failure, then the
// choice, so that no answer and no failure can undo a stop.
#include <atomic>
#include <cstdint>
#include <stop_token>

namespace quillon {

enum ImportState : std::int32_t {
  Ask = 0,           // an existing output file brings the overwrite question
  Stop = 1,          // the copy stops at its next check; no failure report
  SkipAll = 2,       // existing output files are kept without asking
  OverwriteAll = 3,  // output files replace existing ones without asking
  CreateFailed = -1,
  WriteFailed = -2,
};

// What meets an existing file under an output's name before anyone is asked.
enum class OverwritePolicy { Ask, ReplaceAll, KeepAll };

// Shared by the job's thread, which copies, and the window thread, which may stop it.
class ImportStatus {
 public:
  explicit ImportStatus(OverwritePolicy policy = OverwritePolicy::Ask) : policy_(policy) {}

  std::int32_t State() const;

  OverwritePolicy Policy() const { return policy_.load(); }
  void SetPolicy(OverwritePolicy policy) { policy_.store(policy); }
  // CreateFailed or WriteFailed; the first failure of each kind stays.
  void SetFailure(ImportState failure) { failure_.store(failure); }

  void RequestStop() { stop_.request_stop(); }
  bool StopRequested() const { return stop_.stop_requested(); }
  std::stop_token StopToken() const { return stop_.get_token(); }

 private:
  std::atomic<OverwritePolicy> policy_;
  std::atomic<std::int32_t> failure_{0};
  std::stop_source stop_;
};

}  // namespace quillon
