#include "frontend/ImportSession.h"

#include <algorithm>
#include <type_traits>

namespace quillon::frontend {

ImportSession::ImportSession(SessionView& view, std::function<void()> wake, SessionOptions options)
    : view_(view), options_(std::move(options)), thread_(std::move(wake)), rate_(options_.rateSpan, options_.rateLeast) {}

ImportSession::~ImportSession() {
  job_.reset();
  leftBehind_.clear();
}

std::optional<ImportRequest> ImportSession::RescueRequest() const {
  if (Running() || !lastOutcome_ || !lastRequest_) return std::nullopt;
  const std::vector<std::u16string> damaged = lastOutcome_->DamagedClips();
  ImportRequest request = *lastRequest_;
  std::erase_if(request.clips, [&damaged](const Clip& clip) {
    return std::find(damaged.begin(), damaged.end(), clip.name) == damaged.end();
  });
  if (request.clips.empty()) return std::nullopt;
  request.rescue = true;
  return request;
}

bool ImportSession::Start(ImportRequest request) {
  if (Running()) return false;
  lastRequest_ = request;
  lastOutcome_.reset();
  ++generation_;
  phase_ = Phase::Preparing;
  barTotal_ = 0;
  barShown_ = 0;
  rate_ = TransferRate(options_.rateSpan, options_.rateLeast);
  progress_.reset();
  silent_ = std::chrono::milliseconds(0);
  sofar_ = ImportOutcome{};
  sofar_.destination = request.destination;
  sofar_.verified = request.verify;
  plan_ = ImportPlan{};
  job_ = std::make_unique<Job>(*this, generation_);
  job_->job = std::make_unique<ImportJob>(std::move(request), static_cast<ImportEvents&>(*job_));
  job_->job->Start();
  return true;
}

void ImportSession::Cancel() {
  if (phase_ == Phase::Idle || phase_ == Phase::Stopping) return;
  phase_ = Phase::Stopping;
  job_->job->RequestStop();
  CloseWindows();
  if (silent_.count() > 0) EndWithoutWaiting();
}

void ImportSession::Answer(OverwriteAnswer answer) {
  if (const std::shared_ptr<AnswerSlot> slot = std::move(question_)) slot->Give(answer);
}

std::int32_t ImportSession::State() const { return job_ ? job_->job->State() : Ask; }

void ImportSession::Job::OnImportEvent(ImportEvent event) {
  session.thread_.Post([&s = session, g = generation, event = std::move(event)] { s.Handle(g, event); });
}

void ImportSession::Handle(unsigned generation, const ImportEvent& event) {
  if (generation != generation_ || !job_) {
    // An import ended at a Cancel while the unit did not answer: its thread is done once it
    // tells its end.
    if (std::holds_alternative<FinishedEvent>(event)) {
      std::erase_if(leftBehind_, [generation](const std::unique_ptr<Job>& left) { return left->generation == generation; });
    }
    return;
  }
  Record(sofar_, event);
  std::visit(
      [this](const auto& e) {
        using Event = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<Event, PreparedEvent>) {
          OnPrepared(e.plan);
        } else if constexpr (std::is_same_v<Event, ProgressEvent>) {
          OnProgress(e);
        } else if constexpr (std::is_same_v<Event, OverwriteAsked>) {
          OnAsked(e);
        } else if constexpr (std::is_same_v<Event, PlacedOutput>) {
          view_.OutputPlaced(e);
        } else if constexpr (std::is_same_v<Event, KeptOutput>) {
          view_.OutputKept(e);
        } else if constexpr (std::is_same_v<Event, RescuedOutput>) {
          view_.OutputRescued(e);
        } else if constexpr (std::is_same_v<Event, ClipFailure>) {
          view_.ShowFailure(CopyFailedNotice(e), e);
        } else if constexpr (std::is_same_v<Event, UnitSilentEvent>) {
          OnSilent(e.waited);
        } else if constexpr (std::is_same_v<Event, FinishedEvent>) {
          OnFinished(e.outcome);
        }
        // Renamed, discarded and unremoved outputs are told with the outcome.
      },
      event);
}

