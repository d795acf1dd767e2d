#include "import/Rescue.h"

#include <algorithm>
#include <memory>
#include <new>

namespace quillon {

namespace {

using End = RescueResult::End;
using Status = AreaStatus;

constexpr std::uint64_t kMinSkip = 64 * 1024;
// Sizes beyond any disk's sector or any sensible read are taken as these.
constexpr std::size_t kMaxSector = 1 << 20;
constexpr std::size_t kMaxCluster = 1 << 30;
// The sweep is copying's last pass, numbered as ddrescue numbers it (its passes 3 and 4 go over
// areas it skipped for reading slowly, which this rescue does not tell apart).
constexpr int kSweepPass = 5;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) {
  const std::uint64_t rest = value % unit;
  return rest == 0 ? value : value + (unit - rest);
}

struct AlignedDelete {
  void operator()(unsigned char* p) const { ::operator delete[](p, std::align_val_t{kRescueBufferAlignment}); }
};

enum class Outcome { Good, Failed, Ended };

class Rescuer {
 public:
  Rescuer(RescueMap& map, RescueSource& source, RescueSink& sink, const RescueOptions& options,
          RescueObserver& observer)
      : map_(map),
        source_(source),
        sink_(sink),
        observer_(observer),
        sector_(std::clamp<std::size_t>(options.sector, 1, kMaxSector)),
        cluster_(std::clamp<std::size_t>(options.cluster, sector_, kMaxCluster) / sector_ * sector_),
        retries_(std::max(0, options.retries)) {
    const std::uint64_t size = map.Size();
    const auto bytes = [&](std::uint64_t value) { return RoundUp(std::min(value, kMaxMapPosition), sector_); };
    skipInitial_ = bytes(options.skipInitial.value_or(std::max(kMinSkip, size / 100000)));
    skipMax_ = std::max(skipInitial_, bytes(options.skipMax.value_or(size / 100)));
    // A read never goes beyond the cluster it begins in (widened to sectors, it still ends on
    // the cluster's boundary).
    const std::size_t bufferSize = RoundUp(cluster_, kRescueBufferAlignment);
    buffer_.reset(static_cast<unsigned char*>(::operator new[](bufferSize, std::align_val_t{kRescueBufferAlignment})));
  }

  RescueResult Run() {
    Copy();
    if (!end_) Trim();
    if (!end_) Forward(Status::NonScraped, sector_, RescuePhase::Scraping, 1, 0, false);
    for (int pass = 1; pass <= retries_ && !end_; ++pass) {
      if (pass % 2 != 0) {
        Forward(Status::BadSector, sector_, RescuePhase::Retrying, pass, 0, false);
      } else {
        Backward(Status::BadSector, sector_, RescuePhase::Retrying, pass, map_.Size(), false);
      }
    }
    if (!end_) map_.SetProgress({map_.Progress().pos, RescuePhase::Finished, 1});
    result_.end = end_.value_or(End::Done);
    return result_;
  }

 private:
  // Copying: forwards skipping past failures, backwards up to the first failure in each area
  // skipped, and a sweep forwards over what is left. A map whose copying was stopped goes on
  // at the pass and the position it was at.
  void Copy() {
    if (!map_.NextArea(0, Status::NonTried)) return;
    const RescueProgress was = map_.Progress();
    const int pass = was.phase == RescuePhase::Copying ? was.pass : 0;
    if (pass <= 1) Forward(Status::NonTried, cluster_, RescuePhase::Copying, 1, pass == 1 ? was.pos : 0, true);
    if (pass <= 2 && !end_) {
      Backward(Status::NonTried, cluster_, RescuePhase::Copying, 2, pass == 2 ? was.pos : map_.Size(), true);
    }
    if (!end_) Forward(Status::NonTried, cluster_, RescuePhase::Copying, kSweepPass, 0, false);
  }

  // Reads the areas of the status from pos forwards, in pieces that end on multiples of unit.
  // With skipping, a failed read skips ahead (the skipped bytes stay as they were).
  void Forward(Status status, std::uint64_t unit, RescuePhase phase, int pass, std::uint64_t pos, bool skipping) {
    std::uint64_t skip = skipInitial_;
    while (const auto area = map_.NextArea(pos, status)) {
      pos = std::max(pos, area->pos);
      const std::uint64_t end = std::min(area->End(), (pos / unit + 1) * unit);
      const Outcome outcome = ReadPiece(pos, end, FailedAs(status, pos, end), {pos, phase, pass});
      if (outcome == Outcome::Ended) return;
      pos = end;
      if (outcome == Outcome::Good) {
        skip = skipInitial_;
      } else if (skipping && skip > 0) {
        pos = RoundUp(end + skip, sector_);
        skip = skip > skipMax_ / 2 ? skipMax_ : skip * 2;
      }
    }
  }

