#include "cli/TerminalImport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/StandardOutput.h"
#include "import/UserTexts.h"
#include "platform/Console.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

constexpr int kBarWidth = 20;
// How long the main thread waits at most before it looks at the cancel flag again.
constexpr int kWakeMs = 50;
// The bar is drawn again at most this often, unless the clip or the output changes.
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr double kMiB = 1024.0 * 1024.0;

// "3 bytes", or "2.9 KiB (3000 bytes)": the exact count beside the rounded size, so that two
// sizes can be told apart.
std::string SizeText(std::uint64_t bytes) {
  std::string text = ByteSizeText(bytes);
  if (bytes >= 1024) text += " (" + std::to_string(bytes) + " bytes)";
  return text;
}

// "0:42" or "1:02:03".
std::string DurationText(double seconds) {
  const auto total = static_cast<unsigned long long>(std::min(seconds, 359999.0));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%llu:%02llu", total / 60, total % 60);
  }
  return text;
}

// text cut to at most columns characters (UTF-8 sequences kept whole), so that the line
// never wraps and "\r" can draw over it.
std::string CutToColumns(const std::string& text, std::size_t columns) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (++count > columns) return text.substr(0, i);
  }
  return text;
}

}  // namespace

TerminalImport::TerminalImport(const ClipCatalogue& catalogue, TerminalImportOptions options)
    : catalogue_(catalogue), options_(options) {}

TerminalImportResult TerminalImport::Run(int prefix, std::vector<std::size_t> rows,
                                         const std::u16string& destination, const ImportOptions& importOptions) {
  ImportJob job(*this);
  const ImportPlan plan = job.Prepare(catalogue_, prefix, std::move(rows), destination, importOptions);
  if (plan.refusal) {
    PrintError(plan.refusal->Describe());
    job.Conclude();
    return {plan.refusal, {}};
  }
  for (const ClipFailure& failure : plan.tooLarge) PrintError(failure.Describe());

  copyRan_ = true;
  progressOpen_.store(true);
  {
    // Interrupts always reach this thread, and end a question that waits for an answer.
    const platform::InterruptsKeptFromNewThreads kept;
    job.StartWorker();
  }

  bool cancelled = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::milliseconds(kWakeMs), [this] {
      return !messages_.empty() || (question_ && !answer_) || workerEnded_ || platform::Interrupted();
    });
    while (!messages_.empty()) {
      const Message m = messages_.front();
      messages_.pop_front();
      lock.unlock();
      Handle(m);
      lock.lock();
    }
    if (question_ && !answer_) {
      const OverwriteQuestion question = *question_;
      lock.unlock();
      PrintNewOutputs();
      const int answer = AnswerQuestion(question);
      lock.lock();
      answer_ = answer;
      wake_.notify_all();
    }
    lock.unlock();
    PrintNewOutputs();
    lock.lock();
    if (platform::Interrupted() && !cancelled && progressOpen_.load()) {
      // As Cancel in the progress window: the worker stops after the block it is copying.
      progressOpen_.store(false);
      cancelled = true;
      job.Cancel();
    }
    if (workerEnded_ && messages_.empty() && !(question_ && !answer_)) break;
  }
  lock.unlock();
  PrintNewOutputs();  // those placed after the last look
  ClearBar();
  return {std::nullopt, job.Conclude()};
}

void TerminalImport::Handle(const Message& m) {
  switch (m.code) {
    case COPY_PROGRESS:
      if (m.progress) TakeProgress(*m.progress);
      break;
    case COPY_DONE:
      progressOpen_.store(false);
      break;
    case COPY_FAILED:
      PrintError(platform::FromUtf8(kImportFailedText));
      if (m.failure) PrintError(m.failure->Describe());
      break;
    default:
      break;
  }
}

void TerminalImport::TakeProgress(const ImportProgress& progress) {
  const Clock::time_point now = Clock::now();
  const bool moved = progress.clip != progress_.clip || progress.output != progress_.output;
  progress_ = progress;
  transferRate_.Add(now, progress.bytesDone);
  if (moved || now - lastDraw_ >= kRedraw || progress.bytesDone >= progress.bytesTotal) DrawBar();
}

void TerminalImport::PrintNewOutputs() {
  if (!options_.printPaths) return;
  const ImportContext& context = TheImportContext();
  for (const PlacedOutput& placed : context.Placed()) {
    if (!placedShown_.insert(placed.path).second) continue;
    ClearBar();
    Print(platform::ToUtf8(placed.path) + "\n");
  }
  const std::vector<std::u16string> kept = context.Kept();
  for (; keptShown_ < kept.size(); ++keptShown_) {
    ClearBar();
    Print("kept " + platform::ToUtf8(kept[keptShown_]) + "\n");
  }
  DrawBar();
}

void TerminalImport::PrintError(const std::u16string& line) {
  ClearBar();
  cli::PrintError(platform::ToUtf8(line) + "\n");
  DrawBar();
}

void TerminalImport::ClearBar() {
  if (options_.progressBar) cli::PrintError("\r\033[K");
}

