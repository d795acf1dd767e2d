#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstdio>

namespace quillon::cli {

namespace {

int g_outputError = 0;  // main thread only

void RememberFailure() {
  if (g_outputError == 0) g_outputError = errno != 0 ? errno : EIO;
}

}  // namespace

bool Print(std::string_view text, bool flush) {
  if (g_outputError != 0) return false;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || (flush && std::fflush(stdout) != 0)) {
    RememberFailure();
    return false;
  }
  return true;
}

int FinishOutput() {
  if (g_outputError == 0) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) RememberFailure();
  }
  return g_outputError;
}

}  // namespace quillon::cli
