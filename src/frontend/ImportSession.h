#pragma once
// One import at a time, the same under every front end: the import's events are handed to the
// window thread, and turned into what a view shows. It prepares the import; tells why it cannot
// start or which outputs are too large; runs the copy with its progress window; asks the
// overwrite question; cancels and waits for the copy to stop; and concludes with what the
// import did. The view is the toolkit's part: its windows, or a terminal.
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>

#include "frontend/Texts.h"
#include "frontend/TransferRate.h"
#include "frontend/WindowThread.h"
#include "import/ImportJob.h"

namespace quillon::frontend {

// What the progress window shows.
struct ProgressFigures {
  ProgressEvent progress;
  std::uint64_t barTotal = 0;     // the bar's end, in whole MiB
  std::uint64_t barPosition = 0;  // where it stands, in whole MiB
  std::uint64_t barAdded = 0;     // whole MiB since the figures before (the copy message's count)
  std::optional<TransferRate::Estimate> rate;  // once enough of the copy is in
  ProgressLines lines;
};

class SessionView {
 public:
  virtual ~SessionView() = default;
  // A message box with an OK button. It may wait until it is closed.
  virtual void ShowNotice(const Notice& notice) = 0;
  // A clip failed while copying: the import's failure notice, with its cause.
  virtual void ShowFailure(const Notice& notice, const ClipFailure& failure) = 0;
  // The progress window opens (without waiting), shows figures, and closes.
  virtual void OpenProgress(std::uint64_t barTotal) = 0;
  virtual void ShowProgress(const ProgressFigures& figures) = 0;
  virtual void CloseProgress() = 0;
  // The overwrite question is shown; the answer comes back through ImportSession::Answer, before
  // this returns or later. Withdrawn when the import stops meanwhile.
  virtual void AskOverwrite(const OverwriteQuestion& question) = 0;
  virtual void WithdrawQuestion() = 0;
  // Outputs as they are placed, kept, or placed rescued with bytes missing.
  virtual void OutputPlaced(const PlacedOutput&) {}
  virtual void OutputKept(const KeptOutput&) {}
  virtual void OutputRescued(const RescuedOutput&) {}
  // The import is over, once for each import started: its outcome, and the summary line's texts
  // when something was copied.
  virtual void Ended(const ImportOutcome& outcome, const std::optional<Summary>& summary) = 0;
};

struct SessionOptions {
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  Clock clock = [] { return std::chrono::steady_clock::now(); };
  // The rate is taken over this much of the recent past, and shown once this much is in.
  std::chrono::steady_clock::duration rateSpan = std::chrono::seconds(10);
  std::chrono::steady_clock::duration rateLeast = std::chrono::seconds(1);
  // Called on the window thread once an import has ended and its notices are closed.
  std::function<void()> idle;
};

class ImportSession final {
 public:
  enum class Phase { Idle, Preparing, Copying, Stopping };

  // wake: from any thread, asks the window thread to call Drain() soon.
  ImportSession(SessionView& view, std::function<void()> wake, SessionOptions options = {});
  ~ImportSession();  // stops a running import and waits for it
  ImportSession(const ImportSession&) = delete;
  ImportSession& operator=(const ImportSession&) = delete;

  // The window thread, from here on.
  // Starts an import; false while one runs.
  bool Start(ImportRequest request);
  // The user's Cancel: the copy stops after the block it is copying, the progress window closes
  // at once, and the session waits for the copy's end. While a call to the unit has not
  // returned (UnitSilentEvent), the session does not wait: the import ends as cancelled at once,
  // and its thread finishes, removing what it was writing, when the unit answers.
  void Cancel();
  // The answer to the overwrite question that is shown.
  void Answer(OverwriteAnswer answer);
  // Runs what the import told since the last call.
  void Drain() { thread_.Drain(); }

  Phase CurrentPhase() const { return phase_; }
  bool Running() const { return phase_ != Phase::Idle; }
  // Imports ended at a Cancel whose thread still waits for the unit.
  bool WaitingForUnit() const { return !leftBehind_.empty(); }
  // How long the running import's call to the unit has waited; nothing while none is under way.
  std::optional<std::chrono::steady_clock::duration> UnitCallWaiting() const {
    return job_ ? job_->job->UnitCallWaiting() : std::nullopt;
  }
  // How long the running import's call to the unit has not returned (0: it has).
  std::chrono::milliseconds UnitSilent() const { return silent_; }
  // What the last import that ended did.
  const std::optional<ImportOutcome>& LastOutcome() const { return lastOutcome_; }
  // The last import again, in rescue mode, for its clips whose unit data could not all be read:
  // the same clips as they were then (a rescan since cannot change them), the same folder and
  // prefix, so that a rescue finds what an earlier one left. Nothing when no clip is damaged.
  std::optional<ImportRequest> RescueRequest() const;
  // The import state of the running import (Ask when none runs).
  std::int32_t State() const;

 private:
  // An import under way, and what hands its events to the window thread.
  struct Job final : ImportEvents {
    Job(ImportSession& session, unsigned generation) : session(session), generation(generation) {}
    ~Job() override { job.reset(); }
    void OnImportEvent(ImportEvent event) override;  // the job's thread
    ImportSession& session;
    const unsigned generation;
    std::unique_ptr<ImportJob> job;
  };

  void Handle(unsigned generation, const ImportEvent& event);
  void OnPrepared(const ImportPlan& plan);
  void OnProgress(const ProgressEvent& progress);
  void OnAsked(const OverwriteAsked& asked);
  void OnSilent(std::chrono::milliseconds waited);
  void OnFinished(const ImportOutcome& outcome);
  void EndWithoutWaiting();
  void Conclude(const ImportOutcome& outcome);
  void ShowFigures();
  void CloseWindows();

  SessionView& view_;
  SessionOptions options_;
  WindowThread thread_;
  Phase phase_ = Phase::Idle;
  unsigned generation_ = 0;  // one more for each import begun
  bool progressOpen_ = false;
  std::shared_ptr<AnswerSlot> question_;  // the question shown, until answered
  std::uint64_t barTotal_ = 0;
  std::uint64_t barShown_ = 0;
  TransferRate rate_;
  std::optional<ProgressEvent> progress_;  // the last progress told
  std::chrono::milliseconds silent_{0};
  ImportOutcome sofar_;  // what the running import told of its outputs and failures
  std::optional<ImportOutcome> lastOutcome_;
  std::optional<ImportRequest> lastRequest_;
  ImportPlan plan_;
  // Last, so that they go first: their threads tell this session of everything until they end.
  std::list<std::unique_ptr<Job>> leftBehind_;  // ended at a Cancel, waiting for the unit
  std::unique_ptr<Job> job_;
};

}  // namespace quillon::frontend
