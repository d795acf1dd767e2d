#include "support/Process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillon::testsupport {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> out;
  for (const auto& a : args) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input) {
  int in[2], out[2], err[2];
  if (::pipe(in) || ::pipe(out) || ::pipe(err)) throw std::runtime_error("pipe failed");
  auto args = Argv(argv);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::signal(SIGPIPE, SIG_IGN);
  std::size_t written = 0;
  if (input.empty()) {
    ::close(in[1]);
    in[1] = -1;
  }
  ProcessResult result;
  pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
  int open = 2;
  while (open > 0) {
    fds[2].fd = in[1];
    ::poll(fds, 3, 1000);
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
      if (n <= 0) {
        ::close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      } else {
        (k == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
    if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = ::write(in[1], input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        ::close(in[1]);
        in[1] = -1;
      }
    }
  }
  if (in[1] >= 0) ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = ExitCode(status);
  return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv) {
  char outName[] = "/tmp/quillon-out-XXXXXX";
  char errName[] = "/tmp/quillon-err-XXXXXX";
  const int outFd = ::mkstemp(outName);
  const int errFd = ::mkstemp(errName);
  outPath_ = outName;
  errPath_ = errName;
  auto args = Argv(argv);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(127);
    const int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(outFd);
  ::close(errFd);
}

BackgroundProcess::~BackgroundProcess() {
  if (!waited_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  ::unlink(outPath_.c_str());
  ::unlink(errPath_.c_str());
}

void BackgroundProcess::Signal(int signal) { ::kill(pid_, signal); }

std::optional<ProcessResult> BackgroundProcess::WaitFor(std::chrono::milliseconds limit) {
  // A pidfd turns readable when the child ends: a poll of it waits without a loop. (glibc
  // 2.36's <sys/pidfd.h> cannot be used from C++: it declares pidfd_open without C linkage.)
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  if (fd < 0) throw std::runtime_error("pidfd_open failed");
  pollfd ended{fd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&ended, 1, static_cast<int>(limit.count()));
  } while (ready < 0 && errno == EINTR);
  ::close(fd);
  if (ready <= 0) return std::nullopt;
  return Wait();
}

std::string BackgroundProcess::ErrorSoFar() const { return Slurp(errPath_); }

ProcessResult BackgroundProcess::Wait() {
  ProcessResult result;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  waited_ = true;
  result.exitCode = ExitCode(status);
  result.out = Slurp(outPath_);
  result.err = Slurp(errPath_);
  return result;
}

}  // namespace quillon::testsupport
