#pragma once
// The events of one import, in the order they happen: the only way an import tells a front end
// anything. They come on the import's own thread; a front end hands them to its own thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>

#include "import/ImportReport.h"
#include "import/OutputPlan.h"
#include "import/RescueMap.h"

namespace quillon {

// The preparation is done: the plan, with any refusal and the outputs too large for the
// destination. Unless it refused the import or left nothing to copy, the copy waits for
// ImportJob::Proceed (or a stop).
struct PreparedEvent {
  ImportPlan plan;
};

// How a rescue of an output goes: its phase, the bytes read so far and those that failed so far
// (not counting those not tried yet), and how long ago a read last gave its bytes.
struct RescueFigures {
  RescuePhase phase = RescuePhase::Copying;
  std::uint64_t rescued = 0;
  std::uint64_t bad = 0;
  std::optional<std::chrono::milliseconds> sinceGoodRead;  // nothing before the first good read
};

// Exact bytes, of the clips to be copied: copied, or skipped as kept.
struct ProgressEvent {
  std::uint64_t bytesDone = 0;
  std::uint64_t bytesTotal = 0;
  std::u16string clip;      // the clip being copied
  std::u16string output;    // the output file being written (its name); empty while none
  std::size_t clipNumber = 0;  // 1 for the first clip
  std::size_t clipCount = 0;
  std::optional<RescueFigures> rescue;  // while an output is rescued
};

// An output file that would replace an existing file, for the user to judge.
struct OverwriteQuestion {
  std::u16string path;                        // the existing file's full path
  std::optional<std::uint64_t> existingSize;  // nothing for what is not a file (a folder, a link)
  std::optional<std::int64_t> existingTime;   // its last-write time, seconds since 1970 UTC
  std::uint64_t newSize = 0;                  // what the new output would hold
};

enum class OverwriteAnswer { Yes, YesToAll, No, NoToAll, Cancel };

// Where the answer to one overwrite question goes back to the import, from any thread.
class AnswerSlot {
 public:
  void Give(OverwriteAnswer answer);
  // Waits for the answer; nothing when a stop comes first.
  std::optional<OverwriteAnswer> Wait(std::stop_token stop);

 private:
  std::mutex mutex_;
  std::condition_variable_any given_;
  std::optional<OverwriteAnswer> answer_;
};

// The copy waits until the answer is given through the slot.
struct OverwriteAsked {
  OverwriteQuestion question;
  std::shared_ptr<AnswerSlot> answer;
};

// A call to the unit has not returned for this long (told again each second), or 0: it has
// returned. A unit that does not answer cannot be stopped; the import stops when it does.
struct UnitSilentEvent {
  std::chrono::milliseconds waited{0};
};

// The last event of every import, exactly once.
struct FinishedEvent {
  ImportOutcome outcome;
};

using ImportEvent = std::variant<PreparedEvent, ProgressEvent, OverwriteAsked, PlacedOutput, KeptOutput, RenamedOutput,
                                 DiscardedOutput, UnremovedOutput, RescuedOutput, ClipFailure, UnitSilentEvent,
                                 FinishedEvent>;

// Adds what an event tells of an output or a failure to outcome.
void Record(ImportOutcome& outcome, const ImportEvent& event);

class ImportEvents {
 public:
  virtual ~ImportEvents() = default;
  // One event after the other, from the import's thread or its watch on the unit. Must not
  // wait for the receiver.
  virtual void OnImportEvent(ImportEvent event) = 0;
};

}  // namespace quillon
