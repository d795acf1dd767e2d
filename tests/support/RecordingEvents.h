#pragma once
// Stands in for the front end of an import: records every event the job tells, in order, and
// answers overwrite questions from a script (No when it is used up) or from a function. Called
// on the job's thread.
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "import/ImportJob.h"

namespace quillon::testsupport {

class RecordingEvents final : public ImportEvents {
 public:
  RecordingEvents() = default;
  explicit RecordingEvents(std::deque<OverwriteAnswer> answers) : answers_(std::move(answers)) {}

  // Runs for every event, before it is answered, on the job's thread.
  std::function<void(const ImportEvent&)> onEvent;
  // Answers the questions instead of the script when set.
  std::function<OverwriteAnswer(const OverwriteQuestion&)> onQuestion;

  void OnImportEvent(ImportEvent event) override {
    if (onEvent) onEvent(event);
    OverwriteAsked* asked = std::get_if<OverwriteAsked>(&event);
    std::optional<OverwriteAnswer> answer;
    {
      std::lock_guard lock(mutex_);
      if (asked) {
        asked_.push_back(asked->question);
        if (!onQuestion) {
          answer = answers_.empty() ? OverwriteAnswer::No : answers_.front();
          if (!answers_.empty()) answers_.pop_front();
        }
      }
      events_.push_back(event);
    }
    if (asked) asked->answer->Give(answer ? *answer : onQuestion(asked->question));
  }

  void SetAnswers(std::deque<OverwriteAnswer> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
  }

  // Every event of one kind, in order.
  template <typename Event>
  std::vector<Event> All() const {
    std::lock_guard lock(mutex_);
    std::vector<Event> found;
    for (const ImportEvent& e : events_) {
      if (const Event* event = std::get_if<Event>(&e)) found.push_back(*event);
    }
    return found;
  }
  std::vector<ImportEvent> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<OverwriteQuestion> Asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
  }
  // What the last FinishedEvent told.
  ImportOutcome Outcome() const {
    const auto finished = All<FinishedEvent>();
    return finished.empty() ? ImportOutcome{} : finished.back().outcome;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<OverwriteAnswer> answers_;
  std::vector<OverwriteQuestion> asked_;
  std::vector<ImportEvent> events_;
};

// Runs a job from start to end, going on with the copy once it is prepared.
inline ImportOutcome RunToEnd(ImportRequest request, RecordingEvents& events) {
  ImportJob job(std::move(request), events);
  job.Proceed();
  job.Start();
  job.Wait();
  return events.Outcome();
}

}  // namespace quillon::testsupport
