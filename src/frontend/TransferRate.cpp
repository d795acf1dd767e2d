#include "frontend/TransferRate.h"

#include <algorithm>

namespace quillon::frontend {

void TransferRate::Add(TimePoint now, std::uint64_t bytesDone) {
  if (!samples_.empty() && bytesDone < samples_.back().second) samples_.clear();
  samples_.emplace_back(now, bytesDone);
  // The oldest report goes once the next one alone covers the span.
  while (samples_.size() > 2 && now - samples_[1].first >= span_) samples_.pop_front();
}

std::optional<TransferRate::Estimate> TransferRate::Rate(std::uint64_t bytesTotal) const {
  if (samples_.size() < 2) return std::nullopt;
  const auto covered = samples_.back().first - samples_.front().first;
  if (covered < least_ || covered <= Duration::zero()) return std::nullopt;
  Estimate estimate;
  const std::uint64_t done = samples_.back().second;
  estimate.bytesPerSecond =
      static_cast<double>(done - samples_.front().second) / std::chrono::duration<double>(covered).count();
  if (estimate.bytesPerSecond > 0) {
    estimate.secondsLeft = static_cast<double>(bytesTotal - std::min(bytesTotal, done)) / estimate.bytesPerSecond;
  }
  return estimate;
}

}  // namespace quillon::frontend
