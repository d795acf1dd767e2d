#include "import/ImportReport.h"

#include <algorithm>

namespace quillon {

std::vector<std::u16string> ImportOutcome::FailedClips() const {
  std::vector<std::u16string> clips;
  for (const ClipFailure& failure : failures) {
    if (std::find(clips.begin(), clips.end(), failure.clip) == clips.end()) clips.push_back(failure.clip);
  }
  return clips;
}

}  // namespace quillon
