#pragma once
// What quillon-cli prints on standard output, written so that a reader that went away (a
// closed pipe, with SIGPIPE ignored) or a full disk is noticed: the first failed write is
// remembered, later text is dropped, and the command reports it when it ends.
#include <string_view>

namespace quillon::cli {

// Writes text to standard output, flushed when asked; false once any write has failed.
bool Print(std::string_view text, bool flush = false);

// Flushes what is left; the system's error code of the first failed write, or 0.
int FinishOutput();

}  // namespace quillon::cli
