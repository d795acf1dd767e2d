#pragma once
// The import as the command line runs it: the worker posts its copy messages and overwrite
// questions to the main thread, which draws progress, prints outputs and failures and asks on
// the terminal.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "import/ImportJob.h"
#include "import/TransferRate.h"

namespace quillon::cli {

struct TerminalImportOptions {
  bool printPaths = true;     // print each output's path once it is in place, and each kept file
  bool progressBar = false;   // draw a progress bar on stderr
  bool interactive = false;   // questions come from a terminal (otherwise lines of stdin)
};

struct TerminalImportResult {
  std::optional<Refusal> refusal;  // set: nothing was copied
  ImportOutcome outcome;
};

// An interrupt (platform::CatchInterrupts) stops the running import as Cancel in a progress
// window does.
class TerminalImport final : public ImportFrontEnd {
 public:
  TerminalImport(const ClipCatalogue& catalogue, TerminalImportOptions options);

  // Runs the import of rows into destination. A refusal and the clips left out before the
  // copy are printed on stderr here, as are the failures while copying.
  TerminalImportResult Run(int prefix, std::vector<std::size_t> rows, const std::u16string& destination,
                           const ImportOptions& importOptions);


  bool ShowProgress(const ImportProgress& progress) override;
  void ClipFailed(const ClipFailure& failure) override;
  void CopyEnded() override;
  void Finished(const ImportOutcome& summary) override;
  int AskOverwrite(const OverwriteQuestion& question) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Message {
    CopyCode code;
    std::optional<ImportProgress> progress;
    std::optional<ClipFailure> failure;
  };
  void Post(Message m);
  void Handle(const Message& m);
  void TakeProgress(const ImportProgress& progress);
  void PrintNewOutputs();
  void PrintError(const std::u16string& line);
  void ClearBar();
  void DrawBar();
  int AnswerQuestion(const OverwriteQuestion& question);

  const ClipCatalogue& catalogue_;
  TerminalImportOptions options_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Message> messages_;
  std::optional<OverwriteQuestion> question_;  // pending overwrite question
  std::optional<int> answer_;
  bool workerEnded_ = false;
  bool copyRan_ = false;
  std::atomic<bool> progressOpen_{false};
  // Main thread only: the bar's figures, and its speed, measured over the last few seconds so
  // that it follows a slower or faster stretch of the copy, and shown once half a second is in.
  ImportProgress progress_;
  TransferRate transferRate_{std::chrono::seconds(5), std::chrono::milliseconds(500)};
  Clock::time_point lastDraw_;
  std::set<std::u16string> placedShown_;
  std::size_t keptShown_ = 0;
};

}  // namespace quillon::cli
