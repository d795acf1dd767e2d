#pragma once
// Runs a program as a child process with some standard input, and collects what it printed.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillon::testsupport {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = {});

// A child that runs in the background until waited for; its output goes to files. It gets
// SIGTERM when the thread that started it ends, so that a test that dies leaves none behind.
class BackgroundProcess {
 public:
  explicit BackgroundProcess(const std::vector<std::string>& argv);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int signal);
  ProcessResult Wait();
  // What the child has written to its standard error so far.
  std::string ErrorSoFar() const;
  // As Wait, or nothing when the child is still running after limit.
  std::optional<ProcessResult> WaitFor(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
  bool waited_ = false;
};

}  // namespace quillon::testsupport
