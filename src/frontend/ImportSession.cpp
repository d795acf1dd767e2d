#include "frontend/ImportSession.h"

#include <type_traits>

namespace quillon::frontend {

ImportSession::ImportSession(SessionView& view, std::function<void()> wake, SessionOptions options)
    : view_(view), options_(std::move(options)), thread_(std::move(wake)), rate_(options_.rateSpan, options_.rateLeast) {}

ImportSession::~ImportSession() { job_.reset(); }

bool ImportSession::Start(ImportRequest request) {
  if (Running()) return false;
  ++generation_;
  phase_ = Phase::Preparing;
  barShown_ = 0;
  rate_ = TransferRate(options_.rateSpan, options_.rateLeast);
  job_ = std::make_unique<ImportJob>(std::move(request), static_cast<ImportEvents&>(*this));
  job_->Start();
  return true;
}

void ImportSession::Cancel() {
  if (phase_ == Phase::Idle || phase_ == Phase::Stopping) return;
  phase_ = Phase::Stopping;
  job_->RequestStop();
  CloseWindows();
}

void ImportSession::Answer(OverwriteAnswer answer) {
  if (const std::shared_ptr<AnswerSlot> slot = std::move(question_)) slot->Give(answer);
}

std::int32_t ImportSession::State() const { return job_ ? job_->State() : Ask; }

void ImportSession::OnImportEvent(ImportEvent event) {
  thread_.Post([this, event = std::move(event)] { Handle(event); });
}

void ImportSession::Handle(const ImportEvent& event) {
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
        } else if constexpr (std::is_same_v<Event, ClipFailure>) {
          view_.ShowFailure(CopyFailedNotice(e), e);
        } else if constexpr (std::is_same_v<Event, FinishedEvent>) {
          OnFinished(e.outcome);
        }
        // Renamed, discarded and unremoved outputs are told with the outcome.
      },
      event);
}

void ImportSession::OnPrepared(const ImportPlan& plan) {
  if (phase_ != Phase::Preparing) return;  // cancelled meanwhile
  const unsigned generation = generation_;
  // A refused import, or one with nothing left to copy, ends by itself.
  if (plan.refusal) {
    view_.ShowNotice(RefusedNotice(*plan.refusal));
    return;
  }
  if (!plan.tooLarge.empty()) {
    view_.ShowNotice(TooLargeNotice(plan.tooLarge, plan.clipCount > 0));
    if (generation != generation_ || phase_ != Phase::Preparing) return;  // the box ran a loop of its own
  }
  if (plan.clipCount == 0) return;
  phase_ = Phase::Copying;
  barTotal_ = plan.totalMiB;
  progressOpen_ = true;
  view_.OpenProgress(barTotal_);
  job_->Proceed();
}

void ImportSession::OnProgress(const ProgressEvent& progress) {
  if (!progressOpen_) return;
  rate_.Add(options_.clock(), progress.bytesDone);
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
  figures.lines = ProgressLinesOf(progress, figures.rate);
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

void ImportSession::OnFinished(const ImportOutcome& outcome) {
  job_->Wait();  // telling this was the last thing its thread did
  job_.reset();
  CloseWindows();
  phase_ = Phase::Idle;
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