  // Reads the areas of the status from end backwards, in pieces that begin on multiples of
  // unit. With leaveRest, a failed read leaves the rest of its area as it is.
  void Backward(Status status, std::uint64_t unit, RescuePhase phase, int pass, std::uint64_t end, bool leaveRest) {
    while (const auto area = map_.PreviousArea(end, status)) {
      end = std::min(end, area->End());
      const std::uint64_t begin = std::max(area->pos, (end - 1) / unit * unit);
      const Outcome outcome = ReadPiece(begin, end, FailedAs(status, begin, end), {end, phase, pass});
      if (outcome == Outcome::Ended) return;
      end = outcome == Outcome::Failed && leaveRest ? area->pos : begin;
    }
  }

  // Trimming: each non-trimmed area is read sector by sector from its leading edge forwards
  // and from its trailing edge backwards, each up to the first sector that fails; what lies
  // between is left to scraping. An edge next to a bad sector counts as trimmed.
  void Trim() {
    std::uint64_t pos = 0;
    while (const auto area = map_.NextArea(pos, Status::NonTrimmed)) {
      std::uint64_t begin = area->pos;
      std::uint64_t end = area->End();
      pos = end;
      if (begin == 0 || map_.AreaAt(begin - 1).status != Status::BadSector) {
        Outcome outcome = Outcome::Good;
        while (begin < end && outcome == Outcome::Good) {
          const std::uint64_t next = std::min(end, (begin / sector_ + 1) * sector_);
          outcome = ReadPiece(begin, next, Status::BadSector, {begin, RescuePhase::Trimming, 1});
          if (outcome == Outcome::Ended) return;
          begin = next;
        }
      }
      if (begin < end && (end == map_.Size() || map_.AreaAt(end).status != Status::BadSector)) {
        Outcome outcome = Outcome::Good;
        while (begin < end && outcome == Outcome::Good) {
          const std::uint64_t next = std::max(begin, (end - 1) / sector_ * sector_);
          outcome = ReadPiece(next, end, Status::BadSector, {end, RescuePhase::Trimming, 1});
          if (outcome == Outcome::Ended) return;
          end = next;
        }
      }
      if (begin < end) map_.Mark(begin, end - begin, Status::NonScraped);
    }
  }

  // A large read that fails leaves its bytes to trimming; a read within one sector was as
  // small as reads get: its bytes are bad sectors, for the retry passes.
  Status FailedAs(Status read, std::uint64_t pos, std::uint64_t end) const {
    return read == Status::NonTried && pos / sector_ != (end - 1) / sector_ ? Status::NonTrimmed : Status::BadSector;
  }

  // Reads [pos, end), widened to whole sectors where the bytes around it are finished already
  // (never over bytes of another state: a caller's bad area is not to be touched before the
  // retry passes). What comes is written and marked finished. A short count is a failure where
  // the disk stopped giving bytes: from there to end is marked failedAs.
  Outcome ReadPiece(std::uint64_t pos, std::uint64_t end, Status failedAs, const RescueProgress& progress) {
    if (observer_.StopRequested()) return Ending(End::Stopped);
    map_.SetProgress(progress);
    std::uint64_t from = pos / sector_ * sector_;
    if (from < pos && !FinishedOver(from, pos)) from = pos;
    std::uint64_t to = std::min(RoundUp(end, sector_), map_.Size());
    if (to > end && !FinishedOver(end, to)) to = end;

    const std::size_t want = static_cast<std::size_t>(to - from);
    const std::int64_t n = source_.ReadAt(from, buffer_.get(), want);
    ++result_.reads;
    const std::uint64_t came = n < 0 ? 0 : std::min<std::uint64_t>(static_cast<std::uint64_t>(n), want);
    const std::uint64_t goodEnd = std::clamp(from + came, pos, end);
    if (goodEnd > pos) {
      if (!sink_.WriteAt(pos, buffer_.get() + (pos - from), static_cast<std::size_t>(goodEnd - pos))) {
        return Ending(End::SinkFailed);
      }
      map_.Mark(pos, goodEnd - pos, Status::Finished);
    }
    const bool good = goodEnd == end;
    if (!good) {
      ++result_.failedReads;
      map_.Mark(goodEnd, end - goodEnd, failedAs);
    }
    observer_.Read(pos, static_cast<std::size_t>(end - pos), good);
    return good ? Outcome::Good : Outcome::Failed;
  }

  bool FinishedOver(std::uint64_t pos, std::uint64_t end) const {
    const RescueArea area = map_.AreaAt(pos);
    return area.status == Status::Finished && area.End() >= end;
  }

  Outcome Ending(End end) {
    end_ = end;
    return Outcome::Ended;
  }

  RescueMap& map_;
  RescueSource& source_;
  RescueSink& sink_;
  RescueObserver& observer_;
  const std::uint64_t sector_;
  const std::uint64_t cluster_;
  const int retries_;
  std::uint64_t skipInitial_ = 0;
  std::uint64_t skipMax_ = 0;
  std::unique_ptr<unsigned char[], AlignedDelete> buffer_;
  std::optional<End> end_;
  RescueResult result_;
};

}  // namespace

RescueResult Rescue(RescueMap& map, RescueSource& source, RescueSink& sink, const RescueOptions& options,
                    RescueObserver& observer) {
  return Rescuer(map, source, sink, options, observer).Run();
}

}  // namespace quillon
