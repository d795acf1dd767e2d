#include "cli/TerminalImport.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/StandardOutput.h"
#include "import/UserTexts.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

std::atomic<bool> g_cancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Ctrl+C, kill's default signal, and the terminal going away.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

constexpr int kBarWidth = 40;
// How long the main thread waits at most before it looks at the cancel flag again.
constexpr int kWakeMs = 50;

void OnStopSignal(int) { TerminalImport::RequestCancel(); }

// One line of standard input, read byte by byte; a cancel ends the wait, whether its signal
// came before the wait began or during it.
std::optional<std::string> ReadAnswerLine() {
  std::string line;
  for (;;) {
    if (g_cancelRequested.load()) return std::nullopt;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&input, 1, kWakeMs);
    if (ready < 0 && errno != EINTR) return std::nullopt;
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;  // end of input
    if (c == '\n') return line;
    line += c;
  }
}

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting read ends
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

TerminalImport::TerminalImport(const ClipCatalogue& catalogue, TerminalImportOptions options)
    : catalogue_(catalogue), options_(options) {}

void TerminalImport::RequestCancel() { g_cancelRequested.store(true); }

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

  total_ = plan.totalMiB;
  progressOpen_.store(true);
  {
    // The worker starts with the stop signals blocked, so that they always reach this thread
    // and end a question that waits for an answer.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal : kStopSignals) sigaddset(&blocked, signal);
    sigaddset(&blocked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    job.StartWorker();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  bool cancelled = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::milliseconds(kWakeMs), [this] {
      return !messages_.empty() || (question_ && !answer_) || workerEnded_ || g_cancelRequested.load();
    });
    while (!messages_.empty()) {
      const Message m = messages_.front();
      messages_.pop_front();
      lock.unlock();
      Handle(m);
      lock.lock();
    }
    if (question_ && !answer_) {
      const std::u16string path = *question_;
      lock.unlock();
      PrintNewOutputs();
      const int answer = AnswerQuestion(path);
      lock.lock();
      answer_ = answer;
      wake_.notify_all();
    }
    lock.unlock();
    PrintNewOutputs();
    lock.lock();
    if (g_cancelRequested.load() && !cancelled && progressOpen_.load()) {
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
      position_ += m.lParam;
      DrawBar();
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

void TerminalImport::PrintNewOutputs() {
  if (!options_.printPaths) return;
  const ImportContext& context = TheImportContext();
  for (const PlacedOutput& placed : context.Placed()) {
    if (!placedShown_.insert(placed.path).second) continue;
    ClearBar();
    Print(platform::ToUtf8(placed.path) + "\n", true);
  }
  const std::vector<std::u16string> kept = context.Kept();
  for (; keptShown_ < kept.size(); ++keptShown_) {
    ClearBar();
    Print("kept " + platform::ToUtf8(kept[keptShown_]) + "\n", true);
  }
  DrawBar();
}

void TerminalImport::PrintError(const std::u16string& line) {
  ClearBar();
  std::fprintf(stderr, "%s\n", platform::ToUtf8(line).c_str());
  DrawBar();
}

void TerminalImport::ClearBar() {
  if (options_.progressBar) std::fputs("\r\033[K", stderr);
}

void TerminalImport::DrawBar() {
  if (!options_.progressBar || !progressOpen_.load()) return;
  const std::uint64_t shown = total_ == 0 ? 0 : std::min(position_, total_);
  const int filled = total_ == 0 ? 0 : static_cast<int>(shown * kBarWidth / total_);
  std::fprintf(stderr, "\r[%s%s] %llu/%llu MiB", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(),
               static_cast<unsigned long long>(shown), static_cast<unsigned long long>(total_));
  std::fflush(stderr);
}

int TerminalImport::AnswerQuestion(const std::u16string& path) {
  if (g_cancelRequested.load()) return kAnswerCancel;
  ClearBar();
  char question[4096];
  std::snprintf(question, sizeof question, kOverwriteQuestionText,
                platform::ToUtf8(platform::LastComponent(path)).c_str());
  for (;;) {
    std::fprintf(stderr, "%s\n%s\n[y] Yes  [a] Yes to all  [n] No  [o] No to all  [c] Cancel: ", question,
                 kOverwriteLineText);
    std::fflush(stderr);
    const auto line = ReadAnswerLine();
    if (!line) {
      std::fputc('\n', stderr);
      return kAnswerCancel;  // nobody can answer: replace nothing and stop
    }
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
  if (progress.mib > 0) Post({COPY_PROGRESS, progress.mib, std::nullopt});
  return true;
}

void TerminalImport::ClipFailed(const ClipFailure& failure) { Post({COPY_FAILED, 0, failure}); }

void TerminalImport::Finished(const ImportOutcome&) {}

int TerminalImport::AskOverwrite(const OverwriteQuestion& question) {
  std::unique_lock lock(mutex_);
  question_ = question.path;
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
  if (progressOpen_.load()) messages_.push_back({COPY_DONE, 0, std::nullopt});
  workerEnded_ = true;
  wake_.notify_all();
}

}  // namespace quillon::cli
