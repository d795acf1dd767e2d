#include "cli/TerminalImport.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "import/UserTexts.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::cli {

namespace {

std::atomic<bool> g_cancelRequested{false};

constexpr int kBarWidth = 40;

// One line of standard input, read byte by byte so that an interrupting signal ends the wait.
std::optional<std::string> ReadAnswerLine() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0) return std::nullopt;  // end of input, or interrupted by Ctrl+C
    if (c == '\n') return line;
    line += c;
  }
}

}  // namespace

TerminalImport::TerminalImport(const ClipCatalogue& catalogue, TerminalImportOptions options)
    : catalogue_(catalogue), options_(options) {}

void TerminalImport::RequestCancel() { g_cancelRequested.store(true); }

ImportOutcome TerminalImport::Run(int prefix, std::vector<std::size_t> rows, const std::u16string& destination,
                                  const ImportOptions& importOptions) {
  ImportJob job(*this);
  const ImportPlan plan = job.Prepare(catalogue_, prefix, std::move(rows), destination, importOptions);
  total_ = plan.totalMiB;
  progressOpen_.store(true);
  {
    // The worker starts with Ctrl+C blocked, so that the signal always reaches this thread and
    // ends a question that waits for an answer.
    sigset_t interrupt, previous;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);
    job.StartWorker();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  bool cancelled = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::milliseconds(50), [this] {
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
      PrintNewPaths();
      const int answer = AnswerQuestion(path);
      lock.lock();
      answer_ = answer;
      wake_.notify_all();
    }
    lock.unlock();
    PrintNewPaths();
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
  if (options_.progressBar) std::fputs("\r\033[K", stderr);
  return job.Conclude();
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
      if (options_.progressBar) std::fputs("\r\033[K", stderr);
      std::fprintf(stderr, "%s\n", kImportFailedText);
      break;
    default:
      break;
  }
}

void TerminalImport::PrintNewPaths() {
  if (!options_.printPaths) return;
  const auto written = TheImportContext().Written();
  for (; printed_ < written.size(); ++printed_) {
    if (options_.progressBar) std::fputs("\r\033[K", stderr);
    std::printf("%s\n", platform::ToUtf8(written[printed_]).c_str());
  }
  std::fflush(stdout);
  DrawBar();
}

void TerminalImport::DrawBar() {
  if (!options_.progressBar) return;
  const std::uint64_t shown = total_ == 0 ? 0 : std::min(position_, total_);
  const int filled = total_ == 0 ? 0 : static_cast<int>(shown * kBarWidth / total_);
  std::fprintf(stderr, "\r[%s%s] %llu/%llu MiB", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(),
               static_cast<unsigned long long>(shown), static_cast<unsigned long long>(total_));
  std::fflush(stderr);
}

int TerminalImport::AnswerQuestion(const std::u16string& path) {
  if (options_.progressBar) std::fputs("\r\033[K", stderr);
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

void TerminalImport::PostToMainWindow(CopyCode code, std::uint32_t lParam) {
  std::lock_guard lock(mutex_);
  messages_.push_back({code, lParam});
  wake_.notify_all();
}

bool TerminalImport::PostToProgress(CopyCode code, std::uint32_t lParam) {
  if (!progressOpen_.load()) return false;
  std::lock_guard lock(mutex_);
  messages_.push_back({code, lParam});
  wake_.notify_all();
  return true;
}

bool TerminalImport::ProgressWindowExists() { return progressOpen_.load(); }

int TerminalImport::AskOverwrite(const std::u16string& path) {
  std::unique_lock lock(mutex_);
  question_ = path;
  answer_.reset();
  wake_.notify_all();
  wake_.wait(lock, [this] { return answer_.has_value(); });
  const int answer = *answer_;
  question_.reset();
  answer_.reset();
  return answer;
}

void TerminalImport::WorkerEnded() {
  std::lock_guard lock(mutex_);
  workerEnded_ = true;
  wake_.notify_all();
}

}  // namespace quillon::cli