// [####                ]  21%   31.4 MiB/s  0:42 left  ABC0001 -> ABC0001.DV
void TerminalImport::DrawBar() {
  if (!options_.progressBar || !progressOpen_.load()) return;
  lastDraw_ = Clock::now();
  const std::uint64_t total = progress_.bytesTotal;
  const std::uint64_t done = std::min(progress_.bytesDone, total);
  const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
  const int filled = percent * kBarWidth / 100;
  char figures[96];
  std::snprintf(figures, sizeof figures, "] %3d%%", percent);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + figures;
  if (const auto estimate = transferRate_.Rate(total)) {
    const std::string left = estimate->secondsLeft ? DurationText(*estimate->secondsLeft) : "-:--";
    std::snprintf(figures, sizeof figures, "  %6.1f MiB/s  %s left", estimate->bytesPerSecond / kMiB, left.c_str());
  } else {
    std::snprintf(figures, sizeof figures, "     -.- MiB/s  -:-- left");
  }
  line += figures;
  if (!progress_.clip.empty()) line += "  " + platform::ToUtf8(progress_.clip);
  if (!progress_.output.empty()) line += " -> " + platform::ToUtf8(progress_.output);
  cli::PrintError("\r" + CutToColumns(line, platform::TerminalColumns() - 1) + "\033[K");
}

int TerminalImport::AnswerQuestion(const OverwriteQuestion& asked) {
  if (platform::Interrupted()) return kAnswerCancel;
  ClearBar();
  // The question's two lines are the original system's own wording, kept word for word on
  // purpose ("Would you like replace" included); the sizes and the date follow them.
  char question[4096];
  std::snprintf(question, sizeof question, kOverwriteQuestionText,
                platform::ToUtf8(platform::LastComponent(asked.path)).c_str());
  std::string existing = "not a regular file";
  if (asked.existingSize) {
    existing = SizeText(*asked.existingSize);
    if (asked.existingTime) {
      const std::string date = platform::ToUtf8(platform::FormatLocal(*asked.existingTime, "%Y-%m-%d %H:%M:%S"));
      if (!date.empty()) existing += ", last changed " + date;
    }
  }
  const std::string sizes = "  Existing file: " + existing + "\n  New file:      " + SizeText(asked.newSize) + "\n";
  for (;;) {
    cli::PrintError(std::string(question) + "\n" + kOverwriteLineText + "\n" + sizes +
                    "[y] Yes  [a] Yes to all  [n] No  [o] No to all  [c] Cancel: ");
    const auto line = platform::ReadLine(kWakeMs);
    if (!line) {
      cli::PrintError("\n");
      return kAnswerCancel;  // nobody can answer: replace nothing and stop
    }
    if (!options_.interactive) cli::PrintError("\n");  // a terminal echoes the Enter key itself
    const std::string a = line->substr(0, line->find_last_not_of(" \r\t") + 1);
    if (a == "y" || a == "Y" || a == "yes") return kAnswerYes;
    if (a == "a" || a == "A") return kAnswerYesToAll;
    if (a == "n" || a == "N" || a == "no") return kAnswerNo;
    if (a == "o" || a == "O") return kAnswerNoToAll;
    if (a == "c" || a == "C") return kAnswerCancel;
    if (!options_.interactive) return kAnswerCancel;
  }
}

void TerminalImport::Post(Message m) {
  std::lock_guard lock(mutex_);
  messages_.push_back(std::move(m));
  wake_.notify_all();
}

bool TerminalImport::ShowProgress(const ImportProgress& progress) {
  if (!progressOpen_.load()) return false;
  if (options_.progressBar) Post({COPY_PROGRESS, progress, std::nullopt});
  return true;
}

void TerminalImport::ClipFailed(const ClipFailure& failure) { Post({COPY_FAILED, std::nullopt, failure}); }

// Where the bar was drawn, what the copy came to.
void TerminalImport::Finished(const ImportOutcome& summary) {
  if (!options_.progressBar || !copyRan_) return;
  const std::size_t files = summary.written.size();
  const double rate = summary.seconds > 0 ? static_cast<double>(summary.bytesWritten) / summary.seconds / kMiB : 0;
  cli::PrintError(Format("%zu %s written, %s in %.1f s (%.1f MiB/s)\n", files, files == 1 ? "file" : "files",
                         ByteSizeText(summary.bytesWritten).c_str(), summary.seconds, rate));
}

int TerminalImport::AskOverwrite(const OverwriteQuestion& question) {
  std::unique_lock lock(mutex_);
  question_ = question;
  answer_.reset();
  wake_.notify_all();
  wake_.wait(lock, [this] { return answer_.has_value(); });
  const int answer = *answer_;
  question_.reset();
  answer_.reset();
  return answer;
}

void TerminalImport::CopyEnded() {
  std::lock_guard lock(mutex_);
  if (progressOpen_.load()) messages_.push_back({COPY_DONE, std::nullopt, std::nullopt});
  workerEnded_ = true;
  wake_.notify_all();
}

}  // namespace quillon::cli
