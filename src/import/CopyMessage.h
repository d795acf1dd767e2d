#pragma once
// Codes of the copy message that the import posts to the windows, and the overwrite answers.
#include <cstdint>

namespace quillon {

inline constexpr const char* kCopyMessageName = "QM52COPYMessage";

enum CopyCode : std::uint32_t {
  COPY_START = 1,     // to the main window: start the worker
  COPY_PROGRESS = 2,  // to the progress window: lParam whole MiB more
  COPY_DONE = 3,      // to the progress window: close as finished
  COPY_FAILED = 4,    // to the main window: a clip failed
};

// Answers of the overwrite question: the ids of its buttons.
enum OverwriteAnswer : int {
  kAnswerCancel = 2,
  kAnswerYesToAll = 8,
  kAnswerNoToAll = 9,
  kAnswerYes = 1029,
  kAnswerNo = 1030,
};

}  // namespace quillon
