#pragma once
// The copy message that the windows' wiring carries between their parts, and the ids of the
// overwrite question's buttons, with the answers they give.
#include <cstdint>
#include <optional>

#include "import/ImportEvents.h"

namespace quillon::frontend {

inline constexpr const char* kCopyMessageName = "QM52COPYMessage";

enum CopyCode : std::uint32_t {
  COPY_START = 1,     // to the main window: start the copy
  COPY_PROGRESS = 2,  // to the progress window: lParam whole MiB more
  COPY_DONE = 3,      // to the progress window: close as finished
  COPY_FAILED = 4,    // to the main window: a clip failed
};

// The overwrite question's buttons, by their ids in the dialog template.
enum AnswerCode : int {
  kAnswerCancel = 2,
  kAnswerYesToAll = 8,
  kAnswerNoToAll = 9,
  kAnswerYes = 1029,
  kAnswerNo = 1030,
};

// The answer a button gives (Cancel also for the close box and Escape, which answer 2); No for
// any other id.
OverwriteAnswer AnswerOf(int code);

}  // namespace quillon::frontend
