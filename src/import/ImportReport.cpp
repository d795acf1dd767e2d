#include "import/ImportReport.h"

#include <algorithm>

namespace quillon {

std::vector<std::u16string> ImportOutcome::DamagedClips() const {
  std::vector<std::u16string> clips;
  const auto add = [&clips](const std::u16string& clip) {
    if (std::find(clips.begin(), clips.end(), clip) == clips.end()) clips.push_back(clip);
  };
  for (const ClipFailure& failure : failures) {
    const FailureKind kind = failure.kind;
    if (kind == FailureKind::ChunkOpen || kind == FailureKind::ChunkRead || kind == FailureKind::ChunkEnded) {
      add(failure.clip);
    }
  }
  for (const RescuedOutput& output : rescued) add(output.clip);
  return clips;
}

std::vector<std::u16string> ImportOutcome::FailedClips() const {
  std::vector<std::u16string> clips;
  for (const ClipFailure& failure : failures) {
    if (std::find(clips.begin(), clips.end(), failure.clip) == clips.end()) clips.push_back(failure.clip);
  }
  return clips;
}

}  // namespace quillon
