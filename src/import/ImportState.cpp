#include "import/ImportState.h"

namespace quillon {

std::int32_t ImportStatus::State() const {
  if (StopRequested()) return Stop;
  if (const std::int32_t failure = failure_.load(); failure != 0) return failure;
  switch (policy_.load()) {
    case OverwritePolicy::ReplaceAll: return OverwriteAll;
    case OverwritePolicy::KeepAll: return SkipAll;
    case OverwritePolicy::Ask: break;
  }
  return Ask;
}

}  // namespace quillon
