#include "cli/TerminalImport.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/StandardOutput.h"
#include "frontend/Texts.h"
#include "platform/Console.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

constexpr int kBarWidth = 20;
// How long the main thread waits at most before it looks for an interrupt again.
constexpr auto kWake = std::chrono::milliseconds(50);
constexpr const char* kWaitingForUnit =
    "waiting for the unit to answer, to remove the file it was writing; Ctrl+C again quits now "
    "(the next import into that folder removes it)";
constexpr auto kRedraw = std::chrono::milliseconds(100);
constexpr double kMiB = 1024.0 * 1024.0;

std::string Utf8(const frontend::Message& message) { return platform::ToUtf8(frontend::English(message)); }

// "3 bytes", or "2.9 KiB (3000 bytes)": the exact count beside the rounded size, so that two
// sizes can be told apart.
std::string SizeText(std::uint64_t bytes) {
  std::string text = Utf8(frontend::SizeText(bytes));
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

frontend::SessionOptions TerminalSessionOptions() {
  frontend::SessionOptions options;
  // The bar follows a slower or faster stretch of the copy soon.
  options.rateSpan = std::chrono::seconds(5);
  options.rateLeast = std::chrono::milliseconds(500);
  return options;
}

}  // namespace

TerminalImport::TerminalImport(TerminalImportOptions options)
    : options_(options), session_(*this, [this] { Wake(); }, TerminalSessionOptions()) {}

void TerminalImport::Wake() {
  {
    std::lock_guard lock(mutex_);
    wake_ = true;
  }
  woken_.notify_one();
}

ImportOutcome TerminalImport::Run(ImportRequest request) {
  outcome_.reset();
  {
    // Interrupts always reach this thread, and end a question that waits for an answer.
    const platform::InterruptsKeptFromNewThreads kept;
    session_.Start(std::move(request));
  }
  bool cancelled = false;
  while (session_.Running()) {
    {
      std::unique_lock lock(mutex_);
      woken_.wait_for(lock, kWake, [this] { return wake_; });
      wake_ = false;
    }
    if (platform::Interrupted() && !cancelled) {
      cancelled = true;
      // A second interrupt ends the process at once: a read that does not return can hold up
      // the orderly end for as long as the unit keeps silent.
      platform::QuitAtNextInterrupt(1);
      session_.Cancel();  // as Cancel in the progress window: the copy stops after its block
      if (!options_.quiet) PrintError("import cancelled");
      cancelTold_ = true;
    }
    // A read stuck at the cancel is told within a second: the import ends when it returns.
    if (cancelled && !waitTold_ && session_.UnitCallWaiting() >= std::chrono::seconds(1)) {
      waitTold_ = true;
      if (!options_.quiet) PrintError(kWaitingForUnit);
    }
    session_.Drain();
  }
  ClearBar();
  return outcome_.value_or(ImportOutcome{});
}

void TerminalImport::WaitForUnit() {
  if (!session_.WaitingForUnit()) return;
  platform::QuitAtNextInterrupt(1);
  if (!options_.quiet && !waitTold_) PrintError(kWaitingForUnit);
  waitTold_ = true;
  while (session_.WaitingForUnit()) {
    {
      std::unique_lock lock(mutex_);
      woken_.wait(lock, [this] { return wake_; });
      wake_ = false;
    }
    session_.Drain();
  }
}

void TerminalImport::PrintError(const std::string& line) {
  ClearBar();
  cli::PrintError("quillon-cli: " + line + "\n");
  DrawBar();
}

void TerminalImport::ShowNotice(const frontend::Notice& notice) {
  if (options_.quiet && notice.icon == frontend::Notice::Icon::Information) return;
  std::string text = Utf8(notice.text);
  for (std::string detail = Utf8(notice.detail); !detail.empty();) {
    const std::size_t end = detail.find('\n');
    text += "\n  " + detail.substr(0, end);
    detail = end == std::string::npos ? std::string() : detail.substr(end + 1);
  }
  PrintError(text);
}

// The windows show the import's failure text with the cause below it; the cause alone says
// what happened, and it names the clip and the file.
void TerminalImport::ShowFailure(const frontend::Notice&, const ClipFailure& failure) {
  PrintError(Utf8(frontend::FailureLine(failure)));
}

void TerminalImport::OpenProgress(std::uint64_t) { barShown_ = options_.progressBar; }

void TerminalImport::ShowProgress(const frontend::ProgressFigures& figures) {
  // Without a bar, a unit that stops answering is told once a time it happens.
  const bool silent = session_.UnitSilent().count() > 0;
  if (silent && !silentTold_ && !barShown_ && !options_.quiet) PrintError(Utf8(figures.lines.rate));
  silentTold_ = silent;
  const bool moved = !figures_ || figures.progress.clip != figures_->progress.clip ||
                     figures.progress.output != figures_->progress.output;
  figures_ = figures;
  if (moved || Clock::now() - lastDraw_ >= kRedraw || figures.progress.bytesDone >= figures.progress.bytesTotal) {
    DrawBar();
  }
}

void TerminalImport::CloseProgress() {
  ClearBar();
  barShown_ = false;
}

void TerminalImport::ClearBar() {
  if (barShown_) cli::PrintError("\r\033[K");
}

