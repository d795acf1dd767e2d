#include "import/ImportEvents.h"

namespace quillon {

void AnswerSlot::Give(OverwriteAnswer answer) {
  {
    std::lock_guard lock(mutex_);
    if (!answer_) answer_ = answer;
  }
  given_.notify_all();
}

std::optional<OverwriteAnswer> AnswerSlot::Wait(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  given_.wait(lock, stop, [this] { return answer_.has_value(); });
  return answer_;
}

}  // namespace quillon
