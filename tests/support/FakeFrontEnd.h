#pragma once
// Stands in for the windows of an import: records what the worker posts, and answers overwrite
// questions from a script (No when the script is used up) or from a function.
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
  std::function<int(const std::u16string& path)> onQuestion;
  std::atomic<bool> progressOpen{true};
  std::atomic<bool> ended{false};

  void PostToMainWindow(CopyCode code, std::uint32_t lParam) override { Record({true, code, lParam}); }
  bool PostToProgress(CopyCode code, std::uint32_t lParam) override {
    if (!progressOpen) return false;
    Record({false, code, lParam});
    return true;
  }
  bool ProgressWindowExists() override { return progressOpen; }
  int AskOverwrite(const std::u16string& path) override {
    if (onQuestion) return onQuestion(path);
    std::lock_guard lock(mutex_);
    asked_.push_back(path);
    if (answers_.empty()) return kAnswerNo;
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  void WorkerEnded() override { ended = true; }

  void SetAnswers(std::deque<int> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
  }
  std::vector<std::u16string> Asked() {
    std::lock_guard lock(mutex_);
    return asked_;
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
};

}  // namespace quillon::testsupport
