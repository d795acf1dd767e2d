#pragma once
// One import, from its request to its last event: the checks and the plan before anything is
// copied, then the copy of every clip, on a thread of its own. The job owns what it finds; it
// tells a front end through its events, and nothing else.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "import/CopyEngine.h"
#include "import/ImportContext.h"
#include "import/ImportEvents.h"
#include "import/ImportRequest.h"
#include "import/ImportState.h"
#include "import/OutputPlan.h"

namespace quillon {

class ImportJob final : private CopyObserver {
 public:
  ImportJob(ImportRequest request, ImportEvents& events, ImportContext& context = TheImportContext());
  ~ImportJob() override;  // stops the import and waits for its thread
  ImportJob(const ImportJob&) = delete;
  ImportJob& operator=(const ImportJob&) = delete;

  // The checks and the plan, on the calling thread: the destination is looked at, the unit read
  // as the copy will read it, and (unless the request only looks) temporary files that a killed
  // import left in the destination are removed. Start does it on the job's thread when it was
  // not done before.
  const ImportPlan& Prepare();

  // Starts the job's thread: the preparation, PreparedEvent, and, unless the import was refused
  // or nothing is left to copy, the copy once Proceed is called. FinishedEvent is always its
  // last event.
  void Start();
  void Proceed();

  // From any thread: the copy stops after the block it is copying, the output it was writing
  // is removed and no further clip starts. Answers of an open overwrite question cannot undo it.
  void RequestStop();

  std::int32_t State() const { return status_.State(); }
  // From any thread: how long the call to the unit under way has waited; nothing while none is.
  std::optional<std::chrono::steady_clock::duration> UnitCallWaiting() const {
    return unit_.Waiting(std::chrono::steady_clock::now());
  }
  const ImportRequest& Request() const { return request_; }
  // Waits for the job's thread to end.
  void Wait();

 private:
  void Run();
  void WatchUnit(std::stop_token stop);
  void CopyClips();
  void Finish();
  void Tell(ImportEvent event);
  std::optional<Refusal> OpenDestination();
  std::optional<Refusal> OpenFolder(const std::u16string& path, std::unique_ptr<platform::Folder>& folder);
  void PlanOutputs(std::atomic<std::int64_t>& lastNoTime);
  AtName WhatMeets(platform::Folder& folder, const std::u16string& name,
                   std::optional<platform::FileStatus>& existing) const;
  void LeaveOutTooLarge(std::uint64_t maxFileSize);
  std::optional<Refusal> CheckSpace(const platform::VolumeSpace& space, std::size_t copy) const;
  platform::Folder* FolderOf(std::size_t copy) const { return copy == 0 ? folder_.get() : second_.get(); }
  const std::u16string& PathOf(std::size_t copy) const {
    return copy == 0 ? request_.destination : request_.secondCopy;
  }
  void RecordClip(std::size_t c, std::size_t failuresBefore);
  void AddMhlGenerations();
  void TellProgress();

  // CopyObserver, on the job's thread.
  void Copied(std::uint64_t bytes) override;
  void OutputBegun(const PlannedOutput& output) override;
  void Happened(ImportEvent event) override;
  std::optional<OverwriteAnswer> Ask(const OverwriteQuestion& question) override;
  void Rescuing(const RescueFigures& figures) override;

  const ImportRequest request_;
  ImportEvents& events_;
  ImportContext& context_;
  ImportStatus status_;
  UnitCalls unit_;
  std::mutex telling_;  // one event at a time: the watch on the unit tells too

  // The job's own thread, and what it shares with the others.
  std::mutex mutex_;
  std::condition_variable_any proceed_;
  bool proceeding_ = false;
  std::thread thread_;
  std::jthread watch_;  // on the unit, while the job's thread runs

  // The job's thread only, once started.
  std::vector<Clip> clips_;  // the request's clips, as the copy reads them
  std::vector<bool> leftOut_;
  bool prepared_ = false;
  ImportPlan plan_;
  std::unique_ptr<platform::Folder> folder_;
  std::unique_ptr<platform::Folder> second_;  // the second copy's folder, when there is one
  std::vector<bool> wasHome_;                 // by clip: home in the destination before the import
  std::vector<PlacedOutput> clipPlaced_;      // of the clip being copied
  std::vector<PlacedOutput> placed_;          // of the whole import, for its ASC MHL generation
  bool historyFailed_[2] = {false, false};    // each folder's history problem is told once
  std::vector<platform::FileId> unitFiles_;
  ImportOutcome outcome_;
  ProgressEvent progress_;
  std::uint64_t toldBytes_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::duration asking_{};
  std::chrono::steady_clock::time_point rescueTold_;
};

}  // namespace quillon