// [####                ]  21%   31.4 MiB/s  0:42 left  ABC0001 -> ABC0001.DV
void TerminalImport::DrawBar() {
  if (!barShown_ || !figures_) return;
  lastDraw_ = Clock::now();
  const ProgressEvent& progress = figures_->progress;
  const std::uint64_t total = progress.bytesTotal;
  const std::uint64_t done = std::min(progress.bytesDone, total);
  const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
  const int filled = percent * kBarWidth / 100;
  char figures[192];
  std::snprintf(figures, sizeof figures, "] %3d%%", percent);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + figures;
  if (session_.UnitSilent().count() > 0) {
    std::snprintf(figures, sizeof figures, "  %s", Utf8(figures_->lines.rate).c_str());
  } else if (progress.rescue) {
    std::snprintf(figures, sizeof figures, "  %s; %s", Utf8(figures_->lines.amount).c_str(),
                  Utf8(figures_->lines.rate).c_str());
  } else if (const auto& estimate = figures_->rate) {
    const std::string left = estimate->secondsLeft ? DurationText(*estimate->secondsLeft) : "-:--";
    std::snprintf(figures, sizeof figures, "  %6.1f MiB/s  %s left", estimate->bytesPerSecond / kMiB, left.c_str());
  } else {
    std::snprintf(figures, sizeof figures, "     -.- MiB/s  -:-- left");
  }
  line += figures;
  if (progress.clipCount > 1) line += Format("  %zu/%zu", progress.clipNumber, progress.clipCount);
  if (!progress.clip.empty()) line += "  " + platform::ToUtf8(progress.clip);
  if (!progress.output.empty()) line += " -> " + platform::ToUtf8(progress.output);
  cli::PrintError("\r" + CutToColumns(line, platform::TerminalColumns() - 1) + "\033[K");
}

void TerminalImport::OutputPlaced(const PlacedOutput& placed) {
  if (!options_.printPaths) return;
  ClearBar();
  Print(platform::ToUtf8(placed.path) + "\n");
  DrawBar();
}

void TerminalImport::OutputKept(const KeptOutput& kept) {
  if (!options_.printPaths) return;
  ClearBar();
  // Kept after a failure, the clip's failure line says why.
  Print("kept " + platform::ToUtf8(kept.path) + "\n");
  DrawBar();
}

// "rescued PATH" where the complete ones print their path; the damage, and where it lies in the
// recording, follows with the notices at the end.
void TerminalImport::OutputRescued(const RescuedOutput& rescued) {
  if (!options_.printPaths) return;
  ClearBar();
  Print("rescued " + platform::ToUtf8(rescued.path) + "\n");
  DrawBar();
}

void TerminalImport::AskOverwrite(const OverwriteQuestion& question) { session_.Answer(AnswerQuestion(question)); }

OverwriteAnswer TerminalImport::AnswerQuestion(const OverwriteQuestion& asked) {
  if (platform::Interrupted()) return OverwriteAnswer::Cancel;
  ClearBar();
  // The question's two lines are the program's own wording, kept word for word on purpose
  // ("Would you like replace" included); the sizes and the date follow them.
  std::string existing = "not a regular file";
  if (asked.existingSize) {
    existing = SizeText(*asked.existingSize);
    if (asked.existingTime) {
      const std::string date = platform::ToUtf8(platform::FormatLocal(*asked.existingTime, "%Y-%m-%d %H:%M:%S"));
      if (!date.empty()) existing += ", last changed " + date;
    }
  }
  const std::string question = Utf8(frontend::OverwriteQuestionText(asked)) +
                               "\nWould you like replace the existing file?\n  Existing file: " + existing +
                               "\n  New file:      " + SizeText(asked.newSize) + "\n";
  std::string why;
  for (;;) {
    cli::PrintError(why + question + "[y] Yes  [a] Yes to all  [n] No  [o] No to all  [c] Cancel: ");
    const auto line = platform::ReadLine(static_cast<int>(kWake.count()));
    if (!line) {
      cli::PrintError("\n");
      return OverwriteAnswer::Cancel;  // nobody can answer: replace nothing and stop
    }
    if (!options_.interactive) cli::PrintError("\n");  // a terminal echoes the Enter key itself
    const std::string a = line->substr(0, line->find_last_not_of(" \r\t") + 1);
    if (a == "y" || a == "Y" || a == "yes") return OverwriteAnswer::Yes;
    if (a == "a" || a == "A") return OverwriteAnswer::YesToAll;
    if (a == "n" || a == "N" || a == "no") return OverwriteAnswer::No;
    if (a == "o" || a == "O") return OverwriteAnswer::NoToAll;
    if (a == "c" || a == "C") return OverwriteAnswer::Cancel;
    if (!options_.interactive) return OverwriteAnswer::Cancel;
    why = "\"" + a + "\" is none of the answers: answer y, a, n, o or c.\n";
  }
}

void TerminalImport::Ended(const ImportOutcome& outcome, const std::optional<frontend::Summary>&) {
  ClearBar();
  barShown_ = false;
  outcome_ = outcome;
  if (outcome.cancelled && !options_.quiet && !cancelTold_) cli::PrintError("quillon-cli: import cancelled\n");
  // Where the bar was drawn, what the copy came to.
  if (!options_.progressBar || !outcome.copied) return;
  const std::size_t files = outcome.written.size();
  const double rate = outcome.seconds > 0 ? static_cast<double>(outcome.bytesWritten) / outcome.seconds / kMiB : 0;
  cli::PrintError(Format("%zu %s written, %s in %.1f s (%.1f MiB/s)\n", files, files == 1 ? "file" : "files",
                         Utf8(frontend::SizeText(outcome.bytesWritten)).c_str(), outcome.seconds, rate));
}

}  // namespace quillon::cli
