#pragma once
// Which chunks of a clip go into which output file, what each output is named, and what meets
// an existing file under its name: decided once, before the copy, for the pre-flight checks,
// the dry run and the copy alike.
#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "import/ImportReport.h"
#include "import/UnitCalls.h"
#include "platform/FileSystem.h"
#include "unit/Clip.h"

namespace quillon {

// Whether chunk i begins an output file of its own rather than being appended to the one
// before it. The first chunk and every chunk not marked as continuing do. In a clip of M2T
// chunks only, a continued chunk does too unless its first packet header continues the stream
// (sync byte, and not the PID that starts a new one). Reads up to three bytes of source; the
// caller puts its position back.
bool BeginsNewOutput(const Clip& clip, std::size_t i, platform::File& source);

// One output of a clip: the chunks [firstChunk, endChunk), named as OutputName names it.
struct ClipOutput {
  std::size_t firstChunk = 0;
  std::size_t endChunk = 0;
  std::u16string name;
  std::uint64_t bytes = 0;  // the sum of its chunks' sizes
};

// The outputs a copy of the clip makes, found by reading the unit as the copy reads it: the
// first bytes of continued chunks, and the recording time of the chunks that begin outputs of a
// numbered-folder clip. A chunk that cannot be opened fails the copy there; until then it
// counts where it stands. Its reads of the unit are marked in unit.
std::vector<ClipOutput> PlanClip(Clip& clip, int prefix, std::atomic<std::int64_t>& lastNoTime, UnitCalls& unit);

// name, or where an earlier output of the import took it, name with "_2", "_3"... before its
// extension; the name given is added to taken.
std::u16string FreeName(const std::u16string& name, std::set<std::u16string>& taken);

// What meets an output's name when it is created.
enum class AtName {
  Create,                  // nothing there
  Ask,                     // the overwrite question decides
  Replace,                 // replaced without asking
  Keep,                    // kept as it is: the output's chunks are skipped
  KeepAfterWriteFailure,   // kept, because an earlier output could not be written; its clip is reported
  KeepAfterCreateFailure,  // kept, because an earlier output could not be created; its clip fails
  UnitFile,                // the name leads to a file of the unit: never written over; its clip fails
  Stop,                    // the import is stopping
};

// By the import state and what is under the name (the entry itself), and whether the name
// leads to a file of the unit.
AtName WhatMeetsName(const std::optional<platform::FileStatus>& existing, std::int32_t state, bool leadsToUnitFile);

// One output of an import.
struct PlannedOutput {
  std::size_t clip = 0;  // the clip's place in the request
  std::u16string clipName;
  ClipOutput chunks;
  std::u16string name;  // the name it takes: the clip's, or with "_2", "_3"... where an earlier output took that
  std::optional<platform::FileStatus> existing;  // under the name when planned
  AtName atName = AtName::Create;                // what meets it, as the import starts
  // The same in the second copy's folder, when there is one.
  std::optional<platform::FileStatus> secondExisting;
  AtName secondAtName = AtName::Create;
};

struct ImportPlan {
  // The outputs of the clips to be copied, in copy order (also when the import is refused, so
  // that it can be looked at).
  std::vector<PlannedOutput> outputs;
  std::optional<Refusal> refusal;     // set: nothing will be copied
  std::vector<ClipFailure> tooLarge;  // outputs larger than the destination can hold: their clips are left out
  std::size_t clipCount = 0;          // clips to be copied
  std::uint64_t bytesTotal = 0;       // their size
  std::uint64_t totalMiB = 0;         // the same, each chunk rounded down to whole MiB, for the progress bar
};

}  // namespace quillon
