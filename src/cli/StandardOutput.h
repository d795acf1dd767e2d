#pragma once
// What quillon-cli prints on standard output and standard error, through the console's own
// writer (UTF-16 to a Windows console). Standard output is written so that a reader that went
// away (a closed pipe, with SIGPIPE ignored) or a full disk is noticed: the first failed write
// is remembered, later text is dropped, and the command reports it when it ends.
#include <string>
#include <string_view>

#if defined(__MINGW32__)
#define QUILLON_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define QUILLON_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILLON_PRINTF_FORMAT(f, a)
#endif

namespace quillon::cli {

// Writes text to standard output at once; false once any write has failed.
bool Print(std::string_view text);

// The system's error code of the first failed write to standard output, or 0.
int FinishOutput();

// Writes text to standard error; a failure there has nowhere to be told.
void PrintError(std::string_view text);

// printf's text as a string.
std::string Format(const char* format, ...) QUILLON_PRINTF_FORMAT(1, 2);

}  // namespace quillon::cli
