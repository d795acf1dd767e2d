#pragma once
// The rate of an import over its recent past, and the time left at that rate, from the bytes
// done that the progress reports give. The progress windows and quillon-cli's bar show it.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace quillon::frontend {

class TransferRate {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;

  struct Estimate {
    double bytesPerSecond = 0;
    std::optional<double> secondsLeft;  // nothing while nothing moves
  };

  // The rate is taken over span of the recent past, and known once the reports cover least.
  TransferRate(Duration span, Duration least) : span_(span), least_(least) {}

  // bytesDone at now. Bytes done never go back within an import: a report that says so begins a
  // new count.
  void Add(TimePoint now, std::uint64_t bytesDone);
  // Nothing until the reports cover the least span.
  std::optional<Estimate> Rate(std::uint64_t bytesTotal) const;

 private:
  Duration span_;
  Duration least_;
  std::deque<std::pair<TimePoint, std::uint64_t>> samples_;
};

}  // namespace quillon::frontend
