#pragma once
// Copies one clip's chunks, byte for byte, into one or more output files.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "import/ImportContext.h"
#include "import/ImportFrontEnd.h"
#include "import/ImportReport.h"
#include "platform/FileSystem.h"
#include "unit/Clip.h"

namespace quillon {

class ClipCatalogue;

// Told the KiB just copied or skipped (0 while an output is read back); answers true when the
// copy must stop.
using ProgressCallback = std::function<bool(std::uint32_t kib)>;

struct CopyEnvironment {
  ImportContext& context;
  NamingState& naming;
  OverwriteAsker& asker;
  // Read each output back from the disk and compare it before it takes its name.
  bool verify = true;
  // Files of the unit being imported: a name that leads to one of them is never written over.
  std::vector<platform::FileId> unitFiles = {};
  // Told the name of each output file as it is begun.
  std::function<void(const std::u16string& name)> outputBegun = {};
  // Why the last CopyChunks answered false (empty when it stopped at the user's request).
  std::optional<ClipFailure> failure = std::nullopt;
};

inline constexpr std::size_t kCopyBlockSize = 1024;
inline constexpr std::size_t kReadBackBlockSize = 1u << 20;

// True when the list was worked through or the copy stopped on request; false on a failure.
// Each output is written under a temporary name and takes its final name only complete,
// synced and (with env.verify) read back and compared; otherwise its temporary file goes.
bool CopyChunks(Clip& clip, CopyEnvironment& env, const ProgressCallback& progress);

// CopyChunks on the catalogue's clip at index (std::out_of_range beyond the end).
bool CopyClip(const ClipCatalogue& catalogue, std::size_t index, CopyEnvironment& env,
              const ProgressCallback& progress);

}  // namespace quillon
