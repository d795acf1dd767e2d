#include "platform/Console.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/FileSystem.h"

namespace quillon::platform {

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Ctrl+C, kill's default signal, and the terminal going away.
constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The status to end with at the next interrupt; -1 while none is asked for.
std::atomic<int> g_quitStatus{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

void OnInterrupt(int) {
  if (const int status = g_quitStatus.load(); status >= 0) ::_exit(status);
  g_interrupted.store(true);
}

int Descriptor(StdStream stream) {
  switch (stream) {
    case StdStream::In: return STDIN_FILENO;
    case StdStream::Out: return STDOUT_FILENO;
    case StdStream::Err: return STDERR_FILENO;
  }
  return -1;
}

}  // namespace

bool IsTerminal(StdStream stream) { return ::isatty(Descriptor(stream)) != 0; }

std::size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting read ends
  for (int signal : kInterruptSignals) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool Interrupted() { return g_interrupted.load(); }

void RaiseInterrupt() { g_interrupted.store(true); }

void QuitAtNextInterrupt(int status) { g_quitStatus.store(status); }

struct InterruptsKeptFromNewThreads::Saved {
  sigset_t previous;
};

InterruptsKeptFromNewThreads::InterruptsKeptFromNewThreads() : saved_(std::make_unique<Saved>()) {
  sigset_t blocked;
  sigemptyset(&blocked);
  for (int signal : kInterruptSignals) sigaddset(&blocked, signal);
  sigaddset(&blocked, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &blocked, &saved_->previous);
}

InterruptsKeptFromNewThreads::~InterruptsKeptFromNewThreads() { pthread_sigmask(SIG_SETMASK, &saved_->previous, nullptr); }

std::optional<std::string> ReadLine(int wakeMs) {
  std::string line;
  for (;;) {
    if (Interrupted()) return std::nullopt;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&input, 1, wakeMs);
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

bool WriteText(StdStream stream, std::string_view text) {
  const int fd = Descriptor(stream);
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(errno);
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace quillon::platform
