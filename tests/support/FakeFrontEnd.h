#pragma once
// Stands in for the windows of an import: records what the worker tells them as the copy
// messages a window would get, and answers overwrite questions from a script (No when the
// script is used up) or from a function.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "import/ImportJob.h"

namespace quillon::testsupport {

class FakeFrontEnd final : public ImportFrontEnd {
 public:
  struct Post {
    bool toMain;
    CopyCode code;
    std::uint32_t lParam;
    bool operator==(const Post&) const = default;
  };

  FakeFrontEnd() = default;
  explicit FakeFrontEnd(std::deque<int> answers) : answers_(std::move(answers)) {}

  // Runs on the worker thread for every post, like a window reacting to it.
  std::function<void(const Post&)> onPost;
  // Answers the questions instead of the script when set; runs on the worker thread.
  std::function<int(const OverwriteQuestion& question)> onQuestion;
  std::atomic<bool> progressOpen{true};
  std::atomic<bool> ended{false};

  bool ShowProgress(const ImportProgress& progress) override {
    if (!progressOpen) return false;
    {
      std::lock_guard lock(mutex_);
      details_.push_back(progress);
    }
    if (progress.mib > 0) Record({false, COPY_PROGRESS, progress.mib});
    return true;
  }
  void ClipFailed(const ClipFailure& failure) override {
    {
      std::lock_guard lock(mutex_);
      failures_.push_back(failure);
    }
    Record({true, COPY_FAILED, 0});
  }
  void CopyEnded() override {
    if (progressOpen) Record({false, COPY_DONE, 0});
    ended = true;
  }
  void Finished(const ImportOutcome& summary) override {
    std::lock_guard lock(mutex_);
    summaries_.push_back(summary);
  }
  int AskOverwrite(const OverwriteQuestion& question) override {
    if (onQuestion) return onQuestion(question);
    std::lock_guard lock(mutex_);
    asked_.push_back(question.path);
    if (answers_.empty()) return kAnswerNo;
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  }

  void SetAnswers(std::deque<int> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
  }
  std::vector<std::u16string> Asked() {
    std::lock_guard lock(mutex_);
    return asked_;
  }
  std::vector<ImportProgress> Details() {
    std::lock_guard lock(mutex_);
    return details_;
  }
  std::vector<ClipFailure> Failures() {
    std::lock_guard lock(mutex_);
    return failures_;
  }
  std::vector<ImportOutcome> Summaries() {
    std::lock_guard lock(mutex_);
    return summaries_;
  }
  std::vector<Post> Posts() {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  int Count(CopyCode code) {
    int n = 0;
    for (const auto& p : Posts()) n += p.code == code;
    return n;
  }

 private:
  void Record(const Post& p) {
    {
      std::lock_guard lock(mutex_);
      posts_.push_back(p);
    }
    if (onPost) onPost(p);
  }
  std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<std::u16string> asked_;
  std::vector<Post> posts_;
  std::vector<ImportProgress> details_;
  std::vector<ClipFailure> failures_;
  std::vector<ImportOutcome> summaries_;
};

}  // namespace quillon::testsupport