void ImportSession::OnPrepared(const ImportPlan& plan) {
  plan_ = plan;
  if (phase_ != Phase::Preparing) return;  // cancelled meanwhile
  const unsigned generation = generation_;
  // A refused import, or one with nothing left to copy, ends by itself.
  if (plan.refusal) {
    CloseWindows();  // open while the unit did not answer
    view_.ShowNotice(RefusedNotice(*plan.refusal));
    return;
  }
  if (!plan.tooLarge.empty()) {
    view_.ShowNotice(TooLargeNotice(plan.tooLarge, plan.clipCount > 0));
    if (generation != generation_ || phase_ != Phase::Preparing) return;  // the box ran a loop of its own
  }
  if (plan.clipCount == 0) {
    CloseWindows();
    return;
  }
  phase_ = Phase::Copying;
  barTotal_ = plan.totalMiB;
  if (progressOpen_) view_.CloseProgress();  // opened while the unit did not answer: its bar had no end
  progressOpen_ = true;
  view_.OpenProgress(barTotal_);
  job_->job->Proceed();
}

void ImportSession::OnProgress(const ProgressEvent& progress) {
  progress_ = progress;
  rate_.Add(options_.clock(), progress.bytesDone);
  ShowFigures();
}

void ImportSession::ShowFigures() {
  if (!progressOpen_) return;
  const ProgressEvent progress = progress_.value_or(ProgressEvent{});
  ProgressFigures figures;
  figures.progress = progress;
  figures.barTotal = barTotal_;
  if (progress.bytesTotal > 0) {
    const double done = static_cast<double>(std::min(progress.bytesDone, progress.bytesTotal));
    figures.barPosition = static_cast<std::uint64_t>(done / static_cast<double>(progress.bytesTotal) *
                                                     static_cast<double>(barTotal_));
  }
  figures.barAdded = figures.barPosition > barShown_ ? figures.barPosition - barShown_ : 0;
  barShown_ = std::max(barShown_, figures.barPosition);
  figures.rate = rate_.Rate(progress.bytesTotal);
  figures.lines = ProgressLinesOf(progress, figures.rate, silent_);
  view_.ShowProgress(figures);
}

void ImportSession::OnAsked(const OverwriteAsked& asked) {
  if (phase_ != Phase::Copying) {
    asked.answer->Give(OverwriteAnswer::Cancel);
    return;
  }
  question_ = asked.answer;
  view_.AskOverwrite(asked.question);
}

void ImportSession::OnSilent(std::chrono::milliseconds waited) {
  silent_ = waited;
  if (phase_ == Phase::Stopping) {
    if (waited.count() > 0) EndWithoutWaiting();
    return;
  }
  // Still preparing, the progress window opens to tell, and to offer Cancel.
  if (phase_ == Phase::Preparing && waited.count() > 0 && !progressOpen_) {
    progressOpen_ = true;
    view_.OpenProgress(0);
  }
  ShowFigures();
}

void ImportSession::OnFinished(const ImportOutcome& outcome) {
  job_->job->Wait();  // telling this was the last thing its thread did
  job_.reset();
  Conclude(outcome);
}

// A Cancel while the unit does not answer: the import ends now, as cancelled, with what it told
// so far. Its thread stays behind until the unit answers; it then removes the output it was
// writing, as after any Cancel.
void ImportSession::EndWithoutWaiting() {
  ImportOutcome outcome = std::move(sofar_);
  outcome.refusal = plan_.refusal;
  outcome.failures.insert(outcome.failures.begin(), plan_.tooLarge.begin(), plan_.tooLarge.end());
  outcome.cancelled = true;
  outcome.copied = progress_.has_value() && !plan_.refusal;
  outcome.clipCount = plan_.clipCount;
  leftBehind_.push_back(std::move(job_));
  Conclude(outcome);
}

void ImportSession::Conclude(const ImportOutcome& outcome) {
  lastOutcome_ = outcome;
  CloseWindows();
  phase_ = Phase::Idle;
  silent_ = std::chrono::milliseconds(0);
  std::optional<Summary> summary;
  if (outcome.copied) summary = SummaryOf(outcome);
  view_.Ended(outcome, summary);
  if (outcome.copied) {
    for (const Notice& notice : NoticesAfter(outcome)) view_.ShowNotice(notice);
  }
  if (options_.idle && !Running()) options_.idle();
}

void ImportSession::CloseWindows() {
  if (question_) {
    question_.reset();
    view_.WithdrawQuestion();
  }
  if (progressOpen_) {
    progressOpen_ = false;
    view_.CloseProgress();
  }
}

}  // namespace quillon::frontend
