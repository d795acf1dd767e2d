#pragma once
// Rescues the bytes of one output from a failing unit the way GNU ddrescue does: the readable
// ones first, in large reads that skip ahead past failures; then the failed areas narrowed down
// sector by sector (trimmed from their edges, then scraped), and the bad sectors retried. A
// read error never ends the rescue: what could not be read stays marked in the map, and the
// output holds zeros there. Independent of files: the caller gives the unit's bytes, a place
// for the rescued ones and the map, which it keeps beside the output for a later rescue.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "import/RescueMap.h"

namespace quillon {

// The unit's bytes of one output, at output positions.
class RescueSource {
 public:
  virtual ~RescueSource() = default;
  // Reads up to size bytes at pos: the count read (short near the end), or -1 on a read error.
  virtual std::int64_t ReadAt(std::uint64_t pos, void* buffer, std::size_t size) = 0;
};

// Where rescued bytes go (a scratch file of the output's size): bytes never written read as
// zeros there.
class RescueSink {
 public:
  virtual ~RescueSink() = default;
  // False on a failure; its cause (errno, GetLastError) is left for the caller.
  virtual bool WriteAt(std::uint64_t pos, const void* data, std::size_t size) = 0;
};

class RescueObserver {
 public:
  virtual ~RescueObserver() = default;
  // After each read: the bytes it was for, and whether all of them came.
  virtual void Read(std::uint64_t pos, std::size_t size, bool good) = 0;
  // Asked before each read: the rescue then ends at once, its map as far as it got.
  virtual bool StopRequested() = 0;
};

// Every read goes into a buffer aligned so, for a source opened with O_DIRECT.
inline constexpr std::size_t kRescueBufferAlignment = 4096;

struct RescueOptions {
  // Reads begin and end on multiples of the sector (but at the output's end) wherever the bytes
  // around a piece to read allow it; sector by sector is the smallest read.
  std::size_t sector = 512;
  // The largest read, of the areas not tried yet; rounded down to a multiple of the sector.
  std::size_t cluster = 64 * 1024;
  // Passes over the bad sectors after scraping, forwards and backwards by turns.
  int retries = 1;
  // After a failed read, the first copying pass skips ahead this far from the failed read's end,
  // twice as far after each further failure up to skipMax, and back to skipInitial after a good
  // read. Nothing: as ddrescue, the output's size / 100000 but at least 64 KiB, and 1% of the
  // size but at least skipInitial. skipInitial 0: no skipping. Rounded up to the sector.
  std::optional<std::uint64_t> skipInitial;
  std::optional<std::uint64_t> skipMax;
};

struct RescueResult {
  enum class End {
    Done,       // every phase ran; what the map still marks bad could not be read
    Stopped,    // the observer asked to stop
    SinkFailed  // a write to the sink failed: its bytes stay as the map had them
  };
  End end = End::Done;
  std::uint64_t reads = 0;
  std::uint64_t failedReads = 0;  // reads that gave less than asked for
};

// Reads what the map does not mark finished, writes it to the sink and marks it, phase by
// phase: copying the non-tried areas ('?'), trimming the non-trimmed ones ('*'), scraping the
// non-scraped ones ('/'), then options.retries passes over the bad sectors ('-'). Areas the
// caller marked bad beforehand (a chunk that cannot be opened) are read by the retry passes
// only. A map read back from an earlier rescue resumes it: copying goes on at the pass and the
// position its status line tells. Throws what allocation throws.
RescueResult Rescue(RescueMap& map, RescueSource& source, RescueSink& sink, const RescueOptions& options,
                    RescueObserver& observer);

}  // namespace quillon
