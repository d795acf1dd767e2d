#pragma once
// Copies one clip's chunks, byte for byte, into its planned output files.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/ImportEvents.h"
#include "import/ImportState.h"
#include "import/OutputPlan.h"
#include "import/UnitCalls.h"
#include "platform/FileSystem.h"
#include "unit/Clip.h"

namespace quillon {

inline constexpr std::size_t kCopyBlockSize = 1024;
inline constexpr std::size_t kReadBackBlockSize = 1u << 20;

// What a clip's copy tells and asks as it goes: the import it belongs to.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Bytes copied, or skipped under a kept file's name; 0 while an output is read back.
  virtual void Copied(std::uint64_t bytes) = 0;
  virtual void OutputBegun(const PlannedOutput& output) = 0;
  // What became of an output: PlacedOutput, KeptOutput, RenamedOutput, DiscardedOutput or
  // UnremovedOutput.
  virtual void Happened(ImportEvent event) = 0;
  // Blocks until answered; nothing when the import is stopped meanwhile.
  virtual std::optional<OverwriteAnswer> Ask(const OverwriteQuestion& question) = 0;
  // How the rescue of the output begun goes, after each read of the unit.
  virtual void Rescuing(const RescueFigures&) {}
};

struct CopyEnvironment {
  platform::Folder& folder;  // the destination, held open
  ImportStatus& status;
  UnitCalls& unit;  // every read of the unit goes through it
  // Read each output back from the disk and compare it before it takes its name.
  bool verify = true;
  // Files of the unit being imported: a name that leads to one of them is never written over.
  std::vector<platform::FileId> unitFiles = {};
  // A rescue: read errors do not fail the clip (ImportRequest::rescue), with this many retry
  // passes over the bad sectors.
  bool rescue = false;
  int retries = 1;
  // The folder of a second copy, held open; null when none. Each output goes to both from the
  // same read of the unit, and is checked in each. Not with a rescue.
  platform::Folder* second = nullptr;
};

struct CopyResult {
  enum class End { Done, Stopped, Failed };
  End end = End::Done;
  // Failed: why. Done: a clip that went on after an existing file had to be kept (a full disk
  // before) is reported failed all the same.
  std::optional<ClipFailure> failure;
};

// Copies the clip into outputs (its planned outputs, in order). Each output is written under a
// temporary name and takes its final name only complete, synced and (with env.verify) read back
// and compared; otherwise its temporary file goes.
CopyResult CopyChunks(Clip& clip, const std::vector<PlannedOutput>& outputs, CopyEnvironment& env,
                      CopyObserver& observer);

// The path of name in the folder, where the folder is now.
std::u16string PathIn(const platform::Folder& folder, const std::u16string& name);

}  // namespace quillon
