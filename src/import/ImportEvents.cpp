#include "import/ImportEvents.h"

#include <type_traits>

namespace quillon {

void Record(ImportOutcome& outcome, const ImportEvent& event) {
  std::visit(
      [&outcome](const auto& record) {
        using Record = std::decay_t<decltype(record)>;
        if constexpr (std::is_same_v<Record, PlacedOutput>) {
          outcome.written.push_back(record);
          if (record.copy == 0) outcome.bytesWritten += record.bytes;
        } else if constexpr (std::is_same_v<Record, KeptOutput>) {
          outcome.kept.push_back(record);
        } else if constexpr (std::is_same_v<Record, RenamedOutput>) {
          outcome.renamed.push_back(record);
        } else if constexpr (std::is_same_v<Record, DiscardedOutput>) {
          outcome.discarded.push_back(record);
        } else if constexpr (std::is_same_v<Record, UnremovedOutput>) {
          outcome.notRemoved.push_back(record);
        } else if constexpr (std::is_same_v<Record, RescuedOutput>) {
          outcome.rescued.push_back(record);
          outcome.bytesWritten += record.bytes;
        } else if constexpr (std::is_same_v<Record, ClipFailure>) {
          outcome.failures.push_back(record);
        }
      },
      event);
}

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
