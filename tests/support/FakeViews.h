#pragma once
// Stand in for the windows over the front-end layer: a session view that notes what it is told
// as lines of a journal and answers questions from a script, and a main window view that keeps
// the drive list, the rows and their selection as plain values. The test's thread is their
// window thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "frontend/MainModel.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::testsupport {

class FakeSessionView : public frontend::SessionView {
 public:
  // The wake the session gets: the test's thread waits for it in RunUntilIdle.
  std::function<void()> Wake() {
    return [this] {
      {
        std::lock_guard lock(mutex_);
        woken_ = true;
      }
      wake_.notify_all();
    };
  }

  // Drains the session's events as they come until it is idle; false when nothing came for
  // a long while (a hung import).
  bool RunUntilIdle(frontend::ImportSession& session) {
    return RunWhile([&session] { session.Drain(); }, [&session] { return session.Running(); });
  }
  // The same while busy() holds, running what was told with drain.
  bool RunWhile(const std::function<void()>& drain, const std::function<bool()>& busy) {
    while (busy()) {
      {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::seconds(30), [this] { return woken_; })) return false;
        woken_ = false;
      }
      drain();
    }
    return true;
  }

  // Questions are answered from this script (No when it is used up), at once unless
  // answerLater; the session to answer is set by the test.
  frontend::ImportSession* session = nullptr;
  std::deque<OverwriteAnswer> answers;
  bool answerLater = false;
  // Runs at each line of the journal, and at each progress figures, as a user would act while
  // they show.
  std::function<void(const std::string& line)> onShown;
  std::function<void(const frontend::ProgressFigures&)> onProgress;

  // What the session told, one line each: "notice TEXT | DETAIL", "failure LINE", "open N",
  // "close", "ask NAME", "withdraw", "ended".
  std::vector<std::string> journal;
  std::vector<frontend::ProgressFigures> progress;
  std::vector<OverwriteQuestion> asked;
  std::optional<ImportOutcome> outcome;
  std::optional<frontend::Summary> summary;
  int ended = 0;

  // Forgets what it was told, for the next import.
  void Forget() {
    journal.clear();
    progress.clear();
    asked.clear();
    outcome.reset();
    summary.reset();
    ended = 0;
  }

  // Lines of the journal that begin with what.
  std::vector<std::string> Lines(const std::string& what) const {
    std::vector<std::string> found;
    for (const std::string& line : journal) {
      if (line.rfind(what, 0) == 0) found.push_back(line);
    }
    return found;
  }

  void ShowNotice(const frontend::Notice& notice) override {
    std::string line = "notice " + English(notice.text);
    if (!notice.detail.Empty()) line += " | " + English(notice.detail);
    Note(line);
  }
  void ShowFailure(const frontend::Notice& notice, const ClipFailure&) override {
    Note("failure " + English(notice.text) + " | " + English(notice.detail));
  }
  void OpenProgress(std::uint64_t barTotal) override { Note("open " + std::to_string(barTotal)); }
  void ShowProgress(const frontend::ProgressFigures& figures) override {
    progress.push_back(figures);
    if (onProgress) onProgress(figures);
  }
  void CloseProgress() override { Note("close"); }
  void AskOverwrite(const OverwriteQuestion& question) override {
    asked.push_back(question);
    Note("ask " + platform::ToUtf8(platform::LastComponent(question.path)));
    if (answerLater || !session) return;
    const OverwriteAnswer answer = answers.empty() ? OverwriteAnswer::No : answers.front();
    if (!answers.empty()) answers.pop_front();
    session->Answer(answer);
  }
  void WithdrawQuestion() override { Note("withdraw"); }
  void Ended(const ImportOutcome& told, const std::optional<frontend::Summary>& summaryTold) override {
    outcome = told;
    summary = summaryTold;
    ++ended;
    Note("ended");
  }

  static std::string English(const frontend::Message& message) {
    return platform::ToUtf8(frontend::English(message));
  }

 private:
  void Note(const std::string& line) {
    journal.push_back(line);
    if (onShown) onShown(line);
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

class FakeMainView : public frontend::MainView {
 public:
  std::vector<std::u16string> drives;  // as shown, without "Other folder..."
  int selectedDrive = -1;
  std::vector<std::u16string> rows;
  std::vector<bool> selected;
  bool importEnabled = false;
  std::string hint;  // in English
  int summariesCleared = 0;
  int clipsShown = 0;
  std::optional<std::u16string> browseAnswer;  // nothing: cancelled
  int refreshes = 0;  // ShowDrives calls
  std::vector<std::string> homeMarks;  // in English, by row

  // The clip names of the rows (their first column), all or the selected ones.
  std::vector<std::string> ClipNames(bool onlySelected = false) const {
    std::vector<std::string> names;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (!onlySelected || selected[k]) names.push_back(platform::ToUtf8(rows[k].substr(0, rows[k].find(u' '))));
    }
    return names;
  }
  void SelectClips(const std::vector<std::string>& names) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
      selected[k] = std::find(names.begin(), names.end(), ClipNames()[k]) != names.end();
    }
  }

  void ShowDrives(const std::vector<std::u16string>& shown, int select) override {
    drives = shown;
    selectedDrive = select;
    ++refreshes;
  }
  void SelectDrive(int index) override { selectedDrive = index; }
  void ShowClips(const std::vector<std::u16string>& shown, const std::vector<bool>& marks) override {
    rows = shown;
    selected = marks;
    ++clipsShown;
  }
  std::vector<std::size_t> SelectedRows() const override {
    std::vector<std::size_t> found;
    for (std::size_t k = 0; k < selected.size(); ++k) {
      if (selected[k]) found.push_back(k);
    }
    return found;
  }
  void SelectAllRows(bool select) override { selected.assign(rows.size(), select); }
  void SelectRows(const std::vector<bool>& select) override { selected = select; }
  void ShowHomeMarks(const std::vector<frontend::Message>& marks) override {
    homeMarks.clear();
    for (const frontend::Message& mark : marks) homeMarks.push_back(platform::ToUtf8(frontend::English(mark)));
  }
  void EnableImport(bool enabled) override { importEnabled = enabled; }
  void ShowHint(const frontend::Message& shown) override { hint = platform::ToUtf8(frontend::English(shown)); }
  void ClearSummary() override { ++summariesCleared; }
  std::optional<std::u16string> BrowseForUnitFolder(const std::u16string&) override { return browseAnswer; }
};

}  // namespace quillon::testsupport
