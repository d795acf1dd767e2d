#include "cli/StandardOutput.h"

#include <cstdarg>
#include <cstdio>

#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace quillon::cli {

namespace {

int g_outputError = 0;  // main thread only

}  // namespace

bool Print(std::string_view text) {
  if (g_outputError != 0) return false;
  if (!platform::WriteText(platform::StdStream::Out, text)) {
    g_outputError = platform::LastError();
    if (g_outputError == 0) g_outputError = -1;  // failed without a reason: still a failure
    return false;
  }
  return true;
}

int FinishOutput() { return g_outputError; }

void PrintError(std::string_view text) { platform::WriteText(platform::StdStream::Err, text); }

std::string Format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (size > 0) {
    text.resize(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    text.resize(static_cast<std::size_t>(size));
  }
  va_end(again);
  return text;
}

}  // namespace quillon::cli
