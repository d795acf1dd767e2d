#pragma once
// The import as the command line runs it: the worker posts its copy messages and overwrite
// questions to the main thread, which draws progress, prints failures and asks on the terminal.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "import/ImportJob.h"

namespace quillon::cli {

struct TerminalImportOptions {
  bool printPaths = true;     // print each output file's path when it is created
  bool progressBar = false;   // draw a progress bar on stderr
  bool interactive = false;   // questions come from a terminal (otherwise lines of stdin)
};

class TerminalImport final : public ImportFrontEnd {
 public:
  TerminalImport(const ClipCatalogue& catalogue, TerminalImportOptions options);

  // Runs the import of rows into destination; returns its outcome.
  ImportOutcome Run(int prefix, std::vector<std::size_t> rows, const std::u16string& destination,
                    const ImportOptions& importOptions);

  // Asks the running import to stop, as Cancel in a progress window does. Safe from a signal handler.
  static void RequestCancel();

  void PostToMainWindow(CopyCode code, std::uint32_t lParam) override;
  bool PostToProgress(CopyCode code, std::uint32_t lParam) override;
  bool ProgressWindowExists() override;
  int AskOverwrite(const std::u16string& path) override;
  void WorkerEnded() override;

 private:
  struct Message {
    CopyCode code;
    std::uint32_t lParam;
  };
  void Handle(const Message& m);
  void PrintNewPaths();
  void DrawBar();
  int AnswerQuestion(const std::u16string& path);

  const ClipCatalogue& catalogue_;
  TerminalImportOptions options_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Message> messages_;
  std::optional<std::u16string> question_;  // pending overwrite question
  std::optional<int> answer_;
  bool workerEnded_ = false;
  std::atomic<bool> progressOpen_{false};
  std::uint64_t total_ = 0;
  std::uint64_t position_ = 0;
  std::size_t printed_ = 0;
};

}  // namespace quillon::cli
