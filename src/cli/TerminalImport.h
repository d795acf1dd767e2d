#pragma once
// The import as the command line runs it: the session's view is the terminal. The main thread
// waits for the import's events and draws the progress bar, prints each output as it is placed
// or kept, prints failures, and asks the overwrite question on the terminal.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "frontend/ImportSession.h"

namespace quillon::cli {

struct TerminalImportOptions {
  bool printPaths = true;    // print each output's path once it is in place, and each kept file
  bool progressBar = false;  // draw a progress bar on stderr
  bool interactive = false;  // questions come from a terminal (otherwise lines of stdin)
  bool quiet = false;        // errors only
};

// An interrupt (platform::CatchInterrupts) stops the running import as Cancel in a progress
// window does.
class TerminalImport final : public frontend::SessionView {
 public:
  explicit TerminalImport(TerminalImportOptions options);

  // Runs the import and answers what it did, once it has ended. A refusal, the clips left out
  // before the copy and the failures while copying are printed on stderr as they come.
  ImportOutcome Run(ImportRequest request);
  // After a Cancel while the unit did not answer: waits until it answers and the import's
  // thread has removed what it was writing. A second interrupt quits at once.
  void WaitForUnit();

  void ShowNotice(const frontend::Notice& notice) override;
  void ShowFailure(const frontend::Notice& notice, const ClipFailure& failure) override;
  void OpenProgress(std::uint64_t barTotal) override;
  void ShowProgress(const frontend::ProgressFigures& figures) override;
  void CloseProgress() override;
  void AskOverwrite(const OverwriteQuestion& question) override;
  void WithdrawQuestion() override {}
  void OutputPlaced(const PlacedOutput& placed) override;
  void OutputKept(const KeptOutput& kept) override;
  void OutputRescued(const RescuedOutput& rescued) override;
  void Ended(const ImportOutcome& outcome, const std::optional<frontend::Summary>& summary) override;

 private:
  using Clock = std::chrono::steady_clock;
  void Wake();
  void PrintError(const std::string& line);
  void ClearBar();
  void DrawBar();
  OverwriteAnswer AnswerQuestion(const OverwriteQuestion& question);

  TerminalImportOptions options_;
  frontend::ImportSession session_;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool wake_ = false;
  std::optional<ImportOutcome> outcome_;
  bool cancelTold_ = false;  // "import cancelled" printed at the interrupt
  bool waitTold_ = false;    // the wait for a unit that does not answer told
  bool silentTold_ = false;  // the unit's silence printed, without a bar
  // The bar's figures, drawn again at most every so often unless the clip or the output changes.
  bool barShown_ = false;
  std::optional<frontend::ProgressFigures> figures_;
  Clock::time_point lastDraw_;
};

}  // namespace quillon::cli
